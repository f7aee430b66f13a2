// The merge object's text fields: in place up to 15 bytes, on the heap past
// that, and the same to every reader either way.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "merge/Mgtext.h"

using namespace swde;

namespace {

const std::vector<std::string> kTexts = {
    "",
    "O",
    std::string("a\0b", 3),  // a zero byte is a byte like any other
    std::string(15, 'x'),    // the most kept in place
    std::string(16, 'y'),    // the least kept on the heap
    "G5DZE146501_1.0001.123/4",
    std::string(300, '\x9c'),
};

TEST(MgText, KeepsEveryTextWhateverItsLength) {
  for (const std::string& s : kTexts) {
    SCOPED_TRACE(s.size());
    mgText t(s);
    EXPECT_EQ(t.view(), s);
    EXPECT_EQ(t.size(), s.size());
    EXPECT_EQ(t.empty(), s.empty());
    EXPECT_EQ(t.str(), s);

    // Every length over every other, both ways between place and heap.
    for (const std::string& other : kTexts) {
      mgText u(s);
      u = other;
      EXPECT_EQ(u.view(), other);
      mgText copy(u);
      u = s;
      EXPECT_EQ(copy.view(), other);
      EXPECT_EQ(u.view(), s);
    }

    mgText moved(std::move(t));
    EXPECT_EQ(moved.view(), s);
    EXPECT_TRUE(t.empty());  // NOLINT: a moved-from text is empty
    t = std::move(moved);
    EXPECT_EQ(t.view(), s);
    t.clear();
    EXPECT_TRUE(t.empty());
  }
}

// A text given a part of itself (a key cut behind its first dot) takes the
// part, not what its own change left there.
TEST(MgText, TakesAPartOfItself) {
  const std::pair<std::string, std::size_t> cases[] = {
      {"146501_1.0001", 9},               // in place to in place
      {"146501_1.0001.123/45", 2},        // heap to heap
      {"146501_1.0001.123/45", 9},        // heap to in place
      {std::string(15, 'z') + "abc", 0},  // heap to itself
  };
  for (const auto& [text, from] : cases) {
    SCOPED_TRACE(text);
    mgText t(text);
    t = t.view().substr(from);
    EXPECT_EQ(t.view(), text.substr(from));
    mgText& same = t;
    t = same;
    EXPECT_EQ(t.view(), text.substr(from));
  }
}

// Compared and ordered as strings of their bytes, a byte over 0x7f after
// every letter, whichever side the text lies on.
TEST(MgText, ComparesAsItsBytes) {
  const mgText shortOne("abc"), longOne(std::string(20, 'a')), high("\x9c");
  EXPECT_TRUE(shortOne == "abc");
  EXPECT_TRUE("abc" == shortOne);
  EXPECT_TRUE(shortOne == std::string("abc"));
  EXPECT_TRUE(shortOne != "abcd");
  EXPECT_TRUE(longOne == mgText(std::string(20, 'a')));
  EXPECT_TRUE(longOne < shortOne);
  EXPECT_TRUE(shortOne < high);
  EXPECT_TRUE(std::string_view("z") < high);
  EXPECT_EQ("O" + shortOne, "Oabc");
  EXPECT_EQ(shortOne + "/" + std::string(longOne.view()), "abc/" + std::string(20, 'a'));
  EXPECT_EQ(shortOne + high, "abc\x9c");
}

}  // namespace
