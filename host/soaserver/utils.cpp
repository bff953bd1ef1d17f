#include "framework/utils.h"

#include "host/object/error_store.h"
#include "host/object/ifail.h"
#include "host/object/store.h"

namespace Korvane {
namespace Soa {
namespace Internal {
namespace Server {

namespace Base = Korvane::Schemas::Soa::_2006_03::Base;

std::string Utils::tagToUid(unsigned int tag) {
  return host::Store::instance().uidOfTag(tag);
}

unsigned int Utils::uidToTag(const std::string& uid) {
  return host::Store::instance().tagOfUid(uid);
}

Base::ModelObject Utils::createWireModelObect(const Tag& tag) {
  Base::ModelObject model;
  if (tag == NULLTAG) {
    return model;
  }
  host::Store& store = host::Store::instance();
  const host::ObjectRecord* object = store.find(tag);
  if (object == nullptr) {
    ResultStatus status;
    status = POM_invalid_tag;
  }
  model.setUid(object->uid);
  if (const host::ClassRecord* objectClass = store.classRecord(object->classId)) {
    model.setClassName(objectClass->name);
  }
  const std::string typeName = store.typeName(object->type);
  if (!typeName.empty()) {
    model.setType(typeName);
  }
  return model;
}

Date Utils::createServerDate(const Korvane::Soa::Common::DateTime& date) {
  Date server;
  server.year = date.year();
  server.month = date.month();
  server.day = date.day();
  server.hour = date.hour();
  server.minute = date.minute();
  server.second = date.second();
  return server;
}

Korvane::Soa::Common::DateTime Utils::createSoaDate(const Date& date) {
  return Korvane::Soa::Common::DateTime(date.year, date.month, date.day, date.hour, date.minute,
                                        date.second);
}

}  // namespace Server
}  // namespace Internal
}  // namespace Soa
}  // namespace Korvane
