#include "model/table.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace plotaktar {

// The table's own storage for copied texts: chunks that never move, so cells may point into
// them. A text of 4 GiB or more is stored behind an 8-byte length prefix.
struct Table::Arena {
    static constexpr size_t kChunkSize = 256 * 1024;
    static constexpr size_t kOwnChunkFrom = 16 * 1024;

    struct Chunk {
        std::unique_ptr<char[]> data;
        size_t size;
    };

    std::vector<Chunk> chunks;
    char* cursor = nullptr;
    size_t left = 0;
    size_t total = 0;

    char* allocate(size_t n) {
        total += n;
        if (n >= kOwnChunkFrom) {
            chunks.push_back({std::unique_ptr<char[]>(new char[n]), n});
            return chunks.back().data.get();
        }
        if (n > left) {
            chunks.push_back({std::unique_ptr<char[]>(new char[kChunkSize]), kChunkSize});
            cursor = chunks.back().data.get();
            left = kChunkSize;
        }
        char* p = cursor;
        cursor += n;
        left -= n;
        return p;
    }
};

Table::Table(int colCount, int rowCount)
    : rowCount_(rowCount < 1 ? 1 : rowCount),
      colCount_(colCount < 1 ? 1 : colCount),
      arena_(std::make_unique<Arena>()) {}

Table::Table(Table&&) noexcept = default;
Table& Table::operator=(Table&&) noexcept = default;
Table::~Table() = default;

std::string_view Table::longCell(const char* p) {
    uint64_t n;
    std::memcpy(&n, p - sizeof n, sizeof n);
    return {p, static_cast<size_t>(n)};
}

void Table::store(int col, int row, const char* p, uint32_t n) {
    size_t c = static_cast<size_t>(col);
    size_t r = static_cast<size_t>(row);
    if (c >= columns_.size()) {
        columns_.resize(c + 1);
    }
    Column& column = columns_[c];
    if (r >= column.ptr.size()) {
        column.ptr.resize(r + 1, nullptr);
        column.len.resize(r + 1, 0);
    }
    column.ptr[r] = p;
    column.len[r] = n;
}

const char* Table::copyToArena(std::string_view text, uint32_t& storedLen) {
    if (text.size() < kLongCell) {
        char* p = arena_->allocate(text.size());
        std::memcpy(p, text.data(), text.size());
        storedLen = static_cast<uint32_t>(text.size());
        return p;
    }
    uint64_t n = text.size();
    char* p = arena_->allocate(sizeof n + text.size());
    std::memcpy(p, &n, sizeof n);
    std::memcpy(p + sizeof n, text.data(), text.size());
    storedLen = kLongCell;
    return p + sizeof n;
}

void Table::setCell(int col, int row, std::string_view text) {
    if (text.empty()) {
        store(col, row, nullptr, 0);
        return;
    }
    uint32_t n;
    const char* p = copyToArena(text, n);
    store(col, row, p, n);
}

void Table::setCellSlice(int col, int row, std::string_view text) {
    if (text.size() >= kLongCell) {
        setCell(col, row, text);
        return;
    }
    store(col, row, text.data(), static_cast<uint32_t>(text.size()));
}

void Table::holdBuffer(const SharedBytes& buffer) {
    for (const SharedBytes& held : held_) {
        if (held == buffer) {
            return;
        }
    }
    held_.push_back(buffer);
}

void Table::releaseBuffersExcept(std::span<const ByteBuffer* const> keep) {
    auto kept = [&](const ByteBuffer* b) {
        return std::find(keep.begin(), keep.end(), b) != keep.end();
    };
    bool foreign = std::any_of(held_.begin(), held_.end(),
                               [&](const SharedBytes& b) { return !kept(b.get()); });
    // Overwritten texts stay in the arena until the next compaction; compact when the arena
    // has grown well beyond what the last compaction left.
    static size_t const kSlack = 16u << 20;
    bool bloated = arena_->total > kSlack && arena_->total > 2 * arenaBaseline_;
    if (!foreign && !bloated) {
        return;
    }

    // The storage that goes away: every arena chunk and every buffer not kept.
    std::vector<std::pair<const char*, const char*>> leaving;
    for (const Arena::Chunk& chunk : arena_->chunks) {
        leaving.emplace_back(chunk.data.get(), chunk.data.get() + chunk.size);
    }
    for (const SharedBytes& b : held_) {
        if (!kept(b.get())) {
            leaving.emplace_back(b->data(), b->data() + b->size());
        }
    }
    std::sort(leaving.begin(), leaving.end());
    auto isLeaving = [&](const char* p) {
        auto it =
            std::upper_bound(leaving.begin(), leaving.end(), p,
                             [](const char* q, const auto& range) { return q < range.first; });
        return it != leaving.begin() && p < std::prev(it)->second;
    };

    std::unique_ptr<Arena> old = std::move(arena_);
    arena_ = std::make_unique<Arena>();
    for (size_t c = 0; c < columns_.size(); ++c) {
        Column& column = columns_[c];
        for (size_t r = 0; r < column.ptr.size(); ++r) {
            const char* p = column.ptr[r];
            if (p == nullptr || !isLeaving(p)) {
                continue;
            }
            std::string_view text =
                column.len[r] == kLongCell ? longCell(p) : std::string_view(p, column.len[r]);
            column.ptr[r] = copyToArena(text, column.len[r]);
        }
    }
    std::erase_if(held_, [&](const SharedBytes& b) { return !kept(b.get()); });
    arenaBaseline_ = arena_->total;
}

int Table::storedRows(int col) const {
    if (col < 0 || static_cast<size_t>(col) >= columns_.size()) {
        return 0;
    }
    return static_cast<int>(columns_[static_cast<size_t>(col)].ptr.size());
}

size_t Table::ownMemory() const {
    size_t bytes = columns_.capacity() * sizeof(Column);
    for (const Column& c : columns_) {
        bytes += c.ptr.capacity() * sizeof(const char*) + c.len.capacity() * sizeof(uint32_t);
    }
    for (const Arena::Chunk& chunk : arena_->chunks) {
        bytes += chunk.size;
    }
    return bytes;
}

}  // namespace plotaktar
