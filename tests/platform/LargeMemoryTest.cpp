#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/LargeMemory.h"

namespace {

// Blocks on either side of the size from which memory is mapped on its own,
// and one of an odd size that is no whole number of pages.
TEST(LargeMemory, BlocksOfEverySizeAreZeroedWritableAndGoBack) {
  for (const std::size_t bytes :
       {std::size_t{1}, std::size_t{4096}, plat::kLargeMemory - 1, plat::kLargeMemory,
        plat::kLargeMemory + 12345, std::size_t{3} << 20}) {
    SCOPED_TRACE(bytes);
    auto* mapped = static_cast<unsigned char*>(plat::mapMemory(bytes));
    ASSERT_NE(mapped, nullptr);
    EXPECT_TRUE(std::all_of(mapped, mapped + bytes, [](unsigned char c) { return c == 0; }));
    mapped[0] = 1;
    mapped[bytes - 1] = 2;
    plat::unmapMemory(mapped, bytes);

    auto* large = static_cast<unsigned char*>(plat::allocateLarge(bytes));
    ASSERT_NE(large, nullptr);
    std::fill(large, large + bytes, 0xA5);
    EXPECT_EQ(large[bytes - 1], 0xA5);
    plat::freeLarge(large, bytes);
  }
  plat::unmapMemory(nullptr, 10);
  plat::freeLarge(nullptr, plat::kLargeMemory);
}

// Populating keeps what the memory holds, whatever the bounds: pages cut by
// either end, a range inside one page, none at all.
TEST(LargeMemory, PopulatingKeepsTheBytes) {
  const std::size_t bytes = plat::kLargeMemory + 3 * 4096;
  auto* p = static_cast<unsigned char*>(plat::mapMemory(bytes));
  for (std::size_t i = 0; i < bytes; i += 1000) p[i] = static_cast<unsigned char>(i / 1000);
  plat::populateMemory(p + 100, bytes - 200);
  plat::populateMemory(p + 10, 20);
  plat::populateMemory(p, 0);
  plat::populateMemory(nullptr, 4096);
  for (std::size_t i = 0; i < bytes; ++i)
    ASSERT_EQ(p[i], i % 1000 == 0 ? static_cast<unsigned char>(i / 1000) : 0) << i;
  plat::unmapMemory(p, bytes);
}

TEST(LargeMemory, VectorKeepsItsValuesWhileGrowingPastTheMappedSize) {
  plat::LargeVector<std::uint64_t> v;
  const std::size_t n = 3 * plat::kLargeMemory / sizeof(std::uint64_t);
  for (std::size_t i = 0; i < n; ++i) v.push_back(i * 7);
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += v[i] == i * 7 ? 1 : 0;
  EXPECT_EQ(sum, n);
  v.resize(10);
  v.shrink_to_fit();
  EXPECT_EQ(v.back(), 63u);
  plat::LargeVector<std::uint64_t>().swap(v);
  EXPECT_TRUE(v.empty());
}

// A table sized without values: what it is given, by value, in growth or
// in place, it keeps; elements of a class are made as that class makes them.
TEST(LargeMemory, TableKeepsWhatItIsGivenAndMakesClassesWhole) {
  plat::LargeTable<std::uint64_t> t(2 * plat::kLargeMemory / sizeof(std::uint64_t));
  for (std::size_t i = 0; i < t.size(); ++i) t[i] = i * 3;
  t.resize(t.size() + 5, 9);
  t.push_back(11);
  t.emplace_back(12);
  const std::size_t n = t.size();
  std::size_t right = 0;
  for (std::size_t i = 0; i + 7 < n; ++i) right += t[i] == i * 3 ? 1 : 0;
  EXPECT_EQ(right, n - 7);
  EXPECT_EQ(t[n - 3], 9u);
  EXPECT_EQ(t[n - 2], 11u);
  EXPECT_EQ(t[n - 1], 12u);

  struct Made {
    std::uint64_t value = 42;
    std::string text = "tekst";
  };
  plat::LargeTable<Made> made(1000);
  made.resize(plat::kLargeMemory / sizeof(Made) + 1);
  std::size_t whole = 0;
  for (const Made& m : made) whole += m.value == 42 && m.text == "tekst" ? 1 : 0;
  EXPECT_EQ(whole, made.size());
}

}  // namespace
