#include "host/QtObjectModel.h"

#include <optional>
#include <type_traits>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "core/Component.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "core/LifeFlag.h"
#include "host/QtPropertyValues.h"
#include "host/WindowThread.h"

namespace {

// A weak reference to a Qt object: it lives while the object and the model
// that made it do.
class TQtObjectRef final : public TObjectRef {
 public:
  TQtObjectRef(TObjectModel& model, QObject* object, TLifeFlag& modelLife)
      : TObjectRef(&model, object, object->metaObject()->className()),
        object_(object),
        modelLife_(modelLife) {
    modelLife_.AddRef();
  }
  ~TQtObjectRef() override { modelLife_.Release(); }
  bool Alive() const noexcept override { return modelLife_.Alive() && !object_.isNull(); }
  QObject* Get() const noexcept { return modelLife_.Alive() ? object_.data() : nullptr; }

 private:
  QPointer<QObject> object_;
  TLifeFlag& modelLife_;
};

// Destroys a created object together with its owner when the object's Qt
// parent is another (the widget it is placed on) or none.
class TOwnerLink : public QObject {
 public:
  TOwnerLink(QObject* owner, QObject* owned) : QObject(owner), owned_(owned) {}
  ~TOwnerLink() override { delete owned_.data(); }

 private:
  QPointer<QObject> owned_;
};

// Runs Work on the window thread and gives its result.
template <class F>
auto OnWindow(F&& work) {
  using R = decltype(work());
  if constexpr (std::is_void_v<R>) {
    WindowThread::Call(work);
  } else {
    std::optional<R> result;
    WindowThread::Call([&] { result.emplace(work()); });
    return std::move(*result);
  }
}

}  // namespace

TQtObjectModel::TQtObjectModel(QObject& window, const TComponent& windowComponent)
    : window_(&window), windowComponent_(windowComponent), life_(new TLifeFlag()) {
  RegisterClass<QObject>();
  RegisterClass<QTimer>();
  RegisterClass<QAction>();
  RegisterClass<QWidget>();
  RegisterClass<QFrame>();
  RegisterClass<QLabel>();
  RegisterClass<QPushButton>();
  RegisterClass<QCheckBox>();
  RegisterClass<QLineEdit>();
  RegisterClass<QListWidget>();
}

TQtObjectModel::~TQtObjectModel() {
  life_->Expire();
  for (TCreated& created : created_)
    if (created.OwnedByModel) delete created.Object.data();
  life_->Release();
}

void TQtObjectModel::RegisterClass(const QMetaObject& metaObject,
                                   std::function<QObject*()> factory) {
  classes_[metaObject.className()] = TClass{&metaObject, std::move(factory)};
}

IObjectRef TQtObjectModel::Ref(QObject* object) const {
  if (!object) return nullptr;
  return IObjectRef(new TQtObjectRef(const_cast<TQtObjectModel&>(*this), object, *life_));
}

QObject* TQtObjectModel::Live(const TObjectRef& ref) const {
  QObject* object = static_cast<const TQtObjectRef&>(ref).Get();
  if (!object) throw EIEException(Format(SObjectDestroyed, {ref.ClassName()}));
  return object;
}

bool TQtObjectModel::Serves(const TComponent& engine) const {
  return engine.Owner() == &windowComponent_;
}

IObjectRef TQtObjectModel::Root(const TComponent&) const {
  return OnWindow([&] { return Ref(window_.data()); });
}

// ---------------------------------------------------------------- classes

const char* TQtObjectModel::FindClass(const std::string& name) const {
  return OnWindow([&]() -> const char* {
    auto it = classes_.find(name);
    return it == classes_.end() ? nullptr : it->second.MetaObject->className();
  });
}

bool TQtObjectModel::IsInstanceOf(const TObjectRef& object, const char* className) const {
  return OnWindow([&] { return Live(object)->inherits(className); });
}

IObjectRef TQtObjectModel::Create(const char* className, const TObjectRef* owner,
                                  const TObjectRef* parent) {
  return OnWindow([&] {
    auto it = classes_.find(className ? className : "");
    if (it == classes_.end())
      throw EClassNotFound(Format(SClassNotFound, {className ? className : ""}));
    QObject* ownerObject = owner ? Live(*owner) : nullptr;
    QWidget* parentWidget = nullptr;
    if (parent) {
      parentWidget = qobject_cast<QWidget*>(Live(*parent));
      if (!parentWidget) throw EInvalidCast(SInvalidCast);
    }
    QObject* made = it->second.Factory();
    if (auto* widget = qobject_cast<QWidget*>(made)) {
      // A widget's Qt parent is where it shows; its owner destroys it too.
      if (parentWidget) {
        widget->setParent(parentWidget);
        widget->show();
      }
      if (ownerObject && ownerObject != parentWidget) new TOwnerLink(ownerObject, widget);
    } else if (ownerObject) {
      made->setParent(ownerObject);
    }
    std::erase_if(created_, [](const TCreated& c) { return c.Object.isNull(); });
    created_.push_back(TCreated{made, ownerObject == nullptr});
    return Ref(made);
  });
}

bool TQtObjectModel::Created(const QObject* object) const {
  for (const QObject* o = object; o; o = o->parent())
    for (const TCreated& created : created_)
      if (created.Object.data() == o) return true;
  return false;
}

void TQtObjectModel::Free(const TObjectRef& ref, const TComponent*) {
  OnWindow([&] {
    QObject* object = Live(ref);
    for (const QObject* holder = window_.data(); holder; holder = holder->parent())
      if (holder == object) throw EIEException(Format(SObjectHoldsEngine, {ref.ClassName()}));
    if (!Created(object)) throw EIEException(Format(SObjectNotFreeable, {ref.ClassName()}));
    delete object;
  });
}

// ---------------------------------------------------------------- owned children

bool TQtObjectModel::IsComponent(const TObjectRef& object) const {
  return OnWindow([&] { return Live(object) != nullptr; });
}

std::vector<IObjectRef> TQtObjectModel::Children(const TObjectRef& object) const {
  return OnWindow([&] {
    std::vector<IObjectRef> children;
    for (QObject* child : Live(object)->children()) children.push_back(Ref(child));
    return children;
  });
}

IObjectRef TQtObjectModel::FindChild(const TObjectRef& object, const std::string& name) const {
  return OnWindow([&]() -> IObjectRef {
    QObject* owner = Live(object);
    if (name.empty()) return nullptr;  // every unnamed child would match
    return Ref(owner->findChild<QObject*>(QString::fromStdString(name)));
  });
}

// ---------------------------------------------------------------- properties

std::vector<std::string> TQtObjectModel::PropertyNames(const TObjectRef& object) const {
  return OnWindow([&] {
    const QMetaObject& meta = *Live(object)->metaObject();
    std::vector<std::string> names;
    for (int i = 0; i < meta.propertyCount(); ++i) names.push_back(meta.property(i).name());
    return names;
  });
}

std::optional<TObjectProperty> TQtObjectModel::FindProperty(const TObjectRef& object,
                                                            const std::string& name) const {
  return OnWindow([&]() -> std::optional<TObjectProperty> {
    const QMetaObject& meta = *Live(object)->metaObject();
    const int index = meta.indexOfProperty(name.c_str());
    if (index < 0) return std::nullopt;
    const QMetaProperty prop = meta.property(index);
    return TObjectProperty{prop.name(), QtPropertyKind(prop), prop.typeName(), prop.isWritable()};
  });
}

IIEValue TQtObjectModel::ReadProperty(const TObjectRef& object,
                                      const TObjectProperty& prop) const {
  return OnWindow([&] {
    QObject* target = Live(object);
    const QMetaObject& meta = *target->metaObject();
    const QMetaProperty metaProperty = meta.property(meta.indexOfProperty(prop.Name.c_str()));
    const QVariant value = metaProperty.read(target);
    if (prop.Kind == okObject) return TIEValue::MakeObject(Ref(value.value<QObject*>()));
    return QtValueOf(metaProperty, value);
  });
}

void TQtObjectModel::WriteProperty(const TObjectRef& object, const TObjectProperty& prop,
                                   const TIEValue& value) {
  OnWindow([&] {
    QObject* target = Live(object);
    const QMetaObject& meta = *target->metaObject();
    const QMetaProperty metaProperty = meta.property(meta.indexOfProperty(prop.Name.c_str()));
    if (!metaProperty.isWritable()) throw EIEException(Format(SPropertyReadOnly, {prop.Name}));
    if (!metaProperty.write(target, QtVariantOf(metaProperty, value)))
      throw EIEException(Format(SPropertyNotWritten, {prop.Name, value.AsText()}));
  });
}

// ---------------------------------------------------------------- actions

bool TQtObjectModel::ExecuteAction(const TObjectRef& object) {
  return OnWindow([&] {
    QObject* target = Live(object);
    if (auto* action = qobject_cast<QAction*>(target)) {
      if (!action->isEnabled()) return false;
      action->trigger();
      return true;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(target)) {
      if (!button->isEnabled()) return false;
      button->click();
      return true;
    }
    throw EInvalidCast(SInvalidCast);
  });
}
