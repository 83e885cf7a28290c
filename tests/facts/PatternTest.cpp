// Patterns: the slot table, AddTest and its errors, test and disjunction
// counts, change reporting, binding a pattern, copies, and the normalisation
// of disjunctions.
#include <gtest/gtest.h>

#include "core/Exceptions.h"
#include "facts/IERule.h"
#include "facts/IESlotTest.h"
#include "functions/IEFunctionCall.h"
#include "support/ExceptionText.h"
#include "support/FakeRuleEngine.h"

namespace {

class PatternTest : public ::testing::Test {
 protected:
  void SetUp() override { shirt = MakeTemplate(&engine, "shirt", {"color", "size", "owner"}, {"tags"}); }

  std::unique_ptr<TIEPattern> NewPattern(int32_t negated = 0) {
    return std::make_unique<TIEPattern>(nullptr, negated, shirt, "shirt");
  }
  // The texts of the tests of one slot entry, "value" or "~value", "|" marking
  // an alternative, "@n" a sub-index other than -1.
  static std::string Tests(const TIEPattern& p, const std::string& slot) {
    std::string text;
    const TSlotTests& tests = p.SlotTests(p.IndexOfSlot(slot));
    for (int32_t i = 0; i < tests.Count(); ++i) {
      const TIEPatternMatchTest* t = tests.Get(i);
      if (i) text += ' ';
      if (!t->Conjunction()) text += '|';
      if (t->SlotTestType() == sttNotEquals) text += '~';
      text += t->SlotValue()->AsText();
      if (t->MultiSlotSubIndex() != -1) text += "@" + std::to_string(t->MultiSlotSubIndex());
    }
    return text;
  }

  TFakeRuleEngine engine;
  IFactTemplate shirt;
};

TEST_F(PatternTest, OneEntryPerTemplateSlotBeforeAnyTest) {
  auto p = NewPattern();
  ASSERT_EQ(p->SlotCount(), 4);
  // In the order the template's slot table enumerates them.
  for (int32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(p->SlotName(i), shirt->Slots()[size_t(i)]->Name());
    EXPECT_EQ(p->SlotLength(i), -1);
    EXPECT_EQ(p->SlotTestCount(i), 0);
  }
  EXPECT_EQ(p->TestCount(), 0);
  EXPECT_THROW(p->SlotName(4), EListError);
}

TEST_F(PatternTest, AddTestChecksTemplateAndSlot) {
  TIEPattern bare(nullptr, 0, nullptr, "x");
  EXPECT_EQ(MessageOf<EIEException>([&] { bare.AddTest("a", Atom("1"), true, false, -1); }),
            "Fact Template is missing");
  auto p = NewPattern();
  EXPECT_EQ(MessageOf<EIEException>([&] { p->AddTest("colour", Atom("red"), true, false, -1); }),
            "No such slot name: \"colour\"");
  EXPECT_EQ(p->TestCount(), 0);

  TIEPatternMatchTest* t = p->AddTest("color", Atom("red"), false, true, -1);
  EXPECT_EQ(t->SlotTestType(), sttNotEquals);
  EXPECT_FALSE(t->Conjunction());
  EXPECT_EQ(t->Owner(), p.get());
  EXPECT_EQ(p->SlotTest(p->IndexOfSlot("color"), 0), t);

  // A slot added to the template later gets an entry on first use.
  shirt->AddSlot("brand", NilValue());
  p->AddTest("brand", Atom("acme"), true, false, -1);
  EXPECT_EQ(p->SlotName(p->SlotCount() - 1), "brand");
}

TEST_F(PatternTest, CountsFollowTheTestLists) {
  auto p = NewPattern();
  p->AddTest("color", Atom("red"), true, false, -1);
  TIEPatternMatchTest* blue = p->AddTest("color", Atom("blue"), false, false, -1);
  p->AddTest("size", Int(3), false, false, -1);
  EXPECT_EQ(p->TestCount(), 3);
  EXPECT_EQ(p->DisjunctionCount(), 2);
  blue->SetConjunction(true);
  EXPECT_EQ(p->DisjunctionCount(), 1);
  blue->SetConjunction(true);  // no flip
  EXPECT_EQ(p->DisjunctionCount(), 1);
  p->SlotTests(p->IndexOfSlot("size")).Delete(0);
  EXPECT_EQ(p->TestCount(), 2);
  EXPECT_EQ(p->DisjunctionCount(), 0);
  std::unique_ptr<TIEPatternMatchTest> out = p->SlotTests(p->IndexOfSlot("color")).Extract(0);
  EXPECT_EQ(p->TestCount(), 1);
  EXPECT_EQ(out->Owner(), nullptr);
  out->SetConjunction(false);  // no longer counted here
  EXPECT_EQ(p->DisjunctionCount(), 0);
}

TEST_F(PatternTest, ChangesAreReportedOutsideUpdateBrackets) {
  auto p = NewPattern();
  int changes = 0;
  p->OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, p.get());
    ++changes;
  };
  p->SetUnique(true);
  p->SetUnique(true);
  p->SetExplicit(true);
  p->SetNegatedCount(2);
  p->SetName("other");  // never reported
  p->SetName("shirt");
  EXPECT_EQ(changes, 3);

  changes = 0;
  p->BeginUpdate();
  p->BeginUpdate();
  TIEPatternMatchTest* t = p->AddTest("color", Atom("red"), true, false, -1);
  t->SetMultiSlotSubIndex(0);
  p->SetBoundName("s");
  p->EndUpdate();
  EXPECT_EQ(changes, 0);
  p->EndUpdate();
  EXPECT_EQ(changes, 1);

  changes = 0;
  t->SetSlotValue(Atom("blue"));
  t->SetMultiSlotSubIndex(0);  // same value
  EXPECT_EQ(changes, 1);
}

TEST_F(PatternTest, BindingNegatedOrTestPatternsIsRefused) {
  auto negated = NewPattern(1);
  EXPECT_TRUE(negated->IsNegated());
  EXPECT_EQ(MessageOf<EIEException>([&] { negated->SetBoundName("f"); }),
            "Cannot bind a negated pattern to a variable");
  negated->SetBoundName("");  // clearing is fine
  TIEPattern test(nullptr, 0, engine.GetFactTemplate("test"), "test");
  EXPECT_EQ(MessageOf<EIEException>([&] { test.SetBoundName("f"); }), "Cannot bind a negated pattern to a variable");
  auto exists = NewPattern(2);
  EXPECT_FALSE(exists->IsNegated());
  exists->SetBoundName("f");
  EXPECT_EQ(exists->BoundName(), "f");
}

TEST_F(PatternTest, AssignCopiesEverythingButTheRule) {
  auto p = NewPattern(1);
  p->SetUnique(true);
  p->AddTest("color", Atom("red"), true, true, -1);
  p->AddTest("tags", Var("t"), true, false, 0);
  p->SetSlotLength(p->IndexOfSlot("tags"), 1);
  TIEPattern q(nullptr, 0, nullptr, "q");
  q.Assign(p.get());
  EXPECT_EQ(q.Name(), "shirt");
  EXPECT_EQ(q.NegatedCount(), 1);
  EXPECT_TRUE(q.Unique());
  EXPECT_EQ(q.FactTemplate(), shirt);
  EXPECT_EQ(Tests(q, "color"), "~red");
  EXPECT_EQ(Tests(q, "tags"), "?t@0");
  EXPECT_EQ(q.SlotLength(q.IndexOfSlot("tags")), 1);
  EXPECT_NE(q.SlotTest(q.IndexOfSlot("color"), 0), p->SlotTest(p->IndexOfSlot("color"), 0));
  EXPECT_EQ(q.TestCount(), 2);
}

TEST_F(PatternTest, CopyToEngineFindsOrMakesTheTemplateThere) {
  auto p = NewPattern();
  p->AddTest("size", Int(3), true, false, -1);
  TFakeRuleEngine other;
  std::unique_ptr<TIEPattern> copy = p->CopyToEngine(&other);
  ASSERT_TRUE(copy->FactTemplate());
  EXPECT_NE(copy->FactTemplate(), shirt);
  EXPECT_EQ(copy->FactTemplate()->Engine(), &other);
  EXPECT_EQ(other.FindFactTemplate("shirt"), copy->FactTemplate());
  EXPECT_TRUE(copy->FactTemplate()->HasSlot("owner"));
  EXPECT_EQ(copy->Rule(), nullptr);
  EXPECT_EQ(Tests(*copy, "size"), "3");
  // A second copy reuses the template made the first time.
  EXPECT_EQ(p->CopyToEngine(&other)->FactTemplate(), copy->FactTemplate());
}

TEST_F(PatternTest, DisjunctionOnAVariableBecomesOnePredicate) {
  auto p = NewPattern();
  p->AddTest("color", Var("x"), true, false, -1);
  p->AddTest("color", Atom("red"), true, false, -1);
  p->AddTest("color", Atom("blue"), false, false, -1);
  p->AddTest("size", Int(3), true, false, -1);
  p->NormalizeDisjunctions();  // needs no rule: the variable is given
  EXPECT_EQ(Tests(*p, "color"), "?x (or (eq red ?x) (eq blue ?x))");
  EXPECT_EQ(Tests(*p, "size"), "3");
  EXPECT_EQ(p->TestCount(), 3);
  EXPECT_EQ(p->DisjunctionCount(), 0);
}

TEST_F(PatternTest, GroupsOfConjunctionsBecomeAnd) {
  // ?v&~red&~green|blue|:(pred)
  auto p = NewPattern();
  p->AddTest("color", Var("v"), true, false, -1);
  p->AddTest("color", Atom("red"), true, true, -1);
  p->AddTest("color", Atom("green"), true, true, -1);
  p->AddTest("color", Atom("blue"), false, false, -1);
  IFunctionCall pred = TFunctionCall::Create(nullptr, "pred");
  pred->AddArgument(Var("v"));
  p->AddTest("color", TIEValue::MakeFunCall(pred), false, true, -1);
  p->NormalizeDisjunctions();
  EXPECT_EQ(Tests(*p, "color"),
            "?v (or (and (neq red ?v) (neq green ?v)) (eq blue ?v) (not (pred ?v)))");
}

TEST_F(PatternTest, DisjunctionOfConstantsNeedsTheRule) {
  auto p = NewPattern();
  p->AddTest("color", Atom("red"), true, false, -1);
  p->AddTest("color", Atom("blue"), false, false, -1);
  EXPECT_EQ(MessageOf<EIEException>([&] { p->NormalizeDisjunctions(); }), "Rule missing for pattern");
  EXPECT_EQ(Tests(*p, "color"), "red |blue");  // untouched
  EXPECT_EQ(p->DisjunctionCount(), 1);

  TRule rule(&engine);
  TIEPattern* added = rule.Patterns().Get(rule.AddPattern(std::move(p)));
  EXPECT_EQ(Tests(*added, "color"), "?_blank_1 (or (eq red ?_blank_1) (eq blue ?_blank_1))");
  TBinding* binding = rule.FindRuleBinding("_blank_1");
  ASSERT_NE(binding, nullptr);
  EXPECT_EQ(binding->FactIndex(), 0);
  EXPECT_EQ(binding->SlotIndex(), "color");
  EXPECT_EQ(binding->SubIndex(), -1);
}

TEST_F(PatternTest, RunsOfAMultislotAreNormalisedEachOnItsOwn) {
  // (tags a|b ?y c|d): positions 0, 1, 2.
  TRule rule(&engine);
  auto p = NewPattern();
  p->AddTest("tags", Atom("a"), true, false, 0);
  p->AddTest("tags", Atom("b"), false, false, 0);
  p->AddTest("tags", Var("y"), true, false, 1);
  p->AddTest("tags", Atom("c"), true, false, 2);
  p->AddTest("tags", Atom("d"), false, false, 2);
  p->SetSlotLength(p->IndexOfSlot("tags"), 3);
  TIEPattern* added = rule.Patterns().Get(rule.AddPattern(std::move(p)));
  EXPECT_EQ(Tests(*added, "tags"),
            "?_blank_1@0 (or (eq a ?_blank_1) (eq b ?_blank_1))@0 ?y@1 "
            "?_blank_2@2 (or (eq c ?_blank_2) (eq d ?_blank_2))@2");
  EXPECT_EQ(rule.FindRuleBinding("_blank_2")->SubIndex(), 2);
  EXPECT_EQ(rule.FindRuleBinding("y")->SubIndex(), 1);
  EXPECT_EQ(added->SlotLength(added->IndexOfSlot("tags")), 3);
}

TEST_F(PatternTest, TextGoesThroughTheEngine) {
  auto p = NewPattern();
  EXPECT_EQ(p->Text(), "<pattern shirt>");  // the template's engine
  TIEPattern bare(nullptr, 0, MakeTemplate(nullptr, "loose", {"a"}), "loose");
  EXPECT_EQ(bare.Text(), "");
}

}  // namespace
