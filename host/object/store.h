// The host's object store: one process-wide, in-memory model of persistent objects.
//
// Every object has a tag (32-bit, never reused, 0 = null), a UID string, a class (single
// inheritance), a type (a type object, with subtypes), properties with a saved value and a
// working value, a lock flag (owned by the one session), a "newly created, never saved" flag, a
// deleted flag and a modifiable flag. Classes have tags from the same counter and UIDs
// ("class." + name) but are not objects. Types are objects of the class "ZoltType" whose
// properties "type_name", "type_class" and "parent_type" say what they are.
//
// The C functions of the object API (pom.h, aom.h and the modules added later) are thin
// wrappers around this class; later host modules use it directly. Statuses are the codes of
// ifail.h; a method that fails puts its code on the error store first, like the C calls.
//
// Mark points journal the prior state of every object that changes after them (creation,
// property writes, saves, lock changes, deletion), so that rolling back restores it exactly.
// Classes, message templates, preferences and the session are not journaled.
//
// The store is single-threaded, like the library. Pointers to records stay valid until reset().
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <variant>
#include <vector>

#include "framework/visibility.h"
#include "host/object/tag.h"
#include "host/object/value.h"

SOACAD_API_BEGIN

namespace host {

// A fixture document that cannot be loaded: not well-formed, or naming what does not exist.
// what() reads "fixture line L, column C: cause" (L and C 0 when unknown); a cause longer than
// XmlParseError::kMaxCauseBytes is cut, and what is not printable in it escaped, as
// Xml::excerpt shows it.
class FixtureError : public std::runtime_error {
 public:
  FixtureError(int line, int column, const std::string& cause);
  int line() const { return line_; }
  int column() const { return column_; }

 private:
  int line_;
  int column_;
};

struct ClassRecord {
  Tag id;
  std::string name;
  Tag parent;                                  // Null for a root class.
  std::vector<PropertyDefinition> properties;  // Its own, in declaration order.
  std::vector<Tag> children;                   // Its direct subclasses, in definition order.
};

struct PropertyState {
  PropertyState() = default;
  PropertyState(const PropertyState& other);
  PropertyState& operator=(const PropertyState& other);
  PropertyState(PropertyState&&) = default;
  PropertyState& operator=(PropertyState&&) = default;
  ~PropertyState() = default;

  Value saved;

  // The value written but not saved yet, if there is one. Few properties have one at a time,
  // so it is kept apart and costs a pointer when there is none.
  bool hasWorking() const { return working_ != nullptr; }
  // REQUIRES: hasWorking().
  const Value& working() const { return *working_; }
  Value& working() { return *working_; }
  void setWorking(Value value);
  // Drops the working value and hands it over (the null value when there was none).
  Value takeWorking();

  // What this session reads: its own unsaved value if there is one.
  const Value& current() const { return working_ != nullptr ? *working_ : saved; }
  bool operator==(const PropertyState& other) const {
    return saved == other.saved && hasWorking() == other.hasWorking() &&
           (!hasWorking() || *working_ == *other.working_);
  }

 private:
  std::unique_ptr<Value> working_;
};

// Property names are kept once for the process: a class's definitions carry the id of their
// name (PropertyDefinition::id), and objects and undo records hold ids, not texts. Ids are never
// taken back, so a record stays readable across resets and snapshots.
// The id of `name`, given it when it is new.
PropertyId internPropertyName(const std::string& name);
// The id of `name`; kNoPropertyId when no class was ever given a property of that name.
PropertyId propertyIdOf(const std::string& name);
// The same for a name the caller keeps at a fixed address (a literal, above all): the id is
// looked up once per address and text, not hashed at every call.
PropertyId propertyIdOf(const char* name);
// The blocks of property states handed out and not given back yet, by every store, snapshot
// and PropertyStates of the process: a store dropped with its snapshots gives all of its back.
std::size_t propertyBlocksInUse();

// The properties an object holds a state for, sorted by name id. An object has a few, kept in
// one block: their ids packed at its start, then their states in the same order. Finding a
// property reads the ids (one cache line for up to 16 properties) and then the one state it
// wants, rather than stepping through whole states; with the tags of a reference held in
// place, reading an object's reference touches its slot, the ids and that state.
class PropertyStates {
 public:
  PropertyStates() = default;
  PropertyStates(const PropertyStates& other);
  PropertyStates& operator=(const PropertyStates& other);
  PropertyStates(PropertyStates&& other) noexcept;
  PropertyStates& operator=(PropertyStates&& other) noexcept;
  ~PropertyStates() { release(); }

  // Null when the property has no state (it is null, never written).
  PropertyState* find(PropertyId id);
  const PropertyState* find(PropertyId id) const;
  const PropertyState* find(const std::string& name) const { return find(propertyIdOf(name)); }
  bool contains(PropertyId id) const { return find(id) != nullptr; }
  // The state of the property, made null when it has none.
  PropertyState& operator[](PropertyId id);
  void erase(PropertyId id);
  bool empty() const { return size_ == 0; }
  // The properties in the order of their ids: the id and the state of the one at `index`.
  std::size_t size() const { return size_; }
  PropertyId idAt(std::size_t index) const { return ids()[index]; }
  PropertyState& stateAt(std::size_t index) { return states()[index]; }
  const PropertyState& stateAt(std::size_t index) const { return states()[index]; }
  bool operator==(const PropertyStates& other) const;

 private:
  PropertyId* ids() const { return static_cast<PropertyId*>(block_); }
  // The states start after room for `capacity_` ids, rounded up to keep them aligned.
  PropertyState* states() const;
  // The position of the first id not below `id`.
  std::size_t lowerBound(PropertyId id) const;
  // Moves the properties into a block with room for `capacity`.
  void regrow(std::uint32_t capacity);
  void release();

  void* block_ = nullptr;
  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = 0;
};

struct ObjectRecord {
  Tag tag;
  Tag classId;
  Tag type;
  // False for a tag that names no object: an unknown UID's tag, or a creation rolled back.
  bool exists = false;
  bool deleted = false;
  bool locked = false;
  bool newlyCreated = false;
  bool modifiable = true;
  std::string uid;
  PropertyStates properties;  // Absent = null, never written.

  bool live() const { return exists && !deleted; }
  bool operator==(const ObjectRecord& other) const;
};

// A preference: its values in one scope ("site", "user", ...).
struct Preference {
  std::string name;
  std::string scope;
  std::vector<std::string> values;
};

// How a property write is checked and where it lands.
enum class WriteMode {
  // A session write (AOM_set_value_*): needs the lock and a modifiable property (else
  // POM_property_not_modifiable, naming the property and the object); sets the
  // working value, which AOM_save persists and AOM_refresh(object, false) drops.
  session,
  // The host call that owns the property (AE_set_dataset_tool, GRM_set_user_data): checked like
  // a session write, except that the property may be one the generic setters may not write
  // (PropertyDefinition::modifiable false); the call checks what it writes itself.
  owner,
  // Host bookkeeping of another call (for example a folder insertion): no lock needed; sets
  // the working value like a session write.
  host,
  // The first values of an object, set by the call that creates it: sets the saved value.
  initial,
};

class Store {
 public:
  static Store& instance();

  // A fresh store holding the base fixture and the registered base fixture parts; the error
  // store, the call log and the fault plan are emptied, mark points dropped, reset hooks run.
  // Tag numbers and generated UIDs start again from the beginning.
  void reset();

  // --- Classes ---------------------------------------------------------------------------
  // The class id of `name`; null when there is no such class.
  Tag classId(const std::string& name) const;
  // Null for a tag that is not a class id.
  const ClassRecord* classRecord(Tag classId) const;
  // REQUIRES: no class `name` yet; `parent` null or a class id.
  Tag defineClass(const std::string& name, Tag parent);
  // REQUIRES: `classId` is a class; neither it, its ancestors nor its descendants define a
  // property of that name.
  void addProperty(Tag classId, const PropertyDefinition& property);
  // The property as `classId` or one of its ancestors defines it; null when none does.
  const PropertyDefinition* findProperty(Tag classId, const std::string& name) const;
  // Every property of the class: the root class's first, each class's in declaration order.
  std::vector<const PropertyDefinition*> properties(Tag classId) const;
  // Reflexive: a class descends from itself. False when either is not a class.
  bool isDescendant(Tag ancestor, Tag classId) const;
  // The class ids in the order they were defined.
  std::vector<Tag> classIds() const;

  // --- Types ----------------------------------------------------------------------------
  // The live type object named `name`; null when there is none.
  Tag findType(const std::string& name) const;
  // Creates a type object with UID "type." + name. Fails with POM_no_such_class, with
  // POM_invalid_tag for a parent that is not a live type, with POM_wrong_class when the
  // class does not descend from the parent type's class, and with POM_duplicate_uid when
  // the name is taken.
  int defineType(const std::string& name, Tag classId, Tag parentType, Tag* type);
  // Empty / null for a tag that is not a live type.
  std::string typeName(Tag type) const;
  std::string typeClassName(Tag type) const;
  Tag parentType(Tag type) const;
  // The live types whose parent is `type`, in creation order.
  std::vector<Tag> subtypes(Tag type) const;
  // Every live type, in creation order.
  std::vector<Tag> types() const;

  // --- Objects --------------------------------------------------------------------------
  // A new object: newly created, unlocked, modifiable, every property null. `type` must be a
  // live type whose class is `classId` or an ancestor of it. An empty `uid` gets a generated
  // one. Fails with POM_no_such_class, POM_invalid_tag (type), POM_wrong_class or
  // POM_duplicate_uid.
  int createObject(Tag classId, Tag type, Tag* object, const std::string& uid = std::string());
  // The record of a live object; null for any other tag (deleted objects included).
  ObjectRecord* find(Tag tag);
  const ObjectRecord* find(Tag tag) const;
  // The record of an object that exists, deleted or not; null otherwise.
  const ObjectRecord* findExisting(Tag tag) const;
  // Whether `tag` is a live object and, in `modifiable` (may be null), whether a session may
  // change it. Unlike find, hands out no record, so removals from its lists stay pending.
  bool isLive(Tag tag, bool* modifiable = nullptr) const;
  // Whether `tag` is a live object of `className` or of a class derived from it.
  bool isInstanceOf(Tag tag, std::string_view className) const;
  // Live objects of the class (and of its descendants when asked), in tag order.
  std::vector<Tag> objectsOfClass(Tag classId, bool withDescendants = true) const;
  // Whether the object appeared more than once: created again with the same UID after its
  // creation was undone, or brought back by a rollback after its deletion. An index may hold
  // it already.
  bool createdAgain(Tag object) const;

  // The empty UID gives the null tag. A UID that names no object gives a tag of its own that
  // is not valid and that stays the same for the life of the store (it is the tag the object
  // gets if one is later created with that UID). Inside a request (RequestScope) such a tag
  // lasts until the request ends, unless a property came to hold it or an object was created
  // with its UID: then it stays like any other.
  Tag tagOfUid(const std::string& uid);
  // The UID of an object tag (live, deleted, or an unknown UID's tag) or of a class id
  // ("class." + the class name); empty for the null tag and numbers never handed out.
  std::string uidOfTag(Tag tag) const;

  // The current value of a property (the working value if there is one). Fails with
  // POM_invalid_tag or POM_no_such_property. `definition` may be null.
  int read(Tag object, const std::string& name, const Value** value,
           const PropertyDefinition** definition = nullptr) const;
  int read(Tag object, const char* name, const Value** value,
           const PropertyDefinition** definition = nullptr) const;
  // The current value of a property, like read, for a live object whose class has the
  // property; null otherwise, and no error is recorded.
  const Value* valueOf(Tag object, const std::string& name) const;
  const Value* valueOf(Tag object, const char* name) const;
  // Writes a property (see WriteMode). The value must have the property's shape (tags for a
  // reference, texts otherwise, at most one element for a scalar: POM_wrong_value_type) and
  // valid texts (POM_invalid_value; they are kept in canonical form). A null tag written to a
  // scalar reference is the null value.
  int write(Tag object, const std::string& name, Value value, WriteMode mode = WriteMode::session);
  // Puts `tag` into the reference list `name` before the element at `position` (past the end:
  // appended), checked like write() and landing where write() would; the list is changed in
  // place, so the cost does not grow with its length (a folder of thousands of objects).
  // POM_wrong_value_type unless the property is a reference list.
  int insertReference(Tag object, const std::string& name, std::size_t position, Tag tag,
                      WriteMode mode = WriteMode::session);
  // Takes the first `tag` out of the reference list `name`, checked like insertReference; a
  // list without the tag stays as it is. `removed` (may be null) tells which. Nothing is copied,
  // and the undo record holds the tag and its position. Removals from one list are applied together
  // before anything can see the list (see PendingRemovals), so that taking entries out one by one
  // from the front of a long list costs what it takes out, not the list's length each time.
  int removeReference(Tag object, const std::string& name, Tag tag,
                      WriteMode mode = WriteMode::session, bool* removed = nullptr);
  // Persists the working values; the object is no longer newly created. The lock is kept.
  // Needs no lock: only locked (or host) writes make working values.
  int save(Tag object);
  // lock: takes the session's lock (POM_not_modifiable for an object that is not modifiable;
  // taking it again succeeds and keeps the working values). Otherwise drops the working
  // values and releases the lock.
  int refresh(Tag object, bool lock);
  // Marks the object deleted: it is no longer valid; its UID keeps naming its tag. Needs no
  // lock; POM_not_modifiable for an object that is not modifiable. References to it are kept
  // (they read as tags that are not valid).
  int remove(Tag object);
  // Fixtures and tests: whether a session may lock, write and delete the object.
  int setModifiable(Tag object, bool modifiable);

  // --- Mark points ----------------------------------------------------------------------
  // Places a mark after the marks already placed; ids are positive and never reused.
  int placeMarkPoint(int* id);
  // Restores every object as it was when mark `id` was placed and removes that mark and the
  // ones placed after it. `stateChanged` (may be null): whether anything was different.
  int rollToMarkPoint(int id, bool* stateChanged);
  // Removes mark `id` and the ones placed after it, keeping their changes (a mark placed
  // before still undoes them).
  int forgetMarkPoint(int id);
  std::size_t markPointCount() const { return state_.marks.size(); }

  // --- Indexes of host modules ------------------------------------------------------------
  // Grows with every creation and with every object a rollback brings back from deletion;
  // jumps when the store starts a new generation (a reset, or a fixture load that failed and
  // was undone). A host module's index (relations by primary object, items by id) remembers
  // the version it has taken in and, at each lookup, takes in the live objects that appeared
  // since (createdSince), so its lookups cost what they find plus what appeared since the last
  // one, never what the store holds. Deletions and undone creations only make entries stale:
  // lookups skip objects that are not live.
  std::uint64_t structureVersion() const { return structureVersion_; }
  // Grows with every call that may change objects (creation, write, insertion, save, refresh,
  // deletion, modifiable change, rollback, reset): a host module's cache of what objects hold
  // is good while the count is what it was when the cache was made.
  std::uint64_t changeCount() const { return changeCount_; }
  // A number that changes with every change of the object: its creation, a write or list change,
  // a save, refresh, deletion or modifiable change, and a rollback undoing any of them. A host
  // module that keeps what it derived from an object (the lines below a BOM line) compares it
  // with the number it saw to tell that the object is as it was, without reading it. It counts
  // per object and wraps only after 2^32 changes of that one object. 0 for a tag that names no
  // object slot.
  std::uint32_t changeStamp(Tag object) const;
  // The objects that appeared since the store's version was `version`, oldest first (one may
  // appear more than once, see createdAgain). False when the
  // store started a new generation since (or `version` is not one it has had): the index then
  // starts over from the live objects of its classes.
  bool createdSince(std::uint64_t version, std::vector<Tag>* created) const;

  // --- Session, preferences, messages ---------------------------------------------------
  Tag currentUser() const { return state_.currentUser; }
  void setCurrentUser(Tag user) { state_.currentUser = user; }
  const std::vector<Preference>& preferences() const { return state_.preferences; }
  // Null when there is no preference of that name in that scope.
  const Preference* findPreference(const std::string& name, const std::string& scope) const;
  // Adds the preference, or replaces the one of the same name and scope.
  void setPreference(const Preference& preference);
  const std::string& searchScope() const { return state_.searchScope; }
  void setSearchScope(const std::string& scope) { state_.searchScope = scope; }
  // The highest value a counter reaches. The numbers counters hand out are shown as signed
  // 64-bit numbers (an id's digits, a generated UID's), so one past it would read as a negative
  // number, and a counter past 2^64 - 1 would wrap to 0 and hand out its numbers again.
  static constexpr std::uint64_t kMaxCount = 9223372036854775807u;
  // Sets `value` to the next value of the named counter (1 for a new one). Counters are saved
  // with the store, so numbers handed out (generated UIDs and ids) are never handed out again,
  // also across a save and a load; mark points do not roll them back. A counter at kMaxCount
  // hands out nothing more: POM_counter_exhausted (7019) naming the counter is stored and
  // returned, and the counter stays where it is.
  int nextCount(const std::string& counter, std::uint64_t* value);
  const std::map<std::string, std::uint64_t>& counters() const { return state_.counters; }
  // Raises the counter to `value` (a counter never goes back).
  // REQUIRES: value <= kMaxCount.
  void raiseCounter(const std::string& counter, std::uint64_t value);
  // The message template of `code`; null when it has none.
  const std::string* messageTemplate(int code) const;
  void setMessageTemplate(int code, const std::string& text) { state_.messages[code] = text; }

  // --- Fixtures (fixture.cpp; the format is in host/README.md) --------------------------
  // A fixture, a saved store above all, is trusted text of the host's own: it is not held to
  // the request limit (a store grows past it) but to this one, which saving checks as well, so
  // that every store saved can be loaded again.
  static constexpr std::size_t kMaxFixtureBytes = 1024u * 1024u * 1024u;
  // Adds the document's content to the store. All or nothing: on FixtureError the store is
  // as it was before.
  void loadFixture(const std::string& text);
  void loadFixtureFile(const std::string& path);
  // The whole store (live objects with their saved and unsaved values and locks) in the
  // fixture format. Saving, loading that text into a reset store and saving again gives the
  // same text.
  std::string saveFixture() const;

  // --- Snapshots (harnesses that run many requests on one seeded store) ------------------
  class Snapshot;
  // The whole store as it is now. REQUIRES: no mark point placed.
  Snapshot snapshot() const;
  // Puts the store back as it was at `snapshot`, as if the store had been reset and the
  // snapshot's content loaded: the error store, the call log and the fault plan are emptied,
  // mark points dropped, reset hooks run, and host module indexes rebuild on their next use.
  void restore(const Snapshot& snapshot);
  // The first object (by tag) that is not as it was at `snapshot`: live then and not now, live
  // now and not then, or live in both with another record (working values, locks and flags
  // included); null when there is none. An object made and deleted since is no change.
  Tag firstChangedObject(const Snapshot& snapshot) const;
  // What firstChangedObject answers when the store was as at `snapshot` when the newest mark
  // point was placed: only the objects the mark's journal names are compared, so that it costs
  // what was done under the mark rather than what the store holds. Null when no mark is placed.
  Tag firstChangedUnderNewestMark(const Snapshot& snapshot) const;
  // Whether tags or counter values were handed out since `snapshot`, which mark points do not
  // take back.
  bool outgrew(const Snapshot& snapshot) const;
  // The first live object that is locked; null when none is.
  Tag firstLockedObject() const;

 private:
  // How to undo one change of one object, recorded when the change is made. A change records
  // only what it replaced (the property written, the entry inserted, the flags and the working
  // values it dropped), moved rather than copied where it is replaced anyway, so that a step's
  // undo record costs what the step did, not what the object holds.
  struct PropertyUndo {  // A property written: its prior state, or absent.
    PropertyId property = kNoPropertyId;
    bool present = false;
    bool wroteSaved = false;  // An initial write: prior.saved is the saved value it replaced.
    PropertyState prior;
  };
  struct InsertUndo {  // A reference inserted into a list, or taken out of it.
    PropertyId property = kNoPropertyId;
    std::size_t position = 0;
    Tag removed;                // The tag taken out; null for an insertion.
    bool intoSaved = false;     // Into the saved list, else into the working one.
    bool madeWorking = false;   // The insertion started the working list.
    bool madeProperty = false;  // The property had no state before.
  };
  struct FlagsUndo {  // A save, refresh, deletion or modifiable change.
    bool deleted = false;
    bool locked = false;
    bool newlyCreated = false;
    bool modifiable = true;
    // Working values the change dropped (refresh, deletion), by property.
    std::vector<std::pair<PropertyId, Value>> droppedWorking;
    // Saved values a save replaced by the working ones, by property.
    std::vector<std::pair<PropertyId, Value>> replacedSaved;
  };
  struct Change {
    // ObjectRecord: the whole record before a creation (a slot that named no object).
    using Undo = std::variant<ObjectRecord, PropertyUndo, InsertUndo, FlagsUndo>;
    Tag tag;
    Undo undo;
  };
  struct MarkPoint {
    int id = 0;
    std::vector<Change> changes;  // Oldest first.
  };
  struct Slot {
    enum Kind : unsigned char { kUnused, kClass, kObject } kind = kUnused;
    // Outside the record, so that undoing a creation keeps them (see createdAgain).
    bool everCreated = false;
    bool createdAgain = false;
    // An unknown UID's tag that a property holds: it outlives the request that named it.
    bool held = false;
    std::uint32_t classIndex = 0;
    // The id of the mark point whose journal holds the object's creation (0: none): undoing the
    // creation restores the whole record, so later changes under that mark need no record of
    // their own. A mark that is gone leaves its id behind; ids are never used again.
    int createdUnder = 0;
    // Counts the changes of the object (see changeStamp); it fills what would be padding.
    std::uint32_t changes = 0;
    ObjectRecord object;
  };
  // The slots by tag value, in blocks of a fixed number of slots: neighbouring tags are
  // neighbours in memory, growing never moves a slot (records handed out stay valid) and finding
  // one costs an index into the block list.
  class SlotTable {
   public:
    SlotTable() = default;
    SlotTable(const SlotTable& other);
    SlotTable& operator=(const SlotTable& other);
    SlotTable(SlotTable&&) = default;
    SlotTable& operator=(SlotTable&&) = default;
    ~SlotTable() = default;

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Slot& operator[](std::size_t index) { return blocks_[index >> kShift][index & kMask]; }
    const Slot& operator[](std::size_t index) const {
      return blocks_[index >> kShift][index & kMask];
    }
    Slot& emplace_back();

   private:
    static constexpr std::size_t kShift = 12;
    static constexpr std::size_t kMask = (std::size_t{1} << kShift) - 1;
    // Each block's capacity is reserved whole, so that filling it never reallocates.
    std::vector<std::vector<Slot>> blocks_;
    std::size_t size_ = 0;
  };
  // The tag of every UID: one open-addressing table of tags, probed by a hash of the UID and
  // checked against the UID in the tag's slot, so that a UID's text is kept once and an entry
  // costs eight bytes, not a node and a copy of the text.
  class UidIndex {
   public:
    // The tag of `uid`; null when it has none.
    Tag find(const std::string& uid, const SlotTable& slots) const;
    // Files `tag` under `uid`, which its slot holds, unless the UID has a tag already; the tag
    // the UID has.
    Tag insert(const std::string& uid, Tag tag, const SlotTable& slots);
    // Takes the UID's entry out; nothing when it has none.
    void erase(const std::string& uid, const SlotTable& slots);

   private:
    struct Entry {
      std::uint32_t tag = 0;  // 0: never used; kErased: an entry taken out.
      std::uint32_t hash = 0;
    };
    static constexpr std::uint32_t kErased = ~std::uint32_t{0};
    static std::uint32_t hashOf(const std::string& uid);
    // The entry of `uid`, or the first free one of its probe sequence (the entries are not
    // empty).
    std::size_t position(const std::string& uid, std::uint32_t hash, const SlotTable& slots,
                         bool* found) const;
    void grow();
    // A power of two long, or empty. From the heap: mapped apart in huge pages (table_memory.h)
    // a probe was cheaper, but the fresh pages each growth maps cost more than that to a run
    // that makes 100,000 structures.
    std::vector<Entry> entries_;
    std::size_t used_ = 0;  // Entries holding a tag or erased.
    std::size_t live_ = 0;  // Entries holding a tag.
  };
  // Everything a reset rebuilds; copyable, so that a failing fixture load can restore it.
  struct State {
    SlotTable slots;  // Indexed by tag value; [0] is the null tag.
    std::vector<ClassRecord> classes;
    std::unordered_map<std::string, Tag> classByName;
    UidIndex tagByUid;
    std::unordered_map<std::string, Tag> typeByName;
    std::vector<Tag> typeTags;  // Every type ever created, in creation order.
    // Every object ever created, by the class it was created with, so that listing a class
    // costs what the class holds rather than what the store holds. Entries may be stale (an
    // object deleted, rolled back, or made again as another class): readers check.
    std::unordered_map<std::uint32_t, std::vector<Tag>> objectsByClass;
    std::map<int, std::string> messages;
    std::vector<Preference> preferences;
    std::string searchScope;
    Tag currentUser;
    std::map<std::string, std::uint64_t> counters;
    std::vector<MarkPoint> marks;
    int nextMarkId = 1;
    // The unknown UIDs' tags handed out by the request under way (see RequestScope).
    std::vector<Tag> requestUids;
    int requestDepth = 0;
  };

  Store();
  Tag newSlot(Slot::Kind kind);
  ObjectRecord* record(Tag tag);
  const ObjectRecord* record(Tag tag) const;
  // The newest mark point when `object`'s changes need a record there; null when there is no
  // mark or the object was created under the newest one.
  MarkPoint* journalFor(Tag object);
  // Whether the object of slot `index` is live at `snapshot` and not now, or the reverse, or
  // live in both with another record.
  bool changedSince(const Snapshot& snapshot, std::size_t index) const;
  // Counts a change of the object that `tag` names (see changeStamp).
  void countChange(Tag tag) { ++state_.slots[tag].changes; }
  // Records the change for the newest mark point (see journalFor).
  void journal(Tag object, Change::Undo&& undo);
  // Records a creation: the slot's record before it.
  void journalCreation(Tag object, ObjectRecord&& prior);
  // Undoes one recorded change.
  void undo(Change& change);
  static FlagsUndo flagsOf(const ObjectRecord& object);
  // Drops the object's working values, moving them into `undo` when it is not null; whether
  // there were any.
  bool dropWorking(ObjectRecord& object, FlagsUndo* undo);
  // The checks of a list change and the list it changes (the working list, started from the
  // saved one, unless `mode` is initial); `undo` learns which list and what was made.
  int listToChange(Tag object, const std::string& name, WriteMode mode, InsertUndo* undo,
                   TagList** list);
  // The property `id` as `classId` or one of its ancestors defines it; null when none does.
  const PropertyDefinition* findProperty(Tag classId, PropertyId id) const;
  // read and valueOf of the property `id`, named `name` in errors.
  int readProperty(Tag object, PropertyId id, const char* name, const Value** value,
                   const PropertyDefinition** definition) const;
  const Value* valueOfProperty(Tag object, PropertyId id) const;
  // Removals from one reference list that are not applied yet. Taking entries out of a long
  // list one by one, near its front (a parent's children cut in their order), would move the
  // rest of the list at each removal; instead each removal marks its entry, and the list is
  // compacted in one pass, with the undo records each removal would have made, before anything
  // can see the list: a read or change of that property, a change of the object as a whole, a
  // record handed out (find, findExisting), a mark point call, and whole-store calls.
  struct PendingRemovals {
    Tag object;
    PropertyId property = kNoPropertyId;
    InsertUndo first;  // The checks' record of the first removal: the list, what it started.
    std::vector<bool> removed;           // By position in the list as it is (not compacted).
    std::vector<std::size_t> positions;  // The positions marked, in removal order.
    std::size_t firstKept = 0;           // Every entry before it is marked.
    // Where each tag's first unmarked entry is, made when a removal is not of the first entry
    // kept, so that removals in any order (the back of a list first) find their entry without
    // a scan: firstOf by tag, and for each position the next one holding the same tag (or the
    // list's size). Empty until then.
    std::unordered_map<Tag, std::size_t> firstOf;
    std::vector<std::size_t> nextSame;
  };
  // Marks the entry at `position` (the first unmarked entry of its tag) as removed.
  static void markRemoved(PendingRemovals& run, const TagList& list, std::size_t position);
  // The first unmarked entry of `tag` in the run's list; the list's size when there is none.
  static std::size_t firstUnmarked(PendingRemovals& run, const TagList& list, Tag tag);
  // The object's live record, without applying pending removals (the store's own calls apply
  // what they need); null when there is none.
  ObjectRecord* liveRecord(Tag tag);
  PendingRemovals* pendingRemovals(Tag object, PropertyId property);
  // The current value of the record's property, its pending removals applied.
  const Value& currentValue(const ObjectRecord& object, PropertyId property) const;
  // Applies the pending removals of the list, of every list of the object, or of all lists.
  void applyRemovals(Tag object, PropertyId property);
  void applyRemovals(Tag object) const;
  void applyRemovals() const;
  void apply(PendingRemovals& run);
  // A new UID of the form "h" and a number, not naming anything yet, and the tag it names.
  // Fails, as nextCount does, when the "uid" counter has handed out its last number.
  int generatedUidTag(std::string* uid, Tag* tag);
  // Loads the document without the all-or-nothing guard.
  void applyFixture(const std::string& text);
  // Indexes start over (a reset, or a failed fixture load undone): the version jumps and the
  // creation log starts again.
  void newGeneration();
  // Puts an object that was created, or brought back by a rollback, in the creation log.
  void appeared(Tag object);
  template <class Keep>
  std::vector<Tag> listObjects(Tag classId, bool withDescendants, Keep keep) const;

  State state_;
  // At most a few lists at a time (a structure's occurrences and its line's children). Outside
  // State: snapshots and fixture backups are taken after applying them.
  std::vector<PendingRemovals> pending_;
  static constexpr std::size_t kMaxPendingLists = 4;
  // Outside State: a failed fixture load restores State but must not take the version back.
  std::uint64_t structureVersion_ = 1;
  std::uint64_t changeCount_ = 0;
  // The objects created since version creationsFrom_ (the start of the generation), one per
  // version step (see createdSince).
  std::vector<Tag> creations_;
  std::uint64_t creationsFrom_ = 1;
  // Marks the tags of the reference values as held (see Slot::held).
  void hold(const TagList& tags);
  // Calls the watches of the property (see PropertyWatch); kNoPropertyId: of every property.
  void touched(Tag object, PropertyId property) const;
  // True while a fixture is loaded: watches are not told of its writes.
  bool loading_ = false;
  friend class FixtureLoader;
  friend class FixtureWriter;
  friend class RequestScope;
};

// One request: the unknown UIDs named while the outermost scope lives (a UID in a request that
// names no object) give tags as usual, and what they cost (the UID, its map entry) is released
// when that scope ends, so that requests naming UIDs that do not exist do not grow the store.
// A released tag is never handed out again; its UID, named again later, gets a new one. A tag
// that a property came to hold, or whose UID an object was created with, is kept. The host's
// skeletons open one around every operation they invoke.
class RequestScope {
 public:
  RequestScope();
  ~RequestScope();
  RequestScope(const RequestScope&) = delete;
  RequestScope& operator=(const RequestScope&) = delete;
};

class Store::Snapshot {
 private:
  friend class Store;
  State state_;
};

// Brings a host module's index up to date with the store (see Store::structureVersion):
// nothing when `version` is current; otherwise `take` gets every object created since
// `version` or, when the store started a new generation since, `clear` runs and `take` gets
// every live object of the classes named, class by class. `take` decides which objects the
// index keeps (fileInIndex files one). `version` is then the store's.
template <class Clear, class Take>
void refreshIndex(std::uint64_t& version, std::initializer_list<const char*> classNames,
                  Clear&& clear, Take&& take) {
  Store& store = Store::instance();
  if (version == store.structureVersion()) {
    return;
  }
  std::vector<Tag> created;
  if (store.createdSince(version, &created)) {
    for (Tag object : created) {
      take(object);
    }
  } else {
    clear();
    for (const char* className : classNames) {
      for (Tag object : store.objectsOfClass(store.classId(className))) {
        take(object);
      }
    }
  }
  version = store.structureVersion();
}

// How fileInIndex files an object: as new (created since the index's version), or again, after a
// key it is filed by was written (see PropertyWatch).
enum class Filing { asNew, again };

// The same, for an index keyed by values a session may write: `changed` holds the objects whose
// keys were written (or rolled back) since the last refresh, as the index's watches noted them.
// `file(object, how)` files an object under its keys as they are now: with Filing::asNew for
// what `take` would get, with Filing::again for each object of `changed` not among those. The
// entries under an old key stay, and the index's lookups pass over them. `changed` is then empty.
template <class Clear, class File>
void refreshIndex(std::uint64_t& version, std::initializer_list<const char*> classNames,
                  std::vector<Tag>& changed, Clear&& clear, File&& file) {
  // The objects filed as new, when some object's key changed: they were filed as they are now.
  std::unordered_set<Tag> taken;
  refreshIndex(
      version, classNames,
      [&] {
        clear();
        changed.clear();
      },
      [&](Tag object) {
        file(object, Filing::asNew);
        if (!changed.empty()) {
          taken.insert(object);
        }
      });
  for (Tag object : changed) {
    if (taken.count(object) == 0) {
      file(object, Filing::again);
    }
  }
  changed.clear();
}

// Appends `object` to an index's list, unless the list holds it already and it was filed again
// or created again (Store::createdAgain). A list keeps the order in which its objects were first
// filed: a revision moved to another item and back keeps its place among that item's revisions.
void fileInIndex(std::vector<Tag>& list, Tag object, Filing how = Filing::asNew);
void fileInIndex(TagList& list, Tag object, Filing how = Filing::asNew);

// A text in the fixture format loaded by every reset, after the core base fixture, in the
// order of the part names. Host modules declare one as a static object to add their classes,
// types and messages.
struct BaseFixturePart {
  BaseFixturePart(const char* name, const char* text);
};

// A function run at the end of every reset, for host modules that keep state of their own.
struct ResetHook {
  explicit ResetHook(void (*hook)());
};

// A function run after every reset and every fixture load that succeeded: host modules bring
// their indexes up to date there, so that the first lookup after loading a large store costs
// what it finds.
struct LoadHook {
  explicit LoadHook(void (*hook)());
};
std::vector<void (*)()>& loadHooks();

// Tells a host module that a property of an object may hold another value than before, so that
// what it derived from that value (an index keyed by it, a set made of a list) can follow. From
// the registration on, `onChange` is called with the object at every write of the property (in
// any mode), every change of a reference list of that name, every unsaved value of it that a
// refresh or deletion drops, and every rollback step that undoes one of these or the object's
// creation. It is called as the change is made, so it must not read the store: it notes the object
// and acts on its next use. Not called while a fixture is loaded, whose objects are all new (they
// appear through createdSince), nor by reset or restore (their hooks run instead). Properties are
// named for the whole process: a watch of "deletions" hears of that name in every class. Declared
// as static objects, like ResetHook.
struct PropertyWatch {
  PropertyWatch(const char* name, void (*onChange)(Tag object));
};

// Puts (3, code, texts) on the error store and returns `code`.
int storeError(int code, const std::vector<std::string>& texts = {});
// The failure of a host call given a null argument it needs: POM_invalid_argument naming it.
int missingArgument(const char* call);
// How error texts name the object of a tag: its UID, or "no object" for the null tag (and a
// tag that no UID ever named); never the tag's number, which means nothing to a client.
std::string tagText(Tag tag);

}  // namespace host

SOACAD_API_END
