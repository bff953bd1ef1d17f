// Guards the structure-writing operations use so that a failing input leaves the store as it
// found it and no BOM window of their own outlives them.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "host/object/bom.h"
#include "host/object/error_store.h"
#include "host/object/ifail.h"
#include "host/object/pom.h"
#include "host/object/tag.h"

namespace Korvane {
namespace Soa {
namespace Cad {

// A host mark point around one input (or one part of it). Unless keep() is called, the host is
// rolled back to it when the guard goes out of scope, undoing every creation, change and
// deletion made since, also those the host makes at once (view and view revision creation,
// arrangements, deleted absolute-occurrence data). The guard is left without keep() only on a
// failure path, so a failing roll-back stays on the error store, where it joins the explanation
// of the failure that caused it.
//
// REQUIRES: BOM windows opened after the mark are closed before the guard rolls back (a window
// the roll-back removes can no longer be closed), and lines of an open window made after the
// mark are no longer used (the roll-back removes them).
class StructureMarkPoint {
 public:
  // Places the mark; raises IFail when the host refuses.
  StructureMarkPoint() {
    ResultStatus status;
    status = POM_place_markpoint(&id_);
  }
  ~StructureMarkPoint() {
    if (id_ != 0) {
      bool changed = false;
      POM_roll_to_markpoint(id_, &changed);
    }
  }
  StructureMarkPoint(const StructureMarkPoint&) = delete;
  StructureMarkPoint& operator=(const StructureMarkPoint&) = delete;

  // The guarded work succeeded: its changes stay (an enclosing mark still covers them). Raises
  // IFail when the host refuses to forget the mark.
  void keep() {
    const int id = id_;
    id_ = 0;
    ResultStatus status;
    status = POM_forget_markpoint(id);
  }

 private:
  int id_ = 0;
};

// An occurrence transform as the host takes it: 16 doubles, a 4x4 matrix row by row. A list of
// any other length names no matrix (padding it or dropping values would write a transform the
// client never sent), so it is refused with the host's invalid-value status.
inline std::array<double, 16> transformMatrix(const std::vector<double>& values) {
  std::array<double, 16> matrix{};
  if (values.size() != matrix.size()) {
    const std::string count = std::to_string(values.size());
    ERROR_store(EMH_severity_error, POM_invalid_value, "occTransform", count.c_str());
    throw IFail(POM_invalid_value);
  }
  for (std::size_t i = 0; i < matrix.size(); ++i) {
    matrix[i] = values[i];
  }
  return matrix;
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
