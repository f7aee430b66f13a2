// The lookup container of the metadata model: owned entries keyed by name in
// byte order, with one built-in cursor.
//
// - add returns null and changes nothing when the key is already present;
//   otherwise it makes the entry, which stores its own key, and returns it;
// - get returns null for an absent key; lookups take any text (a string_view
//   or a literal makes no temporary string);
// - first resets the cursor and returns the first entry (null when empty);
//   next advances it and returns the entry there, null at the end and before
//   any first. One cursor per container: a nested walk of the same container
//   breaks the outer one, so lookups that walk use begin()/end() instead.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/AnsiString.h"

namespace swde {

using plat::AnsiString;

template <class T>
class NamedMap {
 public:
  // std::string compares as unsigned char: byte order.
  using Map = std::map<AnsiString, std::unique_ptr<T>, std::less<>>;
  using const_iterator = typename Map::const_iterator;

  NamedMap() = default;
  NamedMap(const NamedMap&) = delete;
  NamedMap& operator=(const NamedMap&) = delete;

  // A new T(key, args...) under key; null when key is present.
  template <class... Args>
  T* add(const AnsiString& key, Args&&... args) {
    return addFiled(
        key, [](T*) {}, std::forward<Args>(args)...);
  }

  // The same, and then filed(entry): the owner's own bookkeeping of the new
  // entry (an index of its own). When filed throws, the entry is taken out
  // again before the exception goes on, so the container is as it was.
  template <class Filed, class... Args>
  T* addFiled(const AnsiString& key, Filed&& filed, Args&&... args) {
    if (entries_.find(key) != entries_.end()) return nullptr;
    auto entry = std::make_unique<T>(key, std::forward<Args>(args)...);
    T* raw = entry.get();
    auto it = entries_.emplace(key, std::move(entry)).first;
    try {
      filed(raw);
    } catch (...) {
      entries_.erase(it);  // a new entry: the cursor cannot stand on it
      throw;
    }
    return raw;
  }

  T* get(std::string_view key) const {
    auto it = entries_.find(key);
    return it == entries_.end() ? nullptr : it->second.get();
  }

  bool contains(std::string_view key) const { return entries_.find(key) != entries_.end(); }

  T* first() {
    if (entries_.empty()) {
      walking_ = false;
      return nullptr;
    }
    cursor_ = entries_.begin();
    walking_ = true;
    return cursor_->second.get();
  }

  T* next() {
    if (!walking_ || cursor_ == entries_.end()) return nullptr;
    ++cursor_;
    return cursor_ == entries_.end() ? nullptr : cursor_->second.get();
  }

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }

  // For walks that must leave the cursor alone.
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }

 private:
  Map entries_;
  const_iterator cursor_{};
  bool walking_ = false;
};

}  // namespace swde
