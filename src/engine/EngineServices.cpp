// The engine's side of the roles the built-in functions use
// (values/EngineRoles.h) that its other members do not implement already:
// each one forwards to the registries, the fact list and the stream table.
#include <memory>
#include <string>
#include <vector>

#include "core/IEConsts.h"
#include "engine/InferenceEngine.h"
#include "facts/IEFactSet.h"
#include "facts/IEFacts.h"
#include "facts/IERule.h"
#include "frontend/GStreams.h"
#include "frontend/IEStreamToken.h"
#include "functions/IEPackageComponents.h"

// ---- Working memory and the store-and-fetch storage.

int32_t TInferenceEngine::AssertFactValue(const IFact& fact) { return AssertFact(AsFactRef(fact)); }

void TInferenceEngine::RetractAllFacts() { facts_.Clear(); }  // then FactsCleared, through the list

IFact TInferenceEngine::FindFactById(int32_t id) { return IFact(facts_.FindById(id)); }

IFact TInferenceEngine::FactAt(int32_t index) const { return IFact(facts_.Get(index)); }

IIEValue TInferenceEngine::FetchValue(const std::string& key) {
  TRefCounted* stored = engineVariables_.Find(key);
  return stored ? IIEValue(static_cast<TIEValue*>(stored)) : IIEValue();
}

void TInferenceEngine::StoreValue(const std::string& key, const IIEValue& value) {
  engineVariables_.Put(key, value);
}

void TInferenceEngine::ClearStorage() { engineVariables_.Clear(); }

// ---- The construct registries.

std::vector<std::string> TInferenceEngine::TemplateNames() const {
  std::vector<std::string> names;
  for (const IFactTemplate& factTemplate : factTemplates_.Templates())
    names.push_back(factTemplate->Name());
  return names;
}

std::vector<std::string> TInferenceEngine::RuleNames() const {
  std::vector<std::string> names;
  for (const TRule* rule : rules_.Rules()) names.push_back(rule->RuleName());
  return names;
}

std::vector<std::string> TInferenceEngine::FactSetNames() const {
  std::vector<std::string> names;
  for (const TFactSet* factSet : factSets_) names.push_back(factSet->FactSetName());
  return names;
}

std::vector<std::string> TInferenceEngine::DeffunctionNames() const {
  std::vector<std::string> names;
  for (const IUserFunction& function : userFunctions_.Functions())
    names.push_back(function->FunctionName());
  return names;
}

TRule* TInferenceEngine::FindRuleByName(const std::string& name) { return rules_.Find(name); }

int32_t TInferenceEngine::RuleCount() const { return int32_t(rules_.Rules().size()); }

std::string TInferenceEngine::RulesText() const { return rules_.GetText(); }

bool TInferenceEngine::PrettyPrintFactSet(const std::string& name, std::string& text) {
  const int32_t index = factSets_.IndexOfName(name);
  if (index < 0) return false;
  text = FactSetText(*factSets_.Get(index));
  return true;
}

bool TInferenceEngine::PrettyPrintTemplate(const std::string& name, std::string& text) {
  const TFactTemplate* factTemplate = factTemplates_.Find(name);
  if (!factTemplate) return false;
  text = TemplateText(*factTemplate);
  return true;
}

bool TInferenceEngine::PrettyPrintRule(const std::string& name, std::string& text) {
  const TRule* rule = rules_.Find(name);
  if (!rule) return false;
  text = RuleText(*rule);
  return true;
}

std::string TInferenceEngine::PrettyPrintFunction(const std::string& name) {
  // The registry reports a missing function ("No such element: %s").
  const IUserFunction function = userFunctions_.Get(name);
  return UserFunctionText(*function);
}

void TInferenceEngine::UndefineFactSet(const std::string& name) {
  const int32_t index = factSets_.IndexOfName(name);
  if (index < 0) return;
  // A set the engine owns is freed (leaving the list on its way); another
  // one only leaves the engine, as on Clear.
  TFactSet* factSet = factSets_.Get(index);
  if (factSet->Owner() == this)
    RemoveComponent(factSet).reset();
  else
    factSet->SetEngine(nullptr);
}

void TInferenceEngine::UndefineFunction(const std::string& name) { userFunctions_.Remove(name); }

void TInferenceEngine::UndefineRule(const std::string& name) { rules_.Remove(name); }

void TInferenceEngine::UndefineTemplate(const std::string& name) { factTemplates_.Remove(name); }

void TInferenceEngine::DeclareBackwardChaining(const std::string& name) {
  IFactTemplate factTemplate = FindFactTemplate(name);
  if (!factTemplate) factTemplate = GetFactTemplate(name);
  factTemplate->SetBackwardChaining(true);
  IFactTemplate goal = MakeRef<TFactTemplate>(static_cast<IFactEngine*>(this), *factTemplate,
                                              std::string(SGoalSeekerComment) + name,
                                              std::string(SGoalPatternPrefix) + name);
  goal->SetParent(IFactTemplate());
  AddFactTemplate(goal);
}

// ---- The I/O streams.

bool TInferenceEngine::ReadTokenValue(const std::string& inId, IIEValue& value) {
  IStreamToken token;
  ReadToken(inId, token);
  if (!token || token->IsEnd()) return false;
  value = token->AsValue();
  return true;
}

std::unique_ptr<TStream> TInferenceEngine::OpenReadStream(const std::string& fileName,
                                                          uint16_t mode) {
  return CreateTokenizerStream(fileName, mode);
}

void TInferenceEngine::AddIOStream(const std::string& name, std::unique_ptr<TStream> stream) {
  std::unique_ptr<TGTextStream> text(dynamic_cast<TGTextStream*>(stream.get()));
  if (text)
    stream.release();
  else if (stream)
    text = std::make_unique<TGTextStream>(std::move(stream));
  ioStreams_->AddStream(name, std::move(text));
}

void TInferenceEngine::CloseIOStream(const std::string& name) { ioStreams_->RemoveStream(name); }

void TInferenceEngine::CloseAllIOStreams() { ioStreams_->Clear(); }
