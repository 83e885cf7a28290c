// The network profiler inside a running engine: its per-rule counts against
// the engine's own agenda events, the token counts along the network's
// edges, the times against the wall time, and profiling switched off, reset
// and outliving removed rules and nodes.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "engine/InferenceEngine.h"
#include "facts/IERule.h"
#include "packages/DiagnosticsPackage.h"
#include "rete/ReteNetwork.h"
#include "rete/ReteProfileReport.h"
#include "rete/ReteProfiler.h"

namespace {

// Items are packed into boxes of their kind while a box is there, but boxes
// are emptied first, which withdraws the pack activations and unblocks loose
// ones; restock brings a box back, so loose withdraws through a negation.
constexpr char SProgram[] =
    "(deftemplate item (slot kind) (slot size))\n"
    "(deftemplate box (slot kind))\n"
    "(defrule pack (declare (salience -15)) (item (kind ?k) (size ?s&:(> ?s 2))) (box (kind ?k)) => )\n"
    "(defrule loose (item (kind ?k)) (not (box (kind ?k))) => )\n"
    "(defrule unbox (declare (salience -10)) ?b <- (box (kind ?k)) => (retract ?b))\n"
    "(defrule restock (declare (salience -20)) (item (kind c)) (not (restocked))\n"
    "  => (assert (restocked)) (assert (box (kind c))))\n"
    "(deffacts start (item (kind a) (size 3)) (item (kind b) (size 1)) (item (kind a) (size 5))\n"
    "  (item (kind c) (size 9)) (box (kind a)) (box (kind b)))\n";

struct TAgendaCounts {
  int Added = 0, Removed = 0, Fired = 0;
};

class ProfilerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine.Clear();
    engine.Evaluate(SProgram);
    engine.OnAddActivation = [this](TObject*, int32_t, TActivation* a) { counts[Name(a)].Added++; };
    engine.OnRemoveActivation = [this](TObject*, int32_t, TActivation* a) {
      counts[Name(a)].Removed++;
    };
    engine.OnRuleFired = [this](TObject*, TRule* rule) { counts[rule->RuleName()].Fired++; };
  }
  static std::string Name(const TActivation* a) { return a->Rule()->RuleName(); }
  TReteNetwork& Network() { return *engine.Rete(); }
  const TReteProfiler& Profile() { return *Network().Profile(); }

  TInferenceEngine engine;
  std::map<std::string, TAgendaCounts> counts;
};

TEST_F(ProfilerTest, RuleCountsAgreeWithTheEnginesAgendaEvents) {
  Network().SetProfiling(true);
  engine.Reset();
  const int32_t fired = engine.Run();
  engine.Reset();  // withdraws what is left on the agenda
  Network().SetProfiling(false);

  uint64_t profiledFired = 0;
  for (const auto& [name, seen] : counts) {
    SCOPED_TRACE(name);
    const TReteProfiler::TRuleStats* stats = Profile().FindRule(name);
    ASSERT_NE(stats, nullptr);
    EXPECT_EQ(stats->Made, uint64_t(seen.Added));
    EXPECT_EQ(stats->Fired, uint64_t(seen.Fired));
    // The agenda hears of a firing as a removal too.
    EXPECT_EQ(stats->Withdrawn, uint64_t(seen.Removed - seen.Fired));
    profiledFired += stats->Fired;
  }
  EXPECT_EQ(profiledFired, uint64_t(fired));
  EXPECT_GT(Profile().FindRule("pack")->Withdrawn, 0u) << "the program withdraws by retraction";
  EXPECT_GT(Profile().FindRule("unbox")->Fired, 0u);
  EXPECT_GT(Profile().FindRule("loose")->Withdrawn, 0u) << "and by a negation";
}

TEST_F(ProfilerTest, TokensPassedOnAreTheTokensTheSuccessorsReceived) {
  Network().SetProfiling(true);
  engine.Reset();
  engine.Run();
  std::map<const TReteNode*, uint64_t> received, receivedRight;
  for (const auto& owned : Network().NodeList()) {
    const auto* node = dynamic_cast<const TReteNode*>(owned.get());
    const TReteProfiler::TNodeStats* stats = Profile().FindNode(node);
    const uint64_t out = stats ? stats->TokensOut : 0;
    for (const TReteNode::TSuccessor& next : node->Successors()) {
      received[next.Node] += out;
      if (next.CallType == ctRight) receivedRight[next.Node] += out;
    }
  }
  const auto& roots = Network().RootNodes();
  for (const auto& owned : Network().NodeList()) {
    const auto* node = dynamic_cast<const TReteNode*>(owned.get());
    if (std::find(roots.begin(), roots.end(), node) != roots.end()) continue;
    SCOPED_TRACE(node->Text());
    const TReteProfiler::TNodeStats* stats = Profile().FindNode(node);
    EXPECT_EQ(stats ? stats->TokensIn : 0, received[node]);
    EXPECT_EQ(stats ? stats->RightIn : 0, receivedRight[node]);
  }
}

TEST_F(ProfilerTest, ExclusiveTimesStayWithinTheWallTime) {
  Network().SetProfiling(true);
  engine.Reset();
  engine.Run();
  Network().SetProfiling(false);
  int64_t inside = 0;
  for (const auto& owned : Network().NodeList())
    if (const auto* stats = Profile().FindNode(dynamic_cast<const TReteNode*>(owned.get())))
      inside += stats->Nanoseconds;
  EXPECT_GT(inside, 0);
  for (const TReteProfiler::TRuleStats* rule : Profile().Rules()) inside += rule->ActionNanoseconds;
  EXPECT_LE(inside, Profile().WallNanoseconds());
  const int64_t wall = Profile().WallNanoseconds();
  engine.Reset();
  engine.Run();
  EXPECT_EQ(Profile().WallNanoseconds(), wall) << "off, the clock stands";
}

TEST_F(ProfilerTest, OffCountsNothingAndResetEmpties) {
  EXPECT_EQ(Network().Profile(), nullptr) << "no profile before profiling was on";
  Network().SetProfiling(true);
  engine.Reset();
  engine.Run();
  Network().SetProfiling(false);
  for (const auto& owned : Network().NodeList())
    EXPECT_EQ(dynamic_cast<const TReteNode*>(owned.get())->Profiler(), nullptr);
  const uint64_t packMade = Profile().FindRule("pack")->Made;
  engine.Reset();
  engine.Run();
  EXPECT_EQ(Profile().FindRule("pack")->Made, packMade);

  // A rule compiled while profiling reports too.
  Network().SetProfiling(true);
  engine.Evaluate("(defrule big (item (size ?s&:(> ?s 4))) => )");
  engine.Reset();
  engine.Run();
  ASSERT_NE(Profile().FindRule("big"), nullptr);
  EXPECT_EQ(Profile().FindRule("big")->Fired, 2u);
  Network().ResetProfile();
  EXPECT_EQ(Profile().FindRule("big"), nullptr);
  EXPECT_EQ(Profile().GoneNodes().TokensIn, 0u);
}

TEST_F(ProfilerTest, RemovedRulesKeepTheirCountsAndNodesTheirTotals) {
  Network().SetProfiling(true);
  engine.Reset();
  engine.Run();
  const uint64_t looseFired = Profile().FindRule("loose")->Fired;
  ASSERT_GT(looseFired, 0u);
  engine.Evaluate("(undefrule loose)");
  EXPECT_EQ(Profile().FindRule("loose")->Fired, looseFired) << "the row stays, by name";
  EXPECT_GT(Profile().GoneNodes().TokensIn, 0u) << "the freed nodes' counts are kept in sum";
  engine.Evaluate("(defrule loose (item (kind ?k)) => )");
  EXPECT_EQ(Profile().FindRule("loose")->Fired, looseFired) << "a new rule of that name adds on";
  engine.Clear();
  EXPECT_NE(Profile().FindRule("pack"), nullptr);
}

TEST_F(ProfilerTest, ARuleThatEmptiesTheProfileAndRemovesItselfIsStillCounted) {
  new TDiagnosticsPackage(&engine);
  engine.Evaluate(
      "(defrule cleanup (declare (salience 50)) (item (kind c)) =>\n"
      "  (profile reset) (undefrule loose) (undefrule cleanup))");
  Network().SetProfiling(true);
  engine.Reset();
  engine.Run();
  Network().SetProfiling(false);
  const TReteProfiler::TRuleStats* cleanup = Profile().FindRule("cleanup");
  ASSERT_NE(cleanup, nullptr);
  EXPECT_EQ(cleanup->Fired, 1u);
  EXPECT_EQ(cleanup->Made, 0u) << "made before the reset";
  EXPECT_GT(cleanup->ActionNanoseconds, 0) << "its open frame went on after the reset";
  // Removing loose withdrew its activations, after the reset.
  const TReteProfiler::TRuleStats* loose = Profile().FindRule("loose");
  ASSERT_NE(loose, nullptr);
  EXPECT_EQ(loose->Made, 0u);
  EXPECT_GT(loose->Withdrawn, 0u);
}

}  // namespace

namespace {

// The "total ms" cells of the rule table (the rows up to the total row)
// and the total itself, read back from the report.
void ReadRuleTotals(const std::string& report, double& rows, double& total) {
  std::istringstream lines(report);
  std::string line;
  bool inTable = false;
  rows = total = 0;
  while (std::getline(lines, line)) {
    if (line.rfind("rule ", 0) == 0) {
      inTable = true;
      continue;
    }
    if (!inTable || line.empty()) continue;
    // The last two cells are "total ms" and "%".
    std::istringstream cells(line);
    std::vector<std::string> words;
    for (std::string word; cells >> word;) words.push_back(word);
    ASSERT_GE(words.size(), 3u) << line;
    const double cell = std::stod(words[words.size() - 2]);
    if (line.rfind("total (wall time profiled)", 0) == 0) {
      total = cell;
      return;
    }
    rows += cell;
  }
}

TEST_F(ProfilerTest, TheReportsRowsAddUpToItsTotal) {
  Network().SetProfiling(true);
  engine.Reset();
  engine.Run();
  engine.Evaluate("(undefrule loose)");  // its nodes' time moves to a row of its own
  engine.Reset();
  engine.Run();
  Network().SetProfiling(false);
  const std::string report = ProfileReport(Network());
  double rows = 0, total = 0;
  ReadRuleTotals(report, rows, total);
  EXPECT_GT(total, 0) << report;
  // Each row is rounded to a microsecond.
  EXPECT_NEAR(rows, total, 0.0005 * 12) << report;
  EXPECT_NE(report.find("(nodes removed meanwhile)"), std::string::npos) << report;
  EXPECT_EQ(ProfileReport(Network(), true).find(" ms"), std::string::npos) << "counts only";
}

}  // namespace
