// The business package: the function table, known results of the financial
// relations with both payment times, the rate searches, periods and the
// payment-time names.
#include <gtest/gtest.h>

#include <cmath>

#include "PackageHarness.h"
#include "packages/BusinessPackage.h"

namespace {

IIEValue End() { return Atom("ptEndOfPeriod"); }
IIEValue Start() { return Atom("ptStartOfPeriod"); }

class BusinessPackage : public ::testing::Test {
 protected:
  double Eval(const char* name, std::initializer_list<IIEValue> arguments) {
    IIEValue v = business.Eval(name, arguments);
    EXPECT_EQ(v->DType(), dtFloat) << name;
    return v->AsFloat();
  }
  TPackageHarness<TBusinessPackage> business;
};

TEST_F(BusinessPackage, FunctionTable) {
  const char* when = " ptEndOfPeriod|ptStartOfPeriod)";
  auto timed = [&](const char* text) { return std::string(text) + when; };
  std::vector<std::string> s = {
      "(double-declining-balance <cost> <salvage> <life> <period>)",
      timed("(future-value <rate> <number-of-periods> <payment> <present-value>"),
      timed("(interest-payment <rate> <period> <number-of-periods> <present-value> <future-value>"),
      timed("(interest-rate <number-of-periods> <payment> <present-value> <future-value>"),
      "(internal-rate-of-return <guess> <multifield-expression>)",
      timed("(net-present-value <rate> <multifield-expression>"),
      timed("(number-of-periods <rate> <payment> <present-value> <future-value>"),
      timed("(payment <rate> <number-of-periods> <present-value> <future-value>"),
      timed("(period-payment <rate> <period> <number-of-periods> <present-value> <future-value>"),
      timed("(present-value <rate> <number-of-periods> <payment> <future-value>"),
      "(sln-depreciation <cost> <salvage> <life>)",
      "(syd-depreciation <cost> <salvage> <life> <period>)"};
  ExpectFunctionTable(business, {
      {"TDoubleDecliningBalanceFunction", "double-declining-balance", 4, 4, s[0].c_str()},
      {"TFutureValueFunction", "future-value", 5, 5, s[1].c_str()},
      {"TInterestPaymentFunction", "interest-payment", 6, 6, s[2].c_str()},
      {"TInterestRateFunction", "interest-rate", 5, 5, s[3].c_str()},
      {"TInternalRateOfReturnFunction", "internal-rate-of-return", 2, 2, s[4].c_str()},
      {"TNetPresentValueFunction", "net-present-value", 3, 3, s[5].c_str()},
      {"TNumberOfPeriodsFunction", "number-of-periods", 5, 5, s[6].c_str()},
      {"TPaymentFunction", "payment", 5, 5, s[7].c_str()},
      {"TPeriodPaymentFunction", "period-payment", 6, 6, s[8].c_str()},
      {"TPresentValueFunction", "present-value", 5, 5, s[9].c_str()},
      {"TSLNDepreciationFunction", "sln-depreciation", 3, 3, s[10].c_str()},
      {"TSYDDepreciationFunction", "syd-depreciation", 4, 4, s[11].c_str()},
  });
}

TEST_F(BusinessPackage, TimeValueOfMoneyWithBothPaymentTimes) {
  const double monthly = 0.08 / 12;
  EXPECT_NEAR(Eval("payment", {Flt(monthly), Int(10), Int(10000), Int(0), End()}), -1037.03, 0.005);
  EXPECT_NEAR(Eval("payment", {Flt(monthly), Int(10), Int(10000), Int(0), Start()}), -1030.16,
              0.005);
  EXPECT_NEAR(Eval("payment", {Int(0), Int(10), Int(1000), Int(0), End()}), -100, 1e-12)
      << "rate 0";
  EXPECT_NEAR(Eval("future-value", {Flt(0.06 / 12), Int(10), Int(-200), Int(-500), Start()}),
              2581.40, 0.005);
  EXPECT_NEAR(Eval("future-value", {Flt(0.06 / 12), Int(10), Int(-200), Int(-500), End()}),
              2571.18, 0.005);
  EXPECT_NEAR(Eval("future-value", {Int(0), Int(10), Int(-200), Int(-500), End()}), 2500, 1e-9);
  EXPECT_NEAR(Eval("present-value", {Flt(monthly), Int(240), Int(500), Int(0), End()}), -59777.15,
              0.005);
  EXPECT_NEAR(Eval("present-value", {Flt(monthly), Int(240), Int(500), Int(0), Start()}),
              -60175.66, 0.005);
  EXPECT_NEAR(Eval("number-of-periods", {Flt(0.01), Int(-100), Int(-1000), Int(10000), Start()}),
              59.6739, 0.0001);
  EXPECT_NEAR(Eval("number-of-periods", {Flt(0.01), Int(-100), Int(-1000), Int(10000), End()}),
              60.0821, 0.0001);
  EXPECT_NEAR(Eval("number-of-periods", {Int(0), Int(-100), Int(-1000), Int(10000), End()}), 90,
              1e-12);
  // Present and future value undo each other.
  double fv = Eval("future-value", {Flt(0.05), Int(7), Int(-30), Int(-400), Start()});
  EXPECT_NEAR(Eval("present-value", {Flt(0.05), Int(7), Int(-30), Flt(fv), Start()}), -400, 1e-9);
}

TEST_F(BusinessPackage, InterestAndPrincipalPartsOfAPayment) {
  const double monthly = 0.1 / 12;
  EXPECT_NEAR(Eval("interest-payment", {Flt(monthly), Int(1), Int(36), Int(8000), Int(0), End()}),
              -66.67, 0.005);
  EXPECT_NEAR(Eval("interest-payment", {Flt(0.1), Int(3), Int(3), Int(8000), Int(0), End()}),
              -292.45, 0.005);
  EXPECT_EQ(Eval("interest-payment", {Flt(0.1), Int(1), Int(3), Int(8000), Int(0), Start()}), 0.0)
      << "paid at the start, the first payment carries no interest";
  EXPECT_NEAR(Eval("period-payment", {Flt(monthly), Int(1), Int(24), Int(2000), Int(0), End()}),
              -75.62, 0.005);
  EXPECT_NEAR(Eval("period-payment", {Flt(0.08), Int(10), Int(10), Int(200000), Int(0), End()}),
              -27598.05, 0.005);
  // Both parts add up to the payment, whatever the payment time.
  for (IIEValue when : {End(), Start()}) {
    double payment = Eval("payment", {Flt(0.07), Int(5), Int(1000), Int(100), when});
    for (int32_t period = 1; period <= 5; ++period) {
      double interest = Eval("interest-payment",
                             {Flt(0.07), Int(period), Int(5), Int(1000), Int(100), when});
      double principal = Eval("period-payment",
                              {Flt(0.07), Int(period), Int(5), Int(1000), Int(100), when});
      EXPECT_NEAR(interest + principal, payment, 1e-9);
    }
  }
  EXPECT_EQ(business.Error("interest-payment", {Flt(0.1), Int(4), Int(3), Int(8000), Int(0), End()}),
            "EIEException: Invalid period for interest-payment: 4 is not between 1 and 3");
  EXPECT_EQ(business.Error("period-payment", {Flt(0.1), Int(0), Int(3), Int(8000), Int(0), End()}),
            "EIEException: Invalid period for period-payment: 0 is not between 1 and 3");
}

TEST_F(BusinessPackage, RatesAreFoundByIteration) {
  EXPECT_NEAR(Eval("interest-rate", {Int(48), Int(-200), Int(8000), Int(0), End()}), 0.00770147,
              1e-8);
  // The rate found reproduces the payment it was found from, at either time.
  for (IIEValue when : {End(), Start()}) {
    double payment = Eval("payment", {Flt(0.03), Int(12), Int(5000), Int(-1000), when});
    EXPECT_NEAR(Eval("interest-rate", {Int(12), Flt(payment), Int(5000), Int(-1000), when}), 0.03,
                1e-9);
  }
  IIEValue flows = List({Int(-70000), Int(12000), Int(15000), Int(18000), Int(21000)});
  EXPECT_NEAR(Eval("internal-rate-of-return", {Flt(0.1), flows}), -0.021244848, 1e-8);
  IIEValue more = List({Int(-70000), Int(12000), Int(15000), Int(18000), Int(21000), Int(26000)});
  EXPECT_NEAR(Eval("internal-rate-of-return", {Flt(0.1), more}), 0.086630948, 1e-8);
  EXPECT_EQ(business.Error("internal-rate-of-return", {Flt(0.1), List({Int(100), Int(200)})}),
            "EIEException: internal-rate-of-return found no solution: the iteration did not "
            "converge");
  EXPECT_EQ(business.Error("interest-rate", {Int(10), Int(100), Int(100), Int(100), End()}),
            "EIEException: interest-rate found no solution: the iteration did not converge");
  EXPECT_EQ(business.Error("internal-rate-of-return", {Flt(0.1), List({Int(1), Atom("x")})}),
            "EIEException: Not a numeric.  Value Type is dtAtom");
}

TEST_F(BusinessPackage, NetPresentValue) {
  IIEValue flows = List({Int(-10000), Int(3000), Int(4200), Int(6800)});
  double end = Eval("net-present-value", {Flt(0.1), flows, End()});
  EXPECT_NEAR(end, 1188.44, 0.005);
  EXPECT_NEAR(Eval("net-present-value", {Flt(0.1), flows, Start()}), end * 1.1, 1e-9);
  EXPECT_EQ(Eval("net-present-value", {Flt(0.1), List({}), End()}), 0.0);
  EXPECT_EQ(business.Error("net-present-value", {Int(-1), flows, End()}),
            "EZeroDivide: Floating point division by zero");
}

TEST_F(BusinessPackage, Depreciation) {
  EXPECT_NEAR(Eval("double-declining-balance", {Int(2400), Int(300), Int(10), Int(1)}), 480, 1e-9);
  EXPECT_NEAR(Eval("double-declining-balance", {Int(2400), Int(300), Int(10), Int(2)}), 384, 1e-9);
  EXPECT_NEAR(Eval("double-declining-balance", {Int(2400), Int(300), Int(120), Int(1)}), 40, 1e-9);
  EXPECT_NEAR(Eval("double-declining-balance", {Int(2400), Int(300), Int(10), Int(10)}), 22.12,
              0.005)
      << "the last periods stop at the salvage value";
  EXPECT_NEAR(Eval("double-declining-balance", {Int(1000), Int(900), Int(2), Int(2)}), 0, 1e-12);
  EXPECT_EQ(Eval("sln-depreciation", {Int(30000), Int(7500), Int(10)}), 2250);
  EXPECT_NEAR(Eval("syd-depreciation", {Int(30000), Int(7500), Int(10), Int(1)}), 4090.91, 0.005);
  EXPECT_NEAR(Eval("syd-depreciation", {Int(30000), Int(7500), Int(10), Int(10)}), 409.09, 0.005);
  EXPECT_EQ(business.Error("sln-depreciation", {Int(1), Int(0), Int(0)}),
            "EZeroDivide: Floating point division by zero");
  EXPECT_EQ(business.Error("syd-depreciation", {Int(1), Int(0), Int(10), Int(11)}),
            "EIEException: Invalid period for syd-depreciation: 11 is not between 1 and 10");
  EXPECT_EQ(business.Error("double-declining-balance", {Int(1), Int(0), Int(0), Int(1)}),
            "EIEException: Invalid period for double-declining-balance: 1 is not between 1 and 0");
  EXPECT_EQ(business.Error("syd-depreciation", {Int(1), Int(0), Int(10)}),
            "EIEException: Too few arguments for syd-depreciation");
}

TEST_F(BusinessPackage, PaymentTimeNames) {
  // Atoms or strings, any case.
  double a = Eval("payment", {Flt(0.1), Int(2), Int(100), Int(0), Str("ptstartofperiod")});
  double b = Eval("payment", {Flt(0.1), Int(2), Int(100), Int(0), Start()});
  EXPECT_EQ(a, b);
  EXPECT_EQ(business.Error("payment", {Flt(0.1), Int(2), Int(100), Int(0), Atom("later")}),
            "EIEException: Invalid payment time for payment: \"later\", expected ptEndOfPeriod "
            "or ptStartOfPeriod");
  EXPECT_EQ(business.Error("payment", {Flt(0.1), Int(2), Int(100), Int(0), Int(0)}),
            "EIEException: Invalid payment time for payment: \"0\", expected ptEndOfPeriod or "
            "ptStartOfPeriod");
  EXPECT_EQ(business.Error("payment", {Flt(0.1), Int(0), Int(100), Int(0), End()}),
            "EZeroDivide: Floating point division by zero")
      << "no periods";
}

}  // namespace
