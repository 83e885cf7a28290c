#include "collections/GGraph.h"

#include <algorithm>
#include <utility>

#include "collections/UpdateBracket.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"

namespace {

// Makes room for one more item without giving up geometric growth: a reserve
// of exactly Size + 1 would reallocate on every push, which makes building a
// node with many edges quadratic.
void RoomForOne(std::vector<TGGraphEdge*>& list) {
  if (list.size() == list.capacity()) list.reserve(std::max<size_t>(4, list.size() * 2));
}

// Removes Edge from List, searching from the back: edges are mostly removed
// newest first (a node dropping its edges), which makes that case O(1).
void EraseEdge(std::vector<TGGraphEdge*>& list, const TGGraphEdge* edge) {
  auto it = std::find(list.rbegin(), list.rend(), edge);
  if (it != list.rend()) list.erase(std::next(it).base());
}

// Walks the node list of a graph. The list must outlive the iterator; a node
// other than the current one may be removed during the walk.
class TGGraphNodeIterator : public IIterator {
 public:
  explicit TGGraphNodeIterator(const TGCustomGraph::TNodeList* list) noexcept
      : list_(list), pos_(list->end()) {}

  intptr_t Current() const override {
    if (index_ < 0 || pos_ == list_->end()) throw EListError(Format(SListIndexError, {index_}));
    return reinterpret_cast<intptr_t>(pos_->get());
  }
  int32_t Remaining() const override {
    return std::max<int32_t>(0, int32_t(list_->size()) - (index_ + 1));
  }
  bool HasNext() override { return NextPos() != list_->end(); }
  intptr_t Next() override {
    auto next = NextPos();
    if (next == list_->end()) throw EListError(Format(SListIndexError, {index_ + 1}));
    pos_ = next;
    ++index_;
    return reinterpret_cast<intptr_t>(pos_->get());
  }
  void Reset() override {
    pos_ = list_->end();
    index_ = -1;
  }

 private:
  TGCustomGraph::TNodeList::const_iterator NextPos() const {
    if (index_ < 0) return list_->begin();
    return pos_ == list_->end() ? pos_ : std::next(pos_);
  }

  const TGCustomGraph::TNodeList* list_;
  TGCustomGraph::TNodeList::const_iterator pos_;
  int32_t index_ = -1;
};

}  // namespace

// ---------------------------------------------------------------------------
// TGGraphEdge

TGGraphEdge::TGGraphEdge(TGGraphNode* from, TGGraphNode* to) : from_(from), to_(to) {
  if (!from || !to) throw EGraphException(SEdgeNeedsNodes);
}

TGGraphEdge::~TGGraphEdge() {
  Unlink();
}

void TGGraphEdge::Detach(TGGraphNode* /*node*/) {}

TGGraphEdge* TGGraphEdge::Link(std::unique_ptr<TGGraphEdge> edge) {
  if (!edge) throw EGraphException(SEdgeNeedsNodes);
  // A linked edge is already owned by its from-node.
  if (edge->linked_) return edge.release();
  TGGraphNode* from = edge->from_;
  TGGraphNode* to = edge->to_;
  const TGCustomGraph* graph = from->graph_;
  const bool bothEnds = graph && !graph->Directed() && from != to;
  // Room first, so that nothing below can fail half-way through the lists.
  RoomForOne(from->edges_);
  RoomForOne(to->incoming_);
  if (bothEnds) RoomForOne(to->edges_);

  TGGraphEdge* e = edge.release();
  e->linked_ = true;
  e->bothEnds_ = bothEnds;
  from->edges_.push_back(e);
  e->inSlot_ = to->incoming_.size();
  to->incoming_.push_back(e);
  if (bothEnds) to->edges_.push_back(e);

  // The lists are complete: the hooks see a consistent graph.
  from->AddEdge(e);
  to->EdgeArriving(from, e);
  if (bothEnds) to->AddEdge(e);
  return e;
}

void TGGraphEdge::Unlink() {
  if (!linked_) return;
  linked_ = false;
  EraseEdge(from_->edges_, this);
  auto& in = to_->incoming_;
  TGGraphEdge* last = in.back();
  in[inSlot_] = last;
  last->inSlot_ = inSlot_;
  in.pop_back();
  if (bothEnds_) EraseEdge(to_->edges_, this);

  from_->RemoveEdge(this);
  to_->EdgeLeaving(from_, this);
  if (bothEnds_) to_->RemoveEdge(this);
}

void TGGraphEdge::Free(TGGraphEdge* edge) {
  // Only a linked edge belongs to its from-node; an unlinked one is its
  // holder's to free.
  if (!edge || !edge->linked_) return;
  std::unique_ptr<TGGraphEdge> owned(edge);
  owned->Unlink();
}

// ---------------------------------------------------------------------------
// TGGraphNode

TGGraphNode::TGGraphNode(TGCustomGraph* graph) {
  if (!graph) return;
  try {
    graph->AddNode(this);
  } catch (...) {
    // No destructor runs for a node whose construction failed, so the graph
    // lets go of its entry without freeing it.
    if (graph_) (void)graph_->TakeOut(this, false).release();
    throw;
  }
}

TGGraphNode::~TGGraphNode() {
  OnChange = nullptr;
  DropEdges();
  if (graph_) (void)graph_->TakeOut(this, false).release();
}

const std::string& TGGraphNode::Caption() const {
  if (!captionSet_) {
    caption_ = ClassName() + std::to_string(number_);
    // The generated caption is kept once the node has its number.
    if (number_ != 0) captionSet_ = true;
  }
  return caption_;
}

void TGGraphNode::SetCaption(const std::string& caption) {
  if (captionSet_ && caption_ == caption) return;
  caption_ = caption;
  captionSet_ = true;
  if (graph_) graph_->NodeCaptionChanged(*this);
  Changed();
}

void TGGraphNode::SetGraph(TGCustomGraph* graph) {
  if (graph && graph != graph_) graph->AddNode(this);
}

TGGraphEdge* TGGraphNode::Edges(int32_t index) const {
  if (index < 0 || index >= EdgeCount()) throw EListError(Format(SListIndexError, {index}));
  return edges_[size_t(index)];
}

TGGraphEdge* TGGraphNode::ConnectTo(TGGraphNode* target) {
  if (!graph_) throw EGraphException(Format(SNodeUnconnected, {Caption()}));
  return TGGraphEdge::Link(CreateEdge(this, target));
}

std::unique_ptr<TGGraphEdge> TGGraphNode::CreateEdge(TGGraphNode* from, TGGraphNode* to) {
  return std::make_unique<TGGraphEdge>(from, to);
}

void TGGraphNode::RemoveAllEdges() {
  WithinUpdate(*this, [this] { DropEdges(); });
}

void TGGraphNode::DropEdges() {
  // Outgoing edges, newest first (each leaves the end of the list).
  std::vector<TGGraphEdge*> outgoing;
  for (TGGraphEdge* e : edges_)
    if (e->from_ == this) outgoing.push_back(e);
  for (auto it = outgoing.rbegin(); it != outgoing.rend(); ++it) TGGraphEdge::Free(*it);
  // Incoming edges are detached from this node and freed by their owners.
  while (!incoming_.empty()) {
    TGGraphEdge* e = incoming_.back();
    e->Detach(this);
    TGGraphEdge::Free(e);
  }
}

void TGGraphNode::EdgeArriving(TGGraphNode* /*from*/, TGGraphEdge* /*edge*/) {
  ++incomingCount_;
}

void TGGraphNode::AddEdge(TGGraphEdge* /*edge*/) {
  Changed();
}

void TGGraphNode::EdgeLeaving(TGGraphNode* /*from*/, TGGraphEdge* /*edge*/) {
  if (incomingCount_ > 0) --incomingCount_;
}

void TGGraphNode::RemoveEdge(TGGraphEdge* /*edge*/) {
  Changed();
}

void TGGraphNode::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0) Changed();
}

void TGGraphNode::Changed() {
  if (updateCount_ != 0) return;
  if (OnChange) OnChange(*this);
  if (graph_) graph_->NodeChanged(*this);
}

void TGGraphNode::Properties(std::vector<TProperty>& props) {
  TPersistent::Properties(props);
  TProperty p;
  p.Name = "Caption";
  p.Kind = pkString;
  p.Get = [this]() -> TPropertyValue { return Caption(); };
  p.Set = [this](const TPropertyValue& v) { SetCaption(std::get<std::string>(v)); };
  props.push_back(std::move(p));
}

// ---------------------------------------------------------------------------
// TGCustomGraph

TGCustomGraph::TGCustomGraph(TComponent* owner) : TComponent(owner) {}

TGCustomGraph::~TGCustomGraph() {
  destroying_ = true;
  for (auto& node : nodes_) node->OnChange = nullptr;
  FreeAllNodes(false);
}

void TGCustomGraph::SetNodeClass(TNodeFactory factory) {
  nodeFactory_ = std::move(factory);
}

TGGraphNode* TGCustomGraph::CreateNode() {
  return AddNode(nodeFactory_ ? nodeFactory_() : std::make_unique<TGGraphNode>());
}

TGGraphNode* TGCustomGraph::CreateNode(const std::string& caption) {
  TGGraphNode* node = CreateNode();
  node->SetCaption(caption);
  return node;
}

TGGraphNode* TGCustomGraph::AddNode(std::unique_ptr<TGGraphNode> node) {
  if (!node) return nullptr;
  TGGraphNode* n = node.get();
  if (n->graph_ == this) return node.release();  // already owned here
  if (n->graph_) (void)n->graph_->TakeOut(n, true).release();  // Node owns it now
  nodes_.push_back(std::move(node));
  return Joined(n);
}

TGGraphNode* TGCustomGraph::AddNode(TGGraphNode* node) {
  if (!node || node->graph_ == this) return node;
  if (node->graph_) return AddNode(node->graph_->TakeOut(node, true));
  // From its creator: the list entry exists before it takes ownership, so a
  // failed allocation leaves the node with its creator.
  nodes_.emplace_back();
  nodes_.back().reset(node);
  return Joined(node);
}

// Node was just appended to the list: it belongs to this graph now.
TGGraphNode* TGCustomGraph::Joined(TGGraphNode* node) {
  node->graph_ = this;
  node->listPos_ = std::prev(nodes_.end());
  if (!node->captionSet_ && node->number_ == 0) node->number_ = ++nodeNumber_;
  Changed();
  if (OnAddNode && !destroying_) OnAddNode(*this, *node);
  return node;
}

std::unique_ptr<TGGraphNode> TGCustomGraph::TakeOut(TGGraphNode* node, bool notify) {
  if (!node || node->graph_ != this) return nullptr;
  notify = notify && !destroying_;
  if (notify && OnRemoveNode) OnRemoveNode(*this, *node);
  std::unique_ptr<TGGraphNode> owned = std::move(*node->listPos_);
  nodes_.erase(node->listPos_);
  node->graph_ = nullptr;
  node->listPos_ = {};
  if (notify) Changed();
  return owned;
}

bool TGCustomGraph::DeleteNode(TGGraphNode* node) {
  std::unique_ptr<TGGraphNode> owned = TakeOut(node, true);
  if (!owned) return false;
  owned->RemoveAllEdges();
  return true;
}

std::unique_ptr<TGGraphNode> TGCustomGraph::ExtractNode(TGGraphNode* node) {
  return TakeOut(node, true);
}

void TGCustomGraph::Clear() {
  WithinUpdate(*this, [this] {
    FreeAllNodes(true);
    nodeNumber_ = 0;
  });
}

void TGCustomGraph::FreeAllNodes(bool notify) {
  // Every node drops its edges while all nodes are whole, then the nodes go.
  for (auto& node : nodes_) node->RemoveAllEdges();
  while (!nodes_.empty()) (void)TakeOut(nodes_.front().get(), notify);
}

TGGraphNode* TGCustomGraph::FindNode(const std::string& caption) const {
  for (const auto& node : nodes_)
    if (node->Caption() == caption) return node.get();
  return nullptr;
}

IIteratorRef TGCustomGraph::Nodes() const {
  return IIteratorRef(MakeRef<TGGraphNodeIterator>(&nodes_));
}

void TGCustomGraph::SetDirected(bool directed) {
  if (directed == directed_) return;
  directed_ = directed;
  // Relist the edges that start at this graph's nodes at their to-nodes.
  for (auto& node : nodes_) {
    TGGraphNode* n = node.get();
    const std::vector<TGGraphEdge*> edges = n->edges_;
    for (TGGraphEdge* e : edges) {
      if (e->from_ != n || e->to_ == n || e->bothEnds_ == !directed) continue;
      e->bothEnds_ = !directed;
      if (!directed) {
        e->to_->edges_.push_back(e);
        e->to_->AddEdge(e);
      } else {
        EraseEdge(e->to_->edges_, e);
        e->to_->RemoveEdge(e);
      }
    }
  }
  Changed();
}

void TGCustomGraph::CheckWeighted() const {
  if (!Weighted()) throw EGraphException(SGraphNotWeighted);
}

double TGCustomGraph::EdgeWeight(const TGGraphEdge* /*edge*/) const {
  CheckWeighted();
  return 0.0;
}

void TGCustomGraph::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0) Changed();
}

void TGCustomGraph::Changed() {
  if (updateCount_ != 0 || destroying_) return;
  if (OnChange) OnChange(*this);
}

void TGCustomGraph::NodeChanged(TGGraphNode& node) {
  if (!destroying_ && OnNodeChange) OnNodeChange(*this, node);
}

void TGCustomGraph::NodeCaptionChanged(TGGraphNode& node) {
  if (!destroying_ && OnNodeCaptionChange) OnNodeCaptionChange(*this, node);
}

void TGCustomGraph::Properties(std::vector<TProperty>& props) {
  TComponent::Properties(props);
  TProperty p;
  p.Name = "Directed";
  p.Kind = pkBoolean;
  p.Get = [this]() -> TPropertyValue { return directed_; };
  p.Set = [this](const TPropertyValue& v) { SetDirected(std::get<bool>(v)); };
  p.Default = TPropertyValue(true);
  props.push_back(std::move(p));
}
