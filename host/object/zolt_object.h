// The host's object classes, as C++ types for typed references (POMRef<T>, EIMRef<T>).
//
// An instance is a view of one store object: it holds the tag and nothing else, so it never
// dangles; what it answers comes from the store at the time of the call. Each class names the
// host class it stands for (kHostClassName); a typed reference checks that its object is of
// that class or of a class derived from it before it makes the view. Host modules add
// classes (and methods) in files of their own.
#pragma once

#include <string>

#include "framework/visibility.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

class PropertyDescriptor;

class ZoltObject {
 public:
  static constexpr const char* kHostClassName = "POM_object";

  explicit ZoltObject(Tag tag) : tag_(tag) {}
  ZoltObject(const ZoltObject&) = default;
  ZoltObject& operator=(const ZoltObject&) = default;
  virtual ~ZoltObject() = default;

  const Tag& tag() const { return tag_; }
  // The name of the object's host class; empty when the tag names no live object.
  std::string className() const;

 private:
  Tag tag_;
};

class WorkspaceObject : public ZoltObject {
 public:
  static constexpr const char* kHostClassName = "WorkspaceObject";
  using ZoltObject::ZoltObject;
};

class Folder : public WorkspaceObject {
 public:
  static constexpr const char* kHostClassName = "Folder";
  using WorkspaceObject::WorkspaceObject;
};

class Item : public WorkspaceObject {
 public:
  static constexpr const char* kHostClassName = "Item";
  using WorkspaceObject::WorkspaceObject;
};

class ItemRevision : public WorkspaceObject {
 public:
  static constexpr const char* kHostClassName = "ItemRevision";
  using WorkspaceObject::WorkspaceObject;
};

// A persistent item revision, as the structure services name it.
using ZoltItemRevP = ItemRevision;

class Dataset : public WorkspaceObject {
 public:
  static constexpr const char* kHostClassName = "Dataset";
  using WorkspaceObject::WorkspaceObject;
};

class Form : public WorkspaceObject {
 public:
  static constexpr const char* kHostClassName = "Form";
  using WorkspaceObject::WorkspaceObject;
};

class ImanRelation : public ZoltObject {
 public:
  static constexpr const char* kHostClassName = "ImanRelation";
  using ZoltObject::ZoltObject;
};

class User : public ZoltObject {
 public:
  static constexpr const char* kHostClassName = "User";
  using ZoltObject::ZoltObject;

  // The user's folder for new objects ("newstuff_folder") and home folder ("home_folder");
  // null when the user has none or it is not a live folder (session.cpp).
  Tag newstuffFolder() const;
  Tag homeFolder() const;
};

class ZoltType : public ZoltObject {
 public:
  static constexpr const char* kHostClassName = "ZoltType";
  using ZoltObject::ZoltObject;

  // The descriptor of the property `name` of this type's objects (host-owned, see
  // host/object/property.h): the one declared for this type or its nearest ancestor type, else
  // the one derived from the type's class; null (status 0) when the class has no such property.
  int askPropertyDescriptor(const char* name, PropertyDescriptor** descriptor) const;
};

class CadAttrMappingDefinition : public ZoltObject {
 public:
  static constexpr const char* kHostClassName = "CadAttrMappingDefinition";
  using ZoltObject::ZoltObject;
};

class ListOfValues : public ZoltObject {
 public:
  static constexpr const char* kHostClassName = "ListOfValues";
  using ZoltObject::ZoltObject;

  // The names of the properties whose values depend on this list's (host array of strings, one
  // block), in the list's order.
  int askInterdependents(int* count, char*** names) const;
};

SOACAD_API_END
