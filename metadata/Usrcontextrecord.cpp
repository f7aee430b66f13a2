#include "metadata/Usrcontextrecord.h"

namespace swde {

UsrContextRecord::UsrContextRecord(const AnsiString& name) : name(name) {}

UsrContextRecord::~UsrContextRecord() = default;

}  // namespace swde
