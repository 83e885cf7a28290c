// IRuleEngine: what patterns and rules need from the engine they belong to —
// templates by name, generated symbols, the root evaluation context, the
// function table calls bind through, the rule counter and registry, the
// recompilation hook, the placeholder fact of negated patterns, the printer's
// text forms and the rule parser. TInferenceEngine implements it; tests use
// fakes. Several members have the very signatures of IParserEngine,
// ISymbolGenerator and IFactEngine members, so one engine function serves all.
//
// Ownership: the engine owns its rules (through its registry or the component
// tree); a rule or pattern only points at its engine. Thread-safety: none; an
// engine and its rules are used by one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "collections/RefCount.h"

class IFactEngine;
class IReasoner;
class TCustomFact;
class TFactTemplate;
class TIEContext;
class TIEPattern;
class TRule;
using IFactTemplate = TRef<TFactTemplate>;

// True for a fact of the template "__NOT-OR-TEST-CE*" (the placeholder of
// negated patterns in tokens).
bool IsNotOrTestFact(const TCustomFact* fact);

class IRuleEngine {
 public:
  virtual ~IRuleEngine() = default;

  // ---- Templates and names.
  // The engine's template side (lookup and registration by name).
  virtual IFactEngine* FactEngine() = 0;
  // The registered template of that name; an implied one is made and
  // registered when there is none.
  virtual IFactTemplate GetFactTemplate(const std::string& name) = 0;
  // Prefix followed by a number never handed out before by this engine.
  virtual std::string GenSym(const std::string& prefix) = 0;

  // ---- Evaluation.
  // The root context; rule firings and salience evaluation run in children of it.
  virtual TIEContext* RootContext() = 0;
  // The function registry that calls built by patterns bind through.
  virtual IReasoner* FunctionTable() = 0;
  // True for the fact that stands in the token for a negated pattern (the
  // engine's fact of template "__NOT-OR-TEST-CE*"). The default recognises
  // any fact of that template.
  virtual bool IsPlaceholderFact(const TCustomFact* fact);

  // ---- The rule registry. The defaults do nothing (an engine without a
  // registry yet).
  // Takes the next number of the engine's rule counter.
  virtual int32_t NextRuleNumber() = 0;
  // Rule joins the engine: it enters the registry under its RuleName.
  virtual void RegisterRule(TRule& rule);
  // Rule leaves the engine: the registry entry under its RuleName goes.
  virtual void UnregisterRule(TRule& rule);
  // Rule was renamed; when the registry holds this very rule under OldName it
  // moves the entry to NewName.
  virtual void RuleRenamed(TRule& rule, const std::string& oldName, const std::string& newName);
  // Rule reported a change (patterns, actions, salience, name): the engine
  // recompiles it into its network.
  virtual void RuleChanged(TRule& rule);

  // ---- Text forms (the engine's construct printer) and the rule parser.
  virtual std::string PatternText(const TIEPattern& pattern) = 0;
  virtual std::string RuleText(const TRule& rule) = 0;
  // A new rule read from the text of one defrule, owned by the caller and not
  // registered (EIEParseException on bad text).
  virtual std::unique_ptr<TRule> ParseRuleText(const std::string& text) = 0;
};
