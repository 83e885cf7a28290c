// The standard package: created by class name with every new engine, its
// functions in their creation order and registered with the engine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ClassRegistry.h"
#include "engine/InferenceEngine.h"
#include "packages/StandardPackage.h"

namespace {

// The standard package among the engine's components, or none.
TStandardPackage* StandardPackageOf(TInferenceEngine& engine) {
  for (int32_t i = 0; i < engine.ComponentCount(); ++i)
    if (auto* package = dynamic_cast<TStandardPackage*>(engine.Components(i))) return package;
  return nullptr;
}

// The classes of the I/O unit; every other class of the order must be present.
bool IsIOClass(const std::string& name) {
  static const std::vector<std::string> io = {
      "TBatchFunction",    "TCloseFunction",    "TDribbleOnFunction", "TDribbleOffFunction",
      "TFormatFunction",   "TLoadFunction",     "TLoadFactsFunction", "TOpenFunction",
      "TPrintOutFunction", "TReadFunction",     "TReadLineFunction",  "TRemoveFunction",
      "TRenameFunction",   "TSaveFunction",     "TSaveFactsFunction"};
  for (const std::string& item : io)
    if (item == name) return true;
  return false;
}

}  // namespace

TEST(StandardPackage, NewEngineCreatesItByClassName) {
  EXPECT_TRUE(FindComponentClass("TStandardPackage"));
  TInferenceEngine engine;
  TStandardPackage* package = StandardPackageOf(engine);
  ASSERT_NE(package, nullptr);
  EXPECT_EQ(package->ClassName(), "TStandardPackage");
  for (const char* name : {"assert", "modify", "run", "and", "if", "create$", "gensym*",
                           "__get-var", "do-backward-chaining"})
    EXPECT_TRUE(engine.FunctionExists(name)) << name;
}

TEST(StandardPackage, FunctionsInCreationOrder) {
  const std::vector<std::string>& order = TStandardPackage::StandardFunctionClasses();
  ASSERT_EQ(order.size(), 69u);
  EXPECT_EQ(order.front(), "TAndFunction");
  EXPECT_EQ(order[55], "TWhileFunction");
  EXPECT_EQ(order.back(), "TSubSetpMFFunction");

  TStandardPackage package;
  std::vector<std::string> expected;
  for (const std::string& name : order)
    if (IsFunctionClassRegistered(name))
      expected.push_back(name);
    else
      EXPECT_TRUE(IsIOClass(name)) << name << " is missing";
  std::vector<std::string> created;
  for (const auto& function : package.Functions()) created.push_back(function->ClassName());
  EXPECT_EQ(created, expected);
  EXPECT_GE(created.size(), 54u);

  // Creating again adds nothing.
  package.CreateFunctions();
  EXPECT_EQ(package.Functions().Count(), int32_t(expected.size()));
}

TEST(StandardPackage, EngineCommandTable) {
  struct TRow {
    const char* Name;
    int32_t Min;
    int32_t Max;
    const char* Syntax;
  };
  const TRow rows[] = {
      {"assert", 0, UnlimitedArguments, "(assert <fact>*)"},
      {"assert-string", 1, UnlimitedArguments, "(assert-string <string-expression>*)"},
      {"retract", 1, UnlimitedArguments, "(retract *|<fact-index>*)"},
      {"retract-string", 0, UnlimitedArguments, "(retract-string <fact-string>)"},
      {"modify", 1, UnlimitedArguments, "(modify <fact-index> (<slot-name> <expression>)+)"},
      {"duplicate", 2, UnlimitedArguments,
       "(duplicate <fact-index> (<slot-name> <expression>)*)"},
      {"fetch", 1, 1, "(fetch <lexeme-expression>)"},
      {"store", 2, 2, "(store <variable-name> <value>)"},
      {"clear-storage", 0, 0, "(clear-storage)"},
      {"clear", 0, 0, "(clear)"},
      {"reset", 0, 0, "(reset)"},
      {"run", 0, 1, "(run [<integer-expression>])"},
      {"get-fact-duplication", 0, 0, "(get-fact-duplication)"},
      {"set-fact-duplication", 1, 1, "(set-fact-duplication <boolean-expression>)"},
      {"gensym*", 0, 0, "(gensym*)"},
      {"__get-var", 1, 1, "(__get-var <variable-name>)"},
      {"version", 0, 0, "(version)"},
      {"watch", 1, 1, "(watch all|rules|facts|activations|compilations|statistics)"},
      {"unwatch", 1, 1, "(unwatch all|rules|facts|activations|compilations|statistics)"},
      {"do-backward-chaining", 0, UnlimitedArguments,
       "(do-backward-chaining <fact-template-name>*)"},
  };
  TInferenceEngine engine;
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    IUserFunction f = engine.GetFunction(row.Name);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->MinArgumentCount(), row.Min);
    EXPECT_EQ(f->MaxArgumentCount(), row.Max);
    const std::string tail = std::string("\r\n     syntax: ") + row.Syntax;
    ASSERT_GT(f->Comment().size(), tail.size());
    EXPECT_EQ(f->Comment().substr(f->Comment().size() - tail.size()), tail);
  }
  const std::string& watchHelp = engine.GetFunction("watch")->Comment();
  for (const char* line : {"activations - watch rule activations and deletions",
                           "facts - watch fact assertions and retractions",
                           "rules - watch rule additions and removals",
                           "compilations - watch rule compilations",
                           "statistics - watch execution statistics"})
    EXPECT_NE(watchHelp.find(line), std::string::npos) << line;
}
