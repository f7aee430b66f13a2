#include "wizard/wizPageRun.h"

namespace swde {

bool wizPageRun::run() {
  int index = 0;
  wizPageResult previous = wizPageResult::Next;
  while (index >= 0 && index < kPages) {
    const wizPageResult result = show_(index);
    switch (result) {
      case wizPageResult::Next:
        ++index;
        break;
      case wizPageResult::Back:
        --index;
        break;
      case wizPageResult::Skipped:
        index += previous == wizPageResult::Back ? -1 : 1;
        break;
      case wizPageResult::Closed:
        // A closed page ends the run: shown again it would never let go.
        return false;
    }
    // A skip keeps the direction of the step before it.
    if (result != wizPageResult::Skipped) previous = result;
  }
  return index >= kPages;
}

}  // namespace swde
