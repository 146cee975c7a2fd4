// Plain models of the text rules, written from the rules themselves rather than from the
// program's code, for the fuzz targets to compare against.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plotaktar::fuzz {

inline bool Controls(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

inline std::string_view ModelTrim(std::string_view s) {
    while (!s.empty() && Controls(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && Controls(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

inline int DigitValue(char c, int base) {
    int v = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'a' && c <= 'z' ? c - 'a' + 10
            : c >= 'A' && c <= 'Z' ? c - 'A' + 10
                                   : 99;
    return v < base ? v : -1;
}

// The digits as a number in `base`, or nothing when one is no digit or there are none; values
// beyond 2^40 are kept at 2^40, far outside every range that matters here.
inline std::optional<int64_t> Digits(std::string_view s, int base) {
    if (s.empty()) {
        return std::nullopt;
    }
    int64_t value = 0;
    for (char c : s) {
        int d = DigitValue(c, base);
        if (d < 0) {
            return std::nullopt;
        }
        value = value * base + d;
        if (value > (int64_t{1} << 40)) {
            value = int64_t{1} << 40;
        }
    }
    return value;
}

// A text as a message quotes it: whole up to 100 bytes, otherwise its first 100 bytes and an
// ellipsis, byte 0x85 in windows-1254.
inline std::string ModelQuote(std::string_view s) {
    return s.size() <= 100 ? std::string(s) : std::string(s.substr(0, 100)) + "\x85";
}

inline std::optional<int32_t> ModelStrToInt(std::string_view s) {
    while (!s.empty() && s.front() == ' ') {
        s.remove_prefix(1);
    }
    std::optional<int64_t> value;
    for (std::string_view prefix : {"0x", "0X", "$", "x", "X"}) {
        if (s.starts_with(prefix)) {
            value = Digits(s.substr(prefix.size()), 16);
            if (value && *value <= INT32_MAX) {
                return static_cast<int32_t>(*value);
            }
            // "0x..." that is no hexadecimal number is no decimal number either.
            return std::nullopt;
        }
    }
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    value = Digits(s, 10);
    if (!value) {
        return std::nullopt;
    }
    int64_t v = negative ? -*value : *value;
    if (v < INT32_MIN || v > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<int32_t>(v);
}

}  // namespace plotaktar::fuzz
