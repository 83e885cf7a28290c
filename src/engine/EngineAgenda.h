// TAgenda: the engine's ordered list of pending activations. Activations of
// one salience form a level; levels are kept from the highest salience down,
// and all lines make one list through the activations' agenda hooks. A new
// activation enters at the front (depth first) or the back (breadth first) of
// its level in constant time after finding the level; a line leaves through
// its activation in constant time. A line's text is made when first asked for.
// The order by strategy, the events and the watch lines are the engine's
// (TInferenceEngine, EngineAgenda.cpp).
//
// Ownership: the agenda owns the activations of its lines; Take hands one
// back. Thread-safety: changed only under the engine's lock; Count may be read
// from any thread (the run loop tests it before it takes the lock).
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TActivation;

class TAgenda {
 public:
  TAgenda() = default;
  ~TAgenda();
  TAgenda(const TAgenda&) = delete;
  TAgenda& operator=(const TAgenda&) = delete;

  int32_t Count() const noexcept { return count_.load(std::memory_order_acquire); }
  bool IsEmpty() const noexcept { return Count() == 0; }
  // The first line's activation, or none.
  TActivation* First() const noexcept { return first_; }
  // The line after Activation's, or none.
  static TActivation* Next(const TActivation& activation);
  // EListError "List index out of bounds (%d)" outside the list. Reading the
  // lines in order costs a step each.
  TActivation* Get(int32_t index) const;
  const std::string& Text(int32_t index) const;
  // The line's text ("Rule_3 : f-1, f-4"), made when first asked for.
  const std::string& Text(TActivation& activation) const;
  // The position of the line of that very activation, or -1.
  int32_t IndexOf(const TActivation* activation) const noexcept;
  bool Holds(const TActivation* activation) const noexcept;

  // Where a line of Salience would enter: behind every higher salience, and
  // in front of (Front) or behind the equal ones.
  int32_t PositionFor(int32_t salience, bool front) const;
  // Enters Activation there; returns its position.
  int32_t Place(int32_t salience, bool front, std::unique_ptr<TActivation> activation);
  // Takes the line of Activation out and hands the activation back (none
  // when it is not on this agenda).
  std::unique_ptr<TActivation> Take(TActivation& activation);
  // Puts Activation on the line of Old (same salience) and hands Old back.
  std::unique_ptr<TActivation> Replace(TActivation& old, std::unique_ptr<TActivation> activation);
  // Empties the list and hands every activation back, in order.
  std::vector<std::unique_ptr<TActivation>> TakeAll();
  // Empties the list; the activations are freed.
  void Clear();

 private:
  struct TLevel {
    TActivation* First = nullptr;
    TActivation* Last = nullptr;
    int32_t Count = 0;
  };
  using TLevels = std::map<int32_t, TLevel, std::greater<int32_t>>;

  void CheckIndex(int32_t index) const;
  // Links Activation in front of Before (at the end for none).
  void LinkBefore(TActivation& activation, TActivation* before);
  void Unlink(TActivation& activation);
  // The lines before the first line of Level.
  int32_t LinesAbove(TLevels::const_iterator level) const;
  void Changed() noexcept {
    cursorIndex_ = -1;
    count_.store(lines_, std::memory_order_release);
  }

  TLevels levels_;
  TActivation* first_ = nullptr;
  TActivation* last_ = nullptr;
  int32_t lines_ = 0;
  std::atomic<int32_t> count_{0};
  // The last line reached by position, so that reading in order is linear.
  mutable int32_t cursorIndex_ = -1;
  mutable TActivation* cursor_ = nullptr;
};
