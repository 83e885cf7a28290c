// TIEParser: the abstract parser of rule text. It reads from a tokenizer stream
// the engine installs, parses top-level items one by one and reports what it
// found through optional events. IParserEngine is what a parser needs from the
// engine it belongs to; TInferenceEngine implements it (tests use fakes).
//
// Ownership: the engine and the current stream are not owned; both must outlive
// their use by the parser. Events are not owned. Thread-safety: none; a parser
// is used by its engine's thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "collections/RefCount.h"
#include "core/IEInterfaces.h"
#include "core/Persistent.h"
#include "frontend/IEMorelStream.h"
#include "values/IEValue.h"

class IReasoner;
class IFactEngine;
class IRuleEngine;
class TIEContext;
class TIEParser;
class TFactSet;
class TFactTemplate;
class TFact;
class TFactSlot;
class TFunctionCall;
class TInterpretedFunction;
class TValueHashTable;
class TIEPattern;
class TRule;
class TIEUserFunction;
using IFactTemplate = TRef<TFactTemplate>;
using IUserFunction = TRef<TIEUserFunction>;

// What the top-level loop found (the ordinals are part of the event contract).
enum TParsedType : uint8_t {
  ptNone,          // nothing worth reporting: a construct, or a nil result
  ptValue,         // a constant or variable
  ptFunCall,       // a top-level expression, evaluated
  ptRule,
  ptFactSet,
  ptFactTemplate,
  ptFunction,
  ptGlobal,
  ptEOF
};

// The parser's events; Sender is the parser. OnParse's Object is a rule or fact
// set (or none); Interface is the value, template or function (or none).
using TParseEvent = std::function<void(TIEParser* sender, TParsedType parsedType,
                                       TObject* object, const TRef<TRefCounted>& iface)>;
using TParseFactEvent = std::function<void(TIEParser* sender, const IFact& fact)>;
using TParseFactSetEvent = std::function<void(TIEParser* sender, TFactSet* factSet)>;
using TParseFactTemplateEvent =
    std::function<void(TIEParser* sender, const IFactTemplate& factTemplate)>;
using TParseFunctionEvent =
    std::function<void(TIEParser* sender, const IUserFunction& function)>;
using TParseFunCallEvent = std::function<void(TIEParser* sender, const IFunCall& funCall)>;
using TParseVariableEvent = std::function<void(TIEParser* sender, const std::string& varName,
                                               const IIEValue& value)>;
// Patterns and rules are passed as objects (their classes live above the parser).
using TParsePatternEvent = std::function<void(TIEParser* sender, TObject* pattern)>;
using TParseRuleEvent = std::function<void(TIEParser* sender, TObject* rule)>;

// The engine as a parser sees it. TInferenceEngine implements it beside
// IReasoner, IFactEngine and ISymbolGenerator and hands out itself.
class IParserEngine {
 public:
  // Generated names: anonymous variables and UniqueName.
  virtual ISymbolGenerator* SymbolGenerator() = 0;
  // The function registry parsed calls bind through when first evaluated.
  virtual IReasoner* FunctionTable() = 0;
  // Templates by name (registering implied ones) and assertion of facts.
  virtual IFactEngine* FactEngine() = 0;
  // The root evaluation context: top-level variables and expressions.
  virtual TIEContext* RootContext() = 0;
  // Writes Text to the logical stream OutId ("" is standard output).
  virtual void PrintOut(const std::string& outId, const std::string& text) = 0;
  // The rule side of the engine: rules are created for it and registered with
  // it. None (the default) for an engine without rules; a defrule then fails.
  virtual IRuleEngine* RuleEngine() { return nullptr; }
  // The construct registries a parse hands its results to (templates go to
  // FactEngine, deffunctions to FunctionTable). A new fact set made for this
  // engine, owned by the caller until RegisterFactSet takes it over and lists
  // it (returning the set as registered, or none when it was not kept); the
  // defaults make a plain set and keep none.
  virtual std::unique_ptr<TFactSet> CreateFactSet();
  virtual TFactSet* RegisterFactSet(std::unique_ptr<TFactSet> factSet);
  // Stores a declared global (defglobal) with its declared value; the default
  // sets the root context's variable to it.
  virtual void PutGlobalVariable(const std::string& name, const IIEValue& value);

 protected:
  ~IParserEngine() = default;
};

class TIEParser : public TObject {
 public:
  static constexpr int32_t DefaultMaxErrors = 10;

  // StaticCheck true, MaxErrors 10, ErrorHandling ehRaiseImmediate.
  explicit TIEParser(IParserEngine* engine = nullptr) : engine_(engine) {}
  ~TIEParser() override = default;
  TIEParser(const TIEParser&) = delete;
  TIEParser& operator=(const TIEParser&) = delete;
  std::string ClassName() const override { return "TIEParser"; }

  IParserEngine* Engine() const noexcept { return engine_; }
  TIETokenizerStream* Stream() const noexcept { return stream_; }
  // Installs the stream to read from (none to detach); not owned.
  virtual void SetStream(TIETokenizerStream* stream) { stream_ = stream; }
  // Resets the current stream (if any).
  virtual void Reset();
  // A name unique within the engine: Prefix and the engine's next symbol index.
  virtual std::string UniqueName(const std::string& prefix);

  // Parses the whole stream; returns true.
  virtual bool ParseAll() = 0;
  // Parses one top-level item; false once the end of the text was reached.
  virtual bool ParseNext() = 0;
  // Reads facts to the end of the stream and asserts each; true with a stream.
  virtual bool LoadFacts() = 0;

  virtual IFunCall ParseFunCall() = 0;
  virtual IIEValue ParseValue() = 0;
  virtual IValueVector ParseValuePair() = 0;
  virtual IValueVector ParseList() = 0;
  virtual IFact ParseFact() = 0;
  // Parses a call and evaluates it in the engine's root context.
  virtual IIEValue EvaluateFunCall() = 0;

  // The text forms of constructs: rule-language text that the parser reads
  // back, lines ended by CR LF, nested lines indented by four blanks.
  virtual std::string FactSetText(const TFactSet& factSet) const = 0;
  virtual std::string FactText(const TFact& fact) const = 0;
  virtual std::string SlotText(const TFactSlot& slot) const = 0;
  virtual std::string TemplateText(const TFactTemplate& factTemplate) const = 0;
  virtual std::string FunCallText(const TFunctionCall& call) const = 0;
  // Rules and patterns may need fresh placeholder names (UniqueName).
  virtual std::string RuleText(const TRule& rule) = 0;
  virtual std::string PatternText(const TIEPattern& pattern) = 0;
  virtual std::string GlobalText(const std::string& name, const IIEValue& value) const = 0;
  virtual std::string UserFunctionText(const TIEUserFunction& function) const = 0;
  virtual std::string DefFunctionText(const TInterpretedFunction& function) const = 0;
  virtual std::string GlobalsText(const TValueHashTable& globals) const = 0;

  // Mirrors the engine's static type check (tcStatic).
  bool StaticCheck() const noexcept { return staticCheck_; }
  void SetStaticCheck(bool value) noexcept { staticCheck_ = value; }
  TErrorHandling ErrorHandling() const noexcept { return errorHandling_; }
  void SetErrorHandling(TErrorHandling value) noexcept { errorHandling_ = value; }
  // With ehRaiseAllAtEnd, parsing stops once more errors than this were collected.
  int32_t MaxErrors() const noexcept { return maxErrors_; }
  void SetMaxErrors(int32_t value) noexcept { maxErrors_ = value; }

  // Events (optional; each is tested before it is raised).
  TParseEvent OnParse;
  TParseFactEvent OnParseFact;
  TParseFactSetEvent OnParseFactSet;
  TParseFactTemplateEvent OnParseFactTemplate;
  TParseFunCallEvent OnParseFunCall;
  TParseFunctionEvent OnParseFunction;
  TParseVariableEvent OnParseVariable;
  TParsePatternEvent OnParsePattern;
  TParseRuleEvent OnParseRule;

 protected:
  IParserEngine* engine_;
  TIETokenizerStream* stream_ = nullptr;

 private:
  bool staticCheck_ = true;
  TErrorHandling errorHandling_ = ehRaiseImmediate;
  int32_t maxErrors_ = DefaultMaxErrors;
  int32_t ownSymbolIndex_ = 1;  // names generated without an engine
};
