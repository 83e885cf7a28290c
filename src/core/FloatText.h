// The general text of a float: at most 15 significant digits, "." as decimal
// point, no trailing zeros, no point for integral values (3.0 gives "3"), and
// exponent form when the decimal exponent is below -4 or 15 or more
// ("1E20", "1.5E-7", "-1E-5"). NaN and infinities print as "NAN", "INF", "-INF".
#pragma once

#include <string>
#include <string_view>

std::string FloatToText(double value);

// The value of an unsigned decimal number text (digits [. digits] [e [sign]
// digits]) that std::from_chars reports out of the range of double, which
// leaves no value: infinity when the text's magnitude is too large, zero when
// it is too small. The caller applies the sign.
double OutOfRangeMagnitude(std::string_view text);
