// Checks of single nodes on demand, for diagnostics that explain why a rule
// matches or not. They evaluate what matching evaluates but store and pass
// on nothing; the network's own matching never calls them.
#include "rete/ReteNetwork.h"

#include "facts/IEFacts.h"
#include "rete/NodeContextScope.h"

std::vector<TTokenRef> TPatternMatchNode::Probe(const TTokenRef& token) {
  std::vector<TTokenRef> passed;
  TCustomFact* fact = token ? token->Fact().get() : nullptr;
  if (!fact) return passed;
  if (kind_ != pmtTestMultiSlotMultiField) {
    if (Check(token, fact)) passed.push_back(token);
    return passed;
  }
  // The segments Expand sends on, one token per length of the multifield
  // variable's segment, longest first.
  IIEValue slotValue = fact->GetSlotValue(SlotArg(0));
  if (!slotValue) return passed;
  if (slotValue->Equals(NilValue())) {
    passed.push_back(token);
    return passed;
  }
  TFact* source = AsTFact(fact);
  const int32_t position = IntArg(1);
  if (!source || slotValue->DType() != dtList || position < 0) return passed;
  const TValueVector& items = slotValue->ListRef();
  const int32_t n = items.Count();
  for (int32_t length = n - position; length >= 0; --length) {
    IValueVector restructured = MakeRef<TValueVector>();
    for (int32_t j = 0; j < position; ++j) restructured->Add(items.Get(j));
    IValueVector segment = MakeRef<TValueVector>();
    for (int32_t j = position; j < position + length; ++j) segment->Add(items.Get(j));
    restructured->Add(TIEValue::MakeList(segment));
    for (int32_t j = position + length; j < n; ++j) restructured->Add(items.Get(j));
    IFactRef clone = source->Clone();
    clone->SetID(source->ID());
    clone->SetSlotValue(SlotArg(0), TIEValue::MakeList(restructured));
    passed.push_back(TIEToken::Create(token->Tag(), IFact(clone.get())));
  }
  return passed;
}

bool TTestNode::TestPasses(size_t index, const TTokenRef& left, const IFact& right) {
  if (index >= tests_.size() || !left) return false;
  TIESlotTest& test = *tests_[index];
  if (const TIEJoinTest* compare = test.AsJoinTest())
    return compare->TestFactPair(left->FactAt(compare->TokenIndex()), right.get());
  TNodeContextScope scope(Context(), left, right);
  return test.Test(&Context());
}
