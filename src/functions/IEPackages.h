// The user-function framework: TIEUserFunction, the base of everything callable
// from the rule language (built-in package functions, host functions and
// deffunctions), its list of engines TBaseReasonerList, and the data seam
// through which a package stream writes and reads a function's four values;
// then the host-function components (TCustomUserFunction, TUserFunction) and
// the package component TUserPackage with its lists of functions and engines.
//
// Ownership: functions are reference counted (IUserFunction) and shared by
// their package and every engine registry that holds them; create one with
// MakeRef and keep it behind handles. A function's Reasoners list owns its
// entries (links of engines, never the engines themselves).
// Thread-safety: one function object serves several engines on different
// threads at once, so Call keeps every piece of working state local to the call;
// the fields are only changed while registering, before engines run.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "collections/InterfaceCollections.h"
#include "collections/RefCount.h"
#include "core/Component.h"
#include "core/Persistent.h"
#include "functions/IReasoner.h"
#include "values/IEValue.h"

class TIEContext;
class TFunctionCall;
class TIEUserFunction;

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
// with AddReasoner. Not synchronised.

class TBaseReasonerList : public TIList<TReasonerLink> {
 public:
  // Function is the back link (not owned; may be none for a detached list).
  explicit TBaseReasonerList(TIEUserFunction* function) noexcept : function_(function) {}
  ~TBaseReasonerList() override;
  std::string ClassName() const override { return "TBaseReasonerList"; }

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

  // The call. The base checks the argument count of FunCall against the stored
  // limits (CheckArgumentCount) and sets Result to none; every concrete function
  // calls it first, then resolves the arguments it needs against Context
  // (which may be none for a context-free evaluation) and sets Result.
  virtual void Call(TFunctionCall& funCall, TIEContext* context, IIEValue& result);
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
// Registration may run from static initialisers; lookups and registrations
// take a mutex.

using TFunctionFactory = std::function<IUserFunction()>;

// Registers (or replaces) the factory of ClassName; names compare exactly.
void RegisterFunctionClass(const std::string& className, TFunctionFactory factory);
bool IsFunctionClassRegistered(const std::string& className);
// A new function of the named class; EClassNotFound "Class %s not found" when
// the class is not registered.
IUserFunction CreateFunctionByClassName(const std::string& className);

template <class T>
void RegisterFunctionClass(const std::string& className) {
  RegisterFunctionClass(className, [] { return IUserFunction(new T()); });
}

// Registers T under ClassName when a static instance is initialised:
//   static const TFunctionClassRegistrar<TAndFunction> registrar("TAndFunction");
template <class T>
struct TFunctionClassRegistrar {
  explicit TFunctionClassRegistrar(const std::string& className) {
    RegisterFunctionClass<T>(className);
  }
};

// ===========================================================================
// Component-backed functions and packages.
//
// A host writes a function as a component (TUserFunction) with an OnCall
// handler; the engines see its inner function (TIEInnerFunction), which
// passes each call to the component while it exists. A package (TUserPackage)
// is a component holding a list of functions and the list of engines it
// serves; it keeps every one of its functions registered with every one of
// its engines. Engines are reached only through IReasoner; an engine that is
// also a component is watched, so its destruction removes it everywhere.
//
// Lifetime of engines: a watched engine component is expected to have its
// IReasoner part gone (its link reads none) or still whole when its
// components hear of its destruction; either way no registry of a half
// destroyed engine is touched through a link that reads none.
// Thread-safety: none; components and lists change on one thread, before the
// engines run.

using TNotifyEvent = std::function<void(TObject* sender)>;
// The handler of a host function: Result starts as none.
using TCallEvent = std::function<void(TObject* sender, TFunctionCall& funCall,
                                      TIEContext* context, IIEValue& result)>;

class TIEInnerFunction;
class TCustomUserFunction;
class TCustomReasonerOwner;
class TUserPackage;

// The engine component called Name, looked for among the owners of From and
// their components (nearest owner first); none when there is none that is an
// engine (implements IReasoner).
TComponent* FindReasonerComponent(const TComponent& from, const std::string& name);

// TIEFunctionNexus: the small component through which an inner function hears
// that its host component was destroyed. Owned by its inner function.
class TIEFunctionNexus : public TComponent {
 public:
  explicit TIEFunctionNexus(TIEInnerFunction* function) noexcept : function_(function) {}
  std::string ClassName() const override { return "TIEFunctionNexus"; }
  // The destruction of a linked component is passed to the inner function.
  void Notification(TComponent* component, TOperation operation) override;
  void DetachFunction() noexcept { function_ = nullptr; }

 private:
  TIEInnerFunction* function_;
};

// TIEInnerFunction: the function object behind a TCustomUserFunction. The
// component is not owned; once it is destroyed a call raises EIEException
// "Function is unimplemented or unassigned: %s". Never written to a package
// stream (the component carries its own values).
class TIEInnerFunction : public TIEUserFunction {
 public:
  explicit TIEInnerFunction(TCustomUserFunction* component);
  ~TIEInnerFunction() override;
  std::string ClassName() const override { return "TIEInnerFunction"; }

  // The host component, or none once it was destroyed.
  TCustomUserFunction* Component() const noexcept { return component_; }
  // Base check; then the component's Call, or the error when it is gone.
  void Call(TFunctionCall& funCall, TIEContext* context, IIEValue& result) override;
  bool SupportsStreaming() const override { return false; }
  // Told by the nexus (or the component itself) that Component is going.
  void ComponentDestroyed(const TComponent* component) noexcept;

 private:
  TCustomUserFunction* component_;
  std::unique_ptr<TIEFunctionNexus> nexus_;
};

// TCustomUserFunction: a host function as a component. Its inner function is
// created with it (named after the component; while the function name equals
// the component name, renaming the component renames the function) and lives
// on, shared, in the registries and packages that hold it. Engine is not
// owned: setting it registers the inner function with that engine (through
// the function's Reasoners, so renames follow), and the engine's destruction
// clears it. Destroying the component first sets Engine to none.
class TCustomUserFunction : public TComponent {
 public:
  explicit TCustomUserFunction(TComponent* owner = nullptr);
  ~TCustomUserFunction() override;
  std::string ClassName() const override { return "TCustomUserFunction"; }

  // The inner function, the object engines and packages hold.
  IUserFunction Function() const { return IUserFunction(function_); }

  const std::string& Comment() const noexcept;
  void SetComment(std::string_view comment);
  const std::string& FunctionName() const noexcept;
  void SetFunctionName(std::string_view name);
  int32_t MaxArgumentCount() const;
  void SetMaxArgumentCount(int32_t count);
  int32_t MinArgumentCount() const;
  void SetMinArgumentCount(int32_t count);

  // None, or a component implementing IReasoner (EInvalidCast "Invalid class
  // typecast" otherwise). A different engine: the old one drops the inner
  // function and the new one takes it, when the function has a name.
  TComponent* Engine() const noexcept { return engine_; }
  void SetEngine(TComponent* engine);

  // Result := none; then OnCall (with this component as Sender) when assigned.
  virtual void Call(TFunctionCall& funCall, TIEContext* context, IIEValue& result);
  TCallEvent OnCall;

  // From another TCustomUserFunction: Comment, FunctionName, MaxArgumentCount,
  // MinArgumentCount.
  void Assign(const TPersistent* source) override;
  void SetName(const std::string& name) override;
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;

 protected:
  // The stream form of Engine: its name, resolved (FindReasonerComponent) at
  // once, or when loading ends while a stream is being read.
  std::string EngineName() const;
  void SetEngineName(const std::string& name);

 private:
  TComponent* engine_ = nullptr;
  IReasonerLink engineLink_;
  std::string pendingEngine_;
  TRef<TIEInnerFunction> function_;
};

// TUserFunction: TCustomUserFunction publishing Comment, FunctionName,
// MaxArgumentCount, MinArgumentCount and Engine (by name). OnCall is set by
// the host in code.
class TUserFunction : public TCustomUserFunction {
 public:
  using TCustomUserFunction::TCustomUserFunction;
  std::string ClassName() const override { return "TUserFunction"; }
  void Properties(std::vector<TProperty>& props) override;
};

// ---------------------------------------------------------------------------
// TReasonerList: the engines a TCustomReasonerOwner serves; every change is
// passed to the owner. Add engines with AddReasoner (no duplicates).
class TReasonerList : public TBaseReasonerList {
 public:
  explicit TReasonerList(TCustomReasonerOwner* owner) noexcept
      : TBaseReasonerList(nullptr), owner_(owner) {}
  ~TReasonerList() override { owner_ = nullptr; }
  std::string ClassName() const override { return "TReasonerList"; }
  void Notify(const TRef<TReasonerLink>& item, TListNotification action) override;
  void DetachOwner() noexcept { owner_ = nullptr; }

 private:
  TCustomReasonerOwner* owner_;
};

// TCustomReasonerOwner: a component that serves a list of engines (owned
// list of engine links). An engine that is a component is watched while it is
// listed; its destruction removes it from the list. Destroying the owner
// clears the list (a subclass whose ReasonersChanged must see that clears it
// in its own destructor).
class TCustomReasonerOwner : public TComponent {
 public:
  explicit TCustomReasonerOwner(TComponent* owner = nullptr);
  ~TCustomReasonerOwner() override;
  std::string ClassName() const override { return "TCustomReasonerOwner"; }

  TReasonerList& Reasoners() noexcept { return *reasoners_; }
  const TReasonerList& Reasoners() const noexcept { return *reasoners_; }
  // Called after an engine was added to or deleted from the list (Reasoner
  // reads none for an engine that is already destroyed). Does nothing here.
  virtual void ReasonersChanged(const IReasonerLink& reasoner, TListNotification action);
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TReasonerList;
  void ReasonerListChanged(const IReasonerLink& reasoner, TListNotification action);

  struct TWatch {
    TReasonerLink* Link;
    TComponent* Component;
  };
  std::unique_ptr<TReasonerList> reasoners_;
  std::vector<TWatch> watched_;
};

// ---------------------------------------------------------------------------
// TUserFunctionList: the functions of a package (shared references); every
// change is passed to the package's FunctionsChanged.
class TUserFunctionList : public TIList<TIEUserFunction> {
 public:
  explicit TUserFunctionList(TUserPackage* package) noexcept : package_(package) {}
  ~TUserFunctionList() override { package_ = nullptr; }
  std::string ClassName() const override { return "TUserFunctionList"; }

  // Every function's FunctionName followed by CR LF, in list order.
  std::string Text() const;
  // The index of the first function named Name (exact), or -1.
  int32_t IndexOfName(std::string_view name) const;
  // A detached copy holding the same functions.
  std::unique_ptr<TIList<TIEUserFunction>> CloneList() const override;
  void DetachPackage() noexcept { package_ = nullptr; }

 protected:
  void Notify(const TRef<TIEUserFunction>& item, TListNotification action) override;

 private:
  TUserPackage* package_;
};

// TUserPackage: a group of functions served to a list of engines. Every
// function of Functions is registered with every engine of Reasoners; adding
// or removing either side keeps the registries exact.
//
// Construction: a package owned by an engine (a component implementing
// IReasoner) serves that engine from the start. The constructor ends with
// CreateFunctions; since a base constructor cannot reach an override, each
// concrete package class calls CreateFunctions() at the end of its own
// constructor as well, and adds its functions with CreateFunction<T> /
// AddFunctionOnce, which skip what is already there, so the repeated calls
// create nothing twice.
class TUserPackage : public TCustomReasonerOwner {
 public:
  explicit TUserPackage(TComponent* owner = nullptr);
  ~TUserPackage() override;
  std::string ClassName() const override { return "TUserPackage"; }

  TUserFunctionList& Functions() noexcept { return *functions_; }
  const TUserFunctionList& Functions() const noexcept { return *functions_; }
  // Takes the same function objects as List, in order.
  void SetFunctions(const TIList<TIEUserFunction>& list);
  // From another package: its function list (shared objects).
  void Assign(const TPersistent* source) override;

  // None, or a component implementing IReasoner (EInvalidCast "Invalid class
  // typecast" otherwise). A different engine leaves the reasoner list and the
  // new one joins it (once); the engine's destruction clears Engine.
  TComponent* Engine() const noexcept { return engine_; }
  void SetEngine(TComponent* engine);

  // Reads as false; writing true clears Functions and runs CreateFunctions.
  bool Reset() const noexcept { return false; }
  void SetReset(bool value);

  // Fires OnCreateFunctions (Sender = this package) when assigned. Built-in
  // packages call this first, then add one instance of each function class.
  virtual void CreateFunctions();
  TNotifyEvent OnCreateFunctions;

  // Adds Function unless that object, or one of the same class and name, is
  // already listed; true when added.
  bool AddFunctionOnce(const IUserFunction& function);
  template <class T, class... Args>
  bool CreateFunction(Args&&... args) {
    return AddFunctionOnce(IUserFunction(new T(std::forward<Args>(args)...)));
  }

  // The package's halves of keeping registrations in step.
  void ReasonersChanged(const IReasonerLink& reasoner, TListNotification action) override;
  virtual void FunctionsChanged(const IUserFunction& function, TListNotification action);
  void AddFunctionsTo(const IReasonerLink& reasoner);
  void RemoveFunctionsFrom(const IReasonerLink& reasoner);
  void AddReasonersTo(const IUserFunction& function);
  void RemoveReasonersFrom(const IUserFunction& function);

  // The stream form of the function table: one entry per function that
  // supports streaming, holding its class name and its WriteData values.
  // Setting it clears Functions and makes each entry's function again by class
  // name (EClassNotFound "Class %s not found" for an unknown class; an entry
  // naming a component class, which is no function object, is skipped),
  // reads its values and adds it. EReadError "Stream read error" for an entry
  // that is not in the stream form.
  std::vector<std::string> PackageFunctions() const;
  void SetPackageFunctions(const std::vector<std::string>& entries);

  // Published: Name, Engine (by name), Reset (never written),
  // PackageFunctions (written when not empty).
  void Properties(std::vector<TProperty>& props) override;
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;

 private:
  TComponent* engine_ = nullptr;
  IReasonerLink engineLink_;
  std::string pendingEngine_;
  std::unique_ptr<TUserFunctionList> functions_;
};

// The stream form of one function table entry, and back. Exposed for tests
// and for packages that write entries of their own.
std::string EncodeFunctionEntry(const std::string& className, const TFunctionData& data);
// The class name, and the remaining values in Data. EReadError "Stream read
// error" when Entry is not in the stream form.
std::string DecodeFunctionEntry(std::string_view entry, TFunctionData& data);
