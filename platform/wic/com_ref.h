// An owning reference to a COM interface for the imaging component's own objects.
#ifndef BRIMLOFT_PLATFORM_WIC_COM_REF_H
#define BRIMLOFT_PLATFORM_WIC_COM_REF_H

#include <utility>

namespace platform::wic {

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

 private:
  T* p_ = nullptr;
};

}  // namespace platform::wic

#endif
