#include "gis/reprojection.h"

#include <cpl_error.h>
#include <ogr_spatialref.h>

#include <cmath>
#include <mutex>
#include <string>

#include "platform/error.h"

namespace plotaktar {

namespace {

void Silent(CPLErr, CPLErrorNum, const char*) {}

}  // namespace

void KeepGdalQuiet() {
    static std::once_flag once;
    std::call_once(once, [] { CPLSetErrorHandler(Silent); });
}

namespace {

std::unique_ptr<OGRSpatialReference> SystemOf(int epsg) {
    auto system = std::make_unique<OGRSpatialReference>();
    if (system->importFromEPSG(epsg) != OGRERR_NONE) {
        throw UnknownSystemError(epsg);
    }
    // EPSG's transverse Mercator zones declare northing first and WGS 84 latitude first; the
    // drawing's Y (easting) and every format's x are the first axis here.
    system->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return system;
}

// The kind of a system as the refusal names it.
SystemKind KindOf(const OGRSpatialReference& system) {
    if (system.IsCompound()) {
        return SystemKind::Compound;
    }
    if (system.IsProjected()) {
        return SystemKind::Projected;
    }
    if (system.IsGeocentric()) {
        return SystemKind::Geocentric;
    }
    if (system.IsVertical()) {
        return SystemKind::Vertical;
    }
    if (system.IsLocal()) {
        return SystemKind::Engineering;
    }
    if (system.IsGeographic()) {
        return system.GetAxesCount() == 2 ? SystemKind::Geographic2D : SystemKind::Geographic3D;
    }
    return SystemKind::Other;
}

}  // namespace

void CheckSystemKinds(int sourceEpsg, int targetEpsg) {
    if (sourceEpsg != 0) {
        CheckSystemKind(KindOf(*SystemOf(sourceEpsg)), sourceEpsg, true);
    }
    if (targetEpsg != 0) {
        CheckSystemKind(KindOf(*SystemOf(targetEpsg)), targetEpsg, false);
    }
}

Reprojection::Reprojection(int sourceEpsg, int targetEpsg) {
    KeepGdalQuiet();
    if (sourceEpsg == 0) {
        return;
    }
    CheckSystemKinds(sourceEpsg, targetEpsg);
    source_ = SystemOf(sourceEpsg);
    if (targetEpsg == 0 || targetEpsg == sourceEpsg) {
        targetEpsg_ = sourceEpsg;
        target_ = SystemOf(sourceEpsg);
        return;
    }
    targetEpsg_ = targetEpsg;
    target_ = SystemOf(targetEpsg);
    transform_.reset(OGRCreateCoordinateTransformation(source_.get(), target_.get()));
    if (!transform_) {
        throw Error("no transformation from EPSG:" + std::to_string(sourceEpsg) +
                    " to EPSG:" + std::to_string(targetEpsg));
    }
}

Reprojection::~Reprojection() = default;

std::unique_ptr<CoordinateStep> ProjCoordinateStep(int sourceEpsg, int targetEpsg) {
    return std::make_unique<Reprojection>(sourceEpsg, targetEpsg);
}

bool Reprojection::apply(Position& position) const {
    if (!transform_) {
        return true;
    }
    // Heights are the surveyor's (above sea level) and stay as they are.
    double x = position.east, y = position.north;
    int ok = 0;
    if (!transform_->Transform(1, &x, &y, nullptr, nullptr, &ok) || !ok || !std::isfinite(x) ||
        !std::isfinite(y)) {
        return false;
    }
    position.east = x;
    position.north = y;
    return true;
}

}  // namespace plotaktar
