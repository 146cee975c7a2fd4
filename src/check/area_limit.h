#pragma once

#include <optional>
#include <string_view>

namespace plotaktar::check {

// How far a parcel's area from its corners may stray from its declared area.
//   Imar (built-up):  0.013 * sqrt(M * F) + 0.0003 * F
//   Kirsal (rural):   0.0004 * M * sqrt(F) + 0.0003 * F
// with M the scale denominator and F the declared area in m². None judges nothing.
enum class AreaRule { Imar, Kirsal, None };

// The rule of a name: "imar", "kirsal" or "none".
std::optional<AreaRule> AreaRuleNamed(std::string_view name);
std::string_view AreaRuleName(AreaRule rule);

// The largest difference allowed for a declared area (m²) at scale 1:scale; nothing under None
// or for a negative area.
std::optional<double> AreaLimit(AreaRule rule, double scale, double declaredArea);

}  // namespace plotaktar::check
