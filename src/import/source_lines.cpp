#include "import/source_lines.h"

#include "import/label_files.h"
#include "import/line_reader.h"

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
    std::optional<SharedBytes> bytes = ReadInputFile(path);
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
