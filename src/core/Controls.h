// The few control and action notions a rule program can reach through the
// object package: an action that can be executed, and controls placed on a
// windowed parent control. The engine library has no windows of its own; a host
// with a window toolkit derives its controls and actions from these classes.
//
// Ownership: as for every component (the owner tree). A control's Parent is
// not owned: it is only a placement, dropped when the parent is destroyed.
// Thread-safety: none; used by one thread at a time like every component.
#pragma once

#include <string>

#include "core/Component.h"

// An operation a host offers as an object: Execute runs it and reports
// whether it did anything.
class TBasicAction : public TComponent {
 public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TBasicAction"; }
  virtual bool Execute() = 0;
};

class TWinControl;

// A visual element placed on a windowed parent control.
class TControl : public TComponent {
 public:
  using TComponent::TComponent;
  ~TControl() override;
  std::string ClassName() const override { return "TControl"; }
  TWinControl* Parent() const noexcept { return parent_; }
  // Places this control on Parent (none: on no control).
  virtual void SetParent(TWinControl* parent);
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TWinControl* parent_ = nullptr;
};

// A control that can hold other controls.
class TWinControl : public TControl {
 public:
  using TControl::TControl;
  std::string ClassName() const override { return "TWinControl"; }
};

// A tree of text nodes as a host shows it (a tree view). The engine fills one
// (the template registry does, through AssignTo); a host with a window toolkit
// implements these three operations with its tree widget. Nodes are the
// tree's own: a node handle is valid until the next ClearNodes.
// Thread-safety: none; a host fills its tree on its window thread.
class TTreeView : public TPersistent {
 public:
  struct TNode;  // opaque to the engine
  std::string ClassName() const override { return "TTreeView"; }
  // Removes every node.
  virtual void ClearNodes() = 0;
  // Appends a node with Text as the last child of Parent (none: as the last
  // top-level node) and returns it.
  virtual TNode* AddNode(TNode* parent, const std::string& text) = 0;
  // Makes Node the selected node.
  virtual void SelectNode(TNode* node) = 0;
};
