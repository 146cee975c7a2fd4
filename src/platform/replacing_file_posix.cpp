#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/replacing_file.h"
#include "platform/temporaries.h"
#include "platform/test_hook.h"

namespace plotaktar::platform {

namespace {

// Symbolic links followed before giving up, as the kernel does.
constexpr int kMaxLinkHops = 40;
// Names tried for the temporary before giving up on clashes.
constexpr int kTemporaryAttempts = 100;
// The target's name is cut to this length inside the temporary's name, so that the temporary
// fits the file system's 255-byte limit whenever the target does.
constexpr size_t kMaxBaseInTemporary = 200;

[[noreturn]] void ThrowFileError(int errorNumber) {
    throw FileError(FileErrorMessage(errorNumber), errorNumber);
}

std::string DirectoryPart(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string BasePart(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The path with every symbolic link at its end replaced by what it points to, so that the
// link itself survives the rename and its file gets the contents. Other failures are left to
// the caller's own look at the path.
std::string ResolveLinks(std::string path) {
    for (int hops = 0;; ++hops) {
        struct stat info;
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return path;
        }
        if (hops == kMaxLinkHops) {
            ThrowFileError(ELOOP);
        }
        std::string link(static_cast<size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
        for (;;) {
            ssize_t n = readlink(path.c_str(), link.data(), link.size());
            if (n < 0) {
                ThrowFileError(errno);
            }
            if (static_cast<size_t>(n) < link.size()) {
                link.resize(static_cast<size_t>(n));
                break;
            }
            link.resize(link.size() * 2);
        }
        path = !link.empty() && link[0] == '/' ? link : DirectoryPart(path) + link;
    }
}

}  // namespace

std::string FileErrorMessage(int errorNumber) {
    switch (errorNumber) {
        case ENOENT:
        case ENOTDIR:
            return "Invalid filename";
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return "File access denied";
        case EMFILE:
        case ENFILE:
            return "Too many open files";
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return "Disk full";
        default:
            return "I/O error " + std::to_string(errorNumber);
    }
}

struct ReplacingFile::State {
    std::string target;
    std::string temporary;
    std::string pending;  // the whole file, when a device, pipe or socket is written in place
    bool exists = false;  // the target existed; its mode and owner follow
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    bool inPlace = false;
    bool committed = false;
    bool finished = false;
    int fd = -1;
    uint64_t written = 0;     // bytes written into the temporary
    uint64_t sentToDisk = 0;  // of them, those whose writing to the disk was started
    LeftBehind listed;        // the temporary, on the list of what an early end cleans up

    ~State() { discard(); }
    void openDevice();
    void createTemporary();
    void writeAll(std::string_view bytes);
    void closeFile();
    void discard();
};

ReplacingFile::ReplacingFile(const std::string& path) : state_(std::make_unique<State>()) {
    State& s = *state_;
    if (path.empty()) {
        ThrowFileError(ENOENT);
    }
    struct stat info;
    // A device, pipe or socket is opened by the name given: the kernel follows links that name
    // no file by their text, such as /dev/stdout's "/proc/self/fd/1" on a pipe ("pipe:[1234]").
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        s.target = path;
        s.openDevice();
        return;
    }
    s.target = ResolveLinks(path);
    if (lstat(s.target.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            ThrowFileError(errno);
        }
        s.createTemporary();
        return;
    }
    if (S_ISDIR(info.st_mode)) {
        ThrowFileError(EISDIR);
    }
    // The rename would replace a write-protected file; refuse it as writing into it would.
    if (faccessat(AT_FDCWD, s.target.c_str(), W_OK, AT_EACCESS) != 0) {
        ThrowFileError(errno);
    }
    s.exists = true;
    s.mode = info.st_mode & 0777;
    s.owner = info.st_uid;
    s.group = info.st_gid;
    if (!S_ISREG(info.st_mode)) {
        s.openDevice();
        return;
    }
    // The folder would refuse the temporary or the rename over the file (sticky, and neither
    // is ours): refuse now, before anything is written.
    if (!FolderRefusal(EACCES, s.target).empty()) {
        ThrowFileError(EACCES);
    }
    s.createTemporary();
}

ReplacingFile::~ReplacingFile() = default;

const std::string& ReplacingFile::targetPath() const {
    return state_->target;
}

const std::string& ReplacingFile::temporaryPath() const {
    return state_->temporary;
}

// Fails (EACCES, EROFS ...) when the directory takes no new file: the target is then never
// written into, whatever its own permissions.
void ReplacingFile::State::createTemporary() {
    std::string base = BasePart(target).substr(0, kMaxBaseInTemporary);
    std::string prefix = DirectoryPart(target) + base + ".tmp-";
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        std::string name = prefix + TemporaryLetters();
        // Listed before it exists: killed at any moment, this program leaves nothing that the
        // one which started it does not know of.
        LeftBehind listing(name);
        TestHookAt("temporary-listed");
        // 0666 lets the umask and any default ACL of the directory decide, as for a new file.
        int created = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (created >= 0) {
            fd = created;
            temporary = std::move(name);
            listed = std::move(listing);
            TestHookAt("temporary-created");
            if (exists) {
                if (owner != geteuid() || group != getegid()) {
                    // Only possible with privileges; otherwise the file becomes the writer's.
                    [[maybe_unused]] int changed = fchown(fd, owner, group);
                }
                (void)fchmod(fd, mode);
            }
            return;
        }
        if (errno == EEXIST || errno == EINTR) {
            continue;
        }
        ThrowFileError(errno);
    }
    ThrowFileError(EEXIST);
}

// A device, a pipe or a socket is written in place, opened for writing only. Opened without
// waiting, a pipe that nobody reads fails at once (ENXIO) instead of taking the bytes into nowhere:
// reading it ourselves, as read-write access would, reports a plot file written that no one ever
// received.
void ReplacingFile::State::openDevice() {
    int opened;
    do {
        opened = open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    } while (opened < 0 && errno == EINTR);
    if (opened < 0) {
        ThrowFileError(errno);
    }
    fd = opened;
    inPlace = true;
    // The writes themselves wait for a slow reader as they would for a slow disk.
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ThrowFileError(errno);
    }
}

void ReplacingFile::write(std::string_view bytes) {
    State& s = *state_;
    if (s.inPlace) {
        s.pending.append(bytes);
    } else {
        s.writeAll(bytes);
    }
}

void ReplacingFile::State::writeAll(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowFileError(errno);
        }
        if (n == 0) {
            ThrowFileError(ENOSPC);
        }
        bytes.remove_prefix(static_cast<size_t>(n));
        written += static_cast<uint64_t>(n);
    }
#ifdef __linux__
    // A big file's pages are sent on to the disk as they are written, not all at the end:
    // the disk writes while the rest is made, and the sync before the file is put in place
    // waits for the last few megabytes only. This only starts the writing (it waits at most for
    // room in the disk's queue); where the system cannot, the sync does it all as before.
    constexpr uint64_t kSendEvery = uint64_t{8} << 20;
    if (!inPlace && written - sentToDisk >= kSendEvery) {
        sync_file_range(fd, static_cast<off_t>(sentToDisk),
                        static_cast<off_t>(written - sentToDisk), SYNC_FILE_RANGE_WRITE);
        sentToDisk = written;
    }
#endif
}

void ReplacingFile::finish() {
    State& s = *state_;
    if (s.finished) {
        return;
    }
    TestHookAt("replacing-file-commit");
    if (s.inPlace) {
        s.writeAll(s.pending);
        std::string().swap(s.pending);
    }
    // Devices and pipes cannot be synced; that is no failure of the file.
    if (fsync(s.fd) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP) {
        ThrowFileError(errno);
    }
    s.closeFile();
    s.finished = true;
}

void ReplacingFile::commit() {
    State& s = *state_;
    finish();
    if (!s.inPlace) {
        const OutputStep step;
        if (rename(s.temporary.c_str(), s.target.c_str()) != 0) {
            ThrowFileError(errno);
        }
        s.temporary.clear();
        s.listed.release();
    }
    s.committed = true;
    TestHookAt("replacing-file-committed");
}

void ReplacingFile::State::closeFile() {
    int closing = fd;
    fd = -1;
    // The descriptor is gone after close whatever it reports; EINTR does not mean lost data.
    if (close(closing) != 0 && errno != EINTR) {
        ThrowFileError(errno);
    }
}

void ReplacingFile::State::discard() {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
    if (!committed && !temporary.empty()) {
        unlink(temporary.c_str());
        temporary.clear();
    }
    listed.release();
}

}  // namespace plotaktar::platform
