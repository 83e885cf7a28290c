// The object package: rule programs reach the host's objects — create and
// free objects and components, find components by name, read and write
// published properties, test classes and execute actions. It works through
// an object model (ObjectModel.h): the engine library's component model, or
// the one a host registers for the engines it owns. Objects travel in
// dtObject values as weak references (an object destroyed meanwhile reads as
// the nil object, and using it raises "The %s object this value refers to was
// destroyed"); classes in dtClass values holding a registered class name.
//
// Property kinds map onto values as follows: integers give integers (a value
// beyond 32 bits gives a float), strings and characters give strings,
// enumerations give the atom of the value's name, booleans give TRUE or
// FALSE, floats give floats, sets give the string of the set's members in
// brackets ("[a,b]"), object properties give object values; other kinds raise
// "Invalid property type: %s".
//
// Ownership: what a model creates belongs to the owner given, or to the model
// (see the model); free-object frees only what the object's model owns, never
// the running engine or an object holding it.
// Thread-safety: the function objects keep no state of a call; each model
// says on which threads its objects may be used.
#pragma once

#include <string>

#include "functions/FunctionKit.h"
#include "functions/IEPackageComponents.h"
#include "functions/IEPackages.h"

// (create-component <class> <owner> [<parent>]): a new component of the class
// owned by Owner (nil: by the model); a control among them is placed on the
// windowed control Parent. EInvalidCast when Owner is not a component or
// Parent not a windowed control of the model that knows the class.
IE_FUNCTION(TCreateComponentFunction)
// (create-object <class>): a new object of the class, without owner.
IE_FUNCTION(TCreateObjectFunction)
// (execute-action <action>): TRUE or FALSE as the action's Execute reports;
// EInvalidCast for anything but an action.
IE_FUNCTION(TExecuteActionFunction)
// (free-object <object>*): frees each object in order (nil is skipped; one
// destroyed already is an error); TRUE.
IE_FUNCTION(TFreeObjectFunction)
// (get-component), (get-component <name>), (get-component <component> <name>):
// the engine's owner, or the named component owned by the engine's owner or by
// Component; FALSE when none has the name.
IE_FUNCTION(TGetComponentFunction)
// (get-components [<component>]): the owned components as a multifield.
IE_FUNCTION(TGetComponentsFunction)
// (get-class <name>): the class of that name the engine's model knows, else
// the component model's; EClassNotFound otherwise.
IE_FUNCTION(TGetClassFunction)
// (get-property <object> <name>): the property's value, FALSE when absent.
IE_FUNCTION(TGetPropertyFunction)
// (get-properties <object>): the property names as a multifield of atoms.
IE_FUNCTION(TGetPropertiesFunction)
// (set-property <object> <name> <value>): TRUE when the property exists and
// was written, FALSE when absent. Enumerations and sets also take their
// members' names (as get-property gives them).
IE_FUNCTION(TSetPropertyFunction)
// (is-class <object> <class>): whether the object is of the class or a descendant.
IE_FUNCTION(TIsClassFunction)


// TObjectPackage: creates the eleven functions above, in the order declared.
// Registered by class name, so an engine whose Packages selects the object
// package can create it.
class TObjectPackage : public TUserPackage {
 public:
  explicit TObjectPackage(TComponent* owner = nullptr);
  std::string ClassName() const override { return "TObjectPackage"; }
  void CreateFunctions() override;
};
