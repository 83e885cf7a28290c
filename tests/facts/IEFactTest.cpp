// Facts: lazy defaults, slot writes and the dynamic type check, template
// changes, assignment, equality and hash, the text forms.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "facts/IEFacts.h"
#include "support/ExceptionText.h"
#include "support/FakeFactEngine.h"

namespace {

IIEValue Atom(const char* text) { return TIEValue::MakeAtom(text); }
IIEValue Str(const char* text) { return TIEValue::MakeString(text); }
IIEValue Int(int32_t value) { return TIEValue::MakeInteger(value); }
IIEValue List(std::initializer_list<const char*> items) {
  IValueVector list = MakeRef<TValueVector>();
  for (const char* item : items) list->Add(TIEValue::MakeAtom(item));
  return TIEValue::MakeList(list);
}

class TConstCall : public TCustomFunCall {
 public:
  IIEValue Evaluate(TIEContext*) override { return TIEValue::MakeInteger(1); }
  std::string AsText() const override { return "(one)"; }
  int32_t HashCode() const override { return 1; }
  bool Equals(const TCustomFunCall* other) const override { return other == this; }
  void Assign(const ICloneable&) override {}
  TRef<ICloneable> CloneObject() const override { return TRef<ICloneable>(new TConstCall); }
  bool IsEqual(const ICloneable* other) const override { return other == this; }
};

// person: name (default anon), age (default 0), kids (multislot).
IFactTemplate Person(IFactEngine* engine = nullptr) {
  IFactTemplate t = MakeRef<TFactTemplate>(engine);
  t->SetName("person");
  t->AddSlot("name", Atom("anon"));
  t->AddSlot("age", Int(0));
  t->AddMultiSlot("kids", List({}));
  return t;
}

TEST(Fact, NewFactReadsCopiesOfTheDefaults) {
  IFactTemplate t = Person();
  IFactRef f = MakeRef<TFact>(t);
  EXPECT_EQ(f->ID(), -1);
  IIEValue name = f->GetSlotValue("name");
  ASSERT_TRUE(name);
  EXPECT_EQ(name->AsString(), "anon");
  EXPECT_NE(name.get(), t->GetSlot("name")->SlotDefault().get());
  EXPECT_EQ(f->GetSlotValue("name").get(), name.get());  // stored by the first read
  EXPECT_EQ(f->GetSlotValue("nosuch"), nullptr);
  // The slot object reaches the same cell.
  EXPECT_EQ(f->SlotValue(*t->GetSlot("name")).get(), name.get());
}

TEST(Fact, SetSlotValueStoresTheValueItself) {
  IFactTemplate t = Person();
  IFactRef f = MakeRef<TFact>(t);
  IIEValue bob = Atom("Bob");
  f->SetSlotValue("name", bob);
  EXPECT_EQ(f->GetSlotValue("name").get(), bob.get());
  f->SetSlotValue("name", nullptr);
  EXPECT_EQ(f->GetSlotValue("name"), NilValue());
  EXPECT_EQ(MessageOf<EIEException>([&] { f->SetSlotValue("zz", Int(1)); }), "No such slot name: \"zz\"");

  TFact orphan;
  EXPECT_EQ(MessageOf<EIEException>([&] { orphan.SetSlotValue("name", Int(1)); }), "Fact Template is missing");
  EXPECT_EQ(MessageOf<EIEException>([&] { orphan.GetSlotValue("name"); }), "Fact Template is missing");
}

TEST(Fact, DynamicTypeCheck) {
  TFakeFactEngine engine;
  IFactTemplate t = Person(&engine);
  t->GetSlot("age")->SetSlotType({dtInteger});
  IFactRef f = MakeRef<TFact>(t);
  f->SetSlotValue("age", Str("old"));  // checks off: accepted
  EXPECT_EQ(f->GetSlotValue("age")->DType(), dtString);

  engine.dynamicChecks = true;
  f->SetSlotValue("age", Int(4));
  EXPECT_EQ(MessageOf<EIEException>([&] { f->SetSlotValue("age", Str("old")); }),
            "Not a INTEGER.  Value Type is dtString");
  EXPECT_EQ(f->GetSlotValue("age")->AsInteger(), 4);  // unchanged

  t->GetSlot("name")->SetSlotType({dtAtom, dtString});
  EXPECT_EQ(MessageOf<EIEException>([&] { f->SetSlotValue("name", Int(1)); }),
            "Not a ATOM, STRING.  Value Type is dtInteger");
  IIEValue call = TIEValue::MakeFunCall(IFunCall(new TConstCall));
  f->SetSlotValue("age", call);  // a call is always accepted
  EXPECT_EQ(f->GetSlotValue("age").get(), call.get());
}

TEST(Fact, TextFollowsTheSlotTableOrder) {
  IFactTemplate t = Person();
  IFactRef f = MakeRef<TFact>(t);
  f->SetSlotValue("name", Atom("Bob"));
  f->SetSlotValue("age", Int(5));
  std::string expected = "(person";
  for (const TFactSlot* slot : t->Slots()) {
    if (slot->Name() == "name") expected += " (name Bob)";
    if (slot->Name() == "age") expected += " (age 5)";
  }
  expected += ")";
  EXPECT_EQ(f->AsText(), expected);  // kids, an empty list, is left out

  f->SetSlotValue("name", nullptr);  // nil prints empty: left out
  f->SetSlotValue("kids", List({"x", "y"}));
  expected = "(person";
  for (const TFactSlot* slot : t->Slots()) {
    if (slot->Name() == "age") expected += " (age 5)";
    if (slot->Name() == "kids") expected += " (kids x y)";
  }
  EXPECT_EQ(f->AsText(), expected + ")");

  IFactTemplate color = TFactTemplate::CreateImplied(nullptr, "color");
  IFactRef c = MakeRef<TFact>(color);
  EXPECT_EQ(c->AsText(), "(color)");
  c->SetSlotValue("__Data", List({"red", "green"}));
  EXPECT_EQ(c->AsText(), "(color red green)");
  EXPECT_EQ(TFact().AsText(), "()");
}

TEST(Fact, IndexedTextPadsToTheNextFactNumber) {
  TFakeFactEngine engine;
  IFactTemplate t = TFactTemplate::CreateImplied(&engine, "a");
  IFactRef f = MakeRef<TFact>(t);
  f->SetID(7);
  engine.nextFact = 100;
  EXPECT_EQ(f->IndexedText(), "f-007 (a)");
  engine.nextFact = 12;
  f->SetID(3);
  EXPECT_EQ(f->IndexedText(), "f-03 (a)");
  engine.nextFact = 5;
  EXPECT_EQ(f->IndexedText(), "f-3 (a)");

  IFactRef loose = MakeRef<TFact>(TFactTemplate::CreateImplied(nullptr, "b"));
  loose->SetID(7);
  EXPECT_EQ(loose->IndexedText(), "f-7 (b)");
}

TEST(Fact, SetTemplateKeepsSharedSlots) {
  IFactTemplate person = Person();
  IFactTemplate pet = MakeRef<TFactTemplate>();
  pet->SetName("pet");
  pet->AddSlot("name", Atom("rex"));
  pet->AddSlot("legs", Int(4));

  IFactRef f = MakeRef<TFact>(person);
  IIEValue bob = Atom("Bob");
  f->SetSlotValue("name", bob);
  f->SetSlotValue("age", Int(30));
  f->SetTemplate(pet);
  EXPECT_EQ(f->GetSlotValue("name").get(), bob.get());
  EXPECT_EQ(f->GetSlotValue("legs")->AsInteger(), 4);
  EXPECT_EQ(f->GetSlotValue("age"), nullptr);
  EXPECT_EQ(MessageOf<EIEException>([&] { f->SetSlotValue("age", Int(1)); }), "No such slot name: \"age\"");

  f->SetTemplate(nullptr);
  EXPECT_EQ(MessageOf<EIEException>([&] { f->GetSlotValue("name"); }), "Fact Template is missing");
}

TEST(Fact, TemplateChangesAfterTheFactExists) {
  IFactTemplate t = Person();
  IFactRef f = MakeRef<TFact>(t);
  f->SetSlotValue("age", Int(9));
  t->RemoveSlot("name");
  t->AddSlot("city", Atom("Rome"));
  EXPECT_EQ(f->GetSlotValue("age")->AsInteger(), 9);
  EXPECT_EQ(f->GetSlotValue("city")->AsString(), "Rome");
  EXPECT_EQ(f->GetSlotValue("name"), nullptr);
  // A slot re-added under a removed name starts from its default.
  t->AddSlot("name", Atom("anew"));
  EXPECT_EQ(f->GetSlotValue("name")->AsString(), "anew");
}

TEST(Fact, AssignSlotsAndAssign) {
  IFactTemplate t = Person();
  IFactRef a = MakeRef<TFact>(t);
  a->SetSlotValue("name", Atom("Ann"));
  a->SetID(4);
  a->SetTag(9);
  IFactRef b = MakeRef<TFact>(t);
  b->AssignSlots(*a);
  EXPECT_TRUE(b->Equals(a.get()));
  EXPECT_NE(b->GetSlotValue("name").get(), a->GetSlotValue("name").get());
  EXPECT_EQ(b->ID(), -1);

  IFactTemplate other = Person();
  other->SetName("other");
  IFactRef c = MakeRef<TFact>(other);
  EXPECT_EQ(MessageOf<EIEException>([&] { c->AssignSlots(*a); }),
            "Unable to assign slot values, fact templates are different: other and person");
  TFact orphan;
  EXPECT_EQ(MessageOf<EIEException>([&] { orphan.AssignSlots(*a); }), "Fact Template is missing");

  c->Assign(*a);
  EXPECT_EQ(c->Template(), t);
  EXPECT_EQ(c->ID(), 4);
  EXPECT_EQ(c->Tag(), 9);
  EXPECT_TRUE(c->Equals(a.get()));

  IFactRef clone = a->Clone();
  EXPECT_TRUE(clone->Equals(a.get()));
  EXPECT_EQ(clone->ID(), -1);
  EXPECT_THROW(c->Assign(*Atom("x")), EInvalidCast);
}

TEST(Fact, AssignAcrossEnginesGoesThroughTheText) {
  TFakeFactEngine source, target;
  IFactTemplate there = TFactTemplate::CreateImplied(&source, "color");
  IFactRef f = MakeRef<TFact>(there);
  f->SetSlotValue("__Data", List({"red"}));
  IFactTemplate here = TFactTemplate::CreateImplied(&target, "shade");
  IFactRef g = MakeRef<TFact>(here);
  g->Assign(*f);
  ASSERT_TRUE(target.FindFactTemplate("color"));
  EXPECT_EQ(g->Template(), target.FindFactTemplate("color"));
  EXPECT_EQ(g->Template()->Engine(), &target);
  EXPECT_EQ(g->AsText(), "(color red)");
  EXPECT_EQ(target.parses, 1);
}

TEST(Fact, EqualFactsHashAlike) {
  IFactTemplate t = Person();
  IFactRef a = MakeRef<TFact>(t);
  IFactRef b = MakeRef<TFact>(t);
  a->GetSlotValue("name");  // stored on a, still unread on b
  EXPECT_TRUE(a->Equals(b.get()));
  EXPECT_EQ(a->HashCode(), b->HashCode());
  b->SetSlotValue("age", Int(3));
  EXPECT_FALSE(a->Equals(b.get()));
  a->SetSlotValue("age", Int(3));
  EXPECT_TRUE(a->Equals(b.get()));
  EXPECT_EQ(a->HashCode(),
            Atom("anon")->HashCode() + Int(3)->HashCode() + List({})->HashCode());

  IFactRef sameValuesOtherTemplate = MakeRef<TFact>(Person());
  EXPECT_FALSE(a->Equals(sameValuesOtherTemplate.get()));
  EXPECT_TRUE(a->IsEqual(a.get()));
}

TEST(Fact, ReachedThroughTheValueLayer) {
  IFactRef f = MakeRef<TFact>(Person());
  f->SetSlotValue("age", Int(2));
  IIEValue v = TIEValue::MakeFact(IFact(f.get()));
  EXPECT_EQ(AsFactRef(v->AsFact()).get(), f.get());
  EXPECT_EQ(v->AsFact()->GetSlotValue("age")->AsInteger(), 2);
  IIEValue copy = v->Clone();  // a deep copy clones the fact
  ASSERT_NE(copy->AsFact().get(), f.get());
  EXPECT_TRUE(copy->AsFact()->Equals(f.get()));
}

}  // namespace
