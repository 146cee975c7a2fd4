#include "model/file_names.h"

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

}  // namespace plotaktar
