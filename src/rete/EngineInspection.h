// IEngineInspection: what the diagnostics functions need to look inside an
// engine beyond its roles: its Rete network and its rules by name. The engine
// implements it beside IEngineServices; a function finds it by a cross cast
// of the engine it runs in, so the diagnostics package needs no engine header.
//
// Ownership: a view of its engine, owning nothing; the network and rules stay
// the engine's. Thread-safety: as the engine's (its thread or its lock).
#pragma once

#include <string>

class TReteNetwork;
class TRule;

class IEngineInspection {
 public:
  virtual ~IEngineInspection() = default;

  // The engine's network.
  virtual TReteNetwork& Network() = 0;
  // The registered rule of that name, or none.
  virtual TRule* FindRuleByName(const std::string& name) = 0;
};
