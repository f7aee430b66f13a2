#include <gtest/gtest.h>

#include <vector>

#include "platform/Exception.h"
#include "platform/Format.h"

using plat::Format;
using plat::TVarRec;

namespace {

struct Case {
  const char* fmt;
  std::vector<TVarRec> args;
  const char* expected;
};

TEST(Format, FormatsTypedArguments) {
  const std::vector<Case> cases = {
      {"Pole nr %d", {TVarRec(2)}, "Pole nr 2"},
      {"%d", {TVarRec(-2147483647 - 1)}, "-2147483648"},
      {"%d", {TVarRec(static_cast<long long>(-9000000000LL))}, "-9000000000"},
      {"%d", {TVarRec(4294967295u)}, "4294967295"},
      {"%u", {TVarRec(255u)}, "255"},
      {"%u", {TVarRec(-1)}, "4294967295"},
      {"%x|%X", {TVarRec(0xabcdefu), TVarRec(0xabcdefu)}, "abcdef|ABCDEF"},
      {"%.8X", {TVarRec(0x1Fu)}, "0000001F"},
      {"%08X", {TVarRec(0xCBF43926u)}, "CBF43926"},
      {"[%5d]", {TVarRec(42)}, "[   42]"},
      {"[%-5d]", {TVarRec(42)}, "[42   ]"},
      {"[%05d]", {TVarRec(-42)}, "[-0042]"},
      {"[%-05d]", {TVarRec(7)}, "[7    ]"},
      {"[%6s]", {TVarRec("ab")}, "[    ab]"},
      {"[%-6s]", {TVarRec("ab")}, "[ab    ]"},
      {"[%.2s]", {TVarRec("abcdef")}, "[ab]"},
      {"%s-%s", {TVarRec(std::string("QQ")), TVarRec('x')}, "QQ-x"},
      {"%c", {TVarRec('z')}, "z"},
      {"%.2f", {TVarRec(1.125)}, "1.12"},
      {"%f", {TVarRec(3.0)}, "3.00"},
      {"%.2lf", {TVarRec(1.13)}, "1.13"},
      {"100%% %d", {TVarRec(5)}, "100% 5"},
      {"extra %d", {TVarRec(1), TVarRec("unused")}, "extra 1"},
      {"no specifiers", {TVarRec(1)}, "no specifiers"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Format(c.fmt, c.args.data(), static_cast<int>(c.args.size()) - 1), c.expected)
        << c.fmt;
}

TEST(Format, MismatchRaisesInsteadOfOverrunning) {
  const std::vector<Case> cases = {
      {"%d %d", {TVarRec(1)}, nullptr},       // too few
      {"%d", {TVarRec("text")}, nullptr},     // text for a number
      {"%s", {TVarRec(5)}, nullptr},          // number for a text
      {"%f", {TVarRec(5)}, nullptr},          // integer for a real
      {"%x", {TVarRec(1.5)}, nullptr},        // real for an integer
      {"%q", {TVarRec(1)}, nullptr},          // unknown specifier
      {"trailing %", {TVarRec(1)}, nullptr},  // unterminated
      {"%99999d", {TVarRec(1)}, nullptr},     // absurd width
  };
  for (const Case& c : cases)
    EXPECT_THROW(Format(c.fmt, c.args.data(), static_cast<int>(c.args.size()) - 1),
                 plat::EFormatError)
        << c.fmt;
}

TEST(Format, NoArgumentListLeavesTextAsItStands) {
  EXPECT_EQ(Format("Pole nr %d 100%", nullptr, 0), "Pole nr %d 100%");
  EXPECT_EQ(Format("Pole nr %d", {}), "Pole nr %d");
  const TVarRec one[] = {TVarRec(1)};
  EXPECT_EQ(Format("%d", one, -1), "%d");
}

TEST(Format, DataIsNeverAFormat) {
  // A text argument full of specifiers is copied, not interpreted.
  EXPECT_EQ(Format("[%s]", {TVarRec("%s%d%n%x")}), "[%s%d%n%x]");
}

}  // namespace
