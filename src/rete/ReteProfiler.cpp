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
  std::vector<std::string> actionRules;
  for (const TFrame& frame : frames_)
    if (frame.Rule) actionRules.push_back(frame.Rule->Name);
  nodes_.clear();
  ruleIndex_.clear();
  rules_.clear();
  goneNodes_ = TNodeStats();
  profiled_ = 0;
  started_ = lastMark_ = Now();
  // Frames still open (a reset from a rule's actions) go on charging their
  // own, now empty, entries.
  size_t next = 0;
  for (TFrame& frame : frames_) {
    if (frame.Rule) {
      frame.Rule = &RowNamed(actionRules[next++]);
      frame.Sink = &frame.Rule->ActionNanoseconds;
    } else {
      frame.Sink = &NodeStats(static_cast<const TReteNode*>(frame.Key)).Nanoseconds;
    }
  }
}

int64_t TReteProfiler::WallNanoseconds() const {
  return profiled_ + (running_ ? Now() - started_ : 0);
}

void TReteProfiler::Mark() {
  const int64_t now = Now();
  if (running_ && !frames_.empty()) *frames_.back().Sink += now - lastMark_;
  lastMark_ = now;
}

void TReteProfiler::EnterNode(const TReteNode* node, bool right) {
  Mark();
  TNodeStats& stats = NodeStats(node);
  stats.TokensIn++;
  if (right) stats.RightIn++;
  frames_.push_back({node, nullptr, &stats.Nanoseconds});
}

void TReteProfiler::LeaveNode(uint64_t tests) {
  Mark();
  if (frames_.empty()) return;
  const TFrame& frame = frames_.back();
  if (frame.Sink == &goneNodes_.Nanoseconds) goneNodes_.Tests += tests;
  else NodeStats(static_cast<const TReteNode*>(frame.Key)).Tests += tests;
  frames_.pop_back();
}

void TReteProfiler::EnterAction(const TRule* rule, const void* activation) {
  Mark();
  TRuleStats& row = RuleStats(rule);
  frames_.push_back({activation, &row, &row.ActionNanoseconds});
}

void TReteProfiler::LeaveAction(bool completed) {
  Mark();
  if (frames_.empty()) return;
  if (completed && frames_.back().Rule) frames_.back().Rule->Fired++;
  frames_.pop_back();
}

void TReteProfiler::ActivationWithdrawn(const TRule* rule, const void* activation) {
  for (const TFrame& frame : frames_)
    if (frame.Rule && frame.Key == activation) return;
  RuleStats(rule).Withdrawn++;
}

TReteProfiler::TRuleStats& TReteProfiler::RowNamed(const std::string& name) {
  for (TRuleStats& row : rules_)
    if (row.Name == name) return row;
  rules_.emplace_back();
  rules_.back().Name = name;
  return rules_.back();
}

TReteProfiler::TRuleStats& TReteProfiler::RuleStats(const TRule* rule) {
  auto it = ruleIndex_.find(rule);
  if (it != ruleIndex_.end()) return *it->second;
  TRuleStats& row = RowNamed(rule ? rule->RuleName() : std::string());
  ruleIndex_[rule] = &row;
  return row;
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
    if (frame.Key == node && !frame.Rule) frame.Sink = &goneNodes_.Nanoseconds;
  nodes_.erase(it);
}

void TReteProfiler::RuleGone(const TRule* rule) {
  // The stats stay in the list under the rule's name; only the key goes, so
  // that a new rule at the same address finds its own row by its name.
  ruleIndex_.erase(rule);
}
