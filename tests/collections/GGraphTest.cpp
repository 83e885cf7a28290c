#include "collections/GGraph.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/Exceptions.h"

namespace {

// Counts live objects so that the tests can see what was freed.
int liveNodes = 0;
int liveEdges = 0;

class TCountedEdge : public TGGraphEdge {
 public:
  TCountedEdge(TGGraphNode* from, TGGraphNode* to) : TGGraphEdge(from, to) { ++liveEdges; }
  ~TCountedEdge() override { --liveEdges; }
  std::string ClassName() const override { return "TCountedEdge"; }
  void Detach(TGGraphNode* node) override { detachedFrom.push_back(node); }
  static inline std::vector<TGGraphNode*> detachedFrom;
};

// A node that keeps a "root" mark the way a network node would: a node is a
// root while no edge ends at it, and it records the hook calls it receives.
class TRootNode : public TGGraphNode {
 public:
  explicit TRootNode(TGCustomGraph* graph = nullptr) : TGGraphNode(graph) { ++liveNodes; }
  ~TRootNode() override { --liveNodes; }
  std::string ClassName() const override { return "TRootNode"; }

  bool root = true;
  std::vector<std::string> calls;

 protected:
  void EdgeArriving(TGGraphNode* from, TGGraphEdge* edge) override {
    if (IncomingCount() == 0) root = false;
    calls.push_back("arrive");
    TGGraphNode::EdgeArriving(from, edge);
  }
  void AddEdge(TGGraphEdge* edge) override {
    calls.push_back("add");
    TGGraphNode::AddEdge(edge);
  }
  void EdgeLeaving(TGGraphNode* from, TGGraphEdge* edge) override {
    TGGraphNode::EdgeLeaving(from, edge);
    if (IncomingCount() == 0) root = true;
    calls.push_back("leave");
  }
  void RemoveEdge(TGGraphEdge* edge) override {
    calls.push_back("remove");
    TGGraphNode::RemoveEdge(edge);
  }
  std::unique_ptr<TGGraphEdge> CreateEdge(TGGraphNode* from, TGGraphNode* to) override {
    return std::make_unique<TCountedEdge>(from, to);
  }
};

class GGraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    liveNodes = liveEdges = 0;
    TCountedEdge::detachedFrom.clear();
    graph.SetNodeClass<TRootNode>();
  }
  TRootNode* Make(const std::string& caption) {
    return static_cast<TRootNode*>(graph.CreateNode(caption));
  }
  TGGraph graph;
};

std::string ThrownMessage(const std::function<void()>& body) {
  try {
    body();
  } catch (const EGraphException& e) {
    return e.Message();
  }
  return "<nothing raised>";
}

TEST_F(GGraphTest, NewNodesAreNumberedByClassNameUntilNamed) {
  TGGraph plain;
  TGGraphNode* a = plain.CreateNode();
  TGGraphNode* b = plain.CreateNode();
  EXPECT_EQ(a->Caption(), "TGGraphNode1");
  EXPECT_EQ(b->Caption(), "TGGraphNode2");
  // The subclass name is used even though the base constructor runs first.
  EXPECT_EQ(graph.CreateNode()->Caption(), "TRootNode1");
  EXPECT_EQ(Make("alpha")->Caption(), "alpha");
  plain.Clear();
  EXPECT_EQ(plain.CreateNode()->Caption(), "TGGraphNode1");
}

TEST_F(GGraphTest, FindNodeIsCaseSensitiveAndFindsTheFirst) {
  TRootNode* a = Make("x");
  Make("X");
  Make("x");
  EXPECT_EQ(graph.FindNode("x"), a);
  EXPECT_EQ(graph.FindNode("X")->Caption(), "X");
  EXPECT_EQ(graph.FindNode("y"), nullptr);
  EXPECT_EQ(graph.NodeCount(), 3);
}

TEST_F(GGraphTest, DirectedEdgesListedAtTheirFromNodeInCreationOrder) {
  TRootNode* a = Make("a");
  TRootNode* b = Make("b");
  TRootNode* c = Make("c");
  TGGraphEdge* ab = a->ConnectTo(b);
  TGGraphEdge* ac = a->ConnectTo(c);
  TGGraphEdge* bc = b->ConnectTo(c);
  EXPECT_EQ(ab->ClassName(), "TCountedEdge");
  ASSERT_EQ(a->EdgeCount(), 2);
  EXPECT_EQ(a->Edges(0), ab);
  EXPECT_EQ(a->Edges(1), ac);
  EXPECT_EQ(ab->FromNode(), a);
  EXPECT_EQ(ab->ToNode(), b);
  EXPECT_EQ(c->EdgeCount(), 0);
  EXPECT_EQ(c->IncomingCount(), 2);
  EXPECT_EQ(b->IncomingCount(), 1);
  EXPECT_EQ(b->Edges(0), bc);
  EXPECT_TRUE(a->root);
  EXPECT_FALSE(c->root);
  EXPECT_THROW(a->Edges(2), EListError);
  EXPECT_THROW(a->Edges(-1), EListError);
}

TEST_F(GGraphTest, HooksRunWithCompleteListsAndInOrder) {
  TRootNode* a = Make("a");
  TRootNode* b = Make("b");
  TGGraphEdge* ab = a->ConnectTo(b);
  EXPECT_EQ(a->calls, (std::vector<std::string>{"add"}));
  EXPECT_EQ(b->calls, (std::vector<std::string>{"arrive"}));
  TGGraphEdge::Free(ab);
  EXPECT_EQ(a->calls, (std::vector<std::string>{"add", "remove"}));
  EXPECT_EQ(b->calls, (std::vector<std::string>{"arrive", "leave"}));
  EXPECT_TRUE(b->root);
  EXPECT_EQ(a->EdgeCount(), 0);
  EXPECT_EQ(b->IncomingCount(), 0);
  EXPECT_EQ(liveEdges, 0);
}

TEST_F(GGraphTest, EdgeErrors) {
  TRootNode* a = Make("a");
  EXPECT_EQ(ThrownMessage([&] { TGGraphEdge edge(a, nullptr); }),
            "Edge must be created with two valid nodes");
  EXPECT_EQ(ThrownMessage([&] { TGGraphEdge edge(nullptr, a); }),
            "Edge must be created with two valid nodes");
  EXPECT_EQ(ThrownMessage([&] { a->ConnectTo(nullptr); }),
            "Edge must be created with two valid nodes");
  EXPECT_EQ(a->EdgeCount(), 0);

  TGGraphNode loose;
  loose.SetCaption("loose");
  EXPECT_EQ(ThrownMessage([&] { loose.ConnectTo(a); }),
            "Node \"loose\" is unconnected to any graph");
  EXPECT_EQ(ThrownMessage([&] { graph.CheckWeighted(); }), "Graph is not a weighted graph");
  EXPECT_THROW(graph.EdgeWeight(nullptr), EGraphException);
  // Raised directly from the base exception class, not from the engine's.
  EGraphException e("x");
  EXPECT_EQ(dynamic_cast<EIEException*>(static_cast<Exception*>(&e)), nullptr);
}

TEST_F(GGraphTest, DeletingANodeFreesOutgoingAndDetachesIncomingEdges) {
  TRootNode* a = Make("a");
  TRootNode* b = Make("b");
  TRootNode* c = Make("c");
  a->ConnectTo(b);
  b->ConnectTo(c);
  b->ConnectTo(b);  // a loop is both outgoing and incoming
  c->ConnectTo(b);
  EXPECT_EQ(liveEdges, 4);

  EXPECT_TRUE(graph.DeleteNode(b));
  EXPECT_EQ(liveNodes, 2);
  EXPECT_EQ(liveEdges, 0);
  EXPECT_EQ(a->EdgeCount(), 0);
  EXPECT_EQ(c->EdgeCount(), 0);
  EXPECT_EQ(c->IncomingCount(), 0);
  EXPECT_TRUE(c->root);
  // a->b and c->b were detached from b before being freed.
  EXPECT_EQ(TCountedEdge::detachedFrom.size(), 2u);
  EXPECT_EQ(graph.NodeCount(), 2);
  TGGraphNode loose;
  EXPECT_FALSE(graph.DeleteNode(&loose));
  EXPECT_FALSE(graph.DeleteNode(nullptr));
}

TEST_F(GGraphTest, RemoveAllEdgesLeavesTheNodeBare) {
  TRootNode* a = Make("a");
  TRootNode* b = Make("b");
  TRootNode* c = Make("c");
  a->ConnectTo(b);
  b->ConnectTo(c);
  c->ConnectTo(b);
  b->RemoveAllEdges();
  EXPECT_EQ(b->EdgeCount(), 0);
  EXPECT_EQ(b->IncomingCount(), 0);
  EXPECT_EQ(a->EdgeCount(), 0);
  EXPECT_EQ(c->EdgeCount(), 0);
  EXPECT_EQ(liveEdges, 0);
  EXPECT_EQ(graph.NodeCount(), 3);
}

TEST_F(GGraphTest, FreeingTheGraphFreesEverything) {
  bool raised = false;
  {
    TGGraph local;
    local.SetNodeClass<TRootNode>();
    std::vector<TGGraphNode*> nodes;
    for (int i = 0; i < 50; ++i) nodes.push_back(local.CreateNode());
    for (int i = 0; i < 50; ++i)
      for (int j = 0; j < 50; j += 7) nodes[size_t(i)]->ConnectTo(nodes[size_t(j)]);
    local.OnRemoveNode = [&](TGCustomGraph&, TGGraphNode&) { raised = true; };
    EXPECT_EQ(liveNodes, 50);
    EXPECT_EQ(liveEdges, 50 * 8);
  }
  EXPECT_FALSE(raised);  // a graph being destroyed raises no events
  EXPECT_EQ(liveNodes, 0);
  EXPECT_EQ(liveEdges, 0);
}

TEST_F(GGraphTest, ClearIsOneChangeAndRemovesEveryNode) {
  TRootNode* a = Make("a");
  TRootNode* b = Make("b");
  a->ConnectTo(b);
  b->ConnectTo(a);
  int changes = 0;
  std::vector<std::string> removed;
  graph.OnChange = [&](TGCustomGraph&) { ++changes; };
  graph.OnRemoveNode = [&](TGCustomGraph& g, TGGraphNode& n) {
    EXPECT_EQ(n.Graph(), &g);  // still a member while it is announced
    removed.push_back(n.Caption());
  };
  graph.Clear();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(removed, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(graph.NodeCount(), 0);
  EXPECT_EQ(liveNodes, 0);
  EXPECT_EQ(liveEdges, 0);
}

TEST_F(GGraphTest, ExtractAndMoveBetweenGraphs) {
  TRootNode* a = Make("a");
  TRootNode* b = Make("b");
  a->ConnectTo(b);
  std::unique_ptr<TGGraphNode> owned = graph.ExtractNode(a);
  ASSERT_EQ(owned.get(), a);
  EXPECT_EQ(a->Graph(), nullptr);
  EXPECT_EQ(graph.NodeCount(), 1);
  EXPECT_EQ(graph.ExtractNode(a), nullptr);
  // Its edge stays until either end goes.
  EXPECT_EQ(b->IncomingCount(), 1);

  TGGraph other;
  EXPECT_EQ(other.AddNode(std::move(owned)), a);
  EXPECT_EQ(a->Graph(), &other);
  EXPECT_EQ(a->Caption(), "a");
  a->SetGraph(&graph);  // moves it back
  EXPECT_EQ(other.NodeCount(), 0);
  EXPECT_EQ(graph.NodeCount(), 2);
  EXPECT_EQ(graph.AddNode(a), a);  // already here: nothing changes
  EXPECT_EQ(graph.NodeCount(), 2);

  // A node made with its graph belongs to it from the start.
  auto* c = new TRootNode(&other);
  EXPECT_EQ(c->Graph(), &other);
  EXPECT_EQ(other.NodeCount(), 1);
  c->ConnectTo(b);  // an edge across graphs is freed with either end
  other.DeleteNode(c);
  EXPECT_EQ(b->IncomingCount(), 1);
  graph.DeleteNode(b);
  EXPECT_EQ(liveEdges, 0);
  EXPECT_EQ(a->EdgeCount(), 0);
}

TEST_F(GGraphTest, EventsOfNodesAndGraph) {
  std::vector<std::string> log;
  graph.OnAddNode = [&](TGCustomGraph&, TGGraphNode& n) { log.push_back("add " + n.Caption()); };
  graph.OnChange = [&](TGCustomGraph&) { log.push_back("change"); };
  graph.OnNodeCaptionChange = [&](TGCustomGraph&, TGGraphNode& n) {
    log.push_back("caption " + n.Caption());
  };
  graph.OnNodeChange = [&](TGCustomGraph&, TGGraphNode& n) {
    log.push_back("node " + n.Caption());
  };
  TRootNode* a = Make("a");
  EXPECT_EQ(log, (std::vector<std::string>{"change", "add TRootNode1", "caption a", "node a"}));
  log.clear();
  a->SetCaption("a");  // unchanged: nothing reported
  EXPECT_TRUE(log.empty());

  int nodeChanges = 0;
  a->OnChange = [&](TGGraphNode&) { ++nodeChanges; };
  a->BeginUpdate();
  a->SetCaption("b");
  a->ConnectTo(a);
  EXPECT_EQ(nodeChanges, 0);
  a->EndUpdate();
  EXPECT_EQ(nodeChanges, 1);
  EXPECT_EQ(log, (std::vector<std::string>{"caption b", "node b"}));

  log.clear();
  graph.BeginUpdate();
  graph.CreateNode();
  graph.CreateNode();
  graph.EndUpdate();
  EXPECT_EQ(log, (std::vector<std::string>{"add TRootNode2", "add TRootNode3", "change"}));
}

TEST_F(GGraphTest, UndirectedGraphsListAnEdgeAtBothEnds) {
  graph.SetDirected(false);
  TRootNode* a = Make("a");
  TRootNode* b = Make("b");
  TRootNode* c = Make("c");
  TGGraphEdge* ab = a->ConnectTo(b);
  TGGraphEdge* cb = c->ConnectTo(b);
  TGGraphEdge* aa = a->ConnectTo(a);
  EXPECT_EQ(b->EdgeList(), (std::vector<TGGraphEdge*>{ab, cb}));
  EXPECT_EQ(a->EdgeList(), (std::vector<TGGraphEdge*>{ab, aa}));  // a loop once
  EXPECT_EQ(b->IncomingCount(), 2);
  EXPECT_TRUE(ab->ListedAtBothEnds());

  graph.DeleteNode(c);
  EXPECT_EQ(b->EdgeList(), (std::vector<TGGraphEdge*>{ab}));
  graph.SetDirected(true);
  EXPECT_EQ(b->EdgeCount(), 0);
  EXPECT_EQ(a->EdgeCount(), 2);
  graph.SetDirected(false);
  EXPECT_EQ(b->EdgeList(), (std::vector<TGGraphEdge*>{ab}));
  graph.DeleteNode(a);
  EXPECT_EQ(b->EdgeCount(), 0);
  EXPECT_EQ(liveEdges, 0);
}

TEST_F(GGraphTest, NodeIteratorWalksInAddOrder) {
  std::vector<TGGraphNode*> made;
  for (int i = 0; i < 4; ++i) made.push_back(graph.CreateNode());
  IIteratorRef it = graph.Nodes();
  EXPECT_THROW(it->Current(), EListError);
  EXPECT_EQ(it->Remaining(), 4);
  std::vector<TGGraphNode*> seen;
  while (it->HasNext()) {
    auto* n = reinterpret_cast<TGGraphNode*>(it->Next());
    EXPECT_EQ(reinterpret_cast<TGGraphNode*>(it->Current()), n);
    seen.push_back(n);
    if (seen.size() == 1) graph.DeleteNode(made[2]);  // another node may go
  }
  EXPECT_EQ(seen, (std::vector<TGGraphNode*>{made[0], made[1], made[3]}));
  EXPECT_EQ(it->Remaining(), 0);
  EXPECT_THROW(it->Next(), EListError);
  it->Reset();
  EXPECT_EQ(reinterpret_cast<TGGraphNode*>(it->Next()), made[0]);

  std::vector<TGGraphNode*> ranged;
  for (const auto& n : graph.NodeList()) ranged.push_back(n.get());
  EXPECT_EQ(ranged, seen);
}

TEST_F(GGraphTest, ManyNodesAndEdgesStayConsistent) {
  // Edges are removed in arbitrary order; every count must stay right.
  std::vector<TRootNode*> nodes;
  for (int i = 0; i < 200; ++i) nodes.push_back(static_cast<TRootNode*>(graph.CreateNode()));
  std::vector<TGGraphEdge*> edges;
  for (int i = 0; i < 200; ++i)
    for (int k = 1; k <= 5; ++k) edges.push_back(nodes[size_t(i)]->ConnectTo(nodes[size_t((i * 31 + k * 17) % 200)]));
  for (size_t i = 0; i < edges.size(); i += 3) TGGraphEdge::Free(edges[i]);
  for (int i = 0; i < 200; i += 5) graph.DeleteNode(nodes[size_t(i)]);
  int out = 0, in = 0;
  for (const auto& n : graph.NodeList()) {
    out += n->EdgeCount();
    in += n->IncomingCount();
    EXPECT_EQ(n->IncomingCount(), int32_t(n->IncomingEdges().size()));
    for (TGGraphEdge* e : n->EdgeList()) EXPECT_EQ(e->FromNode(), n.get());
    for (TGGraphEdge* e : n->IncomingEdges()) EXPECT_EQ(e->ToNode(), n.get());
  }
  EXPECT_EQ(out, liveEdges);
  EXPECT_EQ(in, liveEdges);
  EXPECT_EQ(graph.NodeCount(), 160);
}

TEST_F(GGraphTest, PublishedProperties) {
  TRootNode* a = Make("a");
  auto caption = FindProperty(*a, "Caption");
  ASSERT_TRUE(caption);
  caption->Set(std::string("renamed"));
  EXPECT_EQ(a->Caption(), "renamed");
  auto directed = FindProperty(graph, "Directed");
  ASSERT_TRUE(directed);
  EXPECT_EQ(std::get<bool>(*directed->Default), true);
  directed->Set(false);
  EXPECT_FALSE(graph.Directed());
  EXPECT_EQ(graph.ClassName(), "TGGraph");
}

}  // namespace
