// olvenWizzard as the user starts it: without a display it says so on
// standard error and ends with 2, whatever the arguments (it reads none),
// and Qt never gets to abort it.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/Files.h"
#include "support/OlvenProcess.h"

namespace {

TEST(WizardProgram, WithoutADisplayItSaysSoAndEndsWith2) {
  testsupport::TempFolder dir("olvwizp");
  std::filesystem::create_directories(dir / "tmp");
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> env;
  } cases[] = {
      {{}, {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="}},
      {{"-pol", "polecenia.txt"}, {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="}},
      // An X11 platform asked for without an X display.
      {{}, {"DISPLAY=", "WAYLAND_DISPLAY=:0", "QT_QPA_PLATFORM=xcb"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.env.back());
    testsupport::OlvenStreams streams;
    streams.env = c.env;
    testsupport::OlvenChild child(c.args, dir / "", dir / "tmp", streams);
    const testsupport::OlvenResult r = child.finish();
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.err, "Brak ekranu graficznego: okna programu nie można otworzyć.\n");
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
