// The parser's top-level loop: dispatch, echo, events, error texts, error
// collection, and robustness against hostile input.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/IEConsts.h"
#include "frontend/IEParseException.h"
#include "support/FakeParserEngine.h"

namespace {

class ParserLoopTest : public ::testing::Test {
 protected:
  // The message of the parse error ParseAll raises on Text (empty if none).
  std::string ParseError(std::string_view text, TErrorHandling handling = ehRaiseImmediate) {
    TIEMorelParser& parser = engine.Parse(text);
    parser.SetErrorHandling(handling);
    try {
      parser.ParseAll();
    } catch (const EIEParseException& e) {
      return e.Message();
    }
    return std::string();
  }

  TFakeParserEngine engine;
};

TEST_F(ParserLoopTest, TopLevelValuesAndCallsEchoAndConstructsDoNot) {
  engine.context.AddBinding("*g*", TIEValue::MakeInteger(42));
  engine.Parse("TRUE 7 -5.0 abc ?*g* (echo \"hi\") (echo nil) nil");
  EXPECT_TRUE(engine.parser->ParseAll());
  EXPECT_EQ(engine.output, "TRUE\r\n7\r\n-5\r\nabc\r\n42\r\n\"hi\"\r\n");
}

TEST_F(ParserLoopTest, OnParseReportsKindsAndValues) {
  std::vector<int> kinds;
  std::vector<std::string> texts;
  TIEMorelParser& parser = engine.Parse("a (echo 3) (echo nil)");
  parser.OnParse = [&](TIEParser* sender, TParsedType kind, TObject* object,
                       const TRef<TRefCounted>& iface) {
    EXPECT_EQ(sender, &parser);
    EXPECT_EQ(object, nullptr);
    kinds.push_back(kind);
    auto* value = dynamic_cast<TIEValue*>(iface.get());
    texts.push_back(value ? value->AsText() : "-");
  };
  parser.ParseAll();
  EXPECT_EQ(kinds, (std::vector<int>{ptValue, ptFunCall, ptNone, ptEOF}));
  EXPECT_EQ(texts[0], "a");
  EXPECT_EQ(texts[1], "3");
  EXPECT_EQ(texts[3], "EOF");
}

TEST_F(ParserLoopTest, ParseNextStopsAtTheEndAndAtATopLevelEof) {
  TIEMorelParser& parser = engine.Parse("a EOF b");
  EXPECT_TRUE(parser.ParseNext());
  EXPECT_FALSE(parser.ParseNext());
  EXPECT_EQ(engine.output, "a\r\nEOF\r\n");

  engine.output.clear();
  TIEMorelParser& noValue = engine.Parse("(echo) 5 (echo EOF) 6");
  EXPECT_TRUE(noValue.ParseNext()) << "a call that leaves no value does not end the parse";
  EXPECT_TRUE(noValue.ParseNext());
  EXPECT_FALSE(noValue.ParseNext()) << "a call whose value is EOF does";
  EXPECT_EQ(engine.output, "5\r\nEOF\r\n");

  TIEMorelParser& empty = engine.Parse("");
  EXPECT_FALSE(empty.ParseNext());
  EXPECT_FALSE(empty.ParseNext());
  TIEMorelParser none(&engine);
  EXPECT_FALSE(none.ParseNext());
  EXPECT_FALSE(none.LoadFacts());
}

TEST_F(ParserLoopTest, TopLevelErrors) {
  EXPECT_EQ(ParseError("\"str\""),
            "Parsing Error, Unexpected symbol, expected a \"(\", constant, or global variable: "
            "\"str\" in GetConstructType at line 1: \"str\" ");
  EXPECT_NE(ParseError(")").find("variable: ) in GetConstructType"), std::string::npos);
  EXPECT_NE(ParseError("&").find("variable: & in GetConstructType"), std::string::npos);

  TIEMorelParser& parser = engine.Parse("?nobody");
  try {
    parser.ParseAll();
    FAIL();
  } catch (const EIEParseException&) {
    FAIL() << "an unbound variable is no grammar error";
  } catch (const EIEException& e) {
    EXPECT_STREQ(e.what(), "Unknown variable name: nobody");
  }
  // A call is bound only when evaluated.
  engine.Parse("(no-such-function 1)");
  EXPECT_THROW(engine.parser->ParseAll(), EIEException);
}

TEST_F(ParserLoopTest, ErrorsReportTheLineAndTheTextRead) {
  TIEMorelParser& parser = engine.Parse("; one\n; two\n)");
  try {
    parser.ParseAll();
    FAIL();
  } catch (const EIEParseException& e) {
    EXPECT_EQ(e.LineNumber(), 3);
    EXPECT_NE(e.Message().find(" at line 3: ) "), std::string::npos) << e.Message();
  }

  TIEMorelParser& second = engine.Parse("(a)\n(b c)");
  for (int i = 0; i < 5; ++i) second.MorelStream()->NextToken();
  try {
    second.RaiseParseError("Method", "Message");
  } catch (const EIEParseException& e) {
    EXPECT_EQ(e.Message(), "Parsing Error, Message in Method at line 2: ( a ) \r\n( b ");
    EXPECT_EQ(e.LineNumber(), 2);
  }
}

TEST_F(ParserLoopTest, ConstructHeader) {
  std::string name, comment;
  IStreamToken token;
  TIEMorelParser& parser = engine.Parse("(defrule r \"about r\" (a) => )");
  parser.ParseConstructHeader(name, comment, token, "ParseRule", "Bad rule", "defrule");
  EXPECT_EQ(name, "r");
  EXPECT_EQ(comment, "about r");
  EXPECT_TRUE(token->IsDelimiter('('));

  engine.Parse("(defrule r (a))");
  engine.parser->ParseConstructHeader(name, comment, token, "ParseRule", "Bad rule", "defrule");
  EXPECT_EQ(comment, "");
  EXPECT_TRUE(token->IsDelimiter('('));

  engine.Parse("(deffacts r)");
  EXPECT_THROW(
      try {
        engine.parser->ParseConstructHeader(name, comment, token, "ParseRule", "Bad rule",
                                            "defrule");
      } catch (const EIEParseException& e) {
        EXPECT_NE(e.Message().find("Bad rule in ParseRule"), std::string::npos);
        throw;
      },
      EIEParseException);
  engine.Parse("(defrule (a))");
  EXPECT_THROW(
      try {
        engine.parser->ParseConstructHeader(name, comment, token, "ParseRule", "Bad rule",
                                            "defrule");
      } catch (const EIEParseException& e) {
        EXPECT_NE(e.Message().find("Missing name in ParseRule"), std::string::npos);
        throw;
      },
      EIEParseException);
}

// ---- Error collection

TEST_F(ParserLoopTest, RaiseAllAtEndLoadsTheSoundItemAndListsTheBrokenOnes) {
  TIEMorelParser& parser =
      engine.Parse("(deftemplate t (slot))\n(\"x\" 1)\n\"loose\"\n(assert (done yes))\n");
  parser.SetErrorHandling(ehRaiseAllAtEnd);
  try {
    parser.ParseAll();
    FAIL();
  } catch (const EIEParseException& e) {
    ASSERT_EQ(e.Errors().size(), 3u) << e.Message();
    EXPECT_NE(e.Errors()[0].find("deftemplate"), std::string::npos);
    EXPECT_NE(e.Errors()[1].find("Missing name in ParseFunCall at line 2"), std::string::npos);
    EXPECT_NE(e.Errors()[2].find("\"loose\" in GetConstructType at line 3"), std::string::npos);
    EXPECT_EQ(e.Message(), std::string("Errors parsing stream:\r\n") + e.Errors()[0] + "\r\n" +
                               e.Errors()[1] + "\r\n" + e.Errors()[2] + "\r\n");
    EXPECT_EQ(e.LineNumber(), 3);
  }
  ASSERT_EQ(engine.facts.asserted.size(), 1u);
  EXPECT_EQ(engine.facts.asserted[0]->Template()->Name(), "done");
}

TEST_F(ParserLoopTest, RaiseAllAtEndWithOneErrorRaisesItsMessage) {
  const std::string message = ParseError("(echo a) \"s\" (echo b)", ehRaiseAllAtEnd);
  EXPECT_EQ(message.rfind("Parsing Error, Unexpected symbol", 0), 0u);
  EXPECT_EQ(message.substr(message.size() - 2), "\r\n");
  EXPECT_EQ(message.find("Errors parsing stream"), std::string::npos);
  EXPECT_EQ(engine.output, "a\r\nb\r\n");
  // A failing function is collected like a grammar error, with the method "Parse".
  const std::string failed = ParseError("(fail) (echo c)", ehRaiseAllAtEnd);
  EXPECT_NE(failed.find(" in Parse at line 1"), std::string::npos) << failed;
  EXPECT_NE(engine.output.find("c\r\n"), std::string::npos);
}

TEST_F(ParserLoopTest, RaiseAllAtEndStopsAfterMaxErrors) {
  std::string text;
  for (int i = 0; i < 30; ++i) text += "\"s\" ";
  text += "(echo end)";
  for (int maxErrors : {10, 0, 2}) {
    TIEMorelParser& parser = engine.Parse(text);
    parser.SetErrorHandling(ehRaiseAllAtEnd);
    parser.SetMaxErrors(maxErrors);
    try {
      parser.ParseAll();
      FAIL();
    } catch (const EIEParseException& e) {
      EXPECT_EQ(int(e.Errors().size()), maxErrors + 1);
    }
  }
  EXPECT_EQ(engine.output, "");
}

TEST_F(ParserLoopTest, RaiseAllAtEndSkipsOnlyTheBrokenList) {
  // The broken call's own remainder is skipped; a stray ")" does not make the
  // skip swallow the items after it.
  ParseError("(echo (1 2 3) x) (echo a) (echo (\"q\")) (echo b)", ehRaiseAllAtEnd);
  EXPECT_EQ(engine.output, "a\r\nb\r\n");
  // A stray ")" (which the tokenizer reads together with the list after it)
  // costs one message; every item after it is parsed.
  engine.output.clear();
  const std::string message = ParseError(") (echo b) (echo c)\n) (echo d)", ehRaiseAllAtEnd);
  EXPECT_EQ(engine.output, "b\r\nc\r\nd\r\n");
  EXPECT_NE(message.find("Errors parsing stream"), std::string::npos);
  // An unfinished last list: the tokens read ahead become top-level items.
  TIEMorelParser& parser = engine.Parse("(echo a) (echo (1) b c");
  parser.SetErrorHandling(ehRaiseAllAtEnd);
  engine.output.clear();
  EXPECT_THROW(parser.ParseAll(), EIEParseException);
  EXPECT_EQ(engine.output, "a\r\nb\r\nc\r\n");
}

// ---- Hostile input

std::vector<std::string> HostileTexts() {
  std::vector<std::string> texts = {
      "",
      "   \r\n\t ; only a comment",
      "\"unterminated string",
      "(echo \"unterminated string in a list",
      "(echo a (echo b",
      ")",
      ")))) (echo a)",
      std::string("a\0b (echo \0) \0", 14),
      "\\",
      "(echo \\",
      "(assert (point (x",
      "(modify ?f (x",
      "(assert",
      "(?",
      "(= = = (",
  };
  std::mt19937 random(7);
  std::string binary;
  for (int i = 0; i < 20000; ++i) binary += char(random() & 0xFF);
  texts.push_back(binary);
  std::string parens;
  for (int i = 0; i < 20000; ++i) parens += char("()\"a ?=&\n"[random() % 9]);
  texts.push_back(parens);
  texts.push_back(std::string(100000, '('));
  std::string nested;
  for (int i = 0; i < 100000; ++i) nested += "(echo ";
  texts.push_back(nested);
  std::string facts = "(assert ";
  for (int i = 0; i < 100000; ++i) facts += "(f ";
  texts.push_back(facts);
  return texts;
}

TEST_F(ParserLoopTest, HostileInputEndsCleanlyOrWithAnError) {
  for (TErrorHandling handling : {ehRaiseImmediate, ehRaiseAllAtEnd}) {
    for (const std::string& text : HostileTexts()) {
      TIEMorelParser& parser = engine.Parse(text);
      parser.SetErrorHandling(handling);
      try {
        EXPECT_TRUE(parser.ParseAll());
      } catch (const EIEException& e) {
        EXPECT_NE(std::string(e.what()), "");
      }
      // And the facts parser over the same bytes.
      engine.Parse(text);
      try {
        engine.parser->LoadFacts();
      } catch (const EIEException&) {
      }
    }
  }
}

TEST_F(ParserLoopTest, DeepNestingIsAParseError) {
  std::string nested;
  for (int i = 0; i < 1000; ++i) nested += "(echo ";
  const std::string message = ParseError(nested);
  EXPECT_NE(message.find("Expressions nested deeper than 500 levels in ParseFunCall"),
            std::string::npos);
  // Up to the limit a nested call parses and evaluates.
  std::string deep;
  for (int i = 0; i < 400; ++i) deep += "(echo ";
  deep += "x" + std::string(400, ')');
  EXPECT_EQ(ParseError(deep), "");
  EXPECT_EQ(engine.output, "x\r\n");
}

}  // namespace
