// Templates and slots: the slot table and its order, the add/rename rules and
// their messages, type restriction, equality, copies and the default printer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "core/IEConsts.h"
#include "facts/IEFacts.h"
#include "support/ExceptionText.h"
#include "support/FakeFactEngine.h"

namespace {

IIEValue Atom(const char* text) { return TIEValue::MakeAtom(text); }
IIEValue Int(int32_t value) { return TIEValue::MakeInteger(value); }
IIEValue List(std::initializer_list<const char*> items) {
  IValueVector list = MakeRef<TValueVector>();
  for (const char* item : items) list->Add(TIEValue::MakeAtom(item));
  return TIEValue::MakeList(list);
}

std::vector<std::string> SlotNames(const TFactTemplate& t) {
  std::vector<std::string> names;
  for (const TFactSlot* slot : t.Slots()) names.push_back(slot->Name());
  return names;
}

TEST(FactTemplate, ImpliedFlagFollowsTheSlotSet) {
  IFactTemplate t = TFactTemplate::CreateImplied(nullptr, "color");
  EXPECT_TRUE(t->Implied());
  EXPECT_EQ(t->Comment(), "(Implied)");
  ASSERT_TRUE(t->HasSlot("__Data"));
  EXPECT_TRUE(t->GetSlot("__Data")->IsMultiSlot());

  t->AddSlot("x", NilValue());
  EXPECT_FALSE(t->Implied());
  t->RemoveSlot("x");
  EXPECT_TRUE(t->Implied());
  t->RemoveSlot("__Data");
  EXPECT_FALSE(t->Implied());
  EXPECT_EQ(t->SlotCount(), 0);
}

TEST(FactTemplate, SlotOrderIsTheSlotTableOrder) {
  // The reference: a string table of the same construction fed the same keys.
  TIStringHashTableOf<TFactSlot> reference(101, 0.75f);
  reference.SetCapacity(11);
  TFactTemplate t;
  const std::vector<std::string> names = {"name", "age", "zip", "a", "b", "c",
                                          "d",    "e",   "f",   "g", "h"};
  for (const std::string& name : names) {
    t.AddSlot(name, NilValue());
    reference.Put(name, MakeRef<TFactSlot>());
    std::vector<std::string> expected;
    IStringIteratorRef keys = reference.Keys();
    while (keys->HasNext()) expected.push_back(keys->Next());
    ASSERT_EQ(SlotNames(t), expected) << "after adding " << name;
  }
  EXPECT_EQ(reference.Capacity(), 23u);  // grown past 8 entries, as the template's table

  IStringIteratorRef iterator = t.SlotNames();
  std::vector<std::string> iterated;
  while (iterator->HasNext()) iterated.push_back(iterator->Next());
  EXPECT_EQ(iterated, SlotNames(t));
}

TEST(FactTemplate, AddSlotRules) {
  TFactTemplate t;
  EXPECT_EQ(MessageOf<EIEException>([&] { t.AddSlot("x", nullptr); }), "Bad Slot Type");
  EXPECT_EQ(MessageOf<EIEException>([&] { t.AddMultiSlot("x", nullptr); }), "Bad Slot Type");
  EXPECT_EQ(MessageOf<EIEException>([&] { t.AddSlot("x", List({"a", "b"})); }),
            "Invalid default slot value: a b");
  EXPECT_EQ(MessageOf<EIEException>([&] { t.AddMultiSlot("x", Atom("foo")); }),
            "Invalid default value for a multislot, must be a multifield: foo");
  EXPECT_EQ(MessageOf<EIEException>([&] { t.AddSlot("  ", Atom("foo")); }), "Bad Slot Name:   ");
  EXPECT_EQ(MessageOf<EIEException>([&] { t.AddSlot("a(b", Atom("foo")); }),
            "a(b contains unexpected character: \"(\"");
  EXPECT_EQ(t.SlotCount(), 0);

  IFactSlot s = t.AddSlot(" s ", Atom("foo"));  // the name is trimmed
  EXPECT_EQ(s->Name(), "s");
  EXPECT_EQ(s->SlotType(), SingleSlotTypes);
  IFactSlot m = t.AddMultiSlot("m", List({"a"}));
  EXPECT_EQ(m->SlotType(), MultiSlotTypes);
  EXPECT_EQ(m->Kind(), tstMultiSlot);

  EXPECT_EQ(MessageOf<EIEException>([&] { t.AddSlot("m", Atom("x")); }),
            "Invalid value for existing slot, multislot is not slot");
  EXPECT_EQ(MessageOf<EIEException>([&] { t.AddMultiSlot("s", List({})); }),
            "Invalid value for existing slot, slot is not multislot");

  // Adding an existing slot again replaces its default and keeps the slot.
  IFactSlot again = t.AddSlot("s", Int(4));
  EXPECT_EQ(again.get(), s.get());
  EXPECT_EQ(s->SlotDefault()->AsInteger(), 4);
  EXPECT_EQ(t.SlotCount(), 2);
}

TEST(FactTemplate, RestrictingTypesReplacesAnUnfitDefault) {
  TFactTemplate t;
  IFactSlot s = t.AddSlot("s", Atom("foo"));
  s->SetSlotType({dtInteger});
  EXPECT_EQ(s->SlotDefault(), ZeroValue());

  IFactSlot n = t.AddSlot("n", Int(5));
  n->SetSlotType({dtInteger});
  EXPECT_EQ(n->SlotDefault()->AsInteger(), 5);

  n->SetSlotType({dtString});
  EXPECT_EQ(n->SlotDefault(), EmptyAtom());
  n->SetSlotType({dtFact});
  EXPECT_EQ(n->SlotDefault(), NilValue());
  n->SetSlotType({dtMultiSlot});
  EXPECT_EQ(n->SlotDefault(), EmptyList());
}

TEST(FactTemplate, RenamingASlotRekeysTheTable) {
  TFactTemplate t;
  IFactSlot s = t.AddSlot("old", Int(1));
  t.AddSlot("other", Int(2));

  EXPECT_EQ(MessageOf<EIEException>([&] { s->SetName("a b"); }), "a b contains unexpected character: \" \"");
  EXPECT_EQ(s->Name(), "old");
  EXPECT_TRUE(t.HasSlot("old"));

  s->SetName("renamed");
  EXPECT_FALSE(t.HasSlot("old"));
  EXPECT_EQ(t.GetSlot("renamed").get(), s.get());
  EXPECT_EQ(t.SlotCount(), 2);
  EXPECT_EQ(s->TemplateName(), t.Name());

  // Renaming onto another slot's name takes its place; the other one leaves.
  IFactSlot other = t.GetSlot("other");
  s->SetName("other");
  EXPECT_EQ(t.GetSlot("other").get(), s.get());
  EXPECT_EQ(t.SlotCount(), 1);
  EXPECT_EQ(other->Owner(), nullptr);
  EXPECT_EQ(other->Index(), -1);
}

TEST(FactTemplate, PutSlotChecksTheKey) {
  TFactTemplate t;
  IFactSlot slot = MakeRef<TFactSlot>(&t);
  slot->SetName("y");
  slot->SetSlotDefault(Int(0));
  EXPECT_FALSE(t.HasSlot("y"));  // a slot enters its table only through the template
  EXPECT_EQ(MessageOf<EIEException>([&] { t.PutSlot("x", slot); }),
            "Index does not match fact slot name: x and y");
  t.PutSlot("y", slot);
  EXPECT_EQ(t.GetSlot("y").get(), slot.get());
  EXPECT_GE(slot->Index(), 0);
}

TEST(FactTemplate, EqualsLooksAtThisTemplatesSlotsOnly) {
  TFactTemplate a, b;
  a.SetName("p");
  b.SetName("p");
  for (const char* n : {"x", "y", "z"}) a.AddSlot(n, Int(1));
  for (const char* n : {"z", "y", "x"}) b.AddSlot(n, Int(1));
  EXPECT_TRUE(a.Equals(&b));
  EXPECT_TRUE(b.Equals(&a));

  b.AddSlot("extra", Int(1));
  EXPECT_TRUE(a.Equals(&b));
  EXPECT_FALSE(b.Equals(&a));

  a.GetSlot("x")->SetSlotDefault(Int(2));
  EXPECT_FALSE(a.Equals(&b));
  a.GetSlot("x")->SetSlotDefault(Int(1));
  a.GetSlot("y")->SetSlotType({dtInteger});
  EXPECT_FALSE(a.Equals(&b));
  a.GetSlot("y")->SetSlotType(SingleSlotTypes);
  EXPECT_TRUE(a.Equals(&b));
  b.SetName("q");
  EXPECT_FALSE(a.Equals(&b));
}

TEST(FactSlot, EqualityOfDefaults) {
  TFactSlot a, b;
  a.SetName("s");
  b.SetName("s");
  EXPECT_TRUE(a.Equals(&b));  // both without default
  a.SetSlotDefault(Atom("v"));
  EXPECT_FALSE(a.Equals(&b));
  b.SetSlotDefault(Atom("v"));
  EXPECT_TRUE(a.Equals(&b));  // equal by value
}

TEST(FactSlot, CopyIsDetachedFromTheTemplate) {
  TFactTemplate t;
  IFactSlot s = t.AddSlot("s", Int(3));
  IFactSlot copy = s->Copy();
  EXPECT_TRUE(copy->Equals(s.get()));
  copy->SetName("t");
  EXPECT_TRUE(t.HasSlot("s"));
  EXPECT_FALSE(t.HasSlot("t"));
}

TEST(FactTemplate, RenameTellsTheEngine) {
  TFakeFactEngine engine;
  TFactTemplate t(&engine);
  t.SetName("a");
  t.SetName("b");
  EXPECT_EQ(MessageOf<EIEException>([&] { t.SetName("c;"); }), "c; contains unexpected character: \";\"");
  EXPECT_EQ(t.Name(), "b");
  EXPECT_EQ(engine.renames, (std::vector<std::string>{"->a", "a->b"}));
}

TEST(FactTemplate, CopyAndAssign) {
  TFakeFactEngine engine;
  IFactTemplate t = MakeRef<TFactTemplate>(&engine);
  t->SetName("person");
  t->SetComment("people");
  t->SetBackwardChaining(true);
  t->AddSlot("name", Atom("anon"));
  t->AddMultiSlot("kids", List({"a"}));
  t->GetSlot("name")->SetSlotType({dtAtom, dtString});

  IFactTemplate copy = t->Copy();
  EXPECT_EQ(copy->Name(), "person Copy");
  EXPECT_EQ(copy->Parent().get(), t.get());
  EXPECT_EQ(copy->Comment(), "people");
  EXPECT_TRUE(copy->BackwardChaining());
  EXPECT_EQ(SlotNames(*copy), SlotNames(*t));
  ASSERT_TRUE(copy->HasSlot("name"));
  EXPECT_TRUE(copy->GetSlot("name")->Equals(t->GetSlot("name").get()));
  // Defaults are copies, not shared.
  EXPECT_NE(copy->GetSlot("kids")->SlotDefault().get(), t->GetSlot("kids")->SlotDefault().get());
  EXPECT_EQ(copy->GetSlot("name")->Owner(), copy.get());

  // A template of another engine does not become the parent.
  TFakeFactEngine otherEngine;
  TFactTemplate foreign(&otherEngine, *t, "c", "p2");
  EXPECT_EQ(foreign.Parent(), nullptr);
  EXPECT_EQ(foreign.Name(), "p2");
  EXPECT_EQ(foreign.SlotCount(), 2);
}

TEST(FactTemplate, ApplyDefaultsChecksTheTemplate) {
  IFactTemplate a = MakeRef<TFactTemplate>();
  a->SetName("a");
  a->AddSlot("x", Int(7));
  IFactTemplate b = MakeRef<TFactTemplate>();
  b->SetName("b");

  TFact none;
  EXPECT_EQ(MessageOf<EIEException>([&] { a->ApplyDefaults(none); }), "Fact Template is missing");
  TFact ofB(b);
  EXPECT_EQ(MessageOf<EIEException>([&] { a->ApplyDefaults(ofB); }),
            "Unable to assign slot values, fact templates are different: b and a");

  IFactRef fact = MakeRef<TFact>(a);
  fact->SetSlotValue("x", Int(1));
  a->ApplyDefaults(*fact);
  EXPECT_EQ(fact->GetSlotValue("x")->AsInteger(), 7);
  EXPECT_NE(fact->GetSlotValue("x").get(), a->GetSlot("x")->SlotDefault().get());
}

TEST(FactTemplate, DefaultPrinter) {
  IFactTemplate implied = TFactTemplate::CreateImplied(nullptr, "Initial-Fact");
  EXPECT_EQ(implied->AsText(),
            "(deftemplate Initial-Fact \"(Implied)\" \r\n    (multislot __Data )\r\n)");

  TFactTemplate t;
  IFactSlot x = t.AddSlot("x", Int(0));
  x->SetSlotType({dtInteger, dtFloat});
  EXPECT_EQ(x->AsText(), "(slot x (type INTEGER FLOAT) (default 0) )");
  IFactSlot y = t.AddSlot("y", NilValue());
  EXPECT_EQ(y->AsText(), "(slot y )");
  IFactSlot m = t.AddMultiSlot("m", List({"a", "b"}));
  EXPECT_EQ(m->AsText(), "(multislot m (default a b) )");
}

TEST(FactTemplate, TypeSetText) {
  EXPECT_EQ(TypeSetText({dtAtom, dtString}), "ATOM, STRING");
  EXPECT_EQ(TypeSetText({dtInteger}), "INTEGER");
  EXPECT_EQ(TypeSetText({}), "");
}

}  // namespace
