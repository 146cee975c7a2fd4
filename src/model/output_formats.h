#pragma once

// The output formats the programs write, as descriptors: name, file extensions, options and the
// program that writes each. plotaktar-cli chooses a format and its program from these alone,
// without loading the libraries that write it; the writers themselves (OutputWriter, in the
// drawing layer) live in the programs allowed to load those libraries. A new format is one row
// here plus its writer in the program named.

#include <span>
#include <string>
#include <string_view>

namespace plotaktar {

// An option a format takes on the command line.
struct OutputOption {
    std::string_view name;   // "--size"
    std::string_view value;  // what it takes, for the usage text ("WxH"); empty: a switch
};

// The programs that write formats.
inline constexpr std::string_view kCliProgram = "plotaktar-cli";
inline constexpr std::string_view kRenderProgram = "plotaktar-render";
inline constexpr std::string_view kExportProgram = "plotaktar-export";

struct OutputFormatInfo {
    std::string_view name;                         // "plt", "png" ...
    std::string_view description;                  // for the usage text
    std::span<const std::string_view> extensions;  // lower case, with the dot; the first is usual
    std::span<const OutputOption> options;
    std::string_view program;  // the program that writes it
    // True for a format that places the drawing on the earth and so needs its coordinate
    // system named.
    bool needsCoordinateSystem;
    // The files a format writes beside OUTPUT instead of it, declared here and nowhere else
    // (FilesWritten reads them): for a format that writes one set of files a kind, the
    // extensions of a set (a Shapefile: NAME-noktalar.shp, NAME-noktalar.shx ...); empty for a
    // format that writes OUTPUT itself.
    std::span<const std::string_view> setExtensions = {};
    // True for a picture whose sheets go to a file a page (NAME-0.png the index, NAME-1.png ...)
    // when there are several.
    bool pageFiles = false;
};

// Every output format, the plot file first.
std::span<const OutputFormatInfo> OutputFormats();

// The format whose extension `path` ends in (letters in any case); null for none.
const OutputFormatInfo* OutputFormatForPath(std::string_view path);

// The format of that name ("dxf"); null for none.
const OutputFormatInfo* OutputFormatNamed(std::string_view name);

// The extensions of the formats that `program` writes, as "A, B or C" (".png, .svg or .pdf").
std::string ExtensionsWrittenBy(std::string_view program);

}  // namespace plotaktar
