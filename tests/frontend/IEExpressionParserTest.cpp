// The grammar of calls, values, value pairs, lists and facts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/IEConsts.h"
#include "frontend/IEParseException.h"
#include "support/FakeParserEngine.h"

namespace {

class ExpressionParserTest : public ::testing::Test {
 protected:
  ExpressionParserTest() {
    // (deftemplate point (slot x (type INTEGER)) (slot y) (multislot tags))
    point = MakeRef<TFactTemplate>(&engine.facts);
    point->SetName("point");
    point->AddSlot("x", TIEValue::MakeInteger(0));
    point->GetSlot("x")->SetSlotType({dtInteger});
    point->AddSlot("y", TIEValue::MakeInteger(0));
    point->AddMultiSlot("tags", EmptyList());
    engine.facts.AddFactTemplate(point);
  }

  TFunctionCall& Call(std::string_view text) {
    call = RefCast<TFunctionCall>(engine.Parse(text).ParseFunCall());
    EXPECT_TRUE(call);
    return *call;
  }
  TFact& Fact(std::string_view text) {
    fact = AsFactRef(engine.Parse(text).ParseFact());
    EXPECT_TRUE(fact);
    return *fact;
  }
  // The message of the parse error Parse raises (empty if none).
  template <class F>
  std::string Error(std::string_view text, F parse) {
    TIEMorelParser& parser = engine.Parse(text);
    try {
      parse(parser);
    } catch (const EIEParseException& e) {
      return e.Message();
    }
    return std::string();
  }
  bool HasError(std::string_view text, const std::string& part, bool (*parse)(TIEMorelParser&)) {
    const std::string message = Error(text, parse);
    if (message.find(part) == std::string::npos) {
      ADD_FAILURE() << text << " gave \"" << message << "\", expected \"" << part << "\"";
      return false;
    }
    return true;
  }
  static bool CallOf(TIEMorelParser& p) { return bool(p.ParseFunCall()); }
  static bool FactOf(TIEMorelParser& p) { return bool(p.ParseFact()); }
  static bool ValueOf(TIEMorelParser& p) { return bool(p.ParseValue()); }
  static bool PairOf(TIEMorelParser& p) { return bool(p.ParseValuePair()); }
  static bool ListOf(TIEMorelParser& p) { return bool(p.ParseList()); }

  TFakeParserEngine engine;
  IFactTemplate point;
  IFunctionCall call;
  IFactRef fact;
};

// ---- Calls

TEST_F(ExpressionParserTest, CallsNestAndAreNotLookedUp) {
  TFunctionCall& c = Call("(+ 1 (* 2 3) \"s\" ?v $?m 2.5 =)");
  EXPECT_EQ(c.FunctionName(), "+");
  EXPECT_EQ(c.Engine(), &engine.reasoner);
  EXPECT_EQ(c.PlainText(), "(+ 1 <call *> \"s\" ?v $?m 2.5 \"=\")");
  EXPECT_EQ(c.GetArgument(1)->DType(), dtFunCall);
  EXPECT_EQ(c.GetArgument(6)->DType(), dtString);
  EXPECT_EQ(engine.reasoner.getCalls + engine.reasoner.existsCalls, 0);
  EXPECT_EQ(Call("(= 1 2)").FunctionName(), "=");
  TFunctionCall& delimiters = Call("(f & | ~)");
  ASSERT_EQ(delimiters.ArgumentCount(), 3);
  EXPECT_EQ(delimiters.GetArgument(1)->AsString(), "|");
  // The closing parenthesis is the call's own; what follows is left.
  engine.Parse("(f) next").ParseFunCall();
  EXPECT_EQ(engine.stream->NextToken()->GetText(), "next");
}

TEST_F(ExpressionParserTest, AVariableInFunctionPositionCallsGetVar) {
  TFunctionCall& c = Call("(?x 1 2)");
  EXPECT_EQ(c.FunctionName(), "__get-var");
  ASSERT_EQ(c.ArgumentCount(), 3);
  EXPECT_EQ(c.GetArgument(0)->DType(), dtVariable);
  EXPECT_EQ(c.GetArgument(0)->AsString(), "x");
  EXPECT_EQ(Call("($?all)").GetArgument(0)->DType(), dtMultiVariable);
}

TEST_F(ExpressionParserTest, AnonymousVariablesAreNamedByTheEngine) {
  engine.symbolIndex = 7;
  TFunctionCall& c = Call("(f ? $? ?)");
  EXPECT_EQ(c.GetArgument(0)->AsString(), "_blank_7");
  EXPECT_EQ(c.GetArgument(1)->AsString(), "_blank_$8");
  EXPECT_EQ(c.GetArgument(2)->AsString(), "_blank_9");
  EXPECT_EQ(engine.parser->UniqueName("gen"), "gen10");
}

TEST_F(ExpressionParserTest, AssertTakesFacts) {
  TFunctionCall& c = Call("(assert (point (x 1) (y 2)) (colour red))");
  ASSERT_EQ(c.ArgumentCount(), 2);
  ASSERT_EQ(c.GetArgument(0)->DType(), dtFact);
  IFactRef first = AsFactRef(c.GetArgument(0)->AsFact());
  EXPECT_EQ(first->Template(), point);
  EXPECT_EQ(first->GetSlotValue("y")->AsInteger(), 2);
  EXPECT_EQ(c.GetArgument(1)->DType(), dtFact);
  EXPECT_TRUE(engine.facts.FindFactTemplate("colour"));
  EXPECT_TRUE(engine.facts.asserted.empty());
}

TEST_F(ExpressionParserTest, ModifyAndDuplicateTakeSlotPairsAfterTheFact) {
  for (const char* name : {"modify", "duplicate"}) {
    TFunctionCall& c = Call(std::string("(") + name + " ?f (x 3) (tags a b))");
    ASSERT_EQ(c.ArgumentCount(), 3) << name;
    EXPECT_EQ(c.GetArgument(0)->DType(), dtVariable);
    TValueVector& x = c.GetArgument(1)->ListRef();
    ASSERT_EQ(x.Count(), 2);
    EXPECT_EQ(x.Get(0)->AsText(), "x");
    EXPECT_EQ(x.Get(1)->AsInteger(), 3);
    TValueVector& tags = c.GetArgument(2)->ListRef();
    EXPECT_EQ(tags.Get(1)->ListRef().AsText(), "a b");
  }
  // The fact itself may be an expression.
  TFunctionCall& c = Call("(modify (fact-of 1) (x 3))");
  EXPECT_EQ(c.GetArgument(0)->DType(), dtFunCall);
  EXPECT_EQ(c.GetArgument(1)->DType(), dtList);
}

TEST_F(ExpressionParserTest, CallErrors) {
  HasError("foo", "Parsing Error, Expected \"(\" in ParseFunCall at line 1: foo ", CallOf);
  HasError("(\"f\")", "Missing name in ParseFunCall", CallOf);
  HasError("((f))", "Missing name in ParseFunCall", CallOf);
  HasError("(f 1\n2", "Unexpected end of stream in ParseFunCall at line 2", CallOf);
  HasError("", "Expected \"(\" in ParseFunCall", CallOf);
}

TEST_F(ExpressionParserTest, EvaluateFunCallRunsInTheRootContext) {
  engine.context.AddBinding("v", TIEValue::MakeAtom("bound"));
  EXPECT_EQ(engine.Parse("(echo ?v)").EvaluateFunCall()->AsText(), "bound");
  EXPECT_EQ(engine.Parse("(echo)").EvaluateFunCall(), EOFAtom());
  EXPECT_THROW(engine.Parse("(nowhere)").EvaluateFunCall(), EIEException);
}

TEST_F(ExpressionParserTest, OnParseFunCallSeesInnerCallsFirst) {
  std::vector<std::string> names;
  TIEMorelParser& parser = engine.Parse("(outer (inner 1))");
  parser.OnParseFunCall = [&](TIEParser*, const IFunCall& c) {
    names.push_back(RefCast<TFunctionCall>(c)->FunctionName());
  };
  parser.ParseFunCall();
  EXPECT_EQ(names, (std::vector<std::string>{"inner", "outer"}));
}

// ---- Values, pairs and lists

TEST_F(ExpressionParserTest, ParseValue) {
  IIEValue list = engine.Parse("a b c)").ParseValue();
  ASSERT_EQ(list->DType(), dtList);
  EXPECT_EQ(list->ListRef().Count(), 3);
  EXPECT_EQ(engine.stream->NextToken()->GetDataType(), TokenClose);

  IIEValue five = engine.Parse("5)").ParseValue();
  EXPECT_EQ(five->DType(), dtInteger);
  EXPECT_EQ(five->AsInteger(), 5);
  EXPECT_FALSE(engine.Parse(")").ParseValue());
  EXPECT_FALSE(engine.Parse("").ParseValue());
  EXPECT_EQ(engine.Parse("(echo 1) x").ParseValue()->ListRef().Get(0)->DType(), dtFunCall);

  // Stopped by a token that is no value: a list even of one, the token left.
  IIEValue stopped = engine.Parse("a & b").ParseValue();
  ASSERT_EQ(stopped->DType(), dtList);
  EXPECT_EQ(stopped->ListRef().Count(), 1);
  EXPECT_EQ(engine.stream->NextToken()->GetText(), "&");
  HasError("& x", "Bad Argument: & in ParseValue", ValueOf);
}

TEST_F(ExpressionParserTest, ParseValuePair) {
  IValueVector pair = engine.Parse("(x 1 2) rest").ParseValuePair();
  ASSERT_EQ(pair->Count(), 2);
  EXPECT_EQ(pair->Get(0)->DType(), dtAtom);
  EXPECT_EQ(pair->Get(1)->ListRef().AsText(), "1 2");
  EXPECT_EQ(engine.stream->NextToken()->GetText(), "rest");
  IValueVector nameOnly = engine.Parse("(x)").ParseValuePair();
  ASSERT_EQ(nameOnly->Count(), 1) << "a slot name without a value";
  EXPECT_EQ(nameOnly->Get(0)->AsText(), "x");
  HasError("(1 2)", "Expected \"( <atom>\" in ParseValuePair", PairOf);
  HasError("x 2)", "Expected \"( <atom>\" in ParseValuePair", PairOf);
  HasError("(x 1 &)", "Expected \")\" in ParseValuePair", PairOf);
}

TEST_F(ExpressionParserTest, ParseList) {
  IValueVector list = engine.Parse("a \"s\" 1 2.5 ?v $?w (f) =(g))").ParseList();
  ASSERT_EQ(list->Count(), 8);
  EXPECT_EQ(list->Get(5)->DType(), dtMultiVariable);
  EXPECT_EQ(list->Get(6)->AsFunCall()->AsText(), "<call f>");
  EXPECT_EQ(list->Get(7)->AsFunCall()->AsText(), "<call g>");
  EXPECT_EQ(engine.stream->NextToken()->GetDataType(), TokenClose);
  EXPECT_EQ(engine.Parse(")").ParseList()->Count(), 0);
  HasError("a = b", "\"=\" cannot appear as an atom within a fact in ParseList", ListOf);
  HasError("a & b", "Bad Slot Value: & in ParseList", ListOf);
}

// ---- Facts

TEST_F(ExpressionParserTest, OrderedFactsHoldTheirValuesInData) {
  TFact& colour = Fact("(colour red green)");
  EXPECT_TRUE(colour.Template()->Implied());
  EXPECT_EQ(colour.GetSlotValue(SImpliedSlotName)->ListRef().AsText(), "red green");
  const IFactTemplate implied = colour.Template();
  EXPECT_EQ(engine.facts.FindFactTemplate("colour"), implied);
  TFact& empty = Fact("(colour)");
  EXPECT_EQ(empty.GetSlotValue(SImpliedSlotName)->ListRef().Count(), 0);
  EXPECT_EQ(empty.Template(), implied);
  HasError("(colour red", "Expected \")\" in ParseFact", FactOf);
}

TEST_F(ExpressionParserTest, NamedSlotFacts) {
  TFact& f = Fact("(point (y \"s\") (x ?v) (tags a (f) =(g)))");
  EXPECT_EQ(f.GetSlotValue("y")->DType(), dtString);
  EXPECT_EQ(f.GetSlotValue("x")->DType(), dtVariable);
  EXPECT_EQ(f.GetSlotValue("tags")->ListRef().Count(), 3);
  EXPECT_EQ(Fact("(point (x =(f)))").GetSlotValue("x")->DType(), dtFunCall);
  EXPECT_EQ(Fact("(point (x (f)))").GetSlotValue("x")->DType(), dtFunCall);
  EXPECT_EQ(Fact("(point)").GetSlotValue("x")->AsInteger(), 0);
}

TEST_F(ExpressionParserTest, StaticTypeCheckOfSlotConstants) {
  HasError("(point (x abc))", "Not a INTEGER.  Value Type is dtAtom in ParseFact", FactOf);
  HasError("(point (x 1.5))", "Not a INTEGER.  Value Type is dtFloat in ParseFact", FactOf);
  point->GetSlot("x")->SetSlotType({dtInteger, dtFloat});
  HasError("(point (x \"s\"))", "Not a INTEGER, FLOAT.  Value Type is dtString", FactOf);
  engine.Parse("(point (x abc))");
  engine.parser->SetStaticCheck(false);
  EXPECT_EQ(AsFactRef(engine.parser->ParseFact())->GetSlotValue("x")->AsText(), "abc");
}

TEST_F(ExpressionParserTest, FactErrors) {
  HasError("point", "Expected \"( <atom>\" in ParseFact", FactOf);
  HasError("(1 2)", "Expected \"( <atom>\" in ParseFact", FactOf);
  HasError("(point x)", "Expected \"(\" in ParseFact", FactOf);
  HasError("(point (x 1)", "Expected \"(\" in ParseFact", FactOf);
  HasError("(point (1 2))", "Bad Slot Name: 1 in ParseFact", FactOf);
  HasError("(point (x 1 2))", "Expected \")\" in ParseFact", FactOf);
  HasError("(point (x &))", "Bad Slot Value: & in ParseFact", FactOf);
  HasError("(point (x = 1))", "\"=\" cannot appear as an atom within a fact in ParseFact", FactOf);
  HasError("(point (tags a & b))", "Bad Slot Value: & in ParseList", FactOf);
  // The slot lookup's own error is passed on as it is.
  engine.Parse("(point (z 1))");
  try {
    engine.parser->ParseFact();
    FAIL();
  } catch (const EIEParseException&) {
    FAIL();
  } catch (const EIEException& e) {
    EXPECT_STREQ(e.what(), "No such slot name: \"z\"");
  }
}

TEST_F(ExpressionParserTest, LoadFactsAssertsInOrderAndReportsEachFact) {
  int reported = 0;
  TIEMorelParser& parser = engine.Parse("(a 1) (point (x 2))\n; done\n(b)");
  parser.OnParseFact = [&](TIEParser*, const IFact&) { ++reported; };
  EXPECT_TRUE(parser.LoadFacts());
  ASSERT_EQ(engine.facts.asserted.size(), 3u);
  EXPECT_EQ(engine.facts.asserted[0]->AsText(), "(a 1)");
  EXPECT_EQ(engine.facts.asserted[1]->Template(), point);
  EXPECT_EQ(engine.facts.asserted[2]->ID(), 2);
  EXPECT_EQ(reported, 3);
  engine.Parse("(a 1) (point (x y))");
  EXPECT_THROW(engine.parser->LoadFacts(), EIEParseException);
  EXPECT_EQ(engine.facts.asserted.size(), 4u);
}

}  // namespace

// Equal symbols of the facts one parser reads share their text, each fact
// keeping a value of its own: changing one leaves the others as they were,
// and a string never takes an atom's place.
TEST_F(ExpressionParserTest, FactsOfOneParseShareEqualTexts) {
  TIEMorelParser& parser = engine.Parse("(point (y foo) (tags foo \"foo\")) (point (y foo))");
  IFactRef first = AsFactRef(parser.ParseFact());
  IFactRef second = AsFactRef(parser.ParseFact());
  IIEValue a = first->GetSlotValue("y");
  IIEValue b = second->GetSlotValue("y");
  ASSERT_NE(a.get(), b.get());
  EXPECT_EQ(a->TextView().data(), b->TextView().data());
  const IIEValue tags = first->GetSlotValue("tags");
  EXPECT_EQ(tags->AsText(), "foo \"foo\"");
  a->SetAsAtom("bar");
  EXPECT_EQ(b->AsText(), "foo");
  EXPECT_EQ(second->AsText(), "(point (x 0) (y foo))");
}
