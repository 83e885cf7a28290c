// A stand-in engine for patterns and rules: the fake fact engine plus the rule
// seam (rule counter, generated names, a root context, a registry log, a
// printer that names what it prints, and no parser), and small helpers: a
// token over a list of facts, calls that record or return, template builders.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/Component.h"
#include "facts/IERule.h"
#include "facts/IERuleEngine.h"
#include "support/FakeFactEngine.h"
#include "values/IEContext.h"

class TFakeRuleEngine : public TComponent, public TFakeFactEngine, public IRuleEngine {
 public:
  TFakeRuleEngine() : root(std::make_unique<TIEContext>()) {}
  ~TFakeRuleEngine() override { DestroyComponents(); }

  IFactEngine* FactEngine() override { return this; }
  IFactTemplate GetFactTemplate(const std::string& name) override {
    IFactTemplate t = FindFactTemplate(name);
    if (!t) {
      t = TFactTemplate::CreateImplied(this, name);
      AddFactTemplate(t);
    }
    return t;
  }
  std::string GenSym(const std::string& prefix) override {
    return prefix + std::to_string(++symbols);
  }
  TIEContext* RootContext() override { return root.get(); }
  IReasoner* FunctionTable() override { return nullptr; }
  int32_t NextRuleNumber() override { return ++ruleCounter; }
  void RegisterRule(TRule& rule) override { log.push_back("register " + rule.RuleName()); }
  void UnregisterRule(TRule& rule) override { log.push_back("unregister " + rule.RuleName()); }
  void RuleRenamed(TRule&, const std::string& oldName, const std::string& newName) override {
    log.push_back("rename " + oldName + "->" + newName);
  }
  void RuleChanged(TRule&) override { ++recompiles; }
  std::string PatternText(const TIEPattern& pattern) override {
    return "<pattern " + pattern.Name() + ">";
  }
  std::string RuleText(const TRule& rule) override { return "<rule " + rule.RuleName() + ">"; }
  std::unique_ptr<TRule> ParseRuleText(const std::string&) override { return nullptr; }

  std::unique_ptr<TIEContext> root;
  int32_t symbols = 0;
  int32_t ruleCounter = 0;
  int32_t recompiles = 0;
  std::vector<std::string> log;
};

// A partial match over Facts, first pattern first.
class TFakeToken : public TCustomReteToken {
 public:
  explicit TFakeToken(std::vector<IFact> facts) : facts_(std::move(facts)) {}
  int32_t FactCount() const override { return int32_t(facts_.size()); }
  TCustomFact* FactAt(int32_t index) const override {
    return index >= 0 && index < FactCount() ? facts_[size_t(index)].get() : nullptr;
  }

 private:
  std::vector<IFact> facts_;
};

// A call that runs Body in the context it is evaluated in.
class TLambdaCall : public TCustomFunCall {
 public:
  using TBody = std::function<IIEValue(TIEContext*)>;
  explicit TLambdaCall(TBody body, std::string text = "(lambda)")
      : body_(std::move(body)), text_(std::move(text)) {}
  IIEValue Evaluate(TIEContext* context) override { return body_(context); }
  std::string AsText() const override { return text_; }
  int32_t HashCode() const override { return 7; }
  bool Equals(const TCustomFunCall* other) const override { return other == this; }
  void Assign(const ICloneable&) override {}
  TRef<ICloneable> CloneObject() const override {
    return TRef<ICloneable>(new TLambdaCall(body_, text_));
  }
  bool IsEqual(const ICloneable* other) const override { return other == this; }

 private:
  TBody body_;
  std::string text_;
};

inline IIEValue Atom(const char* text) { return TIEValue::MakeAtom(text); }
inline IIEValue Var(const char* name) { return TIEValue::MakeVariable(name); }
inline IIEValue Int(int32_t value) { return TIEValue::MakeInteger(value); }
inline IIEValue AtomList(std::initializer_list<const char*> items) {
  IValueVector list = MakeRef<TValueVector>();
  for (const char* item : items) list->Add(TIEValue::MakeAtom(item));
  return TIEValue::MakeList(list);
}

// A registered template Name with single slots Slots (default nil) and
// multislots Multi, in that order.
inline IFactTemplate MakeTemplate(IFactEngine* engine, const std::string& name,
                                  std::initializer_list<const char*> slots,
                                  std::initializer_list<const char*> multi = {}) {
  IFactTemplate t = MakeRef<TFactTemplate>(engine);
  t->SetName(name);
  for (const char* slot : slots) t->AddSlot(slot, NilValue());
  for (const char* slot : multi) t->AddMultiSlot(slot, EmptyList());
  if (engine) engine->AddFactTemplate(t);
  return t;
}

