// TIEValue, TIEText and the shared constants.
#include "values/IEValue.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>

#include "core/Exceptions.h"
#include "core/FloatText.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "values/IEContext.h"

// ---------------------------------------------------------------------------
// TIEText

uint32_t TIEText::HashOf(std::string_view text) noexcept {
  uint32_t h = 0;
  const size_t length = text.size();
  if (length < 16) {
    for (unsigned char c : text) h = h * 31 + c;
  } else {
    const size_t step = length / 8;
    for (size_t i = 0; i < length; i += step) h = h * 31 + static_cast<unsigned char>(text[i]);
  }
  return h;
}

TIEText* TIEText::Create(std::string_view text) {
  if (text.empty()) return nullptr;
  void* memory = ::operator new(offsetof(TIEText, data_) + text.size() + 1);
  auto* result = new (memory) TIEText(uint32_t(text.size()), HashOf(text));
  std::memcpy(result->data_, text.data(), text.size());
  result->data_[text.size()] = '\0';
  return result;
}

void TIEText::Destroy(const TIEText* text) noexcept {
  text->~TIEText();
  ::operator delete(const_cast<TIEText*>(text));
}

// ---------------------------------------------------------------------------
// Variant cells

std::string VariantText(const TIEVariant& cell) {
  switch (cell.index()) {
    case 1: return std::to_string(std::get<int32_t>(cell));
    case 2: return FloatToText(std::get<double>(cell));
    case 3: return std::get<std::string>(cell);
    default: return std::string();
  }
}

bool VariantEquals(const TIEVariant& a, const TIEVariant& b) {
  auto number = [](const TIEVariant& v, double& out) {
    if (v.index() == 1) out = std::get<int32_t>(v);
    else if (v.index() == 2) out = std::get<double>(v);
    else return false;
    return true;
  };
  double x, y;
  if (number(a, x) && number(b, y)) return x == y;
  return a == b;
}

// ---------------------------------------------------------------------------
// Text to number

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Leading blanks, an optional sign, then decimal digits or "$" and hexadecimal
// digits, and nothing after. Decimal text must fit 32 bits; hexadecimal text may
// use all 32 bits ("$FFFFFFFF" is -1).
bool TextToInteger(std::string_view text, int32_t& result) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i < text.size() && text[i] == '$') {
    ++i;
    if (i == text.size()) return false;
    uint64_t v = 0;
    for (; i < text.size(); ++i) {
      int d = HexDigit(text[i]);
      if (d < 0) return false;
      v = v * 16 + unsigned(d);
      if (v > 0xFFFFFFFFull) return false;
    }
    uint32_t bits = uint32_t(v);
    if (negative) bits = 0u - bits;
    result = int32_t(bits);
    return true;
  }
  if (i == text.size()) return false;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > int64_t(std::numeric_limits<int32_t>::max()) + 1) return false;
  }
  if (negative) v = -v;
  if (v > std::numeric_limits<int32_t>::max()) return false;
  result = int32_t(v);
  return true;
}

// A decimal floating-point number, blanks allowed around it:
// [sign] digits [. digits] [e [sign] digits], with at least one mantissa digit.
bool TextToFloat(std::string_view text, double& result) {
  size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  std::string_view t = text.substr(b, e - b);
  size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  const size_t start = i;
  size_t digits = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != t.size()) return false;
  double v = 0;
  auto [ptr, ec] = std::from_chars(t.data() + start, t.data() + t.size(), v);
  if (ptr != t.data() + t.size()) return false;
  if (ec == std::errc::result_out_of_range) {
    // Overflow gives infinity, underflow zero, as the text's magnitude says.
    v = OutOfRangeMagnitude(t.substr(start));
  } else if (ec != std::errc()) {
    return false;
  }
  result = negative ? -v : v;
  return true;
}

// The integer part of Value when it fits 32 bits.
bool TruncToInt32(double value, int32_t& result) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return false;  // NaN too
  result = int32_t(value);
  return true;
}

// Value rounded to the nearest integer, ties to even, when it fits 32 bits.
bool RoundToInt32(double value, int32_t& result) {
  double r = std::round(value);  // ties away from zero
  if (std::fabs(value - std::trunc(value)) == 0.5) r = 2.0 * std::round(value / 2.0);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) return false;
  result = int32_t(r);
  return true;
}

int32_t AddressHash(const void* p) { return int32_t(uint32_t(reinterpret_cast<uintptr_t>(p))); }

std::string AddressText(const void* p) {
  char buffer[2 * sizeof(void*) + 1];
  auto v = reinterpret_cast<uintptr_t>(p);
  for (int i = int(2 * sizeof(void*)) - 1; i >= 0; --i, v >>= 4)
    buffer[i] = "0123456789ABCDEF"[v & 15];
  return std::string(buffer, 2 * sizeof(void*));
}

}  // namespace

// ---------------------------------------------------------------------------
// Factories

IIEValue TIEValue::MakeAtom(std::string_view text) {
  IIEValue v = MakeRef<TIEValue>();
  v->SetAsAtom(text);
  return v;
}
IIEValue TIEValue::MakeString(std::string_view text) {
  IIEValue v = MakeRef<TIEValue>();
  v->SetAsString(text);
  return v;
}
IIEValue TIEValue::MakeVariable(std::string_view name) {
  IIEValue v = MakeRef<TIEValue>();
  v->SetAsVariable(name);
  return v;
}
IIEValue TIEValue::MakeMultiVariable(std::string_view name) {
  IIEValue v = MakeRef<TIEValue>();
  v->SetAsMultiVariable(name);
  return v;
}
IIEValue TIEValue::MakeSlot(std::string_view name) {
  IIEValue v = MakeRef<TIEValue>();
  v->SetAsSlot(name);
  return v;
}
IIEValue TIEValue::MakeMultiSlot(std::string_view name) {
  IIEValue v = MakeRef<TIEValue>();
  v->SetAsMultiSlot(name);
  return v;
}
IIEValue TIEValue::MakeInteger(int32_t value) {
  IIEValue v = MakeRef<TIEValue>();
  v->SetAsInteger(value);
  return v;
}
IIEValue TIEValue::MakeFactId(int32_t id) {
  IIEValue v = MakeRef<TIEValue>();
  v->SetAsFactId(id);
  return v;
}
IIEValue TIEValue::MakeDescriptor(int32_t value) {
  IIEValue v = MakeRef<TIEValue>();
  v->SetAsDescriptor(value);
  return v;
}
IIEValue TIEValue::MakeFloat(double value) {
  IIEValue v = MakeRef<TIEValue>();
  v->SetAsFloat(value);
  return v;
}
IIEValue TIEValue::MakeFunCall(IFunCall call) {
  IIEValue v = MakeRef<TIEValue>();
  v->SetAsFunCall(std::move(call));
  return v;
}
IIEValue TIEValue::MakeFact(IFact fact) {
  IIEValue v = MakeRef<TIEValue>();
  v->SetAsFact(std::move(fact));
  return v;
}
IIEValue TIEValue::MakeList(IValueVector list) {
  IIEValue v = MakeRef<TIEValue>();
  v->SetAsList(std::move(list));
  return v;
}
IIEValue TIEValue::MakeObject(TObject* object) {
  IIEValue v = MakeRef<TIEValue>();
  v->SetAsObject(object);
  return v;
}
IIEValue TIEValue::MakeObject(IObjectRef object) {
  IIEValue v = MakeRef<TIEValue>();
  v->SetAsObject(std::move(object));
  return v;
}
IIEValue TIEValue::MakeSlotReference(int32_t patternIndex, std::string_view slotName,
                                     int32_t elementIndex) {
  IIEValue v = MakeRef<TIEValue>();
  v->SetAsVariantArray({TIEVariant(patternIndex), TIEVariant(std::string(slotName)),
                        TIEVariant(elementIndex)});
  return v;
}

// ---------------------------------------------------------------------------
// Setters

void TIEValue::CheckMutable() const noexcept {
  assert(!frozen_ && "a shared constant value must not be changed");
}

void TIEValue::SetText(TIEType type, std::string_view text) {
  TIEText* t = TIEText::Create(text);
  CheckMutable();
  Clear();
  if (t) t->AddRef();
  payload_.text = t;
  textHash_ = t ? t->Hash() : 0;
  dtype_ = type;
}

void TIEValue::SetInt(TIEType type, int32_t value) {
  CheckMutable();
  Clear();
  payload_.integer = value;
  dtype_ = type;
}

void TIEValue::SetAsFloat(double value) {
  CheckMutable();
  Clear();
  payload_.floating = value;
  dtype_ = dtFloat;
}

void TIEValue::SetCounted(TIEType type, ICloneable* counted) {
  CheckMutable();
  if (counted) counted->AddRef();  // before Clear: Counted may be held only by this value
  Clear();
  payload_.counted = counted;
  dtype_ = type;
}

void TIEValue::SetArray(TIEType type, TRefCounted* array) {
  CheckMutable();
  array->AddRef();
  Clear();
  payload_.array = array;
  dtype_ = type;
}

void TIEValue::SetAsFunCall(IFunCall call) { SetCounted(dtFunCall, call.get()); }
void TIEValue::SetAsFact(IFact fact) { SetCounted(dtFact, fact.get()); }
void TIEValue::SetAsList(IValueVector list) { SetCounted(dtList, list.get()); }

void TIEValue::SetAsObject(IObjectRef object) {
  CheckMutable();
  Clear();
  payload_.objectRef = object.Detach();
  dtype_ = dtObject;
}

void TIEValue::SetAsClass(const char* className) {
  CheckMutable();
  Clear();
  payload_.className = className;
  dtype_ = dtClass;
}

void TIEValue::SetAsExternalAddress(void* address) {
  CheckMutable();
  Clear();
  payload_.address = address;
  dtype_ = dtExternalAddress;
}

void TIEValue::SetAsIntArray(TIEIntArray items) {
  SetArray(dtIntArray, new TIEArray<TIEIntArray>(std::move(items)));
}
void TIEValue::SetAsStringArray(TIEStringArray items) {
  SetArray(dtStringArray, new TIEArray<TIEStringArray>(std::move(items)));
}
void TIEValue::SetAsVariantArray(TIEVariantArray items) {
  SetArray(dtVariantArray, new TIEArray<TIEVariantArray>(std::move(items)));
}

void TIEValue::SetTag(int32_t tag) {
  CheckMutable();
  tag_ = tag;
}

void TIEValue::Clear() noexcept {
  switch (dtype_) {
    case dtAtom: case dtString: case dtVariable: case dtMultiVariable: case dtSlot:
    case dtMultiSlot:
      if (payload_.text) payload_.text->Release();
      break;
    case dtFunCall: case dtFact: case dtList:
      if (payload_.counted) payload_.counted->Release();
      break;
    case dtIntArray: case dtStringArray: case dtVariantArray:
      payload_.array->Release();
      break;
    case dtObject:
      if (payload_.objectRef) payload_.objectRef->Release();
      break;
    default:
      break;
  }
  payload_.floating = 0;
  dtype_ = dtNone;
}

// ---------------------------------------------------------------------------
// Getters

void TIEValue::RaiseNotA(const char* word) const {
  throw EIEException(Format(SNotAType, {word, IETypeName(dtype_)}));
}

std::string_view TIEValue::TextView() const {
  if (!IsTextType()) RaiseNotA("string");
  return payload_.text ? payload_.text->View() : std::string_view();
}

std::string TIEValue::AsString() const {
  if (IsTextType()) return std::string(payload_.text ? payload_.text->View() : std::string_view());
  if (dtype_ == dtInteger) return std::to_string(payload_.integer);
  if (dtype_ == dtFloat) return FloatToText(payload_.floating);
  RaiseNotA("string");
}

int32_t TIEValue::AsInteger() const {
  int32_t result = 0;
  switch (dtype_) {
    case dtInteger: case dtFactId: case dtDescriptor:
      return payload_.integer;
    case dtFloat:
      if (TruncToInt32(payload_.floating, result)) return result;
      break;
    case dtAtom: case dtString:
      if (TextToInteger(TextView(), result)) return result;
      break;
    default:
      break;
  }
  RaiseNotA("integer");
}

double TIEValue::AsNumeric() const {
  double result = 0;
  switch (dtype_) {
    case dtInteger: case dtFactId: case dtDescriptor:
      return payload_.integer;
    case dtFloat:
      return payload_.floating;
    case dtAtom: case dtString:
      if (TextToFloat(TextView(), result)) return result;
      break;
    default:
      break;
  }
  RaiseNotA("numeric");
}

int32_t TIEValue::AsFactId() const {
  int32_t result = 0;
  if (dtype_ == dtInteger || dtype_ == dtFactId) return payload_.integer;
  if (dtype_ == dtFloat && RoundToInt32(payload_.floating, result)) return result;
  RaiseNotA("fact");
}

int32_t TIEValue::AsDescriptor() const {
  if (dtype_ != dtDescriptor) RaiseNotA("descriptor");
  return payload_.integer;
}

IFunCall TIEValue::AsFunCall() const {
  if (dtype_ != dtFunCall) RaiseNotA("function call");
  return IFunCall(static_cast<TCustomFunCall*>(payload_.counted));
}

IFact TIEValue::AsFact() const {
  if (dtype_ != dtFact) RaiseNotA("fact");
  return IFact(static_cast<TCustomFact*>(payload_.counted));
}

IValueVector TIEValue::AsList() const {
  if (dtype_ != dtList) RaiseNotA("list");
  return IValueVector(static_cast<TValueVector*>(payload_.counted));
}

TValueVector& TIEValue::ListRef() const {
  if (dtype_ != dtList || !payload_.counted) RaiseNotA("list");
  return *static_cast<TValueVector*>(payload_.counted);
}

TObject* TIEValue::AsObject() const {
  if (dtype_ != dtObject) RaiseNotA("object");
  return payload_.objectRef ? payload_.objectRef->Object() : nullptr;
}

TObjectRef* TIEValue::AsObjectRef() const {
  if (dtype_ != dtObject) RaiseNotA("object");
  return payload_.objectRef;
}

const char* TIEValue::AsClass() const {
  if (dtype_ != dtClass) RaiseNotA("class");
  return payload_.className;
}

void* TIEValue::AsExternalAddress() const {
  if (dtype_ != dtExternalAddress) RaiseNotA("External Address");
  return payload_.address;
}

TIEIntArray TIEValue::AsIntArray() const {
  if (dtype_ != dtIntArray) RaiseNotA("integer array");
  return ArrayItems<TIEIntArray>();
}

TIEStringArray TIEValue::AsStringArray() const {
  if (dtype_ != dtStringArray) RaiseNotA("string array");
  return ArrayItems<TIEStringArray>();
}

TIEVariantArray TIEValue::AsVariantArray() const { return VariantArrayRef(); }

const TIEVariantArray& TIEValue::VariantArrayRef() const {
  if (dtype_ != dtVariantArray) RaiseNotA("Variant array");
  return ArrayItems<TIEVariantArray>();
}

// ---------------------------------------------------------------------------
// Hash and text

int32_t TIEValue::HashCode() const {
  switch (dtype_) {
    case dtAtom: case dtString: case dtVariable: case dtMultiVariable: case dtSlot:
    case dtMultiSlot:
      return payload_.text ? int32_t(textHash_) : 0;
    case dtInteger: case dtFactId: case dtDescriptor:
      return payload_.integer;
    case dtFloat: {
      // Truncated toward zero; beyond 32 bits the low bits of the 64-bit integer.
      double t = std::trunc(payload_.floating);
      if (t > -9.2e18 && t < 9.2e18) return int32_t(uint32_t(uint64_t(int64_t(t))));
      return 0;
    }
    case dtFunCall:
      return payload_.counted ? static_cast<TCustomFunCall*>(payload_.counted)->HashCode() : 0;
    case dtFact:
      return payload_.counted ? static_cast<TCustomFact*>(payload_.counted)->HashCode() : 0;
    case dtList:
      return payload_.counted ? static_cast<TValueVector*>(payload_.counted)->HashCode() : 0;
    case dtObject:
      return payload_.objectRef ? AddressHash(payload_.objectRef->Identity()) : 0;
    case dtClass:
      return AddressHash(payload_.className);
    default:
      return 0;
  }
}

std::string TIEValue::AsText() const {
  std::string out;
  AppendText(out);
  return out;
}

void TIEValue::AppendText(std::string& out) const {
  std::string_view text = IsTextType() && payload_.text ? payload_.text->View() : std::string_view();
  switch (dtype_) {
    case dtNone:
      break;
    case dtAtom: case dtSlot: case dtMultiSlot:
      out += text;
      break;
    case dtString:
      out += '"';
      out += text;
      out += '"';
      break;
    case dtVariable:
      out += '?';
      out += text;
      break;
    case dtMultiVariable:
      out += "$?";
      out += text;
      break;
    case dtInteger:
      out += std::to_string(payload_.integer);
      break;
    case dtFactId:
      out += "<Fact-";
      out += std::to_string(payload_.integer);
      out += '>';
      break;
    case dtFloat:
      out += FloatToText(payload_.floating);
      break;
    case dtFunCall:
      if (payload_.counted) out += static_cast<TCustomFunCall*>(payload_.counted)->AsText();
      break;
    case dtFact:
      if (payload_.counted) out += static_cast<TCustomFact*>(payload_.counted)->AsText();
      break;
    case dtList:
      if (payload_.counted) static_cast<TValueVector*>(payload_.counted)->AppendText(out);
      break;
    case dtObject:
      if (payload_.objectRef && payload_.objectRef->Alive())
        out += "<External-Address: " + payload_.objectRef->ClassName() + ">";
      break;
    case dtExternalAddress:
      // An untyped address has no class to name: its address is printed instead.
      if (payload_.address) out += "<External-Address: " + AddressText(payload_.address) + ">";
      break;
    case dtClass:
      if (payload_.className) out += payload_.className;
      break;
    case dtIntArray:
      for (int32_t i : ArrayItems<TIEIntArray>()) {
        out += std::to_string(i);
        out += ' ';
      }
      break;
    case dtVariantArray:
      for (const TIEVariant& cell : ArrayItems<TIEVariantArray>()) {
        out += VariantText(cell);
        out += ' ';
      }
      break;
    default:
      out += "<UNKNOWN>";
      break;
  }
}

// ---------------------------------------------------------------------------
// Copying

void TIEValue::CopyPayloadShared(const TIEValue& source) {
  const TPayload p = source.payload_;
  const TIEType type = source.dtype_;
  const uint32_t textHash = source.textHash_;
  switch (type) {
    case dtAtom: case dtString: case dtVariable: case dtMultiVariable: case dtSlot:
    case dtMultiSlot:
      if (p.text) p.text->AddRef();
      break;
    case dtFunCall: case dtFact: case dtList:
      if (p.counted) p.counted->AddRef();
      break;
    case dtIntArray: case dtStringArray: case dtVariantArray:
      p.array->AddRef();
      break;
    case dtObject:
      if (p.objectRef) p.objectRef->AddRef();
      break;
    default:
      break;
  }
  Clear();  // after taking the references: Source may be this value
  payload_ = p;
  textHash_ = textHash;
  dtype_ = type;
}

void TIEValue::Assign(const TIEValue* source) {
  if (!source) throw EConvertError(Format(SAssignError, {"nil", "TIEValue"}));
  CheckMutable();
  CopyPayloadShared(*source);
  tag_ = source->tag_;
}

void TIEValue::Assign(const ICloneable& source) {
  auto* value = dynamic_cast<const TIEValue*>(&source);
  if (!value) throw EInvalidCast(SInvalidCast);
  CheckMutable();
  if (value == this) return;
  if ((value->dtype_ == dtFunCall || value->dtype_ == dtFact || value->dtype_ == dtList) &&
      value->payload_.counted) {
    // Clone first: the clone may fail, and Source may be reachable from this value.
    TRef<ICloneable> copy = value->payload_.counted->CloneObject();
    ICloneable* counted = copy.get();
    if (value->dtype_ == dtFunCall) counted = dynamic_cast<TCustomFunCall*>(counted);
    else if (value->dtype_ == dtFact) counted = dynamic_cast<TCustomFact*>(counted);
    else counted = dynamic_cast<TValueVector*>(counted);
    if (!counted) throw EInvalidCast(SInvalidCast);
    SetCounted(value->dtype_, counted);
  } else {
    CopyPayloadShared(*value);
  }
  tag_ = value->tag_;
}

TRef<ICloneable> TIEValue::CloneObject() const { return Clone(); }

IIEValue TIEValue::Clone() const {
  IIEValue copy = MakeRef<TIEValue>();
  copy->Assign(static_cast<const ICloneable&>(*this));
  return copy;
}

bool TIEValue::IsEqual(const ICloneable* other) const {
  auto* value = dynamic_cast<const TIEValue*>(other);
  return value && Equals(value);
}

// ---------------------------------------------------------------------------
// Comparison

bool TIEValue::Equals(const TIEValue* other) const {
  if (!other || other->dtype_ != dtype_) return false;
  if (other == this) return dtype_ != dtClass && dtype_ != dtStringArray;
  switch (dtype_) {
    case dtNone:
      return true;
    case dtAtom: case dtString: case dtVariable: case dtMultiVariable: case dtSlot:
    case dtMultiSlot: {
      const TIEText* a = payload_.text;
      const TIEText* b = other->payload_.text;
      if (a == b) return true;
      if (!a || !b || textHash_ != other->textHash_) return false;
      return a->View() == b->View();
    }
    case dtInteger: case dtFactId: case dtDescriptor:
      return payload_.integer == other->payload_.integer;
    case dtFloat:
      return payload_.floating == other->payload_.floating;
    case dtFunCall: {
      auto* a = static_cast<const TCustomFunCall*>(payload_.counted);
      auto* b = static_cast<const TCustomFunCall*>(other->payload_.counted);
      return a && b ? a->Equals(b) : a == b;
    }
    case dtFact: {
      auto* a = static_cast<const TCustomFact*>(payload_.counted);
      auto* b = static_cast<const TCustomFact*>(other->payload_.counted);
      return a && b ? a->Equals(b) : a == b;
    }
    case dtList: {
      auto* a = static_cast<const TValueVector*>(payload_.counted);
      auto* b = static_cast<const TValueVector*>(other->payload_.counted);
      return a && b ? a->Equals(b) : a == b;
    }
    case dtObject: {
      // The same object: alive, or both destroyed. A destroyed object is not
      // confused with a live one made later at the same address.
      const TObjectRef* a = payload_.objectRef;
      const TObjectRef* b = other->payload_.objectRef;
      if (!a || !b) return a == b;
      return a == b || (a->Identity() == b->Identity() && a->Alive() == b->Alive());
    }
    case dtExternalAddress:
      return payload_.address == other->payload_.address;
    case dtIntArray:
      return ArrayItems<TIEIntArray>() == other->ArrayItems<TIEIntArray>();
    case dtVariantArray: {
      const auto& a = ArrayItems<TIEVariantArray>();
      const auto& b = other->ArrayItems<TIEVariantArray>();
      if (a.size() != b.size()) return false;
      for (size_t i = 0; i < a.size(); ++i)
        if (!VariantEquals(a[i], b[i])) return false;
      return true;
    }
    default:  // dtClass, dtStringArray
      return false;
  }
}

bool TIEValue::EqualsConverted(const TIEValue* other) const {
  if (dtype_ == dtNone) return true;
  if (!other) return false;
  switch (dtype_) {
    case dtAtom: case dtString: case dtVariable: case dtMultiVariable: case dtSlot:
    case dtMultiSlot:
      if (other->IsTextType()) return TextView() == other->TextView();
      return TextView() == other->AsString();
    case dtInteger: case dtFactId: case dtDescriptor:
      return payload_.integer == other->AsInteger();
    case dtFloat:
      return payload_.floating == other->AsFloat();
    default:
      return Equals(other);
  }
}

// ---------------------------------------------------------------------------
// Resolve

IIEValue TIEValue::Resolve(TIEContext* context) const {
  switch (dtype_) {
    case dtVariable:
    case dtMultiVariable: {
      if (!context) throw EIEException(Format(SNoContext, {IETypeName(dtype_)}));
      std::string_view name = TextView();
      TBinding* binding = context->FindBinding(name);
      if (!binding || !binding->Value())
        throw EIEException(Format(SCorruptedBinding, {name}));
      return binding->Value();
    }
    case dtFunCall: {
      auto* call = static_cast<TCustomFunCall*>(payload_.counted);
      if (!call) return IIEValue(const_cast<TIEValue*>(this));
      IFunCall keep(call);  // the call stays alive while it runs
      return call->Evaluate(context);
    }
    case dtVariantArray: {
      if (!context) throw EIEException(Format(SNoContext, {IETypeName(dtype_)}));
      const TIEVariantArray& cells = ArrayItems<TIEVariantArray>();
      if (cells.size() < 3 || cells[0].index() != 1 || cells[2].index() != 1)
        return IIEValue(const_cast<TIEValue*>(this));  // not a slot reference
      const int32_t patternIndex = std::get<int32_t>(cells[0]);
      const std::string slotName = VariantText(cells[1]);
      const int32_t elementIndex = std::get<int32_t>(cells[2]);
      // The match is the one of the nearest context that carries one: a
      // deffunction called from a pattern test resolves its arguments in a
      // child scope of the test's context.
      const TIEContext* match = context;
      while (match->Parent() && !match->Token() && !match->Fact()) match = match->Parent();
      TCustomReteToken* token = match->Token().get();
      const int32_t factCount = token ? token->FactCount() : 0;
      TCustomFact* fact = nullptr;
      if (patternIndex == factCount) fact = match->Fact().get();
      else if (token && patternIndex >= 0 && patternIndex < factCount)
        fact = token->FactAt(patternIndex);
      if (!fact) throw EIEException(Format(SUnresolvedSlotReference, {patternIndex, slotName}));
      if (slotName.empty()) return MakeFactId(fact->ID());
      IIEValue slotValue = fact->GetSlotValue(slotName);
      if (!slotValue) throw EIEException(Format(SUnresolvedSlotReference, {patternIndex, slotName}));
      if (elementIndex == -1) return slotValue;
      TValueVector& list = slotValue->ListRef();
      return list.Get(elementIndex);
    }
    default:
      return IIEValue(const_cast<TIEValue*>(this));
  }
}

// ---------------------------------------------------------------------------
// The shared constants

namespace {

IIEValue Frozen(IIEValue value) {
  value->Freeze();
  return value;
}

}  // namespace

const IIEValue& TrueAtom() {
  static const IIEValue v = Frozen(TIEValue::MakeAtom("TRUE"));
  return v;
}
const IIEValue& FalseAtom() {
  static const IIEValue v = Frozen(TIEValue::MakeAtom("FALSE"));
  return v;
}
const IIEValue& EmptyAtom() {
  static const IIEValue v = Frozen(TIEValue::MakeAtom(""));
  return v;
}
const IIEValue& NilValue() {
  static const IIEValue v = Frozen(TIEValue::MakeObject(nullptr));
  return v;
}
const IIEValue& EmptyList() {
  static const IIEValue v = Frozen(TIEValue::MakeList(MakeRef<TValueVector>()));
  return v;
}
const IIEValue& CatchAtom() {
  static const IIEValue v = Frozen(TIEValue::MakeAtom("catch"));
  return v;
}
const IIEValue& ExceptAtom() {
  static const IIEValue v = Frozen(TIEValue::MakeAtom("except"));
  return v;
}
const IIEValue& FinallyAtom() {
  static const IIEValue v = Frozen(TIEValue::MakeAtom("finally"));
  return v;
}
const IIEValue& ElseAtom() {
  static const IIEValue v = Frozen(TIEValue::MakeAtom("else"));
  return v;
}
const IIEValue& DoAtom() {
  static const IIEValue v = Frozen(TIEValue::MakeAtom("do"));
  return v;
}
const IIEValue& EOFAtom() {
  static const IIEValue v = Frozen(TIEValue::MakeAtom("EOF"));
  return v;
}
const IIEValue& ThenAtom() {
  static const IIEValue v = Frozen(TIEValue::MakeAtom("then"));
  return v;
}
const IIEValue& PiValue() {
  static const IIEValue v = Frozen(TIEValue::MakeFloat(3.141592653589793));
  return v;
}
const IIEValue& ZeroValue() {
  static const IIEValue v = Frozen(TIEValue::MakeInteger(0));
  return v;
}
