// The host program: the toolkit application, the main window made from its
// stored description, and the message loop until the window closes.
//   ThreadProject                    opens the window
//   ThreadProject --screenshot FILE  clicks "Run Both", waits until both
//                                    engines are done and their lists are
//                                    complete, widens the window until every
//                                    line shows whole, saves the window as
//                                    FILE (PNG) and quits
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>

#include <QApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include "host/HostConsts.h"
#include "host/ThreadMain.h"

namespace {

// Saves the window once "Run Both" has finished; gives up after a minute.
void ScheduleScreenshot(TForm1& form, const QString& fileName) {
  QTimer::singleShot(0, &form, [&form] { form.Button1()->click(); });
  auto* timer = new QTimer(&form);
  struct TProgress {
    int IdleTicks = 0;
    int Ticks = 0;
  };
  auto progress = std::make_shared<TProgress>();
  QObject::connect(timer, &QTimer::timeout, &form, [&form, fileName, timer, progress] {
    // Idle twice in a row: nothing is left to run or to hand over.
    progress->IdleTicks = form.Idle() ? progress->IdleTicks + 1 : 0;
    if (progress->IdleTicks < 2 && ++progress->Ticks < 600) return;
    timer->stop();
    form.WidenToFitLines();
    const bool saved = form.grab().save(fileName, "PNG");
    if (!saved) std::cerr << "Cannot write " << fileName.toStdString() << "\n";
    QApplication::exit(saved ? 0 : 1);
  });
  timer->start(100);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(SHostTitle);
  QString screenshot;
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) screenshot = argv[++i];
  try {
    TForm1 form;
    form.show();
    if (!screenshot.isEmpty()) ScheduleScreenshot(form, screenshot);
    return application.exec();
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, SHostTitle, QString::fromStdString(e.what()));
    return 1;
  }
}
