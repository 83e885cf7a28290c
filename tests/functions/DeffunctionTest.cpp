#include <gtest/gtest.h>

#include <functional>

#include "core/Exceptions.h"
#include "functions/IEDeffunction.h"
#include "functions/IEFunctionCall.h"
#include "support/ExceptionText.h"
#include "support/FakeReasoner.h"
#include "values/IEContext.h"

namespace {

// (return <value>): hands the value over unevaluated, as the language does.
class TReturnFunction : public TIEUserFunction {
 public:
  TReturnFunction() { SetFunctionName("return"); }
  void Run(TFunctionCall& funCall, TIEContext* context, IIEValue&) override {
    context->SetReturnValue(funCall.ArgumentCount() ? funCall.GetArgument(0) : IIEValue());
  }
};

// (when <condition> <action>*): the actions in order until one returns.
class TWhenFunction : public TIEUserFunction {
 public:
  TWhenFunction() { SetFunctionName("when"); }
  void Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) override {
    if (funCall.GetArgument(0)->Resolve(context)->Equals(FalseAtom())) return;
    for (int32_t i = 1; i < funCall.ArgumentCount() && !context->Returned(); ++i)
      result = funCall.GetArgument(i)->Resolve(context);
  }
};

// (list <value>*): a multifield of the resolved arguments.
class TListFunction : public TIEUserFunction {
 public:
  TListFunction() { SetFunctionName("list"); }
  void Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) override {
    IValueVector items(new TValueVector());
    for (int32_t i = 0; i < funCall.ArgumentCount(); ++i)
      items->Add(funCall.GetArgument(i)->Resolve(context));
    result = TIEValue::MakeList(items);
  }
};

class DeffunctionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (IUserFunction f : {IUserFunction(MakeRef<TReturnFunction>()),
                            IUserFunction(MakeRef<TWhenFunction>()),
                            IUserFunction(MakeRef<TListFunction>()), IUserFunction(mark_),
                            IUserFunction(MakeRef<TFailFunction>())})
      engine_.AddFunction(f);
  }

  IFunctionCall Call(std::string_view name) { return TFunctionCall::Create(&engine_, name); }
  TRef<TInterpretedFunction> Define(std::string_view name) {
    auto f = MakeRef<TInterpretedFunction>();
    f->SetFunctionName(name);
    f->Reasoners().AddReasoner(engine_);
    return f;
  }
  std::string Text(const IIEValue& value) { return value ? value->AsText() : "<none>"; }

  TFakeReasoner engine_;
  TRef<TEchoFunction> mark_ = MakeRef<TEchoFunction>("mark");
  TIEContext root_;
};

TEST_F(DeffunctionTest, WildcardTakesTheRest) {
  auto f = Define("f");
  f->AddParameter("a", dtVariable);
  f->AddParameter("rest", dtMultiVariable);
  f->AddAction(TIEValue::MakeVariable("rest"));
  EXPECT_EQ(f->GetMinArgumentCount(), 2);
  EXPECT_EQ(f->GetMaxArgumentCount(), 2147483647);

  auto call = Call("f");
  call->AddArgument(1, dtInteger);
  call->AddArgument(2, dtInteger);
  call->AddArgument("x", dtAtom);
  IIEValue result = call->Evaluate(&root_);
  ASSERT_EQ(result->DType(), dtList);
  EXPECT_EQ(result->AsText(), "2 x");

  auto one = Call("f");
  one->AddArgument(1, dtInteger);
  EXPECT_EQ(MessageOf<Exception>([&] { one->Evaluate(&root_); }), "Too few arguments for f");
}

TEST_F(DeffunctionTest, ReturnFromANestedCallStopsTheBody) {
  auto f = Define("f");
  f->AddParameter("x", dtVariable);
  auto when = Call("when");
  when->AddArgument("TRUE", dtAtom);
  auto ret = Call("return");
  ret->AddArgument("x", dtVariable);  // evaluated in the function's scope
  when->AddArgument(ret);
  f->AddAction(when);
  f->AddAction(Call("mark"));

  auto call = Call("f");
  call->AddArgument("hello", dtString);
  root_.SetReturnValue(TIEValue::MakeAtom("stale"));
  EXPECT_EQ(Text(call->Evaluate(&root_)), "\"hello\"");
  EXPECT_EQ(mark_->calls, 0) << "no action after the return runs";
  EXPECT_FALSE(root_.Returned()) << "the caller's pending return state is cleared";
}

TEST_F(DeffunctionTest, ResultOfLastActionOrNone) {
  auto f = Define("f");
  auto g = Define("g");
  auto first = Call("mark");
  first->AddArgument(1, dtInteger);
  auto last = Call("mark");
  last->AddArgument(2, dtInteger);
  f->AddAction(first);
  f->AddAction(last);
  EXPECT_EQ(Text(Call("f")->Evaluate(&root_)), "2");
  EXPECT_EQ(mark_->calls, 2);
  EXPECT_FALSE(Call("g")->Evaluate(&root_));
}

TEST_F(DeffunctionTest, ParametersBindInOrderInTheirOwnScope) {
  auto f = Define("f");
  f->AddParameter("a", dtVariable);
  f->AddParameter("b", dtVariable);
  auto list = Call("list");
  list->AddArgument("a", dtVariable);
  list->AddArgument("b", dtVariable);
  f->AddAction(list);

  root_.AddBinding("a", TIEValue::MakeInteger(1));
  root_.AddBinding("b", TIEValue::MakeInteger(2));
  auto call = Call("f");
  call->AddArgument("b", dtVariable);
  call->AddArgument("a", dtVariable);
  // a receives the caller's b; b then reads the function's own, new a.
  EXPECT_EQ(Text(call->Evaluate(&root_)), "2 2");
  EXPECT_EQ(root_.GetVariableValue("a")->AsInteger(), 1) << "the caller's bindings stay";
  EXPECT_EQ(root_.Bindings().Count(), 2);
}

TEST_F(DeffunctionTest, SurplusArgumentsAndSymbolParameters) {
  auto f = Define("f");
  f->AddParameter("x", dtVariable);
  f->AddAction(TIEValue::MakeVariable("x"));
  EXPECT_EQ(f->GetMaxArgumentCount(), 1);
  auto call = Call("f");
  for (int i = 1; i <= 3; ++i) call->AddArgument(i, dtInteger);
  EXPECT_EQ(Text(call->Evaluate(&root_)), "1");

  // A bare symbol is bound to nil and takes up its argument's position.
  auto g = Define("g");
  g->AddParameter("sym", dtAtom);
  g->AddParameter("y", dtVariable);
  auto list = Call("list");
  list->AddArgument("sym", dtVariable);
  list->AddArgument("y", dtVariable);
  g->AddAction(list);
  auto callG = Call("g");
  callG->AddArgument(10, dtInteger);
  callG->AddArgument(20, dtInteger);
  IIEValue result = callG->Evaluate(&root_);
  ASSERT_EQ(result->DType(), dtList);
  EXPECT_TRUE(result->ListRef().Get(0)->Equals(NilValue()));
  EXPECT_EQ(result->ListRef().Get(1)->AsInteger(), 20);
}

TEST_F(DeffunctionTest, InvalidParameterType) {
  auto f = MakeRef<TInterpretedFunction>();
  EXPECT_EQ(MessageOf<Exception>([&] { f->AddParameter("n", dtInteger); }),
            "Invalid argument type for deffunction: \"dtInteger\"");
  EXPECT_EQ(f->Parameters()->Count(), 0);
}

TEST_F(DeffunctionTest, ErrorsPassToTheCaller) {
  auto f = Define("f");
  f->AddParameter("x", dtVariable);
  f->AddAction(Call("fail"));
  f->AddAction(Call("mark"));
  auto call = Call("f");
  call->AddArgument(1, dtInteger);
  root_.SetReturnValue(TIEValue::MakeAtom("stale"));
  EXPECT_THROW(call->Evaluate(&root_), EConvertError);
  EXPECT_EQ(mark_->calls, 0);
  EXPECT_FALSE(root_.Returned());
  EXPECT_EQ(root_.Bindings().Count(), 0) << "the function's scope is gone";

  // An argument that does not resolve fails before the body runs.
  auto bad = Call("f");
  bad->AddArgument("unbound", dtVariable);
  EXPECT_EQ(MessageOf<Exception>([&] { bad->Evaluate(&root_); }), "Corrupted Binding, variable not found: unbound");
}

TEST_F(DeffunctionTest, RunsWithoutACallerContext) {
  auto f = Define("f");
  f->AddParameter("x", dtVariable);
  f->AddAction(TIEValue::MakeVariable("x"));
  auto call = Call("f");
  call->AddArgument(3, dtInteger);
  EXPECT_EQ(Text(call->Evaluate(nullptr)), "3");
}

TEST_F(DeffunctionTest, RecursionCycleIsReleasedWhenUnregistered) {
  // (deffunction down (?n) (when ?n (down FALSE)))
  auto f = Define("down");
  f->AddParameter("n", dtVariable);
  auto when = Call("when");
  when->AddArgument("n", dtVariable);
  auto inner = Call("down");
  inner->AddArgument("FALSE", dtAtom);
  when->AddArgument(inner);
  f->AddAction(when);

  auto call = Call("down");
  call->AddArgument("TRUE", dtAtom);
  EXPECT_FALSE(call->Evaluate(&root_));
  EXPECT_TRUE(inner->GetFunction()) << "the recursive call is bound to its own function";
  call = nullptr;

  int32_t before = f->RefCount();
  f->Reasoners().Clear();
  EXPECT_TRUE(engine_.registry.find("down") == engine_.registry.end());
  EXPECT_FALSE(inner->GetFunction());
  EXPECT_EQ(f->RefCount(), before - 2) << "registry and recursive binding both let go";
}

}  // namespace
