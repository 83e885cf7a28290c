// The written text of values and calls: the form the construct printer writes
// and the parser reads back. A string is quoted with its double quotes and
// backslashes escaped; a list writes its elements between blanks; a call
// writes "(name arg ...)" with the slot/value lists of modify and duplicate
// in parentheses. A fact nested in a value is written by the fact writer the
// caller passes (the facts layer's, through the printer), or by its own
// AsText when none is passed.
//
// Stateless free functions, safe on any thread.
#pragma once

#include <string>
#include <string_view>

#include "values/IEValue.h"

class TFunctionCall;

inline constexpr char PrinterIndent[] = "    ";
inline constexpr char PrinterLineEnd[] = "\r\n";

// Writes a fact nested in a value.
using TFactWriter = std::string (*)(const TCustomFact& fact);

// Text between double quotes, double quotes and backslashes escaped.
std::string QuotedText(std::string_view text);
// Appends Value as written (none writes nothing).
void AppendWrittenValue(std::string& out, const TIEValue* value, TFactWriter facts = nullptr);
// (name arg ...).
std::string WrittenCallText(const TFunctionCall& call, TFactWriter facts = nullptr);
