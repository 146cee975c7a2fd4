#pragma once

#include <string>
#include <string_view>

namespace plotaktar::win {

// The window's texts for the Windows calls, which take UTF-16.

// Windows-1254 bytes (a cell, a command's message) as UTF-16; at most `maxChars` characters
// are converted, and a longer text ends in "…".
std::wstring WideFromCp1254(std::string_view bytes, size_t maxChars = std::wstring::npos);

// The program's own UTF-8 texts (captions, titles) and the core's paths as UTF-16; empty for
// bytes that are no UTF-8.
std::wstring WideFromUtf8(std::string_view utf8);

}  // namespace plotaktar::win
