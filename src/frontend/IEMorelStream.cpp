#include "frontend/IEMorelStream.h"

#include <algorithm>
#include <charconv>

#include "core/Format.h"
#include "core/IEConsts.h"
#include "core/IEInterfaces.h"
#include "frontend/IEParseException.h"

namespace {

bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }

int HexDigit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

// A whole word as a 32-bit integer: an optional sign, then decimal digits or "$"
// and at most eight significant hexadecimal digits (which may set the sign bit).
bool ReadsAsInteger(const std::string& word, int32_t& result) {
  size_t i = 0;
  bool negative = false;
  if (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
  if (i < word.size() && word[i] == '$') {
    if (++i == word.size()) return false;
    uint64_t value = 0;
    for (; i < word.size(); ++i) {
      const int digit = HexDigit(word[i]);
      if (digit < 0) return false;
      value = value * 16 + uint64_t(digit);
      if (value > 0xFFFFFFFFu) return false;
    }
    const auto bits = uint32_t(value);
    result = int32_t(negative ? 0u - bits : bits);
    return true;
  }
  if (i == word.size()) return false;
  int64_t value = 0;
  for (; i < word.size(); ++i) {
    if (!IsDigit(word[i])) return false;
    value = value * 10 + (word[i] - '0');
    if (value > int64_t(INT32_MAX) + 1) return false;
  }
  if (!negative && value > INT32_MAX) return false;
  result = int32_t(negative ? -value : value);
  return true;
}

// A whole word as a decimal floating-point number: sign, digits, point, digits,
// exponent; at least one mantissa digit; a finite result.
bool ReadsAsFloat(const std::string& word, double& result) {
  size_t i = 0;
  if (i < word.size() && (word[i] == '+' || word[i] == '-')) ++i;
  const size_t mantissa = i;
  size_t digits = 0;
  while (i < word.size() && IsDigit(word[i])) ++i, ++digits;
  if (i < word.size() && word[i] == '.') {
    ++i;
    while (i < word.size() && IsDigit(word[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < word.size() && (word[i] == 'e' || word[i] == 'E')) {
    ++i;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) ++i;
    if (i == word.size() || !IsDigit(word[i])) return false;
    while (i < word.size() && IsDigit(word[i])) ++i;
  }
  if (i != word.size()) return false;
  const char* first = word.data() + mantissa;
  const char* last = word.data() + word.size();
  double value = 0;
  const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
  if (error != std::errc() || end != last) return false;
  result = word[0] == '-' ? -value : value;
  return true;
}

// Characters that end a word and are left for the next token.
bool EndsWord(char ch) {
  switch (ch) {
    case ';': case '<': case '"': case '&': case '(': case ')': case '|': case '~':
      return true;
    default:
      return false;
  }
}

}  // namespace

TIEMorelStream::TIEMorelStream(TStream* stream, ISymbolGenerator* engine)
    : TIETokenizerStream(stream), engine_(engine) {}

TIEMorelStream::TIEMorelStream(std::unique_ptr<TStream> stream, ISymbolGenerator* engine)
    : TIETokenizerStream(std::move(stream)), engine_(engine) {}

std::unique_ptr<TIEMorelStream> TIEMorelStream::CreateFromFile(const std::string& fileName,
                                                               uint16_t mode,
                                                               ISymbolGenerator* engine) {
  return std::make_unique<TIEMorelStream>(std::make_unique<TFileStream>(fileName, mode), engine);
}

std::unique_ptr<TIEMorelStream> TIEMorelStream::CreateFromText(std::string_view text,
                                                               ISymbolGenerator* engine) {
  return std::make_unique<TIEMorelStream>(std::make_unique<TStringStream>(text), engine);
}

// ---- Characters, with line counting

bool TIEMorelStream::SkipBlankLine() {
  const bool lineEnd = TIETokenizerStream::SkipBlankLine();
  if (lineEnd) ++line_;
  return lineEnd;
}

char TIEMorelStream::ReadChar() {
  const char ch = TIETokenizerStream::ReadChar();
  if (ch == '\n') ++line_;
  return ch;
}

std::string TIEMorelStream::ReadLine() {
  std::string line = TIETokenizerStream::ReadLine();
  ++line_;
  return line;
}

void TIEMorelStream::SkipLine() { ReadLine(); }

// ---- Reading one token

IStreamToken TIEMorelStream::ReadToken() {
  for (;;) {
    tokenText_.clear();
    // Blanks within the line are taken straight from the buffer, and a token
    // that starts there needs no blank skipping at all; line ends and the
    // end of the buffer go through SkipBlankLine, which counts lines.
    char next;
    while (PeekBuffered(next) && (next == ' ' || next == '\t')) GetByte(next);
    if (!PeekBuffered(next) || static_cast<unsigned char>(next) <= 32)
      while (SkipBlankLine() && !AtEnd()) {
      }
    char ch;
    const int64_t start = LogicalPosition();
    if (AtEnd() || !GetByte(ch)) return MakeToken(HintEnd, std::string());
    IStreamToken token;
    switch (ch) {
      case ';':
        ReadLine();  // a comment: the rest of the line
        continue;
      case '"':
        token = ReadString();
        break;
      case '&': case '(': case ')': case '=': case '|': case '~':
        token = MakeToken(static_cast<unsigned char>(ch), std::string(1, ch));
        break;
      default:
        token = ReadWord(ch);
        break;
    }
    token->SetOffset(start);
    return token;
  }
}

// A string: up to the next unescaped double quote or the end of the text. CR, LF
// and CR LF inside it each count one line, so the token carries the line on which
// the string ends.
IStreamToken TIEMorelStream::ReadString() {
  bool afterCr = false;
  char ch;
  while (GetByte(ch)) {
    if (ch == '"') break;
    if (ch == '\\') {
      char escaped;
      if (!GetByte(escaped)) {
        tokenText_.clear();
        break;
      }
      ch = escaped;
    }
    if (ch == '\n' || afterCr) ++line_;
    afterCr = ch == '\r';
    tokenText_ += ch;
  }
  if (afterCr) ++line_;
  return MakeToken(HintString, tokenText_);
}

// A word: first and the characters up to a terminator. A byte below 33 ends it and
// is consumed (its line end counted after the token is made); the characters of
// EndsWord end it and are given back; a backslash takes the next byte literally.
IStreamToken TIEMorelStream::ReadWord(char first) {
  tokenText_.assign(1, first);
  int32_t linesAfter = 0;
  char ch;
  while (GetByte(ch)) {
    if (static_cast<unsigned char>(ch) < 33) {
      if (ch == '\n') {
        linesAfter = 1;
      } else if (ch == '\r') {
        // A LF behind it is left to the blank skipping, which counts it.
        char next;
        if (!GetByte(next)) {
          linesAfter = 1;
        } else {
          PushBack(next);
          if (next != '\n') linesAfter = 1;
        }
      }
      break;
    }
    if (EndsWord(ch)) {
      PushBack(ch);
      break;
    }
    if (ch == '\\') {
      char escaped;
      if (!GetByte(escaped)) break;
      if (escaped == '\n') ++line_;
      ch = escaped;
    }
    tokenText_ += ch;
  }
  IStreamToken token = MakeToken(HintWord, tokenText_);
  line_ += linesAfter;
  return token;
}

IStreamToken TIEMorelStream::MakeToken(int32_t dataType, const std::string& text) {
  auto token = MakeRef<TIEStreamToken>();
  token->SetLineNumber(line_);
  switch (dataType) {
    case HintString:
      token->SetDataType(dtString);
      token->SetText(text);
      return token;
    case TokenAmpersand: case TokenOpen: case TokenClose: case TokenEquals: case TokenBar:
    case TokenTilde:
      token->SetDataType(dataType);
      token->SetText(text);
      return token;
    case HintCrLf:
      token->SetDataType(dtAtom);
      token->SetText("CRLF");
      return token;
    case HintEnd:
      if (text.empty()) {
        token->SetDataType(TokenEnd);
        token->SetText("EOF");
        return token;
      }
      return ClassifyWord(std::move(token), text);
    case HintWord:
      return ClassifyWord(std::move(token), text);
    default:
      throw EIEParseException(Format(SInvalidTokenHint, {std::to_string(dataType)}), line_);
  }
}

IStreamToken TIEMorelStream::ClassifyWord(IStreamToken token, const std::string& text) {
  if (!text.empty() && text[0] == '?') {
    token->SetDataType(dtVariable);
    token->SetText(text.size() == 1 ? UniqueName("_blank_") : text.substr(1));
    return token;
  }
  if (text.size() >= 2 && text[0] == '$' && text[1] == '?') {
    token->SetDataType(dtMultiVariable);
    token->SetText(text.size() == 2 ? UniqueName("_blank_$") : text.substr(2));
    return token;
  }
  token->SetDataType(dtAtom);
  token->SetText(text);
  if (text.empty() || (text.size() == 1 && (text[0] == '+' || text[0] == '-' || text[0] == '.')))
    return token;
  const char first = text[0];
  if (IsDigit(first) || first == '+' || first == '-' || first == '.') {
    int32_t integer = 0;
    double real = 0;
    if (ReadsAsInteger(text, integer)) {
      token->SetDataType(dtInteger);
      token->SetNumber(integer);
    } else if (ReadsAsFloat(text, real)) {
      token->SetDataType(dtFloat);
      token->SetNumber(real);
    }
  }
  return token;
}

std::string TIEMorelStream::UniqueName(const std::string& prefix) {
  if (engine_) return engine_->GenSym(prefix);
  return prefix + std::to_string(ownSymbolIndex_++);
}

// ---- Handing tokens out

// Reads the next whole top-level item: tokens up to the one that brings the
// parenthesis count back to 0, or up to the end token.
// They are read onto the stack itself, then turned round; a read that fails
// leaves the stack as it was.
void TIEMorelStream::Refill() {
  const size_t first = tokenStack_.size();
  int64_t count = 0;
  try {
    for (;;) {
      tokenStack_.push_back(ReadToken());
      const TIEStreamToken& token = *tokenStack_.back();
      if (token.GetDataType() == TokenOpen) ++count;
      if (token.GetDataType() == TokenClose) --count;
      if (count == 0 || token.IsEnd()) break;
    }
  } catch (...) {
    tokenStack_.resize(first);
    throw;
  }
  std::reverse(tokenStack_.begin() + std::ptrdiff_t(first), tokenStack_.end());
}

IStreamToken TIEMorelStream::NextToken() {
  if (tokenStack_.empty()) Refill();
  IStreamToken token = std::move(tokenStack_.back());
  tokenStack_.pop_back();
  if (lastToken_ && token->GetLineNumber() > lastToken_->GetLineNumber()) consumedText_ += "\r\n";
  token->AppendText(consumedText_);
  consumedText_ += ' ';
  lastToken_ = token;
  if (token->GetDataType() == TokenClose) --depth_;
  if (token->GetDataType() == TokenOpen) ++depth_;
  return token;
}

void TIEMorelStream::PushBackToken(const IStreamToken& token) {
  if (!token) return;
  tokenStack_.push_back(token);
  pushedText_.clear();
  token->AppendText(pushedText_);
  const size_t length = pushedText_.size() + 1;
  consumedText_.resize(consumedText_.size() > length ? consumedText_.size() - length : 0);
  while (!consumedText_.empty() && static_cast<unsigned char>(consumedText_.back()) <= ' ')
    consumedText_.pop_back();
  consumedText_ += ' ';
  if (token->GetDataType() == TokenClose) ++depth_;
  if (token->GetDataType() == TokenOpen) --depth_;
}

std::string TIEMorelStream::PeekConstructName() {
  IStreamToken open = NextToken();
  if (open->GetDataType() != TokenOpen || tokenStack_.empty()) return std::string();
  PushBackToken(open);
  const TIEStreamToken& next = *tokenStack_[tokenStack_.size() - 2];
  switch (next.GetDataType()) {
    case dtAtom: return next.GetText();
    case TokenEquals: return "=";
    case dtVariable: return next.GetText();
    default: return std::string();
  }
}

void TIEMorelStream::SkipToEndOfList() {
  while (depth_ != 0 && !AtEnd()) NextToken();
}

void TIEMorelStream::Reset() {
  tokenStack_.clear();
  consumedText_.clear();
  lastToken_ = nullptr;
  depth_ = 0;
}
