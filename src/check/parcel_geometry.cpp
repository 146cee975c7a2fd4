#include "check/parcel_geometry.h"

#include <geos_c.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <limits>
#include <memory>

#include "check/check_cancel.h"

namespace plotaktar::check {

namespace {

// One GEOS context for one run of the check, so that several checks may run at once.
class Geos {
  public:
    Geos() : handle_(GEOS_init_r()) {
        GEOSContext_setErrorMessageHandler_r(handle_, &Geos::keepMessage, &lastError_);
    }
    ~Geos() { GEOS_finish_r(handle_); }
    Geos(const Geos&) = delete;
    Geos& operator=(const Geos&) = delete;
    GEOSContextHandle_t operator*() const { return handle_; }
    const std::string& lastError() const { return lastError_; }

  private:
    static void keepMessage(const char* message, void* userData) {
        *static_cast<std::string*>(userData) = message;
    }
    GEOSContextHandle_t handle_;
    std::string lastError_;
};

// A geometry or prepared geometry that goes with its owner.
struct GeometryDeleter {
    GEOSContextHandle_t handle;
    void operator()(GEOSGeometry* g) const { GEOSGeom_destroy_r(handle, g); }
};
using Geometry = std::unique_ptr<GEOSGeometry, GeometryDeleter>;
struct PreparedDeleter {
    GEOSContextHandle_t handle;
    void operator()(const GEOSPreparedGeometry* g) const { GEOSPreparedGeom_destroy_r(handle, g); }
};
using Prepared = std::unique_ptr<const GEOSPreparedGeometry, PreparedDeleter>;
struct TreeDeleter {
    GEOSContextHandle_t handle;
    void operator()(GEOSSTRtree* t) const { GEOSSTRtree_destroy_r(handle, t); }
};

Geometry PolygonOf(GEOSContextHandle_t h, const std::vector<Vertex>& ring) {
    std::vector<double> xy;
    xy.reserve(2 * ring.size() + 2);
    for (const Vertex& v : ring) {
        xy.push_back(v.east);
        xy.push_back(v.north);
    }
    xy.push_back(ring.front().east);
    xy.push_back(ring.front().north);
    GEOSCoordSequence* sequence =
        GEOSCoordSeq_copyFromBuffer_r(h, xy.data(), static_cast<unsigned>(ring.size() + 1), 0, 0);
    GEOSGeometry* shell = sequence ? GEOSGeom_createLinearRing_r(h, sequence) : nullptr;
    return Geometry(shell ? GEOSGeom_createPolygon_r(h, shell, nullptr, 0) : nullptr, {h});
}

std::optional<Vertex> PointOf(GEOSContextHandle_t h, const GEOSGeometry* g) {
    if (g == nullptr) {
        return std::nullopt;
    }
    Geometry point(GEOSPointOnSurface_r(h, g), {h});
    double x = 0, y = 0;
    if (!point || GEOSGeomGetX_r(h, point.get(), &x) != 1 ||
        GEOSGeomGetY_r(h, point.get(), &y) != 1) {
        return std::nullopt;
    }
    return Vertex{x, y};
}

// The distance of p from a, and from the segment ab, as GEOS 3.11 computes them
// (Coordinate::distance, Distance::pointToSegment), so that both ways of measuring give the
// same doubles.
double Apart(const Vertex& p, const Vertex& a) {
    const double dx = p.east - a.east, dy = p.north - a.north;
    return std::sqrt(dx * dx + dy * dy);
}

double PointToSegment(const Vertex& p, const Vertex& a, const Vertex& b) {
    const double dx = b.east - a.east, dy = b.north - a.north;
    if (dx == 0 && dy == 0) {
        return Apart(p, a);
    }
    const double length2 = dx * dx + dy * dy;
    const double r = ((p.east - a.east) * dx + (p.north - a.north) * dy) / length2;
    if (r <= 0.0) {
        return Apart(p, a);
    }
    if (r >= 1.0) {
        return Apart(p, b);
    }
    const double s = ((a.north - p.north) * dx - (a.east - p.east) * dy) / length2;
    return std::fabs(s) * std::sqrt(length2);
}

// The parcels' boundaries for the sliver test, which measures every corner against the
// boundaries near it: a long boundary is prepared once, when a corner first comes near it, so
// that each corner costs a search of its indexed segments rather than a pass over all of them
// (two overlapping parcels of n corners would cost n² otherwise). A short one is measured as it
// is, where an index would cost more than it saves.
class Boundaries {
  public:
    Boundaries(GEOSContextHandle_t h, const std::vector<Geometry>& polygons)
        : h_(h), polygons_(polygons), prepared_(polygons.size()) {}

    // Sets `d` to the distance of `point` from parcel j's boundary when it is within
    // kSliverReach; false when it is further, or GEOS cannot tell.
    bool distance(size_t j, const Vertex& corner, const GEOSGeometry* point, double& d) {
        const GEOSGeometry* ring = GEOSGetExteriorRing_r(h_, polygons_[j].get());
        if (ring == nullptr) {
            return false;
        }
        if (GEOSGetNumCoordinates_r(h_, ring) <= kPreparedCorners) {
            return shortDistance(ring, corner, d) && d <= kSliverReach;
        }
        Prepared& prepared = prepared_[j];
        if (!prepared) {
            prepared = Prepared(GEOSPrepare_r(h_, ring), {h_});
            if (!prepared) {
                return false;
            }
        }
        // GEOS 3.11 searches a prepared line's index for its distance, but not for "within a
        // distance", which it measures against every segment.
        return GEOSPreparedDistance_r(h_, prepared.get(), point, &d) == 1 && d <= kSliverReach;
    }

  private:
    static constexpr int kPreparedCorners = 64;

    // The distance of `p` from a short ring, segment by segment as GEOS measures it
    // (Distance::pointToSegment), without the allocations of a GEOS distance: in a drawing of
    // many small parcels those cost more than the measuring.
    bool shortDistance(const GEOSGeometry* ring, const Vertex& p, double& d) const {
        const GEOSCoordSequence* sequence = GEOSGeom_getCoordSeq_r(h_, ring);
        unsigned int size = 0;
        if (sequence == nullptr || GEOSCoordSeq_getSize_r(h_, sequence, &size) != 1 || size == 0) {
            return false;
        }
        Vertex a{}, b{};
        if (GEOSCoordSeq_getXY_r(h_, sequence, 0, &a.east, &a.north) != 1) {
            return false;
        }
        d = size == 1 ? Apart(p, a) : std::numeric_limits<double>::infinity();
        for (unsigned int k = 1; k < size; ++k, a = b) {
            if (GEOSCoordSeq_getXY_r(h_, sequence, k, &b.east, &b.north) != 1) {
                return false;
            }
            d = std::min(d, PointToSegment(p, a, b));
        }
        return true;
    }

    GEOSContextHandle_t h_;
    const std::vector<Geometry>& polygons_;
    std::vector<Prepared> prepared_;
};

// The orientation of c from the line a→b: positive to its left, negative to its right.
double Turn(const Vertex& a, const Vertex& b, const Vertex& c) {
    return (b.east - a.east) * (c.north - a.north) - (b.north - a.north) * (c.east - a.east);
}

bool Between(double a, double b, double x) {
    return std::min(a, b) <= x && x <= std::max(a, b);
}

// Whether segments pq and rs meet, touching included.
bool Meet(const Vertex& p, const Vertex& q, const Vertex& r, const Vertex& s) {
    const double d1 = Turn(r, s, p), d2 = Turn(r, s, q), d3 = Turn(p, q, r), d4 = Turn(p, q, s);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) {
        return true;
    }
    auto on = [](const Vertex& a, const Vertex& b, const Vertex& c, double turn) {
        return turn == 0 && Between(a.east, b.east, c.east) && Between(a.north, b.north, c.north);
    };
    return on(r, s, p, d1) || on(r, s, q, d2) || on(p, q, r, d3) || on(p, q, s, d4);
}

// The number of pairs of the ring's sides, not next to each other, that meet, counted up to
// `cap`: sides are swept across the axis along which they are shorter altogether (so that a
// comb of long parallel teeth is swept across its teeth), in the order of their starts, each
// measured only against those still reaching past its start whose extents across the sweep
// overlap its own. Making a crossed boundary valid costs with the number of its crossings, not
// its corners, so this decides whether the repair is affordable before it starts.
size_t CountCrossings(const std::vector<Vertex>& ring, size_t cap) {
    const size_t n = ring.size();
    struct Side {
        double west, east, south, north;
        size_t from;
    };
    std::vector<Side> sides(n);
    double eastward = 0, northward = 0;
    for (size_t i = 0; i < n; ++i) {
        const Vertex& a = ring[i];
        const Vertex& b = ring[(i + 1) % n];
        sides[i] = {std::min(a.east, b.east), std::max(a.east, b.east), std::min(a.north, b.north),
                    std::max(a.north, b.north), i};
        eastward += sides[i].east - sides[i].west;
        northward += sides[i].north - sides[i].south;
    }
    if (northward < eastward) {  // sweep northward: the same sweep with the axes swapped
        for (Side& side : sides) {
            side = {side.south, side.north, side.west, side.east, side.from};
        }
    }
    std::sort(sides.begin(), sides.end(),
              [](const Side& a, const Side& b) { return a.west < b.west; });
    std::vector<const Side*> open;  // sides that may still reach east of the next western end
    size_t crossings = 0;
    for (const Side& side : sides) {
        std::erase_if(open, [&side](const Side* o) { return o->east < side.west; });
        for (const Side* o : open) {
            const size_t gap = side.from > o->from ? side.from - o->from : o->from - side.from;
            if (gap == 1 || gap == n - 1 || o->north < side.south || side.north < o->south) {
                continue;
            }
            if (Meet(ring[side.from], ring[(side.from + 1) % n], ring[o->from],
                     ring[(o->from + 1) % n]) &&
                ++crossings >= cap) {
                return crossings;
            }
        }
        open.push_back(&side);
    }
    return crossings;
}

void Collect(void* item, void* userData) {
    static_cast<std::vector<size_t>*>(userData)->push_back(
        static_cast<size_t>(reinterpret_cast<uintptr_t>(item)));
}

}  // namespace

void CheckParcelGeometry(const std::vector<ParcelShape>& parcels, Reporter& report,
                         const std::atomic<bool>* cancel) {
    const GeosInterruption interruption(cancel);
    Geos geos;
    GEOSContextHandle_t h = *geos;
    const size_t n = parcels.size();
    std::vector<Geometry> surveyed;  // as the corners give it
    std::vector<Geometry> repaired;  // those of the parcels that were not valid, made valid
    // What the overlay takes: the surveyed polygon when it is valid (not a copy of it), else its
    // repair; null when it has none.
    std::vector<const GEOSGeometry*> valid;
    // The parcels that cross themselves with too many corners to be made valid.
    std::vector<bool> tooComplex(n);
    surveyed.reserve(n);
    valid.reserve(n);
    // The tree holds the surveyed polygons' envelopes and the parcels' indices.
    std::unique_ptr<GEOSSTRtree, TreeDeleter> tree(GEOSSTRtree_create_r(h, 10), {h});
    GEOSSTRtree* rawTree = tree.get();

    for (size_t i = 0; i < n; ++i) {
        StopIfCancelled(cancel);
        const ParcelShape& parcel = parcels[i];
        Geometry polygon = PolygonOf(h, parcel.ring);
        const GEOSGeometry* overlay = nullptr;
        if (!polygon) {
            report.add("parcel-overlay-failed", TableId::Parcels, parcel.row,
                       parcel.name + ": parsel çokgeni kurulamadı (" + geos.lastError() + ")");
        } else {
            char* reason = nullptr;
            GEOSGeometry* location = nullptr;
            const char validity = GEOSisValidDetail_r(h, polygon.get(), 0, &reason, &location);
            Geometry where(location, {h});
            if (validity == 1) {
                overlay = polygon.get();
            } else {
                tooComplex[i] = parcel.ring.size() > kMostRepairedCorners;
                Finding& finding =
                    report.add("parcel-self-intersection", TableId::Parcels, parcel.row,
                               parcel.name + ": parsel sınırı geçerli bir çokgen değil (" +
                                   (reason ? std::string(reason) : geos.lastError()) + ")");
                finding.at = PointOf(h, where.get());
            }
            GEOSFree_r(h, reason);
            GEOSSTRtree_insert_r(h, rawTree, polygon.get(),
                                 reinterpret_cast<void*>(static_cast<uintptr_t>(i)));
        }
        surveyed.push_back(std::move(polygon));
        valid.push_back(overlay);
    }

    // A parcel that is not valid is made valid only where the overlay needs it: when its box
    // meets another parcel's. Making a crossed boundary valid is the dearest step of the check,
    // and most such parcels have no neighbour to overlap.
    // The repairs' work is bounded by the drawing's size (see kRepairWorkBase).
    uint64_t allCorners = 0;
    for (const ParcelShape& parcel : parcels) {
        allCorners += parcel.ring.size();
    }
    const uint64_t repairBudget = kRepairWorkBase + allCorners / kRepairCornersPerWork;
    const uint64_t largeBudget = kLargeRepairWorkBase + allCorners / kLargeRepairCornersPerWork;
    uint64_t repairWork = 0;
    uint64_t largeWork = 0;
    std::vector<size_t> near;
    for (size_t i = 0; i < n; ++i) {
        StopIfCancelled(cancel);
        if (!surveyed[i] || valid[i] != nullptr) {
            continue;
        }
        near.clear();
        GEOSSTRtree_query_r(h, rawTree, surveyed[i].get(), &Collect, &near);
        if (std::none_of(near.begin(), near.end(), [i](size_t j) { return j != i; })) {
            continue;
        }
        const std::string corners = std::to_string(parcels[i].ring.size()) + " köşe";
        if (tooComplex[i]) {
            report.add(
                "parcel-overlay-failed", TableId::Parcels, parcels[i].row,
                parcels[i].name + ": çok karmaşık (" + corners + "); üst üste binme denetlenmedi");
            continue;
        }
        const size_t crossings = CountCrossings(parcels[i].ring, kMostRepairedCrossings);
        if (crossings >= kMostRepairedCrossings) {
            report.add("parcel-overlay-failed", TableId::Parcels, parcels[i].row,
                       parcels[i].name + ": çok karmaşık (" + corners + ", en az " +
                           std::to_string(crossings) + " kesişme); üst üste binme denetlenmedi");
            continue;
        }
        const uint64_t work = static_cast<uint64_t>(crossings) * crossings;
        const uint64_t large = parcels[i].ring.size() > kLargeRepair
                                   ? kRepairWorkPerCorner * parcels[i].ring.size()
                                   : 0;
        if (work > repairBudget - repairWork || large > largeBudget - largeWork) {
            report.add("parcel-overlay-failed", TableId::Parcels, parcels[i].row,
                       parcels[i].name + ": çizimin onarım payı tükendi (" + corners + ", " +
                           std::to_string(crossings) + " kesişme); üst üste binme denetlenmedi");
            continue;
        }
        repairWork += work;
        largeWork += large;
        Geometry made(GEOSMakeValid_r(h, surveyed[i].get()), {h});
        if (!made) {
            report.add(
                "parcel-overlay-failed", TableId::Parcels, parcels[i].row,
                parcels[i].name + ": parsel geçerli hale getirilemedi (" + geos.lastError() + ")");
            continue;
        }
        valid[i] = made.get();
        repaired.push_back(std::move(made));
    }

    Boundaries boundaries(h, surveyed);
    for (size_t i = 0; i < n; ++i) {
        StopIfCancelled(cancel);
        if (!surveyed[i]) {
            continue;
        }
        const ParcelShape& parcel = parcels[i];
        // Overlaps: each pair once, from its first parcel.
        near.clear();
        GEOSSTRtree_query_r(h, rawTree, surveyed[i].get(), &Collect, &near);
        Prepared prepared(nullptr, {h});
        for (size_t j : near) {
            if (j <= i || !valid[i] || !valid[j]) {
                continue;
            }
            if (!prepared) {
                prepared.reset(GEOSPrepare_r(h, valid[i]));
            }
            if (!prepared || GEOSPreparedIntersects_r(h, prepared.get(), valid[j]) != 1) {
                continue;
            }
            Geometry shared(GEOSIntersection_r(h, valid[i], valid[j]), {h});
            double area = 0;
            if (!shared || GEOSArea_r(h, shared.get(), &area) != 1) {
                for (auto [a, b] : {std::pair{i, j}, std::pair{j, i}}) {
                    Finding& finding = report.add(
                        "parcel-overlay-failed", TableId::Parcels, parcels[a].row,
                        parcels[a].name + " ile " + parcels[b].name +
                            " parsellerinin kesişimi hesaplanamadı (" + geos.lastError() + ")");
                    report.setValues(finding, {{"other_row", static_cast<double>(parcels[b].row)}});
                }
                continue;
            }
            if (area > kOverlapArea) {
                // Named on the later parcel, the one that reaches over the earlier.
                Finding& finding =
                    report.add("parcel-overlap", TableId::Parcels, parcels[j].row,
                               parcels[j].name + " ile " + parcel.name +
                                   " üst üste biniyor: " + Fixed(area) + " m² ortak alan");
                report.setValues(finding, {{"overlap_area", area},
                                           {"other_row", static_cast<double>(parcel.row)}});
                report.setTexts(finding, {{"other", parcel.name}});
                finding.at = PointOf(h, shared.get());
            }
        }
        // Slivers: a corner near another parcel's boundary, but not on it.
        for (size_t c = 0; c < parcel.ring.size(); ++c) {
            const Vertex& v = parcel.ring[c];
            Geometry box(
                GEOSGeom_createRectangle_r(h, v.east - kSliverReach, v.north - kSliverReach,
                                           v.east + kSliverReach, v.north + kSliverReach),
                {h});
            Geometry point(GEOSGeom_createPointFromXY_r(h, v.east, v.north), {h});
            if (!box || !point) {
                continue;
            }
            near.clear();
            GEOSSTRtree_query_r(h, rawTree, box.get(), &Collect, &near);
            double nearest = std::numeric_limits<double>::infinity();
            size_t other = 0;
            for (size_t j : near) {
                double d = 0;
                if (j == i || !boundaries.distance(j, v, point.get(), d)) {
                    continue;
                }
                if (d > kOnBoundary && d < nearest) {
                    nearest = d;
                    other = j;
                }
            }
            // A corner shared with one neighbour may still leave a gap to a third parcel's edge.
            if (nearest <= kSliverReach) {
                Finding& finding = report.addAtCorner(
                    "parcel-sliver", parcel.row, static_cast<int>(c) + 1,
                    parcel.name + " köşe " + std::to_string(c + 1) + ", " + parcels[other].name +
                        " parselinin sınırına " + Fixed(nearest * 100, 1) +
                        " cm yakın ama üzerinde değil");
                report.setValues(finding, {{"distance", nearest},
                                           {"corner", static_cast<double>(c + 1)},
                                           {"other_row", static_cast<double>(parcels[other].row)}});
                report.setTexts(finding, {{"other", parcels[other].name}});
                finding.at = v;
            }
        }
    }
    // A GEOS call interrupted by the cancel failed and may have been reported as a finding.
    StopIfCancelled(cancel);
}

}  // namespace plotaktar::check
