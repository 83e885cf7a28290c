#include "core/ComponentStream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Component.h"
#include "core/Exceptions.h"
#include "core/IEInterfaces.h"
#include "core/Streams.h"

namespace {

std::vector<std::string> gLoaded;

// A sub-object with one defaulted and one always-written property.
class TTable : public TPersistent {
 public:
  int64_t Capacity = 101;
  double LoadFactor = 0.75;
  void Properties(std::vector<TProperty>& props) override {
    TProperty cap;
    cap.Name = "Capacity";
    cap.Kind = pkInteger;
    cap.Get = [this]() -> TPropertyValue { return Capacity; };
    cap.Set = [this](const TPropertyValue& v) { Capacity = std::get<int64_t>(v); };
    cap.Default = TPropertyValue(int64_t(101));
    props.push_back(cap);
    TProperty lf;
    lf.Name = "LoadFactor";
    lf.Kind = pkFloat;
    lf.Get = [this]() -> TPropertyValue { return LoadFactor; };
    lf.Set = [this](const TPropertyValue& v) { LoadFactor = std::get<double>(v); };
    props.push_back(lf);
  }
};

// One property of every kind.
class TThing : public TComponent {
 public:
  explicit TThing(TComponent* owner) : TComponent(owner) {}
  std::string ClassName() const override { return "TThing"; }

  int64_t Value = 0;
  bool Flag = false;
  std::string Text;
  int64_t Mode = ssDepthFirst;
  int64_t Kinds = 0;
  std::vector<std::string> Lines;
  TTable Table;
  bool sawChildInLoaded = false;

  void Properties(std::vector<TProperty>& props) override {
    TComponent::Properties(props);
    auto add = [&](const char* name, TPropertyKind kind, auto get, auto set,
                   std::optional<TPropertyValue> def) {
      TProperty p;
      p.Name = name;
      p.Kind = kind;
      p.Get = get;
      p.Set = set;
      p.Default = std::move(def);
      props.push_back(std::move(p));
      return &props.back();
    };
    add("Value", pkInteger, [this]() -> TPropertyValue { return Value; },
        [this](const TPropertyValue& v) {
          if (std::get<int64_t>(v) < 0) throw EConvertError("negative");
          Value = std::get<int64_t>(v);
        },
        TPropertyValue(int64_t(0)));
    add("Flag", pkBoolean, [this]() -> TPropertyValue { return Flag; },
        [this](const TPropertyValue& v) { Flag = std::get<bool>(v); }, std::nullopt);
    add("Text", pkString, [this]() -> TPropertyValue { return Text; },
        [this](const TPropertyValue& v) { Text = std::get<std::string>(v); },
        TPropertyValue(std::string()));
    add("Mode", pkEnum, [this]() -> TPropertyValue { return Mode; },
        [this](const TPropertyValue& v) { Mode = std::get<int64_t>(v); },
        TPropertyValue(int64_t(ssDepthFirst)))
        ->EnumNames = &SearchStrategyNames();
    add("Kinds", pkSet, [this]() -> TPropertyValue { return Kinds; },
        [this](const TPropertyValue& v) { Kinds = std::get<int64_t>(v); },
        TPropertyValue(int64_t(0)))
        ->EnumNames = &FunctionPackageNames();
    TProperty* lines = add(
        "Lines", pkStringList, [this]() -> TPropertyValue { return Lines; },
        [this](const TPropertyValue& v) { Lines = std::get<std::vector<std::string>>(v); },
        std::nullopt);
    lines->Stored = [this]() { return !Lines.empty(); };
    TProperty table;
    table.Name = "Table";
    table.Kind = pkObject;
    table.Object = &Table;
    props.push_back(table);
  }

  void Loaded() override {
    TComponent::Loaded();
    gLoaded.push_back(Name());
    sawChildInLoaded = ComponentCount() > 0 && Value == 7;
  }
};

const TComponentClassRegistrar<TThing> registerThing("TThing");

class ComponentStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { gLoaded.clear(); }
};

std::string Crlf(std::string text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

TEST_F(ComponentStreamTest, WritesOnlyNonDefaultPropertiesInOrder) {
  TThing thing(nullptr);
  thing.SetName("Thing1");
  EXPECT_EQ(ComponentToText(thing), Crlf("object Thing1: TThing\n"
                                         "  Flag = False\n"
                                         "  Table.LoadFactor = 0.75\n"
                                         "end\n"));
  thing.Value = -12;
  thing.Text = "it's\r\nhere";
  thing.Mode = ssBreadthFirst;
  thing.Kinds = (1 << pStandard) | (1 << pMath);
  thing.Lines = {"one", "", "two"};
  thing.Table.Capacity = 7;
  thing.Table.LoadFactor = 1.5E-7;
  EXPECT_EQ(ComponentToText(thing), Crlf("object Thing1: TThing\n"
                                         "  Value = -12\n"
                                         "  Flag = False\n"
                                         "  Text = 'it''s'#13#10'here'\n"
                                         "  Mode = ssBreadthFirst\n"
                                         "  Kinds = [pStandard, pMath]\n"
                                         "  Lines = (\n"
                                         "    'one'\n"
                                         "    ''\n"
                                         "    'two')\n"
                                         "  Table.Capacity = 7\n"
                                         "  Table.LoadFactor = 1.5E-7\n"
                                         "end\n"));
}

TEST_F(ComponentStreamTest, TreeReadsBackEqualAndLoadedRunsAfterTheWholeTree) {
  TThing root(nullptr);
  root.SetName("Root");
  root.Value = 7;
  root.Flag = true;
  root.Lines = {"(deftemplate x)", "a'b"};
  auto* a = new TThing(&root);
  a->SetName("A");
  a->Text = std::string("\x01\x7f\xc3\xa4 tab\t'", 9);
  auto* b = new TThing(&root);
  b->SetName("B");
  b->Kinds = 0xff;
  b->Table.LoadFactor = 1E20;
  auto* b1 = new TThing(b);
  b1->Mode = ssBreadthFirst;  // unnamed
  auto* skipped = new TThing(&root);
  skipped->SetName("Made");
  skipped->SetSubComponent(true);

  std::string text = ComponentToText(root);
  std::unique_ptr<TComponent> copy = TextToComponent(text);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(ComponentToText(*copy), text);
  EXPECT_EQ(gLoaded, (std::vector<std::string>{"Root", "A", "B", ""}));

  auto& r = dynamic_cast<TThing&>(*copy);
  EXPECT_TRUE(r.sawChildInLoaded);
  EXPECT_FALSE(r.Loading());
  ASSERT_EQ(r.ComponentCount(), 2);  // the sub-component was not written
  auto& ra = dynamic_cast<TThing&>(*r.Components(0));
  auto& rb = dynamic_cast<TThing&>(*r.Components(1));
  EXPECT_EQ(r.Lines, root.Lines);
  EXPECT_EQ(ra.Text, a->Text);
  EXPECT_EQ(rb.Name(), "B");
  EXPECT_EQ(rb.Kinds, 0xff);
  EXPECT_EQ(rb.Table.LoadFactor, 1E20);
  ASSERT_EQ(rb.ComponentCount(), 1);
  EXPECT_EQ(dynamic_cast<TThing&>(*rb.Components(0)).Mode, ssBreadthFirst);
}

TEST_F(ComponentStreamTest, EveryByteAndSpecialFloatsSurvive) {
  TThing thing(nullptr);
  for (int i = 0; i < 256; ++i) thing.Text += char(i);
  for (double d : {0.1, -3.0, 1E-5, 123456789012345.0, HUGE_VAL, -HUGE_VAL}) {
    thing.Table.LoadFactor = d;
    auto copy = TextToComponent(ComponentToText(thing));
    auto& t = dynamic_cast<TThing&>(*copy);
    EXPECT_EQ(t.Table.LoadFactor, d);
    EXPECT_EQ(t.Text, thing.Text);
  }
  thing.Table.LoadFactor = std::nan("");
  auto copy = TextToComponent(ComponentToText(thing));
  EXPECT_TRUE(std::isnan(dynamic_cast<TThing&>(*copy).Table.LoadFactor));
}

TEST_F(ComponentStreamTest, ReaderAcceptsLooserLayout) {
  // LF or CR line ends, strings continued with '+', names in any case for
  // keywords, booleans and enumerations, properties after children.
  auto c = TextToComponent(
      "OBJECT TThing\n object Kid: TThing\rEnd\n"
      "  Text = 'ab' +\n   'cd'#65\n  flag = true\n  Mode = SSBREADTHFIRST\n"
      "  Value = +5 Kinds = []\n  Lines = ()\nend\n\n");
  auto& t = dynamic_cast<TThing&>(*c);
  EXPECT_EQ(t.Name(), "");
  EXPECT_EQ(t.Text, "abcdA");
  EXPECT_TRUE(t.Flag);
  EXPECT_EQ(t.Mode, ssBreadthFirst);
  EXPECT_EQ(t.Value, 5);
  EXPECT_EQ(t.FindComponent("kid")->Owner(), &t);
}

TEST_F(ComponentStreamTest, ReadsIntoAnExistingRootAndUnderAnOwner) {
  TThing root(nullptr);
  ReadRootComponent("object Main: TThing\r\n  Value = 3\r\n  object C: TThing\r\n  end\r\nend\r\n",
                    root);
  EXPECT_EQ(root.Name(), "Main");
  EXPECT_EQ(root.Value, 3);
  ASSERT_EQ(root.ComponentCount(), 1);
  EXPECT_EQ(gLoaded, (std::vector<std::string>{"Main", "C"}));

  TComponent* d = ReadComponent("object D: TThing\r\nend\r\n", &root);
  EXPECT_EQ(d->Owner(), &root);
  EXPECT_EQ(root.ComponentCount(), 2);
  // The stream's class must be the root's.
  TComponent plain;
  try {
    ReadRootComponent("object X: TThing\r\nend\r\n", plain);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "Error reading X: TThing at line 1: Cannot read a TThing into a TComponent");
  }
  TStringStream s(ComponentToText(root));
  TThing again(nullptr);
  ReadRootComponentFromStream(s, again);
  EXPECT_EQ(ComponentToText(again), ComponentToText(root));
}

std::string ReadError(const std::string& text) {
  try {
    TextToComponent(text);
  } catch (const Exception& e) {
    return std::string(e.ClassName()) + ": " + e.what();
  }
  return "no error";
}

TEST_F(ComponentStreamTest, ErrorsNameWhatAndWhere) {
  EXPECT_EQ(ReadError("object A: TThing\r\n  Bogus = 1\r\nend"),
            "EReadError: Error reading TThing.Bogus at line 2: Property Bogus does not exist");
  EXPECT_EQ(ReadError("object A: TThing\n\n  Table.Size = 1\nend"),
            "EReadError: Error reading TThing.Table.Size at line 3: Property Table.Size does not exist");
  EXPECT_EQ(ReadError("object A: TThing\n  Value.X = 1\nend"),
            "EReadError: Error reading TThing.Value.X at line 2: Property Value.X does not exist");
  for (const char* bad : {"Value = 'x'", "Value = 1.5", "Value = 99999999999999999999",
                          "Mode = ssNowhere", "Mode = 2", "Kinds = [pStandard, pNope]",
                          "Flag = 1", "Text = abc", "Lines = 'x'", "Table = 1",
                          "Table.LoadFactor = 'x'"}) {
    std::string name = std::string(bad).substr(0, std::string(bad).find(' '));
    EXPECT_EQ(ReadError(std::string("object A: TThing\n") + bad + "\nend"),
              "EReadError: Error reading TThing." + name + " at line 2: Invalid property value")
        << bad;
  }
  EXPECT_EQ(ReadError("object A: TThing\n object B: TNowhere\n end\nend"),
            "EClassNotFound: Error reading B: TNowhere at line 2: Class TNowhere not found");
  // An error of a setter keeps its class.
  EXPECT_EQ(ReadError("object A: TThing\n  Value = -1\nend"),
            "EConvertError: Error reading TThing.Value at line 2: negative");
  EXPECT_EQ(ReadError("object A: TThing\n object B: TThing\n end\n object b: TThing\n end\nend"),
            "EComponentError: Error reading b: TThing at line 4: A component named b already exists");
  EXPECT_EQ(ReadError("object 1A: TThing\nend"),
            "EReadError: Invalid stream format at line 1: identifier expected but 1 found");
  EXPECT_EQ(ReadError("object A: TThing\n  Value 3\nend"),
            "EReadError: Invalid stream format at line 2: '=' expected but 3 found");
  EXPECT_EQ(ReadError("object A: TThing\n  Text = 'abc\nend"),
            "EReadError: Invalid stream format at line 2: unterminated string");
  EXPECT_EQ(ReadError("object A: TThing\n  Text = #300\nend"),
            "EReadError: Invalid stream format at line 2: invalid character code #300");
  EXPECT_EQ(ReadError("object A: TThing\n  Value = @\nend"),
            "EReadError: Invalid stream format at line 2: invalid character #64");
  EXPECT_EQ(ReadError("object A: TThing\nend\nend"),
            "EReadError: Invalid stream format at line 3: end of stream expected but 'end' found");
  EXPECT_EQ(ReadError(""), "EReadError: Invalid stream format at line 1: 'object' expected but end of stream found");
}

TEST_F(ComponentStreamTest, FailedReadsLeaveNothingBehind) {
  TThing owner(nullptr);
  EXPECT_THROW(ReadComponent("object A: TThing\n object B: TThing\n  Value = x\n end\nend", &owner),
               EReadError);
  EXPECT_EQ(owner.ComponentCount(), 0);
  new TThing(&owner);
  EXPECT_THROW(ReadRootComponent("object R: TThing\n object B: TThing\n end\n object C: TNone\n"
                                 " end\nend",
                                 owner),
               EClassNotFound);
  EXPECT_EQ(owner.ComponentCount(), 1);  // only the child it had before
  EXPECT_FALSE(owner.Loading());
  EXPECT_TRUE(gLoaded.empty());
}

TEST_F(ComponentStreamTest, TruncatedDeepAndGarbageStreamsFailCleanly) {
  TThing root(nullptr);
  root.Text = "x'y";
  root.Lines = {"a", "b"};
  new TThing(new TThing(&root));
  std::string text = ComponentToText(root);
  for (size_t n = 0; n + 2 < text.size(); ++n)  // every cut short of the final CR LF
    EXPECT_THROW(TextToComponent(text.substr(0, n)), EReadError) << n;

  std::string deep;
  for (int i = 0; i < 300; ++i) deep += "object TThing\n";
  EXPECT_EQ(ReadError(deep),
            "EReadError: Invalid stream format at line 257: objects nested deeper than 256 levels");

  std::mt19937 random(42);
  const std::string alphabet = "object end TThing = : [ ] ( ) , ' # 1 . - + \n\t\x01\xff Value Lines";
  for (int round = 0; round < 2000; ++round) {
    std::string garbage = "object TThing\n";
    size_t length = random() % 60;
    for (size_t i = 0; i < length; ++i) garbage += alphabet[random() % alphabet.size()];
    try {
      TextToComponent(garbage);
    } catch (const Exception&) {
    }
  }
}

TEST_F(ComponentStreamTest, ValueTextHelpers) {
  TProperty set;
  set.Kind = pkSet;
  set.EnumNames = &ConstructWatchNames();
  EXPECT_EQ(PropertyValueToText(set, TPropertyValue(int64_t(0))), "[]");
  EXPECT_EQ(PropertyValueToText(set, TPropertyValue(int64_t(0b10010))), "[cwFact, cwStatistics]");
  EXPECT_THROW(PropertyValueToText(set, TPropertyValue(int64_t(1) << 9)), EPropertyError);
  EXPECT_THROW(PropertyValueToText(set, TPropertyValue(std::string("x"))), EPropertyError);
  EXPECT_EQ(QuotedStreamString(""), "''");
  EXPECT_EQ(QuotedStreamString("\r\n"), "#13#10");
  EXPECT_EQ(QuotedStreamString("a\tb"), "'a'#9'b'");
}

}  // namespace
