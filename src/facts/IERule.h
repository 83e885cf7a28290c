// TRule: the defrule construct — a component holding a name, a salience (and
// the expression that gives it), the patterns of the left-hand side, the
// actions (function calls) of the right-hand side and the variable bindings
// derived from the patterns. Firing a rule binds its variables from a token
// and evaluates its actions in a child of the engine's root context.
//
// Ownership: a rule owns its patterns (TRulePatternList) and its binding
// descriptions; actions are shared calls. The engine is not owned; it reaches
// the rule through the component tree or its registry and is reached back
// through IRuleEngine. A destroyed engine clears the rule's reference (free
// notification). Thread-safety: none; used by the engine's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "collections/InterfaceCollections.h"
#include "core/Component.h"
#include "facts/IERuleEngine.h"
#include "facts/IESlotTest.h"
#include "values/IEContext.h"
#include "values/IEValue.h"

class TRule;

// Raised with the rule as Sender and the firing context before the actions run.
using TRuleFireEvent = std::function<void(TObject* sender, TIEContext* context)>;
// Old variable name to new variable name (see TRule::RenameVariables).
using TVariableRenames = std::map<std::string, std::string>;

// The right-hand side: calls in order. Every Add, Insert and Delete is
// reported to the rule as a change.
class TRuleActionList : public TIList<TCustomFunCall> {
 public:
  explicit TRuleActionList(TRule& rule) : rule_(rule) {}
  std::string ClassName() const override { return "TRuleActionList"; }

 protected:
  void Notify(const TItem& item, TListNotification action) override;

 private:
  TRule& rule_;
};

// The left-hand side: patterns in order, owned. An inserted pattern is
// analysed by the rule at once (TRule::AddPattern). Index errors raise
// EListError "List index out of bounds (%d)".
class TRulePatternList {
 public:
  explicit TRulePatternList(TRule& rule) : rule_(rule) {}
  TRulePatternList(const TRulePatternList&) = delete;
  TRulePatternList& operator=(const TRulePatternList&) = delete;

  int32_t Count() const noexcept { return int32_t(patterns_.size()); }
  bool IsEmpty() const noexcept { return patterns_.empty(); }
  TIEPattern* Get(int32_t index) const;
  TIEPattern* operator[](int32_t index) const { return Get(index); }
  // Appends Pattern and has the rule analyse it; returns its final position
  // (an initial-fact pattern may be put in front of it). When the analysis
  // fails the pattern is removed again and the error passes on.
  int32_t Add(std::unique_ptr<TIEPattern> pattern);
  void Insert(int32_t index, std::unique_ptr<TIEPattern> pattern);
  // Removes and frees a pattern; the rule reports a change.
  void Delete(int32_t index);
  // Frees every pattern (no analysis); the rule reports a change.
  void Clear();
  int32_t IndexOf(const TIEPattern* pattern) const noexcept;

  auto begin() const noexcept { return patterns_.begin(); }
  auto end() const noexcept { return patterns_.end(); }

 private:
  friend class TRule;
  // Inserts without analysis.
  void InsertRaw(int32_t index, std::unique_ptr<TIEPattern> pattern);

  TRule& rule_;
  std::vector<std::unique_ptr<TIEPattern>> patterns_;
};

class TRule : public TComponent {
 public:
  // With an owner that is an engine (IRuleEngine), that engine becomes the
  // rule's Engine and gives the rule number; RuleName is "Rule_" + number.
  // The rule is not registered by construction (see SetEngine).
  explicit TRule(TComponent* owner = nullptr);
  ~TRule() override;
  std::string ClassName() const override { return "TRule"; }

  int32_t RuleNumber() const noexcept { return ruleNumber_; }

  // ---- Name and comment.
  const std::string& RuleName() const noexcept { return ruleName_; }
  // A different name with a forbidden character raises EIEException
  // "%s contains unexpected character: "%c""; otherwise it is stored, the
  // engine is told (its registry follows) and a change is reported.
  void SetRuleName(const std::string& name);
  const std::string& Comment() const noexcept { return comment_; }
  // Where the rule was defined ("file:line", or "line N" for text without a
  // file); empty for a rule made in code. Shown with errors of its actions.
  const std::string& Source() const noexcept { return source_; }
  void SetSource(std::string source) { source_ = std::move(source); }
  void SetComment(const std::string& comment) { comment_ = comment; }

  // ---- Salience.
  int32_t Salience() const noexcept { return salience_; }
  // A different value is stored, becomes the salience expression, and a
  // change is reported.
  void SetSalience(int32_t value);
  const IIEValue& SalienceExpression() const noexcept { return salienceExpression_; }
  // Stores the expression and evaluates it at once.
  void SetSalienceExpression(const IIEValue& value);
  // Resolves the expression in a child of the engine's context and makes its
  // integer value the salience (no change report); returns the salience.
  // Without an engine only a constant expression is taken.
  int32_t EvaluateSalience();

  // ---- Engine. Setting another engine unregisters the rule from the old
  // one, stores the new one, takes a new rule number from it and registers.
  TComponent* Engine() const noexcept { return engine_; }
  void SetEngine(TComponent* engine);
  // The engine's rule side, or none.
  IRuleEngine* RuleEngine() const noexcept { return ruleEngine_; }

  // ---- Left-hand side, right-hand side, bindings.
  TRulePatternList& Patterns() noexcept { return patterns_; }
  const TRulePatternList& Patterns() const noexcept { return patterns_; }
  TRuleActionList& Actions() noexcept { return actions_; }
  const TRuleActionList& Actions() const noexcept { return actions_; }
  // Appends Pattern to the left-hand side (and analyses it); returns its position.
  int32_t AddPattern(std::unique_ptr<TIEPattern> pattern) { return patterns_.Add(std::move(pattern)); }
  // A new pattern on the engine's "Initial-Fact" template, for this rule.
  std::unique_ptr<TIEPattern> CreateInitialFactPattern();

  int32_t BindingCount() const noexcept { return int32_t(bindings_.size()); }
  TBinding* Binding(int32_t index) const;
  TBinding* AddRuleBinding(const std::string& name, int32_t factIndex, const std::string& slotName,
                           int32_t subIndex);
  int32_t IndexOfRuleBinding(const std::string& name) const noexcept;
  TBinding* FindRuleBinding(const std::string& name) const noexcept;
  void ClearBindings() noexcept { bindings_.clear(); }

  // ---- Firing.
  // For each binding description but "__LOCAL" ones, the fact at its position
  // in Token (placeholder facts and missing facts are skipped) gives a fact
  // id ("__PATTERN"), the slot value or its multifield item, bound in Context
  // with AddBinding.
  void LoadBindings(const IReteToken& token, TIEContext& context) const;
  // Binds the variables from Token in a child of the engine's context, raises
  // OnFire, and evaluates the actions until one sets the return state.
  // EIEException "Unknown/Undefined Inference Engine" without an engine.
  void Fire(const IReteToken& token);
  TRuleFireEvent OnFire;

  // In Call and, recursively, in the calls among its arguments, each variable
  // or multifield-variable argument named by a key of Renames takes its value.
  static void RenameVariables(const IFunCall& call, const TVariableRenames& renames);

  // Same engine: copies RuleName, Comment, the patterns (into this engine),
  // the actions and the salience expression. Another engine: the source's text
  // is parsed by this rule's engine and the result assigned. Inside an update
  // bracket. Source must be a TRule.
  void Assign(const TPersistent* source) override;

  // The construct printer's text, through the engine ("" without one).
  std::string Text() const;
  // The trace the network compiler leaves ("name: +1+1+2+t").
  const std::string& CompileTrace() const noexcept { return compileTrace_; }
  void SetCompileTrace(const std::string& trace) { compileTrace_ = trace; }

  // ---- Updates and changes.
  void BeginUpdate() noexcept { ++updateCount_; }
  void EndUpdate();
  int32_t UpdateCount() const noexcept { return updateCount_; }
  // Outside an update bracket: the engine recompiles the rule and OnChange is raised.
  void Changed();
  TPatternNotifyEvent OnChange;
  // Told by a pattern of this rule that it changed.
  void PatternChanged(TIEPattern& pattern);

  // ---- Component streaming: Name, then "Text" (written only with patterns
  // or actions and an engine); after loading a non-empty text is parsed.
  void Properties(std::vector<TProperty>& props) override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TRulePatternList;
  // Analyses a pattern that just entered the list (the steps of AddPattern).
  void PatternInserted(TIEPattern& pattern);
  IRuleEngine& RequireEngine() const;
  // Copies Source's left-hand side into this rule (same engine).
  void CopyPatterns(const TRule& source);
  // The same-engine copy of Assign.
  void AssignFrom(const TRule& source);

  int32_t ruleNumber_ = 0;
  int32_t salience_ = 0;
  IIEValue salienceExpression_;
  std::string comment_;
  std::string ruleName_;
  std::string source_;
  // The Fire calls running on this rule, innermost first: an action may free
  // the rule that runs it, and they must then not touch it again.
  struct TFiring {
    bool Destroyed = false;
    TFiring* Outer = nullptr;
  };
  TFiring* firing_ = nullptr;
  // The context of the last firing, emptied, kept for the next one: emptying
  // a context costs less than making and freeing one. A firing that starts
  // while another runs (an action runs the engine) makes its own. Dropped
  // when the rule changes engines.
  std::unique_ptr<TIEContext> spareContext_;
  TRuleActionList actions_;
  TRulePatternList patterns_;
  std::vector<std::unique_ptr<TBinding>> bindings_;
  TComponent* engine_ = nullptr;
  IRuleEngine* ruleEngine_ = nullptr;
  std::string compileTrace_;
  std::string text_;
  int32_t updateCount_ = 0;
};
