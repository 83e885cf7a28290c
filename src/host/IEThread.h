// TIEThread: the worker that runs one engine. Created suspended; Resume starts
// it. Its loop calls the engine's Run (limit 2147483647) while there are
// activations, and otherwise sleeps until the engine reports a new activation
// or the thread is asked to terminate. The engine's print-out goes to the
// worker's forwarder (TIECommThread), which appends it to the list box.
// An exception out of Run ends the worker; its message becomes the list's
// last line ("ERROR: " + message) and Error() keeps it. Resume after such an
// end starts the worker again.
//
// Ownership: owns its thread and its forwarder; the engine and the list box
// are the window's (not owned). The worker sets the engine's OnPrintOut,
// OnAddActivation and OnRuleFired and clears them when it is destroyed.
// Thread-safety: Resume, Terminate, WaitFor and Suspended are called on the
// window thread; the handlers run on whatever thread runs the engine.
// Destruction terminates and joins the worker and its forwarder.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "host/IECommThread.h"

class TInferenceEngine;
class TObject;

class TIEThread {
 public:
  TIEThread(TInferenceEngine& engine, QListWidget* listBox);
  ~TIEThread();
  TIEThread(const TIEThread&) = delete;
  TIEThread& operator=(const TIEThread&) = delete;

  // Starts the worker unless it is running.
  void Resume();
  // True before the first Resume and after the worker ended on an error.
  bool Suspended() const;
  // Asks the worker (a running Run stops after its current firing) and its
  // forwarder to terminate; does not wait.
  void Terminate();
  // Waits until the worker and the forwarder have ended (after Terminate).
  // On the window thread it runs the worker's calls meanwhile: a firing under
  // way may be waiting for the window thread (WindowThread.h).
  void WaitFor();
  // True when the worker is not inside Run and its forwarder has nothing to
  // hand over (the engine has no activations, or the worker is suspended).
  bool Idle() const;
  // The message of the exception that ended the worker, if any.
  std::string Error() const;

  TInferenceEngine& Engine() const noexcept { return engine_; }
  TIECommThread& Forwarder() noexcept { return *forwarder_; }

  // The engine's OnPrintOut handler: queues Text with the forwarder.
  void PrintOut(TObject* sender, const std::string& outId, const std::string& text);

 private:
  void Execute();
  // Wakes the worker to look at the agenda again.
  void Wake();

  TInferenceEngine& engine_;
  std::unique_ptr<TIECommThread> forwarder_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> running_{false};  // the thread is inside its loop
  std::atomic<bool> busy_{false};     // inside Run
  mutable std::mutex wakeLock_;       // taken after the engine's lock, never before
  std::condition_variable wake_;
  std::string error_;                 // under wakeLock_
  std::thread thread_;
};
