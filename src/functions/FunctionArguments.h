// Small helpers the built-in functions share to read their call's arguments:
// resolve an argument against the context and read it through the value's
// typed getters. A nested call may yield no value; the getters then fail with
// the getter's own "Not a %s.  Value Type is dtNone" instead of crashing.
// Stateless; safe on any number of threads at once.
#pragma once

#include <cstdint>
#include <string>

#include "functions/IEFunctionCall.h"
#include "values/IEValue.h"

namespace ie_args {

// A shared empty value (dtNone) that stands for "no value" when a getter is
// asked to read one.
inline const TIEValue& NoneValue() {
  static const IIEValue none = [] {
    IIEValue v = MakeRef<TIEValue>();
    v->Freeze();
    return v;
  }();
  return *none;
}

// Value, or the empty value when there is none.
inline const TIEValue& ValueOrNone(const IIEValue& value) {
  return value ? *value : NoneValue();
}

// Value resolved against Context; none stays none.
inline IIEValue ResolveValue(const IIEValue& value, TIEContext* context) {
  return value ? value->Resolve(context) : IIEValue();
}

// An independent copy of Value; none stays none.
inline IIEValue CloneValue(const IIEValue& value) {
  return value ? value->Clone() : IIEValue();
}

// Argument Index of the call, resolved (may be none).
inline IIEValue Resolved(const TFunctionCall& call, int32_t index, TIEContext* context) {
  return ResolveValue(call.GetArgument(index), context);
}

// Argument Index resolved and read as text (AsString).
inline std::string TextArgument(const TFunctionCall& call, int32_t index, TIEContext* context) {
  return ValueOrNone(Resolved(call, index, context)).AsString();
}

// Argument Index resolved and read as an integer (AsInteger).
inline int32_t IntegerArgument(const TFunctionCall& call, int32_t index, TIEContext* context) {
  return ValueOrNone(Resolved(call, index, context)).AsInteger();
}

// Argument Index resolved; it must be a multifield ("Not a list ..." otherwise).
// The returned handle keeps the list alive; read it with ListRef.
inline IIEValue ListArgument(const TFunctionCall& call, int32_t index, TIEContext* context) {
  IIEValue value = Resolved(call, index, context);
  ValueOrNone(value).ListRef();  // raises the getter's error for any other type
  return value;
}

}  // namespace ie_args
