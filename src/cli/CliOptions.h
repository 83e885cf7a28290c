// The command line of the runner `ie`: files to load, texts to evaluate,
// watches, strategy, function packages and the run switch. ParseCommandLine never exits the
// process; it reports what the caller should do.
// Thread-safety: plain values.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/IEInterfaces.h"

struct TCliOptions {
  std::vector<std::string> Files;        // loaded in order
  std::vector<std::string> Evaluations;  // -e TEXT, after the files, before the reset
  TConstructWatches Watches;
  TSearchStrategy Strategy = ssDepthFirst;
  // --packages LIST: the engine's built-in packages; none given: the packages
  // a new engine has.
  std::optional<TFunctionPackages> Packages;
  // The diagnostics functions (why, why-not, profile, ...): on unless a
  // --packages list leaves out "diagnostics".
  bool Diagnostics = true;
  bool Run = true;       // false: --no-run (load and reset only)
  // --profile: the network profiles from the engine's start; the table goes
  // to standard error at the end.
  bool Profile = false;
  // --graph FILE: the network as Graphviz DOT, written at the end.
  std::string GraphFile;
  // --warnings=on (default), off, or error (a warning ends the run, status 1).
  enum TWarnings { wOn, wOff, wError } Warnings = wOn;
  bool Interactive = false;  // -i: the shell after loading the files
  // The process ends after the run (set by the program itself, never by an
  // argument): the engine's streams are closed, then its memory is left to
  // the system instead of being freed object by object, which takes a tenth
  // of a run over a large working memory.
  bool ExitAfterRun = false;
  bool ShowHelp = false;
  bool ShowVersion = false;
  std::string Error;     // a bad command line: the message to print, exit status 2
};

// Reads the arguments after the program name.
TCliOptions ParseCommandLine(const std::vector<std::string>& arguments);

// The usage text of --help (CR LF free: a terminal's own line ends).
std::string UsageText();
// The version line of --version.
std::string VersionText();
