#pragma once

#include <cstdint>
#include <string_view>

#include "import/fields.h"
#include "import/import_context.h"

namespace plotaktar {

// A line's first three bytes as one number (0 for a shorter line), to tell its kind by: every
// kind's code is three bytes long, none of them NUL.
constexpr uint32_t PackedCode(std::string_view line) {
    return line.size() < 3 ? 0
                           : static_cast<uint32_t>(static_cast<unsigned char>(line[0])) |
                                 static_cast<uint32_t>(static_cast<unsigned char>(line[1])) << 8 |
                                 static_cast<uint32_t>(static_cast<unsigned char>(line[2])) << 16;
}

// Offers one geometry line to the readers in their fixed order ("nir", "pol", "nok", "tab",
// "hat", "sem", "par", the parcel-corner check, "bin", "sev"). Each reader runs in its own
// protected block that reports its one-word message; a failure of the corner check escapes,
// which ends the geometry loop.
void ReadGeometryLine(ImportContext& ctx, std::string_view line);

}  // namespace plotaktar
