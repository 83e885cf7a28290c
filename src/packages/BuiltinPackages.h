// The registration of the built-in classes of the function layer by name: the
// eight package components, every built-in function class (read back from a
// package's PackageFunctions) and the host-function components.
//
// Registration is an explicit call, not a static initialiser, so the classes
// are there whenever the library is linked, however the linker picks its
// objects. RegisterBuiltinPackageClasses runs the registrations once per
// process (later calls return at once); thread-safe. The engine calls it from
// its constructor.
#pragma once

void RegisterBuiltinPackageClasses();

// The registrations of one unit each, defined in that unit; only
// RegisterBuiltinPackageClasses calls them (with those of the function
// framework, RegisterIEPackagesClasses and RegisterIEPackageComponentsClasses).
void RegisterStandardPackageClasses();
void RegisterStandardLogicClasses();
void RegisterStandardControlClasses();
void RegisterStandardEngineClasses();
void RegisterStandardIOClasses();
void RegisterStandardMultifieldClasses();
void RegisterPredicatePackageClasses();
void RegisterMathPackageClasses();
void RegisterStringPackageClasses();
void RegisterMiscPackageClasses();
void RegisterMiscListingsClasses();
void RegisterMiscDialogsClasses();
void RegisterObjectPackageClasses();
void RegisterTrigonometryPackageClasses();
void RegisterBusinessPackageClasses();
void RegisterDiagnosticsPackageClasses();
void RegisterDiagnosticsMatchesClasses();
void RegisterDiagnosticsProfileClasses();
void RegisterDiagnosticsProvenanceClasses();
