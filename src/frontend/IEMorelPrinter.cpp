// The construct printer: the text forms of facts, templates, fact sets, calls,
// globals and functions, written so that the parser reads them back.
#include "frontend/IEMorelPrinter.h"

#include <string>

#include "core/IEConsts.h"
#include "facts/IEFactSet.h"
#include "facts/IEFacts.h"
#include "frontend/IEMorelParser.h"
#include "frontend/IEMorelStream.h"
#include "functions/IEDeffunction.h"
#include "functions/IEFunctionCall.h"
#include "functions/IEPackages.h"

namespace {

constexpr char ModifyFunction[] = "modify";
constexpr char DuplicateFunction[] = "duplicate";

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

bool TrimmedEmpty(const std::string& text) {
  for (char c : text)
    if (!IsBlank(c)) return false;
  return true;
}

// Text with every line end (CR LF, or a lone CR or LF) replaced by LineEnd, so
// that a multi-line comment keeps each of its lines behind the comment marker.
std::string ReplaceLineEnds(const std::string& text, const std::string& lineEnd) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += lineEnd;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// Values

std::string TIEMorelPrinter::QuotedText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (char c : text) {
    // The tokenizer takes the character after a backslash literally.
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

std::string TIEMorelPrinter::ValueText(const TIEValue* value) const {
  std::string out;
  AppendValue(out, value);
  return out;
}

void TIEMorelPrinter::AppendValue(std::string& out, const TIEValue* value) const {
  if (!value) return;
  switch (value->DType()) {
    case dtString:
      out += QuotedText(value->AsString());
      return;
    case dtList: {
      const IValueVector list = value->AsList();
      if (!list) return;
      for (int32_t i = 0; i < list->Count(); ++i) {
        if (i > 0) out += ' ';
        AppendValue(out, list->Get(i).get());
      }
      return;
    }
    case dtFunCall: {
      const IFunCall call = value->AsFunCall();
      if (auto* functionCall = dynamic_cast<const TFunctionCall*>(call.get()))
        out += FunCallText(*functionCall);
      else if (call)
        out += call->AsText();
      return;
    }
    case dtFact: {
      const IFact fact = value->AsFact();
      if (const TFact* templated = AsTFact(fact.get()))
        out += FactText(*templated);
      else if (fact)
        out += fact->AsText();
      return;
    }
    default:
      value->AppendText(out);
      return;
  }
}

std::string TIEMorelPrinter::UniqueName(const std::string& prefix) const {
  if (names_) return names_->GenSym(prefix);
  return prefix + std::to_string(ownNameIndex_++);
}

// ---------------------------------------------------------------------------
// Facts, slots, templates and fact sets

std::string TIEMorelPrinter::FactText(const TFact& fact) const {
  const TFactTemplate* factTemplate = fact.Template().get();
  std::string text = "(";
  if (!factTemplate) {
    fact.ForEachSlot([&](const TFactSlot&, const TIEValue* value) {
      AppendValue(text, value);
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

std::string TIEMorelPrinter::SlotText(const TFactSlot& slot) const {
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

std::string TIEMorelPrinter::TemplateText(const TFactTemplate& factTemplate) const {
  std::string text = "(deftemplate " + factTemplate.Name() + " " +
                     QuotedText(factTemplate.Comment()) + " " + PrinterLineEnd;
  for (const TFactSlot* slot : factTemplate.Slots()) {
    text += PrinterIndent;
    text += SlotText(*slot);
    text += PrinterLineEnd;
  }
  text += ')';
  return text;
}

std::string TIEMorelPrinter::FactSetText(const TFactSet& factSet) const {
  std::string text = "(deffacts " + factSet.FactSetName() + " " +
                     QuotedText(factSet.Comment()) + PrinterLineEnd;
  const std::vector<std::string> lines = factSet.Facts();
  for (int32_t i = 0; i < int32_t(lines.size()); ++i) {
    text += PrinterIndent;
    // A line not parsed yet is written as it was given.
    if (const IFactRef& fact = factSet.AttachedFact(i))
      text += FactText(*fact);
    else
      text += lines[size_t(i)];
    text += PrinterLineEnd;
  }
  text += ')';
  return text;
}

// ---------------------------------------------------------------------------
// Calls, globals and functions

std::string TIEMorelPrinter::FunCallText(const TFunctionCall& call) const {
  std::string text = "(";
  text += call.FunctionName();
  const bool pairs =
      call.FunctionName() == ModifyFunction || call.FunctionName() == DuplicateFunction;
  bool first = true;
  for (const IIEValue& argument : call.Arguments()) {
    if (!argument) continue;
    // The slot/value lists of modify and duplicate go back into parentheses;
    // any other argument (a first fact argument, or one made in code that is
    // no list) is written as it stands, which reads back as the same argument.
    if (pairs && !first && argument->DType() == dtList) {
      text += " (";
      AppendValue(text, argument.get());
      text += ')';
    } else {
      text += ' ';
      AppendValue(text, argument.get());
    }
    first = false;
  }
  text += ')';
  return text;
}

std::string TIEMorelPrinter::GlobalText(const std::string& name, const IIEValue& value) const {
  return name + " = " + ValueText(value.get());
}

std::string TIEMorelPrinter::GlobalsText(const TValueHashTable& globals) const {
  std::string text = "(defglobal";
  auto names = globals.Keys();
  while (names->HasNext()) {
    const std::string name = names->Next();
    text += ' ';
    text += GlobalText("?" + name, globals.Get(name));
  }
  text += ')';
  return text;
}

std::string TIEMorelPrinter::UserFunctionText(const TIEUserFunction& function) const {
  if (auto* deffunction = dynamic_cast<const TInterpretedFunction*>(&function))
    return DefFunctionText(*deffunction);
  std::string text = ";; " + function.FunctionName() + " function" + PrinterLineEnd;
  if (!function.Comment().empty()) {
    const std::string commentLead = std::string(";; ") + PrinterIndent;
    text += commentLead;
    text += ReplaceLineEnds(function.Comment(), PrinterLineEnd + commentLead);
  }
  return text;
}

std::string TIEMorelPrinter::DefFunctionText(const TInterpretedFunction& function) const {
  std::string text = "(deffunction " + function.FunctionName() + " (";
  if (const IValueVector& parameters = function.Parameters()) {
    for (int32_t i = 0; i < parameters->Count(); ++i) {
      if (i > 0) text += ' ';
      if (const TIEValue* parameter = parameters->Get(i).get()) parameter->AppendText(text);
    }
  }
  text += ')';
  text += PrinterLineEnd;
  if (!function.Comment().empty()) {
    text += PrinterIndent;
    text += QuotedText(function.Comment());
    text += PrinterLineEnd;
  }
  if (const IValueVector& actions = function.Actions()) {
    for (int32_t i = 0; i < actions->Count(); ++i) {
      text += PrinterIndent;
      AppendValue(text, actions->Get(i).get());
      text += PrinterLineEnd;
    }
  }
  text += ')';
  text += PrinterLineEnd;
  return text;
}

// ---------------------------------------------------------------------------
// The parser's text-form operations

std::string TIEMorelParser::FactSetText(const TFactSet& factSet) const {
  return TIEMorelPrinter().FactSetText(factSet);
}
std::string TIEMorelParser::FactText(const TFact& fact) const {
  return TIEMorelPrinter().FactText(fact);
}
std::string TIEMorelParser::SlotText(const TFactSlot& slot) const {
  return TIEMorelPrinter().SlotText(slot);
}
std::string TIEMorelParser::TemplateText(const TFactTemplate& factTemplate) const {
  return TIEMorelPrinter().TemplateText(factTemplate);
}
std::string TIEMorelParser::FunCallText(const TFunctionCall& call) const {
  return TIEMorelPrinter().FunCallText(call);
}
std::string TIEMorelParser::GlobalText(const std::string& name, const IIEValue& value) const {
  return TIEMorelPrinter().GlobalText(name, value);
}
std::string TIEMorelParser::UserFunctionText(const TIEUserFunction& function) const {
  return TIEMorelPrinter().UserFunctionText(function);
}
std::string TIEMorelParser::DefFunctionText(const TInterpretedFunction& function) const {
  return TIEMorelPrinter().DefFunctionText(function);
}
std::string TIEMorelParser::GlobalsText(const TValueHashTable& globals) const {
  return TIEMorelPrinter().GlobalsText(globals);
}
