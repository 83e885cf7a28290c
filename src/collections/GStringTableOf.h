// TGStringTableOf<T>: a string hashtable whose values are pointers to T. The
// untyped table keeps its values as integers; this layer is the one place
// that converts, so a registry built on it names what it holds and never
// casts. It owns nothing unless a subclass frees its items in FreeItem.
// Thread-safety: that of the table (none; one thread at a time).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "collections/GHashtable.h"

template <class T>
class TGStringTableOf : public TGStringHashtable {
 public:
  using TGStringHashtable::TGStringHashtable;

  // The item under Key, or none; never raises, never allocates.
  T* FindItem(std::string_view key) const noexcept {
    const intptr_t* value = TGStringHashtable::Find(key);
    return value ? ItemOf(*value) : nullptr;
  }
  // The same with Key's StringNumber known.
  T* FindItem(std::string_view key, uint32_t number) const noexcept {
    const intptr_t* value = TGStringHashtable::Find(key, number);
    return value ? ItemOf(*value) : nullptr;
  }
  // The item under Key; raises as Get does ("Table is empty", "No such element").
  T* GetItem(std::string_view key) const { return ItemOf(TGStringHashtable::Get(key)); }
  // Stores Item under Key (the empty key raises "Argument is null"); returns
  // the previous item, or none.
  T* PutItem(std::string_view key, T* item) {
    return ItemOf(TGStringHashtable::Put(key, reinterpret_cast<intptr_t>(item)));
  }
  // Visit(key, item) for every entry in iteration order; the table must not
  // change meanwhile.
  template <class TVisit>
  void ForEachItem(TVisit&& visit) const {
    TGHashtableWalker walk(this);
    while (TGHashtableEntry* entry = walk.Next()) {
      const auto& stringEntry = static_cast<const TGStringHashtableEntry&>(*entry);
      visit(stringEntry.Text, ItemOf(stringEntry.Value));
    }
  }

 protected:
  // Called with the item of each entry freed by Remove or Clear; the default
  // keeps it. Not reached from the base destructor: a subclass that frees
  // items here clears the table in its own destructor.
  virtual void FreeItem(T* item) { (void)item; }

 private:
  static T* ItemOf(intptr_t value) noexcept { return reinterpret_cast<T*>(value); }
  void FreeValue(intptr_t value) final { FreeItem(ItemOf(value)); }
};
