// The wizard's command file: the bytes it writes, the names it refuses, the
// save that leaves the old file whole when it fails, and the reading of
// files the console accepts or rejects.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/iuCommandFile.h"
#include "platform/CodePage.h"
#include "tests/support/BrokenReads.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/Files.h"
#include "tests/support/InChild.h"
#include "wizard/wizCommandFile.h"

namespace {

using plat::cp;
using swde::wizCommand;
using swde::wizCommandList;
using swde::wizMessage;
using testsupport::readFile;
using testsupport::TempFolder;
using testsupport::writeFile;

wizCommandList listOf(std::vector<wizCommand> commands) {
  wizCommandList list;
  for (const wizCommand& c : commands) list.append(c);
  return list;
}

// ---------------------------------------------------------------------------

TEST(WizardWriter, WritesEachCommandAsOneLine) {
  struct Case {
    const char* what;
    wizCommand command;
    std::string line;
  };
  const Case cases[] = {
      {"syntax, two files, report, option",
       {{"a.swd", "b.swd"}, "", {"-pk"}, "r.rpt", "SK"},
       "SK -pwe a.swd b.swd -r r.rpt -pk ;\r\n"},
      {"semantic condensed", {{"a.swd"}, "", {"-rk"}, "", "SP"}, "SP -pwe a.swd -rk ;\r\n"},
      {"merge: output before report",
       {{"d.dat", "g.dat"}, "m.dat", {}, "r.rpt", "SC"},
       "SC -pwe d.dat g.dat -pwy m.dat -r r.rpt ;\r\n"},
      {"authorization, both options",
       {{"/dane/obr05.swd"}, "/dane/aut/c.swd", {"-pk", "-pbz"}, "", "GA"},
       "GA -pwe /dane/obr05.swd -pwy /dane/aut/c.swd -pk -pbz ;\r\n"},
      {"verification", {{"c.swd"}, "/wer/", {}, "", "WA"}, "WA -pwe c.swd -pwy /wer/ ;\r\n"},
      {"blank and # quoted",
       {{"/moje dane/a.swd", "a#1.swd"}, "", {}, "r #.rpt", "SK"},
       "SK -pwe \"/moje dane/a.swd\" \"a#1.swd\" -r \"r #.rpt\" ;\r\n"},
      {"UTF-8 and cp1250 bytes as they stand",
       {{"\xC5\xBC\xC3\xB3\xC5\x82w.swd", "\xBF\xF3\xB3w.swd"}, "", {}, "", "SK"},
       "SK -pwe \xC5\xBC\xC3\xB3\xC5\x82w.swd \xBF\xF3\xB3w.swd ;\r\n"},
  };
  TempFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(swde::commandLine(c.command), c.line);
    const std::string path = folder / "cmd.txt";
    wizMessage message;
    ASSERT_TRUE(swde::writeCommandFile(listOf({c.command}), path, &message)) << message.text;
    EXPECT_EQ(readFile(path), c.line);
  }
}

TEST(WizardWriter, WritesListsInOrderAndEmptyListAsNoBytes) {
  TempFolder folder;
  const std::string path = folder / "cmd.txt";
  writeFile(path, "old");
  ASSERT_TRUE(swde::writeCommandFile(wizCommandList(), path, nullptr));
  EXPECT_EQ(readFile(path), "");
  const wizCommandList two = listOf({{{"a"}, "", {}, "", "SK"}, {{"b"}, "", {}, "", "SP"}});
  ASSERT_TRUE(swde::writeCommandFile(two, path, nullptr));
  EXPECT_EQ(readFile(path), "SK -pwe a ;\r\nSP -pwe b ;\r\n");
  // The temporary file went with the rename.
  EXPECT_EQ(folder.entries(), 1u);
}

TEST(WizardWriter, RefusesNamesNoReaderReadsBack) {
  const std::string names[] = {"",   "a;b", "a\"b", "a\tb", "a\nb", "a\rb", "\x1F",
                               "-r", "-PK", "-Pwe", "-pwy", "-pbz", "-RK"};
  TempFolder folder;
  const std::string path = folder / "cmd.txt";
  writeFile(path, "old");
  for (const std::string& name : names) {
    SCOPED_TRACE("[" + name + "]");
    const auto refused = swde::refusedName(name);
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->text, cp("Tej nazwy pliku nie da się zapisać w pliku poleceń: ") + name);
    EXPECT_EQ(refused->title, "Problem");
    EXPECT_EQ(refused->icon, wizMessage::Icon::Warning);
    // In each place a name goes, nothing is written (an empty output or
    // report is none).
    std::vector<wizCommand> commands = {{{"ok.swd", name}, "", {}, "", "SK"}};
    if (!name.empty()) {
      commands.push_back({{"a", "b"}, name, {}, "", "SC"});
      commands.push_back({{"a"}, "", {}, name, "SP"});
    }
    for (const wizCommand& command : commands) {
      wizMessage message;
      EXPECT_FALSE(swde::writeCommandFile(listOf({command}), path, &message));
      EXPECT_EQ(message, *refused);
      EXPECT_EQ(readFile(path), "old");
    }
  }
  for (const std::string name : {"-pwex", "-", "a-pk.swd", "#", "-r.rpt", "\xB9"})
    EXPECT_FALSE(swde::refusedName(name).has_value()) << name;
}

// The message of a failed save of path, up to the reason.
void expectSaveFailure(const wizMessage& message, const std::string& path) {
  EXPECT_EQ(message.text.rfind(cp("Nie można zapisać pliku poleceń: ") + path + " (", 0), 0u)
      << message.text;
  EXPECT_EQ(message.text.back(), ')');
  EXPECT_EQ(message.title, "Problem");
  EXPECT_EQ(message.icon, wizMessage::Icon::Error);
}

const wizCommandList& someCommands() {
  static const wizCommandList list = listOf({{{"a.swd", "b.swd"}, "", {"-pk"}, "r.rpt", "SK"}});
  return list;
}

TEST(WizardWriter, FailedSaveKeepsTheOldFileAndSaysWhy) {
  {
    SCOPED_TRACE("file size limit");
    TempFolder folder;
    const std::string path = folder / "cmd.txt";
    writeFile(path, "old");
    testsupport::FileSizeLimit limit(8);
    ASSERT_TRUE(limit);
    wizMessage message;
    EXPECT_FALSE(swde::writeCommandFile(someCommands(), path, &message));
    expectSaveFailure(message, path);
    EXPECT_EQ(readFile(path), "old");
    EXPECT_EQ(folder.entries(), 1u);
  }
  {
    SCOPED_TRACE("a folder in the way");
    TempFolder folder;
    const std::string path = folder / "sub";
    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
    wizMessage message;
    EXPECT_FALSE(swde::writeCommandFile(someCommands(), path, &message));
    expectSaveFailure(message, path);
    EXPECT_EQ(folder.entries(), 1u);
  }
  {
    SCOPED_TRACE("missing folder");
    TempFolder folder;
    const std::string path = folder / "none/cmd.txt";
    wizMessage message;
    EXPECT_FALSE(swde::writeCommandFile(someCommands(), path, &message));
    expectSaveFailure(message, path);
  }
}

TEST(WizardWriter, FailedSaveIntoAReadOnlyFolder) {
  TempFolder folder;
  const std::string path = folder / "cmd.txt";
  writeFile(path, "old");
  ASSERT_EQ(::chmod(folder.path().c_str(), 0555), 0);
  // In a child that is no root, for whom the folder is read-only.
  const bool failed = testsupport::inChild([&] {
    if (!testsupport::dropRoot()) return false;
    wizMessage message;
    return !swde::writeCommandFile(someCommands(), path, &message) &&
           message.text.rfind(cp("Nie można zapisać pliku poleceń: ") + path + " (", 0) == 0 &&
           message.icon == wizMessage::Icon::Error;
  });
  ::chmod(folder.path().c_str(), 0755);
  EXPECT_TRUE(failed);
  EXPECT_EQ(readFile(path), "old");
  EXPECT_EQ(folder.entries(), 1u);
}

// ---------------------------------------------------------------------------

TEST(WizardReader, ReadsWhatTheConsoleRunsAsItReadsIt) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<wizCommand> commands;
  };
  const wizCommand ga5{
      {"/dane/obr05.swd"}, "/dane/aut/obr05_crc.swd", {}, "/raporty/aut05.rpt", "GA"};
  const wizCommand ga6{
      {"/dane/obr06.swd"}, "/dane/aut/obr06_crc.swd", {}, "/raporty/aut06.rpt", "GA"};
  const wizCommand sp{{"obr05.swde"}, "", {}, "rap05.rpt", "SP"};
  const Case cases[] = {
      {"the help text's example",
       "# autoryzacja obrębu 5\n"
       "GA -pwe /dane/obr05.swd\n"
       "   -pwy /dane/aut/obr05_crc.swd -r /raporty/aut05.rpt;\n"
       "# autoryzacja obrębu 6\n"
       "GA -pwe /dane/obr06.swd\n"
       "   -pwy /dane/aut/obr06_crc.swd -r /raporty/aut06.rpt;\n"
       "SP -pwe obr05.swde -r rap05.rpt;\n",
       {ga5, ga6, sp}},
      {"CR LF",
       "SK -pwe a.swd -r r.rpt;\r\nSP -pwe b.swd -rk -pk;\r\n",
       {{{"a.swd"}, "", {}, "r.rpt", "SK"}, {{"b.swd"}, "", {"-pk", "-rk"}, "", "SP"}}},
      {"-pwe then a line end", "sk -pwe\na.swd\nb.swd;", {{{"a.swd", "b.swd"}, "", {}, "", "SK"}}},
      {"two commands on a line",
       "sk -pwe a;sp -pwe b;",
       {{{"a"}, "", {}, "", "SK"}, {{"b"}, "", {}, "", "SP"}}},
      {";; and a single word skipped", ";;sk;  ;sk -pwe a;", {{{"a"}, "", {}, "", "SK"}}},
      {"no blank: one word, skipped", "sk-pwe a.swd;sk -pwe b;", {{{"b"}, "", {}, "", "SK"}}},
      {"unknown function word skipped", "xx -pwe a;sk -pwe b;", {{{"b"}, "", {}, "", "SK"}}},
      {"# after the function word is a word to the line end",
       "sk -pwe a#1.swd -r r.rpt\n;",
       {{{"a#1.swd -r r.rpt"}, "", {}, "", "SK"}}},
      {"last piece without ;", "sk -pwe a;sk -pwe b", {{{"a"}, "", {}, "", "SK"}}},
      {"upper-case keywords, mixed-case names",
       "Sc -PWE Opis.DAT Geom.dat -PWY Wynik.Dat -PBZ;",
       {{{"Opis.DAT", "Geom.dat"}, "Wynik.Dat", {"-pbz"}, "", "SC"}}},
      {"a name holding -pk stays a name", "sk -pwe a-pk.swd;", {{{"a-pk.swd"}, "", {}, "", "SK"}}},
      {"quoted names",
       "sk -pwe \"moje dane/a b.swd\" \"#x\";",
       {{{"moje dane/a b.swd", "#x"}, "", {}, "", "SK"}}},
      {"byte-order mark", "\xEF\xBB\xBFsk -pwe a;", {{{"a"}, "", {}, "", "SK"}}},
  };
  TempFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = folder / "cmd.txt";
    writeFile(path, c.text);
    wizCommandList list;
    wizMessage message;
    EXPECT_TRUE(swde::readCommandFile(list, path, &message)) << message.text;
    EXPECT_EQ(list, listOf(c.commands));
  }
}

TEST(WizardReader, StopsAtAWrongPieceKeepingTheCommandsBefore) {
  const std::string failed = cp("Otwarcie pliku pleceń niemożliwe") + "\n";
  auto atPiece = [&](int n, const std::string& cause) {
    return failed + cp("Błąd przetwarzania pliku z poleceniami w linii ") + std::to_string(n) +
           ". " + cp(cause.c_str());
  };
  struct Case {
    const char* what;
    std::string text;
    std::size_t kept;
    std::string message;
  };
  const Case cases[] = {
      {"over-long piece", "sk -pwe a;\nsk -pwe " + std::string(70000, 'x') + ";", 1,
       atPiece(2, "polecenie jest dłuższe niż 65534 znaki")},
      {"comments only", "sk -pwe a;\n# one\n# two\n;", 1,
       atPiece(2, "polecenie zawiera same komentarze, brak nazwy funkcji")},
      {"merge with one input", "sk -pwe a;sc -pwe a -pwy m;", 1,
       atPiece(2, "Błąd linii poleceń : zła liczba plików wejściowych")},
      {"merge without output", "sc -pwe a b;", 0,
       atPiece(1, "Błąd linii poleceń : brak nazwy pliku wynikowego")},
      {"no input", "sk -pwe a;;sp -r r.rpt;", 1,
       atPiece(3, "Błąd linii poleceń : zła liczba plików wejściowych")},
      {"output given again", "sk -pwe a;sc -pwe a b -pwy m -pwy n;", 1,
       atPiece(2, "Błąd przetwarzania listy parametrów: ponownie podano pliki wyjściowe")},
      {"report given again", "sk -pwe a -r x.rpt -r y.rpt;", 0,
       atPiece(1, "Błąd przetwarzania listy parametrów: ponownie podano plik raportu")},
      {"word after a flag", "sk -pwe a -pk b;", 0,
       atPiece(1, "Błąd przetwarzania listy parametrów: nieoczekiwana pozycja -b")},
  };
  TempFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = folder / "cmd.txt";
    writeFile(path, c.text);
    wizCommandList list;
    wizMessage message;
    EXPECT_FALSE(swde::readCommandFile(list, path, &message));
    EXPECT_EQ(list.size(), c.kept);
    EXPECT_EQ(message.text, c.message);
    EXPECT_EQ(message.title, "Problem");
    EXPECT_EQ(message.icon, wizMessage::Icon::Error);
  }
}

TEST(WizardReader, RefusesWhatIsNoReadableFileWithoutWaiting) {
  TempFolder folder;
  const std::string fifo = folder / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string cannot = cp("Otwarcie pliku pleceń niemożliwe") + "\n" +
                             cp("Nie można otworzyć pliku z poleceniami: ");
  // A FIFO without a writer would hold a blocking open for ever.
  for (const std::string& path : {folder / "missing.txt", folder.path(), fifo, std::string()}) {
    SCOPED_TRACE(path);
    wizCommandList list;
    list.append(wizCommand{{"kept"}, "", {}, "", "SK"});
    wizMessage message;
    EXPECT_FALSE(swde::readCommandFile(list, path, &message));
    EXPECT_EQ(message.text, cannot + path);
    EXPECT_EQ(list.size(), 1u);
  }
}

TEST(WizardReader, ParsesOnePiece) {
  wizCommand command;
  EXPECT_TRUE(swde::parseCommand(command, "# note\nsp -pwe a -rk -r r.rpt"));
  EXPECT_EQ(command, (wizCommand{{"a"}, "", {"-rk"}, "r.rpt", "SP"}));
  std::string cause;
  EXPECT_FALSE(swde::parseCommand(command, "zz -pwe a", &cause));
  EXPECT_EQ(cause, cp("Pominięto nieznane polecenie: zz"));
}

}  // namespace

namespace {

// The shared piece reader: a read that fails part way is told from the end
// of the file, so neither reader takes a cut file for a whole one.
TEST(CommandPieceReader, TellsAFailedReadFromTheEnd) {
  TempFolder folder;
  const std::string path = folder / "cmd.txt";
  // More than one buffer of commands, so that reading goes back to the disk.
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "sk -pwe a" + std::to_string(i) + ".swd;\n";
  writeFile(path, text);
  swde::iuCommandFile file;
  int err = 0;
  ASSERT_TRUE(file.open(path, err));
  swde::iuCommandFile::Piece piece = file.next();
  ASSERT_EQ(piece.kind, swde::iuCommandFile::Kind::Command);
  EXPECT_EQ(piece.function, "sk");
  EXPECT_EQ(piece.params, "-pwe a0.swd");
  testsupport::breakReadsOf(path);
  int pieces = 1;
  do {
    piece = file.next();
    ++pieces;
  } while (piece.kind == swde::iuCommandFile::Kind::Command && pieces <= 2001);
  EXPECT_EQ(piece.kind, swde::iuCommandFile::Kind::ReadError);
  EXPECT_EQ(file.ordinal(), pieces);
}

}  // namespace
