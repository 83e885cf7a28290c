// Throughput of the rule-language front end on a generated text of about 10 MB
// of facts: tokenizing alone, and parsing the facts (LoadFacts) into an engine
// stand-in that counts them.
#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "facts/IEFacts.h"
#include "frontend/IEMorelParser.h"
#include "frontend/IEMorelStream.h"
#include "values/IEContext.h"

namespace {

// Ordered facts and facts of one named-slot template, with atoms, strings,
// integers, floats, comments and line ends.
const std::string& FactText() {
  static const std::string text = [] {
    std::string out;
    out.reserve(10'500'000);
    for (int i = 0; out.size() < 10'000'000; ++i) {
      out += "(person (name \"Person ";
      out += std::to_string(i);
      out += "\") (age ";
      out += std::to_string(i % 90);
      out += ") (weight ";
      out += std::to_string(50 + i % 40);
      out += ".5) (tags friend colleague))\r\n";
      out += "(edge n";
      out += std::to_string(i);
      out += " n";
      out += std::to_string(i + 1);
      out += " -12 3.25e2 some-atom) ; an edge\r\n";
    }
    return out;
  }();
  return text;
}

// Counts the facts it is given; templates by name.
class TCountingEngine : public IParserEngine, public IFactEngine, public ISymbolGenerator {
 public:
  TCountingEngine() {
    person_ = MakeRef<TFactTemplate>(this);
    person_->SetName("person");
    person_->AddSlot("name", TIEValue::MakeString(""));
    person_->AddSlot("age", TIEValue::MakeInteger(0));
    person_->AddSlot("weight", TIEValue::MakeFloat(0));
    person_->AddMultiSlot("tags", EmptyList());
    templates_["person"] = person_;
  }
  virtual ~TCountingEngine() = default;

  std::string GenSym(const std::string& prefix) override { return prefix + std::to_string(++symbols_); }
  ISymbolGenerator* SymbolGenerator() override { return this; }
  IReasoner* FunctionTable() override { return nullptr; }
  IFactEngine* FactEngine() override { return this; }
  TIEContext* RootContext() override { return &context_; }
  void PrintOut(const std::string&, const std::string&) override {}

  int32_t NextFactNumber() const override { return facts; }
  bool DynamicTypeCheck() const override { return false; }
  void TemplateRenaming(TFactTemplate&, const std::string&, const std::string&) override {}
  IFactTemplate FindFactTemplate(const std::string& name) override {
    auto it = templates_.find(name);
    return it == templates_.end() ? IFactTemplate() : it->second;
  }
  void AddFactTemplate(const IFactTemplate& factTemplate) override {
    templates_[factTemplate->Name()] = factTemplate;
  }
  IFactRef ParseFact(const std::string&) override { return nullptr; }
  int32_t AssertFact(const IFactRef&) override { return facts++; }
  void AddFactSet(TFactSet&) override {}
  void RemoveFactSet(TFactSet&) override {}
  std::string FactSetText(const TFactSet&) const override { return std::string(); }

  int32_t facts = 0;

 private:
  IFactTemplate person_;
  std::map<std::string, IFactTemplate> templates_;
  TIEContext context_;
  int32_t symbols_ = 0;
};

void BM_Tokenize(benchmark::State& state) {
  const std::string& text = FactText();
  int64_t tokens = 0;
  for (auto _ : state) {
    auto stream = TIEMorelStream::CreateFromText(text);
    for (;;) {
      IStreamToken token = stream->NextToken();
      ++tokens;
      if (token->IsEnd()) break;
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  state.counters["tokens"] = benchmark::Counter(double(tokens), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Tokenize)->Unit(benchmark::kMillisecond);

void BM_LoadFacts(benchmark::State& state) {
  const std::string& text = FactText();
  int64_t facts = 0;
  for (auto _ : state) {
    TCountingEngine engine;
    auto stream = TIEMorelStream::CreateFromText(text);
    TIEMorelParser parser(&engine, stream.get());
    parser.LoadFacts();
    facts += engine.facts;
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  state.counters["facts"] = benchmark::Counter(double(facts), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadFacts)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
