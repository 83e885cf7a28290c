// The shell on a real terminal (a pseudo-terminal): Ctrl-C abandons the
// entry being typed, Tab completes the names the engine knows (functions,
// templates, globals, deffunctions, rules), Ctrl-D inside
// an unfinished entry reports it, and the history outlives the session.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "cli/LineReader.h"

namespace {

// The runner started on a pseudo-terminal, with HOME in a folder of its own.
class TTerminalSession {
 public:
  explicit TTerminalSession(const std::string& home) {
    pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      setenv("HOME", home.c_str(), 1);
      setenv("TERM", "dumb", 1);
      execl(IE_RUNNER, IE_RUNNER, static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~TTerminalSession() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }
  bool Started() const { return pid_ > 0 && master_ >= 0; }

  void Type(const std::string& keys) { (void)!write(master_, keys.data(), keys.size()); }

  // Reads until Text has appeared since the last call (true), or 10 s pass.
  bool WaitFor(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (seen_.find(text, from_) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline || !ReadSome(100)) return false;
    }
    from_ = seen_.find(text, from_) + text.size();
    return true;
  }
  const std::string& Seen() const { return seen_; }

  // Waits until the line editor has the terminal in raw mode (true), or 10 s
  // pass. A key typed earlier reaches the terminal's own line discipline
  // instead: Ctrl-D there becomes an end of file the editor never sees as a key.
  // The master side reports the terminal settings the shell's side has.
  bool WaitForRawMode() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    termios settings{};
    while (tcgetattr(master_, &settings) == 0 && (settings.c_lflag & ICANON) != 0) {
      if (std::chrono::steady_clock::now() > deadline || !ReadSome(20)) return false;
    }
    return (settings.c_lflag & ICANON) == 0;
  }

  // The exit status once the shell has ended by itself.
  int ExitStatus() {
    int status = 0;
    if (waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  // Appends what the shell printed within Milliseconds to what was seen;
  // false once the shell's side is closed.
  bool ReadSome(int milliseconds) {
    pollfd fd{master_, POLLIN, 0};
    if (poll(&fd, 1, milliseconds) <= 0) return true;
    char buffer[512];
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n <= 0) return false;
    seen_.append(buffer, size_t(n));
    return true;
  }

  int master_ = -1;
  pid_t pid_ = -1;
  std::string seen_;
  size_t from_ = 0;
};

}  // namespace

TEST(ShellTerminalTest, CtrlCTabCtrlDAndHistory) {
  if (!LineEditingBuiltIn()) GTEST_SKIP() << "built without line editing";
  const std::filesystem::path home =
      std::filesystem::path(::testing::TempDir()) / ("ie_shell_home_" + std::to_string(getpid()));
  std::filesystem::create_directories(home);
  {
    TTerminalSession shell(home.string());
    ASSERT_TRUE(shell.Started());
    ASSERT_TRUE(shell.WaitFor("ie> "));
    // Ctrl-C in the middle of an entry: a fresh prompt, the shell goes on.
    shell.Type("(+ 1\r");
    ASSERT_TRUE(shell.WaitFor("... "));
    shell.Type("\x03");
    ASSERT_TRUE(shell.WaitFor("ie> ")) << shell.Seen();
    shell.Type("(* 6 7)\r");
    ASSERT_TRUE(shell.WaitFor("42")) << shell.Seen();
    // Tab completes a function name and a template defined in the session.
    shell.Type("(deftemplate parcel (slot id))\r");
    ASSERT_TRUE(shell.WaitFor("ie> "));
    ASSERT_TRUE(shell.WaitForRawMode()) << shell.Seen();
    shell.Type("(ppdeftempl\t");
    ASSERT_TRUE(shell.WaitFor("ppdeftemplate")) << shell.Seen();
    shell.Type("parc\t");
    ASSERT_TRUE(shell.WaitFor("parcel")) << shell.Seen();
    shell.Type(")\r");
    ASSERT_TRUE(shell.WaitFor("(deftemplate parcel")) << shell.Seen();
    // A global, a deffunction and a rule defined in the session complete too.
    shell.Type("(defglobal ?*weight-limit* = 30)\r");
    shell.Type("(deffunction parcel-cost (?w) (* ?w 2))\r");
    shell.Type("(defrule heavy-parcel (parcel (id ?i)) => (printout t ?i crlf))\r");
    // The constructs print nothing: a sum marks the prompt after them.
    shell.Type("(+ 100 23)\r");
    ASSERT_TRUE(shell.WaitFor("123")) << shell.Seen();
    ASSERT_TRUE(shell.WaitFor("ie> ")) << shell.Seen();
    ASSERT_TRUE(shell.WaitForRawMode()) << shell.Seen();
    shell.Type("(parcel-c\t");
    ASSERT_TRUE(shell.WaitFor("parcel-cost")) << shell.Seen();
    shell.Type("?*weig\t");
    ASSERT_TRUE(shell.WaitFor("?*weight-limit*")) << shell.Seen();
    shell.Type(")\r");
    ASSERT_TRUE(shell.WaitFor("60")) << shell.Seen();
    shell.Type("(ppdefrule heavy\t");
    ASSERT_TRUE(shell.WaitFor("heavy-parcel")) << shell.Seen();
    shell.Type(")\r");
    ASSERT_TRUE(shell.WaitFor("(defrule heavy-parcel")) << shell.Seen();
    // Ctrl-D inside an unfinished entry says what it drops, and ends.
    shell.Type("(+ 2\r");
    ASSERT_TRUE(shell.WaitFor("... "));
    ASSERT_TRUE(shell.WaitForRawMode()) << shell.Seen();
    shell.Type("\x04");
    ASSERT_TRUE(shell.WaitFor("dropped: (+ 2")) << shell.Seen();
    EXPECT_EQ(shell.ExitStatus(), 0);
  }
  std::ifstream history(home / ".ie_history");
  std::stringstream kept;
  kept << history.rdbuf();
  EXPECT_NE(kept.str().find("parcel"), std::string::npos) << kept.str();
  std::filesystem::remove_all(home);
}
