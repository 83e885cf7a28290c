// Views of a network's nodes for people: a number per node (stable for one
// state of the network, shared by the profile table and the graph), a kind
// word, a one-line text per test, and the rules that use each node.
//
// Free functions over a network they only read. Thread-safety: as the
// network's.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

class TReteNetwork;
class TReteNode;
class TRule;

struct TNodeViews {
  // 1, 2, ... in the network's node order.
  std::unordered_map<const TReteNode*, int> Numbers;
  // The distinct rules using each node, in rule-name order.
  std::unordered_map<const TReteNode*, std::vector<const TRule*>> Rules;
  // The nodes in the network's order.
  std::vector<const TReteNode*> Nodes;

  explicit TNodeViews(const TReteNetwork& network);
  int NumberOf(const TReteNode* node) const;
  const std::vector<const TRule*>& RulesOf(const TReteNode* node) const;
};

// "pattern", "join", "not-join", "test" or "terminal".
std::string NodeKindWord(const TReteNode& node);
// The node's checks, one line each: a pattern node's check of one fact
// ("name = g1"), a join's comparisons ("left[0].name = right.name") and
// expressions, a test node's expressions; a terminal's rule name.
std::vector<std::string> NodeTestLines(const TReteNode& node);
// Rule names joined by ", ".
std::string RuleNamesText(const std::vector<const TRule*>& rules);
