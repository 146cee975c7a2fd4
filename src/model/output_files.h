#pragma once

// The names of every file an output writes, derived from OUTPUT as its format declares them
// (OutputFormatInfo): a command compares them all with its inputs before it writes any.

#include <string>
#include <vector>

#include "model/output_formats.h"

namespace plotaktar {

// Every file that writing `format` to `output` writes: OUTPUT itself; for a format of sets,
// each kind's set (NAME-noktalar.shp, NAME-noktalar.shx ... NAME-semboller.cpg); for a picture
// of `pages` pages a file a page, NAME-0.EXT to NAME-(pages-1).EXT, when there are several.
std::vector<std::string> FilesWritten(const OutputFormatInfo& format, const std::string& output,
                                      int pages = 1);

// The file of page `page` of a picture written a file a page: OUTPUT with "-PAGE" before the
// extension of its file name (after it when the name has none).
std::string PageFilePath(const std::string& output, int page);

}  // namespace plotaktar
