// What the wizard saves, read back by the wizard and by the console's own
// path (the shared piece reader and the console's parameter reading): both
// must find the same commands, also for names made of the characters that
// the command language treats specially.

#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "app/iuCommandFile.h"
#include "app/iuConsole.h"
#include "platform/FileSystem.h"
#include "tests/support/Files.h"
#include "wizard/wizCommandFile.h"

namespace {

using swde::bzFileList;
using swde::bzSettings;
using swde::iuCommandFile;
using swde::iuConsole;
using swde::wizCommand;
using swde::wizCommandList;
using swde::wizMessage;
using testsupport::TempFolder;

std::string cwdSlash() {
  return testsupport::currentFolderSlash();
}

// One command as the console reads it for its run.
struct ConsoleCommand {
  std::string function;
  bzFileList files;
  bzSettings settings;
};

// The commands of path that the console would run, read as it reads them.
std::vector<ConsoleCommand> readAsConsole(const std::string& path) {
  std::vector<ConsoleCommand> out;
  char name[] = "olven";
  char* argv[] = {name, nullptr};
  iuConsole console(1, argv);
  std::string messages;
  console.setOutput([&](std::string_view text) {
    messages += text;
    return 0;
  });
  iuCommandFile file;
  int err = 0;
  EXPECT_TRUE(file.open(path, err));
  for (;;) {
    const iuCommandFile::Piece piece = file.next();
    if (piece.kind == iuCommandFile::Kind::End) break;
    EXPECT_NE(piece.kind, iuCommandFile::Kind::ReadError);
    if (piece.kind != iuCommandFile::Kind::Command) continue;
    ConsoleCommand c;
    c.function = piece.function;
    c.settings.skipComments = false;
    c.settings.skipWhiteChars = false;
    EXPECT_EQ(console.parseText(piece.params, c.files, c.settings), 0) << messages;
    out.push_back(std::move(c));
  }
  return out;
}

// The console found command as the wizard holds it.
void expectSame(const ConsoleCommand& c, const wizCommand& w) {
  EXPECT_EQ(c.function, w.code);
  ASSERT_EQ(c.files.getFileCount(), w.inputs.size());
  for (unsigned i = 0; i < c.files.getFileCount(); ++i) {
    const std::string& input = w.inputs[i];
    const std::string folder = plat::extractFilePath(input);
    if (folder.empty()) {
      EXPECT_EQ(c.files.getFileName(i), input);
      EXPECT_EQ(c.files.getFilePath(i), cwdSlash());
    } else {
      EXPECT_EQ(c.files.getFileName(i), plat::extractFileName(input));
      EXPECT_EQ(c.files.getFilePath(i), folder);
    }
  }
  EXPECT_EQ(c.settings.outputDir + c.settings.outputFileName, w.output);
  EXPECT_EQ(c.settings.reportDir + c.settings.reportFileName, w.report);
  EXPECT_EQ(c.settings.skipComments, w.hasOption("-pk"));
  EXPECT_EQ(c.settings.skipWhiteChars, w.hasOption("-pbz"));
  EXPECT_EQ(c.settings.reportCondensed, w.hasOption("-rk"));
}

void expectRoundTrip(const wizCommandList& list, const TempFolder& folder) {
  const std::string path = folder / "cmd.txt";
  wizMessage message;
  ASSERT_TRUE(swde::writeCommandFile(list, path, &message)) << message.text;
  wizCommandList read;
  EXPECT_TRUE(swde::readCommandFile(read, path, &message)) << message.text;
  EXPECT_EQ(read, list);
  const std::vector<ConsoleCommand> console = readAsConsole(path);
  ASSERT_EQ(console.size(), list.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    SCOPED_TRACE("command " + std::to_string(i));
    expectSame(console[i], list.at(i));
  }
}

TEST(WizardRoundTrip, WizardAndConsoleReadWhatTheWizardWrote) {
  struct Case {
    const char* what;
    std::vector<wizCommand> commands;
  };
  const Case cases[] = {
      {"every function",
       {{{"a.swd", "b.swd"}, "", {"-pk"}, "r.rpt", "SK"},
        {{"/d/a.swd"}, "", {"-pk", "-rk"}, "/r/s.rpt", "SP"},
        {{"o.dat", "g.dat"}, "/m/wynik.dat", {}, "r.rpt", "SC"},
        {{"/d/obr05.swd"}, "/d/aut/c.swd", {"-pk", "-pbz"}, "", "GA"},
        {{"c.swd"}, "/wer/", {}, "w.rpt", "WA"}}},
      {"blanks, #, dashes and high bytes in names",
       {{{"/moje dane/a b.swd", "a#1.swd", "#", "-pwex", "-", "x-pk.swd"}, "", {}, "r #.rpt", "SK"},
        {{"\xC5\xBC\xC3\xB3\xC5\x82w.swd", "\xBF\xF3\xB3w .swd"}, "m #.dat", {}, "", "GA"}}},
  };
  TempFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    wizCommandList list;
    for (const wizCommand& command : c.commands) list.append(command);
    expectRoundTrip(list, folder);
  }
}

// A name of one to six characters from an alphabet of what the language
// treats specially; names a command file cannot hold are drawn again.
std::string randomName(std::mt19937& rng) {
  static const std::vector<std::string> alphabet = {
      " ", "#", "-", "-pwex", "-pk", "a", "B", ".", "/", "\xB9", "\xC5\xBC", "\xFF", "\x80", "r"};
  for (;;) {
    std::string name;
    const int length = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < length; ++i) name += alphabet[rng() % alphabet.size()];
    // A name that ends in "/" names a folder: no report can have it.
    if (!swde::refusedName(name) && name.back() != '/') return name;
  }
}

TEST(WizardRoundTrip, SeededRandomListsOverAHostileAlphabet) {
  static const char* const codes[] = {"SK", "SP", "SC", "GA", "WA"};
  static const std::vector<std::vector<std::string>> optionSets = {
      {}, {"-pk"}, {"-pbz"}, {"-rk"}, {"-pk", "-pbz"}, {"-pk", "-pbz", "-rk"}};
  TempFolder folder;
  for (const unsigned seed : {1u, 7u, 42u, 2024u, 65535u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    for (int round = 0; round < 20; ++round) {
      wizCommandList list;
      const int count = static_cast<int>(rng() % 4);
      for (int i = 0; i < count; ++i) {
        wizCommand c;
        c.code = codes[rng() % 5];
        const int inputs = c.code == std::string("SC") ? 2 : 1 + static_cast<int>(rng() % 3);
        for (int k = 0; k < inputs; ++k) c.inputs.push_back(randomName(rng));
        if (c.code == std::string("SC") || rng() % 2) c.output = randomName(rng);
        if (rng() % 2) c.report = randomName(rng);
        c.options = optionSets[rng() % optionSets.size()];
        list.append(c);
      }
      expectRoundTrip(list, folder);
      if (HasFailure()) return;
    }
  }
}

}  // namespace
