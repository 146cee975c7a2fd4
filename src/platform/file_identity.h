// Which file a path names, whatever name it is reached by: the same file through a link, a
// second hard link, "./" or another spelling has the same identity.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace plotaktar::platform {

// The device (a volume's serial number on Windows) and the file's number on it.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t file = 0;

    bool operator==(const FileIdentity&) const = default;
};

// The identity of the existing file `path` names, symbolic links followed; nothing when there is
// no such file or it cannot be looked at.
std::optional<FileIdentity> FileIdentityOf(const std::string& path);

}  // namespace plotaktar::platform
