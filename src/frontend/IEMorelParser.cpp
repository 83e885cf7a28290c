// The framework of the rule-language parser: the top-level loop, its dispatch
// on the construct name, error collection and the construct header. The
// grammar of expressions, values and facts is in IEMorelParserExpr.cpp.
#include "frontend/IEMorelParser.h"

#include <vector>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "frontend/IEParseException.h"
#include "values/IEContext.h"

namespace {

constexpr char MethodParse[] = "Parse";
constexpr char MethodGetConstructType[] = "GetConstructType";

}  // namespace

TIEMorelParser::TIEMorelParser(IParserEngine* engine, TIEMorelStream* stream)
    : TIEParser(engine) {
  SetStream(stream);
}

void TIEMorelParser::SetStream(TIETokenizerStream* stream) {
  auto* morel = dynamic_cast<TIEMorelStream*>(stream);
  if (stream && !morel) throw EInvalidCast(SInvalidCast);
  // Anonymous variables of the stream are named by the engine, so their names
  // never collide with the engine's other generated symbols.
  if (morel && !morel->Engine() && engine_) morel->SetEngine(engine_->SymbolGenerator());
  TIEParser::SetStream(stream);
  morelStream_ = morel;
}

TIEMorelStream& TIEMorelParser::In() {
  if (!morelStream_) throw EIEException(SParserWithoutStream);
  return *morelStream_;
}

TIEMorelParser::TNestingGuard::TNestingGuard(TIEMorelParser& parser, const char* method)
    : parser_(parser) {
  if (parser_.nesting_ >= parser_.maxNesting_)
    parser_.RaiseParseError(method, Format(SNestingTooDeep, {parser_.maxNesting_}));
  ++parser_.nesting_;
}

// ---- Errors

void TIEMorelParser::RaiseParseError(const std::string& methodName, const std::string& message) {
  int32_t line = 0;
  std::string consumed;
  if (morelStream_) {
    if (morelStream_->LastToken()) line = morelStream_->LastToken()->GetLineNumber();
    consumed = morelStream_->ConsumedText();
  }
  EIEParseException error(Format(SParsingError, {message, methodName, std::to_string(line), consumed}),
                          line);
  TErrorContext& where = error.Context();
  where.Summary = Format(SParsingErrorSummary, {message, methodName});
  where.Line = line;
  if (morelStream_ && morelStream_->LastToken()) {
    const IStreamToken& last = morelStream_->LastToken();
    // The end of the input has no place worth showing; the item it ended
    // inside has: its first token tells which construct was left open.
    if (last->IsEnd() && itemStart_ && !itemStart_->IsEnd() && itemStream_ == morelStream_) {
      where.Offset = itemStart_->GetOffset();
      where.Note = SInputEndedInside;
    } else {
      where.Offset = last->GetOffset();
    }
  }
  throw error;
}

std::string TIEMorelParser::ItemSource() const {
  if (!itemStart_) return std::string();
  const std::string line = std::to_string(itemStart_->GetLineNumber());
  return sourceName_.empty() ? "line " + line : sourceName_ + ":" + line;
}

// ---- The top-level loop

TParsedType TIEMorelParser::GetConstructType(IStreamToken& token) {
  switch (token->GetDataType()) {
    case TokenEnd:
      return ptEOF;
    case TokenOpen: {
      Back(token);
      const std::string name = PeekConstructName();
      if (name == "defrule") return ptRule;
      if (name == "deffacts") return ptFactSet;
      if (name == "deftemplate") return ptFactTemplate;
      if (name == "deffunction") return ptFunction;
      if (name == "defglobal") return ptGlobal;
      if (name == "EOF") return ptEOF;
      return ptFunCall;
    }
    case dtAtom: case dtInteger: case dtVariable: case dtFloat: case dtMultiVariable:
      return ptValue;
    default:
      RaiseParseError(MethodGetConstructType, Format(SUnexpectedTopLevelSymbol, {token->AsText()}));
  }
}

// The stream's look-ahead, except when the "(" is the last token read ahead: the
// stream would then keep it (this happens after a stray ")", which the stream
// reads together with the next list), so the name is read here and both
// tokens are given back.
std::string TIEMorelParser::PeekConstructName() {
  TIEMorelStream& in = In();
  if (in.PendingTokens() != 1) return in.PeekConstructName();
  IStreamToken open = in.NextToken();
  if (!open->IsDelimiter('(')) {
    in.PushBackToken(open);
    return in.PeekConstructName();
  }
  IStreamToken next = in.NextToken();
  in.PushBackToken(next);
  in.PushBackToken(open);
  switch (next->GetDataType()) {
    case dtAtom: case dtVariable: return next->GetText();
    case TokenEquals: return "=";
    default: return std::string();
  }
}

bool TIEMorelParser::ParseNext() {
  if (!morelStream_) return false;
  IIEValue value = NilValue();
  TParsedConstruct parsed;
  IStreamToken token = Next();
  itemStart_ = token;
  itemStream_ = morelStream_;
  TParsedType kind = GetConstructType(token);
  switch (kind) {
    case ptValue:
      value = token->AsValueIn(engine_ ? engine_->RootContext() : nullptr);
      break;
    case ptFunCall: {
      // A call that leaves no value gives none here: nothing is echoed and the
      // load goes on. Only an explicit EOF value ends it.
      const IFunCall call = ParseFunCall();
      value = call->Evaluate(engine_ ? engine_->RootContext() : nullptr);
      break;
    }
    case ptRule:
      ParseRuleConstruct(parsed);
      break;
    case ptFactSet:
      ParseFactSetConstruct(parsed);
      break;
    case ptFactTemplate:
      ParseFactTemplateConstruct(parsed);
      break;
    case ptFunction:
      ParseDefFunctionConstruct(parsed);
      break;
    case ptGlobal:
      ParseDefGlobalConstruct(parsed);
      break;
    case ptEOF:
      value = EOFAtom();
      break;
    case ptNone:
      break;
  }
  const bool construct = kind >= ptRule && kind <= ptGlobal;
  if (!value || value->Equals(NilValue())) kind = ptNone;
  if ((kind == ptValue || kind == ptFunCall) && engine_) engine_->PrintOut("", value->AsText() + "\r\n");
  if (OnParse) {
    const TRef<TRefCounted> iface = construct ? parsed.Interface : TRef<TRefCounted>(value);
    OnParse(this, kind, parsed.Object, iface);
  }
  return !(value && value->Equals(EOFAtom()));
}

bool TIEMorelParser::ParseAll() {
  if (ErrorHandling() == ehRaiseImmediate) {
    try {
      while (ParseNext()) {
      }
    } catch (Exception& error) {
      // An error without a place of its own happened in the item being read:
      // while evaluating a call, the item is the place; else the parser was
      // at the last token it read.
      TErrorContext& where = error.Context();
      const IStreamToken& at =
          where.Call.empty() && morelStream_ && morelStream_->LastToken() ? morelStream_->LastToken()
                                                                          : itemStart_;
      if (where.Line == 0 && where.Offset < 0 && at) {
        where.Line = at->GetLineNumber();
        where.Offset = at->GetOffset();
      }
      throw;
    }
    return true;
  }
  std::vector<std::string> errors;
  int32_t lastLine = 0;
  for (;;) {
    const int32_t baseDepth = morelStream_ ? morelStream_->Depth() : 0;
    try {
      if (!ParseNext()) break;
      continue;
    } catch (const EAbort&) {
      break;
    } catch (const EIEParseException& e) {
      errors.push_back(e.Message());
      lastLine = e.LineNumber();
    } catch (const std::exception& e) {
      int32_t line = 0;
      if (morelStream_->LastToken()) line = morelStream_->LastToken()->GetLineNumber();
      errors.push_back(Format(SParsingError, {e.what(), MethodParse, std::to_string(line),
                                              morelStream_->ConsumedText()}));
      lastLine = line;
    }
    if (int64_t(errors.size()) > int64_t(MaxErrors())) break;
    SkipBrokenItem(baseDepth);
  }
  itemStart_ = nullptr;
  if (errors.empty()) return true;
  std::string text;
  for (const std::string& message : errors) text += message + "\r\n";
  EIEParseException error(errors.size() == 1 ? text : Format(SErrorsParsingStream, {text}),
                          lastLine);
  error.Errors() = std::move(errors);
  throw error;
}

// Skips to the end of the list the error broke off: tokens are taken until the
// depth is back where the item began or the characters end (the tokens still
// read ahead are then parsed as top-level items). The depth is counted from
// where the item began, so a stray ")" before it cannot make the skip swallow
// the rest of the text. An error raised before the item's first token was
// really taken drops that token, so the loop always moves on.
void TIEMorelParser::SkipBrokenItem(int32_t baseDepth) {
  TIEMorelStream& in = In();
  if (in.Depth() <= baseDepth) {
    IStreamToken token = in.NextToken();
    if (token != itemStart_) in.PushBackToken(token);
    return;
  }
  while (in.Depth() > baseDepth && !in.AtEnd()) in.NextToken();
}

// ---- Constructs

void TIEMorelParser::ParseConstructHeader(std::string& name, std::string& comment,
                                          IStreamToken& token, const std::string& errorMethod,
                                          const std::string& errorMessage,
                                          const std::string& keyword) {
  token = Next();
  IStreamToken word = Next();
  if (!token->IsDelimiter('(') || word->GetDataType() != dtAtom || word->GetText() != keyword)
    RaiseParseError(errorMethod, errorMessage);
  IStreamToken nameToken = Next();
  if (nameToken->GetDataType() != dtAtom) RaiseParseError(errorMethod, SMissingName);
  name = nameToken->GetText();
  token = Next();
  if (token->GetDataType() == dtString) {
    comment = token->GetText();
    token = Next();
  } else {
    comment.clear();
  }
}

// The construct is opened before the error is raised, so the error loop skips
// it as one broken list.
void TIEMorelParser::ConstructNotParsedYet(const char* method, const char* keyword) {
  Next();
  Next();
  RaiseParseError(method, Format(SConstructNotParsedYet, {keyword}));
}

