// The component side of the user-function framework: functions a host writes
// as components with an OnCall handler (TCustomUserFunction, TUserFunction,
// with their inner function TIEInnerFunction and its TIEFunctionNexus), and the
// package component TUserPackage (a TCustomReasonerOwner) with its lists of
// functions (TUserFunctionList) and engines (TReasonerList).
//
// The engines see a host function's inner function, which passes each call to
// the component while it exists. A package keeps every one of its functions
// registered with every one of its engines, whichever side changes. Engines
// are reached only through IReasoner; an engine that is also a component is
// watched, so its destruction removes it from every list here.
//
// Ownership: components belong to their owner tree; a package owns its two
// lists, which hold shared function references and engine links (never the
// engines). An inner function owns its nexus and outlives its component when
// registries still hold it.
// Engines destroyed first: a watched engine's components hear of its end either
// while it is still whole (it calls Destroying() in its own destructor) or
// after its IReasoner part is gone (its link then reads none, and no registry
// is touched); an engine class must give one of the two.
// Thread-safety: none; components and lists change on one thread, before the
// engines run.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/Component.h"
#include "functions/IEPackages.h"
#include "functions/IReasoner.h"

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
  // The component's Call, or the error when it is gone.
  void Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) override;
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
// in its own destructor). Engines on several threads may join and leave the
// list at the same time: the reaction to each change (watching the engine,
// ReasonersChanged) runs under the owner's own lock, one change at a time.
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
  // Serialises ReasonerListChanged and the removal of a destroyed engine;
  // recursive, as a change may cause another one of the same list.
  std::recursive_mutex changeLock_;
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
class TUserPackage : public TCustomReasonerOwner, public IPackageComponent {
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

  // The package's halves of keeping registrations in step. A removal of an
  // engine or function that is still listed once more changes nothing.
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

// Registers the component classes of this unit; called once by the
// registration of the built-in classes.
void RegisterIEPackageComponentsClasses();
