#pragma once

// The coordinate systems of an export: the drawing's (--crs) and the one written (--to, or
// WGS 84 longitude/latitude for GeoJSON and KML), with the transformation between them. Axis
// order is easting (Y) first, northing (X) second, longitude first, latitude second, in every
// system, whatever order EPSG declares.

#include <memory>
#include <string>

#include "exchange/coordinate_step.h"
#include "exchange/export_features.h"
#include "exchange/system_kinds.h"
#include "model/crs_names.h"
#include "platform/error.h"

class OGRSpatialReference;
class OGRCoordinateTransformation;

namespace plotaktar {

inline constexpr int kWgs84 = 4326;

// Keeps GDAL's and PROJ's messages off standard error: a failure is reported once, with its
// cause, by whoever catches it. Call before the first use of either.
void KeepGdalQuiet();

// The drawing's system (`sourceEpsg`) must be projected, the one written (`targetEpsg`)
// projected or geographic 2D; vertical, geocentric, compound, engineering and geographic 3D
// systems are refused with SystemKindError. 0 is no system and passes. Throws Error for a code
// PROJ does not know.
void CheckSystemKinds(int sourceEpsg, int targetEpsg);

class Reprojection final : public CoordinateStep {
  public:
    // `sourceEpsg` 0: the drawing's system is not known, and nothing is transformed.
    // `targetEpsg` 0: written in the drawing's own system. Throws Error for a code that PROJ
    // does not know, or a pair it cannot transform between, and SystemKindError as
    // CheckSystemKinds does.
    Reprojection(int sourceEpsg, int targetEpsg);
    ~Reprojection();
    Reprojection(const Reprojection&) = delete;
    Reprojection& operator=(const Reprojection&) = delete;

    // The system written, null when none is known.
    const OGRSpatialReference* target() const { return target_.get(); }
    int targetEpsg() const override { return targetEpsg_; }
    bool transforms() const override { return transform_ != nullptr; }

    // Moves a position into the target system; false when it has no place there.
    bool apply(Position& position) const override;

  private:
    int targetEpsg_ = 0;
    std::unique_ptr<OGRSpatialReference> source_;
    std::unique_ptr<OGRSpatialReference> target_;
    std::unique_ptr<OGRCoordinateTransformation> transform_;
};

// The step through PROJ, for ExportSettings::coordinates.
std::unique_ptr<CoordinateStep> ProjCoordinateStep(int sourceEpsg, int targetEpsg);

}  // namespace plotaktar
