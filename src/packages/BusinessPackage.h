// The business package: depreciation and time-value-of-money functions.
//
// Sign convention: money paid out is negative, money received positive (a
// loan of 1000 has present value 1000 and a negative payment). Rates are per
// period as fractions (0.05 for 5 %). The payment time argument is the text
// "ptEndOfPeriod" or "ptStartOfPeriod" (case ignored). Every result is a new
// float value.
//
// Errors: the getters' "Not a %s.  Value Type is %s"; EIEException "Invalid
// payment time for %s: ..." for another payment-time text, "Invalid period for
// %s: ..." for a period outside 1 to the life or number of periods, "%s found
// no solution: ..." when the iterative rate search does not converge;
// EZeroDivide / EInvalidOp / EOverflow (packages/MathSupport.h) for arithmetic
// without a finite result (a life or number of periods of 0, ...).
//
// Ownership: the package owns its function list (shared references). Function
// objects keep no call state, so one object serves several engines on
// different threads at once. The routines below are pure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "functions/FunctionKit.h"
#include "functions/IEPackageComponents.h"

enum TPaymentTime : uint8_t { ptEndOfPeriod, ptStartOfPeriod };

// ---- The financial routines (results unchecked; see the functions).

double FutureValue(double rate, int32_t periods, double payment, double presentValue,
                   TPaymentTime time);
double PresentValue(double rate, int32_t periods, double payment, double futureValue,
                    TPaymentTime time);
double Payment(double rate, int32_t periods, double presentValue, double futureValue,
               TPaymentTime time);
// The interest and the principal parts of the payment of Period (1 to Periods).
double InterestPayment(double rate, int32_t period, int32_t periods, double presentValue,
                       double futureValue, TPaymentTime time);
double PeriodPayment(double rate, int32_t period, int32_t periods, double presentValue,
                     double futureValue, TPaymentTime time);
double NumberOfPeriods(double rate, double payment, double presentValue, double futureValue,
                       TPaymentTime time);
// The net present value of CashFlows, the first one period from now (or now
// for ptStartOfPeriod).
double NetPresentValue(double rate, const std::vector<double>& cashFlows, TPaymentTime time);
// Newton iterations from Guess (interest rate: from 0.1); none when they do
// not converge to a rate above -1.
std::optional<double> InterestRate(int32_t periods, double payment, double presentValue,
                                   double futureValue, TPaymentTime time);
std::optional<double> InternalRateOfReturn(double guess, const std::vector<double>& cashFlows);
// Depreciation of Period (1 to Life).
double DoubleDecliningBalance(double cost, double salvage, int32_t life, int32_t period);
double SumOfYearsDigitsDepreciation(double cost, double salvage, int32_t life, int32_t period);

// ---- The functions, in creation order.

IE_FUNCTION(TDoubleDecliningBalanceFunction)  // double-declining-balance
IE_FUNCTION(TFutureValueFunction)             // future-value
IE_FUNCTION(TInterestPaymentFunction)         // interest-payment
IE_FUNCTION(TInterestRateFunction)            // interest-rate
IE_FUNCTION(TInternalRateOfReturnFunction)    // internal-rate-of-return
IE_FUNCTION(TNetPresentValueFunction)         // net-present-value
IE_FUNCTION(TNumberOfPeriodsFunction)         // number-of-periods
IE_FUNCTION(TPaymentFunction)                 // payment
IE_FUNCTION(TPeriodPaymentFunction)           // period-payment
IE_FUNCTION(TPresentValueFunction)            // present-value
IE_FUNCTION(TSLNDepreciationFunction)         // sln-depreciation
IE_FUNCTION(TSYDDepreciationFunction)         // syd-depreciation

// TBusinessPackage: creates the functions above in that order. Selected by the
// engine's pBusiness; registered by class name "TBusinessPackage".
class TBusinessPackage : public TUserPackage {
 public:
  explicit TBusinessPackage(TComponent* owner = nullptr);
  std::string ClassName() const override { return "TBusinessPackage"; }
  void CreateFunctions() override;
};
