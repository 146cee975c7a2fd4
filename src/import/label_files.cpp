#include "import/label_files.h"

#include "import/fields.h"
#include "import/line_reader.h"
#include "model/errors.h"
#include "model/messages.h"
#include "model/text.h"

namespace plotaktar {

namespace {

constexpr TableId kTextTable = KindOf(Kind::Yazi).table;
constexpr Columns kColumns = ColumnsOf(Kind::Yazi);
constexpr std::string_view kZero = "0";

// The loop both files share: each line sets FlagYazi; `readLine` adds the line's row, if any.
// A failure of a line's own text (a layer number that does not convert) ends this file's loop
// silently; anything else, such as running out of memory, ends the import.
template <typename ReadLine>
void ReadLoop(ImportContext& ctx, std::string_view bytes, ReadLine readLine) {
    try {
        LineReader lines(bytes);
        while (!lines.atEnd()) {
            RaiseFlag(ctx.workspace.flags, Kind::Yazi);
            readLine(lines.next());
        }
    } catch (const Error&) {
    }
}

}  // namespace

void ReadLabelFile(ImportContext& ctx, std::string_view bytes) {
    ReadLoop(ctx, bytes, [&](std::string_view line) {
        std::string_view rest = Trim(line);
        std::string_view x = NextField(rest);
        std::string_view y = NextField(rest);
        std::string_view angle = NextField(rest);
        std::string_view size = NextField(rest);
        // The layer number stands right-aligned in the last three characters; the text and
        // the number share the fourth-last character.
        const size_t length = rest.size();
        std::string_view text = length > 3 ? Trim(rest.substr(0, length - 3)) : std::string_view();
        std::string_view layer = Trim(length >= 4 ? rest.substr(length - 4) : rest);
        if (text.empty()) {
            return;
        }
        Table& table = ctx.workspace.table(kTextTable);
        int n = AppendGridRow(table, ctx.count(Kind::Yazi));
        table.setCell(kColumns.font, n, kLabelFont);
        table.setCellSlice(kColumns.x, n, x);
        table.setCellSlice(kColumns.y, n, y);
        table.setCellSlice(kColumns.height, n, size);
        table.setCellSlice(kColumns.width, n, size);
        table.setCellSlice(kColumns.angle, n, angle);
        table.setCellSlice(kColumns.layer, n, layer);
        table.setCell(kColumns.italic, n, kZero);
        table.setCell(kColumns.centred, n, kZero);
        table.setCellSlice(kColumns.text, n, text);
        MarkLayerUsed(ctx.workspace.layerTable, layer);
    });
}

void ReadCompanionFile(ImportContext& ctx, std::string_view bytes) {
    ReadLoop(ctx, bytes, [&](std::string_view line) {
        std::string_view rest = Trim(line);
        std::string_view value[9];
        for (auto& v : value) {
            v = NextField(rest);
        }
        if (value[8].empty()) {
            return;  // fewer than ten blank-separated parts
        }
        // The companion's nine values fill the columns from the font on in their order; the
        // text is the rest of the line.
        Table& table = ctx.workspace.table(kTextTable);
        int n = AppendGridRow(table, ctx.count(Kind::Yazi));
        for (int i = 0; i < 9; ++i) {
            table.setCellSlice(kColumns.font + i, n, value[i]);
        }
        table.setCellSlice(kColumns.text, n, rest);
        MarkLayerUsed(ctx.workspace.layerTable, value[kColumns.layer - kColumns.font]);
    });
}

}  // namespace plotaktar
