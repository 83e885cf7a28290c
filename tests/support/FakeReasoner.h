// Test doubles: a reasoner with a plain name-to-function registry that counts
// its lookups, and small functions built on TIEUserFunction.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "functions/IEFunctionCall.h"
#include "functions/IEPackages.h"
#include "functions/IReasoner.h"
#include "values/IEContext.h"
#include "values/IEValue.h"

class TFakeReasoner : public IReasoner {
 public:
  bool AddFunction(const IUserFunction& function) override {
    registry[function->FunctionName()] = function;
    return true;
  }
  void RemoveFunction(const IUserFunction& function) override {
    registry.erase(function->FunctionName());
  }
  bool FunctionExists(std::string_view name) const override {
    ++existsCalls;
    return registry.count(std::string(name)) != 0;
  }
  IUserFunction GetFunction(std::string_view name) const override {
    ++getCalls;
    auto it = registry.find(std::string(name));
    return it == registry.end() ? IUserFunction() : it->second;
  }
  IStringIteratorRef Functions() const override { return nullptr; }
  void PutFunction(std::string_view name, const IUserFunction& function) override {
    registry[std::string(name)] = function;
  }
  std::string FunCallText(const TFunctionCall& call) const override {
    return "<call " + call.FunctionName() + ">";
  }
  std::string FactText(const TCustomFact&) const override { return "<fact>"; }
  std::string UserFunctionText(const TIEUserFunction& f) const override { return f.FunctionName(); }
  std::string DeffunctionText(const TInterpretedFunction&) const override { return ""; }

  // The registered names, in name order.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : registry) names.push_back(entry.first);
    return names;
  }

  std::map<std::string, IUserFunction> registry;
  mutable int existsCalls = 0;
  mutable int getCalls = 0;
};

// Returns its first argument resolved (or none); counts its calls.
class TEchoFunction : public TIEUserFunction {
 public:
  explicit TEchoFunction(std::string_view name = "echo") { SetFunctionName(name); }
  void Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) override {
    ++calls;
    if (funCall.ArgumentCount() > 0) result = funCall.GetArgument(0)->Resolve(context);
  }
  int calls = 0;
};

// Returns the first argument exactly as written in the call.
class TQuoteFunction : public TIEUserFunction {
 public:
  TQuoteFunction() { SetFunctionName("quote"); }
  void Run(TFunctionCall& funCall, TIEContext*, IIEValue& result) override {
    result = funCall.GetArgument(0);
  }
};

// Raises EConvertError "boom".
class TFailFunction : public TIEUserFunction {
 public:
  TFailFunction() { SetFunctionName("fail"); }
  void Run(TFunctionCall&, TIEContext*, IIEValue&) override {
    throw EConvertError("boom");
  }
};

// Sets a flag in its destructor.
class TTrackedFunction : public TIEUserFunction {
 public:
  explicit TTrackedFunction(bool* destroyed) : destroyed_(destroyed) { SetFunctionName("tracked"); }
  ~TTrackedFunction() override { *destroyed_ = true; }

 private:
  bool* destroyed_;
};
