// Failures inside the reader objects come out as failing HRESULTs with error
// information, never as exceptions: a file that cannot be read any more in
// the middle of a walk, memory that runs out at any allocation of a walk, and
// a fault of the syntax layer.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "platform/CodePage.h"
#include "platform/ComPtr.h"
#include "platform/Exception.h"
#include "platform/FileStream.h"
#include "reader/PlikSW.h"
#include "support/BrokenReads.h"
#include "support/TempFile.h"
#include "syntax/Sxconsts.h"
#include "syntax/Sxexception.h"
#include "syntax/Sxstatemachine.h"

// Memory that runs out on demand: while a walk below arms it, the allocation
// that brings the countdown to zero fails, once. Every allocation of the
// program goes through here, the reader's libraries included.
namespace {

std::atomic<bool> gArmed{false};
std::atomic<long> gCountdown{0};
std::atomic<bool> gFired{false};

void* allocate(std::size_t n) {
  if (gArmed.load(std::memory_order_relaxed) && !gFired.load() && --gCountdown == 0) {
    gFired = true;
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
  throw std::bad_alloc();
}

void* allocateNoThrow(std::size_t n) noexcept {
  try {
    return allocate(n);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

void* operator new(std::size_t n) {
  return allocate(n);
}
void* operator new[](std::size_t n) {
  return allocate(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  return allocateNoThrow(n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  return allocateNoThrow(n);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

using namespace swde;
using plat::ComPtr;
using plat::cp;
using plat::HRESULT;

namespace {

std::string errorDescription() {
  plat::ErrorInfo info;
  return plat::GetErrorInfo(info) ? info.description : std::string("<none>");
}

// ---------------------------------------------------------------------------
// The guard's translation of exceptions.

// A fault of the syntax layer: the transition graph of a broken text.
void loadBrokenGraph() {
  sxStateGraphs graphs("$POCZATEK\nNIE_MA_TAKIEJ_LINII CEL\n", "");
}

std::string brokenGraphMessage() {
  try {
    loadBrokenGraph();
  } catch (const plat::Exception& e) {
    return e.Message();
  }
  return "<no exception>";
}

TEST(ReaderGuard, EveryExceptionBecomesAFailureWithItsText) {
  const std::string file = "/dane/obreb.swd";
  const std::string graph = brokenGraphMessage();
  ASSERT_NE(graph, "<no exception>");
  const struct Case {
    const char* what;
    std::function<HRESULT()> body;
    HRESULT hr;
    std::string withFile, withoutFile;
  } cases[] = {
      {"memory", []() -> HRESULT { throw std::bad_alloc(); }, plat::E_OUTOFMEMORY,
       cp("Za mało pamięci"), cp("Za mało pamięci")},
      {"memory returned", [] { return plat::E_OUTOFMEMORY; }, plat::E_OUTOFMEMORY,
       cp("Za mało pamięci"), cp("Za mało pamięci")},
      {"file error names its file itself",
       []() -> HRESULT {
         throw plat::EFileError(cp("Błąd odczytu pliku: /dane/obreb.swd (błąd wejścia-wyjścia)"));
       },
       plat::E_FAIL, cp("Błąd odczytu pliku: /dane/obreb.swd (błąd wejścia-wyjścia)"),
       cp("Błąd odczytu pliku: /dane/obreb.swd (błąd wejścia-wyjścia)")},
      {"graph load",
       [] {
         loadBrokenGraph();
         return plat::S_OK;
       },
       plat::E_FAIL, cp("Błąd odczytu pliku: ") + file + " (" + graph + ")", graph},
      {"std exception", []() -> HRESULT { throw std::runtime_error("zepsute"); }, plat::E_FAIL,
       cp("Błąd odczytu pliku: ") + file + " (zepsute)", "zepsute"},
      {"anything", []() -> HRESULT { throw 42; }, plat::E_UNEXPECTED,
       cp("Błąd odczytu pliku: ") + file + cp(" (Nieoczekiwany wyjątek)"),
       cp("Nieoczekiwany wyjątek")},
      {"success leaves no stale text", [] { return plat::S_FALSE; }, plat::S_FALSE, "<none>",
       "<none>"},
  };
  for (const Case& c : cases) {
    for (const std::string* f : {&file, static_cast<const std::string*>(nullptr)}) {
      SCOPED_TRACE(std::string(c.what) + (f ? " with the file" : " without a file"));
      plat::SetErrorInfo("stara", plat::IID_IUnknown, "stare");
      int cleanups = 0;
      EXPECT_EQ(guardCall(IID_IRekordSW, f, c.body, [&] { ++cleanups; }), c.hr);
      plat::ErrorInfo info;
      const bool has = plat::GetErrorInfo(info);
      EXPECT_EQ(has ? info.description : "<none>", f ? c.withFile : c.withoutFile);
      if (has) {
        EXPECT_EQ(info.iid, IID_IRekordSW);
        EXPECT_EQ(info.source, "OLVENLIB.PlikSW");
      }
      const bool threw = c.hr != plat::S_FALSE && std::string(c.what) != "memory returned";
      EXPECT_EQ(cleanups, threw ? 1 : 0);
    }
  }
}

const std::string kHeader = "SWDE.W.1.13.0;\n";

// A failure at the start of a file, let in by the reader's start seam:
// otworz fails with the text naming the file, and the object opens the file
// again once the fault is gone.
TEST(ReaderGuard, FailureWhileOpeningLeavesTheFileClosed) {
  testsupport::TempFile f(kHeader + "SO;\nSX;\nSWDEX;\n");
  const std::string graph = brokenGraphMessage();
  const struct Case {
    const char* what;
    PlikSW::StartHook hook;
    HRESULT hr;
    std::string description;
  } cases[] = {
      {"graph load", [](sxFileStream&) { loadBrokenGraph(); }, plat::E_FAIL,
       cp("Błąd odczytu pliku: ") + f.path() + " (" + graph + ")"},
      {"memory", [](sxFileStream&) { throw std::bad_alloc(); }, plat::E_OUTOFMEMORY,
       cp("Za mało pamięci")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ComPtr<PlikSW> reader(new PlikSW());
    PlikSW::setStartHook(c.hook);
    EXPECT_EQ(reader->otworz(f.path(), 0), c.hr);
    EXPECT_EQ(errorDescription(), c.description);
    std::int32_t type = 0;
    EXPECT_EQ(reader->dajTypPliku(&type), plat::E_FAIL);
    EXPECT_EQ(errorDescription(), "Plik nie jest otwarty");
    PlikSW::setStartHook(nullptr);
    ASSERT_EQ(reader->otworz(f.path(), 0), plat::S_OK);
    EXPECT_EQ(reader->resetuj(), plat::S_OK);
    // A fault at a reset closes the file too.
    PlikSW::setStartHook(c.hook);
    EXPECT_EQ(reader->resetuj(), c.hr);
    PlikSW::setStartHook(nullptr);
    EXPECT_EQ(reader->resetuj(), plat::E_FAIL);
  }
}

// ---------------------------------------------------------------------------
// A file that cannot be read any more in the middle of a walk.

// A data file of many records, several times the reader's buffer.
std::string manyRecords(int count) {
  std::string s = kHeader + "SO;\n";
  for (int i = 1; i <= count; ++i) s += "RD,G5KLU,," + std::to_string(i) + ",,;\nX;\n";
  return s + "SX;\nSWDEX;\n";
}

struct WalkKind {
  const char* what;
  // The next step of the walk: S_OK while it goes on, S_FALSE at its end.
  std::function<HRESULT(PlikSW&)> step;
};

const WalkKind kWalks[] = {
    {"lines",
     [](PlikSW& r) {
       ComPtr<LiniaSW> l;
       const HRESULT hr = r.dajLinie(&l);
       return hr == plat::S_OK && !l ? plat::S_FALSE : hr;
     }},
    {"records",
     [](PlikSW& r) {
       std::int32_t section = 0;
       std::int32_t type = 0;
       if (r.dajTypSekcji(&type) == plat::S_OK && type == 0) {
         const HRESULT hs = r.ustawNaKolejnaSekcje(&section);
         if (hs != plat::S_OK) return hs;
       }
       ComPtr<RekordSW> rec;
       return r.dajKolejnyRekord(&rec);
     }},
};

TEST(ReaderReadError, MidWalkFailsWithTheFileAndTheReasonAndClosesTheFile) {
  constexpr int kRecords = 4000;
  const std::string content = manyRecords(kRecords);
  ASSERT_GT(content.size(), 4 * kFileBufferSize);
  testsupport::TempFile f(content);
  const std::string expected =
      cp("Błąd odczytu pliku: ") + f.path() + " (" + plat::fileErrorReason(EISDIR) + ")";
  for (const WalkKind& walk : kWalks) {
    SCOPED_TRACE(walk.what);
    ComPtr<PlikSW> reader(new PlikSW());
    ASSERT_EQ(reader->otworz(f.path(), 0), plat::S_OK);
    for (int i = 0; i < 10; ++i) ASSERT_EQ(walk.step(*reader), plat::S_OK);
    testsupport::breakReadsOf(f.path());
    HRESULT hr = plat::S_OK;
    int steps = 0;
    while ((hr = walk.step(*reader)) == plat::S_OK) ++steps;
    EXPECT_EQ(hr, plat::E_FAIL);
    EXPECT_LT(steps, kRecords);  // the walk ended at the failure, not at the end of the file
    plat::ErrorInfo info;
    ASSERT_TRUE(plat::GetErrorInfo(info));
    EXPECT_EQ(info.description, expected);
    EXPECT_EQ(info.iid, IID_IPlikSW);
    EXPECT_EQ(info.source, "OLVENLIB.PlikSW");

    // The file is closed; opening it again reads it whole.
    std::uint64_t position = 0;
    EXPECT_EQ(reader->dajPozycjeWPliku(&position), plat::E_FAIL);
    EXPECT_EQ(errorDescription(), "Plik nie jest otwarty");
    ASSERT_EQ(reader->otworz(f.path(), 0), plat::S_OK);
    steps = 0;
    while ((hr = walk.step(*reader)) == plat::S_OK) ++steps;
    EXPECT_EQ(hr, plat::S_FALSE);
    EXPECT_GE(steps, kRecords);
  }
}

// ---------------------------------------------------------------------------
// Memory that runs out at any one allocation of a walk.

const std::string kSmallFile =
    "SWDE.W.1.13.0;naglowek\n"
    "SP;\n"
    "B,G5IDD,ZN, 1 ;\n"
    "C;komentarz\n"
    "SX;\n"
    "SO;\n"
    "RD,G5KLU,,1,,;\n"
    "D,G5OFU,D,R;\n"
    "QQ,zla linia;\n"
    "X;\n"
    "RP,G5PKT,,2,,;\n"
    "P,G,5712345.12,6543210.34,;\n"
    "X;\n"
    "SX;\n"
    "SWDEX;\n";

// One walk of a file, structural and then linear, every part of every line
// read; it stops at the first failing call, whose result and error
// information it keeps. Only the reader's calls run armed.
class Walk {
 public:
  explicit Walk(bool armed) : armed_(armed) {}

  void run(const std::string& path) {
    ComPtr<PlikSW> file(new PlikSW());
    if (!ok([&] { return file->otworz(path, 0); })) return;
    std::int32_t section = 0;
    HRESULT hs;
    while (ok([&] { return hs = file->ustawNaKolejnaSekcje(&section); }) && hs == plat::S_OK) {
      out += "S" + std::to_string(section) + "\n";
      for (;;) {
        ComPtr<RekordSW> rec;
        HRESULT hr;
        if (!ok([&] { return hr = file->dajKolejnyRekord(&rec); })) return;
        if (hr != plat::S_OK) break;
        std::uint32_t n = 0;
        std::uint64_t position = 0;
        if (!ok([&] { return rec->dajIloscLinii(&n); }) ||
            !ok([&] { return rec->dajPozycjeWPliku(&position); }) || !error(*rec))
          return;
        out += " R" + std::to_string(position) + "\n";
        for (std::uint32_t i = 0; i < n; ++i) {
          ComPtr<LiniaSW> line;
          if (!ok([&] { return rec->dajLinie(i, &line); }) || !describe(*line)) return;
        }
      }
    }
    if (plat::FAILED(failure) || !ok([&] { return file->resetuj(); })) return;
    for (;;) {
      ComPtr<LiniaSW> line;
      if (!ok([&] { return file->dajLinie(&line); })) return;
      if (!line) break;
      if (!describe(*line)) return;
    }
    error(*file);
  }

  std::string out;
  HRESULT failure = plat::S_OK;
  std::string description;

 private:
  template <class Call>
  bool ok(Call&& call) {
    gArmed = armed_;
    const HRESULT hr = call();
    gArmed = false;
    if (plat::FAILED(hr)) {
      failure = hr;
      description = errorDescription();
      return false;
    }
    return true;
  }

  template <class Object>
  bool error(Object& o) {
    std::uint32_t code = 0, line = 0;
    plat::BSTR text = nullptr;
    HRESULT hr;
    if (!ok([&] { return hr = o.dajOpisBledu(&code, &line, &text); })) return false;
    if (hr == plat::S_OK) out += "  E" + std::to_string(code) + "@" + std::to_string(line) + " ";
    out += plat::cp1250FromBstr(text) + "\n";
    plat::SysFreeString(text);
    return true;
  }

  bool text(std::function<HRESULT(plat::BSTR*)> get) {
    plat::BSTR t = nullptr;
    if (!ok([&] { return get(&t); })) return false;
    out += "[" + plat::cp1250FromBstr(t) + "]";
    plat::SysFreeString(t);
    return true;
  }

  bool describe(LiniaSW& l) {
    std::int32_t type = 0;
    std::uint32_t fields = 0;
    std::uint64_t number = 0, position = 0;
    if (!ok([&] { return l.dajTypLinii(&type); }) || !ok([&] { return l.dajIloscPol(&fields); }) ||
        !ok([&] { return l.dajNumerLinii(&number); }) ||
        !ok([&] { return l.dajPozycjeWPliku(&position); }))
      return false;
    out += "  L" + std::to_string(type) + ":" + std::to_string(number) + "@" +
           std::to_string(position);
    for (std::uint32_t k = 0; k < fields; ++k) {
      plat::Variant v;
      if (!text([&](plat::BSTR* t) { return l.dajPole(k, v.raw(), t); })) return false;
    }
    return text([&](plat::BSTR* t) { return l.dajKomentarz(t); }) &&
           text([&](plat::BSTR* t) { return l.dajReprezentacje(t); }) && error(l);
  }

  bool armed_;
};

TEST(ReaderOutOfMemory, EveryFailedAllocationOfAWalkIsAFailureNotAnException) {
  testsupport::TempFile f(kSmallFile);
  Walk reference(false);
  reference.run(f.path());  // also sets up what the syntax layer makes once per process
  ASSERT_EQ(reference.failure, plat::S_OK) << reference.description;
  ASSERT_NE(reference.out.find("E121"), std::string::npos) << reference.out;

  int failures = 0;
  for (long n = 1;; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n));
    gFired = false;
    gCountdown = n;
    Walk walk(true);
    walk.run(f.path());
    if (!gFired) {
      // The walk made fewer allocations than n: every one of them has failed once.
      EXPECT_EQ(walk.failure, plat::S_OK);
      EXPECT_EQ(walk.out, reference.out);
      break;
    }
    if (plat::FAILED(walk.failure)) {
      ++failures;
      EXPECT_EQ(walk.failure, plat::E_OUTOFMEMORY);
      EXPECT_EQ(walk.description, cp("Za mało pamięci"));
    } else {
      // The failed allocation was made good inside: nothing read may differ.
      EXPECT_EQ(walk.out, reference.out);
    }
    if (::testing::Test::HasFailure()) break;
  }
  EXPECT_GT(failures, 0);
}

}  // namespace
