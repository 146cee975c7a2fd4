#pragma once

// The names of the files that go together: a label file's companion, a geometry file's labels.

#include <string>
#include <string_view>
#include <vector>

namespace plotaktar {

// The companion label file's name for a label file path: the path without its last four
// characters, followed by ".yfn" (".yfn" alone for a path of four characters or fewer).
std::string CompanionFileName(std::string_view labelPath);

// The companion file that goes with a label file: CompanionFileName's name, or, where no entry
// has that name, the one entry of its folder equal to it ignoring ASCII case (as Windows finds
// it). When several are, the derived name, which the import does not read (it warns of them),
// and `several` (when given) receives their paths.
std::string CompanionFileBeside(std::string_view labelPath,
                                std::vector<std::string>* several = nullptr);

// The label file that goes with a geometry file wherever a command takes GEOMETRY [LABELS]
// (the viewer, convert, render): its path with the extension replaced by ".yaz", or the one
// entry of its folder equal to that ignoring ASCII case (P.YAZ), when it can be read; otherwise
// the empty text. When several entries are equal to it ignoring case, none is taken and
// `several` (when given) receives their paths. Never a file of the current folder for another
// folder's geometry.
std::string LabelFileBeside(const std::string& geometry,
                            std::vector<std::string>* several = nullptr);

}  // namespace plotaktar
