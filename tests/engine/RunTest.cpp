// The run loop: limits, halting, the FIRE watch line, the statistics lines,
// the events of a run, the failure path and an activation withdrawn by its
// own rule while it fires.
#include <regex>

#include "engine/EngineRunSupport.h"

using namespace enginetest;

namespace {

struct RunTest : EngineRunTest {
  RunTest() {
    engine.OnStartInference = [this](TObject*) { events.push_back("start"); };
    engine.OnEndInference = [this](TObject*, int32_t fired) {
      events.push_back("end " + std::to_string(fired));
    };
    engine.OnRuleFired = [this](TObject*, TRule* rule) { events.push_back("fired " + rule->RuleName()); };
  }
};

}  // namespace

TEST_F(RunTest, RunZeroFiresNothingButRaisesBothEvents) {
  engine.Evaluate("(defrule r (item ?x) => (note ?x))");
  engine.AssertString("(item 1)");
  EXPECT_EQ(engine.Run(0), 0);
  EXPECT_EQ(events, (Lines{"start", "end 0"}));
  EXPECT_TRUE(notes.empty());
  EXPECT_EQ(engine.AgendaCount(), 1);
}

TEST_F(RunTest, RunStopsAtItsLimitOnARefillingAgenda) {
  int n = 0;
  Function("more", [&](const std::vector<IIEValue>&) {
    engine.AssertString("(n " + std::to_string(++n) + ")");
    return IIEValue();
  });
  engine.Evaluate("(defrule grow (n ?x) => (more))");
  engine.AssertString("(n 0)");
  EXPECT_EQ(engine.Run(3), 3);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(engine.AgendaCount(), 1) << "the fourth activation waits";
  EXPECT_EQ(events, (Lines{"start", "fired grow", "fired grow", "fired grow", "end 3"}));
  EXPECT_EQ(engine.Run(2), 2) << "a later run continues";
}

TEST_F(RunTest, EmptyAgendaEndsTheRunAndEachFiringLeavesTheAgenda) {
  engine.Evaluate("(defrule r (item ?x) => (note ?x))");
  engine.AssertString("(item 1)");
  engine.AssertString("(item 2)");
  LogAgenda();
  EXPECT_EQ(engine.Run(), 2);
  EXPECT_EQ(notes, (Lines{"2", "1"}));
  // The network reports each firing; the activation then leaves the agenda.
  EXPECT_EQ(events, (Lines{"start", "fired r", "-0 r : f-2", "fired r", "-0 r : f-1", "end 2"}));
  EXPECT_EQ(engine.AgendaCount(), 0);
  EXPECT_EQ(engine.CurrentActivation(), nullptr);
}

TEST_F(RunTest, HaltInsideARuleStopsAfterThatRuleAndCountsIt) {
  engine.Evaluate("(defrule r (item ?x) => (note ?x) (stop) (note after))");
  engine.AssertString("(item 1)");
  engine.AssertString("(item 2)");
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(notes, (Lines{"2", "after"})) << "the rule's actions all run";
  EXPECT_TRUE(engine.Halted());
  EXPECT_EQ(engine.AgendaCount(), 1);
  // Halted set before Run has no effect: Run clears it.
  notes.clear();
  engine.Evaluate("(defrule quiet (other) => (note quiet))");
  engine.AssertString("(other)");
  engine.SetHalted(true);
  EXPECT_EQ(engine.Run(1), 1);
  EXPECT_EQ(notes, (Lines{"quiet"}));
}

TEST_F(RunTest, FireLinesCountFromZeroInEveryRun) {
  engine.Evaluate("(defrule r (item ?x) (item2 ?y) => )");
  engine.AssertString("(item 1)");
  engine.AssertString("(item2 1)");
  engine.AssertString("(item2 2)");
  engine.SetWatch({cwRule});
  EXPECT_EQ(engine.Run(1), 1);
  EXPECT_EQ(out, "FIRE 0 r f-1, f-3\r\n");
  out.clear();
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(out, "FIRE 0 r f-1, f-2\r\n");
}

TEST_F(RunTest, StatisticsPrintNothingWithoutFirings) {
  engine.SetWatch({cwStatistics, cwRule});
  EXPECT_EQ(engine.Run(), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(events, (Lines{"start", "end 0"}));
}

TEST_F(RunTest, StatisticsLinesWithSinglePrecisionMeans) {
  // Three facts, three firings breadth first; the last firing adds a fact:
  // facts after each firing 3, 3, 4 (mean 10/3), agenda 2, 1, 0.
  Function("last", [&](const std::vector<IIEValue>& args) {
    if (args[0]->AsInteger() == 3) engine.AssertString("(seen)");
    return IIEValue();
  });
  engine.Evaluate("(defrule r (item ?x) => (last ?x))");
  engine.RetractById(0);
  engine.SetStrategy(ssBreadthFirst);
  for (int i = 1; i <= 3; ++i) engine.AssertString("(item " + std::to_string(i) + ")");
  engine.SetWatch({cwStatistics});
  EXPECT_EQ(engine.Run(), 3);

  const std::regex expected(
      "3 rules fired\\.     Run time is [0-9.E-]+ seconds\r\n"
      "[0-9.E-]+ rules per second\r\n"
      "3\\.33333325386047 mean number of facts \\(4 maximum\\)\r\n"
      "1 mean number of activations \\(3 maximum\\)\r\n");
  EXPECT_TRUE(std::regex_match(out, expected)) << out;
  EXPECT_EQ(engine.Statistics().RulesFired, 3);
  EXPECT_EQ(engine.Statistics().MaxFacts, 4);
  EXPECT_FLOAT_EQ(engine.Statistics().MeanFacts, 10.0f / 3.0f);
}

TEST_F(RunTest, AFailingActionEndsTheRunAndKeepsTheRestOfTheAgenda) {
  engine.Evaluate(
      "(defrule bad (declare (salience 10)) (item ?x) => (note ?x) (fail) (note never))"
      "(defrule good (item ?x) => (note good))");
  engine.AssertString("(item 1)");
  engine.AssertString("(item 2)");
  ASSERT_EQ(engine.AgendaCount(), 4);
  LogAgenda();
  engine.SetWatch({cwStatistics});
  try {
    engine.Run();
    FAIL() << "no exception";
  } catch (const EIEException& e) {
    EXPECT_STREQ(e.what(), "boom");
  }
  EXPECT_EQ(notes, (Lines{"2"}));
  EXPECT_EQ(events, (Lines{"start", "-0 bad : f-2"})) << "no OnEndInference";
  EXPECT_EQ(out, "") << "no statistics";
  EXPECT_EQ(Agenda(), (Lines{"bad : f-1", "good : f-2", "good : f-1"}));
  EXPECT_EQ(engine.CurrentActivation(), nullptr);
  EXPECT_EQ(engine.Statistics().RulesFired, 0);

  // The network no longer lists the failed activation: retracting its fact
  // withdraws only the other one.
  events.clear();
  engine.RetractById(2);
  EXPECT_EQ(events, (Lines{"-1 good : f-2"}));
  // The lock was released: another thread can take it.
  bool locked = false;
  std::thread other([&] {
    engine.Lock();
    locked = true;
    engine.Unlock();
  });
  other.join();
  EXPECT_TRUE(locked);
}

TEST_F(RunTest, TheFiringActivationWithdrawnByItsOwnRuleStaysAliveUntilItsFiringEnds) {
  engine.Evaluate("(defrule r ?f <- (item ?x) => (drop ?f) (note ?x))");
  engine.AssertString("(item 7)");
  engine.AssertString("(item 8)");
  LogAgenda();
  engine.SetWatch({cwActivation, cwFact});
  EXPECT_EQ(engine.Run(), 2);
  EXPECT_EQ(notes, (Lines{"8", "7"})) << "the token is whole after the withdrawal";
  // The withdrawal takes the line; the later report of the firing finds nothing.
  EXPECT_EQ(events, (Lines{"start", "-0 r : f-2", "fired r", "-0 r : f-1", "fired r", "end 2"}));
  EXPECT_EQ(out,
            "<== Activation: r : f-2\r\n <== f-2 (item 8)\r\n"
            "<== Activation: r : f-1\r\n <== f-1 (item 7)\r\n");
  EXPECT_EQ(engine.AgendaCount(), 0);
  EXPECT_EQ(engine.FactCount(), 1);
}

TEST_F(RunTest, ARuleMayRunTheEngineInsideARun) {
  Function("inner", [&](const std::vector<IIEValue>&) {
    return TIEValue::MakeInteger(engine.Run());
  });
  engine.Evaluate(
      "(defrule outer (declare (salience 10)) ?f <- (go) => (drop ?f) (note (inner)))"
      "(defrule r (item ?x) => (note ?x))");
  engine.AssertString("(item 1)");
  engine.AssertString("(go)");
  engine.AssertString("(item 2)");
  // The outer run fires one rule; the inner run the two others.
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(notes, (Lines{"2", "1", "2"}));
  EXPECT_EQ(engine.CurrentActivation(), nullptr);
}

TEST_F(RunTest, AnInnerRunDoesNotFireTheActivationsBeingFired) {
  Function("inner", [&](const std::vector<IIEValue>&) {
    return TIEValue::MakeInteger(engine.Run());
  });
  engine.Evaluate(
      "(defrule outer (declare (salience 10)) (go) => (note (inner)))"
      "(defrule r (go) => (note r))");
  engine.AssertString("(go)");
  // Without the exclusion the inner run would fire outer again, without end.
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(notes, (Lines{"r", "1"}));
  EXPECT_EQ(engine.AgendaCount(), 0);
}

TEST_F(RunTest, ARuleMayRemoveItselfOrClearTheEngineWhileItFires) {
  Function("unregister", [&](const std::vector<IIEValue>& args) {
    engine.Rules().Remove(args.at(0)->AsText());
    return IIEValue();
  });
  Function("wipe", [&](const std::vector<IIEValue>&) {
    engine.Clear();
    return IIEValue();
  });
  engine.Evaluate(
      "(defrule self (declare (salience 10)) (go) => (unregister self) (note after-self))"
      "(defrule next (go) => (wipe) (note after-clear))");
  engine.AssertString("(go)");
  // The rules' remaining actions run; the activations outlive their freed nodes.
  EXPECT_EQ(engine.Run(), 2);
  EXPECT_EQ(notes, (Lines{"after-self", "after-clear"}));
  EXPECT_EQ(engine.Rules().Count(), 0);
  EXPECT_EQ(engine.AgendaCount(), 0);
}
