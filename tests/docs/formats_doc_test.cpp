// docs/formats.md against the kinds table: the kinds in the import's order with their pages,
// field counts, failure words and plot records; each kind's field table with its columns'
// headers in order; and every example line a real line of the sample or of its plot file.

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/cp1254.h"
#include "model/record_kinds.h"

namespace plotaktar {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text, std::string_view end = "\n") {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t stop = text.find(end, start);
        if (stop == std::string::npos) {
            stop = text.size();
        }
        lines.push_back(text.substr(start, stop - start));
        start = stop + end.size();
    }
    return lines;
}

std::string Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// The texts between backticks, in order.
std::vector<std::string> CodeSpans(std::string_view text) {
    std::vector<std::string> spans;
    for (size_t open = text.find('`'); open != std::string_view::npos;) {
        const size_t close = text.find('`', open + 1);
        if (close == std::string_view::npos) {
            break;
        }
        spans.emplace_back(text.substr(open + 1, close - open - 1));
        open = text.find('`', close + 1);
    }
    return spans;
}

// The text of a cell written in double quotes, blanks inside kept; nothing when it is not.
std::optional<std::string> Quoted(const std::string& cell) {
    if (cell.size() < 2 || cell.front() != '"' || cell.back() != '"') {
        return std::nullopt;
    }
    return cell.substr(1, cell.size() - 2);
}

// A Markdown table: its header cells and rows of cells, trimmed of the blanks around them.
struct MarkdownTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;

    int column(std::string_view name) const {
        for (size_t i = 0; i < header.size(); ++i) {
            if (header[i] == name) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
};

std::vector<std::string> Cells(const std::string& line) {
    std::vector<std::string> cells;
    const std::string inner = line.substr(1, line.rfind('|') - 1);
    size_t start = 0;
    for (size_t bar = inner.find('|');; bar = inner.find('|', start)) {
        cells.push_back(Trimmed(inner.substr(start, bar == std::string::npos ? bar : bar - start)));
        if (bar == std::string::npos) {
            break;
        }
        start = bar + 1;
    }
    return cells;
}

// The kinds a text names: the geometry kinds by their codes, the labels by their files.
std::vector<Kind> KindsNamed(std::string_view text) {
    std::vector<Kind> kinds;
    for (const std::string& span : CodeSpans(text)) {
        if (span == ".yaz") {
            kinds.push_back(Kind::Yazi);
        }
        for (const KindEntry& entry : kKinds) {
            if (!entry.code.empty() && span == entry.code) {
                kinds.push_back(entry.kind);
            }
        }
    }
    return kinds;
}

// The page read once: the kinds table, each kind's field table (the first table under a
// heading that names it) and the example blocks by the file they quote.
struct FormatsPage {
    MarkdownTable kinds;
    std::map<Kind, MarkdownTable> fields;
    std::map<Kind, int> fieldTablesNamed;
    std::vector<std::pair<std::string, std::string>> examples;  // file name, line

    explicit FormatsPage(const std::string& path) {
        const std::vector<std::string> lines = Lines(ReadAll(path));
        std::vector<Kind> pending;  // the kinds of the last heading, until its table
        std::string block;          // the file of the example block we are in
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            if (line.rfind("```", 0) == 0) {
                block = block.empty() && line.size() > 3 ? line.substr(3) : std::string();
                continue;
            }
            if (!block.empty()) {
                examples.emplace_back(block, line);
                continue;
            }
            if (line.rfind("#", 0) == 0) {
                pending = KindsNamed(line);
                continue;
            }
            if (line.rfind("|", 0) != 0) {
                continue;
            }
            MarkdownTable table;
            table.header = Cells(line);
            for (i += 2; i < lines.size() && lines[i].rfind("|", 0) == 0; ++i) {
                table.rows.push_back(Cells(lines[i]));
            }
            if (table.column("Code") >= 0) {
                kinds = table;
            }
            for (Kind kind : pending) {
                ++fieldTablesNamed[kind];
                fields[kind] = table;
            }
            pending.clear();
        }
    }
};

const FormatsPage& Page() {
    static const FormatsPage page(std::string(PLOTAKTAR_DOCS_DIR) + "/formats.md");
    return page;
}

std::string Named(Kind kind) {
    return KindOf(kind).code.empty() ? std::string("labels") : std::string(KindOf(kind).code);
}

TEST(FormatsPage, ListsEveryKindInTheImportsOrderWithItsPageFieldsWordAndPlotRecord) {
    const MarkdownTable& table = Page().kinds;
    ASSERT_EQ(table.header, (std::vector<std::string>{"Code", "Kind", "Page", "Fields",
                                                      "Plot record", "Failure word"}));
    ASSERT_EQ(table.rows.size(), kKinds.size()) << "one row a kind";
    for (size_t i = 0; i < kKinds.size(); ++i) {
        const KindEntry& entry = kKinds[i];
        const std::vector<std::string>& row = table.rows[i];
        SCOPED_TRACE("row " + std::to_string(i + 1) + ": " + Named(entry.kind));
        ASSERT_EQ(row.size(), table.header.size());
        EXPECT_EQ(KindsNamed(row[0]), std::vector<Kind>{entry.kind});
        EXPECT_EQ(Quoted(row[2]), std::string(TableOf(entry.table).caption));
        EXPECT_EQ(row[3], std::to_string(entry.fields));
        EXPECT_EQ(row[4] == "—", entry.plotSection == 0) << row[4];
        EXPECT_EQ(row[5] == "—" ? std::string() : Quoted(row[5]).value_or("?"),
                  Utf8FromCp1254(entry.message));
    }
}

TEST(FormatsPage, GivesEachKindItsTablesHeadersInOrderAndItsFields) {
    for (const KindEntry& entry : kKinds) {
        SCOPED_TRACE(Named(entry.kind));
        ASSERT_EQ(Page().fieldTablesNamed.count(entry.kind), 1u) << "no table under a heading";
        EXPECT_EQ(Page().fieldTablesNamed.at(entry.kind), 1) << "more than one table";
        const MarkdownTable& table = Page().fields.at(entry.kind);
        const int column = table.column("Column");
        const int header = table.column("Header");
        // The labels' fields are the companion's, which writes all ten.
        const int field = table.column(entry.kind == Kind::Yazi ? ".yfn" : "Field");
        ASSERT_GE(column, 0);
        ASSERT_GE(header, 0);
        ASSERT_GE(field, 0);

        const std::span<const std::string_view> headers = TableOf(entry.table).headers;
        ASSERT_EQ(table.rows.size(), headers.size()) << "one row a column of the page";
        int fields = 0;
        for (size_t c = 0; c < headers.size(); ++c) {
            const std::vector<std::string>& row = table.rows[c];
            ASSERT_EQ(row.size(), table.header.size()) << "row " << c + 1;
            EXPECT_EQ(row[static_cast<size_t>(column)], std::to_string(c));
            EXPECT_EQ(Quoted(row[static_cast<size_t>(header)]), std::string(headers[c]))
                << "column " << c;
            if (row[static_cast<size_t>(field)] != "—") {
                EXPECT_EQ(row[static_cast<size_t>(field)], std::to_string(++fields))
                    << "column " << c << ": the fields in the record's order";
            }
        }
        EXPECT_EQ(fields, entry.fields);
    }
}

TEST(FormatsPage, QuotesOnlyRealLinesOfTheSampleAndItsPlotFile) {
    std::map<std::string, std::vector<std::string>> files;
    ASSERT_FALSE(Page().examples.empty());
    for (const auto& [name, line] : Page().examples) {
        auto found = files.find(name);
        if (found == files.end()) {
            const std::string dir =
                name.ends_with(".plt") ? PLOTAKTAR_PLOT_DIR : PLOTAKTAR_SAMPLES_DIR;
            found = files.emplace(name, Lines(ReadAll(dir + "/" + name), "\r\n")).first;
            ASSERT_FALSE(found->second.empty()) << name;
        }
        EXPECT_NE(std::find(found->second.begin(), found->second.end(), Cp1254FromUtf8(line)),
                  found->second.end())
            << name << " has no line \"" << line << "\"";
    }
    std::set<std::string> kinds;
    for (const auto& [name, line] : Page().examples) {
        if (name.ends_with(".gplt")) {
            kinds.insert(line.substr(0, 3));
        }
    }
    for (const KindEntry& entry : kKinds) {
        if (!entry.code.empty()) {
            EXPECT_EQ(kinds.count(std::string(entry.code)), 1u) << entry.code << " has no line";
        }
    }
}

}  // namespace
}  // namespace plotaktar
