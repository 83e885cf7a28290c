// The engine's rule-language side: its parser and tokenizer factories, the
// loading operations, the parse-from-text operations, the template registry
// and the rest of the fact-engine seam.
#include <algorithm>
#include <fstream>
#include <iterator>

#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "core/Streams.h"
#include "engine/EngineOriginScope.h"
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
  // The commands of rule-language text run at top level.
  TOriginScope origin(*this, TOriginScope::TTopLevel{});
  TParserStreamGuard guard(*parser_, &stream);
  parser_->ParseAll();
}

void TInferenceEngine::LoadFromStream(TStream& stream) {
  std::unique_ptr<TIEMorelStream> tokenizer = CreateTokenizerStream(stream);
  ParseAllOf(*tokenizer);
}

namespace {

// Fills in the line, column and source line of an error that knows only the
// byte of Text where it happened, and the file's name.
void Locate(TErrorContext& where, const std::string& file, std::string_view text) {
  if (where.Offset < 0) return;
  where.File = file;
  const size_t offset = std::min(size_t(where.Offset), text.size());
  where.Offset = -1;
  const size_t lineStart = text.rfind('\n', offset == 0 ? 0 : offset - 1);
  const size_t begin = lineStart == std::string_view::npos || offset == 0 ? 0 : lineStart + 1;
  size_t end = text.find('\n', begin);
  if (end == std::string_view::npos) end = text.size();
  if (end > begin && text[end - 1] == '\r') --end;
  where.Line = int32_t(std::count(text.begin(), text.begin() + std::ptrdiff_t(begin), '\n')) + 1;
  where.Column = int32_t(offset - begin) + 1;
  where.SourceLine = std::string(text.substr(begin, end - begin));
}

// Names the parser's source for the time of one load.
class TSourceNameScope {
 public:
  TSourceNameScope(TIEMorelParser& parser, std::string name)
      : parser_(parser), saved_(parser.SourceName()) {
    parser_.SetSourceName(std::move(name));
  }
  ~TSourceNameScope() { parser_.SetSourceName(std::move(saved_)); }
  TSourceNameScope(const TSourceNameScope&) = delete;
  TSourceNameScope& operator=(const TSourceNameScope&) = delete;

 private:
  TIEMorelParser& parser_;
  std::string saved_;
};

}  // namespace

void TInferenceEngine::LoadFromFile(const std::string& fileName) {
  std::unique_ptr<TIEMorelStream> tokenizer = CreateTokenizerStream(fileName, fmOpenRead);
  TSourceNameScope source(*parser_, fileName);
  try {
    ParseAllOf(*tokenizer);
  } catch (Exception& error) {
    // Read again only now: the source line of an error is worth the time.
    if (error.Context().Offset >= 0) {
      std::ifstream in(fileName, std::ios::binary);
      const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      Locate(error.Context(), fileName, text);
    }
    throw;
  }
}

void TInferenceEngine::Evaluate(const std::string& text) {
  TStringStream textStream(text);
  TSourceNameScope source(*parser_, std::string());
  try {
    LoadFromStream(textStream);
  } catch (Exception& error) {
    Locate(error.Context(), std::string(), text);
    throw;
  }
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
  TOriginScope origin(*this, TOriginScope::TTopLevel{});
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
