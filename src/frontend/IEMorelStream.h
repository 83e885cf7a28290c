// The tokenizer of the rule language. TIETokenizerStream is the abstract tokenizer
// the parsers read from; TIEMorelStream implements the lexical rules: comments,
// strings with their one escape, delimiters, words classified as variables,
// numbers and atoms. A whole top-level list is read ahead before its first token
// is handed out. ISymbolGenerator is the link to whatever generates unique names
// (the engine); without one the stream numbers its own names.
// Ownership: the underlying byte stream as for TGTextStream (OwnsStream); the
// symbol generator is not owned and must outlive the stream. Not thread-safe.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/GStreams.h"
#include "frontend/IEStreamToken.h"

// Generates names unique within an engine: Prefix followed by a number that grows
// with every call.
class ISymbolGenerator {
 public:
  virtual std::string GenSym(const std::string& prefix) = 0;

 protected:
  ~ISymbolGenerator() = default;
};

class TIETokenizerStream : public TGTextStream {
 public:
  using TGTextStream::TGTextStream;
  std::string ClassName() const override { return "TIETokenizerStream"; }

  // Forgets the tokens read ahead and what was handed out.
  virtual void Reset() = 0;
  // Discards the rest of the current line of characters.
  virtual void SkipLine() = 0;
  // Takes tokens until the list being read is closed or the characters end.
  virtual void SkipToEndOfList() = 0;
  // The next token; at the end of the text, an end token (again and again).
  virtual IStreamToken NextToken() = 0;
  // Gives a token back; it is the next one NextToken returns.
  virtual void PushBackToken(const IStreamToken& token) = 0;
  // After an opening parenthesis, the name of what it opens (empty otherwise).
  virtual std::string PeekConstructName() = 0;
};

class TIEMorelStream : public TIETokenizerStream {
 public:
  // Hints MakeToken takes besides the delimiter codes (38 40 41 61 124 126).
  static constexpr int32_t HintEnd = -1;
  static constexpr int32_t HintWord = 0;
  static constexpr int32_t HintCrLf = 13;
  static constexpr int32_t HintString = 34;

  explicit TIEMorelStream(TStream* stream, ISymbolGenerator* engine = nullptr);
  explicit TIEMorelStream(std::unique_ptr<TStream> stream, ISymbolGenerator* engine = nullptr);
  std::string ClassName() const override { return "TIEMorelStream"; }

  // A tokenizer owning a new file stream (EFOpenError / EFCreateError).
  static std::unique_ptr<TIEMorelStream> CreateFromFile(const std::string& fileName,
                                                        uint16_t mode,
                                                        ISymbolGenerator* engine = nullptr);
  // A tokenizer owning a string stream over text (any bytes).
  static std::unique_ptr<TIEMorelStream> CreateFromText(std::string_view text,
                                                        ISymbolGenerator* engine = nullptr);

  void Reset() override;
  void SkipLine() override;
  void SkipToEndOfList() override;
  IStreamToken NextToken() override;
  void PushBackToken(const IStreamToken& token) override;
  std::string PeekConstructName() override;

  // The character operations count lines: ReadChar when it returns LF, ReadLine
  // always, SkipBlankLine when it consumed a line end.
  bool SkipBlankLine() override;
  char ReadChar() override;
  std::string ReadLine() override;

  // Reads one token from the characters (no read-ahead, no bookkeeping).
  // Blanks within a line it takes from the buffer itself; SkipBlankLine
  // sees line ends and the end of the buffer.
  virtual IStreamToken ReadToken();
  // A token of the hinted kind with the given text on the current line; a word
  // (hint 0) is classified as variable, multifield variable, integer, float or
  // atom. An unknown hint raises EIEParseException "Invalid Token hint for
  // parsing token: %s".
  virtual IStreamToken MakeToken(int32_t dataType, const std::string& text);

  // The current line (1 at creation).
  int32_t Line() const { return line_; }
  void SetLine(int32_t line) { line_ = line; }
  // The text of the tokens handed out since the last Reset, for error messages:
  // each token's AsText and a blank, CR LF where the line number grew.
  const std::string& ConsumedText() const { return consumedText_; }
  // The token handed out last (none before the first).
  const IStreamToken& LastToken() const { return lastToken_; }
  // Parenthesis depth of the tokens handed out.
  int32_t Depth() const { return depth_; }
  // Tokens read ahead and not yet handed out.
  size_t PendingTokens() const { return tokenStack_.size(); }
  ISymbolGenerator* Engine() const { return engine_; }
  void SetEngine(ISymbolGenerator* engine) { engine_ = engine; }

 private:
  void Refill();
  IStreamToken ReadString();
  IStreamToken ReadWord(char first);
  IStreamToken ClassifyWord(IStreamToken token, const std::string& text);
  std::string UniqueName(const std::string& prefix);

  std::vector<IStreamToken> tokenStack_;  // top at the back
  int32_t line_ = 1;
  std::string tokenText_;
  ISymbolGenerator* engine_;
  std::string consumedText_;
  std::string pushedText_;  // PushBackToken's scratch: the text given back
  IStreamToken lastToken_;
  int32_t depth_ = 0;
  int32_t ownSymbolIndex_ = 1;  // names generated without an engine
};
