#include "wizard/wizCommandList.h"

namespace swde {

void wizCommandList::append(std::unique_ptr<wizCommand> command) {
  if (command) commands_.push_back(std::move(command));
}

void wizCommandList::remove(std::size_t index) {
  if (index < commands_.size()) commands_.erase(commands_.begin() + static_cast<long>(index));
}

bool wizCommandList::operator==(const wizCommandList& other) const {
  if (size() != other.size()) return false;
  for (std::size_t i = 0; i < size(); ++i)
    if (!(at(i) == other.at(i))) return false;
  return true;
}

}  // namespace swde
