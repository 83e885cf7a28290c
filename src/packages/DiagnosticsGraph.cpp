// network-graph: the network as DOT, written to a file.
#include "packages/DiagnosticsGraph.h"

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/Streams.h"
#include "functions/IEFunctionCall.h"
#include "packages/DiagnosticsPackage.h"
#include "rete/EngineInspection.h"
#include "rete/ReteGraph.h"

namespace {

constexpr char SNetworkGraphHelp[] =
    "Writes the engine's network, or the named rules' part of it, to FILE as a Graphviz graph";
constexpr char SNetworkGraphSyntax[] = "network-graph FILE [rule...]";
constexpr char SUnknownRule[] = "Unknown rule: %s";

}  // namespace

void WriteTextFile(const std::string& fileName, const std::string& text) {
  TFileStream file(fileName, fmCreate);
  file.WriteBuffer(text.data(), int64_t(text.size()));
}

TNetworkGraphFunction::TNetworkGraphFunction() {
  DescribeFunction(*this, "network-graph", 1, UnlimitedArguments, SNetworkGraphHelp, SNetworkGraphSyntax);
}

void TNetworkGraphFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineInspection& inspection = InspectionOf(funCall, context, *this);
  const std::string fileName = TextArgument(funCall, 0, context);
  std::vector<const TRule*> rules;
  for (int32_t i = 1; i < funCall.ArgumentCount(); ++i) {
    const std::string name = TextArgument(funCall, i, context);
    const TRule* rule = inspection.FindRuleByName(name);
    if (!rule) throw EIEException(Format(SUnknownRule, {name}));
    rules.push_back(rule);
  }
  WriteTextFile(fileName, NetworkGraph(inspection.Network(), rules));
  result = ResolveArgument(funCall, 0, context);
}
