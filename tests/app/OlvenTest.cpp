// The console command as the user runs it: the built olven in a process of
// its own (support/OlvenProcess.h), its standard streams on pipes unless a
// test gives it a terminal, a closed stream or a full device, in a folder of
// its own with copies of the samples. Its cp1250 texts come out as UTF-8
// under LC_ALL=C.UTF-8.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/iuConsole.h"
#include "platform/CodePage.h"
#include "platform/ConsoleOutput.h"
#include "processing/bzReport.h"
#include "support/Files.h"
#include "support/OlvenProcess.h"

namespace {

using testsupport::readFile;
using testsupport::writeFile;

namespace fs = std::filesystem;
using Child = testsupport::OlvenChild;
using Result = testsupport::OlvenResult;
using testsupport::OlvenStreams;

using testsupport::withoutTimes;

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

  Result run(const std::vector<std::string>& args, const OlvenStreams& streams = {}) {
    Child child(args, dir_, tmp(), streams);
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
  std::string err{};
};

void expectCases(Olven& t, const std::vector<Case>& cases,
                 const std::function<Result(const std::vector<std::string>&)>& run) {
  for (const Case& c : cases) {
    std::string label;
    for (const auto& a : c.args) label += a + " ";
    const Result r = run(c.args);
    EXPECT_EQ(r.out, c.out) << label;
    EXPECT_EQ(r.status, c.status) << label;
    EXPECT_EQ(r.err, c.err) << label;
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
      {{"-pol"}, "Nie można otworzyć pliku z poleceniami:  (plik nie istnieje)\n", 1},
      {{"-POL", "brak.txt"},
       "Nie można otworzyć pliku z poleceniami: brak.txt (plik nie istnieje)\n",
       1},
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
      // Sound parameters, inputs that are not there: the merge runs and
      // finds them missing.
      {{"sc", "-pwe", "a", "b", "-pwy", "c", "-r", "m.rpt"},
       "Uruchomiono scalanie dokumentów\nZakończono przetwarzanie\n",
       1},
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
  EXPECT_EQ(r.err,
            "Pominięto nieznane polecenie: zz\n"
            "Pominięto nieznane polecenie: -pol\n");
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
            "sc -pwe przyklad.swd przyklad.swg -pwy c.swd -r m.rpt;\n"
            "sk -pwe przyklad.swd -r r.rpt;\n");
  const Result r = run({"-pol", "p.txt"});
  EXPECT_EQ(r.out, prefix + "nieoczekiwana pozycja -x" + prefix + "ponownie podano plik raportu" +
                       prefix + "ponownie podano pliki wyjściowe" +
                       "Błąd linii poleceń : zła liczba plików wejściowych\n"
                       "Błąd linii poleceń : zła liczba plików wejściowych\n"
                       "Uruchomiono scalanie dokumentów\n" +
                       kFinished + kStarted + kFinished);
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
       1,
       "Pominięto nieznane polecenie: zz\n"},
      {{"-pol", "b.txt"},
       "Błąd przetwarzania pliku z poleceniami w linii 1. polecenie jest dłuższe "
       "niż 65534 znaki\n",
       1},
      {{"-pol", "."},
       "Nie można otworzyć pliku z poleceniami: . (to jest katalog, a nie plik)\n",
       1},
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

// A run held in progress: the authorization reads its document templates
// from the registry under the lock of the registry's folder, which the test
// holds (as another program that changes the registry would) until it lets
// the run on. A stop must reach the run within the console's grace period
// of 3 s once the gate is open; the gate opens at once after the stop.
class OlvenHeld : public Olven {
 protected:
  void SetUp() override {
    Olven::SetUp();
    fs::create_directory(path("registry"));
    lockFd_ = ::open(path("registry/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(lockFd_, 0);
    ASSERT_EQ(::flock(lockFd_, LOCK_EX), 0);
  }
  void TearDown() override {
    openGate();
    Olven::TearDown();
  }

  void openGate() {
    if (lockFd_ >= 0) ::close(lockFd_);
    lockFd_ = -1;
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

  int lockFd_ = -1;
};

// The run ends by itself after the stop, however long the loaded machine
// takes: the program's own end of a run that does not stop never comes.
const OlvenStreams kCleanStop = [] {
  OlvenStreams s;
  s.env = {"OLVEN_STOP_GRACE_MS=3600000"};
  return s;
}();

const std::string kGaStarted = "Uruchomiono generację dokumentu autoryzacji\n";
// The run is at the gate, or on its way to it.
const std::string kAtTheGate = "Generowanie dokumentu autoryzacji: ";

// Ctrl+C and the end of the session.
class OlvenStopSignal : public OlvenHeld, public ::testing::WithParamInterface<int> {};

TEST_P(OlvenStopSignal, EndsTheRunCleanlyWith130) {
  Child child({"ga", "-pwe", "przyklad.swd", "przyklad.swg"}, dir_, tmp(), kCleanStop);
  ASSERT_TRUE(child.waitForOutput(kAtTheGate));
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
  writeFile(path("p.txt"),
            "ga -pwe przyklad.swd -r r1.rpt;\n"
            "sk -pwe przyklad.swd -r r2.rpt;\n");
  Child child({"-pol", "p.txt"}, dir_, tmp(), kCleanStop);
  ASSERT_TRUE(child.waitForOutput(kGaStarted));
  stopWhileHeld(child, SIGINT);
  const Result r = child.finish();
  EXPECT_EQ(r.out, kGaStarted + kFinished);
  EXPECT_EQ(r.status, 130);
  EXPECT_TRUE(fs::exists(path("r1.rpt")));  // what was done is saved
  EXPECT_FALSE(fs::exists(path("r2.rpt")));
}

TEST_F(OlvenHeld, AClosedOutputPipeEndsTheRunQuietly) {
  Child child({"ga", "-pwe", "przyklad.swd", "przyklad.swg"}, dir_, tmp());
  ASSERT_TRUE(child.waitForOutput(kGaStarted));
  child.closeOutput();  // while the run is held
  openGate();
  const Result r = child.finish();
  EXPECT_EQ(r.status, 2);  // the report was not printed; no death by SIGPIPE
  EXPECT_EQ(r.err, "");
}

// ---------------------------------------------------------------------------
// A stop always ends the program, also when the run is blocked in a write
// that the stop cannot reach: standard output is a pipe (or a terminal) that
// the test stops reading, and the report to print (the list of the input
// files alone) is larger than a pipe or a terminal holds, so the run can
// never end by itself.

// A pseudo-terminal: the console switches it to raw input when it is standard
// input, and sets its title when it is standard output.
struct Pty {
  int master = -1, slave = -1;
  Pty() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
    slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
  }
  ~Pty() {
    if (slave >= 0) ::close(slave);
    if (master >= 0) ::close(master);
  }
  // Reads the screen until it shows text; false when it ended without it.
  bool waitForScreen(const std::string& text) {
    const auto end = std::chrono::steady_clock::now() + testsupport::kHangGuard;
    std::string screen;
    char buf[4096];
    while (screen.find(text) == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      pollfd p{master, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n <= 0) return false;
      screen.append(buf, static_cast<std::size_t>(n));
    }
    return true;
  }
  // Writes to the terminal from a side of the test's own until it takes
  // nothing more: from then on every write to it waits.
  void fill() {
    const int fd = ::open(::ptsname(master), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const std::string chunk(256, 'x');
    for (;;) {
      if (::write(fd, chunk.data(), chunk.size()) > 0 || ::write(fd, "x", 1) > 0) continue;
      ASSERT_EQ(errno, EAGAIN);
      // Not full yet when another writer only held the terminal a moment.
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, 0) == 0) break;
    }
    ::close(fd);
  }
};

class OlvenBlocked : public Olven {
 protected:
  // The same input as often as it takes for a list of files four times the
  // size of a pipe (a terminal holds about as much).
  std::vector<std::string> blockingCommand() const {
    int p[2];
    if (::pipe(p) != 0) std::abort();
    const int capacity = ::fcntl(p[1], F_GETPIPE_SZ);
    ::close(p[0]);
    ::close(p[1]);
    const std::string line = "   1. " + path("przyklad.swd") + "\n";
    std::vector<std::string> args = {"sk", "-pwe"};
    for (std::size_t i = 0; i * line.size() < 4 * static_cast<std::size_t>(capacity); ++i)
      args.push_back("przyklad.swd");
    return args;
  }

  // What the program leaves when it ends through the stop of a blocked run.
  void expectEndedByTheStop(const Result& r) {
    EXPECT_EQ(r.status, 130);
    EXPECT_EQ(r.err, "Przetwarzanie zostało przerwane przez użytkownika\n");
    EXPECT_TRUE(leftovers().empty());  // the temporary report is gone
  }
};

TEST_F(OlvenBlocked, ASecondStopEndsTheProgram) {
  Child child(blockingCommand(), dir_, tmp());
  ASSERT_TRUE(child.waitForOutput(kStarted));  // from here on nothing is read
  child.signal(SIGINT);
  child.signal(SIGTERM);
  expectEndedByTheStop(child.finish(false));
}

// On a terminal that takes no more output the stop's bell and the title
// taken back must not hold the control events' thread either.
TEST_F(OlvenBlocked, ASecondStopEndsTheProgramOnAFullTerminal) {
  Pty pty;
  ASSERT_GE(pty.slave, 0);
  OlvenStreams streams;
  streams.output = OlvenStreams::Output::Descriptor;
  streams.outputFd = pty.slave;
  Child child(blockingCommand(), dir_, tmp(), streams);
  ASSERT_TRUE(pty.waitForScreen("Rozpoczeto proces analizy syntaktycznej"));
  pty.fill();
  child.signal(SIGINT);
  child.signal(SIGQUIT);
  expectEndedByTheStop(child.finish(false));
}

TEST_F(OlvenBlocked, OneStopEndsTheProgramAfterTheGracePeriod) {
  Pty pty;
  ASSERT_GE(pty.slave, 0);
  termios before{};
  ASSERT_EQ(::tcgetattr(pty.slave, &before), 0);
  OlvenStreams streams;
  streams.inputFd = pty.slave;
  Child child(blockingCommand(), dir_, tmp(), streams);
  ASSERT_TRUE(child.waitForOutput(kStarted));
  termios raw{};
  ASSERT_EQ(::tcgetattr(pty.slave, &raw), 0);
  EXPECT_FALSE(raw.c_lflag & ECHO);  // the keyboard is in raw mode now
  child.signal(SIGHUP);
  expectEndedByTheStop(child.finish(false));
  termios after{};
  ASSERT_EQ(::tcgetattr(pty.slave, &after), 0);
  EXPECT_EQ(after.c_lflag, before.c_lflag);  // line editing and echo are back
}

// ---------------------------------------------------------------------------

TEST_F(Olven, TargetsThatAreNoRegularFilesAreRefused) {
  fs::create_directory(path("raporty"));
  ASSERT_EQ(::mkfifo(path("fifo.rpt").c_str(), 0600), 0);
  fs::create_symlink(path("fifo.rpt"), path("dowiazanie.rpt"));
  ASSERT_EQ(::mkfifo(path("fifo.swd").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(path("przyklad_crc.swd.aut.rtf").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(path("bledy.swd.wer.rtf").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(path("__wynik.swd").c_str(), 0600), 0);
  // A null device of the test's own (root only): should the check fail,
  // nothing but this copy gets replaced.
  const bool device = ::mknod(path("null.rpt").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;

  const std::string report = "Plik raportu nie jest zwykłym plikiem: ";
  const std::string output = "Plik wynikowy nie jest zwykłym plikiem: ";
  std::vector<Case> cases = {
      {{"sk", "-pwe", "przyklad.swd", "-r", "fifo.rpt"}, report + "fifo.rpt\n", 1},
      {{"sk", "-pwe", "przyklad.swd", "-r", "dowiazanie.rpt"}, report + "dowiazanie.rpt\n", 1},
      {{"sk", "-pwe", "przyklad.swd", "-r", "raporty"}, report + "raporty\n", 1},
      // The copy, the document of the authorization and of the verification,
      // the merged file and its part result.
      {{"ga", "-pwe", "przyklad.swd", "-pwy", "fifo.swd"}, output + path("fifo.swd") + "\n", 1},
      {{"ga", "-pwe", "przyklad.swd"}, output + path("przyklad_crc.swd.aut.rtf") + "\n", 1},
      {{"wa", "-pwe", "bledy.swd"}, output + path("bledy.swd.wer.rtf") + "\n", 1},
      {{"sc", "-pwe", "przyklad.swd", "bledy.swd", "-pwy", "fifo.swd"}, output + "fifo.swd\n", 1},
      // A name the merge once wrote its part result to is none of its
      // outputs: the merge runs (and refuses these inputs).
      {{"sc", "-pwe", "przyklad.swd", "bledy.swd", "-pwy", "wynik.swd", "-r", "m.rpt"},
       "Uruchomiono scalanie dokumentów\n" + kFinished,
       2},
  };
  if (device)
    cases.push_back({{"sk", "-pwe", "przyklad.swd", "-r", "null.rpt"}, report + "null.rpt\n", 1});
  expectCases(*this, cases, [this](const auto& a) { return run(a); });

  for (const char* name :
       {"fifo.rpt", "fifo.swd", "przyklad_crc.swd.aut.rtf", "bledy.swd.wer.rtf", "__wynik.swd"})
    EXPECT_TRUE(fs::is_fifo(path(name))) << name;
  if (device) {
    EXPECT_TRUE(fs::is_character_file(path("null.rpt")));
  }
  EXPECT_FALSE(fs::exists(path("przyklad_crc.swd")));
  EXPECT_TRUE(leftovers().empty());

  // A link to a regular file is a report target as before.
  writeFile(path("stary.rpt"), "x");
  fs::create_symlink(path("stary.rpt"), path("link.rpt"));
  const Result r = run({"sk", "-pwe", "przyklad.swd", "-r", "link.rpt"});
  EXPECT_EQ(r.status, 0);
  swde::bzReport saved(true);
  EXPECT_TRUE(saved.Open(path("link.rpt")));
}

TEST_F(Olven, AReportIsNeverOneOfTheOutputs) {
  fs::create_directory(path("wer"));
  const std::string message = "Błąd linii poleceń : plik raportu jest plikiem wynikowym: ";
  const std::vector<Case> cases = {
      // The copy (not there yet, or there from before) and the documents.
      {{"ga", "-pwe", "przyklad.swd", "-r", "przyklad_crc.swd"}, message + "przyklad_crc.swd\n", 1},
      {{"ga", "-pwe", "przyklad.swd", "-r", "./przyklad_crc.swd.aut.rtf"},
       message + "./przyklad_crc.swd.aut.rtf\n",
       1},
      {{"ga", "-pwe", "przyklad.swd", "-pwy", "wer/k.swd", "-r", path("wer/k.swd")},
       message + path("wer/k.swd") + "\n",
       1},
      {{"wa", "-pwe", "przyklad.swd", "-pwy", "wer", "-r", "wer/przyklad.swd.wer.rtf"},
       message + "wer/przyklad.swd.wer.rtf\n",
       1},
      {{"sc", "-pwe", "przyklad.swd", "bledy.swd", "-pwy", "wynik.swd", "-r", "wynik.swd"},
       message + "wynik.swd\n",
       1},
  };
  expectCases(*this, cases, [this](const auto& a) { return run(a); });
  EXPECT_FALSE(fs::exists(path("przyklad_crc.swd")));
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(Olven, AReportNeedsAFileName) {
  fs::create_directory(path("raporty"));
  const std::string missing = "Błąd przetwarzania listy parametrów: brak nazwy pliku raportu";
  writeFile(path("p.txt"), "sk -pwe przyklad.swd -r \"\";");
  const std::vector<Case> cases = {
      {{"sk", "-pwe", "przyklad.swd", "-r", ""}, missing, 1},
      {{"sk", "-pwe", "przyklad.swd", "-r", "raporty/"}, missing, 1},
      {{"sk", "-pwe", "przyklad.swd", "-r", "brak/"}, missing, 1},
      {{"-pol", "p.txt"}, missing, 1},
  };
  expectCases(*this, cases, [this](const auto& a) { return run(a); });
  EXPECT_TRUE(fs::is_empty(path("raporty")));
}

TEST_F(Olven, ACommandFileIsNeverWrittenOverAndMustBeARegularFile) {
  const std::string report = "Błąd linii poleceń : plik raportu jest plikiem z poleceniami: ";
  const std::string output = "Błąd linii poleceń : plik wynikowy jest plikiem z poleceniami: ";
  const std::string selfReport = "sk -pwe przyklad.swd -r self.pol;\n";
  const std::string linked = "sk -pwe przyklad.swd -r twardy.pol;\n";
  const std::string selfCopy = "ga -pwe przyklad.swd -pwy kopia.pol;\n";
  const std::string selfDocument = "ga -pwe dane.swd -pwy d.swd;\n";
  writeFile(path("self.pol"), selfReport);
  writeFile(path("link.pol"), linked);
  fs::create_hard_link(path("link.pol"), path("twardy.pol"));
  writeFile(path("kopia.pol"), selfCopy);
  writeFile(path("d.swd.aut.rtf"), selfDocument);
  fs::copy_file(path("przyklad.swd"), path("dane.swd"));
  ASSERT_EQ(::mkfifo(path("fifo.pol").c_str(), 0600), 0);
  const std::vector<Case> cases = {
      {{"-pol", "self.pol"}, report + "self.pol\n", 1},
      {{"-pol", "link.pol"}, report + "twardy.pol\n", 1},
      {{"-pol", "kopia.pol"}, output + path("kopia.pol") + "\n", 1},
      {{"-pol", "d.swd.aut.rtf"}, output + path("d.swd.aut.rtf") + "\n", 1},
      // Nobody writes to the FIFO: the program must not wait for it.
      {{"-pol", "fifo.pol"},
       "Nie można otworzyć pliku z poleceniami: fifo.pol (to nie jest zwykły plik)\n",
       1},
  };
  expectCases(*this, cases, [this](const auto& a) { return run(a); });
  EXPECT_EQ(readFile(path("self.pol")), selfReport);
  EXPECT_EQ(readFile(path("link.pol")), linked);
  EXPECT_EQ(readFile(path("kopia.pol")), selfCopy);
  EXPECT_EQ(readFile(path("d.swd.aut.rtf")), selfDocument);
  EXPECT_TRUE(leftovers().empty());
}

// Text encodings and line ends that editors give command files.
TEST_F(Olven, CommandFileBytes) {
  fs::copy_file(path("przyklad.swd"), path("z\ttabulatorem.swd"));
  const std::string ran = kStarted + kFinished;
  // "sk -pwe przyklad.swd;" in UTF-16 (little-endian, with its mark).
  std::string utf16 = "\xFF\xFE";
  for (const char c : std::string("sk -pwe przyklad.swd;\r\n")) utf16 += std::string{c, '\0'};
  const struct {
    std::string text;
    std::string out;
    int status;
    std::string err;
  } cases[] = {
      {"sk\t-pwe\tprzyklad.swd\t-r\tr1.rpt;", ran, 0, ""},
      {"sk\v-pwe\fprzyklad.swd -r r1.rpt;", ran, 0, ""},
      {"\xEF\xBB\xBFsk -pwe przyklad.swd -r r1.rpt;\r\n", ran, 0, ""},
      // Line ends of CR alone, a comment among them.
      {"# obręb 5\rsk -pwe przyklad.swd\r-r r1.rpt;\rsk\r-pwe bledy.swd -r r2.rpt;\r", ran + ran, 0,
       ""},
      // In quotes a TAB is part of the name.
      {"sk -pwe \"z\ttabulatorem.swd\" -r r1.rpt;", ran, 0, ""},
      {"zz -pwe przyklad.swd;\nsk -pwe przyklad.swd -r r1.rpt;", ran, 0,
       "Pominięto nieznane polecenie: zz\n"},
      // Nothing ran: a failure, also without a word on the screen.
      {utf16, "", 1, "Pominięto nieznane polecenie: ˙ţsk\n"},
      {"", "", 1, ""},
      {"sk;\nsk;", "", 1, ""},
      {"sk -pwe przyklad.swd", "", 1, ""},  // no ";"
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    writeFile(path("p.txt"), c.text);
    const Result r = run({"-pol", "p.txt"});
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.err);
  }
}

// ---------------------------------------------------------------------------

TEST_F(Olven, AClosedStandardOutputTakesNoFileOfTheRun) {
  OlvenStreams closed;
  closed.output = OlvenStreams::Output::Closed;
  const Result saved = run({"sk", "-pwe", "bledy.swd", "-r", "r.rpt"}, closed);
  EXPECT_EQ(saved.status, 0);
  EXPECT_EQ(saved.err, "");
  swde::bzReport report(true);
  ASSERT_TRUE(report.Open(path("r.rpt")));
  bool finding = false;
  while (auto line = report.GetNextLine())
    finding = finding || line->text == "13 B   121 SO - Nierozpoznany typ linii : QQ";
  EXPECT_FALSE(report.readFailed()) << report.readErrorMessage();
  EXPECT_TRUE(finding);

  const Result printed = run({"sk", "-pwe", "bledy.swd"}, closed);
  EXPECT_EQ(printed.status, 0);
  EXPECT_EQ(printed.err, "");
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(Olven, AFailedWriteToStandardOutputEndsTheRun) {
  OlvenStreams full;
  full.output = OlvenStreams::Output::File;
  full.outputFile = "/dev/full";
  writeFile(path("p.txt"),
            "sk -pwe bledy.swd -r r1.rpt;\n"
            "sk -pwe przyklad.swd -r r2.rpt;\n");
  const Result file = run({"-pol", "p.txt"}, full);
  EXPECT_EQ(file.status, 2);
  EXPECT_FALSE(fs::exists(path("r2.rpt")));  // the next command never ran

  const Result printed = run({"sk", "-pwe", "bledy.swd"}, full);
  EXPECT_EQ(printed.status, 2);
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(Olven, ControlBytesOfTheDataAreShownEscapedAndSavedAsTheyAre) {
  std::string data = readFile(path("bledy.swd"));
  const std::string raw = std::string("Q\x1b[2J\0\0Q", 8);
  data.replace(data.find("QQ,1;"), 2, raw);
  writeFile(path("esc.swd"), data);
  const Result shown = run({"sk", "-pwe", "esc.swd"});
  EXPECT_NE(shown.out.find("13 B   121 SO - Nierozpoznany typ linii : Q\\x1B[2J\\x00\\x00Q\n"),
            std::string::npos)
      << shown.out;
  EXPECT_EQ(shown.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(shown.out.find('\0'), std::string::npos);

  ASSERT_EQ(run({"sk", "-pwe", "esc.swd", "-r", "r.rpt"}).status, 0);
  swde::bzReport report(true);
  ASSERT_TRUE(report.Open(path("r.rpt")));
  bool kept = false;
  while (auto line = report.GetNextLine())
    kept = kept || line->text == "13 B   121 SO - Nierozpoznany typ linii : " + raw;
  EXPECT_TRUE(kept);
}

TEST_F(Olven, FileNamesAreShownInTheLocalesEncoding) {
  // A Polish locale in ISO-8859-2, made for the test: there the names on
  // disk, the words of the command line and the screen are all ISO-8859-2.
  const std::string locales = path("locales");
  fs::create_directory(locales);
  const std::string make =
      "localedef -i pl_PL -f ISO-8859-2 " + locales + "/pl_PL.ISO-8859-2 >/dev/null 2>&1";
  const int made = std::system(make.c_str());
  if (!fs::exists(locales + "/pl_PL.ISO-8859-2")) GTEST_SKIP() << "no localedef: " << made;
  OlvenStreams streams;
  streams.locale = "pl_PL.ISO-8859-2";
  streams.env = {"LOCPATH=" + locales};
  auto iso = [](const std::string& utf8) {
    return plat::cp1250ToIso88592(plat::utf8ToCp1250(utf8));
  };

  const std::string input = iso("łąka.swd");
  fs::copy_file(path("przyklad.swd"), path(input));
  const Result listed = run({"sk", "-pwe", input}, streams);
  EXPECT_NE(listed.out.find("   1. " + path(input) + "\n"), std::string::npos) << listed.out;
  EXPECT_EQ(listed.status, 0);

  const std::string fifo = iso("żółw.rpt");
  ASSERT_EQ(::mkfifo(path(fifo).c_str(), 0600), 0);
  const Result refused = run({"sk", "-pwe", input, "-r", fifo}, streams);
  EXPECT_EQ(refused.out, iso("Plik raportu nie jest zwykłym plikiem: żółw.rpt\n"));
}

// ---------------------------------------------------------------------------
// The merge

class OlvenMerge : public Olven {
 protected:
  void SetUp() override {
    Olven::SetUp();
    for (const char* name : {"opis.swd", "geometria.swd"})
      fs::copy_file(std::string(OLV_SAMPLES) + "/../tests/data/merge/" + name, path(name));
  }

  // Entries of the test's folder that the merge would leave behind as work
  // files (its temporary stores).
  std::vector<std::string> workFiles() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) {
      const std::string n = e.path().filename().string();
      if (n.starts_with("~olv") || n.ends_with(".tmp")) names.push_back(n);
    }
    return names;
  }
};

const std::string kScStarted = "Uruchomiono scalanie dokumentów\n";

TEST_F(OlvenMerge, ReportPrintedAndTheMergedFileInTheCurrentFolder) {
  const Result r = run({"SC", "-pwe", "opis.swd", "geometria.swd", "-pwy", "c.swd"});
  EXPECT_EQ(r.status, 0) << r.out;
  const std::string out = withoutTimes(r.out);
  EXPECT_TRUE(out.starts_with(kScStarted + "START\nScalanie plików z opisem i geometrią\n")) << out;
  EXPECT_NE(out.find("   1. " + path("opis.swd") + "\n   2. " + path("geometria.swd") + "\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("Scalanie plików:\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("przerwany"), std::string::npos) << out;
  EXPECT_TRUE(out.ends_with("STOP\n" + kFinished)) << out;
  EXPECT_EQ(r.err, "");
  const std::string merged = readFile(path("c.swd"));
  EXPECT_TRUE(merged.starts_with("SWDE.w.2.00.(C) ZEDOR 2000;\r\nSN;\r\n")) << merged;
  EXPECT_TRUE(merged.ends_with("\r\nSX;\r\nSWDEX;\r\n")) << merged;
  EXPECT_TRUE(workFiles().empty());
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(OlvenMerge, ReportSavedWithRAndAnOlderOutputReplaced) {
  writeFile(path("c.swd"), "stary wynik\r\n");
  const Result r = run({"sc", "-pwe", "geometria.swd", "opis.swd", "-pwy", "c.swd", "-r", "m.rpt"});
  EXPECT_EQ(r.out, kScStarted + kFinished);
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(readFile(path("c.swd")).ends_with("SWDEX;\r\n"));
  swde::bzReport saved(true);
  EXPECT_TRUE(saved.Open(path("m.rpt")));
  EXPECT_TRUE(workFiles().empty());
}

TEST_F(OlvenMerge, ExitStatusesWithoutAMergedFileKeepTheOlderOutput) {
  writeFile(path("c.swd"), "stary wynik\r\n");
  const std::vector<Case> cases = {
      // An input that is not there.
      {{"sc", "-pwe", "opis.swd", "brak.swd", "-pwy", "c.swd", "-r", "m.rpt"},
       kScStarted + kFinished,
       1},
      // Refused: two descriptive inputs; an input with no object of either part.
      {{"sc", "-pwe", "opis.swd", "opis.swd", "-pwy", "c.swd", "-r", "m.rpt"},
       kScStarted + kFinished,
       2},
      {{"sc", "-pwe", "opis.swd", "przyklad.swd", "-pwy", "c.swd", "-r", "m.rpt"},
       kScStarted + kFinished,
       2},
      {{"sc", "-pwe", "opis.swd", "-pwy", "c.swd"},
       "Błąd linii poleceń : zła liczba plików wejściowych\n",
       1},
  };
  expectCases(*this, cases, [this](const auto& a) { return run(a); });
  EXPECT_EQ(readFile(path("c.swd")), "stary wynik\r\n");
  EXPECT_TRUE(workFiles().empty());
}

// Ctrl+C during the merge of a large generated pair: whenever the stop comes,
// the run ends with 130 and leaves no work file, and the output is either
// the older file untouched or a whole merged file, never a part of one.
TEST_F(OlvenMerge, CtrlCOnALongMergeLeavesNoPartOfAFile) {
  const std::string generate = std::string(OLV_OLVGEN) + " --para 100000 " + path("d_opis.swd") +
                               " " + path("d_geometria.swd") + " >/dev/null";
  ASSERT_EQ(std::system(generate.c_str()), 0);
  writeFile(path("c.swd"), "stary wynik\r\n");
  Child child({"sc", "-pwe", "d_opis.swd", "d_geometria.swd", "-pwy", "c.swd", "-r", "m.rpt"}, dir_,
              tmp(), kCleanStop);
  ASSERT_TRUE(child.waitForOutput(kScStarted));
  child.signal(SIGINT);
  const Result r = child.finish();
  EXPECT_EQ(r.status, 130) << r.out;
  EXPECT_EQ(r.out, kScStarted + kFinished);
  EXPECT_EQ(r.err, "");
  const std::string output = readFile(path("c.swd"));
  EXPECT_TRUE(output == "stary wynik\r\n" || output.ends_with("\r\nSX;\r\nSWDEX;\r\n"))
      << output.substr(output.size() > 200 ? output.size() - 200 : 0);
  EXPECT_TRUE(workFiles().empty());
  EXPECT_TRUE(leftovers().empty());
}

}  // namespace
