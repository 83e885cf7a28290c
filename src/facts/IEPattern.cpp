// TIEPattern: the slot table, change reporting, copying and the normalisation
// of disjunctions.
#include <utility>

#include "collections/UpdateBracket.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "facts/IERule.h"
#include "facts/IESlotTest.h"
#include "functions/IEFunctionCall.h"

namespace {

bool IsVariableValue(const IIEValue& value) {
  return value && (value->DType() == dtVariable || value->DType() == dtMultiVariable);
}

}  // namespace

TIEPattern::TIEPattern(TRule* rule, int32_t negatedCount, IFactTemplate factTemplate,
                       std::string name)
    : factTemplate_(std::move(factTemplate)), negatedCount_(negatedCount < 0 ? 0 : negatedCount),
      name_(std::move(name)), rule_(rule) {
  if (factTemplate_)
    for (const TFactSlot* slot : factTemplate_->Slots()) AddSlotEntry(slot->Name());
}

TIEPattern::~TIEPattern() {
  // The tests leave with the table; nobody is told.
  for (TSlotEntry& entry : slots_) entry.Tests->pattern_ = nullptr;
}

int32_t TIEPattern::AddSlotEntry(const std::string& name) {
  TSlotEntry entry;
  entry.Name = name;
  entry.Tests = std::make_unique<TSlotTests>(this);
  slots_.push_back(std::move(entry));
  return int32_t(slots_.size()) - 1;
}

TIEPattern::TSlotEntry& TIEPattern::Entry(int32_t index) const {
  if (uint32_t(index) >= slots_.size()) RaiseListIndexError(index);
  return slots_[size_t(index)];
}

const std::string& TIEPattern::SlotName(int32_t index) const { return Entry(index).Name; }
TSlotTests& TIEPattern::SlotTests(int32_t index) const { return *Entry(index).Tests; }
int32_t TIEPattern::SlotLength(int32_t index) const { return Entry(index).Length; }

void TIEPattern::SetSlotLength(int32_t index, int32_t length) {
  TSlotEntry& entry = Entry(index);
  if (entry.Length == length) return;
  entry.Length = length;
  Changed();
}

int32_t TIEPattern::IndexOfSlot(const std::string& slotName) const noexcept {
  for (size_t i = 0; i < slots_.size(); ++i)
    if (slots_[i].Name == slotName) return int32_t(i);
  return -1;
}

TIEPatternMatchTest* TIEPattern::AddTest(const std::string& slotName, const IIEValue& value,
                                         bool conjunction, bool notEquals, int32_t subIndex) {
  if (!factTemplate_) throw EIEException(SFactTemplateMissing);
  if (!factTemplate_->HasSlot(slotName))
    throw EIEException(Format(SNoSuchSlotName, {slotName}));
  int32_t index = IndexOfSlot(slotName);
  if (index < 0) index = AddSlotEntry(slotName);
  auto test = std::make_unique<TIEPatternMatchTest>(value, subIndex,
                                                    notEquals ? sttNotEquals : sttEquals);
  TIEPatternMatchTest* added = test.get();
  WithinUpdate(*this, [&] {
    slots_[size_t(index)].Tests->Add(std::move(test));
    added->SetConjunction(conjunction);
  });
  return added;
}

void TIEPattern::ClearSlots() {
  for (TSlotEntry& entry : slots_) entry.Tests->Clear();
  slots_.clear();
}

// ---------------------------------------------------------------------------
// Properties and change reporting

void TIEPattern::SetUnique(bool value) {
  if (value == unique_) return;
  unique_ = value;
  Changed();
}

void TIEPattern::SetExplicit(bool value) {
  if (value == explicit_) return;
  explicit_ = value;
  Changed();
}

void TIEPattern::SetNegatedCount(int32_t value) {
  if (value < 0) value = 0;
  if (value == negatedCount_) return;
  negatedCount_ = value;
  Changed();
}

bool TIEPattern::IsTestPattern() const { return name_ == STestPatternName; }

void TIEPattern::SetBoundName(const std::string& name) {
  // Neither a negated pattern nor a test element matches a fact to bind.
  if (!name.empty() && (IsNegated() || IsTestPattern()))
    throw EIEException(SCannotBindNegatedPattern);
  if (name == boundName_) return;
  boundName_ = name;
  Changed();
}

void TIEPattern::SetRule(TRule* rule) {
  if (rule == rule_) return;
  Changed();
  rule_ = rule;
  Changed();
}

IRuleEngine* TIEPattern::RuleEngine() const {
  if (rule_ && rule_->RuleEngine()) return rule_->RuleEngine();
  if (factTemplate_) return dynamic_cast<IRuleEngine*>(factTemplate_->Engine());
  return nullptr;
}

IRuleEngine& TIEPattern::RequireRuleEngine() const {
  IRuleEngine* engine = rule_ ? rule_->RuleEngine() : nullptr;
  if (!engine) throw EIEException(SUnknownInferenceEngine);
  return *engine;
}

void TIEPattern::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
  if (updateCount_ == 0) Changed();
}

void TIEPattern::Changed() {
  if (updateCount_ >= 1) return;
  if (rule_) rule_->PatternChanged(*this);
  if (OnChange) OnChange(this);
}

void TIEPattern::TestListChanged(TIEPatternMatchTest& test, TListNotification action) {
  const int32_t step = action == lnAdded ? 1 : -1;
  testCount_ += step;
  if (!test.Conjunction()) disjunctionCount_ += step;
  Changed();
}

void TIEPattern::TestConjunctionChanged(TIEPatternMatchTest& test) {
  disjunctionCount_ += test.Conjunction() ? -1 : 1;
  Changed();
}

// ---------------------------------------------------------------------------
// Copies

void TIEPattern::Assign(const TPersistent* source) {
  auto* pattern = dynamic_cast<const TIEPattern*>(source);
  if (!pattern) {
    TPersistent::Assign(source);
    return;
  }
  if (pattern == this) return;
  WithinUpdate(*this, [&] {
    unique_ = pattern->unique_;
    explicit_ = pattern->explicit_;
    name_ = pattern->name_;
    boundName_ = pattern->boundName_;
    factTemplate_ = pattern->factTemplate_;
    negatedCount_ = pattern->negatedCount_;
    ClearSlots();
    for (const TSlotEntry& entry : pattern->slots_) {
      const int32_t index = AddSlotEntry(entry.Name);
      slots_[size_t(index)].Length = entry.Length;
      const TSlotTests& tests = *entry.Tests;
      for (int32_t i = 0; i < tests.Count(); ++i)
        slots_[size_t(index)].Tests->Add(tests.Get(i)->CopyTest());
    }
  });
}

std::unique_ptr<TIEPattern> TIEPattern::CopyToEngine(IFactEngine* engine) const {
  auto copy = std::make_unique<TIEPattern>(nullptr, negatedCount_, nullptr, name_);
  copy->Assign(this);
  if (factTemplate_ && engine && factTemplate_->Engine() != engine) {
    IFactTemplate there = engine->FindFactTemplate(factTemplate_->Name());
    if (!there) {
      there = MakeRef<TFactTemplate>(engine, *factTemplate_, factTemplate_->Comment(),
                                     factTemplate_->Name());
      engine->AddFactTemplate(there);
    }
    copy->factTemplate_ = there;
  }
  return copy;
}

// ---------------------------------------------------------------------------
// Disjunctions

bool TIEPattern::NeedsFreshVariable() const {
  for (const TSlotEntry& entry : slots_) {
    const TSlotTests& list = *entry.Tests;
    int32_t i = 0;
    while (i < list.Count()) {
      const int32_t subIndex = list.Get(i)->MultiSlotSubIndex();
      const bool variableFirst = IsVariableValue(list.Get(i)->SlotValue());
      bool alternative = false;
      for (; i < list.Count() && list.Get(i)->MultiSlotSubIndex() == subIndex; ++i)
        if (!list.Get(i)->Conjunction()) alternative = true;
      if (alternative && !variableFirst) return true;
    }
  }
  return false;
}

void TIEPattern::NormalizeDisjunctions() {
  if (disjunctionCount_ == 0) return;
  // Checked before anything changes, so a rejected call leaves the tests alone.
  if (NeedsFreshVariable()) {
    if (!rule_) throw EIEException(SRuleMissingForPattern);
    RequireRuleEngine();
  }
  WithinUpdate(*this, [&] {
    for (int32_t slot = 0; slot < SlotCount(); ++slot) {
      TSlotTests& list = *slots_[size_t(slot)].Tests;
      if (list.IsEmpty()) continue;
      std::vector<std::unique_ptr<TIEPatternMatchTest>> old;
      while (!list.IsEmpty()) old.push_back(list.Extract(0));
      std::vector<std::unique_ptr<TIEPatternMatchTest>> rebuilt;

      size_t runStart = 0;
      while (runStart < old.size()) {
        const int32_t subIndex = old[runStart]->MultiSlotSubIndex();
        size_t runEnd = runStart;
        bool alternative = false;
        while (runEnd < old.size() && old[runEnd]->MultiSlotSubIndex() == subIndex) {
          if (!old[runEnd]->Conjunction()) alternative = true;
          ++runEnd;
        }
        if (!alternative) {
          for (size_t i = runStart; i < runEnd; ++i) rebuilt.push_back(std::move(old[i]));
          runStart = runEnd;
          continue;
        }

        // The variable the alternatives are tested on.
        IIEValue variable;
        size_t first = runStart;
        if (IsVariableValue(old[runStart]->SlotValue())) {
          variable = old[runStart]->SlotValue();
          ++first;
        } else {
          IRuleEngine& engine = RequireRuleEngine();
          const std::string name = engine.GenSym(SBlankVariablePrefix);
          variable = TIEValue::MakeVariable(name);
          rule_->AddRuleBinding(name, rule_->Patterns().IndexOf(this), slots_[size_t(slot)].Name,
                                subIndex);
        }
        rebuilt.push_back(std::make_unique<TIEPatternMatchTest>(variable, subIndex, sttEquals));

        // Groups of "&"-joined tests, split at each "|".
        IReasoner* functions = rule_ && rule_->RuleEngine() ? rule_->RuleEngine()->FunctionTable()
                                                            : nullptr;
        IFunctionCall disjunction = TFunctionCall::Create(functions, SOrFunction);
        size_t group = first;
        while (group < runEnd) {
          size_t groupEnd = group + 1;
          while (groupEnd < runEnd && old[groupEnd]->Conjunction()) ++groupEnd;
          if (groupEnd - group == 1) {
            disjunction->AddArgument(old[group]->ToExpression(functions, variable));
          } else {
            IFunctionCall conjunction = TFunctionCall::Create(functions, SAndFunction);
            for (size_t i = group; i < groupEnd; ++i)
              conjunction->AddArgument(old[i]->ToExpression(functions, variable));
            disjunction->AddArgument(conjunction);
          }
          group = groupEnd;
        }
        if (disjunction->ArgumentCount() > 0)
          rebuilt.push_back(std::make_unique<TIEPatternMatchTest>(
              TIEValue::MakeFunCall(disjunction), subIndex, sttEquals));
        runStart = runEnd;
      }
      for (auto& test : rebuilt) list.Add(std::move(test));
    }
  });
}

std::string TIEPattern::Text() const {
  IRuleEngine* engine = RuleEngine();
  return engine ? engine->PatternText(*this) : std::string();
}
