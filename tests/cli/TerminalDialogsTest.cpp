// The terminal's dialogs: prompts and answers through a line reader, and the
// shell showing the dialog functions' dialogs between its own entries.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/LineReader.h"
#include "cli/Runner.h"
#include "cli/TerminalDialogs.h"

namespace {

TEST(TerminalDialogsTest, AnswersDefaultsRetriesAndTheEndOfInput) {
  std::istringstream in("\nbad\nyes to all\n3\nok\n");
  std::ostringstream out;
  TStreamLineReader reader(in, &out);
  TTerminalDialogs dialogs(reader, out);
  std::string text;
  EXPECT_TRUE(dialogs.InputBox("", "Name", "Bob", text));
  EXPECT_EQ(text, "Bob") << "an empty line takes the default";
  EXPECT_EQ(dialogs.MessageDlg("Copy?", mtWarning, {mbYes, mbNo, mbYesToAll}, 0), mrYesToAll)
      << "a choice by caption, after one that fits no button";
  EXPECT_EQ(dialogs.MessageDlg("Ok?", mtCustom, {}, 0), mrOk) << "no buttons offer OK";
  EXPECT_EQ(out.str(),
            "Name [Bob]: Warning: Copy?\n  1) Yes  2) No  3) Yes to All\n"
            "Choose 1-3: Choose 1-3: Ok?\n  1) OK\nChoose 1-1: Choose 1-1: ");
  EXPECT_FALSE(dialogs.InputBox("Cap", "Again", "", text)) << "the input has ended";
  EXPECT_EQ(dialogs.MessageDlg("Gone?", mtError, {mbYes}, 0), mrCancel);
}

TEST(TerminalDialogsTest, ShellShowsTheDialogsOfItsPrograms) {
  std::istringstream in(
      "(input-query \"Who\" \"Name\" \"Bob\")\nAl\n"
      "(message-dlg \"Go?\" mtConfirmation \"[mbYes, mbNo]\")\n2\n"
      "(show-message \"done\")\n");
  std::ostringstream out, err;
  EXPECT_EQ(RunShell(TCliOptions(), in, out, err), 0);
  EXPECT_EQ(out.str(),
            "ie> Who\nName [Bob]: \"Al\"\r\n"
            "ie> Confirmation: Go?\n  1) Yes  2) No\nChoose 1-2: mrNo\r\n"
            "ie> done\nie> \n");
  EXPECT_EQ(err.str(), "");
}

}  // namespace
