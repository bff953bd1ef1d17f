// The StructureManagement 2007-06 skeleton: the one-entry operation table through which the host
// reaches getConfiguredItemRevision, its request handler, and the conversions between its wire
// records (Structuremanagement 2007-06, generated from structuremanagement_2007_06.records) and
// the service's local records (structuremanagement/structure_management.h).
#pragma once

#include <string>

#include "framework/iiop_skeleton.h"
#include "framework/visibility.h"
#include "skeletons/service_ownership.h"
#include "skeletons/structuremanagement/structuremanagement_2007_06_records.h"
#include "structuremanagement/structure_management.h"

namespace Korvane {
namespace Services {
namespace Cad {
namespace _2007_06 {

class StructureManagementIiopSkeletonTestAccess;

// The skeleton's short service name is "StructureManagement", the same as the 2007-01
// skeleton's; the registries know it by its full name "Cad-2007-06-StructureManagement"
// (skeletons/startup.cpp).
//
// Ownership: `_service` and the policy that initialize() makes belong to the skeletons of this
// class together (skeletons/service_ownership.h).
//
// The handler catches nothing: every failure of a request reaches the dispatcher.
class SOACAD_API StructureManagementIiopSkeleton
    : public Korvane::Soa::Internal::Server::IiopSkeleton {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_06::StructureManagement;

  // Service name "StructureManagement" and the operation "getConfiguredItemRevision".
  StructureManagementIiopSkeleton();
  StructureManagementIiopSkeleton(const StructureManagementIiopSkeleton& other);
  StructureManagementIiopSkeleton& operator=(const StructureManagementIiopSkeleton& other);
  ~StructureManagementIiopSkeleton() override;

  // Sets `_servicePolicy` (SkeletonOwnership::choosePolicy).
  void initialize() override;

  // Conversions by the rules of skeletons/field_conversions.h, generated from the records
  // marked `local` in structuremanagement_2007_06.records. The input's `object` crosses as a
  // bare tag; every other object as a reference whose object is not loaded yet.
  static StructureManagement::GetConfiguredItemRevisionInfo toLocal(
      Korvane::Schemas::Cad::_2007_06::Structuremanagement::GetConfiguredItemRevisionInfo wire);
  static Korvane::Schemas::Cad::_2007_06::Structuremanagement::GetConfiguredItemRevisionInfo toWire(
      StructureManagement::GetConfiguredItemRevisionInfo local);
  static StructureManagement::GetConfiguredItemRevisionOutput toLocal(
      Korvane::Schemas::Cad::_2007_06::Structuremanagement::GetConfiguredItemRevisionOutput wire);
  static Korvane::Schemas::Cad::_2007_06::Structuremanagement::GetConfiguredItemRevisionOutput
  toWire(StructureManagement::GetConfiguredItemRevisionOutput local);
  // The outputs in order, then the service data (getNotifications(), inflateProperties(),
  // getWireData(), in that order).
  static Korvane::Schemas::Cad::_2007_06::Structuremanagement::GetConfiguredItemRevisionResponse
  toWire(StructureManagement::GetConfiguredItemRevisionResponse local);

 private:
  // Start-up sets `_service`; tests may put a stand-in service in its place.
  friend class Korvane::Services::ServiceStartup;
  friend class StructureManagementIiopSkeletonTestAccess;

  // The request handler: request text in, reply text out.
  static std::string getConfiguredItemRevision(const std::string& request);

  // The service singleton, made at load (skeletons/startup.cpp).
  static Korvane::Soa::Cad::_2007_06::StructureManagementImpl* _service;
  // The service's policy; null before initialize().
  static Korvane::Soa::Server::ServicePolicy* _servicePolicy;
};

}  // namespace _2007_06
}  // namespace Cad
}  // namespace Services
}  // namespace Korvane
