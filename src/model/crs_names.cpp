#include "model/crs_names.h"

#include <charconv>

namespace plotaktar {
namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<int> EpsgOfCrsText(std::string_view text) {
    constexpr std::string_view kEpsg = "EPSG:";
    if (text.size() > kEpsg.size() && EqualNoCase(text.substr(0, kEpsg.size()), kEpsg)) {
        const std::string_view digits = text.substr(kEpsg.size());
        int code = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), code);
        if (error == std::errc() && end == digits.data() + digits.size() && code > 0 &&
            digits[0] != '+') {
            return code;
        }
        return std::nullopt;
    }
    for (const CrsName& entry : kCrsNames) {
        if (EqualNoCase(text, entry.name)) {
            return entry.epsg;
        }
    }
    return std::nullopt;
}

std::string_view CrsShortName(int epsg) {
    for (const CrsName& entry : kCrsNames) {
        if (entry.epsg == epsg) {
            return entry.name;
        }
    }
    return {};
}

}  // namespace plotaktar
