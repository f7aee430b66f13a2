#include "wizard/wizCommand.h"

#include <algorithm>

namespace swde {

bool wizCommand::hasOption(const AnsiString& option) const {
  return std::find(options.begin(), options.end(), option) != options.end();
}

void wizCommand::removeOption(const AnsiString& option) {
  options.erase(std::remove(options.begin(), options.end(), option), options.end());
}

}  // namespace swde
