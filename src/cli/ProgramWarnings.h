// Mistakes a loaded program may hold that the language lets pass until a rule
// fires or a deffunction is called (or forever): an action of a rule or a
// deffunction using a variable that nothing binds, a call of a function that
// is not defined once the program is loaded, an ordered fact (in a rule's
// pattern or in a deffacts) whose name is one or two letters away from a
// defined template. Found by reading the engine's rules, fact sets and
// deffunctions after loading; the engine's behaviour is not changed.
// Thread-safety: reads the engine; call it on the engine's thread.
#pragma once

#include <string>
#include <vector>

class TInferenceEngine;

// One line per warning, "PLACE: warning: TEXT" (PLACE is the construct's
// "file:line", or "line N"): the rules' in the order they were defined, then
// the fact sets', then the deffunctions' in the order of their places.
std::vector<std::string> ProgramWarnings(TInferenceEngine& engine);

// For an error message that ends in a name the engine does not know (a
// function, template, rule, slot or global), "  did you mean NAME?\n" with the
// nearest known name of that kind; else "".
std::string NameSuggestion(const std::string& message, TInferenceEngine& engine);

// The names of the engine's defglobals as the program writes them ("?*tax*").
std::vector<std::string> GlobalNames(TInferenceEngine& engine);

// The Levenshtein distance of A and B (insertions, deletions, changes).
size_t EditDistance(const std::string& a, const std::string& b);
