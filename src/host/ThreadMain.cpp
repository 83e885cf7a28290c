#include "host/ThreadMain.h"

#include <exception>
#include <map>

#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/ComponentStream.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "engine/InferenceEngine.h"
#include "functions/IEPackageComponents.h"
#include "host/HostConsts.h"
#include "host/IEThread.h"
#include "host/QtObjectModel.h"
#include "host/TemplateTreeView.h"
#include "host/WindowThread.h"

namespace {

const std::vector<std::string>& ColorNames() {
  static const std::vector<std::string> names{"clBtnFace", "clWindow"};
  return names;
}

// The packages FormCreate registers the engines with, in this order.
const char* const kPackageNames[] = {"StandardPackage1", "MathPackage1", "PredicatePackage1",
                                     "StringPackage1", "MiscPackage1"};

}  // namespace

TForm1::TForm1(const std::string& description, QWidget* parent) : QWidget(parent) {
  // The description makes engines and packages by class name.
  TInferenceEngine::RegisterClasses();
  ReadRootComponent(description.empty() ? StoredDescription() : description, *this);
  engines_[0] = Stored<TInferenceEngine>("InferenceEngine1");
  engines_[1] = Stored<TInferenceEngine>("InferenceEngine2");
  BuildWidgets();
  objectModel_ = std::make_unique<TQtObjectModel>(*this, *this);
  RegisterObjectModel(*objectModel_);
  RunHandler(onCreate_);
}

TForm1::~TForm1() {
  // The workers go before the engines they run (the component tree frees
  // the engines after this body).
  for (auto& thread : threads_) thread.reset();
  // No rule runs any more: the objects rules made without owner go, and the
  // engines' references to window objects read as destroyed from here on.
  if (objectModel_) UnregisterObjectModel(*objectModel_);
  objectModel_.reset();
  for (TInferenceEngine* engine : engines_) {
    engine->OnNewFactTemplate = nullptr;
    engine->OnRemoveFactTemplate = nullptr;
    engine->OnClearFactTemplates = nullptr;
  }
}

std::string TForm1::StoredDescription() {
  QFile file(":/ThreadMain.form");
  if (!file.open(QIODevice::ReadOnly)) throw EReadError(SHostDescriptionMissing);
  const QByteArray text = file.readAll();
  return std::string(text.constData(), size_t(text.size()));
}

std::string TForm1::SaveDescription() { return ComponentToText(*this); }

void TForm1::Properties(std::vector<TProperty>& props) {
  TComponent::Properties(props);
  props.push_back(IntegerProperty("Left", left_, 0));
  props.push_back(IntegerProperty("Top", top_, 0));
  props.push_back(IntegerProperty("Width", width_, 0));
  props.push_back(IntegerProperty("Height", height_, 0));
  props.push_back(StringProperty("Caption", caption_, std::string()));
  TProperty color = EnumProperty("Color", color_, ColorNames(), 0);
  color.Default.reset();  // always written
  props.push_back(std::move(color));
  TProperty font;
  font.Name = "Font";
  font.Kind = pkObject;
  font.Object = &font_;
  props.push_back(std::move(font));
  props.push_back(HandlerProperty("OnCreate", onCreate_));
  props.push_back(HandlerProperty("OnClose", onClose_));
}

template <class T>
T* TForm1::Stored(const std::string& name, TComponent* owner) const {
  TComponent* found = (owner ? owner : static_cast<const TComponent*>(this))->FindComponent(name);
  T* component = dynamic_cast<T*>(found);
  if (!component) throw EReadError(Format(SHostComponentMissing, {name}));
  return component;
}

// ---------------------------------------------------------------------------
// Widgets from the stored controls

void TForm1::BuildWidgets() {
  setWindowTitle(QString::fromStdString(caption_));
  if (font_.Height() < 0) {
    QFont textFont = font();
    textFont.setPixelSize(-font_.Height());
    setFont(textFont);
  }
  move(left_, top_);
  resize(width_, height_);

  const auto& listBox1 = *Stored<TListBox>("ListBox1");
  const auto& splitter = *Stored<TSplitter>("Splitter1");
  const auto& listBox2 = *Stored<TListBox>("ListBox2");
  auto& panel = *Stored<TPanel>("Panel1");
  const auto& button1 = *Stored<TButton>("Button1", &panel);
  const auto& button2 = *Stored<TButton>("Button2", &panel);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  splitter_ = new QSplitter(Qt::Horizontal, this);
  splitter_->setObjectName(QString::fromStdString(splitter.Name()));
  splitter_->setHandleWidth(splitter.Width());
  splitter_->setChildrenCollapsible(false);
  splitter_->addWidget(BuildSide(0, listBox1));
  splitter_->addWidget(BuildSide(1, listBox2));
  splitter_->setStretchFactor(0, 0);  // the left list keeps its width
  splitter_->setStretchFactor(1, 1);  // the client-aligned one takes the rest
  splitter_->setSizes({listBox1.Width(), width_ - listBox1.Width() - splitter.Width()});
  layout->addWidget(splitter_, 1);

  auto* bottom = new QFrame(this);
  bottom->setObjectName("Panel1");
  bottom->setFrameShape(QFrame::StyledPanel);
  bottom->setFixedHeight(panel.Height());
  layout->addWidget(bottom);

  auto makeButton = [&](const TButton& stored) {
    auto* button = new QPushButton(QString::fromStdString(stored.Caption()), bottom);
    button->setObjectName(QString::fromStdString(stored.Name()));
    button->setGeometry(stored.Left(), stored.Top(), stored.Width(), stored.Height());
    const std::string handler = stored.OnClick();
    connect(button, &QPushButton::clicked, this, [this, handler] { RunHandler(handler); });
    return button;
  };
  button1_ = makeButton(button1);
  button2_ = makeButton(button2);
}

QWidget* TForm1::BuildSide(int side, const TListBox& listBox) {
  auto* tabs = new QTabWidget(this);
  tabs->setTabPosition(QTabWidget::South);
  tabs->setDocumentMode(true);
  auto* list = new QListWidget(tabs);
  list->setObjectName(QString::fromStdString(listBox.Name()));
  list->setUniformItemSizes(true);
  if (listBox.ItemHeight() > 0)
    list->setStyleSheet(QString("QListWidget::item { height: %1px; }").arg(listBox.ItemHeight()));
  auto* tree = new QTreeWidget(tabs);
  tree->setHeaderHidden(true);
  tabs->addTab(list, "Output");
  tabs->addTab(tree, "Templates");
  lists_[size_t(side)] = list;
  trees_[size_t(side)] = tree;
  treeViews_[size_t(side)] = std::make_unique<TTemplateTreeView>(tree);
  return tabs;
}

void TForm1::RunHandler(const std::string& name) {
  static const std::map<std::string, void (TForm1::*)()> handlers{
      {"FormCreate", &TForm1::FormCreate},
      {"FormClose", &TForm1::FormClose},
      {"Button1Click", &TForm1::Button1Click},
      {"Button2Click", &TForm1::Button2Click}};
  auto it = handlers.find(name);
  if (it == handlers.end()) return;
  try {
    (this->*(it->second))();
  } catch (const std::exception& e) {
    QMessageBox::critical(this, SHostTitle, QString::fromStdString(e.what()));
  }
}

// ---------------------------------------------------------------------------
// Event handlers

void TForm1::FormCreate() {
  for (const char* name : kPackageNames) {
    auto* package = Stored<TUserPackage>(name);
    for (TInferenceEngine* engine : engines_) package->Reasoners().AddReasoner(*engine);
  }
  for (int side = 0; side < 2; ++side) {
    threads_[size_t(side)] = std::make_unique<TIEThread>(*engines_[size_t(side)], lists_[size_t(side)]);
    TInferenceEngine& engine = *engines_[size_t(side)];
    engine.OnNewFactTemplate = [this, side](TObject*, const IFactTemplate&) { TemplatesChanged(side); };
    engine.OnRemoveFactTemplate = [this, side](TObject*, const IFactTemplate&) {
      TemplatesChanged(side);
    };
    engine.OnClearFactTemplates = [this, side](TObject*) { TemplatesChanged(side); };
    RefreshTemplates(side);
  }
}

void TForm1::Button1Click() {
  lists_[0]->clear();
  lists_[1]->clear();
  LoadEngine(0, SHostFirstProgram);
  LoadEngine(1, SHostSecondProgram);
  for (auto& thread : threads_)
    if (thread->Suspended()) thread->Resume();
}

void TForm1::LoadEngine(int side, const std::string& fileName) {
  TInferenceEngine& engine = *engines_[size_t(side)];
  WindowThread::LockEngine(engine);
  try {
    // Holding the lock, no firing of the old program is under way: its last
    // lines are dropped before the new program speaks.
    threads_[size_t(side)]->Forwarder().Discard();
    engine.SetHalted(true);
    engine.Clear();
    engine.LoadFromFile(fileName);
    engine.Reset();
  } catch (...) {
    engine.Unlock();
    throw;
  }
  engine.Unlock();
}

void TForm1::Button2Click() {
  QMessageBox::information(this, SHostTitle, SHostMessage);
}

void TForm1::FormClose() {
  for (auto& thread : threads_)
    if (thread) thread->Terminate();
  for (auto& thread : threads_)
    if (thread) thread->WaitFor();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    RunHandler(onClose_);
  }
  event->accept();
}

bool TForm1::Idle() const {
  for (const auto& thread : threads_)
    if (thread && !thread->Idle()) return false;
  return true;
}

void TForm1::WidenToFitLines() {
  QList<int> sizes = splitter_->sizes();
  int extra = 0;
  for (int side = 0; side < 2; ++side) {
    QListWidget& list = *lists_[size_t(side)];
    const int needed = list.sizeHintForColumn(0) + 2 * list.frameWidth() + 8;
    const int shown = list.viewport()->width();
    if (needed > shown) {
      sizes[side] += needed - shown;
      extra += needed - shown;
    }
  }
  if (extra == 0) return;
  resize(width() + extra, height());
  splitter_->setSizes(sizes);
}

// ---------------------------------------------------------------------------
// The template trees

void TForm1::TemplatesChanged(int side) {
  // The queued call carries no data: the flags say which trees to fill.
  if (refreshPending_[size_t(side)].exchange(true)) return;
  QMetaObject::invokeMethod(this, "RefreshPendingTemplates", Qt::QueuedConnection);
}

void TForm1::RefreshPendingTemplates() {
  for (int side = 0; side < 2; ++side) {
    if (!refreshPending_[size_t(side)].exchange(false)) continue;
    try {
      RefreshTemplates(side);
    } catch (const std::exception&) {
      // The tree keeps what it showed; the next change fills it again.
    }
  }
}

void TForm1::RefreshTemplates(int side) {
  TInferenceEngine& engine = *engines_[size_t(side)];
  TTemplateTreeView& view = *treeViews_[size_t(side)];
  WindowThread::LockEngine(engine);
  try {
    engine.FactTemplates().FillTree(view);
  } catch (...) {
    engine.Unlock();
    throw;
  }
  engine.Unlock();
}
