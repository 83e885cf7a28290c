// Fact sets: lines added as facts or as text, lazy parsing, assertion in line
// order, the engine link and its clearing when the engine goes, assignment.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Component.h"
#include "core/Exceptions.h"
#include "facts/IEFactSet.h"
#include "support/FakeFactEngine.h"

namespace {

// The fake engine as a component, so fact sets can be owned by it.
class TComponentEngine : public TComponent, public TFakeFactEngine {
 public:
  std::string FactSetText(const TFactSet& factSet) const override {
    return DefaultFactSetText(factSet);
  }
};

TEST(FactSet, AddGetAndAssert) {
  TComponentEngine engine;
  auto* set = new TFactSet(&engine);  // owned by the engine
  EXPECT_EQ(set->FactSetName(), "FactSet");
  EXPECT_EQ(set->Engine(), &engine);

  IFactRef first = MakeRef<TFact>(TFactTemplate::CreateImplied(&engine, "a"));
  EXPECT_EQ(set->AddFact(first), 0);
  EXPECT_EQ(set->AddFactText("(b x y)"), 1);
  EXPECT_EQ(set->Facts(), (std::vector<std::string>{"(a)", "(b x y)"}));
  EXPECT_EQ(set->GetFact(0).get(), first.get());
  EXPECT_EQ(engine.parses, 0);
  IFactRef second = set->GetFact(1);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->AsText(), "(b x y)");
  EXPECT_EQ(set->GetFact(1).get(), second.get());  // parsed once
  EXPECT_EQ(engine.parses, 1);
  EXPECT_THROW(set->GetFact(2), EListError);

  set->AssertFacts();
  ASSERT_EQ(engine.asserted.size(), 2u);
  EXPECT_EQ(engine.asserted[0].get(), first.get());
  EXPECT_EQ(engine.asserted[1]->ID(), 1);

  set->SetFactSetName("start");
  set->SetComment("c");
  EXPECT_EQ(set->AsText(), "(deffacts start \"c\"\r\n    (a)\r\n    (b x y)\r\n)");

  // A line given as text keeps its own text once parsed; a line given as a
  // fact has the fact's text.
  EXPECT_EQ(set->AddFactText("(c   z)"), 2);
  ASSERT_TRUE(set->GetFact(2));
  EXPECT_EQ(set->Facts(), (std::vector<std::string>{"(a)", "(b x y)", "(c   z)"}));
}

TEST(FactSet, EngineLinkAndAssign) {
  auto engine = std::make_unique<TComponentEngine>();
  TFactSet set;
  set.SetFacts({"(a b)"});
  EXPECT_EQ(set.GetFact(0), nullptr);  // no engine, no parser
  set.SetEngine(engine.get());
  EXPECT_EQ(engine->factSets, (std::vector<TFactSet*>{&set}));
  ASSERT_TRUE(set.GetFact(0));
  EXPECT_EQ(set.GetFact(0)->AsText(), "(a b)");

  TFactSet copy;
  copy.Assign(&set);
  EXPECT_EQ(copy.Facts(), set.Facts());
  EXPECT_EQ(copy.GetFact(0).get(), set.GetFact(0).get());

  engine.reset();  // the engine goes: the link is cleared
  EXPECT_EQ(set.Engine(), nullptr);
}

TEST(FactSet, PublishedPropertiesAndAttachedFacts) {
  TComponentEngine engine;
  auto* set = new TFactSet(&engine);
  set->SetFacts({"(a)", "(b c)"});
  std::optional<TProperty> facts = FindProperty(*set, "Facts");
  ASSERT_TRUE(facts);
  EXPECT_EQ(std::get<std::vector<std::string>>(facts->Get()),
            (std::vector<std::string>{"(a)", "(b c)"}));
  facts->Set(TPropertyValue(std::vector<std::string>{"(z)"}));
  EXPECT_EQ(set->FactCount(), 1);
  ASSERT_TRUE(FindProperty(*set, "FactSetName"));
  EXPECT_EQ(std::get<std::string>(*FindProperty(*set, "FactSetName")->Default), "FactSet");

  set->AddFactText("(later)");
  engine.parses = 0;
  TIList<TFact> list;
  set->AssignFactsTo(list);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(0).get(), set->GetFact(0).get());
  EXPECT_EQ(list.Get(1), nullptr);  // not parsed yet
  EXPECT_EQ(engine.parses, 0);
}

}  // namespace
