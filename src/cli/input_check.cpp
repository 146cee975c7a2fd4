#include "cli/input_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace plotaktar::cli {

std::string UnreadableCause(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return std::strerror(errno);
    }
    struct stat info {};
    std::string cause;
    if (::fstat(fd, &info) != 0) {
        cause = std::strerror(errno);
    } else if (S_ISDIR(info.st_mode)) {
        cause = std::strerror(EISDIR);
    } else if (!S_ISREG(info.st_mode)) {
        cause = "not a regular file";
    }
    ::close(fd);
    return cause;
}

bool SameExistingFile(const std::string& a, const std::string& b) {
    struct stat infoA {};
    struct stat infoB {};
    return ::stat(a.c_str(), &infoA) == 0 && ::stat(b.c_str(), &infoB) == 0 &&
           infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
}

}  // namespace plotaktar::cli
