// The host calls a service's operations by their virtual slot: each operation of the three
// service interfaces sits at its slot, counted from 0 in the published order, with nothing
// (a destructor included) before them.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <string>

#include "datamanagement/data_management.h"
#include "structuremanagement/structure_management.h"

namespace {

// The slot a pointer to a virtual member function names. The C++ ABI used here (x86-64,
// Itanium) represents it as 1 + the slot's byte offset in the virtual table, then an
// adjustment of `this`; -1 for a pointer to a function that is not virtual.
template <class Member>
std::ptrdiff_t slotOf(Member member) {
  static_assert(sizeof(Member) == 2 * sizeof(std::ptrdiff_t), "not an Itanium member pointer");
  std::ptrdiff_t words[2];
  std::memcpy(words, &member, sizeof words);
  if ((words[0] & 1) == 0) {
    return -1;
  }
  return (words[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

struct Slot {
  const char* operation;
  std::ptrdiff_t slot;
};

TEST(ServiceInterfaceSlotsTest, EveryOperationSitsAtItsSlotInThePublishedOrder) {
  using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
  using Configured = Korvane::Soa::Cad::_2007_06::StructureManagement;
  const std::initializer_list<std::initializer_list<Slot>> services = {
      {
          {"getAvailableTypes", slotOf(&DataManagement::getAvailableTypes)},
          {"generateAlternateIds", slotOf(&DataManagement::generateAlternateIds)},
          {"createOrUpdateParts", slotOf(&DataManagement::createOrUpdateParts)},
          {"expandGRMRelations", slotOf(&DataManagement::expandGRMRelations)},
          {"expandPrimaryObjects", slotOf(&DataManagement::expandPrimaryObjects)},
          {"expandFoldersForCAD", slotOf(&DataManagement::expandFoldersForCAD)},
          {"createOrUpdateRelations", slotOf(&DataManagement::createOrUpdateRelations)},
          {"getAllAttrMappings", slotOf(&DataManagement::getAllAttrMappings)},
          {"getAttrMappingsForDatasetType", slotOf(&DataManagement::getAttrMappingsForDatasetType)},
          {"resolveAttrMappingsForDataset", slotOf(&DataManagement::resolveAttrMappingsForDataset)},
      },
      {
          {"createOrUpdateRelativeStructure",
           slotOf(&StructureManagement::createOrUpdateRelativeStructure)},
          {"deleteRelativeStructure", slotOf(&StructureManagement::deleteRelativeStructure)},
          {"createOrUpdateAbsoluteStructure",
           slotOf(&StructureManagement::createOrUpdateAbsoluteStructure)},
          {"expandPSOneLevel", slotOf(&StructureManagement::expandPSOneLevel)},
          {"expandPSAllLevels", slotOf(&StructureManagement::expandPSAllLevels)},
          {"createBOMWindows", slotOf(&StructureManagement::createBOMWindows)},
          {"closeBOMWindows", slotOf(&StructureManagement::closeBOMWindows)},
          {"deleteAssemblyArrangements", slotOf(&StructureManagement::deleteAssemblyArrangements)},
          {"getRevisionRules", slotOf(&StructureManagement::getRevisionRules)},
          {"getVariantRules", slotOf(&StructureManagement::getVariantRules)},
      },
      {{"getConfiguredItemRevision", slotOf(&Configured::getConfiguredItemRevision)}},
  };
  for (const auto& slots : services) {
    std::ptrdiff_t expected = 0;
    for (const Slot& slot : slots) {
      EXPECT_EQ(slot.slot, expected++) << slot.operation;
    }
  }
}

}  // namespace
