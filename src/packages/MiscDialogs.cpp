// The dialog functions of the misc package and the names the dialogs share:
// dialog types, buttons, the button-set text and the modal results.
#include <string>
#include <string_view>
#include <vector>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "packages/BuiltinPackages.h"
#include "packages/DialogHost.h"
#include "functions/FunctionKit.h"
#include "functions/IEFunctionCall.h"
#include "packages/MiscPackage.h"
#include "values/IEContext.h"

// ---------------------------------------------------------------- names

const std::vector<std::string>& MsgDlgTypeNames() {
  static const std::vector<std::string> names = {"mtWarning", "mtError", "mtInformation",
                                                 "mtConfirmation", "mtCustom"};
  return names;
}

const std::vector<std::string>& MsgDlgBtnNames() {
  static const std::vector<std::string> names = {
      "mbYes",   "mbNo",  "mbOK",      "mbCancel",   "mbAbort", "mbRetry",
      "mbIgnore", "mbAll", "mbNoToAll", "mbYesToAll", "mbHelp"};
  return names;
}

bool MsgDlgTypeOf(std::string_view name, TMsgDlgType& type) {
  const std::vector<std::string>& names = MsgDlgTypeNames();
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == name) {
      type = TMsgDlgType(i);
      return true;
    }
  return false;
}

namespace {

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

TMsgDlgButtons ButtonsFromText(std::string_view text) {
  text = Trimmed(text);
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']')
    text = Trimmed(text.substr(1, text.size() - 2));
  TMsgDlgButtons buttons;
  if (text.empty()) return buttons;
  const std::vector<std::string>& names = MsgDlgBtnNames();
  for (;;) {
    const size_t comma = text.find(',');
    const std::string_view item = Trimmed(text.substr(0, comma));
    size_t i = 0;
    while (i < names.size() && names[i] != item) ++i;
    if (i == names.size()) throw EIEException(Format(SInvalidSetItem, {std::string(item)}));
    buttons.Include(TMsgDlgBtn(i));
    if (comma == std::string_view::npos) return buttons;
    text = text.substr(comma + 1);
  }
}

TModalResult ModalResultOf(TMsgDlgBtn button) {
  switch (button) {
    case mbYes: return mrYes;
    case mbNo: return mrNo;
    case mbOK: return mrOk;
    case mbCancel: return mrCancel;
    case mbAbort: return mrAbort;
    case mbRetry: return mrRetry;
    case mbIgnore: return mrIgnore;
    case mbAll: return mrAll;
    case mbNoToAll: return mrNoToAll;
    case mbYesToAll: return mrYesToAll;
    case mbHelp: break;
  }
  return mrNone;
}

std::string ModalResultName(int32_t result) {
  static const char* const names[] = {"mrOk",     "mrCancel", "mrAbort", "mrRetry",
                                      "mrIgnore", "mrYes",    "mrNo",    "mrAll",
                                      "mrNoToAll", "mrYesToAll"};
  if (result >= mrOk && result <= mrYesToAll) return names[result - mrOk];
  return "mrHelp";
}

// ---------------------------------------------------------------- the functions

namespace {

// The dialog host of the context's engine, else of the call's engine;
// EIEException "No dialog host is assigned for %s" naming Function.
IDialogHost& DialogHostOf(const TFunctionCall& funCall, TIEContext* context,
                          const TIEUserFunction& function) {
  IReasoner* reasoner = context ? dynamic_cast<IReasoner*>(context->Engine()) : nullptr;
  if (!reasoner) reasoner = funCall.GetEngine();
  IDialogHost* host = reasoner ? reasoner->DialogHost() : nullptr;
  if (!host) throw EIEException(Format(SNoDialogHost, {function.FunctionName()}));
  return *host;
}

// The text of argument Index, empty when the call has fewer arguments.
std::string OptionalText(const TFunctionCall& funCall, int32_t index, TIEContext* context) {
  return index < funCall.ArgumentCount() ? TextArgument(funCall, index, context) : std::string();
}

// Shows the input box of input-box and input-query; true when confirmed.
bool AskText(const TFunctionCall& funCall, TIEContext* context, const TIEUserFunction& function,
             std::string& defaultText, std::string& text) {
  IDialogHost& host = DialogHostOf(funCall, context, function);
  const std::string caption = OptionalText(funCall, 0, context);
  const std::string prompt = OptionalText(funCall, 1, context);
  defaultText = OptionalText(funCall, 2, context);
  return host.InputBox(caption, prompt, defaultText, text);
}

}  // namespace

TInputBoxFunction::TInputBoxFunction() {
  DescribeFunction(*this, "input-box", 0, 3, SInputBoxHelp, SInputBoxSyntax);
}

void TInputBoxFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  std::string defaultText;
  std::string text;
  const bool confirmed = AskText(funCall, context, *this, defaultText, text);
  result = TIEValue::MakeString(confirmed ? text : defaultText);
}

TInputQueryFunction::TInputQueryFunction() {
  DescribeFunction(*this, "input-query", 0, 3, SInputQueryHelp, SInputQuerySyntax);
}

void TInputQueryFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  std::string defaultText;
  std::string text;
  const bool confirmed = AskText(funCall, context, *this, defaultText, text);
  result = confirmed ? TIEValue::MakeString(text) : FalseAtom();
}

TMessageDlgFunction::TMessageDlgFunction() {
  DescribeFunction(*this, "message-dlg", 2, 4, SMessageDlgHelp, SMessageDlgSyntax);
}

void TMessageDlgFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IDialogHost& host = DialogHostOf(funCall, context, *this);
  const std::string message = TextArgument(funCall, 0, context);
  const std::string typeName = TextArgument(funCall, 1, context);
  TMsgDlgType type;
  if (!MsgDlgTypeOf(typeName, type))
    throw EIEException(Format(SInvalidDialogType, {FunctionName(), typeName}));
  // Two arguments leave the button set empty; the host shows its default.
  const TMsgDlgButtons buttons = ButtonsFromText(OptionalText(funCall, 2, context));
  const int32_t helpContext = funCall.ArgumentCount() > 3 ? IntegerArgument(funCall, 3, context) : 0;
  result = TIEValue::MakeAtom(ModalResultName(host.MessageDlg(message, type, buttons, helpContext)));
}

TShowMessageFunction::TShowMessageFunction() {
  DescribeFunction(*this, "show-message", 1, 1, SShowMessageHelp, SShowMessageSyntax);
}

void TShowMessageFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IDialogHost& host = DialogHostOf(funCall, context, *this);
  host.ShowMessage(TextArgument(funCall, 0, context));
  result = NilValue();
}

void RegisterMiscDialogsClasses() {
  RegisterFunctionClass<TInputBoxFunction>();
  RegisterFunctionClass<TInputQueryFunction>();
  RegisterFunctionClass<TMessageDlgFunction>();
  RegisterFunctionClass<TShowMessageFunction>();
}
