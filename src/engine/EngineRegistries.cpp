// The construct registries: the duplicate-construct rule, removals with their
// dependents, clearing, texts and the streamed string lists.
#include "engine/EngineRegistries.h"

#include <algorithm>

#include "collections/UpdateBracket.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "engine/InferenceEngine.h"
#include "facts/IEFactSet.h"
#include "facts/IERule.h"
#include "functions/IEDeffunction.h"
#include "values/IEContext.h"

namespace {

TProperty StringListProperty(const char* name, std::function<std::vector<std::string>()> get,
                             std::function<void(const std::vector<std::string>&)> set,
                             std::function<bool()> stored) {
  TProperty p;
  p.Name = name;
  p.Kind = pkStringList;
  p.Get = [get]() -> TPropertyValue { return get(); };
  p.Set = [set](const TPropertyValue& v) { set(std::get<std::vector<std::string>>(v)); };
  p.Stored = std::move(stored);
  return p;
}

// The entries of a string table in iteration order: key and raw entry.
template <class TVisit>
void ForEachEntry(const TGCustomHashtable* table, TVisit&& visit) {
  TGHashtableWalker walk(table);
  while (TGHashtableEntry* e = walk.Next()) visit(*static_cast<TGStringHashtableEntry*>(e));
}

}  // namespace

// ---------------------------------------------------------------------------
// TFactTemplates

TFactTemplates::TFactTemplates(TInferenceEngine* engine)
    : TIStringHashTableOf<TFactTemplate>(RegistryCapacity, RegistryLoadFactor), engine_(engine) {}

TFactTemplates::~TFactTemplates() = default;

void TFactTemplates::PutValue(std::string_view key, const TRef<TRefCounted>& value,
                              TRef<TRefCounted>& old) {
  old = nullptr;
  auto* incoming = static_cast<TFactTemplate*>(value.get());
  if (!incoming) throw EGHashtableError(SArgumentIsNull);
  IFactTemplate keep(incoming);
  // An ordered template: its values are the one multislot.
  if (incoming->SlotCount() == 0) incoming->AddMultiSlot(SImpliedSlotName, EmptyList());

  IFactTemplate existing(Find(key));
  if (existing.get() == incoming) return;
  if (existing && engine_) {
    switch (engine_->DuplicateConstructs()) {
      case dcIgnore:
        return;
      case dcError:
        throw EIEException(Format(SDuplicateTemplate, {key}));
      case dcOverwrite:
        // Template equality ignores slots only the other one has, so it is
        // asked both ways: a definition with a slot more is a different one.
        if (existing->Equals(incoming) && incoming->Equals(existing.get())) {
          // The same definition again: facts and rules of the old one stay,
          // and so does the registered object (it takes the new comment).
          // Facts compare templates by identity, so storing the incoming
          // twin would let a fact equal to a listed one be asserted again
          // (reading a saved text back would list "(Initial-Fact)" twice).
          if (engine_->OnRemoveFactTemplate) engine_->OnRemoveFactTemplate(engine_, existing);
          existing->SetComment(incoming->Comment());
          if (engine_->OnNewFactTemplate) engine_->OnNewFactTemplate(engine_, existing);
          return;
        } else {
          Remove(key);
        }
        break;
    }
  }
  if (engine_) incoming->SetEngine(engine_);
  TIStringHashTable::PutValue(key, value, old);
  if (engine_ && engine_->OnNewFactTemplate) engine_->OnNewFactTemplate(engine_, keep);
}

IFactTemplate TFactTemplates::Remove(std::string_view name) {
  IFactTemplate found(Find(name));
  if (!found) return nullptr;
  if (engine_) {
    if (engine_->OnRemoveFactTemplate) engine_->OnRemoveFactTemplate(engine_, found);
    engine_->RemoveTemplateDependents(*found);
  }
  // The dependents' removal may have taken the entry already.
  if (Find(name) == found.get()) TIStringHashTableOf<TFactTemplate>::Remove(name);
  return found;
}

void TFactTemplates::Clear() {
  if (engine_) engine_->ClearWorkingMemory();
  TIStringHashTableOf<TFactTemplate>::Clear();
  if (engine_ && engine_->OnClearFactTemplates) engine_->OnClearFactTemplates(this);
}

std::vector<IFactTemplate> TFactTemplates::Templates() const {
  std::vector<IFactTemplate> templates;
  templates.reserve(size_t(Count()));
  ForEachEntry(this, [&](TGStringHashtableEntry& e) {
    templates.emplace_back(static_cast<TFactTemplate*>(static_cast<TIStringHashtableEntry&>(e).Ref.get()));
  });
  return templates;
}

std::string TFactTemplates::GetText() const {
  std::string text;
  for (const IFactTemplate& t : Templates()) text += t->AsText() + "\r\n";
  return text;
}

void TFactTemplates::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TFactTemplates*>(source);
  if (!other) {
    TIStringHashTableOf<TFactTemplate>::Assign(source);
    return;
  }
  if (other == this) return;
  for (const IFactTemplate& mine : Templates()) {
    TFactTemplate* theirs = other->Find(mine->Name());
    if (!theirs || !mine->Equals(theirs)) Remove(mine->Name());
  }
  SetLoadFactor(other->LoadFactor());
  if (IsEmpty()) {
    SetHashType(other->HashType());
    SetCapacity(other->Capacity());
  } else if (other->Capacity() > Capacity()) {
    SetCapacity(other->Capacity());
  }
  for (const IFactTemplate& theirs : other->Templates()) {
    IFactTemplate mine(Find(theirs->Name()));
    if (!mine) {
      Add(MakeRef<TFactTemplate>(engine_, *theirs, theirs->Comment(), theirs->Name()));
    } else {
      mine->Assign(*theirs);
      if (engine_ && engine_->OnNewFactTemplate) engine_->OnNewFactTemplate(engine_, mine);
    }
  }
}

void TFactTemplates::SetTemplateTexts(const std::vector<std::string>& texts) {
  Clear();
  if (!engine_) return;
  for (const std::string& text : texts) Add(engine_->ParseFactTemplate(text));
}

void TFactTemplates::Properties(std::vector<TProperty>& props) {
  TIStringHashTableOf<TFactTemplate>::Properties(props);
  props.push_back(StringListProperty(
      STemplatesProperty,
      [this] {
        std::vector<std::string> texts;
        for (const IFactTemplate& t : Templates()) texts.push_back(t->AsText());
        return texts;
      },
      [this](const std::vector<std::string>& texts) { SetTemplateTexts(texts); },
      [this] { return !IsEmpty(); }));
}

// ---------------------------------------------------------------------------
// TRules

TRules::TRules(TInferenceEngine* engine)
    : TGStringTableOf(RegistryCapacity, RegistryLoadFactor), engine_(engine) {}

std::string TRules::RuleKey(const TRule& rule) { return rule.RuleName(); }

void TRules::NoteName(const TRule* entry, std::string_view name, int32_t delta) const {
  const TComponent* rule = entry;
  TNames& names = names_[rule];
  names.Count += delta;
  if (names.Count <= 0)
    names_.erase(rule);
  else if (delta > 0 && names.Count == 1)
    names.Name.assign(name);
  else if (delta < 0 && names.Count == 1)
    names.Name.clear();  // the one name left is found by a walk (see NameOf)
}

void TRules::SyncNames() const {
  if (namesStamp_ == ChangeStamp()) return;
  names_.clear();
  ForEachItem([&](const std::string& name, TRule* rule) { NoteName(rule, name, +1); });
  namesStamp_ = ChangeStamp();
}

void TRules::PutRaw(std::string_view name, TRule* rule) {
  SyncNames();
  const TRule* old = FindItem(name);
  const bool existed = old != nullptr;
  const uint64_t before = ChangeStamp();
  PutItem(name, rule);
  // Anything else changed meanwhile (a change handler): made again when asked.
  if (ChangeStamp() != before + 1) return;
  if (existed) NoteName(old, name, -1);
  NoteName(rule, name, +1);
  namesStamp_ = ChangeStamp();
}

void TRules::RemoveRaw(std::string_view name) {
  SyncNames();
  const TRule* old = FindItem(name);
  const uint64_t before = ChangeStamp();
  TGStringHashtable::Remove(name);
  if (ChangeStamp() != before + 1) return;
  NoteName(old, name, -1);
  namesStamp_ = ChangeStamp();
}

TRule* TRules::Find(std::string_view name) const noexcept { return FindItem(name); }

TRule* TRules::Get(std::string_view name) const { return GetItem(name); }

void TRules::Put(std::string_view name, TRule& rule) {
  TRule* existing = Find(name);
  if (existing == &rule) return;
  if (existing && engine_) {
    switch (engine_->DuplicateConstructs()) {
      case dcIgnore:
        // The incoming rule is dropped; one the engine owns is freed with it.
        engine_->FreeRule(rule);
        return;
      case dcError:
        throw EIEException(Format(SDuplicateRule, {name}));
      case dcOverwrite:
        Remove(name);
        break;
    }
  }
  if (engine_) engine_->CompileRule(rule);
  PutRaw(name, &rule);
  if (!engine_) return;
  if (engine_->Watch().Contains(cwCompilation) && engine_->OnPrintOut)
    engine_->PrintOut("", rule.CompileTrace() + "\r\n");
  if (engine_->OnAddRule) engine_->OnAddRule(engine_, &rule);
}

void TRules::Remove(std::string_view name) {
  TRule* rule = Find(name);
  if (!rule) return;
  RemoveRaw(name);
  if (engine_) engine_->RemoveRule(*rule);
}

void TRules::RemoveIfSame(std::string_view name, const TComponent* rule) {
  if (rule && static_cast<const TComponent*>(Find(name)) == rule) Remove(name);
}

void TRules::Rekey(std::string_view oldName, std::string_view newName) {
  TRule* rule = FindItem(oldName);
  if (!rule || oldName == newName) return;
  PutRaw(newName, rule);
  RemoveRaw(oldName);
}

void TRules::TakeOut(std::string_view name) {
  if (FindItem(name)) RemoveRaw(name);
}

std::string TRules::NameOf(const TComponent* rule) const {
  SyncNames();
  auto it = names_.find(rule);
  if (it == names_.end()) return std::string();
  if (it->second.Count == 1 && !it->second.Name.empty()) return it->second.Name;
  // Listed under several names (or was): the first in iteration order.
  std::string name;
  ForEachItem([&](const std::string& key, const TRule* entry) {
    if (name.empty() && static_cast<const TComponent*>(entry) == rule) name = key;
  });
  if (it->second.Count == 1) it->second.Name = name;
  return name;
}

std::vector<TRule*> TRules::Rules() const {
  std::vector<TRule*> rules;
  rules.reserve(size_t(Count()));
  ForEachItem([&](const std::string&, TRule* rule) { rules.push_back(rule); });
  return rules;
}

void TRules::Clear() {
  if (engine_) {
    // Each freed rule leaves the table through the engine's notification; one
    // freed by an earlier one's removal is skipped.
    for (TRule* rule : Rules()) {
      if (!NameOf(rule).empty()) engine_->FreeRule(*rule);
    }
    engine_->SetRuleCounter(0);
  }
  TGStringHashtable::Clear();
  if (engine_ && engine_->OnClearRules) engine_->OnClearRules(engine_);
}

std::string TRules::GetText() const {
  std::string text;
  for (TRule* rule : Rules()) text += rule->Text() + "\r\n";
  return text;
}

void TRules::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TRules*>(source);
  if (!other) {
    TGStringHashtable::Assign(source);
    return;
  }
  if (other == this) return;
  // Source's rules are listed before this table changes: Source may be
  // reached from here.
  const std::vector<TRule*> rules = other->Rules();
  WithinUpdate(*this, [&] {
    Clear();
    CopySettings(*other);
    if (!engine_) return;
    for (TRule* rule : rules) {
      if (rule->Owner() == engine_)
        Add(*rule);
      else
        engine_->AddRule(engine_->ParseRuleText(rule->Text()));
    }
  });
}

void TRules::Properties(std::vector<TProperty>& props) {
  TGStringHashtable::Properties(props);
  props.push_back(StringListProperty(
      SRulesProperty,
      [this] {
        std::vector<std::string> texts;
        for (TRule* rule : Rules()) texts.push_back(rule->Text());
        return texts;
      },
      [this](const std::vector<std::string>& texts) {
        if (!engine_) return;
        for (const std::string& text : texts) engine_->AddRule(engine_->ParseRuleText(text));
      },
      [this] { return !IsEmpty(); }));
}

// ---------------------------------------------------------------------------
// TUserFunctions

TUserFunctions::TUserFunctions(TInferenceEngine* engine)
    : TIStringHashTableOf<TIEUserFunction>(RegistryCapacity, RegistryLoadFactor),
      engine_(engine) {}

TUserFunctions::~TUserFunctions() = default;

void TUserFunctions::PutValue(std::string_view key, const TRef<TRefCounted>& value,
                              TRef<TRefCounted>& old) {
  old = nullptr;
  auto* incoming = static_cast<TIEUserFunction*>(value.get());
  if (!incoming) throw EGHashtableError(SArgumentIsNull);
  IUserFunction keep(incoming);
  if (key != incoming->FunctionName())
    throw EIEException(Format(SFunctionNamesDiffer, {key, incoming->FunctionName()}));
  TIEUserFunction* existing = Find(key);
  if (existing == incoming) return;
  if (existing && engine_) {
    switch (engine_->DuplicateConstructs()) {
      case dcIgnore:
        return;
      case dcError:
        throw EIEException(Format(SDuplicateFunction, {key}));
      case dcOverwrite:
        Remove(key);
        break;
    }
  }
  TIStringHashTable::PutValue(key, value, old);
  // The function lists this engine (which comes back here as a no-op).
  if (engine_) incoming->Reasoners().AddReasoner(*engine_);
}

IUserFunction TUserFunctions::Remove(std::string_view name) {
  IUserFunction found(Find(name));
  if (!found) return nullptr;
  TIStringHashTableOf<TIEUserFunction>::Remove(name);
  if (engine_) found->Reasoners().RemoveReasoner(*engine_);
  return found;
}

void TUserFunctions::TakeOut(const TIEUserFunction& function) {
  const std::string& name = function.FunctionName();
  if (!name.empty() && Find(name) == &function) TIStringHashTableOf<TIEUserFunction>::Remove(name);
}

std::vector<IUserFunction> TUserFunctions::Functions() const {
  std::vector<IUserFunction> functions;
  functions.reserve(size_t(Count()));
  ForEachEntry(this, [&](TGStringHashtableEntry& e) {
    functions.emplace_back(
        static_cast<TIEUserFunction*>(static_cast<TIStringHashtableEntry&>(e).Ref.get()));
  });
  return functions;
}

void TUserFunctions::Clear() {
  std::vector<IUserFunction> functions = Functions();
  TIStringHashTableOf<TIEUserFunction>::Clear();
  if (engine_)
    for (const IUserFunction& function : functions) function->Reasoners().RemoveReasoner(*engine_);
}

void TUserFunctions::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TUserFunctions*>(source);
  if (!other) {
    TIStringHashTableOf<TIEUserFunction>::Assign(source);
    return;
  }
  if (other == this) return;
  const std::vector<IUserFunction> functions = other->Functions();
  WithinUpdate(*this, [&] {
    Clear();
    CopySettings(*other);
    for (const IUserFunction& function : functions) {
      auto* deffunction = dynamic_cast<const TInterpretedFunction*>(function.get());
      if (engine_ && deffunction) {
        // A deffunction's calls are bound to the engine that read it, so this
        // engine reads its own copy from the text (it outlives Source).
        Add(engine_->ParseDefFunction(engine_->DeffunctionText(*deffunction)));
      } else if (engine_) {
        function->Reasoners().AddReasoner(*engine_);
      } else {
        Add(function);
      }
    }
  });
}

std::string TUserFunctions::GetText() const {
  std::string text;
  for (const IUserFunction& function : Functions())
    if (auto* deffunction = dynamic_cast<const TInterpretedFunction*>(function.get()))
      text += "\r\n" + (engine_ ? engine_->DeffunctionText(*deffunction) : deffunction->FunctionName());
  return text;
}

// ---------------------------------------------------------------------------
// TEngineVariables and TGlobalVariables

TEngineVariables::TEngineVariables(TInferenceEngine* engine) : engine_(engine) {}

std::string TEngineVariables::GetText() const {
  std::string text;
  ForEachEntry(this, [&](TGStringHashtableEntry& e) {
    IIEValue value(static_cast<TIEValue*>(static_cast<TIStringHashtableEntry&>(e).Ref.get()));
    text += (engine_ ? engine_->Parser().GlobalText(e.Text, value)
                     : e.Text + " = " + (value ? value->AsText() : std::string())) +
            "\r\n";
  });
  return text;
}

void TEngineVariables::Properties(std::vector<TProperty>& props) {
  TValueHashTable::Properties(props);
  props.push_back(StringListProperty(
      SVariablesProperty,
      [this] {
        std::vector<std::string> texts;
        ForEachEntry(this, [&](TGStringHashtableEntry& e) {
          IIEValue value(static_cast<TIEValue*>(static_cast<TIStringHashtableEntry&>(e).Ref.get()));
          texts.push_back(engine_ ? engine_->Parser().GlobalText(e.Text, value) : e.Text);
        });
        return texts;
      },
      [this](const std::vector<std::string>& texts) {
        if (!engine_) return;
        for (const std::string& text : texts) {
          std::string name;
          IIEValue value;
          engine_->ParseVariable(text, name, value);
          Put(name, value);
        }
      },
      [this] { return !IsEmpty(); }));
}

void TGlobalVariables::PutValue(std::string_view key, const TRef<TRefCounted>& value,
                                TRef<TRefCounted>& old) {
  IIEValue declared(static_cast<TIEValue*>(value.get()));
  TEngineVariables::PutValue(key, value, old);
  if (engine_) engine_->SetGlobal(std::string(key), declared);
}

void TGlobalVariables::Clear() {
  TEngineVariables::Clear();
  if (engine_ && engine_->RootContext()) engine_->RootContext()->ClearBindings();
}

// ---------------------------------------------------------------------------
// TFactSets

TFactSet* TFactSets::Get(int32_t index) const {
  if (uint32_t(index) >= sets_.size()) RaiseListIndexError(index);
  return sets_[size_t(index)];
}

int32_t TFactSets::IndexOfName(const std::string& name) const {
  for (size_t i = 0; i < sets_.size(); ++i)
    if (sets_[i]->FactSetName() == name) return int32_t(i);
  return -1;
}

int32_t TFactSets::IndexOf(const TComponent* factSet) const noexcept {
  auto it = where_.find(factSet);
  if (it == where_.end() || sets_.empty()) return -1;
  for (size_t i = std::min(it->second, sets_.size() - 1) + 1; i-- > 0;) {
    if (static_cast<const TComponent*>(sets_[i]) != factSet) continue;
    it->second = i;
    return int32_t(i);
  }
  return -1;
}

int32_t TFactSets::Add(TFactSet& factSet) {
  const int32_t index = IndexOf(&factSet);
  if (index >= 0) return index;
  sets_.push_back(&factSet);
  where_[&factSet] = sets_.size() - 1;
  return int32_t(sets_.size()) - 1;
}

int32_t TFactSets::Remove(const TComponent* factSet) {
  const int32_t index = IndexOf(factSet);
  if (index >= 0) {
    sets_.erase(sets_.begin() + index);
    where_.erase(factSet);
  }
  return index;
}

std::string TFactSets::GetText() const {
  std::string text;
  for (const TFactSet* factSet : sets_) text += factSet->AsText();
  return text;
}
