// What generated wire-record code (tools/wiregen.py) relies on: attribute and text readers that
// report malformed values, the charging of what a request's records hold, fields made on demand,
// a reparse helper and the registry entry type.
#pragma once

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <new>
#include <string>
#include <vector>

#include "framework/date_time.h"
#include "framework/visibility.h"
#include "framework/wire_pool.h"
#include "framework/xml_node.h"
#include "framework/xml_parse_error.h"
#include "framework/xml_stream.h"

// The declarations are the SOA common library's interface (exported); the templates are not:
// each library instantiates them for itself.
SOACAD_API_BEGIN

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {

// One record type of a generated description, for tests and fuzzing.
struct WireRecordType {
  const char* name;  // The record's name (also the root element of `sample`).
  // Parses `node` into a fresh record and returns what the record writes back as `elementName`.
  // Raises XmlParseError for a malformed value.
  std::string (*reparse)(const XMLNode& node, const std::string& elementName);
  // A document of this record with every field set, exactly as outputXML writes it.
  const char* sample;
};

namespace Wire {

// What records read from a request hold counts against the request's memory budget while the
// parser's tree is being read into them (SAXToNodeParser::Reading on this thread); at any other
// time these do nothing.
// Counts `bytes` more; past the budget raises XmlParseError at `at`'s position, naming the bound.
void charge(const XMLNode& at, std::size_t bytes);
// Tells the parser that `element` is read next, so that what lies wholly before it in document
// order, and is therefore read already, can be freed.
// REQUIRES: elements are reached in document order, and nothing before `element` is read again.
void reach(const XMLNode& element);

// What the general heap takes for a block of `bytes` bytes: a header word, rounded up to 16 bytes,
// and never less than 32.
constexpr std::size_t heapBytes(std::size_t bytes) {
  const std::size_t withHeader = (bytes + sizeof(std::size_t) + 15) / 16 * 16;
  return withHeader < 32 ? 32 : withHeader;
}

// What `text` holds on the heap beyond the string object (0 when the text is kept inside it).
inline std::size_t heapBytes(const std::string& text) {
  const std::string empty;
  return text.capacity() > empty.capacity() ? heapBytes(text.capacity() + 1) : 0;
}

SOACAD_API_END
// Makes room in `list` for `count` more elements read from `at` (the element holding them, or
// the first of them), charging what its storage grows by. Generated records make room for all
// the elements of a list at once, before reading the first, so the storage is exactly what the
// list holds; room for a single element (a list read one element at a time, its length not
// known ahead) doubles the storage as push_back's would.
template <class T>
void makeRoom(std::vector<T>& list, std::size_t count, const XMLNode& at) {
  const std::size_t needed = list.size() + count;
  if (needed <= list.capacity()) {
    return;
  }
  const std::size_t grown = count == 1 ? std::max<std::size_t>(2 * list.capacity(), 1) : needed;
  const std::size_t before = list.capacity() == 0 ? 0 : heapBytes(list.capacity() * sizeof(T));
  charge(at, heapBytes(grown * sizeof(T)) - before);
  list.reserve(grown);
}
SOACAD_API_BEGIN

// Appends the value of the string or double list element `element` (see readText, readDouble)
// to `list`, charging what it takes.
void addText(std::vector<std::string>& list, const XMLNode& element, const char* record,
             const std::string& field);
void addDouble(std::vector<double>& list, const XMLNode& element, const char* record,
               const std::string& field);

SOACAD_API_END
// The value a field holds when nothing was stored: what a const getter of a field made on demand
// returns while its object has not been made.
template <class T>
const T& none() {
  static const T value{};
  return value;
}

// An object made on first use: the fields of a record that few records set (`rare` in a
// description), so that the others do not carry them. The object takes a slot of the wire pool
// beside the records'. Copies are deep: a record's copy has fields of its own.
template <class T>
class OnDemand {
 public:
  OnDemand() = default;
  OnDemand(const OnDemand& other) {
    if (other.held_ != nullptr) {
      held_ = build(*other.held_);
    }
  }
  OnDemand& operator=(const OnDemand&) = delete;
  ~OnDemand() { reset(); }

  // The object, or null while it is not made.
  T* get() const { return held_; }
  // The object, made (its fields at their defaults) when it was not.
  T& make() {
    if (held_ == nullptr) {
      held_ = build();
    }
    return *held_;
  }
  // The same while a request is read: a new object's slot is charged at `at` (see charge).
  T& make(const XMLNode& at) {
    if (held_ == nullptr) {
      charge(at, WirePool::slotBytes(sizeof(T)));
      held_ = build();
    }
    return *held_;
  }
  // Back to no object: every field at its default.
  void reset() noexcept {
    if (held_ != nullptr) {
      held_->~T();
      WirePool::release(held_, sizeof(T));
      held_ = nullptr;
    }
  }

 private:
  template <class... Arguments>
  static T* build(const Arguments&... arguments) {
    void* storage = WirePool::allocate(sizeof(T));
    try {
      return new (storage) T(arguments...);
    } catch (...) {
      WirePool::release(storage, sizeof(T));
      throw;
    }
  }

  T* held_ = nullptr;
};
SOACAD_API_BEGIN

// The readers of a field kept in an attribute of `node`. Each stores the attribute's value and
// answers true when the attribute is there; when it is not, each stores the field's default
// (empty, `absent`, the "no date" value) and answers false. A value that is not of the field's
// kind raises XmlParseError at the element's position, naming `record`, `field` and the value.
// A string that does not fit inside the string object is charged (see charge).
bool readString(const XMLNode& node, const std::string& field, std::string& value);
// "true", "false", "1" or "0".
bool readBool(const XMLNode& node, const char* record, const std::string& field, bool& value,
              bool absent = false);
// A 32-bit decimal integer: an optional '-' and digits, nothing else.
bool readInt(const XMLNode& node, const char* record, const std::string& field, int& value,
             int absent = 0);
// "YYYY-MM-DDThh:mm:ss" (see DateTime::fromString), a date that exists, or the "no date" value.
bool readDate(const XMLNode& node, const char* record, const std::string& field, DateTime& value);

// The value of a list element of strings: the element's text. The element carries nothing else.
const std::string& readText(const XMLNode& element, const char* record, const std::string& field);
// The value of a list element of doubles: the element's text (surrounding white space allowed),
// a finite number with an optional sign ('+' or '-'). A number nearer to zero than the smallest
// double reads as zero; one beyond the largest is refused. The element carries nothing else.
double readDouble(const XMLNode& element, const char* record, const std::string& field);

// A record's element holds attributes and child elements only: any text in `node` but white
// space (the indentation between its children) is refused, quoted, with the element's position.
void refuseNonSpaceText(const XMLNode& node, const char* record);

// Refuse what a record does not declare, naming it, the record and the position.
// `node` carries an attribute not named in `known` (the record's attribute fields).
[[noreturn]] void refuseUnknownAttribute(const XMLNode& node, const char* record,
                                         std::initializer_list<const char*> known);
// `element` is a child that the record has no field for.
[[noreturn]] void refuseUnknownElement(const XMLNode& element, const char* record);
// `element` is a second element of a field that holds one record.
[[noreturn]] void refuseRepeatedElement(const XMLNode& element, const char* record);

// Starts loading the bytes from `begin` up to `end` into the processor's cache and returns at
// once: a hint that reads nothing and changes nothing.
inline void prefetchBytes(const void* begin, const void* end) {
  constexpr std::size_t kCacheLine = 64;
  const char* const first = static_cast<const char*>(begin);
  const char* const last = static_cast<const char*>(end) - 1;
  for (const char* at = first; at < last; at += kCacheLine) {
    __builtin_prefetch(at);
  }
  __builtin_prefetch(last);
}

// Writes lists of records, and fetches what they hold ahead of the writing.
//
// Every wire object is a heap allocation of its own. Once the heap has served a few requests,
// the objects of one list lie far apart, so a plain walk would wait for memory at each object,
// then again at each record inside it, and so on down. The walk over a list therefore asks for
// what it will write before it gets there, one level deeper the nearer it comes: the object
// kStages * kSpacing places ahead, what that object holds (kStages - 1) * kSpacing places ahead,
// and so on, so that every level has arrived by the time the level below it is asked for.
// Fetching ahead is only a hint to the processor: it reads no field that a later step relies on
// and changes nothing, and the bytes written are exactly those of the plain walk.
//
// Generated code calls it; a record declares it a friend, and each implementation object has
// `prefetchSelf()`, which fetches its fields (not the bookkeeping in front of them, which writing
// never reads), and `prefetchFields(int depth)`, which does `prefetch(field, depth)` for each
// record field and `prefetchFirst(list, depth)` for each list of records.
struct ListWriter {
  static constexpr std::size_t kSpacing = 4;
  static constexpr int kStages = 4;

  // Writes each of `records` as an element named `name`, in order.
  template <class Record>
  static void write(XmlStream& stream, const std::string& name,
                    const std::vector<Record>& records) {
    const std::size_t count = records.size();
    const Record* const first = records.data();
    for (std::size_t at = 0; at < count; ++at) {
      for (int depth = 0; depth < kStages; ++depth) {
        const std::size_t ahead = at + kSpacing * static_cast<std::size_t>(kStages - depth);
        if (ahead < count) {
          prefetch(first[ahead], depth);
        }
      }
      first[at].outputXML(stream, name);
    }
  }

  // Depth 0 fetches the record's object, depth d what the object holds d levels further down.
  // REQUIRES: the levels above `depth` have been fetched (or are to be read anyway).
  template <class Record>
  static void prefetch(const Record& record, int depth) {
    if (depth == 0) {
      record.getHandleObject().prefetchSelf();
    } else {
      record.getHandleObject().prefetchFields(depth - 1);
    }
  }

  // For a list: depth 0 fetches the start of its element array, deeper levels go on through its
  // first element (the others are fetched by the walk over the list itself).
  template <class Record>
  static void prefetchFirst(const std::vector<Record>& records, int depth) {
    if (records.empty()) {
      return;
    }
    if (depth == 0) {
      __builtin_prefetch(records.data());
    } else {
      prefetch(records.front(), depth - 1);
    }
  }
};

}  // namespace Wire
}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane

SOACAD_API_END

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {
namespace Wire {

// Parses `node` into a fresh Record and writes it back as `elementName`.
template <class Record>
std::string reparse(const XMLNode& node, const std::string& elementName) {
  Record record;
  record.parse(node);
  XmlStream stream;
  record.outputXML(stream, elementName);
  return stream.takeText();
}

}  // namespace Wire
}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
