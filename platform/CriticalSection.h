// TCriticalSection: the class library's critical section, a lock that its
// holder may enter again (every Enter needs its Leave).
#pragma once

#include <mutex>

#include "platform/Export.h"

namespace plat {

class PLAT_API TCriticalSection {
 public:
  TCriticalSection() = default;
  TCriticalSection(const TCriticalSection&) = delete;
  TCriticalSection& operator=(const TCriticalSection&) = delete;

  void Acquire();
  void Release();
  void Enter() { Acquire(); }
  void Leave() { Release(); }
  bool TryEnter();

  // BasicLockable, for std::lock_guard and std::unique_lock.
  void lock() { Acquire(); }
  void unlock() { Release(); }
  bool try_lock() { return TryEnter(); }

 private:
  std::recursive_mutex mutex_;
};

// Holds a critical section for the life of the scope.
using TCriticalSectionLock = std::lock_guard<TCriticalSection>;

}  // namespace plat
