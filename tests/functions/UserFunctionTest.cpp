#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "core/Exceptions.h"
#include "functions/IEFunctionCall.h"
#include "functions/IEPackages.h"
#include "support/ExceptionText.h"
#include "support/FakeReasoner.h"

namespace {

IFunctionCall CallWith(std::string_view name, int arguments) {
  IFunctionCall call = TFunctionCall::Create(nullptr, name);
  for (int i = 0; i < arguments; ++i) call->AddArgument(i, dtInteger);
  return call;
}

TEST(UserFunction, DefaultsAndLimitCoupling) {
  TRef<TIEUserFunction> f = MakeRef<TIEUserFunction>();
  EXPECT_EQ(f->MinArgumentCount(), 0);
  EXPECT_EQ(f->MaxArgumentCount(), 2147483647);

  f->SetMinArgumentCount(3);
  f->SetMaxArgumentCount(1);  // below the minimum: the minimum follows
  EXPECT_EQ(f->MinArgumentCount(), 1);
  EXPECT_EQ(f->MaxArgumentCount(), 1);

  f->SetMinArgumentCount(5);  // above the maximum: the maximum follows
  EXPECT_EQ(f->MinArgumentCount(), 5);
  EXPECT_EQ(f->MaxArgumentCount(), 5);
}

TEST(UserFunction, ArgumentCountCheck) {
  TRef<TIEUserFunction> f = MakeRef<TIEUserFunction>();
  f->SetFunctionName("f");
  f->SetMinArgumentCount(1);
  IIEValue result = TIEValue::MakeInteger(9);

  auto none = CallWith("f", 0);
  EXPECT_EQ(MessageOf<Exception>([&] { f->Call(*none, nullptr, result); }), "Too few arguments for f");
  auto many = CallWith("f", 1000);
  f->Call(*many, nullptr, result);  // unlimited maximum
  EXPECT_FALSE(result) << "the base call yields none";

  f->SetMaxArgumentCount(2);
  auto three = CallWith("f", 3);
  EXPECT_EQ(MessageOf<Exception>([&] { f->Call(*three, nullptr, result); }), "Too many arguments for f");
  auto two = CallWith("f", 2);
  EXPECT_NO_THROW(f->Call(*two, nullptr, result));
}

TEST(UserFunction, ReasonersListKeepsRegistriesInStep) {
  TFakeReasoner a, b;
  auto f = MakeRef<TEchoFunction>("f");
  EXPECT_EQ(f->Reasoners().AddReasoner(a), 0);
  EXPECT_EQ(f->Reasoners().AddReasoner(b), 1);
  EXPECT_EQ(f->Reasoners().AddReasoner(a), 0) << "no duplicates";
  EXPECT_EQ(f->Reasoners().Count(), 2);
  EXPECT_EQ(a.registry["f"], IUserFunction(f));
  EXPECT_EQ(b.registry["f"], IUserFunction(f));

  EXPECT_EQ(f->Reasoners().RemoveReasoner(a), 0);
  EXPECT_TRUE(a.registry.empty());
  EXPECT_EQ(f->Reasoners().RemoveReasoner(a), -1);
  EXPECT_EQ(b.registry.size(), 1u);

  f->Reasoners().AddReasoner(a);
  f->Reasoners().Clear();
  EXPECT_TRUE(a.registry.empty());
  EXPECT_TRUE(b.registry.empty());
}

TEST(UserFunction, RenameFollowsEveryRegistry) {
  TFakeReasoner a, b;
  auto f = MakeRef<TEchoFunction>("old");
  f->Reasoners().AddReasoner(a);
  f->Reasoners().AddReasoner(b);
  f->SetFunctionName("new");
  EXPECT_EQ(a.Names(), std::vector<std::string>{"new"});
  EXPECT_EQ(b.Names(), std::vector<std::string>{"new"});
  EXPECT_EQ(a.registry["new"], IUserFunction(f));
}

TEST(UserFunction, DestroyedEngineStaysHarmless) {
  auto f = MakeRef<TEchoFunction>("f");
  TFakeReasoner survivor;
  {
    auto gone = std::make_unique<TFakeReasoner>();
    f->Reasoners().AddReasoner(*gone);
    f->Reasoners().AddReasoner(survivor);
    gone->registry.clear();  // an engine that dropped its registry and went
  }
  EXPECT_EQ(f->Reasoners().Reasoner(0), nullptr);
  f->SetFunctionName("g");  // skips the dead engine
  EXPECT_EQ(survivor.Names(), std::vector<std::string>{"g"});
  f->Reasoners().Clear();
  EXPECT_TRUE(survivor.registry.empty());
}

TEST(UserFunction, DestroyedWithItsLastHandle) {
  bool destroyed = false;
  TFakeReasoner engine;
  {
    TRef<TIEUserFunction> f(new TTrackedFunction(&destroyed));
    f->Reasoners().AddReasoner(engine);
  }
  EXPECT_FALSE(destroyed) << "the registry still holds it";
  engine.registry.clear();
  EXPECT_TRUE(destroyed);
}

TEST(UserFunction, DataRoundTrip) {
  auto f = MakeRef<TEchoFunction>("f");
  f->SetHelp("Echoes", "f <expression>");
  f->SetMaxArgumentCount(4);
  f->SetMinArgumentCount(2);
  TFunctionData data;
  f->WriteData(data);
  ASSERT_EQ(data.Items().size(), 4u);
  EXPECT_EQ(std::get<std::string>(data.Items()[0]), "f");
  EXPECT_EQ(std::get<std::string>(data.Items()[1]), "Echoes\r\n     syntax: (f <expression>)");
  EXPECT_EQ(std::get<int64_t>(data.Items()[2]), 4);
  EXPECT_EQ(std::get<int64_t>(data.Items()[3]), 2);

  // A function read back takes every value, overriding its own.
  TFakeReasoner engine;
  auto g = MakeRef<TEchoFunction>("g");
  g->Reasoners().AddReasoner(engine);
  g->ReadData(data);
  EXPECT_EQ(g->FunctionName(), "f");
  EXPECT_EQ(g->Comment(), f->Comment());
  EXPECT_EQ(g->MaxArgumentCount(), 4);
  EXPECT_EQ(g->MinArgumentCount(), 2);
  EXPECT_EQ(engine.Names(), std::vector<std::string>{"f"});
  EXPECT_EQ(data.Remaining(), 0u);
  EXPECT_THROW(data.ReadString(), EReadError);

  data.Rewind();
  EXPECT_THROW(data.ReadInteger(), EReadError) << "a string where an integer is due";
}

TEST(UserFunction, AssignCopiesValuesAndRenames) {
  TFakeReasoner engine;
  auto source = MakeRef<TEchoFunction>("source");
  source->SetComment("help");
  source->SetMinArgumentCount(1);
  source->SetMaxArgumentCount(3);
  auto target = MakeRef<TEchoFunction>("target");
  target->Reasoners().AddReasoner(engine);
  target->Assign(source.get());
  EXPECT_EQ(target->Comment(), "help");
  EXPECT_EQ(target->MinArgumentCount(), 1);
  EXPECT_EQ(target->MaxArgumentCount(), 3);
  EXPECT_EQ(engine.Names(), std::vector<std::string>{"source"});
  EXPECT_EQ(source->Reasoners().Count(), 0) << "engines are not copied";

  TPersistent other;
  EXPECT_THROW(target->Assign(&other), EConvertError);
}

TEST(UserFunction, ClassesByName) {
  RegisterFunctionClass<TQuoteFunction>("TQuoteFunction");
  EXPECT_TRUE(IsFunctionClassRegistered("TIEUserFunction"));
  IUserFunction quote = CreateFunctionByClassName("TQuoteFunction");
  EXPECT_EQ(quote->FunctionName(), "quote");
  EXPECT_NE(CreateFunctionByClassName("TQuoteFunction"), quote) << "a new object each time";
  EXPECT_EQ(MessageOf<Exception>([] { CreateFunctionByClassName("TNoSuchFunction"); }),
            "Class TNoSuchFunction not found");
}

}  // namespace
