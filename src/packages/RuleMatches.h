// TRuleMatches: what the nodes of one rule in the Rete network hold now, pattern
// by pattern: the facts that pass the pattern's own single-fact checks and
// the partial matches of the patterns up to it. They are read from the join
// memories where the network keeps them; the first pattern's facts and the
// matches after a test element, which no memory holds, are worked out by
// asking the rule's own nodes about working memory. The diagnostics functions
// show-matches and why-not read it.
//
// Ownership: holds references to the tokens and facts it collected and plain
// pointers to the rule's patterns and nodes, which must outlive it (build,
// read and drop it within one call). Thread-safety: the engine's thread only.
// Building it changes nothing in the engine: no fact, memory or agenda entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "rete/ReteNetwork.h"

class TIEMorelPrinter;
class TIEPattern;
class TRule;

// One pattern of the rule and where the network handles it.
struct TPatternLevel {
  // Position in the rule's patterns (0 = first).
  int32_t Index = 0;
  const TIEPattern* Pattern = nullptr;
  // The pattern's single-fact checks, root (the template check) first.
  std::vector<TPatternMatchNode*> Chain;
  // What each node of Chain checks, as rule text ("(sex ~m)").
  std::vector<std::string> StepTexts;
  // The node that joins this pattern to the matches before it (a join node,
  // or a test node for a test element); none for the first pattern.
  TTestNode* Join = nullptr;
  // The last node of the level (past the chained joins of "not (not ...)").
  TReteNode* Output = nullptr;
  // The facts that pass Chain, by id; empty for a test element.
  std::vector<IFact> Facts;
  // The partial matches of patterns 0 .. Index, by their fact ids.
  std::vector<TTokenRef> Matches;

  bool IsTest() const;
  bool IsNegated() const;
};

class TRuleMatches {
 public:
  // Reads Rule's levels from Network; Compiled() is false (and there are no
  // levels) when the network does not hold the rule.
  TRuleMatches(TReteNetwork& network, const TRule& rule);

  bool Compiled() const noexcept { return terminal_ != nullptr; }
  const TRule& Rule() const noexcept { return rule_; }
  const std::vector<TPatternLevel>& Levels() const noexcept { return levels_; }
  TPatternMatchTerminalNode* Terminal() const noexcept { return terminal_; }
  // The working memory facts of Level's template (those that pass the
  // template check), by id.
  std::vector<IFact> Candidates(const TPatternLevel& level) const;
  // The facts of a negated Level that block the partial match Left (pass
  // every test of its join with it), by id.
  std::vector<IFact> Blockers(const TPatternLevel& level, const TTokenRef& left) const;
  // The positions in Level.Chain of the checks Fact fails.
  std::vector<size_t> FailedSteps(const TPatternLevel& level, const IFact& fact) const;

 private:
  // Walks back from the terminal node; false when the shape is not the one
  // the compiler makes.
  bool FindNodes();
  void DescribeChain(TPatternLevel& level, const TIEMorelPrinter& printer) const;
  // Next: the level after Level, or none.
  void CollectFacts(TPatternLevel& level, const TPatternLevel* next) const;
  void CollectMatches(TPatternLevel& level, const TPatternLevel* previous) const;

  TReteNetwork& network_;
  const TRule& rule_;
  TPatternMatchTerminalNode* terminal_ = nullptr;
  std::vector<TPatternLevel> levels_;
  std::vector<IFact> workingMemory_;
};

// "f-3, f-7": the ids of the real facts of Token (placeholders left out).
std::string MatchIdsText(const TIEToken& token);
// Matches of one fact each as "f-1, f-4"; otherwise "[f-1, f-2] [f-4, f-5]".
std::string MatchesPhrase(const std::vector<TTokenRef>& matches);
// Whether test Index of Node passes for Left and Right. A test that raises
// an error (a predicate given a value it cannot take) counts as failed; an
// abort passes on.
bool ProbeTest(TTestNode& node, size_t index, const TTokenRef& left, const IFact& right);
