#include "model/text.h"

#include <charconv>

#include "model/errors.h"

namespace plotaktar {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::optional<int32_t> TryStrToInt(std::string_view text) {
    // The common case: a short run of decimal digits.
    if (!text.empty() && text.size() <= 9) {
        int32_t value = 0;
        size_t k = 0;
        while (k < text.size() && text[k] >= '0' && text[k] <= '9') {
            value = value * 10 + (text[k] - '0');
            ++k;
        }
        if (k == text.size()) {
            return value;
        }
    }
    size_t i = 0;
    while (i < text.size() && text[i] == kBlank) {
        ++i;
    }
    std::string_view rest = text.substr(i);
    if (rest.empty()) {
        return std::nullopt;
    }

    size_t hexStart = 0;
    if (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X') {
        hexStart = 1;
    } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        hexStart = 2;
    }
    if (hexStart > 0) {
        std::string_view digits = rest.substr(hexStart);
        if (digits.empty()) {
            return std::nullopt;
        }
        uint64_t value = 0;
        for (char c : digits) {
            int d = HexDigit(c);
            if (d < 0) {
                return std::nullopt;
            }
            value = value * 16 + static_cast<uint64_t>(d);
            if (value > INT32_MAX) {
                return std::nullopt;
            }
        }
        return static_cast<int32_t>(value);
    }

    bool negative = false;
    if (rest[0] == '+' || rest[0] == '-') {
        negative = rest[0] == '-';
        rest.remove_prefix(1);
    }
    if (rest.empty()) {
        return std::nullopt;
    }
    int64_t value = 0;
    const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
    for (char c : rest) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > limit) {
            return std::nullopt;
        }
    }
    return static_cast<int32_t>(negative ? -value : value);
}

int32_t StrToInt(std::string_view text) {
    if (auto value = TryStrToInt(text)) {
        return *value;
    }
    std::string message = "'";
    message += QuotedCell(text);
    message += "' is not a valid integer value";
    throw ConversionError(message);
}

std::string QuotedCell(std::string_view text) {
    if (text.size() <= kQuotedCellLength) {
        return std::string(text);
    }
    std::string quoted(text.substr(0, kQuotedCellLength));
    quoted += kEllipsis;
    return quoted;
}

std::string IntToStr(int64_t value) {
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace plotaktar
