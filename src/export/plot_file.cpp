#include "export/plot_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <random>
#include <string>

#include "model/errors.h"
#include "model/text.h"

namespace plotaktar {

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

// True when the directory is sticky and neither the file nor the directory belongs to us: the
// kernel then refuses to rename anything over the file, though writing into it is allowed.
bool StickyDirectoryRefusesRename(const std::string& path, const struct stat& file) {
    std::string dir = DirectoryPart(path);
    struct stat info;
    if (stat(dir.empty() ? "." : dir.c_str(), &info) != 0) {
        return false;
    }
    uid_t me = geteuid();
    return (info.st_mode & S_ISVTX) != 0 && me != 0 && file.st_uid != me && info.st_uid != me;
}

std::string RandomSuffix() {
    static constexpr std::string_view kLetters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 generator{std::random_device{}() ^
                                           (static_cast<uint64_t>(getpid()) << 32)};
    std::string suffix(8, ' ');
    for (char& c : suffix) {
        c = kLetters[generator() % kLetters.size()];
    }
    return suffix;
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
            return "I/O error " + IntToStr(errorNumber);
    }
}

namespace {

// The whole contents of an open file, or nothing when it cannot be read.
std::optional<std::string> ReadWhole(int fd) {
    std::string bytes;
    char chunk[1 << 16];
    for (off_t offset = 0;;) {
        ssize_t n = pread(fd, chunk, sizeof chunk, offset);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            return bytes;
        }
        bytes.append(chunk, static_cast<size_t>(n));
        offset += n;
    }
}

}  // namespace

PlotFileOutput::PlotFileOutput(const std::string& path) {
    if (path.empty()) {
        ThrowFileError(ENOENT);
    }
    target_ = ResolveLinks(path);
    struct stat info;
    if (lstat(target_.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            ThrowFileError(errno);
        }
        createTemporary();
        return;
    }
    if (S_ISDIR(info.st_mode)) {
        ThrowFileError(EISDIR);
    }
    // The rename would replace a write-protected file; refuse it as writing into it would.
    if (faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
        ThrowFileError(errno);
    }
    exists_ = true;
    mode_ = info.st_mode & 0777;
    owner_ = info.st_uid;
    group_ = info.st_gid;
    regular_ = S_ISREG(info.st_mode);
    if (!regular_ || StickyDirectoryRefusesRename(target_, info) || !createTemporary()) {
        openInPlace();
    }
}

PlotFileOutput::~PlotFileOutput() {
    discard();
}

// Returns false, for an existing target, when its directory takes no new file.
bool PlotFileOutput::createTemporary() {
    std::string base = BasePart(target_).substr(0, kMaxBaseInTemporary);
    std::string prefix = DirectoryPart(target_) + base + ".tmp-";
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        std::string name = prefix + RandomSuffix();
        // 0666 lets the umask and any default ACL of the directory decide, as for a new file.
        int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            fd_ = fd;
            temporary_ = std::move(name);
            if (exists_) {
                if ((owner_ != geteuid() || group_ != getegid()) &&
                    fchown(fd_, owner_, group_) != 0) {
                    // Only possible with privileges; otherwise the file becomes the writer's.
                }
                (void)fchmod(fd_, mode_);
            }
            return true;
        }
        if (errno == EEXIST || errno == EINTR) {
            continue;
        }
        if (exists_ && (errno == EACCES || errno == EPERM || errno == EROFS)) {
            return false;
        }
        ThrowFileError(errno);
    }
    ThrowFileError(EEXIST);
}

void PlotFileOutput::openInPlace() {
    // Not truncated here: the old contents stay until the new ones are complete in memory.
    // Read access, where the file grants it, lets a failed write put the old contents back.
    int fd;
    do {
        fd = open(target_.c_str(), O_RDWR | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && errno == EACCES) {
        do {
            fd = open(target_.c_str(), O_WRONLY | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
    }
    if (fd < 0) {
        ThrowFileError(errno);
    }
    fd_ = fd;
    inPlace_ = true;
}

void PlotFileOutput::write(std::string_view bytes) {
    if (inPlace_) {
        pending_.append(bytes);
    } else {
        writeAll(bytes);
    }
}

void PlotFileOutput::writeAll(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd_, bytes.data(), bytes.size());
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
    }
}

void PlotFileOutput::commit() {
    if (inPlace_) {
        writeInPlace();
    }
    // Devices and pipes cannot be synced; that is no failure of the file.
    if (fsync(fd_) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP) {
        ThrowFileError(errno);
    }
    closeFile();
    if (!inPlace_) {
        if (rename(temporary_.c_str(), target_.c_str()) != 0) {
            ThrowFileError(errno);
        }
        temporary_.clear();
    }
    committed_ = true;
}

void PlotFileOutput::writeInPlace() {
    if (!regular_) {
        writeAll(pending_);
        std::string().swap(pending_);
        return;
    }
    std::optional<std::string> old = ReadWhole(fd_);
    if (ftruncate(fd_, 0) != 0) {
        ThrowFileError(errno);
    }
    try {
        writeAll(pending_);
    } catch (const FileError&) {
        // A full disk part way: give the file its old contents back before reporting it.
        if (old && ftruncate(fd_, 0) == 0 && lseek(fd_, 0, SEEK_SET) == 0) {
            try {
                writeAll(*old);
            } catch (const FileError&) {
            }
        }
        throw;
    }
    std::string().swap(pending_);
}

void PlotFileOutput::closeFile() {
    int fd = fd_;
    fd_ = -1;
    // The descriptor is gone after close whatever it reports; EINTR does not mean lost data.
    if (close(fd) != 0 && errno != EINTR) {
        ThrowFileError(errno);
    }
}

void PlotFileOutput::discard() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (!committed_ && !temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
    }
}

namespace {

// Passes the bytes on and tells how many went through so far.
class ReportingSink : public PlotSink {
  public:
    ReportingSink(PlotSink& inner, const std::function<void(uint64_t)>& written)
        : inner_(inner), written_(written) {}
    void write(std::string_view bytes) override {
        inner_.write(bytes);
        total_ += bytes.size();
        written_(total_);
    }

  private:
    PlotSink& inner_;
    const std::function<void(uint64_t)>& written_;
    uint64_t total_ = 0;
};

}  // namespace

void SavePlotFile(const Workspace& workspace, const std::string& path,
                  const std::function<void(uint64_t)>& written) {
    PlotFileOutput output(path);
    if (written) {
        ReportingSink reporting(output, written);
        WritePlotFile(workspace, reporting);
    } else {
        WritePlotFile(workspace, output);
    }
    output.commit();
}

}  // namespace plotaktar
