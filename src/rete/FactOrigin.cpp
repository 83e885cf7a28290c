// The records of how facts came to be: the shared ones of the kinds without a
// name, and those of fact sets and rule firings.
#include "rete/FactOrigin.h"

#include <algorithm>
#include <utility>

#include "facts/IERule.h"
#include "rete/IEToken.h"
#include "rete/ReteNetwork.h"

namespace {

TFactOriginRef MakeOrigin(TFactOriginKind kind) {
  auto origin = std::make_shared<TFactOrigin>();
  origin->Kind = kind;
  return origin;
}

}  // namespace

const TFactOriginRef& HostOrigin() {
  static const TFactOriginRef origin = MakeOrigin(TFactOriginKind::Host);
  return origin;
}

const TFactOriginRef& TopLevelOrigin() {
  static const TFactOriginRef origin = MakeOrigin(TFactOriginKind::TopLevel);
  return origin;
}

const TFactOriginRef& ResetOrigin() {
  static const TFactOriginRef origin = MakeOrigin(TFactOriginKind::Reset);
  return origin;
}

const TFactOriginRef& UnrecordedOrigin() {
  static const TFactOriginRef origin = MakeOrigin(TFactOriginKind::Unrecorded);
  return origin;
}

TFactOriginRef FactSetOrigin(std::string name) {
  auto origin = std::make_shared<TFactOrigin>();
  origin->Kind = TFactOriginKind::FactSet;
  origin->Name = std::move(name);
  return origin;
}

TFactOriginRef FiringOrigin(const TActivation& activation) {
  auto origin = std::make_shared<TFactOrigin>();
  origin->Kind = TFactOriginKind::Rule;
  if (const TRule* rule = activation.Rule()) origin->Name = rule->RuleName();
  // The token's chain runs newest first; the record lists them oldest first.
  for (const TIEToken* token = activation.ReteToken().get(); token && token->Fact();
       token = token->Parent().get())
    if (token->Fact()->ID() >= 0) origin->FactIds.push_back(token->Fact()->ID());
  std::reverse(origin->FactIds.begin(), origin->FactIds.end());
  return origin;
}
