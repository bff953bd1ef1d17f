// What the structure-writing operations share besides their caches: the transform a client
// sends, the attributes of a line as both occurrence kinds take them, and the clean-up of an
// operation's window. A failing input is undone with a host mark point
// (MarkPoint, datamanagement/operation_support.h).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "host/object/ifail.h"
#include "host/object/pom_ref.h"
#include "host/object/structure_objects.h"
#include "host/object/tag.h"
#include "structuremanagement/structure_caches.h"
#include "structuremanagement/structure_management.h"

namespace Korvane {
namespace Soa {
namespace Cad {

// An occurrence transform as the host takes it: 16 doubles, a 4x4 matrix row by row. A list of
// any other length names no matrix (padding it or dropping values would write a transform the
// client never sent), so it is refused with the host's invalid-value status.
std::array<double, 16> transformMatrix(const std::vector<double>& values);

// Writes attributes of `line` as both occurrence kinds take them: with `asRequired` the
// quantity is made "as required" first; then each attribute in order, "bl_quantity" (unless
// `asRequired`) through the line's quantity parser and setter, since its value is a quantity
// text rather than a string to store, and any other as its string through `attributes`. Raises
// IFail at the first failure.
void setLineAttributes(const POMRef<BOMLine>& bomLine, BomLineAttributeHelper& attributes,
                       bool asRequired,
                       const std::vector<_2007_01::StructureManagement::AttributesInfo>& toSet);

// What the host deletes or changes besides `occurrence` when a window's save deletes it (a cut
// occurrence): the absolute occurrences whose path holds it go (their UIDs are appended to
// `deletedUids`), and the arrangements whose used-arrangement entries go through it lose those
// entries (appended to `changedArrangements`). Asked before the cut, while the occurrence still
// names them; raises IFail when the host cannot answer.
void collectWhatGoesWith(Tag occurrence, std::vector<std::string>& deletedUids,
                         std::vector<Tag>& changedArrangements);

// Closes `window` when one is open. It is set to null first, so that a window the host refuses
// to close is not closed again by a later clean-up. Raises IFail when the host refuses.
void closeWindow(Tag& window);

// Runs `cleanup`, which closes an operation's window, on a failure path: a failing close stays
// on the error store, where it joins the explanation of the failure being handled, and that
// failure is the one that goes on.
template <class Cleanup>
void cleanupAfterFailure(Cleanup&& cleanup) {
  try {
    cleanup();
  } catch (IFail&) {
  }
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
