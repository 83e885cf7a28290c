// The engine as the registry of user functions: packages owned by an engine,
// engines added to and removed from packages, renames, and a user function
// called through a function call bound by name.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/Exceptions.h"
#include "engine/InferenceEngine.h"
#include "functions/IEFunctionCall.h"
#include "functions/IEPackageComponents.h"
#include "values/IEContext.h"

namespace {

class TTwiceFunction : public TIEUserFunction {
 public:
  TTwiceFunction() {
    SetFunctionName("twice");
    SetHelp("Doubles a number", "twice <number-expression>");
    SetMinArgumentCount(1);
    SetMaxArgumentCount(1);
  }
  std::string ClassName() const override { return "TTwiceFunction"; }
  void Run(TFunctionCall& call, TIEContext* context, IIEValue& result) override {
    result = TIEValue::MakeInteger(2 * call.GetArgument(0)->Resolve(context)->AsInteger());
  }
};

class TTestPackage : public TUserPackage {
 public:
  explicit TTestPackage(TComponent* owner = nullptr) : TUserPackage(owner) { CreateFunctions(); }
  std::string ClassName() const override { return "TTestPackage"; }
  void CreateFunctions() override {
    TUserPackage::CreateFunctions();
    CreateFunction<TTwiceFunction>();
  }
};

std::unique_ptr<TInferenceEngine> NewEngine() {
  auto engine = std::make_unique<TInferenceEngine>();
  engine->SetPackages({});
  return engine;
}

}  // namespace

TEST(EngineFunctions, PackageOwnedByAnEngineRegistersWithIt) {
  auto engine = NewEngine();
  auto* package = new TTestPackage(engine.get());
  ASSERT_TRUE(engine->FunctionExists("twice"));
  EXPECT_EQ(engine->GetFunction("twice").get(), package->Functions().Get(0).get());
  EXPECT_FALSE(engine->FunctionExists("thrice"));
  EXPECT_FALSE(engine->GetFunction("thrice"));
  delete engine->RemoveComponent(package).release();
  EXPECT_FALSE(engine->FunctionExists("twice"));
}

TEST(EngineFunctions, RegistriesFollowEnginesRenamesAndRemovals) {
  auto first = NewEngine();
  auto second = NewEngine();
  TTestPackage package;
  package.Reasoners().AddReasoner(*first);
  package.Reasoners().AddReasoner(*second);
  IUserFunction twice = first->GetFunction("twice");
  ASSERT_TRUE(twice);
  EXPECT_EQ(second->GetFunction("twice"), twice);

  twice->SetFunctionName("double");
  for (auto* engine : {first.get(), second.get()}) {
    EXPECT_FALSE(engine->FunctionExists("twice"));
    EXPECT_EQ(engine->GetFunction("double"), twice);
  }
  IStringIteratorRef names = first->Functions();
  ASSERT_TRUE(names->HasNext());
  EXPECT_EQ(names->Next(), "double");
  EXPECT_FALSE(names->HasNext());

  package.Reasoners().RemoveReasoner(*first);
  EXPECT_FALSE(first->FunctionExists("double"));
  EXPECT_TRUE(second->FunctionExists("double"));

  package.Functions().Remove(twice);
  EXPECT_FALSE(second->FunctionExists("double"));
}

TEST(EngineFunctions, UnregisteringDoesNotDropAnotherFunctionOfTheSameName) {
  auto engine = NewEngine();
  TTestPackage package(engine.get());
  IUserFunction packaged = engine->GetFunction("twice");
  IUserFunction replacement = new TTwiceFunction();
  engine->PutFunction("twice", replacement);
  engine->RemoveFunction(packaged);
  EXPECT_EQ(engine->GetFunction("twice"), replacement);
}

TEST(EngineFunctions, CallsBindByNameOnceAndReportUnknownNames) {
  auto engine = NewEngine();
  TTestPackage package(engine.get());
  IFunctionCall call = TFunctionCall::Create(engine.get(), "twice");
  call->AddArgument(TIEValue::MakeInteger(21));
  EXPECT_EQ(call->Evaluate(&engine->Context())->AsInteger(), 42);
  // Bound: a later change of the registry does not rebind the call.
  engine->RemoveFunction(engine->GetFunction("twice"));
  EXPECT_EQ(call->Evaluate(&engine->Context())->AsInteger(), 42);

  IFunctionCall unknown = TFunctionCall::Create(engine.get(), "nosuch");
  try {
    unknown->Evaluate(&engine->Context());
    FAIL();
  } catch (const EIEException& e) {
    EXPECT_STREQ(e.what(), "Function is unimplemented or unassigned: nosuch");
  }
}

TEST(EngineFunctions, AnEngineDestroyedBeforeItsPackageLeavesThePackageSound) {
  TTestPackage package;
  {
    auto engine = NewEngine();
    package.Reasoners().AddReasoner(*engine);
    EXPECT_TRUE(engine->FunctionExists("twice"));
  }
  package.Functions().Clear();
  EXPECT_EQ(package.Functions().Count(), 0);
}
