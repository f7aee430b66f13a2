// Sizes and positions beyond 4 GiB through the reader objects: the 32-bit
// forms give 0xFFFFFFFF, the 64-bit forms the true values. The files are
// sparse; the reader's start seam begins reading where their data lies.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ComPtr.h"
#include "reader/LargeFile.h"
#include "reader/PlikSW.h"

using namespace swde;
using plat::ComPtr;
using testsupport::kGiB;

namespace {

constexpr std::uint64_t kMax32 = 0xFFFFFFFFu;

std::uint64_t expected32(std::uint64_t v) {
  return v < kMax32 ? v : kMax32;
}

const std::string kData =
    "SWDE.W.1.13.0;\n"  // 15 bytes: the next line starts where 32 bits end
    "SO;\n"
    "RD,G5KLU,,1,,;\n"
    "X;\n"
    "RD,G5KLU,,2,,;\n"
    "X;\n"
    "SX;\n"
    "SWDEX;\n";

// Where each line of kData starts in it, the empty one after the last line
// feed included.
std::vector<std::uint64_t> lineStarts() {
  std::vector<std::uint64_t> starts{0};
  for (std::size_t p = kData.find('\n'); p != std::string::npos; p = kData.find('\n', p + 1))
    starts.push_back(p + 1);
  return starts;
}

// No seam: the size of a 5 GiB file whose lines are at its start.
TEST(LargeFile, SizeOfAFileOfFiveGiB) {
  testsupport::SparseFile f("SWDE.W.1.13.0;\nSO;\n", 5 * kGiB, "");
  if (!f.ok()) GTEST_SKIP() << "no sparse file of 5 GiB here";
  ComPtr<PlikSW> reader(new PlikSW());
  ASSERT_EQ(reader->otworz(f.path(), 0), plat::S_OK);
  std::uint32_t size32 = 0;
  std::uint64_t size64 = 0;
  ASSERT_EQ(reader->dajRozmiarPliku(&size32), plat::S_OK);
  ASSERT_EQ(reader->dajRozmiarPliku(&size64), plat::S_OK);
  EXPECT_EQ(size32, kMax32);
  EXPECT_EQ(size64, 5 * kGiB);
  // Positions below 4 GiB pass unchanged through both forms.
  std::uint32_t position32 = 0;
  std::uint64_t position64 = 0;
  ASSERT_EQ(reader->dajPozycjeWPliku(&position32), plat::S_OK);
  ASSERT_EQ(reader->dajPozycjeWPliku(&position64), plat::S_OK);
  EXPECT_EQ(position64, 15u);
  EXPECT_EQ(position32, 15u);
}

// The data starts 16 bytes below 4 GiB: its header lies below, its second
// line exactly at 0xFFFFFFFF, the rest above.
class AcrossFourGiB : public ::testing::Test {
 protected:
  static constexpr std::uint64_t kBase = 4 * kGiB - 16;

  void SetUp() override {
    if (!file_.ok()) GTEST_SKIP() << "no sparse file past 4 GiB here";
    ASSERT_EQ(reader_->otworz(file_.path(), 0), plat::S_OK);
  }

  testsupport::SparseFile file_{"", kBase, kData};
  testsupport::ReaderStartsAt seam_{kBase};
  ComPtr<PlikSW> reader_{new PlikSW()};
};

TEST_F(AcrossFourGiB, LinesGiveTheirPositionsInBothForms) {
  std::uint32_t size32 = 0;
  std::uint64_t size64 = 0;
  reader_->dajRozmiarPliku(&size32);
  reader_->dajRozmiarPliku(&size64);
  EXPECT_EQ(size64, kBase + kData.size());
  EXPECT_EQ(size32, kMax32);

  const std::vector<std::uint64_t> starts = lineStarts();
  std::size_t i = 0;
  for (;; ++i) {
    ComPtr<LiniaSW> line;
    ASSERT_EQ(reader_->dajLinie(&line), plat::S_OK);
    if (!line) break;
    ASSERT_LT(i, starts.size());
    SCOPED_TRACE("line " + std::to_string(i + 1));
    std::uint64_t p64 = 0, n64 = 0;
    std::uint32_t p32 = 0, n32 = 0;
    ASSERT_EQ(line->dajPozycjeWPliku(&p64), plat::S_OK);
    ASSERT_EQ(line->dajPozycjeWPliku(&p32), plat::S_OK);
    EXPECT_EQ(p64, kBase + starts[i]);
    EXPECT_EQ(p32, expected32(kBase + starts[i]));
    line->dajNumerLinii(&n64);
    line->dajNumerLinii(&n32);
    EXPECT_EQ(n64, i + 1);
    EXPECT_EQ(n32, i + 1);
  }
  EXPECT_EQ(i, starts.size());
  std::uint64_t end64 = 0;
  std::uint32_t end32 = 0;
  ASSERT_EQ(reader_->dajPozycjeWPliku(&end64), plat::S_OK);
  ASSERT_EQ(reader_->dajPozycjeWPliku(&end32), plat::S_OK);
  EXPECT_EQ(end64, kBase + kData.size());
  EXPECT_EQ(end32, kMax32);
}

TEST_F(AcrossFourGiB, RecordsAndTheFileGiveTheirPositionsInBothForms) {
  std::uint64_t p64 = 0;
  std::uint32_t p32 = 0;
  // After the header the file stands exactly at 0xFFFFFFFF.
  reader_->dajPozycjeWPliku(&p64);
  reader_->dajPozycjeWPliku(&p32);
  EXPECT_EQ(p64, kMax32);
  EXPECT_EQ(p32, kMax32);
  std::int32_t section = 0;
  ASSERT_EQ(reader_->ustawNaKolejnaSekcje(&section), plat::S_OK);
  std::vector<std::uint64_t> positions;
  for (;;) {
    ComPtr<RekordSW> rec;
    if (reader_->dajKolejnyRekord(&rec) != plat::S_OK) break;
    ASSERT_EQ(rec->dajPozycjeWPliku(&p64), plat::S_OK);
    ASSERT_EQ(rec->dajPozycjeWPliku(&p32), plat::S_OK);
    EXPECT_EQ(p32, kMax32);
    positions.push_back(p64);
  }
  const std::uint64_t first = kData.find("RD,"), second = kData.find("RD,", first + 1);
  EXPECT_EQ(positions, (std::vector<std::uint64_t>{kBase + first, kBase + second}));
}

}  // namespace
