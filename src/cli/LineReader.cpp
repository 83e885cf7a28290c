#include "cli/LineReader.h"

#include <unistd.h>

#include <iostream>
#include <istream>
#include <ostream>

#ifdef IE_HAVE_EDITLINE
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include <editline/readline.h>
#endif

bool TStreamLineReader::ReadLine(const std::string& prompt, std::string& line) {
  if (promptOut_ && !prompt.empty()) *promptOut_ << prompt << std::flush;
  if (!std::getline(in_, line)) {
    line.clear();
    return false;
  }
  // A CR LF line end leaves its CR behind getline.
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

#ifdef IE_HAVE_EDITLINE

namespace {

// The editing library's reader: the prompt and the line being edited are drawn
// on the terminal by the library; lines handed to AddHistory can be recalled.
class TEditLineReader : public TLineReader {
 public:
  TEditLineReader() {
    // The library needs the terminal's character set to edit multi-byte
    // characters; only the character classes are taken from the environment,
    // so number texts and collation stay as they are.
    std::setlocale(LC_CTYPE, "");
    using_history();
  }
  ~TEditLineReader() override { clear_history(); }

  bool ReadLine(const std::string& prompt, std::string& line) override {
    std::cout.flush();  // print-out of the program goes first
    char* text = readline(prompt.c_str());
    if (!text) {
      line.clear();
      return false;
    }
    line.assign(text);
    std::free(text);
    return true;
  }

  void AddHistory(const std::string& line) override {
    if (line.empty() || line == last_) return;  // no blank or repeated entries
    add_history(line.c_str());
    last_ = line;
  }

 private:
  std::string last_;
};

}  // namespace

bool LineEditingBuiltIn() { return true; }

std::unique_ptr<TLineReader> MakeTerminalLineReader() {
  if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)) return std::make_unique<TEditLineReader>();
  return std::make_unique<TStreamLineReader>(std::cin, &std::cout);
}

#else

bool LineEditingBuiltIn() { return false; }

std::unique_ptr<TLineReader> MakeTerminalLineReader() {
  return std::make_unique<TStreamLineReader>(std::cin, &std::cout);
}

#endif
