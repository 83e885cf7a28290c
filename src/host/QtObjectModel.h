// TQtObjectModel: the object package's reflection interface over Qt's
// meta-object system, for the engines a window owns. (get-component) gives
// the window; children are QObject children, found by objectName at any
// depth; properties are the QMetaProperty list; classes are the ones
// registered here (RegisterClass), tested with QObject::inherits; actions are
// QAction (trigger) and buttons (click).
//
// Property types map onto the package's kinds: integer types give integers,
// bool TRUE or FALSE, float and double floats, QString, QByteArray, QChar and
// char strings, enumerations the atom of their key, flags "[A,B]", QObject
// pointers object values; any other type raises "Invalid property type: %s"
// with the type's name. Writes go through QMetaProperty::write.
//
// Ownership: a created object belongs to the owner given (a widget placed on
// a parent widget is a Qt child of that parent and is still destroyed with
// its owner); one created without owner belongs to the model, which deletes
// it when it goes. Free frees only objects this model created (with their
// children), never the window or what holds it. References this model made
// read as destroyed once the model is gone. The window is not owned.
// Thread-safety: every operation runs on the window thread (WindowThread.h);
// workers wait for it. Construct, register classes and destroy on the window
// thread.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <QObject>
#include <QPointer>

#include "packages/ObjectModel.h"

class TComponent;
class TLifeFlag;

class TQtObjectModel final : public TObjectModel {
 public:
  // Serves the engines WindowComponent owns; Window is the same window as a
  // QObject. Registers Qt's common widgets, QAction and QTimer.
  TQtObjectModel(QObject& window, const TComponent& windowComponent);
  ~TQtObjectModel() override;
  TQtObjectModel(const TQtObjectModel&) = delete;
  TQtObjectModel& operator=(const TQtObjectModel&) = delete;

  // Makes class T (a QObject with a default constructor) known by its
  // meta-object's class name.
  template <class T>
  void RegisterClass() {
    RegisterClass(T::staticMetaObject, [] { return static_cast<QObject*>(new T()); });
  }
  void RegisterClass(const QMetaObject& metaObject, std::function<QObject*()> factory);

  bool Serves(const TComponent& engine) const override;
  IObjectRef Root(const TComponent& engine) const override;

  const char* FindClass(const std::string& name) const override;
  bool IsInstanceOf(const TObjectRef& object, const char* className) const override;
  IObjectRef Create(const char* className, const TObjectRef* owner,
                    const TObjectRef* parent) override;
  void Free(const TObjectRef& object, const TComponent* engine) override;

  bool IsComponent(const TObjectRef& object) const override;
  std::vector<IObjectRef> Children(const TObjectRef& object) const override;
  IObjectRef FindChild(const TObjectRef& object, const std::string& name) const override;

  std::vector<std::string> PropertyNames(const TObjectRef& object) const override;
  std::optional<TObjectProperty> FindProperty(const TObjectRef& object,
                                              const std::string& name) const override;
  IIEValue ReadProperty(const TObjectRef& object, const TObjectProperty& prop) const override;
  void WriteProperty(const TObjectRef& object, const TObjectProperty& prop,
                     const TIEValue& value) override;

  bool ExecuteAction(const TObjectRef& object) override;

 private:
  struct TClass {
    const QMetaObject* MetaObject;
    std::function<QObject*()> Factory;
  };
  struct TCreated {
    QPointer<QObject> Object;
    bool OwnedByModel;
  };

  // A reference to Object (none for none). Window thread.
  IObjectRef Ref(QObject* object) const;
  // The live object of Ref; raises the package's error when it was destroyed.
  QObject* Live(const TObjectRef& ref) const;
  // Whether Object is one this model created or a descendant of one.
  bool Created(const QObject* object) const;

  QPointer<QObject> window_;
  const TComponent& windowComponent_;
  TLifeFlag* life_;  // expired when the model goes; each reference holds it
  std::map<std::string, TClass, std::less<>> classes_;
  std::vector<TCreated> created_;
};
