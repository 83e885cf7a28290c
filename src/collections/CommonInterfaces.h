// The interfaces shared by unrelated implementors: ICloneable (values, vectors,
// facts, templates, slots, calls, stream tokens), the iterators, and the
// optional hashtable observer. Abstract classes; implementors decide ownership.
#pragma once

#include <cstdint>
#include <string>

#include "collections/RefCount.h"

class ICloneable : public TRefCounted {
 public:
  // Copies Source into this object; raises EInvalidCast when Source is of an
  // unsuitable class.
  virtual void Assign(const ICloneable& source) = 0;
  virtual TRef<ICloneable> CloneObject() const = 0;
  virtual bool IsEqual(const ICloneable* other) const = 0;
  int32_t Tag() const noexcept { return tag_; }
  virtual void SetTag(int32_t tag) { tag_ = tag; }

 protected:
  int32_t tag_ = 0;
};

// Iterator over untyped elements (pointers, objects or integers as intptr_t).
class IIterator : public TRefCounted {
 public:
  virtual intptr_t Current() const = 0;
  virtual int32_t Remaining() const = 0;
  virtual bool HasNext() = 0;
  virtual intptr_t Next() = 0;
  virtual void Reset() = 0;
};

class IStringIterator : public TRefCounted {
 public:
  virtual std::string Current() const = 0;
  virtual int32_t Remaining() const = 0;
  virtual bool HasNext() = 0;
  virtual std::string Next() = 0;
  virtual void Reset() = 0;
};

// Iterator over counted objects.
class IInterfaceIterator : public TRefCounted {
 public:
  virtual TRef<TRefCounted> Current() const = 0;
  virtual int32_t Remaining() const = 0;
  virtual bool HasNext() = 0;
  virtual TRef<TRefCounted> Next() = 0;
  virtual void Reset() = 0;
};

using IIteratorRef = TRef<IIterator>;
using IStringIteratorRef = TRef<IStringIterator>;
using IInterfaceIteratorRef = TRef<IInterfaceIterator>;

class TGCustomHashtable;
// Optional observer of a hashtable; no class of the system installs one.
class IHashTableOwner {
 public:
  virtual ~IHashTableOwner() = default;
  virtual void Changed(TGCustomHashtable& table) = 0;
  virtual void BeforePut(TGCustomHashtable& table, intptr_t key, intptr_t value) = 0;
  virtual void BeforeRemove(TGCustomHashtable& table, intptr_t key) = 0;
  virtual void BeforeClear(TGCustomHashtable& table) = 0;
};
