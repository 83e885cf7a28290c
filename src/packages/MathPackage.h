// The math package: arithmetic with integer or float results, rounding,
// logarithms, powers, pi and the random generator.
//
// Every function resolves its arguments against the call's context and reads
// them with the value getters; sums, products and differences are integers
// unless a float takes part. Errors: the getters' "Not a %s.  Value Type is %s",
// EDivByZero for an integer division by zero, EZeroDivide / EInvalidOp /
// EOverflow (packages/MathSupport.h) for float division by zero, domain errors
// and overflow.
//
// Ownership: the package owns its function list (shared references). Function
// objects keep no call state: one object serves several engines on different
// threads at once; only `random` and `seed` share a state, the process-wide
// generator, which is guarded.
#pragma once

#include <string>

#include "functions/FunctionKit.h"
#include "functions/IEPackageComponents.h"
#include "functions/IEPackages.h"

class TFunctionCall;
class TIEContext;

IE_FUNCTION(TAbsFunction)            // abs
IE_FUNCTION(TIntegerDivideFunction)  // div
IE_FUNCTION(TDivideFunction)         // /
IE_FUNCTION(TExpFunction)            // exp
IE_FUNCTION(TExptFunction)           // **
IE_FUNCTION(TFloatFunction)          // float
IE_FUNCTION(TIntegerFunction)        // integer
IE_FUNCTION(TLogFunction)            // log
IE_FUNCTION(TLog10Function)          // log10
IE_FUNCTION(TMaxFunction)            // max
IE_FUNCTION(TMinFunction)            // min
IE_FUNCTION(TMinusFunction)          // -
IE_FUNCTION(TModFunction)            // mod
IE_FUNCTION(TPiFunction)             // pi
IE_FUNCTION(TPlusFunction)           // +
IE_FUNCTION(TRandomFunction)         // random
IE_FUNCTION(TRoundFunction)          // round
IE_FUNCTION(TSeedFunction)           // seed
IE_FUNCTION(TSqrtFunction)           // sqrt
IE_FUNCTION(TTimesFunction)          // *

// TMathPackage: creates the functions above in that order. Selected by the
// engine's pMath; registered by class name "TMathPackage".
class TMathPackage : public TUserPackage {
 public:
  explicit TMathPackage(TComponent* owner = nullptr);
  std::string ClassName() const override { return "TMathPackage"; }
  void CreateFunctions() override;
};
