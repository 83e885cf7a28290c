// Two engines served by the same package objects run different programs at
// the same time on two threads; each must print exactly what it prints alone,
// so no function may keep the state of a call in its shared object.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "engine/InferenceEngine.h"
#include "packages/MathPackage.h"
#include "packages/PredicatePackage.h"
#include "packages/StandardPackage.h"
#include "packages/StringPackage.h"

namespace {

constexpr int kFirings = 300;

// A counter modified once per firing; even and odd steps print differently.
const char* const kCounterProgram = R"(
(deftemplate counter (slot n))
(deffacts start (counter (n 0)))
(defrule step
  ?c <- (counter (n ?n&:(< ?n 300)))
  =>
  (bind ?s (str-cat "a" ?n))
  (if (evenp ?n) then (printout t ?s " " (* ?n 2) crlf) else (printout t (upcase ?s) crlf))
  (modify ?c (n (+ ?n 1))))
)";

// A fact retracted and replaced by its successor; a loop in a deffunction.
const char* const kItemProgram = R"(
(deffunction sum-to (?k)
  (bind ?t 0)
  (bind ?i 1)
  (while (<= ?i ?k) do (bind ?t (+ ?t ?i)) (bind ?i (+ ?i 1)))
  ?t)
(deffacts start (item 0))
(defrule next
  ?f <- (item ?k&:(< ?k 300))
  =>
  (printout t "b" ?k ":" (sum-to (mod ?k 10)) ":" (str-length (str-cat x ?k)) crlf)
  (retract ?f)
  (assert (item (+ ?k 1))))
)";

std::string ExpectedCounterOutput() {
  std::string text;
  for (int n = 0; n < kFirings; ++n)
    text += n % 2 == 0 ? "a" + std::to_string(n) + " " + std::to_string(2 * n) + "\r\n"
                       : "A" + std::to_string(n) + "\r\n";
  return text;
}

std::string ExpectedItemOutput() {
  std::string text;
  for (int k = 0; k < kFirings; ++k) {
    const int m = k % 10;
    text += "b" + std::to_string(k) + ":" + std::to_string(m * (m + 1) / 2) + ":" +
            std::to_string(1 + std::to_string(k).size()) + "\r\n";
  }
  return text;
}

struct TLoadedEngine {
  TInferenceEngine engine;
  std::string output;
  int32_t fired = 0;
  std::string error;

  void Load(const char* program) {
    engine.OnPrintOut = [this](TObject*, const std::string&, const std::string& text) {
      output += text;
    };
    engine.Clear();
    engine.Evaluate(program);
    engine.Reset();
  }
  void Run() {
    try {
      fired = engine.Run();
    } catch (const std::exception& e) {
      error = e.what();
    }
  }
};

TEST(SharedPackages, TwoEnginesRunDifferentProgramsAtOnce) {
  TLoadedEngine first, second;
  first.engine.SetPackages({});
  second.engine.SetPackages({});
  // Declared after the engines, so they unregister before the engines go.
  TStandardPackage standard;
  TMathPackage math;
  TStringPackage strings;
  TPredicatePackage predicates;
  for (TUserPackage* package : {static_cast<TUserPackage*>(&standard),
                                static_cast<TUserPackage*>(&math),
                                static_cast<TUserPackage*>(&strings),
                                static_cast<TUserPackage*>(&predicates)}) {
    package->Reasoners().AddReasoner(first.engine);
    package->Reasoners().AddReasoner(second.engine);
  }
  // The very same function object serves both engines.
  ASSERT_TRUE(first.engine.FunctionExists("str-cat"));
  EXPECT_EQ(first.engine.GetFunction("str-cat").get(), second.engine.GetFunction("str-cat").get());

  first.Load(kCounterProgram);
  second.Load(kItemProgram);
  std::thread a([&] { first.Run(); });
  std::thread b([&] { second.Run(); });
  a.join();
  b.join();

  EXPECT_EQ(first.error, "");
  EXPECT_EQ(second.error, "");
  EXPECT_EQ(first.fired, kFirings);
  EXPECT_EQ(second.fired, kFirings);
  EXPECT_EQ(first.output, ExpectedCounterOutput());
  EXPECT_EQ(second.output, ExpectedItemOutput());
}

}  // namespace
