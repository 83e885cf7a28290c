// The misc package: its table of functions, the dialog functions with a
// recording host and without one, the button-set text, and the listing of
// every registered function in a real engine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PackageHarness.h"
#include "engine/InferenceEngine.h"
#include "packages/DialogHost.h"
#include "packages/MiscPackage.h"
#include "support/ExceptionText.h"

namespace {

// Answers every dialog from its fields and records what it was shown.
class TRecordingHost : public IDialogHost {
 public:
  bool InputBox(const std::string& caption, const std::string& prompt,
                const std::string& defaultText, std::string& text) override {
    shown = caption + "|" + prompt + "|" + defaultText;
    text = answer;
    return confirm;
  }
  int32_t MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons,
                     int32_t helpContext) override {
    shown = message + "|" + MsgDlgTypeNames()[type] + "|" + std::to_string(buttons.Mask()) +
            "|" + std::to_string(helpContext);
    return result;
  }
  void ShowMessage(const std::string& text) override { shown = text; }

  std::string answer = "typed";
  bool confirm = true;
  int32_t result = mrOk;
  std::string shown;
};

class MiscPackageTest : public ::testing::Test {
 protected:
  MiscPackageTest() { harness.reasoner.SetDialogHost(&host); }
  TRecordingHost host;
  TPackageHarness<TMiscPackage> harness;
};

TEST_F(MiscPackageTest, FunctionTable) {
  ExpectFunctionTable(harness, {
      {"TTimeFunction", "time", 0, 0, "(time)"},
      {"TAgendaFunction", "agenda", 0, 0, "(agenda)"},
      {"TGetDynamicCheckFunction", "get-dynamic-constraint-checking", 0, 0,
       "(get-dynamic-constraint-checking)"},
      {"TGetStaticCheckFunction", "get-static-constraint-checking", 0, 0,
       "(get-static-constraint-checking)"},
      {"TInputBoxFunction", "input-box", 0, 3,
       "(input-box [<caption-string> [<prompt-string> [<default-string>]]])"},
      {"TInputQueryFunction", "input-query", 0, 3,
       "(input-query [<caption-string> [<prompt-string> [<default-string>]]])"},
      {"TMessageDlgFunction", "message-dlg", 2, 4,
       "(message-dlg <string-expression> mtWarning|mtError|mtInformation|mtConfirmation|"
       "mtCustom <string-set-expression> [<integer-expression>])"},
      {"TShowMessageFunction", "show-message", 1, 1, "(show-message <string-expression> )"},
      {"TListRulesFunction", "list-defrules", 0, 0, "(list-defrules)"},
      {"TListFactSetsFunction", "list-deffacts", 0, 0, "(list-deffacts)"},
      {"TListFunctionsFunction", "list-deffunctions", 0, 0, "(list-deffunctions)"},
      {"TListTemplatesFunction", "list-deftemplates", 0, 0, "(list-deftemplates)"},
      {"TPrettyPrintFunction", "ppdeffacts", 1, 1, "(ppdeffacts <fact-set-name>)"},
      {"TPrettyPrintFunction", "ppdeffunction", 1, 1, "(ppdeffunction <function-name>)"},
      {"TPrettyPrintFunction", "ppdeftemplate", 1, 1, "(ppdeftemplate <fact-template-name>)"},
      {"TPrettyPrintFunction", "ppdefrule", 1, 1, "(ppdefrule <rule-name>)"},
      {"TResetGlobalsFunction", "set-reset-globals", 0, 1,
       "(set-reset-globals [<boolean-expression>])"},
      {"TSetGenFunction", "setgen", 1, 1, "(setgen <integer-expression>)"},
      {"TSetDynamicCheckFunction", "set-dynamic-constraint-checking", 1, 1,
       "(set-dynamic-constraint-checking <boolean-expression>)"},
      {"TSetStaticCheckFunction", "set-static-constraint-checking", 1, 1,
       "(set-static-constraint-checking <boolean-expression>)"},
      {"TShowFactsFunction", "facts", 0, 3,
       "(facts [<start-integer-expression> [<end-integer-expression> "
       "[<max-integer-expression>]]])"},
      {"TShowRulesFunction", "rules", 0, 1, "(rules[<logical-name>])"},
      {"TUnDefFactsFunction", "undeffacts", 1, 1, "(undeffacts <fact-set-name>)"},
      {"TUnDefFunctionFunction", "undeffunction", 1, 1, "(undeffunction <function-name>)"},
      {"TUnDefRuleFunction", "undefrule", 1, 1, "(undefrule <rule-name>)"},
      {"TUnDefTemplateFunction", "undeftemplate", 1, 1, "(undeftemplate <fact-template-name>)"},
  });
}

TEST_F(MiscPackageTest, PrettyPrinterUnderAnotherNameIsUnimplemented) {
  IUserFunction printer(new TPrettyPrintFunction());
  printer->SetFunctionName("ppother");
  IIEValue result;
  EXPECT_EQ(ClassAndMessageOf([&] { printer->Call(*harness.Call("ppother", {Atom("x")}), nullptr, result); }),
            "EIEException: Function is unimplemented or unassigned: ppother");
}

TEST_F(MiscPackageTest, InputBoxAndQueryShowTheirTextsAndMapTheAnswer) {
  EXPECT_EQ(harness.Eval("input-box", {Str("Title"), Str("Name?"), Str("Bob")})->AsText(),
            "\"typed\"");
  EXPECT_EQ(host.shown, "Title|Name?|Bob");
  EXPECT_EQ(harness.Eval("input-query", {Atom("t")})->AsText(), "\"typed\"");
  EXPECT_EQ(host.shown, "t||") << "absent texts are empty";
  host.confirm = false;
  EXPECT_EQ(harness.Eval("input-box", {Str("T"), Str("P"), Str("fallback")})->AsText(),
            "\"fallback\"");
  EXPECT_EQ(harness.Eval("input-query", {Str("T"), Str("P"), Str("fallback")}), FalseAtom());
}

TEST_F(MiscPackageTest, MessageDialogReadsTypeAndButtonsAndNamesTheResult) {
  host.result = mrYes;
  EXPECT_EQ(harness.Eval("message-dlg", {Str("Sure?"), Atom("mtConfirmation"),
                                         Str("[mbYes, mbNo,mbCancel ]"), Int(7)})->AsText(),
            "mrYes");
  const TMsgDlgButtons yesNoCancel{mbYes, mbNo, mbCancel};
  EXPECT_EQ(host.shown, "Sure?|mtConfirmation|" + std::to_string(yesNoCancel.Mask()) + "|7");
  host.result = mrYesToAll;
  EXPECT_EQ(harness.Eval("message-dlg", {Str("m"), Atom("mtWarning"), Str("mbOK")})->AsText(),
            "mrYesToAll");
  EXPECT_EQ(host.shown, "m|mtWarning|" + std::to_string(TMsgDlgButtons{mbOK}.Mask()) + "|0");
  host.result = 99;
  EXPECT_EQ(harness.Eval("message-dlg", {Str("m"), Atom("mtCustom"), Str("[]")})->AsText(),
            "mrHelp");
  EXPECT_EQ(harness.Error("message-dlg", {Str("m"), Atom("mtError"), Str("[mbYes, mbMaybe]")}),
            "EIEException: Invalid item for set: mbMaybe");
  EXPECT_EQ(harness.Error("message-dlg", {Str("m"), Atom("mtLoud"), Str("[mbOK]")}),
            "EIEException: Invalid dialog type for message-dlg: \"mtLoud\", expected mtWarning, "
            "mtError, mtInformation, mtConfirmation or mtCustom");
}

TEST_F(MiscPackageTest, ShowMessageShowsTheText) {
  EXPECT_EQ(harness.Eval("show-message", {Int(42)}), NilValue());
  EXPECT_EQ(host.shown, "42");
}

TEST_F(MiscPackageTest, DialogsWithoutHostRaiseNamingTheFunction) {
  harness.reasoner.SetDialogHost(nullptr);
  EXPECT_EQ(harness.Error("input-box"), "EIEException: No dialog host is assigned for input-box");
  EXPECT_EQ(harness.Error("input-query"),
            "EIEException: No dialog host is assigned for input-query");
  EXPECT_EQ(harness.Error("message-dlg", {Str("m"), Atom("mtError")}),
            "EIEException: No dialog host is assigned for message-dlg");
  EXPECT_EQ(harness.Error("show-message", {Str("m")}),
            "EIEException: No dialog host is assigned for show-message");
}

TEST(MiscPackageEngine, ListDeffunctionsNamesEveryRegisteredFunction) {
  TInferenceEngine engine;
  engine.SetPackages({pMiscellaneous});
  std::string output;
  engine.OnPrintOut = [&output](TObject*, const std::string&, const std::string& text) {
    output += text;
  };
  engine.Evaluate("(deffunction aaa () 1)");
  engine.Evaluate("(list-deffunctions)");
  const std::string total = "for a total of 27 deffunctions.\r\n";
  ASSERT_GE(output.size(), total.size());
  EXPECT_EQ(output.substr(output.size() - total.size()), total);
  EXPECT_EQ(output.substr(0, 13), "aaa\r\nagenda\r\n") << "sorted";
}

}  // namespace
