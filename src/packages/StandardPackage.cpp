#include "packages/StandardPackage.h"

#include "core/ClassRegistry.h"
#include "packages/BuiltinPackages.h"

TStandardPackage::TStandardPackage(TComponent* owner) : TUserPackage(owner) {
  CreateFunctions();
}

const std::vector<std::string>& TStandardPackage::StandardFunctionClasses() {
  static const std::vector<std::string> classes = {
      "TAndFunction",          "TAssertFunction",           "TAssertStringFunction",
      "TBatchFunction",        "TBindFunction",             "TClearFunction",
      "TClearStorageFunction", "TCloseFunction",            "TDoBackwardChainingFunction",
      "TDribbleOnFunction",    "TDribbleOffFunction",       "TDuplicateFunction",
      "TEqFunction",           "TEqStarFunction",           "TEqualsFunction",
      "TExitFunction",         "TExtractGlobalFunction",    "TFetchFunction",
      "TForEachFunction",      "TFormatFunction",           "TGenSymStarFunction",
      "TGetFactDuplicationFunction", "TGtFunction",         "TGtOrEqFunction",
      "THaltFunction",         "TIfFunction",               "TLoadFunction",
      "TLoadFactsFunction",    "TLtFunction",               "TLtOrEqFunction",
      "TModifyFunction",       "TNeqFunction",              "TNotEqualsFunction",
      "TNotFunction",          "TOpenFunction",             "TOrFunction",
      "TPrintOutFunction",     "TReadFunction",             "TReadLineFunction",
      "TRemoveFunction",       "TRenameFunction",           "TResetFunction",
      "TRetractFunction",      "TRetractStringFunction",    "TReturnFunction",
      "TRunFunction",          "TSaveFunction",             "TSaveFactsFunction",
      "TSetFactDuplicationFunction", "TStoreFunction",      "TTryFunction",
      "TThrowFunction",        "TUnwatchFunction",          "TVersionFunction",
      "TWatchFunction",        "TWhileFunction",            "TCreateMFFunction",
      "TDeleteMFFunction",     "TExplodeMFFunction",        "TFirstMFFunction",
      "TImplodeMFFunction",    "TInsertMFFunction",         "TLengthMFFunction",
      "TMemberMFFunction",     "TNthMFFunction",            "TReplaceMFFunction",
      "TRestMFFunction",       "TSubSeqMFFunction",         "TSubSetpMFFunction"};
  return classes;
}

void TStandardPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  for (const std::string& className : StandardFunctionClasses())
    if (IsFunctionClassRegistered(className))
      AddFunctionOnce(CreateFunctionByClassName(className));
}

void RegisterStandardPackageClasses() {
  RegisterComponentClass<TStandardPackage>("TStandardPackage");
}
