// TGStringList: lines, ownership, comparison modes, sorting, text, events.
#include "collections/Structures.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "collections/UpdateBracket.h"

namespace {

[[noreturn]] void RaiseIndexError(int32_t index) {
  throw EListError(Format(SListIndexError, {index}));
}

char FoldAscii(char c) noexcept { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

int Sign(int v) noexcept { return (v > 0) - (v < 0); }

int CompareOrdinal(std::string_view a, std::string_view b) noexcept { return Sign(a.compare(b)); }

int CompareFolded(std::string_view a, std::string_view b) noexcept {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(FoldAscii(a[i]));
    const auto cb = static_cast<unsigned char>(FoldAscii(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// A NUL-terminated copy for strcoll, on the stack for short texts.
class TCText {
 public:
  TCText(std::string_view s, bool fold) {
    char* out = buf_;
    if (s.size() >= sizeof(buf_)) {
      heap_.assign(s.size() + 1, '\0');
      out = heap_.data();
    }
    for (size_t i = 0; i < s.size(); ++i) out[i] = fold ? FoldAscii(s[i]) : s[i];
    out[s.size()] = '\0';
    ptr_ = out;
  }
  const char* c_str() const noexcept { return ptr_; }

 private:
  char buf_[128];
  std::string heap_;
  const char* ptr_ = nullptr;
};

int CompareLocale(std::string_view a, std::string_view b, bool fold) {
  const TCText ca(a, fold);
  const TCText cb(b, fold);
  const int c = Sign(std::strcoll(ca.c_str(), cb.c_str()));
  // Strings with embedded NULs: fall back to the ordinal order for the rest.
  if (c == 0 && (a.find('\0') != std::string_view::npos || b.find('\0') != std::string_view::npos))
    return fold ? CompareFolded(a, b) : CompareOrdinal(a, b);
  return c;
}

void FreeObject(TObject* object) noexcept { std::unique_ptr<TObject> owned(object); }

}  // namespace

TGStringList::~TGStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  for (TGStringItem& line : lines_) {
    if (freeData_) FreeObject(std::exchange(line.Data, nullptr));
    if (freeObjects_) FreeObject(std::exchange(line.Object, nullptr));
  }
}

void TGStringList::CheckIndex(int32_t index) const {
  if (uint32_t(index) >= lines_.size()) RaiseIndexError(index);
}

const TGStringItem& TGStringList::Line(int32_t index) const {
  CheckIndex(index);
  return lines_[size_t(index)];
}

TGStringItem& TGStringList::MutableLine(int32_t index) {
  CheckIndex(index);
  return lines_[size_t(index)];
}

void TGStringList::SetCapacity(int32_t capacity) {
  if (capacity < Count()) RaiseIndexError(capacity);
  capacity_ = capacity;
  if (size_t(capacity) > lines_.capacity()) lines_.reserve(size_t(capacity));
}

void TGStringList::Grow() {
  int32_t delta;
  if (capacity_ > 64)
    delta = capacity_ / 4;
  else if (capacity_ > 8)
    delta = 16;
  else
    delta = 4;
  SetCapacity(capacity_ + delta);
}

const std::string& TGStringList::Get(int32_t index) const { return Line(index).String; }

void TGStringList::Put(int32_t index, const std::string& s) {
  if (sorted_) throw EListError(SSortedListError);
  CheckIndex(index);
  Changing();
  lines_[size_t(index)].String = s;
  Changed();
}

TObject* TGStringList::GetObject(int32_t index) const { return Line(index).Object; }

void TGStringList::PutObject(int32_t index, TObject* object) {
  CheckIndex(index);
  Changing();
  TObject* old = std::exchange(lines_[size_t(index)].Object, object);
  if (freeObjects_ && old != object) FreeObject(old);
  Changed();
}

TObject* TGStringList::GetData(int32_t index) const { return Line(index).Data; }

void TGStringList::PutData(int32_t index, TObject* data) {
  CheckIndex(index);
  Changing();
  TObject* old = std::exchange(lines_[size_t(index)].Data, data);
  if (freeData_ && old != data) FreeObject(old);
  Changed();
}

int32_t TGStringList::Add(const std::string& s) { return AddData(s, nullptr, nullptr); }

int32_t TGStringList::AddObject(const std::string& s, TObject* object) {
  return AddData(s, object, nullptr);
}

int32_t TGStringList::AddData(const std::string& s, TObject* object, TObject* data) {
  int32_t index;
  if (!sorted_) {
    index = Count();
  } else if (Find(s, index)) {
    if (duplicates_ == dupIgnore) return index;
    if (duplicates_ == dupError) throw EListError(SDuplicateString);
  }
  InsertItem(index, s, object, data);
  return index;
}

void TGStringList::AddStrings(const TGStringList& source) {
  WithinUpdate(*this, [&] {
    for (int32_t i = 0; i < source.Count(); ++i) AddObject(source.Get(i), source.GetObject(i));
  });
}

void TGStringList::Insert(int32_t index, const std::string& s) { InsertObject(index, s, nullptr); }

void TGStringList::InsertObject(int32_t index, const std::string& s, TObject* object) {
  if (sorted_) throw EListError(SSortedListError);
  if (index < 0 || index > Count()) RaiseIndexError(index);
  InsertItem(index, s, object, nullptr);
}

void TGStringList::InsertItem(int32_t index, const std::string& s, TObject* object,
                              TObject* data) {
  Changing();
  if (Count() == capacity_) Grow();
  TGStringItem line;
  line.String = s;
  line.Object = object;
  line.Data = data;
  lines_.insert(lines_.begin() + index, std::move(line));
  Changed();
}

void TGStringList::Delete(int32_t index) {
  CheckIndex(index);
  Changing();
  TGStringItem line = std::move(lines_[size_t(index)]);
  lines_.erase(lines_.begin() + index);
  if (freeData_) FreeObject(line.Data);
  if (freeObjects_) FreeObject(line.Object);
  Changed();
}

void TGStringList::Exchange(int32_t a, int32_t b) {
  CheckIndex(a);
  CheckIndex(b);
  Changing();
  std::swap(lines_[size_t(a)], lines_[size_t(b)]);
  Changed();
}

void TGStringList::Move(int32_t from, int32_t to) {
  CheckIndex(from);
  CheckIndex(to);
  if (from == to) return;
  Changing();
  TGStringItem line = std::move(lines_[size_t(from)]);
  lines_.erase(lines_.begin() + from);
  lines_.insert(lines_.begin() + to, std::move(line));
  Changed();
}

void TGStringList::Clear() {
  if (lines_.empty()) return;
  Changing();
  std::vector<TGStringItem> lines;
  lines.swap(lines_);
  capacity_ = 0;
  for (TGStringItem& line : lines) {
    if (freeData_) FreeObject(line.Data);
    if (freeObjects_) FreeObject(line.Object);
  }
  Changed();
}

int TGStringList::CompareStrings(std::string_view a, std::string_view b) const {
  switch (compareMode_) {
    case 0:
      return CompareOrdinal(a, b);
    case 1:
      return CompareFolded(a, b);
    case 2:
      return CompareLocale(a, b, false);
    default:
      return CompareLocale(a, b, true);
  }
}

bool TGStringList::Find(std::string_view s, int32_t& index) const {
  bool found = false;
  int32_t low = 0;
  int32_t high = Count() - 1;
  while (low <= high) {
    const int32_t mid = low + (high - low) / 2;
    const int c = CompareStrings(lines_[size_t(mid)].String, s);
    if (c < 0) {
      low = mid + 1;
    } else {
      // Equal: keep searching to the left, so Index ends on the first equal.
      high = mid - 1;
      if (c == 0) found = true;
    }
  }
  index = low;
  return found;
}

int32_t TGStringList::IndexOf(std::string_view s) const {
  if (sorted_) {
    int32_t index;
    return Find(s, index) ? index : -1;
  }
  for (size_t i = 0; i < lines_.size(); ++i)
    if (CompareStrings(lines_[i].String, s) == 0) return int32_t(i);
  return -1;
}

int32_t TGStringList::IndexOfObject(const TObject* object) const noexcept {
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].Object == object) return int32_t(i);
  return -1;
}

int32_t TGStringList::IndexOfData(const TObject* data) const noexcept {
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].Data == data) return int32_t(i);
  return -1;
}

void TGStringList::QuickSort(int32_t left, int32_t right, const TCompareFunc& compare) {
  if (left >= right) return;
  // Sort the line indexes, then permute: the comparison sees list indexes.
  std::vector<int32_t> order;
  order.reserve(size_t(right - left + 1));
  for (int32_t i = left; i <= right; ++i) order.push_back(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](int32_t a, int32_t b) { return compare(*this, a, b) < 0; });
  std::vector<TGStringItem> sorted;
  sorted.reserve(order.size());
  for (int32_t i : order) sorted.push_back(std::move(lines_[size_t(i)]));
  std::move(sorted.begin(), sorted.end(), lines_.begin() + left);
}

void TGStringList::CustomSort(const TCompareFunc& compare) {
  if (sorted_ || Count() < 2) return;
  Changing();
  QuickSort(0, Count() - 1, compare);
  Changed();
}

void TGStringList::Sort() {
  if (sorted_ || Count() < 2) return;
  Changing();
  QuickSort(0, Count() - 1, [](const TGStringList& list, int32_t a, int32_t b) {
    return list.CompareStrings(list.lines_[size_t(a)].String, list.lines_[size_t(b)].String);
  });
  Changed();
}

void TGStringList::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  if (sorted) Sort();
  sorted_ = sorted;
}

void TGStringList::SetCompareMode(int32_t mode) {
  if (mode < 0 || mode > 3) RaiseIndexError(mode);
  if (mode == compareMode_) return;
  compareMode_ = mode;
  if (sorted_ && Count() > 1) {
    sorted_ = false;
    Sort();
    sorted_ = true;
  }
}

std::string TGStringList::Text() const {
  size_t size = 0;
  for (const TGStringItem& line : lines_) size += line.String.size() + 2;
  std::string text;
  text.reserve(size);
  for (const TGStringItem& line : lines_) {
    text += line.String;
    text += "\r\n";
  }
  return text;
}

void TGStringList::SetText(std::string_view text) {
  WithinUpdate(*this, [&] {
    Clear();
    size_t start = 0;
    while (start < text.size()) {
      size_t end = start;
      while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
      Add(std::string(text.substr(start, end - start)));
      if (end < text.size() && text[end] == '\r') ++end;
      if (end < text.size() && text[end] == '\n') ++end;
      start = end;
    }
  });
}

void TGStringList::BeginUpdate() {
  if (updateCount_++ == 0 && OnChanging) OnChanging(*this);
}

void TGStringList::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0) Changed();
}

void TGStringList::Changed() {
  if (updateCount_ == 0 && OnChange) OnChange(*this);
}

void TGStringList::Changing() {
  if (updateCount_ == 0 && OnChanging) OnChanging(*this);
}

void TGStringList::Assign(const TPersistent* source) {
  auto* list = dynamic_cast<const TGStringList*>(source);
  if (!list) {
    TPersistent::Assign(source);
    return;
  }
  if (list == this) return;
  WithinUpdate(*this, [&] {
    Clear();
    // The copy shares the source's Objects and Data, which stay the source's:
    // it never takes ownership of them, or both lists would free them.
    freeData_ = false;
    freeObjects_ = false;
    SetCompareMode(list->compareMode_);
    for (const TGStringItem& line : list->lines_) {
      const int32_t before = Count();
      const int32_t index = AddData(line.String, line.Object, line.Data);
      if (Count() > before) lines_[size_t(index)].Interface = line.Interface;
    }
  });
}

void TGStringList::AssignTo(TPersistent& dest) const { TPersistent::AssignTo(dest); }
