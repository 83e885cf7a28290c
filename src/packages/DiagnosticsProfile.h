// The profiler's functions of the diagnostics package:
//   (profile on|off|reset)   switches the engine network's profiler on or off,
//                            or empties its profile; the argument back.
//   (profile-info [counts])  prints the profile table (rete/ReteProfileReport.h)
//                            on the engine's standard output; with counts, the
//                            counts alone, which are the same on every run. nil.
// A bad argument raises EIEException "Bad Argument: %s".
//
// Ownership: functions are reference counted; the profile is the network's.
// Thread-safety: no state of a call is kept in the function.
#pragma once

#include "functions/FunctionKit.h"

IE_FUNCTION(TProfileFunction)      // profile
IE_FUNCTION(TProfileInfoFunction)  // profile-info
