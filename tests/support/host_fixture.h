// Test helpers for code that runs against the host stand-in.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <type_traits>
#include <vector>

#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/store.h"
#include "host/object/tag.h"

namespace soacad_test {

// A small world most tests can start from: the current user "u.jdoe" with a home folder
// "f.home" and a newstuff folder "f.newstuff", and the item "i.1" (id "000001") in the home
// folder.
extern const char* const kUserFixture;
// What saving a CAD part needs on top of kUserFixture: the dataset type "CADModel" ("dt.model")
// whose default tool "Modeler" ("tool.m") writes the format "BIN", the relation type
// "ZOLT_specification" for datasets, and new items filed in the home folder.
extern const char* const kCadModelFixture;

// Every test starts from a reset host: the base fixture only, empty error store, call log and
// fault plan, allocator counts zero.
class HostTest : public ::testing::Test {
 protected:
  void SetUp() override;

  host::Store& store() { return host::Store::instance(); }
  // Loads a fixture document; a FixtureError fails the test with its message.
  void load(const std::string& fixture);
  // The tag of a UID (the fixture's objects are addressed by the UIDs it gives them). An unknown
  // UID gives a tag that is not null and names no object.
  Tag tagOf(const std::string& uid) { return store().tagOfUid(uid); }
  // The UIDs of `tags`, in order.
  std::vector<std::string> uidsOf(const std::vector<Tag>& tags) const;
  std::string uidOf(Tag tag) const { return host::Store::instance().uidOfTag(tag); }
  // A tag that names no live object: the object was deleted.
  Tag deletedTag();
  // `text` with every "{<UID>}" replaced by the number of that UID's tag.
  std::string withTags(const std::string& text);
  // The store in the fixture format without its id counters: what a rolled-back step must
  // leave unchanged (counters never go back, so that ids handed out are never reused).
  std::string savedObjects() const;
  // The codes on the error store, oldest first.
  std::vector<int> storedCodes() const;
  // The code and texts of the newest entry of the error store (nothing when it is empty); the
  // store is then emptied.
  std::vector<std::string> takeNewestEntry();

  // What every operation must leave behind: the host allocations it was handed released
  // (`outstanding` counted before it ran), no block freed twice or not the host's, an empty
  // error store, no mark point, no object locked and no trace scope open.
  void expectSettled(std::size_t outstanding = 0);
  // Runs `operation`, checks that it left the host settled and gives its result.
  template <class Operation>
  auto settled(Operation&& operation) {
    const std::size_t outstanding = host::allocator().outstanding();
    auto result = operation();
    expectSettled(outstanding);
    return result;
  }

  // The saved value of a property (null when never written), its first text and first tag.
  const host::Value& saved(Tag object, const char* property);
  std::string savedText(Tag object, const char* property);
  Tag savedTag(Tag object, const char* property);
  // The first text of the value this session reads ("" when null).
  std::string text(Tag object, const char* property);
  std::string typeOf(Tag object) { return store().typeName(store().find(object)->type); }
  // The objects related to `primary` by the relation type named `type`, in relation order.
  std::vector<Tag> secondaries(Tag primary, const char* type);
  // How many times the host call `name` was made (for `tag` only, when given).
  int calls(const char* name, Tag tag = NULLTAG) const;
};

// HostTest with kUserFixture loaded.
class UserTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    load(kUserFixture);
  }
};

// Sets an environment variable for the life of the object and unsets it afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) { setenv(name, value, 1); }
  ~ScopedEnv() { unsetenv(name_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
};

// Puts `value` in `place` for the life of the object and gives `place` its old value back
// afterwards (a stand-in in the place of a singleton, for one test).
template <class T>
class ScopedValue {
 public:
  ScopedValue(T& place, T value) : place_(place), saved_(place) { place_ = value; }
  ~ScopedValue() { place_ = saved_; }
  ScopedValue(const ScopedValue&) = delete;
  ScopedValue& operator=(const ScopedValue&) = delete;

 private:
  T& place_;
  T saved_;
};

// What `action` writes to standard output.
template <class Action>
std::string stdoutOf(Action&& action) {
  testing::internal::CaptureStdout();
  action();
  return testing::internal::GetCapturedStdout();
}

// The code of the IFail that `action` raises, 0 when it raises none.
template <class Action>
int ifailOf(Action&& action) {
  try {
    action();
  } catch (const IFail& failure) {
    return failure.ifail();
  }
  return 0;
}

namespace detail {
template <class T, class... Rest>
struct Last : Last<Rest...> {};
template <class T>
struct Last<T> {
  using type = T;
};
}  // namespace detail

// Calls the host query `call` with `args` and a place for its one output (its last parameter),
// expects status 0 and gives the output. A text output is copied ("<null>" for none) and its
// host block released.
template <class... Params, class... Args>
auto ask(int (*call)(Params...), Args... args) {
  using Out = std::remove_pointer_t<typename detail::Last<Params...>::type>;
  Out out{};
  EXPECT_EQ(call(args..., &out), 0);
  if constexpr (std::is_same_v<Out, char*>) {
    const std::string text = out == nullptr ? "<null>" : out;
    SM_free(out);
    return text;
  } else {
    return out;
  }
}

// Calls the host listing `call` with `args`, a place for the count and one for the array (its
// last two parameters), expects status 0, gives the elements and releases the array. Texts are
// copied.
template <class... Params, class... Args>
auto askList(int (*call)(Params...), Args... args) {
  using Array = std::remove_pointer_t<typename detail::Last<Params...>::type>;
  using Element = std::remove_pointer_t<Array>;
  using Result = std::conditional_t<std::is_same_v<Element, char*>, std::string, Element>;
  int count = -1;
  Array block = nullptr;
  EXPECT_EQ(call(args..., &count, &block), 0);
  std::vector<Result> elements;
  for (int i = 0; i < count; ++i) {
    elements.push_back(Result(block[i]));
  }
  SM_free(block);
  return elements;
}

}  // namespace soacad_test
