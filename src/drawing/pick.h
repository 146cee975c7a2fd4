#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "drawing/drawing.h"

namespace plotaktar {

// The feature under `at`: the nearest one within `tolerance` drawing units that `shows`
// accepts, points before lines and labels, and those before the inside of a parcel. Nothing
// when no feature is that near. Uses the spatial index, so it costs what the features near
// `at` cost.
std::optional<uint32_t> PickFeature(const Drawing& drawing, Vertex at, double tolerance,
                                    const std::function<bool(uint32_t)>& shows);

// The area of the polygon through `corners` in order (shoelace formula), always positive.
double ShoelaceArea(std::span<const Vertex> corners);

}  // namespace plotaktar
