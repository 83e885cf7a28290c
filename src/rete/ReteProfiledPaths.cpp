// The network's profiled paths: the same propagation and firing as the plain
// ones, each node call and each firing framed for the profiler. Kept apart
// (and out of line) so that the plain paths stay as they are.
#include <algorithm>

#include "facts/IERule.h"
#include "rete/ReteNetwork.h"
#include "rete/ReteProfiler.h"

// One node call inside a profiler frame; the frame closes also when the call
// raises.
struct TProfiledCall {
  TReteProfiler& Profiler;
  TReteNode& Node;
  uint64_t Before;

  TProfiledCall(TReteProfiler& profiler, TReteNode& node, TCallType callType)
      : Profiler(profiler), Node(node), Before(node.comparisons_) {
    Profiler.EnterNode(&node, callType == ctRight);
  }
  ~TProfiledCall() {
    const uint64_t pairs = Node.comparisons_ - Before;
    Profiler.LeaveNode(Node.comparesPairs_ ? pairs : 1);
  }
  TProfiledCall(const TProfiledCall&) = delete;
  TProfiledCall& operator=(const TProfiledCall&) = delete;

  static bool Call(TReteProfiler& profiler, TReteNode& node, const TTokenRef& token,
                   TCallType callType) {
    TProfiledCall frame(profiler, node, callType);
    return node.Call(token, callType);
  }
};

bool TReteNode::ProfiledPropagate(const TTokenRef& token) {
  TReteProfiler& profiler = *profiler_;
  profiler.TokenOut(this);
  bool passed = false;
  for (size_t i = 0; i < successors_.size(); ++i) {
    const TSuccessor next = successors_[i];
    if (TProfiledCall::Call(profiler, *next.Node, token, next.CallType)) passed = true;
  }
  return passed;
}

bool TReteNetwork::ProfiledAssertToken(const TTokenRef& token) {
  TReteProfiler& profiler = *profiling_;
  bool passed = false;
  for (size_t i = 0; i < roots_.size(); ++i)
    if (TProfiledCall::Call(profiler, *roots_[i], token, ctSingle)) passed = true;
  return passed;
}

bool TActivation::ProfiledFire() {
  TReteProfiler& profiler = *node_->Profiler();
  if (rule_ && token_) {
    // The frame counts the firing, also of a rule its own actions removed.
    profiler.EnterAction(rule_, this);
    try {
      rule_->Fire(IReteToken(token_.get()));
    } catch (...) {
      profiler.LeaveAction(false);
      throw;
    }
    profiler.LeaveAction(true);
  }
  if (node_) node_->ActivationFired(*this);
  return true;
}

void TReteNetwork::SetProfiling(bool on) {
  if (on == Profiling()) return;
  if (on) {
    if (!profile_) profile_ = std::make_unique<TReteProfiler>();
    profile_->Start();
    profiling_ = profile_.get();
  } else {
    profile_->Stop();
    profiling_ = nullptr;
  }
  for (const auto& node : NodeList())
    if (auto* rete = dynamic_cast<TReteNode*>(node.get())) rete->profiler_ = profiling_;
}

void TReteNetwork::ResetProfile() {
  if (profile_) profile_->Reset();
}

std::vector<const TRule*> TReteNetwork::CompiledRules() const {
  std::vector<const TRule*> rules;
  rules.reserve(rules_.size());
  for (const auto& [component, entry] : rules_) rules.push_back(entry.Rule);
  std::sort(rules.begin(), rules.end(), [](const TRule* a, const TRule* b) {
    return a->RuleName() < b->RuleName();
  });
  return rules;
}
