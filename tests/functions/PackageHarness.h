// Test harness for the built-in packages: one package serving a fake engine,
// calls built in code and evaluated in a root context, and the texts of the
// errors they raise.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "functions/IEFunctionCall.h"
#include "functions/IEPackageComponents.h"
#include "support/ExceptionText.h"
#include "support/FakeReasoner.h"
#include "values/IEContext.h"
#include "values/IEValue.h"

inline IIEValue Int(int32_t v) { return TIEValue::MakeInteger(v); }
inline IIEValue Flt(double v) { return TIEValue::MakeFloat(v); }
inline IIEValue Atom(const char* v) { return TIEValue::MakeAtom(v); }
inline IIEValue Str(const char* v) { return TIEValue::MakeString(v); }
inline IIEValue Var(const char* v) { return TIEValue::MakeVariable(v); }
inline IIEValue List(std::initializer_list<IIEValue> items) {
  IValueVector list(new TValueVector());
  for (const IIEValue& item : items) list->Add(item);
  return TIEValue::MakeList(list);
}

template <class TPackage>
class TPackageHarness {
 public:
  TPackageHarness() : package(std::make_unique<TPackage>()) {
    package->Reasoners().AddReasoner(reasoner);
  }
  ~TPackageHarness() { package.reset(); }

  // A call of Name with these arguments, resolved through the fake engine.
  IFunctionCall Call(const char* name, std::initializer_list<IIEValue> arguments = {}) {
    IFunctionCall call = TFunctionCall::Create(&reasoner, name);
    for (const IIEValue& argument : arguments) call->AddArgument(argument);
    return call;
  }
  // A call as a value, to nest in another call.
  IIEValue Nested(const char* name, std::initializer_list<IIEValue> arguments = {}) {
    return TIEValue::MakeFunCall(IFunCall(Call(name, arguments)));
  }
  IIEValue Eval(const char* name, std::initializer_list<IIEValue> arguments = {}) {
    return Call(name, arguments)->Evaluate(&context);
  }
  std::string Error(const char* name, std::initializer_list<IIEValue> arguments = {}) {
    IFunctionCall call = Call(name, arguments);
    return ClassAndMessageOf([&] { call->Evaluate(&context); });
  }
  // The function registered under Name (none when absent).
  IUserFunction Function(const char* name) { return reasoner.GetFunction(name); }
  // The names of the package's functions, in list order.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& f : package->Functions()) names.push_back(f->FunctionName());
    return names;
  }

  TFakeReasoner reasoner;
  TIEContext context;
  std::unique_ptr<TPackage> package;
};

// One row of a package's table of functions.
struct TFunctionRow {
  const char* ClassName;
  const char* Name;
  int32_t Min;
  int32_t Max;
  const char* Syntax;  // with its parentheses, as the help text shows it
};

// Expects the package's functions to be exactly Rows, in order: class, name,
// limits and the syntax line that ends the help text.
template <class TPackage>
void ExpectFunctionTable(TPackageHarness<TPackage>& harness, const std::vector<TFunctionRow>& rows) {
  const auto& functions = harness.package->Functions();
  ASSERT_EQ(functions.Count(), int32_t(rows.size()));
  for (size_t i = 0; i < rows.size(); ++i) {
    const TIEUserFunction& f = *functions.Get(int32_t(i));
    SCOPED_TRACE(rows[i].Name);
    EXPECT_EQ(f.ClassName(), rows[i].ClassName);
    EXPECT_EQ(f.FunctionName(), rows[i].Name);
    EXPECT_EQ(f.MinArgumentCount(), rows[i].Min);
    EXPECT_EQ(f.MaxArgumentCount(), rows[i].Max);
    std::string tail = std::string("\r\n     syntax: ") + rows[i].Syntax;
    ASSERT_GT(f.Comment().size(), tail.size());
    EXPECT_EQ(f.Comment().substr(f.Comment().size() - tail.size()), tail);
    EXPECT_TRUE(IsFunctionClassRegistered(rows[i].ClassName));
    EXPECT_EQ(harness.Function(rows[i].Name).get(), &f) << "registered with the engine";
  }
}
