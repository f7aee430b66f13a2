// VARIANTs holding objects and references: who owns what.

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/Com.h"
#include "platform/Dispatch.h"

using namespace plat;

namespace {

// An IDispatch that counts its references and answers IUnknown.
class Counted final : public IDispatch {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
    *out = this;
    AddRef();
    return S_OK;
  }
  std::uint32_t AddRef() override { return ++refs; }
  std::uint32_t Release() override { return --refs; }  // lives on the stack
  HRESULT GetTypeInfoCount(std::uint32_t*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, const char16_t* const*, std::uint32_t, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT Invoke(DISPID, REFIID, LCID, std::uint16_t, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                 std::uint32_t*) override {
    return E_NOTIMPL;
  }

  std::uint32_t refs = 1;
};

VARIANT holding(Counted& object, VARTYPE vt) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  if (vt == VT_DISPATCH) {
    v.pdispVal = &object;
  } else {
    v.punkVal = &object;
  }
  object.AddRef();
  return v;
}

TEST(VariantObjects, CopyAddRefsAndClearReleases) {
  for (VARTYPE vt : {VT_DISPATCH, VT_UNKNOWN}) {
    SCOPED_TRACE(vt);
    Counted object;
    VARIANT a = holding(object, vt);
    EXPECT_EQ(object.refs, 2u);
    VARIANT b;
    VariantInit(&b);
    ASSERT_EQ(VariantCopy(&b, &a), S_OK);
    EXPECT_EQ(object.refs, 3u);
    ASSERT_EQ(VariantCopy(&b, &a), S_OK);  // the old copy is released first
    EXPECT_EQ(object.refs, 3u);
    ASSERT_EQ(VariantCopy(&a, &a), S_OK);
    EXPECT_EQ(object.refs, 3u);
    {
      Variant held;  // the wrapper copies and releases the same way
      ASSERT_EQ(VariantCopy(held.raw(), &a), S_OK);
      Variant copy = held;
      EXPECT_EQ(object.refs, 5u);
    }
    EXPECT_EQ(object.refs, 3u);
    EXPECT_EQ(VariantClear(&a), S_OK);
    EXPECT_EQ(a.vt, VT_EMPTY);
    EXPECT_EQ(VariantClear(&b), S_OK);
    EXPECT_EQ(object.refs, 1u);
  }
  VARIANT null;  // a null object is fine
  VariantInit(&null);
  null.vt = VT_DISPATCH;
  VARIANT copy;
  VariantInit(&copy);
  EXPECT_EQ(VariantCopy(&copy, &null), S_OK);
  EXPECT_EQ(VariantClear(&copy), S_OK);
}

TEST(VariantObjects, ReferencesOwnNothingAndReadThrough) {
  std::int32_t number = 42;
  VARIANT byRef;
  VariantInit(&byRef);
  byRef.vt = VT_BYREF | VT_I4;
  byRef.plVal = &number;
  VARIANT text;
  VariantInit(&text);
  ASSERT_EQ(VariantChangeType(&text, &byRef, 0, VT_BSTR), S_OK);
  EXPECT_EQ(cp1250FromBstr(text.bstrVal), "42");
  VariantClear(&text);
  VARIANT shallow;
  VariantInit(&shallow);
  ASSERT_EQ(VariantCopy(&shallow, &byRef), S_OK);  // the same pointer
  EXPECT_EQ(shallow.plVal, &number);
  EXPECT_EQ(VariantClear(&byRef), S_OK);  // frees nothing
  EXPECT_EQ(number, 42);

  // A reference to a VARIANT holding a text: copied deep through it; a
  // reference target is refused as before.
  Variant inner = Variant::fromCp1250("abc");
  VARIANT toVariant;
  VariantInit(&toVariant);
  toVariant.vt = VT_BYREF | VT_VARIANT;
  toVariant.pvarVal = inner.raw();
  VARIANT deep;
  VariantInit(&deep);
  ASSERT_EQ(VariantCopyInd(&deep, &toVariant), S_OK);
  EXPECT_EQ(deep.vt, VT_BSTR);
  EXPECT_NE(deep.bstrVal, inner.raw()->bstrVal);
  VariantClear(&deep);
  ASSERT_EQ(VariantChangeType(&toVariant, &toVariant, 0, VT_BSTR), S_OK);  // in place
  EXPECT_EQ(toVariant.vt, VT_BSTR);
  EXPECT_EQ(cp1250FromBstr(toVariant.bstrVal), "abc");
  VariantClear(&toVariant);
  EXPECT_EQ(cp1250FromBstr(inner.raw()->bstrVal), "abc");  // untouched
  VARIANT refTarget;
  VariantInit(&refTarget);
  EXPECT_EQ(VariantChangeType(&refTarget, inner.raw(), 0, VT_BYREF | VT_BSTR), DISP_E_TYPEMISMATCH);

  // A reference to a reference is malformed.
  VARIANT nested;
  VariantInit(&nested);
  nested.vt = VT_BYREF | VT_VARIANT;
  nested.pvarVal = &shallow;
  EXPECT_EQ(VariantCopyInd(&deep, &nested), E_INVALIDARG);
  // So is a null reference.
  VARIANT null;
  VariantInit(&null);
  null.vt = VT_BYREF | VT_I4;
  EXPECT_EQ(VariantCopyInd(&deep, &null), E_INVALIDARG);
  EXPECT_EQ(VariantChangeType(&deep, &null, 0, VT_I4), E_INVALIDARG);
}

TEST(VariantObjects, ConversionsOfObjects) {
  Counted object;
  VARIANT dispatch = holding(object, VT_DISPATCH);
  VARIANT unknown;
  VariantInit(&unknown);
  ASSERT_EQ(VariantChangeType(&unknown, &dispatch, 0, VT_UNKNOWN), S_OK);
  EXPECT_EQ(unknown.vt, VT_UNKNOWN);
  EXPECT_EQ(unknown.punkVal, static_cast<IUnknown*>(&object));
  EXPECT_EQ(object.refs, 3u);
  VARIANT number;
  VariantInit(&number);
  EXPECT_EQ(VariantChangeType(&number, &dispatch, 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(VariantChangeType(&dispatch, &unknown, 0, VT_DISPATCH), DISP_E_TYPEMISMATCH);
  Variant one(std::int32_t{1});
  EXPECT_EQ(VariantChangeType(&number, one.raw(), 0, VT_DISPATCH), DISP_E_TYPEMISMATCH);
  VariantClear(&unknown);
  VariantClear(&dispatch);
  EXPECT_EQ(object.refs, 1u);
}

}  // namespace
