// The module list: version texts from file names, the walk of the loaded
// modules, the window opened from the main window and its saved text.
#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>

#include "ScreenshotSupport.h"
#include "WindowSupport.h"
#include "app/ModuleList.h"
#include "app/TModulesForm.h"

namespace {

namespace fs = std::filesystem;
using swde::ModuleInfo;
using swde::TModulesForm;
using testsupport::readFile;
using testsupport::writeFile;
using windowtest::q;
using windowtest::WindowTest;

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

TEST(ModuleVersions, ComeFromTheProjectOrTheFileName) {
  const struct {
    const char* text;
    const char* padded;
  } padding[] = {{"0.1", "0.1.0.0"},
                 {"6", "6.0.0.0"},
                 {"1.2.3.4.5", "1.2.3.4"},
                 {"2.36", "2.36.0.0"},
                 {"3.1-beta", "3.1.0.0"},
                 {"1..2", "1.0.0.0"},
                 {"x1", ""},
                 {"", ""}};
  for (const auto& c : padding) EXPECT_EQ(swde::paddedVersion(c.text), c.padded) << c.text;

  const struct {
    const char* name;
    const char* version;
  } names[] = {{"libQt6Widgets.so.6.4.2", "6.4.2.0"},
               {"libstdc++.so.6.0.30", "6.0.30.0"},
               {"libc.so.6", "6.0.0.0"},
               {"libolvcore.so", ""},
               {"ld-linux-x86-64.so.2", "2.0.0.0"},
               {"libfoo.so.", ""}};
  for (const auto& c : names) EXPECT_EQ(swde::sharedObjectVersion(c.name), c.version) << c.name;

  const struct {
    const char* name;
    bool own;
  } owners[] = {{"olven", true},
                {"olvenWizzard", true},
                {"olvenSetup", true},
                {"libolvcore.so", true},
                {"libolvenlibProxy.so", true},
                {"libReportPane.so", true},
                {"libPageView.so.1", true},
                {"libolvcore.sox", false},
                {"libQt6Widgets.so.6", false},
                {"olven2", false},
                {"libsolv.so.1", false}};
  for (const auto& c : owners) EXPECT_EQ(swde::isOwnModule(c.name), c.own) << c.name;
}

const ModuleInfo* findModule(const std::vector<ModuleInfo>& list, const std::string& prefix) {
  for (const ModuleInfo& m : list)
    if (m.name.rfind(prefix, 0) == 0) return &m;
  return nullptr;
}

TEST(LoadedModules, NameTheProgramAndItsLibrariesWithVersionAndSize) {
  const std::vector<ModuleInfo> list = swde::loadedModules("0.1");
  ASSERT_FALSE(list.empty());

  // The program first, as its resolved path.
  const std::string self = fs::canonical("/proc/self/exe").string();
  EXPECT_EQ(list[0].path, self);
  EXPECT_EQ(list[0].name, fs::path(self).filename().string());
  EXPECT_EQ(list[0].version, "0.1.0.0");
  EXPECT_EQ(list[0].size, fs::file_size(self));

  const ModuleInfo* core = findModule(list, "libolvcore.so");
  ASSERT_NE(core, nullptr);
  EXPECT_EQ(core->version, "0.1.0.0");
  EXPECT_EQ(core->size, fs::file_size(core->path));

  const ModuleInfo* widgets = findModule(list, "libQt6Widgets.so");
  ASSERT_NE(widgets, nullptr);
  const std::string qtVersion = std::string(qVersion()) + ".0";
  EXPECT_EQ(widgets->version, qtVersion) << widgets->path;
  EXPECT_GT(widgets->size, 0u);

  for (const ModuleInfo& m : list) {
    SCOPED_TRACE(m.path);
    EXPECT_EQ(m.path.front(), '/');
    EXPECT_TRUE(fs::exists(m.path));
    EXPECT_EQ(m.name.find("vdso"), std::string::npos);
    EXPECT_EQ(m.name, fs::path(m.path).filename().string());
  }
}

class ModulesWindowTest : public WindowTest {};

TEST_F(ModulesWindowTest, OpensFromTheMainWindowAndListsEveryModule) {
  swde::TMainForm& w = make();
  QAction* open = w.findChild<QAction*>(QStringLiteral("actModules"));
  ASSERT_NE(open, nullptr);
  EXPECT_TRUE(open->isEnabled());
  open->trigger();
  const QList<TModulesForm*> forms =
      w.findChildren<TModulesForm*>(QString(), Qt::FindDirectChildrenOnly);
  ASSERT_EQ(forms.size(), 1);
  TModulesForm* m = forms[0];
  EXPECT_TRUE(m->isVisible());
  EXPECT_EQ(m->windowTitle(), U("OLVEN - lista używanych modułów"));
  QTreeWidget* list = m->list();
  EXPECT_EQ(list->objectName(), QStringLiteral("lista"));
  ASSERT_EQ(list->columnCount(), 4);
  const QStringList heads = {U("Moduł"), U("Wersja"), U("Rozmiar"), U("Ścieżka")};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(list->headerItem()->text(i), heads[i]);
  ASSERT_EQ(static_cast<std::size_t>(list->topLevelItemCount()), m->modules().size());
  const ModuleInfo& first = m->modules().front();
  QTreeWidgetItem* item = list->topLevelItem(0);
  EXPECT_EQ(item->text(0), q(first.name));
  EXPECT_EQ(item->text(1), QStringLiteral("0.1.0.0"));
  EXPECT_EQ(item->text(2), QString::number(first.size));
  EXPECT_EQ(item->text(3), q(first.path));

  m->findChild<QPushButton*>(QStringLiteral("closeButton"))->click();
  EXPECT_FALSE(m->isVisible());
}

// Four TAB-separated fields and CR LF per line, no header.
void expectListText(const std::string& bytes, const std::vector<ModuleInfo>& modules) {
  std::size_t line = 0, at = 0;
  while (at < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "line " << line << " not ended by CR LF";
    const std::string text = bytes.substr(at, end - at);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    ASSERT_LT(line, modules.size());
    const ModuleInfo& m = modules[line];
    EXPECT_EQ(text, m.name + "\t" + m.version + "\t" + std::to_string(m.size) + "\t" + m.path);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\t'), 3);
    at = end + 2;
    ++line;
  }
  EXPECT_EQ(line, modules.size());
}

TEST_F(ModulesWindowTest, SavesTheListAsTabSeparatedLines) {
  TModulesForm real(prompts);
  const struct {
    const char* name;
    std::vector<ModuleInfo> modules;
  } cases[] = {
      {"the loaded modules", real.modules()},
      {"an empty version", {{"a.so", "", 0, "/x/a.so"}, {"b", "1.2.3.4", 77, "/y/b"}}},
      {"an empty list", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir / "moduly.txt";
    writeFile(path, "an older, longer list that must go entirely");
    TModulesForm form(prompts, c.modules);
    // Chosen without an extension: ".txt" added.
    prompts.saves.push_back({q(dir / "moduly"), 0});
    form.findChild<QPushButton*>(QStringLiteral("saveButton"))->click();
    EXPECT_TRUE(prompts.errors.empty());
    const std::string bytes = readFile(path);
    expectListText(bytes, c.modules);
    if (c.modules.empty()) {
      EXPECT_TRUE(bytes.empty());
    }
  }
  EXPECT_EQ(prompts.saveTitles.back(), U("Zapisz listę modułów jako..."));
  EXPECT_EQ(prompts.saveFilters.back(), U("Pliki tekstowe (*.txt);;Wszystkie pliki (*)"));
  EXPECT_EQ(prompts.saveSuffixes.back(), QStringLiteral("txt"));
  EXPECT_EQ(dir.entries(), 2u) << "a temporary file left behind";  // tmp/ and the list
}

TEST_F(ModulesWindowTest, AWriteFailureShowsTheMessage) {
  TModulesForm form(prompts, {{"a.so", "1.0.0.0", 5, "/x/a.so"}});
  fs::create_directories(dir / "folder");
  writeFile(dir / "old.txt", "old");
  const struct {
    const char* name;
    std::string path;
  } cases[] = {
      {"a missing folder", dir / "none/list.txt"},
      {"a folder in the way", dir / "folder"},
      {"a file where a folder should be", dir / "old.txt/list.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    prompts.errors.clear();
    EXPECT_FALSE(form.saveTo(q(c.path)));
    ASSERT_EQ(prompts.errors.size(), 1u);
    EXPECT_EQ(prompts.errors[0], U("Wystąpił błąd zapisu listy modułów"));
  }
  EXPECT_EQ(readFile(dir / "old.txt"), "old");
  EXPECT_FALSE(fs::exists(dir / "none"));
}

TEST_F(ModulesWindowTest, Screenshot) {
  TModulesForm form(prompts);
  form.resize(900, 460);
  form.show();
  windowtest::saveScreenshot(form, "modules_window.png");
}

}  // namespace
