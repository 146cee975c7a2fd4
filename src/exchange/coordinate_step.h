#pragma once

// Where an export places its positions: from the drawing's coordinate system (--crs) into the
// one written (--to). The GDAL part transforms through PROJ; without it (the Windows build) the
// positions are handed on as the drawing has them, in the drawing's own system.

#include <functional>
#include <memory>

#include "exchange/export_features.h"

namespace plotaktar {

class CoordinateStep {
  public:
    virtual ~CoordinateStep() = default;
    // The system written, 0 when none is known.
    virtual int targetEpsg() const = 0;
    virtual bool transforms() const = 0;
    // Moves a position into the target system; false when it has no place there.
    virtual bool apply(Position& position) const = 0;
};

// Makes the step from `sourceEpsg` (0: not named) to `targetEpsg` (0: the drawing's own);
// throws Error for a pair it cannot place positions between.
using CoordinateStepMaker =
    std::function<std::unique_ptr<CoordinateStep>(int sourceEpsg, int targetEpsg)>;

// Positions as the drawing has them, in its system `sourceEpsg` (0: none known).
class PassThroughStep final : public CoordinateStep {
  public:
    // Throws Error when `targetEpsg` asks for another system than the drawing's.
    PassThroughStep(int sourceEpsg, int targetEpsg);
    int targetEpsg() const override { return epsg_; }
    bool transforms() const override { return false; }
    bool apply(Position&) const override { return true; }

  private:
    int epsg_;
};

}  // namespace plotaktar
