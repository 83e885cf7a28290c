// Deffunctions: parameters, actions and the call in a child context.
#include "functions/IEDeffunction.h"

#include <memory>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "values/IEContext.h"

namespace {

IIEValue ResolveIn(const IIEValue& value, TIEContext* context) {
  return value ? value->Resolve(context) : IIEValue();
}

}  // namespace

TInterpretedFunction::TInterpretedFunction()
    : parameters_(new TValueVector()), actions_(new TValueVector()) {}

void TInterpretedFunction::AddParameter(std::string_view name, TIEType type) {
  switch (type) {
    case dtAtom: parameters_->Add(TIEValue::MakeAtom(name)); break;
    case dtVariable: parameters_->Add(TIEValue::MakeVariable(name)); break;
    case dtMultiVariable: parameters_->Add(TIEValue::MakeMultiVariable(name)); break;
    default: throw EIEException(Format(SInvalidDeffunctionArgType, {IETypeName(type)}));
  }
}

void TInterpretedFunction::AddAction(IFunCall call) {
  actions_->Add(TIEValue::MakeFunCall(std::move(call)));
}

void TInterpretedFunction::AddAction(IIEValue value) { actions_->Add(std::move(value)); }

int32_t TInterpretedFunction::GetMinArgumentCount() const { return parameters_->Count(); }

int32_t TInterpretedFunction::GetMaxArgumentCount() const {
  int32_t count = parameters_->Count();
  if (count > 0) {
    const IIEValue& last = parameters_->Get(count - 1);
    if (last && last->DType() == dtMultiVariable) return UnlimitedArguments;
  }
  return count;
}

void TInterpretedFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const TValueVector& parameters = *parameters_;
  const int32_t parameterCount = parameters.Count();
  const int32_t argumentCount = funCall.ArgumentCount();
  if (argumentCount < parameterCount)
    throw EIEException(Format(STooFewArguments, {FunctionName()}));

  // A call without a caller's context still runs in a scope of its own.
  std::unique_ptr<TIEContext> child =
      context ? context->CreateChild() : std::make_unique<TIEContext>();
  TIEContext* scope = child.get();

  for (int32_t i = 0; i < parameterCount; ++i) {
    const IIEValue& parameter = parameters.Get(i);
    switch (parameter->DType()) {
      case dtAtom:
        // A bare symbol reserves its argument position without reading it.
        scope->SetVariable(parameter->TextView(), NilValue());
        break;
      case dtVariable:
        scope->AddBinding(parameter->TextView(), ResolveIn(funCall.GetArgument(i), scope));
        break;
      case dtMultiVariable: {
        IValueVector rest(new TValueVector());
        for (int32_t k = i; k < argumentCount; ++k)
          rest->Add(ResolveIn(funCall.GetArgument(k), scope));
        scope->AddBinding(parameter->TextView(), TIEValue::MakeList(std::move(rest)));
        break;
      }
      default:
        break;  // AddParameter admits no other type
    }
  }

  // The actions keep this function's body alive while they run, even if the
  // function is redefined by one of them.
  IValueVector actions = actions_;
  try {
    for (int32_t i = 0; i < actions->Count(); ++i) {
      result = ResolveIn(actions->Get(i), scope);
      if (scope->Returned()) {
        result = scope->ReturnValue();
        scope->ClearReturnValue();
        break;
      }
    }
    // A value handed to `return` unevaluated is evaluated in this scope.
    result = ResolveIn(result, scope);
  } catch (...) {
    scope->ReleaseToParent();
    throw;
  }
  scope->ReleaseToParent();
}

void TInterpretedFunction::Assign(const TPersistent* source) {
  TIEUserFunction::Assign(source);
  if (const auto* other = dynamic_cast<const TInterpretedFunction*>(source)) {
    if (other == this) return;
    parameters_ = other->parameters_->Clone();
    actions_ = other->actions_->Clone();
    source_ = other->source_;
  }
}

void TInterpretedFunction::ReasonerChanged(IReasoner* reasoner, TListNotification action) {
  TIEUserFunction::ReasonerChanged(reasoner, action);
  if (action != lnAdded && Reasoners().Count() == 0) ReleaseCallBindings();
}

void TInterpretedFunction::ReleaseCallBindings() {
  for (int32_t i = 0; i < actions_->Count(); ++i) {
    const IIEValue& action = actions_->Get(i);
    if (!action || action->DType() != dtFunCall) continue;
    IFunCall call = action->AsFunCall();
    if (auto* functionCall = dynamic_cast<TFunctionCall*>(call.get()))
      functionCall->UnbindFunction(true);
  }
}
