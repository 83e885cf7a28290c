// Fact templates and their slots (TFactTemplate, TFactSlot) and facts (TFact);
// fact sets (TFactSet, the deffacts construct) are in facts/IEFactSet.h.
//
// Ownership: templates, slots and facts are reference counted (TRef handles
// IFactTemplate, IFactSlot, IFactRef). A template holds its slots; every fact
// holds its template; a slot refers back to its template by a plain pointer
// that the template clears when it dies. The engine a template belongs to is
// reached through the IFactEngine seam (not owned): the engine outlives its
// templates or detaches them with SetEngine(nullptr).
// Thread-safety: reference counts change atomically; everything else is used by
// one engine thread at a time.
//
// Representation: a template keeps its slots in the string hashtable that fixes
// their order (slot-table order: the order facts print in) and, beside it, in a
// layout vector indexed by each slot's Index(). A fact stores its values in a
// vector indexed the same way, so reading or writing a slot by its TFactSlot is
// a bounds check and an index; by name it is one lookup in the template's table.
// An empty entry of a fact's vector means "not read yet": the first read stores
// a copy of the slot default (lazy defaults). A removed slot leaves a hole in
// the layout, so the indices of the other slots (and every fact's vector) stay
// valid.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "collections/BlockPool.h"
#include "collections/CommonInterfaces.h"
#include "collections/InterfaceCollections.h"
#include "collections/RefCount.h"
#include "core/IEInterfaces.h"
#include "facts/SlotValues.h"
#include "values/IEValue.h"

class TFactSlot;
class TFactTemplate;
class TFact;
class TFactSet;

using IFactSlot = TRef<TFactSlot>;
using IFactTemplate = TRef<TFactTemplate>;
// The concrete fact handle; IFact (values/IEValue.h) is the handle of its base.
using IFactRef = TRef<TFact>;

// The fact behind a value-level fact handle, or none when it is no TFact.
inline TFact* AsTFact(const TCustomFact* fact);
inline IFactRef AsFactRef(const IFact& fact);

// Types a single-field slot accepts (mask 0x3DFE) and a multislot (0x80200).
inline constexpr TIETypes SingleSlotTypes = TIETypes::FromMask(0x3DFE);
inline constexpr TIETypes MultiSlotTypes = TIETypes::FromMask(0x80200);

// The characters a template or slot name must not contain.
inline constexpr char SNameForbiddenChars[] = " '\"#()[]?:$&;<>";
// Raises EIEException SUnexpectedCharacter when Name holds a forbidden character.
void CheckConstructName(const std::string& name);
// "ATOM, STRING": the names of Types in type order, "dt" cut, upper-cased,
// joined by Separator.
std::string TypeSetText(TIETypes types, std::string_view separator = ", ");

// ---------------------------------------------------------------------------
// The engine seam: what templates, facts and fact sets need from the engine
// that owns them. TInferenceEngine implements it.

class IFactEngine {
 public:
  virtual ~IFactEngine() = default;
  // The number the next asserted fact will get (fixes the index width).
  virtual int32_t NextFactNumber() const = 0;
  // True when the engine's TypeChecks contains tcDynamic.
  virtual bool DynamicTypeCheck() const = 0;
  // Told before a template of this engine takes a new name (the registry keeps
  // its index by name).
  virtual void TemplateRenaming(TFactTemplate& factTemplate, const std::string& oldName,
                                const std::string& newName) = 0;
  // The registered template of that name, or none.
  virtual IFactTemplate FindFactTemplate(const std::string& name) = 0;
  // Registers a template created on the engine's behalf.
  virtual void AddFactTemplate(const IFactTemplate& factTemplate) = 0;
  // The fact parser: a new fact read from its text form by this engine.
  virtual IFactRef ParseFact(const std::string& text) = 0;
  // Asserts Fact into working memory; its new identifier, or -1 when it was
  // not asserted (an equal fact is there already).
  virtual int32_t AssertFact(const IFactRef& fact) = 0;
  // A hint that Fact is asserted next: the engine may start loading what
  // that assertion will read (a fact set asserts its facts one after
  // another, and each assertion's lookups miss the cache). Does nothing by
  // default.
  virtual void PrepareAssert(const TFact& fact) const { (void)fact; }
  // The fact-set registry.
  virtual void AddFactSet(TFactSet& factSet) = 0;
  virtual void RemoveFactSet(TFactSet& factSet) = 0;

  // The printer's text forms; the defaults are the forms of this unit.
  virtual std::string FactText(const TFact& fact) const;
  virtual std::string SlotText(const TFactSlot& slot) const;
  virtual std::string TemplateText(const TFactTemplate& factTemplate) const;
  // The deffacts text (facts/IEFactSet.h has the default, DefaultFactSetText).
  virtual std::string FactSetText(const TFactSet& factSet) const = 0;
};

// The default text forms (facts/FactTexts.cpp), used without an engine; the
// engine's printer writes the same.
std::string DefaultFactText(const TFact& fact);
std::string DefaultSlotText(const TFactSlot& slot);
std::string DefaultTemplateText(const TFactTemplate& factTemplate);
// A fact nested in a value: DefaultFactText for a fact of this layer, its own
// AsText for any other (the fact writer of functions/WrittenText.h).
std::string WrittenFactText(const TCustomFact& fact);

// ---------------------------------------------------------------------------
// TFactSlot: a slot of a template: name, default value and accepted types.
// A slot belongs to at most one template (its Owner), which it tells before its
// name, default or types change.

class TFactSlot : public ICloneable {
 public:
  // A slot of Owner (may be none) with no name, no default and no types. It
  // enters the owner's table only through the owner (AddSlot, PutSlot).
  explicit TFactSlot(TFactTemplate* owner = nullptr) : owner_(owner) {}

  const std::string& Name() const noexcept { return name_; }
  // Rejects forbidden characters (EIEException SUnexpectedCharacter); when the
  // name differs, tells the owner (which re-keys its table) and stores it.
  void SetName(const std::string& name);
  // Null when the slot has no default.
  const IIEValue& SlotDefault() const noexcept { return default_; }
  // Nothing happens when Value is non-null and equal to the current default.
  void SetSlotDefault(const IIEValue& value);
  TIETypes SlotType() const noexcept { return types_; }
  // When the set differs: stores it; a default whose type is outside the new
  // set becomes EmptyList, EmptyAtom, ZeroValue or NilValue by the new set.
  void SetSlotType(TIETypes types);
  bool IsMultiSlot() const noexcept { return types_.Contains(dtMultiSlot); }
  TTemplateSlotType Kind() const noexcept { return IsMultiSlot() ? tstMultiSlot : tstSlot; }

  // The template the slot belongs to, or none.
  TFactTemplate* Owner() const noexcept { return owner_; }
  // The slot's position in its template's layout (and every fact's value
  // vector); -1 when the slot is in no template's table.
  int32_t Index() const noexcept { return index_; }
  // The owning template's name; empty without one.
  std::string TemplateName() const;

  // Copies name, default, tag and types through the setters.
  void Assign(const TFactSlot& source);
  // ICloneable: Source must be a TFactSlot (EInvalidCast otherwise).
  void Assign(const ICloneable& source) override;
  // The same object; else equal names, equal type sets and defaults that are
  // the same object or equal values (a missing default equals only a missing one).
  bool Equals(const TFactSlot* other) const;
  bool IsEqual(const ICloneable* other) const override;
  // A new slot assigned from this one. It is in no template's table (so it
  // cannot displace this slot); TemplateName of the copy is empty.
  IFactSlot Copy() const;
  TRef<ICloneable> CloneObject() const override;
  // The declaration text, "(slot x )", by the owning engine's printer.
  std::string AsText() const;

 private:
  friend class TFactTemplate;

  TFactTemplate* owner_ = nullptr;
  IIEValue default_;
  std::string name_;
  TIETypes types_;
  int32_t index_ = -1;
};

// ---------------------------------------------------------------------------
// TFactTemplate: a kind of fact (deftemplate) and its slots.

class TFactTemplate : public ICloneable {
 public:
  explicit TFactTemplate(IFactEngine* engine = nullptr);
  // Assigned from Source, then named Name (stored as given, unchecked) with
  // Comment; Source becomes the Parent when it belongs to the same engine.
  TFactTemplate(IFactEngine* engine, const TFactTemplate& source, const std::string& comment,
                const std::string& name);
  ~TFactTemplate() override;
  TFactTemplate(const TFactTemplate&) = delete;
  TFactTemplate& operator=(const TFactTemplate&) = delete;

  // An implied (ordered) template: comment "(Implied)", one multislot "__Data".
  static IFactTemplate CreateImplied(IFactEngine* engine, const std::string& name);

  // Adds a single-field slot with Default or replaces an existing slot's
  // default. EIEException: SBadSlotType (no default), SInvalidDefaultSlotValue
  // (a list default), SBadSlotName (blank name), SMultislotIsNotSlot (the
  // existing slot is a multislot). The template is unchanged on failure.
  IFactSlot AddSlot(const std::string& name, const IIEValue& defaultValue);
  // The mirror image for a multislot: SBadSlotType, SInvalidMultislotDefault
  // (a non-list default), SBadSlotName, SSlotIsNotMultislot.
  IFactSlot AddMultiSlot(const std::string& name, const IIEValue& defaultValue);
  // Stores Slot under Key, which must equal its name (SIndexDoesNotMatchSlot).
  // The slot becomes this template's; a slot of that name it replaces is dropped.
  void PutSlot(const std::string& key, const IFactSlot& slot);
  // The slot of that name, or none.
  IFactSlot GetSlot(const std::string& name) const { return IFactSlot(FindSlot(name)); }
  TFactSlot* FindSlot(const std::string& name) const;
  bool HasSlot(const std::string& name) const { return FindSlot(name) != nullptr; }
  // Removes the named slot (nothing when absent); its index becomes a hole.
  void RemoveSlot(const std::string& name);
  int32_t SlotCount() const noexcept { return int32_t(order_.size()); }
  // The slots in slot-table order (borrowed; valid until the slot set changes).
  const std::vector<TFactSlot*>& Slots() const noexcept { return order_; }
  // An iterator over the slot names in slot-table order (a snapshot).
  IStringIteratorRef SlotNames() const;
  // The size of the value layout (the largest slot index + 1, holes included).
  int32_t LayoutSize() const noexcept { return int32_t(layout_.size()); }
  // Counts the changes of the slot set (additions, removals, renames), so
  // that a reader that remembered a slot's position knows when to look again.
  uint32_t LayoutVersion() const noexcept { return layoutVersion_; }
  // The slot at a layout index, or none (a hole or out of range).
  TFactSlot* SlotAtIndex(int32_t index) const noexcept {
    return uint32_t(index) < layout_.size() ? layout_[size_t(index)].get() : nullptr;
  }

  const std::string& Name() const noexcept { return name_; }
  // The character check of slot names; the engine is told before the name is stored.
  void SetName(const std::string& name);
  const IFactTemplate& Parent() const noexcept { return parent_; }
  void SetParent(const IFactTemplate& parent) { parent_ = parent; }
  bool BackwardChaining() const noexcept { return backwardChaining_; }
  void SetBackwardChaining(bool value) noexcept { backwardChaining_ = value; }
  const std::string& Comment() const noexcept { return comment_; }
  void SetComment(const std::string& comment) { comment_ = comment; }
  // Slot count below 2 and a slot "__Data": an ordered template.
  bool Implied() const noexcept { return implied_; }
  IFactEngine* Engine() const noexcept { return engine_; }
  void SetEngine(IFactEngine* engine) noexcept { engine_ = engine; }

  // Copies BackwardChaining, Comment, Parent (only when Source's parent is of
  // this engine, else cleared), the slots (new slots with copied defaults and
  // the source types), the implied flag and Tag. Name and engine stay.
  void Assign(const TFactTemplate& source);
  void Assign(const ICloneable& source) override;
  // Sets every slot of Fact to a copy of its default. EIEException
  // SFactTemplateMissing / STemplatesDiffer when Fact is not of this template.
  void ApplyDefaults(TFact& fact) const;
  // A new template assigned from this one (named "<name> Copy" with an engine).
  IFactTemplate Copy() const;
  TRef<ICloneable> CloneObject() const override;
  // Same object, or same implied flag, name, and every slot of this template
  // present and equal in Other (Other's extra slots are not looked at).
  bool Equals(const TFactTemplate* other) const;
  bool IsEqual(const ICloneable* other) const override;
  // The deftemplate text, by the engine's printer.
  std::string AsText() const;

  // The slot-change sink: told by member slots before they change.
  virtual void SlotRenaming(TFactSlot& slot, const std::string& oldName,
                            const std::string& newName);
  virtual void SlotDefaultChanging(TFactSlot& slot);
  virtual void SlotTypesChanging(TFactSlot& slot);

 private:
  bool IsMember(const TFactSlot& slot) const noexcept {
    return slot.owner_ == this && SlotAtIndex(slot.index_) == &slot;
  }
  // Gives Slot a layout index and stores it under Key (dropping a slot of that
  // key it displaces), then refreshes the order and the implied flag.
  void Enter(const std::string& key, const IFactSlot& slot);
  // Takes a member slot out of the table and the layout.
  void Drop(TFactSlot& slot);
  void SlotSetChanged();
  IFactSlot NewSlot(const std::string& name, const IIEValue& defaultValue, TIETypes types);

  TIStringHashTableOf<TFactSlot> table_;
  std::vector<IFactSlot> layout_;
  std::vector<TFactSlot*> order_;
  IFactTemplate parent_;
  std::string name_;
  std::string comment_;
  IFactEngine* engine_ = nullptr;
  bool backwardChaining_ = false;
  bool implied_ = false;
  uint32_t layoutVersion_ = 0;
};

// ---------------------------------------------------------------------------
// TFact: a template, a value per slot and the identity number ID.

class TFact : public TCustomFact, public TPooledObject<TFact> {
 public:
  // A fact of Template (may be none) with ID -1; Source's slots are copied.
  explicit TFact(IFactTemplate factTemplate = nullptr, const TFact* source = nullptr);
  TFact(const TFact&) = delete;
  TFact& operator=(const TFact&) = delete;

  // A new fact of the same template with this fact's slots.
  IFactRef Clone() const;
  TRef<ICloneable> CloneObject() const override;

  const IFactTemplate& Template() const noexcept { return template_; }
  // When different: values of slots the new template lacks are dropped (all of
  // them for none); slots the fact lacks get a copy of their default.
  void SetTemplate(const IFactTemplate& factTemplate);

  // The value of the named slot (none when the template lacks it); an unread
  // slot first stores a copy of its default. SFactTemplateMissing without template.
  IIEValue GetSlotValue(const std::string& slotName) override;
  // The same by slot object: constant time for a slot of this fact's template.
  const IIEValue& SlotValue(const TFactSlot& slot);
  // Stores Value itself (NilValue for none). EIEException SFactTemplateMissing,
  // SNoSuchSlotName, or SNotAType when the engine checks types dynamically and
  // the value's type is neither in the slot's types nor dtFunCall.
  void SetSlotValue(const std::string& slotName, const IIEValue& value);
  void SetSlotValue(const TFactSlot& slot, const IIEValue& value);
  // The stored value, or the slot default itself when the slot was not read
  // yet; nothing is stored. For printing and comparing.
  const TIEValue* PeekSlotValue(const TFactSlot& slot) const;
  // The same by layout index (no default for an index outside the layout).
  const TIEValue* PeekValueAt(int32_t index) const noexcept {
    if (uint32_t(index) < values_.size() && values_[size_t(index)]) return values_[size_t(index)].get();
    const TFactSlot* slot = template_ ? template_->SlotAtIndex(index) : nullptr;
    return slot ? slot->SlotDefault().get() : nullptr;
  }
  // Calls Visit for every slot of the template in slot-table order.
  void ForEachSlot(const std::function<void(const TFactSlot&, const TIEValue*)>& visit) const;

  // Replaces the values by copies of Other's. Other must be of the very same
  // template (SFactTemplateMissing, STemplatesDiffer).
  void AssignSlots(const TFact& other);
  // Copies template, values (copies), ID and Tag; a fact of another engine's
  // template is carried over by its text (see the .cpp).
  void Assign(const TFact& source);
  void Assign(const ICloneable& source) override;

  // Same object, or the same template object and equal values in every slot.
  bool Equals(const TCustomFact* other) const override;
  bool IsEqual(const ICloneable* other) const override;
  // The wrapping sum of the hash codes of the slot values (an unread slot
  // counts its default, so equal facts hash alike).
  int32_t HashCode() const override;

  int32_t ID() const override { return id_; }
  void SetID(int32_t id) noexcept { id_ = id; }

  // "(person (name Bob) (age 5))", by the engine's printer.
  std::string AsText() const override;
  std::string Text() const { return AsText(); }
  // "f-" and ID, zero-padded to the digits of the engine's next fact number,
  // a blank and the text.
  std::string IndexedText() const;

 private:
  friend class TFactTemplate;

  // The index of Slot in this fact's layout, or -1 when not of its template.
  int32_t IndexOf(const TFactSlot& slot) const noexcept;
  void CheckValueType(const TFactSlot& slot, const IIEValue& value) const;
  IIEValue& Cell(int32_t index);

  // The id first: it fills the base's last four bytes, which keeps a fact
  // at 72 bytes.
  int32_t id_ = -1;
  IFactTemplate template_;
  TSlotValues values_;
};

// ---------------------------------------------------------------------------
// TSlotReader: reads one named slot of facts of any template. It remembers
// where the last template it met keeps the slot (and holds that template, so
// the memory cannot be reused by another), so reading facts of one template
// costs no name lookup. Used by one engine thread at a time.

class TSlotReader {
 public:
  TSlotReader() = default;
  explicit TSlotReader(std::string name) : name_(std::move(name)) {}
  const std::string& Name() const noexcept { return name_; }
  void SetName(std::string name) {
    name_ = std::move(name);
    template_ = nullptr;
  }
  // The slot's value (its default while the fact has not stored one; nothing
  // is stored), or none when there is no fact or its template lacks the slot.
  const TIEValue* Peek(TCustomFact* fact) const {
    // Facts are TFacts but for stand-ins in tests: a type comparison is far
    // cheaper than a cast through the hierarchy.
    if (!fact || typeid(*fact) != typeid(TFact)) return PeekOther(fact);
    const TFact& typed = static_cast<const TFact&>(*fact);
    const TFactTemplate* factTemplate = typed.Template().get();
    if (!factTemplate) return nullptr;
    if (factTemplate != template_.get() || factTemplate->LayoutVersion() != version_)
      Locate(typed);
    return index_ < 0 ? nullptr : typed.PeekValueAt(index_);
  }
  // The same, or with SubIndex other than -1 that item of the multifield
  // value (none when the value is no multifield or too short).
  const TIEValue* Peek(TCustomFact* fact, int32_t subIndex) const;

 private:
  std::string name_;
  mutable IFactTemplate template_;
  mutable uint32_t version_ = 0;
  mutable int32_t index_ = -1;
  // The value read from a fact that is no TFact, kept while it is looked at.
  mutable IIEValue held_;

  // Finds the slot in Fact's template and remembers where it is.
  void Locate(const TFact& fact) const;
  const TIEValue* PeekOther(TCustomFact* fact) const;
};

inline TFact* AsTFact(const TCustomFact* fact) {
  // Nearly every fact is a plain TFact: a type comparison answers for it far
  // more cheaply than a cast through the hierarchy.
  if (fact && typeid(*fact) == typeid(TFact))
    return static_cast<TFact*>(const_cast<TCustomFact*>(fact));
  return dynamic_cast<TFact*>(const_cast<TCustomFact*>(fact));
}
inline IFactRef AsFactRef(const IFact& fact) { return IFactRef(AsTFact(fact.get())); }
