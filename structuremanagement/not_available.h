// The answer of a structure operation whose operation class is not built yet.
#pragma once

#include <string>

#include "framework/soa_exceptions.h"

namespace Korvane {
namespace Soa {
namespace Cad {

[[noreturn]] inline void throwNotAvailable(const std::string& operation) {
  throw Korvane::Soa::Server::ServiceException(operation + " is not available yet");
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
