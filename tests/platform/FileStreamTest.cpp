#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/FileStream.h"
#include "support/TempFile.h"

namespace {

TEST(InputFile, ReadsSeeksAndStopsAtTheSizeSeenAtOpen) {
  testsupport::TempFile f("0123456789");
  plat::InputFile in(f.path());
  EXPECT_EQ(in.size(), 10u);
  char buf[16] = {};
  EXPECT_EQ(in.read(buf, 4), 4u);
  EXPECT_EQ(std::string(buf, 4), "0123");
  EXPECT_EQ(in.position(), 4u);
  EXPECT_EQ(in.seek(8), 8u);
  EXPECT_EQ(in.read(buf, 16), 2u);
  EXPECT_EQ(std::string(buf, 2), "89");
  EXPECT_EQ(in.read(buf, 16), 0u);
  EXPECT_EQ(in.seek(100), 100u);
  EXPECT_EQ(in.read(buf, 16), 0u);

  // Bytes appended after the open are not read.
  FILE* w = std::fopen(f.path().c_str(), "ab");
  std::fputs("more", w);
  std::fclose(w);
  in.seek(0);
  EXPECT_EQ(in.read(buf, 16), 10u);
}

TEST(InputFile, OpenFailuresNameThePathAndTheReason) {
  struct Case {
    std::string path;
    const char* reason;
  };
  const char* dir = std::getenv("TMPDIR");
  const Case cases[] = {
      {"/nonexistent/olv/file.swd", "plik nie istnieje"},
      {dir && *dir ? dir : "/tmp", "katalog"},
      {"/dev/null", "nie jest zwykły plik"},
  };
  for (const Case& c : cases) {
    try {
      plat::InputFile in(c.path);
      ADD_FAILURE() << "opened " << c.path;
    } catch (const plat::EFileError& e) {
      EXPECT_NE(e.Message().find(c.path), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find(plat::cp(c.reason)), std::string::npos) << e.Message();
    }
  }
}

TEST(InputFile, UnreadableFileIsRefused) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  testsupport::TempFile f("x");
  ::chmod(f.path().c_str(), 0);
  EXPECT_THROW(plat::InputFile in(f.path()), plat::EFileError);
}

}  // namespace
