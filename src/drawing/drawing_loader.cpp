#include "drawing/drawing_loader.h"

#include <optional>

#include "drawing/drawing_sources.h"
#include "import/import_files.h"
#include "model/errors.h"
#include "model/file_names.h"
#include "model/text.h"
#include "platform/files.h"

namespace plotaktar {

SharedBytes ReadPlotFile(const std::string& path) {
    std::optional<SharedBytes> bytes = platform::ReadRegularFile(path);
    if (!bytes) {
        std::string cause = platform::UnreadableCause(path);
        throw Error(cause.empty() ? std::string("cannot be read") : cause);
    }
    return std::move(*bytes);
}

void CheckPlotRecords(uint64_t recordLines, uint64_t skippedLines) {
    // Another program's file named .plt (HP-GL, a binary) would otherwise pass for an empty
    // drawing.
    if (recordLines == 0 && skippedLines > 0) {
        throw Error("not a plot file: none of its " + std::to_string(skippedLines) +
                    " lines is a record of a plot file");
    }
}

bool IsPlotFilePath(const std::string& path) {
    return EndsWithNoCase(path, ".plt");
}

LoadedDrawing LoadDrawing(const std::string& geometryOrPlot, const std::string& labels,
                          ImportObserver& observer) {
    LoadedDrawing loaded;
    if (IsPlotFilePath(geometryOrPlot)) {
        loaded.plotBytes = ReadPlotFile(geometryOrPlot);
        loaded.drawing = DrawingFromPlotBytes(loaded.plotBytes->view());
        const DrawingCounts& counts = loaded.drawing.counts();
        CheckPlotRecords(counts.recordLines, counts.skippedLines);
        return loaded;
    }
    // A file the user named that cannot be read is an error, not an empty drawing (the window's
    // import passes over it silently; a picture of nothing would pass for the drawing).
    if (std::string cause = platform::UnreadableCause(geometryOrPlot); !cause.empty()) {
        throw Error(cause);
    }
    if (!labels.empty()) {
        if (std::string cause = platform::UnreadableCause(labels); !cause.empty()) {
            throw Error(labels + ": " + cause);
        }
    }
    loaded.workspace = std::make_unique<Workspace>();
    ImportPaths paths{geometryOrPlot, labels, labels.empty() ? "" : CompanionFileBeside(labels)};
    ImportFiles(*loaded.workspace, paths, observer, &loaded.imported);
    loaded.drawing = DrawingFromWorkspace(*loaded.workspace);
    return loaded;
}

}  // namespace plotaktar
