// Shared by the POSIX and Win32 readers of input files.
#pragma once

#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/byte_buffer.h"
#include "platform/large_pages.h"

namespace plotaktar::platform {

// Reads an open file to its end through `read(into, room)`, which returns the number of bytes
// read, 0 at the end or a negative number on an error. `sizeHint` is the size the system
// reports; the file is read to its end all the same, since some files report no size at all.
// Returns nothing after a read error: a part of a file is never passed off as the file.
template <typename Read>
std::optional<SharedBytes> ReadToEnd(size_t sizeHint, Read read) {
    // One byte of room beyond the size finds the end without a copy.
    size_t capacity = sizeHint + 1;
    std::unique_ptr<char[]> data(new char[capacity]);
    AdviseLargePages(data.get(), capacity);
    size_t got = 0;
    for (;;) {
        if (got == capacity) {
            capacity *= 2;
            std::unique_ptr<char[]> larger(new char[capacity]);
            std::memcpy(larger.get(), data.get(), got);
            data = std::move(larger);
        }
        auto n = read(data.get() + got, capacity - got);
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    return std::make_shared<ByteBuffer>(std::move(data), got);
}

}  // namespace plotaktar::platform
