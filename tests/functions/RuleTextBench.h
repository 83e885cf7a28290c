// Test bench for the standard package's logic and control functions: calls
// written as rule text, parsed through a fake parser engine whose registry
// holds those functions, create$, + and a recording print, and evaluated in the
// engine's root context.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/Exceptions.h"
#include "packages/MathPackage.h"
#include "packages/StandardControl.h"
#include "packages/StandardLogic.h"
#include "packages/StandardMultifield.h"
#include "support/FakeParserEngine.h"

// (print <expression>*): appends the resolved arguments' printed forms,
// strings without quotes, to the bench's record; returns TRUE.
class TRecordFunction : public TIEUserFunction {
 public:
  explicit TRecordFunction(std::string* record) : record_(record) { SetFunctionName("print"); }
  void Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) override {
    for (const IIEValue& argument : funCall.Arguments()) {
      IIEValue value = argument->Resolve(context);
      *record_ += !value ? "<none>" : value->DType() == dtString ? value->AsString() : value->AsText();
    }
    result = TrueAtom();
  }

 private:
  std::string* record_;
};

class TRuleTextBench {
 public:
  TRuleTextBench() {
    for (const char* name : {"TAndFunction", "TOrFunction", "TNotFunction", "TEqFunction",
                             "TEqStarFunction", "TNeqFunction", "TEqualsFunction",
                             "TNotEqualsFunction", "TGtFunction", "TGtOrEqFunction",
                             "TLtFunction", "TLtOrEqFunction"})
      Register(CreateStandardLogicFunction(name));
    for (const char* name : {"TIfFunction", "TWhileFunction", "TForEachFunction", "TTryFunction",
                             "TThrowFunction", "TReturnFunction", "TBindFunction",
                             "TExitFunction", "THaltFunction"})
      Register(CreateStandardControlFunction(name));
    Register(IUserFunction(new TCreateMFFunction()));
    Register(IUserFunction(new TPlusFunction()));
    Register(IUserFunction(new TRecordFunction(&printed)));
  }

  void Register(const IUserFunction& function) { engine.reasoner.AddFunction(function); }

  // The parsed call of Text, bound through the fake engine's registry.
  IFunCall Parse(std::string_view text) { return engine.Parse(text).ParseFunCall(); }
  IIEValue Eval(std::string_view text) { return Parse(text)->Evaluate(&engine.context); }
  // The printed form of the result; "<none>" for no value.
  std::string Text(std::string_view text) {
    IIEValue result = Eval(text);
    return result ? result->AsText() : "<none>";
  }
  // "ClassName: message" of what evaluating Text raises, "(no exception)" otherwise.
  std::string Error(std::string_view text) {
    IFunCall call = Parse(text);
    try {
      call->Evaluate(&engine.context);
    } catch (const Exception& e) {
      return std::string(e.ClassName()) + ": " + e.Message();
    }
    return "(no exception)";
  }
  // The printed form of the visible variable Name, "<unbound>" when there is none.
  std::string Variable(std::string_view name) {
    TBinding* binding = engine.context.FindBinding(name);
    if (!binding) return "<unbound>";
    return binding->Value() ? binding->Value()->AsText() : "<none>";
  }

  TFakeParserEngine engine;
  std::string printed;
};
