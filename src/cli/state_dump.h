#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "model/workspace.h"

namespace plotaktar::cli {

// Writes the visible working state as one JSON object: "flags" (the ten section flags by
// name), "layerTable" (150 rows of 8 fields) and "grids" (StringGrid1 to StringGrid13, each with
// its counts and its visible cells, row 0 first). Every text is decoded from windows-1254.
// The output is streamed through a fixed buffer, so a big workspace costs no big string.
// Returns false when a write to `out` failed.
bool WriteStateJson(const Workspace& workspace, std::FILE* out);
// The same handed to `write` a piece at a time; false as soon as `write` returns false.
bool WriteStateJson(const Workspace& workspace, const std::function<bool(std::string_view)>& write);

// Appends `bytes` (windows-1254) to `json` as the inside of a JSON string: decoded to UTF-8,
// with the standard escapes and \u00XX for the other control characters.
void AppendJsonStringBody(std::string& json, std::string_view bytes);

}  // namespace plotaktar::cli
