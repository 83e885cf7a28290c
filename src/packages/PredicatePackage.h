// The predicate package: parity tests (evenp, oddp) and the type predicates
// (lexemep, numberp, ...), each answering TRUE or FALSE.
//
// Ownership: the package owns its function list (shared references). Function
// objects are read-only while engines run, so one object serves several
// engines on different threads at once.
#pragma once

#include <string>
#include <string_view>

#include "core/IEInterfaces.h"
#include "functions/FunctionKit.h"
#include "functions/IEPackageComponents.h"

IE_FUNCTION(TEvenPFunction)  // evenp
IE_FUNCTION(TOddPFunction)   // oddp

// TVerifyTypePFunction: TRUE when its one argument, resolved, has a type in
// ValueTypes (an argument resolving to nothing counts as dtNone). Setting a
// different name rebuilds Comment from the name and ValueTypes. The package
// stream appends ValueTypes (the 32-bit mask) after the common values.
class TVerifyTypePFunction : public TIEUserFunction {
 public:
  // No name and no types (what the package stream makes before reading).
  TVerifyTypePFunction();
  // Stores ValueTypes first, then the name (which builds Comment).
  TVerifyTypePFunction(std::string_view name, TIETypes valueTypes);
  static constexpr const char* StaticClassName = "TVerifyTypePFunction";
  std::string ClassName() const override { return StaticClassName; }

  TIETypes ValueTypes() const noexcept { return valueTypes_; }
  void SetValueTypes(TIETypes valueTypes) noexcept { valueTypes_ = valueTypes; }
  // "Atom, String" for {dtAtom, dtString}: the type names without "dt", in
  // ordinal order; "NONE" for the empty set.
  static std::string TypesText(TIETypes valueTypes);

  void SetFunctionName(std::string_view name) override;
  // From another TVerifyTypePFunction also ValueTypes; Comment ends as the
  // source's.
  void Assign(const TPersistent* source) override;
  void ReadData(TFunctionReader& reader) override;
  void WriteData(TFunctionWriter& writer) const override;
  void Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) override;

 private:
  TIETypes valueTypes_;
};

// TPredicatePackage: creates evenp, oddp and the nine type predicates
// (lexemep, numberp, floatp, integerp, stringp, symbolp, multifieldp,
// external-addressp, objectp), in that order. Selected by the engine's
// pPredicate; registered by class name "TPredicatePackage".
class TPredicatePackage : public TUserPackage {
 public:
  explicit TPredicatePackage(TComponent* owner = nullptr);
  std::string ClassName() const override { return "TPredicatePackage"; }
  void CreateFunctions() override;
};
