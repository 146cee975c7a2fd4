#include "compare/comparison.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <tuple>

#include "compare/beside.h"
#include "model/cp1254.h"
#include "model/errors.h"
#include "model/text.h"

namespace plotaktar::compare {

std::vector<std::pair<std::string_view, size_t>> CountByCode(const Comparison& comparison) {
    std::vector<std::pair<std::string_view, size_t>> counts;
    for (std::string_view code : kChangeCodes) {
        const size_t n = static_cast<size_t>(
            std::count_if(comparison.changes.begin(), comparison.changes.end(),
                          [&](const Change& change) { return change.code == code; }));
        if (n > 0) {
            counts.emplace_back(code, n);
        }
    }
    return counts;
}

Vertex ShapeCentre(std::span<const Vertex> shape) {
    Vertex c;
    for (const Vertex& v : shape) {
        c.east += v.east;
        c.north += v.north;
    }
    if (!shape.empty()) {
        c.east /= static_cast<double>(shape.size());
        c.north /= static_cast<double>(shape.size());
    }
    return c;
}

namespace {

std::string Fixed(double value, int decimals = 3) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

double Distance(const Vertex& a, const Vertex& b) {
    return std::hypot(a.east - b.east, a.north - b.north);
}

uint64_t HashText(std::string_view text, uint64_t seed = 1469598103934665603ull) {
    uint64_t h = seed;
    for (unsigned char c : text) {
        h = (h ^ c) * 1099511628211ull;
    }
    return h;
}

// Keys of one side's elements, sorted by hash and text, so that the two sides join group by
// group in one walk.
class Keys {
  public:
    // Adds element `index` under the key made of `parts`, joined by a separator no cell holds.
    void add(uint32_t index, std::initializer_list<std::string_view> parts) {
        const size_t start = pool_.size();
        bool first = true;
        for (std::string_view part : parts) {
            if (!first) {
                pool_ += '\x1f';
            }
            first = false;
            pool_ += part;
        }
        if (pool_.size() > std::numeric_limits<uint32_t>::max()) {
            throw Error("drawing too large to compare: more than 4 GiB of keys");
        }
        const std::string_view key = std::string_view(pool_).substr(start);
        entries_.push_back({HashText(key), static_cast<uint32_t>(start),
                            static_cast<uint32_t>(pool_.size() - start), index});
    }
    // In the order of hash, text and index: by hash in a radix sort, which keeps the order of
    // the index the entries were added in, then the few runs of one hash by text.
    void sort() {
        // Digits of 11 bits: six passes over the entries, their counts all taken in one.
        constexpr int kBits = 11;
        constexpr size_t kDigits = size_t{1} << kBits;
        constexpr int kPasses = (64 + kBits - 1) / kBits;
        auto digit = [](uint64_t hash, int pass) {
            return static_cast<size_t>(hash >> (pass * kBits) & (kDigits - 1));
        };
        std::vector<std::array<size_t, kDigits + 1>> starts(kPasses);
        for (const Entry& e : entries_) {
            for (int pass = 0; pass < kPasses; ++pass) {
                ++starts[static_cast<size_t>(pass)][digit(e.hash, pass) + 1];
            }
        }
        std::vector<Entry> other;
        for (int pass = 0; pass < kPasses && !entries_.empty(); ++pass) {
            auto& start = starts[static_cast<size_t>(pass)];
            if (start[digit(entries_[0].hash, pass) + 1] == entries_.size()) {
                continue;  // one digit throughout: nothing to move
            }
            for (size_t b = 1; b <= kDigits; ++b) {
                start[b] += start[b - 1];
            }
            other.resize(entries_.size());
            for (const Entry& e : entries_) {
                other[start[digit(e.hash, pass)]++] = e;
            }
            entries_.swap(other);
        }
        for (auto run = entries_.begin(); run != entries_.end();) {
            auto runEnd = std::find_if(run + 1, entries_.end(),
                                       [&](const Entry& e) { return e.hash != run->hash; });
            if (runEnd - run > 1) {
                std::sort(run, runEnd, [&](const Entry& x, const Entry& y) {
                    const int order = text(x).compare(text(y));
                    return order != 0 ? order < 0 : x.index < y.index;
                });
            }
            run = runEnd;
        }
        // The keys' texts in the same order, so that joining reads them front to back instead
        // of jumping through the pool once per comparison.
        std::string sorted;
        sorted.reserve(pool_.size());
        for (Entry& e : entries_) {
            const std::string_view key = text(e);
            e.start = static_cast<uint32_t>(sorted.size());
            sorted += key;
        }
        pool_.swap(sorted);
    }

    struct Entry {
        uint64_t hash;
        uint32_t start, size;
        uint32_t index;
    };
    std::string_view text(const Entry& e) const {
        return std::string_view(pool_).substr(e.start, e.size);
    }
    const std::vector<Entry>& entries() const { return entries_; }

  private:
    std::string pool_;
    std::vector<Entry> entries_;
};

// Walks two sorted key lists and calls `group(olds, news)` for every key, with the elements of
// each side under it (one side may be empty).
template <typename Group>
void Join(const Keys& old, const Keys& now, Group group, const std::atomic<bool>* stop) {
    const auto& a = old.entries();
    const auto& b = now.entries();
    auto less = [&](const Keys::Entry& x, const Keys& xs, const Keys::Entry& y, const Keys& ys) {
        return x.hash != y.hash ? x.hash < y.hash : xs.text(x) < ys.text(y);
    };
    std::vector<uint32_t> olds, news;
    size_t i = 0, j = 0, walked = 0;
    while (i < a.size() || j < b.size()) {
        if (stop && (++walked & 0xffff) == 0 && stop->load(std::memory_order_relaxed)) {
            throw ComparisonStopped();
        }
        olds.clear();
        news.clear();
        const bool takeOld = j == b.size() || (i < a.size() && !less(b[j], now, a[i], old));
        const bool takeNew = i == a.size() || (j < b.size() && !less(a[i], old, b[j], now));
        const Keys::Entry key = takeOld ? a[i] : b[j];
        const Keys& keyList = takeOld ? old : now;
        auto same = [&](const Keys::Entry& e, const Keys& es) {
            return e.hash == key.hash && es.text(e) == keyList.text(key);
        };
        if (takeOld) {
            while (i < a.size() && same(a[i], old)) {
                olds.push_back(a[i++].index);
            }
        }
        if (takeNew) {
            while (j < b.size() && same(b[j], now)) {
                news.push_back(b[j++].index);
            }
        }
        group(olds, news);
    }
}

// Pairs the elements of one key on both sides, nearest first; the rest stay unpaired. Large
// groups (a number used thousands of times) pair in file order, to keep the work linear.
template <typename Place>
std::vector<std::pair<uint32_t, uint32_t>> PairNearest(std::span<const uint32_t> olds,
                                                       std::span<const uint32_t> news,
                                                       Place placeOld, Place placeNew,
                                                       std::vector<uint32_t>& leftOld,
                                                       std::vector<uint32_t>& leftNew) {
    std::vector<std::pair<uint32_t, uint32_t>> pairs;
    leftOld.clear();
    leftNew.clear();
    if (olds.size() <= 1 && news.size() <= 1) {
        // The usual case: one on each side, or one side only.
        if (olds.size() == 1 && news.size() == 1) {
            pairs.emplace_back(olds[0], news[0]);
        } else {
            leftOld.assign(olds.begin(), olds.end());
            leftNew.assign(news.begin(), news.end());
        }
        return pairs;
    }
    if (olds.size() * news.size() > 4096) {
        const size_t n = std::min(olds.size(), news.size());
        for (size_t k = 0; k < n; ++k) {
            pairs.emplace_back(olds[k], news[k]);
        }
        leftOld.assign(olds.begin() + static_cast<ptrdiff_t>(n), olds.end());
        leftNew.assign(news.begin() + static_cast<ptrdiff_t>(n), news.end());
        return pairs;
    }
    struct Candidate {
        double distance;
        uint32_t o, n;
    };
    std::vector<Candidate> candidates;
    for (uint32_t o = 0; o < olds.size(); ++o) {
        for (uint32_t n = 0; n < news.size(); ++n) {
            candidates.push_back({Distance(placeOld(olds[o]), placeNew(news[n])), o, n});
        }
    }
    std::stable_sort(
        candidates.begin(), candidates.end(),
        [](const Candidate& x, const Candidate& y) { return x.distance < y.distance; });
    std::vector<bool> oldTaken(olds.size()), newTaken(news.size());
    for (const Candidate& c : candidates) {
        if (!oldTaken[c.o] && !newTaken[c.n]) {
            oldTaken[c.o] = newTaken[c.n] = true;
            pairs.emplace_back(olds[c.o], news[c.n]);
        }
    }
    for (uint32_t o = 0; o < olds.size(); ++o) {
        if (!oldTaken[o]) {
            leftOld.push_back(olds[o]);
        }
    }
    for (uint32_t n = 0; n < news.size(); ++n) {
        if (!newTaken[n]) {
            leftNew.push_back(news[n]);
        }
    }
    return pairs;
}

// Pairs of matched elements in the order of the old side's elements: a radix sort by the old
// index, in two passes of 16 bits.
void SortByOld(std::vector<std::pair<uint32_t, uint32_t>>& pairs) {
    std::vector<std::pair<uint32_t, uint32_t>> other(pairs.size());
    for (int shift = 0; shift < 32; shift += 16) {
        std::vector<size_t> starts(65537);
        for (const auto& pair : pairs) {
            ++starts[(pair.first >> shift & 0xffff) + 1];
        }
        for (size_t b = 1; b < starts.size(); ++b) {
            starts[b] += starts[b - 1];
        }
        for (const auto& pair : pairs) {
            other[starts[pair.first >> shift & 0xffff]++] = pair;
        }
        pairs.swap(other);
    }
}

// Whether every element of a number used more than once stayed where it was: as many on
// both sides, each paired with one at its place. Only then is the number's ambiguity no change.
template <typename PlaceOld, typename PlaceNew>
bool AllStayed(const std::vector<std::pair<uint32_t, uint32_t>>& pairs, size_t olds, size_t news,
               PlaceOld placeOld, PlaceNew placeNew, double tolerance) {
    if (olds != news || pairs.size() != olds) {
        return false;
    }
    return std::all_of(pairs.begin(), pairs.end(), [&](const auto& pair) {
        return Distance(placeOld(pair.first), placeNew(pair.second)) <= tolerance;
    });
}

// Positions in square cells of one size, sorted by cell, for the neighbours of a place.
class CellIndex {
  public:
    // Cells twice `reach` wide: whatever lies within `reach` of a place is in one of the (at
    // most) four cells its square of that reach touches.
    explicit CellIndex(double reach) : cell_(2 * reach), reach_(reach) {}
    void add(const Vertex& at, uint32_t index, uint64_t salt = 0) {
        entries_.push_back({keyOf(cellOf(at.east), cellOf(at.north), salt), index});
    }
    void sort() {
        std::sort(entries_.begin(), entries_.end());
        // Where each value of a key's top bits begins, so that a look-up searches only the few
        // entries of its own.
        directory_.assign(kDirectory + 1, 0);
        for (const auto& entry : entries_) {
            ++directory_[(entry.first >> kTopShift) + 1];
        }
        for (size_t k = 1; k < directory_.size(); ++k) {
            directory_[k] += directory_[k - 1];
        }
    }
    // Calls `visit(index)` for every element in the cells within `reach` of `at` (and some
    // farther, which the caller measures).
    template <typename Visit>
    void around(const Vertex& at, uint64_t salt, Visit visit) const {
        const int64_t x0 = cellOf(at.east - reach_), x1 = cellOf(at.east + reach_);
        const int64_t y0 = cellOf(at.north - reach_), y1 = cellOf(at.north + reach_);
        for (int64_t cx = x0; cx <= x1; ++cx) {
            for (int64_t cy = y0; cy <= y1; ++cy) {
                const uint64_t key = keyOf(cx, cy, salt);
                const auto end = entries_.begin() + directory_[(key >> kTopShift) + 1];
                auto it = std::lower_bound(entries_.begin() + directory_[key >> kTopShift], end,
                                           std::pair<uint64_t, uint32_t>{key, 0});
                for (; it != end && it->first == key; ++it) {
                    visit(it->second);
                }
            }
        }
    }

  private:
    int64_t cellOf(double v) const {
        const double c = std::floor(v / cell_);
        return std::isfinite(c) ? static_cast<int64_t>(std::clamp(c, -1e15, 1e15)) : 0;
    }
    static uint64_t keyOf(int64_t x, int64_t y, uint64_t salt) {
        uint64_t h = salt * 0x9e3779b97f4a7c15ull;
        h ^= static_cast<uint64_t>(x) * 0xff51afd7ed558ccdull;
        h = (h << 31 | h >> 33) ^ static_cast<uint64_t>(y) * 0xc4ceb9fe1a85ec53ull;
        return h;
    }
    static constexpr int kTopShift = 48;
    static constexpr size_t kDirectory = size_t{1} << (64 - kTopShift);
    double cell_;
    double reach_;
    std::vector<std::pair<uint64_t, uint32_t>> entries_;
    std::vector<size_t> directory_;
};

// Reads a cell as a number for comparing: both sides numbers compare as numbers within
// `tolerance`, otherwise as texts.
bool CellsDiffer(std::string_view a, std::string_view b, double tolerance) {
    a = Trim(a);
    b = Trim(b);
    // The same text is the same number, or the same text that is none.
    if (a == b) {
        return false;
    }
    double x = 0, y = 0;
    if (ParseCoordinate(a, x) && ParseCoordinate(b, y)) {
        return std::fabs(x - y) > tolerance;
    }
    return true;
}

// How many of `olds` have a corner of `news` within `tolerance`, each taken once, in order: those
// stayed where they were.
size_t CornersStayed(std::span<const Vertex> olds, std::span<const Vertex> news, double tolerance) {
    // A parcel has a few corners: the taken ones are bits of a word where they fit.
    uint64_t takenBits = 0;
    std::vector<bool> takenMore(news.size() > 64 ? news.size() : 0);
    auto taken = [&](size_t k) { return k < 64 ? (takenBits >> k & 1) != 0 : takenMore[k]; };
    size_t stayed = 0;
    for (const Vertex& v : olds) {
        for (size_t k = 0; k < news.size(); ++k) {
            if (!taken(k) && Distance(v, news[k]) <= tolerance) {
                if (k < 64) {
                    takenBits |= uint64_t{1} << k;
                } else {
                    takenMore[k] = true;
                }
                ++stayed;
                break;
            }
        }
    }
    return stayed;
}

// The area a ring of corners encloses (the shoelace formula), positive.
double RingArea(std::span<const Vertex> ring) {
    double twice = 0;
    for (size_t k = 0; k < ring.size(); ++k) {
        const Vertex& a = ring[k];
        const Vertex& b = ring[(k + 1) % ring.size()];
        twice += (a.east - ring[0].east) * (b.north - ring[0].north) -
                 (b.east - ring[0].east) * (a.north - ring[0].north);
    }
    return std::fabs(twice) / 2;
}

// Whether `p` lies inside the ring or within `tolerance` of its sides.
bool InsideOrOn(const Vertex& p, std::span<const Vertex> ring, double tolerance) {
    bool inside = false;
    for (size_t k = 0, m = ring.size() - 1; k < ring.size(); m = k++) {
        const Vertex& a = ring[k];
        const Vertex& b = ring[m];
        // On the side within the tolerance.
        const double dx = b.east - a.east, dy = b.north - a.north;
        const double length2 = dx * dx + dy * dy;
        double t = length2 > 0 ? ((p.east - a.east) * dx + (p.north - a.north) * dy) / length2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        if (Distance(p, {a.east + t * dx, a.north + t * dy}) <= tolerance) {
            return true;
        }
        if ((a.north > p.north) != (b.north > p.north) &&
            p.east < (b.east - a.east) * (p.north - a.north) / (b.north - a.north) + a.east) {
            inside = !inside;
        }
    }
    return inside;
}

struct Box {
    double minE = INFINITY, minN = INFINITY, maxE = -INFINITY, maxN = -INFINITY;
    void add(const Vertex& v) {
        minE = std::min(minE, v.east);
        minN = std::min(minN, v.north);
        maxE = std::max(maxE, v.east);
        maxN = std::max(maxN, v.north);
    }
};

class Comparer {
  public:
    Comparer(const ComparedDrawing& old, const ComparedDrawing& now, const CompareOptions& options)
        : a_(old), b_(now), tol_(options.tolerance), stop_(options.stop) {
        result_.oldFiles = old.files;
        result_.newFiles = now.files;
    }

    Comparison run() {
        failedRecords();
        // The lines, as many as the points, are compared on a second core: their keys, which
        // need no shift, while this one compares the points, the rest once the points gave
        // the shift, while this one compares the other elements. Their changes are put where
        // one core would have found them.
        const bool byName = !a_.fromPlotFile && !b_.fromPlotFile;
        std::pair<Keys, Keys> lineKeys;
        std::future<void> lineKeysMade;
        if (byName) {
            lineKeysMade = Beside([this, &lineKeys] { lineKeys = keysOfLines(); });
        }
        points();
        checkStop();
        layers();
        Comparer lineComparer = sibling();
        const size_t linesAt = result_.changes.size();
        std::future<void> lines = Beside([&] {
            if (byName) {
                lineKeysMade.get();
                lineComparer.linesByName(lineKeys);
            } else {
                lineComparer.linesByPosition();
            }
            lineComparer.checkStop();
        });
        parcels();
        checkStop();
        labels();
        checkStop();
        if (a_.fromPlotFile || b_.fromPlotFile) {
            result_.notCompared = {"symbols", "buildings", "slopes", "declared areas"};
        } else {
            symbols();
            records(a_.buildings, b_.buildings, Element::Building, "building", "bina");
            records(a_.slopes, b_.slopes, Element::Slope, "slope", "şev");
        }
        lines.get();
        std::vector<Change>& lineChanges = lineComparer.result_.changes;
        result_.changes.insert(result_.changes.begin() + static_cast<ptrdiff_t>(linesAt),
                               std::make_move_iterator(lineChanges.begin()),
                               std::make_move_iterator(lineChanges.end()));
        order();
        return std::move(result_);
    }

  private:
    // A comparer of the same drawings with what the points found (the shift), and no change.
    Comparer sibling() const {
        CompareOptions options;
        options.tolerance = tol_;
        options.stop = stop_;
        Comparer other(a_, b_, options);
        other.shifted_ = shifted_;
        other.shift_ = shift_;
        return other;
    }

    // The keys of both sides' elements, sorted for Join: `key(keys, drawing, element, index)`
    // adds an element's key, or leaves the element out.
    template <typename T, typename Key>
    std::pair<Keys, Keys> KeysOf(const std::vector<T>& olds, const std::vector<T>& news,
                                 Key key) const {
        std::pair<Keys, Keys> keys;
        for (uint32_t i = 0; i < olds.size(); ++i) {
            key(keys.first, a_, olds[i], i);
        }
        for (uint32_t i = 0; i < news.size(); ++i) {
            key(keys.second, b_, news[i], i);
        }
        keys.first.sort();
        keys.second.sort();
        return keys;
    }

    void checkStop() const {
        if (stop_ && stop_->load(std::memory_order_relaxed)) {
            throw ComparisonStopped();
        }
    }

    // The new side's position, taken back by the drawing's shift when it was shifted.
    Vertex back(const Vertex& v) const { return {v.east - shift_.east, v.north - shift_.north}; }

    Change& add(std::string_view code, Element element, Look look, std::string message) {
        Change& change = result_.changes.emplace_back();
        change.code = code;
        change.element = element;
        change.look = look;
        change.message = std::move(message);
        return change;
    }
    // An element at one place moved to another: the distance and both Y/X prove it.
    Change& moved(std::string_view code, Element element, const std::string& name, Source from,
                  Vertex was, Source to, Vertex is) {
        const double distance = Distance(was, is);
        Change& c = add(code, element, Look::Moved, name + " " + Fixed(distance) + " m kaydı");
        c.old = {from, {was}};
        c.now = {to, {is}};
        c.values = {{"distance", distance},
                    {"old_y", was.east},
                    {"old_x", was.north},
                    {"new_y", is.east},
                    {"new_x", is.north}};
        return c;
    }
    static std::string Cell(std::string_view bytes) { return Utf8FromCp1254(Trim(bytes)); }

    void failedRecords() {
        for (const auto* side : {&a_, &b_}) {
            for (const FailedRecord& failed : side->failed) {
                Change& c = add("record-failed", Element::Drawing, Look::Changed,
                                (side == &a_ ? "eski çizimde okunamayan kayıt: "
                                             : "yeni çizimde okunamayan kayıt: ") +
                                    Utf8FromCp1254(failed.word) +
                                    (failed.reason.empty() ? "" : " (" + failed.reason + ")"));
                (side == &a_ ? c.old : c.now).source = failed.source;
                c.texts.emplace_back("word", Utf8FromCp1254(failed.word));
                if (!failed.reason.empty()) {
                    c.texts.emplace_back("reason", failed.reason);
                }
            }
        }
    }

    // Points by kind and number; the position changes wait until it is known whether the
    // whole drawing was shifted.
    void points() {
        const auto [ka, kb] =
            KeysOf(a_.points, b_.points,
                   [](Keys& keys, const ComparedDrawing& d, const ComparedPoint& p, uint32_t i) {
                       const char kind = static_cast<char>('0' + static_cast<int>(p.kind));
                       keys.add(i, {std::string_view(&kind, 1), d.text(p.number)});
                   });
        std::vector<std::pair<uint32_t, uint32_t>> matched;
        std::vector<uint32_t> leftOld, leftNew;
        auto placeOld = [&](uint32_t i) { return a_.points[i].at; };
        struct Ambiguous {
            std::vector<uint32_t> olds, news;
        };
        std::vector<Ambiguous> ambiguous;
        Join(
            ka, kb,
            [&](std::span<const uint32_t> olds, std::span<const uint32_t> news) {
                // A number used more than once is paired by place once the shift is known.
                if (olds.size() > 1 || news.size() > 1) {
                    ambiguous.push_back({{olds.begin(), olds.end()}, {news.begin(), news.end()}});
                    return;
                }
                if (olds.empty()) {
                    pointAdded(b_.points[news[0]]);
                } else if (news.empty()) {
                    pointRemoved(a_.points[olds[0]]);
                } else {
                    matched.emplace_back(olds[0], news[0]);
                }
            },
            stop_);
        checkStop();
        // A drawing shifted as a whole: more than half of the matched points moved beyond
        // kShiftDistance.
        size_t far = 0;
        for (const auto& [o, n] : matched) {
            far += Distance(a_.points[o].at, b_.points[n].at) > kShiftDistance ? 1 : 0;
        }
        if (!matched.empty() && far * 2 > matched.size()) {
            std::vector<double> de, dn;
            de.reserve(matched.size());
            dn.reserve(matched.size());
            for (const auto& [o, n] : matched) {
                de.push_back(b_.points[n].at.east - a_.points[o].at.east);
                dn.push_back(b_.points[n].at.north - a_.points[o].at.north);
            }
            const size_t mid = de.size() / 2;
            std::nth_element(de.begin(), de.begin() + static_cast<ptrdiff_t>(mid), de.end());
            std::nth_element(dn.begin(), dn.begin() + static_cast<ptrdiff_t>(mid), dn.end());
            shift_ = {de[mid], dn[mid]};
            shifted_ = true;
            Change& c = add("coordinates-shifted", Element::Drawing, Look::Moved,
                            "çizim bütünüyle kaydırılmış: Y " + Fixed(shift_.east) + " m, X " +
                                Fixed(shift_.north) + " m (" + std::to_string(far) + " / " +
                                std::to_string(matched.size()) + " nokta " +
                                Fixed(kShiftDistance, 0) + " m'den uzağa)");
            c.values = {{"shift_y", shift_.east},
                        {"shift_x", shift_.north},
                        {"points_far", static_cast<double>(far)},
                        {"points_matched", static_cast<double>(matched.size())}};
        }
        std::function<Vertex(uint32_t)> placeShifted = [&](uint32_t i) {
            return back(b_.points[i].at);
        };
        for (const auto& [olds, news] : ambiguous) {
            const auto pairs = PairNearest(
                std::span<const uint32_t>(olds), std::span<const uint32_t>(news),
                std::function<Vertex(uint32_t)>(placeOld), placeShifted, leftOld, leftNew);
            matched.insert(matched.end(), pairs.begin(), pairs.end());
            for (uint32_t i : leftOld) {
                pointRemoved(a_.points[i]);
            }
            for (uint32_t i : leftNew) {
                pointAdded(b_.points[i]);
            }
            if (!AllStayed(pairs, olds.size(), news.size(), placeOld, placeShifted, tol_)) {
                const ComparedPoint& p = olds.empty() ? b_.points[news[0]] : a_.points[olds[0]];
                const std::string number = Cell((olds.empty() ? b_ : a_).text(p.number));
                Change& c =
                    add("point-number-ambiguous", Element::Point, Look::Changed,
                        number + " numarası birden çok noktada (eski " +
                            std::to_string(olds.size()) + ", yeni " + std::to_string(news.size()) +
                            "); en yakın konumlarıyla eşlendi");
                if (!olds.empty()) {
                    c.old = {a_.points[olds[0]].source, {a_.points[olds[0]].at}};
                }
                if (!news.empty()) {
                    c.now = {b_.points[news[0]].source, {b_.points[news[0]].at}};
                }
                c.values = {{"old_count", static_cast<double>(olds.size())},
                            {"new_count", static_cast<double>(news.size())}};
                c.texts.emplace_back("number", number);
            }
        }
        // In the old side's order, which is mostly the new side's too: the points and their
        // texts are read front to back rather than in the keys' order.
        SortByOld(matched);
        for (const auto& [o, n] : matched) {
            comparePoints(a_.points[o], b_.points[n]);
        }
    }

    void pointRemoved(const ComparedPoint& p) {
        Change& c = add("point-removed", Element::Point, Look::Removed,
                        Cell(a_.text(p.number)) + " noktası silindi");
        c.old = {p.source, {p.at}};
        c.texts.emplace_back("number", Cell(a_.text(p.number)));
    }
    void pointAdded(const ComparedPoint& q) {
        Change& c = add("point-added", Element::Point, Look::Added,
                        Cell(b_.text(q.number)) + " noktası eklendi");
        c.now = {q.source, {q.at}};
        c.texts.emplace_back("number", Cell(b_.text(q.number)));
    }

    void comparePoints(const ComparedPoint& p, const ComparedPoint& q) {
        const bool away = !shifted_ && Distance(p.at, q.at) > tol_;
        const bool heightChanged = CellsDiffer(a_.text(p.z), b_.text(q.z), tol_);
        const bool layerChanged = a_.text(p.layer) != b_.text(q.layer);
        // Most points stay as they were: their number is written out only for a change.
        if (!away && !heightChanged && !layerChanged) {
            return;
        }
        const std::string number = Cell(a_.text(p.number));
        if (away) {
            Change& c = moved("point-moved", Element::Point, number + " noktası", p.source, p.at,
                              q.source, q.at);
            c.texts.emplace_back("number", number);
        }
        if (heightChanged) {
            Change& c = add("point-height-changed", Element::Point, Look::Changed,
                            number + " noktasının yüksekliği değişti (" + Cell(a_.text(p.z)) +
                                " → " + Cell(b_.text(q.z)) + ")");
            c.old = {p.source, {p.at}};
            c.now = {q.source, {q.at}};
            double zo = 0, zn = 0;
            if (ParseCoordinate(Trim(a_.text(p.z)), zo) &&
                ParseCoordinate(Trim(b_.text(q.z)), zn)) {
                c.values = {{"old_z", zo}, {"new_z", zn}, {"difference", zn - zo}};
            } else {
                c.texts = {{"old_z", Cell(a_.text(p.z))}, {"new_z", Cell(b_.text(q.z))}};
            }
            c.texts.emplace_back("number", number);
        }
        if (layerChanged) {
            Change& c = add("point-layer-changed", Element::Point, Look::Changed,
                            number + " noktasının tabakası değişti (" + Cell(a_.text(p.layer)) +
                                " → " + Cell(b_.text(q.layer)) + ")");
            c.old = {p.source, {p.at}};
            c.now = {q.source, {q.at}};
            c.texts = {{"number", number},
                       {"old_layer", Cell(a_.text(p.layer))},
                       {"new_layer", Cell(b_.text(q.layer))}};
        }
    }

    void layers() {
        const bool properties = !a_.fromPlotFile && !b_.fromPlotFile;
        // A plot file declares only the layers a record names.
        const auto [ka, kb] =
            KeysOf(a_.layers, b_.layers,
                   [&](Keys& keys, const ComparedDrawing& d, const ComparedLayer& l, uint32_t i) {
                       if (properties || l.used) {
                           keys.add(i, {d.text(l.name)});
                       }
                   });
        Join(
            ka, kb,
            [&](std::span<const uint32_t> olds, std::span<const uint32_t> news) {
                const size_t n = std::min(olds.size(), news.size());
                for (size_t k = 0; k < n; ++k) {
                    const ComparedLayer& p = a_.layers[olds[k]];
                    const ComparedLayer& q = b_.layers[news[k]];
                    const std::string name = Cell(a_.text(p.name));
                    if (!properties) {
                        continue;
                    }
                    if (p.number != q.number) {
                        Change& c = add("layer-renumbered", Element::Layer, Look::Changed,
                                        name + " tabakasının numarası değişti (" +
                                            std::to_string(p.number) + " → " +
                                            std::to_string(q.number) + ")");
                        c.old.source = p.source;
                        c.now.source = q.source;
                        c.values = {{"old_number", p.number}, {"new_number", q.number}};
                        c.texts.emplace_back("name", name);
                    }
                    std::vector<std::pair<std::string_view, std::string>> texts;
                    std::string what;
                    // A pen's value as the layer record writes it; "-" where it gives none.
                    auto number = [](double v) {
                        char text[32];
                        std::snprintf(text, sizeof text, "%g", v);
                        return std::isnan(v) ? std::string("-") : std::string(text);
                    };
                    auto field = [&](double x, double y, std::string_view key,
                                     std::string_view word) {
                        if (x != y && !(std::isnan(x) && std::isnan(y))) {
                            const std::string change = number(x) + " → " + number(y);
                            what += (what.empty() ? "" : ", ") + std::string(word) + " " + change;
                            texts.emplace_back(key, change);
                        }
                    };
                    field(p.colour, q.colour, "colour", "renk");
                    field(p.lineType, q.lineType, "line_type", "çizgi tipi");
                    field(p.thickness, q.thickness, "thickness", "kalınlık");
                    field(p.on, q.on, "on_off", "açık/kapalı");
                    if (!what.empty()) {
                        Change& c = add("layer-changed", Element::Layer, Look::Changed,
                                        name + " tabakası değişti (" + what + ")");
                        c.old.source = p.source;
                        c.now.source = q.source;
                        c.texts = std::move(texts);
                        c.texts.emplace_back("name", name);
                    }
                }
                for (size_t k = n; k < olds.size(); ++k) {
                    const ComparedLayer& p = a_.layers[olds[k]];
                    Change& c = add("layer-removed", Element::Layer, Look::Removed,
                                    Cell(a_.text(p.name)) + " tabakası silindi");
                    c.old.source = p.source;
                    c.texts.emplace_back("name", Cell(a_.text(p.name)));
                }
                for (size_t k = n; k < news.size(); ++k) {
                    const ComparedLayer& q = b_.layers[news[k]];
                    Change& c = add("layer-added", Element::Layer, Look::Added,
                                    Cell(b_.text(q.name)) + " tabakası eklendi");
                    c.now.source = q.source;
                    c.texts.emplace_back("name", Cell(b_.text(q.name)));
                }
            },
            stop_);
    }

    std::string LineName(const ComparedDrawing& d, const ComparedLine& line) const {
        if (d.fromPlotFile) {
            return "(" + Fixed(line.ends[0].east, 2) + " " + Fixed(line.ends[0].north, 2) + ")–(" +
                   Fixed(line.ends[1].east, 2) + " " + Fixed(line.ends[1].north, 2) + ")";
        }
        return Cell(d.text(line.from)) + "–" + Cell(d.text(line.to));
    }

    void lineRemoved(const ComparedLine& p) {
        Change& c =
            add("line-removed", Element::Line, Look::Removed, LineName(a_, p) + " hattı silindi");
        c.old = {p.source, {p.ends[0], p.ends[1]}};
    }
    void lineAdded(const ComparedLine& q) {
        Change& c =
            add("line-added", Element::Line, Look::Added, LineName(b_, q) + " hattı eklendi");
        c.now = {q.source, {q.ends[0], q.ends[1]}};
    }

    // Lines by the numbers of their two ends, in either direction.
    std::pair<Keys, Keys> keysOfLines() const {
        return KeysOf(a_.lines, b_.lines,
                      [](Keys& keys, const ComparedDrawing& d, const ComparedLine& l, uint32_t i) {
                          std::string_view x = Trim(d.text(l.from)), y = Trim(d.text(l.to));
                          keys.add(i, {std::min(x, y), std::max(x, y)});
                      });
    }
    void linesByName(const std::pair<Keys, Keys>& keys) {
        const auto& [ka, kb] = keys;
        std::vector<uint32_t> leftOld, leftNew, removed, added;
        std::vector<std::pair<uint32_t, uint32_t>> matched;
        std::function<Vertex(uint32_t)> placeOld = [&](uint32_t i) {
            return ShapeCentre(a_.lines[i].ends);
        };
        std::function<Vertex(uint32_t)> placeNew = [&](uint32_t i) {
            return back(ShapeCentre(b_.lines[i].ends));
        };
        Join(
            ka, kb,
            [&](std::span<const uint32_t> olds, std::span<const uint32_t> news) {
                if (olds.size() == 1 && news.size() == 1) {
                    matched.emplace_back(olds[0], news[0]);
                    return;
                }
                const auto pairs = PairNearest(olds, news, placeOld, placeNew, leftOld, leftNew);
                matched.insert(matched.end(), pairs.begin(), pairs.end());
                removed.insert(removed.end(), leftOld.begin(), leftOld.end());
                added.insert(added.end(), leftNew.begin(), leftNew.end());
            },
            stop_);
        checkStop();
        // Compared in the old side's order, read front to back (each change has a line of its
        // own, so the order they are found in does not show).
        SortByOld(matched);
        for (const auto& [o, n] : matched) {
            compareLines(a_.lines[o], b_.lines[n]);
        }
        for (uint32_t i : removed) {
            lineRemoved(a_.lines[i]);
        }
        for (uint32_t i : added) {
            lineAdded(b_.lines[i]);
        }
    }

    void compareLines(const ComparedLine& p, const ComparedLine& q) {
        // The new line's ends in the old one's order.
        const bool reversed =
            Trim(a_.text(p.from)) != Trim(b_.text(q.from)) ||
            (Trim(a_.text(p.from)) == Trim(a_.text(p.to)) &&
             Distance(p.ends[0], back(q.ends[1])) < Distance(p.ends[0], back(q.ends[0])));
        const int first = reversed ? 1 : 0;
        const Vertex ends[2] = {back(q.ends[first]), back(q.ends[1 - first])};
        const TextRef zs[2] = {q.z[first], q.z[1 - first]};
        const double distance =
            std::max(Distance(p.ends[0], ends[0]), Distance(p.ends[1], ends[1]));
        const bool away = !shifted_ && distance > tol_;
        const bool heightChanged = CellsDiffer(a_.text(p.z[0]), b_.text(zs[0]), tol_) ||
                                   CellsDiffer(a_.text(p.z[1]), b_.text(zs[1]), tol_);
        // Most lines stay as they were: their name is written out only for a change.
        if (!away && !heightChanged && a_.text(p.layer) == b_.text(q.layer)) {
            return;
        }
        const std::string name = LineName(a_, p);
        if (away) {
            Change& c = add("line-moved", Element::Line, Look::Moved,
                            name + " hattının ucu " + Fixed(distance) + " m kaydı");
            c.old = {p.source, {p.ends[0], p.ends[1]}};
            c.now = {q.source, {q.ends[first], q.ends[1 - first]}};
            c.values = {{"distance", distance}};
        }
        if (heightChanged) {
            Change& c = add("line-height-changed", Element::Line, Look::Changed,
                            name + " hattının yüksekliği değişti (" + Cell(a_.text(p.z[0])) + " " +
                                Cell(a_.text(p.z[1])) + " → " + Cell(b_.text(zs[0])) + " " +
                                Cell(b_.text(zs[1])) + ")");
            c.old = {p.source, {p.ends[0], p.ends[1]}};
            c.now = {q.source, {q.ends[0], q.ends[1]}};
        }
        compareLineLayers(p, q, name);
    }

    void compareLineLayers(const ComparedLine& p, const ComparedLine& q, const std::string& name) {
        if (a_.text(p.layer) != b_.text(q.layer)) {
            Change& c = add("line-layer-changed", Element::Line, Look::Changed,
                            name + " hattının tabakası değişti (" + Cell(a_.text(p.layer)) + " → " +
                                Cell(b_.text(q.layer)) + ")");
            c.old = {p.source, {p.ends[0], p.ends[1]}};
            c.now = {q.source, {q.ends[0], q.ends[1]}};
            c.texts = {{"old_layer", Cell(a_.text(p.layer))},
                       {"new_layer", Cell(b_.text(q.layer))}};
        }
    }

    // Lines by their end positions within the tolerance, in either direction: a plot file
    // keeps no point numbers.
    void linesByPosition() {
        CellIndex index(std::max(tol_, 1e-6));
        for (uint32_t i = 0; i < b_.lines.size(); ++i) {
            index.add(back(b_.lines[i].ends[0]), i);
            index.add(back(b_.lines[i].ends[1]), i);
        }
        index.sort();
        std::vector<bool> taken(b_.lines.size());
        for (uint32_t i = 0; i < a_.lines.size(); ++i) {
            if ((i & 0xffff) == 0) {
                checkStop();
            }
            const ComparedLine& p = a_.lines[i];
            int64_t found = -1;
            index.around(p.ends[0], 0, [&](uint32_t j) {
                if (found >= 0 || taken[j]) {
                    return;
                }
                const Vertex e0 = back(b_.lines[j].ends[0]), e1 = back(b_.lines[j].ends[1]);
                if ((Distance(p.ends[0], e0) <= tol_ && Distance(p.ends[1], e1) <= tol_) ||
                    (Distance(p.ends[0], e1) <= tol_ && Distance(p.ends[1], e0) <= tol_)) {
                    found = j;
                }
            });
            if (found < 0) {
                lineRemoved(p);
                continue;
            }
            taken[static_cast<size_t>(found)] = true;
            const ComparedLine& q = b_.lines[static_cast<size_t>(found)];
            if (a_.text(p.layer) != b_.text(q.layer)) {
                compareLineLayers(p, q, LineName(a_, p));
            }
        }
        for (uint32_t j = 0; j < b_.lines.size(); ++j) {
            if (!taken[j]) {
                lineAdded(b_.lines[j]);
            }
        }
    }

    std::string ParcelName(const ComparedDrawing& d, const ComparedParcel& p) const {
        return Cell(d.text(p.block)) + "/" + Cell(d.text(p.parcel));
    }
    std::vector<Vertex> Shape(const ComparedDrawing& d, const ComparedParcel& p) const {
        const auto corners = d.cornersOf(p);
        return {corners.begin(), corners.end()};
    }

    void parcels() {
        const auto [ka, kb] =
            KeysOf(a_.parcels, b_.parcels,
                   [](Keys& keys, const ComparedDrawing& d, const ComparedParcel& p, uint32_t i) {
                       keys.add(i, {Trim(d.text(p.block)), Trim(d.text(p.parcel))});
                   });
        std::vector<uint32_t> removed, added, leftOld, leftNew;
        std::function<Vertex(uint32_t)> placeOld = [&](uint32_t i) {
            return ShapeCentre(a_.cornersOf(a_.parcels[i]));
        };
        std::function<Vertex(uint32_t)> placeNew = [&](uint32_t i) {
            return back(ShapeCentre(b_.cornersOf(b_.parcels[i])));
        };
        Join(
            ka, kb,
            [&](std::span<const uint32_t> olds, std::span<const uint32_t> news) {
                const auto pairs = PairNearest(olds, news, placeOld, placeNew, leftOld, leftNew);
                if ((olds.size() > 1 || news.size() > 1) &&
                    !AllStayed(pairs, olds.size(), news.size(), placeOld, placeNew, tol_)) {
                    const ComparedParcel& p =
                        olds.empty() ? b_.parcels[news[0]] : a_.parcels[olds[0]];
                    const std::string name = ParcelName(olds.empty() ? b_ : a_, p);
                    Change& c =
                        add("parcel-number-ambiguous", Element::Parcel, Look::Changed,
                            name + " numarası birden çok parselde (eski " +
                                std::to_string(olds.size()) + ", yeni " +
                                std::to_string(news.size()) + "); en yakın konumlarıyla eşlendi");
                    if (!olds.empty()) {
                        c.old = {a_.parcels[olds[0]].source, Shape(a_, a_.parcels[olds[0]])};
                    }
                    if (!news.empty()) {
                        c.now = {b_.parcels[news[0]].source, Shape(b_, b_.parcels[news[0]])};
                    }
                    c.values = {{"old_count", static_cast<double>(olds.size())},
                                {"new_count", static_cast<double>(news.size())}};
                    c.texts.emplace_back("parcel", name);
                }
                for (const auto& [o, n] : pairs) {
                    compareParcels(a_.parcels[o], b_.parcels[n]);
                }
                removed.insert(removed.end(), leftOld.begin(), leftOld.end());
                added.insert(added.end(), leftNew.begin(), leftNew.end());
            },
            stop_);
        std::sort(removed.begin(), removed.end());
        std::sort(added.begin(), added.end());
        std::vector<bool> removedTaken(a_.parcels.size()), addedTaken(b_.parcels.size());
        divisions(removed, added, removedTaken, addedTaken);
        for (uint32_t i : removed) {
            if (!removedTaken[i]) {
                const ComparedParcel& p = a_.parcels[i];
                Change& c = add("parcel-removed", Element::Parcel, Look::Removed,
                                ParcelName(a_, p) + " parseli silindi");
                c.old = {p.source, Shape(a_, p)};
                c.texts.emplace_back("parcel", ParcelName(a_, p));
            }
        }
        for (uint32_t i : added) {
            if (!addedTaken[i]) {
                const ComparedParcel& q = b_.parcels[i];
                Change& c = add("parcel-added", Element::Parcel, Look::Added,
                                ParcelName(b_, q) + " parseli eklendi");
                c.now = {q.source, Shape(b_, q)};
                c.texts.emplace_back("parcel", ParcelName(b_, q));
            }
        }
    }

    // Parcels of one side that lie wholly inside (or on) a parcel of the other that has gone:
    // one parcel divided into them, or they merged into one. Only the parcels without a match
    // are tried, through a grid of the whole parcels' boxes.
    void divisions(const std::vector<uint32_t>& removed, const std::vector<uint32_t>& added,
                   std::vector<bool>& removedTaken, std::vector<bool>& addedTaken) {
        auto within = [&](const ComparedDrawing& inner, const ComparedParcel& part,
                          const ComparedDrawing& outer, const ComparedParcel& whole, bool innerNew,
                          bool outerNew) {
            const auto ring = outer.cornersOf(whole);
            const auto corners = inner.cornersOf(part);
            if (ring.size() < 3 || corners.empty()) {
                return false;
            }
            std::vector<Vertex> shifted;
            for (const Vertex& v : ring) {
                shifted.push_back(outerNew ? back(v) : v);
            }
            return std::all_of(corners.begin(), corners.end(), [&](const Vertex& v) {
                return InsideOrOn(innerNew ? back(v) : v, shifted, tol_);
            });
        };
        // Divided: removed wholes, added parts.
        auto pass = [&](const ComparedDrawing& wholes, const std::vector<uint32_t>& wholeList,
                        std::vector<bool>& wholeTaken, const ComparedDrawing& parts,
                        const std::vector<uint32_t>& partList, std::vector<bool>& partTaken,
                        bool divided) {
            const bool wholesNew = &wholes == &b_;
            const bool partsNew = &parts == &b_;
            // The wholes' boxes in cells as large as the largest box's side, capped.
            double cell = 1;
            std::vector<Box> boxes(wholeList.size());
            for (size_t k = 0; k < wholeList.size(); ++k) {
                for (const Vertex& v : wholes.cornersOf(wholes.parcels[wholeList[k]])) {
                    boxes[k].add(wholesNew ? back(v) : v);
                }
                if (std::isfinite(boxes[k].maxE)) {
                    cell = std::max(
                        {cell, boxes[k].maxE - boxes[k].minE, boxes[k].maxN - boxes[k].minN});
                }
            }
            CellIndex index(cell / 2 + tol_);
            for (size_t k = 0; k < wholeList.size(); ++k) {
                if (std::isfinite(boxes[k].maxE)) {
                    index.add(
                        ShapeCentre(std::array<Vertex, 2>{Vertex{boxes[k].minE, boxes[k].minN},
                                                          Vertex{boxes[k].maxE, boxes[k].maxN}}),
                        static_cast<uint32_t>(k));
                }
            }
            index.sort();
            std::vector<std::vector<uint32_t>> partsOf(wholeList.size());
            for (uint32_t part : partList) {
                if (partTaken[part] || parts.parcels[part].corners == 0) {
                    continue;
                }
                const Vertex first = parts.cornersOf(parts.parcels[part])[0];
                const Vertex at = partsNew ? back(first) : first;
                int64_t found = -1;
                index.around(at, 0, [&](uint32_t k) {
                    if (found < 0 && !wholeTaken[wholeList[k]] &&
                        within(parts, parts.parcels[part], wholes, wholes.parcels[wholeList[k]],
                               partsNew, wholesNew)) {
                        found = k;
                    }
                });
                if (found >= 0) {
                    partsOf[static_cast<size_t>(found)].push_back(part);
                }
            }
            for (size_t k = 0; k < wholeList.size(); ++k) {
                if (partsOf[k].empty()) {
                    continue;
                }
                const ComparedParcel& whole = wholes.parcels[wholeList[k]];
                wholeTaken[wholeList[k]] = true;
                std::string names;
                std::vector<Vertex> partShapes;
                for (uint32_t part : partsOf[k]) {
                    partTaken[part] = true;
                    names += (names.empty() ? "" : ", ") + ParcelName(parts, parts.parcels[part]);
                }
                const std::string wholeName = ParcelName(wholes, whole);
                Change& c = divided ? add("parcel-divided", Element::Parcel, Look::Changed,
                                          wholeName + " parseli bölündü: " + names)
                                    : add("parcel-merged", Element::Parcel, Look::Changed,
                                          names + " parselleri birleşti: " + wholeName);
                const ComparedParcel& firstPart = parts.parcels[partsOf[k][0]];
                ChangeSide wholeSide{whole.source, Shape(wholes, whole)};
                ChangeSide partSide{firstPart.source, {}};
                for (uint32_t part : partsOf[k]) {
                    const auto corners = parts.cornersOf(parts.parcels[part]);
                    if (!partSide.shape.empty()) {
                        partSide.rings.push_back(static_cast<uint32_t>(partSide.shape.size()));
                    }
                    partSide.shape.insert(partSide.shape.end(), corners.begin(), corners.end());
                }
                c.old = divided ? wholeSide : partSide;
                c.now = divided ? partSide : wholeSide;
                c.values = {{"parts", static_cast<double>(partsOf[k].size())}};
                c.texts = {{divided ? "old_parcel" : "new_parcel", wholeName},
                           {divided ? "new_parcels" : "old_parcels", names}};
            }
        };
        pass(a_, removed, removedTaken, b_, added, addedTaken, true);
        pass(b_, added, addedTaken, a_, removed, removedTaken, false);
    }

    void compareParcels(const ComparedParcel& p, const ComparedParcel& q) {
        const auto oldCorners = a_.cornersOf(p);
        const auto newCorners = b_.cornersOf(q);
        const std::string_view x = Trim(a_.text(p.area)), y = Trim(b_.text(q.area));
        double ax = 0, ay = 0;
        // The same text is the same area; only texts that differ are read as numbers.
        const bool numbers = x != y && ParseCoordinate(x, ax) && ParseCoordinate(y, ay);
        const bool areaChanged =
            !a_.fromPlotFile && !b_.fromPlotFile && x != y && (!numbers || ax != ay);
        const size_t stayed = shifted_ ? 0 : CornersStayed(oldCorners, newCorners, tol_);
        const bool cornersChanged =
            !shifted_ && (stayed != oldCorners.size() || stayed != newCorners.size());
        // Most parcels stay as they were: their name and areas are worked out only for a
        // change.
        if (!areaChanged && !cornersChanged && a_.text(p.layer) == b_.text(q.layer)) {
            return;
        }
        const std::string name = ParcelName(a_, p);
        const double oldComputed = oldCorners.size() >= 3 ? RingArea(oldCorners) : 0;
        const double newComputed = newCorners.size() >= 3 ? RingArea(newCorners) : 0;
        {
            if (areaChanged) {
                Change& c =
                    add("parcel-area-changed", Element::Parcel, Look::Changed,
                        name + " parselinin alanı değişti (" + Cell(x) + " → " + Cell(y) + ")");
                c.old = {p.source, Shape(a_, p)};
                c.now = {q.source, Shape(b_, q)};
                if (numbers) {
                    c.values = {{"old_area", ax}, {"new_area", ay}};
                } else {
                    c.texts = {{"old_area", Cell(x)}, {"new_area", Cell(y)}};
                }
                c.values.emplace_back("old_computed_area", oldComputed);
                c.values.emplace_back("new_computed_area", newComputed);
                c.texts.emplace_back("parcel", name);
            }
        }
        if (!shifted_) {
            const size_t goneOld = oldCorners.size() - stayed, goneNew = newCorners.size() - stayed;
            const size_t moved = std::min(goneOld, goneNew);
            if (goneOld > 0 || goneNew > 0) {
                Change& c =
                    add("parcel-corners-changed", Element::Parcel, Look::Changed,
                        name + " parselinin köşeleri değişti (" + std::to_string(goneNew - moved) +
                            " eklendi, " + std::to_string(goneOld - moved) + " silindi, " +
                            std::to_string(moved) + " kaydı)");
                c.old = {p.source, Shape(a_, p)};
                c.now = {q.source, Shape(b_, q)};
                c.values = {{"corners_added", static_cast<double>(goneNew - moved)},
                            {"corners_removed", static_cast<double>(goneOld - moved)},
                            {"corners_moved", static_cast<double>(moved)},
                            {"old_computed_area", oldComputed},
                            {"new_computed_area", newComputed}};
                c.texts.emplace_back("parcel", name);
            }
        }
        if (a_.text(p.layer) != b_.text(q.layer)) {
            Change& c = add("parcel-layer-changed", Element::Parcel, Look::Changed,
                            name + " parselinin tabakası değişti (" + Cell(a_.text(p.layer)) +
                                " → " + Cell(b_.text(q.layer)) + ")");
            c.old = {p.source, Shape(a_, p)};
            c.now = {q.source, Shape(b_, q)};
            c.texts = {{"parcel", name},
                       {"old_layer", Cell(a_.text(p.layer))},
                       {"new_layer", Cell(b_.text(q.layer))}};
        }
    }

    // Labels in four passes: same text at the same place; same text within kLabelMoveReach
    // (nearest first); other text at the same place; the rest came or went.
    void labels() {
        const size_t na = a_.labels.size(), nb = b_.labels.size();
        std::vector<int64_t> matchOf(na, -1);
        std::vector<bool> newTaken(nb);
        auto textSalt = [](const ComparedDrawing& d, const ComparedLabel& l) {
            return HashText(d.text(l.text));
        };
        auto matchText = [&](double reach) {
            CellIndex index(std::max(reach, 1e-6));
            for (uint32_t j = 0; j < nb; ++j) {
                if (!newTaken[j]) {
                    index.add(back(b_.labels[j].at), j, textSalt(b_, b_.labels[j]));
                }
            }
            index.sort();
            for (uint32_t i = 0; i < na; ++i) {
                if ((i & 0xffff) == 0) {
                    checkStop();
                }
                if (matchOf[i] >= 0) {
                    continue;
                }
                const ComparedLabel& p = a_.labels[i];
                int64_t best = -1;
                double bestDistance = reach;
                index.around(p.at, textSalt(a_, p), [&](uint32_t j) {
                    const double d = Distance(p.at, back(b_.labels[j].at));
                    if (!newTaken[j] && d <= bestDistance &&
                        b_.text(b_.labels[j].text) == a_.text(p.text) &&
                        (best < 0 || d < bestDistance)) {
                        best = j;
                        bestDistance = d;
                    }
                });
                if (best >= 0) {
                    matchOf[i] = best;
                    newTaken[static_cast<size_t>(best)] = true;
                }
            }
        };
        matchText(tol_);
        std::vector<bool> sameText(na);
        for (size_t i = 0; i < na; ++i) {
            sameText[i] = matchOf[i] >= 0;
        }
        matchText(kLabelMoveReach);
        // Other text at the same place.
        CellIndex index(std::max(tol_, 1e-6));
        for (uint32_t j = 0; j < nb; ++j) {
            if (!newTaken[j]) {
                index.add(back(b_.labels[j].at), j);
            }
        }
        index.sort();
        std::vector<bool> changedText(na);
        for (uint32_t i = 0; i < na; ++i) {
            if (matchOf[i] >= 0) {
                continue;
            }
            const ComparedLabel& p = a_.labels[i];
            int64_t best = -1;
            double bestDistance = tol_;
            index.around(p.at, 0, [&](uint32_t j) {
                const double d = Distance(p.at, back(b_.labels[j].at));
                if (!newTaken[j] && d <= bestDistance && (best < 0 || d < bestDistance)) {
                    best = j;
                    bestDistance = d;
                }
            });
            if (best >= 0) {
                matchOf[i] = best;
                newTaken[static_cast<size_t>(best)] = true;
                changedText[i] = true;
            }
        }
        for (uint32_t i = 0; i < na; ++i) {
            // A label of the same text at the same place is no change, and most are so.
            if (matchOf[i] >= 0 && !changedText[i] && (sameText[i] || shifted_)) {
                continue;
            }
            const ComparedLabel& p = a_.labels[i];
            const std::string text = Cell(a_.text(p.text));
            if (matchOf[i] < 0) {
                Change& c = add("label-removed", Element::Label, Look::Removed,
                                "\"" + text + "\" yazısı silindi");
                c.old = {p.source, {p.at}};
                c.texts.emplace_back("text", text);
                continue;
            }
            const ComparedLabel& q = b_.labels[static_cast<size_t>(matchOf[i])];
            if (changedText[i]) {
                const std::string newText = Cell(b_.text(q.text));
                Change& c = add("label-changed", Element::Label, Look::Changed,
                                "yazı değişti (\"" + text + "\" → \"" + newText + "\")");
                c.old = {p.source, {p.at}};
                c.now = {q.source, {q.at}};
                c.texts = {{"old_text", text}, {"new_text", newText}};
            } else if (!sameText[i] && !shifted_) {
                Change& c = moved("label-moved", Element::Label, "\"" + text + "\" yazısı",
                                  p.source, p.at, q.source, q.at);
                c.texts.emplace_back("text", text);
            }
        }
        for (uint32_t j = 0; j < nb; ++j) {
            if (!newTaken[j]) {
                const ComparedLabel& q = b_.labels[j];
                const std::string text = Cell(b_.text(q.text));
                Change& c = add("label-added", Element::Label, Look::Added,
                                "\"" + text + "\" yazısı eklendi");
                c.now = {q.source, {q.at}};
                c.texts.emplace_back("text", text);
            }
        }
    }

    void symbols() {
        const auto [ka, kb] =
            KeysOf(a_.symbols, b_.symbols,
                   [](Keys& keys, const ComparedDrawing& d, const ComparedSymbol& s, uint32_t i) {
                       keys.add(i, {Trim(d.text(s.point)), Trim(d.text(s.symbol))});
                   });
        auto name = [&](const ComparedDrawing& d, const ComparedSymbol& s) {
            return Cell(d.text(s.symbol)) + " sembolü (" + Cell(d.text(s.point)) + " noktasında)";
        };
        Join(
            ka, kb,
            [&](std::span<const uint32_t> olds, std::span<const uint32_t> news) {
                const size_t n = std::min(olds.size(), news.size());
                for (size_t k = 0; k < n; ++k) {
                    const ComparedSymbol& p = a_.symbols[olds[k]];
                    const ComparedSymbol& q = b_.symbols[news[k]];
                    std::string what;
                    std::vector<std::pair<std::string_view, std::string>> texts;
                    auto field = [&](TextRef x, TextRef y, std::string_view key,
                                     std::string_view word, bool number) {
                        const bool differ = number ? CellsDiffer(a_.text(x), b_.text(y), 1e-9)
                                                   : a_.text(x) != b_.text(y);
                        if (differ) {
                            what += (what.empty() ? "" : ", ") + std::string(word) + " " +
                                    Cell(a_.text(x)) + " → " + Cell(b_.text(y));
                            texts.emplace_back(key, Cell(a_.text(x)) + " → " + Cell(b_.text(y)));
                        }
                    };
                    field(p.scaleX, q.scaleX, "sx", "Sx", true);
                    field(p.scaleY, q.scaleY, "sy", "Sy", true);
                    field(p.angle, q.angle, "angle", "açı", true);
                    field(p.layer, q.layer, "layer", "tabaka", false);
                    if (!what.empty()) {
                        Change& c = add("symbol-changed", Element::Symbol, Look::Changed,
                                        name(a_, p) + " değişti (" + what + ")");
                        c.old.source = p.source;
                        c.now.source = q.source;
                        c.texts = std::move(texts);
                    }
                }
                for (size_t k = n; k < olds.size(); ++k) {
                    const ComparedSymbol& p = a_.symbols[olds[k]];
                    Change& c = add("symbol-removed", Element::Symbol, Look::Removed,
                                    name(a_, p) + " silindi");
                    c.old.source = p.source;
                }
                for (size_t k = n; k < news.size(); ++k) {
                    const ComparedSymbol& q = b_.symbols[news[k]];
                    Change& c =
                        add("symbol-added", Element::Symbol, Look::Added, name(b_, q) + " eklendi");
                    c.now.source = q.source;
                }
            },
            stop_);
    }

    void records(const std::vector<ComparedRecord>& olds, const std::vector<ComparedRecord>& news,
                 Element element, std::string_view kind, std::string_view word) {
        const auto [ka, kb] =
            KeysOf(olds, news,
                   [](Keys& keys, const ComparedDrawing& d, const ComparedRecord& r, uint32_t i) {
                       keys.add(i, {Trim(d.text(r.number))});
                   });
        const std::string changed = std::string(kind) + "-changed";
        const std::string added = std::string(kind) + "-added";
        const std::string removed = std::string(kind) + "-removed";
        auto code = [](const std::string& text) {
            for (std::string_view c : kChangeCodes) {
                if (c == text) {
                    return c;
                }
            }
            return std::string_view();
        };
        Join(
            ka, kb,
            [&](std::span<const uint32_t> os, std::span<const uint32_t> ns) {
                const size_t n = std::min(os.size(), ns.size());
                for (size_t k = 0; k < n; ++k) {
                    const ComparedRecord& p = olds[os[k]];
                    const ComparedRecord& q = news[ns[k]];
                    if (a_.text(p.fields) != b_.text(q.fields)) {
                        Change& c = add(code(changed), element, Look::Changed,
                                        Cell(a_.text(p.number)) + " numaralı " + std::string(word) +
                                            " değişti (" + Cell(a_.text(p.fields)) + " → " +
                                            Cell(b_.text(q.fields)) + ")");
                        c.old.source = p.source;
                        c.now.source = q.source;
                        c.texts = {{"number", Cell(a_.text(p.number))},
                                   {"old_record", Cell(a_.text(p.fields))},
                                   {"new_record", Cell(b_.text(q.fields))}};
                    }
                }
                for (size_t k = n; k < os.size(); ++k) {
                    const ComparedRecord& p = olds[os[k]];
                    Change& c = add(
                        code(removed), element, Look::Removed,
                        Cell(a_.text(p.number)) + " numaralı " + std::string(word) + " silindi");
                    c.old.source = p.source;
                    c.texts.emplace_back("number", Cell(a_.text(p.number)));
                }
                for (size_t k = n; k < ns.size(); ++k) {
                    const ComparedRecord& q = news[ns[k]];
                    Change& c = add(
                        code(added), element, Look::Added,
                        Cell(b_.text(q.number)) + " numaralı " + std::string(word) + " eklendi");
                    c.now.source = q.source;
                    c.texts.emplace_back("number", Cell(b_.text(q.number)));
                }
            },
            stop_);
    }

    // In the old revision's file order, then the additions in the new one's; the drawing's
    // shift first.
    void order() {
        auto key = [](const Change& c) {
            const bool hasOld = c.old.source.has_value();
            const bool hasNew = c.now.source.has_value();
            return std::make_tuple(hasOld || hasNew ? (hasOld ? 1 : 2) : 0,
                                   hasOld ? c.old.source->file : 0, hasOld ? c.old.source->line : 0,
                                   hasNew ? c.now.source->file : 0,
                                   hasNew ? c.now.source->line : 0);
        };
        std::stable_sort(result_.changes.begin(), result_.changes.end(),
                         [&](const Change& x, const Change& y) { return key(x) < key(y); });
    }

    const ComparedDrawing& a_;
    const ComparedDrawing& b_;
    double tol_;
    const std::atomic<bool>* stop_;
    Comparison result_;
    bool shifted_ = false;
    Vertex shift_;
};

}  // namespace

Comparison Compare(const ComparedDrawing& old, const ComparedDrawing& now,
                   const CompareOptions& options) {
    return Comparer(old, now, options).run();
}

}  // namespace plotaktar::compare
