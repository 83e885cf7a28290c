// The profile table: rule rows with their share of the node times, the
// remainder rows that make the sum the wall time, then the node rows.
#include "rete/ReteProfileReport.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "facts/IERule.h"
#include "rete/ReteNetwork.h"
#include "rete/ReteNodeViews.h"
#include "rete/ReteProfiler.h"

namespace {

constexpr char SProfileEmpty[] = "No profile: profiling was never on.\n";
constexpr char SProfileHeader[] = "Profile: %s ms of wall time profiled";
constexpr char SProfileLegend[] =
    "match: time in the rule's nodes; a node shared by k rules gives 1/k of its time to each.\n"
    "actions: time in the rule's actions, less the matching they caused.\n"
    "Times are exclusive, so the rows add up to the total.\n";
constexpr char SProfileCountsLegend[] =
    "checks: a node's tests of one token each, a join's comparisons of a pair.\n"
    "Nodes that saw no token are left out.\n";
constexpr char SProfileGoneRow[] = "(nodes removed meanwhile)";
constexpr char SProfileNoRuleRow[] = "(nodes of no rule)";
constexpr char SProfileOtherRow[] = "other (agenda, loading, output)";
constexpr char SProfileTotalRow[] = "total (wall time profiled)";

std::string Milliseconds(double nanoseconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", nanoseconds / 1e6);
  return buffer;
}

std::string Percent(double part, double whole) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", whole > 0 ? 100.0 * part / whole : 0.0);
  return buffer;
}

// Rows of cells printed in aligned columns: numbers right, the columns named
// in Left left-aligned; the last column is not padded.
std::string TableText(const std::vector<std::vector<std::string>>& rows,
                      const std::vector<bool>& left) {
  std::vector<size_t> widths;
  for (const auto& row : rows)
    for (size_t c = 0; c < row.size(); ++c) {
      if (widths.size() <= c) widths.push_back(0);
      widths[c] = std::max(widths[c], row[c].size());
    }
  std::string text;
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      if (c) line += "  ";
      const std::string pad(widths[c] - row[c].size(), ' ');
      const bool alignLeft = c < left.size() && left[c];
      if (alignLeft) line += row[c] + (c + 1 < row.size() ? pad : std::string());
      else line += pad + row[c];
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + "\n";
  }
  return text;
}

struct TRuleRow {
  std::string Name;
  TReteProfiler::TRuleStats Counts;
  double Match = 0;
};

}  // namespace

std::string ProfileReport(const TReteNetwork& network, bool countsOnly) {
  const TReteProfiler* profile = network.Profile();
  if (!profile) return SProfileEmpty;
  const TNodeViews views(network);
  const double wall = double(profile->WallNanoseconds());

  // Rule rows: every rule seen by the profiler and every compiled rule.
  std::map<std::string, TRuleRow> rules;
  for (const TReteProfiler::TRuleStats* stats : profile->Rules()) {
    TRuleRow& row = rules[stats->Name];
    row.Name = stats->Name;
    row.Counts.Made += stats->Made;
    row.Counts.Withdrawn += stats->Withdrawn;
    row.Counts.Fired += stats->Fired;
    row.Counts.ActionNanoseconds += stats->ActionNanoseconds;
  }
  for (const TRule* rule : network.CompiledRules()) rules[rule->RuleName()].Name = rule->RuleName();
  double noRule = 0;
  for (const TReteNode* node : views.Nodes) {
    const TReteProfiler::TNodeStats* stats = profile->FindNode(node);
    if (!stats) continue;
    const std::vector<const TRule*>& users = views.RulesOf(node);
    if (users.empty()) noRule += double(stats->Nanoseconds);
    for (const TRule* rule : users)
      rules[rule->RuleName()].Match += double(stats->Nanoseconds) / double(users.size());
  }
  std::vector<TRuleRow> order;
  for (auto& [name, row] : rules) order.push_back(row);
  auto cost = [](const TRuleRow& row) { return row.Match + double(row.Counts.ActionNanoseconds); };
  std::stable_sort(order.begin(), order.end(), [&](const TRuleRow& a, const TRuleRow& b) {
    if (countsOnly) return a.Counts.Fired + a.Counts.Made > b.Counts.Fired + b.Counts.Made;
    return cost(a) > cost(b);
  });

  std::string text;
  if (!countsOnly) {
    char header[128];
    std::snprintf(header, sizeof header, SProfileHeader, Milliseconds(wall).c_str());
    text += std::string(header) + ".\n" + SProfileLegend;
  }
  text += SProfileCountsLegend;
  text += "\n";

  std::vector<std::vector<std::string>> table;
  if (countsOnly) table.push_back({"rule", "made", "withdrawn", "fired"});
  else table.push_back({"rule", "made", "withdrawn", "fired", "match ms", "actions ms", "total ms", "%"});
  double accounted = 0;
  for (const TRuleRow& row : order) {
    std::vector<std::string> cells = {row.Name, std::to_string(row.Counts.Made),
                                      std::to_string(row.Counts.Withdrawn),
                                      std::to_string(row.Counts.Fired)};
    if (!countsOnly) {
      const double total = cost(row);
      accounted += total;
      for (const std::string& cell :
           {Milliseconds(row.Match), Milliseconds(double(row.Counts.ActionNanoseconds)),
            Milliseconds(total), Percent(total, wall)})
        cells.push_back(cell);
    }
    table.push_back(std::move(cells));
  }
  if (!countsOnly) {
    auto remainder = [&](const char* name, double nanoseconds) {
      accounted += nanoseconds;
      table.push_back({name, "", "", "", Milliseconds(nanoseconds), "", Milliseconds(nanoseconds),
                       Percent(nanoseconds, wall)});
    };
    const double gone = double(profile->GoneNodes().Nanoseconds);
    if (gone > 0) remainder(SProfileGoneRow, gone);
    if (noRule > 0) remainder(SProfileNoRuleRow, noRule);
    const double other = std::max(0.0, wall - accounted);
    table.push_back({SProfileOtherRow, "", "", "", "", "", Milliseconds(other), Percent(other, wall)});
    table.push_back({SProfileTotalRow, "", "", "", "", "", Milliseconds(wall), "100.0"});
  }
  text += TableText(table, {true});
  text += "\n";

  // Node rows: the nodes that saw a token, by time (by number for counts).
  std::vector<std::pair<const TReteNode*, const TReteProfiler::TNodeStats*>> nodes;
  for (const TReteNode* node : views.Nodes)
    if (const TReteProfiler::TNodeStats* stats = profile->FindNode(node); stats && stats->TokensIn)
      nodes.emplace_back(node, stats);
  if (!countsOnly)
    std::stable_sort(nodes.begin(), nodes.end(), [](const auto& a, const auto& b) {
      return a.second->Nanoseconds > b.second->Nanoseconds;
    });
  table.clear();
  if (countsOnly) table.push_back({"node", "kind", "in", "right in", "out", "checks", "rules"});
  else table.push_back({"node", "kind", "in", "right in", "out", "checks", "ms", "%", "rules"});
  for (const auto& [node, stats] : nodes) {
    std::vector<std::string> cells = {"n" + std::to_string(views.NumberOf(node)), NodeKindWord(*node),
                                      std::to_string(stats->TokensIn), std::to_string(stats->RightIn),
                                      std::to_string(stats->TokensOut), std::to_string(stats->Tests)};
    if (!countsOnly) {
      cells.push_back(Milliseconds(double(stats->Nanoseconds)));
      cells.push_back(Percent(double(stats->Nanoseconds), wall));
    }
    cells.push_back(RuleNamesText(views.RulesOf(node)));
    table.push_back(std::move(cells));
  }
  if (nodes.empty()) text += "No node saw a token.\n";
  else if (countsOnly) text += TableText(table, {true, true, false, false, false, false, true});
  else text += TableText(table, {true, true, false, false, false, false, false, false, true});
  return text;
}
