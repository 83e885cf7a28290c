#include "core/Format.h"

#include <cstdio>
#include <vector>

#include "core/Exceptions.h"
#include "core/FloatText.h"
#include "core/IEConsts.h"

namespace {

[[noreturn]] void BadFormat(std::string_view format) {
  std::string f(format);
  std::string message = SFormatInvalid;
  const auto at = message.find("%s");
  message.replace(at, 2, f);
  throw EConvertError(message);
}

std::string Pad(std::string text, int width, bool left) {
  if (width > 0 && int(text.size()) < width) {
    const std::string fill(size_t(width) - text.size(), ' ');
    text = left ? text + fill : fill + text;
  }
  return text;
}

std::string Digits(uint64_t magnitude, int base, int precision) {
  char buf[32];
  std::snprintf(buf, sizeof buf, base == 16 ? "%llX" : "%llu", (unsigned long long)magnitude);
  std::string digits = buf;
  if (precision > int(digits.size())) digits.insert(0, size_t(precision) - digits.size(), '0');
  return digits;
}

}  // namespace

std::string Format(std::string_view format, std::initializer_list<TFormatArg> argList) {
  const std::vector<TFormatArg> args(argList);
  size_t next = 0;
  std::string out;
  out.reserve(format.size() + 16);
  for (size_t i = 0; i < format.size(); ++i) {
    const char ch = format[i];
    if (ch != '%') {
      out += ch;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    size_t j = i + 1;
    bool left = false;
    int width = -1, precision = -1;
    if (j < format.size() && format[j] == '-') left = true, ++j;
    if (j < format.size() && format[j] == '*') BadFormat(format);
    while (j < format.size() && format[j] >= '0' && format[j] <= '9')
      width = (width < 0 ? 0 : width * 10) + (format[j++] - '0');
    if (j < format.size() && format[j] == '.') {
      precision = 0;
      ++j;
      while (j < format.size() && format[j] >= '0' && format[j] <= '9')
        precision = precision * 10 + (format[j++] - '0');
    }
    if (j >= format.size() || next >= args.size()) BadFormat(format);
    const char conv = char(format[j] | 0x20);
    const auto& value = args[next++].Value();
    std::string text;
    switch (conv) {
      case 's':
        if (auto s = std::get_if<std::string>(&value)) text = *s;
        else if (auto c = std::get_if<char>(&value)) text = std::string(1, *c);
        else BadFormat(format);
        if (precision >= 0 && int(text.size()) > precision) text.resize(size_t(precision));
        break;
      case 'd':
      case 'u':
      case 'x': {
        auto n = std::get_if<int64_t>(&value);
        if (!n) BadFormat(format);
        const bool negative = conv == 'd' && *n < 0;
        const uint64_t magnitude = negative ? uint64_t(0) - uint64_t(*n) : conv == 'd' ? uint64_t(*n) : uint64_t(uint32_t(*n));
        text = (negative ? "-" : "") + Digits(magnitude, conv == 'x' ? 16 : 10, precision);
        break;
      }
      case 'c':
        if (auto c = std::get_if<char>(&value)) text = std::string(1, *c);
        else if (auto n = std::get_if<int64_t>(&value)) text = std::string(1, char(*n));
        else BadFormat(format);
        break;
      case 'f':
      case 'e':
      case 'g': {
        double d;
        if (auto f = std::get_if<double>(&value)) d = *f;
        else if (auto n = std::get_if<int64_t>(&value)) d = double(*n);
        else BadFormat(format);
        if (conv == 'g' && precision < 0) {
          text = FloatToText(d);
        } else {
          char spec[8] = {'%', '.', '*', conv, 0};
          char buf[512];
          std::snprintf(buf, sizeof buf, spec, precision < 0 ? (conv == 'e' ? 15 : 2) : precision, d);
          text = buf;
        }
        break;
      }
      default:
        BadFormat(format);
    }
    out += Pad(std::move(text), width, left);
    i = j;
  }
  return out;
}
