#include "platform/memory_files.h"

#include <algorithm>
#include <cstring>

#include "platform/read_to_end.h"

namespace plotaktar::platform {

namespace {

MemoryFiles* g_active = nullptr;

}  // namespace

MemoryFiles::MemoryFiles() : previous_(g_active) {
    g_active = this;
}

MemoryFiles::~MemoryFiles() {
    g_active = previous_;
}

const MemoryFiles* MemoryFiles::active() {
    return g_active;
}

void MemoryFiles::put(const std::string& path, std::string_view bytes) {
    files_[path].assign(bytes);
}

void MemoryFiles::remove(const std::string& path) {
    files_.erase(path);
}

std::optional<SharedBytes> MemoryFiles::read(const std::string& path, OpenFailure* failure) const {
    auto file = files_.find(path);
    if (file == files_.end()) {
        if (failure != nullptr) {
            *failure = {OpenFailure::Kind::NoSuchFile, unreadableCause(path)};
        }
        return std::nullopt;
    }
    // Every read gets a buffer of its own, as from a file on disk: tables tell the files of
    // different imports apart by their buffers.
    std::string_view rest = file->second;
    return *ReadToEnd(rest.size(), [&](char* into, size_t room) {
        size_t n = std::min(room, rest.size());
        if (n > 0) {
            std::memcpy(into, rest.data(), n);
        }
        rest.remove_prefix(n);
        return static_cast<long long>(n);
    });
}

std::string MemoryFiles::unreadableCause(const std::string& path) const {
    return files_.count(path) != 0 ? std::string() : std::string("No such file or directory");
}

}  // namespace plotaktar::platform
