// Argument reading, checked floating point and the random generator of the
// numeric packages.
#include "functions/MathSupport.h"

#include <cmath>
#include <mutex>

#include "core/Format.h"
#include "core/IEConsts.h"
#include "functions/IEFunctionCall.h"
#include "functions/IEPackages.h"
#include "values/IEContext.h"

void DescribeFunction(TIEUserFunction& function, const char* name, int32_t minCount,
                      int32_t maxCount, const char* help, const std::string& syntax) {
  function.SetFunctionName(name);
  function.SetMinArgumentCount(minCount);
  function.SetMaxArgumentCount(maxCount);
  function.SetHelp(help, syntax);
}

EZeroDivide::EZeroDivide() : EMathError(SFloatZeroDivide) {}
EInvalidOp::EInvalidOp() : EMathError(SFloatInvalidOperation) {}
EOverflow::EOverflow() : EMathError(SFloatOverflow) {}

namespace {

// The getter's error for an argument that resolved to nothing.
[[noreturn]] void RaiseNothing(const char* word) {
  throw EIEException(Format(SNotAType, {word, IETypeName(dtNone)}));
}

}  // namespace

IIEValue ResolveArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  const IIEValue& argument = funCall.GetArgument(index);
  return argument ? argument->Resolve(context) : IIEValue();
}

double NumericOf(const IIEValue& value) {
  if (!value) RaiseNothing(SNumericWord);
  return value->AsNumeric();
}

int32_t IntegerOf(const IIEValue& value) {
  if (!value) RaiseNothing(SIntegerWord);
  return value->AsInteger();
}

double NumericArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  return NumericOf(ResolveArgument(funCall, index, context));
}

int32_t IntegerArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  return IntegerOf(ResolveArgument(funCall, index, context));
}

std::string TextArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  IIEValue value = ResolveArgument(funCall, index, context);
  if (!value) RaiseNothing(SStringWord);
  return value->AsString();
}

IValueVector ListArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  IIEValue value = ResolveArgument(funCall, index, context);
  if (!value) RaiseNothing(SListWord);
  IValueVector list = value->AsList();
  if (!list) RaiseNothing(SListWord);
  return list;
}

double NumericElement(const TValueVector& list, int32_t index) {
  return NumericOf(list.Get(index));
}

double CheckedFloat(double value) {
  if (std::isnan(value)) throw EInvalidOp();
  if (std::isinf(value)) throw EOverflow();
  return value;
}

double CheckedDivide(double a, double b) {
  if (b == 0) throw EZeroDivide();
  return CheckedFloat(a / b);
}

IIEValue FloatResult(double value) { return TIEValue::MakeFloat(CheckedFloat(value)); }

int32_t LowInt32(double value) {
  // fmod is exact, so the remainder keeps the low 32 bits of the truncated value.
  double wrapped = std::fmod(std::trunc(CheckedFloat(value)), 4294967296.0);
  return int32_t(uint32_t(int64_t(wrapped)));
}

IIEValue NumberResult(double value, bool asFloat) {
  return asFloat ? FloatResult(value) : TIEValue::MakeInteger(LowInt32(value));
}

namespace {

struct TRandomState {
  std::mutex lock;
  uint32_t seed = 0;
};

TRandomState& RandomState() {
  static TRandomState state;
  return state;
}

}  // namespace

void SeedRandom(uint32_t seed) {
  TRandomState& state = RandomState();
  std::lock_guard<std::mutex> guard(state.lock);
  state.seed = seed;
}

int32_t NextRandom() {
  TRandomState& state = RandomState();
  std::lock_guard<std::mutex> guard(state.lock);
  state.seed = state.seed * 134775813u + 1u;
  return int32_t((uint64_t(state.seed) * 65536u) >> 32);
}
