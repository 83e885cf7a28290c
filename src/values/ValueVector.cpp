// TValueVector and TValueHashTable.
#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "values/IEValue.h"
#include "collections/UpdateBracket.h"

// ---------------------------------------------------------------------------
// TValueVector

void TValueVector::AddAll(const TValueVector& other) {
  if (&other == this) {
    const int32_t n = Count();
    for (int32_t i = 0; i < n; ++i) Add(IIEValue(Get(i)));
    return;
  }
  for (int32_t i = 0; i < other.Count(); ++i) Add(other.Get(i));
}

bool TValueVector::Equals(const TValueVector* other) const {
  return EqualsList(other);
}

bool TValueVector::EqualsList(const TIList<TIEValue>* other) const {
  if (!other) return false;
  if (other == this) return true;
  const int32_t n = Count();
  if (other->Count() != n) return false;
  for (int32_t i = 0; i < n; ++i) {
    const TIEValue* a = Get(i).get();
    const TIEValue* b = other->Get(i).get();
    if (!a || !b) {
      if (a != b) return false;
    } else if (!a->Equals(b)) {
      return false;
    }
  }
  return true;
}

std::string TValueVector::AsText() const {
  std::string out;
  AppendText(out);
  return out;
}

void TValueVector::AppendText(std::string& out) const {
  const int32_t n = Count();
  for (int32_t i = 0; i < n; ++i) {
    if (i > 0) out += ' ';
    if (const TIEValue* v = Get(i).get()) v->AppendText(out);
  }
}

int32_t TValueVector::HashCode() const {
  uint32_t sum = 0;
  const int32_t n = Count();
  for (int32_t i = 0; i < n; ++i)
    if (const TIEValue* v = Get(i).get()) sum += uint32_t(v->HashCode());
  return int32_t(sum);
}

void TValueVector::Assign(const ICloneable& source) {
  auto* vector = dynamic_cast<const TValueVector*>(&source);
  if (!vector) throw EInvalidCast(SInvalidCast);
  if (vector == this) {
    // Cloning onto itself: replace every element by a clone of it.
    for (int32_t i = 0; i < Count(); ++i)
      if (const TIEValue* v = Get(i).get()) Put(i, v->Clone());
    return;
  }
  Clear();
  const int32_t n = vector->Count();
  for (int32_t i = 0; i < n; ++i) {
    const TIEValue* v = vector->Get(i).get();
    Add(v ? v->Clone() : IIEValue());
  }
  tag_ = vector->tag_;
}

TRef<ICloneable> TValueVector::CloneObject() const { return TRef<ICloneable>(Clone().get()); }

IValueVector TValueVector::Clone() const {
  IValueVector copy = MakeRef<TValueVector>();
  copy->Assign(static_cast<const ICloneable&>(*this));
  return copy;
}

std::unique_ptr<TIList<TIEValue>> TValueVector::CloneList() const {
  auto copy = std::make_unique<TValueVector>();
  copy->TIList<TIEValue>::Assign(static_cast<const TIList<TIEValue>&>(*this));
  return copy;
}

bool TValueVector::IsEqual(const ICloneable* other) const {
  auto* vector = dynamic_cast<const TValueVector*>(other);
  return vector && Equals(vector);
}

// ---------------------------------------------------------------------------
// TValueHashTable

std::string TValueHashTable::AsText() const {
  std::string out;
  auto keys = Keys();
  while (keys->HasNext()) {
    const std::string name = keys->Next();
    out += name;
    out += " = ";
    if (IIEValue value = Get(name)) value->AppendText(out);
    out += "\r\n";
  }
  return out;
}

void TValueHashTable::Assign(const TPersistent* source) {
  auto* table = dynamic_cast<const TValueHashTable*>(source);
  if (!table) {
    TIStringHashTableOf<TIEValue>::Assign(source);
    return;
  }
  if (table == this) return;
  // A deep copy: every value is cloned, so the two tables share no values.
  WithinUpdate(*this, [&] {
    Clear();
    CopySettings(*table);
    auto keys = table->Keys();
    while (keys->HasNext()) {
      const std::string name = keys->Next();
      IIEValue value = table->Get(name);
      Put(name, value ? value->Clone() : IIEValue());
    }
  });
}
