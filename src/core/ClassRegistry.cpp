#include "core/ClassRegistry.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "core/Component.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"

namespace {

struct TRegistry {
  std::mutex lock;
  std::map<std::string, TComponentFactory> classes;
  TRegistry() {
    classes["TComponent"] = [](TComponent* owner) -> TComponent* { return new TComponent(owner); };
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
