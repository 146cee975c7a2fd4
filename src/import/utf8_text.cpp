#include "import/utf8_text.h"

#include <cstdint>
#include <cstring>

#include "model/message_text.h"

namespace plotaktar {

namespace {

// How many bytes from the first one beyond ASCII the test looks at.
constexpr size_t kTestLength = size_t{64} << 10;

// The position of the first byte at or above 0x80, eight bytes at a time; npos when none.
size_t FirstHighByte(std::string_view bytes) {
    constexpr uint64_t kHighBits = 0x8080808080808080u;
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        if ((word & kHighBits) != 0) {
            break;
        }
    }
    for (; i < bytes.size(); ++i) {
        if (static_cast<unsigned char>(bytes[i]) >= 0x80) {
            return i;
        }
    }
    return std::string_view::npos;
}

}  // namespace

bool LooksLikeUtf8(std::string_view bytes) {
    const size_t first = FirstHighByte(bytes);
    if (first == std::string_view::npos) {
        return false;
    }
    // A sequence that begins inside the 64 KiB is judged whole, even where it ends past them.
    size_t end = bytes.size() - first > kTestLength ? first + kTestLength : bytes.size();
    for (int i = 0; i < 3 && end < bytes.size() && (bytes[end] & 0xC0) == 0x80; ++i) {
        ++end;
    }
    return IsUtf8(bytes.substr(first, end - first));
}

}  // namespace plotaktar
