// The console's parts that need no process: the token reader of command
// files, the parameter words, and the time texts of the status block.

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/iuConsole.h"
#include "platform/CodePage.h"
#include "support/Files.h"

namespace {

using plat::cp;
using swde::bzFileList;
using swde::bzProcessState;
using swde::bzSettings;
using swde::iuConsole;

std::string cwdSlash() {
  return testsupport::currentFolderSlash();
}

// A console over a list of words (program name first) whose output is kept.
struct Console {
  explicit Console(std::vector<std::string> words) : words_(std::move(words)) {
    for (auto& w : words_) argv_.push_back(w.data());
    argv_.push_back(nullptr);
    console = std::make_unique<iuConsole>(static_cast<int>(words_.size()), argv_.data());
    console->setOutput([this](std::string_view text) {
      out += text;
      return 0;
    });
    console->setClock([this] { return now; });
  }

  std::vector<std::string> words_;
  std::vector<char*> argv_;
  std::unique_ptr<iuConsole> console;
  std::string out;
  std::uint64_t now = 0;
};

// ---------------------------------------------------------------------------

struct TokenCase {
  std::string text;
  int pos;
  std::string token;
  int after;
};

TEST(NextToken, ReadsWordsQuotesAndComments) {
  const TokenCase cases[] = {
      {"sk -pwe a.swd", 1, "sk", 4},
      {"sk -pwe a.swd", 4, "-pwe", 9},
      {"sk -pwe a.swd", 9, "a.swd", 14},  // the last word up to the end
      {"-r x", 4, "x", 5},                // a one-character last word
      {"  \n\t sk", 1, "sk", 8},          // leading controls and blanks skipped
      {"a\nb", 1, "a", 3},                // a line feed ends a word
      {"a;b", 1, "a", 3},                 // so does ";"
      {"a\r\nb", 1, "a", 4},              // a CR of a CRLF line is dropped
      {"a\tb", 1, "a", 3},                // TAB, CR alone, VT and FF are blanks too
      {"a\rb", 1, "a", 3},
      {"a\vb", 1, "a", 3},
      {"a\fb", 1, "a", 3},
      {"\t\v\f-pwe", 1, "-pwe", 8},
      {"\"a\tb\rc\" d", 1, "a\tb\rc", 8},  // but not inside quotes
      {"\"c:/moje dane/a.swd\" b", 1, "c:/moje dane/a.swd", 21},
      {"\"  kept  \"", 1, "  kept  ", 11},  // nothing trimmed inside quotes
      {"ab\"c d\"e", 1, "abc d", 8},        // the quote ends the word
      {"\"a b;c", 1, "a b", 6},             // ";" closes a quote too
      {"\"open name", 1, "open name", 11},  // without a closing quote: the rest
      {"\"\" sk", 1, "", 3},                // empty quotes: an empty token
      {"# note\nsk", 1, "# note", 8},       // a comment runs to the line end
      {"# note\rsk", 1, "# note", 8},       // of any kind
      {"# note\r\nsk", 1, "# note", 9},
      {"x#y z\nw", 1, "x#y z", 7},  // '#' inside a word takes the line
      {"# to the end", 1, "# to the end", 13},
      {"", 1, "", 1},
      {"abc", 0, "", 0},  // below 1
      {"abc", 4, "", 4},  // beyond the text
      {"   ", 1, "", 4},  // only blanks: the end
  };
  for (const TokenCase& c : cases) {
    int pos = c.pos;
    EXPECT_EQ(iuConsole::nextToken(c.text, pos), c.token) << "text [" << c.text << "] at " << c.pos;
    EXPECT_EQ(pos, c.after) << "text [" << c.text << "] at " << c.pos;
  }
}

TEST(NextToken, WalksAWholeCommand) {
  const std::string command = "\n# obręb 5\nSK -pwe \"/moje dane/a.swd\"\n  b.swd -r r.rpt\n";
  std::vector<std::string> tokens;
  for (int pos = 1; pos <= static_cast<int>(command.size());) {
    const std::string t = iuConsole::nextToken(command, pos);
    if (!t.empty()) tokens.push_back(t);
  }
  EXPECT_EQ(tokens, (std::vector<std::string>{"# obręb 5", "SK", "-pwe", "/moje dane/a.swd",
                                              "b.swd", "-r", "r.rpt"}));
}

// ---------------------------------------------------------------------------

struct Filled {
  int rc = 0;
  std::string message{};                                     // UTF-8 source, compared as cp1250
  std::vector<std::pair<std::string, std::string>> files{};  // name, folder
  std::string outputDir{}, outputFileName{}, reportDir{}, reportFileName{};
  bool skipComments = true, skipWhiteChars = true, condensed = false;
};

void expectFilled(const Console& c, int rc, const bzFileList& files, const bzSettings& s,
                  const Filled& want, const std::string& label) {
  SCOPED_TRACE(label);
  EXPECT_EQ(rc, want.rc);
  EXPECT_EQ(c.out, cp(want.message));
  std::vector<std::pair<std::string, std::string>> got;
  for (unsigned i = 0; i < files.getFileCount(); ++i)
    got.emplace_back(files.getFileName(i), files.getFilePath(i));
  EXPECT_EQ(got, want.files);
  EXPECT_EQ(s.outputDir, want.outputDir);
  EXPECT_EQ(s.outputFileName, want.outputFileName);
  EXPECT_EQ(s.reportDir, want.reportDir);
  EXPECT_EQ(s.reportFileName, want.reportFileName);
  EXPECT_EQ(s.skipComments, want.skipComments);
  EXPECT_EQ(s.skipWhiteChars, want.skipWhiteChars);
  EXPECT_EQ(s.reportCondensed, want.condensed);
}

TEST(ParameterWords, FillTheSettingsAndTheFileList) {
  const std::string here = cwdSlash();
  struct Case {
    std::string text;
    Filled want;
  };
  const std::vector<Case> cases = {
      {"-pwe a.swd /d/b.swd dir/c.swd",
       {0, "", {{"a.swd", here}, {"b.swd", "/d/"}, {"c.swd", "dir/"}}}},
      // Keywords in any case; file names byte for byte.
      {"-PWE A.SWD -R Raport.RPT", {0, "", {{"A.SWD", here}}, "", "", "", "Raport.RPT"}},
      {"-pwe \"/moje dane/a b.swd\"", {0, "", {{"a b.swd", "/moje dane/"}}}},
      {"sc -pwe a b -pwy c.swd", {0, "", {{"a", here}, {"b", here}}, "", "c.swd"}},
      {"-pwy /out/c.swd -r /rap/r.rpt", {0, "", {}, "/out/", "c.swd", "/rap/", "r.rpt"}},
      {"-pwy c.swd d.swd",
       {1,
        "Błąd przetwarzania listy parametrów: ponownie podano pliki wyjściowe",
        {},
        "",
        "c.swd"}},
      {"-r r1 -pwe a -r r2",
       {1,
        "Błąd przetwarzania listy parametrów: ponownie podano plik raportu",
        {{"a", here}},
        "",
        "",
        "",
        "r1"}},
      {"-r x", {0, "", {}, "", "", "", "x"}},
      // A report without a name: empty quotes or a folder alone.
      {"-r \"\"", {1, "Błąd przetwarzania listy parametrów: brak nazwy pliku raportu"}},
      {"-r raporty/ -pwe a", {1, "Błąd przetwarzania listy parametrów: brak nazwy pliku raportu"}},
      {"-pk x", {1, "Błąd przetwarzania listy parametrów: nieoczekiwana pozycja -x"}},
      {"-pbz -pwe a", {0, "", {{"a", here}}}},
      // Words before the first parameter word and after -rk are ignored.
      {"stray -rk words -pwe a", {0, "", {{"a", here}}, "", "", "", "", true, true, true}},
      {"-pwe a -rk b", {0, "", {{"a", here}}, "", "", "", "", true, true, true}},
      // A comment after the function word is a word like any other.
      {"-pwe a # uwaga\n", {0, "", {{"a", here}, {"# uwaga", here}}}},
  };
  for (const Case& c : cases) {
    Console con({"olven", "sk"});
    bzFileList files;
    bzSettings settings;
    const int rc = con.console->parseText(c.text, files, settings);
    expectFilled(con, rc, files, settings, c.want, c.text);
  }
}

TEST(ParameterWords, FlagsSwitchTheDefaultsOff) {
  Console con({"olven", "sk"});
  bzFileList files;
  bzSettings settings;
  settings.skipComments = false;
  settings.skipWhiteChars = false;
  settings.reportCondensed = true;
  ASSERT_EQ(con.console->parseText("-pk -pbz", files, settings), 0);
  EXPECT_TRUE(settings.skipComments);
  EXPECT_TRUE(settings.skipWhiteChars);
  EXPECT_FALSE(settings.reportCondensed);  // off before the first word

  Console untouched({"olven", "sk"});
  bzSettings kept;
  kept.skipComments = false;
  ASSERT_EQ(untouched.console->parseText("-pwe a", files, kept), 0);
  EXPECT_FALSE(kept.skipComments);
}

TEST(ParameterWords, CommandLineWordsFromTheThird) {
  const std::string here = cwdSlash();
  struct Case {
    std::vector<std::string> words;
    Filled want;
  };
  const std::vector<Case> cases = {
      {{"olven", "sk", "-pwe", "a.swd", "/x/moje dane/b.swd"},
       {0, "", {{"a.swd", here}, {"b.swd", "/x/moje dane/"}}}},
      {{"olven", "sk", "-pk", "x"},
       {1, "Błąd przetwarzania listy parametrów: nieoczekiwana pozycja - x"}},
      {{"olven", "sk", "-pwe", "a", "-r", ""},
       {1, "Błąd przetwarzania listy parametrów: brak nazwy pliku raportu", {{"a", here}}}},
      {{"olven", "sk", "-r", "/raporty/"},
       {1, "Błąd przetwarzania listy parametrów: brak nazwy pliku raportu"}},
      // The function word itself is not read as a parameter.
      {{"olven", "-pwe", "a"}, {0, ""}},
      {{"olven", "sk", "-pwe", "a", "-pwy", "o", "-pwy", "p"},
       {1,
        "Błąd przetwarzania listy parametrów: ponownie podano pliki wyjściowe",
        {{"a", here}},
        "",
        "o"}},
  };
  for (const Case& c : cases) {
    Console con(c.words);
    bzFileList files;
    bzSettings settings;
    const int rc = con.console->parseArgs(files, settings);
    expectFilled(con, rc, files, settings, c.want, c.words.back());
  }
}

TEST(ParameterWords, NothingIsReadAfterAStop) {
  Console con({"olven", "sk", "-pwe", "a"});
  con.console->stop();
  bzFileList files;
  bzSettings settings;
  EXPECT_EQ(con.console->parseArgs(files, settings), 0);
  EXPECT_EQ(con.console->parseText("-pwe b", files, settings), 0);
  EXPECT_EQ(files.getFileCount(), 0u);
}

// ---------------------------------------------------------------------------

TEST(StatusTimes, ElapsedText) {
  const struct {
    std::uint64_t ms;
    const char* text;
  } cases[] = {
      {0, ""},
      {999, ""},
      {1000, "1 sek"},
      {59999, "59 sek"},
      {60000, "1 min 0 sek"},
      {125500, "2 min 5 sek"},
      {3599000, "59 min 59 sek"},
      {3600000, "1 godz 0 min"},
      {3600000 + 61000, "1 godz 1 min"},
      {86399000, "23 godz 59 min"},
      {86400000 + 5000, "5 sek"},  // whole days are not shown
  };
  for (const auto& c : cases) {
    Console con({"olven"});
    con.now = 1000000 + c.ms;
    EXPECT_EQ(con.console->elapsedText(1000000), cp(c.text)) << c.ms;
  }
  Console con({"olven"});
  con.now = 10;
  EXPECT_EQ(con.console->elapsedText(5000), "");  // a start after now
}

TEST(StatusTimes, RemainingTextOverOneRun) {
  // Steps in order on one console: the clock, the position and the maximum,
  // and the text. The stage starts at 0.
  const struct {
    std::uint64_t now;
    std::uint64_t p, x;
    const char* text;
  } steps[] = {
      {5000, 0, 100, ""},                   // no position yet
      {10000, 50, 100, "10 sek"},           // e = 10, r = 10 * 100 / 50 - 10
      {30000, 10, 100, ""},                 // the position went back: new stage from here
      {40000, 10, 100, "1 min 30 sek"},     // e = 10, r = 100 - 10 = 90
      {50000, 10, 100, "3 min "},           // e = 20, r = 180: no seconds, the blank stays
      {31000, 0, 100, ""},                  // p = 0 changes nothing
      {430000, 10, 100, "1 godz "},         // e = 400, r = 3600: no minutes, the blank stays
      {431000, 10, 100, "1 godz 0 min"},    // r = 3609: the minutes even when 0
      {3990000, 10, 100, "9 godz 54 min"},  // e = 3960, r = 35640
      {830000, 10, 100, "2 godz "},         // e = 800, r = 7200
  };
  Console con({"olven"});
  con.console->setStageStart(0);
  bzProcessState state;
  for (const auto& s : steps) {
    con.now = s.now;
    state.setProcessPosition(s.p);
    state.setProcessMaxValue(s.x);
    EXPECT_EQ(con.console->remainingText(state), cp(s.text)) << s.now << " " << s.p;
  }
}

TEST(StatusTimes, RemainingTextOnLargeFilesNeedsNoMoreThan64Bits) {
  Console con({"olven"});
  con.console->setStageStart(0);
  bzProcessState state;
  // 40 GiB file, a quarter read after 100 s: 300 s left. e * x passes 32
  // bits at once and would pass 64 bits only much later.
  const std::uint64_t x = 40ull << 30;
  state.setProcessMaxValue(x);
  state.setProcessPosition(x / 4);
  con.now = 100000;
  EXPECT_EQ(con.console->remainingText(state), cp("5 min "));
  // A position past the maximum leaves nothing to do, never a negative time.
  state.setProcessPosition(x + 1);
  EXPECT_EQ(con.console->remainingText(state), cp("0 sek"));
  // Product beyond 64 bits: a long stage on a huge file.
  Console big({"olven"});
  big.console->setStageStart(0);
  state.setProcessMaxValue(~0ull);
  state.setProcessPosition(~0ull / 2);
  big.now = 10000ull * 1000;  // e = 10,000 s; e * x needs 78 bits
  EXPECT_EQ(big.console->remainingText(state), cp("2 godz 46 min"));
}

TEST(StatusTimes, StatusBlockLayout) {
  Console con({"olven"});
  bzProcessState state;
  state.setCurrentFileName("/d/a.swd");
  state.setStateMessage(cp("Przetwarzanie pliku nr 1..."));
  state.setRecordsNumber(1234);
  state.setTotalErrorsNum(7);
  con.now = 0;
  const std::string stars(52, '*');
  EXPECT_EQ(con.console->statusBlock(state),
            cp(stars +
               "\n\nPlik: /d/a.swd\n\nStan: Przetwarzanie pliku nr 1...\n\nUpłynęło: \n\n"
               "Do końca etapu: \n\nLiczba przetworzonych rekordów: 1234\n\n"
               "Liczba błędów: 7\n\n" +
               stars + "\n"));
}

}  // namespace
