// The flat hash index: through random inserts and erasures it finds exactly
// what a plain multimap holds, with keys at random or numbered in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <random>
#include <vector>

#include "collections/FlatIndex.h"

namespace {

template <class TIndex>
void FollowAMultimap(TIndex& index, uint32_t keyRange, bool keysInOrder) {
  std::multimap<uint32_t, uint32_t> plain;
  std::mt19937 random(11);
  uint32_t nextKey = 0;
  for (uint32_t step = 0; step < 20000; ++step) {
    if (plain.empty() || random() % 5 < 3) {
      const uint32_t key = keysInOrder ? nextKey++ : uint32_t(random() % keyRange);
      index.Insert(key, step);
      plain.emplace(key, step);
    } else {
      // Erase a value that is there, picked through the model.
      auto at = plain.begin();
      std::advance(at, std::ptrdiff_t(random() % plain.size()));
      const uint32_t value = at->second;
      uint32_t* found = index.Find(at->first, [&](uint32_t v) { return v == value; });
      ASSERT_NE(found, nullptr) << "step " << step;
      index.Erase(found);
      plain.erase(at);
    }
    if (step % 499 == 0) {
      ASSERT_EQ(index.Size(), plain.size());
      for (const auto& [key, value] : plain) {
        std::vector<uint32_t> seen;
        index.ForEachOf(key, [&](uint32_t v) { seen.push_back(v); });
        ASSERT_EQ(std::count(seen.begin(), seen.end(), value), 1) << "key " << key;
        ASSERT_EQ(seen.size(), plain.count(key)) << "key " << key;
      }
    }
  }
}

}  // namespace

TEST(FlatIndex, KeysWithRepeatsFollowAMultimap) {
  TFlatIndex<uint32_t> index;
  FollowAMultimap(index, 300, false);
}

TEST(FlatIndex, KeysNumberedInOrderFollowAMultimap) {
  TFlatIndex<uint32_t, uint32_t> inOrder;
  FollowAMultimap(inOrder, 0, true);
}

// Unused entries marked by a value no entry holds instead of a flag: the same
// lookups, key 0 and value 0 included.
TEST(FlatIndex, AnEmptyValueInsteadOfAFlagFollowsAMultimap) {
  TFlatIndex<uint32_t, uint32_t, TFlatEmptyValue<UINT32_MAX>> index;
  FollowAMultimap(index, 300, false);
  TFlatIndex<uint32_t, uint32_t, TFlatEmptyValue<UINT32_MAX>> inOrder;
  FollowAMultimap(inOrder, 0, true);
  TFlatIndex<uint32_t, uint32_t, TFlatEmptyValue<UINT32_MAX>> zero;
  EXPECT_TRUE(zero.InsertUnique(0, 0));
  EXPECT_FALSE(zero.InsertUnique(0, 5));
  const uint32_t* found = zero.Find(0, [](uint32_t) { return true; });
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(*found, 0u);
}

// Working memory's pattern: a block of long-lived keys while keys numbered
// on are added and removed by the million. No run of used entries, which a
// lookup of an absent key walks to its end, may grow with the block (as it
// would if keys in order took neighbouring entries).
TEST(FlatIndex, ChurnPastALongLivedBlockStaysCheap) {
  TFlatIndex<uint32_t, uint32_t> index;
  for (uint32_t key = 0; key < 10000; ++key) index.Insert(key, key);
  uint32_t next = 10000;
  for (int cycle = 0; cycle < 200000; ++cycle) {
    ASSERT_TRUE(index.InsertUnique(next, next));
    uint32_t* found = index.Find(next, [](uint32_t) { return true; });
    ASSERT_NE(found, nullptr);
    index.Erase(found);
    ++next;
  }
  EXPECT_EQ(index.Size(), 10000u);
  EXPECT_LT(index.LongestRun(), 200u);
}

TEST(FlatIndex, InsertUniqueKeepsTheFirstValueOfAKey) {
  TFlatIndex<uint32_t, uint32_t> index;
  EXPECT_TRUE(index.InsertUnique(7, 1));
  EXPECT_FALSE(index.InsertUnique(7, 2));
  EXPECT_TRUE(index.InsertUnique(7 + 16, 3));
  ASSERT_EQ(index.Size(), 2u);
  const uint32_t* found = index.Find(7, [](uint32_t) { return true; });
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(*found, 1u);
  for (uint32_t key = 100; key < 400; ++key) EXPECT_TRUE(index.InsertUnique(key, key));
  for (uint32_t key = 100; key < 400; ++key) EXPECT_FALSE(index.InsertUnique(key, 0));
  EXPECT_EQ(index.Size(), 302u);
}
