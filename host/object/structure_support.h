// Host-internal support of the product-structure modules (ps, cfm, bom, absocc, arr): typed
// reads and writes of store properties, lookups of objects by a key of reference values, and
// the host arrays those modules hand out. Not part of the host's call surface: no call log, no
// fault plan.
//
// The readers take objects the caller has checked to be live and of a class that defines the
// property; for anything else they answer the null value and leave the error store alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/object/date.h"
#include "host/object/store.h"
#include "host/object/tag.h"

namespace host {

Tag referenceOf(Tag object, const char* name);
std::vector<Tag> referencesOf(Tag object, const char* name);
std::string textOf(Tag object, const char* name);
std::vector<std::string> textsOf(Tag object, const char* name);
bool flagOf(Tag object, const char* name, bool otherwise = false);
int integerOf(Tag object, const char* name, int otherwise);
double realOf(Tag object, const char* name, double otherwise);
std::vector<double> realsOf(Tag object, const char* name);
Date dateOf(Tag object, const char* name);
bool hasValue(Tag object, const char* name);
// The property's value as last saved when the session holds an unsaved value on top of it (what
// the object falls back to when the window that wrote it closes unsaved); null when it holds
// none, the object is not live or its class lacks the property.
const Value* savedBeneathUnsaved(Tag object, const char* name);

// Writes through Store::write (same checks and statuses). A null tag, an empty text, the
// null date and an empty list write the null value.
int writeReference(Tag object, const char* name, Tag value, WriteMode mode);
int writeReferences(Tag object, const char* name, const std::vector<Tag>& values, WriteMode mode);
int writeText(Tag object, const char* name, const std::string& value, WriteMode mode);
int writeTexts(Tag object, const char* name, const std::vector<std::string>& values,
               WriteMode mode);
int writeFlag(Tag object, const char* name, bool value, WriteMode mode);
int writeInteger(Tag object, const char* name, int value, WriteMode mode);
int writeReal(Tag object, const char* name, double value, WriteMode mode);
int writeReals(Tag object, const char* name, const std::vector<double>& values, WriteMode mode);
int writeDate(Tag object, const char* name, const Date& value, WriteMode mode);
// Drops the property's value (writes the null value).
int clearValue(Tag object, const char* name, WriteMode mode);

// A new object of the class `className` and the type named like it (or `typeName`).
int createObjectOfClass(const char* className, Tag* object, const char* typeName = nullptr);

// 0 when `tag` is a live object of `className` (or a class derived from it); otherwise, on the
// error store, 7007 (POM_invalid_tag) for a tag that names no live object and 7008
// (POM_wrong_class) for an object of another class.
int requireObject(Tag tag, const char* className);
// POM_not_modifiable (on the error store) for a live object that a session may not change or
// delete; 0 for any other tag. Lets a call that deletes several objects refuse before it
// deletes any.
int requireModifiable(Tag tag);

// The preference as the session's search scope sees it (the most specific scope holding it
// when searching all scopes); null when there is none.
const Preference* lookUpPreference(const char* name);

// A host block of ints; null for an empty list.
int* allocateIntegers(const std::vector<int>& values);

// The current date and time (UTC), to the second.
Date currentDate();
// Negative, zero or positive as `a` is before, equal to or after `b`.
int compareDates(const Date& a, const Date& b);

// Objects of one class (and its subclasses) by a key of reference values, such as (context
// view revision, occurrence path). Keys must not change after an object is created (the
// properties they come from are written with the object), so an index only takes in the
// objects that appeared since its last lookup (Store::structureVersion, Store::createdSince).
// Lookups cost what they find, not what the store holds. Entries may be stale (deleted
// objects, undone creations): find() checks.
class KeyedIndex {
 public:
  using Key = std::vector<Tag>;
  // The key of a live object of the class; an empty key leaves the object out.
  using KeyFunction = Key (*)(Tag object);

  KeyedIndex(const char* className, KeyFunction keyOf) : className_(className), keyOf_(keyOf) {}

  // The live objects whose key is `key`, oldest first.
  std::vector<Tag> find(const Key& key);
  // The first of them; null when there is none.
  Tag findFirst(const Key& key);
  // Takes in the objects that appeared since the last lookup.
  void refresh();

 private:
  // Calls `take` with the live objects whose key is `key`, oldest first, until it answers false.
  template <class Take>
  void visit(const Key& key, Take&& take);

  struct KeyHash {
    std::size_t operator()(const Key& key) const;
  };

  const char* className_;
  KeyFunction keyOf_;
  // Hashed: a lookup among 100,000 keys reads a bucket, not a path of tree nodes and keys.
  std::unordered_map<Key, std::vector<Tag>, KeyHash> byKey_;
  std::uint64_t version_ = 0;
};

// The live objects of a class by each tag of one of their reference lists, for lists that do not
// change after the object is made (the occurrences of a path): what depends on an object is
// found without reading every object of the class.
class ElementIndex {
 public:
  ElementIndex(const char* className, const char* listName)
      : className_(className), listName_(listName) {}

  // The live objects whose list holds `element`, oldest first.
  std::vector<Tag> find(Tag element);
  // Takes in the objects that appeared since the last lookup.
  void refresh();

 private:
  const char* className_;
  const char* listName_;
  std::unordered_map<Tag, std::vector<Tag>> byElement_;
  std::uint64_t version_ = 0;
};

}  // namespace host
