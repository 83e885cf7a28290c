// TObjectRef: what an object value (dtObject) holds — a counted, weak
// reference to one host object. It never keeps the object alive and never
// dangles: once the object is destroyed the reference reads as no object
// (Address is none), while it still knows the class name the object had, so
// that a use of it can say what was lost.
//
// The object package reaches the object through an object model (its
// reflection interface); Model names the one that made the reference, none
// standing for the component model of the engine library. Other models (a
// host's window toolkit) subclass TObjectRef.
//
// Ownership: counted (TRef); the object is not owned.
// Thread-safety: the count, Address and Alive may be used on any thread (an
// object destroyed on another thread reads as none afterwards); the object
// itself is used by one thread at a time, as its model says.
#pragma once

#include <string>
#include <utility>

#include "collections/RefCount.h"

class TComponent;
class TLifeFlag;
class TObject;
class TObjectModel;

class TObjectRef : public TRefCounted {
 public:
  TObjectRef(TObjectModel* model, const void* identity, std::string className)
      : model_(model), identity_(identity), className_(std::move(className)) {}

  // The model that reaches the object; none: the component model.
  TObjectModel* Model() const noexcept { return model_; }
  // Whether the object still lives.
  virtual bool Alive() const noexcept = 0;
  // The object's address while it lives; none afterwards.
  const void* Address() const noexcept { return Alive() ? identity_ : nullptr; }
  // The object's address when the reference was made, also after its death
  // (for hashing: a value's hash code never changes).
  const void* Identity() const noexcept { return identity_; }
  // The class name the object had when the reference was made.
  const std::string& ClassName() const noexcept { return className_; }
  // The object of the component model, while it lives; none for another
  // model's object.
  virtual TObject* Object() const noexcept { return nullptr; }

 private:
  TObjectModel* model_;
  const void* identity_;
  std::string className_;
};

using IObjectRef = TRef<TObjectRef>;

// A reference of the component model to Object. A component is followed
// itself; any other object (a component's sub-object) lives as long as
// Anchor, the component it belongs to, and without an anchor is taken to
// outlive every value holding it (the caller's promise). None for no object.
IObjectRef MakeComponentRef(TObject* object, const TComponent* anchor = nullptr);
// A reference of the component model to Member, an object that belongs to the
// object Holder refers to (a component's sub-object): it lives as long as
// Holder's object. A component member is followed itself.
IObjectRef MakeMemberRef(TObject* member, const TObjectRef& holder);
