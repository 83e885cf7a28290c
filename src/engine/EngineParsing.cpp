// The engine's rule-language side: its parser and tokenizer factories, the
// loading operations, the parse-from-text operations, the template registry
// and the rest of the fact-engine seam.
#include <algorithm>

#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "core/Streams.h"
#include "engine/InferenceEngine.h"
#include "facts/IEFactSet.h"
#include "facts/IERule.h"

namespace {

// Installs a stream as the parser's current one and puts the previous stream
// back when it goes, whether the parse returned or raised.
class TParserStreamGuard {
 public:
  TParserStreamGuard(TIEParser& parser, TIETokenizerStream* stream)
      : parser_(parser), previous_(parser.Stream()) {
    parser_.SetStream(stream);
  }
  ~TParserStreamGuard() { parser_.SetStream(previous_); }
  TParserStreamGuard(const TParserStreamGuard&) = delete;
  TParserStreamGuard& operator=(const TParserStreamGuard&) = delete;

 private:
  TIEParser& parser_;
  TIETokenizerStream* previous_;
};

}  // namespace

std::unique_ptr<TIEMorelParser> TInferenceEngine::CreateParser() {
  auto parser = std::make_unique<TIEMorelParser>(this);
  parser->SetErrorHandling(parserErrorHandling_);
  parser->SetMaxErrors(parserMaxErrors_);
  parser->SetStaticCheck(typeChecks_.Contains(tcStatic));
  return parser;
}

std::unique_ptr<TIEMorelStream> TInferenceEngine::CreateTokenizerStream(TStream& stream) {
  return std::make_unique<TIEMorelStream>(&stream, this);
}

std::unique_ptr<TIEMorelStream> TInferenceEngine::CreateTokenizerStream(const std::string& fileName,
                                                                        uint16_t mode) {
  return TIEMorelStream::CreateFromFile(fileName, mode, this);
}

void TInferenceEngine::SetParserErrorHandling(TErrorHandling value) noexcept {
  parserErrorHandling_ = value;
  if (parser_) parser_->SetErrorHandling(value);
}

void TInferenceEngine::SetParserMaxErrors(int32_t value) noexcept {
  parserMaxErrors_ = value;
  if (parser_) parser_->SetMaxErrors(value);
}

void TInferenceEngine::SetTypeChecks(TTypeChecks value) noexcept {
  typeChecks_ = value;
  if (parser_) parser_->SetStaticCheck(value.Contains(tcStatic));
}

// ---------------------------------------------------------------------------
// Loading

void TInferenceEngine::ParseAllOf(TIEMorelStream& stream) {
  TParserStreamGuard guard(*parser_, &stream);
  parser_->ParseAll();
}

void TInferenceEngine::LoadFromStream(TStream& stream) {
  std::unique_ptr<TIEMorelStream> tokenizer = CreateTokenizerStream(stream);
  ParseAllOf(*tokenizer);
}

void TInferenceEngine::LoadFromFile(const std::string& fileName) {
  std::unique_ptr<TIEMorelStream> tokenizer = CreateTokenizerStream(fileName, fmOpenRead);
  ParseAllOf(*tokenizer);
}

void TInferenceEngine::Evaluate(const std::string& text) {
  TStringStream textStream(text);
  LoadFromStream(textStream);
}

// ---------------------------------------------------------------------------
// Parse-from-text

template <class TParse>
auto TInferenceEngine::ParseText(const std::string& text, TParse&& parse) {
  TStringStream textStream(text);
  std::unique_ptr<TIEMorelStream> tokenizer = CreateTokenizerStream(textStream);
  TParserStreamGuard guard(*parser_, tokenizer.get());
  return parse(*parser_);
}

IFactRef TInferenceEngine::ParseFact(const std::string& text) {
  return ParseText(text, [](TIEMorelParser& p) { return AsFactRef(p.ParseFact()); });
}

IFunCall TInferenceEngine::ParseFunCall(const std::string& text) {
  return ParseText(text, [](TIEMorelParser& p) { return p.ParseFunCall(); });
}

IIEValue TInferenceEngine::ParseValue(const std::string& text) {
  return ParseText(text, [](TIEMorelParser& p) { return p.ParseValue(); });
}

IValueVector TInferenceEngine::ParseList(const std::string& text) {
  return ParseText(text, [](TIEMorelParser& p) { return p.ParseList(); });
}

IIEValue TInferenceEngine::EvaluateFunCall(const std::string& text) {
  return ParseText(text, [](TIEMorelParser& p) { return p.EvaluateFunCall(); });
}

IFactTemplate TInferenceEngine::ParseFactTemplate(const std::string& text) {
  return ParseText(text, [](TIEMorelParser& p) { return p.ParseFactTemplate(); });
}

IFactSlot TInferenceEngine::ParseSlot(const std::string& text) {
  return ParseText(text, [](TIEMorelParser& p) {
    // The slot parse starts after the slot's "(".
    if (!p.MorelStream()->NextToken()->IsDelimiter('(')) p.RaiseParseError("ParseSlot", SExpectedOpen);
    return p.ParseSlot();
  });
}

TFactSet* TInferenceEngine::ParseFactSet(const std::string& text) {
  std::unique_ptr<TFactSet> factSet =
      ParseText(text, [](TIEMorelParser& p) { return p.ParseFactSet(); });
  return RegisterFactSet(std::move(factSet));
}

IUserFunction TInferenceEngine::ParseDefFunction(const std::string& text) {
  return ParseText(text, [](TIEMorelParser& p) { return p.ParseDefFunction(); });
}

bool TInferenceEngine::ParseDefGlobal(const std::string& text) {
  return ParseText(text, [](TIEMorelParser& p) { return p.ParseDefGlobal(); });
}

void TInferenceEngine::ParseVariable(const std::string& text, std::string& name, IIEValue& value) {
  ParseText(text, [&](TIEMorelParser& p) {
    p.ParseVariable(name, value);
    return true;
  });
}

std::unique_ptr<TRule> TInferenceEngine::ParseRuleText(const std::string& text) {
  return ParseText(text, [](TIEMorelParser& p) { return p.ParseRule(); });
}

// ---------------------------------------------------------------------------
// Templates and the fact-engine seam

IFactTemplate TInferenceEngine::GetFactTemplate(const std::string& name) {
  if (TFactTemplate* found = factTemplates_.Find(name)) return IFactTemplate(found);
  IFactTemplate implied = TFactTemplate::CreateImplied(this, name);
  AddFactTemplate(implied);
  return implied;
}

IFactTemplate TInferenceEngine::FindFactTemplate(const std::string& name) {
  return IFactTemplate(factTemplates_.Find(name));
}

void TInferenceEngine::AddFactTemplate(const IFactTemplate& factTemplate) {
  factTemplates_.Add(factTemplate);
}

void TInferenceEngine::TemplateRenaming(TFactTemplate& factTemplate, const std::string& oldName,
                                        const std::string& newName) {
  // Only the registered template of that name moves with its new name; the
  // engine's own renames have moved it already.
  if (internalChange_ || factTemplates_.Find(oldName) != &factTemplate) return;
  RenameFactTemplate(oldName, newName);
}

void TInferenceEngine::AddFactSet(TFactSet& factSet) { factSets_.Add(factSet); }

void TInferenceEngine::RemoveFactSet(TFactSet& factSet) { factSets_.Remove(&factSet); }
