// TIEMorelPrinter: writes constructs back as rule-language text that the
// parser reads again: fact sets (deffacts), facts, template slots, templates
// (deftemplate), function calls, rules (defrule), patterns, globals
// (defglobal), user functions and deffunctions. Line ends are CR LF; nested
// lines are indented by four blanks.
//
// Values are written as they print, except that the text of a string (and of
// a construct comment) escapes double quotes and backslashes with a backslash,
// so that it reads back unchanged. The written text of values and calls comes
// from the function layer (functions/WrittenText.h) and that of facts, slots,
// templates and fact sets from the facts layer (facts/FactTexts.cpp), so every
// layer writes the same text; this printer adds rules, patterns, globals and
// functions.
//
// TIEMorelParser offers these operations as its text-form operations; the
// engine-less text forms of facts, templates, fact sets and calls use a
// printer without name source.
//
// Ownership: the printer owns nothing; the name source (may be none) must
// outlive it. Thread-safety: printing reads the printed objects only (a
// printer without name source counts its own placeholder names); use one
// printer per thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "functions/WrittenText.h"
#include "values/IEValue.h"

class ISymbolGenerator;
class TFactSet;
class TFact;
class TFactSlot;
class TFactTemplate;
class TFunctionCall;
class TIEPattern;
class TIEPatternMatchTest;
class TIEUserFunction;
class TRule;
class TInterpretedFunction;
class TValueHashTable;

class TIEMorelPrinter {
 public:
  // Names: where the fresh placeholder variables of patterns come from (the
  // engine's GenSym); none gives names counted by this printer.
  explicit TIEMorelPrinter(ISymbolGenerator* names = nullptr) noexcept : names_(names) {}

  // (deffacts name "comment"
  //     fact
  // )
  std::string FactSetText(const TFactSet& factSet) const;
  // (name a b), (name (slot value) ...) leaving out slots that print empty, or
  // "(v1 v2 )" for a fact without template.
  std::string FactText(const TFact& fact) const;
  // (slot x ), (slot x (type INTEGER FLOAT) (default 0) ), (multislot m (default a b) )
  std::string SlotText(const TFactSlot& slot) const;
  // (deftemplate name "comment" 
  //     slot
  // )
  std::string TemplateText(const TFactTemplate& factTemplate) const;
  // (name arg ...); the arguments of modify and duplicate after the first are
  // slot/value lists written in parentheses.
  std::string FunCallText(const TFunctionCall& call) const;
  // (defrule name
  //     "comment"
  //     (declare (salience n))
  //     pattern
  //     =>
  //     action)
  // The salience is the current integer value, not its expression.
  std::string RuleText(const TRule& rule) const;
  // One conditional element: (name constraints), (name (slot constraints) ),
  // wrapped in (unique ...), (explicit ...) and one (not ...) per negation,
  // behind "?var <- " for a fact-address variable. EIEException
  // "Fact Template is missing" without template.
  std::string PatternText(const TIEPattern& pattern) const;
  // The constraints of slot entry Index as the pattern writes them:
  // "(sex ~m&~f)", or for the values of an ordered pattern the constraints
  // alone ("a ?x"). With Test at or above 0, that one test only ("(sex ~f)").
  std::string SlotConstraintText(const TIEPattern& pattern, int32_t index,
                                 int32_t test = -1) const;
  // Name = value
  std::string GlobalText(const std::string& name, const IIEValue& value) const;
  // A deffunction's text, or for any other function a comment block naming it.
  std::string UserFunctionText(const TIEUserFunction& function) const;
  // (deffunction name (params)
  //     "comment"
  //     action
  // )
  std::string DefFunctionText(const TInterpretedFunction& function) const;
  // (defglobal ?*a* = 1 ?*b* = 2), in the table's enumeration order.
  std::string GlobalsText(const TValueHashTable& globals) const;

  // One value as the printer writes it (none writes nothing).
  std::string ValueText(const TIEValue* value) const;
  void AppendValue(std::string& out, const TIEValue* value) const;
  // Text between double quotes, double quotes and backslashes escaped.
  static std::string QuotedText(std::string_view text);

  // A fresh variable name made from Prefix.
  std::string UniqueName(const std::string& prefix) const;

 private:
  // The constraints of slot entry Index: the tests joined by "&" ("|" before
  // an alternative) within one multifield position and by a blank between
  // positions.
  std::string ConstraintText(const TIEPattern& pattern, int32_t index, bool multislot) const;
  std::string TestText(const TIEPattern& pattern, const TIEPatternMatchTest& test) const;

  ISymbolGenerator* names_;
  mutable int32_t ownNameIndex_ = 1;
};
