// The version line of the about panel.

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "app/VersionText.h"

namespace {

TEST(VersionText, MajorAndMinorOfTheBuild) {
  const std::string text = swde::versionText();
  EXPECT_TRUE(std::regex_match(text, std::regex("Wersja [0-9]+\\.[0-9]+"))) << text;
}

}  // namespace
