// The engine as the parser's host: templates, loading, parse-from-text and the
// parser's settings and events as the engine passes them on.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "core/Exceptions.h"
#include "engine/InferenceEngine.h"
#include "facts/IEFactSet.h"
#include "facts/IEFacts.h"
#include "frontend/IEParseException.h"
#include "support/FakeReasoner.h"
#include "values/IEContext.h"

namespace {

// An engine with the echo function and its standard output collected.
struct TEngineFixture : ::testing::Test {
  TEngineFixture() {
    engine.SetPackages(TFunctionPackages{});
    engine.AddFunction(IUserFunction(new TEchoFunction("echo")));
    engine.OnPrintOut = [this](TObject*, const std::string& outId, const std::string& text) {
      output += outId.empty() ? text : "<" + outId + ">" + text;
    };
  }
  TInferenceEngine engine;
  std::string output;
};

// Parses a value from text in the middle of a call: a parse inside a parse.
class TNestedParseFunction : public TIEUserFunction {
 public:
  explicit TNestedParseFunction(TInferenceEngine& engine) : engine_(engine) {
    SetFunctionName("nested");
  }
  void Run(TFunctionCall&, TIEContext*, IIEValue& result) override {
    result = engine_.ParseValue("seven 7");
  }

 private:
  TInferenceEngine& engine_;
};

}  // namespace

TEST(EngineTemplatesTest, NewEngineHoldsTheTwoImpliedTemplates) {
  TInferenceEngine engine;
  EXPECT_EQ(engine.FactTemplateCount(), 2);
  for (const char* name : {"Initial-Fact", "__NOT-OR-TEST-CE*"}) {
    IFactTemplate t = engine.FindFactTemplate(name);
    ASSERT_TRUE(t) << name;
    EXPECT_TRUE(t->Implied());
    EXPECT_EQ(t->SlotCount(), 1);
    EXPECT_TRUE(t->HasSlot("__Data"));
    EXPECT_EQ(t->Engine(), static_cast<IFactEngine*>(&engine));
  }
  // Names are exact: another case is another template.
  EXPECT_FALSE(engine.FindFactTemplate("initial-fact"));
  IFactTemplate made = engine.GetFactTemplate("point");
  EXPECT_EQ(engine.GetFactTemplate("point").get(), made.get());
  EXPECT_EQ(engine.FactTemplateCount(), 3);
}

TEST(EngineTemplatesTest, RenamedTemplateMovesAndSurvivesItsEngine) {
  IFactTemplate kept;
  {
    TInferenceEngine engine;
    kept = engine.GetFactTemplate("old");
    kept->SetName("new");
    EXPECT_FALSE(engine.FindFactTemplate("old"));
    EXPECT_EQ(engine.FindFactTemplate("new").get(), kept.get());
    // A template of that name that is not the registered one leaves the table alone.
    IFactTemplate stray = TFactTemplate::CreateImplied(&engine, "new");
    stray->SetName("other");
    EXPECT_EQ(engine.FindFactTemplate("new").get(), kept.get());
    EXPECT_FALSE(engine.FindFactTemplate("other"));
  }
  // The engine is gone: the template no longer reaches it.
  EXPECT_EQ(kept->Engine(), nullptr);
  kept->SetName("after");
  EXPECT_EQ(kept->Name(), "after");
}

TEST_F(TEngineFixture, StringToValueParsesCallsFactsAndLists) {
  IIEValue call = engine.StringToValue("(echo 1)", dtFunCall);
  EXPECT_EQ(call->DType(), dtFunCall);
  EXPECT_EQ(call->AsFunCall()->Evaluate(&engine.Context())->AsInteger(), 1);

  IIEValue fact = engine.StringToValue("(point 1 2)", dtFact);
  ASSERT_EQ(fact->DType(), dtFact);
  EXPECT_TRUE(engine.FindFactTemplate("point"));  // registered as implied on the way

  IIEValue list = engine.StringToValue("a b c", dtList);
  EXPECT_EQ(list->DType(), dtList);
  EXPECT_EQ(list->AsText(), "a b c");
  EXPECT_EQ(engine.StringToValue("5", dtList)->AsInteger(), 5);
  EXPECT_EQ(engine.StringToValue("", dtList).get(), EmptyList().get());

  EXPECT_THROW(engine.StringToValue("(echo", dtFunCall), EIEParseException);
}

TEST_F(TEngineFixture, EvaluateRunsEachItemAndEchoesIt) {
  engine.Evaluate("(echo 1) 2.5 (echo \"s\") (echo (echo x))");
  EXPECT_EQ(output, "1\r\n2.5\r\n\"s\"\r\nx\r\n");
  EXPECT_EQ(engine.EvaluateFunCall("(echo 42)")->AsInteger(), 42);
  EXPECT_EQ(engine.ParseList("a 1 \"b\")")->Count(), 3);
}

TEST_F(TEngineFixture, ParseFromTextRestoresThePreviousStream) {
  std::unique_ptr<TIEMorelStream> outer = TIEMorelStream::CreateFromText("(echo 1)");
  engine.Parser().SetStream(outer.get());
  EXPECT_THROW(engine.ParseFunCall("(echo (echo"), EIEParseException);
  EXPECT_EQ(engine.Parser().Stream(), outer.get());
  EXPECT_EQ(engine.ParseFunCall("(echo 3)")->Evaluate(&engine.Context())->AsInteger(), 3);
  EXPECT_EQ(engine.Parser().Stream(), outer.get());
  engine.Parser().SetStream(nullptr);

  // A call parsing text while the loader's stream is current: the load goes on
  // with its own stream afterwards.
  engine.AddFunction(IUserFunction(new TNestedParseFunction(engine)));
  engine.Evaluate("(nested) (echo after)");
  EXPECT_EQ(output, "seven 7\r\nafter\r\n");
  EXPECT_EQ(engine.Parser().Stream(), nullptr);
}

TEST_F(TEngineFixture, LoadFromFileReadsTheWholeFile) {
  const std::string name = ::testing::TempDir() + "engine_load_test.ie";
  {
    std::ofstream file(name, std::ios::binary);
    file << "; a program\r\n(echo one)\r\n\r\n(echo\r\n  two)\n";
  }
  engine.LoadFromFile(name);
  EXPECT_EQ(output, "one\r\ntwo\r\n");
  std::remove(name.c_str());
  EXPECT_THROW(engine.LoadFromFile(name), EFOpenError);
}

TEST_F(TEngineFixture, ParseErrorsNameTheLineAndAreCollectedOnRequest) {
  try {
    engine.Evaluate("(echo 1)\n\n(echo \"open");
    FAIL() << "no exception";
  } catch (const EIEParseException& e) {
    EXPECT_EQ(e.LineNumber(), 3);
    EXPECT_NE(e.Message().find("Parsing Error"), std::string::npos);
  }
  output.clear();
  engine.SetParserErrorHandling(ehRaiseAllAtEnd);
  EXPECT_EQ(engine.Parser().ErrorHandling(), ehRaiseAllAtEnd);
  engine.SetParserMaxErrors(5);
  EXPECT_EQ(engine.Parser().MaxErrors(), 5);
  try {
    engine.Evaluate("(\"x\" 1)\n\"loose\"\n(1 2)\n(echo sound)");
    FAIL() << "no exception";
  } catch (const EIEParseException& e) {
    EXPECT_EQ(e.Errors().size(), 3u) << e.Message();
    EXPECT_EQ(e.Message().rfind("Errors parsing stream:\r\n", 0), 0u);
  }
  EXPECT_EQ(output, "sound\r\n");
}

TEST_F(TEngineFixture, ParserSettingsAndEventsGoThroughTheEngine) {
  EXPECT_TRUE(engine.Parser().StaticCheck());
  engine.SetTypeChecks(TTypeChecks{tcDynamic});
  EXPECT_FALSE(engine.Parser().StaticCheck());
  EXPECT_TRUE(engine.DynamicTypeCheck());
  engine.SetTypeChecks(TTypeChecks{tcStatic});
  EXPECT_TRUE(engine.Parser().StaticCheck());

  std::vector<std::string> calls;
  engine.OnParseFunCall() = [&](TIEParser* sender, const IFunCall& call) {
    EXPECT_EQ(sender, &engine.Parser());
    calls.push_back(call->AsText());
  };
  int parsed = 0;
  engine.OnParse() = [&](TIEParser*, TParsedType, TObject*, const TRef<TRefCounted>&) { ++parsed; };
  engine.Evaluate("(echo (echo 1))");
  EXPECT_EQ(calls.size(), 2u);
  EXPECT_GE(parsed, 1);
}

TEST_F(TEngineFixture, ParsedFactAssertsBehindTheInitialFact) {
  IFactRef fact = engine.ParseFact("(point 1 2)");
  EXPECT_EQ(engine.AssertFact(fact), 1);
  EXPECT_EQ(fact->ID(), 1);
}

TEST_F(TEngineFixture, FactSetLinesParseThroughTheEngineWhenFirstNeeded) {
  TFactSet set;
  set.AddFactText("(colour red)");
  set.AddFactText("(broken");
  EXPECT_FALSE(engine.FindFactTemplate("colour"));
  EXPECT_THROW(set.SetEngine(&engine), EIEParseException);  // joining reparses every line
  set.ClearFacts();
  set.SetEngine(&engine);
  set.AddFactText("(colour red)");
  IFactRef fact = set.GetFact(0);
  ASSERT_TRUE(fact);
  EXPECT_EQ(fact->Template()->Name(), "colour");
  EXPECT_TRUE(engine.FindFactTemplate("colour"));
  set.AddFactText("(broken");
  EXPECT_THROW(set.GetFact(1), EIEParseException);
  set.SetEngine(nullptr);
}
