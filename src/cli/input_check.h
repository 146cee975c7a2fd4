#pragma once

#include <string>

namespace plotaktar::cli {

// Why `path` cannot be read as an input file, or the empty text when it can: it must exist, be
// a regular file and open for reading. The check opens without blocking, so a FIFO or a device
// never makes it wait.
std::string UnreadableCause(const std::string& path);

// True when `a` and `b` name the same existing file (same device and inode).
bool SameExistingFile(const std::string& a, const std::string& b);

}  // namespace plotaktar::cli
