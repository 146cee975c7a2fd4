#include "import/source_lines.h"

#include <algorithm>

#include "import/fields.h"
#include "import/label_files.h"
#include "import/line_reader.h"
#include "model/errors.h"
#include "platform/error.h"

namespace plotaktar {

namespace {

// The number of the line of `path` where `givesRow` has held for the `row`-th time, counting
// on from `counted` rows before the file; nothing when the file ends first.
template <typename GivesRow>
std::optional<uint64_t> NthRowLine(const std::string& path, int row, int& counted,
                                   GivesRow givesRow) {
    if (path.empty()) {
        return std::nullopt;
    }
    std::optional<SharedBytes> bytes;
    try {
        bytes = ReadInputFile(path);
    } catch (const InputReadError&) {
        // A file changed since its import has no line numbers for that import's rows.
    }
    if (!bytes) {
        return std::nullopt;
    }
    LineReader lines((*bytes)->view());
    for (uint64_t number = 1; !lines.atEnd(); ++number) {
        if (givesRow(lines.next()) && ++counted == row) {
            return number;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<SourceLine> SourceLineOf(const ImportPaths& paths, TableId table, int row) {
    int counted = 0;
    if (table == KindOf(Kind::Yazi).table) {
        // The label file's rows come first, the companion's number on. A label file whose
        // reading ended at a bad layer number gave fewer rows than this count, but the export
        // stops at that row before it reaches any row after it.
        if (auto line = NthRowLine(paths.labels, row, counted, LabelLineGivesRow)) {
            return SourceLine{paths.labels, *line};
        }
        if (auto line = NthRowLine(paths.companion, row, counted, CompanionLineGivesRow)) {
            return SourceLine{paths.companion, *line};
        }
        return std::nullopt;
    }
    for (const KindEntry& kind : kKinds) {
        if (!kind.code.empty() && kind.table == table) {
            auto ofKind = [&](std::string_view line) { return line.substr(0, 3) == kind.code; };
            if (auto line = NthRowLine(paths.geometry, row, counted, ofKind)) {
                return SourceLine{paths.geometry, *line};
            }
        }
    }
    return std::nullopt;
}

}  // namespace plotaktar

namespace plotaktar {

namespace {

// The parcel table's last row before the first parcel record of a fresh import: corner lines
// met before any parcel record go to its column.
constexpr int kLastInitialParcelRow = 4;

// The bytes of the file at `path`; null when there is none or it cannot be read. A file that
// changed while it was read throws: its line numbers would be of another version than the one
// imported.
SharedBytes ReadLines(const std::string& path) {
    if (path.empty()) {
        return nullptr;
    }
    std::optional<SharedBytes> bytes = ReadInputFile(path);
    return bytes ? std::move(*bytes) : nullptr;
}

// Calls `line(number, text)` for every line of `bytes` (none when null) until it returns false.
template <typename Visit>
void EachLine(const SharedBytes& bytes, Visit visit) {
    if (!bytes) {
        return;
    }
    LineReader lines(bytes->view());
    for (uint32_t number = 1; !lines.atEnd(); ++number) {
        if (!visit(number, lines.next())) {
            return;
        }
    }
}

// True when a label row's layer number stops the reading of its file (LayerRowOf throws).
bool EndsLabelFile(const Table& labels, int row) {
    try {
        (void)LayerRowOf(labels.cell(ColumnsOf(Kind::Yazi).layer, row));
    } catch (const Error&) {
        return true;
    }
    return false;
}

}  // namespace

const std::string& FileName(const ImportPaths& paths, InputFile file) {
    switch (file) {
        case InputFile::Geometry:
            break;
        case InputFile::Labels:
            return paths.labels;
        case InputFile::Companion:
            return paths.companion;
    }
    return paths.geometry;
}

RowLine RowLines::of(TableId table, int row, int column) const {
    if (table == TableId::ParcelCorners) {
        const size_t c = static_cast<size_t>(column);
        if (c < corners_.size() && row >= 1 && static_cast<size_t>(row) <= corners_[c].size()) {
            return {InputFile::Geometry, corners_[c][static_cast<size_t>(row - 1)]};
        }
        return {InputFile::Geometry, 0};
    }
    const std::vector<uint32_t>& lines = rows_[static_cast<size_t>(TableNumber(table) - 1)];
    const uint32_t line = row >= 1 && static_cast<size_t>(row) <= lines.size()
                              ? lines[static_cast<size_t>(row - 1)]
                              : 0;
    if (table == KindOf(Kind::Yazi).table) {
        return {
            static_cast<size_t>(row) <= labelFileRows_ ? InputFile::Labels : InputFile::Companion,
            line};
    }
    return {InputFile::Geometry, line};
}

int RowLines::rowOfGeometryLine(TableId table, uint64_t line) const {
    const std::vector<uint32_t>& lines = rows_[static_cast<size_t>(TableNumber(table) - 1)];
    auto found = std::lower_bound(lines.begin(), lines.end(), line);
    return found != lines.end() && *found == line ? static_cast<int>(found - lines.begin()) + 1 : 0;
}

void RowLines::readGeometry(const std::string& path) {
    readGeometry(ReadLines(path));
}

void RowLines::readGeometry(const SharedBytes& bytes) {
    int lastParcel = kLastInitialParcelRow;
    // The block and parcel number of the last parcel row, as the parcel reader splits them off
    // its record (empty in the initial rows) and as the corner check compares them.
    std::string block, parcel;
    std::vector<uint32_t>& parcelRows =
        rows_[static_cast<size_t>(TableNumber(TableId::Parcels) - 1)];
    EachLine(bytes, [&](uint32_t number, std::string_view line) {
        const std::string_view code = line.substr(0, 3);
        for (const KindEntry& kind : kKinds) {
            // The first letter tells most kinds apart before their codes are compared.
            if (!kind.code.empty() && !code.empty() && kind.code[0] == code[0] &&
                kind.code == code) {
                rows_[static_cast<size_t>(TableNumber(kind.table) - 1)].push_back(number);
            }
        }
        if (code == KindOf(Kind::Parsel).code) {
            lastParcel = static_cast<int>(parcelRows.size());
            std::string_view body = RecordBody(line);
            block = NextField(body);
            parcel = NextField(body);
            // Its corners are numbered from 1 again, over any of the column's before.
            if (static_cast<size_t>(lastParcel) < corners_.size()) {
                corners_[static_cast<size_t>(lastParcel)].clear();
            }
        }
        const LineValues values(line);
        if (values.FirstToken == block && values.SecondToken == parcel) {
            if (corners_.size() <= static_cast<size_t>(lastParcel)) {
                corners_.resize(static_cast<size_t>(lastParcel) + 1);
            }
            corners_[static_cast<size_t>(lastParcel)].push_back(number);
        }
        return true;
    });
}

void RowLines::readLabels(const std::string& labels, const std::string& companion,
                          const Workspace& workspace) {
    readLabels(ReadLines(labels), ReadLines(companion), workspace);
}

void RowLines::readLabels(const SharedBytes& labels, const SharedBytes& companion,
                          const Workspace& workspace) {
    const Table& table = workspace.table(KindOf(Kind::Yazi).table);
    std::vector<uint32_t>& labelRows =
        rows_[static_cast<size_t>(TableNumber(KindOf(Kind::Yazi).table) - 1)];
    labelRows.clear();
    auto labelLines = [&](auto givesRow) {
        return [&, givesRow](uint32_t number, std::string_view line) {
            if (!givesRow(line)) {
                return true;
            }
            labelRows.push_back(number);
            return !EndsLabelFile(table, static_cast<int>(labelRows.size()));
        };
    };
    EachLine(labels, labelLines(LabelLineGivesRow));
    labelFileRows_ = labelRows.size();
    EachLine(companion, labelLines(CompanionLineGivesRow));
}

}  // namespace plotaktar
