#include "packages/ObjectModel.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

struct TModels {
  std::mutex lock;
  std::vector<TObjectModel*> registered;  // oldest first
};

TModels& Models() {
  static TModels models;
  return models;
}

}  // namespace

void RegisterObjectModel(TObjectModel& model) {
  TModels& models = Models();
  std::lock_guard<std::mutex> guard(models.lock);
  std::erase(models.registered, &model);
  models.registered.push_back(&model);
}

void UnregisterObjectModel(TObjectModel& model) {
  TModels& models = Models();
  std::lock_guard<std::mutex> guard(models.lock);
  std::erase(models.registered, &model);
}

TObjectModel& ObjectModelFor(const TComponent* engine) {
  if (engine) {
    TModels& models = Models();
    std::lock_guard<std::mutex> guard(models.lock);
    for (auto it = models.registered.rbegin(); it != models.registered.rend(); ++it)
      if ((*it)->Serves(*engine)) return **it;
  }
  return ComponentObjectModel();
}

TObjectModel& ObjectModelOf(const TObjectRef& object) {
  return object.Model() ? *object.Model() : ComponentObjectModel();
}
