#include "exchange/note_lines.h"

#include <unordered_map>

#include "import/label_files.h"
#include "import/line_reader.h"
#include "platform/error.h"

namespace plotaktar {

namespace {

constexpr TableId kLabels = KindOf(Kind::Yazi).table;

uint64_t Key(TableId table, int row) {
    return (static_cast<uint64_t>(TableNumber(table)) << 32) | static_cast<uint32_t>(row);
}

}  // namespace

std::vector<std::optional<SourceLine>> NoteLines(const ImportPaths& paths,
                                                 std::span<const FeatureNote> notes,
                                                 const ImportedBytes* read) {
    std::vector<std::optional<SourceLine>> lines(notes.size());
    if (notes.empty()) {
        return lines;
    }
    std::unordered_multimap<uint64_t, size_t> wanted;
    for (size_t i = 0; i < notes.size(); ++i) {
        if (notes[i].source.table) {
            wanted.emplace(Key(*notes[i].source.table, notes[i].source.row), i);
        } else if (!paths.geometry.empty()) {
            lines[i] = SourceLine{paths.geometry, static_cast<uint64_t>(notes[i].source.row)};
        }
    }
    // Reads `path`; each line for which `tableOf` names a table is the next row of that table.
    auto walk = [&](const std::string& path, SharedBytes ImportedBytes::*imported, auto tableOf,
                    int(&counted)[kTableCount + 1]) {
        if (path.empty()) {
            return;
        }
        std::optional<SharedBytes> bytes;
        try {
            bytes = read != nullptr ? std::optional(read->*imported) : ReadInputFile(path);
        } catch (const InputReadError&) {
            // Changed since the export read it: its notes name the file without a line.
        }
        if (!bytes || !*bytes) {
            return;
        }
        LineReader reader((*bytes)->view());
        for (uint64_t number = 1; !reader.atEnd(); ++number) {
            std::optional<TableId> table = tableOf(reader.next());
            if (!table) {
                continue;
            }
            const int row = ++counted[TableNumber(*table)];
            auto [first, last] = wanted.equal_range(Key(*table, row));
            for (auto it = first; it != last; ++it) {
                lines[it->second] = SourceLine{path, number};
            }
        }
    };
    int counted[kTableCount + 1] = {};
    walk(
        paths.geometry, &ImportedBytes::geometry,
        [](std::string_view line) -> std::optional<TableId> {
            for (const KindEntry& kind : kKinds) {
                if (!kind.code.empty() && line.substr(0, 3) == kind.code) {
                    return kind.table;
                }
            }
            return std::nullopt;
        },
        counted);
    // The label file's rows come first, the companion's after them.
    walk(
        paths.labels, &ImportedBytes::labels,
        [](std::string_view line) -> std::optional<TableId> {
            return LabelLineGivesRow(line) ? std::optional(kLabels) : std::nullopt;
        },
        counted);
    walk(
        paths.companion, &ImportedBytes::companion,
        [](std::string_view line) -> std::optional<TableId> {
            return CompanionLineGivesRow(line) ? std::optional(kLabels) : std::nullopt;
        },
        counted);
    return lines;
}

}  // namespace plotaktar
