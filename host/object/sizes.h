// Sizes of the host's fixed name buffers. A caller passes a buffer of size + 1 characters; the
// host never writes more than that (a longer stored name is cut at the size).
#pragma once

#include <cstddef>
#include <string>

#include "framework/visibility.h"

SOACAD_API_BEGIN

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

// The length of the longest prefix of `text` of at most `size` bytes that ends at a UTF-8
// character boundary: a cut never leaves half a multi-byte character behind it.
std::size_t utf8PrefixLength(const std::string& text, std::size_t size);

// The length in bytes of the first `characters` UTF-8 characters of `text` (all of it when it
// holds fewer): names limited to a number of characters are cut here, never inside one.
std::size_t utf8CharacterPrefixLength(const std::string& text, std::size_t characters);

// Copies `text` into `buffer` of `size` + 1 characters, always terminated; a longer text is cut
// to its longest prefix of at most `size` bytes that ends at a character boundary.
void copyName(const std::string& text, char* buffer, int size);

// `text` cut as copyName cuts it: the name the host keeps of a longer given name.
std::string cutName(const std::string& text, int size);

}  // namespace host

SOACAD_API_END
