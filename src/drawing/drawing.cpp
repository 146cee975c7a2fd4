#include "drawing/drawing.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <new>

namespace plotaktar {

namespace {

// The powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The usual cell, "-12345.678": at most 15 digits with at most one point between them. Such a
// number is its digits as an integer (exact in a double) divided by a power of ten (exact too),
// and one division of two exact doubles is rounded as the decimal itself would be: the same
// double std::from_chars gives, without its general work. False for anything else.
bool ParsePlainDecimal(std::string_view text, double& value) {
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = p != end && *p == '-';
    p += negative ? 1 : 0;
    // Digits beyond 19 wrap around, but then there are more than 15 and the number is not
    // taken here.
    uint64_t digits = 0;
    auto readDigits = [&] {
        const char* const first = p;
        for (unsigned digit; p != end && (digit = static_cast<unsigned char>(*p) - '0') <= 9; ++p) {
            digits = digits * 10 + digit;
        }
        return static_cast<size_t>(p - first);
    };
    const size_t whole = readDigits();
    size_t decimals = 0;
    if (p != end) {
        if (*p != '.') {
            return false;
        }
        ++p;
        decimals = readDigits();
        if (p != end || decimals == 0) {
            return false;
        }
    }
    if (whole == 0 || whole + decimals > 15) {
        return false;
    }
    const double magnitude = static_cast<double>(digits) / kExactPowersOfTen[decimals];
    value = negative ? -magnitude : magnitude;
    return true;
}

}  // namespace

bool ParseCoordinate(std::string_view text, double& value) {
    if (ParsePlainDecimal(text, value)) {
        return true;
    }
    if (!text.empty() && text[0] == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
            return false;
        }
    }
    if (text.empty()) {
        return false;
    }
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

uint16_t Drawing::layerIndex(std::string_view name, int colour) {
    DrawingLayer pen;
    pen.colour = colour;
    return layerIndex(name, pen);
}

uint16_t Drawing::layerIndex(std::string_view name, const DrawingLayer& pen) {
    if (auto found = layerByName_.find(name); found != layerByName_.end()) {
        return found->second;
    }
    if (layerList_.size() >= 0xffff) {
        return 0xfffe;  // the drawing has far more layer names than any sheet; share the last
    }
    layerList_.push_back(pen);
    layerList_.back().name = name;
    layerList_.back().features = 0;
    const auto index = static_cast<uint16_t>(layerList_.size() - 1);
    layerByName_.emplace(name, index);
    return index;
}

void Drawing::reserve(size_t features, size_t vertices, size_t textBytes) {
    kinds_.reserve(features);
    layers_.reserve(features);
    rows_.reserve(features);
    vertexStart_.reserve(features + 1);
    textStart_.reserve(features + 1);
    vertices_.reserve(vertices);
    texts_.reserve(textBytes);
}

void Drawing::add(FeatureKind kind, uint16_t layer, uint32_t row, std::span<const Vertex> vertices,
                  std::string_view text, double labelHeight, double labelAngle, bool centred) {
    const double head[] = {labelHeight, std::fmod(labelAngle, 400.0), centred ? 1.0 : 0.0};
    append(kind, layer, row, vertices,
           kind == FeatureKind::Label ? std::span<const double>(head) : std::span<const double>(),
           text);
}

void Drawing::addSymbol(uint16_t layer, uint32_t row, Vertex at, std::string_view number,
                        double scaleX, double scaleY, double angle) {
    const double head[] = {scaleX, scaleY, std::fmod(angle, 400.0)};
    append(FeatureKind::Symbol, layer, row, {&at, 1}, head, number);
}

void Drawing::append(FeatureKind kind, uint16_t layer, uint32_t row,
                     std::span<const Vertex> vertices, std::span<const double> head,
                     std::string_view text) {
    // Offsets are 32 bits and the index keeps two marks in a feature number's top bits.
    if (kinds_.size() >= (size_t{1} << 30) || vertices_.size() + vertices.size() > UINT32_MAX ||
        texts_.size() + text.size() + HeadOf(kind) > UINT32_MAX) {
        throw std::bad_alloc();
    }
    kinds_.push_back(kind);
    layers_.push_back(layer);
    rows_.push_back(row);
    vertices_.insert(vertices_.end(), vertices.begin(), vertices.end());
    vertexStart_.push_back(static_cast<uint32_t>(vertices_.size()));
    // The head's values within a float's range (its angle the caller kept within one turn).
    constexpr double kMostFloat = std::numeric_limits<float>::max();
    for (double v : head) {
        const float value = static_cast<float>(std::clamp(v, -kMostFloat, kMostFloat));
        char bytes[sizeof value];
        std::memcpy(bytes, &value, sizeof value);
        texts_.append(bytes, sizeof value);
    }
    texts_.append(text);
    textStart_.push_back(static_cast<uint32_t>(texts_.size()));
    ++kindCounts_[static_cast<int>(kind)];
    if (layer < layerList_.size()) {
        ++layerList_[layer].features;
    }
}

Bounds Drawing::bounds(size_t i) const {
    Bounds b;
    for (const Vertex& v : vertices(i)) {
        b.add(v.east, v.north);
    }
    if (kinds_[i] == FeatureKind::Label && !b.empty()) {
        // The text runs from its anchor in any direction, about 0.7 heights a character.
        double reach = std::fabs(height(i)) * (0.7 * static_cast<double>(text(i).size()) + 1);
        reach = std::isfinite(reach) ? reach : 0;
        b.minEast -= reach;
        b.maxEast += reach;
        b.minNorth -= reach;
        b.maxNorth += reach;
    }
    return b;
}

void Drawing::finish() {
    extent_ = Bounds();
    for (const Vertex& v : vertices_) {
        extent_.add(v.east, v.north);
    }
    // Labels whose text reaches beyond the extent sit in its edge cells, which a query outside
    // the extent still visits.
    grid_.build(extent_, static_cast<uint32_t>(size()), [this](uint32_t f) { return bounds(f); });
}

}  // namespace plotaktar
