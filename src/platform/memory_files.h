// Input files held in memory under the paths they are read by. While a MemoryFiles exists, the
// reading of input files (ReadRegularFile, UnreadableCause) finds its files and only its files:
// a path it does not hold is a file that does not exist. The fuzz targets drive the path-driven
// import this way without writing a file per input; everything after the read is unchanged.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/byte_buffer.h"
#include "platform/files.h"

namespace plotaktar::platform {

class MemoryFiles {
  public:
    // Takes the place of the system's files (or of the MemoryFiles before it) until destroyed.
    MemoryFiles();
    ~MemoryFiles();
    MemoryFiles(const MemoryFiles&) = delete;
    MemoryFiles& operator=(const MemoryFiles&) = delete;

    // Creates or replaces the file at `path` with a copy of `bytes`.
    void put(const std::string& path, std::string_view bytes);
    void remove(const std::string& path);

    // The files in use, or null when input files come from the system.
    static const MemoryFiles* active();

    // A fresh buffer with the file's bytes, read as a file is read; nothing when there is none,
    // and then, given `failure`, a file that does not exist there.
    std::optional<SharedBytes> read(const std::string& path, OpenFailure* failure) const;
    // As UnreadableCause: empty for a file it holds, "No such file or directory" otherwise.
    std::string unreadableCause(const std::string& path) const;

  private:
    std::map<std::string, std::string, std::less<>> files_;
    MemoryFiles* previous_;
};

}  // namespace plotaktar::platform
