// A fact's slot values: kept inline up to a few, moved to the heap past
// them, and every reference given back when values are dropped or moved.
#include <gtest/gtest.h>

#include <vector>

#include "facts/SlotValues.h"

namespace {

std::vector<int32_t> Numbers(const TSlotValues& values) {
  std::vector<int32_t> numbers;
  for (const IIEValue& value : values) numbers.push_back(value ? value->AsInteger() : -1);
  return numbers;
}

TEST(SlotValues, GrowPastTheInlineRoomAndMoveWithoutLeaks) {
  IIEValue watched = TIEValue::MakeInteger(7);
  const int32_t unheld = watched->RefCount();
  {
    TSlotValues values;
    for (int32_t i = 0; i < 5; ++i) values.push_back(i == 1 ? watched : TIEValue::MakeInteger(i));
    EXPECT_EQ(Numbers(values), (std::vector<int32_t>{0, 7, 2, 3, 4}));
    values.resize(7);
    EXPECT_EQ(Numbers(values), (std::vector<int32_t>{0, 7, 2, 3, 4, -1, -1}));
    values.resize(1);
    EXPECT_EQ(watched->RefCount(), unheld);  // dropped with the entries past 1
    values.resize(2);
    EXPECT_EQ(values[1], nullptr);  // a regrown entry starts empty

    // Moving takes the other's values, inline or on the heap, and empties it.
    TSlotValues small;
    small.push_back(watched);
    TSlotValues large;
    large = std::move(small);
    EXPECT_EQ(small.size(), 0u);
    EXPECT_EQ(Numbers(large), (std::vector<int32_t>{7}));
    values.resize(6);
    values[5] = watched;
    large = std::move(values);
    EXPECT_EQ(Numbers(large), (std::vector<int32_t>{0, -1, -1, -1, -1, 7}));
    EXPECT_EQ(watched->RefCount(), unheld + 1);

    std::vector<IIEValue> replacement{watched, watched};
    large = std::move(replacement);
    EXPECT_EQ(Numbers(large), (std::vector<int32_t>{7, 7}));
    EXPECT_EQ(watched->RefCount(), unheld + 2);
  }
  EXPECT_EQ(watched->RefCount(), unheld);
}

}  // namespace
