// The provenance function of the diagnostics package: how a fact of working
// memory came to be, and in turn the facts it came from.
//
// Ownership: reference counted like every function; the diagnostics package
// owns it. Thread-safety: keeps no state of a call.
#pragma once

#include <string>

#include "functions/FunctionKit.h"
#include "rete/FactOrigin.h"

// (why fact [depth]): Fact is a fact index or a fact address of a fact in
// working memory; EIEException "No Such Fact with ID=%s exists" otherwise.
// Prints one line per fact: "f-5 (seat 1 n3) was asserted by rule make-path
// on f-2, f-4", then (depth 2 and more) the facts its rule matched, each
// indented two more blanks and followed back in turn, down to Depth levels
// (default 1: the fact alone). A depth below 1 raises EIEException. Nil.
IE_FUNCTION(TWhyFunction)  // why

// The text after a fact's own text in a line of why: "was asserted at top
// level", "came from deffacts guests at reset", ...
std::string OriginText(const TFactOrigin& origin);
