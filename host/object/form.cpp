#include "host/object/form.h"

#include <string>

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/store.h"

namespace {

const host::BaseFixturePart kFormMessages("form", R"(<fixture>
  <message code="47001" text="%1$ is not a form type."/>
</fixture>)");

}  // namespace

int FORM_create(const char* name, const char* description, const char* typeName, Tag* form) {
  if (typeName == nullptr || form == nullptr) {
    return host::missingArgument("FORM_create");
  }
  *form = NULLTAG;
  HOST_CALL("FORM_create", NULLTAG);
  host::Store& store = host::Store::instance();
  const Tag type = store.findType(typeName);
  const Tag formClass = store.classId(store.typeClassName(type));
  if (type == NULLTAG || !store.isDescendant(store.classId("Form"), formClass)) {
    return host::storeError(FORM_invalid_form_type, {typeName});
  }
  Tag created;
  if (const int status = store.createObject(formClass, type, &created)) {
    return status;
  }
  for (const auto& [property, text] :
       {std::pair<const char*, const char*>{"object_name", name},
        std::pair<const char*, const char*>{"object_desc", description}}) {
    if (text != nullptr && *text != '\0') {
      store.write(created, property, host::Value{{text}, {}}, host::WriteMode::initial);
    }
  }
  if (store.currentUser() != NULLTAG) {
    store.write(created, "owning_user", host::Value{{}, {store.currentUser()}},
                host::WriteMode::initial);
  }
  *form = created;
  return 0;
}
