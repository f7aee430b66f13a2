// The merge run by the console in the test's own process, for what a child
// cannot show without a race: a stop that comes while the merge runs.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/iuConsole.h"
#include "platform/CodePage.h"
#include "support/Files.h"

namespace {

namespace fs = std::filesystem;
using plat::cp;
using swde::iuConsole;
using testsupport::readFile;
using testsupport::writeFile;

TEST(ConsoleMerge, AStopEndsTheMergeWith130AndLeavesNoWorkFile) {
  testsupport::TempFolder folder{"olvconsolemerge"};
  const std::string data = std::string(OLV_SAMPLES) + "/../tests/data/merge/";
  for (const char* name : {"opis.swd", "geometria.swd"}) fs::copy_file(data + name, folder / name);
  writeFile(folder / "c.swd", "stary wynik\r\n");

  std::vector<std::string> words = {"olven",
                                    "sc",
                                    "-pwe",
                                    folder / "opis.swd",
                                    folder / "geometria.swd",
                                    "-pwy",
                                    folder / "c.swd",
                                    "-r",
                                    folder / "m.rpt"};
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  iuConsole console(static_cast<int>(words.size()), argv.data());
  std::string out;
  // The stop comes as the run has started, as a Ctrl+C would.
  console.setOutput([&](std::string_view text) {
    out += text;
    if (text == cp("Uruchomiono scalanie dokumentów\n")) console.stop();
    return 0;
  });
  EXPECT_EQ(console.run(), iuConsole::stStopped);
  EXPECT_EQ(out, cp("Uruchomiono scalanie dokumentów\nZakończono przetwarzanie\n"));
  // The run may have ended before the stop reached it: the output is the
  // older file or a whole merged one, never a part.
  const std::string merged = readFile(folder / "c.swd");
  EXPECT_TRUE(merged == "stary wynik\r\n" || merged.ends_with("\r\nSX;\r\nSWDEX;\r\n")) << merged;
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder.path()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"c.swd", "geometria.swd", "m.rpt", "opis.swd"}));
}

}  // namespace
