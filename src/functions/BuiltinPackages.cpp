#include "functions/BuiltinPackages.h"

#include <mutex>

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
  });
}
