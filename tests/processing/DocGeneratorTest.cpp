#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/RtfReader.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "processing/bzDocCounters.h"
#include "processing/bzDocGenerator.h"
#include "processing/bzException.h"
#include "support/TempRegistry.h"

using namespace swde;
using plat::cp;

namespace {

const std::string kScript = std::string(OLV_SAMPLES) + "/../setup/szablon.reg";

// Registry, clock and script of one test; the seams go back at the end.
class DocGenerator : public ::testing::Test {
 protected:
  void SetUp() override {
    bzDocGenerator::setClock([] { return std::time_t{1772712000}; });  // 2026-03-05 12:00 UTC
    bzDocGenerator::setScriptPath(kScript);
  }
  void TearDown() override {
    bzDocGenerator::setClock(nullptr);
    bzDocGenerator::setScriptPath("");
  }

  static void setValue(const char* name, const std::string& value) {
    plat::TRegistry reg;
    reg.RootKey = plat::HKEY_LOCAL_MACHINE;
    ASSERT_TRUE(reg.OpenKey(bzDocGenerator::kTemplateKey, true));
    reg.WriteString(name, value);
  }
  static std::optional<std::string> value(const char* name) {
    plat::TRegistry reg;
    reg.RootKey = plat::HKEY_LOCAL_MACHINE;
    if (!reg.OpenKeyReadOnly(bzDocGenerator::kTemplateKey) || !reg.ValueExists(name))
      return std::nullopt;
    return reg.ReadString(name);
  }
  static void useTemplates(const std::string& head, const std::string& sectHead,
                           const std::string& sectMain, const std::string& foot) {
    setValue("DA_HEAD", head);
    setValue("DA_SECT_HEAD", sectHead);
    setValue("DA_SECT_MAIN", sectMain);
    setValue("DA_FOOT", foot);
  }
  static const std::string& plainHead() {
    static const std::string t =
        "H $$DATA $$WYDAWCA $$PLIK $$ROZMIARPLIKU $$LINIEKOMENTARZA $$ZNAKIKOMENTARZA "
        "$$SUMAPLIKU|";
    return t;
  }

  // The message of the bzException that body raises.
  template <class Body>
  static std::string failure(Body body) {
    try {
      body();
    } catch (const bzException& e) {
      return plat::cp1250ToUtf8(e.Message());
    }
    return "<none>";
  }

  testsupport::TempRegistry registry_;
};

TEST_F(DocGenerator, WithoutValuesOrScriptTheEmptyTemplatesFailAtTheFirstKeyword) {
  bzDocGenerator::setScriptPath(registry_.folder() + "/none.reg");
  EXPECT_EQ(failure([] { bzDocGenerator("05-03-2026", "...", "a.swd", 1, 0, 0, 0); }),
            "Nie znaleziono słowa kluczowego $$DATA");
  for (const char* name : {"DA_HEAD", "DA_SECT_HEAD", "DA_SECT_MAIN", "DA_FOOT"})
    EXPECT_EQ(value(name), std::string()) << name;
}

TEST_F(DocGenerator, TheShippedScriptGivesOneReadableDocument) {
  bzDocGenerator gen(bzDocGenerator::today(), "...", "dane_crc.swd", 5000000123ull, 3, 41,
                     4294967295u);
  bzDocCounters counters;
  for (unsigned slot = 0; slot < 6; ++slot)
    gen.addSection(slot != 2, counters.getSectionName(slot), slot == 3 ? 42 : 7, 1,
                   slot == 3 ? 1648093069u : 99);
  gen.closeDocument();
  const std::string& rtf = gen.getDocument();

  EXPECT_TRUE(rtfBalanced(rtf)) << rtf;
  EXPECT_EQ(rtf.find("$$"), std::string::npos) << rtf;
  EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1250", 0), 0u);
  for (unsigned char c : rtf) EXPECT_TRUE(c >= 0x20 && c < 0x80) << int(c);

  const std::string text = rtfPlainTextUtf8(rtf);
  for (const char* line :
       {"Sumy kontrolne pliku danych\n", "Data:\t05-03-2026\n", "Wydawca:\t...\n",
        "Plik:\tdane_crc.swd\n", "Rozmiar pliku (bajty):\t5000000123\n",
        "Liczba linii komentarza:\t3\n", "Liczba znaków komentarza:\t41\n",
        "Suma kontrolna pliku (CRC-32):\t4294967295\n", "Sekcja SP\tBrak\n",
        "Sekcja ST\t\nLiczba znaków:\t42\nLiczba rekordów:\t1\n"
        "Suma kontrolna sekcji (CRC-32):\t1648093069\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n---\n" << text;
  // The absent section has no body.
  const std::size_t sp = text.find("Sekcja SP");
  const std::size_t st = text.find("Sekcja ST");
  ASSERT_NE(sp, std::string::npos);
  EXPECT_EQ(text.substr(sp, st - sp).find("Liczba"), std::string::npos);

  // The import filled the registry: a second document needs no script.
  bzDocGenerator::setScriptPath(registry_.folder() + "/none.reg");
  bzDocGenerator again("01-01-2000", "...", "x", 0, 0, 0, 0);
  EXPECT_NE(again.getDocument().find("01-01-2000"), std::string::npos);
}

TEST_F(DocGenerator, AUsersTemplatesAreKept) {
  useTemplates(plainHead(), "[$$NAZWA $$BRAK]", "<$$ZNAK $$REKORD $$SUMA>", "END");
  bzDocGenerator gen("d", "...", "f", 1, 2, 3, 4);
  gen.addSection(true, "SN", 5, 6, 7);
  gen.closeDocument();
  EXPECT_EQ(gen.getDocument(), "H d ... f 1 2 3 4|[SN ]<5 6 7>END");
  EXPECT_EQ(value("DA_HEAD"), plainHead());

  // Only a head of the user's own: no import; the other templates are made
  // empty and the first section fails.
  testsupport::TempRegistry fresh;
  setValue("DA_HEAD", plainHead());
  bzDocGenerator head("d", "...", "f", 1, 2, 3, 4);
  EXPECT_EQ(failure([&] { head.addSection(true, "SN", 5, 6, 7); }),
            "Nie znaleziono słowa kluczowego $$NAZWA");
  EXPECT_EQ(value("DA_HEAD"), plainHead());
  EXPECT_EQ(value("DA_SECT_HEAD"), std::string());
}

TEST_F(DocGenerator, AMalformedScriptFailsWithTheRegistrysMessage) {
  const std::string script = registry_.folder() + "/bad.reg";
  std::ofstream(script) << "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLVEN]\n\"DA_HEAD\"=oops\n";
  bzDocGenerator::setScriptPath(script);
  std::string expected;
  EXPECT_FALSE(plat::ImportRegistryScript(script, &expected));
  EXPECT_EQ(failure([] { bzDocGenerator("d", "...", "f", 1, 2, 3, 4); }),
            plat::cp1250ToUtf8(expected));
  EXPECT_EQ(value("DA_HEAD"), std::nullopt);
}

// The message is cp1250 text: the script's path in it is shown so.
TEST_F(DocGenerator, TheScriptsPathInTheMessageIsCp1250Text) {
  const std::string script = registry_.folder() + "/szablon-łąka.reg";
  std::ofstream(script) << "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLVEN]\n\"DA_HEAD\"=oops\n";
  bzDocGenerator::setScriptPath(script);
  const std::string shown = registry_.folder() + "/szablon-" + cp("łąka") + ".reg";
  std::string message;
  EXPECT_FALSE(plat::ImportRegistryScript(script, &message));
  EXPECT_NE(message.find(shown + cp(", wiersz 3")), std::string::npos) << message;
  EXPECT_EQ(failure([] { bzDocGenerator("d", "...", "f", 1, 2, 3, 4); }),
            plat::cp1250ToUtf8(message));
}

TEST_F(DocGenerator, KeywordsFillOnlyTheTemplatesOwnText) {
  useTemplates(plainHead(), "[$$NAZWA $$BRAK]", "<$$ZNAK $$REKORD $$SUMA $$SUMA>", "}");
  // The name holds a keyword and RTF specials; the second $$SUMA stays.
  bzDocGenerator gen("d", "...", "a$$NAZWA{\\}.swd", 1, 2, 3, 4);
  gen.addSection(false, "SP", 0, 0, 0);
  gen.addSection(true, "ST", 42, 1, 9);
  EXPECT_EQ(gen.getDocument(),
            "H d ... a$$NAZWA\\{\\\\\\}.swd 1 2 3 4|[SP Brak][ST ]<42 1 9 $$SUMA>");

  useTemplates("$$DATA $$WYDAWCA $$PLIK $$ROZMIARPLIKU $$LINIEKOMENTARZA $$ZNAKIKOMENTARZA",
               "[$$NAZWA $$BRAK]", "<$$ZNAK $$REKORD>", "}");
  EXPECT_EQ(failure([] { bzDocGenerator("d", "...", "f", 1, 2, 3, 4); }),
            "Nie znaleziono słowa kluczowego $$SUMAPLIKU");
  useTemplates(plainHead(), "[$$NAZWA $$BRAK]", "<$$ZNAK $$REKORD>", "");
  bzDocGenerator noSum("d", "...", "f", 1, 2, 3, 4);
  EXPECT_EQ(failure([&] { noSum.addSection(true, "SN", 1, 2, 3); }),
            "Nie znaleziono słowa kluczowego $$SUMA");
  noSum.addSection(false, "SN", 1, 2, 3);
  EXPECT_EQ(failure([&] { noSum.closeDocument(); }), "Pusty szablon dokumentu DA_FOOT");

  std::string text = "x $$A $$A";
  bzDocGenerator::replace(text, "$$A", "$$A!");
  EXPECT_EQ(text, "x $$A! $$A");
}

TEST_F(DocGenerator, ValuesAndNamesAreEscaped) {
  struct Case {
    std::string in, text, name;
  };
  const Case cases[] = {
      {"a\\b{c}", "a\\\\b\\{c\\}", "a\\\\b\\{c\\}"},
      {"t\tx\x01", "t\\'09x\\'01", "t\\'09x\\'01"},
      {"\xc4\x85.swd", "\xc4\x85.swd", "\\'b9.swd"},     // ą, UTF-8: its cp1250 byte
      {"\xd0\xb6.swd", "\xd0\xb6.swd", "\\u1078?.swd"},  // ж has no cp1250 byte
      {"\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80", "\\u-10179?\\u-8704?"},  // U+1F600
      {"\xb9\xe6.swd", "\xb9\xe6.swd", "\\'b9\\'e6.swd"},               // cp1250 bytes, not UTF-8
      {"\xc4", "\xc4", "\\'c4"},                                        // cut UTF-8
      {"\xc0\xaf", "\xc0\xaf", "\\'c0\\'af"},                           // overlong
  };
  for (const Case& c : cases) {
    EXPECT_EQ(bzDocGenerator::rtfText(c.in), c.text) << c.in;
    EXPECT_EQ(bzDocGenerator::rtfFileName(c.in), c.name) << c.in;
  }
  // Read back as the one paragraph of a document.
  const std::string decoded = rtfPlainTextUtf8(
      "{\\rtf1 " + bzDocGenerator::rtfFileName("\xc4\x85\xd0\xb6\xf0\x9f\x98\x80") + "}");
  EXPECT_EQ(decoded, "\xc4\x85\xd0\xb6\xf0\x9f\x98\x80\n");
}

TEST_F(DocGenerator, SaveWritesTheBytesOrNamesTheFailure) {
  useTemplates(plainHead(), "[$$NAZWA $$BRAK]", "<$$ZNAK $$REKORD $$SUMA>", "}\n");
  bzDocGenerator gen("d", "...", "f", 1, 2, 3, 4);
  gen.closeDocument();
  const std::string path = registry_.folder() + "/doc.rtf";
  gen.save(path);
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  EXPECT_EQ(s.str(), "H d ... f 1 2 3 4|}\n");  // no CR added
  EXPECT_EQ(failure([&] { gen.save(registry_.folder() + "/no/doc.rtf"); }),
            "Błąd zapisu pliku " + registry_.folder() +
                "/no/doc.rtf: " + plat::cp1250ToUtf8(plat::fileWriteErrorReason(ENOENT)));
}

}  // namespace
