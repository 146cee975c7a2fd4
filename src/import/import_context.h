#pragma once

#include <cstdint>
#include <string>

#include "model/session.h"
#include "model/user_interface.h"

namespace plotaktar {

// The running counts of one import: one per record kind and one shared by both label files.
enum class Count { Nir, Pol, Nok, Tab, Hat, Sem, Par, Bin, Sev, Text, Size };

// What one run of the import command works with: the tables, the user, the counts.
struct ImportContext {
    ImportContext(Workspace& ws, UserInterface& user) : workspace(ws), ui(user) {}

    int& count(Count which) { return counts[static_cast<size_t>(which)]; }

    Workspace& workspace;
    UserInterface& ui;
    int counts[static_cast<size_t>(Count::Size)] = {};
    int cornerCount = 0;      // corners recorded since the last parcel record
    uint64_t lineNumber = 0;  // of the geometry line being read, from 1
};

}  // namespace plotaktar
