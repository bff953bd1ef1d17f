#include "datamanagement/operation_support.h"

#include <cstdint>
#include <exception>

#include "framework/soa_exceptions.h"
#include "framework/utils.h"
#include "host/object/aom.h"
#include "host/object/error_store.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/pom.h"

namespace Korvane {
namespace Soa {
namespace Cad {

void storeError(int code, const std::string& text) {
  ERROR_store(EMH_severity_error, code, text.empty() ? nullptr : text.c_str());
}

void raiseError(int code, const std::string& text) {
  storeError(code, text);
  throw IFail(code);
}

void storeErrorWithTexts(int code, const std::string& text1) {
  ERROR_store(EMH_severity_error, code, text1.c_str());
}

void storeErrorWithTexts(int code, const std::string& text1, const std::string& text2) {
  ERROR_store(EMH_severity_error, code, text1.c_str(), text2.c_str());
}

void raiseErrorWithTexts(int code, const std::string& text1) {
  storeErrorWithTexts(code, text1);
  throw IFail(code);
}

void raiseErrorWithTexts(int code, const std::string& text1, const std::string& text2) {
  storeErrorWithTexts(code, text1, text2);
  throw IFail(code);
}

std::string tagText(Tag tag) {
  return std::to_string(static_cast<std::uint32_t>(tag));
}

std::string uidText(Tag tag) {
  host::HostString uid;
  POM_tag_to_uid(tag, uid.out());
  return uid ? uid.str() : std::string();
}

std::string objectText(Tag tag) {
  const std::string uid = Korvane::Soa::Internal::Server::Utils::tagToUid(tag);
  return uid.empty() ? "no object" : uid;
}

bool nameFits(const std::string& name, int size) {
  return name.size() <= static_cast<std::size_t>(size);
}

void requireNameFits(const std::string& name, int size, int notFoundCode) {
  if (!nameFits(name, size)) {
    raiseError(notFoundCode, name);
  }
}

void recordUnkeyed(Korvane::Soa::Server::ServiceData* serviceData) {
  if (serviceData != nullptr) {
    serviceData->addErrorStack();
  } else {
    ERROR_store_clear();
  }
}

// --- OutputCeiling ---------------------------------------------------------------------------

void OutputCeiling::require(std::size_t count) const {
  if (count > maxEntries_ - entries_) {
    fail();
  }
}

void OutputCeiling::add(std::size_t count) {
  require(count);
  entries_ += count;
}

void OutputCeiling::fail() const {
  storeErrorWithTexts(code_, std::to_string(maxEntries_), name_);
  throw Korvane::Soa::Server::ServiceException();
}

// --- MarkPoint -------------------------------------------------------------------------------

MarkPoint::MarkPoint() {
  ResultStatus status;
  status = POM_place_markpoint(&id_);
}

MarkPoint::~MarkPoint() {
  if (id_ != 0) {
    rollBack();
  }
}

void MarkPoint::rollBack() {
  const int id = id_;
  id_ = 0;
  bool changed = false;
  POM_roll_to_markpoint(id, &changed);
}

void MarkPoint::keep() {
  const int status = POM_forget_markpoint(id_);
  if (status != 0) {
    rollBack();
    throw IFail(status);
  }
  id_ = 0;
}

// --- ObjectLock ------------------------------------------------------------------------------

ObjectLock::~ObjectLock() {
  if (held_ && AOM_refresh(object_, false) != 0 && std::uncaught_exceptions() == 0) {
    ERROR_store_clear();
  }
}

void ObjectLock::lock(Tag object) {
  object_ = object;
  ResultStatus status;
  status = AOM_refresh(object, true);
  held_ = true;
}

void ObjectLock::adopt(Tag object) {
  object_ = object;
  held_ = true;
}

void ObjectLock::unlock() {
  held_ = false;
  ResultStatus status;
  status = AOM_refresh(object_, false);
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
