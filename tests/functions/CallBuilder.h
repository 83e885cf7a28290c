// Test helpers: calls built in code and evaluated through a fake engine that
// serves a package, with short makers for argument values.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/Exceptions.h"
#include "functions/IEFunctionCall.h"
#include "support/ExceptionText.h"
#include "support/FakeReasoner.h"
#include "values/IEContext.h"
#include "values/IEValue.h"

namespace calls {

inline IIEValue A(std::string_view text) { return TIEValue::MakeAtom(text); }
inline IIEValue S(std::string_view text) { return TIEValue::MakeString(text); }
inline IIEValue I(int32_t value) { return TIEValue::MakeInteger(value); }
inline IIEValue F(double value) { return TIEValue::MakeFloat(value); }
inline IIEValue V(std::string_view name) { return TIEValue::MakeVariable(name); }

// An engine registry plus a root context; calls made here resolve their names
// through the engine.
class TCallBench {
 public:
  // A call of Name with the given arguments, as a value (to nest it).
  IIEValue Nest(std::string_view name, std::initializer_list<IIEValue> arguments) {
    return TIEValue::MakeFunCall(IFunCall(Make(name, arguments)));
  }
  IFunctionCall Make(std::string_view name, std::initializer_list<IIEValue> arguments) {
    IFunctionCall call = TFunctionCall::Create(&engine, name);
    for (const IIEValue& argument : arguments) call->AddArgument(argument);
    return call;
  }
  // Evaluates a call of Name in the root context.
  IIEValue Eval(std::string_view name, std::initializer_list<IIEValue> arguments) {
    return Make(name, arguments)->Evaluate(&context);
  }
  // The printed form of the result of a call of Name.
  std::string Text(std::string_view name, std::initializer_list<IIEValue> arguments) {
    IIEValue result = Eval(name, arguments);
    return result ? result->AsText() : "<none>";
  }
  std::string Error(std::string_view name, std::initializer_list<IIEValue> arguments) {
    return MessageOf<Exception>([&] { Eval(name, arguments); });
  }

  TFakeReasoner engine;
  TIEContext context;
};

}  // namespace calls
