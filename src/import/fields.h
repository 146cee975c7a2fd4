#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "model/text.h"

namespace plotaktar {

// The first blank in [p, end), or end: eight bytes at a time, since fields are short and a
// library search costs more than it saves on them.
inline const char* FindBlank(const char* p, const char* end) {
    constexpr uint64_t kOnes = 0x0101010101010101u;
    constexpr uint64_t kHighs = 0x8080808080808080u;
    constexpr uint64_t kBlanks = kOnes * static_cast<unsigned char>(kBlank);
    while (std::endian::native == std::endian::little && end - p >= 8) {
        uint64_t word;
        std::memcpy(&word, p, sizeof word);
        const uint64_t x = word ^ kBlanks;  // a blank becomes a zero byte
        // The lowest flagged byte is always a true zero byte (little-endian order).
        const uint64_t zeros = (x - kOnes) & ~x & kHighs;
        if (zeros != 0) {
            return p + (std::countr_zero(zeros) >> 3);
        }
        p += 8;
    }
    while (p < end && *p != kBlank) {
        ++p;
    }
    return p;
}

// Splits the next field off a body: the text up to the first blank, trimmed; the body becomes
// the rest from that blank on, trimmed. A body without a blank yields the empty field and
// stays as it is, so the last word of a short record ends up as its last field. Inline: the
// readers call it for nearly every field of a drawing.
inline std::string_view NextField(std::string_view& body) {
    const char* begin = body.data();
    const char* end = begin + body.size();
    const char* blank = FindBlank(begin, end);
    if (blank == end) {
        return {};
    }
    std::string_view field = Trim({begin, static_cast<size_t>(blank - begin)});
    body = Trim({blank + 1, static_cast<size_t>(end - blank - 1)});
    return field;
}

// A geometry record's fields: the line from its fourth character on, trimmed.
inline std::string_view RecordBody(std::string_view line) {
    return line.size() > 3 ? Trim(line.substr(3)) : std::string_view();
}

// The values the import computes for every geometry line before any reader is asked.
struct LineValues {
    std::string_view RecordKind;   // characters 1 to 3, not trimmed
    std::string_view FirstToken;   // up to the first blank, trimmed; empty without a blank
    std::string_view RestOfLine;   // behind the first blank, trimmed; the whole line without one
    std::string_view SecondToken;  // RestOfLine up to its first blank, trimmed; empty without one

    explicit LineValues(std::string_view line);
};

}  // namespace plotaktar
