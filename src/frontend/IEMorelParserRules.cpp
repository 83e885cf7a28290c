// The grammar of rules: defrule with its salience declaration, the conditional
// elements of the left-hand side (patterns and the not, exists, unique,
// explicit and test forms) with their slot constraints, and the actions.
// A rule is built for the engine's rule side and registered only by the
// top-level construct parse.
#include <memory>
#include <string>

#include "core/Component.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "facts/IEFacts.h"
#include "facts/IERule.h"
#include "facts/IERuleEngine.h"
#include "facts/IESlotTest.h"
#include "frontend/IEMorelParser.h"
#include "functions/IEFunctionCall.h"

namespace {

constexpr char MethodParseRule[] = "ParseRule";
constexpr char MethodParsePattern[] = "ParsePattern";

constexpr char KeywordDefrule[] = "defrule";
constexpr char KeywordDeclare[] = "declare";
constexpr char KeywordSalience[] = "salience";
constexpr char KeywordNot[] = "not";
constexpr char KeywordExists[] = "exists";
constexpr char KeywordUnique[] = "unique";
constexpr char KeywordExplicit[] = "explicit";
constexpr char BindArrow[] = "<-";
constexpr char ArrowHead[] = ">";
constexpr char PredicateMark[] = ":";

bool IsAtom(const IStreamToken& token, const char* text) {
  return token->GetDataType() == dtAtom && token->GetText() == text;
}

// Tells whether a component was destroyed while it was watched.
class TDestructionWatch final : public TComponent {
 public:
  explicit TDestructionWatch(TComponent* watched) : watched_(watched) { FreeNotification(watched); }
  ~TDestructionWatch() override {
    if (watched_) RemoveFreeNotification(watched_);
  }
  bool Destroyed() const noexcept { return watched_ == nullptr; }
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == watched_) watched_ = nullptr;
  }

 private:
  TComponent* watched_;
};

}  // namespace

// ---- Rules

std::unique_ptr<TRule> TIEMorelParser::ParseRule() {
  std::string name;
  std::string comment;
  IStreamToken token;
  ParseConstructHeader(name, comment, token, MethodParseRule, SExpectedDefrule, KeywordDefrule);

  // The rule is made by its engine's component (which gives it its engine and
  // number) and then handed to the caller; the engine stays linked to it, so a
  // rule that outlives its engine forgets it.
  IRuleEngine* ruleEngine = engine_ ? engine_->RuleEngine() : nullptr;
  auto* engineComponent = dynamic_cast<TComponent*>(ruleEngine);
  std::unique_ptr<TRule> rule(new TRule(engineComponent));
  if (engineComponent) {
    (void)engineComponent->RemoveComponent(rule.get()).release();
    rule->FreeNotification(engineComponent);
  }

  rule->BeginUpdate();
  rule->SetRuleName(name);
  rule->SetComment(comment);

  if (token->IsDelimiter('(')) {
    IStreamToken keyword = Next();
    if (IsAtom(keyword, KeywordDeclare)) {
      ParseSalienceDeclaration(*rule);
      token = Next();
    } else {
      Back(keyword);
    }
  }

  {
    TRuleVariables variables;
    while (token->IsDelimiter('(') || token->GetDataType() == dtVariable) {
      std::string boundName;
      if (token->GetDataType() == dtVariable) {
        boundName = token->GetText();
        if (!IsAtom(Next(), BindArrow)) RaiseParseError(MethodParseRule, SExpectedBindArrow);
      } else {
        Back(token);
      }
      std::unique_ptr<TIEPattern> pattern = ParsePattern(0, variables);
      // A test element matches no fact either, whatever its own count says.
      if (!boundName.empty() && (pattern->NegatedCount() != 0 || pattern->IsTestPattern()))
        RaiseParseError(MethodParseRule, SNotTestCannotBeBound);
      pattern->SetBoundName(boundName);
      rule->AddPattern(std::move(pattern));
      token = Next();
    }
  }

  // The arrow reads as the delimiter "=" and the atom ">".
  if (token->GetDataType() != TokenEquals || !IsAtom(Next(), ArrowHead))
    RaiseParseError(MethodParseRule, SExpectedRuleArrow);

  token = Next();
  while (token->IsDelimiter('(')) {
    Back(token);
    rule->Actions().Add(ParseFunCall());
    token = Next();
  }
  if (!token->IsDelimiter(')')) RaiseParseError(MethodParseRule, SExpectedClose);

  if (OnParseRule) OnParseRule(this, rule.get());
  rule->EndUpdate();
  return rule;
}

// ( salience S ) ) after "( declare": S is an integer, a variable or a call.
void TIEMorelParser::ParseSalienceDeclaration(TRule& rule) {
  IStreamToken open = Next();
  IStreamToken keyword = Next();
  if (!open->IsDelimiter('(') || !IsAtom(keyword, KeywordSalience))
    RaiseParseError(MethodParseRule, SExpectedSalience);
  IStreamToken token = Next();
  IIEValue salience;
  switch (token->GetDataType()) {
    case dtInteger: case dtVariable:
      salience = token->AsValue();
      break;
    case TokenOpen:
      Back(token);
      salience = TIEValue::MakeFunCall(ParseFunCall());
      break;
    default:
      RaiseParseError(MethodParseRule, SExpectedSalienceValue);
  }
  rule.SetSalienceExpression(salience);
  if (!Next()->IsDelimiter(')') || !Next()->IsDelimiter(')'))
    RaiseParseError(MethodParseRule, SExpectedClose);
}

// ---- Conditional elements

std::unique_ptr<TIEPattern> TIEMorelParser::ParsePattern(int32_t negatedCount,
                                                         TRuleVariables& variables) {
  TNestingGuard nesting(*this, MethodParsePattern);
  IStreamToken open = Next();
  IStreamToken nameToken = Next();
  if (!open->IsDelimiter('(') || nameToken->GetDataType() != dtAtom)
    RaiseParseError(MethodParsePattern, SExpectedOpenAtom);
  const std::string& name = nameToken->GetText();

  // The wrapping forms: the inner element, then the wrapper's ")".
  const bool isNot = name == KeywordNot;
  const bool isExists = name == KeywordExists;
  const bool isUnique = name == KeywordUnique;
  const bool isExplicit = name == KeywordExplicit;
  if (isNot || isExists || isUnique || isExplicit) {
    const int32_t innerCount = negatedCount + (isNot ? 1 : isExists ? 2 : 0);
    std::unique_ptr<TIEPattern> pattern = ParsePattern(innerCount, variables);
    if (!Next()->IsDelimiter(')')) RaiseParseError(MethodParsePattern, SExpectedClose);
    if (isUnique) pattern->SetUnique(true);
    if (isExplicit) pattern->SetExplicit(true);
    return pattern;
  }

  std::unique_ptr<TIEPattern> pattern;
  if (name == STestPatternName) {
    // The element itself is never negated: an odd count negates its test.
    pattern = std::make_unique<TIEPattern>(nullptr, 0, GetFactTemplate(STestPatternName),
                                           STestPatternName);
    IIEValue call = TIEValue::MakeFunCall(ParseFunCall());
    pattern->AddTest(SImpliedSlotName, call, true, (negatedCount & 1) != 0, -1);
    if (!Next()->IsDelimiter(')')) RaiseParseError(MethodParsePattern, SExpectedClose);
  } else {
    IFactTemplate factTemplate = GetFactTemplate(name);
    pattern = std::make_unique<TIEPattern>(nullptr, negatedCount, factTemplate, name);
    if (factTemplate->Implied()) {
      // The constraints of the ordered fact run up to the pattern's ")".
      ParseSlotConstraints(*pattern, SImpliedSlotName, true, variables);
    } else {
      IStreamToken token = Next();
      while (token->IsDelimiter('(')) {
        IStreamToken slotName = Next();
        if (slotName->GetDataType() != dtAtom)
          RaiseParseError(MethodParsePattern, Format(SBadSlotName, {slotName->AsText()}));
        const TFactSlot* slot = factTemplate->FindSlot(slotName->GetText());
        // Checked here as well, so that a slot given without constraints is
        // no less an error than one with them.
        if (!slot) throw EIEException(Format(SNoSuchSlotName, {slotName->GetText()}));
        ParseSlotConstraints(*pattern, slotName->GetText(), slot->IsMultiSlot(), variables);
        token = Next();
      }
      if (!token->IsDelimiter(')')) RaiseParseError(MethodParsePattern, SExpectedClose);
    }
  }
  if (OnParsePattern) OnParsePattern(this, pattern.get());
  return pattern;
}

// term [connective term]... ")" where a connective is "&", "|" or, between
// the positions of a multislot, nothing.
void TIEMorelParser::ParseSlotConstraints(TIEPattern& pattern, const std::string& slotName,
                                          bool multislot, TRuleVariables& variables) {
  int32_t subIndex = multislot ? 0 : -1;
  bool conjunction = true;
  IStreamToken token = Next();
  bool more = !token->IsDelimiter(')');
  while (more) {
    bool notEquals = false;
    if (token->GetDataType() == TokenTilde) {
      notEquals = true;
      token = Next();
    }
    IIEValue value = ParseConstraintTerm(token, pattern, slotName, conjunction, subIndex, variables);
    pattern.AddTest(slotName, value, conjunction, notEquals, subIndex);

    // After "&" or "|" another term of the same position must follow.
    token = Next();
    const int32_t type = token->GetDataType();
    if (type == TokenAmpersand || type == TokenBar) {
      conjunction = type == TokenAmpersand;
      token = Next();
      continue;
    }
    if (type == TokenEnd) RaiseParseError(MethodParsePattern, SExpectedClose);
    if (!multislot && type != TokenClose)
      RaiseParseError(MethodParsePattern, Format(SSlotNotMultislot, {slotName}));
    if (multislot) ++subIndex;
    conjunction = true;
    more = type != TokenClose;
  }
  // Every position read is one item of the multifield.
  if (multislot) pattern.SetSlotLength(pattern.IndexOfSlot(slotName), subIndex);
}

IIEValue TIEMorelParser::ParseConstraintTerm(const IStreamToken& token, TIEPattern& pattern,
                                             const std::string& slotName, bool conjunction,
                                             int32_t subIndex, TRuleVariables& variables) {
  switch (token->GetDataType()) {
    case dtAtom:
      if (token->GetText() == PredicateMark) return TIEValue::MakeFunCall(ParseFunCall());
      return token->AsValue();
    case dtString: case dtInteger: case dtFloat:
      return token->AsValue();
    case dtVariable: case dtMultiVariable: {
      // A variable keeps the kind of its first occurrence in the rule.
      const std::string& name = token->GetText();
      auto [seen, first] = variables.try_emplace(name, token->GetDataType());
      if (first || seen->second == token->GetDataType()) return token->AsValue();
      return seen->second == dtMultiVariable ? TIEValue::MakeMultiVariable(name)
                                             : TIEValue::MakeVariable(name);
    }
    case TokenEquals: {
      // =(call): a fresh variable takes the slot's value and (eq* var call)
      // compares it with the call's value.
      IFunCall call = ParseFunCall();
      const IIEValue variable = TIEValue::MakeVariable(UniqueName(SEqualsVariablePrefix));
      pattern.AddTest(slotName, variable, conjunction, false, subIndex);
      IFunctionCall eq = TFunctionCall::Create(engine_ ? engine_->FunctionTable() : nullptr,
                                               SEqStarFunction);
      eq->AddArgument(variable);
      eq->AddArgument(call);
      return TIEValue::MakeFunCall(IFunCall(eq));
    }
    default:
      RaiseParseError(MethodParsePattern, Format(SBadSlotValue, {token->AsText()}));
  }
}

// ---- The construct

void TIEMorelParser::ParseRuleConstruct(TParsedConstruct& parsed) {
  std::unique_ptr<TRule> rule = ParseRule();
  rule->SetSource(ItemSource());
  IRuleEngine* ruleEngine = engine_ ? engine_->RuleEngine() : nullptr;
  auto* engineComponent = dynamic_cast<TComponent*>(ruleEngine);
  if (!engineComponent) throw EIEException(SUnknownInferenceEngine);
  // The engine owns its rules; its registry may drop (and free) a rule whose
  // name is taken, which the watch notices.
  engineComponent->InsertComponent(rule.get());
  TDestructionWatch watch(rule.get());
  try {
    ruleEngine->RegisterRule(*rule);
  } catch (...) {
    if (watch.Destroyed()) (void)rule.release();
    throw;
  }
  TRule* registered = rule.release();
  parsed.Object = watch.Destroyed() ? nullptr : registered;
}
