// A test fixture that imports drawings written into a temporary directory, through the import
// command with a scripted user, and reads back what the tables hold.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "import/import_command.h"
#include "test_support.h"

namespace plotaktar::testing {

class ImportFixture : public ::testing::Test {
  protected:
    using Msgs = std::vector<std::string>;
    using Row = std::vector<std::string>;

    // One import of the geometry file and the label file (both confirmed in their dialogs) and
    // of the companion, which is written only when given. Returns the messages shown.
    Msgs import(const std::string& geometry, const std::string& labels = "",
                const std::optional<std::string>& companion = std::nullopt) {
        const std::string g = dir.write("d.gplt", geometry);
        const std::string l = dir.write("d.yaz", labels);
        if (companion) {
            dir.write("d.yfn", *companion);
        }
        ScriptedUi ui;
        ui.answerOpen(g, l);
        RunOpenCommand(session, ui);
        failures = ui.failures;
        return ui.messages;
    }

    Table& grid(int n) { return session.workspace.grid(n); }
    LayerTable& layers() { return session.workspace.layerTable; }
    SectionFlags& flags() { return session.workspace.flags; }

    // The visible cells of row r of StringGrid g.
    Row row(int g, int r) {
        Row out;
        for (int c = 0; c < grid(g).colCount(); ++c) {
            out.emplace_back(grid(g).cell(c, r));
        }
        return out;
    }

    TempDir dir;
    Session session;
    std::vector<std::pair<std::string, uint64_t>> failures;  // word and geometry line
};

}  // namespace plotaktar::testing
