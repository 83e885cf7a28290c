// TReteProfiler: where the time of a run goes, node by node and rule by rule.
// While a network profiles, its nodes report every token they receive and
// pass on, and its terminals report every activation made, withdrawn and
// fired. Time is measured exclusively: a stack of open frames (a node
// handling a token, a rule's actions) charges each stretch of time to the
// innermost frame only, so that the node and action times add up, with the
// time outside every frame, to the wall time profiled.
//
// Ownership: the network owns its profiler; the profiler keeps node and rule
// pointers only as keys and is told (NodeGone, RuleGone) before they are
// freed. Thread-safety: none; used under the engine's serialization.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

class TReteNode;
class TRule;

class TReteProfiler {
 public:
  using TClock = std::chrono::steady_clock;

  struct TNodeStats {
    uint64_t TokensIn = 0;
    uint64_t TokensOut = 0;     // tokens passed on (each to every successor)
    uint64_t RightIn = 0;       // of TokensIn, those on a join's right input
    uint64_t Tests = 0;         // checks run: one per token, a join's per pair compared
    int64_t Nanoseconds = 0;    // exclusive
  };
  struct TRuleStats {
    std::string Name;
    uint64_t Made = 0;
    uint64_t Withdrawn = 0;
    uint64_t Fired = 0;
    int64_t ActionNanoseconds = 0;  // exclusive: matching caused by the actions is the nodes'
  };

  TReteProfiler();

  // Collecting switches the clock on and off; the counts stay until Reset.
  bool Running() const noexcept { return running_; }
  void Start();
  void Stop();
  // Forgets every count and time (the clock goes on when running).
  void Reset();
  // The wall time profiled so far, in nanoseconds.
  int64_t WallNanoseconds() const;

  // A frame: Node handles a token (on its right input when Right).
  void EnterNode(const TReteNode* node, bool right);
  // Leaves the innermost frame (a node's), adding the tests it ran.
  void LeaveNode(uint64_t tests);
  // Node passed a token on.
  void TokenOut(const TReteNode* node) { NodeStats(node).TokensOut++; }
  // A frame for the actions of Activation's Rule, left with LeaveAction,
  // which counts the firing when Completed. The rule may be gone by then.
  void EnterAction(const TRule* rule, const void* activation);
  void LeaveAction(bool completed);

  void ActivationMade(const TRule* rule) { RuleStats(rule).Made++; }
  // Not counted for an activation being fired (its rule's actions took its
  // match away): it counts as fired.
  void ActivationWithdrawn(const TRule* rule, const void* activation);

  // The stats of Node (none when it saw nothing).
  const TNodeStats* FindNode(const TReteNode* node) const;
  // The stats of a rule by its name (none when nothing of it was seen).
  const TRuleStats* FindRule(const std::string& name) const;
  // Every rule seen, also rules removed meanwhile.
  std::vector<const TRuleStats*> Rules() const;
  // What nodes freed meanwhile had collected, summed.
  const TNodeStats& GoneNodes() const noexcept { return goneNodes_; }

  // Node is about to be freed: its stats join GoneNodes.
  void NodeGone(const TReteNode* node);
  // Rule is about to be freed: its stats stay, found by name.
  void RuleGone(const TRule* rule);

 private:
  // An open frame: the node or rule it stands for and where its time goes.
  // Key: the node, or the activation fired; Rule: an action frame's row.
  struct TFrame {
    const void* Key;
    TRuleStats* Rule;
    int64_t* Sink;
  };
  // The row of that name, made when missing.
  TRuleStats& RowNamed(const std::string& name);
  TNodeStats& NodeStats(const TReteNode* node) { return nodes_[node]; }
  TRuleStats& RuleStats(const TRule* rule);
  // Charges the time since the last mark to the innermost frame.
  void Mark();
  static int64_t Now();

  bool running_ = false;
  int64_t started_ = 0;   // the start of the current stretch of profiling
  int64_t profiled_ = 0;  // the stretches before it
  int64_t lastMark_ = 0;
  std::vector<TFrame> frames_;
  std::unordered_map<const TReteNode*, TNodeStats> nodes_;
  std::unordered_map<const TRule*, TRuleStats*> ruleIndex_;
  std::deque<TRuleStats> rules_;  // stable addresses: frames point into it
  TNodeStats goneNodes_;
};
