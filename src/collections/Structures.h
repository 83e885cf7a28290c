// TGStringList: a string list whose lines carry two payloads, an Object and a
// Data reference, with four comparison modes, optional sorting with a
// duplicates rule, ownership flags and change events.
// Ownership: with FreeObjects / FreeData set the list owns (and deletes) the
// Objects / Data of its lines; otherwise they belong to the caller. Lines also
// have a counted Interface slot, used by TIStringList.
// Not synchronised: one thread at a time (the engine locks around its agenda).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "collections/RefCount.h"
#include "core/Persistent.h"

enum TDuplicates : uint8_t { dupIgnore, dupAccept, dupError };

// One line of a string list.
struct TGStringItem {
  std::string String;
  TObject* Object = nullptr;
  TObject* Data = nullptr;
  TRef<TRefCounted> Interface;
};

class TGStringList : public TPersistent {
 public:
  using TChangeEvent = std::function<void(TGStringList&)>;
  // Negative, zero or positive like strcmp; for CustomSort.
  using TCompareFunc = std::function<int(const TGStringList&, int32_t, int32_t)>;

  TGStringList() = default;
  ~TGStringList() override;  // frees owned Objects and Data
  TGStringList(const TGStringList&) = delete;
  TGStringList& operator=(const TGStringList&) = delete;
  std::string ClassName() const override { return "TGStringList"; }

  int32_t Count() const noexcept { return int32_t(lines_.size()); }
  bool IsEmpty() const noexcept { return lines_.empty(); }
  int32_t Capacity() const noexcept { return capacity_; }
  // Below Count raises EListError "List index out of bounds (%d)".
  void SetCapacity(int32_t capacity);

  // Index errors raise EListError "List index out of bounds (%d)".
  const std::string& Get(int32_t index) const;
  const std::string& Strings(int32_t index) const { return Get(index); }
  // Replaces a string; on a sorted list raises EListError "Operation not
  // allowed on sorted string list".
  void Put(int32_t index, const std::string& s);
  TObject* GetObject(int32_t index) const;
  // Replaces the Object (freeing the previous one when FreeObjects is set).
  void PutObject(int32_t index, TObject* object);
  virtual TObject* GetData(int32_t index) const;
  // Replaces the Data (freeing the previous one when FreeData is set).
  virtual void PutData(int32_t index, TObject* data);
  const TGStringItem& Line(int32_t index) const;

  // Unsorted: appends. Sorted: at its place; an equal string is returned as is
  // (dupIgnore), raises EListError "String list does not allow duplicates"
  // (dupError) or gets the new one beside it (dupAccept). Returns the index.
  int32_t Add(const std::string& s);
  int32_t AddObject(const std::string& s, TObject* object);
  int32_t AddData(const std::string& s, TObject* object, TObject* data);
  void AddStrings(const TGStringList& source);
  // Index 0 .. Count; on a sorted list raises "Operation not allowed on sorted
  // string list".
  void Insert(int32_t index, const std::string& s);
  void InsertObject(int32_t index, const std::string& s, TObject* object);
  // Frees the line's Data / Object per the flags, then removes it.
  void Delete(int32_t index);
  void Exchange(int32_t a, int32_t b);
  void Move(int32_t from, int32_t to);
  // Frees every line's payloads per the flags, empties the list and its capacity.
  void Clear();

  // Binary search of a sorted list: true when found; Index is the first equal
  // line, or the insertion point.
  virtual bool Find(std::string_view s, int32_t& index) const;
  // Sorted: Find; unsorted: the first line equal under CompareMode; -1 if absent.
  int32_t IndexOf(std::string_view s) const;
  int32_t IndexOfObject(const TObject* object) const noexcept;
  // The first line whose Data is that very reference, or -1.
  virtual int32_t IndexOfData(const TObject* data) const noexcept;
  // The comparison of CompareMode: 0 ordinal, 1 ASCII case-insensitive,
  // 2 locale-aware, 3 locale-aware case-insensitive.
  int CompareStrings(std::string_view a, std::string_view b) const;

  // Sorts by CompareStrings (nothing on a sorted list, which stays in order).
  virtual void Sort();
  virtual void CustomSort(const TCompareFunc& compare);

  bool Sorted() const noexcept { return sorted_; }
  // Setting it sorts the list.
  void SetSorted(bool sorted);
  TDuplicates Duplicates() const noexcept { return duplicates_; }
  void SetDuplicates(TDuplicates duplicates) noexcept { duplicates_ = duplicates; }
  int32_t CompareMode() const noexcept { return compareMode_; }
  // 0 .. 3; re-sorts a sorted list of more than one line.
  void SetCompareMode(int32_t mode);
  bool FreeData() const noexcept { return freeData_; }
  void SetFreeData(bool value) noexcept { freeData_ = value; }
  bool FreeObjects() const noexcept { return freeObjects_; }
  void SetFreeObjects(bool value) noexcept { freeObjects_ = value; }

  // The lines joined, each followed by CR LF.
  std::string Text() const;
  // Replaces the lines by those of Text (split at CR LF, LF or CR).
  void SetText(std::string_view text);

  // The outermost BeginUpdate raises OnChanging, the matching EndUpdate OnChange.
  void BeginUpdate();
  void EndUpdate();
  int32_t UpdateCount() const noexcept { return updateCount_; }
  TChangeEvent OnChange;    // after each change, outside an update bracket
  TChangeEvent OnChanging;  // before each change, outside an update bracket

  // From any TGStringList: strings, Objects, Data (and interfaces) and the
  // CompareMode; Sorted and Duplicates are kept. The copy shares the payloads
  // but never owns them: FreeData and FreeObjects are cleared, so the payloads
  // are freed once, by their owner.
  void Assign(const TPersistent* source) override;
  void AssignTo(TPersistent& dest) const override;

 protected:
  virtual void Changed();
  virtual void Changing();
  // Inserts a line at Index without the sorted check.
  void InsertItem(int32_t index, const std::string& s, TObject* object, TObject* data);
  void CheckIndex(int32_t index) const;
  void Grow();
  void QuickSort(int32_t left, int32_t right, const TCompareFunc& compare);
  TGStringItem& MutableLine(int32_t index);

  std::vector<TGStringItem> lines_;
  int32_t capacity_ = 0;

 private:
  bool sorted_ = false;
  TDuplicates duplicates_ = dupIgnore;
  int32_t compareMode_ = 3;
  bool freeData_ = false;
  bool freeObjects_ = false;
  int32_t updateCount_ = 0;
};
