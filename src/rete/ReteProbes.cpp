// Checks of single nodes on demand, for diagnostics that explain why a rule
// matches or not. They evaluate what matching evaluates but store and pass
// on nothing; the network's own matching never calls them.
#include "rete/ReteNetwork.h"

namespace {

// Gives a node context a token and fact for one evaluation and empties it
// again afterwards.
class TProbeScope {
 public:
  TProbeScope(TIEContext& context, const TTokenRef& token, const IFact& fact) : context_(context) {
    context_.SetToken(IReteToken(token.get()));
    context_.SetFact(fact);
  }
  ~TProbeScope() {
    context_.SetToken(nullptr);
    context_.SetFact(nullptr);
  }
  TProbeScope(const TProbeScope&) = delete;
  TProbeScope& operator=(const TProbeScope&) = delete;

 private:
  TIEContext& context_;
};

}  // namespace

bool TPatternMatchNode::Passes(const TTokenRef& token) {
  if (!token || !token->Fact()) return false;
  if (kind_ == pmtTestMultiSlotMultiField) return true;
  return Check(token, token->Fact().get());
}

bool TTestNode::TestPasses(size_t index, const TTokenRef& left, const IFact& right) {
  if (index >= tests_.size() || !left) return false;
  TIESlotTest& test = *tests_[index];
  if (const TIEJoinTest* compare = test.AsJoinTest())
    return compare->TestFactPair(left->FactAt(compare->TokenIndex()), right.get());
  TProbeScope scope(Context(), left, right);
  return test.Test(&Context());
}
