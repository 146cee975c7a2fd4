#pragma once

// The names of the files that go together: a label file's companion.

#include <string>
#include <string_view>

namespace plotaktar {

// The companion label file's name for a label file path: the path without its last four
// characters, followed by ".yfn" (".yfn" alone for a path of four characters or fewer).
std::string CompanionFileName(std::string_view labelPath);

}  // namespace plotaktar
