// The profiler's bookkeeping: frames, exclusive times and counts.
#include "rete/ReteProfiler.h"

#include "facts/IERule.h"

TReteProfiler::TReteProfiler() { frames_.reserve(64); }

int64_t TReteProfiler::Now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(TClock::now().time_since_epoch())
      .count();
}

void TReteProfiler::Start() {
  if (running_) return;
  running_ = true;
  started_ = lastMark_ = Now();
}

void TReteProfiler::Stop() {
  if (!running_) return;
  Mark();
  profiled_ += lastMark_ - started_;
  running_ = false;
}

void TReteProfiler::Reset() {
  nodes_.clear();
  ruleIndex_.clear();
  rules_.clear();
  goneNodes_ = TNodeStats();
  profiled_ = 0;
  started_ = lastMark_ = Now();
  // Frames still open (a reset from a rule's actions) go on charging their
  // own, now empty, entries.
  for (TFrame& frame : frames_) frame.Sink = SinkOf(frame);
}

int64_t TReteProfiler::WallNanoseconds() const {
  return profiled_ + (running_ ? Now() - started_ : 0);
}

void TReteProfiler::Mark() {
  const int64_t now = Now();
  if (running_ && !frames_.empty()) *frames_.back().Sink += now - lastMark_;
  lastMark_ = now;
}

int64_t* TReteProfiler::SinkOf(const TFrame& frame) {
  if (frame.Action) return &RuleStats(static_cast<const TRule*>(frame.Key)).ActionNanoseconds;
  return &NodeStats(static_cast<const TReteNode*>(frame.Key)).Nanoseconds;
}

void TReteProfiler::EnterNode(const TReteNode* node, bool right) {
  Mark();
  TNodeStats& stats = NodeStats(node);
  stats.TokensIn++;
  if (right) stats.RightIn++;
  frames_.push_back({node, false, &stats.Nanoseconds});
}

void TReteProfiler::LeaveNode(uint64_t tests) {
  Mark();
  if (frames_.empty()) return;
  const TFrame& frame = frames_.back();
  if (frame.Sink == &goneNodes_.Nanoseconds) goneNodes_.Tests += tests;
  else NodeStats(static_cast<const TReteNode*>(frame.Key)).Tests += tests;
  frames_.pop_back();
}

void TReteProfiler::EnterAction(const TRule* rule) {
  Mark();
  frames_.push_back({rule, true, &RuleStats(rule).ActionNanoseconds});
}

void TReteProfiler::LeaveAction() {
  Mark();
  if (!frames_.empty()) frames_.pop_back();
}

TReteProfiler::TRuleStats& TReteProfiler::RuleStats(const TRule* rule) {
  auto [it, added] = ruleIndex_.try_emplace(rule, rules_.size());
  if (added) {
    rules_.emplace_back();
    if (rule) rules_.back().Name = rule->RuleName();
  }
  return rules_[it->second];
}

const TReteProfiler::TNodeStats* TReteProfiler::FindNode(const TReteNode* node) const {
  auto it = nodes_.find(node);
  return it == nodes_.end() ? nullptr : &it->second;
}

const TReteProfiler::TRuleStats* TReteProfiler::FindRule(const std::string& name) const {
  for (const TRuleStats& stats : rules_)
    if (stats.Name == name) return &stats;
  return nullptr;
}

std::vector<const TReteProfiler::TRuleStats*> TReteProfiler::Rules() const {
  std::vector<const TRuleStats*> list;
  for (const TRuleStats& stats : rules_) list.push_back(&stats);
  return list;
}

void TReteProfiler::NodeGone(const TReteNode* node) {
  auto it = nodes_.find(node);
  if (it == nodes_.end()) return;
  const TNodeStats& stats = it->second;
  goneNodes_.TokensIn += stats.TokensIn;
  goneNodes_.TokensOut += stats.TokensOut;
  goneNodes_.RightIn += stats.RightIn;
  goneNodes_.Tests += stats.Tests;
  goneNodes_.Nanoseconds += stats.Nanoseconds;
  // A frame of the node still open charges the rest of its time there too.
  for (TFrame& frame : frames_)
    if (frame.Key == node && !frame.Action) frame.Sink = &goneNodes_.Nanoseconds;
  nodes_.erase(it);
}

void TReteProfiler::RuleGone(const TRule* rule) {
  // The stats stay in the list under the rule's name; only the key goes, so
  // that a new rule at the same address starts afresh.
  ruleIndex_.erase(rule);
}
