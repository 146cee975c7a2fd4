#pragma once

// Which point a number names. A point's stored number is what its table shows: "N.12" for a
// triangulation point, "P.1001" for a traverse point, "2501" for a detail point. A line or symbol
// record carries a raw number ("1001"); it names the detail point of that number, else the
// triangulation point "N." followed by it, else the traverse point "P." followed by it. The
// pictures, the exports and the check all resolve a raw number here.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "model/record_kinds.h"

namespace plotaktar {

class Workspace;

struct PointRef {
    Kind kind;  // Nirengi, Poligon or Nokta
    int row;    // the row in the kind's table, from 1
};

// The points of the last import by their stored numbers. The index holds views into the
// tables: build it after the import and use it while the tables are not written.
class PointIndex {
  public:
    explicit PointIndex(const Workspace& workspace);

    // The point of that stored number (Trim'med); where a number is stored twice, its first row.
    std::optional<PointRef> findStored(std::string_view storedNumber) const;
    // The point a raw number in a line or symbol record names, by the rule above.
    std::optional<PointRef> findRaw(std::string_view rawNumber) const;

  private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>()(text);
        }
    };
    std::unordered_map<std::string_view, PointRef, Hash, std::equal_to<>> byNumber_[3];
};

}  // namespace plotaktar
