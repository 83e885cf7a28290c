// TObjectModel: the reflection interface through which the object package
// reaches a host's objects — classes by name, creating and freeing objects,
// owned children found by name, published properties with their kinds,
// reading and writing them, executing actions. The engine library's own
// implementation is the component model (ComponentObjectModel.h); a host with
// a window toolkit registers its own for the engines it owns.
//
// Objects travel as counted weak references (TObjectRef, values/ObjectRef.h):
// the model that made a reference is the one that serves it. A reference
// whose object was destroyed reaches no model operation: the package raises
// its error first. Class names handed out by FindClass live as long as the
// process.
//
// Ownership: a model is owned by whoever registers it (the component model
// by the process) and must be unregistered before it goes.
// Thread-safety: the registry of models takes a mutex; each model says which
// threads may call its operations.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "values/IEValue.h"
#include "values/ObjectRef.h"

class TComponent;

// The kinds of published properties the package converts.
enum TObjectPropertyKind : uint8_t {
  okInteger,      // an integer value (beyond 32 bits: a float)
  okFloat,        // a float
  okBoolean,      // TRUE or FALSE
  okString,       // a string (characters too)
  okEnumeration,  // the atom of the value's name
  okSet,          // the string "[a,b]" of the members' names
  okObject,       // an object value
  okUnsupported   // any other kind: "Invalid property type: %s"
};

// A published property as the model describes it. TypeName is the model's
// name of its type, as the message of an unsupported kind shows it.
struct TObjectProperty {
  std::string Name;
  TObjectPropertyKind Kind = okUnsupported;
  std::string TypeName;
  bool Writable = false;
};

class TObjectModel {
 public:
  virtual ~TObjectModel() = default;

  // Whether this model serves Engine (whose owner is then reachable as Root).
  virtual bool Serves(const TComponent& engine) const = 0;
  // The object standing for Engine's owner; none when it has no owner.
  virtual IObjectRef Root(const TComponent& engine) const = 0;

  // ---- Classes
  // The registered class of that name (text that lives as long as the
  // process), or none.
  virtual const char* FindClass(const std::string& name) const = 0;
  // Whether Object is of the class ClassName or of a descendant.
  virtual bool IsInstanceOf(const TObjectRef& object, const char* className) const = 0;
  // A new object of a class FindClass gave. Owner (may be none) owns it;
  // Parent, when given and the new object is a control, is where it is
  // placed. EInvalidCast when Owner or Parent is not of a fitting class.
  virtual IObjectRef Create(const char* className, const TObjectRef* owner,
                            const TObjectRef* parent) = 0;
  // Frees Object unless it holds Engine (EIEException "...holds the running
  // engine") or this model does not own it (EIEException "Cannot free...").
  virtual void Free(const TObjectRef& object, const TComponent* engine) = 0;

  // ---- Owned children
  // Whether Object can own children (get-component's argument).
  virtual bool IsComponent(const TObjectRef& object) const = 0;
  virtual std::vector<IObjectRef> Children(const TObjectRef& object) const = 0;
  // The owned child of that name, or none.
  virtual IObjectRef FindChild(const TObjectRef& object, const std::string& name) const = 0;

  // ---- Properties
  // The published properties' names, in the model's order.
  virtual std::vector<std::string> PropertyNames(const TObjectRef& object) const = 0;
  virtual std::optional<TObjectProperty> FindProperty(const TObjectRef& object,
                                                      const std::string& name) const = 0;
  // Reads a property FindProperty gave (its kind not okUnsupported).
  virtual IIEValue ReadProperty(const TObjectRef& object, const TObjectProperty& prop) const = 0;
  // Writes Value to a writable property of a kind other than okObject and
  // okUnsupported; raises the value's conversion errors, or "Invalid property
  // element: %s" for a name an enumeration or set lacks.
  virtual void WriteProperty(const TObjectRef& object, const TObjectProperty& prop,
                             const TIEValue& value) = 0;

  // ---- Actions
  // Runs the action; TRUE or FALSE as it reports. EInvalidCast for an object
  // that is no action.
  virtual bool ExecuteAction(const TObjectRef& object) = 0;
};

// The component model of the engine library (one per process).
TObjectModel& ComponentObjectModel();

// Registers Model for the engines it Serves; models registered later are asked
// first. Unregister before the model is destroyed.
void RegisterObjectModel(TObjectModel& model);
void UnregisterObjectModel(TObjectModel& model);
// The model serving Engine: the latest registered one that Serves it, else
// the component model (also when there is no engine).
TObjectModel& ObjectModelFor(const TComponent* engine);
// The model of Object: the one that made the reference.
TObjectModel& ObjectModelOf(const TObjectRef& object);
