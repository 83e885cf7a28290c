// Pattern-match nodes (checks of single facts, multifield expansion) and test
// nodes (test elements).
#include "rete/ReteNetwork.h"

#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "facts/IEFacts.h"
#include "rete/NodeContextScope.h"

namespace {

bool IsTrue(const IIEValue& value) { return value && value->Equals(TrueAtom()); }

}  // namespace

// ---------------------------------------------------------------------------
// TPatternMatchNode

std::string TPatternMatchNode::Text() const {
  std::string text = TReteNode::Text();
  text += SNodeValueText;
  if (value_) text += value_->AsText();
  text += SNodeTestText;
  text += PatternMatchTestNames()[kind_];
  text += SNodeArgsText;
  for (size_t i = 0; i < args_.size(); ++i) {
    if (i) text += ", ";
    text += VariantText(args_[i]);
  }
  text += ")";
  return text;
}

const std::string& TPatternMatchNode::SlotArg(size_t index) const {
  static const std::string none;
  if (index >= args_.size()) return none;
  const auto* text = std::get_if<std::string>(&args_[index]);
  return text ? *text : none;
}

int32_t TPatternMatchNode::IntArg(size_t index) const {
  if (index >= args_.size()) return -1;
  if (const auto* n = std::get_if<int32_t>(&args_[index])) return *n;
  if (const auto* d = std::get_if<double>(&args_[index])) return int32_t(*d);
  return -1;
}

bool TPatternMatchNode::Call(const TTokenRef& token, TCallType /*callType*/) {
  if (!token) return false;
  if (token->Tag() == taClear) return Propagate(token);
  TCustomFact* fact = token->Fact().get();
  if (!fact) return false;
  if (kind_ == pmtTestMultiSlotMultiField) return Expand(token, fact);
  return Check(token, fact) && Propagate(token);
}

bool TPatternMatchNode::ValueMatches(const TTokenRef& token, TCustomFact* fact,
                                     const IIEValue& item) {
  if (!value_) return false;
  if (value_->DType() == dtFunCall) {
    // A retraction must reach every memory its assertion reached, whatever
    // the call answers now.
    if (token->Tag() == taRemove) return true;
    TNodeContextScope scope(Context(), token, IFact(fact));
    return IsTrue(value_->Resolve(&Context()));
  }
  return item && item->Equals(value_);
}

bool TPatternMatchNode::Check(const TTokenRef& token, TCustomFact* fact) {
  switch (kind_) {
    case pmtTestClassType: {
      TFact* typed = AsTFact(fact);
      if (!typed || !value_) return false;
      const std::string_view name = value_->TextView();
      for (const TFactTemplate* t = typed->Template().get(); t; t = t->Parent().get())
        if (t->Name() == name) return true;
      return false;
    }
    case pmtTestEqual:
    case pmtTestNotEqual: {
      IIEValue slotValue = fact->GetSlotValue(SlotArg(0));
      if (!slotValue) return false;
      const bool matches = ValueMatches(token, fact, slotValue);
      if (value_ && value_->DType() == dtFunCall && token->Tag() == taRemove) return true;
      return kind_ == pmtTestEqual ? matches : !matches;
    }
    case pmtTestSlotValueEqual:
    case pmtTestSlotValueNotEqual: {
      IIEValue a = SlotValueOf(fact, SlotArg(0), IntArg(2));
      IIEValue b = SlotValueOf(fact, SlotArg(1), IntArg(3));
      if (!a || !b) return false;
      const bool equal = a->Equals(b);
      return kind_ == pmtTestSlotValueEqual ? equal : !equal;
    }
    case pmtTestMultiSlotEqual:
    case pmtTestMultiSlotNotEqual: {
      IIEValue slotValue = fact->GetSlotValue(SlotArg(0));
      const int32_t position = IntArg(1);
      if (!slotValue || slotValue->DType() != dtList || position < 0) return false;
      TValueVector& items = slotValue->ListRef();
      if (items.Count() <= position) return false;
      const bool matches = ValueMatches(token, fact, items.Get(position));
      if (value_ && value_->DType() == dtFunCall && token->Tag() == taRemove) return true;
      return kind_ == pmtTestMultiSlotEqual ? matches : !matches;
    }
    case pmtTestMultiSlotLength: {
      IIEValue slotValue = fact->GetSlotValue(SlotArg(0));
      return slotValue && slotValue->DType() == dtList && slotValue->ListRef().Count() == IntArg(1);
    }
    case pmtTestMultiSlotMultiField:
    case pmtUnknown:
    case pmtFailTest:
      return false;
  }
  return false;
}

bool TPatternMatchNode::Expand(const TTokenRef& token, TCustomFact* fact) {
  const std::string& slot = SlotArg(0);
  IIEValue slotValue = fact->GetSlotValue(slot);
  if (!slotValue) return false;
  if (slotValue->Equals(NilValue())) return Propagate(token);
  TFact* source = AsTFact(fact);
  const int32_t position = IntArg(1);
  if (!source || slotValue->DType() != dtList || position < 0) return false;
  const TValueVector& items = slotValue->ListRef();
  const int32_t n = items.Count();
  bool passed = false;
  // Longer segments first: the variable takes n - p items, then one fewer...
  for (int32_t k = 0; k <= n - position; ++k) {
    const int32_t length = n - position - k;
    IValueVector restructured = MakeRef<TValueVector>();
    restructured->Reserve(position + 1 + (n - position - length));
    for (int32_t j = 0; j < position; ++j) restructured->Add(items.Get(j));
    IValueVector segment = MakeRef<TValueVector>();
    segment->Reserve(length);
    for (int32_t j = position; j < position + length; ++j) segment->Add(items.Get(j));
    restructured->Add(TIEValue::MakeList(segment));
    for (int32_t j = position + length; j < n; ++j) restructured->Add(items.Get(j));
    IFactRef clone = source->Clone();
    clone->SetID(source->ID());
    clone->SetSlotValue(slot, TIEValue::MakeList(restructured));
    if (Propagate(TIEToken::Create(token->Tag(), IFact(clone.get())))) passed = true;
  }
  return passed;
}

// ---------------------------------------------------------------------------
// TTestNode

void TTestNode::AddTest(TSlotTestType type, const IIEValue& value, int32_t subIndex) {
  tests_.push_back(std::make_unique<TIEPatternMatchTest>(value, subIndex, type));
}

bool TTestNode::Equals(const TTestNode* other) const {
  if (other == this) return true;
  if (!other || ClassName() != other->ClassName() || tests_.size() != other->tests_.size())
    return false;
  for (const auto& test : tests_) {
    if (dynamic_cast<const TIEPatternMatchTest*>(test.get())) return false;
    bool found = false;
    for (const auto& theirs : other->tests_)
      if (test->Equals(theirs.get())) {
        found = true;
        break;
      }
    if (!found) return false;
  }
  return true;
}

std::string TTestNode::Text() const {
  std::string text = TReteNode::Text();
  text += SNodeNumTestsText;
  text += std::to_string(tests_.size());
  for (const auto& test : tests_) {
    text += " (";
    text += test->Text();
    text += ")";
  }
  return text;
}

bool TTestNode::RunTests(TIEContext& context) {
  for (const auto& test : tests_)
    if (!test->Test(&context)) return false;
  return true;
}

bool TTestNode::Call(const TTokenRef& token, TCallType callType) {
  if (!token) return false;
  if (token->Tag() == taClear) return Propagate(token);
  // The right input is the test element's own root, which passes nothing.
  if (callType == ctRight) return false;
  // A retraction passes unchecked: it must withdraw what its assertion made,
  // even when the tests would answer differently now.
  if (token->Tag() != taRemove) {
    TIEContext& context = Context();
    TNodeContextScope scope(context, token, IFact());
    if (!RunTests(context)) return false;
  }
  return Propagate(TIEToken::Extend(token, Placeholder()));
}
