// The describing helper and the typed argument readers of the functions.
#include "functions/FunctionKit.h"

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "functions/IEFunctionCall.h"
#include "values/IEContext.h"

void DescribeFunction(TIEUserFunction& function, const char* name, int32_t minCount,
                      int32_t maxCount, const char* help, const std::string& syntax) {
  function.SetFunctionName(name);
  function.SetMinArgumentCount(minCount);
  function.SetMaxArgumentCount(maxCount);
  function.SetHelp(help, syntax);
}

IUserFunction CreateFunctionOf(std::span<const TFunctionClass> classes, std::string_view className) {
  for (const TFunctionClass& entry : classes)
    if (className == entry.Name) return entry.Create();
  return IUserFunction();
}

void RegisterFunctionClasses(std::span<const TFunctionClass> classes) {
  for (const TFunctionClass& entry : classes) RegisterFunctionClass(entry.Name, entry.Create);
}

void RaiseNotA(const char* word, TIEType type) {
  throw EIEException(Format(SNotAType, {word, IETypeName(type)}));
}

IIEValue ResolveArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  const IIEValue& argument = funCall.GetArgument(index);
  return argument ? argument->Resolve(context) : IIEValue();
}

double NumericOf(const IIEValue& value) {
  if (!value) RaiseNotA(SNumericWord, dtNone);
  return value->AsNumeric();
}

int32_t IntegerOf(const IIEValue& value) {
  if (!value) RaiseNotA(SIntegerWord, dtNone);
  return value->AsInteger();
}

std::string TextOf(const IIEValue& value) {
  if (!value) RaiseNotA(SStringWord, dtNone);
  return value->AsString();
}

double NumericArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  return NumericOf(ResolveArgument(funCall, index, context));
}

int32_t IntegerArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  return IntegerOf(ResolveArgument(funCall, index, context));
}

std::string TextArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  return TextOf(ResolveArgument(funCall, index, context));
}

IValueVector ListArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  IIEValue value = ResolveArgument(funCall, index, context);
  if (!value) RaiseNotA(SListWord, dtNone);
  IValueVector list = value->AsList();
  if (!list) RaiseNotA(SListWord, dtNone);
  return list;
}

double NumericElement(const TValueVector& list, int32_t index) {
  return NumericOf(list.Get(index));
}
