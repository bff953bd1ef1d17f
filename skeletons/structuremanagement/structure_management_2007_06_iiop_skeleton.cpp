#include "skeletons/structuremanagement/structure_management_2007_06_iiop_skeleton.h"

#include <tuple>
#include <utility>
#include <vector>

#include "skeletons/field_conversions.h"
#include "skeletons/request_handler.h"
#include "skeletons/service_ownership.h"

namespace Korvane {
namespace Services {
namespace Cad {
namespace _2007_06 {

namespace Wire = Korvane::Schemas::Cad::_2007_06::Structuremanagement;
using Local = Korvane::Soa::Cad::_2007_06::StructureManagement;
using Korvane::Soa::Cad::_2007_06::StructureManagementImpl;
using Korvane::Soa::Server::ServicePolicy;

StructureManagementImpl* StructureManagementIiopSkeleton::_service = nullptr;
ServicePolicy* StructureManagementIiopSkeleton::_servicePolicy = nullptr;

namespace {

// The rules by field kind, through this skeleton's record conversions.
using Fields = Korvane::Services::FieldConversions<StructureManagementIiopSkeleton>;

// The skeletons' shared ownership of `_service` and of the policy that initialize() makes.
SkeletonOwnership ownership;

}  // namespace

StructureManagementIiopSkeleton::StructureManagementIiopSkeleton() {
  ownership.skeletonMade();
  serviceName_ = "StructureManagement";
  operations_["getConfiguredItemRevision"] =
      &StructureManagementIiopSkeleton::getConfiguredItemRevision;
}

StructureManagementIiopSkeleton::StructureManagementIiopSkeleton(
    const StructureManagementIiopSkeleton& other)
    : IiopSkeleton(other) {
  ownership.skeletonMade();
}

StructureManagementIiopSkeleton& StructureManagementIiopSkeleton::operator=(
    const StructureManagementIiopSkeleton&) = default;

StructureManagementIiopSkeleton::~StructureManagementIiopSkeleton() {
  ownership.skeletonGone(_service, _servicePolicy);
}

void StructureManagementIiopSkeleton::initialize() {
  ownership.choosePolicy(_service, _servicePolicy);
}

std::string StructureManagementIiopSkeleton::getConfiguredItemRevision(const std::string& request) {
  // The handler's mark reads "Soa::Cad" although the class lives in Services::Cad: the marks are
  // named as the monitoring tools know them.
  static const HandlerNames names("Korvane::Soa::Cad::_2007_06::StructureManagementIiopSkeleton::",
                                  "Korvane::Soa::Cad::_2007_06::StructureManagementImpl::",
                                  "getConfiguredItemRevision", "GetConfiguredItemRevisionResponse");
  return handleRequest<Wire::GetConfiguredItemRevisionInput, StructureManagementIiopSkeleton>(
      names, FailureHandling::passToDispatcher, request,
      [](const Wire::GetConfiguredItemRevisionInput& input) {
        return std::make_tuple(
            Fields::localValue<std::vector<Local::GetConfiguredItemRevisionInfo>>(
                input.getInputArray()));
      },
      [](const std::vector<Local::GetConfiguredItemRevisionInfo>& info) {
        return _service->getConfiguredItemRevision(info);
      });
}

}  // namespace _2007_06
}  // namespace Cad
}  // namespace Services
}  // namespace Korvane
