// TStandardPackage: the core functions of the rule language (logic and
// comparison, control, working memory and engine commands, I/O and files,
// multifields). Selected by the engine's pStandard; registered by class name
// "TStandardPackage" so the engine's AddDefaultPackages creates it.
//
// Ownership: a package component owned by its engine (or host); it owns its
// function list (shared function references). Thread-safety: none; created
// and changed on one thread before engines run.
#pragma once

#include <string>
#include <vector>

#include "functions/IEPackageComponents.h"

class TStandardPackage : public TUserPackage {
 public:
  explicit TStandardPackage(TComponent* owner = nullptr);
  std::string ClassName() const override { return "TStandardPackage"; }

  // Adds one function of each class of StandardFunctionClasses, in that
  // order, made by class name. A class that is not registered (a host took
  // it out) is left out; the others keep their relative order.
  void CreateFunctions() override;

  // The function classes of the package in creation order.
  static const std::vector<std::string>& StandardFunctionClasses();
};
