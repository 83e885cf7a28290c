#include "host/WindowThread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include "engine/InferenceEngine.h"

namespace {

// One piece of work a thread waits for.
struct TWork {
  const std::function<void()>* Run = nullptr;
  std::exception_ptr Error;
  bool Done = false;
};

struct TQueue {
  std::mutex lock;
  std::condition_variable changed;  // work arrived or work was done
  std::deque<TWork*> pending;
};

TQueue& Queue() {
  static TQueue queue;
  return queue;
}

// How long the window thread sleeps between looks while it waits.
constexpr std::chrono::milliseconds kPoll{2};

// Sleeps until work arrives or Poll has passed.
void WaitForWork() {
  TQueue& queue = Queue();
  std::unique_lock<std::mutex> hold(queue.lock);
  if (queue.pending.empty()) queue.changed.wait_for(hold, kPoll);
}

}  // namespace

namespace WindowThread {

bool IsCurrent() {
  const QCoreApplication* application = QCoreApplication::instance();
  return !application || QThread::currentThread() == application->thread();
}

void Call(const std::function<void()>& work) {
  if (IsCurrent()) {
    work();
    return;
  }
  TQueue& queue = Queue();
  TWork item;
  item.Run = &work;
  {
    std::lock_guard<std::mutex> hold(queue.lock);
    queue.pending.push_back(&item);
  }
  queue.changed.notify_all();
  QMetaObject::invokeMethod(QCoreApplication::instance(), [] { RunPending(); },
                            Qt::QueuedConnection);
  {
    std::unique_lock<std::mutex> hold(queue.lock);
    queue.changed.wait(hold, [&item] { return item.Done; });
  }
  if (item.Error) std::rethrow_exception(item.Error);
}

void RunPending() {
  TQueue& queue = Queue();
  for (;;) {
    TWork* item;
    {
      std::lock_guard<std::mutex> hold(queue.lock);
      if (queue.pending.empty()) return;
      item = queue.pending.front();
      queue.pending.pop_front();
    }
    std::exception_ptr error;
    try {
      (*item->Run)();
    } catch (...) {
      error = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> hold(queue.lock);
      item->Error = error;
      item->Done = true;
    }
    queue.changed.notify_all();
  }
}

void LockEngine(TInferenceEngine& engine) {
  if (!IsCurrent()) {
    engine.Lock();
    return;
  }
  // Waiting as a blocked thread does (a lock freed between two firings is
  // handed over), but never longer than a moment without serving.
  while (!engine.TryLockFor(kPoll)) RunPending();
}

void WaitUntil(const std::function<bool()>& done) {
  const bool serving = IsCurrent();
  while (!done()) {
    if (serving) {
      RunPending();
      WaitForWork();
    } else {
      std::this_thread::sleep_for(kPoll);
    }
  }
}

}  // namespace WindowThread
