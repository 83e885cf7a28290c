// TFlatIndex<V, K>: a hash index from integer keys (64-bit unless K says
// otherwise: a narrower key makes a smaller entry) to values that may share a key,
// kept in one array with linear probing (removal shifts the following entries
// back, so no tombstones build up). A lookup touches one or two cache lines
// where a node-based table follows a pointer per entry; the network's memories
// look tokens up by the million.
// Values are plain data; a pointer returned by Find is valid until the next
// Insert or Erase. Each entry carries a flag that tells whether it is used,
// unless the index is given a value that no entry ever holds
// (TFlatEmptyValue): that value then marks the unused entries, and a 32-bit
// key with a 32-bit value makes an 8-byte entry instead of a 12-byte one.
// Not thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The value that marks an unused entry of a TFlatIndex; Insert never gets it.
template <auto Empty>
struct TFlatEmptyValue {};

namespace flatindex {

// An entry of the index: key, value and whether it is used.
template <class K, class V, class Empty>
struct TSlot {
  K Key;
  bool InUse;  // in the key's padding: a 32-bit key with a pointer makes 16 bytes
  V Value;
  bool Used() const noexcept { return InUse; }
  void MarkUnused() noexcept { InUse = false; }
  static TSlot Make(K key, const V& value) { return TSlot{key, true, value}; }
  static TSlot Unused() { return TSlot{K{}, false, V{}}; }
};

template <class K, class V, auto Empty>
struct TSlot<K, V, TFlatEmptyValue<Empty>> {
  K Key;
  V Value;
  bool Used() const noexcept { return Value != V(Empty); }
  void MarkUnused() noexcept { Value = V(Empty); }
  static TSlot Make(K key, const V& value) { return TSlot{key, value}; }
  static TSlot Unused() { return TSlot{K{}, V(Empty)}; }
};

}  // namespace flatindex

template <class V, class K = uint64_t, class Empty = void>
class TFlatIndex {
 public:
  size_t Size() const noexcept { return size_; }
  bool IsEmpty() const noexcept { return size_ == 0; }

  void Insert(K key, const V& value) {
    if ((size_ + 1) * 2 > slots_.size()) Grow();
    size_t at = Home(key);
    while (slots_[at].Used()) at = (at + 1) & Mask();
    slots_[at] = TSlot::Make(key, value);
    ++size_;
  }

  // Inserts Value under Key unless Key has a value already (one probe where
  // Find then Insert make two); true when it was inserted.
  bool InsertUnique(K key, const V& value) {
    if ((size_ + 1) * 2 > slots_.size()) Grow();
    size_t at = Home(key);
    for (; slots_[at].Used(); at = (at + 1) & Mask())
      if (slots_[at].Key == key) return false;
    slots_[at] = TSlot::Make(key, value);
    ++size_;
    return true;
  }

  // The first value of Key for which Match(value) is true, or none.
  template <class F>
  V* Find(K key, F&& match) {
    if (size_ == 0) return nullptr;
    for (size_t at = Home(key); slots_[at].Used(); at = (at + 1) & Mask())
      if (slots_[at].Key == key && match(slots_[at].Value)) return &slots_[at].Value;
    return nullptr;
  }

  template <class F>
  const V* Find(K key, F&& match) const {
    return const_cast<TFlatIndex*>(this)->Find(key, match);
  }

  // Asks the processor to start loading the entry where a lookup of Key
  // begins, so that its miss overlaps other work before the lookup.
  void Prefetch(K key) const noexcept {
    if (!slots_.empty()) __builtin_prefetch(&slots_[Home(key)]);
  }

  // Calls Visit(value) for every value of Key.
  template <class F>
  void ForEachOf(K key, F&& visit) const {
    if (size_ == 0) return;
    for (size_t at = Home(key); slots_[at].Used(); at = (at + 1) & Mask())
      if (slots_[at].Key == key) visit(slots_[at].Value);
  }
  // Calls Visit(value) for every value, in no particular order.
  template <class F>
  void ForEachValue(F&& visit) {
    for (TSlot& slot : slots_)
      if (slot.Used()) visit(slot.Value);
  }

  // Removes the entry of Value (a pointer Find returned).
  void Erase(V* value) {
    auto* slot = reinterpret_cast<TSlot*>(reinterpret_cast<char*>(value) - offsetof(TSlot, Value));
    size_t hole = size_t(slot - slots_.data());
    // Entries after the hole that could live at or before it move back.
    for (size_t at = (hole + 1) & Mask(); slots_[at].Used(); at = (at + 1) & Mask()) {
      const size_t home = Home(slots_[at].Key);
      const bool stays = hole <= at ? (home > hole && home <= at) : (home > hole || home <= at);
      if (stays) continue;
      slots_[hole] = slots_[at];
      hole = at;
    }
    slots_[hole].MarkUnused();
    --size_;
  }

  void Clear() {
    slots_.clear();
    size_ = 0;
  }

  // The longest run of used entries (around the end too): the most entries
  // a lookup may read.
  size_t LongestRun() const noexcept {
    size_t longest = 0, run = 0;
    for (size_t i = 0; i < 2 * slots_.size() && longest < slots_.size(); ++i) {
      run = slots_[i & Mask()].Used() ? run + 1 : 0;
      if (run > longest) longest = run;
    }
    return longest;
  }

 private:
  using TSlot = flatindex::TSlot<K, V, Empty>;
  size_t Mask() const noexcept { return slots_.size() - 1; }
  size_t Home(K key) const noexcept {
    // Keys may be small integers: spread them over the table.
    return size_t((uint64_t(key) * 0x9E3779B97F4A7C15ull) >> 17) & Mask();
  }
  void Grow() {
    std::vector<TSlot> old = std::move(slots_);
    slots_.assign(old.empty() ? 16 : old.size() * 2, TSlot::Unused());
    size_ = 0;
    for (const TSlot& slot : old)
      if (slot.Used()) Insert(slot.Key, slot.Value);
  }

  std::vector<TSlot> slots_;
  size_t size_ = 0;
};
