#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace plotaktar::platform {

// The message of a file error for one of the system's error codes (errno, or a Win32 error
// code on Windows): "File not found", "Invalid filename", "File access denied", "Too many open
// files", "Disk full" or "I/O error <code>".
std::string FileErrorMessage(int systemError);

// A file being written to `path` so that the path only ever holds either its old contents or
// the complete new file. The constructor creates a temporary file beside the target; the bytes
// go there, and commit() flushes, closes and puts it in place of the target. Destroying a file
// that was not committed removes the temporary and leaves the target untouched.
//
// An existing target must be writable ("File access denied" otherwise) and keeps its
// permissions (POSIX: its mode and, where allowed, its owner; Windows: its hidden, system and
// archive attributes, the folder's inherited permissions applying as to any new file). When the
// target exists and is writable but its folder takes no temporary (or would refuse to replace it),
// or it is not a regular file (a device, a pipe), the target itself is opened without truncating
// it, the bytes are collected in memory and written only at commit(): a failure before leaves it
// untouched, and a failing write puts the old contents back where the file can be read. On POSIX,
// symbolic links are resolved first: the file a link points to gets the new contents, and the link
// stays.
//
// While the temporary exists it is on the list of what an early end of the program cleans up
// (temporaries.h).
//
// Every failure throws FileError with FileErrorMessage's text and the system's code.
class ReplacingFile {
  public:
    explicit ReplacingFile(const std::string& path);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    void write(std::string_view bytes);
    void commit();

    // The file that receives the contents (on POSIX: the path with its links resolved).
    const std::string& targetPath() const;
    // The temporary beside it; empty when the target is written in place.
    const std::string& temporaryPath() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace plotaktar::platform
