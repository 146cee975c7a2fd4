#pragma once

#include <string_view>

#include "import/fields.h"
#include "import/import_context.h"

namespace plotaktar {

// Offers one geometry line to the readers in their fixed order ("nir", "pol", "nok", "tab",
// "hat", "sem", "par", the parcel-corner check, "bin", "sev"). Each reader runs in its own
// protected block that reports its one-word message; a failure of the corner check escapes,
// which ends the geometry loop.
void ReadGeometryLine(ImportContext& ctx, std::string_view line);

}  // namespace plotaktar
