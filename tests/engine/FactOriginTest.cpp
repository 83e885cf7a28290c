// Fact origins: the record each way into working memory leaves (the host's
// API, top-level text, reset and its fact sets, rule firings run by the host
// or by a command, a modify inside a rule), and records that go with their
// facts on retract, reset and clear, also over many change cycles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/InferenceEngine.h"
#include "rete/FactOrigin.h"

namespace {

struct FactOriginTest : ::testing::Test {
  TInferenceEngine engine;

  IFact Fact(int32_t id) {
    IFact fact = engine.FindFactById(id);
    EXPECT_TRUE(fact) << "no fact f-" << id;
    return fact;
  }
  TFactOriginRef OriginOf(int32_t id) {
    TFactOriginRef origin = engine.OriginOf(Fact(id));
    EXPECT_TRUE(origin) << "no origin of f-" << id;
    return origin;
  }
  static std::vector<int32_t> Ids(const TFactOrigin& origin) {
    return {origin.FactIds().begin(), origin.FactIds().end()};
  }
};

TEST_F(FactOriginTest, HostTopLevelResetAndFactSetsAreToldApart) {
  engine.Evaluate("(deffacts start (a 1) (a 2))");
  engine.Reset();
  EXPECT_EQ(OriginOf(0)->Kind(), TFactOriginKind::Reset);
  EXPECT_EQ(OriginOf(1)->Kind(), TFactOriginKind::FactSet);
  EXPECT_EQ(OriginOf(1)->Name(), "start");
  EXPECT_EQ(OriginOf(1), OriginOf(2)) << "the facts of one set share a record";
  ASSERT_EQ(engine.AssertString("(host 1)"), 3);
  EXPECT_EQ(OriginOf(3)->Kind(), TFactOriginKind::Host);
  engine.Evaluate("(assert (text 1))");
  EXPECT_EQ(OriginOf(4)->Kind(), TFactOriginKind::TopLevel);
  engine.EvaluateFunCall("(assert (call 1))");
  EXPECT_EQ(OriginOf(5)->Kind(), TFactOriginKind::TopLevel);
  ASSERT_EQ(engine.AssertString("(host 2)"), 6);
  EXPECT_EQ(OriginOf(6)->Kind(), TFactOriginKind::Host) << "top level ends with its text";
}

TEST_F(FactOriginTest, AFiringRecordsItsRuleAndTokenFactsWithoutPlaceholders) {
  engine.Evaluate(
      "(defrule join (a ?x) (b ?x) (not (c ?x)) (test (> ?x 0)) => (assert (ab ?x)) (assert (ok)))");
  engine.Reset();
  engine.AssertString("(b 1)");  // f-1
  engine.AssertString("(a 1)");  // f-2
  ASSERT_EQ(engine.Run(), 1);
  const TFactOriginRef origin = OriginOf(3);
  EXPECT_EQ(origin->Kind(), TFactOriginKind::Rule);
  EXPECT_EQ(origin->Name(), "join");
  EXPECT_EQ(Ids(*origin), (std::vector<int32_t>{2, 1})) << "in pattern order";
  EXPECT_EQ(OriginOf(4), origin) << "the facts of one firing share its record";
  engine.AssertString("(after)");
  EXPECT_EQ(OriginOf(5)->Kind(), TFactOriginKind::Host) << "the firing's scope has ended";
}

TEST_F(FactOriginTest, ANestedRunAndAModifyInARuleRecordTheFiringOnTheOldFact) {
  engine.Evaluate(
      "(deftemplate n (slot v))"
      "(defrule up ?f <- (n (v ?v&:(< ?v 2))) => (modify ?f (v (+ ?v 1))))");
  engine.Reset();
  engine.Evaluate("(assert (n (v 0))) (run)");  // f-1, then f-2 and f-3 by modify
  ASSERT_EQ(engine.FactCount(), 2);
  EXPECT_EQ(OriginOf(3)->Kind(), TFactOriginKind::Rule) << "a run inside text is no top level";
  EXPECT_EQ(Ids(*OriginOf(3)), (std::vector<int32_t>{2})) << "the fact before the modify";
}

TEST_F(FactOriginTest, ARecordOutlivesItsRuleButNotItsFact) {
  engine.Evaluate("(defrule make (seed) => (assert (grown)))");
  engine.Reset();
  engine.AssertString("(seed)");
  engine.Run();
  engine.UndefineRule("make");
  EXPECT_EQ(OriginOf(2)->Name(), "make");
  const IFact grown = Fact(2);
  engine.RetractById(2);
  EXPECT_FALSE(engine.OriginOf(grown)) << "a retracted fact has no origin";
  const IFactRef copy = AsTFact(Fact(1).get())->Clone();
  EXPECT_FALSE(engine.OriginOf(IFact(copy.get()))) << "an equal copy is not the listed fact";
}

TEST_F(FactOriginTest, RecordsGoWithTheirFactsOnRetractResetAndClear) {
  engine.Evaluate("(defrule two (seed ?n) => (assert (x ?n)) (assert (y ?n)))");
  engine.Reset();
  engine.AssertString("(seed 1)");
  engine.Run();
  TFactOriginRef held = OriginOf(2);
  EXPECT_EQ(held->RefCount(), 3) << "held here and beside f-2 and f-3";
  engine.RetractById(2);
  EXPECT_EQ(held->RefCount(), 2);
  engine.Reset();
  EXPECT_EQ(held->RefCount(), 1) << "reset drops the records of the facts it drops";

  engine.AssertString("(seed 2)");
  engine.Run();
  held = OriginOf(2);
  engine.Clear();
  EXPECT_EQ(held->RefCount(), 1) << "clear drops them too";
}

TEST_F(FactOriginTest, ChangeCyclesKeepOnlyTheLiveFactsRecords) {
  engine.Evaluate(
      "(deftemplate n (slot v))"
      "(defrule up ?f <- (n (v ?v&:(< ?v 20000))) => (modify ?f (v (+ ?v 1))))");
  engine.Reset();
  engine.AssertString("(n (v 0))");
  engine.Run(1);
  const TFactOriginRef first = OriginOf(2);
  engine.Run();
  EXPECT_EQ(first->RefCount(), 1) << "the first modify's record left with its fact";
  ASSERT_EQ(engine.FactCount(), 2);
  const TFactOriginRef last = OriginOf(20001);
  EXPECT_EQ(last->RefCount(), 2);
  EXPECT_EQ(Ids(*last), (std::vector<int32_t>{20000}));
}

}  // namespace
