#include "platform/LargeMemory.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>
#include <new>

namespace plat {

namespace {

constexpr std::size_t kPage = 4096;

}  // namespace

void populateMemory(void* p, std::size_t bytes) noexcept {
  constexpr std::uintptr_t kMask = ~std::uintptr_t{kPage - 1};
  const auto from = (reinterpret_cast<std::uintptr_t>(p) + kPage - 1) & kMask;
  const auto to = (reinterpret_cast<std::uintptr_t>(p) + bytes) & kMask;
  if (!p || to <= from) return;
  static_cast<void>(::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE));
}

#if defined(__SANITIZE_ADDRESS__)

// The sanitizer watches every block on its own.
void* mapMemory(std::size_t bytes) {
  return std::memset(::operator new(bytes), 0, bytes);
}

void unmapMemory(void* p, std::size_t) noexcept {
  ::operator delete(p);
}

void* allocateLarge(std::size_t bytes) {
  return ::operator new(bytes);
}

void freeLarge(void* p, std::size_t) noexcept {
  ::operator delete(p);
}

#else

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t mappedSize(std::size_t bytes) {
  return (bytes + kPage - 1) / kPage * kPage;
}

}  // namespace

void* mapMemory(std::size_t bytes) {
  const std::size_t size = mappedSize(bytes == 0 ? 1 : bytes);
  void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  // Only a hint: where the system has no huge pages to lend, the pages are
  // the usual ones.
  if (size >= kHugePage) static_cast<void>(::madvise(p, size, MADV_HUGEPAGE));
  return p;
}

void unmapMemory(void* p, std::size_t bytes) noexcept {
  if (p) ::munmap(p, mappedSize(bytes == 0 ? 1 : bytes));
}

void* allocateLarge(std::size_t bytes) {
  return bytes < kLargeMemory ? ::operator new(bytes) : mapMemory(bytes);
}

void freeLarge(void* p, std::size_t bytes) noexcept {
  if (!p) return;
  if (bytes < kLargeMemory)
    ::operator delete(p);
  else
    unmapMemory(p, bytes);
}

#endif

}  // namespace plat
