// Test helpers for code that runs against the host stand-in.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "host/object/store.h"
#include "host/object/tag.h"

namespace soacad_test {

// A small world most tests can start from: the current user "u.jdoe" with a home folder
// "f.home" and a newstuff folder "f.newstuff", and the item "i.1" (id "000001") in the home
// folder.
extern const char* const kUserFixture;

// Every test starts from a reset host: the base fixture only, empty error store, call log and
// fault plan, allocator counts zero.
class HostTest : public ::testing::Test {
 protected:
  void SetUp() override;

  host::Store& store() { return host::Store::instance(); }
  // Loads a fixture document; a FixtureError fails the test with its message.
  void load(const std::string& fixture);
  // The tag of a UID (the fixture's objects are addressed by the UIDs it gives them).
  Tag tagOf(const std::string& uid) { return store().tagOfUid(uid); }
  // The store in the fixture format without its id counters: what a rolled-back step must
  // leave unchanged (counters never go back, so that ids handed out are never reused).
  std::string savedObjects() const;
  // The codes on the error store, oldest first.
  std::vector<int> storedCodes() const;
};

}  // namespace soacad_test
