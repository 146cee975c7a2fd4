#include "model/file_names.h"

#include "platform/case_lookup.h"
#include "platform/files.h"

namespace plotaktar {

std::string CompanionFileName(std::string_view labelPath) {
    // Four characters, not bytes: step back over UTF-8 continuation bytes.
    size_t end = labelPath.size();
    for (int i = 0; i < 4 && end > 0; ++i) {
        --end;
        while (end > 0 && (static_cast<unsigned char>(labelPath[end]) & 0xC0) == 0x80) {
            --end;
        }
    }
    std::string name(labelPath.substr(0, end));
    name += ".yfn";
    return name;
}

namespace {

// The derived name as it is found: `several` receives the entries equal to it ignoring case
// when there are more than one.
std::string Found(const std::string& derived, std::vector<std::string>* several) {
    platform::NameLookup found = platform::FindIgnoringCase(derived);
    if (several != nullptr) {
        *several = std::move(found.several);
    }
    return std::move(found.path);
}

}  // namespace

std::string CompanionFileBeside(std::string_view labelPath, std::vector<std::string>* several) {
    return Found(CompanionFileName(labelPath), several);
}

std::string LabelFileBeside(const std::string& geometry, std::vector<std::string>* several) {
    if (several != nullptr) {
        several->clear();
    }
    size_t slash = geometry.find_last_of(platform::kPathSeparators);
    size_t dot = geometry.find_last_of('.');
    std::string base = geometry;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) {
        base.resize(dot);
    }
    // Where the file system ignores case itself, both spellings are asked for, as they always were.
    for (const char* extension : {".yaz", ".YAZ"}) {
        std::vector<std::string> matches;
        const std::string labels = Found(base + extension, &matches);
        if (!matches.empty()) {
            if (several != nullptr) {
                *several = std::move(matches);
            }
            return {};
        }
        if (platform::UnreadableCause(labels).empty()) {
            return labels;
        }
    }
    return {};
}

}  // namespace plotaktar
