#pragma once

#include <string_view>

#include "import/import_context.h"

namespace plotaktar {

// Reads the label file (.yaz) into the label table. Every line read raises the labels' flag. A layer number
// that does not convert (or lies outside 1 to 150) ends the reading of this file silently,
// after its row was written.
void ReadLabelFile(ImportContext& ctx, std::string_view bytes);

// Reads the companion label file (.yfn) into the label table, numbering on from the label file.
void ReadCompanionFile(ImportContext& ctx, std::string_view bytes);

}  // namespace plotaktar
