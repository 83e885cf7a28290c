// The written text of facts, template slots, templates and fact sets: the
// default text forms of the facts layer (an engine's printer writes the same).
#include <string>
#include <vector>

#include "core/IEConsts.h"
#include "facts/IEFactSet.h"
#include "facts/IEFacts.h"
#include "functions/WrittenText.h"

namespace {

bool TrimmedEmpty(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) > ' ') return false;
  return true;
}

std::string ValueText(const TIEValue* value) {
  std::string out;
  AppendWrittenValue(out, value, WrittenFactText);
  return out;
}

}  // namespace

std::string WrittenFactText(const TCustomFact& fact) {
  if (const TFact* templated = AsTFact(&fact)) return DefaultFactText(*templated);
  return fact.AsText();
}

std::string DefaultFactText(const TFact& fact) {
  const TFactTemplate* factTemplate = fact.Template().get();
  std::string text = "(";
  if (!factTemplate) {
    fact.ForEachSlot([&](const TFactSlot&, const TIEValue* value) {
      AppendWrittenValue(text, value, WrittenFactText);
      text += ' ';
    });
    text += ')';
    return text;
  }
  text += factTemplate->Name();
  if (factTemplate->Implied()) {
    if (const TFactSlot* data = factTemplate->FindSlot(SImpliedSlotName)) {
      const std::string valueText = ValueText(fact.PeekSlotValue(*data));
      if (!valueText.empty()) text += ' ' + valueText;
    }
    text += ')';
    return text;
  }
  for (const TFactSlot* slot : factTemplate->Slots()) {
    // Slots that print empty (nil, an empty list, no value) are left out.
    const std::string valueText = ValueText(fact.PeekSlotValue(*slot));
    if (valueText.empty()) continue;
    text += " (";
    text += slot->Name();
    text += ' ';
    text += valueText;
    text += ')';
  }
  text += ')';
  return text;
}

std::string DefaultSlotText(const TFactSlot& slot) {
  std::string text = slot.IsMultiSlot() ? "(multislot " : "(slot ";
  text += slot.Name();
  text += ' ';
  const TIETypes types = slot.SlotType();
  if (!(types == SingleSlotTypes) && !(types == MultiSlotTypes))
    text += "(type " + TypeSetText(types, " ") + ") ";
  const IIEValue& value = slot.SlotDefault();
  if (value && value != NilValue() && value != EmptyList()) {
    const std::string valueText = ValueText(value.get());
    if (!TrimmedEmpty(valueText)) {
      // A single slot's call default is kept unevaluated: written as
      // default-dynamic it reads back as the same call, where "default" would
      // evaluate it once while reading.
      const bool dynamic = !slot.IsMultiSlot() && value->DType() == dtFunCall;
      text += dynamic ? "(default-dynamic " : "(default ";
      text += valueText;
      text += ") ";
    }
  }
  text += ')';
  return text;
}

std::string DefaultTemplateText(const TFactTemplate& factTemplate) {
  std::string text = "(deftemplate " + factTemplate.Name() + " " +
                     QuotedText(factTemplate.Comment()) + " " + PrinterLineEnd;
  for (const TFactSlot* slot : factTemplate.Slots()) {
    text += PrinterIndent;
    text += DefaultSlotText(*slot);
    text += PrinterLineEnd;
  }
  text += ')';
  return text;
}

std::string DefaultFactSetText(const TFactSet& factSet) {
  std::string text = "(deffacts " + factSet.FactSetName() + " " +
                     QuotedText(factSet.Comment()) + PrinterLineEnd;
  const std::vector<std::string> lines = factSet.Facts();
  for (int32_t i = 0; i < int32_t(lines.size()); ++i) {
    text += PrinterIndent;
    // A line not parsed yet is written as it was given.
    if (const IFactRef& fact = factSet.AttachedFact(i))
      text += DefaultFactText(*fact);
    else
      text += lines[size_t(i)];
    text += PrinterLineEnd;
  }
  text += ')';
  return text;
}
