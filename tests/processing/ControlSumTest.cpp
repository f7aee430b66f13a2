#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/CodePage.h"
#include "platform/Crc32.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "processing/bzDocCounters.h"
#include "processing/bzException.h"
#include "processing/bzOutFileStream.h"
#include "processing/bzSumCRC.h"
#include "support/FileSizeLimit.h"
#include "support/Files.h"
#include "support/NonRegularTargets.h"

using namespace swde;
namespace fs = std::filesystem;

namespace {

using testsupport::readFile;

using Folder = testsupport::TempFolder;

}  // namespace

TEST(ControlSumCRC, StandardCheckValueAndCounts) {
  bzSumCRC sum;
  sum.put("123456789");
  EXPECT_EQ(sum.value(), 3421780262u);
  EXPECT_EQ(sum.byteCount, 9u);

  // Byte by byte, and across the eight-byte steps, the same register.
  bzSumCRC bytes;
  for (char c : std::string("123456789")) bytes.put(c);
  EXPECT_EQ(bytes.reg, sum.reg);
  EXPECT_EQ(bytes.byteCount, 9u);

  sum.restart();
  EXPECT_EQ(sum.reg, bzSumCRC::SWDE_CRC_MASK);
  EXPECT_EQ(sum.byteCount, 0u);
  sum.put("");
  EXPECT_EQ(sum.value(), 0u);
}

TEST(ControlSumCRC, EachOfSeveralSumsGetsTheWholeText) {
  // Lengths around the eight-byte step, bytes above 0x7F included.
  std::string text;
  for (int i = 0; i < 300; ++i) text += static_cast<char>(i * 37 + 11);
  for (std::size_t len : {0u, 1u, 7u, 8u, 9u, 16u, 23u, 300u}) {
    const std::string_view part(text.data(), len);
    bzSumCRC a, b(0x12345678u), c, alone, aloneB(0x12345678u);
    a.put("ab");
    alone.put("ab");
    bzSumCRC* sums[] = {&a, nullptr, &b, &c};
    bzSumCRC::putEach(part, sums, 4);
    alone.put(part);
    aloneB.put(part);
    EXPECT_EQ(a.reg, alone.reg) << len;
    EXPECT_EQ(b.reg, aloneB.reg) << len;
    EXPECT_EQ(a.byteCount, 2 + len);
    EXPECT_EQ(c.byteCount, len);
    // The byte-wise table of the platform gives the same register.
    EXPECT_EQ(c.reg, plat::crc32Update(0xFFFFFFFFu, part.data(), part.size())) << len;
  }
  EXPECT_EQ(Crc2Str(4294967295u), "4294967295");
  EXPECT_EQ(Crc2Str(0), "0");
}

TEST(OutFileStream, LinesReachTheTargetOnlyAtCommit) {
  Folder dir;
  const std::string target = dir / "out.swd";
  { std::ofstream(target) << "older"; }
  const mode_t mask = ::umask(027);
  ::umask(mask | 027);
  {
    // A buffer of one byte is taken as two: a line end always goes in whole.
    bzOutFileStream out(target, 1);
    out.putLine("AB");
    out.putLine("");
    out.putBytes("{x}");
    EXPECT_EQ(readFile(target), "older");
    out.putBuff();
    EXPECT_EQ(readFile(out.tempPath()), "AB\r\n\r\n{x}");
    EXPECT_EQ(out.getPosition(), 9u);
    struct stat st;
    ASSERT_EQ(::stat(out.tempPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666u & ~(mask | 027u));
    out.commit();
  }
  ::umask(mask);
  EXPECT_EQ(readFile(target), "AB\r\n\r\n{x}");
  EXPECT_EQ(dir.entries(), 1u);

  // Not committed: the temporary file goes, the target stays.
  {
    bzOutFileStream out(target, 32768);
    out.putLine(std::string(70000, 'z'));
    EXPECT_EQ(out.getPosition(), 65536u);
    out.close();
    EXPECT_EQ(out.getPosition(), 70002u);
  }
  EXPECT_EQ(readFile(target), "AB\r\n\r\n{x}");
  EXPECT_EQ(dir.entries(), 1u);
}

TEST(OutFileStream, FailuresNameTheTargetAndTheReason) {
  Folder dir;
  try {
    bzOutFileStream out(dir / "missing/out.swd", 16);
    FAIL() << "no folder, no file";
  } catch (const bzException& e) {
    EXPECT_EQ(e.Message(), plat::cp("Błąd zapisu pliku ") + (dir / "missing/out.swd") + ": " +
                               plat::fileWriteErrorReason(ENOENT));
  }

  const std::string target = dir / "big.swd";
  { std::ofstream(target) << "older"; }
  testsupport::FileSizeLimit limit(100);
  ASSERT_TRUE(limit);
  bool raised = false;
  {
    bzOutFileStream out(target, 64);
    try {
      for (int i = 0; i < 10; ++i) out.putLine(std::string(30, 'a'));
      out.close();
    } catch (const bzException& e) {
      raised = true;
      EXPECT_EQ(e.Message(),
                plat::cp("Błąd zapisu pliku ") + target + ": " + plat::fileWriteErrorReason(EFBIG));
    }
    // The file took what the limit let through, and no more was counted.
    EXPECT_LE(out.getPosition(), 100u);
  }
  EXPECT_TRUE(raised);
  EXPECT_EQ(readFile(target), "older");
  EXPECT_EQ(dir.entries(), 1u);
}

// A target that exists as something other than a regular file is refused
// before anything is written, and again at commit when it turned into one
// since: the rename would put a file in its place.
TEST(OutFileStream, TargetThatIsNotARegularFileIsNeverReplaced) {
  for (const testsupport::NonRegularTarget& c : testsupport::kNonRegularTargets) {
    SCOPED_TRACE(c.what);
    for (const bool late : {false, true}) {
      SCOPED_TRACE(late ? "at commit" : "when made");
      Folder dir;
      const std::string target = dir / "out.swd";
      if (!late) c.make(target);
      try {
        bzOutFileStream out(target, 16);
        ASSERT_TRUE(late) << "made on a target that is no regular file";
        out.putLine("AB");
        c.make(target);
        out.commit();
        FAIL() << "committed over a target that is no regular file";
      } catch (const bzException& e) {
        EXPECT_EQ(e.Message(), plat::cp("Błąd zapisu pliku ") + target + ": " +
                                   plat::fileWriteErrorReason(c.err));
      }
      struct stat st;
      ASSERT_EQ(::lstat(target.c_str(), &st), 0);
      EXPECT_FALSE(S_ISREG(st.st_mode));
      EXPECT_EQ(dir.entries(), 1u);  // no temporary file left
    }
  }
}

// A link to a regular file stays a link: the file it names takes the output.
TEST(OutFileStream, LinkToARegularFileWritesItsFile) {
  Folder dir;
  const std::string real = dir / "prawdziwy.swd";
  const std::string link = dir / "link.swd";
  testsupport::writeFile(real, "older");
  ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
  bzOutFileStream out(link, 16);
  out.putLine("AB");
  out.commit();
  EXPECT_EQ(readFile(real), "AB\r\n");
  struct stat st;
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(dir.entries(), 2u);
}

TEST(DocCounters, SlotsNamesAndCodes) {
  bzDocCounters c;
  const int codes[] = {48, 46, 50, 51, 47, 49};  // SN SD SP ST SG SO
  const char* names[] = {"SN", "SD", "SP", "ST", "SG", "SO"};
  for (int slot = 0; slot < 6; ++slot) {
    EXPECT_EQ(c.getSectionIndex(codes[slot]), slot);
    EXPECT_EQ(c.getSectionName(static_cast<unsigned>(slot)), names[slot]);
  }
  EXPECT_EQ(c.getSectionName(6), "??");
  for (int bad : {0, 45, 52, -1}) {
    try {
      c.getSectionIndex(bad);
      FAIL() << bad;
    } catch (const bzException& e) {
      EXPECT_EQ(e.Message(), "Nierozpoznany kod sekcji!");
    }
  }
  c.commentLines = 5;
  c.sections[3] = {true, 1ull << 33, 7, 9};
  c.clear();
  EXPECT_EQ(c.commentLines, 0u);
  EXPECT_FALSE(c.sections[3].present);
  EXPECT_EQ(c.sections[3].chars, 0u);
}
