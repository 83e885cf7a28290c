// The chained hashtables: buckets, growth, index functions, cursor, enumerators.
#include "collections/GHashtable.h"

#include <cmath>

#include "collections/GLists.h"
#include "collections/Structures.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "collections/UpdateBracket.h"

namespace {

[[noreturn]] void RaiseHashtableError(const char* message) { throw EGHashtableError(message); }

// The decimal digits of N (N >= 0) into Buf; returns their count.
int DecimalDigits(uint64_t n, char* buf) {
  char tmp[24];
  int len = 0;
  do {
    tmp[len++] = char('0' + n % 10);
    n /= 10;
  } while (n != 0);
  for (int i = 0; i < len; ++i) buf[i] = tmp[len - 1 - i];
  return len;
}

uint64_t DigitsValue(const char* digits, int len) {
  uint64_t v = 0;
  for (int i = 0; i < len; ++i) v = v * 10 + uint64_t(digits[i] - '0');
  return v;
}

int DigitCount(uint64_t n) {
  int d = 1;
  while (n >= 10) {
    n /= 10;
    ++d;
  }
  return d;
}

void CheckCapacity(uint32_t capacity) {
  if (capacity == 0) throw EDivByZero(SDivByZero);
}

}  // namespace

const std::vector<std::string>& GHashTypeNames() {
  static const std::vector<std::string> names{"htTruncation", "htDivision", "htMidSquare",
                                              "htFolding"};
  return names;
}

// ---------------------------------------------------------------------------
// TGHashtableWalker

void TGHashtableWalker::Reset() noexcept {
  bucket_ = table_->capacity_;
  current_ = nullptr;
  remaining_ = table_->count_;
}

bool TGHashtableWalker::HasMore() noexcept {
  if (current_) return true;
  while (bucket_ > 0) {
    --bucket_;
    if (size_t(bucket_) < table_->buckets_.size() && table_->buckets_[size_t(bucket_)]) {
      current_ = table_->buckets_[size_t(bucket_)];
      return true;
    }
  }
  return false;
}

TGHashtableEntry* TGHashtableWalker::Next() noexcept {
  if (!HasMore()) return nullptr;
  TGHashtableEntry* entry = current_;
  current_ = entry->Next;
  --remaining_;
  return entry;
}

// ---------------------------------------------------------------------------
// TGCustomHashtable

TGCustomHashtable::TGCustomHashtable(uint32_t capacity, float loadFactor) {
  if (!(loadFactor > 0.0f)) RaiseHashtableError(SNonPositiveLoadFactor);
  loadFactor_ = loadFactor;
  SetCapacity(capacity);
  cursor_.Reset();
}

TGCustomHashtable::~TGCustomHashtable() {
  OnChange = nullptr;
  owner_ = nullptr;
  FreeAllEntries();
}

void TGCustomHashtable::UpdateThreshold() noexcept {
  // Round to nearest, an exact half to the even neighbour.
  threshold_ = int64_t(std::nearbyint(double(capacity_) * double(loadFactor_)));
}

void TGCustomHashtable::SetCapacity(uint32_t capacity) {
  if (capacity < capacity_ && count_ > 0) RaiseHashtableError(SNonEmptyTable);
  if (capacity == capacity_) return;
  if (capacity == 0) {
    FreeAllEntries();
    buckets_.clear();
    buckets_.shrink_to_fit();
    capacity_ = 0;
    collisions_ = 0;
    count_ = 0;
    UpdateThreshold();
    return;
  }
  // Compute every new index first, so a failure leaves the table unchanged.
  std::vector<TGHashtableEntry*> fresh(capacity, nullptr);
  std::vector<int32_t> indexes;
  indexes.reserve(size_t(count_));
  for (size_t b = buckets_.size(); b-- > 0;)
    for (TGHashtableEntry* e = buckets_[b]; e; e = e->Next) {
      const int32_t i = Hash(e->Key, capacity);
      if (i < 0 || uint32_t(i) >= capacity) RaiseHashtableError(SSubscriptOutOfRange);
      indexes.push_back(i);
    }
  int32_t collisions = 0;
  size_t k = 0;
  for (size_t b = buckets_.size(); b-- > 0;) {
    TGHashtableEntry* e = buckets_[b];
    while (e) {
      TGHashtableEntry* next = e->Next;
      const int32_t i = indexes[k++];
      e->Index = i;
      if (fresh[size_t(i)]) ++collisions;
      e->Next = fresh[size_t(i)];
      fresh[size_t(i)] = e;
      e = next;
    }
  }
  buckets_.swap(fresh);
  capacity_ = capacity;
  collisions_ = collisions;
  UpdateThreshold();
}

void TGCustomHashtable::SetHashType(TGHashType hashType) {
  if (hashType == hashType_) return;
  if (count_ > 0) RaiseHashtableError(SNonEmptyTable);
  hashType_ = hashType;
}

void TGCustomHashtable::SetLoadFactor(float loadFactor) {
  if (!(loadFactor > 0.0f)) RaiseHashtableError(SNonPositiveLoadFactor);
  if (loadFactor == loadFactor_) return;
  loadFactor_ = loadFactor;
  UpdateThreshold();
}

int32_t TGCustomHashtable::Hash(int32_t key, uint32_t capacity) const {
  if (key == 0) RaiseHashtableError(SArgumentIsNull);
  switch (hashType_) {
    case htDivision:
      return DivisionHash(key, capacity);
    case htTruncation:
      return TruncationHash(key, capacity);
    case htMidSquare:
      return MidSquareHash(key, capacity);
    case htFolding:
      return FoldingHash(key, capacity);
  }
  RaiseHashtableError(SSubscriptOutOfRange);
}

int32_t TGCustomHashtable::DivisionHash(int32_t number, uint32_t capacity) const {
  CheckCapacity(capacity);
  return int32_t((uint32_t(number) & 0x7FFFFFFFu) % capacity);
}

int32_t TGCustomHashtable::TruncationHash(int32_t number, uint32_t capacity) const {
  CheckCapacity(capacity);
  char digits[24];
  int len = DecimalDigits(uint32_t(number) & 0x7FFFFFFFu, digits);
  const int d = DigitCount(capacity);
  const char* start = digits;
  if (len > d) {
    start = digits + (len - d);
    len = d;
  }
  return int32_t(DigitsValue(start, len) % capacity);
}

int32_t TGCustomHashtable::MidSquareHash(int32_t number, uint32_t capacity) const {
  CheckCapacity(capacity);
  const uint32_t square = (uint32_t(number) * uint32_t(number)) & 0x7FFFFFFFu;
  char digits[24];
  const int len = DecimalDigits(square, digits);
  const int h = len / 2;
  const int d = DigitCount(capacity);
  if (d < h) return int32_t(DigitsValue(digits + (len - h), d) % capacity);
  return int32_t(DigitsValue(digits, len) % capacity);
}

int32_t TGCustomHashtable::FoldingHash(int32_t number, uint32_t capacity) const {
  CheckCapacity(capacity);
  char digits[24];
  const int len = DecimalDigits(uint32_t(number) & 0x7FFFFFFFu, digits);
  char kept[24];
  int n = 0;
  for (int p = 0; p < len; ++p)
    if (p % 2 == 0 || p % 3 == 0) kept[n++] = digits[p];
  return int32_t(DigitsValue(kept, n) % capacity);
}

bool TGCustomHashtable::ContainsValue(intptr_t value) const noexcept {
  for (size_t b = buckets_.size(); b-- > 0;)
    for (const TGHashtableEntry* e = buckets_[b]; e; e = e->Next)
      if (e->Value == value) return true;
  return false;
}

void TGCustomHashtable::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0) Changed();
}

void TGCustomHashtable::Changed() {
  if (updateCount_ > 0) return;
  if (owner_) owner_->Changed(*this);
  if (OnChange) OnChange(*this);
}

std::unique_ptr<TGHashtableEntry> TGCustomHashtable::CreateEntry() const {
  return std::make_unique<TGHashtableEntry>();
}

void TGCustomHashtable::FreeValue(intptr_t) {}

void TGCustomHashtable::FreeEntry(std::unique_ptr<TGHashtableEntry> entry) {
  if (entry) FreeValue(entry->Value);
}

void TGCustomHashtable::FreeAllEntries() noexcept {
  ++changeStamp_;
  for (size_t b = buckets_.size(); b-- > 0;) {
    TGHashtableEntry* e = buckets_[b];
    buckets_[b] = nullptr;
    while (e) {
      std::unique_ptr<TGHashtableEntry> owned(e);
      e = e->Next;
    }
  }
  count_ = 0;
  collisions_ = 0;
}

void TGCustomHashtable::Clear() {
  if (count_ == 0) return;
  if (owner_) owner_->BeforeClear(*this);
  // Unlink everything first, so FreeValue sees a consistent (empty) table:
  // the chains are strung into one, in iteration order, without allocating.
  TGHashtableEntry* chain = nullptr;
  TGHashtableEntry** tail = &chain;
  for (size_t b = buckets_.size(); b-- > 0;) {
    if (TGHashtableEntry* first = buckets_[b]) {
      *tail = first;
      while (*tail) tail = &(*tail)->Next;
      buckets_[b] = nullptr;
    }
  }
  count_ = 0;
  collisions_ = 0;
  ++changeStamp_;
  while (chain) {
    std::unique_ptr<TGHashtableEntry> owned(chain);
    chain = chain->Next;
    FreeValue(owned->Value);
  }
  cursor_.Reset();
  Changed();
}

void TGCustomHashtable::Grow() { SetCapacity(capacity_ * 2 + 1); }

TGHashtableEntry* TGCustomHashtable::Lookup(const TKey& key) const noexcept {
  if (count_ == 0 || key.Number == 0 || capacity_ == 0) return nullptr;
  int32_t i;
  try {
    i = Hash(key.Number, capacity_);
  } catch (...) {
    return nullptr;
  }
  if (i < 0 || uint32_t(i) >= capacity_) return nullptr;
  for (TGHashtableEntry* e = buckets_[size_t(i)]; e; e = e->Next) {
    if (e->Index != i || e->Key != key.Number) continue;
    if (key.IsString && static_cast<const TGStringHashtableEntry*>(e)->Text != key.Text) continue;
    return e;
  }
  return nullptr;
}

TGHashtableEntry* TGCustomHashtable::PutEntry(const TKey& key, intptr_t value, intptr_t& old,
                                              bool& existed) {
  if (key.Number == 0) RaiseHashtableError(SArgumentIsNull);
  if (owner_) owner_->BeforePut(*this, key.Number, value);
  for (;;) {
    const int32_t i = Hash(key.Number, capacity_);
    if (i < 0 || uint32_t(i) >= capacity_) RaiseHashtableError(SSubscriptOutOfRange);
    for (TGHashtableEntry* e = buckets_[size_t(i)]; e; e = e->Next) {
      if (e->Index != i || e->Key != key.Number) continue;
      if (key.IsString && static_cast<TGStringHashtableEntry*>(e)->Text != key.Text) continue;
      old = e->Value;
      e->Value = value;
      existed = true;
      ++changeStamp_;
      return e;
    }
    if (threshold_ > count_) {
      std::unique_ptr<TGHashtableEntry> entry = CreateEntry();
      entry->Index = i;
      entry->Key = key.Number;
      if (key.IsString) static_cast<TGStringHashtableEntry&>(*entry).Text.assign(key.Text);
      entry->Value = value;
      entry->Next = buckets_[size_t(i)];
      if (entry->Next) ++collisions_;
      buckets_[size_t(i)] = entry.release();
      ++count_;
      ++changeStamp_;
      old = 0;
      existed = false;
      return buckets_[size_t(i)];
    }
    Grow();
  }
}

std::unique_ptr<TGHashtableEntry> TGCustomHashtable::UnlinkEntry(const TKey& key,
                                                                 bool raiseWhenAbsent) {
  if (count_ == 0) RaiseHashtableError(STableIsEmpty);
  if (key.Number == 0) RaiseHashtableError(SArgumentIsNull);
  if (owner_) owner_->BeforeRemove(*this, key.Number);
  const int32_t i = Hash(key.Number, capacity_);
  if (i < 0 || uint32_t(i) >= capacity_) RaiseHashtableError(SSubscriptOutOfRange);
  TGHashtableEntry* prev = nullptr;
  for (TGHashtableEntry* e = buckets_[size_t(i)]; e; prev = e, e = e->Next) {
    if (e->Index != i || e->Key != key.Number) continue;
    if (key.IsString && static_cast<TGStringHashtableEntry*>(e)->Text != key.Text) continue;
    if (prev) {
      prev->Next = e->Next;
      --collisions_;
    } else {
      buckets_[size_t(i)] = e->Next;
      if (e->Next) --collisions_;
    }
    cursor_.Forget(e);
    e->Next = nullptr;
    --count_;
    ++changeStamp_;
    return std::unique_ptr<TGHashtableEntry>(e);
  }
  if (!raiseWhenAbsent) return nullptr;
  RaiseHashtableError(SNoSuchElement);
}

void TGCustomHashtable::CopySettings(const TGCustomHashtable& source) {
  SetLoadFactor(source.loadFactor_);
  SetCapacity(source.capacity_);
  SetHashType(source.hashType_);
}

IIteratorRef TGCustomHashtable::Elements() const {
  return IIteratorRef(new TGHashtableEnumerator(this, false));
}

void TGCustomHashtable::Properties(std::vector<TProperty>& props) {
  TPersistent::Properties(props);
  TProperty capacity;
  capacity.Name = "Capacity";
  capacity.Kind = pkInteger;
  capacity.Get = [this] { return TPropertyValue(int64_t(capacity_)); };
  capacity.Set = [this](const TPropertyValue& v) {
    if (auto* n = std::get_if<int64_t>(&v)) SetCapacity(uint32_t(*n));
  };
  capacity.Default = TPropertyValue(int64_t(101));
  props.push_back(std::move(capacity));

  TProperty hashType;
  hashType.Name = "HashType";
  hashType.Kind = pkEnum;
  hashType.EnumNames = &GHashTypeNames();
  hashType.Get = [this] { return TPropertyValue(int64_t(hashType_)); };
  hashType.Set = [this](const TPropertyValue& v) {
    if (auto* n = std::get_if<int64_t>(&v)) {
      if (*n < htTruncation || *n > htFolding) RaiseHashtableError(SSubscriptOutOfRange);
      SetHashType(TGHashType(*n));
    }
  };
  hashType.Default = TPropertyValue(int64_t(htDivision));
  props.push_back(std::move(hashType));

  TProperty loadFactor;
  loadFactor.Name = "LoadFactor";
  loadFactor.Kind = pkFloat;
  loadFactor.Get = [this] { return TPropertyValue(double(loadFactor_)); };
  loadFactor.Set = [this](const TPropertyValue& v) {
    if (auto* d = std::get_if<double>(&v)) SetLoadFactor(float(*d));
    else if (auto* n = std::get_if<int64_t>(&v)) SetLoadFactor(float(*n));
  };
  props.push_back(std::move(loadFactor));
}

// ---------------------------------------------------------------------------
// Enumerators

intptr_t TGHashtableEnumerator::Next() {
  TGHashtableEntry* entry = walker_.Next();
  if (!entry) RaiseHashtableError(SNoSuchElement);
  last_ = keys_ ? intptr_t(entry->Key) : entry->Value;
  return last_;
}

std::string TGStringHashTableEnumerator::Next() {
  if (!keys_) RaiseHashtableError(SIllegalNextElement);
  TGHashtableEntry* entry = walker_.Next();
  if (!entry) RaiseHashtableError(SNoSuchElement);
  last_ = static_cast<TGStringHashtableEntry*>(entry)->Text;
  return last_;
}

// ---------------------------------------------------------------------------
// TGHashtable

bool TGHashtable::ContainsKey(int32_t key) const {
  if (count_ == 0) return false;
  if (key == 0) RaiseHashtableError(SArgumentIsNull);
  return Lookup(TKey{key, {}, false}) != nullptr;
}

intptr_t TGHashtable::Get(int32_t key) const {
  if (count_ == 0) RaiseHashtableError(STableIsEmpty);
  if (key == 0) RaiseHashtableError(SArgumentIsNull);
  const TGHashtableEntry* e = Lookup(TKey{key, {}, false});
  if (!e) RaiseHashtableError(SNoSuchElement);
  return e->Value;
}

const intptr_t* TGHashtable::Find(int32_t key) const noexcept {
  const TGHashtableEntry* e = Lookup(TKey{key, {}, false});
  return e ? &e->Value : nullptr;
}

intptr_t TGHashtable::Put(int32_t key, intptr_t value) {
  intptr_t old = 0;
  bool existed = false;
  PutEntry(TKey{key, {}, false}, value, old, existed);
  Changed();
  return old;
}

intptr_t TGHashtable::Remove(int32_t key) {
  std::unique_ptr<TGHashtableEntry> entry = UnlinkEntry(TKey{key, {}, false});
  const intptr_t value = entry->Value;
  FreeEntry(std::move(entry));
  Changed();
  return value;
}

int32_t TGHashtable::NextElement() noexcept {
  TGHashtableEntry* e = CursorNext();
  return e ? e->Key : 0;
}

IIteratorRef TGHashtable::Keys() const { return IIteratorRef(new TGHashtableEnumerator(this, true)); }

void TGHashtable::Assign(const TPersistent* source) {
  auto* table = dynamic_cast<const TGHashtable*>(source);
  if (!table) {
    TPersistent::Assign(source);
    return;
  }
  if (table == this) return;
  Clear();
  CopySettings(*table);
  WithinUpdate(*this, [&] {
    TGHashtableWalker walk(table);
    while (TGHashtableEntry* e = walk.Next()) Put(e->Key, e->Value);
  });
}

void TGHashtable::AssignTo(TPersistent& dest) const {
  auto* list = dynamic_cast<TGCustomLinkedList*>(&dest);
  if (!list) {
    TPersistent::AssignTo(dest);
    return;
  }
  WithinUpdate(*list, [&] {
    list->Clear();
    TGHashtableWalker walk(this);
    while (TGHashtableEntry* e = walk.Next()) list->Add(reinterpret_cast<void*>(intptr_t(e->Key)));
  });
}

// ---------------------------------------------------------------------------
// TGStringHashtable

uint32_t TGStringHashtable::StringNumber(std::string_view text) noexcept {
  uint32_t h = 0;
  const size_t len = text.size();
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  if (len < 16) {
    for (size_t i = 0; i < len; ++i) h = h * 37u + bytes[i];
  } else {
    const size_t step = len / 8;
    for (size_t i = 0; i < len; i += step) h = h * 39u + bytes[i];
  }
  return h;
}

std::unique_ptr<TGHashtableEntry> TGStringHashtable::CreateEntry() const {
  return std::make_unique<TGStringHashtableEntry>();
}

bool TGStringHashtable::ContainsKey(std::string_view key) const {
  if (key.empty() || count_ == 0) return false;
  const TKey k = StringKey(key);
  if (k.Number == 0) RaiseHashtableError(SArgumentIsNull);
  return Lookup(k) != nullptr;
}

intptr_t TGStringHashtable::Get(std::string_view key) const {
  if (count_ == 0) RaiseHashtableError(STableIsEmpty);
  const TKey k = StringKey(key);
  if (k.Number == 0) RaiseHashtableError(SArgumentIsNull);
  const TGHashtableEntry* e = Lookup(k);
  if (!e) RaiseHashtableError(SNoSuchElement);
  return e->Value;
}

const intptr_t* TGStringHashtable::Find(std::string_view key) const noexcept {
  if (key.empty()) return nullptr;
  const TGHashtableEntry* e = Lookup(StringKey(key));
  return e ? &e->Value : nullptr;
}

const intptr_t* TGStringHashtable::Find(std::string_view key, uint32_t number) const noexcept {
  if (key.empty() || count_ == 0) return nullptr;
  const TGHashtableEntry* e = Lookup(TKey{int32_t(number), key, true});
  return e ? &e->Value : nullptr;
}

intptr_t TGStringHashtable::Put(std::string_view key, intptr_t value) {
  intptr_t old = 0;
  bool existed = false;
  PutEntry(StringKey(key), value, old, existed);
  Changed();
  return old;
}

intptr_t TGStringHashtable::Remove(std::string_view key) {
  std::unique_ptr<TGHashtableEntry> entry = UnlinkEntry(StringKey(key));
  const intptr_t value = entry->Value;
  FreeEntry(std::move(entry));
  Changed();
  return value;
}

std::string TGStringHashtable::NextElement() {
  TGHashtableEntry* e = CursorNext();
  return e ? static_cast<TGStringHashtableEntry*>(e)->Text : std::string();
}

IStringIteratorRef TGStringHashtable::Keys() const {
  return IStringIteratorRef(new TGStringHashTableEnumerator(this, true));
}

void TGStringHashtable::Assign(const TPersistent* source) {
  if (auto* table = dynamic_cast<const TGStringHashtable*>(source)) {
    if (table == this) return;
    Clear();
    CopySettings(*table);
    WithinUpdate(*this, [&] {
      TGHashtableWalker walk(table);
      while (TGHashtableEntry* e = walk.Next())
        Put(static_cast<TGStringHashtableEntry*>(e)->Text, e->Value);
    });
    return;
  }
  if (auto* list = dynamic_cast<const TGStringList*>(source)) {
    WithinUpdate(*this, [&] {
      Clear();
      for (int32_t i = 0; i < list->Count(); ++i)
        Put(list->Get(i), reinterpret_cast<intptr_t>(list->GetObject(i)));
    });
    return;
  }
  TPersistent::Assign(source);
}

void TGStringHashtable::AssignTo(TPersistent& dest) const {
  auto* list = dynamic_cast<TGStringList*>(&dest);
  if (!list) {
    TPersistent::AssignTo(dest);
    return;
  }
  WithinUpdate(*list, [&] {
    list->Clear();
    TGHashtableWalker walk(this);
    while (TGHashtableEntry* e = walk.Next())
      list->AddObject(static_cast<TGStringHashtableEntry*>(e)->Text,
                      reinterpret_cast<TObject*>(e->Value));
  });
}
