// The construct printer's rules and patterns.
#include <string>

#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "facts/IEFacts.h"
#include "facts/IERule.h"
#include "facts/IESlotTest.h"
#include "frontend/IEMorelParser.h"
#include "frontend/IEMorelPrinter.h"
#include "functions/IEFunctionCall.h"

namespace {

// Prefixes of the placeholder variables written for a slot entry without tests.
constexpr char MultiPlaceholderPrefix[] = "$?__var";
constexpr char SinglePlaceholderPrefix[] = "?__var";

std::string Wrapped(const char* keyword, const std::string& text) {
  return std::string("(") + keyword + " " + text + ")";
}

// A test element built from (not (test call)) holds one not-equals test on a
// pattern that is not negated itself.
bool IsNegatedTestElement(const TIEPattern& pattern, int32_t dataIndex) {
  if (!pattern.IsTestPattern() || dataIndex < 0 || pattern.SlotTestCount(dataIndex) != 1)
    return false;
  const TIEPatternMatchTest* test = pattern.SlotTest(dataIndex, 0);
  return test->SlotTestType() == sttNotEquals && test->SlotValue() &&
         test->SlotValue()->DType() == dtFunCall;
}

}  // namespace

std::string TIEMorelPrinter::TestText(const TIEPattern& pattern,
                                      const TIEPatternMatchTest& test) const {
  const TIEValue* value = test.SlotValue().get();
  // A predicate constraint is written ":(call)"; the call of a test element
  // stands alone.
  if (value && value->DType() == dtFunCall && !pattern.IsTestPattern())
    return ":" + ValueText(value);
  return ValueText(value);
}

std::string TIEMorelPrinter::ConstraintText(const TIEPattern& pattern, int32_t index,
                                            bool multislot) const {
  const int32_t count = pattern.SlotTestCount(index);
  if (count == 0) {
    // An ordered pattern read with no values has length 0: it prints as no
    // constraint at all, so that reading it back keeps it an empty match.
    if (pattern.SlotLength(index) == 0) return std::string();
    return UniqueName(multislot ? MultiPlaceholderPrefix : SinglePlaceholderPrefix);
  }
  std::string text;
  const bool negatedElement = IsNegatedTestElement(pattern, index);
  for (int32_t i = 0; i < count; ++i) {
    const TIEPatternMatchTest& test = *pattern.SlotTest(index, i);
    if (i > 0) {
      const TIEPatternMatchTest& previous = *pattern.SlotTest(index, i - 1);
      if (test.MultiSlotSubIndex() != previous.MultiSlotSubIndex())
        text += ' ';
      else
        text += test.Conjunction() ? '&' : '|';
    }
    if (test.SlotTestType() == sttNotEquals && !negatedElement) text += '~';
    text += TestText(pattern, test);
  }
  return text;
}

std::string TIEMorelPrinter::SlotConstraintText(const TIEPattern& pattern, int32_t index,
                                                int32_t test) const {
  const TFactTemplate* factTemplate = pattern.FactTemplate().get();
  const TFactSlot* slot = factTemplate ? factTemplate->FindSlot(pattern.SlotName(index)) : nullptr;
  std::string text;
  if (test < 0) {
    text = ConstraintText(pattern, index, slot && slot->IsMultiSlot());
  } else {
    const TIEPatternMatchTest& one = *pattern.SlotTest(index, test);
    if (one.SlotTestType() == sttNotEquals && !IsNegatedTestElement(pattern, index)) text += '~';
    text += TestText(pattern, one);
  }
  if (pattern.SlotName(index) == SImpliedSlotName) return text;
  return "(" + pattern.SlotName(index) + " " + text + ")";
}

std::string TIEMorelPrinter::PatternText(const TIEPattern& pattern) const {
  const TFactTemplate* factTemplate = pattern.FactTemplate().get();
  if (!factTemplate) throw EIEException(SFactTemplateMissing);

  std::string body;
  const int32_t dataIndex = pattern.IndexOfSlot(SImpliedSlotName);
  if (dataIndex >= 0) {
    body = ConstraintText(pattern, dataIndex, true);
  } else {
    for (int32_t i = 0; i < pattern.SlotCount(); ++i) {
      if (pattern.SlotTestCount(i) == 0) continue;
      const TFactSlot* slot = factTemplate->FindSlot(pattern.SlotName(i));
      body += "(" + pattern.SlotName(i) + " " +
              ConstraintText(pattern, i, slot && slot->IsMultiSlot()) + ") ";
    }
  }
  // Nothing after the name: "(a)", not "(a )".
  std::string text = "(" + pattern.Name() + (body.empty() ? "" : " ") + body + ")";

  if (pattern.Unique()) text = Wrapped("unique", text);
  if (pattern.Explicit()) text = Wrapped("explicit", text);
  // (not (test call)) is held as a test element with a negated test; it is
  // written back in the form it was read from.
  const int32_t negations = pattern.NegatedCount() + (IsNegatedTestElement(pattern, dataIndex) ? 1 : 0);
  for (int32_t i = 0; i < negations; ++i) text = Wrapped("not", text);
  if (!pattern.BoundName().empty()) text = "?" + pattern.BoundName() + " <- " + text;
  return text;
}

std::string TIEMorelPrinter::RuleText(const TRule& rule) const {
  std::string text = "(defrule " + rule.RuleName() + PrinterLineEnd;
  text += PrinterIndent + QuotedText(rule.Comment()) + PrinterLineEnd;
  text += std::string(PrinterIndent) + "(declare (salience " + std::to_string(rule.Salience()) +
          "))" + PrinterLineEnd;
  for (const auto& pattern : rule.Patterns())
    text += PrinterIndent + PatternText(*pattern) + PrinterLineEnd;
  text += PrinterIndent;
  text += "=>";
  const TRuleActionList& actions = rule.Actions();
  for (int32_t i = 0; i < actions.Count(); ++i) {
    text += PrinterLineEnd;
    text += PrinterIndent;
    const TCustomFunCall* action = actions.Get(i).get();
    if (auto* call = dynamic_cast<const TFunctionCall*>(action))
      text += FunCallText(*call);
    else if (action)
      text += action->AsText();
  }
  text += ')';
  return text;
}

// ---------------------------------------------------------------------------
// The parser's text forms of rules and patterns: fresh placeholder names come
// from the parser's UniqueName (the engine's GenSym).

namespace {

class TParserNames final : public ISymbolGenerator {
 public:
  explicit TParserNames(TIEParser& parser) : parser_(parser) {}
  std::string GenSym(const std::string& prefix) override { return parser_.UniqueName(prefix); }

 private:
  TIEParser& parser_;
};

}  // namespace

std::string TIEMorelParser::RuleText(const TRule& rule) {
  TParserNames names(*this);
  return TIEMorelPrinter(&names).RuleText(rule);
}

std::string TIEMorelParser::PatternText(const TIEPattern& pattern) {
  TParserNames names(*this);
  return TIEMorelPrinter(&names).PatternText(pattern);
}
