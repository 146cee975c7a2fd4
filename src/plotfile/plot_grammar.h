#pragma once

// The plot file's grammar: every fixed piece of its records, in one place, for the writer and
// the reader. A plot file is a sequence of lines ended by CR LF; each record begins with its
// head and separates its fields by single blanks (an empty cell leaves two side by side).
//
//   TA NAME -257 1 DUZ 1 0                                    a layer
//   PN  && Y X LAYER Z 0 NUMBER                               a point
//   YA  && Y X L HEIGHT ANGLE 0 LAYER TEXT                    a label
//   LX  && Y1 X1 Y2 X2 0 LAYER 0.00 0 Z1 Z2                   a line
//   L2  && 0.0000000 0.0000000 ADA/PARSEL 19 0 LAYER  0.00000000000000E+0000 0
//   Y X REST 0.000 0 0 Y X REST 0.000 0 0 ...                 the parcel's corners

#include <string_view>

namespace plotaktar::plot {

inline constexpr std::string_view kLineEnd = "\r\n";
inline constexpr std::string_view kBlank = " ";

inline constexpr std::string_view kLayerHead = "TA ";
inline constexpr std::string_view kLayerTail = " -257 1 DUZ 1 0";

inline constexpr std::string_view kPointHead = "PN  && ";
inline constexpr std::string_view kLabelHead = "YA  && ";
inline constexpr std::string_view kLineHead = "LX  && ";
inline constexpr std::string_view kParcelHead = "L2  && ";
// Every record head but the layer's has this length.
inline constexpr size_t kRecordHeadLength = 7;

// The fixed fields inside the records.
inline constexpr std::string_view kZeroField = " 0 ";        // PN before the number, YA, LX
inline constexpr std::string_view kLabelLeft = " L ";        // YA after the position
inline constexpr std::string_view kLineMiddle = " 0.00 0 ";  // LX after the layer
inline constexpr std::string_view kParcelStart = "L2  && 0.0000000 0.0000000 ";
inline constexpr std::string_view kParcelNameSeparator = "/";  // between ada and parsel
inline constexpr std::string_view kParcelMiddle = " 19 0 ";
inline constexpr std::string_view kParcelTail = "  0.00000000000000E+0000 0";
// Ends each corner's piece of a parcel's corner line.
inline constexpr std::string_view kCornerTail = " 0.000 0 0 ";

// The fields of each record behind its head, by name (UTF-8), for showing a record; an empty
// name is a fixed field, the last name takes the rest of the line.
inline constexpr std::string_view kPointFields[] = {"Y", "X", "Tabaka", "Z", "", "Nokta No"};
inline constexpr std::string_view kLabelFields[] = {"y",   "x", "",       "Boy",
                                                    "Açı", "",  "Tabaka", "Yazı"};
inline constexpr std::string_view kLineFields[] = {"ilk y",  "ilk x", "son y", "son x", "",
                                                   "Tabaka", "",      "",      "ilk z", "son z"};
// A parcel and any record of no kind above are shown whole, the parcel with its corner line.
inline constexpr std::string_view kWholeRecordField = "Kayıt";
inline constexpr std::string_view kCornerLineField = "Köşeler";

}  // namespace plotaktar::plot
