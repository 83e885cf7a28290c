// TObject, and TPersistent: the base of every object that can be assigned and streamed.
// An object publishes its properties through Properties(): descriptors bound to
// the object, in streaming order, each with a getter, a setter and an optional
// default (a property is written only when it differs from its default; one
// without a default is always written). Sub-objects (pkObject) stream their own
// properties nested under "Name.". Defined properties (extra data such as a
// list of fact texts) are pkStringList entries placed after the published ones.
// Not thread-safe: an object is used by one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

enum TPropertyKind : uint8_t {
  pkInteger,     // int64_t
  pkFloat,       // double
  pkBoolean,     // bool
  pkString,      // std::string
  pkEnum,        // int64_t ordinal; EnumNames gives the names
  pkSet,         // int64_t bit mask; EnumNames gives the member names
  pkStringList,  // std::vector<std::string>
  pkObject       // a sub-object; Object points to it, Get/Set unused
};

using TPropertyValue = std::variant<std::monostate, int64_t, double, bool, std::string,
                                    std::vector<std::string>>;

class TPersistent;

struct TProperty {
  std::string Name;
  TPropertyKind Kind = pkInteger;
  const std::vector<std::string>* EnumNames = nullptr;
  std::function<TPropertyValue()> Get;
  std::function<void(const TPropertyValue&)> Set;
  std::optional<TPropertyValue> Default;
  std::function<bool()> Stored;     // empty: always a candidate for writing
  TPersistent* Object = nullptr;    // pkObject only
};

// The root of the class tree: a virtual destructor and a class name, so that
// containers may own objects of any class (string-list Data and Objects, queue
// items) and messages can name an object's class.
class TObject {
 public:
  virtual ~TObject() = default;
  // The class name as streams and messages show it ("TInferenceEngine").
  virtual std::string ClassName() const { return "TObject"; }
};

// The plain event: something happened to Sender.
using TNotifyEvent = std::function<void(TObject* sender)>;

class TPersistent : public TObject {
 public:
  std::string ClassName() const override { return "TPersistent"; }
  // Copies Source into this object. The base asks Source to AssignTo this
  // object, which raises EConvertError "Cannot assign a %s to a %s".
  virtual void Assign(const TPersistent* source);
  virtual void AssignTo(TPersistent& dest) const;
  // Appends this object's property descriptors, in streaming order.
  virtual void Properties(std::vector<TProperty>& props);
  // Called by a stream reader after all properties of the object were read.
  virtual void Loaded() {}
};

// Looks a property up by name among Properties(); nullopt when absent.
std::optional<TProperty> FindProperty(TPersistent& object, const std::string& name);
