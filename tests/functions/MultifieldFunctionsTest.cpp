// The multifield functions of the standard package: results, copies versus
// shared elements, range and index errors, and the creation order with names,
// limits and help texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CallBuilder.h"
#include "core/ClassRegistry.h"
#include "functions/IEPackageComponents.h"
#include "packages/StandardMultifield.h"

using namespace calls;

namespace {

// A package holding only the multifield functions, as the standard package
// adds them.
class TMultifieldPackage : public TUserPackage {
 public:
  explicit TMultifieldPackage(TComponent* owner = nullptr) : TUserPackage(owner) {
    CreateFunctions();
  }
  void CreateFunctions() override {
    TUserPackage::CreateFunctions();
    CreateMultifieldFunctions(*this);
  }
};

class MultifieldTest : public ::testing::Test, public TCallBench {
 protected:
  MultifieldTest() { package.Reasoners().AddReasoner(engine); }

  // (create$ ...) as a nested argument.
  IIEValue List(std::initializer_list<IIEValue> items) { return Nest("create$", items); }
  // The elements' printed forms, for comparing whole results.
  static std::vector<std::string> Items(const IIEValue& list) {
    std::vector<std::string> out;
    for (const auto& item : list->ListRef()) out.push_back(item ? item->AsText() : "<none>");
    return out;
  }
  std::vector<std::string> Result(std::string_view name, std::initializer_list<IIEValue> args) {
    IIEValue result = Eval(name, args);
    EXPECT_EQ(result->DType(), dtList) << name;
    return Items(result);
  }

  TMultifieldPackage package;
};

using Texts = std::vector<std::string>;

TEST_F(MultifieldTest, CreateNestsAndCopies) {
  IIEValue nested = Eval("create$", {A("a"), List({A("b"), A("c")})});
  ASSERT_EQ(nested->ListRef().Count(), 2) << "a multifield argument is one element";
  EXPECT_EQ(nested->ListRef()[1]->DType(), dtList);
  EXPECT_EQ(Eval("length$", {TIEValue::MakeList(nested->AsList())})->AsInteger(), 2);

  EXPECT_EQ(Result("create$", {}), Texts{});
  context.SetVariable("x", S("s"));
  IIEValue constant = I(7);
  IIEValue made = Eval("create$", {V("x"), constant});
  EXPECT_EQ(Items(made), (Texts{"\"s\"", "7"}));
  EXPECT_NE(made->ListRef()[1].get(), constant.get()) << "arguments are cloned";
}

TEST_F(MultifieldTest, DeleteRanges) {
  IIEValue abcd = List({A("a"), A("b"), A("c"), A("d")});
  EXPECT_EQ(Result("delete$", {abcd, I(1), I(2)}), (Texts{"a", "d"}));
  EXPECT_EQ(Result("delete$", {List({A("a"), A("b")}), I(5), I(9)}), (Texts{"a", "b"}));
  EXPECT_EQ(Result("delete$", {abcd, I(-3), I(0)}), (Texts{"b", "c", "d"}));
  EXPECT_EQ(Result("delete$", {abcd, I(2), I(2)}), (Texts{"a", "b", "d"}));
  EXPECT_EQ(Error("delete$", {List({A("a"), A("b")}), I(2), I(1)}),
            "Invalid multifield begin and end parameters: 2, 1");
  EXPECT_EQ(Error("delete$", {A("a"), I(0), I(0)}), "Not a list.  Value Type is dtAtom");
}

TEST_F(MultifieldTest, ExplodeMakesAtomsOfSpaceSeparatedWords) {
  IIEValue words = Eval("explode$", {S("  a  b c ")});
  EXPECT_EQ(Items(words), (Texts{"a", "b", "c"}));
  IIEValue numbers = Eval("explode$", {S("1 2")});
  ASSERT_EQ(numbers->ListRef().Count(), 2);
  EXPECT_EQ(numbers->ListRef()[0]->DType(), dtAtom) << "numbers stay atoms";
  EXPECT_EQ(numbers->ListRef()[1]->AsString(), "2");
  EXPECT_EQ(Result("explode$", {S("")}), Texts{});
  EXPECT_EQ(Result("explode$", {S(" \t\r\n ")}), Texts{}) << "blanks and controls only";
  IIEValue tabbed = Eval("explode$", {S("\ta\tb c\r\n")});
  EXPECT_EQ(tabbed->ListRef().Count(), 2) << "a tab does not separate";
  EXPECT_EQ(tabbed->ListRef()[0]->AsString(), "a\tb");
  EXPECT_EQ(Items(Eval("explode$", {S("x \t y")})), (Texts{"x", "y"}))
      << "blanks after a space are dropped";
  EXPECT_EQ(Items(Eval("explode$", {A("one")})), (Texts{"one"}));
}

TEST_F(MultifieldTest, FirstRestLengthNth) {
  EXPECT_EQ(Eval("first$", {List({})}), NilValue());
  EXPECT_EQ(Eval("first$", {List({A("a"), A("b")})})->AsString(), "a");
  EXPECT_EQ(Result("rest$", {List({A("a"), A("b"), A("c")})}), (Texts{"b", "c"}));
  EXPECT_EQ(Result("rest$", {List({A("a")})}), Texts{});
  EXPECT_EQ(Error("rest$", {List({})}), "List index out of bounds (0)");
  EXPECT_EQ(Eval("length$", {List({})})->AsInteger(), 0);
  EXPECT_EQ(Error("length$", {S("abc")}), "Not a list.  Value Type is dtString");
  EXPECT_EQ(Error("first$", {I(1)}), "Not a list.  Value Type is dtInteger");

  EXPECT_EQ(Eval("nth$", {I(0), List({A("a"), A("b")})})->AsString(), "a");
  EXPECT_EQ(Eval("nth$", {I(1), List({A("a"), A("b")})})->AsString(), "b");
  EXPECT_EQ(Error("nth$", {I(2), List({A("a"), A("b")})}), "List index out of bounds (2)");
  EXPECT_EQ(Error("nth$", {I(-1), List({A("a")})}), "List index out of bounds (-1)");
  // nth$ hands out the stored element itself.
  IValueVector stored = MakeRef<TValueVector>();
  stored->Add(A("kept"));
  EXPECT_EQ(Eval("nth$", {I(0), TIEValue::MakeList(stored)}).get(), stored->Get(0).get());
  // rest$ copies: the argument's list is untouched.
  IIEValue argument = TIEValue::MakeList(stored);
  Eval("rest$", {argument});
  EXPECT_EQ(stored->Count(), 1);
}

TEST_F(MultifieldTest, ImplodeJoinsTextsWithoutQuotes) {
  IIEValue joined = Eval("implode$", {List({A("a"), S("b c"), I(3)})});
  EXPECT_EQ(joined->DType(), dtString);
  EXPECT_EQ(joined->AsString(), "a b c 3");
  EXPECT_EQ(Eval("implode$", {List({})})->AsString(), "");
  EXPECT_EQ(Error("implode$", {List({A("a"), List({A("b")})})}),
            "Not a string.  Value Type is dtList")
      << "a nested multifield has no text";
}

TEST_F(MultifieldTest, InsertKeepsTheValuesInWrittenOrder) {
  EXPECT_EQ(Result("insert$", {List({A("a"), A("b")}), I(1), A("x"), A("y")}),
            (Texts{"a", "x", "y", "b"}));
  EXPECT_EQ(Result("insert$", {List({A("a")}), I(0), A("x")}), (Texts{"x", "a"}));
  EXPECT_EQ(Result("insert$", {List({A("a")}), I(1), A("x")}), (Texts{"a", "x"}))
      << "Count is a valid position";
  EXPECT_EQ(Result("insert$", {List({A("a")}), I(3)}), (Texts{"a"})) << "nothing to insert";
  EXPECT_EQ(Error("insert$", {List({A("a")}), I(2), A("x")}), "List index out of bounds (2)");
  EXPECT_EQ(Error("insert$", {List({A("a")}), I(-1), A("x")}), "List index out of bounds (-1)");
  // A multifield value inserted stays one nested element.
  IIEValue nested = Eval("insert$", {List({}), I(0), List({A("p"), A("q")})});
  ASSERT_EQ(nested->ListRef().Count(), 1);
  EXPECT_EQ(nested->ListRef()[0]->DType(), dtList);
  // The first argument is copied, not changed.
  IValueVector original = MakeRef<TValueVector>();
  original->Add(A("a"));
  Eval("insert$", {TIEValue::MakeList(original), I(0), A("x")});
  EXPECT_EQ(original->Count(), 1);
  EXPECT_EQ(Error("insert$", {A("a"), I(0), A("x")}), "Not a list.  Value Type is dtAtom");
}

TEST_F(MultifieldTest, MemberComparesTypeAndValue) {
  EXPECT_EQ(Eval("member$", {A("c"), List({A("a"), A("b"), A("c")})})->AsInteger(), 2);
  EXPECT_EQ(Eval("member$", {A("z"), List({A("a"), A("b")})}), FalseAtom());
  EXPECT_EQ(Eval("member$", {A("b"), List({A("a"), A("b"), A("b")})})->AsInteger(), 1)
      << "the first match";
  EXPECT_EQ(Eval("member$", {S("a"), List({A("a")})}), FalseAtom()) << "a string is no atom";
  EXPECT_EQ(Eval("member$", {I(1), List({F(1.0)})}), FalseAtom());
  EXPECT_EQ(Eval("member$", {A("a"), List({})}), FalseAtom());
  EXPECT_EQ(
      Eval("member$", {List({A("b")}), List({A("a"), List({A("b")})})})->AsInteger(), 1)
      << "a nested multifield is found as one element";
}

TEST_F(MultifieldTest, ReplaceAndSubseq) {
  IIEValue abcd = List({A("a"), A("b"), A("c"), A("d")});
  EXPECT_EQ(Result("replace$", {abcd, I(1), I(2), A("x"), A("y")}), (Texts{"a", "x", "y", "d"}));
  EXPECT_EQ(Result("replace$", {abcd, I(0), I(3)}), Texts{}) << "no values: a deletion";
  EXPECT_EQ(Result("replace$", {abcd, I(3), I(9), A("z")}), (Texts{"a", "b", "c", "z"}));
  EXPECT_EQ(Error("replace$", {abcd, I(2), I(1), A("x")}),
            "Invalid multifield begin and end parameters: 2, 1");
  EXPECT_EQ(Error("replace$", {List({A("a")}), I(5), I(6), A("x")}),
            "List index out of bounds (5)");

  EXPECT_EQ(Result("subseq$", {abcd, I(1), I(2)}), (Texts{"b", "c"}));
  EXPECT_EQ(Result("subseq$", {abcd, I(3), I(3)}), (Texts{"d"}));
  EXPECT_EQ(Error("subseq$", {abcd, I(2), I(1)}),
            "Invalid multifield begin and end parameters: 2, 1");
  EXPECT_EQ(Error("subseq$", {abcd, I(2), I(4)}), "List index out of bounds (4)");
  EXPECT_EQ(Error("subseq$", {abcd, I(-1), I(0)}), "List index out of bounds (-1)");
  EXPECT_EQ(Error("subseq$", {abcd, I(2), I(2147483647)}), "List index out of bounds (4)")
      << "an extreme end fails at the list's end";
  // The range is checked before the list is read.
  EXPECT_EQ(Error("subseq$", {A("x"), I(2), I(1)}),
            "Invalid multifield begin and end parameters: 2, 1");
}

TEST_F(MultifieldTest, SubsetpLooksForAContiguousRunInOrder) {
  IIEValue abcd = List({A("a"), A("b"), A("c"), A("d")});
  EXPECT_EQ(Eval("subsetp", {List({A("b"), A("c")}), abcd}), TrueAtom());
  EXPECT_EQ(Eval("subsetp", {List({A("c"), A("b")}), abcd}), FalseAtom());
  EXPECT_EQ(Eval("subsetp", {List({A("c"), A("d")}), List({A("a"), A("b"), A("c")})}),
            FalseAtom())
      << "a run past the end does not match";
  EXPECT_EQ(Eval("subsetp", {A("b"), List({A("a"), A("b")})}), TrueAtom());
  EXPECT_EQ(Eval("subsetp", {A("z"), List({A("a"), A("b")})}), FalseAtom());
  EXPECT_EQ(Eval("subsetp", {List({A("a"), A("c")}), abcd}), FalseAtom()) << "not contiguous";
  EXPECT_EQ(Eval("subsetp", {abcd, abcd}), TrueAtom());
  EXPECT_EQ(Eval("subsetp", {List({A("b"), A("b")}), List({A("b"), A("a"), A("b"), A("b")})}),
            TrueAtom())
      << "a failed start does not hide a later one";
  EXPECT_EQ(Eval("subsetp", {List({}), List({})}), TrueAtom()) << "the empty run";
  EXPECT_EQ(Eval("subsetp", {List({}), abcd}), TrueAtom());
  EXPECT_EQ(Eval("subsetp", {A("a"), List({})}), FalseAtom());
}

TEST_F(MultifieldTest, CreationOrderNamesLimitsAndHelp) {
  EXPECT_EQ(package.Functions().Text(),
            "create$\r\ndelete$\r\nexplode$\r\nfirst$\r\nimplode$\r\ninsert$\r\nlength$\r\n"
            "member$\r\nnth$\r\nreplace$\r\nrest$\r\nsubseq$\r\nsubsetp\r\n");
  struct TExpected {
    const char* ClassName;
    int32_t Min, Max;
    const char* Syntax;
  };
  const int32_t many = UnlimitedArguments;
  const std::vector<TExpected> expected = {
      {"TCreateMFFunction", 0, many, "(create$ <expression>*)"},
      {"TDeleteMFFunction", 3, 3,
       "(delete$ <multifield-expression> <start-integer-expression> <end-integer-expression>)"},
      {"TExplodeMFFunction", 1, 1, "(explode$ <string-expression> )"},
      {"TFirstMFFunction", 1, 1, "(first$ <multifield-expression> )"},
      {"TImplodeMFFunction", 1, 1, "(implode$ <multifield-expression> )"},
      {"TInsertMFFunction", 2, many,
       "(insert$ <multifield-expression> <integer-expression> <expression>*)"},
      {"TLengthMFFunction", 1, 1, "(length$ <multifield-expression> )"},
      {"TMemberMFFunction", 2, 2, "(member$ <expression> <multifield-expression>)"},
      {"TNthMFFunction", 2, 2, "(nth$ <integer-expression> <multifield-expression>)"},
      {"TReplaceMFFunction", 3, many,
       "(replace$ <multifield-expression> <start-integer-expression> "
       "<end-integer-expression> <expression>*)"},
      {"TRestMFFunction", 1, 1, "(rest$ <multifield-expression>)"},
      {"TSubSeqMFFunction", 3, 3,
       "(subseq$ <multifield-expression> <start-integer-expression> <end-integer-expression>)"},
      {"TSubSetpMFFunction", 2, 2, "(subsetp <expression> <multifield-expression>)"},
  };
  ASSERT_EQ(package.Functions().Count(), int32_t(expected.size()));
  for (int32_t i = 0; i < package.Functions().Count(); ++i) {
    const IUserFunction& f = package.Functions()[i];
    const TExpected& e = expected[size_t(i)];
    EXPECT_EQ(f->ClassName(), e.ClassName);
    EXPECT_EQ(f->MinArgumentCount(), e.Min) << e.ClassName;
    EXPECT_EQ(f->MaxArgumentCount(), e.Max) << e.ClassName;
    // Help text first, then the syntax line.
    const std::string comment = f->Comment();
    const std::string tail = std::string("\r\n     syntax: ") + e.Syntax;
    ASSERT_GT(comment.size(), tail.size()) << e.ClassName;
    EXPECT_EQ(comment.substr(comment.size() - tail.size()), tail) << e.ClassName;
    EXPECT_EQ(comment.find("\r\n"), comment.size() - tail.size()) << "one line of help";
    EXPECT_TRUE(IsFunctionClassRegistered(e.ClassName)) << e.ClassName;
  }
  EXPECT_EQ(Error("delete$", {List({}), I(0)}), "Too few arguments for delete$");
  EXPECT_EQ(Error("nth$", {I(0), List({}), I(1)}), "Too many arguments for nth$");
  EXPECT_EQ(Error("insert$", {List({})}), "Too few arguments for insert$");

  // Adding them again (the standard package's repeated CreateFunctions) adds nothing.
  CreateMultifieldFunctions(package);
  EXPECT_EQ(package.Functions().Count(), 13);
}

}  // namespace
