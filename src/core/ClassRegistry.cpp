#include "core/ClassRegistry.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <set>

#include "core/Component.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"

namespace {

struct TRegistry {
  std::mutex lock;
  std::map<std::string, TComponentFactory> classes;
  // Instance tests by class name; names handed out as class values, interned
  // for the life of the process.
  std::map<std::string, std::function<bool(const TObject*)>> tests;
  std::set<std::string> names;
  TRegistry() {
    classes["TComponent"] = [](TComponent* owner) -> TComponent* { return new TComponent(owner); };
    tests["TComponent"] = [](const TObject* object) {
      return dynamic_cast<const TComponent*>(object) != nullptr;
    };
  }
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

}  // namespace

void RegisterComponentClass(const std::string& className, TComponentFactory factory) {
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  if (factory)
    r.classes[className] = std::move(factory);
  else
    r.classes.erase(className);
}

void UnregisterComponentClass(const std::string& className) {
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.classes.erase(className);
}

TComponentFactory FindComponentClass(const std::string& className) {
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  auto it = r.classes.find(className);
  return it == r.classes.end() ? TComponentFactory() : it->second;
}

bool IsComponentClassRegistered(const std::string& className) {
  return bool(FindComponentClass(className));
}

std::vector<std::string> RegisteredComponentClasses() {
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  std::vector<std::string> names;
  for (const auto& entry : r.classes) names.push_back(entry.first);
  return names;
}

TComponent* CreateComponentByClassName(const std::string& className, TComponent* owner) {
  TComponentFactory factory = FindComponentClass(className);
  if (!factory) throw EClassNotFound(Format(SClassNotFound, {className}));
  return factory(owner);
}

std::unique_ptr<TComponent> CreateComponentByClassName(const std::string& className) {
  return std::unique_ptr<TComponent>(CreateComponentByClassName(className, nullptr));
}

const char* RegisteredClassName(const std::string& className) {
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  if (r.classes.find(className) == r.classes.end()) return nullptr;
  return r.names.insert(className).first->c_str();
}

void RegisterClassTest(const std::string& className, std::function<bool(const TObject*)> test) {
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.tests[className] = std::move(test);
}

bool IsInstanceOfClass(const TObject* object, const std::string& className) {
  if (!object) return false;
  std::function<bool(const TObject*)> test;
  {
    TRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.tests.find(className);
    if (it != r.tests.end()) test = it->second;
  }
  return test ? test(object) : object->ClassName() == className;
}
