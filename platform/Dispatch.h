// IDispatch: late-bound calls by name and DISPID with VARIANT arguments, and
// the table-driven implementation behind the dispatch of our own objects.
//
// An object's dispatch table (DispInterface) is written by the interface
// generator (tools/olvidl) from the interface definition: per method its name,
// DISPID, parameters and an invoker that converts the arguments and calls the
// method through the C++ interface. DispGetIDsOfNames and DispInvoke stand in
// for the standard dispatch over type information; no ITypeInfo is handed
// out.
#pragma once

#include <cstdint>

#include "platform/Com.h"
#include "platform/Export.h"

namespace plat {

using DISPID = std::int32_t;
using LCID = std::uint32_t;

constexpr DISPID DISPID_UNKNOWN = -1;

// Flags of Invoke.
constexpr std::uint16_t DISPATCH_METHOD = 0x1;
constexpr std::uint16_t DISPATCH_PROPERTYGET = 0x2;
constexpr std::uint16_t DISPATCH_PROPERTYPUT = 0x4;
constexpr std::uint16_t DISPATCH_PROPERTYPUTREF = 0x8;

// Arguments of Invoke: rgvarg holds them last to first (rgvarg[cArgs - 1] is
// the first parameter). Named arguments are not supported.
struct PLAT_API DISPPARAMS {
  VARIANTARG* rgvarg = nullptr;
  DISPID* rgdispidNamedArgs = nullptr;
  std::uint32_t cArgs = 0;
  std::uint32_t cNamedArgs = 0;
};

// The failure of the called method, when Invoke returns DISP_E_EXCEPTION.
// The BSTRs belong to the caller (FreeExcepInfo).
struct PLAT_API EXCEPINFO {
  std::uint16_t wCode = 0;
  BSTR bstrSource = nullptr;
  BSTR bstrDescription = nullptr;
  BSTR bstrHelpFile = nullptr;
  std::uint32_t dwHelpContext = 0;
  HRESULT scode = S_OK;
};

// Frees the texts of e and resets it.
PLAT_API void FreeExcepInfo(EXCEPINFO& e) noexcept;

class ITypeInfo;  // not implemented here: GetTypeInfo hands none out

inline constexpr IID IID_IDispatch = {
    0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class PLAT_API IDispatch : public IUnknown {
 public:
  virtual HRESULT GetTypeInfoCount(std::uint32_t* count) = 0;
  virtual HRESULT GetTypeInfo(std::uint32_t index, LCID lcid, ITypeInfo** info) = 0;
  virtual HRESULT GetIDsOfNames(REFIID riid, const char16_t* const* names, std::uint32_t count,
                                LCID lcid, DISPID* ids) = 0;
  virtual HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, std::uint16_t flags, DISPPARAMS* params,
                         VARIANT* result, EXCEPINFO* excepInfo, std::uint32_t* argErr) = 0;

 protected:
  ~IDispatch() override;
};

// ---------------------------------------------------------------------------
// Dispatch tables

enum class DispDir : std::uint8_t { kIn, kOut, kRetval };

struct PLAT_API DispParam {
  const char* name;
  VARTYPE type;  // VT_I4, VT_UI4, VT_R8, VT_BOOL, VT_BSTR, VT_VARIANT, VT_DISPATCH, VT_UNKNOWN
  DispDir dir;
};

class DispCall;
// Converts the [in] arguments, calls the method on the interface pointer
// itf and hands the out-values back through call; returns the method's
// result, or the failure of an argument conversion.
using DispInvoker = HRESULT (*)(void* itf, DispCall& call);

struct PLAT_API DispMethod {
  const char* name;
  DISPID dispid;
  const DispParam* params;
  std::uint32_t paramCount;
  DispInvoker invoke;
};

struct PLAT_API DispInterface {
  const char* name;
  const IID* iid;
  const DispMethod* methods;
  std::uint32_t methodCount;
};

// The method of a DISPID, or null.
PLAT_API const DispMethod* FindDispMethod(const DispInterface& table, DISPID id) noexcept;

// IDispatch::GetIDsOfNames over a table: names[0] is a method's name, found
// without regard to ASCII case. Parameter names (names[1...]) are not
// mapped, as named arguments are not supported. An unknown name gets
// DISPID_UNKNOWN and the result DISP_E_UNKNOWNNAME; the other ids are still
// filled. riid must be IID_NULL (else DISP_E_UNKNOWNINTERFACE).
PLAT_API HRESULT DispGetIDsOfNames(const DispInterface& table, REFIID riid,
                                   const char16_t* const* names, std::uint32_t count,
                                   DISPID* ids) noexcept;

// IDispatch::Invoke over a table, with itf the interface pointer whose
// methods the table's invokers call.
//  - Only methods: flags must hold DISPATCH_METHOD (else
//    DISP_E_MEMBERNOTFOUND, as for an unknown DISPID); riid must be IID_NULL.
//  - params->cArgs must be the number of parameters other than the [out,
//    retval] one (DISP_E_BADPARAMCOUNT); named arguments give
//    DISP_E_NONAMEDARGS.
//  - [in] arguments are converted with VariantChangeType (a VT_BYREF one is
//    read through); a failure is returned with *argErr the index into
//    rgvarg.
//  - An [out] argument is a VT_BYREF variant of the parameter's type, or
//    VT_BYREF | VT_VARIANT; anything else, or a null reference, gives
//    DISP_E_TYPEMISMATCH with *argErr before the method is called. The value
//    is stored only when the method succeeds; as for any [out] parameter the
//    old content of a typed reference is neither read nor freed, while a
//    referenced VARIANT is cleared first.
//  - The [out, retval] value goes to *result (VariantInit first, so an old
//    content is not freed), objects as VT_DISPATCH when their interface is a
//    dual one; with result null it is dropped.
//  - The method's result is returned as it is when it succeeds (S_FALSE
//    stays S_FALSE). When it fails: with excepInfo, that is filled (scode,
//    and the source and description of the error information the method
//    set, which is taken) and the result is DISP_E_EXCEPTION; without it the
//    method's failure is returned and its error information stays for
//    GetErrorInfo. Error information is cleared before the method runs.
PLAT_API HRESULT DispInvoke(const DispInterface& table, void* itf, DISPID id, REFIID riid,
                            std::uint16_t flags, DISPPARAMS* params, VARIANT* result,
                            EXCEPINFO* excepInfo, std::uint32_t* argErr) noexcept;

// One Invoke on its way through an invoker. Parameter index k counts the
// method's parameters from the first (0), the retval included.
class PLAT_API DispCall {
 public:
  DispCall(const DispMethod& method, DISPPARAMS& params, VARIANT* result,
           std::uint32_t* argErr) noexcept
      : method_(method), params_(params), result_(result), argErr_(argErr) {}

  HRESULT inI4(std::uint32_t k, std::int32_t& value) noexcept;
  HRESULT inUI4(std::uint32_t k, std::uint32_t& value) noexcept;
  HRESULT inR8(std::uint32_t k, double& value) noexcept;
  HRESULT inBool(std::uint32_t k, VARIANT_BOOL& value) noexcept;
  HRESULT inBstr(std::uint32_t k, BStr& value) noexcept;

  // Hand over out-value k after the method returned hr. On a success the
  // value goes to its target (owned values pass to it); on a failure, or
  // with no target, owned values are freed.
  void putI4(HRESULT hr, std::uint32_t k, std::int32_t value) noexcept;
  void putUI4(HRESULT hr, std::uint32_t k, std::uint32_t value) noexcept;
  void putR8(HRESULT hr, std::uint32_t k, double value) noexcept;
  void putBool(HRESULT hr, std::uint32_t k, VARIANT_BOOL value) noexcept;
  void putBstr(HRESULT hr, std::uint32_t k, BSTR value) noexcept;
  void putVariant(HRESULT hr, std::uint32_t k, VARIANT& value) noexcept;
  void putDispatch(HRESULT hr, std::uint32_t k, IDispatch* value) noexcept;
  void putUnknown(HRESULT hr, std::uint32_t k, IUnknown* value) noexcept;

  // Checks of the argument list before the invoker runs.
  HRESULT check() noexcept;
  // An [in] argument could not be converted: the method was not called.
  bool argumentFailed() const noexcept { return argumentFailed_; }

 private:
  // rgvarg entry of parameter k (not the retval).
  VARIANT& arg(std::uint32_t k) noexcept { return params_.rgvarg[params_.cArgs - 1 - k]; }
  HRESULT in(std::uint32_t k, VARTYPE vt, VARIANT& out) noexcept;
  // Stores value (owned, moved from) into the target of k.
  void put(HRESULT hr, std::uint32_t k, VARIANT& value) noexcept;

  const DispMethod& method_;
  DISPPARAMS& params_;
  VARIANT* result_;
  std::uint32_t* argErr_;
  bool argumentFailed_ = false;
};

}  // namespace plat
