#include "cli/CliOptions.h"

namespace {

// The watch a --watch name stands for; false when the name is unknown.
bool AddWatch(const std::string& name, TConstructWatches& watches) {
  if (name == "all") {
    for (TConstructWatch w : {cwActivation, cwFact, cwRule, cwCompilation, cwStatistics})
      watches.Include(w);
    return true;
  }
  static const struct {
    const char* Name;
    TConstructWatch Watch;
  } names[] = {{"facts", cwFact},
               {"rules", cwRule},
               {"activations", cwActivation},
               {"compilations", cwCompilation},
               {"statistics", cwStatistics}};
  for (const auto& entry : names)
    if (name == entry.Name) {
      watches.Include(entry.Watch);
      return true;
    }
  return false;
}

// The packages of a comma-separated --packages list, and whether it names
// the diagnostics package; false (with the bad name in Unknown) when a name
// is unknown or the list names none.
bool ParsePackages(const std::string& list, TFunctionPackages& packages, bool& diagnostics,
                   std::string& unknown) {
  static const struct {
    const char* Name;
    TFunctionPackage Package;
  } names[] = {{"standard", pStandard},   {"predicate", pPredicate},
               {"math", pMath},           {"string", pString},
               {"misc", pMiscellaneous},  {"object", pObject},
               {"trigonometry", pTrigonometry}, {"business", pBusiness}};
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    const std::string name = list.substr(start, end - start);
    start = end + 1;
    bool known = name == "diagnostics" || name == "all";
    diagnostics = diagnostics || known;
    for (const auto& entry : names)
      if (name == entry.Name || name == "all") {
        packages.Include(entry.Package);
        known = true;
      }
    if (!known) {
      unknown = name;
      return false;
    }
  }
  return true;
}

}  // namespace

TCliOptions ParseCommandLine(const std::vector<std::string>& arguments) {
  TCliOptions options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    // The value of an option that takes one, or an error when it is missing.
    auto value = [&](std::string& out) {
      if (i + 1 >= arguments.size()) {
        options.Error = "option " + arg + " needs a value";
        return false;
      }
      out = arguments[++i];
      return true;
    };
    std::string text;
    if (arg == "-e" || arg == "--eval") {
      if (!value(text)) return options;
      options.Evaluations.push_back(text);
    } else if (arg == "--watch") {
      if (!value(text)) return options;
      if (!AddWatch(text, options.Watches)) {
        options.Error = "unknown watch \"" + text +
                        "\" (facts, rules, activations, compilations, statistics or all)";
        return options;
      }
    } else if (arg == "--strategy") {
      if (!value(text)) return options;
      if (text == "depth") {
        options.Strategy = ssDepthFirst;
      } else if (text == "breadth") {
        options.Strategy = ssBreadthFirst;
      } else {
        options.Error = "unknown strategy \"" + text + "\" (depth or breadth)";
        return options;
      }
    } else if (arg == "--packages") {
      if (!value(text)) return options;
      TFunctionPackages packages;
      std::string unknown;
      options.Diagnostics = false;
      if (!ParsePackages(text, packages, options.Diagnostics, unknown)) {
        options.Error = "unknown package \"" + unknown +
                        "\" in --packages (a comma-separated list of standard, predicate, math, "
                        "string, misc, object, trigonometry, business, diagnostics or all)";
        return options;
      }
      options.Packages = packages;
    } else if (arg.rfind("--warnings=", 0) == 0) {
      const std::string mode = arg.substr(11);
      if (mode == "on") {
        options.Warnings = TCliOptions::wOn;
      } else if (mode == "off") {
        options.Warnings = TCliOptions::wOff;
      } else if (mode == "error") {
        options.Warnings = TCliOptions::wError;
      } else {
        options.Error = "unknown warnings mode \"" + mode + "\" (on, off or error)";
        return options;
      }
    } else if (arg == "-i" || arg == "--interactive") {
      options.Interactive = true;
    } else if (arg == "--profile") {
      options.Profile = true;
    } else if (arg == "--graph") {
      if (!value(options.GraphFile)) return options;
    } else if (arg == "--no-run") {
      options.Run = false;
    } else if (arg == "-h" || arg == "--help") {
      options.ShowHelp = true;
    } else if (arg == "--version") {
      options.ShowVersion = true;
    } else if (arg == "--") {
      for (++i; i < arguments.size(); ++i) options.Files.push_back(arguments[i]);
    } else if (arg.size() > 1 && arg[0] == '-') {
      options.Error = "unknown option " + arg + " (see --help)";
      return options;
    } else {
      options.Files.push_back(arg);
    }
  }
  return options;
}

std::string UsageText() {
  return "usage: ie [options] [FILE...]\n"
         "\n"
         "Loads each FILE into one engine, resets it and runs it to the end.\n"
         "Without FILE: an interactive shell on a terminal, else the program is\n"
         "read from standard input.\n"
         "\n"
         "options:\n"
         "  -e, --eval TEXT     evaluate TEXT after the files are loaded (repeatable)\n"
         "  --watch NAME        facts, rules, activations, compilations, statistics\n"
         "                      or all (repeatable)\n"
         "  --strategy S        depth (default) or breadth\n"
         "  --packages LIST     the function packages, comma-separated: standard,\n"
         "                      predicate, math, string, misc, object,\n"
         "                      trigonometry, business, diagnostics or all\n"
         "                      (default: all but trigonometry and business)\n"
         "  --no-run            load and reset only\n"
         "  --profile           profile the whole run; the table of rules and\n"
         "                      network nodes by cost goes to standard error\n"
         "                      at the end (standard output stays the program's)\n"
         "  --graph FILE        at the end, write the network as a Graphviz graph\n"
         "                      to FILE (with the profile's counts under --profile)\n"
         "  -i, --interactive   load and reset, then the shell on that engine\n"
         "  --warnings=MODE     on (default): print what looks like a mistake in\n"
         "                      the program on standard error; off; error: also\n"
         "                      stop before running, with status 1\n"
         "  -h, --help          this text\n"
         "  --version           the version\n"
         "\n"
         "examples:\n"
         "  ie examples/wordgame.ie                  run a program\n"
         "  ie rules.ie data.ie --watch rules        two files, each firing shown\n"
         "  ie rules.ie -e '(assert (go))' --no-run  load, assert, reset, no run\n"
         "  ie --strategy breadth --warnings=error rules.ie\n"
         "  ie --packages standard,math,trigonometry geometry.ie\n"
         "  ie                                       the interactive shell\n"
         "  ie rules.ie -i                           load and reset, then the shell\n"
         "  ie rules.ie --profile --graph net.dot    where the time goes, and a picture\n"
         "\n"
         "Errors and warnings go to standard error. Exit status: 0 done, 1 an error\n"
         "in the program, 2 a bad command line.\n";
}

std::string VersionText() { return "ie 0.1.0\n"; }
