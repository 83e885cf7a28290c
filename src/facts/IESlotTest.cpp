// Slot tests, join tests and the slot-test list; the pattern is in IEPattern.cpp.
#include "facts/IESlotTest.h"

#include <typeinfo>

#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "functions/IEFunctionCall.h"
#include "values/IEContext.h"

const std::vector<std::string>& PatternMatchTestNames() {
  static const std::vector<std::string> names = {
      "pmtUnknown",          "pmtTestEqual",          "pmtTestClassType",
      "pmtTestSlotValueEqual", "pmtTestSlotValueNotEqual", "pmtTestNotEqual",
      "pmtTestMultiSlotEqual", "pmtTestMultiSlotNotEqual", "pmtTestMultiSlotLength",
      "pmtTestMultiSlotMultiField", "pmtFailTest"};
  return names;
}

const std::vector<std::string>& SlotTestTypeNames() {
  static const std::vector<std::string> names = {"sttEquals", "sttNotEquals"};
  return names;
}

const std::vector<std::string>& JoinTestTypeNames() {
  static const std::vector<std::string> names = {"tstSlot", "tstMultiSlot"};
  return names;
}

IIEValue SlotValueOf(TCustomFact* fact, const std::string& slot, int32_t subIndex) {
  if (!fact) return nullptr;
  IIEValue value = fact->GetSlotValue(slot);
  if (!value || subIndex == -1) return value;
  if (value->DType() != dtList || subIndex < 0) return nullptr;
  TValueVector& list = value->ListRef();
  if (subIndex >= list.Count()) return nullptr;
  return list.Get(subIndex);
}



// ---------------------------------------------------------------------------
// TIESlotTest

std::string TIESlotTest::Text() const {
  return slotTestType_ == sttEquals ? SSlotTestEqualsText : SSlotTestNotEqualsText;
}

bool TIESlotTest::Equals(const TIESlotTest* other) const {
  return other && typeid(*other) == typeid(*this) && other->slotTestType_ == slotTestType_;
}

void TIESlotTest::Assign(const TPersistent* source) {
  if (auto* test = dynamic_cast<const TIESlotTest*>(source)) {
    slotTestType_ = test->slotTestType_;
    return;
  }
  TPersistent::Assign(source);
}

// ---------------------------------------------------------------------------
// TIEPatternMatchTest

TIEPatternMatchTest::TIEPatternMatchTest(const IIEValue& value, int32_t subIndex,
                                         TSlotTestType type)
    : TIESlotTest(type), slotValue_(value ? value->Clone() : IIEValue()), subIndex_(subIndex) {}

TIEPattern* TIEPatternMatchTest::Owner() const noexcept {
  return list_ ? list_->Pattern() : nullptr;
}

void TIEPatternMatchTest::Changed() {
  if (TIEPattern* pattern = Owner()) pattern->Changed();
}

void TIEPatternMatchTest::SetSlotValue(const IIEValue& value) {
  slotValue_ = value ? value->Clone() : IIEValue();
  Changed();
}

void TIEPatternMatchTest::SetMultiSlotSubIndex(int32_t subIndex) {
  if (subIndex == subIndex_) return;
  subIndex_ = subIndex;
  Changed();
}

void TIEPatternMatchTest::SetConjunction(bool conjunction) {
  if (conjunction == conjunction_) return;
  conjunction_ = conjunction;
  if (TIEPattern* pattern = Owner()) pattern->TestConjunctionChanged(*this);
}

bool TIEPatternMatchTest::Test(TIEContext* context) {
  IIEValue result = slotValue_ ? slotValue_->Resolve(context) : IIEValue();
  const bool isFalse = result && result->Equals(FalseAtom());
  return SlotTestType() == sttEquals ? !isFalse : isFalse;
}

bool TIEPatternMatchTest::Equals(const TIESlotTest* other) const {
  if (!TIESlotTest::Equals(other)) return false;
  auto* test = static_cast<const TIEPatternMatchTest*>(other);
  const bool valuesEqual = slotValue_ && test->slotValue_
                               ? slotValue_->Equals(test->slotValue_)
                               : !slotValue_ && !test->slotValue_;
  return valuesEqual && subIndex_ == test->subIndex_ && conjunction_ == test->conjunction_;
}

std::string TIEPatternMatchTest::Text() const {
  std::string text = TIESlotTest::Text();
  text += SSlotTestSubIndexText;
  text += std::to_string(subIndex_);
  if (slotValue_) {
    text += SSlotTestSlotText;
    slotValue_->AppendText(text);
  }
  return text;
}

std::unique_ptr<TIESlotTest> TIEPatternMatchTest::Copy() const { return CopyTest(); }

std::unique_ptr<TIEPatternMatchTest> TIEPatternMatchTest::CopyTest() const {
  auto copy = std::make_unique<TIEPatternMatchTest>();
  copy->Assign(this);
  return copy;
}

IFunCall TIEPatternMatchTest::ToExpression(IReasoner* engine, const IIEValue& operand) const {
  if (slotValue_ && slotValue_->DType() == dtFunCall) {
    IFunCall call = slotValue_->AsFunCall();
    auto* functionCall = dynamic_cast<TFunctionCall*>(call.get());
    IFunCall copy = functionCall ? IFunCall(functionCall->Clone()) : call;
    if (SlotTestType() == sttEquals) return copy;
    IFunctionCall negation = TFunctionCall::Create(engine, SNotFunction);
    negation->AddArgument(copy);
    return negation;
  }
  IFunctionCall call =
      TFunctionCall::Create(engine, SlotTestType() == sttEquals ? SEqFunction : SNeqFunction);
  call->AddArgument(slotValue_ ? slotValue_->Clone() : IIEValue());
  call->AddArgument(operand ? operand->Clone() : IIEValue());
  return call;
}

void TIEPatternMatchTest::Assign(const TPersistent* source) {
  if (auto* test = dynamic_cast<const TIEPatternMatchTest*>(source)) {
    SetSlotTestType(test->SlotTestType());
    SetSlotValue(test->slotValue_);
    SetMultiSlotSubIndex(test->subIndex_);
    SetConjunction(test->conjunction_);
    return;
  }
  TIESlotTest::Assign(source);
}

// ---------------------------------------------------------------------------
// TIEJoinTest

TIEJoinTest::TIEJoinTest(TSlotTestType type, int32_t tokenIndex, std::string rightSlot,
                         std::string leftSlot)
    : TIESlotTest(type), rightIndex_(std::move(rightSlot)), leftIndex_(std::move(leftSlot)),
      tokenIndex_(tokenIndex), leftReader_(leftIndex_), rightReader_(rightIndex_) {}

TIEJoinTest::TIEJoinTest(TSlotTestType type, int32_t tokenIndex, int32_t rightSubIndex,
                         std::string rightSlot, int32_t leftSubIndex, std::string leftSlot)
    : TIESlotTest(type), rightSubIndex_(rightSubIndex), rightIndex_(std::move(rightSlot)),
      leftIndex_(std::move(leftSlot)), tokenIndex_(tokenIndex), leftSubIndex_(leftSubIndex),
      joinTestType_(tstMultiSlot), leftReader_(leftIndex_), rightReader_(rightIndex_) {}

bool TIEJoinTest::Test(TIEContext* context) {
  if (!context) return TestFacts(nullptr, nullptr);
  return TestFacts(context->Token().get(), context->Fact().get());
}

bool TIEJoinTest::TestFacts(const TCustomReteToken* token, TCustomFact* rightFact) const {
  TCustomFact* leftFact = token && tokenIndex_ >= 0 && tokenIndex_ < token->FactCount()
                              ? token->FactAt(tokenIndex_)
                              : nullptr;
  return TestFactPair(leftFact, rightFact);
}

bool TIEJoinTest::TestFactPair(TCustomFact* leftFact, TCustomFact* rightFact) const {
  bool result;
  if (joinTestType_ == tstSlot) {
    const TIEValue* left = leftReader_.Peek(leftFact);
    result = left && left->Equals(rightReader_.Peek(rightFact));
  } else {
    // A token that does not reach TokenIndex has nothing to compare with.
    if (!leftFact) return true;
    const TIEValue* left = leftReader_.Peek(leftFact, leftSubIndex_);
    result = left && left->Equals(rightReader_.Peek(rightFact, rightSubIndex_));
  }
  return SlotTestType() == sttNotEquals ? !result : result;
}

bool TIEJoinTest::Equals(const TIESlotTest* other) const {
  if (!TIESlotTest::Equals(other)) return false;
  auto* test = static_cast<const TIEJoinTest*>(other);
  return joinTestType_ == test->joinTestType_ && leftIndex_ == test->leftIndex_ &&
         leftSubIndex_ == test->leftSubIndex_ && rightIndex_ == test->rightIndex_ &&
         rightSubIndex_ == test->rightSubIndex_ && tokenIndex_ == test->tokenIndex_;
}

std::string TIEJoinTest::Text() const {
  std::string text = TIESlotTest::Text();
  text += ' ';
  text += JoinTestTypeNames()[joinTestType_];
  text += SJoinTestTokenIndexText;
  text += std::to_string(tokenIndex_);
  text += SJoinTestLeftText;
  text += leftIndex_;
  if (joinTestType_ == tstMultiSlot) text += ' ' + std::to_string(leftSubIndex_);
  text += SJoinTestRightText;
  text += rightIndex_;
  if (joinTestType_ == tstMultiSlot) text += ' ' + std::to_string(rightSubIndex_);
  return text;
}

std::unique_ptr<TIESlotTest> TIEJoinTest::Copy() const {
  auto copy = std::make_unique<TIEJoinTest>(SlotTestType(), tokenIndex_, rightIndex_, leftIndex_);
  copy->Assign(this);
  return copy;
}

void TIEJoinTest::Assign(const TPersistent* source) {
  if (auto* test = dynamic_cast<const TIEJoinTest*>(source)) {
    SetSlotTestType(test->SlotTestType());
    rightSubIndex_ = test->rightSubIndex_;
    rightIndex_ = test->rightIndex_;
    leftIndex_ = test->leftIndex_;
    tokenIndex_ = test->tokenIndex_;
    leftSubIndex_ = test->leftSubIndex_;
    joinTestType_ = test->joinTestType_;
    leftReader_.SetName(leftIndex_);
    rightReader_.SetName(rightIndex_);
    return;
  }
  TIESlotTest::Assign(source);
}

// ---------------------------------------------------------------------------
// TSlotTests

TSlotTests::~TSlotTests() {
  // The pattern is going away with its table: no notifications.
  for (auto& test : tests_) test->list_ = nullptr;
}

TIEPatternMatchTest* TSlotTests::Get(int32_t index) const {
  if (uint32_t(index) >= tests_.size()) RaiseListIndexError(index);
  return tests_[size_t(index)].get();
}

int32_t TSlotTests::Add(std::unique_ptr<TIEPatternMatchTest> test) {
  const int32_t index = Count();
  Insert(index, std::move(test));
  return index;
}

void TSlotTests::Insert(int32_t index, std::unique_ptr<TIEPatternMatchTest> test) {
  if (uint32_t(index) > tests_.size()) RaiseListIndexError(index);
  if (!test) throw EListError(SArgumentIsNull);
  TIEPatternMatchTest& added = *test;
  added.list_ = this;
  tests_.insert(tests_.begin() + index, std::move(test));
  if (pattern_) pattern_->TestListChanged(added, lnAdded);
}

std::unique_ptr<TIEPatternMatchTest> TSlotTests::Extract(int32_t index) {
  if (uint32_t(index) >= tests_.size()) RaiseListIndexError(index);
  std::unique_ptr<TIEPatternMatchTest> test = std::move(tests_[size_t(index)]);
  tests_.erase(tests_.begin() + index);
  test->list_ = nullptr;
  if (pattern_) pattern_->TestListChanged(*test, lnExtracted);
  return test;
}

void TSlotTests::Delete(int32_t index) {
  std::unique_ptr<TIEPatternMatchTest> test = Extract(index);
  (void)test;  // freed here
}

void TSlotTests::Clear() {
  while (!tests_.empty()) Delete(Count() - 1);
}

int32_t TSlotTests::IndexOf(const TIEPatternMatchTest* test) const noexcept {
  for (size_t i = 0; i < tests_.size(); ++i)
    if (tests_[i].get() == test) return int32_t(i);
  return -1;
}
