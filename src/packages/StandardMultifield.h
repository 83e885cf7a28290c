// The multifield functions of the standard package: create$, delete$, explode$,
// first$, implode$, insert$, length$, member$, nth$, replace$, rest$, subseq$
// and subsetp. They build and take apart dtList values (TValueVector).
// Positions are zero-based; a begin..end range includes both ends. A result
// never shares structure with an argument unless stated (nth$ returns the
// stored element itself).
//
// Ownership: functions are reference counted (IUserFunction); the standard
// package creates them through CreateMultifieldFunctions and owns its list.
// Thread-safety: a function object keeps no state of a call, so one object
// serves several engines on different threads at once.
#pragma once

#include <string>

#include "functions/FunctionKit.h"
#include "functions/IEPackages.h"

class TUserPackage;

// (create$ <expression>*): a new multifield of the resolved, cloned arguments;
// a multifield argument becomes one nested element.
IE_FUNCTION(TCreateMFFunction)
// (delete$ list begin end): the list without positions begin..end. EIEException
// "Invalid multifield begin and end parameters: %d, %d" when begin > end;
// positions beyond the list delete nothing.
IE_FUNCTION(TDeleteMFFunction)
// (explode$ text): the space-separated words of the trimmed text, each an atom
// (numbers included); only the space character separates.
IE_FUNCTION(TExplodeMFFunction)
// (first$ list): element 0, resolved; the nil-object value for an empty list.
IE_FUNCTION(TFirstMFFunction)
// (implode$ list): the elements' texts (strings without quotes) joined by one
// space, as a string.
IE_FUNCTION(TImplodeMFFunction)
// (insert$ list index value*): a copy of the list with the values inserted at
// Index in the order written. The list's index error for a position outside
// 0..Count.
IE_FUNCTION(TInsertMFFunction)
// (length$ list): the number of elements.
IE_FUNCTION(TLengthMFFunction)
// (member$ value list): the first position whose resolved element equals
// Value (type and value), or FALSE.
IE_FUNCTION(TMemberMFFunction)
// (nth$ index list): the element at Index as stored (not resolved, not
// copied); the list's index error outside the list.
IE_FUNCTION(TNthMFFunction)
// (replace$ list begin end value*): the list without begin..end, then the
// values inserted at Begin in the order written; range error as delete$.
IE_FUNCTION(TReplaceMFFunction)
// (rest$ list): a copy without element 0; the list's index error when empty.
IE_FUNCTION(TRestMFFunction)
// (subseq$ list begin end): copies of the elements begin..end; range error as
// delete$, the list's index error for positions outside the list.
IE_FUNCTION(TSubSeqMFFunction)
// (subsetp sub list): TRUE when Sub (a single value counts as a one-element
// multifield) occurs as a contiguous run, in order, inside List. An empty Sub
// occurs in every list.
IE_FUNCTION(TSubSetpMFFunction)


// Adds one instance of each multifield function class to Package (skipping
// those already there) in the standard package's order: create$, delete$,
// explode$, first$, implode$, insert$, length$, member$, nth$, replace$,
// rest$, subseq$, subsetp.
void CreateMultifieldFunctions(TUserPackage& package);
