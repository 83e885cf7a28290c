// profile and profile-info: the switch of the network's profiler and its table.
#include "packages/DiagnosticsProfile.h"

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "functions/IEFunctionCall.h"
#include "packages/BuiltinPackages.h"
#include "packages/DiagnosticsGraph.h"
#include "packages/DiagnosticsPackage.h"
#include "packages/StandardEngine.h"
#include "rete/EngineInspection.h"
#include "rete/ReteNetwork.h"
#include "rete/ReteProfileReport.h"

namespace {

constexpr char SProfileHelp[] =
    "Switches the profiler of the engine's network on or off, or empties its profile";
constexpr char SProfileSyntax[] = "profile on|off|reset";
constexpr char SProfileInfoHelp[] =
    "Prints the profile: rules by cost, then nodes by time; with counts, the counts only";
constexpr char SProfileInfoSyntax[] = "profile-info [counts]";
constexpr char SProfileCountsWord[] = "counts";

// Text with each line end as the engine's listings end their lines.
std::string ListingText(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 40);
  for (char c : text) {
    if (c == '\n') out += SWatchLineEnd;
    else out += c;
  }
  return out;
}

}  // namespace

TProfileFunction::TProfileFunction() {
  DescribeFunction(*this, "profile", 1, 1, SProfileHelp, SProfileSyntax);
}

void TProfileFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  TReteNetwork& network = InspectionOf(funCall, context, *this).Network();
  const std::string mode = TextArgument(funCall, 0, context);
  if (mode == "on") network.SetProfiling(true);
  else if (mode == "off") network.SetProfiling(false);
  else if (mode == "reset") network.ResetProfile();
  else throw EIEException(Format(SBadArgument, {mode}));
  result = ResolveArgument(funCall, 0, context);
}

TProfileInfoFunction::TProfileInfoFunction() {
  DescribeFunction(*this, "profile-info", 0, 1, SProfileInfoHelp, SProfileInfoSyntax);
}

void TProfileInfoFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  bool counts = false;
  if (funCall.ArgumentCount() > 0) {
    const std::string mode = TextArgument(funCall, 0, context);
    if (mode != SProfileCountsWord) throw EIEException(Format(SBadArgument, {mode}));
    counts = true;
  }
  TReteNetwork& network = InspectionOf(funCall, context, *this).Network();
  EngineOf(funCall, context, *this).PrintOut(ListingText(ProfileReport(network, counts)));
  result = NilValue();
}

void RegisterDiagnosticsProfileClasses() {
  RegisterFunctionClass<TProfileFunction>();
  RegisterFunctionClass<TProfileInfoFunction>();
  RegisterFunctionClass<TNetworkGraphFunction>();
}
