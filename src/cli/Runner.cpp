#include "cli/Runner.h"

#include <algorithm>
#include <istream>
#include <set>
#include <iterator>
#include <memory>
#include <ostream>
#include <sstream>

#include "cli/ErrorReport.h"
#include "cli/InterruptHalts.h"
#include "cli/LineReader.h"
#include "cli/ProgramWarnings.h"
#include "cli/TerminalDialogs.h"
#include "core/Exceptions.h"
#include "engine/InferenceEngine.h"
#include "facts/IERule.h"
#include "functions/IEPackageComponents.h"
#include "frontend/IEMorelStream.h"
#include "packages/DiagnosticsGraph.h"
#include "packages/DiagnosticsPackage.h"
#include "rete/ReteGraph.h"
#include "rete/ReteNetwork.h"
#include "rete/ReteProfileReport.h"
#include "packages/StandardControl.h"

namespace {

// Standard input of the program comes from Input: readline takes the next
// line, read the first token of the next line that holds one (the rest of
// that line is skipped, as for a file). The end of Input reads as EOF.
void ConnectInput(TInferenceEngine& engine, TLineReader& input) {
  engine.OnReadLine = [&input](TObject*, const std::string&, std::string& text) {
    input.ReadLine(std::string(), text);
  };
  engine.OnReadToken = [&input, &engine](TObject*, const std::string&, IStreamToken& token) {
    std::string line;
    while (input.ReadLine(std::string(), line)) {
      token = TIEMorelStream::CreateFromText(line, &engine)->ReadToken();
      if (token && !token->IsEnd()) return;
    }
    token = IStreamToken();
  };
}

// A new engine with the options' packages, watches and strategy,
// its standard output on Out and its standard input from Input (when given).
std::unique_ptr<TInferenceEngine> MakeEngine(const TCliOptions& options, std::ostream& out,
                                             TLineReader* input) {
  auto engine = std::make_unique<TInferenceEngine>();
  if (options.Packages) engine->SetPackages(*options.Packages);
  if (options.Diagnostics) new TDiagnosticsPackage(engine.get());
  engine->OnPrintOut = [&out](TObject*, const std::string&, const std::string& text) {
    out.write(text.data(), std::streamsize(text.size()));
    out.flush();
  };
  if (input) ConnectInput(*engine, *input);
  engine->SetStrategy(options.Strategy);
  engine->SetWatch(options.Watches);
  if (options.Profile && engine->Rete()) engine->Rete()->SetProfiling(true);
  return engine;
}

// The end of a run under --profile and --graph: the profile table on Err,
// the graph written. Returns Status, or 1 when the graph could not be written.
int FinishDiagnostics(const TCliOptions& options, TInferenceEngine& engine, std::ostream& err,
                      int status) {
  TReteNetwork* network = engine.Rete();
  if (!network) return status;
  if (options.Profile) {
    network->SetProfiling(false);
    err << ProfileReport(*network) << std::flush;
  }
  if (!options.GraphFile.empty()) {
    try {
      WriteTextFile(options.GraphFile, NetworkGraph(*network));
    } catch (const std::exception& e) {
      err << ErrorReport(e);
      return 1;
    }
  }
  return status;
}

// Closes the engine's streams (their text is written) and keeps the engine,
// reachable, until the process ends.
void LeaveToExit(std::unique_ptr<TInferenceEngine> engine) {
  static std::vector<std::unique_ptr<TInferenceEngine>>* const kept =
      new std::vector<std::unique_ptr<TInferenceEngine>>;
  try {
    engine->CloseAllIOStreams();
  } catch (...) {
    // A stream that fails to close is left to the destructor, as without
    // this shortcut.
    return;
  }
  kept->push_back(std::move(engine));
}

// Runs Load (the program's text), then the -e texts, Reset and Run. An error
// prints its message on Err and gives 1; an exit request ends quietly.
template <class TLoad>
int RunProgram(const TCliOptions& options, std::ostream& out, std::ostream& err,
               TLineReader* input, TLoad&& load) {
  std::unique_ptr<TInferenceEngine> engine = MakeEngine(options, out, input);
  int status = 0;
  try {
    engine->Clear();
    load(*engine);
    for (const std::string& text : options.Evaluations) engine->Evaluate(text);
    if (options.Warnings != TCliOptions::wOff) {
      const std::vector<std::string> warnings = ProgramWarnings(*engine);
      for (const std::string& warning : warnings) err << warning << '\n';
      if (options.Warnings == TCliOptions::wError && !warnings.empty()) return 1;
    }
    engine->Reset();
    if (options.Run) engine->Run();
  } catch (const EExitRequest&) {
    status = 0;
  } catch (const std::exception& e) {
    out.flush();
    err << ErrorReport(e) << NameSuggestion(e.what(), *engine);
    status = 1;
  }
  out.flush();
  status = FinishDiagnostics(options, *engine, err, status);
  if (options.ExitAfterRun) LeaveToExit(std::move(engine));
  return status;
}

}  // namespace

int RunFiles(const TCliOptions& options, std::ostream& out, std::ostream& err,
             TLineReader* input) {
  return RunProgram(options, out, err, input, [&](TInferenceEngine& engine) {
    for (const std::string& file : options.Files) engine.LoadFromFile(file);
  });
}

int RunStream(const TCliOptions& options, std::istream& in, std::ostream& out,
              std::ostream& err) {
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  TStreamLineReader rest(in);
  return RunProgram(options, out, err, &rest,
                    [&](TInferenceEngine& engine) { engine.Evaluate(text); });
}

bool IsCompleteInput(const std::string& text) {
  int depth = 0;
  bool sawItem = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == ';') {
      while (i < text.size() && text[i] != '\n' && text[i] != '\r') ++i;
    } else if (c == '"') {
      for (++i; i < text.size() && text[i] != '"'; ++i)
        if (text[i] == '\\') ++i;
      if (i >= text.size()) return false;  // an open string
      if (depth == 0) sawItem = true;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      // A stray ")" is complete: the parser reports it.
      if (depth > 0) --depth;
      if (depth == 0) sawItem = true;
    } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && depth == 0) {
      sawItem = true;
    }
  }
  return depth == 0 && sawItem;
}

int RunShell(const TCliOptions& options, std::istream& in, std::ostream& out, std::ostream& err) {
  TStreamLineReader input(in, &out);
  return RunShell(options, input, out, err);
}

namespace {

// What Tab completes in the shell: the construct keywords and the names the
// engine knows now (functions with the deffunctions, templates, rules, and
// globals with their "?").
std::vector<std::string> ShellWords(TInferenceEngine& engine) {
  std::vector<std::string> words{"defrule", "deftemplate", "deffacts", "deffunction", "defglobal"};
  for (const IUserFunction& function : engine.UserFunctions().Functions())
    if (function) words.push_back(function->FunctionName());
  for (const IFactTemplate& factTemplate : engine.FactTemplates().Templates())
    if (factTemplate) words.push_back(factTemplate->Name());
  for (const TRule* rule : engine.Rules().Rules())
    if (rule) words.push_back(rule->RuleName());
  for (std::string& global : GlobalNames(engine)) words.push_back(std::move(global));
  return words;
}

// "(help)" or "(help NAME)" typed at the prompt, with NAME; false otherwise.
bool IsHelpRequest(const std::string& text, std::string& name) {
  std::istringstream in(text);
  std::string first, second, rest;
  in >> first;
  if (first == "(help)") {
    name.clear();
    return !(in >> rest);
  }
  if (first != "(help") return false;
  in >> second;
  if (second.empty() || second.back() != ')') return false;
  second.pop_back();
  if (in >> rest || second.empty()) return false;
  name = second;
  return true;
}

// The help text and syntax line of Name's function, or every function's name.
std::string HelpText(TInferenceEngine& engine, const std::string& name) {
  if (!name.empty()) {
    if (!engine.FunctionExists(name)) return "No function named " + name + "\n";
    std::string text = engine.UserFunctionText(*engine.UserFunctions().Get(name));
    if (text.empty() || text.back() != '\n') text += "\n";
    return text;
  }
  // Package by package (a package class "TMathPackage" shows as "Math"), then
  // the functions the program defined.
  std::string text = "Functions by package (type (help NAME) for one of them):\n";
  std::set<std::string> listed;
  auto addGroup = [&](const std::string& title, std::vector<std::string> names) {
    if (names.empty()) return;
    std::sort(names.begin(), names.end());
    text += title + ":\n";
    std::string line;
    for (const std::string& function : names) {
      listed.insert(function);
      if (line.size() + function.size() + 1 > 74) {
        text += "   " + line + "\n";
        line.clear();
      }
      line += " " + function;
    }
    text += "   " + line + "\n";
  };
  for (int i = 0; i < engine.ComponentCount(); ++i) {
    const auto* package = dynamic_cast<const TUserPackage*>(engine.Components(i));
    if (!package) continue;
    std::string title = package->ClassName();
    if (title.size() > 1 && title[0] == 'T') title.erase(0, 1);
    const size_t suffix = title.rfind("Package");
    if (suffix != std::string::npos && suffix > 0) title.erase(suffix);
    std::vector<std::string> names;
    for (int32_t f = 0; f < package->Functions().Count(); ++f)
      if (const auto& function = package->Functions().Get(f)) names.push_back(function->FunctionName());
    addGroup(title, std::move(names));
  }
  std::vector<std::string> others;
  for (const IUserFunction& function : engine.UserFunctions().Functions())
    if (function && !listed.count(function->FunctionName())) others.push_back(function->FunctionName());
  addGroup("Defined here", std::move(others));
  return text;
}

}  // namespace

int RunShell(const TCliOptions& options, TLineReader& input, std::ostream& out,
             std::ostream& err) {
  TTerminalDialogs dialogs(input, out);  // outlives the engine that uses it
  std::unique_ptr<TInferenceEngine> engine = MakeEngine(options, out, &input);
  engine->SetDialogHost(&dialogs);
  input.SetCompletionWords([&engine] { return ShellWords(*engine); });
  try {
    engine->Clear();
    for (const std::string& file : options.Files) engine->LoadFromFile(file);
    // The loaded files get the runner's warnings; a shell without files has
    // nothing to warn about yet.
    if (!options.Files.empty() && options.Warnings != TCliOptions::wOff) {
      const std::vector<std::string> warnings = ProgramWarnings(*engine);
      for (const std::string& warning : warnings) err << warning << '\n';
      if (options.Warnings == TCliOptions::wError && !warnings.empty()) return 1;
    }
    engine->Reset();
  } catch (const std::exception& e) {
    err << ErrorReport(e) << NameSuggestion(e.what(), *engine);
  }
  std::string pending;
  std::string line;
  for (;;) {
    if (!input.ReadLine(pending.empty() ? "ie> " : "... ", line)) {
      if (input.WasInterrupted()) {
        // Ctrl-C: the entry so far is abandoned, the shell goes on.
        pending.clear();
        out << '\n';
        continue;
      }
      const size_t used = pending.find_first_not_of(" \t\r\n");
      if (used != std::string::npos) {
        std::string dropped = pending.substr(used);
        while (!dropped.empty() && (dropped.back() == '\n' || dropped.back() == ' ')) dropped.pop_back();
        err << "ie: input ended inside an unfinished entry, which was dropped: " << dropped << '\n';
      }
      break;
    }
    if (line.find_first_not_of(" \t") != std::string::npos) input.AddHistory(line);
    pending += line;
    pending += '\n';
    if (!IsCompleteInput(pending)) {
      // Blank lines alone are no input at all.
      if (pending.find_first_not_of(" \t\r\n") == std::string::npos) pending.clear();
      continue;
    }
    std::string text;
    text.swap(pending);
    std::string helpName;
    if (IsHelpRequest(text, helpName)) {
      out << HelpText(*engine, helpName) << std::flush;
      continue;
    }
    try {
      TInterruptHalts interrupt(*engine);
      engine->Evaluate(text);
    } catch (const EExitRequest&) {
      return FinishDiagnostics(options, *engine, err, 0);
    } catch (const std::exception& e) {
      out.flush();
      err << ErrorReport(e) << NameSuggestion(e.what(), *engine);
    }
  }
  out << '\n';
  return FinishDiagnostics(options, *engine, err, 0);
}
