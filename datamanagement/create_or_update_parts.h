// createOrUpdateParts: items, revisions, forms, folders, datasets, named references and file
// tickets of the parts a CAD client saves.
#pragma once

#include <string>
#include <vector>

#include "datamanagement/data_management.h"
#include "framework/visibility.h"
#include "host/object/file_tickets.h"
#include "host/object/tag.h"

namespace Korvane {
namespace Soa {
namespace Cad {

// One object per call: DataManagementImpl constructs it, calls createOrUpdateParts once and
// destroys it. Nothing passes from one call to the next.
//
// Each input takes one of four paths: a given revision is updated with its item; a given item
// without a revision id is updated alone; a given item with a revision id gets a new revision;
// otherwise a new item is made with its first revision. Attributes go to the object when it has
// a property of that name and to its master form ("ZOLT_master_form") otherwise; unchanged
// values are not written. Then come the extra objects (forms) of the item and revision and the
// revision's datasets with their named references, mapped attributes and file tickets.
//
// Failures become error stacks keyed by the input's client id, composed with ";" for the inner
// objects ("part;extra", "part;dataset", "part;dataset;reference"). A failing step leaves
// nothing half-made: every step that creates or writes objects runs under a host mark point and
// is rolled back when it fails, so neither the output nor the service data names an object of a
// failed step, and no lock outlives its step.
class SOACAD_API CreateOrUpdatePartsImpl {
 public:
  using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;
  using ServiceData = Korvane::Soa::Server::ServiceData;

  // Takes the session's current user (owner of the default folder).
  CreateOrUpdatePartsImpl();
  CreateOrUpdatePartsImpl(const CreateOrUpdatePartsImpl&) = default;
  CreateOrUpdatePartsImpl& operator=(const CreateOrUpdatePartsImpl&) = default;
  virtual ~CreateOrUpdatePartsImpl() = default;

  // One output per input, in input order, whatever its outcome (a failed path reports item
  // and revision 0), and the call's service data. Folders that received new items are saved
  // once, after the last input, and reported as updated. The master forms (with their
  // relations) of a new item or revision are reported as created with it, a master form that
  // an update writes as updated.
  virtual DataManagement::CreateOrUpdatePartsResponse createOrUpdateParts(
      const std::vector<DataManagement::PartInfo>& info);

 private:
  using PartInfo = DataManagement::PartInfo;
  using AttributeInfo = DataManagement::AttributeInfo;
  using ExtraObjectInfo = DataManagement::ExtraObjectInfo;
  using ExtraObjectOutput = DataManagement::ExtraObjectOutput;
  using DatasetInfo = DataManagement::DatasetInfo;
  using DatasetOutput = DataManagement::DatasetOutput;
  using NamedReferenceObjectInfo = DataManagement::NamedReferenceObjectInfo;

  // The four paths. Each catches its own failure (an error stack under the input's client id)
  // and hands out item and revision only once their attributes are written; the result is 0
  // or the failure's code.
  int createItem(const PartInfo& part, Tag* item, Tag* revision,
                 std::vector<DatasetOutput>& datasets, std::vector<ExtraObjectOutput>& itemExtras,
                 std::vector<ExtraObjectOutput>& revisionExtras, ServiceData& serviceData);
  int createRevision(const PartInfo& part, Tag* item, Tag* revision,
                     std::vector<DatasetOutput>& datasets,
                     std::vector<ExtraObjectOutput>& itemExtras,
                     std::vector<ExtraObjectOutput>& revisionExtras, ServiceData& serviceData);
  int updateItem(const PartInfo& part, Tag* item, std::vector<ExtraObjectOutput>& itemExtras,
                 ServiceData& serviceData);
  int updateAll(const PartInfo& part, Tag* item, Tag* revision,
                std::vector<DatasetOutput>& datasets, std::vector<ExtraObjectOutput>& itemExtras,
                std::vector<ExtraObjectOutput>& revisionExtras, ServiceData& serviceData);

  // The last step of the paths that end with a revision: the extra objects of the item and of
  // the revision, then the revision's datasets (each records its own failures).
  void createOrUpdateDependents(const PartInfo& part, const Tag& item, const Tag& revision,
                                std::vector<DatasetOutput>& datasets,
                                std::vector<ExtraObjectOutput>& itemExtras,
                                std::vector<ExtraObjectOutput>& revisionExtras,
                                ServiceData& serviceData);

  // Writes `attributes` to `object` (those named like one of its properties) and to its master
  // form (the others). Else the result of the last write made, or 0. A failure (the object not
  // valid, no master form, a failing lock or save) answers the code of the newest entry on the
  // error store, where it is left: the calling path assigns it to its status, which adds
  // nothing to the store, and records it once under the same key. So no reply carries a code
  // of this function's own (a code without its text). A master form it saved is appended to
  // `savedForms` when that is given, for the path to report once its step is kept.
  int updateItemAttributes(std::string key, const Tag& object, bool isNew,
                           const std::vector<AttributeInfo>& attributes, ServiceData& serviceData,
                           std::vector<Tag>* savedForms = nullptr);
  // Writes name/value pairs to one object: all of them when `isNew`, else only those whose
  // display value differs. The object is locked only when something is written, then saved
  // (AE_save_myself when `isDataset`) and unlocked. A failing pair is an error stack under
  // `key` and the others go on; a failing lock or save raises IFail (the lock released).
  // For an object that is not valid, the host's status for it (on the error store); else 0.
  // `saved`, when given, tells whether the object was saved.
  int updateAttributes(std::string key, const Tag& object, bool isDataset, bool isNew,
                       const std::vector<AttributeInfo>& attributes, ServiceData& serviceData,
                       bool* saved = nullptr);
  // Creates or updates the forms related to `owner` and appends one output per form that
  // succeeded; a failing one is an error stack under `key` + ";" + its client id.
  int createOrUpdateExtraObjects(std::string key, const Tag& owner,
                                 const std::vector<ExtraObjectInfo>& extras,
                                 std::vector<ExtraObjectOutput>* out, ServiceData& serviceData);
  // Creates or updates the datasets of the revision; one output per dataset, also for a
  // failed one (with what it reached). A failing dataset is an error stack under
  // `partClientId` + ";" + its client id.
  int createOrUpdateDatasets(std::string partClientId, const Tag& itemRevision,
                             const std::vector<DatasetInfo>& datasets,
                             std::vector<DatasetOutput>& out, ServiceData& serviceData);
  // Creates or updates the objects that the dataset references by name, attaches those not
  // attached yet, and saves the dataset once; a failing one is an error stack under `key` +
  // ";" + its client id and gets no output. A failing save or release of the dataset undoes
  // the whole step (nothing reported) and raises IFail: it fails the dataset.
  int createOrUpdateNamedReferenceObjects(std::string key, const Tag& dataset,
                                          const std::vector<NamedReferenceObjectInfo>& infos,
                                          std::vector<ExtraObjectOutput>* out,
                                          ServiceData& serviceData);
  // Writes the mapped CAD attributes of the dataset; a failure of the whole step is an error
  // stack under `key`.
  int handleMappingAttributes(std::string key, const Tag& dataset, const Tag& datasetType,
                              const Tag& itemRevision, std::vector<AttributeInfo> attributes,
                              ServiceData& serviceData);
  // With the timing switch on, appends `label`, `phase` and the UTC time to the timing-log
  // file; a file that cannot be opened is skipped. Nothing with the switch off.
  void timeOut(std::string& label, std::string& phase);

  // Diagnostic dump and timing log, switched on from the environment at the start of a call.
  bool debug_ = false;
  bool timing_ = false;
  std::string timingLogFile_;
  int indentLevel_ = 0;  // Of dump lines, in steps of three blanks.
  // Folders that passed the "WRITE" privilege check during this call.
  std::vector<Tag> checkedFolders_;
  // Folders into which this call inserted an item, in order of first use, without repeats.
  std::vector<Tag> foldersToSave_;
  // Owner of the default folder.
  Tag currentUser_;
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane

// Turns each file that the host's file management refuses during a ticket call into an error
// stack keyed by the file's client id. Lives on the stack around one ticket call.
class SOACAD_API FileManagementPartialErrorHandlerIndex : public KvErrorHandler {
 public:
  // `serviceData` must outlive the handler; `fileClientIds` holds one client id per request,
  // in request order.
  FileManagementPartialErrorHandlerIndex(Korvane::Soa::Server::ServiceData& serviceData,
                                         const std::vector<std::string>& fileClientIds);

  // An error stack (the host's current error store) keyed by the client id of request
  // `index`. An index outside the requests gets an error stack without a key, so no failure
  // is lost and nothing is read out of bounds.
  void errorOccuredWithIndex(int code, int index) override;

 private:
  Korvane::Soa::Server::ServiceData& serviceData_;
  std::vector<std::string> fileClientIds_;
};
