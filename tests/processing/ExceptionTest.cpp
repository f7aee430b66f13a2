#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "processing/bzException.h"

namespace {

using plat::cp;
using plat::HRESULT;
using swde::bzCOMException;
using swde::bzException;
using swde::bzOleSysError;

TEST(bzException, MessageForms) {
  EXPECT_EQ(bzException("x > 0", "a", 7).Message(), "Assertion failed: x > 0 FILE:a, LINE: 7");
  EXPECT_EQ(bzException(cp("zażółć")).Message(), cp("zażółć"));
  EXPECT_EQ(bzException("plain").Message(), "plain");
  const plat::TVarRec args[] = {12, "G5DZE"};
  EXPECT_EQ(bzException("%d: %s", args, 1).Message(), "12: G5DZE");
  EXPECT_EQ(bzException(std::string("%.8X"), args, 0).Message(), "0000000C");
  // A format whose arguments do not fit raises the formatting error rather
  // than reading past the arguments.
  EXPECT_THROW(bzException("%d %d", args, 0), plat::EFormatError);
}

TEST(bzCOMException, CarriesTheResultAndTheRaiseSite) {
  try {
    throw bzCOMException(plat::E_FAIL, ".\\bzSyntaxProcess", 50);
  } catch (const bzException& e) {
    const auto* com = dynamic_cast<const bzCOMException*>(&e);
    ASSERT_NE(com, nullptr);
    EXPECT_EQ(e.Message(), cp("Błąd obiektów warstwy odczytu pliku"));
    EXPECT_EQ(com->hr, plat::E_FAIL);
    EXPECT_EQ(com->file, ".\\bzSyntaxProcess");
    EXPECT_EQ(com->line, 50);
    // Copies keep all three (thrown by value, caught by reference).
    const bzCOMException copy = *com;
    EXPECT_EQ(copy.hr, plat::E_FAIL);
    EXPECT_EQ(copy.line, 50);
  }
}

TEST(CheckCOMStatus, RaisesTheObjectLayersErrorForFailedResultsOnly) {
  for (HRESULT ok : {plat::S_OK, plat::S_FALSE, HRESULT{2}, HRESULT{0x7FFFFFFF}})
    EXPECT_NO_THROW(swde::checkCOMStatus(ok)) << ok;

  struct Case {
    HRESULT hr;
    const char* text;
  };
  const std::vector<Case> cases = {
      {plat::E_FAIL, "Nieokreślony błąd"},
      {plat::E_OUTOFMEMORY, "Za mało pamięci, aby ukończyć tę operację"},
      {plat::E_INVALIDARG, "Nieprawidłowy argument"},
      {plat::REGDB_E_CLASSNOTREG, "Klasa nie jest zarejestrowana"},
      {static_cast<HRESULT>(0x80001234u), "Nieznany błąd"},
      {HRESULT{-1}, "Nieznany błąd"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      swde::checkCOMStatus(c.hr);
      ADD_FAILURE() << "no exception";
    } catch (const bzOleSysError& e) {
      EXPECT_EQ(e.Message(), cp(c.text));
      EXPECT_EQ(e.code(), c.hr);
      EXPECT_EQ(swde::comErrorText(c.hr), cp(c.text));
    }
  }
}

TEST(CheckCOMStatus, TheFailingObjectsOwnDescriptionComesFirstAndIsTaken) {
  plat::SetErrorInfo(cp("Nie można otworzyć pliku: /x.swd (plik nie istnieje)"), plat::IID_IUnknown,
                     "OLVENLIB.PlikSW");
  try {
    swde::checkCOMStatus(plat::E_FAIL);
    ADD_FAILURE() << "no exception";
  } catch (const bzOleSysError& e) {
    EXPECT_EQ(e.Message(), cp("Nie można otworzyć pliku: /x.swd (plik nie istnieje)"));
    EXPECT_EQ(e.code(), plat::E_FAIL);
  }
  // Taken: the next failure without a description of its own gets the code's text.
  try {
    swde::checkCOMStatus(plat::E_FAIL);
    ADD_FAILURE() << "no exception";
  } catch (const bzOleSysError& e) {
    EXPECT_EQ(e.Message(), cp("Nieokreślony błąd"));
  }
}

TEST(CheckCOMStatus, EveryResultOfThePlatformHasItsOwnText) {
  const std::vector<HRESULT> codes = {plat::E_NOTIMPL,
                                      plat::E_NOINTERFACE,
                                      plat::E_POINTER,
                                      plat::E_FAIL,
                                      plat::E_UNEXPECTED,
                                      plat::E_OUTOFMEMORY,
                                      plat::E_INVALIDARG,
                                      plat::DISP_E_MEMBERNOTFOUND,
                                      plat::DISP_E_TYPEMISMATCH,
                                      plat::DISP_E_UNKNOWNNAME,
                                      plat::DISP_E_BADVARTYPE,
                                      plat::DISP_E_OVERFLOW,
                                      plat::DISP_E_BADPARAMCOUNT,
                                      plat::CLASS_E_NOAGGREGATION,
                                      plat::CLASS_E_CLASSNOTAVAILABLE,
                                      plat::REGDB_E_CLASSNOTREG};
  std::vector<std::string> seen;
  for (HRESULT hr : codes) {
    const std::string text = swde::comErrorText(hr);
    EXPECT_NE(text, cp("Nieznany błąd")) << std::hex << hr;
    for (const std::string& other : seen) EXPECT_NE(text, other) << std::hex << hr;
    seen.push_back(text);
  }
}

}  // namespace
