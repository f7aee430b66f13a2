#include "SetupSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <sstream>

#include "setup/setupInstaller.h"
#include "setup/setupUninstaller.h"

namespace setuptest {

namespace {

void dumpKey(plat::HKEY root, const std::string& path, std::string& out) {
  plat::TRegistry reg;
  reg.RootKey = root;
  if (!reg.OpenKeyReadOnly("\\" + path)) return;
  out += "[" + std::to_string(root) + "\\" + path + "]\n";
  for (const std::string& name : reg.GetValueNames()) {
    std::string value;
    try {
      value = "\"" + reg.ReadString(name) + "\"";
    } catch (const plat::ERegistryException&) {
      value = "dword:" + std::to_string(reg.ReadInteger(name));
    }
    out += "  " + name + "=" + value + "\n";
  }
  for (const std::string& sub : reg.GetKeyNames())
    dumpKey(root, path.empty() ? sub : path + "\\" + sub, out);
}

}  // namespace

void seedKeysThatStay() {
  plat::TRegistry reg;
  reg.RootKey = plat::HKEY_LOCAL_MACHINE;
  ASSERT_TRUE(reg.OpenKey("\\Software\\OLVEN\\Settings", true));
  reg.WriteString("reportDir", "/reports");
  reg.RootKey = plat::HKEY_CURRENT_USER;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Foreign", true));
  reg.WriteInteger("kept", 7);
}

std::string registryDump() {
  std::string out;
  for (const plat::HKEY root :
       {plat::HKEY_CLASSES_ROOT, plat::HKEY_CURRENT_USER, plat::HKEY_LOCAL_MACHINE})
    dumpKey(root, "", out);
  return out;
}

std::string treeDump(const std::string& root) {
  std::vector<std::string> lines;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    const fs::path& path = it->path();
    struct ::stat st;
    if (::lstat(path.c_str(), &st) != 0) continue;
    std::ostringstream line;
    line << path.string() << " " << std::oct << (st.st_mode & 0177777);
    if (S_ISREG(st.st_mode)) line << " " << testsupport::readFile(path.string());
    lines.push_back(line.str());
  }
  std::sort(lines.begin(), lines.end());
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  return out;
}

void SetupTest::SetUp() {
  if (const char* old = std::getenv("OLVEN_REGISTRY")) savedRegistry_ = old;
  ::setenv("OLVEN_REGISTRY", (world_.path() + "/registry").c_str(), 1);
  fs::create_directories(home());
  stage_ = world_.path() + "/stage";
  fs::create_directories(stage_);
  platform_.env["HOME"] = home();
  platform_.program = stage_ + "/" + setupFiles::nameOf(setupFiles::Role::Setup);
  FakeLoader::reset();
}

void SetupTest::TearDown() {
  if (savedRegistry_)
    ::setenv("OLVEN_REGISTRY", savedRegistry_->c_str(), 1);
  else
    ::unsetenv("OLVEN_REGISTRY");
}

void SetupTest::makePayload() {
  for (const setupFiles::Entry& file : setupFiles::all()) {
    const std::string path = payload() + file.name;
    fs::create_directories(fs::path(path).parent_path());
    std::string content = std::string("payload of ") + file.name + "\n";
    // The templates are a real script.
    if (file.role == setupFiles::Role::Templates)
      content =
          "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLVEN]\n\"DA_HEAD\"=\"head\"\n"
          "\"DA_SECT_HEAD\"=\"section\"\n\"DA_SECT_MAIN\"=\"main\"\n\"DA_FOOT\"=\"foot\"\n";
    testsupport::writeFile(path, content);
    const bool program = file.role == setupFiles::Role::Program ||
                         file.role == setupFiles::Role::Wizard ||
                         file.role == setupFiles::Role::Setup;
    ::chmod(path.c_str(), program ? 0755 : 0644);
  }
}

int SetupTest::install(ScriptUi& ui) {
  return swde::setupInstaller(platform_, ui).run();
}

int SetupTest::uninstall(ScriptUi& ui) {
  return swde::setupUninstaller(platform_, ui).run();
}

void SetupTest::installInto(const std::string& target) {
  ScriptUi ui;
  ui.typed = {target};
  ASSERT_EQ(install(ui), 0) << ui.boxText();
  ASSERT_TRUE(ui.installEnd);
}

}  // namespace setuptest
