#include "host/QtPropertyValues.h"

#include <cstdint>
#include <limits>
#include <string>

#include <QMetaEnum>
#include <QMetaType>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "core/TextCompare.h"

namespace {

[[noreturn]] void RaiseElement(const std::string& element) {
  throw EIEException(Format(SInvalidPropertyElement, {element}));
}

bool StartsLikeName(const TIEValue& value) {
  if (!value.IsTextType()) return false;
  const std::string_view text = value.TextView();
  return !text.empty() && !(text[0] >= '0' && text[0] <= '9') && text[0] != '-';
}

std::string Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return std::string(text);
}

int KeyValue(const QMetaEnum& enumerator, const std::string& key) {
  bool ok = false;
  const int value = enumerator.keyToValue(key.c_str(), &ok);
  if (!ok) RaiseElement(key);
  return value;
}

// "[A,B]", "A,B" or "[]": the flags of the named keys.
int FlagsOf(const QMetaEnum& enumerator, std::string_view text) {
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']')
    text = text.substr(1, text.size() - 2);
  int flags = 0;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    const std::string key = Trimmed(text.substr(0, comma));
    if (!key.empty()) flags |= KeyValue(enumerator, key);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
  }
  return flags;
}

std::string FlagsText(const QMetaEnum& enumerator, int flags) {
  QByteArray keys = enumerator.valueToKeys(flags);
  keys.replace('|', ',');
  return "[" + keys.toStdString() + "]";
}

IIEValue IntegerValue(int64_t n) {
  if (n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max())
    return TIEValue::MakeInteger(int32_t(n));
  return TIEValue::MakeFloat(double(n));  // beyond the language's integers
}

bool BooleanOf(const TIEValue& value) {
  if (value.IsTextType()) {
    if (SameText(value.TextView(), "TRUE")) return true;
    if (SameText(value.TextView(), "FALSE")) return false;
  }
  return value.AsInteger() != 0;
}

}  // namespace

TObjectPropertyKind QtPropertyKind(const QMetaProperty& property) {
  if (property.isFlagType()) return okSet;
  if (property.isEnumType()) return okEnumeration;
  const QMetaType type = property.metaType();
  switch (type.id()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::Long: case QMetaType::ULong:
    case QMetaType::LongLong: case QMetaType::ULongLong: case QMetaType::Short:
    case QMetaType::UShort: case QMetaType::SChar: case QMetaType::UChar:
      return okInteger;
    case QMetaType::Bool:
      return okBoolean;
    case QMetaType::Double: case QMetaType::Float:
      return okFloat;
    case QMetaType::QString: case QMetaType::QByteArray: case QMetaType::QChar:
    case QMetaType::Char:
      return okString;
    default:
      return type.flags().testFlag(QMetaType::PointerToQObject) ? okObject : okUnsupported;
  }
}

IIEValue QtValueOf(const QMetaProperty& property, const QVariant& value) {
  switch (QtPropertyKind(property)) {
    case okInteger:
      return IntegerValue(value.toLongLong());
    case okFloat:
      return TIEValue::MakeFloat(value.toDouble());
    case okBoolean:
      return BooleanAtom(value.toBool());
    case okString:
      if (property.metaType().id() == QMetaType::QByteArray)
        return TIEValue::MakeString(value.toByteArray().toStdString());
      if (property.metaType().id() == QMetaType::Char)
        return TIEValue::MakeString(std::string(1, value.value<char>()));
      return TIEValue::MakeString(value.toString().toStdString());
    case okEnumeration: {
      const QMetaEnum enumerator = property.enumerator();
      const int n = value.toInt();
      const char* key = enumerator.valueToKey(n);
      return TIEValue::MakeAtom(key ? std::string(key) : std::to_string(n));
    }
    case okSet:
      return TIEValue::MakeString(FlagsText(property.enumerator(), value.toInt()));
    default:
      throw EIEException(Format(SInvalidPropertyType, {property.typeName()}));
  }
}

QVariant QtVariantOf(const QMetaProperty& property, const TIEValue& value) {
  const int typeId = property.metaType().id();
  switch (QtPropertyKind(property)) {
    case okInteger:
      return QVariant(qlonglong(value.AsInteger()));
    case okFloat:
      return QVariant(value.AsFloat());
    case okBoolean:
      return QVariant(BooleanOf(value));
    case okString: {
      const std::string text = value.AsString();
      if (typeId == QMetaType::QByteArray) return QVariant(QByteArray::fromStdString(text));
      if (typeId == QMetaType::Char) return QVariant::fromValue(text.empty() ? '\0' : text[0]);
      const QString unicode = QString::fromStdString(text);
      if (typeId == QMetaType::QChar) return QVariant(unicode.isEmpty() ? QChar() : unicode[0]);
      return QVariant(unicode);
    }
    case okEnumeration: {
      const QMetaEnum enumerator = property.enumerator();
      if (StartsLikeName(value)) return QVariant(KeyValue(enumerator, std::string(value.TextView())));
      const int n = value.AsInteger();
      if (!enumerator.valueToKey(n)) RaiseElement(std::to_string(n));
      return QVariant(n);
    }
    case okSet: {
      if (value.IsTextType()) return QVariant(FlagsOf(property.enumerator(), value.TextView()));
      return QVariant(value.AsInteger());
    }
    default:
      throw EIEException(Format(SInvalidPropertyType, {property.typeName()}));
  }
}
