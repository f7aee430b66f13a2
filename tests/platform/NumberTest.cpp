#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "platform/Number.h"
#include "support/PolishLocale.h"

namespace {

using plat::DecimalStatus;

TEST(Decimal, LengthIsTheLongestNumberAtTheStart) {
  struct Case {
    const char* text;
    std::size_t length;
  };
  const Case cases[] = {
      {"12", 2},  {"-.5e-3;", 6}, {"+5.", 3},   {"12,5", 2}, {"1.5.5", 3}, {"1e", 1},
      {"1e+", 1}, {"1E-x", 1},    {"1e+5x", 4}, {"0x1F", 1}, {"7 8", 1},   {"", 0},
      {"+", 0},   {"-", 0},       {".", 0},     {".e5", 0},  {"e5", 0},    {" 1", 0},
      {"+-1", 0}, {"inf", 0},     {"nan", 0},   {"\xB9", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(plat::decimalLength(c.text), c.length) << c.text;
}

TEST(Decimal, ValuesOfWholeNumbers) {
  const double max = std::numeric_limits<double>::max();
  const double least = std::numeric_limits<double>::denorm_min();
  struct Case {
    std::string text;
    DecimalStatus status;
    double value;  // when read
  };
  const Case cases[] = {
      {"0", DecimalStatus::Ok, 0.0},
      {"-0", DecimalStatus::Ok, -0.0},
      {"+1.5", DecimalStatus::Ok, 1.5},
      {".5", DecimalStatus::Ok, 0.5},
      {"5.", DecimalStatus::Ok, 5.0},
      {"-.5E1", DecimalStatus::Ok, -5.0},
      {"1e-3", DecimalStatus::Ok, 0.001},
      {"1e+2", DecimalStatus::Ok, 100.0},
      {"007", DecimalStatus::Ok, 7.0},
      {"0.1", DecimalStatus::Ok, 0.1},
      {"5712345.12", DecimalStatus::Ok, 5712345.12},
      // rounded to nearest, ties to even
      {"9007199254740993", DecimalStatus::Ok, 9007199254740992.0},
      {"2.2250738585072011e-308", DecimalStatus::Ok, 2.2250738585072011e-308},
      {"0e999999", DecimalStatus::Ok, 0.0},
      // the ends of the range
      {"1.7976931348623157e308", DecimalStatus::Ok, max},
      {"0.001e311", DecimalStatus::Ok, 1e308},
      {"4.9e-324", DecimalStatus::Ok, least},
      {"1e-310", DecimalStatus::Ok, 1e-310},
      {"1.7976931348623159e308", DecimalStatus::Overflow, 0},
      {"1e309", DecimalStatus::Overflow, 0},
      {"-1000e306", DecimalStatus::Overflow, 0},
      {"1e99999999999999999999", DecimalStatus::Overflow, 0},
      {"1" + std::string(400, '0'), DecimalStatus::Overflow, 0},
      {"2.4e-324", DecimalStatus::Underflow, 0.0},
      {"-1e-400", DecimalStatus::Underflow, -0.0},
      {"100000e-330", DecimalStatus::Underflow, 0.0},
      {"0.000001e-318", DecimalStatus::Underflow, 0.0},
      {"1e-99999999999999999999", DecimalStatus::Underflow, 0.0},
      {"0." + std::string(400, '0') + "1", DecimalStatus::Underflow, 0.0},
      {"0." + std::string(400, '0') + "1e700", DecimalStatus::Ok, 1e299},
      {"0." + std::string(400, '0') + "1e800", DecimalStatus::Overflow, 0},
      // not one whole number
      {"", DecimalStatus::NotANumber, 0},
      {"+", DecimalStatus::NotANumber, 0},
      {".", DecimalStatus::NotANumber, 0},
      {"e5", DecimalStatus::NotANumber, 0},
      {"1e", DecimalStatus::NotANumber, 0},
      {"1e+", DecimalStatus::NotANumber, 0},
      {"1.5x", DecimalStatus::NotANumber, 0},
      {"1.2.3", DecimalStatus::NotANumber, 0},
      {"1e5.5", DecimalStatus::NotANumber, 0},
      {" 1", DecimalStatus::NotANumber, 0},
      {"1 ", DecimalStatus::NotANumber, 0},
      {"1,5", DecimalStatus::NotANumber, 0},
      {"+-1", DecimalStatus::NotANumber, 0},
      {"--1", DecimalStatus::NotANumber, 0},
      {"inf", DecimalStatus::NotANumber, 0},
      {"-infinity", DecimalStatus::NotANumber, 0},
      {"nan", DecimalStatus::NotANumber, 0},
      {"0x10", DecimalStatus::NotANumber, 0},
      {"0x1p3", DecimalStatus::NotANumber, 0},
      {std::string("1\0", 2), DecimalStatus::NotANumber, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    double value = 42.0;
    EXPECT_EQ(plat::parseDecimal(c.text, value), c.status);
    if (c.status == DecimalStatus::Ok || c.status == DecimalStatus::Underflow) {
      EXPECT_EQ(value, c.value);
      EXPECT_EQ(std::signbit(value), std::signbit(c.value));
    } else {
      EXPECT_EQ(value, 42.0);  // untouched
    }
  }
}

TEST(Decimal, APolishLocaleChangesNothing) {
  testsupport::PolishLocale polish;
  if (!polish) GTEST_SKIP() << "no Polish locale";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  double value = 0;
  EXPECT_EQ(plat::parseDecimal("12.5", value), DecimalStatus::Ok);
  EXPECT_EQ(value, 12.5);
  EXPECT_EQ(plat::parseDecimal("12,5", value), DecimalStatus::NotANumber);
  EXPECT_EQ(plat::decimalLength("12,5"), 2u);
  EXPECT_EQ(plat::parseDecimal("-1.25e3", value), DecimalStatus::Ok);
  EXPECT_EQ(value, -1250.0);
}

}  // namespace
