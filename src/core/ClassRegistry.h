// The registry of component classes by name, through which streams and rule
// programs create components whose class they know only by name.
// The registry is a function-local static, so registration may run at any
// time, even from static initialisers. A library registers its classes by an
// explicit call rather than by static initialisers of its own units: a static
// library's unit is linked only when something else in it is used, and its
// initialisers would be dropped with it. Thread-safe: lookups and
// registrations take a mutex.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TComponent;
class TObject;

// Makes a component with the given owner (null: the caller owns the result).
using TComponentFactory = std::function<TComponent*(TComponent* owner)>;

// Registers (or replaces) the factory of className; names compare exactly.
void RegisterComponentClass(const std::string& className, TComponentFactory factory);
void UnregisterComponentClass(const std::string& className);
// The factory of className, or an empty function when it is not registered.
TComponentFactory FindComponentClass(const std::string& className);
bool IsComponentClassRegistered(const std::string& className);
// The registered class names, sorted.
std::vector<std::string> RegisteredComponentClasses();

// A new component of the named class, owned by owner when owner is given (the
// caller owns it otherwise). EClassNotFound "Class %s not found" when unknown.
TComponent* CreateComponentByClassName(const std::string& className, TComponent* owner);
// The same without an owner, the result owned by the caller.
std::unique_ptr<TComponent> CreateComponentByClassName(const std::string& className);

// The registered name of className as text that lives as long as the process
// (class values of the rule language hold it), or none when not registered.
const char* RegisteredClassName(const std::string& className);

// Whether Object is an instance of the registered class className or of a
// descendant. Classes registered through the template below are tested with
// the language's own type test; others only by an exactly equal ClassName().
// False for a null object.
bool IsInstanceOfClass(const TObject* object, const std::string& className);
// Records the instance test of className (kept when the factory is replaced).
void RegisterClassTest(const std::string& className, std::function<bool(const TObject*)> test);

template <class T>
void RegisterComponentClass(const std::string& className) {
  RegisterComponentClass(className, [](TComponent* owner) -> TComponent* { return new T(owner); });
  RegisterClassTest(className, [](const TObject* object) {
    return dynamic_cast<const T*>(object) != nullptr;
  });
}

// Registers T under className when a static instance is initialised:
//   static const TComponentClassRegistrar<TMyComponent> registrar("TMyComponent");
template <class T>
struct TComponentClassRegistrar {
  explicit TComponentClassRegistrar(const std::string& className) {
    RegisterComponentClass<T>(className);
  }
};
