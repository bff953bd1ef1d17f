// Property definitions and property values of the host's object store.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/object/date.h"
#include "host/object/tag.h"

namespace host {

// The value types a property can have. Fixtures name them "string", "int", "double",
// "logical", "date" and "reference".
enum class ValueType { string, integer, real, logical, date, reference };

const char* valueTypeName(ValueType type);
// False when `name` is none of the fixture names.
bool parseValueType(const std::string& name, ValueType* type);

// A property as a class declares it. Subclasses inherit their ancestors' properties.
// The id a store gives a property name (see host::internPropertyName); 0 is no name.
using PropertyId = std::uint32_t;
constexpr PropertyId kNoPropertyId = 0;

struct PropertyDefinition {
  std::string name;
  ValueType type = ValueType::string;
  bool isArray = false;
  // False: no session may write it (AOM_is_modifiable answers false for it).
  bool modifiable = true;
  // The id of the name, given when the definition is added to a class.
  PropertyId id = kNoPropertyId;

  bool operator==(const PropertyDefinition& other) const {
    return name == other.name && type == other.type && isArray == other.isArray &&
           modifiable == other.modifiable;
  }
};

// The value of one property. References are kept as tags, every other type as its canonical
// text (see canonicalText), so that a value saved to a fixture and loaded again is the same.
// An empty list is the null value; a scalar property holds at most one element.
struct Value {
  std::vector<std::string> texts;  // Non-reference types.
  std::vector<Tag> tags;           // Reference type.

  bool isNull() const { return texts.empty() && tags.empty(); }
  std::size_t size() const { return texts.size() + tags.size(); }
  bool operator==(const Value& other) const { return texts == other.texts && tags == other.tags; }
  bool operator!=(const Value& other) const { return !(*this == other); }
};

// The canonical text of `text` read as a value of `type` (not reference): integers in decimal
// without leading zeros (32-bit), doubles in their shortest round-trip form, logicals as
// "true"/"false" ("1"/"0" accepted), dates as "YYYY-MM-DDThh:mm:ss", strings unchanged.
// False when the text is not a value of the type.
bool canonicalText(ValueType type, const std::string& text, std::string* canonical);

std::string integerText(int value);
std::string realText(double value);
std::string logicalText(bool value);
// The null date has no text: it is the null value, never stored as an element.
std::string dateText(const Date& date);
// Read canonical texts back; false for a text of another form.
bool parseInteger(const std::string& text, int* value);
bool parseReal(const std::string& text, double* value);
bool parseLogical(const std::string& text, bool* value);
bool parseDate(const std::string& text, Date* date);

}  // namespace host
