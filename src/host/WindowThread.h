// The window thread's service to the engines' workers: a worker whose rule
// reaches a window object runs that work on the window thread (Qt's objects
// belong to it) and waits for it. The window thread runs such work from its
// event loop, and also while it waits itself for an engine's lock or a
// worker's end — a worker waiting for the window thread may hold its
// engine's lock, so the window thread never blocks on either without serving.
//
// Thread-safety: Call may be used on any thread; RunPending, LockEngine and
// WaitUntil are for the window thread (elsewhere they just wait).
// Without an application object, Call runs the work on the calling thread.
#pragma once

#include <functional>

class TInferenceEngine;

namespace WindowThread {

// Whether the calling thread is the window thread (or there is no application).
bool IsCurrent();
// Runs Work on the window thread and waits for it; an exception Work raises
// is raised here again.
void Call(const std::function<void()>& work);
// Runs the work other threads are waiting for (window thread).
void RunPending();
// Takes Engine's lock; on the window thread, serves other threads meanwhile.
void LockEngine(TInferenceEngine& engine);
// Waits until Done gives true; on the window thread, serves other threads
// meanwhile. Done is polled every few milliseconds.
void WaitUntil(const std::function<bool()>& done);

}  // namespace WindowThread
