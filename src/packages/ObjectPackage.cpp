#include "packages/ObjectPackage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Component.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "packages/BuiltinPackages.h"
#include "functions/FunctionKit.h"
#include "functions/IEFunctionCall.h"
#include "packages/ObjectModel.h"
#include "values/IEContext.h"

namespace {


// ---- Arguments

// The engine the call runs in, as a component; none when there is none.
TComponent* EngineComponent(const TFunctionCall& funCall, TIEContext* context) {
  if (context && context->Engine()) return context->Engine()->EngineComponent();
  return dynamic_cast<TComponent*>(funCall.GetEngine());
}

TObjectModel& EngineModel(const TFunctionCall& funCall, TIEContext* context) {
  return ObjectModelFor(EngineComponent(funCall, context));
}

// The argument resolved; a value of type dtNone when it resolves to nothing, so
// the typed getters raise their usual error naming dtNone.
IIEValue ValueArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  IIEValue value = ResolveArgument(funCall, index, context);
  return value ? value : MakeRef<TIEValue>();
}

[[noreturn]] void RaiseDestroyed(const TObjectRef& object) {
  throw EIEException(Format(SObjectDestroyed, {object.ClassName()}));
}

// The object argument: none for the nil object; an object that was destroyed
// is an error, never a dangling reference.
IObjectRef ObjectArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  IObjectRef object = ValueArgument(funCall, index, context)->AsObjectRef();
  if (object && !object->Alive()) RaiseDestroyed(*object);
  return object;
}

// An object argument that must be there (nil fails the class cast).
IObjectRef RequiredObject(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  IObjectRef object = ObjectArgument(funCall, index, context);
  if (!object) throw EInvalidCast(SInvalidCast);
  return object;
}

const char* ClassArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  return ValueArgument(funCall, index, context)->AsClass();
}

// The model that knows the class: the engine's, else the component model.
TObjectModel& ClassModel(const char* className, TObjectModel& engineModel) {
  if (className && engineModel.FindClass(className)) return engineModel;
  return ComponentObjectModel();
}

// The component argument of get-component and get-components.
const TObjectRef& ComponentArgument(const IObjectRef& object, const TIEUserFunction& function) {
  if (!object || !ObjectModelOf(*object).IsComponent(*object))
    throw EIEException(Format(SExpectedComponentArgument, {function.FunctionName()}));
  return *object;
}

IObjectRef EngineOwner(const TFunctionCall& funCall, TIEContext* context) {
  TComponent* engine = EngineComponent(funCall, context);
  return engine ? EngineModel(funCall, context).Root(*engine) : nullptr;
}

IIEValue ClassValue(const char* className) {
  IIEValue value = MakeRef<TIEValue>();
  value->SetAsClass(className);
  return value;
}

[[noreturn]] void RaiseInvalidType(const TObjectProperty& prop) {
  throw EIEException(Format(SInvalidPropertyType, {prop.TypeName}));
}

}  // namespace

// ---------------------------------------------------------------- creating and freeing

TCreateComponentFunction::TCreateComponentFunction() {
  const std::string syntax = std::string("create-component") + SCreateComponentSynopsis +
                             SCreateComponentParentSynopsis;
  DescribeFunction(*this, "create-component", 2, 3, SCreateComponentHelp, syntax);
}

void TCreateComponentFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                    IIEValue& result) {
  // Every argument is read before anything is made, so a bad one leaves nothing behind.
  const char* className = ClassArgument(funCall, 0, context);
  const IObjectRef owner = ObjectArgument(funCall, 1, context);
  IObjectRef parent;
  if (funCall.ArgumentCount() > 2) parent = ObjectArgument(funCall, 2, context);
  TObjectModel& model = ClassModel(className, EngineModel(funCall, context));
  // Owner and parent must be objects of the model that makes the component.
  for (const IObjectRef* object : {&owner, static_cast<const IObjectRef*>(&parent)})
    if (*object && &ObjectModelOf(**object) != &model) throw EInvalidCast(SInvalidCast);
  result = TIEValue::MakeObject(model.Create(className, owner.get(), parent.get()));
}

TCreateObjectFunction::TCreateObjectFunction() {
  DescribeFunction(*this, "create-object", 1, 1, SCreateObjectHelp,
                   std::string("create-object") + SCreateObjectSynopsis);
}

void TCreateObjectFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const char* className = ClassArgument(funCall, 0, context);
  TObjectModel& model = ClassModel(className, EngineModel(funCall, context));
  result = TIEValue::MakeObject(model.Create(className, nullptr, nullptr));
}

TFreeObjectFunction::TFreeObjectFunction() {
  DescribeFunction(*this, "free-object", 1, UnlimitedArguments, SFreeObjectHelp,
                   std::string("free-object") + SFreeObjectSynopsis);
}

void TFreeObjectFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  TComponent* engine = EngineComponent(funCall, context);
  for (int32_t i = 0; i < funCall.ArgumentCount(); ++i) {
    IObjectRef object = ValueArgument(funCall, i, context)->AsObjectRef();
    if (!object) continue;
    if (!object->Alive()) throw EIEException(Format(SObjectFreedAlready, {object->ClassName()}));
    ObjectModelOf(*object).Free(*object, engine);
  }
  result = TrueAtom();
}

TExecuteActionFunction::TExecuteActionFunction() {
  DescribeFunction(*this, "execute-action", 1, 1, SExecuteActionHelp,
                   std::string("execute-action") + SExecuteActionSynopsis);
}

void TExecuteActionFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IObjectRef action = RequiredObject(funCall, 0, context);
  result = BooleanAtom(ObjectModelOf(*action).ExecuteAction(*action));
}

// ---------------------------------------------------------------- components and classes

TGetComponentFunction::TGetComponentFunction() {
  const std::string syntax = std::string("get-component") + SGetComponentSynopsis +
                             "get-component" + SGetComponentOwnerSynopsis;
  DescribeFunction(*this, "get-component", 0, 2, SGetComponentHelp, syntax);
}

void TGetComponentFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const int32_t count = funCall.ArgumentCount();
  if (count == 0) {
    result = TIEValue::MakeObject(EngineOwner(funCall, context));
    return;
  }
  const IObjectRef owner =
      count == 1 ? EngineOwner(funCall, context) : ObjectArgument(funCall, 0, context);
  const TObjectRef& component = ComponentArgument(owner, *this);
  IObjectRef found =
      ObjectModelOf(component).FindChild(component, TextArgument(funCall, count - 1, context));
  result = found ? TIEValue::MakeObject(found) : FalseAtom();
}

TGetComponentsFunction::TGetComponentsFunction() {
  DescribeFunction(*this, "get-components", 0, 1, SGetComponentsHelp,
                   std::string("get-components") + SGetComponentsSynopsis);
}

void TGetComponentsFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const IObjectRef owner = funCall.ArgumentCount() == 0 ? EngineOwner(funCall, context)
                                                        : ObjectArgument(funCall, 0, context);
  const TObjectRef& component = ComponentArgument(owner, *this);
  IValueVector list(new TValueVector());
  for (IObjectRef& child : ObjectModelOf(component).Children(component))
    list->Add(TIEValue::MakeObject(std::move(child)));
  result = TIEValue::MakeList(list);
}

TGetClassFunction::TGetClassFunction() {
  DescribeFunction(*this, "get-class", 1, 1, SGetClassHelp,
                   std::string("get-class") + SGetClassSynopsis);
}

void TGetClassFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const std::string name = TextArgument(funCall, 0, context);
  const char* className = EngineModel(funCall, context).FindClass(name);
  if (!className) className = ComponentObjectModel().FindClass(name);
  if (!className) throw EClassNotFound(Format(SClassNotFound, {name}));
  result = ClassValue(className);
}

TIsClassFunction::TIsClassFunction() {
  DescribeFunction(*this, "is-class", 2, 2, SIsClassHelp,
                   std::string("is-class") + SIsClassSynopsis);
}

void TIsClassFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const IObjectRef object = ObjectArgument(funCall, 0, context);
  const char* className = ClassArgument(funCall, 1, context);
  result = BooleanAtom(object && className &&
                       ObjectModelOf(*object).IsInstanceOf(*object, className));
}

// ---------------------------------------------------------------- properties

TGetPropertyFunction::TGetPropertyFunction() {
  DescribeFunction(*this, "get-property", 2, 2, SGetPropertyHelp,
                   std::string("get-property") + SGetPropertySynopsis);
}

void TGetPropertyFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const IObjectRef object = RequiredObject(funCall, 0, context);
  TObjectModel& model = ObjectModelOf(*object);
  std::optional<TObjectProperty> prop =
      model.FindProperty(*object, TextArgument(funCall, 1, context));
  if (!prop) {
    result = FalseAtom();
    return;
  }
  if (prop->Kind == okUnsupported) RaiseInvalidType(*prop);
  result = model.ReadProperty(*object, *prop);
}

TGetPropertiesFunction::TGetPropertiesFunction() {
  DescribeFunction(*this, "get-properties", 1, 1, SGetPropertiesHelp,
                   std::string("get-properties") + SGetPropertiesSynopsis);
}

void TGetPropertiesFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const IObjectRef object = RequiredObject(funCall, 0, context);
  IValueVector list(new TValueVector());
  for (const std::string& name : ObjectModelOf(*object).PropertyNames(*object))
    list->Add(TIEValue::MakeAtom(name));
  result = TIEValue::MakeList(list);
}

TSetPropertyFunction::TSetPropertyFunction() {
  DescribeFunction(*this, "set-property", 3, 3, SSetPropertyHelp,
                   std::string("set-property") + SSetPropertySynopsis);
}

void TSetPropertyFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const IObjectRef object = RequiredObject(funCall, 0, context);
  TObjectModel& model = ObjectModelOf(*object);
  std::optional<TObjectProperty> prop =
      model.FindProperty(*object, TextArgument(funCall, 1, context));
  if (!prop) {
    result = FalseAtom();
    return;
  }
  if (prop->Kind == okObject || prop->Kind == okUnsupported) RaiseInvalidType(*prop);
  if (!prop->Writable) throw EIEException(Format(SPropertyReadOnly, {prop->Name}));
  model.WriteProperty(*object, *prop, *ValueArgument(funCall, 2, context));
  result = TrueAtom();
}

// ---------------------------------------------------------------- the package

TObjectPackage::TObjectPackage(TComponent* owner) : TUserPackage(owner) { CreateFunctions(); }

void TObjectPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  CreateFunction<TCreateComponentFunction>();
  CreateFunction<TCreateObjectFunction>();
  CreateFunction<TExecuteActionFunction>();
  CreateFunction<TFreeObjectFunction>();
  CreateFunction<TGetComponentFunction>();
  CreateFunction<TGetComponentsFunction>();
  CreateFunction<TGetClassFunction>();
  CreateFunction<TGetPropertyFunction>();
  CreateFunction<TGetPropertiesFunction>();
  CreateFunction<TSetPropertyFunction>();
  CreateFunction<TIsClassFunction>();
}

void RegisterObjectPackageClasses() {
  RegisterComponentClass<TObjectPackage>("TObjectPackage");
  RegisterFunctionClass<TCreateComponentFunction>();
  RegisterFunctionClass<TCreateObjectFunction>();
  RegisterFunctionClass<TExecuteActionFunction>();
  RegisterFunctionClass<TFreeObjectFunction>();
  RegisterFunctionClass<TGetComponentFunction>();
  RegisterFunctionClass<TGetComponentsFunction>();
  RegisterFunctionClass<TGetClassFunction>();
  RegisterFunctionClass<TGetPropertyFunction>();
  RegisterFunctionClass<TGetPropertiesFunction>();
  RegisterFunctionClass<TSetPropertyFunction>();
  RegisterFunctionClass<TIsClassFunction>();
}
