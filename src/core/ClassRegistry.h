// The registry of component classes by name, through which streams and rule
// programs create components whose class they know only by name.
// Registration may run from static initialisers of any unit (the registry is a
// function-local static). Note that a static library's unit is linked only when
// something else in it is used, so a class registers itself from the unit that
// defines the class. Thread-safe: lookups and registrations take a mutex.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TComponent;

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

template <class T>
void RegisterComponentClass(const std::string& className) {
  RegisterComponentClass(className, [](TComponent* owner) -> TComponent* { return new T(owner); });
}

// Registers T under className when a static instance is initialised:
//   static const TComponentClassRegistrar<TMyComponent> registrar("TMyComponent");
template <class T>
struct TComponentClassRegistrar {
  explicit TComponentClassRegistrar(const std::string& className) {
    RegisterComponentClass<T>(className);
  }
};
