// TTemplateTreeView: the engine's tree-view interface (TTreeView) on a Qt tree
// widget, so the template registry can fill it (TFactTemplates::FillTree).
//
// Ownership: the tree widget is the window's (not owned); nodes are the
// widget's items. Thread-safety: window thread only.
#pragma once

#include <string>

#include <QPointer>
#include <QTreeWidget>

#include "core/Controls.h"

class TTemplateTreeView : public TTreeView {
 public:
  explicit TTemplateTreeView(QTreeWidget* tree) : tree_(tree) {}
  std::string ClassName() const override { return "TTemplateTreeView"; }
  void ClearNodes() override;
  TNode* AddNode(TNode* parent, const std::string& text) override;
  void SelectNode(TNode* node) override;

 private:
  QPointer<QTreeWidget> tree_;
};
