// Fact origins: the record a fact asserted now gets, and the look-up of a
// listed fact's record. The scopes that set them: EngineOriginScope.h.
#include "engine/InferenceEngine.h"
#include "rete/FactOrigin.h"

TFactOriginRef TInferenceEngine::CurrentOrigin() {
  if (origin_) return origin_;
  if (!originFiring_) return HostOrigin();
  // The firing's first assertion: its record is made now and shared by the
  // facts it asserts after this one.
  origin_ = FiringOrigin(*originFiring_, lastRuleName_);
  lastRuleName_ = origin_->SharedName();
  originFiring_ = nullptr;
  return origin_;
}

TFactOriginRef TInferenceEngine::OriginOf(const IFact& fact) {
  const TFact* listed = AsTFact(fact.get());
  if (!listed || facts_.IndexOf(listed) < 0) return nullptr;
  TFactOriginRef origin = facts_.OriginOf(listed);
  return origin ? origin : UnrecordedOrigin();
}
