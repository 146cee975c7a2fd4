#include "drawing/drawing_loader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "drawing/drawing_sources.h"
#include "export/plot_file.h"
#include "import/import_command.h"
#include "import/import_files.h"
#include "model/errors.h"

namespace plotaktar {

namespace {

bool EndsWithNoCase(const std::string& text, std::string_view suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    for (size_t i = 0; i < suffix.size(); ++i) {
        char c = text[text.size() - suffix.size() + i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != suffix[i]) {
            return false;
        }
    }
    return true;
}

bool IsRegularFile(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The whole file; a file that grows while read is read to its end.
std::string ReadWholeFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        throw FileError(FileErrorMessage(errno), errno);
    }
    std::string bytes;
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        bytes.reserve(static_cast<size_t>(info.st_size));
    }
    char chunk[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            int error = errno;
            ::close(fd);
            throw FileError(FileErrorMessage(error), error);
        }
        if (n == 0) {
            break;
        }
        bytes.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    return bytes;
}

}  // namespace

bool IsPlotFilePath(const std::string& path) {
    return EndsWithNoCase(path, ".plt");
}

std::string LabelFileBeside(const std::string& geometry) {
    size_t slash = geometry.find_last_of('/');
    size_t dot = geometry.find_last_of('.');
    std::string base = geometry;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) {
        base.resize(dot);
    }
    for (const char* extension : {".yaz", ".YAZ"}) {
        if (IsRegularFile(base + extension)) {
            return base + extension;
        }
    }
    return {};
}

LoadedDrawing LoadDrawing(const std::string& geometryOrPlot, const std::string& labels,
                          ImportObserver& observer) {
    LoadedDrawing loaded;
    if (IsPlotFilePath(geometryOrPlot)) {
        auto bytes = std::make_shared<const std::string>(ReadWholeFile(geometryOrPlot));
        loaded.drawing = DrawingFromPlotBytes(*bytes);
        loaded.plotBytes = std::move(bytes);
        return loaded;
    }
    loaded.workspace = std::make_unique<Workspace>();
    ImportPaths paths{geometryOrPlot, labels, labels.empty() ? "" : CompanionFileName(labels)};
    ImportFiles(*loaded.workspace, paths, observer);
    loaded.drawing = DrawingFromWorkspace(*loaded.workspace);
    return loaded;
}

}  // namespace plotaktar
