#include "cli/LineReader.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>

#include <iostream>
#include <istream>
#include <ostream>

#ifdef IE_HAVE_EDITLINE
#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <poll.h>

#include <cerrno>

#include <editline/readline.h>
#endif

std::string HistoryFileName() {
  const char* home = std::getenv("HOME");
  return home && *home ? std::string(home) + "/.ie_history" : std::string();
}

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

volatile std::sig_atomic_t interrupted = 0;

extern "C" void NoteInterrupt(int) { interrupted = 1; }

// The editor's key reader. An interrupt that arrives before the editor waits
// for a key (while it draws the prompt, say) would otherwise be noticed only
// after the next key: the wait lets the signal in only while it sleeps, so
// the check of the flag and the wait cannot miss it. End of input on an
// interrupt makes the editor give the line up.
int ReadKey(FILE* in) {
  sigset_t interrupt, unblocked;
  sigemptyset(&interrupt);
  sigaddset(&interrupt, SIGINT);
  if (sigprocmask(SIG_BLOCK, &interrupt, &unblocked) != 0) return EOF;
  const int fd = fileno(in);
  bool ready = false;
  while (!interrupted && !ready) {
    pollfd wait{fd, POLLIN, 0};
    const int result = ppoll(&wait, 1, nullptr, &unblocked);
    if (result > 0) ready = true;
    else if (result < 0 && errno != EINTR) break;
  }
  sigprocmask(SIG_SETMASK, &unblocked, nullptr);
  if (!ready || interrupted) return EOF;
  unsigned char key = 0;
  ssize_t got;
  do got = read(fd, &key, 1);
  while (got < 0 && errno == EINTR && !interrupted);
  return got == 1 && !interrupted ? int(key) : EOF;
}

// The words of the reader being used, for the library's completion callbacks.
TLineReader::TWords completionWords;

char* NextCompletion(const char* prefix, int state) {
  static std::vector<std::string> matches;
  static size_t next = 0;
  if (state == 0) {
    matches.clear();
    next = 0;
    if (completionWords) {
      const std::string start(prefix);
      for (std::string& word : completionWords())
        if (word.compare(0, start.size(), start) == 0) matches.push_back(std::move(word));
      std::sort(matches.begin(), matches.end());
      matches.erase(std::unique(matches.begin(), matches.end()), matches.end());
    }
  }
  if (next >= matches.size()) return nullptr;
  return strdup(matches[next++].c_str());
}

char** CompleteWord(const char* text, int /*start*/, int /*end*/) {
  rl_attempted_completion_over = 1;  // no file names
  return rl_completion_matches(text, NextCompletion);
}

// The editing library's reader: the prompt and the line being edited are drawn
// on the terminal by the library; lines handed to AddHistory can be recalled,
// also in later sessions, and Tab completes the words it is given.
class TEditLineReader : public TLineReader {
 public:
  TEditLineReader() : historyFile_(HistoryFileName()) {
    // The library needs the terminal's character set to edit multi-byte
    // characters; only the character classes are taken from the environment,
    // so number texts and collation stay as they are.
    std::setlocale(LC_CTYPE, "");
    rl_getc_function = ReadKey;  // before the library sets itself up
    using_history();
    stifle_history(HistoryLimit);
    if (!historyFile_.empty()) read_history(historyFile_.c_str());
    // Words end at blanks and parentheses; "?" and "$" belong to them.
    rl_basic_word_break_characters = const_cast<char*>(" \t\n()\"");
    rl_attempted_completion_function = CompleteWord;
  }
  ~TEditLineReader() override {
    if (!historyFile_.empty()) write_history(historyFile_.c_str());
    clear_history();
    rl_attempted_completion_function = nullptr;
    completionWords = nullptr;
  }

  void SetCompletionWords(TWords words) override { completionWords = std::move(words); }
  bool WasInterrupted() const override { return wasInterrupted_; }

  bool ReadLine(const std::string& prompt, std::string& line) override {
    std::cout.flush();  // print-out of the program goes first
    // Ctrl-C while a line is edited abandons the line: the signal only
    // interrupts the terminal read, which then ends the line.
    struct sigaction action {}, previous {};
    action.sa_handler = NoteInterrupt;
    sigemptyset(&action.sa_mask);
    interrupted = 0;
    const bool caught = sigaction(SIGINT, &action, &previous) == 0;
    char* text = readline(prompt.c_str());
    if (caught) sigaction(SIGINT, &previous, nullptr);
    wasInterrupted_ = interrupted != 0;
    if (!text || wasInterrupted_) {
      std::free(text);
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
  std::string historyFile_;
  std::string last_;
  bool wasInterrupted_ = false;
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
