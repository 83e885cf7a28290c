// How the runner and the shell show an error to a person: the place first, as
// compilers do ("orders.ie:125:3: error: ..."), the source line with a marker
// under the column, then the rule, deffunction and call it happened in. The
// exception's own message is used as it stands; only the context is added.
// Thread-safety: a pure function.
#pragma once

#include <exception>
#include <string>

// The report of Error, one or more lines, each ended by "\n".
std::string ErrorReport(const std::exception& error);
