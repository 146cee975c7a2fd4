#include "model/file_name_text.h"

#include "model/cp1254.h"
#include "model/message_text.h"
#include "platform/files.h"

namespace plotaktar {

std::string FileNameInMessage(std::string_view path) {
    const size_t slash = path.find_last_of(platform::kPathSeparators);
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return IsUtf8(name) ? Cp1254FromUtf8(name) : std::string(name);
}

}  // namespace plotaktar
