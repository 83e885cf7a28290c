// Packages and host-function components: registrations kept exact on both
// sides, engines destroyed first, the function-table stream, TUserFunction.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Component.h"
#include "core/ComponentStream.h"
#include "core/Exceptions.h"
#include "functions/IEFunctionCall.h"
#include "functions/IEPackageComponents.h"
#include "support/ExceptionText.h"
#include "support/FakeReasoner.h"

namespace {

// An engine component with a plain registry. Its IReasoner part goes before
// its component part, so its components hear of its end with the link
// already reading none.
class TFakeEngine : public TComponent, public TFakeReasoner {
 public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TFakeEngine"; }
};

// An engine that starts its destruction in its own destructor, so the
// components linked to it are told while it is still whole.
class TWholeFakeEngine : public TFakeEngine {
 public:
  using TFakeEngine::TFakeEngine;
  ~TWholeFakeEngine() override {
    Destroying();
    registryAtEnd = registry.size();
  }
  static inline size_t registryAtEnd = 99;
};

class TFakeForm : public TComponent {
 public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TFakeForm"; }
};

class TAlphaFunction : public TIEUserFunction {
 public:
  TAlphaFunction() {
    SetFunctionName("alpha");
    SetHelp("First letter", "alpha <expression>");
    SetMinArgumentCount(1);
  }
  std::string ClassName() const override { return "TAlphaFunction"; }
};

class TBetaFunction : public TIEUserFunction {
 public:
  TBetaFunction() {
    SetFunctionName("beta");
    SetMaxArgumentCount(2);
  }
  std::string ClassName() const override { return "TBetaFunction"; }
};

// A built-in style package: its CreateFunctions adds one of each class.
class TLetterPackage : public TUserPackage {
 public:
  explicit TLetterPackage(TComponent* owner = nullptr) : TUserPackage(owner) { CreateFunctions(); }
  std::string ClassName() const override { return "TLetterPackage"; }
  void CreateFunctions() override {
    TUserPackage::CreateFunctions();
    CreateFunction<TAlphaFunction>();
    CreateFunction<TBetaFunction>();
  }
};

const TComponentClassRegistrar<TFakeEngine> fakeEngineClass("TFakeEngine");
const TComponentClassRegistrar<TFakeForm> fakeFormClass("TFakeForm");
const TComponentClassRegistrar<TLetterPackage> letterPackageClass("TLetterPackage");
const TFunctionClassRegistrar<TAlphaFunction> alphaClass("TAlphaFunction");
const TFunctionClassRegistrar<TBetaFunction> betaClass("TBetaFunction");

IFunctionCall CallWith(std::string_view name, int arguments) {
  IFunctionCall call = TFunctionCall::Create(nullptr, name);
  for (int i = 0; i < arguments; ++i) call->AddArgument(i, dtInteger);
  return call;
}

using Names = std::vector<std::string>;

// ---------------------------------------------------------------- packages

TEST(UserPackage, OwnedByEngineServesItFromTheStart) {
  TFakeEngine engine;
  auto* package = new TLetterPackage(&engine);
  EXPECT_EQ(package->Reasoners().Count(), 1);
  EXPECT_EQ(package->Engine(), nullptr) << "serving an engine is not being bound to it";
  ASSERT_EQ(package->Functions().Count(), 2) << "the repeated CreateFunctions adds nothing twice";
  EXPECT_EQ(package->Functions().Text(), "alpha\r\nbeta\r\n");
  EXPECT_EQ(engine.Names(), (Names{"alpha", "beta"}));
  EXPECT_EQ(engine.registry["alpha"], package->Functions()[0]);

  // The engine frees the package: the registry is left empty.
  engine.RemoveComponent(package).reset();
  EXPECT_TRUE(engine.registry.empty());
}

TEST(UserPackage, EnginesAddedAndRemovedKeepRegistriesExact) {
  TFakeEngine first, second;
  TLetterPackage package;
  package.Reasoners().AddReasoner(first);
  package.SetEngine(&second);
  EXPECT_EQ(package.Reasoners().Count(), 2);
  EXPECT_EQ(first.Names(), (Names{"alpha", "beta"}));
  EXPECT_EQ(second.Names(), (Names{"alpha", "beta"}));
  EXPECT_EQ(package.Functions()[0]->Reasoners().Count(), 2);

  // A function added later reaches both; one removed leaves both.
  auto extra = MakeRef<TEchoFunction>("extra");
  package.Functions().Add(extra);
  EXPECT_EQ(first.registry["extra"], IUserFunction(extra));
  EXPECT_EQ(second.registry["extra"], IUserFunction(extra));
  package.Functions().Add(extra);  // listed twice: one removal keeps it served
  package.Functions().Remove(extra);
  EXPECT_EQ(first.registry["extra"], IUserFunction(extra));
  package.Functions().Remove(extra);
  EXPECT_EQ(first.Names(), (Names{"alpha", "beta"}));
  EXPECT_EQ(second.Names(), (Names{"alpha", "beta"}));
  EXPECT_EQ(extra->Reasoners().Count(), 0);

  // Renaming a served function moves it in every registry.
  package.Functions()[1]->SetFunctionName("gamma");
  EXPECT_EQ(first.Names(), (Names{"alpha", "gamma"}));
  EXPECT_EQ(second.Names(), (Names{"alpha", "gamma"}));

  // Removing the package's own engine unregisters everything there and
  // clears Engine; the other engine keeps its registrations.
  package.Reasoners().RemoveReasoner(second);
  EXPECT_EQ(package.Engine(), nullptr);
  EXPECT_TRUE(second.registry.empty());
  EXPECT_EQ(first.Names(), (Names{"alpha", "gamma"}));

  package.Reasoners().Clear();
  EXPECT_TRUE(first.registry.empty());
  EXPECT_EQ(package.Functions()[0]->Reasoners().Count(), 0);
}

TEST(UserPackage, SettingEngineSwapsServedEngine) {
  TFakeEngine a, b;
  TComponent plain;
  TUserPackage package;
  package.Functions().Add(MakeRef<TEchoFunction>("f"));
  package.SetEngine(&a);
  package.SetEngine(&b);
  EXPECT_EQ(package.Engine(), &b);
  EXPECT_TRUE(a.registry.empty());
  EXPECT_EQ(b.Names(), Names{"f"});
  EXPECT_EQ(package.Reasoners().Count(), 1);

  package.Reasoners().AddReasoner(a);
  package.SetEngine(&a);  // already served: not listed twice
  EXPECT_EQ(package.Reasoners().Count(), 1);
  EXPECT_TRUE(b.registry.empty());

  EXPECT_THROW(package.SetEngine(&plain), EInvalidCast);
  EXPECT_EQ(package.Engine(), &a);
  package.SetEngine(nullptr);
  EXPECT_TRUE(a.registry.empty());
  EXPECT_TRUE(package.Reasoners().IsEmpty());
}

TEST(UserPackage, DestroyedEnginesLeaveThePackage) {
  TUserPackage package;
  auto function = MakeRef<TEchoFunction>("f");
  package.Functions().Add(function);
  auto engine = std::make_unique<TFakeEngine>();
  auto other = std::make_unique<TFakeEngine>();
  TFakeEngine survivor;
  package.SetEngine(engine.get());
  package.Reasoners().AddReasoner(*other);
  package.Reasoners().AddReasoner(survivor);
  EXPECT_EQ(function->Reasoners().Count(), 3);

  engine.reset();
  EXPECT_EQ(package.Engine(), nullptr);
  other.reset();
  EXPECT_EQ(package.Reasoners().Count(), 1);
  EXPECT_EQ(function->Reasoners().Count(), 1) << "the function forgets them too";
  EXPECT_EQ(survivor.Names(), Names{"f"});

  // An engine told while still whole sees its registry emptied.
  auto whole = std::make_unique<TWholeFakeEngine>();
  package.SetEngine(whole.get());
  EXPECT_EQ(whole->Names(), Names{"f"});
  whole.reset();
  EXPECT_EQ(TWholeFakeEngine::registryAtEnd, 0u);
  EXPECT_EQ(package.Engine(), nullptr);
  EXPECT_EQ(function->Reasoners().Count(), 1);
}

TEST(UserPackage, DestroyingPackageUnregistersEverything) {
  TFakeEngine engine;
  auto shared = MakeRef<TEchoFunction>("shared");
  {
    TUserPackage package;
    package.SetEngine(&engine);
    package.Functions().Add(shared);
    EXPECT_EQ(engine.Names(), Names{"shared"});
  }
  EXPECT_TRUE(engine.registry.empty());
  EXPECT_EQ(shared->Reasoners().Count(), 0);
}

TEST(UserPackage, ResetAndCreateFunctionsEvent) {
  TFakeEngine engine;
  TLetterPackage package(&engine);
  std::vector<TObject*> senders;
  package.OnCreateFunctions = [&](TObject* sender) { senders.push_back(sender); };
  package.Functions().Clear();
  package.Functions().Add(MakeRef<TEchoFunction>("stray"));
  EXPECT_EQ(engine.Names(), Names{"stray"});
  EXPECT_FALSE(package.Reset());

  package.SetReset(true);
  EXPECT_EQ(senders, std::vector<TObject*>{&package});
  EXPECT_EQ(package.Functions().Text(), "alpha\r\nbeta\r\n");
  EXPECT_EQ(engine.Names(), (Names{"alpha", "beta"}));
  EXPECT_FALSE(package.Reset());
}

TEST(UserPackage, AssignSharesFunctionObjects) {
  TFakeEngine engine;
  TLetterPackage source;
  TUserPackage copy;
  copy.SetEngine(&engine);
  copy.Assign(&source);
  ASSERT_EQ(copy.Functions().Count(), 2);
  EXPECT_EQ(copy.Functions()[0], source.Functions()[0]);
  EXPECT_EQ(engine.Names(), (Names{"alpha", "beta"}));
  TPersistent other;
  EXPECT_THROW(copy.Assign(&other), EConvertError);
}

// ---------------------------------------------------------------- stream

TEST(PackageFunctions, EntryFormReadsBackEveryByte) {
  TFunctionData data;
  data.WriteString("na:me");
  data.WriteString(std::string("it's\r\nS3:\0x", 12));
  data.WriteInteger(-5);
  data.WriteInteger(2147483647);
  std::string entry = EncodeFunctionEntry("TSome", data);
  TFunctionData back;
  EXPECT_EQ(DecodeFunctionEntry(entry, back), "TSome");
  EXPECT_EQ(back.Items(), data.Items());

  for (const char* damaged : {"", "S9:TSome", "I4;", "S5:TSomeI4", "S5:TSomeX", "S-1:"}) {
    TFunctionData ignored;
    EXPECT_THROW(DecodeFunctionEntry(damaged, ignored), EReadError) << damaged;
  }
}

TEST(PackageFunctions, TextStreamRestoresClassesNamesHelpAndLimits) {
  TFakeForm form;
  form.SetName("Form1");
  auto* engine = new TFakeEngine(&form);
  engine->SetName("Engine1");
  auto* package = new TLetterPackage(&form);
  package->SetName("Letters");
  package->SetEngine(engine);
  auto plain = MakeRef<TIEUserFunction>();
  plain->SetFunctionName("plain");
  plain->SetComment("two\r\nlines, 'quoted'");
  plain->SetMaxArgumentCount(7);
  plain->SetMinArgumentCount(3);
  package->Functions().Insert(0, plain);
  package->Functions()[2]->SetMaxArgumentCount(0);  // beta: no arguments at all
  std::vector<std::string> written = package->PackageFunctions();

  std::string text = ComponentToText(form);
  EXPECT_NE(text.find("    Engine = 'Engine1'\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("    PackageFunctions = ("), std::string::npos) << text;
  EXPECT_EQ(text.find("Reset"), std::string::npos);

  std::unique_ptr<TComponent> read = TextToComponent(text);
  auto* readPackage = dynamic_cast<TLetterPackage*>(read->FindComponent("Letters"));
  auto* readEngine = dynamic_cast<TFakeEngine*>(read->FindComponent("Engine1"));
  ASSERT_NE(readPackage, nullptr);
  ASSERT_NE(readEngine, nullptr);
  EXPECT_EQ(readPackage->Engine(), readEngine) << "the engine named in the stream";
  EXPECT_EQ(readPackage->PackageFunctions(), written);

  const TUserFunctionList& functions = readPackage->Functions();
  ASSERT_EQ(functions.Count(), 3);
  EXPECT_EQ(functions[0]->ClassName(), "TIEUserFunction");
  EXPECT_EQ(functions[1]->ClassName(), "TAlphaFunction");
  EXPECT_EQ(functions[2]->ClassName(), "TBetaFunction");
  EXPECT_EQ(functions[0]->Comment(), "two\r\nlines, 'quoted'");
  EXPECT_EQ(functions[0]->MinArgumentCount(), 3);
  EXPECT_EQ(functions[0]->MaxArgumentCount(), 7);
  EXPECT_EQ(functions[1]->Comment(), "First letter\r\n     syntax: (alpha <expression>)");
  EXPECT_EQ(functions[1]->MaxArgumentCount(), UnlimitedArguments);
  EXPECT_EQ(functions[2]->MaxArgumentCount(), 0) << "read values override the constructor's";
  EXPECT_NE(functions[1], package->Functions()[1]) << "made again, not shared";
  EXPECT_EQ(readEngine->Names(), (Names{"alpha", "beta", "plain"}));
  EXPECT_EQ(readEngine->registry["plain"], functions[0]);
}

TEST(PackageFunctions, BadTablesLeaveFunctionsAsTheyWere) {
  TFakeEngine engine;
  TLetterPackage package(&engine);
  TFunctionData data;
  data.WriteString("x");
  data.WriteString("");
  data.WriteInteger(1);
  data.WriteInteger(0);
  std::string unknown = EncodeFunctionEntry("TNoSuchFunction", data);
  std::string good = EncodeFunctionEntry("TIEUserFunction", data);

  EXPECT_EQ(MessageOf<Exception>([&] { package.SetPackageFunctions({good, unknown}); }),
            "Class TNoSuchFunction not found");
  EXPECT_THROW(package.SetPackageFunctions({good, "S3:abc#"}), EReadError);
  EXPECT_EQ(package.Functions().Text(), "alpha\r\nbeta\r\n");

  // An entry naming a host-function component class is no function: skipped.
  std::string component = EncodeFunctionEntry("TUserFunction", data);
  package.SetPackageFunctions({component, good});
  EXPECT_EQ(package.Functions().Text(), "x\r\n");
  EXPECT_EQ(engine.Names(), Names{"x"});

  package.SetPackageFunctions({});
  EXPECT_TRUE(engine.registry.empty());
}

// ---------------------------------------------------------------- host functions

TEST(UserFunctionComponent, CallsItsHandler) {
  TUserFunction component;
  component.SetName("double_it");
  EXPECT_EQ(component.FunctionName(), "double_it") << "named after the component";
  component.SetName("twice");
  EXPECT_EQ(component.FunctionName(), "twice") << "still following the component name";
  component.SetFunctionName("double");
  component.SetName("other");
  EXPECT_EQ(component.FunctionName(), "double");

  IUserFunction function = component.Function();
  IIEValue result = TIEValue::MakeInteger(1);
  auto call = CallWith("double", 1);
  function->Call(*call, nullptr, result);
  EXPECT_FALSE(result) << "no handler: no value";

  TObject* sender = nullptr;
  component.OnCall = [&](TObject* s, TFunctionCall& funCall, TIEContext* context, IIEValue& r) {
    sender = s;
    EXPECT_FALSE(r);
    r = TIEValue::MakeInteger(funCall.GetArgument(0)->Resolve(context)->AsInteger() * 2);
  };
  auto seven = TFunctionCall::Create(nullptr, "double");
  seven->AddArgument(7, dtInteger);
  function->Call(*seven, nullptr, result);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->AsInteger(), 14);
  EXPECT_EQ(sender, &component);

  component.SetMaxArgumentCount(1);
  auto two = CallWith("double", 2);
  EXPECT_EQ(MessageOf<Exception>([&] { function->Call(*two, nullptr, result); }),
            "Too many arguments for double");
}

TEST(UserFunctionComponent, GoneComponentLeavesAnUnassignedFunction) {
  TFakeEngine engine;
  TUserPackage package;
  package.SetEngine(&engine);
  IUserFunction function;
  {
    TUserFunction component;
    component.SetFunctionName("host");
    component.OnCall = [](TObject*, TFunctionCall&, TIEContext*, IIEValue& r) {
      r = TIEValue::MakeInteger(1);
    };
    function = component.Function();
    package.Functions().Add(function);
    EXPECT_EQ(engine.registry["host"], function);
    EXPECT_TRUE(package.PackageFunctions().empty()) << "host functions are not in the table";
  }
  IIEValue result;
  auto call = CallWith("host", 0);
  EXPECT_EQ(MessageOf<Exception>([&] { function->Call(*call, nullptr, result); }),
            "Function is unimplemented or unassigned: host");
  EXPECT_EQ(engine.registry["host"], function) << "still served through the package";
}

TEST(UserFunctionComponent, EngineRegistrationFollowsNameAndLifetime) {
  auto engine = std::make_unique<TFakeEngine>();
  TFakeEngine next;
  TUserFunction component;
  component.SetEngine(engine.get());
  EXPECT_TRUE(engine->registry.empty()) << "an unnamed function is registered nowhere";
  component.SetFunctionName("f");
  EXPECT_EQ(engine->Names(), Names{"f"});
  component.SetFunctionName("g");
  EXPECT_EQ(engine->Names(), Names{"g"});

  component.SetEngine(&next);
  EXPECT_TRUE(engine->registry.empty());
  EXPECT_EQ(next.Names(), Names{"g"});
  component.SetEngine(engine.get());
  engine.reset();
  EXPECT_EQ(component.Engine(), nullptr);
  EXPECT_EQ(component.Function()->Reasoners().Count(), 0);

  TComponent plain;
  EXPECT_THROW(component.SetEngine(&plain), EInvalidCast);

  {
    TUserFunction goneFirst;
    goneFirst.SetFunctionName("h");
    goneFirst.SetEngine(&next);
    EXPECT_EQ(next.Names(), (Names{"h"}));
  }
  EXPECT_TRUE(next.registry.empty()) << "destroying the component leaves its engine";
}

TEST(UserFunctionComponent, AssignAndStream) {
  TFakeForm form;
  auto* engine = new TFakeEngine(&form);
  engine->SetName("Engine1");
  auto* component = new TUserFunction(&form);
  component->SetName("Host1");
  component->SetFunctionName("host-fn");
  component->SetComment("Host\r\nfunction");
  component->SetMinArgumentCount(2);
  component->SetMaxArgumentCount(5);
  component->SetEngine(engine);

  TUserFunction copy;
  copy.SetMinArgumentCount(9);
  copy.Assign(component);
  EXPECT_EQ(copy.FunctionName(), "host-fn");
  EXPECT_EQ(copy.Comment(), "Host\r\nfunction");
  EXPECT_EQ(copy.MinArgumentCount(), 2);
  EXPECT_EQ(copy.MaxArgumentCount(), 5);
  EXPECT_EQ(copy.Engine(), nullptr) << "the engine is not copied";

  std::unique_ptr<TComponent> read = TextToComponent(ComponentToText(form));
  auto* readComponent = dynamic_cast<TUserFunction*>(read->FindComponent("Host1"));
  auto* readEngine = dynamic_cast<TFakeEngine*>(read->FindComponent("Engine1"));
  ASSERT_NE(readComponent, nullptr);
  ASSERT_NE(readEngine, nullptr);
  EXPECT_EQ(readComponent->FunctionName(), "host-fn");
  EXPECT_EQ(readComponent->Comment(), "Host\r\nfunction");
  EXPECT_EQ(readComponent->MinArgumentCount(), 2);
  EXPECT_EQ(readComponent->MaxArgumentCount(), 5);
  EXPECT_EQ(readComponent->Engine(), readEngine);
  EXPECT_EQ(readEngine->registry["host-fn"], readComponent->Function());
}

}  // namespace
