// The positions of a list with holes: ranks and selections agree with a plain
// list through appends and kills in any order, and after a reset.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "collections/LiveSlots.h"

TEST(LiveSlots, RanksAndSelectionsFollowAPlainListThroughRandomKills) {
  TLiveSlots slots;
  std::vector<uint32_t> plain;  // the live slots in order
  std::mt19937 random(7);
  for (int step = 0; step < 3000; ++step) {
    if (plain.empty() || random() % 3 != 0) {
      plain.push_back(slots.Append());
    } else {
      const size_t at = random() % plain.size();
      slots.Kill(plain[at]);
      plain.erase(plain.begin() + std::ptrdiff_t(at));
    }
    if (step % 97 == 0 || step > 2950) {
      ASSERT_EQ(slots.LiveCount(), plain.size());
      for (uint32_t i = 0; i < plain.size(); ++i) {
        ASSERT_EQ(slots.Select(i), plain[i]) << "step " << step << " index " << i;
        ASSERT_EQ(slots.Rank(plain[i]), i);
      }
    }
  }
  // Killing twice or an unknown slot changes nothing.
  const uint32_t before = slots.LiveCount();
  if (!plain.empty()) {
    slots.Kill(plain.front());
    slots.Kill(plain.front());
    EXPECT_EQ(slots.LiveCount(), before - 1);
  }
  slots.Kill(999999);
  EXPECT_FALSE(slots.IsLive(999999));
}

TEST(LiveSlots, ResetLiveStartsAgainWithAFullList) {
  TLiveSlots slots;
  for (int i = 0; i < 10; ++i) slots.Append();
  slots.Kill(3);
  slots.ResetLive(5);
  EXPECT_EQ(slots.SlotCount(), 5u);
  EXPECT_EQ(slots.LiveCount(), 5u);
  for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(slots.Select(i), i);
  EXPECT_EQ(slots.Append(), 5u);
  EXPECT_EQ(slots.Rank(5), 5u);
  slots.Reset();
  EXPECT_EQ(slots.LiveCount(), 0u);
  EXPECT_EQ(slots.Append(), 0u);
}
