#include "processing/bzMergeProcess.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <functional>
#include <future>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <type_traits>
#include <unordered_map>

#include "metadata/Attribssection.h"
#include "metadata/Attribtype.h"
#include "metadata/Attributedef.h"
#include "metadata/Contextrecord.h"
#include "metadata/Contextsection.h"
#include "metadata/Referencedef.h"
#include "metadata/Relationtype.h"
#include "metadata/Typessection.h"
#include "metadata/Usrcontextrecord.h"
#include "platform/CodePage.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"
#include "platform/Parts.h"
#include "processing/bzException.h"
#include "semantics/Smerrors.h"
#include "syntax/Sxcodes.h"
#include "syntax/Sxlineblock.h"
#include "syntax/Sxlineparser.h"
#include "syntax/Sxlinevalidator.h"

namespace swde {

using plat::cp;
using plat::HRESULT;

namespace {

constexpr const char* kSource = ".\\bzMergeProcess.cpp";

// The line record behind a reader line; a line without one is a fault of the
// reader.
const sxLine& lineOf(LiniaSW* line, int at) {
  if (!line->line()) checkReaderStatus(plat::E_UNEXPECTED, kSource, at);
  return *line->line();
}

std::string_view rawField(const sxLine& line, std::size_t i) {
  const sxLineField* f = line.getField(i);
  return f ? std::string_view(f->text) : std::string_view();
}

// Line index of record when it is sound (both verdicts good), read in place
// without a line object; null otherwise, when the line goes the way of the
// reader's calls (its error reported, a missing line raised).
const sxLine* soundLine(RekordSW* record, std::uint32_t index) {
  const LineInfo* info = record->lineInfo(index);
  if (!info || !info->line || !info->line->syntaxOk || !info->line->contextOk) return nullptr;
  return info->line.get();
}

// Identifiers (names of types, attributes, relations, keys) are always
// compared trimmed.
std::string_view name(const sxLine& line, std::size_t i) {
  return plat::TrimView(rawField(line, i));
}

std::size_t hashOf(std::string_view a) {
  return std::hash<std::string_view>()(a);
}

std::size_t hashOf(std::string_view a, std::string_view b) {
  const std::size_t h = hashOf(a);
  return h ^ (hashOf(b) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
}

const mgObject* objectAt(std::size_t value) {
  return reinterpret_cast<const mgObject*>(value);
}

// How far ahead of a walk over an object list its objects are loaded.
constexpr std::size_t kAhead = 8;

// Starts loading the byte at p and its page's address: a prefetch alone is
// dropped where the page's address is not cached, which is most of the time
// for objects met at random (the lists run in the order of identifiers, not
// of memory); a load is not. Its value goes nowhere.
void touch(const void* p) {
  static_cast<void>(*static_cast<const volatile char*>(p));
}

// Starts loading the object's fields, which lie all over it.
void prefetchObject(const mgObject* o) {
  if (!o) return;
  touch(o);
  const char* p = reinterpret_cast<const char*>(o);
  for (std::size_t at = 0; at < sizeof(mgObject); at += 64) __builtin_prefetch(p + at);
}

// Starts loading the identifiers of an object: what the indexes of the
// second pass are built from. Short identifiers lie in the object itself.
void prefetchIdentifiers(const mgObject* o) {
  if (!o) return;
  touch(&o->objectType);
  __builtin_prefetch(&o->objectType);
  __builtin_prefetch(&o->objectId);
  __builtin_prefetch(&o->recordId);
}

// Block threads of a reader whose check runs beside the merge's own work on
// every core: a few, so that the checks and the work do not crowd the cores
// out between them.
unsigned besideThreads() {
  return static_cast<unsigned>(std::max<std::size_t>(1, plat::coreCount() * 3 / 8));
}

const AnsiString& interruptedText() {
  static const AnsiString text = cp("Proces scalania został przerwany!!!");
  return text;
}

}  // namespace

namespace {

// Runs make(k) for the chunks k = 0 .. count - 1 on every core and take(k)
// for each of them in order on this thread, at most a few chunks per core
// made ahead of their turn, so that what the made chunks hold stays small;
// on this thread alone when oneThread is set, on at most most threads when
// it is not 0.
// make gives false to give the whole work up; stop() is asked before each
// chunk is made. True when every chunk was made and taken. An exception of
// take, or of make (raised at that chunk's turn), ends the work: no thread
// outlives the call.
template <class Make, class Take, class Stop>
bool runInOrder(std::size_t count, Make make, Take take, Stop stop, bool oneThread = false,
                unsigned most = 0) {
  enum : int { kFree, kMade, kGivenUp };
  std::unique_ptr<std::atomic<int>[]> phase(new std::atomic<int>[count]);
  std::unique_ptr<std::exception_ptr[]> raised(new std::exception_ptr[count]);
  for (std::size_t k = 0; k < count; ++k) phase[k] = kFree;
  std::atomic<std::size_t> next{0};
  std::atomic<bool> abandon{false};
  std::mutex m;
  std::condition_variable cv;
  std::size_t taken = 0;  // under m
  const unsigned cores = oneThread ? 1u
                         : most    ? most
                                   : std::max(1u, std::thread::hardware_concurrency());
  const std::size_t ahead = 4 * static_cast<std::size_t>(cores);

  auto makeOne = [&](std::size_t k) {
    bool made = false;
    try {
      made = !abandon.load() && !stop() && make(k);
    } catch (...) {
      raised[k] = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> g(m);
      if (!made) abandon = true;
      phase[k] = made ? kMade : kGivenUp;
    }
    cv.notify_all();
  };
  auto work = [&] {
    for (;;) {
      const std::size_t k = next.fetch_add(1);
      if (k >= count) return;
      {
        std::unique_lock<std::mutex> g(m);
        cv.wait(g, [&] { return k < taken + ahead || abandon.load(); });
      }
      makeOne(k);
    }
  };
  std::vector<std::thread> helpers;
  struct Join {
    std::vector<std::thread>& helpers;
    std::atomic<bool>& abandon;
    std::mutex& m;
    std::condition_variable& cv;
    ~Join() {
      {
        std::lock_guard<std::mutex> g(m);
        abandon = true;
      }
      cv.notify_all();
      for (std::thread& t : helpers) t.join();
    }
  } join{helpers, abandon, m, cv};
  try {
    for (unsigned i = 1; i < cores && i < count; ++i) helpers.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer helpers, or none: this thread makes what they leave.
  }
  for (std::size_t k = 0; k < count; ++k) {
    // This thread makes the chunks nobody has taken yet while it waits.
    while (phase[k].load() == kFree) {
      const std::size_t j = next.fetch_add(1);
      if (j < count) {
        makeOne(j);
        continue;
      }
      std::unique_lock<std::mutex> g(m);
      cv.wait(g, [&] { return phase[k].load() != kFree; });
    }
    if (raised[k]) std::rethrow_exception(raised[k]);
    if (phase[k].load() != kMade) return false;
    take(k);
    {
      std::lock_guard<std::mutex> g(m);
      taken = k + 1;
    }
    cv.notify_all();
  }
  return true;
}

// Objects of a list in one chunk of the pairing's work.
constexpr std::size_t kObjectsPerChunk = 4096;

std::size_t chunksOf(std::size_t objects) {
  return (objects + kObjectsPerChunk - 1) / kObjectsPerChunk;
}

// The stop of work that is never given up.
bool neverStop() {
  return false;
}

// body(from, to) for the places [from, to) of a list of count, a chunk at a
// time on every core (on this thread alone when oneThread is set); false
// after a stop.
template <class Body, class Stop>
bool inChunks(std::size_t count, Body body, Stop stop, bool oneThread = false) {
  return runInOrder(
      chunksOf(count),
      [&](std::size_t k) {
        body(k * kObjectsPerChunk, std::min(count, (k + 1) * kObjectsPerChunk));
        return true;
      },
      [](std::size_t) {}, stop, oneThread);
}

}  // namespace

namespace {

// What chunks of work are made into (texts, the objects' memory), given back
// once a chunk is done with it: its memory serves chunk after chunk, its
// pages made once, not once a chunk.
template <class T>
class Pool {
 public:
  // One given back before, or a new one (an empty text, a null pointer).
  T take() {
    std::lock_guard<std::mutex> hold(lock_);
    if (free_.empty()) return T();
    T item = std::move(free_.back());
    free_.pop_back();
    return item;
  }
  // item is kept for the next take, and left empty.
  void give(T& item) noexcept {
    if constexpr (std::is_same_v<T, AnsiString>) item.clear();  // the room stays
    std::lock_guard<std::mutex> hold(lock_);
    try {
      free_.push_back(std::move(item));
    } catch (const std::bad_alloc&) {
      // It goes with its chunk.
    }
    item = T();
  }

 private:
  std::mutex lock_;
  std::vector<T> free_;
};

// The texts of chunks, whose room serves chunk after chunk.
using TextPool = Pool<AnsiString>;

// A check (or any work) run on a thread of its own beside the work it
// vouches for: told to give up and waited for whatever way its owner leaves.
class SideCheck {
 public:
  // check(giveUp) gives the verdict, looking at giveUp as it goes.
  explicit SideCheck(std::function<bool(const std::atomic<bool>&)> check)
      : check_(std::move(check)) {
    try {
      thread_ = std::thread([this] {
        try {
          verdict_ = check_(giveUp_);
        } catch (...) {
          raised_ = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      // Checked on the owner's thread when the verdict is asked for.
    }
  }
  ~SideCheck() {
    giveUp();
    if (thread_.joinable()) thread_.join();
  }
  SideCheck(const SideCheck&) = delete;
  SideCheck& operator=(const SideCheck&) = delete;

  void giveUp() noexcept { giveUp_ = true; }
  // The verdict once the check has ended (false when it gave up); without a
  // thread of its own the check runs here unless it was given up. What the
  // check raised is raised here.
  bool verdict() {
    if (thread_.joinable()) {
      thread_.join();
      if (raised_) std::rethrow_exception(std::exchange(raised_, nullptr));
      return verdict_;
    }
    return !giveUp_.load() && check_(giveUp_);
  }

 private:
  std::function<bool(const std::atomic<bool>&)> check_;
  std::atomic<bool> giveUp_{false};
  bool verdict_ = false;
  std::exception_ptr raised_;
  std::thread thread_;
};

}  // namespace

// The part result's check beside the pairing: its own reader, whose reads
// wait for the bytes the pairing has yet to write. Given up, the file it
// follows is abandoned too, so that a read waiting for more ends.
class bzMergeProcess::PartResultCheck {
 public:
  PartResultCheck(bzMergeProcess& p, plat::ComPtr<PlikSW> reader,
                  std::shared_ptr<plat::GrowingFile> growing)
      : reader_(std::move(reader)),
        growing_(std::move(growing)),
        check_([this, &p](const std::atomic<bool>& giveUp) {
          try {
            const AnsiString path = p.partResultPath;
            std::uint32_t code = 0, line = 0;
            plat::BSTR text = nullptr;
            const bool opened = reader_->otworz(path, 1) == plat::S_OK &&
                                reader_->dajOpisBledu(&code, &line, &text) == plat::S_FALSE;
            plat::BStr held(text);
            plat::ClearErrorInfo();
            return opened && p.partResultChecked(*reader_, giveUp);
          } catch (...) {
            // No verdict but a refusal: the part result is read record by
            // record.
            return false;
          }
        }) {}
  ~PartResultCheck() { giveUp(); }

  void giveUp() noexcept {
    check_.giveUp();
    growing_->abandon();
  }
  bool verdict() { return check_.verdict(); }

 private:
  plat::ComPtr<PlikSW> reader_;
  std::shared_ptr<plat::GrowingFile> growing_;
  SideCheck check_;  // last: its thread ends before the reader goes
};

// Builds one object from the lines of its record as the first pass takes
// them: its header's fields, its key and its text parts. One per thread.
class bzMergeProcess::ObjectBuilder {
 public:
  explicit ObjectBuilder(const bzMergeProcess& p) : p_(p) {}

  void start(mgObject& object, bzMergeRules::Reader reader) {
    o_ = &object;
    reader_ = reader;
    geometry_ = reader == bzMergeRules::Reader::geometry;
    inGeometry_ = keyFound_ = keySearch_ = false;
    for (AnsiString& t : parts) t.clear();
  }
  // Takes the record's next line (header: its first); false at the
  // record's end line, which is not taken.
  bool line(const sxLine& l, bool header) {
    using R = bzMergeRules::Reader;
    const std::int32_t code = l.code;
    if (code == lcX || code == lcXC) return false;
    mgObject& object = *o_;
    if (header) {
      p_.fillObjectInfo(l, object);
      keySearch_ = reader_ != R::another || bzMergeRules::anotherHasKey(object.objectType);
    } else if (geometry_) {
      switch (code) {
        case lcGL:
          inGeometry_ = true;
          break;
        case lcGX:
          add(l, 0);
          inGeometry_ = false;
          break;
        case lcD:
          bzMergeRules::offerKeyLine(object, keyFound_, l.getFieldCount(), rawField(l, 1),
                                     rawField(l, l.getFieldCount() - 1));
          add(l, 1);
          break;
        case lcWG:
        case lcWL:
          add(l, 2);
          break;
        default:
          break;
      }
      if (inGeometry_) add(l, 0);
    } else {
      if (code == lcD && keySearch_ && l.getFieldCount() > 0)
        bzMergeRules::offerKeyLine(object, keyFound_, l.getFieldCount(), rawField(l, 1),
                                   rawField(l, l.getFieldCount() - 1));
      add(l, 0);
    }
    return true;
  }
  // The object's part; the text parts it parks: parked() of them.
  void finish() { o_->part = geometry_ ? 0 : reader_ == bzMergeRules::Reader::description ? 1 : 2; }
  int parked() const { return geometry_ ? mgObject::kParts : 1; }

  AnsiString parts[mgObject::kParts];

 private:
  // Appends the line as the spool keeps it to text part k.
  void add(const sxLine& line, int k) {
    const std::uint32_t n = line.getFieldCount();
    fields_.clear();
    for (std::uint32_t i = 0; i < n; ++i) fields_.push_back(p_.field(line, i));
    p_.rules.appendLine(line.code, fields_.data(), fields_.size(), line.hasSemicolon != 0,
                        line.comment, parts[k], o_->references[k]);
  }

  const bzMergeProcess& p_;
  mgObject* o_ = nullptr;
  bzMergeRules::Reader reader_ = bzMergeRules::Reader::another;
  bool geometry_ = false, inGeometry_ = false, keyFound_ = false, keySearch_ = false;
  std::vector<std::string_view> fields_;
};

bzMergeProcess::bzMergeProcess(RunKey key, bzFileList* fileList, bzReport* report,
                               bzSettings* settings, bzProcessState* state)
    : bzProcessThread(key, fileList, report, settings, state) {}

bzMergeProcess::~bzMergeProcess() {
  clear();
}

AnsiString bzMergeProcess::getTitle() const {
  return cp("Scalanie plików z opisem i geometrią");
}

void bzMergeProcess::clear() {
  joinPrepared();
  for (std::future<void>& f : prepared_) f = {};
  for (std::future<void>& f : sorted_) f = {};
  specialGeoObjects.clear();
  mergedPrecincts.clear();
  // The objects go on every core, in the order they were made in where it
  // is at hand: runs of neighbours in memory.
  for (int i = 0; i < 2; ++i) {
    auto& list = fileObjects[i];
    plat::LargeTable<mgObject*>& made = madeOrder_[i];
    if (made.size() != list.size()) {
      try {
        made.clear();
        made.reserve(list.size());
        for (const auto& o : list) made.push_back(o.get());
      } catch (const std::bad_alloc&) {
        // No room for the order: one by one.
        made.clear();
        list.clear();
      }
    }
    for (auto& o : list) static_cast<void>(o.release());
    list.clear();
  }
  // Both lists at once: when the last objects go, their slabs go whole.
  mgObject::destroy(
      {{madeOrder_[0].data(), madeOrder_[0].size()}, {madeOrder_[1].data(), madeOrder_[1].size()}});
  for (plat::LargeTable<mgObject*>& made : madeOrder_) {
    made.clear();
    made.shrink_to_fit();
  }
  for (bzMergeIndex& part : mergedKeys) part.release();
  writtenRecords.clear();
  for (int i = 0; i < 2; ++i) {
    byRecordId_[i].release();
    byObjectId_[i].release();
    indexed_[i] = false;
    plat::LargeTable<std::size_t>().swap(sortedFrom_[i]);
  }
}

void bzMergeProcess::prepareInBackground(int input, bool sort) {
  indexed_[input] = false;
  // The pairing needs the sorted list only; the indexes come after.
  auto sorted = std::make_shared<std::promise<void>>();
  sorted_[input] = sorted->get_future();
  auto work = [this, input, sort, sorted] {
    if (sort) {
      try {
        noteMadeOrder(input);
        bzMergeRules::sortObjects(fileObjects[input], &sortedFrom_[input]);
      } catch (...) {
        sorted->set_exception(std::current_exception());
        throw;
      }
    }
    sorted->set_value();
    indexObjects(input);
  };
  try {
    prepared_[input] = std::async(std::launch::async, work);
  } catch (const std::system_error&) {
    // No thread to be had: the work is done here and now.
    prepared_[input] = std::async(std::launch::deferred, work);
  }
}

void bzMergeProcess::noteMadeOrder(int input) {
  const auto& list = fileObjects[input];
  plat::LargeTable<mgObject*>& made = madeOrder_[input];
  // Filled on every core: no one thread makes all its pages.
  made.resize(list.size());
  inChunks(
      list.size(),
      [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) made[i] = list[i].get();
      },
      neverStop);
}

void bzMergeProcess::awaitSorted(int input) {
  if (!sorted_[input].valid()) return;
  // Work that no thread took runs here, whole.
  if (prepared_[input].valid() &&
      prepared_[input].wait_for(std::chrono::seconds(0)) == std::future_status::deferred) {
    awaitPrepared(input);
    sorted_[input] = {};
    return;
  }
  sorted_[input].get();
}

void bzMergeProcess::awaitPrepared(int input) {
  if (!prepared_[input].valid()) return;
  // get() leaves the future empty: a second wait finds nothing to wait for.
  prepared_[input].get();
  indexed_[input] = true;
}

void bzMergeProcess::joinPrepared() noexcept {
  // Work left to be done here (no thread was had) is not started for that.
  for (std::future<void>& f : prepared_)
    if (f.valid() && f.wait_for(std::chrono::seconds(0)) != std::future_status::deferred) f.wait();
}

// ---------------------------------------------------------------------------
// The run

int bzMergeProcess::process() {
  rules = bzMergeRules(settings->skipComments, settings->skipWhiteChars);
  // Whatever way the run leaves, no work file and no reader outlives it.
  struct WorkFiles {
    bzMergeProcess& p;
    ~WorkFiles() {
      p.dropSecondInput();
      p.releaseWorkFiles();
    }
  } workFiles{*this};

  reportFileList();
  if (!checkOutputPath() || !checkFilesType()) {
    failed = true;
    addToReport(interruptedText());
    closeFilePartResult();
    releaseWorkFiles();
    updateState();
    return 0;
  }

  fileMetadata[0] = std::make_unique<Metadata>();
  fileMetadata[1] = std::make_unique<Metadata>();
  // A folder that takes no file ends the run as a critical failure naming it.
  partResultFile = createStore(Store::partResult);
  partResultFile->openTempFile(outputFolder);
  partResultPath = partResultFile->path();

  addToReport(" ");
  addToReport(cp("Scalanie plików:"));
  for (unsigned i = 0; i < 2 && !isTerminated(); ++i) {
    if (i == 1 && second_) {
      // Input 1 was read while input 0 was: taken over as if read here.
      if (!takeSecondInput()) break;
    } else {
      if (!openFile(i)) {
        closeFile();
        failed = true;
        continue;
      }
      currentKind = fileKind[i];
      if (!fileObject) continue;
      if (fileType == lcSWING) {
        closeFile();
        addToReport("Niepoprawny format pliku. Oczekiwany plik w formacie SWDE");
        failed = true;
        break;
      }
      currentFile = static_cast<int>(i);
      bool ok = openSpool();
      // Once input 0 is open with its spool, input 1 is read beside it.
      if (ok && i == 0 && !isTerminated()) startSecondInput();
      ok = ok && readSections();
      updateState();
      closeFile();
      if (!ok) failed = true;
      if (failed) break;
    }
    // The first list is sorted and indexed while the second input is read;
    // the second is sorted here, for the pairing, and indexed during it.
    if (i == 0 && !isTerminated()) {
      prepareInBackground(0, true);
    } else if (i == 1 && !isTerminated()) {
      noteMadeOrder(1);
      bzMergeRules::sortObjects(fileObjects[1], &sortedFrom_[1]);
      prepareInBackground(1, false);
    }
  }
  // Input 0 failed or the run was stopped: what input 1 gave goes unseen,
  // as it is when input 1 is never opened.
  dropSecondInput();
  if (isTerminated()) failed = true;
  // A list no thread took is sorted here; the pairing walks the first one
  // sorted (a failure of its thread, out of memory, ends the run here as the
  // sort itself would).
  for (int i = 0; i < 2; ++i)
    if (!prepared_[i].valid()) bzMergeRules::sortObjects(fileObjects[i]);
  awaitSorted(0);

  nextRecordId = rules.nextRecordId();

  if (!failed) {
    try {
      // A stop during the pairing leaves a part result cut short.
      if (mergeFiles() && !isTerminated()) {
        partResultFile->finishWriting();
        // The objects' text is in the part result now: the spools go, and
        // with them the memory their reading took.
        spoolFiles[0].reset();
        spoolFiles[1].reset();
        updateRelationsIds();
      } else {
        failed = true;
      }
    } catch (...) {
      // The run ends as a critical failure; the report still tells that
      // nothing was merged.
      failed = true;
      try {
        addToReport(interruptedText());
      } catch (...) {
      }
      throw;
    }
  }
  if (failed) addToReport(interruptedText());
  // The part result's entry in the progress record takes its final counts
  // whichever way the second pass went, not only when a walk's clock said so.
  if (currentFile == 2) updateState();
  closeFilePartResult();
  releaseWorkFiles();
  updateState();
  return 0;
}

bool bzMergeProcess::checkOutputPath() {
  const AnsiString& dir = settings->outputDir;
  outputFolder = dir;
  if (!dir.empty() && dir.back() != '/') outputFolder.push_back('/');
  mergedPath = outputFolder + settings->outputFileName;
  if (settings->outputFileName.empty()) {
    addToReport("Brak nazwy pliku wynikowego");
    return false;
  }
  for (unsigned i = 0; i < fileList->getFileCount(); ++i) {
    if (plat::sameFile(mergedPath, fileList->getFilePath(i) + fileList->getFileName(i))) {
      addToReport(cp("Plik wynikowy jest plikiem wejściowym: ") +
                  plat::fileNameToCp1250(mergedPath));
      return false;
    }
  }
  // A folder, a device or a FIFO of that name is never written over.
  struct stat st;
  if (::stat(mergedPath.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    addToReport(cp("Błąd zapisu pliku ") + plat::fileNameToCp1250(mergedPath) + ": " +
                plat::fileWriteErrorReason(S_ISDIR(st.st_mode) ? EISDIR : plat::kNotRegularFile));
    return false;
  }
  return true;
}

void bzMergeProcess::closeFilePartResult() {
  fileObject.reset();
  current.status = 2;
  state->setFilesProceeded(static_cast<std::uint32_t>(currentFile + 1));
  currentFile = -1;
}

void bzMergeProcess::releaseWorkFiles() noexcept {
  partResultCheck_.reset();
  fileObject.reset();
  partResultFile.reset();
  partResultPath.clear();
  spoolFiles[0].reset();
  spoolFiles[1].reset();
  mergedFile.reset();
}

void bzMergeProcess::tick(std::uint64_t& last) {
  // The loops tick once a record: the clock is read once every few ticks.
  if (++ticks_ % kTicksPerClockRead != 0) return;
  const std::uint64_t now = tickCount();
  if (now - last > updateInterval) {
    last = now;
    updateState();
  }
}

void bzMergeProcess::reportProgramError(const plat::Exception& e) {
  AnsiString text = cp("Wystąpił błąd programu w trakcie przetwarzania pliku. ") + e.Message();
  // A read that failed in the middle of the file: the reader's own words name
  // the file and the reason.
  if (const auto* com = dynamic_cast<const bzCOMException*>(&e); com && !com->description.empty())
    text += ": " + com->description;
  addToReport(text);
  ++current.errors;
  ++totalErrors;
  state->setProcessPosition(fileSize);
}

void bzMergeProcess::reportMergeError(int code, int fileIdx) {
  const mgError error(static_cast<mgErrorCode>(code));
  addToReport(code, rmError, fileIdx, mgError::rsSO, 1, 0, error.message);
  ++totalErrors;
}

std::string_view bzMergeProcess::field(const sxLine& line, std::size_t i) const {
  const std::string_view f = rawField(line, i);
  return settings->skipWhiteChars ? plat::TrimView(f) : f;
}

plat::ComPtr<LiniaSW> bzMergeProcess::takeLine(RekordSW* record, std::uint32_t index,
                                               bool& reported) {
  plat::ComPtr<LiniaSW> line;
  checkReaderStatus(record->dajLinie(index, line.out()), kSource, __LINE__);
  reported = checkError(line.get());
  if (reported) line.reset();
  if (line) lineOf(line.get(), __LINE__);
  return line;
}

void bzMergeProcess::skipRecords(PlikSW* reader) {
  plat::ComPtr<RekordSW> record;
  for (;;) {
    checkReaderStatus(reader->dajKolejnyRekord(record.out()), kSource, __LINE__);
    if (!record) return;
  }
}

// ---------------------------------------------------------------------------
// Kinds of the inputs

bool bzMergeProcess::checkFilesType() {
  const AnsiString title = cp("Analiza rodzajów obiektów zawartych w scalanych plikach");
  setMessage(title);
  addToReport(title + ":");
  if (fileList->getFileCount() != 2) {
    addToReport(cp("Niepoprawna liczba plików do scalenia"));
    return false;
  }
  for (unsigned i = 0; i < 2 && !isTerminated(); ++i) {
    if (!openFile(i)) {
      closeFile();
      return false;
    }
    if (fileType == lcSWING) {
      addToReport("Niepoprawny format pliku. Oczekiwany plik w formacie SWDE");
    } else if (!processCheckFileType()) {
      fileObject.reset();
      return false;
    }
    fileObject.reset();
  }
  // A stop leaves the kinds undecided; it is no finding.
  if (isTerminated()) return false;
  for (int i = 0; i < 2; ++i) {
    if (fileKind[i] == bzMergeRules::kindUndecided) {
      reportMergeError(meFileKindUndecided, i);
      return false;
    }
  }
  if (fileKind[0] == fileKind[1]) {
    reportMergeError(meSameKindTwice, currentFile);
    return false;
  }
  return true;
}

bool bzMergeProcess::processCheckFileType() {
  bool ok = true;
  try {
    eachSection([&](std::int32_t section) {
      if (section != scSO) return true;
      ok = parseSectionSO(fileObject.get());
      return false;
    });
    if (ok && !isTerminated() && checkError(fileObject.get())) ok = false;
  } catch (const plat::Exception& e) {
    reportProgramError(e);
    updateState();
    return false;
  }
  const bool through = passEnded(ok);
  if (!isTerminated()) updateState();
  return through;
}

bool bzMergeProcess::parseSectionSO(PlikSW* reader) {
  plat::ComPtr<RekordSW> record;
  checkReaderStatus(reader->dajKolejnyRekord(record.out()), kSource, __LINE__);
  std::uint64_t last = tickCount();
  bool decided = false;
  while (record && !isTerminated() && !decided) {
    if (checkError(record.get())) return false;
    ++recordsCount;
    if (!parseRecordObject(record.get(), decided)) return false;
    checkReaderStatus(reader->dajKolejnyRekord(record.out()), kSource, __LINE__);
    tick(last);
  }
  return true;
}

bool bzMergeProcess::parseRecordObject(RekordSW* record, bool& decided) {
  bool reported = false;
  const plat::ComPtr<LiniaSW> line = takeLine(record, 0, reported);
  if (reported) return false;
  const sxLine& header = lineOf(line.get(), __LINE__);
  const std::string_view type = header.getFieldCount() > 2 ? name(header, 2) : std::string_view();
  const auto kind = bzMergeRules::kindOfType(type);
  if (kind != bzMergeRules::kindUndecided) {
    fileKind[currentFile] = kind;
    decided = true;
  }
  return true;
}

// ---------------------------------------------------------------------------
// The first pass

bool bzMergeProcess::processFile() {
  return openSpool() && readSections();
}

bool bzMergeProcess::openSpool() {
  if (!fileObject) {
    addToReport(cp("Nie udało się otworzyć pliku"));
    return false;
  }
  try {
    auto spool = createStore(Store::spool);
    spool->openTempFile(outputFolder);
    // Nobody opens a spool by name: the descriptor keeps it, and no ending of
    // the run can leave it behind.
    spool->unlinkName();
    setMessage(currentFile == 0 ? "Przetwarzanie pliku pierwszego"
                                : "Przetwarzanie pliku drugiego");
    spoolFiles[currentFile] = std::move(spool);
  } catch (const plat::Exception& e) {
    reportProgramError(e);
    return false;
  }
  return true;
}

bool bzMergeProcess::readSections() {
  bool ok = true;
  try {
    mgFile* out = spoolFiles[currentFile].get();
    eachSection([&](std::int32_t section) {
      switch (section) {
        case scSN:
          ok = parseSectionSN(fileObject.get());
          break;
        case scSP:
          ok = parseSectionSP(fileObject.get());
          break;
        case scST:
          ok = parseSectionST(fileObject.get());
          break;
        case scSO:
          switch (quickSectionSO(out, section)) {
            case Quick::done:
              // The rest of the input was checked with the section.
              if (!isTerminated() && checkError(fileObject.get())) ok = false;
              return false;
            case Quick::refused:
              ok = false;
              return false;
            case Quick::declined:
              ok = parseSectionSO(fileObject.get(), out);
              break;
          }
          break;
        default:
          return true;
      }
      // A section read to its end leaves the error of its end line pending
      // on the file; the next read would drop it.
      if (ok && !isTerminated() && checkError(fileObject.get())) ok = false;
      return ok;
    });
    if (ok && !isTerminated() && checkError(fileObject.get())) ok = false;
  } catch (const plat::Exception& e) {
    reportProgramError(e);
    return false;
  }
  return passEnded(ok);
}

struct bzMergeProcess::SecondInput {
  // How far input 1 got on the opening side.
  enum class Stage { notOpened, noReader, wrongFormat, opened };
  bzProcessState state;  // the progress of the pass, taken over at its end
  std::vector<HeldLine> held;
  std::unique_ptr<bzRun<bzMergeProcess>> process;
  std::thread thread;
  Stage stage = Stage::notOpened;
  bool walk = false;     // the walk over the sections is to be done
  bool through = false;  // the walk went through
  std::exception_ptr error;

  void run() noexcept {
    try {
      through = process->readSections();
    } catch (...) {
      error = std::current_exception();
    }
    walk = false;
  }
};

plat::ComPtr<PlikSW> bzMergeProcess::createFileInterface() {
  if (owner_) return owner_->createFileInterface();
  return bzProcessThread::createFileInterface();
}

void bzMergeProcess::startSecondInput() {
  second_ = std::make_unique<SecondInput>();
  SecondInput& s = *second_;
  try {
    s.process = std::make_unique<bzRun<bzMergeProcess>>(fileList, report, settings, &s.state);
    bzMergeProcess& p = *s.process;
    p.owner_ = this;
    p.followStopOf(this);
    p.holdReportLines(&s.held);
    p.updateInterval = updateInterval;
    p.rules = bzMergeRules(settings->skipComments, settings->skipWhiteChars);
    p.quickFirstPass_ = quickFirstPass_;
    p.outputFolder = outputFolder;
    p.fileKind[0] = fileKind[0];
    p.fileKind[1] = fileKind[1];
    p.fileMetadata[1] = std::make_unique<Metadata>();
    // The steps of the loop in process, for input 1.
    // Not opened: closed where the pass is taken over, whose state then
    // tells so.
    if (!p.openFile(1)) return;
    p.currentKind = p.fileKind[1];
    if (!p.fileObject) {
      s.stage = SecondInput::Stage::noReader;
      return;
    }
    if (p.fileType == lcSWING) {
      s.stage = SecondInput::Stage::wrongFormat;
      p.closeFile();
      p.addToReport("Niepoprawny format pliku. Oczekiwany plik w formacie SWDE");
      return;
    }
    s.stage = SecondInput::Stage::opened;
    p.currentFile = 1;
    s.walk = p.openSpool();
  } catch (...) {
    // Raised where reading input 1 would raise it: after input 0.
    s.error = std::current_exception();
    s.walk = false;
    return;
  }
  if (!s.walk) return;
  try {
    s.thread = std::thread([&s] { s.run(); });
  } catch (const std::system_error&) {
    // No thread to be had: the walk is done when input 1's turn comes.
  }
}

bool bzMergeProcess::takeSecondInput() {
  std::unique_ptr<SecondInput> taken = std::move(second_);
  SecondInput& s = *taken;
  if (s.thread.joinable())
    s.thread.join();
  else if (s.walk)
    s.run();
  if (!s.process) std::rethrow_exception(s.error);
  bzMergeProcess& p = *s.process;
  writeHeldLines(s.held);
  totalErrors += p.totalErrors;
  totalWarns += p.totalWarns;
  currentFile = 1;
  current = p.current;
  recordsCount = p.recordsCount;
  if (!s.state.getCurrentFileName().empty())
    state->setCurrentFileName(s.state.getCurrentFileName());
  if (s.stage == SecondInput::Stage::notOpened) {
    if (s.error) std::rethrow_exception(s.error);
    updateState();
    closeFile();
    failed = true;
    return false;
  }
  fileSize = p.fileSize;
  fileType = p.fileType;
  fileVersion = p.fileVersion;
  currentKind = p.currentKind;
  state->setProcessMaxValue(fileSize);
  state->setFileFormat(fileType == lcSWDE ? "SWDE" : "SWING");
  state->setFileFormatVersion(fileVersion);
  if (s.stage == SecondInput::Stage::noReader) return true;
  if (s.stage == SecondInput::Stage::wrongFormat) {
    closeFile();
    failed = true;
    return false;
  }
  fileObject = std::move(p.fileObject);
  if (s.error) std::rethrow_exception(s.error);
  // The objects were numbered from 1: they take the identifiers that follow
  // input 0's, in the order they were read, as do the rejected ones.
  const std::uint64_t first = rules.nextRecordId();
  const auto& read = p.fileObjects[1];
  inChunks(
      read.size(),
      [&](std::size_t from, std::size_t to) {
        char digits[24];
        for (std::size_t i = from; i < to; ++i) {
          const auto end = std::to_chars(digits, digits + sizeof digits, first + i).ptr;
          read[i]->newRecordId = std::string_view(digits, end - digits);
        }
      },
      neverStop);
  rules.takeRecordIds(p.rules.nextRecordId() - 1);
  fileObjects[1] = std::move(p.fileObjects[1]);
  fileMetadata[1] = std::move(p.fileMetadata[1]);
  spoolFiles[1] = std::move(p.spoolFiles[1]);
  updateState();
  closeFile();
  if (!s.through) failed = true;
  return !failed;
}

void bzMergeProcess::dropSecondInput() noexcept {
  if (!second_) return;
  if (second_->process) second_->process->askToStop();
  if (second_->thread.joinable()) second_->thread.join();
  second_.reset();
}

bool bzMergeProcess::passEnded(bool ok) {
  if (isTerminated()) {
    state->setProcessPosition(fileSize);
    return false;
  }
  if (!ok) {
    current.status = 2;
    state->setFilesProceeded(static_cast<std::uint32_t>(currentFile + 1));
    state->setProcessPosition(fileSize);
    return false;
  }
  return true;
}

template <class Body>
void bzMergeProcess::eachSection(Body body) {
  std::uint64_t last = tickCount();
  for (;;) {
    std::int32_t section = 0;
    const HRESULT hr = fileObject->ustawNaKolejnaSekcje(&section);
    checkReaderStatus(hr, kSource, __LINE__);
    if (hr != plat::S_OK || section == 0) return;
    if (!body(section)) return;
    tick(last);
    if (isTerminated()) return;
    skipRecords(fileObject.get());
  }
}

template <class Body>
bool bzMergeProcess::walkRecords(PlikSW* reader, Body body) {
  plat::ComPtr<RekordSW> record;
  checkReaderStatus(reader->dajKolejnyRekord(record.out()), kSource, __LINE__);
  std::uint64_t last = tickCount();
  while (record && !isTerminated()) {
    // The error of a line that ended the record without belonging to it (a
    // section end where the record's end line is missing) travels on the
    // record.
    if (checkError(record.get())) return false;
    if (!body(record.get())) return false;
    checkReaderStatus(reader->dajKolejnyRekord(record.out()), kSource, __LINE__);
    tick(last);
  }
  return true;
}

template <class Body>
bool bzMergeProcess::eachLine(RekordSW* record, Body body) {
  std::uint32_t count = 0;
  checkReaderStatus(record->dajIloscLinii(&count), kSource, __LINE__);
  for (std::uint32_t i = 0; i < count && !isTerminated(); ++i) {
    bool reported = false;
    const plat::ComPtr<LiniaSW> line = takeLine(record, i, reported);
    if (reported) return false;
    body(*line->line());
  }
  return true;
}

// ---------------------------------------------------------------------------
// Metadata sections

bool bzMergeProcess::parseSectionSN(PlikSW* reader) {
  ContextSection* contexts = fileMetadata[currentFile]->getContextSection();
  return walkRecords(reader, [&](RekordSW* record) {
    return eachLine(record, [&](const sxLine& l) {
      if ((l.code != lcNS && l.code != lcNU) || l.getFieldCount() < 2) return;
      // The last field holds the value, the ";" and the comment.
      const std::string_view first = name(l, 1);
      const auto text = bzMergeRules::splitFreeText(rawField(l, l.getFieldCount() - 1));
      const std::string_view value =
          settings->skipWhiteChars ? plat::TrimView(text.value) : text.value;
      const AnsiString key = bzMergeRules::contextKey(first, value);
      auto fill = [&](auto* r) {
        if (!r) return;  // the first of equal keys stays
        r->firstValue = first;
        r->lastValue = value;
        if (!settings->skipComments) r->comment = text.comment;
      };
      if (l.code == lcNS)
        fill(contexts->addRecord(key));
      else
        fill(contexts->addUsrRecord(key));
    });
  });
}

bool bzMergeProcess::parseSectionSP(PlikSW* reader) {
  AttribsSection* attribs = fileMetadata[currentFile]->getAttribsSection();
  return walkRecords(reader, [&](RekordSW* record) {
    return eachLine(record, [&](const sxLine& l) {
      const std::uint32_t n = l.getFieldCount();
      if (l.code == lcB && n >= 2) {
        AttribType* a = attribs->addAttribute(AnsiString(name(l, 1)));
        if (!a) return;
        a->type = field(l, 2);
        a->fieldCount = static_cast<int>(n);
        if (n > 3) a->field3 = field(l, 3);
        if (n > 4) a->field4 = field(l, 4);
        if (!settings->skipComments) a->comment = l.comment;
      } else if (l.code == lcW && n >= 2) {
        RelationType* r = attribs->addRelation(bzMergeRules::relationRename(name(l, 1)));
        if (r && !settings->skipComments) r->comment = l.comment;
      }
    });
  });
}

bool bzMergeProcess::parseSectionST(PlikSW* reader) {
  return walkRecords(reader, [&](RekordSW* record) {
    std::uint32_t count = 0;
    checkReaderStatus(record->dajIloscLinii(&count), kSource, __LINE__);
    for (std::uint32_t i = 0; i < count; ++i) {
      bool reported = false;
      plat::ComPtr<LiniaSW> line = takeLine(record, i, reported);
      if (reported) return false;
      if (line->line()->code != lcTD) continue;
      RecordType* type = parse_TD_Line(*line->line());
      line.reset();
      if (!type) break;  // a type of that name is in the model: the record is passed over
      bool closed = false;
      for (++i; i < count && !closed; ++i) {
        line = takeLine(record, i, reported);
        if (reported) return false;
        const int code = line->line()->code;
        line.reset();
        bool groupOk = true;
        switch (code) {
          case lcTP:
            groupOk = parseLineTP(record, count, type, i);
            break;
          case lcWE:
            groupOk = parseLineWE(record, count, type, i);
            break;
          case lcWR:
            groupOk = parseLineWR(record, count, type, i);
            break;
          case lcX:
          case lcXC:
            closed = true;
            break;
          default:
            break;
        }
        if (!groupOk) return false;
      }
      break;
    }
    return true;
  });
}

RecordType* bzMergeProcess::parse_TD_Line(const sxLine& line) {
  const std::string_view asRead = name(line, 1);
  RecordType* type = fileMetadata[currentFile]->getTypesSection()->addType(
      bzMergeRules::typeRename(asRead), AnsiString(name(line, 2)), AnsiString(asRead));
  if (type && !settings->skipComments) type->comment = line.comment;
  return type;
}

namespace {

// One line group of a TD record: the line that opens it, then the lines that
// may follow it, each taken only when its code is the one the group expects:
// a line that flags the group (TPW, WW, WP), then a line that names its key
// (TPN, WN).
struct Group {
  AnsiString code;
  AnsiString key;
  AnsiString comments[3];
  bool flagged = false;
};

constexpr int kNoKeyLine = -1;

// Reads the group opened by the line at index into g; index ends on the
// group's last line. take(i, reported) gives line i of the record; false
// when a line could not be taken (already reported).
template <class Take>
bool readGroup(Take take, std::uint32_t count, std::uint32_t& index, int flagCode, int keyCode,
               Group& g) {
  bool reported = false;
  {
    const plat::ComPtr<LiniaSW> first = take(index, reported);
    if (reported) return false;
    g.code = name(*first->line(), 1);
    g.comments[0] = first->line()->comment;
  }
  plat::ComPtr<LiniaSW> next;
  if (index + 1 < count) next = take(index + 1, reported);
  if (reported) return false;
  if (next && next->line()->code == flagCode) {
    g.flagged = true;
    g.comments[1] = next->line()->comment;
    ++index;
    next.reset();
    if (keyCode == kNoKeyLine) return true;
    if (index + 1 < count) next = take(index + 1, reported);
    if (reported) return false;
  }
  if (keyCode != kNoKeyLine && next && next->line()->code == keyCode) {
    g.key = name(*next->line(), 1);
    g.comments[2] = next->line()->comment;
    ++index;
  }
  return true;
}

}  // namespace

bool bzMergeProcess::parseLineTP(RekordSW* record, std::uint32_t count, RecordType* type,
                                 std::uint32_t& index) {
  Group g;
  const auto take = [&](std::uint32_t i, bool& reported) { return takeLine(record, i, reported); };
  if (!readGroup(take, count, index, lcTPW, lcTPN, g)) return false;
  AttributeDef* a = type->addAttribute(g.code, g.key);
  if (a) {
    a->multiple = g.flagged;
    if (!settings->skipComments)
      for (const AnsiString& c : g.comments) a->addComment(c);
  }
  return true;
}

bool bzMergeProcess::parseLineWE(RekordSW* record, std::uint32_t count, RecordType* type,
                                 std::uint32_t& index) {
  Group g;
  const auto take = [&](std::uint32_t i, bool& reported) { return takeLine(record, i, reported); };
  if (!readGroup(take, count, index, lcWP, kNoKeyLine, g)) return false;
  ReferenceDef* r = type->addReference(bzMergeRules::relationRename(g.code), AnsiString());
  if (r) {
    r->multiple = !g.flagged;  // WP: a single component
    r->element = true;
    if (!settings->skipComments) {
      r->addComment(g.comments[0]);
      r->addComment(g.comments[1]);
    }
  }
  return true;
}

bool bzMergeProcess::parseLineWR(RekordSW* record, std::uint32_t count, RecordType* type,
                                 std::uint32_t& index) {
  Group g;
  const auto take = [&](std::uint32_t i, bool& reported) { return takeLine(record, i, reported); };
  if (!readGroup(take, count, index, lcWW, lcWN, g)) return false;
  ReferenceDef* r = type->addReference(bzMergeRules::relationRename(g.code), g.key);
  if (r) {
    r->multiple = g.flagged;
    if (!settings->skipComments)
      for (const AnsiString& c : g.comments) r->addComment(c);
  }
  return true;
}

// ---------------------------------------------------------------------------
// Objects

bool bzMergeProcess::parseSectionSO(PlikSW* reader, mgFile* spool) {
  return walkRecords(reader, [&](RekordSW* record) {
    ++recordsCount;
    return parseRecordObject(record, spool);
  });
}

bool bzMergeProcess::parseRecordObject(RekordSW* record, mgFile* spool) {
  bzMergeRules::Reader reader;
  {
    const sxLine* sound = soundLine(record, 0);
    plat::ComPtr<LiniaSW> line;
    if (!sound) {
      bool reported = false;
      line = takeLine(record, 0, reported);
      if (reported) return false;
      sound = line->line().get();
    }
    const sxLine& header = *sound;
    const std::string_view type = header.getFieldCount() > 2 ? name(header, 2) : std::string_view();
    reader = bzMergeRules::readerOf(type);
    if (reader == bzMergeRules::Reader::uncatalogued) {
      const TVarRec args[] = {TVarRec(type)};
      const mgError error(meObjectNotInCatalogue, args, 0);
      addToReport(meObjectNotInCatalogue, rmError, currentFile, mgError::rsSO,
                  static_cast<std::int64_t>(header.lineNumber),
                  static_cast<std::int64_t>(header.position), error.message);
      ++current.errors;
      ++totalErrors;
      reader = bzMergeRules::Reader::another;
    }
  }
  return readObject(record, spool, reader);
}

bool bzMergeProcess::readObject(RekordSW* record, mgFile* spool, bzMergeRules::Reader reader) {
  auto object = std::make_unique<mgObject>();
  checkReaderStatus(record->pomijajKomentarze(settings->skipComments ? 1 : 0, nullptr), kSource,
                    __LINE__);
  std::uint32_t count = 0;
  checkReaderStatus(record->dajIloscLinii(&count), kSource, __LINE__);
  if (!builder_) builder_ = std::make_unique<ObjectBuilder>(*this);
  ObjectBuilder& b = *builder_;
  b.start(*object, reader);
  for (std::uint32_t i = 0; i < count; ++i) {
    const sxLine* sound = soundLine(record, i);
    plat::ComPtr<LiniaSW> line;
    if (!sound) {
      bool reported = false;
      line = takeLine(record, i, reported);
      if (reported) return false;
      sound = line->line().get();
    }
    if (!b.line(*sound, i == 0)) break;
    if (isTerminated()) return true;  // the object is not kept
  }
  b.finish();
  object->textStart = spool->position();
  for (int k = 0; k < b.parked(); ++k) {
    object->setTextLength(k, b.parts[k].size());
    spool->saveLinesToFile(b.parts[k]);
  }
  if (!makeNewRecordIds(*object)) return false;
  fileObjects[currentFile].push_back(std::move(object));
  return true;
}

void bzMergeProcess::fillObjectInfo(const sxLine& header, mgObject& object) const {
  std::string_view fields[6];
  const std::size_t n = std::min<std::size_t>(header.getFieldCount(), 6);
  for (std::size_t i = 0; i < n; ++i) fields[i] = field(header, i);
  bzMergeRules::setHeaderFields(object, fields, n);
  if (!settings->skipComments) object.comment = header.comment;
  object.lineNumber = header.lineNumber;
  object.filePosition = header.position;
  object.fileIndex = currentFile;
}

bool bzMergeProcess::makeNewRecordIds(mgObject& object) {
  const bzMergeRules::Verdict v = rules.makeNewRecordIds(object, currentKind);
  if (v.kept()) return true;
  addToReport(v.code, rmError, object.fileIndex, mgError::rsSO,
              static_cast<std::int64_t>(object.lineNumber),
              static_cast<std::int64_t>(object.filePosition), v.message);
  ++current.errors;
  ++totalErrors;
  return false;
}

// ---------------------------------------------------------------------------
// The part result

namespace {

const char* const kCrLf = "\r\n";

bool isCurrentVersion(std::string_view v) {
  return v == "11" || v == "10" || v == "01" || v == "00";
}

// The geometric objects written after all others.
bool isSpecialGeoType(std::string_view type) {
  return type == "G5G_KKL" || type == "G5G_UZG" || type == "G5G_RST";
}

// What an object of part part lacks when it is not merged.
const char* missingPart(std::uint8_t part) {
  return part == 1 ? "geometrii" : "opisu";
}

// One context line of the SN section.
template <class Record>
void appendContext(AnsiString& text, const char* code, const Record& r) {
  text += code;
  text += ',';
  text += r.firstValue;
  text += ',';
  text += r.lastValue;
  text += ';';
  text += r.comment;
  text += kCrLf;
}

// The line groups of one TD record that a definition gives.
void appendAttribute(AnsiString& text, const AttributeDef& a) {
  text += "TP," + a.code + ";" + a.getComment(0) + kCrLf;
  if (a.multiple) text += "TPW;" + a.getComment(1) + kCrLf;
  if (a.hasKey) text += "TPN," + a.key + ";" + a.getComment(2) + kCrLf;
}

void appendReference(AnsiString& text, const ReferenceDef& r) {
  if (r.element) {
    text += "WE," + r.code + ";" + r.getComment(0) + kCrLf;
    if (!r.multiple) text += "WP;" + r.getComment(1) + kCrLf;
    return;
  }
  text += "WR," + r.code + ";" + r.getComment(0) + kCrLf;
  if (r.multiple) text += "WW;" + r.getComment(1) + kCrLf;
  if (r.hasKey) text += "WN," + r.key + ";" + r.getComment(2) + kCrLf;
}

// The groups of type t, then those of u (the other model's type of that
// name, or null) whose code t lacks: attributes, relations, elements.
void appendGroups(AnsiString& text, RecordType& t, RecordType* u) {
  for (AttributeDef* a = t.getFirstAttr(); a; a = t.getNextAttr()) appendAttribute(text, *a);
  if (u)
    for (AttributeDef* a = u->getFirstAttr(); a; a = u->getNextAttr())
      if (!t.getAttributeByCode(a->code)) appendAttribute(text, *a);
  for (const bool element : {false, true}) {
    for (ReferenceDef* r = t.getFirstReference(); r; r = t.getNextReference())
      if (r->element == element) appendReference(text, *r);
    if (u)
      for (ReferenceDef* r = u->getFirstReference(); r; r = u->getNextReference())
        if (r->element == element && !t.getReferenceByCode(r->code)) appendReference(text, *r);
  }
}

}  // namespace

bool bzMergeProcess::mergeFiles() {
  directReady_ = false;
  if (!mergeMetadata()) return false;
  startPartResultCheck();
  if (!mergeObjects()) return false;
  partResultFile->saveLinesToFile("SWDEX;\r\n");
  partResultSize_ = partResultFile->position();
  directReady_ = true;
  return true;
}

bool bzMergeProcess::mergeMetadata() {
  mergeNS();
  mergeNU();
  mergeSP();
  mergeST();
  return true;
}

void bzMergeProcess::mergeNS() {
  AnsiString text = "SWDE.w.2.00.(C) ZEDOR 2000;\r\nSN;\r\n";
  ContextSection* a = fileMetadata[0]->getContextSection();
  ContextSection* b = fileMetadata[1]->getContextSection();
  for (ContextRecord* r = a->getFirstContext(); r; r = a->getNextContext())
    appendContext(text, "NS", *r);
  for (ContextRecord* r = b->getFirstContext(); r; r = b->getNextContext())
    if (!a->getRecord(r->name)) appendContext(text, "NS", *r);
  partResultFile->saveLinesToFile(text);
}

void bzMergeProcess::mergeNU() {
  AnsiString text;
  ContextSection* a = fileMetadata[0]->getContextSection();
  ContextSection* b = fileMetadata[1]->getContextSection();
  for (UsrContextRecord* r = a->getFirstUsrContext(); r; r = a->getNextUsrContext())
    appendContext(text, "NU", *r);
  for (UsrContextRecord* r = b->getFirstUsrContext(); r; r = b->getNextUsrContext())
    if (!a->getUsrRecord(r->name)) appendContext(text, "NU", *r);
  text += "SX;\r\n";
  partResultFile->saveLinesToFile(text);
}

void bzMergeProcess::mergeSP() {
  AnsiString text = "SP;\r\n";
  AttribsSection* a = fileMetadata[0]->getAttribsSection();
  AttribsSection* b = fileMetadata[1]->getAttribsSection();
  auto attribute = [&](const AttribType& t) {
    text += "B," + t.name + "," + t.type + "," + t.field3;
    if (t.fieldCount == 5) text += "," + t.field4;
    text += ";" + t.comment + kCrLf;
  };
  for (AttribType* t = a->getFirstAttributeType(); t; t = a->getNextAttributeType()) attribute(*t);
  for (AttribType* t = b->getFirstAttributeType(); t; t = b->getNextAttributeType())
    if (!a->isAttributeTypePresent(t->name)) attribute(*t);
  auto relation = [&](const RelationType& r) { text += "W," + r.name + ";" + r.comment + kCrLf; };
  for (RelationType* r = a->getFirstRelationType(); r; r = a->getNextRelationType()) relation(*r);
  for (RelationType* r = b->getFirstRelationType(); r; r = b->getNextRelationType())
    if (!a->isRelationTypePresent(r->name)) relation(*r);
  text += "SX;\r\n";
  partResultFile->saveLinesToFile(text);
}

void bzMergeProcess::mergeST() {
  AnsiString text = "ST;\r\n";
  TypesSection* a = fileMetadata[0]->getTypesSection();
  TypesSection* b = fileMetadata[1]->getTypesSection();
  for (RecordType* t = a->getFirstType(); t; t = a->getNextType()) {
    // A type whose parts are merged is a plain object in the merged file.
    const AnsiString& kind =
        bzMergeRules::isMergedTypeName(t->name) ? AnsiString("RO") : t->baseType;
    text += "TD," + t->name + "," + kind + ";" + t->comment + kCrLf;
    appendGroups(text, *t, b->getType(t->name));
    text += "X;\r\n";
  }
  for (RecordType* t = b->getFirstType(); t; t = b->getNextType()) {
    if (a->isTypePresent(t->name)) continue;
    text += "TD," + t->name + "," + t->baseType + ";" + t->comment + kCrLf;
    appendGroups(text, *t, nullptr);
    text += "X;\r\n";
  }
  text += "SX;\r\n";
  partResultFile->saveLinesToFile(text);
}

// ---------------------------------------------------------------------------
// Pairing and writing the objects

namespace {

using KeyView = std::pair<std::string_view, std::string_view>;

KeyView keyOf(const mgObject& o) {
  return {o.mergedType, o.mergeKey};
}

std::size_t hashOf(const KeyView& k) {
  return hashOf(k.first, k.second);
}

// The partner candidates of the second input by (merged type, key): for each
// key its first object and, per object, the next one of that key, in list
// order. Objects without a key are no candidates.
// A list's objects in the order they lie in memory, the order they were
// made in, where the sort told where each of them went (the list's own
// order otherwise): a walk whose steps hang on no other reads its objects
// so, not at random.
class MemoryOrder {
 public:
  MemoryOrder(const mgObjectList& list, const plat::LargeTable<mgObject*>& made,
              const plat::LargeTable<std::size_t>& sortedFrom)
      : list_(list), made_(made) {
    if (made.size() == list.size() && sortedFrom.size() == list.size()) {
      place_.resize(list.size());
      inChunks(
          list.size(),
          [&](std::size_t from, std::size_t to) {
            for (std::size_t i = from; i < to; ++i) place_[sortedFrom[i]] = i;
          },
          neverStop);
    }
  }
  // The j-th object in that order, and its position in the list.
  mgObject* object(std::size_t j) const { return place_.empty() ? list_[j].get() : made_[j]; }
  std::size_t place(std::size_t j) const { return place_.empty() ? j : place_[j]; }

 private:
  const mgObjectList& list_;
  const plat::LargeTable<mgObject*>& made_;
  plat::LargeTable<std::size_t> place_;
};

class Candidates {
 public:
  // Built on every core: the keys' hashes first, then one table per part
  // of the hashes, each from the back, so that each key's chain runs in
  // list order.
  Candidates(const mgObjectList& list, const MemoryOrder& order, bool oneThread) : list_(list) {
    const std::size_t n = list.size();
    next_.assign(n, kNone);
    plat::LargeVector<std::size_t> hashes(n, 0);
    plat::LargeVector<std::uint8_t> keyed(n, 0);  // a candidate: an object with a key
    inChunks(
        n,
        [&](std::size_t from, std::size_t to) {
          for (std::size_t j = from; j < to; ++j) {
            const mgObject* o = order.object(j);
            if (!o || o->mergeKey.empty()) continue;
            const std::size_t i = order.place(j);
            hashes[i] = hashOf(keyOf(*o));
            keyed[i] = 1;
          }
        },
        neverStop, oneThread);
    runInOrder(
        kParts,
        [&](std::size_t part) {
          bzMergeIndex& heads = heads_[part];
          heads.reset(n / kParts + 1);
          for (std::size_t i = n; i-- > 0;) {
            const std::size_t hash = hashes[i];
            if (!keyed[i] || partOf(hash) != part) continue;
            // The objects themselves are read only where the hashes meet.
            bool made = false;
            std::size_t& head = heads.emplace(
                hash, i, [&](std::size_t h) { return keyOf(*list[h]) == keyOf(*list[i]); }, made);
            if (!made) {
              next_[i] = head;
              head = i;
            }
          }
          return true;
        },
        [](std::size_t) {}, neverStop, oneThread);
  }

  // Starts loading the slot where the candidates of a key of hash hash are
  // found.
  void prefetch(std::size_t hash) const { heads_[partOf(hash)].prefetch(hash); }
  // Starts loading the first candidate of such a key, whose slot was
  // prefetched before (or the slot's guess, which each checks).
  void prefetchFirst(std::size_t hash) const {
    const std::size_t head = heads_[partOf(hash)].peek(hash);
    if (head < list_.size()) prefetchObject(list_[head].get());
  }

  // body(object) for each candidate of key (of hash hash) in list order
  // until body gives true; whether there was any.
  template <class Body>
  bool each(const KeyView& key, std::size_t hash, Body body) const {
    const std::size_t head =
        heads_[partOf(hash)].find(hash, [&](std::size_t h) { return keyOf(*list_[h]) == key; });
    if (head == kNone) return false;
    for (std::size_t i = head; i != kNone; i = next_[i])
      if (body(*list_[i])) break;
    return true;
  }

 private:
  static constexpr std::size_t kNone = bzMergeIndex::kNone;
  // The tables by the top bits of the hashes (the low ones pick the slots).
  static constexpr std::size_t kParts = 8;
  static std::size_t partOf(std::size_t hash) { return hash >> 61; }
  const mgObjectList& list_;
  bzMergeIndex heads_[kParts];
  plat::LargeVector<std::size_t> next_;
};

}  // namespace

bool bzMergeProcess::addToMergeMap(const mgObject& o, std::size_t hash) {
  // The objects themselves are read only where the hashes meet.
  return mergedKeys[mergedKeysPart(hash)].insertFirst(
      hash, reinterpret_cast<std::size_t>(&o),
      [&](std::size_t v) { return keyOf(*objectAt(v)) == keyOf(o); });
}

void bzMergeProcess::reportObjectFinding(int code, const mgObject& o, std::string_view missing) {
  const TVarRec args[] = {TVarRec(std::string_view(o.objectType)), TVarRec(missing)};
  const mgError error(static_cast<mgErrorCode>(code), args, missing.empty() ? 0 : 1);
  reportSourceFinding(code, code == meObjectMergedBefore ? rmWarning : rmError, o, error.message);
}

void bzMergeProcess::appendPart(const mgObject& o, int k, WrittenRecord& written,
                                AnsiString& text) const {
  if (o.textLength[k] > 0) {
    const std::string_view spool = spoolBytes_[o.fileIndex];
    const std::uint64_t offset = o.textOffset(k);
    if (offset <= spool.size() && o.textLength[k] <= spool.size() - offset)
      text.append(spool.substr(offset, o.textLength[k]));
    else
      spoolFiles[o.fileIndex]->appendLinesFromFile(offset, o.textLength[k], text);
  }
  written.inputs[written.count] = static_cast<std::int8_t>(o.fileIndex);
  written.runs[written.count++] = {&o, o.references[k]};
}

void bzMergeProcess::endRecord(WrittenRecord& written, std::size_t start,
                               RecordBatch& batch) const {
  batch.text += "X;\r\n";
  written.textLength = batch.text.size() - start;
  batch.records.push_back(written);
}

void bzMergeProcess::saveBatch(RecordBatch& batch) {
  partResultFile->saveLinesToFile(batch.text);
  writtenRecords.insert(writtenRecords.end(), batch.records.begin(), batch.records.end());
  batch.text.clear();
  batch.records.clear();
}

namespace {

void appendHeader(AnsiString& text, std::string_view kind, const mgObject& o,
                  std::string_view type) {
  text.append(kind);
  text += ',';
  text += o.recordName;
  text += ',';
  text.append(type);
  text += ',';
  text += o.keptId;
  text += ',';
  text += o.newRecordId;
  text += ',';
  text += o.version;
  text += ";\r\n";
}

}  // namespace

void bzMergeProcess::writePair(mgObject& d, mgObject& g, RecordBatch& batch) const {
  g.keptId = d.keptId;
  g.newRecordId = d.newRecordId;
  const std::size_t start = batch.text.size();
  appendHeader(batch.text, "RO", d, d.mergedType);
  WrittenRecord written;
  appendPart(g, 0, written, batch.text);
  appendPart(d, 0, written, batch.text);
  appendPart(g, 2, written, batch.text);
  endRecord(written, start, batch);
}

void bzMergeProcess::writeAlone(const mgObject& o, bool single, RecordBatch& batch) const {
  const std::size_t start = batch.text.size();
  appendHeader(batch.text, o.recordKind, o,
               o.objectType == "G5G_RST" ? o.mergedType : o.objectType);
  WrittenRecord written;
  const int parts = o.part == 0 && !single ? mgObject::kParts : 1;
  for (int k = 0; k < parts; ++k) appendPart(o, k, written, batch.text);
  endRecord(written, start, batch);
}

void bzMergeProcess::writeWithPrecinct(const mgObject& o, std::string_view precinctId,
                                       RecordBatch& batch) const {
  const std::size_t start = batch.text.size();
  appendHeader(batch.text, o.recordKind, o, o.mergedType);
  WrittenRecord written;
  appendPart(o, 0, written, batch.text);
  appendPart(o, 2, written, batch.text);
  batch.text += "WL,G5ROBR,";
  batch.text.append(precinctId);
  batch.text += ";\r\n";
  written.inputs[written.count] = -1;
  WrittenRun& run = written.runs[written.count++];
  run.source = nullptr;
  run.lines.wl = 1;
  endRecord(written, start, batch);
}

bool bzMergeProcess::mergeObjects() {
  recordsCount = 0;
  setMessage(cp("Scalanie plików - tworzenie pliku wynikowego"));
  state->setProcessPosition(0);
  state->setProcessMaxValue(fileObjects[0].size() + fileObjects[1].size());
  partResultFile->saveLinesToFile("SO;\r\n");
  recordsFrom_ = partResultFile->position();
  // The objects' text is read from the spools in place, from any thread.
  // Without a view of one (no mapping to be had), the records are written
  // on this thread alone, as the file is read through its store.
  bool oneThread = false;
  for (int i = 0; i < 2; ++i) {
    spoolBytes_[i] = spoolFiles[i] ? spoolFiles[i]->writtenBytes() : std::string_view();
    if (spoolFiles[i] && spoolBytes_[i].size() != spoolFiles[i]->position()) oneThread = true;
  }
  struct SpoolsLet {
    std::string_view* bytes;
    ~SpoolsLet() { bytes[0] = bytes[1] = {}; }
  } spoolsLet{spoolBytes_};

  auto progress = [&] {
    state->setTotalErrorsNum(totalErrors);
    state->setTotalWarnsNum(totalWarns);
    state->setProcessPosition(recordsCount);
    state->setRecordsNumber(recordsCount);
  };
  // The progress record (four locked stores) is brought up to date when
  // updateInterval has passed, the clock read once every kProgressStep
  // objects, and at the end of each walk.
  constexpr std::size_t kProgressStep = 256;
  std::uint64_t lastProgress = tickCount();
  std::size_t steps = 0;
  auto progressDue = [&] {
    if (++steps % kProgressStep != 0) return;
    const std::uint64_t now = tickCount();
    if (now - lastProgress <= updateInterval) return;
    lastProgress = now;
    progress();
  };
  // The objects themselves are read only where the hashes meet.
  auto mergedBefore = [&](const mgObject& o, std::size_t hash) {
    return mergedKeys[mergedKeysPart(hash)].find(hash, [&](std::size_t v) {
      return keyOf(*objectAt(v)) == keyOf(o);
    }) != bzMergeIndex::kNone;
  };
  auto stopped = [this] { return isTerminated(); };

  // What the pairing makes of each object, in the order of the walks: the
  // first list's objects, then the second's that found no partner.
  enum class Way : std::uint8_t {
    none,      // no object, or one merged into a pair already
    special,   // a special geometric object, set aside for the end
    single,    // an object outside the parts, written alone
    before,    // a pair of its key was written before: alone, with a warning
    outdated,  // not of a current version: alone, with a finding
    paired,    // with its partner
    alone      // without a partner: alone, with a finding
  };
  struct Step {
    std::size_t hash = 0;  // of the object's (merged type, key)
    mgObject* partner = nullptr;
    Way way = Way::none;
    bool sameKey = false;   // a candidate of its key was there
    bool precinct = false;  // of the merged type of precincts
  };
  auto writeStep = [&](mgObject& o, const Step& s, RecordBatch& batch) {
    switch (s.way) {
      case Way::single:
        writeAlone(o, true, batch);
        break;
      case Way::before:
      case Way::outdated:
      case Way::alone:
        writeAlone(o, false, batch);
        break;
      case Way::paired:
        if (o.part == 1)
          writePair(o, *s.partner, batch);
        else
          writePair(*s.partner, o, batch);
        break;
      default:
        break;
    }
  };
  // Objects nearer in a walk than kAhead, loaded by now, have their text
  // loaded from the spool.
  auto spoolAhead = [&](const mgObject* o) {
    if (!o || o->fileIndex < 0 || o->fileIndex > 1) return;
    const std::string_view spool = spoolBytes_[o->fileIndex];
    std::uint64_t offset = o->textStart;
    for (int k = 0; k < mgObject::kParts; offset += o->textLength[k++])
      if (o->textLength[k] > 0 && offset < spool.size()) __builtin_prefetch(spool.data() + offset);
  };
  // Writes the records of the steps of a list, chunk by chunk on every core,
  // in order into the part result.
  auto writeSteps = [&](const mgObjectList& list, const plat::LargeVector<Step>& steps) {
    const std::size_t chunks = chunksOf(list.size());
    std::vector<RecordBatch> batches(chunks);
    TextPool texts;
    // The room the records are handed into on this thread, in order: its
    // pages are made by the chunks' threads, each its share, ahead of it.
    auto* const room = reinterpret_cast<char*>(writtenRecords.data() + writtenRecords.size());
    const std::size_t roomBytes =
        (writtenRecords.capacity() - writtenRecords.size()) * sizeof(WrittenRecord);
    return runInOrder(
        chunks,
        [&](std::size_t k) {
          plat::populateMemory(room + roomBytes / chunks * k, roomBytes / chunks);
          batches[k].text = texts.take();
          const std::size_t end = std::min(list.size(), (k + 1) * kObjectsPerChunk);
          // Only the objects that are written are loaded ahead: of the
          // second list, most went into pairs already.
          for (std::size_t i = k * kObjectsPerChunk; i < end; ++i) {
            if (i + kAhead < end && steps[i + kAhead].way != Way::none)
              prefetchObject(list[i + kAhead].get());
            if (i + kAhead / 2 < end && steps[i + kAhead / 2].way != Way::none)
              spoolAhead(list[i + kAhead / 2].get());
            if (steps[i].way != Way::none) writeStep(*list[i], steps[i], batches[k]);
          }
          return true;
        },
        [&](std::size_t k) {
          saveBatch(batches[k]);
          texts.give(batches[k].text);
          std::vector<WrittenRecord>().swap(batches[k].records);
        },
        stopped, oneThread);
  };

  // The walks; a stop ends them where it comes, the section closed all the
  // same.
  [&] {
    const auto& first = fileObjects[0];
    const auto& second = fileObjects[1];
    const MemoryOrder firstInMemory(first, madeOrder_[0], sortedFrom_[0]);
    const MemoryOrder secondInMemory(second, madeOrder_[1], sortedFrom_[1]);
    auto candidates = std::make_unique<const Candidates>(second, secondInMemory, oneThread);

    // The first list: what each object makes of itself and its candidates,
    // on every core; then, in order, which of them meet a pair of their key
    // made before them (what the pairing of the one before decides), with the
    // findings; then the records.
    plat::LargeVector<Step> firstSteps(first.size());
    // What one object makes of itself and its candidates hangs on no other:
    // the objects are read in the order they lie in memory.
    auto objectOf = [&](std::size_t j) { return firstInMemory.object(j); };
    auto stepOf = [&](std::size_t j) -> Step& { return firstSteps[firstInMemory.place(j)]; };
    const bool looked = inChunks(
        first.size(),
        [&](std::size_t from, std::size_t end) {
          for (std::size_t i = from; i < end; ++i) {
            if (i + kAhead < end) prefetchObject(objectOf(i + kAhead));
            if (i + kAhead / 2 < end) {
              const mgObject* o = objectOf(i + kAhead / 2);
              if (o && !o->mergeKey.empty()) {
                Step& s = stepOf(i + kAhead / 2);
                s.hash = hashOf(keyOf(*o));
                candidates->prefetch(s.hash);
              }
            }
            if (i + kAhead / 4 < end) {
              const mgObject* o = objectOf(i + kAhead / 4);
              if (o && !o->mergeKey.empty()) candidates->prefetchFirst(stepOf(i + kAhead / 4).hash);
            }
            mgObject* o = objectOf(i);
            Step& s = stepOf(i);
            if (!o) continue;
            // The key's hash, when the look ahead did not make it.
            if (o->mergeKey.empty() || i < from + kAhead / 2) s.hash = hashOf(keyOf(*o));
            s.precinct = o->mergedType == "G5OBR";
            if (isSpecialGeoType(o->objectType)) {
              s.way = Way::special;
            } else if (o->part == 2) {
              s.way = Way::single;
            } else if (!isCurrentVersion(o->version)) {
              s.way = Way::outdated;
            } else {
              mgObject* partner = nullptr;
              if (!o->mergeKey.empty())
                s.sameKey = candidates->each(keyOf(*o), s.hash, [&](mgObject& p) {
                  if (!isCurrentVersion(p.version) || p.part > 1 || p.part == o->part) return false;
                  partner = &p;
                  return true;
                });
              s.partner = partner;
              s.way = partner ? Way::paired : Way::alone;
            }
          }
        },
        stopped);
    if (!looked) return;  // stopped
    candidates.reset();   // every partner is found

    // Which objects meet a pair of their key made before them: the keys
    // shared out among the parts of the table of pairs, each part walking
    // the list in order on a thread of its own.
    std::size_t pairs[kMergedKeysParts] = {};  // made in each part
    // Each part's objects that may meet a pair, in list order.
    std::vector<std::size_t> ofPart[kMergedKeysParts];
    for (std::vector<std::size_t>& v : ofPart) v.reserve(first.size() / kMergedKeysParts + 16);
    for (std::size_t i = 0; i < first.size(); ++i) {
      const Step& s = firstSteps[i];
      if (s.way == Way::outdated || s.way == Way::paired || s.way == Way::alone)
        ofPart[mergedKeysPart(s.hash)].push_back(i);
    }
    const bool keyed = runInOrder(
        kMergedKeysParts,
        [&](std::size_t part) {
          const std::vector<std::size_t>& mine = ofPart[part];
          // Room for the pairs this part may make, made at once.
          mergedKeys[part].reserve(mine.size());
          for (std::size_t k = 0; k < mine.size(); ++k) {
            // The slot of a later object of this part is loaded ahead.
            if (k + kAhead < mine.size())
              mergedKeys[part].prefetch(firstSteps[mine[k + kAhead]].hash);
            const std::size_t i = mine[k];
            Step& s = firstSteps[i];
            const mgObject& o = *first[i];
            if (mergedBefore(o, s.hash)) {
              s.way = Way::before;
            } else if (s.way == Way::paired) {
              addToMergeMap(o, s.hash);
              s.partner->merged = true;
              ++pairs[part];
            }
          }
          return true;
        },
        [](std::size_t) {}, stopped);
    if (!keyed) return;  // stopped

    // Room for every record: one for each object of the first list, one for
    // each of the second that is no part of a pair (each pair merges one).
    {
      std::size_t records = writtenRecords.size();
      for (const auto& o : first) records += o ? 1 : 0;
      for (const auto& o : second) records += o ? 1 : 0;
      for (const std::size_t made : pairs) records -= made;
      writtenRecords.reserve(records);
    }

    // The findings and the objects set aside, in order, on a thread of
    // their own while the records are written: neither reads what the other
    // changes.
    auto firstFindings = [&](const std::atomic<bool>& giveUp) {
      for (std::size_t i = 0; i < first.size(); ++i) {
        if (giveUp.load() || isTerminated()) return false;
        const Step& s = firstSteps[i];
        if (s.way == Way::none) continue;
        ++recordsCount;
        switch (s.way) {
          case Way::special:
            specialGeoObjects.push_back(first[i].get());
            break;
          case Way::before:
            reportObjectFinding(meObjectMergedBefore, *first[i]);
            break;
          case Way::outdated:
            reportObjectFinding(meObjectOutdated, *first[i]);
            break;
          case Way::paired:
            if (s.precinct) mergedPrecincts.push_back(first[i].get());
            ++recordsCount;
            break;
          case Way::alone:
            // A candidate of the same key is always one of the same type.
            reportObjectFinding(s.sameKey ? meNoPartForObject : meNoTypeForObject, *first[i],
                                missingPart(first[i]->part));
            break;
          default:
            break;
        }
        progressDue();
      }
      return true;
    };
    {
      SideCheck findings(firstFindings);
      if (!writeSteps(first, firstSteps)) return;  // stopped
      if (!findings.verdict()) return;             // stopped
    }
    progress();
    plat::LargeVector<Step>().swap(firstSteps);
    // What is left to write is read from the spools here and there: their
    // pages go back to the system and come again from the file as needed.
    for (int i = 0; i < 2; ++i)
      if (spoolFiles[i]) spoolFiles[i]->dropWrittenBytes(0, spoolBytes_[i].size());

    // The second list's objects that found no partner: their ways on every
    // core (the pairs are all made), then their findings in order, then
    // their records.
    plat::LargeVector<Step> secondSteps(second.size());
    const bool looked2 = inChunks(
        second.size(),
        [&](std::size_t from, std::size_t end) {
          for (std::size_t j = from; j < end; ++j) {
            const mgObject* o = secondInMemory.object(j);
            if (!o || o->merged) continue;
            Step& s = secondSteps[secondInMemory.place(j)];
            s.hash = hashOf(keyOf(*o));
            if (isSpecialGeoType(o->objectType))
              s.way = Way::special;
            else if (o->part == 2)
              s.way = Way::single;
            else if (mergedBefore(*o, s.hash))
              s.way = Way::before;
            else
              s.way = Way::alone;
          }
        },
        stopped);
    if (!looked2) return;  // stopped
    auto secondFindings = [&](const std::atomic<bool>& giveUp) {
      for (std::size_t i = 0; i < second.size(); ++i) {
        if (giveUp.load() || isTerminated()) return false;
        const Step& s = secondSteps[i];
        if (s.way == Way::none) continue;
        mgObject& o = *second[i];
        ++recordsCount;
        if (s.way == Way::special)
          specialGeoObjects.push_back(&o);
        else if (s.way == Way::before)
          reportObjectFinding(meObjectMergedBefore, o);
        else if (s.way == Way::alone)
          reportObjectFinding(meNoTypeForObject, o, missingPart(o.part));
        progressDue();
      }
      return true;
    };
    {
      SideCheck findings(secondFindings);
      if (!writeSteps(second, secondSteps)) return;  // stopped
      if (!findings.verdict()) return;               // stopped
    }
    progress();
    plat::LargeVector<Step>().swap(secondSteps);
  }();

  // The table of pairs has done its work.
  for (bzMergeIndex& part : mergedKeys) part.release();
  if (!isTerminated()) addSpecialGeoObject();
  recordsTo_ = partResultFile->position();
  partResultFile->saveLinesToFile("SX;\r\n");
  return true;
}

void bzMergeProcess::addSpecialGeoObject() {
  // Each precinct by its trimmed key; the first of equal keys counts.
  std::unordered_map<std::string_view, const mgObject*> precincts;
  precincts.reserve(mergedPrecincts.size());
  for (const mgObject* r : mergedPrecincts) precincts.emplace(plat::TrimView(r->mergeKey), r);

  RecordBatch batch;
  for (mgObject* s : specialGeoObjects) {
    if (isTerminated()) break;
    if (s->objectType == "G5G_RST") {
      writeAlone(*s, false, batch);
      continue;
    }
    // The precinct's key is the object's key up to its second dot: the part
    // up to and with the first dot, then the next part without its dot. The
    // object's key keeps what follows the first dot.
    const std::string_view key = s->mergeKey;
    const std::size_t dot1 = key.find('.');
    const std::size_t head = dot1 == std::string_view::npos ? 0 : dot1 + 1;
    const std::size_t dot2 = key.find('.', head);
    const std::size_t tail = dot2 == std::string_view::npos ? 0 : dot2 - head;
    const auto found = precincts.find(plat::TrimView(key.substr(0, head + tail)));
    s->mergeKey = key.substr(head);
    if (found != precincts.end()) {
      writeWithPrecinct(*s, found->second->newRecordId, batch);
    } else {
      reportObjectFinding(meNoPrecinctForObject, *s);
      writeAlone(*s, false, batch);
    }
    // The part result takes the records a few at a time.
    if (batch.text.size() >= kObjectsPerChunk * 64) saveBatch(batch);
  }
  saveBatch(batch);
}

// ---------------------------------------------------------------------------
// The quick way through the SO section

namespace {

// The identifier a raw line starts with (after blanks), up to the first
// byte that cannot be in one.
std::string_view identOfRaw(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  std::size_t j = i;
  while (j < line.size() &&
         ((line[j] >= 'A' && line[j] <= 'Z') || (line[j] >= '0' && line[j] <= '9')))
    ++j;
  return line.substr(i, j - i);
}

// The line of bytes that starts at from (without its line feed) and where
// the next one starts.
std::string_view rawLineAt(std::string_view bytes, std::size_t from, std::size_t& next) {
  const std::size_t end = bytes.find('\n', from);
  next = end == std::string_view::npos ? bytes.size() : end + 1;
  return bytes.substr(from, (end == std::string_view::npos ? bytes.size() : end) - from);
}

// Bytes of the SO section read as one chunk, about.
constexpr std::uint64_t kQuickChunkBytes = 1024 * 1024;

// Bytes [from, from + length) of input into text, read when asked for: a
// failure of the medium is false, which the record walk then meets and
// reports.
bool readRange(plat::InputFile& input, std::uint64_t from, std::size_t length, std::string& text) {
  text.resize(length);
  input.seek(from);
  try {
    return input.read(text.data(), length) == length;
  } catch (const plat::EFileError&) {
    return false;
  }
}

}  // namespace

// What one chunk of the SO section gives: its objects in order, whether
// each is of a type outside the catalogue, their text parts (offsets from
// the chunk's start), and the line feeds read.
struct bzMergeProcess::QuickChunk {
  std::vector<std::unique_ptr<mgObject>> objects;
  std::vector<std::uint8_t> uncatalogued;
  // The first object the numbering refuses (its place and verdict); the
  // numbers themselves are given in order as the chunk is taken over.
  std::size_t refusedAt = SIZE_MAX;
  bzMergeRules::Verdict refusal;
  AnsiString text;
  std::uint64_t lines = 0;
};

bool bzMergeProcess::quickChunk(const AnsiString& path, std::uint64_t from, std::uint64_t to,
                                std::int32_t section, const bzMergeRules& verdicts,
                                mgObjectBatch& made, QuickChunk& chunk) const {
  plat::InputFile input(path);
  // The thread's buffer serves chunk after chunk: its pages are made once.
  thread_local std::string buffer;
  if (!readRange(input, from, static_cast<std::size_t>(to - from), buffer)) return false;
  const std::string_view bytes = buffer;
  // The objects' text is about as long as the chunk's.
  chunk.text.reserve(bytes.size());
  sxLineParser parser(static_cast<std::uint8_t>(fileType));
  // The lines' fields view the chunk's bytes, which outlive them.
  parser.setKeepText(false);
  sxLineValidator validator;
  validator.format = static_cast<std::uint8_t>(fileType);
  validator.section = static_cast<std::uint8_t>(section);
  const counted_ptr<sxLine> line = std::make_shared<sxLine>(lcNone, 0);
  ObjectBuilder b(*this);
  bzMergeRules numbering = verdicts;  // its numbers are not kept
  std::unique_ptr<mgObject> object;   // the one whose record is read
  bool taking = false;                // its lines are still taken
  auto endObject = [&] {
    b.finish();
    object->textStart = chunk.text.size();
    for (int k = 0; k < b.parked(); ++k) {
      object->setTextLength(k, b.parts[k].size());
      chunk.text += b.parts[k];
    }
    if (chunk.refusedAt == SIZE_MAX) {
      bzMergeRules::Verdict v = numbering.makeNewRecordIds(*object, currentKind);
      if (!v.kept()) {
        chunk.refusedAt = chunk.objects.size();
        chunk.refusal = std::move(v);
      }
    }
    chunk.objects.push_back(std::move(object));
  };
  auto startObject = [&](const sxLine& header) {
    object = made.make();
    const std::string_view type = header.getFieldCount() > 2 ? name(header, 2) : std::string_view();
    bzMergeRules::Reader reader = bzMergeRules::readerOf(type);
    const bool outside = reader == bzMergeRules::Reader::uncatalogued;
    if (outside) reader = bzMergeRules::Reader::another;
    chunk.uncatalogued.push_back(outside ? 1 : 0);
    b.start(*object, reader);
    b.line(header, true);
    taking = true;
  };
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t next = 0;
    const std::string_view raw = rawLineAt(bytes, at, next);
    counted_ptr<sxError> error;
    line->reset(lcNone, chunk.lines + 1);
    parser.parse(raw, *line, static_cast<std::uint8_t>(section), error);
    if (error) return false;
    line->position = from + at;
    // Of the field rules, only the joining of a line's free text into its
    // last field changes what the merge reads; the rules themselves are the
    // reader's check's, which keeps nothing of this unless it finds nothing.
    // The rarer lines that join on a condition go through the rules whole.
    switch (line->code) {
      case lcD:
      case lcES:
        line->mergeFields(3);
        break;
      case lcE:
      case lcNK:
      case lcNS:
      case lcNU:
        validator.validate(line, error);
        if (error) return false;
        break;
      default:
        break;
    }
    line->syntaxOk = 1;
    line->contextOk = 1;
    at = next;
    ++chunk.lines;
    const sxEventKind kind = eventKindOf(line->code).value_or(ekNone);
    if (!object) {
      switch (kind) {
        case ekRecordStart:
          startObject(*line);
          break;
        case ekOneLineRecord:
          startObject(*line);
          endObject();
          break;
        case ekFileEnd:
        case ekSectionStart:
        case ekSectionEnd:
          return false;  // the chunk was to hold records only
        default:
          break;  // a free line between records: no record's
      }
      continue;
    }
    if (!belongsToRecord(kind)) return false;
    // While comments are skipped, comment and empty lines are none of the
    // record's.
    const bool counts = !settings->skipComments || (line->code != lcC && line->code != lcEmpty);
    if (taking && counts && !b.line(*line, false)) taking = false;
    if (kind == ekRecordEnd) endObject();
  }
  return !object;
}

bzMergeProcess::Quick bzMergeProcess::quickSectionSO(mgFile* spool, std::int32_t section) {
  if (!quickFirstPass_ || fileType != lcSWDE || currentFile < 0 || currentFile > 1)
    return Quick::declined;
  const unsigned i = static_cast<unsigned>(currentFile);
  const AnsiString path = fileList->getFilePath(i) + fileList->getFileName(i);
  std::unique_ptr<plat::InputFile> opened;
  try {
    opened = std::make_unique<plat::InputFile>(path);
  } catch (const plat::EFileError&) {
    return Quick::declined;
  }
  plat::InputFile& input = *opened;
  if (input.size() == 0 || input.size() != fileSize) return Quick::declined;
  const std::uint64_t size = input.size();
  std::string window;

  // The section's first record follows its first "SO" line: looked for in
  // the input's head, the longer the further it is.
  std::uint64_t soStart = 0;
  std::uint64_t firstLine = 0;  // number of the line at soStart
  for (std::uint64_t length = std::uint64_t{1} << 20;; length *= 4) {
    if (!readRange(input, 0, static_cast<std::size_t>(std::min(length, size)), window))
      return Quick::declined;
    std::uint64_t n = 1;
    for (std::size_t at = 0, next = 0; at < window.size(); at = next, ++n) {
      const std::string_view ident = identOfRaw(rawLineAt(window, at, next));
      if (next > window.size() || (next == window.size() && window.back() != '\n')) break;
      if (ident == "SO") {
        soStart = next;
        firstLine = n + 1;
        break;
      }
    }
    if (soStart != 0) break;
    // The sections before the objects are short.
    if (length >= size || length >= (std::uint64_t{64} << 20)) return Quick::declined;
  }
  // Its records end at the input's last "SX" line, after which only the
  // end line and blank lines may come.
  std::uint64_t sxStart = 0;
  {
    const std::uint64_t tailFrom = size - std::min<std::uint64_t>(size - soStart, 64 * 1024);
    if (!readRange(input, tailFrom, static_cast<std::size_t>(size - tailFrom), window))
      return Quick::declined;
    std::size_t end = window.size();
    for (int seen = 0; seen < 8 && end > 0; ++seen) {
      std::size_t lineEnd = end;
      if (window[lineEnd - 1] == '\n') --lineEnd;
      std::size_t start = lineEnd == 0 ? std::string::npos : window.rfind('\n', lineEnd - 1);
      if (start == std::string::npos) {
        if (tailFrom != soStart) break;  // the line may start before the window
        start = 0;
      } else {
        ++start;
      }
      const std::string_view ident =
          identOfRaw(std::string_view(window).substr(start, lineEnd - start));
      if (ident == "SX" || ident == "SXC") {
        sxStart = tailFrom + start;
        break;
      }
      if (!ident.empty() && ident != "SWDEX" && ident != "SWDEXC") return Quick::declined;
      end = start;
    }
  }
  if (sxStart == 0 || sxStart < soStart) return Quick::declined;

  // Chunks of whole records: each ends after a record's end line.
  std::vector<std::uint64_t> starts{soStart};
  for (;;) {
    const std::uint64_t from = starts.back() + kQuickChunkBytes;
    if (from >= sxStart) break;
    std::uint64_t boundary = 0;
    for (std::uint64_t length = 256 * 1024; boundary == 0; length *= 2) {
      if (length > (std::uint64_t{16} << 20)) return Quick::declined;
      const std::uint64_t take = std::min(length, sxStart - from);
      if (!readRange(input, from, static_cast<std::size_t>(take), window)) return Quick::declined;
      std::size_t at = window.find('\n');
      if (at != std::string::npos) {
        std::size_t next = 0;
        for (++at; at < window.size(); at = next) {
          const std::string_view ident = identOfRaw(rawLineAt(window, at, next));
          if (next > window.size() || (next == window.size() && window.back() != '\n')) break;
          if (ident == "X" || ident == "XC") {
            boundary = from + next;
            break;
          }
        }
      }
      if (boundary == 0 && take < length) boundary = sxStart;  // no record end before the end
    }
    if (boundary >= sxStart) break;
    starts.push_back(boundary);
  }
  starts.push_back(sxStart);
  const std::size_t chunks = starts.size() - 1;

  // The reader checks the whole input in blocks meanwhile; what the chunks
  // give is kept only when it finds nothing.
  SideCheck checker([&](const std::atomic<bool>& giveUp) {
    try {
      plat::ComPtr<PlikSW> reader(new PlikSW());
      reader->limitBlockThreads(besideThreads());
      if (reader->otworz(path, 1) != plat::S_OK) return false;
      sxLineBlock block;
      for (;;) {
        if (giveUp.load() || isTerminated()) return false;
        const HRESULT hr = reader->dajBlokLinii(&block);
        if (hr != plat::S_OK || !block.findings.empty())
          return hr == plat::S_FALSE && block.findings.empty();
      }
    } catch (...) {
      return false;
    }
  });

  // What is taken over until the check says so: kept as it was before, to
  // go back to.
  const std::size_t objectsBefore = fileObjects[currentFile].size();
  const bzMergeRules rulesBefore = rules;
  const std::uint64_t recordsBefore = recordsCount;
  struct Finding {
    std::uint64_t lineNumber, position;
    int code;
    AnsiString text;
  };
  std::vector<Finding> held;
  bool refused = false;  // an object the numbering refused ends the pass
  std::uint64_t lineBase = firstLine;
  std::vector<QuickChunk> out(chunks);
  // Where each chunk's objects went in the list, and what they take from
  // the chunks before them.
  struct Placed {
    std::size_t first;
    std::uint64_t lineBase, spoolBase;
  };
  std::vector<Placed> placed;
  placed.reserve(chunks);
  // The two inputs are read at once, each checked beside its reading: each
  // input's objects are made on half the cores, so that neither check,
  // whose pass in order cannot be shared out, waits for a core.
  const unsigned builders = std::max(1u, std::thread::hardware_concurrency() / 2);
  TextPool texts;
  // The objects' memory comes a run at a time into batches that serve chunk
  // after chunk: what a chunk leaves of a run is the next one's, not given
  // back (each object of it touched, under the slabs' lock) at its end.
  Pool<std::unique_ptr<mgObjectBatch>> batches;
  const bool read = runInOrder(
      chunks,
      [&](std::size_t k) {
        try {
          out[k].text = texts.take();
          std::unique_ptr<mgObjectBatch> batch = batches.take();
          if (!batch) batch = std::make_unique<mgObjectBatch>();
          const struct Back {
            Pool<std::unique_ptr<mgObjectBatch>>& pool;
            std::unique_ptr<mgObjectBatch>& batch;
            ~Back() { pool.give(batch); }
          } back{batches, batch};
          return quickChunk(path, starts[k], starts[k + 1], section, rulesBefore, *batch, out[k]);
        } catch (...) {
          return false;
        }
      },
      [&](std::size_t k) {
        QuickChunk& c = out[k];
        // The findings of the chunk's objects, up to one the numbering
        // refuses; the objects themselves are placed after it below.
        // After an object the numbering refused, nothing more is taken.
        std::size_t taken = refused ? 0 : c.objects.size();
        bool refusedHere = false;
        for (std::size_t j = 0; j < taken; ++j) {
          if (!c.uncatalogued[j] && j != c.refusedAt) continue;
          const mgObject& o = *c.objects[j];
          const std::uint64_t lineNumber = o.lineNumber + lineBase - 1;
          if (c.uncatalogued[j]) {
            const TVarRec args[] = {TVarRec(std::string_view(o.objectType))};
            held.push_back({lineNumber, o.filePosition, meObjectNotInCatalogue,
                            mgError(meObjectNotInCatalogue, args, 0).message});
          }
          if (j == c.refusedAt) {
            held.push_back({lineNumber, o.filePosition, c.refusal.code, c.refusal.message});
            refused = refusedHere = true;
            taken = j;
            break;
          }
        }
        recordsCount += refusedHere ? taken + 1 : taken;
        auto& list = fileObjects[currentFile];
        placed.push_back({list.size(), lineBase, spool->position()});
        list.insert(
            list.end(), std::make_move_iterator(c.objects.begin()),
            std::make_move_iterator(c.objects.begin() + static_cast<std::ptrdiff_t>(taken)));
        spool->saveLinesToFile(c.text);
        lineBase += c.lines;
        texts.give(c.text);
        c = QuickChunk();
        state->setProcessPosition(starts[k + 1]);
        state->setRecordsNumber(recordsCount);
      },
      [&] { return refused || isTerminated(); }, false, builders);
  // What each chunk's objects take from the chunks before them, given on
  // every core: the numbers of their lines, the place of their text in the
  // spool and their new record identifiers, in the order of the list.
  {
    auto& list = fileObjects[currentFile];
    const std::uint64_t firstId = rules.nextRecordId();
    runInOrder(
        placed.size(),
        [&](std::size_t k) {
          const Placed& at = placed[k];
          const std::size_t end = k + 1 < placed.size() ? placed[k + 1].first : list.size();
          char digits[24];
          for (std::size_t i = at.first; i < end; ++i) {
            mgObject& o = *list[i];
            o.lineNumber += at.lineBase - 1;
            o.textStart += at.spoolBase;
            const auto last =
                std::to_chars(digits, digits + sizeof digits, firstId + (i - objectsBefore)).ptr;
            o.newRecordId = std::string_view(digits, static_cast<std::size_t>(last - digits));
          }
          return true;
        },
        [](std::size_t) {}, neverStop);
    rules.takeRecordIds(list.size() - objectsBefore);
  }
  if (!read && !refused) checker.giveUp();
  const bool clean = checker.verdict();
  if (isTerminated()) return Quick::done;  // the pass ends as stopped
  if ((!read && !refused) || !clean) {
    // Back to where the reader stands: its walk reads the section.
    fileObjects[currentFile].resize(objectsBefore);
    rules = rulesBefore;
    recordsCount = recordsBefore;
    return Quick::declined;
  }
  for (const Finding& f : held) {
    addToReport(f.code, rmError, currentFile, mgError::rsSO,
                static_cast<std::int64_t>(f.lineNumber), static_cast<std::int64_t>(f.position),
                f.text);
    ++current.errors;
    ++totalErrors;
  }
  if (refused) return Quick::refused;
  state->setProcessPosition(fileSize);
  return Quick::done;
}

// ---------------------------------------------------------------------------
// The second pass

namespace {

const AnsiString& mergeFailedText() {
  static const AnsiString text =
      cp("Wystąpił błąd podczas scalania plików - operacja została przerwana");
  return text;
}

// Field i of a relation line, trimmed; a line without it is a fault that the
// reader raises on the field.
std::string_view requiredField(const sxLine& line, std::size_t i, int at) {
  if (i >= line.getFieldCount()) checkReaderStatus(plat::E_INVALIDARG, kSource, at);
  return name(line, i);
}

std::uint64_t linesOf(const mgObject::ReferenceLines& r) {
  return r.wg + r.wl + r.p;
}

// The fields of a relation line of the part result: what comes before its
// ";", cut at each ",", untrimmed, the first most of them into out; how many
// there are.
template <std::size_t most>
std::size_t cutFields(std::string_view line, std::string_view (&out)[most]) {
  const std::string_view body = line.substr(0, line.find(';'));
  std::size_t n = 0;
  for (std::size_t at = 0;;) {
    const std::size_t comma = body.find(',', at);
    if (n < most) out[n] = body.substr(at, comma == std::string_view::npos ? comma : comma - at);
    ++n;
    if (comma == std::string_view::npos) return n;
    at = comma + 1;
  }
}

}  // namespace

// A written record's runs as its relation lines come: each WG, WL or P line
// is one of the run in hand, whose count of that kind it takes, once the
// runs with no relation line left are passed.
struct bzMergeProcess::RunCursor {
  const WrittenRecord& written;
  int run = 0;
  mgObject::ReferenceLines left;

  explicit RunCursor(const WrittenRecord& w)
      : written(w), left(w.count > 0 ? w.runs[0].lines : mgObject::ReferenceLines{}) {}
  // False when the run in hand has no line of that code left.
  bool take(std::int32_t code) {
    std::uint32_t& kind = code == lcWG ? left.wg : code == lcWL ? left.wl : left.p;
    while (linesOf(left) == 0 && run + 1 < written.count) left = written.runs[++run].lines;
    if (kind == 0) return false;
    --kind;
    return true;
  }
  const mgObject* source() const { return written.runs[run].source; }
  int input() const { return written.inputOf(run); }
  // The relation lines the runs count that were not taken.
  std::uint64_t rest() const {
    std::uint64_t n = linesOf(left);
    for (int r = run + 1; r < written.count; ++r) n += linesOf(written.runs[r].lines);
    return n;
  }
};

std::unique_ptr<mgFile> bzMergeProcess::createStore(Store) {
  return std::make_unique<mgFile>();
}

void bzMergeProcess::TargetSet::clear() {
  used_ = 0;
  index_.clear();
}

std::size_t bzMergeProcess::TargetSet::Hash::operator()(std::size_t i) const {
  const Entry& e = set->entries_[i];
  const std::size_t h = std::hash<std::string_view>()(e.name);
  return h ^ (std::hash<std::string_view>()(e.id) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
}

bool bzMergeProcess::TargetSet::Equal::operator()(std::size_t a, std::size_t b) const {
  const Entry& x = set->entries_[a];
  const Entry& y = set->entries_[b];
  return x.name == y.name && x.id == y.id;
}

bool bzMergeProcess::TargetSet::insert(std::string_view name, std::string_view id) {
  // The pair goes into the next slot, which counts only when it is new.
  if (used_ == entries_.size()) entries_.emplace_back();
  Entry& e = entries_[used_];
  e.name.assign(name);
  e.id.assign(id);
  if (used_ < kScanned) {
    for (std::size_t i = 0; i < used_; ++i)
      if (entries_[i].name == name && entries_[i].id == id) return false;
  } else {
    if (index_.empty())
      for (std::size_t i = 0; i < used_; ++i) index_.insert(i);
    if (!index_.insert(used_).second) return false;
  }
  ++used_;
  return true;
}

bool bzMergeProcess::isValidObjectVersion(std::string_view version) {
  if (version.size() != 2) return true;
  return version[1] == '0' || version[1] == '1';
}

void bzMergeProcess::indexObjects(int input) {
  const auto& list = fileObjects[input];
  const std::size_t n = list.size();
  // The hashes first, the objects loaded ahead of their turn; then the
  // tables, their slots loaded ahead. The list is in the order of
  // (identifier, type): each key's objects are one run, indexed by its start.
  plat::LargeVector<std::size_t> recordHash(n), idHash(n, bzMergeIndex::kNone);
  const plat::LargeTable<mgObject*>& made = madeOrder_[input];
  const plat::LargeTable<std::size_t>& from = sortedFrom_[input];
  if (made.size() == n && from.size() == n) {
    // The objects read in the order they lie in memory, their hashes then
    // put in the list's order; two neighbours in the list are compared only
    // when their identifier hashes are equal.
    plat::LargeVector<std::size_t> byRecord(n), byId(n);
    for (std::size_t j = 0; j < n; ++j) {
      const mgObject* o = made[j];
      byRecord[j] = hashOf(o->recordId);
      byId[j] = hashOf(o->objectId, o->objectType);
    }
    const mgObject* previous = nullptr;
    std::size_t previousHash = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const mgObject* o = list[i].get();
      if (!o) continue;
      const std::size_t j = from[i];
      recordHash[i] = byRecord[j];
      if (!previous || previousHash != byId[j] || previous->objectId != o->objectId ||
          previous->objectType != o->objectType)
        idHash[i] = byId[j];
      previous = o;
      previousHash = byId[j];
    }
  } else {
    const mgObject* previous = nullptr;
    for (std::size_t i = 0; i < n; ++i) {
      if (i + 2 * kAhead < n) prefetchIdentifiers(list[i + 2 * kAhead].get());
      const mgObject* o = list[i].get();
      if (!o) continue;
      recordHash[i] = hashOf(o->recordId);
      if (!previous || previous->objectId != o->objectId || previous->objectType != o->objectType)
        idHash[i] = hashOf(o->objectId, o->objectType);
      previous = o;
    }
  }
  bzMergeIndex& byRecordId = byRecordId_[input];
  bzMergeIndex& byObjectId = byObjectId_[input];
  byRecordId.reset(n);
  byObjectId.reset(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (i + kAhead < n) {
      byRecordId.prefetch(recordHash[i + kAhead]);
      if (idHash[i + kAhead] != bzMergeIndex::kNone) byObjectId.prefetch(idHash[i + kAhead]);
    }
    const mgObject* o = list[i].get();
    if (!o) continue;
    // The object itself is read only when another has the same hash.
    byRecordId.insertFirst(recordHash[i], reinterpret_cast<std::size_t>(o),
                           [o](std::size_t v) { return objectAt(v)->recordId == o->recordId; });
    if (idHash[i] != bzMergeIndex::kNone)
      byObjectId.insertFirst(idHash[i], i, [](std::size_t) { return false; });
  }
}

void bzMergeProcess::collectTargets(RekordSW* record, const WrittenRecord& written,
                                    Targets& targets) const {
  targets.count = 0;
  std::uint32_t count = 0;
  if (!record || plat::FAILED(record->dajIloscLinii(&count))) return;
  // The runs are followed as the record's walk follows them: each relation
  // line's targets are looked up in its source's input only.
  RunCursor runs(written);
  std::size_t& n = targets.count;
  for (std::uint32_t i = 0; i < count && n < Targets::kMost; ++i) {
    const sxLine* l = soundLine(record, i);
    if (!l) break;  // the walk reads it another way; no guess past it
    if (l->code != lcWG && l->code != lcWL && l->code != lcP)
      continue;  // a line that names no other object
    if (!runs.take(l->code)) break;
    const int input = runs.input();
    if (input != 0 && input != 1) continue;
    const std::size_t fields = l->getFieldCount();
    const std::size_t before = n;
    if (l->code == lcWL && fields > 2) {
      targets.target[n++] = {hashOf(name(*l, 2)), bzMergeIndex::kNone, false, input};
    } else if (l->code == lcWG && fields > 3) {
      targets.target[n++] = {hashOf(name(*l, 3), name(*l, 2)), bzMergeIndex::kNone, true, input};
    } else if (l->code == lcP && fields > 2) {
      const std::string_view pointKind = name(*l, 1);
      if (pointKind == "K")
        targets.target[n++] = {hashOf(name(*l, 2)), bzMergeIndex::kNone, false, input};
      else if (pointKind == "P" && fields > 3)
        targets.target[n++] = {hashOf(name(*l, 3), name(*l, 2)), bzMergeIndex::kNone, true, input};
    }
    if (n == before) continue;
    const Targets::Target& t = targets.target[n - 1];
    (t.byId ? byObjectId_[t.input] : byRecordId_[t.input]).prefetch(t.hash);
  }
}

void bzMergeProcess::prefetchTargets(Targets& targets, int stage) const {
  for (std::size_t j = 0; j < targets.count; ++j) {
    Targets::Target& t = targets.target[j];
    const int k = t.input;
    if (stage == 2) {
      t.found = (t.byId ? byObjectId_[k] : byRecordId_[k]).peek(t.hash);
      if (t.found == bzMergeIndex::kNone) continue;
      if (t.byId) {
        if (t.found < fileObjects[k].size()) __builtin_prefetch(&fileObjects[k][t.found]);
      } else {
        // Both fields the lookup reads lie in one line of the object.
        __builtin_prefetch(&objectAt(t.found)->recordId);
      }
    } else if (stage == 1 && t.byId && t.found < fileObjects[k].size()) {
      const mgObject* o = fileObjects[k][t.found].get();
      if (!o) continue;
      // The identifier and type share a line; the new identifier and the
      // version lie in the next two.
      __builtin_prefetch(&o->objectId);
      __builtin_prefetch(&o->newRecordId);
      __builtin_prefetch(&o->version);
    }
  }
}

const mgObject* bzMergeProcess::getNewIDRFindByID(std::string_view type, std::string_view id,
                                                  int input) const {
  if (input != 0 && input != 1) return nullptr;
  using Key = std::pair<std::string_view, std::string_view>;
  const auto& list = fileObjects[input];
  auto it = list.end();
  if (!byObjectId_[input].empty()) {
    const std::size_t at = byObjectId_[input].find(hashOf(id, type), [&](std::size_t i) {
      return list[i]->objectId == id && list[i]->objectType == type;
    });
    if (at == bzMergeIndex::kNone) return nullptr;
    it = list.begin() + static_cast<std::ptrdiff_t>(at);
  } else {
    // The list is in the order of (identifier, type).
    it = std::lower_bound(list.begin(), list.end(), Key(id, type),
                          [](const std::unique_ptr<mgObject>& o, const Key& k) {
                            return Key(o->objectId, o->objectType) < k;
                          });
  }
  const mgObject* kept = nullptr;
  for (; it != list.end() && (*it)->objectId == id && (*it)->objectType == type; ++it) {
    if (isValidObjectVersion((*it)->version)) return it->get();
    kept = it->get();
  }
  return kept;
}

const mgObject* bzMergeProcess::getNewIDRFindByIDR(std::string_view recordId, int input) const {
  if (input != 0 && input != 1) return nullptr;
  const std::size_t found = byRecordId_[input].find(
      hashOf(recordId), [&](std::size_t v) { return objectAt(v)->recordId == recordId; });
  return found == bzMergeIndex::kNone ? nullptr : objectAt(found);
}

const mgObject* bzMergeProcess::ownerOf(const WrittenRecord& written) {
  const mgObject* first = nullptr;
  for (int i = 0; i < written.count; ++i) {
    const mgObject* o = written.runs[i].source;
    if (o && o->part == 1) return o;
    if (!first) first = o;
  }
  return first;
}

void bzMergeProcess::reportSourceFinding(int code, ReportMsgType type, const mgObject& o,
                                         const AnsiString& text) {
  addToReport(code, type, o.fileIndex, mgError::rsSO, static_cast<std::int64_t>(o.lineNumber),
              static_cast<std::int64_t>(o.filePosition), text);
  FileInfo info = state->getFileInfo(o.fileIndex);
  if (type == rmWarning) {
    ++totalWarns;
    ++info.warnings;
    if (o.fileIndex == currentFile) ++current.warnings;
  } else {
    ++totalErrors;
    ++info.errors;
    if (o.fileIndex == currentFile) ++current.errors;
  }
  state->setFileInfo(info, o.fileIndex);
}

void bzMergeProcess::reportMissingTarget(const mgObject& o, int code, std::string_view relation) {
  const std::string_view type = o.objectType;
  if (code == seTargetMissing) {
    const TVarRec args[] = {TVarRec(relation), TVarRec(type)};
    reportSourceFinding(code, rmWarning, o, smError(seTargetMissing, args, 1).message);
  } else {
    const TVarRec args[] = {TVarRec(type)};
    reportSourceFinding(code, rmWarning, o, smError(seTopoTargetMissing, args, 0).message);
  }
}

void bzMergeProcess::reportInternalError(const AnsiString& text) {
  addToReport(cp("Wewnętrzny błąd programu. ") + text);
  ++current.errors;
  ++totalErrors;
}

template <class Reader>
bool bzMergeProcess::partResultError(Reader* object, const mgObject* source) {
  return partResultErrorOf(object, [source] { return source; });
}

template <class Reader, class Source>
bool bzMergeProcess::partResultErrorOf(Reader* object, Source sourceOf) {
  if (!object) return false;
  if constexpr (std::is_same_v<Reader, LiniaSW>) {
    bool syntax = false, context = false;
    checkCOMStatus(object->jestPoprawnaSyntaktycznie(&syntax));
    checkCOMStatus(object->jestPoprawnaWKontekscie(&context));
    if (syntax && context) return false;
  }
  std::uint32_t code = 0, line = 0;
  plat::BSTR text = nullptr;
  const HRESULT hr = object->dajOpisBledu(&code, &line, &text);
  plat::BStr held(text);
  checkReaderStatus(hr, kSource, __LINE__);
  if (hr != plat::S_OK) return false;
  const mgObject* source = sourceOf();
  if (source)
    reportSourceFinding(static_cast<int>(code), rmError, *source, plat::cp1250FromBstr(text));
  else
    reportInternalError(plat::cp1250FromBstr(text));
  return true;
}

void bzMergeProcess::writeLine(std::initializer_list<std::string_view> fields) {
  mergedFile->saveLinesToFile(kCrLf);
  bool first = true;
  for (const std::string_view f : fields) {
    if (!first) mergedFile->saveLinesToFile(",");
    mergedFile->saveLinesToFile(f);
    first = false;
  }
  mergedFile->saveLinesToFile(";");
}

void bzMergeProcess::updateRelationsIds() {
  recordsCount = 0;
  resultWritten_ = false;
  setMessage(cp("Aktualizacja odwołań w relacjach"));
  if (!openFilePartResult()) {
    failed = true;
    return;
  }
  bool ok = false;
  try {
    for (int i = 0; i < 2; ++i) {
      awaitPrepared(i);
      if (!indexed_[i]) indexObjects(i);
    }
    nextWritten_ = 0;
    // A link to a regular file stays: the file it names is replaced.
    const AnsiString target = plat::resolveWriteTarget(mergedPath);
    if (writeMergedDirectly(target)) {
      ok = passEnded(true);
    } else if (isTerminated()) {
      ok = passEnded(false);
    } else {
      if (partResultBlockRead_) {
        // The block check read the part result: the walk starts it again.
        partResultBlockRead_ = false;
        checkReaderStatus(fileObject->resetuj(), kSource, __LINE__);
      }
      mergedFile = createStore(Store::merged);
      mergedFile->openTempFile(plat::extractFilePath(target));
      mergedFile->writeBackEarly();
      mergedFile->saveLinesToFile("SWDE.w.2.00.(C) ZEDOR 2000;\r\n");
      ok = processFilePartResult();
      if (ok) mergedFile->saveLinesToFile("\r\nSWDEX;\r\n");
    }
    if (ok) {
      // The objects and their tables have done their work: they go while
      // the merged file goes to the disk, here after it when no thread can
      // be had.
      std::thread teardown;
      try {
        teardown = std::thread([this] {
          try {
            bzMergeProcess::clear();
          } catch (...) {
            // What is left goes with the run's own clearing.
          }
        });
      } catch (const std::system_error&) {
      }
      struct Join {
        std::thread& thread;
        ~Join() {
          if (thread.joinable()) thread.join();
        }
      } join{teardown};
      mergedFile->commitTo(target);
      mergedFile.reset();
      resultWritten_ = true;
    }
  } catch (const plat::Exception& e) {
    reportProgramError(e);
    ok = false;
  }
  if (!ok && !isTerminated()) addToReport(mergeFailedText());
  if (!resultWritten_) {
    // The temporary store goes with its file; the output stays as it was.
    mergedFile.reset();
    failed = true;
  }
}

bool bzMergeProcess::openFilePartResult() {
  fileObject.reset();
  currentFile = 2;
  struct stat st;
  if (partResultPath.empty() || ::stat(partResultPath.c_str(), &st) != 0) {
    addToReport("Nie znaleziono pliku!");
    return false;
  }
  AnsiString m;
  try {
    fileObject = createFileInterface();
    current = FileInfo{0, 0, 1};
    plat::ClearErrorInfo();
    // Its check, when made here, runs beside the direct way's resolution.
    fileObject->limitBlockThreads(besideThreads());
    checkCOMStatus(fileObject->otworz(partResultPath, 1));
    if (partResultError(fileObject.get(), nullptr)) {
      addToReport(cp("Błąd odczytu z pliku: ") + plat::fileNameToCp1250(partResultPath) +
                  cp(" lub nierozpoznanie formatu"));
      fileObject.reset();
      return false;
    }
    std::uint64_t size = 0;
    checkCOMStatus(fileObject->dajRozmiarPliku(&size));
    fileSize = size;
    state->setTotalErrorsNum(totalErrors);
    state->setTotalWarnsNum(totalWarns);
    state->setProcessPosition(0);
    state->setProcessMaxValue(fileSize);
    state->setFileFormat(fileType == lcSWDE ? "SWDE" : "SWING");
    state->setFileFormatVersion(fileVersion);
    return true;
  } catch (const std::bad_alloc&) {
    m = cp("Brak pamięci");
  } catch (const plat::Exception& e) {
    m = e.Message();
  } catch (const std::exception& e) {
    m = e.what();
  }
  fileObject.reset();
  reportInternalError(m);
  return false;
}

bool bzMergeProcess::processFilePartResult() {
  bool ok = true;
  try {
    eachSection([&](std::int32_t section) {
      switch (section) {
        case scSN:
        case scSP:
        case scST:
          ok = parseNonObjectSectionPR(fileObject.get(), section);
          break;
        case scSO:
          ok = parseObjectSectionPR(fileObject.get());
          break;
        default:
          return true;
      }
      if (ok && !isTerminated() && partResultError(fileObject.get(), nullptr)) ok = false;
      return ok;
    });
    if (ok && !isTerminated() && partResultError(fileObject.get(), nullptr)) ok = false;
    if (ok && !isTerminated() && nextWritten_ != writtenRecords.size()) {
      reportInternalError(cp("Plik wyniku częściowego zawiera mniej obiektów niż zapisano"));
      ok = false;
    }
  } catch (const plat::Exception& e) {
    reportProgramError(e);
    return false;
  }
  return passEnded(ok);
}

bool bzMergeProcess::parseNonObjectSectionPR(PlikSW* reader, std::int32_t section) {
  mergedFile->saveLinesToFile(section == scSN ? "SN;" : section == scSP ? "SP;" : "ST;");
  plat::ComPtr<RekordSW> record;
  checkReaderStatus(reader->dajKolejnyRekord(record.out()), kSource, __LINE__);
  std::uint64_t last = tickCount();
  while (record && !isTerminated()) {
    std::uint32_t count = 0;
    checkReaderStatus(record->dajIloscLinii(&count), kSource, __LINE__);
    for (std::uint32_t i = 0; i < count && !isTerminated(); ++i) {
      const LineInfo* info = record->lineInfo(i);
      plat::ComPtr<LiniaSW> line;
      if (!info || !info->line)
        checkReaderStatus(record->dajLinie(i, line.out()), kSource, __LINE__);
      mergedFile->saveLinesToFile(kCrLf);
      mergedFile->saveLinesToFile(line ? lineOf(line.get(), __LINE__).text : info->line->text);
    }
    checkReaderStatus(reader->dajKolejnyRekord(record.out()), kSource, __LINE__);
    tick(last);
  }
  mergedFile->saveLinesToFile("\r\nSX;\r\n");
  return true;
}

bool bzMergeProcess::parseObjectSectionPR(PlikSW* reader) {
  mergedFile->saveLinesToFile("SO;");
  // The records are read a few ahead of the one in hand, so that the
  // targets of their relation lines are loaded by their turn. A record read
  // ahead is only read: its result (a failure raised) and its findings come
  // at its turn, as if it were read then; after the end of the section or a
  // failure nothing more is read.
  constexpr std::size_t kAheadRecords = 3;
  constexpr std::size_t kSlots = kAheadRecords + 1;
  AheadRecord ring[kSlots];
  std::size_t head = 0, held = 0;  // ring[head] is the record in hand
  bool readEnded = false;
  auto writtenAt = [&](std::size_t distance) -> const WrittenRecord* {
    const std::size_t at = nextWritten_ + distance;
    return at < writtenRecords.size() ? &writtenRecords[at] : nullptr;
  };
  auto stage = [&](AheadRecord& a, std::size_t distance) {
    if (!a.record) return;
    if (distance == kAheadRecords) {
      if (const WrittenRecord* w = writtenAt(distance))
        collectTargets(a.record.get(), *w, a.targets);
    } else if (distance == 2 || distance == 1) {
      prefetchTargets(a.targets, static_cast<int>(distance));
    }
  };
  auto readAhead = [&] {
    while (!readEnded && held < kSlots) {
      const std::size_t distance = held;
      AheadRecord& a = ring[(head + held++) % kSlots];
      a.targets.count = 0;
      a.described = false;
      a.hr = reader->dajKolejnyRekord(a.record.out());
      if (plat::FAILED(a.hr)) {
        a.described = plat::GetErrorInfo(a.error);
        readEnded = true;
      } else if (!a.record) {
        readEnded = true;
      }
      // A record read nearer than the farthest stage goes through the
      // stages it skipped at once.
      if (distance < kAheadRecords && a.record) {
        if (const WrittenRecord* w = writtenAt(distance))
          collectTargets(a.record.get(), *w, a.targets);
        for (std::size_t d = 2; d >= std::max<std::size_t>(distance, 1); --d)
          prefetchTargets(a.targets, static_cast<int>(d));
      } else {
        stage(a, distance);
      }
    }
  };
  readAhead();
  std::uint64_t last = tickCount();
  for (;;) {
    AheadRecord& current = ring[head];
    if (plat::FAILED(current.hr)) {
      if (current.described)
        plat::SetErrorInfo(current.error.description, current.error.iid, current.error.source);
      else
        plat::ClearErrorInfo();
      checkReaderStatus(current.hr, kSource, __LINE__);
    }
    if (!current.record || isTerminated()) break;
    if (nextWritten_ >= writtenRecords.size()) {
      reportInternalError(cp("Plik wyniku częściowego zawiera więcej obiektów niż zapisano"));
      return false;
    }
    const WrittenRecord& written = writtenRecords[nextWritten_++];
    if (partResultErrorOf(current.record.get(), [&] { return ownerOf(written); })) return false;
    ++recordsCount;
    if (!parseRecordObjectPR(current.record.get(), written)) return false;
    current.record.reset();
    head = (head + 1) % kSlots;
    --held;
    // The records still ahead move one stage on; the new ones enter.
    for (std::size_t d = 1; d < held; ++d) stage(ring[(head + d) % kSlots], d);
    readAhead();
    tick(last);
  }
  mergedFile->saveLinesToFile("\r\nSX;");
  return true;
}

bool bzMergeProcess::parseRecordObjectPR(RekordSW* record, const WrittenRecord& written) {
  writtenTargets.clear();
  // The owner is needed only for a finding: found then, not loaded for
  // every record.
  const mgObject* owner = nullptr;
  bool ownerKnown = false;
  auto ownerNow = [&] {
    if (!ownerKnown) {
      owner = ownerOf(written);
      ownerKnown = true;
    }
    return owner;
  };
  // The relation lines of the record come run after run, each run's in the
  // counts it was written with.
  RunCursor runs(written);
  auto misfit = [&] {
    AnsiString text = cp("Linie relacji obiektu wyniku częściowego nie odpowiadają zapisanym");
    if (ownerNow()) text += cp(" (obiekt ") + owner->objectType + " " + owner->objectId + ")";
    reportInternalError(text);
    return false;
  };
  std::uint32_t count = 0;
  checkReaderStatus(record->dajIloscLinii(&count), kSource, __LINE__);
  for (std::uint32_t i = 0; i < count && !isTerminated(); ++i) {
    const sxLine* sound = soundLine(record, i);
    plat::ComPtr<LiniaSW> line;
    if (!sound) {
      checkReaderStatus(record->dajLinie(i, line.out()), kSource, __LINE__);
      sound = &lineOf(line.get(), __LINE__);
    }
    const sxLine& l = *sound;
    // A relation line's source is its run's; any other line's the owner.
    const mgObject* source = nullptr;
    bool fits = true;
    if (l.code == lcWG || l.code == lcWL || l.code == lcP) {
      fits = runs.take(l.code);
      if (fits) source = runs.source();
    }
    if (line && partResultErrorOf(line.get(), [&] { return source ? source : ownerNow(); }))
      return false;
    if (!fits) return misfit();
    switch (l.code) {
      case lcWG:
      case lcWL:
        parseRelationLinePR(l, l.code, source, runs.input());
        break;
      case lcP:
        parseTopologicalRelatLinePR(l, source, runs.input());
        break;
      default:
        mergedFile->saveLinesToFile(kCrLf);
        mergedFile->saveLinesToFile(l.text);
        break;
    }
  }
  if (isTerminated()) return true;
  return runs.rest() == 0 ? true : misfit();
}

template <class Field, class Sink>
void bzMergeProcess::resolveRelation(std::int32_t lineCode, Field field, const mgObject* source,
                                     int input, Sink& sink) const {
  if (lineCode == lcP) {
    // Every P line is a vertex of the geometry: none is dropped.
    const std::string_view kind = field(1);
    if (kind == "P") {
      const std::string_view type = field(2);
      const std::string_view id = field(3);
      if (const mgObject* target = getNewIDRFindByID(type, id, input)) {
        sink.emit({"P", "K", target->newRecordId});
      } else {
        sink.emit({"P", "P", type, id});
        if (source) sink.missing(*source, seTopoTargetMissing, {});
      }
    } else if (kind == "K") {
      const std::string_view id = field(2);
      if (const mgObject* target = getNewIDRFindByIDR(id, input)) {
        sink.emit({"P", "K", target->newRecordId});
      } else if (!source) {
        sink.emit({"P", "K", id});
      } else {
        sink.fresh("P", "K");
        sink.missing(*source, seTopoTargetMissing, {});
      }
    } else {
      sink.verbatim();
    }
    return;
  }
  const std::string_view relation = field(1);
  if (lineCode == lcWG) {
    const std::string_view type = field(2);
    const std::string_view id = field(3);
    const mgObject* target = getNewIDRFindByID(type, id, input);
    if (!target) {
      sink.emit({"WG", relation, type, id});
      if (source) sink.missing(*source, seTargetMissing, relation);
    } else if (sink.insert(relation, target->newRecordId)) {
      sink.emit({"WL", relation, target->newRecordId});
    }
    return;
  }
  const std::string_view id = field(2);
  const mgObject* target = getNewIDRFindByIDR(id, input);
  if (target) {
    if (sink.insert(relation, target->newRecordId))
      sink.emit({"WL", relation, target->newRecordId});
  } else if (!source) {
    sink.emit({"WL", relation, id});  // the merge's own line: a new identifier already
  } else {
    // A number of its own: the old one could name an unrelated new record.
    sink.fresh("WL", relation);
    sink.missing(*source, seTargetMissing, relation);
  }
}

// The record walk's way: lines to the merged file as resolved, warnings
// written at once.
struct bzMergeProcess::PassSink {
  bzMergeProcess& p;
  const sxLine& line;
  bool insert(std::string_view relation, std::string_view id) {
    return p.writtenTargets.insert(relation, id);
  }
  void emit(std::initializer_list<std::string_view> fields) { p.writeLine(fields); }
  void fresh(std::string_view first, std::string_view second) {
    const auto end = std::to_chars(p.number_, p.number_ + sizeof p.number_, ++p.nextRecordId).ptr;
    p.writeLine({first, second, std::string_view(p.number_, end - p.number_)});
  }
  void verbatim() {
    p.mergedFile->saveLinesToFile(kCrLf);
    p.mergedFile->saveLinesToFile(line.text);
  }
  void missing(const mgObject& o, int code, std::string_view relation) {
    p.reportMissingTarget(o, code, relation);
  }
};

void bzMergeProcess::parseRelationLinePR(const sxLine& line, std::int32_t lineCode,
                                         const mgObject* source, int input) {
  PassSink sink{*this, line};
  resolveRelation(
      lineCode, [&](std::size_t i) { return requiredField(line, i, __LINE__); }, source, input,
      sink);
}

void bzMergeProcess::parseTopologicalRelatLinePR(const sxLine& line, const mgObject* source,
                                                 int input) {
  parseRelationLinePR(line, lcP, source, input);
}

// ---------------------------------------------------------------------------
// The second pass over the part result's bytes

// What one chunk of SO records gives the merged file: its text, where in it
// the fresh record identifiers go (numbered once the chunks before it are
// counted), and its warnings in order.
struct bzMergeProcess::DirectChunk {
  struct Warning {
    int code;
    const mgObject* source;
    AnsiString relation;
  };
  AnsiString text;
  std::vector<std::size_t> fresh;
  std::vector<Warning> warnings;
  bool resolved = false;
};

// A chunk's way: lines into the chunk's text, each ended as in the part
// result; warnings kept for their turn.
struct bzMergeProcess::DirectSink {
  DirectChunk& chunk;
  TargetSet& targets;
  std::string_view line;
  bool insert(std::string_view relation, std::string_view id) {
    return targets.insert(relation, id);
  }
  void emit(std::initializer_list<std::string_view> fields) {
    bool first = true;
    for (const std::string_view f : fields) {
      if (!first) chunk.text += ',';
      chunk.text.append(f);
      first = false;
    }
    chunk.text += ";\r\n";
  }
  void fresh(std::string_view first, std::string_view second) {
    chunk.text.append(first);
    chunk.text += ',';
    chunk.text.append(second);
    chunk.text += ',';
    chunk.fresh.push_back(chunk.text.size());
    chunk.text += ";\r\n";
  }
  void verbatim() {
    chunk.text.append(line);
    chunk.text += kCrLf;
  }
  void missing(const mgObject& o, int code, std::string_view relation) {
    chunk.warnings.push_back({code, &o, AnsiString(relation)});
  }
};

namespace {

// How many bytes of text are c, eight at a time.
std::size_t countByte(std::string_view text, char c) {
  constexpr std::uint64_t kLow = 0x7F7F7F7F7F7F7F7Full;
  const std::uint64_t pattern = 0x0101010101010101ull * static_cast<unsigned char>(c);
  std::size_t n = 0;
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, sizeof word);
    const std::uint64_t x = word ^ pattern;  // a zero byte where c was
    // The top bit of each byte that is zero, and of no other; those bits,
    // moved to the bottom of their bytes, summed into the top byte by one
    // multiply (a count of bits is a library call on the processors the
    // build is made for, and this runs for every record).
    const std::uint64_t zero = ~(((x & kLow) + kLow) | x | kLow);
    n += static_cast<std::size_t>(((zero >> 7) * 0x0101010101010101ull) >> 56);
  }
  for (; i < text.size(); ++i) n += text[i] == c ? 1 : 0;
  return n;
}

// The code of a line of the part result as a relation line: WG, WL or P
// when its identifier is one of them followed by ","; 0 for a line of
// another identifier; -1 for a line this reading cannot tell.
int relationCodeOf(std::string_view line) {
  std::size_t n = 0;
  while (n < line.size() && line[n] >= 'A' && line[n] <= 'Z') ++n;
  if (n == 0 || n == line.size()) return -1;
  // Read byte by byte: the merged file has millions of lines to ask.
  int code = 0;
  if (n == 1 && line[0] == 'P')
    code = lcP;
  else if (n == 2 && line[0] == 'W')
    code = line[1] == 'G' ? lcWG : line[1] == 'L' ? lcWL : 0;
  const char next = line[n];
  if (code != 0) return next == ',' ? code : -1;
  return next == ',' || next == ';' ? 0 : -1;
}

}  // namespace

void bzMergeProcess::collectTargets(std::string_view record, const WrittenRecord& written,
                                    Targets& targets) const {
  targets.count = 0;
  RunCursor runs(written);
  std::size_t& n = targets.count;
  for (std::size_t from = 0; from < record.size() && n < Targets::kMost;) {
    const std::size_t end = record.find('\n', from);
    if (end == std::string_view::npos || end == from) break;
    const std::string_view line = record.substr(from, end - 1 - from);
    from = end + 1;
    const int code = relationCodeOf(line);
    if (code < 0) break;  // the walk reads it another way; no guess past it
    if (code == 0) continue;
    if (!runs.take(code)) break;
    const int input = runs.input();
    if (input != 0 && input != 1) continue;
    std::string_view f[4];
    const std::size_t fields = cutFields(line, f);
    for (std::string_view& field : f) field = plat::TrimView(field);
    const std::size_t before = n;
    if (code == lcWL && fields > 2) {
      targets.target[n++] = {hashOf(f[2]), bzMergeIndex::kNone, false, input};
    } else if (code == lcWG && fields > 3) {
      targets.target[n++] = {hashOf(f[3], f[2]), bzMergeIndex::kNone, true, input};
    } else if (code == lcP && fields > 2) {
      if (f[1] == "K")
        targets.target[n++] = {hashOf(f[2]), bzMergeIndex::kNone, false, input};
      else if (f[1] == "P" && fields > 3)
        targets.target[n++] = {hashOf(f[3], f[2]), bzMergeIndex::kNone, true, input};
    }
    if (n == before) continue;
    const Targets::Target& t = targets.target[n - 1];
    (t.byId ? byObjectId_[t.input] : byRecordId_[t.input]).prefetch(t.hash);
  }
}

bool bzMergeProcess::resolveChunk(std::string_view text, std::size_t first, std::size_t count,
                                  DirectChunk& chunk) const {
  TargetSet targets;
  constexpr std::size_t kFields = 8;
  std::string_view fields[kFields];
  std::size_t fieldCount = 0;
  bool complete = true;
  auto field = [&](std::size_t i) {
    if (i >= fieldCount) {
      complete = false;
      return std::string_view();
    }
    return plat::TrimView(fields[i]);
  };
  // The targets of the records a few ahead of the one in hand are looked up
  // in stages, so that what their lookups read is loaded by its turn.
  constexpr std::size_t kAheadRecords = 3;
  Targets ahead[kAheadRecords + 1];
  std::size_t aheadAt = 0;  // text offset of the record kAheadRecords ahead
  auto stage = [&](std::size_t r, std::size_t distance) {
    if (r >= first + count) return;
    Targets& t = ahead[r % (kAheadRecords + 1)];
    if (distance == kAheadRecords) {
      const WrittenRecord& w = writtenRecords[r];
      if (w.textLength <= text.size() - aheadAt)
        collectTargets(text.substr(aheadAt, w.textLength), w, t);
      else
        t.count = 0;
      aheadAt += w.textLength;
    } else {
      prefetchTargets(t, static_cast<int>(distance));
    }
  };
  // The records before the farthest stage go through the stages they skip.
  for (std::size_t r = first; r < first + std::min(count, kAheadRecords); ++r) {
    stage(r, kAheadRecords);
    stage(r, 2);
    stage(r, 1);
  }
  std::size_t at = 0;
  for (std::size_t r = first; r < first + count; ++r) {
    stage(r + kAheadRecords, kAheadRecords);
    stage(r + 2, 2);
    stage(r + 1, 1);
    const WrittenRecord& written = writtenRecords[r];
    if (written.textLength > text.size() - at) return false;
    const std::string_view record = text.substr(at, written.textLength);
    at += written.textLength;
    targets.clear();
    // The relation lines come run after run, each run's in the counts it
    // was written with, as the record walk takes them.
    RunCursor runs(written);
    // The lines kept as they stand are copied a run at a time.
    std::size_t kept = 0;
    std::size_t lines = 0;
    for (std::size_t from = 0; from < record.size();) {
      const std::size_t end = record.find('\n', from);
      if (end == std::string_view::npos || end == from || record[end - 1] != '\r') return false;
      const std::string_view line = record.substr(from, end - 1 - from);
      const std::size_t start = from;
      from = end + 1;
      ++lines;
      const int code = relationCodeOf(line);
      if (code < 0) return false;
      if (code == 0) continue;
      chunk.text.append(record.substr(kept, start - kept));
      kept = from;
      if (!runs.take(code)) return false;
      fieldCount = cutFields(line, fields);
      if (fieldCount > kFields) return false;
      DirectSink sink{chunk, targets, line};
      resolveRelation(code, field, runs.source(), runs.input(), sink);
      if (!complete) return false;
    }
    chunk.text.append(record.substr(kept));
    if (runs.rest() != 0) return false;
    // A carriage return inside a line, where the reader may end the line:
    // every line ends with one, so the record holds one a line, no more.
    if (countByte(record, '\r') != lines) return false;
  }
  return at == text.size();
}

void bzMergeProcess::startPartResultCheck() {
  partResultCheck_.reset();
  if (!partResultFile || partResultPath.empty()) return;
  try {
    std::shared_ptr<plat::GrowingFile> growing = partResultFile->letReadersFollow();
    // The reader starts with the header and the metadata sections there.
    partResultFile->flushFile();
    plat::ComPtr<PlikSW> reader = createFileInterface();
    if (reader) {
      reader->limitBlockThreads(besideThreads());
      partResultCheck_ = std::make_unique<PartResultCheck>(*this, std::move(reader), growing);
    }
  } catch (...) {
    // No check beside the pairing: the second pass makes one. (A write that
    // failed here fails the pairing's next write again.)
  }
}

bool bzMergeProcess::partResultChecked(PlikSW& reader, const std::atomic<bool>& abandon) {
  sxLineBlock block;
  for (;;) {
    if (abandon.load() || isTerminated()) return false;
    const HRESULT hr = reader.dajBlokLinii(&block);
    if (hr != plat::S_OK || !block.findings.empty()) {
      plat::ClearErrorInfo();
      return hr == plat::S_FALSE && block.findings.empty();
    }
  }
}

bool bzMergeProcess::writeMergedDirectly(const AnsiString& target) {
  partResultBlockRead_ = false;
  // The check made beside the pairing, if there was one; whatever way this
  // pass leaves, it ends with it.
  std::unique_ptr<PartResultCheck> early = std::move(partResultCheck_);
  if (!directReady_ || fileSize != partResultSize_ || recordsFrom_ > recordsTo_ ||
      recordsTo_ > partResultSize_)
    return false;
  const std::string_view bytes = partResultFile->writtenBytes();
  if (bytes.size() != partResultSize_) return false;
  const std::string_view records = bytes.substr(recordsFrom_, recordsTo_ - recordsFrom_);

  // Chunks of records, each starting where the ones before it end.
  constexpr std::size_t kRecordsPerChunk = 4096;
  const std::size_t total = writtenRecords.size();
  const std::size_t chunks = (total + kRecordsPerChunk - 1) / kRecordsPerChunk;
  std::vector<std::uint64_t> starts(chunks + 1, 0);
  {
    std::uint64_t at = 0;
    for (std::size_t r = 0; r < total; ++r) {
      if (r % kRecordsPerChunk == 0) starts[r / kRecordsPerChunk] = at;
      if (writtenRecords[r].textLength == 0) return false;
      at += writtenRecords[r].textLength;
    }
    if (at != records.size()) return false;
    starts[chunks] = at;
  }

  std::vector<DirectChunk> out(chunks);
  TextPool texts;
  // Without it, the check is made now.
  std::optional<SideCheck> late;
  if (!early) {
    partResultBlockRead_ = true;
    late.emplace(
        [this](const std::atomic<bool>& giveUp) { return partResultChecked(*fileObject, giveUp); });
  }

  mergedFile = createStore(Store::merged);
  mergedFile->openTempFile(plat::extractFilePath(target));
  mergedFile->writeBackEarly();
  mergedFile->saveLinesToFile(bytes.substr(0, recordsFrom_));
  std::uint64_t fresh = nextRecordId;
  constexpr std::uint64_t kDropped = std::uint64_t{32} << 20;
  std::uint64_t dropped = 0;  // the records' bytes before are dropped
  const bool resolved = runInOrder(
      chunks,
      [&](std::size_t k) {
        DirectChunk& c = out[k];
        try {
          const std::string_view text = records.substr(starts[k], starts[k + 1] - starts[k]);
          c.text = texts.take();
          c.text.reserve(text.size() + text.size() / 8);
          const std::size_t first = k * kRecordsPerChunk;
          c.resolved = resolveChunk(text, first, std::min(kRecordsPerChunk, total - first), c);
        } catch (...) {
          // Left to the record walk, which meets the same failure again.
          c.resolved = false;
        }
        return c.resolved;
      },
      [&](std::size_t k) {
        DirectChunk& c = out[k];
        std::size_t from = 0;
        for (const std::size_t at : c.fresh) {
          mergedFile->saveLinesToFile(std::string_view(c.text).substr(from, at - from));
          const auto end = std::to_chars(number_, number_ + sizeof number_, ++fresh).ptr;
          mergedFile->saveLinesToFile(std::string_view(number_, end - number_));
          from = at;
        }
        mergedFile->saveLinesToFile(std::string_view(c.text).substr(from));
        texts.give(c.text);
        // The records' bytes are read no more (the check reads the file):
        // their pages go a few tens of megabytes at a time, each drop
        // costing every core a flush of its address cache.
        if (starts[k + 1] - dropped >= kDropped || k + 1 == chunks) {
          partResultFile->dropWrittenBytes(recordsFrom_ + dropped, recordsFrom_ + starts[k + 1]);
          dropped = starts[k + 1];
        }
        state->setProcessPosition(recordsFrom_ + starts[k + 1]);
        recordsCount = std::min(total, (k + 1) * kRecordsPerChunk);
        state->setRecordsNumber(recordsCount);
      },
      [&] { return isTerminated(); });
  if (resolved) {
    mergedFile->saveLinesToFile(bytes.substr(recordsTo_));
  } else if (early) {
    early->giveUp();
  } else {
    late->giveUp();
  }
  const bool checked = early ? early->verdict() : late->verdict();
  if (!resolved || !checked || isTerminated()) {
    mergedFile.reset();
    return false;
  }
  nextRecordId = fresh;
  // The warnings the walk would have given, in its order.
  for (const DirectChunk& c : out)
    for (const DirectChunk::Warning& w : c.warnings)
      reportMissingTarget(*w.source, w.code, w.relation);
  nextWritten_ = total;
  recordsCount = total;
  return true;
}

}  // namespace swde
