// The text stream of the component model: writes a component tree with its
// published properties and reads it back, creating components by class name
// (core/ClassRegistry.h). The form, one property or nested object per line,
// lines ending in CR LF, two blanks of indentation per level:
//   object Engine1: TInferenceEngine      (an unnamed object: "object TClass")
//     Packages = [pStandard, pMath]       sets: member names in ordinal order
//     Strategy = ssBreadthFirst           enumerations: their names
//     FactDuplication = True              booleans: True / False
//     ParserMaxErrors = 12                integers: decimal
//     FactTemplates.LoadFactor = 0.75     floats: FloatToText; sub-objects: dotted names
//     FactsList = (                       string lists: one string a line
//       '(Initial-Fact)'
//       'it''s'#13#10'two lines')         strings: quoted, '' for ', #nn for control bytes
//     object Child1: TSomething           owned components (GetChildren), nested
//     end
//   end
// A property is written when it has no default or differs from it, and its
// Stored test (if any) passes; a component's Name is carried by its header.
// The reader also takes LF or CR line ends, strings continued across lines with
// '+', and ignores ASCII case in keywords, property, boolean and enumeration
// names (class names are exact). Reading sets properties in stream order and calls Loaded() on every read
// component, in reading order, once the whole tree is read. Errors raise
// EReadError (EClassNotFound for an unknown class) naming the class, property
// and line; an error raised by a property setter keeps its class and gets the
// same prefix. On any error the components the read created are destroyed.
// Stateless functions; thread-safe as far as the components read are not shared.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/Persistent.h"

class TComponent;
class TStream;

// The text of component and its stored children.
std::string ComponentToText(TComponent& component);
// Writes ComponentToText at the stream's position.
void WriteComponent(TStream& stream, TComponent& component);

// A new component of the stream's class, owned by the caller.
std::unique_ptr<TComponent> TextToComponent(std::string_view text);
// A new component of the stream's class owned by owner (by the caller when owner is null).
TComponent* ReadComponent(std::string_view text, TComponent* owner);
// Reads into root (the stream's class must be root's class): its Name and
// properties are set and the nested objects are created as its children.
void ReadRootComponent(std::string_view text, TComponent& root);
// The same over the rest of a byte stream.
std::unique_ptr<TComponent> ReadComponentFromStream(TStream& stream);
void ReadRootComponentFromStream(TStream& stream, TComponent& root);

// The written form of one value of property (for example "[pStandard, pMath]");
// EPropertyError when the value is not of the property's kind.
std::string PropertyValueToText(const TProperty& property, const TPropertyValue& value);
// A string in the stream's quoted form ('it''s'#13#10).
std::string QuotedStreamString(std::string_view text);
