#pragma once

// The names of the files that go together: a label file's companion, a geometry file's labels.

#include <string>
#include <string_view>

namespace plotaktar {

// The companion label file's name for a label file path: the path without its last four
// characters, followed by ".yfn" (".yfn" alone for a path of four characters or fewer).
std::string CompanionFileName(std::string_view labelPath);

// The label file that goes with a geometry file wherever a command takes GEOMETRY [LABELS]
// (the viewer, convert, render): its path with the extension replaced by ".yaz" (or ".YAZ")
// when such a file can be read; otherwise the empty text. Never a file of the current folder
// for another folder's geometry.
std::string LabelFileBeside(const std::string& geometry);

}  // namespace plotaktar
