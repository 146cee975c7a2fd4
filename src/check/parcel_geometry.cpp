#include "check/parcel_geometry.h"

#include <geos_c.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <utility>

#include "check/check_cancel.h"
#include "check/ordered_work.h"

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
    Boundaries(GEOSContextHandle_t h, const std::vector<ParcelShape>& parcels,
               const std::vector<Geometry>& polygons)
        : h_(h), parcels_(parcels), polygons_(polygons), prepared_(polygons.size()) {}

    // Sets `d` to the distance of `corner` from parcel j's boundary when it is within
    // kSliverReach; false when it is further, or GEOS cannot tell.
    bool distance(size_t j, const Vertex& corner, double& d) {
        const std::vector<Vertex>& ring = parcels_[j].ring;
        if (ring.size() + 1 <= kPreparedCorners) {  // its polygon repeats the first corner
            d = shortDistance(ring, corner);
            return d <= kSliverReach;
        }
        Prepared& prepared = prepared_[j];
        if (!prepared) {
            const GEOSGeometry* boundary = GEOSGetExteriorRing_r(h_, polygons_[j].get());
            prepared = Prepared(boundary ? GEOSPrepare_r(h_, boundary) : nullptr, {h_});
            if (!prepared) {
                return false;
            }
        }
        // GEOS 3.11 searches a prepared line's index for its distance, but not for "within a
        // distance", which it measures against every segment.
        Geometry point(GEOSGeom_createPointFromXY_r(h_, corner.east, corner.north), {h_});
        return point && GEOSPreparedDistance_r(h_, prepared.get(), point.get(), &d) == 1 &&
               d <= kSliverReach;
    }

  private:
    static constexpr size_t kPreparedCorners = 64;

    // The distance of `p` from a short ring, side by side as GEOS measures it against the
    // ring's polygon (Distance::pointToSegment, the same corners in the same order), read from
    // the corners themselves: in a drawing of many small parcels a GEOS distance's
    // allocations, or even reading its coordinates through GEOS, cost more than the measuring.
    static double shortDistance(const std::vector<Vertex>& ring, const Vertex& p) {
        double d = std::numeric_limits<double>::infinity();
        for (size_t k = 0; k < ring.size(); ++k) {
            d = std::min(d, PointToSegment(p, ring[k], ring[k + 1 < ring.size() ? k + 1 : 0]));
        }
        return d;
    }

    GEOSContextHandle_t h_;
    const std::vector<ParcelShape>& parcels_;
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

// Rings of at most this many corners are tried for a line between them (LineBetween below).
constexpr size_t kSeparatedCorners = 64;
// The gap such a line must leave on both sides, far beyond the rounding of the projections
// and of the points GEOS adds where sides cross.
constexpr double kSeparationGap = 1e-6;  // m

// The convex hull of `points` (Andrew's monotone chain), counter-clockwise.
std::vector<Vertex> Hull(std::vector<Vertex> points) {
    std::sort(points.begin(), points.end(), [](const Vertex& a, const Vertex& b) {
        return a.east != b.east ? a.east < b.east : a.north < b.north;
    });
    if (points.size() < 3) {
        return points;
    }
    std::vector<Vertex> hull(2 * points.size());
    size_t k = 0;
    for (const Vertex& p : points) {
        while (k >= 2 && Turn(hull[k - 2], hull[k - 1], p) <= 0) {
            --k;
        }
        hull[k++] = p;
    }
    const size_t lower = k + 1;
    for (size_t i = points.size() - 1; i-- > 0;) {
        while (k >= lower && Turn(hull[k - 2], hull[k - 1], points[i]) <= 0) {
            --k;
        }
        hull[k++] = points[i];
    }
    hull.resize(k - 1);
    return hull;
}

// Whether a line lies between rings a and b with a gap of kSeparationGap to either: then
// nothing made of their sides (the polygon, its repair, the points where its sides cross)
// meets anything made of the other's, and their overlay needs no repair. Tried on the normals
// of both hulls' sides, every corner projected from a's first, so that the projections are
// exact to far below the gap. False when in doubt (a corner that is no number).
bool LineBetween(const std::vector<Vertex>& a, const std::vector<Vertex>& b) {
    const Vertex origin = a.front();
    auto local = [&origin](const std::vector<Vertex>& ring) {
        std::vector<Vertex> out;
        out.reserve(ring.size());
        for (const Vertex& v : ring) {
            out.push_back({v.east - origin.east, v.north - origin.north});
        }
        return out;
    };
    const std::vector<Vertex> la = local(a), lb = local(b);
    auto range = [](const std::vector<Vertex>& ring, double nx, double ny) {
        double low = std::numeric_limits<double>::infinity(), high = -low;
        for (const Vertex& v : ring) {
            const double x = v.east * nx + v.north * ny;
            low = std::min(low, x);
            high = std::max(high, x);
        }
        return std::pair{low, high};
    };
    for (const std::vector<Vertex>* ring : {&la, &lb}) {
        const std::vector<Vertex> hull = Hull(*ring);
        for (size_t k = 0; k < hull.size(); ++k) {
            const Vertex& p = hull[k];
            const Vertex& q = hull[(k + 1) % hull.size()];
            const double nx = p.north - q.north, ny = q.east - p.east;
            const double length = std::sqrt(nx * nx + ny * ny);
            if (!(length > 0)) {
                continue;
            }
            const auto [lowA, highA] = range(la, nx, ny);
            const auto [lowB, highB] = range(lb, nx, ny);
            const double gap = kSeparationGap * length;
            if (highA + gap < lowB || highB + gap < lowA) {
                return true;
            }
        }
    }
    return false;
}

void Collect(void* item, void* userData) {
    static_cast<std::vector<size_t>*>(userData)->push_back(
        static_cast<size_t>(reinterpret_cast<uintptr_t>(item)));
}

// Parcels a thread works through at a time.
constexpr size_t kChunk = 64;

// A finding made on a worker thread, added to the report in the parcels' order.
struct Pending {
    std::string_view code;
    int row = 0;
    int corner = 0;  // its corner line, from 1; 0: the parcel's own line
    std::string message;
    FindingValue values[3] = {};
    size_t valueCount = 0;
    std::string_view textName = {};  // with `text`, when it has one
    std::string text = {};
    FindingPlace at = {};
};
using Pendings = std::vector<Pending>;

void Add(Reporter& report, const Pending& p);

// Where a thread's findings go: straight into the report when its chunk comes next (see
// RunInOrder), else into the chunk's result, so that a parcel of many findings is not held
// twice over.
class Sink {
  public:
    Sink(Reporter& report, Pendings& held, bool inOrder)
        : report_(inOrder ? &report : nullptr), held_(held) {}
    void add(Pending&& p) {
        if (report_ != nullptr) {
            Add(*report_, p);
        } else {
            held_.push_back(std::move(p));
        }
    }

  private:
    Reporter* report_;
    Pendings& held_;
};

void Add(Reporter& report, const Pending& p) {
    Finding& finding = p.corner > 0 ? report.addAtCorner(p.code, p.row, p.corner, p.message)
                                    : report.add(p.code, TableId::Parcels, p.row, p.message);
    if (p.valueCount > 0) {
        report.setValues(finding, std::span<const FindingValue>(p.values, p.valueCount));
    }
    if (!p.textName.empty()) {
        report.setTexts(finding, {{p.textName, p.text}});
    }
    finding.at = p.at;
}

// Calls each(thread, i, sink) for every parcel i on the thread that owns it, stopping between
// parcels once `cancel` is true, the findings handed on to `report` in the parcels' order; then
// after(begin, end) on the calling thread for each chunk, in order.
template <class Each, class After>
void ForEachParcel(size_t n, unsigned threads, const std::atomic<bool>* cancel, Reporter& report,
                   Each&& each, After&& after) {
    RunInOrder<Pendings>(
        n, kChunk, threads, cancel,
        [&](unsigned t, size_t begin, size_t end, Pendings& out, bool inOrder) {
            Sink sink(report, out, inOrder);
            for (size_t i = begin; i < end; ++i) {
                StopIfCancelled(cancel);
                each(t, i, sink);
            }
        },
        [&](size_t begin, size_t end, Pendings& out) {
            for (const Pending& p : out) {
                Add(report, p);
            }
            after(begin, end);
        });
}

// What the overlay does with a parcel that is not valid.
enum class Repair : uint8_t {
    None,              // valid, or no neighbour's box meets its own
    Made,              // made valid
    TooManyCorners,    // more than kMostRepairedCorners
    TooManyCrossings,  // kMostRepairedCrossings or more
    BeyondShare,       // beyond the drawing's repair work
};

// One thread's part of the work: its GEOS context (whatever it makes belongs to it, and no
// other thread touches it while it works) and what it reuses from parcel to parcel.
struct Worker {
    Geos geos;
    std::vector<size_t> near;
    std::vector<size_t> candidates;
};

// A parcel's box, as GEOS's envelope of its polygon: its corners' extremes.
struct Box {
    double west, south, east, north;
    // As GEOS's envelopes meet: closed on every side.
    bool meets(const Box& o) const {
        return !(o.west > east || o.east < west || o.south > north || o.north < south);
    }
};

// A copy of `g` made by context `h`, for an operation whose result must belong to h: GEOS
// counts a context's geometries without a lock, so a thread never makes a geometry through
// another thread's context. Null when it cannot be copied.
Geometry CopyFor(GEOSContextHandle_t h, const GEOSGeometry* g) {
    GEOSWKBWriter* w = GEOSWKBWriter_create_r(h);
    GEOSWKBReader* r = GEOSWKBReader_create_r(h);
    Geometry copy(nullptr, {h});
    if (w != nullptr && r != nullptr) {
        size_t size = 0;
        unsigned char* bytes = GEOSWKBWriter_write_r(h, w, g, &size);
        if (bytes != nullptr) {
            copy.reset(GEOSWKBReader_read_r(h, r, bytes, size));
            GEOSFree_r(h, bytes);
        }
    }
    if (r != nullptr) {
        GEOSWKBReader_destroy_r(h, r);
    }
    if (w != nullptr) {
        GEOSWKBWriter_destroy_r(h, w);
    }
    return copy;
}

}  // namespace

void CheckParcelGeometry(const std::vector<ParcelShape>& parcels, Reporter& report,
                         const std::atomic<bool>* cancel) {
    const GeosInterruption interruption(cancel);
    const size_t n = parcels.size();
    const unsigned threads = WorkThreads(n, kChunk);
    // Declared first so that they end last: every geometry below belongs to one of them.
    std::vector<std::unique_ptr<Worker>> workers;
    for (unsigned t = 0; t < threads; ++t) {
        workers.push_back(std::make_unique<Worker>());
    }
    auto handleOf = [&](size_t i) { return *workers[OwnerOf(i, kChunk, threads)]->geos; };
    GEOSContextHandle_t h = *workers[0]->geos;
    // The polygons as the corners give them, each made by the thread that owns its parcel.
    std::vector<Geometry> surveyed;
    surveyed.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        surveyed.emplace_back(nullptr, GeometryDeleter{handleOf(i)});
    }
    std::vector<Geometry> repaired;  // those of the parcels that were not valid, made valid
    // What the overlay takes: the surveyed polygon when it is valid (not a copy of it), else its
    // repair; null when it has none.
    std::vector<const GEOSGeometry*> valid(n);
    // Of the parcels that are not valid: whether they cross themselves with too many corners to
    // be made valid, and how often their sides meet (up to kMostRepairedCrossings).
    std::vector<uint8_t> tooComplex(n);
    std::vector<uint32_t> crossings(n);
    std::vector<Box> boxes(n);
    // The tree holds the surveyed polygons' envelopes and the parcels' indices; it is filled in
    // the parcels' order and built before the threads read it.
    std::unique_ptr<GEOSSTRtree, TreeDeleter> tree(GEOSSTRtree_create_r(h, 10), {h});
    GEOSSTRtree* rawTree = tree.get();

    // Each parcel's polygon and validity, on the thread that owns the parcel.
    ForEachParcel(
        n, threads, cancel, report,
        [&](unsigned t, size_t i, Sink& sink) {
            Geos& geos = workers[t]->geos;
            const GEOSContextHandle_t ht = *geos;
            const ParcelShape& parcel = parcels[i];
            Box& box = boxes[i];
            box = {parcel.ring[0].east, parcel.ring[0].north, parcel.ring[0].east,
                   parcel.ring[0].north};
            for (const Vertex& v : parcel.ring) {
                box = {std::min(box.west, v.east), std::min(box.south, v.north),
                       std::max(box.east, v.east), std::max(box.north, v.north)};
            }
            Geometry polygon = PolygonOf(ht, parcel.ring);
            if (!polygon) {
                sink.add({.code = "parcel-overlay-failed",
                          .row = parcel.row,
                          .message = parcel.name + ": parsel çokgeni kurulamadı (" +
                                     geos.lastError() + ")"});
                return;
            }
            char* reason = nullptr;
            GEOSGeometry* location = nullptr;
            const char validity = GEOSisValidDetail_r(ht, polygon.get(), 0, &reason, &location);
            Geometry where(location, {ht});
            if (validity == 1) {
                valid[i] = polygon.get();
            } else {
                tooComplex[i] = parcel.ring.size() > kMostRepairedCorners;
                sink.add({.code = "parcel-self-intersection",
                          .row = parcel.row,
                          .message = parcel.name + ": parsel sınırı geçerli bir çokgen değil (" +
                                     (reason ? std::string(reason) : geos.lastError()) + ")",
                          .at = PointOf(ht, where.get())});
            }
            GEOSFree_r(ht, reason);
            // Envelopes are read by every thread from here on: computed now, by the owner.
            double x = 0;
            GEOSGeom_getXMin_r(ht, polygon.get(), &x);
            surveyed[i] = std::move(polygon);
        },
        [&](size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i) {
                if (surveyed[i]) {
                    GEOSSTRtree_insert_r(h, rawTree, surveyed[i].get(),
                                         reinterpret_cast<void*>(static_cast<uintptr_t>(i)));
                }
            }
        });
    // The tree is built by its first query, here, before the threads read it.
    {
        std::vector<size_t>& near = workers[0]->near;
        for (size_t i = 0; i < n; ++i) {
            if (surveyed[i]) {
                near.clear();
                GEOSSTRtree_query_r(h, rawTree, surveyed[i].get(), &Collect, &near);
                break;
            }
        }
    }

    // A parcel that is not valid is made valid only where the overlay needs it: when its box
    // meets another parcel's. Making a crossed boundary valid is the dearest step of the check,
    // and most such parcels have no neighbour to overlap. Which have one, and their crossings,
    // are found by their owners.
    std::vector<uint8_t> hasNeighbour(n);
    RunInOrder<char>(
        n, kChunk, threads, cancel,
        [&](unsigned t, size_t begin, size_t end, char&, bool) {
            const GEOSContextHandle_t ht = *workers[t]->geos;
            std::vector<size_t>& near = workers[t]->near;
            for (size_t i = begin; i < end; ++i) {
                StopIfCancelled(cancel);
                if (!surveyed[i] || valid[i] != nullptr) {
                    continue;
                }
                near.clear();
                GEOSSTRtree_query_r(ht, rawTree, surveyed[i].get(), &Collect, &near);
                hasNeighbour[i] =
                    std::any_of(near.begin(), near.end(), [i](size_t j) { return j != i; });
                if (hasNeighbour[i] && !tooComplex[i]) {
                    crossings[i] = static_cast<uint32_t>(
                        CountCrossings(parcels[i].ring, kMostRepairedCrossings));
                }
            }
        },
        [](size_t, size_t, char&) {});

    // Which are repaired, in the parcels' order: the repairs' work is bounded by the drawing's
    // size (see kRepairWorkBase).
    std::vector<Repair> repair(n, Repair::None);
    {
        uint64_t allCorners = 0;
        for (const ParcelShape& parcel : parcels) {
            allCorners += parcel.ring.size();
        }
        const uint64_t repairBudget = kRepairWorkBase + allCorners / kRepairCornersPerWork;
        const uint64_t largeBudget = kLargeRepairWorkBase + allCorners / kLargeRepairCornersPerWork;
        uint64_t repairWork = 0;
        uint64_t largeWork = 0;
        for (size_t i = 0; i < n; ++i) {
            if (!hasNeighbour[i]) {
                continue;
            }
            if (tooComplex[i]) {
                repair[i] = Repair::TooManyCorners;
                continue;
            }
            if (crossings[i] >= kMostRepairedCrossings) {
                repair[i] = Repair::TooManyCrossings;
                continue;
            }
            const uint64_t work = static_cast<uint64_t>(crossings[i]) * crossings[i];
            const uint64_t large = parcels[i].ring.size() > kLargeRepair
                                       ? kRepairWorkPerCorner * parcels[i].ring.size()
                                       : 0;
            if (work > repairBudget - repairWork || large > largeBudget - largeWork) {
                repair[i] = Repair::BeyondShare;
                continue;
            }
            repairWork += work;
            largeWork += large;
            repair[i] = Repair::Made;
        }
    }
    // The repairs, each on the thread that owns its parcel; what is not repaired is reported
    // in the parcels' order.
    struct Repairs {
        std::vector<std::pair<size_t, Geometry>> made;
        std::vector<std::pair<size_t, std::string>> failed;  // GEOS's message
    };
    RunInOrder<Repairs>(
        n, kChunk, threads, cancel,
        [&](unsigned t, size_t begin, size_t end, Repairs& out, bool) {
            Geos& geos = workers[t]->geos;
            const GEOSContextHandle_t ht = *geos;
            for (size_t i = begin; i < end; ++i) {
                if (repair[i] != Repair::Made) {
                    continue;
                }
                StopIfCancelled(cancel);
                // A small parcel with a line between it and each neighbour overlaps none: its
                // repair counts against the drawing's share as before, but is not made.
                const std::vector<Vertex>& ring = parcels[i].ring;
                std::vector<size_t>& near = workers[t]->near;
                near.clear();
                GEOSSTRtree_query_r(ht, rawTree, surveyed[i].get(), &Collect, &near);
                if (ring.size() <= kSeparatedCorners &&
                    std::all_of(near.begin(), near.end(), [&](size_t j) {
                        return j == i || (parcels[j].ring.size() <= kSeparatedCorners &&
                                          LineBetween(ring, parcels[j].ring));
                    })) {
                    continue;
                }
                Geometry made(GEOSMakeValid_r(ht, surveyed[i].get()), {ht});
                if (made) {
                    double x = 0;
                    GEOSGeom_getXMin_r(ht, made.get(), &x);
                    out.made.emplace_back(i, std::move(made));
                } else {
                    out.failed.emplace_back(i, geos.lastError());
                }
            }
        },
        [&](size_t begin, size_t end, Repairs& out) {
            auto failed = out.failed.begin();
            for (size_t i = begin; i < end; ++i) {
                const ParcelShape& parcel = parcels[i];
                const std::string corners = std::to_string(parcel.ring.size()) + " köşe";
                switch (repair[i]) {
                    case Repair::None:
                        break;
                    case Repair::TooManyCorners:
                        report.add("parcel-overlay-failed", TableId::Parcels, parcel.row,
                                   parcel.name + ": çok karmaşık (" + corners +
                                       "); üst üste binme denetlenmedi");
                        break;
                    case Repair::TooManyCrossings:
                        report.add("parcel-overlay-failed", TableId::Parcels, parcel.row,
                                   parcel.name + ": çok karmaşık (" + corners + ", en az " +
                                       std::to_string(crossings[i]) +
                                       " kesişme); üst üste binme denetlenmedi");
                        break;
                    case Repair::BeyondShare:
                        report.add("parcel-overlay-failed", TableId::Parcels, parcel.row,
                                   parcel.name + ": çizimin onarım payı tükendi (" + corners +
                                       ", " + std::to_string(crossings[i]) +
                                       " kesişme); üst üste binme denetlenmedi");
                        break;
                    case Repair::Made:
                        if (failed != out.failed.end() && failed->first == i) {
                            report.add("parcel-overlay-failed", TableId::Parcels, parcel.row,
                                       parcel.name + ": parsel geçerli hale getirilemedi (" +
                                           failed->second + ")");
                            ++failed;
                        }
                        break;
                }
            }
            for (auto& [i, made] : out.made) {
                valid[i] = made.get();
                repaired.push_back(std::move(made));
            }
        });

    // Overlaps and slivers, each parcel on the thread that owns it, against every neighbour.
    std::vector<std::optional<Boundaries>> boundaries(threads);
    for (unsigned t = 0; t < threads; ++t) {
        boundaries[t].emplace(*workers[t]->geos, parcels, surveyed);
    }
    ForEachParcel(
        n, threads, cancel, report,
        [&](unsigned t, size_t i, Sink& sink) {
            Geos& geos = workers[t]->geos;
            const GEOSContextHandle_t ht = *geos;
            std::vector<size_t>& near = workers[t]->near;
            if (!surveyed[i]) {
                return;
            }
            const ParcelShape& parcel = parcels[i];
            // Overlaps: each pair once, from its first parcel.
            near.clear();
            GEOSSTRtree_query_r(ht, rawTree, surveyed[i].get(), &Collect, &near);
            Prepared prepared(nullptr, {ht});
            for (size_t j : near) {
                if (j <= i || !valid[i] || !valid[j]) {
                    continue;
                }
                StopIfCancelled(cancel);  // between overlays, as between corners below
                if (!prepared) {
                    prepared.reset(GEOSPrepare_r(ht, valid[i]));
                }
                if (!prepared || GEOSPreparedIntersects_r(ht, prepared.get(), valid[j]) != 1) {
                    continue;
                }
                // The shared part belongs to this thread: another's parcel is copied first.
                const bool foreign = OwnerOf(j, kChunk, threads) != t;
                Geometry copy = foreign ? CopyFor(ht, valid[j]) : Geometry(nullptr, {ht});
                Geometry shared(
                    !foreign || copy
                        ? GEOSIntersection_r(ht, valid[i], foreign ? copy.get() : valid[j])
                        : nullptr,
                    {ht});
                double area = 0;
                if (!shared || GEOSArea_r(ht, shared.get(), &area) != 1) {
                    for (auto [a, b] : {std::pair{i, j}, std::pair{j, i}}) {
                        Pending p{.code = "parcel-overlay-failed",
                                  .row = parcels[a].row,
                                  .message = parcels[a].name + " ile " + parcels[b].name +
                                             " parsellerinin kesişimi hesaplanamadı (" +
                                             geos.lastError() + ")"};
                        p.values[0] = {"other_row", static_cast<double>(parcels[b].row)};
                        p.valueCount = 1;
                        sink.add(std::move(p));
                    }
                    continue;
                }
                if (area > kOverlapArea) {
                    // Named on the later parcel, the one that reaches over the earlier.
                    Pending p{.code = "parcel-overlap",
                              .row = parcels[j].row,
                              .message = parcels[j].name + " ile " + parcel.name +
                                         " üst üste biniyor: " + Fixed(area) + " m² ortak alan",
                              .textName = "other",
                              .text = parcel.name,
                              .at = PointOf(ht, shared.get())};
                    p.values[0] = {"overlap_area", area};
                    p.values[1] = {"other_row", static_cast<double>(parcel.row)};
                    p.valueCount = 2;
                    sink.add(std::move(p));
                }
            }
            // Slivers: a corner near another parcel's boundary, but not on it. The parcels
            // whose boxes meet a corner's box are those of the parcel's box widened by the
            // reach whose boxes meet the corner's, in the same order: the tree gives what a
            // search finds in the one order of its leaves.
            const Box& own = boxes[i];
            Geometry reach(
                GEOSGeom_createRectangle_r(ht, own.west - kSliverReach, own.south - kSliverReach,
                                           own.east + kSliverReach, own.north + kSliverReach),
                {ht});
            if (!reach) {
                return;
            }
            std::vector<size_t>& candidates = workers[t]->candidates;
            candidates.clear();
            GEOSSTRtree_query_r(ht, rawTree, reach.get(), &Collect, &candidates);
            for (size_t c = 0; c < parcel.ring.size(); ++c) {
                // A parcel of many corners among many neighbours takes long: the cancel
                // is heard between its corners too.
                StopIfCancelled(cancel);
                const Vertex& v = parcel.ring[c];
                const Box corner{v.east - kSliverReach, v.north - kSliverReach,
                                 v.east + kSliverReach, v.north + kSliverReach};
                near.clear();
                for (size_t j : candidates) {
                    if (boxes[j].meets(corner)) {
                        near.push_back(j);
                    }
                }
                double nearest = std::numeric_limits<double>::infinity();
                size_t other = 0;
                for (size_t j : near) {
                    double d = 0;
                    if (j == i || !boundaries[t]->distance(j, v, d)) {
                        continue;
                    }
                    if (d > kOnBoundary && d < nearest) {
                        nearest = d;
                        other = j;
                    }
                }
                // A corner shared with one neighbour may still leave a gap to a third
                // parcel's edge.
                if (nearest <= kSliverReach) {
                    Pending p{.code = "parcel-sliver",
                              .row = parcel.row,
                              .corner = static_cast<int>(c) + 1,
                              .message = parcel.name + " köşe " + std::to_string(c + 1) + ", " +
                                         parcels[other].name + " parselinin sınırına " +
                                         Fixed(nearest * 100, 1) + " cm yakın ama üzerinde değil",
                              .textName = "other",
                              .text = parcels[other].name,
                              .at = v};
                    p.values[0] = {"distance", nearest};
                    p.values[1] = {"corner", static_cast<double>(c + 1)};
                    p.values[2] = {"other_row", static_cast<double>(parcels[other].row)};
                    p.valueCount = 3;
                    sink.add(std::move(p));
                }
            }
        },
        [](size_t, size_t) {});
    // A GEOS call interrupted by the cancel failed and may have been reported as a finding.
    StopIfCancelled(cancel);
}

}  // namespace plotaktar::check
