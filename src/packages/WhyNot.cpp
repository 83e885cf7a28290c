// why-not's reasoning: the levels of a rule are walked in order and the first
// one whose matches run out is explained:
//   no fact matches pattern 2 (guest (sex f))
//     nearest: f-3 (guest (name b) (sex m)) fails (sex f)
//   patterns 1 and 2 match, but their join fails on ?h: f-1 has hobby a, f-2 has hobby b
//   blocked by f-4 in pattern 2 (not (guest (sex f)))
//   the test (test (> ?a 3)) of pattern 3 fails for f-1, f-2
// A rule whose every level holds matches is activated, or has fired on all
// of them.
#include <algorithm>

#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "facts/IERule.h"
#include "facts/IESlotTest.h"
#include "frontend/IEMorelPrinter.h"
#include "packages/DiagnosticsMatches.h"
#include "packages/RuleMatches.h"

namespace {

// Pairs a failing join is searched through for its nearest miss, at most.
constexpr size_t MaxPairs = 100000;

std::string Number(const TPatternLevel& level) { return std::to_string(level.Index + 1); }

std::string FactId(const TCustomFact* fact) {
  return fact ? SFactIdPrefix + std::to_string(fact->ID()) : std::string("no fact");
}

// "hobby h1", or the value alone for an ordered fact's values.
std::string SlotPhrase(const std::string& slot, const IIEValue& value, const TIEMorelPrinter& printer) {
  std::string text = value ? printer.ValueText(value.get()) : std::string("nothing");
  return slot == SImpliedSlotName ? text : slot + " " + text;
}

std::string Plural(size_t count, const char* word) {
  const std::string text = std::to_string(count) + " " + word;
  if (count == 1) return text;
  return text + (text.back() == 'h' ? "es" : "s");
}

// ---------------------------------------------------------------- no fact

std::string NoFactText(const TRuleMatches& matches, const TPatternLevel& level,
                       const TIEMorelPrinter& printer) {
  std::string text = "no fact matches pattern " + Number(level) + " " +
                     printer.PatternText(*level.Pattern) + "\r\n";
  const std::vector<IFact> candidates = matches.Candidates(level);
  if (candidates.empty()) {
    // The initial fact, which a rule opening with not, exists or test waits
    // for, comes only with a reset.
    const bool initial = level.Pattern->Name() == SInitialFactTemplate;
    return text + "  there is no " + level.Pattern->Name() + " fact" +
           (initial ? " (reset asserts it)" : "") + "\r\n";
  }
  // The candidate failing the fewest checks, the oldest among equals.
  size_t best = 0;
  std::vector<size_t> bestFailed;
  for (size_t i = 0; i < candidates.size(); ++i) {
    std::vector<size_t> failed = matches.FailedSteps(level, candidates[i]);
    if (i == 0 || failed.size() < bestFailed.size()) {
      best = i;
      bestFailed = std::move(failed);
    }
  }
  const auto* fact = dynamic_cast<const TFact*>(candidates[best].get());
  text += "  nearest: " + (fact ? fact->IndexedText() : FactId(candidates[best].get()));
  if (bestFailed.empty()) return text + "\r\n";
  text += " fails ";
  for (size_t i = 0; i < bestFailed.size(); ++i) {
    if (i > 0) text += i + 1 == bestFailed.size() ? " and " : ", ";
    text += level.StepTexts[bestFailed[i]];
  }
  return text + "\r\n";
}

// ---------------------------------------------------------------- join

// What join test Index of Level compares: "?h", "~?s" or a predicate
// constraint "(age :(> ?a ?b))".
std::string JoinTestName(const TRule& rule, const TPatternLevel& level, size_t index,
                         const TIEMorelPrinter& printer) {
  const TIEPattern& pattern = *level.Pattern;
  const auto& tests = level.Join->Tests();
  if (const TIEJoinTest* compare = tests[index]->AsJoinTest()) {
    const int32_t slot = pattern.IndexOfSlot(compare->RightIndex());
    for (int32_t t = 0; slot >= 0 && t < pattern.SlotTestCount(slot); ++t) {
      const TIEPatternMatchTest& test = *pattern.SlotTest(slot, t);
      const IIEValue& value = test.SlotValue();
      if (!value || (value->DType() != dtVariable && value->DType() != dtMultiVariable)) continue;
      const TBinding* binding = rule.FindRuleBinding(value->AsString());
      if (!binding || binding->FactIndex() != compare->TokenIndex() ||
          test.MultiSlotSubIndex() != compare->RightSubIndex())
        continue;
      return (test.SlotTestType() == sttNotEquals ? "~" : "") + printer.ValueText(value.get());
    }
    return compare->RightIndex();
  }
  // The other tests are predicate constraints that refer to earlier
  // patterns, kept in the order of the pattern's slots.
  size_t call = 0;
  for (size_t k = 0; k < index; ++k)
    if (!tests[k]->AsJoinTest()) ++call;
  for (int32_t s = 0; s < pattern.SlotCount(); ++s)
    for (int32_t t = 0; t < pattern.SlotTestCount(s); ++t) {
      const IIEValue& value = pattern.SlotTest(s, t)->SlotValue();
      if (!value || value->DType() != dtFunCall) continue;
      bool joined = false;
      try {
        joined = TReteNetwork::RefersToOtherPattern(
            TReteNetwork::ResolveVariables(value->AsFunCall(), rule), level.Index);
      } catch (const EIEException&) {
      }
      if (joined && call-- == 0) return printer.SlotConstraintText(pattern, s, t);
    }
  return printer.PatternText(pattern);
}

// The values join test Index compares for Left and Right: "f-1 has hobby
// h1, f-9 has hobby h2"; a predicate names the two facts only.
std::string JoinTestValues(const TPatternLevel& level, size_t index, const TTokenRef& left,
                           const IFact& right, const TIEMorelPrinter& printer) {
  if (const TIEJoinTest* compare = level.Join->Tests()[index]->AsJoinTest()) {
    TCustomFact* leftFact = left->FactAt(compare->TokenIndex());
    return FactId(leftFact) + " has " +
           SlotPhrase(compare->LeftIndex(), SlotValueOf(leftFact, compare->LeftIndex(), compare->LeftSubIndex()), printer) +
           ", " + FactId(right.get()) + " has " +
           SlotPhrase(compare->RightIndex(), SlotValueOf(right.get(), compare->RightIndex(), compare->RightSubIndex()), printer);
  }
  return MatchesPhrase({left}) + " with " + FactId(right.get());
}

std::string JoinText(const TRuleMatches& matches, const TPatternLevel& level,
                     const TPatternLevel& previous, const TIEMorelPrinter& printer) {
  const std::string before = previous.Index == 0 ? "1" : "1-" + Number(previous);
  std::string text = "patterns " + before + " and " + Number(level) + " match, but their join fails";
  // The nearest miss: the pair failing the fewest tests, the first among equals.
  const size_t count = level.Join->Tests().size();
  size_t pairs = 0;
  std::vector<size_t> bestFailed;
  const TTokenRef* bestLeft = nullptr;
  const IFact* bestRight = nullptr;
  for (const TTokenRef& left : previous.Matches) {
    for (const IFact& right : level.Facts) {
      if (++pairs > MaxPairs) break;
      std::vector<size_t> failed;
      for (size_t t = 0; t < count; ++t)
        if (!ProbeTest(*level.Join, t, left, right)) failed.push_back(t);
      if (failed.empty()) continue;
      if (!bestLeft || failed.size() < bestFailed.size()) {
        bestFailed = std::move(failed);
        bestLeft = &left;
        bestRight = &right;
      }
    }
    if (pairs > MaxPairs || bestFailed.size() == 1) break;
  }
  if (!bestLeft) return text + "\r\n";
  const size_t first = bestFailed.front();
  text += " on " + JoinTestName(matches.Rule(), level, first, printer) + ": " +
          JoinTestValues(level, first, *bestLeft, *bestRight, printer);
  if (bestFailed.size() > 1) text += " (and " + Plural(bestFailed.size() - 1, "more test") + ")";
  return text + "\r\n";
}

// ---------------------------------------------------------------- negation, test

std::string BlockedText(const TRuleMatches& matches, const TPatternLevel& level,
                        const TPatternLevel& previous, const TIEMorelPrinter& printer) {
  std::vector<IFact> blockers;
  for (const TTokenRef& left : previous.Matches)
    for (const IFact& fact : matches.Blockers(level, left))
      if (std::none_of(blockers.begin(), blockers.end(),
                       [&](const IFact& known) { return known->ID() == fact->ID(); }))
        blockers.push_back(fact);
  std::sort(blockers.begin(), blockers.end(),
            [](const IFact& a, const IFact& b) { return a->ID() < b->ID(); });
  std::string ids;
  for (const IFact& fact : blockers) ids += (ids.empty() ? "" : ", ") + FactId(fact.get());
  return "blocked by " + ids + " in pattern " + Number(level) + " " +
         printer.PatternText(*level.Pattern) + "\r\n";
}

std::string TestFailsText(const TPatternLevel& level, const TPatternLevel& previous,
                          const TIEMorelPrinter& printer) {
  return "the test " + printer.PatternText(*level.Pattern) + " of pattern " + Number(level) +
         " fails for " + MatchesPhrase(previous.Matches) + "\r\n";
}

std::string MatchedText(const TRuleMatches& matches) {
  const std::string& name = matches.Rule().RuleName();
  const size_t active = size_t(matches.Terminal()->ActivationCount());
  if (active > 0) return "rule " + name + " is activated: " + Plural(active, "activation") + "\r\n";
  const size_t complete = matches.Levels().back().Matches.size();
  return "rule " + name + " has " + Plural(complete, "match") + " and has fired on " +
         (complete == 1 ? "it" : "all of them") + ": no activation is left\r\n";
}

}  // namespace

std::string WhyNotText(const TRuleMatches& matches) {
  if (!matches.Compiled()) return "rule " + matches.Rule().RuleName() + " is not in the network\r\n";
  TIEMorelPrinter printer;
  const auto& levels = matches.Levels();
  for (size_t i = 0; i < levels.size(); ++i) {
    const TPatternLevel& level = levels[i];
    if (!level.Matches.empty()) continue;
    const bool positive = !level.IsTest() && !level.IsNegated();
    if (i == 0 || (positive && level.Facts.empty())) return NoFactText(matches, level, printer);
    const TPatternLevel& previous = levels[i - 1];
    if (level.IsTest()) return TestFailsText(level, previous, printer);
    if (level.Pattern->NegatedCount() == 1) return BlockedText(matches, level, previous, printer);
    if (positive) return JoinText(matches, level, previous, printer);
    // A double negation holds when some fact of its pattern fits.
    if (level.Facts.empty()) return NoFactText(matches, level, printer);
    return "no fact of pattern " + Number(level) + " " + printer.PatternText(*level.Pattern) +
           " fits the matches of " + (previous.Index == 0 ? "pattern 1" : "patterns 1-" + Number(previous)) +
           "\r\n";
  }
  return MatchedText(matches);
}
