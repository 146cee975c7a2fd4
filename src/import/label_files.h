#pragma once

#include <string_view>

#include "import/import_context.h"

namespace plotaktar {

// Reads the label file (.yaz) into the label table. A line that gives a row raises the labels'
// flag. A layer number that does not convert (or lies outside 1 to 150) ends the reading of
// this file silently, after its row was written.
void ReadLabelFile(ImportContext& ctx, std::string_view bytes);

// Reads the companion label file (.yfn) into the label table, numbering on from the label file.
void ReadCompanionFile(ImportContext& ctx, std::string_view bytes);

// Whether a line of the label file, or of the companion, gives a row of the label table.
bool LabelLineGivesRow(std::string_view line);
bool CompanionLineGivesRow(std::string_view line);

}  // namespace plotaktar
