// The function kit: a class declared with IE_FUNCTION and described with
// DescribeFunction has its argument count checked before its own code runs,
// and the typed readers raise the value getters' messages.
#include <gtest/gtest.h>

#include <string>

#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "functions/FunctionKit.h"
#include "functions/IEFunctionCall.h"
#include "support/ExceptionText.h"
#include "support/FakeReasoner.h"

namespace {

// What the probe's own code saw, reset by each test.
int probeRuns = 0;
bool resultWasNone = false;

}  // namespace

IE_FUNCTION(TProbeFunction)

TProbeFunction::TProbeFunction() {
  DescribeFunction(*this, "probe", 1, 2, "Counts its runs.", "probe <x> [<y>]");
}

void TProbeFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  ++probeRuns;
  resultWasNone = !result;
  result = TIEValue::MakeInteger(IntegerArgument(funCall, 0, context) + 1);
}

namespace {

class FunctionKitTest : public ::testing::Test {
 protected:
  FunctionKitTest() {
    probeRuns = 0;
    IUserFunction nothing = MakeRef<TIEUserFunction>();
    nothing->SetFunctionName("nothing");
    reasoner.AddFunction(nothing);
  }
  IFunctionCall Call(std::string_view name, std::initializer_list<IIEValue> arguments) {
    IFunctionCall call = TFunctionCall::Create(&reasoner, name);
    for (const IIEValue& argument : arguments) call->AddArgument(argument);
    return call;
  }
  // A call of "nothing", which resolves to no value.
  IIEValue Nothing() { return TIEValue::MakeFunCall(IFunCall(Call("nothing", {}))); }

  TFakeReasoner reasoner;
};

TEST_F(FunctionKitTest, DescribedAndNamedByItsDeclaration) {
  TProbeFunction probe;
  EXPECT_EQ(probe.ClassName(), "TProbeFunction");
  EXPECT_EQ(probe.FunctionName(), "probe");
  EXPECT_EQ(probe.MinArgumentCount(), 1);
  EXPECT_EQ(probe.MaxArgumentCount(), 2);
  EXPECT_EQ(probe.Comment(), "Counts its runs.\r\n     syntax: (probe <x> [<y>])");
}

TEST_F(FunctionKitTest, CountIsCheckedBeforeTheFunctionRuns) {
  IUserFunction probe = MakeRef<TProbeFunction>();
  IIEValue result = TIEValue::MakeInteger(9);
  IIEValue one = TIEValue::MakeInteger(1);

  EXPECT_EQ(MessageOf<EIEException>([&] { probe->Call(*Call("probe", {}), nullptr, result); }),
            "Too few arguments for probe");
  EXPECT_EQ(MessageOf<EIEException>(
                [&] { probe->Call(*Call("probe", {one, one, one}), nullptr, result); }),
            "Too many arguments for probe");
  EXPECT_EQ(probeRuns, 0) << "a call outside the limits never reaches the function";

  probe->Call(*Call("probe", {one}), nullptr, result);
  EXPECT_EQ(probeRuns, 1);
  EXPECT_TRUE(resultWasNone) << "the function starts from no result";
  ASSERT_TRUE(result);
  EXPECT_EQ(result->AsInteger(), 2);

  // Evaluating a call goes through the same check.
  reasoner.AddFunction(probe);
  EXPECT_EQ(MessageOf<EIEException>([&] { Call("probe", {})->Evaluate(nullptr); }),
            "Too few arguments for probe");
  EXPECT_EQ(probeRuns, 1);
}

TEST_F(FunctionKitTest, ReadersRaiseTheGettersMessages) {
  IFunctionCall call = Call("probe", {TIEValue::MakeAtom("a"), Nothing(),
                                      TIEValue::MakeInteger(3), TIEValue::MakeString("s")});
  EXPECT_EQ(MessageOf<EIEException>([&] { NumericArgument(*call, 0, nullptr); }),
            "Not a numeric.  Value Type is dtAtom");
  EXPECT_EQ(MessageOf<EIEException>([&] { IntegerArgument(*call, 0, nullptr); }),
            "Not a integer.  Value Type is dtAtom");

  EXPECT_FALSE(ResolveArgument(*call, 1, nullptr)) << "the nested call yields nothing";
  EXPECT_EQ(MessageOf<EIEException>([&] { NumericArgument(*call, 1, nullptr); }),
            "Not a numeric.  Value Type is dtNone");
  EXPECT_EQ(MessageOf<EIEException>([&] { IntegerArgument(*call, 1, nullptr); }),
            "Not a integer.  Value Type is dtNone");
  EXPECT_EQ(MessageOf<EIEException>([&] { TextArgument(*call, 1, nullptr); }),
            "Not a string.  Value Type is dtNone");
  EXPECT_EQ(MessageOf<EIEException>([&] { ListArgument(*call, 1, nullptr); }),
            "Not a list.  Value Type is dtNone");

  EXPECT_EQ(NumericArgument(*call, 2, nullptr), 3.0);
  EXPECT_EQ(IntegerArgument(*call, 2, nullptr), 3);
  EXPECT_EQ(TextArgument(*call, 2, nullptr), "3");
  EXPECT_EQ(TextArgument(*call, 3, nullptr), "s");
  EXPECT_EQ(MessageOf<EIEException>([&] { RaiseNotA(SFactWord, dtNone); }),
            "Not a fact.  Value Type is dtNone");
}

}  // namespace
