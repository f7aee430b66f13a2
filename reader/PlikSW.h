// The reader of one SWDE or SWING file: hands the file out section after
// section and record after record, or line after line, with the verdicts of
// the syntax layer; converts Polish letters and sums texts with CRC-32.
//
// No exception leaves a method: a failure (the file cannot be read, memory
// runs out, a fault of the syntax layer) is a failing HRESULT with error
// information naming the file and the reason. A failure raised while the
// file is read closes it: what was read cannot be gone on from; otworz opens
// it again.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Com.h"
#include "platform/Export.h"
#include "reader/LiniaSW.h"
#include "reader/ReaderObject.h"
#include "reader/RekordSW.h"
#include "syntax/Sxanalyzer.h"
#include "syntax/Sxfilestream.h"
#include "syntax/Sxtokenizer.h"

namespace swde {

class OLVBRIDGE1_API PlikSW : public ReaderObject {
 public:
  PlikSW();

  // Opens the file and reads its header. S_FALSE (the error pending) when
  // the header is not recognised; a failing result with error information
  // naming the file and the reason when it cannot be opened. The path as a
  // BSTR is taken as UTF-8 for the file system; the other form takes the
  // file system's bytes as they are.
  plat::HRESULT otworz(plat::BSTR nazwa, std::int32_t konwertuj);
  plat::HRESULT otworz(const std::string& sciezka, std::int32_t konwertuj);
  // The next record of the section in hand; S_FALSE and null when the
  // section has no further record.
  plat::HRESULT dajKolejnyRekord(RekordSW** rekord);
  // Starts again from the header, as after otworz.
  plat::HRESULT resetuj();
  plat::HRESULT dajTypSekcji(std::int32_t* typ);
  plat::HRESULT dajTypPliku(std::int32_t* typ);
  // Size and position in bytes; the 32-bit forms saturate at 0xFFFFFFFF.
  plat::HRESULT dajRozmiarPliku(std::uint32_t* rozmiar);
  plat::HRESULT dajRozmiarPliku(std::uint64_t* rozmiar);
  plat::HRESULT dajPozycjeWPliku(std::uint32_t* pozycja);
  plat::HRESULT dajPozycjeWPliku(std::uint64_t* pozycja);
  // The next line in reading order; S_OK and null at the end of the file.
  plat::HRESULT dajLinie(LiniaSW** linia);
  // The next lines in reading order a block at a time: the code of every
  // line and the lines that carry an error, with their sections and places
  // (the syntax check's way through a file). S_FALSE and an empty block at
  // the end. dajLinie and the structural methods are refused after it until
  // resetuj.
  plat::HRESULT dajBlokLinii(sxLineBlock* blok);
  // dajBlokLinii checks its blocks on at most threads (0: as many as the
  // syntax check takes), for the files started after the call (otworz,
  // resetuj): a check that runs beside other work on every core.
  void limitBlockThreads(unsigned threads) noexcept { blockThreads_ = threads; }
  // Reads on to the start of the next section and gives its code; S_FALSE
  // and 0 at the end of the file.
  plat::HRESULT ustawNaKolejnaSekcje(std::int32_t* sekcja);
  static plat::HRESULT konwertujISOWin(plat::BSTR in, plat::BSTR* out);
  static plat::HRESULT konwertujWinISO(plat::BSTR in, plat::BSTR* out);
  // One CRC-32 step over the text from the previous sum; the raw register.
  static plat::HRESULT policzCRC(plat::BSTR tekst, std::uint32_t poprzSuma,
                                 std::uint32_t* nowaSuma);
  plat::HRESULT dajWersjePliku(double* wersja);
  plat::HRESULT dajOpisBledu(std::uint32_t* kod, std::uint32_t* numerLinii, plat::BSTR* opis);

  // Test seam: when set, runs on the stream of every file a reader starts
  // (otworz and resetuj) before the header is read; a test moves the start of
  // the data beyond 4 GiB in a sparse file, or raises a failure there. Null
  // (nothing runs) unless a test sets it.
  using StartHook = void (*)(sxFileStream& stream);
  static void setStartHook(StartHook hook) noexcept;

 private:
  ~PlikSW() override;
  // Runs a method's body under guardCall; an exception closes the file.
  template <class Body>
  plat::HRESULT guardFile(Body&& body) noexcept;
  // A static method's body under guardCall.
  template <class Body>
  static plat::HRESULT guardStatic(Body&& body) noexcept;
  // One value of the open file, under the guard: nullResult for a null
  // out-parameter, E_UNEXPECTED when the part of the reader it comes from
  // (source) is gone.
  template <class T, class Get>
  plat::HRESULT query(T* out, plat::HRESULT nullResult, const void* source, Get get) noexcept;
  void close() noexcept;
  // The bodies of ustawNaKolejnaSekcje and dajKolejnyRekord.
  plat::HRESULT nextSection(std::int32_t* sekcja);
  plat::HRESULT nextRecord(RekordSW** rekord);
  // Prologue of the file methods; S_OK when the call may go on.
  plat::HRESULT prologue(bool structural);
  // Stream, tokenizer and analyzer from the start of the file and the
  // header read; S_FALSE when the header is not recognised.
  plat::HRESULT start();
  void closeReaders();
  // The current line, reading one when none is held; false at the end.
  bool readLine();
  // The current line is read past; its error stays pending until the next
  // read.
  void dropLine();
  // The current line and its error are handed on.
  void takeLine();
  // The refusal of a line-by-line read after block reads.
  plat::HRESULT blockRead();
  // A line of the reader's own that no one holds any more, for the analyzer
  // to build the next line in: a record keeps it as it is, and no line is
  // made or copied per line read. Null when every one of them is held.
  counted_ptr<sxLine> freeLine();

  bool open_ = false;
  bool linear_ = false;
  bool blocks_ = false;
  bool convert_ = false;
  unsigned blockThreads_ = 0;  // limitBlockThreads
  std::string path_;
  std::unique_ptr<sxFileStream> stream_;
  std::unique_ptr<sxTokenizer> tokenizer_;
  std::unique_ptr<sxAnalyzer> analyzer_;
  counted_ptr<sxLine> current_;
  counted_ptr<sxError> lastError_;
  std::vector<LineInfo> record_;
  // The reader's own lines, taken in turn from nextLine_; one held by someone
  // else is passed over.
  std::vector<counted_ptr<sxLine>> lines_;
  std::size_t nextLine_ = 0;
  LineInfo header_, fileEnd_, sectionStart_, sectionEnd_;
};

}  // namespace swde
