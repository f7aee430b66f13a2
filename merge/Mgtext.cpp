#include "merge/Mgtext.h"

#include <cstdlib>
#include <new>
#include <ostream>
#include <stdexcept>

namespace swde {

void mgText::assign(std::string_view text) {
  if (text.size() <= kInPlace) {
    // The text may lie in this very field: moved, not copied.
    char in[kInPlace];
    if (!text.empty()) std::memcpy(in, text.data(), text.size());
    if (onHeap()) release();
    if (!text.empty()) std::memcpy(bytes_, in, text.size());
    std::memset(bytes_ + text.size(), 0, kInPlace - text.size());
    bytes_[15] = static_cast<char>(text.size());
    return;
  }
  if (text.size() > kMostOnHeap) throw std::length_error("mgText");
  char* copy = static_cast<char*>(std::malloc(text.size()));
  if (!copy) throw std::bad_alloc();
  std::memcpy(copy, text.data(), text.size());
  if (onHeap()) release();
  const std::uint64_t size = text.size();
  std::memcpy(bytes_, &copy, sizeof copy);
  std::memcpy(bytes_ + 8, &size, 7);
  bytes_[15] = static_cast<char>(kOnHeap);
}

void mgText::release() noexcept {
  std::free(const_cast<char*>(heapData()));
  setEmpty();
}

AnsiString mgText::join(std::string_view a, std::string_view b) {
  AnsiString s;
  s.reserve(a.size() + b.size());
  s.append(a);
  s.append(b);
  return s;
}

std::ostream& operator<<(std::ostream& out, const mgText& text) {
  return out << text.view();
}

}  // namespace swde
