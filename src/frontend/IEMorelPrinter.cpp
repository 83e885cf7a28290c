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
#include "functions/WrittenText.h"

namespace {

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
// Values (functions/WrittenText.h, with facts written by the facts layer)

std::string TIEMorelPrinter::QuotedText(std::string_view text) { return ::QuotedText(text); }

std::string TIEMorelPrinter::ValueText(const TIEValue* value) const {
  std::string out;
  AppendValue(out, value);
  return out;
}

void TIEMorelPrinter::AppendValue(std::string& out, const TIEValue* value) const {
  AppendWrittenValue(out, value, WrittenFactText);
}

std::string TIEMorelPrinter::UniqueName(const std::string& prefix) const {
  if (names_) return names_->GenSym(prefix);
  return prefix + std::to_string(ownNameIndex_++);
}

// ---------------------------------------------------------------------------
// Facts, slots, templates and fact sets (facts/FactTexts.cpp) and calls

std::string TIEMorelPrinter::FactText(const TFact& fact) const { return DefaultFactText(fact); }

std::string TIEMorelPrinter::SlotText(const TFactSlot& slot) const { return DefaultSlotText(slot); }

std::string TIEMorelPrinter::TemplateText(const TFactTemplate& factTemplate) const {
  return DefaultTemplateText(factTemplate);
}

std::string TIEMorelPrinter::FactSetText(const TFactSet& factSet) const {
  return DefaultFactSetText(factSet);
}

std::string TIEMorelPrinter::FunCallText(const TFunctionCall& call) const {
  return WrittenCallText(call, WrittenFactText);
}

// ---------------------------------------------------------------------------
// Globals and functions

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
