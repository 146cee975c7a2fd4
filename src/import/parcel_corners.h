#pragma once

#include <string_view>

#include "import/fields.h"
#include "import/import_context.h"

namespace plotaktar {

// The parcel reader's steps (run inside its protected block): resets the corner counter,
// appends the parcel's row to the parcel table and marks its layer. Throws when the layer number
// does not convert or lies outside 1 to 150.
void ReadParcelRecord(ImportContext& ctx, std::string_view line);

// The corner check, for every geometry line: a line whose first two words equal the block and
// parcel number of the parcel table's last row becomes that parcel's next corner in the corner
// table.
void CheckParcelCorner(ImportContext& ctx, std::string_view line);

}  // namespace plotaktar
