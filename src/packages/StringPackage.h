// The string package: the text functions of the rule language (lowcase,
// str-cat, str-compare, str-index, str-length, sub-string, sym-cat, upcase).
// Every function resolves its arguments against the call's context and reads
// them with the value's AsString getter, so atoms, strings and numbers are
// accepted alike. Text is bytes: lengths and positions count bytes, case
// conversion touches only A-Z and a-z.
//
// Ownership: a package owns its function list (shared function objects); the
// functions are reference counted (IUserFunction).
// Thread-safety: a function object keeps no state of a call, so one object
// serves several engines on different threads at once. The package itself is
// changed on one thread only.
#pragma once

#include <string>

#include "functions/FunctionKit.h"
#include "functions/IEPackageComponents.h"
#include "functions/IEPackages.h"

// (lowcase <string-or-symbol-expression>): the text with A-Z mapped to a-z, as a string.
IE_FUNCTION(TLowerCaseFunction)

// (str-cat <lexeme-expression>*): the texts concatenated, as a string.
IE_FUNCTION(TStrCatFunction)

// (str-compare a b): the byte difference at the first position where the texts
// differ, else the difference of their lengths; 0 when equal.
IE_FUNCTION(TStrCompFunction)

// (str-index needle haystack): the one-based position of the first occurrence,
// FALSE when there is none (also for an empty needle).
IE_FUNCTION(TStrIndexFunction)

// (str-length text): the number of characters, as an integer.
IE_FUNCTION(TStrLengthFunction)

// (sub-string start end text): characters start..end (one-based, inclusive; an
// end beyond the text stops there). EIEException "Invalid substring
// parameters: %d, %d" for a start outside the text or an end below start - 1.
IE_FUNCTION(TSubStringFunction)

// (sym-cat <expression>*): the texts concatenated, as an atom.
IE_FUNCTION(TSymCatFunction)

// (upcase <lexeme-expression>): the text with a-z mapped to A-Z, as a string.
IE_FUNCTION(TUpperCaseFunction)

// TStringPackage: creates the eight functions above, in the order they are
// declared here. Registered by class name, so an engine whose Packages
// selects the string package can create it.
class TStringPackage : public TUserPackage {
 public:
  explicit TStringPackage(TComponent* owner = nullptr);
  std::string ClassName() const override { return "TStringPackage"; }
  void CreateFunctions() override;
};
