#include "packages/StandardEngine.h"

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "core/IEInterfaces.h"
#include "facts/IEFacts.h"
#include "packages/BuiltinPackages.h"
#include "functions/FunctionKit.h"
#include "functions/IEFunctionCall.h"
#include "values/IEContext.h"

IEngineServices& EngineOf(const TFunctionCall& funCall, TIEContext* context,
                          const TIEUserFunction& function) {
  IEngineServices* engine = context ? context->Engine() : nullptr;
  if (!engine) engine = dynamic_cast<IEngineServices*>(funCall.GetEngine());
  if (!engine) throw EIEException(Format(SNoEngineFor, {function.FunctionName()}));
  return *engine;
}

namespace {

// Appends Value resolved to Out; a multifield contributes its elements, each
// resolved and flattened the same way, so nested multifields disappear.
void AppendFlattened(const IIEValue& value, TIEContext* context, TValueVector& out) {
  IIEValue resolved = value ? value->Resolve(context) : IIEValue();
  if (resolved && resolved->DType() == dtList) {
    const IValueVector list = resolved->AsList();
    for (int32_t i = 0; i < list->Count(); ++i)
      AppendFlattened(list->Get(i), context, out);
    return;
  }
  out.Add(resolved);
}

// The value Slot of a fact receives: Value resolved; a multifield result is
// replaced by a new flattened multifield of its resolved elements.
IIEValue ResolveSlotValue(const IIEValue& value, TIEContext* context) {
  IIEValue resolved = value ? value->Resolve(context) : IIEValue();
  if (!resolved || resolved->DType() != dtList) return resolved;
  IValueVector flat(new TValueVector());
  const IValueVector list = resolved->AsList();
  for (int32_t i = 0; i < list->Count(); ++i) AppendFlattened(list->Get(i), context, *flat);
  return TIEValue::MakeList(flat);
}

// The listed fact with the identifier given by argument 0; EIEException
// "No Such Fact with ID=%s exists" when there is none.
IFactRef FactArgument(const TFunctionCall& funCall, TIEContext* context,
                      IEngineServices& engine) {
  IIEValue index = ResolveArgument(funCall, 0, context);
  if (!index) RaiseNotA(SFactWord, dtNone);
  const int32_t id = index->AsFactId();
  IFactRef fact = AsFactRef(engine.FindFactById(id));
  if (!fact) throw EIEException(Format(SNoSuchFactId, {std::to_string(id)}));
  return fact;
}

// One slot change of modify / duplicate: the slot and its new value.
struct TSlotChange {
  const TFactSlot* Slot;
  IIEValue Value;
};

// The changes the arguments from index 1 on describe for a fact of Template,
// every value resolved. A single-field slot takes the first value after the
// slot name; a multislot takes all of them, flattened, as a new multifield.
std::vector<TSlotChange> SlotChanges(const TFunctionCall& funCall, TIEContext* context,
                                     const TFactTemplate* factTemplate) {
  if (!factTemplate) throw EIEException(SFactTemplateMissing);
  std::vector<TSlotChange> changes;
  for (int32_t i = 1; i < funCall.ArgumentCount(); ++i) {
    const IValueVector change = ListArgument(funCall, i, context);
    if (change->Count() == 0 || !change->Get(0))
      throw EIEException(Format(SNoSuchSlotName, {""}));
    const std::string name = change->Get(0)->AsString();
    const TFactSlot* slot = factTemplate->FindSlot(name);
    if (!slot) throw EIEException(Format(SNoSuchSlotName, {name}));
    auto resolved = [&](int32_t at) {
      const IIEValue& element = change->Get(at);
      return element ? element->Resolve(context) : IIEValue();
    };
    if (slot->IsMultiSlot()) {
      // The values after the name (the parser wraps two or more in one
      // multifield), each resolved, multifields contributing their elements:
      // a multislot never holds a nested multifield or an unresolved value.
      IValueVector list(new TValueVector());
      for (int32_t e = 1; e < change->Count(); ++e) AppendFlattened(change->Get(e), context, *list);
      changes.push_back({slot, TIEValue::MakeList(list)});
    } else {
      // A single-field slot needs its value: the list's index error without one.
      changes.push_back({slot, resolved(1)});
    }
  }
  return changes;
}

void ApplyChanges(TFact& fact, const std::vector<TSlotChange>& changes) {
  for (const TSlotChange& change : changes) fact.SetSlotValue(*change.Slot, change.Value);
}

// The watch member a name stands for; false when it names none (or "all").
bool WatchMember(const std::string& name, TConstructWatch& member) {
  static const std::pair<const char*, TConstructWatch> members[] = {
      {SWatchActivations, cwActivation}, {SWatchFacts, cwFact},
      {SWatchRules, cwRule},             {SWatchCompilations, cwCompilation},
      {SWatchStatistics, cwStatistics}};
  for (const auto& [text, watch] : members)
    if (name == text) {
      member = watch;
      return true;
    }
  return false;
}

const TConstructWatches AllWatches{cwActivation, cwFact, cwRule, cwCompilation, cwStatistics};

}  // namespace

// ---------------------------------------------------------------------------

TAssertFunction::TAssertFunction() {
  DescribeFunction(*this, "assert", 0, UnlimitedArguments, SAssertHelp, SAssertSyntax);
}

void TAssertFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  int32_t last = -1;
  for (int32_t i = 0; i < funCall.ArgumentCount(); ++i) {
    IIEValue argument = ResolveArgument(funCall, i, context);
    if (!argument) RaiseNotA(SFactWord, dtNone);
    const IFactRef source = AsFactRef(argument->AsFact());
    if (!source) RaiseNotA(SFactWord, argument->DType());
    IFactRef fact = source->Clone();
    if (fact->Template())
      for (const TFactSlot* slot : fact->Template()->Slots())
        fact->SetSlotValue(*slot, ResolveSlotValue(fact->SlotValue(*slot), context));
    last = engine.AssertFactValue(fact);
  }
  result = last == -1 ? FalseAtom() : TIEValue::MakeFactId(last);
}

TAssertStringFunction::TAssertStringFunction() {
  DescribeFunction(*this, "assert-string", 1, UnlimitedArguments, SAssertStringHelp,
                   SAssertStringSyntax);
}

void TAssertStringFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  int32_t last = -1;
  for (int32_t i = 0; i < funCall.ArgumentCount(); ++i)
    last = engine.AssertString(TextArgument(funCall, i, context));
  result = TIEValue::MakeFactId(last);
}

TRetractFunction::TRetractFunction() {
  DescribeFunction(*this, "retract", 1, UnlimitedArguments, SRetractHelp, SRetractSyntax);
}

void TRetractFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  const IIEValue first = ResolveArgument(funCall, 0, context);
  if (first && first->DType() == dtAtom && first->AsString() == SRetractAll) {
    engine.RetractAllFacts();
    result = TrueAtom();
    return;
  }
  for (int32_t i = 0; i < funCall.ArgumentCount(); ++i) {
    const IIEValue index = i == 0 ? first : ResolveArgument(funCall, i, context);
    if (!index) RaiseNotA(SFactWord, dtNone);
    const IFact fact = engine.FindFactById(index->AsFactId());
    if (fact) engine.RetractSame(fact.get());
  }
  result = TrueAtom();
}

TRetractStringFunction::TRetractStringFunction() {
  DescribeFunction(*this, "retract-string", 0, UnlimitedArguments, SRetractStringHelp,
                   SRetractStringSyntax);
}

void TRetractStringFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                  IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  for (int32_t i = 0; i < funCall.ArgumentCount(); ++i)
    engine.RetractString(TextArgument(funCall, i, context));
  result = TrueAtom();
}

TModifyFunction::TModifyFunction() {
  DescribeFunction(*this, "modify", 1, UnlimitedArguments, SModifyHelp, SModifySyntax);
}

void TModifyFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  IFactRef fact = FactArgument(funCall, context, engine);
  // Every new value is known before the fact leaves working memory, so a bad
  // argument changes nothing.
  const std::vector<TSlotChange> changes = SlotChanges(funCall, context, fact->Template().get());
  IFactRef saved = fact->Clone();
  engine.RetractById(fact->ID());
  try {
    ApplyChanges(*fact, changes);
  } catch (...) {
    // A value the slot refuses: the fact returns as it was.
    fact->AssignSlots(*saved);
    engine.AssertFactValue(fact);
    throw;
  }
  result = TIEValue::MakeFactId(engine.AssertFactValue(fact));
}

TDuplicateFunction::TDuplicateFunction() {
  DescribeFunction(*this, "duplicate", 2, UnlimitedArguments, SDuplicateHelp, SDuplicateSyntax);
}

void TDuplicateFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  const IFactRef source = FactArgument(funCall, context, engine);
  const std::vector<TSlotChange> changes =
      SlotChanges(funCall, context, source->Template().get());
  IFactRef copy = source->Clone();
  ApplyChanges(*copy, changes);
  result = TIEValue::MakeFactId(engine.AssertFactValue(copy));
}

TFetchFunction::TFetchFunction() {
  DescribeFunction(*this, "fetch", 1, 1, SFetchHelp, SFetchSyntax);
}

void TFetchFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  const std::string key = TextArgument(funCall, 0, context);
  const IIEValue stored = engine.FetchValue(key);
  result = stored ? stored : NilValue();
}

TStoreFunction::TStoreFunction() {
  DescribeFunction(*this, "store", 2, 2, SStoreHelp, SStoreSyntax);
}

void TStoreFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  IIEValue value = ResolveArgument(funCall, 1, context);
  if (value.get() == NilValue().get()) value = IIEValue();
  const std::string key = TextArgument(funCall, 0, context);
  engine.StoreValue(key, value);
  result = value;
}

TClearStorageFunction::TClearStorageFunction() {
  DescribeFunction(*this, "clear-storage", 0, 0, SClearStorageHelp, SClearStorageSyntax);
}

void TClearStorageFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  EngineOf(funCall, context, *this).ClearStorage();
  result = TrueAtom();
}

TClearFunction::TClearFunction() {
  DescribeFunction(*this, "clear", 0, 0, SClearHelp, SClearSyntax);
}

void TClearFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  EngineOf(funCall, context, *this).Clear();
  result = TrueAtom();
}

TResetFunction::TResetFunction() {
  DescribeFunction(*this, "reset", 0, 0, SResetHelp, SResetSyntax);
}

void TResetFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  EngineOf(funCall, context, *this).Reset();
  result = TrueAtom();
}

TRunFunction::TRunFunction() {
  DescribeFunction(*this, "run", 0, 1, SRunHelp, SRunSyntax);
}

void TRunFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  // The limit is resolved, so a variable or a call may give it.
  const int32_t fired = funCall.ArgumentCount() > 0
                            ? engine.Run(IntegerArgument(funCall, 0, context))
                            : engine.Run();
  result = TIEValue::MakeInteger(fired);
}

TGetFactDuplicationFunction::TGetFactDuplicationFunction() {
  DescribeFunction(*this, "get-fact-duplication", 0, 0, SGetFactDuplicationHelp,
                   SGetFactDuplicationSyntax);
}

void TGetFactDuplicationFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                       IIEValue& result) {
  result = BooleanAtom(!EngineOf(funCall, context, *this).FactDuplication());
}

TSetFactDuplicationFunction::TSetFactDuplicationFunction() {
  DescribeFunction(*this, "set-fact-duplication", 1, 1, SSetFactDuplicationHelp,
                   SSetFactDuplicationSyntax);
}

void TSetFactDuplicationFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                       IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  result = BooleanAtom(!engine.FactDuplication());
  const IIEValue refuse = ResolveArgument(funCall, 0, context);
  engine.SetFactDuplication(refuse && refuse->Equals(FalseAtom()));
}

TGenSymStarFunction::TGenSymStarFunction() {
  DescribeFunction(*this, "gensym*", 0, 0, SGenSymStarHelp, SGenSymStarSyntax);
}

void TGenSymStarFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  if (engine.SymbolIndex() == std::numeric_limits<int32_t>::max())
    throw EIEException(Format(SSymbolIndexOverflow, {FunctionName()}));
  result = TIEValue::MakeAtom(engine.GenSym(SGenSymPrefix));
}

TExtractGlobalFunction::TExtractGlobalFunction() {
  DescribeFunction(*this, "__get-var", 1, 1, SExtractGlobalHelp, SExtractGlobalSyntax);
}

void TExtractGlobalFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                  IIEValue& result) {
  const IIEValue& argument = funCall.GetArgument(0);
  if (argument && (argument->DType() == dtVariable || argument->DType() == dtMultiVariable)) {
    result = argument->Resolve(context);
    return;
  }
  const std::string name = TextArgument(funCall, 0, context);
  const TBinding* binding = context ? context->FindBinding(name) : nullptr;
  result = binding ? binding->Value() : NilValue();
}

TVersionFunction::TVersionFunction() {
  DescribeFunction(*this, "version", 0, 0, SVersionHelp, SVersionSyntax);
}

void TVersionFunction::Run(TFunctionCall&, TIEContext*, IIEValue& result) {
  result = TIEValue::MakeFloat(double(EngineVersionNumber));
}

TWatchFunction::TWatchFunction() {
  DescribeFunction(*this, "watch", 1, 1, SWatchHelp, SWatchSyntax);
}

void TWatchFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  const std::string name = TextArgument(funCall, 0, context);
  TConstructWatches watches = engine.Watch();
  TConstructWatch member;
  if (name == SWatchAll)
    watches = watches + AllWatches;
  else if (WatchMember(name, member))
    watches.Include(member);
  else
    throw EIEException(Format(SCannotWatch, {name}));
  engine.SetWatch(watches);
  result = TrueAtom();
}

TUnwatchFunction::TUnwatchFunction() {
  DescribeFunction(*this, "unwatch", 1, 1, SUnwatchHelp, SUnwatchSyntax);
}

void TUnwatchFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  const std::string name = TextArgument(funCall, 0, context);
  TConstructWatches watches = engine.Watch();
  TConstructWatch member;
  if (name == SWatchAll)
    watches = watches - AllWatches;
  else if (WatchMember(name, member))
    watches.Exclude(member);
  else
    throw EIEException(Format(SCannotUnwatch, {name}));
  engine.SetWatch(watches);
  result = TrueAtom();
}

TDoBackwardChainingFunction::TDoBackwardChainingFunction() {
  DescribeFunction(*this, "do-backward-chaining", 0, UnlimitedArguments,
                   SDoBackwardChainingHelp, SDoBackwardChainingSyntax);
}

void TDoBackwardChainingFunction::Run(TFunctionCall& funCall, TIEContext* context,
                                       IIEValue& result) {
  IEngineServices& engine = EngineOf(funCall, context, *this);
  for (int32_t i = 0; i < funCall.ArgumentCount(); ++i) {
    const std::string name = TextArgument(funCall, i, context);
    if (name == SBackchainTest || name == SBackchainNot)
      throw EIEException(Format(SCannotBackchainSpecial, {name}));
    engine.DeclareBackwardChaining(name);
  }
  result = TrueAtom();
}

// ---------------------------------------------------------------------------

namespace {

const TFunctionClass engineClasses[] = {
    FunctionClassOf<TAssertFunction>(),
    FunctionClassOf<TAssertStringFunction>(),
    FunctionClassOf<TRetractFunction>(),
    FunctionClassOf<TRetractStringFunction>(),
    FunctionClassOf<TModifyFunction>(),
    FunctionClassOf<TDuplicateFunction>(),
    FunctionClassOf<TFetchFunction>(),
    FunctionClassOf<TStoreFunction>(),
    FunctionClassOf<TClearStorageFunction>(),
    FunctionClassOf<TClearFunction>(),
    FunctionClassOf<TResetFunction>(),
    FunctionClassOf<TRunFunction>(),
    FunctionClassOf<TGetFactDuplicationFunction>(),
    FunctionClassOf<TSetFactDuplicationFunction>(),
    FunctionClassOf<TGenSymStarFunction>(),
    FunctionClassOf<TExtractGlobalFunction>(),
    FunctionClassOf<TVersionFunction>(),
    FunctionClassOf<TWatchFunction>(),
    FunctionClassOf<TUnwatchFunction>(),
    FunctionClassOf<TDoBackwardChainingFunction>(),
};

}  // namespace

IUserFunction CreateStandardEngineFunction(std::string_view className) {
  return CreateFunctionOf(engineClasses, className);
}

void RegisterStandardEngineClasses() { RegisterFunctionClasses(engineClasses); }
