// Join nodes: memories, left and right joins, negation, unique patterns and
// the goals of backward chaining.
#include "rete/ReteNetwork.h"

#include <optional>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "facts/IERule.h"
#include "rete/NodeContextScope.h"

namespace {

TTokenRef Tagged(TTokenRef token, TTokenAction tag) {
  token->SetTag(tag);
  return token;
}

// The stored match of a unique join's left token: the right fact's id + 1
// (0: none), kept in the token's otherwise unused negated count.
int32_t UniqueMark(const TTokenRef& right) { return right->Fact() ? right->Fact()->ID() + 1 : 1; }

}  // namespace

TJoinNode::~TJoinNode() { UnlistMatches(); }

void TJoinNode::UnlistMatches() {
  if (!left_ || !(ListsMatches() || negated_)) return;
  left_->ForEachInAnyOrder([this](const TTokenRef& left) {
    while (TIEMatchToken* match = left->FirstLeftMatch(this))
      if (match->UnlinkMatch()) --listedUnderRight_;
    return true;
  });
}

void TJoinNode::Withdraw(TIEMatchToken* match, bool count) {
  TTokenRef held(match);
  if (match->UnlinkMatch()) --listedUnderRight_;
  held->SetTag(taRemove);
  Send(held, count);
}

void TJoinNode::SendUnblocked(const TTokenRef& left, TTokenAction tag) {
  TTokenRef match = Tagged(TIEToken::Extend(left, Placeholder()), tag);
  List(match->AsMatch(), nullptr);
  Send(match, true);
}

void TJoinNode::List(TIEMatchToken& match, TIEToken* right) {
  TIEToken::LinkMatch(match, right, this);
  if (right) ++listedUnderRight_;
}

void TJoinNode::WithdrawUnblocked(const TTokenRef& left, bool count) {
  if (TIEMatchToken* match = left->FirstLeftMatch(this)) Withdraw(match, count);
}

void TJoinNode::SetBackwardChainingPattern(const TIEPattern* pattern, TRule* rule) {
  if (pattern && !(pattern->FactTemplate() && pattern->FactTemplate()->BackwardChaining()))
    throw EIEException(SInvalidBackchainPattern);
  bcPattern_ = pattern;
  rule_ = rule;
}

void TJoinNode::AddJoinTest(TSlotTestType type, int32_t tokenIndex, const std::string& rightSlot,
                            const std::string& leftSlot) {
  tests_.push_back(std::make_unique<TIEJoinTest>(type, tokenIndex, rightSlot, leftSlot));
}

void TJoinNode::AddJoinTest(TSlotTestType type, int32_t tokenIndex, int32_t rightSubIndex,
                            const std::string& rightSlot, int32_t leftSubIndex,
                            const std::string& leftSlot) {
  if (rightSubIndex == -1 && leftSubIndex == -1)
    AddJoinTest(type, tokenIndex, rightSlot, leftSlot);
  else
    tests_.push_back(std::make_unique<TIEJoinTest>(type, tokenIndex, rightSubIndex, rightSlot,
                                                   leftSubIndex, leftSlot));
}

void TJoinNode::ChooseHashKey() {
  auto pick = [this](TJoinTestType kind) -> size_t {
    for (size_t i = 0; i < tests_.size(); ++i) {
      auto* test = dynamic_cast<TIEJoinTest*>(tests_[i].get());
      if (test && test->JoinTestType() == kind && test->SlotTestType() == sttEquals) return i;
    }
    return tests_.size();
  };
  size_t chosen = pick(tstSlot);
  if (chosen == tests_.size()) chosen = pick(tstMultiSlot);
  if (!chained_ && chosen < tests_.size()) {
    std::unique_ptr<TIESlotTest> moved = std::move(tests_[chosen]);
    tests_.erase(tests_.begin() + std::ptrdiff_t(chosen));
    tests_.insert(tests_.begin(), std::move(moved));
    leftKey_.clear();
    rightKey_.clear();
    auto addKey = [this](const TIEJoinTest& test) {
      const bool multi = test.JoinTestType() == tstMultiSlot;
      leftKey_.push_back({test.LeftIndex(), multi ? test.LeftSubIndex() : -1, test.TokenIndex()});
      rightKey_.push_back({test.RightIndex(), multi ? test.RightSubIndex() : -1, 0});
    };
    const auto& first = static_cast<const TIEJoinTest&>(*tests_.front());
    if (first.JoinTestType() == tstMultiSlot) {
      // A token shorter than the test's position passes a multislot test
      // whatever its values: such a key is used alone.
      addKey(first);
    } else {
      for (const auto& test : tests_) {
        auto* join = dynamic_cast<const TIEJoinTest*>(test.get());
        if (join && join->JoinTestType() == tstSlot && join->SlotTestType() == sttEquals)
          addKey(*join);
      }
    }
    hashed_ = true;
  }
  if (!(left_ && right_ && left_->IsEmpty() && right_->IsEmpty())) MakeMemories();
}

void TJoinNode::MakeMemories() {
  using T = TIETokenTree;
  UnlistMatches();
  if (chained_) {
    // Right tokens extend left tokens: both sides meet under the left hash,
    // looked up by key on either side.
    left_ = std::make_unique<T>(T::tkTokenHash, bucketCount_);
    left_->SetHomesTokens(false);
    right_ = std::make_unique<T>(T::tkParentHash, bucketCount_);
  } else if (hashed_) {
    left_ = std::make_unique<T>(bucketCount_, leftKey_);
    right_ = std::make_unique<T>(bucketCount_, rightKey_);
  } else {
    left_ = std::make_unique<T>(T::tkTokenHash, bucketCount_);
    right_ = std::make_unique<T>(T::tkFactId, bucketCount_);
  }
}

bool TJoinNode::Equals(const TTestNode* other) const {
  if (negated_) return false;
  return TTestNode::Equals(other);
}

template <class F>
void TJoinNode::ForEachCandidate(const TIETokenTree& memory, int32_t key, F&& visit) {
  if (hashed_ || chained_)
    memory.ForEachOfKey(key, visit);
  else
    memory.ForEach(visit);
}

bool TJoinNode::Matches(const TTokenRef& left, const TTokenRef& right) {
  ++comparisons_;
  if (chained_) return right->Parent() && right->Parent()->IsEqual(left.get());
  if (tests_.empty()) return true;
  // A positive join withdraws what it made without asking calls again.
  const bool removal = !negated_ && (left->Tag() == taRemove || right->Tag() == taRemove);
  // Comparisons of two slots need no context; the node's context is set up
  // for the first test that evaluates expressions.
  std::optional<TNodeContextScope> scope;
  for (const auto& test : tests_) {
    if (const TIEJoinTest* compare = test->AsJoinTest()) {
      if (!compare->TestFactPair(left->FactAt(compare->TokenIndex()), right->Fact().get()))
        return false;
      continue;
    }
    if (removal && test->IsPatternMatchTest()) continue;
    if (!scope) scope.emplace(Context(), left, IFact(right->Fact().get()));
    if (!test->Test(&Context())) return false;
  }
  return true;
}

void TJoinNode::Send(const TTokenRef& token, bool count) {
  if (count) ++matchCount_;
  Propagate(token);
}

bool TJoinNode::Call(const TTokenRef& token, TCallType callType) {
  if (callType != ctLeft && callType != ctRight) {
    const std::string name =
        callType < CallTypeNames().size() ? CallTypeNames()[callType] : std::to_string(int(callType));
    throw EIEException(Format(SInvalidCallType, {name}));
  }
  if (!token) return false;
  matchCount_ = 0;
  if (!left_ || !right_) MakeMemories();
  if (token->Tag() == taClear) {
    UnlistMatches();
    left_->Clear();
    right_->Clear();
    Propagate(token);
    return false;
  }
  const bool removal = token->Tag() == taRemove;
  // The token's memory key, worked out once for storing and joining. A keyed
  // memory finds a token to remove without it, and a join that withdraws
  // what it listed (or, negated, only its own output) joins nothing then.
  if (callType == ctLeft) {
    if (!removal) {
      // Stored here by its place already (a fact's own token, sent again
      // when a new rule is primed): a counting join would otherwise store a
      // copy beside it.
      if (left_->IsHome(*token)) return false;
      const int32_t key = left_->Key(*token);
      if (hashed_) {
        left_->PrefetchKey(key);
        right_->PrefetchKey(key);
      }
      // Negated and unique joins keep a count per token: in the token itself
      // when no other memory counts with it, else in a copy.
      const bool counts = negated_ || unique_;
      const bool own = counts && token->ClaimCount();
      TTokenRef stored = counts && !own ? TIEToken::Copy(*token) : token;
      if (!left_->Add(stored, key)) {
        if (own) token->ReleaseCount();
        return false;
      }
      LeftJoin(stored, stored, key);
      if (bcPattern_ && matchCount_ == 0 && bcPattern_->Name().rfind(SGoalPatternPrefix, 0) != 0)
        GenerateGoal(stored);
    } else {
      // The token's place here and the first match made from it are read
      // next, each likely a miss: both are asked for at once.
      TIETokenTree::PrefetchHome(*token);
      TIEToken::Prefetch(token->FirstLeftMatchUnchecked());
      const bool keyNeeded = !left_->FindsWithoutKey() || !(ListsMatches() || negated_);
      const int32_t key = keyNeeded ? left_->Key(*token) : 0;
      TTokenRef stored = left_->Remove(*token, key);
      if (!stored) return false;
      LeftJoin(token, stored, key);
      if (negated_ || unique_) stored->ReleaseCount();
    }
  } else {
    if (!removal) {
      const int32_t key = right_->Key(*token);
      if (hashed_) {
        right_->PrefetchKey(key);
        left_->PrefetchKey(key);
      }
      if (!right_->Add(token, key)) return false;
      RightJoin(token, key);
    } else {
      const bool keyNeeded = !right_->FindsWithoutKey() || !ListsMatches();
      const int32_t key = keyNeeded ? right_->Key(*token) : 0;
      TTokenRef stored = right_->Remove(*token, key);
      if (!stored) return false;
      if (ListsMatches()) {
        // Each listed match of the stored token is withdrawn, oldest first.
        TIEMatchToken* first = listedUnderRight_ > 0 ? stored->FirstRightMatch(this) : nullptr;
        for (TIEMatchToken* match = first; match;) {
          TIEMatchToken* next = match->NextRightMatch(this);
          if (next) next->PrefetchWithdrawal(true);
          match->PrefetchSecondLevel();
          Withdraw(match);
          match = next;
        }
      } else {
        RightJoin(token, key);
      }
    }
  }
  return matchCount_ > 0;
}

void TJoinNode::LeftJoin(const TTokenRef& left, const TTokenRef& stored, int32_t key) {
  const bool removal = left->Tag() == taRemove;
  // Extensions grow from the stored token (with Left's tag): a withdrawal
  // then shares its parent object with the token it withdraws downstream,
  // which lets the memories there recognise it at the first step.
  auto extend = [&](TCustomFact* fact) { return Tagged(TIEToken::Extend(stored, fact), left->Tag()); };
  if (removal && ListsMatches()) {
    for (TIEMatchToken* match = stored->FirstLeftMatch(this); match;) {
      TIEMatchToken* next = match->NextLeftMatch(this);
      if (next) next->PrefetchWithdrawal(false);
      match->PrefetchSecondLevel();
      Withdraw(match);
      match = next;
    }
    return;
  }
  if (!(negated_ && removal)) {
    ForEachCandidate(*right_, key, [&](const TTokenRef& right) {
      if (!Matches(left, right)) return true;
      if (negated_) {
        stored->SetNegatedCount(stored->NegatedCount() + 1);
        return true;
      }
      TTokenRef match = extend(right->Fact().get());
      if (ListsMatches()) List(match->AsMatch(), right.get());
      Send(match, !removal);
      if (unique_ && !removal) {
        stored->SetNegatedCount(UniqueMark(right));
        return false;
      }
      return true;
    });
  }
  if (negated_ && stored->NegatedCount() == 0) {
    if (removal) WithdrawUnblocked(stored, true);
    else SendUnblocked(stored, left->Tag());
  }
}

bool TJoinNode::SendFirstMatch(const TTokenRef& left, TTokenAction tag) {
  bool found = false;
  ForEachCandidate(*right_, hashed_ ? left_->Key(*left) : 0, [&](const TTokenRef& right) {
    if (!Matches(left, right)) return true;
    left->SetNegatedCount(UniqueMark(right));
    Send(Tagged(TIEToken::Extend(left, right->Fact().get()), tag), true);
    found = true;
    return false;
  });
  return found;
}

void TJoinNode::RightJoin(const TTokenRef& right, int32_t key) {
  const TTokenAction tag = right->Tag();
  const bool removal = tag == taRemove;
  ForEachCandidate(*left_, key, [&](const TTokenRef& left) {
    if (!Matches(left, right)) return true;
    if (negated_) {
      if (!removal) {
        // The absence of Right allowed a match: withdraw it.
        if (left->NegatedCount() == 0) WithdrawUnblocked(left, false);
        left->SetNegatedCount(left->NegatedCount() + 1);
      } else {
        left->SetNegatedCount(left->NegatedCount() - 1);
        // The last blocking fact went: the match is new, whatever tag the
        // left token was stored with.
        if (left->NegatedCount() == 0) SendUnblocked(left, taAdd);
      }
    } else if (unique_) {
      if (!removal) {
        if (left->NegatedCount() != 0) return true;
        left->SetNegatedCount(UniqueMark(right));
        Send(Tagged(TIEToken::Extend(left, right->Fact().get()), tag), true);
      } else if (left->NegatedCount() == UniqueMark(right)) {
        left->SetNegatedCount(0);
        Send(Tagged(TIEToken::Extend(left, right->Fact().get()), taRemove), false);
        SendFirstMatch(left, taAdd);
      }
    } else {
      TTokenRef match = Tagged(TIEToken::Extend(left, right->Fact().get()), tag);
      if (!removal && ListsMatches()) List(match->AsMatch(), right.get());
      Send(match, !removal);
    }
    return true;
  });
}

std::vector<TTokenRef> TJoinNode::CurrentMatches() {
  std::vector<TTokenRef> matches;
  if (!left_ || !right_) return matches;
  auto add = [&](const TTokenRef& left, TCustomFact* fact) {
    matches.push_back(Tagged(TIEToken::Extend(left, fact), taUpdate));
  };
  left_->ForEach([&](const TTokenRef& left) {
    if (negated_) {
      if (left->NegatedCount() == 0) add(left, Placeholder());
      return true;
    }
    if (unique_ && left->NegatedCount() == 0) return true;
    ForEachCandidate(*right_, hashed_ ? left_->Key(*left) : 0, [&](const TTokenRef& right) {
      if (unique_ && left->NegatedCount() != UniqueMark(right)) return true;
      if (!Matches(left, right)) return true;
      add(left, right->Fact().get());
      return !unique_;
    });
    return true;
  });
  return matches;
}

void TJoinNode::GenerateGoal(const TTokenRef& left) {
  IReteEngine* engine = Rete() ? Rete()->Engine() : nullptr;
  if (!engine || !bcPattern_) return;
  const TIEPattern& pattern = *bcPattern_;
  IFactTemplate goalTemplate = engine->GetFactTemplate(SGoalPatternPrefix + pattern.Name());
  if (!goalTemplate) return;
  IFactRef goal = MakeRef<TFact>(goalTemplate);
  for (int32_t s = 0; s < pattern.SlotCount(); ++s) {
    const TFactSlot* slot = goalTemplate->FindSlot(pattern.SlotName(s));
    if (!slot) continue;
    const bool multi = slot->IsMultiSlot();
    IIEValue single;
    std::vector<IIEValue> items;
    const TSlotTests& tests = pattern.SlotTests(s);
    for (int32_t t = 0; t < tests.Count(); ++t) {
      const TIEPatternMatchTest* test = tests.Get(t);
      if (test->SlotTestType() != sttEquals || !test->SlotValue()) continue;
      const IIEValue& value = test->SlotValue();
      IIEValue supplied;
      if (value->DType() == dtVariable || value->DType() == dtMultiVariable) {
        TBinding* binding = rule_ ? rule_->FindRuleBinding(value->AsString()) : nullptr;
        if (binding && binding->FactIndex() >= 0 && binding->FactIndex() < left->Size())
          supplied = SlotValueOf(left->FactAt(binding->FactIndex()), binding->SlotIndex(),
                                 binding->SubIndex());
      } else if (value->DType() != dtFunCall) {
        supplied = value;
      }
      if (!supplied) continue;
      if (!multi) {
        if (!single) single = supplied;
        continue;
      }
      const int32_t position = test->MultiSlotSubIndex();
      if (position >= 0 && size_t(position) < items.size()) items[size_t(position)] = supplied;
      else items.push_back(supplied);
    }
    if (multi) {
      IValueVector list = MakeRef<TValueVector>();
      for (IIEValue& item : items) list->Add(item ? item : NilValue());
      goal->SetSlotValue(*slot, items.empty() ? EmptyList() : TIEValue::MakeList(list));
    } else {
      goal->SetSlotValue(*slot, single ? single : NilValue());
    }
  }
  engine->QueueFact(IFact(goal.get()), true);
}
