// Working memory: the fact list, assertion and retraction with their tokens,
// watch lines and events, the queues the network fills while it propagates,
// Reset, and the network's view of working memory.
#include "engine/EngineWorkingMemory.h"

#include <utility>

#include "collections/GHashtable.h"
#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "engine/EngineOriginScope.h"
#include "engine/InferenceEngine.h"
#include "facts/IEFactSet.h"
#include "facts/IESlotTest.h"
#include "rete/IEToken.h"
#include "rete/ReteNetwork.h"

// ---------------------------------------------------------------------------
// TFacts

const IFactRef& TFacts::Get(int32_t index) const {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  return entries_[SlotAt(index)];
}

uint32_t TFacts::SlotAt(int32_t index) const {
  if (slots_.SlotCount() == slots_.LiveCount()) return uint32_t(index);
  return slots_.Select(uint32_t(index));
}

const TTokenRef& TFacts::TokenAt(int32_t index) const {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  return tokens_[SlotAt(index)];
}

TTokenRef TFacts::TokenOf(const TFact* fact) const {
  const int64_t slot = SlotOf(fact);
  return slot < 0 ? nullptr : tokens_[size_t(slot)];
}

TFactOriginRef TFacts::OriginOf(const TFact* fact) const {
  const int64_t slot = SlotOf(fact);
  return slot < 0 ? nullptr : origins_[size_t(slot)];
}

void TFacts::DropToken(const TFact* fact) {
  const int64_t slot = SlotOf(fact);
  if (slot >= 0) tokens_[size_t(slot)] = nullptr;
}

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
  // Taken out first: releasing a fact may run code that looks at the list.
  std::vector<IFactRef> released = std::move(entries_);
  entries_.clear();
  tokens_.clear();
  origins_.clear();
  slots_.Reset();
  byId_.Clear();
  repeatedIds_ = false;
  byContent_.Clear();
  contentIndexed_ = false;
  released.clear();
  if (engine_) engine_->FactsCleared();
}

int32_t TFacts::AddEntry(const IFactRef& fact, TTokenRef token, TFactOriginRef origin) {
  const uint32_t slot = slots_.Append();
  entries_.push_back(fact);
  tokens_.push_back(std::move(token));
  origins_.push_back(std::move(origin));
  if (fact) {
    if (!byId_.InsertUnique(IdKey(fact->ID()), slot)) repeatedIds_ = true;
    if (contentIndexed_) byContent_.Insert(ContentKey(*fact), slot);
  }
  return Count() - 1;
}

void TFacts::DeleteEntry(int32_t index) {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  RemoveSlot(SlotAt(index));
}

bool TFacts::RemoveEntry(const TFact* fact) {
  const int64_t slot = SlotOf(fact);
  if (slot < 0) return false;
  RemoveSlot(uint32_t(slot));
  return true;
}

void TFacts::RemoveSlot(uint32_t slot) {
  IFactRef fact = std::move(entries_[slot]);
  entries_[slot] = nullptr;
  tokens_[slot] = nullptr;
  origins_[slot] = nullptr;
  slots_.Kill(slot);
  if (fact) {
    if (uint32_t* entry = byId_.Find(IdKey(fact->ID()), [&](uint32_t at) { return at == slot; })) {
      byId_.Erase(entry);
      if (repeatedIds_) {
        // Another listed fact may carry the same id: it takes the entry.
        for (uint32_t other = 0; other < entries_.size(); ++other)
          if (entries_[other] && entries_[other]->ID() == fact->ID()) {
            byId_.Insert(IdKey(fact->ID()), other);
            break;
          }
      }
    }
  }
  const uint32_t holes = slots_.SlotCount() - slots_.LiveCount();
  if (holes > 64 && holes > slots_.LiveCount()) Compact();
}

void TFacts::Compact() {
  std::vector<IFactRef> live;
  std::vector<TTokenRef> liveTokens;
  std::vector<TFactOriginRef> liveOrigins;
  live.reserve(slots_.LiveCount());
  liveTokens.reserve(slots_.LiveCount());
  liveOrigins.reserve(slots_.LiveCount());
  for (size_t slot = 0; slot < entries_.size(); ++slot)
    if (entries_[slot]) {
      live.push_back(std::move(entries_[slot]));
      liveTokens.push_back(std::move(tokens_[slot]));
      liveOrigins.push_back(std::move(origins_[slot]));
    }
  entries_ = std::move(live);
  tokens_ = std::move(liveTokens);
  origins_ = std::move(liveOrigins);
  slots_.ResetLive(uint32_t(entries_.size()));
  byId_.Clear();
  repeatedIds_ = false;
  for (uint32_t slot = 0; slot < entries_.size(); ++slot) {
    if (!byId_.InsertUnique(IdKey(entries_[slot]->ID()), slot)) repeatedIds_ = true;
  }
  if (contentIndexed_) BuildContentIndex();
}

int64_t TFacts::SlotOfId(int32_t id) const noexcept {
  if (repeatedIds_) {
    for (uint32_t slot = 0; slot < entries_.size(); ++slot)
      if (entries_[slot] && entries_[slot]->ID() == id) return slot;
    return -1;
  }
  const uint32_t* slot = byId_.Find(IdKey(id), [](uint32_t) { return true; });
  return slot ? int64_t(*slot) : -1;
}

int64_t TFacts::SlotOf(const TFact* fact) const noexcept {
  if (!fact) return -1;
  const uint32_t* slot = byId_.Find(IdKey(fact->ID()), [](uint32_t) { return true; });
  if (slot && entries_[*slot].get() == fact) return *slot;
  if (!repeatedIds_) return -1;
  for (uint32_t slot = 0; slot < entries_.size(); ++slot)
    if (entries_[slot].get() == fact) return slot;
  return -1;
}

int32_t TFacts::IndexOf(const TFact* fact) const noexcept {
  const int64_t slot = SlotOf(fact);
  return slot < 0 ? -1 : int32_t(slots_.Rank(uint32_t(slot)));
}

int32_t TFacts::IndexOfId(int32_t id) const noexcept {
  const int64_t slot = SlotOfId(id);
  return slot < 0 ? -1 : int32_t(slots_.Rank(uint32_t(slot)));
}

IFactRef TFacts::FindById(int32_t id) const {
  const int64_t slot = SlotOfId(id);
  return slot < 0 ? nullptr : entries_[size_t(slot)];
}

uint32_t TFacts::ContentKey(const TFact& fact) {
  uint64_t key = uint64_t(reinterpret_cast<uintptr_t>(fact.Template().get()));
  if (const TFactTemplate* factTemplate = fact.Template().get())
    for (const TFactSlot* slot : factTemplate->Slots()) {
      const TIEValue* value = fact.PeekSlotValue(*slot);
      key = key * 1000003u ^ uint64_t(uint32_t(value ? value->HashCode() : 0));
    }
  return uint32_t(key ^ (key >> 32));
}

void TFacts::BuildContentIndex() const {
  byContent_.Clear();
  for (uint32_t slot = 0; slot < entries_.size(); ++slot)
    if (entries_[slot]) byContent_.Insert(ContentKey(*entries_[slot]), slot);
  contentIndexed_ = true;
}

void TFacts::ForgetRemoved(uint32_t key) const {
  const auto removed = [this](uint32_t slot) { return !entries_[slot]; };
  while (uint32_t* entry = byContent_.Find(key, removed)) byContent_.Erase(entry);
}

int32_t TFacts::IndexOfEqual(const TCustomFact* fact) const {
  const TFact* wanted = AsTFact(fact);
  if (!wanted) {
    // Another kind of fact: compared one by one.
    for (int32_t i = 0; i < Count(); ++i)
      if (Get(i)->Equals(fact)) return i;
    return -1;
  }
  if (!contentIndexed_) BuildContentIndex();
  const uint32_t key = ContentKey(*wanted);
  int64_t best = -1;
  bool removed = false;
  byContent_.ForEachOf(key, [&](uint32_t slot) {
    if (!entries_[slot]) removed = true;
    else if ((best < 0 || slot < best) && entries_[slot]->Equals(wanted)) best = slot;
  });
  if (removed) ForgetRemoved(key);
  return best < 0 ? -1 : int32_t(slots_.Rank(uint32_t(best)));
}

void TFacts::PrefetchEqual(const TFact& fact) const {
  if (contentIndexed_) byContent_.Prefetch(ContentKey(fact));
}

std::string TFacts::Text(bool withIds) const {
  std::string text;
  bool first = true;
  for (const IFactRef& fact : *this) {
    if (!first) text += SWatchLineEnd;
    first = false;
    text += withIds ? fact->IndexedText() : fact->AsText();
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
  if (!source) RaiseAssignError("nil", ClassName());
  const auto* other = dynamic_cast<const TFacts*>(source);
  if (!other) {
    // A plain list of facts: its facts are listed as they are.
    const auto* list = dynamic_cast<const TIList<TFact>*>(source);
    if (!list) {
      TPersistent::Assign(source);
      return;
    }
    std::vector<IFactRef> facts(list->begin(), list->end());
    Clear();
    for (const IFactRef& fact : facts) AddEntry(fact);
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
  // Taken before the fact gets its identifier: a firing's record reads the
  // identifiers of its token's facts, and a fact its rule modified is this
  // very object, about to be numbered anew.
  TFactOriginRef origin = CurrentOrigin();
  const int32_t id = factCounter_++;
  asserted->SetID(id);
  // The fact's token is kept beside it, and its retraction sends that very
  // token again: memories then find it by its place.
  TTokenRef token = rete_ ? TIEToken::CreateWithdrawnAsItself(IFact(asserted.get())) : nullptr;
  {
    TInternalFacts internal(facts_);
    facts_.AddEntry(asserted, token, std::move(origin));
  }
  if (Watching(cwFact))
    PrintOut("", SWatchFactAsserted + asserted->IndexedText() + SWatchLineEnd);
  if (rete_) {
    rete_->AssertToken(token);
    // Held only here and in the list: no memory kept it.
    if (token->RefCount() == 2) facts_.DropToken(asserted.get());
  }
  ProcessQueuedFacts();
  if (OnAssertion) OnAssertion(this, IFact(asserted.get()));
  return id;
}

void TInferenceEngine::PrepareAssert(const TFact& fact) const {
  if (!factDuplication_) facts_.PrefetchEqual(fact);
}

int32_t TInferenceEngine::AssertString(const std::string& text) {
  return AssertFact(ParseFact(text));
}

void TInferenceEngine::RetractFact(int32_t index) {
  if (index < 0 || index >= facts_.Count()) RaiseListIndexError(index);
  RetractSlot(facts_.SlotAt(index));
}

void TInferenceEngine::RetractSlot(uint32_t slot) {
  IFactRef fact = facts_.entries_[slot];
  if (rete_) {
    TTokenRef token = facts_.tokens_[slot];
    if (token) token->SetTag(taRemove);
    else token = TIEToken::Create(taRemove, IFact(fact.get()));
    rete_->AssertToken(token);
  }
  if (OnRetraction) OnRetraction(this, IFact(fact.get()));
  if (Watching(cwFact))
    PrintOut("", SWatchFactRetracted + fact->IndexedText() + SWatchLineEnd);
  {
    // The network's work or an event may have moved the entry (a compaction
    // numbers the slots anew).
    TInternalFacts internal(facts_);
    if (slot < facts_.entries_.size() && facts_.entries_[slot] == fact)
      facts_.RemoveSlot(slot);
    else
      facts_.RemoveEntry(fact.get());
  }
  ProcessQueuedFacts();
}

void TInferenceEngine::RetractById(int32_t id) {
  const int64_t slot = facts_.SlotOfId(id);
  if (slot >= 0) RetractSlot(uint32_t(slot));
}

void TInferenceEngine::Retract(const TCustomFact* fact) {
  const int32_t index = facts_.IndexOfEqual(fact);
  if (index >= 0) RetractFact(index);
}

void TInferenceEngine::RetractSame(const TCustomFact* fact) {
  const int64_t slot = facts_.SlotOf(AsTFact(fact));
  if (slot >= 0) RetractSlot(uint32_t(slot));
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

TTokenRef TInferenceEngine::FactToken(const IFact& fact) {
  return facts_.TokenOf(AsTFact(fact.get()));
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
  ++factEpoch_;
  {
    TOriginScope origin(*this, ResetOrigin());
    AssertString(SInitialFactText);
  }
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
    if (factSets_.IndexOf(factSet) >= 0) {
      TOriginScope origin(*this, FactSetOrigin(factSet->FactSetName()));
      factSet->AssertFacts();
    }
  if (OnReset) OnReset(this);
}
