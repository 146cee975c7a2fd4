#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plotaktar {

constexpr char kBlank = ' ';

// True for the characters that trimming removes: codes 0 to 32.
inline bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// The text without its leading and trailing characters of codes 0 to 32.
inline std::string_view Trim(std::string_view text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    while (begin < end && IsTrimmed(*begin)) {
        ++begin;
    }
    while (end > begin && IsTrimmed(end[-1])) {
        --end;
    }
    return {begin, static_cast<size_t>(end - begin)};
}

// True when `text` ends in `suffix`, the letters A to Z taken as a to z (file extensions such
// as ".plt" or ".PNG"); `suffix` is written in lower case.
inline bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    text.remove_prefix(text.size() - suffix.size());
    for (size_t i = 0; i < suffix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != suffix[i]) {
            return false;
        }
    }
    return true;
}

// The system's integer conversion: optional leading blanks, then either an optional sign and
// decimal digits, or a hexadecimal number introduced by "$", "x", "X", "0x" or "0X"; nothing
// after the digits; the value must fit a signed 32-bit integer. Returns nothing on failure.
std::optional<int32_t> TryStrToInt(std::string_view text);

// How much of a cell a message quotes: a message box or an error line of a whole field of
// megabytes would take minutes to lay out and fill the screen.
constexpr size_t kQuotedCellLength = 100;
// Follows a cut quotation: "…" in windows-1254.
constexpr std::string_view kEllipsis = "\x85";

// A cell's text as a message quotes it: whole up to kQuotedCellLength characters, otherwise its
// first kQuotedCellLength followed by kEllipsis.
std::string QuotedCell(std::string_view text);

// As TryStrToInt, but a failure throws ConversionError("'<text>' is not a valid integer value"),
// the text quoted as QuotedCell does.
int32_t StrToInt(std::string_view text);

// The decimal text of an integer: no leading zeros, "-" for negatives, never "+".
std::string IntToStr(int64_t value);

}  // namespace plotaktar
