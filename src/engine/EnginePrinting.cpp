// The engine's text forms of facts, templates, fact sets, calls and functions:
// all of them come from its parser's construct printer, so what the engine
// prints reads back through the same parser. Without a parser (while the
// engine is built or destroyed) a printer of its own writes the same forms.
#include "engine/InferenceEngine.h"
#include "facts/IEFactSet.h"
#include "facts/IEFacts.h"
#include "frontend/IEMorelPrinter.h"
#include "functions/IEDeffunction.h"
#include "functions/IEFunctionCall.h"

std::string TInferenceEngine::FunCallText(const TFunctionCall& call) const {
  return parser_ ? parser_->FunCallText(call) : TIEMorelPrinter().FunCallText(call);
}

std::string TInferenceEngine::FactText(const TCustomFact& fact) const {
  if (const TFact* templated = AsTFact(&fact)) return FactText(*templated);
  return fact.AsText();
}

std::string TInferenceEngine::FactText(const TFact& fact) const {
  return parser_ ? parser_->FactText(fact) : TIEMorelPrinter().FactText(fact);
}

std::string TInferenceEngine::SlotText(const TFactSlot& slot) const {
  return parser_ ? parser_->SlotText(slot) : TIEMorelPrinter().SlotText(slot);
}

std::string TInferenceEngine::TemplateText(const TFactTemplate& factTemplate) const {
  return parser_ ? parser_->TemplateText(factTemplate)
                 : TIEMorelPrinter().TemplateText(factTemplate);
}

std::string TInferenceEngine::FactSetText(const TFactSet& factSet) const {
  return parser_ ? parser_->FactSetText(factSet) : TIEMorelPrinter().FactSetText(factSet);
}

std::string TInferenceEngine::UserFunctionText(const TIEUserFunction& function) const {
  return parser_ ? parser_->UserFunctionText(function)
                 : TIEMorelPrinter().UserFunctionText(function);
}

std::string TInferenceEngine::DeffunctionText(const TInterpretedFunction& function) const {
  return parser_ ? parser_->DefFunctionText(function)
                 : TIEMorelPrinter().DefFunctionText(function);
}
