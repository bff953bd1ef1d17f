// The core base fixture: what every store holds after reset(), before the registered parts.
// It declares no objects, so a saved store loads into a reset one without UID clashes.
namespace host {

extern const char* const kCoreBaseFixture;

const char* const kCoreBaseFixture = R"(<fixture>
  <class name="POM_object"/>
  <class name="ZoltType" parent="POM_object">
    <property name="type_name" type="string" modifiable="false"/>
    <property name="type_class" type="string" modifiable="false"/>
    <property name="parent_type" type="reference" modifiable="false"/>
  </class>
  <class name="User" parent="POM_object">
    <property name="user_id" type="string" modifiable="false"/>
    <property name="user_name" type="string"/>
    <property name="home_folder" type="reference" modifiable="false"/>
    <property name="newstuff_folder" type="reference" modifiable="false"/>
  </class>
  <class name="WorkspaceObject" parent="POM_object">
    <property name="object_name" type="string"/>
    <property name="object_desc" type="string"/>
    <property name="owning_user" type="reference" modifiable="false"/>
    <property name="checked_out_user" type="reference" modifiable="false"/>
  </class>
  <class name="Folder" parent="WorkspaceObject">
    <property name="contents" type="reference" array="true" modifiable="false"/>
  </class>
  <class name="Item" parent="WorkspaceObject">
    <property name="item_id" type="string" modifiable="false"/>
  </class>
  <class name="ItemRevision" parent="WorkspaceObject">
    <property name="item_revision_id" type="string" modifiable="false"/>
    <property name="items_tag" type="reference" modifiable="false"/>
  </class>
  <class name="Dataset" parent="WorkspaceObject">
    <property name="dataset_type" type="reference" modifiable="false"/>
  </class>
  <class name="DatasetType" parent="POM_object">
    <property name="datasettype_name" type="string" modifiable="false"/>
  </class>
  <class name="Form" parent="WorkspaceObject"/>
  <class name="ImanRelation" parent="POM_object">
    <property name="primary_object" type="reference" modifiable="false"/>
    <property name="secondary_object" type="reference" modifiable="false"/>
    <property name="user_data" type="reference" modifiable="false"/>
  </class>
  <class name="CadAttrMappingDefinition" parent="POM_object"/>
  <class name="ListOfValues" parent="POM_object"/>
  <type name="ZoltType" class="ZoltType"/>
  <type name="User" class="User"/>
  <type name="Folder" class="Folder"/>
  <type name="Item" class="Item"/>
  <type name="ItemRevision" class="ItemRevision"/>
  <type name="Dataset" class="Dataset"/>
  <type name="DatasetType" class="DatasetType"/>
  <type name="Form" class="Form"/>
  <type name="ImanRelation" class="ImanRelation"/>
  <type name="CadAttrMappingDefinition" class="CadAttrMappingDefinition"/>
  <type name="ListOfValues" class="ListOfValues"/>
  <message code="7007" text="Not a valid object: %1$."/>
  <message code="7008" text="%1$ is not of class %2$."/>
  <message code="7010" text="There is no class %1$."/>
  <message code="7011" text="The class %2$ has no property %1$."/>
  <message code="7012" text="The value does not fit the property %1$ (value type or number of values)."/>
  <message code="7013" text="&quot;%2$&quot; is not a valid value of the property %1$."/>
  <message code="7014" text="The object %1$ is not locked for modification."/>
  <message code="7015" text="The object %1$ cannot be modified."/>
  <message code="7016" text="There is no mark point %1$."/>
  <message code="7017" text="A required argument of %1$ is missing."/>
  <message code="7018" text="The UID %1$ is already in use."/>
  <message code="7019" text="The counter %1$ has reached %2$, the highest number it hands out; no further id or UID can be made from it."/>
  <message code="7020" text="The property %1$ of %2$ cannot be modified: the host keeps it."/>
</fixture>
)";

}  // namespace host
