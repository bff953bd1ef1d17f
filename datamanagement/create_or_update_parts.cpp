#include "datamanagement/create_or_update_parts.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "datamanagement/attribute_mapping.h"
#include "datamanagement/diagnostics.h"
#include "datamanagement/operation_support.h"
#include "datamanagement/related_object_collector.h"
#include "host/object/aom.h"
#include "host/object/dataset.h"
#include "host/object/dataset_write.h"
#include "host/object/error_store.h"
#include "host/object/extensions.h"
#include "host/object/folder.h"
#include "host/object/form.h"
#include "host/object/grm.h"
#include "host/object/ifail.h"
#include "host/object/item.h"
#include "host/object/item_create.h"
#include "host/object/memory.h"
#include "host/object/pom_ref.h"
#include "host/object/preferences.h"
#include "host/object/privilege.h"
#include "host/object/session.h"
#include "host/object/sizes.h"
#include "host/object/types.h"
#include "host/object/uif.h"
#include "host/object/user.h"

namespace Korvane {
namespace Soa {
namespace Cad {

namespace {

using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;
using ServiceData = Korvane::Soa::Server::ServiceData;

// The library's own codes (texts in the host's message store).
constexpr int kNotModifiable = 215020;
constexpr int kItemNotOfRevision = 215021;
constexpr int kTypeNotFound = 215022;
constexpr int kItemNotCreated = 215023;
constexpr int kFormNotCreated = 215024;
constexpr int kRelationNotCreated = 215025;
constexpr int kDatasetNotCreated = 215026;
constexpr int kNoFolder = 215027;
constexpr int kNoReferenceName = 215029;
constexpr int kNotCheckedOut = 215030;
constexpr int kNoOutputFormat = 215031;
constexpr int kNoMasterForm = 215032;
constexpr int kRelationTypeNotFound = 215050;
constexpr int kToolNotFound = 26003;

const char* const kMasterFormRelation = "ZOLT_master_form";
// The classes of the objects an input names. An input that names a live object of another
// class fails with the host's wrong-class status (7008), whose message names the object and the
// class; an extra or named-reference object is a form, as the ones the inputs make.
const char* const kItemClass = "Item";
const char* const kItemRevisionClass = "ItemRevision";
const char* const kFolderClass = "Folder";
const char* const kDatasetClass = "Dataset";
const char* const kFormClass = "Form";
const char* const kDefaultFolderPreference = "WsoInsertNoSelectionsPref";
// New items go to this position of their folder (past the end of most folders: appended).
constexpr int kFolderPosition = 999;

// The status of the newest failure on the error store, or `fallback` (stored) when the store
// holds none: a failure is never answered with 0.
int lastFailure(int fallback) {
  const int code = ERROR_store_ask_last_ifail();
  if (code != 0) {
    return code;
  }
  storeError(fallback);
  return fallback;
}

// --- Diagnostic dump ------------------------------------------------------------------------

using Diagnostics::printBanner;
using Diagnostics::printFour;
using Diagnostics::printNumber;
using Diagnostics::printText;
using Diagnostics::printTexts;

// The failure being handled becomes an error stack under `key`; the dump (with `debug`) says
// that one was met.
void recordFailure(bool debug, const std::string& key, ServiceData& serviceData) {
  if (debug) {
    printText(0, "Error encountered!!");
  }
  serviceData.addErrorStack(key);
}

void dumpStart() {
  printBanner();
  printText(0, "Start of data dump from createOrUpdateParts ");
}

void dumpEnd() {
  printText(0, "End of data dump from createOrUpdateParts ");
  printBanner();
}

void dumpItemInfo(int level, const DataManagement::ItemInfo& info) {
  printTexts(level, "ItemInfo : ", "");
  printNumber(level + 1, "item : ", info.item.tag());
  printTexts(level + 1, "itemId : ", info.itemId);
  printTexts(level + 1, "name : ", info.name);
  printTexts(level + 1, "description : ", info.description);
}

void dumpItemRevInfo(int level, const DataManagement::ItemRevInfo& info) {
  printTexts(level, "ItemRevInfo : ", "");
  printNumber(level + 1, "itemRevision : ", info.itemRevision.tag());
  printTexts(level + 1, "revId : ", info.revId);
}

void dumpExtraObjectInfo(int level, const DataManagement::ExtraObjectInfo& info) {
  printTexts(level, "ExtraObjectInfo : ", "");
  printNumber(level + 1, "object : ", info.object);
  printTexts(level + 1, "clientId : ", info.clientId);
  printTexts(level + 1, "relationTypeName : ", info.relationTypeName);
  printTexts(level + 1, "typeName : ", info.typeName);
}

void dumpDatasetInfo(int level, const DataManagement::DatasetInfo& info) {
  printTexts(level, "DatasetInfo : ", "");
  printNumber(level + 1, "dataset : ", info.dataset.tag());
  printTexts(level + 1, "name : ", info.name);
  printTexts(level + 1, "description : ", info.description);
  printTexts(level + 1, "type : ", info.type);
  printTexts(level + 1, "id : ", info.id);
  printTexts(level + 1, "datasetRev : ", info.datasetRev);
  printNumber(level + 1, "createNewVersion : ", info.createNewVersion);
}

void dumpNamedReferenceObjectInfo(int level, const DataManagement::NamedReferenceObjectInfo& info) {
  printTexts(level, "NamedReferenceObjectInfo : ", "");
  printTexts(level + 1, "clientId : ", info.clientId);
  printNumber(level + 1, "object : ", info.object);
  printTexts(level + 1, "typeName : ", info.typeName);
  printTexts(level + 1, "namedReferenceName : ", info.namedReferenceName);
}

// --- Helpers -------------------------------------------------------------------------------

// One more step of the dump's indent level for the life of the object, however the scope is
// left: a step that fails leaves the lines after it where they belong.
class IndentStep {
 public:
  explicit IndentStep(int& level) : level_(level) { ++level_; }
  ~IndentStep() { --level_; }
  IndentStep(const IndentStep&) = delete;
  IndentStep& operator=(const IndentStep&) = delete;

 private:
  int& level_;
};

bool containsTag(const std::vector<Tag>& list, Tag tag) {
  for (Tag entry : list) {
    if (entry == tag) {
      return true;
    }
  }
  return false;
}

std::vector<DataManagement::AttributeInfo> addNameAndDescription(
    const std::vector<DataManagement::AttributeInfo>& attributes, const std::string& name,
    const std::string& description) {
  std::vector<DataManagement::AttributeInfo> result = attributes;
  if (!name.empty()) {
    result.push_back({"object_name", name});
  }
  if (!description.empty()) {
    result.push_back({"object_desc", description});
  }
  return result;
}

// The folder for new items of `user` from "WsoInsertNoSelectionsPref": 1 (the default) the
// newstuff folder, 2 the home folder, anything else none. Null when there is none, also when
// the user or the preference cannot be read (that is no error of the caller's).
Tag getDefaultFolder(Tag user) {
  try {
    POMRef<User> owner(user);
    owner.get();
    int value = 1;
    if (PREF_ask_int_value(kDefaultFolderPreference, 0, &value) != 0) {
      ERROR_store_clear();
      return NULLTAG;
    }
    if (value == 1) {
      return owner->newstuffFolder();
    }
    if (value == 2) {
      return owner->homeFolder();
    }
  } catch (IFail&) {
    ERROR_store_clear();
  }
  return NULLTAG;
}

// The relation type of master forms; raises 215050 when the host has none.
Tag masterFormRelationType() {
  ResultStatus status;
  Tag relationType;
  status = GRM_find_relation_type(kMasterFormRelation, &relationType);
  if (relationType == NULLTAG) {
    raiseError(kRelationTypeNotFound, kMasterFormRelation);
  }
  return relationType;
}

// The master forms of a new item or revision and the relations that tie them to it, which the
// host made with it. Raises IFail when the host cannot list them.
std::vector<Tag> masterFormsOf(Tag object) {
  ResultStatus status;
  const Tag relationType = masterFormRelationType();
  int count = 0;
  host::HostArray<Tag> relations;
  status = GRM_list_relations(object, NULLTAG, relationType, NULLTAG, &count, relations.out());
  std::vector<Tag> made;
  for (int i = 0; i < count && relations; ++i) {
    const Tag relation = relations[static_cast<std::size_t>(i)];
    Tag form;
    status = GRM_ask_secondary(relation, &form);
    made.push_back(form);
    made.push_back(relation);
  }
  return made;
}

// Gives the dataset the tool `toolName` (one of its type's tools) or, without a name, its
// type's default tool. The dataset is locked on success (the caller saves and unlocks it); a
// dataset that this call locked is saved with the tool first. 0 on success, else a non-zero
// status on the error store: the host's, or 26003 when there is no such tool.
int setDatasetTool(Tag dataset, const char* toolName) {
  POMRef<DatasetType> type;
  try {
    POMRef<Dataset> datasetObject(dataset);
    datasetObject.get();
    Tag typeTag;
    ResultStatus status;
    status = AE_ask_dataset_datasettype(dataset, &typeTag);
    type = typeTag;
    type.get();
  } catch (IFail&) {
    return lastFailure(kToolNotFound);
  }
  Tag tool;
  if (toolName != nullptr && *toolName != '\0') {
    int count = 0;
    host::HostArray<Tag> tools;
    bool listed = false;
    if (Tool::find(toolName, &tool) == 0 && tool != NULLTAG &&
        type->listOfTool(&count, tools.out()) == 0 && tools) {
      for (int i = 0; i < count && !listed; ++i) {
        listed = tools[static_cast<std::size_t>(i)] == tool;
      }
    }
    if (!listed) {
      storeError(kToolNotFound, toolName);
      return kToolNotFound;
    }
  } else {
    tool = type->defaultToolTag();
    if (tool == NULLTAG) {
      return lastFailure(kToolNotFound);
    }
  }
  bool locked = false;
  if (AE_is_dataset_locked(dataset, &locked) != 0) {
    return lastFailure(kToolNotFound);
  }
  if (!locked && AOM_refresh(dataset, true) != 0) {
    return lastFailure(kToolNotFound);
  }
  if (AE_set_dataset_tool(dataset, tool) != 0) {
    return lastFailure(kToolNotFound);
  }
  if (!locked && (AE_save_myself(dataset) != 0 || AOM_refresh(dataset, true) != 0)) {
    return lastFailure(kToolNotFound);
  }
  return 0;
}

// Removes the dataset's named references whose names are among the values of the list
// preference `preference`, from the last index down so that the remaining indexes stay valid
// while references go; saves the dataset once when anything went, and unlocks it. A preference
// that is not defined lists no names: nothing is removed, and that is no failure.
void removeNamedReferences(Tag dataset, const std::string& preference) {
  ResultStatus status;
  int count = 0;
  host::HostArray<char*> values;
  const int asked = PREF_ask_char_values(preference.c_str(), &count, values.out());
  if (asked == PREF_not_found) {
    ERROR_store_clear();
    return;
  }
  status = asked;
  if (count <= 0 || !values) {
    return;
  }
  int references = 0;
  status = AE_ask_dataset_ref_count(dataset, &references);
  ObjectLock lock;
  bool removed = false;
  for (int index = references - 1; index >= 0; --index) {
    char name[AE_reference_size_c + 1] = "";
    int referenceType = 0;
    Tag object;
    status = AE_find_dataset_named_ref(dataset, index, name, &referenceType, &object);
    bool listed = false;
    for (int i = 0; i < count && !listed; ++i) {
      listed = std::strcmp(name, values[static_cast<std::size_t>(i)]) == 0;
    }
    if (!listed) {
      continue;
    }
    if (!lock.held()) {
      lock.lock(dataset);
    }
    status = AE_remove_dataset_named_ref_by_tag(dataset, name, object);
    removed = true;
  }
  if (removed) {
    status = AE_save_myself(dataset);
    lock.unlock();
  }
}

// The named references of one dataset as (name, object) pairs, read from the host once, when
// first asked, and kept up to date with the references added since: each reference input is
// checked against all of them without listing the dataset again.
class DatasetReferences {
 public:
  // Whether the dataset refers to `object` under `name`. Raises IFail when the host cannot
  // list the references (they are read again on the next question).
  bool has(Tag dataset, const std::string& name, Tag object) {
    if (!read_) {
      read(dataset);
    }
    return pairs_.count({name, object}) != 0;
  }
  // Records a reference that was added (and kept).
  void add(const std::string& name, Tag object) {
    if (read_) {
      pairs_.emplace(name, object);
    }
  }

 private:
  void read(Tag dataset) {
    ResultStatus status;
    int count = 0;
    status = AE_ask_dataset_ref_count(dataset, &count);
    std::set<std::pair<std::string, Tag>> pairs;
    for (int index = 0; index < count; ++index) {
      char name[AE_reference_size_c + 1] = "";
      int referenceType = 0;
      Tag object;
      status = AE_find_dataset_named_ref(dataset, index, name, &referenceType, &object);
      pairs.emplace(name, object);
    }
    pairs_.swap(pairs);
    read_ = true;
  }

  bool read_ = false;
  std::set<std::pair<std::string, Tag>> pairs_;
};

// Asks the host's file management for one write ticket per file of the dataset (for its
// newest version, or the one after it with `createNewVersion`) and appends a commit entry per
// file that got one. A refused file becomes an error stack under its client id (through the
// handler); a failure of the whole step one under `key`.
void getDatasetWriteTickets(const char* key, const char* typeName, const char* datasetName,
                            const Tag* dataset, bool createNewVersion,
                            std::vector<DataManagement::DatasetFileInfo> files,
                            std::vector<DataManagement::CommitDatasetFileInfo>* commitInfo,
                            ServiceData* serviceData) {
  try {
    ResultStatus status;
    Tag anchor;
    status = AE_ask_dataset_anchor(*dataset, &anchor);
    int version = 0;
    status = AE_ask_anchor_highest_revision(anchor, &version);
    if (createNewVersion) {
      ++version;
    }
    // The request texts point into these lists, which stay unchanged until the call returns.
    std::vector<std::size_t> fileIndexes;
    std::vector<std::string> extensions;
    std::vector<std::string> clientIds;
    for (std::size_t i = 0; i < files.size(); ++i) {
      const DataManagement::DatasetFileInfo& file = files[i];
      if (!nameFits(file.namedReferencedName, AE_reference_size_c)) {
        storeError(kTypeNotFound, file.namedReferencedName);
        serviceData->addErrorStack(file.clientId);
        continue;
      }
      const std::size_t dot = file.fileName.rfind('.');
      fileIndexes.push_back(i);
      extensions.push_back(dot == std::string::npos ? std::string()
                                                    : file.fileName.substr(dot + 1));
      clientIds.push_back(file.clientId);
    }
    std::vector<ZOF_write_ticket_request_info_s> requests(fileIndexes.size());
    for (std::size_t r = 0; r < requests.size(); ++r) {
      const DataManagement::DatasetFileInfo& file = files[fileIndexes[r]];
      requests[r].fileType = file.isText ? ZOF_text_file : ZOF_binary_file;
      requests[r].fileName = file.fileName.c_str();
      requests[r].datasetName = datasetName;
      requests[r].namedReference = file.namedReferencedName.c_str();
      requests[r].extension = extensions[r].c_str();
    }
    FileManagementPartialErrorHandlerIndex handler(*serviceData, clientIds);
    std::vector<int> results;
    std::vector<std::string> texts;
    std::vector<std::string> tickets;
    status = FileTickets::getWriteFileTickets(String(typeName), version,
                                              static_cast<int>(requests.size()), requests.data(),
                                              results, texts, tickets, &handler);
    const std::size_t answered = std::min({requests.size(), results.size(), tickets.size()});
    for (std::size_t r = 0; r < answered; ++r) {
      if (results[r] != 0) {
        continue;
      }
      DataManagement::CommitDatasetFileInfo commit;
      commit.dataset = *dataset;
      commit.createNewVersion = createNewVersion;
      commit.datasetFileTicketInfo.push_back({files[fileIndexes[r]], tickets[r]});
      commitInfo->push_back(std::move(commit));
    }
  } catch (IFail&) {
    serviceData->addErrorStack(std::string(key));
  }
}

}  // namespace

CreateOrUpdatePartsImpl::CreateOrUpdatePartsImpl() : currentUser_(loginUser::currentUserTag()) {}

DataManagement::CreateOrUpdatePartsResponse CreateOrUpdatePartsImpl::createOrUpdateParts(
    const std::vector<PartInfo>& info) {
  std::vector<DataManagement::CreateOrUpdatePartsOutput> output;
  ServiceData serviceData;
  debug_ = std::getenv("DEBUG_SOACAD") != nullptr;
  const char* timingLog = std::getenv("TIME_SOACAD");
  timing_ = timingLog != nullptr;
  timingLogFile_ = timing_ ? timingLog : "";
  if (debug_) {
    dumpStart();
  }
  std::string label = "CreateOrUpdatePartsImpl::createOrUpdateParts ";
  std::string phase = "begin... ";
  timeOut(label, phase);

  output.reserve(info.size());
  for (const PartInfo& part : info) {
    indentLevel_ = 1;
    Tag item;
    Tag revision;
    std::vector<DatasetOutput> datasets;
    std::vector<ExtraObjectOutput> itemExtras;
    std::vector<ExtraObjectOutput> revisionExtras;
    if (debug_) {
      printTexts(indentLevel_, "clientId : ", part.clientId);
    }
    if (part.itemRevInput.itemRevision.tag() != NULLTAG) {
      updateAll(part, &item, &revision, datasets, itemExtras, revisionExtras, serviceData);
    } else if (part.itemInput.item.tag() != NULLTAG) {
      if (part.itemRevInput.revId.empty()) {
        updateItem(part, &item, itemExtras, serviceData);
      } else {
        createRevision(part, &item, &revision, datasets, itemExtras, revisionExtras, serviceData);
      }
    } else {
      createItem(part, &item, &revision, datasets, itemExtras, revisionExtras, serviceData);
    }
    DataManagement::CreateOrUpdatePartsOutput result;
    result.clientId = part.clientId;
    result.item = item;
    result.itemRev = revision;
    result.datasetOutput = std::move(datasets);
    result.extraItemObj = std::move(itemExtras);
    result.extraItemRevObj = std::move(revisionExtras);
    output.push_back(std::move(result));
  }

  for (Tag folder : foldersToSave_) {
    if (debug_) {
      char name[WSO_name_size_c + 1] = "unknown";
      if (WSOM_ask_name(folder, name) != 0) {
        ERROR_store_clear();
      }
      printTexts(indentLevel_, "Saving folder ", name);
    }
    // The new items are in the folder only once it is saved: a failure is reported, keyed by
    // the folder.
    if (AOM_save(folder) != 0) {
      serviceData.addErrorStack(folder);
    } else {
      serviceData.addUpdatedObject(folder);
    }
  }

  phase = "end      ";
  timeOut(label, phase);
  if (debug_) {
    dumpEnd();
  }
  DataManagement::CreateOrUpdatePartsResponse response;
  response.output = std::move(output);
  response.serviceData = serviceData;
  return response;
}

int CreateOrUpdatePartsImpl::createItem(const PartInfo& part, Tag* item, Tag* revision,
                                        std::vector<DatasetOutput>& datasets,
                                        std::vector<ExtraObjectOutput>& itemExtras,
                                        std::vector<ExtraObjectOutput>& revisionExtras,
                                        ServiceData& serviceData) {
  try {
    if (debug_) {
      ++indentLevel_;
      dumpItemInfo(indentLevel_, part.itemInput);
      dumpItemRevInfo(indentLevel_, part.itemRevInput);
    }
    std::string type = part.itemInput.itemType;
    std::string itemId = part.itemInput.itemId;
    std::string revId = part.itemRevInput.revId;
    std::string name = part.itemInput.name;
    const std::string& description = part.itemInput.description;
    Tag folder = part.itemInput.folder.tag();

    ResultStatus status;
    if (type.empty()) {
      type = "Item";
    }
    requireNameFits(type, ZOLTTYPE_name_size_c, kTypeNotFound);
    Tag typeTag;
    status = ZOLTTYPE_ask_type(type.c_str(), &typeTag);
    if (typeTag == NULLTAG) {
      raiseError(kTypeNotFound, type);
    }
    if (itemId.empty()) {
      bool modifiable = false;
      host::HostString id;
      status = USER_new_item_id(NULLTAG, typeTag, &modifiable, id.out());
      itemId = id.str();
    }
    if (revId.empty()) {
      bool modifiable = false;
      host::HostString id;
      status = USER_new_revision_id(NULLTAG, typeTag, &modifiable, id.out());
      revId = id.str();
    }
    if (name.empty()) {
      name = itemId;
    }

    // A folder that refused is forgotten: the next input that names it is checked again. An
    // object that is not a folder is no place for an item: the input fails (7008, naming both).
    if (!containsTag(checkedFolders_, folder)) {
      if (folder.isValid() == 0) {
        status = folder.isValid(kFolderClass);
        bool granted = false;
        status = AM_check_privilege(folder, "WRITE", &granted);
        if (granted) {
          checkedFolders_.push_back(folder);
        } else {
          folder = NULLTAG;
        }
      } else {
        ERROR_store_clear();
      }
    }
    if (folder.isValid() != 0) {
      ERROR_store_clear();
      folder = getDefaultFolder(currentUser_);
      if (folder == NULLTAG) {
        raiseError(kNoFolder);
      }
    }

    MarkPoint mark;
    Tag newItem;
    Tag newRevision;
    status = ITEM_create_item(itemId.c_str(), name.c_str(), type.c_str(), revId.c_str(), &newItem,
                              &newRevision);
    if (newItem == NULLTAG || newRevision == NULLTAG) {
      raiseError(kItemNotCreated);
    }
    // The name went into the creation.
    status = updateItemAttributes(part.clientId, newItem, true,
                                  addNameAndDescription(part.itemInput.attrList, "", description),
                                  serviceData);
    status = updateItemAttributes(part.clientId, newRevision, true, part.itemRevInput.attrList,
                                  serviceData);
    const bool filed = folder.isValid() == 0;
    if (filed) {
      status = FL_insert(folder, newItem, kFolderPosition);
    } else {
      ERROR_store_clear();
    }
    std::vector<Tag> masterForms = masterFormsOf(newItem);
    const std::vector<Tag> revisionForms = masterFormsOf(newRevision);
    masterForms.insert(masterForms.end(), revisionForms.begin(), revisionForms.end());
    mark.keep();
    if (filed && !containsTag(foldersToSave_, folder)) {
      foldersToSave_.push_back(folder);
    }

    *item = newItem;
    *revision = newRevision;
    serviceData.addCreatedObject(newItem);
    serviceData.addCreatedObject(newRevision);
    for (const Tag made : masterForms) {
      serviceData.addCreatedObject(made);
    }
    createOrUpdateDependents(part, newItem, newRevision, datasets, itemExtras, revisionExtras,
                             serviceData);
  } catch (IFail& failure) {
    recordFailure(debug_, part.clientId, serviceData);
    return failure.ifail();
  }
  return 0;
}

int CreateOrUpdatePartsImpl::createRevision(const PartInfo& part, Tag* item, Tag* revision,
                                            std::vector<DatasetOutput>& datasets,
                                            std::vector<ExtraObjectOutput>& itemExtras,
                                            std::vector<ExtraObjectOutput>& revisionExtras,
                                            ServiceData& serviceData) {
  try {
    if (debug_) {
      ++indentLevel_;
      dumpItemInfo(indentLevel_, part.itemInput);
      dumpItemRevInfo(indentLevel_, part.itemRevInput);
    }
    const Tag givenItem = part.itemInput.item.tag();
    ResultStatus status;
    status = givenItem.isValid(kItemClass);
    status = AOM_refresh(givenItem, false);

    MarkPoint mark;
    Tag newRevision;
    status = ITEM_create_rev(givenItem, part.itemRevInput.revId.c_str(), &newRevision);
    if (newRevision == NULLTAG) {
      raiseError(kItemNotCreated);
    }
    std::vector<Tag> savedForms;
    status =
        updateItemAttributes(part.clientId, givenItem, true,
                             addNameAndDescription(part.itemInput.attrList, part.itemInput.name,
                                                   part.itemInput.description),
                             serviceData, &savedForms);
    status = updateItemAttributes(part.clientId, newRevision, true, part.itemRevInput.attrList,
                                  serviceData);
    const std::vector<Tag> masterForms = masterFormsOf(newRevision);
    mark.keep();

    *item = givenItem;
    *revision = newRevision;
    serviceData.addUpdatedObject(givenItem);
    serviceData.addCreatedObject(newRevision);
    for (const Tag made : masterForms) {
      serviceData.addCreatedObject(made);
    }
    for (const Tag form : savedForms) {
      serviceData.addUpdatedObject(form);
    }
    createOrUpdateDependents(part, givenItem, newRevision, datasets, itemExtras, revisionExtras,
                             serviceData);
  } catch (IFail& failure) {
    recordFailure(debug_, part.clientId, serviceData);
    return failure.ifail();
  }
  return 0;
}

int CreateOrUpdatePartsImpl::updateItem(const PartInfo& part, Tag* item,
                                        std::vector<ExtraObjectOutput>& itemExtras,
                                        ServiceData& serviceData) {
  try {
    if (debug_) {
      ++indentLevel_;
      dumpItemInfo(indentLevel_, part.itemInput);
    }
    const Tag givenItem = part.itemInput.item.tag();
    ResultStatus status;
    status = givenItem.isValid(kItemClass);
    status = AOM_refresh(givenItem, false);

    MarkPoint mark;
    std::vector<Tag> savedForms;
    status =
        updateItemAttributes(part.clientId, givenItem, false,
                             addNameAndDescription(part.itemInput.attrList, part.itemInput.name,
                                                   part.itemInput.description),
                             serviceData, &savedForms);
    mark.keep();

    *item = givenItem;
    serviceData.addUpdatedObject(givenItem);
    for (const Tag form : savedForms) {
      serviceData.addUpdatedObject(form);
    }
    createOrUpdateExtraObjects(part.clientId, givenItem, part.itemInput.extraObject, &itemExtras,
                               serviceData);
  } catch (IFail& failure) {
    recordFailure(debug_, part.clientId, serviceData);
    return failure.ifail();
  }
  return 0;
}

int CreateOrUpdatePartsImpl::updateAll(const PartInfo& part, Tag* item, Tag* revision,
                                       std::vector<DatasetOutput>& datasets,
                                       std::vector<ExtraObjectOutput>& itemExtras,
                                       std::vector<ExtraObjectOutput>& revisionExtras,
                                       ServiceData& serviceData) {
  try {
    if (debug_) {
      ++indentLevel_;
      dumpItemInfo(indentLevel_, part.itemInput);
      dumpItemRevInfo(indentLevel_, part.itemRevInput);
    }
    const Tag givenRevision = part.itemRevInput.itemRevision.tag();
    ResultStatus status;
    status = givenRevision.isValid(kItemRevisionClass);
    status = AOM_refresh(givenRevision, false);
    Tag itemOfRevision;
    status = ITEM_ask_item_of_rev(givenRevision, &itemOfRevision);
    if (part.itemInput.item.tag() != NULLTAG && part.itemInput.item.tag() != itemOfRevision) {
      raiseError(kItemNotOfRevision);
    }
    status = AOM_refresh(itemOfRevision, false);

    MarkPoint mark;
    std::vector<Tag> savedForms;
    status =
        updateItemAttributes(part.clientId, itemOfRevision, false,
                             addNameAndDescription(part.itemInput.attrList, part.itemInput.name,
                                                   part.itemInput.description),
                             serviceData, &savedForms);
    status = updateItemAttributes(part.clientId, givenRevision, false, part.itemRevInput.attrList,
                                  serviceData, &savedForms);
    mark.keep();

    *item = itemOfRevision;
    *revision = givenRevision;
    serviceData.addUpdatedObject(itemOfRevision);
    serviceData.addUpdatedObject(givenRevision);
    for (const Tag form : savedForms) {
      serviceData.addUpdatedObject(form);
    }
    createOrUpdateDependents(part, itemOfRevision, givenRevision, datasets, itemExtras,
                             revisionExtras, serviceData);
  } catch (IFail& failure) {
    recordFailure(debug_, part.clientId, serviceData);
    return failure.ifail();
  }
  return 0;
}

void CreateOrUpdatePartsImpl::createOrUpdateDependents(
    const PartInfo& part, const Tag& item, const Tag& revision,
    std::vector<DatasetOutput>& datasets, std::vector<ExtraObjectOutput>& itemExtras,
    std::vector<ExtraObjectOutput>& revisionExtras, ServiceData& serviceData) {
  createOrUpdateExtraObjects(part.clientId, item, part.itemInput.extraObject, &itemExtras,
                             serviceData);
  createOrUpdateExtraObjects(part.clientId, revision, part.itemRevInput.extraObject,
                             &revisionExtras, serviceData);
  createOrUpdateDatasets(part.clientId, revision, part.datasetInput, datasets, serviceData);
}

int CreateOrUpdatePartsImpl::updateItemAttributes(std::string key, const Tag& object, bool isNew,
                                                  const std::vector<AttributeInfo>& attributes,
                                                  ServiceData& serviceData,
                                                  std::vector<Tag>* savedForms) {
  if (const int invalid = object.isValid()) {
    return invalid;
  }
  try {
    ResultStatus status;
    int nameCount = 0;
    host::HostArray<char*> names;
    status = AOM_ask_prop_names(object, &nameCount, names.out());
    const Tag relationType = masterFormRelationType();
    int formCount = 0;
    host::HostArray<Tag> forms;
    status = GRM_list_secondary_objects_only(object, relationType, &formCount, forms.out());
    if (formCount <= 0 || !forms) {
      raiseError(kNoMasterForm);
    }
    const Tag masterForm = forms[0];
    forms.reset();

    std::vector<AttributeInfo> objectAttributes;
    std::vector<AttributeInfo> formAttributes;
    for (const AttributeInfo& attribute : attributes) {
      bool own = false;
      for (int i = 0; names && i < nameCount && !own; ++i) {
        own = attribute.name == names[static_cast<std::size_t>(i)];
      }
      (own ? objectAttributes : formAttributes).push_back(attribute);
    }
    names.reset();

    int result = 0;
    if (!objectAttributes.empty()) {
      result = updateAttributes(key, object, false, isNew, objectAttributes, serviceData);
    }
    if (!formAttributes.empty()) {
      bool saved = false;
      result = updateAttributes(key, masterForm, false, isNew, formAttributes, serviceData, &saved);
      if (saved && savedForms != nullptr) {
        savedForms->push_back(masterForm);
      }
    }
    return result;
  } catch (IFail& failure) {
    // Left on the error store: the path fails with this code, which adds nothing to the store,
    // and records the failure once, under the same key.
    return lastFailure(failure.ifail());
  }
}

int CreateOrUpdatePartsImpl::updateAttributes(std::string key, const Tag& object, bool isDataset,
                                              bool isNew,
                                              const std::vector<AttributeInfo>& attributes,
                                              ServiceData& serviceData, bool* saved) {
  const IndentStep step(indentLevel_);
  if (const int invalid = object.isValid()) {
    return invalid;
  }
  ObjectLock lock;
  if (isNew) {
    lock.lock(object);
  }
  if (debug_) {
    printText(indentLevel_, "Attribute list :");
  }
  const IndentStep attributeStep(indentLevel_);
  for (const AttributeInfo& attribute : attributes) {
    try {
      ResultStatus status;
      if (!isNew) {
        host::HostString current;
        status = AOM_UIF_ask_value(object, attribute.name.c_str(), current.out());
        if (attribute.value == current.c_str()) {
          if (debug_) {
            printFour(indentLevel_, "ignoring ", attribute.name, ": ", attribute.value);
          }
          continue;
        }
      }
      if (!lock.held()) {
        lock.lock(object);
      }
      if (debug_) {
        printFour(indentLevel_, "updating ", attribute.name, ": ", attribute.value);
      }
      status = AOM_UIF_set_value(object, attribute.name.c_str(), attribute.value.c_str());
    } catch (IFail&) {
      recordFailure(debug_, key, serviceData);
    }
  }
  if (lock.held()) {
    ResultStatus status;
    status = isDataset ? AE_save_myself(object) : AOM_save(object);
    lock.unlock();
    if (saved != nullptr) {
      *saved = true;
    }
  }
  return 0;
}

int CreateOrUpdatePartsImpl::createOrUpdateExtraObjects(std::string key, const Tag& owner,
                                                        const std::vector<ExtraObjectInfo>& extras,
                                                        std::vector<ExtraObjectOutput>* out,
                                                        ServiceData& serviceData) {
  if (debug_) {
    printText(indentLevel_, "Process Extra object : ");
  }
  for (const ExtraObjectInfo& extra : extras) {
    const std::string extraKey = key + ";" + extra.clientId;
    try {
      if (debug_) {
        dumpExtraObjectInfo(indentLevel_ + 1, extra);
      }
      Tag object = extra.object;
      ResultStatus status;
      Tag relationType;
      requireNameFits(extra.relationTypeName, ZOLTTYPE_name_size_c, kRelationTypeNotFound);
      status = GRM_find_relation_type(extra.relationTypeName.c_str(), &relationType);
      if (relationType == NULLTAG) {
        raiseError(kRelationTypeNotFound, extra.relationTypeName);
      }

      MarkPoint mark;
      Tag relation;
      const bool isNew = object.isValid() != 0;
      if (isNew) {
        ERROR_store_clear();
        requireNameFits(extra.typeName, ZOLTTYPE_name_size_c, kTypeNotFound);
        Tag type;
        status = ZOLTTYPE_ask_type(extra.typeName.c_str(), &type);
        if (type == NULLTAG) {
          raiseError(kTypeNotFound, extra.typeName);
        }
        status = FORM_create("extra obj name", "extra obj desc", extra.typeName.c_str(), &object);
        if (object == NULLTAG) {
          raiseError(kFormNotCreated, extra.typeName);
        }
        if (AOM_save(object) != 0) {
          ERROR_store_clear();
        }
      } else {
        status = object.isValid(kFormClass);
        status = AOM_refresh(object, false);
        status = GRM_find_relation(owner, object, relationType, &relation);
      }
      status =
          updateAttributes(extraKey, object, false, isNew, extra.attrNameValuePair, serviceData);
      bool relationCreated = false;
      if (relation == NULLTAG) {
        status = GRM_create_relation(owner, object, relationType, NULLTAG, &relation);
        if (relation == NULLTAG) {
          raiseError(kRelationNotCreated, extra.relationTypeName);
        }
        // A relation that is not saved does not last: its failure is the extra object's.
        status = GRM_save_relation(relation);
        relationCreated = true;
      }
      mark.keep();

      if (isNew) {
        serviceData.addCreatedObject(object);
      } else {
        serviceData.addUpdatedObject(object);
      }
      if (relationCreated) {
        serviceData.addCreatedObject(relation);
      }
      out->push_back({extra.clientId, object});
    } catch (IFail&) {
      recordFailure(debug_, extraKey, serviceData);
    }
  }
  return 0;
}

int CreateOrUpdatePartsImpl::createOrUpdateDatasets(std::string partClientId,
                                                    const Tag& itemRevision,
                                                    const std::vector<DatasetInfo>& datasets,
                                                    std::vector<DatasetOutput>& out,
                                                    ServiceData& serviceData) {
  if (debug_) {
    printText(indentLevel_, "Process datasets : ");
  }
  ++indentLevel_;
  for (const DatasetInfo& info : datasets) {
    const std::string key = partClientId + ";" + info.clientId;
    DatasetOutput output;
    try {
      if (debug_) {
        dumpDatasetInfo(indentLevel_, info);
      }
      Tag dataset = info.dataset.tag();
      Tag type;
      char typeName[AE_datasettype_name_size_c + 1] = "";
      const std::vector<DataManagement::DatasetFileInfo> files = info.datasetFileInfo;
      ResultStatus status;
      Tag relationType;
      requireNameFits(info.itemRevRelationName, ZOLTTYPE_name_size_c, kRelationTypeNotFound);
      status = GRM_find_relation_type(info.itemRevRelationName.c_str(), &relationType);
      if (relationType == NULLTAG) {
        raiseError(kRelationTypeNotFound, info.itemRevRelationName);
      }

      {
        MarkPoint mark;
        ObjectLock lock;
        Tag relation;
        // A dataset the call makes comes with a revision anchor of its own, made with it.
        Tag anchor;
        bool isNew = true;
        if (dataset.isValid() == 0) {
          status = dataset.isValid(kDatasetClass);
          status = AE_ask_dataset_datasettype(dataset, &type);
          status = AE_ask_datasettype_name(type, typeName);
          isNew = info.createNewVersion;
          if (isNew) {
            Utility::verifyCheckoutStateAsRequired(dataset, kNotModifiable, kNotCheckedOut);
            lock.lock(dataset);
          }
        } else {
          ERROR_store_clear();
          requireNameFits(info.type, AE_datasettype_name_size_c, kTypeNotFound);
          host::copyName(info.type, typeName, AE_datasettype_name_size_c);
          status = AE_find_datasettype(info.type.c_str(), &type);
          if (type == NULLTAG) {
            raiseError(kTypeNotFound, info.type);
          }
          status = AE_create_dataset_with_id(type, info.name.c_str(), info.description.c_str(),
                                             info.id.c_str(), info.datasetRev.c_str(), &dataset);
          if (dataset == NULLTAG) {
            raiseError(kDatasetNotCreated, info.name);
          }
          status = AE_ask_dataset_anchor(dataset, &anchor);
          status = GRM_create_relation(itemRevision, dataset, relationType, NULLTAG, &relation);
          if (relation == NULLTAG) {
            raiseError(kRelationNotCreated, info.itemRevRelationName);
          }
        }

        if (isNew) {
          // The tool call leaves the dataset locked when it succeeds and may have locked it
          // when it fails.
          lock.adopt(dataset);
          status = setDatasetTool(dataset, nullptr);
          Tag tool;
          status = AE_ask_dataset_tool(dataset, &tool);
          int formatCount = 0;
          host::HostArray<char*> formats;
          status = AE_ask_tool_output_formats(tool, &formatCount, formats.out());
          if (formatCount <= 0 || !formats) {
            raiseError(kNoOutputFormat);
          }
          const std::string format = formats[0];
          formats.reset();
          requireNameFits(format, AE_format_name_size_c, kTypeNotFound);
          status = AE_set_dataset_format(dataset, format.c_str());
          status = AOM_save(dataset);
          lock.unlock();
          if (!info.namedReferencePreference.empty()) {
            removeNamedReferences(dataset, info.namedReferencePreference);
          }
        }

        status = updateAttributes(key, dataset, true, info.createNewVersion,
                                  addNameAndDescription(info.attrList, info.name, info.description),
                                  serviceData);
        if (relation != NULLTAG) {
          status = GRM_save_relation(relation);
        }
        mark.keep();

        if (isNew) {
          serviceData.addCreatedObject(dataset);
        } else {
          serviceData.addUpdatedObject(dataset);
        }
        if (anchor != NULLTAG) {
          serviceData.addCreatedObject(anchor);
        }
        if (relation != NULLTAG) {
          serviceData.addCreatedObject(relation);
        }
      }

      output.clientId = info.clientId;
      output.dataset = dataset;
      createOrUpdateExtraObjects(key, dataset, info.extraObject, &output.extraObj, serviceData);
      createOrUpdateNamedReferenceObjects(key, dataset, info.namedReferenceObjectInfo,
                                          &output.namedRefObj, serviceData);
      handleMappingAttributes(key, dataset, type, itemRevision, info.mappingAttribute, serviceData);
      getDatasetWriteTickets(key.c_str(), typeName, info.name.c_str(), &dataset,
                             info.createNewVersion, files, &output.commitInfo, &serviceData);
    } catch (IFail&) {
      recordFailure(debug_, key, serviceData);
    }
    out.push_back(std::move(output));
  }
  --indentLevel_;
  return 0;
}

int CreateOrUpdatePartsImpl::createOrUpdateNamedReferenceObjects(
    std::string key, const Tag& dataset, const std::vector<NamedReferenceObjectInfo>& infos,
    std::vector<ExtraObjectOutput>* out, ServiceData& serviceData) {
  if (debug_) {
    printText(indentLevel_, "Process Named Referenced objects : ");
  }
  if (infos.empty()) {
    return 0;
  }
  // The objects are reported only once the dataset that references them is saved: a failing
  // save or release of the dataset takes the whole step back and fails the dataset (the
  // caller's error stack under its key).
  struct Report {
    Tag object;
    bool created;
  };
  std::vector<Report> reports;
  std::vector<ExtraObjectOutput> outputs;
  DatasetReferences references;
  {
    MarkPoint step;
    ObjectLock datasetLock;
    for (const NamedReferenceObjectInfo& info : infos) {
      const std::string referenceKey = key + ";" + info.clientId;
      try {
        if (debug_) {
          dumpNamedReferenceObjectInfo(indentLevel_ + 1, info);
        }
        MarkPoint mark;
        ResultStatus status;
        Tag object = info.object;
        bool attach = !info.namedReferenceName.empty();
        const bool isNew = object.isValid() != 0;
        if (isNew) {
          ERROR_store_clear();
        }
        requireNameFits(info.namedReferenceName, AE_reference_size_c, kTypeNotFound);
        if (isNew) {
          if (info.namedReferenceName.empty()) {
            raiseError(kNoReferenceName);
          }
          requireNameFits(info.typeName, ZOLTTYPE_name_size_c, kTypeNotFound);
          Tag type;
          status = ZOLTTYPE_ask_type(info.typeName.c_str(), &type);
          if (type == NULLTAG) {
            raiseError(kTypeNotFound, info.typeName);
          }
          status = FORM_create("referenced obj name", "referenced obj desc", info.typeName.c_str(),
                               &object);
          if (object == NULLTAG) {
            raiseError(kFormNotCreated, info.typeName);
          }
          if (AOM_save(object) != 0) {
            ERROR_store_clear();
          }
        } else {
          status = object.isValid(kFormClass);
          status = AOM_refresh(object, false);
          // Any of the references under the name may be the object already (a name may
          // repeat), not only the first.
          attach = attach && !references.has(dataset, info.namedReferenceName, object);
        }
        // Taken for this object only until it succeeds: a roll-back gives the lock back too.
        bool lockedHere = false;
        if (attach) {
          if (!datasetLock.held()) {
            if (AOM_refresh(dataset, true) != 0) {
              ERROR_store_clear();
            }
            lockedHere = true;
          }
          status = AE_add_dataset_named_ref(dataset, info.namedReferenceName.c_str(),
                                            AE_reference_association, object);
        }
        status = updateAttributes(referenceKey, object, false, isNew, info.attrNameValuePair,
                                  serviceData);
        mark.keep();
        if (lockedHere) {
          datasetLock.adopt(dataset);
        }
        if (attach) {
          references.add(info.namedReferenceName, object);
        }
        reports.push_back({object, isNew});
        outputs.push_back({info.clientId, object});
      } catch (IFail&) {
        recordFailure(debug_, referenceKey, serviceData);
      }
    }
    if (datasetLock.held()) {
      ResultStatus status;
      status = AE_save_myself(dataset);
      datasetLock.unlock();
    }
    step.keep();
  }
  for (const Report& report : reports) {
    if (report.created) {
      serviceData.addCreatedObject(report.object);
    } else {
      serviceData.addUpdatedObject(report.object);
    }
  }
  out->insert(out->end(), outputs.begin(), outputs.end());
  return 0;
}

int CreateOrUpdatePartsImpl::handleMappingAttributes(std::string key, const Tag& dataset,
                                                     const Tag& datasetType,
                                                     const Tag& itemRevision,
                                                     std::vector<AttributeInfo> attributes,
                                                     ServiceData& serviceData) {
  if (debug_) {
    printText(indentLevel_, "Process mapped attributes : ");
  }
  try {
    AttributeMappingImpl mapping;
    mapping.setAttrValues(dataset, datasetType, itemRevision, attributes, serviceData);
  } catch (IFail&) {
    recordFailure(debug_, key, serviceData);
  }
  return 0;
}

void CreateOrUpdatePartsImpl::timeOut(std::string& label, std::string& phase) {
  if (timing_) {
    Diagnostics::appendTimeStamp(timingLogFile_, label, phase);
  }
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane

FileManagementPartialErrorHandlerIndex::FileManagementPartialErrorHandlerIndex(
    Korvane::Soa::Server::ServiceData& serviceData, const std::vector<std::string>& fileClientIds)
    : serviceData_(serviceData), fileClientIds_(fileClientIds) {}

void FileManagementPartialErrorHandlerIndex::errorOccuredWithIndex(int, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= fileClientIds_.size()) {
    serviceData_.addErrorStack();
    return;
  }
  serviceData_.addErrorStack(fileClientIds_[static_cast<std::size_t>(index)]);
}
