// Terminal nodes and activations: complete matches in, activations announced,
// withdrawn and fired.
#include "rete/ReteNetwork.h"

#include <algorithm>

#include "core/IEConsts.h"
#include "facts/IERule.h"
#include "rete/ReteProfiler.h"

// ---------------------------------------------------------------------------
// TPatternMatchTerminalNode

TPatternMatchTerminalNode::~TPatternMatchTerminalNode() {
  // An activation that outlives its node (the engine keeps the one being
  // fired, whose rule may have been removed by its own actions) must not
  // report its firing to the freed node.
  while (last_) {
    TActivation* activation = last_;
    Unlist(*activation);
    activation->node_ = nullptr;
    Withdraw(*activation);
  }
}

std::vector<TActivation*> TPatternMatchTerminalNode::Activations() const {
  std::vector<TActivation*> list;
  list.reserve(size_t(count_));
  for (TActivation* a = first_; a; a = a->listNext_) list.push_back(a);
  return list;
}

uint32_t TPatternMatchTerminalNode::IndexKey(const TIEToken& token) noexcept {
  if (token.Size() == 1 && token.Fact()) return uint32_t(token.Fact()->ID());
  return uint32_t(token.IdentityKey());
}

TActivation* TPatternMatchTerminalNode::FindByToken(const TIEToken& token) const {
  if (buckets_.empty()) return nullptr;
  TActivation* oldest = nullptr;
  const uint32_t key = IndexKey(token);
  const size_t bucket = size_t(key) & (buckets_.size() - 1);
  for (TActivation* candidate = buckets_[bucket]; candidate;
       candidate = candidate->bucketNext_) {
    if (candidate->indexKey_ == key &&
        (!oldest || candidate->sequence_ < oldest->sequence_) &&
        candidate->ReteToken()->IsEqual(&token))
      oldest = candidate;
  }
  return oldest;
}

bool TPatternMatchTerminalNode::Call(const TTokenRef& token, TCallType /*callType*/) {
  if (!token) return true;
  switch (token->Tag()) {
    case taClear:
      while (last_) Withdraw(*last_);
      break;
    case taRemove:
      if (TActivation* activation = HomedActivation(*token)) Withdraw(*activation);
      else if (TActivation* found = FindByToken(*token)) Withdraw(*found);
      break;
    case taUpdate:
      if (initialized_) break;
      [[fallthrough]];
    case taAdd:
      Announce(std::make_unique<TActivation>(rule_, this, token));
      break;
  }
  return true;
}

TActivation* TPatternMatchTerminalNode::HomedActivation(const TIEToken& token) const {
  if (!token.home_ || token.homeKind_ != TIEToken::hkActivation) return nullptr;
  auto* activation = static_cast<TActivation*>(const_cast<void*>(token.home_));
  return activation->node_ == this && activation->listed_ ? activation : nullptr;
}

void TPatternMatchTerminalNode::List(TActivation& activation) {
  activation.listed_ = true;
  activation.sequence_ = nextSequence_++;
  activation.listPrev_ = last_;
  activation.listNext_ = nullptr;
  (last_ ? last_->listNext_ : first_) = &activation;
  last_ = &activation;
  ++count_;
  // A match a join listed is withdrawn as the same token object: the token
  // leads to its activation, which then needs no entry in the index.
  TIEToken* token = activation.token_.get();
  if (token && !token->home_ && token->IsListed() && token->tag_ == taAdd) {
    token->home_ = &activation;
    token->homeKind_ = TIEToken::hkActivation;
    activation.homed_ = true;
    return;
  }
  if (size_t(count_) > buckets_.size()) Rehash(buckets_.empty() ? 16 : buckets_.size() * 2);
  activation.indexKey_ = activation.ReteToken() ? IndexKey(*activation.ReteToken()) : 0;
  TActivation*& bucket = BucketOf(activation.indexKey_);
  activation.bucketNext_ = bucket;
  bucket = &activation;
}

void TPatternMatchTerminalNode::Rehash(size_t count) {
  std::vector<TActivation*> old = std::move(buckets_);
  buckets_.assign(count, nullptr);
  for (TActivation* chain : old)
    while (chain) {
      TActivation* next = chain->bucketNext_;
      TActivation*& bucket = BucketOf(chain->indexKey_);
      chain->bucketNext_ = bucket;
      bucket = chain;
      chain = next;
    }
}

bool TPatternMatchTerminalNode::Unlist(TActivation& activation) {
  if (!activation.listed_) return false;
  activation.listed_ = false;
  (activation.listPrev_ ? activation.listPrev_->listNext_ : first_) = activation.listNext_;
  (activation.listNext_ ? activation.listNext_->listPrev_ : last_) = activation.listPrev_;
  activation.listPrev_ = activation.listNext_ = nullptr;
  --count_;
  if (activation.homed_) {
    activation.homed_ = false;
    activation.token_->home_ = nullptr;
    return true;
  }
  for (TActivation** link = &BucketOf(activation.indexKey_); *link; link = &(*link)->bucketNext_)
    if (*link == &activation) {
      *link = activation.bucketNext_;
      break;
    }
  activation.bucketNext_ = nullptr;
  return true;
}

void TPatternMatchTerminalNode::Announce(std::unique_ptr<TActivation> activation) {
  if (TReteProfiler* profiler = Profiler()) [[unlikely]]
    profiler->ActivationMade(rule_);
  TActivation* announced = activation.get();
  List(*announced);
  TReteNetwork* rete = Rete();
  IReteEngine* engine = rete ? rete->Engine() : nullptr;
  // Should the agenda refuse it, the activation unlists itself as it goes.
  if (engine) engine->AddActivation(std::move(activation));
  else if (rete) rete->Keep(std::move(activation));
  else return;  // freed here, unlisted by its destructor
  if (rete->OnActivation) rete->OnActivation(rete, *announced);
}

void TPatternMatchTerminalNode::Withdraw(TActivation& activation) {
  if (TReteProfiler* profiler = Profiler()) [[unlikely]]
    profiler->ActivationWithdrawn(rule_, &activation);
  Unlist(activation);
  TReteNetwork* rete = Rete();
  IReteEngine* engine = rete ? rete->Engine() : nullptr;
  std::unique_ptr<TActivation> owned;
  if (engine) owned = engine->RemoveActivation(activation);
  else if (rete) owned = rete->Release(activation);
  // The event sees the activation whole; it is freed afterwards unless the
  // engine keeps it (the activation being fired).
  if (rete && rete->OnDeactivation) rete->OnDeactivation(rete, activation);
}

void TPatternMatchTerminalNode::ActivationFired(TActivation& activation) {
  Unlist(activation);
  TReteNetwork* rete = Rete();
  IReteEngine* engine = rete ? rete->Engine() : nullptr;
  std::unique_ptr<TActivation> owned;
  if (engine) engine->RuleFired(activation);
  else if (rete) owned = rete->Release(activation);
  if (rete && rete->OnRuleFired) rete->OnRuleFired(rete, activation);
}

std::string TPatternMatchTerminalNode::Text() const {
  return TReteNode::Text() + SNodeRuleText + (rule_ ? rule_->RuleName() : std::string());
}

// ---------------------------------------------------------------------------
// TActivation

TActivation::TActivation(TRule* rule, TPatternMatchTerminalNode* node, TTokenRef token)
    : rule_(rule), node_(node), token_(std::move(token)) {}

TActivation::~TActivation() {
  if (listed_ && node_) node_->Unlist(*this);
}

void TActivation::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TActivation*>(source)) {
    if (listed_ && node_) node_->Unlist(*this);
    rule_ = other->rule_;
    node_ = other->node_;
    token_ = other->token_;
    return;
  }
  TPersistent::Assign(source);
}

std::unique_ptr<TActivation> TActivation::Clone() const {
  return std::make_unique<TActivation>(rule_, node_, token_);
}

bool TActivation::Fire() {
  if (node_ && node_->Profiler()) [[unlikely]]
    return ProfiledFire();
  if (rule_ && token_) rule_->Fire(IReteToken(token_.get()));
  // Nothing of this object is touched after the node was told: a network
  // without engine frees the activation there.
  if (node_) node_->ActivationFired(*this);
  return true;
}

std::string TActivation::Text() const {
  std::string text = rule_ ? rule_->RuleName() : std::string();
  text += SActivationRuleSeparator;
  if (token_) text += token_->FactIdsText();
  return text;
}
