// TIEValue: the one typed value of the rule language, its multifield TValueVector,
// the name-to-value table TValueHashTable and the shared constant values.
//
// Ownership: values, vectors, calls and facts are reference counted and shared
// through handles (IIEValue, IValueVector, IFunCall, IFact). A TIEValue lives on
// the heap behind a handle only (MakeRef / the Make* factories), because Resolve
// and the constants hand out handles to the receiver itself. A value shared with
// others must not be changed: Clone it first. The shared constants are never
// changed (Debug builds assert this).
// Thread-safety: reference counts change atomically, so values may be released
// on any thread; everything else is unsynchronised (one engine thread at a time).
//
// Representation: a value is 32 bytes: the vptr, the atomic count and Tag
// (16 bytes, from ICloneable), one 8-byte payload union and the one-byte DType.
// Text is an immutable shared TIEText (one allocation), so copying or cloning a
// text value never copies its bytes. The three array types hold a counted,
// immutable array object. dtObject holds a counted, weak TObjectRef (none for
// the nil object), so an object value never dangles: it reads as the nil
// object once its object is destroyed. The class name of dtClass and the
// address of dtExternalAddress share the payload union (Clear drops them).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "collections/BlockPool.h"
#include "collections/CommonInterfaces.h"
#include "collections/InterfaceCollections.h"
#include "collections/RefCount.h"
#include "core/IEInterfaces.h"
#include "core/Persistent.h"
#include "values/ObjectRef.h"

class TIEValue;
class TIEContext;
class TValueVector;
class TCustomFunCall;
class TCustomFact;
class TCustomReteToken;

using IIEValue = TRef<TIEValue>;
using IValueVector = TRef<TValueVector>;
using IFunCall = TRef<TCustomFunCall>;
using IFact = TRef<TCustomFact>;
using IReteToken = TRef<TCustomReteToken>;

// ---------------------------------------------------------------------------
// Seams implemented by the upper layers.

// A function-call expression node (implemented by TFunctionCall).
class TCustomFunCall : public ICloneable {
 public:
  // Evaluates the call in Context (may be null for a context-free call).
  virtual IIEValue Evaluate(TIEContext* context) = 0;
  // The printed form of the call, "(name arg ...)".
  virtual std::string AsText() const = 0;
  virtual int32_t HashCode() const = 0;
  virtual bool Equals(const TCustomFunCall* other) const = 0;
};

// A fact (implemented by TFact).
class TCustomFact : public ICloneable {
 public:
  TCustomFact() = default;
  // A copy is held by no token.
  TCustomFact(const TCustomFact& other) : ICloneable(other) {}
  TCustomFact& operator=(const TCustomFact& other) {
    ICloneable::operator=(other);
    return *this;
  }
  // The fact index; -1 while not asserted.
  virtual int32_t ID() const = 0;
  // The printed form of the fact.
  virtual std::string AsText() const = 0;
  virtual int32_t HashCode() const = 0;
  virtual bool Equals(const TCustomFact* other) const = 0;
  // The value of the named slot; none for a name the template lacks.
  virtual IIEValue GetSlotValue(const std::string& slotName) = 0;

  // The references of the tokens that hold this fact (see TTokenFact),
  // counted apart with a plain count: while there are any, they share one
  // ordinary reference.
  void AddTokenRef() const noexcept {
    if (tokenRefs_++ == 0) AddRef();
  }
  void ReleaseTokenRef() const noexcept {
    if (--tokenRefs_ == 0) Release();
  }

 private:
  mutable int32_t tokenRefs_ = 0;
};

// A token's reference to its fact. Tokens are made and freed by the million,
// only ever on the thread that holds their engine's lock, and a fact is in
// one engine's working memory at a time (asserting it numbers it for that
// engine): so they count their references to a fact with a plain count in
// it, where an atomic count would fence every token made and freed.
class TTokenFact {
 public:
  TTokenFact() noexcept = default;
  explicit TTokenFact(TCustomFact* fact) noexcept : p_(fact) {
    if (p_) p_->AddTokenRef();
  }
  TTokenFact(const TTokenFact& other) noexcept : TTokenFact(other.p_) {}
  TTokenFact& operator=(TTokenFact other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~TTokenFact() {
    if (p_) p_->ReleaseTokenRef();
  }

  TCustomFact* get() const noexcept { return p_; }
  TCustomFact* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

 private:
  TCustomFact* p_ = nullptr;
};

// A partial match: the chain of facts matched so far (implemented by TIEToken).
// Reference counted like every interface, but with a plain count: tokens are
// made and released by the million inside the network and only ever touched
// by the thread that holds the engine's lock, where an atomic count would
// only fence every copy.
class TCustomReteToken {
 public:
  TCustomReteToken() = default;
  TCustomReteToken(const TCustomReteToken&) : refs_(0) {}
  TCustomReteToken& operator=(const TCustomReteToken&) { return *this; }
  virtual ~TCustomReteToken() = default;
  void AddRef() const noexcept { ++refs_; }
  void Release() const noexcept {
    if (--refs_ == 0) delete this;
  }
  int32_t RefCount() const noexcept { return refs_; }

  virtual int32_t FactCount() const = 0;
  // The fact of pattern Index (0 = first pattern); borrowed, valid while the
  // token lives. May be null for a pattern that matched no fact.
  virtual TCustomFact* FactAt(int32_t index) const = 0;

 private:
  mutable int32_t refs_ = 0;
};

// ---------------------------------------------------------------------------
// TIEText: an immutable, reference-counted byte string in one allocation
// (count, length, hash, bytes). The empty text is represented by no object.

class TIEText {
 public:
  // A new text with count 0; null for the empty text.
  static TIEText* Create(std::string_view text);
  // The string hash of the rule language: h := h*31 + byte over every byte when
  // the length is below 16, else over positions 1, 1+step, ... (step = len div 8).
  static uint32_t HashOf(std::string_view text) noexcept;

  void AddRef() const noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }
  void Release() const noexcept {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) Destroy(this);
  }
  std::string_view View() const noexcept { return {data_, length_}; }
  uint32_t Hash() const noexcept { return hash_; }
  uint32_t Length() const noexcept { return length_; }

 private:
  TIEText(uint32_t length, uint32_t hash) : length_(length), hash_(hash) {}
  static void Destroy(const TIEText* text) noexcept;

  mutable std::atomic<int32_t> refs_{0};
  uint32_t length_;
  uint32_t hash_;
  char data_[1];
};

// ---------------------------------------------------------------------------
// Array payloads.

using TIEIntArray = std::vector<int32_t>;
using TIEStringArray = std::vector<std::string>;
// A variant cell: unassigned, integer, float or text. Cells compare equal when
// both hold the same kind and value, or both hold numbers of equal value.
using TIEVariant = std::variant<std::monostate, int32_t, double, std::string>;
using TIEVariantArray = std::vector<TIEVariant>;

// The counted, immutable holder of an array payload.
template <class TItems>
class TIEArray : public TRefCounted {
 public:
  explicit TIEArray(TItems items) : Items(std::move(items)) {}
  const TItems Items;
};

// The text of a variant cell: integers in decimal, floats in the general float
// text, text as it is, empty when unassigned.
std::string VariantText(const TIEVariant& cell);
bool VariantEquals(const TIEVariant& a, const TIEVariant& b);

// ---------------------------------------------------------------------------

class TIEValue : public ICloneable, public TPooledObject<TIEValue> {
 public:
  TIEValue() noexcept { payload_.floating = 0; }
  ~TIEValue() override { Clear(); }
  TIEValue(const TIEValue&) = delete;
  TIEValue& operator=(const TIEValue&) = delete;

  // Factories: a new value of the given type holding the given payload.
  static IIEValue MakeAtom(std::string_view text);
  static IIEValue MakeString(std::string_view text);
  static IIEValue MakeVariable(std::string_view name);       // name without "?"
  static IIEValue MakeMultiVariable(std::string_view name);  // name without "$?"
  static IIEValue MakeSlot(std::string_view name);
  static IIEValue MakeMultiSlot(std::string_view name);
  static IIEValue MakeInteger(int32_t value);
  static IIEValue MakeFactId(int32_t id);
  static IIEValue MakeDescriptor(int32_t value);
  static IIEValue MakeFloat(double value);
  static IIEValue MakeFunCall(IFunCall call);
  static IIEValue MakeFact(IFact fact);
  static IIEValue MakeList(IValueVector list);
  // An object value of the component model (see MakeComponentRef: a
  // component is followed, other objects are taken to outlive the value).
  static IIEValue MakeObject(TObject* object);
  static IIEValue MakeObject(IObjectRef object);
  // A slot reference (dtVariantArray of three cells), see Resolve.
  static IIEValue MakeSlotReference(int32_t patternIndex, std::string_view slotName,
                                    int32_t elementIndex);

  TIEType DType() const noexcept { return dtype_; }
  bool IsTextType() const noexcept { return IsTextType(dtype_); }
  static bool IsTextType(TIEType type) noexcept {
    return type == dtAtom || type == dtString || type == dtVariable || type == dtMultiVariable ||
           type == dtSlot || type == dtMultiSlot;
  }

  // Getters. Each raises EIEException "Not a %s.  Value Type is %s" when the
  // type does not convert (see the table in each comment).
  // Text types: the text; dtInteger, dtFloat: their decimal text. Word "string".
  std::string AsString() const;
  std::string AsAtom() const { return AsString(); }
  std::string AsVariable() const { return AsString(); }
  std::string AsMultiVariable() const { return AsString(); }
  std::string AsSlot() const { return AsString(); }
  std::string AsMultiSlot() const { return AsString(); }
  // The stored text of a text type without copying it; "Not a string" otherwise.
  std::string_view TextView() const;
  // dtInteger/dtFactId/dtDescriptor; dtFloat truncated; dtAtom/dtString parsed
  // (blanks, sign, decimal digits or "$" and hex digits). Word "integer".
  int32_t AsInteger() const;
  // The integer types and dtFloat; dtAtom/dtString parsed as a decimal float.
  double AsNumeric() const;
  double AsFloat() const { return AsNumeric(); }
  // dtInteger/dtFactId; dtFloat rounded to nearest, ties to even. Word "fact".
  int32_t AsFactId() const;
  int32_t AsDescriptor() const;
  IFunCall AsFunCall() const;
  IFact AsFact() const;
  IValueVector AsList() const;
  // The list of a dtList value, borrowed (no count change); "Not a list" otherwise.
  TValueVector& ListRef() const;
  // The live object of the component model; none for the nil object, a
  // destroyed one or another model's object. Word "object".
  TObject* AsObject() const;
  // The reference held (none: the nil object), borrowed. Word "object".
  TObjectRef* AsObjectRef() const;
  const char* AsClass() const;
  void* AsExternalAddress() const;
  TIEIntArray AsIntArray() const;
  TIEStringArray AsStringArray() const;
  TIEVariantArray AsVariantArray() const;
  // The cells of a dtVariantArray value, borrowed.
  const TIEVariantArray& VariantArrayRef() const;

  // Setters: set DType and store the payload; they never fail. Text is stored as
  // given (no "?" or quotes added or removed).
  void SetAsAtom(std::string_view text) { SetText(dtAtom, text); }
  void SetAsString(std::string_view text) { SetText(dtString, text); }
  void SetAsVariable(std::string_view text) { SetText(dtVariable, text); }
  void SetAsMultiVariable(std::string_view text) { SetText(dtMultiVariable, text); }
  void SetAsSlot(std::string_view text) { SetText(dtSlot, text); }
  void SetAsMultiSlot(std::string_view text) { SetText(dtMultiSlot, text); }
  void SetAsInteger(int32_t value) { SetInt(dtInteger, value); }
  void SetAsFactId(int32_t value) { SetInt(dtFactId, value); }
  void SetAsDescriptor(int32_t value) { SetInt(dtDescriptor, value); }
  void SetAsFloat(double value);
  void SetAsFunCall(IFunCall call);
  void SetAsFact(IFact fact);
  void SetAsList(IValueVector list);
  void SetAsObject(TObject* object) { SetAsObject(MakeComponentRef(object)); }
  void SetAsObject(IObjectRef object);
  // A class reference: the class name, which must outlive the value (a literal
  // or a registry's name).
  void SetAsClass(const char* className);
  void SetAsExternalAddress(void* address);
  void SetAsIntArray(TIEIntArray items);
  void SetAsStringArray(TIEStringArray items);
  void SetAsVariantArray(TIEVariantArray items);
  void SetTag(int32_t tag) override;

  // Text types: the string hash; integer types: the integer; dtFloat: truncated;
  // call, fact, list: theirs; dtObject: the object's address when the
  // reference was made (stable after its death); dtClass: the address; others 0.
  int32_t HashCode() const;
  // The printed form (strings in double quotes, "?x", "<Fact-7>", lists joined by
  // blanks, floats in the general float text, ...).
  std::string AsText() const;
  // Appends AsText to Out.
  void AppendText(std::string& out) const;

  // ICloneable: Source must be a TIEValue (EInvalidCast otherwise). Copies
  // DType, Tag and the payload; call, fact and list payloads are cloned, so the
  // copy shares no structure with Source.
  void Assign(const ICloneable& source) override;
  // The persistent-object assignment: copies DType, payload and Tag sharing
  // call, fact and list payloads. A null source raises EConvertError.
  void Assign(const TIEValue* source);
  TRef<ICloneable> CloneObject() const override;
  // A new value assigned (deeply) from this one.
  IIEValue Clone() const;
  // False unless Other is a TIEValue, then Equals.
  bool IsEqual(const ICloneable* other) const override;

  // Strict equality: same DType and equal payload (see the comments in the .cpp).
  bool Equals(const TIEValue* other) const;
  bool Equals(const IIEValue& other) const { return Equals(other.get()); }
  // Equality with Other read through the getter of this value's type; raises the
  // getter's error when Other does not convert. False when Other is null.
  bool EqualsConverted(const TIEValue* other) const;
  bool EqualsConverted(const IIEValue& other) const { return EqualsConverted(other.get()); }

  // The value this expression node stands for in Context: variables through
  // their bindings, slot references through the context's token and fact,
  // function calls evaluated; any other value is the receiver itself.
  IIEValue Resolve(TIEContext* context) const;

  // Empties the payload and sets DType to dtNone (Tag stays).
  void Clear() noexcept;

  // Marks a shared constant: changing it afterwards is a programming error.
  void Freeze() noexcept { frozen_ = true; }
  bool Frozen() const noexcept { return frozen_; }

 private:
  union TPayload {
    int32_t integer;
    double floating;
    TIEText* text;
    ICloneable* counted;   // dtFunCall, dtFact, dtList (holds one reference)
    TObjectRef* objectRef; // dtObject (holds one reference; none: nil)
    const char* className; // dtClass
    void* address;         // dtExternalAddress
    TRefCounted* array;    // the TIEArray of the array types (holds one reference)
  };

  void SetText(TIEType type, std::string_view text);
  void SetInt(TIEType type, int32_t value);
  void SetCounted(TIEType type, ICloneable* counted);
  void SetArray(TIEType type, TRefCounted* array);
  // Takes over Source's type and payload, adding references (shallow copy).
  void CopyPayloadShared(const TIEValue& source);
  [[noreturn]] void RaiseNotA(const char* word) const;
  void CheckMutable() const noexcept;
  template <class TItems>
  const TItems& ArrayItems() const {
    return static_cast<const TIEArray<TItems>*>(payload_.array)->Items;
  }

  TPayload payload_;
  TIEType dtype_ = dtNone;
  bool frozen_ = false;
  // A text value's hash, kept beside the pointer (in what would be padding):
  // hashing and comparing texts then read the text itself only when the
  // hashes agree.
  uint32_t textHash_ = 0;
};

static_assert(sizeof(TIEValue) == 32, "a value is vptr, count, Tag, payload and type");

// ---------------------------------------------------------------------------
// TValueVector: a multifield, an ordered list of values (an element may be
// none). The list operations (Count, Get, Put, Add, Insert, Delete, Remove,
// IndexOf, First, Last, Clear) are the interface list's. Elements are shared;
// Assign and Clone clone them. Not synchronised (see TIList).

class TValueVector : public ICloneable, public TIList<TIEValue> {
 public:
  TValueVector() = default;
  std::string ClassName() const override { return "TValueVector"; }

  // Appends Other's elements (shared, not cloned).
  void AddAll(const TValueVector& other);
  // Element-wise strict equality (both none, or both present and Equals).
  bool Equals(const TValueVector* other) const;
  bool Equals(const IValueVector& other) const { return Equals(other.get()); }
  // True for this very list; otherwise Other must hold as many elements, at each
  // position both none or both present and strictly equal.
  bool EqualsList(const TIList<TIEValue>* other) const;
  // The elements' texts joined by single blanks; empty for an empty vector.
  std::string AsText() const;
  void AppendText(std::string& out) const;
  // The wrapping 32-bit sum of the elements' hash codes.
  int32_t HashCode() const;

  // ICloneable: Source must be a TValueVector (EInvalidCast otherwise): clears,
  // appends a clone of each element (none stays none), copies Tag.
  // Assign(const TIList&) and Assign(const TPersistent*) share the elements.
  using TIList<TIEValue>::Assign;
  void Assign(const ICloneable& source) override;
  // The cloning assignment of ICloneable from another vector.
  void Assign(const TValueVector& source) { Assign(static_cast<const ICloneable&>(source)); }
  // A new TValueVector holding the same (shared) elements.
  std::unique_ptr<TIList<TIEValue>> CloneList() const override;
  TRef<ICloneable> CloneObject() const override;
  IValueVector Clone() const;
  // False unless Other is a TValueVector, then Equals.
  bool IsEqual(const ICloneable* other) const override;
};

// ---------------------------------------------------------------------------
// TValueHashTable: names to values (the engine's global variables).
// Not synchronised.

class TValueHashTable : public TIStringHashTableOf<TIEValue> {
 public:
  TValueHashTable() = default;
  std::string ClassName() const override { return "TValueHashTable"; }
  // One line "name = text\r\n" per entry, in enumeration order.
  std::string AsText() const;
  // From a TValueHashTable: in one update bracket clears, copies LoadFactor,
  // Capacity and HashType and puts a clone of every value under its name; then
  // the inherited assignment runs with the same source.
  void Assign(const TPersistent* source) override;
};

// ---------------------------------------------------------------------------
// The shared constants: created once (thread-safe), never changed.

const IIEValue& TrueAtom();      // atom "TRUE"
const IIEValue& FalseAtom();     // atom "FALSE"
const IIEValue& EmptyAtom();     // atom ""
const IIEValue& NilValue();      // dtObject holding no object
const IIEValue& EmptyList();     // a list holding an empty vector
const IIEValue& CatchAtom();     // "catch"
const IIEValue& ExceptAtom();    // "except"
const IIEValue& FinallyAtom();   // "finally"
const IIEValue& ElseAtom();      // "else"
const IIEValue& DoAtom();        // "do"
const IIEValue& EOFAtom();       // "EOF"
const IIEValue& ThenAtom();      // "then"
const IIEValue& PiValue();       // float 3.141592653589793
const IIEValue& ZeroValue();     // integer 0
// TrueAtom or FalseAtom.
inline const IIEValue& BooleanAtom(bool value) { return value ? TrueAtom() : FalseAtom(); }
