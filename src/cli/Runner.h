// The runner and the shell of the command line: one engine with the default
// packages whose standard output goes to a std::ostream byte for byte.
// Thread-safety: one runner per thread.
#pragma once

#include <iosfwd>
#include <string>

#include "cli/CliOptions.h"

// Clears a new engine, loads each file of Options in order, evaluates each -e
// text, resets and (unless --no-run) runs to the end. Print-out goes to Out; a
// load or run error prints its message on Err and gives 1; else 0.
int RunFiles(const TCliOptions& options, std::ostream& out, std::ostream& err);

// Reads a whole program from In and runs it as RunFiles does a file.
int RunStream(const TCliOptions& options, std::istream& in, std::ostream& out,
              std::ostream& err);

// True when Text holds at least one complete top-level item: every "(" outside
// strings and comments is closed. Strings with their "\" escape and ";"
// comments to the end of the line are skipped.
bool IsCompleteInput(const std::string& text);

// The interactive shell: prompts "ie> " on Out, reads lines from In until the
// parentheses balance, evaluates each top-level item (constructs take effect,
// expressions echo their value), shows errors on Err and goes on; ends with
// (exit) or the end of input. Returns 0.
int RunShell(const TCliOptions& options, std::istream& in, std::ostream& out, std::ostream& err);
