// Failures that stop an action of the processing layer. The worker thread
// catches them like every exception of the class library and shows their
// message.
#pragma once

#include "platform/AnsiString.h"
#include "platform/Com.h"
#include "platform/Exception.h"
#include "platform/Export.h"
#include "platform/Format.h"

namespace swde {

using plat::AnsiString;
using plat::HRESULT;
using plat::TVarRec;

// A failure of the layer's own logic.
class OLVCORE_API bzException : public plat::Exception {
 public:
  explicit bzException(const char* message);
  explicit bzException(const AnsiString& message);
  // Message formatted from format and args[0..lastArgIndex].
  bzException(const char* format, const TVarRec* args, int lastArgIndex);
  bzException(const AnsiString& format, const TVarRec* args, int lastArgIndex);
  // Assertion form: "Assertion failed: <expression> FILE:<file>, LINE: <line>".
  bzException(const char* expression, const char* file, int line);
};

// A failing call on a reader object: its HRESULT and the source file and line
// of the call.
class OLVCORE_API bzCOMException : public bzException {
 public:
  bzCOMException(HRESULT hr, const char* file, int line);

  HRESULT hr;
  AnsiString file;
  int line;
  // What the failing reader object said of the failure (the file and the
  // reason), when it left a description; empty otherwise.
  AnsiString description;
};

// Raises bzCOMException for a failed hr from a reader call, with the
// reader's own description of the failure; a hr that did not fail passes.
OLVCORE_API void checkReaderStatus(HRESULT hr, const char* file, int line);

// The system error of the object layer for a failed HRESULT: its message is
// the text of the code, its code the HRESULT.
class OLVCORE_API bzOleSysError : public plat::Exception {
 public:
  bzOleSysError(const AnsiString& message, HRESULT code);

  HRESULT code() const noexcept { return code_; }

 private:
  HRESULT code_;
};

// Polish text of an HRESULT; "Nieznany błąd" for a code without one.
OLVCORE_API AnsiString comErrorText(HRESULT hr);

// Raises bzOleSysError for a negative hr; S_OK, S_FALSE and every other
// non-negative value pass.
OLVCORE_API void checkCOMStatus(HRESULT hr);

}  // namespace swde
