#include <gtest/gtest.h>

#include <atomic>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/Com.h"
#include "support/PolishLocale.h"

using namespace plat;
using namespace std::string_view_literals;

namespace {

std::string hex(HRESULT hr) {
  char buf[16] = "0x";
  const auto r = std::to_chars(buf + 2, buf + sizeof buf, static_cast<std::uint32_t>(hr), 16);
  return std::string(buf, r.ptr);
}

// One line per value, for comparisons with readable failures.
std::string describe(const VARIANT& v) {
  switch (v.vt) {
    case VT_EMPTY:
      return "EMPTY";
    case VT_I4:
      return "I4 " + std::to_string(v.lVal);
    case VT_UI4:
      return "UI4 " + std::to_string(v.ulVal);
    case VT_BOOL:
      return "BOOL " + std::to_string(v.boolVal);
    case VT_R8: {
      char buf[64];
      const auto r = std::to_chars(buf, buf + sizeof buf, v.dblVal);
      return "R8 " + std::string(buf, r.ptr);
    }
    case VT_BSTR: {
      std::string text = "BSTR \"";
      for (std::uint32_t i = 0; i < SysStringLen(v.bstrVal); ++i) {
        const char16_t c = v.bstrVal[i];
        if (c >= 0x20 && c < 0x7F) {
          text += static_cast<char>(c);
        } else {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
          text += buf;
        }
      }
      return text + "\"";
    }
    default:
      return "vt " + std::to_string(v.vt);
  }
}
std::string describe(const Variant& v) {
  return describe(*v.raw());
}

// ---------------------------------------------------------------------------

TEST(ComHresult, WindowsValues) {
  static_assert(std::is_same_v<HRESULT, std::int32_t>);
  const struct {
    HRESULT hr;
    std::uint32_t bits;
  } values[] = {
      {S_OK, 0},
      {S_FALSE, 1},
      {E_FAIL, 0x80004005},
      {E_POINTER, 0x80004003},
      {E_INVALIDARG, 0x80070057},
      {E_OUTOFMEMORY, 0x8007000E},
      {E_UNEXPECTED, 0x8000FFFF},
      {E_NOINTERFACE, 0x80004002},
      {E_NOTIMPL, 0x80004001},
      {DISP_E_TYPEMISMATCH, 0x80020005},
      {DISP_E_OVERFLOW, 0x8002000A},
      {CLASS_E_NOAGGREGATION, 0x80040110},
      {CLASS_E_CLASSNOTAVAILABLE, 0x80040111},
      {REGDB_E_CLASSNOTREG, 0x80040154},
      {DISP_E_MEMBERNOTFOUND, 0x80020003},
      {DISP_E_UNKNOWNNAME, 0x80020006},
      {DISP_E_BADPARAMCOUNT, 0x8002000E},
      {DISP_E_BADVARTYPE, 0x80020008},
  };
  for (const auto& v : values) {
    EXPECT_EQ(static_cast<std::uint32_t>(v.hr), v.bits);
    EXPECT_EQ(SUCCEEDED(v.hr), v.bits <= 1) << hex(v.hr);
    EXPECT_EQ(FAILED(v.hr), v.bits > 1) << hex(v.hr);
  }
  static_assert(SUCCEEDED(S_FALSE) && FAILED(E_UNEXPECTED));  // usable in constant expressions
}

// ---------------------------------------------------------------------------

std::uint32_t prefixOf(BSTR s) {
  std::uint32_t bytes;
  std::memcpy(&bytes, reinterpret_cast<const char*>(s) - 4, 4);
  return bytes;
}

TEST(Bstr, LengthPrefixAndTerminator) {
  BStr s(SysAllocStringLen(u"a\0bc", 4));  // an inner zero is text
  ASSERT_NE(s.get(), nullptr);
  EXPECT_EQ(prefixOf(s.get()), 8u);
  EXPECT_EQ(SysStringByteLen(s.get()), 8u);
  EXPECT_EQ(SysStringLen(s.get()), 4u);
  EXPECT_EQ(s.get()[1], u'\0');
  EXPECT_EQ(s.get()[4], u'\0');

  BStr zeros(SysAllocStringLen(nullptr, 3));
  ASSERT_NE(zeros.get(), nullptr);
  EXPECT_EQ(std::u16string(zeros.get(), 4), std::u16string(4, u'\0'));

  BStr copy(SysAllocString(u"\u0141\u00F3d\u017A"));  // Łódź
  EXPECT_EQ(SysStringLen(copy.get()), 4u);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);  // byte length over 32 bits
}

TEST(Bstr, NullIsEmpty) {
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);
  EXPECT_EQ(cp1250FromBstr(nullptr), "");
  SysFreeString(nullptr);

  BStr empty(bstrFromCp1250(""));
  ASSERT_NE(empty.get(), nullptr);
  EXPECT_EQ(empty.length(), 0u);
  EXPECT_EQ(empty.get()[0], u'\0');
}

TEST(Bstr, Cp1250RoundTripOfAllBytes) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  BStr s(bstrFromCp1250(all));
  ASSERT_EQ(s.length(), 256u);
  EXPECT_EQ(cp1250FromBstr(s.get()), all);

  // ą ć ę ł ń ó ś ź ż Ą Ć Ę Ł Ń Ó Ś Ź Ż in cp1250.
  const std::string polish =
      "\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF";
  BStr p(bstrFromCp1250(polish));
  EXPECT_EQ(std::u16string(p.get(), p.length()), u"ąćęłńóśźżĄĆĘŁŃÓŚŹŻ");
  EXPECT_EQ(cp1250FromBstr(p.get()), polish);
}

TEST(Bstr, HolderOwnsOneString) {
  static_assert(!std::is_copy_constructible_v<BStr> && std::is_nothrow_move_assignable_v<BStr>);
  BStr a(SysAllocString(u"abc"));
  const BSTR raw = a.get();
  BStr b(std::move(a));
  EXPECT_EQ(a.get(), nullptr);
  EXPECT_EQ(b.get(), raw);
  b.reset(b.get());  // its own string: kept
  EXPECT_EQ(b.get(), raw);
  b.reset(SysAllocString(u"de"));  // the old one is freed
  EXPECT_EQ(b.length(), 2u);
  a = std::move(b);
  EXPECT_EQ(a.length(), 2u);
  const BSTR released = a.release();
  EXPECT_EQ(a.get(), nullptr);
  SysFreeString(released);
}

// ---------------------------------------------------------------------------

struct Conversion {
  Variant from;
  VARTYPE to;
  HRESULT hr;
  Variant expected;  // for a success
  std::uint16_t flags = 0;
};

Conversion ok(Variant from, VARTYPE to, Variant expected, std::uint16_t flags = 0) {
  return {std::move(from), to, S_OK, std::move(expected), flags};
}
Conversion fails(Variant from, VARTYPE to, HRESULT hr) {
  return {std::move(from), to, hr, {}};
}

Variant I4(std::int32_t x) {
  return Variant(x);
}
Variant UI4(std::uint32_t x) {
  return Variant(x);
}
Variant R8(double x) {
  return Variant(x);
}
Variant Bool(bool x) {
  return Variant(x);
}
Variant Text(std::string_view cp1250) {
  return Variant::fromCp1250(cp1250);
}

const std::vector<Conversion>& conversions() {
  constexpr double inf = std::numeric_limits<double>::infinity();
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  constexpr HRESULT mismatch = DISP_E_TYPEMISMATCH, overflow = DISP_E_OVERFLOW;
  static const std::vector<Conversion> table = {
      // VT_EMPTY
      ok(Variant(), VT_I4, I4(0)),
      ok(Variant(), VT_UI4, UI4(0)),
      ok(Variant(), VT_R8, R8(0)),
      ok(Variant(), VT_BOOL, Bool(false)),
      ok(Variant(), VT_BSTR, Text("")),
      ok(I4(5), VT_EMPTY, Variant()),
      // I4, UI4
      ok(I4(42), VT_UI4, UI4(42)),
      ok(I4(-7), VT_R8, R8(-7)),
      ok(I4(-7), VT_BOOL, Bool(true)),
      ok(I4(0), VT_BOOL, Bool(false)),
      ok(I4(INT32_MIN), VT_BSTR, Text("-2147483648")),
      fails(I4(-1), VT_UI4, overflow),
      ok(UI4(4294967295u), VT_BSTR, Text("4294967295")),
      ok(UI4(4294967295u), VT_R8, R8(4294967295.0)),
      ok(UI4(2147483647u), VT_I4, I4(2147483647)),
      fails(UI4(2147483648u), VT_I4, overflow),
      // R8 to text: plain decimal, shortest round trip
      ok(R8(12.5), VT_BSTR, Text("12.5")),
      ok(R8(3.0), VT_BSTR, Text("3")),
      ok(R8(-0.0), VT_BSTR, Text("0")),
      ok(R8(0.1 + 0.2), VT_BSTR, Text("0.30000000000000004")),
      ok(R8(-1e20), VT_BSTR, Text("-100000000000000000000")),
      ok(R8(1e-7), VT_BSTR, Text("0.0000001")),
      fails(R8(inf), VT_BSTR, overflow),
      fails(R8(nan), VT_BSTR, overflow),
      // R8 to integers: half to even, then the range
      ok(R8(2.5), VT_I4, I4(2)),
      ok(R8(3.5), VT_I4, I4(4)),
      ok(R8(-2.5), VT_I4, I4(-2)),
      ok(R8(-3.5), VT_I4, I4(-4)),
      ok(R8(2.4999999), VT_I4, I4(2)),
      ok(R8(2147483647.4), VT_I4, I4(2147483647)),
      fails(R8(2147483647.5), VT_I4, overflow),
      ok(R8(-2147483648.5), VT_I4, I4(INT32_MIN)),
      fails(R8(-2147483648.6), VT_I4, overflow),
      fails(R8(nan), VT_I4, overflow),
      fails(R8(inf), VT_UI4, overflow),
      ok(R8(4294967294.5), VT_UI4, UI4(4294967294u)),
      fails(R8(4294967295.5), VT_UI4, overflow),
      fails(R8(-1.0), VT_UI4, overflow),
      ok(R8(-0.4), VT_UI4, UI4(0)),
      ok(R8(0.001), VT_BOOL, Bool(true)),
      ok(R8(0.0), VT_BOOL, Bool(false)),
      // BOOL
      ok(Bool(true), VT_I4, I4(-1)),
      ok(Bool(true), VT_UI4, UI4(0xFFFFFFFFu)),
      ok(Bool(true), VT_R8, R8(-1)),
      ok(Bool(false), VT_I4, I4(0)),
      ok(Bool(true), VT_BSTR, Text("-1")),
      ok(Bool(false), VT_BSTR, Text("0")),
      ok(Bool(true), VT_BSTR, Text("True"), VARIANT_ALPHABOOL),
      ok(Bool(false), VT_BSTR, Text("False"), VARIANT_ALPHABOOL),
      // text to integers
      ok(Text(" \t42 "), VT_I4, I4(42)),
      ok(Text("+42"), VT_I4, I4(42)),
      ok(Text("-2147483648"), VT_I4, I4(INT32_MIN)),
      ok(Text("0004294967295"), VT_UI4, UI4(4294967295u)),
      ok(Text("-0"), VT_UI4, UI4(0)),
      fails(Text("2147483648"), VT_I4, overflow),
      fails(Text("-2147483649"), VT_I4, overflow),
      fails(Text("99999999999999999999999"), VT_I4, overflow),
      fails(Text("4294967296"), VT_UI4, overflow),
      fails(Text("-1"), VT_UI4, overflow),
      fails(Text(""), VT_I4, mismatch),
      fails(Text("  "), VT_I4, mismatch),
      fails(Text("+"), VT_I4, mismatch),
      fails(Text("12.5"), VT_I4, mismatch),
      fails(Text("1 2"), VT_I4, mismatch),
      fails(Text("12a"), VT_UI4, mismatch),
      fails(Text("0x10"), VT_I4, mismatch),
      fails(Text("--1"), VT_I4, mismatch),
      fails(Text("\xA0"
                 "1"),
            VT_I4, mismatch),  // no-break space is no blank
      // text to R8
      ok(Text("12.5"), VT_R8, R8(12.5)),
      ok(Text(" -1.5e3 "), VT_R8, R8(-1500)),
      ok(Text("+1E-2"), VT_R8, R8(0.01)),
      ok(Text(".5"), VT_R8, R8(0.5)),
      ok(Text("5."), VT_R8, R8(5)),
      ok(Text("0.30000000000000004"), VT_R8, R8(0.1 + 0.2)),
      ok(Text("1e-400"), VT_R8, R8(0)),
      fails(Text("12,5"), VT_R8, mismatch),
      fails(Text("1 000"), VT_R8, mismatch),
      fails(Text("."), VT_R8, mismatch),
      fails(Text("1e"), VT_R8, mismatch),
      fails(Text("1e+"), VT_R8, mismatch),
      fails(Text("1.5.2"), VT_R8, mismatch),
      fails(Text("inf"), VT_R8, mismatch),
      fails(Text("-Infinity"), VT_R8, mismatch),
      fails(Text("nan"), VT_R8, mismatch),
      fails(Text("0x1p3"), VT_R8, mismatch),
      fails(Text(""), VT_R8, mismatch),
      fails(Text("1e400"), VT_R8, overflow),
      fails(Text("-1e99999999999"), VT_R8, overflow),
      // text to BOOL
      ok(Text("True"), VT_BOOL, Bool(true)),
      ok(Text(" fALSE "), VT_BOOL, Bool(false)),
      ok(Text("0"), VT_BOOL, Bool(false)),
      ok(Text("-2.5"), VT_BOOL, Bool(true)),
      fails(Text("yes"), VT_BOOL, mismatch),
      fails(Text("Truee"), VT_BOOL, mismatch),
      fails(Text(""), VT_BOOL, mismatch),
      // same type, unsupported types
      ok(Text("\xA3\xF3"
              "d\x9F"),
         VT_BSTR,
         Text("\xA3\xF3"
              "d\x9F")),
      ok(R8(1.25), VT_R8, R8(1.25)),
      fails(I4(1), 7 /* VT_DATE */, mismatch),
      fails(Text("1"), 0x4003 /* VT_BYREF | VT_I4 */, mismatch),
  };
  return table;
}

// Each row into another variant and in place; a failure leaves the
// destination as it was.
void runConversionTable() {
  for (const Conversion& c : conversions()) {
    SCOPED_TRACE(describe(c.from) + " -> vt " + std::to_string(c.to) + (c.flags ? " (alpha)" : ""));
    const Variant sentinel(std::int32_t{777});
    Variant dest = sentinel;
    EXPECT_EQ(hex(VariantChangeType(dest.raw(), c.from.raw(), c.flags, c.to)), hex(c.hr));
    EXPECT_EQ(describe(dest), describe(SUCCEEDED(c.hr) ? c.expected : sentinel));

    Variant inPlace = c.from;
    EXPECT_EQ(hex(VariantChangeType(inPlace.raw(), inPlace.raw(), c.flags, c.to)), hex(c.hr));
    EXPECT_EQ(describe(inPlace), describe(SUCCEEDED(c.hr) ? c.expected : c.from));
  }
}

TEST(Variant, ChangeTypeTable) {
  runConversionTable();
}

TEST(Variant, ChangeTypeIgnoresPolishLocale) {
  testsupport::PolishLocale polish;
  if (!polish) GTEST_SKIP() << "no Polish locale";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");  // the locale really differs
  runConversionTable();
}

TEST(Variant, CopyIsDeep) {
  Variant text = Variant::fromCp1250("abc");
  VARIANT dest;
  VariantInit(&dest);
  dest.vt = VT_BSTR;
  dest.bstrVal = SysAllocString(u"old");  // freed by the copy
  ASSERT_EQ(VariantCopy(&dest, text.raw()), S_OK);
  EXPECT_EQ(dest.vt, VT_BSTR);
  EXPECT_NE(dest.bstrVal, text.raw()->bstrVal);
  text = Variant(1.5);  // frees the source's text
  EXPECT_EQ(cp1250FromBstr(dest.bstrVal), "abc");

  EXPECT_EQ(VariantCopy(&dest, &dest), S_OK);
  EXPECT_EQ(cp1250FromBstr(dest.bstrVal), "abc");
  EXPECT_EQ(VariantClear(&dest), S_OK);
  EXPECT_EQ(dest.vt, VT_EMPTY);

  // The wrapper copies the same way; a moved-from one is empty.
  Variant a = Variant::fromCp1250("x");
  Variant b = a;
  EXPECT_NE(b.raw()->bstrVal, a.raw()->bstrVal);
  b = b;
  EXPECT_EQ(describe(b), "BSTR \"x\"");
  Variant c = std::move(a);
  EXPECT_EQ(a.vt(), VT_EMPTY);
  EXPECT_EQ(describe(c), "BSTR \"x\"");
  c = std::move(b);
  EXPECT_EQ(describe(c), "BSTR \"x\"");
}

TEST(Variant, RefusesBadArguments) {
  Variant v(std::int32_t{1});
  EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
  EXPECT_EQ(VariantCopy(nullptr, v.raw()), E_INVALIDARG);
  EXPECT_EQ(VariantCopy(v.raw(), nullptr), E_INVALIDARG);
  EXPECT_EQ(VariantChangeType(nullptr, v.raw(), 0, VT_I4), E_INVALIDARG);
  EXPECT_EQ(VariantChangeType(v.raw(), nullptr, 0, VT_I4), E_INVALIDARG);

  VARIANT odd;
  VariantInit(&odd);
  odd.vt = 0x7777;
  EXPECT_EQ(VariantClear(&odd), DISP_E_BADVARTYPE);
  EXPECT_EQ(VariantCopy(v.raw(), &odd), DISP_E_BADVARTYPE);
  EXPECT_EQ(VariantChangeType(v.raw(), &odd, 0, VT_I4), DISP_E_BADVARTYPE);
  EXPECT_EQ(odd.vt, 0x7777);
}

// ---------------------------------------------------------------------------

TEST(Guid, RoundTrip) {
  EXPECT_EQ(guidToString(IID_IUnknown), "{00000000-0000-0000-C000-000000000046}");
  const GUID g = {0x01234567, 0x89AB, 0xCDEF, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}};
  EXPECT_EQ(guidToString(g), "{01234567-89AB-CDEF-FEDC-BA9876543210}");
  for (const char* text :
       {"{01234567-89AB-CDEF-FEDC-BA9876543210}", "{01234567-89ab-cdef-fedc-ba9876543210}"}) {
    GUID back{};
    ASSERT_TRUE(guidFromString(text, back)) << text;
    EXPECT_TRUE(back == g) << text;
  }
  GUID other = g;
  other.Data4[7] ^= 1;
  EXPECT_FALSE(other == g);
  EXPECT_TRUE(other != g);
}

TEST(Guid, RejectsMalformed) {
  for (std::string_view text : {
           ""sv,
           "{}"sv,
           "00000000-0000-0000-C000-000000000046"sv,
           "{00000000-0000-0000-C000-000000000046"sv,
           "{00000000-0000-0000-C000-0000000000461}"sv,
           "{00000000-0000-0000-C000-00000000004}"sv,
           "(00000000-0000-0000-C000-000000000046)"sv,
           "{0000000-00000-0000-C000-000000000046}"sv,
           "{00000000_0000-0000-C000-000000000046}"sv,
           "{00000000-0000-0000-C000-00000000004G}"sv,
           "{+0000000-0000-0000-C000-000000000046}"sv,
           "{ 0000000-0000-0000-C000-000000000046}"sv,
           " {00000000-0000-0000-C000-000000000046}"sv,
           "{00000000-0000-0000-C000-00000000004\0}"sv,
       }) {
    GUID g = IID_IUnknown;
    EXPECT_FALSE(guidFromString(text, g)) << text;
    EXPECT_TRUE(g == IID_IUnknown) << "changed by " << text;
  }
}

// ---------------------------------------------------------------------------

class CountedObject final : public IUnknown {
 public:
  explicit CountedObject(bool& destroyed) : destroyed_(destroyed) {}

  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown) {
      *out = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  std::uint32_t AddRef() override { return ++refs_; }
  std::uint32_t Release() override {
    const std::uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 private:
  ~CountedObject() override { destroyed_ = true; }
  std::atomic<std::uint32_t> refs_{1};
  bool& destroyed_;
};

TEST(ComUnknown, ImplementedWithAtomicCount) {
  static_assert(std::is_abstract_v<IUnknown> && !std::is_destructible_v<IUnknown> &&
                std::has_virtual_destructor_v<IUnknown>);
  bool destroyed = false;
  IUnknown* object = new CountedObject(destroyed);

  void* out = nullptr;
  ASSERT_EQ(object->QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(out, static_cast<void*>(object));

  const IID unknownIid = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  out = &destroyed;
  EXPECT_EQ(object->QueryInterface(unknownIid, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

  EXPECT_EQ(object->AddRef(), 3u);
  EXPECT_EQ(object->Release(), 2u);
  EXPECT_EQ(object->Release(), 1u);
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(object->Release(), 0u);
  EXPECT_TRUE(destroyed);
}

}  // namespace
