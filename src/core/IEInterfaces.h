// The engine's enumerations and their set types. Ordinals are fixed: they are
// bit positions of the sets and their names appear in messages and streams.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// A small set of enumeration values, stored as a bit mask (bit n for ordinal n).
template <class E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> items) {
    for (E e : items) mask_ |= Bit(e);
  }
  static constexpr TSet FromMask(uint32_t mask) {
    TSet s;
    s.mask_ = mask;
    return s;
  }
  constexpr uint32_t Mask() const { return mask_; }
  constexpr bool Contains(E e) const { return (mask_ & Bit(e)) != 0; }
  constexpr bool Empty() const { return mask_ == 0; }
  constexpr void Include(E e) { mask_ |= Bit(e); }
  constexpr void Exclude(E e) { mask_ &= ~Bit(e); }
  constexpr TSet operator+(TSet o) const { return FromMask(mask_ | o.mask_); }
  constexpr TSet operator-(TSet o) const { return FromMask(mask_ & ~o.mask_); }
  constexpr TSet operator*(TSet o) const { return FromMask(mask_ & o.mask_); }
  constexpr bool operator==(const TSet&) const = default;

 private:
  static constexpr uint32_t Bit(E e) { return uint32_t(1) << unsigned(e); }
  uint32_t mask_ = 0;
};

enum TIEType : uint8_t {
  dtNone, dtAtom, dtString, dtInteger, dtVariable, dtFactId, dtFloat, dtFunCall, dtFact,
  dtList, dtDescriptor, dtObject, dtClass, dtExternalAddress, dtIntArray, dtStringArray,
  dtVariantArray, dtMultiVariable, dtSlot, dtMultiSlot
};
inline constexpr int IETypeCount = dtMultiSlot + 1;
using TIETypes = TSet<TIEType>;
// "dtAtom" for dtAtom; the enumeration name as messages print it.
const char* IETypeName(TIEType type);

enum TSearchStrategy : uint8_t { ssDepthFirst, ssBreadthFirst };
enum TDuplicateConstructs : uint8_t { dcOverwrite, dcIgnore, dcError };
enum TErrorHandling : uint8_t { ehRaiseImmediate, ehRaiseAllAtEnd };
enum TTypeCheck : uint8_t { tcStatic, tcDynamic };
using TTypeChecks = TSet<TTypeCheck>;
enum TConstructWatch : uint8_t { cwActivation, cwFact, cwRule, cwCompilation, cwStatistics };
using TConstructWatches = TSet<TConstructWatch>;
enum TFunctionPackage : uint8_t {
  pStandard, pPredicate, pMath, pMiscellaneous, pString, pObject, pTrigonometry, pBusiness
};
using TFunctionPackages = TSet<TFunctionPackage>;
enum TTokenAction : uint8_t { taClear, taAdd, taRemove, taUpdate };
enum TCallType : uint8_t { ctLeft, ctRight, ctSingle, ctActivate };
enum TTemplateSlotType : uint8_t { tstSlot, tstMultiSlot };
enum TSlotTestType : uint8_t { sttEquals, sttNotEquals };

// The names of each enumeration, in ordinal order (for streams and messages).
const std::vector<std::string>& SearchStrategyNames();
const std::vector<std::string>& DuplicateConstructsNames();
const std::vector<std::string>& ErrorHandlingNames();
const std::vector<std::string>& TypeCheckNames();
const std::vector<std::string>& ConstructWatchNames();
const std::vector<std::string>& FunctionPackageNames();
const std::vector<std::string>& IETypeNames();
