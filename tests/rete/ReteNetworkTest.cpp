// The network built from rules made in code: compile traces and sharing,
// matching, joins, negation, unique patterns, multifield expansion, priming,
// activations and their events.
#include <gtest/gtest.h>

#include "functions/IEFunctionCall.h"
#include "support/ExceptionText.h"
#include "support/FakeReteEngine.h"

namespace {

class ReteTest : public ::testing::Test {
 protected:
  ReteTest() {
    person = MakeTemplate(&engine, "person", {"name", "age"});
    pet = MakeTemplate(&engine, "pet", {"owner", "kind"});
  }

  // (person (name ?n) (age 30)) (pet (owner ?n))
  TRule* PersonPetRule(const std::string& name) {
    TRule* rule = engine.NewRule(name);
    auto p0 = Pattern(person);
    p0->AddTest("name", Var("n"), true, false, -1);
    p0->AddTest("age", Int(30), true, false, -1);
    rule->AddPattern(std::move(p0));
    auto p1 = Pattern(pet);
    p1->AddTest("owner", Var("n"), true, false, -1);
    rule->AddPattern(std::move(p1));
    return rule;
  }
  IFact Person(const char* name, int32_t age) {
    return engine.Assert(MakeFact(person, {{"name", Atom(name)}, {"age", Int(age)}}));
  }
  IFact Pet(const char* owner) {
    return engine.Assert(MakeFact(pet, {{"owner", Atom(owner)}, {"kind", Atom("cat")}}));
  }
  template <class TNode>
  std::vector<TNode*> NodesOf(const TRule& rule) {
    return RuleNodesOf<TNode>(*engine.rete, rule);
  }

  TFakeReteEngine engine;
  TReteNetwork& rete = *engine.rete;
  IFactTemplate person;
  IFactTemplate pet;
};

TEST_F(ReteTest, PersonPetCompilesAndSharesEveryNode) {
  TRule* first = PersonPetRule("first");
  rete.AddRule(*first);
  EXPECT_EQ(first->CompileTrace(), "first: +1+1+1+2+t");
  TRule* second = PersonPetRule("second");
  rete.AddRule(*second);
  EXPECT_EQ(second->CompileTrace(), "second: =1=1=1=2+t");

  // Person root, its age node, pet root, the join, two terminals.
  EXPECT_EQ(rete.NodeCount(), 6);
  EXPECT_EQ(rete.RootNodes().size(), 2u);
  auto joins = NodesOf<TJoinNode>(*first);
  ASSERT_EQ(joins.size(), 1u);
  EXPECT_TRUE(joins[0]->Hashed());
  EXPECT_EQ(joins[0]->RuleUseCount(), 2);
  EXPECT_EQ(joins[0]->LeftMemory()->SlotName(), "name");
  EXPECT_EQ(joins[0]->RightMemory()->SlotName(), "owner");
  auto ageNode = NodesOf<TPatternMatchNode>(*first)[1];
  EXPECT_EQ(ageNode->PatternMatchTest(), pmtTestEqual);
  EXPECT_EQ(ageNode->Text(), ageNode->Caption() +
                                 " In/Out#: 1/1 RuleUse: 2 Value: 30 Test: pmtTestEqual Args: (age, -1)");

  rete.RemoveRule(*first);
  EXPECT_FALSE(rete.HasRule(*first));
  EXPECT_EQ(rete.NodeCount(), 5);
  for (TReteNode* node : *rete.RuleNodes(*second)) EXPECT_EQ(node->RuleUseCount(), 1) << node->Text();
  rete.RemoveRule(*second);
  EXPECT_EQ(rete.NodeCount(), 0);
  EXPECT_TRUE(rete.RootNodes().empty());
}

TEST_F(ReteTest, JoinMatchesEqualSlotsAndRetractionWithdraws) {
  TRule* rule = PersonPetRule("r");
  rete.AddRule(*rule);
  IFact bob = Person("Bob", 30);
  Person("Ann", 30);
  Person("Old", 31);
  Pet("Bob");
  Pet("Nobody");
  Pet("Old");
  EXPECT_EQ(engine.AgendaTexts(), std::vector<std::string>{"r : f-0, f-3"});
  IFact annsPet = Pet("Ann");
  EXPECT_EQ(engine.agenda.size(), 2u);
  engine.Retract(bob);
  EXPECT_EQ(engine.AgendaTexts(), std::vector<std::string>{"r : f-1, f-6"});
  EXPECT_EQ(engine.log.back(), "- r : f-0, f-3");
  // A second arrival of the same fact is rejected by the memories.
  rete.AssertToken(TIEToken::Create(taAdd, annsPet));
  EXPECT_EQ(engine.agenda.size(), 1u);
  // The clear token empties every memory and withdraws everything.
  rete.AssertToken(TIEToken::CreateClear());
  EXPECT_TRUE(engine.agenda.empty());
  auto join = NodesOf<TJoinNode>(*rule)[0];
  EXPECT_TRUE(join->LeftMemory()->IsEmpty());
  EXPECT_TRUE(join->RightMemory()->IsEmpty());
}

TEST_F(ReteTest, MultifieldVariableYieldsLongestSegmentFirst) {
  IFactTemplate list = MakeTemplate(&engine, "list", {}, {"items"});
  TRule* rule = engine.NewRule("segments");
  auto p = Pattern(list);
  p->AddTest("items", TIEValue::MakeMultiVariable("rest"), true, false, 0);
  rule->AddPattern(std::move(p));
  std::vector<std::string> segments;
  rule->OnFire = [&](TObject*, TIEContext* context) {
    segments.push_back(context->GetVariableValue("rest")->AsText());
  };
  rete.AddRule(*rule);
  engine.Assert(MakeFact(list, {{"items", AtomList({"a", "b", "c"})}}));
  ASSERT_EQ(engine.agenda.size(), 4u);
  // The agenda is newest first: fire from the back to see the arrival order.
  std::reverse(engine.agenda.begin(), engine.agenda.end());
  while (engine.FireOne()) {
  }
  EXPECT_EQ(segments, (std::vector<std::string>{"a b c", "a b", "a", ""}));
}

TEST_F(ReteTest, NegatedPatternStaysBlockedUntilEveryMatchIsGone) {
  TRule* rule = engine.NewRule("lonely");
  auto p0 = Pattern(person);
  p0->AddTest("name", Var("n"), true, false, -1);
  rule->AddPattern(std::move(p0));
  auto p1 = Pattern(pet, 1);
  p1->AddTest("owner", Var("n"), true, false, -1);
  rule->AddPattern(std::move(p1));
  rete.AddRule(*rule);
  EXPECT_EQ(rule->CompileTrace(), "lonely: +1+1+2+t");

  IFact cat = Pet("Bob");
  IFact dog = Pet("Bob");
  Pet("Ann");
  Person("Bob", 5);
  EXPECT_TRUE(engine.agenda.empty());
  engine.Retract(cat);
  EXPECT_TRUE(engine.agenda.empty());
  engine.Retract(dog);
  // The placeholder holds the negated pattern's place and prints as f--1.
  EXPECT_EQ(engine.AgendaTexts(), std::vector<std::string>{"lonely : f-3, f--1"});
  IFact again = Pet("Bob");
  EXPECT_TRUE(engine.agenda.empty());
  engine.Retract(again);
  EXPECT_EQ(engine.agenda.size(), 1u);
}

TEST_F(ReteTest, ExistsMatchesOncePerLeftTokenWhileAnyFactMatches) {
  TRule* rule = engine.NewRule("hasPet");
  auto p0 = Pattern(person);
  p0->AddTest("name", Var("n"), true, false, -1);
  rule->AddPattern(std::move(p0));
  auto p1 = Pattern(pet, 2);
  p1->AddTest("owner", Var("_blank_o"), true, false, -1);
  p1->AddTest("kind", Var("n"), true, false, -1);
  rule->AddPattern(std::move(p1));
  rete.AddRule(*rule);
  Person("cat", 1);
  Person("dog", 1);
  IFact c1 = engine.Assert(MakeFact(pet, {{"owner", Atom("x")}, {"kind", Atom("cat")}}));
  IFact c2 = engine.Assert(MakeFact(pet, {{"owner", Atom("y")}, {"kind", Atom("cat")}}));
  EXPECT_EQ(engine.AgendaTexts(), std::vector<std::string>{"hasPet : f-0, f--1"});
  engine.Retract(c1);
  EXPECT_EQ(engine.agenda.size(), 1u);
  engine.Retract(c2);
  EXPECT_TRUE(engine.agenda.empty());
}

TEST_F(ReteTest, UniquePatternMatchesOncePerLeftToken) {
  TRule* rule = engine.NewRule("one");
  auto p0 = Pattern(person);
  p0->AddTest("name", Var("n"), true, false, -1);
  rule->AddPattern(std::move(p0));
  auto p1 = Pattern(pet);
  p1->AddTest("owner", Var("n"), true, false, -1);
  p1->SetUnique(true);
  rule->AddPattern(std::move(p1));
  rete.AddRule(*rule);
  IFact first = Pet("Bob");
  Pet("Bob");
  Person("Bob", 1);  // left token after two right facts
  EXPECT_EQ(engine.AgendaTexts(), std::vector<std::string>{"one : f-2, f-0"});
  Pet("Bob");  // a right fact after the left token
  EXPECT_EQ(engine.agenda.size(), 1u);
  // The matched fact goes: the next one takes its place.
  engine.Retract(first);
  EXPECT_EQ(engine.AgendaTexts(), std::vector<std::string>{"one : f-2, f-1"});
}

TEST_F(ReteTest, SlotValueTestsWithinOnePattern) {
  TRule* same = engine.NewRule("same");
  auto p = Pattern(pet);
  p->AddTest("owner", Var("x"), true, false, -1);
  p->AddTest("kind", Var("x"), true, false, -1);
  same->AddPattern(std::move(p));
  rete.AddRule(*same);
  TRule* differ = engine.NewRule("differ");
  auto q = Pattern(pet);
  q->AddTest("owner", Var("x"), true, false, -1);
  q->AddTest("kind", Var("x"), true, true, -1);
  differ->AddPattern(std::move(q));
  rete.AddRule(*differ);
  EXPECT_EQ(NodesOf<TPatternMatchNode>(*same).back()->PatternMatchTest(), pmtTestSlotValueEqual);
  EXPECT_EQ(NodesOf<TPatternMatchNode>(*differ).back()->PatternMatchTest(), pmtTestSlotValueNotEqual);
  engine.Assert(MakeFact(pet, {{"owner", Atom("a")}, {"kind", Atom("a")}}));
  engine.Assert(MakeFact(pet, {{"owner", Atom("a")}, {"kind", Atom("b")}}));
  EXPECT_EQ(engine.AgendaTexts(), (std::vector<std::string>{"differ : f-1", "same : f-0"}));

  // Two positions of one ordered slot bound to the same variable.
  IFactTemplate pair = engine.GetFactTemplate("pair");
  TRule* twins = engine.NewRule("twins");
  auto t = Pattern(pair);
  t->AddTest(SImpliedSlotName, Var("v"), true, false, 0);
  t->AddTest(SImpliedSlotName, Var("v"), true, false, 1);
  t->SetSlotLength(0, 2);
  twins->AddPattern(std::move(t));
  rete.AddRule(*twins);
  engine.agenda.clear();
  engine.Assert(MakeFact(pair, {{SImpliedSlotName, AtomList({"a", "b"})}}));
  engine.Assert(MakeFact(pair, {{SImpliedSlotName, AtomList({"a", "a"})}}));
  engine.Assert(MakeFact(pair, {{SImpliedSlotName, AtomList({"a", "a", "a"})}}));
  EXPECT_EQ(engine.AgendaTexts(), std::vector<std::string>{"twins : f-3"});
}

TEST_F(ReteTest, ClassTypeMatchesDerivedTemplatesAndMissingSlotsFailBothWays) {
  IFactTemplate student = MakeRef<TFactTemplate>(&engine, *person, "", "student");
  engine.AddFactTemplate(student);
  ASSERT_EQ(student->Parent(), person);
  TRule* any = engine.NewRule("any");
  auto p = Pattern(person);
  p->AddTest("age", Int(3), true, false, -1);
  any->AddPattern(std::move(p));
  rete.AddRule(*any);
  TRule* notThree = engine.NewRule("notThree");
  auto q = Pattern(person);
  q->AddTest("age", Int(3), true, true, -1);
  notThree->AddPattern(std::move(q));
  rete.AddRule(*notThree);
  engine.Assert(MakeFact(student, {{"age", Int(3)}}));
  EXPECT_EQ(engine.AgendaTexts(), std::vector<std::string>{"any : f-0"});
  // A fact whose template lacks the slot: no value, neither test passes.
  IFactTemplate bare = MakeTemplate(&engine, "bare", {"x"});
  bare->SetParent(person);
  engine.Assert(MakeFact(bare, {}));
  EXPECT_EQ(engine.agenda.size(), 1u);
}

TEST_F(ReteTest, RuleAddedLaterIsPrimedThroughSharedJoins) {
  IFact bob = Person("Bob", 30);
  Pet("Bob");
  rete.AddRule(*PersonPetRule("early"));
  EXPECT_EQ(engine.AgendaTexts(), std::vector<std::string>{"early : f-0, f-1"});
  // Every join shared: the shared join hands its matches to the new terminal.
  rete.AddRule(*PersonPetRule("twin"));
  EXPECT_EQ(engine.AgendaTexts(),
            (std::vector<std::string>{"twin : f-0, f-1", "early : f-0, f-1"}));
  // A one-pattern rule has no join and is always primed.
  TRule* single = engine.NewRule("single");
  single->AddPattern(Pattern(pet));
  rete.AddRule(*single);
  EXPECT_EQ(engine.agenda.size(), 3u);
  Pet("Bob");
  EXPECT_EQ(engine.agenda.size(), 6u);
  // Retracting a fact withdraws the primed matches too.
  engine.Retract(bob);
  EXPECT_EQ(engine.AgendaTexts(), (std::vector<std::string>{"single : f-2", "single : f-1"}));
}

TEST_F(ReteTest, ActivationsAnnouncedWithdrawnAndFired) {
  TRule* rule = engine.NewRule("watch");
  rule->AddPattern(Pattern(pet));
  rete.AddRule(*rule);
  engine.log.clear();
  IFact a = Pet("x");
  Pet("y");
  engine.Retract(a);
  ASSERT_TRUE(engine.FireOne());
  EXPECT_EQ(engine.log, (std::vector<std::string>{"+ watch : f-0", "+ watch : f-1", "- watch : f-0",
                                                  "fired watch", "! watch : f-1"}));
  EXPECT_TRUE(engine.agenda.empty());
  EXPECT_EQ(rete.TerminalNode(*rule)->ActivationCount(), 0);
}

TEST_F(ReteTest, FiringActivationSurvivesItsOwnWithdrawal) {
  TRule* rule = engine.NewRule("consume");
  rule->AddPattern(Pattern(pet));
  rule->OnFire = [&](TObject*, TIEContext* context) {
    // The action retracts the very fact the activation stands on.
    engine.Retract(IFact(context->Token()->FactAt(0)));
  };
  rete.AddRule(*rule);
  engine.log.clear();
  Pet("x");
  ASSERT_TRUE(engine.FireOne());
  EXPECT_EQ(engine.log, (std::vector<std::string>{"+ consume : f-0", "- consume : f-0",
                                                  "fired consume", "! consume : f-0"}));
  EXPECT_TRUE(engine.agenda.empty());
  EXPECT_TRUE(engine.memory.empty());
}

TEST_F(ReteTest, TestElementsCheckTheirCall) {
  auto lambda = [](bool result) {
    return TIEValue::MakeFunCall(IFunCall(new TLambdaCall(
        [result](TIEContext*) { return BooleanAtom(result); })));
  };
  IFactTemplate test = engine.GetFactTemplate(STestPatternName);
  for (bool result : {false, true}) {
    TRule* rule = engine.NewRule(result ? "yes" : "no");
    rule->AddPattern(Pattern(pet));
    auto t = std::make_unique<TIEPattern>(nullptr, 0, test, STestPatternName);
    t->AddTest(SImpliedSlotName, lambda(result), true, false, -1);
    rule->AddPattern(std::move(t));
    auto p = Pattern(person);
    p->AddTest("name", Var("who"), true, false, -1);
    rule->AddPattern(std::move(p));
    rete.AddRule(*rule);
  }
  Pet("x");
  Person("Bob", 1);
  // The test element keeps its position: the person is fact 2 of the token.
  EXPECT_EQ(engine.AgendaTexts(), std::vector<std::string>{"yes : f-0, f--1, f-1"});
  std::string who;
  TRule* yes = engine.agenda.front()->Rule();
  yes->OnFire = [&](TObject*, TIEContext* context) {
    who = context->GetVariableValue("who")->AsText();
  };
  engine.FireOne();
  EXPECT_EQ(who, "Bob");
}

TEST_F(ReteTest, ResolveVariablesMakesSlotReferences) {
  // (person (age ?a&:(call ?a))) with a call reading its argument's value.
  auto call = MakeRef<TFunctionCall>(nullptr, "older");
  call->AddArgument(Var("a"));
  TRule* rule = engine.NewRule("older");
  auto p = Pattern(person);
  p->AddTest("age", Var("a"), true, false, -1);
  p->AddTest("age", TIEValue::MakeFunCall(IFunCall(call.get())), true, false, -1);
  rule->AddPattern(std::move(p));
  IFunCall resolved = TReteNetwork::ResolveVariables(IFunCall(call.get()), *rule);
  auto* copy = dynamic_cast<TFunctionCall*>(resolved.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetArgument(0)->DType(), dtVariantArray);
  EXPECT_FALSE(TReteNetwork::RefersToOtherPattern(resolved, 0));
  EXPECT_TRUE(TReteNetwork::RefersToOtherPattern(resolved, 1));

  auto unknown = MakeRef<TFunctionCall>(nullptr, "f");
  unknown->AddArgument(Var("nope"));
  EXPECT_EQ(MessageOf<EIEException>([&] { TReteNetwork::ResolveVariables(IFunCall(unknown.get()), *rule); }),
            "Unknown variable name: nope");
}

TEST_F(ReteTest, JoinRefusesOtherCallTypesAndRuleDestructionRemovesIt) {
  TRule* rule = PersonPetRule("gone");
  rete.AddRule(*rule);
  auto join = NodesOf<TJoinNode>(*rule)[0];
  IFact f = Pet("x");
  EXPECT_EQ(MessageOf<EIEException>([&] { join->Call(TIEToken::Create(taAdd, f), ctSingle); }),
            "Invalid Call Type: ctSingle");
  Person("x", 30);
  EXPECT_EQ(engine.agenda.size(), 1u);
  delete rule;
  EXPECT_EQ(rete.RuleCount(), 0);
  EXPECT_EQ(rete.NodeCount(), 0);
  EXPECT_TRUE(engine.agenda.empty());
}

TEST_F(ReteTest, BackwardChainingJoinQueuesGoalFacts) {
  person->SetBackwardChaining(true);
  IFactTemplate goal = MakeRef<TFactTemplate>(&engine, *person, "", "need-person");
  goal->SetParent(nullptr);
  engine.AddFactTemplate(goal);
  TRule* rule = engine.NewRule("ask");
  auto p0 = Pattern(pet);
  p0->AddTest("owner", Var("o"), true, false, -1);
  rule->AddPattern(std::move(p0));
  auto p1 = Pattern(person);
  p1->AddTest("name", Var("o"), true, false, -1);
  p1->AddTest("age", Int(7), true, false, -1);
  rule->AddPattern(std::move(p1));
  rete.AddRule(*rule);
  Pet("Zed");
  ASSERT_EQ(engine.pendingAsserts.size(), 1u);
  TFact* asked = AsTFact(engine.pendingAsserts[0].get());
  EXPECT_EQ(asked->Template(), goal);
  EXPECT_EQ(asked->GetSlotValue("name")->AsText(), "Zed");
  EXPECT_EQ(asked->GetSlotValue("age")->AsText(), "7");
}

// A node whose value, test or args change after it was connected is found
// by its new description and no longer by its old one; of two equal nodes
// below one parent a rule shares the earlier successor. The parent has more
// successors than are scanned, so the lookups go through its index.
TEST_F(ReteTest, ChangedNodesAreSharedByTheirNewDescriptionInSuccessorOrder) {
  auto slotRule = [&](const std::string& name, const char* slot, int32_t value,
                      bool notEqual = false) {
    TRule* rule = engine.NewRule(name);
    auto p = Pattern(person);
    p->AddTest(slot, Int(value), true, notEqual, -1);
    rule->AddPattern(std::move(p));
    rete.AddRule(*rule);
    return rule;
  };
  auto ageRule = [&](const std::string& name, int32_t age, bool notEqual = false) {
    return slotRule(name, "age", age, notEqual);
  };
  auto ageNode = [&](const TRule* rule) { return NodesOf<TPatternMatchNode>(*rule).at(1); };
  std::vector<TRule*> ages;
  for (int32_t age = 0; age < 12; ++age) ages.push_back(ageRule("a" + std::to_string(age), age));
  TPatternMatchNode* three = ageNode(ages[3]);
  TPatternMatchNode* seven = ageNode(ages[7]);

  seven->SetValue(Int(3));
  TRule* x = ageRule("x", 3);
  EXPECT_EQ(x->CompileTrace(), "x: =1=1+t");
  EXPECT_EQ(ageNode(x), three) << "the earlier of two equal successors";
  EXPECT_EQ(ageRule("w", 7)->CompileTrace(), "w: =1+1+t") << "the old value is gone";

  three->SetValue(Int(50));
  TRule* y = ageRule("y", 3);
  EXPECT_EQ(ageNode(y), seven);
  EXPECT_EQ(ageNode(ageRule("z", 50)), three);
  three->SetPatternMatchTest(pmtTestNotEqual);
  EXPECT_EQ(ageNode(ageRule("n", 50, true)), three);
  EXPECT_EQ(ageRule("e", 50)->CompileTrace(), "e: =1+1+t");
  seven->SetArgs(TIEVariantArray{std::string("name"), int32_t(-1)});
  EXPECT_EQ(ageRule("v", 3)->CompileTrace(), "v: =1+1+t");
  TRule* m = slotRule("m", "name", 3);
  EXPECT_EQ(ageNode(m), seven);

  // Its rules gone, the changed node leaves the index under its new
  // description: an equal rule makes a node anew.
  const int32_t nodes = rete.NodeCount();
  for (TRule* rule : {ages[7], y, m}) rete.RemoveRule(*rule);
  EXPECT_EQ(rete.NodeCount(), nodes - 4) << "three terminals and the node";
  EXPECT_EQ(slotRule("again", "name", 3)->CompileTrace(), "again: =1+1+t");
}

}  // namespace
