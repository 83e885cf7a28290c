#include <gtest/gtest.h>

#include <functional>

#include "core/Exceptions.h"
#include "functions/IEFunctionCall.h"
#include "support/ExceptionText.h"
#include "support/FakeReasoner.h"
#include "values/IEContext.h"

namespace {

TEST(FunctionCall, AddArgumentOverloads) {
  IFunctionCall call = TFunctionCall::Create(nullptr, "f");
  EXPECT_EQ(call->AddArgument(-2.7, dtInteger), 0);
  EXPECT_EQ(call->AddArgument(2.5, dtFloat), 1);
  EXPECT_EQ(call->AddArgument(7, dtFloat), 2);
  EXPECT_EQ(call->AddArgument("x", dtVariable), 3);
  EXPECT_EQ(call->AddArgument("s", dtString), 4);
  call->AddArgument(TFunctionCall::Create(nullptr, "g"));
  call->AddArgument(IValueVector(new TValueVector()));

  EXPECT_EQ(call->ArgumentCount(), 7);
  EXPECT_EQ(call->GetArgument(0)->DType(), dtInteger);
  EXPECT_EQ(call->GetArgument(0)->AsInteger(), -2) << "truncated toward zero";
  EXPECT_EQ(call->GetArgument(1)->AsFloat(), 2.5);
  EXPECT_EQ(call->GetArgument(2)->DType(), dtFloat);
  EXPECT_EQ(call->GetArgument(3)->DType(), dtVariable);
  EXPECT_EQ(call->GetArgument(3)->AsString(), "x");
  EXPECT_EQ(call->GetArgument(4)->DType(), dtString);
  EXPECT_EQ(call->GetArgument(5)->DType(), dtFunCall);
  EXPECT_EQ(call->GetArgument(6)->DType(), dtList);

  EXPECT_EQ(MessageOf<Exception>([&] { call->AddArgument(1.0, dtAtom); }),
            "Not a Float type.  Value Type is dtAtom");
  EXPECT_EQ(MessageOf<Exception>([&] { call->AddArgument(1, dtString); }),
            "Not a Integer type.  Value Type is dtString");
  EXPECT_EQ(MessageOf<Exception>([&] { call->AddArgument("1", dtInteger); }),
            "Not a String type.  Value Type is dtInteger");
  EXPECT_EQ(call->ArgumentCount(), 7) << "refused arguments are not added";
}

TEST(FunctionCall, ArgumentPositions) {
  IFunctionCall call = TFunctionCall::Create(nullptr, "f");
  call->AddArgument(1, dtInteger);
  call->AddArgument(2, dtInteger);
  call->SetArgument(1, TIEValue::MakeAtom("b"));
  EXPECT_EQ(call->GetArgument(1)->AsString(), "b");
  EXPECT_EQ(MessageOf<Exception>([&] { call->GetArgument(2); }), "List index out of bounds (2)");
  EXPECT_THROW(call->SetArgument(-1, nullptr), EListError);
  call->DeleteArgument(0);
  EXPECT_EQ(call->ArgumentCount(), 1);
  EXPECT_EQ(call->GetArgument(0)->AsString(), "b");
}

TEST(FunctionCall, SetFunctionCopiesTheName) {
  IFunctionCall call = TFunctionCall::Create(nullptr, "alias");
  call->SetFunction(MakeRef<TEchoFunction>("echo"));
  EXPECT_EQ(call->FunctionName(), "echo");
  call->SetFunction(nullptr);
  EXPECT_EQ(call->FunctionName(), "");
}

TEST(FunctionCall, BindsOnFirstEvaluationOnly) {
  TFakeReasoner engine;
  auto first = MakeRef<TEchoFunction>("echo");
  engine.AddFunction(first);
  IFunctionCall call = TFunctionCall::Create(&engine, "echo");
  call->AddArgument(5, dtInteger);

  EXPECT_EQ(call->Evaluate(nullptr)->AsInteger(), 5);
  EXPECT_EQ(call->Evaluate(nullptr)->AsInteger(), 5);
  EXPECT_EQ(engine.existsCalls, 1);
  EXPECT_EQ(engine.getCalls, 1);
  EXPECT_EQ(first->calls, 2);

  // A function registered later under the same name does not replace the bound one.
  auto second = MakeRef<TEchoFunction>("echo");
  engine.AddFunction(second);
  call->Evaluate(nullptr);
  EXPECT_EQ(first->calls, 3);
  EXPECT_EQ(second->calls, 0);

  // Unbinding makes the next evaluation look the name up again.
  call->UnbindFunction(false);
  EXPECT_EQ(call->FunctionName(), "echo");
  call->Evaluate(nullptr);
  EXPECT_EQ(second->calls, 1);
}

TEST(FunctionCall, UnknownNamesAreUnimplemented) {
  TFakeReasoner engine;
  IFunctionCall call = TFunctionCall::Create(&engine, "nosuch");
  EXPECT_EQ(MessageOf<Exception>([&] { call->Evaluate(nullptr); }),
            "Function is unimplemented or unassigned: nosuch");
  IFunctionCall orphan = TFunctionCall::Create(nullptr, "lonely");
  EXPECT_EQ(MessageOf<Exception>([&] { orphan->Evaluate(nullptr); }),
            "Function is unimplemented or unassigned: lonely");
}

TEST(FunctionCall, ArgumentsReachTheFunctionUnevaluated) {
  TIEContext context;
  context.AddBinding("x", TIEValue::MakeInteger(42));
  IFunctionCall quoted = TFunctionCall::Create(nullptr, "quote");
  quoted->SetFunction(MakeRef<TQuoteFunction>());
  quoted->AddArgument("x", dtVariable);
  EXPECT_EQ(quoted->Evaluate(&context)->DType(), dtVariable);

  // A nested call evaluates when its function resolves it.
  IFunctionCall outer = TFunctionCall::Create(nullptr, "echo");
  outer->SetFunction(MakeRef<TEchoFunction>());
  IFunctionCall inner = TFunctionCall::Create(nullptr, "echo");
  inner->SetFunction(MakeRef<TEchoFunction>());
  inner->AddArgument("x", dtVariable);
  outer->AddArgument(inner);
  EXPECT_EQ(outer->Evaluate(&context)->AsInteger(), 42);
}

TEST(FunctionCall, ExecuteWrapsErrors) {
  IFunctionCall call = TFunctionCall::Create(nullptr, "fail");
  IIEValue result;
  EXPECT_EQ(MessageOf<Exception>([&] { call->Execute(nullptr, result); }),
            "Function is unimplemented or unassigned: fail");
  call->SetFunction(MakeRef<TFailFunction>());
  try {
    call->Execute(nullptr, result);
    FAIL() << "no exception";
  } catch (const EIEException& e) {
    EXPECT_EQ(e.Message(), "fail error: boom");
  }
  // Evaluate passes the function's own error through.
  EXPECT_THROW(call->Evaluate(nullptr), EConvertError);
}

TEST(FunctionCall, EqualityAndHash) {
  auto make = [](int second) {
    IFunctionCall call = TFunctionCall::Create(nullptr, "f");
    call->AddArgument("a", dtAtom);
    call->AddArgument(second, dtInteger);
    return call;
  };
  IFunctionCall a = make(2), b = make(2), c = make(3);
  EXPECT_TRUE(a->IsEqual(b.get()));
  EXPECT_EQ(a->HashCode(), b->HashCode());
  EXPECT_FALSE(a->IsEqual(c.get()));
  EXPECT_EQ(int32_t(TIEText::HashOf("f") + TIEText::HashOf("a") + 2u), a->HashCode());

  IFunctionCall renamed = TFunctionCall::Create(nullptr, "F");
  renamed->AddArgument("a", dtAtom);
  renamed->AddArgument(2, dtInteger);
  EXPECT_FALSE(a->IsEqual(renamed.get())) << "names compare case-sensitively";
  b->AddArgument(1, dtInteger);
  EXPECT_FALSE(a->IsEqual(b.get()));
  EXPECT_FALSE(a->IsEqual(TIEValue::MakeAtom("f").get()));
}

TEST(FunctionCall, CloneIsDeepAndUnbound) {
  TFakeReasoner engine;
  IFunctionCall call = TFunctionCall::Create(&engine, "f");
  call->SetTag(7);
  call->SetFunction(MakeRef<TEchoFunction>("f"));
  IFunctionCall inner = TFunctionCall::Create(&engine, "g");
  inner->AddArgument(1, dtInteger);
  call->AddArgument(inner);

  IFunctionCall copy = call->Clone();
  EXPECT_TRUE(copy->IsEqual(call.get()));
  EXPECT_EQ(copy->Tag(), 7);
  EXPECT_EQ(copy->Engine(), &engine);
  EXPECT_FALSE(copy->GetFunction());
  EXPECT_NE(copy->GetArgument(0).get(), call->GetArgument(0).get());
  EXPECT_NE(copy->GetArgument(0)->AsFunCall().get(), inner.get());

  // Changing the original's nested call leaves the copy alone.
  inner->AddArgument(2, dtInteger);
  EXPECT_FALSE(copy->IsEqual(call.get()));

  EXPECT_THROW(copy->Assign(*TIEValue::MakeAtom("x")), EInvalidCast);
}

TEST(FunctionCall, Text) {
  IFunctionCall call = TFunctionCall::Create(nullptr, "f");
  EXPECT_EQ(call->AsText(), "(f)");
  call->AddArgument(1, dtInteger);
  call->AddArgument("s", dtString);
  call->AddArgument("v", dtVariable);
  IFunctionCall inner = TFunctionCall::Create(nullptr, "g");
  inner->AddArgument("a", dtAtom);
  call->AddArgument(inner);
  EXPECT_EQ(call->AsText(), "(f 1 \"s\" ?v (g a))");

  TFakeReasoner engine;
  IFunctionCall printed = TFunctionCall::Create(&engine, "h");
  EXPECT_EQ(printed->AsText(), "<call h>") << "an engine prints through its printer";
  EXPECT_EQ(printed->PlainText(), "(h)");
}

}  // namespace
