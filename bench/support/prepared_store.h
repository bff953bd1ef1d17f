// Setting up the host stand-in's store before a benchmark's clock starts.
#pragma once

#include <string>

#include "host/object/store.h"

namespace bench_support {

// Empties the store and loads `world` and then `more` (fixture documents; an empty `more` is
// left out), with the host's call log turned off so that no timed call pays for recording
// itself. A fixture that does not load throws the host's FixtureError.
void resetStore(const std::string& world, const std::string& more = std::string());

// Brings the host's indexes up to date with what host calls have made since the last load, as
// a load does, so that the first timed call pays for no catch-up of what was set up.
void settleIndexes();

// The tag of the object with `uid` in the store.
Tag tagOf(const std::string& uid);

}  // namespace bench_support
