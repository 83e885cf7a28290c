// The why function: a fact's origin record told as text, followed back
// through the facts a rule firing matched.
#include "packages/DiagnosticsProvenance.h"

#include <cstdint>

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

std::string FactIdText(int32_t id) { return SFactIdPrefix + std::to_string(id); }

// The lines of Fact (listed, with its Origin) and, while Depth allows, of the
// facts its origin names, at Level and below.
void AppendLines(std::string& text, IEngineServices& engine, IEngineInspection& inspection,
                 const TCustomFact& fact, const TFactOrigin& origin, int32_t level,
                 int32_t depth) {
  std::string indent;
  for (int32_t i = 0; i < level; ++i) indent += SWhyIndent;
  text += indent + FactIdText(fact.ID()) + " " + fact.AsText() + " " + OriginText(origin) +
          SWatchLineEnd;
  if (level + 1 >= depth) return;
  for (int32_t id : origin.FactIds()) {
    IFact source = engine.FindFactById(id);
    TFactOriginRef sourceOrigin = source ? inspection.OriginOf(source) : nullptr;
    if (!sourceOrigin) {
      text += indent + SWhyIndent + FactIdText(id) + SFactGone + SWatchLineEnd;
      continue;
    }
    AppendLines(text, engine, inspection, *source, *sourceOrigin, level + 1, depth);
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
  AppendLines(text, engine, inspection, *fact, *origin, 0, depth);
  engine.PrintOut(text);
  result = nullptr;
}

void RegisterDiagnosticsProvenanceClasses() { RegisterFunctionClass<TWhyFunction>(); }
