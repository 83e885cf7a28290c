// TSlotValues: the values of a fact's slots by layout index, none where a
// slot holds nothing yet. Up to InlineCount values live inside the owner
// itself, so that most facts cost one allocation instead of two and reading a
// slot follows no pointer to a separate array; a longer layout moves them to
// the heap. Owned by one fact; not thread-safe.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "values/IEValue.h"

class TSlotValues {
 public:
  static constexpr size_t InlineCount = 3;

  TSlotValues() noexcept = default;
  ~TSlotValues() { Release(); }
  TSlotValues(const TSlotValues&) = delete;
  TSlotValues& operator=(const TSlotValues&) = delete;
  // Takes Other's values, leaving it empty.
  TSlotValues& operator=(TSlotValues&& other) noexcept {
    if (&other == this) return *this;
    Release();
    if (other.OnHeap()) {
      data_ = std::exchange(other.data_, other.inline_);
      capacity_ = std::exchange(other.capacity_, uint32_t(InlineCount));
    } else {
      std::move(other.inline_, other.inline_ + other.size_, inline_);
    }
    size_ = std::exchange(other.size_, 0);
    return *this;
  }
  // Takes the values of Values.
  TSlotValues& operator=(std::vector<IIEValue>&& values) {
    clear();
    reserve(values.size());
    std::move(values.begin(), values.end(), data_);
    size_ = uint32_t(values.size());
    return *this;
  }

  size_t size() const noexcept { return size_; }
  IIEValue& operator[](size_t index) noexcept { return data_[index]; }
  const IIEValue& operator[](size_t index) const noexcept { return data_[index]; }
  IIEValue* begin() noexcept { return data_; }
  IIEValue* end() noexcept { return data_ + size_; }
  const IIEValue* begin() const noexcept { return data_; }
  const IIEValue* end() const noexcept { return data_ + size_; }

  // Room for Count values without moving them again.
  void reserve(size_t count) {
    if (count <= capacity_) return;
    const size_t grown = std::max(count, size_t(capacity_) * 2);
    auto* moved = new IIEValue[grown];
    std::move(data_, data_ + size_, moved);
    if (OnHeap()) delete[] data_;
    data_ = moved;
    capacity_ = uint32_t(grown);
  }
  void push_back(IIEValue value) {
    if (size_ == capacity_) reserve(size_t(size_) + 1);
    data_[size_++] = std::move(value);
  }
  // Adds empty entries up to Count, or lets go of the values past it.
  void resize(size_t count) {
    reserve(count);
    for (size_t i = count; i < size_; ++i) data_[i] = nullptr;
    size_ = uint32_t(count);
  }
  void clear() noexcept { resize(0); }

 private:
  bool OnHeap() const noexcept { return data_ != inline_; }
  // Empty again, with the inline room only. Entries past the size are kept
  // empty, so nothing else holds a reference.
  void Release() noexcept {
    for (size_t i = 0; i < size_; ++i) data_[i] = nullptr;
    size_ = 0;
    if (OnHeap()) delete[] data_;
    data_ = inline_;
    capacity_ = InlineCount;
  }

  IIEValue inline_[InlineCount];
  IIEValue* data_ = inline_;
  uint32_t size_ = 0;
  uint32_t capacity_ = InlineCount;
};
