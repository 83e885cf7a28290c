// The why function: a fact's origin record told as text, followed back
// through the facts a rule firing matched.
#include "packages/DiagnosticsProvenance.h"

#include <cstdint>
#include <span>
#include <unordered_set>
#include <vector>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "facts/IEFacts.h"
#include "functions/IEFunctionCall.h"
#include "packages/BuiltinPackages.h"
#include "packages/DiagnosticsPackage.h"
#include "packages/StandardEngine.h"
#include "rete/EngineInspection.h"
#include "values/EngineRoles.h"

namespace {

constexpr char SWhyHelp[] =
    "Prints how a fact came to be: asserted at top level, by the host program, "
    "by reset, from a deffacts at reset or by a rule firing on other facts, "
    "followed back through those facts down to depth levels";
constexpr char SWhySyntax[] = "why <fact-index-or-address> [<depth-integer-expression>]";
constexpr char SWhyBadDepth[] = "why: the depth must be 1 or more, not %d";
constexpr char SOriginHost[] = "was asserted by the host program";
constexpr char SOriginTopLevel[] = "was asserted at top level";
constexpr char SOriginReset[] = "was asserted by reset";
constexpr char SOriginFactSet[] = "came from deffacts %s at reset";
constexpr char SOriginRule[] = "was asserted by rule %s";
constexpr char SOriginRuleFacts[] = " on ";
constexpr char SOriginUnrecorded[] = "has no recorded origin";
constexpr char SFactGone[] = " is no longer in working memory";
constexpr char SWhyIndent[] = "  ";
constexpr char SWhyFollowedAbove[] = " (followed above)";

std::string FactIdText(int32_t id) { return SFactIdPrefix + std::to_string(id); }

// The lines of Fact (listed, with its Origin) and, while Depth allows, of the
// facts its origin names, depth first in their order, each a level further
// in. A fact met again in the tree is not followed a second time (facts share
// sources, so the tree would otherwise grow exponentially with the depth);
// the walk keeps its own stack, so a long chain of firings cannot exhaust
// the thread's.
void AppendLines(std::string& text, IEngineServices& engine, IEngineInspection& inspection,
                 const IFact& fact, const TFactOriginRef& origin, int32_t depth) {
  struct TEntry {
    IFact Fact;  // none: the fact GoneId has left working memory
    TFactOriginRef Origin;
    int32_t Level;
    int32_t GoneId;
  };
  std::vector<TEntry> stack{{fact, origin, 0, -1}};
  std::unordered_set<const TCustomFact*> followed;
  while (!stack.empty()) {
    const TEntry entry = std::move(stack.back());
    stack.pop_back();
    std::string indent;
    for (int32_t i = 0; i < entry.Level; ++i) indent += SWhyIndent;
    if (!entry.Fact) {
      text += indent + FactIdText(entry.GoneId) + SFactGone + SWatchLineEnd;
      continue;
    }
    const std::span<const int32_t> sources = entry.Origin->FactIds();
    const bool follow = entry.Level + 1 < depth && !sources.empty();
    const bool again = follow && !followed.insert(entry.Fact.get()).second;
    text += indent + FactIdText(entry.Fact->ID()) + " " + entry.Fact->AsText() + " " +
            OriginText(*entry.Origin) + (again ? SWhyFollowedAbove : "") + SWatchLineEnd;
    if (!follow || again) continue;
    for (size_t i = sources.size(); i-- > 0;) {
      IFact source = engine.FindFactById(sources[i]);
      TFactOriginRef sourceOrigin = source ? inspection.OriginOf(source) : nullptr;
      if (sourceOrigin)
        stack.push_back({std::move(source), std::move(sourceOrigin), entry.Level + 1, -1});
      else
        stack.push_back({IFact(), nullptr, entry.Level + 1, sources[i]});
    }
  }
}

}  // namespace

std::string OriginText(const TFactOrigin& origin) {
  switch (origin.Kind()) {
    case TFactOriginKind::Host:
      return SOriginHost;
    case TFactOriginKind::TopLevel:
      return SOriginTopLevel;
    case TFactOriginKind::Reset:
      return SOriginReset;
    case TFactOriginKind::FactSet:
      return Format(SOriginFactSet, {origin.Name()});
    case TFactOriginKind::Rule: {
      std::string text = Format(SOriginRule, {origin.Name()});
      for (size_t i = 0; i < origin.FactIds().size(); ++i) {
        text += i == 0 ? SOriginRuleFacts : SFactIdSeparator;
        text += FactIdText(origin.FactIds()[i]);
      }
      return text;
    }
    case TFactOriginKind::Unrecorded:
      break;
  }
  return SOriginUnrecorded;
}

TWhyFunction::TWhyFunction() { DescribeFunction(*this, "why", 1, 2, SWhyHelp, SWhySyntax); }

void TWhyFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  IEngineInspection& inspection = InspectionOf(funCall, context, *this);
  const IIEValue argument = ResolveArgument(funCall, 0, context);
  if (!argument) RaiseNotA(SFactWord, dtNone);
  const int32_t depth = funCall.ArgumentCount() > 1 ? IntegerArgument(funCall, 1, context) : 1;
  if (depth < 1) throw EIEException(Format(SWhyBadDepth, {depth}));
  // A fact address names that very fact, which may have left working memory
  // since; an index names the listed fact with that identifier.
  IFact fact;
  if (argument->DType() == dtFact)
    fact = argument->AsFact();
  else
    fact = engine.FindFactById(argument->AsFactId());
  TFactOriginRef origin = fact ? inspection.OriginOf(fact) : nullptr;
  if (!origin) {
    const int32_t id = fact ? fact->ID() : argument->AsFactId();
    throw EIEException(Format(SNoSuchFactId, {std::to_string(id)}));
  }
  std::string text;
  AppendLines(text, engine, inspection, fact, origin, depth);
  engine.PrintOut(text);
  result = nullptr;
}

void RegisterDiagnosticsProvenanceClasses() { RegisterFunctionClass<TWhyFunction>(); }
