// A stand-in for the engine behind the parser's engine seam: the function
// registry and fact engine of the other test doubles, a root context, the
// print-out collected as text and numbered generated names.
#pragma once

#include <memory>
#include <string>

#include "facts/FakeFactEngine.h"
#include "frontend/IEMorelParser.h"
#include "functions/FakeReasoner.h"
#include "values/IEContext.h"

// Asserts its fact arguments into the fake fact engine.
class TFakeAssertFunction : public TIEUserFunction {
 public:
  explicit TFakeAssertFunction(IFactEngine* facts) : facts_(facts) { SetFunctionName("assert"); }
  void Call(TFunctionCall& funCall, TIEContext* context, IIEValue& result) override {
    TIEUserFunction::Call(funCall, context, result);
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
