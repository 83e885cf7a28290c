#include "host/TemplateTreeView.h"

#include <QString>
#include <QTreeWidgetItem>

namespace {

QTreeWidgetItem* Item(TTreeView::TNode* node) { return reinterpret_cast<QTreeWidgetItem*>(node); }
TTreeView::TNode* Node(QTreeWidgetItem* item) { return reinterpret_cast<TTreeView::TNode*>(item); }

}  // namespace

void TTemplateTreeView::ClearNodes() {
  if (tree_) tree_->clear();
}

TTreeView::TNode* TTemplateTreeView::AddNode(TNode* parent, const std::string& text) {
  if (!tree_) return nullptr;
  const QStringList columns{QString::fromStdString(text)};
  QTreeWidgetItem* item = parent ? new QTreeWidgetItem(Item(parent), columns)
                                 : new QTreeWidgetItem(tree_.data(), columns);
  return Node(item);
}

void TTemplateTreeView::SelectNode(TNode* node) {
  if (tree_ && node) tree_->setCurrentItem(Item(node));
}
