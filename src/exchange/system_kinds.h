#pragma once

// The kinds of coordinate system, and which of them an export takes: the drawing's system
// (--crs) must be projected, the one written (--to) projected or geographic 2D. The GDAL part
// asks PROJ for a system's kind; the build without it (the Windows command-line tool) looks
// the EPSG code up in a table made from PROJ's database when the program was built, so that
// both refuse the same codes with the same words.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/error.h"

namespace plotaktar {

enum class SystemKind : uint8_t {
    Projected,
    Geographic2D,
    Geographic3D,
    Geocentric,
    Vertical,
    Compound,
    Engineering,
    Other,
};

// The kind in the words of the refusal ("geographic 2D").
std::string_view SystemKindWords(SystemKind kind);

// A system of a kind an export cannot use: the message starts with kSystemKindRefusal and
// names the option, the code and the kind ("--crs EPSG:4326 is a geographic 2D system; ...").
class SystemKindError : public Error {
  public:
    explicit SystemKindError(const std::string& what);
};

// Throws SystemKindError when `kind` cannot be used as the drawing's system (`drawing`) or as
// the one written.
void CheckSystemKind(SystemKind kind, int epsg, bool drawing);

// The failure for an EPSG code that names no coordinate system.
Error UnknownSystemError(int epsg);

// The kind of the system EPSG:`epsg` as PROJ's database on the build machine has it; nothing
// for a code it does not hold.
std::optional<SystemKind> EpsgSystemKind(int epsg);

// CheckSystemKinds of the GDAL part, from the table above: 0 is no system and passes; throws
// the Error of UnknownSystemError for a code the table does not hold, and SystemKindError as
// CheckSystemKind does.
void CheckEpsgSystemKinds(int sourceEpsg, int targetEpsg);

}  // namespace plotaktar
