#include "cli/TerminalDialogs.h"

#include <ostream>
#include <vector>

#include "cli/LineReader.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "core/TextCompare.h"

bool TTerminalDialogs::InputBox(const std::string& caption, const std::string& prompt,
                                const std::string& defaultText, std::string& text) {
  if (!caption.empty()) out_ << caption << '\n';
  out_ << std::flush;
  const std::string shown = defaultText.empty()
                                ? Format(STerminalInputPromptPlain, {prompt})
                                : Format(STerminalInputPrompt, {prompt, defaultText});
  if (!input_.ReadLine(shown, text)) {
    out_ << '\n';
    return false;
  }
  if (text.empty()) text = defaultText;
  return true;
}

int32_t TTerminalDialogs::MessageDlg(const std::string& message, TMsgDlgType type,
                                     TMsgDlgButtons buttons, int32_t /*helpContext*/) {
  // The buttons in their ordinal order; a dialog without any offers OK.
  std::vector<TMsgDlgBtn> offered;
  for (int b = mbYes; b <= mbHelp; ++b)
    if (buttons.Contains(TMsgDlgBtn(b))) offered.push_back(TMsgDlgBtn(b));
  if (offered.empty()) offered.push_back(mbOK);
  out_ << STerminalDialogTypes[type] << message << '\n';
  for (size_t i = 0; i < offered.size(); ++i)
    out_ << Format(STerminalButton, {int(i + 1), STerminalButtons[offered[i]]});
  out_ << '\n';
  out_ << std::flush;
  for (;;) {
    std::string answer;
    if (!input_.ReadLine(Format(STerminalChoose, {int(offered.size())}), answer)) {
      out_ << '\n';
      return mrCancel;
    }
    for (size_t i = 0; i < offered.size(); ++i)
      if (answer == std::to_string(i + 1) || SameText(answer, STerminalButtons[offered[i]]))
        return ModalResultOf(offered[i]);
  }
}

void TTerminalDialogs::ShowMessage(const std::string& text) { out_ << text << '\n' << std::flush; }
