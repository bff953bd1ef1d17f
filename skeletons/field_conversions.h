// The rules by which each kind of field crosses between a wire record and a local record, shared
// by the conversions of every skeleton. A record conversion lists its fields in the local
// declaration order and lets the field's kind pick the rule through these overloads, so each
// rule is written once:
//
//   fromWire(local.field, wire.getField())        wire to local
//   wire.setField(wireValue(local.field))         local to wire
//
// Wire to local copies every field and catches nothing: an object crosses as the tag of its UID
// (Utils::uidToTag, untested), a typed reference with its object not loaded yet, and no list
// element is left out. Local to wire builds fresh wire records: an object field whose tag the
// host cannot make into a model object becomes the null model object, such an element of an
// object list is left out (no placeholder), and the host's error store is emptied in both cases
// so that the failure reaches no later error stack; nothing else is caught.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "framework/base_records.h"
#include "framework/date_time.h"
#include "framework/soa_exceptions.h"
#include "framework/utils.h"
#include "framework/xml_parse_error.h"
#include "host/object/date.h"
#include "host/object/error_store.h"
#include "host/object/ifail.h"
#include "host/object/pom_ref.h"
#include "host/object/tag.h"

namespace Korvane {
namespace Services {

// `Skeleton` is the class whose public static toLocal and toWire overloads convert the records
// of its service; nested records and record lists are converted through them.
template <class Skeleton>
struct FieldConversions {
  using ModelObject = Korvane::Schemas::Soa::_2006_03::Base::ModelObject;
  using DateTime = Korvane::Soa::Common::DateTime;
  using Utils = Korvane::Soa::Internal::Server::Utils;

  // --- Wire to local -------------------------------------------------------------------------

  static void fromWire(std::string& local, const std::string& wire) { local = wire; }
  static void fromWire(bool& local, bool wire) { local = wire; }
  static void fromWire(int& local, int wire) { local = wire; }
  static void fromWire(std::vector<std::string>& local, const std::vector<std::string>& wire) {
    local = wire;
  }
  static void fromWire(std::vector<double>& local, const std::vector<double>& wire) {
    local = wire;
  }
  static void fromWire(Date& local, const DateTime& wire) { local = Utils::createServerDate(wire); }

  // An object: the tag of its UID, whatever the UID names (the operation checks it).
  static void fromWire(Tag& local, const ModelObject& wire) {
    local = Utils::uidToTag(wire.getUid());
  }

  // A typed object: the tag of its UID, the object not loaded yet.
  template <class T>
  static void fromWire(POMRef<T>& local, const ModelObject& wire) {
    local = POMRef<T>(Utils::uidToTag(wire.getUid()));
  }

  // Object lists: one element per wire element, in order, none left out.
  static void fromWire(std::vector<Tag>& local, const std::vector<ModelObject>& wire) {
    references(local, wire);
  }
  template <class T>
  static void fromWire(std::vector<POMRef<T>>& local, const std::vector<ModelObject>& wire) {
    references(local, wire);
  }
  template <class T>
  static void fromWire(std::vector<EIMRef<T>>& local, const std::vector<ModelObject>& wire) {
    references(local, wire);
  }

  // A nested record, by its own conversion.
  template <class LocalRecord, class WireRecord>
  static auto fromWire(LocalRecord& local, const WireRecord& wire)
      -> decltype(void(local = Skeleton::toLocal(wire))) {
    local = Skeleton::toLocal(wire);
  }

  // A list of records, element by element.
  template <class LocalRecord, class WireRecord>
  static auto fromWire(std::vector<LocalRecord>& local, const std::vector<WireRecord>& wire)
      -> decltype(void(local.push_back(Skeleton::toLocal(wire.front())))) {
    local.clear();
    local.reserve(wire.size());
    for (const WireRecord& element : wire) {
      local.push_back(Skeleton::toLocal(element));
    }
  }

  // A wire value as a local value of type `Local`, by the rule of its kind.
  template <class Local, class Wire>
  static Local localValue(const Wire& wire) {
    Local local;
    fromWire(local, wire);
    return local;
  }

  // --- Local to wire -------------------------------------------------------------------------

  static const std::string& wireValue(const std::string& local) { return local; }
  static bool wireValue(bool local) { return local; }
  static int wireValue(int local) { return local; }
  static const std::vector<std::string>& wireValue(const std::vector<std::string>& local) {
    return local;
  }
  static const std::vector<double>& wireValue(const std::vector<double>& local) { return local; }
  static DateTime wireValue(const Date& local) { return Utils::createSoaDate(local); }

  // An object: its model object, or the null model object when the host cannot make one for
  // the tag. The client is not told. A failure of the null model object itself passes.
  static ModelObject wireValue(const Tag& local) {
    try {
      return Utils::createWireModelObect(local);
    } catch (IFail&) {
      ERROR_store_clear();
    }
    return Utils::createWireModelObect(Tag(0));
  }

  template <class T>
  static ModelObject wireValue(const POMRef<T>& local) {
    return wireValue(local.tag());
  }

  // Object lists: an element that the host cannot make into a model object is left out; the
  // others keep their order.
  static std::vector<ModelObject> wireValue(const std::vector<Tag>& local) {
    std::vector<ModelObject> wire;
    wire.reserve(local.size());
    for (const Tag& tag : local) {
      try {
        wire.push_back(Utils::createWireModelObect(tag));
      } catch (IFail&) {
        ERROR_store_clear();
      }
    }
    return wire;
  }

  template <class T>
  static std::vector<ModelObject> wireValue(const std::vector<POMRef<T>>& local) {
    std::vector<Tag> tags;
    tags.reserve(local.size());
    for (const POMRef<T>& reference : local) {
      tags.push_back(reference.tag());
    }
    return wireValue(tags);
  }

  // A nested record (or an enumerator, as its text), by its own conversion.
  template <class LocalRecord>
  static auto wireValue(const LocalRecord& local) -> decltype(Skeleton::toWire(local)) {
    return Skeleton::toWire(local);
  }

  // A list of records, element by element; a failure in an element leaves the whole conversion.
  template <class LocalRecord>
  static auto wireValue(const std::vector<LocalRecord>& local)
      -> std::vector<decltype(Skeleton::toWire(local.front()))> {
    std::vector<decltype(Skeleton::toWire(local.front()))> wire;
    wire.reserve(local.size());
    for (const LocalRecord& element : local) {
      wire.push_back(Skeleton::toWire(element));
    }
    return wire;
  }

  // The last step of every response conversion: the host's change notifications gathered, the
  // requested properties of the returned objects filled in, then the wire service data set.
  template <class WireResponse, class ServiceData>
  static void setServiceData(WireResponse& wire, ServiceData& serviceData) {
    serviceData.getNotifications();
    serviceData.inflateProperties();
    wire.setServiceData(serviceData.getWireData());
  }

 private:
  template <class Reference>
  static void references(std::vector<Reference>& local, const std::vector<ModelObject>& wire) {
    local.clear();
    local.reserve(wire.size());
    for (const ModelObject& object : wire) {
      local.push_back(Reference(Utils::uidToTag(object.getUid())));
    }
  }
};

// An enumerator of a local record and its text on the wire.
template <class Enum>
struct EnumeratorText {
  Enum value;
  const char* text;
};

// The wire text of `value`. Raises DomException "Invalid Enum value" for a value that `table`
// does not list.
template <class Enum, std::size_t N>
std::string enumeratorText(const EnumeratorText<Enum> (&table)[N], Enum value) {
  for (const EnumeratorText<Enum>& entry : table) {
    if (entry.value == value) {
      return entry.text;
    }
  }
  throw Korvane::Soa::Common::Exceptions::DomException("Invalid Enum value");
}

// The enumerator whose text is exactly `text` (case-sensitive), the first in `table` order.
// Raises DomException "Invalid Enum value: " followed by the text for any other text (as
// Xml::excerpt shows it: a long text is cut, what is not printable escaped).
template <class Enum, std::size_t N>
Enum enumeratorOf(const EnumeratorText<Enum> (&table)[N], const std::string& text) {
  for (const EnumeratorText<Enum>& entry : table) {
    if (text == entry.text) {
      return entry.value;
    }
  }
  throw Korvane::Soa::Common::Exceptions::DomException("Invalid Enum value: " +
                                                       Korvane::Soa::Common::Xml::excerpt(text));
}

}  // namespace Services
}  // namespace Korvane
