#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Format.h"
#include "platform/Number.h"
#include "support/PolishLocale.h"
#include "syntax/Sxexception.h"
#include "syntax/Sxlinevalidator.h"

using namespace swde;

namespace {

// Builds a line record the way the analyzer does: fields split at ',', the
// ';' ends the fields and the rest is the comment.
counted_ptr<sxLine> makeLine(const std::string& text) {
  const std::size_t semi = text.find(';');
  const std::string body = text.substr(0, semi);
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = body.find(',', start);
    fields.push_back(body.substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  const auto code = lineCodeOf(fields[0]);
  auto line = std::make_shared<sxLine>(code ? *code : lcNone, 7, text);
  line->ident = fields[0];
  for (const std::string& f : fields) line->addField(f);
  if (semi != std::string::npos) {
    line->hasSemicolon = 1;
    line->comment = text.substr(semi + 1);
  }
  return line;
}

struct Case {
  const char* text;
  int code;   // expected error code, 0 for none
  int field;  // expected field number in the message (124-131), 0 for none
  std::uint8_t format = lcSWDE;
  std::optional<int> mark = std::nullopt;
};

struct Result {
  counted_ptr<sxLine> line;
  counted_ptr<sxError> error;
  std::uint8_t complexRecord;
};

Result run(const std::string& text, std::uint8_t format, std::uint8_t section = scSO) {
  sxLineValidator v;
  v.format = format;
  v.section = section;
  Result r{makeLine(text), nullptr, 0};
  v.validate(r.line, r.error);
  r.complexRecord = v.complexRecord;
  return r;
}

void expectCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const Result r = run(c.text, c.format);
    if (c.code == 0) {
      EXPECT_FALSE(r.error) << r.error->code << " " << plat::cp1250ToUtf8(r.error->message);
    } else {
      ASSERT_TRUE(r.error);
      EXPECT_EQ(r.error->code, c.code);
      EXPECT_EQ(r.error->line, 7u);
      EXPECT_EQ(r.error->section, scSO);
      if (c.field) {
        const TVarRec arg[] = {TVarRec(c.field), TVarRec(0u)};
        if (c.code != ecBadNameChar)
          EXPECT_EQ(r.error->message, plat::Format(sxErrorText(c.code), arg, 0));
        else
          EXPECT_EQ(r.error->message.substr(0, 9), plat::Format("Pole nr %d", arg, 0));
      }
    }
    if (c.mark) {
      EXPECT_EQ(r.line->mark, *c.mark);
    }
  }
}

TEST(LineValidator, FrameHandlesFreeLinesAndEmptyLines) {
  sxLineValidator v;
  counted_ptr<sxError> err = std::make_shared<sxError>(1, 0, 101, "kept");
  auto empty = std::make_shared<sxLine>(lcEmpty, 1);
  v.validate(empty, err);
  EXPECT_TRUE(empty->syntaxOk && empty->contextOk);
  ASSERT_TRUE(err);  // left untouched
  EXPECT_EQ(err->message, "kept");

  auto unknown = std::make_shared<sxLine>(lcNone, 1);
  unknown->syntaxOk = unknown->contextOk = 1;
  v.validate(unknown, err);
  EXPECT_FALSE(unknown->syntaxOk || unknown->contextOk);

  auto noFields = std::make_shared<sxLine>(lcRO, 3);
  err.reset();
  v.validate(noFields, err);
  ASSERT_TRUE(err);
  EXPECT_EQ(err->code, ecWrongFieldCount);
}

TEST(LineValidator, EveryIdentifierHasAMethod) {
  sxLineValidator v;
  for (int c = 0; c <= kLastLineCode; ++c) {
    const bool ident = identOf(static_cast<sxLineCode>(c)).has_value();
    EXPECT_EQ(v.hasMethod(static_cast<std::uint8_t>(c)), ident) << c;
  }
  for (std::uint8_t c : {lcEmpty, lcSWDE, lcSWING}) EXPECT_FALSE(v.hasMethod(c));

  // A code without a method is a fault of the program's tables.
  auto header = std::make_shared<sxLine>(lcSWDE, 1);
  header->addField("SWDE.W.1.13.0");
  counted_ptr<sxError> err;
  try {
    v.validate(header, err);
    ADD_FAILURE();
  } catch (const sxException& e) {
    EXPECT_EQ(e.Message(), plat::cp("Brak metody walidującej linię: SWDE.W.1.13.0"));
  }
}

TEST(FieldValidators, NumbersAsTheCConversionsReadThem) {
  struct Num {
    const char* text;
    bool integer, uinteger, real, hex;
  };
  const Num cases[] = {
      {"12", true, true, true, true},
      {"-5", true, false, true, false},
      {"+7", true, true, true, true},
      {"  42", true, true, true, true},
      {"12abc", true, true, true, true},  // what follows the value is not examined
      {"", false, false, false, false},
      {" ", false, false, false, false},
      {"abc", false, false, false, true},  // abc is a hex number
      {"xyz", false, false, false, false},
      {"2147483647", true, true, true, false},  // ten hex digits overflow
      {"2147483648", false, true, true, false},
      {"-2147483648", true, false, true, false},
      {"-2147483649", false, false, true, false},
      {"4294967295", false, true, true, false},
      {"4294967296", false, false, true, false},
      {"FFFFFFFF", false, false, false, true},
      {"0x1F", true, true, false, true},       // 0 then junk for %d and %u; a hex float for %lf
      {"100000000", true, true, true, false},  // 9 hex digits overflow
      {"1.5", true, true, true, true},
      {".5", false, false, true, false},
      {"1e3", true, true, true, true},
      {"-INF", false, false, false, false},
      {"+NAN", false, false, false, false},
      {"inf", false, false, false, false},
      {"nan", false, false, false, false},
      {"Infinity", false, false, false, false},
      {"1e400", true, true, false, true},
      {"-1e400", true, false, false, false},
      {"1e-400", true, true, true, true},  // a value too small for a double reads as zero
      {"1e", true, true, true, true},      // 1, then junk
  };
  sxLineValidator v;
  auto line = makeLine("X;");
  counted_ptr<sxError> err;
  v.validate(line, err);  // gives the validator a current line for its errors
  for (const Num& c : cases) {
    SCOPED_TRACE(c.text);
    plat::Variant value;
    EXPECT_EQ(v.validateInteger(1, c.text, *value.raw()), c.integer);
    EXPECT_EQ(v.validateUInt(1, c.text, *value.raw()), c.uinteger);
    EXPECT_EQ(v.validateFloat(1, c.text, *value.raw()), c.real);
    EXPECT_EQ(v.validateHex(1, c.text, *value.raw()), c.hex);
  }
}

TEST(FieldValidators, StoreTypedValues) {
  sxLineValidator v;
  auto line = makeLine("X;");
  counted_ptr<sxError> err;
  v.validate(line, err);
  plat::Variant value = plat::Variant::fromCp1250("old");
  ASSERT_TRUE(v.validateInteger(1, "12abc", *value.raw()));
  EXPECT_EQ(value.vt(), plat::VT_I4);
  EXPECT_EQ(value.raw()->lVal, 12);
  ASSERT_TRUE(v.validateUInt(1, "4294967295", *value.raw()));
  EXPECT_EQ(value.vt(), plat::VT_UI4);
  EXPECT_EQ(value.raw()->ulVal, 4294967295u);
  ASSERT_TRUE(v.validateHex(1, "0xff", *value.raw()));
  EXPECT_EQ(value.raw()->ulVal, 255u);
  ASSERT_TRUE(v.validateFloat(1, "5712345.12", *value.raw()));
  EXPECT_EQ(value.vt(), plat::VT_R8);
  EXPECT_DOUBLE_EQ(value.raw()->dblVal, 5712345.12);
  ASSERT_TRUE(v.validateName(1, "G5\xB1\xA6", *value.raw()));
  EXPECT_EQ(value.vt(), plat::VT_BSTR);
  EXPECT_EQ(plat::cp1250FromBstr(value.raw()->bstrVal), "G5\xB1\xA6");
  // A failing validator reports the field as position + 1.
  EXPECT_FALSE(v.validateFloat(4, "x", *value.raw()));
  EXPECT_EQ(v.currentError()->code, ecBadFloat);
  EXPECT_EQ(v.currentError()->message,
            plat::cp("Pole nr 5 ma nieprawidłową wartość, spodziewana jest liczba rzeczywista"));
}

// Plain decimals (the coordinates of a file) have a short way of their own;
// it must give the very double the full decimal reading gives, sign of zero
// included, and leave every other text to the full reading.
TEST(FieldValidators, PlainDecimalsReadAsTheFullReading) {
  sxLineValidator v;
  auto line = makeLine("X;");
  counted_ptr<sxError> err;
  v.validate(line, err);
  std::uint64_t state = 12345;
  auto draw = [&](std::uint64_t n) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return (state >> 33) % n;
  };
  std::vector<std::string> texts = {
      "0.0",   "-0.0",  "0",    "999999999999999", "1000000000000000", "0.1", "1.", ".5", "1.5e3",
      "12.5x", "-7.25", "+3.0", "00012.50",        "123456789012345.6"};
  for (int k = 0; k < 20000; ++k) {
    std::string t = draw(4) == 0 ? "-" : "";
    const std::uint64_t whole = 1 + draw(15), fraction = draw(16);
    for (std::uint64_t i = 0; i < whole; ++i) t += static_cast<char>('0' + draw(10));
    if (fraction > 0) {
      t += '.';
      for (std::uint64_t i = 0; i < fraction; ++i) t += static_cast<char>('0' + draw(10));
    }
    if (draw(8) == 0) t += ";x";
    texts.push_back(t);
  }
  for (const std::string& t : texts) {
    plat::Variant value;
    const std::string_view number(t.data(), plat::decimalLength(t));
    double expected = 0;
    const plat::DecimalStatus status = plat::parseDecimal(number, expected);
    const bool ok = v.validateFloat(1, t, *value.raw());
    ASSERT_EQ(ok, status == plat::DecimalStatus::Ok || status == plat::DecimalStatus::Underflow)
        << t;
    if (!ok) continue;
    const double got = value.raw()->dblVal;
    EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << t << " " << got << " " << expected;
  }
}

TEST(FieldValidators, NumbersIgnoreAPolishLocale) {
  testsupport::PolishLocale polish;
  if (!polish) GTEST_SKIP() << "no Polish locale";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  sxLineValidator v;
  auto line = makeLine("X;");
  counted_ptr<sxError> err;
  v.validate(line, err);
  plat::Variant value;
  EXPECT_TRUE(v.validateFloat(1, "12.5", *value.raw()));
  EXPECT_DOUBLE_EQ(value.raw()->dblVal, 12.5);
  EXPECT_TRUE(v.validateFloat(1, "12,5", *value.raw()));  // 12, then junk
  EXPECT_DOUBLE_EQ(value.raw()->dblVal, 12.0);
  EXPECT_TRUE(v.validateInteger(1, "-3", *value.raw()));
  EXPECT_EQ(value.raw()->lVal, -3);
}

TEST(FieldValidators, NamesAndIdentifiers) {
  sxLineValidator v;
  auto line = makeLine("X;");
  counted_ptr<sxError> err;
  v.validate(line, err);
  plat::Variant value;
  EXPECT_TRUE(v.validateName(1, "", *value.raw()));
  EXPECT_TRUE(v.validateName(1, "a_b-c/d\\e.F9", *value.raw()));
  // Polish letters are accepted as ISO-8859-2 bytes only: 0xB1 is ą there,
  // 0xB9 (ą in cp1250) is refused with its code.
  EXPECT_TRUE(v.validateName(
      1, "\xB1\xE6\xEA\xB3\xF1\xF3\xB6\xBF\xBC\xA1\xC6\xCA\xA3\xD1\xD3\xA6\xAF\xAC", *value.raw()));
  EXPECT_FALSE(v.validateName(1, "ab\xB9", *value.raw()));
  EXPECT_EQ(v.currentError()->code, ecBadNameChar);
  EXPECT_EQ(v.currentError()->message,
            plat::cp("Pole nr 2 ma nieprawidłową wartość. Niedozwolony znak o kodzie 185 w nazwie "
                     "lub identyfikatorze"));
  EXPECT_FALSE(v.validateName(1, "a b", *value.raw()));
  EXPECT_NE(v.currentError()->message.find("kodzie 32 "), std::string::npos);
  EXPECT_FALSE(v.validateName(1, std::string("a\0", 2), *value.raw()));
  EXPECT_NE(v.currentError()->message.find("kodzie 0 "), std::string::npos);

  EXPECT_TRUE(v.validateId(1, std::string(32, 'x'), *value.raw()));
  EXPECT_FALSE(v.validateId(1, std::string(33, 'x'), *value.raw()));
  EXPECT_EQ(v.currentError()->code, ecIdTooLong);
  EXPECT_EQ(v.currentError()->message,
            "Identyfikator '" + std::string(33, 'x') + "' jest zbyt d" + plat::cp("ł") + "ugi");
  // A bad character is reported before the length.
  EXPECT_FALSE(v.validateId(1, std::string(40, '%'), *value.raw()));
  EXPECT_EQ(v.currentError()->code, ecBadNameChar);
}

TEST(LineRules, LinesAToNK) {
  expectCases({
      {"C;", 0, 0},
      {"C,x;", 122, 0},
      {"C", 123, 0},
      {"GL;", 0, 0},
      {"GL,1;", 122, 0},
      {"GX", 123, 0},
      {"A,5;", 0, 0, lcSWING},
      {"A,;", 130, 2, lcSWING},
      {"A,-5;", 127, 2, lcSWING},
      {"A,5", 123, 0, lcSWING},
      {"D,G5NAZ,D,Jan, Kowalski; ul. Polna;", 0, 0},
      {"D,G5NAZ,D,bez srednika", 0, 0},
      {"D,G5NAZ,d,x;", 124, 3},
      {"D,G5NAZ,D;", 122, 0},
      {"D,,D,x;", 130, 2},
      {"DS,G5;", 0, 0, lcSWING},
      {"DS,;", 130, 2, lcSWING},
      {"EO,1.5,2;", 0, 0},
      {"EO,1.5,x;", 126, 3},
      {"ES,0,,free, text", 0, 0},
      {"ES,5,,x;", 130, 3},
      {"ES,5,N%,x;", 131, 3},
      {"ES,x,a,b;", 125, 2},
      {"FD,N,255,1.5,1;", 0, 0},
      {"FD,N,256,,;", 124, 3},
      {"FD,N,,,2;", 124, 5},
      {"FD,N,,;", 122, 0},
      {"IE,N,M;", 0, 0},
      {"IH,N,;", 0, 0},
      {"IT,,M;", 130, 2},
      {"JD,N,256;", 124, 3},
      {"JD,N,;", 0, 0},
      {"JK,,;", 0, 0},
      {"JK,,300;", 124, 3},
      {"K,+;", 0, 0},
      {"K,-;", 0, 0},
      {"K,+1;", 124, 2},
      {"K,;", 130, 2},
      {"NK,12,any, text; here", 0, 0},
      {"NK,,x", 130, 2},
      {"NK,1x2,x", 0, 0},
      {"NK,x,t", 125, 2},
  });
}

TEST(LineRules, LineB) {
  const char* kinds[] = {"ZN", "FL", "NO", "UL", "SL", "LN", "DN", "HR", "DH"};
  for (int k = 0; k < 9; ++k) {
    const std::string kind = kinds[k];
    std::string text = "B,N," + kind + (kind == "SL" ? ",M" : kind == "FL" ? ",1,2" : ",1;");
    expectCases({{text.c_str(), 0, 0, lcSWING, k}});
  }
  expectCases({
      {"B,N,SL,M", 124, 3, lcSWDE},
      {"B,N,SL,M;", 0, 0, lcSWING, 4},  // no ';' test, and the ';' does not hurt either
      {"B,N,SL,", 130, 4, lcSWING},
      {"B,N,SL,M,X", 122, 0, lcSWING},
      {"B,N,FL,,", 0, 0, lcSWDE, 1},
      {"B,N,FL,1", 122, 0, lcSWDE},
      {"B,N,FL,x,", 127, 4, lcSWDE},
      {"B,N,LN,2;", 124, 4, lcSWDE},
      {"B,N,LN,;", 0, 0, lcSWDE, 5},
      {"B,N,ZN,;", 0, 0, lcSWDE, 0},
      {"B,N,DH,5,x,y,z;", 0, 0, lcSWDE, 8},  // fields past the third are not examined
      {"B,N,ZN,1", 123, 0, lcSWDE},
      {"B,N,zn,1;", 124, 3, lcSWDE},
      {"B,N,XX,1;", 124, 3, lcSWDE},
      {"B,N,,;", 130, 3, lcSWDE},
      {"B,,ZN,;", 130, 2, lcSWDE},
      {"B,N,ZN;", 122, 0, lcSWDE},
  });
}

TEST(LineRules, LineE) {
  expectCases({
      {"E,1,2,3,N,255,4,1,9,A,NAME;", 0, 0},
      {"E,,,,,,,,,A,NAME,extra,fields;", 0, 0},  // beyond position 10 nothing is examined
      {"E,,,,,,,,,A,NAME", 123, 0},
      {"E,,,,,,,,,A,;", 130, 11},
      {"E,,,,,,,,,D,free, text; and more", 0, 0},
      {"E,,,,,,,,,X,x;", 124, 10},
      {"E,,,,,,,,,,x;", 130, 10},
      {"E,,,,,,,,0,A,N;", 124, 9},
      {"E,,,,,,,,10,A,N;", 124, 9},
      {"E,,,,,,,2,,A,N;", 124, 8},
      {"E,,,,,256,,,,A,N;", 124, 6},
      {"E,x,,,,,,,,A,N;", 126, 2},
      {"E,,,,,,,,,A;", 122, 0},
      // the first breach wins
      {"E,x,,,,,,2,0,A,;", 126, 2},
  });
}

TEST(LineRules, LineH) {
  expectCases({
      {"H,1,P,N,ID;", 0, 0, lcSWDE, 0},
      {"H,1,P,N;", 122, 0},
      {"H,,K,ID;", 0, 0, lcSWDE, 1},
      {"H,,K,ID,x;", 122, 0},
      {"H,,5.5,1.0,2.0;", 0, 0, lcSWDE, 2},
      {"H,,5.5,1.0;", 122, 0},
      {"H,,x,1,2;", 126, 3},
      {"H,,;", 130, 3},
      {"H,x,K,ID;", 125, 2},
      {"H,,P,,ID;", 130, 4},
      {"H,,P,N,;", 130, 5},
      {"H,,K,ID", 123, 0},
      {"H,;", 122, 0},
  });
}

TEST(LineRules, LinesNSToSX) {
  expectCases({
      {"NS,DN,a,b,c", 0, 0, lcSWDE, 0},
      {"NS,HZ,x;", 0, 0, lcSWDE, 19},
      {"NS,OO,", 0, 0, lcSWDE, 12},
      {"NS,dn,x", 124, 2},
      {"NS,,x", 130, 2},
      {"NS,DN", 122, 0},
      {"NU,N,any text, with commas", 0, 0},
      {"NU,,x", 130, 2},
      {"NU,N%,x", 131, 2},
      {"OAD,1.5;", 0, 0},
      {"OAM,x;", 126, 2},
      {"OB,2;", 0, 0, lcSWING},
      {"OB,1;", 124, 2, lcSWING},
      {"OB,0;", 124, 2, lcSWING},
      {"OB,-2;", 127, 2, lcSWING},
      {"OBX;", 0, 0, lcSWING},
      {"OBX,1;", 122, 0, lcSWING},
      {"OBX", 123, 0, lcSWING},
      {"OK,1,2;", 0, 0},
      {"OK,1,;", 130, 3},
      {"OL;", 0, 0},
      {"OO,1,2,3;", 0, 0},
      {"OO,1,2,x;", 126, 4},
      {"P,P,N,ID;", 0, 0},
      {"P,K,ID;", 0, 0},
      {"PR,K,ID,x;", 122, 0},
      {"PX,G,1.5,2.5,;", 0, 0},
      {"P,G,1.5,2.5;", 122, 0},
      {"P,G,1.5,2.5,x;", 126, 5},
      {"P,X,a;", 124, 2},
      {"P,,a;", 130, 2},
      {"P,K;", 122, 0},
      {"P,K,ID", 123, 0},
      {"PZ;", 0, 0},
      {"RO,G5DZE,,1,,;", 0, 0},
      {"RO,G5DZE,,1,,21;", 0, 0},
      {"RO,G5DZE,,1,,3;", 124, 6},
      {"RO,G5DZE,,1,,012;", 124, 6},
      {"RO,G5DZE,,1,,1;", 124, 6},
      {"RO,G5DZE,,,,;", 106, 0},
      {"RO,G5DZE,,1,,", 123, 0},
      {"RO,G5DZE,,1;", 122, 0},
      {"RD,%,,1,,;", 131, 2},
      {"RL,,,1,xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx,;", 107, 0},  // identifier of 33 characters
      {"RF,anything at all,1F,5;", 0, 0, lcSWING},
      {"RF,,1F,5;", 130, 2, lcSWING},
      {"RF,x,-1,5;", 124, 3, lcSWING},
      {"RF,x,G,5;", 124, 3, lcSWING},
      {"RKC,32000;", 0, 0, lcSWING},
      {"RKC,0;", 124, 2, lcSWING},
      {"RKC,32001;", 124, 2, lcSWING},
      {"RKM,1,-1,255;", 0, 0, lcSWING},
      {"RKM,1,-2,0;", 124, 3, lcSWING},
      {"RKM,1,0,256;", 124, 4, lcSWING},
      {"RKM,0,0,0;", 124, 2, lcSWING},
      {"S,,,,,,,;", 0, 0},
      {"S,1,2,3,N,255,4,1;", 0, 0},
      {"S,,,,,,,2;", 124, 8},
      {"S,,,,,256,,;", 124, 6},
      {"S,,,,;", 122, 0},
      {"SO;", 0, 0},
      {"SP,x;", 122, 0},
      {"SWDEX;", 0, 0},
      {"SWINGX", 123, 0, lcSWING},
      {"SWDEXC,12;", 0, 0},
      {"SWINGXC,;", 130, 2, lcSWING},
      {"SX;", 0, 0},
  });
}

TEST(LineRules, LinesSXCToZD) {
  expectCases({
      {"SXC,1;", 0, 0},
      {"SXC,x;", 127, 2},
      {"TD,N,RD;", 0, 0},
      {"TD,N,RM;", 0, 0, lcSWING},
      {"TD,N,RM;", 124, 3, lcSWDE},
      {"TD,N,RR;", 124, 3, lcSWDE},
      {"TD,N,R;", 124, 3},
      {"TD,N,XD;", 124, 3},
      {"TD,N,RDX;", 124, 3},
      {"TD,N,;", 130, 3},
      {"TD,N,RC;", 0, 0, lcSWDE, 1},
      {"TP,N;", 0, 0},
      {"TPN,;", 130, 2},
      {"TPW;", 0, 0},
      {"TR,1,2,3;", 0, 0, lcSWING},
      {"TR,1,2,1;", 132, 0, lcSWING},
      {"TR,1,1,3;", 132, 0, lcSWING},
      {"TR,1,2,2;", 132, 0, lcSWING},
      {"TR,1,,3;", 130, 3, lcSWING},
      {"TR,1,2,3", 123, 0, lcSWING},
      {"VD,N,255,1.5;", 0, 0, lcSWING},
      {"VD,N,256,;", 124, 3, lcSWING},
      {"VK,N,,,;", 0, 0, lcSWING},
      {"VK,N,1.5,255,Z;", 0, 0, lcSWING},
      {"VK,N,,,Q;", 124, 5, lcSWING},
      {"VK,N,,,z;", 124, 5, lcSWING},
      {"W,N;", 0, 0},
      {"WE,N;", 0, 0},
      {"WN,;", 130, 2},
      {"WP;", 0, 0},
      {"WR,N;", 0, 0},
      {"WW;", 0, 0},
      {"WG,N,M,ID;", 0, 0},
      {"WG,N,M,;", 130, 4},
      {"WL,N,ID;", 0, 0},
      {"X;", 0, 0},
      {"X,1;", 122, 0},
      {"X", 123, 0},
      {"XC,3;", 0, 0},
      {"ZD,N,,,,;", 0, 0, lcSWING},
      {"ZD,N,255,1.5,1,9;", 0, 0, lcSWING},
      {"ZD,N,,,2,;", 124, 5, lcSWING},
      {"ZD,N,,,,0;", 124, 6, lcSWING},
      {"ZD,N,,,,10;", 124, 6, lcSWING},
      {"ZD,N,256,,,;", 124, 3, lcSWING},
      // the first breach wins
      {"ZD,N,256,,2,0;", 124, 3, lcSWING},
  });
}

TEST(LineRules, ComplexRecordFlag) {
  struct Flag {
    const char* text;
    std::uint8_t format;
    std::uint8_t flag;
  };
  const Flag cases[] = {
      {"RC,G5KOMPLEKS,,1,,;", lcSWDE, 1},
      {"RC,G5KOMPLEKS,,,,;", lcSWDE, 1},  // set even though field 3 then fails
      {"RC,G5KOMPLEKS,,1;", lcSWDE, 0},   // wrong count: not set
      {"RO,G5DZE,,1,,;", lcSWDE, 0},
      {"TD,N,RC;", lcSWDE, 1},
      {"TD,N,RD;", lcSWDE, 0},
      {"X;", lcSWDE, 0},
  };
  for (const Flag& c : cases) EXPECT_EQ(run(c.text, c.format).complexRecord, c.flag) << c.text;

  // The flag does not outlive its line: a plain TD after a complex one clears it.
  sxLineValidator v;
  counted_ptr<sxError> err;
  v.validate(makeLine("TD,N,RC;"), err);
  EXPECT_EQ(v.complexRecord, 1);
  v.validate(makeLine("TD,N,RD;"), err);
  EXPECT_EQ(v.complexRecord, 0);
}

TEST(LineRules, StoredValuesAndMergedText) {
  const Result d = run("D,G5OPIS,D,  przy  drodze, nr 5;uwaga", lcSWDE);
  ASSERT_FALSE(d.error);
  ASSERT_EQ(d.line->getFieldCount(), 4u);
  EXPECT_EQ(d.line->getField(3)->text, "przy  drodze, nr 5;uwaga");
  EXPECT_EQ(plat::cp1250FromBstr(d.line->getField(3)->value.raw()->bstrVal),
            "przy  drodze, nr 5;uwaga");
  EXPECT_EQ(d.line->comment, "");
  EXPECT_FALSE(d.line->hasSemicolon);
  EXPECT_EQ(d.line->getField(1)->value.vt(), plat::VT_BSTR);

  const Result p = run("P,G,5712345.12,-12.5,;", lcSWDE);
  ASSERT_FALSE(p.error);
  EXPECT_DOUBLE_EQ(p.line->getField(2)->value.raw()->dblVal, 5712345.12);
  EXPECT_DOUBLE_EQ(p.line->getField(3)->value.raw()->dblVal, -12.5);
  EXPECT_EQ(p.line->getField(4)->value.vt(), plat::VT_EMPTY);

  // Values stored before a failure stay.
  const Result f = run("FD,N,12,x,;", lcSWDE);
  ASSERT_TRUE(f.error);
  EXPECT_EQ(f.line->getField(2)->value.raw()->ulVal, 12u);
}

}  // namespace
