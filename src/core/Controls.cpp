#include "core/Controls.h"

TControl::~TControl() { SetParent(nullptr); }

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent_) RemoveFreeNotification(parent_);
  parent_ = parent;
  if (parent_) FreeNotification(parent_);
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == parent_) parent_ = nullptr;
}
