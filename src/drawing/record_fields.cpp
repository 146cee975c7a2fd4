#include "drawing/record_fields.h"

#include <algorithm>
#include <string_view>

#include "model/cp1254.h"
#include "model/text.h"
#include "plotfile/plot_reader.h"

namespace plotaktar {

namespace {

std::vector<RecordField> PlotFields(std::string_view bytes, uint64_t offset) {
    std::vector<RecordField> fields;
    for (const auto& [name, value] : plot::RecordFieldsAt(bytes, offset)) {
        fields.push_back({Cp1254FromUtf8(name), std::string(value)});
    }
    return fields;
}

}  // namespace

std::vector<RecordField> RecordFields(const LoadedDrawing& loaded, uint32_t feature) {
    const Drawing& drawing = loaded.drawing;
    if (loaded.plotBytes) {
        return feature < drawing.lineOffsets.size()
                   ? PlotFields(loaded.plotBytes->view(), drawing.lineOffsets[feature])
                   : std::vector<RecordField>();
    }
    std::vector<RecordField> fields;
    if (!loaded.workspace) {
        return fields;
    }
    const std::optional<TableId> source = drawing.sourceTable(feature);
    if (!source) {
        return fields;
    }
    const int row = static_cast<int>(drawing.sourceRow(feature));
    const Table& table = loaded.workspace->table(*source);
    const std::vector<std::string>& headers = HeaderTexts(*source);
    for (int c = 0; c < table.colCount(); ++c) {
        fields.push_back(
            {c < static_cast<int>(headers.size()) ? headers[static_cast<size_t>(c)] : IntToStr(c),
             std::string(table.cell(c, row))});
    }
    // A parcel's corners follow its row.
    const int countColumn = TableOf(*source).columns.cornerCount;
    if (countColumn >= 0) {
        const Table& corners = loaded.workspace->table(TableId::ParcelCorners);
        const int count = std::min(TryStrToInt(table.cell(countColumn, row)).value_or(0),
                                   corners.storedRows(row) - 1);
        for (int k = 1; k <= count; ++k) {
            fields.push_back(
                {Cp1254FromUtf8("Köşe ") + IntToStr(k), std::string(corners.cell(row, k))});
        }
    }
    return fields;
}

}  // namespace plotaktar
