#pragma once

#include <string_view>

namespace plotaktar {

// The program's fixed texts, in windows-1254 (\xE7 ç, \xFC ü, \xFD ı, \xFE ş). The readers'
// one-word messages are in the table of kinds (record_kinds.h).

// The end of every import.
inline constexpr std::string_view kFileOpenedMessage = "dosya a\xE7\xFDld\xFD";  // dosya açıldı
// The end of a complete export.
inline constexpr std::string_view kSavedMessage = "kay\xFDt bitti";  // kayıt bitti

// The dialogs' filters: description and pattern pairs separated by "|".
inline constexpr std::string_view kGeometryFilter =
    "Ge\xE7ici plt Dosyalar\xFD (*.gplt) | *.gplt|B\xFCt\xFCn dosyalar (*.*)|*.*";
inline constexpr std::string_view kLabelFilter =
    "yaz\xFD Dosyalar\xFD (*.yaz) | *.yaz|B\xFCt\xFCn dosyalar (*.*)|*.*";
inline constexpr std::string_view kPlotFilter =
    "plt Dosyalar\xFD (*.plt) | *.plt|B\xFCt\xFCn dosyalar (*.*)|*.*";

// The font that every row of the label file gets.
inline constexpr std::string_view kLabelFont = "Ovalt";

// Failures that the general error handler shows.
inline constexpr std::string_view kOutOfMemoryMessage = "Out of memory";
inline constexpr std::string_view kTooManyRowsMessage = "Too many rows";
inline constexpr std::string_view kTooManyCornersMessage = "Too many corners";
// Follows the name of a file the save would write over that is an input of the open drawing:
// ": açık çizimin girdi dosyası; üzerine yazılmadı".
inline constexpr std::string_view kOpenDrawingInputSuffix =
    ": a\xE7\xFDk \xE7izimin girdi dosyas\xFD; \xFCzerine yaz\xFDlmad\xFD";
// Follows the quoted layer number of a layer number outside 1 to 150.
inline constexpr std::string_view kLayerRangeSuffix =
    "' ge\xE7"
    "erli bir tabaka numaras\xFD de\xF0il";  // ' geçerli bir tabaka numarası değil

}  // namespace plotaktar
