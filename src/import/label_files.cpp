#include "import/label_files.h"

#include "import/fields.h"
#include "import/line_reader.h"
#include "model/errors.h"
#include "model/messages.h"
#include "model/text.h"

namespace plotaktar {

namespace {

constexpr Grid kTextGrid = KindOf(Kind::Yazi).grid;
constexpr std::string_view kZero = "0";

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

// Appends a row to the text table. Only a line that gives a row sets FlagYazi: a label file
// without rows leaves the text table of an earlier import unexported, like any kind without
// records.
int AppendLabelRow(ImportContext& ctx) {
    int n = AppendGridRow(ctx.workspace.grid(kTextGrid), ctx.count(Kind::Yazi));
    SectionFlags::raise(ctx.workspace.flags.FlagYazi);
    return n;
}

}  // namespace

void ReadLabelFile(ImportContext& ctx, std::string_view bytes) {
    ReadLoop(bytes, [&](std::string_view line) {
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
        Table& table = ctx.workspace.grid(kTextGrid);
        int n = AppendLabelRow(ctx);
        table.setCell(1, n, kLabelFont);
        const std::string_view fields[] = {x, y, size, size, angle, layer};
        for (int c = 2; c <= 7; ++c) {
            table.setCellSlice(c, n, fields[c - 2]);
        }
        table.setCell(8, n, kZero);
        table.setCell(9, n, kZero);
        table.setCellSlice(10, n, text);
        MarkLayerUsed(ctx.workspace.layerTable, layer);
    });
}

void ReadCompanionFile(ImportContext& ctx, std::string_view bytes) {
    ReadLoop(bytes, [&](std::string_view line) {
        std::string_view rest = Trim(line);
        std::string_view value[9];
        for (auto& v : value) {
            v = NextField(rest);
        }
        if (value[8].empty()) {
            return;  // fewer than ten blank-separated parts
        }
        Table& table = ctx.workspace.grid(kTextGrid);
        int n = AppendLabelRow(ctx);
        for (int c = 1; c <= 9; ++c) {
            table.setCellSlice(c, n, value[c - 1]);
        }
        table.setCellSlice(10, n, rest);
        MarkLayerUsed(ctx.workspace.layerTable, value[6]);
    });
}

}  // namespace plotaktar
