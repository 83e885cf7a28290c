// TFactOrigin: how a fact came into working memory: asserted by the host
// program through the engine's API, by a command at top level, by reset (the
// initial fact), by a fact set at reset, or by a firing of a rule on the facts
// of its token; Unrecorded for a fact listed without passing assertion. The engine records one beside each listed fact; the record
// goes with the fact's entry (retract, reset, clear).
//
// Ownership: immutable once made and shared by reference count: the facts one
// firing asserts share its record. The rule is kept by name, so a record
// outlives the rule's removal safely. Thread-safety: immutable, so any thread
// may read a record; counting references is atomic.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TActivation;

enum class TFactOriginKind : uint8_t { Host, TopLevel, Reset, FactSet, Rule, Unrecorded };

struct TFactOrigin {
  TFactOriginKind Kind = TFactOriginKind::Host;
  // The fact set's or the rule's name; empty for the other kinds.
  std::string Name;
  // For a rule: the identifiers of the facts its firing matched, in pattern
  // order; the placeholders of negated patterns and test elements are left out.
  std::vector<int32_t> FactIds;
};

using TFactOriginRef = std::shared_ptr<const TFactOrigin>;

// The shared records of the kinds that carry no name (one each per process).
const TFactOriginRef& HostOrigin();
const TFactOriginRef& TopLevelOrigin();
const TFactOriginRef& ResetOrigin();
const TFactOriginRef& UnrecordedOrigin();
// A new record of a fact set (rule) of that name.
TFactOriginRef FactSetOrigin(std::string name);
// The record of a firing of Activation: its rule's name and the identifiers of
// its token's real facts.
TFactOriginRef FiringOrigin(const TActivation& activation);
