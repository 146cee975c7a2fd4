#include "model/file_name_text.h"

#include "model/cp1254.h"
#include "platform/files.h"

namespace plotaktar {

bool IsValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        char32_t code;
        char32_t least;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, code = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, code = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, code = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (bytes.size() - i < length) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string FileNameInMessage(std::string_view path) {
    const size_t slash = path.find_last_of(platform::kPathSeparators);
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return IsValidUtf8(name) ? Cp1254FromUtf8(name) : std::string(name);
}

}  // namespace plotaktar
