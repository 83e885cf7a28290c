// Containers of reference-counted objects: TIList<T> (an ordered list of TRef<T>
// with a change notification on every add and delete), TIQueue<T>, TIStack<T>,
// TIStringHashTable (string keys, counted values held by the entries) and its
// typed face TIStringHashTableOf<T>, TIStringList (a string list whose lines also
// hold a counted reference) and TListIterator.
// Ownership: a container holds one reference per element and releases it when
// the element leaves. No internal lock: the engine uses these containers under
// its own lock and they sit on hot paths (value vectors), so they are not
// synchronised; one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "collections/CommonInterfaces.h"
#include "collections/GHashtable.h"
#include "collections/RefCount.h"
#include "collections/Structures.h"
#include "core/Persistent.h"

// What happened to an element of a list.
enum TListNotification : uint8_t { lnAdded = 0, lnExtracted = 1, lnDeleted = 2 };

// The errors of the lists, out of line so the templates stay light.
[[noreturn]] void RaiseListIndexError(int32_t index);  // EListError "List index out of bounds (%d)"
[[noreturn]] void RaiseInterfaceListEmpty();           // EListError "list is empty"
// EConvertError "Cannot assign a <source> to a <dest>".
[[noreturn]] void RaiseAssignError(const std::string& source, const std::string& dest);

// ---------------------------------------------------------------------------
// TIList<T>: T derives TRefCounted. Elements may be none. Index errors raise
// EListError "List index out of bounds (%d)".

template <class T>
class TIList : public TPersistent {
 public:
  using TItem = TRef<T>;

  TIList() = default;
  TIList(const TIList&) = delete;
  TIList& operator=(const TIList&) = delete;
  ~TIList() override = default;  // releases the elements without notifying
  std::string ClassName() const override { return "TIList"; }

  int32_t Count() const noexcept { return int32_t(items_.size()); }
  bool IsEmpty() const noexcept { return items_.empty(); }
  void Reserve(int32_t capacity) { items_.reserve(size_t(capacity < 0 ? 0 : capacity)); }

  const TItem& Get(int32_t index) const {
    if (uint32_t(index) >= items_.size()) RaiseListIndexError(index);
    return items_[size_t(index)];
  }
  const TItem& Items(int32_t index) const { return Get(index); }
  const TItem& operator[](int32_t index) const { return Get(index); }
  // Replaces the element at Index (no notification).
  void Put(int32_t index, TItem item) {
    if (uint32_t(index) >= items_.size()) RaiseListIndexError(index);
    items_[size_t(index)] = std::move(item);
  }

  // Appends Item, then Notify (Item, lnAdded). Returns its index.
  int32_t Add(TItem item) {
    items_.push_back(std::move(item));
    const int32_t index = int32_t(items_.size()) - 1;
    Notify(items_.back(), lnAdded);
    return index;
  }
  // Inserts Item at Index (0 .. Count), then Notify (Item, lnAdded).
  void Insert(int32_t index, TItem item) {
    if (uint32_t(index) > items_.size()) RaiseListIndexError(index);
    auto it = items_.insert(items_.begin() + index, std::move(item));
    Notify(*it, lnAdded);
  }
  // Removes the element, Notify (Item, lnDeleted), then releases it.
  void Delete(int32_t index) {
    if (uint32_t(index) >= items_.size()) RaiseListIndexError(index);
    TItem item = std::move(items_[size_t(index)]);
    items_.erase(items_.begin() + index);
    Notify(item, lnDeleted);
  }
  // Deletes index 0 repeatedly: every element is notified, first first.
  void Clear() {
    while (!items_.empty()) Delete(0);
    items_.shrink_to_fit();
  }
  // The index of the element identical to Item, or -1.
  int32_t IndexOf(const T* item) const noexcept {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i].get() == item) return int32_t(i);
    return -1;
  }
  int32_t IndexOf(const TItem& item) const noexcept { return IndexOf(item.get()); }
  // Deletes the first element identical to Item; its former index or -1.
  int32_t Remove(const T* item) {
    const int32_t index = IndexOf(item);
    if (index >= 0) Delete(index);
    return index;
  }
  int32_t Remove(const TItem& item) { return Remove(item.get()); }
  void Exchange(int32_t a, int32_t b) {
    if (uint32_t(a) >= items_.size()) RaiseListIndexError(a);
    if (uint32_t(b) >= items_.size()) RaiseListIndexError(b);
    std::swap(items_[size_t(a)], items_[size_t(b)]);
  }
  const TItem& First() const { return Get(0); }
  const TItem& Last() const { return Get(Count() - 1); }

  // Clear, then Add every element of Source in order (sharing them).
  void Assign(const TIList& source) {
    if (&source == this) return;
    Clear();
    items_.reserve(source.items_.size());
    for (const TItem& item : source.items_) Add(item);
  }
  // From a TIList<T>; none raises EConvertError "Cannot assign a nil to a ...".
  void Assign(const TPersistent* source) override {
    if (!source) RaiseAssignError("nil", ClassName());
    if (auto* list = dynamic_cast<const TIList*>(source)) {
      Assign(*list);
      return;
    }
    TPersistent::Assign(source);
  }
  // Always raises EConvertError "Cannot assign a <this> to a <Dest>".
  void AssignTo(TPersistent& dest) const override { RaiseAssignError(ClassName(), dest.ClassName()); }
  // A new list of the same class holding the same elements. Descendants with
  // other constructors override it.
  virtual std::unique_ptr<TIList> CloneList() const {
    auto copy = std::make_unique<TIList>();
    copy->Assign(*this);
    return copy;
  }

  // Range access for loops (read-only).
  auto begin() const noexcept { return items_.begin(); }
  auto end() const noexcept { return items_.end(); }

 protected:
  // Called after an element was added and after one was deleted (it is still
  // referenced during the call). Does nothing here.
  virtual void Notify(const TItem& item, TListNotification action) {
    (void)item;
    (void)action;
  }

  std::vector<TItem> items_;
};

// First in, first out. Pop and Peek on an empty queue raise EListError
// "list is empty".
template <class T>
class TIQueue : public TIList<T> {
 public:
  std::string ClassName() const override { return "TIQueue"; }
  void Push(TRef<T> item) { this->Add(std::move(item)); }
  virtual TRef<T> Pop() {
    TRef<T> item = Peek();
    this->Delete(0);
    return item;
  }
  virtual TRef<T> Peek() const {
    if (this->IsEmpty()) RaiseInterfaceListEmpty();
    return this->items_.front();
  }
};

// Last in, first out.
template <class T>
class TIStack : public TIQueue<T> {
 public:
  std::string ClassName() const override { return "TIStack"; }
  TRef<T> Pop() override {
    TRef<T> item = Peek();
    this->Delete(this->Count() - 1);
    return item;
  }
  TRef<T> Peek() const override {
    if (this->IsEmpty()) RaiseInterfaceListEmpty();
    return this->items_.back();
  }
};

// ---------------------------------------------------------------------------
// TIStringHashTable: string keys, counted values. Each entry holds one
// reference, released when the entry is freed (also from the destructor).

class TIStringHashtableEntry : public TGStringHashtableEntry {
 public:
  TRef<TRefCounted> Ref;  // Value mirrors Ref.get()
};

class TIStringHashTable : public TGStringHashtable {
 public:
  explicit TIStringHashTable(uint32_t capacity = 101, float loadFactor = 0.75f)
      : TGStringHashtable(capacity, loadFactor) {}
  ~TIStringHashTable() override;
  std::string ClassName() const override { return "TIStringHashTable"; }

  // Raises EGHashtableError "Table is empty" / "No such element: <key>".
  TRef<TRefCounted> Get(std::string_view key) const;
  // The object stored under Key or nullptr; never raises, never allocates.
  TRefCounted* Find(std::string_view key) const noexcept;
  // The put of this table: "" raises "Argument is null"; an existing key gets
  // Value and Old the previous object; else Old is none and a new entry is
  // added. The change notification follows. Descendants apply duplicate rules.
  virtual void PutValue(std::string_view key, const TRef<TRefCounted>& value,
                        TRef<TRefCounted>& old);
  void Put(std::string_view key, const TRef<TRefCounted>& value) {
    TRef<TRefCounted> old;
    PutValue(key, value, old);
  }
  // Unlinks the entry and returns its object. Raises "Table is empty",
  // "Argument is null" ("") or "No such element: <key>".
  TRef<TRefCounted> Remove(std::string_view key);
  // An enumerator over the stored objects, in iteration order.
  IInterfaceIteratorRef Values() const;

  // From another TIStringHashTable: copy the settings, Clear, then PutValue
  // every key with its object in Source's iteration order (one notification).
  // From a TIStringList: every string with its interface. Else as the base.
  void Assign(const TPersistent* source) override;

 protected:
  std::unique_ptr<TGHashtableEntry> CreateEntry() const override;
};

// The enumerator over a TIStringHashTable's objects. Past the end Next raises
// EGHashtableError "No such element".
class TIStringHashtableEnumerator : public IInterfaceIterator {
 public:
  explicit TIStringHashtableEnumerator(const TIStringHashTable* table) noexcept
      : walker_(table) {}
  TRef<TRefCounted> Current() const override { return last_; }
  int32_t Remaining() const override { return walker_.Remaining(); }
  bool HasNext() override { return walker_.HasMore(); }
  TRef<TRefCounted> Next() override;
  void Reset() override {
    walker_.Reset();
    last_ = nullptr;
  }

 private:
  TGHashtableWalker walker_;
  TRef<TRefCounted> last_;
};

// The typed face of TIStringHashTable for registries of one class T (T derives
// TRefCounted). Objects put through the untyped operations must be T's.
template <class T>
class TIStringHashTableOf : public TIStringHashTable {
 public:
  using TIStringHashTable::TIStringHashTable;
  std::string ClassName() const override { return "TIStringHashTableOf"; }

  TRef<T> Get(std::string_view key) const {
    return TRef<T>(static_cast<T*>(TIStringHashTable::Get(key).get()));
  }
  T* Find(std::string_view key) const noexcept {
    return static_cast<T*>(TIStringHashTable::Find(key));
  }
  void Put(std::string_view key, const TRef<T>& value) {
    TIStringHashTable::Put(key, TRef<TRefCounted>(value.get()));
  }
  // Puts Value and returns the object it replaced (none when Key was new).
  TRef<T> Exchange(std::string_view key, const TRef<T>& value) {
    TRef<TRefCounted> old;
    PutValue(key, TRef<TRefCounted>(value.get()), old);
    return TRef<T>(static_cast<T*>(old.get()));
  }
  TRef<T> Remove(std::string_view key) {
    return TRef<T>(static_cast<T*>(TIStringHashTable::Remove(key).get()));
  }
};

// ---------------------------------------------------------------------------
// TIStringList: a TGStringList whose lines also hold a counted reference (kept
// while the line exists). See TGStringList for the list operations.

class TIStringList : public TGStringList {
 public:
  std::string ClassName() const override { return "TIStringList"; }
  const TRef<TRefCounted>& GetInterface(int32_t index) const;
  void PutInterface(int32_t index, TRef<TRefCounted> item);
  // Adds S (under the sorting rules) and stores Item on its line.
  int32_t AddInterface(const std::string& s, TRef<TRefCounted> item);
};

// ---------------------------------------------------------------------------
// TListIterator: an iterator over a plain pointer list (not owned, must outlive
// the iterator). Index starts at -1.

class TListIterator : public IIterator {
 public:
  explicit TListIterator(const std::vector<void*>* list) noexcept : list_(list) {}
  // The element at Index (EListError when Index is outside the list).
  intptr_t Current() const override;
  // The list's Count.
  int32_t Remaining() const override { return int32_t(list_->size()); }
  bool HasNext() override { return index_ < int32_t(list_->size()) - 1; }
  intptr_t Next() override;
  void Reset() override { index_ = -1; }

 private:
  const std::vector<void*>* list_;
  int32_t index_ = -1;
};
