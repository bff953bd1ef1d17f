// Texts of the DataManagement service's own codes that no host module of their own holds: the
// type and relation-type lookups shared by several operations, the relation checks and the
// expansions.
#include "host/object/store.h"

namespace {

const host::BaseFixturePart kDataManagementMessages("soacad_data_management", R"(<fixture>
  <message code="215022" text="The type %1$ was not found."/>
  <message code="215028" text="There is no relation type %1$ to collect related objects by."/>
  <message code="215050" text="The relation type %1$ was not found."/>
  <message code="215051" text="The primary object %1$ is not a valid object."/>
  <message code="215053" text="The user data %1$ is not a valid object."/>
  <message code="215054" text="The relation %1$ is not a valid object."/>
  <message code="215055" text="The relation to be created exists already."/>
  <message code="215060" text="No relation filter was given."/>
  <message code="215062" text="The primary object %1$ could not be loaded."/>
  <message code="215066" text="The outputs would list more than %1$ objects and lists of objects, the most one call may list (%2$); ask for fewer objects or filters at a time."/>
  <message code="215067" text="The ids of this input would take more than %1$ bytes with those of the inputs before it, the most one call may generate (%2$); ask for fewer or shorter ids at a time."/>
  <message code="215121" text="The folder %1$ could not be loaded."/>
  <message code="215131" text="The object %1$ could not be loaded."/>
</fixture>)");

}  // namespace
