// The template registry filling a tree view: a node per template in registry
// order, a child per slot in slot order, under each slot its types and its
// default (only when it has one), and the first node selected.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/Controls.h"
#include "core/Exceptions.h"
#include "engine/InferenceEngine.h"

namespace {

// A tree that records its nodes as indented lines ("  " per level).
class TRecordingTree : public TTreeView {
 public:
  struct TNodeData {
    std::string Text;
    int Depth;
  };
  void ClearNodes() override {
    ++clears;
    nodes.clear();
    selected = -1;
  }
  TNode* AddNode(TNode* parent, const std::string& text) override {
    const int depth = parent ? Data(parent).Depth + 1 : 0;
    // Children of a node must follow it and its earlier children.
    if (parent) {
      EXPECT_GE(Index(parent), 0);
    }
    nodes.push_back(std::make_unique<TNodeData>(TNodeData{text, depth}));
    return reinterpret_cast<TNode*>(nodes.back().get());
  }
  void SelectNode(TNode* node) override { selected = Index(node); }

  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (const auto& node : nodes) lines.push_back(std::string(size_t(node->Depth) * 2, ' ') + node->Text);
    return lines;
  }
  std::vector<std::unique_ptr<TNodeData>> nodes;
  int selected = -1;
  int clears = 0;

 private:
  static TNodeData& Data(TNode* node) { return *reinterpret_cast<TNodeData*>(node); }
  int Index(TNode* node) const {
    for (size_t i = 0; i < nodes.size(); ++i)
      if (reinterpret_cast<TNode*>(nodes[i].get()) == node) return int(i);
    return -1;
  }
};

using Lines = std::vector<std::string>;

std::vector<std::string> TemplateNames(TInferenceEngine& engine) {
  std::vector<std::string> names;
  for (const IFactTemplate& t : engine.FactTemplates().Templates()) names.push_back(t->Name());
  return names;
}

}  // namespace

TEST(TemplateTreeTest, EachTemplateWithItsSlotsTypesAndDefaultsFirstNodeSelected) {
  TInferenceEngine engine;
  engine.Clear();
  engine.Evaluate(
      "(deftemplate monkey (slot at (default door)) (slot on) (multislot holding))"
      "(deftemplate size (slot n (type INTEGER FLOAT) (default 3)))");
  TRecordingTree tree;
  tree.nodes.push_back(std::make_unique<TRecordingTree::TNodeData>(
      TRecordingTree::TNodeData{"stale", 0}));
  engine.FactTemplates().AssignTo(tree);

  // Registry order decides the order of the top-level nodes.
  std::vector<std::string> expected;
  for (const std::string& name : TemplateNames(engine)) {
    expected.push_back(name);
    IFactTemplate t = engine.FindFactTemplate(name);
    for (const TFactSlot* slot : t->Slots()) {
      expected.push_back("  " + slot->Name());
      expected.push_back("    Type: " + TypeSetText(slot->SlotType(), ", "));
      if (slot->SlotDefault()) expected.push_back("    Default: " + slot->SlotDefault()->AsText());
    }
  }
  EXPECT_EQ(tree.Lines(), expected);
  EXPECT_EQ(tree.clears, 1);
  EXPECT_EQ(tree.selected, 0);

  // The concrete shape of one template: a slot without a default has no
  // "Default: " line; a typed slot lists its types joined by ", ".
  const Lines lines = tree.Lines();
  auto size = std::find(lines.begin(), lines.end(), "size");
  ASSERT_NE(size, lines.end());
  EXPECT_EQ(Lines(size, size + 4), (Lines{"size", "  n", "    Type: INTEGER, FLOAT", "    Default: 3"}));
  auto monkey = std::find(lines.begin(), lines.end(), "monkey");
  ASSERT_NE(monkey, lines.end());
  EXPECT_EQ(monkey[1], "  at");
  EXPECT_EQ(monkey[3], "    Default: door");
  EXPECT_EQ(monkey[4], "  on");
}

TEST(TemplateTreeTest, AClearedEngineShowsOnlyTheImpliedTemplates) {
  TInferenceEngine engine;
  engine.Evaluate("(deftemplate a (slot x))");
  engine.Clear();
  TRecordingTree tree;
  engine.FactTemplates().FillTree(tree);
  // Each: its name, the implied multislot, its type, its default (the empty
  // multifield, whose text is empty).
  const Lines lines = tree.Lines();
  ASSERT_EQ(lines.size(), 2u * 4u);
  EXPECT_EQ(Lines(lines.begin() + 1, lines.begin() + 4),
            (Lines{"  __Data", "    Type: LIST, MULTISLOT", "    Default: "}));
  EXPECT_EQ(Lines(lines.begin() + 5, lines.end()), Lines(lines.begin() + 1, lines.begin() + 4));
  EXPECT_EQ(tree.selected, 0);
}

TEST(TemplateTreeTest, AnEmptyRegistrySelectsNothingAndOtherDestinationsAreRefused) {
  TFactTemplates detached;  // no engine, no templates
  TRecordingTree tree;
  detached.FillTree(tree);
  EXPECT_TRUE(tree.nodes.empty());
  EXPECT_EQ(tree.selected, -1);

  TInferenceEngine engine;
  TFactTemplates other;
  EXPECT_THROW(engine.FactTemplates().AssignTo(other), EConvertError);
}
