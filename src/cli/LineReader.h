// Line input of the shell and of a rule program's reads from the terminal.
// TLineReader is the contract: show a prompt, hand back one line without its
// line end, false at the end of input. TStreamLineReader is the plain reader
// over a std::istream; MakeTerminalLineReader gives the reader with line
// editing and history when the build has the editing library and the
// terminal is there, else a plain reader over std::cin.
// Ownership: a stream reader borrows its streams. Thread-safety: one reader
// per thread; the editing reader uses process-wide terminal state, so at most
// one of those exists at a time.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class TLineReader {
 public:
  virtual ~TLineReader() = default;
  // Shows Prompt and reads the next line into Line (its CR or LF dropped);
  // false, with Line empty, when the input has ended.
  virtual bool ReadLine(const std::string& prompt, std::string& line) = 0;
  // True when the last ReadLine ended because the user pressed Ctrl-C (the
  // line is then abandoned, not the input).
  virtual bool WasInterrupted() const { return false; }
  // Keeps Line for recall with the arrow keys; readers without history ignore it.
  virtual void AddHistory(const std::string& /*line*/) {}
  // The words Tab completes (asked for at each completion); readers without
  // editing ignore it.
  using TWords = std::function<std::vector<std::string>()>;
  virtual void SetCompletionWords(TWords /*words*/) {}
};

class TStreamLineReader : public TLineReader {
 public:
  // Prompts go to PromptOut when it is given, else nowhere.
  explicit TStreamLineReader(std::istream& in, std::ostream* promptOut = nullptr)
      : in_(in), promptOut_(promptOut) {}
  bool ReadLine(const std::string& prompt, std::string& line) override;

 private:
  std::istream& in_;
  std::ostream* promptOut_;
};

// True when this build edits terminal lines with the editing library.
bool LineEditingBuiltIn();

// The file the editing reader keeps its history in between sessions:
// ~/.ie_history (none without HOME). At most HistoryLimit lines are kept.
std::string HistoryFileName();
constexpr int HistoryLimit = 1000;

// The reader of standard input: the editing reader when LineEditingBuiltIn()
// and standard input and output are a terminal, else a TStreamLineReader over
// std::cin prompting on std::cout.
std::unique_ptr<TLineReader> MakeTerminalLineReader();
