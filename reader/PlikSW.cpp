#include "reader/PlikSW.h"

#include <algorithm>
#include <atomic>
#include <new>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "syntax/Sxconsts.h"
#include "syntax/Sxsumcrc.h"

namespace swde {

using plat::cp;
using plat::E_FAIL;
using plat::E_INVALIDARG;
using plat::E_OUTOFMEMORY;
using plat::E_POINTER;
using plat::E_UNEXPECTED;
using plat::HRESULT;
using plat::S_FALSE;
using plat::S_OK;

namespace {

std::string narrow(plat::BSTR s) {
  return plat::cp1250FromBstr(s);
}

HRESULT convert(plat::BSTR in, plat::BSTR* out, void (*fn)(const AnsiString&, AnsiString&)) {
  if (!out) return E_POINTER;
  *out = nullptr;
  const std::string text = narrow(in);
  if (text.empty()) return S_OK;
  AnsiString result;
  fn(text, result);
  if (result.empty()) return S_OK;
  *out = plat::bstrFromCp1250(result);
  return *out ? S_OK : E_OUTOFMEMORY;
}

std::atomic<PlikSW::StartHook> gStartHook{nullptr};

}  // namespace

void PlikSW::setStartHook(StartHook hook) noexcept {
  gStartHook.store(hook);
}

template <class Body>
HRESULT PlikSW::guardFile(Body&& body) noexcept {
  return guardCall(IID_IPlikSW, &path_, body, [this] { close(); });
}

template <class T, class Get>
HRESULT PlikSW::query(T* out, HRESULT nullResult, const void* source, Get get) noexcept {
  return guardFile([&] {
    if (HRESULT hr = prologue(false); hr != S_OK) return hr;
    if (!out) return nullResult;
    if (!source) return E_UNEXPECTED;
    *out = get();
    return S_OK;
  });
}

template <class Body>
HRESULT PlikSW::guardStatic(Body&& body) noexcept {
  return guardCall(IID_IPlikSW, nullptr, body, [] {});
}

PlikSW::PlikSW() : ReaderObject(IID_IPlikSW) {}

PlikSW::~PlikSW() {
  closeReaders();
}

void PlikSW::closeReaders() {
  current_.reset();
  analyzer_.reset();
  tokenizer_.reset();
  stream_.reset();
}

void PlikSW::close() noexcept {
  open_ = false;
  linear_ = false;
  blocks_ = false;
  record_.clear();
  lines_.clear();
  nextLine_ = 0;
  closeReaders();
}

HRESULT PlikSW::prologue(bool structural) {
  if (!open_) return fail(E_FAIL, cp("Plik nie jest otwarty"));
  if (structural && linear_)
    return fail(E_FAIL, cp("Wywołanie niewłaściwej metody dostępu do danych w sposób strukturalny. "
                           "Aktywny jest tryb odczytu liniowego z pliku."));
  return S_OK;
}

HRESULT PlikSW::start() {
  record_.clear();
  header_ = fileEnd_ = sectionStart_ = sectionEnd_ = LineInfo{};
  current_.reset();
  lastError_.reset();
  if (!stream_) {
    stream_ = std::make_unique<sxFileStream>(path_, kFileBufferSize);
  } else {
    analyzer_.reset();
    tokenizer_.reset();
    stream_->seek(0);
  }
  stream_->convert = convert_ ? 1 : 0;
  tokenizer_ = std::make_unique<sxTokenizer>(stream_.get());
  analyzer_ = std::make_unique<sxAnalyzer>(tokenizer_.get());
  analyzer_->limitBlockThreads(blockThreads_);
  if (StartHook hook = gStartHook.load()) hook(*stream_);
  current_ = analyzer_->getFileHeader(lastError_);
  if (lastError_) {
    closeReaders();
    return S_FALSE;
  }
  header_ = {current_, lastError_};
  open_ = true;
  return S_OK;
}

HRESULT PlikSW::otworz(plat::BSTR nazwa, std::int32_t konwertuj) {
  return guardFile([&] {
    const std::u16string_view wide(nazwa ? nazwa : u"", plat::SysStringLen(nazwa));
    return otworz(plat::utf16ToUtf8(wide), konwertuj);
  });
}

HRESULT PlikSW::otworz(const std::string& sciezka, std::int32_t konwertuj) {
  return guardFile([&] {
    if (open_) return fail(E_FAIL, cp("Plik jest już otwarty"));
    // A name with a NUL inside would name another file to the system.
    if (sciezka.find('\0') != std::string::npos)
      return fail(E_INVALIDARG, cp("Nie można otworzyć pliku: ") +
                                    plat::fileNameToCp1250(
                                        std::string_view(sciezka).substr(0, sciezka.find('\0'))) +
                                    cp(" (niedozwolony znak w nazwie pliku)"));
    convert_ = konwertuj != 0;
    linear_ = false;
    blocks_ = false;
    path_ = sciezka;
    stream_.reset();
    return start();
  });
}

HRESULT PlikSW::resetuj() {
  return guardFile([&] {
    if (HRESULT hr = prologue(false); hr != S_OK) return hr;
    open_ = false;
    linear_ = false;
    blocks_ = false;
    return start();
  });
}

HRESULT PlikSW::dajTypSekcji(std::int32_t* typ) {
  return query(typ, E_POINTER, analyzer_.get(),
               [&] { return analyzer_->getContext().getSection(); });
}

HRESULT PlikSW::dajTypPliku(std::int32_t* typ) {
  return query(typ, E_POINTER, analyzer_.get(), [&] { return analyzer_->getFormat(); });
}

HRESULT PlikSW::dajWersjePliku(double* wersja) {
  return query(wersja, E_POINTER, analyzer_.get(), [&] { return analyzer_->getVersion(); });
}

HRESULT PlikSW::dajRozmiarPliku(std::uint64_t* rozmiar) {
  return query(rozmiar, E_POINTER, stream_.get(), [&] { return stream_->getSize(); });
}

HRESULT PlikSW::dajRozmiarPliku(std::uint32_t* rozmiar) {
  std::uint64_t v = 0;
  const HRESULT hr = dajRozmiarPliku(rozmiar ? &v : nullptr);
  if (hr == S_OK) *rozmiar = saturate32(v);
  return hr;
}

HRESULT PlikSW::dajPozycjeWPliku(std::uint64_t* pozycja) {
  // While blocks are read the stream runs ahead of the lines handed out.
  return query(pozycja, E_INVALIDARG, stream_.get(),
               [&] { return blocks_ ? analyzer_->getBlockPosition() : stream_->getPosition(); });
}

HRESULT PlikSW::dajPozycjeWPliku(std::uint32_t* pozycja) {
  std::uint64_t v = 0;
  const HRESULT hr = dajPozycjeWPliku(pozycja ? &v : nullptr);
  if (hr == S_OK) *pozycja = saturate32(v);
  return hr;
}

HRESULT PlikSW::dajOpisBledu(std::uint32_t* kod, std::uint32_t* numerLinii, plat::BSTR* opis) {
  return guardFile([&] { return describeError(lastError_, kod, numerLinii, opis); });
}

HRESULT PlikSW::konwertujISOWin(plat::BSTR in, plat::BSTR* out) {
  return guardStatic([&] { return convert(in, out, &sxTokenizer::convIso2Win); });
}

HRESULT PlikSW::konwertujWinISO(plat::BSTR in, plat::BSTR* out) {
  return guardStatic([&] { return convert(in, out, &sxTokenizer::convWin2Iso); });
}

HRESULT PlikSW::policzCRC(plat::BSTR tekst, std::uint32_t poprzSuma, std::uint32_t* nowaSuma) {
  return guardStatic([&] {
    if (!nowaSuma) return E_POINTER;
    sxSumCRC sum(poprzSuma);
    sum.put(narrow(tekst));
    *nowaSuma = sum.crc;
    return S_OK;
  });
}

bool PlikSW::readLine() {
  if (current_) return true;
  if (!analyzer_) return false;
  counted_ptr<sxError> previous = std::move(lastError_);
  lastError_.reset();
  current_ = analyzer_->getNewLine(lastError_, freeLine());
  // At the end of the file the error of the last line read past (the end of
  // file checks travel on the last line) stays pending in the file.
  if (!current_ && !lastError_) lastError_ = std::move(previous);
  return static_cast<bool>(current_);
}

void PlikSW::dropLine() {
  current_.reset();
}

void PlikSW::takeLine() {
  current_.reset();
  lastError_.reset();
}

HRESULT PlikSW::dajLinie(LiniaSW** linia) {
  return guardFile([&] {
    if (HRESULT hr = prologue(false); hr != S_OK) return hr;
    if (!linia) return E_POINTER;
    *linia = nullptr;
    if (blocks_) return blockRead();
    linear_ = true;
    if (!readLine()) return S_OK;
    // The line stays current when no object can be made for it.
    *linia = new (std::nothrow) LiniaSW(current_, lastError_);
    if (!*linia) return E_OUTOFMEMORY;
    takeLine();
    return S_OK;
  });
}

HRESULT PlikSW::blockRead() {
  return fail(E_FAIL, cp("Wywołanie niewłaściwej metody dostępu do danych. Aktywny jest tryb "
                         "odczytu blokami linii."));
}

HRESULT PlikSW::dajBlokLinii(sxLineBlock* blok) {
  return guardFile([&] {
    if (HRESULT hr = prologue(false); hr != S_OK) return hr;
    if (!blok) return E_POINTER;
    blok->clear();
    linear_ = true;
    blocks_ = true;
    // A line held (the header after otworz) goes out first, on its own.
    if (current_) {
      blok->codes.push_back(current_->code);
      if (current_->code <= kLastLineCode) ++blok->codeCounts[current_->code];
      if (lastError_ && !(current_->syntaxOk && current_->contextOk))
        blok->findings.push_back({0,
                                  static_cast<std::uint8_t>(analyzer_->getContext().getSection()),
                                  current_->position, lastError_});
      blok->endPosition = analyzer_->getBlockPosition();
      takeLine();
      return S_OK;
    }
    lastError_.reset();
    return analyzer_->getLineBlock(*blok) ? S_OK : S_FALSE;
  });
}

HRESULT PlikSW::ustawNaKolejnaSekcje(std::int32_t* sekcja) {
  return guardFile([&] { return nextSection(sekcja); });
}

HRESULT PlikSW::nextSection(std::int32_t* sekcja) {
  if (HRESULT hr = prologue(true); hr != S_OK) return hr;
  if (!sekcja) return E_POINTER;
  *sekcja = 0;
  const bool inSection = analyzer_->getContext().getLevel() == csSection;
  while (readLine()) {
    switch (analyzer_->getContext().getEventKind()) {
      case ekSectionStart:
        // The section-start line is taken: the next record walk begins with
        // the section's first record.
        *sekcja = current_->code;
        sectionStart_ = {current_, lastError_};
        sectionEnd_ = LineInfo{};
        takeLine();
        return S_OK;
      case ekSectionEnd:
        if (inSection) sectionEnd_ = {current_, lastError_};
        dropLine();
        break;
      case ekFileEnd:
        // The end of the file stays current: every later call ends here.
        fileEnd_ = {current_, lastError_};
        return S_FALSE;
      default:
        // Free lines, and lines that stand outside any section, are read past
        // on the way to the next section.
        dropLine();
        break;
    }
  }
  return S_FALSE;
}

counted_ptr<sxLine> PlikSW::freeLine() {
  // Enough for the records a walk holds at a time; beyond it the analyzer's
  // own lines are used.
  constexpr std::size_t kMostLines = 4096;
  // A line held for long (a section's start line, a line object kept by a
  // caller) is stepped over; a run of held lines as long as this means the
  // lines in use have caught up with the pool, which then grows.
  constexpr std::size_t kLook = 4;
  const std::size_t look = std::min(kLook, lines_.size());
  for (std::size_t tried = 0; tried < look; ++tried) {
    counted_ptr<sxLine>& line = lines_[nextLine_];
    if (++nextLine_ == lines_.size()) nextLine_ = 0;
    if (line.use_count() == 1) {
      // Whoever held it last is done with it.
      std::atomic_thread_fence(std::memory_order_acquire);
      return line;
    }
  }
  if (lines_.size() >= kMostLines) return nullptr;
  auto at = lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(nextLine_),
                          std::make_shared<sxLine>(lcNone, 0));
  if (++nextLine_ == lines_.size()) nextLine_ = 0;
  return *at;
}

HRESULT PlikSW::dajKolejnyRekord(RekordSW** rekord) {
  return guardFile([&] { return nextRecord(rekord); });
}

HRESULT PlikSW::nextRecord(RekordSW** rekord) {
  if (HRESULT hr = prologue(true); hr != S_OK) return hr;
  if (!rekord) return E_POINTER;
  *rekord = nullptr;
  // A held line opens this walk whatever level it left; without one, the
  // walk starts only inside a section and outside any record.
  if (!current_ && analyzer_->getContext().getLevel() != csSection) return S_FALSE;
  record_.clear();
  bool inside = false, done = false, complete = false, errorSeen = false, contextFlag = false;
  std::uint8_t type = 0;
  while (!done) {
    if (!readLine()) break;
    if (lastError_) errorSeen = true;
    const sxEventKind kind = analyzer_->getContext().getEventKind();
    bool keep = true;
    if (!inside) {
      switch (kind) {
        case ekRecordStart:
        case ekOneLineRecord:
          type = current_->code;
          contextFlag = analyzer_->getContext().getFormat() == lcNone;
          if (kind == ekRecordStart) {
            inside = true;
          } else {
            done = complete = true;
          }
          break;
        case ekFileEnd:
        case ekSectionStart:
        case ekSectionEnd:
          done = true;
          keep = false;
          break;
        default:
          // Free lines before the record, and lines that belong to no record
          // (a record's own lines after its start was lost), are read past so
          // that the walk always moves on.
          dropLine();
          continue;
      }
    } else {
      if (kind == ekRecordEnd) {
        done = complete = true;
      } else if (!belongsToRecord(kind)) {
        done = true;
        keep = false;
      }
    }
    if (keep) {
      // The line and its error move into the record: no count changes hands.
      record_.push_back({std::move(current_), std::move(lastError_)});
      takeLine();
    } else if (kind == ekSectionEnd) {
      sectionEnd_ = {current_, lastError_};
      current_.reset();
    } else if (kind == ekFileEnd) {
      fileEnd_ = {current_, lastError_};
      current_.reset();
    }
  }
  if (record_.empty()) return S_FALSE;
  const std::size_t lines = record_.size();
  *rekord = new RekordSW(type, std::move(record_), lastError_, complete, errorSeen, contextFlag);
  // The next record gets room for as many lines in one piece.
  record_.clear();
  record_.reserve(std::min<std::size_t>(lines, 1024));
  return S_OK;
}

}  // namespace swde
