// An owning queue with one built-in cursor: entries come out in the order in
// which they were appended. first resets the cursor and returns the first
// entry (null when empty); next returns the following one, null at the end
// and before any first.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace swde {

template <class T>
class smQueue {
 public:
  smQueue() = default;
  smQueue(const smQueue&) = delete;
  smQueue& operator=(const smQueue&) = delete;

  T* append(std::unique_ptr<T> entry) {
    entries_.push_back(std::move(entry));
    return entries_.back().get();
  }

  T* first() {
    cursor_ = entries_.empty() ? kOff : 0;
    return entries_.empty() ? nullptr : entries_.front().get();
  }

  // A walk that has run out stays out until the next first.
  T* next() {
    if (cursor_ == kOff) return nullptr;
    if (++cursor_ < entries_.size()) return entries_[cursor_].get();
    cursor_ = kOff;
    return nullptr;
  }

  // By index, without touching the cursor; null out of range.
  T* at(std::size_t i) const { return i < entries_.size() ? entries_[i].get() : nullptr; }
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }

 private:
  static constexpr std::size_t kOff = static_cast<std::size_t>(-1);  // before first, after the end

  std::vector<std::unique_ptr<T>> entries_;
  std::size_t cursor_ = kOff;
};

}  // namespace swde
