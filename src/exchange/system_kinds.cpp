#include "exchange/system_kinds.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "model/crs_names.h"

namespace plotaktar {

namespace {

// Consecutive EPSG codes of one kind: `first` to `first + count - 1`.
struct EpsgKindRun {
    uint32_t first;
    uint16_t count;
    SystemKind kind;
};

// Made from PROJ's proj.db by cmake/epsg_kinds.cmake, in ascending order of `first`.
constexpr EpsgKindRun kEpsgKindRuns[] = {
#include "epsg_kinds_table.inc"
};

}  // namespace

std::string_view SystemKindWords(SystemKind kind) {
    switch (kind) {
        case SystemKind::Projected:
            return "projected";
        case SystemKind::Geographic2D:
            return "geographic 2D";
        case SystemKind::Geographic3D:
            return "geographic 3D";
        case SystemKind::Geocentric:
            return "geocentric";
        case SystemKind::Vertical:
            return "vertical";
        case SystemKind::Compound:
            return "compound";
        case SystemKind::Engineering:
            return "engineering";
        case SystemKind::Other:
            break;
    }
    return "unknown";
}

SystemKindError::SystemKindError(const std::string& what)
    : Error(std::string(kSystemKindRefusal) + what) {}

// A drawing is surveyed on a map projection; it may be written in another or in longitude and
// latitude, never as heights alone, as earth-centred coordinates or in a local system.
void CheckSystemKind(SystemKind kind, int epsg, bool drawing) {
    if (kind == SystemKind::Projected || (!drawing && kind == SystemKind::Geographic2D)) {
        return;
    }
    throw SystemKindError(std::string(drawing ? "--crs" : "--to") +
                          " EPSG:" + std::to_string(epsg) + " is a " +
                          std::string(SystemKindWords(kind)) + " system; " +
                          (drawing ? "the drawing's system must be projected (TM30, for instance)"
                                   : "--to must be projected or geographic 2D (EPSG:4326)"));
}

Error UnknownSystemError(int epsg) {
    return Error("EPSG:" + std::to_string(epsg) + " is not a coordinate system PROJ knows");
}

std::optional<SystemKind> EpsgSystemKind(int epsg) {
    if (epsg <= 0) {
        return std::nullopt;
    }
    const auto code = static_cast<uint32_t>(epsg);
    // The last run that starts at or before the code.
    const auto after =
        std::upper_bound(std::begin(kEpsgKindRuns), std::end(kEpsgKindRuns), code,
                         [](uint32_t value, const EpsgKindRun& run) { return value < run.first; });
    if (after == std::begin(kEpsgKindRuns)) {
        return std::nullopt;
    }
    const EpsgKindRun& run = *std::prev(after);
    if (code - run.first >= run.count) {
        return std::nullopt;
    }
    return run.kind;
}

void CheckEpsgSystemKinds(int sourceEpsg, int targetEpsg) {
    for (const auto& [epsg, drawing] :
         {std::pair{sourceEpsg, true}, std::pair{targetEpsg, false}}) {
        if (epsg == 0) {
            continue;
        }
        const std::optional<SystemKind> kind = EpsgSystemKind(epsg);
        if (!kind) {
            throw UnknownSystemError(epsg);
        }
        CheckSystemKind(*kind, epsg, drawing);
    }
}

}  // namespace plotaktar
