#include "host/object/store.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <new>
#include <utility>

#include <sys/mman.h>

#include "framework/xml_parse_error.h"
#include "host/object/error_store.h"
#include "host/object/host_call.h"
#include "host/object/table_memory.h"

namespace host {

namespace {

constexpr const char* kTypeClass = "ZoltType";
constexpr const char* kTypeNameProperty = "type_name";
constexpr const char* kTypeClassProperty = "type_class";
constexpr const char* kParentTypeProperty = "parent_type";

struct Registries {
  std::vector<std::pair<std::string, const char*>> parts;
  std::vector<void (*)()> hooks;
  std::vector<std::pair<PropertyId, void (*)(Tag)>> watches;
};

Registries& registries() {
  static Registries instance;
  return instance;
}

const std::string* singleText(const Value& value) {
  return value.texts.empty() ? nullptr : &value.texts.front();
}

std::unordered_map<std::string, PropertyId>& propertyIds() {
  static std::unordered_map<std::string, PropertyId> ids;
  return ids;
}

}  // namespace

PropertyState::PropertyState(const PropertyState& other)
    : saved(other.saved),
      working_(other.working_ != nullptr ? std::make_unique<Value>(*other.working_) : nullptr) {}

PropertyState& PropertyState::operator=(const PropertyState& other) {
  if (this != &other) {
    *this = PropertyState(other);
  }
  return *this;
}

void PropertyState::setWorking(Value value) {
  if (working_ != nullptr) {
    *working_ = std::move(value);
  } else {
    working_ = std::make_unique<Value>(std::move(value));
  }
}

Value PropertyState::takeWorking() {
  Value taken;
  if (working_ != nullptr) {
    taken = std::move(*working_);
    working_.reset();
  }
  return taken;
}

PropertyId internPropertyName(const std::string& name) {
  auto& ids = propertyIds();
  return ids.try_emplace(name, static_cast<PropertyId>(ids.size() + 1)).first->second;
}

PropertyId propertyIdOf(const std::string& name) {
  const auto& ids = propertyIds();
  auto found = ids.find(name);
  return found == ids.end() ? kNoPropertyId : found->second;
}

PropertyId propertyIdOf(const char* name) {
  // A small table by address. An entry keeps the text it was made from and answers only while
  // the text at the address is still that one, so an address used again for another name costs
  // a lookup, never a wrong id. Only ids found are kept: a name keeps its id for good.
  struct Entry {
    const char* address = nullptr;
    std::string text;
    PropertyId id = kNoPropertyId;
  };
  static std::array<Entry, 512> table;
  Entry& entry = table[(reinterpret_cast<std::uintptr_t>(name) >> 3) % table.size()];
  if (entry.address == name && entry.text == name) {
    return entry.id;
  }
  std::string text = name;
  const PropertyId id = propertyIdOf(text);
  if (id != kNoPropertyId) {
    entry.address = name;
    entry.text = std::move(text);
    entry.id = id;
  }
  return id;
}

namespace {

// Where objects' property blocks come from: cut one after the other from chunks of 2 MiB (mapped
// with huge pages where the system allows), so that objects made one after the other, the lines
// of an expansion or the parts of a load, have their properties side by side and a walk over them
// in that order reads memory in order, as it reads their slots. A block given back is kept on a
// list of its size and handed out again. When every block is back (a reset dropped the store and
// no snapshot holds one), the chunks' pages go back to the system and cutting starts again at the
// first chunk, so that the next store is laid out in its own creation order rather than in the
// order the last one was freed. Chunks stay mapped for the life of the process. Single-threaded,
// like the store.
class PropertyArena {
 public:
  // Never destroyed: the store, a static object too, gives its blocks back when it goes.
  static PropertyArena& instance() {
    static PropertyArena* arena = new PropertyArena;
    return *arena;
  }

  void* allocate(std::size_t bytes) {
    const std::size_t units = unitsOf(bytes);
    if (units > kMaxUnits) {
      return ::operator new(bytes);  // Past any object's properties: left to the heap.
    }
    ++live_;
    if (units < free_.size() && free_[units] != nullptr) {
      FreeBlock* block = free_[units];
      free_[units] = block->next;
      return block;
    }
    if (left_ < units * kUnit) {
      nextChunk();
    }
    void* block = next_;
    next_ += units * kUnit;
    left_ -= units * kUnit;
    return block;
  }

  void deallocate(void* block, std::size_t bytes) {
    if (block == nullptr) {
      return;
    }
    const std::size_t units = unitsOf(bytes);
    if (units > kMaxUnits) {
      ::operator delete(block);
      return;
    }
    if (--live_ == 0) {
      rewind();
      return;
    }
    if (units >= free_.size()) {
      free_.resize(units + 1, nullptr);
    }
    free_[units] = new (block) FreeBlock{free_[units]};
  }

  std::size_t live() const { return live_; }

 private:
  struct FreeBlock {
    FreeBlock* next;
  };
  static constexpr std::size_t kUnit = 16;
  static constexpr std::size_t kChunk = std::size_t{2} << 20;
  static constexpr std::size_t kMaxUnits = kChunk / 8 / kUnit;

  static std::size_t unitsOf(std::size_t bytes) { return (bytes + kUnit - 1) / kUnit; }

  void rewind() {
    for (std::size_t at = 0; at < used_; ++at) {
      ::madvise(chunks_[at], kChunk, MADV_DONTNEED);
    }
    free_.clear();
    used_ = 0;
    next_ = nullptr;
    left_ = 0;
  }

  // Cutting goes on at the start of the next chunk (what is left of this one stays unused).
  void nextChunk() {
    if (used_ == chunks_.size()) {
      chunks_.push_back(mapChunk());
    }
    next_ = chunks_[used_++];
    left_ = kChunk;
  }

  static char* mapChunk() { return static_cast<char*>(mapHugeAligned(kChunk)); }

  std::vector<char*> chunks_;  // Every chunk mapped, in the order they are cut.
  std::size_t used_ = 0;       // The chunks cut from since the last rewind.
  char* next_ = nullptr;
  std::size_t left_ = 0;
  std::size_t live_ = 0;          // Blocks handed out and not given back.
  std::vector<FreeBlock*> free_;  // By size in units.
};

// The bytes the ids of a block with room for `capacity` properties take, states aligned after.
std::size_t idBytes(std::uint32_t capacity) {
  constexpr std::size_t kAlign = alignof(PropertyState);
  return (capacity * sizeof(PropertyId) + kAlign - 1) / kAlign * kAlign;
}

std::size_t blockBytes(std::uint32_t capacity) {
  return idBytes(capacity) + capacity * sizeof(PropertyState);
}

}  // namespace

std::size_t propertyBlocksInUse() {
  return PropertyArena::instance().live();
}

PropertyState* PropertyStates::states() const {
  return reinterpret_cast<PropertyState*>(static_cast<char*>(block_) + idBytes(capacity_));
}

PropertyStates::PropertyStates(const PropertyStates& other) {
  *this = other;
}

PropertyStates& PropertyStates::operator=(const PropertyStates& other) {
  if (this == &other) {
    return *this;
  }
  release();
  if (other.size_ > 0) {
    regrow(other.size_);
    for (std::uint32_t at = 0; at < other.size_; ++at) {
      ids()[at] = other.ids()[at];
      new (&states()[at]) PropertyState(other.states()[at]);
      ++size_;
    }
  }
  return *this;
}

PropertyStates::PropertyStates(PropertyStates&& other) noexcept
    : block_(other.block_), size_(other.size_), capacity_(other.capacity_) {
  other.block_ = nullptr;
  other.size_ = 0;
  other.capacity_ = 0;
}

PropertyStates& PropertyStates::operator=(PropertyStates&& other) noexcept {
  if (this != &other) {
    release();
    std::swap(block_, other.block_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
  }
  return *this;
}

void PropertyStates::release() {
  for (std::uint32_t at = 0; at < size_; ++at) {
    states()[at].~PropertyState();
  }
  PropertyArena::instance().deallocate(block_, blockBytes(capacity_));
  block_ = nullptr;
  size_ = 0;
  capacity_ = 0;
}

void PropertyStates::regrow(std::uint32_t capacity) {
  void* grown = PropertyArena::instance().allocate(blockBytes(capacity));
  auto* grownIds = static_cast<PropertyId*>(grown);
  auto* grownStates =
      reinterpret_cast<PropertyState*>(static_cast<char*>(grown) + idBytes(capacity));
  for (std::uint32_t at = 0; at < size_; ++at) {
    grownIds[at] = ids()[at];
    new (&grownStates[at]) PropertyState(std::move(states()[at]));
    states()[at].~PropertyState();
  }
  PropertyArena::instance().deallocate(block_, blockBytes(capacity_));
  block_ = grown;
  capacity_ = capacity;
}

std::size_t PropertyStates::lowerBound(PropertyId id) const {
  const PropertyId* first = ids();
  return static_cast<std::size_t>(std::lower_bound(first, first + size_, id) - first);
}

PropertyState* PropertyStates::find(PropertyId id) {
  const std::size_t at = lowerBound(id);
  return at < size_ && ids()[at] == id ? &states()[at] : nullptr;
}

const PropertyState* PropertyStates::find(PropertyId id) const {
  return const_cast<PropertyStates*>(this)->find(id);
}

PropertyState& PropertyStates::operator[](PropertyId id) {
  std::size_t at = lowerBound(id);
  if (at < size_ && ids()[at] == id) {
    return states()[at];
  }
  if (size_ == capacity_) {
    // Grown by half (from 2, then 4): an object gets its properties one by one, and most have
    // a handful, so the last step leaves little room unused.
    regrow(capacity_ < 4 ? capacity_ + 2 : capacity_ + capacity_ / 2);
  }
  // The last state moves one up, the ones between shift by assignment, the new one is null.
  PropertyState* state = states();
  PropertyId* idList = ids();
  if (at == size_) {
    new (&state[size_]) PropertyState();
  } else {
    new (&state[size_]) PropertyState(std::move(state[size_ - 1]));
    std::move_backward(state + at, state + size_ - 1, state + size_);
    state[at] = PropertyState();
    std::copy_backward(idList + at, idList + size_, idList + size_ + 1);
  }
  idList[at] = id;
  ++size_;
  return state[at];
}

void PropertyStates::erase(PropertyId id) {
  const std::size_t at = lowerBound(id);
  if (at >= size_ || ids()[at] != id) {
    return;
  }
  std::move(states() + at + 1, states() + size_, states() + at);
  std::copy(ids() + at + 1, ids() + size_, ids() + at);
  --size_;
  states()[size_].~PropertyState();
}

bool PropertyStates::operator==(const PropertyStates& other) const {
  return size_ == other.size_ && std::equal(ids(), ids() + size_, other.ids()) &&
         std::equal(states(), states() + size_, other.states());
}

extern const char* const kCoreBaseFixture;

FixtureError::FixtureError(int line, int column, const std::string& cause)
    : std::runtime_error("fixture line " + std::to_string(line) + ", column " +
                         std::to_string(column) + ": " +
                         Korvane::Soa::Common::Xml::excerpt(
                             cause, Korvane::Soa::Common::Xml::XmlParseError::kMaxCauseBytes)),
      line_(line),
      column_(column) {}

bool ObjectRecord::operator==(const ObjectRecord& other) const {
  return tag == other.tag && uid == other.uid && exists == other.exists &&
         classId == other.classId && type == other.type && deleted == other.deleted &&
         locked == other.locked && newlyCreated == other.newlyCreated &&
         modifiable == other.modifiable && properties == other.properties;
}

BaseFixturePart::BaseFixturePart(const char* name, const char* text) {
  registries().parts.emplace_back(name, text);
}

ResetHook::ResetHook(void (*hook)()) {
  registries().hooks.push_back(hook);
}

PropertyWatch::PropertyWatch(const char* name, void (*onChange)(Tag object)) {
  registries().watches.emplace_back(internPropertyName(name), onChange);
}

void Store::touched(Tag object, PropertyId property) const {
  if (loading_) {
    return;
  }
  for (const auto& [id, onChange] : registries().watches) {
    if (id == property || property == kNoPropertyId) {
      onChange(object);
    }
  }
}

std::vector<void (*)()>& loadHooks() {
  static std::vector<void (*)()> hooks;
  return hooks;
}

LoadHook::LoadHook(void (*hook)()) {
  loadHooks().push_back(hook);
}

namespace {

template <class List>
void fileOnce(List& list, Tag object, Filing how) {
  if ((how == Filing::again || Store::instance().createdAgain(object)) &&
      std::find(list.begin(), list.end(), object) != list.end()) {
    return;
  }
  list.push_back(object);
}

}  // namespace

void fileInIndex(std::vector<Tag>& list, Tag object, Filing how) {
  fileOnce(list, object, how);
}

void fileInIndex(TagList& list, Tag object, Filing how) {
  fileOnce(list, object, how);
}

int storeError(int code, const std::vector<std::string>& texts) {
  errorStore().push(EMH_severity_error, code, texts);
  return code;
}

int missingArgument(const char* call) {
  return storeError(POM_invalid_argument, {call});
}

std::string tagText(Tag tag) {
  const std::string uid = Store::instance().uidOfTag(tag);
  return uid.empty() ? "no object" : uid;
}

namespace {

// 0 when a session write (or, `byOwner`, the write of the host call that owns the property)
// may write the property `name` of `object`: the object modifiable and locked, and the
// property one the generic setters may write unless its owner writes it; otherwise the
// failure's status, stored.
int checkSessionWrite(Tag object, const ObjectRecord& found, const PropertyDefinition& property,
                      const std::string& name, bool byOwner) {
  if (!found.modifiable) {
    return storeError(POM_not_modifiable, {tagText(object), name});
  }
  if (!property.modifiable && !byOwner) {
    return storeError(POM_property_not_modifiable, {name, tagText(object)});
  }
  if (!found.locked) {
    return storeError(POM_not_locked, {tagText(object)});
  }
  return 0;
}

}  // namespace

Store::FlagsUndo Store::flagsOf(const ObjectRecord& object) {
  FlagsUndo flags;
  flags.deleted = object.deleted;
  flags.locked = object.locked;
  flags.newlyCreated = object.newlyCreated;
  flags.modifiable = object.modifiable;
  return flags;
}

bool Store::dropWorking(ObjectRecord& object, FlagsUndo* undo) {
  bool dropped = false;
  for (std::size_t at = 0; at < object.properties.size(); ++at) {
    PropertyState& state = object.properties.stateAt(at);
    const PropertyId id = object.properties.idAt(at);
    if (state.hasWorking()) {
      dropped = true;
      touched(object.tag, id);
      Value working = state.takeWorking();
      if (undo != nullptr) {
        undo->droppedWorking.emplace_back(id, std::move(working));
      }
    }
  }
  return dropped;
}

Store::SlotTable::SlotTable(const SlotTable& other) : size_(other.size_) {
  blocks_.reserve(other.blocks_.size());
  for (const std::vector<Slot>& block : other.blocks_) {
    blocks_.emplace_back();
    blocks_.back().reserve(kMask + 1);
    blocks_.back().assign(block.begin(), block.end());
  }
}

Store::SlotTable& Store::SlotTable::operator=(const SlotTable& other) {
  if (this != &other) {
    SlotTable copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Store::Slot& Store::SlotTable::emplace_back() {
  if (blocks_.empty() || blocks_.back().size() > kMask) {
    blocks_.emplace_back();
    blocks_.back().reserve(kMask + 1);
  }
  ++size_;
  return blocks_.back().emplace_back();
}

std::uint32_t Store::UidIndex::hashOf(const std::string& uid) {
  const std::size_t hash = std::hash<std::string>()(uid);
  return static_cast<std::uint32_t>(hash ^ (static_cast<std::uint64_t>(hash) >> 32));
}

std::size_t Store::UidIndex::position(const std::string& uid, std::uint32_t hash,
                                      const SlotTable& slots, bool* found) const {
  const std::size_t mask = entries_.size() - 1;
  std::size_t firstErased = entries_.size();
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    const Entry& entry = entries_[at];
    if (entry.tag == 0) {
      *found = false;
      return firstErased < entries_.size() ? firstErased : at;
    }
    if (entry.tag == kErased) {
      firstErased = std::min(firstErased, at);
    } else if (entry.hash == hash && slots[entry.tag].object.uid == uid) {
      *found = true;
      return at;
    }
  }
}

Tag Store::UidIndex::find(const std::string& uid, const SlotTable& slots) const {
  if (entries_.empty()) {
    return NULLTAG;
  }
  bool found = false;
  const std::size_t at = position(uid, hashOf(uid), slots, &found);
  return found ? Tag(entries_[at].tag) : NULLTAG;
}

Tag Store::UidIndex::insert(const std::string& uid, Tag tag, const SlotTable& slots) {
  // At most half the entries in use (erased ones count), so that probe sequences stay short.
  if ((used_ + 1) * 2 > entries_.size()) {
    grow();
  }
  const std::uint32_t hash = hashOf(uid);
  bool found = false;
  const std::size_t at = position(uid, hash, slots, &found);
  if (found) {
    return Tag(entries_[at].tag);
  }
  if (entries_[at].tag == 0) {
    ++used_;
  }
  ++live_;
  entries_[at] = Entry{static_cast<std::uint32_t>(tag), hash};
  return tag;
}

void Store::UidIndex::erase(const std::string& uid, const SlotTable& slots) {
  if (entries_.empty()) {
    return;
  }
  bool found = false;
  const std::size_t at = position(uid, hashOf(uid), slots, &found);
  if (found) {
    entries_[at].tag = kErased;
    --live_;
  }
}

void Store::UidIndex::grow() {
  std::size_t size = 64;
  while (size < (live_ + 1) * 4) {
    size *= 2;
  }
  std::vector<Entry> old(size);
  old.swap(entries_);
  const std::size_t mask = size - 1;
  for (const Entry& entry : old) {
    if (entry.tag != 0 && entry.tag != kErased) {
      std::size_t at = entry.hash & mask;
      while (entries_[at].tag != 0) {
        at = (at + 1) & mask;
      }
      entries_[at] = entry;
    }
  }
  used_ = live_;
}

Store::Store() = default;

Store& Store::instance() {
  static Store store;
  // Filled on first use rather than in the constructor: loading the base calls host code that
  // asks for the instance again (the message store), which must find it constructed.
  if (store.state_.slots.empty()) {
    store.reset();
  }
  return store;
}

void Store::reset() {
  pending_.clear();
  newGeneration();
  state_ = State();
  state_.slots.emplace_back();  // The null tag.
  errorStore().clear();
  callLog().clear();
  faultPlan().clear();
  applyFixture(kCoreBaseFixture);
  auto parts = registries().parts;
  std::stable_sort(parts.begin(), parts.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& part : parts) {
    applyFixture(part.second);
  }
  for (void (*hook)() : registries().hooks) {
    hook();
  }
  for (void (*hook)() : loadHooks()) {
    hook();
  }
  // Loading the base leaves nothing for a test to see.
  errorStore().clear();
  callLog().clear();
}

Store::Snapshot Store::snapshot() const {
  applyRemovals();
  Snapshot copy;
  copy.state_ = state_;
  return copy;
}

void Store::restore(const Snapshot& snapshot) {
  pending_.clear();
  newGeneration();
  state_ = snapshot.state_;
  state_.marks.clear();
  errorStore().clear();
  callLog().clear();
  faultPlan().clear();
  for (void (*hook)() : registries().hooks) {
    hook();
  }
  for (void (*hook)() : loadHooks()) {
    hook();
  }
}

bool Store::changedSince(const Snapshot& snapshot, std::size_t index) const {
  const SlotTable& before = snapshot.state_.slots;
  const SlotTable& now = state_.slots;
  const bool liveNow =
      index < now.size() && now[index].kind == Slot::kObject && now[index].object.live();
  const bool liveBefore =
      index < before.size() && before[index].kind == Slot::kObject && before[index].object.live();
  return liveNow != liveBefore || (liveNow && !(now[index].object == before[index].object));
}

Tag Store::firstChangedObject(const Snapshot& snapshot) const {
  applyRemovals();
  for (std::size_t index = 1; index < state_.slots.size(); ++index) {
    if (changedSince(snapshot, index)) {
      return Tag(static_cast<std::uint32_t>(index));
    }
  }
  return NULLTAG;
}

Tag Store::firstChangedUnderNewestMark(const Snapshot& snapshot) const {
  applyRemovals();
  if (state_.marks.empty()) {
    return NULLTAG;
  }
  // Every change of an object under the mark is journaled there (a creation included), so the
  // objects it names are the only ones that can differ; the lowest changed tag is answered, as
  // firstChangedObject answers.
  std::uint32_t first = 0;
  for (const Change& change : state_.marks.back().changes) {
    const std::uint32_t index = change.tag;
    if ((first == 0 || index < first) && changedSince(snapshot, index)) {
      first = index;
    }
  }
  return Tag(first);
}

bool Store::outgrew(const Snapshot& snapshot) const {
  return state_.slots.size() != snapshot.state_.slots.size() ||
         state_.counters != snapshot.state_.counters;
}

Tag Store::firstLockedObject() const {
  for (std::size_t index = 1; index < state_.slots.size(); ++index) {
    const Slot& slot = state_.slots[index];
    if (slot.kind == Slot::kObject && slot.object.live() && slot.object.locked) {
      return slot.object.tag;
    }
  }
  return NULLTAG;
}

Tag Store::newSlot(Slot::Kind kind) {
  const Tag tag(static_cast<std::uint32_t>(state_.slots.size()));
  Slot& slot = state_.slots.emplace_back();
  slot.kind = kind;
  slot.object.tag = tag;
  return tag;
}

ObjectRecord* Store::record(Tag tag) {
  const std::uint32_t index = tag;
  if (index == 0 || index >= state_.slots.size() || state_.slots[index].kind != Slot::kObject) {
    return nullptr;
  }
  return &state_.slots[index].object;
}

const ObjectRecord* Store::record(Tag tag) const {
  return const_cast<Store*>(this)->record(tag);
}

// --- Classes -------------------------------------------------------------------------------

Tag Store::classId(const std::string& name) const {
  auto found = state_.classByName.find(name);
  return found == state_.classByName.end() ? NULLTAG : found->second;
}

const ClassRecord* Store::classRecord(Tag classId) const {
  const std::uint32_t index = classId;
  if (index == 0 || index >= state_.slots.size() || state_.slots[index].kind != Slot::kClass) {
    return nullptr;
  }
  return &state_.classes[state_.slots[index].classIndex];
}

Tag Store::defineClass(const std::string& name, Tag parent) {
  const Tag id = newSlot(Slot::kClass);
  state_.slots[id].classIndex = static_cast<std::uint32_t>(state_.classes.size());
  state_.slots[id].object.uid = "class." + name;
  state_.tagByUid.insert(state_.slots[id].object.uid, id, state_.slots);
  state_.classes.push_back(ClassRecord{id, name, parent, {}, {}});
  state_.classByName[name] = id;
  if (ClassRecord* parentRecord = const_cast<ClassRecord*>(classRecord(parent))) {
    parentRecord->children.push_back(id);
  }
  return id;
}

void Store::addProperty(Tag classId, const PropertyDefinition& property) {
  PropertyDefinition added = property;
  added.id = internPropertyName(property.name);
  state_.classes[state_.slots[classId].classIndex].properties.push_back(std::move(added));
}

const PropertyDefinition* Store::findProperty(Tag classId, const std::string& name) const {
  return findProperty(classId, propertyIdOf(name));
}

const PropertyDefinition* Store::findProperty(Tag classId, PropertyId id) const {
  if (id == kNoPropertyId) {
    return nullptr;
  }
  for (const ClassRecord* cls = classRecord(classId); cls != nullptr;
       cls = classRecord(cls->parent)) {
    for (const PropertyDefinition& property : cls->properties) {
      if (property.id == id) {
        return &property;
      }
    }
  }
  return nullptr;
}

std::vector<const PropertyDefinition*> Store::properties(Tag classId) const {
  std::vector<const ClassRecord*> chain;
  for (const ClassRecord* cls = classRecord(classId); cls != nullptr;
       cls = classRecord(cls->parent)) {
    chain.push_back(cls);
  }
  std::vector<const PropertyDefinition*> result;
  for (auto cls = chain.rbegin(); cls != chain.rend(); ++cls) {
    for (const PropertyDefinition& property : (*cls)->properties) {
      result.push_back(&property);
    }
  }
  return result;
}

bool Store::isDescendant(Tag ancestor, Tag classId) const {
  if (classRecord(ancestor) == nullptr) {
    return false;
  }
  for (const ClassRecord* cls = classRecord(classId); cls != nullptr;
       cls = classRecord(cls->parent)) {
    if (cls->id == ancestor) {
      return true;
    }
  }
  return false;
}

std::vector<Tag> Store::classIds() const {
  std::vector<Tag> result;
  for (const ClassRecord& cls : state_.classes) {
    result.push_back(cls.id);
  }
  return result;
}

// --- Types ---------------------------------------------------------------------------------

Tag Store::findType(const std::string& name) const {
  auto found = state_.typeByName.find(name);
  if (found != state_.typeByName.end() && find(found->second) != nullptr) {
    return found->second;
  }
  // The index can name a type whose creation was rolled back while an older one of that name
  // came back with the roll; every type ever made is in typeTags.
  for (Tag type : state_.typeTags) {
    if (find(type) != nullptr && typeName(type) == name) {
      return type;
    }
  }
  return NULLTAG;
}

int Store::defineType(const std::string& name, Tag classId, Tag parentType, Tag* type) {
  *type = NULLTAG;
  const ClassRecord* cls = classRecord(classId);
  if (cls == nullptr) {
    return storeError(POM_no_such_class, {tagText(classId)});
  }
  if (parentType != NULLTAG) {
    if (find(parentType) == nullptr || typeName(parentType).empty()) {
      return storeError(POM_invalid_tag, {tagText(parentType)});
    }
    if (!isDescendant(this->classId(typeClassName(parentType)), classId)) {
      return storeError(POM_wrong_class, {name, typeClassName(parentType)});
    }
  }
  if (findType(name) != NULLTAG) {
    return storeError(POM_duplicate_uid, {"type." + name});
  }
  const Tag typeClass = this->classId(kTypeClass);
  // The type of a type object is the type "ZoltType", which is its own type.
  Tag typeOfType = findType(kTypeClass);
  const bool selfTyped = typeOfType == NULLTAG && name == kTypeClass;
  if (typeClass == NULLTAG || (typeOfType == NULLTAG && !selfTyped)) {
    return storeError(POM_no_such_class, {kTypeClass});
  }
  Tag created;
  if (selfTyped) {
    // createObject needs a live type; make the record by hand and type it with itself.
    created = tagOfUid("type." + name);
    ObjectRecord* object = record(created);
    journalCreation(created, ObjectRecord(*object));
    object->exists = true;
    object->classId = typeClass;
    state_.objectsByClass[typeClass].push_back(created);
    object->type = created;
    object->newlyCreated = false;
  } else {
    const int status = createObject(typeClass, typeOfType, &created, "type." + name);
    if (status != 0) {
      return status;
    }
    record(created)->newlyCreated = false;
  }
  write(created, kTypeNameProperty, Value{{name}, {}}, WriteMode::initial);
  write(created, kTypeClassProperty, Value{{cls->name}, {}}, WriteMode::initial);
  if (parentType != NULLTAG) {
    write(created, kParentTypeProperty, Value{{}, {parentType}}, WriteMode::initial);
  }
  state_.typeByName[name] = created;
  state_.typeTags.push_back(created);
  *type = created;
  return 0;
}

std::string Store::typeName(Tag type) const {
  const Value* value = nullptr;
  if (!isInstanceOf(type, kTypeClass) || read(type, kTypeNameProperty, &value) != 0) {
    return std::string();
  }
  const std::string* text = singleText(*value);
  return text == nullptr ? std::string() : *text;
}

std::string Store::typeClassName(Tag type) const {
  const Value* value = nullptr;
  if (!isInstanceOf(type, kTypeClass) || read(type, kTypeClassProperty, &value) != 0) {
    return std::string();
  }
  const std::string* text = singleText(*value);
  return text == nullptr ? std::string() : *text;
}

Tag Store::parentType(Tag type) const {
  const Value* value = nullptr;
  if (!isInstanceOf(type, kTypeClass) || read(type, kParentTypeProperty, &value) != 0 ||
      value->tags.empty()) {
    return NULLTAG;
  }
  return value->tags.front();
}

std::vector<Tag> Store::subtypes(Tag type) const {
  std::vector<Tag> result;
  for (Tag candidate : types()) {
    if (parentType(candidate) == type) {
      result.push_back(candidate);
    }
  }
  return result;
}

std::vector<Tag> Store::types() const {
  std::vector<Tag> result;
  for (Tag type : state_.typeTags) {
    if (find(type) != nullptr) {
      result.push_back(type);
    }
  }
  return result;
}

// --- Objects -------------------------------------------------------------------------------

int Store::nextCount(const std::string& counter, std::uint64_t* value) {
  std::uint64_t& current = state_.counters[counter];
  if (current >= kMaxCount) {
    *value = 0;
    return storeError(POM_counter_exhausted, {counter, std::to_string(current)});
  }
  *value = ++current;
  return 0;
}

void Store::raiseCounter(const std::string& counter, std::uint64_t value) {
  std::uint64_t& current = state_.counters[counter];
  current = std::max(current, value);
}

int Store::generatedUidTag(std::string* uid, Tag* tag) {
  for (;;) {
    std::uint64_t number = 0;
    if (const int status = nextCount("uid", &number)) {
      return status;
    }
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "h%012llu", static_cast<unsigned long long>(number));
    const std::string candidate = buffer;
    if (state_.tagByUid.find(candidate, state_.slots) == NULLTAG) {
      *tag = newSlot(Slot::kObject);
      state_.slots[*tag].object.uid = candidate;
      state_.tagByUid.insert(candidate, *tag, state_.slots);
      *uid = candidate;
      return 0;
    }
  }
}

int Store::createObject(Tag classId, Tag type, Tag* object, const std::string& uid) {
  ++changeCount_;
  *object = NULLTAG;
  if (classRecord(classId) == nullptr) {
    return storeError(POM_no_such_class, {tagText(classId)});
  }
  const std::string typeClass = typeClassName(type);
  if (find(type) == nullptr || typeClass.empty()) {
    return storeError(POM_invalid_tag, {tagText(type)});
  }
  if (!isDescendant(this->classId(typeClass), classId)) {
    return storeError(POM_wrong_class, {classRecord(classId)->name, typeClass});
  }
  std::string objectUid = uid;
  Tag tag;
  if (objectUid.empty()) {
    if (const int status = generatedUidTag(&objectUid, &tag)) {
      return status;
    }
  } else {
    const Tag known = state_.tagByUid.find(objectUid, state_.slots);
    if (known != NULLTAG && (record(known) == nullptr || record(known)->exists)) {
      return storeError(POM_duplicate_uid, {objectUid});
    }
    // An unknown UID already has its tag; the object takes it, so the mapping stays stable.
    tag = tagOfUid(objectUid);
  }
  ObjectRecord* created = record(tag);
  journalCreation(tag, std::move(*created));
  ObjectRecord fresh;
  fresh.tag = tag;
  fresh.uid = objectUid;
  fresh.exists = true;
  fresh.classId = classId;
  fresh.type = type;
  fresh.newlyCreated = true;
  *created = std::move(fresh);
  countChange(tag);
  *object = tag;
  state_.objectsByClass[classId].push_back(tag);
  appeared(tag);
  return 0;
}

ObjectRecord* Store::liveRecord(Tag tag) {
  ObjectRecord* object = record(tag);
  return object != nullptr && object->live() ? object : nullptr;
}

ObjectRecord* Store::find(Tag tag) {
  applyRemovals(tag);
  return liveRecord(tag);
}

const ObjectRecord* Store::find(Tag tag) const {
  return const_cast<Store*>(this)->find(tag);
}

const ObjectRecord* Store::findExisting(Tag tag) const {
  applyRemovals(tag);
  const ObjectRecord* object = record(tag);
  return object != nullptr && object->exists ? object : nullptr;
}

bool Store::isLive(Tag tag, bool* modifiable) const {
  const ObjectRecord* object = const_cast<Store*>(this)->liveRecord(tag);
  if (modifiable != nullptr) {
    *modifiable = object != nullptr && object->modifiable;
  }
  return object != nullptr;
}

bool Store::isInstanceOf(Tag tag, std::string_view className) const {
  const ObjectRecord* object = const_cast<Store*>(this)->liveRecord(tag);
  if (object == nullptr) {
    return false;
  }
  // Class names are unique, so comparing the names along the object's own chain of classes
  // answers without looking the name up: no hashing, and no text built from a literal.
  for (const ClassRecord* cls = classRecord(object->classId); cls != nullptr;
       cls = classRecord(cls->parent)) {
    if (cls->name == className) {
      return true;
    }
  }
  return false;
}

std::vector<Tag> Store::objectsOfClass(Tag classId, bool withDescendants) const {
  return listObjects(classId, withDescendants,
                     [](const ObjectRecord& object) { return object.live(); });
}

void Store::hold(const TagList& tags) {
  if (state_.requestUids.empty()) {
    return;
  }
  for (Tag tag : tags) {
    const std::uint32_t index = tag;
    if (index < state_.slots.size()) {
      state_.slots[index].held = true;
    }
  }
}

RequestScope::RequestScope() {
  ++Store::instance().state_.requestDepth;
}

RequestScope::~RequestScope() {
  Store::State& state = Store::instance().state_;
  if (state.requestDepth == 0 || --state.requestDepth > 0) {
    return;  // A reset inside the scope already dropped what it named.
  }
  for (Tag tag : state.requestUids) {
    Store::Slot& slot = state.slots[tag];
    if (slot.kind != Store::Slot::kObject || slot.held || slot.everCreated) {
      continue;
    }
    state.tagByUid.erase(slot.object.uid, state.slots);
    std::string().swap(slot.object.uid);
    slot.kind = Store::Slot::kUnused;
  }
  state.requestUids.clear();
  state.requestUids.shrink_to_fit();
}

void Store::appeared(Tag object) {
  Slot& slot = state_.slots[object];
  slot.createdAgain = slot.everCreated;
  slot.everCreated = true;
  creations_.push_back(object);
  ++structureVersion_;
}

bool Store::createdAgain(Tag object) const {
  const std::uint32_t index = object;
  return index < state_.slots.size() && state_.slots[index].createdAgain;
}

template <class Keep>
std::vector<Tag> Store::listObjects(Tag classId, bool withDescendants, Keep keep) const {
  std::vector<Tag> result;
  if (classRecord(classId) == nullptr) {
    return result;
  }
  // The class and, when asked, its descendants, walked through the subclass lists: the cost is
  // what the classes hold, not how many classes the store has.
  std::vector<Tag> pending{classId};
  while (!pending.empty()) {
    const Tag cls = pending.back();
    pending.pop_back();
    if (withDescendants) {
      const std::vector<Tag>& children = state_.classes[state_.slots[cls].classIndex].children;
      pending.insert(pending.end(), children.begin(), children.end());
    }
    auto created = state_.objectsByClass.find(cls);
    if (created == state_.objectsByClass.end()) {
      continue;
    }
    for (Tag tag : created->second) {
      const ObjectRecord* object = record(tag);
      if (object != nullptr && keep(*object) && object->classId == cls) {
        result.push_back(tag);
      }
    }
  }
  std::sort(result.begin(), result.end());
  result.erase(std::unique(result.begin(), result.end()), result.end());
  return result;
}

Tag Store::tagOfUid(const std::string& uid) {
  if (uid.empty()) {
    return NULLTAG;
  }
  const Tag found = state_.tagByUid.find(uid, state_.slots);
  if (found != NULLTAG) {
    return found;
  }
  const Tag tag = newSlot(Slot::kObject);
  state_.slots[tag].object.uid = uid;
  state_.tagByUid.insert(uid, tag, state_.slots);
  if (state_.requestDepth > 0) {
    state_.requestUids.push_back(tag);
  }
  return tag;
}

std::string Store::uidOfTag(Tag tag) const {
  const std::uint32_t index = tag;
  if (index == 0 || index >= state_.slots.size()) {
    return std::string();
  }
  return state_.slots[index].object.uid;
}

int Store::read(Tag object, const std::string& name, const Value** value,
                const PropertyDefinition** definition) const {
  return readProperty(object, propertyIdOf(name), name.c_str(), value, definition);
}

int Store::read(Tag object, const char* name, const Value** value,
                const PropertyDefinition** definition) const {
  return readProperty(object, propertyIdOf(name), name, value, definition);
}

int Store::readProperty(Tag object, PropertyId id, const char* name, const Value** value,
                        const PropertyDefinition** definition) const {
  static const Value kNull;
  *value = &kNull;
  const ObjectRecord* found = const_cast<Store*>(this)->liveRecord(object);
  if (found == nullptr) {
    return storeError(POM_invalid_tag, {tagText(object)});
  }
  const PropertyDefinition* property = findProperty(found->classId, id);
  if (property == nullptr) {
    return storeError(POM_no_such_property, {name, classRecord(found->classId)->name});
  }
  if (definition != nullptr) {
    *definition = property;
  }
  *value = &currentValue(*found, property->id);
  return 0;
}

const Value* Store::valueOf(Tag object, const std::string& name) const {
  return valueOfProperty(object, propertyIdOf(name));
}

const Value* Store::valueOf(Tag object, const char* name) const {
  return valueOfProperty(object, propertyIdOf(name));
}

const Value* Store::valueOfProperty(Tag object, PropertyId id) const {
  const ObjectRecord* found = const_cast<Store*>(this)->liveRecord(object);
  const PropertyDefinition* property =
      found == nullptr ? nullptr : findProperty(found->classId, id);
  return property == nullptr ? nullptr : &currentValue(*found, property->id);
}

const Value& Store::currentValue(const ObjectRecord& object, PropertyId property) const {
  static const Value kNull;
  if (!pending_.empty()) {
    const_cast<Store*>(this)->applyRemovals(object.tag, property);
  }
  const PropertyState* state = object.properties.find(property);
  return state != nullptr ? state->current() : kNull;
}

int Store::write(Tag object, const std::string& name, Value value, WriteMode mode) {
  ++changeCount_;
  applyRemovals(object, propertyIdOf(name));
  ObjectRecord* found = liveRecord(object);
  if (found == nullptr) {
    return storeError(POM_invalid_tag, {tagText(object)});
  }
  const PropertyDefinition* property = findProperty(found->classId, name);
  if (property == nullptr) {
    return storeError(POM_no_such_property, {name, classRecord(found->classId)->name});
  }
  const bool isReference = property->type == ValueType::reference;
  if (!property->isArray && value.size() == 1 && isReference && value.tags.front() == NULLTAG) {
    value.tags.clear();
  }
  if ((isReference ? !value.texts.empty() : !value.tags.empty()) ||
      (!property->isArray && value.size() > 1)) {
    return storeError(POM_wrong_value_type, {name});
  }
  for (std::string& text : value.texts) {
    std::string canonical;
    if (!canonicalText(property->type, text, &canonical)) {
      return storeError(POM_invalid_value, {name, text});
    }
    text = std::move(canonical);
  }
  if (mode == WriteMode::session || mode == WriteMode::owner) {
    if (const int status =
            checkSessionWrite(object, *found, *property, name, mode == WriteMode::owner)) {
      return status;
    }
  }
  hold(value.tags);
  countChange(object);
  PropertyState* existing = found->properties.find(property->id);
  const bool present = existing != nullptr;
  if (present
          ? (mode == WriteMode::initial ? !existing->hasWorking() && existing->saved == value
                                        : existing->hasWorking() && existing->working() == value)
          : mode == WriteMode::initial && value.isNull()) {
    return 0;  // Nothing changes, so nothing is recorded.
  }
  PropertyState& state = present ? *existing : found->properties[property->id];
  if (MarkPoint* mark = journalFor(object)) {
    PropertyUndo undo{property->id, present, mode == WriteMode::initial, PropertyState()};
    if (undo.wroteSaved) {
      undo.prior.saved = std::move(state.saved);
    }
    if (state.hasWorking()) {
      undo.prior.setWorking(state.takeWorking());
    }
    mark->changes.push_back(Change{object, std::move(undo)});
  }
  if (mode == WriteMode::initial) {
    state.saved = std::move(value);
    state.takeWorking();
  } else {
    state.setWorking(std::move(value));
  }
  touched(object, property->id);
  return 0;
}

int Store::listToChange(Tag object, const std::string& name, WriteMode mode, InsertUndo* undo,
                        TagList** list) {
  ++changeCount_;
  ObjectRecord* found = liveRecord(object);
  if (found == nullptr) {
    return storeError(POM_invalid_tag, {tagText(object)});
  }
  const PropertyDefinition* property = findProperty(found->classId, name);
  if (property == nullptr) {
    return storeError(POM_no_such_property, {name, classRecord(found->classId)->name});
  }
  if (property->type != ValueType::reference || !property->isArray) {
    return storeError(POM_wrong_value_type, {name});
  }
  if (mode == WriteMode::session || mode == WriteMode::owner) {
    if (const int status =
            checkSessionWrite(object, *found, *property, name, mode == WriteMode::owner)) {
      return status;
    }
  }
  countChange(object);
  touched(object, property->id);
  undo->property = property->id;
  undo->madeProperty = !found->properties.contains(property->id);
  PropertyState& state = found->properties[property->id];
  *list = &state.saved.tags;
  undo->intoSaved = mode == WriteMode::initial;
  if (!undo->intoSaved) {
    if (!state.hasWorking()) {
      state.setWorking(state.saved);
      undo->madeWorking = true;
    }
    *list = &state.working().tags;
  }
  return 0;
}

int Store::insertReference(Tag object, const std::string& name, std::size_t position, Tag tag,
                           WriteMode mode) {
  applyRemovals(object, propertyIdOf(name));
  InsertUndo undo;
  TagList* list = nullptr;
  if (const int status = listToChange(object, name, mode, &undo, &list)) {
    return status;
  }
  hold({tag});
  undo.position = std::min(position, list->size());
  list->insert(list->begin() + static_cast<std::ptrdiff_t>(undo.position), tag);
  journal(object, std::move(undo));
  return 0;
}

int Store::removeReference(Tag object, const std::string& name, Tag tag, WriteMode mode,
                           bool* removed) {
  if (removed != nullptr) {
    *removed = false;
  }
  PendingRemovals* run = pendingRemovals(object, propertyIdOf(name));
  if (run != nullptr && run->first.intoSaved != (mode == WriteMode::initial)) {
    applyRemovals(object, run->property);
    run = nullptr;
  }
  InsertUndo undo;
  TagList* list = nullptr;
  if (const int status = listToChange(object, name, mode, &undo, &list)) {
    return status;
  }
  if (run != nullptr) {
    // The run's first removal started what the list needed; this one starts nothing.
    const std::size_t at = firstUnmarked(*run, *list, tag);
    if (at < list->size()) {
      markRemoved(*run, *list, at);
      if (removed != nullptr) {
        *removed = true;
      }
    }
    return 0;
  }
  const auto at = std::find(list->begin(), list->end(), tag);
  if (at == list->end()) {
    // Nothing to take out: what listToChange started is put back, and nothing is recorded.
    undo.removed = NULLTAG;
    undo.position = list->size();
    Change change{object, std::move(undo)};
    if (std::get<InsertUndo>(change.undo).madeProperty ||
        std::get<InsertUndo>(change.undo).madeWorking) {
      this->undo(change);
    }
    return 0;
  }
  if (pending_.size() >= kMaxPendingLists) {
    apply(pending_.front());
    pending_.erase(pending_.begin());
  }
  const std::size_t position = static_cast<std::size_t>(at - list->begin());
  const PropertyId property = undo.property;
  pending_.push_back(PendingRemovals{
      object, property, std::move(undo), std::vector<bool>(list->size()), {}, 0, {}, {}});
  markRemoved(pending_.back(), *list, position);
  if (removed != nullptr) {
    *removed = true;
  }
  return 0;
}

std::size_t Store::firstUnmarked(PendingRemovals& run, const TagList& list, Tag tag) {
  if (run.firstKept < list.size() && list[run.firstKept] == tag) {
    return run.firstKept;  // Removals in the list's order need no index.
  }
  if (run.nextSame.empty()) {
    run.nextSame.assign(list.size(), list.size());
    for (std::size_t at = list.size(); at-- > run.firstKept;) {
      if (!run.removed[at]) {
        auto [first, added] = run.firstOf.try_emplace(list[at], at);
        if (!added) {
          run.nextSame[at] = first->second;
          first->second = at;
        }
      }
    }
  }
  auto first = run.firstOf.find(tag);
  return first == run.firstOf.end() ? list.size() : first->second;
}

void Store::markRemoved(PendingRemovals& run, const TagList& list, std::size_t position) {
  run.removed[position] = true;
  run.positions.push_back(position);
  while (run.firstKept < run.removed.size() && run.removed[run.firstKept]) {
    ++run.firstKept;
  }
  if (!run.nextSame.empty()) {
    // `position` was its tag's first unmarked entry: the next one of that tag takes its place.
    auto first = run.firstOf.find(list[position]);
    if (run.nextSame[position] < list.size()) {
      first->second = run.nextSame[position];
    } else {
      run.firstOf.erase(first);
    }
  }
}

Store::PendingRemovals* Store::pendingRemovals(Tag object, PropertyId property) {
  for (PendingRemovals& run : pending_) {
    if (run.object == object && run.property == property) {
      return &run;
    }
  }
  return nullptr;
}

void Store::applyRemovals(Tag object, PropertyId property) {
  for (auto run = pending_.begin(); run != pending_.end(); ++run) {
    if (run->object == object && run->property == property) {
      apply(*run);
      pending_.erase(run);
      return;
    }
  }
}

void Store::applyRemovals(Tag object) const {
  Store& store = *const_cast<Store*>(this);
  for (std::size_t i = 0; i < store.pending_.size();) {
    if (store.pending_[i].object == object) {
      store.apply(store.pending_[i]);
      store.pending_.erase(store.pending_.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
}

void Store::applyRemovals() const {
  Store& store = *const_cast<Store*>(this);
  for (PendingRemovals& run : store.pending_) {
    store.apply(run);
  }
  store.pending_.clear();
}

void Store::apply(PendingRemovals& run) {
  PropertyState& state = record(run.object)->properties[run.property];
  TagList& list = run.first.intoSaved ? state.saved.tags : state.working().tags;
  if (MarkPoint* mark = journalFor(run.object)) {
    // The records each removal would have made had it moved the list at once. Journaled from
    // the last position to the first, they are undone from the first to the last, each putting
    // its entry back where it was in the list before the run. The oldest record carries what
    // the first removal started, undone after every other.
    std::vector<std::size_t> positions = run.positions;
    std::sort(positions.begin(), positions.end(), std::greater<>());
    for (std::size_t position : positions) {
      // Made in place: a record moved into the journal's variant trips a false warning of
      // an uninitialised read in optimised builds.
      Change& change = mark->changes.emplace_back();
      change.tag = run.object;
      InsertUndo& undo = change.undo.emplace<InsertUndo>();
      undo.property = run.property;
      undo.position = position;
      undo.removed = list[position];
      undo.intoSaved = run.first.intoSaved;
      if (position == positions.front()) {
        undo.madeWorking = run.first.madeWorking;
        undo.madeProperty = run.first.madeProperty;
      }
    }
  }
  std::size_t kept = 0;
  for (std::size_t at = 0; at < list.size(); ++at) {
    if (!run.removed[at]) {
      list[kept++] = list[at];
    }
  }
  list.resize(kept);
}

int Store::save(Tag object) {
  ++changeCount_;
  applyRemovals(object);
  ObjectRecord* found = liveRecord(object);
  if (found == nullptr) {
    return storeError(POM_invalid_tag, {tagText(object)});
  }
  countChange(object);
  MarkPoint* mark = journalFor(object);
  FlagsUndo undo = flagsOf(*found);
  bool changed = found->newlyCreated;
  for (std::size_t at = 0; at < found->properties.size(); ++at) {
    PropertyState& state = found->properties.stateAt(at);
    if (state.hasWorking()) {
      changed = true;
      if (mark != nullptr) {
        undo.replacedSaved.emplace_back(found->properties.idAt(at), std::move(state.saved));
      }
      state.saved = state.takeWorking();
    }
  }
  found->newlyCreated = false;
  if (mark != nullptr && changed) {
    mark->changes.push_back(Change{object, std::move(undo)});
  }
  return 0;
}

int Store::refresh(Tag object, bool lock) {
  ++changeCount_;
  applyRemovals(object);
  ObjectRecord* found = liveRecord(object);
  if (found == nullptr) {
    return storeError(POM_invalid_tag, {tagText(object)});
  }
  countChange(object);
  if (lock) {
    if (!found->modifiable) {
      return storeError(POM_not_modifiable, {tagText(object)});
    }
    if (!found->locked) {
      journal(object, flagsOf(*found));
      found->locked = true;
    }
    return 0;
  }
  FlagsUndo undo = flagsOf(*found);
  const bool dropped = dropWorking(*found, journalFor(object) != nullptr ? &undo : nullptr);
  if (dropped || found->locked) {
    journal(object, std::move(undo));
  }
  found->locked = false;
  return 0;
}

int Store::remove(Tag object) {
  ++changeCount_;
  applyRemovals(object);
  ObjectRecord* found = liveRecord(object);
  if (found == nullptr) {
    return storeError(POM_invalid_tag, {tagText(object)});
  }
  if (!found->modifiable) {
    return storeError(POM_not_modifiable, {tagText(object)});
  }
  countChange(object);
  FlagsUndo undo = flagsOf(*found);
  dropWorking(*found, journalFor(object) != nullptr ? &undo : nullptr);
  journal(object, std::move(undo));
  found->deleted = true;
  found->locked = false;
  return 0;
}

int Store::setModifiable(Tag object, bool modifiable) {
  ++changeCount_;
  applyRemovals(object);
  ObjectRecord* found = liveRecord(object);
  if (found == nullptr) {
    return storeError(POM_invalid_tag, {tagText(object)});
  }
  if (found->modifiable == modifiable && (modifiable || !found->locked)) {
    return 0;
  }
  countChange(object);
  journal(object, flagsOf(*found));
  found->modifiable = modifiable;
  if (!modifiable) {
    found->locked = false;
  }
  return 0;
}

// --- Mark points ---------------------------------------------------------------------------

Store::MarkPoint* Store::journalFor(Tag object) {
  if (state_.marks.empty()) {
    return nullptr;
  }
  MarkPoint& mark = state_.marks.back();
  return state_.slots[object].createdUnder == mark.id ? nullptr : &mark;
}

void Store::journal(Tag object, Change::Undo&& undo) {
  if (MarkPoint* mark = journalFor(object)) {
    mark->changes.push_back(Change{object, std::move(undo)});
  }
}

void Store::journalCreation(Tag object, ObjectRecord&& prior) {
  if (MarkPoint* mark = journalFor(object)) {
    mark->changes.push_back(Change{object, std::move(prior)});
    state_.slots[object].createdUnder = mark->id;
  }
}

void Store::undo(Change& change) {
  countChange(change.tag);
  ObjectRecord& object = *record(change.tag);
  if (auto* prior = std::get_if<ObjectRecord>(&change.undo)) {
    touched(change.tag, kNoPropertyId);
    object = std::move(*prior);
  } else if (auto* written = std::get_if<PropertyUndo>(&change.undo)) {
    touched(change.tag, written->property);
    if (!written->present) {
      object.properties.erase(written->property);
      return;
    }
    PropertyState& state = object.properties[written->property];
    if (written->wroteSaved) {
      state.saved = std::move(written->prior.saved);
    }
    if (written->prior.hasWorking()) {
      state.setWorking(written->prior.takeWorking());
    } else {
      state.takeWorking();
    }
  } else if (auto* inserted = std::get_if<InsertUndo>(&change.undo)) {
    touched(change.tag, inserted->property);
    if (inserted->madeProperty) {
      object.properties.erase(inserted->property);
      return;
    }
    PropertyState& state = object.properties[inserted->property];
    if (inserted->madeWorking) {
      state.takeWorking();
      return;
    }
    TagList& list = inserted->intoSaved ? state.saved.tags : state.working().tags;
    if (inserted->removed != NULLTAG) {
      list.insert(list.begin() + static_cast<std::ptrdiff_t>(inserted->position),
                  inserted->removed);
    } else {
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(inserted->position));
    }
  } else {
    FlagsUndo& flags = std::get<FlagsUndo>(change.undo);
    for (auto& replaced : flags.replacedSaved) {
      touched(change.tag, replaced.first);
      PropertyState& state = object.properties[replaced.first];
      state.setWorking(std::move(state.saved));
      state.saved = std::move(replaced.second);
    }
    for (auto& dropped : flags.droppedWorking) {
      touched(change.tag, dropped.first);
      PropertyState& state = object.properties[dropped.first];
      state.setWorking(std::move(dropped.second));
    }
    if (object.deleted && !flags.deleted) {
      appeared(change.tag);  // Indexes may have missed it while it was deleted.
    }
    object.deleted = flags.deleted;
    object.locked = flags.locked;
    object.newlyCreated = flags.newlyCreated;
    object.modifiable = flags.modifiable;
  }
}

int Store::placeMarkPoint(int* id) {
  applyRemovals();
  MarkPoint mark;
  mark.id = state_.nextMarkId++;
  state_.marks.push_back(std::move(mark));
  *id = state_.marks.back().id;
  return 0;
}

int Store::rollToMarkPoint(int id, bool* stateChanged) {
  applyRemovals();
  ++changeCount_;
  if (stateChanged != nullptr) {
    *stateChanged = false;
  }
  auto mark = std::find_if(state_.marks.begin(), state_.marks.end(),
                           [id](const MarkPoint& m) { return m.id == id; });
  if (mark == state_.marks.end()) {
    return storeError(POM_invalid_markpoint, {std::to_string(id)});
  }
  bool changed = false;
  // Newest mark first, each mark's changes newest first: every change is undone on the state it
  // left, and each object ends as it was when the mark was placed.
  const std::size_t keep = static_cast<std::size_t>(mark - state_.marks.begin());
  while (state_.marks.size() > keep) {
    MarkPoint& newest = state_.marks.back();
    for (auto change = newest.changes.rbegin(); change != newest.changes.rend(); ++change) {
      undo(*change);
      changed = true;
    }
    state_.marks.pop_back();
  }
  if (stateChanged != nullptr) {
    *stateChanged = changed;
  }
  return 0;
}

int Store::forgetMarkPoint(int id) {
  applyRemovals();
  auto mark = std::find_if(state_.marks.begin(), state_.marks.end(),
                           [id](const MarkPoint& m) { return m.id == id; });
  if (mark == state_.marks.end()) {
    return storeError(POM_invalid_markpoint, {std::to_string(id)});
  }
  const std::size_t index = static_cast<std::size_t>(mark - state_.marks.begin());
  if (index > 0) {
    // The mark before takes over the changes, oldest first, except those to objects it saw
    // created: undoing the creation covers them.
    MarkPoint& outer = state_.marks[index - 1];
    for (std::size_t i = index; i < state_.marks.size(); ++i) {
      for (Change& change : state_.marks[i].changes) {
        int& createdUnder = state_.slots[change.tag].createdUnder;
        if (createdUnder == outer.id) {
          continue;
        }
        if (createdUnder == state_.marks[i].id &&
            std::holds_alternative<ObjectRecord>(change.undo)) {
          createdUnder = outer.id;  // The outer mark now undoes the creation.
        }
        outer.changes.push_back(std::move(change));
      }
    }
  }
  state_.marks.erase(state_.marks.begin() + static_cast<std::ptrdiff_t>(index), state_.marks.end());
  return 0;
}

// --- Indexes of host modules ---------------------------------------------------------------

std::uint32_t Store::changeStamp(Tag object) const {
  const std::uint32_t index = object;
  return index < state_.slots.size() ? state_.slots[index].changes : 0;
}

bool Store::createdSince(std::uint64_t version, std::vector<Tag>* created) const {
  created->clear();
  if (version < creationsFrom_ || version > structureVersion_) {
    return false;
  }
  created->assign(creations_.begin() + static_cast<std::ptrdiff_t>(version - creationsFrom_),
                  creations_.end());
  return true;
}

void Store::newGeneration() {
  ++changeCount_;
  ++structureVersion_;
  creations_.clear();
  creationsFrom_ = structureVersion_;
}

// --- Session, preferences, messages --------------------------------------------------------

const Preference* Store::findPreference(const std::string& name, const std::string& scope) const {
  for (const Preference& preference : state_.preferences) {
    if (preference.name == name && preference.scope == scope) {
      return &preference;
    }
  }
  return nullptr;
}

void Store::setPreference(const Preference& preference) {
  for (Preference& existing : state_.preferences) {
    if (existing.name == preference.name && existing.scope == preference.scope) {
      existing.values = preference.values;
      return;
    }
  }
  state_.preferences.push_back(preference);
}

const std::string* Store::messageTemplate(int code) const {
  auto found = state_.messages.find(code);
  return found == state_.messages.end() ? nullptr : &found->second;
}

}  // namespace host
