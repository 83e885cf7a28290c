// The one printf-style formatter for message texts.
// Directives: %[-][width][.precision]conv with conv one of s d u x c f e g and %%.
// For d, u and x the precision is the minimum number of digits (zero-padded);
// for s it is the maximum number of characters. An argument that does not fit
// its directive, or a directive without an argument, raises EConvertError
// "Format '%s' invalid or incompatible with argument". Stateless; thread-safe.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

class TFormatArg {
 public:
  using TValue = std::variant<int64_t, double, std::string, char>;
  TFormatArg(int v) : value_(int64_t(v)) {}
  TFormatArg(unsigned v) : value_(int64_t(v)) {}
  TFormatArg(long v) : value_(int64_t(v)) {}
  TFormatArg(long long v) : value_(int64_t(v)) {}
  TFormatArg(unsigned long v) : value_(int64_t(v)) {}
  TFormatArg(double v) : value_(v) {}
  TFormatArg(char v) : value_(v) {}
  TFormatArg(const char* v) : value_(std::string(v)) {}
  TFormatArg(std::string v) : value_(std::move(v)) {}
  TFormatArg(std::string_view v) : value_(std::string(v)) {}
  const TValue& Value() const { return value_; }

 private:
  TValue value_;
};

std::string Format(std::string_view format, std::initializer_list<TFormatArg> args);
