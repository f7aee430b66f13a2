#include "processing/bzException.h"

#include <vector>

#include "platform/CodePage.h"

namespace swde {

bzException::bzException(const char* message) : plat::Exception(message ? message : "") {}

bzException::bzException(const AnsiString& message) : plat::Exception(message) {}

bzException::bzException(const char* format, const TVarRec* args, int lastArgIndex)
    : plat::Exception(plat::Format(format ? format : "", args, lastArgIndex)) {}

bzException::bzException(const AnsiString& format, const TVarRec* args, int lastArgIndex)
    : plat::Exception(plat::Format(format, args, lastArgIndex)) {}

bzException::bzException(const char* expression, const char* file, int line)
    : plat::Exception(AnsiString("Assertion failed: ") + (expression ? expression : "") +
                      " FILE:" + (file ? file : "") + ", LINE: " + plat::IntToStr(line)) {}

namespace {

const AnsiString& comExceptionMessage() {
  static const AnsiString text = plat::cp("Błąd obiektów warstwy odczytu pliku");
  return text;
}

struct CodeText {
  HRESULT code;
  AnsiString text;
};

const std::vector<CodeText>& comErrorTable() {
  static const std::vector<CodeText> table = {
      {plat::E_NOTIMPL, plat::cp("Nie zaimplementowano")},
      {plat::E_NOINTERFACE, plat::cp("Interfejs nie jest obsługiwany")},
      {plat::E_POINTER, plat::cp("Nieprawidłowy wskaźnik")},
      {plat::E_FAIL, plat::cp("Nieokreślony błąd")},
      {plat::E_UNEXPECTED, plat::cp("Nieoczekiwany błąd")},
      {plat::E_OUTOFMEMORY, plat::cp("Za mało pamięci, aby ukończyć tę operację")},
      {plat::E_INVALIDARG, plat::cp("Nieprawidłowy argument")},
      {plat::DISP_E_MEMBERNOTFOUND, plat::cp("Nie znaleziono składowej")},
      {plat::DISP_E_TYPEMISMATCH, plat::cp("Niezgodność typów")},
      {plat::DISP_E_UNKNOWNNAME, plat::cp("Nieznana nazwa")},
      {plat::DISP_E_BADVARTYPE, plat::cp("Nieprawidłowy typ zmiennej")},
      {plat::DISP_E_OVERFLOW, plat::cp("Przepełnienie")},
      {plat::DISP_E_BADPARAMCOUNT, plat::cp("Nieprawidłowa liczba parametrów")},
      {plat::CLASS_E_NOAGGREGATION, plat::cp("Klasa nie obsługuje agregacji")},
      {plat::CLASS_E_CLASSNOTAVAILABLE, plat::cp("Klasa jest niedostępna")},
      {plat::REGDB_E_CLASSNOTREG, plat::cp("Klasa nie jest zarejestrowana")},
  };
  return table;
}

}  // namespace

bzCOMException::bzCOMException(HRESULT hr, const char* file, int line)
    : bzException(comExceptionMessage()), hr(hr), file(file ? file : ""), line(line) {}

void checkReaderStatus(HRESULT hr, const char* file, int line) {
  if (!plat::FAILED(hr)) return;
  bzCOMException e(hr, file, line);
  plat::ErrorInfo info;
  if (plat::GetErrorInfo(info)) e.description = info.description;
  throw e;
}

bzOleSysError::bzOleSysError(const AnsiString& message, HRESULT code)
    : plat::Exception(message), code_(code) {}

AnsiString comErrorText(HRESULT hr) {
  for (const CodeText& entry : comErrorTable())
    if (entry.code == hr) return entry.text;
  static const AnsiString unknown = plat::cp("Nieznany błąd");
  return unknown;
}

void checkCOMStatus(HRESULT hr) {
  if (!plat::FAILED(hr)) return;
  // The failing object's own description, when it left one, says more than
  // the text of the code.
  plat::ErrorInfo info;
  if (plat::GetErrorInfo(info) && !info.description.empty())
    throw bzOleSysError(info.description, hr);
  throw bzOleSysError(comErrorText(hr), hr);
}

}  // namespace swde
