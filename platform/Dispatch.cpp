#include "platform/Dispatch.h"

#include <new>

namespace plat {

void FreeExcepInfo(EXCEPINFO& e) noexcept {
  SysFreeString(e.bstrSource);
  SysFreeString(e.bstrDescription);
  SysFreeString(e.bstrHelpFile);
  e = EXCEPINFO{};
}

namespace {

char16_t asciiLower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// The zero-terminated name against an ASCII name, without regard to ASCII
// case.
bool sameName(const char16_t* name, const char* ascii) {
  std::size_t i = 0;
  for (; name[i] != 0 && ascii[i] != 0; ++i) {
    if (asciiLower(name[i]) != asciiLower(static_cast<unsigned char>(ascii[i]))) return false;
  }
  return name[i] == 0 && ascii[i] == 0;
}

std::uint32_t inputCount(const DispMethod& m) {
  std::uint32_t n = 0;
  for (std::uint32_t k = 0; k < m.paramCount; ++k)
    if (m.params[k].dir != DispDir::kRetval) ++n;
  return n;
}

}  // namespace

const DispMethod* FindDispMethod(const DispInterface& table, DISPID id) noexcept {
  for (std::uint32_t k = 0; k < table.methodCount; ++k)
    if (table.methods[k].dispid == id) return &table.methods[k];
  return nullptr;
}

HRESULT DispGetIDsOfNames(const DispInterface& table, REFIID riid, const char16_t* const* names,
                          std::uint32_t count, DISPID* ids) noexcept {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (count == 0) return S_OK;
  if (!names || !ids) return E_INVALIDARG;
  HRESULT hr = S_OK;
  for (std::uint32_t k = 0; k < count; ++k) ids[k] = DISPID_UNKNOWN;
  if (names[0]) {
    for (std::uint32_t m = 0; m < table.methodCount; ++m) {
      if (sameName(names[0], table.methods[m].name)) {
        ids[0] = table.methods[m].dispid;
        break;
      }
    }
  }
  for (std::uint32_t k = 0; k < count; ++k)
    if (ids[k] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  return hr;
}

HRESULT DispInvoke(const DispInterface& table, void* itf, DISPID id, REFIID riid,
                   std::uint16_t flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                   std::uint32_t* argErr) noexcept {
  try {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    const DispMethod* method = FindDispMethod(table, id);
    if (!method || (flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
    if (!itf) return E_UNEXPECTED;
    DISPPARAMS none;
    DISPPARAMS& args = params ? *params : none;
    if (result) VariantInit(result);
    DispCall call(*method, args, result, argErr);
    if (HRESULT hr = call.check(); FAILED(hr)) return hr;
    ClearErrorInfo();
    const HRESULT hr = method->invoke(itf, call);
    if (SUCCEEDED(hr) || call.argumentFailed() || !excepInfo) return hr;
    *excepInfo = EXCEPINFO{};
    excepInfo->scode = hr;
    ErrorInfo info;
    if (GetErrorInfo(info)) {
      excepInfo->bstrSource = bstrFromCp1250(info.source);
      excepInfo->bstrDescription = bstrFromCp1250(info.description);
    }
    return DISP_E_EXCEPTION;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// ---------------------------------------------------------------------------
// DispCall

HRESULT DispCall::check() noexcept {
  if (params_.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if (params_.cArgs != inputCount(method_)) return DISP_E_BADPARAMCOUNT;
  if (params_.cArgs != 0 && !params_.rgvarg) return E_INVALIDARG;
  for (std::uint32_t k = 0; k < method_.paramCount; ++k) {
    const DispParam& p = method_.params[k];
    if (p.dir != DispDir::kOut) continue;
    const VARIANT& target = arg(k);
    const bool typed = target.vt == (VT_BYREF | p.type);
    const bool variant = target.vt == (VT_BYREF | VT_VARIANT);
    if ((!typed && !variant) || !target.byref) {
      if (argErr_) *argErr_ = params_.cArgs - 1 - k;
      return DISP_E_TYPEMISMATCH;
    }
  }
  return S_OK;
}

HRESULT DispCall::in(std::uint32_t k, VARTYPE vt, VARIANT& out) noexcept {
  VariantInit(&out);
  const HRESULT hr = VariantChangeType(&out, &arg(k), 0, vt);
  if (FAILED(hr)) {
    argumentFailed_ = true;
    if (argErr_) *argErr_ = params_.cArgs - 1 - k;
  }
  return hr;
}

HRESULT DispCall::inI4(std::uint32_t k, std::int32_t& value) noexcept {
  VARIANT v;
  const HRESULT hr = in(k, VT_I4, v);
  if (SUCCEEDED(hr)) value = v.lVal;
  return hr;
}

HRESULT DispCall::inUI4(std::uint32_t k, std::uint32_t& value) noexcept {
  VARIANT v;
  const HRESULT hr = in(k, VT_UI4, v);
  if (SUCCEEDED(hr)) value = v.ulVal;
  return hr;
}

HRESULT DispCall::inR8(std::uint32_t k, double& value) noexcept {
  VARIANT v;
  const HRESULT hr = in(k, VT_R8, v);
  if (SUCCEEDED(hr)) value = v.dblVal;
  return hr;
}

HRESULT DispCall::inBool(std::uint32_t k, VARIANT_BOOL& value) noexcept {
  VARIANT v;
  const HRESULT hr = in(k, VT_BOOL, v);
  if (SUCCEEDED(hr)) value = v.boolVal;
  return hr;
}

HRESULT DispCall::inBstr(std::uint32_t k, BStr& value) noexcept {
  VARIANT v;
  const HRESULT hr = in(k, VT_BSTR, v);
  if (SUCCEEDED(hr)) value.reset(v.bstrVal);
  return hr;
}

void DispCall::put(HRESULT hr, std::uint32_t k, VARIANT& value) noexcept {
  const DispParam& p = method_.params[k];
  if (FAILED(hr) || (p.dir == DispDir::kRetval && !result_)) {
    VariantClear(&value);
    return;
  }
  if (p.dir == DispDir::kRetval) {
    *result_ = value;
    VariantInit(&value);
    return;
  }
  VARIANT& target = arg(k);  // checked by check()
  if (target.vt == (VT_BYREF | VT_VARIANT) && p.type != VT_VARIANT) {
    VariantClear(target.pvarVal);
    *target.pvarVal = value;
    VariantInit(&value);
    return;
  }
  switch (p.type) {
    case VT_I4:
      *target.plVal = value.lVal;
      break;
    case VT_UI4:
      *target.pulVal = value.ulVal;
      break;
    case VT_R8:
      *target.pdblVal = value.dblVal;
      break;
    case VT_BOOL:
      *target.pboolVal = value.boolVal;
      break;
    case VT_BSTR:
      *target.pbstrVal = value.bstrVal;
      break;
    case VT_DISPATCH:
      *target.ppdispVal = value.pdispVal;
      break;
    case VT_UNKNOWN:
      *target.ppunkVal = value.punkVal;
      break;
    default:  // VT_VARIANT: the value as it is
      VariantClear(target.pvarVal);
      *target.pvarVal = value;
      break;
  }
  VariantInit(&value);  // ownership passed on
}

void DispCall::putI4(HRESULT hr, std::uint32_t k, std::int32_t value) noexcept {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  put(hr, k, v);
}

void DispCall::putUI4(HRESULT hr, std::uint32_t k, std::uint32_t value) noexcept {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_UI4;
  v.ulVal = value;
  put(hr, k, v);
}

void DispCall::putR8(HRESULT hr, std::uint32_t k, double value) noexcept {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_R8;
  v.dblVal = value;
  put(hr, k, v);
}

void DispCall::putBool(HRESULT hr, std::uint32_t k, VARIANT_BOOL value) noexcept {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = value;
  put(hr, k, v);
}

void DispCall::putBstr(HRESULT hr, std::uint32_t k, BSTR value) noexcept {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = value;
  put(hr, k, v);
}

void DispCall::putVariant(HRESULT hr, std::uint32_t k, VARIANT& value) noexcept {
  put(hr, k, value);
}

void DispCall::putDispatch(HRESULT hr, std::uint32_t k, IDispatch* value) noexcept {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_DISPATCH;
  v.pdispVal = value;
  put(hr, k, v);
}

void DispCall::putUnknown(HRESULT hr, std::uint32_t k, IUnknown* value) noexcept {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_UNKNOWN;
  v.punkVal = value;
  put(hr, k, v);
}

}  // namespace plat
