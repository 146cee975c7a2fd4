#pragma once

#include <cstdint>
#include <string>

#include "model/import_observer.h"
#include "model/session.h"

namespace plotaktar {

// The running counts of one import: one per record kind and one shared by both label files.
enum class Count { Nir, Pol, Nok, Tab, Hat, Sem, Par, Bin, Sev, Text, Size };

// What one import works with: the tables, whoever hears of its failures, the counts.
struct ImportContext {
    ImportContext(Workspace& ws, ImportObserver& watcher) : workspace(ws), observer(watcher) {}

    int& count(Count which) { return counts[static_cast<size_t>(which)]; }

    Workspace& workspace;
    ImportObserver& observer;
    int counts[static_cast<size_t>(Count::Size)] = {};
    int cornerCount = 0;      // corners recorded since the last parcel record
    uint64_t lineNumber = 0;  // of the geometry line being read, from 1
};

}  // namespace plotaktar
