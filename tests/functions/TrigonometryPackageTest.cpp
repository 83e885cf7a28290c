// The trigonometry package: the function table, values at known angles,
// poles and domains, angle conversions, distances.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "PackageHarness.h"
#include "packages/TrigonometryPackage.h"

namespace {

constexpr double Pi = std::numbers::pi;

class TrigonometryPackage : public ::testing::Test {
 protected:
  // The float result of Name at X; fails the test when the result is no float.
  double At(const char* name, double x) {
    IIEValue v = trig.Eval(name, {Flt(x)});
    EXPECT_EQ(v->DType(), dtFloat) << name;
    return v->AsFloat();
  }
  TPackageHarness<TTrigonometryPackage> trig;
};

TEST_F(TrigonometryPackage, FunctionTable) {
  const char* x = " <numeric-expression>)";
  std::vector<std::string> unary = {
      "acos", "acosh", "acot", "acoth", "acsc", "acsch", "asec", "asech", "asin", "asinh",
      "atan", "atan2", "atanh", "cos", "cosh", "cot", "coth", "csc", "csch", "cycle-rad",
      "deg-grad", "deg-rad", "distance", "distance-sqr", "distance-manhattan", "grad-deg",
      "grad-rad", "hypotenuse", "rad-cycle", "rad-deg", "rad-grad", "sec", "sech", "sin",
      "sinh", "tan", "tanh"};
  EXPECT_EQ(trig.Names(), unary);
  for (const std::string& name : unary) {
    const IUserFunction f = trig.Function(name.c_str());
    ASSERT_TRUE(f) << name;
    std::string syntax;
    if (name == "atan2" || name == "hypotenuse")
      syntax = "(" + name + " <numeric-expression-X> <numeric-expression-Y>)";
    else if (name.rfind("distance", 0) == 0)
      syntax = "(" + name + " <multifield-expression-1> <multifield-expression-2>)";
    else
      syntax = "(" + name + x;
    const std::string tail = "\r\n     syntax: " + syntax;
    EXPECT_EQ(f->Comment().substr(f->Comment().size() - std::min(f->Comment().size(), tail.size())),
              tail);
    int32_t count = syntax.find("-X>") != std::string::npos || name.rfind("distance", 0) == 0 ? 2 : 1;
    EXPECT_EQ(f->MinArgumentCount(), count) << name;
    EXPECT_EQ(f->MaxArgumentCount(), count) << name;
    EXPECT_TRUE(IsFunctionClassRegistered(f->ClassName())) << f->ClassName();
  }
  EXPECT_EQ(trig.Function("sin")->ClassName(), "TSinFunction");
  EXPECT_EQ(trig.Function("distance-manhattan")->ClassName(), "TDistanceManhattanFunction");
  EXPECT_EQ(trig.Function("cos")->Comment(),
            "Returns the cosine of its argument, an angle in radians\r\n"
            "     syntax: (cos <numeric-expression>)");
}

TEST_F(TrigonometryPackage, CircularAndHyperbolicValues) {
  EXPECT_EQ(At("sin", 0), 0.0);
  EXPECT_EQ(At("cos", 0), 1.0);
  EXPECT_NEAR(At("tan", Pi / 4), 1.0, 1e-15);
  EXPECT_NEAR(At("sec", Pi / 3), 2.0, 1e-14);
  EXPECT_NEAR(At("csc", Pi / 6), 2.0, 1e-14);
  EXPECT_NEAR(At("cot", Pi / 4), 1.0, 1e-15);
  EXPECT_DOUBLE_EQ(At("acos", -1), Pi);
  EXPECT_DOUBLE_EQ(At("asin", 1), Pi / 2);
  EXPECT_DOUBLE_EQ(At("atan", 1), Pi / 4);
  EXPECT_DOUBLE_EQ(At("acot", 0), Pi / 2);
  EXPECT_DOUBLE_EQ(At("acot", 1), Pi / 4);
  EXPECT_DOUBLE_EQ(At("acsc", 2), Pi / 6);
  EXPECT_DOUBLE_EQ(At("acsc", -2), -Pi / 6) << "takes the sign of the argument";
  EXPECT_DOUBLE_EQ(At("asec", 2), Pi / 3);
  EXPECT_DOUBLE_EQ(At("cosh", 0), 1.0);
  EXPECT_DOUBLE_EQ(At("sinh", 1), std::sinh(1.0));
  EXPECT_DOUBLE_EQ(At("tanh", 1), std::tanh(1.0));
  EXPECT_DOUBLE_EQ(At("coth", 1), 1 / std::tanh(1.0));
  EXPECT_DOUBLE_EQ(At("csch", 1), 1 / std::sinh(1.0));
  EXPECT_DOUBLE_EQ(At("sech", 1), 1 / std::cosh(1.0));
  EXPECT_DOUBLE_EQ(At("acosh", 1), 0.0);
  EXPECT_DOUBLE_EQ(At("asinh", std::sinh(2.0)), 2.0);
  EXPECT_DOUBLE_EQ(At("atanh", 0.5), std::atanh(0.5));
  EXPECT_DOUBLE_EQ(At("acoth", 2), 0.5 * std::log(3.0));
  EXPECT_DOUBLE_EQ(At("acsch", 2), std::asinh(0.5));
  EXPECT_DOUBLE_EQ(At("asech", 0.5), std::acosh(2.0));
  // Integers are read as numbers; the result is a float all the same.
  IIEValue v = trig.Eval("sin", {Int(0)});
  EXPECT_EQ(v->DType(), dtFloat);
}

TEST_F(TrigonometryPackage, PolesAndDomainsRaiseArithmeticErrors) {
  const std::string zero = "EZeroDivide: Floating point division by zero";
  const std::string invalid = "EInvalidOp: Invalid floating point operation";
  EXPECT_EQ(trig.Error("acos", {Int(2)}), invalid);
  EXPECT_EQ(trig.Error("asin", {Flt(-1.5)}), invalid);
  EXPECT_EQ(trig.Error("acosh", {Flt(0.5)}), invalid);
  EXPECT_EQ(trig.Error("atanh", {Int(2)}), invalid);
  EXPECT_EQ(trig.Error("atanh", {Int(1)}), zero);
  EXPECT_EQ(trig.Error("atanh", {Int(-1)}), zero);
  EXPECT_EQ(trig.Error("acoth", {Int(1)}), zero);
  EXPECT_EQ(trig.Error("acoth", {Int(-1)}), zero);
  EXPECT_EQ(trig.Error("acoth", {Flt(0.5)}), invalid);
  EXPECT_EQ(trig.Error("acsc", {Int(0)}), zero);
  EXPECT_EQ(trig.Error("acsc", {Flt(0.5)}), invalid);
  EXPECT_EQ(trig.Error("asec", {Int(0)}), zero);
  EXPECT_EQ(trig.Error("acsch", {Int(0)}), zero);
  EXPECT_EQ(trig.Error("asech", {Int(0)}), zero);
  EXPECT_EQ(trig.Error("cot", {Int(0)}), zero);
  EXPECT_EQ(trig.Error("coth", {Int(0)}), zero);
  EXPECT_EQ(trig.Error("csch", {Int(0)}), zero);
  EXPECT_EQ(trig.Error("cosh", {Int(1000)}), "EOverflow: Floating point overflow");
  EXPECT_EQ(trig.Error("sin", {Atom("x")}), "EIEException: Not a numeric.  Value Type is dtAtom");
  EXPECT_EQ(trig.Error("sin", {}), "EIEException: Too few arguments for sin");
}

TEST_F(TrigonometryPackage, AngleConversions) {
  EXPECT_DOUBLE_EQ(At("deg-rad", 180), Pi);
  EXPECT_DOUBLE_EQ(At("rad-deg", Pi), 180);
  EXPECT_DOUBLE_EQ(At("deg-grad", 90), 100);
  EXPECT_DOUBLE_EQ(At("deg-grad", 1), 1.1111111111111112);
  EXPECT_DOUBLE_EQ(At("grad-deg", 100), 90);
  EXPECT_DOUBLE_EQ(At("grad-rad", 200), Pi);
  EXPECT_DOUBLE_EQ(At("rad-grad", Pi), 200);
  EXPECT_DOUBLE_EQ(At("cycle-rad", 1), 2 * Pi);
  EXPECT_DOUBLE_EQ(At("rad-cycle", Pi), 0.5);
}

TEST_F(TrigonometryPackage, TwoArgumentFunctionsTakeXThenY) {
  auto at = [&](const char* name, double x, double y) {
    return trig.Eval(name, {Flt(x), Flt(y)})->AsFloat();
  };
  EXPECT_DOUBLE_EQ(at("atan2", 1, 1), Pi / 4);
  EXPECT_DOUBLE_EQ(at("atan2", -1, 0), Pi) << "X -1, Y 0: the negative x axis";
  EXPECT_DOUBLE_EQ(at("atan2", -1, -1), -3 * Pi / 4);
  EXPECT_DOUBLE_EQ(at("atan2", 1, -1), -Pi / 4);
  EXPECT_DOUBLE_EQ(at("atan2", 0, 2), Pi / 2);
  EXPECT_DOUBLE_EQ(at("hypotenuse", 3, 4), 5);
  EXPECT_EQ(trig.Eval("hypotenuse", {Int(3), Int(4)})->DType(), dtFloat);
  EXPECT_EQ(trig.Error("hypotenuse", {Int(1)}), "EIEException: Too few arguments for hypotenuse");
}

TEST_F(TrigonometryPackage, DistancesBetweenPoints) {
  IIEValue a = List({Int(0), Int(0), Int(1)});
  IIEValue b = List({Int(3), Flt(-4), Int(1)});
  EXPECT_EQ(trig.Eval("distance", {a, b})->AsText(), "5");
  EXPECT_EQ(trig.Eval("distance", {a, b})->DType(), dtFloat);
  EXPECT_EQ(trig.Eval("distance-sqr", {a, b})->AsText(), "25");
  EXPECT_EQ(trig.Eval("distance-manhattan", {a, b})->AsText(), "7");
  EXPECT_EQ(trig.Eval("distance", {List({}), List({})})->AsText(), "0");
  EXPECT_EQ(trig.Eval("distance-manhattan", {List({Str("1.5")}), List({Int(-1)})})->AsText(),
            "2.5");
  const std::string lengths =
      "EIEException: Invalid multifield arguments, the two multifields must be of the same "
      "length";
  EXPECT_EQ(trig.Error("distance", {a, List({Int(1)})}), lengths);
  EXPECT_EQ(trig.Error("distance-sqr", {List({}), a}), lengths);
  EXPECT_EQ(trig.Error("distance", {a, Int(3)}), "EIEException: Not a list.  Value Type is dtInteger");
  EXPECT_EQ(trig.Error("distance", {List({Atom("p")}), List({Int(1)})}),
            "EIEException: Not a numeric.  Value Type is dtAtom");
}

}  // namespace
