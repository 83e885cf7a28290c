// The diagnostics functions that explain a rule's matches: show-matches lists
// what each pattern and each join of the rule holds now, why-not says in
// words where the rule's matches run out. Both read the network (see
// packages/RuleMatches.h) and print to the engine's standard output; neither
// changes the engine (no fact, memory or agenda entry).
//
// Ownership: functions are reference counted; the diagnostics package owns
// them. Thread-safety: a function keeps no state of a call.
#pragma once

#include <string>

#include "functions/FunctionKit.h"

class TRuleMatches;

// (show-matches rule-name): per pattern the facts passing its own tests, per
// join the partial matches reaching it, then the rule's activations; nil.
// EIEException "Unknown rule name: %s" for a rule the engine lacks.
IE_FUNCTION(TShowMatchesFunction)       // show-matches
// (why-not rule-name): the first place where the rule's matches run out (a
// pattern no fact matches, a failing join, a blocking fact, a false test), or
// that the rule is activated or has fired; nil. The same error as above.
IE_FUNCTION(TWhyNotFunction)            // why-not

// The texts the two functions print, each line ending in CR LF.
std::string ShowMatchesText(const TRuleMatches& matches);
std::string WhyNotText(const TRuleMatches& matches);
