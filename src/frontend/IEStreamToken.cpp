#include "frontend/IEStreamToken.h"

#include <charconv>
#include <cmath>

#include "core/Exceptions.h"
#include "core/FloatText.h"
#include "core/IEConsts.h"
#include "core/IEInterfaces.h"

namespace {

// The integer part of a token number, safe for any double.
int64_t Truncated(double number) {
  if (std::isnan(number)) return 0;
  if (number >= 9.2e18) return INT64_MAX;
  if (number <= -9.2e18) return INT64_MIN;
  return int64_t(number);
}

}  // namespace

std::string TIEStreamToken::AsText() const {
  std::string text;
  AppendText(text);
  return text;
}

void TIEStreamToken::AppendText(std::string& out) const {
  switch (dataType_) {
    case dtVariable: out += '?'; out += text_; return;
    case dtMultiVariable: out += "$?"; out += text_; return;
    case dtString: out += '"'; out += text_; out += '"'; return;
    case dtFloat: out += FloatToText(number_); return;
    case dtInteger: {
      // Written in place: every integer of a program passes here.
      char digits[24];
      const auto written = std::to_chars(digits, digits + sizeof digits, Truncated(number_));
      out.append(digits, written.ptr);
      return;
    }
    default:
      if (!text_.empty()) out += text_;
      else out += char(dataType_);
  }
}

void TIEStreamToken::Assign(const ICloneable& source) {
  const auto* token = dynamic_cast<const TIEStreamToken*>(&source);
  if (!token) throw EInvalidCast(SInvalidCast);
  dataType_ = token->dataType_;
  lineNumber_ = token->lineNumber_;
  number_ = token->number_;
  text_ = token->text_;
  object_ = token->object_;
  tag_ = token->tag_;
}

void TIEStreamToken::Assign(const TPersistent* source) {
  if (const auto* token = dynamic_cast<const TIEStreamToken*>(source)) {
    Assign(static_cast<const ICloneable&>(*token));
    return;
  }
  TPersistent::Assign(source);
}

TRef<TIEStreamToken> TIEStreamToken::Clone() const {
  auto copy = MakeRef<TIEStreamToken>();
  copy->Assign(static_cast<const ICloneable&>(*this));
  return copy;
}

TRef<ICloneable> TIEStreamToken::CloneObject() const { return TRef<ICloneable>(Clone()); }

bool TIEStreamToken::IsEqual(const ICloneable* other) const {
  const auto* token = dynamic_cast<const TIEStreamToken*>(other);
  return token && token->dataType_ == dataType_ && token->lineNumber_ == lineNumber_ &&
         token->number_ == number_;
}

void TIEStreamToken::Properties(std::vector<TProperty>& props) {
  TPersistent::Properties(props);
  auto integer = [&](const char* name, int32_t& field) {
    TProperty p;
    p.Name = name;
    p.Kind = pkInteger;
    p.Get = [&field] { return TPropertyValue(int64_t(field)); };
    p.Set = [&field](const TPropertyValue& v) { field = int32_t(std::get<int64_t>(v)); };
    props.push_back(std::move(p));
  };
  integer("DataType", dataType_);
  integer("LineNumber", lineNumber_);
  TProperty number;
  number.Name = "Number";
  number.Kind = pkFloat;
  number.Get = [this] { return TPropertyValue(number_); };
  number.Set = [this](const TPropertyValue& v) { number_ = std::get<double>(v); };
  props.push_back(std::move(number));
  TProperty text;
  text.Name = "Text";
  text.Kind = pkString;
  text.Get = [this] { return TPropertyValue(text_); };
  text.Set = [this](const TPropertyValue& v) { text_ = std::get<std::string>(v); };
  props.push_back(std::move(text));
  integer("Tag", tag_);
}
