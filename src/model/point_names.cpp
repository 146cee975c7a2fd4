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
    for (size_t i = HashOf(prefix, number) & mask;; i = (i + 1) & mask) {
        const uint32_t row = rowSlots[i];
        if (row == 0) {
            return std::nullopt;
        }
        if (Names(Trim(table->cell(column, static_cast<int>(row))), prefix, number)) {
            return PointRef{kind, static_cast<int>(row)};
        }
    }
}

void PointIndex::Numbers::add(int row) {
    const std::string_view number = Trim(table->cell(column, row));
    const size_t mask = rowSlots.size() - 1;
    for (size_t i = HashOf({}, number) & mask;; i = (i + 1) & mask) {
        if (rowSlots[i] == 0) {
            rowSlots[i] = static_cast<uint32_t>(row);
            return;
        }
        if (Trim(table->cell(column, static_cast<int>(rowSlots[i]))) == number) {
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
