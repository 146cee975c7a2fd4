#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/case_lookup.h"
#include "platform/memory_files.h"

namespace plotaktar::platform {

namespace {

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldAscii(x) == FoldAscii(y);
           });
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// The names of one folder as last listed. A batch over a folder of thousands of drawings asks
// for a name in it once or more a drawing; the listing is used again while the folder is the
// same (device and file number) and unchanged since, and only when its last change lies well
// before the listing (a change within the clock's granularity would not be seen).
struct Listing {
    std::string folder;
    dev_t device = 0;
    ino_t number = 0;
    timespec changed{};
    std::vector<std::string> names;
};

std::mutex gListingMutex;
Listing gListing;

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The names of `folder` ("" for the current one), or nothing when it cannot be listed.
std::optional<std::vector<std::string>> Names(const std::string& folder) {
    const char* const path = folder.empty() ? "." : folder.c_str();
    struct stat info {};
    if (::stat(path, &info) != 0) {
        return std::nullopt;
    }
    std::lock_guard lock(gListingMutex);
    if (gListing.folder == folder && gListing.device == info.st_dev &&
        gListing.number == info.st_ino && SameTime(gListing.changed, info.st_mtim)) {
        return gListing.names;
    }
    std::unique_ptr<DIR, DirCloser> dir(::opendir(path));
    if (!dir) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir.get())) {
        names.emplace_back(entry->d_name);
    }
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    if (info.st_mtim.tv_sec + 2 < now.tv_sec) {
        gListing = {folder, info.st_dev, info.st_ino, info.st_mtim, names};
    }
    return names;
}

}  // namespace

NameLookup FindIgnoringCase(const std::string& path) {
    struct stat info {};
    if (MemoryFiles::active() != nullptr || ::lstat(path.c_str(), &info) == 0 || errno != ENOENT) {
        return {path, {}};
    }
    const size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string_view name = std::string_view(path).substr(folder.size());
    if (name.empty()) {
        return {path, {}};
    }
    const std::optional<std::vector<std::string>> names = Names(folder);
    if (!names) {
        return {path, {}};
    }
    std::vector<std::string> found;
    for (const std::string& entry : *names) {
        if (EqualIgnoringAsciiCase(entry, name)) {
            found.push_back(folder + entry);
        }
    }
    if (found.empty()) {
        return {path, {}};
    }
    if (found.size() == 1) {
        return {std::move(found.front()), {}};
    }
    std::sort(found.begin(), found.end());
    return {path, std::move(found)};
}

}  // namespace plotaktar::platform
