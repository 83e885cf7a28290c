// IDialogHost: the modal dialogs the misc package's dialog functions show
// (input box, message dialog with a set of buttons, plain message). A host
// (the command-line shell, a desktop window) implements it and assigns it to
// an engine with SetDialogHost (IReasoner); the engine does not own it,
// and the host keeps it alive while the engine may run.
//
// The dialog types, buttons and modal results and the reading of a button-set
// text ("[mbYes, mbNo]") live here too, so hosts and the package agree on them.
// Thread-safety: a dialog blocks the engine's thread until the user answers;
// an implementation serves one engine thread at a time unless it says more.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/IEInterfaces.h"

enum TMsgDlgType : uint8_t { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn : uint8_t {
  mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp
};
using TMsgDlgButtons = TSet<TMsgDlgBtn>;

// The results a message dialog returns (the button that closed it).
enum TModalResult : int32_t {
  mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
  mrYes = 6, mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10
};

// "mtWarning" .. "mtCustom", in ordinal order.
const std::vector<std::string>& MsgDlgTypeNames();
// "mbYes" .. "mbHelp", in ordinal order.
const std::vector<std::string>& MsgDlgBtnNames();
// The dialog type named Name (exact), false when there is none.
bool MsgDlgTypeOf(std::string_view name, TMsgDlgType& type);
// Reads a set text: optional brackets around names separated by commas, blanks
// around the names ignored ("[mbYes, mbNo]", "mbOK", "[]"). EIEException
// "Invalid item for set: %s" naming the first member that is not a button.
TMsgDlgButtons ButtonsFromText(std::string_view text);
// The modal result a press of Button gives (mbHelp: mrNone).
TModalResult ModalResultOf(TMsgDlgBtn button);
// "mrOk" .. "mrYesToAll" for the results 1 .. 10, "mrHelp" for any other.
std::string ModalResultName(int32_t result);

class IDialogHost {
 public:
  virtual ~IDialogHost() = default;
  // Shows Caption, Prompt and an edit line holding Default. True with Text the
  // line when the user confirms, false when cancelled (Text then undefined).
  virtual bool InputBox(const std::string& caption, const std::string& prompt,
                        const std::string& defaultText, std::string& text) = 0;
  // Shows Message with the buttons; returns the modal result of the button
  // pressed (any other number stands for help).
  virtual int32_t MessageDlg(const std::string& message, TMsgDlgType type,
                             TMsgDlgButtons buttons, int32_t helpContext) = 0;
  // Shows Text with an OK button and waits until it is closed.
  virtual void ShowMessage(const std::string& text) = 0;
};
