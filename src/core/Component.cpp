#include "core/Component.h"

#include <algorithm>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "core/TextCompare.h"

TComponent::TComponent(TComponent* owner) {
  if (!owner) return;
  try {
    owner->InsertComponent(this);
  } catch (...) {
    // No destructor runs for a component whose construction failed, so the
    // owner's entry is let go here.
    if (owner_) (void)owner_->RemoveComponent(this).release();
    throw;
  }
}

TComponent::~TComponent() {
  Destroying();
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  // Free notifications, last link first. The owner hears of the destruction
  // once, below, when this component leaves it.
  while (!freeNotifies_.empty()) {
    TComponent* other = freeNotifies_.back();
    freeNotifies_.pop_back();
    auto& back = other->freeNotifies_;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
    if (other != owner_) other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (owner_) {
    // The owner's entry is released, not destroyed: destruction is under way.
    std::unique_ptr<TComponent> self = owner_->RemoveComponent(this);
    (void)self.release();
  }
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError(Format(SListIndexError, {index}));
  return components_[size_t(index)].get();
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  const auto& list = owner_->components_;
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].get() == this) return int(i);
  return -1;
}

void TComponent::CheckNameFree(const std::string& name, const TComponent* except) const {
  if (name.empty()) return;
  for (const auto& c : components_)
    if (c.get() != except && SameText(c->name_, name))
      throw EComponentError(Format(SDuplicateComponentName, {name}));
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component->owner_ == this) return;
  for (const TComponent* c = this; c; c = c->owner_)
    if (c == component) throw EComponentError(Format(SInvalidComponentOwner, {component->name_}));
  CheckNameFree(component->name_, nullptr);
  if (component->owner_) {
    std::unique_ptr<TComponent> moved = component->owner_->RemoveComponent(component);
    (void)moved.release();  // ownership passes to the list below
  }
  components_.emplace_back(component);
  component->owner_ = this;
  Notification(component, opInsert);
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->owner_ != this) return nullptr;
  Notification(component, opRemove);
  // The notification may already have moved or removed the component.
  auto it = std::find_if(components_.begin(), components_.end(),
                         [component](const auto& p) { return p.get() == component; });
  if (it == components_.end()) return nullptr;
  std::unique_ptr<TComponent> result = std::move(*it);
  components_.erase(it);
  component->owner_ = nullptr;
  return result;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    // Dropping the removed component destroys it.
    RemoveComponent(components_.back().get()).reset();
  }
}

bool TComponent::IsValidName(const std::string& name) {
  if (name.empty()) return true;
  if (name[0] >= '0' && name[0] <= '9') return false;
  for (char ch : name) {
    bool ok = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
              ch == '_';
    if (!ok) return false;
  }
  return true;
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  if (!IsValidName(name)) throw EComponentError(Format(SInvalidComponentName, {name}));
  if (owner_) owner_->CheckNameFree(name, this);
  name_ = name;
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (const auto& c : components_)
    if (SameText(c->name_, name)) return c.get();
  return nullptr;
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (state_.Contains(csDestroying) || component->state_.Contains(csDestroying)) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) != freeNotifies_.end())
    return;
  freeNotifies_.push_back(component);
  component->freeNotifies_.push_back(this);
}

void TComponent::Unlink(TComponent* component) {
  freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component),
                      freeNotifies_.end());
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  Unlink(component);
  component->Unlink(this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component) RemoveFreeNotification(component);
}

void TComponent::SetComponentStateItem(TComponentStateItem item, bool on) {
  if (on)
    state_.Include(item);
  else
    state_.Exclude(item);
}

void TComponent::GetChildren(std::vector<TComponent*>& children) const {
  for (const auto& c : components_)
    if (!c->state_.Contains(csSubComponent)) children.push_back(c.get());
}

void TComponent::Loaded() {
  state_.Exclude(csLoading);
}

void TComponent::Properties(std::vector<TProperty>& props) {
  TProperty p;
  p.Name = "Name";
  p.Kind = pkString;
  p.Get = [this]() -> TPropertyValue { return name_; };
  p.Set = [this](const TPropertyValue& v) { SetName(std::get<std::string>(v)); };
  p.Default = TPropertyValue(std::string());
  props.push_back(std::move(p));
}
