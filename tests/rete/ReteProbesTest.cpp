// Asking single nodes about a fact or a pair on demand: a check answers as
// matching would, a multifield expansion gives the segments matching sends,
// a join test compares the pair it is given, and none of it reaches a memory
// or the agenda.
#include <gtest/gtest.h>

#include "support/FakeReteEngine.h"

namespace {

class ReteProbesTest : public ::testing::Test {
 protected:
  ReteProbesTest() {
    person = MakeTemplate(&engine, "person", {"name", "age"});
    pet = MakeTemplate(&engine, "pet", {"owner", "kind"});
  }
  IFactRef Person(const char* name, int32_t age) {
    return MakeFact(person, {{"name", Atom(name)}, {"age", Int(age)}});
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

}  // namespace

TEST_F(ReteProbesTest, ACheckAnswersForItsFactAndSendsNothingOn) {
  TRule* rule = engine.NewRule("thirty");
  auto p = Pattern(person);
  p->AddTest("age", Int(30), true, false, -1);
  rule->AddPattern(std::move(p));
  rete.AddRule(*rule);
  auto checks = NodesOf<TPatternMatchNode>(*rule);
  ASSERT_EQ(checks.size(), 2u);
  TTokenRef thirty = TIEToken::Create(taAdd, IFact(Person("Bob", 30).get()));
  TTokenRef forty = TIEToken::Create(taAdd, IFact(Person("Ann", 40).get()));
  for (TPatternMatchNode* check : checks) {
    std::vector<TTokenRef> passed = check->Probe(thirty);
    ASSERT_EQ(passed.size(), 1u);
    EXPECT_EQ(passed[0].get(), thirty.get());
  }
  EXPECT_EQ(checks[0]->Probe(forty).size(), 1u) << "the template check";
  EXPECT_TRUE(checks[1]->Probe(forty).empty()) << "the age check";
  EXPECT_TRUE(checks[1]->Probe(TIEToken::CreateClear()).empty());
  EXPECT_TRUE(engine.agenda.empty());
}

TEST_F(ReteProbesTest, AnExpansionGivesTheSegmentsMatchingSends) {
  IFactTemplate list = MakeTemplate(&engine, "list", {}, {"items"});
  TRule* rule = engine.NewRule("split");
  auto p = Pattern(list);
  p->AddTest("items", Atom("a"), true, false, 0);
  p->AddTest("items", TIEValue::MakeMultiVariable("rest"), true, false, 1);
  rule->AddPattern(std::move(p));
  rete.AddRule(*rule);
  TPatternMatchNode* expansion = nullptr;
  for (TPatternMatchNode* node : NodesOf<TPatternMatchNode>(*rule))
    if (node->PatternMatchTest() == pmtTestMultiSlotMultiField) expansion = node;
  ASSERT_NE(expansion, nullptr);

  IFactRef fact = MakeFact(list, {{"items", AtomList({"a", "b", "c"})}});
  std::vector<std::string> probed;
  for (const TTokenRef& token : expansion->Probe(TIEToken::Create(taAdd, IFact(fact.get())))) {
    EXPECT_EQ(token->Fact()->ID(), fact->ID());
    probed.push_back(token->Fact()->GetSlotValue("items")->AsText());
  }
  EXPECT_TRUE(engine.agenda.empty()) << "probing sends nothing on";
  // Matching the same fact: one activation per segment, in that order.
  engine.Assert(fact);
  std::vector<std::string> matched;
  for (auto it = engine.agenda.rbegin(); it != engine.agenda.rend(); ++it)
    matched.push_back((*it)->Token()->FactAt(0)->GetSlotValue("items")->AsText());
  EXPECT_EQ(probed, matched);
  EXPECT_EQ(probed.size(), 3u);
}

TEST_F(ReteProbesTest, AJoinTestComparesThePairItIsGivenWithoutStoringIt) {
  // (person (name ?n)) (pet (owner ?n))
  TRule* rule = engine.NewRule("owners");
  auto p0 = Pattern(person);
  p0->AddTest("name", Var("n"), true, false, -1);
  rule->AddPattern(std::move(p0));
  auto p1 = Pattern(pet);
  p1->AddTest("owner", Var("n"), true, false, -1);
  rule->AddPattern(std::move(p1));
  rete.AddRule(*rule);
  TJoinNode* join = NodesOf<TJoinNode>(*rule).at(0);
  ASSERT_EQ(join->TestCount(), 1);
  TTokenRef bob = TIEToken::Create(taAdd, IFact(Person("Bob", 3).get()));
  IFactRef bobsPet = MakeFact(pet, {{"owner", Atom("Bob")}, {"kind", Atom("cat")}});
  IFactRef annsPet = MakeFact(pet, {{"owner", Atom("Ann")}, {"kind", Atom("dog")}});
  EXPECT_TRUE(join->TestPasses(0, bob, IFact(bobsPet.get())));
  EXPECT_FALSE(join->TestPasses(0, bob, IFact(annsPet.get())));
  EXPECT_FALSE(join->TestPasses(1, bob, IFact(bobsPet.get()))) << "no such test";
  EXPECT_TRUE(join->LeftMemory()->IsEmpty());
  EXPECT_TRUE(join->RightMemory()->IsEmpty());
  EXPECT_TRUE(engine.agenda.empty());
}
