// Throughput of the Rete network: two templates of N facts each joined on an
// equal slot value (the hashed join, where the time per fact should not grow
// with N), and the same facts joined by a not-equal test (no hash key: every
// arrival scans the other memory) for comparison.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "core/IEConsts.h"
#include "facts/IEFacts.h"
#include "facts/IERule.h"
#include "rete/ReteNetwork.h"
#include "support/FakeRuleEngine.h"

namespace {

// The smallest engine the network needs: the tests' stand-in rule engine
// (templates by name, a root context) and an agenda that only collects
// activations, newest last, searched from the end.
class TBenchEngine : public TFakeRuleEngine, public IReteEngine {
 public:
  TBenchEngine() {
    placeholder_ = MakeRef<TFact>(GetFactTemplate(SNotOrTestTemplate));
    placeholder_->SetID(-1);
    rete = std::make_unique<TReteNetwork>(this);
  }
  ~TBenchEngine() override {
    agenda.clear();
    rete.reset();
  }

  IFactTemplate GetFactTemplate(const std::string& name) override {
    return TFakeRuleEngine::GetFactTemplate(name);
  }
  TIEContext* RootContext() override { return TFakeRuleEngine::RootContext(); }
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
  IFactRef placeholder_;
  int32_t nextFact_ = 0;
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
