// TFacts: the engine's fact list (working memory) in assertion order. Adding
// and deleting through the list goes through the engine's AssertFact and
// RetractFact, so that the network, the agenda, the watch lines and the events
// follow; while Internal is set (the engine itself changing the list) they
// only change the list.
//
// Ownership: the list holds shared references to its facts (and, beside a
// fact, the token it entered the network with, while a memory may hold that
// token: its retraction sends the same token again; and the record of how the
// fact came to be, which leaves with the entry); it is owned by
// its engine and keeps a plain back link to it (may be none: then the list
// only stores). Thread-safety: none; used under the engine's lock.
#pragma once

#include <cstdint>
#include <iterator>
#include <string>
#include <unordered_map>
#include <vector>

#include "collections/FlatIndex.h"
#include "collections/InterfaceCollections.h"
#include "collections/LiveSlots.h"
#include "facts/IEFacts.h"
#include "rete/FactOrigin.h"
#include "rete/IEToken.h"

class TInferenceEngine;

// Indexed: a fact is found by identifier, by object and (while the engine
// refuses duplicates) by content in constant time; a deleted entry leaves a
// hole that positions skip (TLiveSlots), so deleting never shifts the list,
// and the holes are squeezed out once they outnumber the facts.
class TFacts : public TPersistent {
 public:
  explicit TFacts(TInferenceEngine* engine = nullptr) : engine_(engine) {}
  TFacts(const TFacts&) = delete;
  TFacts& operator=(const TFacts&) = delete;
  std::string ClassName() const override { return "TFacts"; }
  TInferenceEngine* Engine() const noexcept { return engine_; }

  bool Internal() const noexcept { return internal_; }
  void SetInternal(bool value) noexcept { internal_ = value; }

  int32_t Count() const noexcept { return int32_t(slots_.LiveCount()); }
  bool IsEmpty() const noexcept { return Count() == 0; }
  // The fact at Index; EListError "List index out of bounds (%d)" outside.
  const IFactRef& Get(int32_t index) const;
  const IFactRef& operator[](int32_t index) const { return Get(index); }

  // With an engine and not Internal: the engine's AssertFact; the result is
  // the fact's position, or -1 when the engine did not assert it (an equal
  // fact is listed already). Otherwise Fact is appended.
  int32_t Add(const IFactRef& fact);
  // With an engine and not Internal: the engine's RetractFact (Index);
  // otherwise the entry is removed. EListError outside the list.
  void Delete(int32_t index);
  // Removes every entry, then (with an engine) the engine's FactsCleared.
  void Clear();

  // The position of that very fact object, or -1.
  int32_t IndexOf(const TFact* fact) const noexcept;
  int32_t IndexOf(const IFactRef& fact) const noexcept { return IndexOf(fact.get()); }
  // The position of the fact whose ID is Id, or -1; FindById: that fact.
  int32_t IndexOfId(int32_t id) const noexcept;
  IFactRef FindById(int32_t id) const;
  // The position of the first fact equal to Fact (same template, equal
  // values), or -1.
  int32_t IndexOfEqual(const TCustomFact* fact) const;
  // Starts loading what IndexOfEqual (Fact) will read first.
  void PrefetchEqual(const TFact& fact) const;
  // How that very fact came to be: none when it is not listed, or was listed
  // without a record (added by hand, or while the engine recorded none).
  TFactOriginRef OriginOf(const TFact* fact) const;

  // The texts of the facts joined by CR LF (no trailing line break), with
  // their identifiers ("f-1 (a)") or without.
  std::string Text(bool withIds = false) const;
  // Each fact's text without identifier, in list order.
  std::vector<std::string> Texts() const;

  // From another TFacts: Clear, then a copy of each of Source's facts is
  // added (asserted, with an engine), made with this engine's template of the
  // same name when the fact's template belongs to another engine.
  void Assign(const TPersistent* source) override;

  // Forward iteration over the facts in list order (holes skipped). The
  // list must not change while an iterator is in use.
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = IFactRef;
    using difference_type = std::ptrdiff_t;
    using pointer = const IFactRef*;
    using reference = const IFactRef&;
    const_iterator(const std::vector<IFactRef>* entries, size_t at) : entries_(entries), at_(at) {
      Skip();
    }
    reference operator*() const { return (*entries_)[at_]; }
    pointer operator->() const { return &(*entries_)[at_]; }
    const_iterator& operator++() {
      ++at_;
      Skip();
      return *this;
    }
    bool operator==(const const_iterator& other) const { return at_ == other.at_; }
    bool operator!=(const const_iterator& other) const { return at_ != other.at_; }

   private:
    void Skip() {
      while (at_ < entries_->size() && !(*entries_)[at_]) ++at_;
    }
    const std::vector<IFactRef>* entries_;
    size_t at_;
  };
  const_iterator begin() const { return const_iterator(&entries_, 0); }
  const_iterator end() const { return const_iterator(&entries_, entries_.size()); }

 private:
  friend class TInferenceEngine;
  // Bypass the engine: the list's own append and removal. Token: the one the
  // fact entered the network with, when the engine withdraws the fact by
  // sending it again (see TokenAt); Origin: how the fact came to be.
  int32_t AddEntry(const IFactRef& fact, TTokenRef token = nullptr,
                   TFactOriginRef origin = nullptr);
  // The token kept for the fact at Index (none when none is kept).
  const TTokenRef& TokenAt(int32_t index) const;
  // The token kept for that very fact (none when none is kept).
  TTokenRef TokenOf(const TFact* fact) const;
  // Lets go of the token kept for that very fact (no memory kept it).
  void DropToken(const TFact* fact);
  void DeleteEntry(int32_t index);
  // Removes the entry of that very fact; false when it is not listed.
  bool RemoveEntry(const TFact* fact);
  void RemoveSlot(uint32_t slot);
  // The slot of that very fact object; -1 when it is not listed.
  int64_t SlotOf(const TFact* fact) const noexcept;
  // The slot of the first listed fact with that id; -1 when there is none.
  int64_t SlotOfId(int32_t id) const noexcept;
  // The slot of the entry at Index (which must be in the list).
  uint32_t SlotAt(int32_t index) const;
  // Squeezes the holes out of entries_ (the slots are numbered anew).
  void Compact();
  static uint32_t IdKey(int32_t id) { return uint32_t(id); }
  // A content hash: equal facts (same template, equal values) hash alike.
  // 32 bits, for a smaller entry: facts of equal keys are compared anyway.
  static uint32_t ContentKey(const TFact& fact);
  // The content index is kept while the engine refuses duplicate facts; it
  // is built on first use and dropped when facts may repeat. A removal leaves
  // its entry (finding it would cost a cache miss on every retraction): the
  // entries of removed facts go when a lookup of their key meets them
  // (ForgetRemoved), and all at once when the list is compacted, so they
  // never outnumber the live facts.
  void BuildContentIndex() const;
  void ForgetRemoved(uint32_t key) const;

  TInferenceEngine* engine_;
  bool internal_ = false;
  std::vector<IFactRef> entries_;  // by slot; none where a fact was deleted
  std::vector<TTokenRef> tokens_;  // by slot, beside entries_; mostly none
  std::vector<TFactOriginRef> origins_;  // by slot, beside entries_
  TLiveSlots slots_;
  // Id -> slot of a listed fact with it. Ids are unique in an engine's list;
  // a list filled by hand may repeat them, and then lookups by id also scan.
  // Slots are positions of entries_, far below the all-ones value, which
  // marks the indexes' unused entries (8 bytes an entry).
  using TSlotIndex = TFlatIndex<uint32_t, uint32_t, TFlatEmptyValue<UINT32_MAX>>;
  TSlotIndex byId_;  // by the id, as unsigned
  bool repeatedIds_ = false;
  mutable TSlotIndex byContent_;
  mutable bool contentIndexed_ = false;
};
