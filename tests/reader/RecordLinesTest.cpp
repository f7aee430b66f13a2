// The lines a record walk hands out are the lines the file holds: the same as
// a line-by-line read of it gives, record after record (the reader keeps the
// lines of records in lines of its own, used again once nobody holds them),
// and a line still held keeps what it was read with.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/ComPtr.h"
#include "reader/PlikSW.h"
#include "support/TempFile.h"

using namespace swde;

namespace {

using plat::ComPtr;

std::string take(plat::BSTR b) {
  if (!b) return "<null>";
  std::string s = plat::cp1250FromBstr(b);
  plat::SysFreeString(b);
  return s;
}

// Everything a caller can ask of a line, as text.
std::string describe(LiniaSW& line) {
  std::ostringstream out;
  std::int32_t code = 0, sep = 0;
  std::uint64_t number = 0, position = 0;
  bool syntax = false, context = false;
  line.dajTypLinii(&code);
  line.dajNumerLinii(&number);
  line.dajPozycjeWPliku(&position);
  line.jestSeparatorLinii(&sep);
  line.jestPoprawnaSyntaktycznie(&syntax);
  line.jestPoprawnaWKontekscie(&context);
  plat::BSTR repr = nullptr, comment = nullptr;
  line.dajReprezentacje(&repr);
  line.dajKomentarz(&comment);
  out << code << " #" << number << " @" << position << " sep " << sep << " ok " << syntax << context
      << " [" << take(repr) << "] comment [" << take(comment) << "]";
  std::uint32_t count = 0;
  out << " hr " << line.dajIloscPol(&count) << " fields " << count;
  for (const std::int32_t trim : {1, 0}) {
    line.pomijajZnakiNieznaczace(trim, nullptr);
    for (std::uint32_t i = 0; i < count; ++i) {
      plat::Variant v;
      plat::BSTR text = nullptr;
      const plat::HRESULT hr = line.dajPole(i, v.raw(), &text);
      out << " | " << hr << " [" << take(text) << "] vt " << v.vt();
      if (v.vt() == plat::VT_I4) out << " " << v.raw()->lVal;
      if (v.vt() == plat::VT_UI4) out << " " << v.raw()->ulVal;
      if (v.vt() == plat::VT_R8) out << " " << v.raw()->dblVal;
      if (v.vt() == plat::VT_BSTR) out << " " << plat::cp1250FromBstr(v.raw()->bstrVal);
    }
  }
  line.pomijajZnakiNieznaczace(1, nullptr);
  std::uint32_t kod = 0, linia = 0;
  plat::BSTR opis = nullptr;
  const plat::HRESULT hr = line.dajOpisBledu(&kod, &linia, &opis);
  out << " error " << hr << " " << kod << " " << linia << " " << take(opis);
  return out.str();
}

// Records of several shapes in turn, so that the lines used again meet
// texts, fields and values of other lengths and kinds: geometry with
// doubles, free text with and without a comment, blanks around fields,
// comment and empty lines, and a line with an error.
std::string dataFile() {
  std::string s =
      "SWDE.W.1.13.0;plik do testu\r\n"
      "SP;\r\n"
      "B,G5IDD,ZN, 1 ;\r\n"
      "W,G5DZE;\r\n"
      "SX;\r\n"
      "SO;\r\n";
  for (int i = 0; i < 40; ++i) {
    const std::string n = std::to_string(i);
    switch (i % 4) {
      case 0:
        s += "RO,G5DZE,,D" + n + ",,;\r\nGL;\r\nP,P,G5PKT,P" + n + ";\r\nPZ;\r\nGX;\r\n" +
             "D,G5IDD,D,  146501_1.0001." + n + " ;\r\nX;\r\n";
        break;
      case 1:
        s += "RP,G5PKT,,P" + n + ",,;\r\nC;komentarz " + n + "\r\n\r\nP,G,5712345." + n +
             ",6543210.34,;\r\nX;\r\n";
        break;
      case 2:
        s += "RD,,G5KLU," + n + ",O" + n + ",01;\r\nD,G5OFU,D,R;uwaga do " + n +
             "\r\nD,G5PEW,D,0." + n + ";\r\nWL,G5RDZE,OCB2DB53D8" + n + ";\r\nX;\r\n";
        break;
      default:
        s += "RD,,G5KLU," + n + ",O" + n + ",01;\r\nD,G5OFU;\r\nX;\r\n";
        break;
    }
  }
  s += "SX;\r\nSWDEX;\r\n";
  return s;
}

// Every line of the file at path as the line-by-line read gives it, by line
// number.
void readLineByLine(const std::string& path, std::map<std::uint64_t, std::string>& out) {
  ComPtr<PlikSW> linear(new PlikSW());
  ASSERT_EQ(linear->otworz(path, 0), plat::S_OK);
  for (;;) {
    ComPtr<LiniaSW> l;
    ASSERT_EQ(linear->dajLinie(&l), plat::S_OK);
    if (!l) break;
    std::uint64_t number = 0;
    l->dajNumerLinii(&number);
    out[number] = describe(*l);
  }
}

class RecordLines : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = std::make_unique<testsupport::TempFile>(dataFile());
    ASSERT_NO_FATAL_FAILURE(readLineByLine(file_->path(), asRead_));
    ASSERT_EQ(reader_->otworz(file_->path(), 0), plat::S_OK);
  }

  // body(record) for each record of every section.
  template <class Body>
  void eachRecord(Body body) {
    std::int32_t section = 0;
    while (reader_->ustawNaKolejnaSekcje(&section) == plat::S_OK) {
      for (;;) {
        ComPtr<RekordSW> record;
        if (reader_->dajKolejnyRekord(&record) != plat::S_OK) break;
        body(*record);
      }
    }
  }

  std::unique_ptr<testsupport::TempFile> file_;
  ComPtr<PlikSW> reader_{new PlikSW()};
  std::map<std::uint64_t, std::string> asRead_;
};

TEST_F(RecordLines, EveryRecordLineIsTheLineAsRead) {
  std::size_t compared = 0;
  bool sawError = false;
  eachRecord([&](RekordSW& record) {
    record.pomijajKomentarze(0, nullptr);  // comment and empty lines too
    std::uint32_t count = 0;
    ASSERT_EQ(record.dajIloscLinii(&count), plat::S_OK);
    for (std::uint32_t i = 0; i < count; ++i) {
      ComPtr<LiniaSW> line;
      ASSERT_EQ(record.dajLinie(i, &line), plat::S_OK);
      std::uint64_t number = 0;
      line->dajNumerLinii(&number);
      const std::string seen = describe(*line);
      ASSERT_TRUE(asRead_.count(number)) << number;
      EXPECT_EQ(seen, asRead_[number]) << "line " << number;
      bool ok = true;
      line->jestPoprawnaSyntaktycznie(&ok);
      sawError = sawError || !ok;
      ++compared;
    }
  });
  // Every line of the 40 records, the line with an error among them.
  EXPECT_EQ(compared, 10u * 7 + 10u * 5 + 10u * 5 + 10u * 3 + 2);
  EXPECT_TRUE(sawError);
}

TEST_F(RecordLines, ALineHeldKeepsWhatItWasReadWith) {
  // Lines of the first records, held while the rest of the file is read.
  std::vector<ComPtr<LiniaSW>> held;
  std::vector<std::string> before;
  eachRecord([&](RekordSW& record) {
    std::uint32_t count = 0;
    record.dajIloscLinii(&count);
    if (held.size() >= 12) return;
    for (std::uint32_t i = 0; i < count; ++i) {
      ComPtr<LiniaSW> line;
      ASSERT_EQ(record.dajLinie(i, &line), plat::S_OK);
      before.push_back(describe(*line));
      held.push_back(std::move(line));
    }
  });
  ASSERT_FALSE(held.empty());
  for (std::size_t i = 0; i < held.size(); ++i) EXPECT_EQ(describe(*held[i]), before[i]) << i;
}

// Every record held to the end of the walk: once every line of the reader's
// own is held, the walk goes on in lines made for it, and nothing held
// changes.
TEST(RecordLinesHeld, RecordsHeldPastTheReadersLinesKeepTheirLines) {
  std::string data = "SWDE.W.1.13.0;\r\nSO;\r\n";
  for (int r = 0; r < 1600; ++r) {
    const std::string n = std::to_string(r);
    data += "RP,,G5GRN," + n + ",G" + n + ",01;\r\nP,G,57" + n + ".5,65" + n + ".25,;\r\nX;\r\n";
  }
  data += "SX;\r\nSWDEX;\r\n";
  testsupport::TempFile file(data);
  std::map<std::uint64_t, std::string> asRead;
  ASSERT_NO_FATAL_FAILURE(readLineByLine(file.path(), asRead));
  ComPtr<PlikSW> reader(new PlikSW());
  ASSERT_EQ(reader->otworz(file.path(), 0), plat::S_OK);
  std::int32_t section = 0;
  ASSERT_EQ(reader->ustawNaKolejnaSekcje(&section), plat::S_OK);
  std::vector<ComPtr<RekordSW>> held;
  for (;;) {
    ComPtr<RekordSW> record;
    if (reader->dajKolejnyRekord(&record) != plat::S_OK) break;
    held.push_back(std::move(record));
  }
  ASSERT_EQ(held.size(), 1600u);
  std::size_t compared = 0;
  for (ComPtr<RekordSW>& record : held) {
    std::uint32_t count = 0;
    ASSERT_EQ(record->dajIloscLinii(&count), plat::S_OK);
    for (std::uint32_t i = 0; i < count; ++i) {
      ComPtr<LiniaSW> line;
      ASSERT_EQ(record->dajLinie(i, &line), plat::S_OK);
      std::uint64_t number = 0;
      line->dajNumerLinii(&number);
      // The records' lines in file order, from line 3 on.
      ASSERT_EQ(number, 3 + compared);
      ASSERT_EQ(describe(*line), asRead[number]) << "line " << number;
      ++compared;
    }
  }
  EXPECT_EQ(compared, 1600u * 3);
}

}  // namespace
