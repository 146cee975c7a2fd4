#pragma once

// The line types a layer's "çizgi Tipi" cell names, one table for every picture and every
// exchange format: the viewer, `render`, the sheets and the DXF, GIS and KML exports draw a
// layer's lines by the same pattern.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace plotaktar {

enum class LineType : uint8_t { Continuous, Dashed, Dotted, DashDot };

struct LineTypeEntry {
    LineType type;
    int cell;                  // the "çizgi Tipi" value that names it
    std::string_view dxfName;  // its name in a DXF LTYPE table
    std::string_view name;     // as the user reads it (UTF-8)
    // The pattern on paper in millimetres, repeated along the line: dash, gap, dash, gap ...
    // A dash of 0 is a dot. Empty for a continuous line.
    std::span<const double> pattern;
};

namespace line_type_rows {
inline constexpr double kDashed[] = {2.0, 1.0};
inline constexpr double kDotted[] = {0.0, 0.8};
inline constexpr double kDashDot[] = {3.0, 0.8, 0.0, 0.8};
}  // namespace line_type_rows

// Indexed by LineType.
inline constexpr std::array<LineTypeEntry, 4> kLineTypes = {{
    {LineType::Continuous, 0, "CONTINUOUS", "sürekli", {}},
    {LineType::Dashed, 1, "DASHED", "kesikli", line_type_rows::kDashed},
    {LineType::Dotted, 2, "DOT", "noktalı", line_type_rows::kDotted},
    {LineType::DashDot, 3, "DASHDOT", "kesik noktalı", line_type_rows::kDashDot},
}};

constexpr const LineTypeEntry& LineTypeOf(LineType type) {
    return kLineTypes[static_cast<size_t>(type)];
}

// The line type a "çizgi Tipi" cell names: 0 continuous, 1 dashed, 2 dotted, 3 dash-dot; any
// other value, and a cell that is no integer, continuous.
LineType LineTypeOfCell(std::string_view cell);

}  // namespace plotaktar
