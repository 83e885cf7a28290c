// Throughput of the Rete network: two templates of N facts each joined on an
// equal slot value (the hashed join, where the time per fact should not grow
// with N), and the same facts joined by a not-equal test (no hash key: every
// arrival scans the other memory) for comparison.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

#include "core/Component.h"
#include "core/IEConsts.h"
#include "facts/IEFacts.h"
#include "facts/IERule.h"
#include "facts/IERuleEngine.h"
#include "rete/ReteNetwork.h"
#include "values/IEContext.h"

namespace {

// The smallest engine the network and rules need: templates by name, a root
// context, an agenda that only collects activations.
class TBenchEngine : public TComponent, public IFactEngine, public IRuleEngine, public IReteEngine {
 public:
  TBenchEngine() : root_(std::make_unique<TIEContext>()) {
    placeholder_ = MakeRef<TFact>(GetFactTemplate(SNotOrTestTemplate));
    placeholder_->SetID(-1);
    rete = std::make_unique<TReteNetwork>(this);
  }
  ~TBenchEngine() override {
    agenda.clear();
    rete.reset();
    DestroyComponents();
  }

  // IFactEngine
  int32_t NextFactNumber() const override { return nextFact_; }
  bool DynamicTypeCheck() const override { return false; }
  void TemplateRenaming(TFactTemplate&, const std::string&, const std::string&) override {}
  IFactTemplate FindFactTemplate(const std::string& name) override {
    auto it = templates_.find(name);
    return it == templates_.end() ? IFactTemplate() : it->second;
  }
  void AddFactTemplate(const IFactTemplate& t) override { templates_[t->Name()] = t; }
  IFactRef ParseFact(const std::string&) override { return nullptr; }
  int32_t AssertFact(const IFactRef&) override { return -1; }
  void AddFactSet(TFactSet&) override {}
  void RemoveFactSet(TFactSet&) override {}
  std::string FactSetText(const TFactSet&) const override { return {}; }

  // IRuleEngine and IReteEngine
  IFactEngine* FactEngine() override { return this; }
  IFactTemplate GetFactTemplate(const std::string& name) override {
    IFactTemplate t = FindFactTemplate(name);
    if (!t) {
      t = TFactTemplate::CreateImplied(this, name);
      AddFactTemplate(t);
    }
    return t;
  }
  std::string GenSym(const std::string& prefix) override { return prefix + std::to_string(++sym_); }
  TIEContext* RootContext() override { return root_.get(); }
  IReasoner* FunctionTable() override { return nullptr; }
  int32_t NextRuleNumber() override { return ++rules_; }
  std::string PatternText(const TIEPattern&) override { return {}; }
  std::string RuleText(const TRule&) override { return {}; }
  std::unique_ptr<TRule> ParseRuleText(const std::string&) override { return nullptr; }
  void AddActivation(std::unique_ptr<TActivation> activation) override {
    agenda.push_back(std::move(activation));
  }
  std::unique_ptr<TActivation> RemoveActivation(TActivation& activation) override {
    for (auto it = agenda.rbegin(); it != agenda.rend(); ++it) {
      if (it->get() != &activation) continue;
      std::unique_ptr<TActivation> owned = std::move(*it);
      agenda.erase(std::next(it).base());
      return owned;
    }
    return nullptr;
  }
  void RuleFired(TActivation& activation) override { (void)RemoveActivation(activation); }
  void QueueFact(const IFact&, bool) override {}
  void ForEachFact(const std::function<void(const IFact&)>&) override {}
  IFact NotOrTestFact() override { return IFact(placeholder_.get()); }

  void Assert(const IFactRef& fact) {
    fact->SetID(nextFact_++);
    rete->AssertToken(TIEToken::Create(taAdd, IFact(fact.get())));
  }

  std::unique_ptr<TReteNetwork> rete;
  std::vector<std::unique_ptr<TActivation>> agenda;

 private:
  std::unique_ptr<TIEContext> root_;
  std::map<std::string, IFactTemplate> templates_;
  IFactRef placeholder_;
  int32_t nextFact_ = 0;
  int32_t sym_ = 0;
  int32_t rules_ = 0;
};

IFactTemplate Template(TBenchEngine& engine, const char* name) {
  IFactTemplate t = MakeRef<TFactTemplate>(&engine);
  t->SetName(name);
  t->AddSlot("k", NilValue());
  t->AddSlot("v", NilValue());
  engine.AddFactTemplate(t);
  return t;
}

// (a (k ?x)) (b (k ?x)) or, with NotEqual, (a (k ?x)) (b (k ~?x)).
void AddJoinRule(TBenchEngine& engine, const IFactTemplate& a, const IFactTemplate& b,
                 bool notEqual) {
  auto* rule = new TRule(&engine);
  auto p0 = std::make_unique<TIEPattern>(nullptr, 0, a, a->Name());
  p0->AddTest("k", TIEValue::MakeVariable("x"), true, false, -1);
  rule->AddPattern(std::move(p0));
  auto p1 = std::make_unique<TIEPattern>(nullptr, 0, b, b->Name());
  p1->AddTest("k", TIEValue::MakeVariable("x"), true, notEqual, -1);
  rule->AddPattern(std::move(p1));
  engine.rete->AddRule(*rule);
}

IFactRef Fact(const IFactTemplate& t, int32_t key) {
  IFactRef fact = MakeRef<TFact>(t);
  fact->SetSlotValue("k", TIEValue::MakeInteger(key));
  fact->SetSlotValue("v", TIEValue::MakeAtom("payload"));
  return fact;
}

void RunJoin(benchmark::State& state, bool notEqual) {
  const int32_t n = int32_t(state.range(0));
  size_t activations = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto engine = std::make_unique<TBenchEngine>();
    IFactTemplate a = Template(*engine, "a");
    IFactTemplate b = Template(*engine, "b");
    AddJoinRule(*engine, a, b, notEqual);
    std::vector<IFactRef> facts;
    facts.reserve(size_t(2 * n));
    // Equal keys pair a-i with b-i; the not-equal join gets one key for all,
    // so it scans everything and matches nothing.
    for (int32_t i = 0; i < n; ++i) facts.push_back(Fact(a, notEqual ? 0 : i));
    for (int32_t i = 0; i < n; ++i) facts.push_back(Fact(b, notEqual ? 0 : n - 1 - i));
    state.ResumeTiming();
    for (const IFactRef& fact : facts) engine->Assert(fact);
    state.PauseTiming();
    activations = engine->agenda.size();
    engine.reset();
    state.ResumeTiming();
  }
  state.counters["activations"] = double(activations);
  state.counters["facts"] = double(2 * n);
  state.counters["per_fact"] = benchmark::Counter(double(2 * n), benchmark::Counter::kIsIterationInvariantRate |
                                                                     benchmark::Counter::kInvert);
}

void BM_HashedJoin(benchmark::State& state) { RunJoin(state, false); }
void BM_ScanningJoin(benchmark::State& state) { RunJoin(state, true); }

}  // namespace

BENCHMARK(BM_HashedJoin)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanningJoin)->Arg(300)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
