// Patterns and the tests they and the network use:
//  - TIESlotTest, the base of every test: equals or not-equals, Test(context);
//  - TIEPatternMatchTest, one constraint of one slot of a pattern (a constant,
//    a variable, a multifield variable or a predicate call) and how it becomes
//    an expression;
//  - TIEJoinTest, the comparison of a slot of an earlier fact of a token with a
//    slot of the fact arriving at a join;
//  - TSlotTests, the owning list of the constraints of one pattern slot;
//  - TPatternMatchTest, the kinds of check a pattern-match node makes;
//  - TIEPattern, one conditional element of a rule's left-hand side.
//
// Ownership: a pattern owns its slot table, each entry its TSlotTests, each
// list its tests. A pattern points at its rule (not owned; the rule owns the
// pattern) and holds its template by reference. Test values are copies owned
// by the test. Thread-safety: none; patterns are used by their engine's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "collections/InterfaceCollections.h"
#include "core/IEInterfaces.h"
#include "core/Persistent.h"
#include "facts/IEFacts.h"
#include "values/IEValue.h"

class IReasoner;
class IRuleEngine;
class TIEContext;
class TIEPattern;
class TRule;
class TSlotTests;

// A join test compares whole slots (tstSlot) or multifield items (tstMultiSlot).
using TJoinTestType = TTemplateSlotType;

// What one pattern-match node checks (see TIEPattern and the network).
enum TPatternMatchTest : uint8_t {
  pmtUnknown,
  pmtTestEqual,
  pmtTestClassType,
  pmtTestSlotValueEqual,
  pmtTestSlotValueNotEqual,
  pmtTestNotEqual,
  pmtTestMultiSlotEqual,
  pmtTestMultiSlotNotEqual,
  pmtTestMultiSlotLength,
  pmtTestMultiSlotMultiField,
  pmtFailTest
};

// The enumeration names in ordinal order ("pmtTestEqual", "sttEquals", "tstSlot").
const std::vector<std::string>& PatternMatchTestNames();
const std::vector<std::string>& SlotTestTypeNames();
const std::vector<std::string>& JoinTestTypeNames();

// The value of Slot in Fact, or its multifield item at SubIndex when SubIndex
// is not -1; none when the fact is none, lacks the slot, or the slot is no
// multifield long enough.
IIEValue SlotValueOf(TCustomFact* fact, const std::string& slot, int32_t subIndex);

using TPatternNotifyEvent = std::function<void(TObject* sender)>;

// ---------------------------------------------------------------------------

class TIESlotTest : public TPersistent {
 public:
  explicit TIESlotTest(TSlotTestType type = sttEquals) : slotTestType_(type) {}
  std::string ClassName() const override { return "TIESlotTest"; }

  TSlotTestType SlotTestType() const noexcept { return slotTestType_; }
  void SetSlotTestType(TSlotTestType type) noexcept { slotTestType_ = type; }

  // "=" for sttEquals, "<>" for sttNotEquals.
  virtual std::string Text() const;
  // A new test of the same class assigned from this one.
  virtual std::unique_ptr<TIESlotTest> Copy() const = 0;
  // Same class and same SlotTestType.
  virtual bool Equals(const TIESlotTest* other) const;
  // Whether the test passes in Context (its token and fact).
  virtual bool Test(TIEContext* context) = 0;
  // A test of a pattern's slot constraint (it may evaluate calls), rather
  // than a plain comparison of two slots.
  virtual bool IsPatternMatchTest() const noexcept { return false; }
  // The test as a comparison of two facts' slots, or none.
  virtual const class TIEJoinTest* AsJoinTest() const noexcept { return nullptr; }

  // From another TIESlotTest: SlotTestType.
  void Assign(const TPersistent* source) override;

 private:
  TSlotTestType slotTestType_;
};

// One constraint of one slot of a pattern. While it is in a pattern's
// TSlotTests the pattern is told when its value, sub-index or conjunction
// changes.
class TIEPatternMatchTest : public TIESlotTest {
 public:
  TIEPatternMatchTest() = default;
  // Value is copied.
  TIEPatternMatchTest(const IIEValue& value, int32_t subIndex, TSlotTestType type);
  std::string ClassName() const override { return "TIEPatternMatchTest"; }
  bool IsPatternMatchTest() const noexcept override { return true; }

  const IIEValue& SlotValue() const noexcept { return slotValue_; }
  // Stores a copy of Value.
  void SetSlotValue(const IIEValue& value);
  // Position in a multislot the test addresses; -1: the whole slot.
  int32_t MultiSlotSubIndex() const noexcept { return subIndex_; }
  void SetMultiSlotSubIndex(int32_t subIndex);
  // True: joined to the previous test of the same position by "&"; False: by "|".
  bool Conjunction() const noexcept { return conjunction_; }
  void SetConjunction(bool conjunction);

  // The pattern whose slot list holds the test, or none.
  TIEPattern* Owner() const noexcept;

  // SlotValue resolved in Context, compared strictly with FALSE: sttEquals
  // passes when it is not FALSE, sttNotEquals when it is.
  bool Test(TIEContext* context) override;
  // Base equality, equal values, sub-index and conjunction.
  bool Equals(const TIESlotTest* other) const override;
  // "= SubIdx: -1 Slot: red".
  std::string Text() const override;
  std::unique_ptr<TIESlotTest> Copy() const override;
  std::unique_ptr<TIEPatternMatchTest> CopyTest() const;
  // A constant or variable value: (eq value operand), or (neq ...) for
  // sttNotEquals. A call: a copy of the call, or (not call) for sttNotEquals.
  // New calls bind through Engine (may be none).
  IFunCall ToExpression(IReasoner* engine, const IIEValue& operand) const;

  // From another TIEPatternMatchTest: type, a copy of the value, sub-index and
  // conjunction (through the setters).
  void Assign(const TPersistent* source) override;

 private:
  friend class TSlotTests;
  void Changed();

  IIEValue slotValue_;
  int32_t subIndex_ = -1;
  bool conjunction_ = true;
  TSlotTests* list_ = nullptr;
};

// Compares a slot of the token's fact at TokenIndex (left) with a slot of the
// context's fact (right, the fact arriving at a join).
class TIEJoinTest : public TIESlotTest {
 public:
  // Whole slots: sub-indices -1, tstSlot.
  TIEJoinTest(TSlotTestType type, int32_t tokenIndex, std::string rightSlot, std::string leftSlot);
  // Multifield items: tstMultiSlot.
  TIEJoinTest(TSlotTestType type, int32_t tokenIndex, int32_t rightSubIndex, std::string rightSlot,
              int32_t leftSubIndex, std::string leftSlot);
  std::string ClassName() const override { return "TIEJoinTest"; }

  int32_t RightSubIndex() const noexcept { return rightSubIndex_; }
  const std::string& RightIndex() const noexcept { return rightIndex_; }
  const std::string& LeftIndex() const noexcept { return leftIndex_; }
  int32_t TokenIndex() const noexcept { return tokenIndex_; }
  int32_t LeftSubIndex() const noexcept { return leftSubIndex_; }
  TJoinTestType JoinTestType() const noexcept { return joinTestType_; }

  // tstSlot: the two slot values are strictly equal (a missing fact or value
  // compares unequal). tstMultiSlot: passes, whatever the type, when the token
  // has no fact at TokenIndex; else the values (items at the sub-indices that
  // are not -1) are compared. sttNotEquals inverts the comparison.
  bool Test(TIEContext* context) override;
  // The same for Token's fact at TokenIndex (left) and Right, with no context.
  bool TestFacts(const TCustomReteToken* token, TCustomFact* right) const;
  // The same with the token's fact at TokenIndex given (none when the token
  // does not reach it).
  bool TestFactPair(TCustomFact* left, TCustomFact* right) const;
  const TIEJoinTest* AsJoinTest() const noexcept override { return this; }
  bool Equals(const TIESlotTest* other) const override;
  // "= tstMultiSlot TokenIdx: 0 Left: a 1 Right: b 2" (sub-indices only for
  // tstMultiSlot).
  std::string Text() const override;
  std::unique_ptr<TIESlotTest> Copy() const override;
  void Assign(const TPersistent* source) override;

 private:
  int32_t rightSubIndex_ = -1;
  std::string rightIndex_;
  std::string leftIndex_;
  int32_t tokenIndex_ = 0;
  int32_t leftSubIndex_ = -1;
  TJoinTestType joinTestType_ = tstSlot;
  TSlotReader leftReader_;
  TSlotReader rightReader_;
};

// The constraints of one slot of one pattern, in order. Owns its tests; tells
// its pattern (may be none) of every insertion, extraction and deletion.
// Index errors raise EListError "List index out of bounds (%d)".
class TSlotTests {
 public:
  explicit TSlotTests(TIEPattern* pattern = nullptr) : pattern_(pattern) {}
  ~TSlotTests();
  TSlotTests(const TSlotTests&) = delete;
  TSlotTests& operator=(const TSlotTests&) = delete;

  int32_t Count() const noexcept { return int32_t(tests_.size()); }
  bool IsEmpty() const noexcept { return tests_.empty(); }
  TIEPatternMatchTest* Get(int32_t index) const;
  TIEPatternMatchTest* operator[](int32_t index) const { return Get(index); }
  // Appends Test (taken over); returns its index.
  int32_t Add(std::unique_ptr<TIEPatternMatchTest> test);
  void Insert(int32_t index, std::unique_ptr<TIEPatternMatchTest> test);
  // Takes the test out and hands it to the caller.
  std::unique_ptr<TIEPatternMatchTest> Extract(int32_t index);
  // Removes and frees the test.
  void Delete(int32_t index);
  void Clear();
  int32_t IndexOf(const TIEPatternMatchTest* test) const noexcept;
  TIEPattern* Pattern() const noexcept { return pattern_; }

 private:
  friend class TIEPatternMatchTest;
  friend class TIEPattern;
  TIEPattern* pattern_;
  std::vector<std::unique_ptr<TIEPatternMatchTest>> tests_;
};

// ---------------------------------------------------------------------------
// TIEPattern. The slot table has one entry per template slot (in the order
// the template's slot table enumerates them), each with a length constraint
// (-1: none) and its tests. Changes are reported, outside an update bracket,
// to the rule and through OnChange.

class TIEPattern : public TPersistent {
 public:
  // One slot entry per slot of Template, each with length -1 and no tests.
  TIEPattern(TRule* rule, int32_t negatedCount, IFactTemplate factTemplate, std::string name);
  ~TIEPattern() override;
  TIEPattern(const TIEPattern&) = delete;
  TIEPattern& operator=(const TIEPattern&) = delete;
  std::string ClassName() const override { return "TIEPattern"; }

  // Appends a test on SlotName: EIEException "Fact Template is missing"
  // without template, "No such slot name: "%s"" for a slot the template
  // lacks. Creates the slot entry when missing. Returns the test.
  TIEPatternMatchTest* AddTest(const std::string& slotName, const IIEValue& value,
                               bool conjunction, bool notEquals, int32_t subIndex);

  // ---- The slot table. Index errors raise EListError.
  int32_t SlotCount() const noexcept { return int32_t(slots_.size()); }
  const std::string& SlotName(int32_t index) const;
  // The entry of that slot name, or -1.
  int32_t IndexOfSlot(const std::string& slotName) const noexcept;
  TSlotTests& SlotTests(int32_t index) const;
  int32_t SlotTestCount(int32_t index) const { return SlotTests(index).Count(); }
  TIEPatternMatchTest* SlotTest(int32_t index, int32_t test) const {
    return SlotTests(index).Get(test);
  }
  // The multifield length constraint of entry Index; -1: none.
  int32_t SlotLength(int32_t index) const;
  void SetSlotLength(int32_t index, int32_t length);

  // Number of tests held, and of those whose Conjunction is False.
  int32_t TestCount() const noexcept { return testCount_; }
  int32_t DisjunctionCount() const noexcept { return disjunctionCount_; }

  // ---- Properties.
  bool Unique() const noexcept { return unique_; }
  void SetUnique(bool value);
  bool Explicit() const noexcept { return explicit_; }
  void SetExplicit(bool value);
  const IFactTemplate& FactTemplate() const noexcept { return factTemplate_; }
  int32_t NegatedCount() const noexcept { return negatedCount_; }
  void SetNegatedCount(int32_t value);
  // NegatedCount is odd.
  bool IsNegated() const noexcept { return (negatedCount_ & 1) != 0; }
  const std::string& BoundName() const noexcept { return boundName_; }
  // A non-empty name on a negated pattern or on a test pattern raises
  // EIEException "Cannot bind a negated pattern to a variable".
  void SetBoundName(const std::string& name);
  // The template name, or "test" for a test conditional element. No report.
  const std::string& Name() const noexcept { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  bool IsTestPattern() const;

  // The owning rule (or none). Setting another rule reports a change before
  // the old rule is left and after the new one is joined.
  TRule* Rule() const noexcept { return rule_; }
  void SetRule(TRule* rule);
  // The engine of the pattern: its rule's, else its template's (or none).
  IRuleEngine* RuleEngine() const;

  // Nestable; the outermost EndUpdate reports a change.
  void BeginUpdate() noexcept { ++updateCount_; }
  void EndUpdate();
  int32_t UpdateCount() const noexcept { return updateCount_; }
  // Outside an update bracket: tells the rule and raises OnChange.
  void Changed();
  TPatternNotifyEvent OnChange;

  // Copies flags, names, template, negated count and the slot table (tests
  // copied), inside an update bracket. Source must be a TIEPattern.
  void Assign(const TPersistent* source) override;
  // A copy (without rule) whose template is Engine's template of the same
  // name; a missing one is created there, assigned from this template.
  std::unique_ptr<TIEPattern> CopyToEngine(IFactEngine* engine) const;
  // Rewrites every run of tests of one position that holds an alternative
  // ("|") into a test binding a variable and one (or ...) predicate test.
  // Needs the rule for a fresh variable: EIEException "Rule missing for
  // pattern". Does nothing without disjunctions.
  void NormalizeDisjunctions();

  // The construct printer's text, through the engine ("" without one).
  std::string Text() const;

  // Told by the slot lists and their tests.
  void TestListChanged(TIEPatternMatchTest& test, TListNotification action);
  void TestConjunctionChanged(TIEPatternMatchTest& test);

 private:
  struct TSlotEntry {
    std::string Name;
    int32_t Length = -1;
    std::unique_ptr<TSlotTests> Tests;
  };
  TSlotEntry& Entry(int32_t index) const;
  int32_t AddSlotEntry(const std::string& name);
  void ClearSlots();
  // Whether some run of alternatives does not start with a variable.
  bool NeedsFreshVariable() const;
  // The rule's engine or EIEException "Unknown/Undefined Inference Engine".
  IRuleEngine& RequireRuleEngine() const;

  bool unique_ = false;
  bool explicit_ = false;
  IFactTemplate factTemplate_;
  int32_t negatedCount_ = 0;
  std::string boundName_;
  std::string name_;
  mutable std::vector<TSlotEntry> slots_;
  int32_t updateCount_ = 0;
  TRule* rule_ = nullptr;
  int32_t testCount_ = 0;
  int32_t disjunctionCount_ = 0;
};
