// The console command as the user runs it: the built olven in a process of
// its own, its standard streams on pipes (no terminal), in a folder of its
// own with copies of the samples. Its cp1250 texts come out as UTF-8 under
// LC_ALL=C.UTF-8.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/iuConsole.h"
#include "platform/CodePage.h"
#include "processing/bzReport.h"
#include "support/Files.h"

extern char** environ;

namespace {

using testsupport::readFile;
using testsupport::writeFile;

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Only a hung child takes this long: no test waits for it in any other case.
constexpr auto kHangGuard = 300s;

struct Result {
  int status = -1;  // exit status, or 128 + the signal that ended it
  std::string out, err;
};

// One olven process.
class Child {
 public:
  Child(const std::vector<std::string>& args, const std::string& cwd, const std::string& tmp) {
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) std::abort();
    // A registry of the test's own: the document templates of GA and WA
    // are read and made there.
    std::vector<std::string> env = {"LC_ALL=C.UTF-8", "TMPDIR=" + tmp,
                                    "OLVEN_REGISTRY=" + cwd + "/registry"};
    for (char** e = environ; *e; ++e) {
      const std::string v = *e;
      if (v.rfind("LC_", 0) != 0 && v.rfind("LANG", 0) != 0 && v.rfind("TMPDIR=", 0) != 0 &&
          v.rfind("OLVEN_REGISTRY=", 0) != 0)
        env.push_back(v);
    }
    std::vector<std::string> argvs = {OLV_OLVEN};
    argvs.insert(argvs.end(), args.begin(), args.end());
    pid_ = ::fork();
    if (pid_ == 0) {
      std::vector<char*> a, e;
      for (auto& s : argvs) a.push_back(s.data());
      a.push_back(nullptr);
      for (auto& s : env) e.push_back(s.data());
      e.push_back(nullptr);
      const int in = ::open("/dev/null", O_RDONLY);
      ::dup2(in, 0);
      ::dup2(out[1], 1);
      ::dup2(err[1], 2);
      if (::chdir(cwd.c_str()) != 0) ::_exit(127);
      ::execve(a[0], a.data(), e.data());
      ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    outFd_ = out[0];
    errFd_ = err[0];
  }

  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    closeFd(outFd_);
    closeFd(errFd_);
  }

  // Reads until stdout holds text (UTF-8); false when the output ended
  // without it (or after the guard against a hung child).
  bool waitForOutput(const std::string& text) {
    const auto end = Clock::now() + kHangGuard;
    while (result_.out.find(text) == std::string::npos) {
      if (Clock::now() > end || !pump(end)) return result_.out.find(text) != std::string::npos;
    }
    return true;
  }

  void signal(int sig) { ::kill(pid_, sig); }
  void closeOutput() { closeFd(outFd_); }

  // Waits until the process has stopped itself (SIGSTOP); false when it
  // ended instead.
  bool waitStopped() {
    int st = 0;
    return ::waitpid(pid_, &st, WUNTRACED) == pid_ && WIFSTOPPED(st);
  }

  // Everything up to the end of the process; a process still there after
  // the guard against a hung child is killed and the test fails.
  Result finish() {
    const auto end = Clock::now() + kHangGuard;
    while ((outFd_ >= 0 || errFd_ >= 0) && pump(end)) {
    }
    if (outFd_ >= 0 || errFd_ >= 0) {
      ADD_FAILURE() << "olven did not end in time";
      ::kill(pid_, SIGKILL);
    }
    int st = 0;
    ::waitpid(pid_, &st, 0);
    pid_ = -1;
    result_.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return result_;
  }

 private:
  static void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }

  // One round of reading; false when the time is up or both pipes ended.
  bool pump(Clock::time_point end) {
    pollfd p[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    if (left.count() <= 0 || (outFd_ < 0 && errFd_ < 0)) return false;
    if (::poll(p, 2, static_cast<int>(left.count())) <= 0) return false;
    readFrom(p[0], outFd_, result_.out);
    readFrom(p[1], errFd_, result_.err);
    return true;
  }

  static void readFrom(const pollfd& p, int& fd, std::string& into) {
    if (fd < 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR))) return;
    char buf[65536];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0)
      into.append(buf, static_cast<std::size_t>(n));
    else
      closeFd(fd);
  }

  pid_t pid_ = -1;
  int outFd_ = -1, errFd_ = -1;
  Result result_;
};

// START and STOP lines carry the time: replaced by the bare word.
std::string withoutTimes(std::string s) {
  for (const std::string word : {"START: ", "STOP: "}) {
    for (std::size_t at = s.find(word); at != std::string::npos; at = s.find(word, at + 1)) {
      if (at > 0 && s[at - 1] != '\n') continue;
      const std::size_t eol = s.find('\n', at);
      s.replace(at, eol - at, word.substr(0, word.size() - 2));
    }
  }
  return s;
}

class Olven : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string dir = (fs::temp_directory_path() / "olvenXXXXXX").string();
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    dir_ = dir;
    fs::create_directory(tmp());
    for (const char* name : {"przyklad.swd", "przyklad.swg", "bledy.swd"})
      fs::copy_file(std::string(OLV_SAMPLES) + "/" + name, dir_ + "/" + name);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string tmp() const { return dir_ + "/tmp"; }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  Result run(const std::vector<std::string>& args) {
    Child child(args, dir_, tmp());
    return child.finish();
  }

  // Temporary report files left behind.
  std::vector<std::string> leftovers() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(tmp())) names.push_back(e.path().string());
    return names;
  }

  // The report of the syntax check of the samples przyklad.swd and
  // bledy.swd, as printed.
  std::string sampleReport() const {
    return "START\n"
           "Sprawdzanie poprawności syntaktycznej\n"
           " \n"
           "Lista plików do przetworzenia:\n"
           "   1. " +
           path("przyklad.swd") +
           "\n"
           "   2. " +
           path("bledy.swd") +
           "\n"
           " \n"
           "Przetwarzanie pliku nr 1...\n"
           "Przetwarzanie pliku nr 2...\n"
           "=========> " +
           path("bledy.swd") +
           "\n"
           "3 B   124 SP - Pole nr 3 ma nieprawidłową wartość\n"
           "13 B   121 SO - Nierozpoznany typ linii : QQ\n"
           "15 B   129 SO - Pole nr 2 zawiera nieprawidłową wartość (zapomniany separator pól?)\n"
           "17 B   122 SO - Nieprawidłowa liczba pól\n"
           "18 B   130 SO - Pole nr 2 nie może być puste\n"
           "20 B   106 SO - Brak identyfikatora obiektu\n"
           "23 B   212 - Nieprawidłowe zakończenie pliku\n"
           " \n"
           "Podsumowanie liczby błędów i ostrzeżeń:\n"
           "Plik: " +
           path("przyklad.swd") +
           "\n"
           "  => liczba błędów    : 0\n"
           "  => liczba ostrzeżeń : 0\n"
           "Plik: " +
           path("bledy.swd") +
           "\n"
           "  => liczba błędów    : 7\n"
           "  => liczba ostrzeżeń : 0\n"
           "Sumaryczna liczba błędów    : 7\n"
           "Sumaryczna liczba ostrzeżeń : 0\n"
           " \n"
           "STOP\n";
  }

  std::string dir_;
};

const std::string kStarted = "Rozpoczeto proces analizy syntaktycznej\n";
const std::string kFinished = "Zakończono przetwarzanie\n";

struct Case {
  std::vector<std::string> args;
  std::string out;
  int status;
};

void expectCases(Olven& t, const std::vector<Case>& cases,
                 const std::function<Result(const std::vector<std::string>&)>& run) {
  for (const Case& c : cases) {
    std::string label;
    for (const auto& a : c.args) label += a + " ";
    const Result r = run(c.args);
    EXPECT_EQ(r.out, c.out) << label;
    EXPECT_EQ(r.status, c.status) << label;
    EXPECT_EQ(r.err, "") << label;
  }
  (void)t;
}

// ---------------------------------------------------------------------------

TEST_F(Olven, DispatchOnTheFirstWord) {
  const std::string help = plat::cp1250ToUtf8(swde::iuConsole::helpText());
  const std::vector<Case> cases = {
      {{"/?"}, help, 0},
      {{"xx"}, "Błędna lista parametrów!\nNie rozpoznano pierwszego parametru: xx\n", 1},
      // The word as given, also in its case and letters.
      {{"Łódź"}, "Błędna lista parametrów!\nNie rozpoznano pierwszego parametru: Łódź\n", 1},
      {{"-PWE", "a"}, "Błędna lista parametrów!\nNie rozpoznano pierwszego parametru: -PWE\n", 1},
      {{},
       "Okno główne programu nie jest dostępne w tej wersji. Program działa w trybie "
       "wsadowym:\n\n" +
           help,
       2},
      {{"-pol"}, "Nie można otworzyć pliku z poleceniami: \n", 1},
      {{"-POL", "brak.txt"}, "Nie można otworzyć pliku z poleceniami: brak.txt\n", 1},
  };
  expectCases(*this, cases, [this](const auto& a) { return run(a); });
}

TEST_F(Olven, HelpTellsTheExitStatusesAndTheCommentRule) {
  const std::string help = run({"/?"}).out;
  for (const char* part : {"130 - przetwarzanie przerwane przez użytkownika",
                           "Za nazwą funkcji znak # nie rozpoczyna komentarza", ".aut.rtf",
                           "np. sk -pwe /dane/obr05.swd"})
    EXPECT_NE(help.find(part), std::string::npos) << part;
  EXPECT_EQ(help.find('\\'), std::string::npos);  // Linux paths only
}

TEST_F(Olven, ParameterAndFileCountErrorsOnTheCommandLine) {
  const std::string prefix = "Błąd przetwarzania listy parametrów: ";
  const std::string count = "Błąd linii poleceń : zła liczba plików wejściowych\n";
  const std::vector<Case> cases = {
      {{"sk", "-pwe", "a.swd", "-pk", "x"}, prefix + "nieoczekiwana pozycja - x", 1},
      {{"sk", "-pwe", "a.swd", "-pbz", "x"}, prefix + "nieoczekiwana pozycja - x", 1},
      {{"sk", "-pwe", "a.swd", "-r", "r1", "r2"}, prefix + "ponownie podano plik raportu", 1},
      {{"sc", "-pwe", "a", "b", "-pwy", "c", "d"}, prefix + "ponownie podano pliki wyjściowe", 1},
      {{"sk"}, count, 1},
      {{"sk", "-r", "r.rpt"}, count, 1},
      {{"sk", "-rk", "a.swd"}, count, 1},
      {{"sp", "-rk", "-pwe"}, count, 1},
      {{"ga", "-pwy", "o.swd"}, count, 1},
      {{"wa"}, count, 1},
      {{"sc", "-pwe", "a"}, count, 1},
      {{"sc", "-pwe", "a", "b", "c", "-pwy", "d"}, count, 1},
      {{"sc", "-pwe", "a", "b"}, "Błąd linii poleceń : brak nazwy pliku wynikowego\n", 1},
      {{"sc", "-pwe", "a", "b", "-pwy", "wynik/"},
       "Błąd linii poleceń : brak nazwy pliku wynikowego\n",
       1},
      // One output name for two inputs: both would write the one copy.
      {{"ga", "-pwe", "a.swd", "b.swd", "-pwy", "c.swd"},
       "Błąd linii poleceń : Nazwa pliku wynikowego dotyczy tylko jednego pliku wejściowego\n",
       1},
      // Sound parameters of the functions that this build does not have.
      {{"sp", "-pwe", "a.swd", "b.swd", "-rk"},
       "Sprawdzanie poprawności semantycznej (SP) nie jest dostępne w tej wersji programu.\n",
       2},
      {{"sc", "-pwe", "a", "b", "-pwy", "c"},
       "Scalanie plików SWDE (SC) nie jest dostępne w tej wersji programu.\n",
       2},
  };
  expectCases(*this, cases, [this](const auto& a) { return run(a); });
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(Olven, OutputAndReportFilesThatNameAnInputAreRefused) {
  fs::create_hard_link(path("przyklad.swd"), path("twardy.swd"));
  fs::create_symlink(path("bledy.swd"), path("miekki.rpt"));
  fs::copy_file(path("przyklad.swd"), path("dane.swd"));
  fs::copy_file(path("przyklad.swd"), path("dane_crc.swd"));
  const std::string report = "Błąd linii poleceń : plik raportu jest plikiem wejściowym: ";
  const std::string output = "Błąd linii poleceń : plik wynikowy jest plikiem wejściowym: ";
  const std::vector<Case> cases = {
      {{"sk", "-pwe", "przyklad.swd", "-r", "przyklad.swd"}, report + "przyklad.swd\n", 1},
      {{"sk", "-pwe", "bledy.swd", "przyklad.swd", "-r", dir_ + "/twardy.swd"},
       report + dir_ + "/twardy.swd\n",
       1},
      {{"sk", "-pwe", "bledy.swd", "-r", "miekki.rpt"}, report + "miekki.rpt\n", 1},
      {{"sp", "-pwe", "bledy.swd", "-r", "./bledy.swd"}, report + "./bledy.swd\n", 1},
      // Without a folder the copy goes beside the input.
      {{"ga", "-pwe", "przyklad.swd", "-pwy", "twardy.swd"}, output + path("twardy.swd") + "\n", 1},
      {{"ga", "-pwe", "przyklad.swd", "-pwy", dir_ + "/twardy.swd"},
       output + path("twardy.swd") + "\n",
       1},
      // Without -pwy the copy of dane.swd would be dane_crc.swd, an input too.
      {{"ga", "-pwe", "dane.swd", "dane_crc.swd"}, output + path("dane_crc.swd") + "\n", 1},
      {{"sc", "-pwe", "przyklad.swd", "bledy.swd", "-pwy", "bledy.swd"}, output + "bledy.swd\n", 1},
  };
  expectCases(*this, cases, [this](const auto& a) { return run(a); });
  EXPECT_EQ(readFile(path("bledy.swd")), readFile(std::string(OLV_SAMPLES) + "/bledy.swd"));
  EXPECT_EQ(readFile(path("twardy.swd")), readFile(std::string(OLV_SAMPLES) + "/przyklad.swd"));
}

TEST_F(Olven, SyntaxReportPrintedAndFindingsAreNoFailure) {
  const Result r = run({"SK", "-pwe", "przyklad.swd", "bledy.swd"});
  EXPECT_EQ(withoutTimes(r.out), kStarted + sampleReport() + kFinished);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.find_first_of("\a\x1b"), std::string::npos);  // no terminal, no control bytes
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(Olven, AMissingInputFileIsReportedAndFailsTheCommand) {
  const Result r = run({"sk", "-pwe", "nie_ma.swd", "przyklad.swd"});
  EXPECT_NE(r.out.find("Nie znaleziono pliku!\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Przetwarzanie pliku nr 2..."),
            std::string::npos);  // the others are checked
  EXPECT_TRUE(r.out.ends_with(kFinished));
  EXPECT_EQ(r.status, 1);
}

TEST_F(Olven, SyntaxReportSavedWithR) {
  fs::create_directory(path("raporty"));
  const Result r = run({"sk", "-pwe", "przyklad.swd", path("bledy.swd"), "-r", "raporty/r.rpt"});
  EXPECT_EQ(r.out, kStarted + kFinished);
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(leftovers().empty());

  swde::bzReport report(true);
  ASSERT_TRUE(report.Open(path("raporty/r.rpt")));
  EXPECT_EQ(report.GetFilePath(0), dir_ + "/");
  EXPECT_EQ(report.GetFilePath(1), dir_ + "/");
  std::string printed;
  bool finding = false;
  while (auto line = report.GetNextLine()) {
    printed += plat::cp1250ToUtf8(line->text) + "\n";
    if (line->text == "13 B   121 SO - Nierozpoznany typ linii : QQ")
      finding = line->lineNo == 13 && line->fileIdx == 1;
  }
  EXPECT_EQ(withoutTimes(printed), sampleReport());
  EXPECT_TRUE(finding);
}

// The document's text with its date taken out: two runs may straddle
// midnight.
std::string undated(std::string rtf) {
  static const std::regex date("[0-9]{2}-[0-9]{2}-[0-9]{4}");
  return std::regex_replace(rtf, date, "DATE", std::regex_constants::format_first_only);
}

TEST_F(Olven, AuthorizationAndVerificationOfTheSamples) {
  const std::string gaStarted = "Uruchomiono generację dokumentu autoryzacji\n";
  const std::string waStarted = "Uruchomiono weryfikację pliku\n";
  // A new user: the templates come from szablon.reg beside olven.
  const Result ga = run({"GA", "-pwe", "przyklad.swd"});
  EXPECT_EQ(ga.status, 0);
  EXPECT_EQ(ga.err, "");
  EXPECT_TRUE(ga.out.starts_with(gaStarted)) << ga.out;
  EXPECT_NE(ga.out.find("Plik wynikowy z sumami kontrolnymi: " + path("przyklad_crc.swd") + "\n"),
            std::string::npos)
      << ga.out;
  EXPECT_NE(ga.out.find("Generowanie dokumentu autoryzacji: " + path("przyklad_crc.swd.aut.rtf")),
            std::string::npos);
  EXPECT_TRUE(ga.out.ends_with(kFinished));
  EXPECT_NE(readFile(path("przyklad_crc.swd")).find("\r\nXC,2093832669;\r\n"), std::string::npos);
  EXPECT_TRUE(fs::exists(path("registry")));

  fs::create_directory(path("wer"));
  const Result wa = run({"wa", "-pwe", "przyklad_crc.swd", "-pwy", "wer", "-r", "wa.rpt"});
  EXPECT_EQ(wa.out, waStarted + kFinished);
  EXPECT_EQ(wa.status, 0);
  EXPECT_EQ(undated(readFile(path("wer/przyklad_crc.swd.wer.rtf"))),
            undated(readFile(path("przyklad_crc.swd.aut.rtf"))));
  EXPECT_TRUE(fs::exists(path("wa.rpt")));

  // Wrong sums are findings of the data, not a failure of the run.
  std::string copy = readFile(path("przyklad_crc.swd"));
  copy.replace(copy.find("G5DZE,RO"), 8, "G5DZE,RP");
  writeFile(path("zmiana.swd"), copy);
  const Result wrong = run({"wa", "-pwe", "zmiana.swd"});
  EXPECT_EQ(wrong.status, 0);
  EXPECT_NE(wrong.out.find("11 B 10006 ST - Suma CRC dla rekordu jest nieprawidłowa\n"),
            std::string::npos)
      << wrong.out;
  EXPECT_TRUE(fs::exists(path("zmiana.swd.wer.rtf")));
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(Olven, AnInputWithoutItsDocumentFailsTheCommand) {
  const std::string gaStarted = "Uruchomiono generację dokumentu autoryzacji\n";
  {
    // A faulty line: the file gets no copy; the next one does.
    const Result r = run({"ga", "-pwe", "bledy.swd", "przyklad.swg", "-r", "ga.rpt"});
    EXPECT_EQ(r.out, gaStarted + kFinished);
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(fs::exists(path("bledy_crc.swd")));
    EXPECT_TRUE(fs::exists(path("przyklad_crc.swg.aut.rtf")));
  }
  {
    // A cut file ends the run: the later file is not processed, and that is
    // no stop by the user.
    const std::string sample = readFile(path("przyklad.swd"));
    writeFile(path("cut.swd"), sample.substr(0, sample.find("D,G5NRP")));
    const Result r = run({"ga", "-pwe", "cut.swd", "przyklad.swd"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("Niepoprawne zakończenie pliku!\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" \nPrzetwarzanie przerwano z powodu niepoprawnego zakończenia pliku\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("Przetwarzanie pliku nr 2"), std::string::npos);
    EXPECT_FALSE(fs::exists(path("przyklad_crc.swd")));
  }
  {
    // A missing input alone: the command is wrong, not failed.
    const Result r = run({"wa", "-pwe", "nie_ma.swd"});
    EXPECT_EQ(r.status, 1);
  }
}

TEST_F(Olven, AReportThatCannotBeSavedFailsAndNamesTheKeptFile) {
  const Result r = run({"sk", "-pwe", "bledy.swd", "-r", "brak/r.rpt"});
  EXPECT_EQ(r.status, 2);
  const std::vector<std::string> kept = leftovers();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(r.out, kStarted +
                       "Nie można zapisać raportu w pliku brak/r.rpt (folder nie istnieje)"
                       ". Raport pozostał w pliku " +
                       kept[0] + "\n" + kFinished);
  swde::bzReport report(true);
  EXPECT_TRUE(report.Open(kept[0]));
}

TEST_F(Olven, CommandFileWithCommentsQuotesAndSkippedCommands) {
  fs::create_directory(path("moje dane"));
  fs::copy_file(path("przyklad.swd"), path("moje dane/Przyklad.SWD"));
  writeFile(path("polecenia.txt"),
            "# sprawdzenie pliku z folderu ze spacja\n"
            "# drugi komentarz\n"
            "SK -pwe \"moje dane/Przyklad.SWD\"\r\n"
            "   -r \"moje dane/r 1.rpt\";\n"
            "sk;\n"                               // the function word alone: skipped
            "zz -pwe przyklad.swd;\n"             // unknown word: skipped
            "-pol polecenia.txt;\n"               // only on the command line
            "sk\n-pwe\nbledy.swd\n-r\nr2.rpt;\n"  // one word a line
            "sk -pwe bledy.swd\n");               // no ";": not run
  const Result r = run({"-pol", "polecenia.txt"});
  EXPECT_EQ(r.out, kStarted + kFinished + kStarted + kFinished);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  swde::bzReport first(true);
  ASSERT_TRUE(first.Open(path("moje dane/r 1.rpt")));
  EXPECT_EQ(first.GetFilePath(0), "moje dane/");  // a folder part is kept as written
  swde::bzReport second(true);
  ASSERT_TRUE(second.Open(path("r2.rpt")));
  EXPECT_EQ(second.GetFilePath(0), dir_ + "/");
}

TEST_F(Olven, CommandFileParameterErrorsAndTheWorstStatus) {
  const std::string prefix = "Błąd przetwarzania listy parametrów: ";
  writeFile(path("p.txt"),
            "sk -pwe a.swd -pk x;\n"
            "sk -pwe a.swd -r r1 r2;\n"
            "sc -pwe a b -pwy c d;\n"
            "sk -pk;\n"
            "sc -pwe a -pwy c;\n"
            "sp -pwe a.swd;\n"
            "sk -pwe przyklad.swd -r r.rpt;\n");
  const Result r = run({"-pol", "p.txt"});
  EXPECT_EQ(r.out, prefix + "nieoczekiwana pozycja -x" + prefix + "ponownie podano plik raportu" +
                       prefix + "ponownie podano pliki wyjściowe" +
                       "Błąd linii poleceń : zła liczba plików wejściowych\n"
                       "Błąd linii poleceń : zła liczba plików wejściowych\n"
                       "Sprawdzanie poprawności semantycznej (SP) nie jest dostępne w tej wersji "
                       "programu.\n" +
                       kStarted + kFinished);
  EXPECT_EQ(r.status, 2);

  writeFile(path("q.txt"), "sk -pwe przyklad.swd -pk x;\nsk -pwe przyklad.swd -r r.rpt;\n");
  const Result q = run({"-pol", "q.txt"});
  EXPECT_EQ(q.status, 1);

  // A command with no parameter text never reads the command line's words.
  writeFile(path("e.txt"), "# tylko funkcja\nsk;");
  const Result e = run({"-pol", "e.txt", "-pwe", "przyklad.swd"});
  EXPECT_EQ(e.out, "Błąd linii poleceń : zła liczba plików wejściowych\n");
  EXPECT_EQ(e.status, 1);
}

TEST_F(Olven, CommandFileErrorsEndTheFile) {
  const std::vector<Case> cases = {
      // Comments and no function word: the ordinal counts skipped commands too.
      {{"-pol", "a.txt"},
       "Błąd przetwarzania pliku z poleceniami w linii 3. polecenie zawiera same "
       "komentarze, brak nazwy funkcji\n",
       1},
      {{"-pol", "b.txt"},
       "Błąd przetwarzania pliku z poleceniami w linii 1. polecenie jest dłuższe "
       "niż 65534 znaki\n",
       1},
      {{"-pol", "."}, "Nie można odczytać pliku z poleceniami: .\n", 1},
  };
  writeFile(path("a.txt"), "sk;\nzz -pwe a;\n# tylko komentarz\n# i drugi\n;sk -pwe przyklad.swd;");
  writeFile(path("b.txt"), "sk -pwe " + std::string(65534, 'a') + ";sk -pwe przyklad.swd;");
  expectCases(*this, cases, [this](const auto& a) { return run(a); });
  // A command of exactly 65534 characters is read whole.
  writeFile(path("c.txt"), "sk -pwe przyklad.swd -r r.rpt" + std::string(65534 - 29, ' ') + ";");
  const Result c = run({"-pol", "c.txt"});
  EXPECT_EQ(c.out, kStarted + kFinished);
  EXPECT_EQ(c.status, 0);
}

// A run held in progress: its first input is a named pipe, whose opening
// waits for the test to open the other end (the reader then refuses it, as
// no regular file).
class OlvenHeld : public Olven {
 protected:
  void SetUp() override {
    Olven::SetUp();
    gate_ = path("wstrzymany.swd");
    ASSERT_EQ(::mkfifo(gate_.c_str(), 0600), 0);
  }
  void TearDown() override {
    if (gateFd_ >= 0) ::close(gateFd_);
    Olven::TearDown();
  }

  // Lets the run on; the end stays open until the test ends, for a run that
  // only now comes to it.
  void openGate() {
    gateFd_ = ::open(gate_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(gateFd_, 0);
  }

  // Sends sig and makes sure that the program has taken it before the run
  // goes on: one thread takes the control signals in turn, so once a Ctrl+Z
  // sent after sig has stopped the program, sig has been handled.
  void stopWhileHeld(Child& child, int sig) {
    child.signal(sig);
    child.signal(SIGTSTP);
    ASSERT_TRUE(child.waitStopped());
    child.signal(SIGCONT);
    openGate();
  }

  std::string gate_;
  int gateFd_ = -1;
};

// Ctrl+C and the end of the session.
class OlvenStopSignal : public OlvenHeld, public ::testing::WithParamInterface<int> {};

TEST_P(OlvenStopSignal, EndsTheRunCleanlyWith130) {
  Child child({"sk", "-pwe", gate_, "przyklad.swd"}, dir_, tmp());
  // The first file is in hand: the run waits for the gate.
  ASSERT_TRUE(child.waitForOutput("Przetwarzanie pliku nr 1...\n"));
  stopWhileHeld(child, GetParam());
  const Result r = child.finish();
  EXPECT_EQ(r.status, 130);
  EXPECT_NE(r.out.find("Przetwarzanie zostało przerwane przez użytkownika\n \nSTOP: "),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("Przetwarzanie pliku nr 2..."), std::string::npos) << r.out;
  EXPECT_TRUE(r.out.ends_with("\n" + kFinished)) << r.out;
  EXPECT_EQ(r.out.find('\a'), std::string::npos);  // BEL only to a terminal
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(leftovers().empty());
}

INSTANTIATE_TEST_SUITE_P(Signals, OlvenStopSignal, ::testing::Values(SIGINT, SIGTERM),
                         [](const auto& info) { return info.param == SIGINT ? "Int" : "Term"; });

TEST_F(OlvenHeld, AStoppedCommandFileIsNotReadFurther) {
  writeFile(path("p.txt"), "sk -pwe " + gate_ + " -r r1.rpt;\nsk -pwe przyklad.swd -r r2.rpt;\n");
  Child child({"-pol", "p.txt"}, dir_, tmp());
  ASSERT_TRUE(child.waitForOutput(kStarted));
  stopWhileHeld(child, SIGINT);
  const Result r = child.finish();
  EXPECT_EQ(r.out, kStarted + kFinished);
  EXPECT_EQ(r.status, 130);
  EXPECT_TRUE(fs::exists(path("r1.rpt")));  // what was done is saved
  EXPECT_FALSE(fs::exists(path("r2.rpt")));
}

TEST_F(OlvenHeld, AClosedOutputPipeEndsTheRunQuietly) {
  Child child({"sk", "-pwe", gate_, "przyklad.swd"}, dir_, tmp());
  ASSERT_TRUE(child.waitForOutput(kStarted));
  child.closeOutput();  // while the run is held
  openGate();
  const Result r = child.finish();
  EXPECT_EQ(r.status, 2);  // the report was not printed; no death by SIGPIPE
  EXPECT_EQ(r.err, "");
}

}  // namespace
