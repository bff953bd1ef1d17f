#include "host/object/user.h"

#include <cstdint>
#include <string>
#include <vector>

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/item.h"
#include "host/object/memory.h"
#include "host/object/sizes.h"
#include "host/object/store.h"

namespace {

using host::missingArgument;
using host::Store;
using host::tagText;

// The store's counters (saved with it, so ids stay unique across sessions).
const char* const kItemIdCounter = "item_id";

// One alternate-id counter per (context, type, pattern), named by their UIDs and the pattern.
std::string altIdCounter(Tag idContext, Tag idType, const std::string& pattern) {
  const Store& store = Store::instance();
  return "alt_id/" + store.uidOfTag(idContext) + "/" + store.uidOfTag(idType) + "/" + pattern;
}

std::string padded(std::uint64_t number, std::size_t width) {
  std::string digits = std::to_string(number);
  if (digits.size() < width) {
    digits.insert(0, width - digits.size(), '0');
  }
  return digits;
}

// "A" -> "B", "Z" -> "AA", "AZ" -> "BA"; anything but upper-case letters gives "A".
std::string nextRevisionId(const std::string& current) {
  if (current.empty() ||
      current.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") != std::string::npos) {
    return "A";
  }
  std::string next = current;
  for (std::size_t i = next.size(); i-- > 0;) {
    if (next[i] != 'Z') {
      ++next[i];
      return next;
    }
    next[i] = 'A';
  }
  return "A" + next;
}

}  // namespace

int USER_new_item_id(Tag item, Tag /*itemType*/, bool* modifiable, char** id) {
  if (modifiable == nullptr || id == nullptr) {
    return missingArgument("USER_new_item_id");
  }
  *modifiable = false;
  *id = nullptr;
  HOST_CALL("USER_new_item_id", item);
  std::string candidate;
  do {
    std::uint64_t number = 0;
    if (const int status = Store::instance().nextCount(kItemIdCounter, &number)) {
      return status;
    }
    candidate = padded(number, 6);
  } while (host::findItemById(candidate) != NULLTAG);
  *modifiable = true;
  *id = SM_string_copy(candidate.c_str());
  return 0;
}

int USER_new_revision_id(Tag item, Tag /*itemType*/, bool* modifiable, char** revisionId) {
  if (modifiable == nullptr || revisionId == nullptr) {
    return missingArgument("USER_new_revision_id");
  }
  *modifiable = false;
  *revisionId = nullptr;
  HOST_CALL("USER_new_revision_id", item);
  std::string next = "A";
  if (item != NULLTAG) {
    Tag latest = NULLTAG;
    if (const int status = ITEM_ask_latest_rev(item, &latest)) {
      return status;
    }
    if (latest != NULLTAG) {
      char current[ITEM_id_size_c + 1];
      if (const int status = ITEM_ask_rev_id(latest, current)) {
        return status;
      }
      next = nextRevisionId(current);
    }
  }
  *modifiable = true;
  *revisionId = SM_string_copy(next.c_str());
  return 0;
}

int USER_new_alt_id(Tag idContext, const char* pattern, Tag idType, Tag parentAltId, char** newId) {
  if (newId == nullptr) {
    return missingArgument("USER_new_alt_id");
  }
  *newId = nullptr;
  HOST_CALL("USER_new_alt_id", idContext);
  Store& store = Store::instance();
  if (store.typeName(idType).empty()) {
    return host::storeError(POM_invalid_tag, {tagText(idType)});
  }
  for (Tag object : {idContext, parentAltId}) {
    if (object != NULLTAG && store.find(object) == nullptr) {
      return host::storeError(POM_invalid_tag, {tagText(object)});
    }
  }
  const std::string shape = pattern == nullptr ? std::string() : std::string(pattern);
  std::uint64_t number = 0;
  if (const int status = store.nextCount(altIdCounter(idContext, idType, shape), &number)) {
    return status;
  }
  std::string id;
  if (shape.find('#') == std::string::npos) {
    id = shape + padded(number, shape.empty() ? 6 : 1);
  } else {
    for (std::size_t i = 0; i < shape.size();) {
      if (shape[i] != '#') {
        id += shape[i++];
        continue;
      }
      const std::size_t run = shape.find_first_not_of('#', i);
      const std::size_t width = (run == std::string::npos ? shape.size() : run) - i;
      id += padded(number, width);
      i += width;
    }
  }
  *newId = SM_string_copy(id.c_str());
  return 0;
}
