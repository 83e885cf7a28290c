// The diagnostics package: functions that look inside an engine to explain
// it: where a fact came from, which matches a rule has and where they run
// out, where the time of a run goes, and a picture of the network. The
// runner and the shell add it to every engine they make; a library caller
// adds it by creating it with the engine as owner.
//
// Each function reaches the engine's inspection interface (rete/
// EngineInspection.h) through InspectionOf; an engine without one raises
// EIEException "No inference engine available for %s".
//
// Ownership: functions are reference counted; the package owns its function
// list. Thread-safety: the functions keep no state of a call.
#pragma once

#include "functions/FunctionKit.h"
#include "functions/IEPackageComponents.h"
#include "functions/IEPackages.h"

class IEngineInspection;
class IEngineServices;

// The inspection interface of the engine a call works on (the context's,
// else the call's own); EIEException "No inference engine available for %s"
// naming Function when it has none.
IEngineInspection& InspectionOf(const TFunctionCall& funCall, TIEContext* context,
                                const TIEUserFunction& function);

// TDiagnosticsPackage: the diagnostics functions in their creation order.
// Registered by class name.
class TDiagnosticsPackage : public TUserPackage {
 public:
  explicit TDiagnosticsPackage(TComponent* owner = nullptr);
  std::string ClassName() const override { return "TDiagnosticsPackage"; }
  void CreateFunctions() override;
};
