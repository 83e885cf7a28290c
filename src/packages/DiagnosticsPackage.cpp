// The diagnostics package: its creation order and the way its functions
// reach the engine they inspect.
#include "packages/DiagnosticsPackage.h"

#include "core/ClassRegistry.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "packages/BuiltinPackages.h"
#include "packages/DiagnosticsGraph.h"
#include "packages/DiagnosticsMatches.h"
#include "packages/DiagnosticsProfile.h"
#include "packages/DiagnosticsProvenance.h"
#include "packages/StandardEngine.h"
#include "rete/EngineInspection.h"
#include "values/EngineRoles.h"

IEngineInspection& InspectionOf(const TFunctionCall& funCall, TIEContext* context,
                                const TIEUserFunction& function) {
  auto* inspection = dynamic_cast<IEngineInspection*>(&EngineOf(funCall, context, function));
  if (!inspection) throw EIEException(Format(SNoEngineFor, {function.FunctionName()}));
  return *inspection;
}

TDiagnosticsPackage::TDiagnosticsPackage(TComponent* owner) : TUserPackage(owner) {
  CreateFunctions();
}

void TDiagnosticsPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  CreateFunction<TWhyFunction>();
  CreateFunction<TShowMatchesFunction>();
  CreateFunction<TWhyNotFunction>();
  CreateFunction<TProfileFunction>();
  CreateFunction<TProfileInfoFunction>();
  CreateFunction<TNetworkGraphFunction>();
}

void RegisterDiagnosticsPackageClasses() {
  RegisterComponentClass<TDiagnosticsPackage>("TDiagnosticsPackage");
}
