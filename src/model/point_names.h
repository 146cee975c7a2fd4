#pragma once

// Which point a number names. A point's stored number is what its table shows: "N.12" for a
// triangulation point, "P.1001" for a traverse point, "2501" for a detail point. A line or symbol
// record carries a raw number ("1001"); it names the detail point of that number, else the
// triangulation point "N." followed by it, else the traverse point "P." followed by it. The
// pictures, the exports and the check all resolve a raw number here.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/record_kinds.h"

namespace plotaktar {

class Table;
class Workspace;

struct PointRef {
    Kind kind;  // Nirengi, Poligon or Nokta
    int row;    // the row in the kind's table, from 1
};

// The points of the last import by their stored numbers. The index holds the tables' rows and
// reads the numbers from the tables when it compares them: build it after the import and use it
// while the tables are not written.
class PointIndex {
  public:
    explicit PointIndex(const Workspace& workspace);

    // The point of that stored number (Trim'med); where a number is stored twice, its first row.
    std::optional<PointRef> findStored(std::string_view storedNumber) const;
    // The point a raw number in a line or symbol record names, by the rule above.
    std::optional<PointRef> findRaw(std::string_view rawNumber) const;

  private:
    // The numbers of one kind's table, open-addressed: four bytes a slot (the row, with a few
    // bits of its number's hash where the rows leave room; 0 for an empty slot), at most half of
    // them taken. A node a number would take ten times that, and a drawing of a million records
    // has hundreds of thousands of points.
    struct Numbers {
        Kind kind = Kind::Nokta;
        const Table* table = nullptr;
        int column = 0;
        bool tagged = false;  // the slots hold hash bits beside the rows
        std::vector<uint32_t> rowSlots;

        // The row whose stored number is `prefix` followed by `number`.
        std::optional<PointRef> find(std::string_view prefix, std::string_view number) const;
        void add(int row);
    };
    Numbers numbers_[3];
};

}  // namespace plotaktar
