// TForm1: the host's window. It is made from a stored window description (a
// component stream): the form's own values, its list boxes, splitter, panel
// and buttons, two engines and five function packages. The window builds its
// widgets from the stored controls, then runs its OnCreate handler
// (FormCreate), which registers both engines with every package and creates
// one suspended worker per engine. Each side of the window shows its engine's
// output list ("Output") and its template tree ("Templates").
//
// Rules of its engines reach the window's Qt objects through the object
// package: the window registers a Qt object model for its engines while it
// lives.
//
// Ownership: the window owns its components (engines, packages, stored
// controls) through the component tree, its widgets through Qt, its two
// workers and its object model. Workers are joined before the engines go;
// the window thread serves workers waiting for it while it waits for them
// or for an engine's lock.
// Thread-safety: a window-thread object; the engines are loaded under their
// locks while the workers run them. Exceptions of a handler are shown in a
// message box.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <string>

#include <QWidget>

#include "core/Component.h"
#include "host/FormControls.h"

class QCloseEvent;
class QListWidget;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTreeWidget;
class TIEThread;
class TQtObjectModel;
class TInferenceEngine;
class TTemplateTreeView;
class TUserPackage;

class TForm1 : public QWidget, public TComponent {
  Q_OBJECT

 public:
  // Reads Description (the shipped one when empty; EReadError and kin on a
  // broken text), builds the widgets and runs the OnCreate handler.
  explicit TForm1(const std::string& description = std::string(), QWidget* parent = nullptr);
  ~TForm1() override;
  std::string ClassName() const override { return "TForm1"; }

  // The window description shipped with the program.
  static std::string StoredDescription();
  // The window's components written as a window description.
  std::string SaveDescription();

  // Left, Top, Width, Height, Caption, Color, Font, OnCreate, OnClose.
  void Properties(std::vector<TProperty>& props) override;

  // ---- The event handlers the description names.
  // Registers both engines with each package, then creates the workers.
  void FormCreate();
  // Empties both lists, loads "fullmab.ie" into the first engine and
  // "wordgame.ie" into the second (each under its lock: Halted, Clear, load,
  // Reset), then resumes the workers that are suspended.
  void Button1Click();
  // The modal box that shows the window stays free while the engines run.
  void Button2Click();
  // Asks both workers and their forwarders to terminate and waits for them.
  void FormClose();

  // ---- What tests and the screenshot script look at.
  TInferenceEngine* InferenceEngine1() const { return engines_[0]; }
  TInferenceEngine* InferenceEngine2() const { return engines_[1]; }
  QListWidget* ListBox1() const { return lists_[0]; }
  QListWidget* ListBox2() const { return lists_[1]; }
  QTreeWidget* TemplateTree1() const { return trees_[0]; }
  QTreeWidget* TemplateTree2() const { return trees_[1]; }
  QPushButton* Button1() const { return button1_; }
  QPushButton* Button2() const { return button2_; }
  TIEThread* Thread1() const { return threads_[0].get(); }
  TIEThread* Thread2() const { return threads_[1].get(); }
  // The object model through which rules of both engines reach the window.
  TQtObjectModel& ObjectModel() const { return *objectModel_; }
  // True when both workers have nothing to run and nothing to hand over.
  bool Idle() const;
  // Widens the window, where needed, until each list shows its longest line
  // whole (the lists keep their order and the left one its place).
  void WidenToFitLines();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  template <class T>
  T* Stored(const std::string& name, TComponent* owner = nullptr) const;
  void BuildWidgets();
  QWidget* BuildSide(int side, const TListBox& listBox);
  // Runs the handler of that name; an exception is shown in a message box.
  void RunHandler(const std::string& name);
  // One engine's part of Button1Click.
  void LoadEngine(int side, const std::string& fileName);
  // Template events of an engine (any thread): the tree is filled again on
  // the window thread, once for a burst of changes.
  void TemplatesChanged(int side);
  Q_INVOKABLE void RefreshPendingTemplates();
  void RefreshTemplates(int side);

  int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  std::string caption_;
  uint8_t color_ = 0;
  TFont font_;
  std::string onCreate_, onClose_;

  std::array<TInferenceEngine*, 2> engines_{};
  std::array<QListWidget*, 2> lists_{};
  std::array<QTreeWidget*, 2> trees_{};
  std::array<std::unique_ptr<TTemplateTreeView>, 2> treeViews_;
  std::array<std::atomic<bool>, 2> refreshPending_{};
  QSplitter* splitter_ = nullptr;
  QPushButton* button1_ = nullptr;
  QPushButton* button2_ = nullptr;
  std::array<std::unique_ptr<TIEThread>, 2> threads_;
  std::unique_ptr<TQtObjectModel> objectModel_;
  bool closed_ = false;
};
