// Running out of memory at every single allocation of an import and of an export, one after
// the other: this executable replaces operator new with one that fails the N-th allocation
// while it is armed. Each outcome must be the complete result, or a reported "Out of memory"
// with every table consistent (each cell holds its old text or its new one, and stays
// readable), and an export that writes a complete file or leaves the target as it was.
#include <algorithm>
// operator delete below frees what operator new took from malloc.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "import/import_command.h"
#include "import/import_files.h"
#include "model/errors.h"
#include "model/messages.h"
#include "plotfile/plot_file.h"
#include "plotfile/plot_writer.h"
#include "test_support.h"

namespace {

// Allocations left before the one that fails; negative when disarmed.
std::atomic<long> g_allocationsLeft{-1};

}  // namespace

void* operator new(std::size_t size) {
    if (g_allocationsLeft.load(std::memory_order_relaxed) >= 0 &&
        g_allocationsLeft.fetch_sub(1, std::memory_order_relaxed) == 0) {
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace plotaktar {
namespace {

using testing::CrLf;
using testing::ReadFile;
using testing::ScriptedUi;
using testing::TempDir;

// Arms the failure of the allocation after the next `allocations` ones for its lifetime.
class FailingAllocation {
  public:
    explicit FailingAllocation(long allocations) { g_allocationsLeft = allocations; }
    ~FailingAllocation() { g_allocationsLeft = -1; }
    FailingAllocation(const FailingAllocation&) = delete;
    FailingAllocation& operator=(const FailingAllocation&) = delete;
    // True once the failing allocation was reached.
    static bool reached() { return g_allocationsLeft < 0; }
};

// Runs `work` with the n-th allocation from now on failing. Returns the message of what it
// threw (empty when it threw nothing) and whether the failing allocation was reached.
template <typename Work>
std::pair<std::string, bool> RunFailing(long n, Work work) {
    std::string error;
    bool reached;
    {
        FailingAllocation failing(n);
        try {
            work();
        } catch (const std::exception& e) {
            error = MessageOf(e);
        }
        reached = FailingAllocation::reached();
    }
    return {error, reached};
}

// Every cell of every table (also beyond the counts, as far as a column stores rows), the
// flags and LayerTable.
using Snapshot = std::map<std::tuple<int, int, int>, std::string>;

Snapshot Take(const Workspace& ws) {
    Snapshot cells;
    for (int g = 1; g <= kTableCount; ++g) {
        const Table& t = ws.grid(g);
        for (int c = 0; c < t.colCount() + 2; ++c) {
            const int rows = std::max(t.rowCount(), t.storedRows(c));
            for (int r = 0; r < rows; ++r) {
                cells[{g, c, r}] = std::string(t.cell(c, r));
            }
        }
        cells[{g, -1, 0}] = std::to_string(t.rowCount()) + "x" + std::to_string(t.colCount());
    }
    int f = 0;
    for (const auto& [name, value] : ws.flags.named()) {
        cells[{0, -2, f++}] = *value;
    }
    for (int row = 1; row <= kLayerRows; ++row) {
        for (int field = 1; field <= kLayerFields; ++field) {
            cells[{0, row, field}] = ws.layerTable.field(row, field);
        }
    }
    return cells;
}

std::string At(const Snapshot& s, const Snapshot::key_type& key) {
    auto it = s.find(key);
    return it == s.end() ? std::string() : it->second;
}

class MemoryFaults : public ::testing::Test {
  protected:
    // A first import whose cells the second one must move out of its files, and a second one
    // with every kind of record, parcel corners, a failing record and both label files.
    void SetUp() override {
        first = {dir.write("a.gplt", CrLf({"tab 1 1 ESKI 1 1 1 1", "nir 7 1 2 3 1",
                                           "hat 1 2 3 4 5 6 7 8 1", "par 5 6 7 1", "5 6 a b c"})),
                 dir.write("a.yaz", CrLf({"1 2 0 2 eski yazi   1"})), dir.file("a.yfn")};
        second = {
            dir.write("b.gplt", CrLf({"tab 1 1 SINIR 1 1 1 1", "tab 2 1 YOL 1 1 1 1",
                                      "nir 12 4512345.67 512345.67 123.45 1", "pol 13 1 2 3 2",
                                      "nok 14 1 2 3 1", "bin 9 1 2 3 4 y", "hat 1 2 3 4 5 6 7 8 2",
                                      "sem 1 2 3 4 5 1", "par 101 5 350.25 1", "101 5 1 2 3 4",
                                      "101 5 5 6 7 8", "par 102 6 10 2", "102 6 9 9 9",
                                      "bin 1 2 3 4 5 1", "sev 1 2 3 4 5 2"})),
            dir.write("b.yaz", CrLf({"100 200 0 2.5 ADA 101   1", "1 2 3 4 kisa   2"})),
            dir.write("b.yfn", CrLf({"Ovalt 1 2 3 4 5 2 0 0 yan yazi"}))};
    }

    // Two imports before the one under test. The symbol of the first, a text of more than a
    // mebibyte, moves into its table's own storage when the second import lets go of the first
    // one's file; the import under test overwrites it, so that at its end the table rebuilds
    // its storage without the overwritten text.
    void importFirst(Session& session) {
        ScriptedUi ui;
        const ImportPaths big{
            dir.write("big.gplt", CrLf({"sem 1 " + std::string(1200000, 'S') + " 3 4 5 1"})), "",
            ""};
        ImportFiles(session.workspace, big, ui);
        ImportFiles(session.workspace, first, ui);
    }

    TempDir dir;
    ImportPaths first, second;
};

TEST_F(MemoryFaults, AnImportEitherCompletesOrReportsOutOfMemoryWithConsistentTables) {
    Session reference;
    importFirst(reference);
    const Snapshot before = Take(reference.workspace);
    ScriptedUi referenceUi;
    referenceUi.answerOpen(second.geometry, second.labels);
    RunOpenCommand(reference, referenceUi);
    const Snapshot after = Take(reference.workspace);
    ASSERT_EQ(referenceUi.failures.size(), 1u);

    for (long n = 0;; ++n) {
        SCOPED_TRACE("failing allocation " + std::to_string(n));
        Session session;
        importFirst(session);
        ScriptedUi ui;
        ui.answerOpen(second.geometry, second.labels);
        const auto [error, reached] = RunFailing(n, [&] { RunOpenCommand(session, ui); });
        if (!reached) {
            // Never reaching a failure at all would mean operator new was not replaced.
            ASSERT_GT(n, 0);
            ASSERT_EQ(error, "");
            EXPECT_EQ(Take(session.workspace), after);
            break;
        }
        ASSERT_EQ(error, kOutOfMemoryMessage);
        EXPECT_TRUE(ui.messages.empty() || ui.messages.back() != kFileOpenedMessage);

        // Each cell holds its text from before the import or the one the import gives it; the
        // corner count of a parcel may also stand at a corner on the way. (StringGrid0 is
        // LayerTable, which the import empties first.)
        const Snapshot now = Take(session.workspace);
        for (const auto& [key, text] : now) {
            const auto [g, c, r] = key;
            // A layer record sets its row's usage mark to "0" before records mark it again.
            const bool layerMark = g == 0 && c > 0 && r == kLayerFields;
            if (text == At(before, key) || text == At(after, key) || c < 0 || (g == 8 && c == 5) ||
                (g == 0 && text.empty()) || (layerMark && (text == "0" || text == "1"))) {
                continue;
            }
            ADD_FAILURE() << "StringGrid" << g << " cell " << c << "," << r << " holds '" << text
                          << "'";
        }

        // The partial tables export completely or not at all.
        TempDir outDir;
        const std::string out = outDir.write("out.plt", "OLD\r\n");
        try {
            SavePlotFile(session.workspace, out);
            EXPECT_EQ(ReadFile(out), PlotFileBytes(session.workspace));
        } catch (const Error&) {
            EXPECT_EQ(ReadFile(out), "OLD\r\n");
        }
    }
}

TEST_F(MemoryFaults, AnExportEitherWritesTheWholeFileOrLeavesTheTargetAsItWas) {
    Session session;
    importFirst(session);
    ScriptedUi ui;
    ImportFiles(session.workspace, second, ui);
    const std::string expected = PlotFileBytes(session.workspace);
    ASSERT_FALSE(expected.empty());

    for (long n = 0;; ++n) {
        SCOPED_TRACE("failing allocation " + std::to_string(n));
        TempDir outDir;
        const std::string out = outDir.write("out.plt", "OLD\r\n");
        const auto [error, reached] = RunFailing(n, [&] { SavePlotFile(session.workspace, out); });
        if (!reached) {
            // Never reaching a failure at all would mean operator new was not replaced.
            ASSERT_GT(n, 0);
            ASSERT_EQ(error, "");
            EXPECT_EQ(ReadFile(out), expected);
            break;
        }
        EXPECT_EQ(error, kOutOfMemoryMessage);
        EXPECT_EQ(ReadFile(out), "OLD\r\n");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(outDir.path()),
                                std::filesystem::directory_iterator()),
                  1);
    }
}

}  // namespace
}  // namespace plotaktar
