// Working-table writes whose text lies in the table's own storage: a cell copied from another
// cell of the same table, while that storage grows and moves. Found by the table fuzz target.
#include <string>

#include <gtest/gtest.h>

#include "model/table.h"

namespace plotaktar {
namespace {

TEST(HostileTable, CopiesOfOwnCellsSurviveTheArenaGrowing) {
    Table t(2);
    t.setCell(0, 1, "abcdefgh");
    for (int row = 2; row <= 5000; ++row) {
        t.setCell(0, row, t.cell(0, row - 1));
    }
    EXPECT_EQ(t.cell(0, 5000), "abcdefgh");
}

TEST(HostileTable, CopyOfALongOwnCell) {
    // Beyond the 16 MiB of a cell reference's length field a cell is stored with its own
    // length in front; copying such a cell into the same table grows the storage it lies in.
    std::string big((size_t{1} << 24) + 5, 'L');
    big[big.size() / 2] = 'M';
    Table t(2);
    t.setCell(0, 1, big);
    t.setCell(1, 1, t.cell(0, 1));
    EXPECT_TRUE(t.cell(1, 1) == big);
    EXPECT_TRUE(t.cell(0, 1) == big);
}

}  // namespace
}  // namespace plotaktar
