#include "check/area_limit.h"

#include <cmath>

namespace plotaktar::check {

std::optional<AreaRule> AreaRuleNamed(std::string_view name) {
    if (name == "imar") {
        return AreaRule::Imar;
    }
    if (name == "kirsal") {
        return AreaRule::Kirsal;
    }
    if (name == "none") {
        return AreaRule::None;
    }
    return std::nullopt;
}

std::string_view AreaRuleName(AreaRule rule) {
    switch (rule) {
        case AreaRule::Imar:
            return "imar";
        case AreaRule::Kirsal:
            return "kirsal";
        case AreaRule::None:
            break;
    }
    return "none";
}

std::optional<double> AreaLimit(AreaRule rule, double scale, double declaredArea) {
    if (declaredArea < 0) {
        return std::nullopt;
    }
    const double f = declaredArea;
    switch (rule) {
        case AreaRule::Imar:
            return 0.013 * std::sqrt(scale * f) + 0.0003 * f;
        case AreaRule::Kirsal:
            return 0.0004 * scale * std::sqrt(f) + 0.0003 * f;
        case AreaRule::None:
            break;
    }
    return std::nullopt;
}

}  // namespace plotaktar::check
