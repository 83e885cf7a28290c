// The construct parser: deftemplate with its slots, deffacts, defglobal and
// deffunction, their messages, and the texts they print reading back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/Exceptions.h"
#include "engine/InferenceEngine.h"
#include "facts/IEFactSet.h"
#include "facts/IEFacts.h"
#include "frontend/IEParseException.h"
#include "functions/IEDeffunction.h"
#include "values/IEContext.h"

namespace {

struct ConstructParserTest : ::testing::Test {
  // The message of the parse error Text raises when loaded ("" for none).
  std::string LoadError(const std::string& text) {
    try {
      engine.Evaluate(text);
    } catch (const EIEParseException& e) {
      return e.Message();
    }
    return std::string();
  }
  void ExpectError(const std::string& text, const std::string& messageInMethod) {
    const std::string message = LoadError(text);
    EXPECT_NE(message.find(messageInMethod), std::string::npos)
        << text << "\n  gave: " << message;
  }
  TInferenceEngine engine;
};

}  // namespace

TEST_F(ConstructParserTest, TemplateSlotsTheirTypesAndDefaults) {
  engine.Evaluate("(deftemplate point \"a point\" (slot x (type INTEGER) (default 0)) (slot y))");
  IFactTemplate point = engine.FindFactTemplate("point");
  ASSERT_TRUE(point);
  EXPECT_EQ(point->Comment(), "a point");
  EXPECT_EQ(point->SlotCount(), 2);
  IFactSlot x = point->GetSlot("x");
  IFactSlot y = point->GetSlot("y");
  ASSERT_TRUE(x && y);
  EXPECT_EQ(x->SlotType(), TIETypes{dtInteger});
  EXPECT_EQ(x->SlotDefault()->AsInteger(), 0);
  EXPECT_EQ(y->SlotType(), SingleSlotTypes);
  EXPECT_EQ(y->SlotDefault(), NilValue());
  EXPECT_FALSE(point->Implied());
}

TEST_F(ConstructParserTest, MultislotDefaultsAreListsAndTakeNoTypes) {
  engine.Evaluate("(deftemplate p (multislot m (default a b c)) (multislot e))");
  IFactTemplate p = engine.FindFactTemplate("p");
  ASSERT_TRUE(p);
  IFactSlot m = p->GetSlot("m");
  ASSERT_TRUE(m->IsMultiSlot());
  EXPECT_EQ(m->SlotDefault()->DType(), dtList);
  EXPECT_EQ(m->SlotDefault()->AsText(), "a b c");
  EXPECT_TRUE(p->GetSlot("e")->SlotDefault()->Equals(EmptyList()));
  ExpectError("(deftemplate q (multislot m (type INTEGER)))",
              "no types are allowed for multislots in ParseSlot");
}

TEST_F(ConstructParserTest, StaticDefaultIsEvaluatedDynamicOneIsKept) {
  engine.Evaluate("(deftemplate t (slot s (default (+ 1 2))) (slot d (default-dynamic (+ 1 2))))");
  IFactTemplate t = engine.FindFactTemplate("t");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->GetSlot("s")->SlotDefault()->DType(), dtInteger);
  EXPECT_EQ(t->GetSlot("s")->SlotDefault()->AsInteger(), 3);
  EXPECT_EQ(t->GetSlot("d")->SlotDefault()->DType(), dtFunCall);
  ExpectError("(deftemplate u (slot s (default ?v)))", "Invalid default slot value: ?v in ParseSlot");
}

TEST_F(ConstructParserTest, ExtendsCopiesTheParentsSlots) {
  engine.Evaluate("(deftemplate point (slot x) (slot y))");
  engine.Evaluate("(deftemplate c extends point (slot z))");
  IFactTemplate c = engine.FindFactTemplate("c");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->SlotCount(), 3);
  EXPECT_TRUE(c->HasSlot("x") && c->HasSlot("y") && c->HasSlot("z"));
  EXPECT_EQ(c->Parent(), engine.FindFactTemplate("point"));
  // A parent that names no template: accepted, nothing copied.
  engine.Evaluate("(deftemplate d extends nosuch (slot z))");
  EXPECT_EQ(engine.FindFactTemplate("d")->SlotCount(), 1);
  ExpectError("(deftemplate e widens point)", "Expected \"(\" or \"extends\" in ParseFactTemplate");
  ExpectError("(deftemplate e extends \"p\")",
              "Missing name of parent template to extend in ParseFactTemplate");
}

TEST_F(ConstructParserTest, StaticCheckOfDefaultsFollowsTheEngine) {
  ExpectError("(deftemplate a (slot x (type INTEGER) (default abc)))",
              "Not a INTEGER.  Value Type is dtAtom in ParseSlot");
  engine.SetTypeChecks(TTypeChecks{});
  engine.Evaluate("(deftemplate a (slot x (type INTEGER) (default abc)))");
  IFactSlot x = engine.FindFactTemplate("a")->GetSlot("x");
  EXPECT_EQ(x->SlotDefault()->AsText(), "abc");
  EXPECT_EQ(x->SlotType(), TIETypes{dtInteger});
}

TEST_F(ConstructParserTest, QualifierNamesIgnoreCaseTypeWordsDoNot) {
  engine.Evaluate("(deftemplate a (slot x (TYPE NUMBER)) (slot y (type LEXEME ?VARIABLE)))");
  IFactTemplate a = engine.FindFactTemplate("a");
  EXPECT_EQ(a->GetSlot("x")->SlotType(), (TIETypes{dtInteger, dtFloat}));
  EXPECT_EQ(a->GetSlot("y")->SlotType(), SingleSlotTypes);
  ExpectError("(deftemplate b (slot x (type number)))", "Invalid slot type: number in ParseSlotTypes");
  ExpectError("(deftemplate b (slot x (type \"INTEGER\")))",
              "Invalid slot type: \"INTEGER\" in ParseSlotTypes");
}

TEST_F(ConstructParserTest, EveryTemplateAndSlotMessageWithItsMethod) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"(deftemplate)", "Missing name in ParseFactTemplate"},
      {"(deftemplate t x)", "Expected \"(\" or \"extends\" in ParseFactTemplate"},
      {"(deftemplate t (slot x) x)", "Expected \")\" in ParseFactTemplate"},
      {"(deftemplate t (slot x) \"late\")", "Expected \")\" in ParseFactTemplate"},
      {"(deftemplate t (slots x))", "Invalid slot type: slots in ParseSlot"},
      {"(deftemplate t (Slot x))", "Invalid slot type: Slot in ParseSlot"},
      {"(deftemplate t (slot 5))", "Bad Slot Name: 5 in ParseSlot"},
      {"(deftemplate t (slot x (\"q\")))", "Invalid slot qualifier: \"q\" in ParseSlot"},
      {"(deftemplate t (slot x (range 1 2)))", "Invalid slot qualifier: range in ParseSlot"},
      {"(deftemplate t (slot x (default 1 2)))", "Expected \")\" in ParseSlot"},
      {"(deftemplate t (slot x (default 1) 7))", "Expected \")\" in ParseFactTemplate"},
  };
  for (const auto& [text, message] : cases) ExpectError(text, message);
  // Nothing of a failed construct is registered.
  EXPECT_FALSE(engine.FindFactTemplate("t"));
}

TEST_F(ConstructParserTest, TemplateWithoutSlotsGetsTheImpliedMultislot) {
  engine.Evaluate("(deftemplate bare)");
  IFactTemplate bare = engine.FindFactTemplate("bare");
  ASSERT_TRUE(bare);
  EXPECT_TRUE(bare->HasSlot("__Data"));
  EXPECT_NE(bare->AsText().find("(multislot __Data )"), std::string::npos) << bare->AsText();
}

TEST_F(ConstructParserTest, DeffactsHoldsItsFactsUnasserted) {
  engine.Evaluate("(deftemplate point (slot x (default 0)))");
  engine.Evaluate("(deffacts start \"initial\" (point (x 5)) (colour red green))");
  ASSERT_EQ(engine.FactSets().Count(), 1);
  TFactSet* set = engine.FactSets().Get(0);
  EXPECT_EQ(set->FactSetName(), "start");
  EXPECT_EQ(set->Comment(), "initial");
  EXPECT_EQ(set->Owner(), &engine);
  ASSERT_EQ(set->FactCount(), 2);
  EXPECT_EQ(set->AttachedFact(0)->AsText(), "(point (x 5))");
  EXPECT_EQ(set->AttachedFact(1)->AsText(), "(colour red green)");
  EXPECT_EQ(engine.FactSets().IndexOfName("start"), 0);

  ExpectError("(deffacts)", "Missing name in ParseFactSet");
  ExpectError("(deffacts s (a) b)", "Expected \")\" in ParseFactSet");
  EXPECT_EQ(engine.FactSets().Count(), 1);
}

TEST_F(ConstructParserTest, DefglobalStoresNamesWithAsterisks) {
  engine.Evaluate("(defglobal ?*a* = 1 ?*b* = (+ 1 2))");
  ASSERT_TRUE(engine.GlobalVariables().Find("*a*"));
  EXPECT_EQ(engine.GlobalVariables().Find("*a*")->AsInteger(), 1);
  // The declared value stays the call; the current value is its result.
  EXPECT_EQ(engine.GlobalVariables().Find("*b*")->DType(), dtFunCall);
  EXPECT_EQ(engine.Context().GetVariableValue("*b*")->AsInteger(), 3);
  EXPECT_EQ(engine.EvaluateFunCall("(+ ?*a* ?*b*)")->AsInteger(), 4);

  const std::vector<std::pair<std::string, std::string>> cases = {
      {"(defglobal ?a = 1)",
       "Bad Variable Name, must start and end with an asterisk: a in ParseVariable"},
      {"(defglobal ?*a = 1)",
       "Bad Variable Name, must start and end with an asterisk: *a in ParseVariable"},
      {"(defglobal *a* = 1)", "Missing name in ParseVariable"},
      {"(defglobal ?*a* 1)", "Expected \"=\" in ParseVariable"},
      {"(defglobal ?*a* = )", "Expected value missing in ParseVariable"},
  };
  for (const auto& [text, message] : cases) ExpectError(text, message);
}

TEST_F(ConstructParserTest, DefglobalHeaderIsCheckedByTheParser) {
  TIEMorelParser& parser = engine.Parser();
  auto stream = TIEMorelStream::CreateFromText("(deffacts ?*a* = 1)");
  parser.SetStream(stream.get());
  try {
    parser.ParseDefGlobal();
    FAIL();
  } catch (const EIEParseException& e) {
    EXPECT_NE(e.Message().find("Expected \"( defglobal\" in ParseGlobalVariables"),
              std::string::npos);
  }
  parser.SetStream(nullptr);
}

TEST_F(ConstructParserTest, DeffunctionWithWildcardCommentAndActions) {
  engine.Evaluate("(deffunction f \"first\" (?x $?rest) \"second\" (printout t ?x) ?x)");
  IUserFunction found = engine.GetFunction("f");
  auto* f = dynamic_cast<TInterpretedFunction*>(found.get());
  ASSERT_TRUE(f);
  EXPECT_EQ(f->Comment(), "second");
  ASSERT_EQ(f->Parameters()->Count(), 2);
  EXPECT_EQ(f->Parameters()->Get(0)->DType(), dtVariable);
  EXPECT_EQ(f->Parameters()->Get(1)->DType(), dtMultiVariable);
  EXPECT_EQ(f->Parameters()->Get(1)->AsString(), "rest");
  EXPECT_EQ(f->MinArgumentCount(), 2);
  EXPECT_EQ(f->MaxArgumentCount(), UnlimitedArguments);
  ASSERT_EQ(f->Actions()->Count(), 2);
  EXPECT_EQ(f->Actions()->Get(0)->DType(), dtFunCall);
  EXPECT_EQ(f->Actions()->Get(1)->DType(), dtVariable);

  engine.Evaluate("(deffunction twice (?n) (* ?n 2))");
  EXPECT_EQ(engine.EvaluateFunCall("(twice 21)")->AsInteger(), 42);

  const std::vector<std::pair<std::string, std::string>> cases = {
      {"(deffunction)", "Missing name in ParseFunction"},
      {"(deffunction g ?x)", "Expected \"(\" in ParseFunction"},
      {"(deffunction g (?x 5))", "Expected \")\" in ParseFunction"},
      {"(deffunction g () & 1)", "Unexpected character found: \"&\" in ParseFunction"},
  };
  for (const auto& [text, message] : cases) ExpectError(text, message);
  EXPECT_FALSE(engine.FunctionExists("g"));
}

TEST_F(ConstructParserTest, WrongKeywordsRaiseTheirConstructsExpectedMessage) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"(deffacts x)", "Expected \"( deftemplate\" in ParseFactTemplate"},
      {"(deftemplate x)", "Expected \"( deffacts\" in ParseFactSet"},
      {"(deftemplate x)", "Expected \"( deffunction\" in ParseFunction"},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    try {
      if (i == 0) engine.ParseFactTemplate(cases[i].first);
      if (i == 1) engine.ParseFactSet(cases[i].first);
      if (i == 2) engine.ParseDefFunction(cases[i].first);
      ADD_FAILURE() << cases[i].first;
    } catch (const EIEParseException& e) {
      EXPECT_NE(e.Message().find(cases[i].second), std::string::npos) << e.Message();
    }
  }
}

TEST_F(ConstructParserTest, ParseEventsReportEachConstruct) {
  std::vector<std::string> seen;
  engine.OnParseFactTemplate() = [&](TIEParser*, const IFactTemplate& t) {
    seen.push_back("template " + t->Name());
  };
  engine.OnParseFactSet() = [&](TIEParser*, TFactSet* s) { seen.push_back("facts " + s->FactSetName()); };
  engine.OnParseFunction() = [&](TIEParser*, const IUserFunction& f) {
    seen.push_back("function " + f->FunctionName());
  };
  engine.OnParseVariable() = [&](TIEParser*, const std::string& name, const IIEValue& v) {
    seen.push_back("global " + name + "=" + v->AsText());
  };
  std::vector<TParsedType> kinds;
  engine.OnParse() = [&](TIEParser*, TParsedType kind, TObject*, const TRef<TRefCounted>&) {
    kinds.push_back(kind);
  };
  engine.Evaluate("(deftemplate t) (deffacts s (t)) (deffunction f () 1) (defglobal ?*g* = 2)");
  EXPECT_EQ(seen, (std::vector<std::string>{"template t", "facts s", "function f", "global *g*=2"}));
  EXPECT_EQ(kinds, (std::vector<TParsedType>{ptNone, ptNone, ptNone, ptNone, ptEOF}));
}

TEST_F(ConstructParserTest, ParsedConstructsPrintAndReadBackTheSame) {
  const std::string program =
      "(deftemplate point \"a \\\"quoted\\\" point\" (slot x (type INTEGER) (default 0))"
      " (slot y (default-dynamic (+ 1 2))) (multislot tags (default a b)))"
      "(deffacts start (point (x 1)) (colour red))"
      "(deffunction area (?w $?rest) \"the area\" (* ?w 2) ?w)";
  engine.Evaluate(program);
  const std::string templateText = engine.FindFactTemplate("point")->AsText();
  const std::string factsText = engine.FactSets().Get(0)->AsText();
  const std::string functionText =
      engine.DeffunctionText(*dynamic_cast<TInterpretedFunction*>(engine.GetFunction("area").get()));

  // Slots print in slot-table order, which depends on the order the slots
  // went in; the lines are the same either way.
  auto lines = [](const std::string& text) {
    std::vector<std::string> result;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
      result.push_back(text.substr(start, end - start));
    result.push_back(text.substr(start));
    std::sort(result.begin(), result.end());
    return result;
  };
  TInferenceEngine again;
  again.Evaluate(templateText + factsText + functionText);
  EXPECT_EQ(lines(again.FindFactTemplate("point")->AsText()), lines(templateText));
  EXPECT_TRUE(again.FindFactTemplate("point")->Equals(engine.FindFactTemplate("point").get()));
  ASSERT_EQ(again.FactSets().Count(), 1);
  EXPECT_EQ(again.FactSets().Get(0)->FactCount(), 2);
  EXPECT_EQ(again.FactSets().Get(0)->AsText().size(), factsText.size());
  auto* area = dynamic_cast<TInterpretedFunction*>(again.GetFunction("area").get());
  ASSERT_TRUE(area);
  EXPECT_EQ(again.DeffunctionText(*area), functionText);
}

TEST_F(ConstructParserTest, ParseSlotAndVariableFromText) {
  IFactSlot slot = engine.ParseSlot("(slot size (type FLOAT) (default 1.5))");
  ASSERT_TRUE(slot);
  EXPECT_EQ(slot->Name(), "size");
  EXPECT_DOUBLE_EQ(slot->SlotDefault()->AsFloat(), 1.5);
  std::string name;
  IIEValue value;
  engine.ParseVariable("?*limit* = 10", name, value);
  EXPECT_EQ(name, "*limit*");
  EXPECT_EQ(value->AsInteger(), 10);
  // ParseVariable only reads: nothing is stored.
  EXPECT_FALSE(engine.GlobalVariables().Find("*limit*"));
}
