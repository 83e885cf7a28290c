// The trigonometry package: circular and hyperbolic functions, angle
// conversions, distances and the hypotenuse.
#include "packages/TrigonometryPackage.h"

#include <cmath>
#include <numbers>

#include "core/ClassRegistry.h"
#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "packages/BuiltinPackages.h"
#include "functions/IEFunctionCall.h"
#include "packages/MathSupport.h"

namespace {

constexpr double Pi = std::numbers::pi;


// The reciprocal of X; EZeroDivide at 0.
double Reciprocal(double x) { return CheckedDivide(1.0, x); }

// The natural logarithm; 0 is a pole.
double Ln(double x) {
  if (x == 0) throw EZeroDivide();
  return std::log(x);
}

// What a distance function adds up for one pair of coordinates.
enum TDistanceKind { dkEuclidean, dkSquared, dkManhattan };

IIEValue Distance(const TFunctionCall& funCall, TIEContext* context, TDistanceKind kind) {
  IValueVector a = ListArgument(funCall, 0, context);
  IValueVector b = ListArgument(funCall, 1, context);
  if (a->Count() != b->Count()) throw EIEException(SDistanceLengthsDiffer);
  double sum = 0;
  for (int32_t i = 0; i < a->Count(); ++i) {
    double d = NumericElement(*b, i) - NumericElement(*a, i);
    sum += kind == dkManhattan ? std::fabs(d) : d * d;
  }
  return FloatResult(kind == dkEuclidean ? std::sqrt(sum) : sum);
}

const char* const PointSyntax = " <numeric-expression-X> <numeric-expression-Y>";
const char* const MultifieldPairSyntax = " <multifield-expression-1> <multifield-expression-2>";

}  // namespace

TUnaryFloatFunction::TUnaryFloatFunction(const char* name, const char* help) {
  DescribeFunction(*this, name, 1, 1, help, std::string(name) + " <numeric-expression>");
}

void TUnaryFloatFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = FloatResult(Compute(NumericArgument(funCall, 0, context)));
}

// ---- The functions of one argument, in creation order.

TAcosFunction::TAcosFunction() : TUnaryFloatFunction("acos", SAcosHelp) {}
double TAcosFunction::Compute(double x) const { return std::acos(x); }

TAcoshFunction::TAcoshFunction() : TUnaryFloatFunction("acosh", SAcoshHelp) {}
double TAcoshFunction::Compute(double x) const { return std::acosh(x); }

TAcotFunction::TAcotFunction() : TUnaryFloatFunction("acot", SAcotHelp) {}
double TAcotFunction::Compute(double x) const { return Pi / 2 - std::atan(x); }

TAcothFunction::TAcothFunction() : TUnaryFloatFunction("acoth", SAcothHelp) {}
double TAcothFunction::Compute(double x) const {
  return 0.5 * Ln(CheckedDivide(x + 1, x - 1));
}

TAcscFunction::TAcscFunction() : TUnaryFloatFunction("acsc", SAcscHelp) {}
double TAcscFunction::Compute(double x) const {
  return std::copysign(std::asin(Reciprocal(std::fabs(x))), x);
}

TAcschFunction::TAcschFunction() : TUnaryFloatFunction("acsch", SAcschHelp) {}
double TAcschFunction::Compute(double x) const { return std::asinh(Reciprocal(x)); }

TAsecFunction::TAsecFunction() : TUnaryFloatFunction("asec", SAsecHelp) {}
double TAsecFunction::Compute(double x) const { return std::acos(Reciprocal(x)); }

TAsechFunction::TAsechFunction() : TUnaryFloatFunction("asech", SAsechHelp) {}
double TAsechFunction::Compute(double x) const { return std::acosh(Reciprocal(x)); }

TAsinFunction::TAsinFunction() : TUnaryFloatFunction("asin", SAsinHelp) {}
double TAsinFunction::Compute(double x) const { return std::asin(x); }

TAsinhFunction::TAsinhFunction() : TUnaryFloatFunction("asinh", SAsinhHelp) {}
double TAsinhFunction::Compute(double x) const { return std::asinh(x); }

TAtanFunction::TAtanFunction() : TUnaryFloatFunction("atan", SAtanHelp) {}
double TAtanFunction::Compute(double x) const { return std::atan(x); }

TAtanhFunction::TAtanhFunction() : TUnaryFloatFunction("atanh", SAtanhHelp) {}
double TAtanhFunction::Compute(double x) const {
  if (std::fabs(x) == 1) throw EZeroDivide();  // the poles at -1 and 1
  return std::atanh(x);
}

TCosFunction::TCosFunction() : TUnaryFloatFunction("cos", SCosHelp) {}
double TCosFunction::Compute(double x) const { return std::cos(x); }

TCoshFunction::TCoshFunction() : TUnaryFloatFunction("cosh", SCoshHelp) {}
double TCoshFunction::Compute(double x) const { return std::cosh(x); }

TCotFunction::TCotFunction() : TUnaryFloatFunction("cot", SCotHelp) {}
double TCotFunction::Compute(double x) const { return Reciprocal(std::tan(x)); }

TCothFunction::TCothFunction() : TUnaryFloatFunction("coth", SCothHelp) {}
double TCothFunction::Compute(double x) const { return Reciprocal(std::tanh(x)); }

TCscFunction::TCscFunction() : TUnaryFloatFunction("csc", SCscHelp) {}
double TCscFunction::Compute(double x) const { return Reciprocal(std::cos(Pi / 2 - x)); }

TCschFunction::TCschFunction() : TUnaryFloatFunction("csch", SCschHelp) {}
double TCschFunction::Compute(double x) const { return Reciprocal(std::sinh(x)); }

TCycleRadFunction::TCycleRadFunction() : TUnaryFloatFunction("cycle-rad", SCycleRadHelp) {}
double TCycleRadFunction::Compute(double x) const { return 2 * Pi * x; }

TDegGradFunction::TDegGradFunction() : TUnaryFloatFunction("deg-grad", SDegGradHelp) {}
double TDegGradFunction::Compute(double x) const { return x * 1.1111111111111112; }

TDegRadFunction::TDegRadFunction() : TUnaryFloatFunction("deg-rad", SDegRadHelp) {}
double TDegRadFunction::Compute(double x) const { return x * (Pi / 180); }

TGradDegFunction::TGradDegFunction() : TUnaryFloatFunction("grad-deg", SGradDegHelp) {}
double TGradDegFunction::Compute(double x) const { return x * 0.9; }

TGradRadFunction::TGradRadFunction() : TUnaryFloatFunction("grad-rad", SGradRadHelp) {}
double TGradRadFunction::Compute(double x) const { return x * (Pi / 200); }

TRadCycleFunction::TRadCycleFunction() : TUnaryFloatFunction("rad-cycle", SRadCycleHelp) {}
double TRadCycleFunction::Compute(double x) const { return x / (2 * Pi); }

TRadDegFunction::TRadDegFunction() : TUnaryFloatFunction("rad-deg", SRadDegHelp) {}
double TRadDegFunction::Compute(double x) const { return x * (180 / Pi); }

TRadGradFunction::TRadGradFunction() : TUnaryFloatFunction("rad-grad", SRadGradHelp) {}
double TRadGradFunction::Compute(double x) const { return x * (200 / Pi); }

TSecFunction::TSecFunction() : TUnaryFloatFunction("sec", SSecHelp) {}
double TSecFunction::Compute(double x) const { return Reciprocal(std::cos(x)); }

TSechFunction::TSechFunction() : TUnaryFloatFunction("sech", SSechHelp) {}
double TSechFunction::Compute(double x) const { return Reciprocal(std::cosh(x)); }

TSinFunction::TSinFunction() : TUnaryFloatFunction("sin", SSinHelp) {}
double TSinFunction::Compute(double x) const { return std::sin(x); }

TSinhFunction::TSinhFunction() : TUnaryFloatFunction("sinh", SSinhHelp) {}
double TSinhFunction::Compute(double x) const { return std::sinh(x); }

TTanFunction::TTanFunction() : TUnaryFloatFunction("tan", STanHelp) {}
double TTanFunction::Compute(double x) const { return std::tan(x); }

TTanhFunction::TTanhFunction() : TUnaryFloatFunction("tanh", STanhHelp) {}
double TTanhFunction::Compute(double x) const { return std::tanh(x); }

// ---- The functions of two arguments.

TAtan2Function::TAtan2Function() {
  DescribeFunction(*this, "atan2", 2, 2, SAtan2Help, std::string("atan2") + PointSyntax);
}

void TAtan2Function::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  double x = NumericArgument(funCall, 0, context);
  double y = NumericArgument(funCall, 1, context);
  result = FloatResult(std::atan2(y, x));
}

THypotenuseFunction::THypotenuseFunction() {
  DescribeFunction(*this, "hypotenuse", 2, 2, SHypotenuseHelp,
                   std::string("hypotenuse") + PointSyntax);
}

void THypotenuseFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  double x = NumericArgument(funCall, 0, context);
  double y = NumericArgument(funCall, 1, context);
  result = FloatResult(std::sqrt(x * x + y * y));
}

TDistanceFunction::TDistanceFunction() {
  DescribeFunction(*this, "distance", 2, 2, SDistanceHelp,
                   std::string("distance") + MultifieldPairSyntax);
}

void TDistanceFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = Distance(funCall, context, dkEuclidean);
}

TDistanceSqrFunction::TDistanceSqrFunction() {
  DescribeFunction(*this, "distance-sqr", 2, 2, SDistanceSqrHelp,
                   std::string("distance-sqr") + MultifieldPairSyntax);
}

void TDistanceSqrFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = Distance(funCall, context, dkSquared);
}

TDistanceManhattanFunction::TDistanceManhattanFunction() {
  DescribeFunction(*this, "distance-manhattan", 2, 2, SDistanceManhattanHelp,
                   std::string("distance-manhattan") + MultifieldPairSyntax);
}

void TDistanceManhattanFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                      IIEValue& result) {
  result = Distance(funCall, context, dkManhattan);
}

// ---------------------------------------------------------------------------

TTrigonometryPackage::TTrigonometryPackage(TComponent* owner) : TUserPackage(owner) {
  CreateFunctions();
}

void TTrigonometryPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  CreateFunction<TAcosFunction>();
  CreateFunction<TAcoshFunction>();
  CreateFunction<TAcotFunction>();
  CreateFunction<TAcothFunction>();
  CreateFunction<TAcscFunction>();
  CreateFunction<TAcschFunction>();
  CreateFunction<TAsecFunction>();
  CreateFunction<TAsechFunction>();
  CreateFunction<TAsinFunction>();
  CreateFunction<TAsinhFunction>();
  CreateFunction<TAtanFunction>();
  CreateFunction<TAtan2Function>();
  CreateFunction<TAtanhFunction>();
  CreateFunction<TCosFunction>();
  CreateFunction<TCoshFunction>();
  CreateFunction<TCotFunction>();
  CreateFunction<TCothFunction>();
  CreateFunction<TCscFunction>();
  CreateFunction<TCschFunction>();
  CreateFunction<TCycleRadFunction>();
  CreateFunction<TDegGradFunction>();
  CreateFunction<TDegRadFunction>();
  CreateFunction<TDistanceFunction>();
  CreateFunction<TDistanceSqrFunction>();
  CreateFunction<TDistanceManhattanFunction>();
  CreateFunction<TGradDegFunction>();
  CreateFunction<TGradRadFunction>();
  CreateFunction<THypotenuseFunction>();
  CreateFunction<TRadCycleFunction>();
  CreateFunction<TRadDegFunction>();
  CreateFunction<TRadGradFunction>();
  CreateFunction<TSecFunction>();
  CreateFunction<TSechFunction>();
  CreateFunction<TSinFunction>();
  CreateFunction<TSinhFunction>();
  CreateFunction<TTanFunction>();
  CreateFunction<TTanhFunction>();
}

void RegisterTrigonometryPackageClasses() {
  RegisterComponentClass<TTrigonometryPackage>("TTrigonometryPackage");
  RegisterFunctionClass<TAcosFunction>();
  RegisterFunctionClass<TAcoshFunction>();
  RegisterFunctionClass<TAcotFunction>();
  RegisterFunctionClass<TAcothFunction>();
  RegisterFunctionClass<TAcscFunction>();
  RegisterFunctionClass<TAcschFunction>();
  RegisterFunctionClass<TAsecFunction>();
  RegisterFunctionClass<TAsechFunction>();
  RegisterFunctionClass<TAsinFunction>();
  RegisterFunctionClass<TAsinhFunction>();
  RegisterFunctionClass<TAtanFunction>();
  RegisterFunctionClass<TAtan2Function>();
  RegisterFunctionClass<TAtanhFunction>();
  RegisterFunctionClass<TCosFunction>();
  RegisterFunctionClass<TCoshFunction>();
  RegisterFunctionClass<TCotFunction>();
  RegisterFunctionClass<TCothFunction>();
  RegisterFunctionClass<TCscFunction>();
  RegisterFunctionClass<TCschFunction>();
  RegisterFunctionClass<TCycleRadFunction>();
  RegisterFunctionClass<TDegGradFunction>();
  RegisterFunctionClass<TDegRadFunction>();
  RegisterFunctionClass<TDistanceFunction>();
  RegisterFunctionClass<TDistanceSqrFunction>();
  RegisterFunctionClass<TDistanceManhattanFunction>();
  RegisterFunctionClass<TGradDegFunction>();
  RegisterFunctionClass<TGradRadFunction>();
  RegisterFunctionClass<THypotenuseFunction>();
  RegisterFunctionClass<TRadCycleFunction>();
  RegisterFunctionClass<TRadDegFunction>();
  RegisterFunctionClass<TRadGradFunction>();
  RegisterFunctionClass<TSecFunction>();
  RegisterFunctionClass<TSechFunction>();
  RegisterFunctionClass<TSinFunction>();
  RegisterFunctionClass<TSinhFunction>();
  RegisterFunctionClass<TTanFunction>();
  RegisterFunctionClass<TTanhFunction>();
}
