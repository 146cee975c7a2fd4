#pragma once

#include <array>
#include <string>
#include <string_view>

namespace plotaktar {

// The thirteen tables of the window, by the number of their grid. StringGrid12 and StringGrid13
// are shown but nothing fills them.
enum class Grid {
    StringGrid1 = 1,  // triangulation points ("nir")
    StringGrid2,      // traverse points ("pol")
    StringGrid3,      // detail points ("nok")
    StringGrid4,      // layers ("tab")
    StringGrid5,      // lines ("hat")
    StringGrid6,      // text labels (the label file and its companion)
    StringGrid7,      // symbols ("sem")
    StringGrid8,      // parcels ("par")
    StringGrid9,      // buildings ("bin")
    StringGrid10,     // slopes ("sev")
    StringGrid11,     // parcel corners, one column per parcel row
    StringGrid12,
    StringGrid13,
};

constexpr int kGridCount = 13;

constexpr int GridNumber(Grid grid) {
    return static_cast<int>(grid);
}

// The ten markers that tell the export which kinds the last import loaded; "0" or "1", empty
// before the first import.
struct SectionFlags {
    std::string FlagNirengi;
    std::string FlagPoligon;
    std::string FlagNokta;
    std::string FlagTabaka;
    std::string FlagHat;
    std::string FlagSembol;
    std::string FlagParsel;
    std::string FlagBina;
    std::string FlagSev;
    std::string FlagYazi;

    // Sets a flag to "1"; a flag already "1" is left alone, as most records find it.
    static void raise(std::string& flag) {
        if (flag.size() != 1 || flag[0] != '1') {
            flag = "1";
        }
    }

    // The flags with their names, in the order above.
    std::array<std::pair<std::string_view, const std::string*>, 10> named() const;
    void setAll(std::string_view text);
};

// The kinds of data an import loads: the nine geometry record kinds in the order the import
// offers a line to their readers, then the text labels of the two label files. Each has one
// running count per import and one member of SectionFlags.
enum class Kind { Nirengi, Poligon, Nokta, Tabaka, Hat, Sembol, Parsel, Bina, Sev, Yazi };

constexpr int kKindCount = 10;

struct KindEntry {
    std::string_view code;  // characters 1 to 3 of a geometry record; empty for the labels
    Grid grid;              // the table its rows go to
    int fields;             // values a record carries
    std::string SectionFlags::*flag;
    std::string_view message;  // the reader's one-word failure message (windows-1254)
};

// Indexed by Kind.
inline constexpr std::array<KindEntry, kKindCount> kKinds = {{
    {"nir", Grid::StringGrid1, 5, &SectionFlags::FlagNirengi, "nirengi"},
    {"pol", Grid::StringGrid2, 5, &SectionFlags::FlagPoligon, "poligon"},
    {"nok", Grid::StringGrid3, 5, &SectionFlags::FlagNokta, "nokta"},
    {"tab", Grid::StringGrid4, 7, &SectionFlags::FlagTabaka, "tabaka"},
    {"hat", Grid::StringGrid5, 9, &SectionFlags::FlagHat, "hat"},
    {"sem", Grid::StringGrid7, 6, &SectionFlags::FlagSembol, "sembol"},
    {"par", Grid::StringGrid8, 4, &SectionFlags::FlagParsel, "parsel"},
    {"bin", Grid::StringGrid9, 6, &SectionFlags::FlagBina, "bina"},
    {"sev", Grid::StringGrid10, 6, &SectionFlags::FlagSev,
     "\xFE"
     "ev"},                                                    // şev
    {"", Grid::StringGrid6, 10, &SectionFlags::FlagYazi, ""},  // read silently
}};

constexpr const KindEntry& KindOf(Kind kind) {
    return kKinds[static_cast<size_t>(kind)];
}

}  // namespace plotaktar
