// TInterruptHalts: while one exists, an interrupt (SIGINT, Ctrl-C on a
// terminal) asks the given engine to halt instead of ending the process, so a
// runaway (run) in the shell stops after its current firing. The previous
// handler is back when the guard goes. One guard at a time per process; the
// signal handler only performs an atomic store.
#pragma once

#include <csignal>

class TInferenceEngine;

class TInterruptHalts {
 public:
  explicit TInterruptHalts(TInferenceEngine& engine);
  ~TInterruptHalts();
  TInterruptHalts(const TInterruptHalts&) = delete;
  TInterruptHalts& operator=(const TInterruptHalts&) = delete;

 private:
  struct sigaction previous_ {};
  bool installed_ = false;
};
