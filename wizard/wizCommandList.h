// The ordered commands of one command file; the list owns them.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "wizard/wizCommand.h"

namespace swde {

class wizCommandList {
 public:
  wizCommandList() = default;
  wizCommandList(wizCommandList&&) = default;
  wizCommandList& operator=(wizCommandList&&) = default;

  void append(std::unique_ptr<wizCommand> command);
  void append(const wizCommand& command) { append(std::make_unique<wizCommand>(command)); }
  std::size_t size() const { return commands_.size(); }
  bool empty() const { return commands_.empty(); }
  wizCommand& at(std::size_t index) { return *commands_.at(index); }
  const wizCommand& at(std::size_t index) const { return *commands_.at(index); }
  // The remaining commands keep their order.
  void remove(std::size_t index);
  void clear() { commands_.clear(); }

  bool operator==(const wizCommandList& other) const;

 private:
  std::vector<std::unique_ptr<wizCommand>> commands_;
};

}  // namespace swde
