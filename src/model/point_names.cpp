#include "model/point_names.h"

#include "model/text.h"
#include "model/workspace.h"

namespace plotaktar {
namespace {

constexpr Kind kPointKinds[] = {Kind::Nokta, Kind::Nirengi, Kind::Poligon};

}  // namespace

PointIndex::PointIndex(const Workspace& workspace) {
    for (size_t k = 0; k < std::size(kPointKinds); ++k) {
        const Kind kind = kPointKinds[k];
        if (!Loaded(workspace.flags, kind)) {
            continue;
        }
        const Table& table = workspace.table(KindOf(kind).table);
        const int column = ColumnsOf(kind).number;
        byNumber_[k].reserve(static_cast<size_t>(table.rowCount()));
        for (int row = 1; row < table.rowCount(); ++row) {
            byNumber_[k].try_emplace(Trim(table.cell(column, row)), PointRef{kind, row});
        }
    }
}

std::optional<PointRef> PointIndex::findStored(std::string_view storedNumber) const {
    storedNumber = Trim(storedNumber);
    for (const auto& numbers : byNumber_) {
        const auto found = numbers.find(storedNumber);
        if (found != numbers.end()) {
            return found->second;
        }
    }
    return std::nullopt;
}

std::optional<PointRef> PointIndex::findRaw(std::string_view rawNumber) const {
    rawNumber = Trim(rawNumber);
    if (rawNumber.empty()) {
        return std::nullopt;
    }
    for (size_t k = 0; k < std::size(kPointKinds); ++k) {
        const std::string_view prefix = KindOf(kPointKinds[k]).pointPrefix;
        const auto& numbers = byNumber_[k];
        const auto found = prefix.empty()
                               ? numbers.find(rawNumber)
                               : numbers.find(std::string(prefix) + std::string(rawNumber));
        if (found != numbers.end()) {
            return found->second;
        }
    }
    return std::nullopt;
}

}  // namespace plotaktar
