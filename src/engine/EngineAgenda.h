// TAgenda: the engine's ordered list of pending activations, one line each
// with the activation's text (taken when the line is made) and the activation
// itself. The list only stores lines where it is told to; the order by
// salience and strategy, the events and the watch lines are the engine's
// (TInferenceEngine, EngineAgenda.cpp).
//
// Ownership: the agenda owns the activations of its lines; Take hands one
// back. Thread-safety: changed only under the engine's lock; Count may be read
// from any thread (the run loop tests it before it takes the lock).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TActivation;

class TAgenda {
 public:
  struct TLine {
    std::string Text;
    std::unique_ptr<TActivation> Activation;
  };

  TAgenda() = default;
  ~TAgenda();
  TAgenda(const TAgenda&) = delete;
  TAgenda& operator=(const TAgenda&) = delete;

  int32_t Count() const noexcept { return count_.load(std::memory_order_acquire); }
  bool IsEmpty() const noexcept { return Count() == 0; }
  // EListError "List index out of bounds (%d)" outside the list.
  TActivation* Get(int32_t index) const;
  const std::string& Text(int32_t index) const;
  // The first line holding that very activation, or -1.
  int32_t IndexOf(const TActivation* activation) const noexcept;

  // Inserts a line at Index (0 .. Count), or appends it for -1; returns the
  // line's position.
  int32_t Insert(int32_t index, std::string text, std::unique_ptr<TActivation> activation);
  // Takes the line at Index out and hands its activation back.
  std::unique_ptr<TActivation> Take(int32_t index);
  // Replaces the activation of line Index and hands the previous one back.
  std::unique_ptr<TActivation> Replace(int32_t index, std::unique_ptr<TActivation> activation);
  // Empties the list and hands every line back, in order.
  std::vector<TLine> TakeAll();
  // Empties the list; the activations are freed.
  void Clear();

 private:
  void CheckIndex(int32_t index) const;
  void Recount() noexcept { count_.store(int32_t(lines_.size()), std::memory_order_release); }

  std::vector<TLine> lines_;
  std::atomic<int32_t> count_{0};
};
