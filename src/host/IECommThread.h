// TIECommThread: the forwarder of one engine's print-out. Any thread queues
// texts with AddLine; the forwarder's own thread takes them out first in first
// out, trims each (blanks and control characters at both ends) and has it
// appended as one item of its list box on the window thread, waiting until it
// is there. An idle forwarder sleeps until a line arrives or it is asked to
// terminate.
//
// Ownership: owns its thread, its queue and the small window-thread object
// that appends; the list box is the window's (not owned). Thread-safety:
// AddLine, Terminate, Idle and Ended from any thread; construction, Discard,
// WaitFor and destruction on the window thread. The queue is guarded by
// QueueLock. Destruction asks the thread to terminate and joins it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <QObject>
#include <QPointer>

class QListWidget;

// Text with the blanks and control characters at both ends removed.
std::string TrimLine(const std::string& text);
// Gives the calling thread a below-normal priority (a higher nice value, the
// third of seven steps from the lowest); nothing where the system refuses.
void LowerThreadPriority();

// What a forwarder's thread and its window-thread appender share.
struct TForwarderState {
  std::mutex QueueLock;
  std::condition_variable Wake;
  std::deque<std::string> Lines;  // Lines: first in, first out
  std::string CurrentLine;        // CurrentLine: trimmed, on its way to the list
  bool Terminated = false;
  bool Handing = false;           // CurrentLine waits for the window thread
  uint64_t Generation = 0;        // bumped by Discard
  uint64_t HandedGeneration = 0;  // the generation CurrentLine belongs to
};

// Lives on the window thread; the forwarder asks it by a queued call (which
// carries no data: the line waits in the shared state under QueueLock).
class TListBoxAppender : public QObject {
  Q_OBJECT

 public:
  TListBoxAppender(QListWidget* listBox, std::shared_ptr<TForwarderState> state);
  // Appends CurrentLine unless it was discarded, then releases the forwarder.
  Q_INVOKABLE void AppendToListBox();

 private:
  QPointer<QListWidget> listBox_;
  std::shared_ptr<TForwarderState> state_;
};

class TIECommThread {
 public:
  // Starts the thread at once (below-normal priority). Call on the window
  // thread; a list box that is gone receives nothing.
  explicit TIECommThread(QListWidget* listBox);
  ~TIECommThread();
  TIECommThread(const TIECommThread&) = delete;
  TIECommThread& operator=(const TIECommThread&) = delete;

  // Queues Text (takes QueueLock for the append only).
  void AddLine(const std::string& text);
  // Drops every queued line and a line handed over but not yet appended.
  // The window calls it before an engine starts a new program, so no line of
  // the old program lands in the emptied list.
  void Discard();
  // Asks the thread to leave its loop (does not wait); queued lines are dropped.
  void Terminate();
  // Waits until the thread has ended (after Terminate).
  void WaitFor();
  // True when no line is queued or being handed over.
  bool Idle() const;
  // True once the thread has left its loop.
  bool Ended() const noexcept { return ended_.load(std::memory_order_acquire); }

 private:
  void Execute();
  // Has the window thread append CurrentLine and waits until it is there, or
  // until the forwarder is asked to terminate.
  void HandOver();

  std::shared_ptr<TForwarderState> state_;
  std::unique_ptr<TListBoxAppender> appender_;
  std::atomic<bool> ended_{false};
  std::thread thread_;
};
