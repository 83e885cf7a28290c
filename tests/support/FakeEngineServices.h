// Test double: an engine made of the roles alone (values/EngineRoles.h). It
// records every call it gets as one line of `calls`, keeps what it is told to
// keep (storage, settings, printed text) and answers with the canned values
// its public members hold. It is no engine: nothing is parsed or run.
// Ownership: owns what it records; not thread-safe.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/Streams.h"
#include "values/EngineRoles.h"

class TFakeEngineServices : public IEngineServices {
 public:
  // ---- IWorkingMemory
  int32_t AssertFactValue(const IFact& fact) override {
    Record("AssertFactValue " + (fact ? fact->AsText() : std::string("<none>")));
    return nextFactId;
  }
  int32_t AssertString(const std::string& text) override {
    Record("AssertString " + text);
    return nextFactId;
  }
  void RetractById(int32_t id) override { Record("RetractById " + std::to_string(id)); }
  void RetractSame(const TCustomFact* fact) override {
    Record("RetractSame " + (fact ? fact->AsText() : std::string("<none>")));
  }
  void RetractString(const std::string& text) override { Record("RetractString " + text); }
  void RetractAllFacts() override { Record("RetractAllFacts"); }
  IFact FindFactById(int32_t id) override {
    Record("FindFactById " + std::to_string(id));
    return IFact();
  }
  int32_t FactCount() const noexcept override { return 0; }
  IFact FactAt(int32_t) const override { return IFact(); }
  bool FactDuplication() const noexcept override { return factDuplication; }
  void SetFactDuplication(bool value) noexcept override { factDuplication = value; }
  IIEValue FetchValue(const std::string& key) override {
    auto found = storage.find(key);
    return found == storage.end() ? IIEValue() : found->second;
  }
  void StoreValue(const std::string& key, const IIEValue& value) override { storage[key] = value; }
  void ClearStorage() override { storage.clear(); }

  // ---- IAgendaControl
  int32_t Run(int32_t limit = 2147483647) override {
    Record("Run " + std::to_string(limit));
    return fired;
  }
  bool Halted() const noexcept override { return halted; }
  void SetHalted(bool value) noexcept override { halted = value; }
  int32_t AgendaCount() const noexcept override { return int32_t(agenda.size()); }
  const std::string& AgendaText(int32_t index) const override { return agenda.at(size_t(index)); }

  // ---- IConstructRegistries
  std::vector<std::string> TemplateNames() const override { return templates; }
  std::vector<std::string> RuleNames() const override { return rules; }
  std::vector<std::string> FactSetNames() const override { return {}; }
  std::vector<std::string> DeffunctionNames() const override { return {}; }
  int32_t RuleCount() const override { return int32_t(rules.size()); }
  std::string RulesText() const override { return std::string(); }
  bool PrettyPrintFactSet(const std::string&, std::string&) override { return false; }
  bool PrettyPrintTemplate(const std::string&, std::string&) override { return false; }
  bool PrettyPrintRule(const std::string& name, std::string& text) override {
    if (name != "known") return false;
    text = "(defrule known => )";
    return true;
  }
  std::string PrettyPrintFunction(const std::string& name) override { return "fn " + name; }
  void UndefineFactSet(const std::string& name) override { Record("UndefineFactSet " + name); }
  void UndefineFunction(const std::string& name) override { Record("UndefineFunction " + name); }
  void UndefineRule(const std::string& name) override { Record("UndefineRule " + name); }
  void UndefineTemplate(const std::string& name) override { Record("UndefineTemplate " + name); }
  void DeclareBackwardChaining(const std::string& name) override {
    Record("DeclareBackwardChaining " + name);
  }

  // ---- IEngineStreams
  using IEngineStreams::PrintOut;
  void PrintOut(const std::string& outId, const std::string& text) override {
    printed += "[" + outId + "]" + text;
  }
  bool ReadTokenValue(const std::string& inId, IIEValue& value) override {
    Record("ReadTokenValue " + inId);
    if (!nextToken) return false;
    value = nextToken;
    return true;
  }
  void ReadLine(const std::string& inId, std::string& text) override {
    Record("ReadLine " + inId);
    text = nextLine;
  }
  std::unique_ptr<TStream> OpenReadStream(const std::string& fileName, uint16_t) override {
    Record("OpenReadStream " + fileName);
    return std::make_unique<TStringStream>(std::string());
  }
  void AddIOStream(const std::string& name, std::unique_ptr<TStream>) override {
    Record("AddIOStream " + name);
  }
  void CloseIOStream(const std::string& name) override { Record("CloseIOStream " + name); }
  void CloseAllIOStreams() override { Record("CloseAllIOStreams"); }
  void SaveToFile(const std::string& fileName) override { Record("SaveToFile " + fileName); }
  void LoadFactsFromFile(const std::string& fileName) override {
    Record("LoadFactsFromFile " + fileName);
  }
  void SaveFactsToFile(const std::string& fileName) override {
    Record("SaveFactsToFile " + fileName);
  }
  void SaveFactsOfTemplate(TStream&, const std::string& templateName) override {
    Record("SaveFactsOfTemplate " + templateName);
  }
  bool BatchFile(const std::string& fileName) override {
    Record("BatchFile " + fileName);
    return true;
  }
  bool DribbleOnFile(const std::string& fileName) override {
    Record("DribbleOnFile " + fileName);
    return true;
  }
  bool DribbleOff() override {
    Record("DribbleOff");
    return false;
  }

  // ---- IEngineSettings
  TConstructWatches Watch() const noexcept override { return watch; }
  void SetWatch(TConstructWatches value) noexcept override { watch = value; }
  TTypeChecks TypeChecks() const noexcept override { return typeChecks; }
  void SetTypeChecks(TTypeChecks value) noexcept override { typeChecks = value; }
  bool ResetGlobals() const noexcept override { return resetGlobals; }
  void SetResetGlobals(bool value) noexcept override { resetGlobals = value; }
  int32_t SymbolIndex() const noexcept override { return symbolIndex; }
  void SetSymbolIndex(int32_t value) noexcept override { symbolIndex = value; }
  std::string GenSym(const std::string& prefix) override {
    return prefix + std::to_string(symbolIndex++);
  }
  void LoadFromFile(const std::string& fileName) override { Record("LoadFromFile " + fileName); }
  void Clear() override { Record("Clear"); }
  void Reset() override { Record("Reset"); }

  TComponent* EngineComponent() noexcept override { return nullptr; }

  // The calls in order, one line each, and the text printed ("[outId]text").
  std::vector<std::string> calls;
  std::string printed;
  // Canned answers and kept state.
  int32_t nextFactId = 7;
  int32_t fired = 0;
  IIEValue nextToken;
  std::string nextLine;
  std::vector<std::string> agenda, rules, templates;
  std::map<std::string, IIEValue> storage;
  bool factDuplication = false;
  bool halted = false;
  bool resetGlobals = true;
  int32_t symbolIndex = 1;
  TConstructWatches watch;
  TTypeChecks typeChecks;

 private:
  void Record(std::string line) { calls.push_back(std::move(line)); }
};
