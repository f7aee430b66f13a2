// The key functions of the platform's interface and exception classes: their
// vtables and type information are emitted here and nowhere else, so every
// library and program of the process throws, catches and casts with the one
// copy that olvplatform exports.
#include "platform/Activation.h"
#include "platform/Com.h"
#include "platform/Dispatch.h"
#include "platform/Exception.h"
#include "platform/Registry.h"

namespace plat {

IUnknown::~IUnknown() = default;
IDispatch::~IDispatch() = default;
IClassFactory::~IClassFactory() = default;

const char* Exception::what() const noexcept {
  return message_.c_str();
}
EConvertError::~EConvertError() = default;
EFormatError::~EFormatError() = default;
EFileError::~EFileError() = default;
ERegistryException::~ERegistryException() = default;

}  // namespace plat
