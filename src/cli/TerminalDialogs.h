// TTerminalDialogs: the dialogs of the dialog functions on a text terminal,
// read through the shell's line reader (so they share its line editing) and
// printed on its output. An input box prints its caption and reads one line
// after its prompt (an empty line takes the default, the end of input
// cancels); a message dialog prints the message and its numbered buttons and
// reads a choice, by number or by the button's caption, until one fits (the
// end of input answers mrCancel); a plain message is printed and needs no
// answer.
//
// Ownership: the reader and the stream are not owned and must outlive the
// object; the shell assigns it to its engine and keeps it as long as the
// engine. Thread-safety: one engine thread at a time, like its reader.
#pragma once

#include <iosfwd>
#include <string>

#include "packages/DialogHost.h"

class TLineReader;

class TTerminalDialogs : public IDialogHost {
 public:
  TTerminalDialogs(TLineReader& input, std::ostream& out) : input_(input), out_(out) {}

  bool InputBox(const std::string& caption, const std::string& prompt,
                const std::string& defaultText, std::string& text) override;
  int32_t MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons,
                     int32_t helpContext) override;
  void ShowMessage(const std::string& text) override;

 private:
  TLineReader& input_;
  std::ostream& out_;
};
