#include "core/IEInterfaces.h"

const std::vector<std::string>& IETypeNames() {
  static const std::vector<std::string> names = {
      "dtNone", "dtAtom", "dtString", "dtInteger", "dtVariable", "dtFactId", "dtFloat",
      "dtFunCall", "dtFact", "dtList", "dtDescriptor", "dtObject", "dtClass",
      "dtExternalAddress", "dtIntArray", "dtStringArray", "dtVariantArray",
      "dtMultiVariable", "dtSlot", "dtMultiSlot"};
  return names;
}

const char* IETypeName(TIEType type) {
  const auto& names = IETypeNames();
  return unsigned(type) < names.size() ? names[type].c_str() : "dtUnknown";
}

const std::vector<std::string>& SearchStrategyNames() {
  static const std::vector<std::string> names = {"ssDepthFirst", "ssBreadthFirst"};
  return names;
}
const std::vector<std::string>& DuplicateConstructsNames() {
  static const std::vector<std::string> names = {"dcOverwrite", "dcIgnore", "dcError"};
  return names;
}
const std::vector<std::string>& ErrorHandlingNames() {
  static const std::vector<std::string> names = {"ehRaiseImmediate", "ehRaiseAllAtEnd"};
  return names;
}
const std::vector<std::string>& TypeCheckNames() {
  static const std::vector<std::string> names = {"tcStatic", "tcDynamic"};
  return names;
}
const std::vector<std::string>& ConstructWatchNames() {
  static const std::vector<std::string> names = {"cwActivation", "cwFact", "cwRule",
                                                 "cwCompilation", "cwStatistics"};
  return names;
}
const std::vector<std::string>& FunctionPackageNames() {
  static const std::vector<std::string> names = {"pStandard", "pPredicate", "pMath",
                                                 "pMiscellaneous", "pString", "pObject",
                                                 "pTrigonometry", "pBusiness"};
  return names;
}
