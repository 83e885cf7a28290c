// The business package: depreciation and time-value-of-money functions.
#include "packages/BusinessPackage.h"

#include <algorithm>
#include <cmath>

#include "core/ClassRegistry.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "core/TextCompare.h"
#include "packages/BuiltinPackages.h"
#include "functions/IEFunctionCall.h"
#include "packages/MathSupport.h"

namespace {

constexpr int MaxIterations = 100;
constexpr double Tolerance = 1e-10;

// (1 + Rate) to the power Periods.
double Growth(double rate, int32_t periods) { return std::pow(1 + rate, periods); }

// ((1 + Rate)^Periods - 1) / Rate: what payments of 1 grow to; Periods at rate 0.
// Accurate for small rates.
double AnnuityFactor(double rate, int32_t periods) {
  if (rate == 0) return periods;
  if (rate > -1) return std::expm1(periods * std::log1p(rate)) / rate;
  return CheckedDivide(Growth(rate, periods) - 1, rate);
}

double TimeFactor(double rate, TPaymentTime time) {
  return time == ptStartOfPeriod ? 1 + rate : 1.0;
}

// Newton iterations for F from Start; the derivative from a central difference.
template <class TFunction>
std::optional<double> SolveRate(double start, TFunction f) {
  double rate = start;
  for (int i = 0; i < MaxIterations; ++i) {
    double value = f(rate);
    if (value == 0) return rate;
    double h = 1e-6 * std::max(1.0, std::fabs(rate));
    double slope = (f(rate + h) - f(rate - h)) / (2 * h);
    if (!std::isfinite(value) || !std::isfinite(slope) || slope == 0) return std::nullopt;
    double next = rate - value / slope;
    if (next <= -1) next = (rate - 1) / 2;  // stay above -1, halfway towards it
    if (std::fabs(next - rate) <= Tolerance * std::max(1.0, std::fabs(rate))) return next;
    rate = next;
  }
  return std::nullopt;
}

// ---- Reading the arguments.

TPaymentTime PaymentTimeArgument(const TIEUserFunction& function, const TFunctionCall& funCall,
                                 int32_t index, TIEContext* context) {
  std::string text = TextArgument(funCall, index, context);
  if (SameText(text, SPaymentTimeEnd)) return ptEndOfPeriod;
  if (SameText(text, SPaymentTimeStart)) return ptStartOfPeriod;
  throw EIEException(Format(SInvalidPaymentTime, {function.FunctionName(), text}));
}

std::vector<double> CashFlowsArgument(const TFunctionCall& funCall, int32_t index,
                                      TIEContext* context) {
  IValueVector list = ListArgument(funCall, index, context);
  std::vector<double> flows;
  flows.reserve(size_t(list->Count()));
  for (int32_t i = 0; i < list->Count(); ++i) flows.push_back(NumericElement(*list, i));
  return flows;
}

void CheckPeriod(const TIEUserFunction& function, int32_t period, int32_t last) {
  if (period < 1 || period > last)
    throw EIEException(Format(SInvalidPeriod, {function.FunctionName(), period, last}));
}

std::string Syntax(const char* name, const char* synopsis) {
  return std::string(name) + " " + synopsis;
}

const char* const PaymentTimeSyntax = " ptEndOfPeriod|ptStartOfPeriod";

}  // namespace

// ---------------------------------------------------------------------------
// The routines

double FutureValue(double rate, int32_t periods, double payment, double presentValue,
                   TPaymentTime time) {
  return -(presentValue * Growth(rate, periods) +
           payment * TimeFactor(rate, time) * AnnuityFactor(rate, periods));
}

double PresentValue(double rate, int32_t periods, double payment, double futureValue,
                    TPaymentTime time) {
  return CheckedDivide(
      -(futureValue + payment * TimeFactor(rate, time) * AnnuityFactor(rate, periods)),
      Growth(rate, periods));
}

double Payment(double rate, int32_t periods, double presentValue, double futureValue,
               TPaymentTime time) {
  return CheckedDivide(-(presentValue * Growth(rate, periods) + futureValue),
                       TimeFactor(rate, time) * AnnuityFactor(rate, periods));
}

double InterestPayment(double rate, int32_t period, int32_t periods, double presentValue,
                       double futureValue, TPaymentTime time) {
  // Paid at the start, the first payment comes before any interest is due.
  if (time == ptStartOfPeriod && period == 1) return 0;
  double payment = Payment(rate, periods, presentValue, futureValue, time);
  // The balance after Period - 1 payments (with the sign of a future value).
  double interest = FutureValue(rate, period - 1, payment, presentValue, time) * rate;
  return time == ptStartOfPeriod ? CheckedDivide(interest, 1 + rate) : interest;
}

double PeriodPayment(double rate, int32_t period, int32_t periods, double presentValue,
                     double futureValue, TPaymentTime time) {
  return Payment(rate, periods, presentValue, futureValue, time) -
         InterestPayment(rate, period, periods, presentValue, futureValue, time);
}

double NumberOfPeriods(double rate, double payment, double presentValue, double futureValue,
                       TPaymentTime time) {
  if (rate == 0) return CheckedDivide(-(presentValue + futureValue), payment);
  double timed = payment * TimeFactor(rate, time);
  double ratio = CheckedDivide(timed - futureValue * rate, timed + presentValue * rate);
  if (ratio == 0) throw EZeroDivide();  // the logarithm's pole
  return CheckedDivide(std::log(ratio), std::log1p(rate));
}

double NetPresentValue(double rate, const std::vector<double>& cashFlows, TPaymentTime time) {
  double discount = 1 + rate;
  if (discount == 0) throw EZeroDivide();
  double value = 0;
  double factor = 1;
  for (double flow : cashFlows) {
    factor /= discount;
    value += flow * factor;
  }
  return time == ptStartOfPeriod ? value * discount : value;
}

std::optional<double> InterestRate(int32_t periods, double payment, double presentValue,
                                   double futureValue, TPaymentTime time) {
  return SolveRate(0.1, [&](double rate) {
    if (rate <= -1) return std::nan("");
    return presentValue * Growth(rate, periods) +
           payment * TimeFactor(rate, time) * AnnuityFactor(rate, periods) + futureValue;
  });
}

std::optional<double> InternalRateOfReturn(double guess, const std::vector<double>& cashFlows) {
  return SolveRate(guess, [&](double rate) {
    if (rate <= -1) return std::nan("");
    double value = 0;
    double factor = 1;
    for (double flow : cashFlows) {
      value += flow * factor;
      factor /= 1 + rate;
    }
    return value;
  });
}

double DoubleDecliningBalance(double cost, double salvage, int32_t life, int32_t period) {
  double rate = CheckedDivide(2.0, life);
  double bookValue = cost;
  double depreciation = 0;
  // Never below the salvage value: the last periods may write off less.
  for (int32_t p = 1; p <= period; ++p) {
    depreciation = std::min(bookValue * rate, std::max(bookValue - salvage, 0.0));
    bookValue -= depreciation;
  }
  return depreciation;
}

double SumOfYearsDigitsDepreciation(double cost, double salvage, int32_t life, int32_t period) {
  double digits = double(life) * (double(life) + 1) / 2;
  return CheckedDivide((cost - salvage) * (double(life) - period + 1), digits);
}

// ---------------------------------------------------------------------------
// The functions

TDoubleDecliningBalanceFunction::TDoubleDecliningBalanceFunction() {
  DescribeFunction(*this, "double-declining-balance", 4, 4, SDoubleDecliningBalanceHelp,
                   Syntax("double-declining-balance", "<cost> <salvage> <life> <period>"));
}

void TDoubleDecliningBalanceFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                           IIEValue& result) {
  double cost = NumericArgument(funCall, 0, context);
  double salvage = NumericArgument(funCall, 1, context);
  int32_t life = IntegerArgument(funCall, 2, context);
  int32_t period = IntegerArgument(funCall, 3, context);
  CheckPeriod(*this, period, life);
  result = FloatResult(DoubleDecliningBalance(cost, salvage, life, period));
}

TFutureValueFunction::TFutureValueFunction() {
  DescribeFunction(*this, "future-value", 5, 5, SFutureValueHelp,
                   Syntax("future-value", "<rate> <number-of-periods> <payment> <present-value>") +
                       PaymentTimeSyntax);
}

void TFutureValueFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  double rate = NumericArgument(funCall, 0, context);
  int32_t periods = IntegerArgument(funCall, 1, context);
  double payment = NumericArgument(funCall, 2, context);
  double presentValue = NumericArgument(funCall, 3, context);
  TPaymentTime time = PaymentTimeArgument(*this, funCall, 4, context);
  result = FloatResult(FutureValue(rate, periods, payment, presentValue, time));
}

TInterestPaymentFunction::TInterestPaymentFunction() {
  DescribeFunction(*this, "interest-payment", 6, 6, SInterestPaymentHelp,
                   Syntax("interest-payment",
                          "<rate> <period> <number-of-periods> <present-value> <future-value>") +
                       PaymentTimeSyntax);
}

void TInterestPaymentFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                    IIEValue& result) {
  double rate = NumericArgument(funCall, 0, context);
  int32_t period = IntegerArgument(funCall, 1, context);
  int32_t periods = IntegerArgument(funCall, 2, context);
  double presentValue = NumericArgument(funCall, 3, context);
  double futureValue = NumericArgument(funCall, 4, context);
  TPaymentTime time = PaymentTimeArgument(*this, funCall, 5, context);
  CheckPeriod(*this, period, periods);
  result = FloatResult(InterestPayment(rate, period, periods, presentValue, futureValue, time));
}

TInterestRateFunction::TInterestRateFunction() {
  DescribeFunction(*this, "interest-rate", 5, 5, SInterestRateHelp,
                   Syntax("interest-rate",
                          "<number-of-periods> <payment> <present-value> <future-value>") +
                       PaymentTimeSyntax);
}

void TInterestRateFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  int32_t periods = IntegerArgument(funCall, 0, context);
  double payment = NumericArgument(funCall, 1, context);
  double presentValue = NumericArgument(funCall, 2, context);
  double futureValue = NumericArgument(funCall, 3, context);
  TPaymentTime time = PaymentTimeArgument(*this, funCall, 4, context);
  std::optional<double> rate = InterestRate(periods, payment, presentValue, futureValue, time);
  if (!rate) throw EIEException(Format(SNoConvergence, {FunctionName()}));
  result = FloatResult(*rate);
}

TInternalRateOfReturnFunction::TInternalRateOfReturnFunction() {
  DescribeFunction(*this, "internal-rate-of-return", 2, 2, SInternalRateOfReturnHelp,
                   Syntax("internal-rate-of-return", "<guess> <multifield-expression>"));
}

void TInternalRateOfReturnFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                         IIEValue& result) {
  double guess = NumericArgument(funCall, 0, context);
  std::vector<double> flows = CashFlowsArgument(funCall, 1, context);
  std::optional<double> rate = InternalRateOfReturn(guess, flows);
  if (!rate) throw EIEException(Format(SNoConvergence, {FunctionName()}));
  result = FloatResult(*rate);
}

TNetPresentValueFunction::TNetPresentValueFunction() {
  DescribeFunction(*this, "net-present-value", 3, 3, SNetPresentValueHelp,
                   Syntax("net-present-value", "<rate> <multifield-expression>") +
                       PaymentTimeSyntax);
}

void TNetPresentValueFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                    IIEValue& result) {
  double rate = NumericArgument(funCall, 0, context);
  std::vector<double> flows = CashFlowsArgument(funCall, 1, context);
  TPaymentTime time = PaymentTimeArgument(*this, funCall, 2, context);
  result = FloatResult(NetPresentValue(rate, flows, time));
}

TNumberOfPeriodsFunction::TNumberOfPeriodsFunction() {
  DescribeFunction(*this, "number-of-periods", 5, 5, SNumberOfPeriodsHelp,
                   Syntax("number-of-periods", "<rate> <payment> <present-value> <future-value>") +
                       PaymentTimeSyntax);
}

void TNumberOfPeriodsFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                    IIEValue& result) {
  double rate = NumericArgument(funCall, 0, context);
  double payment = NumericArgument(funCall, 1, context);
  double presentValue = NumericArgument(funCall, 2, context);
  double futureValue = NumericArgument(funCall, 3, context);
  TPaymentTime time = PaymentTimeArgument(*this, funCall, 4, context);
  result = FloatResult(NumberOfPeriods(rate, payment, presentValue, futureValue, time));
}

TPaymentFunction::TPaymentFunction() {
  DescribeFunction(*this, "payment", 5, 5, SPaymentHelp,
                   Syntax("payment", "<rate> <number-of-periods> <present-value> <future-value>") +
                       PaymentTimeSyntax);
}

void TPaymentFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  double rate = NumericArgument(funCall, 0, context);
  int32_t periods = IntegerArgument(funCall, 1, context);
  double presentValue = NumericArgument(funCall, 2, context);
  double futureValue = NumericArgument(funCall, 3, context);
  TPaymentTime time = PaymentTimeArgument(*this, funCall, 4, context);
  result = FloatResult(Payment(rate, periods, presentValue, futureValue, time));
}

TPeriodPaymentFunction::TPeriodPaymentFunction() {
  DescribeFunction(*this, "period-payment", 6, 6, SPeriodPaymentHelp,
                   Syntax("period-payment",
                          "<rate> <period> <number-of-periods> <present-value> <future-value>") +
                       PaymentTimeSyntax);
}

void TPeriodPaymentFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  double rate = NumericArgument(funCall, 0, context);
  int32_t period = IntegerArgument(funCall, 1, context);
  int32_t periods = IntegerArgument(funCall, 2, context);
  double presentValue = NumericArgument(funCall, 3, context);
  double futureValue = NumericArgument(funCall, 4, context);
  TPaymentTime time = PaymentTimeArgument(*this, funCall, 5, context);
  CheckPeriod(*this, period, periods);
  result = FloatResult(PeriodPayment(rate, period, periods, presentValue, futureValue, time));
}

TPresentValueFunction::TPresentValueFunction() {
  DescribeFunction(*this, "present-value", 5, 5, SPresentValueHelp,
                   Syntax("present-value", "<rate> <number-of-periods> <payment> <future-value>") +
                       PaymentTimeSyntax);
}

void TPresentValueFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  double rate = NumericArgument(funCall, 0, context);
  int32_t periods = IntegerArgument(funCall, 1, context);
  double payment = NumericArgument(funCall, 2, context);
  double futureValue = NumericArgument(funCall, 3, context);
  TPaymentTime time = PaymentTimeArgument(*this, funCall, 4, context);
  result = FloatResult(PresentValue(rate, periods, payment, futureValue, time));
}

TSLNDepreciationFunction::TSLNDepreciationFunction() {
  DescribeFunction(*this, "sln-depreciation", 3, 3, SSlnDepreciationHelp,
                   Syntax("sln-depreciation", "<cost> <salvage> <life>"));
}

void TSLNDepreciationFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                    IIEValue& result) {
  double cost = NumericArgument(funCall, 0, context);
  double salvage = NumericArgument(funCall, 1, context);
  int32_t life = IntegerArgument(funCall, 2, context);
  result = FloatResult(CheckedDivide(cost - salvage, life));
}

TSYDDepreciationFunction::TSYDDepreciationFunction() {
  DescribeFunction(*this, "syd-depreciation", 4, 4, SSydDepreciationHelp,
                   Syntax("syd-depreciation", "<cost> <salvage> <life> <period>"));
}

void TSYDDepreciationFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                    IIEValue& result) {
  double cost = NumericArgument(funCall, 0, context);
  double salvage = NumericArgument(funCall, 1, context);
  int32_t life = IntegerArgument(funCall, 2, context);
  int32_t period = IntegerArgument(funCall, 3, context);
  CheckPeriod(*this, period, life);
  result = FloatResult(SumOfYearsDigitsDepreciation(cost, salvage, life, period));
}

// ---------------------------------------------------------------------------

TBusinessPackage::TBusinessPackage(TComponent* owner) : TUserPackage(owner) { CreateFunctions(); }

void TBusinessPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  CreateFunction<TDoubleDecliningBalanceFunction>();
  CreateFunction<TFutureValueFunction>();
  CreateFunction<TInterestPaymentFunction>();
  CreateFunction<TInterestRateFunction>();
  CreateFunction<TInternalRateOfReturnFunction>();
  CreateFunction<TNetPresentValueFunction>();
  CreateFunction<TNumberOfPeriodsFunction>();
  CreateFunction<TPaymentFunction>();
  CreateFunction<TPeriodPaymentFunction>();
  CreateFunction<TPresentValueFunction>();
  CreateFunction<TSLNDepreciationFunction>();
  CreateFunction<TSYDDepreciationFunction>();
}

void RegisterBusinessPackageClasses() {
  RegisterComponentClass<TBusinessPackage>("TBusinessPackage");
  RegisterFunctionClass<TDoubleDecliningBalanceFunction>();
  RegisterFunctionClass<TFutureValueFunction>();
  RegisterFunctionClass<TInterestPaymentFunction>();
  RegisterFunctionClass<TInterestRateFunction>();
  RegisterFunctionClass<TInternalRateOfReturnFunction>();
  RegisterFunctionClass<TNetPresentValueFunction>();
  RegisterFunctionClass<TNumberOfPeriodsFunction>();
  RegisterFunctionClass<TPaymentFunction>();
  RegisterFunctionClass<TPeriodPaymentFunction>();
  RegisterFunctionClass<TPresentValueFunction>();
  RegisterFunctionClass<TSLNDepreciationFunction>();
  RegisterFunctionClass<TSYDDepreciationFunction>();
}
