#include "platform/Com.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <system_error>

#include "platform/CodePage.h"
#include "platform/Dispatch.h"
#include "platform/Number.h"

namespace plat {

// ---------------------------------------------------------------------------
// BSTR

namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);
constexpr std::uint32_t kMaxLen = 0x7FFFFFFFu;  // len * 2 fits in 32 bits

char* blockOf(BSTR s) {
  return reinterpret_cast<char*>(s) - kPrefix;
}

}  // namespace

BSTR SysAllocStringLen(const char16_t* text, std::uint32_t len) noexcept {
  if (len > kMaxLen) return nullptr;
  const std::uint32_t bytes = len * 2;
  char* block = static_cast<char*>(std::malloc(kPrefix + bytes + sizeof(char16_t)));
  if (!block) return nullptr;
  std::memcpy(block, &bytes, kPrefix);
  BSTR s = reinterpret_cast<BSTR>(block + kPrefix);
  if (text) {
    std::memcpy(s, text, bytes);
  } else {
    std::memset(s, 0, bytes);
  }
  s[len] = 0;
  return s;
}

BSTR SysAllocString(const char16_t* text) noexcept {
  if (!text) return nullptr;
  std::size_t len = 0;
  while (text[len] != 0) ++len;
  if (len > kMaxLen) return nullptr;
  return SysAllocStringLen(text, static_cast<std::uint32_t>(len));
}

void SysFreeString(BSTR s) noexcept {
  if (s) std::free(blockOf(s));
}

std::uint32_t SysStringByteLen(BSTR s) noexcept {
  if (!s) return 0;
  std::uint32_t bytes;
  std::memcpy(&bytes, blockOf(s), kPrefix);
  return bytes;
}

std::uint32_t SysStringLen(BSTR s) noexcept {
  return SysStringByteLen(s) / 2;
}

BSTR bstrFromCp1250(std::string_view text) noexcept {
  if (text.size() > kMaxLen) return nullptr;
  // One character per byte: convert straight into the new string.
  BSTR s = SysAllocStringLen(nullptr, static_cast<std::uint32_t>(text.size()));
  if (!s) return nullptr;
  for (std::size_t i = 0; i < text.size(); ++i)
    s[i] = static_cast<char16_t>(cp1250ToUnicode(static_cast<unsigned char>(text[i])));
  return s;
}

std::string cp1250FromBstr(BSTR s) {
  return utf16ToCp1250(std::u16string_view(s ? s : u"", SysStringLen(s)));
}

// ---------------------------------------------------------------------------
// VARIANT

namespace {

bool scalarType(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY:
    case VT_I4:
    case VT_R8:
    case VT_BSTR:
    case VT_BOOL:
    case VT_UI4:
      return true;
    default:
      return false;
  }
}

bool objectType(VARTYPE vt) {
  return vt == VT_DISPATCH || vt == VT_UNKNOWN;
}

// The types a variant may hold by value.
bool valueType(VARTYPE vt) {
  return scalarType(vt) || objectType(vt);
}

bool knownType(VARTYPE vt) {
  if ((vt & VT_BYREF) == 0) return valueType(vt);
  const VARTYPE base = vt & ~VT_BYREF;
  return base != VT_EMPTY && (valueType(base) || base == VT_VARIANT);
}

// The object held by an object variant (null or not).
IUnknown* objectOf(const VARIANT& v) {
  return v.vt == VT_DISPATCH ? static_cast<IUnknown*>(v.pdispVal) : v.punkVal;
}

VARIANT emptyVariant() {
  VARIANT v;
  VariantInit(&v);
  return v;
}

VARIANT makeI4(std::int32_t x) {
  VARIANT v = emptyVariant();
  v.vt = VT_I4;
  v.lVal = x;
  return v;
}

VARIANT makeUI4(std::uint32_t x) {
  VARIANT v = emptyVariant();
  v.vt = VT_UI4;
  v.ulVal = x;
  return v;
}

VARIANT makeR8(double x) {
  VARIANT v = emptyVariant();
  v.vt = VT_R8;
  v.dblVal = x;
  return v;
}

VARIANT makeBool(bool x) {
  VARIANT v = emptyVariant();
  v.vt = VT_BOOL;
  v.boolVal = x ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

// A BSTR of ASCII text; E_OUTOFMEMORY when it cannot be allocated.
HRESULT makeBstr(std::string_view ascii, VARIANT& out) {
  BSTR s = SysAllocStringLen(nullptr, static_cast<std::uint32_t>(ascii.size()));
  if (!s) return E_OUTOFMEMORY;
  for (std::size_t i = 0; i < ascii.size(); ++i) s[i] = static_cast<unsigned char>(ascii[i]);
  out = emptyVariant();
  out.vt = VT_BSTR;
  out.bstrVal = s;
  return S_OK;
}

// Rounds to the nearest integer, ties to even, whatever the FPU rounding mode.
double roundHalfEven(double x) {
  const double down = std::floor(x);
  const double diff = x - down;  // exact for every finite double
  if (diff > 0.5) return down + 1;
  if (diff < 0.5) return down;
  return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

HRESULT r8ToI4(double x, std::int32_t& out) {
  const double r = roundHalfEven(x);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) return DISP_E_OVERFLOW;  // also NaN
  out = static_cast<std::int32_t>(r);
  return S_OK;
}

HRESULT r8ToUI4(double x, std::uint32_t& out) {
  const double r = roundHalfEven(x);
  if (!(r >= 0.0 && r <= 4294967295.0)) return DISP_E_OVERFLOW;
  out = static_cast<std::uint32_t>(r);
  return S_OK;
}

// --- Reading numbers from UTF-16 text --------------------------------------

bool isBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}
bool isDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

std::u16string_view trimmed(BSTR s) {
  std::u16string_view t(s ? s : u"", SysStringLen(s));
  while (!t.empty() && isBlank(t.front())) t.remove_prefix(1);
  while (!t.empty() && isBlank(t.back())) t.remove_suffix(1);
  return t;
}

// Optional sign and digits; the magnitude saturates just above 2^32.
HRESULT parseInteger(BSTR s, bool& negative, std::uint64_t& magnitude) {
  std::u16string_view t = trimmed(s);
  negative = false;
  if (!t.empty() && (t.front() == u'+' || t.front() == u'-')) {
    negative = t.front() == u'-';
    t.remove_prefix(1);
  }
  if (t.empty()) return DISP_E_TYPEMISMATCH;
  constexpr std::uint64_t kCap = std::uint64_t{1} << 33;
  magnitude = 0;
  for (char16_t c : t) {
    if (!isDigit(c)) return DISP_E_TYPEMISMATCH;
    magnitude = magnitude * 10 + (c - u'0');
    if (magnitude > kCap) magnitude = kCap;
  }
  return S_OK;
}

HRESULT bstrToI4(BSTR s, std::int32_t& out) {
  bool negative;
  std::uint64_t m;
  if (HRESULT hr = parseInteger(s, negative, m); FAILED(hr)) return hr;
  if (negative) {
    if (m > 2147483648u) return DISP_E_OVERFLOW;
    out = static_cast<std::int32_t>(-static_cast<std::int64_t>(m));
  } else {
    if (m > 2147483647u) return DISP_E_OVERFLOW;
    out = static_cast<std::int32_t>(m);
  }
  return S_OK;
}

HRESULT bstrToUI4(BSTR s, std::uint32_t& out) {
  bool negative;
  std::uint64_t m;
  if (HRESULT hr = parseInteger(s, negative, m); FAILED(hr)) return hr;
  if (m > 4294967295u || (negative && m != 0)) return DISP_E_OVERFLOW;
  out = static_cast<std::uint32_t>(m);
  return S_OK;
}

HRESULT bstrToR8(BSTR s, double& out) {
  const std::u16string_view t = trimmed(s);
  // The grammar is plain ASCII: any other character is no number.
  std::string ascii;
  ascii.reserve(t.size());
  for (char16_t c : t) {
    if (c > 0x7F) return DISP_E_TYPEMISMATCH;
    ascii += static_cast<char>(c);
  }
  double value = 0;
  switch (parseDecimal(ascii, value)) {
    case DecimalStatus::Ok:
    case DecimalStatus::Underflow:
      out = value;
      return S_OK;
    case DecimalStatus::Overflow:
      return DISP_E_OVERFLOW;
    case DecimalStatus::NotANumber:
      break;
  }
  return DISP_E_TYPEMISMATCH;
}

bool equalsNoCase(std::u16string_view t, std::string_view word) {
  if (t.size() != word.size()) return false;
  for (std::size_t i = 0; i < t.size(); ++i) {
    char16_t c = t[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != static_cast<unsigned char>(word[i])) return false;
  }
  return true;
}

HRESULT bstrToBool(BSTR s, bool& out) {
  const std::u16string_view t = trimmed(s);
  if (equalsNoCase(t, "true")) {
    out = true;
    return S_OK;
  }
  if (equalsNoCase(t, "false")) {
    out = false;
    return S_OK;
  }
  double x;
  if (HRESULT hr = bstrToR8(s, x); FAILED(hr)) return hr;
  out = x != 0;
  return S_OK;
}

// --- Writing numbers as text -------------------------------------------------

template <class T>
HRESULT integerToBstr(T x, VARIANT& out) {
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, x);
  return makeBstr(std::string_view(buf, r.ptr - buf), out);
}

HRESULT r8ToBstr(double x, VARIANT& out) {
  if (!std::isfinite(x)) return DISP_E_OVERFLOW;
  if (x == 0) x = 0;  // no "-0"
  // Fixed notation at its shortest round-trip length is at most 327 characters
  // (sign, "0.", 323 zeros and a digit for the smallest subnormal).
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed);
  if (r.ec != std::errc()) return E_UNEXPECTED;
  return makeBstr(std::string_view(buf, r.ptr - buf), out);
}

// --- Conversion ------------------------------------------------------------

// Numeric view of a non-text source, for the targets I4, UI4, R8 and BOOL.
struct Number {
  enum Kind { kSigned, kUnsigned, kReal } kind;
  std::int64_t i;  // kSigned and kUnsigned
  double d;        // kReal
};

Number numberOf(const VARIANT& src) {
  switch (src.vt) {
    case VT_I4:
      return {Number::kSigned, src.lVal, 0};
    case VT_UI4:
      return {Number::kUnsigned, src.ulVal, 0};
    case VT_R8:
      return {Number::kReal, 0, src.dblVal};
    case VT_BOOL:
      return {Number::kSigned, src.boolVal != 0 ? -1 : 0, 0};
    default:  // VT_EMPTY
      return {Number::kSigned, 0, 0};
  }
}

HRESULT convert(const VARIANT& src, std::uint16_t flags, VARTYPE vt, VARIANT& out) {
  if (vt == VT_EMPTY) {
    out = emptyVariant();
    return S_OK;
  }
  if (!valueType(vt)) return DISP_E_TYPEMISMATCH;
  if (src.vt == vt) return VariantCopy(&out, &src);
  if (objectType(src.vt) || objectType(vt)) {
    if (src.vt != VT_DISPATCH || vt != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
    IUnknown* unknown = nullptr;
    if (src.pdispVal) {
      const HRESULT hr =
          src.pdispVal->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown));
      if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
    }
    out = emptyVariant();
    out.vt = VT_UNKNOWN;
    out.punkVal = unknown;
    return S_OK;
  }

  if (src.vt == VT_BSTR) {
    switch (vt) {
      case VT_I4: {
        std::int32_t x;
        if (HRESULT hr = bstrToI4(src.bstrVal, x); FAILED(hr)) return hr;
        out = makeI4(x);
        return S_OK;
      }
      case VT_UI4: {
        std::uint32_t x;
        if (HRESULT hr = bstrToUI4(src.bstrVal, x); FAILED(hr)) return hr;
        out = makeUI4(x);
        return S_OK;
      }
      case VT_R8: {
        double x;
        if (HRESULT hr = bstrToR8(src.bstrVal, x); FAILED(hr)) return hr;
        out = makeR8(x);
        return S_OK;
      }
      default: {  // VT_BOOL
        bool x;
        if (HRESULT hr = bstrToBool(src.bstrVal, x); FAILED(hr)) return hr;
        out = makeBool(x);
        return S_OK;
      }
    }
  }

  if (vt == VT_BSTR) {
    switch (src.vt) {
      case VT_EMPTY:
        return makeBstr("", out);
      case VT_I4:
        return integerToBstr(src.lVal, out);
      case VT_UI4:
        return integerToBstr(src.ulVal, out);
      case VT_R8:
        return r8ToBstr(src.dblVal, out);
      default:  // VT_BOOL
        if (flags & VARIANT_ALPHABOOL) return makeBstr(src.boolVal ? "True" : "False", out);
        return makeBstr(src.boolVal ? "-1" : "0", out);
    }
  }

  const Number n = numberOf(src);
  switch (vt) {
    case VT_I4: {
      std::int32_t x;
      if (n.kind == Number::kReal) {
        if (HRESULT hr = r8ToI4(n.d, x); FAILED(hr)) return hr;
      } else {
        if (n.i > INT32_MAX) return DISP_E_OVERFLOW;
        x = static_cast<std::int32_t>(n.i);
      }
      out = makeI4(x);
      return S_OK;
    }
    case VT_UI4: {
      std::uint32_t x;
      if (n.kind == Number::kReal) {
        if (HRESULT hr = r8ToUI4(n.d, x); FAILED(hr)) return hr;
      } else if (src.vt == VT_BOOL) {
        x = static_cast<std::uint32_t>(n.i);  // true -> 0xFFFFFFFF, as on Windows
      } else {
        if (n.i < 0) return DISP_E_OVERFLOW;
        x = static_cast<std::uint32_t>(n.i);
      }
      out = makeUI4(x);
      return S_OK;
    }
    case VT_R8:
      out = makeR8(n.kind == Number::kReal ? n.d : static_cast<double>(n.i));
      return S_OK;
    default:  // VT_BOOL
      out = makeBool(n.kind == Number::kReal ? n.d != 0 : n.i != 0);
      return S_OK;
  }
}

}  // namespace

void VariantInit(VARIANT* v) noexcept {
  if (!v) return;
  std::memset(static_cast<void*>(v), 0, sizeof *v);
  v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* v) noexcept {
  if (!v) return E_INVALIDARG;
  if (!knownType(v->vt)) return DISP_E_BADVARTYPE;
  // Take the variant's content first: a Release may reach this variant again.
  const VARIANT old = *v;
  VariantInit(v);
  if (old.vt == VT_BSTR) {
    SysFreeString(old.bstrVal);
  } else if (objectType(old.vt)) {
    if (IUnknown* object = objectOf(old)) object->Release();
  }
  return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) noexcept {
  if (!dest || !src) return E_INVALIDARG;
  if (dest == src) return knownType(src->vt) ? S_OK : DISP_E_BADVARTYPE;
  if (!knownType(dest->vt)) return DISP_E_BADVARTYPE;
  // Copy first, then clear: safe even when dest shares src's BSTR or object.
  VARIANT copy = *src;
  HRESULT hr = S_OK;
  if (!knownType(src->vt)) {
    hr = DISP_E_BADVARTYPE;
  } else if (src->vt == VT_BSTR && src->bstrVal) {  // a null BSTR stays null
    copy.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
    if (!copy.bstrVal) hr = E_OUTOFMEMORY;
  } else if (objectType(src->vt)) {
    if (IUnknown* object = objectOf(*src)) object->AddRef();
  }
  VariantClear(dest);
  if (SUCCEEDED(hr)) *dest = copy;
  return hr;
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src) noexcept {
  if (!dest || !src) return E_INVALIDARG;
  if (!knownType(src->vt)) return DISP_E_BADVARTYPE;
  if ((src->vt & VT_BYREF) == 0) {
    if (dest == src) return S_OK;
    return VariantCopy(dest, src);
  }
  if (!src->byref) return E_INVALIDARG;
  VARIANT value = emptyVariant();  // the pointed-at value, not owned
  switch (src->vt & ~VT_BYREF) {
    case VT_I4:
      value.vt = VT_I4;
      value.lVal = *src->plVal;
      break;
    case VT_UI4:
      value.vt = VT_UI4;
      value.ulVal = *src->pulVal;
      break;
    case VT_R8:
      value.vt = VT_R8;
      value.dblVal = *src->pdblVal;
      break;
    case VT_BOOL:
      value.vt = VT_BOOL;
      value.boolVal = *src->pboolVal;
      break;
    case VT_BSTR:
      value.vt = VT_BSTR;
      value.bstrVal = *src->pbstrVal;
      break;
    case VT_DISPATCH:
      value.vt = VT_DISPATCH;
      value.pdispVal = *src->ppdispVal;
      break;
    case VT_UNKNOWN:
      value.vt = VT_UNKNOWN;
      value.punkVal = *src->ppunkVal;
      break;
    default:  // VT_VARIANT
      if (src->pvarVal->vt & VT_BYREF) return E_INVALIDARG;
      value = *src->pvarVal;
      break;
  }
  if (!knownType(dest->vt)) return DISP_E_BADVARTYPE;
  // value aliases what src points at, never dest itself (dest would have to
  // point at itself); VariantCopy copies before it clears dest.
  return VariantCopy(dest, &value);
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, std::uint16_t flags,
                          VARTYPE vt) noexcept {
  if (!dest || !src) return E_INVALIDARG;
  if (!knownType(src->vt)) return DISP_E_BADVARTYPE;
  if (!knownType(dest->vt)) return DISP_E_BADVARTYPE;
  VARIANT value = emptyVariant();  // a reference's value, owned here
  if (src->vt & VT_BYREF) {
    if (HRESULT hr = VariantCopyInd(&value, src); FAILED(hr)) return hr;
  }
  const VARIANT& from = (src->vt & VT_BYREF) ? value : *src;
  VARIANT result = emptyVariant();
  HRESULT hr;
  try {
    hr = convert(from, flags, vt, result);
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  }
  VariantClear(&value);
  if (FAILED(hr)) return hr;
  VariantClear(dest);  // frees an in-place source only now, after reading it
  *dest = result;
  return S_OK;
}

// ---------------------------------------------------------------------------
// Variant

Variant::Variant(std::int32_t value) noexcept : v_(makeI4(value)) {}
Variant::Variant(std::uint32_t value) noexcept : v_(makeUI4(value)) {}
Variant::Variant(double value) noexcept : v_(makeR8(value)) {}
Variant::Variant(bool value) noexcept : v_(makeBool(value)) {}

Variant Variant::fromCp1250(std::string_view text) {
  BSTR s = bstrFromCp1250(text);
  if (!s) throw std::bad_alloc();
  Variant v;
  v.v_.vt = VT_BSTR;
  v.v_.bstrVal = s;
  return v;
}

Variant::Variant(const Variant& other) {
  VariantInit(&v_);
  if (VariantCopy(&v_, &other.v_) == E_OUTOFMEMORY) throw std::bad_alloc();
}

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) {
    Variant copy(other);  // leaves *this intact when the copy fails
    *this = std::move(copy);
  }
  return *this;
}

Variant::Variant(Variant&& other) noexcept : v_(other.v_) {
  VariantInit(&other.v_);
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    VariantClear(&v_);
    v_ = other.v_;
    VariantInit(&other.v_);
  }
  return *this;
}

// ---------------------------------------------------------------------------
// GUID

namespace {

// Where the 32 hex digits sit in "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
constexpr std::size_t kGuidLength = 38;
constexpr bool isDashPosition(std::size_t i) {
  return i == 9 || i == 14 || i == 19 || i == 24;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The GUID's 16 bytes in text order (Data1, Data2 and Data3 most significant
// byte first).
void guidBytes(const GUID& g, std::uint8_t (&b)[16]) {
  for (int k = 0; k < 4; ++k) b[k] = static_cast<std::uint8_t>(g.Data1 >> (24 - 8 * k));
  b[4] = static_cast<std::uint8_t>(g.Data2 >> 8);
  b[5] = static_cast<std::uint8_t>(g.Data2);
  b[6] = static_cast<std::uint8_t>(g.Data3 >> 8);
  b[7] = static_cast<std::uint8_t>(g.Data3);
  for (int k = 0; k < 8; ++k) b[8 + k] = g.Data4[k];
}

}  // namespace

std::string guidToString(REFGUID guid) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::uint8_t b[16];
  guidBytes(guid, b);
  std::string text(kGuidLength, '-');
  text.front() = '{';
  text.back() = '}';
  std::size_t digit = 0;
  for (std::size_t i = 1; i + 1 < kGuidLength; ++i) {
    if (isDashPosition(i)) continue;
    const std::uint8_t byte = b[digit / 2];
    text[i] = kHex[digit % 2 == 0 ? byte >> 4 : byte & 0xF];
    ++digit;
  }
  return text;
}

bool guidFromString(std::string_view text, GUID& guid) noexcept {
  if (text.size() != kGuidLength || text.front() != '{' || text.back() != '}') return false;
  std::uint8_t b[16] = {};
  std::size_t digit = 0;
  for (std::size_t i = 1; i + 1 < kGuidLength; ++i) {
    if (isDashPosition(i)) {
      if (text[i] != '-') return false;
      continue;
    }
    const int v = hexValue(text[i]);
    if (v < 0) return false;
    b[digit / 2] = static_cast<std::uint8_t>(b[digit / 2] << 4 | v);
    ++digit;
  }
  guid.Data1 =
      std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
  guid.Data2 = static_cast<std::uint16_t>(b[4] << 8 | b[5]);
  guid.Data3 = static_cast<std::uint16_t>(b[6] << 8 | b[7]);
  for (int k = 0; k < 8; ++k) guid.Data4[k] = b[8 + k];
  return true;
}

// ---------------------------------------------------------------------------
// Error information

namespace {

thread_local ErrorInfo tErrorInfo;
thread_local bool tHasErrorInfo = false;

}  // namespace

void SetErrorInfo(std::string_view description, REFIID iid, std::string_view source) {
  tErrorInfo.description.assign(description);
  tErrorInfo.iid = iid;
  tErrorInfo.source.assign(source);
  tHasErrorInfo = true;
}

bool GetErrorInfo(ErrorInfo& info) {
  if (!tHasErrorInfo) return false;
  info = std::move(tErrorInfo);
  tErrorInfo = ErrorInfo{};
  tHasErrorInfo = false;
  return true;
}

void ClearErrorInfo() noexcept {
  tHasErrorInfo = false;
  tErrorInfo.description.clear();
  tErrorInfo.source.clear();
}

}  // namespace plat
