#include "engine/InferenceEngine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "core/ClassRegistry.h"
#include "core/ComponentStream.h"
#include "core/Exceptions.h"
#include "values/IEContext.h"

namespace {

std::vector<std::string> PropertyNames(TInferenceEngine& engine) {
  std::vector<TProperty> props;
  engine.Properties(props);
  std::vector<std::string> names;
  for (const auto& p : props) names.push_back(p.Name);
  return names;
}

TEST(InferenceEngineTest, ConstructionValuesAndPropertyOrder) {
  TInferenceEngine engine;
  EXPECT_EQ(engine.DuplicateConstructs(), dcOverwrite);
  EXPECT_EQ(engine.Packages(), TInferenceEngine::ConstructionPackages);
  EXPECT_FALSE(engine.FactDuplication());
  EXPECT_EQ(engine.ParserErrorHandling(), ehRaiseImmediate);
  EXPECT_EQ(engine.ParserMaxErrors(), 10);
  EXPECT_TRUE(engine.ResetGlobals());
  EXPECT_EQ(engine.Strategy(), ssDepthFirst);
  EXPECT_EQ(engine.SymbolIndex(), 0);
  EXPECT_EQ(engine.TypeChecks(), TTypeChecks{tcStatic});
  EXPECT_TRUE(engine.Watch().Empty());
  EXPECT_FALSE(engine.Halted());
  EXPECT_EQ(engine.Context().Engine(), &engine);
  EXPECT_EQ(PropertyNames(engine),
            (std::vector<std::string>{"Name", "DuplicateConstructs", "Packages",
                                      "FactDuplication", "FactTemplates",
                                      "ParserErrorHandling", "ParserMaxErrors", "Rules",
                                      "ResetGlobals", "Strategy", "SymbolIndex",
                                      "TypeChecks", "Watch", "FactsList"}));
}

TEST(InferenceEngineTest, RegisteredByClassName) {
  std::unique_ptr<TComponent> c = CreateComponentByClassName("TInferenceEngine");
  ASSERT_NE(dynamic_cast<TInferenceEngine*>(c.get()), nullptr);
  TComponent owner;
  TComponent* owned = CreateComponentByClassName("TInferenceEngine", &owner);
  EXPECT_EQ(owned->Owner(), &owner);
  EXPECT_EQ(owner.ComponentCount(), 1);
}

TEST(InferenceEngineTest, SymbolIndexNeverGoesBack) {
  TInferenceEngine engine;
  engine.SetSymbolIndex(7);
  EXPECT_EQ(engine.SymbolIndex(), 7);
  engine.SetSymbolIndex(5);
  EXPECT_EQ(engine.SymbolIndex(), 8);
  engine.SetSymbolIndex(8);
  EXPECT_EQ(engine.SymbolIndex(), 9);
  engine.SetSymbolIndex(9);
  EXPECT_EQ(engine.SymbolIndex(), 10);
  EXPECT_EQ(engine.GenSym("gen"), "gen10");
  EXPECT_EQ(engine.GenSym(""), "11");
  EXPECT_EQ(engine.SymbolIndex(), 12);
}

TEST(InferenceEngineTest, StringToValueOfTextTypes) {
  TInferenceEngine engine;
  IIEValue s = engine.StringToValue("\"\"abc\"", dtString);
  EXPECT_EQ(s->DType(), dtString);
  EXPECT_EQ(s->AsString(), "abc");
  EXPECT_EQ(engine.StringToValue("\"\"\"", dtString)->AsString(), "");
  EXPECT_EQ(engine.StringToValue("a\"b", dtString)->AsString(), "a\"b");
  EXPECT_EQ(engine.StringToValue("", dtNone)->DType(), dtNone);
  for (TIEType t : {dtAtom, dtVariable, dtMultiVariable, dtSlot, dtMultiSlot}) {
    IIEValue v = engine.StringToValue("x1", t);
    EXPECT_EQ(v->DType(), t);
    EXPECT_EQ(v->AsString(), "x1");
  }
}

TEST(InferenceEngineTest, StringToValueOfNumbers) {
  TInferenceEngine engine;
  EXPECT_EQ(engine.StringToValue("42", dtInteger)->AsInteger(), 42);
  EXPECT_EQ(engine.StringToValue("-2147483648", dtInteger)->AsInteger(), INT32_MIN);
  EXPECT_EQ(engine.StringToValue("+7", dtFactId)->DType(), dtFactId);
  EXPECT_EQ(engine.StringToValue("+7", dtFactId)->AsInteger(), 7);
  for (const char* bad : {"", "-", "4x", " 4", "2147483648", "99999999999999999999", "1.0"})
    EXPECT_THROW(engine.StringToValue(bad, dtInteger), EConvertError) << bad;
  EXPECT_DOUBLE_EQ(engine.StringToValue("1.5", dtFloat)->AsFloat(), 1.5);
  EXPECT_DOUBLE_EQ(engine.StringToValue("-1E20", dtFloat)->AsFloat(), -1e20);
  EXPECT_DOUBLE_EQ(engine.StringToValue("3", dtFloat)->AsFloat(), 3.0);
  for (const char* bad : {"", "x", "1.5.5", "0x10", " 1", "1e999"})
    EXPECT_THROW(engine.StringToValue(bad, dtFloat), EConvertError) << bad;
}

TEST(InferenceEngineTest, StringToValueOfOtherTypesRaises) {
  TInferenceEngine engine;
  try {
    engine.StringToValue("x", dtObject);
    FAIL() << "no exception";
  } catch (const EIEException& e) {
    EXPECT_EQ(e.Message(), "Unable to parse strings of dtObject at this time");
  }
  try {
    engine.StringToValue("x", TIEType(42));
    FAIL() << "no exception";
  } catch (const EIEException& e) {
    EXPECT_EQ(e.Message(), "Unknown Type (42)");
  }
}

TEST(InferenceEngineTest, LockIsRecursiveAndExcludesOtherThreads) {
  TInferenceEngine engine;
  engine.Unlock();  // no lock yet: nothing happens
  engine.Lock();
  engine.Lock();
  engine.Unlock();
  std::atomic<bool> entered{false};
  std::thread other([&] {
    engine.Unlock();  // not the holder: must not release
    engine.Lock();
    entered = true;
    engine.Unlock();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(entered.load());
  engine.Unlock();
  other.join();
  EXPECT_TRUE(entered.load());
  engine.Unlock();  // released already: nothing happens
}

// A function package stand-in: the real package classes live in a later layer.
class TFakePackage : public TComponent, public IPackageComponent {
 public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TFakePackage"; }
};

// Registers the stand-in under two built-in package class names for one test
// and restores whatever was registered before.
class PackagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kNames) {
      saved_.push_back(FindComponentClass(name));
      RegisterComponentClass(name, [](TComponent* owner) -> TComponent* {
        return new TFakePackage(owner);
      });
    }
  }
  void TearDown() override {
    for (size_t i = 0; i < std::size(kNames); ++i) {
      if (saved_[i])
        RegisterComponentClass(kNames[i], saved_[i]);
      else
        UnregisterComponentClass(kNames[i]);
    }
  }
  static constexpr const char* kNames[] = {"TMathPackage", "TBusinessPackage"};
  std::vector<TComponentFactory> saved_;
};

// The stand-ins among the engine's components (the real packages that are
// linked in are created too).
int StandInCount(TInferenceEngine& engine) {
  int count = 0;
  for (int i = 0; i < engine.ComponentCount(); ++i)
    if (engine.Components(i)->ClassName() == "TFakePackage") ++count;
  return count;
}

bool Owns(TInferenceEngine& engine, TComponent* component) {
  for (int i = 0; i < engine.ComponentCount(); ++i)
    if (engine.Components(i) == component) return true;
  return false;
}

TEST_F(PackagesTest, SettingPackagesReplacesOwnedPackages) {
  TInferenceEngine engine;
  // Construction value holds pMath: one stand-in.
  ASSERT_EQ(StandInCount(engine), 1);
  TComponent* other = new TComponent(&engine);  // not a package: survives
  int added = 0;
  engine.OnAddDefaultPackages = [&](TObject* sender) {
    EXPECT_EQ(sender, &engine);
    ++added;
  };
  const int before = engine.ComponentCount();
  engine.SetPackages(engine.Packages());
  EXPECT_EQ(added, 0);
  EXPECT_EQ(engine.ComponentCount(), before);

  engine.SetPackages({pBusiness, pMath});
  EXPECT_EQ(added, 1);
  ASSERT_EQ(engine.ComponentCount(), 3);
  EXPECT_EQ(engine.Components(0), other);
  for (int i = 1; i < 3; ++i)
    EXPECT_TRUE(engine.Components(i)->ComponentState().Contains(csSubComponent));
  EXPECT_EQ(StandInCount(engine), 2);

  engine.SetPackages({});
  EXPECT_EQ(added, 2);
  ASSERT_EQ(engine.ComponentCount(), 1);
  EXPECT_TRUE(Owns(engine, other));

  // Packages the engine created are not written as children; others are.
  engine.SetPackages({pMath});
  std::string text = ComponentToText(engine);
  EXPECT_EQ(text.find("TFakePackage"), std::string::npos);
  EXPECT_NE(text.find("object TComponent"), std::string::npos);
}

TEST_F(PackagesTest, ReadPackagesRecreateTheirComponents) {
  TInferenceEngine engine;
  engine.SetPackages({pBusiness});
  std::unique_ptr<TComponent> copy = TextToComponent(ComponentToText(engine));
  auto* read = dynamic_cast<TInferenceEngine*>(copy.get());
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->Packages(), TFunctionPackages{pBusiness});
  ASSERT_EQ(read->ComponentCount(), 1);
  EXPECT_EQ(read->Components(0)->ClassName(), "TFakePackage");
}

TEST(InferenceEngineStreamTest, NewEngineWritesOnlyPropertiesWithoutDefault) {
  TInferenceEngine engine;
  engine.SetName("Engine1");
  EXPECT_EQ(ComponentToText(engine),
            "object Engine1: TInferenceEngine\r\n"
            "  DuplicateConstructs = dcOverwrite\r\n"
            "  FactDuplication = False\r\n"
            "  FactTemplates.LoadFactor = 0.75\r\n"
            "  FactTemplates.Templates = (\r\n"
            "    '(deftemplate __NOT-OR-TEST-CE* \"(Implied)\" '#13#10'    (multislot __Data )'"
            "#13#10')'\r\n"
            "    '(deftemplate Initial-Fact \"(Implied)\" '#13#10'    (multislot __Data )'"
            "#13#10')')\r\n"
            "  ParserErrorHandling = ehRaiseImmediate\r\n"
            "  Rules.LoadFactor = 0.75\r\n"
            "  Strategy = ssDepthFirst\r\n"
            "  SymbolIndex = 0\r\n"
            "  Watch = []\r\n"
            "  FactsList = (\r\n"
            "    '(Initial-Fact)')\r\n"
            "end\r\n");
}

TEST(InferenceEngineStreamTest, NonDefaultPropertiesReadBack) {
  TComponent window;
  auto* engine = new TInferenceEngine(&window);
  engine->SetName("Engine2");
  engine->SetDuplicateConstructs(dcError);
  engine->SetPackages({pStandard, pPredicate, pMiscellaneous});  // the streaming default
  engine->SetFactDuplication(true);
  engine->SetParserErrorHandling(ehRaiseAllAtEnd);
  engine->SetParserMaxErrors(3);
  engine->SetResetGlobals(false);
  engine->SetStrategy(ssBreadthFirst);
  engine->SetSymbolIndex(41);
  engine->SetTypeChecks({tcDynamic});
  engine->SetWatch({cwFact, cwStatistics});
  std::string text = ComponentToText(window);
  EXPECT_NE(text.find("    Packages = [pStandard, pPredicate, pMiscellaneous]\r\n"),
            std::string::npos)
      << text;

  std::unique_ptr<TComponent> copy = TextToComponent(text);
  ASSERT_EQ(copy->ComponentCount(), 1);
  auto* read = dynamic_cast<TInferenceEngine*>(copy->Components(0));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->Name(), "Engine2");
  EXPECT_EQ(read->DuplicateConstructs(), dcError);
  EXPECT_EQ(read->Packages(), (TFunctionPackages{pStandard, pPredicate, pMiscellaneous}));
  EXPECT_TRUE(read->FactDuplication());
  EXPECT_EQ(read->ParserErrorHandling(), ehRaiseAllAtEnd);
  EXPECT_EQ(read->ParserMaxErrors(), 3);
  EXPECT_FALSE(read->ResetGlobals());
  EXPECT_EQ(read->Strategy(), ssBreadthFirst);
  EXPECT_EQ(read->SymbolIndex(), 41);
  EXPECT_EQ(read->TypeChecks(), TTypeChecks{tcDynamic});
  EXPECT_EQ(read->Watch(), (TConstructWatches{cwFact, cwStatistics}));
  EXPECT_EQ(ComponentToText(*copy), text);
}

TEST(InferenceEngineStreamTest, BadValuesAreReported) {
  const char* cases[] = {
      "object E: TInferenceEngine\r\n  Strategy = ssSideways\r\nend\r\n",
      "object E: TInferenceEngine\r\n  ParserMaxErrors = 99999999999\r\nend\r\n",
      "object E: TInferenceEngine\r\n  Watch = [cwFact, cwNothing]\r\nend\r\n",
      "object E: TInferenceEngine\r\n  Rete = 1\r\nend\r\n",
  };
  // Out-of-range values are refused by the setters, which raise conversion
  // errors; the stream adds where it happened.
  for (const char* text : cases) {
    try {
      TextToComponent(text);
      ADD_FAILURE() << "no exception for " << text;
    } catch (const Exception& e) {
      EXPECT_NE(e.Message().find("line 2"), std::string::npos) << e.Message();
    }
  }
}

}  // namespace
