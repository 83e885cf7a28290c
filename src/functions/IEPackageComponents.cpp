// Host-function components and function packages: TIEFunctionNexus,
// TIEInnerFunction, TCustomUserFunction, TUserFunction, TReasonerList,
// TCustomReasonerOwner, TUserFunctionList and TUserPackage.
#include <charconv>
#include <climits>
#include <optional>
#include <typeinfo>
#include <variant>

#include "core/ClassRegistry.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "core/TextCompare.h"
#include "functions/IEFunctionCall.h"
#include "functions/IEPackageComponents.h"

namespace {

// The engine side of a component, or EInvalidCast when it is not an engine.
IReasoner* AsReasoner(TComponent* component) {
  if (!component) return nullptr;
  auto* reasoner = dynamic_cast<IReasoner*>(component);
  if (!reasoner) throw EInvalidCast(SInvalidCast);
  return reasoner;
}

int32_t ToArgumentCount(const TPropertyValue& value) {
  int64_t count = std::get<int64_t>(value);
  if (count < INT32_MIN || count > INT32_MAX)
    throw EConvertError(Format(SInvalidInteger, {std::to_string(count)}));
  return int32_t(count);
}

TProperty StringProperty(const std::string& name, std::function<std::string()> get,
                         std::function<void(const std::string&)> set,
                         std::optional<std::string> defaultValue) {
  TProperty p;
  p.Name = name;
  p.Kind = pkString;
  p.Get = [get = std::move(get)]() -> TPropertyValue { return get(); };
  p.Set = [set = std::move(set)](const TPropertyValue& v) { set(std::get<std::string>(v)); };
  if (defaultValue) p.Default = TPropertyValue(*defaultValue);
  return p;
}

TProperty CountProperty(const std::string& name, std::function<int32_t()> get,
                        std::function<void(int32_t)> set, int32_t defaultValue) {
  TProperty p;
  p.Name = name;
  p.Kind = pkInteger;
  p.Get = [get = std::move(get)]() -> TPropertyValue { return int64_t(get()); };
  p.Set = [set = std::move(set)](const TPropertyValue& v) { set(ToArgumentCount(v)); };
  p.Default = TPropertyValue(int64_t(defaultValue));
  return p;
}

}  // namespace

TComponent* FindReasonerComponent(const TComponent& from, const std::string& name) {
  if (name.empty()) return nullptr;
  for (TComponent* level = from.Owner(); level; level = level->Owner()) {
    if (SameText(level->Name(), name) && dynamic_cast<IReasoner*>(level)) return level;
    TComponent* found = level->FindComponent(name);
    if (found && dynamic_cast<IReasoner*>(found)) return found;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// Function table entries: a sequence of values, each "S<length>:<bytes>" for
// a string or "I<decimal>;" for an integer; the first is the class name. The
// lengths make every byte of a name or help text read back exactly.

std::string EncodeFunctionEntry(const std::string& className, const TFunctionData& data) {
  std::string entry = "S" + std::to_string(className.size()) + ":" + className;
  for (const TFunctionData::TItem& item : data.Items()) {
    if (const auto* text = std::get_if<std::string>(&item)) {
      entry += "S" + std::to_string(text->size()) + ":" + *text;
    } else if (const auto* number = std::get_if<int64_t>(&item)) {
      entry += "I" + std::to_string(*number) + ";";
    }
  }
  return entry;
}

std::string DecodeFunctionEntry(std::string_view entry, TFunctionData& data) {
  size_t pos = 0;
  auto number = [&](char end, int64_t& value) {
    size_t stop = entry.find(end, pos);
    if (stop == std::string_view::npos || stop == pos) throw EReadError(SReadError);
    const char* first = entry.data() + pos;
    const char* last = entry.data() + stop;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last) throw EReadError(SReadError);
    pos = stop + 1;
  };
  std::string className;
  bool first = true;
  while (pos < entry.size()) {
    char kind = entry[pos++];
    int64_t value = 0;
    if (kind == 'S') {
      number(':', value);
      if (value < 0 || uint64_t(value) > entry.size() - pos) throw EReadError(SReadError);
      std::string_view text = entry.substr(pos, size_t(value));
      pos += size_t(value);
      if (first)
        className = std::string(text);
      else
        data.WriteString(text);
    } else if (kind == 'I' && !first) {
      number(';', value);
      data.WriteInteger(value);
    } else {
      throw EReadError(SReadError);
    }
    first = false;
  }
  if (first) throw EReadError(SReadError);
  data.Rewind();
  return className;
}

// ---------------------------------------------------------------------------
// TIEFunctionNexus and TIEInnerFunction

void TIEFunctionNexus::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && function_) function_->ComponentDestroyed(component);
}

TIEInnerFunction::TIEInnerFunction(TCustomUserFunction* component)
    : component_(component), nexus_(std::make_unique<TIEFunctionNexus>(this)) {
  if (component_) component_->FreeNotification(nexus_.get());
}

TIEInnerFunction::~TIEInnerFunction() {
  // The nexus goes with this function; its destruction tells the component
  // (when it is still there) to drop the link.
  nexus_->DetachFunction();
}

void TIEInnerFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  if (!component_) throw EIEException(Format(SFunctionUnimplemented, {FunctionName()}));
  component_->Call(funCall, context, result);
}

void TIEInnerFunction::ComponentDestroyed(const TComponent* component) noexcept {
  if (component && component == component_) {
    component_->RemoveFreeNotification(nexus_.get());
    component_ = nullptr;
  }
}

// ---------------------------------------------------------------------------
// TCustomUserFunction and TUserFunction

TCustomUserFunction::TCustomUserFunction(TComponent* owner)
    : TComponent(owner), function_(MakeRef<TIEInnerFunction>(this)) {
  function_->SetFunctionName(Name());
}

TCustomUserFunction::~TCustomUserFunction() {
  SetEngine(nullptr);
  // From here on the function, wherever it is still registered, reports that
  // it is unassigned.
  function_->ComponentDestroyed(this);
}

const std::string& TCustomUserFunction::Comment() const noexcept { return function_->Comment(); }
void TCustomUserFunction::SetComment(std::string_view comment) { function_->SetComment(comment); }
const std::string& TCustomUserFunction::FunctionName() const noexcept {
  return function_->FunctionName();
}
void TCustomUserFunction::SetFunctionName(std::string_view name) { function_->SetFunctionName(name); }
int32_t TCustomUserFunction::MaxArgumentCount() const { return function_->MaxArgumentCount(); }
void TCustomUserFunction::SetMaxArgumentCount(int32_t count) { function_->SetMaxArgumentCount(count); }
int32_t TCustomUserFunction::MinArgumentCount() const { return function_->MinArgumentCount(); }
void TCustomUserFunction::SetMinArgumentCount(int32_t count) { function_->SetMinArgumentCount(count); }

void TCustomUserFunction::SetEngine(TComponent* engine) {
  if (engine == engine_) return;
  IReasoner* reasoner = AsReasoner(engine);
  if (engine_) {
    function_->Reasoners().Remove(engineLink_);
    RemoveFreeNotification(engine_);
    engine_ = nullptr;
    engineLink_ = nullptr;
  }
  if (!reasoner) return;
  engine_ = engine;
  engineLink_ = reasoner->Link();
  FreeNotification(engine_);
  function_->Reasoners().AddReasoner(*reasoner);
}

std::string TCustomUserFunction::EngineName() const {
  return engine_ ? engine_->Name() : pendingEngine_;
}

void TCustomUserFunction::SetEngineName(const std::string& name) {
  if (Loading()) {
    pendingEngine_ = name;  // the engine may be read after this component
    return;
  }
  SetEngine(FindReasonerComponent(*this, name));
}

void TCustomUserFunction::Loaded() {
  TComponent::Loaded();
  if (pendingEngine_.empty()) return;
  std::string name = std::move(pendingEngine_);
  pendingEngine_.clear();
  SetEngine(FindReasonerComponent(*this, name));
}

void TCustomUserFunction::Call(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = nullptr;
  if (OnCall) OnCall(this, funCall, context, result);
}

void TCustomUserFunction::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TCustomUserFunction*>(source);
  if (!other) {
    TComponent::Assign(source);
    return;
  }
  SetComment(other->Comment());
  SetFunctionName(other->FunctionName());
  // The maximum first: setting it may lower the minimum, which is set next.
  SetMaxArgumentCount(other->MaxArgumentCount());
  SetMinArgumentCount(other->MinArgumentCount());
}

void TCustomUserFunction::SetName(const std::string& name) {
  std::string old = Name();
  TComponent::SetName(name);
  if (function_->FunctionName() == old) function_->SetFunctionName(name);
}

void TCustomUserFunction::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove || !component || component != engine_) return;
  // The engine is going: its entry leaves the function's engines (its link
  // reads none by now or the engine is still whole, see the header).
  IReasonerLink link = std::move(engineLink_);
  engine_ = nullptr;
  engineLink_ = nullptr;
  if (link) function_->Reasoners().Remove(link);
}

void TUserFunction::Properties(std::vector<TProperty>& props) {
  TCustomUserFunction::Properties(props);
  props.push_back(StringProperty(
      "Comment", [this] { return Comment(); }, [this](const std::string& v) { SetComment(v); },
      std::string()));
  props.push_back(StringProperty(
      "FunctionName", [this] { return FunctionName(); },
      [this](const std::string& v) { SetFunctionName(v); }, std::nullopt));
  props.push_back(CountProperty(
      "MaxArgumentCount", [this] { return MaxArgumentCount(); },
      [this](int32_t v) { SetMaxArgumentCount(v); }, UnlimitedArguments));
  props.push_back(CountProperty(
      "MinArgumentCount", [this] { return MinArgumentCount(); },
      [this](int32_t v) { SetMinArgumentCount(v); }, 0));
  props.push_back(StringProperty(
      "Engine", [this] { return EngineName(); },
      [this](const std::string& v) { SetEngineName(v); }, std::string()));
}

// ---------------------------------------------------------------------------
// TReasonerList and TCustomReasonerOwner

void TReasonerList::Notify(const TRef<TReasonerLink>& item, TListNotification action) {
  if (owner_) owner_->ReasonerListChanged(item, action);
}

TCustomReasonerOwner::TCustomReasonerOwner(TComponent* owner)
    : TComponent(owner), reasoners_(std::make_unique<TReasonerList>(this)) {}

TCustomReasonerOwner::~TCustomReasonerOwner() {
  reasoners_->Clear();
  reasoners_->DetachOwner();
}

void TCustomReasonerOwner::ReasonersChanged(const IReasonerLink& /*reasoner*/,
                                            TListNotification /*action*/) {}

void TCustomReasonerOwner::ReasonerListChanged(const IReasonerLink& link,
                                               TListNotification action) {
  std::lock_guard<std::recursive_mutex> hold(changeLock_);
  if (!link) {
    ReasonersChanged(link, action);
    return;
  }
  auto watchOf = [this](const TReasonerLink* l) {
    for (size_t i = 0; i < watched_.size(); ++i)
      if (watched_[i].Link == l) return int(i);
    return -1;
  };
  if (action == lnAdded) {
    IReasoner* reasoner = link->Reasoner();
    auto* component = reasoner ? dynamic_cast<TComponent*>(reasoner) : nullptr;
    if (component && watchOf(link.get()) < 0) {
      watched_.push_back({link.get(), component});
      FreeNotification(component);
    }
  } else if (reasoners_->IndexOf(link) < 0) {
    // The last entry of that engine went: stop watching it.
    int index = watchOf(link.get());
    if (index >= 0) {
      TComponent* component = watched_[size_t(index)].Component;
      watched_.erase(watched_.begin() + index);
      bool stillWatched = false;
      for (const TWatch& w : watched_) stillWatched = stillWatched || w.Component == component;
      if (!stillWatched) RemoveFreeNotification(component);
    }
  }
  ReasonersChanged(link, action);
}

void TCustomReasonerOwner::Notification(TComponent* component, TOperation operation) {
  std::lock_guard<std::recursive_mutex> hold(changeLock_);
  TComponent::Notification(component, operation);
  if (operation != opRemove || !component) return;
  std::vector<TReasonerLink*> gone;
  for (size_t i = 0; i < watched_.size();) {
    if (watched_[i].Component == component) {
      gone.push_back(watched_[i].Link);
      watched_.erase(watched_.begin() + long(i));
    } else {
      ++i;
    }
  }
  for (TReasonerLink* link : gone) {
    IReasonerLink keep(link);  // the list may hold the last reference
    while (reasoners_->Remove(link) >= 0) {
    }
  }
}

// ---------------------------------------------------------------------------
// TUserFunctionList

std::string TUserFunctionList::Text() const {
  std::string text;
  for (const auto& function : *this) {
    if (function) text += function->FunctionName();
    text += "\r\n";
  }
  return text;
}

int32_t TUserFunctionList::IndexOfName(std::string_view name) const {
  for (int32_t i = 0; i < Count(); ++i)
    if (Get(i) && Get(i)->FunctionName() == name) return i;
  return -1;
}

std::unique_ptr<TIList<TIEUserFunction>> TUserFunctionList::CloneList() const {
  auto copy = std::make_unique<TUserFunctionList>(nullptr);
  copy->Assign(*this);
  return copy;
}

void TUserFunctionList::Notify(const TRef<TIEUserFunction>& item, TListNotification action) {
  if (package_ && item) package_->FunctionsChanged(item, action);
}

// ---------------------------------------------------------------------------
// TUserPackage

TUserPackage::TUserPackage(TComponent* owner)
    : TCustomReasonerOwner(owner), functions_(std::make_unique<TUserFunctionList>(this)) {
  // An engine creating its own packages is served from the start.
  if (auto* reasoner = dynamic_cast<IReasoner*>(owner)) Reasoners().AddReasoner(*reasoner);
  CreateFunctions();
}

TUserPackage::~TUserPackage() {
  // Every engine drops every function while this class still hears the list
  // changes; then the functions go (no engine is left to tell).
  Reasoners().Clear();
  functions_->Clear();
  functions_->DetachPackage();
}

void TUserPackage::SetFunctions(const TIList<TIEUserFunction>& list) {
  if (&list == functions_.get()) return;
  functions_->Assign(list);
}

void TUserPackage::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TUserPackage*>(source)) {
    SetFunctions(*other->functions_);
    return;
  }
  TCustomReasonerOwner::Assign(source);
}

void TUserPackage::SetEngine(TComponent* engine) {
  if (engine == engine_) return;
  IReasoner* reasoner = AsReasoner(engine);
  if (engineLink_) {
    IReasonerLink old = engineLink_;
    Reasoners().Remove(old);  // clears engine_ through ReasonersChanged
  }
  engine_ = nullptr;
  engineLink_ = nullptr;
  if (!reasoner) return;
  engine_ = engine;
  engineLink_ = reasoner->Link();
  FreeNotification(engine_);
  Reasoners().AddReasoner(*reasoner);
}

void TUserPackage::SetReset(bool value) {
  if (!value) return;
  functions_->Clear();
  CreateFunctions();
}

void TUserPackage::CreateFunctions() {
  if (OnCreateFunctions) OnCreateFunctions(this);
}

bool TUserPackage::AddFunctionOnce(const IUserFunction& function) {
  if (!function || functions_->IndexOf(function) >= 0) return false;
  const TIEUserFunction& added = *function;
  for (const auto& listed : *functions_) {
    if (!listed) continue;
    const TIEUserFunction& item = *listed;
    if (typeid(item) == typeid(added) && item.FunctionName() == added.FunctionName())
      return false;
  }
  functions_->Add(function);
  return true;
}

void TUserPackage::ReasonersChanged(const IReasonerLink& reasoner, TListNotification action) {
  if (!functions_ || !reasoner) return;
  if (action == lnAdded) {
    AddFunctionsTo(reasoner);
    return;
  }
  if (Reasoners().IndexOf(reasoner) >= 0) return;  // still listed once more
  RemoveFunctionsFrom(reasoner);
  if (engineLink_ == reasoner) {
    RemoveFreeNotification(engine_);
    engine_ = nullptr;
    engineLink_ = nullptr;
  }
}

void TUserPackage::FunctionsChanged(const IUserFunction& function, TListNotification action) {
  if (Reasoners().IsEmpty()) return;
  if (action == lnAdded)
    AddReasonersTo(function);
  else if (functions_->IndexOf(function) < 0)  // not when still listed once more
    RemoveReasonersFrom(function);
}

void TUserPackage::AddFunctionsTo(const IReasonerLink& reasoner) {
  IReasoner* engine = reasoner ? reasoner->Reasoner() : nullptr;
  if (!engine) return;
  for (int32_t i = 0; i < functions_->Count(); ++i)
    if (IUserFunction function = functions_->Get(i)) function->Reasoners().AddReasoner(*engine);
}

void TUserPackage::RemoveFunctionsFrom(const IReasonerLink& reasoner) {
  for (int32_t i = 0; i < functions_->Count(); ++i) {
    IUserFunction function = functions_->Get(i);
    if (!function) continue;
    function->Reasoners().Remove(reasoner);
  }
}

void TUserPackage::AddReasonersTo(const IUserFunction& function) {
  if (!function) return;
  for (const IReasonerLink& link : Reasoners().Snapshot())
    if (IReasoner* engine = link ? link->Reasoner() : nullptr)
      function->Reasoners().AddReasoner(*engine);
}

void TUserPackage::RemoveReasonersFrom(const IUserFunction& function) {
  if (!function) return;
  for (const IReasonerLink& link : Reasoners().Snapshot()) function->Reasoners().Remove(link);
}

std::vector<std::string> TUserPackage::PackageFunctions() const {
  std::vector<std::string> entries;
  for (const auto& function : *functions_) {
    if (!function || !function->SupportsStreaming()) continue;
    TFunctionData data;
    function->WriteData(data);
    entries.push_back(EncodeFunctionEntry(function->ClassName(), data));
  }
  return entries;
}

void TUserPackage::SetPackageFunctions(const std::vector<std::string>& entries) {
  // Every entry is made first, so a damaged table leaves Functions as it was.
  std::vector<IUserFunction> made;
  made.reserve(entries.size());
  for (const std::string& entry : entries) {
    TFunctionData data;
    std::string className = DecodeFunctionEntry(entry, data);
    if (!IsFunctionClassRegistered(className) && IsComponentClassRegistered(className))
      continue;  // a host-function component: not a function object
    IUserFunction function = CreateFunctionByClassName(className);
    if (!function || !function->SupportsStreaming()) continue;
    function->ReadData(data);
    made.push_back(std::move(function));
  }
  functions_->Clear();
  for (const IUserFunction& function : made)
    if (functions_->IndexOf(function) < 0) functions_->Add(function);
}

void TUserPackage::Properties(std::vector<TProperty>& props) {
  TCustomReasonerOwner::Properties(props);
  props.push_back(StringProperty(
      "Engine", [this] { return engine_ ? engine_->Name() : pendingEngine_; },
      [this](const std::string& name) {
        if (Loading())
          pendingEngine_ = name;  // the engine may be read after this package
        else
          SetEngine(FindReasonerComponent(*this, name));
      },
      std::string()));
  TProperty reset;
  reset.Name = "Reset";
  reset.Kind = pkBoolean;
  reset.Get = [this]() -> TPropertyValue { return Reset(); };
  reset.Set = [this](const TPropertyValue& v) { SetReset(std::get<bool>(v)); };
  reset.Default = TPropertyValue(false);
  props.push_back(std::move(reset));
  TProperty table;
  table.Name = "PackageFunctions";
  table.Kind = pkStringList;
  table.Get = [this]() -> TPropertyValue { return PackageFunctions(); };
  table.Set = [this](const TPropertyValue& v) {
    SetPackageFunctions(std::get<std::vector<std::string>>(v));
  };
  table.Default = TPropertyValue(std::vector<std::string>());
  props.push_back(std::move(table));
}

void TUserPackage::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component && component == engine_) {
    engine_ = nullptr;
    engineLink_ = nullptr;
  }
  TCustomReasonerOwner::Notification(component, operation);
}

void TUserPackage::Loaded() {
  TCustomReasonerOwner::Loaded();
  if (pendingEngine_.empty()) return;
  std::string name = std::move(pendingEngine_);
  pendingEngine_.clear();
  SetEngine(FindReasonerComponent(*this, name));
}

void RegisterIEPackageComponentsClasses() {
  RegisterComponentClass<TCustomUserFunction>("TCustomUserFunction");
  RegisterComponentClass<TUserFunction>("TUserFunction");
  RegisterComponentClass<TUserPackage>("TUserPackage");
}
