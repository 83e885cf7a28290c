// The typed string table: items go in and come out as pointers of their own
// type, in the untyped table's iteration order, and FreeItem sees each item
// that Remove or Clear frees.
#include "collections/GStringTableOf.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "support/ExceptionText.h"

namespace {

struct TItem {
  std::string Text;
};

// Owns its items: frees them as they leave and when it goes.
class TOwningItems : public TGStringTableOf<TItem> {
 public:
  explicit TOwningItems(std::vector<std::string>* freed) : freed_(freed) {}
  ~TOwningItems() override { Clear(); }

 protected:
  void FreeItem(TItem* item) override {
    freed_->push_back(item->Text);
    delete item;
  }

 private:
  std::vector<std::string>* freed_;
};

TEST(GStringTableOf, FindGetPutAndVisitTyped) {
  TItem a{"a"}, b{"b"}, c{"c"};
  TGStringTableOf<TItem> table;
  EXPECT_EQ(table.FindItem("a"), nullptr);
  EXPECT_EQ(table.PutItem("a", &a), nullptr);
  table.PutItem("b", &b);
  EXPECT_EQ(table.PutItem("a", &c), &a) << "the previous item comes back";
  EXPECT_EQ(table.FindItem("a"), &c);
  EXPECT_EQ(table.GetItem("b"), &b);
  EXPECT_EQ(MessageOf<EGHashtableError>([&] { table.GetItem("zz"); }), SNoSuchElement);

  std::vector<std::string> visited;
  table.ForEachItem([&](const std::string& key, TItem* item) { visited.push_back(key + "=" + item->Text); });
  std::vector<std::string> keys;
  for (IStringIteratorRef it = table.Keys(); it->HasNext();) keys.push_back(it->Next());
  ASSERT_EQ(visited.size(), keys.size());
  for (size_t i = 0; i < keys.size(); ++i)
    EXPECT_EQ(visited[i].substr(0, keys[i].size()), keys[i]) << "the table's own order";
  EXPECT_EQ(table.Count(), 2);
}

TEST(GStringTableOf, FreeItemSeesWhatRemoveAndClearFree) {
  std::vector<std::string> freed;
  {
    TOwningItems table(&freed);
    table.PutItem("x", new TItem{"x"});
    table.PutItem("y", new TItem{"y"});
    table.PutItem("z", new TItem{"z"});
    table.Remove("y");
    EXPECT_EQ(freed, std::vector<std::string>{"y"});
    table.Clear();
    EXPECT_EQ(freed.size(), 3u);
    table.PutItem("w", new TItem{"w"});
  }
  EXPECT_EQ(freed.size(), 4u);
  EXPECT_EQ(freed.back(), "w") << "the owner's destructor clears what is left";
}

}  // namespace
