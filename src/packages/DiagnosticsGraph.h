// The network picture of the diagnostics package:
//   (network-graph FILE [rule...])  writes the engine's network as Graphviz
//                                   DOT (rete/ReteGraph.h) to FILE, only the
//                                   named rules' nodes when rules are named;
//                                   the file name back.
// A file that cannot be made raises the stream's "Cannot create file" error;
// an unknown rule EIEException "Unknown rule: %s".
//
// Ownership: functions are reference counted. Thread-safety: no state of a
// call is kept in the function.
#pragma once

#include "functions/FunctionKit.h"

IE_FUNCTION(TNetworkGraphFunction)  // network-graph

// Writes Text to the file FileName, made anew (the stream's errors pass on).
void WriteTextFile(const std::string& fileName, const std::string& text);
