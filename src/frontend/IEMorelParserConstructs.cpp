// The grammar of the constructs deftemplate (with its slots), deffacts,
// defglobal and deffunction, and the top-level handlers that hand what they
// built to the engine's registries. The defrule construct is in
// IEMorelParserRules.cpp.
#include <string>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "core/TextCompare.h"
#include "facts/IEFactSet.h"
#include "facts/IEFacts.h"
#include "frontend/IEMorelParser.h"
#include "functions/IEDeffunction.h"
#include "functions/IEFunctionCall.h"
#include "values/IEContext.h"

namespace {

constexpr char MethodParseFactTemplate[] = "ParseFactTemplate";
constexpr char MethodParseSlot[] = "ParseSlot";
constexpr char MethodParseSlotTypes[] = "ParseSlotTypes";
constexpr char MethodParseFactSet[] = "ParseFactSet";
constexpr char MethodParseGlobals[] = "ParseGlobalVariables";
constexpr char MethodParseVariable[] = "ParseVariable";
constexpr char MethodParseFunction[] = "ParseFunction";

constexpr char KeywordDeftemplate[] = "deftemplate";
constexpr char KeywordDeffacts[] = "deffacts";
constexpr char KeywordDefglobal[] = "defglobal";
constexpr char KeywordDeffunction[] = "deffunction";
constexpr char KeywordExtends[] = "extends";
constexpr char KeywordSlot[] = "slot";
constexpr char KeywordField[] = "field";
constexpr char KeywordMultislot[] = "multislot";
constexpr char QualifierDefault[] = "default";
constexpr char QualifierDefaultDynamic[] = "default-dynamic";
constexpr char QualifierType[] = "type";
// "?VARIABLE" among the type words: any single-field type.
constexpr char TypeWordVariable[] = "VARIABLE";

bool IsAtom(const IStreamToken& token) { return token->GetDataType() == dtAtom; }

// The types a type word of a slot's "type" qualifier adds; false for a word
// that is none (case-sensitive).
bool TypeWordTypes(const std::string& word, TIETypes& types) {
  if (word == "SYMBOL" || word == "ATOM") {
    types.Include(dtAtom);
  } else if (word == "STRING") {
    types.Include(dtString);
  } else if (word == "LEXEME") {
    types.Include(dtAtom);
    types.Include(dtString);
  } else if (word == "INTEGER") {
    types.Include(dtInteger);
  } else if (word == "FLOAT") {
    types.Include(dtFloat);
  } else if (word == "NUMBER" || word == "CLASS" || word == "DESCRIPTOR" || word == "OBJECT" ||
             word == "EXTERNALADDRESS" || word == "FACTID") {
    types.Include(dtInteger);
    types.Include(dtFloat);
  } else {
    return false;
  }
  return true;
}

bool IsConstantToken(int32_t dataType) {
  return dataType == dtAtom || dataType == dtString || dataType == dtInteger ||
         dataType == dtFloat;
}

bool IsValueToken(int32_t dataType) {
  return IsConstantToken(dataType) || dataType == dtVariable || dataType == dtMultiVariable;
}

}  // namespace

// ---------------------------------------------------------------------------
// The registration seam's defaults: an engine without registries.

std::unique_ptr<TFactSet> IParserEngine::CreateFactSet() { return std::make_unique<TFactSet>(); }

TFactSet* IParserEngine::RegisterFactSet(std::unique_ptr<TFactSet>) { return nullptr; }

void IParserEngine::PutGlobalVariable(const std::string& name, const IIEValue& value) {
  if (TIEContext* root = RootContext()) root->SetGlobalVariable(name, value);
}

// ---------------------------------------------------------------------------
// deftemplate

IFactTemplate TIEMorelParser::ParseFactTemplate() {
  std::string name;
  std::string comment;
  IStreamToken token;
  ParseConstructHeader(name, comment, token, MethodParseFactTemplate, SExpectedDeftemplate,
                       KeywordDeftemplate);
  IFactEngine* facts = engine_ ? engine_->FactEngine() : nullptr;
  IFactTemplate parent;
  if (IsAtom(token)) {
    if (token->GetText() != KeywordExtends)
      RaiseParseError(MethodParseFactTemplate, SExpectedOpenOrExtends);
    IStreamToken parentName = Next();
    if (!IsAtom(parentName)) RaiseParseError(MethodParseFactTemplate, SMissingParentName);
    // A parent that names no template gives no parent.
    if (facts) parent = facts->FindFactTemplate(parentName->GetText());
    token = Next();
  }

  IFactTemplate factTemplate;
  if (parent) {
    // Copies the parent's slots; the parent is recorded as such.
    factTemplate = MakeRef<TFactTemplate>(facts, *parent, comment, name);
  } else {
    factTemplate = MakeRef<TFactTemplate>(facts);
    factTemplate->SetName(name);
    factTemplate->SetComment(comment);
  }
  while (token->IsDelimiter('(')) {
    IFactSlot slot = ParseSlot();
    factTemplate->PutSlot(slot->Name(), slot);
    token = Next();
  }
  if (!token->IsDelimiter(')')) RaiseParseError(MethodParseFactTemplate, SExpectedClose);
  if (OnParseFactTemplate) OnParseFactTemplate(this, factTemplate);
  return factTemplate;
}

IFactSlot TIEMorelParser::ParseSlot() {
  IStreamToken kind = Next();
  const std::string kindText = IsAtom(kind) ? kind->GetText() : std::string();
  const bool multislot = kindText == KeywordMultislot;
  if (!multislot && kindText != KeywordSlot && kindText != KeywordField)
    RaiseParseError(MethodParseSlot, Format(SInvalidSlotType, {kind->AsText()}));

  TIETypes types = multislot ? MultiSlotTypes : SingleSlotTypes;
  IIEValue defaultValue = multislot ? EmptyList() : NilValue();

  IStreamToken nameToken = Next();
  if (!IsAtom(nameToken))
    RaiseParseError(MethodParseSlot, Format(SBadSlotName, {nameToken->AsText()}));

  IStreamToken token = Next();
  while (token->IsDelimiter('(')) {
    IStreamToken qualifier = Next();
    if (!IsAtom(qualifier))
      RaiseParseError(MethodParseSlot, Format(SInvalidSlotQualifier, {qualifier->AsText()}));
    const std::string& word = qualifier->GetText();
    const bool isDefault = SameText(word, QualifierDefault);
    const bool isDynamic = SameText(word, QualifierDefaultDynamic);
    if (isDefault || isDynamic) {
      if (multislot) {
        defaultValue = TIEValue::MakeList(ParseList());
      } else {
        IStreamToken value = Next();
        if (IsConstantToken(value->GetDataType())) {
          defaultValue = value->AsValue();
        } else if (value->IsDelimiter('(')) {
          Back(value);
          // A static default is the call's value now; a dynamic one the call.
          defaultValue = isDynamic ? TIEValue::MakeFunCall(ParseFunCall()) : EvaluateFunCall();
        } else {
          RaiseParseError(MethodParseSlot, Format(SInvalidDefaultSlotValue, {value->AsText()}));
        }
      }
    } else if (SameText(word, QualifierType)) {
      if (multislot) RaiseParseError(MethodParseSlot, SNoMultislotTypes);
      types = ParseSlotTypes();
    } else {
      RaiseParseError(MethodParseSlot, Format(SInvalidSlotQualifier, {word}));
    }
    if (!Next()->IsDelimiter(')')) RaiseParseError(MethodParseSlot, SExpectedClose);
    token = Next();
  }
  if (!token->IsDelimiter(')')) RaiseParseError(MethodParseFactTemplate, SExpectedClose);

  if (StaticCheck() && !types.Contains(defaultValue->DType()) &&
      !defaultValue->Equals(NilValue()) && !defaultValue->Equals(EmptyList()))
    RaiseParseError(MethodParseSlot, Format(SNotAType, {TypeSetText(types),
                                                        IETypeName(defaultValue->DType())}));

  IFactSlot slot = MakeRef<TFactSlot>();
  slot->SetName(nameToken->GetText());
  slot->SetSlotDefault(defaultValue);
  slot->SetSlotType(types);
  // Without the static check the given default stands, whatever the type set
  // made of it.
  if (!StaticCheck()) slot->SetSlotDefault(defaultValue);
  return slot;
}

TIETypes TIEMorelParser::ParseSlotTypes() {
  TIETypes types;
  for (;;) {
    IStreamToken token = Next();
    if (token->IsDelimiter(')')) {
      Back(token);
      return types;
    }
    const int32_t type = token->GetDataType();
    if (type == dtVariable && token->GetText() == TypeWordVariable) {
      types = SingleSlotTypes;
    } else if (type != dtAtom || !TypeWordTypes(token->GetText(), types)) {
      RaiseParseError(MethodParseSlotTypes, Format(SInvalidSlotType, {token->AsText()}));
    }
  }
}

// ---------------------------------------------------------------------------
// deffacts

std::unique_ptr<TFactSet> TIEMorelParser::ParseFactSet() {
  std::string name;
  std::string comment;
  IStreamToken token;
  ParseConstructHeader(name, comment, token, MethodParseFactSet, SExpectedDeffacts,
                       KeywordDeffacts);
  std::unique_ptr<TFactSet> factSet =
      engine_ ? engine_->CreateFactSet() : std::make_unique<TFactSet>();
  factSet->SetFactSetName(name);
  factSet->SetComment(comment);
  while (token->IsDelimiter('(')) {
    Back(token);
    factSet->AddFact(AsFactRef(ParseFact()));
    token = Next();
  }
  if (!token->IsDelimiter(')')) RaiseParseError(MethodParseFactSet, SExpectedClose);
  if (OnParseFactSet) OnParseFactSet(this, factSet.get());
  return factSet;
}

// ---------------------------------------------------------------------------
// defglobal

bool TIEMorelParser::ParseDefGlobal() {
  IStreamToken open = Next();
  IStreamToken keyword = Next();
  if (!open->IsDelimiter('(') || !IsAtom(keyword) || keyword->GetText() != KeywordDefglobal)
    RaiseParseError(MethodParseGlobals, SExpectedDefglobal);
  for (;;) {
    IStreamToken token = Next();
    if (token->IsDelimiter(')')) return true;
    Back(token);
    std::string name;
    IIEValue value;
    ParseVariable(name, value);
    if (engine_) engine_->PutGlobalVariable(name, value);
  }
}

void TIEMorelParser::ParseVariable(std::string& name, IIEValue& value) {
  IStreamToken variable = Next();
  if (variable->GetDataType() != dtVariable) RaiseParseError(MethodParseVariable, SMissingName);
  const std::string& text = variable->GetText();
  if (text.empty() || text.front() != '*' || text.back() != '*')
    RaiseParseError(MethodParseVariable, Format(SBadVariableName, {text}));
  if (!Next()->IsDelimiter('='))
    RaiseParseError(MethodParseVariable, Format(SExpectedToken, {"="}));
  IStreamToken token = Next();
  if (token->IsDelimiter('(')) {
    // Evaluated when the globals are reset, not now.
    Back(token);
    value = TIEValue::MakeFunCall(ParseFunCall());
  } else if (IsValueToken(token->GetDataType())) {
    value = token->AsValue();
  } else {
    // A ")" here would otherwise be taken as the value and the definition run
    // on into the text after the construct.
    RaiseParseError(MethodParseVariable, SExpectedValueMissing);
  }
  name = text;
  if (OnParseVariable) OnParseVariable(this, name, value);
}

// ---------------------------------------------------------------------------
// deffunction

IUserFunction TIEMorelParser::ParseDefFunction() {
  std::string name;
  std::string comment;
  IStreamToken token;
  ParseConstructHeader(name, comment, token, MethodParseFunction, SExpectedDeffunction,
                       KeywordDeffunction);
  TRef<TInterpretedFunction> function = MakeRef<TInterpretedFunction>();
  function->SetFunctionName(name);
  function->SetComment(comment);

  if (!token->IsDelimiter('(')) RaiseParseError(MethodParseFunction, SExpectedOpen);
  for (;;) {
    token = Next();
    const int32_t type = token->GetDataType();
    if (type != dtVariable && type != dtMultiVariable) break;
    function->AddParameter(token->GetText(), TIEType(type));
  }
  if (!token->IsDelimiter(')')) RaiseParseError(MethodParseFunction, SExpectedClose);

  token = Next();
  if (token->GetDataType() == dtString) {
    function->SetComment(token->GetText());
    token = Next();
  }
  while (!token->IsDelimiter(')')) {
    const int32_t type = token->GetDataType();
    if (token->IsDelimiter('(')) {
      Back(token);
      function->AddAction(ParseFunCall());
    } else if (IsValueToken(type)) {
      function->AddAction(token->AsValue());
    } else if (token->IsEnd()) {
      RaiseParseError(MethodParseFunction, SUnexpectedEndOfStream);
    } else {
      RaiseParseError(MethodParseFunction,
                      Format(SUnexpectedCharacterFound, {std::string(1, char(type))}));
    }
    token = Next();
  }
  IUserFunction result(function.get());
  if (OnParseFunction) OnParseFunction(this, result);
  return result;
}

// ---------------------------------------------------------------------------
// The top-level handlers: parse, then register with the engine.

void TIEMorelParser::ParseFactTemplateConstruct(TParsedConstruct& parsed) {
  IFactTemplate factTemplate = ParseFactTemplate();
  if (IFactEngine* facts = engine_ ? engine_->FactEngine() : nullptr)
    facts->AddFactTemplate(factTemplate);
  parsed.Interface = TRef<TRefCounted>(factTemplate.get());
}

void TIEMorelParser::ParseFactSetConstruct(TParsedConstruct& parsed) {
  std::unique_ptr<TFactSet> factSet = ParseFactSet();
  factSet->SetSource(ItemSource());
  parsed.Object = engine_ ? engine_->RegisterFactSet(std::move(factSet)) : nullptr;
}

void TIEMorelParser::ParseDefFunctionConstruct(TParsedConstruct& parsed) {
  IUserFunction function = ParseDefFunction();
  if (auto* deffunction = dynamic_cast<TInterpretedFunction*>(function.get()))
    deffunction->SetSource(ItemSource());
  if (IReasoner* functions = engine_ ? engine_->FunctionTable() : nullptr)
    functions->AddFunction(function);
  parsed.Interface = TRef<TRefCounted>(function.get());
}

void TIEMorelParser::ParseDefGlobalConstruct(TParsedConstruct&) { ParseDefGlobal(); }
