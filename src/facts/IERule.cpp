#include "facts/IERule.h"

#include <algorithm>
#include <array>
#include <utility>

#include "collections/UpdateBracket.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "facts/IEFacts.h"
#include "functions/IEFunctionCall.h"

namespace {

bool IsVariableValue(const IIEValue& value) {
  return value && (value->DType() == dtVariable || value->DType() == dtMultiVariable);
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

// A variable of the same kind as Value, named Name.
IIEValue RenamedVariable(const IIEValue& value, const std::string& name) {
  return value->DType() == dtMultiVariable ? TIEValue::MakeMultiVariable(name)
                                           : TIEValue::MakeVariable(name);
}

}  // namespace

// ---------------------------------------------------------------------------
// The lists

void TRuleActionList::Notify(const TItem&, TListNotification) { rule_.Changed(); }

TIEPattern* TRulePatternList::Get(int32_t index) const {
  if (uint32_t(index) >= patterns_.size()) RaiseListIndexError(index);
  return patterns_[size_t(index)].get();
}

int32_t TRulePatternList::Add(std::unique_ptr<TIEPattern> pattern) {
  TIEPattern* added = pattern.get();
  Insert(Count(), std::move(pattern));
  return IndexOf(added);
}

void TRulePatternList::InsertRaw(int32_t index, std::unique_ptr<TIEPattern> pattern) {
  if (uint32_t(index) > patterns_.size()) RaiseListIndexError(index);
  if (!pattern) throw EListError(SArgumentIsNull);
  patterns_.insert(patterns_.begin() + index, std::move(pattern));
}

void TRulePatternList::Insert(int32_t index, std::unique_ptr<TIEPattern> pattern) {
  // What was there before, so that a failed analysis can take back everything
  // it added (the pattern, an initial-fact pattern, a goal companion, bindings).
  std::vector<const TIEPattern*> before;
  before.reserve(patterns_.size());
  for (const auto& p : patterns_) before.push_back(p.get());
  const size_t bindingsBefore = rule_.bindings_.size();

  TIEPattern* inserted = pattern.get();
  InsertRaw(index, std::move(pattern));
  // The analysis reports nothing by itself: the rule is compiled once, complete.
  ++rule_.updateCount_;
  try {
    rule_.PatternInserted(*inserted);
    --rule_.updateCount_;
  } catch (...) {
    --rule_.updateCount_;
    std::erase_if(patterns_, [&](const std::unique_ptr<TIEPattern>& p) {
      return std::find(before.begin(), before.end(), p.get()) == before.end();
    });
    if (rule_.bindings_.size() > bindingsBefore) rule_.bindings_.resize(bindingsBefore);
    throw;
  }
  rule_.Changed();
}

void TRulePatternList::Delete(int32_t index) {
  if (uint32_t(index) >= patterns_.size()) RaiseListIndexError(index);
  std::unique_ptr<TIEPattern> pattern = std::move(patterns_[size_t(index)]);
  patterns_.erase(patterns_.begin() + index);
  pattern.reset();
  rule_.Changed();
}

void TRulePatternList::Clear() {
  if (patterns_.empty()) return;
  patterns_.clear();
  rule_.Changed();
}

int32_t TRulePatternList::IndexOf(const TIEPattern* pattern) const noexcept {
  for (size_t i = 0; i < patterns_.size(); ++i)
    if (patterns_[i].get() == pattern) return int32_t(i);
  return -1;
}

// ---------------------------------------------------------------------------
// Construction, names, salience, engine

TRule::TRule(TComponent* owner)
    : TComponent(owner), salienceExpression_(TIEValue::MakeInteger(0)), actions_(*this),
      patterns_(*this) {
  if (auto* engine = dynamic_cast<IRuleEngine*>(owner)) {
    engine_ = owner;
    ruleEngine_ = engine;
    ruleNumber_ = engine->NextRuleNumber();
  }
  ruleName_ = SRuleNamePrefix + std::to_string(ruleNumber_);
}

TRule::~TRule() {
  for (TFiring* firing = firing_; firing; firing = firing->Outer) firing->Destroyed = true;
  ++updateCount_;  // a dying rule reports nothing
  Destroying();
}

void TRule::SetRuleName(const std::string& name) {
  if (name == ruleName_) return;
  CheckConstructName(name);
  const std::string oldName = std::exchange(ruleName_, name);
  if (ruleEngine_) ruleEngine_->RuleRenamed(*this, oldName, name);
  Changed();
}

void TRule::SetSalience(int32_t value) {
  if (value == salience_) return;
  salience_ = value;
  salienceExpression_ = TIEValue::MakeInteger(value);
  Changed();
}

void TRule::SetSalienceExpression(const IIEValue& value) {
  salienceExpression_ = value ? value : TIEValue::MakeInteger(0);
  EvaluateSalience();
}

int32_t TRule::EvaluateSalience() {
  TIEContext* root = ruleEngine_ ? ruleEngine_->RootContext() : nullptr;
  const TIEType kind = salienceExpression_->DType();
  const bool constant = kind != dtVariable && kind != dtMultiVariable && kind != dtFunCall;
  if (root && !constant) {
    std::unique_ptr<TIEContext> child = root->CreateChild();
    IIEValue result = salienceExpression_->Resolve(child.get());
    // A call that gives no value fails like one that gives no integer.
    if (!result) result = NilValue();
    salience_ = result->AsInteger();
  } else if (constant) {
    // A constant needs no context to be read.
    salience_ = salienceExpression_->AsInteger();
  }
  return salience_;
}

void TRule::SetEngine(TComponent* engine) {
  if (engine == engine_) return;
  spareContext_.reset();
  if (ruleEngine_) ruleEngine_->UnregisterRule(*this);
  if (engine_) RemoveFreeNotification(engine_);
  engine_ = engine;
  ruleEngine_ = dynamic_cast<IRuleEngine*>(engine);
  if (engine_) FreeNotification(engine_);
  if (ruleEngine_) {
    ruleNumber_ = ruleEngine_->NextRuleNumber();
    ruleEngine_->RegisterRule(*this);
  }
}

void TRule::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == engine_) {
    spareContext_.reset();
    engine_ = nullptr;
    ruleEngine_ = nullptr;
  }
}

IRuleEngine& TRule::RequireEngine() const {
  if (!ruleEngine_) throw EIEException(SUnknownInferenceEngine);
  return *ruleEngine_;
}

// ---------------------------------------------------------------------------
// Bindings

TBinding* TRule::Binding(int32_t index) const {
  if (uint32_t(index) >= bindings_.size()) RaiseListIndexError(index);
  return bindings_[size_t(index)].get();
}

TBinding* TRule::AddRuleBinding(const std::string& name, int32_t factIndex,
                                const std::string& slotName, int32_t subIndex) {
  bindings_.push_back(std::make_unique<TBinding>(name, factIndex, slotName, subIndex));
  return bindings_.back().get();
}

int32_t TRule::IndexOfRuleBinding(const std::string& name) const noexcept {
  for (size_t i = 0; i < bindings_.size(); ++i)
    if (bindings_[i]->Name() == name) return int32_t(i);
  return -1;
}

TBinding* TRule::FindRuleBinding(const std::string& name) const noexcept {
  const int32_t index = IndexOfRuleBinding(name);
  return index < 0 ? nullptr : bindings_[size_t(index)].get();
}

// ---------------------------------------------------------------------------
// The analysis of a new pattern

std::unique_ptr<TIEPattern> TRule::CreateInitialFactPattern() {
  IRuleEngine& engine = RequireEngine();
  return std::make_unique<TIEPattern>(this, 0, engine.GetFactTemplate(SInitialFactTemplate),
                                      SInitialFactTemplate);
}

void TRule::PatternInserted(TIEPattern& pattern) {
  IRuleEngine& engine = RequireEngine();
  pattern.SetRule(this);

  // A rule cannot start with an element that matches no fact of its own,
  // nor with an existence test, which must be joined to fire once however
  // many facts satisfy it.
  const bool backwardChaining =
      pattern.FactTemplate() && pattern.FactTemplate()->BackwardChaining();
  if (patterns_.Count() == 1 &&
      (pattern.NegatedCount() > 0 || pattern.IsTestPattern() || backwardChaining))
    patterns_.Insert(0, CreateInitialFactPattern());

  const int32_t position = patterns_.IndexOf(&pattern);
  const bool goal = StartsWith(pattern.Name(), SGoalPatternPrefix);
  if (goal && pattern.BoundName().empty())
    pattern.SetBoundName(engine.GenSym(SFactIndexVariablePrefix));
  if (!pattern.BoundName().empty())
    AddRuleBinding(pattern.BoundName(), position, BindingPatternSlot, -1);

  // First uses of variables bind them; in a negated pattern only anonymous
  // wildcards may appear first, and each gets a name of its own pattern.
  TVariableRenames renames;
  for (int32_t s = 0; s < pattern.SlotCount(); ++s) {
    TSlotTests& tests = pattern.SlotTests(s);
    for (int32_t t = 0; t < tests.Count(); ++t) {
      TIEPatternMatchTest* test = tests.Get(t);
      const IIEValue& value = test->SlotValue();
      if (!IsVariableValue(value)) continue;
      const std::string name = value->AsString();
      auto renamed = renames.find(name);
      if (renamed != renames.end()) {
        test->SetSlotValue(RenamedVariable(value, renamed->second));
        continue;
      }
      if (FindRuleBinding(name)) continue;
      if (!pattern.IsNegated()) {
        AddRuleBinding(name, position, pattern.SlotName(s), test->MultiSlotSubIndex());
      } else if (StartsWith(name, SBlankVariablePrefix)) {
        const std::string newName = name + "_" + std::to_string(patterns_.Count()) + "_";
        renames[name] = newName;
        // Bound on this pattern, so the network finds it there; the token holds
        // the placeholder at this position, which LoadBindings skips.
        AddRuleBinding(newName, position, pattern.SlotName(s), test->MultiSlotSubIndex());
        test->SetSlotValue(RenamedVariable(value, newName));
      } else {
        throw EIEException(Format(SFirstUseNegated, {name}));
      }
    }
  }
  if (!renames.empty()) {
    for (int32_t s = 0; s < pattern.SlotCount(); ++s) {
      TSlotTests& tests = pattern.SlotTests(s);
      for (int32_t t = 0; t < tests.Count(); ++t) {
        const IIEValue& value = tests.Get(t)->SlotValue();
        if (value && value->DType() == dtFunCall) RenameVariables(value->AsFunCall(), renames);
      }
    }
  }

  pattern.NormalizeDisjunctions();

  if (goal) {
    // The goal rule matches only while the needed fact is absent.
    const std::string baseName = pattern.Name().substr(std::char_traits<char>::length(SGoalPatternPrefix));
    auto companion = std::make_unique<TIEPattern>(this, 1, pattern.FactTemplate(), baseName);
    TVariableRenames fresh;
    for (int32_t s = 0; s < pattern.SlotCount(); ++s) {
      const TSlotTests& tests = pattern.SlotTests(s);
      for (int32_t t = 0; t < tests.Count(); ++t) {
        const IIEValue& value = tests.Get(t)->SlotValue();
        if (IsVariableValue(value)) {
          const std::string name = value->AsString();
          if (StartsWith(name, SBlankVariablePrefix) && !fresh.count(name))
            fresh[name] = engine.GenSym(SBlankVariablePrefix);
        }
      }
    }
    for (int32_t s = 0; s < pattern.SlotCount(); ++s) {
      const TSlotTests& tests = pattern.SlotTests(s);
      for (int32_t t = 0; t < tests.Count(); ++t) {
        const TIEPatternMatchTest* test = tests.Get(t);
        IIEValue value = test->SlotValue() ? test->SlotValue()->Clone() : IIEValue();
        if (IsVariableValue(value)) {
          auto renamed = fresh.find(value->AsString());
          if (renamed != fresh.end()) value = RenamedVariable(value, renamed->second);
        } else if (value && value->DType() == dtFunCall && !fresh.empty()) {
          RenameVariables(value->AsFunCall(), fresh);
        }
        companion->AddTest(pattern.SlotName(s), value, test->Conjunction(),
                           test->SlotTestType() == sttNotEquals, test->MultiSlotSubIndex());
      }
      const int32_t entry = companion->IndexOfSlot(pattern.SlotName(s));
      if (entry >= 0) companion->SetSlotLength(entry, pattern.SlotLength(s));
    }
    patterns_.Add(std::move(companion));
  }
}

void TRule::PatternChanged(TIEPattern&) { Changed(); }

// ---------------------------------------------------------------------------
// Firing

void TRule::LoadBindings(const IReteToken& token, TIEContext& context) const {
  if (!token) return;
  const int32_t factCount = token->FactCount();
  for (const auto& binding : bindings_) {
    if (binding->IsLocal()) continue;
    const int32_t index = binding->FactIndex();
    if (index < 0 || index >= factCount) continue;
    TCustomFact* fact = token->FactAt(index);
    if (!fact) continue;
    if (ruleEngine_ ? ruleEngine_->IsPlaceholderFact(fact) : IsNotOrTestFact(fact)) continue;
    IIEValue value;
    if (binding->SlotIndex() == BindingPatternSlot)
      value = TIEValue::MakeFactId(fact->ID());
    else
      value = SlotValueOf(fact, binding->SlotIndex(), binding->SubIndex());
    if (value) context.AddBinding(binding->Name(), value);
  }
}

void TRule::Fire(const IReteToken& token) {
  IRuleEngine& engine = RequireEngine();
  TIEContext* root = engine.RootContext();
  if (!root) throw EIEException(SUnknownInferenceEngine);
  std::unique_ptr<TIEContext> child;
  if (spareContext_ && spareContext_->Parent() == root) child = std::move(spareContext_);
  else child = root->CreateChild();
  child->ClearReturnValue();
  child->SetToken(token);
  TFiring firing{false, firing_};
  firing_ = &firing;
  auto release = [&] {
    if (!firing.Destroyed) firing_ = firing.Outer;
    if (child->Returned()) child->ClearReturnValue();
    child->ReleaseToParent();
    if (firing.Destroyed || spareContext_) {
      child.reset();
      return;
    }
    // Emptied as a fresh context is: no bindings, no token, no fact.
    child->ClearBindings();
    child->ClearReturnValue();
    child->SetToken(nullptr);
    child->SetFact(nullptr);
    spareContext_ = std::move(child);
  };
  try {
    LoadBindings(token, *child);
    if (OnFire) OnFire(this, child.get());
    if (!child->Returned()) {
      // A snapshot: an action may change the rule while it runs. Most rules
      // have a few actions: those are copied to the stack.
      constexpr size_t InlineActions = 8;
      std::array<IFunCall, InlineActions> inlineActions;
      std::vector<IFunCall> moreActions;
      const size_t count = size_t(actions_.Count());
      const IFunCall* actions = inlineActions.data();
      if (count <= InlineActions) {
        std::copy(actions_.begin(), actions_.end(), inlineActions.begin());
      } else {
        moreActions.assign(actions_.begin(), actions_.end());
        actions = moreActions.data();
      }
      for (size_t i = 0; i < count; ++i) {
        if (actions[i]) actions[i]->Evaluate(child.get());
        if (child->Returned()) break;
      }
    }
  } catch (Exception& error) {
    TErrorContext& where = error.Context();
    if (where.Rule.empty() && !firing.Destroyed) {
      where.Rule = ruleName_;
      where.RuleSource = source_;
    }
    release();
    throw;
  } catch (...) {
    release();
    throw;
  }
  release();
}

void TRule::RenameVariables(const IFunCall& call, const TVariableRenames& renames) {
  auto* functionCall = dynamic_cast<TFunctionCall*>(call.get());
  if (!functionCall) return;
  for (int32_t i = 0; i < functionCall->ArgumentCount(); ++i) {
    const IIEValue& argument = functionCall->GetArgument(i);
    if (IsVariableValue(argument)) {
      auto renamed = renames.find(argument->AsString());
      if (renamed != renames.end())
        functionCall->SetArgument(i, RenamedVariable(argument, renamed->second));
    } else if (argument && argument->DType() == dtFunCall) {
      RenameVariables(argument->AsFunCall(), renames);
    }
  }
}

// ---------------------------------------------------------------------------
// Copies, text and streaming

void TRule::CopyPatterns(const TRule& source) {
  IFactEngine* factEngine = RequireEngine().FactEngine();
  const int32_t count = source.patterns_.Count();
  for (int32_t i = 0; i < count; ++i) {
    const TIEPattern* pattern = source.patterns_.Get(i);
    patterns_.Add(pattern->CopyToEngine(factEngine));
    // A goal pattern makes its own companion again: the source's is skipped.
    if (StartsWith(pattern->Name(), SGoalPatternPrefix) && i + 1 < count) {
      const TIEPattern* next = source.patterns_.Get(i + 1);
      const std::string baseName =
          pattern->Name().substr(std::char_traits<char>::length(SGoalPatternPrefix));
      if (next->NegatedCount() == 1 && next->Name() == baseName) ++i;
    }
  }
}

void TRule::AssignFrom(const TRule& source) {
  SetRuleName(source.ruleName_);
  comment_ = source.comment_;
  bindings_.clear();
  patterns_.Clear();
  CopyPatterns(source);
  actions_.Clear();
  for (const IFunCall& action : source.actions_) {
    IFunCall copy = action ? RefCast<TCustomFunCall>(action->CloneObject()) : IFunCall();
    actions_.Add(copy ? copy : action);
  }
  salienceExpression_ = source.salienceExpression_ ? source.salienceExpression_->Clone()
                                                   : TIEValue::MakeInteger(0);
  salience_ = source.salience_;
}

void TRule::Assign(const TPersistent* source) {
  auto* rule = dynamic_cast<const TRule*>(source);
  if (!rule) {
    TComponent::Assign(source);
    return;
  }
  if (rule == this) return;
  WithinUpdate(*this, [&] {
    if (rule->engine_ == engine_) {
      AssignFrom(*rule);
    } else {
      IRuleEngine& engine = RequireEngine();
      std::unique_ptr<TRule> parsed = engine.ParseRuleText(rule->Text());
      if (parsed) AssignFrom(*parsed);
    }
  });
}

std::string TRule::Text() const {
  return ruleEngine_ ? ruleEngine_->RuleText(*this) : std::string();
}

void TRule::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
  if (updateCount_ == 0) Changed();
}

void TRule::Changed() {
  if (updateCount_ >= 1) return;
  if (ruleEngine_) ruleEngine_->RuleChanged(*this);
  if (OnChange) OnChange(this);
}

void TRule::Properties(std::vector<TProperty>& props) {
  TComponent::Properties(props);
  TProperty text;
  text.Name = SRuleTextProperty;
  text.Kind = pkString;
  text.Get = [this] { return TPropertyValue(Text()); };
  text.Set = [this](const TPropertyValue& value) {
    if (auto* s = std::get_if<std::string>(&value)) text_ = *s;
  };
  text.Stored = [this] {
    return ruleEngine_ && (!patterns_.IsEmpty() || !actions_.IsEmpty());
  };
  props.push_back(std::move(text));
}

void TRule::Loaded() {
  TComponent::Loaded();
  if (text_.empty() || !ruleEngine_) return;
  std::unique_ptr<TRule> parsed = ruleEngine_->ParseRuleText(text_);
  text_.clear();
  if (parsed) WithinUpdate(*this, [&] { AssignFrom(*parsed); });
}
