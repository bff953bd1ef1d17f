// The host's product-structure object classes, as C++ types for typed references (POMRef<T>,
// EIMRef<T>): views of store objects, like those of zolt_object.h.
#pragma once

#include "host/object/zolt_object.h"

// An open BOM window: a configured view of one product structure.
class BOMWindow : public ZoltObject {
 public:
  static constexpr const char* kHostClassName = "BOMWindow";
  using ZoltObject::ZoltObject;
};

// A line of a BOM window: one configured occurrence (or the top line).
class BOMLine : public ZoltObject {
 public:
  static constexpr const char* kHostClassName = "BOMLine";
  using ZoltObject::ZoltObject;
};

// A line for a generic design element (not an item revision).
class GDELine : public BOMLine {
 public:
  static constexpr const char* kHostClassName = "GDELine";
  using BOMLine::BOMLine;
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
