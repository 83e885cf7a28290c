// TIEMorelParser: the parser of the rule language. This header covers the
// framework (the top-level loop with its dispatch on the construct name, the
// echo of top-level values, error collection, the construct header) and the
// grammar of expressions, values and facts. The construct grammars (templates,
// fact sets, rules, deffunctions, globals) plug in through the virtual
// Parse...Construct operations; until they are written each raises a parse
// error naming its construct.
//
// Every grammar error is an EIEParseException raised through RaiseParseError:
// "Parsing Error, <message> in <method> at line <n>: <text read so far>".
// Nesting of calls and facts is limited (MaxNesting), so hostile input cannot
// exhaust the stack here nor in the evaluation, printing and release of what
// was parsed.
//
// Ownership: as TIEParser (engine and stream not owned). The stream must be a
// TIEMorelStream (EInvalidCast otherwise). Thread-safety: none.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "frontend/IEMorelStream.h"
#include "frontend/IEParser.h"

class TFactSlot;
using IFactSlot = TRef<TFactSlot>;

// The variables of one rule's left-hand side: name to the token type of the
// first occurrence (dtVariable or dtMultiVariable).
using TRuleVariables = std::map<std::string, int32_t>;

class TIEMorelParser : public TIEParser {
 public:
  static constexpr int32_t DefaultMaxNesting = 500;

  // The parser of Engine reading Stream (either may be none).
  explicit TIEMorelParser(IParserEngine* engine = nullptr, TIEMorelStream* stream = nullptr);
  std::string ClassName() const override { return "TIEMorelParser"; }

  void SetStream(TIETokenizerStream* stream) override;
  TIEMorelStream* MorelStream() const noexcept { return morelStream_; }

  // ehRaiseImmediate: ParseNext until it returns false; the first error
  // propagates. ehRaiseAllAtEnd: errors are collected (at most MaxErrors + 1),
  // the broken list is skipped, and one exception lists them at the end.
  bool ParseAll() override;
  // One top-level item: constants and variables and the results of top-level
  // calls are echoed to standard output; constructs are parsed and registered.
  bool ParseNext() override;
  bool LoadFacts() override;

  // ( name arg... ): assert takes facts, modify and duplicate take slot/value
  // pairs after their first argument, ( ?var ...) calls __get-var.
  IFunCall ParseFunCall() override;
  // One value, several read as a list value, or none (up to ")" or the end).
  IIEValue ParseValue() override;
  // ( name value... ) as a two-element vector: the name atom and the value.
  IValueVector ParseValuePair() override;
  // The values of a multifield up to ")" or the end (not consumed).
  IValueVector ParseList() override;
  // ( template slot... ) or an ordered fact; the fact is not asserted.
  IFact ParseFact() override;
  IIEValue EvaluateFunCall() override;

  // The constructs deftemplate, deffacts, defglobal and deffunction
  // (IEMorelParserConstructs.cpp). None registers what it built except
  // ParseDefGlobal, which stores its globals with the engine.
  // ( deftemplate name ["comment"] [extends parent] slot... ): a new template.
  IFactTemplate ParseFactTemplate();
  // slot|field|multislot name qualifier... ) after the slot's "(": a new slot.
  IFactSlot ParseSlot();
  // The type words of a "type" qualifier up to its ")" (given back).
  TIETypes ParseSlotTypes();
  // ( deffacts name ["comment"] fact... ): a new fact set made by the engine
  // (CreateFactSet), owned by the caller, facts not asserted.
  std::unique_ptr<TFactSet> ParseFactSet();
  // ( defglobal ?*name* = value ... ): every definition is stored; true.
  bool ParseDefGlobal();
  // One ?*name* = value definition; Name keeps the asterisks, a call value is
  // kept unevaluated.
  void ParseVariable(std::string& name, IIEValue& value);
  // ( deffunction name ["comment"] ( param... ) ["comment"] action... ): a
  // new TInterpretedFunction, not registered.
  IUserFunction ParseDefFunction();

  // ( defrule name ["comment"] [(declare (salience S))] [[?v <-] CE]... => (action)... ):
  // a new rule of the engine's rule side (RuleEngine), owned by the caller and
  // not registered. Method name "ParseRule".
  std::unique_ptr<TRule> ParseRule();
  // One conditional element inside NegatedCount enclosing nots: a pattern,
  // (not CE), (exists CE), (unique CE), (explicit CE) or (test call). Variables
  // is the rule-wide record of the variables seen so far. The pattern has no
  // rule yet. Method name "ParsePattern".
  std::unique_ptr<TIEPattern> ParsePattern(int32_t negatedCount, TRuleVariables& variables);

  // The text forms, written by the construct printer (frontend/IEMorelPrinter.h).
  std::string FactSetText(const TFactSet& factSet) const override;
  std::string FactText(const TFact& fact) const override;
  std::string SlotText(const TFactSlot& slot) const override;
  std::string TemplateText(const TFactTemplate& factTemplate) const override;
  std::string FunCallText(const TFunctionCall& call) const override;
  std::string RuleText(const TRule& rule) override;
  std::string PatternText(const TIEPattern& pattern) override;
  std::string GlobalText(const std::string& name, const IIEValue& value) const override;
  std::string UserFunctionText(const TIEUserFunction& function) const override;
  std::string DefFunctionText(const TInterpretedFunction& function) const override;
  std::string GlobalsText(const TValueHashTable& globals) const override;

  // The kind of the next top-level item; the "(" of a list is given back.
  virtual TParsedType GetConstructType(IStreamToken& token);
  // Raises EIEParseException SParsingError filled with Message, MethodName, the
  // line of the last token handed out and the text read so far.
  [[noreturn]] void RaiseParseError(const std::string& methodName, const std::string& message);
  // The shared head of constructs: "(" Keyword Name ["comment"]. Token receives
  // the token after the name (or after the comment).
  void ParseConstructHeader(std::string& name, std::string& comment, IStreamToken& token,
                            const std::string& errorMethod, const std::string& errorMessage,
                            const std::string& keyword);

  // The registered template of that name, or a new implied template that is
  // registered with the engine.
  IFactTemplate GetFactTemplate(const std::string& name);

  // The deepest nesting of calls and facts accepted.
  int32_t MaxNesting() const noexcept { return maxNesting_; }
  // The name of the file being parsed (empty for text without one); rules
  // remember it with the line where they start.
  const std::string& SourceName() const noexcept { return sourceName_; }
  void SetSourceName(std::string name) { sourceName_ = std::move(name); }
  // "file:line" (or "line N") of the top-level item being read; "" when none.
  std::string ItemSource() const;
  void SetMaxNesting(int32_t value) noexcept { maxNesting_ = value; }

 protected:
  // What a construct parse hands to OnParse.
  struct TParsedConstruct {
    TObject* Object = nullptr;   // a rule or a fact set
    TRef<TRefCounted> Interface; // a template or a function
  };
  // Parse the construct at the stream and register it with the engine (a
  // descendant may replace them).
  virtual void ParseRuleConstruct(TParsedConstruct& parsed);
  virtual void ParseFactSetConstruct(TParsedConstruct& parsed);
  virtual void ParseFactTemplateConstruct(TParsedConstruct& parsed);
  virtual void ParseDefFunctionConstruct(TParsedConstruct& parsed);
  virtual void ParseDefGlobalConstruct(TParsedConstruct& parsed);

  // The current stream; raises EIEException when there is none.
  TIEMorelStream& In();
  IStreamToken Next() { return In().NextToken(); }
  void Back(const IStreamToken& token) { In().PushBackToken(token); }

  // Counts one level of nesting for its lifetime; raises SNestingTooDeep in
  // Method beyond MaxNesting.
  class TNestingGuard {
   public:
    TNestingGuard(TIEMorelParser& parser, const char* method);
    ~TNestingGuard() { --parser_.nesting_; }
    TNestingGuard(const TNestingGuard&) = delete;
    TNestingGuard& operator=(const TNestingGuard&) = delete;

   private:
    TIEMorelParser& parser_;
  };

 private:
  std::string PeekConstructName();
  [[noreturn]] void ConstructNotParsedYet(const char* method, const char* keyword);
  // After an error collected by ParseAll: skips the rest of the broken item.
  void SkipBrokenItem(int32_t baseDepth);
  // A slot value of a named-slot fact: one constant, variable or call.
  IIEValue ParseSlotValue(const TFactSlot& slot);
  // Value, a symbol or string of a fact, made to share its text with the
  // equal ones met before in this parser: the network then finds equal
  // values equal by the text's address, without reading the bytes.
  IIEValue SharedText(IIEValue value);
  // The call after an "=" in a fact or list.
  IIEValue ParseEqualsCall(const char* method);
  // The salience declaration after "( declare"; Rule takes its expression.
  void ParseSalienceDeclaration(TRule& rule);
  // The constraints of one slot of Pattern up to and including its ")".
  void ParseSlotConstraints(TIEPattern& pattern, const std::string& slotName, bool multislot,
                            TRuleVariables& variables);
  // The term of a constraint that Token starts, as the value of one test; a
  // return-value constraint first adds the test binding its fresh variable.
  IIEValue ParseConstraintTerm(const IStreamToken& token, TIEPattern& pattern,
                               const std::string& slotName, bool conjunction, int32_t subIndex,
                               TRuleVariables& variables);

  TIEMorelStream* morelStream_ = nullptr;
  int32_t maxNesting_ = DefaultMaxNesting;
  int32_t nesting_ = 0;
  std::string sourceName_;
  IStreamToken itemStart_;  // the first token of the top-level item being parsed
  const TIEMorelStream* itemStream_ = nullptr;  // the stream itemStart_ was read from
  // SharedText's texts by type and text; emptied when it grows past a bound,
  // so a long session keeps no more than that.
  std::unordered_map<std::string, IIEValue> sharedTexts_;
};
