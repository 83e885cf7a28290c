// Hashtables: growth, index functions, iteration order, cursor, enumerators,
// notifications, errors, assignment and the value-release hook.
#include "collections/GHashtable.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "collections/GLists.h"
#include "collections/Structures.h"
#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "support/ExceptionText.h"

namespace {

std::vector<int32_t> KeysOf(const TGHashtable& table) {
  std::vector<int32_t> keys;
  auto it = table.Keys();
  while (it->HasNext()) keys.push_back(int32_t(it->Next()));
  return keys;
}

std::vector<std::string> KeysOf(const TGStringHashtable& table) {
  std::vector<std::string> keys;
  auto it = table.Keys();
  while (it->HasNext()) keys.push_back(it->Next());
  return keys;
}

}  // namespace

TEST(GHashtable, ThresholdAndGrowth) {
  TGHashtable table(101, 0.75f);
  EXPECT_EQ(table.Threshold(), 76);
  for (int32_t k = 1; k <= 76; ++k) table.Put(k, k * 10);
  EXPECT_EQ(table.Capacity(), 101u);
  EXPECT_EQ(table.Count(), 76);
  table.Put(77, 770);
  EXPECT_EQ(table.Capacity(), 203u);
  EXPECT_EQ(table.Count(), 77);
  for (int32_t k = 1; k <= 77; ++k) EXPECT_EQ(table.Get(k), k * 10);
  // Growth continues 2n+1.
  for (int32_t k = 78; k <= 200; ++k) table.Put(k, k);
  EXPECT_EQ(table.Capacity(), 407u);
}

TEST(GHashtable, ThresholdRoundsHalfToEven) {
  TGHashtable a(5, 0.5f);  // 2.5 -> 2
  EXPECT_EQ(a.Threshold(), 2);
  TGHashtable b(7, 0.5f);  // 3.5 -> 4
  EXPECT_EQ(b.Threshold(), 4);
}

TEST(GHashtable, PutReplacesAndReturnsOld) {
  TGHashtable table;
  EXPECT_EQ(table.Put(5, 50), 0);
  EXPECT_EQ(table.Put(5, 51), 50);
  EXPECT_EQ(table.Count(), 1);
  EXPECT_EQ(table.Get(5), 51);
  EXPECT_TRUE(table.ContainsValue(51));
  EXPECT_FALSE(table.ContainsValue(50));
}

TEST(GHashtable, IndexFunctions) {
  TGHashtable table;
  EXPECT_EQ(table.TruncationHash(123456, 101), 52);        // 456 mod 101
  EXPECT_EQ(table.FoldingHash(1234567, 101), 13457 % 101);  // positions 0,2,3,4,6
  EXPECT_EQ(table.FoldingHash(1234567, 1000003), 13457);
  // 12345^2 = 152399025: 3 digits from position 9-4 = "902".
  EXPECT_EQ(table.MidSquareHash(12345, 101), 902 % 101);
  // Short squares are taken whole: 3^2 = 9.
  EXPECT_EQ(table.MidSquareHash(3, 101), 9);
  EXPECT_EQ(table.DivisionHash(-5, 101), int32_t((uint32_t(-5) & 0x7FFFFFFFu) % 101));
  EXPECT_EQ(table.TruncationHash(42, 101), 42);
  // The square wraps in 32 bits before the sign bit is cleared.
  const uint32_t sq = (70000u * 70000u) & 0x7FFFFFFFu;
  const std::string s = std::to_string(sq);
  const int h = int(s.size()) / 2;
  EXPECT_EQ(table.MidSquareHash(70000, 101), std::stoi(s.substr(s.size() - h, 3)) % 101);
}

TEST(GHashtable, HashByTypeAndNullKey) {
  TGHashtable table;
  EXPECT_EQ(table.Hash(123456, 101), 123456 % 101);
  table.SetHashType(htTruncation);
  EXPECT_EQ(table.Hash(123456, 101), 52);
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.Hash(0, 101); }), SArgumentIsNull);
  EXPECT_THROW(table.Hash(1, 0), EDivByZero);
}

TEST(GHashtable, EveryHashTypeStoresAndFinds) {
  for (TGHashType type : {htTruncation, htDivision, htMidSquare, htFolding}) {
    TGHashtable table;
    table.SetHashType(type);
    for (int32_t k = 1; k <= 500; ++k) table.Put(k * 7919, k);
    for (int32_t k = 1; k <= 500; ++k) ASSERT_EQ(table.Get(k * 7919), k) << int(type);
    EXPECT_EQ(table.Count(), 500);
    EXPECT_EQ(KeysOf(table).size(), 500u);
  }
}

TEST(GHashtable, IterationOrderBucketsDownChainsNewestFirst) {
  TGHashtable table;
  table.Put(5, 1);
  table.Put(3, 2);
  table.Put(1, 3);
  table.Put(102, 4);  // bucket 1 as well, in front of key 1
  table.Put(7, 5);
  EXPECT_EQ(KeysOf(table), (std::vector<int32_t>{7, 5, 3, 102, 1}));
  EXPECT_EQ(table.Collisions(), 1);
  std::vector<intptr_t> values;
  auto it = table.Elements();
  EXPECT_EQ(it->Remaining(), 5);
  while (it->HasNext()) values.push_back(it->Next());
  EXPECT_EQ(values, (std::vector<intptr_t>{5, 1, 2, 4, 3}));
  EXPECT_EQ(it->Remaining(), 0);
  EXPECT_EQ(it->Current(), 3);
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { it->Next(); }), SNoSuchElement);
  it->Reset();
  EXPECT_EQ(it->Next(), 5);
}

TEST(GHashtable, RehashOrder) {
  TGHashtable table(5, 10.0f);
  for (int32_t k : {1, 11, 21, 2}) table.Put(k, k);  // bucket 1: 21, 11, 1; bucket 2: 2
  EXPECT_EQ(KeysOf(table), (std::vector<int32_t>{2, 21, 11, 1}));
  EXPECT_EQ(table.Collisions(), 2);
  table.SetCapacity(10);
  // Moved from the highest bucket down, each chain from its front, every
  // entry in front of its new bucket: the chain of bucket 1 is reversed.
  EXPECT_EQ(KeysOf(table), (std::vector<int32_t>{2, 1, 11, 21}));
  EXPECT_EQ(table.Collisions(), 2);
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.SetCapacity(7); }), SNonEmptyTable);
  table.SetCapacity(10);  // same: nothing
  EXPECT_EQ(table.Count(), 4);
  for (int32_t k : {1, 11, 21, 2}) EXPECT_EQ(table.Get(k), k);
}

TEST(GHashtable, Errors) {
  TGHashtable table;
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.Get(1); }), STableIsEmpty);
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.Remove(1); }), STableIsEmpty);
  EXPECT_FALSE(table.ContainsKey(0));  // empty table: false before the null check
  table.Put(1, 10);
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.Get(2); }), SNoSuchElement);
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.Remove(2); }), SNoSuchElement);
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.Remove(0); }), SArgumentIsNull);
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.Put(0, 1); }), SArgumentIsNull);
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.ContainsKey(0); }), SArgumentIsNull);
  EXPECT_EQ(table.Find(2), nullptr);
  EXPECT_EQ(table.Count(), 1);
}

TEST(GHashtable, LoadFactorMustBePositive) {
  EXPECT_EQ(MessageOf<EGHashtableError>([] { TGHashtable t(101, 0.0f); }), SNonPositiveLoadFactor);
  EXPECT_EQ(MessageOf<EGHashtableError>([] { TGHashtable t(101, -1.0f); }), SNonPositiveLoadFactor);
  TGHashtable table;
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.SetLoadFactor(0.0f); }), SNonPositiveLoadFactor);
  table.SetLoadFactor(0.5f);
  EXPECT_EQ(table.Threshold(), 50);  // 50.5 -> 50
  EXPECT_EQ(table.Capacity(), 101u);
}

TEST(GHashtable, HashTypeOnlyWhileEmpty) {
  TGHashtable table;
  table.Put(1, 1);
  table.SetHashType(htDivision);  // the current value: accepted
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.SetHashType(htFolding); }), SNonEmptyTable);
  table.Clear();
  table.SetHashType(htFolding);
  EXPECT_EQ(table.HashType(), htFolding);
}

TEST(GHashtable, RemoveUnlinksAndCountsCollisions) {
  TGHashtable table;
  table.Put(1, 1);
  table.Put(102, 2);
  table.Put(203, 3);  // bucket 1: 203, 102, 1
  EXPECT_EQ(table.Collisions(), 2);
  EXPECT_EQ(table.Remove(102), 2);  // middle
  EXPECT_EQ(table.Collisions(), 1);
  EXPECT_EQ(table.Remove(203), 3);  // first with a successor
  EXPECT_EQ(table.Collisions(), 0);
  EXPECT_EQ(KeysOf(table), (std::vector<int32_t>{1}));
  EXPECT_EQ(table.Remove(1), 1);
  EXPECT_TRUE(table.IsEmpty());
}

TEST(GHashtable, ChangeNotifications) {
  TGHashtable table;
  int changes = 0;
  table.OnChange = [&](TGCustomHashtable& sender) {
    EXPECT_EQ(&sender, &table);
    ++changes;
  };
  table.Clear();
  EXPECT_EQ(changes, 0);  // empty: no notification
  table.Put(1, 1);
  table.Put(1, 2);
  table.Remove(1);
  EXPECT_EQ(changes, 3);
  table.BeginUpdate();
  table.BeginUpdate();
  for (int32_t k = 1; k <= 100; ++k) table.Put(k, k);  // grows, too
  table.EndUpdate();
  EXPECT_EQ(changes, 3);
  table.EndUpdate();
  EXPECT_EQ(changes, 4);
  table.Clear();
  EXPECT_EQ(changes, 5);
  // A put that grows the table is still one change.
  TGHashtable small(1, 1.0f);
  int smallChanges = 0;
  small.OnChange = [&](TGCustomHashtable&) { ++smallChanges; };
  small.Put(1, 1);
  small.Put(2, 2);
  EXPECT_EQ(small.Capacity(), 3u);
  EXPECT_EQ(smallChanges, 2);
}

// The change stamp moves with every change of the entries, inside update
// brackets too, and not with lookups, failed changes or growth alone.
TEST(GHashtable, ChangeStampCountsEntryChanges) {
  TGStringHashtable table(3, 1.0f);
  uint64_t stamp = table.ChangeStamp();
  auto moved = [&] {
    const uint64_t now = table.ChangeStamp();
    const uint64_t by = now - stamp;
    stamp = now;
    return by;
  };
  table.Put("a", 1);
  EXPECT_EQ(moved(), 1u);
  table.Put("a", 2);  // another value
  EXPECT_EQ(moved(), 1u);
  table.BeginUpdate();
  for (const char* key : {"b", "c", "d", "e"}) table.Put(key, 3);  // grows on the way
  table.EndUpdate();
  EXPECT_EQ(moved(), 4u);
  (void)table.Find("b");
  (void)table.ContainsKey("zz");
  table.SetCapacity(table.Capacity() * 2 + 1);
  EXPECT_EQ(moved(), 0u);
  EXPECT_THROW(table.Remove("zz"), EGHashtableError);
  EXPECT_THROW(table.Put("", 1), EGHashtableError);
  EXPECT_EQ(moved(), 0u);
  table.Remove("b");
  EXPECT_EQ(moved(), 1u);
  table.Clear();
  EXPECT_GE(moved(), 1u);
  table.Clear();  // empty: no change
  EXPECT_EQ(moved(), 0u);
}

TEST(GHashtable, OwnerIsToldBeforeAndAfter) {
  struct TOwner : IHashTableOwner {
    std::vector<std::string> log;
    void Changed(TGCustomHashtable&) override { log.push_back("changed"); }
    void BeforePut(TGCustomHashtable&, intptr_t key, intptr_t) override {
      log.push_back("put " + std::to_string(key));
    }
    void BeforeRemove(TGCustomHashtable&, intptr_t key) override {
      log.push_back("remove " + std::to_string(key));
    }
    void BeforeClear(TGCustomHashtable&) override { log.push_back("clear"); }
  } owner;
  TGHashtable table;
  table.SetOwner(&owner);
  table.Put(4, 1);
  table.Remove(4);
  table.Put(5, 1);
  table.Clear();
  EXPECT_EQ(owner.log, (std::vector<std::string>{"put 4", "changed", "remove 4", "changed",
                                                  "put 5", "changed", "clear", "changed"}));
}

TEST(GHashtable, BuiltInCursor) {
  TGHashtable table;
  for (int32_t k : {3, 1, 2}) table.Put(k, k);
  std::vector<int32_t> seen;
  table.First();
  while (!table.Eof()) seen.push_back(table.NextElement());
  EXPECT_EQ(seen, (std::vector<int32_t>{3, 2, 1}));
  EXPECT_EQ(table.NextElement(), 0);
  // Removing the key just returned keeps the walk going.
  seen.clear();
  table.First();
  while (!table.Eof()) {
    const int32_t k = table.NextElement();
    seen.push_back(k);
    table.Remove(k);
  }
  EXPECT_EQ(seen, (std::vector<int32_t>{3, 2, 1}));
  EXPECT_TRUE(table.IsEmpty());
}

TEST(GHashtable, AssignCopiesSettingsAndOrder) {
  TGHashtable source(11, 0.5f);
  source.SetHashType(htFolding);
  for (int32_t k : {10, 20, 30, 40, 50, 60}) source.Put(k, k + 1);
  TGHashtable copy;
  copy.Put(999, 1);
  int changes = 0;
  copy.OnChange = [&](TGCustomHashtable&) { ++changes; };
  copy.Assign(&source);
  EXPECT_EQ(copy.HashType(), htFolding);
  EXPECT_FLOAT_EQ(copy.LoadFactor(), 0.5f);
  EXPECT_EQ(copy.Count(), 6);
  EXPECT_FALSE(copy.ContainsKey(999));
  EXPECT_EQ(copy.Get(30), 31);
  EXPECT_EQ(changes, 2);  // the clear, then the bracket of puts
  TGStringHashtable other;
  EXPECT_THROW(copy.Assign(&other), EConvertError);

  TGLinkedList list;
  source.AssignTo(list);
  ASSERT_EQ(list.Count(), 6);
  EXPECT_EQ(reinterpret_cast<intptr_t>(list.GetItem(0)), KeysOf(source)[0]);
}

TEST(GHashtable, PublishedProperties) {
  TGHashtable table;
  std::vector<TProperty> props;
  table.Properties(props);
  ASSERT_EQ(props.size(), 3u);
  EXPECT_EQ(props[0].Name, "Capacity");
  EXPECT_EQ(props[0].Kind, pkInteger);
  EXPECT_EQ(std::get<int64_t>(*props[0].Default), 101);
  EXPECT_EQ(props[1].Name, "HashType");
  EXPECT_EQ(props[1].Kind, pkEnum);
  EXPECT_EQ((*props[1].EnumNames)[std::get<int64_t>(*props[1].Default)], "htDivision");
  EXPECT_EQ(props[2].Name, "LoadFactor");
  EXPECT_EQ(props[2].Kind, pkFloat);
  EXPECT_FALSE(props[2].Default.has_value());
  props[0].Set(int64_t(203));
  props[1].Set(int64_t(htMidSquare));
  props[2].Set(0.5);
  EXPECT_EQ(table.Capacity(), 203u);
  EXPECT_EQ(table.HashType(), htMidSquare);
  EXPECT_DOUBLE_EQ(std::get<double>(props[2].Get()), 0.5);
}

TEST(GStringHashtable, StringNumber) {
  EXPECT_EQ(TGStringHashtable::StringNumber(""), 0u);
  EXPECT_EQ(TGStringHashtable::StringNumber("ab"), 97u * 37u + 98u);
  // 16 bytes: step 2, bytes 1, 3, 5, ... (1-based) with factor 39.
  const std::string s = "abcdefghijklmnop";
  uint32_t h = 0;
  for (size_t i = 0; i < s.size(); i += 2) h = h * 39u + uint8_t(s[i]);
  EXPECT_EQ(TGStringHashtable::StringNumber(s), h);
  // Bytes are unsigned.
  EXPECT_EQ(TGStringHashtable::StringNumber("\xff"), 255u);
}

TEST(GStringHashtable, PutGetRemove) {
  TGStringHashtable table;
  EXPECT_EQ(table.Put("alpha", 1), 0);
  EXPECT_EQ(table.Put("beta", 2), 0);
  EXPECT_EQ(table.Put("alpha", 3), 1);
  EXPECT_EQ(table.Count(), 2);
  EXPECT_EQ(table.Get("alpha"), 3);
  EXPECT_TRUE(table.ContainsKey("beta"));
  EXPECT_FALSE(table.ContainsKey("Beta"));  // case-sensitive
  EXPECT_FALSE(table.ContainsKey(""));
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.Put("", 1); }), SArgumentIsNull);
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.Remove(""); }), SArgumentIsNull);
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.Get("gamma"); }), SNoSuchElement);
  ASSERT_NE(table.Find("beta"), nullptr);
  EXPECT_EQ(*table.Find("beta"), 2);
  EXPECT_EQ(table.Find(""), nullptr);
  EXPECT_EQ(table.Remove("alpha"), 3);
  EXPECT_EQ(KeysOf(table), (std::vector<std::string>{"beta"}));
}

TEST(GStringHashtable, LongAndCollidingKeys) {
  TGStringHashtable table;
  // Long keys differing only in unsampled bytes share a number.
  const std::string a = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string b = a;
  b[1] = 'X';
  ASSERT_EQ(TGStringHashtable::StringNumber(a), TGStringHashtable::StringNumber(b));
  table.Put(a, 1);
  table.Put(b, 2);
  EXPECT_EQ(table.Count(), 2);
  EXPECT_EQ(table.Get(a), 1);
  EXPECT_EQ(table.Get(b), 2);
  EXPECT_EQ(KeysOf(table), (std::vector<std::string>{b, a}));  // newest first
  for (int i = 0; i < 1000; ++i) table.Put("key" + std::to_string(i), i);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(table.Get("key" + std::to_string(i)), i);
  EXPECT_EQ(table.Get(b), 2);
}

TEST(GStringHashtable, CursorAndEnumerators) {
  TGStringHashtable table;
  for (const char* k : {"one", "two", "three"}) table.Put(k, 1);
  std::vector<std::string> cursor;
  table.First();
  while (!table.Eof()) cursor.push_back(table.NextElement());
  EXPECT_EQ(cursor, KeysOf(table));
  EXPECT_EQ(cursor.size(), 3u);
  TGStringHashTableEnumerator values(&table, false);
  EXPECT_TRUE(values.HasNext());
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { values.Next(); }), SIllegalNextElement);
  auto keys = table.Keys();
  while (keys->HasNext()) keys->Next();
  EXPECT_EQ(keys->Current(), cursor.back());
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { keys->Next(); }), SNoSuchElement);
}

TEST(GStringHashtable, AssignFromTableAndStringList) {
  TGStringHashtable source;
  for (const char* k : {"a", "b", "c"}) source.Put(k, intptr_t(k[0]));
  TGStringHashtable copy;
  copy.Assign(&source);
  EXPECT_EQ(KeysOf(copy), KeysOf(source));
  EXPECT_EQ(copy.Get("b"), intptr_t('b'));

  TGStringList list;
  TObject marker;
  list.AddObject("x", &marker);
  list.Add("y");
  copy.Assign(&list);
  EXPECT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.Get("x"), reinterpret_cast<intptr_t>(&marker));

  TGStringList out;
  out.Add("stale");
  source.AssignTo(out);
  ASSERT_EQ(out.Count(), 3);
  const std::vector<std::string> order = KeysOf(source);
  for (int32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(out.Get(i), order[size_t(i)]);
    EXPECT_EQ(reinterpret_cast<intptr_t>(out.GetObject(i)), intptr_t(order[size_t(i)][0]));
  }
  // Through the generic assignment, too.
  TGStringList viaAssign;
  viaAssign.Assign(&source);
  EXPECT_EQ(viaAssign.Count(), 3);
}

namespace {

// A table that owns its values, as the binding table does.
class TOwningTable : public TGStringHashtable {
 public:
  explicit TOwningTable(int* freed) : freed_(freed) {}
  ~TOwningTable() override { Clear(); }

 protected:
  void FreeValue(intptr_t value) override {
    ++*freed_;
    std::unique_ptr<std::string> owned(reinterpret_cast<std::string*>(value));
  }

 private:
  int* freed_;
};

}  // namespace

TEST(GStringHashtable, FreeValueReleasesWhatEntriesHold) {
  int freed = 0;
  {
    TOwningTable table(&freed);
    for (int i = 0; i < 10; ++i)
      table.Put("k" + std::to_string(i), reinterpret_cast<intptr_t>(new std::string("v")));
    table.Remove("k3");
    EXPECT_EQ(freed, 1);
    table.Clear();
    EXPECT_EQ(freed, 10);
    table.Put("again", reinterpret_cast<intptr_t>(new std::string("w")));
  }
  EXPECT_EQ(freed, 11);
}

TEST(GHashtable, ZeroCapacity) {
  TGHashtable table;
  table.SetCapacity(0);
  EXPECT_EQ(table.Capacity(), 0u);
  EXPECT_THROW(table.Put(1, 1), EDivByZero);
  EXPECT_EQ(table.Find(1), nullptr);
  table.SetCapacity(7);
  table.Put(1, 1);
  EXPECT_EQ(table.Get(1), 1);
}
