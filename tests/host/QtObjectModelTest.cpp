// The object package against the window's Qt objects, offscreen: the window
// and its children found by name, properties of every kind read and written
// through the meta-object system, classes created, tested and freed, actions
// run, objects destroyed behind the rules' back, and rules running on a
// worker thread that reach the window through the window thread.
#include "host/QtObjectModelTest.h"

#include <functional>
#include <memory>
#include <string>

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "core/Exceptions.h"
#include "engine/InferenceEngine.h"
#include "packages/ObjectPackage.h"
#include "host/HostConsts.h"
#include "host/HostSupport.h"
#include "host/IEThread.h"
#include "host/QtObjectModel.h"
#include "host/ThreadMain.h"

namespace {

constexpr int kWait = 60000;  // ms; generous for sanitizer builds

// Compares rule texts (std::string) as Qt Test shows them.
#define QCOMPARE_TEXT(actual, expected) \
  QCOMPARE(QString::fromStdString(actual), QString::fromStdString(expected))

// A Qt object with a property of each kind the package converts, and some
// it does not.
class TProbe : public QObject {
  Q_OBJECT
  Q_PROPERTY(qint64 big MEMBER big)
  Q_PROPERTY(double ratio MEMBER ratio)
  Q_PROPERTY(QChar initial MEMBER initial)
  Q_PROPERTY(QByteArray bytes MEMBER bytes)
  Q_PROPERTY(QObject* buddy MEMBER buddy)
  Q_PROPERTY(QStringList words MEMBER words)
  Q_PROPERTY(int fixed READ Fixed)

 public:
  qint64 big = qint64(1) << 40;
  double ratio = 0.5;
  QChar initial = QChar('q');
  QByteArray bytes = "raw";
  QObject* buddy = nullptr;
  QStringList words;
  int Fixed() const { return 3; }
};

// The window with the object package serving its first engine; rules are
// evaluated on the window thread.
class TRuleWindow {
 public:
  TRuleWindow() {
    form.ObjectModel().RegisterClass<TProbe>();
    package.Reasoners().AddReasoner(Engine());
  }
  TInferenceEngine& Engine() { return *form.InferenceEngine1(); }
  IIEValue Eval(const std::string& text) {
    return Engine().ParseFunCall(text)->Evaluate(&Engine().Context());
  }
  std::string Text(const std::string& text) { return Eval(text)->AsText(); }
  std::string Error(const std::string& text) {
    try {
      Eval(text);
    } catch (const Exception& e) {
      return std::string(e.ClassName()) + ": " + e.Message();
    }
    return "(no exception)";
  }

  TForm1 form;
  TObjectPackage package;
};

}  // namespace

void QtObjectModelTest::findsTheWindowAndItsChildren() {
  TRuleWindow window;
  TForm1& form = window.form;
  QCOMPARE_TEXT(window.Text("(get-component)"), "<External-Address: TForm1>");
  QCOMPARE(window.Eval("(get-component ListBox1)")->AsObjectRef()->Address(),
           static_cast<const void*>(static_cast<QObject*>(form.ListBox1())));
  QCOMPARE_TEXT(window.Text("(get-component Splitter1)"), "<External-Address: QSplitter>");
  QCOMPARE_TEXT(window.Text("(get-component NoSuch)"), "FALSE");
  QCOMPARE_TEXT(window.Text("(get-component (get-component Panel1) Button2)"),
           "<External-Address: QPushButton>");
  QCOMPARE_TEXT(window.Text("(get-components (get-component Panel1))"),
           "<External-Address: QPushButton> <External-Address: QPushButton>");
  QCOMPARE_TEXT(window.Text("(is-class (get-component ListBox1) (get-class QWidget))"), "TRUE");
  QCOMPARE_TEXT(window.Text("(is-class (get-component ListBox1) (get-class QPushButton))"), "FALSE");
  QCOMPARE_TEXT(window.Error("(get-class QNoSuchWidget)"),
           "EClassNotFound: Class QNoSuchWidget not found");
  QCOMPARE_TEXT(window.Error("(get-component 3 Button1)"),
                "EIEException: Not a object.  Value Type is dtInteger");
  // An engine the window does not own keeps the component model.
  TInferenceEngine lone;
  window.package.Reasoners().AddReasoner(lone);
  QCOMPARE_TEXT(lone.ParseFunCall("(get-component)")->Evaluate(&lone.Context())->AsText(), "");
  window.package.Reasoners().RemoveReasoner(lone);
}

void QtObjectModelTest::readsAndWritesPropertiesByKind() {
  TRuleWindow window;
  TForm1& form = window.form;
  form.ListBox1()->addItems({"a", "b", "c"});
  window.Eval("(bind ?w (get-component))");
  window.Eval("(bind ?l (get-component ListBox1))");
  // Strings, integers, booleans, enumerations.
  QCOMPARE_TEXT(window.Text("(get-property ?w windowTitle)"), "\"Form1\"");
  QCOMPARE_TEXT(window.Text("(set-property ?w windowTitle \"Rules rule\")"), "TRUE");
  QCOMPARE(form.windowTitle(), QString("Rules rule"));
  QCOMPARE_TEXT(window.Text("(get-property ?l count)"), "3");
  QCOMPARE_TEXT(window.Text("(set-property ?l currentRow 2)"), "TRUE");
  QCOMPARE(form.ListBox1()->currentRow(), 2);
  QCOMPARE_TEXT(window.Text("(get-property (get-component Button1) enabled)"), "TRUE");
  window.Eval("(set-property (get-component Button1) enabled FALSE)");
  QVERIFY(!form.Button1()->isEnabled());
  QCOMPARE_TEXT(window.Text("(get-property ?l selectionMode)"), "SingleSelection");
  window.Eval("(set-property ?l selectionMode MultiSelection)");
  QCOMPARE(form.ListBox1()->selectionMode(), QAbstractItemView::MultiSelection);
  QCOMPARE_TEXT(window.Error("(set-property ?l selectionMode Sideways)"),
           "EIEException: Invalid property element: Sideways");
  QCOMPARE_TEXT(window.Error("(set-property ?l selectionMode 99)"),
           "EIEException: Invalid property element: 99");
  QCOMPARE_TEXT(window.Text("(get-property ?l noSuchProperty)"), "FALSE");
  QCOMPARE_TEXT(window.Error("(set-property ?l count 5)"), "EIEException: Property count is read-only");
  QCOMPARE_TEXT(window.Error("(get-property ?w geometry)"), "EIEException: Invalid property type: QRect");
  QCOMPARE_TEXT(window.Error("(set-property ?l currentRow abc)"),
           "EIEException: Not a integer.  Value Type is dtAtom");

  // Flags as "[A,B]" both ways.
  IIEValue labelValue = window.Eval("(bind ?label (create-component (get-class QLabel) ?w))");
  window.Eval("(set-property ?label alignment \"[AlignRight,AlignVCenter]\")");
  auto* label = qobject_cast<QLabel*>(
      static_cast<QObject*>(const_cast<void*>(labelValue->AsObjectRef()->Address())));
  QVERIFY(label);
  QCOMPARE(label->alignment(), Qt::AlignRight | Qt::AlignVCenter);
  const std::string flags = window.Text("(get-property ?label alignment)");
  // Qt names the right alignment by one of its two keys of equal value.
  QVERIFY2(flags.starts_with("\"[Align") && flags.ends_with(",AlignVCenter]\""), flags.c_str());
  window.Eval("(set-property ?label alignment (get-property ?label alignment))");
  QCOMPARE(label->alignment(), Qt::AlignRight | Qt::AlignVCenter);
  QCOMPARE_TEXT(window.Error("(set-property ?label alignment \"[AlignNowhere]\")"),
           "EIEException: Invalid property element: AlignNowhere");

  // Wide integers, floats, characters, bytes, object pointers, the rest.
  IIEValue probeValue = window.Eval("(bind ?p (create-object (get-class TProbe)))");
  auto* probe = static_cast<TProbe*>(
      static_cast<QObject*>(const_cast<void*>(probeValue->AsObjectRef()->Address())));
  QCOMPARE_TEXT(window.Text("(get-property ?p big)"), "1099511627776");
  QCOMPARE_TEXT(window.Text("(get-property ?p ratio)"), "0.5");
  window.Eval("(set-property ?p ratio 2)");
  QCOMPARE_TEXT(window.Text("(get-property ?p ratio)"), "2");
  QCOMPARE_TEXT(window.Text("(get-property ?p initial)"), "\"q\"");
  window.Eval("(set-property ?p initial \"xyz\")");
  QCOMPARE_TEXT(window.Text("(get-property ?p initial)"), "\"x\"");
  QCOMPARE_TEXT(window.Text("(get-property ?p bytes)"), "\"raw\"");
  // a null pointer: nil

  QCOMPARE_TEXT(window.Text("(create$ (get-property ?p buddy))"), "");
  probe->buddy = form.ListBox2();
  QCOMPARE_TEXT(window.Text("(get-property (get-property ?p buddy) objectName)"), "\"ListBox2\"");
  QCOMPARE_TEXT(window.Error("(set-property ?p buddy ?w)"),
           "EIEException: Invalid property type: QObject*");
  QCOMPARE_TEXT(window.Error("(get-property ?p words)"),
           "EIEException: Invalid property type: QStringList");
  QCOMPARE_TEXT(window.Error("(set-property ?p fixed 1)"), "EIEException: Property fixed is read-only");
  QCOMPARE_TEXT(window.Text("(get-properties ?p)"),
           "objectName big ratio initial bytes buddy words fixed");
}

void QtObjectModelTest::createsFreesAndRunsActions() {
  TRuleWindow window;
  TForm1& form = window.form;
  form.show();
  QWidget* panel = form.findChild<QWidget*>("Panel1");
  // A button owned by the window and placed on the panel.
  window.Eval(
      "(bind ?b (create-component (get-class QPushButton) (get-component) (get-component "
      "Panel1)))");
  window.Eval("(set-property ?b objectName \"Button3\")");
  auto* button = panel->findChild<QPushButton*>("Button3");
  QVERIFY(button);
  QVERIFY(button->isVisible());
  // a parent must be a widget

  QCOMPARE_TEXT(window.Error("(create-component (get-class QLabel) (get-component) (create-object "
                        "(get-class QTimer)))"),
           "EInvalidCast: Invalid class typecast");
  QCOMPARE_TEXT(window.Error("(create-component (get-class QLabel) (get-class QLabel))"),
           "EIEException: Not a object.  Value Type is dtClass");

  // Actions and buttons report whether they ran.
  int clicks = 0;
  QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
  QCOMPARE_TEXT(window.Text("(execute-action ?b)"), "TRUE");
  window.Eval("(set-property ?b enabled FALSE)");
  QCOMPARE_TEXT(window.Text("(execute-action ?b)"), "FALSE");
  QCOMPARE(clicks, 1);
  window.Eval("(bind ?a (create-component (get-class QAction) ?b))");
  auto* action = button->findChild<QAction*>();
  QVERIFY(action);
  int triggers = 0;
  QObject::connect(action, &QAction::triggered, [&triggers] { ++triggers; });
  QCOMPARE_TEXT(window.Text("(execute-action ?a)"), "TRUE");
  QCOMPARE(triggers, 1);
  QCOMPARE_TEXT(window.Error("(execute-action (get-component ListBox1))"),
           "EInvalidCast: Invalid class typecast");

  // Freed: only what the rules made, never the window or what it holds.
  QCOMPARE_TEXT(window.Error("(free-object (get-component))"),
           "EIEException: Cannot free the TForm1 object: it holds the running engine");
  QVERIFY(window.Error("(free-object (get-component ListBox1))")
              .starts_with("EIEException: Cannot free the QListWidget object: only"));
  QCOMPARE_TEXT(window.Text("(free-object ?b)"), "TRUE");
  QVERIFY(!panel->findChild<QPushButton*>("Button3"));
  // the action went with its owner

  QCOMPARE_TEXT(window.Error("(get-property ?a text)"),
           "EIEException: The QAction object this value refers to was destroyed");
  QCOMPARE_TEXT(window.Error("(free-object ?b)"),
           "EIEException: Cannot free the QPushButton object: it was destroyed already");

  // A widget placed on the panel but owned by another object goes with it.
  window.Eval("(bind ?owner (create-object (get-class QObject)))");
  window.Eval("(bind ?l (create-component (get-class QLabel) ?owner (get-component Panel1)))");
  QCOMPARE(panel->findChildren<QLabel*>().size(), 1);
  window.Eval("(free-object ?owner)");
  QCOMPARE(panel->findChildren<QLabel*>().size(), 0);
}

void QtObjectModelTest::destroyedObjectsGiveAClearError() {
  TRuleWindow window;
  IIEValue timer = window.Eval("(bind ?t (create-object (get-class QTimer)))");
  window.Eval("(bind ?b (get-component Button2))");
  window.Eval("(assert (watching ?b))");
  delete window.form.Button2();  // destroyed by the host, behind the rules' back
  // reads as the nil object

  QCOMPARE_TEXT(window.Text("(create$ ?b)"), "");
  const std::string gone =
      "EIEException: The QPushButton object this value refers to was destroyed";
  QCOMPARE_TEXT(window.Error("(get-property ?b text)"), gone);
  QCOMPARE_TEXT(window.Error("(set-property ?b text \"x\")"), gone);
  QCOMPARE_TEXT(window.Error("(execute-action ?b)"), gone);
  QCOMPARE_TEXT(window.Error("(get-components ?b)"), gone);
  QCOMPARE_TEXT(window.Error("(is-class ?b (get-class QWidget))"), gone);
  QCOMPARE(window.Engine().FactCount(), 2);
  window.Eval("(retract 1)");
  // a fact holding it still retracts

  QCOMPARE(window.Engine().FactCount(), 1);
  // Objects the rules made without owner go with the window's object model.
  QVERIFY(timer->AsObjectRef()->Alive());
  {
    TRuleWindow closing;
    timer = closing.Eval("(create-object (get-class QTimer))");
  }
  QVERIFY(!timer->AsObjectRef()->Alive());
}

void QtObjectModelTest::windowExampleDrivesTheWindow() {
  TScratchFolder folder;
  folder.CopyExample("window.ie");
  TForm1 form;
  form.show();
  TObjectPackage package;
  TInferenceEngine& engine = *form.InferenceEngine2();
  package.Reasoners().AddReasoner(engine);
  form.ListBox1()->addItems({"one", "two", "three"});
  QString boxText;
  WhenMessageBoxShows([&boxText](QMessageBox& box) { boxText = box.text(); });
  // The rules run on the second engine's worker: every window object they
  // touch is reached through the window thread.
  engine.Lock();
  engine.LoadFromFile("window.ie");
  engine.Reset();
  engine.Unlock();
  form.Thread2()->Resume();
  QTRY_VERIFY_WITH_TIMEOUT(form.Idle() && form.ListBox2()->count() >= 3, kWait);
  QCOMPARE(form.Thread2()->Error(), std::string());
  // Show Message was pressed

  QCOMPARE(boxText, QString(SHostMessage));
  QCOMPARE(form.windowTitle(), QString("Form1: 3 lines on the left"));
  const Items lines = ListItems(form.ListBox2());
  QVERIFY2(lines.contains("The other list holds 3 lines"), qPrintable(lines.join('|')));
  QVERIFY2(lines.contains("Pressed Show Message: TRUE"), qPrintable(lines.join('|')));
  package.Reasoners().RemoveReasoner(engine);
}

void QtObjectModelTest::reloadAndCloseWhileWorkersReachTheWindow() {
  // Each firing of the second program waits for the window thread, while the
  // window thread takes the engine's lock to reload it and waits for the
  // worker when it closes: neither may hang.
  TScratchFolder folder;
  folder.Write("fullmab.ie", CounterProgram("first", 50));
  folder.Write("wordgame.ie",
               "(deftemplate counter (slot n))\n"
               "(deffacts start (counter (n 0)))\n"
               "(defrule look ?c <- (counter (n ?n))\n"
               "  =>\n"
               "  (set-property (get-component) windowTitle (str-cat \"look \" ?n))\n"
               "  (printout t \"look \" ?n crlf)\n"
               "  (modify ?c (n (+ ?n 1))))\n");
  auto form = std::make_unique<TForm1>();
  TObjectPackage package;
  package.Reasoners().AddReasoner(*form->InferenceEngine2());
  for (int round = 0; round < 3; ++round) {
    form->Button1()->click();
    QTRY_VERIFY_WITH_TIMEOUT(form->ListBox2()->count() > 20, kWait);
    QVERIFY(form->windowTitle().startsWith("look "));
  }
  QCOMPARE(form->Thread2()->Error(), std::string());
  form->close();
  QVERIFY(form->Thread2()->Suspended());
  form.reset();
}

#include "QtObjectModelTest.moc"
