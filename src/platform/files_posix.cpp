#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/memory_files.h"
#include "platform/read_to_end.h"
#include "platform/test_hook.h"

namespace plotaktar::platform {

namespace {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

// O_NONBLOCK keeps the open itself from waiting on a FIFO without a writer.
int OpenWithoutWaiting(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

// The folder that holds the file written at `path` (links at its end followed), as "out/".
std::string FolderOfTarget(const std::string& path) {
    struct stat link;
    std::string target = path;
    if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* resolved = realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    const size_t slash = target.rfind('/');
    return slash == std::string::npos ? "./" : target.substr(0, slash + 1);
}

OpenFailure FailureOf(int error) {
    using Kind = OpenFailure::Kind;
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return {Kind::NoSuchFile, std::strerror(error)};
        case EACCES:
        case EPERM:
            return {Kind::AccessDenied, std::strerror(error)};
        case EISDIR:
            return {Kind::Folder, std::strerror(error)};
        default:
            return {Kind::Unreadable, std::strerror(error)};
    }
}

// Opens `path` as an input file: a regular file, open for reading. Returns its descriptor, or
// -1 with `failure` saying why.
int OpenInput(const std::string& path, OpenFailure& failure) {
    FileDescriptor fd(OpenWithoutWaiting(path));
    if (fd.get() < 0) {
        failure = FailureOf(errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        failure = FailureOf(errno);
        return -1;
    }
    if (S_ISDIR(info.st_mode)) {
        failure = FailureOf(EISDIR);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        failure = {OpenFailure::Kind::Unreadable, "not a regular file"};
        return -1;
    }
    return fd.release();
}

}  // namespace

std::string FolderRefusal(int systemError, const std::string& path) {
    // A file that is itself not writable is refused for its own sake.
    if ((systemError != EACCES && systemError != EPERM) ||
        (faccessat(AT_FDCWD, path.c_str(), F_OK, AT_EACCESS) == 0 &&
         faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)) {
        return {};
    }
    const std::string folder = FolderOfTarget(path);
    struct stat info;
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return {};
    }
    if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        return "its folder " + folder + " takes no new files";
    }
    struct stat file;
    const uid_t me = geteuid();
    if ((info.st_mode & S_ISVTX) != 0 && me != 0 && stat(path.c_str(), &file) == 0 &&
        file.st_uid != me && info.st_uid != me) {
        return "its folder " + folder + " lets only the file's owner replace it";
    }
    return {};
}

std::optional<SharedBytes> ReadRegularFile(const std::string& path, OpenFailure* failure) {
    if (const MemoryFiles* memory = MemoryFiles::active()) {
        return memory->read(path, failure);
    }
    OpenFailure why;
    FileDescriptor fd(OpenInput(path, why));
    if (fd.get() < 0) {
        if (failure != nullptr) {
            *failure = std::move(why);
        }
        return std::nullopt;
    }
    struct stat before {};
    if (::fstat(fd.get(), &before) != 0) {
        throw InputReadError(path, std::strerror(errno));
    }
    TestHookAt("input-opened");
    std::optional<SharedBytes> bytes =
        ReadToEnd(static_cast<size_t>(before.st_size), [&](char* into, size_t room) {
            for (;;) {
                ssize_t n = ::read(fd.get(), into, room);
                if (n >= 0 || errno != EINTR) {
                    return n;
                }
            }
        });
    if (!bytes) {
        throw InputReadError(
            path, std::string("cannot be read to its end (") + std::strerror(errno) + ")");
    }
    // Another program writing the file meanwhile (a save, a copy, a truncation) shows in the
    // bytes read against the size, in the open file's size and time, or in another file at
    // the path: the reading is then of no one version of the file. Files of the system's own
    // (/proc) report a size of 0 and still have contents: their size says nothing.
    struct stat after {};
    struct stat atPath {};
    if ((before.st_size != 0 && (*bytes)->size() != static_cast<size_t>(before.st_size)) ||
        ::fstat(fd.get(), &after) != 0 || after.st_size != before.st_size ||
        after.st_mtim.tv_sec != before.st_mtim.tv_sec ||
        after.st_mtim.tv_nsec != before.st_mtim.tv_nsec || ::stat(path.c_str(), &atPath) != 0 ||
        atPath.st_dev != before.st_dev || atPath.st_ino != before.st_ino) {
        throw InputReadError(path, kChangedWhileReadCause);
    }
    return bytes;
}

std::string UnreadableCause(const std::string& path) {
    if (const MemoryFiles* memory = MemoryFiles::active()) {
        return memory->unreadableCause(path);
    }
    OpenFailure why;
    FileDescriptor fd(OpenInput(path, why));
    return fd.get() < 0 ? why.cause : std::string();
}

bool SameExistingFile(const std::string& a, const std::string& b) {
    struct stat infoA {};
    struct stat infoB {};
    return ::stat(a.c_str(), &infoA) == 0 && ::stat(b.c_str(), &infoB) == 0 &&
           infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
}

std::FILE* OpenForWriting(const std::string& path) {
    return std::fopen(path.c_str(), "wb");
}

bool IsExistingNonRegularFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
}

bool IsWindowsDeviceName(std::string_view) {
    return false;
}

std::string WriteFailureCause(int systemError, const std::string& path) {
    struct stat info;
    const bool exists = stat(path.c_str(), &info) == 0;
    switch (systemError) {
        case EACCES:
        case EPERM:
            if (std::string folder = FolderRefusal(systemError, path); !folder.empty()) {
                return folder;
            }
            break;
        case ENOENT:
        case ENOTDIR: {
            const size_t slash = path.rfind('/');
            const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
            struct stat folderInfo;
            if (stat(folder.c_str(), &folderInfo) != 0) {
                return "the folder " + folder + " does not exist";
            }
            if (!S_ISDIR(folderInfo.st_mode)) {
                return folder + " is not a folder";
            }
            break;
        }
        case ENXIO:
            if (exists && S_ISFIFO(info.st_mode)) {
                return "no program is reading this pipe";
            }
            break;
        case EPIPE:
            return "the program reading the output closed it before the end";
        default:
            break;
    }
    if (exists && S_ISDIR(info.st_mode)) {
        return "is a directory, not a file";
    }
    return std::strerror(systemError);
}

std::string NonFileKind(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        return {};
    }
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) {
        return "a device";
    }
    if (S_ISFIFO(info.st_mode)) {
        return "a pipe";
    }
    if (S_ISSOCK(info.st_mode)) {
        return "a socket";
    }
    return {};
}

bool IsExistingRegularFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace plotaktar::platform
