#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

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
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.empty() ? "." : folder.c_str()));
    if (!dir) {
        return {path, {}};
    }
    std::vector<std::string> found;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (EqualIgnoringAsciiCase(entry->d_name, name)) {
            found.push_back(folder + entry->d_name);
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
