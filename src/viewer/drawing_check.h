#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "check/check_workspace.h"
#include "drawing/drawing_loader.h"
#include "import/import_files.h"

namespace plotaktar::viewer {

// A mark on the map where the check found something.
struct FindingMark {
    Vertex at;
    bool error;
};

// The check of a drawing on screen: its findings, the feature each names (when the drawing
// shows that row), where on the map each lies, and the marks of those that lie somewhere. All
// made on the worker thread, so that the window only shows them.
struct DrawingCheck {
    ImportPaths paths;
    check::Findings findings;
    std::vector<std::optional<uint32_t>> features;  // by finding
    std::vector<std::optional<Vertex>> places;      // by finding
    std::shared_ptr<const std::vector<FindingMark>> marks;
    size_t errors = 0;
    size_t warnings = 0;
};

// Checks the workspace of a drawing read from `paths` (the line numbers from the bytes its
// import read), with the failing records its import reported. Meant for a worker thread: reads
// the drawing only. Throws std::bad_alloc, and check::CheckCancelled soon after `cancel` (may
// be null) became true.
std::shared_ptr<const DrawingCheck> CheckDrawing(const LoadedDrawing& drawing,
                                                 const ImportPaths& paths,
                                                 const std::vector<check::FailedRecord>& failures,
                                                 const std::atomic<bool>* cancel = nullptr);

}  // namespace plotaktar::viewer
