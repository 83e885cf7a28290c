// show-matches and why-not in a real engine: their errors, that they leave
// the engine as they found it, and that they follow the network through
// retractions, shared joins that lose a rule, and rules made after their facts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/InferenceEngine.h"
#include "packages/DiagnosticsPackage.h"
#include "support/ExceptionText.h"

namespace {

struct DiagnosticsMatchesTest : ::testing::Test {
  DiagnosticsMatchesTest() {
    new TDiagnosticsPackage(&engine);
    engine.OnPrintOut = [this](TObject*, const std::string&, const std::string& text) { out += text; };
  }
  // What Text prints.
  std::string Printed(const std::string& text) {
    out.clear();
    engine.Evaluate(text);
    return out;
  }
  // The agenda lines, the facts and the counters of the engine.
  std::vector<std::string> State() {
    std::vector<std::string> state;
    for (int32_t i = 0; i < engine.AgendaCount(); ++i) state.push_back(engine.AgendaText(i));
    for (int32_t i = 0; i < engine.FactCount(); ++i) state.push_back(engine.FactAt(i)->AsText());
    state.push_back(std::to_string(engine.FactCounter()) + " " + std::to_string(engine.SymbolIndex()));
    return state;
  }

  TInferenceEngine engine;
  std::string out;
};

const char* const kGuests =
    "(deftemplate guest (slot name) (slot sex) (slot hobby))"
    "(deftemplate seat (slot guest))"
    "(defrule pair (guest (name ?m) (sex m) (hobby ?h)) (guest (name ?w) (sex f) (hobby ?h)) =>)"
    "(defrule seated (guest (name ?m) (sex m) (hobby ?h)) (guest (name ?w) (sex f) (hobby ?h))"
    "  (seat (guest ?m)) =>)"
    "(defrule unseated (guest (name ?n)) (not (seat (guest ?n))) =>)"
    "(defrule golfers (guest (name ?n) (hobby ?h)) (test (eq ?h golf)) =>)"
    "(defrule lonely (not (guest)) =>)"
    "(reset)"
    "(assert (guest (name al) (sex m) (hobby chess)))"
    "(assert (guest (name bo) (sex f) (hobby chess)))"
    "(assert (guest (name cy) (sex m) (hobby golf)))"
    "(assert (seat (guest al)))";

}  // namespace

TEST_F(DiagnosticsMatchesTest, AnUnknownRuleOrAWrongArgumentCountIsAnError) {
  engine.Evaluate(kGuests);
  for (const char* call : {"(show-matches nosuch)", "(why-not nosuch)"})
    EXPECT_EQ(MessageOf<EIEException>([&] { engine.Evaluate(call); }), "Unknown rule name: nosuch")
        << call;
  for (const char* call : {"(show-matches)", "(why-not pair seated)"})
    EXPECT_NE(ClassAndMessageOf([&] { engine.Evaluate(call); }), kNoException) << call;
}

TEST_F(DiagnosticsMatchesTest, LeavesFactsAgendaCountersAndMemoriesAsTheyWere) {
  engine.Evaluate(kGuests);
  engine.Evaluate("(run 1)");
  const std::vector<std::string> before = State();
  std::string first;
  for (const char* rule : {"pair", "seated", "unseated", "golfers", "lonely"}) {
    first += Printed(std::string("(show-matches ") + rule + ")");
    first += Printed(std::string("(why-not ") + rule + ")");
  }
  EXPECT_EQ(State(), before);
  std::string second;
  for (const char* rule : {"pair", "seated", "unseated", "golfers", "lonely"}) {
    second += Printed(std::string("(show-matches ") + rule + ")");
    second += Printed(std::string("(why-not ") + rule + ")");
  }
  EXPECT_EQ(second, first) << "a second look sees the same";
}

TEST_F(DiagnosticsMatchesTest, ARetractedFactLeavesEveryLevel) {
  engine.Evaluate(kGuests);
  engine.Evaluate("(retract 2)");
  EXPECT_EQ(Printed("(show-matches pair)"),
            "Matches of rule pair:\r\n"
            "Pattern 1 (guest (sex m) (name ?m) (hobby ?h) ): f-1, f-3\r\n"
            "Pattern 2 (guest (sex f) (name ?w) (hobby ?h) ): none\r\n"
            "Patterns 1-2: none\r\n"
            "Activations: none\r\n");
  EXPECT_EQ(Printed("(why-not pair)"),
            "no fact matches pattern 2 (guest (sex f) (name ?w) (hobby ?h) )\r\n"
            "  nearest: f-1 (guest (sex m) (name al) (hobby chess)) fails (sex f)\r\n");
  engine.Evaluate("(retract 4)");
  EXPECT_EQ(Printed("(why-not unseated)"), "rule unseated is activated: 2 activations\r\n");
}

TEST_F(DiagnosticsMatchesTest, ARuleKeepsItsLevelsWhenTheRuleSharingItsJoinGoes) {
  engine.Evaluate(kGuests);
  const std::string seated = Printed("(show-matches seated)");
  EXPECT_NE(seated.find("Patterns 1-2: [f-1, f-2]\r\nPatterns 1-3: [f-1, f-2, f-4]\r\n"),
            std::string::npos)
      << seated;
  engine.Evaluate("(undefrule pair)");
  EXPECT_EQ(Printed("(show-matches seated)"), seated);
  // Made after its facts, a rule is primed with them and shows the same.
  engine.Evaluate("(undefrule seated)");
  engine.Evaluate(
      "(defrule seated (guest (name ?m) (sex m) (hobby ?h)) (guest (name ?w) (sex f) (hobby ?h))"
      "  (seat (guest ?m)) =>)");
  EXPECT_EQ(Printed("(show-matches seated)"), seated);
}
