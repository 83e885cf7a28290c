// IReasoner: what the function framework needs from an engine — its registry of
// user functions by name and the text forms of calls, facts and functions.
// The engine (TInferenceEngine) implements it; function calls reach engines
// only through it, the built-in functions through it and the roles of
// values/EngineRoles.h.
//
// Ownership: an engine is owned by its host (or window), never by the lists that
// mention it. Lists of engines therefore hold the engine's TReasonerLink, a small
// counted object every IReasoner owns one of: the link outlives its engine and
// reads as none once the engine is destroyed, so a function that is still listed
// with a destroyed engine never touches freed memory.
// Thread-safety: registrations change on one thread before engines run; the
// link's pointer is not synchronised.
#pragma once

#include <string>
#include <string_view>

#include "collections/CommonInterfaces.h"
#include "collections/RefCount.h"

class IReasoner;
class TIEUserFunction;
class TFunctionCall;
class TInterpretedFunction;
class TCustomFact;
class IDialogHost;
using IUserFunction = TRef<TIEUserFunction>;

// The counted stand-in of one engine in lists of engines. Identity of links is
// identity of engines: each IReasoner has exactly one.
class TReasonerLink : public TRefCounted {
 public:
  explicit TReasonerLink(IReasoner* reasoner) noexcept : reasoner_(reasoner) {}
  // The engine, or none once it was destroyed.
  IReasoner* Reasoner() const noexcept { return reasoner_; }

 private:
  friend class IReasoner;
  IReasoner* reasoner_;
};

using IReasonerLink = TRef<TReasonerLink>;

class IReasoner {
 public:
  IReasoner() : link_(new TReasonerLink(this)) {}
  IReasoner(const IReasoner&) = delete;
  IReasoner& operator=(const IReasoner&) = delete;
  virtual ~IReasoner() { link_->reasoner_ = nullptr; }

  // The engine's link (see the header comment).
  const IReasonerLink& Link() const noexcept { return link_; }

  // Puts Function into the registry under its FunctionName; true when stored.
  virtual bool AddFunction(const IUserFunction& function) = 0;
  // Removes the registry entry under Function's FunctionName (if any).
  virtual void RemoveFunction(const IUserFunction& function) = 0;
  virtual bool FunctionExists(std::string_view name) const = 0;
  // The function registered under Name, or none.
  virtual IUserFunction GetFunction(std::string_view name) const = 0;
  // The registered names; none when there is no registry.
  virtual IStringIteratorRef Functions() const = 0;
  // Stores Function under Name (the registry's duplicate and name rules apply).
  virtual void PutFunction(std::string_view name, const IUserFunction& function) = 0;

  // Text forms, produced by the engine's construct printer.
  virtual std::string FunCallText(const TFunctionCall& call) const = 0;
  virtual std::string FactText(const TCustomFact& fact) const = 0;
  virtual std::string UserFunctionText(const TIEUserFunction& function) const = 0;
  virtual std::string DeffunctionText(const TInterpretedFunction& function) const = 0;

  // Writes the whole engine as rule text to FileName (the `save` function).
  // An engine without a save text raises "Function is unimplemented or
  // unassigned: save".
  virtual void SaveToFile(const std::string& fileName);

  // The host that shows the dialogs of the dialog functions (input-box,
  // message-dlg, ...): not owned, none by default. The host assigns it and
  // keeps it alive while the engine may run.
  IDialogHost* DialogHost() const noexcept { return dialogHost_; }
  void SetDialogHost(IDialogHost* host) noexcept { dialogHost_ = host; }

  // How deeply calls evaluated for this engine may nest (deffunction calls,
  // calls in arguments, rules run from actions): one level more raises
  // EIEException "Function calls nested deeper than %d levels", which `try`
  // catches, instead of overflowing the stack. The count is per thread, as
  // the stack is. A release build uses about 600 bytes of stack per level,
  // so the default needs some 0.6 MB: well inside the 8 MB of a thread's
  // stack, and inside 1 MB. Values below 1 count as 1.
  static constexpr int32_t DefaultMaxEvaluationDepth = 1000;
  int32_t MaxEvaluationDepth() const noexcept { return maxEvaluationDepth_; }
  void SetMaxEvaluationDepth(int32_t value) noexcept {
    maxEvaluationDepth_ = value < 1 ? 1 : value;
  }

 private:
  IReasonerLink link_;
  IDialogHost* dialogHost_ = nullptr;
  int32_t maxEvaluationDepth_ = DefaultMaxEvaluationDepth;
};
