#include "metadata/Contextrecord.h"

namespace swde {

ContextRecord::ContextRecord(const AnsiString& name) : name(name) {}

ContextRecord::~ContextRecord() = default;

}  // namespace swde
