// The network itself and the node base: edges, root list, rule table,
// compiling rules into nodes and removing them again.
#include "rete/ReteNetwork.h"

#include <algorithm>
#include <set>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "facts/IERule.h"
#include "functions/IEFunctionCall.h"
#include "rete/ReteProfiler.h"

namespace {

bool IsVariable(const IIEValue& value) {
  return value && (value->DType() == dtVariable || value->DType() == dtMultiVariable);
}

bool IsGlobalVariableName(std::string_view name) {
  return name.size() >= 2 && name.front() == '*' && name.back() == '*';
}

// A slot reference value: three cells, an integer fact index first.
bool IsSlotReference(const IIEValue& value, int32_t* factIndex = nullptr) {
  if (!value) return false;
  if (value->DType() == dtVariantArray) {
    const TIEVariantArray& cells = value->VariantArrayRef();
    if (cells.size() < 3 || cells[0].index() != 1) return false;
    if (factIndex) *factIndex = std::get<int32_t>(cells[0]);
    return true;
  }
  if (value->DType() == dtIntArray) {
    const TIEIntArray items = value->AsIntArray();
    if (items.empty()) return false;
    if (factIndex) *factIndex = items[0];
    return true;
  }
  return false;
}

// The same reference with fact index 0.
IIEValue AtFactZero(const IIEValue& value) {
  IIEValue copy = value->Clone();
  if (value->DType() == dtVariantArray) {
    TIEVariantArray cells = value->VariantArrayRef();
    cells[0] = int32_t(0);
    copy->SetAsVariantArray(std::move(cells));
  } else {
    TIEIntArray items = value->AsIntArray();
    items[0] = 0;
    copy->SetAsIntArray(std::move(items));
  }
  return copy;
}

// Sets every slot reference in Call (and its argument calls) to fact index 0.
void ZeroSlotReferences(const IFunCall& call) {
  auto* functionCall = dynamic_cast<TFunctionCall*>(call.get());
  if (!functionCall) return;
  for (int32_t i = 0; i < functionCall->ArgumentCount(); ++i) {
    const IIEValue& argument = functionCall->GetArgument(i);
    if (IsSlotReference(argument)) functionCall->SetArgument(i, AtFactZero(argument));
    else if (argument && argument->DType() == dtFunCall) ZeroSlotReferences(argument->AsFunCall());
  }
}

bool ValuesMatch(const IIEValue& a, const IIEValue& b) {
  if (!a || !b) return !a && !b;
  return a->Equals(b);
}

bool ArgsMatch(const TIEVariantArray& a, const TIEVariantArray& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!VariantEquals(a[i], b[i])) return false;
  return true;
}

TIEVariantArray Args(std::initializer_list<TIEVariant> cells) { return TIEVariantArray(cells); }

// Share keys: hashes that agree with the equality by which pattern-match
// nodes are shared (TIEValue::Equals for values, VariantEquals for cells), so
// that nodes equal to one another always land in the same bucket.

size_t Mix(size_t seed, size_t value) {
  return seed ^ (value + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2));
}

// Integers and floats of equal value are equal cells, and 0 equals -0.
size_t NumberHash(double number) { return std::hash<double>{}(number == 0 ? 0.0 : number); }

size_t CellHash(const TIEVariant& cell) {
  switch (cell.index()) {
    case 1: return NumberHash(std::get<int32_t>(cell));
    case 2: return NumberHash(std::get<double>(cell));
    case 3: return Mix(3, std::hash<std::string>{}(std::get<std::string>(cell)));
    default: return 0x5eed;
  }
}

size_t CellsHash(const TIEVariantArray& cells) {
  size_t hash = cells.size();
  for (const TIEVariant& cell : cells) hash = Mix(hash, CellHash(cell));
  return hash;
}

size_t ValueShareHash(const TIEValue* value) {
  if (!value) return 0x6e0e;
  const size_t hash = Mix(0x7a1e, size_t(value->DType()));
  switch (value->DType()) {
    case dtAtom: case dtString: case dtVariable: case dtMultiVariable: case dtSlot:
    case dtMultiSlot: case dtInteger: case dtFactId: case dtDescriptor: case dtFloat:
      // Equal texts, integers or floats have equal hash codes.
      return Mix(hash, uint32_t(value->HashCode()));
    case dtFunCall: {
      // Calls are equal by name and argument values.
      IFunCall call = value->AsFunCall();
      auto* functionCall = dynamic_cast<const TFunctionCall*>(call.get());
      if (!functionCall) return hash;
      size_t h = Mix(hash, std::hash<std::string>{}(functionCall->FunctionName()));
      for (const IIEValue& argument : functionCall->Arguments())
        h = Mix(h, ValueShareHash(argument.get()));
      return h;
    }
    case dtList: {
      IValueVector list = value->AsList();
      if (!list) return hash;
      size_t h = Mix(hash, size_t(list->Count()));
      for (int32_t i = 0; i < list->Count(); ++i) h = Mix(h, ValueShareHash(list->Get(i).get()));
      return h;
    }
    case dtIntArray: {
      size_t h = hash;
      for (int32_t item : value->AsIntArray()) h = Mix(h, uint32_t(item));
      return h;
    }
    case dtVariantArray:
      return Mix(hash, CellsHash(value->VariantArrayRef()));
    default:
      // Facts, objects and the rest: the type alone (few such nodes exist).
      return hash;
  }
}

size_t PatternShareKey(TPatternMatchTest kind, const IIEValue& value, const TIEVariantArray& args) {
  return Mix(Mix(size_t(kind), ValueShareHash(value.get())), CellsHash(args));
}

// A node with at most this many successors (a root list this short) is
// scanned for a node to share; one with more is indexed.
constexpr size_t ShareScanLimit = 8;

TCallType EdgeCallType(const TGGraphEdge* edge) {
  auto* reteEdge = dynamic_cast<const TReteEdge*>(edge);
  return reteEdge ? reteEdge->CallType() : ctSingle;
}

}  // namespace

// ---------------------------------------------------------------------------
// TReteEdge

void TReteEdge::Properties(std::vector<TProperty>& props) {
  TGGraphEdge::Properties(props);
  TProperty p;
  p.Name = "CallType";
  p.Kind = pkInteger;
  p.Get = [this]() -> TPropertyValue { return int64_t(callType_); };
  p.Set = [this](const TPropertyValue& v) {
    const int64_t n = std::get<int64_t>(v);
    if (n >= ctLeft && n <= ctActivate) callType_ = TCallType(n);
  };
  props.push_back(std::move(p));
}

// ---------------------------------------------------------------------------
// TReteNode

TReteNode::~TReteNode() {
  // Edges go while this node is whole, so its own hooks see them leave.
  RemoveAllEdges();
  if (rete_) rete_->NodeGone(this);
}

TIEContext& TReteNode::Context() {
  if (!context_) {
    IReteEngine* engine = rete_ ? rete_->Engine() : nullptr;
    TIEContext* root = engine ? engine->RootContext() : nullptr;
    context_ = root ? root->CreateChild() : std::make_unique<TIEContext>();
  }
  return *context_;
}

bool TReteNode::Propagate(const TTokenRef& token) {
  if (profiler_) [[unlikely]]
    return ProfiledPropagate(token);
  bool passed = false;
  // Indexed: a successor never changes this node's edges while it runs.
  for (size_t i = 0; i < successors_.size(); ++i) {
    const TSuccessor next = successors_[i];
    if (next.Node->Call(token, next.CallType)) passed = true;
  }
  return passed;
}

std::string TReteNode::Text() const {
  return Caption() + SNodeInOutText + std::to_string(IncomingCount()) + "/" +
         std::to_string(EdgeCount()) + SNodeRuleUseText + std::to_string(ruleUseCount_);
}

bool TReteNode::HasInput(const TReteNode* from, TCallType callType) const {
  if (!from) return false;
  // Whichever list is shorter: a shared node may have very many successors,
  // while a node rarely has more than two inputs.
  if (IncomingEdges().size() < from->successors_.size()) {
    for (const TGGraphEdge* edge : IncomingEdges())
      if (edge->FromNode() == from && EdgeCallType(edge) == callType) return true;
    return false;
  }
  for (const TSuccessor& next : from->successors_)
    if (next.Node == this && next.CallType == callType) return true;
  return false;
}

void TReteNode::EdgeArriving(TGGraphNode* from, TGGraphEdge* edge) {
  const bool wasRoot = IncomingCount() == 0;
  TGGraphNode::EdgeArriving(from, edge);
  if (wasRoot && rete_) rete_->LeaveRoot(this);
}

void TReteNode::AddEdge(TGGraphEdge* edge) {
  auto* target = dynamic_cast<TReteNode*>(edge->ToNode());
  if (target && edge->FromNode() == this) {
    const TCallType callType = EdgeCallType(edge);
    successors_.push_back({target, callType});
    if (rete_) rete_->SuccessorAdded(this, target, edge, callType);
  }
  TGGraphNode::AddEdge(edge);
}

void TReteNode::EdgeLeaving(TGGraphNode* from, TGGraphEdge* edge) {
  TGGraphNode::EdgeLeaving(from, edge);
  if (IncomingCount() == 0 && rete_) rete_->EnterRoot(this);
}

void TReteNode::RemoveEdge(TGGraphEdge* edge) {
  if (edge->FromNode() == this) {
    // The edge list and the successor list are in the same order; the edge
    // that leaves is found from the back (edges mostly go newest first).
    auto* target = edge->ToNode();
    const TCallType callType = EdgeCallType(edge);
    for (size_t i = successors_.size(); i-- > 0;) {
      if (successors_[i].Node == target && successors_[i].CallType == callType) {
        successors_.erase(successors_.begin() + std::ptrdiff_t(i));
        break;
      }
    }
    if (rete_) rete_->SuccessorRemoved(this, target, edge, callType);
  }
  TGGraphNode::RemoveEdge(edge);
}

std::unique_ptr<TGGraphEdge> TReteNode::CreateEdge(TGGraphNode* from, TGGraphNode* to) {
  return std::make_unique<TReteEdge>(from, to, ctSingle);
}

TCustomFact* TReteNode::Placeholder() const {
  if (!rete_) return nullptr;
  if (rete_->Engine()) return rete_->Engine()->NotOrTestFactBorrowed();
  return rete_->OwnPlaceholder();
}

// ---------------------------------------------------------------------------
// TReteNetwork: construction, root list, rule table

TReteNetwork::TReteNetwork(IReteEngine* engine, TComponent* owner)
    : TGGraph(owner), engine_(engine) {
  SetDirected(true);
  engineComponent_ = dynamic_cast<TComponent*>(engine);
  if (engineComponent_ && engineComponent_ != owner) FreeNotification(engineComponent_);
}

TReteNetwork::~TReteNetwork() {
  Clear();
  kept_.clear();
}

void TReteNetwork::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component) {
    if (component == engineComponent_) {
      engine_ = nullptr;
      engineComponent_ = nullptr;
    } else {
      auto it = rules_.find(component);
      if (it != rules_.end()) RemoveRule(*it->second.Rule);
    }
  }
  TGGraph::Notification(component, operation);
}

TReteNetwork::TRuleEntry* TReteNetwork::Entry(const TRule& rule) {
  auto it = rules_.find(static_cast<const TComponent*>(&rule));
  return it == rules_.end() ? nullptr : &it->second;
}

const std::vector<TReteNode*>* TReteNetwork::RuleNodes(const TRule& rule) const {
  auto it = rules_.find(static_cast<const TComponent*>(&rule));
  return it == rules_.end() ? nullptr : &it->second.Nodes;
}

TPatternMatchTerminalNode* TReteNetwork::TerminalNode(const TRule& rule) const {
  const std::vector<TReteNode*>* nodes = RuleNodes(rule);
  if (!nodes) return nullptr;
  for (auto it = nodes->rbegin(); it != nodes->rend(); ++it)
    if (auto* terminal = dynamic_cast<TPatternMatchTerminalNode*>(*it)) return terminal;
  return nullptr;
}

void TReteNetwork::EnterRoot(TReteNode* node) {
  if (clearing_ || node->listedRoot_) return;
  roots_.push_back(node);
  node->listedRoot_ = true;
  if (rootsIndexed_) {
    if (node->shareable_) FileNode(patternIndex_, {nullptr, node->shareKey_}, node);
  } else if (roots_.size() > ShareScanLimit) {
    IndexRoots();
  }
}

void TReteNetwork::LeaveRoot(TReteNode* node) {
  if (clearing_ || !node->listedRoot_) return;
  // Searched from the back: mostly a node made just now gets its first input.
  auto it = std::find(roots_.rbegin(), roots_.rend(), node);
  if (it != roots_.rend()) roots_.erase(std::next(it).base());
  node->listedRoot_ = false;
  if (rootsIndexed_ && node->shareable_)
    UnfileNode(patternIndex_, {nullptr, node->shareKey_}, node, true);
}

// ---------------------------------------------------------------------------
// The sharing indexes

size_t TReteNetwork::TShareSlotHash::operator()(const TShareSlot& slot) const noexcept {
  return Mix(std::hash<const void*>{}(slot.Parent), slot.Key);
}

void TReteNetwork::FileNode(TShareIndex& index, const TShareSlot& slot, TReteNode* node) {
  index[slot].push_back(node);
}

void TReteNetwork::UnfileNode(TShareIndex& index, const TShareSlot& slot, const TReteNode* node,
                              bool all) {
  auto it = index.find(slot);
  if (it == index.end()) return;
  std::vector<TReteNode*>& bucket = it->second;
  for (size_t i = bucket.size(); i-- > 0;) {
    if (bucket[i] != node) continue;
    bucket.erase(bucket.begin() + std::ptrdiff_t(i));
    if (!all) break;
  }
  if (bucket.empty()) index.erase(it);
}

void TReteNetwork::SuccessorAdded(TReteNode* from, TReteNode* to, const TGGraphEdge* edge,
                                  TCallType callType) {
  if (clearing_) return;
  if (callType == ctSingle) {
    if (from->indexed_ && to->shareable_) FileNode(patternIndex_, {from, to->shareKey_}, to);
  } else if (callType == ctLeft || callType == ctRight) {
    // A right input pairs with left inputs that may be indexed.
    if ((from->indexed_ || callType == ctRight) && dynamic_cast<TJoinNode*>(to))
      PairJoinInputs(to, edge, from, callType, true);
  }
  if (!from->indexed_ && from->successors_.size() > ShareScanLimit) IndexSuccessors(from);
}

void TReteNetwork::SuccessorRemoved(TReteNode* from, TGGraphNode* to, const TGGraphEdge* edge,
                                    TCallType callType) {
  if (clearing_) return;
  // No cast to a derived class here: To may be a node on its way out.
  auto* node = dynamic_cast<TReteNode*>(to);
  if (!node) return;
  if (callType == ctSingle) {
    if (from->indexed_ && node->shareable_) UnfileNode(patternIndex_, {from, node->shareKey_}, node);
  } else if (callType == ctLeft || callType == ctRight) {
    if (from->indexed_ || callType == ctRight) PairJoinInputs(node, edge, from, callType, false);
  }
}

void TReteNetwork::PairJoinInputs(TReteNode* join, const TGGraphEdge* edge, TReteNode* from,
                                  TCallType callType, bool add) {
  const TCallType other = callType == ctLeft ? ctRight : ctLeft;
  for (const TGGraphEdge* input : join->IncomingEdges()) {
    if (input == edge || EdgeCallType(input) != other) continue;
    auto* peer = dynamic_cast<TReteNode*>(input->FromNode());
    if (!peer) continue;
    TReteNode* left = callType == ctLeft ? from : peer;
    TReteNode* right = callType == ctLeft ? peer : from;
    TReteNetwork* rete = left->rete_;
    if (!rete || rete->clearing_ || !left->indexed_) continue;
    const TShareSlot slot{left, reinterpret_cast<uintptr_t>(right)};
    if (add)
      FileNode(rete->joinIndex_, slot, join);
    else
      UnfileNode(rete->joinIndex_, slot, join);
  }
}

void TReteNetwork::IndexSuccessors(TReteNode* node) {
  node->indexed_ = true;
  for (const TReteNode::TSuccessor& next : node->successors_) {
    if (next.CallType == ctSingle) {
      if (next.Node->shareable_) FileNode(patternIndex_, {node, next.Node->shareKey_}, next.Node);
    } else if (next.CallType == ctLeft && dynamic_cast<TJoinNode*>(next.Node)) {
      for (const TGGraphEdge* input : next.Node->IncomingEdges()) {
        auto* right = dynamic_cast<TReteNode*>(input->FromNode());
        if (right && EdgeCallType(input) == ctRight)
          FileNode(joinIndex_, {node, reinterpret_cast<uintptr_t>(right)}, next.Node);
      }
    }
  }
}

void TReteNetwork::IndexRoots() {
  rootsIndexed_ = true;
  for (TReteNode* root : roots_)
    if (root->shareable_) FileNode(patternIndex_, {nullptr, root->shareKey_}, root);
}

void TReteNetwork::RefilePatternNode(const TReteNode* parent, TReteNode* node, size_t oldKey) {
  if (clearing_ || (parent ? !parent->indexed_ : !rootsIndexed_)) return;
  UnfileNode(patternIndex_, {parent, oldKey}, node, true);
  // The new bucket is made again from the list, which keeps it in list order.
  const size_t key = node->shareKey_;
  const TShareSlot slot{parent, key};
  patternIndex_.erase(slot);
  std::vector<TReteNode*> bucket;
  if (parent) {
    for (const TReteNode::TSuccessor& next : parent->successors_)
      if (next.CallType == ctSingle && next.Node->shareable_ && next.Node->shareKey_ == key)
        bucket.push_back(next.Node);
  } else {
    for (TReteNode* root : roots_)
      if (root->shareable_ && root->shareKey_ == key) bucket.push_back(root);
  }
  if (!bucket.empty()) patternIndex_.emplace(slot, std::move(bucket));
}

TJoinNode* TReteNetwork::FindSharedJoin(TReteNode* left, TReteNode* right, const TJoinNode& join) {
  auto shareable = [&](TReteNode* node) -> TJoinNode* {
    auto* candidate = dynamic_cast<TJoinNode*>(node);
    if (!candidate || candidate->NegatedPattern() || !candidate->Equals(&join)) return nullptr;
    return candidate;
  };
  // The first join in Left's successor order that takes Left on its left and
  // Right on its right input.
  auto scan = [&]() -> TJoinNode* {
    for (const TReteNode::TSuccessor& next : left->Successors()) {
      if (next.CallType != ctLeft || !dynamic_cast<TJoinNode*>(next.Node)) continue;
      if (!next.Node->HasInput(right, ctRight)) continue;
      if (TJoinNode* candidate = shareable(next.Node)) return candidate;
    }
    return nullptr;
  };
  if (left->rete_ != this || !left->indexed_) return scan();  // not indexed here
  auto it = joinIndex_.find({left, reinterpret_cast<uintptr_t>(right)});
  if (it == joinIndex_.end()) return nullptr;
  TJoinNode* found = nullptr;
  for (TReteNode* node : it->second) {
    TJoinNode* candidate = shareable(node);
    if (!candidate || candidate == found) continue;
    // Two candidates: the one a scan meets first.
    if (found) return scan();
    found = candidate;
  }
  return found;
}

void TReteNetwork::NodeGone(TReteNode* node) {
  if (profile_) profile_->NodeGone(node);
  LeaveRoot(node);
  // A node freed by RemoveRule has no uses left, so no list names it; one
  // removed from the graph directly leaves every list, one entry per use.
  if (clearing_ || node->ruleUseCount_ == 0) return;
  for (auto& [component, entry] : rules_) {
    auto& nodes = entry.Nodes;
    for (auto it = nodes.begin(); it != nodes.end();) {
      if (*it == node) {
        it = nodes.erase(it);
        node->SetRuleUseCount(node->ruleUseCount_ - 1);
      } else {
        ++it;
      }
    }
  }
}

void TReteNetwork::Connect(TReteNode* from, TReteNode* to, TCallType callType) {
  TGGraphEdge::Link(std::make_unique<TReteEdge>(from, to, callType));
}

void TReteNetwork::Keep(std::unique_ptr<TActivation> activation) {
  kept_.push_back(std::move(activation));
}

std::unique_ptr<TActivation> TReteNetwork::Release(TActivation& activation) {
  for (auto it = kept_.begin(); it != kept_.end(); ++it) {
    if (it->get() != &activation) continue;
    std::unique_ptr<TActivation> owned = std::move(*it);
    kept_.erase(it);
    return owned;
  }
  return nullptr;
}

TCustomFact* TReteNetwork::OwnPlaceholder() {
  if (!placeholder_) {
    auto fact = MakeRef<TFact>(TFactTemplate::CreateImplied(nullptr, SNotOrTestTemplate));
    fact->SetID(-1);
    placeholder_ = IFact(fact.get());
  }
  return placeholder_.get();
}

// ---------------------------------------------------------------------------
// Rules in and out

void TReteNetwork::AddRule(TRule& rule) {
  if (rule.Patterns().IsEmpty()) {
    rule.AddPattern(rule.CreateInitialFactPattern());
    // The addition reported a change, and the engine may have recompiled the
    // rule already.
    if (Entry(rule)) return;
  }
  if (Entry(rule)) RemoveRule(rule);

  std::string trace = rule.RuleName() + STraceNameSeparator;
  TRuleEntry& entry = rules_[static_cast<const TComponent*>(&rule)];
  entry.Rule = &rule;
  entry.Nodes.clear();
  if (this != static_cast<TComponent*>(&rule)) FreeNotification(&rule);
  try {
    Compile(rule, entry, trace);
  } catch (...) {
    rule.SetCompileTrace(trace);
    RemoveRule(rule);
    throw;
  }
  rule.SetCompileTrace(trace);
}

void TReteNetwork::RemoveRule(TRule& rule) {
  auto it = rules_.find(static_cast<const TComponent*>(&rule));
  if (it == rules_.end()) return;
  std::vector<TReteNode*> nodes = std::move(it->second.Nodes);
  rules_.erase(it);
  if (profile_) profile_->RuleGone(&rule);
  if (!rule.IsDestroying()) RemoveFreeNotification(&rule);
  for (auto node = nodes.rbegin(); node != nodes.rend(); ++node) {
    TReteNode* n = *node;
    n->SetRuleUseCount(n->RuleUseCount() - 1);
    if (n->RuleUseCount() == 0) DeleteNode(n);
  }
}

void TReteNetwork::Clear() {
  for (auto& [component, entry] : rules_) {
    if (profile_) profile_->RuleGone(entry.Rule);
    if (!entry.Rule->IsDestroying()) RemoveFreeNotification(entry.Rule);
  }
  rules_.clear();
  for (TReteNode* root : roots_) root->listedRoot_ = false;
  roots_.clear();
  patternIndex_.clear();
  joinIndex_.clear();
  rootsIndexed_ = false;
  clearing_ = true;
  try {
    TGGraph::Clear();
  } catch (...) {
    clearing_ = false;
    throw;
  }
  clearing_ = false;
}

bool TReteNetwork::AssertToken(const TTokenRef& token) {
  if (profiling_) [[unlikely]]
    return ProfiledAssertToken(token);
  bool passed = false;
  // Indexed: the root list does not change while a token propagates.
  for (size_t i = 0; i < roots_.size(); ++i)
    if (roots_[i]->Call(token, ctSingle)) passed = true;
  return passed;
}

// ---------------------------------------------------------------------------
// Pattern-match nodes

TPatternMatchNode::TPatternMatchNode() {
  shareable_ = true;
  shareKey_ = PatternShareKey(kind_, value_, args_);
}

void TPatternMatchNode::SetValue(IIEValue value) {
  value_ = std::move(value);
  KeyChanged();
}

void TPatternMatchNode::SetArgs(TIEVariantArray args) {
  args_ = std::move(args);
  KeyChanged();
}

void TPatternMatchNode::SetPatternMatchTest(TPatternMatchTest kind) {
  kind_ = kind;
  KeyChanged();
}

void TPatternMatchNode::KeyChanged() {
  const size_t oldKey = shareKey_;
  shareKey_ = PatternShareKey(kind_, value_, args_);
  if (shareKey_ == oldKey) return;
  // Each parent files the node once per edge; it is refiled once per parent.
  std::vector<TReteNode*> parents;
  for (const TGGraphEdge* edge : IncomingEdges()) {
    auto* parent = dynamic_cast<TReteNode*>(edge->FromNode());
    if (parent && parent->rete_ && std::find(parents.begin(), parents.end(), parent) == parents.end())
      parents.push_back(parent);
  }
  for (TReteNode* parent : parents) parent->rete_->RefilePatternNode(parent, this, oldKey);
  if (listedRoot_ && rete_) rete_->RefilePatternNode(nullptr, this, oldKey);
}

TPatternMatchNode* TReteNetwork::FindOrCreatePatternNode(TReteNode* parent, TPatternMatchTest kind,
                                                         const IIEValue& value,
                                                         const TIEVariantArray& args, TRule& rule,
                                                         std::string* trace) {
  IIEValue nodeValue = value;
  if (nodeValue && nodeValue->DType() == dtFunCall) {
    ZeroSlotReferences(nodeValue->AsFunCall());
  } else if (IsSlotReference(nodeValue)) {
    nodeValue = AtFactZero(nodeValue);
  }
  TRuleEntry* entry = Entry(rule);
  auto matches = [&](TReteNode* candidate) -> TPatternMatchNode* {
    auto* node = dynamic_cast<TPatternMatchNode*>(candidate);
    if (!node || node->PatternMatchTest() != kind) return nullptr;
    if (!ValuesMatch(node->Value(), nodeValue) || !ArgsMatch(node->Args(), args)) return nullptr;
    return node;
  };
  TPatternMatchNode* found = nullptr;
  if (!parent && !rootsIndexed_) {
    for (TReteNode* root : roots_)
      if ((found = matches(root))) break;
  } else if (parent && (parent->rete_ != this || !parent->indexed_)) {
    // A short list, or a node of no network or another one (not indexed here).
    for (const TReteNode::TSuccessor& next : parent->Successors())
      if (next.CallType == ctSingle && (found = matches(next.Node))) break;
  } else {
    // Only nodes of the same share key can match, and the bucket keeps the
    // order of the list, so the first match is the one a scan would find.
    auto it = patternIndex_.find({parent, PatternShareKey(kind, nodeValue, args)});
    if (it != patternIndex_.end())
      for (TReteNode* candidate : it->second)
        if ((found = matches(candidate))) break;
  }
  if (found) {
    found->SetRuleUseCount(found->RuleUseCount() + 1);
    if (entry) entry->Nodes.push_back(found);
    if (trace) *trace += STracePatternNodeShared;
    return found;
  }
  auto node = std::make_unique<TPatternMatchNode>();
  node->SetPatternMatchTest(kind);
  node->SetArgs(args);
  node->SetValue(nodeValue);
  TPatternMatchNode* created = AddReteNode(std::move(node));
  if (entry) entry->Nodes.push_back(created);
  if (parent) Connect(parent, created, ctSingle);
  if (trace) *trace += STracePatternNodeNew;
  return created;
}

TPatternMatchNode* TReteNetwork::FindOrCreatePatternNode(TReteNode* parent, TPatternMatchTest kind,
                                                         const TIEVariantArray& args, TRule& rule,
                                                         std::string* trace) {
  return FindOrCreatePatternNode(parent, kind, nullptr, args, rule, trace);
}

IFunCall TReteNetwork::ResolveVariables(const IFunCall& call, const TRule& rule) {
  auto* source = dynamic_cast<TFunctionCall*>(call.get());
  if (!source) return call;
  IFunctionCall copy = source->Clone();
  for (int32_t i = 0; i < copy->ArgumentCount(); ++i) {
    const IIEValue& argument = copy->GetArgument(i);
    if (IsVariable(argument)) {
      const std::string name = argument->AsString();
      TBinding* binding = rule.FindRuleBinding(name);
      if (!binding) {
        if (IsGlobalVariableName(name)) continue;  // resolved through the context chain
        throw EIEException(Format(SUnknownVariable, {name}));
      }
      // A pattern binding refers to the fact itself: an empty slot name.
      const std::string slot =
          binding->SlotIndex() == BindingPatternSlot ? std::string() : binding->SlotIndex();
      copy->SetArgument(i, TIEValue::MakeSlotReference(binding->FactIndex(), slot,
                                                       binding->SubIndex()));
    } else if (argument && argument->DType() == dtFunCall) {
      copy->SetArgument(i, TIEValue::MakeFunCall(ResolveVariables(argument->AsFunCall(), rule)));
    }
  }
  return IFunCall(copy.get());
}

bool TReteNetwork::RefersToOtherPattern(const IFunCall& call, int32_t index) {
  auto* functionCall = dynamic_cast<TFunctionCall*>(call.get());
  if (!functionCall) return false;
  for (const IIEValue& argument : functionCall->Arguments()) {
    int32_t factIndex = 0;
    if (IsSlotReference(argument, &factIndex)) {
      if (factIndex != index) return true;
    } else if (argument && argument->DType() == dtFunCall) {
      if (RefersToOtherPattern(argument->AsFunCall(), index)) return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------
// Compiling one rule

void TReteNetwork::Compile(TRule& rule, TRuleEntry& entry, std::string& trace) {
  const int32_t count = rule.Patterns().Count();
  std::vector<TReteNode*> roots(size_t(count), nullptr);
  std::vector<TReteNode*> lasts(size_t(count), nullptr);
  for (int32_t i = 0; i < count; ++i) {
    TReteNode* last = CompileFactChain(rule, i, roots[size_t(i)], trace);
    lasts[size_t(i)] = CompileSamePatternTests(rule, i, last, trace);
  }
  TJoinChain chain = CompileJoins(rule, entry, lasts, trace);
  TPatternMatchTerminalNode& terminal = CompileTerminal(rule, entry, chain, trace);
  Prime(roots, chain.LastShared, chain.FedByShared, terminal);
}

TReteNode* TReteNetwork::CompileFactChain(TRule& rule, int32_t index, TReteNode*& root,
                                          std::string& trace) {
  const TIEPattern& pattern = *rule.Patterns().Get(index);
  const bool isTest = pattern.IsTestPattern();
  TReteNode* last = FindOrCreatePatternNode(nullptr, isTest ? pmtUnknown : pmtTestClassType,
                                            TIEValue::MakeAtom(pattern.Name()),
                                            Args({int32_t(0), int32_t(0)}), rule, &trace);
  root = last;
  if (isTest) return last;
  const int32_t slots = pattern.SlotCount();
  for (int32_t s = 0; s < slots; ++s) {
    const TSlotTests& tests = pattern.SlotTests(s);
    for (int32_t t = 0; t < tests.Count(); ++t) {
      const TIEPatternMatchTest* test = tests.Get(t);
      if (test->SlotValue() && test->SlotValue()->DType() == dtMultiVariable)
        last = FindOrCreatePatternNode(
            last, pmtTestMultiSlotMultiField,
            Args({pattern.SlotName(s), test->MultiSlotSubIndex(), int32_t(0)}), rule, &trace);
    }
  }
  for (int32_t s = 0; s < slots; ++s) {
    if (pattern.SlotLength(s) >= 0)
      last = FindOrCreatePatternNode(last, pmtTestMultiSlotLength,
                                     Args({pattern.SlotName(s), pattern.SlotLength(s), int32_t(0)}),
                                     rule, &trace);
  }
  for (int32_t s = 0; s < slots; ++s) {
    const TSlotTests& tests = pattern.SlotTests(s);
    for (int32_t t = 0; t < tests.Count(); ++t) {
      const TIEPatternMatchTest* test = tests.Get(t);
      const IIEValue& value = test->SlotValue();
      if (!value || IsVariable(value)) continue;
      const bool equals = test->SlotTestType() == sttEquals;
      const bool whole = test->MultiSlotSubIndex() == -1;
      const TPatternMatchTest kind = whole ? (equals ? pmtTestEqual : pmtTestNotEqual)
                                           : (equals ? pmtTestMultiSlotEqual : pmtTestMultiSlotNotEqual);
      IIEValue nodeValue = value;
      if (value->DType() == dtFunCall) {
        IFunCall call = ResolveVariables(value->AsFunCall(), rule);
        if (RefersToOtherPattern(call, index)) continue;  // the join tests it
        nodeValue = TIEValue::MakeFunCall(call);
      }
      last = FindOrCreatePatternNode(last, kind, nodeValue,
                                     Args({pattern.SlotName(s), test->MultiSlotSubIndex()}), rule,
                                     &trace);
    }
  }
  return last;
}

TReteNode* TReteNetwork::CompileSamePatternTests(TRule& rule, int32_t index, TReteNode* last,
                                                 std::string& trace) {
  const TIEPattern& pattern = *rule.Patterns().Get(index);
  if (pattern.IsTestPattern()) return last;
  std::set<std::string> handled;
  const int32_t slots = pattern.SlotCount();
  for (int32_t s = 0; s < slots; ++s) {
    const TSlotTests& tests = pattern.SlotTests(s);
    for (int32_t t = 0; t < tests.Count(); ++t) {
      const TIEPatternMatchTest* first = tests.Get(t);
      const IIEValue& value = first->SlotValue();
      if (!IsVariable(value) || !handled.insert(value->AsString()).second) continue;
      for (int32_t s2 = s; s2 < slots; ++s2) {
        const TSlotTests& later = pattern.SlotTests(s2);
        for (int32_t u = s2 == s ? t + 1 : 0; u < later.Count(); ++u) {
          const TIEPatternMatchTest* second = later.Get(u);
          if (!ValuesMatch(second->SlotValue(), value)) continue;
          const int32_t notEquals = (first->SlotTestType() == sttNotEquals ? 1 : 0) +
                                    (second->SlotTestType() == sttNotEquals ? 1 : 0);
          if (notEquals == 2) continue;
          last = FindOrCreatePatternNode(
              last, notEquals == 0 ? pmtTestSlotValueEqual : pmtTestSlotValueNotEqual,
              Args({pattern.SlotName(s), pattern.SlotName(s2), first->MultiSlotSubIndex(),
                    second->MultiSlotSubIndex()}),
              rule, &trace);
        }
      }
    }
  }
  return last;
}

TReteNetwork::TJoinChain TReteNetwork::CompileJoins(TRule& rule, TRuleEntry& entry,
                                                   const std::vector<TReteNode*>& lasts,
                                                   std::string& trace) {
  const TRulePatternList& patterns = rule.Patterns();
  TJoinChain chain;
  chain.Last = lasts[0];
  for (int32_t i = 1; i < patterns.Count(); ++i) {
    const TIEPattern& pattern = *patterns.Get(i);
    const bool isTest = pattern.IsTestPattern();
    const bool backchained = pattern.FactTemplate() && pattern.FactTemplate()->BackwardChaining();
    std::unique_ptr<TTestNode> node;
    if (isTest) {
      node = std::make_unique<TTestNode>();
    } else {
      auto join = std::make_unique<TJoinNode>();
      join->SetNegatedPattern(pattern.NegatedCount() > 0);
      join->SetUnique(pattern.Unique());
      join->SetBucketCount(hashKey_);
      node = std::move(join);
    }
    auto* join = dynamic_cast<TJoinNode*>(node.get());
    std::set<std::string> handled;
    for (int32_t s = 0; s < pattern.SlotCount(); ++s) {
      const TSlotTests& tests = pattern.SlotTests(s);
      for (int32_t t = 0; t < tests.Count(); ++t) {
        const TIEPatternMatchTest* test = tests.Get(t);
        const IIEValue& value = test->SlotValue();
        if (IsVariable(value)) {
          const std::string name = value->AsString();
          if (handled.count(name)) continue;
          TBinding* binding = rule.FindRuleBinding(name);
          if (!binding) throw EIEException(Format(SCorruptedBinding, {name}));
          if (binding->FactIndex() == i || !join) continue;
          join->AddJoinTest(test->SlotTestType(), binding->FactIndex(), test->MultiSlotSubIndex(),
                            pattern.SlotName(s), binding->SubIndex(), binding->SlotIndex());
          handled.insert(name);
        } else if (value && value->DType() == dtFunCall) {
          if (backchained) throw EIEException(Format(SBackchainFunctionCall, {pattern.Name()}));
          IFunCall call = ResolveVariables(value->AsFunCall(), rule);
          // A test element checks its call whatever it refers to.
          if (isTest || RefersToOtherPattern(call, i))
            node->AddTest(test->SlotTestType(), TIEValue::MakeFunCall(call), test->MultiSlotSubIndex());
        }
      }
    }
    if (join) join->ChooseHashKey();

    TReteNode* current = nullptr;
    if (join && pattern.NegatedCount() % 2 == 0) {
      if (TJoinNode* shared = FindSharedJoin(chain.Last, lasts[size_t(i)], *join)) {
        shared->SetRuleUseCount(shared->RuleUseCount() + 1);
        entry.Nodes.push_back(shared);
        trace += STraceJoinNodeShared;
        current = shared;
        chain.SharedPrevious = chain.LastShared = shared;
      }
    }
    if (!current) {
      TTestNode* created = AddReteNode(std::move(node));
      entry.Nodes.push_back(created);
      Connect(chain.Last, created, ctLeft);
      if (chain.SharedPrevious) chain.FedByShared.push_back({created, ctLeft});
      Connect(lasts[size_t(i)], created, ctRight);
      if (join && backchained && !pattern.Explicit()) join->SetBackwardChainingPattern(&pattern, &rule);
      trace += STraceJoinNodeNew;
      current = created;
      // not (not ...) and deeper: each further negation joins the previous
      // node with the partial matches of the one before.
      for (int32_t n = pattern.NegatedCount(); n > 1; --n) {
        auto chained = std::make_unique<TJoinNode>();
        chained->SetNegatedPattern(true);
        chained->SetChainedNegation(true);
        chained->SetBucketCount(hashKey_);
        chained->ChooseHashKey();
        TJoinNode* next = AddReteNode(std::move(chained));
        entry.Nodes.push_back(next);
        Connect(current, next, ctRight);
        Connect(chain.Last, next, ctLeft);
        if (chain.SharedPrevious) chain.FedByShared.push_back({next, ctLeft});
        current = next;
      }
      chain.SharedPrevious = nullptr;
    }
    chain.Last = current;
  }
  return chain;
}

TPatternMatchTerminalNode& TReteNetwork::CompileTerminal(TRule& rule, TRuleEntry& entry,
                                                         TJoinChain& chain, std::string& trace) {
  auto terminalNode = std::make_unique<TPatternMatchTerminalNode>();
  terminalNode->SetRule(&rule);
  TPatternMatchTerminalNode* terminal = AddReteNode(std::move(terminalNode));
  entry.Nodes.push_back(terminal);
  trace += STraceTerminalNode;
  Connect(chain.Last, terminal, ctActivate);
  if (chain.SharedPrevious) chain.FedByShared.push_back({terminal, ctActivate});
  return *terminal;
}

void TReteNetwork::Prime(const std::vector<TReteNode*>& roots, TJoinNode* shared,
                         const std::vector<TPrimedInput>& fedByShared,
                         TPatternMatchTerminalNode& terminal) {
  if (shared && !fedByShared.empty()) {
    // In the order an unshared network would have made them: by the newest
    // fact of each match, then by its facts from the first pattern on.
    std::vector<TTokenRef> matches = shared->CurrentMatches();
    auto idsOf = [](const TTokenRef& token) {
      std::vector<int32_t> ids;
      int32_t newest = -1;
      for (int32_t i = 0; i < token->Size(); ++i) {
        TCustomFact* fact = token->FactAt(i);
        ids.push_back(fact ? fact->ID() : -1);
        newest = std::max(newest, ids.back());
      }
      ids.insert(ids.begin(), newest);
      return ids;
    };
    std::vector<std::pair<std::vector<int32_t>, TTokenRef>> ordered;
    for (TTokenRef& match : matches) ordered.emplace_back(idsOf(match), std::move(match));
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& match : ordered)
      for (const TPrimedInput& input : fedByShared) input.Node->Call(match.second, input.CallType);
  }
  if (engine_) {
    std::vector<IFact> facts;
    engine_->ForEachFact([&](const IFact& fact) { facts.push_back(fact); });
    for (const IFact& fact : facts) {
      // A fact's own token, where it has one, so that the memories that hold
      // it by its place recognise it and store it no second time.
      TTokenRef token = engine_->FactToken(fact);
      const TTokenAction tag = token ? token->Tag() : taUpdate;
      if (token) token->SetTag(taUpdate);
      else token = TIEToken::Create(taUpdate, fact);
      for (TReteNode* root : roots) root->Call(token, ctSingle);
      token->SetTag(tag);
    }
  }
  terminal.SetInitialized(true);
}
