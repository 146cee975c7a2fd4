#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "model/byte_buffer.h"

namespace plotaktar {

// One working table: a grid of byte-string cells addressed by column and row (both from 0),
// with a row count and a column count of at least 1. A cell keeps its text across every change
// of the counts: lowering a count hides cells, raising it shows their old text again; nothing
// clears a cell. Cells outside the counts can still be read and written.
//
// Storage is per column: a pointer and a 32-bit length per cell. A cell's bytes lie either in
// the table's own arena (setCell copies them there), in a shared input buffer that the table
// holds (setCellSlice), or in storage that lives as long as the program (pooled numbers and
// literals). Sparse columns cost only as many rows as were written in them.
class Table {
  public:
    explicit Table(int colCount, int rowCount = 5);
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;
    Table(Table&&) noexcept;
    Table& operator=(Table&&) noexcept;
    ~Table();

    int rowCount() const { return rowCount_; }
    int colCount() const { return colCount_; }
    // Counts below 1 are taken as 1. Cells beyond a lowered count keep their text.
    void setRowCount(int rows) { rowCount_ = rows < 1 ? 1 : rows; }
    void setColCount(int cols) { colCount_ = cols < 1 ? 1 : cols; }

    // The text of a cell; the empty text for a cell never written. Any col, row >= 0.
    std::string_view cell(int col, int row) const {
        if (static_cast<size_t>(col) >= columns_.size()) {
            return {};
        }
        const Column& c = columns_[static_cast<size_t>(col)];
        if (static_cast<size_t>(row) >= c.ptr.size()) {
            return {};
        }
        const char* p = c.ptr[static_cast<size_t>(row)];
        uint32_t n = c.len[static_cast<size_t>(row)];
        return n == kLongCell ? longCell(p) : std::string_view(p, n);
    }

    // Writes a copy of the text.
    void setCell(int col, int row, std::string_view text);

    // Writes a cell that points into `text` without copying it. The bytes must lie in a buffer
    // the table holds (holdBuffer), in the number pool, or in static storage.
    void setCellSlice(int col, int row, std::string_view text);

    // Keeps the buffer alive while cells of this table may point into it.
    void holdBuffer(const SharedBytes& buffer);

    // Copies every cell that points into a held buffer other than those in `keep` (or into an
    // arena grown large with overwritten texts) into fresh storage, and lets go of the rest.
    // The import calls it at its end so that a table holds at most the last import's files.
    void releaseBuffersExcept(std::span<const ByteBuffer* const> keep);

    // The number of rows that column `col` has storage for (0 for a column never written).
    int storedRows(int col) const;

    // Bytes of memory held by this table's cell references and arena (not shared buffers).
    size_t ownMemory() const;

  private:
    static constexpr uint32_t kLongCell = UINT32_MAX;
    static std::string_view longCell(const char* p);

    struct Column {
        std::vector<const char*> ptr;
        std::vector<uint32_t> len;
    };
    struct Arena;

    void store(int col, int row, const char* p, uint32_t n);
    const char* copyToArena(std::string_view text, uint32_t& storedLen);

    int rowCount_;
    int colCount_;
    std::vector<Column> columns_;
    std::unique_ptr<Arena> arena_;
    size_t arenaBaseline_ = 0;
    std::vector<SharedBytes> held_;
};

}  // namespace plotaktar
