#include "facts/IERuleEngine.h"

#include "core/IEConsts.h"
#include "facts/IEFacts.h"

bool IRuleEngine::IsPlaceholderFact(const TCustomFact* fact) { return IsNotOrTestFact(fact); }

bool IsNotOrTestFact(const TCustomFact* fact) {
  const TFact* f = AsTFact(fact);
  return f && f->Template() && f->Template()->Name() == SNotOrTestTemplate;
}

void IRuleEngine::RegisterRule(TRule&) {}
void IRuleEngine::UnregisterRule(TRule&) {}
void IRuleEngine::RuleRenamed(TRule&, const std::string&, const std::string&) {}
void IRuleEngine::RuleChanged(TRule&) {}
