// The conversions between Qt property values and rule values, by the kind of
// the property (see QtObjectModel.h for the mapping). Object-valued
// properties are left to the model, which makes the references.
// Thread-safety: pure functions; the values they read belong to the caller.
#pragma once

#include <QMetaProperty>
#include <QVariant>

#include "packages/ObjectModel.h"

// The package's kind of Property's type.
TObjectPropertyKind QtPropertyKind(const QMetaProperty& property);
// Value, read from Property (of a kind other than okObject and okUnsupported),
// as a rule value.
IIEValue QtValueOf(const QMetaProperty& property, const QVariant& value);
// Value as Property takes it. Raises the value's conversion errors, or
// "Invalid property element: %s" for a key an enumeration or flag lacks.
QVariant QtVariantOf(const QMetaProperty& property, const TIEValue& value);
