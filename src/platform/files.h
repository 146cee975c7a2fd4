// What the program needs of the system's files, in one place: a POSIX and a Win32 implementation
// are chosen at build time. Paths are the program's own bytes (UTF-8 on Windows, where they are
// handed to the system as UTF-16).
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "platform/byte_buffer.h"

namespace plotaktar::platform {

// The characters that end a folder's name inside a path.
#ifdef _WIN32
inline constexpr std::string_view kPathSeparators = "/\\";
#else
inline constexpr std::string_view kPathSeparators = "/";
#endif

// Reads a whole input file into one buffer. Only a regular file can be opened: a directory, a
// pipe or a device counts as a file that cannot be opened, and nothing waits on it. Returns
// nothing when the file cannot be opened. A read error part way keeps the complete lines read
// before it (those that end in CR, with the LF behind it).
std::optional<SharedBytes> ReadRegularFile(const std::string& path);

// Why `path` cannot be read as an input file, or the empty text when it can: it must exist, be
// a regular file and open for reading. The causes read as the C library words them on Linux
// ("No such file or directory", "Permission denied", "Is a directory", "not a regular file").
std::string UnreadableCause(const std::string& path);

// True when `a` and `b` name the same existing file (same device and file number).
bool SameExistingFile(const std::string& a, const std::string& b);

// Opens `path` for writing bytes, created or truncated. Returns null with errno set on failure.
std::FILE* OpenForWriting(const std::string& path);

}  // namespace plotaktar::platform
