// Checked floating point and the random generator of the numeric packages.
#include "packages/MathSupport.h"

#include <cmath>
#include <mutex>

#include "core/Format.h"
#include "core/IEConsts.h"

EZeroDivide::EZeroDivide() : EMathError(SFloatZeroDivide) {}
EInvalidOp::EInvalidOp() : EMathError(SFloatInvalidOperation) {}
EOverflow::EOverflow() : EMathError(SFloatOverflow) {}

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
