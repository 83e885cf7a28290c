// The working-memory and engine commands of the standard package: assert,
// assert-string, retract, retract-string, modify, duplicate, fetch, store,
// clear-storage, clear, reset, run, get-fact-duplication,
// set-fact-duplication, gensym*, __get-var, version, watch, unwatch and
// do-backward-chaining.
//
// Each reaches its engine through the roles of the context's engine
// (values/EngineRoles.h), else the call's engine when that one has them; a call with neither raises EIEException "No inference engine
// available for %s" (only __get-var and version need no engine).
//
// Ownership: functions are reference counted (IUserFunction); the standard
// package creates them by class name (the classes register themselves for the
// package stream) or through CreateStandardEngineFunction.
// Thread-safety: a function object keeps no state of a call, so one object
// serves several engines on different threads at once; each call runs on the
// thread that drives its engine.
#pragma once

#include <string_view>

#include "functions/FunctionKit.h"
#include "functions/IEPackageComponents.h"
#include "functions/IEPackages.h"

class IEngineServices;

// The roles of the engine a call works on: the context's, else the call's own.
// EIEException "No inference engine available for %s" naming Function.
IEngineServices& EngineOf(const TFunctionCall& funCall, TIEContext* context,
                           const TIEUserFunction& function);

// (assert f*): asserts a copy of each fact whose slot values are resolved
// (nested multifields flattened); the last fact's index, FALSE when that one
// was refused as a duplicate or there was no argument.
IE_FUNCTION(TAssertFunction)               // assert
// (assert-string s+): parses and asserts each text; the last fact's index.
IE_FUNCTION(TAssertStringFunction)         // assert-string
// (retract *) empties working memory; (retract i*) retracts the facts with
// those indexes, skipping indexes without a fact. TRUE.
IE_FUNCTION(TRetractFunction)              // retract
// (retract-string s*): retracts the fact equal to each parsed text. TRUE.
IE_FUNCTION(TRetractStringFunction)        // retract-string
// (modify i (slot v...)+): retracts the fact, changes the slots and asserts
// the same fact object again; its new index (-1 when refused). The new values
// are resolved before anything changes; when a value is refused by the slot
// the fact goes back with its old values and the error passes on.
// EIEException "No Such Fact with ID=%s exists".
IE_FUNCTION(TModifyFunction)               // modify
// (duplicate i (slot v...)*): asserts a changed copy; the source stays.
IE_FUNCTION(TDuplicateFunction)            // duplicate
// (fetch key): the stored value, nil when there is none.
IE_FUNCTION(TFetchFunction)                // fetch
// (store key value): stores the value (nil stores none) and returns it.
IE_FUNCTION(TStoreFunction)                // store
// Empties the store-and-fetch storage; TRUE.
IE_FUNCTION(TClearStorageFunction)         // clear-storage
// The engine's Clear / Reset; TRUE.
IE_FUNCTION(TClearFunction)                // clear
IE_FUNCTION(TResetFunction)                // reset
// (run [n]): runs the engine (at most n firings); the number fired.
IE_FUNCTION(TRunFunction)                  // run
// TRUE when equal facts are refused (FactDuplication off).
IE_FUNCTION(TGetFactDuplicationFunction)   // get-fact-duplication
// (set-fact-duplication b): returns the previous state in get's sense, then
// FactDuplication := (b is FALSE).
IE_FUNCTION(TSetFactDuplicationFunction)   // set-fact-duplication
// The atom gen<SymbolIndex>; the index grows by one. EIEException "Symbol
// index overflow in %s" once the index cannot grow.
IE_FUNCTION(TGenSymStarFunction)           // gensym*
// (__get-var v): a variable argument resolved; otherwise the visible binding
// named by the resolved argument's text, nil when there is none.
IE_FUNCTION(TExtractGlobalFunction)        // __get-var
// The engine's version number, 1.1 in single precision, as a float.
IE_FUNCTION(TVersionFunction)              // version
// (watch name) / (unwatch name): adds / removes a member of the engine's
// Watch set ("all": every member). EIEException "Cannot watch %s" /
// "Cannot unwatch %s" for another name. TRUE.
IE_FUNCTION(TWatchFunction)                // watch
IE_FUNCTION(TUnwatchFunction)              // unwatch
// (do-backward-chaining name*): marks each template (made as an implied one
// when missing) for backward chaining and registers its goal template
// need-<name>. EIEException "Cannot backchain on special CEs: %s" for test
// and not. TRUE.
IE_FUNCTION(TDoBackwardChainingFunction)   // do-backward-chaining

// A new function of one of the classes above by class name, none for any
// other name.
IUserFunction CreateStandardEngineFunction(std::string_view className);
