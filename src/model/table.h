#pragma once

#include <array>
#include <cassert>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/byte_buffer.h"

namespace plotaktar {

// One working table: a grid of byte-string cells addressed by column and row (both from 0),
// with a row count and a column count of at least 1. A cell keeps its text across every change
// of the counts: lowering a count hides cells, raising it shows their old text again; nothing
// clears a cell. Cells outside the counts can still be read and written.
//
// Storage is per column, 8 bytes a cell: where the text lies (a slot), its offset and length.
// A text lies in the table's own arena (setCell copies it there), in a shared input buffer the
// table holds (setCellSlice points into it without a copy), or is a pooled row number
// (setCellNumber). Sparse columns cost only as many rows as were written in them.
//
// Every operation either succeeds or, when it throws (std::bad_alloc when memory runs out),
// leaves every cell as it was: a table is always consistent and every cell readable.
// Columns and rows are never negative: in a debug build that is an assertion; otherwise a read
// gives the empty text and a write throws std::out_of_range.
class Table {
  public:
    explicit Table(int colCount, int rowCount = 5);
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;
    Table(Table&&) noexcept = default;
    Table& operator=(Table&&) noexcept = default;

    int rowCount() const { return rowCount_; }
    int colCount() const { return colCount_; }
    // Counts below 1 are taken as 1. Cells beyond a lowered count keep their text.
    void setRowCount(int rows) { setCount(rowCount_, rows); }
    void setColCount(int cols) { setCount(colCount_, cols); }
    // Makes room for rows 0 to rows-1 in every column up to the column count, so that writing
    // them moves nothing. Changes no cell and no count; on failure the table is as it was but
    // for empty columns added.
    void reserveRows(int rows);

    // A number that rises with every cell write and every count change, so that whoever shows
    // the table can tell whether it changed since it last looked, whatever the table's size.
    uint64_t changeCount() const { return changes_; }

    // The text of a cell; the empty text for a cell never written. The view points into the
    // table's storage: any write to the table (setCell, setCellSlice, setCellNumber, of any
    // cell), releaseBuffersExcept, moving or destroying the table may invalidate it. Copy the
    // text first when the table is written while it is in use.
    std::string_view cell(int col, int row) const {
        assert(col >= 0 && row >= 0);
        // A negative column or row wraps to a size beyond every column: the empty text.
        if (static_cast<size_t>(col) >= columns_.size()) {
            return {};
        }
        const std::vector<uint64_t>& column = columns_[static_cast<size_t>(col)];
        if (static_cast<size_t>(row) >= column.size()) {
            return {};
        }
        return cellText(column[static_cast<size_t>(row)]);
    }

    // Writes a copy of the text.
    void setCell(int col, int row, std::string_view text);

    // Writes a cell that points into `text` without copying it when the bytes lie in a buffer
    // the table holds (holdBuffer); any other text is copied.
    void setCellSlice(int col, int row, std::string_view text) {
        const char* p = text.data();
        if (p >= sliceBegin_ && p < sliceEnd_ && text.size() <= kMaxLength) {
            store(col, row,
                  makeRef(sliceSlot_, static_cast<uint64_t>(p - sliceBegin_), text.size()));
            return;
        }
        setCellSliceSlow(col, row, text);
    }

    // Writes the decimal text of a non-negative number without storing its digits (a negative
    // number is a broken precondition; a release build writes 0).
    void setCellNumber(int col, int row, int number) {
        assert(number >= 0);
        store(col, row, makeRef(kNumberSlot, static_cast<uint64_t>(number < 0 ? 0 : number), 0));
    }

    // Keeps the buffer alive while cells of this table may point into it.
    void holdBuffer(const SharedBytes& buffer);

    // Moves every cell that points into a held buffer other than those in `keep` into the
    // table's arena and lets go of those buffers; also drops overwritten texts from the arena
    // once they outweigh the live ones. The import calls it at its end, so that a table holds
    // at most the files of the last import.
    void releaseBuffersExcept(std::span<const ByteBuffer* const> keep);

    // Moves the written cells of columns firstCol to endCol-1 of `from`, from row `firstRow` on,
    // `colShift` columns further right and `rowShift` rows further down into this table, as if
    // each had been written there with the same text, and leaves those columns of `from` empty.
    // A pooled number in the row-number column (column 0) grows by `rowShift`, so that a numbered
    // row keeps its number in its new place. Cells pointing into a buffer both tables hold keep
    // pointing there; any other text is copied. Changes no count. On failure (std::bad_alloc)
    // some cells may have moved.
    void moveCells(Table& from, int firstCol, int endCol, int firstRow, int colShift, int rowShift);

    // The number of rows that column `col` has storage for (0 for a column never written).
    int storedRows(int col) const;

    // Bytes of memory held by this table's cell references and arena (not shared buffers).
    size_t ownMemory() const;

  private:
    // A cell reference: slot (4 bits) | offset (36 bits) | length (24 bits). Slot 0 is the
    // arena, slots 1 to 13 held buffers; a number cell keeps its value in the offset; a long
    // cell keeps an 8-byte length in front of its bytes in the arena.
    static constexpr unsigned kSlotShift = 60;
    static constexpr unsigned kLengthBits = 24;
    static constexpr uint64_t kMaxLength = (uint64_t{1} << kLengthBits) - 1;
    static constexpr uint64_t kMaxOffset = (uint64_t{1} << 36) - 1;
    static constexpr unsigned kArenaSlot = 0;
    static constexpr unsigned kBufferSlots = 13;
    static constexpr unsigned kNumberSlot = 14;
    static constexpr unsigned kLongSlot = 15;

    static uint64_t offsetOf(uint64_t ref) { return (ref >> kLengthBits) & kMaxOffset; }
    static size_t lengthOf(uint64_t ref) { return static_cast<size_t>(ref & kMaxLength); }
    static uint64_t makeRef(unsigned slot, uint64_t offset, uint64_t length) {
        return (uint64_t{slot} << kSlotShift) | (offset << kLengthBits) | length;
    }

    void setCount(int& count, int value) {
        value = value < 1 ? 1 : value;
        if (value != count) {
            count = value;
            ++changes_;
        }
    }
    std::string_view special(uint64_t ref) const;
    void setCellSliceSlow(int col, int row, std::string_view text);
    void store(int col, int row, uint64_t ref) {
        ++changes_;
        // Appending a row to a column is by far the commonest write.
        if (static_cast<size_t>(col) < columns_.size()) {
            std::vector<uint64_t>& column = columns_[static_cast<size_t>(col)];
            if (static_cast<size_t>(row) == column.size()) {
                column.push_back(ref);
                return;
            }
        }
        storeSlow(col, row, ref);
    }
    void storeSlow(int col, int row, uint64_t ref);
    uint64_t copyToArena(std::string_view text);
    // The arena bytes a text of that length takes.
    static size_t arenaBytesFor(size_t length);
    // Makes room for `bytes` more in an arena, so that appending them cannot fail; throws
    // (std::bad_alloc, or std::length_error beyond what references address) leaving it as it was.
    static void reserveArena(std::vector<char>& arena, size_t bytes);
    // Appends a text to an arena that has room for it and returns its reference.
    static uint64_t appendToArena(std::vector<char>& arena, std::string_view text);
    // The text of a stored reference, as cell() reads it.
    std::string_view cellText(uint64_t ref) const {
        const unsigned slot = static_cast<unsigned>(ref >> kSlotShift);
        if (slot < kNumberSlot) {
            return {base_[slot] + offsetOf(ref), lengthOf(ref)};
        }
        return special(ref);
    }
    size_t arenaBytesOf(uint64_t ref) const;

    int rowCount_;
    int colCount_;
    uint64_t changes_ = 0;
    std::vector<std::vector<uint64_t>> columns_;
    std::vector<char> arena_;
    size_t arenaGarbage_ = 0;
    // The held buffer that the last slice lay in: most cells of an import come from one file.
    const char* sliceBegin_ = nullptr;
    const char* sliceEnd_ = nullptr;
    unsigned sliceSlot_ = 0;
    std::array<SharedBytes, kBufferSlots> held_;
    std::array<const char*, kNumberSlot> base_{};  // start of the arena and of each held buffer
};

}  // namespace plotaktar
