// Facts: slot values, template changes, assignment, equality and text forms.
#include <algorithm>
#include <string>
#include <typeinfo>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "facts/IEFacts.h"

namespace {

const IIEValue& NoValue() {
  static const IIEValue none;
  return none;
}

IIEValue CopyOf(const IIEValue& value) { return value ? value->Clone() : IIEValue(); }

int32_t DecimalDigits(int64_t number) {
  if (number < 0) number = -number;
  int32_t digits = 1;
  while (number >= 10) {
    number /= 10;
    ++digits;
  }
  return digits;
}

}  // namespace

// ---------------------------------------------------------------------------
// TFact

TFact::TFact(IFactTemplate factTemplate, const TFact* source) : template_(std::move(factTemplate)) {
  if (!source || !template_) return;
  if (source->template_ == template_) {
    values_.reserve(source->values_.size());
    for (const IIEValue& value : source->values_) values_.push_back(CopyOf(value));
    return;
  }
  if (!source->template_) return;
  for (const TFactSlot* slot : template_->Slots()) {
    const TFactSlot* theirs = source->template_->FindSlot(slot->Name());
    const int32_t at = theirs ? source->IndexOf(*theirs) : -1;
    if (at >= 0 && size_t(at) < source->values_.size() && source->values_[size_t(at)])
      Cell(slot->Index()) = CopyOf(source->values_[size_t(at)]);
  }
}

IFactRef TFact::Clone() const { return MakeRef<TFact>(template_, this); }

TRef<ICloneable> TFact::CloneObject() const { return TRef<ICloneable>(Clone().get()); }

int32_t TFact::IndexOf(const TFactSlot& slot) const noexcept {
  const TFactTemplate* factTemplate = template_.get();
  if (!factTemplate || slot.Owner() != factTemplate) return -1;
  return factTemplate->SlotAtIndex(slot.Index()) == &slot ? slot.Index() : -1;
}

IIEValue& TFact::Cell(int32_t index) {
  if (size_t(index) >= values_.size()) {
    const size_t layout = template_ ? size_t(template_->LayoutSize()) : 0;
    values_.resize(std::max(layout, size_t(index) + 1));
  }
  return values_[size_t(index)];
}

void TFact::SetTemplate(const IFactTemplate& factTemplate) {
  if (factTemplate == template_) return;
  if (!factTemplate) {
    values_.clear();
    template_ = nullptr;
    return;
  }
  std::vector<IIEValue> values(size_t(factTemplate->LayoutSize()));
  for (const TFactSlot* slot : factTemplate->Slots()) {
    IIEValue& cell = values[size_t(slot->Index())];
    if (template_) {
      if (const TFactSlot* old = template_->FindSlot(slot->Name())) {
        const int32_t at = IndexOf(*old);
        if (at >= 0 && size_t(at) < values_.size()) cell = std::move(values_[size_t(at)]);
      }
    }
    if (!cell) cell = CopyOf(slot->SlotDefault());
  }
  values_ = std::move(values);
  template_ = factTemplate;
}

const IIEValue& TFact::SlotValue(const TFactSlot& slot) {
  int32_t index = IndexOf(slot);
  if (index < 0) {
    if (!template_) throw EIEException(SFactTemplateMissing);
    const TFactSlot* own = template_->FindSlot(slot.Name());
    if (!own) return NoValue();
    index = own->Index();
  }
  IIEValue& cell = Cell(index);
  if (!cell) {
    if (const TFactSlot* own = template_->SlotAtIndex(index)) cell = CopyOf(own->SlotDefault());
  }
  return cell;
}

IIEValue TFact::GetSlotValue(const std::string& slotName) {
  if (!template_) throw EIEException(SFactTemplateMissing);
  const TFactSlot* slot = template_->FindSlot(slotName);
  return slot ? SlotValue(*slot) : IIEValue();
}

const TIEValue* TFact::PeekSlotValue(const TFactSlot& slot) const {
  int32_t index = IndexOf(slot);
  const TFactSlot* own = &slot;
  if (index < 0) {
    own = template_ ? template_->FindSlot(slot.Name()) : nullptr;
    if (!own) return nullptr;
    index = own->Index();
  }
  if (size_t(index) < values_.size() && values_[size_t(index)]) return values_[size_t(index)].get();
  return own->SlotDefault().get();
}

void TFact::ForEachSlot(
    const std::function<void(const TFactSlot&, const TIEValue*)>& visit) const {
  if (!template_) return;
  for (const TFactSlot* slot : template_->Slots()) visit(*slot, PeekSlotValue(*slot));
}

void TFact::CheckValueType(const TFactSlot& slot, const IIEValue& value) const {
  const IFactEngine* engine = template_->Engine();
  if (!engine || !engine->DynamicTypeCheck()) return;
  TIETypes allowed = slot.SlotType();
  allowed.Include(dtFunCall);
  if (!allowed.Contains(value->DType()))
    throw EIEException(
        Format(SNotAType, {TypeSetText(slot.SlotType()), IETypeName(value->DType())}));
}

void TFact::SetSlotValue(const TFactSlot& slot, const IIEValue& value) {
  if (!template_) throw EIEException(SFactTemplateMissing);
  const TFactSlot* own = IndexOf(slot) >= 0 ? &slot : template_->FindSlot(slot.Name());
  if (!own) throw EIEException(Format(SNoSuchSlotName, {slot.Name()}));
  if (!value) {
    Cell(own->Index()) = NilValue();
    return;
  }
  CheckValueType(*own, value);
  Cell(own->Index()) = value;
}

void TFact::SetSlotValue(const std::string& slotName, const IIEValue& value) {
  if (!template_) throw EIEException(SFactTemplateMissing);
  const TFactSlot* slot = template_->FindSlot(slotName);
  if (!slot) throw EIEException(Format(SNoSuchSlotName, {slotName}));
  SetSlotValue(*slot, value);
}

void TFact::AssignSlots(const TFact& other) {
  if (!template_) throw EIEException(SFactTemplateMissing);
  if (other.template_ != template_)
    throw EIEException(Format(STemplatesDiffer,
                              {template_->Name(),
                               other.template_ ? other.template_->Name() : std::string()}));
  if (&other == this) return;
  std::vector<IIEValue> values;
  values.reserve(other.values_.size());
  for (const IIEValue& value : other.values_) values.push_back(CopyOf(value));
  values_ = std::move(values);
}

void TFact::Assign(const TFact& source) {
  if (&source == this) return;
  const TFactTemplate* theirs = source.template_.get();
  IFactEngine* engine = template_ ? template_->Engine() : nullptr;
  if (theirs && template_ && theirs != template_.get() && theirs->Engine() != engine && engine) {
    // A fact of another engine: carried over by its text through this engine's
    // template of the same name (created from the source's when missing).
    IFactTemplate target = engine->FindFactTemplate(theirs->Name());
    if (!target) {
      target = MakeRef<TFactTemplate>(engine, *theirs, theirs->Comment(), theirs->Name());
      engine->AddFactTemplate(target);
    }
    IFactRef parsed = engine->ParseFact(source.AsText());
    if (parsed) {
      template_ = parsed->template_;
      values_ = std::move(parsed->values_);
      id_ = parsed->id_;
      SetTag(parsed->Tag());
      return;
    }
  }
  template_ = source.template_;
  std::vector<IIEValue> values;
  values.reserve(source.values_.size());
  for (const IIEValue& value : source.values_) values.push_back(CopyOf(value));
  values_ = std::move(values);
  id_ = source.id_;
  SetTag(source.Tag());
}

void TFact::Assign(const ICloneable& source) {
  const auto* fact = dynamic_cast<const TFact*>(&source);
  if (!fact) throw EInvalidCast(SInvalidCast);
  Assign(*fact);
}

bool TFact::Equals(const TCustomFact* other) const {
  if (other == this) return true;
  const auto* fact = dynamic_cast<const TFact*>(other);
  if (!fact || fact->template_ != template_) return false;
  if (!template_) return true;
  for (const TFactSlot* slot : template_->Slots()) {
    const TIEValue* mine = PeekSlotValue(*slot);
    const TIEValue* theirs = fact->PeekSlotValue(*slot);
    if (mine == theirs) continue;
    if (!mine || !theirs || !mine->Equals(theirs)) return false;
  }
  return true;
}

bool TFact::IsEqual(const ICloneable* other) const {
  return Equals(dynamic_cast<const TFact*>(other));
}

int32_t TFact::HashCode() const {
  uint32_t sum = 0;
  ForEachSlot([&](const TFactSlot&, const TIEValue* value) {
    if (value) sum += uint32_t(value->HashCode());
  });
  return int32_t(sum);
}

std::string TFact::AsText() const {
  const IFactEngine* engine = template_ ? template_->Engine() : nullptr;
  return engine ? engine->FactText(*this) : DefaultFactText(*this);
}

std::string TFact::IndexedText() const {
  const IFactEngine* engine = template_ ? template_->Engine() : nullptr;
  if (!engine) return "f-" + std::to_string(id_) + " " + AsText();
  const std::string width = std::to_string(DecimalDigits(engine->NextFactNumber()));
  return Format("%s%" + width + "." + width + "d %s", {"f-", id_, AsText()});
}

// ---------------------------------------------------------------------------
// TSlotReader

const TIEValue* TSlotReader::PeekOther(TCustomFact* fact) const {
  if (!fact) return nullptr;
  held_ = fact->GetSlotValue(name_);
  return held_.get();
}

void TSlotReader::Locate(const TFact& fact) const {
  const TFactTemplate* factTemplate = fact.Template().get();
  const TFactSlot* slot = factTemplate->FindSlot(name_);
  template_ = fact.Template();
  version_ = factTemplate->LayoutVersion();
  index_ = slot ? slot->Index() : -1;
}

const TIEValue* TSlotReader::Peek(TCustomFact* fact, int32_t subIndex) const {
  const TIEValue* value = Peek(fact);
  if (!value || subIndex == -1) return value;
  if (value->DType() != dtList || subIndex < 0) return nullptr;
  TValueVector& list = const_cast<TIEValue*>(value)->ListRef();
  if (subIndex >= list.Count()) return nullptr;
  return list.Get(subIndex).get();
}
