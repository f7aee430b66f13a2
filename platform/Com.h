// COM / OLE Automation value types for Linux: HRESULT, BSTR, the VARIANT
// subset we use, GUID and IUnknown. The names are the Windows ones so that the
// code written against them reads as it did there; everything lives in plat.
//
// The C-style functions never throw; they report through HRESULT or a null
// result. The C++ helpers (BStr, Variant, cp1250FromBstr, guidToString) throw
// std::bad_alloc when memory runs out, as the standard library does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Export.h"

namespace plat {

// ---------------------------------------------------------------------------
// HRESULT

using HRESULT = std::int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
// Dispatch, activation and registration.
constexpr HRESULT DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001u);
constexpr HRESULT DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007u);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
constexpr HRESULT TYPE_E_REGISTRYACCESS = static_cast<HRESULT>(0x8002801Cu);
constexpr HRESULT TYPE_E_CANTLOADLIBRARY = static_cast<HRESULT>(0x80029C4Au);
constexpr HRESULT REGDB_E_READREGDB = static_cast<HRESULT>(0x80040150u);
constexpr HRESULT REGDB_E_WRITEREGDB = static_cast<HRESULT>(0x80040151u);
constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);
constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
constexpr HRESULT CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x800401F8u);
constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9u);

constexpr bool SUCCEEDED(HRESULT hr) noexcept {
  return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) noexcept {
  return hr < 0;
}

// ---------------------------------------------------------------------------
// BSTR: UTF-16 text preceded by a 32-bit byte length and followed by a zero
// character. The text may hold zero characters of its own; the prefix, not
// the terminator, gives the length. A null BSTR is the empty text.

using BSTR = char16_t*;

// A new BSTR of len characters copied from text, or zero-filled when text is
// null. Null when memory runs out or len * 2 does not fit in 32 bits.
PLAT_API BSTR SysAllocStringLen(const char16_t* text, std::uint32_t len) noexcept;
// A copy of a zero-terminated text; null for a null text.
PLAT_API BSTR SysAllocString(const char16_t* text) noexcept;
PLAT_API void SysFreeString(BSTR s) noexcept;              // null is fine
PLAT_API std::uint32_t SysStringLen(BSTR s) noexcept;      // characters; 0 for null
PLAT_API std::uint32_t SysStringByteLen(BSTR s) noexcept;  // bytes; 0 for null

// cp1250 bytes <-> BSTR, one character per byte and lossless for all 256
// bytes. bstrFromCp1250 gives a non-null BSTR (also for an empty text) or
// null when memory runs out.
PLAT_API BSTR bstrFromCp1250(std::string_view text) noexcept;
PLAT_API std::string cp1250FromBstr(BSTR s);

// Owns one BSTR.
class PLAT_API BStr {
 public:
  BStr() noexcept = default;
  explicit BStr(BSTR s) noexcept : s_(s) {}
  BStr(BStr&& other) noexcept : s_(other.release()) {}
  BStr& operator=(BStr&& other) noexcept {
    reset(other.release());
    return *this;
  }
  BStr(const BStr&) = delete;
  BStr& operator=(const BStr&) = delete;
  ~BStr() { SysFreeString(s_); }

  BSTR get() const noexcept { return s_; }
  std::uint32_t length() const noexcept { return SysStringLen(s_); }
  // Gives up ownership; the holder is null afterwards.
  BSTR release() noexcept {
    BSTR s = s_;
    s_ = nullptr;
    return s;
  }
  // Frees the held BSTR (unless it is s) and takes s.
  void reset(BSTR s = nullptr) noexcept {
    if (s != s_) {
      SysFreeString(s_);
      s_ = s;
    }
  }

 private:
  BSTR s_ = nullptr;
};

// ---------------------------------------------------------------------------
// VARIANT: the scalar types we use, BSTR, object pointers, and references to
// them for the out-arguments of IDispatch::Invoke.

class IUnknown;
class IDispatch;  // platform/Dispatch.h

using VARTYPE = std::uint16_t;
constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_I4 = 3;
constexpr VARTYPE VT_R8 = 5;
constexpr VARTYPE VT_BSTR = 8;
constexpr VARTYPE VT_DISPATCH = 9;
constexpr VARTYPE VT_BOOL = 11;
constexpr VARTYPE VT_VARIANT = 12;  // only with VT_BYREF
constexpr VARTYPE VT_UNKNOWN = 13;
constexpr VARTYPE VT_UI4 = 19;
// With one of I4, R8, BSTR, DISPATCH, BOOL, VARIANT, UNKNOWN, UI4: the
// variant points at a value it does not own.
constexpr VARTYPE VT_BYREF = 0x4000;

using VARIANT_BOOL = std::int16_t;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// Flag of VariantChangeType: VT_BOOL becomes "True"/"False" rather than
// "-1"/"0". Other flags are accepted and ignored.
constexpr std::uint16_t VARIANT_ALPHABOOL = 0x02;

struct PLAT_API tagVARIANT {
  VARTYPE vt;
  union {
    std::int32_t lVal;
    std::uint32_t ulVal;
    double dblVal;
    BSTR bstrVal;
    VARIANT_BOOL boolVal;
    IUnknown* punkVal;    // VT_UNKNOWN, may be null
    IDispatch* pdispVal;  // VT_DISPATCH, may be null
    // VT_BYREF | ...
    std::int32_t* plVal;
    std::uint32_t* pulVal;
    double* pdblVal;
    BSTR* pbstrVal;
    VARIANT_BOOL* pboolVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    tagVARIANT* pvarVal;
    void* byref;
  };
};
using VARIANT = tagVARIANT;
using VARIANTARG = VARIANT;

// Functions given a null pointer return E_INVALIDARG; a variant whose vt is
// none of the above gives DISP_E_BADVARTYPE and is left alone.

// Makes v VT_EMPTY (the value bytes are zeroed too).
PLAT_API void VariantInit(VARIANT* v) noexcept;
// Frees what v owns (a BSTR; a VT_DISPATCH or VT_UNKNOWN object is
// Released) and makes it VT_EMPTY. A VT_BYREF variant owns nothing.
PLAT_API HRESULT VariantClear(VARIANT* v) noexcept;
// Clears dest, then copies src into it; a BSTR is copied, not shared, an
// object is shared and AddRef'd, a reference is copied as the same pointer.
// dest == src is a no-op. On failure dest is VT_EMPTY.
PLAT_API HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) noexcept;
// As VariantCopy, but a VT_BYREF source gives a copy of the value it points
// at (a VT_BYREF | VT_VARIANT the variant it points at, which may not itself
// be a reference: E_INVALIDARG). dest may be src.
PLAT_API HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src) noexcept;

// Converts src to type vt into dest; dest may be src. On failure dest (and so
// an in-place source) is untouched. Never depends on the C locale.
//  - A VT_BYREF source is converted from the value it points at.
//  - Target VT_EMPTY clears; a target other than the six scalar types above,
//    VT_DISPATCH and VT_UNKNOWN (so any VT_BYREF target) gives
//    DISP_E_TYPEMISMATCH.
//  - Objects: to the same type is a copy; VT_DISPATCH to VT_UNKNOWN asks the
//    object for IUnknown (a null one stays null); every other conversion to
//    or from an object gives DISP_E_TYPEMISMATCH.
//  - VT_EMPTY is 0, false or the empty text.
//  - Numbers to text: plain decimal, "." as the decimal point, no exponent;
//    for R8 the shortest text that reads back to the same double (12.5 ->
//    "12.5", 3.0 -> "3", 1e20 -> "100000000000000000000"); -0.0 -> "0";
//    infinities and NaN give DISP_E_OVERFLOW.
//  - Text to I4/UI4: optional blanks (space, tab) around, optional + or -,
//    ASCII digits. Text to R8 also takes a "." with digits on either side and
//    an exponent (e or E, optional sign, digits). Anything else, also an
//    empty text, inf, nan or hex, gives DISP_E_TYPEMISMATCH; a value out of
//    range gives DISP_E_OVERFLOW (R8: a magnitude that underflows reads as 0).
//  - Text to BOOL: "True" or "False" in any case, or a number as for R8
//    (nonzero is true).
//  - R8 to I4/UI4 rounds half to even, then checks the range: -0.4 -> 0,
//    -1.0 -> UI4 overflow, NaN -> overflow. I4 < 0 -> UI4 and UI4 > INT32_MAX
//    -> I4 overflow.
//  - BOOL to numbers: false 0, true -1 (I4, R8) or 0xFFFFFFFF (UI4, the same
//    bits as on Windows). Numbers to BOOL: nonzero (also NaN) is true.
PLAT_API HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, std::uint16_t flags,
                                   VARTYPE vt) noexcept;

// Owns one VARIANT. Copying copies the BSTR; a moved-from Variant is empty.
// Throws std::bad_alloc when a BSTR cannot be allocated.
class PLAT_API Variant {
 public:
  Variant() noexcept { VariantInit(&v_); }
  explicit Variant(std::int32_t value) noexcept;
  explicit Variant(std::uint32_t value) noexcept;
  explicit Variant(double value) noexcept;
  explicit Variant(bool value) noexcept;
  Variant(const char*) = delete;  // would be bool; use fromCp1250
  static Variant fromCp1250(std::string_view text);

  Variant(const Variant& other);
  Variant& operator=(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(Variant&& other) noexcept;
  ~Variant() { VariantClear(&v_); }

  VARTYPE vt() const noexcept { return v_.vt; }
  // For the C-style functions; whatever is stored through it stays owned.
  VARIANT* raw() noexcept { return &v_; }
  const VARIANT* raw() const noexcept { return &v_; }

 private:
  VARIANT v_;
};

// ---------------------------------------------------------------------------
// GUID

struct PLAT_API GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];

  friend constexpr bool operator==(const GUID&, const GUID&) = default;
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
PLAT_API std::string guidToString(REFGUID guid);
// The same form with hex digits in either case; nothing else (no blanks, no
// missing braces). False and guid untouched on anything malformed.
PLAT_API bool guidFromString(std::string_view text, GUID& guid) noexcept;

inline constexpr IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// ---------------------------------------------------------------------------
// IUnknown: reference counting and interface lookup. An object is destroyed
// by its last Release, never through delete on the interface.

class PLAT_API IUnknown {
 public:
  // S_OK and an AddRef'd pointer in *out, or E_NOINTERFACE with *out null;
  // E_POINTER when out is null.
  virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  virtual ~IUnknown();
};

// ---------------------------------------------------------------------------
// Error information: the description of the last failure of an object's
// method, kept per thread until it is taken or replaced.

struct PLAT_API ErrorInfo {
  std::string description;  // cp1250 text
  IID iid{};                // the interface whose method failed
  std::string source;       // the object's ProgID
};

PLAT_API void SetErrorInfo(std::string_view description, REFIID iid, std::string_view source);
// Takes the thread's error information; false when there is none.
PLAT_API bool GetErrorInfo(ErrorInfo& info);
PLAT_API void ClearErrorInfo() noexcept;

}  // namespace plat
