// TFactOrigin: how a fact came into working memory: asserted by the host
// program through the engine's API, by a command at top level, by reset (the
// initial fact), by a fact set at reset, or by a firing of a rule on the facts
// of its token; Unrecorded for a fact listed without passing assertion. The
// engine keeps one beside each listed fact; it goes with the fact's entry
// (retract, reset, clear).
//
// A record is one block: the kind, the name (shared between records of the
// same rule or fact set) and the fact identifiers inline, since an engine
// keeps one per firing that asserts. Recording is always on: it takes one
// reference beside each listed fact and a small block per asserting firing,
// a few per cent of peak memory on the classic benchmarks and no time that
// shows above their noise.
//
// Ownership: immutable once made and shared by reference count: the facts one
// firing asserts share its record. The rule is kept by name, so a record
// outlives the rule's removal safely. Thread-safety: immutable, so any thread
// may read a record; counting references is atomic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <span>
#include <string>

#include "collections/RefCount.h"

class TActivation;

enum class TFactOriginKind : uint8_t { Host, TopLevel, Reset, FactSet, Rule, Unrecorded };

// A rule's or fact set's name as records share it.
class TOriginName final : public TRefCounted {
 public:
  explicit TOriginName(std::string text) : text_(std::move(text)) {}
  const std::string& Text() const noexcept { return text_; }

 private:
  std::string text_;
};
using TOriginNameRef = TRef<const TOriginName>;

class TFactOrigin final : public TRefCounted {
 public:
  // A new record; the identifiers are copied into its block.
  static TRef<const TFactOrigin> Make(TFactOriginKind kind, TOriginNameRef name = nullptr,
                                      std::span<const int32_t> factIds = {});

  TFactOriginKind Kind() const noexcept { return kind_; }
  // The fact set's or the rule's name; empty for the other kinds.
  const std::string& Name() const noexcept;
  const TOriginNameRef& SharedName() const noexcept { return name_; }
  // For a rule: the identifiers of the facts its firing matched, in pattern
  // order; the placeholders of negated patterns and test elements are left
  // out (and so is any beyond the first 65535).
  std::span<const int32_t> FactIds() const noexcept {
    return {reinterpret_cast<const int32_t*>(this + 1), count_};
  }

  // The block holds the identifiers after the object.
  static void operator delete(void* block) { ::operator delete(block); }

 private:
  TFactOrigin(TFactOriginKind kind, TOriginNameRef name, uint16_t count)
      : kind_(kind), count_(count), name_(std::move(name)) {}
  TFactOriginKind kind_;
  uint16_t count_;  // identifiers, right after the object in its block
  TOriginNameRef name_;
};

using TFactOriginRef = TRef<const TFactOrigin>;

// The shared records of the kinds that carry no name (one each per process).
const TFactOriginRef& HostOrigin();
const TFactOriginRef& TopLevelOrigin();
const TFactOriginRef& ResetOrigin();
const TFactOriginRef& UnrecordedOrigin();
// A new record of the fact set of that name.
TFactOriginRef FactSetOrigin(const std::string& name);
// The record of a firing of Activation: its rule's name (Name, when it holds
// that text already, is shared) and the identifiers of its token's real facts.
TFactOriginRef FiringOrigin(const TActivation& activation, const TOriginNameRef& name = nullptr);
