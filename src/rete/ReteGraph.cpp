// Writes the network as DOT, node by node in the network's order, then the
// edges of each node in edge order.
#include "rete/ReteGraph.h"

#include <algorithm>
#include <set>

#include "facts/IERule.h"
#include "rete/ReteNetwork.h"
#include "rete/ReteNodeViews.h"
#include "rete/ReteProfiler.h"

namespace {

constexpr char SGraphHeader[] =
    "digraph rete {\n"
    "  rankdir=TB;\n"
    "  nodesep=0.3;\n"
    "  ranksep=0.4;\n"
    "  node [fontname=\"Helvetica\", fontsize=10, margin=\"0.12,0.04\"];\n"
    "  edge [fontname=\"Helvetica\", fontsize=9, arrowsize=0.7];\n"
    "  labelloc=b;\n"
    "  fontname=\"Helvetica\";\n"
    "  fontsize=10;\n"
    "  label=\"rounded: pattern (one fact); blue: join (dashed: negated); hexagon: test; "
    "green: a rule's end; yellow, thick: shared by several rules; dashed edge: a join's right "
    "input\";\n";

// The text as the inside of a DOT string: quotes and backslashes escaped,
// line ends as \n.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') out += "\\n";
    else if (c != '\r') out += c;
  }
  return out;
}

// Shape and style by kind; a shared node is filled and drawn thicker.
std::string Attributes(const std::string& kind, bool shared) {
  std::string shape = "box";
  std::string style = "rounded";
  std::string fill = "#ffffff";
  if (kind == "join") shape = "box", style = "", fill = "#dde8f8";
  if (kind == "not-join") shape = "box", style = "dashed", fill = "#dde8f8";
  if (kind == "test") shape = "hexagon", style = "", fill = "#f3e0f3";
  if (kind == "terminal") shape = "box", style = "bold", fill = "#d8f0d8";
  if (shared) fill = "#fff2b3";
  std::string styles = style.empty() ? "filled" : style + ",filled";
  std::string text = "shape=" + shape + ", style=\"" + styles + "\", fillcolor=\"" + fill + "\"";
  if (shared) text += ", penwidth=2";
  return text;
}

}  // namespace

std::string NetworkGraph(const TReteNetwork& network, const std::vector<const TRule*>& rules) {
  const TNodeViews views(network);
  const TReteProfiler* profile = network.Profile();
  std::set<const TReteNode*> shown;
  for (const TReteNode* node : views.Nodes) {
    if (rules.empty()) {
      shown.insert(node);
      continue;
    }
    for (const TRule* user : views.RulesOf(node))
      if (std::find(rules.begin(), rules.end(), user) != rules.end()) shown.insert(node);
  }

  std::string text = SGraphHeader;
  for (const TReteNode* node : views.Nodes) {
    if (!shown.count(node)) continue;
    const std::string kind = NodeKindWord(*node);
    const std::vector<const TRule*>& users = views.RulesOf(node);
    const bool shared = users.size() > 1;
    std::string label = "n" + std::to_string(views.NumberOf(node)) + " " + kind;
    for (const std::string& line : NodeTestLines(*node)) label += "\n" + line;
    if (shared) label += "\nshared: " + RuleNamesText(users);
    if (profile)
      if (const TReteProfiler::TNodeStats* stats = profile->FindNode(node))
        label += "\nin " + std::to_string(stats->TokensIn) + ", out " +
                 std::to_string(stats->TokensOut);
    text += "  n" + std::to_string(views.NumberOf(node)) + " [" + Attributes(kind, shared) +
            ", label=\"" + Escaped(label) + "\"];\n";
  }
  for (const TReteNode* node : views.Nodes) {
    if (!shown.count(node)) continue;
    const TReteProfiler::TNodeStats* stats = profile ? profile->FindNode(node) : nullptr;
    for (const TReteNode::TSuccessor& next : node->Successors()) {
      if (!shown.count(next.Node)) continue;
      std::string label = next.CallType == ctLeft ? "left" : next.CallType == ctRight ? "right" : "";
      if (stats) label += (label.empty() ? "" : " ") + std::to_string(stats->TokensOut);
      text += "  n" + std::to_string(views.NumberOf(node)) + " -> n" +
              std::to_string(views.NumberOf(next.Node));
      if (next.CallType == ctRight) text += " [style=dashed";
      else text += " [style=solid";
      if (!label.empty()) text += ", label=\"" + Escaped(label) + "\"";
      text += "];\n";
    }
  }
  text += "}\n";
  return text;
}
