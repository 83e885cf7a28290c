#include "packages/StandardLogic.h"

#include <functional>
#include <string>

#include "core/IEConsts.h"
#include "packages/BuiltinPackages.h"
#include "functions/FunctionKit.h"
#include "functions/IEFunctionCall.h"

namespace {

// Strict equality (type and value) that tolerates arguments resolving to
// nothing: two missing values match, a missing and a present one do not.
bool SameValue(const IIEValue& a, const IIEValue& b) {
  if (!a || !b) return !a && !b;
  return a->Equals(b);
}

bool IsFalse(const IIEValue& value) { return IsFalseValue(value); }
bool IsTrue(const IIEValue& value) { return value && value->Equals(TrueAtom()); }

// TRUE when Holds(first, argument i) for every further argument i; stops at
// the first one for which it does not. The first argument is resolved once.
template <class TTest>
IIEValue AllAgainstFirst(const TFunctionCall& funCall, TIEContext* context, TTest holds) {
  const IIEValue first = ResolveArgument(funCall, 0, context);
  for (int32_t i = 1; i < funCall.ArgumentCount(); ++i)
    if (!holds(first, ResolveArgument(funCall, i, context))) return FalseAtom();
  return TrueAtom();
}

// The same with the arguments read as numbers.
template <class TTest>
IIEValue AllNumbersAgainstFirst(const TFunctionCall& funCall, TIEContext* context, TTest holds) {
  const double first = NumericArgument(funCall, 0, context);
  for (int32_t i = 1; i < funCall.ArgumentCount(); ++i)
    if (!holds(first, NumericArgument(funCall, i, context))) return FalseAtom();
  return TrueAtom();
}

// TRUE when Holds(argument i, argument i+1) for every adjacent pair; each pair
// resolves both of its arguments afresh.
template <class TTest>
IIEValue AdjacentPairs(const TFunctionCall& funCall, TIEContext* context, TTest holds) {
  for (int32_t i = 0; i + 1 < funCall.ArgumentCount(); ++i) {
    const double left = NumericArgument(funCall, i, context);
    const double right = NumericArgument(funCall, i + 1, context);
    if (!holds(left, right)) return FalseAtom();
  }
  return TrueAtom();
}

}  // namespace

bool IsFalseValue(const IIEValue& value) {
  return value && value->Equals(FalseAtom());
}

// ---------------------------------------------------------------------------
// Boolean functions

TAndFunction::TAndFunction() {
  DescribeFunction(*this, "and", 0, UnlimitedArguments, SAndHelp, SAndSyntax);
}

void TAndFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  for (int32_t i = 0; i < funCall.ArgumentCount(); ++i)
    if (IsFalse(ResolveArgument(funCall, i, context))) {
      result = FalseAtom();
      return;
    }
  result = TrueAtom();
}

TOrFunction::TOrFunction() {
  DescribeFunction(*this, "or", 0, UnlimitedArguments, SOrHelp, SOrSyntax);
}

void TOrFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  for (int32_t i = 0; i < funCall.ArgumentCount(); ++i)
    if (IsTrue(ResolveArgument(funCall, i, context))) {
      result = TrueAtom();
      return;
    }
  result = FalseAtom();
}

TNotFunction::TNotFunction() { DescribeFunction(*this, "not", 1, 1, SNotHelp, SNotSyntax); }

void TNotFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = BooleanAtom(IsFalse(ResolveArgument(funCall, 0, context)));
}

// ---------------------------------------------------------------------------
// Equality

TEqFunction::TEqFunction() {
  DescribeFunction(*this, "eq", 1, UnlimitedArguments, SEqHelp, SEqSyntax);
}

void TEqFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = AllAgainstFirst(funCall, context, SameValue);
}

TEqStarFunction::TEqStarFunction() {
  DescribeFunction(*this, "eq*", 1, UnlimitedArguments, SEqStarHelp, SEqStarSyntax);
}

void TEqStarFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = AllAgainstFirst(funCall, context, [](const IIEValue& first, const IIEValue& other) {
    if (!first || !other) return !first && !other;
    return first->EqualsConverted(other);
  });
}

TNeqFunction::TNeqFunction() {
  DescribeFunction(*this, "neq", 1, UnlimitedArguments, SNeqHelp, SNeqSyntax);
}

void TNeqFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = AllAgainstFirst(funCall, context, [](const IIEValue& first, const IIEValue& other) {
    return !SameValue(first, other);
  });
}

// ---------------------------------------------------------------------------
// Numeric comparisons

TEqualsFunction::TEqualsFunction() {
  DescribeFunction(*this, "=", 1, UnlimitedArguments, SEqualsHelp, SEqualsSyntax);
}

void TEqualsFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  // Below or above ends it; values that are neither (NaN) do not.
  result = AllNumbersAgainstFirst(funCall, context,
                                  [](double first, double other) {
                                    return !(other < first) && !(other > first);
                                  });
}

TNotEqualsFunction::TNotEqualsFunction() {
  DescribeFunction(*this, "<>", 1, UnlimitedArguments, SNotEqualsHelp, SNotEqualsSyntax);
}

void TNotEqualsFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = AllNumbersAgainstFirst(funCall, context,
                                  [](double first, double other) { return other != first; });
}

TGtFunction::TGtFunction() {
  DescribeFunction(*this, ">", 2, UnlimitedArguments, SGtHelp, SGtSyntax);
}

void TGtFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = AdjacentPairs(funCall, context, std::greater<double>());
}

TGtOrEqFunction::TGtOrEqFunction() {
  DescribeFunction(*this, ">=", 2, UnlimitedArguments, SGtOrEqHelp, SGtOrEqSyntax);
}

void TGtOrEqFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = AdjacentPairs(funCall, context, std::greater_equal<double>());
}

TLtFunction::TLtFunction() {
  DescribeFunction(*this, "<", 2, UnlimitedArguments, SLtHelp, SLtSyntax);
}

void TLtFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = AdjacentPairs(funCall, context, std::less<double>());
}

TLtOrEqFunction::TLtOrEqFunction() {
  DescribeFunction(*this, "<=", 2, UnlimitedArguments, SLtOrEqHelp, SLtOrEqSyntax);
}

void TLtOrEqFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = AdjacentPairs(funCall, context, std::less_equal<double>());
}

// ---------------------------------------------------------------------------

namespace {

const TFunctionClass logicClasses[] = {
    FunctionClassOf<TAndFunction>(),
    FunctionClassOf<TOrFunction>(),
    FunctionClassOf<TNotFunction>(),
    FunctionClassOf<TEqFunction>(),
    FunctionClassOf<TEqStarFunction>(),
    FunctionClassOf<TNeqFunction>(),
    FunctionClassOf<TEqualsFunction>(),
    FunctionClassOf<TNotEqualsFunction>(),
    FunctionClassOf<TGtFunction>(),
    FunctionClassOf<TGtOrEqFunction>(),
    FunctionClassOf<TLtFunction>(),
    FunctionClassOf<TLtOrEqFunction>(),
};

}  // namespace

IUserFunction CreateStandardLogicFunction(std::string_view className) {
  return CreateFunctionOf(logicClasses, className);
}

void RegisterStandardLogicClasses() { RegisterFunctionClasses(logicClasses); }
