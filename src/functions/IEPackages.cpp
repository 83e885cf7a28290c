// The user-function base, its list of engines and the function data seam.
#include "functions/IEPackages.h"

#include <map>
#include <mutex>
#include <variant>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "functions/IEFunctionCall.h"

// ---------------------------------------------------------------------------
// TFunctionData

std::string TFunctionData::ReadString() {
  if (position_ >= items_.size()) throw EReadError(SReadError);
  const auto* text = std::get_if<std::string>(&items_[position_]);
  if (!text) throw EReadError(SReadError);
  ++position_;
  return *text;
}

int64_t TFunctionData::ReadInteger() {
  if (position_ >= items_.size()) throw EReadError(SReadError);
  const auto* number = std::get_if<int64_t>(&items_[position_]);
  if (!number) throw EReadError(SReadError);
  ++position_;
  return *number;
}

// ---------------------------------------------------------------------------
// TBaseReasonerList

TBaseReasonerList::~TBaseReasonerList() {
  // The function is going: its engines no longer hold it (they would keep it
  // alive otherwise), so the entries go without registry traffic.
  function_ = nullptr;
}

int32_t TBaseReasonerList::Count() const {
  std::lock_guard<std::mutex> hold(lock_);
  return TIList::Count();
}

TBaseReasonerList::TItem TBaseReasonerList::Get(int32_t index) const {
  std::lock_guard<std::mutex> hold(lock_);
  return TIList::Get(index);
}

int32_t TBaseReasonerList::IndexOf(const TReasonerLink* link) const {
  std::lock_guard<std::mutex> hold(lock_);
  return TIList::IndexOf(link);
}

std::vector<TBaseReasonerList::TItem> TBaseReasonerList::Snapshot() const {
  std::lock_guard<std::mutex> hold(lock_);
  return items_;
}

int32_t TBaseReasonerList::Add(TItem link) {
  TItem added = link;
  int32_t index;
  {
    std::lock_guard<std::mutex> hold(lock_);
    items_.push_back(std::move(link));
    index = int32_t(items_.size()) - 1;
  }
  Notify(added, lnAdded);
  return index;
}

TBaseReasonerList::TItem TBaseReasonerList::TakeOut(int32_t index, bool raise) {
  std::lock_guard<std::mutex> hold(lock_);
  if (uint32_t(index) >= items_.size()) {
    if (raise) RaiseListIndexError(index);
    return nullptr;
  }
  TItem item = std::move(items_[size_t(index)]);
  items_.erase(items_.begin() + index);
  return item;
}

void TBaseReasonerList::Delete(int32_t index) {
  TItem item = TakeOut(index, true);
  Notify(item, lnDeleted);
}

int32_t TBaseReasonerList::Remove(const TReasonerLink* link) {
  int32_t index = -1;
  TItem item;
  {
    std::lock_guard<std::mutex> hold(lock_);
    index = TIList::IndexOf(link);
    if (index < 0) return -1;
    item = std::move(items_[size_t(index)]);
    items_.erase(items_.begin() + index);
  }
  Notify(item, lnDeleted);
  return index;
}

void TBaseReasonerList::Clear() {
  for (;;) {
    TItem item;
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (items_.empty()) {
        items_.shrink_to_fit();
        return;
      }
      item = std::move(items_.front());
      items_.erase(items_.begin());
    }
    Notify(item, lnDeleted);
  }
}

void TBaseReasonerList::Assign(const TPersistent* source) {
  if (!source) RaiseAssignError("nil", ClassName());
  const auto* list = dynamic_cast<const TBaseReasonerList*>(source);
  if (!list) {
    TIList::Assign(source);
    return;
  }
  if (list == this) return;
  const std::vector<TItem> items = list->Snapshot();
  Clear();
  for (const TItem& item : items) Add(item);
}

int32_t TBaseReasonerList::IndexOfReasoner(const IReasoner& reasoner) const {
  return IndexOf(reasoner.Link());
}

int32_t TBaseReasonerList::AddReasoner(IReasoner& reasoner) {
  TItem link = reasoner.Link();
  int32_t index;
  {
    // The test and the addition are one step, so two threads adding the
    // same engine list it once.
    std::lock_guard<std::mutex> hold(lock_);
    index = TIList::IndexOf(link);
    if (index >= 0) return index;
    items_.push_back(link);
    index = int32_t(items_.size()) - 1;
  }
  Notify(link, lnAdded);
  return index;
}

int32_t TBaseReasonerList::RemoveReasoner(const IReasoner& reasoner) {
  return Remove(reasoner.Link());
}

IReasoner* TBaseReasonerList::Reasoner(int32_t index) const {
  TItem link = Get(index);
  return link ? link->Reasoner() : nullptr;
}

void TBaseReasonerList::Notify(const TRef<TReasonerLink>& item, TListNotification action) {
  if (function_) function_->ReasonerChanged(item ? item->Reasoner() : nullptr, action);
}

// ---------------------------------------------------------------------------
// TIEUserFunction

TIEUserFunction::TIEUserFunction() : reasoners_(this) {}

// A function is destroyed by its last handle going, so no engine registry can
// still hold it; the list's remaining entries (engines that were destroyed
// first, or registries that dropped the function without removing themselves)
// are released without notification.
TIEUserFunction::~TIEUserFunction() { reasoners_.DetachFunction(); }

void TIEUserFunction::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TIEUserFunction*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  minArgumentCount_ = other->minArgumentCount_;
  maxArgumentCount_ = other->maxArgumentCount_;
  comment_ = other->comment_;
  SetFunctionName(other->functionName_);
}

void TIEUserFunction::ReasonerChanged(IReasoner* reasoner, TListNotification action) {
  // An unnamed function is registered nowhere (it would take the entry "").
  if (!reasoner || functionName_.empty()) return;
  IUserFunction self(this);
  if (action == lnAdded)
    reasoner->AddFunction(self);
  else
    reasoner->RemoveFunction(self);
}

void TIEUserFunction::CheckArgumentCount(const TFunctionCall& funCall) const {
  int32_t count = funCall.ArgumentCount();
  if (count < minArgumentCount_)
    throw EIEException(Format(STooFewArguments, {functionName_}));
  if (count > maxArgumentCount_)
    throw EIEException(Format(STooManyArguments, {functionName_}));
}

void TIEUserFunction::Call(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  CheckArgumentCount(funCall);
  result = nullptr;
  Run(funCall, context, result);
}

void TIEUserFunction::Run(TFunctionCall&, TIEContext*, IIEValue&) {}

void TIEUserFunction::SetMaxArgumentCount(int32_t count) {
  if (count == maxArgumentCount_) return;
  maxArgumentCount_ = count;
  if (count < minArgumentCount_) minArgumentCount_ = count;
}

void TIEUserFunction::SetMinArgumentCount(int32_t count) {
  if (count == minArgumentCount_) return;
  minArgumentCount_ = count;
  if (count > maxArgumentCount_) maxArgumentCount_ = count;
}

void TIEUserFunction::SetHelp(std::string_view help, std::string_view syntax) {
  comment_ = Format(SFunctionHelp, {help, syntax});
}

void TIEUserFunction::SetFunctionName(std::string_view name) {
  if (name == functionName_) return;
  if (reasoners_.Count() == 0) {  // the usual case while a function is built
    functionName_ = name;
    return;
  }
  // A function with engines lives behind handles; this one keeps it alive
  // while the registries drop and take it again.
  // An unnamed function is registered nowhere, so there is nothing to drop
  // before naming it, and nothing to add after its name is taken away.
  IUserFunction self(this);
  if (!functionName_.empty())
    for (const IReasonerLink& link : reasoners_.Snapshot())
      if (IReasoner* reasoner = link ? link->Reasoner() : nullptr) reasoner->RemoveFunction(self);
  functionName_ = name;
  if (!functionName_.empty())
    for (const IReasonerLink& link : reasoners_.Snapshot())
      if (IReasoner* reasoner = link ? link->Reasoner() : nullptr) reasoner->AddFunction(self);
}

void TIEUserFunction::ReadData(TFunctionReader& reader) {
  SetFunctionName(reader.ReadString());
  comment_ = reader.ReadString();
  maxArgumentCount_ = int32_t(reader.ReadInteger());
  minArgumentCount_ = int32_t(reader.ReadInteger());
}

void TIEUserFunction::WriteData(TFunctionWriter& writer) const {
  writer.WriteString(functionName_);
  writer.WriteString(comment_);
  writer.WriteInteger(GetMaxArgumentCount());
  writer.WriteInteger(GetMinArgumentCount());
}

// ---------------------------------------------------------------------------
// Function classes by name

namespace {

struct TFunctionClasses {
  std::mutex lock;
  std::map<std::string, TFunctionFactory, std::less<>> factories;
};

TFunctionClasses& FunctionClasses() {
  static TFunctionClasses classes;
  return classes;
}

}  // namespace

void RegisterFunctionClass(const std::string& className, TFunctionFactory factory) {
  TFunctionClasses& classes = FunctionClasses();
  std::lock_guard<std::mutex> guard(classes.lock);
  classes.factories[className] = std::move(factory);
}

bool IsFunctionClassRegistered(const std::string& className) {
  TFunctionClasses& classes = FunctionClasses();
  std::lock_guard<std::mutex> guard(classes.lock);
  return classes.factories.count(className) != 0;
}

IUserFunction CreateFunctionByClassName(const std::string& className) {
  TFunctionFactory factory;
  {
    TFunctionClasses& classes = FunctionClasses();
    std::lock_guard<std::mutex> guard(classes.lock);
    auto it = classes.factories.find(className);
    if (it != classes.factories.end()) factory = it->second;
  }
  if (!factory) throw EClassNotFound(Format(SClassNotFound, {className}));
  return factory();
}

void RegisterIEPackagesClasses() {
  RegisterFunctionClass<TIEUserFunction>("TIEUserFunction");
}
