// The math and predicate packages through calls evaluated against a fake
// engine: result types, rounding, division, random numbers, type predicates,
// the function tables and the package stream of the type predicates.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "PackageHarness.h"
#include "packages/MathPackage.h"
#include "packages/MathSupport.h"
#include "packages/PredicatePackage.h"
#include "engine/InferenceEngine.h"

namespace {

constexpr int32_t Unlimited = UnlimitedArguments;

// Type and value of a result in one text: "dtInteger 3", "dtFloat 4.4".
std::string Typed(const IIEValue& value) {
  if (!value) return "none";
  return std::string(IETypeName(value->DType())) + " " + value->AsText();
}

class MathPackage : public ::testing::Test {
 protected:
  std::string Eval(const char* name, std::initializer_list<IIEValue> arguments = {}) {
    return Typed(math.Eval(name, arguments));
  }
  TPackageHarness<TMathPackage> math;
};

TEST_F(MathPackage, FunctionTable) {
  ExpectFunctionTable(math, {
      {"TAbsFunction", "abs", 1, 1, "(abs <numeric-expression>)"},
      {"TIntegerDivideFunction", "div", 1, Unlimited, "(div <integer-expression>+)"},
      {"TDivideFunction", "/", 1, Unlimited, "(/ <numeric-expression>+)"},
      {"TExpFunction", "exp", 1, 1, "(exp <numeric-expression>)"},
      {"TExptFunction", "**", 2, 2, "(** <numeric-expression> <numeric-expression>)"},
      {"TFloatFunction", "float", 1, 1, "(float <numeric-expression>)"},
      {"TIntegerFunction", "integer", 1, 1, "(integer <numeric-expression>)"},
      {"TLogFunction", "log", 1, 1, "(log <numeric-expression>)"},
      {"TLog10Function", "log10", 1, 1, "(log10 <numeric-expression>)"},
      {"TMaxFunction", "max", 1, Unlimited, "(max <numeric-expression>+)"},
      {"TMinFunction", "min", 1, Unlimited, "(min <numeric-expression>+)"},
      {"TMinusFunction", "-", 1, Unlimited, "(- <numeric-expression>+)"},
      {"TModFunction", "mod", 2, 2, "(mod <integer-expression> <integer-expression>)"},
      {"TPiFunction", "pi", 0, 0, "(pi)"},
      {"TPlusFunction", "+", 0, Unlimited, "(+ <numeric-expression>+)"},
      {"TRandomFunction", "random", 0, 0, "(random)"},
      {"TRoundFunction", "round", 1, 1, "(round <numeric-expression>)"},
      {"TSeedFunction", "seed", 1, 1, "(seed <integer-expression>)"},
      {"TSqrtFunction", "sqrt", 1, 1, "(sqrt <numeric-expression>)"},
      {"TTimesFunction", "*", 0, Unlimited, "(* <numeric-expression>+)"},
  });
  EXPECT_EQ(math.Function("abs")->Comment(),
            "Returns the absolute value of its argument\r\n     syntax: (abs <numeric-expression>)");
  // Running CreateFunctions again adds nothing.
  math.package->CreateFunctions();
  EXPECT_EQ(math.package->Functions().Count(), 20);
}

TEST_F(MathPackage, SumsProductsAndDifferencesAreIntegersUnlessAFloatTakesPart) {
  EXPECT_EQ(Eval("+", {Int(1), Int(2)}), "dtInteger 3");
  EXPECT_EQ(Eval("+", {Int(1), Flt(2.0)}), "dtFloat 3");
  EXPECT_EQ(Eval("+"), "dtInteger 0");
  EXPECT_EQ(Eval("*"), "dtInteger 1");
  EXPECT_EQ(Eval("*", {Int(3), Flt(0.5)}), "dtFloat 1.5");
  EXPECT_EQ(Eval("-", {Flt(5.5), Int(1)}), "dtFloat 4.5");
  EXPECT_EQ(Eval("-", {Int(7), Int(2), Int(1)}), "dtInteger 4");
  EXPECT_EQ(Eval("-", {Int(5)}), "dtInteger 5") << "one argument is the result itself";
  EXPECT_EQ(Eval("-", {Flt(5)}), "dtFloat 5");
  // Numeric text counts as a number but not as a float; the result is truncated.
  EXPECT_EQ(Eval("+", {Str("3"), Int(4)}), "dtInteger 7");
  EXPECT_EQ(Eval("+", {Atom("2.5"), Int(1)}), "dtInteger 3");
  EXPECT_EQ(Eval("*", {Int(-3), Atom("2.5")}), "dtInteger -7");
  // Integer results keep the low 32 bits.
  EXPECT_EQ(Eval("+", {Int(2147483647), Int(1)}), "dtInteger -2147483648");
  EXPECT_EQ(Eval("*", {Int(65536), Int(65536), Int(3)}), "dtInteger 0");
  EXPECT_EQ(math.Error("+", {Int(1), Atom("foo")}),
            "EIEException: Not a numeric.  Value Type is dtAtom");
  EXPECT_EQ(math.Error("-"), "EIEException: Too few arguments for -");
}

TEST_F(MathPackage, DivisionAndRemainders) {
  EXPECT_EQ(Eval("/", {Int(7), Int(2)}), "dtFloat 3.5");
  EXPECT_EQ(Eval("/", {Int(8)}), "dtFloat 8");
  EXPECT_EQ(Eval("/", {Int(100), Int(5), Int(4)}), "dtFloat 5");
  EXPECT_EQ(Eval("div", {Int(7), Int(2)}), "dtInteger 3");
  EXPECT_EQ(Eval("div", {Int(-7), Int(2)}), "dtInteger -3");
  EXPECT_EQ(Eval("div", {Int(100), Int(3), Int(2)}), "dtInteger 16");
  EXPECT_EQ(Eval("div", {Flt(7.9), Flt(2.9)}), "dtInteger 3") << "floats truncated first";
  EXPECT_EQ(Eval("div", {Int(-2147483647 - 1), Int(-1)}), "dtInteger -2147483648");
  EXPECT_EQ(Eval("mod", {Int(-7), Int(2)}), "dtInteger -1");
  EXPECT_EQ(Eval("mod", {Int(7), Int(-2)}), "dtInteger 1");
  EXPECT_EQ(Eval("mod", {Int(-2147483647 - 1), Int(-1)}), "dtInteger 0");

  EXPECT_EQ(math.Error("div", {Int(1), Int(0)}), "EDivByZero: Division by zero");
  EXPECT_EQ(math.Error("mod", {Int(1), Int(0)}), "EDivByZero: Division by zero");
  EXPECT_EQ(math.Error("/", {Int(1), Int(0)}), "EZeroDivide: Floating point division by zero");
  EXPECT_EQ(math.Error("/", {Int(1), Int(2), Flt(0.0)}),
            "EZeroDivide: Floating point division by zero");
  EXPECT_EQ(math.Error("div", {Int(1), Atom("x")}),
            "EIEException: Not a integer.  Value Type is dtAtom");
}

TEST_F(MathPackage, MaxAndMinKeepTheEarlierOfEqualValues) {
  EXPECT_EQ(Eval("max", {Int(2), Flt(1.5)}), "dtInteger 2");
  EXPECT_EQ(Eval("max", {Flt(1.5), Int(2)}), "dtFloat 2");
  EXPECT_EQ(Eval("min", {Int(3), Int(1), Flt(1.0)}), "dtInteger 1");
  EXPECT_EQ(Eval("min", {Int(3), Flt(1.0), Int(1)}), "dtFloat 1");
  EXPECT_EQ(Eval("max", {Int(1), Flt(2.5), Int(7)}), "dtFloat 7")
      << "a float that once led makes the result a float";
  EXPECT_EQ(Eval("max", {Int(-4)}), "dtInteger -4");
}

TEST_F(MathPackage, AbsoluteValueByArgumentType) {
  EXPECT_EQ(Eval("abs", {Int(-3)}), "dtInteger 3");
  EXPECT_EQ(Eval("abs", {Flt(-2.5)}), "dtFloat 2.5");
  EXPECT_EQ(Eval("abs", {Int(4)}), "dtInteger 4");
  EXPECT_EQ(math.Error("abs", {Atom("foo")}),
            "EIEException: Expected numeric argument to abs function call");
  EXPECT_EQ(math.Error("abs", {Str("-3")}),
            "EIEException: Expected numeric argument to abs function call");
  EXPECT_EQ(math.Error("abs"), "EIEException: Too few arguments for abs");
  EXPECT_EQ(math.Error("abs", {Int(1), Int(2)}), "EIEException: Too many arguments for abs");
}

TEST_F(MathPackage, RoundingAndConversions) {
  EXPECT_EQ(Eval("round", {Flt(2.5)}), "dtInteger 2");
  EXPECT_EQ(Eval("round", {Flt(3.5)}), "dtInteger 4");
  EXPECT_EQ(Eval("round", {Flt(-2.5)}), "dtInteger -2");
  EXPECT_EQ(Eval("round", {Flt(-3.5)}), "dtInteger -4");
  EXPECT_EQ(Eval("round", {Flt(2.6)}), "dtInteger 3");
  EXPECT_EQ(Eval("round", {Flt(-2.4)}), "dtInteger -2");
  EXPECT_EQ(Eval("round", {Int(7)}), "dtInteger 7");
  EXPECT_EQ(math.Error("round", {Flt(3e9)}), "EIEException: Not a integer.  Value Type is dtFloat");
  EXPECT_EQ(Eval("integer", {Flt(-2.7)}), "dtInteger -2");
  EXPECT_EQ(Eval("integer", {Str("12")}), "dtInteger 12");
  EXPECT_EQ(Eval("float", {Int(3)}), "dtFloat 3");
  EXPECT_EQ(Eval("float", {Atom("1.25")}), "dtFloat 1.25");
}

TEST_F(MathPackage, FloatingFunctionsAndTheirDomains) {
  EXPECT_EQ(Eval("sqrt", {Int(16)}), "dtFloat 4");
  EXPECT_EQ(Eval("**", {Int(2), Int(10)}), "dtFloat 1024");
  EXPECT_EQ(Eval("log10", {Int(1000)}), "dtFloat 3");
  EXPECT_EQ(Eval("exp", {Int(0)}), "dtFloat 1");
  EXPECT_DOUBLE_EQ(math.Eval("log", {Flt(2.718281828459045)})->AsFloat(), 1.0);
  EXPECT_DOUBLE_EQ(math.Eval("exp", {Int(1)})->AsFloat(), 2.718281828459045);

  EXPECT_EQ(math.Error("log", {Int(0)}), "EZeroDivide: Floating point division by zero");
  EXPECT_EQ(math.Error("log10", {Int(0)}), "EZeroDivide: Floating point division by zero");
  EXPECT_EQ(math.Error("log", {Int(-1)}), "EInvalidOp: Invalid floating point operation");
  EXPECT_EQ(math.Error("sqrt", {Int(-1)}), "EInvalidOp: Invalid floating point operation");
  EXPECT_EQ(math.Error("**", {Int(0), Int(-1)}), "EZeroDivide: Floating point division by zero");
  EXPECT_EQ(math.Error("**", {Int(-8), Flt(0.5)}), "EInvalidOp: Invalid floating point operation");
  EXPECT_EQ(math.Error("exp", {Int(1000)}), "EOverflow: Floating point overflow");
  EXPECT_EQ(math.Error("*", {Flt(1e300), Flt(1e300)}), "EOverflow: Floating point overflow");

  IIEValue pi = math.Eval("pi");
  EXPECT_EQ(pi.get(), PiValue().get()) << "the shared constant";
  EXPECT_EQ(pi->AsFloat(), 3.141592653589793);
  EXPECT_EQ(math.Error("pi", {Int(1)}), "EIEException: Too many arguments for pi");
}

TEST_F(MathPackage, ArgumentsAreResolvedOnceInTheContext) {
  math.context.SetVariable("x", Int(4));
  EXPECT_EQ(Eval("+", {math.Nested("*", {Int(2), Int(3)}), Var("x")}), "dtInteger 10");
  // A nested call is evaluated once, also by functions that look at the type.
  IUserFunction echo(new TEchoFunction());
  math.reasoner.AddFunction(echo);
  auto& counter = static_cast<TEchoFunction&>(*echo);
  EXPECT_EQ(Eval("round", {math.Nested("echo", {Flt(2.5)})}), "dtInteger 2");
  EXPECT_EQ(Eval("max", {Int(1), math.Nested("echo", {Flt(1.5)})}), "dtFloat 1.5");
  EXPECT_EQ(Eval("abs", {math.Nested("echo", {Int(-1)})}), "dtInteger 1");
  EXPECT_EQ(counter.calls, 3);
  // An argument that yields no value fails like any non-number.
  EXPECT_EQ(math.Error("+", {math.Nested("echo")}),
            "EIEException: Not a numeric.  Value Type is dtNone");
}

TEST_F(MathPackage, SeedMakesRandomRepeatable) {
  EXPECT_EQ(Eval("seed", {Int(1)}), "dtAtom TRUE");
  std::vector<std::string> first;
  for (int i = 0; i < 5; ++i) first.push_back(Eval("random"));
  EXPECT_EQ(first, (std::vector<std::string>{"dtInteger 2056", "dtInteger 56429",
                                             "dtInteger 13276", "dtInteger 17886",
                                             "dtInteger 44017"}));
  math.Eval("seed", {Int(1)});
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Eval("random"), first[size_t(i)]);
  // A negative seed is the same 32 bits unsigned.
  math.Eval("seed", {Int(-5)});
  EXPECT_EQ(Eval("random"), "dtInteger 55253");
  EXPECT_EQ(math.Error("random", {Int(1)}), "EIEException: Too many arguments for random");
}

TEST_F(MathPackage, RandomIsSafeFromSeveralThreads) {
  // Every step of the shared generator is whole: two threads drawing together
  // draw exactly the values one thread draws alone, in some interleaving.
  constexpr int N = 2000;
  SeedRandom(77);
  std::vector<int32_t> alone;
  for (int i = 0; i < 2 * N; ++i) alone.push_back(NextRandom());

  IFunctionCall call = math.Call("random");
  std::vector<int32_t> a, b;
  auto draw = [&](std::vector<int32_t>& out) {
    TIEContext context;  // each engine thread has its own context
    for (int i = 0; i < N; ++i) out.push_back(call->Evaluate(&context)->AsInteger());
  };
  call->Evaluate(&math.context);  // binds the call before the threads share it
  math.Eval("seed", {Int(77)});
  std::thread t1(draw, std::ref(a)), t2(draw, std::ref(b));
  t1.join();
  t2.join();
  std::vector<int32_t> together = a;
  together.insert(together.end(), b.begin(), b.end());
  std::sort(together.begin(), together.end());
  std::sort(alone.begin(), alone.end());
  EXPECT_EQ(together, alone);
  for (int32_t v : together) ASSERT_TRUE(v >= 0 && v <= 65535);
}

// ---------------------------------------------------------------------------

class PredicatePackage : public ::testing::Test {
 protected:
  std::string Eval(const char* name, std::initializer_list<IIEValue> arguments) {
    return predicates.Eval(name, arguments)->AsText();
  }
  TPackageHarness<TPredicatePackage> predicates;
};

TEST_F(PredicatePackage, FunctionTableAndTypeMasks) {
  ExpectFunctionTable(predicates, {
      {"TEvenPFunction", "evenp", 1, 1, "(evenp <numeric-expression>)"},
      {"TOddPFunction", "oddp", 1, 1, "(oddp <numeric-expression>)"},
      {"TVerifyTypePFunction", "lexemep", 1, 1, "(lexemep <expression>)"},
      {"TVerifyTypePFunction", "numberp", 1, 1, "(numberp <expression>)"},
      {"TVerifyTypePFunction", "floatp", 1, 1, "(floatp <expression>)"},
      {"TVerifyTypePFunction", "integerp", 1, 1, "(integerp <expression>)"},
      {"TVerifyTypePFunction", "stringp", 1, 1, "(stringp <expression>)"},
      {"TVerifyTypePFunction", "symbolp", 1, 1, "(symbolp <expression>)"},
      {"TVerifyTypePFunction", "multifieldp", 1, 1, "(multifieldp <expression>)"},
      {"TVerifyTypePFunction", "external-addressp", 1, 1, "(external-addressp <expression>)"},
      {"TVerifyTypePFunction", "objectp", 1, 1, "(objectp <expression>)"},
  });
  const std::vector<uint32_t> masks = {6, 72, 64, 8, 4, 2, 512, 8192, 2048};
  for (size_t i = 0; i < masks.size(); ++i) {
    auto* f = dynamic_cast<TVerifyTypePFunction*>(
        predicates.package->Functions().Get(int32_t(i + 2)).get());
    ASSERT_TRUE(f);
    EXPECT_EQ(f->ValueTypes().Mask(), masks[i]) << f->FunctionName();
  }
  EXPECT_EQ(predicates.Function("lexemep")->Comment(),
            "Returns TRUE if the argument is of the following type(s): Atom, String.  If the "
            "argument is any other type, FALSE is returned\r\n     syntax: (lexemep <expression>)");
  EXPECT_EQ(predicates.Function("external-addressp")->Comment().substr(0, 74),
            "Returns TRUE if the argument is of the following type(s): ExternalAddress.");
  EXPECT_EQ(TVerifyTypePFunction::TypesText({}), "NONE");
  EXPECT_EQ(TVerifyTypePFunction::TypesText({dtFloat, dtInteger}), "Integer, Float");
}

TEST_F(PredicatePackage, TypePredicatesTestTheResolvedType) {
  EXPECT_EQ(Eval("numberp", {Flt(1.5)}), "TRUE");
  EXPECT_EQ(Eval("numberp", {Str("1")}), "FALSE") << "the type counts, not the text";
  EXPECT_EQ(Eval("lexemep", {Int(1)}), "FALSE");
  EXPECT_EQ(Eval("lexemep", {Str("a")}), "TRUE");
  EXPECT_EQ(Eval("symbolp", {Atom("a")}), "TRUE");
  EXPECT_EQ(Eval("symbolp", {Str("a")}), "FALSE");
  EXPECT_EQ(Eval("stringp", {Str("a")}), "TRUE");
  EXPECT_EQ(Eval("integerp", {Flt(1)}), "FALSE");
  EXPECT_EQ(Eval("floatp", {Flt(1)}), "TRUE");
  EXPECT_EQ(Eval("multifieldp", {List({})}), "TRUE");
  EXPECT_EQ(Eval("multifieldp", {Atom("x")}), "FALSE");
  EXPECT_EQ(Eval("objectp", {NilValue()}), "TRUE");
  EXPECT_EQ(Eval("external-addressp", {NilValue()}), "FALSE");
  predicates.context.SetVariable("v", Int(3));
  EXPECT_EQ(Eval("integerp", {Var("v")}), "TRUE");
  IUserFunction echo(new TEchoFunction());
  predicates.reasoner.AddFunction(echo);
  EXPECT_EQ(Eval("integerp", {predicates.Nested("echo", {Int(1)})}), "TRUE");
  EXPECT_EQ(Eval("numberp", {predicates.Nested("echo")}), "FALSE") << "no value";
  EXPECT_EQ(predicates.Error("stringp", {}), "EIEException: Too few arguments for stringp");
}

TEST_F(PredicatePackage, Parity) {
  EXPECT_EQ(Eval("evenp", {Int(4)}), "TRUE");
  EXPECT_EQ(Eval("evenp", {Int(-3)}), "FALSE");
  EXPECT_EQ(Eval("oddp", {Int(-3)}), "TRUE");
  EXPECT_EQ(Eval("oddp", {Flt(3.5)}), "TRUE") << "truncated first";
  EXPECT_EQ(Eval("evenp", {Int(0)}), "TRUE");
  EXPECT_EQ(predicates.Error("evenp", {Atom("x")}),
            "EIEException: Not a integer.  Value Type is dtAtom");
}

TEST_F(PredicatePackage, TypeSetsTravelWithTheFunctionTable) {
  std::vector<std::string> entries = predicates.package->PackageFunctions();
  ASSERT_EQ(entries.size(), 11u);
  TPredicatePackage copy;
  copy.SetPackageFunctions(entries);
  ASSERT_EQ(copy.Functions().Count(), 11);
  for (int32_t i = 0; i < 11; ++i) {
    const TIEUserFunction& a = *predicates.package->Functions().Get(i);
    const TIEUserFunction& b = *copy.Functions().Get(i);
    EXPECT_EQ(a.ClassName(), b.ClassName());
    EXPECT_EQ(a.FunctionName(), b.FunctionName());
    EXPECT_EQ(a.Comment(), b.Comment());
    EXPECT_EQ(a.MinArgumentCount(), b.MinArgumentCount());
    EXPECT_EQ(a.MaxArgumentCount(), b.MaxArgumentCount());
    if (auto* typed = dynamic_cast<const TVerifyTypePFunction*>(&a)) {
      EXPECT_EQ(typed->ValueTypes(), dynamic_cast<const TVerifyTypePFunction&>(b).ValueTypes());
    }
  }
}

TEST(VerifyTypePFunction, RenameRebuildsHelpAndAssignCopiesTypes) {
  TRef<TVerifyTypePFunction> f(new TVerifyTypePFunction("fp", {dtFloat}));
  f->SetValueTypes({dtAtom});
  f->SetFunctionName("ap");
  EXPECT_EQ(f->Comment(),
            "Returns TRUE if the argument is of the following type(s): Atom.  If the argument is "
            "any other type, FALSE is returned\r\n     syntax: (ap <expression>)");
  TRef<TVerifyTypePFunction> g(new TVerifyTypePFunction());
  EXPECT_EQ(g->MinArgumentCount(), 1);
  EXPECT_EQ(g->MaxArgumentCount(), 1);
  g->Assign(f.get());
  EXPECT_EQ(g->FunctionName(), "ap");
  EXPECT_EQ(g->ValueTypes(), TIETypes({dtAtom}));
  EXPECT_EQ(g->Comment(), f->Comment());
}

}  // namespace

namespace {

// The engine makes its packages by class name: the numeric packages answer to
// the names it asks for, and their functions land in its registry.
TEST(NumericPackages, EnginesCreateThemByClassName) {
  TInferenceEngine engine;
  EXPECT_TRUE(engine.Packages().Contains(pMath));
  EXPECT_TRUE(engine.FunctionExists("+"));
  EXPECT_TRUE(engine.FunctionExists("numberp"));
  EXPECT_FALSE(engine.FunctionExists("sin"));
  engine.SetPackages({pMath, pPredicate, pTrigonometry, pBusiness});
  EXPECT_TRUE(engine.FunctionExists("sin"));
  EXPECT_TRUE(engine.FunctionExists("net-present-value"));
  EXPECT_TRUE(engine.FunctionExists("random"));
  engine.SetPackages({pPredicate});
  EXPECT_FALSE(engine.FunctionExists("+"));
  EXPECT_FALSE(engine.FunctionExists("sin"));
  EXPECT_TRUE(engine.FunctionExists("evenp"));

  IFunctionCall call = TFunctionCall::Create(&engine, "oddp");
  call->AddArgument(7, dtInteger);
  EXPECT_EQ(call->Evaluate(&engine.Context())->AsText(), "TRUE");
}

}  // namespace
