// The saved file list "Olven.cfg": where it lives, its bytes, and what a
// damaged or outdated file gives back.

#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/guiFileListStore.h"
#include "support/FileSizeLimit.h"
#include "support/Files.h"

namespace {

using swde::guiFileListStore;
using testsupport::readFile;
using testsupport::TempFolder;
using testsupport::writeFile;

std::string int32(std::int64_t v) {
  std::string s;
  const auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) s += static_cast<char>((u >> (8 * i)) & 0xFF);
  return s;
}

std::string entry(const std::string& path) {
  return int32(static_cast<std::int64_t>(path.size())) + path;
}

// Environment variables for a scope; nullopt unsets.
class Env {
 public:
  Env(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    set(value);
  }
  ~Env() { set(saved_); }

 private:
  void set(const std::optional<std::string>& v) {
    if (v)
      ::setenv(name_, v->c_str(), 1);
    else
      ::unsetenv(name_);
  }
  const char* name_;
  std::optional<std::string> saved_;
};

TEST(FileListStore, LivesInTheUsersConfigurationFolder) {
  const struct {
    std::optional<std::string> xdg;
    std::string expected;
  } cases[] = {
      {std::string("/cfg"), "/cfg/olven/Olven.cfg"},
      {std::string("/cfg/"), "/cfg/olven/Olven.cfg"},
      {std::nullopt, "/home/ktos/.config/olven/Olven.cfg"},
      {std::string(""), "/home/ktos/.config/olven/Olven.cfg"},
      {std::string("relative"), "/home/ktos/.config/olven/Olven.cfg"},  // not to be used
  };
  Env home("HOME", std::string("/home/ktos"));
  for (const auto& c : cases) {
    Env xdg("XDG_CONFIG_HOME", c.xdg);
    EXPECT_EQ(guiFileListStore::defaultPath(), c.expected) << c.xdg.value_or("(unset)");
  }
}

TEST(FileListStore, WritesCountAndPathsAndReadsThemBack) {
  TempFolder dir;
  const std::string a = dir / "a.swd", b = dir / "\xB9 b.swd", c = dir / "c.swd";
  for (const auto& p : {a, b, c}) writeFile(p, "x");
  const guiFileListStore store(dir / "olven/Olven.cfg");  // the folder is made

  ASSERT_TRUE(store.save({}));
  EXPECT_EQ(readFile(store.path()), std::string(4, '\0'));
  EXPECT_TRUE(store.load().empty());

  ASSERT_TRUE(store.save({a, b, c}));
  EXPECT_EQ(readFile(store.path()), int32(3) + entry(a) + entry(b) + entry(c));
  EXPECT_EQ(store.load(), (std::vector<std::string>{a, b, c}));

  // A file deleted since: the others load, in their order.
  ::unlink(b.c_str());
  EXPECT_EQ(store.load(), (std::vector<std::string>{a, c}));
  // Saving left no temporary file beside it.
  std::size_t beside = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir / "olven"))
    ++beside;
  EXPECT_EQ(beside, 1u);
  TempFolder none;
  EXPECT_TRUE(guiFileListStore(none / "missing.cfg").load().empty());
}

TEST(FileListStore, DamagedFilesKeepTheEntriesBeforeTheDamage) {
  TempFolder dir;
  const std::string a = dir / "a.swd", b = dir / "b.swd";
  writeFile(a, "x");
  writeFile(b, "y");
  const std::string longPath(PATH_MAX + 1, 'p');
  const struct {
    const char* what;
    std::string bytes;
    std::vector<std::string> loaded;
  } cases[] = {
      {"empty file", "", {}},
      {"count cut short", std::string(3, '\0'), {}},
      {"count 2^31 - 1", int32(0x7FFFFFFF) + entry(a) + entry(b), {a, b}},
      {"negative count", int32(-1) + entry(a), {}},
      {"length past the end", int32(2) + entry(a) + int32(1000) + "/short", {a}},
      {"negative length", int32(2) + entry(a) + int32(-4) + entry(b), {a}},
      {"longer than a path", int32(2) + entry(a) + entry(longPath), {a}},
      {"length cut short", int32(2) + entry(a) + "\x05\x00", {a}},
      {"fewer entries than counted", int32(5) + entry(a) + entry(b), {a, b}},
      {"bytes behind the last entry", int32(1) + entry(b) + "rest", {b}},
      {"zero byte inside a path", int32(2) + entry(a + std::string(1, '\0') + "x") + entry(b), {b}},
  };
  for (const auto& c : cases) {
    writeFile(dir / "Olven.cfg", c.bytes);
    EXPECT_EQ(guiFileListStore(dir / "Olven.cfg").load(), c.loaded) << c.what;
  }
}

TEST(FileListStore, FailedWriteKeepsTheOldFile) {
  TempFolder dir;
  const std::string a = dir / "a.swd";
  writeFile(a, "x");
  const guiFileListStore store(dir / "Olven.cfg");
  ASSERT_TRUE(store.save({a}));
  const std::string old = readFile(store.path());
  {
    testsupport::FileSizeLimit limit(8);
    ASSERT_TRUE(limit);
    EXPECT_FALSE(store.save({a, a, a}));
  }
  EXPECT_EQ(readFile(store.path()), old);
  EXPECT_EQ(dir.entries(), 2u);  // no temporary file left behind

  // A folder where the file should be is never replaced.
  const guiFileListStore onFolder(dir.path());
  EXPECT_FALSE(onFolder.save({a}));
}

}  // namespace
