// Working memory: the fact list, assertion and retraction with their tokens,
// watch lines and events, the queues the network fills while it propagates,
// Reset, and the network's view of working memory.
#include "engine/EngineWorkingMemory.h"

#include <utility>

#include "collections/GHashtable.h"
#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "engine/InferenceEngine.h"
#include "facts/IEFactSet.h"
#include "facts/IESlotTest.h"
#include "rete/IEToken.h"
#include "rete/ReteNetwork.h"

// ---------------------------------------------------------------------------
// TFacts

int32_t TFacts::Add(const IFactRef& fact) {
  if (internal_ || !engine_) return AddEntry(fact);
  if (engine_->AssertFact(fact) < 0) return -1;
  return IndexOf(fact.get());
}

void TFacts::Delete(int32_t index) {
  if (internal_ || !engine_) {
    DeleteEntry(index);
    return;
  }
  engine_->RetractFact(index);
}

void TFacts::Clear() {
  TIList<TFact>::Clear();
  if (engine_) engine_->FactsCleared();
}

int32_t TFacts::IndexOfId(int32_t id) const noexcept {
  for (int32_t i = 0; i < Count(); ++i)
    if (Get(i)->ID() == id) return i;
  return -1;
}

IFactRef TFacts::FindById(int32_t id) const {
  const int32_t index = IndexOfId(id);
  return index < 0 ? nullptr : Get(index);
}

int32_t TFacts::IndexOfEqual(const TCustomFact* fact) const {
  if (!fact) return -1;
  for (int32_t i = 0; i < Count(); ++i)
    if (Get(i)->Equals(fact)) return i;
  return -1;
}

std::string TFacts::Text(bool withIds) const {
  std::string text;
  for (int32_t i = 0; i < Count(); ++i) {
    if (i > 0) text += SWatchLineEnd;
    text += withIds ? Get(i)->IndexedText() : Get(i)->AsText();
  }
  return text;
}

std::vector<std::string> TFacts::Texts() const {
  std::vector<std::string> texts;
  texts.reserve(size_t(Count()));
  for (const IFactRef& fact : *this) texts.push_back(fact->AsText());
  return texts;
}

void TFacts::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TFacts*>(source);
  if (!other) {
    TIList<TFact>::Assign(source);
    return;
  }
  if (other == this) return;
  // Copied first: asserting may change Source when it is reached from here.
  std::vector<IFactRef> facts(other->begin(), other->end());
  Clear();
  for (const IFactRef& fact : facts) {
    IFactTemplate factTemplate = fact->Template();
    if (engine_ && factTemplate && factTemplate->Engine() != engine_)
      factTemplate = engine_->GetFactTemplate(factTemplate->Name());
    IFactRef copy = MakeRef<TFact>(factTemplate);
    if (factTemplate == fact->Template()) {
      copy->AssignSlots(*fact);
    } else {
      // Another engine's template: the values go over slot by slot, by name.
      fact->ForEachSlot([&](const TFactSlot& slot, const TIEValue* value) {
        if (value && factTemplate->FindSlot(slot.Name()))
          copy->SetSlotValue(slot.Name(), value->Clone());
      });
    }
    Add(copy);
  }
}

// ---------------------------------------------------------------------------
// Assertion and retraction

class TInferenceEngine::TInternalFacts {
 public:
  explicit TInternalFacts(TFacts& facts) : facts_(facts), previous_(facts.Internal()) {
    facts_.SetInternal(true);
  }
  ~TInternalFacts() { facts_.SetInternal(previous_); }
  TInternalFacts(const TInternalFacts&) = delete;
  TInternalFacts& operator=(const TInternalFacts&) = delete;

 private:
  TFacts& facts_;
  bool previous_;
};

int32_t TInferenceEngine::AssertFact(const IFactRef& fact) {
  if (!fact || !fact->Template()) throw EIEException(SFactTemplateMissing);
  if (!factDuplication_ && facts_.IndexOfEqual(fact.get()) >= 0) return -1;
  // The very object listed twice would carry one identifier for two entries:
  // a fact asserted again while it is in working memory enters as a copy.
  IFactRef asserted = fact;
  if (facts_.IndexOf(fact.get()) >= 0) asserted = fact->Clone();
  const int32_t id = factCounter_++;
  asserted->SetID(id);
  {
    TInternalFacts internal(facts_);
    facts_.AddEntry(asserted);
  }
  if (Watching(cwFact))
    PrintOut("", SWatchFactAsserted + asserted->IndexedText() + SWatchLineEnd);
  if (rete_) rete_->AssertToken(TIEToken::Create(taAdd, IFact(asserted.get())));
  ProcessQueuedFacts();
  if (OnAssertion) OnAssertion(this, IFact(asserted.get()));
  return id;
}

int32_t TInferenceEngine::AssertString(const std::string& text) {
  return AssertFact(ParseFact(text));
}

void TInferenceEngine::RetractFact(int32_t index) {
  IFactRef fact = facts_.Get(index);
  if (rete_) rete_->AssertToken(TIEToken::Create(taRemove, IFact(fact.get())));
  if (OnRetraction) OnRetraction(this, IFact(fact.get()));
  if (Watching(cwFact))
    PrintOut("", SWatchFactRetracted + fact->IndexedText() + SWatchLineEnd);
  {
    // The network's work or an event may have moved the entry.
    TInternalFacts internal(facts_);
    const int32_t at = facts_.IndexOf(fact.get());
    if (at >= 0) facts_.DeleteEntry(at);
  }
  ProcessQueuedFacts();
}

void TInferenceEngine::RetractById(int32_t id) {
  const int32_t index = facts_.IndexOfId(id);
  if (index >= 0) RetractFact(index);
}

void TInferenceEngine::Retract(const TCustomFact* fact) {
  const int32_t index = facts_.IndexOfEqual(fact);
  if (index >= 0) RetractFact(index);
}

void TInferenceEngine::RetractSame(const TCustomFact* fact) {
  const int32_t index = facts_.IndexOf(AsTFact(fact));
  if (index >= 0) RetractFact(index);
}

void TInferenceEngine::RetractString(const std::string& text) {
  IFactRef fact = ParseFact(text);
  Retract(fact.get());
}

void TInferenceEngine::QueueFact(const IFact& fact, bool assert) {
  IFactRef queued = AsFactRef(fact);
  if (!queued) return;
  (assert ? pendingAsserts_ : pendingRetracts_).Add(queued);
}

void TInferenceEngine::ProcessQueuedFacts() {
  while (!pendingAsserts_.IsEmpty()) {
    IFactRef fact = pendingAsserts_.First();
    pendingAsserts_.Delete(0);
    AssertFact(fact);
  }
  while (!pendingRetracts_.IsEmpty()) {
    IFactRef fact = pendingRetracts_.First();
    pendingRetracts_.Delete(0);
    Retract(fact.get());
  }
}

void TInferenceEngine::FactsCleared() {
  if (rete_) rete_->AssertToken(TIEToken::CreateClear());
  if (OnClearFacts) OnClearFacts(this);
}

void TInferenceEngine::ClearPendingFacts() {
  pendingAsserts_.Clear();
  pendingRetracts_.Clear();
}

void TInferenceEngine::RemoveTemplateFacts(const TFactTemplate& factTemplate) {
  for (TIList<TFact>* pending : {&pendingAsserts_, &pendingRetracts_})
    for (int32_t i = pending->Count() - 1; i >= 0; --i)
      if (i < pending->Count() && pending->Get(i)->Template().get() == &factTemplate)
        pending->Delete(i);
  for (int32_t i = facts_.Count() - 1; i >= 0; --i)
    if (i < facts_.Count() && facts_.Get(i)->Template().get() == &factTemplate) facts_.Delete(i);
}

void TInferenceEngine::ForEachFact(const std::function<void(const IFact&)>& visit) {
  for (const IFactRef& fact : facts_) visit(IFact(fact.get()));
}

void TInferenceEngine::CreatePlaceholders() {
  IFactTemplate initial = GetFactTemplate(SInitialFactTemplate);
  initialFactPattern_ = std::make_unique<TIEPattern>(nullptr, 0, initial, SInitialFactTemplate);
  notOrTestFact_ = MakeRef<TFact>(GetFactTemplate(SNotOrTestTemplate));
}

// ---------------------------------------------------------------------------
// Reset

void TInferenceEngine::Reset() {
  facts_.Clear();
  factCounter_ = 0;
  AssertString(SInitialFactText);
  if (resetGlobals_) {
    std::vector<std::pair<std::string, IIEValue>> globals;
    TGHashtableWalker walk(&globalVariables_);
    while (TGHashtableEntry* e = walk.Next()) {
      auto& entry = static_cast<TIStringHashtableEntry&>(*static_cast<TGStringHashtableEntry*>(e));
      globals.emplace_back(entry.Text, IIEValue(static_cast<TIEValue*>(entry.Ref.get())));
    }
    for (const auto& [name, value] : globals) SetGlobal(name, value);
  }
  std::vector<TFactSet*> sets(factSets_.begin(), factSets_.end());
  for (TFactSet* factSet : sets)
    if (factSets_.IndexOf(factSet) >= 0) factSet->AssertFacts();
  if (OnReset) OnReset(this);
}
