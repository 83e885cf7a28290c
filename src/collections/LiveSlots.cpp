#include "collections/LiveSlots.h"

#include <cstddef>

namespace {

uint32_t LowBit(uint32_t i) { return i & (~i + 1u); }

}  // namespace

uint32_t TLiveSlots::Append() {
  const uint32_t slot = uint32_t(live_.size());
  const uint32_t i = slot + 1;  // its Fenwick index
  // tree[i] covers (i - lowbit(i), i]: the live slots of that range before
  // this one, plus this one.
  const uint32_t before = i - 1 == 0 ? 0 : Rank(slot);
  const uint32_t start = i - LowBit(i);
  const uint32_t outside = start == 0 ? 0 : Rank(start);
  live_.push_back(true);
  tree_.push_back(before - outside + 1);
  ++liveCount_;
  return slot;
}

void TLiveSlots::Kill(uint32_t slot) {
  if (!IsLive(slot)) return;
  live_[slot] = false;
  --liveCount_;
  for (uint32_t i = slot + 1; i < tree_.size(); i += LowBit(i)) --tree_[i];
}

uint32_t TLiveSlots::Rank(uint32_t slot) const {
  uint32_t sum = 0;
  for (uint32_t i = slot < live_.size() ? slot : uint32_t(live_.size()); i > 0; i -= LowBit(i))
    sum += tree_[i];
  return sum;
}

uint32_t TLiveSlots::Select(uint32_t index) const {
  // Descends the implicit tree: the largest prefix holding at most Index
  // live slots ends right before the wanted slot.
  uint32_t position = 0;
  uint32_t remaining = index;
  uint32_t step = 1;
  while (step * 2 < tree_.size()) step *= 2;
  for (; step > 0; step /= 2) {
    const uint32_t next = position + step;
    if (next < tree_.size() && tree_[next] <= remaining) {
      position = next;
      remaining -= tree_[next];
    }
  }
  return position;  // slot numbers are Fenwick indices minus one
}

void TLiveSlots::Reset() {
  tree_.assign(1, 0);
  live_.clear();
  liveCount_ = 0;
}

void TLiveSlots::ResetLive(uint32_t count) {
  live_.assign(count, true);
  tree_.assign(std::size_t(count) + 1, 0);
  for (uint32_t i = 1; i <= count; ++i) tree_[i] = LowBit(i);
  liveCount_ = count;
}
