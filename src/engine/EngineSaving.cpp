// The engine as a whole in text: the save text (GetText and the streams and
// files it goes to), the loads that clear first, the template and rule
// texts on their own, and Assign from another engine.
#include <memory>
#include <vector>

#include "core/IEConsts.h"
#include "core/Streams.h"
#include "engine/InferenceEngine.h"
#include "facts/IEFactSet.h"
#include "facts/IERule.h"

// ---------------------------------------------------------------------------
// Loading after a clear

void TInferenceEngine::ClearAndLoadFromStream(TStream& stream) {
  Clear();
  LoadFromStream(stream);
}

void TInferenceEngine::SetText(const std::string& text) {
  Clear();
  Evaluate(text);
  Reset();
}

void TInferenceEngine::LoadRulesFromStream(TStream& stream) {
  rules_.Clear();
  LoadFromStream(stream);
}

// ---------------------------------------------------------------------------
// The save text

std::string TInferenceEngine::GetText() {
  std::string text;
  text += SSaveRuler;
  text += SSaveTemplatesHeader;
  text += factTemplates_.GetText();

  // Each deffunction's text comes with the line break before it.
  text += "\r\n";
  text += SSaveRuler;
  text += SSaveDeffunctionsHeader;
  text += userFunctions_.GetText();

  text += "\r\n";
  text += SSaveRuler;
  text += SSaveRulesHeader;
  text += rules_.GetText();

  text += "\r\n";
  text += SSaveRuler;
  text += SSaveFactSetsHeader;
  text += factSets_.GetText();

  if (facts_.Count() > 0) {
    // One command that asserts the facts again when the text is read.
    text += "\r\n";
    text += SSaveRuler;
    text += SSaveFactsHeader;
    text += SSaveAssertOpen;
    for (const IFactRef& fact : facts_) {
      text += SSaveFactIndent;
      text += fact->AsText();
      text += "\r\n";
    }
    text += SSaveAssertClose;
  }

  if (!globalVariables_.IsEmpty()) {
    text += "\r\n";
    text += SSaveRuler;
    text += SSaveGlobalsHeader;
    text += parser_->GlobalsText(globalVariables_);
  }
  return text;
}

void TInferenceEngine::SaveToStream(TStream& stream) { stream.WriteText(GetText()); }

void TInferenceEngine::SaveToFile(const std::string& fileName) {
  // The text is made first: a failing text leaves an existing file as it was.
  const std::string text = GetText();
  TFileStream file(fileName, fmCreate);
  file.WriteText(text);
}

void TInferenceEngine::SaveFactTemplatesToStream(TStream& stream) {
  stream.WriteText(factTemplates_.GetText());
}

void TInferenceEngine::SaveRulesToStream(TStream& stream) { stream.WriteText(rules_.GetText()); }

// ---------------------------------------------------------------------------
// Assign

void TInferenceEngine::Assign(const TPersistent* source) {
  auto* other = const_cast<TInferenceEngine*>(dynamic_cast<const TInferenceEngine*>(source));
  if (!other) {
    TComponent::Assign(source);
    return;
  }
  if (other == this) return;
  Clear();
  SetStrategy(other->strategy_);
  SetFactDuplication(other->factDuplication_);
  SetDuplicateConstructs(other->duplicateConstructs_);
  SetTypeChecks(other->typeChecks_);
  SetParserMaxErrors(other->parserMaxErrors_);
  SetParserErrorHandling(other->parserErrorHandling_);
  SetWatch(other->watch_);
  SetResetGlobals(other->resetGlobals_);
  // The initial-fact pattern and the not/or/test placeholder stay this
  // engine's own (made by Clear on this engine's implied templates).
  userFunctions_.Assign(&other->userFunctions_);
  factTemplates_.Assign(&other->factTemplates_);
  engineVariables_.Assign(&other->engineVariables_);
  globalVariables_.Assign(&other->globalVariables_);
  // Each fact set is copied as this engine's own, its lines read by this
  // engine's parser (so its facts are of this engine's templates).
  for (TFactSet* theirs : std::vector<TFactSet*>(other->factSets_.begin(), other->factSets_.end())) {
    std::unique_ptr<TFactSet> mine = CreateFactSet();
    mine->SetFactSetName(theirs->FactSetName());
    mine->SetComment(theirs->Comment());
    mine->SetFacts(theirs->Facts());
    RegisterFactSet(std::move(mine));
  }
  facts_.Assign(&other->facts_);
  rules_.Assign(&other->rules_);
}
