#pragma once

#include <cstdint>
#include <string>

#include "model/import_observer.h"
#include "model/session.h"

namespace plotaktar {

// What one import works with: the tables, whoever hears of its failures, and its running
// counts, one per kind (the two label files share the one of Kind::Yazi).
struct ImportContext {
    ImportContext(Workspace& ws, ImportObserver& watcher)
        : workspace(ws), observer(watcher), layers(&ws.layerTable) {}

    int& count(Kind kind) { return counts[static_cast<size_t>(kind)]; }

    Workspace& workspace;
    ImportObserver& observer;
    // Where the label files mark the layers they name as used: LayerTable, or a table of their
    // own while they are read beside the geometry file (its marks are copied over after).
    LayerTable* layers;
    int counts[kKindCount] = {};
    int cornerCount = 0;      // corners recorded since the last parcel record
    uint64_t lineNumber = 0;  // of the geometry line being read, from 1
};

}  // namespace plotaktar
