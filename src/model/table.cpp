#include "model/table.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>

#include "model/number_pool.h"
#include "platform/large_pages.h"

namespace plotaktar {

Table::Table(int colCount, int rowCount)
    : rowCount_(rowCount < 1 ? 1 : rowCount), colCount_(colCount < 1 ? 1 : colCount) {}

std::string_view Table::special(uint64_t ref) const {
    unsigned slot = static_cast<unsigned>(ref >> kSlotShift);
    if (slot == kNumberSlot) {
        return PooledNumberText(static_cast<int>(offsetOf(ref)));
    }
    const char* p = arena_.data() + offsetOf(ref);
    uint64_t n;
    std::memcpy(&n, p, sizeof n);
    return {p + sizeof n, static_cast<size_t>(n)};
}

size_t Table::arenaBytesOf(uint64_t ref) const {
    unsigned slot = static_cast<unsigned>(ref >> kSlotShift);
    if (slot == kArenaSlot) {
        return lengthOf(ref);
    }
    if (slot == kLongSlot) {
        return sizeof(uint64_t) + special(ref).size();
    }
    return 0;
}

void Table::storeSlow(int col, int row, uint64_t ref) {
    assert(col >= 0 && row >= 0);
    if (col < 0 || row < 0) {
        throw std::out_of_range("a table cell with a negative column or row");
    }
    size_t c = static_cast<size_t>(col);
    size_t r = static_cast<size_t>(row);
    // Growing the columns first leaves at worst empty columns behind when the row fails.
    if (c >= columns_.size()) {
        columns_.resize(c + 1);
    }
    std::vector<uint64_t>& column = columns_[c];
    if (r == column.size()) {
        column.push_back(ref);
        return;
    }
    if (r > column.size()) {
        column.resize(r + 1, 0);
    } else {
        arenaGarbage_ += arenaBytesOf(column[r]);
    }
    column[r] = ref;
}

void Table::reserveRows(int rows) {
    if (rows <= 0) {
        return;
    }
    if (columns_.size() < static_cast<size_t>(colCount_)) {
        columns_.resize(static_cast<size_t>(colCount_));
    }
    for (size_t c = 0; c < static_cast<size_t>(colCount_); ++c) {
        std::vector<uint64_t>& column = columns_[c];
        if (column.capacity() < static_cast<size_t>(rows)) {
            column.reserve(static_cast<size_t>(rows));
            // Filled row by row up to about the rows asked for.
            platform::AdviseLargePages(column.data() + column.size(),
                                       (column.capacity() - column.size()) * sizeof(uint64_t));
        }
    }
}

size_t Table::arenaBytesFor(size_t length) {
    return length == 0 ? 0 : length <= kMaxLength ? length : sizeof(uint64_t) + length;
}

uint64_t Table::appendToArena(std::vector<char>& arena, std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    const size_t offset = arena.size();
    assert(arena.capacity() - offset >= arenaBytesFor(text.size()) && offset <= kMaxOffset);
    if (text.size() <= kMaxLength) {
        arena.resize(offset + text.size());
        std::memcpy(arena.data() + offset, text.data(), text.size());
        return makeRef(kArenaSlot, offset, text.size());
    }
    const uint64_t n = text.size();
    arena.resize(offset + sizeof n + text.size());
    std::memcpy(arena.data() + offset, &n, sizeof n);
    std::memcpy(arena.data() + offset + sizeof n, text.data(), text.size());
    return makeRef(kLongSlot, offset, 0);
}

void Table::reserveArena(std::vector<char>& arena, size_t bytes) {
    // A text's offset has to fit its reference.
    if (arena.size() + bytes > kMaxOffset) {
        throw std::length_error("a table holds more text than it can address");
    }
    if (arena.capacity() - arena.size() < bytes) {
        arena.reserve(std::max(arena.size() + bytes, 2 * arena.capacity()));
    }
}

uint64_t Table::copyToArena(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    // A text out of the arena itself (a copy of another cell) moves when the arena grows.
    std::less<const char*> before;
    const bool inside = !arena_.empty() && !before(text.data(), arena_.data()) &&
                        before(text.data(), arena_.data() + arena_.size());
    const size_t from = inside ? static_cast<size_t>(text.data() - arena_.data()) : 0;
    reserveArena(arena_, arenaBytesFor(text.size()));
    base_[kArenaSlot] = arena_.data();
    if (inside) {
        text = {arena_.data() + from, text.size()};
    }
    return appendToArena(arena_, text);
}

void Table::setCell(int col, int row, std::string_view text) {
    store(col, row, copyToArena(text));
}

void Table::setCellSliceSlow(int col, int row, std::string_view text) {
    if (text.empty()) {
        store(col, row, 0);
        return;
    }
    if (text.size() <= kMaxLength) {
        for (unsigned i = 0; i < kBufferSlots; ++i) {
            const ByteBuffer* b = held_[i].get();
            if (b != nullptr && b->contains(text.data())) {
                uint64_t offset = static_cast<uint64_t>(text.data() - b->data());
                if (offset <= kMaxOffset) {
                    sliceBegin_ = b->data();
                    sliceEnd_ = b->data() + std::min<uint64_t>(b->size(), kMaxOffset);
                    sliceSlot_ = i + 1;
                    store(col, row, makeRef(i + 1, offset, text.size()));
                    return;
                }
            }
        }
    }
    setCell(col, row, text);
}

void Table::holdBuffer(const SharedBytes& buffer) {
    if (!buffer) {
        return;
    }
    for (const SharedBytes& held : held_) {
        if (held == buffer) {
            return;
        }
    }
    for (unsigned i = 0; i < kBufferSlots; ++i) {
        if (!held_[i]) {
            held_[i] = buffer;
            base_[i + 1] = buffer->data();
            return;
        }
    }
    // Every slot is taken: cells pointing into this buffer are copied instead.
}

void Table::releaseBuffersExcept(std::span<const ByteBuffer* const> keep) {
    std::array<bool, kNumberSlot> leaving{};
    bool anyLeaving = false;
    for (unsigned i = 0; i < kBufferSlots; ++i) {
        if (held_[i] && std::find(keep.begin(), keep.end(), held_[i].get()) == keep.end()) {
            leaving[i + 1] = true;
            anyLeaving = true;
        }
    }
    // Overwritten texts stay in the arena until they outweigh the live ones.
    const bool rebuildArena = arenaGarbage_ > (1u << 20) && 2 * arenaGarbage_ > arena_.size();
    if (!anyLeaving && !rebuildArena) {
        return;
    }

    auto moves = [&](uint64_t ref) {
        const unsigned slot = static_cast<unsigned>(ref >> kSlotShift);
        if (slot == kArenaSlot || slot == kLongSlot) {
            return rebuildArena && ref != 0;
        }
        return slot < kNumberSlot && leaving[slot];
    };
    // The one step that can fail comes first: room for every text that moves, in the arena or
    // (when it is rebuilt) in a new one beside it. Nothing after it allocates, so the cells
    // either all move or all stay.
    size_t bytes = 0;
    for (const std::vector<uint64_t>& column : columns_) {
        for (uint64_t ref : column) {
            if (moves(ref)) {
                bytes += arenaBytesFor(cellText(ref).size());
            }
        }
    }
    std::vector<char> newArena;
    std::vector<char>& target = rebuildArena ? newArena : arena_;
    reserveArena(target, bytes);
    base_[kArenaSlot] = arena_.data();
    for (std::vector<uint64_t>& column : columns_) {
        for (uint64_t& ref : column) {
            if (moves(ref)) {
                ref = appendToArena(target, cellText(ref));
            }
        }
    }
    if (rebuildArena) {
        arena_.swap(newArena);
        arenaGarbage_ = 0;
    }
    base_[kArenaSlot] = arena_.data();
    for (unsigned i = 0; i < kBufferSlots; ++i) {
        if (leaving[i + 1]) {
            held_[i].reset();
            base_[i + 1] = nullptr;
        }
    }
    if (leaving[sliceSlot_]) {
        sliceBegin_ = sliceEnd_ = nullptr;
    }
}

void Table::moveCells(Table& from, int firstCol, int endCol, int firstRow, int colShift,
                      int rowShift) {
    assert(firstCol >= 0 && firstRow >= 0 && colShift >= 0 && rowShift >= 0);
    // What a reference gains by its slot: a held buffer of `from` that this table holds too
    // moves to the slot it has here, a pooled number stays (in column 0 it grows by rowShift).
    // A text of any other slot is copied.
    std::array<uint64_t, kLongSlot + 1> gain{};
    std::array<bool, kLongSlot + 1> copied{};
    copied[kArenaSlot] = copied[kLongSlot] = true;
    for (unsigned i = 0; i < kBufferSlots; ++i) {
        copied[i + 1] = true;
        for (unsigned j = 0; from.held_[i] && j < kBufferSlots; ++j) {
            if (held_[j] == from.held_[i]) {
                copied[i + 1] = false;
                gain[i + 1] = (uint64_t{j} - uint64_t{i}) << kSlotShift;  // modulo 2^64
            }
        }
    }
    const size_t end = std::min(from.columns_.size(), static_cast<size_t>(std::max(endCol, 0)));
    for (size_t c = static_cast<size_t>(firstCol); c < end; ++c) {
        std::vector<uint64_t>& source = from.columns_[c];
        const size_t toCol = c + static_cast<size_t>(colShift);
        gain[kNumberSlot] = c == 0 ? static_cast<uint64_t>(rowShift) << kLengthBits : 0;
        auto moved = [&](uint64_t ref) {
            const unsigned slot = static_cast<unsigned>(ref >> kSlotShift);
            if (!copied[slot]) {
                return ref + gain[slot];
            }
            return ref == 0 ? ref : copyToArena(from.cellText(ref));  // the empty text stays
        };
        if (toCol >= columns_.size()) {
            columns_.resize(toCol + 1);
        }
        std::vector<uint64_t>& target = columns_[toCol];
        if (firstRow == 0 && rowShift == 0 && target.size() <= source.size()) {
            // A whole column that covers every cell written in its new place moves as it is.
            for (uint64_t& ref : source) {
                ref = moved(ref);
            }
            for (uint64_t ref : target) {
                arenaGarbage_ += arenaBytesOf(ref);
            }
            target = std::move(source);
        } else if (target.size() == static_cast<size_t>(firstRow + rowShift)) {
            // Rows appended behind the last written one, as the import appends them.
            for (size_t r = static_cast<size_t>(firstRow); r < source.size(); ++r) {
                target.push_back(moved(source[r]));
            }
        } else {
            for (size_t r = static_cast<size_t>(firstRow); r < source.size(); ++r) {
                store(static_cast<int>(toCol), static_cast<int>(r) + rowShift, moved(source[r]));
            }
        }
        ++changes_;
        std::vector<uint64_t>().swap(source);
    }
}

int Table::storedRows(int col) const {
    if (col < 0 || static_cast<size_t>(col) >= columns_.size()) {
        return 0;
    }
    return static_cast<int>(columns_[static_cast<size_t>(col)].size());
}

size_t Table::ownMemory() const {
    size_t bytes = columns_.capacity() * sizeof(std::vector<uint64_t>) + arena_.capacity();
    for (const std::vector<uint64_t>& column : columns_) {
        bytes += column.capacity() * sizeof(uint64_t);
    }
    return bytes;
}

}  // namespace plotaktar
