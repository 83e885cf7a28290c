// Values: conversions, comparison, printing, copying and hashing.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

#include "core/Exceptions.h"
#include "support/ExceptionText.h"
#include "values/IEValue.h"

namespace {

IIEValue ListOf(std::initializer_list<IIEValue> items) {
  auto list = MakeRef<TValueVector>();
  for (const auto& item : items) list->Add(item);
  return TIEValue::MakeList(list);
}

class THostObject : public TObject {
 public:
  std::string ClassName() const override { return "THostObject"; }
};

// A fact with one slot "items" holding a list and one slot "name".
class TTestFact : public TCustomFact {
 public:
  explicit TTestFact(int32_t id) : id_(id) {}
  int32_t ID() const override { return id_; }
  std::string AsText() const override { return "(test)"; }
  int32_t HashCode() const override { return id_; }
  bool Equals(const TCustomFact* other) const override { return other && other->ID() == id_; }
  IIEValue GetSlotValue(const std::string& slotName) override {
    if (slotName == "items") return ListOf({TIEValue::MakeAtom("x"), TIEValue::MakeAtom("y")});
    if (slotName == "name") return TIEValue::MakeString("n" + std::to_string(id_));
    return nullptr;
  }
  void Assign(const ICloneable& source) override {
    id_ = dynamic_cast<const TTestFact&>(source).id_;
  }
  TRef<ICloneable> CloneObject() const override { return MakeRef<TTestFact>(id_); }
  bool IsEqual(const ICloneable* other) const override {
    auto* f = dynamic_cast<const TCustomFact*>(other);
    return f && Equals(f);
  }

 private:
  int32_t id_;
};

}  // namespace

TEST(IEValue, SizeAndInitialState) {
  EXPECT_EQ(sizeof(TIEValue), 32u);
  auto v = MakeRef<TIEValue>();
  EXPECT_EQ(v->DType(), dtNone);
  EXPECT_EQ(v->Tag(), 0);
  EXPECT_EQ(v->AsText(), "");
}

TEST(IEValue, TextGettersAndConversions) {
  EXPECT_EQ(TIEValue::MakeAtom("abc")->AsString(), "abc");
  EXPECT_EQ(TIEValue::MakeVariable("x")->AsVariable(), "x");  // no "?" added
  EXPECT_EQ(TIEValue::MakeInteger(-42)->AsString(), "-42");
  EXPECT_EQ(TIEValue::MakeFloat(2.5)->AsString(), "2.5");
  EXPECT_EQ(MessageOf<EIEException>([] { TIEValue::MakeFactId(3)->AsString(); }),
            "Not a string.  Value Type is dtFactId");
  EXPECT_EQ(MessageOf<EIEException>([] { TIEValue::MakeInteger(1)->TextView(); }),
            "Not a string.  Value Type is dtInteger");
}

TEST(IEValue, IntegerConversions) {
  EXPECT_EQ(TIEValue::MakeFloat(-2.7)->AsInteger(), -2);
  EXPECT_EQ(TIEValue::MakeFloat(2.7)->AsInteger(), 2);
  EXPECT_EQ(TIEValue::MakeFactId(9)->AsInteger(), 9);
  EXPECT_EQ(TIEValue::MakeDescriptor(4)->AsInteger(), 4);
  EXPECT_EQ(TIEValue::MakeAtom("$1F")->AsInteger(), 31);
  EXPECT_EQ(TIEValue::MakeString("  -17")->AsInteger(), -17);
  EXPECT_EQ(TIEValue::MakeString("+8")->AsInteger(), 8);
  EXPECT_EQ(TIEValue::MakeString("$FFFFFFFF")->AsInteger(), -1);
  EXPECT_EQ(TIEValue::MakeString("-2147483648")->AsInteger(), INT32_MIN);
  for (const char* bad : {"12x", "", " ", "1 ", "$", "2147483648", "1.5", "0x10", "$1G"})
    EXPECT_EQ(MessageOf<EIEException>([&] { TIEValue::MakeAtom(bad)->AsInteger(); }),
              "Not a integer.  Value Type is dtAtom")
        << bad;
  // Floats beyond 32 bits, and NaN, are refused rather than wrapped.
  EXPECT_EQ(MessageOf<EIEException>([] { TIEValue::MakeFloat(3e9)->AsInteger(); }),
            "Not a integer.  Value Type is dtFloat");
  EXPECT_EQ(MessageOf<EIEException>([] { TIEValue::MakeFloat(std::nan(""))->AsInteger(); }),
            "Not a integer.  Value Type is dtFloat");
  EXPECT_EQ(MessageOf<EIEException>([] { TIEValue::MakeVariable("1")->AsInteger(); }),
            "Not a integer.  Value Type is dtVariable");
}

TEST(IEValue, NumericConversions) {
  EXPECT_DOUBLE_EQ(TIEValue::MakeInteger(3)->AsNumeric(), 3.0);
  EXPECT_DOUBLE_EQ(TIEValue::MakeString(" 1.5e2 ")->AsFloat(), 150.0);
  EXPECT_DOUBLE_EQ(TIEValue::MakeAtom("-.5")->AsFloat(), -0.5);
  EXPECT_DOUBLE_EQ(TIEValue::MakeAtom("7.")->AsFloat(), 7.0);
  for (const char* bad : {"1.5x", "", "e5", "1e", "inf", "nan", "0x1p3", "."})
    EXPECT_EQ(MessageOf<EIEException>([&] { TIEValue::MakeString(bad)->AsNumeric(); }),
              "Not a numeric.  Value Type is dtString")
        << bad;
  EXPECT_EQ(MessageOf<EIEException>([] { TIEValue::MakeObject(nullptr)->AsFloat(); }),
            "Not a numeric.  Value Type is dtObject");
}

// A text beyond the range of a float reads as its magnitude says: infinity
// when too large (whatever the digits before the exponent), zero when too small.
TEST(IEValue, NumbersOutOfRangeReadAsInfinityOrZero) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(TIEValue::MakeAtom("1e999")->AsFloat(), inf);
  EXPECT_EQ(TIEValue::MakeAtom("-1e999")->AsFloat(), -inf);
  EXPECT_EQ(TIEValue::MakeString("123456789e305")->AsFloat(), inf);
  EXPECT_EQ(TIEValue::MakeAtom("0.00000000001e320")->AsFloat(), inf) << "1e309";
  EXPECT_EQ(TIEValue::MakeAtom("1e99999999999999999999")->AsFloat(), inf);
  EXPECT_EQ(TIEValue::MakeAtom("1e-999")->AsFloat(), 0.0);
  EXPECT_EQ(TIEValue::MakeAtom("-1000e-330")->AsFloat(), 0.0);
  EXPECT_EQ(TIEValue::MakeAtom("0e99999")->AsFloat(), 0.0);
  EXPECT_EQ(TIEValue::MakeAtom("1.5e308")->AsFloat(), 1.5e308) << "in range";
}

TEST(IEValue, FactIdRoundsTiesToEven) {
  EXPECT_EQ(TIEValue::MakeFloat(2.5)->AsFactId(), 2);
  EXPECT_EQ(TIEValue::MakeFloat(3.5)->AsFactId(), 4);
  EXPECT_EQ(TIEValue::MakeFloat(-2.5)->AsFactId(), -2);
  EXPECT_EQ(TIEValue::MakeFloat(2.6)->AsFactId(), 3);
  EXPECT_EQ(TIEValue::MakeInteger(5)->AsFactId(), 5);
  EXPECT_EQ(MessageOf<EIEException>([] { TIEValue::MakeDescriptor(5)->AsFactId(); }),
            "Not a fact.  Value Type is dtDescriptor");
  EXPECT_EQ(MessageOf<EIEException>([] { TIEValue::MakeFloat(1e12)->AsFactId(); }),
            "Not a fact.  Value Type is dtFloat");
}

TEST(IEValue, StrictGettersRefuseOtherTypes) {
  IIEValue atom = TIEValue::MakeAtom("a");
  EXPECT_EQ(MessageOf<EIEException>([&] { atom->AsDescriptor(); }), "Not a descriptor.  Value Type is dtAtom");
  EXPECT_EQ(MessageOf<EIEException>([&] { atom->AsFunCall(); }), "Not a function call.  Value Type is dtAtom");
  EXPECT_EQ(MessageOf<EIEException>([&] { atom->AsFact(); }), "Not a fact.  Value Type is dtAtom");
  EXPECT_EQ(MessageOf<EIEException>([&] { atom->AsList(); }), "Not a list.  Value Type is dtAtom");
  EXPECT_EQ(MessageOf<EIEException>([&] { atom->AsObject(); }), "Not a object.  Value Type is dtAtom");
  EXPECT_EQ(MessageOf<EIEException>([&] { atom->AsClass(); }), "Not a class.  Value Type is dtAtom");
  EXPECT_EQ(MessageOf<EIEException>([&] { atom->AsExternalAddress(); }),
            "Not a External Address.  Value Type is dtAtom");
  EXPECT_EQ(MessageOf<EIEException>([&] { atom->AsIntArray(); }), "Not a integer array.  Value Type is dtAtom");
  EXPECT_EQ(MessageOf<EIEException>([&] { atom->AsStringArray(); }),
            "Not a string array.  Value Type is dtAtom");
  EXPECT_EQ(MessageOf<EIEException>([&] { atom->AsVariantArray(); }),
            "Not a Variant array.  Value Type is dtAtom");
}

TEST(IEValue, SettersReplaceThePayload) {
  auto v = MakeRef<TIEValue>();
  v->SetAsString("text");
  v->SetAsInteger(5);
  EXPECT_EQ(v->DType(), dtInteger);
  EXPECT_EQ(v->AsInteger(), 5);
  v->SetAsIntArray({1, 2});
  v->SetAsAtom("again");
  EXPECT_EQ(v->AsText(), "again");
  // A list value may be replaced by one of its own elements' lists.
  IIEValue inner = ListOf({TIEValue::MakeAtom("z")});
  v->SetAsList(MakeRef<TValueVector>());
  v->ListRef().Add(inner);
  v->SetAsList(inner->AsList());
  EXPECT_EQ(v->AsText(), "z");
  v->SetTag(7);
  v->Clear();
  EXPECT_EQ(v->DType(), dtNone);
  EXPECT_EQ(v->Tag(), 7);
}

TEST(IEValue, StrictEquality) {
  EXPECT_FALSE(TIEValue::MakeAtom("a")->Equals(TIEValue::MakeString("a")));
  EXPECT_FALSE(TIEValue::MakeInteger(3)->Equals(TIEValue::MakeFloat(3.0)));
  EXPECT_TRUE(TIEValue::MakeAtom("a")->Equals(TIEValue::MakeAtom("a")));
  EXPECT_FALSE(TIEValue::MakeAtom("a")->Equals(TIEValue::MakeAtom("A")));
  EXPECT_TRUE(TIEValue::MakeAtom("")->Equals(EmptyAtom()));
  EXPECT_FALSE(TIEValue::MakeAtom("a")->Equals(nullptr));
  EXPECT_TRUE(MakeRef<TIEValue>()->Equals(MakeRef<TIEValue>()));
  EXPECT_TRUE(TIEValue::MakeFactId(2)->Equals(TIEValue::MakeFactId(2)));
  EXPECT_FALSE(TIEValue::MakeFactId(2)->Equals(TIEValue::MakeInteger(2)));
  EXPECT_TRUE(ListOf({TIEValue::MakeAtom("a"), nullptr})
                  ->Equals(ListOf({TIEValue::MakeAtom("a"), nullptr})));
  EXPECT_FALSE(ListOf({TIEValue::MakeAtom("a")})->Equals(ListOf({nullptr})));
  THostObject object;
  EXPECT_TRUE(TIEValue::MakeObject(&object)->Equals(TIEValue::MakeObject(&object)));
  EXPECT_FALSE(TIEValue::MakeObject(&object)->Equals(NilValue()));

  auto ints = [](TIEIntArray a) {
    auto v = MakeRef<TIEValue>();
    v->SetAsIntArray(std::move(a));
    return v;
  };
  EXPECT_TRUE(ints({1, 2})->Equals(ints({1, 2})));
  EXPECT_FALSE(ints({1, 2})->Equals(ints({1, 2, 3})));
  EXPECT_TRUE(TIEValue::MakeSlotReference(0, "s", -1)
                  ->Equals(TIEValue::MakeSlotReference(0, "s", -1)));
  EXPECT_FALSE(TIEValue::MakeSlotReference(0, "s", -1)
                   ->Equals(TIEValue::MakeSlotReference(1, "s", -1)));
  // Classes and string arrays never compare equal, not even to themselves.
  auto cls = MakeRef<TIEValue>();
  cls->SetAsClass("TThing");
  EXPECT_FALSE(cls->Equals(cls));
  auto strings = MakeRef<TIEValue>();
  strings->SetAsStringArray({"a"});
  EXPECT_FALSE(strings->Equals(strings));
}

TEST(IEValue, ConvertedEquality) {
  EXPECT_TRUE(TIEValue::MakeAtom("a")->EqualsConverted(TIEValue::MakeString("a")));
  EXPECT_TRUE(TIEValue::MakeInteger(3)->EqualsConverted(TIEValue::MakeFloat(3.7)));
  EXPECT_TRUE(TIEValue::MakeFloat(3.0)->EqualsConverted(TIEValue::MakeInteger(3)));
  EXPECT_FALSE(TIEValue::MakeFloat(3.5)->EqualsConverted(TIEValue::MakeInteger(3)));
  EXPECT_TRUE(TIEValue::MakeAtom("12")->EqualsConverted(TIEValue::MakeInteger(12)));
  EXPECT_TRUE(TIEValue::MakeInteger(31)->EqualsConverted(TIEValue::MakeAtom("$1F")));
  EXPECT_TRUE(MakeRef<TIEValue>()->EqualsConverted(TIEValue::MakeAtom("x")));
  EXPECT_EQ(MessageOf<EIEException>([] { TIEValue::MakeInteger(1)->EqualsConverted(TIEValue::MakeAtom("q")); }),
            "Not a integer.  Value Type is dtAtom");
  EXPECT_FALSE(TIEValue::MakeInteger(1)->EqualsConverted(nullptr));
}

TEST(IEValue, PrintedForms) {
  EXPECT_EQ(TIEValue::MakeFloat(3.0)->AsText(), "3");
  EXPECT_EQ(TIEValue::MakeFloat(1e20)->AsText(), "1E20");
  EXPECT_EQ(TIEValue::MakeFloat(1.5e-7)->AsText(), "1.5E-7");
  EXPECT_EQ(TIEValue::MakeString("say \"hi\"")->AsText(), "\"say \"hi\"\"");
  EXPECT_EQ(TIEValue::MakeVariable("x")->AsText(), "?x");
  EXPECT_EQ(TIEValue::MakeMultiVariable("rest")->AsText(), "$?rest");
  EXPECT_EQ(TIEValue::MakeSlot("s")->AsText(), "s");
  EXPECT_EQ(TIEValue::MakeFactId(7)->AsText(), "<Fact-7>");
  EXPECT_EQ(TIEValue::MakeInteger(-5)->AsText(), "-5");
  EXPECT_EQ(TIEValue::MakeDescriptor(5)->AsText(), "<UNKNOWN>");
  EXPECT_EQ(ListOf({TIEValue::MakeAtom("a"), TIEValue::MakeAtom("b"), TIEValue::MakeAtom("c")})
                ->AsText(),
            "a b c");
  EXPECT_EQ(ListOf({ListOf({})})->AsText(), "");
  EXPECT_EQ(ListOf({TIEValue::MakeString("s"), ListOf({TIEValue::MakeInteger(1)})})->AsText(),
            "\"s\" 1");
  EXPECT_EQ(NilValue()->AsText(), "");
  THostObject object;
  EXPECT_EQ(TIEValue::MakeObject(&object)->AsText(), "<External-Address: THostObject>");
  auto address = MakeRef<TIEValue>();
  address->SetAsExternalAddress(nullptr);
  EXPECT_EQ(address->AsText(), "");
  address->SetAsExternalAddress(&object);
  EXPECT_EQ(address->AsText().rfind("<External-Address: ", 0), 0u);
  auto v = MakeRef<TIEValue>();
  v->SetAsClass("TThing");
  EXPECT_EQ(v->AsText(), "TThing");
  v->SetAsIntArray({1, -2});
  EXPECT_EQ(v->AsText(), "1 -2 ");
  v->SetAsStringArray({"a"});
  EXPECT_EQ(v->AsText(), "<UNKNOWN>");
  EXPECT_EQ(TIEValue::MakeSlotReference(1, "s", -1)->AsText(), "1 s -1 ");
}

TEST(IEValue, HashCodes) {
  EXPECT_EQ(TIEText::HashOf(""), 0u);
  EXPECT_EQ(TIEText::HashOf("ab"), uint32_t('a') * 31 + 'b');
  // Sixteen characters: step 2, positions 1, 3, ..., 15 (1-based) are used.
  EXPECT_EQ(TIEText::HashOf("aXbXcXdXeXfXgXhX"), TIEText::HashOf("aYbYcYdYeYfYgYhY"));
  EXPECT_EQ(TIEText::HashOf("aXbXcXdXeXfXgXhX"), TIEText::HashOf("abcdefgh"));
  EXPECT_NE(TIEText::HashOf("aXbXcXdXeXfXgXhX"), TIEText::HashOf("XabXcXdXeXfXgXhX"));
  // Seventeen characters: step 2, positions up to 17.
  EXPECT_EQ(TIEText::HashOf("aXbXcXdXeXfXgXhXi"), TIEText::HashOf("abcdefghi"));
  EXPECT_EQ(TIEValue::MakeAtom("ab")->HashCode(), int32_t('a' * 31 + 'b'));
  EXPECT_EQ(TIEValue::MakeAtom("ab")->HashCode(), TIEValue::MakeString("ab")->HashCode());
  EXPECT_EQ(TIEValue::MakeInteger(-9)->HashCode(), -9);
  EXPECT_EQ(TIEValue::MakeFloat(-9.9)->HashCode(), -9);
  EXPECT_EQ(TIEValue::MakeFloat(std::numeric_limits<double>::infinity())->HashCode(), 0);
  EXPECT_EQ(ListOf({TIEValue::MakeInteger(2), nullptr, TIEValue::MakeInteger(3)})->HashCode(), 5);
  EXPECT_EQ(ListOf({TIEValue::MakeInteger(INT32_MAX), TIEValue::MakeInteger(1)})->HashCode(),
            INT32_MIN);
  EXPECT_EQ(TIEValue::MakeSlotReference(0, "s", 0)->HashCode(), 0);
}

TEST(IEValue, AssignAndClone) {
  IIEValue inner = TIEValue::MakeAtom("a");
  IIEValue list = ListOf({inner, TIEValue::MakeInteger(2)});
  list->SetTag(4);
  IIEValue copy = list->Clone();
  EXPECT_TRUE(copy->Equals(list));
  EXPECT_EQ(copy->Tag(), 4);
  EXPECT_NE(copy->AsList().get(), list->AsList().get());
  EXPECT_NE(copy->ListRef().Get(0).get(), inner.get());
  copy->ListRef().Get(0)->SetAsAtom("changed");
  EXPECT_EQ(list->AsText(), "a 2");

  // The persistent-object assignment shares the list.
  auto shared = MakeRef<TIEValue>();
  shared->Assign(list.get());
  EXPECT_EQ(shared->AsList().get(), list->AsList().get());
  EXPECT_EQ(shared->Tag(), 4);
  EXPECT_THROW(shared->Assign(static_cast<const TIEValue*>(nullptr)), EConvertError);

  // Assigning from a value that is not a TIEValue fails the cast.
  auto vector = MakeRef<TValueVector>();
  EXPECT_THROW(shared->Assign(static_cast<const ICloneable&>(*vector)), EInvalidCast);

  // Self-assignment keeps the value.
  shared->Assign(static_cast<const ICloneable&>(*shared));
  shared->Assign(shared.get());
  EXPECT_EQ(shared->AsText(), "a 2");

  // Facts are cloned by a deep assignment.
  IIEValue fact = TIEValue::MakeFact(MakeRef<TTestFact>(3));
  IIEValue factCopy = fact->Clone();
  EXPECT_NE(factCopy->AsFact().get(), fact->AsFact().get());
  EXPECT_TRUE(factCopy->Equals(fact));
  EXPECT_TRUE(factCopy->IsEqual(fact.get()));
  EXPECT_FALSE(factCopy->IsEqual(vector.get()));
}

TEST(IEValue, TextIsSharedByCopies) {
  IIEValue a = TIEValue::MakeString("a text long enough not to fit any small buffer");
  IIEValue b = a->Clone();
  EXPECT_EQ(a->TextView().data(), b->TextView().data());
  b->SetAsString("other");
  EXPECT_EQ(a->AsString(), "a text long enough not to fit any small buffer");
}

TEST(IEValue, ResolveWithoutContext) {
  EXPECT_EQ(MessageOf<EIEException>([] { TIEValue::MakeVariable("x")->Resolve(nullptr); }),
            "No context found when trying to resolve a dtVariable value");
  EXPECT_EQ(MessageOf<EIEException>([] { TIEValue::MakeMultiVariable("x")->Resolve(nullptr); }),
            "No context found when trying to resolve a dtMultiVariable value");
  EXPECT_EQ(MessageOf<EIEException>([] { TIEValue::MakeSlotReference(0, "s", -1)->Resolve(nullptr); }),
            "No context found when trying to resolve a dtVariantArray value");
  IIEValue slot = TIEValue::MakeSlot("s");
  EXPECT_EQ(slot->Resolve(nullptr).get(), slot.get());
}

TEST(IEValue, SharedConstants) {
  EXPECT_EQ(TrueAtom()->AsText(), "TRUE");
  EXPECT_EQ(FalseAtom()->AsText(), "FALSE");
  EXPECT_EQ(EmptyAtom()->DType(), dtAtom);
  EXPECT_EQ(NilValue()->DType(), dtObject);
  EXPECT_EQ(NilValue()->AsObject(), nullptr);
  EXPECT_EQ(EmptyList()->ListRef().Count(), 0);
  EXPECT_EQ(EOFAtom()->AsText(), "EOF");
  EXPECT_EQ(ThenAtom()->AsText(), "then");
  EXPECT_DOUBLE_EQ(PiValue()->AsFloat(), 3.141592653589793);
  EXPECT_EQ(ZeroValue()->AsInteger(), 0);
  EXPECT_TRUE(TrueAtom()->Frozen());
  EXPECT_EQ(&BooleanAtom(true), &TrueAtom());
  // Created once even when first asked for from several threads.
  const TIEValue* seen[4] = {};
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) threads.emplace_back([&seen, i] { seen[i] = CatchAtom().get(); });
  for (auto& t : threads) t.join();
  for (auto* p : seen) EXPECT_EQ(p, CatchAtom().get());
}
