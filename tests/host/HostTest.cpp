// The desktop host, headless: the window made from its stored description,
// "Run Both" and "Show Message", the workers and forwarders, failures, closing
// while the engines run, the template trees, and engines reloaded under their
// locks while their workers run.
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include "core/ComponentStream.h"
#include "core/Exceptions.h"
#include "engine/InferenceEngine.h"
#include "facts/IERule.h"
#include "host/HostConsts.h"
#include "host/HostSupport.h"
#include "host/QtObjectModelTest.h"
#include "host/IEThread.h"
#include "host/ThreadMain.h"

namespace {

constexpr int kWait = 60000;  // ms; generous for sanitizer builds

// Whether another thread can take Engine's lock within a second.
bool LockIsFree(TInferenceEngine& engine) {
  auto taken = std::async(std::launch::async, [&engine] {
    engine.Lock();
    engine.Unlock();
  });
  return taken.wait_for(std::chrono::seconds(1)) == std::future_status::ready;
}

QString ErrorItem(const std::string& message) {
  return QString::fromStdString(SHostWorkerError + message);
}

}  // namespace

class HostTest : public QObject {
  Q_OBJECT

 private slots:
  void runBothFillsBothLists();
  void secondClickRestartsBothPrograms();
  void showMessageWhileListsGrow();
  void loadingOutputComesFirst();
  void eachPrintedTextIsOneTrimmedItem();
  void missingFileLeavesSecondEngineUnloaded();
  void failingActionEndsOnlyItsWorker();
  void closingWhileRunningStopsEveryThread();
  void descriptionReadsAndWritesBack();
  void templateTreeFollowsTheEngine();
  void reloadUnderLocksWhileWorkersRun();
};

void HostTest::runBothFillsBothLists() {
  TScratchFolder folder;
  folder.CopyExample("fullmab.ie");
  folder.CopyExample("wordgame.ie");
  const Items first = RunnerItems("fullmab.ie");
  const Items second = RunnerItems("wordgame.ie");
  QVERIFY(first.size() > 3);
  QVERIFY(second.size() > 3);

  TForm1 form;
  QVERIFY(form.Thread1()->Suspended());
  QVERIFY(form.Thread2()->Suspended());
  form.Button1()->click();
  QVERIFY(!form.Thread1()->Suspended());
  QVERIFY(!form.Thread2()->Suspended());
  QTRY_COMPARE_WITH_TIMEOUT(ListItems(form.ListBox1()), first, kWait);
  QTRY_COMPARE_WITH_TIMEOUT(ListItems(form.ListBox2()), second, kWait);
  QTRY_VERIFY_WITH_TIMEOUT(form.Idle(), kWait);
  QCOMPARE(ListItems(form.ListBox1()), first);
  QCOMPARE(ListItems(form.ListBox2()), second);
}

void HostTest::secondClickRestartsBothPrograms() {
  TScratchFolder folder;
  folder.Write("fullmab.ie", CounterProgram("first", 400));
  folder.Write("wordgame.ie", CounterProgram("second", 300));
  const Items first = RunnerItems("fullmab.ie");
  const Items second = RunnerItems("wordgame.ie");

  TForm1 form;
  form.Button1()->click();
  QTRY_VERIFY_WITH_TIMEOUT(form.ListBox1()->count() > 20 && form.ListBox2()->count() > 20, kWait);
  TIEThread* worker1 = form.Thread1();
  // Clicked again while both programs run: both lists are empty at once and
  // end up holding one whole run each, with no line of the first run.
  form.Button1()->click();
  QCOMPARE(form.ListBox1()->count(), 0);
  QCOMPARE(form.ListBox2()->count(), 0);
  QTRY_VERIFY_WITH_TIMEOUT(form.Idle() && form.ListBox1()->count() == first.size() &&
                               form.ListBox2()->count() == second.size(),
                           kWait);
  QCOMPARE(ListItems(form.ListBox1()), first);
  QCOMPARE(ListItems(form.ListBox2()), second);
  QCOMPARE(form.Thread1(), worker1);
  QVERIFY(!form.Thread1()->Suspended());

  // And once more after both finished.
  form.Button1()->click();
  QTRY_VERIFY_WITH_TIMEOUT(form.Idle() && form.ListBox2()->count() == second.size(), kWait);
  QCOMPARE(ListItems(form.ListBox1()), first);
  QCOMPARE(ListItems(form.ListBox2()), second);
}

void HostTest::showMessageWhileListsGrow() {
  TScratchFolder folder;
  folder.Write("fullmab.ie", CounterProgram("first", -1));
  folder.Write("wordgame.ie", CounterProgram("second", -1));
  TForm1 form;
  form.show();
  form.Button1()->click();
  QTRY_VERIFY_WITH_TIMEOUT(form.ListBox1()->count() > 0 && form.ListBox2()->count() > 0, kWait);

  QString text;
  bool modal = false;
  int shownWith1 = 0, shownWith2 = 0, closedWith1 = 0, closedWith2 = 0;
  WhenMessageBoxShows([&](QMessageBox& box) {
    text = box.text();
    modal = box.isModal();
    shownWith1 = form.ListBox1()->count();
    shownWith2 = form.ListBox2()->count();
    // The box stays up while the lists grow behind it.
    QTRY_VERIFY_WITH_TIMEOUT(form.ListBox1()->count() > shownWith1 + 10 &&
                                 form.ListBox2()->count() > shownWith2 + 10,
                             kWait);
    QVERIFY(box.isVisible());
    closedWith1 = form.ListBox1()->count();
    closedWith2 = form.ListBox2()->count();
  });
  form.Button2()->click();  // returns when the box is closed
  QCOMPARE(text, QString(SHostMessage));
  QVERIFY(modal);
  QVERIFY(closedWith1 > shownWith1 + 10);
  QVERIFY(closedWith2 > shownWith2 + 10);
}

void HostTest::loadingOutputComesFirst() {
  TScratchFolder folder;
  // Output while loading: a top-level printout and, with facts watched, the
  // facts Reset asserts; then the rules' output.
  folder.Write("fullmab.ie",
               "(watch facts)\n(printout t \"loading\" crlf)\n" + CounterProgram("run", 5));
  folder.CopyExample("wordgame.ie");
  const Items first = RunnerItems("fullmab.ie");
  const auto loading = first.indexOf("loading"), reset = first.indexOf("==> f-1 (counter (n 0))");
  QVERIFY(loading >= 0 && loading < reset && reset < first.indexOf("run 0"));

  TForm1 form;
  form.Button1()->click();
  QTRY_VERIFY_WITH_TIMEOUT(form.Idle() && form.ListBox1()->count() == first.size(), kWait);
  QCOMPARE(ListItems(form.ListBox1()), first);
}

void HostTest::eachPrintedTextIsOneTrimmedItem() {
  TScratchFolder folder;
  // One print-out of two lines with blanks and a tab in front, one of blanks
  // only, then a plain line: each text is one item, trimmed at both ends (its
  // inner line break stays), and the items keep the order of the texts.
  folder.Write("fullmab.ie",
               "(defrule speak\n  =>\n"
               "  (printout t \"  \t first\" crlf \"second  \" crlf)\n"
               "  (printout t \"   \" crlf)\n"
               "  (printout t \"third\" crlf))\n");
  folder.CopyExample("wordgame.ie");

  TForm1 form;
  form.Button1()->click();
  QTRY_VERIFY_WITH_TIMEOUT(form.Idle() && form.ListBox1()->count() == 3, kWait);
  QTest::qWait(50);
  QCOMPARE(ListItems(form.ListBox1()), Items({"first\r\nsecond", "", "third"}));
}

void HostTest::missingFileLeavesSecondEngineUnloaded() {
  TScratchFolder folder;
  folder.CopyExample("wordgame.ie");  // fullmab.ie is missing
  TForm1 form;
  QString error;
  WhenMessageBoxShows([&](QMessageBox& box) { error = box.text(); });
  form.Button1()->click();  // returns when the error box is closed
  QVERIFY2(error.contains("fullmab.ie"), qPrintable(error));
  QVERIFY(form.Thread1()->Suspended());
  QVERIFY(form.Thread2()->Suspended());
  QCOMPARE(form.InferenceEngine2()->Rules().Count(), 0);
  QVERIFY(!form.InferenceEngine2()->FindFactTemplate("partial"));
  QVERIFY(LockIsFree(*form.InferenceEngine1()));
  QVERIFY(LockIsFree(*form.InferenceEngine2()));
  QTest::qWait(50);
  QCOMPARE(form.ListBox1()->count(), 0);
  QCOMPARE(form.ListBox2()->count(), 0);

  // With the file in place the next click runs both.
  folder.CopyExample("fullmab.ie");
  form.Button1()->click();
  const Items second = RunnerItems("wordgame.ie");
  QTRY_COMPARE_WITH_TIMEOUT(ListItems(form.ListBox2()), second, kWait);
}

void HostTest::failingActionEndsOnlyItsWorker() {
  TScratchFolder folder;
  folder.Write("fullmab.ie",
               "(deffunction explode () (printout t \"before\" crlf) (nth$ 5 (create$ a)))\n"
               "(defrule boom => (printout t (explode) crlf))\n");
  folder.CopyExample("wordgame.ie");
  const Items second = RunnerItems("wordgame.ie");

  // What the failing action raises, as an engine of its own reports it.
  std::string message;
  {
    TInferenceEngine engine;
    engine.LoadFromFile("fullmab.ie");
    engine.Reset();
    try {
      engine.Run();
    } catch (const std::exception& e) {
      message = e.what();
    }
  }
  QVERIFY(!message.empty());

  TForm1 form;
  form.Button1()->click();
  QTRY_VERIFY_WITH_TIMEOUT(form.Thread1()->Suspended(), kWait);
  QCOMPARE(form.Thread1()->Error(), message);
  QTRY_COMPARE_WITH_TIMEOUT(ListItems(form.ListBox1()), Items({"before", ErrorItem(message)}),
                            kWait);
  QTRY_COMPARE_WITH_TIMEOUT(ListItems(form.ListBox2()), second, kWait);
  QVERIFY(!form.Thread2()->Suspended());
  QVERIFY(LockIsFree(*form.InferenceEngine1()));

  // The next click loads both again and starts the ended worker anew.
  folder.Write("fullmab.ie", CounterProgram("again", 3));
  form.Button1()->click();
  QVERIFY(!form.Thread1()->Suspended());
  QTRY_COMPARE_WITH_TIMEOUT(ListItems(form.ListBox1()), Items({"again 0", "again 1", "again 2"}),
                            kWait);
  QCOMPARE(form.Thread1()->Error(), std::string());
}

void HostTest::closingWhileRunningStopsEveryThread() {
  TScratchFolder folder;
  folder.Write("fullmab.ie", CounterProgram("first", -1));
  folder.Write("wordgame.ie", CounterProgram("second", -1));
  auto form = std::make_unique<TForm1>();
  form->show();
  form->Button1()->click();
  QTRY_VERIFY_WITH_TIMEOUT(form->ListBox1()->count() > 20 && form->ListBox2()->count() > 20, kWait);

  QElapsedTimer closing;
  closing.start();
  QVERIFY(form->close());
  QVERIFY2(closing.elapsed() < 2000, "closing waits for the threads, not for a fixed time");
  for (TIEThread* thread : {form->Thread1(), form->Thread2()}) {
    QVERIFY(thread->Suspended());  // the worker left its loop
    QVERIFY(thread->Forwarder().Ended());
    QCOMPARE(thread->Error(), std::string());
  }
  // Nothing is appended any more.
  const int count1 = form->ListBox1()->count();
  QTest::qWait(100);
  QCOMPARE(form->ListBox1()->count(), count1);
  form.reset();
}

void HostTest::descriptionReadsAndWritesBack() {
  TScratchFolder folder;
  const std::string stored = TForm1::StoredDescription();
  TForm1 form;
  // Saving writes the very text that was read (after FormCreate registered
  // the engines with the packages).
  QCOMPARE(QString::fromStdString(form.SaveDescription()), QString::fromStdString(stored));

  QCOMPARE(form.windowTitle(), QString("Form1"));
  QCOMPARE(form.Button1()->text(), QString("Run Both"));
  QCOMPARE(form.Button1()->geometry(), QRect(16, 4, 75, 25));
  QCOMPARE(form.Button2()->text(), QString("Show Message"));
  QCOMPARE(form.Button2()->geometry(), QRect(264, 4, 121, 25));
  QCOMPARE(form.font().pixelSize(), 13);

  for (TInferenceEngine* engine : {form.InferenceEngine1(), form.InferenceEngine2()}) {
    QCOMPARE(engine->DuplicateConstructs(), dcOverwrite);
    QVERIFY(engine->Packages() == TFunctionPackages());
    QCOMPARE(engine->FactDuplication(), false);
    QCOMPARE(engine->ParserErrorHandling(), ehRaiseImmediate);
    QCOMPARE(engine->Strategy(), ssDepthFirst);
    QVERIFY(engine->Watch() == TConstructWatches());
    QCOMPARE(engine->FactCount(), 1);
    QCOMPARE(engine->Facts().Text(false), std::string("(Initial-Fact)"));
    // One function of each of the five packages, the same object in both.
    for (const char* name : {"printout", "sqrt", "numberp", "str-cat", "time"}) {
      QVERIFY2(engine->FunctionExists(name), name);
      QCOMPARE(engine->GetFunction(name).get(), form.InferenceEngine1()->GetFunction(name).get());
    }
  }
  // An engine's persisted form as the description holds it.
  const std::string engineText = ComponentToText(*form.InferenceEngine1());
  QVERIFY(engineText.find("\r\n  Packages = []\r\n") != std::string::npos);
  QVERIFY(engineText.find("\r\n  SymbolIndex = 1\r\n") != std::string::npos);
  QVERIFY(engineText.find("'(Initial-Fact)'") != std::string::npos);

  // A description naming an unknown class is refused as a whole.
  std::string broken = stored;
  broken.replace(broken.find("TSplitter"), 9, "TNoSuchOne");
  QVERIFY_THROWS_EXCEPTION(EClassNotFound, TForm1 refused(broken));
  // One that lacks a component the window needs names it.
  std::string lacking = stored;
  lacking.replace(lacking.find("object InferenceEngine2:"), 24, "object InferenceEngine3:");
  try {
    TForm1 refused(lacking);
    QFAIL("a window without its second engine was made");
  } catch (const EReadError& e) {
    QCOMPARE(QString(e.what()), QString("The window description lacks the component InferenceEngine2"));
  }
}

void HostTest::templateTreeFollowsTheEngine() {
  TScratchFolder folder;
  folder.CopyExample("fullmab.ie");
  folder.CopyExample("wordgame.ie");
  TForm1 form;
  // Before loading: the two implied templates.
  QTRY_COMPARE_WITH_TIMEOUT(form.TemplateTree1()->topLevelItemCount(), 2, kWait);
  form.Button1()->click();
  TInferenceEngine& engine = *form.InferenceEngine1();
  QStringList names;
  for (const IFactTemplate& t : engine.FactTemplates().Templates())
    names << QString::fromStdString(t->Name());
  QVERIFY(names.contains("monkey"));
  auto topLevel = [&form] {
    QStringList shown;
    for (int i = 0; i < form.TemplateTree1()->topLevelItemCount(); ++i)
      shown << form.TemplateTree1()->topLevelItem(i)->text(0);
    return shown;
  };
  QTRY_COMPARE_WITH_TIMEOUT(topLevel(), names, kWait);
  QTreeWidget& tree = *form.TemplateTree1();
  QCOMPARE(tree.currentItem(), tree.topLevelItem(0));
  QTreeWidgetItem* monkey = tree.topLevelItem(int(names.indexOf("monkey")));
  QCOMPARE(monkey->childCount(), 3);
  QCOMPARE(monkey->child(0)->text(0), QString("at"));
  QCOMPARE(monkey->child(0)->child(1)->text(0), QString("Default: door"));
  QVERIFY(monkey->child(0)->child(0)->text(0).startsWith("Type: "));

  // A template defined later shows up too.
  engine.Lock();
  engine.Evaluate("(deftemplate banana (slot ripe (default yes)))");
  engine.Unlock();
  QTRY_VERIFY_WITH_TIMEOUT(topLevel().contains("banana"), kWait);
}

void HostTest::reloadUnderLocksWhileWorkersRun() {
  // Two engines with their workers and forwarders, reloaded again and again
  // under their locks while the workers run them.
  TInferenceEngine engine1, engine2;
  engine1.SetWatch({cwStatistics});  // Run also reads and prints its counts
  QListWidget list1, list2;
  TIEThread worker1(engine1, &list1), worker2(engine2, &list2);
  const std::string program1 = CounterProgram("one", 120);
  const std::string program2 = CounterProgram("two", 80);
  auto reload = [](TInferenceEngine& engine, TIEThread& worker, QListWidget& list,
                   const std::string& program) {
    list.clear();
    engine.Lock();
    worker.Forwarder().Discard();
    engine.SetHalted(true);
    engine.Clear();
    engine.Evaluate(program);
    engine.Reset();
    engine.Unlock();
  };
  // A third engine is run by a thread that calls Run again and again without
  // waiting for activations, so Run's reads before and after its firings
  // meet the reloads head-on.
  TInferenceEngine engine3;
  engine3.SetWatch({cwStatistics});
  std::atomic<bool> stop{false};
  std::atomic<int> printed{0};
  engine3.OnPrintOut = [&printed](TObject*, const std::string&, const std::string&) { ++printed; };
  std::thread poller([&] {
    while (!stop.load()) engine3.Run();
  });
  worker1.Resume();
  worker2.Resume();
  for (int round = 0; round < 30; ++round) {
    reload(engine1, worker1, list1, program1);
    reload(engine2, worker2, list2, program2);
    engine3.Lock();
    engine3.SetHalted(true);
    engine3.Clear();
    engine3.Evaluate(program2);
    engine3.Reset();
    engine3.Unlock();
    QTest::qWait(round % 3);
  }
  QTRY_VERIFY_WITH_TIMEOUT(worker1.Idle() && worker2.Idle() && engine3.AgendaCount() == 0, kWait);
  stop.store(true);
  poller.join();
  QVERIFY(printed.load() >= 80);
  // The statistics lines of the last run close the first list. (A run the
  // reload halted may print its own before the new program's lines.)
  const Items all1 = ListItems(&list1);
  QVERIFY(all1.size() >= 4);
  QVERIFY(all1[all1.size() - 4].contains("rules fired"));
  Items lines1;
  for (const QString& line : all1)
    if (!line.contains("rules fired") && !line.contains("rules per second") &&
        !line.contains("mean number of"))
      lines1 << line;
  Items expected1, expected2;
  for (int n = 0; n < 120; ++n) expected1 << QString("one %1").arg(n);
  for (int n = 0; n < 80; ++n) expected2 << QString("two %1").arg(n);
  QCOMPARE(lines1, expected1);
  QCOMPARE(ListItems(&list2), expected2);
  QCOMPARE(worker1.Error(), std::string());
  QCOMPARE(worker2.Error(), std::string());
}

// Runs the test functions of HostTest and of QtObjectModelTest: the one named
// on the command line (CTest runs one function per test), or all of them.
int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QTEST_SET_MAIN_SOURCE_PATH
  HostTest host;
  QtObjectModelTest objects;
  if (argc > 1 && argv[1][0] != '-') {
    const QByteArray method = QByteArray(argv[1]) + "()";
    if (objects.metaObject()->indexOfMethod(method.constData()) >= 0)
      return QTest::qExec(&objects, argc, argv);
    return QTest::qExec(&host, argc, argv);
  }
  return QTest::qExec(&host, argc, argv) | QTest::qExec(&objects, argc, argv);
}

#include "HostTest.moc"
