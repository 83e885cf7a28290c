// The Rete network: every rule of an engine compiled into one shared directed
// graph. Facts enter at root nodes; pattern-match nodes (TPatternMatchNode)
// test single facts; join nodes (TJoinNode) combine the partial matches of
// earlier patterns with the facts of the next pattern; test nodes (TTestNode)
// check test elements; a terminal node (TPatternMatchTerminalNode) per rule
// turns complete matches into activations (TActivation) for the engine's
// agenda. Identical nodes of different rules (or patterns) are shared and
// counted by RuleUseCount.
//
// Ownership: the network (a TGGraph) owns its nodes, nodes own their outgoing
// edges and their evaluation context, join nodes own their memories and
// tests. The engine's agenda owns the activations (see IReteEngine); a
// terminal node only lists its current ones. Rules are not owned: the
// network is told when a compiled rule is destroyed and removes it. Once
// profiling was on, the network owns its profiler (rete/ReteProfiler.h),
// which each node points to while profiling.
// Thread-safety: none; the engine serializes every use of its network.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "collections/BlockPool.h"
#include "collections/GGraph.h"
#include "core/IEInterfaces.h"
#include "facts/IESlotTest.h"
#include "rete/IEToken.h"
#include "rete/IReteEngine.h"
#include "values/IEContext.h"
#include "values/IEValue.h"

class TActivation;
class TPatternMatchTerminalNode;
class TReteNetwork;
class TReteProfiler;
class TRule;

// Raised with the network as Sender.
using TActivationEvent = std::function<void(TObject* sender, const TActivation& activation)>;

// ---------------------------------------------------------------------------
// TReteEdge: tells the target node on which input a token arrives.

class TReteEdge : public TGGraphEdge {
 public:
  TReteEdge(TGGraphNode* from, TGGraphNode* to, TCallType callType = ctSingle)
      : TGGraphEdge(from, to), callType_(callType) {}
  std::string ClassName() const override { return "TReteEdge"; }
  TCallType CallType() const noexcept { return callType_; }
  // Published: CallType, as an integer.
  void Properties(std::vector<TProperty>& props) override;

 private:
  TCallType callType_;
};

// ---------------------------------------------------------------------------
// TReteNode: the base of every node: the use count, the evaluation context
// (a child of the engine's root context, made when first needed) and the
// list of successors that Propagate calls.

class TReteNode : public TGGraphNode {
 public:
  TReteNode() = default;
  // Takes the node out of the network's root list and rule lists.
  ~TReteNode() override;
  std::string ClassName() const override { return "TReteNode"; }

  TReteNetwork* Rete() const noexcept { return rete_; }
  // Number of uses by rules; never below 0.
  int32_t RuleUseCount() const noexcept { return ruleUseCount_; }
  void SetRuleUseCount(int32_t count) noexcept { ruleUseCount_ = count < 0 ? 0 : count; }
  TIEContext& Context();

  // Caption, " In/Out#: ", incoming/outgoing counts, " RuleUse: ", use count.
  virtual std::string Text() const;
  // Handles Token arriving on the input CallType; true when it was passed on.
  virtual bool Call(const TTokenRef& token, TCallType callType) = 0;
  // Calls each successor with its edge's call type, in edge order; true when
  // any call returned true. While the network profiles, each call is timed
  // and counted (out of line: unprofiled, this costs one test of a pointer).
  bool Propagate(const TTokenRef& token);
  // The network's profiler while it profiles, else none.
  TReteProfiler* Profiler() const noexcept { return profiler_; }

  // The successors with the call type of their edge, in edge order.
  struct TSuccessor {
    TReteNode* Node;
    TCallType CallType;
  };
  const std::vector<TSuccessor>& Successors() const noexcept { return successors_; }
  // Whether an edge From -> this node of that call type exists.
  bool HasInput(const TReteNode* from, TCallType callType) const;

 protected:
  void EdgeArriving(TGGraphNode* from, TGGraphEdge* edge) override;
  void AddEdge(TGGraphEdge* edge) override;
  void EdgeLeaving(TGGraphNode* from, TGGraphEdge* edge) override;
  void RemoveEdge(TGGraphEdge* edge) override;
  std::unique_ptr<TGGraphEdge> CreateEdge(TGGraphNode* from, TGGraphNode* to) override;

  // The engine's placeholder fact (the network's own without an engine),
  // borrowed: valid while the engine or the network keeps it.
  TCustomFact* Placeholder() const;

  // Pairs of tokens a join compared, ever (the profiler reads differences);
  // a node that compares no pairs counts one check per token.
  uint64_t comparisons_ = 0;
  bool comparesPairs_ = false;

 private:
  friend class TReteNetwork;
  friend class TPatternMatchNode;
  friend struct TProfiledCall;
  bool ProfiledPropagate(const TTokenRef& token);
  TReteNetwork* rete_ = nullptr;
  TReteProfiler* profiler_ = nullptr;
  int32_t ruleUseCount_ = 1;
  std::unique_ptr<TIEContext> context_;
  std::vector<TSuccessor> successors_;
  // The network's sharing index files a pattern-match node under its share
  // key (kept here, in the base, so that a node still leaves the index while
  // its derived part is already gone).
  size_t shareKey_ = 0;
  bool shareable_ = false;
  // Listed in the network's root list.
  bool listedRoot_ = false;
  // The successors are filed in the sharing index (once there are more than
  // a few; a short list is scanned).
  bool indexed_ = false;
};

// ---------------------------------------------------------------------------
// TPatternMatchNode: one check of a single fact (see TPatternMatchTest).

class TPatternMatchNode : public TReteNode {
 public:
  TPatternMatchNode();
  std::string ClassName() const override { return "TPatternMatchNode"; }

  // Changing the kind, value or args of a connected node files it anew in
  // its network's sharing index. A call value is not to be changed in place
  // once set: the index would not see it.
  const IIEValue& Value() const noexcept { return value_; }
  void SetValue(IIEValue value);
  const TIEVariantArray& Args() const noexcept { return args_; }
  void SetArgs(TIEVariantArray args);
  TPatternMatchTest PatternMatchTest() const noexcept { return kind_; }
  void SetPatternMatchTest(TPatternMatchTest kind);

  // Adds " Value: ", " Test: " and " Args: (a, b)".
  std::string Text() const override;
  bool Call(const TTokenRef& token, TCallType callType) override;
  // The one-fact tokens this node would pass on for the one-fact Token,
  // passing nothing on itself (for diagnostics; matching never calls it):
  // Token when the check passes, a multifield expansion's tokens, or none.
  // Defined in ReteProbes.cpp.
  std::vector<TTokenRef> Probe(const TTokenRef& token);

 private:
  // Whether the check passes for Fact (the newest fact of Token).
  bool Check(const TTokenRef& token, TCustomFact* fact);
  // The node value compared with Item; a call value is evaluated with the
  // token and fact and compared with TRUE.
  bool ValueMatches(const TTokenRef& token, TCustomFact* fact, const IIEValue& item);
  // The multifield expansion: propagates one token per segment length.
  bool Expand(const TTokenRef& token, TCustomFact* fact);
  const std::string& SlotArg(size_t index) const;
  int32_t IntArg(size_t index) const;
  // Recomputes the share key after a change and refiles the node.
  void KeyChanged();

  IIEValue value_;
  TIEVariantArray args_;
  TPatternMatchTest kind_ = pmtUnknown;
};

// ---------------------------------------------------------------------------
// TTestNode: checks a test element. Its tests are evaluated in the node's
// context with the arriving token; a token passing them all is extended by
// the placeholder fact, so that fact i of every token still matches pattern i.

class TTestNode : public TReteNode {
 public:
  using TTests = std::vector<std::unique_ptr<TIESlotTest>>;
  std::string ClassName() const override { return "TTestNode"; }

  // Appends a TIEPatternMatchTest of Value (copied) at SubIndex.
  void AddTest(TSlotTestType type, const IIEValue& value, int32_t subIndex);
  void AddTest(std::unique_ptr<TIESlotTest> test) { tests_.push_back(std::move(test)); }
  const TTests& Tests() const noexcept { return tests_; }
  int32_t TestCount() const noexcept { return int32_t(tests_.size()); }

  // The same object; or the same class, as many tests, none of this node's a
  // TIEPatternMatchTest, and each of this node's tests equal to one of Other's.
  virtual bool Equals(const TTestNode* other) const;
  // Adds " NumTests: " and " (test)" per test.
  std::string Text() const override;
  bool Call(const TTokenRef& token, TCallType callType) override;
  // Whether test Index passes for the partial match Left joined with Right
  // (none for a test element), evaluated in the node's context and passing
  // nothing on (for diagnostics; matching never calls it). Defined in
  // ReteProbes.cpp.
  bool TestPasses(size_t index, const TTokenRef& left, const IFact& right);
  // The fact that stands for a negated pattern or a test element in a token.
  TCustomFact* PlaceholderFact() const { return Placeholder(); }

 protected:
  // Every test passes in the context (which the caller has set up).
  bool RunTests(TIEContext& context);

  TTests tests_;
};

// ---------------------------------------------------------------------------
// TJoinNode: joins the partial matches on its left input with the facts on
// its right input, or, negated, passes a left token on (extended by the
// placeholder) only while no right fact matches it. The memories are keyed by
// the first equality join test (the hash key) when there is one.

class TJoinNode : public TTestNode {
 public:
  TJoinNode() { comparesPairs_ = true; }
  // Gives back the matches it listed.
  ~TJoinNode() override;
  std::string ClassName() const override { return "TJoinNode"; }

  bool NegatedPattern() const noexcept { return negated_; }
  void SetNegatedPattern(bool negated) noexcept { negated_ = negated; }
  // Stop at the first right match of a left token.
  bool Unique() const noexcept { return unique_; }
  void SetUnique(bool unique) noexcept { unique_ = unique; }
  int32_t BucketCount() const noexcept { return bucketCount_; }
  void SetBucketCount(int32_t count) noexcept { bucketCount_ = count > 0 ? count : 1; }
  // Right tokens are partial matches of a chained negation (their parent is
  // the left token they belong to) instead of single facts.
  bool ChainedNegation() const noexcept { return chained_; }
  void SetChainedNegation(bool chained) noexcept { chained_ = chained; }

  // Tokens sent on during the current Call.
  int32_t MatchCount() const noexcept { return matchCount_; }
  // The pattern goals are generated for, and its rule; EIEException "Invalid
  // backward chaining pattern added to the node" for a pattern whose template
  // lacks BackwardChaining.
  void SetBackwardChainingPattern(const TIEPattern* pattern, TRule* rule);
  const TIEPattern* BackwardChainingPattern() const noexcept { return bcPattern_; }
  TRule* Rule() const noexcept { return rule_; }

  // Appends a tstSlot join test.
  void AddJoinTest(TSlotTestType type, int32_t tokenIndex, const std::string& rightSlot,
                   const std::string& leftSlot);
  // Appends a tstMultiSlot join test, or a tstSlot one when both sub-indices are -1.
  void AddJoinTest(TSlotTestType type, int32_t tokenIndex, int32_t rightSubIndex,
                   const std::string& rightSlot, int32_t leftSubIndex, const std::string& leftSlot);
  // Picks the first tstSlot equality join test (else the first tstMultiSlot
  // one), moves it to the front, and makes the memories. The memories are
  // keyed by every tstSlot equality join test (or by that one tstMultiSlot
  // test), so a token meets only the tokens that agree on all of them.
  void ChooseHashKey();
  bool Hashed() const noexcept { return hashed_; }
  const TIETokenTree* LeftMemory() const noexcept { return left_.get(); }
  const TIETokenTree* RightMemory() const noexcept { return right_.get(); }

  // The matches this node stands for now (those it sent on and has not
  // withdrawn), tagged taUpdate, for successors that join it later.
  std::vector<TTokenRef> CurrentMatches();

  // False for a negated join, else that of TTestNode.
  bool Equals(const TTestNode* other) const override;
  // ctLeft or ctRight; any other raises EIEException "Invalid Call Type: %s".
  bool Call(const TTokenRef& token, TCallType callType) override;

 private:
  void MakeMemories();
  // A positive join lists the matches it sends on with their left and right
  // tokens (TIEToken::LinkMatch), and withdraws them from those lists when
  // either token goes, instead of joining again. A negated join lists its one
  // match of a left token (the token extended by the placeholder) with the
  // left token alone. Unique joins join again.
  bool ListsMatches() const noexcept { return !negated_ && !unique_ && !chained_; }
  // Sends on the listed match Match, withdrawn; Count: it counts as sent.
  void Withdraw(TIEMatchToken* match, bool count = false);
  // Lists Match (made from its parent and Right's fact; Right none for a
  // negated join's match) under its parent and Right.
  void List(TIEMatchToken& match, TIEToken* right);
  // Negated: makes, lists and sends Left's match with Tag.
  void SendUnblocked(const TTokenRef& left, TTokenAction tag);
  // Negated: withdraws Left's listed match, if it has one.
  void WithdrawUnblocked(const TTokenRef& left, bool count);
  // Unlists every match this join listed (its memories are about to be
  // emptied or dropped).
  void UnlistMatches();
  // Left carries the tag the extensions get; Stored is the memory's token
  // (its negated count); Key is the token's key in its memory.
  void LeftJoin(const TTokenRef& left, const TTokenRef& stored, int32_t key);
  void RightJoin(const TTokenRef& right, int32_t key);
  // Whether Right's fact (or, chained, Right itself) matches Left.
  bool Matches(const TTokenRef& left, const TTokenRef& right);
  void Send(const TTokenRef& token, bool count);
  // Unique join: finds and sends the first right match of Left; true when found.
  bool SendFirstMatch(const TTokenRef& left, TTokenAction tag);
  void GenerateGoal(const TTokenRef& left);
  template <class F>
  void ForEachCandidate(const TIETokenTree& memory, int32_t key, F&& visit);

  bool negated_ = false;
  bool unique_ = false;
  bool chained_ = false;
  bool hashed_ = false;
  int32_t bucketCount_ = 101;
  int32_t matchCount_ = 0;
  // The matches this join has listed under a right token and not unlisted.
  // A right token's list holds the matches of every join it reached: while
  // this join has none there, a removal need not walk the others' entries.
  int64_t listedUnderRight_ = 0;
  const TIEPattern* bcPattern_ = nullptr;
  TRule* rule_ = nullptr;
  // The hash key: the slots of the equality join tests, left (with their
  // fact positions) and right, in test order.
  std::vector<TIETokenTree::TKeyPart> leftKey_;
  std::vector<TIETokenTree::TKeyPart> rightKey_;
  std::unique_ptr<TIETokenTree> left_;
  std::unique_ptr<TIETokenTree> right_;
};

// ---------------------------------------------------------------------------
// TPatternMatchTerminalNode: the end of one rule. Keeps the rule's current
// activations in creation order (an intrusive list through the activations)
// and indexed by their tokens' hash, so that a withdrawal finds its
// activation without scanning; announces new ones and withdraws them.

class TPatternMatchTerminalNode : public TReteNode {
 public:
  TPatternMatchTerminalNode() = default;
  // Withdraws every listed activation first.
  ~TPatternMatchTerminalNode() override;
  std::string ClassName() const override { return "TPatternMatchTerminalNode"; }

  TRule* Rule() const noexcept { return rule_; }
  void SetRule(TRule* rule) noexcept { rule_ = rule; }
  // Set once the rule has been primed; only True is stored.
  bool Initialized() const noexcept { return initialized_; }
  void SetInitialized(bool value) noexcept { initialized_ = initialized_ || value; }

  // The current activations, oldest first (not owned; a snapshot).
  std::vector<TActivation*> Activations() const;
  int32_t ActivationCount() const noexcept { return count_; }

  // Always true: taClear withdraws all (last first), taRemove the first
  // activation of an equal token, taUpdate does nothing once Initialized,
  // otherwise a new activation is appended and announced.
  bool Call(const TTokenRef& token, TCallType callType) override;
  // The engine takes Activation over and the network raises OnActivation.
  void Announce(std::unique_ptr<TActivation> activation);
  // Off the list and the agenda, then OnDeactivation; freed unless the
  // engine keeps it.
  void Withdraw(TActivation& activation);
  // Off the list without withdrawal; the engine hears that the rule fired,
  // then the network raises OnRuleFired.
  void ActivationFired(TActivation& activation);
  // The node text, " Rule: " and the rule's name.
  std::string Text() const override;

 private:
  friend class TActivation;
  void List(TActivation& activation);
  // Takes Activation off the list; false when it was not listed.
  bool Unlist(TActivation& activation);
  // The oldest listed activation whose token IsEqual Token, or none.
  TActivation* FindByToken(const TIEToken& token) const;
  // The listed activation of this node that Token itself leads to, or none.
  TActivation* HomedActivation(const TIEToken& token) const;

  TRule* rule_ = nullptr;
  bool initialized_ = false;
  TActivation* first_ = nullptr;
  TActivation* last_ = nullptr;
  int32_t count_ = 0;
  uint64_t nextSequence_ = 0;
  // The activations by their tokens' keys (IndexKey): buckets of chains
  // through the activations themselves (a power-of-two count, grown with the
  // list).
  std::vector<TActivation*> buckets_;
  // A one-fact token's key is its fact's id, so that the activations of
  // facts asserted one after another lie in neighbouring buckets, and
  // retracting such facts in order reads the buckets in order; a longer
  // token's key is its identity.
  static uint32_t IndexKey(const TIEToken& token) noexcept;
  TActivation*& BucketOf(uint32_t key) { return buckets_[size_t(key) & (buckets_.size() - 1)]; }
  void Rehash(size_t count);
};

// ---------------------------------------------------------------------------
// TActivation: a rule with the token that satisfies its left-hand side.

// Activations come and go by the million: their blocks are pooled.
class TActivation : public TPersistent, public TPooledObject<TActivation> {
 public:
  TActivation(TRule* rule, TPatternMatchTerminalNode* node, TTokenRef token);
  // Leaves its node's list if the node still lists it (the engine frees an
  // activation once it is off the agenda, so the agenda is not told again).
  ~TActivation() override;
  TActivation(const TActivation&) = delete;
  TActivation& operator=(const TActivation&) = delete;
  std::string ClassName() const override { return "TActivation"; }

  TRule* Rule() const noexcept { return rule_; }
  // Fact i of the token matched pattern i of the rule.
  IReteToken Token() const { return IReteToken(token_.get()); }
  const TTokenRef& ReteToken() const noexcept { return token_; }
  TPatternMatchTerminalNode* Node() const noexcept { return node_; }

  // Copies rule, node and token from another TActivation (not listed by the
  // node thereby).
  void Assign(const TPersistent* source) override;
  // A new, unlisted activation of the same rule, node and token.
  std::unique_ptr<TActivation> Clone() const;
  // The rule fires with the token, then the node is told; returns true. The
  // activation may have been withdrawn by the rule's own actions meanwhile;
  // the engine keeps it alive until the firing is over.
  bool Fire();
  // "Rule_3 : f-1, f-4".
  std::string Text() const;

  // The agenda's bookkeeping, kept in the activation so that the agenda
  // places and removes it without searching: the agenda it is on, its
  // neighbours there, the salience it entered with and its text once asked.
  struct TAgendaHook {
    const void* Agenda = nullptr;
    TActivation* Prev = nullptr;
    TActivation* Next = nullptr;
    int32_t Salience = 0;
    // Few activations are ever printed: a pointer keeps the others small.
    std::unique_ptr<std::string> Text;
  };
  TAgendaHook& AgendaHook() noexcept { return hook_; }
  const TAgendaHook& AgendaHook() const noexcept { return hook_; }

 private:
  friend class TPatternMatchTerminalNode;
  // Fire with the rule's actions timed by the node's profiler.
  bool ProfiledFire();
  TRule* rule_;
  TPatternMatchTerminalNode* node_;
  TTokenRef token_;
  // The node's list: neighbours and the creation number.
  TActivation* listPrev_ = nullptr;
  TActivation* listNext_ = nullptr;
  uint64_t sequence_ = 0;
  // The node's index: the next in its bucket and the token's key (IndexKey).
  TActivation* bucketNext_ = nullptr;
  uint32_t indexKey_ = 0;
  bool listed_ = false;
  // Found through its token instead of the node's index.
  bool homed_ = false;
  TAgendaHook hook_;
};

// ---------------------------------------------------------------------------
// TReteNetwork

class TReteNetwork : public TGGraph {
 public:
  // A network of Engine (may be none: then activations stay with the
  // network and nothing is primed). When Engine is a component, the network
  // forgets it once it is destroyed.
  explicit TReteNetwork(IReteEngine* engine = nullptr, TComponent* owner = nullptr);
  ~TReteNetwork() override;
  std::string ClassName() const override { return "TReteNetwork"; }

  IReteEngine* Engine() const noexcept { return engine_; }
  // Number of buckets of the join memories; default 101.
  int32_t HashKey() const noexcept { return hashKey_; }
  void SetHashKey(int32_t value) noexcept { hashKey_ = value > 0 ? value : 1; }

  // Compiles Rule into the network and primes it with working memory. A rule
  // already compiled is removed first. On failure the nodes made so far are
  // removed again and the error passes on.
  void AddRule(TRule& rule);
  // Drops one use of each of the rule's nodes (last first), freeing those no
  // longer used. Nothing for a rule that is not compiled.
  void RemoveRule(TRule& rule);
  // Drops every rule entry and every node.
  void Clear();
  // Gives Token to every root node with ctSingle; true when any passed it on.
  // Profiled: see SetProfiling.
  bool AssertToken(const TTokenRef& token);

  // Profiling (rete/ReteProfiler.h): on, every node and terminal reports to
  // the profiler; off, the counts stay for reading until reset.
  bool Profiling() const noexcept { return profiling_ != nullptr; }
  void SetProfiling(bool on);
  // Empties the profile (also while profiling).
  void ResetProfile();
  // The profile collected so far; none before profiling was first on.
  const TReteProfiler* Profile() const noexcept { return profile_.get(); }
  // The compiled rules, sorted by name.
  std::vector<const TRule*> CompiledRules() const;

  // The nodes without incoming edges, in the order they became roots.
  const std::vector<TReteNode*>& RootNodes() const noexcept { return roots_; }
  // The nodes Rule uses, one entry per use, in compile order; none when the
  // rule is not compiled.
  const std::vector<TReteNode*>* RuleNodes(const TRule& rule) const;
  bool HasRule(const TRule& rule) const { return RuleNodes(rule) != nullptr; }
  TPatternMatchTerminalNode* TerminalNode(const TRule& rule) const;
  int32_t RuleCount() const noexcept { return int32_t(rules_.size()); }

  // Finds a pattern-match node of that kind, value and args among Parent's
  // successors (the root list without parent), or makes one below Parent;
  // either way Rule uses it once more. Slot references in Value are set to
  // fact index 0 first. Trace gets "=1" or "+1".
  TPatternMatchNode* FindOrCreatePatternNode(TReteNode* parent, TPatternMatchTest kind,
                                             const IIEValue& value, const TIEVariantArray& args,
                                             TRule& rule, std::string* trace = nullptr);
  // The same, comparing kind and args only.
  TPatternMatchNode* FindOrCreatePatternNode(TReteNode* parent, TPatternMatchTest kind,
                                             const TIEVariantArray& args, TRule& rule,
                                             std::string* trace = nullptr);
  // A copy of Call whose variable arguments (also in argument calls) are slot
  // references [fact index, slot, sub-index] from Rule's bindings; EIEException
  // "Unknown variable name: %s" for a variable without binding. Global
  // variables (?*name*) stay variables.
  static IFunCall ResolveVariables(const IFunCall& call, const TRule& rule);
  // Whether Call (or an argument call) holds a slot reference to a fact
  // index other than Index.
  static bool RefersToOtherPattern(const IFunCall& call, int32_t index);

  TActivationEvent OnActivation;
  TActivationEvent OnDeactivation;
  TActivationEvent OnRuleFired;

  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TReteNode;
  friend class TPatternMatchNode;
  friend class TPatternMatchTerminalNode;
  struct TRuleEntry {
    TRule* Rule = nullptr;
    std::vector<TReteNode*> Nodes;
  };

  // Adds Node to the graph and the root list.
  template <class TNode>
  TNode* AddReteNode(std::unique_ptr<TNode> node) {
    TNode* raw = node.get();
    raw->rete_ = this;
    raw->profiler_ = profiling_;
    AddNode(std::unique_ptr<TGGraphNode>(std::move(node)));
    EnterRoot(raw);
    return raw;
  }

  // The sharing indexes, which let a rule find the node it can share without
  // scanning a node's successors. A pattern-match node is filed under its
  // parent (none: the root list) and its share key; a join node under its
  // left and right inputs (in the left input's network). A bucket of pattern
  // nodes lists them in the order of the parent's successors (of the root
  // list), so its first match is the first match of a scan of the whole list.
  struct TShareSlot {
    const void* Parent;
    uintptr_t Key;
    bool operator==(const TShareSlot&) const = default;
  };
  struct TShareSlotHash {
    size_t operator()(const TShareSlot& slot) const noexcept;
  };
  using TShareIndex = std::unordered_map<TShareSlot, std::vector<TReteNode*>, TShareSlotHash>;
  static void FileNode(TShareIndex& index, const TShareSlot& slot, TReteNode* node);
  // Takes one entry of Node (the last) out of the bucket; All: every entry.
  static void UnfileNode(TShareIndex& index, const TShareSlot& slot, const TReteNode* node,
                         bool all = false);
  // Edge hooks: From got or lost the successor To over Edge.
  void SuccessorAdded(TReteNode* from, TReteNode* to, const TGGraphEdge* edge, TCallType callType);
  void SuccessorRemoved(TReteNode* from, TGGraphNode* to, const TGGraphEdge* edge,
                        TCallType callType);
  // The join inputs of Edge (ending at a join node) paired with the join's
  // other inputs, filed or unfiled where the left input is indexed.
  static void PairJoinInputs(TReteNode* join, const TGGraphEdge* edge, TReteNode* from,
                             TCallType callType, bool add);
  // Files every successor of Node (every root) and indexes it from now on.
  void IndexSuccessors(TReteNode* node);
  void IndexRoots();
  // Node (a pattern-match node below Parent, or in the root list when Parent
  // is none) changed its share key from OldKey: its entries move, and the
  // bucket of the new key is rebuilt in list order.
  void RefilePatternNode(const TReteNode* parent, TReteNode* node, size_t oldKey);
  // The join below Left and Right that a rule can share instead of Join, as
  // a scan of Left's successors would find it; none when there is none.
  TJoinNode* FindSharedJoin(TReteNode* left, TReteNode* right, const TJoinNode& join);

  void Connect(TReteNode* from, TReteNode* to, TCallType callType);
  // Compiles Rule in four steps: each pattern's single-fact chain and the
  // tests between two uses of one variable within it, then the joins (shared
  // with other rules where they match), then the terminal node.
  void Compile(TRule& rule, TRuleEntry& entry, std::string& trace);
  // Pattern Index's chain of single-fact tests below its root (the template's
  // type test, or the placeholder of a test element), which Root receives;
  // returns the chain's last node. Tests of calls that refer to other
  // patterns are left to the joins.
  TReteNode* CompileFactChain(TRule& rule, int32_t index, TReteNode*& root, std::string& trace);
  // Below Last, the tests between two uses of one variable within pattern
  // Index (later positions of the same slot, positions of later slots);
  // returns the new last node.
  TReteNode* CompileSamePatternTests(TRule& rule, int32_t index, TReteNode* last,
                                     std::string& trace);
  // A node and the input on which a token reaches it.
  struct TPrimedInput {
    TReteNode* Node;
    TCallType CallType;
  };
  // The join chain of a rule as it is built: its last node, the shared join
  // the last new node was joined to (none after a new one), the last shared
  // join of the rule and the new nodes fed by a shared join.
  struct TJoinChain {
    TReteNode* Last = nullptr;
    TJoinNode* SharedPrevious = nullptr;
    TJoinNode* LastShared = nullptr;
    std::vector<TPrimedInput> FedByShared;
  };
  // The joins of patterns 1.. against the chain so far; Lasts holds each
  // pattern's last single-fact node.
  TJoinChain CompileJoins(TRule& rule, TRuleEntry& entry, const std::vector<TReteNode*>& lasts,
                          std::string& trace);
  // The rule's terminal node at the end of Chain.
  TPatternMatchTerminalNode& CompileTerminal(TRule& rule, TRuleEntry& entry, TJoinChain& chain,
                                             std::string& trace);
  // Feeds a new rule's nodes what working memory holds already: Shared's
  // current matches to the nodes FedByShared (which joined it), then every
  // fact to the rule's pattern roots.
  void Prime(const std::vector<TReteNode*>& roots, TJoinNode* shared,
             const std::vector<TPrimedInput>& fedByShared, TPatternMatchTerminalNode& terminal);
  TRuleEntry* Entry(const TRule& rule);
  void NodeGone(TReteNode* node);
  void EnterRoot(TReteNode* node);
  void LeaveRoot(TReteNode* node);
  // Activations of a network without engine.
  void Keep(std::unique_ptr<TActivation> activation);
  std::unique_ptr<TActivation> Release(TActivation& activation);
  TCustomFact* OwnPlaceholder();

  IReteEngine* engine_;
  TComponent* engineComponent_ = nullptr;
  int32_t hashKey_ = 101;
  std::vector<TReteNode*> roots_;
  std::unordered_map<const TComponent*, TRuleEntry> rules_;
  std::vector<std::unique_ptr<TActivation>> kept_;
  IFact placeholder_;
  bool clearing_ = false;
  TShareIndex patternIndex_;
  TShareIndex joinIndex_;
  bool rootsIndexed_ = false;
  bool ProfiledAssertToken(const TTokenRef& token);
  std::unique_ptr<TReteProfiler> profile_;
  // The profiler while profiling, else none: what the hot paths test.
  TReteProfiler* profiling_ = nullptr;
};
