// The engine as text: the save text section by section, the loads that clear
// first, round trips of a whole program through the save text, the component
// stream and Assign.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/ComponentStream.h"
#include "core/Exceptions.h"
#include "core/Streams.h"
#include "engine/InferenceEngine.h"
#include "facts/IERule.h"

namespace {

const char kImpliedTemplates[] =
    "(deftemplate __NOT-OR-TEST-CE* \"(Implied)\" \r\n    (multislot __Data )\r\n)\r\n"
    "(deftemplate Initial-Fact \"(Implied)\" \r\n    (multislot __Data )\r\n)\r\n";

// Templates with typed slots and defaults, a deffunction, globals, a fact set,
// rules with salience, not, exists, test, a fact address, connectives and a
// multifield variable, and facts asserted by a command.
const char kProgram[] =
    "(deftemplate person \"a person\" (slot name) (slot years (type INTEGER) (default 0))"
    " (multislot labels))\r\n"
    "(deftemplate pet (slot owner) (slot kind (default cat)))\r\n"
    "(deffunction older (?a ?b) \"compares ages\" (> ?a ?b))\r\n"
    "(deffunction greet (?who $?rest) (printout t hello ?who crlf) (length$ ?rest))\r\n"
    "(defglobal ?*limit* = 30 ?*seen* = (create$ a b))\r\n"
    "(deffacts people \"the people\"\r\n"
    "  (person (name ann) (years 40) (labels a b))\r\n"
    "  (person (name bob) (years 20))\r\n"
    "  (pet (owner ann)))\r\n"
    "(deffacts colours (colour blue) (colour red green))\r\n"
    "(defrule adult (declare (salience 10)) (person (name ?n) (years ?a))"
    " (test (older ?a ?*limit*)) => (printout t ?n crlf))\r\n"
    "(defrule lonely (person (name ?n)) (not (pet (owner ?n))) => (assert (lonely ?n)))\r\n"
    "(defrule has-pet (declare (salience -5)) (person (name ?n)) (exists (pet (owner ?n)))"
    " => (printout t ?n \" has a pet\" crlf))\r\n"
    "(defrule labelled ?f <- (person (labels a $?rest)) => (modify ?f (labels b)))\r\n"
    "(defrule colour (colour ?c&~red $?more) => (retract 1) (greet ?c found))\r\n"
    "(defrule start =>)\r\n"
    "(assert (colour yellow) (pet (owner bob) (kind dog)))\r\n";

std::vector<std::string> AgendaOf(const TInferenceEngine& engine) {
  std::vector<std::string> lines;
  for (int32_t i = 0; i < engine.AgendaCount(); ++i) lines.push_back(engine.AgendaText(i));
  return lines;
}

std::string PrintedRun(TInferenceEngine& engine) {
  std::string printed;
  engine.OnPrintOut = [&](TObject*, const std::string&, const std::string& text) {
    printed += text;
  };
  engine.Run();
  engine.OnPrintOut = nullptr;
  return printed;
}

TEST(SaveTextTest, NewAndClearedEngine) {
  TInferenceEngine engine;
  const std::string head = std::string("; *************************\r\n; Fact Templates \r\n\r\n") +
                           kImpliedTemplates +
                           "\r\n; *************************\r\n; Deffunctions \r\n"
                           "\r\n; *************************\r\n; Rules \r\n\r\n"
                           "\r\n; *************************\r\n; Fact Sets \r\n\r\n";
  EXPECT_EQ(engine.GetText(), head +
                                  "\r\n; *************************\r\n; Facts \r\n\r\n"
                                  "(assert\r\n    (Initial-Fact)\r\n)\r\n");
  // Without facts and globals: four sections only.
  engine.Clear();
  TStringStream stream("");
  engine.SaveToStream(stream);
  EXPECT_EQ(stream.DataString(), head);
}

TEST(SaveTextTest, SectionsOfAProgram) {
  TInferenceEngine engine;
  engine.SetText(
      "(deftemplate p (slot x))\r\n"
      "(deffunction f (?a) (+ ?a 1))\r\n"
      "(deffunction g ())\r\n"
      "(defrule r (p (x ?v)) => (f ?v))\r\n"
      "(deffacts s (p (x 1)))\r\n"
      "(defglobal ?*g* = 2)\r\n");
  const std::string text = engine.GetText();
  const auto section = [&](const std::string& header, const std::string& next) {
    const size_t from = text.find(header);
    EXPECT_NE(from, std::string::npos) << header;
    const size_t to = next.empty() ? text.size() : text.find(next, from);
    return text.substr(from + header.size(), to - from - header.size());
  };
  const std::string ruler = "\r\n; *************************\r\n";
  EXPECT_EQ(section("; Fact Templates \r\n\r\n", ruler),
            std::string(kImpliedTemplates) + "(deftemplate p \"\" \r\n    (slot x )\r\n)\r\n");
  // Each deffunction text comes after its line break (order: the registry's).
  const std::string functions = section("; Deffunctions \r\n", ruler);
  EXPECT_NE(functions.find("\r\n(deffunction f (?a)\r\n    (+ ?a 1)\r\n)\r\n"), std::string::npos)
      << functions;
  EXPECT_NE(functions.find("\r\n(deffunction g ()\r\n)\r\n"), std::string::npos) << functions;
  EXPECT_EQ(functions.size(), std::string("\r\n(deffunction f (?a)\r\n    (+ ?a 1)\r\n)\r\n"
                                          "\r\n(deffunction g ()\r\n)\r\n").size());
  EXPECT_EQ(section("; Rules \r\n\r\n", ruler),
            "(defrule r\r\n    \"\"\r\n    (declare (salience 0))\r\n    (p (x ?v) )\r\n"
            "    =>\r\n    (f ?v))\r\n");
  EXPECT_EQ(section("; Fact Sets \r\n\r\n", ruler), "(deffacts s \"\"\r\n    (p (x 1))\r\n)");
  EXPECT_EQ(section("; Facts \r\n\r\n", ruler),
            "(assert\r\n    (Initial-Fact)\r\n    (p (x 1))\r\n)\r\n");
  EXPECT_EQ(section("; Global Variables \r\n\r\n", ""), "(defglobal ?*g* = 2)");
}

TEST(SaveTextTest, ProgramRoundTripsThroughItsText) {
  TInferenceEngine first;
  first.Evaluate(kProgram);
  const std::string text = first.GetText();
  TInferenceEngine second;
  second.Evaluate(text);
  EXPECT_EQ(second.GetText(), text);
  first.Reset();
  second.Reset();
  ASSERT_GT(first.AgendaCount(), 3);
  EXPECT_EQ(AgendaOf(second), AgendaOf(first));
  EXPECT_EQ(PrintedRun(second), PrintedRun(first));
  EXPECT_EQ(second.Facts().Text(true), first.Facts().Text(true));
}

TEST(SaveTextTest, LoadsThatClearAndPartialTexts) {
  TInferenceEngine engine;
  engine.Evaluate(
      "(deftemplate pet (slot owner) (slot kind))\r\n"
      "(defrule cat (pet (kind cat)) =>)\r\n"
      "(defrule dog (pet (owner ?o) (kind dog)) => (printout t ?o))\r\n"
      "(deffacts pets (pet (owner ann) (kind cat)))\r\n");
  TStringStream saved("");
  engine.SaveFactTemplatesToStream(saved);
  EXPECT_EQ(saved.DataString(), engine.FactTemplates().GetText());
  const std::string templates = saved.DataString();
  engine.SaveRulesToStream(saved);
  EXPECT_EQ(saved.DataString().substr(templates.size()), engine.Rules().GetText());

  // The rules alone replace the registry's rules; templates stay.
  TStringStream other("(defrule only (pet (kind ?k)) =>)");
  engine.LoadRulesFromStream(other);
  ASSERT_EQ(engine.Rules().Count(), 1);
  EXPECT_NE(engine.Rules().Find("only"), nullptr);
  EXPECT_TRUE(engine.FindFactTemplate("pet"));
  EXPECT_EQ(engine.FactSets().Count(), 1);

  saved.SetPosition(0);
  engine.ClearAndLoadFromStream(saved);
  EXPECT_EQ(engine.FactTemplates().GetText(), templates);
  EXPECT_EQ(engine.Rules().Count(), 2);
  EXPECT_EQ(engine.FactCount(), 0);
  EXPECT_EQ(engine.FactSets().Count(), 0);
}

TEST(SaveTextTest, AssignCopiesTheWholeRuleSystem) {
  auto source = std::make_unique<TInferenceEngine>();
  source->Evaluate(kProgram);
  source->SetStrategy(ssBreadthFirst);
  source->SetFactDuplication(true);
  source->SetDuplicateConstructs(dcIgnore);
  source->SetWatch({cwRule});
  source->SetResetGlobals(false);
  source->SetSymbolIndex(500);
  source->SetPackages({pStandard, pMath});
  source->EngineVariables().Put("stored", TIEValue::MakeInteger(7));

  TInferenceEngine copy;
  copy.Assign(source.get());
  // A pattern-less rule prints a fresh placeholder each time, so the rules
  // are compared by what they do (the agenda) rather than by their texts.
  EXPECT_EQ(copy.FactTemplates().GetText(), source->FactTemplates().GetText());
  EXPECT_EQ(copy.UserFunctions().GetText(), source->UserFunctions().GetText());
  EXPECT_EQ(copy.FactSets().GetText(), source->FactSets().GetText());
  EXPECT_EQ(copy.GlobalVariables().GetText(), source->GlobalVariables().GetText());
  EXPECT_EQ(copy.Facts().Text(), source->Facts().Text());
  EXPECT_EQ(copy.Rules().Count(), source->Rules().Count());
  EXPECT_EQ(copy.Strategy(), ssBreadthFirst);
  EXPECT_TRUE(copy.FactDuplication());
  EXPECT_EQ(copy.DuplicateConstructs(), dcIgnore);
  EXPECT_EQ(copy.Watch(), TConstructWatches{cwRule});
  EXPECT_FALSE(copy.ResetGlobals());
  EXPECT_EQ(copy.Packages(), TInferenceEngine::ConstructionPackages);
  EXPECT_LT(copy.SymbolIndex(), 500);
  EXPECT_EQ(copy.EngineVariables().Get("stored")->AsInteger(), 7);
  EXPECT_EQ(AgendaOf(copy), AgendaOf(*source));
  for (TRule* rule : copy.Rules().Rules()) EXPECT_EQ(rule->Owner(), &copy);

  // The copy keeps working when its source is gone.
  source->Reset();
  const std::vector<std::string> agenda = AgendaOf(*source);
  source.reset();
  copy.Reset();
  EXPECT_EQ(AgendaOf(copy), agenda);
  EXPECT_EQ(copy.EvaluateFunCall("(older 3 (+ 1 1))")->AsText(), "TRUE");
  copy.SetWatch({});
  EXPECT_NE(PrintedRun(copy), "");
}

TEST(SaveTextTest, PersistedNewEngineReadsBackToTheSameState) {
  TInferenceEngine engine;
  engine.SetPackages({});
  const std::string text = ComponentToText(engine);
  EXPECT_NE(text.find("  Packages = []\r\n"), std::string::npos) << text;
  std::unique_ptr<TComponent> read = TextToComponent(text);
  auto* copy = dynamic_cast<TInferenceEngine*>(read.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetText(), engine.GetText());
  EXPECT_EQ(copy->Facts().Text(), "(Initial-Fact)");
  EXPECT_EQ(copy->FactTemplateCount(), 2);
  // Reading the index advances it, as setting any index not above it does.
  EXPECT_EQ(copy->SymbolIndex(), 1);
}

TEST(SaveTextTest, PersistedProgramReadsBack) {
  TComponent window;
  auto* engine = new TInferenceEngine(&window);
  // The persisted form holds templates, rules and facts (no functions, no
  // globals), so its rules use neither.
  engine->Evaluate(
      "(deftemplate person (slot name) (multislot labels))\r\n"
      "(deftemplate pet (slot owner))\r\n"
      "(defrule lonely (person (name ?n)) (not (pet (owner ?n))) => (assert (lonely ?n)))\r\n"
      "(defrule labelled ?f <- (person (labels a $?rest)) => (modify ?f (labels b)))\r\n"
      "(defrule start =>)\r\n"
      "(deffacts none)\r\n"
      "(assert (person (name ann) (labels a b)) (pet (owner bob)) (colour \"it's\"))\r\n");
  std::unique_ptr<TComponent> read = TextToComponent(ComponentToText(window));
  ASSERT_EQ(read->ComponentCount(), 1);
  auto* copy = dynamic_cast<TInferenceEngine*>(read->Components(0));
  ASSERT_NE(copy, nullptr);
  // Templates and rules are read back in the source's table order, which
  // places colliding names differently: they are compared as sets.
  EXPECT_EQ(copy->FactTemplateCount(), engine->FactTemplateCount());
  for (const IFactTemplate& t : engine->FactTemplates().Templates())
    EXPECT_EQ(copy->FindFactTemplate(t->Name())->AsText(), t->AsText());
  EXPECT_EQ(copy->Rules().Count(), engine->Rules().Count());
  EXPECT_EQ(copy->Facts().Text(), engine->Facts().Text());
  // The facts read back reach the rules read back, the pattern-less one too.
  // (Compared by rule: the copy numbers its facts from 1, after the fact
  // its construction asserted.)
  const auto rulesOf = [](const TInferenceEngine& e) {
    std::vector<std::string> names;
    for (const std::string& line : AgendaOf(e)) names.push_back(line.substr(0, line.find(' ')));
    std::sort(names.begin(), names.end());
    return names;
  };
  EXPECT_EQ(rulesOf(*copy), (std::vector<std::string>{"labelled", "lonely", "start"}));
  EXPECT_EQ(rulesOf(*copy), rulesOf(*engine));
}

TEST(SaveTextTest, SaveToFileFailsBeforeWriting) {
  TInferenceEngine engine;
  EXPECT_THROW(engine.SaveToFile("/no/such/dir/saved.ie"), Exception);
}

}  // namespace
