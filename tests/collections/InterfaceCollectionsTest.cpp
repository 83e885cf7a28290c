// Interface lists, queue and stack, the interface table and string list, the
// list iterator: notifications, ownership of references, order and errors.
#include "collections/InterfaceCollections.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "support/ExceptionText.h"

namespace {

// Counts its live instances, so tests can see references being released.
class TItem : public TRefCounted {
 public:
  explicit TItem(std::string name, int* live = nullptr) : name_(std::move(name)), live_(live) {
    if (live_) ++*live_;
  }
  ~TItem() override {
    if (live_) --*live_;
  }
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
  int* live_;
};
using IItem = TRef<TItem>;

class TLoggingList : public TIList<TItem> {
 public:
  std::vector<std::string> log;

 protected:
  void Notify(const IItem& item, TListNotification action) override {
    log.push_back((action == lnAdded ? "+" : "-") + (item ? item->Name() : std::string("none")));
  }
};

}  // namespace

TEST(IList, AddInsertDeleteNotify) {
  TLoggingList list;
  EXPECT_EQ(list.Add(MakeRef<TItem>("a")), 0);
  EXPECT_EQ(list.Add(MakeRef<TItem>("c")), 1);
  list.Insert(1, MakeRef<TItem>("b"));
  list.Add(nullptr);
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Get(1)->Name(), "b");
  EXPECT_EQ(list.Last(), nullptr);
  list.Delete(3);
  EXPECT_EQ(list.log, (std::vector<std::string>{"+a", "+c", "+b", "+none", "-none"}));
  list.log.clear();
  list.Clear();
  EXPECT_EQ(list.log, (std::vector<std::string>{"-a", "-b", "-c"}));
  EXPECT_TRUE(list.IsEmpty());
}

TEST(IList, ReferencesAreHeldAndReleased) {
  int live = 0;
  IItem kept = MakeRef<TItem>("kept", &live);
  {
    TIList<TItem> list;
    list.Add(kept);
    list.Add(MakeRef<TItem>("temp", &live));
    EXPECT_EQ(live, 2);
    EXPECT_EQ(kept->RefCount(), 2);
    list.Delete(1);
    EXPECT_EQ(live, 1);
    list.Add(MakeRef<TItem>("again", &live));
    list.Put(1, kept);  // replaces and releases "again"
    EXPECT_EQ(live, 1);
    EXPECT_EQ(kept->RefCount(), 3);
  }
  EXPECT_EQ(kept->RefCount(), 1);
  EXPECT_EQ(live, 1);
}

TEST(IList, IndexOfIsIdentityAndRemove) {
  TLoggingList list;
  IItem a = MakeRef<TItem>("x");
  IItem b = MakeRef<TItem>("x");
  list.Add(a);
  list.Add(b);
  EXPECT_EQ(list.IndexOf(b), 1);
  EXPECT_EQ(list.IndexOf(b.get()), 1);
  EXPECT_EQ(list.IndexOf(MakeRef<TItem>("x")), -1);
  EXPECT_EQ(list.Remove(a), 0);
  EXPECT_EQ(list.Remove(a), -1);
  EXPECT_EQ(list.First(), b);
}

TEST(IList, IndexErrors) {
  TIList<TItem> list;
  EXPECT_EQ(MessageOf<EListError>([&] { list.Get(0); }), "List index out of bounds (0)");
  EXPECT_EQ(MessageOf<EListError>([&] { list.Delete(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(MessageOf<EListError>([&] { list.Insert(1, nullptr); }), "List index out of bounds (1)");
  EXPECT_EQ(MessageOf<EListError>([&] { list.First(); }), "List index out of bounds (0)");
  list.Insert(0, nullptr);
  EXPECT_EQ(list.Count(), 1);
}

TEST(IList, AssignAndClone) {
  TLoggingList source;
  source.Add(MakeRef<TItem>("a"));
  source.Add(MakeRef<TItem>("b"));
  TLoggingList target;
  target.Add(MakeRef<TItem>("old"));
  target.log.clear();
  target.Assign(&source);
  EXPECT_EQ(target.log, (std::vector<std::string>{"-old", "+a", "+b"}));
  EXPECT_EQ(target.Get(0), source.Get(0));  // shared, not copied
  EXPECT_EQ(MessageOf<EConvertError>([&] { target.Assign(static_cast<const TPersistent*>(nullptr)); }),
            "Cannot assign a nil to a TIList");
  TIList<TItem> other;
  EXPECT_EQ(MessageOf<EConvertError>([&] { source.AssignTo(other); }),
            "Cannot assign a TIList to a TIList");
  auto clone = source.CloneList();
  ASSERT_EQ(clone->Count(), 2);
  EXPECT_EQ(clone->Get(1), source.Get(1));
}

TEST(IQueueStack, PopOrderAndEmpty) {
  TIQueue<TItem> queue;
  TIStack<TItem> stack;
  for (const char* n : {"a", "b", "c"}) {
    queue.Push(MakeRef<TItem>(n));
    stack.Push(MakeRef<TItem>(n));
  }
  EXPECT_EQ(queue.Peek()->Name(), "a");
  EXPECT_EQ(stack.Peek()->Name(), "c");
  EXPECT_EQ(queue.Pop()->Name(), "a");
  EXPECT_EQ(stack.Pop()->Name(), "c");
  EXPECT_EQ(queue.Count(), 2);
  EXPECT_EQ(stack.Pop()->Name(), "b");
  EXPECT_EQ(stack.Pop()->Name(), "a");
  EXPECT_TRUE(stack.IsEmpty());
  EXPECT_EQ(MessageOf<EListError>([&] { stack.Pop(); }), "list is empty");
  EXPECT_EQ(MessageOf<EListError>([&] { stack.Peek(); }), "list is empty");
  queue.Clear();
  EXPECT_EQ(MessageOf<EListError>([&] { queue.Pop(); }), "list is empty");
}

TEST(IStringHashTable, GetPutReplaceRemove) {
  int live = 0;
  TIStringHashTable table;
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.Get("x"); }), STableIsEmpty);
  table.Put("a", MakeRef<TItem>("a1", &live));
  table.Put("b", MakeRef<TItem>("b1", &live));
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.Get("zz"); }), "No such element: zz");
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.Put("", nullptr); }), SArgumentIsNull);
  TRef<TRefCounted> old;
  table.PutValue("a", MakeRef<TItem>("a2", &live), old);
  ASSERT_TRUE(old);
  EXPECT_EQ(static_cast<TItem*>(old.get())->Name(), "a1");
  EXPECT_EQ(table.Count(), 2);
  old = nullptr;
  EXPECT_EQ(live, 2);  // a1 released once Old let go
  table.PutValue("c", MakeRef<TItem>("c1", &live), old);
  EXPECT_FALSE(old);
  EXPECT_EQ(static_cast<TItem*>(table.Get("a").get())->Name(), "a2");
  EXPECT_EQ(static_cast<TItem*>(table.Find("c"))->Name(), "c1");
  EXPECT_EQ(table.Find("nope"), nullptr);

  TRef<TRefCounted> removed = table.Remove("b");
  EXPECT_EQ(static_cast<TItem*>(removed.get())->Name(), "b1");
  EXPECT_EQ(live, 3);
  removed = nullptr;
  EXPECT_EQ(live, 2);
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.Remove("b"); }), "No such element: b");
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.Remove(""); }), SArgumentIsNull);
  table.Clear();
  EXPECT_EQ(live, 0);
}

TEST(IStringHashTable, DestructionReleasesValues) {
  int live = 0;
  {
    TIStringHashTable table;
    for (int i = 0; i < 200; ++i)
      table.Put("k" + std::to_string(i), MakeRef<TItem>("v", &live));  // grows twice
    EXPECT_EQ(live, 200);
  }
  EXPECT_EQ(live, 0);
}

TEST(IStringHashTable, EnumeratorsAndAssign) {
  TIStringHashTable table;
  for (const char* k : {"x", "y", "z"}) table.Put(k, MakeRef<TItem>(std::string(k) + "!"));
  std::vector<std::string> keys;
  auto k = table.Keys();
  while (k->HasNext()) keys.push_back(k->Next());
  std::vector<std::string> values;
  auto v = table.Values();
  EXPECT_EQ(v->Remaining(), 3);
  while (v->HasNext()) values.push_back(static_cast<TItem*>(v->Next().get())->Name());
  ASSERT_EQ(keys.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(values[i], keys[i] + "!");
  EXPECT_EQ(static_cast<TItem*>(v->Current().get())->Name(), values.back());
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { v->Next(); }), SNoSuchElement);

  TIStringHashTable copy(11, 0.5f);
  copy.Put("stale", nullptr);
  int changes = 0;
  copy.OnChange = [&](TGCustomHashtable&) { ++changes; };
  copy.Assign(&table);
  EXPECT_EQ(changes, 2);
  EXPECT_FALSE(copy.ContainsKey("stale"));
  EXPECT_EQ(copy.Capacity(), table.Capacity());
  EXPECT_FLOAT_EQ(copy.LoadFactor(), 0.75f);
  EXPECT_EQ(copy.Get("y"), table.Get("y"));  // shared
  EXPECT_EQ(table.Get("y")->RefCount(), 3);  // two tables and the temporary

  TIStringList list;
  list.AddInterface("p", MakeRef<TItem>("P"));
  copy.Assign(&list);
  EXPECT_EQ(copy.Count(), 1);
  EXPECT_EQ(static_cast<TItem*>(copy.Get("p").get())->Name(), "P");
}

namespace {

// A registry that refuses to replace an existing name.
class TUniqueTable : public TIStringHashTableOf<TItem> {
 public:
  void PutValue(std::string_view key, const TRef<TRefCounted>& value,
                TRef<TRefCounted>& old) override {
    if (ContainsKey(key)) throw EIEException("duplicate " + std::string(key));
    TIStringHashTableOf<TItem>::PutValue(key, value, old);
  }
};

}  // namespace

TEST(IStringHashTableOf, TypedFaceAndDuplicateRule) {
  TUniqueTable table;
  IItem a = MakeRef<TItem>("A");
  table.Put("a", a);
  EXPECT_EQ(table.Get("a"), a);
  EXPECT_EQ(table.Find("a"), a.get());
  EXPECT_EQ(MessageOf<EIEException>([&] { table.Put("a", MakeRef<TItem>("B")); }), "duplicate a");
  EXPECT_EQ(table.Remove("a"), a);
  EXPECT_EQ(table.Exchange("a", a), nullptr);
  EXPECT_EQ(a->RefCount(), 2);
}

TEST(IStringList, InterfacesLiveWithTheirLines) {
  int live = 0;
  {
    TIStringList list;
    list.SetSorted(true);
    list.AddInterface("b", MakeRef<TItem>("B", &live));
    list.AddInterface("a", MakeRef<TItem>("A", &live));
    EXPECT_EQ(list.Get(0), "a");
    EXPECT_EQ(static_cast<TItem*>(list.GetInterface(0).get())->Name(), "A");
    EXPECT_EQ(live, 2);
    list.Delete(0);
    EXPECT_EQ(live, 1);
    list.PutInterface(0, nullptr);
    EXPECT_EQ(live, 0);
    list.PutInterface(0, MakeRef<TItem>("C", &live));
    EXPECT_EQ(MessageOf<EListError>([&] { list.GetInterface(5); }), "List index out of bounds (5)");
    EXPECT_EQ(MessageOf<EListError>([&] { list.Insert(0, "x"); }), SSortedListError);
    list.SetDuplicates(dupError);
    EXPECT_EQ(MessageOf<EListError>([&] { list.AddInterface("b", nullptr); }), SDuplicateString);
  }
  EXPECT_EQ(live, 0);
}

TEST(ListIterator, WalksAPointerList) {
  int a = 0, b = 0;
  std::vector<void*> items{&a, &b};
  TListIterator it(&items);
  EXPECT_EQ(it.Remaining(), 2);
  EXPECT_THROW(it.Current(), EListError);
  ASSERT_TRUE(it.HasNext());
  EXPECT_EQ(it.Next(), reinterpret_cast<intptr_t>(&a));
  EXPECT_EQ(it.Next(), reinterpret_cast<intptr_t>(&b));
  EXPECT_EQ(it.Current(), reinterpret_cast<intptr_t>(&b));
  EXPECT_FALSE(it.HasNext());
  EXPECT_THROW(it.Next(), EListError);
  it.Reset();
  EXPECT_EQ(it.Next(), reinterpret_cast<intptr_t>(&a));
}
