#include "model/workspace.h"

#include <climits>
#include <vector>

#include "model/cp1254.h"
#include "model/errors.h"
#include "model/messages.h"
#include "model/text.h"

namespace plotaktar {

namespace {

constexpr std::array<int, kGridCount> kStartColumns = {6, 6, 6, 7, 10, 11, 7, 6, 7, 7, 9, 5, 5};

std::vector<std::string> Encode(std::initializer_list<const char*> utf8) {
    std::vector<std::string> out;
    for (const char* text : utf8) {
        out.push_back(Cp1254FromUtf8(text));
    }
    return out;
}

}  // namespace

std::array<std::pair<std::string_view, const std::string*>, 10> SectionFlags::named() const {
    return {{{"FlagNirengi", &FlagNirengi},
             {"FlagPoligon", &FlagPoligon},
             {"FlagNokta", &FlagNokta},
             {"FlagTabaka", &FlagTabaka},
             {"FlagHat", &FlagHat},
             {"FlagSembol", &FlagSembol},
             {"FlagParsel", &FlagParsel},
             {"FlagBina", &FlagBina},
             {"FlagSev", &FlagSev},
             {"FlagYazi", &FlagYazi}}};
}

void SectionFlags::setAll(std::string_view text) {
    for (std::string* flag : {&FlagNirengi, &FlagPoligon, &FlagNokta, &FlagTabaka, &FlagHat,
                              &FlagSembol, &FlagParsel, &FlagBina, &FlagSev, &FlagYazi}) {
        *flag = text;
    }
}

Workspace::Workspace()
    : grids_{Table(kStartColumns[0]), Table(kStartColumns[1]),  Table(kStartColumns[2]),
             Table(kStartColumns[3]), Table(kStartColumns[4]),  Table(kStartColumns[5]),
             Table(kStartColumns[6]), Table(kStartColumns[7]),  Table(kStartColumns[8]),
             Table(kStartColumns[9]), Table(kStartColumns[10]), Table(kStartColumns[11]),
             Table(kStartColumns[12])} {}

const std::vector<std::string>& HeaderTexts(int gridNumber) {
    static const std::vector<std::string> points =
        Encode({"Sıra No", "Nokta No", "X", "Y", "Z", "Tabaka No"});
    static const std::vector<std::string> layers = Encode(
        {"Tabaka No", "Açık/kapalı", "Tabaka Adı", "Renk", "çizgi Tipi", "balastro", "kalınlık"});
    static const std::vector<std::string> lines =
        Encode({"Sıra No", "ilk nokta", "y", "x", "z", "son nokta", "y", "x", "z", "tabaka"});
    static const std::vector<std::string> labels =
        Encode({"Sıra No", "Font", "x", "y", "Boy", "En", "Açı", "Tabaka No", "İtalik", "Merkezi",
                "Yazı"});
    static const std::vector<std::string> symbols =
        Encode({"Sıra No", "Nokta No", "Sembol No", "Sx", "Sy", "Açı", "Tabaka No"});
    static const std::vector<std::string> parcels =
        Encode({"Sıra No", "Ada No", "Parsel No", "Alan", "Tabaka No", "Köse Sayısı"});
    static const std::vector<std::string> buildings = Encode(
        {"Sıra No", "Bina no", "Tarama Aralığı", "Tarama Açısı", "Kat Adeti", "Alan", "Tabaka No"});
    static const std::vector<std::string> slopes =
        Encode({"Sıra No", "Şev No", "Şev Tipi", " ", "Tarama Aralığı", "Alan", "Tabaka No"});
    static const std::vector<std::string> none;
    switch (gridNumber) {
        case 1:
        case 2:
        case 3:
            return points;
        case 4:
            return layers;
        case 5:
            return lines;
        case 6:
            return labels;
        case 7:
            return symbols;
        case 8:
            return parcels;
        case 9:
            return buildings;
        case 10:
            return slopes;
        default:
            return none;
    }
}

std::string_view PageCaption(int gridNumber) {
    static constexpr std::array<std::string_view, kGridCount> kCaptions = {
        "Nirengi",    "poligon", "Nokta", "Tabaka",          "Hat",       "Yazı",    "Sembol",
        "Ada Parsel", "Bina",    "Şev",   "Ada Parsel Köşe", "bina köşe", "şev köşe"};
    return kCaptions[static_cast<size_t>(gridNumber - 1)];
}

void WriteHeaderRows(Workspace& workspace) {
    for (int g = 1; g <= 10; ++g) {
        Table& table = workspace.grid(g);
        const std::vector<std::string>& headers = HeaderTexts(g);
        for (int c = 0; c < table.colCount(); ++c) {
            table.setCell(c, 0, headers[static_cast<size_t>(c)]);
        }
    }
}

int GrowGridRow(Table& table, int& counter) {
    if (counter >= INT_MAX - 1) {
        throw Error(std::string(kTooManyRowsMessage));
    }
    const int n = ++counter;
    table.setRowCount(n + 1);
    return n;
}

int AppendGridRow(Table& table, int& counter) {
    if (counter >= INT_MAX - 1) {
        throw Error(std::string(kTooManyRowsMessage));
    }
    // The number first: when it cannot be written, neither the count nor the table changes.
    table.setCellNumber(0, counter + 1, counter + 1);
    return GrowGridRow(table, counter);
}

int LayerRowOf(std::string_view layerNumber) {
    int32_t n = StrToInt(layerNumber);
    if (n < 1 || n > kLayerRows) {
        std::string message = "'";
        message += QuotedCell(layerNumber);
        message += kLayerRangeSuffix;
        throw LayerRangeError(message);
    }
    return n;
}

void MarkLayerUsed(LayerTable& layers, std::string_view layerNumber) {
    const int row = LayerRowOf(layerNumber);
    if (layers.field(row, 8) != "1") {
        layers.setField(row, 8, "1");
    }
}

}  // namespace plotaktar
