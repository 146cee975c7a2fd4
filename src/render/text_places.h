#pragma once

#include <QPointF>
#include <QRectF>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace plotaktar {

// Where the texts of a picture stand, so that a number is put beside its point where it covers
// no text placed before it. Boxes are kept in square cells of a few texts' height, so that a
// place is tried against its neighbours only.
class TextPlaces {
  public:
    // For texts whose capitals and digits are `cap` units high.
    explicit TextPlaces(double cap);

    double cap() const { return cap_; }
    // Marks `box` as covered.
    void take(const QRectF& box);
    // Where the baseline of a text `width` long beside `at` begins: `across` to the right of it
    // and `up` above it; else below it, then to the left above and below; the first of these
    // where the text covers nothing taken (a box the same as its own is the same text again
    // and covers nothing), or the first when all are covered. Takes its box.
    QPointF beside(QPointF at, double across, double up, double width);

  private:
    bool covers(const QRectF& box) const;
    template <typename Visit>
    void forCells(const QRectF& box, Visit&& visit) const;

    double cap_;
    double cell_;
    std::unordered_map<uint64_t, std::vector<QRectF>> cells_;
};

}  // namespace plotaktar
