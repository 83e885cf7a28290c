// The working-memory and engine commands of the standard package, run as rule
// text in a real engine: facts asserted, retracted, modified and duplicated,
// the store-and-fetch storage, fact duplication, generated symbols, watches,
// variables and backward chaining.
#include <gtest/gtest.h>

#include <string>

#include "core/Exceptions.h"
#include "engine/InferenceEngine.h"
#include "values/IEContext.h"

namespace {

class StandardEngineTest : public ::testing::Test {
 protected:
  // A new engine holds the initial fact; the tests start from an empty list.
  StandardEngineTest() { engine.Facts().Clear(); }
  IIEValue Eval(const std::string& text) {
    return engine.ParseFunCall(text)->Evaluate(&engine.Context());
  }
  std::string Text(const std::string& text) {
    IIEValue result = Eval(text);
    return result ? result->AsText() : "<none>";
  }
  std::string Error(const std::string& text) {
    try {
      Eval(text);
    } catch (const Exception& e) {
      return e.Message();
    }
    return "(no exception)";
  }
  std::string Facts() { return engine.Facts().Text(true); }

  TInferenceEngine engine;
};

}  // namespace

TEST_F(StandardEngineTest, AssertReturnsTheLastIndexOrFalse) {
  EXPECT_EQ(Text("(assert)"), "FALSE");
  IIEValue id = Eval("(assert (a 1) (b 2))");
  ASSERT_TRUE(id);
  EXPECT_EQ(id->DType(), dtFactId);
  EXPECT_EQ(id->AsFactId(), engine.Facts().Get(1)->ID());
  EXPECT_EQ(engine.FactCount(), 2);
  EXPECT_EQ(Text("(assert (a 1))"), "FALSE") << "an equal fact is refused";
  EXPECT_EQ(engine.FactCount(), 2);
  engine.SetFactDuplication(true);
  EXPECT_NE(Text("(assert (a 1))"), "FALSE");
  EXPECT_EQ(engine.FactCount(), 3);
}

TEST_F(StandardEngineTest, AssertResolvesAndFlattensSlotValues) {
  Eval("(bind ?x (create$ 2 (create$ 3 4)))");
  Eval("(bind ?y 7)");
  Eval("(assert (a 1 ?x ?y (+ 1 1)))");
  EXPECT_EQ(engine.Facts().Get(0)->AsText(), "(a 1 2 3 4 7 2)");
  // The asserted fact is a copy: asserting the same call text again with a
  // new binding gives a different fact.
  Eval("(bind ?y 8)");
  Eval("(assert (a 1 ?x ?y (+ 1 1)))");
  EXPECT_EQ(engine.Facts().Get(1)->AsText(), "(a 1 2 3 4 8 2)");
}

TEST_F(StandardEngineTest, AssertStringAndRetractString) {
  IIEValue id = Eval("(assert-string \"(b 1)\" \"(c x y)\")");
  ASSERT_TRUE(id);
  EXPECT_EQ(id->DType(), dtFactId);
  EXPECT_EQ(engine.FactCount(), 2);
  EXPECT_EQ(Text("(retract-string \"(b 1)\")"), "TRUE");
  EXPECT_EQ(engine.FactCount(), 1);
  EXPECT_EQ(engine.Facts().Get(0)->AsText(), "(c x y)");
  EXPECT_EQ(Text("(retract-string)"), "TRUE");
}

TEST_F(StandardEngineTest, RetractByIndexAndAll) {
  Eval("(assert (a) (b) (c))");
  const int32_t b = engine.Facts().Get(1)->ID();
  EXPECT_EQ(Text("(retract 9999)"), "TRUE");
  EXPECT_EQ(engine.FactCount(), 3) << "an index without a fact changes nothing";
  EXPECT_EQ(Text("(retract " + std::to_string(b) + " 9999)"), "TRUE");
  EXPECT_EQ(engine.FactCount(), 2);
  EXPECT_EQ(engine.Facts().IndexOfId(b), -1);
  EXPECT_EQ(Text("(retract *)"), "TRUE");
  EXPECT_EQ(engine.FactCount(), 0);
  EXPECT_EQ(Error("(retract)"), "Too few arguments for retract");
  EXPECT_EQ(Error("(retract abc)"), "Not a fact.  Value Type is dtAtom");
}

TEST_F(StandardEngineTest, ModifyGivesANewIdentifierAndChangesSlots) {
  engine.Evaluate("(deftemplate p (slot name) (multislot tags) (slot age (default 0)))");
  Eval("(assert (p (name bob) (tags x y) (age 5)))");
  const int32_t old = engine.Facts().Get(0)->ID();
  IIEValue id = Eval("(modify " + std::to_string(old) + " (age (+ 5 1)) (tags z))");
  ASSERT_TRUE(id);
  EXPECT_NE(id->AsFactId(), old);
  ASSERT_EQ(engine.FactCount(), 1);
  EXPECT_EQ(engine.Facts().Get(0)->ID(), id->AsFactId());
  EXPECT_EQ(engine.Facts().Get(0)->GetSlotValue("name")->AsText(), "bob");
  EXPECT_EQ(engine.Facts().Get(0)->GetSlotValue("age")->AsText(), "6");
  IIEValue tags = engine.Facts().Get(0)->GetSlotValue("tags");
  ASSERT_EQ(tags->DType(), dtList);
  EXPECT_EQ(tags->AsList()->Count(), 1) << "one new element is a one-element multifield";
  // A call giving a multifield contributes its elements.
  id = Eval("(modify " + std::to_string(id->AsFactId()) + " (tags (create$ a b) c))");
  EXPECT_EQ(engine.Facts().Get(0)->GetSlotValue("tags")->AsList()->Count(), 3);
  Eval("(bind ?u u)");
  Eval("(bind ?w w)");
  id = Eval("(modify " + std::to_string(id->AsFactId()) + " (tags ?u ?w))");
  EXPECT_EQ(engine.Facts().Get(0)->GetSlotValue("tags")->AsText(), "u w") << "values resolved";
  Eval("(modify " + std::to_string(id->AsFactId()) + " (tags (create$)))");
  EXPECT_EQ(engine.Facts().Get(0)->GetSlotValue("tags")->AsList()->Count(), 0);
  EXPECT_EQ(Error("(modify 9999 (age 1))"), "No Such Fact with ID=9999 exists");
}

TEST_F(StandardEngineTest, ModifyWithABadSlotChangesNothing) {
  engine.Evaluate("(deftemplate p (slot name))");
  Eval("(assert (p (name bob)))");
  const int32_t id = engine.Facts().Get(0)->ID();
  EXPECT_EQ(Error("(modify " + std::to_string(id) + " (nope 1))"),
            "No such slot name: \"nope\"");
  ASSERT_EQ(engine.FactCount(), 1);
  EXPECT_EQ(engine.Facts().Get(0)->ID(), id);
  EXPECT_EQ(engine.Facts().Get(0)->AsText(), "(p (name bob))");
}

TEST_F(StandardEngineTest, DuplicateLeavesTheSourceInPlace) {
  engine.Evaluate("(deftemplate p (slot name) (slot age))");
  Eval("(assert (p (name bob) (age 5)))");
  const int32_t source = engine.Facts().Get(0)->ID();
  IIEValue id = Eval("(duplicate " + std::to_string(source) + " (name ann))");
  ASSERT_TRUE(id);
  EXPECT_NE(id->AsFactId(), source);
  ASSERT_EQ(engine.FactCount(), 2);
  EXPECT_EQ(engine.Facts().Get(0)->AsText(), "(p (name bob) (age 5))");
  EXPECT_EQ(engine.Facts().Get(1)->AsText(), "(p (name ann) (age 5))");
  EXPECT_EQ(Error("(duplicate 9999 (name x))"), "No Such Fact with ID=9999 exists");
}

TEST_F(StandardEngineTest, StoreFetchAndClearStorage) {
  EXPECT_EQ(Eval("(fetch missing)").get(), NilValue().get());
  EXPECT_EQ(Text("(store k (+ 1 2))"), "3");
  EXPECT_EQ(Text("(fetch k)"), "3");
  Eval("(bind ?key k)");
  EXPECT_EQ(Text("(fetch ?key)"), "3") << "the key is resolved";
  EXPECT_EQ(Text("(store k (fetch missing))"), "<none>") << "storing nil stores none";
  EXPECT_EQ(Eval("(fetch k)").get(), NilValue().get());
  Eval("(store j 1)");
  EXPECT_EQ(Text("(clear-storage)"), "TRUE");
  EXPECT_EQ(Eval("(fetch j)").get(), NilValue().get());
}

TEST_F(StandardEngineTest, ClearResetAndRun) {
  engine.Evaluate("(defrule r (go) => (assert (done)))");
  Eval("(assert (go))");
  EXPECT_EQ(Text("(run 0)"), "0");
  EXPECT_EQ(Text("(run)"), "1");
  EXPECT_EQ(engine.FactCount(), 2);
  EXPECT_EQ(Text("(reset)"), "TRUE");
  ASSERT_EQ(engine.FactCount(), 1);
  EXPECT_EQ(engine.Facts().Get(0)->AsText(), "(Initial-Fact)");
  EXPECT_EQ(Text("(clear)"), "TRUE");
  EXPECT_EQ(engine.FactCount(), 0);
  EXPECT_EQ(engine.Rules().Count(), 0);
  EXPECT_EQ(Error("(run 1 2)"), "Too many arguments for run");
}

TEST_F(StandardEngineTest, FactDuplicationReadsAsRefusal) {
  engine.SetFactDuplication(true);
  EXPECT_EQ(Text("(get-fact-duplication)"), "FALSE");
  EXPECT_EQ(Text("(set-fact-duplication TRUE)"), "FALSE") << "the old state";
  EXPECT_FALSE(engine.FactDuplication());
  EXPECT_EQ(Text("(get-fact-duplication)"), "TRUE");
  EXPECT_EQ(Text("(set-fact-duplication FALSE)"), "TRUE");
  EXPECT_TRUE(engine.FactDuplication());
}

TEST_F(StandardEngineTest, GensymCountsUp) {
  const int32_t first = engine.SymbolIndex();
  EXPECT_EQ(Text("(gensym*)"), "gen" + std::to_string(first));
  EXPECT_EQ(Text("(gensym*)"), "gen" + std::to_string(first + 1));
  engine.SetSymbolIndex(2147483647);
  EXPECT_EQ(Error("(gensym*)"), "Symbol index overflow in gensym*");
  EXPECT_EQ(engine.SymbolIndex(), 2147483647);
}

TEST_F(StandardEngineTest, WatchAndUnwatch) {
  EXPECT_EQ(Text("(watch all)"), "TRUE");
  EXPECT_EQ(Text("(unwatch facts)"), "TRUE");
  TConstructWatches w = engine.Watch();
  EXPECT_FALSE(w.Contains(cwFact));
  EXPECT_TRUE(w.Contains(cwActivation));
  EXPECT_TRUE(w.Contains(cwRule));
  EXPECT_TRUE(w.Contains(cwCompilation));
  EXPECT_TRUE(w.Contains(cwStatistics));
  Eval("(unwatch all)");
  EXPECT_TRUE(engine.Watch().Empty());
  Eval("(watch statistics)");
  EXPECT_TRUE(engine.Watch().Contains(cwStatistics));
  EXPECT_EQ(Error("(watch Facts)"), "Cannot watch Facts") << "names are case-sensitive";
  EXPECT_EQ(Error("(unwatch nothing)"), "Cannot unwatch nothing");
}

TEST_F(StandardEngineTest, GetVarAndVersion) {
  Eval("(bind ?v 42)");
  EXPECT_EQ(Text("(__get-var ?v)"), "42");
  EXPECT_EQ(Text("(__get-var v)"), "42") << "a name looks up the binding";
  EXPECT_EQ(Eval("(__get-var nothing)").get(), NilValue().get());
  IIEValue version = Eval("(version)");
  ASSERT_EQ(version->DType(), dtFloat);
  EXPECT_DOUBLE_EQ(version->AsFloat(), 1.100000023841858);
}

TEST_F(StandardEngineTest, BackwardChainingAddsGoalTemplates) {
  engine.Evaluate("(deftemplate item (slot size))");
  EXPECT_EQ(Text("(do-backward-chaining item other)"), "TRUE");
  IFactTemplate item = engine.FindFactTemplate("item");
  ASSERT_TRUE(item);
  EXPECT_TRUE(item->BackwardChaining());
  IFactTemplate goal = engine.FindFactTemplate("need-item");
  ASSERT_TRUE(goal);
  EXPECT_EQ(goal->Comment(), "Goal seeker for item");
  EXPECT_FALSE(goal->Parent());
  EXPECT_TRUE(goal->HasSlot("size"));
  ASSERT_TRUE(engine.FindFactTemplate("other")) << "made as an implied template";
  EXPECT_TRUE(engine.FindFactTemplate("other")->BackwardChaining());
  EXPECT_TRUE(engine.FindFactTemplate("need-other"));
  EXPECT_EQ(Error("(do-backward-chaining test)"), "Cannot backchain on special CEs: test");
  EXPECT_EQ(Error("(do-backward-chaining not)"), "Cannot backchain on special CEs: not");
}

TEST_F(StandardEngineTest, RuleActionsChangeWorkingMemory) {
  engine.Evaluate(
      "(deftemplate counter (slot n))"
      "(defrule count ?f <- (counter (n ?n&:(< ?n 3))) => (modify ?f (n (+ ?n 1))))"
      "(defrule stop ?f <- (counter (n 3)) => (retract ?f) (store result done))");
  Eval("(assert (counter (n 0)))");
  EXPECT_EQ(Text("(run)"), "4");
  EXPECT_EQ(engine.FactCount(), 0);
  EXPECT_EQ(Text("(fetch result)"), "done");
}
