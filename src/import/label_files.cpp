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

// The loop both files share: `readLine` adds the line's row, if any (AppendLabelRow).
// A failure of a line's own text (a layer number that does not convert) ends this file's loop
// silently; anything else, such as running out of memory, ends the import.
template <typename ReadLine>
void ReadLoop(std::string_view bytes, ReadLine readLine) {
    try {
        LineReader lines(bytes);
        while (!lines.atEnd()) {
            readLine(lines.next());
        }
    } catch (const Error&) {
    }
}

// Appends a row to the label table. Only a line that gives a row raises the labels' flag: a
// label file without rows leaves the label table of an earlier import unexported, like any kind
// without records.
int AppendLabelRow(ImportContext& ctx) {
    int n = AppendGridRow(ctx.workspace.table(kTextTable), ctx.count(Kind::Yazi));
    RaiseFlag(ctx.workspace.flags, Kind::Yazi);
    return n;
}

// A label file line: four fields, then the text and the layer number. The layer number stands
// right-aligned in the last three characters; the text and the number share the fourth-last
// character. A line without text gives no row.
struct LabelLine {
    explicit LabelLine(std::string_view line) {
        std::string_view rest = Trim(line);
        x = NextField(rest);
        y = NextField(rest);
        angle = NextField(rest);
        size = NextField(rest);
        const size_t length = rest.size();
        text = length > 3 ? Trim(rest.substr(0, length - 3)) : std::string_view();
        layer = Trim(length >= 4 ? rest.substr(length - 4) : rest);
    }
    std::string_view x, y, angle, size, text, layer;
};

// A companion line: nine fields and the text; fewer than ten blank-separated parts give no row.
struct CompanionLine {
    explicit CompanionLine(std::string_view line) {
        rest = Trim(line);
        for (auto& v : value) {
            v = NextField(rest);
        }
    }
    bool givesRow() const { return !value[8].empty(); }
    std::string_view value[9];
    std::string_view rest;
};

}  // namespace

bool LabelLineGivesRow(std::string_view line) {
    return !LabelLine(line).text.empty();
}

bool CompanionLineGivesRow(std::string_view line) {
    return CompanionLine(line).givesRow();
}

void ReadLabelFile(ImportContext& ctx, std::string_view bytes) {
    ReadLoop(bytes, [&](std::string_view line) {
        const LabelLine label(line);
        if (label.text.empty()) {
            return;
        }
        Table& table = ctx.workspace.table(kTextTable);
        int n = AppendLabelRow(ctx);
        table.setCell(kColumns.font, n, kLabelFont);
        table.setCellSlice(kColumns.x, n, label.x);
        table.setCellSlice(kColumns.y, n, label.y);
        table.setCellSlice(kColumns.height, n, label.size);
        table.setCellSlice(kColumns.width, n, label.size);
        table.setCellSlice(kColumns.angle, n, label.angle);
        table.setCellSlice(kColumns.layer, n, label.layer);
        // "0" as a pooled number: no copy of it for every row.
        table.setCellNumber(kColumns.italic, n, 0);
        table.setCellNumber(kColumns.centred, n, 0);
        table.setCellSlice(kColumns.text, n, label.text);
        MarkLayerUsed(*ctx.layers, label.layer);
    });
}

void ReadCompanionFile(ImportContext& ctx, std::string_view bytes) {
    ReadLoop(bytes, [&](std::string_view line) {
        const CompanionLine companion(line);
        if (!companion.givesRow()) {
            return;
        }
        // The companion's nine values fill the columns from the font on in their order; the
        // text is the rest of the line.
        Table& table = ctx.workspace.table(kTextTable);
        int n = AppendLabelRow(ctx);
        for (int i = 0; i < 9; ++i) {
            table.setCellSlice(kColumns.font + i, n, companion.value[i]);
        }
        table.setCellSlice(kColumns.text, n, companion.rest);
        MarkLayerUsed(*ctx.layers, companion.value[kColumns.layer - kColumns.font]);
    });
}

}  // namespace plotaktar
