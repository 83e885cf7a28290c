// Terminal nodes and activations: complete matches in, activations announced,
// withdrawn and fired.
#include "rete/ReteNetwork.h"

#include <algorithm>

#include "core/IEConsts.h"
#include "facts/IERule.h"

// ---------------------------------------------------------------------------
// TPatternMatchTerminalNode

TPatternMatchTerminalNode::~TPatternMatchTerminalNode() {
  // An activation that outlives its node (the engine keeps the one being
  // fired, whose rule may have been removed by its own actions) must not
  // report its firing to the freed node.
  while (!activations_.empty()) {
    TActivation* activation = activations_.back();
    activation->node_ = nullptr;
    Withdraw(*activation);
  }
}

bool TPatternMatchTerminalNode::Call(const TTokenRef& token, TCallType /*callType*/) {
  if (!token) return true;
  switch (token->Tag()) {
    case taClear:
      while (!activations_.empty()) Withdraw(*activations_.back());
      break;
    case taRemove:
      for (TActivation* activation : activations_) {
        if (activation->ReteToken()->IsEqual(token.get())) {
          Withdraw(*activation);
          break;
        }
      }
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

bool TPatternMatchTerminalNode::Unlist(TActivation& activation) {
  if (!activation.listed_) return false;
  activation.listed_ = false;
  // Activations mostly leave newest first (clears) or by their own token.
  auto it = std::find(activations_.rbegin(), activations_.rend(), &activation);
  if (it != activations_.rend()) activations_.erase(std::next(it).base());
  return true;
}

void TPatternMatchTerminalNode::Announce(std::unique_ptr<TActivation> activation) {
  TActivation* announced = activation.get();
  activations_.push_back(announced);
  announced->listed_ = true;
  TReteNetwork* rete = Rete();
  IReteEngine* engine = rete ? rete->Engine() : nullptr;
  // Should the agenda refuse it, the activation unlists itself as it goes.
  if (engine) engine->AddActivation(std::move(activation));
  else if (rete) rete->Keep(std::move(activation));
  else return;  // freed here, unlisted by its destructor
  if (rete->OnActivation) rete->OnActivation(rete, *announced);
}

void TPatternMatchTerminalNode::Withdraw(TActivation& activation) {
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
