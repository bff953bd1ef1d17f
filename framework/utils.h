// Crossings between host tags, UIDs, dates and wire records.
#pragma once

#include <string>

#include "framework/base_records.h"
#include "framework/date_time.h"
#include "framework/visibility.h"
#include "host/object/date.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

namespace Korvane {
namespace Soa {
namespace Internal {
namespace Server {

class Utils {
 public:
  // The UID of the object; the empty string for the null tag and for a tag the host never
  // handed out.
  static std::string tagToUid(unsigned int tag);
  // The tag of the object with this UID. The empty UID gives the null tag; a UID that names no
  // object gives a tag that is not null but not valid either, so that the operation's own
  // validity checks (status 7007) decide what it means.
  static unsigned int uidToTag(const std::string& uid);
  // The wire form of an object: UID, class name and type name, no properties. The null tag
  // gives the null model object (empty UID, nothing else set). A tag that names no live object
  // raises IFail 7007 (stored on the error store first).
  static Korvane::Schemas::Soa::_2006_03::Base::ModelObject createWireModelObect(const Tag& tag);
  static Date createServerDate(const Korvane::Soa::Common::DateTime& date);
  static Korvane::Soa::Common::DateTime createSoaDate(const Date& date);
};

}  // namespace Server
}  // namespace Internal
}  // namespace Soa
}  // namespace Korvane

SOACAD_API_END
