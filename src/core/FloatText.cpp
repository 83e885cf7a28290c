#include "core/FloatText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

std::string FloatToText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  // 15 significant digits in scientific form give the digits and the exponent.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14E", value);
  std::string text = buf;
  const size_t ePos = text.find('E');
  const int exponent = std::atoi(text.c_str() + ePos + 1);
  const bool negative = text[0] == '-';
  std::string digits;
  for (size_t i = negative ? 1 : 0; i < ePos; ++i)
    if (text[i] != '.') digits += text[i];
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out = negative ? "-" : "";
  if (exponent < -4 || exponent >= 15) {
    out += digits[0];
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exponent);
  } else if (exponent < 0) {
    out += "0." + std::string(size_t(-exponent - 1), '0') + digits;
  } else {
    const size_t intDigits = size_t(exponent) + 1;
    if (digits.size() <= intDigits) {
      out += digits + std::string(intDigits - digits.size(), '0');
    } else {
      out += digits.substr(0, intDigits) + "." + digits.substr(intDigits);
    }
  }
  return out;
}

double OutOfRangeMagnitude(std::string_view text) {
  // The decimal exponent of the first significant digit decides: positive
  // means too large. Out of range is hundreds of powers away from 0, so the
  // sign alone tells overflow from underflow.
  bool seenPoint = false, significant = false;
  int64_t beforePoint = 0, zerosAfterPoint = 0;
  size_t i = 0;
  for (; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
    const char c = text[i];
    if (c == '.') {
      seenPoint = true;
    } else if (!significant && c == '0') {
      if (seenPoint) ++zerosAfterPoint;
    } else {
      significant = true;
      if (!seenPoint) ++beforePoint;
    }
  }
  if (!significant) return 0.0;
  // The power of ten of the first significant digit, before the exponent.
  const int64_t leading = beforePoint > 0 ? beforePoint - 1 : -(zerosAfterPoint + 1);
  int64_t exponent = 0;
  bool negative = false;
  if (i < text.size()) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
      if (exponent < 1000000000) exponent = exponent * 10 + (text[i] - '0');
  }
  const int64_t magnitude = leading + (negative ? -exponent : exponent);
  return magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
}
