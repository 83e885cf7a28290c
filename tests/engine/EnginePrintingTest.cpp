// The engine's text forms come from its parser's construct printer.
#include <gtest/gtest.h>

#include <string>

#include "engine/InferenceEngine.h"
#include "facts/IEFactSet.h"
#include "facts/IEFacts.h"
#include "functions/IEDeffunction.h"
#include "functions/IEFunctionCall.h"

namespace {

TEST(EnginePrinting, FactsCallsAndTemplatesPrintThroughTheEngine) {
  TInferenceEngine engine;
  engine.SetPackages(TFunctionPackages{});

  // A call's text: slot/value lists of modify go back into parentheses, and
  // nested strings keep their escapes, so the text reads back the same.
  IFunCall call = engine.ParseFunCall("(modify ?f (name \"a \\\"b\\\"\") (tags x y))");
  const std::string callText = call->AsText();
  EXPECT_EQ(callText, "(modify ?f (name \"a \\\"b\\\"\") (tags x y))");
  EXPECT_EQ(engine.ParseFunCall(callText)->AsText(), callText);

  // A fact's text and a fact nested in a call.
  IFactRef fact = engine.ParseFact("(colour red \"dark \\\\ light\")");
  EXPECT_EQ(fact->AsText(), "(colour red \"dark \\\\ light\")");
  EXPECT_EQ(engine.ParseFunCall("(assert (colour red))")->AsText(), "(assert (colour red))");

  // The implied templates the engine makes.
  IFactTemplate initial = engine.FindFactTemplate("Initial-Fact");
  ASSERT_TRUE(initial);
  EXPECT_EQ(initial->AsText(),
            "(deftemplate Initial-Fact \"(Implied)\" \r\n    (multislot __Data )\r\n)");
  EXPECT_EQ(initial->GetSlot("__Data")->AsText(), "(multislot __Data )");
}

TEST(EnginePrinting, FunctionsPrintThroughTheEngine) {
  TInferenceEngine engine;
  engine.SetPackages(TFunctionPackages{});
  TRef<TInterpretedFunction> f = MakeRef<TInterpretedFunction>();
  f->SetFunctionName("twice");
  f->AddParameter("x", dtVariable);
  f->AddAction(engine.ParseFunCall("(* 2 ?x)"));
  EXPECT_EQ(engine.DeffunctionText(*f), "(deffunction twice (?x)\r\n    (* 2 ?x)\r\n)\r\n");
  EXPECT_EQ(engine.UserFunctionText(*f), engine.DeffunctionText(*f));
}

}  // namespace
