// The control functions of the standard package: if, while, foreach, try
// (with finally, catch and except), throw, return, bind, exit and halt.
//
// A condition counts as false exactly when it equals the FALSE atom. `return`
// stores its argument, unresolved, as the context's return value; if, while,
// foreach and try stop on the context's Returned flag and leave it set for
// the enclosing construct (a deffunction clears it and resolves the value in
// its own scope).
//
// Ownership: functions are reference counted (IUserFunction); the standard
// package creates them, either with CreateFunction<T>() at their place in its
// order or through CreateStandardControlFunction by class name.
// Thread-safety: a function object keeps no state of a call (loop variables
// and caught errors live in the call's context), so one object serves several
// engines on different threads at once.
#pragma once

#include <string_view>

#include "core/Exceptions.h"
#include "functions/FunctionKit.h"
#include "functions/IEPackageComponents.h"
#include "functions/IEPackages.h"

// What `exit` raises: the silent abort ("Operation aborted", class name
// EAbort). `try` lets every EAbort pass uncaught, so a program's error
// handlers never swallow an exit; the parser's loop and the run loop stop on
// it. Derived so that a host can still tell an exit from other aborts.
class EExitRequest : public EAbort {
 public:
  EExitRequest() = default;
};

// (if c then a* [else b*]): the then-branch when c is not FALSE, else the
// else-branch; the value of the last action run, FALSE when none ran.
// EIEException "Syntax Error: Missing "then" in an IF statement" when the
// second argument is not the atom then.
IE_FUNCTION(TIfFunction)       // if
// (while c [do] a*): runs the body while c is not FALSE; FALSE when the loop
// ends, or the value given to return.
IE_FUNCTION(TWhileFunction)    // while
// (foreach name list a*): binds the variable named by the resolved first
// argument's text to each element in turn; the last value, nil for an empty
// list. The list getter's error for a value that is not a multifield.
IE_FUNCTION(TForEachFunction)  // foreach
// (try a* [finally f*] [catch|except c*]): runs the protected actions, then
// the finally actions whether or not an error occurred. An error (other than
// an abort) is swallowed: the result is FALSE, the variable __ERROR holds the
// message as a string and the catch actions run. EIEException "Missing catch
// or finally statement for try block" without either keyword.
IE_FUNCTION(TTryFunction)      // try
// Raises the base Exception with the text of its argument.
IE_FUNCTION(TThrowFunction)    // throw
// Stores its argument, unresolved, as the context's return value.
IE_FUNCTION(TReturnFunction)   // return
// (bind ?v e): binds the name written first to the value of e (the context's
// SetVariable) and returns the value.
IE_FUNCTION(TBindFunction)     // bind
// Raises EExitRequest.
IE_FUNCTION(TExitFunction)     // exit
// Asks the context's engine (else the call's engine) to halt before its next
// firing; TRUE.
IE_FUNCTION(THaltFunction)     // halt

// A new function of one of the classes above by class name ("TIfFunction",
// ...), none for any other name. The classes are also registered for the
// package stream under the same names.
IUserFunction CreateStandardControlFunction(std::string_view className);
