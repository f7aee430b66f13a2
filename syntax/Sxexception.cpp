#include "syntax/Sxexception.h"

namespace swde {

sxException::sxException(const char* message) : plat::Exception(message ? message : "") {}

sxException::sxException(const AnsiString& message) : plat::Exception(message) {}

sxException::sxException(const char* format, const TVarRec* args, int argsHigh)
    : plat::Exception(plat::Format(format ? format : "", args, argsHigh)) {}

sxException::sxException(const AnsiString& format, const TVarRec* args, int argsHigh)
    : plat::Exception(plat::Format(format, args, argsHigh)) {}

sxException::sxException(const char* expression, const char* file, int line)
    : plat::Exception(AnsiString("Assertion failed: ") + (expression ? expression : "") +
                      " FILE:" + (file ? file : "") + ", LINE: " + plat::IntToStr(line)) {}

}  // namespace swde
