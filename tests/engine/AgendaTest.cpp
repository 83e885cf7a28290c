// The agenda's order: insertion positions by salience under both strategies,
// equal saliences, salience computed as activations enter, and the strategy
// change that re-announces every pending activation in its old order.
#include "engine/EngineRunSupport.h"

using namespace enginetest;

namespace {

struct AgendaTest : EngineRunTest {
  // One rule per salience, all on the fact (go); asserting it fills the
  // agenda with one activation each.
  void Saliences(const std::vector<int>& saliences) {
    std::string text;
    for (size_t i = 0; i < saliences.size(); ++i)
      text += "(defrule s" + std::to_string(i) + " (declare (salience " +
              std::to_string(saliences[i]) + ")) (go) => )";
    engine.Evaluate(text);
    engine.AssertString("(go)");
  }
  std::vector<int32_t> AgendaSaliences() const {
    std::vector<int32_t> saliences;
    for (int32_t i = 0; i < engine.AgendaCount(); ++i)
      saliences.push_back(engine.GetActivation(i)->Rule()->Salience());
    return saliences;
  }
};

}  // namespace

TEST_F(AgendaTest, ActivationsAreOrderedBySalienceHighestFirst) {
  Saliences({5, 20, -3, 10});
  EXPECT_EQ(AgendaSaliences(), (std::vector<int32_t>{20, 10, 5, -3}));
  engine.SetStrategy(ssBreadthFirst);
  EXPECT_EQ(AgendaSaliences(), (std::vector<int32_t>{20, 10, 5, -3}));
}

TEST_F(AgendaTest, InsertionPositionsUnderBothStrategies) {
  EXPECT_EQ(engine.GetAgendaIndex(7), -1) << "an empty agenda appends";
  Saliences({10, 5});
  for (TSearchStrategy strategy : {ssDepthFirst, ssBreadthFirst}) {
    engine.SetStrategy(strategy);
    EXPECT_EQ(engine.GetAgendaIndex(7), 1);
    EXPECT_EQ(engine.GetAgendaIndex(11), 0);
    EXPECT_EQ(engine.GetAgendaIndex(1), -1);
  }
  engine.SetStrategy(ssDepthFirst);
  EXPECT_EQ(engine.GetAgendaIndex(5), 1) << "in front of the equal one";
  engine.SetStrategy(ssBreadthFirst);
  EXPECT_EQ(engine.GetAgendaIndex(10), 1) << "behind the equal one";
  EXPECT_EQ(engine.GetAgendaIndex(5), -1);
}

TEST_F(AgendaTest, EqualSaliencesAmongOthers) {
  Saliences({20, 10, 10, 0});
  engine.SetStrategy(ssDepthFirst);
  EXPECT_EQ(engine.GetAgendaIndex(10), 1);
  engine.SetStrategy(ssBreadthFirst);
  EXPECT_EQ(engine.GetAgendaIndex(10), 3);
}

TEST_F(AgendaTest, BinarySearchFindsTheBoundaryInALongAgenda) {
  std::vector<int> saliences;
  for (int s = 40; s > 0; s -= 2) saliences.push_back(s);  // 40, 38, ..., 2
  Saliences(saliences);
  ASSERT_EQ(engine.AgendaCount(), 20);
  for (int32_t s = 3; s <= 39; s += 4) {
    const int32_t expected = (40 - s) / 2 + 1;  // behind every higher one
    engine.SetStrategy(ssDepthFirst);
    EXPECT_EQ(engine.GetAgendaIndex(s), expected) << s;
    EXPECT_EQ(engine.GetAgendaIndex(s + 1), expected - 1) << s + 1;
    engine.SetStrategy(ssBreadthFirst);
    EXPECT_EQ(engine.GetAgendaIndex(s), expected) << s;
    EXPECT_EQ(engine.GetAgendaIndex(s + 1), expected) << s + 1;
  }
}

TEST_F(AgendaTest, EqualSalienceFiresNewestFirstDepthFirstAndOldestFirstBreadthFirst) {
  engine.Evaluate("(defrule r (item ?x) => (note ?x))");
  engine.AssertString("(item 1)");
  engine.AssertString("(item 2)");
  EXPECT_EQ(Agenda(), (Lines{"r : f-2", "r : f-1"}));
  engine.Run();
  EXPECT_EQ(notes, (Lines{"2", "1"}));

  notes.clear();
  engine.Reset();
  engine.SetStrategy(ssBreadthFirst);
  engine.AssertString("(item 1)");
  engine.AssertString("(item 2)");
  engine.Run();
  EXPECT_EQ(notes, (Lines{"1", "2"}));
}

TEST_F(AgendaTest, StrategyChangeAnnouncesEveryActivationAgainInItsOldOrder) {
  engine.Evaluate("(defrule r (item ?x) => )");
  for (int i = 1; i <= 3; ++i) engine.AssertString("(item " + std::to_string(i) + ")");
  ASSERT_EQ(Agenda(), (Lines{"r : f-3", "r : f-2", "r : f-1"}));
  std::vector<TActivation*> before;
  for (int32_t i = 0; i < engine.AgendaCount(); ++i) before.push_back(engine.GetActivation(i));
  LogAgenda();
  engine.SetWatch({cwActivation});

  engine.SetStrategy(ssDepthFirst);
  EXPECT_TRUE(events.empty()) << "the same strategy changes nothing";

  engine.SetStrategy(ssBreadthFirst);
  EXPECT_EQ(out,
            "==> Activation: r : f-3\r\n==> Activation: r : f-2\r\n==> Activation: r : f-1\r\n");
  EXPECT_EQ(events, (Lines{"+0 r : f-3", "+1 r : f-2", "+2 r : f-1"}));
  EXPECT_EQ(Agenda(), (Lines{"r : f-3", "r : f-2", "r : f-1"}));

  out.clear();
  events.clear();
  engine.SetStrategy(ssDepthFirst);
  EXPECT_EQ(events, (Lines{"+0 r : f-3", "+0 r : f-2", "+0 r : f-1"}));
  EXPECT_EQ(Agenda(), (Lines{"r : f-1", "r : f-2", "r : f-3"})) << "equal saliences reversed";
  // The activations are the very same objects.
  EXPECT_EQ(engine.GetActivation(0), before[2]);
  EXPECT_EQ(engine.GetActivation(2), before[0]);
}

TEST_F(AgendaTest, SalienceIsEvaluatedAsEachActivationEnters) {
  int32_t next = 0;
  int calls = 0;
  Function("level", [&](const std::vector<IIEValue>&) {
    ++calls;
    return TIEValue::MakeInteger(next);
  });
  engine.Evaluate("(defrule fixed (declare (salience 5)) (go) => )");
  engine.AssertString("(go)");
  engine.Evaluate("(defrule moving (declare (salience (level))) (item ?x) => )");
  const int before = calls;
  next = 10;
  engine.AssertString("(item 1)");
  EXPECT_EQ(calls, before + 1);
  EXPECT_EQ(Agenda(), (Lines{"moving : f-2", "fixed : f-1"}));
  engine.RemoveActivation(0);
  next = 1;
  engine.AssertString("(item 2)");
  EXPECT_EQ(calls, before + 2);
  EXPECT_EQ(engine.Rules().Find("moving")->Salience(), 1);
  EXPECT_EQ(Agenda(), (Lines{"fixed : f-1", "moving : f-3"}));
}

TEST_F(AgendaTest, AgendaEventsAndWatchLinesOnAddAndRemove) {
  engine.Evaluate("(defrule r (item ?x) => )");
  LogAgenda();
  engine.SetWatch({cwActivation});
  engine.AssertString("(item 1)");
  engine.AssertString("(item 2)");
  engine.RetractById(1);
  EXPECT_EQ(events, (Lines{"+0 r : f-1", "+0 r : f-2", "-1 r : f-1"}));
  EXPECT_EQ(out,
            "==> Activation: r : f-1\r\n==> Activation: r : f-2\r\n<== Activation: r : f-1\r\n");
  for (const std::string& id : outIds) EXPECT_EQ(id, "");

  // Without a print-out handler nothing is printed, the events still come.
  engine.OnPrintOut = nullptr;
  events.clear();
  engine.RemoveActivation(0);
  EXPECT_EQ(events, (Lines{"-0 r : f-2"}));
  EXPECT_EQ(engine.AgendaCount(), 0);
  EXPECT_THROW(engine.GetActivation(0), EListError);
}

// Lines leave from anywhere among several saliences: each event reports the
// line's position at that moment, and reading by position (forwards,
// backwards, after changes) always meets the lines in agenda order.
TEST_F(AgendaTest, PositionsStayRightWhileLinesLeaveFromAnywhere) {
  engine.Evaluate(
      "(defrule high (declare (salience 10)) (a ?x) => )"
      "(defrule mid (b ?x) => )"
      "(defrule low (declare (salience -10)) (c ?x) => )");
  for (const char* fact : {"(a 1)", "(a 2)", "(b 1)", "(b 2)", "(c 1)", "(c 2)", "(c 3)"})
    engine.AssertString(fact);
  const Lines all{"high : f-2", "high : f-1", "mid : f-4", "mid : f-3",
                  "low : f-7",  "low : f-6",  "low : f-5"};
  ASSERT_EQ(Agenda(), all);
  // By position out of order: the same lines.
  for (int32_t i : {6, 0, 4, 3, 5, 1}) EXPECT_EQ(engine.AgendaText(i), all[size_t(i)]) << i;
  LogAgenda();
  engine.RetractById(1);
  engine.RetractById(6);
  engine.RemoveActivation(1);
  engine.AssertString("(b 9)");
  EXPECT_EQ(events, (Lines{"-1 high : f-1", "-4 low : f-6", "-1 mid : f-4", "+1 mid : f-8"}));
  EXPECT_EQ(Agenda(), (Lines{"high : f-2", "mid : f-8", "mid : f-3", "low : f-7", "low : f-5"}));
  // A line put in place of another keeps its position.
  engine.SetActivationObject(0, engine.GetActivation(4)->Clone());
  EXPECT_EQ(engine.AgendaText(0), "low : f-5");
  EXPECT_EQ(engine.Run(1), 1);
  EXPECT_EQ(Agenda(), (Lines{"mid : f-8", "mid : f-3", "low : f-7", "low : f-5"}));
}
