// Fact sets: fact lines, lazy parsing through the engine, the engine link.
#include "facts/IEFactSet.h"

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"


// ---------------------------------------------------------------------------
// TFactSet

TFactSet::TFactSet(TComponent* owner) : TComponent(owner), factSetName_(SDefaultFactSetName) {
  if (auto* engine = dynamic_cast<IFactEngine*>(owner)) {
    engine_ = engine;
    engineComponent_ = owner;
  }
}

TFactSet::~TFactSet() {
  if (engineComponent_ && engineComponent_ != Owner()) RemoveFreeNotification(engineComponent_);
}

void TFactSet::SetEngine(IFactEngine* engine) {
  if (engine == engine_) return;
  if (engine_) {
    engine_->RemoveFactSet(*this);
    if (engineComponent_ && engineComponent_ != Owner()) RemoveFreeNotification(engineComponent_);
  }
  engine_ = engine;
  engineComponent_ = dynamic_cast<TComponent*>(engine);
  if (!engine_) return;
  if (engineComponent_ && engineComponent_ != Owner()) FreeNotification(engineComponent_);
  engine_->AddFactSet(*this);
  Reparse();
}

std::string TFactSet::TextOf(const TLine& line) {
  if (line.Text && !line.Text->empty()) return *line.Text;
  return line.Fact ? line.Fact->AsText() : std::string();
}

void TFactSet::Reparse() {
  if (!engine_) return;
  for (TLine& line : lines_) line.Fact = engine_->ParseFact(TextOf(line) + "\r\n");
}

int32_t TFactSet::AddFact(const IFactRef& fact) {
  lines_.push_back(TLine{nullptr, fact});
  return int32_t(lines_.size()) - 1;
}

int32_t TFactSet::AddFactText(const std::string& text) {
  lines_.push_back(TLine{std::make_unique<std::string>(text), nullptr});
  return int32_t(lines_.size()) - 1;
}

const IFactRef& TFactSet::AttachedFact(int32_t index) const {
  if (index < 0 || size_t(index) >= lines_.size())
    throw EListError(Format(SListIndexError, {index}));
  return lines_[size_t(index)].Fact;
}

IFactRef TFactSet::GetFact(int32_t index) {
  if (index < 0 || size_t(index) >= lines_.size())
    throw EListError(Format(SListIndexError, {index}));
  TLine& line = lines_[size_t(index)];
  if (!line.Fact && engine_) line.Fact = engine_->ParseFact(TextOf(line));
  return line.Fact;
}

std::vector<std::string> TFactSet::Facts() const {
  std::vector<std::string> texts;
  texts.reserve(lines_.size());
  for (const TLine& line : lines_) texts.push_back(TextOf(line));
  return texts;
}

void TFactSet::SetFacts(const std::vector<std::string>& lines) {
  lines_.clear();
  for (const std::string& text : lines) AddFactText(text);
  Reparse();
}

void TFactSet::AssertFacts() {
  if (!engine_) return;
  for (int32_t i = 0; i < FactCount(); ++i) {
    IFactRef fact = GetFact(i);
    // The next line's fact, when it has one already, is announced.
    if (i + 1 < FactCount())
      if (const IFactRef& next = lines_[size_t(i) + 1].Fact) engine_->PrepareAssert(*next);
    if (fact) engine_->AssertFact(fact);
  }
}

void TFactSet::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TFactSet*>(source);
  if (!other) {
    TComponent::Assign(source);
    return;
  }
  if (other == this) return;
  comment_ = other->comment_;
  lines_.clear();
  factSetName_ = other->factSetName_;
  auto* from = const_cast<TFactSet*>(other);
  for (int32_t i = 0; i < from->FactCount(); ++i) {
    IFactRef fact = from->GetFact(i);
    if (fact)
      AddFact(fact);
    else
      AddFactText(TextOf(from->lines_[size_t(i)]));
  }
}

void TFactSet::AssignFactsTo(TIList<TFact>& list) const {
  list.Clear();
  for (const TLine& line : lines_) list.Add(line.Fact);
}

void TFactSet::Properties(std::vector<TProperty>& props) {
  TComponent::Properties(props);
  TProperty comment;
  comment.Name = "Comment";
  comment.Kind = pkString;
  comment.Get = [this]() -> TPropertyValue { return comment_; };
  comment.Set = [this](const TPropertyValue& v) { comment_ = std::get<std::string>(v); };
  comment.Default = TPropertyValue(std::string());
  props.push_back(std::move(comment));
  TProperty name;
  name.Name = "FactSetName";
  name.Kind = pkString;
  name.Get = [this]() -> TPropertyValue { return factSetName_; };
  name.Set = [this](const TPropertyValue& v) { factSetName_ = std::get<std::string>(v); };
  name.Default = TPropertyValue(std::string(SDefaultFactSetName));
  props.push_back(std::move(name));
  TProperty facts;
  facts.Name = "Facts";
  facts.Kind = pkStringList;
  facts.Get = [this]() -> TPropertyValue { return Facts(); };
  facts.Set = [this](const TPropertyValue& v) { SetFacts(std::get<std::vector<std::string>>(v)); };
  props.push_back(std::move(facts));
}

std::string TFactSet::AsText() const {
  return engine_ ? engine_->FactSetText(*this) : DefaultFactSetText(*this);
}

void TFactSet::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component && component == engineComponent_) {
    engine_ = nullptr;
    engineComponent_ = nullptr;
  }
}

void TFactSet::Loaded() {
  TComponent::Loaded();
  AssertFacts();
}
