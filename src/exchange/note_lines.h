#pragma once

#include <optional>
#include <span>
#include <vector>

#include "exchange/export_features.h"
#include "import/source_lines.h"

namespace plotaktar {

// The file line of each note's record, in the notes' order, found by reading the input files
// of the import once more, each once; nothing for a row the files no longer give. Costs one
// read of the files whatever the number of notes, so that an export of many bad records still
// names every one. A note of a plot file's line (no table) names that line of paths.geometry.
// Given the bytes the import read (`read`), those are read again instead of the files, so that
// the files are not held twice while the tables hold them.
std::vector<std::optional<SourceLine>> NoteLines(const ImportPaths& paths,
                                                 std::span<const FeatureNote> notes,
                                                 const ImportedBytes* read = nullptr);

}  // namespace plotaktar
