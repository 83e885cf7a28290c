// TInterpretedFunction: a function written in the rule language (deffunction):
// its parameters are bound in a fresh child of the caller's context and its
// actions are evaluated there in order.
//
// Ownership: reference counted like every user function (TRef); it owns its
// parameter and action vectors. Calls in its actions bind the functions they
// call, which for a recursive deffunction is a cycle of references; the cycle
// is released when the function is no longer registered with any engine (its
// actions' calls are unbound then and look their names up again if ever run).
// Thread-safety: Call keeps all state in the call's own child context, so one
// object may run on several threads; the parameters and actions are changed
// only while the construct is built.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "functions/IEFunctionCall.h"
#include "functions/IEPackages.h"
#include "values/IEValue.h"

class TInterpretedFunction : public TIEUserFunction {
 public:
  TInterpretedFunction();
  std::string ClassName() const override { return "TInterpretedFunction"; }

  // One value per parameter, in order: dtVariable for ?x, dtMultiVariable for
  // $?x (last only), dtAtom for a bare symbol.
  const IValueVector& Parameters() const noexcept { return parameters_; }
  // The body, one value per action in order (usually dtFunCall values).
  const IValueVector& Actions() const noexcept { return actions_; }
  // Where the deffunction was defined ("file:line", or "line N" for text
  // without a file); empty for one made in code.
  const std::string& Source() const noexcept { return source_; }
  void SetSource(std::string source) { source_ = std::move(source); }

  // Appends a parameter; only dtAtom, dtVariable and dtMultiVariable are
  // accepted, any other type raises EIEException
  // "Invalid argument type for deffunction: "%s"" with the type's name.
  void AddParameter(std::string_view name, TIEType type);
  // Appends a dtFunCall action.
  void AddAction(IFunCall call);
  void AddAction(const IFunctionCall& call) { AddAction(IFunCall(call)); }
  // Appends the value itself.
  void AddAction(IIEValue value);

  // The number of parameters.
  int32_t GetMinArgumentCount() const override;
  // Unlimited when the last parameter is a wildcard, else the parameter count.
  int32_t GetMaxArgumentCount() const override;

  // Binds the parameters to FunCall's arguments in a child of Context, runs the
  // actions until one of them returns, and sets Result to the last action's
  // value or the returned one, resolved in the function's own scope.
  // EIEException "Too few arguments for %s" when FunCall has fewer arguments
  // than parameters; surplus arguments are ignored unless a wildcard takes them.
  void Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) override;

  // Copies the base values, the source and (sharing them) the parameters and
  // actions.
  void Assign(const TPersistent* source) override;
  // Unregistered from its last engine: releases the calls' bindings (above).
  void ReasonerChanged(IReasoner* reasoner, TListNotification action) override;
  // Unbinds every call in the actions, nested ones included.
  void ReleaseCallBindings();

 private:
  IValueVector parameters_;
  IValueVector actions_;
  std::string source_;
};
