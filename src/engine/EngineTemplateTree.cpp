// The template registry shown as a tree: a node per template, a child per
// slot, and under each slot its types and its default.
#include "engine/EngineRegistries.h"
#include "facts/IEFacts.h"

void TFactTemplates::AssignTo(TPersistent& dest) const {
  if (auto* tree = dynamic_cast<TTreeView*>(&dest)) {
    FillTree(*tree);
    return;
  }
  TIStringHashTableOf<TFactTemplate>::AssignTo(dest);
}

void TFactTemplates::FillTree(TTreeView& tree) const {
  tree.ClearNodes();
  TTreeView::TNode* first = nullptr;
  for (const IFactTemplate& factTemplate : Templates()) {
    TTreeView::TNode* node = AddTemplateNode(tree, *factTemplate);
    if (!first) first = node;
  }
  if (first) tree.SelectNode(first);
}

TTreeView::TNode* TFactTemplates::AddTemplateNode(TTreeView& tree,
                                                  const TFactTemplate& factTemplate) const {
  TTreeView::TNode* node = tree.AddNode(nullptr, factTemplate.Name());
  for (const TFactSlot* slot : factTemplate.Slots())
    if (slot) AddSlotNode(tree, node, *slot);
  return node;
}

TTreeView::TNode* TFactTemplates::AddSlotNode(TTreeView& tree, TTreeView::TNode* parent,
                                              const TFactSlot& slot) const {
  TTreeView::TNode* node = tree.AddNode(parent, slot.Name());
  tree.AddNode(node, "Type: " + TypeSetText(slot.SlotType(), ", "));
  if (const IIEValue& value = slot.SlotDefault()) tree.AddNode(node, "Default: " + value->AsText());
  return node;
}
