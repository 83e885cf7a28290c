// The user-function framework: TIEUserFunction, the base of everything callable
// from the rule language (built-in package functions, host functions and
// deffunctions), its list of engines TBaseReasonerList, and the data seam
// through which a package stream writes and reads a function's four values.
// The host-function components and the package component TUserPackage are in
// functions/IEPackageComponents.h.
//
// Ownership: functions are reference counted (IUserFunction) and shared by
// their package and every engine registry that holds them; create one with
// MakeRef and keep it behind handles. A function's Reasoners list owns its
// entries (links of engines, never the engines themselves).
// Thread-safety: one function object serves several engines on different
// threads at once, so Call keeps every piece of working state local to the call;
// the fields are only changed while registering, before engines run. The list
// of engines locks itself (see TBaseReasonerList).
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "collections/InterfaceCollections.h"
#include "collections/RefCount.h"
#include "core/Persistent.h"
#include "functions/IReasoner.h"
#include "values/IEValue.h"

class TIEContext;
class TFunctionCall;
class TIEUserFunction;

// The marker of a function-package component. The package class TUserPackage
// derives from it, which lets an engine recognise the packages among its
// owned components (setting Packages frees them) without knowing the class.
class IPackageComponent {
 public:
  virtual ~IPackageComponent() = default;
};

// The largest argument count: MaxArgumentCount's "unlimited".
inline constexpr int32_t UnlimitedArguments = std::numeric_limits<int32_t>::max();

// ---------------------------------------------------------------------------
// The data seam of the package stream: a function writes its values in order
// and reads them back in the same order.

class TFunctionWriter {
 public:
  virtual ~TFunctionWriter() = default;
  virtual void WriteString(std::string_view text) = 0;
  virtual void WriteInteger(int64_t value) = 0;
};

class TFunctionReader {
 public:
  virtual ~TFunctionReader() = default;
  // Each raises EReadError "Stream read error" when the next value is missing or
  // of the other kind.
  virtual std::string ReadString() = 0;
  virtual int64_t ReadInteger() = 0;
};

// An in-memory sequence of written values that reads back from the start; the
// package stream keeps one per function entry. Not synchronised.
class TFunctionData : public TFunctionWriter, public TFunctionReader {
 public:
  using TItem = TPropertyValue;  // std::string or int64_t here

  void WriteString(std::string_view text) override { items_.emplace_back(std::string(text)); }
  void WriteInteger(int64_t value) override { items_.emplace_back(value); }
  std::string ReadString() override;
  int64_t ReadInteger() override;

  const std::vector<TItem>& Items() const noexcept { return items_; }
  std::vector<TItem>& Items() noexcept { return items_; }
  // The values not read yet.
  size_t Remaining() const noexcept { return items_.size() - position_; }
  void Rewind() noexcept { position_ = 0; }

 private:
  std::vector<TItem> items_;
  size_t position_ = 0;
};

// ---------------------------------------------------------------------------
// TBaseReasonerList: the engines a function is registered with. An interface
// list of engine links; every addition and deletion (Clear deletes the items
// one by one, first first) is passed to the function's ReasonerChanged, which
// keeps the engines' registries in step. Engines appear at most once when added
// with AddReasoner.
//
// Thread-safety: the list is shared by every engine a function serves, and
// engines on different threads register, unregister, undefine functions and
// clear their registries at the same time, so each operation below holds the
// list's own lock. A notification runs after the lock is released (it reaches
// an engine's registry, which may come back to this list). Single operations
// are atomic; a sequence (find an index, then delete it) is not: use Remove,
// RemoveReasoner or Snapshot instead. The operations of the base that would
// bypass the lock are hidden.

class TBaseReasonerList : public TIList<TReasonerLink> {
 public:
  // Function is the back link (not owned; may be none for a detached list).
  explicit TBaseReasonerList(TIEUserFunction* function) noexcept : function_(function) {}
  ~TBaseReasonerList() override;
  std::string ClassName() const override { return "TBaseReasonerList"; }

  int32_t Count() const;
  bool IsEmpty() const { return Count() == 0; }
  // A reference to the entry at Index (EListError outside the list).
  TItem Get(int32_t index) const;
  TItem Items(int32_t index) const { return Get(index); }
  TItem operator[](int32_t index) const { return Get(index); }
  int32_t IndexOf(const TReasonerLink* link) const;
  int32_t IndexOf(const TItem& link) const { return IndexOf(link.get()); }
  // The entries as they are now.
  std::vector<TItem> Snapshot() const;

  // Appends Link (even when listed already); returns its index.
  int32_t Add(TItem link);
  void Delete(int32_t index);
  // Deletes the first entry identical to Link; its former index or -1.
  int32_t Remove(const TReasonerLink* link);
  int32_t Remove(const TItem& link) { return Remove(link.get()); }
  // Deletes the first entry until none is left.
  void Clear();
  // Clear, then Add every entry of Source (a reasoner list) in order.
  void Assign(const TPersistent* source) override;

  // Adds Reasoner unless already listed; returns its index.
  int32_t AddReasoner(IReasoner& reasoner);
  // Removes Reasoner when listed; returns its former index or -1.
  int32_t RemoveReasoner(const IReasoner& reasoner);
  // The index of Reasoner, -1 when absent.
  int32_t IndexOfReasoner(const IReasoner& reasoner) const;
  bool ContainsReasoner(const IReasoner& reasoner) const {
    return IndexOfReasoner(reasoner) >= 0;
  }
  // The engine at Index; none when that engine was destroyed.
  IReasoner* Reasoner(int32_t index) const;

  // Stops the notifications (the function is being destroyed).
  void DetachFunction() noexcept { function_ = nullptr; }

 // Passes the change to the function's ReasonerChanged.
  void Notify(const TRef<TReasonerLink>& item, TListNotification action) override;

 private:
  // Unlocked operations of the base, hidden.
  using TIList<TReasonerLink>::Insert;
  using TIList<TReasonerLink>::Put;
  using TIList<TReasonerLink>::Exchange;
  using TIList<TReasonerLink>::First;
  using TIList<TReasonerLink>::Last;
  using TIList<TReasonerLink>::Reserve;
  using TIList<TReasonerLink>::begin;
  using TIList<TReasonerLink>::end;

  // Takes the entry at Index out under the lock; none when Index is outside
  // the list and Raise is false.
  TItem TakeOut(int32_t index, bool raise);

  mutable std::mutex lock_;
  TIEUserFunction* function_;
};

// ---------------------------------------------------------------------------
// TIEUserFunction: name, help text, argument limits, engines, and the call.
// A function is destroyed only when its last handle goes (count 0), so there
// is no "destroyed while still referenced" case to detect; never delete one
// directly or keep one outside a handle once engines are listed.

class TIEUserFunction : public TPersistent, public TRefCounted {
 public:
  // MinArgumentCount 0, MaxArgumentCount unlimited, empty name and comment.
  TIEUserFunction();
  ~TIEUserFunction() override;
  TIEUserFunction(const TIEUserFunction&) = delete;
  TIEUserFunction& operator=(const TIEUserFunction&) = delete;
  std::string ClassName() const override { return "TIEUserFunction"; }

  // From another TIEUserFunction: MinArgumentCount, MaxArgumentCount, Comment,
  // then FunctionName through SetFunctionName (so the registries follow).
  // Anything else as a persistent object (EConvertError).
  void Assign(const TPersistent* source) override;

  // Called by the Reasoners list: "added" registers this function with
  // Reasoner, "deleted" unregisters it. Reasoner is none for a destroyed engine.
  virtual void ReasonerChanged(IReasoner* reasoner, TListNotification action);

  // The call: checks the argument count of FunCall against the stored limits
  // (CheckArgumentCount), sets Result to none, then runs the function's own
  // Run. Every caller comes through here, so no function repeats the check.
  void Call(TFunctionCall& funCall, TIEContext* context, IIEValue& result);
  // EIEException "Too few arguments for %s" / "Too many arguments for %s" with
  // FunctionName when FunCall's argument count is outside the stored limits.
  void CheckArgumentCount(const TFunctionCall& funCall) const;

  // Setting the maximum below the minimum lowers the minimum to match;
  // setting the minimum above the maximum raises the maximum to match.
  virtual void SetMaxArgumentCount(int32_t count);
  virtual void SetMinArgumentCount(int32_t count);
  virtual int32_t GetMaxArgumentCount() const { return maxArgumentCount_; }
  virtual int32_t GetMinArgumentCount() const { return minArgumentCount_; }
  int32_t MaxArgumentCount() const { return GetMaxArgumentCount(); }
  int32_t MinArgumentCount() const { return GetMinArgumentCount(); }

  const std::string& Comment() const noexcept { return comment_; }
  void SetComment(std::string_view comment) { comment_ = comment; }
  // The help text in the built-in functions' form "%s\r\n     syntax: (%s)".
  void SetHelp(std::string_view help, std::string_view syntax);

  const std::string& FunctionName() const noexcept { return functionName_; }
  // A different name is unregistered from every listed engine, stored, then
  // registered again with each, so the registries follow the rename. An
  // empty name is registered with no engine.
  virtual void SetFunctionName(std::string_view name);

  TBaseReasonerList& Reasoners() noexcept { return reasoners_; }
  const TBaseReasonerList& Reasoners() const noexcept { return reasoners_; }

  // The package stream's seam: FunctionName (through SetFunctionName), Comment,
  // MaxArgumentCount, MinArgumentCount; descendants may append more after these.
  virtual void ReadData(TFunctionReader& reader);
  virtual void WriteData(TFunctionWriter& writer) const;
  // Whether a package stream writes this function (class name and data) and
  // can make it again by class name. Functions backed by something outside
  // themselves (a host component) say no.
  virtual bool SupportsStreaming() const { return true; }

 protected:
  // The function's own work, run by Call once the argument count is checked
  // and Result is none: resolves the arguments it needs against Context
  // (which may be none for a context-free evaluation) and sets Result. The
  // base leaves Result none.
  virtual void Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result);

  // The stored limits (a subclass may report others through the getters; the
  // base argument check always uses these).
  int32_t minArgumentCount_ = 0;
  int32_t maxArgumentCount_ = UnlimitedArguments;

 private:
  std::string comment_;
  TBaseReasonerList reasoners_;
  std::string functionName_;
};

// ---------------------------------------------------------------------------
// The classes of functions a package stream may name: class name to factory.
// The built-in classes are registered by RegisterBuiltinPackageClasses
// (packages/BuiltinPackages.h); lookups and registrations take a mutex.

using TFunctionFactory = std::function<IUserFunction()>;

// Registers (or replaces) the factory of ClassName; names compare exactly.
void RegisterFunctionClass(const std::string& className, TFunctionFactory factory);
bool IsFunctionClassRegistered(const std::string& className);
// A new function of the named class; EClassNotFound "Class %s not found" when
// the class is not registered.
IUserFunction CreateFunctionByClassName(const std::string& className);

// Registers the classes of this unit (TIEUserFunction); called once by the
// registration of the built-in classes.
void RegisterIEPackagesClasses();

template <class T>
void RegisterFunctionClass(const std::string& className) {
  RegisterFunctionClass(className, [] { return IUserFunction(new T()); });
}

// Registers T under its declared class name T::StaticClassName (which
// IE_FUNCTION declares).
template <class T>
void RegisterFunctionClass() {
  RegisterFunctionClass<T>(T::StaticClassName);
}

// Registers T under ClassName when a static instance is initialised:
//   static const TFunctionClassRegistrar<TAndFunction> registrar("TAndFunction");
template <class T>
struct TFunctionClassRegistrar {
  explicit TFunctionClassRegistrar(const std::string& className) {
    RegisterFunctionClass<T>(className);
  }
};

