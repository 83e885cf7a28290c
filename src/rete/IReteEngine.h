// IReteEngine: what the Rete network needs from the engine that owns it — the
// agenda hooks for activations, the queue of facts the network asserts while
// it propagates (backward-chaining goals), working memory for priming a new
// rule, the placeholder fact of negated patterns and test elements, templates
// by name and the root evaluation context. TInferenceEngine implements it;
// tests use fakes. GetFactTemplate and RootContext have the very signatures of
// IRuleEngine's, so one engine function serves both.
//
// Ownership: the engine's agenda owns the activations (AddActivation hands one
// over; RemoveActivation hands it back unless the engine keeps it). The
// network only points at its engine. Thread-safety: none; the engine
// serializes every use of its network.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "collections/RefCount.h"
#include "rete/IEToken.h"
#include "values/IEValue.h"

class TActivation;
class TFactTemplate;
class TIEContext;
using IFactTemplate = TRef<TFactTemplate>;

class IReteEngine {
 public:
  virtual ~IReteEngine() = default;

  // ---- The agenda.
  // A rule's conditions are complete: the engine takes Activation over and
  // places it on its agenda.
  virtual void AddActivation(std::unique_ptr<TActivation> activation) = 0;
  // A listed activation no longer matches: the engine takes it off its agenda
  // and hands it back, so that the network can announce the withdrawal before
  // it is freed. None when the engine keeps it (the activation being fired
  // stays alive until its firing ends) or when it is not on the agenda.
  virtual std::unique_ptr<TActivation> RemoveActivation(TActivation& activation) = 0;
  // Activation's rule has fired; the node no longer lists it. The engine
  // reports the firing and takes the activation off its agenda; it frees it
  // once the firing is over.
  virtual void RuleFired(TActivation& activation) = 0;

  // ---- Working memory.
  // Queues Fact for assertion (Assert true) or retraction once the current
  // propagation has finished.
  virtual void QueueFact(const IFact& fact, bool assert) = 0;
  // Calls Visit for every fact of working memory, in working-memory order.
  virtual void ForEachFact(const std::function<void(const IFact&)>& visit) = 0;
  // The token Fact entered the network with, when the engine withdraws the
  // fact by sending that token again (see TIEToken::CreateWithdrawnAsItself)
  // and a memory may still hold it; none otherwise.
  virtual TTokenRef FactToken(const IFact& /*fact*/) { return nullptr; }
  // The fact that stands in a token for a negated pattern or a test element
  // (a fact of the template "__NOT-OR-TEST-CE*" with id -1).
  virtual IFact NotOrTestFact() = 0;
  // The same, borrowed: valid while the engine keeps it (a token that takes
  // it holds a reference of its own). Matching asks for it by the million.
  virtual TCustomFact* NotOrTestFactBorrowed() { return NotOrTestFact().get(); }

  // ---- Templates and evaluation.
  // The registered template of that name; an implied one is made and
  // registered when there is none.
  virtual IFactTemplate GetFactTemplate(const std::string& name) = 0;
  // The root context; node contexts are children of it.
  virtual TIEContext* RootContext() = 0;
};
