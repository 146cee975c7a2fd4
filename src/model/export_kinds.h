#pragma once

// The five kinds of features the exchange formats receive, and the names their layers, folders
// and Shapefile sets take. Plain data, so that plotaktar-cli knows the files an export writes
// without loading the libraries that write them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plotaktar {

// In the order they are written.
enum class ExportKind : uint8_t { Point, Line, Parcel, Label, Symbol };
constexpr int kExportKinds = 5;
struct ExportKindEntry {
    ExportKind kind;
    std::string_view layerName;  // "noktalar"
    std::string_view countName;  // "points", for the summary line
};
inline constexpr ExportKindEntry kExportKindRows[kExportKinds] = {
    {ExportKind::Point, "noktalar", "points"},    {ExportKind::Line, "hatlar", "lines"},
    {ExportKind::Parcel, "parseller", "parcels"}, {ExportKind::Label, "yazilar", "labels"},
    {ExportKind::Symbol, "semboller", "symbols"},
};

// How a DXF file carries point numbers: as the attribute of each point's block (what CAD programs
// list), as a TEXT beside each point on the layer NOKTA_NO (for programs that show no block
// attributes, LibreCAD among them), or both.
enum class PointNumbers : uint8_t { Attrib, Text, Both };

// The way `--point-numbers` names ("attrib", "text", "both"); nothing for any other word.
std::optional<PointNumbers> PointNumbersNamed(std::string_view name);

// A Shapefile holds one geometry type, so NAME.shp is written as a set a kind: the main file of
// `kind`'s set is NAME-noktalar.shp, in the folder of `target`.
std::string ShapefileSetPath(const std::string& target, const ExportKindEntry& kind);

}  // namespace plotaktar
