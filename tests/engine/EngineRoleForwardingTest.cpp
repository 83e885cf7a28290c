// The engine's own implementation of the roles (values/EngineRoles.h), used
// only through IEngineServices as the built-in functions use it: each answer
// must be the one the engine's registries, fact list and stream table give.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "core/Streams.h"
#include "engine/InferenceEngine.h"
#include "values/IEContext.h"

namespace {

using TNames = std::vector<std::string>;

class EngineRoleForwardingTest : public ::testing::Test {
 protected:
  EngineRoleForwardingTest() {
    engine.Evaluate(
        "(deftemplate point (slot x))"
        "(deffacts start (point (x 1)))"
        "(deffunction twice (?n) (* 2 ?n))"
        "(defrule show (point (x ?x)) => (printout t ?x))");
  }

  TInferenceEngine engine;
  IEngineServices& roles = *engine.Context().Engine();
};

TEST_F(EngineRoleForwardingTest, TheContextHoldsTheEnginesRoles) {
  EXPECT_EQ(&roles, static_cast<IEngineServices*>(&engine));
  EXPECT_EQ(roles.EngineComponent(), &engine);
  EXPECT_EQ(engine.Context().CreateChild()->Engine(), &roles);
}

TEST_F(EngineRoleForwardingTest, WorkingMemoryAnswersFromTheFactList) {
  roles.Reset();
  ASSERT_EQ(roles.FactCount(), engine.FactCount());
  ASSERT_EQ(roles.FactCount(), 2);  // the initial fact and the point
  EXPECT_EQ(roles.FactAt(1).get(), engine.Facts().Get(1).get());
  const int32_t id = roles.FactAt(1)->ID();
  EXPECT_EQ(roles.FindFactById(id).get(), roles.FactAt(1).get());
  EXPECT_FALSE(roles.FindFactById(999));

  // A copy of a listed fact is asserted as a fact of this engine.
  const IFact copy = AsFactRef(roles.FactAt(1))->Clone();
  EXPECT_EQ(roles.AssertFactValue(copy), -1) << "an equal fact is refused";
  roles.RetractAllFacts();
  EXPECT_EQ(roles.FactCount(), 0);
  EXPECT_EQ(engine.AgendaCount(), 0) << "the clear token withdrew the activation";
}

TEST_F(EngineRoleForwardingTest, StorageKeepsNoneApartFromAbsence) {
  EXPECT_FALSE(roles.FetchValue("k"));
  roles.StoreValue("k", TIEValue::MakeInteger(3));
  EXPECT_EQ(roles.FetchValue("k")->AsInteger(), 3);
  roles.ClearStorage();
  EXPECT_FALSE(roles.FetchValue("k"));
}

TEST_F(EngineRoleForwardingTest, RegistriesListPrintAndRemoveByName) {
  EXPECT_EQ(roles.RuleNames(), TNames{"show"});
  EXPECT_EQ(roles.FactSetNames(), TNames{"start"});
  // Every registered function, the packages' too, as list-deffunctions shows.
  auto hasFunction = [&](const char* name) {
    const TNames names = roles.DeffunctionNames();
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  EXPECT_TRUE(hasFunction("twice"));
  EXPECT_TRUE(hasFunction("assert"));
  const TNames templates = roles.TemplateNames();
  EXPECT_NE(std::find(templates.begin(), templates.end(), "point"), templates.end());
  EXPECT_EQ(roles.RuleCount(), 1);
  EXPECT_EQ(roles.RulesText(), engine.Rules().GetText());

  std::string text = "untouched";
  EXPECT_FALSE(roles.PrettyPrintRule("none", text));
  EXPECT_FALSE(roles.PrettyPrintTemplate("none", text));
  EXPECT_FALSE(roles.PrettyPrintFactSet("none", text));
  EXPECT_EQ(text, "untouched");
  ASSERT_TRUE(roles.PrettyPrintRule("show", text));
  EXPECT_EQ(text, engine.RuleText(*engine.Rules().Find("show")));
  ASSERT_TRUE(roles.PrettyPrintTemplate("point", text));
  EXPECT_EQ(text, engine.TemplateText(*engine.FactTemplates().Find("point")));
  ASSERT_TRUE(roles.PrettyPrintFactSet("start", text));
  EXPECT_NE(text.find("start"), std::string::npos);
  EXPECT_NE(roles.PrettyPrintFunction("twice").find("twice"), std::string::npos);
  EXPECT_THROW(roles.PrettyPrintFunction("none"), Exception);

  roles.UndefineRule("show");
  roles.UndefineFactSet("start");
  roles.UndefineFunction("twice");
  roles.UndefineRule("none");  // an unknown name changes nothing
  EXPECT_TRUE(roles.RuleNames().empty());
  EXPECT_TRUE(roles.FactSetNames().empty());
  EXPECT_FALSE(hasFunction("twice"));
  roles.UndefineTemplate("point");
  EXPECT_FALSE(engine.FindFactTemplate("point"));
}

TEST_F(EngineRoleForwardingTest, BackwardChainingRegistersTheGoalTemplate) {
  roles.DeclareBackwardChaining("point");
  roles.DeclareBackwardChaining("fresh");  // made as an implied template
  for (const char* name : {"point", "fresh"}) {
    SCOPED_TRACE(name);
    const IFactTemplate factTemplate = engine.FindFactTemplate(name);
    ASSERT_TRUE(factTemplate);
    EXPECT_TRUE(factTemplate->BackwardChaining());
    EXPECT_TRUE(engine.FindFactTemplate(std::string("need-") + name));
  }
}

TEST_F(EngineRoleForwardingTest, AStreamThatIsNoTextStreamIsWrappedWhenRegistered) {
  roles.AddIOStream("mem", std::make_unique<TStringStream>("first\r\nsecond\r\n"));
  std::string line;
  roles.ReadLine("mem", line);
  EXPECT_EQ(line, "first");
  roles.CloseIOStream("mem");
  EXPECT_THROW(roles.CloseIOStream("mem"), EIEException);

  roles.AddIOStream("a", std::make_unique<TStringStream>(""));
  roles.AddIOStream("b", std::make_unique<TStringStream>(""));
  roles.CloseAllIOStreams();
  EXPECT_EQ(engine.IOStreams().Count(), 0);
}

TEST_F(EngineRoleForwardingTest, ATokenReadEndsAsFalseAtTheEndOfItsStream) {
  roles.AddIOStream("in", roles.OpenReadStream("/dev/null", fmOpenRead));
  IIEValue value = TIEValue::MakeInteger(1);
  EXPECT_FALSE(roles.ReadTokenValue("in", value));
  EXPECT_EQ(value->AsInteger(), 1) << "the value is left alone";
}

}  // namespace
