#include "model/file_names.h"

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

std::string LabelFileBeside(const std::string& geometry) {
    size_t slash = geometry.find_last_of(platform::kPathSeparators);
    size_t dot = geometry.find_last_of('.');
    std::string base = geometry;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) {
        base.resize(dot);
    }
    for (const char* extension : {".yaz", ".YAZ"}) {
        if (platform::UnreadableCause(base + extension).empty()) {
            return base + extension;
        }
    }
    return {};
}

}  // namespace plotaktar
