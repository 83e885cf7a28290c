// TInferenceEngine::TOriginScope: sets what the facts asserted in a scope are
// recorded with (see the engine's fact origins) and restores the previous
// setting afterwards, also when the scope raises. For the engine's own units.
//
// Ownership: refers to its engine, which must outlive it. Thread-safety: the
// engine's (its thread or its lock).
#pragma once

#include <utility>

#include "engine/InferenceEngine.h"
#include "rete/FactOrigin.h"

class TInferenceEngine::TOriginScope {
 public:
  // A command at top level: its facts are recorded as asserted at top level
  // unless the scope is entered inside another one (a command a rule firing
  // or reset runs), whose setting stays.
  struct TTopLevel {};
  TOriginScope(TInferenceEngine& engine, TTopLevel)
      : engine_(engine), savedOrigin_(engine.origin_), savedFiring_(engine.originFiring_),
        savedEpoch_(engine.originEpoch_) {
    if (!savedOrigin_ && !savedFiring_) engine_.origin_ = TopLevelOrigin();
  }
  // Facts asserted in the scope are recorded with Origin.
  TOriginScope(TInferenceEngine& engine, TFactOriginRef origin)
      : engine_(engine), savedOrigin_(engine.origin_), savedFiring_(engine.originFiring_),
        savedEpoch_(engine.originEpoch_) {
    engine_.origin_ = std::move(origin);
    engine_.originFiring_ = nullptr;
  }
  // Facts asserted in the scope are recorded as made by the firing of
  // Activation; the record is made on the first of them.
  TOriginScope(TInferenceEngine& engine, const TActivation& activation)
      : engine_(engine), savedOrigin_(engine.origin_), savedFiring_(engine.originFiring_),
        savedEpoch_(engine.originEpoch_) {
    engine_.origin_ = nullptr;
    engine_.originFiring_ = &activation;
    engine_.originEpoch_ = engine_.factEpoch_;
  }
  ~TOriginScope() {
    engine_.origin_ = std::move(savedOrigin_);
    engine_.originFiring_ = savedFiring_;
    engine_.originEpoch_ = savedEpoch_;
  }
  TOriginScope(const TOriginScope&) = delete;
  TOriginScope& operator=(const TOriginScope&) = delete;

 private:
  TInferenceEngine& engine_;
  TFactOriginRef savedOrigin_;
  const TActivation* savedFiring_;
  uint32_t savedEpoch_;
};
