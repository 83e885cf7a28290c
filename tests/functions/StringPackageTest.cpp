// The string package: its functions' results and errors, called through an
// engine the package serves, and the package's table of functions.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "CallBuilder.h"
#include "core/ClassRegistry.h"
#include "packages/StringPackage.h"

using namespace calls;

namespace {

class StringPackageTest : public ::testing::Test, public TCallBench {
 protected:
  StringPackageTest() { package.Reasoners().AddReasoner(engine); }
  TStringPackage package;
};

TEST_F(StringPackageTest, ConcatenationGivesStringOrAtom) {
  IIEValue s = Eval("str-cat", {A("a"), S("b"), I(1), F(2.5)});
  EXPECT_EQ(s->DType(), dtString);
  EXPECT_EQ(s->AsString(), "ab12.5");
  IIEValue atom = Eval("sym-cat", {A("a"), S("b")});
  EXPECT_EQ(atom->DType(), dtAtom);
  EXPECT_EQ(atom->AsString(), "ab");
  EXPECT_EQ(Eval("str-cat", {})->AsText(), "\"\"");
  EXPECT_EQ(Eval("sym-cat", {})->DType(), dtAtom);
  // Arguments are resolved: variables and nested calls.
  context.SetVariable("x", A("yz"));
  EXPECT_EQ(Eval("str-cat", {V("x"), Nest("upcase", {A("q")})})->AsString(), "yzQ");
  // A multifield is no text.
  IValueVector list = MakeRef<TValueVector>();
  EXPECT_EQ(Error("str-cat", {TIEValue::MakeList(list)}), "Not a string.  Value Type is dtList");
}

TEST_F(StringPackageTest, StrCompareIsOrdinalAndCaseSensitive) {
  EXPECT_LT(Eval("str-compare", {A("abc"), A("abd")})->AsInteger(), 0);
  EXPECT_GT(Eval("str-compare", {A("b"), A("a")})->AsInteger(), 0);
  EXPECT_EQ(Eval("str-compare", {A("a"), A("A")})->AsInteger(), 'a' - 'A');
  EXPECT_EQ(Eval("str-compare", {S("same"), A("same")})->AsInteger(), 0);
  EXPECT_EQ(Eval("str-compare", {A("ab"), A("abcd")})->AsInteger(), -2) << "length difference";
  EXPECT_EQ(Eval("str-compare", {A("abcd"), A("ab")})->AsInteger(), 2);
  // Bytes compare unsigned: a byte above 127 is greater than ASCII.
  EXPECT_GT(Eval("str-compare", {S("\xC3\xA9"), S("z")})->AsInteger(), 0);
}

TEST_F(StringPackageTest, StrIndexIsOneBasedOrFalse) {
  EXPECT_EQ(Eval("str-index", {A("c"), A("abc")})->AsInteger(), 3);
  EXPECT_EQ(Eval("str-index", {A("ab"), A("xabab")})->AsInteger(), 2) << "the first occurrence";
  EXPECT_EQ(Eval("str-index", {A("z"), A("abc")}), FalseAtom());
  EXPECT_EQ(Eval("str-index", {S(""), A("abc")}), FalseAtom()) << "an empty needle is not found";
  EXPECT_EQ(Eval("str-index", {A("abcd"), A("abc")}), FalseAtom());
  EXPECT_EQ(Eval("str-index", {I(1), I(2019)})->AsInteger(), 3) << "numbers read as text";
}

TEST_F(StringPackageTest, StrLengthCountsBytes) {
  EXPECT_EQ(Eval("str-length", {S("")})->AsInteger(), 0);
  EXPECT_EQ(Eval("str-length", {A("abcd")})->AsInteger(), 4);
  EXPECT_EQ(Eval("str-length", {I(-12)})->AsInteger(), 3);
}

TEST_F(StringPackageTest, SubStringBounds) {
  EXPECT_EQ(Eval("sub-string", {I(2), I(3), A("abcd")})->AsText(), "\"bc\"");
  EXPECT_EQ(Eval("sub-string", {I(2), I(10), A("abcd")})->AsString(), "bcd") << "end clipped";
  EXPECT_EQ(Eval("sub-string", {I(1), I(4), A("abcd")})->AsString(), "abcd");
  EXPECT_EQ(Eval("sub-string", {I(4), I(4), A("abcd")})->AsString(), "d");
  EXPECT_EQ(Eval("sub-string", {I(3), I(2), A("abcd")})->AsString(), "") << "end = start - 1";
  EXPECT_EQ(Eval("sub-string", {I(2), I(3), A("abcd")})->DType(), dtString);
  EXPECT_EQ(Eval("sub-string", {S("2"), F(3.9), A("abcd")})->AsString(), "bc")
      << "positions read as integers";

  EXPECT_EQ(Error("sub-string", {I(0), I(2), A("abcd")}), "Invalid substring parameters: 0, 2");
  EXPECT_EQ(Error("sub-string", {I(5), I(5), A("abcd")}), "Invalid substring parameters: 5, 5");
  EXPECT_EQ(Error("sub-string", {I(3), I(1), A("abcd")}), "Invalid substring parameters: 3, 1")
      << "reversed by more than one";
  EXPECT_EQ(Error("sub-string", {I(1), I(1), S("")}), "Invalid substring parameters: 1, 1");
  EXPECT_EQ(Error("sub-string", {I(-2147483647 - 1), I(2147483647), A("abcd")}),
            "Invalid substring parameters: -2147483648, 2147483647");
  EXPECT_EQ(Eval("sub-string", {I(2), I(2147483647), A("abcd")})->AsString(), "bcd")
      << "an extreme end does not wrap";
  EXPECT_EQ(Error("sub-string", {A("x"), I(2), A("abcd")}), "Not a integer.  Value Type is dtAtom");
}

TEST_F(StringPackageTest, CaseConversionTouchesOnlyAsciiLetters) {
  IIEValue up = Eval("upcase", {A("abc")});
  EXPECT_EQ(up->DType(), dtString) << "a string also for an atom argument";
  EXPECT_EQ(up->AsString(), "ABC");
  EXPECT_EQ(Eval("upcase", {S("a-z_09 \xC3\xA9{")})->AsString(), "A-Z_09 \xC3\xA9{");
  EXPECT_EQ(Eval("lowcase", {S("ABC-XYZ[@]\xC3\x89")})->AsString(), "abc-xyz[@]\xC3\x89");
  EXPECT_EQ(Eval("lowcase", {A("MiXeD")})->DType(), dtString);
  EXPECT_EQ(Eval("lowcase", {F(1.5E20)})->AsString(), "1.5e20");
}

TEST_F(StringPackageTest, ArgumentCountsAndMissingValues) {
  EXPECT_EQ(Error("lowcase", {}), "Too few arguments for lowcase");
  EXPECT_EQ(Error("upcase", {A("a"), A("b")}), "Too many arguments for upcase");
  EXPECT_EQ(Error("str-compare", {A("a")}), "Too few arguments for str-compare");
  EXPECT_EQ(Error("sub-string", {I(1), I(2), A("a"), A("b")}), "Too many arguments for sub-string");
  // A nested call that yields no value reads as a value of no type.
  engine.AddFunction(MakeRef<TEchoFunction>("nothing"));
  EXPECT_EQ(Error("str-length", {Nest("nothing", {})}), "Not a string.  Value Type is dtNone");
}

TEST_F(StringPackageTest, FunctionTableInOrderWithHelpAndLimits) {
  EXPECT_EQ(package.Functions().Text(),
            "lowcase\r\nstr-cat\r\nstr-compare\r\nstr-index\r\nstr-length\r\nsub-string\r\n"
            "sym-cat\r\nupcase\r\n");
  struct TExpected {
    const char* ClassName;
    int32_t Min, Max;
    const char* Help;
    const char* Syntax;
  };
  const int32_t many = UnlimitedArguments;
  const std::vector<TExpected> expected = {
      {"TLowerCaseFunction", 1, 1, "Returns its argument converted to a lower case string",
       "(lowcase <string-or-symbol-expression>)"},
      {"TStrCatFunction", 0, many, "Returns all of its arguments concatenated into a string",
       "(str-cat <lexeme-expression>*)"},
      {"TStrCompFunction", 2, 2,
       "Returns an integer value for the comparison of the two symbols, with case-sensitivity."
       "   The return value is less than 0 if argument1 is less than argument2, 0 if argument1 "
       "equals argument2, or greater than 0 if argument1 is greater than argument2",
       "(str-compare <lexeme-expression> <lexeme-expression>)"},
      {"TStrIndexFunction", 2, 2,
       "Returns an integer value representing the position of the first argument substring "
       "within the second argument, otherwise FALSE if the first argument is not a substring "
       "of the second argument",
       "(str-index <lexeme-expression> <lexeme-expression>)"},
      {"TStrLengthFunction", 1, 1, "Returns the length of the argument in characters",
       "(str-length <lexeme-expression>)"},
      {"TSubStringFunction", 3, 3,
       "Extracts a substring from the <lexeme-expression> from the specified range "
       "(<start-integer-expression> to <end-integer-expression>)",
       "(sub-string <start-integer-expression> <end-integer-expression> <lexeme-expression>)"},
      {"TSymCatFunction", 0, many, "Returns all of its arguments concatenated into a symbol",
       "(sym-cat <expression>*)"},
      {"TUpperCaseFunction", 1, 1, "Returns its argument converted to an upper case string",
       "(upcase <lexeme-expression>)"},
  };
  ASSERT_EQ(package.Functions().Count(), int32_t(expected.size()));
  for (int32_t i = 0; i < package.Functions().Count(); ++i) {
    const IUserFunction& f = package.Functions()[i];
    const TExpected& e = expected[size_t(i)];
    EXPECT_EQ(f->ClassName(), e.ClassName);
    EXPECT_EQ(f->MinArgumentCount(), e.Min) << e.ClassName;
    EXPECT_EQ(f->MaxArgumentCount(), e.Max) << e.ClassName;
    EXPECT_EQ(f->Comment(), std::string(e.Help) + "\r\n     syntax: " + e.Syntax);
    EXPECT_TRUE(IsFunctionClassRegistered(e.ClassName)) << e.ClassName;
    EXPECT_EQ(engine.registry[f->FunctionName()], f) << "served to the engine";
  }
  EXPECT_TRUE(IsComponentClassRegistered("TStringPackage"));
}

TEST_F(StringPackageTest, FunctionTableStreamsBackAndResetRecreates) {
  const std::vector<std::string> entries = package.PackageFunctions();
  TStringPackage copy;
  copy.SetPackageFunctions(entries);
  EXPECT_EQ(copy.Functions().Text(), package.Functions().Text());
  EXPECT_EQ(copy.Functions()[5]->ClassName(), "TSubStringFunction");
  EXPECT_EQ(copy.Functions()[5]->Comment(), package.Functions()[5]->Comment());

  package.SetReset(true);
  EXPECT_EQ(package.Functions().Count(), 8);
  EXPECT_EQ(engine.registry.size(), 8u) << "the new functions replace the old in the registry";
  EXPECT_EQ(Eval("sym-cat", {A("x"), I(1)})->AsString(), "x1");
}

TEST_F(StringPackageTest, OneFunctionObjectServesThreadsAtOnce) {
  // Two threads call the very same function objects with their own calls and
  // contexts; no call sees another's arguments.
  // The calls are bound to the functions up front, so the threads share
  // nothing but the function objects.
  const IUserFunction cat = package.Functions()[1];
  const IUserFunction upcase = package.Functions()[7];
  auto work = [&](const std::string& tag, std::vector<std::string>& out) {
    TIEContext local;
    for (int i = 0; i < 2000; ++i) {
      IFunctionCall call = TFunctionCall::Create(nullptr, "");
      call->SetFunction(cat);
      call->AddArgument(A(tag));
      call->AddArgument(I(i));
      IFunctionCall upper = TFunctionCall::Create(nullptr, "");
      upper->SetFunction(upcase);
      upper->AddArgument(call);
      out.push_back(upper->Evaluate(&local)->AsString());
    }
  };
  std::vector<std::string> first, second;
  std::thread a(work, "a", std::ref(first));
  std::thread b(work, "b", std::ref(second));
  a.join();
  b.join();
  for (int i = 0; i < 2000; ++i) {
    ASSERT_EQ(first[size_t(i)], "A" + std::to_string(i));
    ASSERT_EQ(second[size_t(i)], "B" + std::to_string(i));
  }
}

}  // namespace
