#pragma once

// The coordinate systems a drawing may be in, by the short names surveyors use: the TUREF
// 3-degree transverse Mercator zones, the ED50 ones and ED50 UTM. Y is easting and X northing
// in all of them.

#include <optional>
#include <string_view>

namespace plotaktar {

struct CrsName {
    std::string_view name;  // "TM30"
    int epsg;               // 5254
    std::string_view description;
};

inline constexpr CrsName kCrsNames[] = {
    {"TM27", 5253, "TUREF / TM27 (3° zone, central meridian 27°E)"},
    {"TM30", 5254, "TUREF / TM30 (3° zone, central meridian 30°E)"},
    {"TM33", 5255, "TUREF / TM33 (3° zone, central meridian 33°E)"},
    {"TM36", 5256, "TUREF / TM36 (3° zone, central meridian 36°E)"},
    {"TM39", 5257, "TUREF / TM39 (3° zone, central meridian 39°E)"},
    {"TM42", 5258, "TUREF / TM42 (3° zone, central meridian 42°E)"},
    {"TM45", 5259, "TUREF / TM45 (3° zone, central meridian 45°E)"},
    {"ED50-TM27", 2319, "ED50 / TM27"},
    {"ED50-TM30", 2320, "ED50 / TM30"},
    {"ED50-TM33", 2321, "ED50 / TM33"},
    {"ED50-TM36", 2322, "ED50 / TM36"},
    {"ED50-TM39", 2323, "ED50 / TM39"},
    {"ED50-TM42", 2324, "ED50 / TM42"},
    {"ED50-TM45", 2325, "ED50 / TM45"},
    {"ED50-UTM35", 23035, "ED50 / UTM zone 35N"},
    {"ED50-UTM36", 23036, "ED50 / UTM zone 36N"},
    {"ED50-UTM37", 23037, "ED50 / UTM zone 37N"},
    {"ED50-UTM38", 23038, "ED50 / UTM zone 38N"},
};

// How the refusal of a coordinate system of the wrong kind starts (a vertical system given as
// the drawing's, for one): batch export stops at the first message that holds it.
inline constexpr std::string_view kSystemKindRefusal = "coordinate system of the wrong kind: ";

// The EPSG code a `--crs` text names: "EPSG:n" (any EPSG code, letters in either case) or one
// of the short names above (letters in either case). Nothing for any other text.
std::optional<int> EpsgOfCrsText(std::string_view text);

// The short name of an EPSG code, or the empty text when it has none.
std::string_view CrsShortName(int epsg);

}  // namespace plotaktar
