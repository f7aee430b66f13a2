#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Registry.h"
#include "support/FileSizeLimit.h"
#include "support/Files.h"

namespace {

using testsupport::readFile;
using testsupport::writeFile;

using plat::cp;
using plat::ERegistryException;
using plat::TRegistry;

// Sets an environment variable (or unsets it, for nullopt) for the scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Every test has a registry folder of its own, not yet made: <temp>/registry.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* dir = std::getenv("TMPDIR");
    std::string tmpl = std::string(dir && *dir ? dir : "/tmp") + "/olvregXXXXXX";
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    temp_ = tmpl;
    folder_ = temp_ + "/registry";
    env_.emplace("OLVEN_REGISTRY", folder_);
  }
  void TearDown() override {
    env_.reset();
    std::filesystem::remove_all(temp_);
  }

  std::string hive(const char* root = "HKEY_CURRENT_USER") const {
    return folder_ + "/" + root + ".reg";
  }
  std::set<std::string> folderEntries() const {
    std::set<std::string> names;
    if (std::filesystem::exists(folder_))
      for (const auto& e : std::filesystem::directory_iterator(folder_))
        names.insert(e.path().filename().string());
    return names;
  }
  // A script file in the temporary folder (not in the registry folder).
  std::string script(const std::string& text, const char* name = "script.reg") const {
    const std::string path = temp_ + "/" + name;
    writeFile(path, text);
    return path;
  }

  std::string temp_;
  std::string folder_;
  std::optional<ScopedEnv> env_;
};

std::string allBytes() {
  std::string s;
  for (int b = 0; b < 256; ++b) s.push_back(static_cast<char>(b));
  return s;
}

// ---------------------------------------------------------------------------
// Values through the file

TEST_F(RegistryTest, ValuesComeBackByteIdenticalFromTheFile) {
  const std::string rtf = cp("{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0 Arial;}}\r\n") +
                          cp("\\f0 Działka \"nr 12/3\" \\'b9\\par\r\n}");
  struct Text {
    const char* name;
    std::string value;
  };
  const Text texts[] = {
      {"All", allBytes()},
      {"Rtf", rtf},
      {"Empty", ""},
      {"Polish", cp("zażółć gęślą jaźń ZAŻÓŁĆ")},
      {"Path", "C:\\OLVEN\\"},
      {"Quote", "\""},
      {"Backslash", "\\"},
      {"EscapeLook", "\\\"\\\\\\n"},
      {"Spaces", "  x  "},
      {"Tab", "a\tb"},
      {"TrailingNul", std::string("abc\0", 4)},
      {"OnlyNul", std::string(1, '\0')},
      {"LoneCr", "a\rb"},
      {"Semicolon", "; not a comment"},
      {"Bracket", "[HKEY_LOCAL_MACHINE\\x]"},
  };
  struct Number {
    const char* name;
    int value;
  };
  const Number numbers[] = {
      {"Zero", 0}, {"One", 1}, {"MinusOne", -1}, {"Answer", 42}, {"Min", INT_MIN}, {"Max", INT_MAX},
  };
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\OLVEN\\Values", true));
    for (const Text& t : texts) reg.WriteString(t.name, t.value);
    for (const Number& n : numbers) reg.WriteInteger(n.name, n.value);
    reg.WriteBool("Yes", true);
    reg.WriteBool("No", false);
    reg.WriteString("", "default");
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\OLVEN\\Values"));
  for (const Text& t : texts) EXPECT_EQ(reg.ReadString(t.name), t.value) << t.name;
  for (const Number& n : numbers) EXPECT_EQ(reg.ReadInteger(n.name), n.value) << n.name;
  EXPECT_TRUE(reg.ReadBool("Yes"));
  EXPECT_FALSE(reg.ReadBool("No"));
  EXPECT_TRUE(reg.ReadBool("MinusOne"));
  EXPECT_EQ(reg.ReadString(""), "default");

  // A value written over with another type takes the new type.
  ASSERT_TRUE(reg.OpenKey("\\Software\\OLVEN\\Values", false));
  reg.WriteInteger("Rtf", 7);
  reg.WriteString("Answer", "42");
  EXPECT_EQ(reg.ReadInteger("Rtf"), 7);
  EXPECT_EQ(reg.ReadString("Answer"), "42");
}

TEST_F(RegistryTest, HiveFileIsRegedit4) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\OLVEN", true));
  reg.WriteString("Name", "a\\b\"c");
  reg.WriteString("", cp("Domyślny"));
  reg.WriteInteger("Count", 42);
  reg.WriteInteger("Negative", -2);
  reg.WriteString("Lines", "x\r\ny");
  ASSERT_TRUE(reg.OpenKey("Empty", true));

  EXPECT_EQ(readFile(hive()),
            "REGEDIT4\n"
            "\n"
            "[HKEY_CURRENT_USER\\Software]\n"
            "\n"
            "[HKEY_CURRENT_USER\\Software\\OLVEN]\n"
            "@=\"" +
                cp("Domyślny") +
                "\"\n"
                "\"Count\"=dword:0000002a\n"
                "\"Lines\"=hex(1):78,0d,0a,79,00\n"
                "\"Name\"=\"a\\\\b\\\"c\"\n"
                "\"Negative\"=dword:fffffffe\n"
                "\n"
                "[HKEY_CURRENT_USER\\Software\\OLVEN\\Empty]\n"
                "\n");

  // Long byte lists are continued over lines of at most 80 characters.
  reg.WriteString("All", allBytes() + allBytes());
  std::istringstream lines(readFile(hive()));
  int continued = 0;
  for (std::string line; std::getline(lines, line);) {
    EXPECT_LE(line.size(), 80u) << line;
    if (!line.empty() && line.back() == '\\') ++continued;
  }
  EXPECT_GE(continued, 19);  // 513 bytes, 25 on a line
  EXPECT_EQ(reg.ReadString("All"), allBytes() + allBytes());
}

TEST_F(RegistryTest, ReadsOfMissingOrMistypedValuesRaise) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\OLVEN", true));
  reg.WriteString("Text", "12");
  reg.WriteInteger("Number", 12);
  struct Case {
    const char* name;
    void (*read)(TRegistry&, const char*);
  };
  const Case cases[] = {
      {"Number", [](TRegistry& r, const char* n) { r.ReadString(n); }},
      {"Text", [](TRegistry& r, const char* n) { r.ReadInteger(n); }},
      {"Text", [](TRegistry& r, const char* n) { r.ReadBool(n); }},
      {"Missing", [](TRegistry& r, const char* n) { r.ReadString(n); }},
      {"Missing", [](TRegistry& r, const char* n) { r.ReadInteger(n); }},
      {"", [](TRegistry& r, const char* n) { r.ReadString(n); }},
  };
  for (const Case& c : cases) {
    try {
      c.read(reg, c.name);
      ADD_FAILURE() << "read " << c.name;
    } catch (const ERegistryException& e) {
      EXPECT_TRUE(contains(e.Message(), cp("„") + c.name + cp("”"))) << e.Message();
    }
  }

  // With no key open nothing can be read or written.
  reg.CloseKey();
  EXPECT_FALSE(reg.ValueExists("Text"));
  EXPECT_TRUE(reg.GetValueNames().empty());
  EXPECT_THROW(reg.ReadString("Text"), ERegistryException);
  EXPECT_THROW(reg.WriteString("Text", "x"), ERegistryException);
}

TEST_F(RegistryTest, NamesWithControlBytesAreRefused) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software", true));
  const std::string before = readFile(hive());
  EXPECT_THROW(reg.WriteString("a\nb", "x"), ERegistryException);
  EXPECT_THROW(reg.WriteInteger(std::string("a\0b", 3), 1), ERegistryException);
  EXPECT_THROW(reg.OpenKey("Bad\r\nKey", true), ERegistryException);
  EXPECT_EQ(readFile(hive()), before);
  EXPECT_EQ(reg.CurrentPath(), "Software");
}

// ---------------------------------------------------------------------------
// Keys

TEST_F(RegistryTest, NamesIgnoreAsciiCaseAndKeepTheFirstSpelling) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\OLVEN", true));
  reg.WriteString("ProjectPath", "a");

  TRegistry other;
  ASSERT_TRUE(other.OpenKey("SOFTWARE\\olven", false));
  EXPECT_EQ(other.CurrentPath(), "Software\\OLVEN");
  EXPECT_TRUE(other.ValueExists("PROJECTPATH"));
  EXPECT_EQ(other.ReadString("projectpath"), "a");
  other.WriteString("PROJECTPATH", "b");
  ASSERT_TRUE(other.OpenKey("\\software\\OLVEN\\Sub", true));
  EXPECT_EQ(other.CurrentPath(), "Software\\OLVEN\\Sub");

  EXPECT_EQ(reg.ReadString("ProjectPath"), "b");
  EXPECT_EQ(reg.GetValueNames(), std::vector<std::string>{"ProjectPath"});
  EXPECT_EQ(reg.GetKeyNames(), std::vector<std::string>{"Sub"});

  // Only ASCII letters fold: Ą and ą (0xA5, 0xB9) are two keys.
  ASSERT_TRUE(reg.OpenKey(cp("\\Ą"), true));
  EXPECT_FALSE(reg.KeyExists(cp("\\ą")));
  EXPECT_TRUE(reg.DeleteKey("\\SOFTWARE\\OLVEN"));
  EXPECT_FALSE(reg.KeyExists("\\Software\\OLVEN"));
}

TEST_F(RegistryTest, RelativeAndAbsoluteKeyPaths) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\OLVEN", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\OLVEN");
  ASSERT_TRUE(reg.OpenKey("Check\\Rules", true));  // from the open key
  EXPECT_EQ(reg.CurrentPath(), "Software\\OLVEN\\Check\\Rules");
  EXPECT_TRUE(reg.KeyExists("\\Software\\OLVEN\\Check"));
  EXPECT_FALSE(reg.KeyExists("Check"));                        // Rules has no Check under it
  ASSERT_TRUE(reg.OpenKey("\\\\Software\\\\OLVEN\\", false));  // empty components
  EXPECT_EQ(reg.CurrentPath(), "Software\\OLVEN");
  EXPECT_TRUE(reg.KeyExists("Check\\Rules"));

  // A failed open leaves the open key open.
  EXPECT_FALSE(reg.OpenKey("Missing", false));
  EXPECT_EQ(reg.CurrentPath(), "Software\\OLVEN");

  // With no key open a relative path is from the root.
  reg.CloseKey();
  EXPECT_EQ(reg.CurrentPath(), "");
  EXPECT_TRUE(reg.KeyExists("Software\\OLVEN\\Check"));
  EXPECT_TRUE(reg.GetKeyNames().empty());

  // The roots are separate hives; a relative path after a change of root is
  // from the new root.
  ASSERT_TRUE(reg.OpenKey("Software\\OLVEN", false));
  reg.RootKey = plat::HKEY_LOCAL_MACHINE;
  EXPECT_FALSE(reg.KeyExists("Check"));
  EXPECT_FALSE(reg.KeyExists("Software"));
  ASSERT_TRUE(reg.OpenKey("Software\\OLVEN", true));
  reg.WriteString("Machine", "1");
  EXPECT_TRUE(std::filesystem::exists(hive("HKEY_LOCAL_MACHINE")));
  reg.RootKey = plat::HKEY_CURRENT_USER;
  ASSERT_TRUE(reg.OpenKey("\\Software\\OLVEN", false));
  EXPECT_FALSE(reg.ValueExists("Machine"));
  EXPECT_EQ(TRegistry().RootKey, plat::HKEY_CURRENT_USER);
}

TEST_F(RegistryTest, ReadingCreatesNothingAndReadOnlyKeysRefuseWrites) {
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKeyReadOnly("Software\\OLVEN"));
  EXPECT_FALSE(reg.OpenKey("Software\\OLVEN", false));
  EXPECT_FALSE(reg.KeyExists("Software"));
  EXPECT_FALSE(reg.DeleteKey("Software"));
  EXPECT_FALSE(std::filesystem::exists(folder_));

  ASSERT_TRUE(reg.OpenKey("Software\\OLVEN", true));
  reg.WriteString("Name", "x");
  const std::set<std::string> entries = folderEntries();
  EXPECT_EQ(entries, (std::set<std::string>{".lock", "HKEY_CURRENT_USER.reg"}));
  const std::string before = readFile(hive());

  EXPECT_FALSE(reg.OpenKeyReadOnly("\\Software\\OLVEN\\Missing"));
  EXPECT_TRUE(reg.OpenKey("\\Software\\OLVEN", true));  // exists: nothing to write
  EXPECT_FALSE(reg.DeleteValue("Missing"));
  reg.RootKey = plat::HKEY_CLASSES_ROOT;
  EXPECT_FALSE(reg.OpenKeyReadOnly(".swd"));
  reg.RootKey = plat::HKEY_CURRENT_USER;

  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\OLVEN"));
  EXPECT_EQ(reg.ReadString("Name"), "x");
  EXPECT_THROW(reg.WriteString("Name", "y"), ERegistryException);
  EXPECT_THROW(reg.WriteInteger("Count", 1), ERegistryException);
  EXPECT_THROW(reg.WriteBool("Flag", true), ERegistryException);
  EXPECT_THROW(reg.DeleteValue("Name"), ERegistryException);
  EXPECT_THROW(reg.DeleteKey("Sub"), ERegistryException);
  EXPECT_EQ(folderEntries(), entries);
  EXPECT_EQ(readFile(hive()), before);

  // Opening it again for writing lifts the restriction.
  ASSERT_TRUE(reg.OpenKey("\\Software\\OLVEN", false));
  reg.WriteString("Name", "y");
  EXPECT_EQ(reg.ReadString("Name"), "y");
}

TEST_F(RegistryTest, DeleteKeyRemovesSubkeysAndListsFollow) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\A\\B\\C\\D", true));
  reg.WriteString("v", "1");
  ASSERT_TRUE(reg.OpenKey("\\A\\b2", true));
  ASSERT_TRUE(reg.OpenKey("\\A\\a1", true));
  ASSERT_TRUE(reg.OpenKey("\\A", false));
  reg.WriteString("zeta", "");
  reg.WriteInteger("Alpha", 1);
  reg.WriteString("", "default");
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"a1", "B", "b2"}));
  EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string>{"", "Alpha", "zeta"}));

  EXPECT_TRUE(reg.DeleteKey("b"));  // relative to \A
  EXPECT_FALSE(reg.DeleteKey("B"));
  EXPECT_FALSE(reg.DeleteKey("\\"));  // the root is not deleted

  TRegistry fresh;
  EXPECT_TRUE(fresh.KeyExists("A"));
  EXPECT_FALSE(fresh.KeyExists("A\\B"));
  EXPECT_FALSE(fresh.KeyExists("A\\B\\C\\D"));
  ASSERT_TRUE(fresh.OpenKeyReadOnly("A"));
  EXPECT_EQ(fresh.GetKeyNames(), (std::vector<std::string>{"a1", "b2"}));
  EXPECT_TRUE(reg.DeleteValue("ALPHA"));
  EXPECT_EQ(fresh.GetValueNames(), (std::vector<std::string>{"", "zeta"}));

  // A key deleted under an open one: its reads raise, its writes too.
  ASSERT_TRUE(fresh.OpenKey("a1", false));
  EXPECT_TRUE(reg.DeleteKey("\\A"));
  EXPECT_FALSE(fresh.ValueExists("x"));
  EXPECT_THROW(fresh.WriteString("x", "1"), ERegistryException);
  EXPECT_FALSE(fresh.KeyExists("\\A"));
}

TEST_F(RegistryTest, DefaultFolderIsUnderTheUserConfiguration) {
  struct Case {
    std::optional<std::string> xdg;
    std::string expected;  // under temp_
  };
  const Case cases[] = {
      {temp_ + "/xdg", "/xdg/olven/registry"},
      {std::nullopt, "/home/.config/olven/registry"},
      {std::string("relative"), "/home/.config/olven/registry"},  // not absolute: ignored
  };
  for (const Case& c : cases) {
    ScopedEnv noFolder("OLVEN_REGISTRY", std::nullopt);
    ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
    ScopedEnv home("HOME", temp_ + "/home");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software", true));
    EXPECT_TRUE(std::filesystem::exists(temp_ + c.expected + "/HKEY_CURRENT_USER.reg"))
        << c.expected;
    std::filesystem::remove_all(temp_ + "/xdg");
    std::filesystem::remove_all(temp_ + "/home");
  }
}

// ---------------------------------------------------------------------------
// Scripts

std::string crlf(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

TEST_F(RegistryTest, ImportAppliesAScript) {
  {
    TRegistry reg;
    reg.RootKey = plat::HKEY_LOCAL_MACHINE;
    ASSERT_TRUE(reg.OpenKey("Software\\OLVEN\\Check", true));
    reg.WriteString("Stale", "s");
    reg.WriteString("Keep", "k");
    ASSERT_TRUE(reg.OpenKey("\\Software\\OLVEN\\Legacy\\Deep", true));
    reg.WriteString("x", "1");
  }
  const std::string path = script(crlf({
      "REGEDIT4",
      "; settings of the checker",
      "",
      "[HKEY_LOCAL_MACHINE\\Software\\OLVEN\\Check]",
      "@=\"" + cp("Domyślny \\\"profil\\\"") + "\"",
      "\"Path\"=\"C:\\\\Program Files\\\\OLVEN\\\\\"",
      "\"Loose\"=\"C:\\Temp\\new\"",
      "  \"Count\" = dword:0000002A  ",
      "\"Flag\"=DWORD:1",
      "\"Rtf\"=hex(1):7b,5c,72,74,66,31,0d,0a,\\",
      "  5c,70,61,72,  \\",
      "  7d,00",
      "\"Expand\"=hex(2):25,50,41,54,48,25,00",
      "\"Raw\"=hex:01,02,ff",
      "\"NoNul\"=hex(1):41,42",
      "\"Stale\"=-",
      "\"Gone\"=\"x\"",
      "\"Gone\"=-",
      "[hkcu\\Software\\OLVEN]",
      "\"User\"=\"ja\"",
      "[HKLM\\Software\\OLVEN\\Old]",
      "\"A\"=\"1\"",
      "[HKLM\\Software\\OLVEN\\Old\\Sub]",
      "[-HKEY_LOCAL_MACHINE\\Software\\OLVEN\\Old]",
      "\"Ignored\"=\"x\"",
      "[-HKLM\\Software\\OLVEN\\Legacy]",
      "[-HKLM\\Software\\OLVEN\\NeverThere]",
      "[HKCR\\.swd]",
      "@=\"OLVEN.Plik\"",
  }));
  std::string error = "untouched";
  ASSERT_TRUE(plat::ImportRegistryScript(path, &error)) << error;

  TRegistry reg;
  reg.RootKey = plat::HKEY_LOCAL_MACHINE;
  ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\OLVEN\\Check"));
  EXPECT_EQ(reg.ReadString(""), cp("Domyślny \"profil\""));
  EXPECT_EQ(reg.ReadString("Path"), "C:\\Program Files\\OLVEN\\");
  EXPECT_EQ(reg.ReadString("Loose"), "C:\\Temp\\new");  // other backslashes are kept
  EXPECT_EQ(reg.ReadInteger("Count"), 42);
  EXPECT_TRUE(reg.ReadBool("Flag"));
  EXPECT_EQ(reg.ReadString("Rtf"), "{\\rtf1\r\n\\par}");
  EXPECT_EQ(reg.ReadString("Expand"), "%PATH%");
  EXPECT_EQ(reg.ReadString("NoNul"), "AB");
  EXPECT_TRUE(reg.ValueExists("Raw"));
  EXPECT_THROW(reg.ReadString("Raw"), ERegistryException);  // binary, not text
  EXPECT_EQ(reg.ReadString("Keep"), "k");
  EXPECT_FALSE(reg.ValueExists("Stale"));
  EXPECT_FALSE(reg.ValueExists("Gone"));
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\OLVEN"));
  EXPECT_EQ(reg.GetKeyNames(), std::vector<std::string>{"Check"});

  reg.RootKey = plat::HKEY_CURRENT_USER;
  ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\OLVEN"));
  EXPECT_EQ(reg.ReadString("User"), "ja");
  reg.RootKey = plat::HKEY_CLASSES_ROOT;
  ASSERT_TRUE(reg.OpenKeyReadOnly(".swd"));
  EXPECT_EQ(reg.ReadString(""), "OLVEN.Plik");

  // The binary value is kept as it was when the hive is written again.
  reg.RootKey = plat::HKEY_LOCAL_MACHINE;
  ASSERT_TRUE(reg.OpenKey("\\Software\\OLVEN\\Check", false));
  reg.WriteString("Later", "1");
  EXPECT_TRUE(contains(readFile(hive("HKEY_LOCAL_MACHINE")), "\"Raw\"=hex:01,02,ff\n"));
  EXPECT_EQ(reg.ReadString("Expand"), "%PATH%");
}

TEST_F(RegistryTest, ImportReadsVersion5Scripts) {
  // hex(2) of a Version 5.00 script is UTF-16LE: "%A" U+0105 and its end.
  const std::string path = script(
      "Windows Registry Editor Version 5.00\n"
      "\n"
      "[HKEY_CURRENT_USER\\Software\\OLVEN]\n"
      "\"E\"=hex(2):25,00,41,00,05,01,00,00\n"
      "\"S\"=\"" +
      cp("ą") + "\"\n");
  std::string error;
  ASSERT_TRUE(plat::ImportRegistryScript(path, &error)) << error;
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\OLVEN"));
  EXPECT_EQ(reg.ReadString("E"), "%A" + cp("ą"));
  EXPECT_EQ(reg.ReadString("S"), cp("ą"));
}

TEST_F(RegistryTest, ImportErrorsNameTheLineAndChangeNothing) {
  struct Case {
    std::string text;
    int line;
    const char* what;
  };
  const std::string start = "REGEDIT4\n[HKCU\\Touched]\n\"v\"=\"1\"\n";  // lines 1-3
  const Case cases[] = {
      {"REGEDIT5\n[HKCU\\Touched]\n", 1, "REGEDIT4"},
      {"", 1, "REGEDIT4"},
      {start + "\n[HKEY_USERS\\x]\n", 5, "HKEY_USERS"},
      {start + "[HKCU\\x\n", 4, "nie kończy"},
      {start + "\"a\"=\"open\n", 4, "cudzysłowu"},
      {start + "\"a\"=\"b\" c\n", 4, "nadmiarowe"},
      {start + "\"a\" \"b\"\n", 4, "„=”"},
      {start + "\"a\"=dword:xyz\n", 4, "xyz"},
      {start + "\"a\"=dword:123456789\n", 4, "123456789"},
      {start + "\"a\"=dword:-1\n", 4, "dword"},
      {start + "\"a\"=hex:41,4g\r\n", 4, "4g"},
      {start + "\"a\"=hex:41,,42\n", 4, "hex"},
      {start + "\"a\"=hex(7):00\n", 4, "hex(7)"},
      {start + "\"a\"=hex:41,\\\n", 4, "urwana"},
      {start + "\"a\"=hex:41,\\\n  42,\\\n  4z\n", 6, "4z"},  // on a continuation line
      {start + "\"a\"=sz:x\n", 4, "typ"},
      {start + "junk\n", 4, "ani sekcją"},
      {start + "[-HKCU]\n", 4, "głównego"},
      {"REGEDIT4\n\"a\"=\"b\"\n[HKCU\\Touched]\n", 2, "przed pierwszą"},
  };
  for (const Case& c : cases) {
    const std::string path = script(c.text);
    std::string error;
    EXPECT_FALSE(plat::ImportRegistryScript(path, &error)) << c.text;
    EXPECT_TRUE(contains(error, path + cp(", wiersz ") + std::to_string(c.line) + ":"))
        << c.text << "\n"
        << error;
    EXPECT_TRUE(contains(error, cp(c.what))) << error;
    EXPECT_FALSE(std::filesystem::exists(folder_)) << c.text;
    EXPECT_FALSE(plat::ImportRegistryScript(path, nullptr));
  }

  std::string error;
  const std::string missing = temp_ + "/missing.reg";
  EXPECT_FALSE(plat::ImportRegistryScript(missing, &error));
  EXPECT_TRUE(contains(error, missing)) << error;
}

// ---------------------------------------------------------------------------
// Damaged hives

TEST_F(RegistryTest, DamagedHiveIsAnErrorAndLeftAsItIs) {
  struct Case {
    std::string text;
    int line;
  };
  const Case cases[] = {
      {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\"a\"=\"x\"\nrubbish\n", 5},
      {"", 1},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n", 2},  // another root's key
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\Software]\r\n\"a\"=dword:zz\r\n", 3},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\Software]\n\"a\"=hex(1):41,\\\n", 3},
  };
  for (const Case& c : cases) {
    std::filesystem::create_directories(folder_);
    writeFile(hive(), c.text);
    const std::string where = hive() + cp(", wiersz ") + std::to_string(c.line) + ":";

    TRegistry reg;
    try {
      reg.OpenKey("Software", true);
      ADD_FAILURE() << "opened " << c.text;
    } catch (const ERegistryException& e) {
      EXPECT_TRUE(contains(e.Message(), where)) << e.Message();
    }
    EXPECT_THROW(reg.KeyExists("Software"), ERegistryException);
    EXPECT_THROW(reg.OpenKeyReadOnly("Software"), ERegistryException);

    std::string error;
    EXPECT_FALSE(
        plat::ImportRegistryScript(script("REGEDIT4\n[HKCU\\Software]\n\"b\"=\"y\"\n"), &error));
    EXPECT_TRUE(contains(error, where)) << error;

    // Other hives are not affected.
    reg.RootKey = plat::HKEY_LOCAL_MACHINE;
    EXPECT_TRUE(reg.OpenKey("Software", true));

    EXPECT_EQ(readFile(hive()), c.text);
    EXPECT_EQ(folderEntries(),
              (std::set<std::string>{".lock", "HKEY_CURRENT_USER.reg", "HKEY_LOCAL_MACHINE.reg"}));
    std::filesystem::remove_all(folder_);
  }
}

// ---------------------------------------------------------------------------
// Hives that are not plain files

constexpr off_t kHiveLimit = 64 << 20;

// When path is a FIFO, opens it for writing over and over until the end of
// the scope, so that a reader that opened it blocking gets through (and
// reads nothing) instead of hanging the test.
class FifoPartner {
 public:
  explicit FifoPartner(std::string path) : path_(std::move(path)) {
    struct stat st;
    if (::lstat(path_.c_str(), &st) != 0 || !S_ISFIFO(st.st_mode)) return;
    thread_ = std::thread([this] {
      while (!stop_) {
        const int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd >= 0) {
          ::close(fd);
        } else if (errno != EINTR) {
          break;
        }
      }
    });
  }
  ~FifoPartner() {
    if (!thread_.joinable()) return;
    stop_ = true;
    // A reader held open lets an open for writing through.
    const int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    thread_.join();
    if (fd >= 0) ::close(fd);
  }
  FifoPartner(const FifoPartner&) = delete;
  FifoPartner& operator=(const FifoPartner&) = delete;

 private:
  std::string path_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// What stands at a path, links not followed: kind, size and identity.
std::string describe(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return "<none>";
  return std::to_string(st.st_mode) + "/" + std::to_string(st.st_size) + "/" +
         std::to_string(st.st_ino);
}

void makeSparse(const std::string& path, off_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(::ftruncate(fd, size), 0);
  ::close(fd);
}

// Readers and writers refuse a hive or a lock that is no plain file, or a
// hive too large to be ours, without blocking, without reading it into
// memory, and without replacing it.
TEST_F(RegistryTest, HivesAndLocksThatAreNotPlainFilesAreRefused) {
  const std::string refused = cp("Plik rejestru jest uszkodzony lub zbyt duży: ");
  struct Case {
    const char* what;
    const char* entry;  // in the registry folder
    void (*make)(const std::string& path);
    std::string message;  // whole, after the path; or the start of it, when it ends with ':'
  };
  const Case cases[] = {
      {"FIFO", "HKEY_CURRENT_USER.reg",
       [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, ""},
      {"link to /dev/zero", "HKEY_CURRENT_USER.reg",
       [](const std::string& p) { ASSERT_EQ(::symlink("/dev/zero", p.c_str()), 0); }, ""},
      {"folder", "HKEY_CURRENT_USER.reg",
       [](const std::string& p) { ASSERT_EQ(::mkdir(p.c_str(), 0700), 0); }, ""},
      {"64 MiB and 1 byte", "HKEY_CURRENT_USER.reg",
       [](const std::string& p) { makeSparse(p, kHiveLimit + 1); }, ""},
      // As large as allowed: read, and refused for what it holds.
      {"64 MiB", "HKEY_CURRENT_USER.reg", [](const std::string& p) { makeSparse(p, kHiveLimit); },
       cp(", wiersz 1:")},
      {"FIFO as the lock", ".lock",
       [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
       cp(" (to nie jest zwykły plik)")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::create_directories(folder_);
    const std::string path = folder_ + "/" + c.entry;
    c.make(path);
    const std::string before = describe(path);
    std::string expected;
    if (c.message.empty()) {
      expected = refused + path;
    } else if (c.entry == std::string(".lock")) {
      expected = cp("Nie można otworzyć blokady rejestru: ") + path + c.message;
    } else {
      expected = cp("Uszkodzony plik rejestru: ") + path + c.message;
    }
    auto check = [&](const std::string& message) {
      if (c.message.empty() || c.message.back() != ':') {
        EXPECT_EQ(message, expected);
      } else {
        EXPECT_EQ(message.substr(0, expected.size()), expected);
      }
    };
    {
      FifoPartner partner(path);
      TRegistry reg;
      try {
        reg.KeyExists("Software");
        ADD_FAILURE() << "read";
      } catch (const ERegistryException& e) {
        check(e.Message());
      }
      EXPECT_THROW(reg.OpenKeyReadOnly("Software"), ERegistryException);
      try {
        reg.OpenKey("Software", true);
        ADD_FAILURE() << "written";
      } catch (const ERegistryException& e) {
        check(e.Message());
      }
      std::string error;
      EXPECT_FALSE(
          plat::ImportRegistryScript(script("REGEDIT4\n[HKCU\\Software]\n\"b\"=\"y\"\n"), &error));
      check(error);
    }
    EXPECT_EQ(describe(path), before);
    std::set<std::string> expectedEntries = {".lock", c.entry};
    EXPECT_EQ(folderEntries(), expectedEntries);
    std::filesystem::remove_all(folder_);
  }
}

// A change that would make the hive larger than any reader takes is
// refused; the hive stays as it was.
TEST_F(RegistryTest, HiveIsNeverWrittenPastTheLimit) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software", true));
  reg.WriteString("Small", "x");
  const std::string before = readFile(hive());
  try {
    reg.WriteString("Big", std::string(kHiveLimit, 'a'));
    ADD_FAILURE() << "written";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), cp("Plik rejestru jest uszkodzony lub zbyt duży: ") + hive());
  }
  const std::string after = readFile(hive());
  EXPECT_TRUE(after == before) << after.size() << " bytes";  // not the bytes themselves
  EXPECT_EQ(folderEntries(), (std::set<std::string>{".lock", "HKEY_CURRENT_USER.reg"}));
  EXPECT_EQ(reg.ReadString("Small"), "x");
}

// ---------------------------------------------------------------------------
// Batches and snapshots

TEST_F(RegistryTest, BatchAppliesItsChangesInOrderInOneWrite) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\A", true));
    reg.WriteString("x", "1");
    reg.WriteString("Keep", "k");
    ASSERT_TRUE(reg.OpenKey("\\Software\\Old\\Deep", true));
  }
  const std::string before = readFile(hive());

  plat::TRegistryBatch batch(plat::HKEY_CURRENT_USER);
  batch.WriteString("Software\\New\\Key", "v", "1");
  batch.WriteInteger("\\Software\\New", "n", -5);
  batch.WriteString("Software\\NEW", "", "default");
  batch.DeleteKey("Software\\Old");
  batch.DeleteValue("Software\\a", "X");
  batch.WriteString("Software\\Gone", "", "t");
  batch.DeleteKey("Software\\Gone");
  batch.DeleteKey("Software\\Gone\\Never");
  batch.DeleteKey("Software\\Later");
  batch.WriteString("Software\\Later", "y", "2");
  batch.WriteString("Software\\A", "Lines", "a\r\nb");
  // Names a hive cannot hold are refused when they are given.
  EXPECT_THROW(batch.WriteString("Software\\Bad\nKey", "v", "1"), ERegistryException);
  EXPECT_THROW(batch.WriteString("Software", std::string("a\0b", 3), "1"), ERegistryException);
  EXPECT_EQ(readFile(hive()), before);  // nothing before the commit

  // One write: the hive is replaced once, so that other processes see it
  // before the batch or after it.
  const int events = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(events, 0);
  ASSERT_GE(::inotify_add_watch(events, folder_.c_str(), IN_MOVED_TO), 0);
  EXPECT_TRUE(batch.Commit());
  int replaced = 0;
  alignas(inotify_event) char buf[4096];
  for (ssize_t n; (n = ::read(events, buf, sizeof buf)) > 0;)
    for (ssize_t at = 0; at < n; ++replaced)
      at += static_cast<ssize_t>(sizeof(inotify_event) +
                                 reinterpret_cast<const inotify_event*>(buf + at)->len);
  ::close(events);
  EXPECT_EQ(replaced, 1);
  struct stat newFile;
  ASSERT_EQ(::stat(hive().c_str(), &newFile), 0);
  EXPECT_EQ(folderEntries(), (std::set<std::string>{".lock", "HKEY_CURRENT_USER.reg"}));

  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\New"));
  EXPECT_EQ(reg.ReadInteger("n"), -5);
  EXPECT_EQ(reg.ReadString(""), "default");
  EXPECT_EQ(reg.CurrentPath(), "Software\\New");
  ASSERT_TRUE(reg.OpenKeyReadOnly("Key"));
  EXPECT_EQ(reg.ReadString("v"), "1");
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\A"));
  EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string>{"Keep", "Lines"}));
  EXPECT_EQ(reg.ReadString("Lines"), "a\r\nb");
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Later"));
  EXPECT_EQ(reg.ReadString("y"), "2");
  EXPECT_FALSE(reg.KeyExists("\\Software\\Old"));
  EXPECT_FALSE(reg.KeyExists("\\Software\\Gone"));

  // A batch that changes nothing leaves the file alone.
  plat::TRegistryBatch idle(plat::HKEY_CURRENT_USER);
  idle.DeleteKey("Software\\Never");
  idle.DeleteValue("Software\\A", "Never");
  idle.DeleteValue("Software\\Never", "x");
  idle.DeleteKey("\\");
  EXPECT_FALSE(idle.Commit());
  struct stat same;
  ASSERT_EQ(::stat(hive().c_str(), &same), 0);
  EXPECT_EQ(same.st_ino, newFile.st_ino);

  // A damaged hive: the commit raises and changes nothing.
  writeFile(hive(), "REGEDIT4\nrubbish\n");
  plat::TRegistryBatch onDamaged(plat::HKEY_CURRENT_USER);
  onDamaged.WriteString("Software", "v", "1");
  EXPECT_THROW(onDamaged.Commit(), ERegistryException);
  EXPECT_EQ(readFile(hive()), "REGEDIT4\nrubbish\n");
}

TEST_F(RegistryTest, SnapshotKeepsTheHiveAsItWasRead) {
  plat::TRegistryBatch batch(plat::HKEY_LOCAL_MACHINE);
  batch.WriteString("Software\\OLVEN", "Name", "x");
  batch.WriteInteger("Software\\OLVEN", "Count", 3);
  ASSERT_TRUE(batch.Commit());

  const plat::TRegistrySnapshot empty(plat::HKEY_CURRENT_USER);  // no file: an empty hive
  EXPECT_FALSE(empty.KeyExists("Software"));
  std::string value = "untouched";
  EXPECT_FALSE(empty.ReadString("Software\\OLVEN", "Name", value));
  EXPECT_EQ(value, "untouched");

  const plat::TRegistrySnapshot snapshot(plat::HKEY_LOCAL_MACHINE);
  plat::TRegistryBatch change(plat::HKEY_LOCAL_MACHINE);
  change.DeleteKey("Software");
  ASSERT_TRUE(change.Commit());
  EXPECT_TRUE(snapshot.KeyExists("\\SOFTWARE\\olven"));
  EXPECT_TRUE(snapshot.KeyExists(""));
  EXPECT_FALSE(snapshot.KeyExists("Software\\OLVEN\\Sub"));
  ASSERT_TRUE(snapshot.ReadString("Software\\OLVEN", "name", value));
  EXPECT_EQ(value, "x");
  EXPECT_FALSE(snapshot.ReadString("Software\\OLVEN", "Missing", value));
  EXPECT_FALSE(snapshot.ReadString("Software\\Missing", "Name", value));
  EXPECT_THROW(snapshot.ReadString("Software\\OLVEN", "Count", value), ERegistryException);
  EXPECT_FALSE(plat::TRegistrySnapshot(plat::HKEY_LOCAL_MACHINE).KeyExists("Software"));

  std::filesystem::create_directories(folder_);
  writeFile(hive(), "REGEDIT4\nrubbish\n");
  EXPECT_THROW(plat::TRegistrySnapshot{plat::HKEY_CURRENT_USER}, ERegistryException);
}

// ---------------------------------------------------------------------------
// Writers that die

// Each writer holds a lock on its temporary hive until it is renamed; the
// next writer removes those whose lock is free (their writer died) and
// leaves the others, and whatever else lies in the folder.
TEST_F(RegistryTest, TemporaryHivesOfDeadWritersAreRemovedByTheNext) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software", true));
  reg.WriteString("Keep", "1");
  const std::string before = readFile(hive());

  const pid_t pid = testsupport::killedWriter(4096, [] {
    TRegistry r;
    r.OpenKey("Software", false);
    r.WriteString("Big", std::string(65536, 'a'));
  });
  ASSERT_GT(pid, 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
  EXPECT_EQ(readFile(hive()), before);
  std::set<std::string> stale = folderEntries();
  stale.erase(".lock");
  stale.erase("HKEY_CURRENT_USER.reg");
  ASSERT_EQ(stale.size(), 1u);
  EXPECT_EQ(stale.begin()->rfind(".HKEY_CURRENT_USER.reg.", 0), 0u) << *stale.begin();

  // One of a writer still at work (its lock held here), and things that are
  // not temporary hives of ours.
  const std::string live = folder_ + "/.HKEY_LOCAL_MACHINE.reg.Ab3xYz";
  writeFile(live, "REGEDIT4\n");
  const int liveFd = ::open(live.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(liveFd, 0);
  ASSERT_EQ(::flock(liveFd, LOCK_EX), 0);
  const std::set<std::string> others = {"notes.txt", "HKEY_CURRENT_USER.reg.bak",
                                        ".HKEY_CURRENT_USER.reg.toolong1",
                                        ".HKEY_USERS.reg.Ab3xYz"};
  for (const std::string& name : others) writeFile(folder_ + "/" + name, "x");
  std::filesystem::create_directory(folder_ + "/.HKEY_CLASSES_ROOT.reg.dir123");

  reg.WriteString("After", "2");
  std::set<std::string> expected = others;
  expected.insert({".lock", "HKEY_CURRENT_USER.reg", ".HKEY_LOCAL_MACHINE.reg.Ab3xYz",
                   ".HKEY_CLASSES_ROOT.reg.dir123"});
  EXPECT_EQ(folderEntries(), expected);

  // Once its lock is free it is stale as well.
  ::close(liveFd);
  reg.RootKey = plat::HKEY_CLASSES_ROOT;
  ASSERT_TRUE(reg.OpenKey(".swd", true));
  expected.erase(".HKEY_LOCAL_MACHINE.reg.Ab3xYz");
  expected.insert("HKEY_CLASSES_ROOT.reg");
  EXPECT_EQ(folderEntries(), expected);
  reg.RootKey = plat::HKEY_CURRENT_USER;
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software"));
  EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string>{"After", "Keep"}));
}

// ---------------------------------------------------------------------------
// Writers at the same time

constexpr int kWriters = 4;
constexpr int kValuesEach = 25;

std::string valueName(int writer, int i) {
  return "w" + std::to_string(writer) + "_" + std::to_string(i);
}

// Writes the values of one writer, each through a TRegistry of its own key
// handle, as separate programs would.
void writeValues(int writer) {
  TRegistry reg;
  if (!reg.OpenKey("Software\\OLVEN\\Load", true)) throw ERegistryException("open");
  for (int i = 0; i < kValuesEach; ++i) {
    if (i % 2) {
      reg.WriteInteger(valueName(writer, i), writer * 1000 + i);
    } else {
      reg.WriteString(valueName(writer, i), "\r\n" + valueName(writer, i));
    }
  }
}

void expectEveryValue(const std::set<std::string>& entries) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\OLVEN\\Load"));
  EXPECT_EQ(reg.GetValueNames().size(), static_cast<std::size_t>(kWriters * kValuesEach));
  for (int w = 0; w < kWriters; ++w) {
    for (int i = 0; i < kValuesEach; ++i) {
      if (i % 2) {
        EXPECT_EQ(reg.ReadInteger(valueName(w, i)), w * 1000 + i);
      } else {
        EXPECT_EQ(reg.ReadString(valueName(w, i)), "\r\n" + valueName(w, i));
      }
    }
  }
  // No temporary file is left behind.
  EXPECT_EQ(entries, (std::set<std::string>{".lock", "HKEY_CURRENT_USER.reg"}));
}

TEST_F(RegistryTest, ProcessesWritingAtOnceLoseNothing) {
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      try {
        writeValues(w);
      } catch (...) {
        ::_exit(1);
      }
      ::_exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  expectEveryValue(folderEntries());
}

TEST_F(RegistryTest, ThreadsWritingAtOnceLoseNothingAndReadersSeeWholeHives) {
  std::atomic<bool> done{false};
  std::atomic<int> failures{0};
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([w, &failures] {
      try {
        writeValues(w);
      } catch (...) {
        ++failures;
      }
    });
  }
  // The number of values a reader sees never falls: it never meets a hive
  // half written or one written over by a lost update.
  std::thread reader([&] {
    std::size_t seen = 0;
    while (!done) {
      try {
        TRegistry reg;
        if (!reg.OpenKeyReadOnly("Software\\OLVEN\\Load")) continue;
        const std::size_t now = reg.GetValueNames().size();
        if (now < seen) ++failures;
        seen = now;
      } catch (...) {
        ++failures;
      }
    }
  });
  for (std::thread& t : writers) t.join();
  done = true;
  reader.join();
  EXPECT_EQ(failures, 0);
  expectEveryValue(folderEntries());
}

}  // namespace
