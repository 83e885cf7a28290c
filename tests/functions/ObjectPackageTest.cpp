// The object package in a real engine owned by a form: published properties of
// every kind read and written, components found and listed by name, classes
// looked up and tested, objects and components created and freed, actions run.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "PackageHarness.h"
#include "core/ClassRegistry.h"
#include "core/Controls.h"
#include "core/IEInterfaces.h"
#include "engine/InferenceEngine.h"
#include "packages/ObjectPackage.h"
#include "support/ExceptionText.h"

namespace {

TProperty Prop(const char* name, TPropertyKind kind, std::function<TPropertyValue()> get,
               std::function<void(const TPropertyValue&)> set,
               const std::vector<std::string>* names = nullptr) {
  TProperty p;
  p.Name = name;
  p.Kind = kind;
  p.Get = std::move(get);
  p.Set = std::move(set);
  p.EnumNames = names;
  return p;
}

struct TTable : TPersistent {
  int64_t Width = 4;
  void Properties(std::vector<TProperty>& props) override {
    props.push_back(Prop("Width", pkInteger, [this] { return TPropertyValue(Width); },
                         [this](const TPropertyValue& v) { Width = std::get<int64_t>(v); }));
  }
};

class TGadget : public TComponent {
 public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TGadget"; }
  int64_t Count = 7;
  std::string Label = "box";
  int64_t Mode = 1;
  double Ratio = 0.5;
  int64_t Kinds = 0b101;
  bool Flag = true;
  std::vector<std::string> Lines;
  TTable Table;
  void Properties(std::vector<TProperty>& props) override {
    TComponent::Properties(props);
    props.push_back(Prop("Count", pkInteger, [this] { return TPropertyValue(Count); },
                         [this](const TPropertyValue& v) { Count = std::get<int64_t>(v); }));
    props.push_back(Prop("Label", pkString, [this] { return TPropertyValue(Label); },
                         [this](const TPropertyValue& v) { Label = std::get<std::string>(v); }));
    props.push_back(Prop("Mode", pkEnum, [this] { return TPropertyValue(Mode); },
                         [this](const TPropertyValue& v) { Mode = std::get<int64_t>(v); },
                         &SearchStrategyNames()));
    props.push_back(Prop("Ratio", pkFloat, [this] { return TPropertyValue(Ratio); },
                         [this](const TPropertyValue& v) { Ratio = std::get<double>(v); }));
    props.push_back(Prop("Kinds", pkSet, [this] { return TPropertyValue(Kinds); },
                         [this](const TPropertyValue& v) { Kinds = std::get<int64_t>(v); },
                         &FunctionPackageNames()));
    props.push_back(Prop("Flag", pkBoolean, [this] { return TPropertyValue(Flag); },
                         [this](const TPropertyValue& v) { Flag = std::get<bool>(v); }));
    props.push_back(Prop("Lines", pkStringList, [this] { return TPropertyValue(Lines); },
                         [this](const TPropertyValue& v) {
                           Lines = std::get<std::vector<std::string>>(v);
                         }));
    props.push_back(Prop("Serial", pkInteger, [] { return TPropertyValue(int64_t(1) << 40); },
                         nullptr));
    TProperty table;
    table.Name = "Table";
    table.Kind = pkObject;
    table.Object = &Table;
    props.push_back(table);
  }
};

class TSpecialGadget : public TGadget {
 public:
  using TGadget::TGadget;
  std::string ClassName() const override { return "TSpecialGadget"; }
};

class TPanelControl : public TWinControl {
 public:
  using TWinControl::TWinControl;
  std::string ClassName() const override { return "TPanelControl"; }
};

class TButtonControl : public TControl {
 public:
  using TControl::TControl;
  std::string ClassName() const override { return "TButtonControl"; }
};

// Reports success on every second run.
class TToggleAction : public TBasicAction {
 public:
  using TBasicAction::TBasicAction;
  int Runs = 0;
  bool Execute() override { return ++Runs % 2 == 0; }
};

const TComponentClassRegistrar<TGadget> gadgetClass("TGadget");
const TComponentClassRegistrar<TSpecialGadget> specialGadgetClass("TSpecialGadget");
const TComponentClassRegistrar<TPanelControl> panelClass("TPanelControl");
const TComponentClassRegistrar<TButtonControl> buttonClass("TButtonControl");

class ObjectPackageTest : public ::testing::Test {
 protected:
  ObjectPackageTest()
      : form(std::make_unique<TComponent>()),
        engine(new TInferenceEngine(form.get())),
        gadget(new TGadget(form.get())),
        special(new TSpecialGadget(gadget)),
        panel(new TPanelControl(form.get())),
        action(new TToggleAction(form.get())) {
    form->SetName("Form1");
    engine->SetName("Engine1");
    gadget->SetName("Gadget1");
    special->SetName("Knob");
    panel->SetName("Panel1");
    action->SetName("Toggle");
    Eval("(bind ?g (get-component Gadget1))");
  }
  IIEValue Eval(const std::string& text) {
    return engine->ParseFunCall(text)->Evaluate(&engine->Context());
  }
  std::string Text(const std::string& text) { return Eval(text)->AsText(); }
  std::string Error(const std::string& text) {
    return ClassAndMessageOf([&] { Eval(text); });
  }

  std::unique_ptr<TComponent> form;
  TInferenceEngine* engine;
  TGadget* gadget;
  TSpecialGadget* special;
  TPanelControl* panel;
  TToggleAction* action;
};

}  // namespace

TEST(ObjectPackageTable, FunctionsInOrderWithLimitsAndSyntax) {
  TPackageHarness<TObjectPackage> harness;
  ExpectFunctionTable(harness, {
      {"TCreateComponentFunction", "create-component", 2, 3,
       "(create-component <TComponentClass-expression> <TComponent-expression> "
       "[<TWinControl-expression>])"},
      {"TCreateObjectFunction", "create-object", 1, 1, "(create-object <TClass-expression>)"},
      {"TExecuteActionFunction", "execute-action", 1, 1,
       "(execute-action <TBasicAction-expression>)"},
      {"TFreeObjectFunction", "free-object", 1, UnlimitedArguments,
       "(free-object <TObject-expression>*)"},
      {"TGetComponentFunction", "get-component", 0, 2,
       "(get-component [<component-name>] | get-component [<TComponent-expression> "
       "<component-name>])"},
      {"TGetComponentsFunction", "get-components", 0, 1,
       "(get-components [<TComponent-expression>])"},
      {"TGetClassFunction", "get-class", 1, 1, "(get-class <class-name>)"},
      {"TGetPropertyFunction", "get-property", 2, 2,
       "(get-property <TObject-expression> <property-name>)"},
      {"TGetPropertiesFunction", "get-properties", 1, 1,
       "(get-properties <TObject-expression>)"},
      {"TSetPropertyFunction", "set-property", 3, 3,
       "(set-property <TObject-expression> <property-name> <expression>)"},
      {"TIsClassFunction", "is-class", 2, 2,
       "(is-class <TObject-expression> <TClass-expression>)"},
  });
}

TEST_F(ObjectPackageTest, GetPropertyGivesEachKindItsValue) {
  EXPECT_EQ(Text("(get-property ?g Count)"), "7");
  EXPECT_EQ(Eval("(get-property ?g Count)")->DType(), dtInteger);
  EXPECT_EQ(Text("(get-property ?g Label)"), "\"box\"");
  EXPECT_EQ(Text("(get-property ?g Name)"), "\"Gadget1\"");
  EXPECT_EQ(Eval("(get-property ?g Mode)")->DType(), dtAtom);
  EXPECT_EQ(Text("(get-property ?g Mode)"), SearchStrategyNames()[1]);
  EXPECT_EQ(Text("(get-property ?g Ratio)"), "0.5");
  EXPECT_EQ(Text("(get-property ?g Kinds)"),
            "\"[" + FunctionPackageNames()[0] + "," + FunctionPackageNames()[2] + "]\"");
  EXPECT_EQ(Text("(get-property ?g Flag)"), "TRUE");
  EXPECT_EQ(Text("(get-property ?g Serial)"), "1099511627776") << "beyond 32 bits: a float";
  EXPECT_EQ(Eval("(get-property ?g Table)")->AsObject(), &gadget->Table);
  EXPECT_EQ(Text("(get-property (get-property ?g Table) Width)"), "4");
  EXPECT_EQ(Text("(get-property ?g Missing)"), "FALSE");
  EXPECT_EQ(Error("(get-property ?g Lines)"), "EIEException: Invalid property type: pkStringList");
  EXPECT_EQ(Error("(get-property 3 Count)"),
            "EIEException: Not a object.  Value Type is dtInteger");
  EXPECT_EQ(Text("(get-properties ?g)"),
            "Name Count Label Mode Ratio Kinds Flag Lines Serial Table");
}

TEST_F(ObjectPackageTest, SetPropertyWritesByKindAndTellsWhetherItExists) {
  EXPECT_EQ(Text("(set-property ?g Count (+ 40 2))"), "TRUE");
  EXPECT_EQ(Text("(set-property ?g Label \"lid\")"), "TRUE");
  EXPECT_EQ(Text("(set-property ?g Ratio 2)"), "TRUE");
  EXPECT_EQ(Text("(set-property ?g Flag FALSE)"), "TRUE");
  EXPECT_EQ(Text("(set-property ?g Mode 0)"), "TRUE");
  EXPECT_EQ(gadget->Count, 42);
  EXPECT_EQ(gadget->Label, "lid");
  EXPECT_EQ(gadget->Ratio, 2.0);
  EXPECT_FALSE(gadget->Flag);
  EXPECT_EQ(gadget->Mode, 0);
  // Enumerations and sets also take the names get-property gives.
  Eval("(set-property ?g Mode " + SearchStrategyNames()[1] + ")");
  EXPECT_EQ(gadget->Mode, 1);
  Eval("(set-property ?g Kinds \"[" + FunctionPackageNames()[1] + "]\")");
  EXPECT_EQ(gadget->Kinds, 0b10);
  Eval("(set-property ?g Kinds (get-property ?g Kinds))");
  EXPECT_EQ(gadget->Kinds, 0b10);
  Eval("(set-property ?g Kinds 5)");
  EXPECT_EQ(gadget->Kinds, 0b101);
  EXPECT_EQ(Text("(set-property ?g Missing 1)"), "FALSE");
  EXPECT_EQ(Error("(set-property ?g Table 1)"), "EIEException: Invalid property type: pkObject");
  EXPECT_EQ(Error("(set-property ?g Mode sideways)"),
            "EIEException: Invalid property element: sideways");
  EXPECT_EQ(Error("(set-property ?g Mode 9)"), "EIEException: Invalid property element: 9");
  EXPECT_EQ(Error("(set-property ?g Count abc)"),
            "EIEException: Not a integer.  Value Type is dtAtom");
  EXPECT_EQ(Error("(set-property ?g Serial 1)"), "EIEException: Property Serial is read-only");
  EXPECT_EQ(Error("(set-property ?g Name \"1x\")"),
            "EComponentError: \"1x\" is not a valid component name");
  EXPECT_EQ(gadget->Name(), "Gadget1");
}

TEST_F(ObjectPackageTest, GetComponentFindsByNameInTheEngineOwnerOrAComponent) {
  EXPECT_EQ(Eval("(get-component)")->AsObject(), form.get());
  EXPECT_EQ(Eval("(get-component gadget1)")->AsObject(), gadget) << "names ignore case";
  EXPECT_EQ(Eval("(get-component ?g Knob)")->AsObject(), special);
  EXPECT_EQ(Text("(get-component Knob)"), "FALSE") << "only the owner's own components";
  EXPECT_EQ(Text("(get-component ?g Nothing)"), "FALSE");
  EXPECT_EQ(Error("(get-component (get-property ?g Table) Knob)"),
            "EIEException: Expected component argument to get-component function call");
  EXPECT_EQ(Text("(get-components ?g)"), "<External-Address: TSpecialGadget>");
  IIEValue all = Eval("(get-components)");
  ASSERT_EQ(all->AsList()->Count(), form->ComponentCount());
  EXPECT_EQ(all->AsList()->Get(1)->AsObject(), gadget);
  EXPECT_EQ(Error("(get-components (get-property ?g Table))"),
            "EIEException: Expected component argument to get-components function call");

  TInferenceEngine lone;
  auto eval = [&](const char* text) { return lone.ParseFunCall(text)->Evaluate(&lone.Context()); };
  EXPECT_EQ(eval("(get-component)")->AsObject(), nullptr);
  EXPECT_EQ(ClassAndMessageOf([&] { eval("(get-component Gadget1)"); }),
            "EIEException: Expected component argument to get-component function call");
  EXPECT_EQ(ClassAndMessageOf([&] { eval("(get-components)"); }),
            "EIEException: Expected component argument to get-components function call");
}

TEST_F(ObjectPackageTest, ClassesAreLookedUpByNameAndTestedWithDescendants) {
  IIEValue cls = Eval("(get-class TGadget)");
  EXPECT_EQ(cls->DType(), dtClass);
  EXPECT_EQ(cls->AsText(), "TGadget");
  EXPECT_EQ(Error("(get-class TNoSuch)"), "EClassNotFound: Class TNoSuch not found");
  EXPECT_EQ(Text("(is-class ?g (get-class TGadget))"), "TRUE");
  EXPECT_EQ(Text("(is-class (get-component ?g Knob) (get-class TGadget))"), "TRUE");
  EXPECT_EQ(Text("(is-class ?g (get-class TSpecialGadget))"), "FALSE");
  EXPECT_EQ(Text("(is-class (get-component Engine1) (get-class TComponent))"), "TRUE");
  EXPECT_EQ(Text("(is-class (get-component Panel1) (get-class TGadget))"), "FALSE");
}

TEST_F(ObjectPackageTest, ObjectsAndComponentsAreCreatedAndFreed) {
  const int before = form->ComponentCount();
  Eval("(bind ?o (create-object (get-class TGadget)))");
  EXPECT_EQ(Text("(set-property ?o Count 3)"), "TRUE");
  EXPECT_EQ(Text("(get-property ?o Count)"), "3");
  EXPECT_EQ(Text("(free-object ?o)"), "TRUE");

  Eval("(bind ?c (create-component (get-class TSpecialGadget) (get-component)))");
  ASSERT_EQ(form->ComponentCount(), before + 1);
  EXPECT_EQ(form->Components(before)->ClassName(), "TSpecialGadget");
  auto* button = dynamic_cast<TButtonControl*>(
      Eval("(create-component (get-class TButtonControl) ?c (get-component Panel1))")->AsObject());
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->Owner(), form->Components(before));
  EXPECT_EQ(button->Parent(), panel);
  EXPECT_EQ(Error("(create-component (get-class TGadget) ?c ?g)"),
            "EInvalidCast: Invalid class typecast") << "the parent is no windowed control";
  EXPECT_EQ(Error("(create-component (get-class TGadget) (get-property ?g Table))"),
            "EInvalidCast: Invalid class typecast") << "the owner is no component";
  EXPECT_EQ(form->Components(before)->ComponentCount(), 1) << "nothing made by a failed call";
  EXPECT_EQ(Text("(free-object ?c)"), "TRUE");
  EXPECT_EQ(form->ComponentCount(), before);

  // Only what is known to be alive and owned is freed: never the running
  // engine or its owners, a member object, or the same object twice.
  EXPECT_EQ(Error("(free-object (get-component Engine1))"),
            "EIEException: Cannot free the TInferenceEngine object: it holds the running engine");
  EXPECT_EQ(Error("(free-object (get-component))"),
            "EIEException: Cannot free the TComponent object: it holds the running engine");
  EXPECT_NE(Error("(free-object (get-property ?g Table))").find("Cannot free"), std::string::npos);
  Eval("(bind ?o (create-object (get-class TGadget)))");
  EXPECT_NE(Error("(free-object ?o ?o)").find("Cannot free"), std::string::npos);
  EXPECT_EQ(Text("(free-object (get-component ?g Knob))"), "TRUE");
  EXPECT_EQ(gadget->ComponentCount(), 0);
}

TEST_F(ObjectPackageTest, ExecuteActionReportsTheActionsResult) {
  EXPECT_EQ(Text("(execute-action (get-component Toggle))"), "FALSE");
  EXPECT_EQ(Text("(execute-action (get-component Toggle))"), "TRUE");
  EXPECT_EQ(action->Runs, 2);
  EXPECT_EQ(Error("(execute-action ?g)"), "EInvalidCast: Invalid class typecast");
}

TEST_F(ObjectPackageTest, AnObjectDestroyedMeanwhileGivesAClearErrorOnUse) {
  Eval("(bind ?k (get-component ?g Knob))");
  Eval("(bind ?t (get-property ?g Table))");
  Eval("(bind ?a (get-component Toggle))");
  delete special;  // freed by the host, not by the rule program
  delete action;
  const std::string gone =
      "EIEException: The TSpecialGadget object this value refers to was destroyed";
  EXPECT_EQ(Text("(create$ ?k)"), "") << "reads as the nil object";
  EXPECT_EQ(Error("(get-property ?k Count)"), gone);
  EXPECT_EQ(Error("(set-property ?k Count 1)"), gone);
  EXPECT_EQ(Error("(get-properties ?k)"), gone);
  EXPECT_EQ(Error("(get-component ?k Anything)"), gone);
  EXPECT_EQ(Error("(get-components ?k)"), gone);
  EXPECT_EQ(Error("(is-class ?k (get-class TGadget))"), gone);
  EXPECT_EQ(Error("(create-component (get-class TGadget) ?k)"), gone);
  EXPECT_EQ(Error("(execute-action ?a)"),
            "EIEException: The TBasicAction object this value refers to was destroyed");
  EXPECT_EQ(Error("(free-object ?k)"),
            "EIEException: Cannot free the TSpecialGadget object: it was destroyed already");

  // A sub-object goes with its component; so does a fact's object slot, and
  // the fact can still be retracted.
  Eval("(assert (holds ?g))");
  EXPECT_EQ(Text("(free-object ?g)"), "TRUE");
  EXPECT_EQ(Error("(get-property ?t Width)"),
            "EIEException: The TPersistent object this value refers to was destroyed");
  EXPECT_EQ(engine->FactCount(), 2);
  Eval("(retract 1)");
  EXPECT_EQ(engine->FactCount(), 1);
}
