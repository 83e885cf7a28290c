#include "cli/Runner.h"

#include <istream>
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
#include "frontend/IEMorelStream.h"
#include "functions/StandardControl.h"

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

// A new engine with the default packages, the options' watches and strategy,
// its standard output on Out and its standard input from Input (when given).
std::unique_ptr<TInferenceEngine> MakeEngine(const TCliOptions& options, std::ostream& out,
                                             TLineReader* input) {
  auto engine = std::make_unique<TInferenceEngine>();
  engine->OnPrintOut = [&out](TObject*, const std::string&, const std::string& text) {
    out.write(text.data(), std::streamsize(text.size()));
    out.flush();
  };
  if (input) ConnectInput(*engine, *input);
  engine->SetStrategy(options.Strategy);
  engine->SetWatch(options.Watches);
  return engine;
}

// Runs Load (the program's text), then the -e texts, Reset and Run. An error
// prints its message on Err and gives 1; an exit request ends quietly.
template <class TLoad>
int RunProgram(const TCliOptions& options, std::ostream& out, std::ostream& err,
               TLineReader* input, TLoad&& load) {
  std::unique_ptr<TInferenceEngine> engine = MakeEngine(options, out, input);
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
    return 0;
  } catch (const std::exception& e) {
    out.flush();
    err << ErrorReport(e);
    return 1;
  }
  return 0;
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

int RunShell(const TCliOptions& options, TLineReader& input, std::ostream& out,
             std::ostream& err) {
  TTerminalDialogs dialogs(input, out);  // outlives the engine that uses it
  std::unique_ptr<TInferenceEngine> engine = MakeEngine(options, out, &input);
  engine->SetDialogHost(&dialogs);
  try {
    engine->Clear();
    for (const std::string& file : options.Files) engine->LoadFromFile(file);
    engine->Reset();
  } catch (const std::exception& e) {
    err << ErrorReport(e);
  }
  std::string pending;
  std::string line;
  for (;;) {
    if (!input.ReadLine(pending.empty() ? "ie> " : "... ", line)) break;
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
    try {
      TInterruptHalts interrupt(*engine);
      engine->Evaluate(text);
    } catch (const EExitRequest&) {
      return 0;
    } catch (const std::exception& e) {
      out.flush();
      err << ErrorReport(e);
    }
  }
  out << '\n';
  return 0;
}
