// The misc package: its creation order, the time of day, the engine's
// settings, the pretty-printers and the removal of constructs. The listings
// are in MiscListings.cpp, the dialogs in MiscDialogs.cpp.
#include "packages/MiscPackage.h"

#include <chrono>
#include <ctime>

#include "core/ClassRegistry.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "facts/IEFactSet.h"
#include "facts/IERule.h"
#include "packages/BuiltinPackages.h"
#include "functions/FunctionKit.h"
#include "functions/IEFunctionCall.h"
#include "packages/StandardEngine.h"
#include "rete/ReteNetwork.h"

namespace {

// True exactly when argument Index resolves to the TRUE atom.
bool IsTrueArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  const IIEValue value = ResolveArgument(funCall, index, context);
  return value && value->Equals(TrueAtom());
}

// The previous state of Check as TRUE or FALSE; Check is on afterwards
// exactly when argument 0 is TRUE.
IIEValue SwitchTypeCheck(IEngineServices& engine, TTypeCheck check, bool on) {
  TTypeChecks checks = engine.TypeChecks();
  const bool old = checks.Contains(check);
  if (on)
    checks.Include(check);
  else
    checks.Exclude(check);
  engine.SetTypeChecks(checks);
  return BooleanAtom(old);
}

// The four names of the pretty-printer with their help texts.
struct TPrettyPrintKind {
  const char* Name;
  const char* Help;
  const char* Syntax;
};
constexpr TPrettyPrintKind prettyPrintKinds[] = {
    {"ppdeffacts", SPPDeffactsHelp, SPPDeffactsSyntax},
    {"ppdeffunction", SPPDeffunctionHelp, SPPDeffunctionSyntax},
    {"ppdeftemplate", SPPDeftemplateHelp, SPPDeftemplateSyntax},
    {"ppdefrule", SPPDefruleHelp, SPPDefruleSyntax},
};

[[noreturn]] void RaiseUnknown(const char* word, const std::string& name) {
  throw EIEException(Format(SUnknownConstructName, {word, name}));
}

// The printed form of the construct Kind (a pretty-printer's name) names.
std::string PrintedForm(IEngineServices& engine, std::string_view kind, const std::string& name) {
  std::string text;
  if (kind == "ppdeffacts") {
    if (!engine.PrettyPrintFactSet(name, text)) RaiseUnknown(SFactSetWord, name);
    return text;
  }
  if (kind == "ppdeftemplate") {
    if (!engine.PrettyPrintTemplate(name, text)) RaiseUnknown(SFactTemplateWord, name);
    return text;
  }
  if (kind == "ppdefrule") {
    if (!engine.PrettyPrintRule(name, text)) RaiseUnknown(SRuleWord, name);
    return text;
  }
  // The registry reports a missing function ("No such element: %s").
  return engine.PrettyPrintFunction(name);
}

}  // namespace

// The commands that have nothing to return give the nil object: a top-level
// call that leaves no value at all ends the load it stands in.

// ---------------------------------------------------------------- time

TTimeFunction::TTimeFunction() { DescribeFunction(*this, "time", 0, 0, STimeHelp, STimeSyntax); }

void TTimeFunction::Run(TFunctionCall&, TIEContext*, IIEValue& result) {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto fraction = duration_cast<milliseconds>(now.time_since_epoch()) % 1000;
  result = TIEValue::MakeFloat(local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
                               double(fraction.count()) / 1000.0);
}

// ---------------------------------------------------------------- type checks

TGetDynamicCheckFunction::TGetDynamicCheckFunction() {
  DescribeFunction(*this, "get-dynamic-constraint-checking", 0, 0, SGetDynamicCheckHelp,
                   SGetDynamicCheckSyntax);
}

void TGetDynamicCheckFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                    IIEValue& result) {
  result = BooleanAtom(EngineOf(funCall, context, *this).TypeChecks().Contains(tcDynamic));
}

TGetStaticCheckFunction::TGetStaticCheckFunction() {
  DescribeFunction(*this, "get-static-constraint-checking", 0, 0, SGetStaticCheckHelp,
                   SGetStaticCheckSyntax);
}

void TGetStaticCheckFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                   IIEValue& result) {
  result = BooleanAtom(EngineOf(funCall, context, *this).TypeChecks().Contains(tcStatic));
}

TSetDynamicCheckFunction::TSetDynamicCheckFunction() {
  DescribeFunction(*this, "set-dynamic-constraint-checking", 1, 1, SSetDynamicCheckHelp,
                   SSetDynamicCheckSyntax);
}

void TSetDynamicCheckFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                    IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  result = SwitchTypeCheck(engine, tcDynamic, IsTrueArgument(funCall, 0, context));
}

TSetStaticCheckFunction::TSetStaticCheckFunction() {
  DescribeFunction(*this, "set-static-constraint-checking", 1, 1, SSetStaticCheckHelp,
                   SSetStaticCheckSyntax);
}

void TSetStaticCheckFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                   IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  result = SwitchTypeCheck(engine, tcStatic, IsTrueArgument(funCall, 0, context));
}

// ---------------------------------------------------------------- set-reset-globals, setgen

TResetGlobalsFunction::TResetGlobalsFunction() {
  DescribeFunction(*this, "set-reset-globals", 0, 1, SResetGlobalsHelp, SResetGlobalsSyntax);
}

void TResetGlobalsFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  if (funCall.ArgumentCount() == 0) {
    result = BooleanAtom(engine.ResetGlobals());
    return;
  }
  result = ResolveArgument(funCall, 0, context);
  engine.SetResetGlobals(result && result->Equals(TrueAtom()));
}

TSetGenFunction::TSetGenFunction() {
  DescribeFunction(*this, "setgen", 1, 1, SSetGenHelp, SSetGenSyntax);
}

void TSetGenFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  engine.SetSymbolIndex(IntegerArgument(funCall, 0, context));
  result = NilValue();
}

// ---------------------------------------------------------------- pretty-printers

TPrettyPrintFunction::TPrettyPrintFunction() {
  DescribeFunction(*this, "ppdeffacts", 1, 1, SPPDeffactsHelp, SPPDeffactsSyntax);
}

void TPrettyPrintFunction::SetFunctionName(std::string_view name) {
  TIEUserFunction::SetFunctionName(name);
  for (const TPrettyPrintKind& kind : prettyPrintKinds)
    if (name == kind.Name) SetHelp(kind.Help, kind.Syntax);
}

void TPrettyPrintFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  bool known = false;
  for (const TPrettyPrintKind& kind : prettyPrintKinds) known = known || FunctionName() == kind.Name;
  if (!known) throw EIEException(Format(SFunctionUnimplemented, {FunctionName()}));
  IEngineServices& engine = EngineOf(funCall, context, *this);
  std::string text = PrintedForm(engine, FunctionName(), TextArgument(funCall, 0, context));
  // Some printed forms end with a line break, others do not: the listing
  // always ends with exactly one, so what follows starts on a line of its own.
  if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) text += "\r\n";
  engine.PrintOut(text);
  result = NilValue();
}

// ---------------------------------------------------------------- undef*

TUnDefFactsFunction::TUnDefFactsFunction() {
  DescribeFunction(*this, "undeffacts", 1, 1, SUnDefFactsHelp, SUnDefFactsSyntax);
}

void TUnDefFactsFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  result = NilValue();
  engine.UndefineFactSet(TextArgument(funCall, 0, context));
}

TUnDefFunctionFunction::TUnDefFunctionFunction() {
  DescribeFunction(*this, "undeffunction", 1, 1, SUnDefFunctionHelp, SUnDefFunctionSyntax);
}

void TUnDefFunctionFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                  IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  engine.UndefineFunction(TextArgument(funCall, 0, context));
  result = NilValue();
}

TUnDefRuleFunction::TUnDefRuleFunction() {
  DescribeFunction(*this, "undefrule", 1, 1, SUnDefRuleHelp, SUnDefRuleSyntax);
}

void TUnDefRuleFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  const std::string name = TextArgument(funCall, 0, context);
  engine.UndefineRule(name);
  result = NilValue();
}

TUnDefTemplateFunction::TUnDefTemplateFunction() {
  DescribeFunction(*this, "undeftemplate", 1, 1, SUnDefTemplateHelp, SUnDefTemplateSyntax);
}

void TUnDefTemplateFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                  IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  const std::string name = TextArgument(funCall, 0, context);
  engine.UndefineTemplate(name);
  result = NilValue();
}

// ---------------------------------------------------------------- the package

TMiscPackage::TMiscPackage(TComponent* owner) : TUserPackage(owner) { CreateFunctions(); }

void TMiscPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  CreateFunction<TTimeFunction>();
  CreateFunction<TAgendaFunction>();
  CreateFunction<TGetDynamicCheckFunction>();
  CreateFunction<TGetStaticCheckFunction>();
  CreateFunction<TInputBoxFunction>();
  CreateFunction<TInputQueryFunction>();
  CreateFunction<TMessageDlgFunction>();
  CreateFunction<TShowMessageFunction>();
  CreateFunction<TListRulesFunction>();
  CreateFunction<TListFactSetsFunction>();
  CreateFunction<TListFunctionsFunction>();
  CreateFunction<TListTemplatesFunction>();
  // One class, four names: each instance is renamed before it joins, so the
  // package never lists two functions of one name.
  for (const TPrettyPrintKind& kind : prettyPrintKinds) {
    IUserFunction printer(new TPrettyPrintFunction());
    printer->SetFunctionName(kind.Name);
    AddFunctionOnce(printer);
  }
  CreateFunction<TResetGlobalsFunction>();
  CreateFunction<TSetGenFunction>();
  CreateFunction<TSetDynamicCheckFunction>();
  CreateFunction<TSetStaticCheckFunction>();
  CreateFunction<TShowFactsFunction>();
  CreateFunction<TShowRulesFunction>();
  CreateFunction<TUnDefFactsFunction>();
  CreateFunction<TUnDefFunctionFunction>();
  CreateFunction<TUnDefRuleFunction>();
  CreateFunction<TUnDefTemplateFunction>();
}

void RegisterMiscPackageClasses() {
  RegisterComponentClass<TMiscPackage>("TMiscPackage");
  RegisterFunctionClass<TTimeFunction>();
  RegisterFunctionClass<TGetDynamicCheckFunction>();
  RegisterFunctionClass<TGetStaticCheckFunction>();
  RegisterFunctionClass<TPrettyPrintFunction>();
  RegisterFunctionClass<TResetGlobalsFunction>();
  RegisterFunctionClass<TSetGenFunction>();
  RegisterFunctionClass<TSetDynamicCheckFunction>();
  RegisterFunctionClass<TSetStaticCheckFunction>();
  RegisterFunctionClass<TUnDefFactsFunction>();
  RegisterFunctionClass<TUnDefFunctionFunction>();
  RegisterFunctionClass<TUnDefRuleFunction>();
  RegisterFunctionClass<TUnDefTemplateFunction>();
}
