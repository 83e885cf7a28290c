// ie: runs rule programs from files or standard input, or an interactive shell.
#include <unistd.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/HugePages.h"
#include "cli/LineReader.h"
#include "cli/Runner.h"

int main(int argc, char** argv) {
  RestartWithHugePages(argv);
  std::ios::sync_with_stdio(false);
  TCliOptions options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!options.Error.empty()) {
    std::cerr << "ie: " << options.Error << '\n';
    return 2;
  }
  if (options.ShowHelp) {
    std::cout << UsageText();
    return 0;
  }
  if (options.ShowVersion) {
    std::cout << VersionText();
    return 0;
  }
  // Files run with standard input free for the program's reads; without
  // files a terminal gets the shell, and anything else is the program itself.
  if (options.Interactive) {
    std::unique_ptr<TLineReader> input = MakeTerminalLineReader();
    return RunShell(options, *input, std::cout, std::cerr);
  }
  options.ExitAfterRun = true;
  if (!options.Files.empty()) {
    std::unique_ptr<TLineReader> input = MakeTerminalLineReader();
    return RunFiles(options, std::cout, std::cerr, input.get());
  }
  if (isatty(STDIN_FILENO)) {
    std::unique_ptr<TLineReader> input = MakeTerminalLineReader();
    return RunShell(options, *input, std::cout, std::cerr);
  }
  return RunStream(options, std::cin, std::cout, std::cerr);
}
