// The evaluation context: TBinding (one named variable), TBindings (a context's
// own table of bindings) and TIEContext (bindings, parent link, the engine's
// roles (values/EngineRoles.h), the token and fact being evaluated for, and
// the return state of `return`).
//
// Ownership: a context owns its TBindings, which owns its TBinding objects;
// binding values are shared handles. Parent and Engine are not owned. A child
// made by CreateChild is owned by the caller and must not outlive its parent.
// Thread-safety: none; a context is used by its engine's thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "collections/BlockPool.h"
#include "collections/GStringTableOf.h"
#include "core/Persistent.h"
#include "values/EngineRoles.h"
#include "values/IEValue.h"

class TIEContext;

// SlotIndex of a binding of a whole pattern (`?f <- (...)`).
inline constexpr char BindingPatternSlot[] = "__PATTERN";
// SlotIndex of a binding made during evaluation.
inline constexpr char BindingLocalSlot[] = "__LOCAL";
// FactIndex of a local binding.
inline constexpr int32_t BindingLocalFact = -2;

// The change notifications a TBindings table sends its context.
enum TBindingAction : uint8_t { baAdded = 0, baRemoved = 1, baCleared = 2 };

// One named variable. Value is shared; it may be none until set.
class TBinding : public TPersistent, public TPooledObject<TBinding> {
 public:
  // A value-less binding description (a rule's variable: where it comes from).
  TBinding(std::string_view name, int32_t factIndex, std::string_view slotIndex,
           int32_t subIndex)
      : slotIndex_(slotIndex), subIndex_(subIndex), factIndex_(factIndex), name_(name) {}
  // A local binding: FactIndex -2, SlotIndex "__LOCAL", SubIndex -1.
  TBinding(std::string_view name, IIEValue value)
      : value_(std::move(value)), slotIndex_(BindingLocalSlot), subIndex_(-1),
        factIndex_(BindingLocalFact), name_(name) {}
  std::string ClassName() const override { return "TBinding"; }

  const IIEValue& Value() const noexcept { return value_; }
  void SetValue(IIEValue value) noexcept { value_ = std::move(value); }
  const std::string& SlotIndex() const noexcept { return slotIndex_; }
  void SetSlotIndex(std::string_view slotIndex) { slotIndex_ = slotIndex; }
  int32_t SubIndex() const noexcept { return subIndex_; }
  void SetSubIndex(int32_t subIndex) noexcept { subIndex_ = subIndex; }
  int32_t FactIndex() const noexcept { return factIndex_; }
  void SetFactIndex(int32_t factIndex) noexcept { factIndex_ = factIndex; }
  const std::string& Name() const noexcept { return name_; }
  void SetName(std::string_view name) { name_ = name; }
  bool IsLocal() const noexcept { return slotIndex_ == BindingLocalSlot; }

  // From another TBinding: all five fields (the value is shared).
  void Assign(const TPersistent* source) override;

 private:
  IIEValue value_;
  std::string slotIndex_;
  int32_t subIndex_;
  int32_t factIndex_;
  std::string name_;
};

// A context's own bindings by name: a string hashtable (capacity 101, load
// factor 0.75) that owns its TBinding objects and tells its context about
// every addition, removal and clearing. At most one binding per name.
class TBindings : public TGStringTableOf<TBinding>, public TPooledObject<TBindings> {
 public:
  // Capacity: the table's first bucket count (it grows as bindings come).
  explicit TBindings(TIEContext* context, uint32_t capacity = 101);
  ~TBindings() override;
  std::string ClassName() const override { return "TBindings"; }

  // The binding of Name in this table, or none. Does not allocate.
  TBinding* Find(std::string_view name) const;
  // The same with Name's StringNumber known (see TGStringHashtable).
  TBinding* Find(std::string_view name, uint32_t number) const { return FindItem(name, number); }
  // Stores Binding under Name, destroying an old binding of that name first
  // ("removed", then "added" notification). Returns the stored binding.
  TBinding* Put(std::string_view name, std::unique_ptr<TBinding> binding);
  // Put under the binding's own name.
  TBinding* Add(std::unique_ptr<TBinding> binding);
  // Removes and destroys the binding of Name; false when there is none.
  bool RemoveBinding(std::string_view name);
  // Destroys every binding, then tells the context "cleared".
  void Clear() override;
  // Forwards a change to the owning context; a removed item is destroyed.
  void Notification(TBinding* item, TBindingAction action);
  // Stops notifications (the context is being destroyed).
  void DetachContext() noexcept { context_ = nullptr; }
  TIEContext* Context() const noexcept { return context_; }

 protected:
  void FreeItem(TBinding* binding) override;

 private:
  TIEContext* context_;
};

class TIEContext : public TPersistent, public TPooledObject<TIEContext> {
 public:
  // A context below Parent (none for a root) belonging to the engine whose
  // roles Engine are (not owned).
  explicit TIEContext(TIEContext* parent = nullptr, IEngineServices* engine = nullptr);
  ~TIEContext() override;
  TIEContext(const TIEContext&) = delete;
  TIEContext& operator=(const TIEContext&) = delete;
  std::string ClassName() const override { return "TIEContext"; }

  // From another context: Returned and a clone of its ReturnValue (when it has
  // one); any other source as a persistent object.
  void Assign(const TPersistent* source) override;

  // Called by the own bindings table; "cleared" clears the return state.
  void BindingsChanged(TBinding* item, TBindingAction action);

  // The return state of `return`.
  bool Returned() const noexcept { return returned_; }
  void SetReturned(bool returned) noexcept { returned_ = returned; }
  const IIEValue& ReturnValue() const noexcept { return returnValue_; }
  // ReturnValue := Value; Returned := true.
  void SetReturnValue(IIEValue value);
  // Returned := false; ReturnValue := none.
  void ClearReturnValue();

  // Replaces the value of Name in this context's own table, else BindVariable.
  void SetVariable(std::string_view name, IIEValue value);
  // Replaces the value of Name in the root context's table, else adds a local
  // binding there (never in an intermediate context).
  void SetGlobalVariable(std::string_view name, IIEValue value);
  // Adds a local binding to this context's own table (replacing one of the
  // same name there). Returns the new binding.
  TBinding* AddBinding(std::string_view name, IIEValue value);
  // Removes and destroys a visible binding of Name (wherever it is), then adds
  // a value-less binding with the given indexes to this context's table.
  TBinding* AddReferenceBinding(std::string_view name, int32_t factIndex, int32_t subIndex,
                                std::string_view slotIndex);
  // Replaces the value of the visible binding of Name, else adds a local
  // binding to this context's own table. Returns the binding.
  TBinding* BindVariable(std::string_view name, IIEValue value);
  // Clears the own table (and with it the return state).
  void ClearBindings();

  // A new context below this one with the same engine; the caller owns it.
  std::unique_ptr<TIEContext> CreateChild();
  // Copies Returned and ReturnValue into the parent and returns it; a root
  // returns itself and copies nothing.
  TIEContext* ReleaseToParent();

  // The visible binding of Name, innermost context first; none when no context
  // of the chain holds it. Does not allocate.
  TBinding* FindBinding(std::string_view name) const;
  // The binding of Name in the root context's table, or none.
  TBinding* FindRootBinding(std::string_view name) const;
  // The value of the visible binding of Name; EIEException "Unknown variable
  // name: %s" when there is none.
  IIEValue GetVariableValue(std::string_view name) const;

  // The roles of the engine this context evaluates for, or none.
  IEngineServices* Engine() const noexcept { return engine_; }
  TIEContext* Parent() const noexcept { return parent_; }
  // The outermost context of the chain (this one for a root).
  TIEContext* Root() noexcept;
  const TIEContext* Root() const noexcept;
  TBindings& Bindings() noexcept { return *bindings_; }
  const TBindings& Bindings() const noexcept { return *bindings_; }

  const IFact& Fact() const noexcept { return fact_; }
  void SetFact(IFact fact) noexcept { fact_ = std::move(fact); }
  const IReteToken& Token() const noexcept { return token_; }
  void SetToken(IReteToken token) noexcept { token_ = std::move(token); }

 private:
  bool returned_ = false;
  IIEValue returnValue_;
  IEngineServices* engine_;
  std::unique_ptr<TBindings> bindings_;
  TIEContext* parent_;
  IFact fact_;
  IReteToken token_;
};
