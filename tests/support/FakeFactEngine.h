// A stand-in for the engine behind the facts' engine seam: a fact counter, the
// dynamic type check switch, a template registry by name and a fact "parser"
// that reads ordered facts "(name a b ...)" of atoms.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/IEConsts.h"
#include "facts/IEFacts.h"

class TFakeFactEngine : public IFactEngine {
 public:

  int32_t NextFactNumber() const override { return nextFact; }
  bool DynamicTypeCheck() const override { return dynamicChecks; }
  void TemplateRenaming(TFactTemplate&, const std::string& oldName,
                        const std::string& newName) override {
    renames.push_back(oldName + "->" + newName);
  }
  IFactTemplate FindFactTemplate(const std::string& name) override {
    auto it = templates.find(name);
    return it == templates.end() ? IFactTemplate() : it->second;
  }
  void AddFactTemplate(const IFactTemplate& factTemplate) override {
    templates[factTemplate->Name()] = factTemplate;
  }
  // Ordered facts only: "(name a b)" (a trailing CR LF is ignored).
  IFactRef ParseFact(const std::string& text) override {
    ++parses;
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
      if (c == '(' || c == ')' || c == ' ' || c == '\r' || c == '\n') {
        if (!word.empty()) words.push_back(word);
        word.clear();
      } else {
        word += c;
      }
    }
    if (words.empty()) return nullptr;
    IFactTemplate factTemplate = FindFactTemplate(words[0]);
    if (!factTemplate) {
      factTemplate = TFactTemplate::CreateImplied(this, words[0]);
      AddFactTemplate(factTemplate);
    }
    IValueVector list = MakeRef<TValueVector>();
    for (size_t i = 1; i < words.size(); ++i) list->Add(TIEValue::MakeAtom(words[i]));
    IFactRef fact = MakeRef<TFact>(factTemplate);
    fact->SetSlotValue(SImpliedSlotName, TIEValue::MakeList(list));
    return fact;
  }
  int32_t AssertFact(const IFactRef& fact) override {
    fact->SetID(nextFact++);
    asserted.push_back(fact);
    return fact->ID();
  }
  void AddFactSet(TFactSet& factSet) override { factSets.push_back(&factSet); }
  void RemoveFactSet(TFactSet& factSet) override { std::erase(factSets, &factSet); }
  std::string FactSetText(const TFactSet&) const override { return "<fact set>"; }

  int32_t nextFact = 0;
  bool dynamicChecks = false;
  int parses = 0;
  std::vector<std::string> renames;
  std::map<std::string, IFactTemplate> templates;
  std::vector<IFactRef> asserted;
  std::vector<TFactSet*> factSets;
};
