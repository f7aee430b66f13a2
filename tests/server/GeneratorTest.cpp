// The interface generator run as the build runs it: a good definition gives
// the three outputs, a bad one an error naming the file and the line, a
// failing exit status and no outputs.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;  // exit status, -1 when it did not exit normally
  std::string errors;
};

class Generator : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/olvidlXXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  Outcome generate(const std::string& idl, const char* exportMacro = nullptr) {
    const fs::path input = dir_ / "test.idl";
    std::ofstream(input, std::ios::binary | std::ios::trunc) << idl;
    const fs::path errors = dir_ / "stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    const std::string tool = OLV_OLVIDL, in = input.string(), out = (dir_ / "out").string();
    std::vector<char*> argv = {const_cast<char*>(tool.c_str()), const_cast<char*>("--namespace"),
                               const_cast<char*>("proba")};
    if (exportMacro) {
      argv.push_back(const_cast<char*>("--export"));
      argv.push_back(const_cast<char*>(exportMacro));
    }
    argv.insert(argv.end(),
                {const_cast<char*>(in.c_str()), const_cast<char*>(out.c_str()), nullptr});
    pid_t pid;
    Outcome run;
    EXPECT_EQ(posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, 0), pid);
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    std::ifstream e(errors);
    std::stringstream text;
    text << e.rdbuf();
    run.errors = text.str();
    return run;
  }

  fs::path dir_;
};

// The three statements every definition needs, on lines 1 to 3.
const std::string kHead =
    "library Proba {10000000-0000-0000-0000-000000000001} version 2.1 helpstring \"proba\";\n"
    "appid {10000000-0000-0000-0000-000000000002};\n"
    "proxy {10000000-0000-0000-0000-000000000003};\n";

TEST_F(Generator, WritesTheOutputsOfAGoodDefinition) {
  const Outcome run =
      generate(kHead +
               "interface IA {10000000-0000-0000-0000-000000000004} : IDispatch {\n"
               "  1 a([in] BSTR t, [in] unsigned long n, [out, retval] IA** next);\n"
               "  7 b([out] VARIANT* v, [out] VARIANT_BOOL* ok);\n"
               "}\n"
               "interface IE {10000000-0000-0000-0000-000000000005} : IUnknown {\n"
               "  c([in] REFIID iid);\n"
               "}\n"
               "coclass CoA {10000000-0000-0000-0000-000000000006} progid \"P.A\" "
               "version 3 {\n  default IA;\n  IE;\n}\n");
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(run.errors, "");
  std::ifstream header(dir_ / "out" / "test_i.h");
  std::stringstream h;
  h << header.rdbuf();
  for (const char* expected :
       {"namespace proba {", "class IA : public plat::IDispatch {",
        "virtual plat::HRESULT a(plat::BSTR t, std::uint32_t n, IA** next) = 0;",
        "virtual plat::HRESULT c(plat::REFIID iid) = 0;", "PROGID_CoA_VERSIONED = \"P.A.3\"",
        "extern const plat::DispInterface DISPATCH_IA;"})
    EXPECT_NE(h.str().find(expected), std::string::npos) << expected;
  EXPECT_EQ(h.str().find("DISPATCH_IE"), std::string::npos);  // IUnknown interfaces have none
  EXPECT_TRUE(fs::exists(dir_ / "out" / "test_d.cpp"));
  EXPECT_TRUE(fs::exists(dir_ / "out" / "test_p.cpp"));
}

// With --export the library that compiles the dispatch source owns the
// interfaces: their classes and tables carry the macro, and their destructors,
// the key functions, are defined there, so the vtables and the type
// information are emitted in that library only.
TEST_F(Generator, ExportedInterfacesHaveTheirKeyFunctionsInTheDispatchSource) {
  const std::string idl = kHead +
                          "interface IA {10000000-0000-0000-0000-000000000004} : IDispatch {\n"
                          "  1 a([in] BSTR t);\n"
                          "}\n"
                          "interface IE {10000000-0000-0000-0000-000000000005} : IUnknown {\n"
                          "  c([in] REFIID iid);\n"
                          "}\n"
                          "coclass CoA {10000000-0000-0000-0000-000000000006} progid \"P.A\" "
                          "version 3 {\n  default IA;\n  IE;\n}\n";
  auto read = [&](const char* name) {
    std::ifstream in(dir_ / "out" / name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  };
  const Outcome run = generate(idl, "PROBA_API");
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::string h = read("test_i.h"), d = read("test_d.cpp");
  for (const char* expected :
       {"#include \"platform/Export.h\"", "class PROBA_API IA : public plat::IDispatch {",
        "class PROBA_API IE : public plat::IUnknown {", "  ~IA() override;\n",
        "  ~IE() override;\n", "extern PROBA_API const plat::DispInterface DISPATCH_IA;",
        "extern PROBA_API const plat::TypeLibDesc TYPELIB_Proba;"})
    EXPECT_NE(h.find(expected), std::string::npos) << expected;
  for (const char* expected : {"IA::~IA() = default;", "IE::~IE() = default;"})
    EXPECT_NE(d.find(expected), std::string::npos) << expected;

  // Without it nothing is exported, the key functions stay where they are.
  ASSERT_EQ(generate(idl).status, 0);
  EXPECT_EQ(read("test_i.h").find("Export.h"), std::string::npos);
  EXPECT_NE(read("test_i.h").find("class IA : public plat::IDispatch {"), std::string::npos);
  EXPECT_NE(read("test_d.cpp").find("IA::~IA() = default;"), std::string::npos);

  // A macro must be a name: anything else is a usage error and writes nothing.
  fs::remove_all(dir_ / "out");
  EXPECT_EQ(generate(idl, "BAD MACRO").status, 2);
  EXPECT_FALSE(fs::exists(dir_ / "out"));
}

TEST_F(Generator, ReportsErrorsWithFileAndLine) {
  const std::string dual = "interface IA {10000000-0000-0000-0000-000000000004} : IDispatch {\n";
  const std::string custom = "interface IE {10000000-0000-0000-0000-000000000005} : IUnknown {\n";
  const struct Case {
    std::string idl;
    int line;
    std::string message;
  } cases[] = {
      {kHead + "klasa X;\n", 4, "expected library, appid, proxy, interface or coclass"},
      {kHead + dual + "  1 a()\n}\n", 6, "expected ';', found '}'"},
      {kHead + dual + "  1 a();\n  1 b();\n}\n", 6, "DISPID 1 already used by a"},
      {kHead + dual + "  1 dajX();\n  2 DAJX();\n}\n", 6, "already declared on line 5"},
      {kHead + dual + "  a();\n}\n", 5, "needs a DISPID above 0"},
      {kHead + custom + "  1 a();\n}\n", 5, "takes no DISPID"},
      {kHead + dual + "  1 a([out] long x);\n}\n", 5, "[out] long needs exactly one '*'"},
      {kHead + dual + "  1 a([in] long* x);\n}\n", 5, "[in] long* takes no '*'"},
      {kHead + dual + "  1 a([out, retval] long* x,\n      [in] long y);\n}\n", 5,
       "retval must be the last"},
      {kHead + custom + "  a([out, retval] long* x);\n}\n", 5, "retval only in an IDispatch"},
      {kHead + dual + "  1 a([out] INieznany** x);\n}\n", 5, "unknown type 'INieznany'"},
      {kHead + dual + "  1 a([in] REFIID iid);\n}\n", 5, "REFIID is not allowed"},
      {kHead + dual + "  1 a([inout] long x);\n}\n", 5, "expected in, out or out, retval"},
      {kHead + dual + "  1 a([in] long x, [in] long x);\n}\n", 5,
       "parameter x of a declared twice"},
      {kHead + dual + "  1 a([in] long delete);\n}\n", 5, "the name is reserved"},
      {kHead + "interface IA {1000000-0000-0000-0000-000000000004} : IDispatch {\n}\n", 4,
       "malformed GUID"},
      {kHead + "interface IA {10000000-0000-0000-0000-000000000001} : IDispatch {\n}\n", 4,
       "IID {10000000-0000-0000-0000-000000000001} already used on line 1"},
      {kHead + dual +
           "}\ncoclass C {10000000-0000-0000-0000-000000000006} progid \"P.C\" "
           "version 1 {\n  IA;\n}\n",
       6, "needs exactly one default interface"},
      {kHead + "coclass C {10000000-0000-0000-0000-000000000006} progid \"P\\C\" version 1 {\n}\n",
       4, "printable ASCII only"},
      {kHead + "coclass C {10000000-0000-0000-0000-000000000006} progid \"P.C\n", 4,
       "string not closed"},
      {"appid {10000000-0000-0000-0000-000000000002};\n"
       "proxy {10000000-0000-0000-0000-000000000003};\n\n",
       4, "no library statement"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.idl);
    fs::remove_all(dir_ / "out");
    const Outcome run = generate(c.idl);
    EXPECT_EQ(run.status, 1);
    const std::string where =
        (dir_ / "test.idl").string() + ":" + std::to_string(c.line) + ": error: ";
    EXPECT_EQ(run.errors.find(where), 0u) << run.errors;
    EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
    EXPECT_FALSE(fs::exists(dir_ / "out" / "test_i.h"));
  }
}

}  // namespace
