// The profile of a network as a text table: rules by cost (activations made,
// withdrawn and fired, matching time, action time), then nodes by time
// (tokens in and out, checks run). The rule rows, the part no rule accounts
// for and the rest of the run add up to the wall time profiled.
//
// A free function over a network it only reads. Thread-safety: as the
// network's.
#pragma once

#include <string>

class TReteNetwork;

// CountsOnly leaves the times out (and sorts by counts and names), for output
// that is the same on every run. An empty profile gives a line saying so.
std::string ProfileReport(const TReteNetwork& network, bool countsOnly = false);
