#include "engine/InferenceEngine.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "core/ClassRegistry.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "facts/IEFactSet.h"
#include "facts/IERule.h"
#include "packages/BuiltinPackages.h"
#include "rete/ReteNetwork.h"
#include "values/IEContext.h"

namespace {

TProperty EnumProperty(const char* name, const std::vector<std::string>& names,
                       std::function<int64_t()> get, std::function<void(int64_t)> set) {
  TProperty p;
  p.Name = name;
  p.Kind = pkEnum;
  p.EnumNames = &names;
  p.Get = [get]() -> TPropertyValue { return get(); };
  p.Set = [set](const TPropertyValue& v) { set(std::get<int64_t>(v)); };
  return p;
}

TProperty SetProperty(const char* name, const std::vector<std::string>& names,
                      std::function<uint32_t()> get, std::function<void(uint32_t)> set) {
  TProperty p;
  p.Name = name;
  p.Kind = pkSet;
  p.EnumNames = &names;
  p.Get = [get]() -> TPropertyValue { return int64_t(get()); };
  p.Set = [set](const TPropertyValue& v) { set(uint32_t(std::get<int64_t>(v))); };
  return p;
}

TProperty BooleanProperty(const char* name, std::function<bool()> get,
                          std::function<void(bool)> set) {
  TProperty p;
  p.Name = name;
  p.Kind = pkBoolean;
  p.Get = [get]() -> TPropertyValue { return get(); };
  p.Set = [set](const TPropertyValue& v) { set(std::get<bool>(v)); };
  return p;
}

TProperty IntegerProperty(const char* name, std::function<int32_t()> get,
                          std::function<void(int32_t)> set) {
  TProperty p;
  p.Name = name;
  p.Kind = pkInteger;
  p.Get = [get]() -> TPropertyValue { return int64_t(get()); };
  p.Set = [set](const TPropertyValue& v) {
    int64_t i = std::get<int64_t>(v);
    if (i < std::numeric_limits<int32_t>::min() || i > std::numeric_limits<int32_t>::max())
      throw EConvertError(Format(SInvalidInteger, {std::to_string(i)}));
    set(int32_t(i));
  };
  return p;
}

TProperty ObjectProperty(const char* name, TPersistent& object) {
  TProperty p;
  p.Name = name;
  p.Kind = pkObject;
  p.Object = &object;
  return p;
}

// The ordinal of an enumeration read from a stream, checked against its range.
template <class E>
E CheckedOrdinal(int64_t ordinal, const std::vector<std::string>& names) {
  if (ordinal < 0 || size_t(ordinal) >= names.size())
    throw EConvertError(Format(SInvalidInteger, {std::to_string(ordinal)}));
  return E(ordinal);
}

template <class E>
TSet<E> CheckedSet(uint32_t mask, const std::vector<std::string>& names) {
  if (names.size() < 32 && (mask >> names.size()) != 0)
    throw EConvertError(Format(SInvalidInteger, {std::to_string(mask)}));
  return TSet<E>::FromMask(mask);
}

int32_t TextToInteger(const std::string& text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) throw EConvertError(Format(SInvalidInteger, {text}));
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') throw EConvertError(Format(SInvalidInteger, {text}));
    value = value * 10 + (c - '0');
    if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1)
      throw EConvertError(Format(SInvalidInteger, {text}));
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max())
    throw EConvertError(Format(SInvalidInteger, {text}));
  return int32_t(value);
}

double TextToFloat(const std::string& text) {
  // Decimal notation only: no blanks, no hexadecimal; the texts FloatToText
  // gives for non-finite values (NAN, INF, -INF) read back.
  bool plain = !text.empty();
  for (char c : text)
    if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-'))
      plain = false;
  std::string upper;
  for (char c : text) upper += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
  if (upper == "NAN") return std::numeric_limits<double>::quiet_NaN();
  if (upper == "INF" || upper == "+INF") return std::numeric_limits<double>::infinity();
  if (upper == "-INF") return -std::numeric_limits<double>::infinity();
  if (!plain) throw EConvertError(Format(SInvalidFloat, {text}));
  errno = 0;
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || (errno == ERANGE && std::isinf(value)))
    throw EConvertError(Format(SInvalidFloat, {text}));
  return value;
}

}  // namespace

void TInferenceEngine::RegisterClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterComponentClass<TInferenceEngine>("TInferenceEngine");
    RegisterBuiltinPackageClasses();
  });
}

const std::vector<TInferenceEngine::TDefaultPackage>& TInferenceEngine::DefaultPackageClasses() {
  static const std::vector<TDefaultPackage> classes = {
      {pStandard, "TStandardPackage"},     {pMiscellaneous, "TMiscPackage"},
      {pPredicate, "TPredicatePackage"},   {pMath, "TMathPackage"},
      {pString, "TStringPackage"},         {pObject, "TObjectPackage"},
      {pTrigonometry, "TTrigonometryPackage"}, {pBusiness, "TBusinessPackage"}};
  return classes;
}

TInferenceEngine::TInferenceEngine(TComponent* owner)
    : TComponent(owner), context_(std::make_unique<TIEContext>(nullptr, this)) {
  RegisterClasses();
  // Seam: the I/O stream table comes first, once it exists.
  parserMaxErrors_ = DefaultParserMaxErrors;
  parser_ = CreateParser();
  resetGlobals_ = true;
  // The two implied templates every engine holds, with the pattern on the
  // initial fact and the placeholder fact of the not/or/test patterns.
  CreatePlaceholders();
  reteNetwork_ = std::make_unique<TReteNetwork>(this);
  rete_ = reteNetwork_.get();
  // Seam: rules and the store table go here.
  packages_ = ConstructionPackages;
  SetTypeChecks(TTypeChecks{tcStatic});
  AddDefaultPackages();
  AssertString(SInitialFactText);
}

TInferenceEngine::~TInferenceEngine() {
  // No event is raised while the engine is destroyed.
  ClearEvents();
  parser_->OnParse = nullptr;
  parser_->OnParseFact = nullptr;
  parser_->OnParseFactSet = nullptr;
  parser_->OnParseFactTemplate = nullptr;
  parser_->OnParseFunCall = nullptr;
  parser_->OnParseFunction = nullptr;
  parser_->OnParseVariable = nullptr;
  parser_->OnParsePattern = nullptr;
  parser_->OnParseRule = nullptr;
  destroying_ = true;
  // Templates that outlive the engine (held by facts elsewhere) forget it.
  const std::vector<IFactTemplate> templates = factTemplates_.Templates();
  try {
    Clear();
  } catch (...) {
    // Destruction goes on: what Clear left is released with its owners.
  }
  reteNetwork_.reset();
  // The owned components go while this is still an engine, so that
  // Notification sees their removal.
  DestroyComponents();
  for (const IFactTemplate& factTemplate : templates)
    if (factTemplate->Engine() == this) factTemplate->SetEngine(nullptr);
  for (const IFactTemplate& factTemplate : factTemplates_.Templates())
    factTemplate->SetEngine(nullptr);
  for (TFactSet* factSet : std::vector<TFactSet*>(factSets_.begin(), factSets_.end()))
    factSet->SetEngine(nullptr);
}

void TInferenceEngine::ClearEvents() {
  OnAddDefaultPackages = nullptr;
  OnAddActivation = nullptr;
  OnRemoveActivation = nullptr;
  OnAddRule = nullptr;
  OnRemoveRule = nullptr;
  OnAssertion = nullptr;
  OnRetraction = nullptr;
  OnRuleFired = nullptr;
  OnNewFactTemplate = nullptr;
  OnRemoveFactTemplate = nullptr;
  OnClear = nullptr;
  OnClearFacts = nullptr;
  OnClearFactTemplates = nullptr;
  OnClearRules = nullptr;
  OnReset = nullptr;
  OnStartInference = nullptr;
  OnEndInference = nullptr;
  OnPrintOut = nullptr;
  OnReadLine = nullptr;
  OnReadToken = nullptr;
}

void TInferenceEngine::Properties(std::vector<TProperty>& props) {
  TComponent::Properties(props);
  props.push_back(EnumProperty(
      "DuplicateConstructs", DuplicateConstructsNames(),
      [this] { return int64_t(duplicateConstructs_); },
      [this](int64_t v) {
        SetDuplicateConstructs(CheckedOrdinal<TDuplicateConstructs>(v, DuplicateConstructsNames()));
      }));

  TProperty packages = SetProperty(
      "Packages", FunctionPackageNames(), [this] { return packages_.Mask(); },
      [this](uint32_t v) { SetPackages(CheckedSet<TFunctionPackage>(v, FunctionPackageNames())); });
  // The streaming default ({pStandard, pPredicate, pMiscellaneous}) is not the
  // construction value: an engine holding exactly the default set would not
  // write it and would read back with the construction set. So the set is
  // written whenever it differs from the construction value instead.
  packages.Stored = [this] { return !(packages_ == ConstructionPackages); };
  props.push_back(std::move(packages));

  props.push_back(BooleanProperty(
      "FactDuplication", [this] { return factDuplication_; },
      [this](bool v) { SetFactDuplication(v); }));
  props.push_back(ObjectProperty("FactTemplates", factTemplates_));
  props.push_back(EnumProperty(
      "ParserErrorHandling", ErrorHandlingNames(),
      [this] { return int64_t(parserErrorHandling_); },
      [this](int64_t v) {
        SetParserErrorHandling(CheckedOrdinal<TErrorHandling>(v, ErrorHandlingNames()));
      }));
  TProperty maxErrors = IntegerProperty(
      "ParserMaxErrors", [this] { return parserMaxErrors_; },
      [this](int32_t v) { SetParserMaxErrors(v); });
  maxErrors.Default = TPropertyValue(int64_t(DefaultParserMaxErrors));
  props.push_back(std::move(maxErrors));
  props.push_back(ObjectProperty("Rules", rules_));
  TProperty resetGlobals = BooleanProperty(
      "ResetGlobals", [this] { return resetGlobals_; }, [this](bool v) { SetResetGlobals(v); });
  resetGlobals.Default = TPropertyValue(true);
  props.push_back(std::move(resetGlobals));
  props.push_back(EnumProperty(
      "Strategy", SearchStrategyNames(), [this] { return int64_t(strategy_); },
      [this](int64_t v) { SetStrategy(CheckedOrdinal<TSearchStrategy>(v, SearchStrategyNames())); }));
  props.push_back(IntegerProperty(
      "SymbolIndex", [this] { return symbolIndex_; }, [this](int32_t v) { SetSymbolIndex(v); }));
  TProperty typeChecks = SetProperty(
      "TypeChecks", TypeCheckNames(), [this] { return typeChecks_.Mask(); },
      [this](uint32_t v) { SetTypeChecks(CheckedSet<TTypeCheck>(v, TypeCheckNames())); });
  typeChecks.Default = TPropertyValue(int64_t(TTypeChecks{tcStatic}.Mask()));
  props.push_back(std::move(typeChecks));
  props.push_back(SetProperty(
      "Watch", ConstructWatchNames(), [this] { return watch_.Mask(); },
      [this](uint32_t v) { SetWatch(CheckedSet<TConstructWatch>(v, ConstructWatchNames())); }));
  TProperty factsList;
  factsList.Name = SFactsListProperty;
  factsList.Kind = pkStringList;
  factsList.Get = [this]() -> TPropertyValue { return facts_.Texts(); };
  factsList.Set = [this](const TPropertyValue& v) {
    for (const std::string& text : std::get<std::vector<std::string>>(v)) AssertString(text);
  };
  factsList.Stored = [this] { return facts_.Count() > 0; };
  props.push_back(std::move(factsList));
}

void TInferenceEngine::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove || !component) return;
  if (component == rete_) {
    rete_ = nullptr;
    return;
  }
  // Compared as pointers only: the component may be on its way out.
  const std::string ruleName = rules_.NameOf(component);
  if (!ruleName.empty()) rules_.RemoveIfSame(ruleName, component);
  factSets_.Remove(component);
}

void TInferenceEngine::GetChildren(std::vector<TComponent*>& children) const {
  std::vector<TComponent*> owned;
  TComponent::GetChildren(owned);
  for (TComponent* c : owned)
    if (!dynamic_cast<TRule*>(c) && !dynamic_cast<TFactSet*>(c)) children.push_back(c);
}

void TInferenceEngine::SetPackages(TFunctionPackages value) {
  if (value == packages_) return;
  FreePackages();
  packages_ = value;
  AddDefaultPackages();
}

void TInferenceEngine::FreePackages() {
  for (int i = ComponentCount() - 1; i >= 0; --i) {
    if (i >= ComponentCount()) continue;  // a removal took others with it
    TComponent* c = Components(i);
    if (dynamic_cast<IPackageComponent*>(c)) RemoveComponent(c).reset();
  }
}

void TInferenceEngine::AddDefaultPackages() {
  for (const TDefaultPackage& entry : DefaultPackageClasses()) {
    if (!packages_.Contains(entry.Package)) continue;
    TComponentFactory factory = FindComponentClass(entry.ClassName);
    if (!factory) continue;
    TComponent* package = factory(this);
    if (package) package->SetComponentStateItem(csSubComponent, true);
  }
  if (OnAddDefaultPackages) OnAddDefaultPackages(this);
}

void TInferenceEngine::SetSymbolIndex(int32_t value) noexcept {
  if (value > symbolIndex_)
    symbolIndex_ = value;
  else
    ++symbolIndex_;
}

std::string TInferenceEngine::GenSym(const std::string& prefix) {
  return prefix + std::to_string(symbolIndex_++);
}

void TInferenceEngine::Lock() {
  std::call_once(lockOnce_, [this] { lock_ = std::make_unique<std::recursive_timed_mutex>(); });
  lock_->lock();
  lockOwner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
  ++lockDepth_;
}

bool TInferenceEngine::TryLockFor(std::chrono::milliseconds timeout) {
  std::call_once(lockOnce_, [this] { lock_ = std::make_unique<std::recursive_timed_mutex>(); });
#if defined(__SANITIZE_THREAD__)
  // The thread sanitizer follows pthread_mutex_timedlock (what a wait until a
  // time of the system clock uses) but not the steady clock's wait.
  if (!lock_->try_lock_until(std::chrono::system_clock::now() + timeout)) return false;
#else
  if (!lock_->try_lock_for(timeout)) return false;
#endif
  lockOwner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
  ++lockDepth_;
  return true;
}

void TInferenceEngine::Unlock() {
  // Only the holder may pass here: lockOwner_ is this thread's id exactly
  // while this thread holds the mutex.
  if (lockOwner_.load(std::memory_order_relaxed) != std::this_thread::get_id()) return;
  if (--lockDepth_ == 0) lockOwner_.store(std::thread::id(), std::memory_order_relaxed);
  lock_->unlock();
}

IIEValue TInferenceEngine::StringToValue(const std::string& text, TIEType dataType) {
  switch (dataType) {
    case dtNone:
      return MakeRef<TIEValue>();
    case dtAtom:
      return TIEValue::MakeAtom(text);
    case dtVariable:
      return TIEValue::MakeVariable(text);
    case dtMultiVariable:
      return TIEValue::MakeMultiVariable(text);
    case dtSlot:
      return TIEValue::MakeSlot(text);
    case dtMultiSlot:
      return TIEValue::MakeMultiSlot(text);
    case dtString: {
      size_t first = text.find_first_not_of('"');
      if (first == std::string::npos) return TIEValue::MakeString("");
      size_t last = text.find_last_not_of('"');
      return TIEValue::MakeString(std::string_view(text).substr(first, last - first + 1));
    }
    case dtInteger:
      return TIEValue::MakeInteger(TextToInteger(text));
    case dtFactId:
      return TIEValue::MakeFactId(TextToInteger(text));
    case dtFloat:
      return TIEValue::MakeFloat(TextToFloat(text));
    case dtFunCall:
      return TIEValue::MakeFunCall(ParseFunCall(text));
    case dtFact:
      return TIEValue::MakeFact(ParseFact(text));
    case dtList: {
      IIEValue value = ParseValue(text);
      return value ? value : EmptyList();
    }
    default:
      break;
  }
  if (unsigned(dataType) < unsigned(IETypeCount))
    throw EIEException(Format(SUnableToParseType, {IETypeName(dataType)}));
  throw EIEException(Format(SUnknownType, {int(dataType)}));
}
