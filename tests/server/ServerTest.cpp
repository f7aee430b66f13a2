// The component server as other programs meet it: registered into a registry
// of the test's own, activated by ProgID and CLSID, walked through its
// interfaces and through IDispatch, and unregistered again.

#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Activation.h"
#include "platform/CodePage.h"
#include "platform/ComGuard.h"
#include "platform/Dispatch.h"
#include "platform/Exception.h"
#include "reader/LargeFile.h"
#include "reader/ReaderIds.h"
#include "server/ServerSupport.h"
#include "support/TempFile.h"
#include "syntax/Sxcodes.h"

using namespace plat;
using servertest::ComPtr;
using servertest::take;
using servertest::takeErrorDescription;
using swde::ILiniaSW;
using swde::IPlikSW;
using swde::IRekordSW;

namespace {

const std::string kFile =
    "SWDE.W.1.13.0;\r\n"
    "SP;\r\n"
    "B,G5IDD,ZN,;\r\n"
    "SX;\r\n"
    "SO;\r\n"
    "RD,G5KLU,,1,,;\r\n"
    "D,G5OFU,D,R;\r\n"
    "X;\r\n"
    "SX;\r\n"
    "SWDEX;\r\n";

// What the walks below read of kFile: per section its code and its records,
// each line as its code and its fields.
const std::string kWalk =
    "50: [3(B|G5IDD|ZN|)]\n"
    "49: [36(RD|G5KLU||1||) 5(D|G5OFU|D|R;) 73(X)]\n";  // a D line's text keeps its ';'

const std::string kClsid = "{0BC21EB4-FA0F-42D5-9FAA-40ED0983E38A}";
const std::string kAppId = "{FC2B7620-8EA4-4C8F-BAB6-546C9696C729}";
const std::string kLibId = "{CFBCD852-4AF9-461C-9489-1D2925784002}";

std::string realPath(const char* path) {
  char buf[PATH_MAX];
  return ::realpath(path, buf) ? buf : "";
}

BSTR text(const std::string& cp1250) {
  return bstrFromCp1250(cp1250);
}

std::string describeLine(ILiniaSW* line) {
  std::int32_t type = 0;
  EXPECT_EQ(line->dajTypLinii(&type), S_OK);
  std::uint32_t fields = 0;
  EXPECT_EQ(line->dajIloscPol(&fields), S_OK);
  std::string s = std::to_string(type) + "(";
  for (std::uint32_t k = 0; k < fields; ++k) {
    VARIANT value;
    VariantInit(&value);
    BSTR t = nullptr;
    EXPECT_EQ(line->dajPole(k, &value, &t), S_OK);
    s += (k ? "|" : "") + take(t);
    VariantClear(&value);
  }
  return s + ")";
}

std::string walk(IPlikSW* file) {
  std::string out;
  std::int32_t section = 0;
  while (file->ustawNaKolejnaSekcje(&section) == S_OK) {
    out += std::to_string(section) + ":";
    for (;;) {
      ComPtr<IRekordSW> rec;
      const HRESULT hr = file->dajKolejnyRekord(rec.out());
      if (hr != S_OK) {
        EXPECT_EQ(hr, S_FALSE);
        EXPECT_FALSE(rec);
        break;
      }
      std::uint32_t n = 0;
      EXPECT_EQ(rec->dajIloscLinii(&n), S_OK);
      out += " [";
      for (std::uint32_t i = 0; i < n; ++i) {
        ComPtr<ILiniaSW> line;
        EXPECT_EQ(rec->dajLinie(i, line.out()), S_OK);
        out += (i ? " " : "") + describeLine(line.get());
      }
      out += "]";
    }
    out += "\n";
  }
  return out;
}

// Calls through IDispatch; arguments in the order of the parameters.
class Dispatcher {
 public:
  explicit Dispatcher(IDispatch* d) : d_(d) {}

  DISPID id(const char16_t* name) {
    DISPID id = 0;
    EXPECT_EQ(d_->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    return id;
  }
  HRESULT call(const char16_t* name, std::vector<VARIANT> args, VARIANT* result = nullptr,
               EXCEPINFO* excep = nullptr, std::uint32_t* argErr = nullptr) {
    return callId(id(name), std::move(args), result, excep, argErr);
  }
  HRESULT callId(DISPID id, std::vector<VARIANT> args, VARIANT* result = nullptr,
                 EXCEPINFO* excep = nullptr, std::uint32_t* argErr = nullptr,
                 std::uint16_t flags = DISPATCH_METHOD) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params;
    params.rgvarg = reversed.data();
    params.cArgs = static_cast<std::uint32_t>(reversed.size());
    return d_->Invoke(id, IID_NULL, 0, flags, &params, result, excep, argErr);
  }

 private:
  IDispatch* d_;
};

// Argument variants; the BSTR ones are freed by the test's Args holder.
VARIANT i4(std::int32_t x) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = x;
  return v;
}
template <class T>
VARIANT ref(VARTYPE vt, T* p) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BYREF | vt;
  v.byref = p;
  return v;
}
struct Texts {  // keeps the BSTR arguments of one test
  std::vector<BStr> held;
  VARIANT operator()(const std::string& cp1250) {
    held.emplace_back(text(cp1250));
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = held.back().get();
    return v;
  }
};

// The built server, registered into the test's registry.
class Server : public servertest::RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    lib_ = servertest::loadLibrary(OLV_OLVENLIB);
    ASSERT_NE(lib_, nullptr);
    register_ = servertest::entry<DllRegisterServerFunc>(lib_, "DllRegisterServer");
    unregister_ = servertest::entry<DllUnregisterServerFunc>(lib_, "DllUnregisterServer");
    canUnload_ = servertest::entry<DllCanUnloadNowFunc>(lib_, "DllCanUnloadNow");
    getClassObject_ = servertest::entry<DllGetClassObjectFunc>(lib_, "DllGetClassObject");
    ASSERT_TRUE(register_ && unregister_ && canUnload_ && getClassObject_);
  }

  // A file object straight from the library's class factory.
  void create(void** out, REFIID iid = swde::IID_IPlikSW) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject_(swde::CLSID_CoPlikSW, IID_IClassFactory, factory.outVoid()), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, iid, out), S_OK);
  }

  void* lib_ = nullptr;
  DllRegisterServerFunc register_ = nullptr;
  DllUnregisterServerFunc unregister_ = nullptr;
  DllCanUnloadNowFunc canUnload_ = nullptr;
  DllGetClassObjectFunc getClassObject_ = nullptr;
  testsupport::TempFile data_{kFile};
};

TEST_F(Server, RegistersActivatesWalksAndUnregisters) {
  ASSERT_EQ(register_(), S_OK) << takeErrorDescription();
  const std::string library = realPath(OLV_OLVENLIB);
  EXPECT_EQ(hkcr("CLSID\\" + kClsid + "\\InprocServer32"), library);
  EXPECT_EQ(hkcr("CLSID\\" + kClsid, "AppID"), kAppId);
  EXPECT_EQ(hkcr("CLSID\\" + kClsid + "\\ProgID"), "OLVENLIB.PlikSW.1");
  EXPECT_EQ(hkcr("CLSID\\" + kClsid + "\\VersionIndependentProgID"), "OLVENLIB.PlikSW");
  EXPECT_EQ(hkcr("OLVENLIB.PlikSW.1\\CLSID"), kClsid);
  EXPECT_EQ(hkcr("OLVENLIB.PlikSW\\CLSID"), kClsid);
  EXPECT_EQ(hkcr("OLVENLIB.PlikSW\\CurVer"), "OLVENLIB.PlikSW.1");
  EXPECT_TRUE(hkcrExists("AppID\\" + kAppId));
  EXPECT_EQ(hkcr("TypeLib\\" + kLibId + "\\1.0\\0\\linux"), library);

  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID("OLVENLIB.PlikSW", &clsid), S_OK);
  EXPECT_TRUE(clsid == swde::CLSID_CoPlikSW);
  ComPtr<IPlikSW> file;
  ASSERT_EQ(
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, swde::IID_IPlikSW, file.outVoid()),
      S_OK);
  EXPECT_EQ(canUnload_(), S_FALSE);

  // Through the interfaces.
  BStr path(text(data_.path()));
  ASSERT_EQ(file->otworz(path.get(), 0), S_OK);
  std::int32_t format = 0;
  EXPECT_EQ(file->dajTypPliku(&format), S_OK);
  EXPECT_EQ(format, swde::lcSWDE);
  EXPECT_EQ(walk(file.get()), kWalk);

  // A failure comes with error information from the plain object inside.
  ClearErrorInfo();
  EXPECT_EQ(file->otworz(path.get(), 0), E_FAIL);
  ErrorInfo info;
  ASSERT_TRUE(GetErrorInfo(info));
  EXPECT_EQ(info.description, cp("Plik jest już otwarty"));
  EXPECT_TRUE(info.iid == swde::IID_IPlikSW);
  EXPECT_EQ(info.source, "OLVENLIB.PlikSW");

  // IErrorSW, and one identity for both interfaces.
  ComPtr<swde::IErrorSW> errors;
  ASSERT_EQ(file->QueryInterface(swde::IID_IErrorSW, errors.outVoid()), S_OK);
  BSTR source = nullptr;
  EXPECT_EQ(errors->dajZrodlo(&source), S_OK);
  EXPECT_EQ(take(source), "OLVENLIB.PlikSW");
  EXPECT_EQ(errors->obslugujeInterfejs(swde::IID_IPlikSW), S_OK);
  EXPECT_EQ(errors->obslugujeInterfejs(swde::IID_ILiniaSW), S_FALSE);
  ComPtr<IUnknown> a, b;
  ASSERT_EQ(file->QueryInterface(IID_IUnknown, a.outVoid()), S_OK);
  ASSERT_EQ(errors->QueryInterface(IID_IUnknown, b.outVoid()), S_OK);
  EXPECT_EQ(a.get(), b.get());
  a.reset();
  b.reset();
  errors.reset();
  file.reset();
  EXPECT_EQ(canUnload_(), S_OK);

  // Through IDispatch, on a second object made from the version-independent
  // ProgID.
  ComPtr<IDispatch> disp;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, disp.outVoid()), S_OK);
  Dispatcher d(disp.get());
  Texts t;
  EXPECT_EQ(d.call(u"OTWORZ", {t(data_.path()), i4(0)}), S_OK);
  std::int32_t section = 0;
  EXPECT_EQ(d.call(u"ustawNaKolejnaSekcje", {ref(VT_I4, &section)}), S_OK);
  EXPECT_EQ(section, swde::scSP);
  Variant record;
  ASSERT_EQ(d.call(u"dajKolejnyRekord", {}, record.raw()), S_OK);
  ASSERT_EQ(record.vt(), VT_DISPATCH);
  ASSERT_NE(record.raw()->pdispVal, nullptr);
  Dispatcher r(record.raw()->pdispVal);
  Variant count;
  EXPECT_EQ(r.call(u"dajIloscLinii", {}, count.raw()), S_OK);
  ASSERT_EQ(count.vt(), VT_UI4);
  EXPECT_EQ(count.raw()->ulVal, 1u);
  Variant line;
  ASSERT_EQ(r.call(u"dajLinie", {i4(0)}, line.raw()), S_OK);  // I4 taken as the unsigned index
  ASSERT_EQ(line.vt(), VT_DISPATCH);
  Dispatcher l(line.raw()->pdispVal);
  Variant type;
  EXPECT_EQ(l.call(u"dajTypLinii", {}, type.raw()), S_OK);
  ASSERT_EQ(type.vt(), VT_I4);
  EXPECT_EQ(type.raw()->lVal, swde::lcB);
  Variant value;  // an out-VARIANT through a reference to a VARIANT
  BSTR field = nullptr;
  EXPECT_EQ(l.call(u"dajPole", {i4(1), ref(VT_VARIANT, value.raw()), ref(VT_BSTR, &field)}), S_OK);
  EXPECT_EQ(take(field), "G5IDD");
  ASSERT_EQ(value.vt(), VT_BSTR);
  EXPECT_EQ(cp1250FromBstr(value.raw()->bstrVal), "G5IDD");
  Variant valid;
  EXPECT_EQ(l.call(u"jestPoprawnaSyntaktycznie", {}, valid.raw()), S_OK);
  ASSERT_EQ(valid.vt(), VT_BOOL);
  EXPECT_EQ(valid.raw()->boolVal, VARIANT_TRUE);
  Variant none;  // the end of the section: S_FALSE and a null object
  EXPECT_EQ(d.call(u"dajKolejnyRekord", {}, none.raw()), S_FALSE);
  EXPECT_EQ(none.vt(), VT_DISPATCH);
  EXPECT_EQ(none.raw()->pdispVal, nullptr);

  // A failing method: DISP_E_EXCEPTION with EXCEPINFO, or its own result
  // with the error information left in place.
  EXCEPINFO excep;
  EXPECT_EQ(d.call(u"otworz", {t(data_.path()), i4(0)}, nullptr, &excep), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.scode, E_FAIL);
  EXPECT_EQ(cp1250FromBstr(excep.bstrDescription), cp("Plik jest już otwarty"));
  EXPECT_EQ(cp1250FromBstr(excep.bstrSource), "OLVENLIB.PlikSW");
  FreeExcepInfo(excep);
  Variant first;
  EXPECT_EQ(d.call(u"resetuj", {}), S_OK);
  ASSERT_EQ(d.call(u"dajLinie", {}, first.raw()), S_OK);  // linear mode from now on
  Variant headerType;
  EXPECT_EQ(Dispatcher(first.raw()->pdispVal).call(u"dajTypLinii", {}, headerType.raw()), S_OK);
  EXPECT_EQ(headerType.raw()->lVal, swde::lcSWDE);
  EXPECT_EQ(d.call(u"dajKolejnyRekord", {}, none.raw()), E_FAIL);
  EXPECT_NE(takeErrorDescription().find(cp("Aktywny jest tryb odczytu liniowego")),
            std::string::npos);

  // Objects handed out keep the server busy until released.
  disp.reset();
  EXPECT_EQ(canUnload_(), S_FALSE);
  record = Variant();
  line = Variant();
  first = Variant();
  EXPECT_EQ(canUnload_(), S_OK);

  ASSERT_EQ(unregister_(), S_OK);
  for (const std::string& key : {"CLSID\\" + kClsid, std::string("OLVENLIB.PlikSW"),
                                 std::string("OLVENLIB.PlikSW.1"), "AppID\\" + kAppId})
    EXPECT_FALSE(hkcrExists(key)) << key;
  EXPECT_EQ(hkcr("TypeLib\\" + kLibId + "\\1.0\\0\\linux"), library);  // stays
  EXPECT_EQ(CLSIDFromProgID("OLVENLIB.PlikSW", &clsid), CO_E_CLASSSTRING);
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(CoCreateInstance(swde::CLSID_CoPlikSW, nullptr, CLSCTX_INPROC_SERVER, swde::IID_IPlikSW,
                             &object),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(unregister_(), S_OK);  // again: nothing left to delete
}

// Past 4 GiB through the component, whose size and position parameters are
// 32-bit: they give 0xFFFFFFFF there, the true values below. The file is
// sparse; the reader's start seam begins reading where its data lies, 16
// bytes below 4 GiB.
TEST_F(Server, SizesAndPositionsPastFourGiBSaturate) {
  constexpr std::uint64_t kBase = 4 * testsupport::kGiB - 16;
  constexpr std::uint32_t kMax = 0xFFFFFFFFu;
  testsupport::SparseFile big("", kBase, "SWDE.W.1.13.0;\nSO;\nRD,G5KLU,,1,,;\nX;\nSX;\nSWDEX;\n");
  if (!big.ok()) GTEST_SKIP() << "no sparse file past 4 GiB here";
  testsupport::ReaderStartsAt seam(kBase);
  ComPtr<IDispatch> disp;
  create(disp.outVoid(), IID_IDispatch);
  Dispatcher d(disp.get());
  Texts t;
  ASSERT_EQ(d.call(u"otworz", {t(big.path()), i4(0)}), S_OK);
  std::uint32_t size = 0, position = 0;
  EXPECT_EQ(d.call(u"dajRozmiarPliku", {ref(VT_UI4, &size)}), S_OK);
  EXPECT_EQ(size, kMax);
  EXPECT_EQ(d.call(u"dajPozycjeWPliku", {ref(VT_UI4, &position)}), S_OK);
  EXPECT_EQ(position, kMax);  // right after the header, at 4 GiB - 1
  ComPtr<IPlikSW> file;
  ASSERT_EQ(disp->QueryInterface(swde::IID_IPlikSW, file.outVoid()), S_OK);
  size = 0;
  EXPECT_EQ(file->dajRozmiarPliku(&size), S_OK);
  EXPECT_EQ(size, kMax);

  std::int32_t section = 0;
  ASSERT_EQ(d.call(u"ustawNaKolejnaSekcje", {ref(VT_I4, &section)}), S_OK);
  Variant record;
  ASSERT_EQ(d.call(u"dajKolejnyRekord", {}, record.raw()), S_OK);
  Variant recordPosition;
  EXPECT_EQ(Dispatcher(record.raw()->pdispVal).call(u"dajPozycjeWPliku", {}, recordPosition.raw()),
            S_OK);
  ASSERT_EQ(recordPosition.vt(), VT_UI4);
  EXPECT_EQ(recordPosition.raw()->ulVal, kMax);

  // Lines: the header below 4 GiB, the next one at 0xFFFFFFFF, the third
  // above.
  ASSERT_EQ(d.call(u"resetuj", {}), S_OK);
  for (const std::uint32_t expected : {static_cast<std::uint32_t>(kBase), kMax, kMax}) {
    Variant line;
    ASSERT_EQ(d.call(u"dajLinie", {}, line.raw()), S_OK);
    ASSERT_EQ(line.vt(), VT_DISPATCH);
    ASSERT_NE(line.raw()->pdispVal, nullptr);
    Variant linePosition;
    EXPECT_EQ(Dispatcher(line.raw()->pdispVal).call(u"dajPozycjeWPliku", {}, linePosition.raw()),
              S_OK);
    ASSERT_EQ(linePosition.vt(), VT_UI4);
    EXPECT_EQ(linePosition.raw()->ulVal, expected);
  }
}

TEST_F(Server, DispatchRefusesWhatItCannotCall) {
  ComPtr<IDispatch> disp;
  create(disp.outVoid(), IID_IDispatch);
  // Names: without regard to case; unknown ones and parameter names get
  // DISPID_UNKNOWN.
  const char16_t* names[] = {u"DAJlinie", u"linia"};
  DISPID ids[2] = {0, 0};
  EXPECT_EQ(disp->GetIDsOfNames(IID_NULL, names, 1, 0, ids), S_OK);
  EXPECT_EQ(ids[0], 9);
  EXPECT_EQ(disp->GetIDsOfNames(IID_NULL, names, 2, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 9);
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);
  const char16_t* unknown = u"nieMaTakiejMetody";
  EXPECT_EQ(disp->GetIDsOfNames(IID_NULL, &unknown, 1, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], DISPID_UNKNOWN);
  const char16_t* prefix = u"dajLini";
  EXPECT_EQ(disp->GetIDsOfNames(IID_NULL, &prefix, 1, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(disp->GetIDsOfNames(swde::IID_IPlikSW, names, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
  std::uint32_t infos = 9;
  EXPECT_EQ(disp->GetTypeInfoCount(&infos), S_OK);
  EXPECT_EQ(infos, 0u);

  Dispatcher d(disp.get());
  Texts t;
  std::int32_t out = 0;
  double real = 0;
  std::uint32_t crc = 0;
  const struct Case {
    const char* what;
    DISPID id;
    std::uint16_t flags;
    std::function<std::vector<VARIANT>()> args;
    HRESULT hr;
    std::uint32_t argErr;  // checked when not ~0
  } cases[] = {
      {"unused DISPID 3", 3, DISPATCH_METHOD, [] { return std::vector<VARIANT>{}; },
       DISP_E_MEMBERNOTFOUND, ~0u},
      {"property put", 4, DISPATCH_PROPERTYPUT, [] { return std::vector<VARIANT>{}; },
       DISP_E_MEMBERNOTFOUND, ~0u},
      {"too few", 1, DISPATCH_METHOD, [&] { return std::vector<VARIANT>{t("x")}; },
       DISP_E_BADPARAMCOUNT, ~0u},
      {"text for long", 1, DISPATCH_METHOD,
       [&] {
         return std::vector<VARIANT>{t("x"), t("abc")};
       },
       DISP_E_TYPEMISMATCH, 0},
      {"out not a reference", 5, DISPATCH_METHOD, [] { return std::vector<VARIANT>{i4(0)}; },
       DISP_E_TYPEMISMATCH, 0},
      {"out of another type", 5, DISPATCH_METHOD,
       [&] { return std::vector<VARIANT>{ref(VT_R8, &real)}; }, DISP_E_TYPEMISMATCH, 0},
      {"out null reference", 5, DISPATCH_METHOD,
       [] { return std::vector<VARIANT>{ref<std::int32_t>(VT_I4, nullptr)}; }, DISP_E_TYPEMISMATCH,
       0},
      {"out of the middle parameter", 15, DISPATCH_METHOD,
       [&] {
         return std::vector<VARIANT>{ref(VT_UI4, &crc), i4(0), ref<BSTR>(VT_BSTR, nullptr)};
       },
       DISP_E_TYPEMISMATCH, 1},
      // A success needs no open file: an empty text leaves the sum as it
      // was, given as a text and taken as unsigned.
      {"policzCRC", 13, DISPATCH_METHOD,
       [&] {
         return std::vector<VARIANT>{t(""), t("4294967295"), ref(VT_UI4, &crc)};
       },
       S_OK, ~0u},
      {"no file open", 5, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
       [&] { return std::vector<VARIANT>{ref(VT_I4, &out)}; }, E_FAIL, ~0u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::uint32_t argErr = ~0u;
    EXPECT_EQ(d.callId(c.id, c.args(), nullptr, nullptr, &argErr, c.flags), c.hr);
    if (c.argErr != ~0u) {
      EXPECT_EQ(argErr, c.argErr);
    }
  }
  EXPECT_EQ(crc, 0xFFFFFFFFu);

  DISPPARAMS named;
  DISPID namedId = 0;
  VARIANT arg = i4(0);
  named.rgvarg = &arg;
  named.cArgs = 1;
  named.rgdispidNamedArgs = &namedId;
  named.cNamedArgs = 1;
  EXPECT_EQ(disp->Invoke(5, IID_NULL, 0, DISPATCH_METHOD, &named, nullptr, nullptr, nullptr),
            DISP_E_NONAMEDARGS);
  EXPECT_EQ(
      disp->Invoke(4, swde::IID_IPlikSW, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
      DISP_E_UNKNOWNINTERFACE);
}

TEST_F(Server, FactoryAndServerCounts) {
  ComPtr<IClassFactory> factory;
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject_(swde::IID_IPlikSW, IID_IClassFactory, &none),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(none, nullptr);
  ASSERT_EQ(getClassObject_(swde::CLSID_CoPlikSW, IID_IClassFactory, factory.outVoid()), S_OK);
  EXPECT_EQ(canUnload_(), S_FALSE);  // the factory is alive

  ComPtr<IUnknown> outer;
  create(outer.outVoid(), IID_IUnknown);
  none = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IUnknown, &none), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(none, nullptr);
  none = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  outer.reset();

  EXPECT_EQ(factory->LockServer(true), S_OK);
  factory.reset();
  EXPECT_EQ(canUnload_(), S_FALSE);  // locked
  ASSERT_EQ(getClassObject_(swde::CLSID_CoPlikSW, IID_IClassFactory, factory.outVoid()), S_OK);
  EXPECT_EQ(factory->LockServer(false), S_OK);
  EXPECT_EQ(factory->LockServer(false), E_UNEXPECTED);  // no lock left: the count stays at 0
  factory.reset();
  EXPECT_EQ(canUnload_(), S_OK);
}

TEST_F(Server, ActivationFailuresAreHresults) {
  ASSERT_EQ(register_(), S_OK);
  const std::string proxy = realPath(OLV_OLVENLIB_PROXY);
  const struct Key {
    std::string key, value;
  } keys[] = {
      {"Zly.ProgID\\CLSID", "{0BC21EB4-FA0F-42D5-9FAA}"},
      {"Petla.A\\CLSID", "{11111111-1111-1111-1111-111111111111}"},
      {"Petla.A\\CurVer", "Petla.B"},
      {"Petla.B\\CLSID", "{22222222-2222-2222-2222-222222222222}"},
      {"Petla.B\\CurVer", "Petla.A"},
      {"Stara.Wersja\\CLSID", "{33333333-3333-3333-3333-333333333333}"},
      {"Stara.Wersja\\CurVer", "Nie.Ma.Takiej"},
      {"CLSID\\{22222222-2222-2222-2222-222222222222}\\InprocServer32", "libolvenlib.so"},
      {"CLSID\\{33333333-3333-3333-3333-333333333333}\\InprocServer32", "/nie/ma/libx.so"},
      {"CLSID\\{44444444-4444-4444-4444-444444444444}\\InprocServer32", proxy},
      {"CLSID\\{55555555-5555-5555-5555-555555555555}\\InprocServer32", realPath(OLV_OLVENLIB)},
      {"CLSID\\{66666666-6666-6666-6666-666666666666}", "bez InprocServer32"},
  };
  for (const Key& k : keys) setHkcr(k.key, k.value);

  const struct ProgIdCase {
    std::string progId;
    HRESULT hr;
    std::string clsid;
  } progIds[] = {
      {"", CO_E_CLASSSTRING, ""},
      {"Nie.Ma.Takiej", CO_E_CLASSSTRING, ""},
      {"OLVENLIB.PlikSW\\CurVer", CO_E_CLASSSTRING, ""},  // no way into subkeys
      {"CLSID\\" + kClsid, CO_E_CLASSSTRING, ""},
      {"Zly.ProgID", CO_E_CLASSSTRING, ""},
      {"olvenlib.pliksw", S_OK, kClsid},                            // key names ignore case
      {"Petla.A", S_OK, "{22222222-2222-2222-2222-222222222222}"},  // the loop ends
      {"Stara.Wersja", S_OK, "{33333333-3333-3333-3333-333333333333}"},
  };
  for (const ProgIdCase& c : progIds) {
    SCOPED_TRACE(c.progId);
    CLSID clsid = IID_NULL;
    EXPECT_EQ(CLSIDFromProgID(c.progId, &clsid), c.hr);
    if (SUCCEEDED(c.hr)) {
      EXPECT_EQ(guidToString(clsid), c.clsid);
    }
  }
  EXPECT_EQ(CLSIDFromProgID("OLVENLIB.PlikSW", nullptr), E_POINTER);

  const struct CreateCase {
    const char* what;
    std::string clsid;
    std::uint32_t clsctx;
    REFIID iid;
    HRESULT hr;
  } creations[] = {
      {"not registered", "{77777777-7777-7777-7777-777777777777}", CLSCTX_INPROC_SERVER,
       IID_IUnknown, REGDB_E_CLASSNOTREG},
      {"no InprocServer32", "{66666666-6666-6666-6666-666666666666}", CLSCTX_INPROC_SERVER,
       IID_IUnknown, REGDB_E_CLASSNOTREG},
      {"relative path", "{22222222-2222-2222-2222-222222222222}", CLSCTX_INPROC_SERVER,
       IID_IUnknown, REGDB_E_CLASSNOTREG},
      {"missing library", "{33333333-3333-3333-3333-333333333333}", CLSCTX_INPROC_SERVER,
       IID_IUnknown, CO_E_DLLNOTFOUND},
      {"no DllGetClassObject", "{44444444-4444-4444-4444-444444444444}", CLSCTX_INPROC_SERVER,
       IID_IUnknown, CO_E_ERRORINDLL},
      {"class of another server", "{55555555-5555-5555-5555-555555555555}", CLSCTX_ALL,
       IID_IUnknown, CLASS_E_CLASSNOTAVAILABLE},
      {"out of process only", kClsid, CLSCTX_LOCAL_SERVER, IID_IUnknown, REGDB_E_CLASSNOTREG},
      {"interface it lacks", kClsid, CLSCTX_INPROC_SERVER, swde::IID_ILiniaSW, E_NOINTERFACE},
  };
  for (const CreateCase& c : creations) {
    SCOPED_TRACE(c.what);
    CLSID clsid;
    ASSERT_TRUE(guidFromString(c.clsid, clsid));
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, c.clsctx, c.iid, &out), c.hr);
    EXPECT_EQ(out, nullptr);
  }
  EXPECT_EQ(CoCreateInstance(swde::CLSID_CoPlikSW, nullptr, CLSCTX_INPROC_SERVER, swde::IID_IPlikSW,
                             nullptr),
            E_POINTER);
}

// A hive that cannot be read: the registry raises inside the entry points,
// which hand back failing HRESULTs with error information instead.
TEST_F(Server, UnreadableRegistryGivesFailuresNotExceptions) {
  {
    std::ofstream hive(folder_ + "/HKEY_CLASSES_ROOT.reg", std::ios::binary);
    hive << "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\X]\nto nie jest wartosc\n";
  }
  EXPECT_EQ(register_(), TYPE_E_REGISTRYACCESS);  // the type library's failure, unchanged
  ErrorInfo info;
  ASSERT_TRUE(GetErrorInfo(info));
  EXPECT_NE(info.description.find("HKEY_CLASSES_ROOT.reg"), std::string::npos) << info.description;
  EXPECT_EQ(info.source, "OLVENLIB.PlikSW");
  EXPECT_EQ(unregister_(), SELFREG_E_CLASS);
  EXPECT_NE(takeErrorDescription(), "<none>");

  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID("OLVENLIB.PlikSW", &clsid), REGDB_E_READREGDB);
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(
      CoCreateInstance(swde::CLSID_CoPlikSW, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &out),
      REGDB_E_READREGDB);
  EXPECT_EQ(out, nullptr);
}

class Proxy : public servertest::RegistryTest {};

TEST_F(Proxy, RegistersAndRemovesTheInterfaces) {
  void* lib = servertest::loadLibrary(OLV_OLVENLIB_PROXY);
  ASSERT_NE(lib, nullptr);
  auto reg = servertest::entry<DllRegisterServerFunc>(lib, "DllRegisterServer");
  auto unreg = servertest::entry<DllUnregisterServerFunc>(lib, "DllUnregisterServer");
  ASSERT_TRUE(reg && unreg);
  const std::string other = "Interface\\{88888888-8888-8888-8888-888888888888}";
  setHkcr(other, "ICudzy");

  ASSERT_EQ(reg(), S_OK) << takeErrorDescription();
  const struct Entry {
    std::string iid, name, numMethods;
  } entries[] = {
      {"{29A9A5A3-13A6-46E7-A1C2-9D9C1B40086A}", "IPlikSW", "21"},
      {"{A6E74DB0-BF14-45B8-B957-0BAC68478616}", "IRekordSW", "12"},
      {"{836C8197-9DF5-4C87-B880-736BED92A4DF}", "ILiniaSW", "19"},
      {"{47914C15-9B41-42F0-9DB2-778026453D44}", "IErrorSW", "5"},
  };
  for (const Entry& e : entries) {
    SCOPED_TRACE(e.name);
    const std::string key = "Interface\\" + e.iid;
    EXPECT_EQ(hkcr(key), e.name);
    EXPECT_EQ(hkcr(key + "\\ProxyStubClsid32"), guidToString(swde::CLSID_OLVENLibProxy));
    EXPECT_EQ(hkcr(key + "\\NumMethods"), e.numMethods);
  }
  EXPECT_EQ(reg(), S_OK);  // again: the same entries

  ASSERT_EQ(unreg(), S_OK);
  for (const Entry& e : entries) EXPECT_FALSE(hkcrExists("Interface\\" + e.iid)) << e.name;
  EXPECT_EQ(hkcr(other), "ICudzy");
  EXPECT_EQ(unreg(), S_OK);  // nothing left: no failure

  {
    std::ofstream hive(folder_ + "/HKEY_CLASSES_ROOT.reg", std::ios::binary | std::ios::trunc);
    hive << "nie REGEDIT4\n";
  }
  EXPECT_EQ(reg(), REGDB_E_WRITEREGDB);
  EXPECT_NE(takeErrorDescription(), "<none>");
  EXPECT_EQ(unreg(), REGDB_E_WRITEREGDB);
}

// The identifiers of the interface definition are those that registered
// copies and their clients know.
TEST(ServerIds, StayFixed) {
  const struct {
    const GUID& id;
    const char* text;
  } ids[] = {
      {swde::LIBID_OLVENLib, "{CFBCD852-4AF9-461C-9489-1D2925784002}"},
      {swde::CLSID_CoPlikSW, "{0BC21EB4-FA0F-42D5-9FAA-40ED0983E38A}"},
      {swde::APPID_OLVENLib, "{FC2B7620-8EA4-4C8F-BAB6-546C9696C729}"},
      {swde::IID_IPlikSW, "{29A9A5A3-13A6-46E7-A1C2-9D9C1B40086A}"},
      {swde::IID_IRekordSW, "{A6E74DB0-BF14-45B8-B957-0BAC68478616}"},
      {swde::IID_ILiniaSW, "{836C8197-9DF5-4C87-B880-736BED92A4DF}"},
      {swde::IID_IErrorSW, "{47914C15-9B41-42F0-9DB2-778026453D44}"},
      {swde::CLSID_OLVENLibProxy, "{71461B5E-4BE6-4AED-BF7A-4319132EC105}"},
  };
  for (const auto& i : ids) EXPECT_EQ(guidToString(i.id), i.text);
  EXPECT_STREQ(swde::kReaderProgId, "OLVENLIB.PlikSW");
}

// Whatever a wrapped call throws comes back as a failing HRESULT with error
// information naming the interface and the source; a call that does not
// throw leaves no stale error information behind.
TEST(ComGuardTest, ExceptionsBecomeFailures) {
  const struct {
    const char* what;
    std::function<HRESULT()> body;
    HRESULT hr;
    std::string description;
  } cases[] = {
      {"bad_alloc", []() -> HRESULT { throw std::bad_alloc(); }, E_OUTOFMEMORY,
       cp("Za mało pamięci")},
      {"platform exception", []() -> HRESULT { throw EFileError(cp("Błąd odczytu pliku")); },
       E_FAIL, cp("Błąd odczytu pliku")},
      {"std exception", []() -> HRESULT { throw std::runtime_error("zepsute"); }, E_FAIL,
       "zepsute"},
      {"anything", []() -> HRESULT { throw 42; }, E_UNEXPECTED, cp("Nieoczekiwany wyjątek")},
      {"no exception", [] { return S_FALSE; }, S_FALSE, "<none>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetErrorInfo("stara", IID_IUnknown, "stare");
    EXPECT_EQ(ComGuard(swde::IID_ILiniaSW, "OLVENLIB.PlikSW", c.body), c.hr);
    ErrorInfo info;
    if (c.description == "<none>") {
      EXPECT_FALSE(GetErrorInfo(info));
      continue;
    }
    ASSERT_TRUE(GetErrorInfo(info));
    EXPECT_EQ(info.description, c.description);
    EXPECT_TRUE(info.iid == swde::IID_ILiniaSW);
    EXPECT_EQ(info.source, "OLVENLIB.PlikSW");
  }
}

}  // namespace
