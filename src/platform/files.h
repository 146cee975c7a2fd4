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

// Why an input file cannot be opened: the few kinds a user is told in their own language, and
// the cause as UnreadableCause words it.
struct OpenFailure {
    enum class Kind {
        NoSuchFile,    // neither the file nor (a part of) its folder exists
        AccessDenied,  // the system refuses to open it for reading
        Folder,        // it is a folder
        Unreadable,    // anything else: a device, a pipe, a name the system takes for no file
    };
    Kind kind = Kind::Unreadable;
    std::string cause;

    bool operator==(const OpenFailure&) const = default;
};

// Reads a whole input file into one buffer. Only a regular file can be opened: a directory, a
// pipe or a device counts as a file that cannot be opened, and nothing waits on it. Returns
// nothing when the file cannot be opened, and then, given `failure`, says why there. A file
// that opened but is not read whole as one version of it throws InputReadError: a read error
// part way, fewer or more bytes than its size said (a size of 0 says nothing on Linux, where
// /proc's files report it), or a size, modification time or file
// (device and inode, or volume and file index) at its path that differs after the reading
// from before it.
std::optional<SharedBytes> ReadRegularFile(const std::string& path, OpenFailure* failure = nullptr);

// Why `path` cannot be read as an input file, or the empty text when it can: it must exist, be
// a regular file and open for reading. The causes read as the C library words them on Linux
// ("No such file or directory", "Permission denied", "Is a directory", "not a regular file").
std::string UnreadableCause(const std::string& path);

// True when `a` and `b` name the same existing file (same device and file number).
bool SameExistingFile(const std::string& a, const std::string& b);

// True when `path` names an existing file that is not a regular file: a directory, a device, a
// pipe. Such a name is taken as it is, never given an extension.
bool IsExistingNonRegularFile(const std::string& path);

// True when the last part of `path` is a device name of Windows (CON, PRN, AUX, COM1 to COM9,
// LPT1 to LPT9, with any extension, in any case), which Windows opens as the device wherever
// it stands; NUL, the device that discards, is not among them. Always false elsewhere.
bool IsWindowsDeviceName(std::string_view path);

// What a file error of writing `path` means, said plainly for the command line: what the
// program finds out about the path (a missing folder, a directory, a folder that takes no new
// files, a pipe without a reader or whose reader closed early, a device name of Windows),
// otherwise the system's own words.
std::string WriteFailureCause(int systemError, const std::string& path);

// Why a write to `path` that failed with `systemError` was refused by its folder rather than by
// the file: "its folder out/ takes no new files" (so no temporary can be made beside it) or "its
// folder out/ lets only the file's owner replace it" (sticky). Empty when the folder is not the
// cause, and always on Windows.
std::string FolderRefusal(int systemError, const std::string& path);

// True when `path` names an existing regular file (links followed).
bool IsExistingRegularFile(const std::string& path);

// The whole text of a file error of writing `path`: "MESSAGE (CAUSE)", with "; PATH left as it
// was" when a regular file stands at the path, which a failed write never touches.
inline std::string WriteFailureText(const std::string& message, int systemError,
                                    const std::string& path) {
    std::string text = message + " (" + WriteFailureCause(systemError, path) + ")";
    if (IsExistingRegularFile(path)) {
        text += "; " + path + " left as it was";
    }
    return text;
}

// What stands at `path` when it is neither a regular file nor a folder: "a device", "a pipe" or
// "a socket" (links followed); the empty text otherwise, a missing path included. Such a target
// is written in place, so only a format that writes one file straight through can take it.
std::string NonFileKind(const std::string& path);

// Opens `path` for writing bytes, created or truncated. Returns null with errno set on failure.
std::FILE* OpenForWriting(const std::string& path);

}  // namespace plotaktar::platform
