// The I/O and file functions of the standard package, called as rule text in
// a real engine: printout, format, open, close, read, readline, the file
// commands and the function table.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "engine/InferenceEngine.h"
#include "support/ScratchFiles.h"
#include "packages/StandardIO.h"

namespace {

namespace fs = std::filesystem;

using testfiles::ReadFile;
using testfiles::WriteFile;

class StandardIOTest : public ::testing::Test {
 protected:
  StandardIOTest() {
    engine.SetPackages(TFunctionPackages{pStandard});
    engine.OnPrintOut = [this](TObject*, const std::string& outId, const std::string& text) {
      outIds.push_back(outId);
      printed += text;
    };
  }
  std::string Path(const char* name) const { return (dir / name).string(); }
  // Evaluates a call written with @ standing for the test's directory.
  std::string Call(std::string text) {
    for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at))
      text.replace(at, 1, dir.string() + "/");
    return engine.EvaluateFunCall(text)->AsText();
  }
  std::string ErrorOf(const std::string& text) {
    try {
      Call(text);
    } catch (const std::exception& e) {
      return e.what();
    }
    return "no error";
  }

  testfiles::TScratchDir scratch{"ie-stdio-"};
  const fs::path& dir = scratch.Path();
  TInferenceEngine engine;
  std::vector<std::string> outIds;
  std::string printed;
};

}  // namespace

TEST(StandardIOTable, NamesLimitsAndHelpTexts) {
  struct TRow {
    const char* ClassName;
    const char* Name;
    int32_t Min;
    int32_t Max;
    const char* Syntax;
  };
  const TRow rows[] = {
      {"TOpenFunction", "open", 2, 3, "(open <filename> <logical-name> [a|r|w|r+])"},
      {"TCloseFunction", "close", 0, UnlimitedArguments, "(close [<logical-name>+])"},
      {"TReadFunction", "read", 0, 1, "(read [<logical-name>])"},
      {"TReadLineFunction", "readline", 0, 1, "(readline [<logical-name>])"},
      {"TPrintOutFunction", "printout", 0, UnlimitedArguments,
       "(printout <logical-name> <expression>*)"},
      {"TFormatFunction", "format", 2, UnlimitedArguments,
       "(format <logical-name> <string-expression> <expression>*)"},
      {"TLoadFunction", "load", 1, 1, "(load <filename>)"},
      {"TSaveFunction", "save", 1, 1, "(save <filename>)"},
      {"TLoadFactsFunction", "load-facts", 1, 1, "(load-facts <filename>)"},
      {"TSaveFactsFunction", "save-facts", 1, UnlimitedArguments,
       "(save-facts <file-name> [<fact-template-name>+])"},
      {"TBatchFunction", "batch", 1, 1, "(batch <filename>)"},
      {"TDribbleOnFunction", "dribble-on", 1, 1, "(dribble-on <filename>)"},
      {"TDribbleOffFunction", "dribble-off", 0, 0, "(dribble-off)"},
      {"TRemoveFunction", "remove", 1, 1, "(remove [<file-name>])"},
      {"TRenameFunction", "rename", 2, 2, "(rename [<old-file-name> <new-file-name>])"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.ClassName);
    IUserFunction function = CreateStandardIOFunction(row.ClassName);
    ASSERT_TRUE(function);
    EXPECT_EQ(function->ClassName(), row.ClassName);
    EXPECT_EQ(function->FunctionName(), row.Name);
    EXPECT_EQ(function->MinArgumentCount(), row.Min);
    EXPECT_EQ(function->MaxArgumentCount(), row.Max);
    const std::string comment = function->Comment();
    const std::string tail = std::string("\r\n     syntax: ") + row.Syntax;
    ASSERT_GE(comment.size(), tail.size());
    EXPECT_EQ(comment.substr(comment.size() - tail.size()), tail);
  }
  EXPECT_FALSE(CreateStandardIOFunction("TNoSuchFunction"));
  const std::string openHelp = CreateStandardIOFunction("TOpenFunction")->Comment();
  EXPECT_NE(openHelp.find("\r\nr     read only (default)\r\nw     write only\r\na     append\r\n"
                          "r+    read and write\r\n"),
            std::string::npos);
}

TEST_F(StandardIOTest, PrintoutJoinsItsArgumentsIntoOneText) {
  EXPECT_EQ(engine.EvaluateFunCall("(printout t \"a\" crlf b 1 2.5)"), NilValue());
  EXPECT_EQ(printed, "a\r\nb12.5");
  EXPECT_EQ(outIds, (std::vector<std::string>{"t"}));
  printed.clear();
  Call("(printout t (create$ 1 2))");
  EXPECT_EQ(printed, "(1 2)");
  printed.clear();
  Call("(printout)");
  EXPECT_EQ(outIds.back(), "");
  EXPECT_EQ(ErrorOf("(printout nowhere x)"), "no error");  // the handler takes it
  engine.OnPrintOut = nullptr;
  EXPECT_EQ(ErrorOf("(printout nowhere x)"), "Function is unimplemented or unassigned: printout");
}

TEST_F(StandardIOTest, FormatFillsDirectivesInOrder) {
  Call("(format t \"%s-%s\" x y)");
  EXPECT_EQ(printed, "x-y");
  printed.clear();
  Call("(format t \"%s\" x y)");
  EXPECT_EQ(printed, "x y");
  printed.clear();
  Call("(format t \"a%nb\")");
  EXPECT_EQ(printed, "a\r\nb");
  printed.clear();
  Call("(format t \"%n[%-4s|%3s]%n\" 7 2.5)");
  EXPECT_EQ(printed, "\r\n[7   |2.5]\r\n");
  printed.clear();
  Call("(format t \"%s left %s\" (create$ a b))");
  EXPECT_EQ(printed, "(a b) left %s");
  EXPECT_EQ(ErrorOf("(format t \"%d\" 5)"), "Format '%d' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf("(format t \"100%\" 5)"),
            "Format '100%' invalid or incompatible with argument");
}

TEST_F(StandardIOTest, OpenWritesReadsAndCloses) {
  WriteFile(dir / "old.txt", "old contents");
  EXPECT_EQ(Call("(open \"@old.txt\" Out w)"), "Out");
  EXPECT_EQ(ReadFile(dir / "old.txt"), "");  // emptied
  Call("(printout out \"first line\" crlf \"second\" crlf)");
  EXPECT_EQ(Call("(close OUT)"), "TRUE");
  EXPECT_EQ(ReadFile(dir / "old.txt"), "first line\r\nsecond\r\n");
  EXPECT_TRUE(printed.empty());

  Call("(open \"@old.txt\" in)");
  EXPECT_EQ(Call("(read in)"), "first");
  EXPECT_EQ(Call("(readline in)"), "\"second\"");
  EXPECT_EQ(Call("(readline in)"), "EOF");
  EXPECT_EQ(Call("(read in)"), "EOF");
  Call("(close in)");
  EXPECT_EQ(ErrorOf("(close in)"), "Invalid stream name: in");
}

TEST_F(StandardIOTest, AppendKeepsWhatTheFileHolds) {
  WriteFile(dir / "log.txt", "one\r\n");
  Call("(open \"@log.txt\" log a)");
  Call("(printout log two crlf)");
  Call("(close log)");
  EXPECT_EQ(ReadFile(dir / "log.txt"), "one\r\ntwo\r\n");
  Call("(open \"@new.txt\" log a)");
  Call("(printout log three)");
  Call("(close)");
  EXPECT_EQ(ReadFile(dir / "new.txt"), "three");
}

TEST_F(StandardIOTest, OpenRejectsBadModesAndMissingFiles) {
  EXPECT_EQ(ErrorOf("(open \"@x.txt\" x x)"), "Invalid File Access Specifier: \"x\"");
  EXPECT_FALSE(fs::exists(dir / "x.txt"));
  EXPECT_NE(ErrorOf("(open \"@absent.txt\" in)"), "no error");
  EXPECT_EQ(engine.IOStreams().Count(), 0);
}

TEST_F(StandardIOTest, CloseWithoutArgumentsClosesEveryStream) {
  Call("(open \"@a.txt\" a w)");
  Call("(open \"@b.txt\" b w)");
  Call("(printout b \"kept\")");
  EXPECT_EQ(engine.IOStreams().Count(), 2);
  EXPECT_EQ(Call("(close)"), "TRUE");
  EXPECT_EQ(engine.IOStreams().Count(), 0);
  EXPECT_EQ(ReadFile(dir / "b.txt"), "kept");
}

TEST_F(StandardIOTest, StandardInputReadsComeFromTheHost) {
  std::string typed = "";
  engine.OnReadLine = [&](TObject*, const std::string&, std::string& text) { text = typed; };
  EXPECT_EQ(Call("(readline)"), "EOF");
  typed = "some words";
  EXPECT_EQ(Call("(readline t)"), "\"some words\"");
  engine.OnReadToken = [](TObject*, const std::string&, IStreamToken& token) {
    token = MakeRef<TIEStreamToken>(dtInteger, "42", 0, 42);
  };
  EXPECT_EQ(Call("(read)"), "42");
  engine.OnReadToken = [](TObject*, const std::string&, IStreamToken&) {};
  EXPECT_EQ(Call("(read)"), "EOF");
}

TEST_F(StandardIOTest, FactFileCommands) {
  engine.Evaluate("(deftemplate p (slot n)) (deftemplate q (slot m))");
  engine.AssertString("(p (n 1))");
  engine.AssertString("(q (m 2))");
  EXPECT_EQ(Call("(save-facts \"@qp.txt\" q p)"), "TRUE");
  EXPECT_EQ(ReadFile(dir / "qp.txt"), "(q (m 2))\r\n(p (n 1))\r\n");
  EXPECT_EQ(Call("(save-facts \"@all.txt\")"), "TRUE");
  engine.Reset();
  const int32_t base = engine.FactCount();
  EXPECT_EQ(Call("(load-facts \"@qp.txt\")"), "TRUE");
  EXPECT_EQ(engine.FactCount(), base + 2);
  EXPECT_NE(ErrorOf("(load-facts \"@absent.txt\")"), "no error");
}

TEST_F(StandardIOTest, LoadBatchAndDribble) {
  WriteFile(dir / "prog.ie", "(deftemplate loaded (slot a))\r\n(printout t \"loading\" crlf)\r\n");
  EXPECT_EQ(Call("(load \"@prog.ie\")"), "TRUE");
  EXPECT_TRUE(engine.FindFactTemplate("loaded"));
  EXPECT_NE(printed.find("loading\r\n"), std::string::npos);

  WriteFile(dir / "cmds.bat", "(printout t \"batched\" crlf)\r\n");
  EXPECT_EQ(Call("(dribble-on \"@dribble.txt\")"), "TRUE");
  printed.clear();
  EXPECT_EQ(Call("(batch \"@cmds.bat\")"), "TRUE");
  EXPECT_EQ(Call("(dribble-off)"), "TRUE");
  EXPECT_TRUE(printed.empty());
  EXPECT_NE(ReadFile(dir / "dribble.txt").find("batched\r\n"), std::string::npos);
  EXPECT_EQ(Call("(dribble-on \"@no/such/dir.txt\")"), "FALSE");
}

TEST_F(StandardIOTest, SavedProgramAndFactsLoadBackToTheSameState) {
  engine.Evaluate(
      "(deftemplate p (slot n)) (deffunction twice (?x) (* ?x 2))"
      " (defrule r (p (n ?v)) => (printout t (twice ?v))) (deffacts s (p (n 1)))"
      " (defglobal ?*g* = 3)");
  engine.Reset();
  engine.AssertString("(p (n 2))");
  EXPECT_EQ(Call("(save \"@saved.ie\")"), "TRUE");
  EXPECT_EQ(ReadFile(dir / "saved.ie"), engine.GetText());
  EXPECT_EQ(Call("(save-facts \"@facts.txt\")"), "TRUE");

  TInferenceEngine other;
  other.SetPackages(TFunctionPackages{pStandard});
  other.Clear();
  other.EvaluateFunCall("(load \"" + Path("saved.ie") + "\")");
  EXPECT_EQ(other.GetText(), engine.GetText());
  other.Clear();
  other.EvaluateFunCall("(load \"" + Path("saved.ie") + "\")");
  other.Facts().Clear();
  other.EvaluateFunCall("(load-facts \"" + Path("facts.txt") + "\")");
  EXPECT_EQ(other.Facts().Text(), engine.Facts().Text());
  EXPECT_EQ(other.AgendaCount(), engine.AgendaCount());
  EXPECT_NE(ErrorOf("(save \"@no/such/dir.ie\")"), "no error");
}

TEST_F(StandardIOTest, RemoveAndRename) {
  WriteFile(dir / "a.txt", "a");
  WriteFile(dir / "b.txt", "b");
  EXPECT_EQ(Call("(rename \"@a.txt\" \"@b.txt\")"), "FALSE");  // never replaces
  EXPECT_EQ(ReadFile(dir / "b.txt"), "b");
  EXPECT_EQ(Call("(rename \"@a.txt\" \"@c.txt\")"), "TRUE");
  EXPECT_EQ(ReadFile(dir / "c.txt"), "a");
  EXPECT_EQ(Call("(rename \"@a.txt\" \"@d.txt\")"), "FALSE");
  EXPECT_EQ(Call("(remove \"@c.txt\")"), "TRUE");
  EXPECT_FALSE(fs::exists(dir / "c.txt"));
  EXPECT_EQ(Call("(remove \"@c.txt\")"), "FALSE");
}
