// ie: runs rule programs from files or standard input, or an interactive shell.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/Runner.h"

int main(int argc, char** argv) {
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
  if (!options.Files.empty()) return RunFiles(options, std::cout, std::cerr);
  if (isatty(STDIN_FILENO)) return RunShell(options, std::cin, std::cout, std::cerr);
  return RunStream(options, std::cin, std::cout, std::cerr);
}
