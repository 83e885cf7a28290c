#include "packages/ComponentObjectModel.h"

#include <cstdint>
#include <limits>
#include <string_view>

#include "core/ClassRegistry.h"
#include "core/Component.h"
#include "core/Controls.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "core/TextCompare.h"

namespace {

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

TComponent& ComponentOf(const TObjectRef& object) {
  return Required<TComponent>(object.Object());
}

bool Contains(const TComponent& root, const TObject* object) {
  for (int i = 0; i < root.ComponentCount(); ++i) {
    const TComponent* child = root.Components(i);
    if (child == object || Contains(*child, object)) return true;
  }
  return false;
}

// ---- Property values

const char* KindName(TPropertyKind kind) {
  static const char* const names[] = {"pkInteger", "pkFloat", "pkBoolean", "pkString",
                                      "pkEnum",    "pkSet",   "pkStringList", "pkObject"};
  return size_t(kind) < std::size(names) ? names[kind] : "pkUnknown";
}

TObjectPropertyKind KindOf(TPropertyKind kind) {
  switch (kind) {
    case pkInteger: return okInteger;
    case pkFloat: return okFloat;
    case pkBoolean: return okBoolean;
    case pkString: return okString;
    case pkEnum: return okEnumeration;
    case pkSet: return okSet;
    case pkObject: return okObject;
    default: return okUnsupported;
  }
}

[[noreturn]] void RaiseInvalidType(const TProperty& prop) {
  throw EIEException(Format(SInvalidPropertyType, {KindName(prop.Kind)}));
}

// The descriptor of a property FindProperty reported.
TProperty Descriptor(const TObjectRef& object, const TObjectProperty& prop) {
  std::optional<TProperty> found = FindProperty(Required<TPersistent>(object.Object()), prop.Name);
  if (!found) throw EIEException(Format(SInvalidPropertyType, {prop.TypeName}));
  return std::move(*found);
}

template <class T>
const T& Held(const TPropertyValue& value, const TObjectRef& object, const TProperty& prop) {
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

TObjectModel& ComponentObjectModel() {
  static TComponentObjectModel model;
  return model;
}

TComponentObjectModel::~TComponentObjectModel() {
  for (TObject* object : created_) delete object;
}

bool TComponentObjectModel::Serves(const TComponent&) const { return true; }

IObjectRef TComponentObjectModel::Root(const TComponent& engine) const {
  return MakeComponentRef(engine.Owner());
}

// ---------------------------------------------------------------- classes

const char* TComponentObjectModel::FindClass(const std::string& name) const {
  return RegisteredClassName(name);
}

bool TComponentObjectModel::IsInstanceOf(const TObjectRef& object, const char* className) const {
  return className && IsInstanceOfClass(object.Object(), className);
}

IObjectRef TComponentObjectModel::Create(const char* className, const TObjectRef* owner,
                                         const TObjectRef* parent) {
  // Every argument is checked before anything is made, so a bad one leaves nothing behind.
  TComponent* ownerComponent = owner ? Cast<TComponent>(owner->Object()) : nullptr;
  TWinControl* parentControl = parent ? Cast<TWinControl>(parent->Object()) : nullptr;
  TComponent* component = CreateComponentByClassName(className ? className : "", ownerComponent);
  if (!ownerComponent) {
    std::lock_guard<std::mutex> guard(lock_);
    created_.insert(component);
  }
  if (parentControl)
    if (auto* control = dynamic_cast<TControl*>(component)) control->SetParent(parentControl);
  return MakeComponentRef(component);
}

bool TComponentObjectModel::TakeCreated(TObject* object) {
  std::lock_guard<std::mutex> guard(lock_);
  return created_.erase(object) != 0;
}

std::vector<TComponent*> TComponentObjectModel::CreatedRoots() {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<TComponent*> roots;
  for (TObject* object : created_)
    if (auto* c = dynamic_cast<TComponent*>(object)) roots.push_back(c);
  return roots;
}

void TComponentObjectModel::Free(const TObjectRef& ref, const TComponent* engine) {
  TObject* object = ref.Object();
  for (const TComponent* c = engine; c; c = c->Owner())
    if (c == object) throw EIEException(Format(SObjectHoldsEngine, {ref.ClassName()}));
  if (TakeCreated(object)) {
    delete object;
    return;
  }
  std::vector<TComponent*> roots = CreatedRoots();
  if (engine) {
    const TComponent* root = engine;
    while (root->Owner()) root = root->Owner();
    roots.push_back(const_cast<TComponent*>(root));
  }
  for (const TComponent* root : roots)
    if (Contains(*root, object)) {
      delete object;  // an owned component leaves its owner as it is destroyed
      return;
    }
  throw EIEException(Format(SObjectNotFreeable, {ref.ClassName()}));
}

// ---------------------------------------------------------------- owned children

bool TComponentObjectModel::IsComponent(const TObjectRef& object) const {
  return dynamic_cast<TComponent*>(object.Object()) != nullptr;
}

std::vector<IObjectRef> TComponentObjectModel::Children(const TObjectRef& object) const {
  const TComponent& owner = ComponentOf(object);
  std::vector<IObjectRef> children;
  for (int i = 0; i < owner.ComponentCount(); ++i)
    children.push_back(MakeComponentRef(owner.Components(i)));
  return children;
}

IObjectRef TComponentObjectModel::FindChild(const TObjectRef& object,
                                            const std::string& name) const {
  return MakeComponentRef(ComponentOf(object).FindComponent(name));
}

// ---------------------------------------------------------------- properties

std::vector<std::string> TComponentObjectModel::PropertyNames(const TObjectRef& object) const {
  std::vector<TProperty> props;
  Required<TPersistent>(object.Object()).Properties(props);
  std::vector<std::string> names;
  for (const TProperty& prop : props) names.push_back(prop.Name);
  return names;
}

std::optional<TObjectProperty> TComponentObjectModel::FindProperty(const TObjectRef& object,
                                                                   const std::string& name) const {
  std::optional<TProperty> found = ::FindProperty(Required<TPersistent>(object.Object()), name);
  if (!found) return std::nullopt;
  TObjectProperty prop;
  prop.Name = found->Name;
  prop.Kind = KindOf(found->Kind);
  prop.TypeName = KindName(found->Kind);
  prop.Writable = bool(found->Set);
  return prop;
}

IIEValue TComponentObjectModel::ReadProperty(const TObjectRef& object,
                                             const TObjectProperty& described) const {
  const TProperty prop = Descriptor(object, described);
  if (prop.Kind == pkObject) return TIEValue::MakeObject(MakeMemberRef(prop.Object, object));
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

void TComponentObjectModel::WriteProperty(const TObjectRef& object,
                                          const TObjectProperty& described,
                                          const TIEValue& value) {
  const TProperty prop = Descriptor(object, described);
  if (!prop.Set) throw EIEException(Format(SPropertyReadOnly, {prop.Name}));
  prop.Set(PropertyValueOf(value, prop));
}

// ---------------------------------------------------------------- actions

bool TComponentObjectModel::ExecuteAction(const TObjectRef& object) {
  return Required<TBasicAction>(object.Object()).Execute();
}
