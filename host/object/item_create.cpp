#include "host/object/item_create.h"

#include <cstring>
#include <string>

#include "host/object/grm.h"
#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/item.h"
#include "host/object/sizes.h"
#include "host/object/store.h"

namespace {

using host::Store;
using host::tagText;
using host::Value;
using host::WriteMode;

const host::BaseFixturePart kItemCreation("item_create", R"(<fixture>
  <type name="ZOLT_master_form" class="ImanRelation"/>
  <type name="ItemMaster" class="Form"/>
  <type name="ItemRevisionMaster" class="Form"/>
  <message code="46001" text="An item with the id %1$ already exists."/>
  <message code="46002" text="The item %1$ already has a revision %2$."/>
  <message code="46003" text="%1$ is not an item type."/>
  <message code="46004" text="&quot;%1$&quot; is not a valid id (1 to 32 characters)."/>
</fixture>)");

// Texts of the CAD service's codes for items, revisions, forms and folders.
const host::BaseFixturePart kPartMessages("soacad_parts", R"(<fixture>
  <message code="215021" text="The given item is not the item of the given item revision."/>
  <message code="215023" text="The item or item revision could not be created."/>
  <message code="215024" text="No form of type %1$ could be created."/>
  <message code="215025" text="No relation %1$ could be created."/>
  <message code="215027" text="No folder is available for the new item."/>
  <message code="215032" text="The object has no master form."/>
</fixture>)");

// Places a store mark point; rolls back to it when destroyed before keep().
class CreationScope {
 public:
  CreationScope() { Store::instance().placeMarkPoint(&mark_); }
  ~CreationScope() {
    if (mark_ != 0) {
      Store::instance().rollToMarkPoint(mark_, nullptr);
    }
  }
  CreationScope(const CreationScope&) = delete;
  CreationScope& operator=(const CreationScope&) = delete;
  void keep() {
    Store::instance().forgetMarkPoint(mark_);
    mark_ = 0;
  }

 private:
  int mark_ = 0;
};

int checkId(const char* id) {
  const std::size_t length = std::strlen(id);
  if (length == 0 || length > static_cast<std::size_t>(ITEM_id_size_c)) {
    return host::storeError(ITEM_invalid_id, {id});
  }
  return 0;
}

// The type named `name` when its class is `baseClass` or derives from it; else `fallback`.
Tag typeOr(const std::string& name, const char* baseClass, const char* fallback) {
  const Store& store = Store::instance();
  const Tag type = store.findType(name);
  if (type != NULLTAG &&
      store.isDescendant(store.classId(baseClass), store.classId(store.typeClassName(type)))) {
    return type;
  }
  return store.findType(fallback);
}

std::string textOf(Tag object, const char* property) {
  const Value* value = nullptr;
  if (Store::instance().read(object, property, &value) != 0 || value->texts.empty()) {
    return std::string();
  }
  return value->texts.front();
}

// A new saved object of `type` (its class is the type's class) with the session's user as
// owner and the name `name`.
int createOwned(Tag type, const std::string& name, Tag* object) {
  Store& store = Store::instance();
  const Tag objectClass = store.classId(store.typeClassName(type));
  if (const int status = store.createObject(objectClass, type, object)) {
    return status;
  }
  if (!name.empty()) {
    store.write(*object, "object_name", Value{{name}, {}}, WriteMode::initial);
  }
  if (store.currentUser() != NULLTAG) {
    store.write(*object, "owning_user", Value{{}, {store.currentUser()}}, WriteMode::initial);
  }
  return 0;
}

// The master form of `owner` (of type `ownerType`), named `name`, related and saved.
int createMasterForm(Tag owner, Tag ownerType, const char* fallbackFormType,
                     const std::string& name) {
  Store& store = Store::instance();
  const Tag formType = typeOr(store.typeName(ownerType) + "Master", "Form", fallbackFormType);
  Tag form;
  if (const int status = createOwned(formType, name, &form)) {
    return status;
  }
  if (const int status = store.save(form)) {
    return status;
  }
  Tag relationType;
  if (const int status = GRM_find_relation_type("ZOLT_master_form", &relationType)) {
    return status;
  }
  Tag relation;
  if (const int status = GRM_create_relation(owner, form, relationType, NULLTAG, &relation)) {
    return status;
  }
  return GRM_save_relation(relation);
}

// A revision `revId` of `item` with its master form, saved.
int createRevision(Tag item, const char* revId, const std::string& name, Tag* revision) {
  Store& store = Store::instance();
  const std::string itemType = store.typeName(store.find(item)->type);
  const Tag type = typeOr(itemType + "Revision", "ItemRevision", "ItemRevision");
  if (const int status = createOwned(type, name, revision)) {
    return status;
  }
  store.write(*revision, "item_revision_id", Value{{revId}, {}}, WriteMode::initial);
  store.write(*revision, "items_tag", Value{{}, {item}}, WriteMode::initial);
  if (const int status = store.save(*revision)) {
    return status;
  }
  return createMasterForm(*revision, type, "ItemRevisionMaster",
                          textOf(item, "item_id") + "/" + revId);
}

}  // namespace

int ITEM_create_item(const char* itemId, const char* name, const char* typeName, const char* revId,
                     Tag* item, Tag* revision) {
  if (itemId == nullptr || name == nullptr || typeName == nullptr || revId == nullptr ||
      item == nullptr || revision == nullptr) {
    return host::missingArgument("ITEM_create_item");
  }
  *item = NULLTAG;
  *revision = NULLTAG;
  HOST_CALL("ITEM_create_item", NULLTAG);
  Store& store = Store::instance();
  const Tag type = store.findType(typeName);
  if (type == NULLTAG ||
      !store.isDescendant(store.classId("Item"), store.classId(store.typeClassName(type)))) {
    return host::storeError(ITEM_invalid_item_type, {typeName});
  }
  if (const int status = checkId(itemId)) {
    return status;
  }
  if (const int status = checkId(revId)) {
    return status;
  }
  if (host::findItemById(itemId) != NULLTAG) {
    return host::storeError(ITEM_duplicate_id, {itemId});
  }
  CreationScope scope;
  Tag createdItem;
  if (const int status = createOwned(type, name, &createdItem)) {
    return status;
  }
  store.write(createdItem, "item_id", Value{{itemId}, {}}, WriteMode::initial);
  if (const int status = store.save(createdItem)) {
    return status;
  }
  if (const int status = createMasterForm(createdItem, type, "ItemMaster", itemId)) {
    return status;
  }
  Tag createdRevision;
  if (const int status = createRevision(createdItem, revId, name, &createdRevision)) {
    return status;
  }
  scope.keep();
  *item = createdItem;
  *revision = createdRevision;
  return 0;
}

int ITEM_create_rev(Tag item, const char* revId, Tag* revision) {
  if (revId == nullptr || revision == nullptr) {
    return host::missingArgument("ITEM_create_rev");
  }
  *revision = NULLTAG;
  HOST_CALL("ITEM_create_rev", item);
  Store& store = Store::instance();
  if (!store.isInstanceOf(item, "Item")) {
    return host::storeError(POM_invalid_tag, {tagText(item)});
  }
  if (const int status = checkId(revId)) {
    return status;
  }
  if (host::findRevisionById(item, revId) != NULLTAG) {
    return host::storeError(ITEM_duplicate_rev_id, {textOf(item, "item_id"), revId});
  }
  CreationScope scope;
  Tag created;
  if (const int status = createRevision(item, revId, textOf(item, "object_name"), &created)) {
    return status;
  }
  scope.keep();
  *revision = created;
  return 0;
}
