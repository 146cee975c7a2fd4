#include "import/utf8_text.h"

#include <cstdint>
#include <cstring>

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

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at `at` (a byte at or above 0x80), or 0 when there is
// none: a byte that begins none, a missing or wrong continuation, an overlong form, a surrogate
// or a code point beyond U+10FFFF.
size_t SequenceLength(std::string_view bytes, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (bytes.size() - at < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (size_t i = 2; i < length; ++i) {
        if (!IsContinuation(byte(i))) {
            return 0;
        }
    }
    return length;
}

}  // namespace

bool LooksLikeUtf8(std::string_view bytes) {
    const size_t first = FirstHighByte(bytes);
    if (first == std::string_view::npos) {
        return false;
    }
    // A sequence that begins inside the window is judged whole, even where it ends past it.
    const size_t end = bytes.size() - first > kTestLength ? first + kTestLength : bytes.size();
    for (size_t i = first; i < end;) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const size_t length = SequenceLength(bytes, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

}  // namespace plotaktar
