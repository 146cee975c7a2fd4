#pragma once

// Texts appended to numbered groups and read back group by group, each in the order it was
// appended, without holding them all: a group keeps at most one chunk in memory, and its full
// chunks wait in a temporary file (removed by the system once closed, whatever happens). For a
// writer that receives its features in one order and must write them in another, such as KML's
// folders of a layer.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace plotaktar {

class SpooledGroups {
  public:
    // `groups` groups, numbered from 0; a chunk of `chunkBytes` or more goes to the file.
    explicit SpooledGroups(size_t groups, size_t chunkBytes = size_t{1} << 16);
    ~SpooledGroups();
    SpooledGroups(const SpooledGroups&) = delete;
    SpooledGroups& operator=(const SpooledGroups&) = delete;

    // Throws FileError when the temporary file cannot be made or written (a full disk).
    void append(size_t group, std::string_view text);
    bool empty(size_t group) const;
    // Hands the group's texts to `out` in pieces, in the order appended, and forgets them.
    // Throws FileError when the temporary file cannot be read.
    void drain(size_t group, const std::function<void(std::string_view)>& out);
    // Forgets every group's texts and empties the temporary file for the next round.
    void clear();

  private:
    struct Chunk {
        uint64_t offset;
        size_t size;
    };
    struct Group {
        std::string pending;         // not yet in the file
        std::vector<Chunk> spooled;  // in the file, in order
    };
    void spool(Group& group);

    std::vector<Group> groups_;
    size_t chunkBytes_;
    std::FILE* file_ = nullptr;
    uint64_t fileEnd_ = 0;
};

}  // namespace plotaktar
