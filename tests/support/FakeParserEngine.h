// Stand-ins for the engine behind the parser's engine seam: the function
// registry and fact engine of the other test doubles, a root context, the
// print-out collected as text and numbered generated names; and the same
// engine with a rule side whose texts and rules come from its parser.
#pragma once

#include <memory>
#include <string>

#include "core/Component.h"
#include "facts/IERule.h"
#include "facts/IERuleEngine.h"
#include "frontend/IEMorelParser.h"
#include "support/FakeFactEngine.h"
#include "support/FakeReasoner.h"
#include "values/IEContext.h"

// Asserts its fact arguments into the fake fact engine.
class TFakeAssertFunction : public TIEUserFunction {
 public:
  explicit TFakeAssertFunction(IFactEngine* facts) : facts_(facts) { SetFunctionName("assert"); }
  void Run(TFunctionCall& funCall, TIEContext*, IIEValue& result) override {
    for (const IIEValue& argument : funCall.Arguments())
      if (argument->DType() == dtFact) facts_->AssertFact(AsFactRef(argument->AsFact()));
    result = TrueAtom();
  }

 private:
  IFactEngine* facts_;
};

class TFakeParserEngine : public IParserEngine, public ISymbolGenerator {
 public:
  TFakeParserEngine() {
    reasoner.AddFunction(IUserFunction(new TEchoFunction("echo")));
    reasoner.AddFunction(IUserFunction(new TFailFunction()));
    reasoner.AddFunction(IUserFunction(new TFakeAssertFunction(&facts)));
  }
  virtual ~TFakeParserEngine() = default;

  std::string GenSym(const std::string& prefix) override {
    return prefix + std::to_string(symbolIndex++);
  }
  ISymbolGenerator* SymbolGenerator() override { return this; }
  IReasoner* FunctionTable() override { return &reasoner; }
  IFactEngine* FactEngine() override { return &facts; }
  TIEContext* RootContext() override { return &context; }
  void PrintOut(const std::string& outId, const std::string& text) override {
    if (outId.empty()) output += text;
    else output += "<" + outId + ">" + text;
  }

  // A parser of this engine reading Text; the stream lives in the fixture.
  TIEMorelParser& Parse(std::string_view text) {
    stream = TIEMorelStream::CreateFromText(text);
    parser = std::make_unique<TIEMorelParser>(this, stream.get());
    return *parser;
  }

  TFakeReasoner reasoner;
  TFakeFactEngine facts;
  TIEContext context;
  std::string output;
  int32_t symbolIndex = 0;
  std::unique_ptr<TIEMorelStream> stream;
  std::unique_ptr<TIEMorelParser> parser;
};

// The parser's engine with a rule side: templates by name (an implied one is
// made when missing), a rule counter, and the parser's printer and rule
// parser. The registry hooks keep the do-nothing defaults of IRuleEngine.
class TFakeParserRuleEngine : public TComponent, public TFakeParserEngine, public IRuleEngine {
 public:
  ~TFakeParserRuleEngine() override { DestroyComponents(); }

  IRuleEngine* RuleEngine() override { return this; }
  IFactEngine* FactEngine() override { return TFakeParserEngine::FactEngine(); }
  IReasoner* FunctionTable() override { return TFakeParserEngine::FunctionTable(); }
  TIEContext* RootContext() override { return TFakeParserEngine::RootContext(); }
  std::string GenSym(const std::string& prefix) override { return TFakeParserEngine::GenSym(prefix); }
  IFactTemplate GetFactTemplate(const std::string& name) override {
    IFactTemplate found = facts.FindFactTemplate(name);
    if (!found) {
      found = TFactTemplate::CreateImplied(&facts, name);
      facts.AddFactTemplate(found);
    }
    return found;
  }
  int32_t NextRuleNumber() override { return ++ruleCounter; }
  std::string PatternText(const TIEPattern& pattern) override { return parser->PatternText(pattern); }
  std::string RuleText(const TRule& rule) override { return parser->RuleText(rule); }
  std::unique_ptr<TRule> ParseRuleText(const std::string& text) override {
    return Parse(text).ParseRule();
  }

  int32_t ruleCounter = 0;
};
