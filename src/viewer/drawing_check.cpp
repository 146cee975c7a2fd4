#include "viewer/drawing_check.h"

#include <unordered_map>

namespace plotaktar::viewer {

namespace {

uint64_t RowKey(TableId table, int row) {
    return (static_cast<uint64_t>(TableNumber(table)) << 32) | static_cast<uint32_t>(row);
}

}  // namespace

std::shared_ptr<const DrawingCheck> CheckDrawing(const LoadedDrawing& loaded,
                                                 const ImportPaths& paths,
                                                 const std::vector<check::FailedRecord>& failures,
                                                 const std::atomic<bool>* cancel) {
    auto result = std::make_shared<DrawingCheck>();
    result->paths = paths;
    if (!loaded.workspace) {
        return result;
    }
    check::StopIfCancelled(cancel);
    // The lines of the bytes imported, which the workspace holds anyway: a second reading of a
    // large geometry file would be held beside them while the check runs.
    RowLines lines;
    lines.readGeometry(loaded.imported.geometry);
    check::StopIfCancelled(cancel);
    lines.readLabels(loaded.imported.labels, loaded.imported.companion, *loaded.workspace);
    check::CheckOptions options;
    options.cancel = cancel;
    result->findings = check::CheckWorkspace(*loaded.workspace, lines, failures, options);

    // The drawing's features by the rows they come from.
    const Drawing& drawing = loaded.drawing;
    std::unordered_map<uint64_t, uint32_t> byRow;
    byRow.reserve(drawing.size());
    for (uint32_t i = 0; i < drawing.size(); ++i) {
        if (const std::optional<TableId> table = drawing.sourceTable(i)) {
            byRow.emplace(RowKey(*table, static_cast<int>(drawing.sourceRow(i))), i);
        }
    }
    auto marks = std::make_shared<std::vector<FindingMark>>();
    result->features.reserve(result->findings.size());
    result->places.reserve(result->findings.size());
    for (const check::Finding& f : result->findings) {
        std::optional<uint32_t> feature;
        if (auto found = byRow.find(RowKey(f.table, f.row)); found != byRow.end()) {
            feature = found->second;
        }
        std::optional<Vertex> place = f.at;
        if (!place && feature && !drawing.vertices(*feature).empty()) {
            place = drawing.vertices(*feature).front();
        }
        if (place) {
            marks->push_back({*place, f.severity == check::Severity::Error});
        }
        result->features.push_back(feature);
        result->places.push_back(place);
        ++(f.severity == check::Severity::Error ? result->errors : result->warnings);
    }
    result->marks = std::move(marks);
    return result;
}

}  // namespace plotaktar::viewer
