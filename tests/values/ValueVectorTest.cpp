// Multifields and the name-to-value table.
#include <gtest/gtest.h>

#include "core/Exceptions.h"
#include "values/IEValue.h"

namespace {

IValueVector VectorOf(std::initializer_list<IIEValue> items) {
  auto list = MakeRef<TValueVector>();
  for (const auto& item : items) list->Add(item);
  return list;
}

IIEValue A(const char* text) { return TIEValue::MakeAtom(text); }
IIEValue I(int32_t n) { return TIEValue::MakeInteger(n); }

}  // namespace

TEST(ValueVector, ListOperationsAndAddAll) {
  IValueVector v = VectorOf({A("a"), A("b")});
  IValueVector w = VectorOf({A("c")});
  v->AddAll(*w);
  EXPECT_EQ(v->AsText(), "a b c");
  EXPECT_EQ(v->Get(2).get(), w->Get(0).get());  // shared, not cloned
  v->AddAll(*v);
  EXPECT_EQ(v->AsText(), "a b c a b c");
  EXPECT_EQ(VectorOf({})->AsText(), "");
  EXPECT_EQ(VectorOf({nullptr, A("x")})->AsText(), " x");
}

TEST(ValueVector, Equality) {
  IValueVector v = VectorOf({A("a"), nullptr, I(1)});
  EXPECT_TRUE(v->Equals(VectorOf({A("a"), nullptr, I(1)})));
  EXPECT_FALSE(v->Equals(VectorOf({A("a"), nullptr})));
  EXPECT_FALSE(v->Equals(VectorOf({A("a"), A("b"), I(1)})));
  EXPECT_FALSE(v->Equals(VectorOf({A("a"), nullptr, TIEValue::MakeFloat(1)})));
  EXPECT_FALSE(v->Equals(static_cast<const TValueVector*>(nullptr)));
  EXPECT_TRUE(v->EqualsList(v.get()));
  TIList<TIEValue> plain;
  plain.Add(A("a"));
  plain.Add(nullptr);
  plain.Add(I(1));
  EXPECT_TRUE(v->EqualsList(&plain));
  plain.Add(I(2));
  EXPECT_FALSE(v->EqualsList(&plain));
  EXPECT_TRUE(v->IsEqual(VectorOf({A("a"), nullptr, I(1)}).get()));
  EXPECT_FALSE(v->IsEqual(A("a").get()));
}

TEST(ValueVector, CloneIsDeep) {
  IValueVector v = VectorOf({A("a"), nullptr, TIEValue::MakeList(VectorOf({I(1)}))});
  v->SetTag(3);
  IValueVector copy = v->Clone();
  EXPECT_TRUE(copy->Equals(v));
  EXPECT_EQ(copy->Tag(), 3);
  EXPECT_FALSE(copy->Get(1));
  EXPECT_NE(copy->Get(0).get(), v->Get(0).get());
  EXPECT_NE(&copy->Get(2)->ListRef(), &v->Get(2)->ListRef());
  copy->Get(2)->ListRef().Get(0)->SetAsInteger(9);
  EXPECT_EQ(v->AsText(), "a  1");
  EXPECT_THROW(copy->Assign(static_cast<const ICloneable&>(*A("x"))), EInvalidCast);
}

TEST(ValueVector, HashIsTheWrappingSum) {
  EXPECT_EQ(VectorOf({})->HashCode(), 0);
  EXPECT_EQ(VectorOf({I(1), nullptr, I(-4)})->HashCode(), -3);
  EXPECT_EQ(VectorOf({I(INT32_MIN), I(INT32_MIN)})->HashCode(), 0);
}

TEST(ValueHashTable, TextAndDeepAssign) {
  TValueHashTable table;
  table.Put("*x*", I(1));
  table.Put("*s*", TIEValue::MakeString("s"));
  std::string text = table.AsText();
  // One CR LF line per entry, in the table's enumeration order.
  std::string expected;
  auto keys = table.Keys();
  while (keys->HasNext()) {
    std::string key = keys->Next();
    expected += key + " = " + table.Get(key)->AsText() + "\r\n";
  }
  EXPECT_EQ(text, expected);
  EXPECT_NE(text.find("*x* = 1\r\n"), std::string::npos);
  EXPECT_NE(text.find("*s* = \"s\"\r\n"), std::string::npos);

  TValueHashTable copy;
  copy.Put("old", I(0));
  copy.Assign(&table);
  EXPECT_EQ(copy.Count(), 2);
  EXPECT_FALSE(copy.ContainsKey("old"));
  EXPECT_TRUE(copy.Get("*x*")->Equals(table.Get("*x*")));
  EXPECT_NE(copy.Get("*x*").get(), table.Get("*x*").get());
  EXPECT_EQ(copy.AsText(), text);
}
