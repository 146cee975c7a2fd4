// Finding a file whose name the program derives (a label file's companion, the label file
// beside a geometry file) as Windows finds it, ignoring case: drawings copied from Windows spell
// their names and extensions in either case (BENIM.YAZ beside BENIM.YFN).
#pragma once

#include <string>
#include <vector>

namespace plotaktar::platform {

// Where a derived name leads.
struct NameLookup {
    // The path to read: the one entry of its folder equal to `path` ignoring ASCII case (the
    // folder part as given) when no entry has the name itself; otherwise `path` itself.
    std::string path;
    // The entries of the folder equal to the name ignoring ASCII case, when there are several
    // and none is the name itself: their paths, sorted.
    std::vector<std::string> several;
};

// Looks `path` up: the exact name first, then ignoring ASCII case (A-Z only; other bytes must
// be equal). On Windows, whose file system ignores case itself, and while input files are held
// in memory, the path is always taken as it is.
NameLookup FindIgnoringCase(const std::string& path);

}  // namespace plotaktar::platform
