// The runner and the shell of the command line: one engine with the default
// packages whose standard output goes to a std::ostream byte for byte.
// Thread-safety: one runner per thread.
#pragma once

#include <iosfwd>
#include <string>

#include "cli/CliOptions.h"

class TLineReader;

// Clears a new engine, loads each file of Options in order, evaluates each -e
// text, resets and (unless --no-run) runs to the end. Print-out goes to Out; a
// load or run error prints its message on Err and gives 1; else 0. The
// program's read and readline of standard input take their lines from Input
// (not owned); without one they raise the engine's missing-input error.
int RunFiles(const TCliOptions& options, std::ostream& out, std::ostream& err,
             TLineReader* input = nullptr);

// Reads a whole program from In and runs it as RunFiles does a file; its reads
// of standard input then find the end of In.
int RunStream(const TCliOptions& options, std::istream& in, std::ostream& out,
              std::ostream& err);

// True when Text holds at least one complete top-level item: every "(" outside
// strings and comments is closed. Strings with their "\" escape and ";"
// comments to the end of the line are skipped.
bool IsCompleteInput(const std::string& text);

// The interactive shell: loads the files of Options (their warnings go to Err
// as the runner's do; with --warnings=error a warning gives 1 before the first
// prompt), then reads lines from Input with the prompt "ie> " (then
// "... ") until the parentheses balance, evaluates each top-level item
// (constructs take effect, expressions echo their value), shows errors on Err
// and goes on; ends with (exit) or the end of input. Each line that is not
// blank joins Input's history. The program's reads of standard input take the
// next lines of Input. Returns 0 otherwise.
int RunShell(const TCliOptions& options, TLineReader& input, std::ostream& out, std::ostream& err);
// The shell over the lines of In, prompting on Out.
int RunShell(const TCliOptions& options, std::istream& in, std::ostream& out, std::ostream& err);
