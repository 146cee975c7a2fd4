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
// go there, and commit() flushes, closes and renames it over the target. Destroying a file that
// was not committed removes the temporary and leaves the target untouched.
//
// A regular file (or a path where none exists yet) is only ever replaced by that rename, never
// written into: where no temporary can be made beside it (its folder takes no new files) or the
// rename would be refused (POSIX: a sticky folder and another user's file; Windows: another
// program holding the target open), nothing is written and the constructor or commit() throws
// "File access denied" (Windows: the system's code for the refusal), the target as it was.
// An existing target must be writable ("File access denied" otherwise) and keeps its
// permissions (POSIX: its mode and, where allowed, its owner; Windows: its hidden, system and
// archive attributes, the folder's inherited permissions applying as to any new file).
//
// Only a target that is no regular file (a device, a pipe, a socket) is written in place: it is
// opened without truncating, the bytes are collected in memory and written only at commit(), so
// a failure before leaves it untouched; a failure or an interruption during commit() may leave
// part of the bytes written. Formats that write several files or need a temporary of their own
// refuse such a target before they start (platform::NonFileKind names it). On POSIX, symbolic
// links are resolved first: the file a link points to gets the new contents, and the link stays;
// a device, pipe or socket is opened by the name given, so that links the kernel resolves
// itself (/dev/stdout on a pipe) reach it.
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
    // Writes out, syncs and closes the temporary: what remains of commit() is the rename, so
    // a writer of several files finishes them all before it puts the first in place.
    void finish();
    // finish(), then the rename over the target.
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
