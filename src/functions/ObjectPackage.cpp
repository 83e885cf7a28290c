#include "functions/ObjectPackage.h"

#include <cstdint>
#include <limits>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Component.h"
#include "core/Controls.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "core/TextCompare.h"
#include "engine/InferenceEngine.h"
#include "functions/IEFunctionCall.h"
#include "functions/MathSupport.h"
#include "values/IEContext.h"
#include "functions/BuiltinPackages.h"

namespace {

// ---- Objects created without an owner: nobody else frees them, so they are
// recorded until free-object frees them; the rest goes when the process ends.

class TCreatedObjects {
 public:
  ~TCreatedObjects() {
    for (TObject* object : objects_) delete object;
  }
  void Add(TObject* object) {
    std::lock_guard<std::mutex> guard(lock_);
    objects_.insert(object);
  }
  // Takes Object out of the table; false when it was not recorded.
  bool Take(TObject* object) {
    std::lock_guard<std::mutex> guard(lock_);
    return objects_.erase(object) != 0;
  }
  // The recorded components: roots of trees whose members free-object may free.
  std::vector<TComponent*> Roots() {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<TComponent*> roots;
    for (TObject* object : objects_)
      if (auto* c = dynamic_cast<TComponent*>(object)) roots.push_back(c);
    return roots;
  }

 private:
  std::mutex lock_;
  std::set<TObject*> objects_;
};

TCreatedObjects& CreatedObjects() {
  static TCreatedObjects objects;
  return objects;
}

// ---- Arguments

// The engine the call runs in, as a component; none when there is none.
TComponent* EngineComponent(const TFunctionCall& funCall, TIEContext* context) {
  if (context && context->Engine()) return context->Engine();
  return dynamic_cast<TComponent*>(funCall.GetEngine());
}

// The argument resolved; a value of type dtNone when it resolves to nothing, so
// the typed getters raise their usual error naming dtNone.
IIEValue ValueArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  IIEValue value = ResolveArgument(funCall, index, context);
  return value ? value : MakeRef<TIEValue>();
}

TObject* ObjectArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  return ValueArgument(funCall, index, context)->AsObject();
}

const char* ClassArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  return ValueArgument(funCall, index, context)->AsClass();
}

// Object as a T; nil stays nil; EInvalidCast when it is of another class.
template <class T>
T* Cast(TObject* object) {
  if (!object) return nullptr;
  T* cast = dynamic_cast<T*>(object);
  if (!cast) throw EInvalidCast(SInvalidCast);
  return cast;
}

// Object as a T, which must be there (nil fails the cast as well).
template <class T>
T& Required(TObject* object) {
  T* cast = Cast<T>(object);
  if (!cast) throw EInvalidCast(SInvalidCast);
  return *cast;
}

// The component argument of get-component and get-components.
TComponent& ComponentArgument(TObject* object, const TIEUserFunction& function) {
  auto* component = dynamic_cast<TComponent*>(object);
  if (!component) throw EIEException(Format(SExpectedComponentArgument, {function.FunctionName()}));
  return *component;
}

TComponent& EngineOwner(const TFunctionCall& funCall, TIEContext* context,
                        const TIEUserFunction& function) {
  TComponent* engine = EngineComponent(funCall, context);
  return ComponentArgument(engine ? engine->Owner() : nullptr, function);
}

IIEValue ClassValue(const char* className) {
  IIEValue value = MakeRef<TIEValue>();
  value->SetAsClass(className);
  return value;
}

// A new component of the class owned by Owner; one without owner is recorded.
TComponent* CreateOf(const char* className, TComponent* owner) {
  TComponent* component = CreateComponentByClassName(className ? className : "", owner);
  if (!owner) CreatedObjects().Add(component);
  return component;
}

// ---- Freeing

bool Contains(const TComponent& root, const TObject* object) {
  for (int i = 0; i < root.ComponentCount(); ++i) {
    const TComponent* child = root.Components(i);
    if (child == object || Contains(*child, object)) return true;
  }
  return false;
}

// Frees Object when it is known to be alive: recorded as created, or owned
// within the engine's component tree or a recorded object's. The engine and
// the components that hold it are never freed. Object is not dereferenced
// before it is found.
void FreeObject(TObject* object, TComponent* engine) {
  for (const TComponent* c = engine; c; c = c->Owner())
    if (c == object) throw EIEException(Format(SObjectHoldsEngine, {object->ClassName()}));
  if (CreatedObjects().Take(object)) {
    delete object;
    return;
  }
  std::vector<TComponent*> roots = CreatedObjects().Roots();
  if (engine) {
    TComponent* root = engine;
    while (root->Owner()) root = root->Owner();
    roots.push_back(root);
  }
  for (const TComponent* root : roots)
    if (Contains(*root, object)) {
      delete object;  // an owned component leaves its owner as it is destroyed
      return;
    }
  throw EIEException(SObjectNotFreeable);
}

// ---- Properties

const char* KindName(TPropertyKind kind) {
  static const char* const names[] = {"pkInteger", "pkFloat", "pkBoolean", "pkString",
                                      "pkEnum",    "pkSet",   "pkStringList", "pkObject"};
  return size_t(kind) < std::size(names) ? names[kind] : "pkUnknown";
}

[[noreturn]] void RaiseInvalidType(const TProperty& prop) {
  throw EIEException(Format(SInvalidPropertyType, {KindName(prop.Kind)}));
}

template <class T>
const T& Held(const TPropertyValue& value, const TPersistent& object, const TProperty& prop) {
  const T* held = std::get_if<T>(&value);
  if (!held) throw EPropertyError(Format(SPropertyKindMismatch, {object.ClassName(), prop.Name}));
  return *held;
}

const std::vector<std::string>& Names(const TProperty& prop) {
  static const std::vector<std::string> none;
  return prop.EnumNames ? *prop.EnumNames : none;
}

std::string SetText(int64_t members, const TProperty& prop) {
  std::string text = "[";
  const auto& names = Names(prop);
  for (size_t i = 0; i < names.size() && i < 64; ++i)
    if (members & (int64_t(1) << i)) {
      if (text.size() > 1) text += ',';
      text += names[i];
    }
  return text + "]";
}

int64_t MemberIndex(std::string_view name, const TProperty& prop) {
  const auto& names = Names(prop);
  for (size_t i = 0; i < names.size(); ++i)
    if (SameText(names[i], name)) return int64_t(i);
  throw EIEException(Format(SInvalidPropertyElement, {std::string(name)}));
}

// "[a,b]", "a,b" or "[]": the set of the named members.
int64_t SetMembers(std::string_view text, const TProperty& prop) {
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']')
    text = text.substr(1, text.size() - 2);
  int64_t members = 0;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    std::string_view name = text.substr(0, comma);
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    const int64_t index = MemberIndex(name, prop);
    if (index < 64) members |= int64_t(1) << index;
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
  }
  return members;
}

IIEValue ReadProperty(TPersistent& object, const TProperty& prop) {
  if (prop.Kind == pkObject) return TIEValue::MakeObject(prop.Object);
  if (prop.Kind == pkStringList || !prop.Get) RaiseInvalidType(prop);
  const TPropertyValue value = prop.Get();
  switch (prop.Kind) {
    case pkInteger: {
      const int64_t n = Held<int64_t>(value, object, prop);
      if (n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max())
        return TIEValue::MakeInteger(int32_t(n));
      return TIEValue::MakeFloat(double(n));  // beyond the language's integers
    }
    case pkFloat:
      return TIEValue::MakeFloat(Held<double>(value, object, prop));
    case pkBoolean:
      return BooleanAtom(Held<bool>(value, object, prop));
    case pkString:
      return TIEValue::MakeString(Held<std::string>(value, object, prop));
    case pkEnum: {
      const int64_t ordinal = Held<int64_t>(value, object, prop);
      const auto& names = Names(prop);
      if (ordinal >= 0 && size_t(ordinal) < names.size())
        return TIEValue::MakeAtom(names[size_t(ordinal)]);
      return TIEValue::MakeAtom(std::to_string(ordinal));
    }
    case pkSet:
      return TIEValue::MakeString(SetText(Held<int64_t>(value, object, prop), prop));
    default:
      RaiseInvalidType(prop);
  }
}

TPropertyValue PropertyValueOf(const TIEValue& value, const TProperty& prop) {
  switch (prop.Kind) {
    case pkInteger:
      return int64_t(value.AsInteger());
    case pkFloat:
      return value.AsFloat();
    case pkString:
      return value.AsString();
    case pkBoolean:
      if (value.IsTextType()) {
        if (SameText(value.TextView(), "TRUE")) return true;
        if (SameText(value.TextView(), "FALSE")) return false;
      }
      return value.AsInteger() != 0;
    case pkEnum: {
      if (value.IsTextType() && !value.TextView().empty() &&
          !(value.TextView()[0] >= '0' && value.TextView()[0] <= '9'))
        return MemberIndex(value.TextView(), prop);
      const int32_t ordinal = value.AsInteger();
      if (ordinal < 0 || size_t(ordinal) >= Names(prop).size())
        throw EIEException(Format(SInvalidPropertyElement, {std::to_string(ordinal)}));
      return int64_t(ordinal);
    }
    case pkSet:
      if (value.IsTextType()) return SetMembers(value.TextView(), prop);
      return int64_t(uint32_t(value.AsInteger()));
    default:
      RaiseInvalidType(prop);
  }
}

}  // namespace

// ---------------------------------------------------------------- creating and freeing

TCreateComponentFunction::TCreateComponentFunction() {
  const std::string syntax = std::string("create-component") + SCreateComponentSynopsis +
                             SCreateComponentParentSynopsis;
  DescribeFunction(*this, "create-component", 2, 3, SCreateComponentHelp, syntax);
}

void TCreateComponentFunction::Call(TFunctionCall& funCall, TIEContext* context,
                                    IIEValue& result) {
  TIEUserFunction::Call(funCall, context, result);
  // Every argument is read before anything is made, so a bad one leaves nothing behind.
  const char* className = ClassArgument(funCall, 0, context);
  TComponent* owner = Cast<TComponent>(ObjectArgument(funCall, 1, context));
  TWinControl* parent = nullptr;
  if (funCall.ArgumentCount() > 2) parent = Cast<TWinControl>(ObjectArgument(funCall, 2, context));
  TComponent* component = CreateOf(className, owner);
  if (parent)
    if (auto* control = dynamic_cast<TControl*>(component)) control->SetParent(parent);
  result = TIEValue::MakeObject(component);
}

TCreateObjectFunction::TCreateObjectFunction() {
  DescribeFunction(*this, "create-object", 1, 1, SCreateObjectHelp,
                   std::string("create-object") + SCreateObjectSynopsis);
}

void TCreateObjectFunction::Call(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  TIEUserFunction::Call(funCall, context, result);
  result = TIEValue::MakeObject(CreateOf(ClassArgument(funCall, 0, context), nullptr));
}

TFreeObjectFunction::TFreeObjectFunction() {
  DescribeFunction(*this, "free-object", 1, UnlimitedArguments, SFreeObjectHelp,
                   std::string("free-object") + SFreeObjectSynopsis);
}

void TFreeObjectFunction::Call(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  TIEUserFunction::Call(funCall, context, result);
  TComponent* engine = EngineComponent(funCall, context);
  for (int32_t i = 0; i < funCall.ArgumentCount(); ++i)
    if (TObject* object = ObjectArgument(funCall, i, context)) FreeObject(object, engine);
  result = TrueAtom();
}

TExecuteActionFunction::TExecuteActionFunction() {
  DescribeFunction(*this, "execute-action", 1, 1, SExecuteActionHelp,
                   std::string("execute-action") + SExecuteActionSynopsis);
}

void TExecuteActionFunction::Call(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  TIEUserFunction::Call(funCall, context, result);
  result = BooleanAtom(Required<TBasicAction>(ObjectArgument(funCall, 0, context)).Execute());
}

// ---------------------------------------------------------------- components and classes

TGetComponentFunction::TGetComponentFunction() {
  const std::string syntax = std::string("get-component") + SGetComponentSynopsis +
                             "get-component" + SGetComponentOwnerSynopsis;
  DescribeFunction(*this, "get-component", 0, 2, SGetComponentHelp, syntax);
}

void TGetComponentFunction::Call(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  TIEUserFunction::Call(funCall, context, result);
  const int32_t count = funCall.ArgumentCount();
  if (count == 0) {
    TComponent* engine = EngineComponent(funCall, context);
    result = TIEValue::MakeObject(engine ? engine->Owner() : nullptr);
    return;
  }
  TComponent& owner = count == 1 ? EngineOwner(funCall, context, *this)
                                 : ComponentArgument(ObjectArgument(funCall, 0, context), *this);
  TComponent* found = owner.FindComponent(TextArgument(funCall, count - 1, context));
  result = found ? TIEValue::MakeObject(found) : FalseAtom();
}

TGetComponentsFunction::TGetComponentsFunction() {
  DescribeFunction(*this, "get-components", 0, 1, SGetComponentsHelp,
                   std::string("get-components") + SGetComponentsSynopsis);
}

void TGetComponentsFunction::Call(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  TIEUserFunction::Call(funCall, context, result);
  TComponent& owner = funCall.ArgumentCount() == 0
                          ? EngineOwner(funCall, context, *this)
                          : ComponentArgument(ObjectArgument(funCall, 0, context), *this);
  IValueVector list(new TValueVector());
  for (int i = 0; i < owner.ComponentCount(); ++i)
    list->Add(TIEValue::MakeObject(owner.Components(i)));
  result = TIEValue::MakeList(list);
}

TGetClassFunction::TGetClassFunction() {
  DescribeFunction(*this, "get-class", 1, 1, SGetClassHelp,
                   std::string("get-class") + SGetClassSynopsis);
}

void TGetClassFunction::Call(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  TIEUserFunction::Call(funCall, context, result);
  const std::string name = TextArgument(funCall, 0, context);
  const char* className = RegisteredClassName(name);
  if (!className) throw EClassNotFound(Format(SClassNotFound, {name}));
  result = ClassValue(className);
}

TIsClassFunction::TIsClassFunction() {
  DescribeFunction(*this, "is-class", 2, 2, SIsClassHelp,
                   std::string("is-class") + SIsClassSynopsis);
}

void TIsClassFunction::Call(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  TIEUserFunction::Call(funCall, context, result);
  TObject* object = ObjectArgument(funCall, 0, context);
  const char* className = ClassArgument(funCall, 1, context);
  result = BooleanAtom(className && IsInstanceOfClass(object, className));
}

// ---------------------------------------------------------------- properties

TGetPropertyFunction::TGetPropertyFunction() {
  DescribeFunction(*this, "get-property", 2, 2, SGetPropertyHelp,
                   std::string("get-property") + SGetPropertySynopsis);
}

void TGetPropertyFunction::Call(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  TIEUserFunction::Call(funCall, context, result);
  TPersistent& object = Required<TPersistent>(ObjectArgument(funCall, 0, context));
  std::optional<TProperty> prop = FindProperty(object, TextArgument(funCall, 1, context));
  result = prop ? ReadProperty(object, *prop) : FalseAtom();
}

TGetPropertiesFunction::TGetPropertiesFunction() {
  DescribeFunction(*this, "get-properties", 1, 1, SGetPropertiesHelp,
                   std::string("get-properties") + SGetPropertiesSynopsis);
}

void TGetPropertiesFunction::Call(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  TIEUserFunction::Call(funCall, context, result);
  TPersistent& object = Required<TPersistent>(ObjectArgument(funCall, 0, context));
  std::vector<TProperty> props;
  object.Properties(props);
  IValueVector list(new TValueVector());
  for (const TProperty& prop : props) list->Add(TIEValue::MakeAtom(prop.Name));
  result = TIEValue::MakeList(list);
}

TSetPropertyFunction::TSetPropertyFunction() {
  DescribeFunction(*this, "set-property", 3, 3, SSetPropertyHelp,
                   std::string("set-property") + SSetPropertySynopsis);
}

void TSetPropertyFunction::Call(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  TIEUserFunction::Call(funCall, context, result);
  TPersistent& object = Required<TPersistent>(ObjectArgument(funCall, 0, context));
  std::optional<TProperty> prop = FindProperty(object, TextArgument(funCall, 1, context));
  if (!prop) {
    result = FalseAtom();
    return;
  }
  if (prop->Kind == pkObject || prop->Kind == pkStringList) RaiseInvalidType(*prop);
  if (!prop->Set) throw EIEException(Format(SPropertyReadOnly, {prop->Name}));
  prop->Set(PropertyValueOf(*ValueArgument(funCall, 2, context), *prop));
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
  RegisterFunctionClass<TCreateComponentFunction>("TCreateComponentFunction");
  RegisterFunctionClass<TCreateObjectFunction>("TCreateObjectFunction");
  RegisterFunctionClass<TExecuteActionFunction>("TExecuteActionFunction");
  RegisterFunctionClass<TFreeObjectFunction>("TFreeObjectFunction");
  RegisterFunctionClass<TGetComponentFunction>("TGetComponentFunction");
  RegisterFunctionClass<TGetComponentsFunction>("TGetComponentsFunction");
  RegisterFunctionClass<TGetClassFunction>("TGetClassFunction");
  RegisterFunctionClass<TGetPropertyFunction>("TGetPropertyFunction");
  RegisterFunctionClass<TGetPropertiesFunction>("TGetPropertiesFunction");
  RegisterFunctionClass<TSetPropertyFunction>("TSetPropertyFunction");
  RegisterFunctionClass<TIsClassFunction>("TIsClassFunction");
}
