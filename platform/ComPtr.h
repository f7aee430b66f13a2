// Owner of one reference to a reference-counted object (anything with
// AddRef and Release): released when the holder goes, when it is reset, and
// before an out-parameter fills it again.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>

namespace plat {

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes over the reference that p carries (no AddRef).
  explicit ComPtr(T* p) : p_(p) {}
  ComPtr(const ComPtr& other) : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
  ComPtr& operator=(const ComPtr& other) {
    T* p = other.p_;
    if (p) p->AddRef();
    reset();
    p_ = p;
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != std::addressof(other)) {
      reset();
      p_ = other.p_;
      other.p_ = nullptr;
    }
    return *this;
  }
  ~ComPtr() { reset(); }

  // Releases what is held.
  void reset() {
    T* p = p_;
    p_ = nullptr;
    if (p) p->Release();
  }
  // Releases what is held and takes over the reference that p carries.
  void attach(T* p) {
    if (p == p_) return;
    reset();
    p_ = p;
  }
  // Gives up the reference to the caller, who must release it.
  [[nodiscard]] T* detach() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }
  // For an out-parameter: releases what was held and hands out the slot.
  T** out() {
    reset();
    return &p_;
  }
  T** operator&() { return out(); }
  void** outVoid() { return reinterpret_cast<void**>(out()); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

  friend void swap(ComPtr& a, ComPtr& b) noexcept { std::swap(a.p_, b.p_); }

 private:
  T* p_ = nullptr;
};

}  // namespace plat
