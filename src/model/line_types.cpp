#include "model/line_types.h"

#include "model/text.h"

namespace plotaktar {

LineType LineTypeOfCell(std::string_view cell) {
    const std::optional<int32_t> value = TryStrToInt(Trim(cell));
    if (value) {
        for (const LineTypeEntry& entry : kLineTypes) {
            if (entry.cell == *value) {
                return entry.type;
            }
        }
    }
    return LineType::Continuous;
}

}  // namespace plotaktar
