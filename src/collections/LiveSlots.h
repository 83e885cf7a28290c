// TLiveSlots: the positions of a list whose removed entries leave holes.
// Slots are appended at the end and later killed; the list position of a live
// slot (how many live slots lie before it) and the slot at a list position are
// found in O(log n) through a Fenwick tree of the live flags, so a list can
// delete from its middle without shifting its other entries.
// Ownership: plain values. Thread-safety: none.
#pragma once

#include <cstdint>
#include <vector>

class TLiveSlots {
 public:
  // Number of slots ever appended (live or killed) since the last Reset.
  uint32_t SlotCount() const noexcept { return uint32_t(live_.size()); }
  uint32_t LiveCount() const noexcept { return liveCount_; }
  bool IsLive(uint32_t slot) const noexcept { return slot < live_.size() && live_[slot]; }

  // A new live slot at the end; returns its number.
  uint32_t Append();
  // Marks a live slot dead (nothing for a dead or unknown slot).
  void Kill(uint32_t slot);
  // The number of live slots before Slot.
  uint32_t Rank(uint32_t slot) const;
  // The live slot at list position Index (0 .. LiveCount-1).
  uint32_t Select(uint32_t index) const;
  // Forgets every slot.
  void Reset();
  // Starts again with Count live slots (after the owner compacted its list).
  void ResetLive(uint32_t count);

 private:
  // Fenwick tree, 1-based: tree_[i] sums the live flags of slots
  // (i - lowbit(i), i].
  std::vector<uint32_t> tree_{0};
  std::vector<bool> live_;
  uint32_t liveCount_ = 0;
};
