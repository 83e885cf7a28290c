// The records of how facts came to be: their one-block layout, the shared ones
// of the kinds without a name, and those of fact sets and rule firings.
#include "rete/FactOrigin.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "facts/IERule.h"
#include "rete/IEToken.h"
#include "rete/ReteNetwork.h"

TFactOriginRef TFactOrigin::Make(TFactOriginKind kind, TOriginNameRef name,
                                 std::span<const int32_t> factIds) {
  static_assert(alignof(TFactOrigin) >= alignof(int32_t));
  const uint16_t count = uint16_t(std::min<size_t>(factIds.size(), UINT16_MAX));
  void* block = ::operator new(sizeof(TFactOrigin) + count * sizeof(int32_t));
  auto* origin = new (block) TFactOrigin(kind, std::move(name), count);
  std::copy_n(factIds.begin(), count, reinterpret_cast<int32_t*>(origin + 1));
  return TFactOriginRef(origin);
}

const std::string& TFactOrigin::Name() const noexcept {
  static const std::string none;
  return name_ ? name_->Text() : none;
}

namespace {

// Held for the whole process, so never freed while a list holds it.
TFactOriginRef Shared(TFactOriginKind kind) { return TFactOrigin::Make(kind); }

}  // namespace

const TFactOriginRef& HostOrigin() {
  static const TFactOriginRef origin = Shared(TFactOriginKind::Host);
  return origin;
}

const TFactOriginRef& TopLevelOrigin() {
  static const TFactOriginRef origin = Shared(TFactOriginKind::TopLevel);
  return origin;
}

const TFactOriginRef& ResetOrigin() {
  static const TFactOriginRef origin = Shared(TFactOriginKind::Reset);
  return origin;
}

const TFactOriginRef& UnrecordedOrigin() {
  static const TFactOriginRef origin = Shared(TFactOriginKind::Unrecorded);
  return origin;
}

TFactOriginRef FactSetOrigin(const std::string& name) {
  return TFactOrigin::Make(TFactOriginKind::FactSet, TOriginNameRef(new TOriginName(name)));
}

TFactOriginRef FiringOrigin(const TActivation& activation, const TOriginNameRef& name) {
  const TRule* rule = activation.Rule();
  const std::string& ruleName = rule ? rule->RuleName() : std::string();
  TOriginNameRef shared =
      name && name->Text() == ruleName ? name : TOriginNameRef(new TOriginName(ruleName));
  // The token's chain runs newest first; the record lists them oldest first.
  int32_t ids[64];
  std::vector<int32_t> more;
  size_t count = 0;
  for (const TIEToken* token = activation.ReteToken().get(); token && token->Fact();
       token = token->Parent().get()) {
    const int32_t id = token->Fact()->ID();
    if (id < 0) continue;
    if (count < std::size(ids))
      ids[count] = id;
    else
      more.push_back(id);
    ++count;
  }
  if (!more.empty()) {
    more.insert(more.begin(), ids, ids + std::size(ids));
    std::reverse(more.begin(), more.end());
    return TFactOrigin::Make(TFactOriginKind::Rule, std::move(shared), more);
  }
  std::reverse(ids, ids + count);
  return TFactOrigin::Make(TFactOriginKind::Rule, std::move(shared), std::span(ids, count));
}
