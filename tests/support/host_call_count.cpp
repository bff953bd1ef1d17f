// HostTest::calls, apart from the rest of the fixture: it reads the host's call log, which the
// shared host does not export, so a test program that links the shared host (startup_tests)
// uses the fixture without it.
#include <string>

#include "host/object/host_call.h"
#include "tests/support/host_fixture.h"

namespace soacad_test {

int HostTest::calls(const char* name, Tag tag) const {
  int count = 0;
  for (const host::LoggedCall& call : host::callLog().entries()) {
    if (std::string(call.name) == name && (tag == NULLTAG || call.tag == tag)) {
      ++count;
    }
  }
  return count;
}

}  // namespace soacad_test
