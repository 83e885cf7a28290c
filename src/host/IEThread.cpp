#include "host/IEThread.h"

#include <exception>

#include "host/HostConsts.h"
#include "host/WindowThread.h"
#include "engine/InferenceEngine.h"

TIEThread::TIEThread(TInferenceEngine& engine, QListWidget* listBox)
    : engine_(engine), forwarder_(std::make_unique<TIECommThread>(listBox)) {
  engine_.OnPrintOut = [this](TObject* sender, const std::string& outId,
                              const std::string& text) { PrintOut(sender, outId, text); };
  // Raised under the engine's lock by whichever thread changes the agenda.
  engine_.OnAddActivation = [this](TObject*, int32_t, TActivation*) { Wake(); };
  // A run that began after Terminate was asked stops at its next firing.
  engine_.OnRuleFired = [this](TObject*, TRule*) {
    if (terminated_.load(std::memory_order_acquire)) engine_.SetHalted(true);
  };
}

TIEThread::~TIEThread() {
  Terminate();
  WaitFor();
  engine_.OnPrintOut = nullptr;
  engine_.OnAddActivation = nullptr;
  engine_.OnRuleFired = nullptr;
}

void TIEThread::PrintOut(TObject* /*sender*/, const std::string& /*outId*/,
                         const std::string& text) {
  forwarder_->AddLine(text);
}

void TIEThread::Resume() {
  if (running_.load(std::memory_order_acquire) || terminated_.load()) return;
  if (thread_.joinable()) thread_.join();  // a worker that ended on an error
  {
    std::lock_guard<std::mutex> hold(wakeLock_);
    error_.clear();
  }
  running_.store(true, std::memory_order_release);
  thread_ = std::thread([this] { Execute(); });
}

bool TIEThread::Suspended() const { return !running_.load(std::memory_order_acquire); }

void TIEThread::Terminate() {
  terminated_.store(true, std::memory_order_release);
  engine_.SetHalted(true);
  Wake();
  forwarder_->Terminate();
}

void TIEThread::WaitFor() {
  // A worker inside a firing may be waiting for the window thread.
  WindowThread::WaitUntil([this] { return !running_.load(std::memory_order_acquire); });
  if (thread_.joinable()) thread_.join();
  forwarder_->WaitFor();
}

bool TIEThread::Idle() const {
  const bool workerIdle =
      !running_.load(std::memory_order_acquire) ||
      (!busy_.load(std::memory_order_acquire) && engine_.AgendaCount() == 0);
  return workerIdle && forwarder_->Idle();
}

std::string TIEThread::Error() const {
  std::lock_guard<std::mutex> hold(wakeLock_);
  return error_;
}

void TIEThread::Wake() {
  { std::lock_guard<std::mutex> hold(wakeLock_); }
  wake_.notify_one();
}

void TIEThread::Execute() {
  LowerThreadPriority();
  try {
    for (;;) {
      {
        std::unique_lock<std::mutex> hold(wakeLock_);
        wake_.wait(hold, [this] {
          return terminated_.load(std::memory_order_acquire) || engine_.AgendaCount() > 0;
        });
      }
      if (terminated_.load(std::memory_order_acquire)) break;
      busy_.store(true, std::memory_order_release);
      engine_.Run(2147483647);
      busy_.store(false, std::memory_order_release);
    }
  } catch (const std::exception& e) {
    busy_.store(false, std::memory_order_release);
    {
      std::lock_guard<std::mutex> hold(wakeLock_);
      error_ = e.what();
    }
    forwarder_->AddLine(SHostWorkerError + std::string(e.what()));
  }
  running_.store(false, std::memory_order_release);
}
