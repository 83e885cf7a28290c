// Node sharing between rules once nodes have many successors: which node a
// new rule shares (or makes) while rules come and go, shown by the compile
// traces and the nodes' use counts, checked against a model of the rules in
// the engine; and the same again after the engine was cleared.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/InferenceEngine.h"
#include "facts/IERule.h"
#include "rete/ReteNetwork.h"

namespace {

// A rule (p<T> (a A) [(c ?x)]) [not] (q (b B) [(d ?x)]) => ): the optional
// variable adds a join test, the negation makes a join that is never shared.
struct TRuleShape {
  std::string Name;
  int T, A, B;
  bool Tested, Negated;

  std::string Text() const {
    const std::string x = Tested ? " (c ?x)" : "";
    const std::string y = Tested ? " (d ?x)" : "";
    std::string second = "(q (b " + std::to_string(B) + ")" + y + ")";
    if (Negated) second = "(not " + second + ")";
    return "(defrule " + Name + " (p" + std::to_string(T) + " (a " + std::to_string(A) + ")" + x +
           ") " + second + " => )";
  }
};

class NodeSharingTest : public ::testing::Test {
 protected:
  void DefineTemplates() {
    for (int t = 0; t < Templates; ++t)
      engine.Evaluate("(deftemplate p" + std::to_string(t) + " (slot a) (slot c))");
    engine.Evaluate("(deftemplate q (slot b) (slot d))");
  }

  template <class F>
  int Live(F&& same) const {
    int n = 0;
    for (const TRuleShape& rule : live)
      if (same(rule)) ++n;
    return n;
  }

  // The trace a scan of every list would give: a node is shared when a rule
  // in the engine already has it.
  std::string ExpectedTrace(const TRuleShape& r) const {
    auto mark = [](int users, const char* width) { return (users > 0 ? "=" : "+") + std::string(width); };
    std::string trace = r.Name + ": ";
    trace += mark(Live([&](const TRuleShape& o) { return o.T == r.T; }), "1");
    trace += mark(Live([&](const TRuleShape& o) { return o.T == r.T && o.A == r.A; }), "1");
    trace += mark(int(live.size()), "1");
    trace += mark(Live([&](const TRuleShape& o) { return o.B == r.B; }), "1");
    trace += r.Negated ? "+2" : mark(Live([&](const TRuleShape& o) { return SameJoin(o, r); }), "2");
    return trace + "+t";
  }
  static bool SameJoin(const TRuleShape& a, const TRuleShape& b) {
    return !a.Negated && !b.Negated && a.T == b.T && a.A == b.A && a.B == b.B &&
           a.Tested == b.Tested;
  }

  // Every live rule's nodes are used by exactly the rules that share them.
  void ExpectUseCounts() {
    for (const TRuleShape& r : live) {
      const std::vector<TReteNode*>* nodes = engine.Rete()->RuleNodes(*engine.Rules().Find(r.Name));
      ASSERT_TRUE(nodes) << r.Name;
      ASSERT_EQ(nodes->size(), 6u) << r.Name;
      EXPECT_EQ((*nodes)[1]->RuleUseCount(),
                Live([&](const TRuleShape& o) { return o.T == r.T && o.A == r.A; }))
          << r.Name;
      EXPECT_EQ((*nodes)[3]->RuleUseCount(), Live([&](const TRuleShape& o) { return o.B == r.B; }))
          << r.Name;
      EXPECT_EQ((*nodes)[4]->RuleUseCount(),
                r.Negated ? 1 : Live([&](const TRuleShape& o) { return SameJoin(o, r); }))
          << r.Name;
    }
  }

  // Adds and removes rules at random. Half the rules go to p0 with a = 0, so
  // that the p0 root, its (a 0) node and the joins below that node have many
  // successors; there are more templates than a short root list holds.
  void Churn(unsigned seed, int steps) {
    std::mt19937 random(seed);
    auto uniform = [&](int n) { return int(random() % unsigned(n)); };
    int serial = 0;
    for (int step = 0; step < steps; ++step) {
      if (!live.empty() && uniform(10) < 3) {
        const size_t victim = size_t(uniform(int(live.size())));
        engine.Evaluate("(undefrule " + live[victim].Name + ")");
        live.erase(live.begin() + std::ptrdiff_t(victim));
        continue;
      }
      TRuleShape rule{"r" + std::to_string(++serial),
                      uniform(2) ? 0 : uniform(Templates),
                      uniform(2) ? 0 : uniform(12),
                      uniform(14),
                      uniform(4) == 0,
                      uniform(8) == 0};
      const std::string expected = ExpectedTrace(rule);
      engine.Evaluate(rule.Text());
      live.push_back(rule);
      TRule* compiled = engine.Rules().Find(rule.Name);
      ASSERT_TRUE(compiled) << rule.Text();
      ASSERT_EQ(compiled->CompileTrace(), expected) << "step " << step << ": " << rule.Text();
    }
    ExpectUseCounts();
  }

  static constexpr int Templates = 12;
  TInferenceEngine engine;
  std::vector<TRuleShape> live;
};

TEST_F(NodeSharingTest, RulesComingAndGoingShareWhatTheRulesInTheEngineHave) {
  DefineTemplates();
  Churn(7, 600);
  // Every rule leaves: nothing of the network is left over.
  for (const TRuleShape& r : live) engine.Evaluate("(undefrule " + r.Name + ")");
  live.clear();
  EXPECT_EQ(engine.Rete()->NodeCount(), 0);
  Churn(11, 300);
}

TEST_F(NodeSharingTest, AClearedEngineSharesAsAFreshOne) {
  DefineTemplates();
  Churn(3, 300);
  engine.Clear();
  live.clear();
  EXPECT_EQ(engine.Rete()->NodeCount(), 0);
  DefineTemplates();
  Churn(3, 300);
}

// Values are shared only when equal as values: an integer is no float, a
// string no atom; calls are equal by name and arguments.
TEST_F(NodeSharingTest, ManySiblingsShareOnlyEqualValues) {
  engine.Evaluate("(deftemplate item (slot k) (slot v))");
  for (int i = 0; i < 20; ++i)
    engine.Evaluate("(defrule r" + std::to_string(i) + " (item (k " + std::to_string(i) + ")) => )");
  auto trace = [&](const std::string& name, const std::string& lhs) {
    engine.Evaluate("(defrule " + name + " " + lhs + " => )");
    return engine.Rules().Find(name)->CompileTrace();
  };
  EXPECT_EQ(trace("same", "(item (k 5))"), "same: =1=1+t");
  EXPECT_EQ(engine.Rete()->RuleNodes(*engine.Rules().Find("same"))->at(1),
            engine.Rete()->RuleNodes(*engine.Rules().Find("r5"))->at(1));
  EXPECT_EQ(trace("float", "(item (k 5.0))"), "float: =1+1+t");
  EXPECT_EQ(trace("string", "(item (k \"5\"))"), "string: =1+1+t");
  EXPECT_EQ(trace("atom", "(item (k five))"), "atom: =1+1+t");
  EXPECT_EQ(trace("quoted", "(item (k \"five\"))"), "quoted: =1+1+t");
  EXPECT_EQ(trace("slot", "(item (v 5))"), "slot: =1+1+t");
  EXPECT_EQ(trace("unequal", "(item (k ~5))"), "unequal: =1+1+t");
  EXPECT_EQ(trace("call", "(item (k ?x&:(> ?x 3)))"), "call: =1+1+t");
  EXPECT_EQ(trace("call2", "(item (k ?y&:(> ?y 3)))"), "call2: =1=1+t");
  EXPECT_EQ(trace("call3", "(item (k ?x&:(> ?x 4)))"), "call3: =1+1+t");
  EXPECT_EQ(trace("float2", "(item (k 5.0))"), "float2: =1=1+t");
}

}  // namespace
