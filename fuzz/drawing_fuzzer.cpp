// The plot-file reader, the drawing model, its spatial grid and picking, on any bytes read as a
// plot file. Invariants: every feature has the vertices its kind has, every vertex is a finite
// number inside the drawing's extent, layers and kind counts add up, a grid query reports every
// feature whose box meets the queried area and none twice, and a pick returns a feature that
// exists, lies within reach of the picked point, and is found on a point's own position.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "drawing/drawing_sources.h"
#include "drawing/pick.h"

namespace {

using namespace plotaktar;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

bool Contains(const Bounds& outer, const Vertex& v) {
    return outer.minEast <= v.east && v.east <= outer.maxEast && outer.minNorth <= v.north &&
           v.north <= outer.maxNorth;
}

void CheckFeatures(const Drawing& drawing) {
    uint64_t perKind[kFeatureKinds] = {};
    for (size_t f = 0; f < drawing.size(); ++f) {
        const auto vertices = drawing.vertices(f);
        switch (drawing.kind(f)) {
            case FeatureKind::Triangulation:
            case FeatureKind::Traverse:
            case FeatureKind::Detail:
            case FeatureKind::Label:
            case FeatureKind::Symbol:
                Check(vertices.size() == 1, "a point, label or symbol has one vertex");
                break;
            case FeatureKind::Line:
                Check(vertices.size() == 2, "a line has two vertices");
                break;
            case FeatureKind::Parcel:
                Check(!vertices.empty(), "a parcel has corners");
                break;
        }
        for (const Vertex& v : vertices) {
            Check(std::isfinite(v.east) && std::isfinite(v.north), "vertices are finite");
            Check(Contains(drawing.extent(), v), "the extent holds every vertex");
        }
        Check(drawing.layer(f) < drawing.layers().size(), "a feature's layer exists");
        Check(drawing.sourceRow(f) >= 1, "a feature has its line number");
        ++perKind[static_cast<int>(drawing.kind(f))];
    }
    uint64_t onLayers = 0;
    for (const DrawingLayer& layer : drawing.layers()) {
        onLayers += layer.features;
    }
    Check(onLayers == drawing.size(), "the layers' features add up to the drawing's");
    for (int k = 0; k < kFeatureKinds; ++k) {
        Check(perKind[k] == drawing.kindCount(static_cast<FeatureKind>(k)), "kind counts");
    }
    Check(drawing.lineOffsets.size() == drawing.size(), "one line offset a feature");
}

void CheckQuery(const Drawing& drawing, const Bounds& area) {
    std::vector<uint8_t> seen(drawing.size(), 0);
    drawing.grid().query(area, [&](uint32_t f) {
        Check(f < drawing.size(), "a query reports features that exist");
        Check(seen[f] == 0, "a query reports a feature once");
        seen[f] = 1;
        return true;
    });
    for (size_t f = 0; f < drawing.size(); ++f) {
        if (drawing.bounds(f).intersects(area)) {
            Check(seen[f] == 1, "a query misses no feature in its area");
        }
    }
}

Bounds Box(double east, double north, double halfWidth, double halfHeight) {
    Bounds b;
    b.add(east - halfWidth, north - halfHeight);
    b.add(east + halfWidth, north + halfHeight);
    return b;
}

void CheckQueriesAndPicks(const Drawing& drawing) {
    const Bounds& e = drawing.extent();
    if (e.empty()) {
        CheckQuery(drawing, Box(0, 0, 1, 1));
        return;
    }
    // Halves first, as coordinates may lie near a double's limit.
    const double midEast = e.minEast / 2 + e.maxEast / 2;
    const double midNorth = e.minNorth / 2 + e.maxNorth / 2;
    const double halfW = e.maxEast / 2 - e.minEast / 2;
    const double halfH = e.maxNorth / 2 - e.minNorth / 2;
    CheckQuery(drawing, e);
    CheckQuery(drawing, Box(midEast, midNorth, halfW / 4, halfH / 4));
    for (int q = 0; q < 4; ++q) {
        const double east = q & 1 ? midEast + halfW / 2 : midEast - halfW / 2;
        const double north = q & 2 ? midNorth + halfH / 2 : midNorth - halfH / 2;
        CheckQuery(drawing, Box(east, north, halfW / 2, halfH / 2));
    }
    Bounds outside;
    outside.add(e.maxEast, e.maxNorth);
    outside.add(e.maxEast + halfW + 1, e.maxNorth + halfH + 1);
    CheckQuery(drawing, outside);

    const double tolerance = std::max({halfW / 64, halfH / 64, 1e-3});
    const size_t picks = std::min<size_t>(drawing.size(), 16);
    for (size_t f = 0; f < picks; ++f) {
        const Vertex at = drawing.vertices(f)[0];
        CheckQuery(drawing, Box(at.east, at.north, tolerance, tolerance));
        const auto picked = PickFeature(drawing, at, tolerance, [](uint32_t) { return true; });
        const auto kind = drawing.kind(f);
        if (kind == FeatureKind::Triangulation || kind == FeatureKind::Traverse ||
            kind == FeatureKind::Detail) {
            Check(picked.has_value(), "a pick on a point's position finds a feature");
        }
        if (picked) {
            Check(*picked < drawing.size(), "a pick returns a feature that exists");
            Bounds reach = drawing.bounds(*picked);
            reach.minEast -= 2 * tolerance;
            reach.maxEast += 2 * tolerance;
            reach.minNorth -= 2 * tolerance;
            reach.maxNorth += 2 * tolerance;
            Check(!std::isfinite(tolerance) || Contains(reach, at),
                  "a picked feature lies within reach of the picked position");
        }
        const auto none = PickFeature(drawing, at, tolerance, [](uint32_t) { return false; });
        Check(!none.has_value(), "a pick returns only features that are shown");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Drawing drawing = DrawingFromPlotBytes(bytes);
    const DrawingCounts& counts = drawing.counts();
    Check(counts.recordLines + counts.skippedLines <= static_cast<uint64_t>(size) + 1,
          "no more lines than the bytes allow");
    CheckFeatures(drawing);
    CheckQueriesAndPicks(drawing);
    return 0;
}
