// How TRuleMatches finds a rule's nodes and reads what they hold. The walk
// goes back from the terminal node along the edges the compiler made: a
// join's left input is the level before it, its right input the last
// single-fact check of its pattern (past the chained joins of a double
// negation, which take the join before them on their right input).
#include "packages/RuleMatches.h"

#include <algorithm>
#include <set>

#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "facts/IERule.h"
#include "facts/IESlotTest.h"
#include "frontend/IEMorelPrinter.h"

namespace {

bool IsVariableValue(const IIEValue& value) {
  return value && (value->DType() == dtVariable || value->DType() == dtMultiVariable);
}

bool SameValue(const IIEValue& a, const IIEValue& b) {
  if (!a || !b) return !a && !b;
  return a->Equals(b);
}

// The node sending to Node on input CallType, or none.
TReteNode* InputOf(const TReteNode* node, TCallType callType) {
  if (!node) return nullptr;
  for (const TGGraphEdge* edge : node->IncomingEdges()) {
    const auto* reteEdge = dynamic_cast<const TReteEdge*>(edge);
    if (reteEdge && reteEdge->CallType() == callType)
      return dynamic_cast<TReteNode*>(reteEdge->FromNode());
  }
  return nullptr;
}

std::vector<int32_t> IdsOf(const TIEToken& token) {
  std::vector<int32_t> ids;
  for (int32_t i = 0; i < token.Size(); ++i) {
    const TCustomFact* fact = token.FactAt(i);
    ids.push_back(fact ? fact->ID() : -1);
  }
  return ids;
}

void SortFacts(std::vector<IFact>& facts) {
  std::sort(facts.begin(), facts.end(), [](const IFact& a, const IFact& b) { return a->ID() < b->ID(); });
  facts.erase(std::unique(facts.begin(), facts.end(),
                          [](const IFact& a, const IFact& b) { return a->ID() == b->ID(); }),
              facts.end());
}

// One test as rule text: "(sex ~m)", or "value ~m" for an ordered pattern.
std::string StepText(const TIEPattern& pattern, int32_t slot, int32_t test,
                     const TIEMorelPrinter& printer) {
  const std::string text = printer.SlotConstraintText(pattern, slot, test);
  return pattern.SlotName(slot) == SImpliedSlotName ? "value " + text : text;
}

template <class F>
auto Guarded(F&& probe) -> decltype(probe()) {
  try {
    return probe();
  } catch (const EAbort&) {
    throw;
  } catch (const Exception&) {
    return {};
  }
}

// The tokens Node passes on for any of Tokens.
std::vector<TTokenRef> ProbeAll(TPatternMatchNode& node, const std::vector<TTokenRef>& tokens) {
  std::vector<TTokenRef> passed;
  for (const TTokenRef& token : tokens)
    for (TTokenRef& next : Guarded([&] { return node.Probe(token); })) passed.push_back(std::move(next));
  return passed;
}

}  // namespace

bool ProbeTest(TTestNode& node, size_t index, const TTokenRef& left, const IFact& right) {
  return Guarded([&] { return node.TestPasses(index, left, right); });
}

std::string MatchesPhrase(const std::vector<TTokenRef>& matches) {
  const bool single = std::all_of(matches.begin(), matches.end(), [](const TTokenRef& match) {
    return MatchIdsText(*match).find(',') == std::string::npos;
  });
  std::string text;
  for (const TTokenRef& match : matches) {
    if (!text.empty()) text += single ? ", " : " ";
    text += single ? MatchIdsText(*match) : "[" + MatchIdsText(*match) + "]";
  }
  return text;
}

std::string MatchIdsText(const TIEToken& token) {
  std::string text;
  for (int32_t id : IdsOf(token)) {
    if (id < 0) continue;
    if (!text.empty()) text += ", ";
    text += SFactIdPrefix + std::to_string(id);
  }
  return text;
}

bool TPatternLevel::IsTest() const { return Pattern && Pattern->IsTestPattern(); }
bool TPatternLevel::IsNegated() const { return Pattern && Pattern->NegatedCount() > 0; }

TRuleMatches::TRuleMatches(TReteNetwork& network, const TRule& rule)
    : network_(network), rule_(rule) {
  if (!FindNodes()) {
    terminal_ = nullptr;
    levels_.clear();
    return;
  }
  if (IReteEngine* engine = network_.Engine())
    engine->ForEachFact([&](const IFact& fact) { workingMemory_.push_back(fact); });
  TIEMorelPrinter printer;
  for (size_t i = 0; i < levels_.size(); ++i) {
    TPatternLevel& level = levels_[i];
    DescribeChain(level, printer);
    CollectFacts(level, i + 1 < levels_.size() ? &levels_[i + 1] : nullptr);
    CollectMatches(level, i > 0 ? &levels_[i - 1] : nullptr);
  }
}

bool TRuleMatches::FindNodes() {
  TPatternMatchTerminalNode* terminal = network_.TerminalNode(rule_);
  const int32_t count = rule_.Patterns().Count();
  if (!terminal || count == 0) return false;
  levels_.resize(size_t(count));
  std::vector<TReteNode*> lasts(size_t(count), nullptr);
  TReteNode* node = InputOf(terminal, ctActivate);
  for (int32_t i = count - 1; i >= 0; --i) {
    TPatternLevel& level = levels_[size_t(i)];
    level.Index = i;
    level.Pattern = rule_.Patterns().Get(i);
    level.Output = node;
    if (!node) return false;
    if (i == 0) {
      lasts[0] = node;
      break;
    }
    for (int32_t n = level.Pattern->NegatedCount(); n > 1 && node; --n) node = InputOf(node, ctRight);
    level.Join = dynamic_cast<TTestNode*>(node);
    if (!level.Join) return false;
    lasts[size_t(i)] = InputOf(node, ctRight);
    node = InputOf(node, ctLeft);
  }
  for (int32_t i = 0; i < count; ++i) {
    std::vector<TPatternMatchNode*> chain;
    for (TReteNode* step = lasts[size_t(i)]; step; step = InputOf(step, ctSingle)) {
      auto* check = dynamic_cast<TPatternMatchNode*>(step);
      if (!check) return false;
      chain.insert(chain.begin(), check);
    }
    if (chain.empty()) return false;
    levels_[size_t(i)].Chain = std::move(chain);
  }
  terminal_ = terminal;
  return true;
}

// The texts follow the order in which the compiler lays the checks down:
// the template, the multifield expansions, the length checks, the constant
// and predicate checks of single slots, then the tests between two uses of
// one variable within the pattern.
void TRuleMatches::DescribeChain(TPatternLevel& level, const TIEMorelPrinter& printer) const {
  const TIEPattern& pattern = *level.Pattern;
  std::vector<std::string> texts;
  texts.push_back(pattern.IsTestPattern() ? printer.PatternText(pattern) : "(" + pattern.Name() + ")");
  if (!pattern.IsTestPattern()) {
    const int32_t slots = pattern.SlotCount();
    for (int32_t s = 0; s < slots; ++s)
      for (int32_t t = 0; t < pattern.SlotTestCount(s); ++t) {
        const IIEValue& value = pattern.SlotTest(s, t)->SlotValue();
        if (value && value->DType() == dtMultiVariable) texts.push_back(printer.SlotConstraintText(pattern, s));
      }
    for (int32_t s = 0; s < slots; ++s)
      if (pattern.SlotLength(s) >= 0)
        texts.push_back("the length of " + (pattern.SlotName(s) == SImpliedSlotName
                                                ? printer.PatternText(pattern)
                                                : printer.SlotConstraintText(pattern, s)));
    for (int32_t s = 0; s < slots; ++s)
      for (int32_t t = 0; t < pattern.SlotTestCount(s); ++t) {
        const IIEValue& value = pattern.SlotTest(s, t)->SlotValue();
        if (!value || IsVariableValue(value)) continue;
        if (value->DType() == dtFunCall) {
          bool joined = true;
          try {
            joined = TReteNetwork::RefersToOtherPattern(
                TReteNetwork::ResolveVariables(value->AsFunCall(), rule_), level.Index);
          } catch (const EIEException&) {
          }
          if (joined) continue;
        }
        texts.push_back(StepText(pattern, s, t, printer));
      }
    std::set<std::string> handled;
    for (int32_t s = 0; s < slots; ++s)
      for (int32_t t = 0; t < pattern.SlotTestCount(s); ++t) {
        const TIEPatternMatchTest* first = pattern.SlotTest(s, t);
        const IIEValue& value = first->SlotValue();
        if (!IsVariableValue(value) || !handled.insert(value->AsString()).second) continue;
        for (int32_t s2 = s; s2 < slots; ++s2)
          for (int32_t u = s2 == s ? t + 1 : 0; u < pattern.SlotTestCount(s2); ++u) {
            const TIEPatternMatchTest* second = pattern.SlotTest(s2, u);
            if (!SameValue(second->SlotValue(), value)) continue;
            if (first->SlotTestType() == sttNotEquals && second->SlotTestType() == sttNotEquals) continue;
            texts.push_back(printer.SlotConstraintText(pattern, s, t) + " and " +
                            printer.SlotConstraintText(pattern, s2, u) + " together");
          }
      }
  }
  // A chain that does not follow that order (it should not happen) is
  // described by the whole pattern at every step.
  if (texts.size() != level.Chain.size())
    texts.assign(level.Chain.size(), printer.PatternText(pattern));
  level.StepTexts = std::move(texts);
}

// The facts of a level come from the right memory of its join, which holds
// the facts of its pattern (the first join of a double negation takes them;
// the chained ones take partial matches). The first pattern has no join of
// its own: its matches are the tokens in the left memory of the join after
// it, or, without one, those its checks pass for working memory.
void TRuleMatches::CollectFacts(TPatternLevel& level, const TPatternLevel* next) const {
  if (level.IsTest()) return;
  auto* join = dynamic_cast<TJoinNode*>(level.Join);
  auto* nextJoin = next ? dynamic_cast<TJoinNode*>(next->Join) : nullptr;
  if (join && join->RightMemory() && !join->ChainedNegation()) {
    join->RightMemory()->ForEach([&](const TTokenRef& token) {
      if (token->Fact()) level.Facts.push_back(IFact(token->Fact().get()));
      return true;
    });
  } else if (!level.Join && nextJoin && nextJoin->LeftMemory()) {
    nextJoin->LeftMemory()->ForEach([&](const TTokenRef& token) {
      level.Matches.push_back(token);
      if (token->Fact()) level.Facts.push_back(IFact(token->Fact().get()));
      return true;
    });
  } else {
    for (const IFact& fact : workingMemory_) {
      std::vector<TTokenRef> tokens{TIEToken::Create(taUpdate, fact)};
      for (size_t i = 0; i < level.Chain.size() && !tokens.empty(); ++i)
        tokens = ProbeAll(*level.Chain[i], tokens);
      if (!tokens.empty()) level.Facts.push_back(fact);
      if (!level.Join) level.Matches.insert(level.Matches.end(), tokens.begin(), tokens.end());
    }
  }
  SortFacts(level.Facts);
}

void TRuleMatches::CollectMatches(TPatternLevel& level, const TPatternLevel* previous) const {
  if (!previous) {
    // The first pattern's matches came with its facts.
  } else if (auto* join = dynamic_cast<TJoinNode*>(level.Output)) {
    level.Matches = join->CurrentMatches();
  } else if (level.Join) {
    // A test element keeps no memory: its tests are asked for each match
    // of the level before.
    for (const TTokenRef& match : previous->Matches) {
      bool passes = true;
      for (size_t t = 0; passes && t < level.Join->Tests().size(); ++t)
        passes = ProbeTest(*level.Join, t, match, nullptr);
      if (passes) level.Matches.push_back(TIEToken::Extend(match, level.Join->PlaceholderFact()));
    }
  }
  std::stable_sort(level.Matches.begin(), level.Matches.end(),
                   [](const TTokenRef& a, const TTokenRef& b) { return IdsOf(*a) < IdsOf(*b); });
}

std::vector<IFact> TRuleMatches::Candidates(const TPatternLevel& level) const {
  std::vector<IFact> facts;
  if (level.IsTest() || level.Chain.empty()) return facts;
  for (const IFact& fact : workingMemory_)
    if (!ProbeAll(*level.Chain.front(), {TIEToken::Create(taUpdate, fact)}).empty())
      facts.push_back(fact);
  SortFacts(facts);
  return facts;
}

std::vector<IFact> TRuleMatches::Blockers(const TPatternLevel& level, const TTokenRef& left) const {
  std::vector<IFact> blockers;
  if (!level.Join) return blockers;
  for (const IFact& fact : level.Facts) {
    bool passes = true;
    for (size_t t = 0; passes && t < level.Join->Tests().size(); ++t)
      passes = ProbeTest(*level.Join, t, left, fact);
    if (passes) blockers.push_back(fact);
  }
  return blockers;
}

std::vector<size_t> TRuleMatches::FailedSteps(const TPatternLevel& level, const IFact& fact) const {
  // A failed check lets the tokens before it on to the next, so that every
  // check the fact fails is counted.
  std::vector<size_t> failed;
  std::vector<TTokenRef> tokens{TIEToken::Create(taUpdate, fact)};
  for (size_t i = 0; i < level.Chain.size(); ++i) {
    std::vector<TTokenRef> passed = ProbeAll(*level.Chain[i], tokens);
    if (passed.empty()) failed.push_back(i);
    else tokens = std::move(passed);
  }
  return failed;
}
