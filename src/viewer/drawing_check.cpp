#include "viewer/drawing_check.h"

#include <algorithm>
#include <utility>

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

    // The feature each finding names: the first of the drawing's features from its row. The
    // findings are sorted by their rows and met in one pass over the features, so that no index
    // of every feature of a large drawing is held beside its findings.
    const Drawing& drawing = loaded.drawing;
    const check::Findings& findings = result->findings;
    std::vector<std::pair<uint64_t, uint32_t>> byRow;  // a finding's row, the finding
    byRow.reserve(findings.size());
    for (uint32_t k = 0; k < findings.size(); ++k) {
        byRow.emplace_back(RowKey(findings[k].table, findings[k].row), k);
    }
    std::sort(byRow.begin(), byRow.end());
    result->features.assign(findings.size(), std::nullopt);
    for (uint32_t i = 0; i < drawing.size() && !byRow.empty(); ++i) {
        if (const std::optional<TableId> table = drawing.sourceTable(i)) {
            const uint64_t key = RowKey(*table, static_cast<int>(drawing.sourceRow(i)));
            for (auto it = std::lower_bound(byRow.begin(), byRow.end(), std::pair(key, 0u));
                 it != byRow.end() && it->first == key; ++it) {
                if (!result->features[it->second]) {
                    result->features[it->second] = i;
                }
            }
        }
    }
    std::vector<std::pair<uint64_t, uint32_t>>().swap(byRow);
    auto marks = std::make_shared<std::vector<FindingMark>>();
    result->places.reserve(findings.size());
    for (uint32_t k = 0; k < findings.size(); ++k) {
        const check::Finding& f = findings[k];
        const std::optional<uint32_t> feature = result->features[k];
        std::optional<Vertex> place = f.at;
        if (!place && feature && !drawing.vertices(*feature).empty()) {
            place = drawing.vertices(*feature).front();
        }
        if (place) {
            marks->push_back({*place, f.severity == check::Severity::Error});
        }
        result->places.push_back(place);
        ++(f.severity == check::Severity::Error ? result->errors : result->warnings);
    }
    result->marks = std::move(marks);
    return result;
}

}  // namespace plotaktar::viewer
