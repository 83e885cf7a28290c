// Function calls: arguments, lazy binding, evaluation, text, hash and equality.
#include "functions/IEFunctionCall.h"

#include <cmath>
#include <exception>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "functions/FunctionKit.h"
#include "functions/WrittenText.h"
#include "values/IEContext.h"

namespace {

[[noreturn]] void RaiseUnimplemented(const std::string& name) {
  throw EIEException(Format(SFunctionUnimplemented, {name}));
}

// Calls being evaluated on this thread, across engines: the stack they use
// is this thread's.
thread_local int32_t evaluationDepth = 0;

// Counts one level of evaluation for the lifetime of the guard; refuses the
// level beyond Engine's limit (the default limit without an engine).
class TDepthGuard {
 public:
  explicit TDepthGuard(const IReasoner* engine) {
    const int32_t limit =
        engine ? engine->MaxEvaluationDepth() : IReasoner::DefaultMaxEvaluationDepth;
    if (evaluationDepth >= limit) throw EIEException(Format(SEvaluationTooDeep, {limit}));
    ++evaluationDepth;
  }
  ~TDepthGuard() { --evaluationDepth; }
  TDepthGuard(const TDepthGuard&) = delete;
  TDepthGuard& operator=(const TDepthGuard&) = delete;
};

// The integer part of Number, saturated at the 32-bit limits.
int32_t TruncateToInt32(double number) {
  double whole = std::trunc(number);
  if (std::isnan(whole)) return 0;
  if (whole >= 2147483647.0) return 2147483647;
  if (whole <= -2147483648.0) return int32_t(-2147483647 - 1);
  return int32_t(whole);
}

void UnbindValue(const IIEValue& value) {
  if (!value) return;
  if (value->DType() == dtFunCall) {
    IFunCall call = value->AsFunCall();
    if (auto* functionCall = dynamic_cast<TFunctionCall*>(call.get()))
      functionCall->UnbindFunction(true);
  } else if (value->DType() == dtList) {
    TValueVector& list = value->ListRef();
    for (int32_t i = 0; i < list.Count(); ++i) UnbindValue(list.Get(i));
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Arguments

int32_t TFunctionCall::AddArgument(IIEValue value) {
  arguments_.push_back(std::move(value));
  return int32_t(arguments_.size()) - 1;
}

int32_t TFunctionCall::AddArgument(double number, TIEType type) {
  switch (type) {
    case dtInteger: return AddArgument(TIEValue::MakeInteger(TruncateToInt32(number)));
    case dtFloat: return AddArgument(TIEValue::MakeFloat(number));
    default: RaiseNotA(SFloatTypeWord, type);
  }
}

int32_t TFunctionCall::AddArgument(int32_t number, TIEType type) {
  switch (type) {
    case dtInteger: return AddArgument(TIEValue::MakeInteger(number));
    case dtFloat: return AddArgument(TIEValue::MakeFloat(double(number)));
    default: RaiseNotA(SIntegerTypeWord, type);
  }
}

int32_t TFunctionCall::AddArgument(std::string_view text, TIEType type) {
  switch (type) {
    case dtAtom: return AddArgument(TIEValue::MakeAtom(text));
    case dtString: return AddArgument(TIEValue::MakeString(text));
    case dtVariable: return AddArgument(TIEValue::MakeVariable(text));
    case dtMultiVariable: return AddArgument(TIEValue::MakeMultiVariable(text));
    case dtSlot: return AddArgument(TIEValue::MakeSlot(text));
    case dtMultiSlot: return AddArgument(TIEValue::MakeMultiSlot(text));
    default: RaiseNotA(SStringTypeWord, type);
  }
}

int32_t TFunctionCall::AddArgument(IFact fact) {
  return AddArgument(TIEValue::MakeFact(std::move(fact)));
}

int32_t TFunctionCall::AddArgument(IFunCall call) {
  return AddArgument(TIEValue::MakeFunCall(std::move(call)));
}

int32_t TFunctionCall::AddArgument(IValueVector list) {
  return AddArgument(TIEValue::MakeList(std::move(list)));
}

void TFunctionCall::CheckIndex(int32_t index) const {
  if (index < 0 || index >= ArgumentCount()) throw EListError(Format(SListIndexError, {index}));
}

const IIEValue& TFunctionCall::GetArgument(int32_t index) const {
  CheckIndex(index);
  return arguments_[size_t(index)];
}

void TFunctionCall::SetArgument(int32_t index, IIEValue value) {
  CheckIndex(index);
  arguments_[size_t(index)] = std::move(value);
}

void TFunctionCall::DeleteArgument(int32_t index) {
  CheckIndex(index);
  arguments_.erase(arguments_.begin() + index);
}

// ---------------------------------------------------------------------------
// Binding and evaluation

void TFunctionCall::SetFunction(IUserFunction function) {
  function_ = std::move(function);
  if (function_)
    functionName_ = function_->FunctionName();
  else
    functionName_.clear();
}

void TFunctionCall::UnbindFunction(bool deep) {
  function_ = nullptr;
  if (deep)
    for (const IIEValue& argument : arguments_) UnbindValue(argument);
}

IIEValue TFunctionCall::Evaluate(TIEContext* context) {
  // The function and this call stay alive for the whole call, even when the
  // call's owner lets go of it meanwhile (a construct redefined by its own
  // action, a deffunction's bindings released while it runs).
  IFunctionCall self(RefCount() > 0 ? this : nullptr);
  const TDepthGuard level(engine_);
  IIEValue result;
  try {
    if (!function_ && engine_) {
      IUserFunction found;
      if (engine_->FunctionExists(functionName_)) found = engine_->GetFunction(functionName_);
      if (!found) RaiseUnimplemented(functionName_);
      SetFunction(std::move(found));
    }
    if (!function_) RaiseUnimplemented(functionName_);
    IUserFunction function = function_;
    function->Call(*this, context, result);
  } catch (Exception& error) {
    // The innermost call is the one a person wants to see, and the innermost
    // deffunction it was part of.
    TErrorContext& where = error.Context();
    if (where.Call.empty())
      where.Call = AsText();
    else if (where.Function.empty() && function_ && function_->ClassName() == "TInterpretedFunction")
      where.Function = functionName_;
    throw;
  }
  return result;
}

void TFunctionCall::Execute(TIEContext* context, IIEValue& result) {
  if (!function_) RaiseUnimplemented(functionName_);
  IUserFunction function = function_;
  IFunctionCall self(RefCount() > 0 ? this : nullptr);
  std::string name = functionName_;
  const TDepthGuard level(engine_);
  try {
    function->Call(*this, context, result);
  } catch (const std::exception& error) {
    throw EIEException(Format(SFunctionError, {name, error.what()}));
  }
}

// ---------------------------------------------------------------------------
// Text, hash, equality, cloning

std::string TFunctionCall::PlainText() const {
  std::string text = "(";
  text += functionName_;
  for (const IIEValue& argument : arguments_) {
    if (!argument) continue;
    text += ' ';
    argument->AppendText(text);
  }
  text += ')';
  return text;
}

std::string TFunctionCall::AsText() const {
  return engine_ ? engine_->FunCallText(*this) : WrittenCallText(*this);
}

int32_t TFunctionCall::HashCode() const {
  uint32_t hash = TIEText::HashOf(functionName_);
  for (const IIEValue& argument : arguments_)
    if (argument) hash += uint32_t(argument->HashCode());
  return int32_t(hash);
}

bool TFunctionCall::Equals(const TCustomFunCall* other) const {
  const auto* call = dynamic_cast<const TFunctionCall*>(other);
  if (!call) return false;
  if (call == this) return true;
  if (functionName_ != call->functionName_ || arguments_.size() != call->arguments_.size())
    return false;
  for (size_t i = 0; i < arguments_.size(); ++i) {
    const IIEValue& a = arguments_[i];
    const IIEValue& b = call->arguments_[i];
    if (!a || !b) {
      if (a.get() != b.get()) return false;
    } else if (!a->Equals(b.get())) {
      return false;
    }
  }
  return true;
}

bool TFunctionCall::IsEqual(const ICloneable* other) const {
  return Equals(dynamic_cast<const TCustomFunCall*>(other));
}

void TFunctionCall::Assign(const ICloneable& source) {
  const auto* other = dynamic_cast<const TFunctionCall*>(&source);
  if (!other) throw EInvalidCast(SInvalidCast);
  if (other == this) return;
  functionName_ = other->functionName_;
  SetTag(other->Tag());
  arguments_.clear();
  arguments_.reserve(other->arguments_.size());
  for (const IIEValue& argument : other->arguments_)
    arguments_.push_back(argument ? argument->Clone() : IIEValue());
}

IFunctionCall TFunctionCall::Clone() const {
  IFunctionCall copy = Create(engine_, functionName_);
  copy->Assign(*this);
  return copy;
}

TRef<ICloneable> TFunctionCall::CloneObject() const { return TRef<ICloneable>(Clone()); }
