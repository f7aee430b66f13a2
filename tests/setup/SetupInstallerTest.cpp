// The install: declining, the target, the record, the copies, the templates
// and the status window, over a payload of plain files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include "SetupSupport.h"
#include "setup/setupInstaller.h"

extern char** environ;

namespace setuptest {
namespace {

using Role = setupFiles::Role;
using swde::setupInstaller;

class SetupInstallerTest : public SetupTest {
 protected:
  void SetUp() override {
    SetupTest::SetUp();
    makePayload();
  }
  setupInstaller installer(ScriptUi& ui) { return setupInstaller(platform_, ui); }
  static unsigned modeOf(const std::string& path) {
    struct ::stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
  }
  // Files whose name ends so below folder.
  static std::vector<std::string> filesEnding(const std::string& folder, const std::string& end) {
    std::vector<std::string> found;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (name.size() >= end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0)
        found.push_back(it->path().string());
    }
    return found;
  }
};

TEST_F(SetupInstallerTest, DecliningAnyQuestionChangesNothing) {
  struct Case {
    const char* what;
    bool first;
    std::deque<std::optional<std::string>> typed;
  } cases[] = {
      {"No on the first question", false, {std::nullopt}},
      {"leaving the target window", true, {}},
      {"leaving it after a refusal", true, {"relative/folder"}},
  };
  // A record and a foreign key that must stay as they are.
  plat::TRegistry reg;
  reg.RootKey = plat::HKEY_LOCAL_MACHINE;
  ASSERT_TRUE(reg.OpenKey("\\Software\\OLVEN\\Settings", true));
  reg.WriteString("reportDir", "/x");
  const std::string before = treeDump(world_.path()) + registryDump();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptUi ui;
    ui.firstAnswer = c.first;
    ui.typed = c.typed;
    EXPECT_EQ(install(ui), 0);
    EXPECT_EQ(ui.targetAsked, c.first ? 1 : 0);
    EXPECT_FALSE(ui.statusMode.has_value());
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_FALSE(ui.installEnd);
    EXPECT_EQ(treeDump(world_.path()) + registryDump(), before);
  }
}

TEST_F(SetupInstallerTest, InstallCopiesEveryFileRecordsAndShowsEachStep) {
  const std::string target = world_.path() + "/with blank/suite";  // no "/" typed
  ScriptUi ui;
  ui.typed = {target};
  ASSERT_EQ(install(ui), 0) << ui.boxText();
  EXPECT_TRUE(ui.installEnd);
  EXPECT_FALSE(ui.statusVisible);
  EXPECT_EQ(ui.statusMode, setupUi::Mode::Install);
  EXPECT_TRUE(ui.boxes.empty());

  // Every file with its bytes and its mode; no temporary file left.
  std::vector<std::string> expectedSteps = {"Tworzenie informacji deinstalatora"};
  for (const setupFiles::Entry& file : setupFiles::all()) {
    SCOPED_TRACE(file.name);
    EXPECT_EQ(testsupport::readFile(target + "/" + file.name),
              testsupport::readFile(payload() + file.name));
    EXPECT_EQ(modeOf(target + "/" + file.name), modeOf(payload() + file.name));
    expectedSteps.push_back(std::string("Kopiowanie pliku ") + file.name);
  }
  EXPECT_EQ(filesEnding(target, ".$$$"), std::vector<std::string>{});
  expectedSteps.insert(expectedSteps.end(),
                       {"Modyfikacja rejestru", "Rejestrowanie komponentów", "Tworzenie ikon"});
  EXPECT_EQ(ui.steps, expectedSteps);
  // The bar: shown x 100 / total of the real steps, never past 100.
  ASSERT_EQ(ui.statusTotal, static_cast<int>(expectedSteps.size()));
  EXPECT_EQ(ui.bar.front(), 0);
  EXPECT_TRUE(std::is_sorted(ui.bar.begin(), ui.bar.end()));
  EXPECT_LT(ui.bar.back(), 100);

  // The record: what, where and which steps were done.
  const auto rec = record();
  ASSERT_TRUE(rec);
  EXPECT_EQ(rec->installDir, target + "/");
  EXPECT_EQ(rec->menuDir, menuFolder());
  EXPECT_TRUE(rec->templates);
  EXPECT_TRUE(rec->component);
  plat::TRegistry reg;
  reg.RootKey = plat::HKEY_LOCAL_MACHINE;
  ASSERT_TRUE(reg.OpenKeyReadOnly(std::string("\\") + swde::setupRecord::kKey));
  EXPECT_EQ(reg.ReadString("DisplayName"), "OLVEN");
  EXPECT_EQ(reg.ReadString("UninstallString"),
            "\"" + target + "/" + setupFiles::nameOf(Role::Setup) + "\" -u");
  EXPECT_EQ(FakeLoader::registered, 1);
}

TEST_F(SetupInstallerTest, TargetsAreCheckedAndNormalised) {
  ScriptUi ui;
  setupInstaller inst = installer(ui);
  const std::string w = world_.path();
  struct Case {
    std::string text;
    std::string target;  // "" when refused
  } cases[] = {
      {w + "/a", w + "/a/"},
      {w + "/a/", w + "/a/"},
      {w + "//a/./b//", w + "/a/b/"},
      {w + "/a/../b", w + "/b/"},
      {w + "/z kropką. i ąę", w + "/z kropką. i ąę/"},
      {"", ""},
      {"relative/folder", ""},
      {"./x", ""},
      {"~/x", ""},
      {"/", ""},
      {"//", ""},
      {"/tmp/..", ""},
      {payload(), ""},
      {payload() + "sub", ""},
      {payload().substr(0, payload().size() - 1), ""},
      {stage_ + "/runimage/../runimage/x", ""},
      {w + "/a\xff", ""},
      {w + "/a\tb", ""},
      {w + "/a\nb", ""},
      {w + "/a\x7f", ""},
      {w + "/a\"b", ""},
      {w + "/a\\b", ""},
      {w + "/a`b", ""},
      {w + "/a$b", ""},
      {w + "/a%b", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string target = "untouched";
    const std::optional<AnsiString> refusal = inst.checkTarget(c.text, target);
    if (c.target.empty()) {
      ASSERT_TRUE(refusal);
      EXPECT_EQ(*refusal,
                plat::cp("Niepoprawny katalog docelowy: ") + plat::fileNameToCp1250(c.text));
      EXPECT_EQ(target, "untouched");
    } else {
      EXPECT_FALSE(refusal) << plat::cp1250ToUtf8(refusal.value_or(""));
      EXPECT_EQ(target, c.target);
    }
  }
  // The stage itself (the payload's parent) is no payload.
  std::string target;
  EXPECT_FALSE(inst.checkTarget(stage_ + "/other", target));
}

TEST_F(SetupInstallerTest, InitialTargetIsTheRecordedFolderElseTheDataFolder) {
  struct Case {
    std::optional<std::string> home, xdg;
    std::string initial;
  } cases[] = {
      {home(), std::nullopt, home() + "/.local/share/olven/"},
      {home() + "/", std::nullopt, home() + "/.local/share/olven/"},
      {home(), "", home() + "/.local/share/olven/"},
      {home(), "relative/data", home() + "/.local/share/olven/"},
      {home(), "/data/x/", "/data/x/olven/"},
      {std::nullopt, "/data/x", "/data/x/olven/"},
      {"relative", std::nullopt, ""},
      {std::nullopt, std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.home.value_or("(no home)") + " " + c.xdg.value_or("(no xdg)"));
    platform_.env.clear();
    if (c.home) platform_.env["HOME"] = *c.home;
    if (c.xdg) platform_.env["XDG_DATA_HOME"] = *c.xdg;
    ScriptUi ui;
    EXPECT_EQ(installer(ui).initialTarget(), c.initial);
  }
  // With a record, its folder comes first.
  ASSERT_EQ(swde::setupRecord::write("/recorded/folder/", "olvenSetup"), "");
  ScriptUi ui;
  EXPECT_EQ(installer(ui).initialTarget(), "/recorded/folder/");
}

TEST_F(SetupInstallerTest, AnotherFolderIsRefusedWhileInstalledAndTheSameIsReinstalled) {
  const std::string first = world_.path() + "/first/";
  installInto(first);
  const std::string other = world_.path() + "/other/";
  ScriptUi ui;
  ui.typed = {other, std::nullopt};  // refused, then the initial one
  ASSERT_EQ(install(ui), 0) << ui.boxText();
  EXPECT_EQ(ui.initial, first);
  EXPECT_EQ(ui.refusals, std::vector<std::string>{"OLVEN jest już zainstalowany w katalogu " +
                                                  first + "; najpierw go usuń."});
  EXPECT_FALSE(exists(other));
  // The reinstall keeps what the first install noted, though the templates
  // are now the registry's own and are not merged again.
  const auto rec = record();
  ASSERT_TRUE(rec);
  EXPECT_EQ(rec->installDir, first);
  EXPECT_TRUE(rec->templates);
  EXPECT_TRUE(rec->component);
  EXPECT_EQ(rec->menuDir, menuFolder());
}

TEST_F(SetupInstallerTest, CopyKeepsBytesAndModeAtEverySizeAroundTheBuffer) {
  constexpr std::size_t kBuffer = 64 * 1024;
  struct Case {
    std::size_t size;
    unsigned mode;
  } cases[] = {{0, 0644},       {1, 0600},           {kBuffer - 1, 0755},
               {kBuffer, 0640}, {kBuffer + 1, 0700}, {3 * kBuffer + 7, 0444}};
  ScriptUi ui;
  setupInstaller inst = installer(ui);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    std::string bytes(c.size, '\0');
    for (std::size_t i = 0; i < c.size; ++i) bytes[i] = static_cast<char>(i * 131 + i / 251);
    const std::string source = world_ / "source";
    const std::string destination = world_ / "destination";
    testsupport::writeFile(source, bytes);
    ::chmod(source.c_str(), c.mode);
    testsupport::writeFile(destination, "an older, longer file that the copy replaces whole");
    EXPECT_EQ(plat::cp1250ToUtf8(inst.copyFile(source, destination)), "");
    EXPECT_EQ(testsupport::readFile(destination), bytes);
    EXPECT_EQ(modeOf(destination), c.mode);
    EXPECT_EQ(filesEnding(world_.path(), ".$$$"), std::vector<std::string>{});
    fs::remove(source);
    fs::remove(destination);
  }
}

TEST_F(SetupInstallerTest, CopyFailuresNameTheFileAndLeaveTheOldOne) {
  const std::string source = world_ / "source.bin";
  const std::string destination = world_ / "dest.bin";
  testsupport::writeFile(source, std::string(200 * 1024, 'n'));
  struct Case {
    const char* what;
    std::function<void()> arrange;
    std::string text;
    bool oldStays;
  } cases[] = {
      {"missing source", [&] { fs::remove(source); }, "Nie można otworzyc pliku " + source, true},
      {"source is a folder", [&] { fs::remove(source), fs::create_directory(source); },
       "Nie można otworzyc pliku " + source, true},
      {"read error", [&] { platform_.failingRead = "source.bin"; },
       "Błąd kopiowania pliku " + source, true},
      {"destination folder missing", [&] { fs::remove(destination); },
       "Nie można otworzyc pliku " + world_.path() + "/none/dest.bin", false},
      {"destination is a folder with files",
       [&] {
         fs::remove(destination);
         fs::create_directories(destination + "/inside");
       },
       "Nie można usunąc pliku " + destination, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::error_code ec;
    fs::remove_all(source, ec);
    fs::remove_all(destination, ec);
    testsupport::writeFile(source, std::string(200 * 1024, 'n'));
    testsupport::writeFile(destination, "old");
    platform_.failingRead.clear();
    c.arrange();
    ScriptUi ui;
    const std::string to = std::string(c.what) == "destination folder missing"
                               ? world_.path() + "/none/dest.bin"
                               : destination;
    EXPECT_EQ(plat::cp1250ToUtf8(installer(ui).copyFile(source, to)), c.text);
    if (c.oldStays) {
      EXPECT_EQ(testsupport::readFile(destination), "old");
    }
    EXPECT_EQ(filesEnding(world_.path(), ".$$$"), std::vector<std::string>{});
  }
}

TEST_F(SetupInstallerTest, CopyReplacesAFileThatARunningProgramAndAMappingUse) {
  // A running program: cat, copied to the destination, waits on a pipe.
  const std::string destination = world_ / "running";
  {
    ScriptUi ui;
    ASSERT_EQ(installer(ui).copyFile("/bin/cat", destination), "");
  }
  const std::string old = testsupport::readFile(destination);
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[0], 0);
  posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  char* const argv[] = {const_cast<char*>(destination.c_str()), nullptr};
  pid_t child = -1;
  ASSERT_EQ(::posix_spawn(&child, destination.c_str(), &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[0]);
  // A mapping of ours as well.
  const int fd = ::open(destination.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  void* map = ::mmap(nullptr, old.size(), PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);
  ASSERT_NE(map, MAP_FAILED);

  const std::string source = world_ / "new";
  testsupport::writeFile(source, "the new version");
  ScriptUi ui;
  EXPECT_EQ(plat::cp1250ToUtf8(installer(ui).copyFile(source, destination)), "");
  EXPECT_EQ(testsupport::readFile(destination), "the new version");
  EXPECT_EQ(std::string(static_cast<const char*>(map), old.size()), old);
  ::munmap(map, old.size());

  ::close(pipeFds[1]);  // cat ends at the end of its input
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(SetupInstallerTest, MissingPayloadFileStopsWithEarlierFilesAndTheRecordInPlace) {
  const auto files = setupFiles::all();
  ASSERT_GT(files.size(), 3u);
  const setupFiles::Entry missing = files[files.size() / 2];
  fs::remove(payload() + missing.name);
  const std::string target = world_.path() + "/suite/";
  ScriptUi ui;
  ui.typed = {target};
  EXPECT_EQ(install(ui), 2);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].title, "Błąd instalacji");
  EXPECT_EQ(ui.boxes[0].text, "Nie można otworzyc pliku " + payload() + missing.name);
  EXPECT_FALSE(ui.statusVisible);
  EXPECT_FALSE(ui.installEnd);
  for (std::size_t i = 0; i < files.size() / 2; ++i)
    EXPECT_TRUE(exists(target + files[i].name)) << files[i].name;
  EXPECT_FALSE(exists(target + missing.name));
  const auto rec = record();
  ASSERT_TRUE(rec);
  EXPECT_EQ(rec->installDir, target);
  EXPECT_FALSE(rec->templates);
  EXPECT_FALSE(rec->component);
  EXPECT_EQ(FakeLoader::registered, 0);
}

TEST_F(SetupInstallerTest, NoPayloadIsToldBeforeAnyQuestion) {
  fs::remove_all(payload());
  ScriptUi ui;
  EXPECT_EQ(install(ui), 2);
  EXPECT_EQ(ui.firstAsked, 0);
  EXPECT_EQ(ui.boxText(), "Nie można otworzyc katalogu " + payload());
  EXPECT_FALSE(record());
}

TEST_F(SetupInstallerTest, TemplatesAreMergedOnlyWhenTheRegistryHasNoneOfItsOwn) {
  const std::string key = std::string("\\") + swde::setupRecord::kSuiteKey;
  auto value = [&](const char* name) {
    plat::TRegistry reg;
    reg.RootKey = plat::HKEY_LOCAL_MACHINE;
    if (!reg.OpenKeyReadOnly(key) || !reg.ValueExists(name)) return std::string("<none>");
    return reg.ReadString(name);
  };
  struct Case {
    const char* what;
    std::map<std::string, std::string> before;
    bool merged;
  } cases[] = {
      {"fresh registry", {}, true},
      {"all four empty",
       {{"DA_HEAD", ""}, {"DA_SECT_HEAD", ""}, {"DA_SECT_MAIN", ""}, {"DA_FOOT", ""}},
       true},
      {"a user's head", {{"DA_HEAD", "mine"}}, false},
      {"a user's foot among empty ones", {{"DA_HEAD", ""}, {"DA_FOOT", "my foot"}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::error_code ec;
    fs::remove_all(world_.path() + "/registry", ec);
    fs::remove_all(world_.path() + "/suite", ec);
    {
      plat::TRegistry reg;
      reg.RootKey = plat::HKEY_LOCAL_MACHINE;
      ASSERT_TRUE(reg.OpenKey(key + "\\Settings", true));
      reg.WriteString("reportDir", "/reports");
      ASSERT_TRUE(reg.OpenKey(key, true));
      for (const auto& [name, text] : c.before) reg.WriteString(name, text);
    }
    installInto(world_.path() + "/suite/");
    if (c.merged) {
      EXPECT_EQ(value("DA_HEAD"), "head");
      EXPECT_EQ(value("DA_FOOT"), "foot");
    } else {
      for (const char* name : swde::setupRecord::kTemplateNames)
        EXPECT_EQ(value(name), c.before.count(name) ? c.before.at(name) : "<none>") << name;
    }
    ASSERT_TRUE(record());
    EXPECT_EQ(record()->templates, c.merged);
    plat::TRegistry reg;
    reg.RootKey = plat::HKEY_LOCAL_MACHINE;
    ASSERT_TRUE(reg.OpenKeyReadOnly(key + "\\Settings"));
    EXPECT_EQ(reg.ReadString("reportDir"), "/reports");
  }
}

TEST_F(SetupInstallerTest, MalformedTemplateScriptEndsTheInstallWithItsMessage) {
  testsupport::writeFile(payload() + setupFiles::nameOf(Role::Templates),
                         "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLVEN]\n\"DA_HEAD\"=broken\n");
  const std::string target = world_.path() + "/suite/";
  ScriptUi ui;
  ui.typed = {target};
  EXPECT_EQ(install(ui), 2);
  const std::string text = ui.boxText();
  EXPECT_EQ(text.rfind("Błąd modyfikacji rejestru\n", 0), 0u) << text;
  EXPECT_NE(text.find(setupFiles::nameOf(Role::Templates)), std::string::npos) << text;
  plat::TRegistry reg;
  reg.RootKey = plat::HKEY_LOCAL_MACHINE;
  EXPECT_FALSE(reg.KeyExists(std::string("\\") + swde::setupRecord::kSuiteKey));
  ASSERT_TRUE(record());
  EXPECT_FALSE(record()->templates);
  EXPECT_EQ(FakeLoader::registered, 0);
}

}  // namespace
}  // namespace setuptest

namespace setuptest {
namespace {

TEST_F(SetupInstallerTest, AFolderThatCannotBeMadeEndsTheInstallBeforeAnyCopy) {
  const std::string blocker = world_ / "a file";
  testsupport::writeFile(blocker, "in the way");
  const std::string target = blocker + "/suite/";
  ScriptUi ui;
  ui.typed = {target};
  EXPECT_EQ(install(ui), 2);
  EXPECT_EQ(ui.boxText(), "Nie można utworzyc katalogu " + target);
  EXPECT_EQ(ui.steps, std::vector<std::string>{"Tworzenie informacji deinstalatora"});
  // The record is there, and the uninstall clears it.
  ASSERT_TRUE(record());
  ScriptUi un;
  EXPECT_EQ(uninstall(un), 0) << un.boxText();
  EXPECT_FALSE(record());
  EXPECT_EQ(testsupport::readFile(blocker), "in the way");
}

}  // namespace
}  // namespace setuptest
