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
// table (columns 1 on); the last field is what remains of the body. The triangulation and
// traverse readers rewrite an integer point number with their kind's prefix.
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

// One instance per kind, so that its field count, table and prefix are known when compiled.
template <Kind kind>
void ReadRow(ImportContext& ctx, std::string_view line) {
    constexpr KindEntry reader = KindOf(kind);
    Protected(ctx, kind, [&] {
        RaiseFlag(ctx.workspace.flags, kind);
        std::string_view body = RecordBody(line);
        std::string_view field[kMaxFields];
        for (int i = 0; i < reader.fields - 1; ++i) {
            field[i] = NextField(body);
        }
        field[reader.fields - 1] = body;

        Table& table = ctx.workspace.table(reader.table);
        int n = AppendGridRow(table, ctx.count(kind));
        int start = 1;
        if constexpr (!reader.pointPrefix.empty()) {
            constexpr std::string_view pointPrefix = reader.pointPrefix;
            // The point number (the first field) is rewritten when it is an integer; otherwise
            // kept silently.
            if (auto number = TryStrToInt(field[0])) {
                char text[16];
                std::memcpy(text, pointPrefix.data(), pointPrefix.size());
                char* end =
                    std::to_chars(text + pointPrefix.size(), text + sizeof text, *number).ptr;
                table.setCell(ColumnsOf(kind).number, n, {text, static_cast<size_t>(end - text)});
                start = 2;
            }
        }
        for (int i = start; i <= reader.fields; ++i) {
            table.setCellSlice(i, n, field[i - 1]);
        }
        MarkLayerUsed(ctx.workspace.layerTable, field[reader.fields - 1]);
    });
}

// The layer record fills a row of the layer table and, by its position in the file, the row of
// LayerTable with the same number.
void ReadLayer(ImportContext& ctx, std::string_view line) {
    Protected(ctx, Kind::Tabaka, [&] {
        RaiseFlag(ctx.workspace.flags, Kind::Tabaka);
        std::string_view body = RecordBody(line);
        std::string_view value[kLayerValues];
        for (int i = 0; i < kLayerValues - 1; ++i) {
            value[i] = NextField(body);
        }
        value[kLayerValues - 1] = body;
        std::string generatedName;
        const Columns& columns = ColumnsOf(Kind::Tabaka);
        if (value[kLayerValues - 2].empty()) {
            // Six words or fewer: the name is missing and made up from the layer number; the
            // values from the name on move one place along.
            for (int i = kLayerValues - 2; i > columns.name; --i) {
                value[i] = value[i - 1];
            }
            generatedName = "Tabaka";
            generatedName += value[columns.number];
            value[columns.name] = generatedName;
        }

        // The layer number column holds the layer number as written, not a running number.
        Table& table = ctx.workspace.table(KindOf(Kind::Tabaka).table);
        const int j = GrowGridRow(table, ctx.count(Kind::Tabaka));
        for (int i = 0; i < kLayerValues; ++i) {
            table.setCellSlice(i, j, value[i]);  // the generated name is copied
        }
        // LayerTable has 150 rows; a further layer record keeps its row on the page only.
        if (j > kLayerRows) {
            throw LayerRangeError("layer record beyond the layer table");
        }
        for (int i = 0; i < kLayerValues; ++i) {
            ctx.workspace.layerTable.setField(j, LayerField(i), value[i]);
        }
        ctx.workspace.layerTable.setField(j, kLayerUsedField, "0");
    });
}

void ReadParcel(ImportContext& ctx, std::string_view line) {
    Protected(ctx, Kind::Parsel, [&] { ReadParcelRecord(ctx, line); });
}

}  // namespace

void ReadGeometryLine(ImportContext& ctx, std::string_view line) {
    const uint32_t kind = PackedCode(line);
    // Every kind's code is three bytes long, none of them NUL.
    auto is = [&](Kind k) { return kind == PackedCode(KindOf(k).code); };
    if (is(Kind::Nirengi)) {
        ReadRow<Kind::Nirengi>(ctx, line);
    } else if (is(Kind::Poligon)) {
        ReadRow<Kind::Poligon>(ctx, line);
    } else if (is(Kind::Nokta)) {
        ReadRow<Kind::Nokta>(ctx, line);
    } else if (is(Kind::Tabaka)) {
        ReadLayer(ctx, line);
    } else if (is(Kind::Hat)) {
        ReadRow<Kind::Hat>(ctx, line);
    } else if (is(Kind::Sembol)) {
        ReadRow<Kind::Sembol>(ctx, line);
    } else if (is(Kind::Parsel)) {
        ReadParcel(ctx, line);
    }
    CheckParcelCorner(ctx, line);
    if (is(Kind::Bina)) {
        ReadRow<Kind::Bina>(ctx, line);
    } else if (is(Kind::Sev)) {
        ReadRow<Kind::Sev>(ctx, line);
    }
}

}  // namespace plotaktar
