#include "model/table.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

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
    size_t c = static_cast<size_t>(col);
    size_t r = static_cast<size_t>(row);
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

uint64_t Table::copyToArena(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    // A text out of the arena itself (a copy of another cell) would move when the arena grows.
    std::less<const char*> before;
    if (!arena_.empty() && !before(text.data(), arena_.data()) &&
        before(text.data(), arena_.data() + arena_.size())) {
        const std::string copy(text);
        return copyToArena(copy);
    }
    const size_t offset = arena_.size();
    if (text.size() <= kMaxLength) {
        arena_.insert(arena_.end(), text.begin(), text.end());
        base_[kArenaSlot] = arena_.data();
        return makeRef(kArenaSlot, offset, text.size());
    }
    const uint64_t n = text.size();
    arena_.resize(offset + sizeof n);
    std::memcpy(arena_.data() + offset, &n, sizeof n);
    arena_.insert(arena_.end(), text.begin(), text.end());
    base_[kArenaSlot] = arena_.data();
    return makeRef(kLongSlot, offset, 0);
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

    std::vector<char> oldArena;
    if (rebuildArena) {
        oldArena.swap(arena_);
        arenaGarbage_ = 0;
    }
    auto oldText = [&](uint64_t ref) -> std::string_view {
        unsigned slot = static_cast<unsigned>(ref >> kSlotShift);
        if (slot == kArenaSlot) {
            return {oldArena.data() + offsetOf(ref), lengthOf(ref)};
        }
        if (slot == kLongSlot) {
            const char* p = oldArena.data() + offsetOf(ref);
            uint64_t n;
            std::memcpy(&n, p, sizeof n);
            return {p + sizeof n, static_cast<size_t>(n)};
        }
        return {base_[slot] + offsetOf(ref), lengthOf(ref)};
    };
    for (std::vector<uint64_t>& column : columns_) {
        for (uint64_t& ref : column) {
            unsigned slot = static_cast<unsigned>(ref >> kSlotShift);
            bool moves = slot < kNumberSlot ? leaving[slot] : false;
            if (rebuildArena && (slot == kArenaSlot || slot == kLongSlot)) {
                moves = ref != 0;
            }
            if (moves) {
                ref = copyToArena(oldText(ref));
            }
        }
    }
    for (unsigned i = 0; i < kBufferSlots; ++i) {
        if (leaving[i + 1]) {
            held_[i].reset();
            base_[i + 1] = nullptr;
        }
    }
    if (leaving[sliceSlot_]) {
        sliceBegin_ = sliceEnd_ = nullptr;
    }
    base_[kArenaSlot] = arena_.data();
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
