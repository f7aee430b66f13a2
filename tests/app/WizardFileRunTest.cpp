// A command file as the wizard saves it, run by the built olven: every
// command runs, with names holding a blank, and writes what it names.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "support/OlvenProcess.h"
#include "wizard/wizCommandFile.h"

namespace {

namespace fs = std::filesystem;

TEST(WizardFileRun, OlvenRunsEveryCommandTheWizardSaved) {
  std::string dir = (fs::temp_directory_path() / "olvwizrunXXXXXX").string();
  ASSERT_NE(::mkdtemp(dir.data()), nullptr);
  fs::create_directory(dir + "/tmp");
  fs::copy_file(std::string(OLV_SAMPLES) + "/przyklad.swd", dir + "/dane działki.swd");

  swde::wizCommandList list;
  swde::wizCommand sk;
  sk.code = "SK";
  sk.inputs = {"dane działki.swd"};
  sk.report = "raport sk.rpt";
  list.append(sk);
  swde::wizCommand ga;
  ga.code = "GA";
  ga.inputs = {dir + "/dane działki.swd"};
  ga.output = "kopia crc.swd";
  ga.options = {"-pk", "-pbz"};
  list.append(ga);
  swde::wizMessage message;
  ASSERT_TRUE(swde::writeCommandFile(list, dir + "/polecenia wsadowe.txt", &message))
      << message.text;

  testsupport::OlvenChild child({"-pol", "polecenia wsadowe.txt"}, dir, dir + "/tmp");
  const testsupport::OlvenResult r = child.finish();
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_GT(fs::file_size(dir + "/raport sk.rpt"), 0u);
  EXPECT_GT(fs::file_size(dir + "/kopia crc.swd"), fs::file_size(dir + "/dane działki.swd"));
  EXPECT_TRUE(fs::exists(dir + "/kopia crc.swd.aut.rtf"));
  fs::remove_all(dir);
}

}  // namespace
