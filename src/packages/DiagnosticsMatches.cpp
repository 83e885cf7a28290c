// show-matches and why-not: finding the rule and printing what TRuleMatches
// read. show-matches lays one line per pattern and per join:
//   Pattern 1 (guest (sex m)): f-1, f-3
//   Pattern 2 (not (guest (sex f))): none
//   Patterns 1-2: [f-1] [f-3]
//   Activations: [f-1]
//   Fired: [f-3]
// A negated pattern's line lists the facts that can block; its join line
// names the matches each blocks. Placeholders in a partial match (the
// stand-ins of negated patterns and test elements) are left out.
#include "packages/DiagnosticsMatches.h"

#include <algorithm>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "facts/IERule.h"
#include "frontend/IEMorelPrinter.h"
#include "functions/IEFunctionCall.h"
#include "functions/IEPackages.h"
#include "packages/BuiltinPackages.h"
#include "packages/DiagnosticsPackage.h"
#include "packages/RuleMatches.h"
#include "packages/StandardEngine.h"
#include "rete/EngineInspection.h"
#include "values/EngineRoles.h"

namespace {

constexpr char SShowMatchesHelp[] =
    "Prints, for each pattern of the rule, the facts that pass its own tests, for each join "
    "the partial matches that reach it, then the rule's activations";
constexpr char SShowMatchesSyntax[] = "show-matches <rule-name>";
constexpr char SWhyNotHelp[] =
    "Says where the rule's matches run out: the pattern no fact matches (with the nearest "
    "miss), the join that fails, the fact that blocks a negated pattern or the test that is "
    "false; or that the rule is activated or has fired";
constexpr char SWhyNotSyntax[] = "why-not <rule-name>";

constexpr char SNone[] = "none";

std::string IdsList(const std::vector<IFact>& facts) {
  if (facts.empty()) return SNone;
  std::string text;
  for (const IFact& fact : facts) {
    if (!text.empty()) text += ", ";
    text += SFactIdPrefix + std::to_string(fact->ID());
  }
  return text;
}

std::string MatchesList(const std::vector<TTokenRef>& matches) {
  if (matches.empty()) return SNone;
  std::string text;
  for (const TTokenRef& match : matches) {
    if (!text.empty()) text += ' ';
    text += "[" + MatchIdsText(*match) + "]";
  }
  return text;
}

// "Patterns 1-3: ..." for the matches leaving Level.
std::string JoinLine(const TPatternLevel& level) {
  return "Patterns 1-" + std::to_string(level.Index + 1) + ": " + MatchesList(level.Matches) + "\r\n";
}

// Under a negated pattern's join: each match of the level before that does
// not pass, with the facts that block it.
std::string BlockedLines(const TRuleMatches& matches, const TPatternLevel& level,
                         const TPatternLevel& previous) {
  std::string text;
  if (level.Pattern->NegatedCount() != 1) return text;
  for (const TTokenRef& left : previous.Matches) {
    const std::vector<IFact> blockers = matches.Blockers(level, left);
    if (!blockers.empty())
      text += "  [" + MatchIdsText(*left) + "] blocked by " + IdsList(blockers) + "\r\n";
  }
  return text;
}

// The rule of that name; for a name the engine lacks, the error ppdefrule
// gives.
TRule& RuleOf(IEngineInspection& inspection, const std::string& name) {
  TRule* rule = inspection.FindRuleByName(name);
  if (!rule) throw EIEException(Format(SUnknownConstructName, {SRuleWord, name}));
  return *rule;
}

}  // namespace

std::string ShowMatchesText(const TRuleMatches& matches) {
  const std::string name = matches.Rule().RuleName();
  if (!matches.Compiled()) return "Rule " + name + " is not in the network\r\n";
  TIEMorelPrinter printer;
  std::string text = "Matches of rule " + name + ":\r\n";
  const auto& levels = matches.Levels();
  for (const TPatternLevel& level : levels) {
    text += "Pattern " + std::to_string(level.Index + 1) + " " + printer.PatternText(*level.Pattern) + ": ";
    text += level.IsTest() ? std::string("a test, no facts of its own") : IdsList(level.Facts);
    text += "\r\n";
  }
  for (size_t i = 1; i < levels.size(); ++i) {
    text += JoinLine(levels[i]);
    if (levels[i].IsNegated()) text += BlockedLines(matches, levels[i], levels[i - 1]);
  }
  // The complete matches still on the agenda, and those that are not
  // (they have fired).
  std::vector<TTokenRef> active;
  for (const TActivation* activation : matches.Terminal()->Activations())
    active.push_back(activation->ReteToken());
  std::vector<TTokenRef> fired;
  for (const TTokenRef& match : levels.back().Matches) {
    const bool listed = std::any_of(active.begin(), active.end(), [&](const TTokenRef& token) {
      return MatchIdsText(*token) == MatchIdsText(*match);
    });
    if (!listed) fired.push_back(match);
  }
  text += "Activations: " + MatchesList(active) + "\r\n";
  if (!fired.empty()) text += "Fired: " + MatchesList(fired) + "\r\n";
  return text;
}

// ---------------------------------------------------------------- functions

TShowMatchesFunction::TShowMatchesFunction() {
  DescribeFunction(*this, "show-matches", 1, 1, SShowMatchesHelp, SShowMatchesSyntax);
}

void TShowMatchesFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineInspection& inspection = InspectionOf(funCall, context, *this);
  TRule& rule = RuleOf(inspection, TextArgument(funCall, 0, context));
  TRuleMatches matches(inspection.Network(), rule);
  EngineOf(funCall, context, *this).PrintOut(ShowMatchesText(matches));
  result = NilValue();
}

TWhyNotFunction::TWhyNotFunction() {
  DescribeFunction(*this, "why-not", 1, 1, SWhyNotHelp, SWhyNotSyntax);
}

void TWhyNotFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineInspection& inspection = InspectionOf(funCall, context, *this);
  TRule& rule = RuleOf(inspection, TextArgument(funCall, 0, context));
  TRuleMatches matches(inspection.Network(), rule);
  EngineOf(funCall, context, *this).PrintOut(WhyNotText(matches));
  result = NilValue();
}

void RegisterDiagnosticsMatchesClasses() {
  RegisterFunctionClass<TShowMatchesFunction>();
  RegisterFunctionClass<TWhyNotFunction>();
}
