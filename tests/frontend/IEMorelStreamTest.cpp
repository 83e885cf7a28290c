#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "core/IEInterfaces.h"
#include "core/Streams.h"
#include "frontend/IEMorelStream.h"
#include "frontend/IEParseException.h"

namespace {

// Stands in for the engine's generated names.
class TCountingSymbols : public ISymbolGenerator {
 public:
  std::string GenSym(const std::string& prefix) override {
    return prefix + std::to_string(index++);
  }
  int index = 7;
};

struct TTok {
  int32_t type;
  std::string text;
  int32_t line;
  bool operator==(const TTok&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TTok& t) {
  return os << "{" << t.type << ", \"" << t.text << "\", " << t.line << "}";
}

// Every token up to (not including) the end token; fails on a runaway stream.
std::vector<TTok> Tokens(std::string_view text, ISymbolGenerator* engine = nullptr) {
  auto s = TIEMorelStream::CreateFromText(text, engine);
  std::vector<TTok> out;
  for (size_t guard = 0; guard < text.size() + 2; ++guard) {
    IStreamToken t = s->NextToken();
    if (t->IsEnd()) return out;
    out.push_back({t->GetDataType(), t->GetText(), t->GetLineNumber()});
  }
  ADD_FAILURE() << "no end token";
  return out;
}

IStreamToken One(std::string_view text) {
  auto s = TIEMorelStream::CreateFromText(text);
  return s->NextToken();
}

}  // namespace

TEST(Tokenizer, DelimitersAndWords) {
  EXPECT_EQ(Tokens("(a & b|~c) =>"),
            (std::vector<TTok>{{'(', "(", 1}, {dtAtom, "a", 1}, {'&', "&", 1}, {dtAtom, "b", 1},
                               {'|', "|", 1}, {'~', "~", 1}, {dtAtom, "c", 1}, {')', ")", 1},
                               {'=', "=", 1}, {dtAtom, ">", 1}}));
  // "<" and "=" end no word unless "<" follows a character.
  EXPECT_EQ(Tokens("<- <= a<b x=y ?v:"),
            (std::vector<TTok>{{dtAtom, "<-", 1}, {dtAtom, "<=", 1}, {dtAtom, "a", 1},
                               {dtAtom, "<b", 1}, {dtAtom, "x=y", 1}, {dtVariable, "v:", 1}}));
  EXPECT_EQ(Tokens("a;b\nc"), (std::vector<TTok>{{dtAtom, "a", 1}, {dtAtom, "c", 2}}));
  EXPECT_EQ(Tokens("ab\"cd\"(e"),
            (std::vector<TTok>{{dtAtom, "ab", 1}, {dtString, "cd", 1}, {'(', "(", 1},
                               {dtAtom, "e", 1}}));
}

TEST(Tokenizer, BackslashInWordsTakesTheNextByteLiterally) {
  EXPECT_EQ(Tokens("a\\(b\\ c d"),
            (std::vector<TTok>{{dtAtom, "a(b c", 1}, {dtAtom, "d", 1}}));
  EXPECT_EQ(Tokens("ab\\"), (std::vector<TTok>{{dtAtom, "ab", 1}}));
}

TEST(Tokenizer, Variables) {
  TCountingSymbols symbols;
  EXPECT_EQ(Tokens("?x $?rest ? ? $? $x", &symbols),
            (std::vector<TTok>{{dtVariable, "x", 1},
                               {dtMultiVariable, "rest", 1},
                               {dtVariable, "_blank_7", 1},
                               {dtVariable, "_blank_8", 1},
                               {dtMultiVariable, "_blank_$9", 1},
                               {dtAtom, "$x", 1}}));
  // Without an engine the stream numbers anonymous variables itself.
  EXPECT_EQ(Tokens("? ?"), (std::vector<TTok>{{dtVariable, "_blank_1", 1},
                                              {dtVariable, "_blank_2", 1}}));
}

TEST(Tokenizer, NumbersAndAtoms) {
  struct {
    const char* word;
    int32_t type;
    double number;
  } cases[] = {
      {"-", dtAtom, 0},           {"+", dtAtom, 0},          {".", dtAtom, 0},
      {"-5", dtInteger, -5},      {"+5", dtInteger, 5},      {"007", dtInteger, 7},
      {"-5.0", dtFloat, -5},      {"1e3", dtFloat, 1000},    {"1.5E-2", dtFloat, 0.015},
      {".5", dtFloat, 0.5},       {"-.5", dtFloat, -0.5},    {"2.", dtFloat, 2},
      {"12abc", dtAtom, 0},       {"1e", dtAtom, 0},         {"1e+", dtAtom, 0},
      {"1.2.3", dtAtom, 0},       {"--5", dtAtom, 0},        {"1e999", dtAtom, 0},
      {"-inf", dtAtom, 0},        {"+$ff", dtInteger, 255},  {"-$10", dtInteger, -16},
      {"+$FFFFFFFF", dtInteger, -1}, {"+$100000000", dtAtom, 0}, {"$ff", dtAtom, 0},
      {"2147483647", dtInteger, 2147483647.0}, {"-2147483648", dtInteger, -2147483648.0},
      {"2147483648", dtFloat, 2147483648.0},   {"99999999999999999999", dtFloat, 1e20},
  };
  for (const auto& c : cases) {
    IStreamToken t = One(c.word);
    EXPECT_EQ(t->GetDataType(), c.type) << c.word;
    EXPECT_EQ(t->GetText(), c.word);
    if (c.type != dtAtom) {
      EXPECT_DOUBLE_EQ(t->GetNumber(), c.number) << c.word;
    }
  }
}

TEST(Tokenizer, Strings) {
  EXPECT_EQ(One("\"a\\\"b\"")->GetText(), "a\"b");
  EXPECT_EQ(One("\"a\\nb\"")->GetText(), "anb");
  EXPECT_EQ(One("\"a\\\\b\"")->GetText(), "a\\b");
  EXPECT_EQ(One("\"\"")->GetText(), "");
  EXPECT_EQ(One("\"(x ; y)\"")->GetText(), "(x ; y)");
  // The end of the text ends a string; a backslash as the last byte empties it.
  EXPECT_EQ(Tokens("\"open to the end"), (std::vector<TTok>{{dtString, "open to the end", 1}}));
  EXPECT_EQ(Tokens("\"abc\\"), (std::vector<TTok>{{dtString, "", 1}}));
  // NUL bytes are kept in strings.
  EXPECT_EQ(One(std::string("\"a\0b\"", 5))->GetText(), std::string("a\0b", 3));
}

TEST(Tokenizer, LineNumbers) {
  // An opening parenthesis after a two-line comment is on line 3.
  EXPECT_EQ(Tokens("; one\n; two\n(a)")[0], (TTok{'(', "(", 3}));
  // A string carries the line on which it ends; lines go on counting behind it.
  EXPECT_EQ(Tokens("\"x\ny\r\nz\" w"),
            (std::vector<TTok>{{dtString, "x\ny\r\nz", 3}, {dtAtom, "w", 3}}));
  // A word carries its own line, whatever line end follows it.
  EXPECT_EQ(Tokens("a\nb\r\nc\rd\n\n\ne"),
            (std::vector<TTok>{{dtAtom, "a", 1}, {dtAtom, "b", 2}, {dtAtom, "c", 3},
                               {dtAtom, "d", 4}, {dtAtom, "e", 7}}));
  EXPECT_EQ(Tokens("(a\r\r(b\r\n)\n)"),
            (std::vector<TTok>{{'(', "(", 1}, {dtAtom, "a", 1}, {'(', "(", 3},
                               {dtAtom, "b", 3}, {')', ")", 4}, {')', ")", 5}}));
  // A string with lone CRs counts them too.
  EXPECT_EQ(Tokens("\"a\rb\r\" c")[1], (TTok{dtAtom, "c", 3}));
}

TEST(Tokenizer, ReadsAWholeTopLevelListAhead) {
  auto s = TIEMorelStream::CreateFromText("(a (b) c) d (e");
  EXPECT_EQ(s->NextToken()->GetText(), "(");
  EXPECT_EQ(s->PendingTokens(), 6u);
  EXPECT_EQ(s->Depth(), 1);
  for (int i = 0; i < 6; ++i) s->NextToken();
  EXPECT_EQ(s->Depth(), 0);
  EXPECT_EQ(s->NextToken()->GetText(), "d");  // an atom is read alone
  EXPECT_EQ(s->PendingTokens(), 0u);
  EXPECT_EQ(s->NextToken()->GetText(), "(");
  EXPECT_EQ(s->PendingTokens(), 2u);  // an unclosed list stops at the end token
  EXPECT_EQ(s->NextToken()->GetText(), "e");
  EXPECT_TRUE(s->NextToken()->IsEnd());
  EXPECT_TRUE(s->NextToken()->IsEnd());
}

// A tokenizer whose reading fails at one token, as a failing stream would.
class TFailingTokenizer : public TIEMorelStream {
 public:
  TFailingTokenizer(std::string_view text, int failAt)
      : TIEMorelStream(std::make_unique<TStringStream>(text)), failAt_(failAt) {}
  IStreamToken ReadToken() override {
    if (++read_ == failAt_) throw EIEParseException("read failed", Line());
    return TIEMorelStream::ReadToken();
  }

 private:
  int failAt_;
  int read_ = 0;
};

TEST(Tokenizer, AListWhoseReadingFailsLeavesNothingPending) {
  TFailingTokenizer s("(a b c) (d)", 3);
  EXPECT_THROW(s.NextToken(), EIEParseException);
  EXPECT_EQ(s.PendingTokens(), 0u);
  // Reading goes on where it stopped, outside a list now.
  EXPECT_EQ(s.NextToken()->GetText(), "b");
  EXPECT_EQ(s.NextToken()->GetText(), "c");
  EXPECT_EQ(s.NextToken()->GetText(), ")");
  EXPECT_EQ(s.NextToken()->GetText(), "(");
  EXPECT_EQ(s.NextToken()->GetText(), "d");
}

TEST(Tokenizer, ConsumedTextAndPushBack) {
  auto s = TIEMorelStream::CreateFromText("(f ?x\n  \"s\" 1.5)");
  std::vector<IStreamToken> taken;
  for (int i = 0; i < 5; ++i) taken.push_back(s->NextToken());
  EXPECT_EQ(s->ConsumedText(), "( f ?x \r\n\"s\" 1.5 ");
  EXPECT_EQ(s->LastToken(), taken.back());
  s->PushBackToken(taken[4]);
  s->PushBackToken(taken[3]);
  // The line break before the given-back token goes with it.
  EXPECT_EQ(s->ConsumedText(), "( f ?x ");
  EXPECT_EQ(s->NextToken(), taken[3]);
  // The last token handed out is still 1.5, so no line break comes back.
  EXPECT_EQ(s->ConsumedText(), "( f ?x \"s\" ");
  s->NextToken();
  s->NextToken();
  EXPECT_EQ(s->Depth(), 0);
  IStreamToken close = s->LastToken();
  s->PushBackToken(close);
  EXPECT_EQ(s->Depth(), 1);
  s->Reset();
  EXPECT_EQ(s->ConsumedText(), "");
  EXPECT_EQ(s->Depth(), 0);
  EXPECT_EQ(s->PendingTokens(), 0u);
  EXPECT_FALSE(s->LastToken());
}

TEST(Tokenizer, PeekConstructName) {
  auto peek = [](std::string_view text, std::string* nextText = nullptr) {
    auto s = TIEMorelStream::CreateFromText(text);
    std::string name = s->PeekConstructName();
    if (nextText) *nextText = s->NextToken()->GetText();
    return name;
  };
  std::string next;
  EXPECT_EQ(peek("(defrule r)", &next), "defrule");
  EXPECT_EQ(next, "(");  // the parenthesis was given back
  EXPECT_EQ(peek("(= 1 2)"), "=");
  EXPECT_EQ(peek("(?f <- x)"), "f");
  EXPECT_EQ(peek("(\"s\")"), "");
  EXPECT_EQ(peek("(12)"), "");
  EXPECT_EQ(peek("atom next", &next), "");
  EXPECT_EQ(next, "next");  // a token other than "(" is not given back
  EXPECT_EQ(peek("("), "");
  EXPECT_EQ(peek(""), "");
}

TEST(Tokenizer, SkipToEndOfListAndSkipLine) {
  auto s = TIEMorelStream::CreateFromText("(a (b c) d) e\n(x");
  s->NextToken();
  s->NextToken();
  s->SkipToEndOfList();
  EXPECT_EQ(s->Depth(), 0);
  EXPECT_EQ(s->NextToken()->GetText(), "e");
  // At the end of the characters the skip stops; read-ahead tokens remain.
  EXPECT_EQ(s->NextToken()->GetText(), "(");
  s->SkipToEndOfList();
  EXPECT_EQ(s->NextToken()->GetText(), "x");

  auto t = TIEMorelStream::CreateFromText("a b c\nd");
  EXPECT_EQ(t->NextToken()->GetText(), "a");
  t->SkipLine();
  IStreamToken d = t->NextToken();
  EXPECT_EQ(d->GetText(), "d");
  EXPECT_EQ(d->GetLineNumber(), 2);
}

TEST(Tokenizer, MakeTokenHints) {
  auto s = TIEMorelStream::CreateFromText("");
  EXPECT_EQ(s->MakeToken(TIEMorelStream::HintCrLf, "x")->GetText(), "CRLF");
  EXPECT_EQ(s->MakeToken(TIEMorelStream::HintCrLf, "x")->GetDataType(), dtAtom);
  IStreamToken end = s->MakeToken(TIEMorelStream::HintEnd, "");
  EXPECT_EQ(end->GetDataType(), TokenEnd);
  EXPECT_EQ(end->GetText(), "EOF");
  EXPECT_EQ(s->MakeToken(TIEMorelStream::HintEnd, "42")->GetDataType(), dtInteger);
  try {
    s->MakeToken(7, "x");
    FAIL();
  } catch (const EIEParseException& e) {
    EXPECT_STREQ(e.what(), "Invalid Token hint for parsing token: 7");
    EXPECT_EQ(e.LineNumber(), 1);
  }
}

TEST(Tokenizer, CharacterOperationsCountLines) {
  auto s = TIEMorelStream::CreateFromText("a\nb\r\nc\n");
  EXPECT_EQ(s->ReadChar(), 'a');
  EXPECT_EQ(s->Line(), 1);
  EXPECT_EQ(s->ReadChar(), '\n');
  EXPECT_EQ(s->Line(), 2);
  EXPECT_EQ(s->ReadLine(), "b");
  EXPECT_EQ(s->Line(), 3);
  EXPECT_FALSE(s->SkipBlankLine());
  EXPECT_EQ(s->ReadChar(), 'c');
  EXPECT_TRUE(s->SkipBlankLine());
  EXPECT_EQ(s->Line(), 4);
}

TEST(Tokenizer, BadInputEndsCleanly) {
  EXPECT_TRUE(Tokens("").empty());
  EXPECT_TRUE(Tokens(" \r\n\t; only a comment").empty());
  EXPECT_EQ(Tokens(")"), (std::vector<TTok>{{')', ")", 1}}));
  EXPECT_EQ(Tokens(") (a) b").size(), 5u);
  EXPECT_EQ(Tokens("(a (b").size(), 4u);
  EXPECT_EQ(Tokens(std::string("a\0b\0\0", 5)),
            (std::vector<TTok>{{dtAtom, "a", 1}, {dtAtom, "b", 1}}));

  // 100,000 nested lists read ahead as one item without recursion.
  auto deep = TIEMorelStream::CreateFromText(std::string(100000, '('));
  EXPECT_EQ(deep->NextToken()->GetDataType(), TokenOpen);
  EXPECT_EQ(deep->PendingTokens(), 100000u);  // 99,999 "(" and the end token
  deep->SkipToEndOfList();
  size_t opens = 1;
  while (!deep->NextToken()->IsEnd()) ++opens;
  EXPECT_EQ(opens, 100000u);
  EXPECT_EQ(deep->Depth(), 100000);
}

TEST(Tokenizer, ArbitraryBytesAlwaysReachTheEnd) {
  std::mt19937 random(12345);
  for (int round = 0; round < 300; ++round) {
    std::string bytes(size_t(random() % 3000), '\0');
    for (char& b : bytes) {
      // Bias towards the characters the tokenizer treats specially.
      static const char special[] = "()\"\\;?$&|~=<-+.e0123456789\r\n \t";
      b = random() % 2 ? special[random() % (sizeof special - 1)] : char(random() % 256);
    }
    auto s = TIEMorelStream::CreateFromText(bytes);
    size_t steps = 0;
    while (!s->NextToken()->IsEnd()) {
      ASSERT_LE(++steps, bytes.size()) << "round " << round;
    }
    EXPECT_TRUE(s->AtEnd());
    s->PeekConstructName();
    s->SkipToEndOfList();
  }
}

TEST(StreamToken, AsText) {
  EXPECT_EQ(TIEStreamToken(dtVariable, "x").AsText(), "?x");
  EXPECT_EQ(TIEStreamToken(dtMultiVariable, "r").AsText(), "$?r");
  EXPECT_EQ(TIEStreamToken(dtString, "a b").AsText(), "\"a b\"");
  EXPECT_EQ(TIEStreamToken(dtFloat, "1.50", 0, 1.5).AsText(), "1.5");
  EXPECT_EQ(TIEStreamToken(dtFloat, "1e3", 0, 1000).AsText(), "1000");
  EXPECT_EQ(TIEStreamToken(dtInteger, "+$ff", 0, 255).AsText(), "255");
  EXPECT_EQ(TIEStreamToken(dtAtom, "abc").AsText(), "abc");
  EXPECT_EQ(TIEStreamToken(TokenOpen, "").AsText(), "(");
  EXPECT_EQ(One("")->AsText(), "EOF");
}

TEST(StreamToken, CloneAssignAndEquality) {
  TIEStreamToken a(dtAtom, "a", 3, 0);
  a.SetTag(9);
  IStreamToken copy = a.Clone();
  EXPECT_EQ(copy->GetText(), "a");
  EXPECT_EQ(copy->GetLineNumber(), 3);
  EXPECT_EQ(copy->Tag(), 9);
  EXPECT_TRUE(a.IsEqual(copy.get()));
  // Equality looks at kind, line and number only.
  EXPECT_TRUE(a.IsEqual(MakeRef<TIEStreamToken>(dtAtom, "other", 3, 0).get()));
  EXPECT_FALSE(a.IsEqual(MakeRef<TIEStreamToken>(dtAtom, "a", 4, 0).get()));
  EXPECT_FALSE(a.IsEqual(nullptr));

  class TOther : public ICloneable {
    void Assign(const ICloneable&) override {}
    TRef<ICloneable> CloneObject() const override { return nullptr; }
    bool IsEqual(const ICloneable*) const override { return false; }
  } other;
  EXPECT_THROW(a.Assign(static_cast<const ICloneable&>(other)), EInvalidCast);
  EXPECT_FALSE(a.IsEqual(&other));

  std::vector<TProperty> props;
  a.Properties(props);
  ASSERT_EQ(props.size(), 5u);
  EXPECT_EQ(props[0].Name, "DataType");
  EXPECT_EQ(props[3].Name, "Text");
  props[3].Set(std::string("renamed"));
  EXPECT_EQ(a.GetText(), "renamed");
}
