// An index by code over entries that their owner keeps in a container of
// its own, in an order of its own (by key or by name). For every code it
// holds the entry that comes first in the owner's order, and how many entries
// carry that code, so that "the first entry whose code is c" and "how many
// entries have code c" cost O(log n) instead of a walk of the container.
//
// - The owner files every entry it adds, in any order: add(code, entry,
//   before), where before(a, b) tells whether a comes before b in its order.
//   Of several entries with one code the one first in that order wins,
//   whatever order they were added in: what a walk of the container finds.
// - The index keeps its own copy of the code given to add; an entry's code
//   must not change once it is filed.
// - add gives the strong guarantee: when it throws, nothing has changed.
// - Lookups take a string_view and allocate nothing.
//
// Entry is a small copyable handle: a pointer or an iterator of the owner's
// container.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/AnsiString.h"

namespace swde {

template <class Entry>
class CodeIndex {
 public:
  template <class Before>
  void add(std::string_view code, const Entry& entry, Before before) {
    auto at = lowerBound(code);
    if (at != slots_.end() && at->code == code) {
      ++at->count;
      if (before(entry, at->first)) at->first = entry;
      return;
    }
    // Slot moves cannot throw, so a failed insert leaves the vector as it was.
    slots_.insert(at, Slot{plat::AnsiString(code), entry, 1});
  }

  // The first entry with that code, or null.
  const Entry* find(std::string_view code) const {
    auto at = lowerBound(code);
    return at != slots_.end() && at->code == code ? &at->first : nullptr;
  }

  std::size_t count(std::string_view code) const {
    auto at = lowerBound(code);
    return at != slots_.end() && at->code == code ? at->count : 0;
  }

  void clear() noexcept { slots_.clear(); }

 private:
  struct Slot {
    plat::AnsiString code;
    Entry first;
    std::size_t count;
  };
  using Slots = std::vector<Slot>;

  // Byte order, the order of std::string.
  typename Slots::iterator lowerBound(std::string_view code) {
    return std::lower_bound(slots_.begin(), slots_.end(), code,
                            [](const Slot& s, std::string_view c) { return s.code < c; });
  }
  typename Slots::const_iterator lowerBound(std::string_view code) const {
    return std::lower_bound(slots_.begin(), slots_.end(), code,
                            [](const Slot& s, std::string_view c) { return s.code < c; });
  }

  static_assert(std::is_nothrow_move_constructible_v<Slot> &&
                std::is_nothrow_move_assignable_v<Slot>);

  Slots slots_;  // sorted by code, one slot per code
};

}  // namespace swde
