#include "semantics/G5adr.h"

namespace swde {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

G5ADR::G5ADR(const AnsiString& typeName) : smObject(typeName) {}

// Two digits, a hyphen, three digits: nothing else, no sign, no blanks.
void G5ADR::checkAttribValue(const smAttribute& attribute) {
  if (attribute.code != "G5KOD" || attribute.value.empty()) return;
  const AnsiString& v = attribute.value;
  const bool ok = v.size() == 6 && isDigit(v[0]) && isDigit(v[1]) && v[2] == '-' && isDigit(v[3]) &&
                  isDigit(v[4]) && isDigit(v[5]);
  if (!ok) raise(seBadPostalCode, smError::kError, attribute.line, attribute.position, {typeName});
}

}  // namespace swde
