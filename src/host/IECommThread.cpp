#include "host/IECommThread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QListWidget>
#include <QMetaObject>
#include <QString>

std::string TrimLine(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

void LowerThreadPriority() {
  // On Linux a nice value belongs to the thread; normal is 0, 19 the lowest.
  const pid_t thread = pid_t(syscall(SYS_gettid));
  (void)setpriority(PRIO_PROCESS, id_t(thread), 5);
}

// ---------------------------------------------------------------------------
// TListBoxAppender

TListBoxAppender::TListBoxAppender(QListWidget* listBox, std::shared_ptr<TForwarderState> state)
    : listBox_(listBox), state_(std::move(state)) {}

void TListBoxAppender::AppendToListBox() {
  TForwarderState& state = *state_;
  QString line;
  bool append;
  {
    std::lock_guard<std::mutex> hold(state.QueueLock);
    append = state.Handing && !state.Terminated && state.HandedGeneration == state.Generation;
    if (append) line = QString::fromStdString(state.CurrentLine);
  }
  if (append && listBox_) listBox_->addItem(line);
  {
    std::lock_guard<std::mutex> hold(state.QueueLock);
    state.Handing = false;
  }
  state.Wake.notify_all();
}

// ---------------------------------------------------------------------------
// TIECommThread

TIECommThread::TIECommThread(QListWidget* listBox)
    : state_(std::make_shared<TForwarderState>()),
      appender_(std::make_unique<TListBoxAppender>(listBox, state_)) {
  // The queue, its lock and the appender exist before the loop starts.
  thread_ = std::thread([this] { Execute(); });
}

TIECommThread::~TIECommThread() {
  Terminate();
  WaitFor();
  // Deleting the appender drops a call still queued for it.
}

void TIECommThread::AddLine(const std::string& text) {
  {
    std::lock_guard<std::mutex> hold(state_->QueueLock);
    state_->Lines.push_back(text);
  }
  state_->Wake.notify_all();
}

void TIECommThread::Discard() {
  std::lock_guard<std::mutex> hold(state_->QueueLock);
  state_->Lines.clear();
  ++state_->Generation;
}

void TIECommThread::Terminate() {
  {
    std::lock_guard<std::mutex> hold(state_->QueueLock);
    state_->Terminated = true;
    state_->Lines.clear();
  }
  state_->Wake.notify_all();
}

void TIECommThread::WaitFor() {
  if (thread_.joinable()) thread_.join();
}

bool TIECommThread::Idle() const {
  std::lock_guard<std::mutex> hold(state_->QueueLock);
  return state_->Lines.empty() && !state_->Handing;
}

void TIECommThread::Execute() {
  LowerThreadPriority();
  TForwarderState& state = *state_;
  for (;;) {
    {
      std::unique_lock<std::mutex> hold(state.QueueLock);
      state.Wake.wait(hold, [&] { return state.Terminated || !state.Lines.empty(); });
      if (state.Terminated) break;
      state.CurrentLine = TrimLine(state.Lines.front());
      state.Lines.pop_front();
      state.Handing = true;
      state.HandedGeneration = state.Generation;
    }
    HandOver();
  }
  ended_.store(true, std::memory_order_release);
}

void TIECommThread::HandOver() {
  TForwarderState& state = *state_;
  if (!QMetaObject::invokeMethod(appender_.get(), "AppendToListBox", Qt::QueuedConnection)) {
    std::lock_guard<std::mutex> hold(state.QueueLock);
    state.Handing = false;
    return;
  }
  std::unique_lock<std::mutex> hold(state.QueueLock);
  state.Wake.wait(hold, [&] { return !state.Handing || state.Terminated; });
}
