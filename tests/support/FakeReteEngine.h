// A stand-in engine for the network: the fake rule engine plus the network's
// seam — an agenda that owns activations (newest first) and keeps the one
// being fired alive, a working memory, a fact queue and a log of the agenda
// calls and network events. Helpers build patterns and rules in code.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "facts/IERule.h"
#include "rete/ReteNetwork.h"
#include "support/FakeRuleEngine.h"

class TFakeReteEngine : public TFakeRuleEngine, public IReteEngine {
 public:
  TFakeReteEngine() : rete(std::make_unique<TReteNetwork>(this)) {
    notOrTest = MakeRef<TFact>(GetFactTemplate(SNotOrTestTemplate));
    notOrTest->SetID(-1);
    rete->OnActivation = [this](TObject*, const TActivation& a) { log.push_back("+ " + a.Text()); };
    rete->OnDeactivation = [this](TObject*, const TActivation& a) { log.push_back("- " + a.Text()); };
    rete->OnRuleFired = [this](TObject*, const TActivation& a) { log.push_back("! " + a.Text()); };
  }
  ~TFakeReteEngine() override {
    agenda.clear();
    rete.reset();
    DestroyComponents();
  }

  // ---- IReteEngine
  IFactTemplate GetFactTemplate(const std::string& name) override {
    return TFakeRuleEngine::GetFactTemplate(name);
  }
  TIEContext* RootContext() override { return TFakeRuleEngine::RootContext(); }
  void AddActivation(std::unique_ptr<TActivation> activation) override {
    agenda.insert(agenda.begin(), std::move(activation));
  }
  std::unique_ptr<TActivation> RemoveActivation(TActivation& activation) override {
    for (auto it = agenda.begin(); it != agenda.end(); ++it) {
      if (it->get() != &activation) continue;
      std::unique_ptr<TActivation> owned = std::move(*it);
      agenda.erase(it);
      if (owned.get() == current) {
        firing = std::move(owned);  // freed when the firing is over
        return nullptr;
      }
      return owned;
    }
    return nullptr;
  }
  void RuleFired(TActivation& activation) override {
    log.push_back("fired " + activation.Rule()->RuleName());
    std::unique_ptr<TActivation> owned = RemoveActivation(activation);
  }
  void QueueFact(const IFact& fact, bool assert) override {
    (assert ? pendingAsserts : pendingRetracts).push_back(fact);
  }
  void ForEachFact(const std::function<void(const IFact&)>& visit) override {
    for (const IFact& fact : memory) visit(fact);
  }
  IFact NotOrTestFact() override { return IFact(notOrTest.get()); }

  // ---- Working memory and the run loop.
  IFact Assert(const IFactRef& fact) {
    fact->SetID(nextFact++);
    IFact f(fact.get());
    memory.push_back(f);
    rete->AssertToken(TIEToken::Create(taAdd, f));
    return f;
  }
  void Retract(const IFact& fact) {
    rete->AssertToken(TIEToken::Create(taRemove, fact));
    std::erase(memory, fact);
  }
  // Fires the first activation; false when the agenda is empty.
  bool FireOne() {
    if (agenda.empty()) return false;
    current = agenda.front().get();
    current->Fire();
    current = nullptr;
    firing.reset();
    return true;
  }
  std::vector<std::string> AgendaTexts() const {
    std::vector<std::string> texts;
    for (const auto& a : agenda) texts.push_back(a->Text());
    return texts;
  }

  // ---- Building rules.
  TRule* NewRule(const std::string& name) {
    auto* rule = new TRule(this);
    rule->SetRuleName(name);
    return rule;
  }

  std::unique_ptr<TReteNetwork> rete;
  std::vector<std::unique_ptr<TActivation>> agenda;
  TActivation* current = nullptr;
  std::unique_ptr<TActivation> firing;
  std::vector<IFact> memory;
  std::vector<IFact> pendingAsserts;
  std::vector<IFact> pendingRetracts;
  IFactRef notOrTest;
};

// A pattern on Template; add tests with AddTest.
inline std::unique_ptr<TIEPattern> Pattern(const IFactTemplate& t, int32_t negated = 0) {
  return std::make_unique<TIEPattern>(nullptr, negated, t, t->Name());
}

// The nodes of class TNode that Rule uses in Network, in compile order.
template <class TNode>
std::vector<TNode*> RuleNodesOf(const TReteNetwork& network, const TRule& rule) {
  std::vector<TNode*> found;
  for (TReteNode* node : *network.RuleNodes(rule))
    if (auto* n = dynamic_cast<TNode*>(node)) found.push_back(n);
  return found;
}

inline IFactRef MakeFact(const IFactTemplate& t,
                         std::initializer_list<std::pair<const char*, IIEValue>> values) {
  IFactRef fact = MakeRef<TFact>(t);
  for (const auto& [slot, value] : values) fact->SetSlotValue(slot, value);
  return fact;
}
