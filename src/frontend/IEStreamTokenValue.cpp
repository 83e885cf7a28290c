// The conversions between stream tokens and values.
#include <cmath>

#include "frontend/IEStreamToken.h"
#include "values/IEContext.h"
#include "values/IEValue.h"

namespace {

int32_t TruncatedInt32(double number) {
  if (std::isnan(number)) return 0;
  if (number >= 2147483647.0) return INT32_MAX;
  if (number <= -2147483648.0) return INT32_MIN;
  return int32_t(number);
}

// A reference kept in a token's Number (an address, exact in a double).
intptr_t NumberAsAddress(double number) {
  if (!std::isfinite(number)) return 0;
  return intptr_t(int64_t(number));
}

bool IsNil(const std::string& text) {
  return text.size() == 3 && (text[0] | 0x20) == 'n' && (text[1] | 0x20) == 'i' &&
         (text[2] | 0x20) == 'l';
}

}  // namespace

void TIEStreamToken::AssignValue(const TIEValue& value) {
  dataType_ = value.DType();
  object_ = nullptr;
  switch (value.DType()) {
    case dtAtom: case dtString: case dtVariable: case dtMultiVariable: case dtSlot:
    case dtMultiSlot:
      text_ = std::string(value.TextView());
      break;
    case dtInteger: case dtFactId: case dtDescriptor:
      number_ = value.AsInteger();
      break;
    case dtFloat:
      number_ = value.AsFloat();
      break;
    case dtObject:
      object_ = value.AsObjectRef();
      number_ = double(reinterpret_cast<intptr_t>(object_ ? object_->Address() : nullptr));
      break;
    case dtExternalAddress:
      number_ = double(reinterpret_cast<intptr_t>(value.AsExternalAddress()));
      break;
    default:
      break;
  }
}

IIEValue TIEStreamToken::AsValue() const {
  switch (dataType_) {
    case dtAtom:
      if (text_ == "TRUE") return TrueAtom();
      if (text_ == "FALSE") return FalseAtom();
      if (IsNil(text_)) return NilValue();
      return TIEValue::MakeAtom(text_);
    case dtString: return TIEValue::MakeString(text_);
    case dtVariable: return TIEValue::MakeVariable(text_);
    case dtMultiVariable: return TIEValue::MakeMultiVariable(text_);
    case dtSlot: return TIEValue::MakeSlot(text_);
    case dtMultiSlot: return TIEValue::MakeMultiSlot(text_);
    case dtInteger: return TIEValue::MakeInteger(TruncatedInt32(number_));
    case dtFactId: return TIEValue::MakeFactId(TruncatedInt32(number_));
    case dtDescriptor: return TIEValue::MakeDescriptor(TruncatedInt32(number_));
    case dtFloat: return TIEValue::MakeFloat(number_);
    case dtObject:
      // Only the reference is followed: an address kept as a number could
      // name an object long gone.
      return object_ ? TIEValue::MakeObject(object_) : NilValue();
    case dtExternalAddress: {
      auto value = MakeRef<TIEValue>();
      value->SetAsExternalAddress(reinterpret_cast<void*>(NumberAsAddress(number_)));
      return value;
    }
    default:
      if (dataType_ == TokenEnd && text_ == "EOF") return EOFAtom();
      return TIEValue::MakeString(std::to_string(dataType_));
  }
}

IIEValue TIEStreamToken::AsValueIn(TIEContext* context) const {
  if (context && (dataType_ == dtVariable || dataType_ == dtMultiVariable))
    return context->GetVariableValue(text_);
  return AsValue();
}
