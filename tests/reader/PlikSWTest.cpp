#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/CodePage.h"
#include "platform/ComPtr.h"
#include "reader/PlikSW.h"
#include "support/TempFile.h"

using namespace swde;
using plat::HRESULT;

namespace {

using plat::ComPtr;

std::string take(plat::BSTR b) {
  std::string s = plat::cp1250FromBstr(b);
  plat::SysFreeString(b);
  return s;
}

const std::string kFile =
    "SWDE.W.1.13.0;plik do testu\r\n"
    "SP;\r\n"
    "B,G5IDD,ZN, 1 ;\r\n"
    "C;komentarz w sekcji\r\n"
    "W,G5DZE;\r\n"
    "SX;\r\n"
    "ST;\r\n"
    "TD,G5DZE,RO;\r\n"
    "C;komentarz w rekordzie\r\n"
    "TP,G5IDD;\r\n"
    "X;\r\n"
    "SX;\r\n"
    "SO;\r\n"
    "RO,G5DZE,,1,,;\r\n"
    "GL;\r\n"
    "P,P,G5PKT,2;\r\n"
    "\r\n"
    "PZ;\r\n"
    "GX;\r\n"
    "D,G5IDD,D,  146501_1.0001.12 ;\r\n"
    "X;\r\n"
    "RP,G5PKT,,2,,;\r\n"
    "P,G,5712345.12,6543210.34,;\r\n"
    "X;\r\n"
    "SX;\r\n"
    "SWDEX;\r\n";

class Reader : public ::testing::Test {
 protected:
  void open(const std::string& content, HRESULT expected = plat::S_OK) {
    file_ = std::make_unique<testsupport::TempFile>(content);
    ASSERT_EQ(reader_->otworz(file_->path(), 0), expected);
  }

  std::vector<int> recordTypesOfSection() {
    std::vector<int> types;
    for (;;) {
      ComPtr<RekordSW> rec;
      const HRESULT hr = reader_->dajKolejnyRekord(&rec);
      if (hr != plat::S_OK) {
        EXPECT_EQ(hr, plat::S_FALSE);
        EXPECT_FALSE(rec);
        break;
      }
      types.push_back(rec->recordType());
    }
    return types;
  }

  std::unique_ptr<testsupport::TempFile> file_;
  ComPtr<PlikSW> reader_{new PlikSW()};
};

TEST_F(Reader, StructuralWalkOfEverySection) {
  open(kFile);
  std::int32_t type = 0;
  ASSERT_EQ(reader_->dajTypPliku(&type), plat::S_OK);
  EXPECT_EQ(type, lcSWDE);
  double version = 0;
  ASSERT_EQ(reader_->dajWersjePliku(&version), plat::S_OK);
  EXPECT_DOUBLE_EQ(version, 1.13);

  // Right after opening no section is in hand.
  RekordSW* none = reinterpret_cast<RekordSW*>(1);
  EXPECT_EQ(reader_->dajKolejnyRekord(&none), plat::S_FALSE);
  EXPECT_EQ(none, nullptr);

  struct Section {
    std::int32_t code;
    std::vector<int> records;
  };
  const Section expected[] = {
      {scSP, {lcB, lcW}},
      {scST, {lcTD}},
      {scSO, {lcRO, lcRP}},
  };
  for (const Section& s : expected) {
    std::int32_t code = 0;
    ASSERT_EQ(reader_->ustawNaKolejnaSekcje(&code), plat::S_OK);
    EXPECT_EQ(code, s.code);
    std::int32_t current = 0;
    reader_->dajTypSekcji(&current);
    EXPECT_EQ(current, s.code);
    EXPECT_EQ(recordTypesOfSection(), s.records) << s.code;
  }
  std::int32_t code = -1;
  EXPECT_EQ(reader_->ustawNaKolejnaSekcje(&code), plat::S_FALSE);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(reader_->ustawNaKolejnaSekcje(&code), plat::S_FALSE);
  // The end-of-file checks found nothing.
  std::uint32_t kod, linia;
  plat::BSTR opis;
  EXPECT_EQ(reader_->dajOpisBledu(&kod, &linia, &opis), plat::S_FALSE);
}

TEST_F(Reader, RecordLinesWithAndWithoutComments) {
  open(kFile);
  std::int32_t code;
  reader_->ustawNaKolejnaSekcje(&code);  // SP
  reader_->ustawNaKolejnaSekcje(&code);  // ST: the SP records are read past
  ASSERT_EQ(code, scST);
  ComPtr<RekordSW> rec;
  ASSERT_EQ(reader_->dajKolejnyRekord(&rec), plat::S_OK);
  EXPECT_TRUE(rec->complete());
  std::uint32_t n = 0;
  rec->dajIloscLinii(&n);
  EXPECT_EQ(n, 3u);  // TD, TP, X: the comment line is skipped
  std::int32_t previous = -1;
  EXPECT_EQ(rec->pomijajKomentarze(0, &previous), plat::S_OK);
  EXPECT_EQ(previous, 1);
  rec->dajIloscLinii(&n);
  EXPECT_EQ(n, 4u);
  std::vector<int> codes;
  for (std::uint32_t i = 0; i < n; ++i) {
    ComPtr<LiniaSW> line;
    ASSERT_EQ(rec->dajLinie(i, &line), plat::S_OK);
    std::int32_t t;
    line->dajTypLinii(&t);
    codes.push_back(t);
  }
  EXPECT_EQ(codes, (std::vector<int>{lcTD, lcC, lcTP, lcX}));
  LiniaSW* past = reinterpret_cast<LiniaSW*>(1);
  EXPECT_EQ(rec->dajLinie(n, &past), plat::E_INVALIDARG);
  EXPECT_EQ(past, nullptr);
  EXPECT_EQ(rec->dajLinie(0, nullptr), plat::E_POINTER);
  rec->pomijajKomentarze(1, nullptr);
  ComPtr<LiniaSW> second;
  ASSERT_EQ(rec->dajLinie(1, &second), plat::S_OK);
  std::int32_t t;
  second->dajTypLinii(&t);
  EXPECT_EQ(t, lcTP);
  std::uint32_t pos = 0;
  rec->dajPozycjeWPliku(&pos);
  EXPECT_EQ(pos, kFile.find("TD,"));
}

TEST_F(Reader, EmptyLinesInsideARecordAreSkippedWithComments) {
  open(kFile);
  std::int32_t code;
  for (int i = 0; i < 3; ++i) reader_->ustawNaKolejnaSekcje(&code);
  ASSERT_EQ(code, scSO);
  ComPtr<RekordSW> ro;
  ASSERT_EQ(reader_->dajKolejnyRekord(&ro), plat::S_OK);
  std::uint32_t n;
  ro->dajIloscLinii(&n);
  EXPECT_EQ(n, 7u);  // RO GL P PZ GX D X
  ro->pomijajKomentarze(0, nullptr);
  ro->dajIloscLinii(&n);
  EXPECT_EQ(n, 8u);
}

TEST_F(Reader, LineFieldsWithAndWithoutTrimming) {
  open(kFile);
  std::vector<ComPtr<LiniaSW>> lines;
  for (;;) {
    ComPtr<LiniaSW> l;
    ASSERT_EQ(reader_->dajLinie(&l), plat::S_OK);
    if (!l) break;
    lines.push_back(std::move(l));
  }
  ASSERT_EQ(lines.size(), 27u);  // 26 lines and the empty one after the last line feed
  LiniaSW& d = *lines[19];
  std::int32_t t;
  d.dajTypLinii(&t);
  ASSERT_EQ(t, lcD);
  std::uint32_t count = 0;
  EXPECT_EQ(d.dajIloscPol(&count), plat::S_OK);
  EXPECT_EQ(count, 4u);
  plat::Variant v;
  plat::BSTR text = nullptr;
  // The free text of a D line holds the rest of the line, its ';' included.
  ASSERT_EQ(d.dajPole(3, v.raw(), &text), plat::S_OK);
  EXPECT_EQ(take(text), "146501_1.0001.12 ;");
  EXPECT_EQ(v.vt(), plat::VT_BSTR);
  // Blanks around a field are cut while insignificant characters are skipped.
  LiniaSW& b = *lines[2];
  ASSERT_EQ(b.dajPole(3, v.raw(), &text), plat::S_OK);
  EXPECT_EQ(take(text), "1");
  std::int32_t previous = 0;
  b.pomijajZnakiNieznaczace(0, &previous);
  EXPECT_EQ(previous, 1);
  ASSERT_EQ(b.dajPole(3, v.raw(), &text), plat::S_OK);
  EXPECT_EQ(take(text), " 1 ");
  EXPECT_EQ(v.vt(), plat::VT_UI4);
  EXPECT_EQ(v.raw()->ulVal, 1u);
  ASSERT_EQ(d.dajPole(0, v.raw(), &text), plat::S_OK);
  EXPECT_EQ(take(text), "D");
  EXPECT_EQ(d.dajPole(4, v.raw(), &text), plat::E_INVALIDARG);
  EXPECT_EQ(d.dajPole(0, nullptr, &text), plat::E_POINTER);
  EXPECT_EQ(d.dajPole(0, v.raw(), nullptr), plat::E_POINTER);

  // Typed values: the RO identifier is a string, the P coordinates doubles.
  LiniaSW& p = *lines[22];
  ASSERT_EQ(p.dajPole(2, v.raw(), &text), plat::S_OK);
  EXPECT_EQ(v.vt(), plat::VT_R8);
  EXPECT_DOUBLE_EQ(v.raw()->dblVal, 5712345.12);
  EXPECT_EQ(take(text), "5712345.12");
  ASSERT_EQ(p.dajPole(4, v.raw(), &text), plat::S_OK);
  EXPECT_EQ(v.vt(), plat::VT_EMPTY);
  EXPECT_EQ(text, nullptr);  // an empty field gives no text

  // Comment, separator, representation, number, position.
  LiniaSW& header = *lines[0];
  plat::BSTR comment = nullptr;
  ASSERT_EQ(header.dajKomentarz(&comment), plat::S_OK);
  EXPECT_EQ(take(comment), "plik do testu");
  std::int32_t sep = 0;
  header.jestSeparatorLinii(&sep);
  EXPECT_EQ(sep, 1);
  plat::BSTR repr = nullptr;
  header.dajReprezentacje(&repr);
  EXPECT_EQ(take(repr), "SWDE.W.1.13.0;plik do testu");
  std::uint32_t number = 0, position = 0;
  lines[13]->dajNumerLinii(&number);
  lines[13]->dajPozycjeWPliku(&position);
  EXPECT_EQ(number, 14u);
  EXPECT_EQ(position, kFile.find("RO,"));
  bool ok = false;
  lines[13]->jestPoprawnaSyntaktycznie(&ok);
  EXPECT_TRUE(ok);
  lines[13]->jestPoprawnaWKontekscie(&ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(lines[13]->jestPoprawnaSyntaktycznie(nullptr), plat::E_POINTER);
}

TEST_F(Reader, LinesWithErrorsHideTheirFields) {
  open("SWDE.W.1.13.0;\nSO;\nQQ,1;komentarz\nRO,G5DZE,,1;\nSX;\nSWDEX;\n");
  std::vector<ComPtr<LiniaSW>> lines;
  for (ComPtr<LiniaSW> l; reader_->dajLinie(&l) == plat::S_OK && l;) lines.push_back(std::move(l));
  ASSERT_GE(lines.size(), 4u);
  for (int i : {2, 3}) {
    LiniaSW& bad = *lines[i];
    std::uint32_t count = 7;
    EXPECT_EQ(bad.dajIloscPol(&count), plat::S_FALSE);
    EXPECT_EQ(count, 0u);
    plat::Variant v;
    plat::BSTR text = nullptr;
    EXPECT_EQ(bad.dajPole(0, v.raw(), &text), plat::S_FALSE);
    EXPECT_EQ(bad.dajKomentarz(&text), plat::S_FALSE);
    std::int32_t sep;
    EXPECT_EQ(bad.jestSeparatorLinii(&sep), plat::S_FALSE);
  }
  std::uint32_t kod = 0, linia = 0;
  plat::BSTR opis = nullptr;
  ASSERT_EQ(lines[2]->dajOpisBledu(&kod, &linia, &opis), plat::S_OK);
  EXPECT_EQ(kod, 121u);
  EXPECT_EQ(linia, 3u);
  EXPECT_EQ(take(opis), "Nierozpoznany typ linii : QQ");
  ASSERT_EQ(lines[3]->dajOpisBledu(&kod, &linia, &opis), plat::S_OK);
  EXPECT_EQ(kod, 122u);
  plat::SysFreeString(opis);
  EXPECT_EQ(lines[1]->dajOpisBledu(&kod, &linia, &opis), plat::S_FALSE);
  EXPECT_EQ(opis, nullptr);
  EXPECT_EQ(lines[1]->dajOpisBledu(nullptr, &linia, &opis), plat::E_POINTER);
  std::int32_t t;
  lines[2]->dajTypLinii(&t);
  EXPECT_EQ(t, 0);
}

TEST_F(Reader, RecordsCutShort) {
  // The second RO breaks the first record; an unknown line inside a record
  // stays in it; a stray record line outside records is read past.
  open(
      "SWDE.W.1.13.0;\nSO;\n"
      "RD,G5KLU,,1,,;\nD,G5OFU,D,R;\n"
      "RD,G5KLU,,2,,;\nQQ,x;\nD,G5OFU,D,R;\nX;\n"
      "D,G5OFU,D,R;\n"
      "RD,G5KLU,,3,,;\nX;\nSX;\nSWDEX;\n");
  std::int32_t code;
  ASSERT_EQ(reader_->ustawNaKolejnaSekcje(&code), plat::S_OK);
  struct Expect {
    std::uint32_t lines;
    bool complete;
  };
  const Expect expected[] = {{2, false}, {4, true}, {2, true}};
  for (const Expect& e : expected) {
    ComPtr<RekordSW> rec;
    ASSERT_EQ(reader_->dajKolejnyRekord(&rec), plat::S_OK);
    std::uint32_t n;
    rec->dajIloscLinii(&n);
    EXPECT_EQ(n, e.lines);
    EXPECT_EQ(rec->complete(), e.complete);
  }
  ComPtr<RekordSW> r;
  EXPECT_EQ(reader_->dajKolejnyRekord(&r), plat::S_FALSE);
  EXPECT_EQ(reader_->ustawNaKolejnaSekcje(&code), plat::S_FALSE);
}

TEST_F(Reader, RecordCutByTheEndOfTheFile) {
  open("SWDE.W.1.13.0;\nSO;\nRD,G5KLU,,1,,;\nD,G5OFU,D,R;\n");
  std::int32_t code;
  ASSERT_EQ(reader_->ustawNaKolejnaSekcje(&code), plat::S_OK);
  ComPtr<RekordSW> rec;
  ASSERT_EQ(reader_->dajKolejnyRekord(&rec), plat::S_OK);
  EXPECT_FALSE(rec->complete());
  EXPECT_TRUE(rec->errorSeen());  // the end-of-file check found the open record
  std::uint32_t n;
  rec->dajIloscLinii(&n);
  EXPECT_EQ(n, 2u);
  // The end-of-file error travels on the empty last line, which the record
  // holds among its free lines.
  rec->pomijajKomentarze(0, nullptr);
  rec->dajIloscLinii(&n);
  ASSERT_EQ(n, 3u);
  ComPtr<LiniaSW> last;
  ASSERT_EQ(rec->dajLinie(2, &last), plat::S_OK);
  std::uint32_t kod, linia;
  plat::BSTR opis = nullptr;
  ASSERT_EQ(last->dajOpisBledu(&kod, &linia, &opis), plat::S_OK);
  EXPECT_EQ(kod, 210u);
  plat::SysFreeString(opis);
}

TEST_F(Reader, SectionWithoutRecords) {
  open("SWDE.W.1.13.0;\nSP;\nSX;\nSO;\nSX;\nSWDEX;\n");
  std::int32_t code;
  ASSERT_EQ(reader_->ustawNaKolejnaSekcje(&code), plat::S_OK);
  EXPECT_EQ(recordTypesOfSection(), std::vector<int>{});
  ASSERT_EQ(reader_->ustawNaKolejnaSekcje(&code), plat::S_OK);
  EXPECT_EQ(code, scSO);
  EXPECT_EQ(recordTypesOfSection(), std::vector<int>{});
}

TEST_F(Reader, LinearModeRefusesTheStructuralWalkUntilReset) {
  open(kFile);
  ComPtr<LiniaSW> header;
  ASSERT_EQ(reader_->dajLinie(&header), plat::S_OK);
  std::int32_t t;
  header->dajTypLinii(&t);
  EXPECT_EQ(t, lcSWDE);  // the header comes first
  plat::ClearErrorInfo();
  std::int32_t code;
  EXPECT_EQ(reader_->ustawNaKolejnaSekcje(&code), plat::E_FAIL);
  plat::ErrorInfo info;
  ASSERT_TRUE(plat::GetErrorInfo(info));
  EXPECT_EQ(info.description,
            plat::cp("Wywołanie niewłaściwej metody dostępu do danych w sposób strukturalny. "
                     "Aktywny jest tryb odczytu liniowego z pliku."));
  EXPECT_EQ(info.iid, IID_IPlikSW);
  EXPECT_EQ(info.source, "OLVENLIB.PlikSW");
  ComPtr<RekordSW> r;
  EXPECT_EQ(reader_->dajKolejnyRekord(&r), plat::E_FAIL);

  ASSERT_EQ(reader_->resetuj(), plat::S_OK);
  ASSERT_EQ(reader_->ustawNaKolejnaSekcje(&code), plat::S_OK);
  EXPECT_EQ(code, scSP);
  // Mixing back: lines after the structural walk continue where it stopped.
  ComPtr<LiniaSW> next;
  ASSERT_EQ(reader_->dajLinie(&next), plat::S_OK);
  next->dajTypLinii(&t);
  EXPECT_EQ(t, lcB);
}

TEST_F(Reader, ResetGivesTheStateOfOpen) {
  open(kFile);
  std::int32_t code;
  reader_->ustawNaKolejnaSekcje(&code);
  ComPtr<RekordSW> r;
  reader_->dajKolejnyRekord(&r);
  r.reset();
  ASSERT_EQ(reader_->resetuj(), plat::S_OK);
  std::uint64_t pos = 1;
  // The header was read again, and it is the first line handed out.
  ComPtr<LiniaSW> header;
  ASSERT_EQ(reader_->dajLinie(&header), plat::S_OK);
  std::int32_t t;
  header->dajTypLinii(&t);
  EXPECT_EQ(t, lcSWDE);
  reader_->dajPozycjeWPliku(&pos);
  EXPECT_GT(pos, 0u);
}

TEST_F(Reader, OpenFailures) {
  // An unrecognised header: S_FALSE, closed, the error readable.
  open("SWDF.W.1.13.0;\n", plat::S_FALSE);
  std::uint32_t kod = 0, linia = 0;
  plat::BSTR opis = nullptr;
  ASSERT_EQ(reader_->dajOpisBledu(&kod, &linia, &opis), plat::S_OK);
  EXPECT_EQ(kod, 104u);
  EXPECT_EQ(take(opis), "Nierozpoznany format pliku");
  ComPtr<LiniaSW> l;
  plat::ClearErrorInfo();
  EXPECT_EQ(reader_->dajLinie(&l), plat::E_FAIL);
  plat::ErrorInfo info;
  ASSERT_TRUE(plat::GetErrorInfo(info));
  EXPECT_EQ(info.description, "Plik nie jest otwarty");

  // A missing file: a failing result naming the file and the reason.
  ComPtr<PlikSW> other(new PlikSW());
  EXPECT_TRUE(plat::FAILED(other->otworz(std::string("/nonexistent/x.swd"), 0)));
  ASSERT_TRUE(plat::GetErrorInfo(info));
  EXPECT_EQ(info.description,
            plat::cp("Nie można otworzyć pliku: /nonexistent/x.swd (plik nie istnieje)"));

  // A name with a NUL inside is refused, not cut.
  ComPtr<PlikSW> nul(new PlikSW());
  const std::u16string withNul(u"/tmp\0x.swd", 10);
  plat::BStr nulName(
      plat::SysAllocStringLen(withNul.data(), static_cast<std::uint32_t>(withNul.size())));
  EXPECT_EQ(nul->otworz(nulName.get(), 0), plat::E_INVALIDARG);
  ASSERT_TRUE(plat::GetErrorInfo(info));
  EXPECT_NE(info.description.find("niedozwolony znak"), std::string::npos);

  // Opening twice.
  testsupport::TempFile f(kFile);
  ComPtr<PlikSW> twice(new PlikSW());
  ASSERT_EQ(twice->otworz(f.path(), 1), plat::S_OK);
  EXPECT_EQ(twice->otworz(f.path(), 1), plat::E_FAIL);
  ASSERT_TRUE(plat::GetErrorInfo(info));
  EXPECT_EQ(info.description, plat::cp("Plik jest już otwarty"));
}

TEST_F(Reader, PathAsBstrIsUtf8) {
  const char* dir = std::getenv("TMPDIR");
  const std::string path = std::string(dir && *dir ? dir : "/tmp") +
                           "/olvtest_\xC5\x82\xC4\x85ka_" + std::to_string(::getpid()) +
                           ".swd";  // "łąka" in UTF-8
  FILE* w = std::fopen(path.c_str(), "wb");
  ASSERT_NE(w, nullptr);
  std::fputs(kFile.c_str(), w);
  std::fclose(w);
  const std::u16string wide = plat::utf8ToUtf16(path);
  plat::BStr name(plat::SysAllocStringLen(wide.data(), static_cast<std::uint32_t>(wide.size())));
  EXPECT_EQ(reader_->otworz(name.get(), 0), plat::S_OK);
  std::remove(path.c_str());
}

// Error information is cp1250 text: a file name in the file system's UTF-8,
// given either way, is shown converted (a letter cp1250 lacks as '?'), also
// for a FIFO, which is refused at once.
TEST_F(Reader, OpenFailuresNameTheFileAsCp1250Text) {
  const char* dir = std::getenv("TMPDIR");
  const std::string folder = std::string(dir && *dir ? dir : "/tmp");
  const std::string base = "/olvtest_łąka_ж_" + std::to_string(::getpid());
  const std::string shown = folder + plat::cp("/olvtest_łąka_?_") + std::to_string(::getpid());
  const std::string fifo = folder + base + ".fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::string path;
    std::string expected;
  };
  const Case cases[] = {
      {folder + base + ".swd",
       plat::cp("Nie można otworzyć pliku: ") + shown + plat::cp(".swd (plik nie istnieje)")},
      {fifo, plat::cp("Nie można otworzyć pliku: ") + shown +
                 plat::cp(".fifo (to nie jest zwykły plik)")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    for (const bool wide : {false, true}) {
      ComPtr<PlikSW> r(new PlikSW());
      const std::u16string w = plat::utf8ToUtf16(c.path);
      plat::BStr name(plat::SysAllocStringLen(w.data(), static_cast<std::uint32_t>(w.size())));
      EXPECT_TRUE(plat::FAILED(wide ? r->otworz(name.get(), 0) : r->otworz(c.path, 0)));
      plat::ErrorInfo info;
      ASSERT_TRUE(plat::GetErrorInfo(info));
      EXPECT_EQ(info.description, c.expected);
    }
  }
  std::remove(fifo.c_str());
}

TEST_F(Reader, SizeAndPosition) {
  open(kFile);
  std::uint32_t size = 0;
  ASSERT_EQ(reader_->dajRozmiarPliku(&size), plat::S_OK);
  EXPECT_EQ(size, kFile.size());
  std::uint64_t size64 = 0;
  reader_->dajRozmiarPliku(&size64);
  EXPECT_EQ(size64, kFile.size());
  EXPECT_EQ(reader_->dajPozycjeWPliku(static_cast<std::uint32_t*>(nullptr)), plat::E_INVALIDARG);
  EXPECT_EQ(reader_->dajRozmiarPliku(static_cast<std::uint32_t*>(nullptr)), plat::E_POINTER);
  ComPtr<PlikSW> closed(new PlikSW());
  EXPECT_EQ(closed->dajRozmiarPliku(&size), plat::E_FAIL);
  EXPECT_EQ(saturate32(5000000000ULL), 0xFFFFFFFFu);
}

TEST(ReaderServices, ConversionsAndCrc) {
  const std::string win = plat::cp("Źródło Łąk");
  plat::BStr in(plat::bstrFromCp1250(win));
  plat::BSTR iso = nullptr;
  ASSERT_EQ(PlikSW::konwertujWinISO(in.get(), &iso), plat::S_OK);
  plat::BSTR back = nullptr;
  ASSERT_EQ(PlikSW::konwertujISOWin(iso, &back), plat::S_OK);
  EXPECT_EQ(take(iso),
            "\xACr\xF3"
            "d\xB3o \xA3\xB1k");
  EXPECT_EQ(take(back), win);
  plat::BSTR out = reinterpret_cast<plat::BSTR>(1);
  EXPECT_EQ(PlikSW::konwertujISOWin(nullptr, &out), plat::S_OK);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(PlikSW::konwertujISOWin(nullptr, nullptr), plat::E_POINTER);

  std::uint32_t sum = 0;
  plat::BStr digits(plat::bstrFromCp1250("123456789"));
  ASSERT_EQ(PlikSW::policzCRC(digits.get(), 0xFFFFFFFFu, &sum), plat::S_OK);
  EXPECT_EQ(sum, 0x340BC6D9u);
  plat::BStr b1(plat::bstrFromCp1250("\xB1"));
  PlikSW::policzCRC(b1.get(), 0xFFFFFFFFu, &sum);
  EXPECT_EQ(sum, 0x919B9368u);
  // Chained over two texts, as a client sums a file piece by piece.
  plat::BStr a(plat::bstrFromCp1250("1234")), c(plat::bstrFromCp1250("56789"));
  PlikSW::policzCRC(a.get(), 0xFFFFFFFFu, &sum);
  PlikSW::policzCRC(c.get(), sum, &sum);
  EXPECT_EQ(sum, 0x340BC6D9u);
  PlikSW::policzCRC(nullptr, 0x1234u, &sum);
  EXPECT_EQ(sum, 0x1234u);
  EXPECT_EQ(PlikSW::policzCRC(nullptr, 0, nullptr), plat::E_POINTER);
}

TEST(ReaderServices, ErrorSourceAndInterfaces) {
  ComPtr<PlikSW> f(new PlikSW());
  plat::BSTR src = nullptr;
  ASSERT_EQ(f->dajZrodlo(&src), plat::S_OK);
  EXPECT_EQ(take(src), "OLVENLIB.PlikSW");
  EXPECT_EQ(f->obslugujeInterfejs(IID_IPlikSW), plat::S_OK);
  EXPECT_EQ(f->obslugujeInterfejs(IID_ILiniaSW), plat::S_FALSE);
  ComPtr<IErrorSW> errors;
  ASSERT_EQ(f->QueryInterface(IID_IErrorSW, errors.outVoid()), plat::S_OK);
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(f->QueryInterface(IID_ILiniaSW, &p), plat::E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
}

}  // namespace

namespace {

TEST(ReaderEndOfFile, StructuralWalkLeavesTheEndOfFileErrorPending) {
  for (const char* content :
       {"SWDE.W.1.13.0;\nSO;\nRD,G5KLU,,1,,;\nX;\n", "SWDE.W.1.13.0;\nSO;\nRD,G5KLU,,1,,;\nX;"}) {
    testsupport::TempFile f(content);
    ComPtr<PlikSW> reader(new PlikSW());
    ASSERT_EQ(reader->otworz(f.path(), 0), plat::S_OK);
    std::int32_t code;
    ASSERT_EQ(reader->ustawNaKolejnaSekcje(&code), plat::S_OK);
    ComPtr<RekordSW> r;
    ASSERT_EQ(reader->dajKolejnyRekord(&r), plat::S_OK);
    EXPECT_EQ(reader->dajKolejnyRekord(&r), plat::S_FALSE);  // the first one released
    EXPECT_FALSE(r);
    EXPECT_EQ(reader->ustawNaKolejnaSekcje(&code), plat::S_FALSE);
    std::uint32_t kod = 0, linia = 0;
    plat::BSTR opis = nullptr;
    ASSERT_EQ(reader->dajOpisBledu(&kod, &linia, &opis), plat::S_OK) << content;
    EXPECT_EQ(kod, 211u);
    plat::SysFreeString(opis);
  }
}

TEST(ReaderEndOfFile, LinearWalkHandsTheErrorOutOnTheLastLineOnce) {
  for (const char* content : {"SWDE.W.1.13.0;\nSO;\n", "SWDE.W.1.13.0;\nSO;"}) {
    testsupport::TempFile f(content);
    ComPtr<PlikSW> reader(new PlikSW());
    ASSERT_EQ(reader->otworz(f.path(), 0), plat::S_OK);
    std::vector<std::uint32_t> codes;
    for (;;) {
      ComPtr<LiniaSW> line;
      ASSERT_EQ(reader->dajLinie(&line), plat::S_OK);
      if (!line) break;
      bool syntax = false, context = false;
      line->jestPoprawnaSyntaktycznie(&syntax);
      line->jestPoprawnaWKontekscie(&context);
      std::uint32_t kod, linia;
      plat::BSTR opis = nullptr;
      if (line->dajOpisBledu(&kod, &linia, &opis) == plat::S_OK) {
        codes.push_back(kod);
        EXPECT_FALSE(syntax && context);  // a line with an error never passes both checks
      }
      plat::SysFreeString(opis);
    }
    EXPECT_EQ(codes, std::vector<std::uint32_t>{211}) << content;
    std::uint32_t kod, linia;
    plat::BSTR opis = nullptr;
    EXPECT_EQ(reader->dajOpisBledu(&kod, &linia, &opis), plat::S_FALSE) << content;
  }
}

}  // namespace
