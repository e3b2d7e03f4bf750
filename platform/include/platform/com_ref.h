// An owning reference to a COM interface, for the platform's own objects.
#ifndef BRIMLOFT_PLATFORM_COM_REF_H
#define BRIMLOFT_PLATFORM_COM_REF_H

#include <objbase.h>

#include <utility>

namespace platform {

template <class T>
class Ref {
 public:
  Ref() noexcept = default;
  // Takes a reference of its own on p.
  explicit Ref(T* p) noexcept : p_(p) {
    if (p_) p_->AddRef();
  }
  Ref(const Ref& o) noexcept : Ref(o.p_) {}
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ~Ref() { reset(); }
  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }

  // Adopts a reference the caller already owns.
  static Ref Adopt(T* p) noexcept {
    Ref r;
    r.p_ = p;
    return r;
  }
  T* Detach() noexcept { return std::exchange(p_, nullptr); }
  void reset() noexcept {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  // For out-parameters: releases what is held and returns the address to fill.
  T** put() noexcept {
    reset();
    return &p_;
  }
  // Hands a new reference out through an out-parameter.
  void CopyTo(T** out) const noexcept {
    if (p_) p_->AddRef();
    *out = p_;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace platform

#endif
