#include "model/export_kinds.h"

namespace plotaktar {

std::optional<PointNumbers> PointNumbersNamed(std::string_view name) {
    if (name == "attrib") {
        return PointNumbers::Attrib;
    }
    if (name == "text") {
        return PointNumbers::Text;
    }
    if (name == "both") {
        return PointNumbers::Both;
    }
    return std::nullopt;
}

std::string ShapefileSetPath(const std::string& target, const ExportKindEntry& kind) {
    // The name's bytes are kept as they are: only the extension after the last dot of the file
    // name is replaced.
    const size_t slash = target.find_last_of("/\\");
    const size_t name = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = target.rfind('.');
    if (dot == std::string::npos || dot <= name) {
        dot = target.size();
    }
    return target.substr(0, dot) + "-" + std::string(kind.layerName) + ".shp";
}

}  // namespace plotaktar
