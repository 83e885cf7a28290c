// Fact origins: the record a fact asserted now gets, and the look-up of a
// listed fact's record. The scopes that set them: EngineOriginScope.h.
#include "engine/InferenceEngine.h"
#include "facts/IERule.h"
#include "rete/FactOrigin.h"
#include "rete/ReteNetwork.h"

TFactOriginRef TInferenceEngine::CurrentOrigin() {
  if (originEpoch_ != factEpoch_) {
    // The firing's matched facts went with a reset or clear under it.
    if (originFiring_) {
      const TRule* rule = originFiring_->Rule();
      origin_ = TFactOrigin::Make(TFactOriginKind::Rule,
                                  TOriginNameRef(new TOriginName(rule ? rule->RuleName() : "")));
      originFiring_ = nullptr;
    } else if (origin_ && origin_->Kind() == TFactOriginKind::Rule && !origin_->FactIds().empty()) {
      origin_ = TFactOrigin::Make(TFactOriginKind::Rule, origin_->SharedName());
    }
    originEpoch_ = factEpoch_;
  }
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
