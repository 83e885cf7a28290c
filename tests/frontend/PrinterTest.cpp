// The construct printer: exact text forms, and texts that read back to the
// same text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Component.h"
#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "facts/IEFactSet.h"
#include "facts/IERule.h"
#include "facts/IERuleEngine.h"
#include "facts/IESlotTest.h"
#include "frontend/IEMorelPrinter.h"
#include "functions/IEDeffunction.h"
#include "support/ExceptionText.h"
#include "support/FakeParserEngine.h"
#include "support/FakeRuleEngine.h"

namespace {

class PrinterTest : public ::testing::Test {
 protected:
  PrinterTest() {
    // (deftemplate point (slot x (type INTEGER)) (slot y) (multislot tags))
    point = MakeRef<TFactTemplate>(&engine.facts);
    point->SetName("point");
    point->AddSlot("x", TIEValue::MakeInteger(0));
    point->GetSlot("x")->SetSlotType({dtInteger});
    point->AddSlot("y", NilValue());
    point->AddMultiSlot("tags", EmptyList());
    engine.facts.AddFactTemplate(point);
  }

  IFactRef Fact(std::string_view text) { return AsFactRef(engine.Parse(text).ParseFact()); }
  IFunctionCall Call(std::string_view text) {
    return RefCast<TFunctionCall>(engine.Parse(text).ParseFunCall());
  }
  std::string FactText(std::string_view text) { return printer.FactText(*Fact(text)); }
  std::string CallText(std::string_view text) { return printer.FunCallText(*Call(text)); }

  TFakeParserEngine engine;
  TIEMorelPrinter printer;
  IFactTemplate point;
};

// ---- Templates and slots

TEST_F(PrinterTest, ImpliedTemplatePrintsAsThreeLines) {
  IFactTemplate initial = TFactTemplate::CreateImplied(&engine.facts, SInitialFactTemplate);
  EXPECT_EQ(printer.TemplateText(*initial),
            "(deftemplate Initial-Fact \"(Implied)\" \r\n"
            "    (multislot __Data )\r\n"
            ")");
}

TEST_F(PrinterTest, TemplateListsSlotsInTableOrderWithEmptyComment) {
  EXPECT_EQ(printer.TemplateText(*point),
            "(deftemplate point \"\" \r\n"
            "    (multislot tags )\r\n"
            "    (slot x (type INTEGER) (default 0) )\r\n"
            "    (slot y )\r\n"
            ")");
}

TEST_F(PrinterTest, SlotShapes) {
  TFactTemplate t(&engine.facts);
  IFactSlot plain = t.AddSlot("x", NilValue());
  EXPECT_EQ(printer.SlotText(*plain), "(slot x )");

  IFactSlot typed = t.AddSlot("n", NilValue());
  typed->SetSlotType({dtInteger, dtFloat});
  typed->SetSlotDefault(TIEValue::MakeInteger(0));
  EXPECT_EQ(printer.SlotText(*typed), "(slot n (type INTEGER FLOAT) (default 0) )");

  IValueVector ab = MakeRef<TValueVector>();
  ab->Add(TIEValue::MakeAtom("a"));
  ab->Add(TIEValue::MakeAtom("b"));
  IFactSlot multi = t.AddMultiSlot("m", TIEValue::MakeList(ab));
  EXPECT_EQ(printer.SlotText(*multi), "(multislot m (default a b) )");

  // A default that prints as blanks is left out; the empty atom prints empty.
  IFactSlot blank = t.AddSlot("s", TIEValue::MakeAtom(""));
  EXPECT_EQ(printer.SlotText(*blank), "(slot s )");
  // A string default keeps its quotes and escapes.
  blank->SetSlotDefault(TIEValue::MakeString("say \"hi\""));
  EXPECT_EQ(printer.SlotText(*blank), "(slot s (default \"say \\\"hi\\\"\") )");
  // Type names beyond the parser's words still print (VARIABLE, FUNCALL).
  blank->SetSlotType({dtVariable, dtFunCall});
  EXPECT_EQ(printer.SlotText(*blank), "(slot s (type VARIABLE FUNCALL) )");
}

TEST_F(PrinterTest, CallDefaultOfASingleSlotStaysDynamic) {
  TFactTemplate t(&engine.facts);
  IFactSlot slot = t.AddSlot("s", TIEValue::MakeFunCall(IFunCall(Call("(+ 1 2)"))));
  EXPECT_EQ(printer.SlotText(*slot), "(slot s (default-dynamic (+ 1 2)) )");
}

// ---- Facts

TEST_F(PrinterTest, OrderedFacts) {
  EXPECT_EQ(FactText("(Initial-Fact)"), "(Initial-Fact)");
  EXPECT_EQ(FactText("(colour red green)"), "(colour red green)");
  EXPECT_EQ(FactText("(colour)"), "(colour)");
  EXPECT_EQ(FactText("(mixed 1 2.5 \"s\" ?v $?m (+ 1 2))"), "(mixed 1 2.5 \"s\" ?v $?m (+ 1 2))");
}

TEST_F(PrinterTest, TemplateFactLeavesOutSlotsThatPrintEmpty) {
  EXPECT_EQ(FactText("(point (x 1) (y nil) (tags a b))"), "(point (tags a b) (x 1))");
  EXPECT_EQ(FactText("(point (tags))"), "(point (x 0))");
  // Slot order is the template's, not the text's.
  EXPECT_EQ(FactText("(point (tags q) (y \"s\") (x 2))"), "(point (tags q) (x 2) (y \"s\"))");
  // A fact that no longer has a template prints its stored values.
  IFactRef loose = Fact("(point (x 3))");
  loose->SetTemplate(nullptr);
  EXPECT_EQ(printer.FactText(*loose), "()");
}

TEST_F(PrinterTest, StringsEscapeQuotesAndBackslashes) {
  EXPECT_EQ(TIEMorelPrinter::QuotedText("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(FactText("(note \"a\\\"b\" \"c\\\\d\")"), "(note \"a\\\"b\" \"c\\\\d\")");
}

// ---- Fact sets

TEST_F(PrinterTest, FactSetWritesEveryFactIndentedAndTheEmptyComment) {
  TFactSet set;
  set.SetFactSetName("start");
  set.AddFact(Fact("(colour red)"));
  set.AddFact(Fact("(point (x 4))"));
  set.AddFactText("(later one)");  // not parsed: written as given
  EXPECT_EQ(printer.FactSetText(set),
            "(deffacts start \"\"\r\n"
            "    (colour red)\r\n"
            "    (point (x 4))\r\n"
            "    (later one)\r\n"
            ")");
  set.SetComment("the \"first\" facts");
  EXPECT_EQ(printer.FactSetText(set).substr(0, 43),
            "(deffacts start \"the \\\"first\\\" facts\"\r\n    ");
}

TEST_F(PrinterTest, FactSetShowsTheFactsCurrentValues) {
  TFactSet set;
  IFactRef fact = Fact("(point (x 4))");
  set.AddFact(fact);
  fact->SetSlotValue("x", TIEValue::MakeInteger(5));
  EXPECT_NE(printer.FactSetText(set).find("(point (x 5))"), std::string::npos);
}

// ---- Calls

TEST_F(PrinterTest, Calls) {
  EXPECT_EQ(CallText("(+ 1 2)"), "(+ 1 2)");
  EXPECT_EQ(CallText("(modify ?f (x 3))"), "(modify ?f (x 3))");
  EXPECT_EQ(CallText("(duplicate ?f (x 3) (tags a b))"), "(duplicate ?f (x 3) (tags a b))");
  EXPECT_EQ(CallText("(halt)"), "(halt)");
  EXPECT_EQ(CallText("(assert (point (x 1) (y 2)))"), "(assert (point (x 1) (y 2)))");
  EXPECT_EQ(CallText("(printout t \"x=\" (+ 1 (* 2 3)) crlf)"),
            "(printout t \"x=\" (+ 1 (* 2 3)) crlf)");
  // A delimiter argument is a one-character string.
  EXPECT_EQ(CallText("(f &)"), "(f \"&\")");
}

TEST_F(PrinterTest, ModifyArgumentsMadeInCodeThatAreNoListsStayBare) {
  IFunctionCall call = TFunctionCall::Create(&engine.reasoner, "modify");
  call->AddArgument("f", dtVariable);
  call->AddArgument("g", dtVariable);
  EXPECT_EQ(printer.FunCallText(*call), "(modify ?f ?g)");
}

// ---- Globals

TEST_F(PrinterTest, Globals) {
  EXPECT_EQ(printer.GlobalText("?*a*", TIEValue::MakeInteger(1)), "?*a* = 1");
  TValueHashTable globals;
  EXPECT_EQ(printer.GlobalsText(globals), "(defglobal)");
  globals.Put("*a*", TIEValue::MakeInteger(1));
  EXPECT_EQ(printer.GlobalsText(globals), "(defglobal ?*a* = 1)");
  globals.Put("*b*", TIEValue::MakeInteger(2));
  const std::string text = printer.GlobalsText(globals);
  // Enumeration order of the table.
  std::string expected = "(defglobal";
  auto names = globals.Keys();
  while (names->HasNext()) {
    const std::string name = names->Next();
    expected += " ?" + name + " = " + globals.Get(name)->AsText();
  }
  EXPECT_EQ(text, expected + ")");
  EXPECT_TRUE(text == "(defglobal ?*a* = 1 ?*b* = 2)" || text == "(defglobal ?*b* = 2 ?*a* = 1)");
  // An unevaluated call prints as its call.
  globals.Put("*b*", TIEValue::MakeFunCall(IFunCall(Call("(+ 1 2)"))));
  EXPECT_NE(printer.GlobalsText(globals).find("?*b* = (+ 1 2)"), std::string::npos);
}

// ---- Functions

TEST_F(PrinterTest, DeffunctionWithoutCommentPrintsActionsAfterTheParameters) {
  TRef<TInterpretedFunction> f = MakeRef<TInterpretedFunction>();
  f->SetFunctionName("f");
  f->AddParameter("x", dtVariable);
  f->AddParameter("rest", dtMultiVariable);
  f->AddAction(IFunCall(Call("(printout t ?x crlf)")));
  f->AddAction(TIEValue::MakeMultiVariable("rest"));
  EXPECT_EQ(printer.DefFunctionText(*f),
            "(deffunction f (?x $?rest)\r\n"
            "    (printout t ?x crlf)\r\n"
            "    $?rest\r\n"
            ")\r\n");
  f->SetComment("adds \"one\"");
  EXPECT_EQ(printer.DefFunctionText(*f),
            "(deffunction f (?x $?rest)\r\n"
            "    \"adds \\\"one\\\"\"\r\n"
            "    (printout t ?x crlf)\r\n"
            "    $?rest\r\n"
            ")\r\n");
  // A user function that is a deffunction prints as one.
  EXPECT_EQ(printer.UserFunctionText(*f), printer.DefFunctionText(*f));

  TRef<TInterpretedFunction> empty = MakeRef<TInterpretedFunction>();
  empty->SetFunctionName("g");
  EXPECT_EQ(printer.DefFunctionText(*empty), "(deffunction g ()\r\n)\r\n");
}

TEST_F(PrinterTest, OtherUserFunctionsPrintAsCommentBlocks) {
  IUserFunction echo(new TEchoFunction("echo"));
  EXPECT_EQ(printer.UserFunctionText(*echo), ";; echo function\r\n");
  echo->SetHelp("Echoes its arguments", "echo <arg>*");
  EXPECT_EQ(printer.UserFunctionText(*echo),
            ";; echo function\r\n"
            ";;     Echoes its arguments\r\n"
            ";;          syntax: (echo <arg>*)");
  // A bare line feed also stays behind the comment marker.
  echo->SetComment("one\ntwo");
  EXPECT_EQ(printer.UserFunctionText(*echo), ";; echo function\r\n;;     one\r\n;;     two");
}

// ---- The parser's text-form operations are the printer's

TEST_F(PrinterTest, ParserOperationsUseThePrinter) {
  TIEMorelParser parser(&engine);
  IFactRef fact = Fact("(point (x 1))");
  EXPECT_EQ(parser.FactText(*fact), "(point (x 1))");
  EXPECT_EQ(parser.FunCallText(*Call("(modify ?f (x 3))")), "(modify ?f (x 3))");
  EXPECT_EQ(parser.TemplateText(*point), printer.TemplateText(*point));
  EXPECT_EQ(parser.SlotText(*point->GetSlot("y")), "(slot y )");
  EXPECT_EQ(parser.GlobalText("?*a*", TIEValue::MakeString("s")), "?*a* = \"s\"");
}

// ---- Round trips: parse, print, parse, print gives the same text again

class PrinterRoundTripTest : public PrinterTest {
 protected:
  std::string FactTwice(const std::string& text) {
    const std::string once = FactText(text);
    const std::string twice = FactText(once);
    EXPECT_EQ(once, twice) << "from " << text;
    return once;
  }
  std::string CallTwice(const std::string& text) {
    const std::string once = CallText(text);
    const std::string twice = CallText(once);
    EXPECT_EQ(once, twice) << "from " << text;
    return once;
  }
  std::string ValueTwice(const std::string& text) {
    const std::string once = printer.ValueText(engine.Parse(text).ParseValue().get());
    const std::string twice = printer.ValueText(engine.Parse(once).ParseValue().get());
    EXPECT_EQ(once, twice) << "from " << text;
    return once;
  }
};

TEST_F(PrinterRoundTripTest, Facts) {
  const std::vector<std::string> corpus = {
      "(Initial-Fact)",
      "(colour red green)",
      "(numbers 1 -2 3.5 1E20 1.5E-7)",
      "(point (x 1) (y abc) (tags a b c))",
      "(point (y \"with \\\"quotes\\\" and \\\\ backslash\"))",
      "(point (y ?v) (tags $?all))",
      "(point (y =(+ 1 2)))",
      "(calls (f 1 (g 2)) =(h))",
      "(text \"line one\r\nline two\")",
  };
  for (const std::string& text : corpus) FactTwice(text);
  // Canonical texts come back unchanged.
  EXPECT_EQ(FactTwice("(colour red green)"), "(colour red green)");
  EXPECT_EQ(FactTwice("(point (y =(+ 1 2)))"), "(point (x 0) (y (+ 1 2)))");
}

TEST_F(PrinterRoundTripTest, Calls) {
  const std::vector<std::string> corpus = {
      "(+ 1 2)",
      "(modify ?f (x 3) (tags a b))",
      "(duplicate ?f (y \"s\"))",
      "(assert (point (x 1) (y 2)) (colour red))",
      "(?x 1 2)",
      "(printout t \"a \\\"b\\\"\" crlf)",
      "(if (> ?x 1) then (bind ?y (* ?x 2)) else (halt))",
      "(= 1 2)",
      "(f & | ~)",
  };
  for (const std::string& text : corpus) CallTwice(text);
  EXPECT_EQ(CallTwice("(modify ?f (x 3) (tags a b))"), "(modify ?f (x 3) (tags a b))");
  EXPECT_EQ(CallTwice("(?x 1 2)"), "(__get-var ?x 1 2)");
}

TEST_F(PrinterRoundTripTest, Values) {
  EXPECT_EQ(ValueTwice("a b c )"), "a b c");
  EXPECT_EQ(ValueTwice("5 )"), "5");
  EXPECT_EQ(ValueTwice("\"q\\\"\" (f 1) )"), "\"q\\\"\" (f 1)");
}

TEST_F(PrinterRoundTripTest, FactSetsTemplatesAndDeffunctionsBuiltInCode) {
  // A fact set's lines read back as the same facts.
  TFactSet set;
  set.SetFactSetName("start");
  set.AddFact(Fact("(point (x 1) (y \"a \\\"b\\\"\") (tags t u))"));
  set.AddFact(Fact("(colour red)"));
  const std::string text = printer.FactSetText(set);
  TFactSet again;
  again.SetFactSetName("start");
  for (int32_t i = 0; i < set.FactCount(); ++i)
    again.AddFact(Fact(printer.FactText(*set.AttachedFact(i))));
  EXPECT_EQ(printer.FactSetText(again), text);

  // Slot defaults read back as the same values.
  IValueVector list = MakeRef<TValueVector>();
  list->Add(TIEValue::MakeString("x \"y\""));
  list->Add(TIEValue::MakeInteger(2));
  IFactSlot m = point->AddMultiSlot("m", TIEValue::MakeList(list));
  const std::string slotText = printer.SlotText(*m);
  EXPECT_EQ(slotText, "(multislot m (default \"x \\\"y\\\"\" 2) )");
  const std::string defaultText = slotText.substr(22, slotText.size() - 22 - 3);
  EXPECT_EQ(printer.ValueText(TIEValue::MakeList(engine.Parse(defaultText + ")").ParseList()).get()),
            defaultText);

  // A deffunction's actions read back as the same calls.
  TRef<TInterpretedFunction> f = MakeRef<TInterpretedFunction>();
  f->SetFunctionName("f");
  f->AddParameter("x", dtVariable);
  f->AddAction(IFunCall(Call("(modify ?x (y \"q\\\\\"))")));
  const std::string fText = printer.DefFunctionText(*f);
  const std::string action = "(modify ?x (y \"q\\\\\"))";
  EXPECT_NE(fText.find(action), std::string::npos) << fText;
  EXPECT_EQ(CallTwice(action), action);
}

// ---- Patterns and rules (built in code: the rule parser reads them later)

// The engine of rules and patterns whose text forms come from the printer
// under test; nothing is registered or compiled.
class TPrinterRuleEngine : public TFakeRuleEngine {
 public:
  std::string PatternText(const TIEPattern& pattern) override {
    return TIEMorelPrinter().PatternText(pattern);
  }
  std::string RuleText(const TRule& rule) override { return TIEMorelPrinter().RuleText(rule); }
};


class PatternPrinterTest : public ::testing::Test {
 protected:
  PatternPrinterTest() {
    person = MakeRef<TFactTemplate>(&rules);
    person->SetName("person");
    person->AddSlot("name", NilValue());
    person->AddSlot("age", NilValue());
    person->AddMultiSlot("tags", EmptyList());
    rules.AddFactTemplate(person);
  }
  std::unique_ptr<TIEPattern> Ordered(const std::string& name, int32_t negated = 0) {
    return std::make_unique<TIEPattern>(nullptr, negated, rules.GetFactTemplate(name), name);
  }
  std::unique_ptr<TIEPattern> Person(int32_t negated = 0) {
    return std::make_unique<TIEPattern>(nullptr, negated, person, "person");
  }
  static IIEValue CallValue(const char* name, std::initializer_list<IIEValue> args) {
    IFunctionCall call = TFunctionCall::Create(nullptr, name);
    for (const IIEValue& arg : args) call->AddArgument(arg);
    return TIEValue::MakeFunCall(IFunCall(call));
  }

  TPrinterRuleEngine rules;
  IFactTemplate person;
  TIEMorelPrinter printer;
};

TEST_F(PatternPrinterTest, NamedSlotsAreEachFollowedByOneBlank) {
  auto p = Person();
  p->AddTest("name", Var("n"), true, false, -1);
  EXPECT_EQ(printer.PatternText(*p), "(person (name ?n) )");
  p->AddTest("tags", Atom("a"), true, false, 0);
  p->AddTest("tags", TIEValue::MakeMultiVariable("rest"), true, false, 1);
  // Slots print in the pattern's slot-table order; untested slots are left out.
  const std::string text = printer.PatternText(*p);
  EXPECT_NE(text.find("(name ?n) "), std::string::npos) << text;
  EXPECT_NE(text.find("(tags a $?rest) "), std::string::npos) << text;
  EXPECT_EQ(text.find("age"), std::string::npos) << text;
}

TEST_F(PatternPrinterTest, OrderedPatternsAndPositions) {
  auto p = Ordered("list");
  p->AddTest(SImpliedSlotName, Atom("a"), true, false, 0);
  p->AddTest(SImpliedSlotName, Atom("b"), true, false, 1);
  EXPECT_EQ(printer.PatternText(*p), "(list a b)");
  // A constraint ?x&~red at one position.
  auto q = Ordered("colour");
  q->AddTest(SImpliedSlotName, Var("x"), true, false, 0);
  q->AddTest(SImpliedSlotName, Atom("red"), true, true, 0);
  EXPECT_EQ(printer.PatternText(*q), "(colour ?x&~red)");
  // The same on a single slot, and an alternative written with "|".
  auto r = Person();
  r->AddTest("name", Var("x"), true, false, -1);
  r->AddTest("name", Atom("red"), true, true, -1);
  r->AddTest("name", TIEValue::MakeString("blue sky"), false, false, -1);
  EXPECT_EQ(printer.PatternText(*r), "(person (name ?x&~red|\"blue sky\") )");
}

TEST_F(PatternPrinterTest, EntriesWithoutTests) {
  // Read from "(a)": length 0, printed as the bare name.
  auto empty = Ordered("a");
  empty->SetSlotLength(empty->IndexOfSlot(SImpliedSlotName), 0);
  EXPECT_EQ(printer.PatternText(*empty), "(a)");
  // Without a length constraint: a fresh multifield placeholder.
  auto open = Ordered("b");
  EXPECT_EQ(printer.PatternText(*open), "(b $?__var1)");
  EXPECT_EQ(printer.PatternText(*open), "(b $?__var2)");
  // Through the parser the names come from the engine's generator.
  TFakeParserEngine names;
  names.symbolIndex = 7;
  TIEMorelParser parser(&names);
  EXPECT_EQ(parser.PatternText(*open), "(b $?__var7)");
  // A pattern on named slots with no tests at all.
  EXPECT_EQ(printer.PatternText(*Person()), "(person)");
}

TEST_F(PatternPrinterTest, PredicatesAndTestElements) {
  auto p = Person();
  p->AddTest("age", Var("a"), true, false, -1);
  p->AddTest("age", CallValue(">", {Var("a"), Int(18)}), true, false, -1);
  p->AddTest("name", CallValue("stringp", {Var("n")}), true, true, -1);
  const std::string text = printer.PatternText(*p);
  EXPECT_NE(text.find("(age ?a&:(> ?a 18)) "), std::string::npos) << text;
  EXPECT_NE(text.find("(name ~:(stringp ?n)) "), std::string::npos) << text;

  auto test = Ordered(STestPatternName);
  test->AddTest(SImpliedSlotName, CallValue(">", {Var("x"), Int(1)}), true, false, -1);
  EXPECT_EQ(printer.PatternText(*test), "(test (> ?x 1))");
  // (not (test ...)) is held as a negated test; it prints as it was written.
  auto notTest = Ordered(STestPatternName);
  notTest->AddTest(SImpliedSlotName, CallValue(">", {Var("x"), Int(1)}), true, true, -1);
  EXPECT_EQ(printer.PatternText(*notTest), "(not (test (> ?x 1)))");
}

TEST_F(PatternPrinterTest, WrappersAndTheFactAddress) {
  auto exists = Ordered("x", 2);
  exists->SetSlotLength(0, 0);
  EXPECT_EQ(printer.PatternText(*exists), "(not (not (x)))");

  auto p = Person();
  p->AddTest("name", Var("n"), true, false, -1);
  p->SetUnique(true);
  p->SetExplicit(true);
  p->SetBoundName("f");
  EXPECT_EQ(printer.PatternText(*p), "?f <- (explicit (unique (person (name ?n) )))");

  auto negated = Person(1);
  negated->SetUnique(true);
  EXPECT_EQ(printer.PatternText(*negated), "(not (unique (person)))");
}

TEST_F(PatternPrinterTest, PatternWithoutTemplateIsAnError) {
  TIEPattern bare(nullptr, 0, nullptr, "x");
  EXPECT_EQ(MessageOf<EIEException>([&] { printer.PatternText(bare); }), SFactTemplateMissing);
}

TEST_F(PatternPrinterTest, RuleLines) {
  TRule* rule = new TRule(&rules);
  rule->SetRuleName("r");
  auto a = Ordered("a");
  a->SetSlotLength(0, 0);
  rule->AddPattern(std::move(a));
  EXPECT_EQ(printer.RuleText(*rule),
            "(defrule r\r\n"
            "    \"\"\r\n"
            "    (declare (salience 0))\r\n"
            "    (a)\r\n"
            "    =>)");
  rule->Actions().Add(TRef<TCustomFunCall>(TFunctionCall::Create(nullptr, "halt").get()));
  EXPECT_EQ(printer.RuleText(*rule),
            "(defrule r\r\n"
            "    \"\"\r\n"
            "    (declare (salience 0))\r\n"
            "    (a)\r\n"
            "    =>\r\n"
            "    (halt))");

  // The current salience, the comment escaped, every action on its own line.
  rule->SetSalience(-5);
  rule->SetComment("say \"hi\"");
  IFunctionCall printout = TFunctionCall::Create(nullptr, "printout");
  printout->AddArgument("t", dtAtom);
  printout->AddArgument("hi", dtString);
  rule->Actions().Add(TRef<TCustomFunCall>(printout.get()));
  EXPECT_EQ(printer.RuleText(*rule),
            "(defrule r\r\n"
            "    \"say \\\"hi\\\"\"\r\n"
            "    (declare (salience -5))\r\n"
            "    (a)\r\n"
            "    =>\r\n"
            "    (halt)\r\n"
            "    (printout t \"hi\"))");
}


// ---- Rules read back: parse, print, parse, print gives the same text

// The parser's engine with a rule side that keeps nothing.
using TRuleRoundTripEngine = TFakeParserRuleEngine;

class RulePrinterTest : public ::testing::Test {
 protected:
  RulePrinterTest() {
    IFactTemplate person = MakeRef<TFactTemplate>(&engine.facts);
    person->SetName("person");
    person->AddSlot("name", NilValue());
    person->AddSlot("age", NilValue());
    person->AddMultiSlot("tags", EmptyList());
    engine.facts.AddFactTemplate(person);
  }
  std::string RuleText(const std::string& text) {
    std::unique_ptr<TRule> rule = engine.ParseRuleText(text);
    EXPECT_TRUE(rule);
    return rule ? printer.RuleText(*rule) : std::string();
  }
  std::string Twice(const std::string& text) {
    const std::string once = RuleText(text);
    EXPECT_EQ(RuleText(once), once) << "from " << text;
    return once;
  }

  TRuleRoundTripEngine engine;
  TIEMorelPrinter printer;
};

TEST_F(RulePrinterTest, ParsedRulesPrintAsTheyWereWritten) {
  EXPECT_EQ(Twice("(defrule r (a) => (halt))"),
            "(defrule r\r\n    \"\"\r\n    (declare (salience 0))\r\n    (a)\r\n    =>\r\n"
            "    (halt))");
  EXPECT_EQ(Twice("(defrule r (person (name ?n)) =>)"),
            "(defrule r\r\n    \"\"\r\n    (declare (salience 0))\r\n"
            "    (person (name ?n) )\r\n    =>)");
  const std::string constraint = Twice("(defrule r (colour ?x&~red) (list a b) => )");
  EXPECT_NE(constraint.find("    (colour ?x&~red)\r\n    (list a b)\r\n"), std::string::npos)
      << constraint;
  const std::string exists = Twice("(defrule r (exists (x)) => )");
  EXPECT_NE(exists.find("    (not (not (x)))\r\n"), std::string::npos) << exists;
}

TEST_F(RulePrinterTest, RoundTripCorpus) {
  const std::vector<std::string> corpus = {
      "(defrule r \"a \\\"quoted\\\" comment\" (declare (salience 10)) (a) => (printout t x))",
      "(defrule r ?f <- (person (name ?n) (age ?a&:(> ?a 18))) => (retract ?f) (modify ?f (age 1)))",
      "(defrule r (person (tags a $?rest)) (not (person (name ~bob))) => )",
      "(defrule r (unique (x ?y)) (explicit (z ?y)) => (assert (w ?y)))",
      "(defrule r (x ?v) (test (> ?v 1)) (not (test (< ?v 0))) => )",
      "(defrule r (list $?a b $?c) => (printout t \"a\\\\b\" crlf))",
  };
  for (const std::string& text : corpus) Twice(text);
}

}  // namespace
