// TIEStreamToken: one token of rule text, as the tokenizer hands it to the parsers.
// A reference-counted object shared through IStreamToken handles; copy it (Clone)
// before changing a token that others hold. Not thread-safe, its count included.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "collections/BlockPool.h"
#include "collections/CommonInterfaces.h"
#include "collections/RefCount.h"
#include "core/Persistent.h"
#include "values/ObjectRef.h"

class TIEValue;
class TIEContext;
using IIEValue = TRef<TIEValue>;

// DataType of a token: 0 for the end of the text, a TIEType ordinal for atoms (1),
// strings (2), integers (3), variables (4), floats (6), multifield variables (17),
// or the character code of a delimiter.
inline constexpr int32_t TokenEnd = 0;
inline constexpr int32_t TokenAmpersand = '&';
inline constexpr int32_t TokenOpen = '(';
inline constexpr int32_t TokenClose = ')';
inline constexpr int32_t TokenEquals = '=';
inline constexpr int32_t TokenBar = '|';
inline constexpr int32_t TokenTilde = '~';

// A file's tokens are read a whole construct ahead: their blocks are pooled.
class TIEStreamToken : public ICloneable, public TPersistent, public TPooledObject<TIEStreamToken> {
 public:
  TIEStreamToken() = default;
  TIEStreamToken(int32_t dataType, std::string text, int32_t lineNumber = 0, double number = 0)
      : dataType_(dataType), lineNumber_(lineNumber), number_(number), text_(std::move(text)) {}
  std::string ClassName() const override { return "TIEStreamToken"; }
  // A token belongs to the one parse that reads it: its count needs no
  // atomic operations.
  void AddRef() const noexcept { AddRefUnshared(); }
  void Release() const noexcept { ReleaseUnshared(); }

  int32_t GetDataType() const { return dataType_; }
  int32_t GetLineNumber() const { return lineNumber_; }
  double GetNumber() const { return number_; }
  const std::string& GetText() const { return text_; }
  void SetDataType(int32_t dataType) { dataType_ = dataType; }
  void SetLineNumber(int32_t line) { lineNumber_ = line; }
  void SetNumber(double number) { number_ = number; }
  void SetText(std::string text) { text_ = std::move(text); }
  // The byte of the program text where the token starts; -1 when unknown.
  int64_t GetOffset() const { return offset_; }
  void SetOffset(int64_t offset) { offset_ = offset; }

  // True for the end-of-text token and for the delimiter ch.
  bool IsEnd() const { return dataType_ == TokenEnd; }
  bool IsDelimiter(char ch) const { return dataType_ == int32_t(static_cast<unsigned char>(ch)); }

  // The token as rule text: ?name, $?name, "text" (unescaped), the general text of
  // a float, an integer in decimal, otherwise Text (or the character whose code is
  // DataType when Text is empty).
  std::string AsText() const;
  // Appends the same text to Out.
  void AppendText(std::string& out) const;
  // Takes type and contents of a value (text, the number of numeric types, the
  // object reference of an object value).
  void AssignValue(const TIEValue& value);
  // A new value of the token's type; atoms TRUE, FALSE, nil (any case) and the end
  // token give the shared constants.
  IIEValue AsValue() const;
  // For a variable token and a context: the bound value (EIEException "Unknown
  // variable name: %s" when unbound); otherwise AsValue.
  IIEValue AsValueIn(TIEContext* context) const;

  // ICloneable: Assign copies all five fields (EInvalidCast for a non-token);
  // IsEqual compares DataType, LineNumber and Number.
  void Assign(const ICloneable& source) override;
  TRef<ICloneable> CloneObject() const override;
  bool IsEqual(const ICloneable* other) const override;
  TRef<TIEStreamToken> Clone() const;

  // TPersistent: assignment from another token, and the published fields
  // DataType, LineNumber, Number, Text, Tag.
  void Assign(const TPersistent* source) override;
  void Properties(std::vector<TProperty>& props) override;

 private:
  int32_t dataType_ = TokenEnd;
  int32_t lineNumber_ = 0;
  double number_ = 0;
  std::string text_;
  int64_t offset_ = -1;
  IObjectRef object_;  // dtObject: the object (its address is only a number)
};

using IStreamToken = TRef<TIEStreamToken>;
