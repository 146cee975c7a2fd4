#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "plotfile/plot_grammar.h"

namespace plotaktar::plot {

// Reads a plot file's lines: each ends at LF, a CR before it dropped (a lone LF ends a line
// too). Lines are views into the bytes.
class PlotLines {
  public:
    explicit PlotLines(std::string_view bytes) : bytes_(bytes) {}
    bool next(std::string_view& line) {
        if (pos_ >= bytes_.size()) {
            return false;
        }
        start_ = pos_;
        ++number_;
        const void* lf = std::memchr(bytes_.data() + pos_, '\n', bytes_.size() - pos_);
        size_t end =
            lf ? static_cast<size_t>(static_cast<const char*>(lf) - bytes_.data()) : bytes_.size();
        pos_ = lf ? end + 1 : end;
        line = bytes_.substr(start_, end - start_);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        return true;
    }
    // The last line's number (from 1) and where it begins in the bytes.
    uint32_t number() const { return number_; }
    uint64_t start() const { return start_; }

  private:
    std::string_view bytes_;
    size_t pos_ = 0;
    size_t start_ = 0;
    uint32_t number_ = 0;
};

// The line that begins at `offset` of the bytes, without its line end; empty beyond the end.
std::string_view PlotLineAt(std::string_view bytes, uint64_t offset);

// What a plot-file line is, by its head.
enum class RecordType { Layer, Point, Label, Line, Parcel, Other };
RecordType RecordTypeOf(std::string_view line);

// Counts the lines of a plot file as a reader goes through them: those of a record this
// program writes, and the others that are not empty (another program's lines, which a reader
// skips). The corner line after a parcel is part of its record and not counted.
struct PlotLineCounts {
    uint64_t records = 0;
    uint64_t skipped = 0;

    // The line's type, counted.
    RecordType count(std::string_view line) {
        const RecordType type = RecordTypeOf(line);
        if (type != RecordType::Other) {
            ++records;
        } else if (!line.empty()) {
            ++skipped;
        }
        return type;
    }
};

// The text up to the next blank, and `rest` moved past that blank (all of it when there is
// none): the plot file's fields are separated by single blanks.
inline std::string_view NextWord(std::string_view& rest) {
    size_t blank = rest.find(' ');
    std::string_view word = rest.substr(0, blank);
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
    return word;
}

// The fields of the records, as views into the line.
struct LayerRecord {
    std::string_view name;
};
struct PointRecord {
    std::string_view y, x, layer, z, number;
};
struct LabelRecord {
    std::string_view y, x, height, angle, layer, text;
};
struct LineRecord {
    std::string_view y1, x1, y2, x2, layer, z1, z2;
};
struct ParcelRecord {
    std::string_view name, layer;  // "ada/parsel"
};

LayerRecord ReadLayerRecord(std::string_view line);
PointRecord ReadPointRecord(std::string_view line);
LabelRecord ReadLabelRecord(std::string_view line);
LineRecord ReadLineRecord(std::string_view line);
ParcelRecord ReadParcelRecord(std::string_view line);

// Calls `corner(y, x)` with the first two words of each corner's piece of a parcel's corner
// line, in order; stops and returns false as soon as it returns false.
template <typename Corner>
bool ForEachCorner(std::string_view line, Corner corner) {
    while (!line.empty()) {
        size_t end = line.find(kCornerTail);
        std::string_view piece = line.substr(0, end);
        line = end == std::string_view::npos ? std::string_view()
                                             : line.substr(end + kCornerTail.size());
        std::string_view y = NextWord(piece);
        std::string_view x = NextWord(piece);
        if (!corner(y, x)) {
            return false;
        }
    }
    return true;
}

// The named fields of the record at `offset` of a plot file's bytes (names in UTF-8): a
// point's, label's or line's by their fields, a parcel whole with the corner line after it,
// any other line whole.
std::vector<std::pair<std::string_view, std::string_view>> RecordFieldsAt(std::string_view bytes,
                                                                          uint64_t offset);

}  // namespace plotaktar::plot
