#include "gis/spooled_groups.h"

#include <cerrno>
#include <climits>

#include "platform/error.h"
#include "platform/replacing_file.h"

namespace plotaktar {

namespace {

[[noreturn]] void ThrowFileError(int error) {
    // A stream that failed without saying why: most likely a full disk.
    const int code = error != 0 ? error : ENOSPC;
    throw FileError(platform::FileErrorMessage(code), code);
}

}  // namespace

SpooledGroups::SpooledGroups(size_t groups, size_t chunkBytes)
    : groups_(groups), chunkBytes_(chunkBytes) {}

SpooledGroups::~SpooledGroups() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

void SpooledGroups::append(size_t group, std::string_view text) {
    Group& g = groups_.at(group);
    g.pending.append(text);
    if (g.pending.size() >= chunkBytes_) {
        spool(g);
    }
}

bool SpooledGroups::empty(size_t group) const {
    const Group& g = groups_.at(group);
    return g.pending.empty() && g.spooled.empty();
}

void SpooledGroups::spool(Group& group) {
    if (file_ == nullptr) {
        errno = 0;
        file_ = std::tmpfile();
        if (file_ == nullptr) {
            ThrowFileError(errno);
        }
    }
    if (fileEnd_ + group.pending.size() > static_cast<uint64_t>(LONG_MAX)) {
        ThrowFileError(EFBIG);  // beyond what the stream can seek to
    }
    errno = 0;
    if (std::fseek(file_, static_cast<long>(fileEnd_), SEEK_SET) != 0 ||
        std::fwrite(group.pending.data(), 1, group.pending.size(), file_) != group.pending.size()) {
        ThrowFileError(errno);
    }
    group.spooled.push_back({fileEnd_, group.pending.size()});
    fileEnd_ += group.pending.size();
    group.pending.clear();
}

void SpooledGroups::drain(size_t group, const std::function<void(std::string_view)>& out) {
    Group& g = groups_.at(group);
    if (!g.spooled.empty()) {
        std::string buffer;
        for (const Chunk& chunk : g.spooled) {
            buffer.resize(chunk.size);
            errno = 0;
            // The stream's buffer holds what was written last: flushed before reading.
            if (std::fflush(file_) != 0 ||
                std::fseek(file_, static_cast<long>(chunk.offset), SEEK_SET) != 0 ||
                std::fread(buffer.data(), 1, chunk.size, file_) != chunk.size) {
                ThrowFileError(errno);
            }
            out(buffer);
        }
    }
    if (!g.pending.empty()) {
        out(g.pending);
    }
    std::string().swap(g.pending);
    std::vector<Chunk>().swap(g.spooled);
}

void SpooledGroups::clear() {
    for (Group& g : groups_) {
        std::string().swap(g.pending);
        std::vector<Chunk>().swap(g.spooled);
    }
    // The next round writes over the last: the file grows to one round's texts at most.
    fileEnd_ = 0;
}

}  // namespace plotaktar
