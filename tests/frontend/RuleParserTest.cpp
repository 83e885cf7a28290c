// The rule parser: the structure of the rules and patterns each form yields,
// salience, actions, registration, every message with its method name, and
// robustness against broken and hostile input.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/Component.h"
#include "core/IEConsts.h"
#include "facts/IERule.h"
#include "facts/IERuleEngine.h"
#include "facts/IESlotTest.h"
#include "frontend/IEParseException.h"
#include "functions/IEFunctionCall.h"
#include "support/ExceptionText.h"
#include "support/FakeParserEngine.h"
#include "support/FakeRuleEngine.h"

namespace {

// The parser's engine with a rule side: a registry by name that either
// replaces a rule of the same name or drops (and frees) the newcomer.
class TFakeRuleParserEngine : public TFakeParserRuleEngine {
 public:
  // The rules go while the registry they unregister from still exists.
  ~TFakeRuleParserEngine() override { DestroyComponents(); }

  void RegisterRule(TRule& rule) override {
    log.push_back("register " + rule.RuleName());
    auto it = registry.find(rule.RuleName());
    if (it != registry.end() && it->second != &rule && dropDuplicates) {
      RemoveComponent(&rule);  // frees the newcomer
      return;
    }
    registry[rule.RuleName()] = &rule;
  }
  void UnregisterRule(TRule& rule) override {
    auto it = registry.find(rule.RuleName());
    if (it != registry.end() && it->second == &rule) registry.erase(it);
  }
  void RuleChanged(TRule&) override { ++recompiles; }

  bool dropDuplicates = false;
  int32_t recompiles = 0;
  std::map<std::string, TRule*> registry;
  std::vector<std::string> log;
};

class RuleParserTest : public ::testing::Test {
 protected:
  // The rule read by ParseRule from Text (not registered).
  std::unique_ptr<TRule> Rule(std::string_view text) { return engine.Parse(text).ParseRule(); }
  // The pattern read by ParsePattern from Text, with a fresh variable record.
  std::unique_ptr<TIEPattern> Pattern(std::string_view text, int32_t negatedCount = 0) {
    TRuleVariables variables;
    return engine.Parse(text).ParsePattern(negatedCount, variables);
  }
  // The message of the error ParseAll raises on Text ("" when none).
  std::string Error(std::string_view text) {
    try {
      engine.Parse(text).ParseAll();
    } catch (const EIEParseException& e) {
      return e.Message();
    } catch (const EIEException& e) {
      return "EIEException: " + e.Message();
    }
    return std::string();
  }
  // A template Name with single slots Slots and multislots Multi.
  void Template(const std::string& name, std::initializer_list<const char*> slots,
                std::initializer_list<const char*> multi = {}) {
    MakeTemplate(&engine.facts, name, slots, multi);
  }

  TFakeRuleParserEngine engine;
};

const TIEPatternMatchTest& TestOf(const TIEPattern& pattern, const char* slot, int32_t index) {
  return *pattern.SlotTest(pattern.IndexOfSlot(slot), index);
}

int32_t TestsOn(const TIEPattern& pattern, const char* slot) {
  return pattern.SlotTestCount(pattern.IndexOfSlot(slot));
}

const TFunctionCall& CallOf(const TIEPatternMatchTest& test) {
  EXPECT_EQ(test.SlotValue()->DType(), dtFunCall);
  return dynamic_cast<const TFunctionCall&>(*test.SlotValue()->AsFunCall());
}

// ---- Rules

TEST_F(RuleParserTest, NameCommentSalienceOnePatternAndOneAction) {
  std::unique_ptr<TRule> rule =
      Rule("(defrule r \"about r\" (declare (salience 10)) (a) => (printout t x))");
  EXPECT_EQ(rule->RuleName(), "r");
  EXPECT_EQ(rule->Comment(), "about r");
  EXPECT_EQ(rule->Salience(), 10);
  EXPECT_EQ(rule->Engine(), &engine);
  EXPECT_EQ(rule->Owner(), nullptr);  // the caller owns it; nothing is registered
  EXPECT_TRUE(engine.registry.empty());
  ASSERT_EQ(rule->Patterns().Count(), 1);
  const TIEPattern& pattern = *rule->Patterns()[0];
  EXPECT_EQ(pattern.Name(), "a");
  EXPECT_TRUE(pattern.FactTemplate()->Implied());
  EXPECT_EQ(pattern.FactTemplate(), engine.facts.FindFactTemplate("a"));
  EXPECT_EQ(pattern.NegatedCount(), 0);
  ASSERT_EQ(rule->Actions().Count(), 1);
  const auto& action = dynamic_cast<const TFunctionCall&>(*rule->Actions()[0]);
  EXPECT_EQ(action.FunctionName(), "printout");
  EXPECT_EQ(action.ArgumentCount(), 2);
}

TEST_F(RuleParserTest, SalienceFromVariablesAndCallsIsAnExpression) {
  engine.context.AddBinding("*s*", TIEValue::MakeInteger(7));
  std::unique_ptr<TRule> byVariable = Rule("(defrule r (declare (salience ?*s*)) =>)");
  EXPECT_EQ(byVariable->Salience(), 7);
  EXPECT_EQ(byVariable->SalienceExpression()->DType(), dtVariable);

  std::unique_ptr<TRule> byCall = Rule("(defrule r (declare (salience (echo -3))) =>)");
  EXPECT_EQ(byCall->Salience(), -3);
  EXPECT_EQ(byCall->SalienceExpression()->DType(), dtFunCall);

  std::unique_ptr<TRule> none = Rule("(defrule r (a) => (echo 1) (echo 2))");
  EXPECT_EQ(none->Salience(), 0);
  EXPECT_EQ(none->Actions().Count(), 2);
  // Without the declare keyword the "(" starts the first pattern, even of a
  // template named like a keyword.
  std::unique_ptr<TRule> undeclared = Rule("(defrule r (salience 5) =>)");
  EXPECT_EQ(undeclared->Patterns()[0]->Name(), "salience");
}

TEST_F(RuleParserTest, ArrowWithABlankAndRuleWithoutActions) {
  std::unique_ptr<TRule> rule = Rule("(defrule r (a) = > )");
  EXPECT_EQ(rule->Patterns().Count(), 1);
  EXPECT_EQ(rule->Actions().Count(), 0);
}

TEST_F(RuleParserTest, FactAddressVariableBindsThePattern) {
  Template("person", {"name", "age"});
  std::unique_ptr<TRule> rule = Rule("(defrule r ?f <- (person (name ?n)) => (retract ?f))");
  const TIEPattern& pattern = *rule->Patterns()[0];
  EXPECT_EQ(pattern.BoundName(), "f");
  const TBinding* f = rule->FindRuleBinding("f");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->FactIndex(), 0);
  EXPECT_EQ(f->SlotIndex(), BindingPatternSlot);
  const TBinding* n = rule->FindRuleBinding("n");
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->SlotIndex(), "name");
  EXPECT_EQ(n->SubIndex(), -1);
  EXPECT_EQ(TestsOn(pattern, "age"), 0);
  // "?g<-" without a blank reads the same.
  EXPECT_EQ(Rule("(defrule r ?g<-(a) =>)")->Patterns()[0]->BoundName(), "g");
}

TEST_F(RuleParserTest, NegationExistsUniqueAndExplicit) {
  std::unique_ptr<TRule> doubled = Rule("(defrule r (not (not (x))) =>)");
  ASSERT_EQ(doubled->Patterns().Count(), 2);
  EXPECT_EQ(doubled->Patterns()[1]->NegatedCount(), 2);

  // An existence test first is joined to the initial fact, like a negation.
  std::unique_ptr<TRule> exists = Rule("(defrule r (exists (x)) =>)");
  ASSERT_EQ(exists->Patterns().Count(), 2);
  EXPECT_EQ(exists->Patterns()[0]->Name(), SInitialFactTemplate);
  EXPECT_EQ(exists->Patterns()[1]->NegatedCount(), 2);
  EXPECT_EQ(Pattern("(exists (not (x)))")->NegatedCount(), 3);

  // A rule that starts with a negated element matches against the initial fact.
  std::unique_ptr<TRule> negated = Rule("(defrule r (not (x)) (y) =>)");
  ASSERT_EQ(negated->Patterns().Count(), 3);
  EXPECT_EQ(negated->Patterns()[0]->Name(), SInitialFactTemplate);
  EXPECT_EQ(negated->Patterns()[1]->NegatedCount(), 1);
  EXPECT_EQ(negated->Patterns()[2]->Name(), "y");

  std::unique_ptr<TIEPattern> unique = Pattern("(not (unique (x)))");
  EXPECT_TRUE(unique->Unique());
  EXPECT_FALSE(unique->Explicit());
  EXPECT_EQ(unique->NegatedCount(), 1);
  std::unique_ptr<TIEPattern> both = Pattern("(explicit (unique (x)))");
  EXPECT_TRUE(both->Unique());
  EXPECT_TRUE(both->Explicit());
  EXPECT_EQ(both->NegatedCount(), 0);
  // Words that are no element keywords name templates.
  EXPECT_EQ(Pattern("(and x)")->Name(), "and");
}

TEST_F(RuleParserTest, TestElementCarriesOneCallOnTheDataSlot) {
  std::unique_ptr<TRule> rule = Rule("(defrule r (a ?x) (test (> ?x 1)) =>)");
  ASSERT_EQ(rule->Patterns().Count(), 2);
  const TIEPattern& test = *rule->Patterns()[1];
  EXPECT_EQ(test.Name(), STestPatternName);
  EXPECT_TRUE(test.IsTestPattern());
  EXPECT_EQ(test.FactTemplate()->Name(), STestPatternName);
  EXPECT_EQ(test.NegatedCount(), 0);
  ASSERT_EQ(TestsOn(test, SImpliedSlotName), 1);
  const TIEPatternMatchTest& call = TestOf(test, SImpliedSlotName, 0);
  EXPECT_EQ(CallOf(call).FunctionName(), ">");
  EXPECT_EQ(call.SlotTestType(), sttEquals);
  EXPECT_EQ(call.MultiSlotSubIndex(), -1);
  EXPECT_TRUE(call.Conjunction());

  // (not (test ...)) is a test element that is not negated, with a negated test.
  std::unique_ptr<TIEPattern> negated = Pattern("(not (test (> 1 2)))");
  EXPECT_EQ(negated->NegatedCount(), 0);
  EXPECT_EQ(TestOf(*negated, SImpliedSlotName, 0).SlotTestType(), sttNotEquals);
  EXPECT_EQ(TestOf(*Pattern("(exists (test (> 1 2)))"), SImpliedSlotName, 0).SlotTestType(),
            sttEquals);

  // A rule made of a test alone matches against the initial fact.
  std::unique_ptr<TRule> alone = Rule("(defrule r (test (echo TRUE)) =>)");
  ASSERT_EQ(alone->Patterns().Count(), 2);
  EXPECT_EQ(alone->Patterns()[0]->Name(), SInitialFactTemplate);
}

// ---- Slot constraints

TEST_F(RuleParserTest, ConnectivesGiveTestsInSourceOrder) {
  Template("x", {"s"});
  std::unique_ptr<TIEPattern> pattern = Pattern("(x (s ?v&~red|blue))");
  ASSERT_EQ(TestsOn(*pattern, "s"), 3);
  const TIEPatternMatchTest& v = TestOf(*pattern, "s", 0);
  const TIEPatternMatchTest& red = TestOf(*pattern, "s", 1);
  const TIEPatternMatchTest& blue = TestOf(*pattern, "s", 2);
  EXPECT_EQ(v.SlotValue()->DType(), dtVariable);
  EXPECT_TRUE(v.Conjunction());
  EXPECT_EQ(v.SlotTestType(), sttEquals);
  EXPECT_EQ(red.SlotValue()->AsText(), "red");
  EXPECT_TRUE(red.Conjunction());
  EXPECT_EQ(red.SlotTestType(), sttNotEquals);
  EXPECT_EQ(blue.SlotValue()->AsText(), "blue");
  EXPECT_FALSE(blue.Conjunction());
  EXPECT_EQ(blue.SlotTestType(), sttEquals);
  for (const auto* test : {&v, &red, &blue}) EXPECT_EQ(test->MultiSlotSubIndex(), -1);

  // An "&" after an alternative joins the next term to that alternative.
  std::unique_ptr<TIEPattern> mixed = Pattern("(x (s a|b&~c))");
  EXPECT_TRUE(TestOf(*mixed, "s", 0).Conjunction());
  EXPECT_FALSE(TestOf(*mixed, "s", 1).Conjunction());
  EXPECT_TRUE(TestOf(*mixed, "s", 2).Conjunction());

  // Inside a rule the alternatives are folded into one predicate on ?v.
  std::unique_ptr<TRule> rule = Rule("(defrule r (x (s ?v&~red|blue)) =>)");
  const TIEPattern& folded = *rule->Patterns()[0];
  ASSERT_EQ(TestsOn(folded, "s"), 2);
  EXPECT_EQ(TestOf(folded, "s", 0).SlotValue()->AsText(), "?v");
  EXPECT_EQ(CallOf(TestOf(folded, "s", 1)).FunctionName(), SOrFunction);
}

TEST_F(RuleParserTest, ConstantsOfEveryKindAndPredicates) {
  Template("x", {"s"});
  std::unique_ptr<TIEPattern> pattern = Pattern("(x (s ?v&:(> ?v 1)&~\"t\"&~2.5&~-3))");
  ASSERT_EQ(TestsOn(*pattern, "s"), 5);
  EXPECT_EQ(CallOf(TestOf(*pattern, "s", 1)).FunctionName(), ">");
  EXPECT_EQ(TestOf(*pattern, "s", 1).SlotTestType(), sttEquals);
  EXPECT_EQ(TestOf(*pattern, "s", 2).SlotValue()->DType(), dtString);
  EXPECT_EQ(TestOf(*pattern, "s", 3).SlotValue()->DType(), dtFloat);
  EXPECT_EQ(TestOf(*pattern, "s", 4).SlotValue()->AsInteger(), -3);
  EXPECT_EQ(TestOf(*Pattern("(x (s ~:(echo FALSE)))"), "s", 0).SlotTestType(), sttNotEquals);
}

TEST_F(RuleParserTest, ReturnValueConstraintBindsAFreshVariable) {
  Template("x", {"s"});
  std::unique_ptr<TIEPattern> pattern = Pattern("(x (s =(+ 1 2)))");
  ASSERT_EQ(TestsOn(*pattern, "s"), 2);
  const TIEPatternMatchTest& binder = TestOf(*pattern, "s", 0);
  ASSERT_EQ(binder.SlotValue()->DType(), dtVariable);
  const std::string name = binder.SlotValue()->AsString();
  EXPECT_EQ(name.rfind(SEqualsVariablePrefix, 0), 0u) << name;
  const TFunctionCall& eq = CallOf(TestOf(*pattern, "s", 1));
  EXPECT_EQ(eq.FunctionName(), SEqStarFunction);
  ASSERT_EQ(eq.ArgumentCount(), 2);
  EXPECT_EQ(eq.GetArgument(0)->DType(), dtVariable);
  EXPECT_EQ(eq.GetArgument(0)->AsString(), name);
  EXPECT_EQ(dynamic_cast<const TFunctionCall&>(*eq.GetArgument(1)->AsFunCall()).FunctionName(), "+");

  // "~" negates the comparison, never the binding; each constraint binds its own variable.
  std::unique_ptr<TIEPattern> negated = Pattern("(x (s ~=(+ 1 2)&~=(+ 2 2)))");
  ASSERT_EQ(TestsOn(*negated, "s"), 4);
  EXPECT_EQ(TestOf(*negated, "s", 0).SlotTestType(), sttEquals);
  EXPECT_EQ(TestOf(*negated, "s", 1).SlotTestType(), sttNotEquals);
  EXPECT_NE(TestOf(*negated, "s", 0).SlotValue()->AsString(),
            TestOf(*negated, "s", 2).SlotValue()->AsString());
}

TEST_F(RuleParserTest, MultislotPositionsAndLengths) {
  std::unique_ptr<TIEPattern> ordered = Pattern("(list $?a b $?c)");
  const int32_t data = ordered->IndexOfSlot(SImpliedSlotName);
  ASSERT_EQ(ordered->SlotTestCount(data), 3);
  for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(ordered->SlotTest(data, i)->MultiSlotSubIndex(), i);
  EXPECT_EQ(ordered->SlotTest(data, 0)->SlotValue()->DType(), dtMultiVariable);
  EXPECT_EQ(ordered->SlotLength(data), 3);

  // Alternatives stay at their position.
  std::unique_ptr<TIEPattern> alternatives = Pattern("(list a|b c)");
  EXPECT_EQ(alternatives->SlotTest(data, 1)->MultiSlotSubIndex(), 0);
  EXPECT_EQ(alternatives->SlotTest(data, 2)->MultiSlotSubIndex(), 1);
  EXPECT_EQ(alternatives->SlotLength(data), 2);

  // An ordered pattern without values matches only an empty fact.
  std::unique_ptr<TIEPattern> empty = Pattern("(list)");
  EXPECT_EQ(empty->SlotTestCount(data), 0);
  EXPECT_EQ(empty->SlotLength(data), 0);

  Template("x", {"s"}, {"tags"});
  std::unique_ptr<TIEPattern> named = Pattern("(x (tags a ?b) (s 1))");
  const int32_t tags = named->IndexOfSlot("tags");
  EXPECT_EQ(named->SlotTestCount(tags), 2);
  EXPECT_EQ(named->SlotTest(tags, 1)->MultiSlotSubIndex(), 1);
  EXPECT_EQ(named->SlotLength(tags), 2);
  EXPECT_EQ(named->SlotLength(named->IndexOfSlot("s")), -1);
}

TEST_F(RuleParserTest, VariablesKeepTheKindOfTheirFirstUse) {
  std::unique_ptr<TRule> rule = Rule("(defrule r (a $?x) (b ?x) (c ?y) (d $?y) =>)");
  const auto first = [&](int32_t p) {
    const TIEPattern& pattern = *rule->Patterns()[p];
    return pattern.SlotTest(pattern.IndexOfSlot(SImpliedSlotName), 0)->SlotValue()->DType();
  };
  EXPECT_EQ(first(1), dtMultiVariable);
  EXPECT_EQ(first(3), dtVariable);
  // Anonymous wildcards are distinct variables.
  std::unique_ptr<TIEPattern> blanks = Pattern("(a ? ?)");
  const int32_t data = blanks->IndexOfSlot(SImpliedSlotName);
  EXPECT_NE(blanks->SlotTest(data, 0)->SlotValue()->AsString(),
            blanks->SlotTest(data, 1)->SlotValue()->AsString());
}

TEST_F(RuleParserTest, GoalPatternsGetAnAddressAndACompanion) {
  std::unique_ptr<TRule> rule = Rule("(defrule r (need-x ?a) => )");
  ASSERT_EQ(rule->Patterns().Count(), 2);
  const TIEPattern& goal = *rule->Patterns()[0];
  EXPECT_EQ(goal.BoundName().rfind(SFactIndexVariablePrefix, 0), 0u) << goal.BoundName();
  const TIEPattern& companion = *rule->Patterns()[1];
  EXPECT_EQ(companion.Name(), "x");
  EXPECT_EQ(companion.NegatedCount(), 1);
  EXPECT_EQ(TestsOn(companion, SImpliedSlotName), 1);
}

TEST_F(RuleParserTest, EventsReceiveEachPatternAndTheRule) {
  TIEMorelParser& parser = engine.Parse("(defrule r (a) (not (b)) (test (echo 1)) =>)");
  std::vector<std::string> patterns;
  TObject* ruleSeen = nullptr;
  parser.OnParsePattern = [&](TIEParser* sender, TObject* pattern) {
    EXPECT_EQ(sender, &parser);
    patterns.push_back(dynamic_cast<TIEPattern&>(*pattern).Name());
  };
  parser.OnParseRule = [&](TIEParser*, TObject* rule) { ruleSeen = rule; };
  std::unique_ptr<TRule> rule = parser.ParseRule();
  EXPECT_EQ(patterns, (std::vector<std::string>{"a", "b", "test"}));
  EXPECT_EQ(ruleSeen, rule.get());
}

// ---- Registration

TEST_F(RuleParserTest, TopLevelRulesAreRegisteredAndOwnedByTheEngine) {
  std::vector<TObject*> objects;
  TIEMorelParser& parser = engine.Parse("(defrule r1 (a) =>) (defrule r2 (b) =>)");
  parser.OnParse = [&](TIEParser*, TParsedType kind, TObject* object, const TRef<TRefCounted>&) {
    if (kind == ptNone) objects.push_back(object);
  };
  parser.ParseAll();
  ASSERT_EQ(engine.registry.size(), 2u);
  TRule* r1 = engine.registry.at("r1");
  EXPECT_EQ(r1->Owner(), &engine);
  EXPECT_EQ(engine.ComponentCount(), 2);
  EXPECT_EQ(objects, (std::vector<TObject*>{r1, engine.registry.at("r2")}));
  EXPECT_EQ(engine.output, "");
}

TEST_F(RuleParserTest, ARuleTheRegistryDropsIsNotHandedOn) {
  engine.dropDuplicates = true;
  std::vector<TObject*> objects;
  TIEMorelParser& parser = engine.Parse("(defrule r (a) =>) (defrule r (b) =>)");
  parser.OnParse = [&](TIEParser*, TParsedType kind, TObject* object, const TRef<TRefCounted>&) {
    if (kind == ptNone) objects.push_back(object);
  };
  parser.ParseAll();
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[1], nullptr);
  EXPECT_EQ(engine.ComponentCount(), 1);
  EXPECT_EQ(engine.registry.at("r")->Patterns()[0]->Name(), "a");
}

TEST_F(RuleParserTest, ARuleThatFailsIsNotRegistered) {
  EXPECT_NE(Error("(defrule r (a) => foo)"), "");
  EXPECT_NE(Error("(defrule r (not (a ?x)) =>)"), "");
  EXPECT_TRUE(engine.registry.empty());
  EXPECT_EQ(engine.ComponentCount(), 0);
  // With errors collected, the sound rule after the broken one is registered.
  TIEMorelParser& parser = engine.Parse("(defrule bad (a) => 7) (defrule good (a) =>)");
  parser.SetErrorHandling(ehRaiseAllAtEnd);
  EXPECT_THROW(parser.ParseAll(), EIEParseException);
  EXPECT_EQ(engine.registry.count("good"), 1u);
  EXPECT_EQ(engine.ComponentCount(), 1);
}

TEST(RuleParserWithoutRulesTest, AnEngineWithoutARuleSideRejectsRules) {
  TFakeParserEngine engine;
  EXPECT_THROW(engine.Parse("(defrule r => (echo 1))").ParseAll(), EIEException);
  EXPECT_THROW(engine.Parse("(defrule r (a) =>)").ParseAll(), EIEException);
  // The header and actions parse all the same.
  std::unique_ptr<TRule> rule = engine.Parse("(defrule r => (echo 1))").ParseRule();
  EXPECT_EQ(rule->Engine(), nullptr);
  EXPECT_EQ(rule->Actions().Count(), 1);
}

TEST_F(RuleParserTest, RuleOutlivingItsEngineForgetsIt) {
  auto other = std::make_unique<TFakeRuleParserEngine>();
  std::unique_ptr<TRule> rule = other->Parse("(defrule r =>)").ParseRule();
  EXPECT_EQ(rule->Engine(), other.get());
  other.reset();
  EXPECT_EQ(rule->Engine(), nullptr);
}

// ---- Messages

TEST_F(RuleParserTest, EveryMessageWithItsMethod) {
  Template("x", {"s"}, {"m"});
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"(defrule r (declare (salinece 1)) =>)", "Expected \"salience\" in ParseRule"},
      {"(defrule r (declare salience 1) =>)", "Expected \"salience\" in ParseRule"},
      {"(defrule r (declare (salience 1.5)) =>)",
       "Expected integer, variable, or function call for salience in ParseRule"},
      {"(defrule r (declare (salience abc)) =>)",
       "Expected integer, variable, or function call for salience in ParseRule"},
      {"(defrule r (declare (salience 1) =>)", "Expected \")\" in ParseRule"},
      {"(defrule r ?f (a) =>)", "Expected \"<-\" in ParseRule"},
      {"(defrule r ?f <- (not (a)) =>)", "\"not\" and \"test\" CEs cannot be bound to variables in ParseRule"},
      {"(defrule r ?f <- (exists (a)) =>)", "\"not\" and \"test\" CEs cannot be bound to variables in ParseRule"},
      {"(defrule r ?f <- (test (echo 1)) =>)", "\"not\" and \"test\" CEs cannot be bound to variables in ParseRule"},
      {"(defrule r (a))", "Expected \"=>\" in ParseRule"},
      {"(defrule r (a) = (b))", "Expected \"=>\" in ParseRule"},
      {"(defrule r (a) $?x =>)", "Expected \"=>\" in ParseRule"},
      {"(defrule r (a) => foo)", "Expected \")\" in ParseRule"},
      {"(defrule r (a) => (echo 1) 7)", "Expected \")\" in ParseRule"},
      {"(defrule r (\"a\") =>)", "Expected \"( <atom>\" in ParsePattern"},
      {"(defrule r (not a) =>)", "Expected \"( <atom>\" in ParsePattern"},
      {"(defrule r (not (a) (b)) =>)", "Expected \")\" in ParsePattern"},
      {"(defrule r (test (echo 1) x) =>)", "Expected \")\" in ParsePattern"},
      {"(defrule r (x (s 1) foo) =>)", "Expected \")\" in ParsePattern"},
      {"(defrule r (x (\"s\" 1)) =>)", "Bad Slot Name: \"s\" in ParsePattern"},
      {"(defrule r (a &) =>)", "Bad Slot Value: & in ParsePattern"},
      {"(defrule r (a b&) =>)", "Bad Slot Value: ) in ParsePattern"},
      {"(defrule r (a b|~) =>)", "Bad Slot Value: ) in ParsePattern"},
      {"(defrule r (a (b)) =>)", "Bad Slot Value: ( in ParsePattern"},
      {"(defrule r (x (s 1 2)) =>)", "Slot \"s\" is not a multislot in ParsePattern"},
      {"(defrule r (test 1) =>)", "Expected \"(\" in ParseFunCall"},
      {"(defrule r (x (s =1)) =>)", "Expected \"(\" in ParseFunCall"},
      {"(defrule r (x (s 1))", "Expected \"=>\" in ParseRule"},
  };
  for (const auto& [text, message] : cases) {
    const std::string error = Error(text);
    EXPECT_NE(error.find("Parsing Error, " + message + " at line 1: "), std::string::npos)
        << text << "\n" << error;
  }
  // Outside the top-level loop the header is checked too.
  try {
    Rule("(deffacts f (a))");
    ADD_FAILURE() << "no error";
  } catch (const EIEParseException& e) {
    EXPECT_NE(e.Message().find("Expected \"( defrule\" in ParseRule"), std::string::npos);
  }
}

TEST_F(RuleParserTest, ErrorsOfPatternsAndRulesPassUnchanged) {
  Template("x", {"s"});
  EXPECT_EQ(Error("(defrule r (x (nope 1)) =>)"), "EIEException: No such slot name: \"nope\"");
  EXPECT_EQ(Error("(defrule r (x (nope)) =>)"), "EIEException: No such slot name: \"nope\"");
  EXPECT_EQ(Error("(defrule r (not (a ?v)) =>)"),
            "EIEException: First Use of Variable is negated, variable name is v");
  EXPECT_EQ(Error("(defrule a:b =>)"),
            "EIEException: a:b contains unexpected character: \":\"");
  // A wildcard first used in a negated element is fine.
  EXPECT_EQ(Error("(defrule r (not (a ?)) =>)"), "");
}

TEST_F(RuleParserTest, ErrorsReportTheLineTheyOccurOn) {
  const std::string error = Error("(defrule r\n  (a)\n  (b &)\n  =>)");
  EXPECT_NE(error.find("Bad Slot Value: & in ParsePattern at line 3: "), std::string::npos) << error;
}

// ---- Robustness

TEST_F(RuleParserTest, EveryPrefixAndMutationOfARuleFailsCleanly) {
  Template("x", {"s"}, {"m"});
  const std::string text =
      "(defrule r \"c\" (declare (salience (echo 1))) ?f <- (x (s ?v&~red|=(echo 2)) (m $?a b ?)) "
      "(not (exists (unique (a ?v)))) (explicit (x (s :(echo TRUE)))) (test (echo ?v)) "
      "=> (echo ?f) (echo $?a))";
  ASSERT_EQ(Error(text), "");
  for (size_t cut = 0; cut < text.size(); ++cut) {
    (void)Error(text.substr(0, cut));
    std::string damaged = text;
    damaged.erase(cut, 1);
    (void)Error(damaged);
  }
  std::mt19937 random(12345);
  const std::vector<std::string> pieces = {"(", ")", "defrule", "r", "not", "exists", "test",
                                           "unique", "explicit", "declare", "salience", "=",
                                           ">", "<-", "?f", "$?m", "&", "|", "~", ":", "x", "s",
                                           "m", "1", "\"t\"", "(echo 1)", "=>"};
  for (int round = 0; round < 300; ++round) {
    std::string soup = "(defrule r ";
    const int count = int(random() % 25);
    for (int i = 0; i < count; ++i) soup += pieces[random() % pieces.size()] + " ";
    TIEMorelParser& parser = engine.Parse(soup);
    parser.SetErrorHandling(ehRaiseAllAtEnd);
    try {
      parser.ParseAll();
    } catch (const EIEParseException&) {
    } catch (const EIEException&) {
    }
  }
}

TEST_F(RuleParserTest, DeepNestingIsRefused) {
  std::string text = "(defrule r ";
  for (int i = 0; i < 2000; ++i) text += "(not ";
  text += "(a)";
  for (int i = 0; i < 2000; ++i) text += ")";
  text += " =>)";
  EXPECT_NE(Error(text).find("nested deeper than"), std::string::npos);
}

// ---- Printing back

TEST_F(RuleParserTest, PrintedRulesReadBackToTheSameText) {
  Template("person", {"name", "age"}, {"tags"});
  const std::vector<std::string> rules = {
      "(defrule plain (a) => (echo 1))",
      "(defrule r \"with a comment\" (declare (salience -5)) ?f <- (person (name ?n) (age ~7)) "
      "=> (retract ?f) (echo ?n))",
      "(defrule alternatives (person (name ?n&~bob|jim) (tags $?t a|b ?)) => )",
      "(defrule predicates (person (age ?a&:(> ?a 18)) (name =(echo x))) => )",
      "(defrule negations (a ?x) (not (b ?x)) (exists (c ?x)) (unique (d)) (explicit (e)) => )",
      "(defrule tests (not (a)) (test (> 1 2)) (not (test (echo FALSE))) => (echo \"s\"))",
      "(defrule ordered (list $?a b $?c) (list) => )",
  };
  for (const std::string& text : rules) {
    std::unique_ptr<TRule> first = Rule(text);
    const std::string printed = engine.RuleText(*first);
    std::unique_ptr<TRule> second = Rule(printed);
    EXPECT_EQ(engine.RuleText(*second), printed) << text;
    EXPECT_EQ(second->Patterns().Count(), first->Patterns().Count()) << printed;
  }
}

}  // namespace
