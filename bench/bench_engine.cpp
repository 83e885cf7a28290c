// Loading generated rule programs of 250, 500 and 1000 rules into an engine:
// the time of Evaluate (parsing and compiling into the network) and the bytes
// allocated meanwhile, counted by a replaced operator new. The rules share a
// few templates and vary their patterns (constants, variables joined across
// patterns, not, test), so the network shares some nodes and not others.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "engine/InferenceEngine.h"

namespace {

std::atomic<int64_t> allocatedBytes{0};

std::string Program(int rules) {
  std::string text =
      "(deftemplate order (slot id) (slot item) (slot qty))\r\n"
      "(deftemplate stock (slot item) (slot count))\r\n"
      "(deftemplate flag (slot name))\r\n";
  for (int i = 0; i < rules; ++i) {
    const std::string n = std::to_string(i);
    text += "(defrule r" + n + " (declare (salience " + std::to_string(i % 7) + "))\r\n";
    switch (i % 4) {
      case 0:
        text += "  (order (item i" + n + ") (qty ?q))\r\n";
        break;
      case 1:
        text += "  (order (item ?it) (qty ?q)) (stock (item ?it) (count " + n + "))\r\n";
        break;
      case 2:
        text += "  (order (id ?d) (item ?it)) (not (flag (name f" + n + ")))\r\n";
        break;
      default:
        text += "  (stock (item ?it) (count ?c)) (test (> ?c " + n + "))\r\n";
        break;
    }
    text += "  => (assert (flag (name done" + n + "))))\r\n";
  }
  return text;
}

void BM_LoadRules(benchmark::State& state) {
  const std::string text = Program(int(state.range(0)));
  int64_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto engine = std::make_unique<TInferenceEngine>();
    engine->SetPackages({});
    const int64_t before = allocatedBytes.load();
    state.ResumeTiming();
    engine->Evaluate(text);
    state.PauseTiming();
    bytes = allocatedBytes.load() - before;
    engine.reset();
    state.ResumeTiming();
  }
  state.counters["rules"] = double(state.range(0));
  state.counters["alloc_bytes"] = double(bytes);
  state.counters["bytes_per_rule"] = double(bytes) / double(state.range(0));
}
BENCHMARK(BM_LoadRules)->Arg(250)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

// Counting every allocation of the process (only differences are reported).
void* operator new(std::size_t size) {
  allocatedBytes.fetch_add(int64_t(size), std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
// The replaced operator new takes its blocks from malloc, so free is the right
// way back; the compiler cannot see that pairing through the replacement.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

BENCHMARK_MAIN();
