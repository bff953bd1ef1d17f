// Texts of the structure services' own codes in the host's message store.
#include "host/object/store.h"

namespace {

const host::BaseFixturePart kStructureMessages("soacad_structure", R"(<fixture>
  <message code="215000" text="There is no BOM view type &quot;%1$&quot; (bomViewTypeName)."/>
  <message code="215002" text="The absolute occurrence is shown by no line, or by several lines, of the window."/>
  <message code="215003" text="The used arrangement names no arrangement of this request."/>
  <message code="215004" text="No BOM line answers the absolute occurrence or its path."/>
  <message code="215005" text="The BOM view revision %1$ is not checked out."/>
  <message code="215006" text="The BOM view revision %1$ cannot be modified by this user."/>
  <message code="215040" text="The parent %1$ is not a valid object."/>
  <message code="215041" text="The parent %1$ is not an item revision."/>
  <message code="215042" text="The item revision %1$ has no item."/>
  <message code="215043" text="The revision %2$ of the item %1$ has no BOM view revision."/>
  <message code="215044" text="The item %2$ has no BOM view of the type %1$."/>
  <message code="215046" text="The input names no CAD occurrence ids to delete."/>
  <message code="215047" text="No line of the structure carries a CAD occurrence id."/>
  <message code="215048" text="No line carries the CAD occurrence id %1$."/>
  <message code="215140" text="The absolute occurrence is given neither by a path nor by an object."/>
  <message code="215160" text="The BOM view revision %1$ of %2$ contains itself; it is listed but not expanded again."/>
  <message code="215161" text="The child %1$ contains the parent %2$ in its structure; a structure cannot contain itself."/>
  <message code="215162" text="The arrangement %1$ does not belong to the BOM view revision %2$."/>
  <message code="215163" text="No absolute occurrence was made for the data written to the line %1$."/>
  <message code="215164" text="The expansion would list more than %1$ BOM lines, the most one call may list (%2$); expand fewer lines or fewer levels at a time."/>
  <message code="215150" text="The configured item revision could not be found."/>
  <message code="710043" text="The revision rule's override entries cannot take the given override folders."/>
  <message code="710044" text="The revision rule has no value of the kind requested."/>
</fixture>)");

}  // namespace
