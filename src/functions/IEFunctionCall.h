// TFunctionCall: a parsed call of the rule language — a function name, the
// ordered unevaluated arguments and the function, bound by name through the
// call's engine on first evaluation and kept from then on.
//
// Ownership: calls are reference counted (IFunCall, or TRef<TFunctionCall>) and
// owned by the values, rules and functions that hold them. A call holds its
// arguments and its bound function by reference; the engine is not owned (a
// call must not outlive it). Clone before changing a shared call.
// Thread-safety: a call evaluates on its engine's thread only; binding on first
// evaluation is not synchronised.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "functions/IEPackages.h"
#include "functions/IReasoner.h"
#include "values/IEValue.h"

class TFunctionCall;
using IFunctionCall = TRef<TFunctionCall>;

class TFunctionCall : public TCustomFunCall {
 public:
  TFunctionCall() = default;
  // A call of FunctionName resolved through Engine (may be none).
  TFunctionCall(IReasoner* engine, std::string_view functionName)
      : engine_(engine), functionName_(functionName) {}
  static IFunctionCall Create(IReasoner* engine, std::string_view functionName) {
    return IFunctionCall(new TFunctionCall(engine, functionName));
  }

  // Arguments. Each AddArgument appends and returns the new argument's index.
  // The value itself (shared, not copied).
  int32_t AddArgument(IIEValue value);
  // dtInteger stores Number truncated toward zero, dtFloat as is; any other type
  // raises EIEException "Not a %s.  Value Type is %s" ("Float type", the type).
  int32_t AddArgument(double number, TIEType type);
  // dtInteger stores Number, dtFloat converts it; otherwise "Not a %s ..."
  // with "Integer type".
  int32_t AddArgument(int32_t number, TIEType type);
  // A text type (atom, string, variable, multivariable, slot, multislot) stores
  // Text under that type; otherwise "Not a %s ..." with "String type".
  int32_t AddArgument(std::string_view text, TIEType type);
  int32_t AddArgument(const char* text, TIEType type) {
    return AddArgument(std::string_view(text), type);
  }
  int32_t AddArgument(IFact fact);                 // a dtFact value
  int32_t AddArgument(IFunCall call);              // a dtFunCall value
  int32_t AddArgument(const IFunctionCall& call) { return AddArgument(IFunCall(call)); }
  int32_t AddArgument(IValueVector list);          // a dtList value

  int32_t ArgumentCount() const noexcept { return int32_t(arguments_.size()); }
  // By position from 0; EListError "List index out of bounds (%d)" otherwise.
  const IIEValue& GetArgument(int32_t index) const;
  void SetArgument(int32_t index, IIEValue value);
  void DeleteArgument(int32_t index);
  void ClearArguments() noexcept { arguments_.clear(); }
  const std::vector<IIEValue>& Arguments() const noexcept { return arguments_; }

  // The bound function (none until bound). Setting a function copies its
  // FunctionName into the call; setting none clears the name.
  const IUserFunction& GetFunction() const noexcept { return function_; }
  void SetFunction(IUserFunction function);
  // Forgets the bound function but keeps the name, so the next evaluation
  // looks the name up again; with Deep, also in every call nested in the
  // arguments. Deffunctions use it to release the cycles their recursive calls
  // make (see TInterpretedFunction).
  void UnbindFunction(bool deep);

  const std::string& FunctionName() const noexcept { return functionName_; }
  const std::string& GetFunctionName() const noexcept { return functionName_; }
  IReasoner* GetEngine() const noexcept { return engine_; }
  IReasoner* Engine() const noexcept { return engine_; }

  // Binds the function on first use (through the engine: FunctionExists, then
  // GetFunction), then hands this call and Context to the function's Call and
  // returns its result. Arguments are not evaluated here: the function resolves
  // those it needs. EIEException "Function is unimplemented or unassigned: %s"
  // when the name is not registered (or there is neither function nor engine).
  IIEValue Evaluate(TIEContext* context) override;
  // Calls the bound function without looking anything up; EIEException
  // "Function is unimplemented or unassigned: %s" when none is bound, and any
  // error of the function comes back as EIEException "%s error: %s".
  void Execute(TIEContext* context, IIEValue& result);

  // The printed form: the engine's construct printer when the call has an
  // engine, else the construct printer directly.
  std::string AsText() const override;
  std::string ToText() const { return AsText(); }
  // "(name arg ...)" without consulting any engine.
  std::string PlainText() const;
  // The string hash of the name plus the arguments' hash codes (wrapping).
  int32_t HashCode() const override;
  // Same name (exact), same argument count, equal arguments position by position.
  bool Equals(const TCustomFunCall* other) const override;

  // ICloneable. Source must be a TFunctionCall (EInvalidCast otherwise): copies
  // the name and Tag and a clone of each argument (the binding is not copied).
  void Assign(const ICloneable& source) override;
  TRef<ICloneable> CloneObject() const override;
  // A new unbound call with the same engine and name, assigned from this one.
  IFunctionCall Clone() const;
  bool IsEqual(const ICloneable* other) const override;

 private:
  void CheckIndex(int32_t index) const;

  IReasoner* engine_ = nullptr;
  std::vector<IIEValue> arguments_;
  IUserFunction function_;
  std::string functionName_;
};
