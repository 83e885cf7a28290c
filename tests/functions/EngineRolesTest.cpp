// The built-in functions need of their engine only its roles
// (values/EngineRoles.h): the standard and misc packages run in a context
// whose engine is a fake implementing the roles and nothing else, and every
// request reaches the role it belongs to with the arguments the call gave.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "functions/PackageHarness.h"
#include "packages/MiscPackage.h"
#include "packages/StandardPackage.h"
#include "support/FakeEngineServices.h"

namespace {

using TCalls = std::vector<std::string>;

class EngineRolesTest : public ::testing::Test {
 protected:
  template <class TPackage>
  IIEValue Eval(TPackageHarness<TPackage>& harness, const char* name,
                std::initializer_list<IIEValue> arguments = {}) {
    return harness.Call(name, arguments)->Evaluate(&context);
  }
  template <class TPackage>
  std::string Error(TPackageHarness<TPackage>& harness, const char* name,
                    std::initializer_list<IIEValue> arguments = {}) {
    IFunctionCall call = harness.Call(name, arguments);
    return ClassAndMessageOf([&] { call->Evaluate(&context); });
  }
  static std::string Text(const IIEValue& value) { return value ? value->AsText() : "<none>"; }

  TFakeEngineServices engine;
  TIEContext context{nullptr, &engine};
  TPackageHarness<TStandardPackage> standard;
  TPackageHarness<TMiscPackage> misc;
};

TEST_F(EngineRolesTest, WorkingMemoryCommandsReachTheWorkingMemoryRole) {
  EXPECT_EQ(Text(Eval(standard, "assert-string", {Str("(a 1)"), Str("(b 2)")})), "<Fact-7>");
  EXPECT_EQ(Text(Eval(standard, "retract-string", {Str("(a 1)")})), "TRUE");
  EXPECT_EQ(Text(Eval(standard, "retract", {Atom("*")})), "TRUE");
  // An identifier without a fact retracts nothing.
  EXPECT_EQ(Text(Eval(standard, "retract", {TIEValue::MakeFactId(3)})), "TRUE");
  EXPECT_EQ(engine.calls, (TCalls{"AssertString (a 1)", "AssertString (b 2)",
                                  "RetractString (a 1)", "RetractAllFacts", "FindFactById 3"}));
  // modify names the fact it could not find, with the role's answer.
  EXPECT_NE(Error(standard, "modify", {TIEValue::MakeFactId(4)}).find("ID=4"), std::string::npos);
}

TEST_F(EngineRolesTest, StorageAndSettingsLiveInTheRoles) {
  EXPECT_EQ(Eval(standard, "fetch", {Str("k")}).get(), NilValue().get());
  EXPECT_EQ(Text(Eval(standard, "store", {Str("k"), Int(5)})), "5");
  EXPECT_EQ(Text(Eval(standard, "fetch", {Str("k")})), "5");
  Eval(standard, "clear-storage");
  EXPECT_TRUE(engine.storage.empty());

  // get-fact-duplication answers TRUE when duplicates are refused.
  EXPECT_EQ(Text(Eval(standard, "set-fact-duplication", {Atom("FALSE")})), "TRUE");
  EXPECT_TRUE(engine.factDuplication);
  EXPECT_EQ(Text(Eval(standard, "get-fact-duplication")), "FALSE");

  Eval(standard, "watch", {Atom("facts")});
  EXPECT_TRUE(engine.watch.Contains(cwFact));
  Eval(standard, "unwatch", {Atom("all")});
  EXPECT_FALSE(engine.watch.Contains(cwFact));

  engine.symbolIndex = 41;
  EXPECT_EQ(Text(Eval(standard, "gensym*")), "gen41");
  Eval(misc, "setgen", {Int(100)});
  EXPECT_EQ(engine.symbolIndex, 100);
  Eval(misc, "set-reset-globals", {Atom("FALSE")});
  EXPECT_FALSE(engine.resetGlobals);
  EXPECT_EQ(Text(Eval(misc, "set-static-constraint-checking", {Atom("TRUE")})), "FALSE");
  EXPECT_TRUE(engine.typeChecks.Contains(tcStatic));

  Eval(standard, "reset");
  Eval(standard, "clear");
  EXPECT_EQ(engine.calls, (TCalls{"Reset", "Clear"}));
}

TEST_F(EngineRolesTest, RunHaltAndTheAgendaUseTheAgendaRole) {
  engine.fired = 2;
  EXPECT_EQ(Text(Eval(standard, "run", {Int(3)})), "2");
  EXPECT_EQ(Text(Eval(standard, "run")), "2");
  EXPECT_EQ(engine.calls, (TCalls{"Run 3", "Run 2147483647"}));
  Eval(standard, "halt");
  EXPECT_TRUE(engine.halted);

  engine.agenda = {"0: r1: f-1", "0: r2: f-2"};
  Eval(misc, "agenda");
  EXPECT_EQ(engine.printed, "[]0: r1: f-1\r\n0: r2: f-2\r\nfor a total of 2 activations.\r\n");
}

TEST_F(EngineRolesTest, ListingsPrettyPrintersAndRemovalsUseTheRegistriesRole) {
  engine.rules = {"zeta", "alpha"};
  Eval(misc, "list-defrules");
  EXPECT_EQ(engine.printed, "[]alpha\r\nzeta\r\nfor a total of 2 rules.\r\n");

  engine.printed.clear();
  Eval(misc, "ppdefrule", {Atom("known")});
  EXPECT_EQ(engine.printed, "[](defrule known => )\r\n");
  EXPECT_EQ(Error(misc, "ppdefrule", {Atom("unknown")}), "EIEException: Unknown rule name: unknown");
  EXPECT_EQ(Error(misc, "ppdeftemplate", {Atom("t")}), "EIEException: Unknown fact template name: t");

  Eval(misc, "undefrule", {Atom("r")});
  Eval(misc, "undeftemplate", {Atom("t")});
  Eval(misc, "undeffunction", {Atom("f")});
  Eval(misc, "undeffacts", {Atom("s")});
  Eval(standard, "do-backward-chaining", {Atom("goal")});
  EXPECT_EQ(engine.calls, (TCalls{"UndefineRule r", "UndefineTemplate t", "UndefineFunction f",
                                  "UndefineFactSet s", "DeclareBackwardChaining goal"}));
}

TEST_F(EngineRolesTest, InputAndOutputUseTheStreamsRole) {
  Eval(standard, "printout", {Atom("t"), Str("hi"), Atom("crlf")});
  Eval(standard, "printout", {Atom("log"), Int(1)});
  EXPECT_EQ(engine.printed, "[t]hi\r\n[log]1");

  // A read without a token is EOF; with one, its value.
  EXPECT_EQ(Text(Eval(standard, "read")), "EOF");
  engine.nextToken = Atom("word");
  EXPECT_EQ(Text(Eval(standard, "read", {Atom("in")})), "word");
  engine.nextLine = "a line";
  EXPECT_EQ(Text(Eval(standard, "readline")), "\"a line\"");

  EXPECT_EQ(Text(Eval(standard, "open", {Str("data.txt"), Atom("data")})), "data");
  Eval(standard, "close", {Atom("data")});
  Eval(standard, "close");
  Eval(standard, "batch", {Str("cmds.bat")});
  Eval(standard, "load-facts", {Str("f.dat")});
  Eval(standard, "save", {Str("out.ie")});
  EXPECT_EQ(engine.calls,
            (TCalls{"ReadTokenValue ", "ReadTokenValue in", "ReadLine ",
                    "OpenReadStream data.txt", "AddIOStream data", "CloseIOStream data",
                    "CloseAllIOStreams", "BatchFile cmds.bat", "LoadFactsFromFile f.dat",
                    "SaveToFile out.ie"}));
}

TEST_F(EngineRolesTest, ACallWithoutAnEngineStillNamesTheFunction) {
  TIEContext bare;
  IFunctionCall call = standard.Call("assert-string", {Str("(a)")});
  EXPECT_EQ(ClassAndMessageOf([&] { call->Evaluate(&bare); }),
            "EIEException: No inference engine available for assert-string");
  EXPECT_TRUE(engine.calls.empty());
}

}  // namespace
