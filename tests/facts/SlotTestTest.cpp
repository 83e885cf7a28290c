// Slot tests: evaluation against a context, expressions, equality and text;
// join tests of both kinds, including a token that does not reach the index.
#include <gtest/gtest.h>

#include "core/Exceptions.h"
#include "facts/IESlotTest.h"
#include "functions/IEFunctionCall.h"
#include "support/ExceptionText.h"
#include "support/FakeRuleEngine.h"
#include "values/IEContext.h"

namespace {

IFactRef FactOf(const IFactTemplate& t, std::initializer_list<std::pair<const char*, IIEValue>> values) {
  IFactRef fact = MakeRef<TFact>(t);
  for (const auto& [slot, value] : values) fact->SetSlotValue(slot, value);
  return fact;
}

TEST(PatternMatchTest, TestComparesTheResolvedValueWithFalse) {
  TIEContext context;
  context.AddBinding("x", FalseAtom());
  context.AddBinding("y", Atom("red"));

  TIEPatternMatchTest onFalse(Var("x"), -1, sttEquals);
  TIEPatternMatchTest onRed(Var("y"), -1, sttEquals);
  EXPECT_FALSE(onFalse.Test(&context));
  EXPECT_TRUE(onRed.Test(&context));
  onFalse.SetSlotTestType(sttNotEquals);
  onRed.SetSlotTestType(sttNotEquals);
  EXPECT_TRUE(onFalse.Test(&context));
  EXPECT_FALSE(onRed.Test(&context));

  // A predicate call is evaluated in the context.
  IFunCall call(new TLambdaCall([](TIEContext* c) {
    return BooleanAtom(c->GetVariableValue("y")->AsString() == "red");
  }));
  TIEPatternMatchTest predicate(TIEValue::MakeFunCall(call), -1, sttEquals);
  EXPECT_TRUE(predicate.Test(&context));
  EXPECT_EQ(MessageOf<EIEException>([&] { TIEPatternMatchTest(Var("nope"), -1, sttEquals).Test(&context); }),
            "Corrupted Binding, variable not found: nope");
}

TEST(PatternMatchTest, ValueIsCopiedAndDefaultsHold) {
  IIEValue red = Atom("red");
  TIEPatternMatchTest test(red, 2, sttEquals);
  EXPECT_NE(test.SlotValue().get(), red.get());
  EXPECT_TRUE(test.SlotValue()->Equals(red));
  EXPECT_TRUE(test.Conjunction());
  EXPECT_EQ(TIEPatternMatchTest().MultiSlotSubIndex(), -1);
}

TEST(PatternMatchTest, ToExpressionPutsTheConstantFirst) {
  IIEValue x = Var("x");
  EXPECT_EQ(TIEPatternMatchTest(Atom("red"), -1, sttEquals).ToExpression(nullptr, x)->AsText(),
            "(eq red ?x)");
  EXPECT_EQ(TIEPatternMatchTest(Int(3), -1, sttNotEquals).ToExpression(nullptr, x)->AsText(),
            "(neq 3 ?x)");

  IFunctionCall gt = TFunctionCall::Create(nullptr, ">");
  gt->AddArgument(Var("x"));
  gt->AddArgument(Int(2));
  TIEPatternMatchTest predicate(TIEValue::MakeFunCall(gt), -1, sttEquals);
  IFunCall same = predicate.ToExpression(nullptr, x);
  EXPECT_EQ(same->AsText(), "(> ?x 2)");
  EXPECT_NE(same.get(), predicate.SlotValue()->AsFunCall().get());  // a copy
  predicate.SetSlotTestType(sttNotEquals);
  EXPECT_EQ(predicate.ToExpression(nullptr, x)->AsText(), "(not (> ?x 2))");
}

TEST(PatternMatchTest, EqualityAndText) {
  TIEPatternMatchTest a(Atom("red"), -1, sttEquals);
  TIEPatternMatchTest b(Atom("red"), -1, sttEquals);
  EXPECT_TRUE(a.Equals(&b));
  b.SetConjunction(false);
  EXPECT_FALSE(a.Equals(&b));
  b.SetConjunction(true);
  b.SetMultiSlotSubIndex(1);
  EXPECT_FALSE(a.Equals(&b));
  TIEPatternMatchTest c(Atom("blue"), -1, sttEquals);
  EXPECT_FALSE(a.Equals(&c));
  TIEPatternMatchTest d(Atom("red"), -1, sttNotEquals);
  EXPECT_FALSE(a.Equals(&d));
  TIEJoinTest join(sttEquals, 0, "a", "b");
  EXPECT_FALSE(a.Equals(&join));
  EXPECT_FALSE(join.Equals(&a));

  EXPECT_EQ(a.Text(), "= SubIdx: -1 Slot: red");
  EXPECT_EQ(TIEPatternMatchTest(TIEValue::MakeString("x y"), 2, sttNotEquals).Text(),
            "<> SubIdx: 2 Slot: \"x y\"");
  EXPECT_EQ(TIEPatternMatchTest().Text(), "= SubIdx: -1");

  std::unique_ptr<TIESlotTest> copy = d.Copy();
  EXPECT_TRUE(copy->Equals(&d));
  EXPECT_EQ(copy->ClassName(), "TIEPatternMatchTest");
}

class JoinTestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    person = MakeTemplate(nullptr, "person", {"name"}, {"kids"});
    pet = MakeTemplate(nullptr, "pet", {"owner"}, {"names"});
    bob = FactOf(person, {{"name", Atom("bob")}, {"kids", AtomList({"al", "cy"})}});
    rex = FactOf(pet, {{"owner", Atom("bob")}, {"names", AtomList({"rex", "al"})}});
    context.SetToken(IReteToken(new TFakeToken({IFact(bob)})));
    context.SetFact(IFact(rex));
  }

  IFactTemplate person, pet;
  IFactRef bob, rex;
  TIEContext context;
};

TEST_F(JoinTestTest, WholeSlots) {
  EXPECT_TRUE(TIEJoinTest(sttEquals, 0, "owner", "name").Test(&context));
  EXPECT_FALSE(TIEJoinTest(sttNotEquals, 0, "owner", "name").Test(&context));
  rex->SetSlotValue("owner", Atom("ann"));
  EXPECT_FALSE(TIEJoinTest(sttEquals, 0, "owner", "name").Test(&context));
  EXPECT_TRUE(TIEJoinTest(sttNotEquals, 0, "owner", "name").Test(&context));
  // A slot the fact lacks compares unequal.
  EXPECT_FALSE(TIEJoinTest(sttEquals, 0, "owner", "nothing").Test(&context));
}

TEST_F(JoinTestTest, MultifieldItems) {
  // kids[0] = al, names[1] = al
  EXPECT_TRUE(TIEJoinTest(sttEquals, 0, 1, "names", 0, "kids").Test(&context));
  EXPECT_FALSE(TIEJoinTest(sttEquals, 0, 0, "names", 0, "kids").Test(&context));
  EXPECT_TRUE(TIEJoinTest(sttNotEquals, 0, 0, "names", 0, "kids").Test(&context));
  // A single slot against an item; an item past the end is no value.
  EXPECT_FALSE(TIEJoinTest(sttEquals, 0, -1, "owner", 5, "kids").Test(&context));
  // Both sub-indices -1 compare the whole slots.
  EXPECT_TRUE(TIEJoinTest(sttEquals, 0, -1, "owner", -1, "name").Test(&context));
}

TEST_F(JoinTestTest, MultiSlotTestPastTheTokenPassesWhateverItsType) {
  EXPECT_TRUE(TIEJoinTest(sttEquals, 3, 0, "names", 0, "kids").Test(&context));
  EXPECT_TRUE(TIEJoinTest(sttNotEquals, 3, 0, "names", 0, "kids").Test(&context));
  // The whole-slot kind has no such rule: no left fact, no equality.
  EXPECT_FALSE(TIEJoinTest(sttEquals, 3, "owner", "name").Test(&context));
}

TEST(JoinTest, EqualityTextAndCopy) {
  TIEJoinTest a(sttEquals, 1, 2, "r", 3, "l");
  EXPECT_EQ(a.JoinTestType(), tstMultiSlot);
  EXPECT_EQ(a.Text(), "= tstMultiSlot TokenIdx: 1 Left: l 3 Right: r 2");
  TIEJoinTest b(sttNotEquals, 0, "r", "l");
  EXPECT_EQ(b.JoinTestType(), tstSlot);
  EXPECT_EQ(b.RightSubIndex(), -1);
  EXPECT_EQ(b.Text(), "<> tstSlot TokenIdx: 0 Left: l Right: r");

  std::unique_ptr<TIESlotTest> copy = a.Copy();
  EXPECT_TRUE(copy->Equals(&a));
  EXPECT_FALSE(TIEJoinTest(sttEquals, 1, 2, "r", 3, "L").Equals(&a));  // names are case-sensitive
  EXPECT_FALSE(TIEJoinTest(sttEquals, 0, 2, "r", 3, "l").Equals(&a));
  EXPECT_FALSE(TIEJoinTest(sttEquals, 1, 2, "r", 4, "l").Equals(&a));
  EXPECT_FALSE(b.Equals(&a));
}

TEST(SlotValueOf, ItemsAndMissingValues) {
  IFactTemplate t = MakeTemplate(nullptr, "t", {"s"}, {"m"});
  IFactRef f = FactOf(t, {{"s", Atom("a")}, {"m", AtomList({"x", "y"})}});
  EXPECT_EQ(SlotValueOf(f.get(), "m", 1)->AsString(), "y");
  EXPECT_FALSE(SlotValueOf(f.get(), "m", 2));
  EXPECT_FALSE(SlotValueOf(f.get(), "s", 0));  // not a multifield
  EXPECT_FALSE(SlotValueOf(f.get(), "none", -1));
  EXPECT_FALSE(SlotValueOf(nullptr, "s", -1));
  EXPECT_EQ(PatternMatchTestNames().size(), size_t(pmtFailTest) + 1);
  EXPECT_EQ(PatternMatchTestNames()[pmtTestMultiSlotMultiField], "pmtTestMultiSlotMultiField");
}

}  // namespace
