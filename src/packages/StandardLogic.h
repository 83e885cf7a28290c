// The boolean, equality and numeric comparison functions of the standard
// package: and, or, not, eq, eq*, neq, =, <>, >, >=, <, <=.
//
// Booleans are the shared atoms TRUE and FALSE. The functions resolve their
// arguments one at a time and stop as soon as the answer is known, so a later
// argument (a nested call) may never run. Numeric comparisons read arguments
// with AsNumeric and pass on its "Not a %s.  Value Type is %s".
//
// Ownership: functions are reference counted (IUserFunction); the standard
// package creates them, either with CreateFunction<T>() at their place in its
// order or through CreateStandardLogicFunction by class name.
// Thread-safety: a function object keeps no state of a call, so one object
// serves several engines on different threads at once.
#pragma once

#include <string_view>

#include "functions/FunctionKit.h"
#include "functions/IEPackageComponents.h"
#include "functions/IEPackages.h"

// TRUE unless an argument equals FALSE; the rest are not resolved then.
IE_FUNCTION(TAndFunction)         // and
// TRUE as soon as an argument equals TRUE (any other value is not true here);
// otherwise FALSE.
IE_FUNCTION(TOrFunction)          // or
// TRUE when the argument equals FALSE.
IE_FUNCTION(TNotFunction)         // not
// TRUE when every further argument equals the first in type and value.
IE_FUNCTION(TEqFunction)          // eq
// As eq, each further argument read through the getter of the first one's
// type (1 equals 1.0, the atom a equals the string "a"); the getter's error
// when one does not convert.
IE_FUNCTION(TEqStarFunction)      // eq*
// TRUE when no further argument equals the first in type and value.
IE_FUNCTION(TNeqFunction)         // neq
// TRUE when every further argument is numerically equal to the first.
IE_FUNCTION(TEqualsFunction)      // =
// TRUE when no further argument is numerically equal to the first.
IE_FUNCTION(TNotEqualsFunction)   // <>
// The ordering comparisons hold for each adjacent pair of arguments; every
// pair resolves both of its arguments, so an inner argument is resolved twice.
IE_FUNCTION(TGtFunction)          // >
IE_FUNCTION(TGtOrEqFunction)      // >=
IE_FUNCTION(TLtFunction)          // <
IE_FUNCTION(TLtOrEqFunction)      // <=

// Whether a condition counts as false: exactly when it equals the FALSE atom
// (a value resolving to nothing is not false).
bool IsFalseValue(const IIEValue& value);

// A new function of one of the classes above by class name ("TAndFunction",
// ...), none for any other name. The classes are also registered for the
// package stream under the same names.
IUserFunction CreateStandardLogicFunction(std::string_view className);
