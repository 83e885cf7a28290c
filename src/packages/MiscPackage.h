// The misc package: listings and inspection of an engine (agenda, facts,
// rules, the names in its registries, the printed form of one construct),
// removal of constructs, settings of the engine (reset of globals, the symbol
// counter, the two kinds of type check), the time of day, and four dialog
// functions shown by the engine's dialog host (packages/DialogHost.h).
//
// Listings go to the engine's standard output (PrintOut with an empty logical
// name), except `rules`, which takes a logical name. Each function reaches its
// engine through the context's engine, else the call's (EIEException "No
// inference engine available for %s"); the dialog functions need only the
// call's dialog host and raise "No dialog host is assigned for %s" without one.
//
// Ownership: functions are reference counted (IUserFunction); the package
// owns its function list. Thread-safety: a function object keeps no state of
// a call, so one object serves several engines on different threads at once.
#pragma once

#include <string>
#include <string_view>

#include "functions/FunctionKit.h"
#include "functions/IEPackageComponents.h"
#include "functions/IEPackages.h"

// (time): seconds since local midnight, with fractions, as a float.
IE_FUNCTION(TTimeFunction)              // time
// Prints the agenda lines, then "for a total of N activations."; nil.
IE_FUNCTION(TAgendaFunction)            // agenda
// TRUE when tcDynamic (tcStatic) is among the engine's TypeChecks.
IE_FUNCTION(TGetDynamicCheckFunction)   // get-dynamic-constraint-checking
IE_FUNCTION(TGetStaticCheckFunction)    // get-static-constraint-checking
// (input-box [caption [prompt [default]]]): the text entered as a string, the
// default when cancelled.
IE_FUNCTION(TInputBoxFunction)          // input-box
// The same dialog; the text entered, FALSE when cancelled.
IE_FUNCTION(TInputQueryFunction)        // input-query
// (message-dlg text type buttons [help]): the atom of the result (mrOk ...).
// EIEException "Invalid item for set: %s" for a button that does not exist.
IE_FUNCTION(TMessageDlgFunction)        // message-dlg
// (show-message text): shows the text with an OK button; nil.
IE_FUNCTION(TShowMessageFunction)       // show-message
// The sorted names of the rules, fact sets, registered functions or templates,
// then "for a total of N rules." (deffacts, deffunctions, deftemplates); nil.
IE_FUNCTION(TListRulesFunction)         // list-defrules
IE_FUNCTION(TListFactSetsFunction)      // list-deffacts
IE_FUNCTION(TListFunctionsFunction)     // list-deffunctions
IE_FUNCTION(TListTemplatesFunction)     // list-deftemplates
// (set-reset-globals [b]): with b, ResetGlobals := (b is TRUE) and the result
// is b; without, TRUE or FALSE for the setting.
IE_FUNCTION(TResetGlobalsFunction)      // set-reset-globals
// (setgen n): the engine's SymbolIndex := n; nil.
IE_FUNCTION(TSetGenFunction)            // setgen
// (set-...-constraint-checking b): the previous state as TRUE or FALSE; the
// check is on exactly when b is TRUE.
IE_FUNCTION(TSetDynamicCheckFunction)   // set-dynamic-constraint-checking
IE_FUNCTION(TSetStaticCheckFunction)    // set-static-constraint-checking
// (facts [start [end [max]]]): the indexed texts of the facts whose index is
// in start..end (at most max of them, in fact-list order), sorted as text,
// then "For a total of N facts."; TRUE.
IE_FUNCTION(TShowFactsFunction)         // facts
// (rules [logical-name]): every rule's text, then "For a total of N rules.";
// TRUE.
IE_FUNCTION(TShowRulesFunction)         // rules
// Remove the named fact set, function, rule or template (a template takes
// its facts and the rules that use it along); nothing when there is none.
// Nil.
IE_FUNCTION(TUnDefFactsFunction)        // undeffacts
IE_FUNCTION(TUnDefFunctionFunction)     // undeffunction
IE_FUNCTION(TUnDefRuleFunction)         // undefrule
IE_FUNCTION(TUnDefTemplateFunction)     // undeftemplate

// One class behind ppdeffacts, ppdeffunction, ppdeftemplate and ppdefrule:
// made as ppdeffacts; renaming it picks the help text of the new name. The
// call prints the printed form of the construct the argument names (nil);
// EIEException "Unknown %s name: %s" for a missing fact set, template or rule,
// the registry's "No such element: %s" for a missing function, "Function is
// unimplemented or unassigned: %s" under any other name.
class TPrettyPrintFunction : public TIEUserFunction {
 public:
  TPrettyPrintFunction();
  static constexpr const char* StaticClassName = "TPrettyPrintFunction";
  std::string ClassName() const override { return StaticClassName; }
  void SetFunctionName(std::string_view name) override;
  void Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) override;
};

// TMiscPackage: the functions above in their creation order. Registered by
// class name, so an engine whose Packages selects pMiscellaneous creates it.
class TMiscPackage : public TUserPackage {
 public:
  explicit TMiscPackage(TComponent* owner = nullptr);
  std::string ClassName() const override { return "TMiscPackage"; }
  void CreateFunctions() override;
};
