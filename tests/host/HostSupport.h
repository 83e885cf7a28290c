// Helpers of the host tests: a scratch folder made the current folder (the
// window loads its two programs from there), rule programs that stand in for
// the two shipped ones, the runner's output of a program as list items, and
// the items of a list box.
#pragma once

#include <functional>
#include <string>

#include <QDir>
#include <QListWidget>
#include <QMessageBox>
#include <QStringList>
#include <QTemporaryDir>

using Items = QStringList;

// Makes a new empty folder the current folder; the previous one is back
// when it goes.
class TScratchFolder {
 public:
  TScratchFolder();
  ~TScratchFolder();
  // Writes Text to Name in the folder.
  void Write(const std::string& name, const std::string& text) const;
  // Copies a program of the examples folder into the folder.
  void CopyExample(const std::string& name) const;
  std::string Path(const std::string& name) const;

 private:
  QTemporaryDir dir_;
  QString previous_;
};

// A program printing "<Tag> <n>" for n = 0 .. Count-1, one firing each
// (Count < 0: without end).
std::string CounterProgram(const std::string& tag, int count);

// The command-line runner's output of the program File, cut into lines and
// each line trimmed as the window's forwarders trim what they append.
Items RunnerItems(const std::string& file);

Items ListItems(const QListWidget* list);

// Waits (in the event loop) for a modal message box, hands it to Inspect,
// then closes it. Call before the action that opens the box.
void WhenMessageBoxShows(std::function<void(QMessageBox&)> inspect);
