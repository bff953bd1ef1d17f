// Property definitions and property values of the host's object store.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "framework/visibility.h"
#include "host/object/date.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

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
  // False: the generic setters (AOM_set_value_*, AOM_UIF_set_value) may not write it, and
  // AOM_is_modifiable answers false for it. Only the host calls that own it write it (as
  // WriteMode::owner, host or initial): what identifies an object, who owns it and the
  // references that tie it into a structure, which those calls keep whole.
  bool modifiable = true;
  // The id of the name, given when the definition is added to a class.
  PropertyId id = kNoPropertyId;

  bool operator==(const PropertyDefinition& other) const {
    return name == other.name && type == other.type && isArray == other.isArray &&
           modifiable == other.modifiable;
  }
};

// The tags of a reference value: a list like std::vector<Tag> that keeps up to two tags in
// place and only a longer list on the heap. Most references are single (a line's parent, an
// occurrence's item), so reading one reads the property's own state and nothing beside it: a
// structure of 100,000 lines does not cost a heap block, and a cache miss, per reference.
class TagList {
 public:
  using value_type = Tag;
  using size_type = std::size_t;
  using iterator = Tag*;
  using const_iterator = const Tag*;

  TagList() noexcept { construct(); }
  TagList(std::initializer_list<Tag> tags) : TagList(tags.begin(), tags.end()) {}
  TagList(const std::vector<Tag>& tags) : TagList(tags.begin(), tags.end()) {}  // NOLINT
  template <class Iterator>
  TagList(Iterator first, Iterator last) : TagList() {
    assign(first, last);
  }
  TagList(const TagList& other) : TagList(other.begin(), other.end()) {}
  TagList(TagList&& other) noexcept;
  TagList& operator=(const TagList& other);
  TagList& operator=(TagList&& other) noexcept;
  ~TagList() { release(); }

  // A copy as a std::vector, for callers that keep or hand out the list.
  operator std::vector<Tag>() const { return std::vector<Tag>(begin(), end()); }  // NOLINT

  bool empty() const { return size_ == 0; }
  size_type size() const { return size_; }
  Tag* data() { return onHeap() ? storage_.many : storage_.few; }
  const Tag* data() const { return onHeap() ? storage_.many : storage_.few; }
  iterator begin() { return data(); }
  iterator end() { return data() + size_; }
  const_iterator begin() const { return data(); }
  const_iterator end() const { return data() + size_; }
  Tag& operator[](size_type at) { return data()[at]; }
  const Tag& operator[](size_type at) const { return data()[at]; }
  Tag& front() { return data()[0]; }
  const Tag& front() const { return data()[0]; }
  Tag& back() { return data()[size_ - 1]; }
  const Tag& back() const { return data()[size_ - 1]; }

  void clear() { size_ = 0; }
  void reserve(size_type capacity);
  void resize(size_type size);
  void push_back(Tag tag);
  template <class Iterator>
  void assign(Iterator first, Iterator last) {
    clear();
    reserve(static_cast<size_type>(std::distance(first, last)));
    for (; first != last; ++first) {
      data()[size_++] = *first;
    }
  }
  void assign(size_type count, Tag tag) {
    clear();
    resize(count);
    std::fill(begin(), end(), tag);
  }
  // Puts `tag` before `position` and answers where it went.
  iterator insert(const_iterator position, Tag tag);
  // Takes the element at `position` out and answers what follows it.
  iterator erase(const_iterator position);

  bool operator==(const TagList& other) const {
    return std::equal(begin(), end(), other.begin(), other.end());
  }
  bool operator!=(const TagList& other) const { return !(*this == other); }

 private:
  static constexpr std::uint32_t kInPlace = 2;
  bool onHeap() const { return capacity_ > kInPlace; }
  void construct() {
    for (Tag& tag : storage_.few) {
      new (&tag) Tag();
    }
  }
  void release();
  // Takes the other's tags; this list holds none on the heap. The other is left empty.
  void takeFrom(TagList& other) noexcept;

  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = kInPlace;
  union Storage {
    Storage() {}
    Tag few[kInPlace];  // While the capacity is kInPlace.
    Tag* many;          // Past it: a block of `capacity_` tags.
  } storage_;
};

// The value of one property. References are kept as tags, every other type as its canonical
// text (see canonicalText), so that a value saved to a fixture and loaded again is the same.
// An empty list is the null value; a scalar property holds at most one element.
struct Value {
  std::vector<std::string> texts;  // Non-reference types.
  TagList tags;                    // Reference type.

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

SOACAD_API_END
