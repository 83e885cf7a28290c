// The network as a Graphviz DOT text: pattern nodes with their checks, joins
// and test nodes with their tests, one terminal per rule; a node used by
// several rules is drawn filled and thicker and lists them. Edges into joins
// say whether they feed the left or the right input. When the network has a
// profile, nodes carry their token counts and edges the tokens sent along.
//
// A free function over a network it only reads. Thread-safety: as the
// network's.
#pragma once

#include <string>
#include <vector>

class TReteNetwork;
class TRule;

// Only the nodes of Rules when Rules is not empty.
std::string NetworkGraph(const TReteNetwork& network, const std::vector<const TRule*>& rules = {});
