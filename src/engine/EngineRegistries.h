// The construct registries of an engine: templates (TFactTemplates), rules
// (TRules), user functions (TUserFunctions), the store-and-fetch storage
// (TEngineVariables), the declared globals (TGlobalVariables) and the fact
// sets (TFactSets). The registries decide what happens when a construct of an
// existing name arrives (the engine's DuplicateConstructs), what else goes
// when a construct goes, and which events announce each change.
//
// Ownership: every registry is owned by its engine and keeps a plain back
// link to it (may be none: a registry without engine only stores). Templates,
// functions and values are shared references held by the entries; rules and
// fact sets are components owned by the engine (the two registries only list
// them). Thread-safety: none; used under the engine's lock by one thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "collections/GHashtable.h"
#include "collections/GStringTableOf.h"
#include "collections/InterfaceCollections.h"
#include "core/Controls.h"
#include "facts/IEFacts.h"
#include "functions/IEPackages.h"
#include "values/IEValue.h"

class TInferenceEngine;
class TFactSet;
class TRule;
class TComponent;

// The settings every hashtable registry is created with.
inline constexpr uint32_t RegistryCapacity = 101;
inline constexpr float RegistryLoadFactor = 0.75f;

// ---------------------------------------------------------------------------
// TFactTemplates: name to template. Put applies the implied "__Data" slot to
// a template without slots, then the duplicate rule; a stored template gets
// the engine and OnNewFactTemplate is raised.

class TFactTemplates : public TIStringHashTableOf<TFactTemplate> {
 public:
  explicit TFactTemplates(TInferenceEngine* engine = nullptr);
  ~TFactTemplates() override;
  std::string ClassName() const override { return "TFactTemplates"; }
  TInferenceEngine* Engine() const noexcept { return engine_; }

  // Puts Template under its name.
  void Add(const IFactTemplate& factTemplate) { Put(factTemplate->Name(), factTemplate); }
  // Value must be a TFactTemplate. EIEException 'Fact Template Name already
  // exists: "%s"' under dcError (nothing changes then).
  void PutValue(std::string_view key, const TRef<TRefCounted>& value,
                TRef<TRefCounted>& old) override;
  // When present (and with an engine): OnRemoveFactTemplate, the engine removes
  // the template's dependents, then the entry goes. Returns the template, or
  // none when absent.
  IFactTemplate Remove(std::string_view name);
  // The engine's ClearWorkingMemory, then the table is emptied, then
  // OnClearFactTemplates with this registry as Sender.
  void Clear() override;
  // Every template's text followed by CR LF, in iteration order.
  std::string GetText() const;
  // The templates in iteration order.
  std::vector<IFactTemplate> Templates() const;
  // From another TFactTemplates: templates Source lacks or defines otherwise
  // are removed; the settings are copied; Source's templates are copied in
  // (a new copy for this engine, or assigned onto the one of the same name).
  void Assign(const TPersistent* source) override;
  // Capacity, HashType, LoadFactor, then "Templates" (one text per template;
  // reading clears the registry and parses each text as a deftemplate).
  void Properties(std::vector<TProperty>& props) override;

  // To a tree view (TTreeView): FillTree. Any other destination as the base.
  void AssignTo(TPersistent& dest) const override;
  // Empties Tree, then adds a node per template in iteration order, each with
  // its slots (AddTemplateNode); the first node is selected.
  void FillTree(TTreeView& tree) const;
  // A top-level node named after Template with a child per slot (AddSlotNode).
  TTreeView::TNode* AddTemplateNode(TTreeView& tree, const TFactTemplate& factTemplate) const;
  // A child of Parent named after Slot, holding "Type: " and the slot's types
  // joined by ", ", and, when the slot has a default, "Default: " and its text.
  TTreeView::TNode* AddSlotNode(TTreeView& tree, TTreeView::TNode* parent,
                                const TFactSlot& slot) const;

 private:
  void SetTemplateTexts(const std::vector<std::string>& texts);
  TInferenceEngine* engine_;
};

// ---------------------------------------------------------------------------
// TRules: name to rule (not owning: the rules are the engine's components).

class TRules : public TGStringTableOf<TRule> {
 public:
  explicit TRules(TInferenceEngine* engine = nullptr);
  std::string ClassName() const override { return "TRules"; }
  TInferenceEngine* Engine() const noexcept { return engine_; }

  // Puts Rule under its RuleName.
  void Add(TRule& rule) { Put(RuleKey(rule), rule); }
  // The duplicate rule, then (for a stored rule) the compilation, the
  // compile trace when watched, and OnAddRule. Under dcIgnore an incoming
  // rule the engine owns is freed; under dcError EIEException 'Duplicate
  // Rules defined with same name: "%s"' and nothing changes.
  void Put(std::string_view name, TRule& rule);
  // The rule under Name, or none.
  TRule* Find(std::string_view name) const noexcept;
  // The rule under Name; EGHashtableError when absent.
  TRule* Get(std::string_view name) const;
  // When present: the entry goes, then the engine's RemoveRule.
  void Remove(std::string_view name);
  // Remove (Name) only when the entry under Name is Rule itself.
  void RemoveIfSame(std::string_view name, const TComponent* rule);
  // Raw table operations without the duplicate rule, events or removal work:
  // moves the entry OldName to NewName; takes the entry Name out.
  void Rekey(std::string_view oldName, std::string_view newName);
  void TakeOut(std::string_view name);
  // The name under which Rule (compared as a pointer only, so a rule being
  // destroyed may be asked for) is registered, or "".
  std::string NameOf(const TComponent* rule) const;
  // Frees every registered rule the engine owns (each leaves the table on its
  // way), then RuleCounter := 0, the table is emptied and OnClearRules raised.
  void Clear() override;
  // Every rule's text followed by CR LF.
  std::string GetText() const;
  std::vector<TRule*> Rules() const;
  // From another TRules: Clear, the settings are copied, then every rule of
  // Source is added: a rule this engine owns as it is, any other one made
  // again from its text by this engine's parser.
  void Assign(const TPersistent* source) override;
  // Capacity, HashType, LoadFactor, then "Rules" (one text per rule).
  void Properties(std::vector<TProperty>& props) override;

 private:
  static std::string RuleKey(const TRule& rule);
  // The table's put and remove, keeping the index of names in step.
  void PutRaw(std::string_view name, TRule* rule);
  void RemoveRaw(std::string_view name);
  // Makes the index of names again when the table changed without it.
  void SyncNames() const;
  void NoteName(const TRule* rule, std::string_view name, int32_t delta) const;

  TInferenceEngine* engine_;
  // Each rule (as a component) with the number of entries that hold it and
  // the key of one: NameOf answers without walking the table unless a rule
  // is listed twice. In step with the table while namesStamp_ is its
  // ChangeStamp.
  struct TNames {
    int32_t Count = 0;
    std::string Name;
  };
  mutable std::unordered_map<const TComponent*, TNames> names_;
  mutable uint64_t namesStamp_ = 0;
};

// ---------------------------------------------------------------------------
// TUserFunctions: name to function. A stored function lists the engine among
// its engines; one that leaves the registry through Remove or Clear no longer
// does.

class TUserFunctions : public TIStringHashTableOf<TIEUserFunction> {
 public:
  explicit TUserFunctions(TInferenceEngine* engine = nullptr);
  ~TUserFunctions() override;
  std::string ClassName() const override { return "TUserFunctions"; }

  void Add(const IUserFunction& function) { Put(function->FunctionName(), function); }
  // EIEException "Function names do not match: %s and %s" when Key is not the
  // function's name; the duplicate rule ('Function Name already exists: "%s"'
  // under dcError).
  void PutValue(std::string_view key, const TRef<TRefCounted>& value,
                TRef<TRefCounted>& old) override;
  // When present: the entry goes and the engine leaves the function's list of
  // engines. Returns the function, or none when absent.
  IUserFunction Remove(std::string_view name);
  // Takes the entry out only when it holds Function; the function's list of
  // engines is not touched (for the function's own unregistering).
  void TakeOut(const TIEUserFunction& function);
  // Every function leaves (the engine leaves each one's list), then the table
  // is emptied.
  void Clear() override;
  // For every deffunction in iteration order: CR LF, then its text.
  std::string GetText() const;
  std::vector<IUserFunction> Functions() const;
  // From another TUserFunctions: Clear, the settings are copied, then every
  // function of Source lists this engine too (which registers it here);
  // a deffunction is read again from its text by this engine instead.
  void Assign(const TPersistent* source) override;

 private:
  TInferenceEngine* engine_;
};

// ---------------------------------------------------------------------------
// TEngineVariables: name to value (the store-and-fetch storage).

class TEngineVariables : public TValueHashTable {
 public:
  explicit TEngineVariables(TInferenceEngine* engine = nullptr);
  std::string ClassName() const override { return "TEngineVariables"; }
  TInferenceEngine* Engine() const noexcept { return engine_; }
  // One global text (name = value) per entry followed by CR LF.
  std::string GetText() const;
  // The base properties, then "Variables" (one text per entry; reading parses
  // each with the engine's ParseVariable and puts the name and value).
  void Properties(std::vector<TProperty>& props) override;

 protected:
  TInferenceEngine* engine_;
};

// TGlobalVariables: the declared values of the defglobals. Putting one also
// sets the current value in the engine's root context (SetGlobal); Clear
// also empties the root context's bindings.
class TGlobalVariables : public TEngineVariables {
 public:
  using TEngineVariables::TEngineVariables;
  std::string ClassName() const override { return "TGlobalVariables"; }
  void PutValue(std::string_view key, const TRef<TRefCounted>& value,
                TRef<TRefCounted>& old) override;
  void Clear() override;
};

// ---------------------------------------------------------------------------
// TFactSets: the engine's fact sets in registration order (not owning).

class TFactSets {
 public:
  int32_t Count() const noexcept { return int32_t(sets_.size()); }
  // EListError "List index out of bounds (%d)" outside the list.
  TFactSet* Get(int32_t index) const;
  // The position of the first set whose FactSetName is Name, or -1.
  int32_t IndexOfName(const std::string& name) const;
  int32_t IndexOf(const TComponent* factSet) const noexcept;
  // Appends Set unless listed; returns its position.
  int32_t Add(TFactSet& factSet);
  // Takes Set (compared as a pointer only) out of the list; its former
  // position or -1.
  int32_t Remove(const TComponent* factSet);
  void Clear() noexcept {
    sets_.clear();
    where_.clear();
  }
  // The texts of all sets concatenated in list order.
  std::string GetText() const;
  auto begin() const noexcept { return sets_.begin(); }
  auto end() const noexcept { return sets_.end(); }

 private:
  std::vector<TFactSet*> sets_;
  // Each listed set (as a component) with its position when last seen. A
  // position only goes down (as sets before it leave), so the true one is
  // found walking back from there: asking about an unlisted component (as the
  // engine does for every component it loses) costs no scan at all.
  mutable std::unordered_map<const TComponent*, size_t> where_;
};
