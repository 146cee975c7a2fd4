#include "model/workspace.h"

#include <climits>
#include <utility>
#include <vector>

#include "model/cp1254.h"
#include "model/errors.h"
#include "model/messages.h"
#include "model/text.h"

namespace plotaktar {

namespace {

// A new table for each row of the table of tables, with its starting column count.
template <size_t... i>
std::array<Table, kTableCount> NewTables(std::index_sequence<i...>) {
    return {Table(kTables[i].startColumns)...};
}

}  // namespace

Workspace::Workspace() : grids_(NewTables(std::make_index_sequence<kTableCount>())) {}

void SectionFlags::setAll(std::string_view text) {
    for (const KindEntry& kind : kKinds) {
        this->*kind.flag = text;
    }
}

std::array<std::pair<std::string_view, const std::string*>, kKindCount> SectionFlags::named()
    const {
    std::array<std::pair<std::string_view, const std::string*>, kKindCount> flags;
    for (size_t i = 0; i < kKinds.size(); ++i) {
        flags[i] = {kKinds[i].flagName, &(this->*kKinds[i].flag)};
    }
    return flags;
}

const std::vector<std::string>& HeaderTexts(TableId table) {
    static const std::array<std::vector<std::string>, kTableCount> encoded = [] {
        std::array<std::vector<std::string>, kTableCount> texts;
        for (const TableEntry& entry : kTables) {
            for (std::string_view header : entry.headers) {
                texts[static_cast<size_t>(TableNumber(entry.id) - 1)].push_back(
                    Cp1254FromUtf8(header));
            }
        }
        return texts;
    }();
    return encoded[static_cast<size_t>(TableNumber(table) - 1)];
}

void WriteHeaderRows(Workspace& workspace) {
    for (const TableEntry& entry : kTables) {
        Table& table = workspace.table(entry.id);
        const std::vector<std::string>& headers = HeaderTexts(entry.id);
        for (int c = 0; c < table.colCount() && c < static_cast<int>(headers.size()); ++c) {
            table.setCell(c, kHeaderRow, headers[static_cast<size_t>(c)]);
        }
    }
}

namespace {

// The part of `text` before its first blank, and what follows it trimmed; without a blank the
// part is empty and `text` stays whole.
std::string_view SplitWord(std::string_view& text) {
    size_t blank = text.find(kBlank);
    if (blank == std::string_view::npos) {
        return {};
    }
    std::string_view word = text.substr(0, blank);
    text = Trim(text.substr(blank));
    return word;
}

}  // namespace

CornerCell SplitCornerCell(std::string_view cell) {
    std::string_view rest = Trim(cell);
    size_t blank = rest.find(kBlank);
    if (blank != std::string_view::npos) {
        rest = Trim(rest.substr(blank + 1));
    }
    CornerCell parts;
    parts.y = SplitWord(rest);
    parts.x = SplitWord(rest);
    parts.rest = rest;
    return parts;
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
    table.setCellNumber(kRowNumberColumn, counter + 1, counter + 1);
    return GrowGridRow(table, counter);
}

int LayerRowOfAnyText(std::string_view layerNumber) {
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
    const std::string& used = layers.field(row, kLayerUsedField);
    if (used.size() != 1 || used[0] != '1') {
        layers.setField(row, kLayerUsedField, "1");
    }
}

}  // namespace plotaktar
