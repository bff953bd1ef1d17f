// The store the host program starts from when it is given no store file.
#pragma once

#include "framework/visibility.h"

SOACAD_API_BEGIN

namespace host {

// A fixture document (host/README.md) of a small engineering world: two users with their home
// and newstuff folders, a project folder with a gearbox assembly and its parts (items with
// revisions, each with its master form), CAD and text datasets related to the revisions, units
// of measure, alternate-id types, relation types and preferences. examples/README.md names the
// objects that the example requests use.
extern const char* const kDemoStore;

}  // namespace host

SOACAD_API_END
