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

std::string TReteNode::Text() const {
  return Caption() + SNodeInOutText + std::to_string(IncomingCount()) + "/" +
         std::to_string(EdgeCount()) + SNodeRuleUseText + std::to_string(ruleUseCount_);
}

bool TReteNode::Propagate(const TTokenRef& token) {
  bool passed = false;
  // Indexed: a successor never changes this node's edges while it runs.
  for (size_t i = 0; i < successors_.size(); ++i) {
    const TSuccessor next = successors_[i];
    if (next.Node->Call(token, next.CallType)) passed = true;
  }
  return passed;
}

bool TReteNode::HasInput(const TReteNode* from, TCallType callType) const {
  if (!from) return false;
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
    auto* reteEdge = dynamic_cast<TReteEdge*>(edge);
    successors_.push_back({target, reteEdge ? reteEdge->CallType() : ctSingle});
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
    auto* reteEdge = dynamic_cast<TReteEdge*>(edge);
    const TCallType callType = reteEdge ? reteEdge->CallType() : ctSingle;
    for (size_t i = successors_.size(); i-- > 0;) {
      if (successors_[i].Node == target && successors_[i].CallType == callType) {
        successors_.erase(successors_.begin() + std::ptrdiff_t(i));
        break;
      }
    }
  }
  TGGraphNode::RemoveEdge(edge);
}

std::unique_ptr<TGGraphEdge> TReteNode::CreateEdge(TGGraphNode* from, TGGraphNode* to) {
  return std::make_unique<TReteEdge>(from, to, ctSingle);
}

IFact TReteNode::Placeholder() const {
  if (!rete_) return nullptr;
  if (rete_->Engine()) return rete_->Engine()->NotOrTestFact();
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
  if (clearing_) return;
  if (std::find(roots_.begin(), roots_.end(), node) == roots_.end()) roots_.push_back(node);
}

void TReteNetwork::LeaveRoot(TReteNode* node) {
  if (clearing_) return;
  auto it = std::find(roots_.begin(), roots_.end(), node);
  if (it != roots_.end()) roots_.erase(it);
}

void TReteNetwork::NodeGone(TReteNode* node) {
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

IFact TReteNetwork::OwnPlaceholder() {
  if (!placeholder_) {
    auto fact = MakeRef<TFact>(TFactTemplate::CreateImplied(nullptr, SNotOrTestTemplate));
    fact->SetID(-1);
    placeholder_ = IFact(fact.get());
  }
  return placeholder_;
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
  if (!rule.IsDestroying()) RemoveFreeNotification(&rule);
  for (auto node = nodes.rbegin(); node != nodes.rend(); ++node) {
    TReteNode* n = *node;
    n->SetRuleUseCount(n->RuleUseCount() - 1);
    if (n->RuleUseCount() == 0) DeleteNode(n);
  }
}

void TReteNetwork::Clear() {
  for (auto& [component, entry] : rules_)
    if (!entry.Rule->IsDestroying()) RemoveFreeNotification(entry.Rule);
  rules_.clear();
  roots_.clear();
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
  bool passed = false;
  // Indexed: the root list does not change while a token propagates.
  for (size_t i = 0; i < roots_.size(); ++i)
    if (roots_[i]->Call(token, ctSingle)) passed = true;
  return passed;
}

// ---------------------------------------------------------------------------
// Pattern-match nodes

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
  if (!parent) {
    for (TReteNode* root : roots_)
      if ((found = matches(root))) break;
  } else {
    for (const TReteNode::TSuccessor& next : parent->Successors())
      if (next.CallType == ctSingle && (found = matches(next.Node))) break;
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
  const TRulePatternList& patterns = rule.Patterns();
  const int32_t count = patterns.Count();
  std::vector<TReteNode*> roots(size_t(count), nullptr);
  std::vector<TReteNode*> lasts(size_t(count), nullptr);

  // Pattern nodes.
  for (int32_t i = 0; i < count; ++i) {
    const TIEPattern& pattern = *patterns.Get(i);
    const bool isTest = pattern.IsTestPattern();
    TReteNode* last = FindOrCreatePatternNode(nullptr, isTest ? pmtUnknown : pmtTestClassType,
                                              TIEValue::MakeAtom(pattern.Name()),
                                              Args({int32_t(0), int32_t(0)}), rule, &trace);
    roots[size_t(i)] = last;
    lasts[size_t(i)] = last;
    if (isTest) continue;
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
          if (RefersToOtherPattern(call, i)) continue;  // the join tests it
          nodeValue = TIEValue::MakeFunCall(call);
        }
        last = FindOrCreatePatternNode(last, kind, nodeValue,
                                       Args({pattern.SlotName(s), test->MultiSlotSubIndex()}), rule,
                                       &trace);
      }
    }
    lasts[size_t(i)] = last;
  }

  // Tests between two uses of one variable within a pattern: later positions
  // of the same slot and positions of later slots.
  for (int32_t i = 0; i < count; ++i) {
    const TIEPattern& pattern = *patterns.Get(i);
    if (pattern.IsTestPattern()) continue;
    std::set<std::string> handled;
    TReteNode* last = lasts[size_t(i)];
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
    lasts[size_t(i)] = last;
  }

  // Joins.
  TReteNode* previous = lasts[0];
  for (int32_t i = 1; i < count; ++i) {
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
      for (const TReteNode::TSuccessor& next : previous->Successors()) {
        auto* candidate = dynamic_cast<TJoinNode*>(next.Node);
        if (!candidate || candidate->NegatedPattern() || next.CallType != ctLeft) continue;
        if (!candidate->HasInput(lasts[size_t(i)], ctRight) || !candidate->Equals(join)) continue;
        candidate->SetRuleUseCount(candidate->RuleUseCount() + 1);
        entry.Nodes.push_back(candidate);
        trace += STraceJoinNodeShared;
        current = candidate;
        break;
      }
    }
    if (!current) {
      TTestNode* created = AddReteNode(std::move(node));
      entry.Nodes.push_back(created);
      Connect(previous, created, ctLeft);
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
        Connect(previous, next, ctLeft);
        current = next;
      }
    }
    previous = current;
  }

  // The terminal node.
  auto terminalNode = std::make_unique<TPatternMatchTerminalNode>();
  terminalNode->SetRule(&rule);
  TPatternMatchTerminalNode* terminal = AddReteNode(std::move(terminalNode));
  entry.Nodes.push_back(terminal);
  trace += STraceTerminalNode;
  Connect(previous, terminal, ctActivate);

  Prime(roots, *terminal);
}

void TReteNetwork::Prime(const std::vector<TReteNode*>& roots, TPatternMatchTerminalNode& terminal) {
  if (engine_) {
    std::vector<IFact> facts;
    engine_->ForEachFact([&](const IFact& fact) { facts.push_back(fact); });
    for (const IFact& fact : facts) {
      TTokenRef token = TIEToken::Create(taUpdate, fact);
      for (TReteNode* root : roots) root->Call(token, ctSingle);
    }
  }
  terminal.SetInitialized(true);
}
