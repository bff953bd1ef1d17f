// Properties as objects of their own: property descriptors, property handles and the host
// objects behind tags.
//
// A property descriptor describes one property of a type: its name, display name, initial
// value, value-type and property-type codes, flags, limits and list of values. Descriptors come
// from two places:
// - store objects of class "PropertyDescriptor" that a fixture declares (the properties below),
//   for example the descriptor of an attribute mapping (ATTRMAP_ask_propdesc) or of a property
//   of a type ("owning_type");
// - otherwise, for ZoltType::askPropertyDescriptor, the definition of the property in the
//   type's class, from which the host derives a descriptor (codes below, no list of values).
//
// A property handle is a tag that stands for one property of one object (what a resolution of
// an attribute mapping answers). Handles are not persistent objects: they are numbered apart
// from the store's tags (kPropertyTagBase and up), are never valid objects (Tag::isValid fails)
// and last until the next reset. The same object and name always give the same handle.
//
// Descriptors and host objects handed out by pointer belong to the host (the caller must not
// delete them) and stay usable until the next reset; a ListOfValues handed out by
// PropertyDescriptor::askListOfValues belongs to the caller.
//
// Fixture form of a descriptor (every property optional; "max_values" null reads as 1):
//   <object uid="pd.1" class="PropertyDescriptor">
//     <prop name="property_name" value="object_desc"/>  <prop name="display_name" .../>
//     <prop name="initial_value" .../>  <prop name="value_type" value="8"/>
//     <prop name="property_type" value="1"/>  <prop name="displayable" value="true"/>
//     <prop name="required" .../>  <prop name="enabled" .../>  <prop name="modifiable" .../>
//     <prop name="max_values" value="1"/>  <prop name="max_length" value="240"/>
//     <prop name="lov" value="lov.1"/>  <prop name="lov_attach_specifier" value="2"/>
//     <prop name="owning_type" value="type.ItemRevision"/>
//   </object>
// and of a list of values: <object uid="lov.1" class="ListOfValues"> with the string array
// "interdependent_properties".
#pragma once

#include <cstdint>
#include <string>

#include "framework/visibility.h"
#include "host/object/tag.h"
#include "host/object/zolt_object.h"

SOACAD_API_BEGIN

enum : int {
  // Value-type codes of derived descriptors. A fixture's descriptor may carry any code.
  PROP_value_date = 2,
  PROP_value_double = 3,
  PROP_value_int = 5,
  PROP_value_logical = 6,
  PROP_value_string = 8,
  // An object reference (a list of objects when the property is an array).
  PROP_value_reference = 9,
};

enum : int {
  // Property-type codes of derived descriptors.
  PROP_type_attribute = 1,
  PROP_type_reference = 2,
};

// A view of a property descriptor, owned by the host (see the file comment). Queries that
// answer a status start like host calls (call log, fault plan: "PropertyDescriptor::<name>");
// the plain getters read the store and cannot fail.
class PropertyDescriptor {
 public:
  // The descriptor object `descriptor`. POM_invalid_tag unless it is a live descriptor.
  static int askPropertyDescriptor(Tag descriptor, PropertyDescriptor** result);

  // The descriptor object; null for a descriptor derived from a class definition.
  const Tag& tag() const { return tag_; }

  std::string name() const;
  int valueType() const;
  int propertyType() const;
  // 1 for a single value; any other number for a list (0 or less: no limit).
  int maxNumberOfElements() const;
  // 0: no limit.
  int maxStringLength() const;
  bool isRequired() const;
  bool isEnabled() const;
  bool isModifiable() const;
  // The attach specifier of the list of values; 0 without one.
  int askLOVAttachSpecifier() const;

  // The display name (the property name when none is set).
  int presentationName(std::string* displayName) const;
  int isDisplayable(bool* displayable) const;
  // A new view of the attached list of values, owned by the caller; null when there is none.
  // POM_invalid_tag when the descriptor names a list of values that is not valid.
  int askListOfValues(ListOfValues** lov) const;

  // Host-internal: made by the host's lookups only.
  PropertyDescriptor(Tag descriptor, Tag classId, const std::string& propertyName)
      : tag_(descriptor), classId_(classId), propertyName_(propertyName) {}

 private:
  Tag tag_;
  // Derived descriptors only: the class defining the property, and its name.
  Tag classId_;
  std::string propertyName_;
};

// A view of a host object, owned by the host (see PROP_ask_object).
class EIMObject : public ZoltObject {
 public:
  using ZoltObject::ZoltObject;
  // The object's type.
  int askTypeTag(Tag* type) const;
};

// The host object of `tag`: for an object tag the object itself, for a property handle the
// object the property belongs to. POM_invalid_tag when there is no live object.
int PROP_ask_object(Tag tag, EIMObject** object);
// The name of the property that a handle stands for (host string). POM_invalid_tag for a tag
// that is not a property handle.
int PROP_ask_name(Tag property, char** name);
// The initial value of a descriptor object (host string); null when it has none.
int PROPDESC_ask_prule_init_value(Tag descriptor, char** value);

namespace host {

// Property handles are numbered from here; the store never hands out tags this high.
constexpr std::uint32_t kPropertyTagBase = 0x80000000u;

// The handle of the property `name` of `object` (made on first request).
Tag propertyTag(Tag object, const std::string& name);

}  // namespace host

SOACAD_API_END
