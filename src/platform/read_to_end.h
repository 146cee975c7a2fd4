// Shared by the POSIX and Win32 readers of input files.
#pragma once

#include <cstring>
#include <memory>
#include <string_view>

#include "platform/byte_buffer.h"
#include "platform/large_pages.h"

namespace plotaktar::platform {

// Reads an open file to its end through `read(into, room)`, which returns the number of bytes
// read, 0 at the end or a negative number on an error. `sizeHint` is the size the system
// reports; the file is read to its end all the same, since a file may grow meanwhile and some
// report no size at all. After an error the lines completed before it are kept: the bytes up
// to the last CR (and one LF behind it).
template <typename Read>
SharedBytes ReadToEnd(size_t sizeHint, Read read) {
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
            std::string_view done(data.get(), got);
            size_t cr = done.rfind('\r');
            size_t keep = cr == std::string_view::npos ? 0 : cr + 1;
            if (keep < got && done[keep] == '\n') {
                ++keep;
            }
            got = keep;
            break;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    return std::make_shared<ByteBuffer>(std::move(data), got);
}

}  // namespace plotaktar::platform
