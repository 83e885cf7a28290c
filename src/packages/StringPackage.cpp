#include "packages/StringPackage.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "core/ClassRegistry.h"
#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "packages/BuiltinPackages.h"
#include "functions/FunctionKit.h"
#include "functions/IEFunctionCall.h"

namespace {

// Lengths and positions are 32-bit integers in the rule language.
int32_t ClampToInt32(int64_t value) {
  constexpr int64_t lo = std::numeric_limits<int32_t>::min();
  constexpr int64_t hi = std::numeric_limits<int32_t>::max();
  return int32_t(std::clamp(value, lo, hi));
}

// Every argument's text, in order, without separator.
std::string Concatenation(const TFunctionCall& funCall, TIEContext* context) {
  std::string text;
  for (int32_t i = 0; i < funCall.ArgumentCount(); ++i) text += TextArgument(funCall, i, context);
  return text;
}

// Maps only the ASCII letters, so other bytes (UTF-8 included) stay as they are.
std::string ChangeCase(std::string text, bool upper) {
  const char from = upper ? 'a' : 'A';
  const char to = upper ? 'A' : 'a';
  for (char& c : text)
    if (c >= from && c <= char(from + 25)) c = char(c - from + to);
  return text;
}

}  // namespace

// ---------------------------------------------------------------- lowcase, upcase

TLowerCaseFunction::TLowerCaseFunction() {
  SetFunctionName("lowcase");
  SetMinArgumentCount(1);
  SetMaxArgumentCount(1);
  SetHelp(SLowCaseHelp, SLowCaseSyntax);
}

void TLowerCaseFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = TIEValue::MakeString(ChangeCase(TextArgument(funCall, 0, context), false));
}

TUpperCaseFunction::TUpperCaseFunction() {
  SetFunctionName("upcase");
  SetMinArgumentCount(1);
  SetMaxArgumentCount(1);
  SetHelp(SUpCaseHelp, SUpCaseSyntax);
}

void TUpperCaseFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = TIEValue::MakeString(ChangeCase(TextArgument(funCall, 0, context), true));
}

// ---------------------------------------------------------------- str-cat, sym-cat

TStrCatFunction::TStrCatFunction() {
  SetFunctionName("str-cat");
  SetHelp(SStrCatHelp, SStrCatSyntax);
}

void TStrCatFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = TIEValue::MakeString(Concatenation(funCall, context));
}

TSymCatFunction::TSymCatFunction() {
  SetFunctionName("sym-cat");
  SetHelp(SSymCatHelp, SSymCatSyntax);
}

void TSymCatFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = TIEValue::MakeAtom(Concatenation(funCall, context));
}

// ---------------------------------------------------------------- str-compare

TStrCompFunction::TStrCompFunction() {
  SetFunctionName("str-compare");
  SetMinArgumentCount(2);
  SetMaxArgumentCount(2);
  SetHelp(SStrCompHelp, SStrCompSyntax);
}

void TStrCompFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const std::string a = TextArgument(funCall, 0, context);
  const std::string b = TextArgument(funCall, 1, context);
  const size_t common = std::min(a.size(), b.size());
  int64_t difference = int64_t(a.size()) - int64_t(b.size());
  for (size_t i = 0; i < common; ++i) {
    // Character codes are the unsigned byte values.
    const int ca = static_cast<unsigned char>(a[i]);
    const int cb = static_cast<unsigned char>(b[i]);
    if (ca != cb) {
      difference = ca - cb;
      break;
    }
  }
  result = TIEValue::MakeInteger(ClampToInt32(difference));
}

// ---------------------------------------------------------------- str-index

TStrIndexFunction::TStrIndexFunction() {
  SetFunctionName("str-index");
  SetMinArgumentCount(2);
  SetMaxArgumentCount(2);
  SetHelp(SStrIndexHelp, SStrIndexSyntax);
}

void TStrIndexFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const std::string needle = TextArgument(funCall, 0, context);
  const std::string haystack = TextArgument(funCall, 1, context);
  const size_t position = needle.empty() ? std::string::npos : haystack.find(needle);
  result = position == std::string::npos ? FalseAtom()
                                          : TIEValue::MakeInteger(ClampToInt32(int64_t(position) + 1));
}

// ---------------------------------------------------------------- str-length

TStrLengthFunction::TStrLengthFunction() {
  SetFunctionName("str-length");
  SetMinArgumentCount(1);
  SetMaxArgumentCount(1);
  SetHelp(SStrLengthHelp, SStrLengthSyntax);
}

void TStrLengthFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = TIEValue::MakeInteger(ClampToInt32(int64_t(TextArgument(funCall, 0, context).size())));
}

// ---------------------------------------------------------------- sub-string

TSubStringFunction::TSubStringFunction() {
  SetFunctionName("sub-string");
  SetMinArgumentCount(3);
  SetMaxArgumentCount(3);
  SetHelp(SSubStringHelp, SSubStringSyntax);
}

void TSubStringFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const std::string text = TextArgument(funCall, 2, context);
  const int32_t start = IntegerArgument(funCall, 0, context);
  const int32_t end = IntegerArgument(funCall, 1, context);
  // 64-bit arithmetic: end - start + 1 must not wrap for extreme integers.
  const int64_t count = int64_t(end) - int64_t(start) + 1;
  const int64_t length = int64_t(text.size());
  if (start < 1 || start > length || count < 0)
    throw EIEException(Format(SInvalidSubstringParameters, {start, end}));
  const size_t from = size_t(start - 1);
  result = TIEValue::MakeString(std::string_view(text).substr(from, size_t(std::min(count, length))));
}

// ---------------------------------------------------------------- the package

TStringPackage::TStringPackage(TComponent* owner) : TUserPackage(owner) { CreateFunctions(); }

void TStringPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  CreateFunction<TLowerCaseFunction>();
  CreateFunction<TStrCatFunction>();
  CreateFunction<TStrCompFunction>();
  CreateFunction<TStrIndexFunction>();
  CreateFunction<TStrLengthFunction>();
  CreateFunction<TSubStringFunction>();
  CreateFunction<TSymCatFunction>();
  CreateFunction<TUpperCaseFunction>();
}

void RegisterStringPackageClasses() {
  RegisterComponentClass<TStringPackage>("TStringPackage");
  RegisterFunctionClass<TLowerCaseFunction>();
  RegisterFunctionClass<TStrCatFunction>();
  RegisterFunctionClass<TStrCompFunction>();
  RegisterFunctionClass<TStrIndexFunction>();
  RegisterFunctionClass<TStrLengthFunction>();
  RegisterFunctionClass<TSubStringFunction>();
  RegisterFunctionClass<TSymCatFunction>();
  RegisterFunctionClass<TUpperCaseFunction>();
}
