// TBinding, TBindings and TIEContext.
#include "values/IEContext.h"

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"

// ---------------------------------------------------------------------------
// TBinding

void TBinding::Assign(const TPersistent* source) {
  if (auto* binding = dynamic_cast<const TBinding*>(source)) {
    value_ = binding->value_;
    slotIndex_ = binding->slotIndex_;
    subIndex_ = binding->subIndex_;
    factIndex_ = binding->factIndex_;
    name_ = binding->name_;
    return;
  }
  TPersistent::Assign(source);
}

// ---------------------------------------------------------------------------
// TBindings

TBindings::TBindings(TIEContext* context, uint32_t capacity)
    : TGStringTableOf(capacity, 0.75), context_(context) {}

TBindings::~TBindings() {
  // The base destructor no longer reaches FreeValue: free the bindings here.
  context_ = nullptr;
  TGStringHashtable::Clear();
}

TBinding* TBindings::Find(std::string_view name) const { return FindItem(name); }

TBinding* TBindings::Put(std::string_view name, std::unique_ptr<TBinding> binding) {
  RemoveBinding(name);
  TBinding* stored = binding.get();
  // The table owns the binding only once it took it: a name it refuses (the
  // empty name) raises and the binding is freed here.
  PutItem(name, stored);
  binding.release();
  Notification(stored, baAdded);
  return stored;
}

TBinding* TBindings::Add(std::unique_ptr<TBinding> binding) {
  const std::string name = binding->Name();
  return Put(name, std::move(binding));
}

bool TBindings::RemoveBinding(std::string_view name) {
  TBinding* binding = Find(name);
  if (!binding) return false;
  Notification(binding, baRemoved);
  TGStringHashtable::Remove(name);  // frees the entry, which destroys the binding
  return true;
}

void TBindings::Clear() {
  TGStringHashtable::Clear();
  Notification(nullptr, baCleared);
}

void TBindings::Notification(TBinding* item, TBindingAction action) {
  if (context_) context_->BindingsChanged(item, action);
}

void TBindings::FreeItem(TBinding* binding) { std::unique_ptr<TBinding> owned(binding); }

// ---------------------------------------------------------------------------
// TIEContext

TIEContext::TIEContext(TIEContext* parent, IEngineServices* engine)
    // A child (a rule firing, a function call) binds a few variables and
    // lives briefly: a small table is quicker to set up and empty.
    : engine_(engine), bindings_(std::make_unique<TBindings>(this, parent ? 11 : 101)),
      parent_(parent) {}

TIEContext::~TIEContext() {
  // The table notifies this context while it empties itself: do it while the
  // context is still whole.
  bindings_->DetachContext();
  bindings_.reset();
}

void TIEContext::Assign(const TPersistent* source) {
  if (auto* context = dynamic_cast<const TIEContext*>(source)) {
    if (context == this) return;
    returned_ = context->returned_;
    returnValue_ = context->returnValue_ ? context->returnValue_->Clone() : IIEValue();
    return;
  }
  TPersistent::Assign(source);
}

void TIEContext::BindingsChanged(TBinding*, TBindingAction action) {
  if (action == baCleared) ClearReturnValue();
}

void TIEContext::SetReturnValue(IIEValue value) {
  returnValue_ = std::move(value);
  returned_ = true;
}

void TIEContext::ClearReturnValue() {
  returned_ = false;
  returnValue_ = nullptr;
}

void TIEContext::SetVariable(std::string_view name, IIEValue value) {
  // This context's own binding first, then the nearest ancestor's, else a new
  // one here: what BindVariable does, as its search starts here.
  BindVariable(name, std::move(value));
}

void TIEContext::SetGlobalVariable(std::string_view name, IIEValue value) {
  TIEContext* root = Root();
  if (TBinding* binding = root->bindings_->Find(name)) {
    binding->SetValue(std::move(value));
    return;
  }
  root->bindings_->Add(std::make_unique<TBinding>(name, std::move(value)));
}

TBinding* TIEContext::AddBinding(std::string_view name, IIEValue value) {
  return bindings_->Add(std::make_unique<TBinding>(name, std::move(value)));
}

TBinding* TIEContext::AddReferenceBinding(std::string_view name, int32_t factIndex,
                                          int32_t subIndex, std::string_view slotIndex) {
  const uint32_t number = TGStringHashtable::StringNumber(name);
  for (TIEContext* c = this; c; c = c->parent_) {
    if (c->bindings_->Find(name, number)) {
      c->bindings_->RemoveBinding(name);
      break;
    }
  }
  return bindings_->Add(std::make_unique<TBinding>(name, factIndex, slotIndex, subIndex));
}

TBinding* TIEContext::BindVariable(std::string_view name, IIEValue value) {
  if (TBinding* binding = FindBinding(name)) {
    binding->SetValue(std::move(value));
    return binding;
  }
  return bindings_->Add(std::make_unique<TBinding>(name, std::move(value)));
}

void TIEContext::ClearBindings() { bindings_->Clear(); }

std::unique_ptr<TIEContext> TIEContext::CreateChild() {
  return std::make_unique<TIEContext>(this, engine_);
}

TIEContext* TIEContext::ReleaseToParent() {
  if (!parent_) return this;
  parent_->returned_ = returned_;
  parent_->returnValue_ = returnValue_;
  return parent_;
}

TBinding* TIEContext::FindBinding(std::string_view name) const {
  const uint32_t number = TGStringHashtable::StringNumber(name);
  for (const TIEContext* c = this; c; c = c->parent_)
    if (TBinding* binding = c->bindings_->Find(name, number)) return binding;
  return nullptr;
}

TBinding* TIEContext::FindRootBinding(std::string_view name) const {
  return Root()->bindings_->Find(name);
}

IIEValue TIEContext::GetVariableValue(std::string_view name) const {
  TBinding* binding = FindBinding(name);
  if (!binding) throw EIEException(Format(SUnknownVariable, {name}));
  return binding->Value();
}

TIEContext* TIEContext::Root() noexcept {
  TIEContext* c = this;
  while (c->parent_) c = c->parent_;
  return c;
}

const TIEContext* TIEContext::Root() const noexcept {
  const TIEContext* c = this;
  while (c->parent_) c = c->parent_;
  return c;
}
