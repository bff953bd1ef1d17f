// The host's product-structure object classes, as C++ types for typed references (POMRef<T>,
// EIMRef<T>): views of store objects, like those of zolt_object.h. Their methods are host
// calls: they return a status (on failure the code is also on the error store), are logged and
// can be made to fail under "<class>::<method>" (host/object/host_call.h). Defined in bom.cpp.
#pragma once

#include "framework/visibility.h"
#include "host/object/tag.h"
#include "host/object/zolt_object.h"

SOACAD_API_BEGIN

// An open BOM window: a configured view of one product structure (host/object/bom.h).
class BOMWindow : public ZoltObject {
 public:
  static constexpr const char* kHostClassName = "BOMWindow";
  using ZoltObject::ZoltObject;

  // In absolute-occurrence edit mode the attribute values, quantity, transform and notes of a
  // line below the context line are written as overrides of its absolute occurrence.
  int setAbsOccEditMode(bool on) const;
  // The line whose structure is the context of absolute occurrences: a line of this window
  // (BOM_line_not_in_window otherwise), or null for the top line.
  int setCtxtLine(Tag line) const;
  // Ignoring arrangements, absolute-occurrence data are read and written under the view
  // revision's own qualifier even when an arrangement is active.
  int setIgnoreArrangements(bool ignore) const;
};

// A line of a BOM window: one configured occurrence (or the top line).
class BOMLine : public ZoltObject {
 public:
  static constexpr const char* kHostClassName = "BOMLine";
  using ZoltObject::ZoltObject;

  // Sets the quantity: as required (the quantity is then ignored), a positive quantity, or,
  // with 0.0, none (one). BOM_invalid_quantity for a negative or non-finite one;
  // BOM_line_has_no_occurrence for the top line.
  int setQuantity(bool asRequired, double quantity) const;
  // Reads a quantity text: "AR" (any case) is as required, a positive number a quantity, the
  // empty text none (false, 0.0). BOM_invalid_quantity for anything else. Changes nothing.
  int parseQuantity(const char* text, bool* asRequired, double* quantity) const;
  // Sets the occurrence transform: 16 values, a 4x4 matrix row by row. `flag` is accepted for
  // the callers' units convention and does not change what is stored. POM_invalid_value for
  // a value that is not finite.
  int setTransform(const double matrix[16], int flag) const;
};

// A line for a generic design element (not an item revision).
class GDELine : public BOMLine {
 public:
  static constexpr const char* kHostClassName = "GDELine";
  using BOMLine::BOMLine;

  // The class id of GDE lines, for POMObject::isInstanceOf.
  static Tag object_class_id();
};

// The thread that keeps one occurrence of a child in a BOM view across its revisions.
class PSOccurrenceThread : public ZoltObject {
 public:
  static constexpr const char* kHostClassName = "PSOccurrenceThread";
  using ZoltObject::ZoltObject;
};

// An occurrence in the context of a top assembly, identified by the path of occurrences to it.
class AbsOccurrence : public ZoltObject {
 public:
  static constexpr const char* kHostClassName = "AbsOccurrence";
  using ZoltObject::ZoltObject;
};

// A named set of absolute-occurrence overrides of an assembly.
class AssemblyArrangement : public WorkspaceObject {
 public:
  static constexpr const char* kHostClassName = "AssemblyArrangement";
  using WorkspaceObject::WorkspaceObject;
};

// A variant rule: option values that configure a structure.
class VariantRule : public WorkspaceObject {
 public:
  static constexpr const char* kHostClassName = "VariantRule";
  using WorkspaceObject::WorkspaceObject;
};

SOACAD_API_END
