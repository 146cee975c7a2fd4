#include "model/dialog_filter.h"

namespace plotaktar {

namespace {

std::vector<std::string> SplitPatterns(std::string_view part) {
    std::vector<std::string> patterns;
    size_t start = 0;
    while (start < part.size()) {
        const size_t end = part.find_first_of("; ", start);
        const std::string_view pattern = part.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!pattern.empty()) {
            patterns.emplace_back(pattern);
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return patterns;
}

// Blank as a pattern part may be: ASCII white space and the no-break space.
bool IsBlank(std::string_view part) {
    for (char c : part) {
        const auto b = static_cast<unsigned char>(c);
        if (b != ' ' && (b < '\t' || b > '\r') && b != 0xA0) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::vector<DialogFilterEntry> ParseDialogFilter(std::string_view filter) {
    std::vector<DialogFilterEntry> entries;
    size_t start = 0;
    while (start <= filter.size()) {
        const size_t bar = filter.find('|', start);
        const std::string_view description = filter.substr(start, bar - start);
        std::string_view patterns;
        if (bar == std::string_view::npos) {
            start = filter.size() + 1;
        } else {
            const size_t next = filter.find('|', bar + 1);
            patterns = filter.substr(bar + 1, next - bar - 1);
            start = next == std::string_view::npos ? filter.size() + 1 : next + 1;
        }
        if (description.empty() && IsBlank(patterns)) {
            continue;
        }
        entries.push_back({std::string(description), SplitPatterns(patterns)});
    }
    return entries;
}

}  // namespace plotaktar
