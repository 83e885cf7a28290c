// TNodeContextScope: sets a node's evaluation context up with a token and a
// fact for one evaluation, and empties it again when the scope ends, so that
// no token or fact stays referenced by the node between calls.
// Ownership: borrows the context, which must outlive the scope.
// Thread-safety: none; as the network's.
#pragma once

#include "rete/IEToken.h"
#include "values/IEContext.h"

class TNodeContextScope {
 public:
  TNodeContextScope(TIEContext& context, const TTokenRef& token, const IFact& fact)
      : context_(context) {
    context_.SetToken(IReteToken(token.get()));
    context_.SetFact(fact);
  }
  ~TNodeContextScope() {
    context_.SetToken(nullptr);
    context_.SetFact(nullptr);
  }
  TNodeContextScope(const TNodeContextScope&) = delete;
  TNodeContextScope& operator=(const TNodeContextScope&) = delete;

 private:
  TIEContext& context_;
};
