// What the operation classes of both services share: storing and raising the library's own
// codes, the bound on client names that reach fixed host buffers, the text of a tag in messages
// and error keys, and the guards of host mark points and object locks.
//
// Everything here assumes the host's single-threaded object API.
#pragma once

#include <cstddef>
#include <string>

#include "framework/service_data.h"
#include "host/object/tag.h"

namespace Korvane {
namespace Soa {
namespace Cad {

// Puts the library's `code` on the host's error store (severity error), with `text` as its
// parameter when it is not empty (a client's name that may be empty, for example).
void storeError(int code, const std::string& text = std::string());
// Stores the code as storeError does and raises it as IFail (which adds nothing to the store:
// the code is its newest entry already).
[[noreturn]] void raiseError(int code, const std::string& text = std::string());

// As storeError and raiseError, with every text passed as a parameter as it is, an empty one
// too, so that each text keeps its place among the message's parameters.
void storeErrorWithTexts(int code, const std::string& text1);
void storeErrorWithTexts(int code, const std::string& text1, const std::string& text2);
[[noreturn]] void raiseErrorWithTexts(int code, const std::string& text1);
[[noreturn]] void raiseErrorWithTexts(int code, const std::string& text1, const std::string& text2);

// The tag as decimal text, as the diagnostic dumps show it. A message a client reads names the
// object instead (objectText): a tag number means nothing outside the process.
std::string tagText(Tag tag);
// How a message names the object of a tag for a client: its UID, or "no object" for the null
// tag (and a tag that names nothing).
std::string objectText(Tag tag);
// The object's UID, for a message a client reads (empty when the host has none).
std::string uidText(Tag tag);

// Whether a client's `name` fits a host name buffer of `size` characters (and its terminator).
bool nameFits(const std::string& name, int size);
// A name that does not fit names nothing in the host, so it is refused as not found: raises
// `notFoundCode` with the name before any host call (and fixed buffer) sees it.
void requireNameFits(const std::string& name, int size, int notFoundCode);

// Records the failure being handled as an unkeyed error stack of `serviceData`; without a
// service data the failure is dropped and the error store emptied, so that it reaches no later
// stack.
void recordUnkeyed(Korvane::Soa::Server::ServiceData* serviceData);

// A ceiling on what the outputs of one call list (objects, lists of objects, BOM lines), so that
// a small request cannot make the server work and hold memory without end: the same expansion
// asked for thousands of times, or a structure whose parts hold each other many times over.
// Entries are counted as the call lists them; once they would pass the ceiling, the call fails
// as a whole with a ServiceException carrying the library's `code`, whose message names the
// ceiling (its texts: the ceiling and `name`, the constant that holds it). Nothing the call did
// is kept then (the request's mark point rolls the host back).
class OutputCeiling {
 public:
  // REQUIRES: `name` outlives the ceiling (a literal).
  OutputCeiling(std::size_t maxEntries, int code, const char* name)
      : maxEntries_(maxEntries), code_(code), name_(name) {}

  // Fails the call at once when `count` entries, a bound known before the work, would pass the
  // ceiling with those counted so far.
  void require(std::size_t count) const;
  // Counts `count` more entries; fails the call when they pass the ceiling.
  void add(std::size_t count);
  std::size_t entries() const { return entries_; }

 private:
  [[noreturn]] void fail() const;

  std::size_t maxEntries_;
  int code_;
  const char* name_;
  std::size_t entries_ = 0;
};

// A host mark point around one step (an input, or one part of it). Unless the step is kept, the
// host is rolled back to the mark when the guard goes out of scope, undoing every creation,
// change and deletion made since, also those the host makes at once. The guard is left unkept
// only on a failure path, so a failing roll-back stays on the error store, where it joins the
// explanation of the failure that caused it.
//
// REQUIRES: what the roll-back removes is no longer used once it has run: BOM windows opened
// after the mark are closed before the guard rolls back (such a window can no longer be closed
// afterwards), and lines made after the mark are not used again.
class MarkPoint {
 public:
  // Places the mark; raises IFail when the host refuses.
  MarkPoint();
  ~MarkPoint();
  MarkPoint(const MarkPoint&) = delete;
  MarkPoint& operator=(const MarkPoint&) = delete;

  // The step succeeded: its changes stay (an enclosing mark still covers them). When the host
  // refuses to forget the mark, the step is rolled back at once and IFail raised with the
  // refusal's code: a step reported failed leaves nothing behind (no object made, no lock
  // taken) and no mark dangles. Locks a step takes under the mark are therefore adopted by a
  // guard only once keep() has returned; the roll-back gives them back otherwise.
  void keep();

 private:
  // Rolls the host back to the mark; a failing roll-back stays on the error store.
  void rollBack();

  int id_ = 0;
};

// The session's lock on one object, released (AOM_refresh(object, false), which also drops
// unsaved values) when the guard goes out of scope still holding it, so that no lock outlives
// its step whatever way the step is left. A failing release there stays on the error store
// while a failure unwinds, joining its explanation; otherwise nothing reports it and the store
// is emptied.
class ObjectLock {
 public:
  ObjectLock() = default;
  ~ObjectLock();
  ObjectLock(const ObjectLock&) = delete;
  ObjectLock& operator=(const ObjectLock&) = delete;

  // Locks `object`; raises IFail when the host refuses.
  void lock(Tag object);
  // Takes on a lock on `object` that another call takes (or may have taken): it is released
  // here all the same.
  void adopt(Tag object);
  // Releases the lock; raises IFail when the host refuses (the guard no longer holds it).
  void unlock();
  bool held() const { return held_; }

 private:
  Tag object_;
  bool held_ = false;
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
