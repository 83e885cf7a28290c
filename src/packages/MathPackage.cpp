// The math package: arithmetic, rounding, logarithms, powers, pi, random.
#include "packages/MathPackage.h"

#include <cmath>
#include <cstdlib>

#include "core/ClassRegistry.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "packages/BuiltinPackages.h"
#include "functions/IEFunctionCall.h"
#include "packages/MathSupport.h"

namespace {

// A resolved numeric argument and whether it is a float, which decides the
// result type of sums, products, differences and extremes.
struct TNumber {
  double Value;
  bool IsFloat;
};

TNumber NumberArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  IIEValue value = ResolveArgument(funCall, index, context);
  return {NumericOf(value), value->DType() == dtFloat};
}

// Folds the arguments from First on into Start with Step; the result is a
// float when Start or any folded argument is one, else an integer.
template <class F>
IIEValue FoldNumbers(const TFunctionCall& funCall, TIEContext* context, TNumber start,
                     int32_t first, F step) {
  for (int32_t i = first; i < funCall.ArgumentCount(); ++i) {
    const TNumber next = NumberArgument(funCall, i, context);
    start.Value = step(start.Value, next.Value);
    start.IsFloat = start.IsFloat || next.IsFloat;
  }
  return NumberResult(start.Value, start.IsFloat);
}

// The low 32 bits of an integer quotient or remainder: the one overflowing
// case, the smallest integer divided by -1, wraps to itself.
int32_t IntegerDivide(int32_t a, int32_t b) {
  if (b == 0) throw EDivByZero(SDivByZero);
  if (b == -1) return int32_t(0u - uint32_t(a));
  return a / b;
}

int32_t IntegerRemainder(int32_t a, int32_t b) {
  if (b == 0) throw EDivByZero(SDivByZero);
  if (b == -1) return 0;
  return a % b;
}

// A logarithm: 0 is a pole (division by zero), negative numbers are outside
// the domain.
double CheckedLog(double x, double (*log)(double)) {
  if (x == 0) throw EZeroDivide();
  return CheckedFloat(log(x));
}

// The running maximum or minimum; ties keep the earlier argument.
void Extreme(TFunctionCall& funCall, TIEContext* context, IIEValue& result, bool greatest) {
  TNumber best = NumberArgument(funCall, 0, context);
  bool asFloat = best.IsFloat;
  for (int32_t i = 1; i < funCall.ArgumentCount(); ++i) {
    TNumber next = NumberArgument(funCall, i, context);
    if (greatest ? next.Value > best.Value : next.Value < best.Value) {
      best = next;
      asFloat = asFloat || next.IsFloat;
    }
  }
  result = NumberResult(best.Value, asFloat);
}

}  // namespace

// ---------------------------------------------------------------------------

TAbsFunction::TAbsFunction() {
  DescribeFunction(*this, "abs", 1, 1, SAbsHelp, "abs <numeric-expression>");
}

void TAbsFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IIEValue value = ResolveArgument(funCall, 0, context);
  TIEType type = value ? value->DType() : dtNone;
  if (type == dtInteger) {
    int32_t n = value->AsInteger();
    result = TIEValue::MakeInteger(n < 0 ? int32_t(0u - uint32_t(n)) : n);
  } else if (type == dtFloat) {
    result = TIEValue::MakeFloat(std::fabs(value->AsFloat()));
  } else {
    throw EIEException(Format(SExpectedNumericArgument, {FunctionName()}));
  }
}

TIntegerDivideFunction::TIntegerDivideFunction() {
  DescribeFunction(*this, "div", 1, UnlimitedArguments, SDivHelp, "div <integer-expression>+");
}

void TIntegerDivideFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                  IIEValue& result) {
  int32_t quotient = IntegerArgument(funCall, 0, context);
  for (int32_t i = 1; i < funCall.ArgumentCount(); ++i)
    quotient = IntegerDivide(quotient, IntegerArgument(funCall, i, context));
  result = TIEValue::MakeInteger(quotient);
}

TDivideFunction::TDivideFunction() {
  DescribeFunction(*this, "/", 1, UnlimitedArguments, SDivideHelp, "/ <numeric-expression>+");
}

void TDivideFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  double quotient = NumericArgument(funCall, 0, context);
  for (int32_t i = 1; i < funCall.ArgumentCount(); ++i)
    quotient = CheckedDivide(quotient, NumericArgument(funCall, i, context));
  result = FloatResult(quotient);
}

TExpFunction::TExpFunction() {
  DescribeFunction(*this, "exp", 1, 1, SExpHelp, "exp <numeric-expression>");
}

void TExpFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = FloatResult(std::exp(NumericArgument(funCall, 0, context)));
}

TExptFunction::TExptFunction() {
  DescribeFunction(*this, "**", 2, 2, SExptHelp,
                   "** <numeric-expression> <numeric-expression>");
}

void TExptFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  double base = NumericArgument(funCall, 0, context);
  double exponent = NumericArgument(funCall, 1, context);
  if (base == 0 && exponent < 0) throw EZeroDivide();
  result = FloatResult(std::pow(base, exponent));
}

TFloatFunction::TFloatFunction() {
  DescribeFunction(*this, "float", 1, 1, SFloatHelp, "float <numeric-expression>");
}

void TFloatFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = TIEValue::MakeFloat(NumericArgument(funCall, 0, context));
}

TIntegerFunction::TIntegerFunction() {
  DescribeFunction(*this, "integer", 1, 1, SIntegerHelp, "integer <numeric-expression>");
}

void TIntegerFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = TIEValue::MakeInteger(IntegerArgument(funCall, 0, context));
}

TLogFunction::TLogFunction() {
  DescribeFunction(*this, "log", 1, 1, SLogHelp, "log <numeric-expression>");
}

void TLogFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = TIEValue::MakeFloat(CheckedLog(NumericArgument(funCall, 0, context), std::log));
}

TLog10Function::TLog10Function() {
  DescribeFunction(*this, "log10", 1, 1, SLog10Help, "log10 <numeric-expression>");
}

void TLog10Function::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = TIEValue::MakeFloat(CheckedLog(NumericArgument(funCall, 0, context), std::log10));
}

TMaxFunction::TMaxFunction() {
  DescribeFunction(*this, "max", 1, UnlimitedArguments, SMaxHelp, "max <numeric-expression>+");
}

void TMaxFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  Extreme(funCall, context, result, true);
}

TMinFunction::TMinFunction() {
  DescribeFunction(*this, "min", 1, UnlimitedArguments, SMinHelp, "min <numeric-expression>+");
}

void TMinFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  Extreme(funCall, context, result, false);
}

TMinusFunction::TMinusFunction() {
  DescribeFunction(*this, "-", 1, UnlimitedArguments, SMinusHelp, "- <numeric-expression>+");
}

void TMinusFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = FoldNumbers(funCall, context, NumberArgument(funCall, 0, context), 1,
                       [](double a, double b) { return a - b; });
}

TModFunction::TModFunction() {
  DescribeFunction(*this, "mod", 2, 2, SModHelp,
                   "mod <integer-expression> <integer-expression>");
}

void TModFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  int32_t dividend = IntegerArgument(funCall, 0, context);
  int32_t divisor = IntegerArgument(funCall, 1, context);
  result = TIEValue::MakeInteger(IntegerRemainder(dividend, divisor));
}

TPiFunction::TPiFunction() { DescribeFunction(*this, "pi", 0, 0, SPiHelp, "pi"); }

void TPiFunction::Run(TFunctionCall&, TIEContext*, IIEValue& result) {
  result = PiValue();
}

TPlusFunction::TPlusFunction() {
  DescribeFunction(*this, "+", 0, UnlimitedArguments, SPlusHelp, "+ <numeric-expression>+");
}

void TPlusFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = FoldNumbers(funCall, context, {0, false}, 0, [](double a, double b) { return a + b; });
}

TRandomFunction::TRandomFunction() {
  DescribeFunction(*this, "random", 0, 0, SRandomHelp, "random");
}

void TRandomFunction::Run(TFunctionCall&, TIEContext*, IIEValue& result) {
  result = TIEValue::MakeInteger(NextRandom());
}

TRoundFunction::TRoundFunction() {
  DescribeFunction(*this, "round", 1, 1, SRoundHelp, "round <numeric-expression>");
}

void TRoundFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IIEValue value = ResolveArgument(funCall, 0, context);
  double x = NumericOf(value);
  double rounded = std::round(x);  // halves away from zero ...
  if (std::fabs(x - std::trunc(x)) == 0.5) rounded = 2.0 * std::round(x / 2.0);  // ... to even
  // A value beyond the integers fails as the integer getter does.
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
    RaiseNotA(SIntegerWord, value->DType());
  result = TIEValue::MakeInteger(int32_t(rounded));
}

TSeedFunction::TSeedFunction() {
  DescribeFunction(*this, "seed", 1, 1, SSeedHelp, "seed <integer-expression>");
}

void TSeedFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  SeedRandom(uint32_t(IntegerArgument(funCall, 0, context)));
  result = TrueAtom();
}

TSqrtFunction::TSqrtFunction() {
  DescribeFunction(*this, "sqrt", 1, 1, SSqrtHelp, "sqrt <numeric-expression>");
}

void TSqrtFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = FloatResult(std::sqrt(NumericArgument(funCall, 0, context)));
}

TTimesFunction::TTimesFunction() {
  DescribeFunction(*this, "*", 0, UnlimitedArguments, STimesHelp, "* <numeric-expression>+");
}

void TTimesFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = FoldNumbers(funCall, context, {1, false}, 0, [](double a, double b) { return a * b; });
}

// ---------------------------------------------------------------------------

TMathPackage::TMathPackage(TComponent* owner) : TUserPackage(owner) { CreateFunctions(); }

void TMathPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  CreateFunction<TAbsFunction>();
  CreateFunction<TIntegerDivideFunction>();
  CreateFunction<TDivideFunction>();
  CreateFunction<TExpFunction>();
  CreateFunction<TExptFunction>();
  CreateFunction<TFloatFunction>();
  CreateFunction<TIntegerFunction>();
  CreateFunction<TLogFunction>();
  CreateFunction<TLog10Function>();
  CreateFunction<TMaxFunction>();
  CreateFunction<TMinFunction>();
  CreateFunction<TMinusFunction>();
  CreateFunction<TModFunction>();
  CreateFunction<TPiFunction>();
  CreateFunction<TPlusFunction>();
  CreateFunction<TRandomFunction>();
  CreateFunction<TRoundFunction>();
  CreateFunction<TSeedFunction>();
  CreateFunction<TSqrtFunction>();
  CreateFunction<TTimesFunction>();
}

void RegisterMathPackageClasses() {
  RegisterComponentClass<TMathPackage>("TMathPackage");
  RegisterFunctionClass<TAbsFunction>();
  RegisterFunctionClass<TIntegerDivideFunction>();
  RegisterFunctionClass<TDivideFunction>();
  RegisterFunctionClass<TExpFunction>();
  RegisterFunctionClass<TExptFunction>();
  RegisterFunctionClass<TFloatFunction>();
  RegisterFunctionClass<TIntegerFunction>();
  RegisterFunctionClass<TLogFunction>();
  RegisterFunctionClass<TLog10Function>();
  RegisterFunctionClass<TMaxFunction>();
  RegisterFunctionClass<TMinFunction>();
  RegisterFunctionClass<TMinusFunction>();
  RegisterFunctionClass<TModFunction>();
  RegisterFunctionClass<TPiFunction>();
  RegisterFunctionClass<TPlusFunction>();
  RegisterFunctionClass<TRandomFunction>();
  RegisterFunctionClass<TRoundFunction>();
  RegisterFunctionClass<TSeedFunction>();
  RegisterFunctionClass<TSqrtFunction>();
  RegisterFunctionClass<TTimesFunction>();
}
