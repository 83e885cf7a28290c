// Slots, templates, the name checks and the default printer.
#include "facts/IEFacts.h"

#include <cctype>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"

namespace {

std::string Trimmed(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

// A snapshot iterator over a list of names.
class TNameIterator : public IStringIterator {
 public:
  explicit TNameIterator(std::vector<std::string> names) : names_(std::move(names)) {}
  std::string Current() const override { return index_ > 0 ? names_[index_ - 1] : std::string(); }
  int32_t Remaining() const override { return int32_t(names_.size() - index_); }
  bool HasNext() override { return index_ < names_.size(); }
  std::string Next() override {
    if (index_ >= names_.size()) throw EGHashtableError(SNoSuchElement);
    return names_[index_++];
  }
  void Reset() override { index_ = 0; }

 private:
  std::vector<std::string> names_;
  size_t index_ = 0;
};

// The shared constant a slot's default falls back to for a type set.
const IIEValue& FallbackDefault(TIETypes types) {
  if (types.Contains(dtMultiSlot)) return EmptyList();
  if (types.Contains(dtAtom) || types.Contains(dtString)) return EmptyAtom();
  if (types.Contains(dtInteger) || types.Contains(dtFloat)) return ZeroValue();
  return NilValue();
}

}  // namespace

void CheckConstructName(const std::string& name) {
  const size_t pos = name.find_first_of(SNameForbiddenChars);
  if (pos != std::string::npos) throw EIEException(Format(SUnexpectedCharacter, {name, name[pos]}));
}

std::string TypeSetText(TIETypes types, std::string_view separator) {
  std::string text;
  for (int t = 0; t < IETypeCount; ++t) {
    if (!types.Contains(TIEType(t))) continue;
    if (!text.empty()) text += separator;
    std::string name = IETypeName(TIEType(t));
    for (size_t i = 2; i < name.size(); ++i)
      text += char(std::toupper(static_cast<unsigned char>(name[i])));
  }
  return text;
}

// ---------------------------------------------------------------------------
// Default printer: the construct printer without engine.

std::string IFactEngine::FactText(const TFact& fact) const { return DefaultFactText(fact); }
std::string IFactEngine::SlotText(const TFactSlot& slot) const { return DefaultSlotText(slot); }
std::string IFactEngine::TemplateText(const TFactTemplate& factTemplate) const {
  return DefaultTemplateText(factTemplate);
}


// ---------------------------------------------------------------------------
// TFactSlot

void TFactSlot::SetName(const std::string& name) {
  if (name == name_) return;
  CheckConstructName(name);
  if (owner_) owner_->SlotRenaming(*this, name_, name);
  name_ = name;
}

void TFactSlot::SetSlotDefault(const IIEValue& value) {
  if (value && default_ && value->Equals(default_.get())) return;
  if (owner_) owner_->SlotDefaultChanging(*this);
  default_ = value;
}

void TFactSlot::SetSlotType(TIETypes types) {
  if (types == types_) return;
  if (owner_) owner_->SlotTypesChanging(*this);
  types_ = types;
  if (default_ && types_.Contains(default_->DType())) return;
  SetSlotDefault(FallbackDefault(types_));
}

std::string TFactSlot::TemplateName() const { return owner_ ? owner_->Name() : std::string(); }

void TFactSlot::Assign(const TFactSlot& source) {
  if (&source == this) return;
  SetName(source.name_);
  SetSlotDefault(source.default_);
  SetTag(source.Tag());
  SetSlotType(source.types_);
}

void TFactSlot::Assign(const ICloneable& source) {
  const auto* slot = dynamic_cast<const TFactSlot*>(&source);
  if (!slot) throw EInvalidCast(SInvalidCast);
  Assign(*slot);
}

bool TFactSlot::Equals(const TFactSlot* other) const {
  if (other == this) return true;
  if (!other || name_ != other->name_ || !(types_ == other->types_)) return false;
  if (default_ == other->default_) return true;
  return default_ && other->default_ && default_->Equals(other->default_.get());
}

bool TFactSlot::IsEqual(const ICloneable* other) const {
  return Equals(dynamic_cast<const TFactSlot*>(other));
}

IFactSlot TFactSlot::Copy() const {
  IFactSlot copy = MakeRef<TFactSlot>();
  copy->Assign(*this);
  return copy;
}

TRef<ICloneable> TFactSlot::CloneObject() const { return TRef<ICloneable>(Copy().get()); }

std::string TFactSlot::AsText() const {
  IFactEngine* engine = owner_ ? owner_->Engine() : nullptr;
  return engine ? engine->SlotText(*this) : DefaultSlotText(*this);
}

// ---------------------------------------------------------------------------
// TFactTemplate

TFactTemplate::TFactTemplate(IFactEngine* engine) : table_(101, 0.75f), engine_(engine) {
  table_.SetCapacity(11);
}

TFactTemplate::TFactTemplate(IFactEngine* engine, const TFactTemplate& source,
                             const std::string& comment, const std::string& name)
    : TFactTemplate(engine) {
  Assign(source);
  // Stored as given: the template is not registered yet, so the engine needs
  // no word of it, and a copy's name ("<name> Copy") holds a blank that the
  // name setter would refuse.
  name_ = name;
  comment_ = comment;
  if (source.engine_ == engine_) parent_ = IFactTemplate(const_cast<TFactTemplate*>(&source));
}

TFactTemplate::~TFactTemplate() {
  for (const IFactSlot& slot : layout_) {
    if (!slot) continue;
    slot->owner_ = nullptr;
    slot->index_ = -1;
  }
}

IFactTemplate TFactTemplate::CreateImplied(IFactEngine* engine, const std::string& name) {
  IFactTemplate result = MakeRef<TFactTemplate>(engine);
  CheckConstructName(name);
  result->name_ = name;
  result->comment_ = SImpliedComment;
  result->AddMultiSlot(SImpliedSlotName, EmptyList());
  return result;
}

TFactSlot* TFactTemplate::FindSlot(const std::string& name) const {
  return name.empty() ? nullptr : table_.Find(name);
}

IFactSlot TFactTemplate::NewSlot(const std::string& name, const IIEValue& defaultValue,
                                 TIETypes types) {
  IFactSlot slot = MakeRef<TFactSlot>(this);
  slot->default_ = defaultValue;
  slot->SetName(name);  // not a member yet: only the character check
  Enter(name, slot);
  slot->SetSlotType(types);
  return slot;
}

IFactSlot TFactTemplate::AddMultiSlot(const std::string& name, const IIEValue& defaultValue) {
  if (!defaultValue) throw EIEException(SBadSlotType);
  if (defaultValue->DType() != dtList)
    throw EIEException(Format(SInvalidMultislotDefault, {defaultValue->AsText()}));
  const std::string key = Trimmed(name);
  if (key.empty()) throw EIEException(Format(SBadSlotName, {name}));
  if (TFactSlot* existing = FindSlot(key)) {
    if (existing->default_ && existing->default_->DType() != dtList)
      throw EIEException(SSlotIsNotMultislot);
    existing->SetSlotDefault(defaultValue);
    SlotSetChanged();
    return IFactSlot(existing);
  }
  return NewSlot(key, defaultValue, MultiSlotTypes);
}

IFactSlot TFactTemplate::AddSlot(const std::string& name, const IIEValue& defaultValue) {
  if (!defaultValue) throw EIEException(SBadSlotType);
  if (defaultValue->DType() == dtList)
    throw EIEException(Format(SInvalidDefaultSlotValue, {defaultValue->AsText()}));
  const std::string key = Trimmed(name);
  if (key.empty()) throw EIEException(Format(SBadSlotName, {name}));
  if (TFactSlot* existing = FindSlot(key)) {
    if (existing->default_ && existing->default_->DType() == dtList)
      throw EIEException(SMultislotIsNotSlot);
    existing->SetSlotDefault(defaultValue);
    SlotSetChanged();
    return IFactSlot(existing);
  }
  return NewSlot(key, defaultValue, SingleSlotTypes);
}

void TFactTemplate::PutSlot(const std::string& key, const IFactSlot& slot) {
  if (!slot) throw EIEException(SBadSlotType);
  if (key != slot->name_) throw EIEException(Format(SIndexDoesNotMatchSlot, {key, slot->name_}));
  if (key.empty()) throw EIEException(Format(SBadSlotName, {key}));
  if (IsMember(*slot)) return;
  if (slot->owner_ && slot->owner_->IsMember(*slot)) slot->owner_->Drop(*slot);
  Enter(key, slot);
}

void TFactTemplate::Enter(const std::string& key, const IFactSlot& slot) {
  if (TFactSlot* displaced = table_.Find(key); displaced && displaced != slot.get())
    Drop(*displaced);
  slot->owner_ = this;
  slot->index_ = int32_t(layout_.size());
  layout_.push_back(slot);
  table_.Put(key, slot);
  SlotSetChanged();
}

void TFactTemplate::Drop(TFactSlot& slot) {
  IFactSlot keep(&slot);
  if (table_.Find(slot.name_) == &slot) table_.Remove(slot.name_);
  if (SlotAtIndex(slot.index_) == &slot) layout_[size_t(slot.index_)] = nullptr;
  slot.owner_ = nullptr;
  slot.index_ = -1;
  SlotSetChanged();
}

void TFactTemplate::RemoveSlot(const std::string& name) {
  if (TFactSlot* slot = FindSlot(name)) Drop(*slot);
}

void TFactTemplate::SlotSetChanged() {
  ++layoutVersion_;
  order_.clear();
  order_.reserve(size_t(table_.Count()));
  // Rebuilt on each change of the slot set only, so the key walk and one
  // lookup per slot are paid by the template, never by its facts.
  IStringIteratorRef keys = table_.Keys();
  while (keys->HasNext()) order_.push_back(table_.Find(keys->Next()));
  implied_ = order_.size() < 2 && HasSlot(SImpliedSlotName);
}

IStringIteratorRef TFactTemplate::SlotNames() const {
  std::vector<std::string> names;
  names.reserve(order_.size());
  for (const TFactSlot* slot : order_) names.push_back(slot->name_);
  return IStringIteratorRef(new TNameIterator(std::move(names)));
}

void TFactTemplate::SlotRenaming(TFactSlot& slot, const std::string& oldName,
                                 const std::string& newName) {
  if (!IsMember(slot)) return;
  if (newName.empty()) throw EIEException(Format(SBadSlotName, {newName}));
  IFactSlot keep(&slot);
  if (TFactSlot* displaced = table_.Find(newName); displaced && displaced != &slot)
    Drop(*displaced);
  if (table_.Find(oldName) == &slot) table_.Remove(oldName);
  table_.Put(newName, keep);
  SlotSetChanged();
}

void TFactTemplate::SlotDefaultChanging(TFactSlot&) {}
void TFactTemplate::SlotTypesChanging(TFactSlot&) {}

void TFactTemplate::SetName(const std::string& name) {
  CheckConstructName(name);
  if (name == name_) return;
  if (engine_) engine_->TemplateRenaming(*this, name_, name);
  name_ = name;
}

void TFactTemplate::Assign(const TFactTemplate& source) {
  if (&source == this) return;
  backwardChaining_ = source.backwardChaining_;
  comment_ = source.comment_;
  if (source.parent_ && source.parent_->engine_ == engine_)
    parent_ = source.parent_;
  else
    parent_ = nullptr;
  // Copied over a snapshot: the source's order could change under the adds
  // only if Source were this template, excluded above.
  const std::vector<TFactSlot*> slots = source.order_;
  for (const TFactSlot* from : slots) {
    const bool multi = from->IsMultiSlot();
    IIEValue value = from->default_ ? from->default_->Clone()
                                    : (multi ? EmptyList() : NilValue());
    IFactSlot slot = multi ? AddMultiSlot(from->name_, value) : AddSlot(from->name_, value);
    slot->SetSlotType(from->types_);
  }
  implied_ = source.implied_;
  SetTag(source.Tag());
}

void TFactTemplate::Assign(const ICloneable& source) {
  const auto* other = dynamic_cast<const TFactTemplate*>(&source);
  if (!other) throw EInvalidCast(SInvalidCast);
  Assign(*other);
}

void TFactTemplate::ApplyDefaults(TFact& fact) const {
  const IFactTemplate& factTemplate = fact.Template();
  if (!factTemplate) throw EIEException(SFactTemplateMissing);
  if (factTemplate.get() != this)
    throw EIEException(Format(STemplatesDiffer, {factTemplate->Name(), name_}));
  for (const IFactSlot& slot : layout_) {
    if (!slot) continue;
    fact.Cell(slot->index_) = slot->default_ ? slot->default_->Clone() : IIEValue();
  }
}

IFactTemplate TFactTemplate::Copy() const {
  return MakeRef<TFactTemplate>(engine_, *this, comment_,
                                engine_ ? name_ + STemplateCopySuffix : name_);
}

TRef<ICloneable> TFactTemplate::CloneObject() const { return TRef<ICloneable>(Copy().get()); }

bool TFactTemplate::Equals(const TFactTemplate* other) const {
  if (other == this) return true;
  if (!other || implied_ != other->implied_ || name_ != other->name_) return false;
  for (const TFactSlot* slot : order_) {
    const TFactSlot* theirs = other->FindSlot(slot->name_);
    if (!theirs || !slot->Equals(theirs)) return false;
  }
  return true;
}

bool TFactTemplate::IsEqual(const ICloneable* other) const {
  return Equals(dynamic_cast<const TFactTemplate*>(other));
}

std::string TFactTemplate::AsText() const {
  return engine_ ? engine_->TemplateText(*this) : DefaultTemplateText(*this);
}
