// Evaluation contexts: binding lookup along the chain, the binding table, the
// return state and resolving values against a context.
#include <gtest/gtest.h>

#include <functional>

#include "core/Exceptions.h"
#include "support/ExceptionText.h"
#include "values/IEContext.h"

namespace {

int gLiveFacts = 0;

class TSlotFact : public TCustomFact {
 public:
  explicit TSlotFact(int32_t id) : id_(id) { ++gLiveFacts; }
  ~TSlotFact() override { --gLiveFacts; }
  int32_t ID() const override { return id_; }
  std::string AsText() const override { return "(f " + std::to_string(id_) + ")"; }
  int32_t HashCode() const override { return id_; }
  bool Equals(const TCustomFact* other) const override { return other && other->ID() == id_; }
  IIEValue GetSlotValue(const std::string& slotName) override {
    if (slotName == "name") return TIEValue::MakeString("fact" + std::to_string(id_));
    if (slotName == "items") {
      auto list = MakeRef<TValueVector>();
      list->Add(TIEValue::MakeInteger(id_ * 10));
      list->Add(TIEValue::MakeInteger(id_ * 10 + 1));
      return TIEValue::MakeList(list);
    }
    return nullptr;
  }
  void Assign(const ICloneable&) override {}
  TRef<ICloneable> CloneObject() const override { return MakeRef<TSlotFact>(id_); }
  bool IsEqual(const ICloneable*) const override { return false; }

 private:
  int32_t id_;
};

class TTwoFactToken : public TCustomReteToken {
 public:
  TTwoFactToken() : a_(MakeRef<TSlotFact>(10)), b_(MakeRef<TSlotFact>(11)) {}
  int32_t FactCount() const override { return 2; }
  TCustomFact* FactAt(int32_t index) const override {
    return index == 0 ? a_.get() : index == 1 ? b_.get() : nullptr;
  }

 private:
  IFact a_, b_;
};

// A call that returns the value of ?x in its context plus one.
class TIncrementCall : public TCustomFunCall {
 public:
  IIEValue Evaluate(TIEContext* context) override {
    return TIEValue::MakeInteger(context->GetVariableValue("x")->AsInteger() + 1);
  }
  std::string AsText() const override { return "(+ ?x 1)"; }
  int32_t HashCode() const override { return 1; }
  bool Equals(const TCustomFunCall* other) const override { return other == this; }
  void Assign(const ICloneable&) override {}
  TRef<ICloneable> CloneObject() const override { return MakeRef<TIncrementCall>(); }
  bool IsEqual(const ICloneable* other) const override { return other == this; }
};

}  // namespace

TEST(Binding, Constructors) {
  TBinding local("x", TIEValue::MakeInteger(1));
  EXPECT_EQ(local.FactIndex(), -2);
  EXPECT_EQ(local.SlotIndex(), "__LOCAL");
  EXPECT_EQ(local.SubIndex(), -1);
  EXPECT_TRUE(local.IsLocal());
  TBinding reference("f", 0, "__PATTERN", -1);
  EXPECT_FALSE(reference.Value());
  reference.Assign(&local);
  EXPECT_EQ(reference.Name(), "x");
  EXPECT_EQ(reference.FactIndex(), -2);
  EXPECT_EQ(reference.Value().get(), local.Value().get());
}

TEST(Context, LookupAlongTheChain) {
  TIEContext root;
  root.AddBinding("x", TIEValue::MakeInteger(1));
  auto child = root.CreateChild();
  auto grandchild = child->CreateChild();
  EXPECT_EQ(grandchild->Parent(), child.get());
  EXPECT_EQ(grandchild->Root(), &root);
  EXPECT_EQ(grandchild->GetVariableValue("x")->AsInteger(), 1);

  // BindVariable from the child changes the parent's binding and adds nothing.
  child->BindVariable("x", TIEValue::MakeInteger(2));
  EXPECT_EQ(child->Bindings().Count(), 0);
  EXPECT_EQ(root.GetVariableValue("x")->AsInteger(), 2);

  // SetVariable on a name an ancestor holds updates the ancestor.
  grandchild->SetVariable("x", TIEValue::MakeInteger(3));
  EXPECT_EQ(grandchild->Bindings().Count(), 0);
  EXPECT_EQ(root.GetVariableValue("x")->AsInteger(), 3);

  // An inner binding hides the outer one.
  child->AddBinding("x", TIEValue::MakeInteger(4));
  EXPECT_EQ(grandchild->GetVariableValue("x")->AsInteger(), 4);
  EXPECT_EQ(grandchild->FindRootBinding("x")->Value()->AsInteger(), 3);
  EXPECT_EQ(root.FindBinding("nothing"), nullptr);
  EXPECT_EQ(MessageOf<EIEException>([&] { grandchild->GetVariableValue("y"); }), "Unknown variable name: y");
}

TEST(Context, GlobalVariablesLiveInTheRoot) {
  TIEContext root;
  auto child = root.CreateChild();
  auto grandchild = child->CreateChild();
  grandchild->SetGlobalVariable("*g*", TIEValue::MakeInteger(1));
  EXPECT_EQ(child->Bindings().Count(), 0);
  EXPECT_EQ(grandchild->Bindings().Count(), 0);
  ASSERT_NE(root.Bindings().Find("*g*"), nullptr);
  grandchild->SetGlobalVariable("*g*", TIEValue::MakeInteger(2));
  EXPECT_EQ(root.Bindings().Count(), 1);
  EXPECT_EQ(root.GetVariableValue("*g*")->AsInteger(), 2);
}

TEST(Context, OneBindingPerNameInATable) {
  TIEContext root;
  root.AddBinding("x", TIEValue::MakeInteger(1));
  root.AddBinding("x", TIEValue::MakeInteger(2));
  EXPECT_EQ(root.Bindings().Count(), 1);
  EXPECT_EQ(root.GetVariableValue("x")->AsInteger(), 2);
  // Many names, so the table grows; every one is still found.
  for (int i = 0; i < 500; ++i) root.AddBinding("v" + std::to_string(i), TIEValue::MakeInteger(i));
  EXPECT_EQ(root.Bindings().Count(), 501);
  for (int i = 0; i < 500; ++i)
    EXPECT_EQ(root.GetVariableValue("v" + std::to_string(i))->AsInteger(), i);
}

// The empty name is refused; the binding made for it is freed with its value.
TEST(Context, AnEmptyNameIsRefusedWithoutKeepingTheValue) {
  TIEContext root;
  IIEValue value = TIEValue::MakeInteger(1);
  EXPECT_ANY_THROW(root.SetVariable("", value));
  EXPECT_ANY_THROW(root.AddBinding("", value));
  EXPECT_EQ(value->RefCount(), 1) << "no binding holds the value";
  EXPECT_EQ(root.Bindings().Count(), 0);
}

TEST(Context, ReferenceBindingsReplaceVisibleOnes) {
  TIEContext root;
  root.AddBinding("f", TIEValue::MakeInteger(1));
  auto child = root.CreateChild();
  TBinding* binding = child->AddReferenceBinding("f", 0, -1, "__PATTERN");
  EXPECT_EQ(root.Bindings().Count(), 0);
  EXPECT_EQ(child->FindBinding("f"), binding);
  EXPECT_EQ(binding->FactIndex(), 0);
  EXPECT_EQ(binding->SlotIndex(), "__PATTERN");
  EXPECT_EQ(binding->SubIndex(), -1);
  // A binding without a value cannot be resolved.
  EXPECT_EQ(MessageOf<EIEException>([&] { TIEValue::MakeVariable("f")->Resolve(child.get()); }),
            "Corrupted Binding, variable not found: f");
}

TEST(Context, ReturnState) {
  TIEContext root;
  auto child = root.CreateChild();
  child->SetReturnValue(TIEValue::MakeAtom("r"));
  EXPECT_TRUE(child->Returned());
  EXPECT_EQ(child->ReleaseToParent(), &root);
  EXPECT_TRUE(root.Returned());
  EXPECT_EQ(root.ReturnValue()->AsText(), "r");

  // A root releases to itself and copies nothing.
  TIEContext other;
  EXPECT_EQ(other.ReleaseToParent(), &other);
  EXPECT_FALSE(other.Returned());

  // Assign copies the return state, cloning the value.
  other.Assign(&root);
  EXPECT_TRUE(other.Returned());
  EXPECT_NE(other.ReturnValue().get(), root.ReturnValue().get());
  EXPECT_TRUE(other.ReturnValue()->Equals(root.ReturnValue()));

  // Clearing the bindings clears the return state.
  root.AddBinding("x", TIEValue::MakeInteger(1));
  root.ClearBindings();
  EXPECT_FALSE(root.Returned());
  EXPECT_FALSE(root.ReturnValue());
  EXPECT_EQ(root.Bindings().Count(), 0);
  other.ClearReturnValue();
  EXPECT_FALSE(other.Returned());
  // Also when there was no binding to clear.
  other.SetReturnValue(TIEValue::MakeInteger(1));
  other.ClearBindings();
  EXPECT_FALSE(other.Returned());
}

TEST(Context, BindingTableOwnsItsBindings) {
  TIEContext root;
  TBindings& table = root.Bindings();
  EXPECT_EQ(table.Context(), &root);
  TBinding* first = table.Add(std::make_unique<TBinding>("x", TIEValue::MakeInteger(1)));
  EXPECT_EQ(table.Find("x"), first);
  TBinding* second = table.Put("x", std::make_unique<TBinding>("x", TIEValue::MakeInteger(2)));
  EXPECT_EQ(table.Count(), 1);
  EXPECT_EQ(table.Find("x"), second);
  EXPECT_TRUE(table.RemoveBinding("x"));
  EXPECT_FALSE(table.RemoveBinding("x"));
  EXPECT_EQ(table.Find("x"), nullptr);
  // A table destroyed with bindings in it frees them (checked by the leak checker).
  auto child = root.CreateChild();
  child->AddBinding("y", TIEValue::MakeInteger(3));
  child->SetReturnValue(TIEValue::MakeInteger(4));
  child.reset();
}

TEST(Context, ResolveVariablesAndCalls) {
  TIEContext root;
  IIEValue one = TIEValue::MakeInteger(1);
  root.AddBinding("x", one);
  EXPECT_EQ(TIEValue::MakeVariable("x")->Resolve(&root).get(), one.get());
  EXPECT_EQ(TIEValue::MakeMultiVariable("x")->Resolve(&root).get(), one.get());
  EXPECT_EQ(MessageOf<EIEException>([&] { TIEValue::MakeVariable("y")->Resolve(&root); }),
            "Corrupted Binding, variable not found: y");
  IIEValue call = TIEValue::MakeFunCall(MakeRef<TIncrementCall>());
  EXPECT_EQ(call->Resolve(&root)->AsInteger(), 2);
  EXPECT_EQ(call->AsText(), "(+ ?x 1)");
}

TEST(Context, ResolveSlotReferences) {
  TIEContext root;
  auto context = root.CreateChild();
  context->SetToken(MakeRef<TTwoFactToken>());
  context->SetFact(MakeRef<TSlotFact>(12));
  // Pattern index equal to the token's fact count: the fact being matched.
  EXPECT_EQ(TIEValue::MakeSlotReference(2, "name", -1)->Resolve(context.get())->AsText(),
            "\"fact12\"");
  EXPECT_EQ(TIEValue::MakeSlotReference(0, "name", -1)->Resolve(context.get())->AsText(),
            "\"fact10\"");
  IIEValue id = TIEValue::MakeSlotReference(1, "", -1)->Resolve(context.get());
  EXPECT_EQ(id->DType(), dtFactId);
  EXPECT_EQ(id->AsInteger(), 11);
  EXPECT_EQ(TIEValue::MakeSlotReference(1, "items", 1)->Resolve(context.get())->AsInteger(), 111);
  EXPECT_EQ(TIEValue::MakeSlotReference(1, "items", -1)->Resolve(context.get())->AsText(),
            "110 111");
  // Unknown slots and patterns without a fact raise instead of crashing.
  EXPECT_EQ(MessageOf<EIEException>([&] { TIEValue::MakeSlotReference(0, "none", -1)->Resolve(context.get()); }),
            "Unable to resolve slot reference: pattern 0, slot none");
  EXPECT_EQ(MessageOf<EIEException>([&] { TIEValue::MakeSlotReference(5, "name", -1)->Resolve(context.get()); }),
            "Unable to resolve slot reference: pattern 5, slot name");
  EXPECT_THROW(TIEValue::MakeSlotReference(0, "items", 9)->Resolve(context.get()), Exception);
  context.reset();
  EXPECT_EQ(gLiveFacts, 0);
}
