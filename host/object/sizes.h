// Sizes of the host's fixed name buffers. A caller passes a buffer of size + 1 characters; the
// host never writes more than that (a longer stored name is cut at the size).
#pragma once

#include <cstddef>
#include <cstring>
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

// The name helpers are inline: a library that cuts names as the host does compiles them into
// itself rather than calling the host for them.
namespace host {

// The length of the longest prefix of `text` of at most `size` bytes that ends at a UTF-8
// character boundary: a cut never leaves half a multi-byte character behind it.
inline std::size_t utf8PrefixLength(const std::string& text, std::size_t size) {
  if (text.size() <= size) {
    return text.size();
  }
  // Step back over continuation bytes (10xxxxxx) to the start of the character that the cut
  // would split; that start is where the prefix ends.
  std::size_t length = size;
  while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0U) == 0x80U) {
    --length;
  }
  return length;
}

// The length in bytes of the first `characters` UTF-8 characters of `text` (all of it when it
// holds fewer): names limited to a number of characters are cut here, never inside one.
inline std::size_t utf8CharacterPrefixLength(const std::string& text, std::size_t characters) {
  std::size_t length = 0;
  for (std::size_t seen = 0; length < text.size(); ++length) {
    // Every byte but a continuation byte (10xxxxxx) starts a character.
    if ((static_cast<unsigned char>(text[length]) & 0xC0U) != 0x80U && seen++ == characters) {
      break;
    }
  }
  return length;
}

// Copies `text` into `buffer` of `size` + 1 characters, always terminated; a longer text is cut
// to its longest prefix of at most `size` bytes that ends at a character boundary.
inline void copyName(const std::string& text, char* buffer, int size) {
  const std::size_t length = utf8PrefixLength(text, static_cast<std::size_t>(size));
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
}

// `text` cut as copyName cuts it: the name the host keeps of a longer given name.
inline std::string cutName(const std::string& text, int size) {
  return text.substr(0, utf8PrefixLength(text, static_cast<std::size_t>(size)));
}

}  // namespace host
