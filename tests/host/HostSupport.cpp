#include "host/HostSupport.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QProcess>
#include <QtTest>

#include "host/IECommThread.h"

TScratchFolder::TScratchFolder() : previous_(QDir::currentPath()) {
  QDir::setCurrent(dir_.path());
}

TScratchFolder::~TScratchFolder() { QDir::setCurrent(previous_); }

std::string TScratchFolder::Path(const std::string& name) const {
  return dir_.filePath(QString::fromStdString(name)).toStdString();
}

void TScratchFolder::Write(const std::string& name, const std::string& text) const {
  QFile file(QString::fromStdString(Path(name)));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write %s", name.c_str());
  file.write(text.data(), qint64(text.size()));
}

void TScratchFolder::CopyExample(const std::string& name) const {
  const QString source = QString(IE_EXAMPLES) + "/" + QString::fromStdString(name);
  QFile::remove(QString::fromStdString(Path(name)));
  if (!QFile::copy(source, QString::fromStdString(Path(name))))
    qFatal("cannot copy %s", name.c_str());
}

std::string CounterProgram(const std::string& tag, int count) {
  const std::string test = count < 0 ? "" : "&:(< ?n " + std::to_string(count) + ")";
  return "(deftemplate counter (slot n))\n"
         "(deffacts start (counter (n 0)))\n"
         "(defrule step ?c <- (counter (n ?n" + test + "))\n"
         "  =>\n"
         "  (printout t \"" + tag + " \" ?n crlf)\n"
         "  (modify ?c (n (+ ?n 1))))\n";
}

Items RunnerItems(const std::string& file) {
  QProcess runner;
  runner.start(IE_RUNNER, {QString::fromStdString(file)});
  if (!runner.waitForFinished(60000)) qFatal("the runner did not finish");
  const std::string output = runner.readAllStandardOutput().toStdString();
  Items items;
  size_t start = 0;
  while (start < output.size()) {
    size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    items.push_back(QString::fromStdString(TrimLine(output.substr(start, end - start))));
    start = end + 1;
  }
  return items;
}

Items ListItems(const QListWidget* list) {
  Items items;
  for (int i = 0; i < list->count(); ++i) items.push_back(list->item(i)->text());
  return items;
}

void WhenMessageBoxShows(std::function<void(QMessageBox&)> inspect) {
  auto* poll = new QTimer(qApp);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, inspect] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    poll->stop();
    poll->deleteLater();
    inspect(*box);
    box->done(0);
  });
  poll->start(10);
}
