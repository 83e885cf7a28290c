// Chained hashtables behind every name registry: TGCustomHashtable (buckets,
// growth, the four decimal-digit index functions, the built-in cursor),
// TGHashtable (32-bit keys) and TGStringHashtable (string keys).
// Values are intptr_t: a pointer, an object or an integer. The table owns its
// entries; what a value refers to is owned by the caller unless a descendant
// frees it in FreeValue or holds it in its own entry class (CreateEntry).
// Iteration order: buckets from the highest index down, each chain newest first.
// Not synchronised: the engine uses its tables under its own lock. An
// enumerator refers to its table and must not outlive it nor be used across a
// change of the table.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "collections/BlockPool.h"
#include "collections/CommonInterfaces.h"
#include "core/Persistent.h"

enum TGHashType : uint8_t { htTruncation, htDivision, htMidSquare, htFolding };

// The names of TGHashType, in ordinal order (the HashType property's names).
const std::vector<std::string>& GHashTypeNames();

// One entry of a bucket chain. Key is the 32-bit key of a TGHashtable, or the
// cached string number of a string entry (so rehashing never rehashes text).
// Descendants may add payload; the virtual destructor releases it.
class TGHashtableEntry {
 public:
  virtual ~TGHashtableEntry() = default;
  int32_t Index = 0;  // the bucket this entry lives in
  int32_t Key = 0;
  intptr_t Value = 0;
  TGHashtableEntry* Next = nullptr;
};

// Pooled: a rule firing's bindings make and free one per variable.
class TGStringHashtableEntry : public TGHashtableEntry, public TPooledObject<TGStringHashtableEntry> {
 public:
  std::string Text;  // the key itself; Key holds its string number
};

class TGCustomHashtable;

// A forward walk over a table's entries in iteration order; the shared core of
// the enumerators and of the built-in cursor. Does not allocate.
class TGHashtableWalker {
 public:
  explicit TGHashtableWalker(const TGCustomHashtable* table) noexcept : table_(table) { Reset(); }
  // True while an entry is left; moves down to the next non-empty bucket.
  bool HasMore() noexcept;
  // The next entry, or nullptr when none is left.
  TGHashtableEntry* Next() noexcept;
  void Reset() noexcept;
  int32_t Remaining() const noexcept { return remaining_; }
  // Keeps the walk valid when Entry is about to be unlinked.
  void Forget(const TGHashtableEntry* entry) noexcept {
    if (current_ == entry) current_ = entry->Next;
  }

 private:
  const TGCustomHashtable* table_;
  int64_t bucket_ = 0;  // the next bucket to look at is bucket_ - 1
  TGHashtableEntry* current_ = nullptr;
  int32_t remaining_ = 0;
};

class TGCustomHashtable : public TPersistent {
 public:
  using TChangeEvent = std::function<void(TGCustomHashtable&)>;

  // Raises EGHashtableError "Load factor must be greater than 0" for a
  // non-positive LoadFactor. The registries use (101, 0.75).
  explicit TGCustomHashtable(uint32_t capacity = 101, float loadFactor = 0.75f);
  ~TGCustomHashtable() override;
  TGCustomHashtable(const TGCustomHashtable&) = delete;
  TGCustomHashtable& operator=(const TGCustomHashtable&) = delete;
  std::string ClassName() const override { return "TGCustomHashtable"; }

  int32_t Count() const noexcept { return count_; }
  bool IsEmpty() const noexcept { return count_ == 0; }
  int32_t Collisions() const noexcept { return collisions_; }
  uint32_t Capacity() const noexcept { return capacity_; }
  // Only grows a non-empty table (else "Cannot perform this operation with
  // non-empty table"); rehashes every entry into the new buckets.
  void SetCapacity(uint32_t capacity);
  TGHashType HashType() const noexcept { return hashType_; }
  // Changing it on a non-empty table raises "Cannot perform this operation with
  // non-empty table"; setting the current value always succeeds.
  void SetHashType(TGHashType hashType);
  float LoadFactor() const noexcept { return loadFactor_; }
  // No rehash. A non-positive value raises "Load factor must be greater than 0".
  void SetLoadFactor(float loadFactor);
  // Capacity x LoadFactor rounded to the nearest integer (halves to even).
  int64_t Threshold() const noexcept { return threshold_; }

  // Raised after each change outside an update bracket (not streamed).
  TChangeEvent OnChange;
  IHashTableOwner* Owner() const noexcept { return owner_; }
  void SetOwner(IHashTableOwner* owner) noexcept { owner_ = owner; }

  // The bucket index of a 32-bit number by HashType; 0 raises "Argument is
  // null", a zero capacity EDivByZero.
  virtual int32_t Hash(int32_t key, uint32_t capacity) const;
  int32_t DivisionHash(int32_t number, uint32_t capacity) const;
  int32_t TruncationHash(int32_t number, uint32_t capacity) const;
  int32_t MidSquareHash(int32_t number, uint32_t capacity) const;
  int32_t FoldingHash(int32_t number, uint32_t capacity) const;

  bool ContainsValue(intptr_t value) const noexcept;
  void BeginUpdate() noexcept { ++updateCount_; }
  // Raises the change notification when it closes the outermost bracket.
  void EndUpdate();
  int32_t UpdateCount() const noexcept { return updateCount_; }
  // Frees every entry and notifies; nothing at all on an empty table.
  virtual void Clear();

  // The built-in cursor over the keys: First restarts it; the typed
  // NextElement of the concrete classes returns the next key; Eof is true when
  // no key is left.
  void First() noexcept { cursor_.Reset(); }
  bool Eof() noexcept { return !cursor_.HasMore(); }

  // An enumerator over the values (each as intptr_t).
  IIteratorRef Elements() const;

  // Counts every change of the entries (one added, removed or given another
  // value; all dropped at once), so that a descendant keeping its own index
  // of the entries can tell whether the table changed behind its back.
  uint64_t ChangeStamp() const noexcept { return changeStamp_; }

  // Capacity (default 101), HashType (default htDivision), LoadFactor.
  void Properties(std::vector<TProperty>& props) override;

 protected:
  friend class TGHashtableWalker;

  // A lookup key: the 32-bit number and, for string tables, the text.
  struct TKey {
    int32_t Number = 0;
    std::string_view Text;
    bool IsString = false;
  };

  // The entry factory; string tables return TGStringHashtableEntry.
  virtual std::unique_ptr<TGHashtableEntry> CreateEntry() const;
  // Called with the value of each entry freed by Remove or Clear. Base: nothing.
  // Not reached from the base destructor: a descendant that frees values here
  // clears the table in its own destructor.
  virtual void FreeValue(intptr_t value);

  // The entry of Key, or nullptr (also for an empty table or a zero number).
  TGHashtableEntry* Lookup(const TKey& key) const noexcept;
  // The put of the Algorithms without the notification: null key raises
  // "Argument is null"; an existing entry gets Value (Existed true, Old its
  // former value), else a new entry goes in front of its bucket (growing as
  // needed). Returns the entry; the caller calls Changed().
  TGHashtableEntry* PutEntry(const TKey& key, intptr_t value, intptr_t& old, bool& existed);
  // Checks ("Table is empty", "Argument is null"), tells the owner, unlinks
  // the entry and returns it; the caller frees it and calls Changed(). An
  // absent key raises "No such element", or returns nullptr when
  // RaiseWhenAbsent is false.
  std::unique_ptr<TGHashtableEntry> UnlinkEntry(const TKey& key, bool raiseWhenAbsent = true);
  // Frees an unlinked entry, passing its value to FreeValue first.
  void FreeEntry(std::unique_ptr<TGHashtableEntry> entry);
  // Grow: Capacity := Capacity x 2 + 1.
  void Grow();
  // The change notification (owner, then OnChange) unless inside an update.
  void Changed();
  // The cursor's next entry or nullptr.
  TGHashtableEntry* CursorNext() noexcept { return cursor_.Next(); }
  // Copies LoadFactor, Capacity and HashType of Source after a Clear.
  void CopySettings(const TGCustomHashtable& source);

  uint32_t capacity_ = 0;
  int32_t collisions_ = 0;
  int32_t count_ = 0;
  TGHashType hashType_ = htDivision;
  int32_t updateCount_ = 0;
  float loadFactor_ = 0.75f;
  int64_t threshold_ = 0;
  IHashTableOwner* owner_ = nullptr;
  std::vector<TGHashtableEntry*> buckets_;  // chains of owned entries
  uint64_t changeStamp_ = 0;

 private:
  void UpdateThreshold() noexcept;
  void FreeAllEntries() noexcept;
  TGHashtableWalker cursor_{this};
};

// The enumerator of a table's keys (as intptr_t) or values.
class TGHashtableEnumerator : public IIterator {
 public:
  TGHashtableEnumerator(const TGCustomHashtable* table, bool keys) noexcept
      : walker_(table), keys_(keys) {}
  intptr_t Current() const override { return last_; }
  int32_t Remaining() const override { return walker_.Remaining(); }
  bool HasNext() override { return walker_.HasMore(); }
  // Raises EGHashtableError "No such element" past the end.
  intptr_t Next() override;
  void Reset() override {
    walker_.Reset();
    last_ = 0;
  }

 protected:
  TGHashtableWalker walker_;
  bool keys_;
  intptr_t last_ = 0;
};

// The enumerator of a string table's keys. Built over values (Keys false),
// Next raises "Illegal NextElement Call, must be iterating over the keys".
class TGStringHashTableEnumerator : public IStringIterator {
 public:
  TGStringHashTableEnumerator(const TGCustomHashtable* table, bool keys = true) noexcept
      : walker_(table), keys_(keys) {}
  std::string Current() const override { return last_; }
  int32_t Remaining() const override { return walker_.Remaining(); }
  bool HasNext() override { return walker_.HasMore(); }
  std::string Next() override;
  void Reset() override {
    walker_.Reset();
    last_.clear();
  }

 protected:
  TGHashtableWalker walker_;
  bool keys_;
  std::string last_;
};

// 32-bit keys (0 is the null key).
class TGHashtable : public TGCustomHashtable {
 public:
  using TGCustomHashtable::TGCustomHashtable;
  std::string ClassName() const override { return "TGHashtable"; }

  // False on an empty table; a zero key raises "Argument is null".
  bool ContainsKey(int32_t key) const;
  // Raises "Table is empty" / "No such element".
  intptr_t Get(int32_t key) const;
  // The value of Key or nullptr; never raises, never allocates.
  const intptr_t* Find(int32_t key) const noexcept;
  // Returns the previous value of Key, or 0 when it was absent.
  intptr_t Put(int32_t key, intptr_t value);
  // Returns the removed value; raises "Table is empty", "Argument is null",
  // "No such element".
  intptr_t Remove(int32_t key);
  // The built-in cursor's next key (0 past the end).
  int32_t NextElement() noexcept;
  // A fresh enumerator over the keys.
  IIteratorRef Keys() const;

  // From another TGHashtable: Clear, copy LoadFactor, Capacity and HashType,
  // then put every entry of Source in its iteration order (one notification).
  void Assign(const TPersistent* source) override;
  // Into a TGLinkedList: its items become the keys (as pointers), in order.
  void AssignTo(TPersistent& dest) const override;
};

// String keys, compared exactly. The empty string is the null key.
class TGStringHashtable : public TGCustomHashtable {
 public:
  using TGCustomHashtable::TGCustomHashtable;
  std::string ClassName() const override { return "TGStringHashtable"; }

  // The string number: h*37+byte over all bytes below 16 bytes, else h*39+byte
  // over the bytes at 1-based positions 1, 1+L/8, 1+2L/8, ... (wrapping).
  static uint32_t StringNumber(std::string_view text) noexcept;

  // False for the empty string and on an empty table.
  bool ContainsKey(std::string_view key) const;
  // Raises "Table is empty" / "No such element".
  intptr_t Get(std::string_view key) const;
  // The value of Key or nullptr; never raises, never allocates.
  const intptr_t* Find(std::string_view key) const noexcept;
  // The same with Key's StringNumber worked out by the caller: a name looked
  // up in several tables is hashed once.
  const intptr_t* Find(std::string_view key, uint32_t number) const noexcept;
  // Returns the previous value of Key, or 0; "" raises "Argument is null".
  intptr_t Put(std::string_view key, intptr_t value);
  // Returns the removed value (already passed to FreeValue).
  intptr_t Remove(std::string_view key);
  // The built-in cursor's next key ("" past the end).
  std::string NextElement();
  // A fresh enumerator over the keys.
  IStringIteratorRef Keys() const;

  // From another TGStringHashtable (as TGHashtable::Assign) or from a
  // TGStringList (in one update bracket: Clear, then every string with its
  // Object as value, in list order).
  void Assign(const TPersistent* source) override;
  // Into a TGStringList: every key with its value as Object, in iteration order.
  void AssignTo(TPersistent& dest) const override;

 protected:
  std::unique_ptr<TGHashtableEntry> CreateEntry() const override;
  // The lookup key of Text; Number 0 for the empty string.
  static TKey StringKey(std::string_view text) noexcept {
    return TKey{int32_t(StringNumber(text)), text, true};
  }
};
