// GCC 12 at -O3 (the Release builds, the Windows one among them) takes the appends to a column
// inlined here for writes outside a vector and warns wrongly about them.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif

#include <climits>
#include <cstring>
#include <stdexcept>

#include <gtest/gtest.h>

#include "model/errors.h"
#include "model/output_formats.h"
#include "model/session.h"
#include "model/table.h"
#include "model/workspace.h"
#include "test_support.h"

namespace plotaktar {
namespace {

using testing::W;

TEST(Table, CellsSurviveEveryCountChange) {
    Table t(3);
    t.setCell(2, 4, "keep");
    t.setRowCount(2);
    t.setColCount(1);
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_EQ(t.cell(2, 4), "keep");  // hidden, not erased
    t.setRowCount(10);
    t.setColCount(5);
    EXPECT_EQ(t.cell(2, 4), "keep");
    EXPECT_EQ(t.cell(4, 9), "");
    EXPECT_EQ(t.cell(400, 90000), "");
    t.setRowCount(0);
    EXPECT_EQ(t.rowCount(), 1);
}

TEST(Table, NegativeColumnsAndRowsReadEmptyAndAreNeverWritten) {
#ifdef NDEBUG
    Table t(2);
    t.setCell(0, 0, "a");
    EXPECT_EQ(t.cell(-1, 0), "");
    EXPECT_EQ(t.cell(0, -1), "");
    EXPECT_THROW(t.setCell(-1, 0, "x"), std::out_of_range);
    EXPECT_THROW(t.setCellNumber(0, -1, 3), std::out_of_range);
    EXPECT_EQ(t.cell(0, 0), "a");
    EXPECT_EQ(t.storedRows(0), 1);
#else
    GTEST_SKIP() << "a debug build asserts instead";
#endif
}

TEST(Table, StoresArbitraryBytesAndOverwrites) {
    Table t(2);
    std::string bytes(300000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 7);
    }
    t.setCell(1, 1, bytes);
    t.setCell(0, 1, std::string_view("a\0b", 3));
    EXPECT_EQ(t.cell(1, 1), bytes);
    EXPECT_EQ(t.cell(0, 1), std::string_view("a\0b", 3));
    t.setCell(1, 1, "short");
    EXPECT_EQ(t.cell(1, 1), "short");
    t.setCell(1, 1, "");
    EXPECT_EQ(t.cell(1, 1), "");
}

TEST(Table, ReleasingOldBuffersKeepsEveryText) {
    Table t(3);
    auto first = std::make_shared<ByteBuffer>(6);
    std::memcpy(first->data(), "abcdef", 6);
    t.holdBuffer(first);
    t.setCellSlice(1, 1, std::string_view(first->data(), 3));
    t.setCellSlice(2, 7, std::string_view(first->data() + 3, 3));
    t.setCell(0, 2, "own");
    const ByteBuffer* none[] = {nullptr};
    t.releaseBuffersExcept(none);
    std::weak_ptr<ByteBuffer> watch = first;
    first.reset();
    EXPECT_TRUE(watch.expired());  // the table let go of the old file
    EXPECT_EQ(t.cell(1, 1), "abc");
    EXPECT_EQ(t.cell(2, 7), "def");
    EXPECT_EQ(t.cell(0, 2), "own");
}

TEST(Table, ReleaseKeepsCellsOfCurrentBuffersInPlace) {
    Table t(2);
    auto current = std::make_shared<ByteBuffer>(4);
    std::memcpy(current->data(), "wxyz", 4);
    t.holdBuffer(current);
    t.setCellSlice(1, 1, std::string_view(current->data(), 4));
    const ByteBuffer* keep[] = {current.get()};
    t.releaseBuffersExcept(keep);
    EXPECT_EQ(t.cell(1, 1).data(), current->data());
}

// Moving rows from a table filled beside this one: each cell reads as before in its new place,
// whichever way it is stored. A buffer both tables hold is still pointed into, whatever slot
// each holds it in; a buffer only the source holds, and the source's own texts, are copied
// before the source lets go of them; a row number grows with its row, other numbers stay.
TEST(Table, MovedCellsReadAsBeforeInTheirNewPlace) {
    auto shared = std::make_shared<ByteBuffer>(6);
    std::memcpy(shared->data(), "abcdef", 6);
    auto only = std::make_shared<ByteBuffer>(3);
    std::memcpy(only->data(), "xyz", 3);
    auto other = std::make_shared<ByteBuffer>(1);
    Table to(4), from(4);
    to.holdBuffer(other);  // the shared buffer lies in another slot here
    to.holdBuffer(shared);
    from.holdBuffer(shared);
    from.holdBuffer(only);
    for (int row = 1; row <= 3; ++row) {
        from.setCellNumber(0, row, row);
        from.setCellSlice(1, row, std::string_view(shared->data() + row, 2));
        from.setCellSlice(2, row, std::string_view(only->data(), row));
        from.setCell(3, row, "own " + std::to_string(row));
    }
    from.setCellNumber(3, 2, 7);
    for (int row = 0; row <= 5; ++row) {  // five rows written here already, rows 6 on move in
        to.setCellNumber(0, row, row);
    }
    to.setCell(3, 9, "beyond");  // longer than what moves in: overwritten in part only
    to.moveCells(from, 0, 4, 1, 0, 5);
    only.reset();
    from = Table(1);
    for (int row = 1; row <= 3; ++row) {
        EXPECT_EQ(to.cell(0, 5 + row), std::to_string(5 + row));
        EXPECT_EQ(to.cell(1, 5 + row), std::string_view("abcdef").substr(row, 2));
        EXPECT_EQ(to.cell(1, 5 + row).data(), shared->data() + row);
        EXPECT_EQ(to.cell(2, 5 + row), std::string_view("xyz").substr(0, row));
    }
    EXPECT_EQ(to.cell(3, 6), "own 1");
    EXPECT_EQ(to.cell(3, 7), "7");
    EXPECT_EQ(to.cell(3, 9), "beyond");
    EXPECT_EQ(to.cell(0, 5), "5");

    // Whole columns shifted right: each replaces a shorter column there, or overwrites the
    // rows it has of a longer one.
    Table corners(2), more(3);
    corners.setCell(2, 0, "old title");
    corners.setCell(2, 4, "old fourth");
    corners.setCell(3, 0, "old");
    more.setCell(1, 0, "1/2");
    more.setCell(1, 1, "corner");
    more.setCell(2, 0, "1/3");
    more.setCell(2, 1, "a");
    more.setCell(2, 2, "b");
    corners.moveCells(more, 1, INT_MAX, 0, 1, 0);
    EXPECT_EQ(corners.cell(2, 0), "1/2");
    EXPECT_EQ(corners.cell(2, 1), "corner");
    EXPECT_EQ(corners.cell(2, 4), "old fourth");
    EXPECT_EQ(corners.cell(3, 0), "1/3");
    EXPECT_EQ(corners.cell(3, 2), "b");
    EXPECT_EQ(more.storedRows(1), 0);
}

TEST(Workspace, StartsWithHeaderRowsAndFiveRowsEverywhere) {
    Session session;
    const Workspace& ws = session.workspace;
    const int columns[] = {6, 6, 6, 7, 10, 11, 7, 6, 7, 7, 9, 5, 5};
    for (int g = 1; g <= kTableCount; ++g) {
        EXPECT_EQ(ws.grid(g).rowCount(), 5) << g;
        EXPECT_EQ(ws.grid(g).colCount(), columns[g - 1]) << g;
    }
    EXPECT_EQ(ws.grid(1).cell(0, 0), W("Sıra No"));
    EXPECT_EQ(ws.grid(4).cell(1, 0), W("Açık/kapalı"));
    EXPECT_EQ(ws.grid(5).cell(9, 0), "tabaka");
    EXPECT_EQ(ws.grid(8).cell(5, 0), W("Köse Sayısı"));
    EXPECT_EQ(ws.grid(10).cell(3, 0), " ");
    EXPECT_EQ(ws.grid(6).cell(8, 0), W("İtalik"));
    EXPECT_EQ(ws.grid(11).cell(0, 0), "");
    for (const auto& [name, text] : ws.flags.named()) {
        EXPECT_EQ(*text, "") << name;
    }
}

// The rows of the kinds table that the readers and the window rely on: a record's last field is
// its layer number, every record table has a header for each of its starting columns, the
// plot file's sections come in their fixed order, and the output formats are found by their
// extensions in any case.
TEST(KindsTable, RowsAgreeWithWhatTheirReadersAndTheWindowAssume) {
    for (const KindEntry& kind : kKinds) {
        SCOPED_TRACE(kind.flagName);
        const TableEntry& table = TableOf(kind.table);
        if (kind.shape != Shape::Layer && !kind.code.empty()) {
            EXPECT_EQ(table.columns.layer, kind.fields);
        }
        EXPECT_EQ(static_cast<int>(table.headers.size()), table.startColumns);
        EXPECT_EQ(HeaderTexts(kind.table).size(), table.headers.size());
    }
    std::string order;
    for (Kind kind : kPlotOrder) {
        if (KindOf(kind).plotSection != 0) {
            order += KindOf(kind).countName;
            order += ' ';
        }
    }
    EXPECT_EQ(order, "tab nir pol yazı nok hat par ");

    ASSERT_NE(OutputFormatForPath("a/B.PNG"), nullptr);
    EXPECT_EQ(OutputFormatForPath("a/B.PNG")->program, kRenderProgram);
    EXPECT_EQ(OutputFormatForPath("x.plt")->program, kCliProgram);
    EXPECT_EQ(OutputFormatForPath("x.png.txt"), nullptr);
    EXPECT_EQ(ExtensionsWrittenBy(kRenderProgram), ".png, .svg or .pdf");
}

TEST(AppendGridRow, ShrinksOnTheFirstRowOfAnImportAndGrowsAfter) {
    Table t(6);
    int counter = 0;
    for (int i = 0; i < 5; ++i) {
        AppendGridRow(t, counter);
    }
    EXPECT_EQ(t.rowCount(), 6);
    EXPECT_EQ(t.cell(0, 5), "5");
    t.setCell(1, 5, "old");
    counter = 0;
    EXPECT_EQ(AppendGridRow(t, counter), 1);
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_EQ(t.cell(1, 5), "old");
    EXPECT_EQ(AppendGridRow(t, counter), 2);
    EXPECT_EQ(t.rowCount(), 3);
    EXPECT_EQ(t.cell(0, 2), "2");
}

TEST(MarkLayerUsed, MarksTheRowItsNumberNames) {
    for (const char* text : {"3", "+3", "03", "$3", "0x3"}) {
        LayerTable layers;
        MarkLayerUsed(layers, text);
        EXPECT_EQ(layers.field(3, 8), "1") << text;
    }
    LayerTable layers;
    MarkLayerUsed(layers, "150");
    MarkLayerUsed(layers, "1");
    EXPECT_EQ(layers.field(150, 8), "1");
    EXPECT_EQ(layers.field(1, 8), "1");
}

TEST(MarkLayerUsed, FailsWithoutChangingAnythingOutsideOneTo150) {
    for (const char* text : {"", "3 9", "3.0", "A", "0", "151", "-1", "2147483648"}) {
        LayerTable layers;
        EXPECT_THROW(MarkLayerUsed(layers, text), Error) << text;
        for (int row = 1; row <= kLayerRows; ++row) {
            EXPECT_EQ(layers.field(row, 8), "") << text;
        }
    }
    try {
        LayerRowOf("151");
        FAIL();
    } catch (const LayerRangeError& e) {
        EXPECT_EQ(e.what(), "'151" + W("' geçerli bir tabaka numarası değil"));
    }
}

}  // namespace
}  // namespace plotaktar

namespace plotaktar {
namespace {

TEST(Error, KeepsACellTextWithNulBytesWhole) {
    const std::string cell("7\0x", 3);
    try {
        LayerRowOf(cell);
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_EQ(MessageOf(e), "'" + cell + "' is not a valid integer value");
    }
}

}  // namespace
}  // namespace plotaktar
