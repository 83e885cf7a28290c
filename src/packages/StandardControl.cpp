#include "packages/StandardControl.h"

#include <exception>
#include <string>

#include "core/Format.h"
#include "core/IEConsts.h"
#include "core/IEInterfaces.h"
#include "packages/BuiltinPackages.h"
#include "functions/FunctionKit.h"
#include "functions/IEFunctionCall.h"
#include "packages/StandardLogic.h"
#include "values/IEContext.h"

namespace {

bool Returned(const TIEContext* context) { return context && context->Returned(); }

// Whether the argument at Index, as written (unresolved), is the keyword atom.
bool IsKeyword(const TFunctionCall& funCall, int32_t index, const IIEValue& keyword) {
  const IIEValue& argument = funCall.GetArgument(index);
  return argument && argument->Equals(keyword);
}

// Resolves the arguments First .. Last-1 in order, each becoming Result. When
// one leaves the context's Returned flag set, Result is the return value and
// the rest do not run; true then.
bool RunActions(const TFunctionCall& funCall, int32_t first, int32_t last, TIEContext* context,
                IIEValue& result) {
  for (int32_t i = first; i < last; ++i) {
    result = ResolveArgument(funCall, i, context);
    if (Returned(context)) {
      result = context->ReturnValue();
      return true;
    }
  }
  return false;
}

// The context variables are bound in; a context-free evaluation has none.
TIEContext& BindingContext(TIEContext* context) {
  if (!context) throw EIEException(Format(SNoContext, {IETypeName(dtVariable)}));
  return *context;
}

// One part of a try (the protected, finally or catch actions). A return still
// pending from an earlier part is set aside while the part runs, so it does
// not cut the part short, and stays in force afterwards (also when the part
// raises) unless the part returns itself.
class TTryPart {
 public:
  explicit TTryPart(TIEContext* context) : context_(context) {
    if (Returned(context_)) {
      pending_ = true;
      pendingValue_ = context_->ReturnValue();
      context_->ClearReturnValue();
    }
  }
  ~TTryPart() {
    if (pending_ && !context_->Returned()) context_->SetReturnValue(pendingValue_);
  }
  TTryPart(const TTryPart&) = delete;
  TTryPart& operator=(const TTryPart&) = delete;

  static void Run(const TFunctionCall& funCall, int32_t first, int32_t last, TIEContext* context,
                  IIEValue& result) {
    TTryPart part(context);
    RunActions(funCall, first, last, context, result);
  }

 private:
  TIEContext* context_;
  bool pending_ = false;
  IIEValue pendingValue_;
};

}  // namespace

// ---------------------------------------------------------------------------

TIfFunction::TIfFunction() {
  DescribeFunction(*this, "if", 2, UnlimitedArguments, SIfHelp, SIfSyntax);
}

void TIfFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  if (!IsKeyword(funCall, 1, ThenAtom()))
    throw EIEException(Format(SSyntaxError, {SMissingThen}));
  const int32_t count = funCall.ArgumentCount();
  result = FalseAtom();
  if (!IsFalseValue(ResolveArgument(funCall, 0, context))) {
    // The then-branch ends where a value reads as the else keyword.
    for (int32_t i = 2; i < count; ++i) {
      IIEValue value = ResolveArgument(funCall, i, context);
      if (value && value->Equals(ElseAtom())) return;
      result = std::move(value);
      if (Returned(context)) {
        result = context->ReturnValue();
        return;
      }
    }
    return;
  }
  for (int32_t i = 3; i < count; ++i)
    if (IsKeyword(funCall, i, ElseAtom())) {
      RunActions(funCall, i + 1, count, context, result);
      return;
    }
}

TWhileFunction::TWhileFunction() {
  DescribeFunction(*this, "while", 2, UnlimitedArguments, SWhileHelp, SWhileSyntax);
}

void TWhileFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const int32_t bodyStart = IsKeyword(funCall, 1, DoAtom()) ? 2 : 1;
  const int32_t count = funCall.ArgumentCount();
  result = ResolveArgument(funCall, 0, context);
  while (!IsFalseValue(result)) {
    if (RunActions(funCall, bodyStart, count, context, result)) return;
    result = ResolveArgument(funCall, 0, context);
  }
}

TForEachFunction::TForEachFunction() {
  DescribeFunction(*this, "foreach", 2, UnlimitedArguments, SForEachHelp, SForEachSyntax);
}

void TForEachFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const std::string name = TextArgument(funCall, 0, context);
  // Held for the whole loop: the body cannot free the list it walks.
  const IValueVector list = ListArgument(funCall, 1, context);
  const int32_t count = funCall.ArgumentCount();
  result = NilValue();
  for (int32_t i = 0; i < list->Count(); ++i) {
    const IIEValue& element = list->Get(i);
    BindingContext(context).SetVariable(name, element ? element->Resolve(context) : IIEValue());
    if (RunActions(funCall, 2, count, context, result)) return;
  }
}

TTryFunction::TTryFunction() {
  DescribeFunction(*this, "try", 1, UnlimitedArguments, STryHelp, STrySyntax);
}

void TTryFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const int32_t count = funCall.ArgumentCount();
  auto isAtom = [&](int32_t index, const IIEValue& keyword) {
    const IIEValue& argument = funCall.GetArgument(index);
    return argument && argument->DType() == dtAtom && argument->Equals(keyword);
  };
  int32_t finallyAt = -1;
  for (int32_t i = 0; i < count && finallyAt < 0; ++i)
    if (isAtom(i, FinallyAtom())) finallyAt = i;
  int32_t catchAt = -1;
  for (int32_t i = finallyAt + 1; i < count && catchAt < 0; ++i)
    if (isAtom(i, CatchAtom()) || isAtom(i, ExceptAtom())) catchAt = i;
  if (finallyAt < 0 && catchAt < 0) throw EIEException(SMissingCatchOrFinally);

  // An abort (exit) is never caught; the finally part still runs before it
  // passes on. Any other error is remembered (a later one replaces it).
  std::exception_ptr abort;
  bool failed = false;
  std::string message;
  auto guarded = [&](int32_t first, int32_t last) {
    try {
      TTryPart::Run(funCall, first, last, context, result);
    } catch (const EAbort&) {
      if (!abort) abort = std::current_exception();
    } catch (const std::exception& error) {
      failed = true;
      message = error.what();
    }
  };
  result = IIEValue();
  guarded(0, finallyAt >= 0 ? finallyAt : catchAt);
  if (finallyAt >= 0) guarded(finallyAt + 1, catchAt >= 0 ? catchAt : count);
  if (abort) std::rethrow_exception(abort);
  if (failed) {
    result = FalseAtom();
    if (context) context->SetVariable(SErrorVariable, TIEValue::MakeString(message));
    if (catchAt >= 0) TTryPart::Run(funCall, catchAt + 1, count, context, result);
  }
  if (Returned(context)) result = context->ReturnValue();
}

TThrowFunction::TThrowFunction() {
  DescribeFunction(*this, "throw", 1, 1, SThrowHelp, SThrowSyntax);
}

void TThrowFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue&) {
  throw Exception(TextArgument(funCall, 0, context));
}

TReturnFunction::TReturnFunction() {
  DescribeFunction(*this, "return", 1, 1, SReturnHelp, SReturnSyntax);
}

void TReturnFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = funCall.GetArgument(0);
  if (context) context->SetReturnValue(result);
}

TBindFunction::TBindFunction() {
  DescribeFunction(*this, "bind", 2, 2, SBindHelp, SBindSyntax);
}

void TBindFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const IIEValue& variable = funCall.GetArgument(0);
  if (!variable) RaiseNotA(SStringWord, dtNone);
  const std::string name = variable->AsString();
  IIEValue value = ResolveArgument(funCall, 1, context);
  BindingContext(context).SetVariable(name, value);
  result = std::move(value);
}

TExitFunction::TExitFunction() {
  DescribeFunction(*this, "exit", 0, 0, SExitHelp, SExitSyntax);
}

void TExitFunction::Run(TFunctionCall&, TIEContext*, IIEValue&) {
  throw EExitRequest();
}

THaltFunction::THaltFunction() {
  DescribeFunction(*this, "halt", 0, 0, SHaltHelp, SHaltSyntax);
}

void THaltFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IAgendaControl* engine = context ? context->Engine() : nullptr;
  if (!engine) engine = dynamic_cast<IAgendaControl*>(funCall.GetEngine());
  // Without an engine nothing runs that could be stopped.
  if (engine) engine->SetHalted(true);
  result = TrueAtom();
}

// ---------------------------------------------------------------------------

namespace {

const TFunctionClass controlClasses[] = {
    FunctionClassOf<TIfFunction>(),
    FunctionClassOf<TWhileFunction>(),
    FunctionClassOf<TForEachFunction>(),
    FunctionClassOf<TTryFunction>(),
    FunctionClassOf<TThrowFunction>(),
    FunctionClassOf<TReturnFunction>(),
    FunctionClassOf<TBindFunction>(),
    FunctionClassOf<TExitFunction>(),
    FunctionClassOf<THaltFunction>(),
};

}  // namespace

IUserFunction CreateStandardControlFunction(std::string_view className) {
  return CreateFunctionOf(controlClasses, className);
}

void RegisterStandardControlClasses() { RegisterFunctionClasses(controlClasses); }
