#include "import/geometry_readers.h"

#include <charconv>
#include <cstring>
#include <string>

#include "import/parcel_corners.h"
#include "model/cp1254.h"
#include "model/errors.h"
#include "model/text.h"

namespace plotaktar {

namespace {

// The readers of the kinds that append one row of fields to their table: the point, line,
// symbol, building and slope records. The last field is what remains of the body.
struct RowReader {
    std::string_view kind;
    int grid;
    int fields;
    std::string SectionFlags::*flag;
    Count count;
    const char* word;
    std::string_view pointPrefix;  // "N." or "P." rewrites an integer point number
};

const RowReader kNir{"nir", 1, 5, &SectionFlags::FlagNirengi, Count::Nir, "nirengi", "N."};
const RowReader kPol{"pol", 2, 5, &SectionFlags::FlagPoligon, Count::Pol, "poligon", "P."};
const RowReader kNok{"nok", 3, 5, &SectionFlags::FlagNokta, Count::Nok, "nokta", {}};
const RowReader kHat{"hat", 5, 9, &SectionFlags::FlagHat, Count::Hat, "hat", {}};
const RowReader kSem{"sem", 7, 6, &SectionFlags::FlagSembol, Count::Sem, "sembol", {}};
const RowReader kBin{"bin", 9, 6, &SectionFlags::FlagBina, Count::Bin, "bina", {}};
const RowReader kSev{"sev",
                     10,
                     6,
                     &SectionFlags::FlagSev,
                     Count::Sev,
                     "\xFE"
                     "ev",
                     {}};  // şev

constexpr int kMaxFields = 9;

// Runs a reader's steps; a failure skips the rest and shows the reader's word, once.
template <typename Steps>
void Protected(ImportContext& ctx, const char* word, Steps steps) {
    try {
        steps();
    } catch (...) {
        ctx.observer.recordFailed(word, ctx.lineNumber);
    }
}

void ReadRow(ImportContext& ctx, const RowReader& reader, std::string_view line) {
    Protected(ctx, reader.word, [&] {
        SectionFlags::raise(ctx.workspace.flags.*reader.flag);
        std::string_view body = RecordBody(line);
        std::string_view field[kMaxFields];
        for (int i = 0; i < reader.fields - 1; ++i) {
            field[i] = NextField(body);
        }
        field[reader.fields - 1] = body;

        Table& table = ctx.workspace.grid(reader.grid);
        int n = AppendGridRow(table, ctx.count(reader.count));
        int start = 1;
        if (!reader.pointPrefix.empty()) {
            // The point number is rewritten when it is an integer; otherwise kept silently.
            if (auto number = TryStrToInt(field[0])) {
                char text[16];
                std::memcpy(text, reader.pointPrefix.data(), 2);
                char* end = std::to_chars(text + 2, text + sizeof text, *number).ptr;
                table.setCell(1, n, {text, static_cast<size_t>(end - text)});
                start = 2;
            }
        }
        for (int i = start; i <= reader.fields; ++i) {
            table.setCellSlice(i, n, field[i - 1]);
        }
        MarkLayerUsed(ctx.workspace.layerTable, field[reader.fields - 1]);
    });
}

// The layer record fills a row of StringGrid4 and, by its position in the file, the row of
// LayerTable with the same number.
void ReadLayer(ImportContext& ctx, std::string_view line) {
    Protected(ctx, "tabaka", [&] {
        SectionFlags::raise(ctx.workspace.flags.FlagTabaka);
        std::string_view body = RecordBody(line);
        std::string_view value[7];
        for (int i = 0; i < 6; ++i) {
            value[i] = NextField(body);
        }
        value[6] = body;
        std::string generatedName;
        if (value[5].empty()) {
            // Six words or fewer: the name is missing and made up from the layer number.
            value[5] = value[4];
            value[4] = value[3];
            value[3] = value[2];
            generatedName = "Tabaka";
            generatedName += value[0];
            value[2] = generatedName;
        }

        // Column 0 holds the layer number as written, not a running number.
        Table& table = ctx.workspace.grid(4);
        const int j = GrowGridRow(table, ctx.count(Count::Tab));
        for (int i = 0; i < 7; ++i) {
            table.setCellSlice(i, j, value[i]);  // the generated name is copied
        }
        // LayerTable has 150 rows; a further layer record keeps its row on the page only.
        if (j > kLayerRows) {
            throw LayerRangeError("layer record beyond the layer table");
        }
        for (int i = 0; i < 7; ++i) {
            ctx.workspace.layerTable.setField(j, i + 1, value[i]);
        }
        ctx.workspace.layerTable.setField(j, 8, "0");
    });
}

void ReadParcel(ImportContext& ctx, std::string_view line) {
    Protected(ctx, "parsel", [&] { ReadParcelRecord(ctx, line); });
}

}  // namespace

void ReadGeometryLine(ImportContext& ctx, std::string_view line) {
    const std::string_view kind = line.substr(0, 3);
    if (kind == kNir.kind) {
        ReadRow(ctx, kNir, line);
    } else if (kind == kPol.kind) {
        ReadRow(ctx, kPol, line);
    } else if (kind == kNok.kind) {
        ReadRow(ctx, kNok, line);
    } else if (kind == "tab") {
        ReadLayer(ctx, line);
    } else if (kind == kHat.kind) {
        ReadRow(ctx, kHat, line);
    } else if (kind == kSem.kind) {
        ReadRow(ctx, kSem, line);
    } else if (kind == "par") {
        ReadParcel(ctx, line);
    }
    CheckParcelCorner(ctx, line);
    if (kind == kBin.kind) {
        ReadRow(ctx, kBin, line);
    } else if (kind == kSev.kind) {
        ReadRow(ctx, kSev, line);
    }
}

}  // namespace plotaktar
