// The grammar of expressions, values and facts of the rule-language parser.
// Each operation takes its tokens from the stream and gives back the token that
// ends it, so the caller sees that token next (a call and a fact consume their
// own closing parenthesis).
#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "facts/IEFacts.h"
#include "frontend/IEMorelParser.h"
#include "functions/IEFunctionCall.h"

namespace {

constexpr char MethodParseFunCall[] = "ParseFunCall";
constexpr char MethodParseValue[] = "ParseValue";
constexpr char MethodParseValuePair[] = "ParseValuePair";
constexpr char MethodParseList[] = "ParseList";
constexpr char MethodParseFact[] = "ParseFact";

// The function a call of "( ?var ...)" stands for.
constexpr char GetVarFunction[] = "__get-var";

// Tokens that stand for a value by themselves.
bool IsValueToken(int32_t dataType) {
  switch (dataType) {
    case dtAtom: case dtString: case dtInteger: case dtVariable: case dtFloat:
    case dtMultiVariable:
      return true;
    default:
      return false;
  }
}

IIEValue ListValue(const std::vector<IIEValue>& values) {
  IValueVector list = MakeRef<TValueVector>();
  for (const IIEValue& value : values) list->Add(value);
  return TIEValue::MakeList(list);
}

}  // namespace

// ---- Calls

IFunCall TIEMorelParser::ParseFunCall() {
  TNestingGuard nesting(*this, MethodParseFunCall);
  IStreamToken token = Next();
  if (!token->IsDelimiter('(')) RaiseParseError(MethodParseFunCall, SExpectedOpen);
  token = Next();
  std::string name;
  IIEValue variable;
  switch (token->GetDataType()) {
    case dtAtom:
      name = token->GetText();
      break;
    case TokenEquals:
      name = "=";
      break;
    case dtVariable: case dtMultiVariable:
      name = GetVarFunction;
      variable = token->AsValue();
      break;
    default:
      RaiseParseError(MethodParseFunCall, SMissingName);
  }
  IFunctionCall call = TFunctionCall::Create(engine_ ? engine_->FunctionTable() : nullptr, name);
  if (variable) call->AddArgument(variable);
  const bool takesFacts = name == "assert";
  const bool takesPairs = name == "modify" || name == "duplicate";
  for (;;) {
    token = Next();
    const int32_t type = token->GetDataType();
    if (type == TokenClose) break;
    if (type == TokenOpen) {
      Back(token);
      if (takesFacts)
        call->AddArgument(ParseFact());
      else if (takesPairs && call->ArgumentCount() > 0)
        call->AddArgument(ParseValuePair());
      else
        call->AddArgument(ParseFunCall());
    } else if (IsValueToken(type)) {
      call->AddArgument(token->AsValue());
    } else if (type == TokenEnd) {
      RaiseParseError(MethodParseFunCall, SUnexpectedEndOfStream);
    } else {
      call->AddArgument(TIEValue::MakeString(token->AsText()));
    }
  }
  IFunCall result(call);
  if (OnParseFunCall) OnParseFunCall(this, result);
  return result;
}

IIEValue TIEMorelParser::EvaluateFunCall() {
  IFunCall call = ParseFunCall();
  IIEValue result = call->Evaluate(engine_ ? engine_->RootContext() : nullptr);
  return result ? result : EOFAtom();
}

// ---- Values

IIEValue TIEMorelParser::ParseValue() {
  std::vector<IIEValue> values;
  for (;;) {
    IStreamToken token = Next();
    const int32_t type = token->GetDataType();
    if (type == TokenClose || type == TokenEnd) {
      Back(token);
      break;
    }
    if (IsValueToken(type)) {
      values.push_back(token->AsValue());
    } else if (type == TokenOpen) {
      Back(token);
      values.push_back(TIEValue::MakeFunCall(ParseFunCall()));
    } else {
      if (values.empty()) RaiseParseError(MethodParseValue, Format(SBadArgument, {token->AsText()}));
      // Stopped by a token that is no value: what was read is a list, even of one.
      Back(token);
      return ListValue(values);
    }
  }
  if (values.empty()) return nullptr;
  if (values.size() == 1) return values.front();
  return ListValue(values);
}

IValueVector TIEMorelParser::ParseValuePair() {
  IStreamToken open = Next();
  IStreamToken name = Next();
  if (!open->IsDelimiter('(') || name->GetDataType() != dtAtom)
    RaiseParseError(MethodParseValuePair, SExpectedOpenAtom);
  IValueVector pair = MakeRef<TValueVector>();
  pair->Add(TIEValue::MakeAtom(name->GetText()));
  // A name with no value, (m), is a pair of the name alone: an empty
  // multifield for a multislot.
  if (IIEValue value = ParseValue()) pair->Add(value);
  if (!Next()->IsDelimiter(')')) RaiseParseError(MethodParseValuePair, SExpectedClose);
  return pair;
}

IIEValue TIEMorelParser::ParseEqualsCall(const char* method) {
  IStreamToken token = Next();
  if (!token->IsDelimiter('(')) RaiseParseError(method, SEqualsInFact);
  Back(token);
  return TIEValue::MakeFunCall(ParseFunCall());
}

IValueVector TIEMorelParser::ParseList() {
  IValueVector list = MakeRef<TValueVector>();
  for (;;) {
    IStreamToken token = Next();
    const int32_t type = token->GetDataType();
    if (type == TokenClose || type == TokenEnd) {
      Back(token);
      return list;
    }
    if (IsValueToken(type)) {
      list->Add(SharedText(token->AsValue()));
    } else if (type == TokenOpen) {
      Back(token);
      list->Add(TIEValue::MakeFunCall(ParseFunCall()));
    } else if (type == TokenEquals) {
      list->Add(ParseEqualsCall(MethodParseList));
    } else {
      RaiseParseError(MethodParseList, Format(SBadSlotValue, {token->AsText()}));
    }
  }
}

// ---- Facts

IFactTemplate TIEMorelParser::GetFactTemplate(const std::string& name) {
  IFactEngine* facts = engine_ ? engine_->FactEngine() : nullptr;
  if (facts) {
    if (IFactTemplate found = facts->FindFactTemplate(name)) return found;
  }
  IFactTemplate implied = TFactTemplate::CreateImplied(facts, name);
  if (facts) facts->AddFactTemplate(implied);
  return implied;
}

IIEValue TIEMorelParser::ParseSlotValue(const TFactSlot& slot) {
  IStreamToken token = Next();
  const int32_t type = token->GetDataType();
  switch (type) {
    case dtAtom: case dtString: case dtInteger: case dtFloat:
      if (StaticCheck() && !slot.SlotType().Contains(TIEType(type)))
        RaiseParseError(MethodParseFact, Format(SNotAType, {TypeSetText(slot.SlotType()),
                                                            IETypeName(TIEType(type))}));
      return SharedText(token->AsValue());
    case dtVariable: case dtMultiVariable:
      return token->AsValue();
    case TokenOpen:
      Back(token);
      return TIEValue::MakeFunCall(ParseFunCall());
    case TokenEquals:
      return ParseEqualsCall(MethodParseFact);
    default:
      RaiseParseError(MethodParseFact, Format(SBadSlotValue, {token->AsText()}));
  }
}

IIEValue TIEMorelParser::SharedText(IIEValue value) {
  constexpr size_t MaxSharedTexts = 1 << 16;
  if (!value || value->Frozen() || (value->DType() != dtAtom && value->DType() != dtString))
    return value;
  std::string key(1, char(value->DType()));
  key += value->TextView();
  if (sharedTexts_.size() >= MaxSharedTexts) sharedTexts_.clear();
  auto [entry, made] = sharedTexts_.try_emplace(std::move(key));
  if (made) {
    // A value of its own, which nothing else can change, holds the text.
    entry->second = MakeRef<TIEValue>();
    entry->second->Assign(value.get());
    entry->second->Freeze();
  } else {
    value->Assign(entry->second.get());
  }
  return value;
}

IFact TIEMorelParser::ParseFact() {
  TNestingGuard nesting(*this, MethodParseFact);
  IStreamToken open = Next();
  IStreamToken name = Next();
  if (!open->IsDelimiter('(') || name->GetDataType() != dtAtom)
    RaiseParseError(MethodParseFact, SExpectedOpenAtom);
  IFactTemplate factTemplate = GetFactTemplate(name->GetText());
  IFactRef fact = MakeRef<TFact>(factTemplate);
  if (factTemplate->Implied()) {
    fact->SetSlotValue(SImpliedSlotName, TIEValue::MakeList(ParseList()));
  } else {
    for (;;) {
      IStreamToken token = Next();
      if (token->IsDelimiter(')')) {
        Back(token);
        break;
      }
      if (!token->IsDelimiter('(')) RaiseParseError(MethodParseFact, SExpectedOpen);
      IStreamToken slotName = Next();
      if (slotName->GetDataType() != dtAtom)
        RaiseParseError(MethodParseFact, Format(SBadSlotName, {slotName->AsText()}));
      IFactSlot slot = factTemplate->GetSlot(slotName->GetText());
      if (!slot) throw EIEException(Format(SNoSuchSlotName, {slotName->GetText()}));
      IIEValue value = slot->IsMultiSlot() ? TIEValue::MakeList(ParseList()) : ParseSlotValue(*slot);
      if (!Next()->IsDelimiter(')')) RaiseParseError(MethodParseFact, SExpectedClose);
      fact->SetSlotValue(*slot, value);
    }
  }
  if (!Next()->IsDelimiter(')')) RaiseParseError(MethodParseFact, SExpectedClose);
  IFact result(fact);
  if (OnParseFact) OnParseFact(this, result);
  return result;
}

bool TIEMorelParser::LoadFacts() {
  if (!morelStream_) return false;
  IFactEngine* facts = engine_ ? engine_->FactEngine() : nullptr;
  IStreamToken token = Next();
  while (!token->IsEnd()) {
    Back(token);
    IFact fact = ParseFact();
    if (facts) facts->AssertFact(AsFactRef(fact));
    token = Next();
  }
  return true;
}
