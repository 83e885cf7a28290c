#include "packages/StandardMultifield.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "packages/BuiltinPackages.h"
#include "functions/FunctionKit.h"
#include "functions/IEFunctionCall.h"
#include "functions/IEPackageComponents.h"

namespace {

IValueVector NewList() { return MakeRef<TValueVector>(); }

// An element or argument resolved against Context; none stays none.
IIEValue ResolveValue(const IIEValue& value, TIEContext* context) {
  return value ? value->Resolve(context) : IIEValue();
}

// An independent copy; none stays none.
IIEValue CloneValue(const IIEValue& value) { return value ? value->Clone() : IIEValue(); }

// The begin and end positions of a range (arguments 1 and 2), checked for
// order only: they are not compared with the multifield's length.
struct TRange {
  int32_t Begin;
  int32_t End;
  bool Contains(int32_t position) const { return position >= Begin && position <= End; }
};

TRange RangeArguments(const TFunctionCall& funCall, TIEContext* context) {
  const TRange range{IntegerArgument(funCall, 1, context), IntegerArgument(funCall, 2, context)};
  if (range.Begin > range.End)
    throw EIEException(Format(SInvalidMultifieldRange, {range.Begin, range.End}));
  return range;
}

// Clones of List's resolved elements whose positions lie outside Range.
IValueVector WithoutRange(const TValueVector& list, const TRange& range, TIEContext* context) {
  IValueVector kept = NewList();
  for (int32_t i = 0; i < list.Count(); ++i)
    if (!range.Contains(i)) kept->Add(CloneValue(ResolveValue(list.Get(i), context)));
  return kept;
}

// Each argument from First on, resolved and cloned, inserted at Index of List
// (so they end up in reverse order). The list's index error outside 0..Count.
void InsertArguments(const TFunctionCall& funCall, int32_t first, TIEContext* context,
                     TValueVector& list, int32_t index) {
  // Each value goes in after the one before it, so they keep the order written.
  for (int32_t i = first; i < funCall.ArgumentCount(); ++i)
    list.Insert(index++, CloneValue(ResolveArgument(funCall, i, context)));
}

// Strict equality that tolerates missing values (two missing values match).
bool SameValue(const IIEValue& a, const IIEValue& b) {
  if (!a || !b) return !a && !b;
  return a->Equals(b);
}

// Blanks and control characters, as trimmed from explode$'s text.
bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view TrimLeft(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlankOrControl(text[i])) ++i;
  return text.substr(i);
}

std::string_view Trim(std::string_view text) {
  text = TrimLeft(text);
  size_t n = text.size();
  while (n > 0 && IsBlankOrControl(text[n - 1])) --n;
  return text.substr(0, n);
}

}  // namespace

// ---------------------------------------------------------------- create$

TCreateMFFunction::TCreateMFFunction() {
  DescribeFunction(*this, "create$", 0, UnlimitedArguments, SCreateMFHelp, SCreateMFSyntax);
}

void TCreateMFFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IValueVector list = NewList();
  list->Reserve(funCall.ArgumentCount());
  for (int32_t i = 0; i < funCall.ArgumentCount(); ++i)
    list->Add(CloneValue(ResolveArgument(funCall, i, context)));
  result = TIEValue::MakeList(list);
}

// ---------------------------------------------------------------- delete$

TDeleteMFFunction::TDeleteMFFunction() {
  DescribeFunction(*this, "delete$", 3, 3, SDeleteMFHelp, SDeleteMFSyntax);
}

void TDeleteMFFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const TRange range = RangeArguments(funCall, context);
  const IValueVector list = ListArgument(funCall, 0, context);
  result = TIEValue::MakeList(WithoutRange(*list, range, context));
}

// ---------------------------------------------------------------- explode$

TExplodeMFFunction::TExplodeMFFunction() {
  DescribeFunction(*this, "explode$", 1, 1, SExplodeMFHelp, SExplodeMFSyntax);
}

void TExplodeMFFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const std::string text = TextArgument(funCall, 0, context);
  IValueVector list = NewList();
  // The trimmed text ends in a non-blank, so no word comes out empty.
  std::string_view rest = Trim(text);
  while (!rest.empty()) {
    const size_t space = rest.find(' ');
    if (space == std::string_view::npos) {
      list->Add(TIEValue::MakeAtom(rest));
      break;
    }
    list->Add(TIEValue::MakeAtom(rest.substr(0, space)));
    rest = TrimLeft(rest.substr(space + 1));
  }
  result = TIEValue::MakeList(list);
}

// ---------------------------------------------------------------- first$

TFirstMFFunction::TFirstMFFunction() {
  DescribeFunction(*this, "first$", 1, 1, SFirstMFHelp, SFirstMFSyntax);
}

void TFirstMFFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const IValueVector list = ListArgument(funCall, 0, context);
  const TValueVector& items = *list;
  result = items.Count() > 0 ? ResolveValue(items.Get(0), context) : NilValue();
}

// ---------------------------------------------------------------- implode$

TImplodeMFFunction::TImplodeMFFunction() {
  DescribeFunction(*this, "implode$", 1, 1, SImplodeMFHelp, SImplodeMFSyntax);
}

void TImplodeMFFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const IValueVector list = ListArgument(funCall, 0, context);
  const TValueVector& items = *list;
  std::string text;
  for (int32_t i = 0; i < items.Count(); ++i) {
    if (i > 0) text += ' ';
    text += TextOf(ResolveValue(items.Get(i), context));
  }
  result = TIEValue::MakeString(text);
}

// ---------------------------------------------------------------- insert$

TInsertMFFunction::TInsertMFFunction() {
  DescribeFunction(*this, "insert$", 2, UnlimitedArguments, SInsertMFHelp, SInsertMFSyntax);
}

void TInsertMFFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const IValueVector copy = ListArgument(funCall, 0, context)->Clone();
  const int32_t index = IntegerArgument(funCall, 1, context);
  InsertArguments(funCall, 2, context, *copy, index);
  result = TIEValue::MakeList(copy);
}

// ---------------------------------------------------------------- length$

TLengthMFFunction::TLengthMFFunction() {
  DescribeFunction(*this, "length$", 1, 1, SLengthMFHelp, SLengthMFSyntax);
}

void TLengthMFFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = TIEValue::MakeInteger(ListArgument(funCall, 0, context)->Count());
}

// ---------------------------------------------------------------- member$

TMemberMFFunction::TMemberMFFunction() {
  DescribeFunction(*this, "member$", 2, 2, SMemberMFHelp, SMemberMFSyntax);
}

void TMemberMFFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const IIEValue wanted = ResolveArgument(funCall, 0, context);
  const IValueVector list = ListArgument(funCall, 1, context);
  const TValueVector& items = *list;
  for (int32_t i = 0; i < items.Count(); ++i) {
    if (SameValue(wanted, ResolveValue(items.Get(i), context))) {
      result = TIEValue::MakeInteger(i);
      return;
    }
  }
  result = FalseAtom();
}

// ---------------------------------------------------------------- nth$

TNthMFFunction::TNthMFFunction() {
  DescribeFunction(*this, "nth$", 2, 2, SNthMFHelp, SNthMFSyntax);
}

void TNthMFFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const int32_t index = IntegerArgument(funCall, 0, context);
  const IValueVector list = ListArgument(funCall, 1, context);
  result = list->Get(index);
}

// ---------------------------------------------------------------- replace$

TReplaceMFFunction::TReplaceMFFunction() {
  DescribeFunction(*this, "replace$", 3, UnlimitedArguments, SReplaceMFHelp, SReplaceMFSyntax);
}

void TReplaceMFFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const TRange range = RangeArguments(funCall, context);
  const IValueVector list = ListArgument(funCall, 0, context);
  IValueVector replaced = WithoutRange(*list, range, context);
  InsertArguments(funCall, 3, context, *replaced, range.Begin);
  result = TIEValue::MakeList(replaced);
}

// ---------------------------------------------------------------- rest$

TRestMFFunction::TRestMFFunction() {
  DescribeFunction(*this, "rest$", 1, 1, SRestMFHelp, SRestMFSyntax);
}

void TRestMFFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const IValueVector copy = ListArgument(funCall, 0, context)->Clone();
  copy->Delete(0);
  result = TIEValue::MakeList(copy);
}

// ---------------------------------------------------------------- subseq$

TSubSeqMFFunction::TSubSeqMFFunction() {
  DescribeFunction(*this, "subseq$", 3, 3, SSubSeqMFHelp, SSubSeqMFSyntax);
}

void TSubSeqMFFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const TRange range = RangeArguments(funCall, context);
  const IValueVector list = ListArgument(funCall, 0, context);
  const TValueVector& items = *list;
  IValueVector part = NewList();
  // 64-bit position: an End of the largest integer must not wrap the loop.
  // A position outside the list raises the list's index error at once.
  for (int64_t i = range.Begin; i <= range.End; ++i)
    part->Add(CloneValue(ResolveValue(items.Get(int32_t(i)), context)));
  result = TIEValue::MakeList(part);
}

// ---------------------------------------------------------------- subsetp

TSubSetpMFFunction::TSubSetpMFFunction() {
  DescribeFunction(*this, "subsetp", 2, 2, SSubSetpMFHelp, SSubSetpMFSyntax);
}

void TSubSetpMFFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const IIEValue sub = ResolveArgument(funCall, 0, context);
  const IValueVector list = ListArgument(funCall, 1, context);
  // A single value stands for the one-element multifield holding it.
  IValueVector single;
  const TValueVector* run = nullptr;
  if (sub && sub->DType() == dtList) {
    run = &sub->ListRef();
  } else {
    single = NewList();
    single->Add(sub);
    run = single.get();
  }
  const TValueVector& items = *list;
  const int32_t runLength = run->Count();
  result = FalseAtom();
  if (runLength == 0) {
    result = TrueAtom();  // the empty run occurs in every multifield
    return;
  }
  // Only starts from which the whole run fits inside the list can match.
  for (int32_t k = 0; k + runLength <= items.Count(); ++k) {
    bool matches = true;
    for (int32_t j = 0; j < runLength && matches; ++j)
      matches = SameValue(run->Get(j), ResolveValue(items.Get(k + j), context));
    if (matches) {
      result = TrueAtom();
      return;
    }
  }
}

// ---------------------------------------------------------------- creation order

void CreateMultifieldFunctions(TUserPackage& package) {
  package.CreateFunction<TCreateMFFunction>();
  package.CreateFunction<TDeleteMFFunction>();
  package.CreateFunction<TExplodeMFFunction>();
  package.CreateFunction<TFirstMFFunction>();
  package.CreateFunction<TImplodeMFFunction>();
  package.CreateFunction<TInsertMFFunction>();
  package.CreateFunction<TLengthMFFunction>();
  package.CreateFunction<TMemberMFFunction>();
  package.CreateFunction<TNthMFFunction>();
  package.CreateFunction<TReplaceMFFunction>();
  package.CreateFunction<TRestMFFunction>();
  package.CreateFunction<TSubSeqMFFunction>();
  package.CreateFunction<TSubSetpMFFunction>();
}

void RegisterStandardMultifieldClasses() {
  RegisterFunctionClass<TCreateMFFunction>();
  RegisterFunctionClass<TDeleteMFFunction>();
  RegisterFunctionClass<TExplodeMFFunction>();
  RegisterFunctionClass<TFirstMFFunction>();
  RegisterFunctionClass<TImplodeMFFunction>();
  RegisterFunctionClass<TInsertMFFunction>();
  RegisterFunctionClass<TLengthMFFunction>();
  RegisterFunctionClass<TMemberMFFunction>();
  RegisterFunctionClass<TNthMFFunction>();
  RegisterFunctionClass<TReplaceMFFunction>();
  RegisterFunctionClass<TRestMFFunction>();
  RegisterFunctionClass<TSubSeqMFFunction>();
  RegisterFunctionClass<TSubSetpMFFunction>();
}
