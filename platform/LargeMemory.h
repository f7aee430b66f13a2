// Memory for the large tables of a run (millions of entries that live for a
// step or two): from kLargeMemory bytes on, a mapping of its own, whose
// pages go back to the system the moment it goes and which is offered huge
// pages, so that one page fault brings 2 MiB instead of 4 KiB (the faults,
// not the work, are most of what filling a fresh table of gigabytes costs).
// Smaller blocks come from operator new.
#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/Export.h"

namespace plat {

inline constexpr std::size_t kLargeMemory = std::size_t{4} << 20;

// bytes of zeroed memory in whole pages of a mapping of its own, offered
// huge pages where the system lends them. Raises std::bad_alloc.
PLAT_API void* mapMemory(std::size_t bytes);
// Gives back what mapMemory(bytes) gave; nothing for null.
PLAT_API void unmapMemory(void* p, std::size_t bytes) noexcept;

// Makes the pages of [p, p + bytes) that lie wholly inside it now, on this
// thread, as writing them would (their contents stay as they are): the
// threads of a large job make each its share of a table that one of them
// then fills. Advice only: nothing where the system cannot.
PLAT_API void populateMemory(void* p, std::size_t bytes) noexcept;

// mapMemory from kLargeMemory bytes on, operator new below.
PLAT_API void* allocateLarge(std::size_t bytes);
PLAT_API void freeLarge(void* p, std::size_t bytes) noexcept;

template <class T>
struct LargeAllocator {
  using value_type = T;
  LargeAllocator() = default;
  template <class U>
  LargeAllocator(const LargeAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(allocateLarge(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) noexcept { freeLarge(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const LargeAllocator<U>&) const noexcept {
    return true;
  }
};

template <class T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

// The same memory, but an element made without a value is left as it is
// (a plain number holds whatever the memory held): for tables filled whole
// right after they are sized, by several threads each its share, so that no
// one thread makes every page of them first.
template <class T>
struct LargeTableAllocator : LargeAllocator<T> {
  using value_type = T;
  template <class U>
  struct rebind {
    using other = LargeTableAllocator<U>;
  };
  LargeTableAllocator() = default;
  template <class U>
  LargeTableAllocator(const LargeTableAllocator<U>&) noexcept {}
  template <class U>
  void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  template <class U>
  bool operator==(const LargeTableAllocator<U>&) const noexcept {
    return true;
  }
};

template <class T>
using LargeTable = std::vector<T, LargeTableAllocator<T>>;

}  // namespace plat
