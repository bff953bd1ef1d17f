#include "host/object/structure_support.h"

#include <ctime>
#include <tuple>
#include <utility>

#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/value.h"

namespace host {

namespace {

// The value of a property of a live object whose class defines it; the null value otherwise.
const Value& valueOf(Tag object, const char* name) {
  static const Value kNull;
  const Value* value = Store::instance().valueOf(object, name);
  return value != nullptr ? *value : kNull;
}

// The property's first text as `parse` reads it; `otherwise` for the null value or a text that
// does not parse.
template <class Result>
Result firstParsed(Tag object, const char* name, Result otherwise,
                   bool (*parse)(const std::string&, Result*)) {
  const Value& value = valueOf(object, name);
  Result result = otherwise;
  if (!value.texts.empty() && !parse(value.texts.front(), &result)) {
    result = otherwise;
  }
  return result;
}

int writeValue(Tag object, const char* name, Value value, WriteMode mode) {
  return Store::instance().write(object, name, std::move(value), mode);
}

const char* const kScopeNames[] = {"user", "role", "group", "site"};

}  // namespace

Tag referenceOf(Tag object, const char* name) {
  const Value& value = valueOf(object, name);
  return value.tags.empty() ? NULLTAG : value.tags.front();
}

std::vector<Tag> referencesOf(Tag object, const char* name) {
  return valueOf(object, name).tags;
}

const Value* savedBeneathUnsaved(Tag object, const char* name) {
  const ObjectRecord* record = Store::instance().find(object);
  const PropertyState* state =
      record == nullptr ? nullptr : record->properties.find(propertyIdOf(name));
  return state != nullptr && state->hasWorking() ? &state->saved : nullptr;
}

std::string textOf(Tag object, const char* name) {
  const Value& value = valueOf(object, name);
  return value.texts.empty() ? std::string() : value.texts.front();
}

std::vector<std::string> textsOf(Tag object, const char* name) {
  return valueOf(object, name).texts;
}

bool flagOf(Tag object, const char* name, bool otherwise) {
  return firstParsed(object, name, otherwise, &parseLogical);
}

int integerOf(Tag object, const char* name, int otherwise) {
  return firstParsed(object, name, otherwise, &parseInteger);
}

double realOf(Tag object, const char* name, double otherwise) {
  return firstParsed(object, name, otherwise, &parseReal);
}

std::vector<double> realsOf(Tag object, const char* name) {
  std::vector<double> numbers;
  for (const std::string& text : valueOf(object, name).texts) {
    double number = 0.0;
    parseReal(text, &number);
    numbers.push_back(number);
  }
  return numbers;
}

Date dateOf(Tag object, const char* name) {
  return firstParsed(object, name, Date(), &parseDate);
}

bool hasValue(Tag object, const char* name) {
  return !valueOf(object, name).isNull();
}

int writeReference(Tag object, const char* name, Tag value, WriteMode mode) {
  Value written;
  if (value != NULLTAG) {
    written.tags.push_back(value);
  }
  return writeValue(object, name, std::move(written), mode);
}

int writeReferences(Tag object, const char* name, const std::vector<Tag>& values, WriteMode mode) {
  return writeValue(object, name, Value{{}, values}, mode);
}

int writeText(Tag object, const char* name, const std::string& value, WriteMode mode) {
  Value written;
  if (!value.empty()) {
    written.texts.push_back(value);
  }
  return writeValue(object, name, std::move(written), mode);
}

int writeTexts(Tag object, const char* name, const std::vector<std::string>& values,
               WriteMode mode) {
  return writeValue(object, name, Value{values, {}}, mode);
}

int writeFlag(Tag object, const char* name, bool value, WriteMode mode) {
  return writeValue(object, name, Value{{logicalText(value)}, {}}, mode);
}

int writeInteger(Tag object, const char* name, int value, WriteMode mode) {
  return writeValue(object, name, Value{{integerText(value)}, {}}, mode);
}

int writeReal(Tag object, const char* name, double value, WriteMode mode) {
  return writeValue(object, name, Value{{realText(value)}, {}}, mode);
}

int writeReals(Tag object, const char* name, const std::vector<double>& values, WriteMode mode) {
  Value written;
  for (double value : values) {
    written.texts.push_back(realText(value));
  }
  return writeValue(object, name, std::move(written), mode);
}

int writeDate(Tag object, const char* name, const Date& value, WriteMode mode) {
  Value written;
  if (!value.isNull()) {
    written.texts.push_back(dateText(value));
  }
  return writeValue(object, name, std::move(written), mode);
}

int clearValue(Tag object, const char* name, WriteMode mode) {
  return writeValue(object, name, Value(), mode);
}

int createObjectOfClass(const char* className, Tag* object, const char* typeName) {
  Store& store = Store::instance();
  return store.createObject(store.classId(className),
                            store.findType(typeName != nullptr ? typeName : className), object);
}

int requireObject(Tag tag, const char* className) {
  const Store& store = Store::instance();
  if (store.find(tag) == nullptr) {
    return storeError(POM_invalid_tag, {tagText(tag)});
  }
  if (!store.isInstanceOf(tag, className)) {
    return storeError(POM_wrong_class, {tagText(tag), className});
  }
  return 0;
}

int requireModifiable(Tag tag) {
  bool modifiable = false;
  if (Store::instance().isLive(tag, &modifiable) && !modifiable) {
    return storeError(POM_not_modifiable, {tagText(tag)});
  }
  return 0;
}

const Preference* lookUpPreference(const char* name) {
  const Store& store = Store::instance();
  const std::string& scope = store.searchScope();
  if (!scope.empty() && scope != "all") {
    return store.findPreference(name, scope);
  }
  for (const char* candidate : kScopeNames) {
    if (const Preference* found = store.findPreference(name, candidate)) {
      return found;
    }
  }
  return nullptr;
}

int* allocateIntegers(const std::vector<int>& values) {
  if (values.empty()) {
    return nullptr;
  }
  int* block = static_cast<int*>(SM_alloc(values.size() * sizeof(int)));
  if (block != nullptr) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      block[i] = values[i];
    }
  }
  return block;
}

Date currentDate() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  gmtime_r(&now, &parts);
  Date date;
  date.year = parts.tm_year + 1900;
  date.month = parts.tm_mon + 1;
  date.day = parts.tm_mday;
  date.hour = parts.tm_hour;
  date.minute = parts.tm_min;
  date.second = parts.tm_sec;
  return date;
}

int compareDates(const Date& a, const Date& b) {
  const auto left = std::tie(a.year, a.month, a.day, a.hour, a.minute, a.second);
  const auto right = std::tie(b.year, b.month, b.day, b.hour, b.minute, b.second);
  return left < right ? -1 : (right < left ? 1 : 0);
}

std::size_t KeyedIndex::KeyHash::operator()(const Key& key) const {
  std::size_t hash = key.size();
  for (Tag tag : key) {
    hash = hash * 0x9E3779B97F4A7C15ull + static_cast<std::uint32_t>(tag);
  }
  return hash ^ (hash >> 29);
}

template <class Take>
void KeyedIndex::visit(const Key& key, Take&& take) {
  refresh();
  auto found = byKey_.find(key);
  if (found == byKey_.end()) {
    return;
  }
  Store& store = Store::instance();
  for (Tag object : found->second) {
    if (store.isInstanceOf(object, className_) && keyOf_(object) == key && !take(object)) {
      return;
    }
  }
}

std::vector<Tag> KeyedIndex::find(const Key& key) {
  std::vector<Tag> live;
  visit(key, [&live](Tag object) {
    live.push_back(object);
    return true;
  });
  return live;
}

Tag KeyedIndex::findFirst(const Key& key) {
  Tag first;
  visit(key, [&first](Tag object) {
    first = object;
    return false;
  });
  return first;
}

void KeyedIndex::refresh() {
  refreshIndex(
      version_, {className_}, [this] { byKey_.clear(); },
      [this](Tag object) {
        if (!Store::instance().isInstanceOf(object, className_)) {
          return;
        }
        Key key = keyOf_(object);
        if (!key.empty()) {
          fileInIndex(byKey_[std::move(key)], object);
        }
      });
}

std::vector<Tag> ElementIndex::find(Tag element) {
  refresh();
  std::vector<Tag> live;
  auto found = byElement_.find(element);
  if (found != byElement_.end()) {
    for (Tag object : found->second) {
      if (Store::instance().find(object) != nullptr) {
        live.push_back(object);
      }
    }
  }
  return live;
}

void ElementIndex::refresh() {
  refreshIndex(
      version_, {className_}, [this] { byElement_.clear(); },
      [this](Tag object) {
        if (!Store::instance().isInstanceOf(object, className_)) {
          return;
        }
        for (Tag held : referencesOf(object, listName_)) {
          std::vector<Tag>& filed = byElement_[held];
          if (filed.empty() || filed.back() != object) {
            fileInIndex(filed, object);
          }
        }
      });
}

}  // namespace host
