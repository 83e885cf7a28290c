// Node numbers, kinds and test texts for the profile table and the graph.
#include "rete/ReteNodeViews.h"

#include <algorithm>
#include <set>

#include "facts/IERule.h"
#include "functions/IEFunctionCall.h"
#include "rete/ReteNetwork.h"

TNodeViews::TNodeViews(const TReteNetwork& network) {
  for (const auto& node : network.NodeList())
    if (const auto* rete = dynamic_cast<const TReteNode*>(node.get())) {
      Nodes.push_back(rete);
      Numbers[rete] = int(Nodes.size());
    }
  // CompiledRules comes sorted by name, so each node's list is too.
  for (const TRule* rule : network.CompiledRules()) {
    const std::vector<TReteNode*>* nodes = network.RuleNodes(*rule);
    if (!nodes) continue;
    for (const TReteNode* node : *nodes) {
      std::vector<const TRule*>& users = Rules[node];
      if (users.empty() || users.back() != rule) users.push_back(rule);
    }
  }
}

int TNodeViews::NumberOf(const TReteNode* node) const {
  auto it = Numbers.find(node);
  return it == Numbers.end() ? 0 : it->second;
}

const std::vector<const TRule*>& TNodeViews::RulesOf(const TReteNode* node) const {
  static const std::vector<const TRule*> none;
  auto it = Rules.find(node);
  return it == Rules.end() ? none : it->second;
}

std::string NodeKindWord(const TReteNode& node) {
  if (dynamic_cast<const TPatternMatchTerminalNode*>(&node)) return "terminal";
  if (const auto* join = dynamic_cast<const TJoinNode*>(&node))
    return join->NegatedPattern() ? "not-join" : "join";
  if (dynamic_cast<const TTestNode*>(&node)) return "test";
  if (dynamic_cast<const TPatternMatchNode*>(&node)) return "pattern";
  return "node";
}

namespace {

// A value as a person reads it in a node: a call with its arguments, a slot
// reference of the compiled rule as "f1.slot" (fact 1 of the match), "f1.slot[2]"
// (an item of a multislot) or "f1" (the fact itself).
std::string ExpressionText(const IIEValue& value) {
  if (!value) return std::string();
  if (value->DType() == dtVariantArray) {
    const TIEVariantArray& cells = value->VariantArrayRef();
    if (cells.size() >= 3 && cells[0].index() == 1) {
      std::string text = "f" + VariantText(cells[0]);
      const std::string slot = VariantText(cells[1]);
      if (!slot.empty()) text += "." + slot;
      const std::string sub = VariantText(cells[2]);
      if (!sub.empty() && sub != "-1") text += "[" + sub + "]";
      return text;
    }
  }
  if (value->DType() == dtFunCall) {
    const auto* call = dynamic_cast<const TFunctionCall*>(value->AsFunCall().get());
    if (call) {
      std::string text = "(" + call->FunctionName();
      for (const IIEValue& argument : call->Arguments()) text += " " + ExpressionText(argument);
      return text + ")";
    }
  }
  return value->AsText();
}

std::string ArgText(const TIEVariantArray& args, size_t index) {
  return index < args.size() ? VariantText(args[index]) : std::string();
}

// "slot" or "slot[2]" for a sub-index that is not -1.
std::string SlotText(const TIEVariantArray& args, size_t slot, size_t sub) {
  std::string text = ArgText(args, slot);
  const std::string index = ArgText(args, sub);
  if (!index.empty() && index != "-1") text += "[" + index + "]";
  return text;
}

std::string PatternLine(const TPatternMatchNode& node) {
  const TIEVariantArray& args = node.Args();
  const std::string value = ExpressionText(node.Value());
  const bool call = node.Value() && node.Value()->DType() == dtFunCall;
  switch (node.PatternMatchTest()) {
    case pmtTestClassType:
      return "template " + value;
    case pmtTestEqual:
      return ArgText(args, 0) + (call ? ": " : " = ") + value;
    case pmtTestNotEqual:
      return ArgText(args, 0) + (call ? ": not " : " <> ") + value;
    case pmtTestSlotValueEqual:
      return SlotText(args, 0, 2) + " = " + SlotText(args, 1, 3);
    case pmtTestSlotValueNotEqual:
      return SlotText(args, 0, 2) + " <> " + SlotText(args, 1, 3);
    case pmtTestMultiSlotEqual:
      return SlotText(args, 0, 1) + (call ? ": " : " = ") + value;
    case pmtTestMultiSlotNotEqual:
      return SlotText(args, 0, 1) + (call ? ": not " : " <> ") + value;
    case pmtTestMultiSlotLength:
      return "length " + ArgText(args, 0) + " = " + ArgText(args, 1);
    case pmtTestMultiSlotMultiField:
      return ArgText(args, 0) + ": each split of the multifield";
    default:
      return PatternMatchTestNames()[node.PatternMatchTest()];
  }
}

std::string JoinTestLine(const TIEJoinTest& test) {
  const bool multi = test.JoinTestType() == tstMultiSlot;
  std::string text = "left[" + std::to_string(test.TokenIndex()) + "]." + test.LeftIndex();
  if (multi && test.LeftSubIndex() >= 0) text += "[" + std::to_string(test.LeftSubIndex()) + "]";
  text += test.SlotTestType() == sttEquals ? " = " : " <> ";
  text += "right." + test.RightIndex();
  if (multi && test.RightSubIndex() >= 0) text += "[" + std::to_string(test.RightSubIndex()) + "]";
  return text;
}

std::string TestLine(const TIESlotTest& test) {
  if (const TIEJoinTest* join = test.AsJoinTest()) return JoinTestLine(*join);
  if (test.IsPatternMatchTest()) {
    const auto& match = static_cast<const TIEPatternMatchTest&>(test);
    if (match.SlotValue())
      return (test.SlotTestType() == sttEquals ? "" : "not ") + ExpressionText(match.SlotValue());
  }
  return test.Text();
}

}  // namespace

std::vector<std::string> NodeTestLines(const TReteNode& node) {
  std::vector<std::string> lines;
  if (const auto* terminal = dynamic_cast<const TPatternMatchTerminalNode*>(&node)) {
    if (terminal->Rule()) lines.push_back(terminal->Rule()->RuleName());
  } else if (const auto* test = dynamic_cast<const TTestNode*>(&node)) {
    if (const auto* join = dynamic_cast<const TJoinNode*>(&node); join && join->ChainedNegation())
      lines.push_back("chained negation");
    for (const auto& each : test->Tests()) lines.push_back(TestLine(*each));
  } else if (const auto* pattern = dynamic_cast<const TPatternMatchNode*>(&node)) {
    lines.push_back(PatternLine(*pattern));
  }
  return lines;
}

std::string RuleNamesText(const std::vector<const TRule*>& rules) {
  std::string text;
  for (const TRule* rule : rules) {
    if (!text.empty()) text += ", ";
    text += rule->RuleName();
  }
  return text;
}
