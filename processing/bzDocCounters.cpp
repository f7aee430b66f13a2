#include "processing/bzDocCounters.h"

#include "platform/CodePage.h"
#include "processing/bzException.h"
#include "syntax/Sxcodes.h"

namespace swde {

bzDocCounters::~bzDocCounters() = default;

void bzDocCounters::clear() {
  commentLines = 0;
  commentChars = 0;
  fileSum = 0;
  sections.fill(Section{});
}

AnsiString bzDocCounters::getSectionName(unsigned slot) const {
  static const char* const kNames[kSections] = {"SN", "SD", "SP", "ST", "SG", "SO"};
  return slot < kSections ? AnsiString(kNames[slot]) : AnsiString("??");
}

int bzDocCounters::getSectionIndex(int sectionCode) const {
  switch (sectionCode) {
    case lcSD:
      return 1;
    case lcSG:
      return 4;
    case lcSN:
      return 0;
    case lcSO:
      return 5;
    case lcSP:
      return 2;
    case lcST:
      return 3;
    default:
      throw bzException(plat::cp("Nierozpoznany kod sekcji!"));
  }
}

}  // namespace swde
