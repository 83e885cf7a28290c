// Writes the function reference (docs/functions.md) from the function
// registry: an engine with all eight built-in packages and the diagnostics
// package, and for each package
// its functions with their argument limits, syntax line and help text. The
// build target function-reference writes it into the source tree; the test
// script compares the committed file with this program's output.
//   ie_function_reference [FILE]   (standard output without FILE)
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/InferenceEngine.h"
#include "functions/IEPackageComponents.h"
#include "packages/DiagnosticsPackage.h"

namespace {

struct TEntry {
  std::string Name;
  std::string Syntax;
  std::string Help;
  int32_t Min;
  int32_t Max;
};

struct TPackageEntries {
  std::string Title;   // "Math" for TMathPackage
  std::string Option;  // its name in the runner's --packages
  std::vector<TEntry> Functions;
};

const char* OptionName(TFunctionPackage package) {
  switch (package) {
    case pStandard: return "standard";
    case pPredicate: return "predicate";
    case pMath: return "math";
    case pMiscellaneous: return "misc";
    case pString: return "string";
    case pObject: return "object";
    case pTrigonometry: return "trigonometry";
    case pBusiness: return "business";
  }
  return "";
}

// The comment of a built-in function is the help text, CR LF, five blanks
// and "syntax: (" SYNTAX ")".
void SplitComment(const std::string& comment, std::string& help, std::string& syntax) {
  static const std::string marker = "\r\n     syntax: (";
  const size_t at = comment.find(marker);
  if (at == std::string::npos) {
    help = comment;
    syntax.clear();
    return;
  }
  help = comment.substr(0, at);
  syntax = comment.substr(at + marker.size());
  if (!syntax.empty() && syntax.back() == ')') syntax.pop_back();
}

// Text that Markdown shows as it is (punctuation that could start markup is
// escaped; line ends become blanks).
std::string Plain(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      out += ' ';
      continue;
    }
    if (std::string("\\`*_<>[]#|").find(c) != std::string::npos) out += '\\';
    out += c;
  }
  return out;
}

// "Arguments: ..." for the limits of a function.
std::string Limits(int32_t min, int32_t max) {
  if (max == UnlimitedArguments)
    return min == 0 ? "any number" : std::to_string(min) + " or more";
  if (min == max) return "exactly " + std::to_string(min);
  return std::to_string(min) + " to " + std::to_string(max);
}

// "Math" for TMathPackage.
std::string PackageTitle(std::string className) {
  if (className.size() > 1 && className[0] == 'T') className.erase(0, 1);
  const std::string suffix = "Package";
  if (className.size() > suffix.size() && className.ends_with(suffix))
    className.erase(className.size() - suffix.size());
  return className;
}

// An engine with every built-in package and the diagnostics package; each
// package's functions sorted by name, the packages in the order the engine
// creates them, diagnostics last.
std::vector<TPackageEntries> CollectPackages() {
  TInferenceEngine engine;
  TFunctionPackages all;
  std::vector<std::pair<std::string, std::string>> classes;  // class name, option
  for (const auto& entry : TInferenceEngine::DefaultPackageClasses()) {
    all.Include(entry.Package);
    classes.emplace_back(entry.ClassName, OptionName(entry.Package));
  }
  engine.SetPackages(all);
  new TDiagnosticsPackage(&engine);
  classes.emplace_back("TDiagnosticsPackage", "diagnostics");
  std::vector<TPackageEntries> packages;
  for (const auto& [className, option] : classes) {
    for (int i = 0; i < engine.ComponentCount(); ++i) {
      const auto* package = dynamic_cast<const TUserPackage*>(engine.Components(i));
      if (!package || package->ClassName() != className) continue;
      TPackageEntries group;
      group.Title = PackageTitle(package->ClassName());
      group.Option = option;
      for (int32_t f = 0; f < package->Functions().Count(); ++f) {
        const auto& function = package->Functions().Get(f);
        if (!function) continue;
        TEntry e{function->FunctionName(), "", "", function->MinArgumentCount(),
                 function->MaxArgumentCount()};
        SplitComment(function->Comment(), e.Help, e.Syntax);
        group.Functions.push_back(std::move(e));
      }
      std::sort(group.Functions.begin(), group.Functions.end(),
                [](const TEntry& a, const TEntry& b) { return a.Name < b.Name; });
      packages.push_back(std::move(group));
    }
  }
  return packages;
}

// A heading's anchor as Markdown renderers make it: lower case, blanks to
// dashes, other punctuation dropped.
std::string Anchor(const std::string& title) {
  std::string out;
  for (char c : title) {
    if (c >= 'A' && c <= 'Z') out += char(c - 'A' + 'a');
    else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_') out += c;
    else if (c == ' ') out += '-';
  }
  return out;
}

std::string Reference() {
  const std::vector<TPackageEntries> packages = CollectPackages();
  size_t total = 0;
  for (const auto& p : packages) total += p.Functions.size();
  std::ostringstream md;
  md << "# Function reference\n\n"
     << "Every function of the " << packages.size() << " built-in packages (" << total
     << " functions), package by package and\n"
     << "alphabetically within a package: its syntax, how many arguments it takes and\n"
     << "its help text. A new engine has the packages standard, predicate, math, misc,\n"
     << "string and object; the engine's `Packages` property or the runner's `--packages`\n"
     << "option selects others (`ie --packages all ...`). The runner and the shell add the\n"
     << "diagnostics package to every engine they make; a program that embeds the engine\n"
     << "adds it by creating a `TDiagnosticsPackage` owned by the engine. The shell shows\n"
     << "the same texts with `(help NAME)`.\n\n"
     << "This file is generated from the function registry by\n"
     << "`cmake --build build --target function-reference`; `scripts/test.sh` checks that\n"
     << "it is current. The rule language itself is described in [language.md](language.md).\n\n";
  for (const auto& p : packages)
    md << "- [" << p.Title << "](#" << Anchor(p.Title + " package") << ") (`" << p.Option << "`, "
       << p.Functions.size() << " functions)\n";
  for (const auto& p : packages) {
    md << "\n## " << p.Title << " package\n\n";
    md << "Selected by `" << p.Option << "`. ";
    for (size_t i = 0; i < p.Functions.size(); ++i)
      md << (i ? ", " : "") << "`" << p.Functions[i].Name << "`";
    md << ".\n";
    for (const TEntry& e : p.Functions) {
      md << "\n### " << Plain(e.Name) << "\n\n";
      md << "    (" << (e.Syntax.empty() ? e.Name : e.Syntax) << ")\n\n";
      std::string help = Plain(e.Help);
      if (!help.empty() && help.back() != '.') help += '.';
      md << help << "\n\nArguments: " << Limits(e.Min, e.Max) << ".\n";
    }
  }
  return md.str();
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::string text = Reference();
    if (argc < 2) {
      std::cout << text;
      return 0;
    }
    std::ofstream out(argv[1], std::ios::binary);
    out << text;
    out.close();
    if (!out) {
      std::cerr << "ie_function_reference: cannot write " << argv[1] << "\n";
      return 1;
    }
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "ie_function_reference: " << e.what() << "\n";
    return 1;
  }
}
