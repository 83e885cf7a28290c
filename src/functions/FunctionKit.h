// What a function of a package is written with: the one declaring macro, the
// describing helper that names a function and sets its limits and help, and
// the typed argument readers, which raise the value getters' messages
// ("Not a %s.  Value Type is %s").
//
// A function class is declared with IE_FUNCTION(TMyFunction); its constructor
// calls DescribeFunction and its Run reads the arguments it needs. The
// argument count has been checked against the limits before Run starts
// (TIEUserFunction::Call), so Run never checks it again.
//
// Stateless free functions, safe on any thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "functions/IEPackages.h"
#include "values/IEValue.h"

class TFunctionCall;
class TIEContext;

// Declares a function class: constructor (name, limits, help text), class
// name (also as StaticClassName, for registering the class by name) and the
// function's own Run.
#define IE_FUNCTION(ClassId)                                                          \
  class ClassId : public TIEUserFunction {                                            \
   public:                                                                            \
    static constexpr const char* StaticClassName = #ClassId;                          \
    ClassId();                                                                        \
    std::string ClassName() const override { return StaticClassName; }                \
                                                                                      \
   protected:                                                                         \
    void Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) override; \
  };

// One function class a package makes by name: the class name and a factory.
struct TFunctionClass {
  const char* Name;
  IUserFunction (*Create)();
};

// The entry of T, a class declared with IE_FUNCTION.
template <class T>
constexpr TFunctionClass FunctionClassOf() {
  return {T::StaticClassName, [] { return IUserFunction(new T()); }};
}

// A new function of the class named ClassName among Classes; none when no
// entry has that name.
IUserFunction CreateFunctionOf(std::span<const TFunctionClass> classes, std::string_view className);
// Registers every class of Classes for the package stream under its name.
void RegisterFunctionClasses(std::span<const TFunctionClass> classes);

// Names a function, sets its limits and its help text
// ("%s\r\n     syntax: (%s)" with Help and Syntax).
void DescribeFunction(TIEUserFunction& function, const char* name, int32_t minCount,
                      int32_t maxCount, const char* help, const std::string& syntax);

// ---- Arguments. Index counts from 0; the call has been count-checked.

// EIEException "Not a %s.  Value Type is %s" with Word (SNumericWord,
// SStringWord, ...) and the name of Type: the getters' error.
[[noreturn]] void RaiseNotA(const char* word, TIEType type);

// Argument Index resolved against Context; none when it resolves to nothing.
IIEValue ResolveArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context);
// The resolved argument read with the value's getters (AsNumeric, AsInteger,
// AsString, AsList). EIEException "Not a %s.  Value Type is %s" when it does
// not convert, also when it resolved to nothing (the type then reads dtNone).
double NumericArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context);
int32_t IntegerArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context);
std::string TextArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context);
IValueVector ListArgument(const TFunctionCall& funCall, int32_t index, TIEContext* context);
// An element of a multifield read with AsNumeric (a missing element fails as
// dtNone).
double NumericElement(const TValueVector& list, int32_t index);
// A resolved value read with AsNumeric / AsInteger / AsString; none fails as
// dtNone.
double NumericOf(const IIEValue& value);
int32_t IntegerOf(const IIEValue& value);
std::string TextOf(const IIEValue& value);
