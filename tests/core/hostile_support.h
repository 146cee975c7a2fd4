// Helpers of the hostile-input and export-fault tests: a compact account of what an import left
// behind. (Running a piece of a test as an unprivileged user is in test_support.h.)
#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "model/session.h"
#include "test_support.h"

namespace plotaktar::testing {

// What an import left for the user to see and for the export to read: its messages, the ten
// flags, every table's counts, and the cells that tell the files apart in these tests.
inline std::string ImportSummary(const Session& session, const std::vector<std::string>& messages) {
    const Workspace& ws = session.workspace;
    std::string out = "messages:";
    for (const std::string& m : messages) {
        out += " [" + m + "]";
    }
    out += "\nflags:";
    for (const auto& [name, value] : ws.flags.named()) {
        out += " " + std::string(name) + "=" + *value;
    }
    out += "\ncounts:";
    for (int g = 1; g <= 13; ++g) {
        const Table& t = ws.grid(g);
        out += " " + std::to_string(t.colCount()) + "x" + std::to_string(t.rowCount());
    }
    out += "\nfirst rows: " + std::string(ws.grid(1).cell(1, 1)) + " | " +
           std::string(ws.grid(6).cell(10, 1)) + " | " + std::string(ws.grid(6).cell(10, 2)) +
           " | " + std::string(ws.grid(11).cell(4, 0));
    return out;
}

}  // namespace plotaktar::testing
