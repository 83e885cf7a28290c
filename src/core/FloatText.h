// The general text of a float: at most 15 significant digits, "." as decimal
// point, no trailing zeros, no point for integral values (3.0 gives "3"), and
// exponent form when the decimal exponent is below -4 or 15 or more
// ("1E20", "1.5E-7", "-1E-5"). NaN and infinities print as "NAN", "INF", "-INF".
#pragma once

#include <string>

std::string FloatToText(double value);
