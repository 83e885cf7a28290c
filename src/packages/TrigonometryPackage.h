// The trigonometry package: circular and hyperbolic functions and their
// inverses, angle conversions, distances between points and the hypotenuse.
// Angles are in radians; every result is a new float value.
//
// Errors: the getters' "Not a %s.  Value Type is %s" for a non-numeric
// argument; EZeroDivide at a pole (cot 0, atanh 1, ...), EInvalidOp outside a
// domain (acos 2), EOverflow for a result too large (packages/MathSupport.h);
// EIEException "Invalid multifield arguments, the two multifields must be of
// the same length" for distances between points of different dimensions.
//
// Ownership: the package owns its function list (shared references). Function
// objects keep no call state, so one object serves several engines on
// different threads at once.
#pragma once

#include <string>

#include "functions/FunctionKit.h"
#include "functions/IEPackageComponents.h"

// A function of one numeric argument with a float result: the call reads the
// argument with AsNumeric and returns Compute of it, checked (CheckedFloat).
// Limits 1 and 1; the syntax line is the name and " <numeric-expression>".
class TUnaryFloatFunction : public TIEUserFunction {
 public:
  // The result for X, before the check; may raise the arithmetic errors.
  virtual double Compute(double x) const = 0;

 protected:
  TUnaryFloatFunction(const char* name, const char* help);
  void Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) override;
};

#define IE_DECLARE_UNARY_FLOAT_FUNCTION(ClassId)                    \
  class ClassId : public TUnaryFloatFunction {                      \
   public:                                                          \
    static constexpr const char* StaticClassName = #ClassId;        \
    ClassId();                                                      \
    std::string ClassName() const override { return StaticClassName; } \
    double Compute(double x) const override;                        \
  };

IE_DECLARE_UNARY_FLOAT_FUNCTION(TAcosFunction)        // acos
IE_DECLARE_UNARY_FLOAT_FUNCTION(TAcoshFunction)       // acosh
IE_DECLARE_UNARY_FLOAT_FUNCTION(TAcotFunction)        // acot: pi/2 - atan x
IE_DECLARE_UNARY_FLOAT_FUNCTION(TAcothFunction)       // acoth: ln((x+1)/(x-1)) / 2
IE_DECLARE_UNARY_FLOAT_FUNCTION(TAcscFunction)        // acsc: asin(1/|x|) signed as x
IE_DECLARE_UNARY_FLOAT_FUNCTION(TAcschFunction)       // acsch: asinh(1/x)
IE_DECLARE_UNARY_FLOAT_FUNCTION(TAsecFunction)        // asec: acos(1/x)
IE_DECLARE_UNARY_FLOAT_FUNCTION(TAsechFunction)       // asech: acosh(1/x)
IE_DECLARE_UNARY_FLOAT_FUNCTION(TAsinFunction)        // asin
IE_DECLARE_UNARY_FLOAT_FUNCTION(TAsinhFunction)       // asinh
IE_DECLARE_UNARY_FLOAT_FUNCTION(TAtanFunction)        // atan
IE_FUNCTION(TAtan2Function)           // atan2 X Y: the angle of (X, Y)
IE_DECLARE_UNARY_FLOAT_FUNCTION(TAtanhFunction)       // atanh
IE_DECLARE_UNARY_FLOAT_FUNCTION(TCosFunction)         // cos
IE_DECLARE_UNARY_FLOAT_FUNCTION(TCoshFunction)        // cosh
IE_DECLARE_UNARY_FLOAT_FUNCTION(TCotFunction)         // cot: 1/tan x
IE_DECLARE_UNARY_FLOAT_FUNCTION(TCothFunction)        // coth: 1/tanh x
IE_DECLARE_UNARY_FLOAT_FUNCTION(TCscFunction)         // csc: 1/cos(pi/2 - x)
IE_DECLARE_UNARY_FLOAT_FUNCTION(TCschFunction)        // csch: 1/sinh x
IE_DECLARE_UNARY_FLOAT_FUNCTION(TCycleRadFunction)    // cycle-rad: 2 pi x
IE_DECLARE_UNARY_FLOAT_FUNCTION(TDegGradFunction)     // deg-grad: x 10/9
IE_DECLARE_UNARY_FLOAT_FUNCTION(TDegRadFunction)      // deg-rad: x pi/180
IE_FUNCTION(TDistanceFunction)        // distance A B: sqrt(sum (b-a)^2)
IE_FUNCTION(TDistanceSqrFunction)     // distance-sqr A B: sum (b-a)^2
IE_FUNCTION(TDistanceManhattanFunction)  // distance-manhattan: sum |b-a|
IE_DECLARE_UNARY_FLOAT_FUNCTION(TGradDegFunction)     // grad-deg: x 0.9
IE_DECLARE_UNARY_FLOAT_FUNCTION(TGradRadFunction)     // grad-rad: x pi/200
IE_FUNCTION(THypotenuseFunction)      // hypotenuse X Y: sqrt(X^2 + Y^2)
IE_DECLARE_UNARY_FLOAT_FUNCTION(TRadCycleFunction)    // rad-cycle: x / 2 pi
IE_DECLARE_UNARY_FLOAT_FUNCTION(TRadDegFunction)      // rad-deg: x 180/pi
IE_DECLARE_UNARY_FLOAT_FUNCTION(TRadGradFunction)     // rad-grad: x 200/pi
IE_DECLARE_UNARY_FLOAT_FUNCTION(TSecFunction)         // sec: 1/cos x
IE_DECLARE_UNARY_FLOAT_FUNCTION(TSechFunction)        // sech: 1/cosh x
IE_DECLARE_UNARY_FLOAT_FUNCTION(TSinFunction)         // sin
IE_DECLARE_UNARY_FLOAT_FUNCTION(TSinhFunction)        // sinh
IE_DECLARE_UNARY_FLOAT_FUNCTION(TTanFunction)         // tan
IE_DECLARE_UNARY_FLOAT_FUNCTION(TTanhFunction)        // tanh

// TTrigonometryPackage: creates the functions above in that order. Selected
// by the engine's pTrigonometry; registered by class name
// "TTrigonometryPackage".
class TTrigonometryPackage : public TUserPackage {
 public:
  explicit TTrigonometryPackage(TComponent* owner = nullptr);
  std::string ClassName() const override { return "TTrigonometryPackage"; }
  void CreateFunctions() override;
};
