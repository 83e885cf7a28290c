// The control functions of the standard package, written as rule text: if,
// while, foreach, try, throw, return, bind, exit and halt, with the return
// state they leave for enclosing constructs and deffunctions, and the names,
// limits and help texts of the classes.
#include <gtest/gtest.h>

#include <memory>

#include "PackageHarness.h"
#include "RuleTextBench.h"
#include "engine/InferenceEngine.h"
#include "functions/IEDeffunction.h"
#include "functions/IEPackageComponents.h"
#include "support/ExceptionText.h"

namespace {

class TControlPackage : public TUserPackage {
 public:
  explicit TControlPackage(TComponent* owner = nullptr) : TUserPackage(owner) {
    CreateFunctions();
  }
  void CreateFunctions() override {
    TUserPackage::CreateFunctions();
    for (const char* name : {"TBindFunction", "TExitFunction", "TForEachFunction", "THaltFunction",
                             "TIfFunction", "TReturnFunction", "TTryFunction", "TThrowFunction",
                             "TWhileFunction"})
      AddFunctionOnce(CreateStandardControlFunction(name));
  }
};

class StandardControlTest : public ::testing::Test, public TRuleTextBench {
 protected:
  // Registers deffunction Name with parameter ?x and the actions given as text.
  void Deffunction(const char* name, std::initializer_list<const char*> actions) {
    auto function = MakeRef<TInterpretedFunction>();
    function->SetFunctionName(name);
    function->AddParameter("x", dtVariable);
    for (const char* action : actions) function->AddAction(Parse(action));
    Register(IUserFunction(function));
  }
  bool Returned() const { return engine.context.Returned(); }
};

}  // namespace

TEST(StandardControlTable, NamesLimitsAndHelpTexts) {
  TPackageHarness<TControlPackage> harness;
  ExpectFunctionTable(harness, {
      {"TBindFunction", "bind", 2, 2, "(bind <variable> <expression>)"},
      {"TExitFunction", "exit", 0, 0, "(exit)"},
      {"TForEachFunction", "foreach", 2, UnlimitedArguments,
       "(foreach <variable-name> <list-expression> <expression>*)"},
      {"THaltFunction", "halt", 0, 0, "(halt)"},
      {"TIfFunction", "if", 2, UnlimitedArguments,
       "(if <predicate-expression> then <expression>+ [else <expression>+])"},
      {"TReturnFunction", "return", 1, 1, "(return <expression>)"},
      {"TTryFunction", "try", 1, UnlimitedArguments,
       "(try [<expression>*] [finally [<expression>*>] [catch|except [<expression>*]])"},
      {"TThrowFunction", "throw", 1, 1, "(throw <lexeme-expression>)"},
      {"TWhileFunction", "while", 2, UnlimitedArguments,
       "(while <boolean-expression> [do] <expression>*)"},
  });
  const std::string& tryHelp = harness.Function("try")->Comment();
  EXPECT_NE(tryHelp.find("?__ERROR"), std::string::npos);
  EXPECT_LT(tryHelp.find("except"), tryHelp.find("syntax:"));
  EXPECT_FALSE(CreateStandardControlFunction("TAndFunction"));
}

TEST_F(StandardControlTest, IfChoosesABranch) {
  EXPECT_EQ(Text("(if (> 2 1) then a else b)"), "a");
  EXPECT_EQ(Text("(if (< 2 1) then a else b)"), "b");
  EXPECT_EQ(Text("(if 0 then a else b)"), "a") << "anything but FALSE is true";
  EXPECT_EQ(Text("(if FALSE then a)"), "FALSE");
  EXPECT_EQ(Text("(if TRUE then)"), "FALSE");
  EXPECT_EQ(Text("(if FALSE then a b else c d)"), "d");
  EXPECT_EQ(Text("(if TRUE then (print 1) (print 2) 3 else (print never))"), "3");
  EXPECT_EQ(Text("(if FALSE then (print never) else (print 4) (print 5))"), "TRUE");
  EXPECT_EQ(printed, "1245");
}

TEST_F(StandardControlTest, IfErrors) {
  EXPECT_EQ(Error("(if TRUE a)"),
            "EIEException: Syntax Error: Missing \"then\" in an IF statement");
  EXPECT_EQ(Error("(if TRUE \"then\" a)"),
            "EIEException: Syntax Error: Missing \"then\" in an IF statement");
  EXPECT_EQ(Error("(if TRUE)"), "EIEException: Too few arguments for if");
  EXPECT_EQ(Error("(if (< 1 x) then a)"), "EIEException: Not a numeric.  Value Type is dtAtom");
}

TEST_F(StandardControlTest, WhileLoops) {
  EXPECT_EQ(Text("(while FALSE (print never))"), "FALSE");
  EXPECT_EQ(printed, "");
  Eval("(bind ?i 0)");
  EXPECT_EQ(Text("(while (< ?i 3) do (print ?i) (bind ?i (+ ?i 1)))"), "FALSE");
  EXPECT_EQ(printed, "012");
  EXPECT_EQ(Variable("i"), "3");
  Eval("(bind ?i 0)");
  EXPECT_EQ(Text("(while (< ?i 2) (bind ?i (+ ?i 1)))"), "FALSE") << "do is optional";
  EXPECT_EQ(Variable("i"), "2");
  EXPECT_EQ(Error("(while TRUE)"), "EIEException: Too few arguments for while");
}

TEST_F(StandardControlTest, ReturnInsideIfStopsTheEnclosingWhile) {
  Eval("(bind ?i 0)");
  EXPECT_EQ(Text("(while TRUE (if (> ?i 1) then (return done) (print never)) "
                 "(print ?i) (bind ?i (+ ?i 1)))"),
            "done");
  EXPECT_EQ(printed, "01");
  EXPECT_TRUE(Returned()) << "the return state stays for the enclosing construct";
}

TEST_F(StandardControlTest, ReturnLeavesADeffunctionWithItsOwnValue) {
  Deffunction("upto", {"(while TRUE (if (> ?x 2) then (return ?x)) (bind ?x (+ ?x 1)))",
                       "(print never)"});
  EXPECT_EQ(Text("(upto 0)"), "3") << "the returned variable is read in the function's scope";
  EXPECT_EQ(Text("(upto 7)"), "7");
  EXPECT_EQ(printed, "");
  EXPECT_FALSE(Returned()) << "the deffunction clears the return state";

  Deffunction("sign", {"(if (< ?x 0) then (return negative) else (return positive))",
                       "(print never)"});
  EXPECT_EQ(Text("(sign -4)"), "negative");
  EXPECT_EQ(Text("(sign 4)"), "positive");
  EXPECT_EQ(printed, "");
}

TEST_F(StandardControlTest, ReturnStoresItsArgumentUnresolved) {
  engine.context.SetVariable("v", TIEValue::MakeInteger(4));
  IIEValue result = Eval("(return ?v)");
  ASSERT_TRUE(Returned());
  EXPECT_EQ(result->DType(), dtVariable);
  EXPECT_EQ(engine.context.ReturnValue().get(), result.get());
  EXPECT_EQ(Error("(return)"), "EIEException: Too few arguments for return");
}

TEST_F(StandardControlTest, ForEachBindsEachElement) {
  EXPECT_EQ(Text("(foreach x (create$ 1 2) (print ?x))"), "TRUE");
  EXPECT_EQ(printed, "12");
  EXPECT_EQ(Variable("x"), "2") << "the loop variable stays bound";

  EXPECT_EQ(Eval("(foreach y (create$) (print ?y))"), NilValue());
  EXPECT_EQ(Variable("y"), "<unbound>");
  EXPECT_EQ(Eval("(foreach y (create$ 1))"), NilValue()) << "no body";
  EXPECT_EQ(Variable("y"), "1");

  engine.context.SetVariable("name", TIEValue::MakeAtom("z"));
  printed.clear();
  Eval("(foreach ?name (create$ a b) (print ?z))");
  EXPECT_EQ(printed, "ab") << "a variable's value names the loop variable";
  EXPECT_EQ(Variable("name"), "z");
}

TEST_F(StandardControlTest, ForEachStopsOnReturn) {
  EXPECT_EQ(Text("(foreach x (create$ 1 2 3) (if (= ?x 2) then (return last)) (print ?x))"),
            "last");
  EXPECT_EQ(printed, "1");
  EXPECT_TRUE(Returned());
}

TEST_F(StandardControlTest, ForEachErrors) {
  EXPECT_EQ(Error("(foreach x 5 (print ?x))"), "EIEException: Not a list.  Value Type is dtInteger");
  EXPECT_EQ(Error("(foreach ?unbound (create$ 1))").rfind("EIEException: ", 0), 0u);
  EXPECT_EQ(Error("(foreach x)"), "EIEException: Too few arguments for foreach");
}

TEST_F(StandardControlTest, TryCatchesAndBindsTheError) {
  EXPECT_EQ(Text("(try (print a) (throw \"bad thing\") (print never) catch (print ?__ERROR))"),
            "TRUE");
  EXPECT_EQ(printed, "abad thing");
  EXPECT_EQ(Variable("__ERROR"), "\"bad thing\"");

  EXPECT_EQ(Text("(try (< 1 x) except ?__ERROR)"), "\"Not a numeric.  Value Type is dtAtom\"");
  EXPECT_EQ(Text("(try (throw x) catch)"), "FALSE") << "an empty catch part";
}

TEST_F(StandardControlTest, TryWithoutAnErrorSkipsTheCatchPart) {
  EXPECT_EQ(Text("(try (print a) 7 catch (print never))"), "7");
  EXPECT_EQ(Text("(try 8 finally (print f))"), "TRUE") << "the finally part's value";
  EXPECT_EQ(printed, "af");
  EXPECT_EQ(Variable("__ERROR"), "<unbound>");
}

TEST_F(StandardControlTest, TryWithOnlyFinallySwallowsTheError) {
  EXPECT_EQ(Text("(try (print a) (throw oops) (print never) finally (print f1) (print f2))"),
            "FALSE");
  EXPECT_EQ(printed, "af1f2");
  EXPECT_EQ(Variable("__ERROR"), "\"oops\"");
}

TEST_F(StandardControlTest, TryFinallyRunsBeforeTheCatchPart) {
  EXPECT_EQ(Text("(try (throw x) finally (print f) except (print e) 9)"), "9");
  EXPECT_EQ(printed, "fe");
  printed.clear();
  // A catch before finally is no keyword: it is searched after finally only.
  EXPECT_EQ(Text("(try (throw y) catch (print c) finally (print f))"), "FALSE");
  EXPECT_EQ(printed, "f");
  EXPECT_EQ(Variable("__ERROR"), "\"y\"");
  printed.clear();
  // An error in the finally part is caught as well; the later error is the one kept.
  EXPECT_EQ(Text("(try (throw first) finally (throw second) catch (print ?__ERROR))"), "TRUE");
  EXPECT_EQ(printed, "second");
}

TEST_F(StandardControlTest, TryReturnRunsTheWholeFinallyPart) {
  EXPECT_EQ(Text("(try (return 5) (print never) finally (print f1) (print f2))"), "5");
  EXPECT_EQ(printed, "f1f2");
  ASSERT_TRUE(Returned());
  EXPECT_EQ(engine.context.ReturnValue()->AsText(), "5");

  Deffunction("guarded", {"(try (return ?x) finally (print cleanup))", "(print never)"});
  engine.context.ClearReturnValue();
  printed.clear();
  EXPECT_EQ(Text("(guarded 3)"), "3");
  EXPECT_EQ(printed, "cleanup");
  Deffunction("overrides", {"(try (return ?x) finally (return finally))"});
  EXPECT_EQ(Text("(overrides 3)"), "finally") << "a return of the finally part wins";
}

TEST_F(StandardControlTest, TryErrors) {
  EXPECT_EQ(Error("(try (print a))"),
            "EIEException: Missing catch or finally statement for try block");
  EXPECT_EQ(Error("(try (print a) \"catch\")"),
            "EIEException: Missing catch or finally statement for try block")
      << "keywords are atoms";
  EXPECT_EQ(printed, "") << "nothing runs without a keyword";
  EXPECT_EQ(Error("(try)"), "EIEException: Too few arguments for try");
  EXPECT_EQ(Error("(try (throw x) catch (throw again))"), "Exception: again")
      << "errors of the catch part pass on";
}

TEST_F(StandardControlTest, ExitIsNotCaught) {
  EXPECT_EQ(Error("(try (exit) catch (print never))"), "EAbort: Operation aborted");
  EXPECT_EQ(Error("(try (if TRUE then (exit)) except (print never))"),
            "EAbort: Operation aborted");
  EXPECT_EQ(printed, "");
  EXPECT_EQ(Error("(try (exit) finally (print f) catch (print never))"),
            "EAbort: Operation aborted");
  EXPECT_EQ(printed, "f") << "the finally part still runs";
  Deffunction("quits", {"(exit)", "(print never)"});
  EXPECT_EQ(Error("(try (quits 1) catch (print never))"), "EAbort: Operation aborted")
      << "also from inside a deffunction";
  EXPECT_EQ(printed, "f");
  EXPECT_THROW(Eval("(try (throw x) finally (exit))"), EExitRequest);
  EXPECT_EQ(Variable("__ERROR"), "<unbound>");
  EXPECT_EQ(Error("(exit now)"), "EIEException: Too many arguments for exit");
}

TEST_F(StandardControlTest, ThrowRaisesThePlainException) {
  EXPECT_EQ(Error("(throw \"went wrong\")"), "Exception: went wrong");
  EXPECT_EQ(Error("(throw 42)"), "Exception: 42");
  EXPECT_EQ(Error("(throw (create$ a))"), "EIEException: Not a string.  Value Type is dtList");
  EXPECT_EQ(Error("(throw a b)"), "EIEException: Too many arguments for throw");
}

TEST_F(StandardControlTest, BindSetsTheVariableWrittenFirst) {
  EXPECT_EQ(Text("(bind ?v (create$ a b))"), "a b");
  EXPECT_EQ(Variable("v"), "a b");
  EXPECT_EQ(Text("(bind ?v (+ 1 2))"), "3");
  EXPECT_EQ(Variable("v"), "3");
  EXPECT_EQ(Text("(bind w ?v)"), "3") << "the name is the text of the first argument";
  EXPECT_EQ(Variable("w"), "3");

  // An existing binding of an outer context is replaced, not hidden.
  auto child = engine.context.CreateChild();
  IFunCall call = Parse("(bind ?v 9)");
  call->Evaluate(child.get());
  EXPECT_EQ(Variable("v"), "9");

  EXPECT_EQ(Error("(bind ?v)"), "EIEException: Too few arguments for bind");
  EXPECT_EQ(Error("(bind (create$ a) 1)"),
            "EIEException: Not a string.  Value Type is dtFunCall");
}

TEST(StandardControlHalt, HaltsTheContextsEngine) {
  auto engine = std::make_unique<TInferenceEngine>();
  engine->SetPackages({});
  engine->AddFunction(CreateStandardControlFunction("THaltFunction"));
  engine->SetHalted(false);
  IFunctionCall call = TFunctionCall::Create(engine.get(), "halt");
  EXPECT_EQ(call->Evaluate(engine->RootContext()), TrueAtom());
  EXPECT_TRUE(engine->Halted());

  engine->SetHalted(false);
  TIEContext engineless;
  EXPECT_EQ(call->Evaluate(&engineless), TrueAtom());
  EXPECT_TRUE(engine->Halted()) << "without an engine in the context, the call's engine";

  TFakeReasoner reasoner;
  reasoner.AddFunction(CreateStandardControlFunction("THaltFunction"));
  EXPECT_EQ(TFunctionCall::Create(&reasoner, "halt")->Evaluate(&engineless), TrueAtom());
  IFunctionCall extra = TFunctionCall::Create(&reasoner, "halt");
  extra->AddArgument(1, dtInteger);
  EXPECT_EQ(ClassAndMessageOf([&] { extra->Evaluate(&engineless); }),
            "EIEException: Too many arguments for halt");
}
