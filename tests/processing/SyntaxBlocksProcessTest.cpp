// The syntax check reads its file a block at a time on a pool of threads:
// progress and a stop request are looked at between blocks, the report is the
// same whatever the threads, and a read that fails part way hands out the
// lines before it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/ComPtr.h"
#include "platform/FileSystem.h"
#include "processing/bzSyntaxProcess.h"
#include "reader/PlikSW.h"
#include "support/BlockParameters.h"
#include "support/BrokenReads.h"
#include "support/Gate.h"
#include "support/ReportLine.h"
#include "support/RunObjects.h"
#include "support/SwdeDocs.h"
#include "support/TempFile.h"
#include "syntax/Sxconsts.h"

using namespace swde;
using plat::cp;
using testsupport::BlockParameters;
using testsupport::freeLine;

namespace {

using Line = testsupport::ReportLine;

const std::string kUnknown = "typ linii : QQ";

struct OneFileRun : testsupport::RunObjects {
  explicit OneFileRun(const std::string& path) {
    files.addFile(plat::extractFileName(path), path);
    EXPECT_TRUE(report.Create(&files));
  }
};

bool isUnknownLine(const void* data, std::size_t size) {
  return std::string(static_cast<const char*>(data), size).find(kUnknown) != std::string::npos;
}

// A document of a few MiB with three unknown lines "QQ;": one near the start,
// one in the middle, one near the end; their byte positions in unknownAt.
struct BigFile {
  std::string bytes;
  std::vector<std::uint64_t> unknownAt;
  std::vector<std::uint64_t> unknownLines;  // their line numbers
};

BigFile bigFile() {
  testsupport::DocShape shape;
  shape.size = 3 * 1024 * 1024;
  shape.letters = testsupport::Letters::Iso;
  std::vector<std::string> lines = testsupport::validDocument(77, shape);
  const std::size_t n = lines.size();
  for (const std::size_t at : {n - 100, n / 2, std::size_t{200}})
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), "QQ;");
  BigFile f;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == "QQ;") {
      f.unknownAt.push_back(f.bytes.size());
      f.unknownLines.push_back(i + 1);
    }
    f.bytes += lines[i] + "\r\n";
  }
  return f;
}

// The findings of unknown lines in a report: line numbers and positions.
std::vector<std::pair<std::int64_t, std::int64_t>> unknownFindings(const std::vector<Line>& lines) {
  std::vector<std::pair<std::int64_t, std::int64_t>> out;
  for (const Line& l : lines)
    if (l.text.find(kUnknown) != std::string::npos) out.emplace_back(l.lineNo, l.position);
  return out;
}

// A clock for the progress updates that moves only when the test moves it.
std::atomic<std::uint64_t> gNow{0};
std::uint64_t testClock() {
  return gNow.load();
}
struct TestClock {
  TestClock() { bzProcessThread::setClock(&testClock); }
  ~TestClock() { bzProcessThread::setClock(nullptr); }
  TestClock(const TestClock&) = delete;
  TestClock& operator=(const TestClock&) = delete;
  // Makes the next update due.
  void advance() { gNow += 1000; }
};

// Held at its first and its second unknown line (blocks apart), the check has
// brought the progress to the lines handed out, no further: past the first,
// before the second; at the end it stands at the file's size.
TEST(SyntaxBlocksProcess, ProgressFollowsTheLinesHandedOut) {
  const BlockParameters parameters(8, 4096);
  TestClock clock;
  const BigFile big = bigFile();
  testsupport::TempFile file(big.bytes);
  OneFileRun r(file.path());
  bzRun<bzSyntaxProcess> p(&r.files, &r.report, &r.settings, &r.state);
  testsupport::Gate first, second;
  std::atomic<int> seen{0};
  r.report.setWriteFunction([&](int fd, const void* data, std::size_t size, off_t offset) {
    if (isUnknownLine(data, size)) {
      const int k = ++seen;
      if (k == 1) first.pass();
      if (k == 2) second.pass();
    }
    return ::pwrite(fd, data, size, offset);
  });
  p.start();
  first.waitReached();
  EXPECT_LE(r.state.getProcessPosition(), big.unknownAt[0]);
  clock.advance();
  first.open();
  second.waitReached();
  const std::uint64_t held = r.state.getProcessPosition();
  EXPECT_TRUE(p.isRunning());
  EXPECT_GT(held, big.unknownAt[0]);
  EXPECT_LE(held, big.unknownAt[1]);
  EXPECT_EQ(r.state.getProcessMaxValue(), big.bytes.size());
  second.open();
  p.waitFor();
  EXPECT_EQ(r.state.getProcessPosition(), big.bytes.size());
  const std::vector<Line> lines = testsupport::drain(r.report);
  const std::vector<std::pair<std::int64_t, std::int64_t>> expected = {
      {big.unknownLines[0], big.unknownAt[0]},
      {big.unknownLines[1], big.unknownAt[1]},
      {big.unknownLines[2], big.unknownAt[2]}};
  EXPECT_EQ(unknownFindings(lines), expected);
  EXPECT_EQ(r.state.getTotalErrorsNum(), 3u);
  EXPECT_EQ(r.state.getStateMessage(), cp("Przetwarzanie zakończono"));
}

// A stop asked for while the check writes its first finding ends the check of
// the file after that block, megabytes before its end.
TEST(SyntaxBlocksProcess, AStopEndsTheCheckMidFile) {
  const BlockParameters parameters(8, 4096);
  const BigFile big = bigFile();
  testsupport::TempFile file(big.bytes);
  OneFileRun r(file.path());
  bzRun<bzSyntaxProcess> p(&r.files, &r.report, &r.settings, &r.state);
  testsupport::Gate gate;
  r.report.setWriteFunction([&](int fd, const void* data, std::size_t size, off_t offset) {
    if (isUnknownLine(data, size)) gate.pass();
    return ::pwrite(fd, data, size, offset);
  });
  p.start();
  gate.waitReached();
  EXPECT_TRUE(p.stop(0));
  gate.open();
  p.waitFor();
  EXPECT_EQ(gate.reached(), 1);
  const std::vector<Line> lines = testsupport::drain(r.report);
  const std::vector<std::pair<std::int64_t, std::int64_t>> expected = {
      {big.unknownLines[0], big.unknownAt[0]}};
  EXPECT_EQ(unknownFindings(lines), expected);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], freeLine("Przetwarzanie zostało przerwane przez użytkownika"));
  EXPECT_EQ(r.state.getStateMessage(), cp("Przetwarzanie zostało przerwane przez użytkownika"));
  EXPECT_EQ(r.state.getFilesProceeded(), 1u);
  // The progress stands where the check stopped.
  EXPECT_GT(r.state.getProcessPosition(), big.unknownAt[0]);
  EXPECT_LT(r.state.getProcessPosition(), big.unknownAt[1]);
  EXPECT_FALSE(p.failedCritically());
}

// The report without the times of its START and STOP lines.
std::vector<Line> reportOf(const std::string& path, unsigned threads, std::size_t blockSize) {
  const BlockParameters parameters(threads, blockSize);
  OneFileRun r(path);
  {
    bzRun<bzSyntaxProcess> p(&r.files, &r.report, &r.settings, &r.state);
    p.start();
    p.waitFor();
    EXPECT_FALSE(p.failedCritically());
  }
  std::vector<Line> lines = testsupport::drain(r.report);
  for (Line& l : lines)
    for (const char* word : {"START: ", "STOP: "})
      if (l.text.rfind(word, 0) == 0) l.text = word;
  return lines;
}

TEST(SyntaxBlocksProcess, TheReportIsTheSameOnAnyNumberOfThreads) {
  testsupport::Rng rng(404);
  testsupport::DocShape shape;
  shape.size = 400 * 1024;
  shape.letters = testsupport::Letters::Iso;
  std::string bytes = testsupport::joinLines(testsupport::validDocument(405, shape), "\r\n");
  testsupport::mutateBytes(rng, bytes, 150);
  // A line too long to keep whole, in the middle.
  const std::size_t mid = bytes.find('\n', bytes.size() / 2) + 1;
  bytes.insert(mid, testsupport::lineOfLength(70000) + "\n");
  testsupport::TempFile file(bytes);
  const std::vector<Line> reference = reportOf(file.path(), 1, 0);
  std::size_t findings = 0;
  for (const Line& l : reference) findings += l.lineNo >= 0;
  ASSERT_GT(findings, 50u);
  for (const unsigned threads : {1u, 2u, 8u})
    for (const std::size_t blockSize : {std::size_t{0}, std::size_t{1000}})
      EXPECT_EQ(reportOf(file.path(), threads, blockSize), reference)
          << threads << " threads, block size " << blockSize;
}

// The codes of the lines the reader hands out in blocks until the end or a
// failure; its last result in hr.
std::vector<std::uint8_t> readerCodes(PlikSW& reader, plat::HRESULT& hr,
                                      const std::function<void()>& afterSecond = {}) {
  std::vector<std::uint8_t> codes;
  sxLineBlock block;
  for (int n = 0;; ++n) {
    hr = reader.dajBlokLinii(&block);
    if (hr != plat::S_OK) return codes;
    codes.insert(codes.end(), block.codes.begin(), block.codes.end());
    if (n == 1 && afterSecond) afterSecond();
  }
}

// The reader hands out the header line first, then the lines of the file;
// a read that fails part way gives the lines before it, then a failing
// result.
TEST(SyntaxBlocksProcess, TheReaderHandsOutTheLinesBeforeAFailedRead) {
  const std::string content = testsupport::fileFailingMidWay();
  testsupport::TempFile file(content);
  // The line by line check of the same file.
  std::vector<std::uint8_t> want;
  {
    sxFileStream stream(file.path(), kFileBufferSize);
    sxTokenizer tok(&stream);
    sxAnalyzer an(&tok);
    counted_ptr<sxError> err;
    for (auto line = an.getFileHeader(err); line; line = an.getNewLine(err))
      want.push_back(line->code);
  }
  ASSERT_GT(want.size(), 8000u);
  for (const unsigned threads : {1u, 2u, 8u}) {
    const BlockParameters parameters(threads, 1024);
    plat::HRESULT hr = plat::S_OK;
    {
      plat::ComPtr<PlikSW> reader(new PlikSW());
      ASSERT_EQ(reader->otworz(file.path(), 0), plat::S_OK);
      sxLineBlock header;
      ASSERT_EQ(reader->dajBlokLinii(&header), plat::S_OK);
      EXPECT_EQ(header.codes, std::vector<std::uint8_t>{want[0]});
      ASSERT_EQ(reader->resetuj(), plat::S_OK);
      EXPECT_EQ(readerCodes(*reader, hr), want) << threads;
      EXPECT_EQ(hr, plat::S_FALSE);
    }
    plat::ComPtr<PlikSW> reader(new PlikSW());
    ASSERT_EQ(reader->otworz(file.path(), 0), plat::S_OK);
    const std::vector<std::uint8_t> got =
        readerCodes(*reader, hr, [&] { testsupport::breakReadsOf(file.path()); });
    EXPECT_TRUE(plat::FAILED(hr)) << threads;
    ASSERT_LT(got.size(), want.size()) << threads;
    EXPECT_GT(got.size(), 1u);
    EXPECT_EQ(got, std::vector<std::uint8_t>(want.begin(), want.begin() + got.size())) << threads;
    plat::ClearErrorInfo();
  }
}

}  // namespace
