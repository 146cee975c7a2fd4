#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plotaktar::cli {

// What batch says of one drawing's check, read from the JSON plotaktar-check wrote for it: the
// summary as check's text ends with it ("3 errors, 0 warnings (parcel-area 3)"), the count of
// findings and the first of them as check's text lines ("p.gplt:34: error: parcel-area: ...").
struct CheckGlance {
    std::string summary;
    size_t findings = 0;
    std::vector<std::string> first;
};

// Nothing when `json` is not check's JSON (the user handed `--format text` to the check).
std::optional<CheckGlance> GlanceAtCheck(std::string_view json, size_t firstCount);

}  // namespace plotaktar::cli
