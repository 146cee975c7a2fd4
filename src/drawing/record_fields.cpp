#include "drawing/record_fields.h"

#include <algorithm>
#include <string_view>

#include "model/cp1254.h"
#include "model/text.h"

namespace plotaktar {

namespace {

std::string_view LineAt(std::string_view bytes, uint64_t offset) {
    if (offset >= bytes.size()) {
        return {};
    }
    std::string_view line = bytes.substr(offset);
    line = line.substr(0, line.find('\n'));
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

// The named fields of a plot-file record; an empty name is a fixed value, not shown; the last
// name takes the rest of the line.
void AddWords(std::vector<RecordField>& fields, std::string_view rest,
              std::initializer_list<const char*> names) {
    size_t i = 0;
    for (const char* name : names) {
        std::string_view word = rest;
        if (++i < names.size()) {
            size_t blank = rest.find(' ');
            word = rest.substr(0, blank);
            rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
        }
        if (*name != '\0') {
            fields.push_back({Cp1254FromUtf8(name), std::string(word)});
        }
    }
}

std::vector<RecordField> PlotFields(std::string_view bytes, uint64_t offset) {
    std::vector<RecordField> fields;
    const std::string_view line = LineAt(bytes, offset);
    const std::string_view rest = line.size() > 7 ? line.substr(7) : std::string_view();
    if (line.starts_with("PN")) {
        AddWords(fields, rest, {"Y", "X", "Tabaka", "Z", "", "Nokta No"});
    } else if (line.starts_with("YA")) {
        AddWords(fields, rest, {"y", "x", "", "Boy", "Açı", "", "Tabaka", "Yazı"});
    } else if (line.starts_with("LX")) {
        AddWords(fields, rest,
                 {"ilk y", "ilk x", "son y", "son x", "", "Tabaka", "", "", "ilk z", "son z"});
    } else if (line.starts_with("L2")) {
        fields.push_back({Cp1254FromUtf8("Kayıt"), std::string(line)});
        const size_t next = bytes.find('\n', offset);
        fields.push_back({Cp1254FromUtf8("Köşeler"),
                          std::string(next == std::string_view::npos ? std::string_view()
                                                                     : LineAt(bytes, next + 1))});
    } else {
        fields.push_back({Cp1254FromUtf8("Kayıt"), std::string(line)});
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
