#include <gtest/gtest.h>

#include "syntax/Sxsumcrc.h"

using swde::sxSumCRC;

namespace {

TEST(SumCRC, KnownRegisters) {
  struct Case {
    std::string_view text;
    std::uint32_t reg;
  };
  const Case cases[] = {
      {"", 0xFFFFFFFFu},
      {"123456789", 0x340BC6D9u},  // the standard CRC 0xCBF43926, complemented
      {"\xB1", 0x919B9368u},
  };
  for (const Case& c : cases) {
    sxSumCRC s;
    s.put(c.text);
    EXPECT_EQ(s.crc, c.reg) << c.text;
    EXPECT_EQ(~s.crc, c.text.empty() ? 0u : ~c.reg);
  }
}

TEST(SumCRC, SumsChainAcrossTextsAndAccumulators) {
  sxSumCRC whole;
  whole.put(std::string_view("abc"));
  sxSumCRC parts;
  parts.put(std::string_view("ab"));
  sxSumCRC resumed(parts.crc);
  parts.put(std::string_view("c"));
  resumed.put(std::string_view("c"));
  EXPECT_EQ(parts.crc, whole.crc);
  EXPECT_EQ(resumed.crc, whole.crc);

  // Bytes one by one, the integer form taking only the low 8 bits.
  sxSumCRC bytes;
  bytes.put('a' + 0x100);
  bytes.put('b');
  bytes.put(std::string_view(""));
  bytes.put('c');
  EXPECT_EQ(bytes.crc, whole.crc);
}

}  // namespace
