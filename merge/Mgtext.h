// A field of a merge object: its bytes in place when they are few (up to 15,
// as nearly every header field, identifier and key is), on the heap when
// more. Sixteen bytes in all, half a string's: a run holds millions of
// objects of eleven such fields each.
#pragma once

#include <bit>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <string_view>

#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVJOIN_API mgText {
 public:
  static constexpr std::size_t kInPlace = 15;

  mgText() noexcept { setEmpty(); }
  explicit mgText(std::string_view text) {
    setEmpty();
    assign(text);
  }
  mgText(const mgText& other) : mgText(other.view()) {}
  mgText(mgText&& other) noexcept {
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    other.setEmpty();
  }
  ~mgText() {
    if (onHeap()) release();
  }

  mgText& operator=(std::string_view text) {
    assign(text);
    return *this;
  }
  mgText& operator=(const mgText& other) {
    if (this != &other) assign(other.view());
    return *this;
  }
  mgText& operator=(mgText&& other) noexcept {
    if (this != &other) {
      if (onHeap()) release();
      std::memcpy(bytes_, other.bytes_, sizeof bytes_);
      other.setEmpty();
    }
    return *this;
  }

  std::string_view view() const noexcept { return {data(), size()}; }
  operator std::string_view() const noexcept { return view(); }
  AnsiString str() const { return AnsiString(view()); }

  const char* data() const noexcept { return onHeap() ? heapData() : bytes_; }
  std::size_t size() const noexcept {
    return onHeap() ? static_cast<std::size_t>(heapSize()) : static_cast<unsigned char>(bytes_[15]);
  }
  bool empty() const noexcept { return size() == 0; }
  void clear() noexcept {
    if (onHeap()) release();
    setEmpty();
  }

  friend bool operator==(const mgText& a, const mgText& b) noexcept { return a.view() == b.view(); }
  friend bool operator==(const mgText& a, std::string_view b) noexcept { return a.view() == b; }
  friend std::strong_ordering operator<=>(const mgText& a, const mgText& b) noexcept {
    return a.view() <=> b.view();
  }
  friend std::strong_ordering operator<=>(const mgText& a, std::string_view b) noexcept {
    return a.view() <=> b;
  }
  friend AnsiString operator+(std::string_view a, const mgText& b) { return join(a, b.view()); }
  friend AnsiString operator+(const mgText& a, std::string_view b) { return join(a.view(), b); }
  friend AnsiString operator+(const mgText& a, const mgText& b) { return join(a.view(), b.view()); }
  friend OLVJOIN_API std::ostream& operator<<(std::ostream& out, const mgText& text);

 private:
  // In place: the bytes, then their count in the last byte. On the heap: the
  // pointer, then the count in the next seven bytes and kOnHeap in the last.
  static constexpr unsigned char kOnHeap = 0x80;
  static constexpr std::uint64_t kMostOnHeap = (std::uint64_t{1} << 56) - 1;

  bool onHeap() const noexcept { return static_cast<unsigned char>(bytes_[15]) == kOnHeap; }
  const char* heapData() const noexcept {
    const char* p;
    std::memcpy(&p, bytes_, sizeof p);
    return p;
  }
  std::uint64_t heapSize() const noexcept {
    std::uint64_t n = 0;
    std::memcpy(&n, bytes_ + 8, 7);
    return n;
  }
  void setEmpty() noexcept { std::memset(bytes_, 0, sizeof bytes_); }
  void assign(std::string_view text);
  void release() noexcept;
  static AnsiString join(std::string_view a, std::string_view b);

  alignas(8) char bytes_[16];
};

static_assert(sizeof(mgText) == 16);
static_assert(std::endian::native == std::endian::little, "the count shares the last bytes");

}  // namespace swde
