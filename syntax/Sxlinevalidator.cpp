#include "syntax/Sxlinevalidator.h"

#include <charconv>
#include <initializer_list>
#include <new>
#include <string_view>

#include "platform/CodePage.h"
#include "platform/Number.h"
#include "syntax/Sxexception.h"

namespace swde {
namespace {

// ---------------------------------------------------------------------------
// Number scanning. Each scan skips leading white space, reads one value from
// the start of the text and ignores whatever follows it, as the C conversions
// %d, %u, %x and %lf do; but never through the locale, and a value that does
// not fit its type is refused rather than wrapped.

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isHexDigit(char c) {
  return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

const char* skipSpace(const char* p, const char* e) {
  while (p < e && isSpace(*p)) ++p;
  return p;
}

// Digits from p in the given base as an unsigned 64-bit value; false when
// there are none or the value overflows.
bool scanDigits(const char* p, const char* e, int base, std::uint64_t& v) {
  if (p == e) return false;
  std::uint64_t n = 0;
  const char* d = p;
  for (; d < e; ++d) {
    unsigned digit;
    const char c = *d;
    if (isDigit(c))
      digit = static_cast<unsigned>(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = static_cast<unsigned>(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = static_cast<unsigned>(c - 'A' + 10);
    else
      break;
    if (__builtin_mul_overflow(n, static_cast<std::uint64_t>(base), &n) ||
        __builtin_add_overflow(n, digit, &n)) {
      // Too large: the rest of the run is read past, the value refused.
      return false;
    }
  }
  if (d == p) return false;
  v = n;
  return true;
}

bool scanInteger(std::string_view s, std::int32_t& out) {
  const char* e = s.data() + s.size();
  const char* p = skipSpace(s.data(), e);
  bool neg = false;
  if (p < e && (*p == '+' || *p == '-')) neg = *p++ == '-';
  std::uint64_t v;
  if (!scanDigits(p, e, 10, v)) return false;
  if (neg ? v > 2147483648ULL : v > 2147483647ULL) return false;
  out =
      neg ? static_cast<std::int32_t>(-static_cast<std::int64_t>(v)) : static_cast<std::int32_t>(v);
  return true;
}

bool scanUnsigned(std::string_view s, int base, std::uint32_t& out) {
  const char* e = s.data() + s.size();
  const char* p = skipSpace(s.data(), e);
  if (p < e && *p == '-') return false;
  if (p < e && *p == '+') ++p;
  if (base == 16 && e - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && isHexDigit(p[2]))
    p += 2;
  std::uint64_t v;
  if (!scanDigits(p, e, base, v) || v > 0xFFFFFFFFULL) return false;
  out = static_cast<std::uint32_t>(v);
  return true;
}

// A finite decimal number (plat::parseDecimal) at the start of the text.
// Hexadecimal floats and overflowing values are refused; infinities and NaN
// are no decimal numbers. A value too small for a double reads as zero, as
// the C scan gives.
// The common coordinate: digits, a point and digits, 15 digits at most, and
// no exponent after them. Such a number and the power of ten are exact
// doubles, so one division gives the correctly rounded value, the one the
// full reading gives. False, with nothing read, for any other text.
bool scanPlainDecimal(const char* p, const char* e, bool negative, double& out) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  std::uint64_t n = 0;
  int digits = 0, fraction = 0;
  const char* q = p;
  for (; q < e && isDigit(*q); ++q, ++digits) n = n * 10 + static_cast<unsigned>(*q - '0');
  if (digits == 0 || digits > 15) return false;
  if (q < e && *q == '.') {
    ++q;
    for (; q < e && isDigit(*q); ++q, ++fraction) n = n * 10 + static_cast<unsigned>(*q - '0');
    if (fraction == 0 || digits + fraction > 15) return false;
  }
  if (q < e && (*q == 'e' || *q == 'E' || *q == '.' || isDigit(*q))) return false;
  const double v = static_cast<double>(n) / kPowers[fraction];
  out = negative ? -v : v;
  return true;
}

bool scanFloat(std::string_view s, double& out) {
  const char* e = s.data() + s.size();
  const char* start = skipSpace(s.data(), e);
  const char* p = start;
  if (p < e && (*p == '+' || *p == '-')) ++p;
  if (e - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) return false;
  if (scanPlainDecimal(p, e, p > start && *start == '-', out)) return true;
  const std::string_view rest(start, static_cast<std::size_t>(e - start));
  double v;
  switch (plat::parseDecimal(rest.substr(0, plat::decimalLength(rest)), v)) {
    case plat::DecimalStatus::Ok:
    case plat::DecimalStatus::Underflow:
      out = v;
      return true;
    case plat::DecimalStatus::NotANumber:
    case plat::DecimalStatus::Overflow:
      break;
  }
  return false;
}

// Characters besides ASCII letters and digits that names may hold: "_", "-",
// "/", "\", "." and the Polish letters as ISO-8859-2 bytes.
struct NameChars {
  bool ok[256] = {};
  constexpr NameChars() {
    for (int c = 'a'; c <= 'z'; ++c) ok[c] = true;
    for (int c = 'A'; c <= 'Z'; ++c) ok[c] = true;
    for (int c = '0'; c <= '9'; ++c) ok[c] = true;
    for (unsigned char c : {'_', '-', '/', '\\', '.'}) ok[c] = true;
    for (unsigned char c : {0xB1, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3, 0xB6, 0xBF, 0xBC, 0xA1, 0xC6, 0xCA,
                            0xA3, 0xD1, 0xD3, 0xA6, 0xAF, 0xAC})
      ok[c] = true;
  }
};

constexpr NameChars kNameChars;

const NameChars& nameChars() {
  return kNameChars;
}

void storeString(plat::VARIANT& value, const AnsiString& text) {
  plat::BSTR b = plat::bstrFromCp1250(text);
  if (!b) throw std::bad_alloc();
  plat::VariantClear(&value);
  value.vt = plat::VT_BSTR;
  value.bstrVal = b;
}

}  // namespace

// ---------------------------------------------------------------------------
// Declarative field rules for the line types whose checks are a field count,
// a test per field and the ';' test.

enum class Check : std::uint8_t { None, Text, Integer, Float, UInt, Hex, Name, Id, Word };

struct sxLineValidator::FieldRule {
  Check check = Check::None;
  bool req = false;
  bool ranged = false;
  std::int64_t lo = 0, hi = 0;  // in the signedness of the check
  const char* words[4] = {};    // Check::Word: the exact texts allowed, null-terminated

  constexpr FieldRule range(std::int64_t l, std::int64_t h) const {
    FieldRule r = *this;
    r.ranged = true;
    r.lo = l;
    r.hi = h;
    return r;
  }
};

// The exact field count and the rules of fields 1 .. count - 1.
struct sxLineValidator::LineRule {
  std::uint32_t count;
  FieldRule fields[7];
};

#define OLV_REQ(c)             \
  sxLineValidator::FieldRule { \
    Check::c, true             \
  }
#define OLV_OPT(c)             \
  sxLineValidator::FieldRule { \
    Check::c, false            \
  }

// ---------------------------------------------------------------------------

sxLineValidator::sxLineValidator() {
  auto set = [this](std::initializer_list<sxLineCode> codes, Method m) {
    for (sxLineCode c : codes) methods_[c] = m;
  };
  set({lcA}, &sxLineValidator::checkA);
  set({lcB}, &sxLineValidator::checkB);
  set({lcC}, &sxLineValidator::checkC);
  set({lcD}, &sxLineValidator::checkD);
  set({lcDS}, &sxLineValidator::checkDS);
  set({lcE}, &sxLineValidator::checkE);
  set({lcEO}, &sxLineValidator::checkEO);
  set({lcES}, &sxLineValidator::checkES);
  set({lcFD}, &sxLineValidator::checkFD);
  set({lcGL}, &sxLineValidator::checkGL);
  set({lcGX}, &sxLineValidator::checkGX);
  set({lcH}, &sxLineValidator::checkH);
  set({lcIE, lcIH, lcIL, lcIP, lcIS, lcIT}, &sxLineValidator::checkIDENTS);
  set({lcJD}, &sxLineValidator::checkJD);
  set({lcJK}, &sxLineValidator::checkJK);
  set({lcK}, &sxLineValidator::checkK);
  set({lcNK}, &sxLineValidator::checkNK);
  set({lcNS}, &sxLineValidator::checkNS);
  set({lcNU}, &sxLineValidator::checkNU);
  set({lcOAD, lcOAM}, &sxLineValidator::checkOAx);
  set({lcOB}, &sxLineValidator::checkOB);
  set({lcOBX}, &sxLineValidator::checkOBX);
  set({lcOK}, &sxLineValidator::checkOK);
  set({lcOL}, &sxLineValidator::checkOL);
  set({lcOO}, &sxLineValidator::checkOO);
  set({lcP, lcPR, lcPX}, &sxLineValidator::checkP);
  set({lcPZ}, &sxLineValidator::checkPZ);
  set({lcRC, lcRD, lcRL, lcRM, lcRO, lcRP, lcRR}, &sxLineValidator::checkRx);
  set({lcRF}, &sxLineValidator::checkRF);
  set({lcRKC}, &sxLineValidator::checkRKC);
  set({lcRKM}, &sxLineValidator::checkRKM);
  set({lcS}, &sxLineValidator::checkS);
  set({lcSD, lcSG, lcSN, lcSO, lcSP, lcST}, &sxLineValidator::checkSx);
  set({lcSWDEX, lcSWINGX}, &sxLineValidator::checkFILEX);
  set({lcSWDEXC, lcSWINGXC}, &sxLineValidator::checkFILEXC);
  set({lcSX}, &sxLineValidator::checkSX);
  set({lcSXC}, &sxLineValidator::checkSXC);
  set({lcTD}, &sxLineValidator::checkTD);
  set({lcTP}, &sxLineValidator::checkTP);
  set({lcTPN}, &sxLineValidator::checkTPN);
  set({lcTPW}, &sxLineValidator::checkTPW);
  set({lcTR}, &sxLineValidator::checkTR);
  set({lcVD}, &sxLineValidator::checkVD);
  set({lcVK}, &sxLineValidator::checkVK);
  set({lcW}, &sxLineValidator::checkW);
  set({lcWE}, &sxLineValidator::checkWE);
  set({lcWN}, &sxLineValidator::checkWN);
  set({lcWP}, &sxLineValidator::checkWP);
  set({lcWR}, &sxLineValidator::checkWR);
  set({lcWW}, &sxLineValidator::checkWW);
  set({lcWG}, &sxLineValidator::checkWG);
  set({lcWL}, &sxLineValidator::checkWL);
  set({lcX}, &sxLineValidator::checkX);
  set({lcXC}, &sxLineValidator::checkXC);
  set({lcZD}, &sxLineValidator::checkZD);
}

bool sxLineValidator::hasMethod(std::uint8_t code) const {
  return code <= kLastLineCode && methods_[code] != nullptr;
}

void sxLineValidator::validate(const counted_ptr<sxLine>& line, counted_ptr<sxError>& error) {
  error_.reset();
  complexRecord = 0;
  if (!line) return;
  lineNumber_ = line->lineNumber;
  const std::uint8_t code = line->code;
  if (code == lcEmpty || code == lcNone) {
    line->syntaxOk = line->contextOk = code == lcEmpty ? 1 : 0;
    return;
  }
  line_ = line.get();
  if (line_->getFieldCount() == 0) {
    fail(ecWrongFieldCount);
    error = error_;
    line_ = nullptr;
    return;
  }
  if (!hasMethod(code)) {
    line_ = nullptr;
    const TVarRec args[] = {TVarRec(line->getField(0)->text)};
    throw sxException(plat::cp("Brak metody walidującej linię: %s"), args, 0);
  }
  struct Release {
    sxLine*& held;
    ~Release() { held = nullptr; }
  } release{line_};
  (this->*methods_[code])();
  error = error_;
}

// ---------------------------------------------------------------------------
// Errors and field access

void sxLineValidator::setNote(sxErrorNote* note) {
  note_ = note;
  if (note_ && !marker_) marker_ = std::make_shared<sxError>(0, 0, 0, AnsiString());
}

template <class... Args>
void sxLineValidator::raise(std::uint8_t code, Args... args) {
  sxErrorNote local;
  sxErrorNote& note = note_ ? *note_ : local;
  note.take(code, args...);
  error_ = note_ ? marker_ : note.make(lineNumber_, section);
}

void sxLineValidator::fail(std::uint8_t code) {
  raise(code);
}

void sxLineValidator::fail(std::uint8_t code, unsigned fieldNumber) {
  raise(code, fieldNumber);
}

std::string_view sxLineValidator::text(unsigned i) const {
  return line_->getField(i)->text;
}

sxFieldValue& sxLineValidator::value(unsigned i) {
  return line_->getField(i)->value;
}

bool sxLineValidator::checkCount(std::uint32_t count) {
  if (line_->getFieldCount() == count) return true;
  fail(ecWrongFieldCount);
  return false;
}

bool sxLineValidator::checkCountAtLeast(std::uint32_t count) {
  if (line_->getFieldCount() >= count) return true;
  fail(ecWrongFieldCount);
  return false;
}

void sxLineValidator::checkSemicolon() {
  if (!line_->hasSemicolon) fail(ecNoSemicolon);
}

bool sxLineValidator::required(unsigned i) {
  if (!text(i).empty()) return true;
  fail(ecEmptyField, i + 1);
  return false;
}

// ---------------------------------------------------------------------------
// Field validators

bool sxLineValidator::validateInteger(unsigned field, const AnsiString& t, plat::VARIANT& v) {
  std::int32_t n;
  if (!scanInteger(t, n)) {
    fail(ecBadInteger, field + 1);
    return false;
  }
  plat::VariantClear(&v);
  v.vt = plat::VT_I4;
  v.lVal = n;
  return true;
}

bool sxLineValidator::validateFloat(unsigned field, const AnsiString& t, plat::VARIANT& v) {
  double d;
  if ((t.size() >= 4 && (t[1] == 'I' || t[1] == 'N')) || !scanFloat(t, d)) {
    fail(ecBadFloat, field + 1);
    return false;
  }
  plat::VariantClear(&v);
  v.vt = plat::VT_R8;
  v.dblVal = d;
  return true;
}

bool sxLineValidator::validateUInt(unsigned field, const AnsiString& t, plat::VARIANT& v) {
  std::uint32_t n;
  if (!scanUnsigned(t, 10, n)) {
    fail(ecBadUInt, field + 1);
    return false;
  }
  plat::VariantClear(&v);
  v.vt = plat::VT_UI4;
  v.ulVal = n;
  return true;
}

bool sxLineValidator::validateHex(unsigned field, const AnsiString& t, plat::VARIANT& v) {
  std::uint32_t n;
  if (!scanUnsigned(t, 16, n)) {
    fail(ecBadField, field + 1);
    return false;
  }
  plat::VariantClear(&v);
  v.vt = plat::VT_UI4;
  v.ulVal = n;
  return true;
}

bool sxLineValidator::integerField(unsigned i) {
  std::int32_t n;
  if (!scanInteger(text(i), n)) {
    fail(ecBadInteger, i + 1);
    return false;
  }
  value(i).setI4(n);
  return true;
}

bool sxLineValidator::floatField(unsigned i) {
  const std::string_view t = text(i);
  double d;
  if ((t.size() >= 4 && (t[1] == 'I' || t[1] == 'N')) || !scanFloat(t, d)) {
    fail(ecBadFloat, i + 1);
    return false;
  }
  value(i).setR8(d);
  return true;
}

bool sxLineValidator::unsignedField(unsigned i, int base) {
  std::uint32_t n;
  if (!scanUnsigned(text(i), base, n)) {
    fail(base == 16 ? ecBadField : ecBadUInt, i + 1);
    return false;
  }
  value(i).setUI4(n);
  return true;
}

bool sxLineValidator::isName(unsigned field, std::string_view t) {
  const NameChars& chars = nameChars();
  for (char c : t) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (!chars.ok[b]) {
      raise(ecBadNameChar, field + 1, static_cast<unsigned>(b));
      return false;
    }
  }
  return true;
}

bool sxLineValidator::isId(unsigned field, std::string_view t) {
  if (!isName(field, t)) return false;
  if (t.size() > kIdentifierLengthLimit) {
    raise(ecIdTooLong, t);
    return false;
  }
  return true;
}

bool sxLineValidator::validateName(unsigned field, const AnsiString& t, plat::VARIANT& v) {
  if (!isName(field, t)) return false;
  storeString(v, t);
  return true;
}

bool sxLineValidator::validateId(unsigned field, const AnsiString& t, plat::VARIANT& v) {
  if (!isId(field, t)) return false;
  storeString(v, t);
  return true;
}

// ---------------------------------------------------------------------------
// Rule tables

bool sxLineValidator::checkField(unsigned i, const FieldRule& r) {
  if (text(i).empty()) {
    if (!r.req) return true;
    fail(ecEmptyField, i + 1);
    return false;
  }
  bool ok = true;
  switch (r.check) {
    case Check::None:
    case Check::Text:
      break;
    case Check::Integer:
      ok = integerField(i);
      break;
    case Check::Float:
      ok = floatField(i);
      break;
    case Check::UInt:
      ok = unsignedField(i, 10);
      break;
    case Check::Hex:
      ok = unsignedField(i, 16);
      break;
    // A name's value is the field's text: marked, made into a string only
    // when the field is read.
    case Check::Name:
      ok = isName(i, text(i));
      if (ok) line_->getField(i)->setTextValue();
      break;
    case Check::Id:
      ok = isId(i, text(i));
      if (ok) line_->getField(i)->setTextValue();
      break;
    case Check::Word: {
      ok = false;
      for (const char* const* w = r.words; *w && !ok; ++w) ok = text(i) == *w;
      if (!ok) fail(ecBadField, i + 1);
      break;
    }
  }
  if (!ok) return false;
  if (r.ranged) {
    const plat::VARIANT& v = value(i).scalar();
    const std::int64_t n = v.vt == plat::VT_I4 ? v.lVal : static_cast<std::int64_t>(v.ulVal);
    if (n < r.lo || n > r.hi) {
      fail(ecBadField, i + 1);
      return false;
    }
  }
  return true;
}

void sxLineValidator::checkRule(const LineRule& rule) {
  if (!checkCount(rule.count)) return;
  for (unsigned i = 1; i < rule.count; ++i)
    if (!checkField(i, rule.fields[i - 1])) return;
  checkSemicolon();
}

namespace {

constexpr std::int64_t kUIntMax = 0xFFFFFFFF;

}  // namespace

#define OLV_RULE(method, ...)                \
  void sxLineValidator::method() {           \
    static const LineRule rule{__VA_ARGS__}; \
    checkRule(rule);                         \
  }

// Lines that hold only their identifier.
OLV_RULE(checkC, 1, {})
OLV_RULE(checkGL, 1, {})
OLV_RULE(checkGX, 1, {})
OLV_RULE(checkOBX, 1, {})
OLV_RULE(checkOL, 1, {})
OLV_RULE(checkPZ, 1, {})
OLV_RULE(checkSx, 1, {})
OLV_RULE(checkFILEX, 1, {})
OLV_RULE(checkSX, 1, {})
OLV_RULE(checkTPW, 1, {})
OLV_RULE(checkWP, 1, {})
OLV_RULE(checkWW, 1, {})
OLV_RULE(checkX, 1, {})

OLV_RULE(checkA, 2, {OLV_REQ(UInt)})
OLV_RULE(checkDS, 2, {OLV_REQ(Name)})
OLV_RULE(checkEO, 3, {OLV_REQ(Float), OLV_REQ(Float)})
OLV_RULE(checkFD, 5,
         {OLV_REQ(Name), OLV_OPT(UInt).range(0, 255), OLV_OPT(Float), OLV_OPT(UInt).range(0, 1)})
OLV_RULE(checkIDENTS, 3, {OLV_REQ(Name), OLV_OPT(Name)})
OLV_RULE(checkJD, 3, {OLV_REQ(Name), OLV_OPT(UInt).range(0, 255)})
OLV_RULE(checkJK, 3, {OLV_OPT(Name), OLV_OPT(UInt).range(0, 255)})
OLV_RULE(checkK, 2, {FieldRule{Check::Word, true, false, 0, 0, {"+", "-"}}})
OLV_RULE(checkOAx, 2, {OLV_REQ(Float)})
OLV_RULE(checkOB, 2, {OLV_REQ(UInt).range(2, kUIntMax)})
OLV_RULE(checkOK, 3, {OLV_REQ(Float), OLV_REQ(Float)})
OLV_RULE(checkOO, 4, {OLV_REQ(Float), OLV_REQ(Float), OLV_REQ(Float)})
OLV_RULE(checkRF, 4, {OLV_REQ(Text), OLV_OPT(Hex), OLV_OPT(UInt)})
OLV_RULE(checkRKC, 2, {OLV_REQ(UInt).range(1, 32000)})
OLV_RULE(checkRKM, 4,
         {OLV_REQ(UInt).range(1, 32000), OLV_REQ(Integer).range(-1, 255),
          OLV_REQ(Integer).range(-1, 255)})
OLV_RULE(checkS, 8,
         {OLV_OPT(Float), OLV_OPT(Float), OLV_OPT(Float), OLV_OPT(Name),
          OLV_OPT(UInt).range(0, 255), OLV_OPT(Float), OLV_OPT(UInt).range(0, 1)})
OLV_RULE(checkFILEXC, 2, {OLV_REQ(UInt)})
OLV_RULE(checkSXC, 2, {OLV_REQ(UInt)})
OLV_RULE(checkTP, 2, {OLV_REQ(Name)})
OLV_RULE(checkTPN, 2, {OLV_REQ(Name)})
OLV_RULE(checkVD, 4, {OLV_REQ(Name), OLV_OPT(UInt).range(0, 255), OLV_OPT(Float)})
OLV_RULE(checkVK, 5,
         {OLV_REQ(Name), OLV_OPT(Float), OLV_OPT(UInt).range(0, 255),
          FieldRule{Check::Word, false, false, 0, 0, {"Z", "L", "S"}}})
OLV_RULE(checkW, 2, {OLV_REQ(Name)})
OLV_RULE(checkWE, 2, {OLV_REQ(Name)})
OLV_RULE(checkWN, 2, {OLV_REQ(Name)})
OLV_RULE(checkWR, 2, {OLV_REQ(Name)})
OLV_RULE(checkWG, 4, {OLV_REQ(Name), OLV_REQ(Name), OLV_REQ(Id)})
OLV_RULE(checkWL, 3, {OLV_REQ(Name), OLV_REQ(Id)})
OLV_RULE(checkXC, 2, {OLV_REQ(UInt)})
OLV_RULE(checkZD, 6,
         {OLV_REQ(Name), OLV_OPT(UInt).range(0, 255), OLV_OPT(Float), OLV_OPT(UInt).range(0, 1),
          OLV_OPT(UInt).range(1, 9)})

#undef OLV_RULE

// ---------------------------------------------------------------------------
// Lines whose rules depend on a field's value, or that end in free text.

// Runs the rules of fields first.. in order; false at the first failure.
#define OLV_FIELDS(first, ...)                                                \
  do {                                                                        \
    unsigned i_ = (first);                                                    \
    for (const FieldRule& f_ : std::initializer_list<FieldRule>{__VA_ARGS__}) \
      if (!checkField(i_++, f_)) return;                                      \
  } while (0)

void sxLineValidator::checkB() {
  static const char* const kKinds[] = {"ZN", "FL", "NO", "UL", "SL", "LN", "DN", "HR", "DH"};
  enum { kFL = 1, kSL = 4, kLN = 5 };
  if (!checkCountAtLeast(4)) return;
  OLV_FIELDS(1, OLV_REQ(Name));
  if (!required(2)) return;
  int kind = -1;
  for (int k = 0; k < 9 && kind < 0; ++k)
    if (text(2) == kKinds[k]) kind = k;
  if (kind < 0 || (kind == kSL && format != lcSWING)) {
    fail(ecBadField, 3);
    return;
  }
  line_->mark = kind;
  if (kind == kSL) {
    if (!checkCount(4)) return;
    OLV_FIELDS(3, OLV_REQ(Name));
    return;
  }
  if (kind == kFL) {
    if (!checkCount(5)) return;
    OLV_FIELDS(3, OLV_OPT(UInt), OLV_OPT(UInt));
    return;
  }
  OLV_FIELDS(3, kind == kLN ? OLV_OPT(UInt).range(1, 1) : OLV_OPT(UInt));
  checkSemicolon();
}

void sxLineValidator::checkD() {
  line_->mergeFields(3);
  if (!checkCount(4)) return;
  OLV_FIELDS(1, OLV_REQ(Name), (FieldRule{Check::Word, true, false, 0, 0, {"D"}}));
}

void sxLineValidator::checkE() {
  if (!checkCountAtLeast(11)) return;
  if (!required(9)) return;
  const bool formD = text(9) == "D";
  if (!formD && text(9) != "A") {
    fail(ecBadField, 10);
    return;
  }
  if (formD) line_->mergeFields(10);
  OLV_FIELDS(1, OLV_OPT(Float), OLV_OPT(Float), OLV_OPT(Float), OLV_OPT(Name),
             OLV_OPT(UInt).range(0, 255), OLV_OPT(Float), OLV_OPT(UInt).range(0, 1),
             OLV_OPT(UInt).range(1, 9));
  if (formD) return;
  OLV_FIELDS(10, OLV_REQ(Name));
  checkSemicolon();
}

void sxLineValidator::checkES() {
  line_->mergeFields(3);
  if (!checkCount(4)) return;
  OLV_FIELDS(1, OLV_REQ(Integer));
  const bool nameRequired = value(1).scalar().lVal != 0;
  OLV_FIELDS(2, (FieldRule{Check::Name, nameRequired}));
}

void sxLineValidator::checkH() {
  if (!checkCountAtLeast(3)) return;
  if (!required(2)) return;
  int form = 2;
  if (text(2) == "P")
    form = 0;
  else if (text(2) == "K")
    form = 1;
  else if (!floatField(2))
    return;
  line_->mark = form;
  OLV_FIELDS(1, OLV_OPT(Integer));
  switch (form) {
    case 0:
      if (!checkCount(5)) return;
      OLV_FIELDS(3, OLV_REQ(Name), OLV_REQ(Id));
      break;
    case 1:
      if (!checkCount(4)) return;
      OLV_FIELDS(3, OLV_REQ(Id));
      break;
    default:
      if (!checkCount(5)) return;
      OLV_FIELDS(3, OLV_REQ(Float), OLV_REQ(Float));
      break;
  }
  checkSemicolon();
}

void sxLineValidator::checkNK() {
  line_->mergeFields(2);
  if (!checkCount(3)) return;
  OLV_FIELDS(1, OLV_REQ(Integer));
}

void sxLineValidator::checkNS() {
  static const char* const kWords[] = {"DN", "TR", "TN", "TA", "TO", "ZN", "ZR", "ZD", "OP", "OR",
                                       "ON", "OA", "OO", "UX", "OS", "NX", "NY", "NZ", "UH", "HZ"};
  line_->mergeFields(2);
  if (!checkCount(3)) return;
  if (!required(1)) return;
  for (int k = 0; k < 20; ++k)
    if (text(1) == kWords[k]) {
      line_->mark = k;
      return;
    }
  fail(ecBadField, 2);
}

void sxLineValidator::checkNU() {
  line_->mergeFields(2);
  if (!checkCount(3)) return;
  OLV_FIELDS(1, OLV_REQ(Name));
}

void sxLineValidator::checkP() {
  if (!checkCountAtLeast(3)) return;
  if (!required(1)) return;
  const std::string_view word = text(1);
  if (word == "P") {
    if (!checkCount(4)) return;
    OLV_FIELDS(2, OLV_REQ(Name), OLV_REQ(Id));
  } else if (word == "K") {
    if (!checkCount(3)) return;
    OLV_FIELDS(2, OLV_REQ(Id));
  } else if (word == "G") {
    if (!checkCount(5)) return;
    OLV_FIELDS(2, OLV_REQ(Float), OLV_REQ(Float), OLV_OPT(Float));
  } else {
    fail(ecBadField, 2);
    return;
  }
  checkSemicolon();
}

void sxLineValidator::checkRx() {
  if (!checkCount(6)) return;
  complexRecord = line_->code == lcRC ? 1 : 0;
  OLV_FIELDS(1, OLV_OPT(Name), OLV_OPT(Name));
  if (text(3).empty()) {
    fail(ecNoObjectId);
    return;
  }
  OLV_FIELDS(3, OLV_REQ(Id), OLV_OPT(Id));
  const std::string_view status = text(5);
  if (!status.empty()) {
    auto digit = [](char c) { return c == '0' || c == '1' || c == '2'; };
    if (status.size() != 2 || !digit(status[0]) || !digit(status[1])) {
      fail(ecBadField, 6);
      return;
    }
  }
  checkSemicolon();
}

void sxLineValidator::checkTD() {
  if (!checkCount(3)) return;
  OLV_FIELDS(1, OLV_REQ(Name));
  if (!required(2)) return;
  const std::string_view kind = text(2);
  const std::string_view allowed = format == lcSWING ? "DPLOCMR" : "DPLOC";
  if (kind.size() != 2 || kind[0] != 'R' || allowed.find(kind[1]) == std::string_view::npos) {
    fail(ecBadField, 3);
    return;
  }
  if (kind[1] == 'C') {
    line_->mark = 1;
    complexRecord = 1;
  }
  checkSemicolon();
}

void sxLineValidator::checkTR() {
  if (!checkCount(4)) return;
  OLV_FIELDS(1, OLV_REQ(UInt), OLV_REQ(UInt), OLV_REQ(UInt));
  const std::uint32_t a = value(1).scalar().ulVal, b = value(2).scalar().ulVal,
                      c = value(3).scalar().ulVal;
  if (a == b || b == c || a == c) {
    fail(ecTrSameVertex);
    return;
  }
  checkSemicolon();
}

#undef OLV_FIELDS
#undef OLV_REQ
#undef OLV_OPT

}  // namespace swde
