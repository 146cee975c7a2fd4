#include <array>
#include <cstring>
#include <string>

#include "drawing/drawing_sources.h"

namespace plotaktar {

namespace {

constexpr std::string_view kCornerEnd = " 0.000 0 0 ";
constexpr std::string_view kParcelStart = "L2  && 0.0000000 0.0000000 ";
constexpr std::string_view kParcelMiddle = " 19 0 ";
constexpr std::string_view kParcelEnd = "  0.00000000000000E+0000 0";
constexpr std::string_view kLayerEnd = " -257 1 DUZ 1 0";

// The plot file separates its fields by single blanks, an empty cell leaving two side by side:
// the text up to the next blank, and `rest` moved past that blank (all of it when there is
// none).
std::string_view NextWord(std::string_view& rest) {
    size_t blank = rest.find(' ');
    std::string_view word = rest.substr(0, blank);
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
    return word;
}

template <size_t N>
std::array<std::string_view, N> Words(std::string_view& rest) {
    std::array<std::string_view, N> words;
    for (std::string_view& w : words) {
        w = NextWord(rest);
    }
    return words;
}

// Reads lines ended by CR LF (a lone LF ends a line too).
class Lines {
  public:
    explicit Lines(std::string_view bytes) : bytes_(bytes) {}
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
    uint32_t number() const { return number_; }
    uint64_t start() const { return start_; }

  private:
    std::string_view bytes_;
    size_t pos_ = 0;
    size_t start_ = 0;
    uint32_t number_ = 0;
};

FeatureKind PointKind(std::string_view number) {
    if (number.starts_with("N.")) {
        return FeatureKind::Triangulation;
    }
    if (number.starts_with("P.")) {
        return FeatureKind::Traverse;
    }
    return FeatureKind::Detail;
}

}  // namespace

bool ParseCornerLine(std::string_view line, std::vector<Vertex>& corners) {
    while (!line.empty()) {
        size_t end = line.find(kCornerEnd);
        std::string_view piece = line.substr(0, end);
        line = end == std::string_view::npos ? std::string_view()
                                             : line.substr(end + kCornerEnd.size());
        Vertex v;
        std::string_view east = NextWord(piece);
        std::string_view north = NextWord(piece);
        if (!ParseCoordinate(east, v.east) || !ParseCoordinate(north, v.north)) {
            return false;
        }
        corners.push_back(v);
    }
    return true;
}

Drawing DrawingFromPlotBytes(std::string_view bytes) {
    Drawing drawing;
    drawing.fromPlotFile = true;
    Lines lines(bytes);
    std::string_view line;
    std::vector<Vertex> corners;
    auto add = [&](FeatureKind kind, std::string_view layer, std::span<const Vertex> vertices,
                   std::string_view text, uint32_t number, uint64_t offset, double height = 0,
                   double angle = 0) {
        drawing.add(kind, drawing.layerIndex(layer), number, vertices, text, height, angle);
        drawing.lineOffsets.push_back(offset);
    };
    while (lines.next(line)) {
        const uint32_t number = lines.number();
        const uint64_t offset = lines.start();
        std::string_view rest = line.size() >= 7 ? line.substr(7) : std::string_view();
        const bool record = line.starts_with("TA ") || line.starts_with("PN  && ") ||
                            line.starts_with("YA  && ") || line.starts_with("LX  && ") ||
                            line.starts_with("L2  && ");
        if (record) {
            ++drawing.counts().recordLines;
        } else if (!line.empty()) {
            ++drawing.counts().skippedLines;
        }
        if (line.starts_with("TA ")) {
            std::string_view name = line.substr(3);
            if (name.ends_with(kLayerEnd)) {
                name.remove_suffix(kLayerEnd.size());
            }
            drawing.layerIndex(name);
        } else if (line.starts_with("PN  && ")) {
            auto [east, north, layer, z, zero] = Words<5>(rest);
            (void)z;
            (void)zero;
            Vertex v;
            if (!ParseCoordinate(east, v.east) || !ParseCoordinate(north, v.north)) {
                ++drawing.counts().unreadable;
                continue;
            }
            add(PointKind(rest), layer, {&v, 1}, rest, number, offset);
        } else if (line.starts_with("YA  && ")) {
            auto [east, north, l, height, angle, zero, layer] = Words<7>(rest);
            (void)l;
            (void)zero;
            Vertex v;
            double h = 0, a = 0;
            if (!ParseCoordinate(east, v.east) || !ParseCoordinate(north, v.north) ||
                !ParseCoordinate(height, h) || !ParseCoordinate(angle, a)) {
                ++drawing.counts().unreadable;
                continue;
            }
            add(FeatureKind::Label, layer, {&v, 1}, rest, number, offset, h, a);
        } else if (line.starts_with("LX  && ")) {
            auto [e0, n0, e1, n1, zero, layer] = Words<6>(rest);
            (void)zero;
            Vertex v[2];
            if (!ParseCoordinate(e0, v[0].east) || !ParseCoordinate(n0, v[0].north) ||
                !ParseCoordinate(e1, v[1].east) || !ParseCoordinate(n1, v[1].north)) {
                ++drawing.counts().unreadable;
                continue;
            }
            add(FeatureKind::Line, layer, v, {}, number, offset);
        } else if (line.starts_with("L2  && ")) {
            std::string_view head =
                line.starts_with(kParcelStart) ? line.substr(kParcelStart.size()) : line.substr(7);
            size_t middle = head.find(kParcelMiddle);
            std::string_view name = head.substr(0, middle);
            std::string_view layer = middle == std::string_view::npos
                                         ? std::string_view()
                                         : head.substr(middle + kParcelMiddle.size());
            if (layer.ends_with(kParcelEnd)) {
                layer.remove_suffix(kParcelEnd.size());
            }
            std::string_view cornerLine;
            bool hasCorners = lines.next(cornerLine);
            corners.clear();
            if (!hasCorners || cornerLine.empty() || !ParseCornerLine(cornerLine, corners)) {
                ++drawing.counts().unreadable;
                continue;
            }
            add(FeatureKind::Parcel, layer, corners, name, number, offset);
        }
    }
    drawing.finish();
    return drawing;
}

}  // namespace plotaktar
