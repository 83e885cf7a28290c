// The command line: options, the completeness test of shell input, and whole
// runs of programs from text and files.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "cli/CliOptions.h"
#include "cli/HugePages.h"
#include "cli/InterruptHalts.h"
#include "cli/LineReader.h"
#include "cli/ProgramWarnings.h"
#include "cli/Runner.h"
#include "core/Exceptions.h"
#include "engine/InferenceEngine.h"
#include "frontend/IEParseException.h"

TEST(CliOptionsTest, FilesEvaluationsWatchesAndStrategy) {
  TCliOptions o = ParseCommandLine({"a.ie", "-e", "(f)", "--watch", "facts", "--watch", "rules",
                                    "--strategy", "breadth", "--no-run", "b.ie", "-e", "(g)"});
  EXPECT_TRUE(o.Error.empty()) << o.Error;
  EXPECT_EQ(o.Files, (std::vector<std::string>{"a.ie", "b.ie"}));
  EXPECT_EQ(o.Evaluations, (std::vector<std::string>{"(f)", "(g)"}));
  EXPECT_TRUE(o.Watches.Contains(cwFact));
  EXPECT_TRUE(o.Watches.Contains(cwRule));
  EXPECT_FALSE(o.Watches.Contains(cwActivation));
  EXPECT_EQ(o.Strategy, ssBreadthFirst);
  EXPECT_FALSE(o.Run);

  TCliOptions all = ParseCommandLine({"--watch", "all", "--", "-odd-name.ie"});
  for (TConstructWatch w : {cwActivation, cwFact, cwRule, cwCompilation, cwStatistics})
    EXPECT_TRUE(all.Watches.Contains(w));
  EXPECT_EQ(all.Files, (std::vector<std::string>{"-odd-name.ie"}));
  EXPECT_TRUE(ParseCommandLine({"--help"}).ShowHelp);
  EXPECT_TRUE(ParseCommandLine({"--version"}).ShowVersion);
}

TEST(CliOptionsTest, BadCommandLinesSayWhatIsWrong) {
  EXPECT_EQ(ParseCommandLine({"-e"}).Error, "option -e needs a value");
  EXPECT_NE(ParseCommandLine({"--watch", "everything"}).Error.find("unknown watch \"everything\""),
            std::string::npos);
  EXPECT_NE(ParseCommandLine({"--strategy", "random"}).Error.find("unknown strategy"),
            std::string::npos);
  EXPECT_EQ(ParseCommandLine({"--frobnicate"}).Error, "unknown option --frobnicate (see --help)");
}

TEST(CliOptionsTest, PackagesListSelectsTheEnginePackages) {
  EXPECT_FALSE(ParseCommandLine({"a.ie"}).Packages) << "none given: the engine's own default";
  TCliOptions two = ParseCommandLine({"--packages", "trigonometry,standard"});
  ASSERT_TRUE(two.Packages) << two.Error;
  EXPECT_EQ(*two.Packages, (TFunctionPackages{pStandard, pTrigonometry}));
  TCliOptions all = ParseCommandLine({"--packages", "all"});
  ASSERT_TRUE(all.Packages);
  EXPECT_EQ(*all.Packages, (TFunctionPackages{pStandard, pPredicate, pMath, pMiscellaneous,
                                              pString, pObject, pTrigonometry, pBusiness}));
  EXPECT_EQ(ParseCommandLine({"--packages", "misc,maths"}).Error,
            "unknown package \"maths\" in --packages (a comma-separated list of standard, "
            "predicate, math, string, misc, object, trigonometry, business, diagnostics or all)");
  // The diagnostics package is on unless a list leaves it out.
  EXPECT_TRUE(ParseCommandLine({"a.ie"}).Diagnostics);
  EXPECT_FALSE(two.Diagnostics);
  EXPECT_TRUE(all.Diagnostics);
  TCliOptions withDiagnostics = ParseCommandLine({"--packages", "diagnostics,standard"});
  EXPECT_TRUE(withDiagnostics.Diagnostics);
  EXPECT_EQ(*withDiagnostics.Packages, TFunctionPackages{pStandard});
  // An empty list and an empty name between commas are mistakes too.
  EXPECT_NE(ParseCommandLine({"--packages", ""}).Error.find("unknown package \"\""),
            std::string::npos);
  EXPECT_NE(ParseCommandLine({"--packages", "math,,string"}).Error.find("unknown package \"\""),
            std::string::npos);
  EXPECT_EQ(ParseCommandLine({"--packages"}).Error, "option --packages needs a value");
}

TEST(RunnerTest, PackagesDecideWhichFunctionsAProgramCanCall) {
  const std::string program = "(printout t (cosh 0) \" \" (sln-depreciation 1000 100 3) crlf)\n";
  TCliOptions options;
  std::istringstream in(program);
  std::ostringstream out, err;
  EXPECT_EQ(RunStream(options, in, out, err), 1) << "cosh is not among the default packages";
  EXPECT_NE(err.str().find("cosh"), std::string::npos) << err.str();

  options.Packages = TFunctionPackages{pStandard, pTrigonometry, pBusiness};
  std::istringstream in2(program);
  std::ostringstream out2, err2;
  EXPECT_EQ(RunStream(options, in2, out2, err2), 0) << err2.str();
  EXPECT_EQ(out2.str(), "1 300\r\n");

  // Without the math package, + is unknown.
  options.Packages = TFunctionPackages{pStandard};
  std::istringstream in3("(+ 1 2)\n");
  std::ostringstream out3, err3;
  EXPECT_EQ(RunStream(options, in3, out3, err3), 1);
}

TEST(ShellInputTest, CompleteWhenEveryParenthesisOutsideStringsAndCommentsIsClosed) {
  EXPECT_TRUE(IsCompleteInput("(a (b c))\n"));
  EXPECT_TRUE(IsCompleteInput("5\n"));
  EXPECT_FALSE(IsCompleteInput("(a (b c)\n"));
  EXPECT_FALSE(IsCompleteInput("(a \")\"\n"));      // the ")" is inside a string
  EXPECT_TRUE(IsCompleteInput("(a \"\\\")\" )\n"));  // an escaped quote stays in the string
  EXPECT_FALSE(IsCompleteInput("(a ; )\n"));         // the ")" is in a comment
  EXPECT_FALSE(IsCompleteInput("\"open\n"));
  EXPECT_FALSE(IsCompleteInput("; only a comment\n"));
  EXPECT_FALSE(IsCompleteInput("  \n"));
  EXPECT_TRUE(IsCompleteInput(")\n"));  // a stray ")" goes to the parser, which reports it
}

TEST(RunnerTest, ProgramFromTextEchoesTopLevelValuesAndReportsErrors) {
  TCliOptions options;
  std::istringstream program("(deffunction twice (?x) (* 2 ?x))\n(twice 21)\n");
  std::ostringstream out, err;
  EXPECT_EQ(RunStream(options, program, out, err), 0) << err.str();
  EXPECT_EQ(out.str(), "42\r\n");
  EXPECT_EQ(err.str(), "");

  std::istringstream broken("(+ 1 1)\n(deffunction\n");
  std::ostringstream out2, err2;
  EXPECT_EQ(RunStream(options, broken, out2, err2), 1);
  EXPECT_NE(err2.str().find("Parsing Error"), std::string::npos) << err2.str();
}

TEST(RunnerTest, EndlessRecursionIsAnErrorAndTheRunnerFails) {
  TCliOptions options;
  std::istringstream program("(deffunction f (?n) (+ 1 (f (+ ?n 1))))\n(f 0)\n(+ 1 1)\n");
  std::ostringstream out, err;
  EXPECT_EQ(RunStream(options, program, out, err), 1);
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(err.str().find("Function calls nested deeper than 1000 levels"), std::string::npos)
      << err.str();
}

TEST(RunnerTest, FilesLoadInOrderAndAMissingFileFails) {
  const std::string first = ::testing::TempDir() + "cli_first.ie";
  const std::string second = ::testing::TempDir() + "cli_second.ie";
  std::ofstream(first) << "(deffunction inc (?x) (+ ?x 1))\n";
  std::ofstream(second) << "(inc 1)\n";
  TCliOptions options;
  options.Files = {first, second};
  options.Evaluations = {"(inc 10)"};
  std::ostringstream out, err;
  EXPECT_EQ(RunFiles(options, out, err), 0) << err.str();
  EXPECT_EQ(out.str(), "2\r\n11\r\n");

  options.Files = {first, ::testing::TempDir() + "cli_missing.ie"};
  std::ostringstream out2, err2;
  EXPECT_EQ(RunFiles(options, out2, err2), 1);
  EXPECT_FALSE(err2.str().empty());
  std::remove(first.c_str());
  std::remove(second.c_str());
}

TEST(RunnerTest, ARunThatEndsTheProcessStillWritesWhatTheProgramOpened) {
  const std::string program = ::testing::TempDir() + "cli_exit.ie";
  const std::string written = ::testing::TempDir() + "cli_exit.txt";
  std::ofstream(program) << "(defrule r => (open \"" << written << "\" f \"w\")\n"
                         << "  (printout f \"kept\" crlf \"no line end\") (printout t \"done\"))\n";
  TCliOptions options;
  options.Files = {program};
  options.ExitAfterRun = true;
  std::ostringstream out, err;
  EXPECT_EQ(RunFiles(options, out, err), 0) << err.str();
  EXPECT_EQ(out.str(), "done");
  std::ifstream file(written, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_EQ(text.str(), "kept\r\nno line end");
  std::remove(program.c_str());
  std::remove(written.c_str());
}

namespace {

// Runs File (written with Text) through the runner and gives its error report.
std::string ReportOf(const std::string& name, const std::string& text) {
  const std::string file = ::testing::TempDir() + name;
  std::ofstream(file) << text;
  TCliOptions options;
  options.Files = {file};
  std::ostringstream out, err;
  EXPECT_EQ(RunFiles(options, out, err), 1);
  std::remove(file.c_str());
  std::string report = err.str();
  // The temporary folder differs between machines.
  for (size_t at = report.find(file); at != std::string::npos; at = report.find(file, at))
    report.replace(at, file.size(), name);
  return report;
}

}  // namespace

TEST(RunnerTest, ErrorsSayWhereTheyHappened) {
  // A parse error: file, line and column, the line itself and a marker.
  EXPECT_EQ(ReportOf("cli_paren.ie",
                     "(deftemplate order (slot id))\n"
                     "(defrule big\n"
                     "  (order (id ?id)\n"
                     "  => (printout t ?id crlf))\n"),
            "cli_paren.ie:4:3: error: Parsing Error, Expected \")\" in ParsePattern\n"
            "      => (printout t ?id crlf))\n"
            "      ^\n");
  // An unknown slot points at the slot.
  EXPECT_EQ(ReportOf("cli_slot.ie",
                     "(deftemplate order (slot id))\n"
                     "(defrule r (order (id ?i) (qty ?q)) =>)\n"),
            "cli_slot.ie:2:28: error: No such slot name: \"qty\"\n"
            "    (defrule r (order (id ?i) (qty ?q)) =>)\n"
            "                               ^\n");
  // A failing action: the rule, where it was defined, the deffunction and
  // the innermost call.
  EXPECT_EQ(ReportOf("cli_action.ie",
                     "(deffunction price (?q) (* ?q \"ten\"))\n"
                     "\n"
                     "(defrule total (order ?q) => (printout t (price ?q) crlf))\n"
                     "(deffacts f (order 2))\n"),
            "cli_action.ie:3: error: Not a numeric.  Value Type is dtString\n"
            "  in rule total (defined at cli_action.ie:3)\n"
            "  in deffunction price\n"
            "  in call (* ?q \"ten\")\n");
  // A top-level call: its own line.
  EXPECT_EQ(ReportOf("cli_top.ie", "(+ 1 1)\n  (undefined-thing 2)\n"),
            "cli_top.ie:2:3: error: Function is unimplemented or unassigned: undefined-thing\n"
            "      (undefined-thing 2)\n"
            "      ^\n"
            "  in call (undefined-thing 2)\n");
}

TEST(RunnerTest, AConstructLeftOpenAtTheEndPointsAtWhereItBegins) {
  // The ")" closing the last rule is missing: the input ends inside it, so the
  // report shows the rule's first line rather than the end of the file.
  EXPECT_EQ(ReportOf("cli_eof.ie",
                     "(deftemplate order (slot id))\n"
                     "\n"
                     "  (defrule last\n"
                     "  (order (id ?id))\n"
                     "  =>\n"
                     "  (printout t ?id crlf)\n"),
            "cli_eof.ie:3:3: error: Parsing Error, Expected \")\" in ParseRule\n"
            "      (defrule last\n"
            "      ^\n"
            "  note: the input ended before the list opened here was closed\n");
  // The same inside a deffunction, with more constructs after it that the
  // open list swallows: the place is still the construct left open.
  EXPECT_EQ(ReportOf("cli_eof_function.ie",
                     "(deffunction total (?q ?p)\n"
                     "  (* ?q ?p)\n"
                     "(defrule r (a) => (printout t (total 1 2) crlf))\n"),
            "cli_eof_function.ie:1:1: error: Parsing Error, Unexpected end of stream in "
            "ParseFunction\n"
            "    (deffunction total (?q ?p)\n"
            "    ^\n"
            "  note: the input ended before the list opened here was closed\n");
}

TEST(RunnerTest, AFiringRuleNamesItselfAndTheCall) {
  // A variable no pattern binds: the warning at load, then the error when the
  // rule fires, with the rule and the call it broke in.
  EXPECT_EQ(ReportOf("cli_unbound.ie",
                     "(deffacts people (person ann))\n"
                     "(defrule greet (person ?n)\n"
                     "  =>\n"
                     "  (printout t \"hello \" ?name crlf))\n"),
            "cli_unbound.ie:2: warning: rule greet uses ?name, which no pattern or action binds\n"
            "cli_unbound.ie:2: error: Corrupted Binding, variable not found: name\n"
            "  in rule greet (defined at cli_unbound.ie:2)\n"
            "  in call (printout t \"hello \" ?name crlf)\n");
  // A misspelled function: the warning and the error both suggest the
  // deffunction that was meant.
  EXPECT_EQ(ReportOf("cli_misspelled.ie",
                     "(deffunction get-price (?id) (* ?id 10))\n"
                     "(deffacts orders (order 1))\n"
                     "(defrule bill (order ?id)\n"
                     "  =>\n"
                     "  (printout t (get-prise ?id) crlf))\n"),
            "cli_misspelled.ie:3: warning: rule bill calls get-prise, which is not defined; did "
            "you mean get-price?\n"
            "cli_misspelled.ie:3: error: Function is unimplemented or unassigned: get-prise\n"
            "  in rule bill (defined at cli_misspelled.ie:3)\n"
            "  in call (get-prise ?id)\n"
            "  did you mean get-price?\n");
}

TEST(RunnerTest, WarningsNameMistakesTheLanguageLetsPass) {
  const std::string file = ::testing::TempDir() + "cli_warnings.ie";
  std::ofstream(file) << "(deftemplate order (slot id))\n"
                         "(defrule ok (order (id ?i)) => (bind ?n 1) (printout t ?i ?n crlf)"
                         " (foreach x (create$ 1) (printout t ?x)))\n"
                         "(defrule typo (orders ?i) => (printout t ?i ?total crlf) (get-price ?i))\n"
                         "(deffacts some (ordr (id 1)))\n"
                         "(defrule fix ?o <- (order (id ?i)) => (modify ?o (idd ?i)))\n";
  TCliOptions options;
  options.Files = {file};
  options.Run = false;
  std::ostringstream out, err;
  EXPECT_EQ(RunFiles(options, out, err), 0);
  EXPECT_EQ(err.str(), file + ":3: warning: rule typo matches ordered facts \"orders\", which nothing "
                              "may assert; did you mean order?\n" +
                       file + ":3: warning: rule typo uses ?total, which no pattern or action binds\n" +
                       file + ":3: warning: rule typo calls get-price, which is not defined\n" +
                       file + ":5: warning: rule fix sets slot idd, which template order does not "
                              "have; did you mean id?\n" +
                       file + ":4: warning: deffacts some asserts ordered facts \"ordr\", which no "
                              "rule may match; did you mean order?\n");
  options.Warnings = TCliOptions::wError;
  std::ostringstream out2, err2;
  EXPECT_EQ(RunFiles(options, out2, err2), 1);
  EXPECT_EQ(err2.str(), err.str());
  options.Warnings = TCliOptions::wOff;
  std::ostringstream out3, err3;
  EXPECT_EQ(RunFiles(options, out3, err3), 0);
  EXPECT_EQ(err3.str(), "");
  std::remove(file.c_str());

  EXPECT_EQ(ParseCommandLine({"--warnings=error"}).Warnings, TCliOptions::wError);
  EXPECT_EQ(ParseCommandLine({"--warnings=loud"}).Error,
            "unknown warnings mode \"loud\" (on, off or error)");
  // Unknown names in error messages get the nearest known name of their kind.
  TInferenceEngine engine;
  engine.Evaluate("(deftemplate order (slot quantity))");
  EXPECT_EQ(NameSuggestion("Function is unimplemented or unassigned: printot", engine),
            "  did you mean printout?\n");
  EXPECT_EQ(NameSuggestion("No such slot name: \"quantiy\"", engine), "  did you mean quantity?\n");
  EXPECT_EQ(NameSuggestion("Unknown fact template name: ordr", engine), "  did you mean order?\n");
  EXPECT_EQ(NameSuggestion("Unknown fact template name: zebra", engine), "");
  EXPECT_EQ(NameSuggestion("Not a numeric.  Value Type is dtString", engine), "");
  // An unknown global: the message names it without its "?".
  engine.Evaluate("(defglobal ?*tax* = 0.2)");
  EXPECT_EQ(NameSuggestion("Unknown variable name: *taxx*", engine), "  did you mean ?*tax*?\n");
  EXPECT_EQ(GlobalNames(engine), (std::vector<std::string>{"?*tax*"}));
  EXPECT_EQ(EditDistance("order", "ordr"), 1u);
  EXPECT_EQ(EditDistance("kitten", "sitting"), 3u);
  EXPECT_EQ(EditDistance("", "abc"), 3u);
}

TEST(RunnerTest, DeffunctionBodiesAreCheckedAtLoad) {
  const std::string file = ::testing::TempDir() + "cli_deffunction_warnings.ie";
  std::ofstream(file) << "(defglobal ?*calls* = 0)\n"
                         "(deffunction get-price (?id) (* ?id 10))\n"
                         "(deffunction bill (?id)\n"
                         "  (bind ?*calls* (+ ?*calls* 1))\n"
                         "  (get-pric ?id))\n"
                         "(deffunction tax (?amount)\n"
                         "  (bind ?rate 2)\n"
                         "  (* ?amount ?rate ?ratio)\n"
                         "  ?ratio)\n"
                         // Clean: recursion, mutual recursion, a call of a
                         // deffunction defined further down, bind, the
                         // wildcard parameter and the variable try binds.
                         "(deffunction fact (?n) (if (<= ?n 1) then 1 else (* ?n (fact (- ?n 1)))))\n"
                         "(deffunction even (?n) (if (= ?n 0) then TRUE else (odd (- ?n 1))))\n"
                         "(deffunction odd (?n) (if (= ?n 0) then FALSE else (even (- ?n 1))))\n"
                         "(deffunction sum ($?items) (bind ?total 0) (later ?total $?items))\n"
                         "(deffunction later (?x $?rest) (try (nth$ 1 $?rest) catch ?__ERROR) ?x)\n"
                         "(deffunction late (?x) (printout t ?y crlf) (get-pric ?x))\n"
                         "(deffunction show ($?items) (foreach item $?items (printout t ?item)))\n";
  TCliOptions options;
  options.Files = {file};
  options.Evaluations = {"(printout t (fact 5) \" \" (even 4) \" \" (odd 4) \" \" (sum 1 2) \" \")",
                         "(show a b)"};
  // In the order of their lines (15 after 3 and 6), each name once.
  const std::string warnings =
      file + ":3: warning: deffunction bill calls get-pric, which is not defined; did you mean "
             "get-price?\n" +
      file + ":6: warning: deffunction tax uses ?ratio, which no parameter or action binds\n" +
      file + ":15: warning: deffunction late uses ?y, which no parameter or action binds\n" +
      file + ":15: warning: deffunction late calls get-pric, which is not defined; did you mean "
             "get-price?\n";
  std::ostringstream out, err;
  EXPECT_EQ(RunFiles(options, out, err), 0);
  EXPECT_EQ(err.str(), warnings);
  // The -e text (part of the load, before the warnings) shows that the
  // deffunctions let pass do run.
  EXPECT_EQ(out.str(), "120 TRUE FALSE 0 ab");
  options.Warnings = TCliOptions::wError;
  std::ostringstream out2, err2;
  EXPECT_EQ(RunFiles(options, out2, err2), 1);
  EXPECT_EQ(err2.str(), warnings);
  std::remove(file.c_str());

  // Text without a file: the place is its line.
  TInferenceEngine engine;
  engine.Evaluate("(deffunction g ()\n (nope))\n(deffunction h () (g))");
  EXPECT_EQ(ProgramWarnings(engine),
            (std::vector<std::string>{"line 1: warning: deffunction g calls nope, which is not defined"}));
}

TEST(RunnerTest, LibraryCallersKeepTheMessageAndGetThePlace) {
  TInferenceEngine engine;
  try {
    engine.Evaluate("(+ 1 1)\n(defrule r (a) => (printout t ?nowhere))\n(deffacts f (a))\n(reset)\n(run)\n");
    FAIL() << "no error";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Corrupted Binding, variable not found: nowhere");
    EXPECT_EQ(error.Context().Rule, "r");
    EXPECT_EQ(error.Context().RuleSource, "line 2");
    EXPECT_EQ(error.Context().Line, 5);  // the (run) that fired it
    EXPECT_EQ(error.Context().Column, 1);
  }  // A list left open at the end: the message is the parser's own, the
  // context points at the item that is still open.
  try {
    engine.Evaluate("(+ 1 1)\n(defrule s (a)\n  =>\n  (printout t 1 crlf)\n");
    FAIL() << "no error";
  } catch (const EIEParseException& error) {
    EXPECT_EQ(error.Message().rfind("Parsing Error, Expected \")\" in ParseRule at line 5: ", 0), 0u)
        << error.Message();
    EXPECT_EQ(error.LineNumber(), 5);
    EXPECT_EQ(error.Context().Line, 2);
    EXPECT_EQ(error.Context().Column, 1);
    EXPECT_EQ(error.Context().SourceLine, "(defrule s (a)");
    EXPECT_EQ(error.Context().Note, "the input ended before the list opened here was closed");
  }
}

TEST(ShellTest, EvaluatesBalancedInputAndSurvivesErrors) {
  TCliOptions options;
  std::istringstream in("(+ 1\n 2)\n\n(nosuchfunction)\n(* 3 3)\n");
  std::ostringstream out, err;
  EXPECT_EQ(RunShell(options, in, out, err), 0);
  EXPECT_EQ(out.str(), "ie> ... 3\r\nie> ie> ie> 9\r\nie> \n");
  EXPECT_FALSE(err.str().empty());
}

TEST(ShellTest, FilesLoadedForTheShellGetTheRunnersWarnings) {
  const std::string file = ::testing::TempDir() + "cli_shell_warnings.ie";
  std::ofstream(file) << "(deftemplate order (slot id))\n(deffacts some (ordr (id 1)))\n";
  TCliOptions options;
  options.Files = {file};
  options.Interactive = true;
  const std::string warning = file + ":2: warning: deffacts some asserts ordered facts \"ordr\", "
                                     "which no rule may match; did you mean order?\n";
  std::istringstream in("(+ 1 2)\n");
  std::ostringstream out, err;
  EXPECT_EQ(RunShell(options, in, out, err), 0);
  EXPECT_EQ(err.str(), warning);
  EXPECT_EQ(out.str(), "ie> 3\r\nie> \n");
  // As errors they end it before the first prompt.
  options.Warnings = TCliOptions::wError;
  std::istringstream in2("(+ 1 2)\n");
  std::ostringstream out2, err2;
  EXPECT_EQ(RunShell(options, in2, out2, err2), 1);
  EXPECT_EQ(err2.str(), warning);
  EXPECT_EQ(out2.str(), "");
  std::remove(file.c_str());
}

TEST(ShellTest, HelpAndAnUnfinishedEntryAtTheEnd) {
  TCliOptions options;
  std::istringstream in("(help +)\n(help)\n(help no-such-function)\n(+ 1\n  2\n");
  std::ostringstream out, err;
  EXPECT_EQ(RunShell(options, in, out, err), 0);
  EXPECT_NE(out.str().find("Returns the sum of its arguments"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("syntax: (+ <numeric-expression>+)"), std::string::npos);
  EXPECT_NE(out.str().find("Functions by package (type (help NAME) for one of them):"),
            std::string::npos);
  EXPECT_NE(out.str().find("Standard:\n"), std::string::npos);
  EXPECT_NE(out.str().find("Math:\n"), std::string::npos);
  EXPECT_NE(out.str().find(" assert "), std::string::npos);
  EXPECT_NE(out.str().find("No function named no-such-function"), std::string::npos);
  EXPECT_EQ(err.str(), "ie: input ended inside an unfinished entry, which was dropped: (+ 1\n  2\n");
}

namespace {

// A scripted terminal: hands out its lines in order and records every prompt
// and every history entry.
class TScriptedReader : public TLineReader {
 public:
  explicit TScriptedReader(std::vector<std::string> lines) : lines_(std::move(lines)) {}
  bool ReadLine(const std::string& prompt, std::string& line) override {
    prompts.push_back(prompt);
    line = next_ < lines_.size() ? lines_[next_] : std::string();
    return next_++ < lines_.size();
  }
  void AddHistory(const std::string& line) override { history.push_back(line); }
  std::vector<std::string> prompts, history;

 private:
  std::vector<std::string> lines_;
  size_t next_ = 0;
};

}  // namespace

TEST(ShellTest, ProgramReadsTakeTheNextTerminalLinesAndEndAsEOF) {
  TScriptedReader input({"(readline)", "hello world", "(read", ")", "", "  42 rest", "(read)"});
  std::ostringstream out, err;
  EXPECT_EQ(RunShell(TCliOptions(), input, out, err), 0);
  EXPECT_EQ(out.str(), "\"hello world\"\r\n42\r\nEOF\r\n\n");
  EXPECT_EQ(err.str(), "");
  // The shell prompts for its own entries only; the program's reads do not.
  EXPECT_EQ(input.prompts, (std::vector<std::string>{"ie> ", "", "ie> ", "... ", "", "",
                                                     "ie> ", "", "ie> "}));
  EXPECT_EQ(input.history, (std::vector<std::string>{"(readline)", "(read", ")", "(read)"}));
}

TEST(RunnerTest, FileProgramsReadStandardInputFromTheGivenReader) {
  const std::string file = ::testing::TempDir() + "cli_reads.ie";
  std::ofstream(file) << "(printout t (+ (read) 1) \" \" (readline) crlf)\n";
  TCliOptions options;
  options.Files = {file};
  std::istringstream lines("41 ignored\r\nthe rest\r\n");
  TStreamLineReader input(lines);
  std::ostringstream out, err;
  EXPECT_EQ(RunFiles(options, out, err, &input), 0) << err.str();
  EXPECT_EQ(out.str(), "42 the rest\r\n");
  std::remove(file.c_str());
}

TEST(InterruptTest, AnInterruptHaltsARunawayRunAndTheHandlerIsRestoredAfterwards) {
  struct sigaction before {};
  sigaction(SIGINT, nullptr, &before);
  TInferenceEngine engine;
  engine.OnPrintOut = [](TObject*, const std::string&, const std::string&) {};
  engine.Evaluate("(defrule spin ?f <- (n ?x) => (retract ?f) (assert (n (+ ?x 1))))");
  engine.AssertString("(n 0)");
  std::atomic<bool> done{false};
  int32_t fired = 0;
  {
    TInterruptHalts interrupt(engine);
    // Interrupts keep coming until the run is over: one sent before Run
    // starts (which clears Halted) must not leave the run spinning.
    std::thread sender([&done] {
      while (!done.load()) {
        kill(getpid(), SIGINT);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    });
    fired = engine.Run();
    done.store(true);
    sender.join();
  }
  EXPECT_GT(fired, 0);
  EXPECT_EQ(engine.AgendaCount(), 1) << "halted between firings";
  struct sigaction after {};
  sigaction(SIGINT, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);
}

TEST(CliOptionsTest, ProfileAndGraphOptions) {
  TCliOptions o = ParseCommandLine({"--profile", "a.ie", "--graph", "net.dot"});
  EXPECT_TRUE(o.Error.empty()) << o.Error;
  EXPECT_TRUE(o.Profile);
  EXPECT_EQ(o.GraphFile, "net.dot");
  EXPECT_EQ(o.Files, std::vector<std::string>{"a.ie"}) << "the graph's file is no program";
  TCliOptions plain = ParseCommandLine({"a.ie"});
  EXPECT_FALSE(plain.Profile);
  EXPECT_TRUE(plain.GraphFile.empty());
  EXPECT_EQ(ParseCommandLine({"a.ie", "--graph"}).Error, "option --graph needs a value");
  EXPECT_NE(UsageText().find("--profile"), std::string::npos);
  EXPECT_NE(UsageText().find("--graph FILE"), std::string::npos);
}

TEST(RunnerTest, ProfileGoesToStandardErrorAndTheGraphToItsFile) {
  const std::string graph = ::testing::TempDir() + "cli_net.dot";
  std::remove(graph.c_str());
  TCliOptions options;
  options.Profile = true;
  options.GraphFile = graph;
  std::istringstream program(
      "(defrule hello (greet ?who) => (printout t \"hi \" ?who crlf))\n"
      "(deffacts people (greet ann) (greet bob))\n");
  std::ostringstream out, err;
  EXPECT_EQ(RunStream(options, program, out, err), 0) << err.str();
  EXPECT_EQ(out.str(), "hi bob\r\nhi ann\r\n") << "the program's output stays clean";
  const std::string table = err.str();
  EXPECT_NE(table.find("total (wall time profiled)"), std::string::npos) << table;
  // The rule's row: two made, none withdrawn, two fired.
  std::istringstream rows(table);
  std::string line, row;
  while (std::getline(rows, line))
    if (line.rfind("hello ", 0) == 0) row = line;
  std::istringstream cells(row);
  std::string name, made, withdrawn, fired;
  cells >> name >> made >> withdrawn >> fired;
  EXPECT_EQ(made + "/" + withdrawn + "/" + fired, "2/0/2") << table;

  std::ifstream in(graph);
  const std::string dot((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(dot.rfind("digraph rete {", 0), 0u) << dot;
  // Two facts and the reset's clearing reached the rule's end.
  EXPECT_NE(dot.find("terminal\\nhello\\nin 3, out 0"), std::string::npos) << dot;
  std::remove(graph.c_str());

  options.Profile = false;
  options.GraphFile = ::testing::TempDir() + "no/such/dir/net.dot";
  std::istringstream again("(+ 1 2)\n");
  std::ostringstream out2, err2;
  EXPECT_EQ(RunStream(options, again, out2, err2), 1) << "a graph that cannot be written fails the run";
  EXPECT_NE(err2.str().find("Cannot create file"), std::string::npos) << err2.str();
}

// The runner restarts itself with huge pages only when the kernel hands them
// out on request and nothing (the user, an earlier restart, a memory checker)
// says otherwise.
TEST(HugePagesTest, RestartOnlyWhenUsefulAndNotSuppressed) {
  std::map<std::string, std::string> vars;
  auto env = [&](const char* name) {
    auto found = vars.find(name);
    return found == vars.end() ? std::string() : found->second;
  };
  const std::string madvise = "always [madvise] never";
  EXPECT_TRUE(WantsHugePageRestart(env, madvise));
  EXPECT_FALSE(WantsHugePageRestart(env, "[always] madvise never"));
  EXPECT_FALSE(WantsHugePageRestart(env, "always madvise [never]"));
  EXPECT_FALSE(WantsHugePageRestart(env, ""));  // no such setting file
  vars["IE_HUGEPAGES"] = "0";
  EXPECT_FALSE(WantsHugePageRestart(env, madvise));
  vars["IE_HUGEPAGES"] = "1";
  EXPECT_TRUE(WantsHugePageRestart(env, madvise));
  vars["GLIBC_TUNABLES"] = "glibc.malloc.hugetlb=1";  // restarted already
  EXPECT_FALSE(WantsHugePageRestart(env, madvise));
  vars.erase("GLIBC_TUNABLES");
  vars["LD_PRELOAD"] = "/usr/libexec/valgrind/vgpreload_core-amd64-linux.so";
  EXPECT_FALSE(WantsHugePageRestart(env, madvise));
}
