#pragma once

// A file's name inside a message of the program, whose texts are windows-1254 bytes.

#include <string>
#include <string_view>

namespace plotaktar {

// The last part of `path` (after its last folder separator) as windows-1254: a name
// of valid UTF-8 (as Linux and the Windows build hand names over) is encoded, a character the
// code page lacks becoming "?"; any other name is taken to be windows-1254 already.
std::string FileNameInMessage(std::string_view path);

}  // namespace plotaktar
