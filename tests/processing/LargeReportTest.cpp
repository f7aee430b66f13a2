// A run over a file past 4 GiB: the report's findings carry their positions
// while these fit in 32 bits and none (0xFFFFFFFF on disk) beyond; the
// progress of the run keeps the full 64-bit size and position. The file is
// sparse; the reader's start seam begins reading where its data lies.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "processing/bzSyntaxProcess.h"
#include "reader/LargeFile.h"
#include "support/Files.h"
#include "support/ReportLine.h"

using namespace swde;
using plat::cp;
using testsupport::kGiB;

namespace {

using testsupport::readFile;

using Line = testsupport::ReportLine;

std::string le32(std::uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

TEST(LargeReport, FindingsPastFourGiBAreWrittenWithoutPosition) {
  // The header at 4 GiB - 25, SO at 4 GiB - 10, the first unknown line at
  // 4 GiB - 6, the second exactly at 4 GiB.
  constexpr std::uint64_t kBase = 4 * kGiB - 25;
  const std::string data = "SWDE.W.1.13.0;\nSO;\nQQ,1;\nQQ,2;\nSX;\nSWDEX;\n";
  testsupport::SparseFile big("", kBase, data);
  if (!big.ok()) GTEST_SKIP() << "no sparse file past 4 GiB here";
  testsupport::ReaderStartsAt seam(kBase);

  bzSettings settings;
  bzFileList files;
  bzProcessState state;
  bzReport report(false);
  files.addFile(plat::extractFileName(big.path()), big.path());
  ASSERT_TRUE(report.Create(&files));
  {
    bzRun<bzSyntaxProcess> process(&files, &report, &settings, &state);
    process.start();
    process.waitFor();
  }
  std::vector<Line> findings;
  for (const Line& l : testsupport::drain(report))
    if (l.lineNo >= 0) findings.push_back(l);
  const std::string text = cp(" B   121 SO - Nierozpoznany typ linii : QQ");
  EXPECT_EQ(findings, (std::vector<Line>{
                          {3, 0, static_cast<std::int64_t>(4 * kGiB - 6), "3" + text},
                          {4, 0, -1, "4" + text},
                      }));
  EXPECT_EQ(state.getProcessMaxValue(), kBase + data.size());
  EXPECT_EQ(state.getProcessPosition(), kBase + data.size());

  // On disk the second finding's position is 0xFFFFFFFF.
  const std::string saved = plat::tempFolder() + "/olvlarge-" + std::to_string(::getpid()) + ".rpt";
  ASSERT_TRUE(report.SaveToFile(saved));
  const std::string bytes = readFile(saved);
  std::remove(saved.c_str());
  const auto record = [](std::uint32_t lineNo, std::uint32_t position, const std::string& t) {
    return le32(lineNo) + le32(0) + le32(position) + le32(static_cast<std::uint32_t>(t.size())) + t;
  };
  EXPECT_NE(bytes.find(record(3, 0xFFFFFFFAu, "3" + text)), std::string::npos);
  EXPECT_NE(bytes.find(record(4, 0xFFFFFFFFu, "4" + text)), std::string::npos);
}

}  // namespace
