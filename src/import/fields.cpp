#include "import/fields.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "model/text.h"

namespace plotaktar {

namespace {

// The first blank in [p, end), or end: eight bytes at a time, since fields are short and a
// library search costs more than it saves on them.
const char* FindBlank(const char* p, const char* end) {
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

}  // namespace

std::string_view NextField(std::string_view& body) {
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

std::string_view RecordBody(std::string_view line) {
    return line.size() > 3 ? Trim(line.substr(3)) : std::string_view();
}

LineValues::LineValues(std::string_view line) : RecordKind(line.substr(0, 3)) {
    size_t p = line.find(kBlank);
    if (p == std::string_view::npos) {
        RestOfLine = Trim(line);
        return;
    }
    FirstToken = Trim(line.substr(0, p));
    RestOfLine = Trim(line.substr(p));
    size_t q = RestOfLine.find(kBlank);
    if (q != std::string_view::npos) {
        SecondToken = Trim(RestOfLine.substr(0, q));
    }
}

}  // namespace plotaktar
