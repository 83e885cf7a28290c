// The construct registries of the engine: the duplicate-construct rule for
// templates, rules and functions, removals with their dependents, renames,
// Clear and the events that announce each change.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "engine/InferenceEngine.h"
#include "facts/IEFactSet.h"
#include "facts/IERule.h"
#include "functions/IEDeffunction.h"
#include "support/FakeReasoner.h"
#include "values/IEContext.h"

namespace {

struct RegistriesTest : ::testing::Test {
  RegistriesTest() {
    engine.OnNewFactTemplate = [this](TObject*, const IFactTemplate& t) {
      events.push_back("new " + t->Name());
    };
    engine.OnRemoveFactTemplate = [this](TObject*, const IFactTemplate& t) {
      events.push_back("remove " + t->Name());
    };
    engine.OnAddRule = [this](TObject*, TRule* r) { events.push_back("add " + r->RuleName()); };
    engine.OnRemoveRule = [this](TObject*, TRule* r) {
      events.push_back("remove rule " + r->RuleName());
    };
    engine.OnClearRules = [this](TObject*) { events.push_back("clear rules"); };
    engine.OnClearFacts = [this](TObject*) { events.push_back("clear facts"); };
    engine.OnClearFactTemplates = [this](TObject* sender) {
      events.push_back(sender == &engine.FactTemplates() ? "clear templates" : "clear ?");
    };
    engine.OnClear = [this](TObject*) { events.push_back("clear"); };
  }
  std::string ErrorOf(const std::string& text) {
    try {
      engine.Evaluate(text);
    } catch (const std::exception& e) {
      return e.what();
    }
    return std::string();
  }
  TInferenceEngine engine;
  std::vector<std::string> events;
};

using Events = std::vector<std::string>;

}  // namespace

TEST_F(RegistriesTest, OverwritingATemplateDropsItsRulesUnlessTheDefinitionIsTheSame) {
  engine.Evaluate("(deftemplate point (slot x)) (defrule r (point (x 1)) => )");
  ASSERT_TRUE(engine.Rules().Find("r"));
  IFactTemplate first = engine.FindFactTemplate("point");
  events.clear();

  engine.AssertString("(point (x 2))");
  engine.Evaluate("(deftemplate point (slot x))");
  EXPECT_EQ(events, (Events{"remove point", "new point"}));
  // The registered template stays the same object, so its facts still are
  // duplicates of equal new ones.
  EXPECT_EQ(engine.FindFactTemplate("point"), first);
  EXPECT_EQ(engine.AssertString("(point (x 2))"), -1);
  EXPECT_TRUE(engine.Rules().Find("r")) << "an equal definition keeps the rules";

  events.clear();
  engine.Evaluate("(deftemplate point (slot x) (slot y))");
  EXPECT_EQ(events, (Events{"remove point", "remove rule r", "new point"}));
  EXPECT_FALSE(engine.Rules().Find("r"));
  EXPECT_EQ(engine.FindFactTemplate("point")->SlotCount(), 2);
}

TEST_F(RegistriesTest, IgnoreAndErrorKeepTheFirstTemplate) {
  engine.Evaluate("(deftemplate point (slot x))");
  IFactTemplate first = engine.FindFactTemplate("point");
  events.clear();
  engine.SetDuplicateConstructs(dcIgnore);
  engine.Evaluate("(deftemplate point (slot y))");
  EXPECT_EQ(engine.FindFactTemplate("point"), first);
  EXPECT_TRUE(events.empty());

  engine.SetDuplicateConstructs(dcError);
  EXPECT_EQ(ErrorOf("(deftemplate point (slot y))"),
            "Fact Template Name already exists: \"point\"");
  EXPECT_EQ(engine.FindFactTemplate("point"), first);
}

TEST_F(RegistriesTest, DuplicateRules) {
  engine.Evaluate("(deftemplate a) (deftemplate b) (defrule r (a) => (printout t 1))");
  TRule* first = engine.Rules().Find("r");
  ASSERT_TRUE(first);
  const int components = engine.ComponentCount();
  events.clear();

  engine.SetDuplicateConstructs(dcIgnore);
  engine.Evaluate("(defrule r (b) => )");
  EXPECT_EQ(engine.Rules().Find("r"), first);
  EXPECT_TRUE(events.empty()) << "no OnAddRule for an ignored rule";
  EXPECT_EQ(engine.ComponentCount(), components) << "the ignored rule is freed";

  engine.SetDuplicateConstructs(dcError);
  EXPECT_EQ(ErrorOf("(defrule r (b) => )"), "Duplicate Rules defined with same name: \"r\"");
  EXPECT_EQ(engine.Rules().Find("r"), first);
  EXPECT_EQ(engine.ComponentCount(), components);

  engine.SetDuplicateConstructs(dcOverwrite);
  engine.Evaluate("(defrule r (b) => )");
  EXPECT_EQ(events, (Events{"remove rule r", "add r"}));
  EXPECT_NE(engine.Rules().Find("r"), nullptr);
  EXPECT_EQ(engine.Rules().Count(), 1);
  EXPECT_EQ(engine.ComponentCount(), components) << "the replaced rule is freed";
}

TEST_F(RegistriesTest, RulesFollowRenamesAndDestruction) {
  engine.Evaluate("(defrule r (a) => ) (defrule s (b) => )");
  TRule* r = engine.Rules().Find("r");
  ASSERT_TRUE(r);
  engine.RenameRule("r", "q");
  EXPECT_EQ(engine.Rules().Find("q"), r);
  EXPECT_FALSE(engine.Rules().Find("r"));
  EXPECT_EQ(r->RuleName(), "q");
  try {
    engine.RenameRule("q", "s");
    FAIL();
  } catch (const EIEException& e) {
    EXPECT_STREQ(e.what(), "Duplicate Rules defined with same name: \"s\"");
  }
  r->SetRuleName("p");
  EXPECT_EQ(engine.Rules().Find("p"), r);
  EXPECT_FALSE(engine.Rules().Find("q"));

  events.clear();
  engine.RemoveComponent(r).reset();
  EXPECT_FALSE(engine.Rules().Find("p"));
  EXPECT_EQ(events, (Events{"remove rule p"}));
  EXPECT_EQ(engine.Rules().Count(), 1);
}

TEST_F(RegistriesTest, TemplatesFollowRenames) {
  engine.Evaluate("(deftemplate point (slot x))");
  IFactTemplate point = engine.FindFactTemplate("point");
  point->SetName("spot");
  EXPECT_EQ(engine.FindFactTemplate("spot"), point);
  EXPECT_FALSE(engine.FindFactTemplate("point"));
  engine.RenameFactTemplate("spot", "place");
  EXPECT_EQ(engine.FindFactTemplate("place"), point);
  EXPECT_EQ(point->Name(), "place");
  EXPECT_EQ(engine.FactTemplateCount(), 3);
}

TEST_F(RegistriesTest, DuplicateFunctionsAndMismatchedKeys) {
  engine.Evaluate("(deffunction f () 1)");
  IUserFunction first = engine.GetFunction("f");
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->Reasoners().ContainsReasoner(engine));

  engine.SetDuplicateConstructs(dcError);
  EXPECT_EQ(ErrorOf("(deffunction f () 2)"), "Function Name already exists: \"f\"");
  engine.SetDuplicateConstructs(dcIgnore);
  engine.Evaluate("(deffunction f () 2)");
  EXPECT_EQ(engine.GetFunction("f"), first);
  engine.SetDuplicateConstructs(dcOverwrite);
  engine.Evaluate("(deffunction f () 2)");
  EXPECT_NE(engine.GetFunction("f"), first);
  EXPECT_FALSE(first->Reasoners().ContainsReasoner(engine)) << "the replaced one left";
  EXPECT_EQ(engine.EvaluateFunCall("(f)")->AsInteger(), 2);

  try {
    engine.PutFunction("g", engine.GetFunction("f"));
    FAIL();
  } catch (const EIEException& e) {
    EXPECT_STREQ(e.what(), "Function names do not match: g and f");
  }
  EXPECT_FALSE(engine.FunctionExists("g"));
}

TEST_F(RegistriesTest, RemovingAFunctionTakesTheEngineOffItsList) {
  engine.Evaluate("(deffunction f () 1)");
  IUserFunction f = engine.UserFunctions().Remove("f");
  ASSERT_TRUE(f);
  EXPECT_FALSE(engine.FunctionExists("f"));
  EXPECT_FALSE(f->Reasoners().ContainsReasoner(engine));
  EXPECT_FALSE(engine.UserFunctions().Remove("f"));
}

TEST_F(RegistriesTest, ClearEmptiesEveryRegistryAndKeepsPackageFunctions) {
  engine.AddFunction(IUserFunction(new TEchoFunction("echo")));
  engine.Evaluate(
      "(deftemplate point (slot x)) (defrule r (point) => ) (deffacts s (point (x 1)))"
      "(deffunction f () 1) (defglobal ?*g* = 5)");
  EXPECT_EQ(engine.Context().GetVariableValue("*g*")->AsInteger(), 5);
  const int components = engine.ComponentCount();
  events.clear();

  engine.Clear();
  // The order that matters: the rule goes first, rules and facts are cleared
  // before the templates, OnClear comes last.
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), "remove rule r");
  EXPECT_EQ(events.back(), "clear");
  EXPECT_EQ(std::count(events.begin(), events.end(), "clear rules"), 2);
  EXPECT_EQ(std::count(events.begin(), events.end(), "clear facts"), 2);
  auto position = [&](const std::string& name) {
    return std::find(events.begin(), events.end(), name) - events.begin();
  };
  EXPECT_LT(position("clear facts"), position("clear templates"));
  EXPECT_LT(position("clear rules"), position("clear templates"));
  EXPECT_LT(position("clear templates"), position("new Initial-Fact"));

  EXPECT_EQ(engine.Rules().Count(), 0);
  EXPECT_EQ(engine.FactSets().Count(), 0);
  EXPECT_EQ(engine.GlobalVariables().Count(), 0);
  EXPECT_FALSE(engine.Context().FindBinding("*g*"));
  EXPECT_FALSE(engine.FunctionExists("f"));
  EXPECT_TRUE(engine.FunctionExists("echo"));
  EXPECT_EQ(engine.FactTemplateCount(), 2);
  EXPECT_TRUE(engine.FindFactTemplate("Initial-Fact"));
  EXPECT_TRUE(engine.FindFactTemplate("__NOT-OR-TEST-CE*"));
  EXPECT_EQ(engine.ComponentCount(), components - 2) << "the rule and the fact set are freed";
  EXPECT_EQ(engine.RuleCounter(), 0);
}

TEST_F(RegistriesTest, TextsOfTheRegistries) {
  engine.Evaluate("(deffunction f (?x) ?x) (defglobal ?*a* = 1)");
  const std::string functions = engine.UserFunctions().GetText();
  EXPECT_EQ(functions.rfind("\r\n(deffunction f", 0), 0u) << functions;
  EXPECT_EQ(engine.GlobalVariables().GetText(), "*a* = 1\r\n");
  const std::string templates = engine.FactTemplates().GetText();
  EXPECT_NE(templates.find("(deftemplate Initial-Fact \"(Implied)\" \r\n"), std::string::npos)
      << templates;
  EXPECT_EQ(templates.substr(templates.size() - 3), ")\r\n");
}

TEST_F(RegistriesTest, GlobalsStoreTheDeclarationAndSetTheValue) {
  engine.GlobalVariables().Put("*n*", TIEValue::MakeFunCall(engine.ParseFunCall("(+ 2 3)")));
  EXPECT_EQ(engine.GlobalVariables().Find("*n*")->DType(), dtFunCall);
  EXPECT_EQ(engine.Context().GetVariableValue("*n*")->AsInteger(), 5);
  engine.SetGlobal("*n*", TIEValue::MakeInteger(7));
  EXPECT_EQ(engine.Context().GetVariableValue("*n*")->AsInteger(), 7);
  engine.GlobalVariables().Clear();
  EXPECT_FALSE(engine.Context().FindBinding("*n*"));
}

TEST_F(RegistriesTest, FactSetsJoinAndLeaveThroughTheirEngine) {
  TFactSet outside;
  outside.SetFactSetName("outside");
  outside.SetEngine(&engine);
  EXPECT_EQ(engine.FactSets().IndexOfName("outside"), 0);
  {
    auto inner = std::make_unique<TFactSet>();
    inner->SetFactSetName("inner");
    TFactSet* registered = engine.RegisterFactSet(std::move(inner));
    EXPECT_EQ(engine.FactSets().IndexOf(registered), 1);
    engine.RemoveComponent(registered).reset();
  }
  EXPECT_EQ(engine.FactSets().Count(), 1);
  outside.SetEngine(nullptr);
  EXPECT_EQ(engine.FactSets().Count(), 0);
  EXPECT_EQ(engine.FactSets().IndexOfName("outside"), -1);
}

// The rule registry answers which name a rule is listed under through its own
// index: it follows renames, a rule listed twice (the first name in the
// table's order) and changes made through the plain table.
TEST_F(RegistriesTest, NameOfFollowsEveryWayARuleEntersAndLeaves) {
  for (int i = 0; i < 30; ++i) engine.Evaluate("(defrule r" + std::to_string(i) + " (a) => )");
  TRules& rules = engine.Rules();
  TRule* r = rules.Find("r3");
  TRule* s = rules.Find("r4");
  EXPECT_EQ(rules.NameOf(r), "r3");
  EXPECT_EQ(rules.NameOf(nullptr), "");
  EXPECT_EQ(rules.NameOf(&engine), "");

  engine.RenameRule("r3", "q");
  EXPECT_EQ(rules.NameOf(r), "q");
  rules.Put("alias", *r);
  std::vector<std::string> names;
  for (IStringIteratorRef keys = rules.Keys(); keys->HasNext();) {
    std::string key = keys->Next();
    if (rules.Find(key) == r) names.push_back(key);
  }
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(rules.NameOf(r), names[0]);
  rules.TakeOut(names[0]);
  EXPECT_EQ(rules.NameOf(r), names[1]);

  TGStringHashtable& table = rules;
  table.Remove("r4");
  EXPECT_EQ(rules.NameOf(s), "");
  table.Put("plain", reinterpret_cast<intptr_t>(s));
  EXPECT_EQ(rules.NameOf(s), "plain");
  rules.Rekey("plain", "r4");
  EXPECT_EQ(rules.NameOf(s), "r4");

  // Freed rules leave the index with the table.
  engine.RemoveComponent(s).reset();
  EXPECT_EQ(rules.Find("r4"), nullptr);
  EXPECT_EQ(rules.Count(), 29);
  engine.Clear();
  EXPECT_EQ(rules.NameOf(r), "");
}

// Positions stay right while sets leave from the front, the middle and the
// back; a set that is not listed is at -1 and adding a listed one keeps it.
TEST_F(RegistriesTest, FactSetPositionsFollowRemovalsAnywhere) {
  std::vector<std::unique_ptr<TFactSet>> owned;
  TFactSets sets;
  std::vector<TFactSet*> model;
  for (int i = 0; i < 20; ++i) {
    owned.push_back(std::make_unique<TFactSet>());
    EXPECT_EQ(sets.Add(*owned.back()), i);
    model.push_back(owned.back().get());
  }
  auto check = [&] {
    ASSERT_EQ(sets.Count(), int32_t(model.size()));
    for (size_t i = 0; i < model.size(); ++i) {
      EXPECT_EQ(sets.Get(int32_t(i)), model[i]);
      EXPECT_EQ(sets.IndexOf(model[i]), int32_t(i));
    }
  };
  for (size_t victim : {0u, 7u, 17u, 3u, 0u}) {
    TFactSet* leaving = model[victim];
    EXPECT_EQ(sets.Remove(leaving), int32_t(victim));
    model.erase(model.begin() + std::ptrdiff_t(victim));
    EXPECT_EQ(sets.IndexOf(leaving), -1);
    EXPECT_EQ(sets.Remove(leaving), -1);
    check();
  }
  EXPECT_EQ(sets.Add(*model[5]), 5);
  EXPECT_EQ(sets.Add(*owned[0]), int32_t(model.size()));
  model.push_back(owned[0].get());
  check();
  sets.Clear();
  EXPECT_EQ(sets.IndexOf(model[0]), -1);
}
