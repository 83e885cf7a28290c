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
  if (TLifeFlag* flag = life_.load(std::memory_order_acquire)) flag->Release();
}

TLifeFlag* TComponent::LifeFlag() const {
  TLifeFlag* flag = life_.load(std::memory_order_acquire);
  if (!flag) {
    auto* made = new TLifeFlag();
    if (life_.compare_exchange_strong(flag, made, std::memory_order_acq_rel))
      flag = made;
    else
      made->Release();  // another thread made it first
    if (state_.Contains(csDestroying)) flag->Expire();
  }
  flag->AddRef();
  return flag;
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  // Weak references read the component as gone from here on.
  if (TLifeFlag* flag = life_.load(std::memory_order_acquire)) flag->Expire();
  // Free notifications, last link first. The owner hears of the destruction
  // once, below, when this component leaves it.
  while (!freeNotifies_.Empty()) {
    TComponent* other = freeNotifies_.PopBack();
    other->freeNotifies_.Remove(this);
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
  Compact();
  return components_[size_t(index)].get();
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  owner_->Compact();
  const auto& list = owner_->components_;
  if (slot_ < list.size() && list[slot_].get() == this) return int(slot_);
  return -1;
}

void TComponent::Compact() const {
  if (holes_ == 0) return;
  size_t kept = 0;
  for (size_t i = 0; i < components_.size(); ++i) {
    if (!components_[i]) continue;
    if (i != kept) components_[kept] = std::move(components_[i]);
    components_[kept]->slot_ = kept;
    ++kept;
  }
  components_.resize(kept);
  holes_ = 0;
}

void TComponent::CheckNameFree(const std::string& name, const TComponent* except) const {
  if (name.empty()) return;
  for (const auto& c : components_)
    if (c && c.get() != except && SameText(c->name_, name))
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
  component->slot_ = components_.size() - 1;
  component->owner_ = this;
  Notification(component, opInsert);
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->owner_ != this) return nullptr;
  size_t slot = component->slot_;
  Notification(component, opRemove);
  // The notification may already have moved or removed (even freed) the
  // component, or closed the holes before it: it is looked for by address,
  // where it was first.
  if (slot >= components_.size() || components_[slot].get() != component) {
    auto it = std::find_if(components_.begin(), components_.end(),
                           [component](const auto& p) { return p.get() == component; });
    if (it == components_.end()) return nullptr;
    slot = size_t(it - components_.begin());
  }
  std::unique_ptr<TComponent> result = std::move(components_[slot]);
  if (slot + 1 == components_.size()) {
    components_.pop_back();
    while (!components_.empty() && !components_.back()) {
      components_.pop_back();
      --holes_;
    }
  } else {
    // A hole instead of shifting every later component down.
    ++holes_;
    if (holes_ > 16 && holes_ * 2 > components_.size()) Compact();
  }
  component->owner_ = nullptr;
  return result;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    // Dropping the removed component destroys it (the last one is no hole).
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
    if (c && SameText(c->name_, name)) return c.get();
  return nullptr;
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (state_.Contains(csDestroying) || component->state_.Contains(csDestroying)) return;
  if (freeNotifies_.Contains(component)) return;
  freeNotifies_.Add(component);
  component->freeNotifies_.Add(this);
}

void TComponent::Unlink(TComponent* component) {
  freeNotifies_.Remove(component);
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
    if (c && !c->state_.Contains(csSubComponent)) children.push_back(c.get());
}

// ---------------------------------------------------------------------------
// TComponent::TLinks

namespace {
// Up to this many links a list is searched; beyond, it is indexed.
constexpr size_t LinkIndexThreshold = 16;
}  // namespace

bool TComponent::TLinks::Contains(const TComponent* component) const {
  if (indexed_) return where_.count(component) != 0;
  return std::find(items_.begin(), items_.end(), component) != items_.end();
}

void TComponent::TLinks::Add(TComponent* component) {
  items_.push_back(component);
  ++live_;
  if (indexed_) {
    where_.emplace(component, items_.size() - 1);
  } else if (items_.size() > LinkIndexThreshold) {
    MakeIndex();
  }
}

void TComponent::TLinks::Remove(const TComponent* component) {
  if (!component) return;
  if (!indexed_) {
    auto it = std::find(items_.begin(), items_.end(), component);
    if (it == items_.end()) return;
    items_.erase(it);
    --live_;
    return;
  }
  auto it = where_.find(component);
  if (it == where_.end()) return;
  items_[it->second] = nullptr;
  where_.erase(it);
  --live_;
  ++holes_;
  while (!items_.empty() && !items_.back()) {
    items_.pop_back();
    --holes_;
  }
  if (holes_ > LinkIndexThreshold && holes_ > live_) Compact();
}

TComponent* TComponent::TLinks::PopBack() {
  // The last item is never a hole (Remove trims them).
  TComponent* last = items_.back();
  if (indexed_) {
    Remove(last);
  } else {
    items_.pop_back();
    --live_;
  }
  return last;
}

void TComponent::TLinks::MakeIndex() {
  indexed_ = true;
  where_.clear();
  where_.reserve(items_.size() * 2);
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i]) where_[items_[i]] = i;
}

void TComponent::TLinks::Compact() {
  // Renumbered in place: the index keeps its entries.
  std::erase(items_, nullptr);
  holes_ = 0;
  for (size_t i = 0; i < items_.size(); ++i) where_.find(items_[i])->second = i;
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
