#pragma once

#include <string_view>

namespace plotaktar {

// True when a file's bytes look saved as UTF-8 rather than windows-1254: the 64 KiB from its
// first byte at or above 0x80 on (an ASCII start of any length does not hide them) are all
// valid UTF-8, with at least one multi-byte sequence. Turkish letters in windows-1254 (0xDD,
// 0xFE, 0xF0 ...) next to ASCII or each other are not valid UTF-8, so a real drawing passes.
bool LooksLikeUtf8(std::string_view bytes);

}  // namespace plotaktar
