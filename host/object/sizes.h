// Sizes of the host's fixed name buffers. A caller passes a buffer of size + 1 characters; the
// host never writes more than that (a longer stored name is cut at the size).
#pragma once

#include <string>

enum : int {
  // Type names (ZOLTTYPE_ask_name, ITEM_ask_type, AE_ask_datasettype_name).
  ZOLTTYPE_name_size_c = 32,
  // Workspace object names (WSOM_ask_name).
  WSO_name_size_c = 32,
  // Item ids and revision ids.
  ITEM_id_size_c = 32,
  // Class names.
  POM_class_name_size_c = 32,
};

namespace host {

// Copies `text` into `buffer` of `size` + 1 characters, cut at `size`, always terminated.
void copyName(const std::string& text, char* buffer, int size);

}  // namespace host
