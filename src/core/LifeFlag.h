// TLifeFlag: whether one object still lives, shared between the object and
// the weak references to it. The object expires its flag when its destruction
// begins; a reference keeps the flag (not the object) alive and asks it before
// it hands the object out.
//
// Ownership: counted; the object holds one reference, each weak reference one;
// the last Release deletes the flag.
// Thread-safety: the count and Alive/Expire are atomic, so a reference may ask
// on any thread whether its object lives. That answer is only stable on the
// thread that may destroy the object: using an object while another thread
// destroys it is not made safe by the flag.
#pragma once

#include <atomic>
#include <cstdint>

class TLifeFlag {
 public:
  TLifeFlag() = default;
  TLifeFlag(const TLifeFlag&) = delete;
  TLifeFlag& operator=(const TLifeFlag&) = delete;

  void AddRef() const noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }
  void Release() const noexcept {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  bool Alive() const noexcept { return alive_.load(std::memory_order_acquire); }
  void Expire() noexcept { alive_.store(false, std::memory_order_release); }

 private:
  ~TLifeFlag() = default;

  mutable std::atomic<int32_t> refs_{1};  // a new flag is held by its maker
  std::atomic<bool> alive_{true};
};
