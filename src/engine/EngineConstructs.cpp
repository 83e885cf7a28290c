// The engine's operations on its construct registries: Clear, the rule side
// (IRuleEngine: rules join, leave, rename and change), renames and removals
// with their dependents, fact sets and global variables.
#include <exception>
#include <utility>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "engine/InferenceEngine.h"
#include "facts/IEFactSet.h"
#include "facts/IERule.h"
#include "facts/IESlotTest.h"
#include "functions/IEDeffunction.h"
#include "rete/ReteNetwork.h"
#include "values/IEContext.h"

class TInferenceEngine::TInternalChange {
 public:
  TInternalChange(TInferenceEngine& engine, bool value)
      : engine_(engine), previous_(std::exchange(engine.internalChange_, value)) {}
  ~TInternalChange() { engine_.internalChange_ = previous_; }
  TInternalChange(const TInternalChange&) = delete;
  TInternalChange& operator=(const TInternalChange&) = delete;

 private:
  TInferenceEngine& engine_;
  bool previous_;
};

// ---------------------------------------------------------------------------
// Clear

void TInferenceEngine::Clear() {
  SetHalted(false);
  factCounter_ = 0;
  ++factEpoch_;
  ruleCounter_ = 0;
  std::exception_ptr error;
  try {
    ClearAgenda();
    if (rete_) rete_->Clear();
    rules_.Clear();
    factTemplates_.Clear();
    globalVariables_.Clear();
    notOrTestFact_ = nullptr;
  } catch (...) {
    error = std::current_exception();
  }
  try {
    // Fact sets this engine owns go; others only leave the list.
    std::vector<TFactSet*> sets(factSets_.begin(), factSets_.end());
    for (TFactSet* factSet : sets) {
      if (factSets_.IndexOf(factSet) < 0) continue;
      if (factSet->Owner() == this)
        RemoveComponent(factSet).reset();
      else
        factSet->SetEngine(nullptr);
    }
    factSets_.Clear();
    facts_.Clear();  // OnClearFacts
    ClearPendingFacts();
    for (const IUserFunction& function : userFunctions_.Functions())
      if (dynamic_cast<TInterpretedFunction*>(function.get()))
        userFunctions_.Remove(function->FunctionName());
    initialFactPattern_.reset();
    engineVariables_.Clear();
    ioStreams_->Clear();  // open streams are closed
  } catch (...) {
    if (!error) error = std::current_exception();
  }
  if (!destroying_) CreatePlaceholders();
  if (OnClear) OnClear(this);
  if (error) std::rethrow_exception(error);
}

void TInferenceEngine::ClearWorkingMemory() {
  ClearPendingFacts();
  if (rete_) rete_->Clear();
  facts_.Clear();  // OnClearFacts
  rules_.Clear();
}

// ---------------------------------------------------------------------------
// Rules

void TInferenceEngine::CompileRule(TRule& rule) {
  if (rete_) rete_->AddRule(rule);
}

void TInferenceEngine::UncompileRule(TRule& rule) {
  if (rete_) rete_->RemoveRule(rule);
}

void TInferenceEngine::FreeRule(TRule& rule) {
  if (rule.IsDestroying() || rule.Owner() != this) return;
  for (const TRule* freeing : freeing_)
    if (freeing == &rule) return;
  freeing_.push_back(&rule);
  std::unique_ptr<TComponent> owned;
  try {
    owned = RemoveComponent(&rule);
  } catch (...) {
    std::erase(freeing_, &rule);
    throw;
  }
  std::erase(freeing_, &rule);
  owned.reset();
}

TRule* TInferenceEngine::AddRule(std::unique_ptr<TRule> rule) {
  if (!rule) return nullptr;
  InsertComponent(rule.get());
  TRule* added = rule.release();
  try {
    rules_.Add(*added);
  } catch (...) {
    // Refused (a duplicate under dcError): the rule is not kept.
    if (rules_.NameOf(added).empty()) FreeRule(*added);
    throw;
  }
  // Under dcIgnore the registry has freed it.
  return rules_.Find(added->RuleName()) == added ? added : nullptr;
}

void TInferenceEngine::RemoveRule(TRule& rule) {
  if (OnRemoveRule) OnRemoveRule(this, &rule);
  UncompileRule(rule);
  FreeRule(rule);
}

void TInferenceEngine::RenameRule(const std::string& oldName, const std::string& newName) {
  if (oldName == newName) return;
  TRule* rule = rules_.Find(oldName);
  if (!rule) return;
  if (rules_.Find(newName)) throw EIEException(Format(SDuplicateRule, {newName}));
  CheckConstructName(newName);
  TInternalChange internal(*this, true);
  rules_.Rekey(oldName, newName);
  rule->SetRuleName(newName);
}

void TInferenceEngine::RecompileRule(TRule& rule) {
  if (rules_.Find(rule.RuleName()) != &rule) return;
  UncompileRule(rule);
  CompileRule(rule);
}

void TInferenceEngine::RegisterRule(TRule& rule) { rules_.Add(rule); }

void TInferenceEngine::UnregisterRule(TRule& rule) {
  // The rule goes on to another engine: it leaves this one's registry and
  // network, but is not freed.
  const std::string name = rules_.NameOf(&rule);
  if (name.empty()) return;
  rules_.TakeOut(name);
  if (OnRemoveRule) OnRemoveRule(this, &rule);
  UncompileRule(rule);
}

void TInferenceEngine::RuleRenamed(TRule& rule, const std::string& oldName,
                                   const std::string& newName) {
  if (internalChange_ || oldName == newName || rules_.Find(oldName) != &rule) return;
  TRule* other = rules_.Find(newName);
  if (other && other != &rule) throw EIEException(Format(SDuplicateRule, {newName}));
  rules_.Rekey(oldName, newName);
}

void TInferenceEngine::RuleChanged(TRule& rule) { RecompileRule(rule); }

std::string TInferenceEngine::PatternText(const TIEPattern& pattern) {
  return parser_->PatternText(pattern);
}

std::string TInferenceEngine::RuleText(const TRule& rule) { return parser_->RuleText(rule); }

// ---------------------------------------------------------------------------
// Templates

void TInferenceEngine::RenameFactTemplate(const std::string& oldName, const std::string& newName) {
  if (oldName.empty() || oldName == newName) return;
  IFactTemplate factTemplate(factTemplates_.Find(oldName));
  if (!factTemplate) return;
  TInternalChange internal(*this, true);
  factTemplates_.Remove(oldName);
  factTemplates_.Put(newName, factTemplate);
  // A direct call: the template takes the name too (from TemplateRenaming it
  // is about to).
  if (factTemplate->Name() != newName) factTemplate->SetName(newName);
}

void TInferenceEngine::RemoveTemplateDependents(const TFactTemplate& factTemplate) {
  TInternalChange internal(*this, false);
  RemoveTemplateFacts(factTemplate);
  std::vector<std::pair<std::string, TRule*>> dependents;
  for (TRule* rule : rules_.Rules()) {
    for (const auto& pattern : rule->Patterns()) {
      // A pattern on an earlier template of the same name (one replaced by an
      // equal definition) depends on this one too.
      const TFactTemplate* on = pattern->FactTemplate().get();
      if (on == &factTemplate || (on && on->Name() == factTemplate.Name())) {
        dependents.emplace_back(rules_.NameOf(rule), rule);
        break;
      }
    }
  }
  for (const auto& [name, rule] : dependents)
    if (rules_.Find(name) == rule) rules_.Remove(name);
}

// ---------------------------------------------------------------------------
// Fact sets and globals

std::unique_ptr<TFactSet> TInferenceEngine::CreateFactSet() {
  // Made with this engine as its owner (which makes it this engine's set),
  // then handed to the caller until RegisterFactSet takes it back.
  auto* factSet = new TFactSet(this);
  std::unique_ptr<TComponent> owned = RemoveComponent(factSet);
  return std::unique_ptr<TFactSet>(static_cast<TFactSet*>(owned.release()));
}

TFactSet* TInferenceEngine::RegisterFactSet(std::unique_ptr<TFactSet> factSet) {
  if (!factSet) return nullptr;
  InsertComponent(factSet.get());
  TFactSet* registered = factSet.release();
  if (registered->Engine() != this)
    registered->SetEngine(this);
  else
    factSets_.Add(*registered);
  return registered;
}

void TInferenceEngine::PutGlobalVariable(const std::string& name, const IIEValue& value) {
  globalVariables_.Put(name, value);
}

void TInferenceEngine::SetGlobal(const std::string& name, const IIEValue& value) {
  IIEValue current = value;
  if (value && value->DType() == dtFunCall) {
    std::unique_ptr<TIEContext> child = context_->CreateChild();
    current = value->Resolve(child.get());
  }
  context_->SetVariable(name, current ? current : NilValue());
}
