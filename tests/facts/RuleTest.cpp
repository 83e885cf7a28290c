// Rules: numbers and names, salience, the engine link, the analysis of added
// patterns (initial-fact pattern, bindings and positions with not, test,
// exists, unique and goal patterns, anonymous wildcards, first use negated),
// loading bindings from a token, firing and return, renaming, assignment.
#include <gtest/gtest.h>

#include "core/Exceptions.h"
#include "facts/IERule.h"
#include "functions/IEFunctionCall.h"
#include "support/ExceptionText.h"
#include "support/FakeRuleEngine.h"

namespace {

class RuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    person = MakeTemplate(&engine, "person", {"name", "age"}, {"kids"});
    pet = MakeTemplate(&engine, "pet", {"owner"});
    engine.GetFactTemplate(SNotOrTestTemplate);
  }

  // A pattern on Template with (slot value) tests; values starting with "?"
  // are variables.
  std::unique_ptr<TIEPattern> Pattern(const IFactTemplate& t, int32_t negated,
                                      std::initializer_list<std::pair<const char*, const char*>> tests) {
    auto p = std::make_unique<TIEPattern>(nullptr, negated, t, t->Name());
    for (const auto& [slot, value] : tests) {
      IIEValue v = value[0] == '?' ? Var(value + 1) : Atom(value);
      p->AddTest(slot, v, true, false, -1);
    }
    return p;
  }
  std::unique_ptr<TIEPattern> TestPattern(IIEValue call) {
    auto p = std::make_unique<TIEPattern>(nullptr, 0, engine.GetFactTemplate("test"), "test");
    p->AddTest(SImpliedSlotName, call, true, false, -1);
    return p;
  }
  static std::string Names(const TRule& rule) {
    std::string text;
    for (const auto& p : rule.Patterns()) {
      if (!text.empty()) text += ' ';
      text += std::string(p->NegatedCount(), '!') + p->Name();
    }
    return text;
  }
  static std::string Binding(const TRule& rule, const char* name) {
    TBinding* b = rule.FindRuleBinding(name);
    if (!b) return "none";
    return std::to_string(b->FactIndex()) + " " + b->SlotIndex() + " " + std::to_string(b->SubIndex());
  }
  IFactRef Person(const char* name, int32_t id) {
    IFactRef f = MakeRef<TFact>(person);
    f->SetSlotValue("name", Atom(name));
    f->SetSlotValue("kids", AtomList({"al", "cy"}));
    f->SetID(id);
    return f;
  }
  IFactRef Placeholder() {
    IFactRef f = MakeRef<TFact>(engine.GetFactTemplate(SNotOrTestTemplate));
    f->SetID(-1);
    return f;
  }

  TFakeRuleEngine engine;
  IFactTemplate person, pet;
};

TEST_F(RuleTest, NumberNameAndEngineFromTheOwner) {
  TRule first(&engine);
  TRule second(&engine);
  EXPECT_EQ(first.RuleNumber(), 1);
  EXPECT_EQ(second.RuleName(), "Rule_2");
  EXPECT_EQ(second.Engine(), &engine);
  EXPECT_TRUE(engine.log.empty());  // construction does not register
  TRule loose;
  EXPECT_EQ(loose.RuleName(), "Rule_0");
  EXPECT_EQ(loose.Engine(), nullptr);
}

TEST_F(RuleTest, RenamingChecksCharactersAndTellsTheEngine) {
  TRule rule(&engine);
  EXPECT_EQ(MessageOf<EIEException>([&] { rule.SetRuleName("bad name"); }),
            "bad name contains unexpected character: \" \"");
  EXPECT_EQ(MessageOf<EIEException>([&] { rule.SetRuleName("a?b"); }), "a?b contains unexpected character: \"?\"");
  EXPECT_EQ(rule.RuleName(), "Rule_1");
  rule.SetRuleName("go");
  rule.SetRuleName("go");
  EXPECT_EQ(engine.log, std::vector<std::string>{"rename Rule_1->go"});
  EXPECT_EQ(engine.recompiles, 1);
}

TEST_F(RuleTest, SalienceAndItsExpression) {
  TRule rule(&engine);
  int changes = 0;
  rule.OnChange = [&](TObject*) { ++changes; };
  rule.SetSalience(0);
  EXPECT_EQ(changes, 0);
  rule.SetSalience(10);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(rule.SalienceExpression()->AsInteger(), 10);

  engine.root->AddBinding("s", Int(42));
  rule.SetSalienceExpression(Var("s"));
  EXPECT_EQ(rule.Salience(), 42);
  engine.root->SetVariable("s", Int(-5));
  EXPECT_EQ(rule.EvaluateSalience(), -5);
  EXPECT_EQ(changes, 1);  // evaluation reports nothing

  TRule loose;
  loose.SetSalienceExpression(Int(7));
  EXPECT_EQ(loose.Salience(), 7);
}

TEST_F(RuleTest, EngineSetterMovesTheRuleBetweenRegistries) {
  TFakeRuleEngine other;
  TRule rule;
  rule.SetRuleName("r");
  rule.SetEngine(&engine);
  EXPECT_EQ(rule.RuleNumber(), 1);
  rule.SetEngine(&other);
  EXPECT_EQ(rule.RuleNumber(), 1);
  EXPECT_EQ(engine.log, (std::vector<std::string>{"register r", "unregister r"}));
  EXPECT_EQ(other.log, std::vector<std::string>{"register r"});
  {
    TFakeRuleEngine doomed;
    rule.SetEngine(&doomed);
  }
  EXPECT_EQ(rule.Engine(), nullptr);
  EXPECT_EQ(MessageOf<EIEException>([&] { rule.AddPattern(Pattern(person, 0, {})); }),
            "Unknown/Undefined Inference Engine");
  EXPECT_TRUE(rule.Patterns().IsEmpty());
}

TEST_F(RuleTest, BindingsAndPositionsOfPlainPatterns) {
  TRule rule(&engine);
  auto first = Pattern(person, 0, {{"name", "?n"}, {"age", "?a"}});
  first->SetBoundName("p");
  rule.AddPattern(std::move(first));
  rule.AddPattern(Pattern(pet, 0, {{"owner", "?n"}}));
  EXPECT_EQ(Names(rule), "person pet");
  EXPECT_EQ(rule.BindingCount(), 3);
  EXPECT_EQ(Binding(rule, "p"), "0 __PATTERN -1");
  EXPECT_EQ(Binding(rule, "n"), "0 name -1");  // the later use stays a test
  EXPECT_EQ(Binding(rule, "a"), "0 age -1");
  EXPECT_EQ(rule.IndexOfRuleBinding("a"), 2);
  EXPECT_EQ(rule.IndexOfRuleBinding("N"), -1);
  EXPECT_EQ(rule.Patterns().Get(1)->Rule(), &rule);
}

TEST_F(RuleTest, FirstNotGetsTheInitialFactPatternInFront) {
  TRule rule(&engine);
  rule.AddPattern(Pattern(pet, 1, {}));
  rule.AddPattern(Pattern(person, 0, {{"name", "?n"}}));
  EXPECT_EQ(Names(rule), "Initial-Fact !pet person");
  EXPECT_EQ(rule.Patterns().Get(0)->FactTemplate(), engine.FindFactTemplate("Initial-Fact"));
  EXPECT_EQ(Binding(rule, "n"), "2 name -1");
}

TEST_F(RuleTest, FirstTestAndFirstBackwardChainingPatternToo) {
  TRule withTest(&engine);
  withTest.AddPattern(TestPattern(Atom("TRUE")));
  EXPECT_EQ(Names(withTest), "Initial-Fact test");

  IFactTemplate wanted = MakeTemplate(&engine, "wanted", {"x"});
  wanted->SetBackwardChaining(true);
  TRule chaining(&engine);
  chaining.AddPattern(Pattern(wanted, 0, {{"x", "?x"}}));
  EXPECT_EQ(Names(chaining), "Initial-Fact wanted");
  EXPECT_EQ(Binding(chaining, "x"), "1 x -1");

  // An existence test first gets one too, so that it is joined and fires once.
  TRule existing(&engine);
  existing.AddPattern(Pattern(person, 2, {{"name", "?n"}}));
  EXPECT_EQ(Names(existing), "Initial-Fact !!person");
  EXPECT_EQ(Binding(existing, "n"), "1 name -1");

  // Only a first pattern gets one.
  TRule later(&engine);
  later.AddPattern(Pattern(person, 0, {{"name", "?n"}}));
  later.AddPattern(Pattern(pet, 1, {}));
  later.AddPattern(TestPattern(Atom("TRUE")));
  EXPECT_EQ(Names(later), "person !pet test");
  EXPECT_EQ(Binding(later, "n"), "0 name -1");
}

TEST_F(RuleTest, FirstUseOfAVariableInANegatedPatternIsAnError) {
  TRule rule(&engine);
  rule.AddPattern(Pattern(person, 0, {{"name", "?n"}}));
  int changes = 0;
  rule.OnChange = [&](TObject*) { ++changes; };
  EXPECT_EQ(MessageOf<EIEException>([&] { rule.AddPattern(Pattern(pet, 1, {{"owner", "?m"}})); }),
            "First Use of Variable is negated, variable name is m");
  EXPECT_EQ(Names(rule), "person");  // taken back, no binding left behind
  EXPECT_EQ(rule.BindingCount(), 1);
  EXPECT_EQ(changes, 0);
  // An already bound variable is fine: it becomes a join test.
  rule.AddPattern(Pattern(pet, 1, {{"owner", "?n"}}));
  EXPECT_EQ(Names(rule), "person !pet");
  EXPECT_EQ(changes, 1);

  // A failing first pattern takes its initial-fact pattern back too.
  TRule fresh(&engine);
  EXPECT_THROW(fresh.AddPattern(Pattern(pet, 1, {{"owner", "?m"}})), EIEException);
  EXPECT_TRUE(fresh.Patterns().IsEmpty());
}

TEST_F(RuleTest, WildcardsOfNegatedPatternsGetANamePerPattern) {
  TRule rule(&engine);
  rule.AddPattern(Pattern(person, 0, {{"name", "?n"}}));
  IFunctionCall call = TFunctionCall::Create(nullptr, "p");
  call->AddArgument(Var("_blank_7"));
  auto negated = Pattern(pet, 1, {{"owner", "?_blank_7"}});
  negated->AddTest("owner", TIEValue::MakeFunCall(call), true, false, -1);
  rule.AddPattern(std::move(negated));
  rule.AddPattern(Pattern(pet, 1, {{"owner", "?_blank_7"}}));

  const TIEPattern* second = rule.Patterns().Get(1);
  EXPECT_EQ(second->SlotTest(0, 0)->SlotValue()->AsString(), "_blank_7_2_");
  EXPECT_EQ(second->SlotTest(0, 1)->SlotValue()->AsText(), "(p ?_blank_7_2_)");
  EXPECT_EQ(rule.Patterns().Get(2)->SlotTest(0, 0)->SlotValue()->AsString(), "_blank_7_3_");
  EXPECT_EQ(Binding(rule, "_blank_7_2_"), "1 owner -1");
  EXPECT_EQ(Binding(rule, "_blank_7"), "none");
}

TEST_F(RuleTest, GoalPatternGetsAFactVariableAndAnAbsenceCompanion) {
  IFactTemplate goal = MakeTemplate(&engine, "need-person", {"name", "age"});
  TRule rule(&engine);
  auto need = Pattern(goal, 0, {{"name", "?n"}, {"age", "?_blank_3"}});
  need->SetName("need-person");
  rule.AddPattern(std::move(need));
  EXPECT_EQ(Names(rule), "need-person !person");
  const TIEPattern* first = rule.Patterns().Get(0);
  EXPECT_EQ(first->BoundName(), "__factidx1");
  EXPECT_EQ(Binding(rule, "__factidx1"), "0 __PATTERN -1");
  EXPECT_EQ(Binding(rule, "n"), "0 name -1");

  const TIEPattern* companion = rule.Patterns().Get(1);
  EXPECT_EQ(companion->FactTemplate(), goal);
  EXPECT_TRUE(companion->BoundName().empty());
  EXPECT_EQ(companion->Rule(), &rule);
  EXPECT_EQ(companion->SlotTest(companion->IndexOfSlot("name"), 0)->SlotValue()->AsString(), "n");
  // The wildcard got a fresh name from the engine, then its per-pattern name.
  EXPECT_EQ(companion->SlotTest(companion->IndexOfSlot("age"), 0)->SlotValue()->AsString(), "_blank_2_2_");
}

TEST_F(RuleTest, AnalysisIsReportedOnceAsAChange) {
  TRule rule(&engine);
  int changes = 0;
  rule.OnChange = [&](TObject*) { ++changes; };
  rule.AddPattern(Pattern(pet, 1, {}));  // inserts the initial-fact pattern too
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(engine.recompiles, 1);
  rule.BeginUpdate();
  rule.AddPattern(Pattern(person, 0, {}));
  rule.Actions().Add(IFunCall(new TLambdaCall([](TIEContext*) { return IIEValue(); })));
  rule.Patterns().Get(2)->SetUnique(true);
  EXPECT_EQ(changes, 1);
  rule.EndUpdate();
  EXPECT_EQ(changes, 2);
  rule.Actions().Delete(0);
  EXPECT_EQ(changes, 3);
}

TEST_F(RuleTest, LoadBindingsSkipsPlaceholdersAndLocals) {
  TRule rule(&engine);
  auto first = Pattern(person, 0, {{"name", "?n"}});
  first->SetBoundName("f");
  first->AddTest("kids", Var("k"), true, false, 1);
  rule.AddPattern(std::move(first));
  rule.AddPattern(Pattern(pet, 1, {{"owner", "?_blank_1"}}));
  rule.AddRuleBinding("local", -2, BindingLocalSlot, -1);
  rule.AddRuleBinding("far", 9, "name", -1);

  IReteToken token(new TFakeToken({IFact(Person("bob", 4)), IFact(Placeholder())}));
  TIEContext context;
  rule.LoadBindings(token, context);
  EXPECT_EQ(context.GetVariableValue("f")->DType(), dtFactId);
  EXPECT_EQ(context.GetVariableValue("f")->AsInteger(), 4);
  EXPECT_EQ(context.GetVariableValue("n")->AsString(), "bob");
  EXPECT_EQ(context.GetVariableValue("k")->AsString(), "cy");
  EXPECT_EQ(context.FindBinding("_blank_1_2_"), nullptr);
  EXPECT_EQ(context.FindBinding("local"), nullptr);
  EXPECT_EQ(context.FindBinding("far"), nullptr);
}

TEST_F(RuleTest, FireBindsRunsActionsAndStopsAtReturn) {
  TRule rule(&engine);
  rule.AddPattern(Pattern(person, 0, {{"name", "?n"}}));
  std::vector<std::string> seen;
  auto record = [&](const char* tag) {
    return IFunCall(new TLambdaCall([&seen, tag](TIEContext* c) {
      seen.push_back(std::string(tag) + ":" + c->GetVariableValue("n")->AsString());
      return IIEValue();
    }));
  };
  rule.Actions().Add(record("a"));
  rule.Actions().Add(IFunCall(new TLambdaCall([](TIEContext* c) {
    c->SetReturnValue(Atom("done"));
    return IIEValue();
  })));
  rule.Actions().Add(record("b"));
  TIEContext* fired = nullptr;
  rule.OnFire = [&](TObject* sender, TIEContext* context) {
    EXPECT_EQ(sender, &rule);
    EXPECT_EQ(context->Parent(), engine.root.get());
    fired = context;
  };

  IReteToken token(new TFakeToken({IFact(Person("bob", 1))}));
  rule.Fire(token);
  EXPECT_NE(fired, nullptr);
  EXPECT_EQ(seen, std::vector<std::string>{"a:bob"});
  EXPECT_FALSE(engine.root->Returned());  // the return state stays with the firing
  EXPECT_EQ(engine.root->FindBinding("n"), nullptr);

  // The next firing runs from the start again.
  seen.clear();
  rule.Fire(IReteToken(new TFakeToken({IFact(Person("ann", 2))})));
  EXPECT_EQ(seen, std::vector<std::string>{"a:ann"});

  // A return set while OnFire runs skips every action.
  seen.clear();
  rule.OnFire = [](TObject*, TIEContext* context) { context->SetReturnValue(Atom("x")); };
  rule.Fire(token);
  EXPECT_TRUE(seen.empty());
}

TEST_F(RuleTest, FireErrors) {
  TRule loose;
  EXPECT_EQ(MessageOf<EIEException>([&] { loose.Fire(nullptr); }), "Unknown/Undefined Inference Engine");

  TRule rule(&engine);
  rule.Actions().Add(IFunCall(new TLambdaCall([](TIEContext* c) -> IIEValue {
    c->SetReturnValue(Atom("half"));
    throw EIEException("boom");
  })));
  EXPECT_EQ(MessageOf<EIEException>([&] { rule.Fire(IReteToken(new TFakeToken({}))); }), "boom");
  EXPECT_FALSE(engine.root->Returned());
}

TEST_F(RuleTest, RenameVariablesReachesNestedCalls) {
  IFunctionCall inner = TFunctionCall::Create(nullptr, "g");
  inner->AddArgument(TIEValue::MakeMultiVariable("a"));
  inner->AddArgument(Var("c"));
  IFunctionCall outer = TFunctionCall::Create(nullptr, "f");
  outer->AddArgument(Var("a"));
  outer->AddArgument(inner);
  outer->AddArgument(Atom("a"));
  TRule::RenameVariables(outer, {{"a", "b"}});
  EXPECT_EQ(outer->AsText(), "(f ?b (g $?b ?c) a)");
}

TEST_F(RuleTest, AssignWithinOneEngineCopiesTheRule) {
  IFactTemplate goal = MakeTemplate(&engine, "need-person", {"name"});
  TRule source(&engine);
  source.SetRuleName("src");
  source.SetComment("a comment");
  source.SetSalience(5);
  source.AddPattern(Pattern(pet, 1, {}));
  auto need = Pattern(goal, 0, {{"name", "?n"}});
  need->SetName("need-person");
  source.AddPattern(std::move(need));
  source.Actions().Add(IFunCall(new TLambdaCall([](TIEContext*) { return IIEValue(); })));
  ASSERT_EQ(Names(source), "Initial-Fact !pet need-person !person");

  TRule copy(&engine);
  int changes = 0;
  copy.OnChange = [&](TObject*) { ++changes; };
  copy.Assign(&source);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(copy.RuleName(), "src");
  EXPECT_EQ(copy.Comment(), "a comment");
  EXPECT_EQ(copy.Salience(), 5);
  EXPECT_EQ(Names(copy), "Initial-Fact !pet need-person !person");  // one companion
  EXPECT_EQ(copy.Actions().Count(), 1);
  EXPECT_NE(copy.Actions().Get(0).get(), source.Actions().Get(0).get());
  EXPECT_EQ(Binding(copy, "n"), "2 name -1");
  EXPECT_NE(copy.Patterns().Get(1), source.Patterns().Get(1));
}

TEST_F(RuleTest, TextAndStoredText) {
  TRule rule(&engine);
  EXPECT_EQ(rule.Text(), "<rule Rule_1>");
  auto text = FindProperty(rule, "Text");
  ASSERT_TRUE(text.has_value());
  EXPECT_FALSE(text->Stored());  // nothing to store yet
  rule.AddPattern(Pattern(person, 0, {}));
  EXPECT_TRUE(text->Stored());
  EXPECT_EQ(std::get<std::string>(text->Get()), "<rule Rule_1>");
  TRule loose;
  EXPECT_EQ(loose.Text(), "");
}

}  // namespace
