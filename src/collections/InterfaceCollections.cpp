// The interface table, its enumerator, the interface string list, the list
// iterator and the list errors.
#include "collections/InterfaceCollections.h"

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "collections/UpdateBracket.h"

void RaiseListIndexError(int32_t index) { throw EListError(Format(SListIndexError, {index})); }

void RaiseInterfaceListEmpty() { throw EListError(SInterfaceListEmpty); }

void RaiseAssignError(const std::string& source, const std::string& dest) {
  throw EConvertError(Format(SAssignError, {source, dest}));
}

// ---------------------------------------------------------------------------
// TIStringHashTable

TIStringHashTable::~TIStringHashTable() = default;

std::unique_ptr<TGHashtableEntry> TIStringHashTable::CreateEntry() const {
  return std::make_unique<TIStringHashtableEntry>();
}

TRef<TRefCounted> TIStringHashTable::Get(std::string_view key) const {
  if (count_ == 0) throw EGHashtableError(STableIsEmpty);
  const TKey k = StringKey(key);
  if (k.Number == 0) throw EGHashtableError(SArgumentIsNull);
  const TGHashtableEntry* e = Lookup(k);
  if (!e) throw EGHashtableError(Format(SNoSuchElementKey, {key}));
  return static_cast<const TIStringHashtableEntry*>(e)->Ref;
}

TRefCounted* TIStringHashTable::Find(std::string_view key) const noexcept {
  if (key.empty()) return nullptr;
  const TGHashtableEntry* e = Lookup(StringKey(key));
  return e ? static_cast<const TIStringHashtableEntry*>(e)->Ref.get() : nullptr;
}

void TIStringHashTable::PutValue(std::string_view key, const TRef<TRefCounted>& value,
                                 TRef<TRefCounted>& old) {
  intptr_t oldValue = 0;
  bool existed = false;
  TGHashtableEntry* e =
      PutEntry(StringKey(key), reinterpret_cast<intptr_t>(value.get()), oldValue, existed);
  auto& entry = static_cast<TIStringHashtableEntry&>(*e);
  // The entry's reference moves to Old; the entry then holds Value.
  old = std::move(entry.Ref);
  if (!existed) old = nullptr;
  entry.Ref = value;
  Changed();
}

TRef<TRefCounted> TIStringHashTable::Remove(std::string_view key) {
  std::unique_ptr<TGHashtableEntry> e = UnlinkEntry(StringKey(key), false);
  if (!e) throw EGHashtableError(Format(SNoSuchElementKey, {key}));
  TRef<TRefCounted> value = std::move(static_cast<TIStringHashtableEntry&>(*e).Ref);
  FreeEntry(std::move(e));
  Changed();
  return value;
}

IInterfaceIteratorRef TIStringHashTable::Values() const {
  return IInterfaceIteratorRef(new TIStringHashtableEnumerator(this));
}

void TIStringHashTable::Assign(const TPersistent* source) {
  if (auto* table = dynamic_cast<const TIStringHashTable*>(source)) {
    if (table == this) return;
    Clear();
    CopySettings(*table);
    WithinUpdate(*this, [&] {
      TGHashtableWalker walk(table);
      TRef<TRefCounted> old;
      while (TGHashtableEntry* e = walk.Next())
        PutValue(static_cast<TGStringHashtableEntry*>(e)->Text,
                 static_cast<TIStringHashtableEntry*>(e)->Ref, old);
    });
    return;
  }
  if (auto* list = dynamic_cast<const TIStringList*>(source)) {
    WithinUpdate(*this, [&] {
      Clear();
      TRef<TRefCounted> old;
      for (int32_t i = 0; i < list->Count(); ++i) PutValue(list->Get(i), list->GetInterface(i), old);
    });
    return;
  }
  if (!source) RaiseAssignError("nil", ClassName());
  // A plain string table or string list carries no counted values.
  TPersistent::Assign(source);
}

TRef<TRefCounted> TIStringHashtableEnumerator::Next() {
  TGHashtableEntry* e = walker_.Next();
  if (!e) throw EGHashtableError(SNoSuchElement);
  last_ = static_cast<TIStringHashtableEntry*>(e)->Ref;
  return last_;
}

// ---------------------------------------------------------------------------
// TIStringList

const TRef<TRefCounted>& TIStringList::GetInterface(int32_t index) const {
  return Line(index).Interface;
}

void TIStringList::PutInterface(int32_t index, TRef<TRefCounted> item) {
  CheckIndex(index);
  Changing();
  MutableLine(index).Interface = std::move(item);
  Changed();
}

int32_t TIStringList::AddInterface(const std::string& s, TRef<TRefCounted> item) {
  BeginUpdate();
  int32_t index;
  try {
    index = Add(s);
    MutableLine(index).Interface = std::move(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return index;
}

// ---------------------------------------------------------------------------
// TListIterator

intptr_t TListIterator::Current() const {
  if (index_ < 0 || size_t(index_) >= list_->size()) RaiseListIndexError(index_);
  return reinterpret_cast<intptr_t>((*list_)[size_t(index_)]);
}

intptr_t TListIterator::Next() {
  ++index_;
  if (size_t(index_) >= list_->size()) RaiseListIndexError(index_);
  return reinterpret_cast<intptr_t>((*list_)[size_t(index_)]);
}
