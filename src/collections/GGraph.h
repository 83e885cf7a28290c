// A small graph library: a graph component (TGCustomGraph, TGGraph) owning
// nodes (TGGraphNode) joined by edges (TGGraphEdge).
//
// Ownership: a graph owns its nodes (a node belongs to at most one graph; a
// node outside any graph belongs to whoever holds it). A node owns the edges
// that start at it. Freeing a node frees its outgoing edges and detaches its
// incoming ones (they are freed by their from-nodes), so no edge ever refers to
// a freed node. Freeing a graph frees all of its nodes.
// Costs: adding or removing a node is O(1); adding an edge is O(1), removing it
// is O(edges of its end nodes); iterating nodes and edges walks plain lists.
// Thread-safety: none; a graph with its nodes is used by one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "collections/CommonInterfaces.h"
#include "core/Component.h"
#include "core/Persistent.h"

class TGGraphNode;
class TGCustomGraph;

// ---------------------------------------------------------------------------
// TGGraphEdge: a directed edge FromNode -> ToNode. An edge is made unlinked
// (by its constructor or a node's CreateEdge) and becomes part of the graph
// through Link, which hands it to its from-node. A subclass may publish extra
// streamed data through Properties (the base has none).

class TGGraphEdge : public TPersistent {
 public:
  // Both nodes must be given, else EGraphException "Edge must be created with
  // two valid nodes". The edge is not linked yet: see Link.
  TGGraphEdge(TGGraphNode* from, TGGraphNode* to);
  // An edge still linked takes itself out of its nodes first.
  ~TGGraphEdge() override;
  TGGraphEdge(const TGGraphEdge&) = delete;
  TGGraphEdge& operator=(const TGGraphEdge&) = delete;
  std::string ClassName() const override { return "TGGraphEdge"; }

  TGGraphNode* FromNode() const noexcept { return from_; }
  TGGraphNode* ToNode() const noexcept { return to_; }
  bool Linked() const noexcept { return linked_; }
  // True when the edge is listed by its to-node as well (undirected graph).
  bool ListedAtBothEnds() const noexcept { return bothEnds_; }

  // Hands Edge to its from-node, which owns it from now on: the from-node
  // adds it to its edges (AddEdge), the to-node hears of it (EdgeArriving)
  // and, when the from-node's graph is undirected, lists it too. Returns the
  // edge. A linked edge is returned unchanged.
  static TGGraphEdge* Link(std::unique_ptr<TGGraphEdge> edge);
  // Takes a linked edge out of both nodes (RemoveEdge at the from-node,
  // EdgeLeaving at the to-node) and frees it. Nothing for none.
  static void Free(TGGraphEdge* edge);

  // Told that Node, one end of this edge, is going away; the edge is freed
  // right after. Empty here.
  virtual void Detach(TGGraphNode* node);

 private:
  friend class TGGraphNode;
  friend class TGCustomGraph;
  void Unlink();

  TGGraphNode* from_;
  TGGraphNode* to_;
  bool linked_ = false;
  bool bothEnds_ = false;
  size_t inSlot_ = 0;  // position in to_->incoming_
};

// ---------------------------------------------------------------------------
// TGGraphNode: a node with its edge list (a directed graph: the outgoing edges
// in creation order; an undirected one: every edge touching it) and a count of
// the edges that end at it. The virtual hooks let a subclass follow its edges.

class TGGraphNode : public TPersistent {
 public:
  using TNodeNotifyEvent = std::function<void(TGGraphNode&)>;

  // A node of Graph (the graph takes ownership: create it with new) or, with
  // none, a node owned by its creator.
  explicit TGGraphNode(TGCustomGraph* graph = nullptr);
  // Frees the outgoing edges, frees the incoming ones through their
  // from-nodes, and leaves the graph if it still belongs to one.
  ~TGGraphNode() override;
  TGGraphNode(const TGGraphNode&) = delete;
  TGGraphNode& operator=(const TGGraphNode&) = delete;
  std::string ClassName() const override { return "TGGraphNode"; }

  // Until set, the class name followed by the number the node got on joining
  // its first graph (0 before that).
  const std::string& Caption() const;
  void SetCaption(const std::string& caption);

  TGCustomGraph* Graph() const noexcept { return graph_; }
  // Moves the node into Graph (from its current graph, or from its creator,
  // who gives up ownership). None does nothing: ExtractNode takes a node out.
  void SetGraph(TGCustomGraph* graph);

  // The edge list (see the class comment); Edges raises EListError "List
  // index out of bounds (%d)" outside 0 .. EdgeCount-1.
  int32_t EdgeCount() const noexcept { return int32_t(edges_.size()); }
  TGGraphEdge* Edges(int32_t index) const;
  const std::vector<TGGraphEdge*>& EdgeList() const noexcept { return edges_; }
  // The number of edges ending at this node, and those edges (in no
  // particular order).
  int32_t IncomingCount() const noexcept { return incomingCount_; }
  const std::vector<TGGraphEdge*>& IncomingEdges() const noexcept { return incoming_; }

  // Creates an edge from this node to Target with CreateEdge and links it.
  // EGraphException "Node "%s" is unconnected to any graph" (the caption)
  // when the node is in no graph.
  virtual TGGraphEdge* ConnectTo(TGGraphNode* target);
  // Frees every edge that starts here and every edge that ends here.
  virtual void RemoveAllEdges();

  // Changes are reported (OnChange, and the graph's OnNodeChange) only while
  // no update bracket is open; EndUpdate reports once when the last closes.
  void BeginUpdate() noexcept { ++updateCount_; }
  void EndUpdate();
  int32_t UpdateCount() const noexcept { return updateCount_; }
  TNodeNotifyEvent OnChange;

  bool Visited = false;  // traversal mark
  int32_t WorkTag = 0;   // free for algorithms

  // Published: Caption.
  void Properties(std::vector<TProperty>& props) override;

 protected:
  friend class TGGraphEdge;
  // An edge ending here is linked: the base counts it.
  virtual void EdgeArriving(TGGraphNode* from, TGGraphEdge* edge);
  // Edge joins this node's edge list.
  virtual void AddEdge(TGGraphEdge* edge);
  // An edge ending here is unlinked: the base counts it down.
  virtual void EdgeLeaving(TGGraphNode* from, TGGraphEdge* edge);
  // Edge leaves this node's edge list (it is not freed here).
  virtual void RemoveEdge(TGGraphEdge* edge);
  // A new, unlinked edge From -> To; a subclass makes its own edge class.
  virtual std::unique_ptr<TGGraphEdge> CreateEdge(TGGraphNode* from, TGGraphNode* to);
  void Changed();

 private:
  friend class TGCustomGraph;
  void DropEdges();

  TGCustomGraph* graph_ = nullptr;
  std::list<std::unique_ptr<TGGraphNode>>::iterator listPos_{};
  std::vector<TGGraphEdge*> edges_;
  std::vector<TGGraphEdge*> incoming_;
  mutable std::string caption_;
  mutable bool captionSet_ = false;
  int32_t number_ = 0;
  int32_t incomingCount_ = 0;
  int32_t updateCount_ = 0;
};

// ---------------------------------------------------------------------------
// TGCustomGraph: the node list (owning), the node class CreateNode uses,
// Directed, and the events. A subclass whose node hooks reach back into the
// subclass calls Clear in its own destructor, while it is still whole.

class TGCustomGraph : public TComponent {
 public:
  using TNodeFactory = std::function<std::unique_ptr<TGGraphNode>()>;
  using TGraphEvent = std::function<void(TGCustomGraph&)>;
  using TGraphNodeEvent = std::function<void(TGCustomGraph&, TGGraphNode&)>;
  using TNodeList = std::list<std::unique_ptr<TGGraphNode>>;

  explicit TGCustomGraph(TComponent* owner = nullptr);
  // Frees every node without raising events.
  ~TGCustomGraph() override;
  std::string ClassName() const override { return "TGCustomGraph"; }

  // The node class: makes the nodes of CreateNode (a TGGraphNode by default).
  void SetNodeClass(TNodeFactory factory);
  template <class TNode>
  void SetNodeClass() {
    SetNodeClass([] { return std::unique_ptr<TGGraphNode>(std::make_unique<TNode>()); });
  }

  // A new node of the node class, added to the graph; with a caption, the
  // caption is set after the node was added.
  TGGraphNode* CreateNode();
  TGGraphNode* CreateNode(const std::string& caption);
  // Appends Node to the node list, makes this its graph, reports a change and
  // raises OnAddNode. A node already here is left as it is; a node of another
  // graph is moved here (the raw form also takes a node from its creator).
  TGGraphNode* AddNode(std::unique_ptr<TGGraphNode> node);
  TGGraphNode* AddNode(TGGraphNode* node);
  // Removes Node (raising OnRemoveNode) and frees it with its edges; false
  // when Node is not a node of this graph.
  bool DeleteNode(TGGraphNode* node);
  // Removes Node (raising OnRemoveNode) without freeing it and clears its
  // graph; the caller owns it then. None when Node is not a node of this graph.
  std::unique_ptr<TGGraphNode> ExtractNode(TGGraphNode* node);
  // Inside an update: every node drops its edges, then every node is removed
  // (OnRemoveNode) and freed. The caption numbers start again at 1.
  void Clear();

  // The first node, in list order, whose caption is Caption (case-sensitive).
  TGGraphNode* FindNode(const std::string& caption) const;
  int32_t NodeCount() const noexcept { return int32_t(nodes_.size()); }
  // The nodes in the order they were added. During a walk (this list or the
  // iterator below) other nodes may be removed, but not the current one.
  const TNodeList& NodeList() const noexcept { return nodes_; }
  // An iterator over the nodes (TGGraphNode* as intptr_t), in list order; the
  // graph must outlive it.
  IIteratorRef Nodes() const;

  // Directed (the default): a node lists its outgoing edges. Undirected: a
  // node lists every edge touching it. Changing it relists existing edges.
  bool Directed() const noexcept { return directed_; }
  void SetDirected(bool directed);
  // Weighted graphs carry weights on their edges; this graph does not.
  virtual bool Weighted() const { return false; }
  // EGraphException "Graph is not a weighted graph" unless Weighted.
  void CheckWeighted() const;
  // The weight of Edge; on a graph that is not weighted, raises as CheckWeighted.
  virtual double EdgeWeight(const TGGraphEdge* edge) const;

  // A change is reported (OnChange) only while no update bracket is open.
  void BeginUpdate() noexcept { ++updateCount_; }
  void EndUpdate();

  TGraphNodeEvent OnAddNode;
  TGraphNodeEvent OnRemoveNode;
  TGraphEvent OnChange;
  TGraphNodeEvent OnNodeCaptionChange;
  TGraphNodeEvent OnNodeChange;

  // Published: Directed (default true).
  void Properties(std::vector<TProperty>& props) override;

 protected:
  void Changed();

 private:
  friend class TGGraphNode;
  std::unique_ptr<TGGraphNode> TakeOut(TGGraphNode* node, bool notify);
  TGGraphNode* Joined(TGGraphNode* node);
  void NodeChanged(TGGraphNode& node);
  void NodeCaptionChanged(TGGraphNode& node);
  void FreeAllNodes(bool notify);

  TNodeList nodes_;
  TNodeFactory nodeFactory_;
  bool directed_ = true;
  bool destroying_ = false;
  int32_t nodeNumber_ = 0;
  int32_t updateCount_ = 0;
};

// TGGraph: the graph class for use; Directed is published.
class TGGraph : public TGCustomGraph {
 public:
  using TGCustomGraph::TGCustomGraph;
  std::string ClassName() const override { return "TGGraph"; }
};
