// olven as the user starts it without arguments: without a display it says
// so and ends with 2 (its console commands still work); on the offscreen
// platform it runs its window until a stop signal, which closes it as the
// close command does, writing the settings and the file list.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/guiFileListStore.h"
#include "support/Files.h"
#include "support/OlvenProcess.h"

namespace {

namespace fs = std::filesystem;
using testsupport::OlvenChild;
using testsupport::OlvenStreams;

const std::vector<std::string> kNoDisplay = {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="};

TEST(WindowProcess, WithoutADisplayTheWindowIsRefusedAndTheConsoleWorks) {
  testsupport::TempFolder dir("olvwinp");
  fs::create_directories(dir / "tmp");
  const std::string sample = std::string(OLV_SAMPLES) + "/przyklad.swd";
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> env;
    int status;
    std::string err;
  } cases[] = {
      {{},
       kNoDisplay,
       2,
       "Brak ekranu graficznego: okna programu nie można otworzyć. Tryb wsadowy: olven /?\n"},
      // An X11 platform asked for without an X display.
      {{},
       {"DISPLAY=", "WAYLAND_DISPLAY=:0", "QT_QPA_PLATFORM=xcb"},
       2,
       "Brak ekranu graficznego: okna programu nie można otworzyć. Tryb wsadowy: olven /?\n"},
      {{"sk", "-pwe", sample}, kNoDisplay, 0, ""},
  };
  for (const auto& c : cases) {
    OlvenStreams streams;
    streams.env = c.env;
    OlvenChild child(c.args, dir / "", dir / "tmp", streams);
    const testsupport::OlvenResult r = child.finish();
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.err, c.err);
    if (c.args.empty())
      EXPECT_EQ(r.out, "");
    else
      EXPECT_NE(r.out.find("przyklad.swd"), std::string::npos) << r.out;
  }
}

TEST(WindowProcess, AStopSignalClosesTheWindowAndKeepsSettingsAndList) {
  for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(sig);
    testsupport::TempFolder dir("olvwinp");
    fs::create_directories(dir / "tmp");
    const std::string listFile = dir / "cfg/olven/Olven.cfg";
    const std::string kept = dir / "dane.swd";
    fs::copy_file(std::string(OLV_SAMPLES) + "/przyklad.swd", kept);
    ASSERT_TRUE(swde::guiFileListStore(listFile).save({kept}));

    OlvenStreams streams;
    streams.env = {"QT_QPA_PLATFORM=offscreen", "OLVEN_TEST_READY_LINE=1",
                   "XDG_CONFIG_HOME=" + (dir / "cfg")};
    OlvenChild child({}, dir / "", dir / "tmp", streams);
    ASSERT_TRUE(child.waitForOutput("OLVEN_READY\n"));
    child.signal(sig);
    const testsupport::OlvenResult r = child.finish();
    EXPECT_EQ(r.status, 0) << r.err;

    const std::string hive = testsupport::readFile(dir / "registry/HKEY_LOCAL_MACHINE.reg");
    for (const char* name : {"exclComments", "saveFileList", "maxErrors", "otputDir"})
      EXPECT_NE(hive.find(name), std::string::npos) << name;
    EXPECT_EQ(swde::guiFileListStore(listFile).load(), std::vector<std::string>{kept});
  }
}

}  // namespace
