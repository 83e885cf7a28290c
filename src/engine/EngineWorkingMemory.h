// TFacts: the engine's fact list (working memory) in assertion order. Adding
// and deleting through the list goes through the engine's AssertFact and
// RetractFact, so that the network, the agenda, the watch lines and the events
// follow; while Internal is set (the engine itself changing the list) they
// only change the list.
//
// Ownership: the list holds shared references to its facts; it is owned by
// its engine and keeps a plain back link to it (may be none: then the list
// only stores). Thread-safety: none; used under the engine's lock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "collections/InterfaceCollections.h"
#include "facts/IEFacts.h"

class TInferenceEngine;

class TFacts : public TIList<TFact> {
 public:
  explicit TFacts(TInferenceEngine* engine = nullptr) : engine_(engine) {}
  std::string ClassName() const override { return "TFacts"; }
  TInferenceEngine* Engine() const noexcept { return engine_; }

  bool Internal() const noexcept { return internal_; }
  void SetInternal(bool value) noexcept { internal_ = value; }

  // With an engine and not Internal: the engine's AssertFact; the result is
  // the fact's position, or -1 when the engine did not assert it (an equal
  // fact is listed already). Otherwise Fact is appended.
  int32_t Add(const IFactRef& fact);
  // With an engine and not Internal: the engine's RetractFact (Index);
  // otherwise the entry is removed. EListError outside the list.
  void Delete(int32_t index);
  // Removes every entry, then (with an engine) the engine's FactsCleared.
  void Clear();

  // The position of the fact whose ID is Id, or -1; FindById: that fact.
  int32_t IndexOfId(int32_t id) const noexcept;
  IFactRef FindById(int32_t id) const;
  // The position of the first fact equal to Fact (same template, equal
  // values), or -1.
  int32_t IndexOfEqual(const TCustomFact* fact) const;

  // The texts of the facts joined by CR LF (no trailing line break), with
  // their identifiers ("f-1 (a)") or without.
  std::string Text(bool withIds = false) const;
  // Each fact's text without identifier, in list order.
  std::vector<std::string> Texts() const;

  // From another TFacts: Clear, then a copy of each of Source's facts is
  // added (asserted, with an engine), made with this engine's template of the
  // same name when the fact's template belongs to another engine.
  void Assign(const TPersistent* source) override;

 private:
  // Bypasses the engine: the list's own Add and Delete.
  friend class TInferenceEngine;
  int32_t AddEntry(const IFactRef& fact) { return TIList<TFact>::Add(fact); }
  void DeleteEntry(int32_t index) { TIList<TFact>::Delete(index); }

  TInferenceEngine* engine_;
  bool internal_ = false;
};
