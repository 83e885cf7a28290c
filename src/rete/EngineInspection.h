// IEngineInspection: what the diagnostics functions need to look inside an
// engine beyond its roles: its Rete network, its rules by name and how each
// fact of its working memory came to be. The engine
// implements it beside IEngineServices; a function finds it by a cross cast
// of the engine it runs in, so the diagnostics package needs no engine header.
//
// Ownership: a view of its engine, owning nothing; the network and rules stay
// the engine's. Thread-safety: as the engine's (its thread or its lock).
#pragma once

#include <string>

#include "rete/FactOrigin.h"
#include "values/IEValue.h"

class TReteNetwork;
class TRule;

class IEngineInspection {
 public:
  virtual ~IEngineInspection() = default;

  // The engine's network.
  virtual TReteNetwork& Network() = 0;
  // The registered rule of that name, or none.
  virtual TRule* FindRuleByName(const std::string& name) = 0;
  // How that very fact came to be while it is in working memory; none when
  // it is not (retracted, or never asserted here). A listed fact without a
  // record (listed by hand, bypassing assertion) gives UnrecordedOrigin.
  virtual TFactOriginRef OriginOf(const IFact& fact) = 0;
};
