#include "model/output_files.h"

#include "model/export_kinds.h"

namespace plotaktar {

namespace {

// Where the extension of the file name of `path` starts: its last dot, unless the name has
// none; otherwise the path's end.
size_t ExtensionStart(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) ? dot
                                                                                   : path.size();
}

}  // namespace

std::string PageFilePath(const std::string& output, int page) {
    const size_t at = ExtensionStart(output);
    return output.substr(0, at) + '-' + std::to_string(page) + output.substr(at);
}

std::vector<std::string> FilesWritten(const OutputFormatInfo& format, const std::string& output,
                                      int pages) {
    std::vector<std::string> files;
    if (!format.setExtensions.empty()) {
        for (const ExportKindEntry& kind : kExportKindRows) {
            std::string set = ShapefileSetPath(output, kind);
            set.resize(ExtensionStart(set));
            for (std::string_view extension : format.setExtensions) {
                files.push_back(set + std::string(extension));
            }
        }
    } else if (format.pageFiles && pages > 1) {
        for (int page = 0; page < pages; ++page) {
            files.push_back(PageFilePath(output, page));
        }
    } else {
        files.push_back(output);
    }
    return files;
}

}  // namespace plotaktar
