// Intrusive, atomic reference counting and the handle TRef<T>.
// TRefCounted: a new object starts at count 0; the first TRef takes it to 1 and
// the release that brings it back to 0 deletes the object. Counts change
// atomically, so handles may be copied and released on any thread; the object
// itself is not otherwise synchronised.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

class TRefCounted {
 public:
  TRefCounted() = default;
  TRefCounted(const TRefCounted&) : refs_(0) {}
  TRefCounted& operator=(const TRefCounted&) { return *this; }
  virtual ~TRefCounted() = default;

  void AddRef() const noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }
  void Release() const noexcept {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  int32_t RefCount() const noexcept { return refs_.load(std::memory_order_relaxed); }

 protected:
  // For classes whose objects are only ever used by one thread at a time:
  // the same count changed by a plain load and store instead of an atomic
  // read-modify-write, which costs several times as much. Such a class hides
  // AddRef and Release with these.
  void AddRefUnshared() const noexcept {
    refs_.store(refs_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
  }
  void ReleaseUnshared() const noexcept {
    const int32_t left = refs_.load(std::memory_order_relaxed) - 1;
    refs_.store(left, std::memory_order_relaxed);
    if (left == 0) delete this;
  }

 private:
  mutable std::atomic<int32_t> refs_{0};
};

// A counted handle: copying adds a reference, destruction releases it.
template <class T>
class TRef {
 public:
  TRef() noexcept = default;
  TRef(std::nullptr_t) noexcept {}
  TRef(T* p) noexcept : p_(p) {
    if (p_) p_->AddRef();
  }
  TRef(const TRef& o) noexcept : TRef(o.p_) {}
  TRef(TRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
  TRef(const TRef<U>& o) noexcept : TRef(static_cast<T*>(o.get())) {}
  template <class U>
  TRef(TRef<U>&& o) noexcept : p_(static_cast<T*>(o.Detach())) {}
  ~TRef() {
    if (p_) p_->Release();
  }
  TRef& operator=(TRef o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  // Gives up the reference without releasing it.
  T* Detach() noexcept { return std::exchange(p_, nullptr); }

  friend bool operator==(const TRef& a, const TRef& b) noexcept { return a.p_ == b.p_; }
  friend bool operator==(const TRef& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

 private:
  T* p_ = nullptr;
};

template <class T, class... Args>
TRef<T> MakeRef(Args&&... args) {
  return TRef<T>(new T(std::forward<Args>(args)...));
}

// The interface query: a handle of U when the object is a U, else none.
template <class U, class T>
TRef<U> RefCast(const TRef<T>& r) noexcept {
  return TRef<U>(dynamic_cast<U*>(r.get()));
}
