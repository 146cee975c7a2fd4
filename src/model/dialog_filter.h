#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace plotaktar {

// One entry of a dialog's file filter: the description shown to the user, exactly as the
// command gave it (windows-1254 bytes), and the patterns that select the files.
struct DialogFilterEntry {
    std::string description;
    std::vector<std::string> patterns;

    bool operator==(const DialogFilterEntry&) const = default;
};

// Splits a command's filter ("description|pattern|description|pattern") into its entries. A
// pattern part holds one or more patterns separated by ";" or blanks; an entry with neither a
// description nor a pattern is left out, and a description without its pattern part keeps
// none. "*.*" stays as written: it means every file in the dialogs this filter was written
// for, and each window maps it to its own system's way of saying so.
std::vector<DialogFilterEntry> ParseDialogFilter(std::string_view filter);

}  // namespace plotaktar
