#include "model/point_names.h"

#include "model/text.h"
#include "model/workspace.h"

namespace plotaktar {
namespace {

constexpr Kind kPointKinds[] = {Kind::Nokta, Kind::Nirengi, Kind::Poligon};

// FNV-1a over the bytes of `prefix` and then `number`, as if they were one text.
uint64_t HashOf(std::string_view prefix, std::string_view number) {
    uint64_t hash = 14695981039346656037ull;
    for (std::string_view part : {prefix, number}) {
        for (char c : part) {
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        }
    }
    return hash;
}

// A slot holds its row in the low bits and, where every row fits beside them, the top bits of
// its number's hash: a probe passes over another number's slot without reading its cell, which
// in a big drawing is a miss of the cache each.
constexpr int kRowBits = 24;
constexpr uint32_t kRowMask = (uint32_t{1} << kRowBits) - 1;

uint32_t TagOf(uint64_t hash) {
    return static_cast<uint32_t>(hash >> (64 - (32 - kRowBits))) << kRowBits;
}

bool Names(std::string_view stored, std::string_view prefix, std::string_view number) {
    return stored.size() == prefix.size() + number.size() && stored.starts_with(prefix) &&
           stored.substr(prefix.size()) == number;
}

}  // namespace

std::optional<PointRef> PointIndex::Numbers::find(std::string_view prefix,
                                                  std::string_view number) const {
    if (rowSlots.empty()) {
        return std::nullopt;
    }
    const size_t mask = rowSlots.size() - 1;
    const uint64_t hash = HashOf(prefix, number);
    const uint32_t tag = tagged ? TagOf(hash) : 0;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const uint32_t slot = rowSlots[i];
        if (slot == 0) {
            return std::nullopt;
        }
        if (tagged && (slot & ~kRowMask) != tag) {
            continue;
        }
        const int row = static_cast<int>(tagged ? slot & kRowMask : slot);
        if (Names(Trim(table->cell(column, row)), prefix, number)) {
            return PointRef{kind, row};
        }
    }
}

void PointIndex::Numbers::add(int row) {
    const std::string_view number = Trim(table->cell(column, row));
    const size_t mask = rowSlots.size() - 1;
    const uint64_t hash = HashOf({}, number);
    const uint32_t tag = tagged ? TagOf(hash) : 0;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const uint32_t slot = rowSlots[i];
        if (slot == 0) {
            rowSlots[i] = static_cast<uint32_t>(row) | tag;
            return;
        }
        if (tagged && (slot & ~kRowMask) != tag) {
            continue;
        }
        const int stored = static_cast<int>(tagged ? slot & kRowMask : slot);
        if (Trim(table->cell(column, stored)) == number) {
            return;  // stored twice: the first row stays
        }
    }
}

PointIndex::PointIndex(const Workspace& workspace) {
    for (size_t k = 0; k < std::size(kPointKinds); ++k) {
        Numbers& numbers = numbers_[k];
        numbers.kind = kPointKinds[k];
        if (!Loaded(workspace.flags, numbers.kind)) {
            continue;
        }
        numbers.table = &workspace.table(KindOf(numbers.kind).table);
        numbers.column = ColumnsOf(numbers.kind).number;
        const int rows = numbers.table->rowCount();
        size_t size = 16;
        while (size < 2 * static_cast<size_t>(rows)) {
            size *= 2;
        }
        numbers.rowSlots.assign(size, 0);
        numbers.tagged = static_cast<uint32_t>(rows) <= kRowMask;
        for (int row = 1; row < rows; ++row) {
            numbers.add(row);
        }
    }
}

std::optional<PointRef> PointIndex::findStored(std::string_view storedNumber) const {
    storedNumber = Trim(storedNumber);
    for (const Numbers& numbers : numbers_) {
        if (std::optional<PointRef> found = numbers.find({}, storedNumber)) {
            return found;
        }
    }
    return std::nullopt;
}

std::optional<PointRef> PointIndex::findRaw(std::string_view rawNumber) const {
    rawNumber = Trim(rawNumber);
    if (rawNumber.empty()) {
        return std::nullopt;
    }
    for (const Numbers& numbers : numbers_) {
        if (std::optional<PointRef> found =
                numbers.find(KindOf(numbers.kind).pointPrefix, rawNumber)) {
            return found;
        }
    }
    return std::nullopt;
}

}  // namespace plotaktar
