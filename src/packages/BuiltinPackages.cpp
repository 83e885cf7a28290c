#include "packages/BuiltinPackages.h"

#include <mutex>

#include "functions/IEPackageComponents.h"
#include "functions/IEPackages.h"

void RegisterBuiltinPackageClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterIEPackagesClasses();
    RegisterIEPackageComponentsClasses();
    RegisterStandardPackageClasses();
    RegisterStandardLogicClasses();
    RegisterStandardControlClasses();
    RegisterStandardEngineClasses();
    RegisterStandardIOClasses();
    RegisterStandardMultifieldClasses();
    RegisterPredicatePackageClasses();
    RegisterMathPackageClasses();
    RegisterStringPackageClasses();
    RegisterMiscPackageClasses();
    RegisterMiscListingsClasses();
    RegisterMiscDialogsClasses();
    RegisterObjectPackageClasses();
    RegisterTrigonometryPackageClasses();
    RegisterBusinessPackageClasses();
    RegisterDiagnosticsPackageClasses();
    RegisterDiagnosticsMatchesClasses();
    RegisterDiagnosticsProfileClasses();
    RegisterDiagnosticsProvenanceClasses();
  });
}
