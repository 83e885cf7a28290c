// Working memory: identifiers, the duplication rule, the retract family, the
// queues of facts, watch lines and events in their order, Reset and Clear as
// far as facts, agenda and network go, and rules primed with existing facts.
#include "engine/EngineRunSupport.h"
#include "facts/IEFactSet.h"
#include "frontend/IEParseException.h"

using namespace enginetest;

namespace {

struct WorkingMemoryTest : EngineRunTest {
  WorkingMemoryTest() {
    engine.OnAssertion = [this](TObject*, const IFact& f) {
      events.push_back("assert " + f->AsText() + " agenda " + std::to_string(engine.AgendaCount()));
    };
    engine.OnRetraction = [this](TObject*, const IFact& f) {
      events.push_back("retract " + f->AsText() + " listed " +
                       std::to_string(engine.Facts().IndexOf(AsTFact(f.get())) >= 0));
    };
    engine.OnClearFacts = [this](TObject*) { events.push_back("clear facts"); };
  }
  Lines FactTexts() const {
    Lines texts;
    for (const IFactRef& fact : engine.Facts()) texts.push_back(fact->IndexedText());
    return texts;
  }
};

}  // namespace

TEST_F(WorkingMemoryTest, ANewEngineHoldsTheInitialFactAsFactZero) {
  TInferenceEngine fresh;
  ASSERT_EQ(fresh.FactCount(), 1);
  EXPECT_EQ(fresh.Facts().Get(0)->AsText(), "(Initial-Fact)");
  EXPECT_EQ(fresh.Facts().Get(0)->ID(), 0);
  EXPECT_EQ(fresh.FactCounter(), 1);
  EXPECT_EQ(AsTFact(fresh.NotOrTestFact().get())->Template()->Name(), "__NOT-OR-TEST-CE*");
  EXPECT_EQ(fresh.NotOrTestFact()->ID(), -1);
  ASSERT_TRUE(fresh.InitialFactPattern());
}

TEST_F(WorkingMemoryTest, IdentifiersGrowAndResetStartsAgainWithTheFactSets) {
  engine.Evaluate("(deffacts one (a 1) (a 2)) (deffacts two (b 1))");
  EXPECT_EQ(engine.AssertString("(x)"), 1);
  EXPECT_EQ(engine.AssertString("(y)"), 2);
  engine.RetractById(2);
  EXPECT_EQ(engine.AssertString("(y)"), 3) << "identifiers are not reused";
  events.clear();
  engine.Reset();
  EXPECT_EQ(FactTexts(), (Lines{"f-0 (Initial-Fact)", "f-1 (a 1)", "f-2 (a 2)", "f-3 (b 1)"}));
  EXPECT_EQ(events.front(), "clear facts");
  EXPECT_EQ(engine.AssertString("(z)"), 4);
}

TEST_F(WorkingMemoryTest, EqualFactsAreAssertedOnceUnlessDuplicationIsOn) {
  ASSERT_EQ(engine.AssertString("(point 1 2)"), 1);
  events.clear();
  engine.SetWatch({cwFact});
  EXPECT_EQ(engine.AssertString("(point 1 2)"), -1);
  EXPECT_EQ(engine.FactCounter(), 2);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(out, "");
  EXPECT_EQ(engine.Facts().Add(engine.ParseFact("(point 1 2)")), -1) << "the list's Add too";
  EXPECT_EQ(engine.FactCount(), 2);

  engine.SetFactDuplication(true);
  EXPECT_EQ(engine.AssertString("(point 1 2)"), 2);
  EXPECT_EQ(engine.FactCount(), 3);
  EXPECT_EQ(engine.Facts().Add(engine.ParseFact("(point 1 2)")), 3);
  // The very object again enters as a copy: each entry keeps its identifier.
  IFactRef listed = engine.Facts().Get(1);
  EXPECT_EQ(engine.AssertFact(listed), 4);
  EXPECT_EQ(listed->ID(), 1);
  EXPECT_NE(engine.Facts().Get(4).get(), listed.get());
}

TEST_F(WorkingMemoryTest, AFactWithoutTemplateIsRefused) {
  try {
    engine.AssertFact(MakeRef<TFact>());
    FAIL() << "no exception";
  } catch (const EIEException& e) {
    EXPECT_STREQ(e.what(), "Fact Template is missing");
  }
  EXPECT_EQ(engine.FactCount(), 1);
  EXPECT_EQ(engine.FactCounter(), 1);
}

TEST_F(WorkingMemoryTest, RetractFamily) {
  engine.SetFactDuplication(true);
  engine.AssertString("(a 1)");
  engine.AssertString("(b 1)");
  engine.AssertString("(a 1)");
  engine.AssertString("(c 1)");
  events.clear();
  engine.RetractById(42);
  engine.Retract(engine.ParseFact("(zz)").get());
  engine.RetractSame(engine.ParseFact("(b 1)").get());
  EXPECT_EQ(engine.FactCount(), 5);
  EXPECT_TRUE(events.empty()) << "unknown facts are not retracted";

  engine.RetractString("(a 1)");
  EXPECT_EQ(FactTexts(), (Lines{"f-0 (Initial-Fact)", "f-2 (b 1)", "f-3 (a 1)", "f-4 (c 1)"}));
  engine.RetractSame(engine.Facts().Get(2).get());
  engine.RetractFact(1);
  engine.Facts().Delete(1);
  EXPECT_EQ(FactTexts(), (Lines{"f-0 (Initial-Fact)"}));
  EXPECT_EQ(events, (Lines{"retract (a 1) listed 1", "retract (a 1) listed 1",
                           "retract (b 1) listed 1", "retract (c 1) listed 1"}));
  EXPECT_THROW(engine.RetractFact(5), EListError);
  EXPECT_THROW(engine.RetractString("(a"), EIEParseException);
}

TEST_F(WorkingMemoryTest, WatchLinesAndEventsOfAssertionAndRetractionInOrder) {
  engine.Evaluate("(defrule r (a ?x) => )");
  LogAgenda();
  engine.SetWatch({cwFact, cwActivation});
  engine.AssertString("(a 1)");
  EXPECT_EQ(out, " ==> f-1 (a 1)\r\n==> Activation: r : f-1\r\n");
  EXPECT_EQ(events, (Lines{"+0 r : f-1", "assert (a 1) agenda 1"}))
      << "OnAssertion after the activations";
  out.clear();
  events.clear();
  engine.RetractById(1);
  EXPECT_EQ(out, "<== Activation: r : f-1\r\n <== f-1 (a 1)\r\n");
  EXPECT_EQ(events, (Lines{"-0 r : f-1", "retract (a 1) listed 1"}));
  EXPECT_EQ(engine.FactCount(), 1);
}

TEST_F(WorkingMemoryTest, QueuedFactsEnterOnceThePropagationIsOver) {
  engine.Evaluate("(defrule r (a ?x) => )");
  // Queued while the network places the activation of (a 1).
  engine.OnAddActivation = [this](TObject*, int32_t, TActivation* a) {
    events.push_back("activation " + a->Text());
    if (a->Text() == "r : f-2") {
      engine.QueueFact(IFact(engine.ParseFact("(b 1)").get()), true);
      engine.QueueFact(IFact(engine.ParseFact("(zz)").get()), false);
      engine.QueueFact(IFact(engine.ParseFact("(a 0)").get()), false);
    }
  };
  engine.AssertString("(a 0)");
  events.clear();
  engine.AssertString("(a 1)");
  EXPECT_EQ(engine.PendingAsserts().Count(), 0);
  EXPECT_EQ(engine.PendingRetracts().Count(), 0);
  // The queued facts are processed before the OnAssertion of the fact that
  // caused them; the assertion of (b 1) processes the queued retraction of
  // (a 0) before its own OnAssertion.
  EXPECT_EQ(events, (Lines{"activation r : f-2", "retract (a 0) listed 1", "assert (b 1) agenda 1",
                           "assert (a 1) agenda 1"}));
  EXPECT_EQ(FactTexts(), (Lines{"f-0 (Initial-Fact)", "f-2 (a 1)", "f-3 (b 1)"}));

  engine.QueueFact(IFact(engine.ParseFact("(c 1)").get()), true);
  EXPECT_EQ(engine.PendingAsserts().Count(), 1);
  engine.ProcessQueuedFacts();
  EXPECT_EQ(engine.FactCount(), 4);
}

TEST_F(WorkingMemoryTest, ClearingTheFactListWithdrawsEveryActivation) {
  engine.Evaluate("(defrule r (a ?x) => )");
  engine.AssertString("(a 1)");
  engine.AssertString("(a 2)");
  LogAgenda();
  events.clear();
  engine.Facts().Clear();
  EXPECT_EQ(engine.FactCount(), 0);
  EXPECT_EQ(engine.AgendaCount(), 0);
  EXPECT_EQ(events, (Lines{"-0 r : f-2", "-0 r : f-1", "clear facts"}));
}

TEST_F(WorkingMemoryTest, ClearEmptiesFactsAgendaAndNetwork) {
  engine.Evaluate("(defrule r (a ?x) => )");
  engine.AssertString("(a 1)");
  ASSERT_EQ(engine.AgendaCount(), 1);
  ASSERT_EQ(engine.Rete()->RuleCount(), 1);
  events.clear();
  engine.Clear();
  EXPECT_EQ(engine.FactCount(), 0);
  EXPECT_EQ(engine.AgendaCount(), 0);
  EXPECT_EQ(engine.Rete()->RuleCount(), 0);
  EXPECT_EQ(engine.FactCounter(), 0);
  EXPECT_EQ(std::count(events.begin(), events.end(), "clear facts"), 2);
  ASSERT_TRUE(engine.NotOrTestFact());
  EXPECT_EQ(AsTFact(engine.NotOrTestFact().get())->Template().get(),
            engine.FindFactTemplate("__NOT-OR-TEST-CE*").get());
  // Usable again: Reset and a rule fire as before.
  engine.Evaluate("(defrule s (b ?x) => (note ?x))");
  engine.Reset();
  EXPECT_EQ(engine.AssertString("(b 5)"), 1);
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(notes, (Lines{"5"}));
}

TEST_F(WorkingMemoryTest, RulesAddedLaterArePrimedWithWorkingMemory) {
  engine.AssertString("(a 1)");
  engine.AssertString("(a 2)");
  engine.Evaluate("(defrule r (a ?x) => (note ?x))");
  EXPECT_EQ(engine.AgendaCount(), 2);
  engine.Evaluate("(defrule once => (note once))");
  EXPECT_EQ(engine.Run(), 3);
  EXPECT_EQ(notes.size(), 3u);
  EXPECT_NE(std::find(notes.begin(), notes.end(), "once"), notes.end());
}

// A fact's retraction sends the token it entered the network with: memories
// that store it by its place and memories of rules added later (which hold
// equal copies) must all let go of it, across a compaction of the list.
TEST_F(WorkingMemoryTest, RetractionReachesEveryMemoryThatHoldsTheFact) {
  engine.Evaluate(
      "(defrule pair (a ?x) (b ?x) => ) (defrule lonely (a ?x) (not (c ?x)) => )"
      "(defrule twice (a ?x) (a ?y&~?x) => )");
  for (int i = 0; i < 100; ++i) engine.AssertString("(a " + std::to_string(i) + ")");
  engine.AssertString("(b 7)");
  engine.AssertString("(unmatched 1)");
  engine.Evaluate("(defrule later (a ?x) (b ?x) => )");
  ASSERT_EQ(engine.AgendaCount(), 2 + 100 + 100 * 99);
  for (int i = 0; i < 99; ++i) engine.RetractString("(a " + std::to_string(i) + ")");
  engine.RetractString("(unmatched 1)");
  EXPECT_EQ(engine.AgendaCount(), 1);  // lonely on (a 99)
  engine.AssertString("(c 99)");
  EXPECT_EQ(engine.AgendaCount(), 0);
  engine.RetractString("(a 99)");
  engine.AssertString("(a 7)");
  EXPECT_EQ(engine.AgendaCount(), 3);  // pair, later and lonely
  engine.RetractString("(b 7)");
  EXPECT_EQ(engine.AgendaCount(), 1);  // lonely
  engine.RetractString("(a 7)");
  EXPECT_EQ(engine.AgendaCount(), 0);
  EXPECT_EQ(engine.Facts().Texts(), (Lines{"(Initial-Fact)", "(c 99)"}));
}

TEST_F(WorkingMemoryTest, RemovingATemplateRetractsItsFacts) {
  engine.Evaluate("(deftemplate point (slot x)) (defrule r (point (x ?x)) => )");
  engine.AssertString("(point (x 1))");
  engine.AssertString("(other)");
  ASSERT_EQ(engine.AgendaCount(), 1);
  events.clear();
  engine.Evaluate("(deftemplate point (slot y))");
  EXPECT_EQ(FactTexts(), (Lines{"f-0 (Initial-Fact)", "f-2 (other)"}));
  EXPECT_EQ(engine.AgendaCount(), 0);
  EXPECT_EQ(events.front(), "retract (point (x 1)) listed 1");
}

TEST_F(WorkingMemoryTest, FactListTextsAndCopies) {
  engine.AssertString("(a 1)");
  EXPECT_EQ(engine.Facts().Text(), "(Initial-Fact)\r\n(a 1)");
  EXPECT_EQ(engine.Facts().Text(true), "f-0 (Initial-Fact)\r\nf-1 (a 1)");
  EXPECT_EQ(engine.Facts().Texts(), (Lines{"(Initial-Fact)", "(a 1)"}));
  EXPECT_EQ(engine.Facts().IndexOfId(1), 1);
  EXPECT_EQ(engine.Facts().FindById(7), nullptr);

  TInferenceEngine other;
  other.Facts().Assign(&engine.Facts());
  ASSERT_EQ(other.FactCount(), 2);
  EXPECT_EQ(other.Facts().Get(1)->AsText(), "(a 1)");
  EXPECT_EQ(other.Facts().Get(1)->Template().get(), other.FindFactTemplate("a").get());
  EXPECT_NE(other.Facts().Get(1).get(), engine.Facts().Get(1).get());
}

// The fact list keeps its facts indexed by identifier, object and content
// while facts leave from anywhere: positions, lookups and the duplicate check
// must stay right across the holes retracting leaves and after the list
// squeezes them out.
TEST_F(WorkingMemoryTest, LookupsStayRightWhileFactsLeaveFromTheMiddle) {
  for (int i = 1; i <= 300; ++i) engine.AssertString("(n " + std::to_string(i) + ")");
  // Every third fact goes: enough holes for the list to squeeze them out.
  for (int id = 3; id <= 300; id += 3) engine.RetractById(id);
  for (int id = 1; id <= 300; id += 3) engine.RetractById(id);
  ASSERT_EQ(engine.FactCount(), 1 + 100);
  for (int32_t i = 1; i < engine.FactCount(); ++i) {
    const IFactRef& fact = engine.Facts().Get(i);
    ASSERT_EQ(fact->ID(), 3 * i - 1) << i;
    ASSERT_EQ(engine.Facts().IndexOfId(fact->ID()), i);
    ASSERT_EQ(engine.Facts().IndexOf(fact), i);
  }
  EXPECT_EQ(engine.Facts().IndexOfId(3), -1);
  EXPECT_EQ(engine.Facts().FindById(300), nullptr);
  // Content: a retracted fact may come again, a listed one may not.
  EXPECT_EQ(engine.AssertString("(n 2)"), -1);
  EXPECT_EQ(engine.AssertString("(n 3)"), 301);
  EXPECT_EQ(engine.Facts().IndexOfEqual(engine.ParseFact("(n 3)").get()), engine.FactCount() - 1);
  // Facts that hash alike but differ are told apart.
  engine.AssertString("(pair 1 2)");
  EXPECT_EQ(engine.AssertString("(pair 2 1)"), 303);
  EXPECT_EQ(engine.AssertString("(pair 2 1)"), -1);

  engine.Retract(engine.ParseFact("(n 5)").get());
  EXPECT_EQ(engine.Facts().FindById(5), nullptr);
  std::vector<int32_t> walked;
  for (const IFactRef& fact : engine.Facts()) walked.push_back(fact->ID());
  ASSERT_EQ(walked.size(), size_t(engine.FactCount()));
  for (int32_t i = 0; i < engine.FactCount(); ++i) EXPECT_EQ(walked[size_t(i)], engine.Facts().Get(i)->ID());
}

// A fact that comes and goes again and again beside many others: the
// duplicate check and retraction by content find the one listed copy, never
// one that left.
TEST_F(WorkingMemoryTest, AFactTogglingBesideManyOthersIsFoundAndRefusedRightly) {
  for (int i = 1; i <= 1000; ++i) engine.AssertString("(n " + std::to_string(i) + ")");
  const IFactRef light = engine.ParseFact("(light on)");
  for (int round = 0; round < 3000; ++round) {
    ASSERT_GE(engine.AssertString("(light on)"), 0) << round;
    ASSERT_EQ(engine.AssertString("(light on)"), -1) << round;
    ASSERT_GE(engine.Facts().IndexOfEqual(light.get()), 0) << round;
    if (round % 2) engine.Retract(light.get());
    else engine.RetractById(engine.Facts().Get(engine.FactCount() - 1)->ID());
    ASSERT_EQ(engine.Facts().IndexOfEqual(light.get()), -1) << round;
  }
  EXPECT_EQ(engine.FactCount(), 1001);
  EXPECT_EQ(engine.AssertString("(n 7)"), -1);
}

// A retraction whose event retracts most other facts: the list squeezes its
// holes out (numbering its entries anew) before the first fact leaves it,
// and that fact still leaves, alone.
TEST_F(WorkingMemoryTest, AFactLeavesRightlyWhenItsRetractionSqueezesTheList) {
  for (int i = 1; i <= 300; ++i) engine.AssertString("(n " + std::to_string(i) + ")");
  bool inside = false;
  engine.OnRetraction = [&](TObject*, const IFact& f) {
    if (inside || f->ID() != 250) return;
    inside = true;
    for (int32_t id = 1; id <= 200; ++id) engine.RetractById(id);
  };
  engine.RetractSame(engine.Facts().FindById(250).get());
  ASSERT_EQ(engine.FactCount(), 1 + 99);
  EXPECT_EQ(engine.Facts().FindById(250), nullptr);
  for (int32_t id = 201; id <= 300; ++id) {
    if (id == 250) continue;
    EXPECT_GE(engine.Facts().IndexOfId(id), 0) << id;
  }
  EXPECT_EQ(engine.AssertString("(n 250)"), 301);
}

TEST_F(WorkingMemoryTest, WithDuplicationOnRetractingByContentTakesTheFirstEqualFact) {
  engine.SetFactDuplication(true);
  for (int i = 0; i < 3; ++i) engine.AssertString("(x)");
  engine.RetractById(2);
  engine.Retract(engine.ParseFact("(x)").get());
  EXPECT_EQ(FactTexts(), (Lines{"f-0 (Initial-Fact)", "f-3 (x)"}));
  // The duplicate check comes back on with the facts listed meanwhile.
  engine.SetFactDuplication(false);
  EXPECT_EQ(engine.AssertString("(x)"), -1);
  engine.Facts().Clear();
  EXPECT_EQ(engine.FactCount(), 0);
  EXPECT_EQ(engine.AssertString("(x)"), 4);
}
