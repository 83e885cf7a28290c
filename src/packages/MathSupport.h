// What the numeric packages (math, predicate, trigonometry, business) share
// beyond the function kit (functions/FunctionKit.h, included here): the errors
// of floating-point arithmetic; checked float results; the integer result rule
// of the arithmetic functions; and the process-wide generator of `random` and
// `seed`.
//
// Stateless free functions, safe on any thread, except the generator, whose
// one state is guarded by a mutex.
#pragma once

#include <cstdint>
#include <string>

#include "core/Exceptions.h"
#include "functions/FunctionKit.h"
#include "values/IEValue.h"

// Errors of floating-point arithmetic: a division by zero (or a pole such as
// the logarithm of 0), an operation outside its domain (the square root of a
// negative number) and a result too large for a float.
class EMathError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EMathError"; }
};
class EZeroDivide : public EMathError {
 public:
  EZeroDivide();
  using EMathError::EMathError;
  const char* ClassName() const noexcept override { return "EZeroDivide"; }
};
class EInvalidOp : public EMathError {
 public:
  EInvalidOp();
  using EMathError::EMathError;
  const char* ClassName() const noexcept override { return "EInvalidOp"; }
};
class EOverflow : public EMathError {
 public:
  EOverflow();
  using EMathError::EMathError;
  const char* ClassName() const noexcept override { return "EOverflow"; }
};

// ---- Checked floating point.

// Value when it is a finite number; EInvalidOp for NaN, EOverflow for an
// infinity.
double CheckedFloat(double value);
// A / B, checked; EZeroDivide when B is 0.
double CheckedDivide(double a, double b);
// A new float value holding the checked Value.
IIEValue FloatResult(double value);

// The integer result rule of the arithmetic functions: Value (checked) is
// truncated toward zero and its low 32 bits kept.
int32_t LowInt32(double value);
// A float value when AsFloat, else the integer value LowInt32(Value).
IIEValue NumberResult(double value, bool asFloat);

// ---- The generator of `random` and `seed`: one process-wide 32-bit state S,
// 0 at start. Thread-safe.

// S := Seed.
void SeedRandom(uint32_t seed);
// S := S * 134775813 + 1 (mod 2^32); returns the high 16 bits of S, 0..65535.
int32_t NextRandom();
