#include "import/parcel_corners.h"

#include <climits>
#include <string>

#include "model/errors.h"
#include "model/messages.h"
#include "model/text.h"

namespace plotaktar {

namespace {

constexpr TableId kParcelTable = KindOf(Kind::Parsel).table;
constexpr TableId kCornerTable = TableId::ParcelCorners;
constexpr int kAdaColumn = ColumnsOf(Kind::Parsel).block;
constexpr int kParselColumn = ColumnsOf(Kind::Parsel).parcel;
constexpr int kCornerCountColumn = ColumnsOf(Kind::Parsel).cornerCount;

}  // namespace

void ReadParcelRecord(ImportContext& ctx, std::string_view line) {
    ctx.cornerCount = 0;
    RaiseFlag(ctx.workspace.flags, Kind::Parsel);
    std::string_view body = RecordBody(line);
    std::string_view field[4];
    for (auto& f : field) {
        f = NextField(body);
    }
    // The fourth split-off word gives way to the rest of the body: it is stored nowhere.
    field[3] = body;

    Table& parcels = ctx.workspace.table(kParcelTable);
    int n = AppendGridRow(parcels, ctx.count(Kind::Parsel));
    // The record's fields fill the columns from the block number on.
    for (int i = 0; i < 4; ++i) {
        parcels.setCellSlice(kAdaColumn + i, n, field[i]);
    }
    // The count is this parcel's own: corner lines set it, and a parcel without any stops the
    // export instead of taking the corners of the parcel that had this row before.
    parcels.setCell(kCornerCountColumn, n, {});
    MarkLayerUsed(ctx.workspace.layerTable, field[3]);
}

void CheckParcelCorner(ImportContext& ctx, std::string_view line) {
    Table& parcels = ctx.workspace.table(kParcelTable);
    const int last = parcels.rowCount() - 1;
    // Most lines differ in their first word already, most of them in its first byte (a line
    // that starts with no blank or control character starts its first word, or has none); the
    // other values are computed only then.
    const std::string_view block = parcels.cell(kAdaColumn, last);
    if (!line.empty() && !block.empty() && !IsTrimmed(line[0]) && line[0] != block[0]) {
        return;
    }
    const size_t blank = line.find(kBlank);
    const std::string_view firstToken =
        blank == std::string_view::npos ? std::string_view() : Trim(line.substr(0, blank));
    if (firstToken != block) {
        return;
    }
    const LineValues values(line);
    if (values.FirstToken != parcels.cell(kAdaColumn, last) ||
        values.SecondToken != parcels.cell(kParselColumn, last)) {
        return;
    }
    if (ctx.cornerCount >= INT_MAX - 1) {
        throw Error(std::string(kTooManyCornersMessage));
    }

    Table& corners = ctx.workspace.table(kCornerTable);
    corners.setColCount(last + 1);
    const int k = ++ctx.cornerCount;
    if (corners.rowCount() < k + 1) {
        corners.setRowCount(k + 1);
    }

    std::string_view rest = values.RestOfLine;
    const size_t restBlank = rest.find(kBlank);
    std::string_view cornerText =
        restBlank == std::string_view::npos ? rest : Trim(rest.substr(restBlank));

    // Every corner of a parcel writes the same title again; skip the copy when it is there.
    std::string_view title = corners.cell(last, kCornerTitleRow);
    if (title.size() != values.FirstToken.size() + 1 + values.SecondToken.size() ||
        !title.starts_with(values.FirstToken) || title[values.FirstToken.size()] != '/' ||
        !title.ends_with(values.SecondToken)) {
        std::string text;
        text.reserve(values.FirstToken.size() + 1 + values.SecondToken.size());
        text += values.FirstToken;
        text += '/';
        text += values.SecondToken;
        corners.setCell(last, kCornerTitleRow, text);
    }
    corners.setCellNumber(kCornerNumberColumn, k, k);
    corners.setCellSlice(last, k, cornerText);
    parcels.setCellNumber(kCornerCountColumn, last, k);
}

}  // namespace plotaktar
