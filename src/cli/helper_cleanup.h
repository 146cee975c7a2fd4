#pragma once

// What plotaktar-cli does with the paths a program it started left behind (its temporaries and
// folders of old files, as it last reported them): it cleans up only what is plainly the
// output's own, so that a confused or hostile report can never make it remove anything else.

#include <cstdio>
#include <string>
#include <vector>

namespace plotaktar::cli {

// True when `path` lies in the folder of `output` (or of the file its links lead to) and its
// name is that of a temporary or a folder of old files made for `output` or for a page of it
// (NAME-0.png beside NAME.png): the output's name cut to the length a temporary keeps, then
// ".tmp-" or ".aside-" and six to eight letters or digits (a folder's name starts with a dot).
bool IsOutputsTemporary(const std::string& path, const std::string& output);

// Cleans up (platform::CleanUpLeftBehind) each path that IsOutputsTemporary of `output`, and
// names every other one, or one that cannot be cleaned up, on `err`, leaving it as it is.
// `program` is the name of the program that left them.
void CleanUpAfter(const std::vector<std::string>& paths, const std::string& program,
                  const std::string& output, std::FILE* err);

}  // namespace plotaktar::cli
