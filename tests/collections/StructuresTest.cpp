// TGStringList: ownership of Data and Objects, comparison modes, sorting and
// duplicates, capacity growth, text, events and assignment.
#include "collections/Structures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "support/ExceptionText.h"

namespace {

class TTracked : public TObject {
 public:
  explicit TTracked(int* freed) : freed_(freed) {}
  ~TTracked() override { ++*freed_; }

 private:
  int* freed_;
};

std::vector<std::string> Lines(const TGStringList& list) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < list.Count(); ++i) out.push_back(list.Get(i));
  return out;
}

}  // namespace

TEST(GStringList, FreeDataFreesOnDeleteClearAndReplace) {
  int freed = 0;
  TGStringList list;
  list.SetFreeData(true);
  for (const char* s : {"a", "b", "c"}) list.AddData(s, nullptr, new TTracked(&freed));
  list.Delete(0);
  EXPECT_EQ(freed, 1);
  list.PutData(0, new TTracked(&freed));
  EXPECT_EQ(freed, 2);
  list.PutData(0, list.GetData(0));  // the same reference is kept, not freed
  EXPECT_EQ(freed, 2);
  list.Clear();
  EXPECT_EQ(freed, 4);
  EXPECT_EQ(list.Capacity(), 0);
}

TEST(GStringList, WithoutFlagsNothingIsFreed) {
  int freed = 0;
  TTracked data(&freed), object(&freed);
  {
    TGStringList list;
    list.AddData("a", &object, &data);
    list.PutData(0, nullptr);
    list.AddData("b", &object, &data);
    list.Delete(0);
    list.Clear();
    list.AddData("c", &object, &data);
  }
  EXPECT_EQ(freed, 0);
}

TEST(GStringList, FreeObjectsAndDestructor) {
  int freed = 0;
  {
    TGStringList list;
    list.SetFreeObjects(true);
    list.AddObject("a", new TTracked(&freed));
    list.AddObject("b", new TTracked(&freed));
    list.Delete(1);
    EXPECT_EQ(freed, 1);
  }
  EXPECT_EQ(freed, 2);
}

TEST(GStringList, DefaultCompareModeIgnoresCase) {
  TGStringList list;
  EXPECT_EQ(list.CompareMode(), 3);
  list.Add("x");
  list.Add("t");
  EXPECT_EQ(list.IndexOf("T"), 1);
  list.SetCompareMode(0);
  EXPECT_EQ(list.IndexOf("T"), -1);
  list.SetCompareMode(1);
  EXPECT_EQ(list.IndexOf("T"), 1);
  list.SetCompareMode(2);
  EXPECT_EQ(list.IndexOf("T"), -1);
  EXPECT_EQ(list.IndexOf("t"), 1);
  EXPECT_EQ(list.IndexOf("missing"), -1);
}

TEST(GStringList, IndexOfDataComparesReferences) {
  TObject a, b;
  TGStringList list;
  list.AddData("same", nullptr, &a);
  list.AddData("same", nullptr, &b);
  EXPECT_EQ(list.IndexOfData(&b), 1);
  EXPECT_EQ(list.IndexOfData(&a), 0);
  TObject c;
  EXPECT_EQ(list.IndexOfData(&c), -1);
  list.PutObject(1, &c);
  EXPECT_EQ(list.IndexOfObject(&c), 1);
}

TEST(GStringList, SortedAddAndDuplicates) {
  TGStringList list;
  list.SetCompareMode(0);
  for (const char* s : {"m", "c", "x"}) list.Add(s);
  list.SetSorted(true);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"c", "m", "x"}));
  EXPECT_EQ(list.Add("d"), 1);
  EXPECT_EQ(list.Add("m"), 2);  // dupIgnore: the existing line
  EXPECT_EQ(list.Count(), 4);
  list.SetDuplicates(dupError);
  EXPECT_EQ(MessageOf<EListError>([&] { list.Add("m"); }), SDuplicateString);
  list.SetDuplicates(dupAccept);
  list.Add("m");
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"c", "d", "m", "m", "x"}));
  int32_t index = -1;
  EXPECT_TRUE(list.Find("m", index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(list.Find("n", index));
  EXPECT_EQ(index, 4);
  EXPECT_EQ(MessageOf<EListError>([&] { list.Insert(0, "a"); }), SSortedListError);
  EXPECT_EQ(MessageOf<EListError>([&] { list.Put(0, "a"); }), SSortedListError);
}

TEST(GStringList, FindReportsFirstOfEquals) {
  TGStringList list;
  for (const char* s : {"a", "b", "B", "b", "c"}) list.Add(s);  // mode 3: b == B
  list.SetDuplicates(dupAccept);
  list.SetSorted(true);
  list.SetDuplicates(dupIgnore);
  int32_t index = -1;
  EXPECT_TRUE(list.Find("b", index));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(list.IndexOf("B"), 1);
}

TEST(GStringList, CompareModeChangeResorts) {
  TGStringList list;
  list.SetCompareMode(0);
  for (const char* s : {"b", "A", "a", "B"}) list.Add(s);
  list.SetSorted(true);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"A", "B", "a", "b"}));
  list.SetCompareMode(1);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"A", "a", "B", "b"}));  // stable
}

TEST(GStringList, IndexErrors) {
  TGStringList list;
  list.Add("a");
  EXPECT_EQ(MessageOf<EListError>([&] { list.Get(1); }), "List index out of bounds (1)");
  EXPECT_EQ(MessageOf<EListError>([&] { list.Delete(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(MessageOf<EListError>([&] { list.Insert(2, "x"); }), "List index out of bounds (2)");
  EXPECT_EQ(MessageOf<EListError>([&] { list.PutData(3, nullptr); }), "List index out of bounds (3)");
  list.Insert(1, "b");
  list.Exchange(0, 1);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"b", "a"}));
}

TEST(GStringList, CapacityGrowth) {
  TGStringList list;
  std::vector<int32_t> capacities;
  for (int i = 0; i < 100; ++i) {
    const int32_t before = list.Capacity();
    list.Add(std::to_string(i));
    if (list.Capacity() != before) capacities.push_back(list.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int32_t>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
}

TEST(GStringList, TextAndSort) {
  TGStringList list;
  list.SetText("b\r\na\nc\r\rd");
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"b", "a", "c", "", "d"}));
  list.Sort();
  EXPECT_EQ(list.Text(), "\r\na\r\nb\r\nc\r\nd\r\n");
  list.CustomSort([](const TGStringList& l, int32_t a, int32_t b) {
    return l.Get(b).compare(l.Get(a));  // descending
  });
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"d", "c", "b", "a", ""}));
  list.Move(0, 4);
  EXPECT_EQ(list.Get(4), "d");
}

TEST(GStringList, ChangeEventsAndUpdateBracket) {
  TGStringList list;
  int changed = 0, changing = 0;
  list.OnChange = [&](TGStringList&) { ++changed; };
  list.OnChanging = [&](TGStringList&) { ++changing; };
  list.Add("a");
  list.Delete(0);
  EXPECT_EQ(changed, 2);
  EXPECT_EQ(changing, 2);
  list.Clear();  // empty: nothing
  EXPECT_EQ(changed, 2);
  list.BeginUpdate();
  list.Add("x");
  list.Add("y");
  list.EndUpdate();
  EXPECT_EQ(changed, 3);
  EXPECT_EQ(changing, 3);
}

TEST(GStringList, AssignCopiesDataModeButNotOwnership) {
  int freed = 0;
  TObject object;
  TGStringList source;
  source.SetCompareMode(1);
  source.SetFreeData(true);
  source.AddData("a", &object, new TTracked(&freed));
  {
    TGStringList copy;
    copy.Add("old");
    copy.Assign(&source);
    ASSERT_EQ(copy.Count(), 1);
    EXPECT_EQ(copy.Get(0), "a");
    EXPECT_EQ(copy.GetObject(0), &object);
    EXPECT_EQ(copy.GetData(0), source.GetData(0));
    EXPECT_EQ(copy.CompareMode(), 1);
    EXPECT_FALSE(copy.FreeData());  // the Data stays the source's
  }
  EXPECT_EQ(freed, 0);
  source.Clear();
  EXPECT_EQ(freed, 1);
}
