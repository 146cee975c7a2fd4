#include "import/geometry_readers.h"

#include <charconv>
#include <cstring>
#include <string>

#include "import/parcel_corners.h"
#include "model/errors.h"
#include "model/text.h"

namespace plotaktar {

namespace {

// The point, line, symbol, building and slope records append one row of their fields to their
// table; the last field is what remains of the body. The triangulation and traverse readers
// rewrite an integer point number with their prefix.
constexpr std::string_view kNirengiPrefix = "N.";
constexpr std::string_view kPoligonPrefix = "P.";

constexpr int kMaxFields = 9;
// The seven values of a layer record; LayerTable adds the usage mark as field 8.
constexpr int kLayerValues = KindOf(Kind::Tabaka).fields;

// Runs a reader's steps. A failure of the record's own text (the program's Error: a layer
// number that does not convert, a count that cannot grow) skips the rest and shows the reader's
// word, once; anything else, running out of memory above all, is no fault of the record and
// ends the import.
template <typename Steps>
void Protected(ImportContext& ctx, Kind kind, Steps steps) {
    try {
        steps();
    } catch (const Error&) {
        ctx.observer.recordFailed(KindOf(kind).message, ctx.lineNumber);
    }
}

void ReadRow(ImportContext& ctx, Kind kind, std::string_view pointPrefix, std::string_view line) {
    const KindEntry& reader = KindOf(kind);
    Protected(ctx, kind, [&] {
        SectionFlags::raise(ctx.workspace.flags.*reader.flag);
        std::string_view body = RecordBody(line);
        std::string_view field[kMaxFields];
        for (int i = 0; i < reader.fields - 1; ++i) {
            field[i] = NextField(body);
        }
        field[reader.fields - 1] = body;

        Table& table = ctx.workspace.grid(reader.grid);
        int n = AppendGridRow(table, ctx.count(kind));
        int start = 1;
        if (!pointPrefix.empty()) {
            // The point number is rewritten when it is an integer; otherwise kept silently.
            if (auto number = TryStrToInt(field[0])) {
                char text[16];
                std::memcpy(text, pointPrefix.data(), 2);
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
    Protected(ctx, Kind::Tabaka, [&] {
        SectionFlags::raise(ctx.workspace.flags.FlagTabaka);
        std::string_view body = RecordBody(line);
        std::string_view value[kLayerValues];
        for (int i = 0; i < kLayerValues - 1; ++i) {
            value[i] = NextField(body);
        }
        value[kLayerValues - 1] = body;
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
        Table& table = ctx.workspace.grid(KindOf(Kind::Tabaka).grid);
        const int j = GrowGridRow(table, ctx.count(Kind::Tabaka));
        for (int i = 0; i < kLayerValues; ++i) {
            table.setCellSlice(i, j, value[i]);  // the generated name is copied
        }
        // LayerTable has 150 rows; a further layer record keeps its row on the page only.
        if (j > kLayerRows) {
            throw LayerRangeError("layer record beyond the layer table");
        }
        for (int i = 0; i < kLayerValues; ++i) {
            ctx.workspace.layerTable.setField(j, i + 1, value[i]);
        }
        ctx.workspace.layerTable.setField(j, kLayerFields, "0");
    });
}

void ReadParcel(ImportContext& ctx, std::string_view line) {
    Protected(ctx, Kind::Parsel, [&] { ReadParcelRecord(ctx, line); });
}

}  // namespace

void ReadGeometryLine(ImportContext& ctx, std::string_view line) {
    const std::string_view kind = line.substr(0, 3);
    auto is = [&](Kind k) { return kind == KindOf(k).code; };
    if (is(Kind::Nirengi)) {
        ReadRow(ctx, Kind::Nirengi, kNirengiPrefix, line);
    } else if (is(Kind::Poligon)) {
        ReadRow(ctx, Kind::Poligon, kPoligonPrefix, line);
    } else if (is(Kind::Nokta)) {
        ReadRow(ctx, Kind::Nokta, {}, line);
    } else if (is(Kind::Tabaka)) {
        ReadLayer(ctx, line);
    } else if (is(Kind::Hat)) {
        ReadRow(ctx, Kind::Hat, {}, line);
    } else if (is(Kind::Sembol)) {
        ReadRow(ctx, Kind::Sembol, {}, line);
    } else if (is(Kind::Parsel)) {
        ReadParcel(ctx, line);
    }
    CheckParcelCorner(ctx, line);
    if (is(Kind::Bina)) {
        ReadRow(ctx, Kind::Bina, {}, line);
    } else if (is(Kind::Sev)) {
        ReadRow(ctx, Kind::Sev, {}, line);
    }
}

}  // namespace plotaktar
