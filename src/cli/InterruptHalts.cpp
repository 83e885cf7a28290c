#include "cli/InterruptHalts.h"

#include <atomic>

#include "engine/InferenceEngine.h"

namespace {

std::atomic<TInferenceEngine*> interruptedEngine{nullptr};
static_assert(std::atomic<TInferenceEngine*>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void HaltOnInterrupt(int) {
  if (TInferenceEngine* engine = interruptedEngine.load()) engine->SetHalted(true);
}

}  // namespace

TInterruptHalts::TInterruptHalts(TInferenceEngine& engine) {
  interruptedEngine.store(&engine);
  struct sigaction action {};
  action.sa_handler = HaltOnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  installed_ = sigaction(SIGINT, &action, &previous_) == 0;
}

TInterruptHalts::~TInterruptHalts() {
  if (installed_) sigaction(SIGINT, &previous_, nullptr);
  interruptedEngine.store(nullptr);
}
