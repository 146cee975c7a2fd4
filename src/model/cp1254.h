#pragma once

#include <string>
#include <string_view>

namespace plotaktar {

// The Unicode code point of one windows-1254 byte, by the WHATWG Encoding Standard's
// mapping (the bytes the code page leaves undefined map to the code point of the same value).
char16_t Cp1254ToUnicode(unsigned char byte);

// Decodes windows-1254 bytes to UTF-8.
std::string Utf8FromCp1254(std::string_view bytes);

// Encodes UTF-8 text as windows-1254; a character the code page lacks becomes "?".
// Used for the program's own Turkish texts, which are written as UTF-8 in the sources.
std::string Cp1254FromUtf8(std::string_view utf8);

}  // namespace plotaktar
