// The listings of the misc package: agenda, the sorted names of the four
// registries, facts and rules. Each builds its whole text first and prints it
// with one PrintOut, so a listing is never interleaved with other output.
#include <cstdint>
#include <string>
#include <vector>

#include "collections/Structures.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "facts/IEFactSet.h"
#include "facts/IERule.h"
#include "packages/BuiltinPackages.h"
#include "functions/FunctionKit.h"
#include "functions/IEFunctionCall.h"
#include "packages/MiscPackage.h"
#include "packages/StandardEngine.h"

namespace {

// Line (one of the total-line formats) for Count things named Word, with its
// line break.
std::string TotalLine(const char* line, int32_t count, const char* word) {
  return Format(line, {std::to_string(count), word}) + "\r\n";
}

// A sorted list that keeps equal lines (two facts may print alike).
class TSortedLines : public TGStringList {
 public:
  TSortedLines() {
    SetSorted(true);
    SetDuplicates(dupAccept);
  }
};

// Prints the sorted Names followed by the total line for Word; nil.
template <class TNames>
void PrintNames(IEngineServices& engine, const TNames& names, const char* word,
                IIEValue& result) {
  TSortedLines lines;
  for (const std::string& name : names) lines.Add(name);
  engine.PrintOut(lines.Text() + TotalLine(SListTotalLine, lines.Count(), word));
  result = NilValue();
}

}  // namespace

// ---------------------------------------------------------------- agenda

TAgendaFunction::TAgendaFunction() {
  DescribeFunction(*this, "agenda", 0, 0, SAgendaHelp, SAgendaSyntax);
}

void TAgendaFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  std::string text;
  for (int32_t i = 0; i < engine.AgendaCount(); ++i) text += engine.AgendaText(i) + "\r\n";
  engine.PrintOut(text + TotalLine(SListTotalLine, engine.AgendaCount(), SActivationsWord));
  result = NilValue();
}

// ---------------------------------------------------------------- list-def*

TListRulesFunction::TListRulesFunction() {
  DescribeFunction(*this, "list-defrules", 0, 0, SListRulesHelp, SListRulesSyntax);
}

void TListRulesFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  PrintNames(engine, engine.RuleNames(), SRulesWord, result);
}

TListFactSetsFunction::TListFactSetsFunction() {
  DescribeFunction(*this, "list-deffacts", 0, 0, SListFactSetsHelp, SListFactSetsSyntax);
}

void TListFactSetsFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  PrintNames(engine, engine.FactSetNames(), SDeffactsWord, result);
}

TListFunctionsFunction::TListFunctionsFunction() {
  DescribeFunction(*this, "list-deffunctions", 0, 0, SListFunctionsHelp, SListFunctionsSyntax);
}

void TListFunctionsFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                  IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  PrintNames(engine, engine.DeffunctionNames(), SDeffunctionsWord, result);
}

TListTemplatesFunction::TListTemplatesFunction() {
  DescribeFunction(*this, "list-deftemplates", 0, 0, SListTemplatesHelp, SListTemplatesSyntax);
}

void TListTemplatesFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                  IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  PrintNames(engine, engine.TemplateNames(), SDeftemplatesWord, result);
}

// ---------------------------------------------------------------- facts, rules

TShowFactsFunction::TShowFactsFunction() {
  DescribeFunction(*this, "facts", 0, 3, SShowFactsHelp, SShowFactsSyntax);
}

void TShowFactsFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  const int32_t count = funCall.ArgumentCount();
  // The bounds are read before anything is collected, so a bad argument
  // prints nothing.
  const int32_t start = count >= 1 ? IntegerArgument(funCall, 0, context) : INT32_MIN;
  const int32_t end = count >= 2 ? IntegerArgument(funCall, 1, context) : INT32_MAX;
  const int32_t most = count >= 3 ? IntegerArgument(funCall, 2, context) : engine.FactCount();
  TSortedLines lines;
  for (int32_t i = 0; i < engine.FactCount() && lines.Count() < most; ++i) {
    const IFactRef fact = AsFactRef(engine.FactAt(i));
    if (fact->ID() >= start && fact->ID() <= end) lines.Add(fact->IndexedText());
  }
  engine.PrintOut(lines.Text() + TotalLine(SShowTotalLine, lines.Count(), SFactsWord));
  result = TrueAtom();
}

TShowRulesFunction::TShowRulesFunction() {
  DescribeFunction(*this, "rules", 0, 1, SShowRulesHelp, SShowRulesSyntax);
}

void TShowRulesFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  const std::string logicalName =
      funCall.ArgumentCount() > 0 ? TextArgument(funCall, 0, context) : std::string();
  const int32_t ruleCount = engine.RuleCount();
  engine.PrintOut(logicalName,
                  engine.RulesText() + TotalLine(SShowTotalLine, ruleCount, SRulesWord));
  result = TrueAtom();
}

void RegisterMiscListingsClasses() {
  RegisterFunctionClass<TAgendaFunction>();
  RegisterFunctionClass<TListRulesFunction>();
  RegisterFunctionClass<TListFactSetsFunction>();
  RegisterFunctionClass<TListFunctionsFunction>();
  RegisterFunctionClass<TListTemplatesFunction>();
  RegisterFunctionClass<TShowFactsFunction>();
  RegisterFunctionClass<TShowRulesFunction>();
}
