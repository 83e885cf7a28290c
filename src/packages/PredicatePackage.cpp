// The predicate package: parity and type predicates.
#include "packages/PredicatePackage.h"

#include "core/ClassRegistry.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "packages/BuiltinPackages.h"
#include "functions/FunctionKit.h"
#include "functions/IEFunctionCall.h"

namespace {

// The type predicates in creation order.
struct TTypePredicate {
  const char* Name;
  TIETypes Types;
};
const TTypePredicate typePredicates[] = {
    {"lexemep", {dtAtom, dtString}},
    {"numberp", {dtInteger, dtFloat}},
    {"floatp", {dtFloat}},
    {"integerp", {dtInteger}},
    {"stringp", {dtString}},
    {"symbolp", {dtAtom}},
    {"multifieldp", {dtList}},
    {"external-addressp", {dtExternalAddress}},
    {"objectp", {dtObject}},
};

}  // namespace

TEvenPFunction::TEvenPFunction() {
  SetFunctionName("evenp");
  SetMinArgumentCount(1);
  SetMaxArgumentCount(1);
  SetHelp(SEvenPHelp, "evenp <numeric-expression>");
}

void TEvenPFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = BooleanAtom(IntegerArgument(funCall, 0, context) % 2 == 0);
}

TOddPFunction::TOddPFunction() {
  SetFunctionName("oddp");
  SetMinArgumentCount(1);
  SetMaxArgumentCount(1);
  SetHelp(SOddPHelp, "oddp <numeric-expression>");
}

void TOddPFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = BooleanAtom(IntegerArgument(funCall, 0, context) % 2 != 0);
}

// ---------------------------------------------------------------------------

TVerifyTypePFunction::TVerifyTypePFunction() {
  SetMinArgumentCount(1);
  SetMaxArgumentCount(1);
}

TVerifyTypePFunction::TVerifyTypePFunction(std::string_view name, TIETypes valueTypes)
    : TVerifyTypePFunction() {
  valueTypes_ = valueTypes;
  SetFunctionName(name);
}

std::string TVerifyTypePFunction::TypesText(TIETypes valueTypes) {
  std::string text;
  for (int type = 0; type < IETypeCount; ++type) {
    if (!valueTypes.Contains(TIEType(type))) continue;
    if (!text.empty()) text += ", ";
    text += IETypeName(TIEType(type)) + 2;  // without the "dt" prefix
  }
  return text.empty() ? std::string(SVerifyTypeNone) : text;
}

void TVerifyTypePFunction::SetFunctionName(std::string_view name) {
  if (name == FunctionName()) return;
  TIEUserFunction::SetFunctionName(name);
  SetHelp(Format(SVerifyTypeHelp, {TypesText(valueTypes_)}),
          std::string(name) + " <expression>");
}

void TVerifyTypePFunction::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TVerifyTypePFunction*>(source);
  if (other == this) return;
  if (other) valueTypes_ = other->valueTypes_;
  TIEUserFunction::Assign(source);
  if (other) SetComment(other->Comment());  // the rename rebuilt it
}

void TVerifyTypePFunction::ReadData(TFunctionReader& reader) {
  TIEUserFunction::ReadData(reader);
  valueTypes_ = TIETypes::FromMask(uint32_t(reader.ReadInteger()));
}

void TVerifyTypePFunction::WriteData(TFunctionWriter& writer) const {
  TIEUserFunction::WriteData(writer);
  writer.WriteInteger(valueTypes_.Mask());
}

void TVerifyTypePFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IIEValue value = ResolveArgument(funCall, 0, context);
  result = BooleanAtom(valueTypes_.Contains(value ? value->DType() : dtNone));
}

// ---------------------------------------------------------------------------

TPredicatePackage::TPredicatePackage(TComponent* owner) : TUserPackage(owner) {
  CreateFunctions();
}

void TPredicatePackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  CreateFunction<TEvenPFunction>();
  CreateFunction<TOddPFunction>();
  for (const TTypePredicate& predicate : typePredicates)
    CreateFunction<TVerifyTypePFunction>(predicate.Name, predicate.Types);
}

void RegisterPredicatePackageClasses() {
  RegisterComponentClass<TPredicatePackage>("TPredicatePackage");
  RegisterFunctionClass<TEvenPFunction>();
  RegisterFunctionClass<TOddPFunction>();
  RegisterFunctionClass<TVerifyTypePFunction>();
}
