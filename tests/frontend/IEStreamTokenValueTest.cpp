#include <gtest/gtest.h>

#include <memory>

#include "core/Component.h"
#include "core/Exceptions.h"
#include "frontend/IEMorelStream.h"
#include "values/IEContext.h"
#include "values/IEValue.h"

namespace {

IIEValue ValueOf(std::string_view text) {
  auto s = TIEMorelStream::CreateFromText(text);
  return s->NextToken()->AsValue();
}

}  // namespace

TEST(StreamTokenValue, AtomsGiveTheSharedConstants) {
  EXPECT_EQ(ValueOf("TRUE"), TrueAtom());
  EXPECT_EQ(ValueOf("FALSE"), FalseAtom());
  EXPECT_EQ(ValueOf("nil"), NilValue());
  EXPECT_EQ(ValueOf("NiL"), NilValue());
  EXPECT_EQ(ValueOf(""), EOFAtom());
  // TRUE and FALSE are case-sensitive.
  IIEValue lower = ValueOf("true");
  EXPECT_NE(lower, TrueAtom());
  EXPECT_EQ(lower->DType(), dtAtom);
  EXPECT_EQ(lower->AsString(), "true");
}

TEST(StreamTokenValue, EachKindBecomesAValueOfItsType) {
  IIEValue v = ValueOf("\"a b\"");
  EXPECT_EQ(v->DType(), dtString);
  EXPECT_EQ(v->AsString(), "a b");
  v = ValueOf("?x");
  EXPECT_EQ(v->DType(), dtVariable);
  EXPECT_EQ(v->AsString(), "x");
  v = ValueOf("$?all");
  EXPECT_EQ(v->DType(), dtMultiVariable);
  EXPECT_EQ(v->AsString(), "all");
  v = ValueOf("-12");
  EXPECT_EQ(v->DType(), dtInteger);
  EXPECT_EQ(v->AsInteger(), -12);
  v = ValueOf("2.5e1");
  EXPECT_EQ(v->DType(), dtFloat);
  EXPECT_DOUBLE_EQ(v->AsFloat(), 25);
  // A delimiter gives a string of its character code.
  v = ValueOf("(");
  EXPECT_EQ(v->DType(), dtString);
  EXPECT_EQ(v->AsString(), "40");
}

TEST(StreamTokenValue, AssignValueRoundTrips) {
  TIEStreamToken token;
  token.AssignValue(*TIEValue::MakeFactId(7));
  EXPECT_EQ(token.GetDataType(), dtFactId);
  EXPECT_EQ(token.AsValue()->AsFactId(), 7);
  token.AssignValue(*TIEValue::MakeSlot("colour"));
  EXPECT_EQ(token.GetText(), "colour");
  EXPECT_EQ(token.AsValue()->DType(), dtSlot);
  token.AssignValue(*TIEValue::MakeFloat(-0.25));
  EXPECT_EQ(token.AsText(), "-0.25");
  TObject object;
  token.AssignValue(*TIEValue::MakeObject(&object));
  EXPECT_EQ(token.AsValue()->AsObject(), &object);
}

TEST(StreamTokenValue, AnObjectTokenKeepsTheReferenceNotTheAddress) {
  auto component = std::make_unique<TComponent>();
  TIEStreamToken token;
  token.AssignValue(*TIEValue::MakeObject(component.get()));
  EXPECT_EQ(token.Clone()->AsValue()->AsObject(), component.get());
  component.reset();
  EXPECT_EQ(token.AsValue()->AsObject(), nullptr) << "the destroyed object reads as nil";
  EXPECT_EQ(TIEStreamToken(dtObject, "", 0, 4096).AsValue()->AsObjectRef(), nullptr)
      << "an address alone makes no object";
}

TEST(StreamTokenValue, VariablesReadThroughAContext) {
  TIEContext root;
  root.BindVariable("x", TIEValue::MakeInteger(5));
  auto child = root.CreateChild();
  auto s = TIEMorelStream::CreateFromText("?x ?y $?x abc");
  IStreamToken x = s->NextToken();
  EXPECT_EQ(x->AsValueIn(child.get())->AsInteger(), 5);
  IStreamToken y = s->NextToken();
  try {
    y->AsValueIn(child.get());
    FAIL();
  } catch (const EIEException& e) {
    EXPECT_STREQ(e.what(), "Unknown variable name: y");
  }
  // Without a context a variable is just a variable value.
  EXPECT_EQ(y->AsValueIn(nullptr)->DType(), dtVariable);
  EXPECT_EQ(s->NextToken()->AsValueIn(&root)->AsInteger(), 5);
  EXPECT_EQ(s->NextToken()->AsValueIn(&root)->AsString(), "abc");
}
