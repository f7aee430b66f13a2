#include "metadata/Stylenk.h"

namespace swde {

StyleNK::StyleNK(const AnsiString& name) : name(name) {}

StyleNK::~StyleNK() = default;

}  // namespace swde
