// The boolean, equality and comparison functions of the standard package,
// written as rule text: results, which arguments run, the errors of bad
// arguments, and the names, limits and help texts of the classes.
#include <gtest/gtest.h>

#include "PackageHarness.h"
#include "RuleTextBench.h"
#include "core/IEConsts.h"
#include "functions/IEPackageComponents.h"

namespace {

// The logic functions as a package of their own, in the standard package's order.
class TLogicPackage : public TUserPackage {
 public:
  explicit TLogicPackage(TComponent* owner = nullptr) : TUserPackage(owner) { CreateFunctions(); }
  void CreateFunctions() override {
    TUserPackage::CreateFunctions();
    for (const char* name : {"TAndFunction", "TEqFunction", "TEqStarFunction", "TEqualsFunction",
                             "TGtFunction", "TGtOrEqFunction", "TLtFunction", "TLtOrEqFunction",
                             "TNeqFunction", "TNotEqualsFunction", "TNotFunction", "TOrFunction"})
      AddFunctionOnce(CreateStandardLogicFunction(name));
  }
};

class StandardLogicTest : public ::testing::Test, public TRuleTextBench {
 protected:
  // How often the fake engine's echo function ran.
  int EchoCalls() { return static_cast<TEchoFunction&>(*engine.reasoner.GetFunction("echo")).calls; }
};

}  // namespace

TEST(StandardLogicTable, NamesLimitsAndHelpTexts) {
  TPackageHarness<TLogicPackage> harness;
  ExpectFunctionTable(harness, {
      {"TAndFunction", "and", 0, UnlimitedArguments, "(and <expression>*)"},
      {"TEqFunction", "eq", 1, UnlimitedArguments, "(eq <expression> <expression>+)"},
      {"TEqStarFunction", "eq*", 1, UnlimitedArguments, "(eq* <expression> <expression>+)"},
      {"TEqualsFunction", "=", 1, UnlimitedArguments,
       "(= <numeric-expression> <numeric-expression>+)"},
      {"TGtFunction", ">", 2, UnlimitedArguments, "(> <numeric-expression> <numeric-expression>+)"},
      {"TGtOrEqFunction", ">=", 2, UnlimitedArguments,
       "(>= <numeric-expression> <numeric-expression>+)"},
      {"TLtFunction", "<", 2, UnlimitedArguments, "(< <numeric-expression> <numeric-expression>+)"},
      {"TLtOrEqFunction", "<=", 2, UnlimitedArguments,
       "(<= <numeric-expression> <numeric-expression>+)"},
      {"TNeqFunction", "neq", 1, UnlimitedArguments, "(neq <expression> <expression>*)"},
      {"TNotEqualsFunction", "<>", 1, UnlimitedArguments,
       "(<> <numeric-expression> <numeric-expression>*)"},
      {"TNotFunction", "not", 1, 1, "(not <expression>)"},
      {"TOrFunction", "or", 0, UnlimitedArguments, "(or <expression>*)"},
  });
  EXPECT_EQ(harness.Function("and")->Comment(),
            "Returns TRUE if every argument evaluates to TRUE, FALSE otherwise\r\n"
            "     syntax: (and <expression>*)");
  EXPECT_FALSE(CreateStandardLogicFunction("TIfFunction"));
  EXPECT_EQ(CreateFunctionByClassName("TEqStarFunction")->FunctionName(), "eq*");
}

TEST_F(StandardLogicTest, AndOrNot) {
  EXPECT_EQ(Text("(and)"), "TRUE");
  EXPECT_EQ(Text("(or)"), "FALSE");
  EXPECT_EQ(Text("(and 5)"), "TRUE") << "anything but FALSE is true for and";
  EXPECT_EQ(Text("(or 5)"), "FALSE") << "only TRUE is true for or";
  EXPECT_EQ(Text("(and TRUE 1 \"x\")"), "TRUE");
  EXPECT_EQ(Text("(and TRUE FALSE)"), "FALSE");
  EXPECT_EQ(Text("(or FALSE 5 TRUE)"), "TRUE");
  EXPECT_EQ(Text("(or (eq 1 2) (eq 2 2))"), "TRUE");
  EXPECT_EQ(Text("(not FALSE)"), "TRUE");
  EXPECT_EQ(Text("(not 0)"), "FALSE");
  EXPECT_EQ(Text("(not (and TRUE FALSE))"), "TRUE");
  EXPECT_EQ(Text("(and false)"), "TRUE") << "atoms compare case-sensitively";
}

TEST_F(StandardLogicTest, AndAndOrStopAtTheAnswer) {
  EXPECT_EQ(Text("(and FALSE (print never))"), "FALSE");
  EXPECT_EQ(Text("(or TRUE (print never))"), "TRUE");
  EXPECT_EQ(printed, "");
  EXPECT_EQ(Text("(and (print a) (print b) FALSE (print c))"), "FALSE");
  EXPECT_EQ(Text("(or (print d) FALSE)"), "TRUE");
  EXPECT_EQ(printed, "abd");
}

TEST_F(StandardLogicTest, EqualityFunctions) {
  EXPECT_EQ(Text("(eq 1)"), "TRUE");
  EXPECT_EQ(Text("(eq 1 1 1)"), "TRUE");
  EXPECT_EQ(Text("(eq 1 1.0)"), "FALSE") << "type and value";
  EXPECT_EQ(Text("(eq a \"a\")"), "FALSE");
  EXPECT_EQ(Text("(eq (create$ a b) (create$ a b))"), "TRUE");
  EXPECT_EQ(Text("(eq* 1 1.0)"), "TRUE");
  EXPECT_EQ(Text("(eq* a \"a\")"), "TRUE");
  EXPECT_EQ(Text("(eq* 2.5 2.5 \"2.5\")"), "TRUE");
  EXPECT_EQ(Text("(eq* a b)"), "FALSE");
  EXPECT_EQ(Text("(neq 1)"), "TRUE");
  EXPECT_EQ(Text("(neq 1 2 3)"), "TRUE");
  EXPECT_EQ(Text("(neq 1 2 1)"), "FALSE");
  EXPECT_EQ(Text("(neq 1 1.0)"), "TRUE");

  EXPECT_EQ(Text("(eq 1 2 (print never))"), "FALSE") << "stops at the first difference";
  EXPECT_EQ(printed, "");
  EXPECT_EQ(Text("(eq (echo 1) 1 1)"), "TRUE");
  EXPECT_EQ(EchoCalls(), 1) << "the first argument is resolved once";
}

TEST_F(StandardLogicTest, NumericComparisons) {
  EXPECT_EQ(Text("(= 1 1.0)"), "TRUE");
  EXPECT_EQ(Text("(= 1)"), "TRUE");
  EXPECT_EQ(Text("(= 2 2 3)"), "FALSE");
  EXPECT_EQ(Text("(= 2 \"2\")"), "TRUE") << "numeric text reads as a number";
  EXPECT_EQ(Text("(<> 1 2 3)"), "TRUE");
  EXPECT_EQ(Text("(<> 1 2 1.0)"), "FALSE");
  EXPECT_EQ(Text("(< 1 2 3)"), "TRUE");
  EXPECT_EQ(Text("(< 1 3 2)"), "FALSE");
  EXPECT_EQ(Text("(< 1 1)"), "FALSE");
  EXPECT_EQ(Text("(<= 1 1 2)"), "TRUE");
  EXPECT_EQ(Text("(<= 2 1)"), "FALSE");
  EXPECT_EQ(Text("(> 3 2 1.5)"), "TRUE");
  EXPECT_EQ(Text("(> 3 3)"), "FALSE");
  EXPECT_EQ(Text("(>= 3 3 1)"), "TRUE");
  EXPECT_EQ(Text("(>= 3 4)"), "FALSE");
  EXPECT_EQ(Text("(< -1.5 0 1E3)"), "TRUE");
}

TEST_F(StandardLogicTest, PairwiseComparisonsResolveInnerArgumentsTwice) {
  EXPECT_EQ(Text("(< 1 (echo 2) 3)"), "TRUE");
  EXPECT_EQ(EchoCalls(), 2);
  EXPECT_EQ(Text("(< 3 1 (echo 5))"), "FALSE");
  EXPECT_EQ(EchoCalls(), 2) << "arguments after the failing pair are not resolved";
}

TEST_F(StandardLogicTest, BadArguments) {
  EXPECT_EQ(Error("(< 1 a)"), "EIEException: Not a numeric.  Value Type is dtAtom");
  EXPECT_EQ(Error("(= (create$ 1) 1)"), "EIEException: Not a numeric.  Value Type is dtList");
  EXPECT_EQ(Error("(<> 1 \"x\")"), "EIEException: Not a numeric.  Value Type is dtString");
  EXPECT_EQ(Error("(eq* 1 a)"), "EIEException: Not a integer.  Value Type is dtAtom");
  EXPECT_EQ(Error("(> 1)"), "EIEException: Too few arguments for >");
  EXPECT_EQ(Error("(<=)"), "EIEException: Too few arguments for <=");
  EXPECT_EQ(Error("(eq)"), "EIEException: Too few arguments for eq");
  EXPECT_EQ(Error("(=)"), "EIEException: Too few arguments for =");
  EXPECT_EQ(Error("(not)"), "EIEException: Too few arguments for not");
  EXPECT_EQ(Error("(not 1 2)"), "EIEException: Too many arguments for not");
  EXPECT_EQ(Error("(and ?nowhere)").rfind("EIEException: ", 0), 0u)
      << "an unbound variable fails while it is resolved";
}
